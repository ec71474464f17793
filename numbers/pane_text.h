#pragma once
// Text services on a whole pane that parse no numbers: Align and the separator swap.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "numbers/cancel_flag.h"
#include "numbers/pane.h"

namespace kelvaro {

// Appends the token as a pane line holds it: as it is, or in quotes when it would not read
// back as itself unquoted (empty, holding blanks, or starting with a quote).
void appendWritten(std::string& out, std::string_view token);

// Length of the longest token of the line as Align writes it (0 for a line without tokens).
std::size_t widestToken(std::string_view line);

// The tokens of the line, each left-justified in width + 2 characters (a longer token is not
// cut). A token that would not read back as itself unquoted (empty, holding blanks, or
// starting with a quote) is written in quotes.
std::string paddedLine(std::string_view line, std::size_t width);

// The most characters an aligned pane may hold. Padding every token to the widest one grows
// with their product: one long token among many short ones would ask for more memory than
// there is.
inline constexpr std::size_t kMaxAlignedCharacters = std::size_t{1} << 30;

// Drops empty lines and pads every token to the width of the pane's widest token plus two.
// A pane that would grow beyond kMaxAlignedCharacters stays as it is: CalcError.
void alignPane(Pane& pane, const CancelFlag* cancel = nullptr);
// The lines alignPane would give the pane, the pane left as it is.
std::vector<std::string> alignedLines(const Pane& pane, const CancelFlag* cancel = nullptr);

// Replaces every occurrence of one character by another (comma to dot, dot to comma).
void replaceCharacter(Pane& pane, char from, char to);

}  // namespace kelvaro
