#include "commands/accuracy.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

namespace kelvaro {

namespace {

// 1/eps of a double: from here on a relative perturbation of one rounding can make the
// matrix singular.
constexpr double kSingularCondition = 4503599627370496.0;  // 2^52
constexpr int kSignificantDigits = 16;

}  // namespace

std::string conditionText(const CalcState::Condition& condition, char decimalPoint) {
  const std::string name(1, condition.operand);
  if (!std::isfinite(condition.value)) return name + " is singular to working precision";
  char buffer[32];
  const auto end = std::to_chars(buffer, buffer + sizeof buffer, condition.value,
                                 std::chars_format::scientific, 1)
                       .ptr;
  std::string number(buffer, end);
  // 3.2e+12 as 3.2E+12, with the locale's separator.
  const std::size_t e = number.find('e');
  number[e] = 'E';
  number[1] = decimalPoint;
  std::string text = "cond(" + name + ") = " + number + ": ";
  if (condition.value >= kSingularCondition)
    return text + name + " is singular to working precision";
  const int lost = std::max(0, std::stoi(number.substr(e + 1)));
  if (lost == 0) return text + "none of the 16 significant digits need be lost";
  return text + "up to " + std::to_string(lost) + " of the " + std::to_string(kSignificantDigits) +
         " significant digits may be lost";
}

void keepCondition(CalcState& state, char operand, double norm, double inverseNorm) {
  const double value = std::isinf(inverseNorm) ? inverseNorm : norm * inverseNorm;
  if (!std::isnan(value)) state.condition = CalcState::Condition{operand, value};
}

std::string accuracyNote(const CalcState& state) {
  return state.condition ? conditionText(*state.condition, state.decimalPoint()) : std::string();
}

}  // namespace kelvaro
