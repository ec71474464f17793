#pragma once
// Reading a matrix from whatever text a clipboard holds: one of the copy formats, or the pane
// notation itself.

#include <string>
#include <string_view>
#include <vector>

#include "numbers/element.h"
#include "numbers/matrix_formats.h"
#include "numbers/number_format.h"

namespace kelvaro {

// What a clipboard held: the format it was recognised as and the matrices in it. For the pane
// notation the values are what the pane reader makes of the rows, at the precision of nf.
struct ReadMatrices {
  MatrixFormat format = MatrixFormat::Pane;
  std::vector<MatrixPart> parts;
  // For the pane notation: its non-blank lines as they stand (polar elements stay polar).
  std::vector<std::string> paneRows;
};

// Recognises the text as one of the formats or the pane notation and reads it. Text that is
// none of them, rows of different lengths and elements that do not read throw CalcError
// naming the row, the column and why. A leading UTF-8 byte-order mark is skipped.
//
// nf.decimalSeparator is the separator in force. A "," decides between a CSV separator and a
// decimal comma by it, and ";" is no CSV separator when it is ";". Spreadsheet text (TSV,
// CSV) and the pane notation take "." or "," as their decimal separator, decided once for
// the whole text (a number whose mark cannot group thousands shows which; otherwise the
// separator in force); a number with the other mark is refused. The other formats write ".".
ReadMatrices readMatrices(std::string_view text, const NumberFormat& nf);

// One element as the formats write it: a real number, a+bi or bi (i or j, either case, and
// "*" before it), inf and nan (also np.inf, Inf, NaN), complex(a, b) and (a+bj); "." is the
// decimal point. Blanks and control characters around it are skipped; inside it only blanks
// and tabs around the sign between its parts (1 + 2i), inside its parentheses and around the
// comma of complex(a, b). False when the text is none of these.
bool readMatrixElement(std::string_view text, Element& value);

}  // namespace kelvaro
