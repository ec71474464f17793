#pragma once
// Exact numbers: rationals of any size, always in lowest terms with a positive denominator,
// and Gaussian rationals a+bi with rational parts. Values are copied like ints; small
// numerators and denominators take no memory of their own.

#include <compare>
#include <cstddef>
#include <cstdint>
#include <string>

namespace kelvaro::exact {

class Rational {
 public:
  Rational() noexcept = default;  // 0
  Rational(long value);           // NOLINT: an integer is a rational
  Rational(long numerator, long denominator);
  Rational(const Rational& other);
  Rational(Rational&& other) noexcept { swap(other); }
  Rational& operator=(const Rational& other);
  Rational& operator=(Rational&& other) noexcept {
    swap(other);
    return *this;
  }
  ~Rational();
  void swap(Rational& other) noexcept;

  // The double's own binary value, exactly (it must be finite).
  static Rational fromDouble(double value);
  // Integer digits (an optional "-" then decimal digits), divided by 10^-exponent or
  // multiplied by 10^exponent.
  static Rational fromDecimal(const std::string& digits, long exponent);

  int sign() const;
  bool isZero() const { return num_ == 0; }
  bool isInteger() const { return den_ == 1; }
  bool isOne() const { return num_ == 1 && den_ == 1; }

  Rational operator-() const;
  Rational& operator+=(const Rational& b);
  Rational& operator-=(const Rational& b);
  Rational& operator*=(const Rational& b);
  // Throws CalcError "Division by zero" for b = 0.
  Rational& operator/=(const Rational& b);
  friend Rational operator+(Rational a, const Rational& b) { return a += b; }
  friend Rational operator-(Rational a, const Rational& b) { return a -= b; }
  friend Rational operator*(Rational a, const Rational& b) { return a *= b; }
  friend Rational operator/(Rational a, const Rational& b) { return a /= b; }
  friend bool operator==(const Rational& a, const Rational& b);
  friend std::strong_ordering operator<=>(const Rational& a, const Rational& b);

  Rational abs() const { return sign() < 0 ? -*this : *this; }
  // The nearest integer, halves to the even one.
  Rational roundHalfEven() const;
  // The nearest double (halves to even), +-inf beyond the largest one.
  double toDouble() const;

  // "p/q", or "p" for an integer; "-" in front when negative.
  std::string text() const;
  void appendText(std::string& out) const;
  // The length of text(), exactly.
  std::size_t textLength() const;
  // Bits of the numerator's and the denominator's magnitudes.
  std::size_t numeratorBits() const;
  std::size_t denominatorBits() const;

  // For the code that hands values to the exact kernels (the layout of their fraction).
  void* raw() noexcept { return &num_; }
  const void* raw() const noexcept { return &num_; }

 private:
  long num_ = 0;
  long den_ = 1;
};

// a+bi with rational parts.
struct GaussRational {
  Rational re, im;

  GaussRational() = default;
  GaussRational(Rational real) : re(std::move(real)) {}  // NOLINT
  GaussRational(Rational real, Rational imag) : re(std::move(real)), im(std::move(imag)) {}

  bool isZero() const { return re.isZero() && im.isZero(); }
  bool isReal() const { return im.isZero(); }
  GaussRational operator-() const { return {-re, -im}; }
  GaussRational conjugate() const { return {re, -im}; }
  GaussRational& operator+=(const GaussRational& b);
  GaussRational& operator-=(const GaussRational& b);
  GaussRational& operator*=(const GaussRational& b);
  GaussRational& operator/=(const GaussRational& b);  // "Division by zero" for 0
  friend GaussRational operator+(GaussRational a, const GaussRational& b) { return a += b; }
  friend GaussRational operator-(GaussRational a, const GaussRational& b) { return a -= b; }
  friend GaussRational operator*(GaussRational a, const GaussRational& b) { return a *= b; }
  friend GaussRational operator/(GaussRational a, const GaussRational& b) { return a /= b; }
  friend bool operator==(const GaussRational& a, const GaussRational& b) = default;

  // As the complex formatter writes: "3", "1/2-3/4i", "i", "-i", "2/3i".
  std::string text() const;
  void appendText(std::string& out) const;
  std::size_t textLength() const;
  // A measure of the work its text takes: 1 for small parts, growing with their bits.
  std::size_t textWork() const {
    return 1 +
           (re.numeratorBits() + re.denominatorBits() + im.numeratorBits() + im.denominatorBits()) /
               512;
  }
};

}  // namespace kelvaro::exact
