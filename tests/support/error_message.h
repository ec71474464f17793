#pragma once
// The message a command shows in its message box.

#include <string>

#include "numbers/calc_error.h"

namespace kelvaro::test_support {

// The message of the CalcError fn throws, or "" when it throws none.
template <typename Fn>
std::string errorOf(Fn&& fn) {
  try {
    fn();
  } catch (const CalcError& e) {
    return e.what();
  }
  return "";
}

}  // namespace kelvaro::test_support
