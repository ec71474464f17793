#include "commands/locale_separator.h"

#include <langinfo.h>
#include <locale.h>

#include <cstdlib>

namespace kelvaro {

bool isUsableDecimalSeparator(std::string_view separator) {
  if (separator.size() != 1) return false;
  const char c = separator[0];
  if (c <= ' ' || c > '~') return false;
  if (c >= '0' && c <= '9') return false;
  return std::string_view("+-eEiI()").find(c) == std::string_view::npos;
}

std::string decimalSeparatorOfLocale(const char* name) {
  // A locale object of our own: the process-wide locale stays "C" so that no library
  // conversion elsewhere changes its behaviour behind our back.
  locale_t loc = newlocale(LC_NUMERIC_MASK, name, static_cast<locale_t>(0));
  if (loc == static_cast<locale_t>(0)) return ".";
  const char* radix = nl_langinfo_l(RADIXCHAR, loc);
  std::string separator = radix != nullptr && *radix != '\0' ? radix : ".";
  freelocale(loc);
  return separator;
}

std::string environmentDecimalSeparator() {
  for (const char* variable : {"LC_ALL", "LC_NUMERIC", "LANG"}) {
    const char* value = std::getenv(variable);
    if (value == nullptr || *value == '\0') continue;
    std::string separator = decimalSeparatorOfLocale(value);
    return isUsableDecimalSeparator(separator) ? separator : ".";
  }
  return decimalSeparatorOfLocale("C");
}

}  // namespace kelvaro
