#pragma once
// The decimal separator of the user's locale, as the window and kelvaro-cli both read it.

#include <string>
#include <string_view>

namespace kelvaro {

// Whether numbers can be written and read back with this decimal separator: one printable
// character of one byte (pane text is single-byte) that is not a digit, a sign, an exponent
// letter, the imaginary letter, a blank or a parenthesis of polar notation.
bool isUsableDecimalSeparator(std::string_view separator);

// The radix character of the named locale ("de_DE.UTF-8", "C", ...). A locale that cannot be
// loaded gives ".", the separator of the C locale.
std::string decimalSeparatorOfLocale(const char* name);

// The decimal separator of the environment's locale: the first of LC_ALL, LC_NUMERIC and
// LANG that is set and not empty names it; without any of them the C locale applies. A
// separator that is not usable gives ".".
std::string environmentDecimalSeparator();

}  // namespace kelvaro
