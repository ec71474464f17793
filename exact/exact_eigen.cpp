#include "exact/exact_eigen.h"

#include <flint/fmpz.h>
#include <flint/fmpz_factor.h>
#include <flint/fmpz_poly.h>
#include <flint/fmpz_poly_factor.h>

#include <algorithm>
#include <cmath>
#include <tuple>

#include "exact/algebraic_roots.h"
#include "exact/exact_algebra.h"
#include "exact/exact_text.h"
#include "exact/flint_support.h"
#include "exact/isolation.h"

namespace kelvaro::exact {

namespace {

// n = s^2 m. Below 2^96 m is free of squares; above, the squares of primes below 27449 and
// a square cofactor are taken out (a full factorisation could take minutes).
void splitSquare(const fmpz* n, Fmpz& s, Fmpz& m) {
  if (fmpz_is_zero(n)) {  // 0 = 0^2 * 0: no prime of its own to take out
    fmpz_zero(s.get());
    fmpz_zero(m.get());
    return;
  }
  fmpz_one(s.get());
  fmpz_one(m.get());
  Fmpz a, rest, t;
  fmpz_abs(a.get(), n);
  fmpz_factor_t f;
  fmpz_factor_init(f);
  if (fmpz_bits(a.get()) <= 96) {
    fmpz_factor(f, a.get());
    fmpz_one(rest.get());
  } else {
    fmpz_factor_trial_range(f, a.get(), 0, 3000);
    fmpz_set(rest.get(), a.get());
    for (long i = 0; i < f->num; ++i) {
      fmpz_pow_ui(t.get(), f->p + i, f->exp[i]);
      fmpz_divexact(rest.get(), rest.get(), t.get());
    }
  }
  for (long i = 0; i < f->num; ++i) {
    fmpz_pow_ui(t.get(), f->p + i, f->exp[i] / 2);
    fmpz_mul(s.get(), s.get(), t.get());
    if (f->exp[i] % 2) fmpz_mul(m.get(), m.get(), f->p + i);
  }
  fmpz_factor_clear(f);
  if (fmpz_is_square(rest.get())) {
    fmpz_sqrt(t.get(), rest.get());
    fmpz_mul(s.get(), s.get(), t.get());
  } else {
    fmpz_mul(m.get(), m.get(), rest.get());
  }
  if (fmpz_sgn(n) < 0) fmpz_neg(m.get(), m.get());
}

std::string integerText(const fmpz* f) {
  Rational q;
  fmpz_set(fmpq_numref(fq(q)), f);
  return q.text();
}

Rational toRational(const fmpz* num, const fmpz* den) {
  Rational q;
  fmpq_set_fmpz_frac(fq(q), num, den);
  return q;
}

double approx(const fmpz* f) {
  return toRational(f, Fmpz(1).get()).toDouble();
}

// s sqrt(m) as people write it: "3*sqrt(5)", "sqrt(5)", "i", "2i*sqrt(3)".
std::string rootText(const Fmpz& s, const Fmpz& m) {
  Fmpz a;
  fmpz_abs(a.get(), m.get());
  std::string factor = fmpz_is_one(s.get()) ? "" : integerText(s.get());
  if (fmpz_sgn(m.get()) < 0) factor += "i";
  if (fmpz_is_one(a.get())) return factor.empty() ? "1" : factor;
  return factor + (factor.empty() ? "" : "*") + "sqrt(" + integerText(a.get()) + ")";
}

// The roots of a x^2 + b x + c (a > 0, irreducible): (p +- s*sqrt(m))/r in lowest terms.
EigenvalueLine quadraticLine(const fmpz* c, const fmpz* b, const fmpz* a) {
  Fmpz disc, t, s, m, g, p, r;
  fmpz_mul(disc.get(), b, b);
  fmpz_mul(t.get(), a, c);
  fmpz_submul_ui(disc.get(), t.get(), 4);
  splitSquare(disc.get(), s, m);
  fmpz_neg(p.get(), b);
  fmpz_mul_ui(r.get(), a, 2);
  fmpz_gcd(g.get(), p.get(), s.get());
  fmpz_gcd(g.get(), g.get(), r.get());
  fmpz_divexact(p.get(), p.get(), g.get());
  fmpz_divexact(s.get(), s.get(), g.get());
  fmpz_divexact(r.get(), r.get(), g.get());
  EigenvalueLine line;
  const std::string root = rootText(s, m);
  const bool plain = fmpz_is_zero(p.get());
  std::string head = plain ? "+-" + root : integerText(p.get()) + " +- " + root;
  if (fmpz_is_one(r.get()))
    line.text = head;
  else if (plain)
    line.text = head + "/" + integerText(r.get());
  else
    line.text = "(" + head + ")/" + integerText(r.get());
  const double mid = approx(p.get()) / approx(r.get());
  const double half = approx(s.get()) * std::sqrt(std::fabs(approx(m.get()))) / approx(r.get());
  if (fmpz_sgn(m.get()) > 0) {
    line.re = {mid - half, mid + half};
    line.im = {0, 0};
  } else {
    line.re = {mid, mid};
    line.im = {-half, half};
  }
  return line;
}

// The sign of n, or 0 when an enclosure [lo, hi] straddles zero.
int enclosedSign(const Rational& lo, const Rational& hi) {
  return lo.sign() > 0 ? 1 : hi.sign() < 0 ? -1 : 0;
}

// A root of higher degree as decimals: enclosures at rising precision until both ends of
// each part round to the same digits (a part that is exactly zero is asked for directly).
EigenvalueLine decimalLine(const kelvaro_roots* roots, long k, char point, int digits) {
  std::string parts[2];
  bool done[2] = {false, false};
  Rational lo[2], hi[2];
  for (long prec = 64; prec <= 16384 && !(done[0] && done[1]); prec *= 2) {
    kelvaro_root_enclosure(roots, k, prec, fq(lo[0]), fq(hi[0]), fq(lo[1]), fq(hi[1]));
    for (int part = 0; part < 2; ++part) {
      if (done[part]) continue;
      if (enclosedSign(lo[part], hi[part]) == 0 && kelvaro_root_sign(roots, k, part) == 0) {
        parts[part] = "0";
        done[part] = true;
        continue;
      }
      const std::string a = decimalText(lo[part], digits, point);
      if (a == decimalText(hi[part], digits, point)) {
        parts[part] = a;
        done[part] = true;
      }
    }
  }
  EigenvalueLine line;
  line.exact = false;
  for (int part = 0; part < 2; ++part)
    if (!done[part]) parts[part] = decimalText((lo[part] + hi[part]) / Rational(2), digits, point);
  line.text = "~";
  if (parts[1] == "0") {
    line.text += parts[0];
  } else {
    if (parts[0] != "0") line.text += parts[0] + (parts[1][0] == '-' ? "" : "+");
    line.text += parts[1] + "i";
  }
  line.re = {((lo[0] + hi[0]) / Rational(2)).toDouble()};
  line.im = {parts[1] == "0" ? 0.0 : ((lo[1] + hi[1]) / Rational(2)).toDouble()};
  return line;
}

class Roots {
 public:
  explicit Roots(kelvaro_roots* r) : r_(r) {}
  Roots(const Roots&) = delete;
  Roots& operator=(const Roots&) = delete;
  ~Roots() { kelvaro_roots_free(r_); }
  kelvaro_roots* get() const { return r_; }

 private:
  kelvaro_roots* r_;
};

EigenvalueLine gaussianLine(const GaussRational& v) {
  EigenvalueLine line;
  line.text = v.text();
  line.re = {v.re.toDouble()};
  line.im = {v.im.toDouble()};
  return line;
}

// Clears the denominators of the coefficients (highest first) into integer polynomials.
void integerPolys(const std::vector<GaussRational>& coeffs, fmpz_poly_t re, fmpz_poly_t im) {
  Fmpz d(1);
  for (const GaussRational& c : coeffs) {
    fmpz_lcm(d.get(), d.get(), fmpq_denref(fq(c.re)));
    fmpz_lcm(d.get(), d.get(), fmpq_denref(fq(c.im)));
  }
  const long n = static_cast<long>(coeffs.size()) - 1;
  Fmpz t;
  for (long i = 0; i <= n; ++i) {
    const GaussRational& c = coeffs[static_cast<std::size_t>(n - i)];
    fmpz_divexact(t.get(), d.get(), fmpq_denref(fq(c.re)));
    fmpz_mul(t.get(), t.get(), fmpq_numref(fq(c.re)));
    fmpz_poly_set_coeff_fmpz(re, i, t.get());
    fmpz_divexact(t.get(), d.get(), fmpq_denref(fq(c.im)));
    fmpz_mul(t.get(), t.get(), fmpq_numref(fq(c.im)));
    fmpz_poly_set_coeff_fmpz(im, i, t.get());
  }
}

void realEigenvalues(const fmpz_poly_t p, char point, int digits,
                     std::vector<EigenvalueLine>& lines, const Work& work) {
  fmpz_poly_factor_t f;
  fmpz_poly_factor_init(f);
  fmpz_poly_factor(f, p);
  for (long i = 0; i < f->num; ++i) {
    work.check();
    const fmpz_poly_struct* g = f->p + i;
    const fmpz* c = g->coeffs;
    const long degree = fmpz_poly_degree(g);
    const int multiplicity = static_cast<int>(f->exp[i]);
    // Leading coefficient positive.
    const bool flip = fmpz_sgn(c + degree) < 0;
    Fmpz c0, c1, c2;
    if (degree <= 2) {
      fmpz_set(c0.get(), c);
      fmpz_set(c1.get(), c + 1);
      if (degree == 2) fmpz_set(c2.get(), c + 2);
      if (flip) {
        fmpz_neg(c0.get(), c0.get());
        fmpz_neg(c1.get(), c1.get());
        fmpz_neg(c2.get(), c2.get());
      }
    }
    if (degree == 1) {
      Fmpz num;
      fmpz_neg(num.get(), c0.get());
      EigenvalueLine line = gaussianLine(GaussRational(toRational(num.get(), c1.get())));
      line.multiplicity = multiplicity;
      lines.push_back(std::move(line));
    } else if (degree == 2) {
      EigenvalueLine line = quadraticLine(c0.get(), c1.get(), c2.get());
      line.multiplicity = multiplicity;
      lines.push_back(std::move(line));
    } else {
      const Roots roots(kelvaro_roots_of_irreducible(g));
      for (long k = 0; k < kelvaro_roots_count(roots.get()); ++k) {
        work.check();
        EigenvalueLine line = decimalLine(roots.get(), k, point, digits);
        line.multiplicity = multiplicity;
        lines.push_back(std::move(line));
      }
    }
  }
  fmpz_poly_factor_clear(f);
}

void gaussianEigenvalues(const fmpz_poly_t re, const fmpz_poly_t im, char point, int digits,
                         std::vector<EigenvalueLine>& lines, const Work& work) {
  const Roots roots(kelvaro_roots_of_gaussian(re, im));
  const long count = kelvaro_roots_count(roots.get());
  std::vector<bool> used(static_cast<std::size_t>(count), false);
  for (long k = 0; k < count; ++k) {
    work.check();
    if (used[static_cast<std::size_t>(k)]) continue;
    const int multiplicity = static_cast<int>(kelvaro_root_multiplicity(roots.get(), k));
    GaussRational v, s, t;
    if (kelvaro_root_gaussian_rational(roots.get(), k, fq(v.re), fq(v.im))) {
      EigenvalueLine line = gaussianLine(v);
      line.multiplicity = multiplicity;
      lines.push_back(std::move(line));
      continue;
    }
    const long j =
        kelvaro_root_quadratic_partner(roots.get(), k, fq(s.re), fq(s.im), fq(t.re), fq(t.im));
    if (j >= 0) {
      used[static_cast<std::size_t>(j)] = true;
      // The roots of x^2 - s x + t: (s +- sqrt(s^2 - 4t))/2.
      const GaussRational disc = s * s - GaussRational(Rational(4)) * t;
      EigenvalueLine line;
      const std::string root = "sqrt(" + disc.text() + ")";
      line.text = s.isZero() ? "+-" + root + "/2" : "(" + s.text() + " +- " + root + ")/2";
      for (long index : {k, j}) {
        const EigenvalueLine one = decimalLine(roots.get(), index, point, digits);
        line.re.push_back(one.re[0]);
        line.im.push_back(one.im[0]);
      }
      line.multiplicity = multiplicity;
      lines.push_back(std::move(line));
      continue;
    }
    EigenvalueLine line = decimalLine(roots.get(), k, point, digits);
    line.multiplicity = multiplicity;
    lines.push_back(std::move(line));
  }
}

std::vector<EigenvalueLine> eigenInProcess(const ExactMatrix& a, char point, int digits,
                                           const Work& work) {
  std::vector<EigenvalueLine> lines;
  if (a.rows() == 0) return lines;
  const std::vector<GaussRational> coeffs = characteristicPolynomial(a, work);
  fmpz_poly_t re, im;
  fmpz_poly_init(re);
  fmpz_poly_init(im);
  integerPolys(coeffs, re, im);
  try {
    if (fmpz_poly_is_zero(im))
      realEigenvalues(re, point, digits, lines, work);
    else
      gaussianEigenvalues(re, im, point, digits, lines, work);
  } catch (...) {
    fmpz_poly_clear(re);
    fmpz_poly_clear(im);
    throw;
  }
  fmpz_poly_clear(re);
  fmpz_poly_clear(im);
  const auto rankOf = [](const EigenvalueLine& l) {
    return !l.exact ? 2 : l.re.size() > 1 ? 1 : 0;
  };
  std::stable_sort(lines.begin(), lines.end(),
                   [&](const EigenvalueLine& x, const EigenvalueLine& y) {
                     return std::make_tuple(rankOf(x), x.re[0], x.im[0]) <
                            std::make_tuple(rankOf(y), y.re[0], y.im[0]);
                   });
  return lines;
}

}  // namespace

void put(ByteWriter& w, const EigenvalueLine& l) {
  put(w, l.text);
  put(w, l.exact);
  put(w, l.multiplicity);
  put(w, l.re);
  put(w, l.im);
}

void get(ByteReader& r, EigenvalueLine& l) {
  get(r, l.text);
  get(r, l.exact);
  get(r, l.multiplicity);
  get(r, l.re);
  get(r, l.im);
}

std::vector<EigenvalueLine> exactEigenvalues(const ExactMatrix& a, char point, int digits,
                                             const Work& work) {
  // Root isolation can take a while even for small matrices: a child from order 4 on.
  const double cost = a.rows() >= 4 ? 1e9 : 0;
  return runExact<std::vector<EigenvalueLine>>(
      work, cost, [&](const Work& w) { return eigenInProcess(a, point, digits, w); });
}

NormText exactNorm(const ExactMatrix& a, char point, int digits) {
  Rational sum;
  for (const Rational& q : a.realParts()) sum += q * q;
  for (const Rational& q : a.imagParts()) sum += q * q;
  // sqrt(n/d) = sqrt(n d)/d = s sqrt(m)/d.
  const fmpq* f = fq(sum);
  Fmpz nd, s, m, g, d;
  fmpz_mul(nd.get(), fmpq_numref(f), fmpq_denref(f));
  splitSquare(nd.get(), s, m);
  fmpz_set(d.get(), fmpq_denref(f));
  fmpz_gcd(g.get(), s.get(), d.get());
  fmpz_divexact(s.get(), s.get(), g.get());
  fmpz_divexact(d.get(), d.get(), g.get());
  NormText norm;
  if (fmpz_is_one(m.get()) || fmpz_is_zero(m.get())) {
    const Rational exact = fmpz_is_zero(m.get()) ? Rational() : toRational(s.get(), d.get());
    norm.root = exact.text();
    norm.decimals = decimalText(exact, digits, point);
    norm.value = exact.toDouble();
    return norm;
  }
  norm.root = rootText(s, m) + (fmpz_is_one(d.get()) ? "" : "/" + integerText(d.get()));
  // floor(sqrt(sum) 10^k) / 10^k and the next step bound the root; k grows until both round
  // to the same digits.
  const double magnitude =
      (static_cast<double>(sum.numeratorBits()) - static_cast<double>(sum.denominatorBits())) *
      0.150515;
  for (long k = digits + 4 - static_cast<long>(magnitude);; k += digits) {
    const Rational scaled = sum * Rational::fromDecimal("1", 2 * k);
    Fmpz floorScaled, root;
    fmpz_fdiv_q(floorScaled.get(), fmpq_numref(fq(scaled)), fmpq_denref(fq(scaled)));
    fmpz_sqrt(root.get(), floorScaled.get());
    const Rational step = Rational::fromDecimal("1", -k);
    const Rational lo = toRational(root.get(), Fmpz(1).get()) * step;
    const std::string a = decimalText(lo, digits, point);
    if (a == decimalText(lo + step, digits, point)) {
      norm.decimals = a;
      norm.value = lo.toDouble();
      return norm;
    }
  }
}

}  // namespace kelvaro::exact
