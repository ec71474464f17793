#pragma once
// An error that ends the running command and is shown to the user as a message box
// (conversion errors, "Division by zero", file errors). The message is the exact text shown.

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>

namespace kelvaro {

class CalcError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// What a message may quote of the user's text: a message box lays its text out at once, so
// a quote is at most this long.
inline constexpr std::size_t kQuoteLength = 60;

// The text as a message quotes it: its first limit characters and "..." when it is longer,
// control characters as "?" (a tab as a blank), so that the message stays one short line.
std::string quoteForMessage(std::string_view text, std::size_t limit = kQuoteLength);
// The same for the end of a text: "..." and its last limit characters.
std::string quoteEndForMessage(std::string_view text, std::size_t limit = kQuoteLength);

}  // namespace kelvaro
