#pragma once
// The decimal separator of the user's locale, as the window and kelvaro-cli both read it.

#include <string>

namespace kelvaro {

// The radix character of the named locale ("de_DE.UTF-8", "C", ...). A locale that cannot be
// loaded gives ".", the separator of the C locale.
std::string decimalSeparatorOfLocale(const char* name);

// The decimal separator of the environment's locale: the first of LC_ALL, LC_NUMERIC and
// LANG that is set and not empty names it; without any of them the C locale applies.
std::string environmentDecimalSeparator();

}  // namespace kelvaro
