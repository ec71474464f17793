#include "exact/exact_bounds.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "exact/exact_algebra.h"
#include "exact/flint_support.h"

namespace kelvaro::exact {

namespace {

constexpr double kLog2Of10 = 3.3219280948873623;

// log2 of the row's denominators' lcm and of the Euclidean norm of the row once multiplied
// by it (both from above).
struct RowSize {
  double denominatorBits = 0;
  double normBits = 0;
  double largestBits = 0;  // of one integer entry
};

std::vector<RowSize> rowSizes(const ExactMatrix& a) {
  std::vector<RowSize> rows(static_cast<std::size_t>(a.rows()));
  Fmpz lcm;
  for (int r = 0; r < a.rows(); ++r) {
    fmpz_one(lcm.get());
    double largest = 0;
    for (int c = 0; c < a.cols(); ++c) {
      fmpz_lcm(lcm.get(), lcm.get(), fmpq_denref(fq(a.re(r, c))));
      if (a.isComplex()) fmpz_lcm(lcm.get(), lcm.get(), fmpq_denref(fq(a.im(r, c))));
    }
    const double d = static_cast<double>(fmpz_bits(lcm.get()));
    for (int c = 0; c < a.cols(); ++c) {
      double bits = static_cast<double>(a.re(r, c).numeratorBits());
      if (a.isComplex())
        bits = std::max(bits, static_cast<double>(a.im(r, c).numeratorBits())) + 0.5;
      largest = std::max(largest, bits + d);
    }
    RowSize& s = rows[static_cast<std::size_t>(r)];
    s.denominatorBits = d;
    s.largestBits = largest;
    s.normBits = largest + 0.5 * std::log2(std::max(1, a.cols()));
  }
  return rows;
}

double hadamardBits(const std::vector<RowSize>& rows) {
  double bits = 0;
  for (const RowSize& r : rows) bits += std::max(0.0, r.normBits);
  return bits;
}

// Characters of `entries` numbers of at most `bits` bits above and below the fraction bar
// together, each in a cell of at least ten characters after a blank (sign and bar, and for
// complex entries both parts and the i), and a line break per entry at most.
std::uint64_t textSize(double entries, double bits, bool complex) {
  const double perPart = bits / kLog2Of10 + 4;
  const double total = entries * (std::max(10.0, complex ? 2 * perPart + 2 : perPart) + 2);
  if (!(total < 1.8e19)) return std::numeric_limits<std::uint64_t>::max();
  return static_cast<std::uint64_t>(total) + 1;
}

double entries(const ExactMatrix& a) {
  return static_cast<double>(a.rows()) * static_cast<double>(a.cols());
}

}  // namespace

std::uint64_t productSizeBound(const ExactMatrix& a, const ExactMatrix& b) {
  const std::vector<RowSize> ra = rowSizes(a), cb = rowSizes(transpose(b, Work{}));
  double num = 0, den = 0;
  for (const RowSize& r : ra) {
    num = std::max(num, r.largestBits);
    den = std::max(den, r.denominatorBits);
  }
  double numB = 0, denB = 0;
  for (const RowSize& c : cb) {
    numB = std::max(numB, c.largestBits);
    denB = std::max(denB, c.denominatorBits);
  }
  const double bits = std::log2(std::max(1, a.cols())) + 1 + num + numB + den + denB;
  return textSize(static_cast<double>(a.rows()) * b.cols(), bits, a.isComplex() || b.isComplex());
}

// (d a)^x, d the lcm of a's denominators, is an integer matrix with entries at most
// ||d a||_inf^x (|p+qi| <= |p| + |q|); a^x is it over d^x.
std::uint64_t powerSizeBound(const ExactMatrix& a, std::uint64_t x) {
  Fmpz d(1);
  for (const Rational& q : a.realParts()) fmpz_lcm(d.get(), d.get(), fmpq_denref(fq(q)));
  for (const Rational& q : a.imagParts()) fmpz_lcm(d.get(), d.get(), fmpq_denref(fq(q)));
  Rational widest;
  for (int r = 0; r < a.rows(); ++r) {
    Rational sum;
    for (int c = 0; c < a.cols(); ++c) sum += a.re(r, c).abs() + a.im(r, c).abs();
    widest = std::max(widest, sum);
  }
  const double ln2 = std::log(2.0);
  const double dBits = fmpz_dlog(d.get()) / ln2;
  double normBits = 0;
  if (!widest.isZero())
    normBits = (fmpz_dlog(fmpq_numref(fq(widest))) - fmpz_dlog(fmpq_denref(fq(widest)))) / ln2;
  // The logarithms are rounded to a few units in their last place: a billionth more covers it.
  const double perPower = (std::max(0.0, normBits + dBits) + dBits) * (1 + 1e-9);
  return textSize(entries(a), perPower * static_cast<double>(x) + 1, a.isComplex());
}

std::uint64_t determinantSizeBound(const ExactMatrix& a) {
  const std::vector<RowSize> rows = rowSizes(a);
  double den = 0;
  for (const RowSize& r : rows) den += r.denominatorBits;
  return textSize(1, hadamardBits(rows) + den, a.isComplex());
}

std::uint64_t inverseSizeBound(const ExactMatrix& a) {
  const std::vector<RowSize> rows = rowSizes(a);
  double den = 0;
  for (const RowSize& r : rows) den = std::max(den, r.denominatorBits);
  return textSize(entries(a), 2 * hadamardBits(rows) + den, a.isComplex());
}

std::uint64_t echelonSizeBound(const ExactMatrix& a) {
  return textSize(entries(a), 2 * hadamardBits(rowSizes(a)), a.isComplex());
}

std::uint64_t charpolySizeBound(const ExactMatrix& a) {
  const std::vector<RowSize> rows = rowSizes(a);
  double norm = 0, den = 0;
  for (const RowSize& r : rows) {
    norm = std::max(norm, r.normBits);
    den += r.denominatorBits;
  }
  const double n = std::max(1, a.rows());
  const double bits = n * (1 + std::max(0.0, norm)) + den;
  return textSize(3 * (n + 1), bits, a.isComplex());
}

}  // namespace kelvaro::exact
