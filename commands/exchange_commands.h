#pragma once
// Matrices in and out: copying the last result or an operand pane in another program's
// format, pasting such text back into an operand pane, and the last result as an operand.
//
// The clipboard is CalcState::clipboard: kelvaro-cli's own, or, in the window, a copy of the
// system clipboard that the window fills before a paste and takes after a copy. What the window
// shows in its bottom strip comes through UserInterface::showStatus. A refusal is a CalcError
// and changes nothing.

#include <string>
#include <string_view>
#include <vector>

#include "commands/calc_state.h"
#include "commands/user_interface.h"

namespace kelvaro {

// The last result (every part of a decomposition), pane A or pane B on the clipboard.
// format: "tsv", "csv", "latex", "markdown", "octave" or "numpy", optionally followed by
// "+full" (shortest round-trip text instead of the displayed precision).
void copyResult(CalcState& state, UserInterface& ui, std::string_view format);
void copyPaneA(CalcState& state, UserInterface& ui, std::string_view format);
void copyPaneB(CalcState& state, UserInterface& ui, std::string_view format);

// The clipboard's matrix, in any of those formats or the pane notation, into the pane, one row
// per line, aligned. Status: "Pasted 3x3 from NumPy".
void pasteMatrixA(CalcState& state, UserInterface& ui);
void pasteMatrixB(CalcState& state, UserInterface& ui);
// The same with a text of its own (a file dropped on pane 'A' or 'B'): the clipboard is not
// touched.
void pasteTextInto(CalcState& state, UserInterface& ui, char pane, std::string_view text);

// The last result's matrix into the pane at full precision, aligned; part names a part of a
// decomposition ("L", "U", ...), empty for the first. Eigenvalues go in as one column.
void resultToA(CalcState& state, UserInterface& ui, std::string_view part);
void resultToB(CalcState& state, UserInterface& ui, std::string_view part);

// The names of the last result's parts, in order ("Q", "R"); empty for a plain matrix or
// scalar, and before the first result.
std::vector<std::string> resultPartNames(const CalcState& state);

}  // namespace kelvaro
