#pragma once
// An error that ends the running command and is shown to the user as a message box
// (conversion errors, "Division by zero", file errors). The message is the exact text shown.

#include <stdexcept>
#include <string>

namespace kelvaro {

class CalcError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace kelvaro
