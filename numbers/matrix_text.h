#pragma once
// The matrix text of a pane: which lines are rows, how a line is cut into tokens, the row
// and column counts, and the reading loop that fills a register from a pane.
//
// Row r of a pane is its r-th non-blank line (blank: empty, or only characters 1 to 32).

#include <string>
#include <string_view>
#include <vector>

#include "numbers/number_format.h"
#include "numbers/pane.h"
#include "numbers/rcomat.h"

namespace kelvaro {

inline constexpr std::string_view kIncompleteMatrixWarning =
    "Warning : Matrix is incomplete, and the null elements will be replaced by zeros.";

// True when the line is empty or holds only characters with codes 1 to 32.
bool isBlankLine(std::string_view line);

// The tokens of one line, in order. Characters 1 to 32 separate tokens; a token that begins
// with a double quote runs to the closing quote ("" inside stands for one quote).
std::vector<std::string> tokens(std::string_view line);
std::size_t tokenCount(std::string_view line);

// Number of non-blank lines.
int rowCount(const Pane& pane);
// Largest token count of any line; appends the incomplete-matrix warning to result when
// neighbouring non-empty lines differ.
int columnCount(const Pane& pane, Pane& result);

// Indexes of the non-blank lines, in order: rowLines(p)[r] is the line of row r.
std::vector<std::size_t> rowLines(const Pane& pane);

// The reading loop: reg := rows x cols complex zeros, then row r (the r-th non-blank line),
// token c goes to reg[r][c] through the element parser (negated for A-B). The first
// conversion error propagates; what was read so far stays.
enum class ElementReading { Plain, Negated };
void readPane(const Pane& pane, int rows, int cols, RCOMat& reg, const NumberFormat& nf,
              ElementReading reading = ElementReading::Plain);

}  // namespace kelvaro
