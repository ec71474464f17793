#pragma once
// Matrices as other programs write them: tab-separated and comma-separated text for
// spreadsheets, LaTeX, Markdown tables, Octave and NumPy, written from element values and read
// back (with the pane notation itself) from whatever text a clipboard holds.

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "numbers/element.h"
#include "numbers/number_format.h"
#include "numbers/rcomat.h"

namespace kelvaro {

enum class MatrixFormat { Tsv, Csv, Latex, Markdown, Octave, NumPy, Pane };

struct MatrixFormatInfo {
  MatrixFormat format;
  const char* key;      // as kelvaro-cli names it: "tsv"
  const char* name;     // as messages name it: "TSV"
  const char* caption;  // as a menu lists it: "Tab-separated (spreadsheets)"
};

// The formats a matrix can be copied as, in menu order (the pane notation is not one of them).
std::span<const MatrixFormatInfo> copyFormats();
const MatrixFormatInfo& formatInfo(MatrixFormat format);

// "latex" or "latex+full": the format and whether it asks for full precision. False for any
// other text.
bool parseCopyFormat(std::string_view text, MatrixFormat& format, bool& fullPrecision);

// One matrix of a result: a plain result has one part without a name; a decomposition has
// its factors ("L", "U"), the eigenvalues one column named kEigenvalueList.
struct MatrixPart {
  std::string name;
  RCOMat values;
  // An exact result's entries as printed ("-5/7+1/2i"), row-major, beside their nearest
  // doubles in values; empty for a result in doubles. The formats write these instead.
  std::vector<std::string> exactTexts = {};
};
inline constexpr std::string_view kEigenvalueList = "eigenvalues";

struct CopyOptions {
  // Full precision: the shortest text that reads back to the same double. Otherwise the
  // number formatter at precision.precScale.
  bool fullPrecision = false;
  NumberFormat precision;
  // The locale's decimal separator, which TSV and CSV use when it is ","; "." otherwise.
  char localeSeparator = '.';
};

// The parts in the format, each named as that format names things; ends with a line break.
std::string writeMatrices(std::span<const MatrixPart> parts, MatrixFormat format,
                          const CopyOptions& options);

// The shortest text that reads back to x: "0.1", "-0", "1e-07", "inf", "nan".
void appendShortest(std::string& out, double x);

// Pane text of a matrix at full precision, one row per line, elements separated by one blank,
// written with the decimal separator in force so that the pane reader gives back every bit;
// an element whose imaginary part is zero (either sign) is written as a real number. A pane
// cannot hold INF or NaN: CalcError naming the first such element.
std::vector<std::string> fullPrecisionRows(const RCOMat& m, char decimalSeparator,
                                           std::string_view what);

}  // namespace kelvaro
