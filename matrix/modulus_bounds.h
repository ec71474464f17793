#pragma once
// The modulus of a complex value, the C library's hypot (std::abs of a std::complex<double>
// calls it too), costs a library call of some fifteen nanoseconds, more than the rest of a
// pivot search or of a sum of moduli around it. Where only the largest modulus or the largest
// sum of moduli matters, most values can be ruled out by bounds instead: sqrt(re² + im²) in
// plain double arithmetic lies within about one unit in the last place of the exact modulus
// wherever the squares neither overflow nor lose digits, and so does the library's result;
// bounds 2^-46 either side of the plain value hold the library's modulus with room for some
// sixty units more. Only the values whose upper bound reaches the best lower bound take the
// library's modulus, and the outcome is bit for bit that of a search or sum over the library's
// moduli.

#include <cmath>
#include <cstddef>
#include <span>

namespace kelvaro {

struct ModulusBounds {
  double low, high;
};

// Bounds on std::hypot(re, im); equal to it where that is cheap or where the plain formula
// does not hold (zero or infinite parts, NaN, extreme magnitudes).
inline ModulusBounds modulusBounds(double re, double im) {
  // hypot(x, ±0) is |x| and hypot(±0, y) is |y|, exactly.
  if (im == 0) return {std::fabs(re), std::fabs(re)};
  if (re == 0) return {std::fabs(im), std::fabs(im)};
  const double squares = re * re + im * im;
  if (squares >= 0x1p-900 && squares <= 0x1p1000) {
    const double plain = std::sqrt(squares);
    return {plain * (1 - 0x1p-46), plain * (1 + 0x1p-46)};
  }
  const double exact = std::hypot(re, im);
  return {exact, exact};
}

// std::hypot(re, im), through the library only where the bounds differ.
inline double exactModulus(double re, double im) {
  const ModulusBounds b = modulusBounds(re, im);
  return b.low == b.high ? b.low : std::hypot(re, im);
}

// The index of the first of `count` values z(i) (std::complex<double>) whose modulus is the
// largest, with that modulus in `best`; -1 and 0 if no modulus is above 0 (NaN never is).
template <class Value>
int firstLargestModulus(int count, Value&& z, double& best) {
  double floor = 0;
  for (int i = 0; i < count; ++i) {
    const auto v = z(i);
    if (const double low = modulusBounds(v.real(), v.imag()).low; low > floor) floor = low;
  }
  int first = -1;
  best = 0;
  for (int i = 0; i < count; ++i) {
    const auto v = z(i);
    const ModulusBounds b = modulusBounds(v.real(), v.imag());
    if (!(b.high >= floor)) continue;
    if (const double modulus = b.low == b.high ? b.low : std::hypot(v.real(), v.imag());
        modulus > best)
      best = modulus, first = i;
  }
  return first;
}

// The largest of some sums of moduli, each formed from 0 by adding its terms in a fixed order,
// given the same sums formed in the same order from the terms' lower and from their upper
// bounds: a sum rounded at every addition never decreases when a term grows, so those bound
// each exact sum. `fold(best, sum)` takes the exact sums exactSum(k) in order, from 0, of
// those that can matter: the sums whose upper bound reaches the largest lower bound, and the
// NaN ones (a NaN bound comes of a NaN term, whose bounds are the term itself), so that the
// caller's rule for NaN sums holds as over all of them.
template <class ExactSum, class Fold>
double largestSum(std::span<const double> low, std::span<const double> high, ExactSum&& exactSum,
                  Fold&& fold) {
  double floor = 0;
  for (const double l : low)
    if (l > floor) floor = l;
  double best = 0;
  for (std::size_t k = 0; k < low.size(); ++k)
    if (!(high[k] < floor)) best = fold(best, exactSum(k));
  return best;
}

}  // namespace kelvaro
