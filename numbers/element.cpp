#include "numbers/element.h"

#include <cfloat>
#include <numbers>

#include "numbers/calc_error.h"

namespace kelvaro {

void throwDivisionByZero() {
  throw CalcError("Division by zero");
}

Polar toPolar(double re, double im) {
  // The squares overflow beyond about 1.3E154 and lose their digits below about 1.5E-154;
  // there the radius is taken without squaring (elsewhere the plain formula, bit for bit).
  const double squares = re * re + im * im;
  const double radius =
      squares >= DBL_MIN && squares <= DBL_MAX ? std::sqrt(squares) : std::hypot(re, im);
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
