#include "exact/rational.h"

#include <cmath>
#include <cstring>

#include "exact/flint_support.h"
#include "numbers/calc_error.h"

namespace kelvaro::exact {

namespace {

void canonicalise(Rational& r) {
  fmpq_canonicalise(fq(r));
}

// Digits of |f| in base 10, exactly.
std::size_t decimalLength(const fmpz* f) {
  if (fmpz_is_zero(f)) return 1;
  std::size_t n = fmpz_sizeinbase(f, 10);
  if (n > 1 && !COEFF_IS_MPZ(*f)) {
    // A small value: count its digits directly.
    unsigned long v = static_cast<unsigned long>(std::labs(*f));
    std::size_t digits = 0;
    for (; v != 0; v /= 10) ++digits;
    return digits;
  }
  if (n > 1) {
    Fmpz power;
    fmpz_set_ui(power.get(), 10);
    fmpz_pow_ui(power.get(), power.get(), n - 1);
    if (fmpz_cmpabs(f, power.get()) < 0) --n;
  }
  return n;
}

void appendInteger(std::string& out, const fmpz* f) {
  const std::size_t start = out.size();
  out.resize(start + fmpz_sizeinbase(f, 10) + 2);
  fmpz_get_str(out.data() + start, 10, f);
  out.resize(start + std::strlen(out.data() + start));
}

}  // namespace

Rational::Rational(long value) {
  fmpz_set_si(&num_, value);
}

Rational::Rational(long numerator, long denominator) {
  if (denominator == 0) throw CalcError("Division by zero");
  fmpz_set_si(&num_, numerator);
  fmpz_set_si(&den_, denominator);
  canonicalise(*this);
}

Rational::Rational(const Rational& other) {
  fmpq_set(fq(*this), fq(other));
}

Rational& Rational::operator=(const Rational& other) {
  fmpq_set(fq(*this), fq(other));
  return *this;
}

Rational::~Rational() {
  fmpq_clear(fq(*this));
}

void Rational::swap(Rational& other) noexcept {
  std::swap(num_, other.num_);
  std::swap(den_, other.den_);
}

Rational Rational::fromDouble(double value) {
  Rational r;
  if (value == 0 || !std::isfinite(value)) return r;
  int e = 0;
  const double mantissa = std::ldexp(std::frexp(value, &e), 53);  // an integer
  fmpz_set_d(&r.num_, mantissa);
  e -= 53;
  if (e >= 0) {
    fmpz_mul_2exp(&r.num_, &r.num_, static_cast<ulong>(e));
  } else {
    fmpz_one_2exp(&r.den_, static_cast<ulong>(-e));
    canonicalise(r);
  }
  return r;
}

Rational Rational::fromDecimal(const std::string& digits, long exponent) {
  Rational r;
  fmpz_set_str(&r.num_, digits.c_str(), 10);
  Fmpz power;
  fmpz_set_ui(power.get(), 10);
  fmpz_pow_ui(power.get(), power.get(), static_cast<ulong>(std::labs(exponent)));
  if (exponent >= 0) {
    fmpz_mul(&r.num_, &r.num_, power.get());
  } else {
    fmpz_swap(&r.den_, power.get());
    canonicalise(r);
  }
  return r;
}

int Rational::sign() const {
  return fmpz_sgn(&num_);
}

Rational Rational::operator-() const {
  Rational r;
  fmpq_neg(fq(r), fq(*this));
  return r;
}

Rational& Rational::operator+=(const Rational& b) {
  fmpq_add(fq(*this), fq(*this), fq(b));
  return *this;
}

Rational& Rational::operator-=(const Rational& b) {
  fmpq_sub(fq(*this), fq(*this), fq(b));
  return *this;
}

Rational& Rational::operator*=(const Rational& b) {
  fmpq_mul(fq(*this), fq(*this), fq(b));
  return *this;
}

Rational& Rational::operator/=(const Rational& b) {
  if (b.isZero()) throw CalcError("Division by zero");
  fmpq_div(fq(*this), fq(*this), fq(b));
  return *this;
}

bool operator==(const Rational& a, const Rational& b) {
  return fmpq_equal(fq(a), fq(b));
}

std::strong_ordering operator<=>(const Rational& a, const Rational& b) {
  const int c = fmpq_cmp(fq(a), fq(b));
  return c < 0   ? std::strong_ordering::less
         : c > 0 ? std::strong_ordering::greater
                 : std::strong_ordering::equal;
}

Rational Rational::roundHalfEven() const {
  Rational r;
  Fmpz rem, twice;
  fmpz_fdiv_qr(&r.num_, rem.get(), &num_, &den_);
  fmpz_mul_2exp(twice.get(), rem.get(), 1);
  const int c = fmpz_cmp(twice.get(), &den_);
  if (c > 0 || (c == 0 && fmpz_is_odd(&r.num_))) fmpz_add_ui(&r.num_, &r.num_, 1);
  return r;
}

double Rational::toDouble() const {
  if (isZero()) return 0.0;
  const double s = sign() < 0 ? -1.0 : 1.0;
  const long magnitude = static_cast<long>(fmpz_bits(&num_)) - static_cast<long>(fmpz_bits(&den_));
  if (magnitude > 1100) return s * HUGE_VAL;
  if (magnitude < -1100) return s * 0.0;
  // q = floor(|num| 2^k / den) has 55 or 56 bits; sticky tells whether anything was cut.
  const long k = 55 - magnitude;
  Fmpz a, q, rem;
  fmpz_abs(a.get(), &num_);
  if (k >= 0) {
    fmpz_mul_2exp(a.get(), a.get(), static_cast<ulong>(k));
    fmpz_fdiv_qr(q.get(), rem.get(), a.get(), &den_);
  } else {
    Fmpz d;
    fmpz_mul_2exp(d.get(), &den_, static_cast<ulong>(-k));
    fmpz_fdiv_qr(q.get(), rem.get(), a.get(), d.get());
  }
  const bool sticky = !fmpz_is_zero(rem.get());
  // Keep 53 bits, fewer where the result is subnormal (its last bit is 2^-1074).
  long shift = static_cast<long>(fmpz_bits(q.get())) - 53;
  if (shift - k < -1074) shift = k - 1074;
  if (shift > 0) {
    const bool half = fmpz_tstbit(q.get(), static_cast<ulong>(shift - 1));
    bool below = sticky;
    for (long bit = 0; bit < shift - 1 && !below; ++bit)
      below = fmpz_tstbit(q.get(), static_cast<ulong>(bit));
    fmpz_fdiv_q_2exp(q.get(), q.get(), static_cast<ulong>(shift));
    if (half && (below || fmpz_is_odd(q.get()))) fmpz_add_ui(q.get(), q.get(), 1);
  } else {
    shift = 0;
  }
  return s * std::ldexp(fmpz_get_d(q.get()), static_cast<int>(shift - k));
}

std::string Rational::text() const {
  std::string s;
  appendText(s);
  return s;
}

void Rational::appendText(std::string& out) const {
  appendInteger(out, &num_);
  if (den_ != 1) {
    out += '/';
    appendInteger(out, &den_);
  }
}

std::size_t Rational::textLength() const {
  std::size_t n = decimalLength(&num_) + (sign() < 0);
  if (den_ != 1) n += 1 + decimalLength(&den_);
  return n;
}

std::size_t Rational::numeratorBits() const {
  return fmpz_bits(&num_);
}

std::size_t Rational::denominatorBits() const {
  return fmpz_bits(&den_);
}

GaussRational& GaussRational::operator+=(const GaussRational& b) {
  re += b.re;
  im += b.im;
  return *this;
}

GaussRational& GaussRational::operator-=(const GaussRational& b) {
  re -= b.re;
  im -= b.im;
  return *this;
}

GaussRational& GaussRational::operator*=(const GaussRational& b) {
  if (im.isZero() && b.im.isZero()) {
    re *= b.re;
    return *this;
  }
  Rational r = re * b.re - im * b.im;
  im = re * b.im + im * b.re;
  re = std::move(r);
  return *this;
}

GaussRational& GaussRational::operator/=(const GaussRational& b) {
  if (b.im.isZero()) {
    re /= b.re;
    if (!im.isZero()) im /= b.re;
    return *this;
  }
  const Rational q = b.re * b.re + b.im * b.im;
  Rational r = (re * b.re + im * b.im) / q;
  im = (im * b.re - re * b.im) / q;
  re = std::move(r);
  return *this;
}

std::string GaussRational::text() const {
  std::string s;
  appendText(s);
  return s;
}

void GaussRational::appendText(std::string& out) const {
  if (im.isZero()) {
    re.appendText(out);
    return;
  }
  if (!re.isZero()) {
    re.appendText(out);
    if (im.sign() > 0) out += '+';
  }
  if (im.isOne()) {
    out += 'i';
  } else if (im == Rational(-1)) {
    out += "-i";
  } else {
    im.appendText(out);
    out += 'i';
  }
}

std::size_t GaussRational::textLength() const {
  if (im.isZero()) return re.textLength();
  std::size_t n = 1;  // the i
  if (!re.isZero()) n += re.textLength() + (im.sign() > 0);
  if (!im.isOne()) n += im == Rational(-1) ? 1 : im.textLength();
  return n;
}

}  // namespace kelvaro::exact
