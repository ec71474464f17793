#pragma once
// The project file (*.mtx): the coefficient x, the precision and the operand matrices A and B
// as the window's "Save project" and "Open project" store and restore them. Little-endian,
// no signature: x as an 80-bit extended float, the precision as a 32-bit integer, then for A
// and for B the row and column counts (32-bit) and, when both are non-zero, the elements row
// by row as 80-bit extended floats.

#include <string>
#include <string_view>

#include "commands/calc_state.h"

namespace kelvaro {

// Save project, once the dialog has chosen path. x, the precision and every element of A and
// B are converted before the file is touched; a text that is not a real number (or a
// precision that is not an integer) throws its conversion error and writes nothing. The file
// is saved as writeFileSafely saves, so a failed save leaves an existing file as it was and
// throws 'Cannot create file "<path>". <reason>'. Counting the panes may append the
// incomplete-matrix warning to the Result pane (twice per pane, once per count).
void Save3Click(CalcState& state, const std::string& path);

// Open project, once the dialog has chosen path. A path that does not exist does nothing.
// The whole file is read and checked first; a file that cannot be read, is not exactly as long
// as its counts announce (cut short, or with bytes beyond B), announces negative counts or holds
// a value that is not a finite double throws "'<path>' is not a valid project file" and
// changes nothing. Otherwise x and the precision are restored (the precision box's change handler
// runs), and each matrix with rows and columns replaces its pane (one line per row, every
// value after one blank, then an empty line) and its register; a matrix stored without rows
// or columns leaves its pane and register alone. Values are written exactly, in the shortest
// general form of 15 significant digits (the largest doubles as 1.79769313486231E308, the
// largest such text that still reads back).
void Open1Click(CalcState& state, const std::string& path);

}  // namespace kelvaro
