#pragma once
// The matrix element: empty (never assigned, acts as 0), an integer, a real or a complex
// number. Elements read from panes are complex; the logical operations store the integers
// 0 and 1; a freshly sized matrix holds empty elements.
//
// Arithmetic: when one operand is complex, the other becomes complex first (x -> x+0i) and
// the complex formulas below apply, each operation rounded once; between two non-complex
// operands plain real arithmetic applies.

#include <cmath>
#include <cstdint>

namespace kelvaro {

enum class ElementKind : std::uint8_t { Empty, Integer, Real, Complex };

// Tolerance of the element comparison and of the division-by-zero test.
inline constexpr double kTolerance = 1e-12;
// Degrees per radian as the calculator has always used it (not 180/pi).
inline constexpr double kDegreesPerRadian = 57.29578;

class Element {
 public:
  constexpr Element() = default;

  static constexpr Element integer(double value) {
    return Element(value, 0.0, ElementKind::Integer);
  }
  static constexpr Element real(double value) { return Element(value, 0.0, ElementKind::Real); }
  static constexpr Element complex(double re, double im) {
    return Element(re, im, ElementKind::Complex);
  }

  constexpr ElementKind kind() const { return kind_; }
  constexpr bool isComplex() const { return kind_ == ElementKind::Complex; }
  constexpr bool isEmpty() const { return kind_ == ElementKind::Empty; }
  // The real part; for a non-complex element its value (empty gives 0).
  constexpr double re() const { return re_; }
  // The imaginary part; 0 for a non-complex element.
  constexpr double im() const { return im_; }
  // The same value as a complex number (x becomes x+0i).
  constexpr Element toComplex() const { return complex(re_, im_); }

 private:
  constexpr Element(double re, double im, ElementKind kind) : re_(re), im_(im), kind_(kind) {}

  double re_ = 0.0;
  double im_ = 0.0;
  ElementKind kind_ = ElementKind::Empty;
};

static_assert(sizeof(Element) <= 24, "an element must stay compact");

[[noreturn]] void throwDivisionByZero();

namespace detail {
// Kind of a real-arithmetic result: integer only when both operands are integers (or empty).
constexpr ElementKind realKind(const Element& a, const Element& b) {
  const bool aInt = a.kind() == ElementKind::Integer || a.isEmpty();
  const bool bInt = b.kind() == ElementKind::Integer || b.isEmpty();
  return aInt && bInt ? ElementKind::Integer : ElementKind::Real;
}
inline Element makeReal(double v, ElementKind kind) {
  return kind == ElementKind::Integer ? Element::integer(v) : Element::real(v);
}
}  // namespace detail

inline Element operator+(const Element& a, const Element& b) {
  if (a.isComplex() || b.isComplex()) return Element::complex(a.re() + b.re(), a.im() + b.im());
  return detail::makeReal(a.re() + b.re(), detail::realKind(a, b));
}

inline Element operator-(const Element& a, const Element& b) {
  if (a.isComplex() || b.isComplex()) return Element::complex(a.re() - b.re(), a.im() - b.im());
  return detail::makeReal(a.re() - b.re(), detail::realKind(a, b));
}

inline Element operator-(const Element& a) {
  if (a.isComplex()) return Element::complex(-a.re(), -a.im());
  return detail::makeReal(-a.re(), detail::realKind(a, a));
}

// (a+bi)(c+di) = (ac - bd) + (ad + bc)i
inline Element operator*(const Element& x, const Element& y) {
  if (x.isComplex() || y.isComplex()) {
    const double a = x.re(), b = x.im(), c = y.re(), d = y.im();
    return Element::complex(a * c - b * d, a * d + b * c);
  }
  return detail::makeReal(x.re() * y.re(), detail::realKind(x, y));
}

// q = c² + d²; |q| <= 1e-12 fails with "Division by zero";
// else ((ac + bd)/q) + ((bc - ad)/q)i. Real division applies the same test to the divisor.
inline Element operator/(const Element& x, const Element& y) {
  if (x.isComplex() || y.isComplex()) {
    const double a = x.re(), b = x.im(), c = y.re(), d = y.im();
    const double q = c * c + d * d;
    if (std::fabs(q) <= kTolerance) throwDivisionByZero();
    return Element::complex((a * c + b * d) / q, (b * c - a * d) / q);
  }
  const double c = y.re();
  if (std::fabs(c * c) <= kTolerance) throwDivisionByZero();
  return Element::real(x.re() / c);
}

inline Element conjugate(const Element& a) {
  return a.isComplex() ? Element::complex(a.re(), -a.im()) : a;
}

// Two doubles are equal within tolerance: |x - y| <= max(min(|x|, |y|) * 1e-12, 1e-12).
inline bool nearlyEqual(double x, double y) {
  const double limit = std::fmax(std::fmin(std::fabs(x), std::fabs(y)) * kTolerance, kTolerance);
  return std::fabs(x - y) <= limit;
}

// Element comparison: real parts and imaginary parts both equal within tolerance.
inline bool elementsEqual(const Element& a, const Element& b) {
  return nearlyEqual(a.re(), b.re()) && nearlyEqual(a.im(), b.im());
}

// The element comparison with 0: both parts within 1e-12 of zero.
inline bool isZero(const Element& a) {
  return std::fabs(a.re()) <= kTolerance && std::fabs(a.im()) <= kTolerance;
}

// Radius and angle (radians, in (-pi, pi]) of a complex value.
struct Polar {
  double radius;
  double angle;
};
Polar toPolar(double re, double im);
// r cos t + (r sin t) i, t in radians.
Element fromPolar(double radius, double angle);

}  // namespace kelvaro
