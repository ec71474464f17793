#include "numbers/element.h"

#include <numbers>

#include "numbers/calc_error.h"

namespace kelvaro {

void throwDivisionByZero() { throw CalcError("Division by zero"); }

Polar toPolar(double re, double im) {
  const double radius = std::sqrt(re * re + im * im);
  double angle = std::atan2(im, re);
  constexpr double pi = std::numbers::pi;
  while (angle > pi) angle -= 2 * pi;
  while (angle <= -pi) angle += 2 * pi;
  return {radius, angle};
}

Element fromPolar(double radius, double angle) {
  return Element::complex(radius * std::cos(angle), radius * std::sin(angle));
}

}  // namespace kelvaro
