#include "exact/enclosures.h"

#include <acb_mat.h>
#include <arb_mat.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <numeric>

#include "exact/flint_support.h"
#include "exact/isolation.h"

namespace kelvaro::exact {

namespace {

// Ball vectors and matrices that clear themselves with their scope.
class ArbVec {
 public:
  explicit ArbVec(long n) : v_(_arb_vec_init(n)), n_(n) {}
  ArbVec(const ArbVec&) = delete;
  ArbVec& operator=(const ArbVec&) = delete;
  ~ArbVec() { _arb_vec_clear(v_, n_); }
  arb_ptr get() { return v_; }
  arb_ptr operator[](long i) { return v_ + i; }

 private:
  arb_ptr v_;
  long n_;
};

class AcbVec {
 public:
  explicit AcbVec(long n) : v_(_acb_vec_init(n)), n_(n) {}
  AcbVec(const AcbVec&) = delete;
  AcbVec& operator=(const AcbVec&) = delete;
  ~AcbVec() { _acb_vec_clear(v_, n_); }
  acb_ptr get() { return v_; }
  acb_ptr operator[](long i) { return v_ + i; }

 private:
  acb_ptr v_;
  long n_;
};

class ArbMat {
 public:
  ArbMat(long rows, long cols) { arb_mat_init(m_, rows, cols); }
  ArbMat(const ArbMat&) = delete;
  ArbMat& operator=(const ArbMat&) = delete;
  ~ArbMat() { arb_mat_clear(m_); }
  arb_mat_struct* get() { return m_; }
  arb_ptr at(long r, long c) { return arb_mat_entry(m_, r, c); }

 private:
  arb_mat_t m_;
};

class AcbMat {
 public:
  AcbMat(long rows, long cols) { acb_mat_init(m_, rows, cols); }
  AcbMat(const AcbMat&) = delete;
  AcbMat& operator=(const AcbMat&) = delete;
  ~AcbMat() { acb_mat_clear(m_); }
  acb_mat_struct* get() { return m_; }
  acb_ptr at(long r, long c) { return acb_mat_entry(m_, r, c); }

 private:
  acb_mat_t m_;
};

class Arb {
 public:
  Arb() { arb_init(x_); }
  Arb(const Arb&) = delete;
  Arb& operator=(const Arb&) = delete;
  ~Arb() { arb_clear(x_); }
  arb_ptr get() { return x_; }

 private:
  arb_t x_;
};

class Mag {
 public:
  Mag() { mag_init(x_); }
  Mag(const Mag&) = delete;
  Mag& operator=(const Mag&) = delete;
  ~Mag() { mag_clear(x_); }
  mag_ptr get() { return x_; }

 private:
  mag_t x_;
};

Rational timesPowerOfTwo(const fmpz* m, const fmpz* e) {
  Rational q;
  fmpq_set_fmpz_frac(fq(q), m, Fmpz(1).get());
  const long exponent = fmpz_get_si(e);
  if (exponent >= 0)
    fmpq_mul_2exp(fq(q), fq(q), static_cast<ulong>(exponent));
  else
    fmpq_div_2exp(fq(q), fq(q), static_cast<ulong>(-exponent));
  return q;
}

Enclosure enclosureOf(const arb_t x) {
  Enclosure e;
  if (!arb_is_finite(x)) return e;
  Fmpz lo, hi, exponent;
  arb_get_interval_fmpz_2exp(lo.get(), hi.get(), exponent.get(), x);
  e.lo = timesPowerOfTwo(lo.get(), exponent.get());
  e.hi = timesPowerOfTwo(hi.get(), exponent.get());
  e.known = true;
  return e;
}

Enclosure exactly(const Rational& x) {
  return {x, x, true};
}

void setReal(ArbMat& out, const ExactMatrix& a, long precision) {
  for (int r = 0; r < a.rows(); ++r)
    for (int c = 0; c < a.cols(); ++c) arb_set_fmpq(out.at(r, c), fq(a.re(r, c)), precision);
}

double cubeCost(const ExactMatrix& a, long precision) {
  const double n = std::max(a.rows(), a.cols());
  return n * n * n * 20 * static_cast<double>(precision / 64 + 1);
}

// Right eigenvectors for computed eigenvalues, by inverse iteration in doubles: a guide for
// the enclosure, far cheaper than an eigenvector iteration in ball arithmetic.
std::vector<std::complex<double>> approximateEigenvectors(
    const ExactMatrix& a, const std::vector<std::complex<double>>& values) {
  using C = std::complex<double>;
  const long n = a.rows();
  std::vector<C> vectors(static_cast<std::size_t>(n * n));
  double norm = 0;
  for (int r = 0; r < n; ++r)
    for (int c = 0; c < n; ++c) norm = std::max(norm, std::abs(a.re(r, c).toDouble()));
  const double tiny = std::max(norm, 1.0) * 1e-14;
  std::vector<C> m(static_cast<std::size_t>(n * n)), x(static_cast<std::size_t>(n));
  std::vector<long> pivot(static_cast<std::size_t>(n));
  const auto at = [n](std::vector<C>& v, long r, long c) -> C& {
    return v[static_cast<std::size_t>(r * n + c)];
  };
  for (long k = 0; k < n; ++k) {
    // m = a - lambda, its LU factors with partial pivoting; a zero pivot made tiny.
    for (int r = 0; r < n; ++r)
      for (int c = 0; c < n; ++c) at(m, r, c) = a.re(r, c).toDouble() - (r == c ? values[k] : 0.0);
    for (long j = 0; j < n; ++j) {
      long best = j;
      for (long i = j + 1; i < n; ++i)
        if (std::abs(at(m, i, j)) > std::abs(at(m, best, j))) best = i;
      pivot[j] = best;
      if (best != j)
        for (long c = 0; c < n; ++c) std::swap(at(m, j, c), at(m, best, c));
      if (std::abs(at(m, j, j)) < tiny) at(m, j, j) = tiny;
      for (long i = j + 1; i < n; ++i) {
        const C f = at(m, i, j) / at(m, j, j);
        at(m, i, j) = f;
        for (long c = j + 1; c < n; ++c) at(m, i, c) -= f * at(m, j, c);
      }
    }
    for (long i = 0; i < n; ++i) x[i] = 1.0 + 0.5 * std::sin(static_cast<double>(i + 1));
    for (int step = 0; step < 2; ++step) {
      for (long j = 0; j < n; ++j) {
        std::swap(x[j], x[pivot[j]]);
        for (long i = j + 1; i < n; ++i) x[i] -= at(m, i, j) * x[j];
      }
      for (long j = n - 1; j >= 0; --j) {
        for (long c = j + 1; c < n; ++c) x[j] -= at(m, j, c) * x[c];
        x[j] /= at(m, j, j);
      }
      double size = 0;
      for (const C& v : x) size = std::max(size, std::abs(v));
      if (!(size > 0) || !std::isfinite(size)) break;
      for (C& v : x) v /= size;
    }
    for (long i = 0; i < n; ++i) vectors[static_cast<std::size_t>(i * n + k)] = x[i];
  }
  return vectors;
}

EigenvalueEnclosures eigenvaluesInProcess(const ExactMatrix& a,
                                          const std::vector<std::complex<double>>& computed,
                                          long precision) {
  const long n = a.rows();
  EigenvalueEnclosures out;
  ArbMat real(n, n);
  setReal(real, a, precision);
  AcbMat m(n, n), vectors(n, n);
  acb_mat_set_arb_mat(m.get(), real.get());
  AcbVec values(n), approx(n);
  bool found = false;
  if (precision <= 64 && static_cast<long>(computed.size()) == n) {
    // The computed eigenvalues, with vectors to match, are enough at about double precision.
    const std::vector<std::complex<double>> guess = approximateEigenvectors(a, computed);
    for (long k = 0; k < n; ++k) {
      acb_set_d_d(approx[k], computed[k].real(), computed[k].imag());
      for (long i = 0; i < n; ++i) {
        const std::complex<double> v = guess[static_cast<std::size_t>(i * n + k)];
        acb_set_d_d(vectors.at(i, k), v.real(), v.imag());
      }
    }
    found = acb_mat_eig_simple(values.get(), nullptr, nullptr, m.get(), approx.get(), vectors.get(),
                               precision);
  }
  if (!found) {
    acb_mat_approx_eig_qr(approx.get(), nullptr, vectors.get(), m.get(), nullptr, 0, precision);
    found = acb_mat_eig_simple(values.get(), nullptr, nullptr, m.get(), approx.get(), vectors.get(),
                               precision);
  }
  if (!found) return out;
  for (long i = 0; i < n; ++i)
    for (long j = i + 1; j < n; ++j)
      if (acb_overlaps(values[i], values[j])) return out;
  out.separated = true;
  AcbVec mirror(1);
  for (long i = 0; i < n; ++i) {
    // The mirror image of a real matrix's eigenvalue is one too; when the mirror of this
    // interval meets no other, it holds this eigenvalue's mirror, which must be itself.
    bool real = arb_contains_zero(acb_imagref(values[i]));
    acb_conj(mirror[0], values[i]);
    for (long j = 0; j < n && real; ++j)
      if (j != i && acb_overlaps(mirror[0], values[j])) real = false;
    out.re.push_back(enclosureOf(acb_realref(values[i])));
    out.im.push_back(real ? exactly(Rational()) : enclosureOf(acb_imagref(values[i])));
    out.real.push_back(real);
  }
  return out;
}

// The enclosure of the unit eigenvector of symmetric g near x (n entries) for the eigenvalue
// that is not in `others`, which hold all the others: with the Rayleigh quotient rho of x and
// the residual r = g x - rho x, sin(angle(x, v)) <= |r| / min |lambda_j - rho|, and then
// |v - x| <= sqrt(2) sin(angle) for the v whose sign makes the angle acute.
bool enclosedEigenvector(arb_mat_struct* g, arb_srcptr x, long n,
                         const std::vector<arb_srcptr>& others, ArbVec& v, long precision) {
  ArbVec y(n);
  Arb norm, rho, t;
  arb_dot(norm.get(), nullptr, 0, x, 1, x, 1, n, precision);
  arb_sqrtpos(norm.get(), norm.get(), precision);
  if (!arb_is_positive(norm.get())) return false;
  for (long i = 0; i < n; ++i) arb_div(v[i], x + i, norm.get(), precision);
  for (long i = 0; i < n; ++i)
    arb_dot(y[i], nullptr, 0, arb_mat_entry(g, i, 0), 1, v.get(), 1, n, precision);
  arb_dot(rho.get(), nullptr, 0, v.get(), 1, y.get(), 1, n, precision);
  for (long i = 0; i < n; ++i) arb_submul(y[i], rho.get(), v[i], precision);
  arb_dot(t.get(), nullptr, 0, y.get(), 1, y.get(), 1, n, precision);
  arb_sqrtpos(t.get(), t.get(), precision);
  Mag residual, gap, d, sine;
  arb_get_mag(residual.get(), t.get());
  mag_inf(gap.get());
  for (arb_srcptr other : others) {
    Arb difference;
    arb_sub(difference.get(), other, rho.get(), precision);
    arb_get_mag_lower(d.get(), difference.get());
    mag_min(gap.get(), gap.get(), d.get());
  }
  if (mag_is_zero(gap.get())) return false;
  mag_div(sine.get(), residual.get(), gap.get());
  if (mag_cmp_2exp_si(sine.get(), -1) >= 0) return false;
  mag_mul_ui(sine.get(), sine.get(), 3);  // 3/2 > sqrt(2)
  mag_mul_2exp_si(sine.get(), sine.get(), -1);
  for (long i = 0; i < n; ++i) arb_add_error_mag(v[i], sine.get());
  return true;
}

void dropRadius(arb_t x) {
  mag_zero(arb_radref(x));
}

// Newton steps on approximate eigenpairs of symmetric g: the columns of x and the values d,
// each step about doubling their correct bits (the refinement of Ogita and Aishima; pairs
// whose values nearly agree are refined as a cluster).
void refineEigenpairs(arb_mat_struct* g, ArbMat& x, ArbVec& d, int steps, long precision) {
  const long p = arb_mat_nrows(g);
  ArbMat xt(p, p), gx(p, p), s(p, p), r(p, p), e(p, p), xe(p, p);
  Arb t, scale;
  for (int step = 0; step < steps; ++step) {
    arb_mat_transpose(xt.get(), x.get());
    arb_mat_approx_mul(r.get(), xt.get(), x.get(), precision);
    arb_mat_approx_mul(gx.get(), g, x.get(), precision);
    arb_mat_approx_mul(s.get(), xt.get(), gx.get(), precision);
    arb_zero(scale.get());
    for (long i = 0; i < p; ++i) {
      // r := I - x'x; d_i := s_ii / (1 - r_ii)
      for (long j = 0; j < p; ++j) arb_neg(r.at(i, j), r.at(i, j));
      arb_add_ui(r.at(i, i), r.at(i, i), 1, precision);
      arb_sub_ui(t.get(), r.at(i, i), 1, precision);
      arb_neg(t.get(), t.get());
      arb_div(d[i], s.at(i, i), t.get(), precision);
      dropRadius(d[i]);
      arb_abs(t.get(), d[i]);
      arb_max(scale.get(), scale.get(), t.get(), precision);
    }
    arb_mul_2exp_si(scale.get(), scale.get(), -30);
    for (long i = 0; i < p; ++i)
      for (long j = 0; j < p; ++j) {
        arb_sub(t.get(), d[j], d[i], precision);
        arb_abs(e.at(i, j), t.get());
        if (i != j && arb_gt(e.at(i, j), scale.get())) {
          arb_mul(e.at(i, j), d[j], r.at(i, j), precision);
          arb_add(e.at(i, j), e.at(i, j), s.at(i, j), precision);
          arb_div(e.at(i, j), e.at(i, j), t.get(), precision);
        } else {
          arb_mul_2exp_si(e.at(i, j), r.at(i, j), -1);
        }
        dropRadius(e.at(i, j));
      }
    arb_mat_approx_mul(xe.get(), x.get(), e.get(), precision);
    arb_mat_add(x.get(), x.get(), xe.get(), precision);
    for (long i = 0; i < p; ++i)
      for (long j = 0; j < p; ++j) dropRadius(x.at(i, j));
  }
}

SingularEnclosures singularInProcess(const ExactMatrix& a, const std::vector<double>& approxU,
                                     const std::vector<double>& approxValues,
                                     const std::vector<double>& approxV, long precision) {
  const long m = a.rows(), n = a.cols();
  const bool tall = m >= n;
  const long p = std::min(m, n);
  SingularEnclosures out;
  // a'a, whose eigenvectors are the rows of V, and aa', whose eigenvectors are the columns of
  // U; the smaller has the squares of the singular values as its eigenvalues, the larger as
  // many zeros besides.
  ArbMat am(m, n), at(n, m), gv(n, n), gu(m, m);
  setReal(am, a, precision);
  arb_mat_transpose(at.get(), am.get());
  arb_mat_mul(gv.get(), at.get(), am.get(), precision);
  arb_mat_mul(gu.get(), am.get(), at.get(), precision);
  arb_mat_struct* g = tall ? gv.get() : gu.get();

  // The computed vectors of the smaller side (rows of V, or columns of U) as columns of x,
  // refined to the precision.
  ArbMat x(p, p);
  ArbVec d(p);
  for (long k = 0; k < p; ++k) {
    const double s = k < static_cast<long>(approxValues.size()) ? approxValues[k] : 0.0;
    arb_set_d(d[k], s * s);
    for (long i = 0; i < p; ++i)
      arb_set_d(x.at(i, k), tall ? approxV[k * n + i] : approxU[i * m + k]);
  }
  int steps = 1;
  for (long bits = 64; bits < precision; bits *= 2) ++steps;
  refineEigenpairs(g, x, d, steps, precision);

  AcbMat gc(p, p), vectors(p, p);
  acb_mat_set_arb_mat(gc.get(), g);
  acb_mat_set_arb_mat(vectors.get(), x.get());
  AcbVec values(p), approx(p);
  for (long k = 0; k < p; ++k) acb_set_arb(approx[k], d[k]);
  if (!acb_mat_eig_multiple(values.get(), gc.get(), approx.get(), vectors.get(), precision))
    return out;
  // Runs of equal intervals are clusters; these eigenvalues are real, so clusters that do
  // not meet lie apart on the real line.
  struct Cluster {
    long first, size;
  };
  std::vector<Cluster> clusters;
  for (long k = 0; k < p; ++k)
    if (k > 0 && acb_equal(values[k], values[k - 1]))
      ++clusters.back().size;
    else
      clusters.push_back({k, 1});
  std::sort(clusters.begin(), clusters.end(), [&](const Cluster& x, const Cluster& y) {
    return arf_cmp(arb_midref(acb_realref(values[x.first])),
                   arb_midref(acb_realref(values[y.first]))) > 0;
  });
  out.certified = true;
  out.u.resize(p);
  out.v.resize(p);
  Arb sigma, zero, distance, nearest;
  ArbVec column(p), other(m > n ? m : n), v(n), u(m);
  for (const Cluster& cluster : clusters) {
    arb_srcptr lambda = acb_realref(values[cluster.first]);
    arb_sqrtpos(sigma.get(), lambda, precision);
    const long k = static_cast<long>(out.values.size());
    for (long i = 0; i < cluster.size; ++i) {
      out.values.push_back(enclosureOf(sigma.get()));
      out.cluster.push_back(static_cast<int>(cluster.size));
    }
    if (cluster.size != 1) continue;
    std::vector<arb_srcptr> others;
    for (const Cluster& c : clusters)
      if (c.first != cluster.first) others.push_back(acb_realref(values[c.first]));
    std::vector<arb_srcptr> othersAndZero = others;
    othersAndZero.push_back(zero.get());
    // The refined vector whose value lies nearest.
    long best = 0;
    for (long j = 0; j < p; ++j) {
      arb_sub(distance.get(), d[j], lambda, precision);
      arb_abs(distance.get(), distance.get());
      if (j == 0 || arf_cmp(arb_midref(distance.get()), arb_midref(nearest.get())) < 0) {
        best = j;
        arb_set(nearest.get(), distance.get());
      }
    }
    for (long i = 0; i < p; ++i) arb_set(column[i], x.at(i, best));
    // Its partner on the other side: a x / sigma, or a' x / sigma.
    arb_mat_struct* side = tall ? am.get() : at.get();
    const long otherSize = tall ? m : n;
    Arb root;
    arb_sqrtpos(root.get(), d[best], precision);
    for (long i = 0; i < otherSize; ++i) {
      arb_dot(other[i], nullptr, 0, arb_mat_entry(side, i, 0), 1, column.get(), 1, p, precision);
      if (arb_is_positive(root.get())) arb_div(other[i], other[i], root.get(), precision);
      dropRadius(other[i]);
    }
    arb_srcptr vGuess = tall ? column.get() : other.get();
    arb_srcptr uGuess = tall ? other.get() : column.get();
    // For a zero singular value the partner is no guess at all: the computed one is.
    ArbVec printedV(n), printedU(m);
    for (long i = 0; i < n; ++i) arb_set_d(printedV[i], approxV[k * n + i]);
    for (long i = 0; i < m; ++i) arb_set_d(printedU[i], approxU[i * m + k]);
    const std::vector<arb_srcptr>& besideV = n > m ? othersAndZero : others;
    const std::vector<arb_srcptr>& besideU = m > n ? othersAndZero : others;
    if (enclosedEigenvector(gv.get(), vGuess, n, besideV, v, precision) ||
        enclosedEigenvector(gv.get(), printedV.get(), n, besideV, v, precision))
      for (long i = 0; i < n; ++i) out.v[k].push_back(enclosureOf(v[i]));
    if (enclosedEigenvector(gu.get(), uGuess, m, besideU, u, precision) ||
        enclosedEigenvector(gu.get(), printedU.get(), m, besideU, u, precision))
      for (long i = 0; i < m; ++i) out.u[k].push_back(enclosureOf(u[i]));
  }
  return out;
}

std::optional<QrEnclosures> qrInProcess(const ExactMatrix& a, long precision) {
  const long m = a.rows(), n = a.cols();
  ArbMat r(m, n), q(m, m);
  setReal(r, a, precision);
  arb_mat_one(q.get());
  ArbVec v(m);
  Arb s, sigma, alpha, beta, t;
  const long steps = std::min(m - 2, n - 1);
  for (long k = 0; k <= steps; ++k) {
    const long len = m - k;
    arb_zero(s.get());
    for (long i = k; i < m; ++i) {
      arb_abs(t.get(), r.at(i, k));
      arb_add(s.get(), s.get(), t.get(), precision);
    }
    if (arb_is_zero(s.get())) continue;  // the routine skips a column zero from k down
    if (arb_contains_zero(s.get())) return std::nullopt;
    for (long i = k; i < m; ++i) arb_div(v[i - k], r.at(i, k), s.get(), precision);
    arb_dot(sigma.get(), nullptr, 0, v.get(), 1, v.get(), 1, len, precision);
    // A zero pivot counts as positive.
    int sign = 0;
    if (arb_is_nonnegative(v[0]))
      sign = 1;
    else if (arb_is_negative(v[0]))
      sign = -1;
    else
      return std::nullopt;
    arb_sqrtpos(alpha.get(), sigma.get(), precision);
    if (sign > 0) arb_neg(alpha.get(), alpha.get());
    arb_sub(v[0], v[0], alpha.get(), precision);
    arb_mul(beta.get(), alpha.get(), v[0], precision);
    arb_neg(beta.get(), beta.get());
    for (long j = k + 1; j < n; ++j) {
      arb_dot(t.get(), nullptr, 0, v.get(), 1, r.at(k, j), n, len, precision);
      arb_div(t.get(), t.get(), beta.get(), precision);
      for (long i = k; i < m; ++i) arb_submul(r.at(i, j), v[i - k], t.get(), precision);
    }
    for (long j = 0; j < m; ++j) {
      arb_dot(t.get(), nullptr, 0, v.get(), 1, q.at(k, j), m, len, precision);
      arb_div(t.get(), t.get(), beta.get(), precision);
      for (long i = k; i < m; ++i) arb_submul(q.at(i, j), v[i - k], t.get(), precision);
    }
    arb_mul(r.at(k, k), alpha.get(), s.get(), precision);
    for (long i = k + 1; i < m; ++i) arb_zero(r.at(i, k));
  }
  QrEnclosures out;
  for (long i = 0; i < m; ++i)
    for (long j = 0; j < m; ++j) out.q.push_back(enclosureOf(q.at(i, j)));
  for (long i = 0; i < m; ++i)
    for (long j = 0; j < n; ++j) out.r.push_back(enclosureOf(r.at(i, j)));
  return out;
}

}  // namespace

void put(ByteWriter& w, const Enclosure& e) {
  put(w, e.lo);
  put(w, e.hi);
  put(w, e.known);
}
void get(ByteReader& r, Enclosure& e) {
  get(r, e.lo);
  get(r, e.hi);
  get(r, e.known);
}
void put(ByteWriter& w, const EigenvalueEnclosures& e) {
  put(w, e.separated);
  put(w, e.re);
  put(w, e.im);
  put(w, e.real);
}
void get(ByteReader& r, EigenvalueEnclosures& e) {
  get(r, e.separated);
  get(r, e.re);
  get(r, e.im);
  get(r, e.real);
}
void put(ByteWriter& w, const SingularEnclosures& e) {
  put(w, e.certified);
  put(w, e.values);
  put(w, e.cluster);
  put(w, e.u);
  put(w, e.v);
}
void get(ByteReader& r, SingularEnclosures& e) {
  get(r, e.certified);
  get(r, e.values);
  get(r, e.cluster);
  get(r, e.u);
  get(r, e.v);
}
void put(ByteWriter& w, const QrEnclosures& e) {
  put(w, e.q);
  put(w, e.r);
}
void get(ByteReader& r, QrEnclosures& e) {
  get(r, e.q);
  get(r, e.r);
}

Enclosure enclosedSqrt(const Rational& s, long precision) {
  const fmpq* q = fq(s);
  if (fmpz_is_square(fmpq_numref(q)) && fmpz_is_square(fmpq_denref(q))) {
    Rational root;
    fmpz_sqrt(fmpq_numref(fq(root)), fmpq_numref(q));
    fmpz_sqrt(fmpq_denref(fq(root)), fmpq_denref(q));
    return exactly(root);
  }
  Arb x;
  arb_set_fmpq(x.get(), q, precision);
  arb_sqrtpos(x.get(), x.get(), precision);
  return enclosureOf(x.get());
}

EigenvalueEnclosures enclosedEigenvalues(const ExactMatrix& a,
                                         const std::vector<std::complex<double>>& computed,
                                         long precision, const Work& work) {
  if (a.rows() == 0) return {true, {}, {}, {}};
  return runExact<EigenvalueEnclosures>(work, cubeCost(a, precision), [&](const Work&) {
    return eigenvaluesInProcess(a, computed, precision);
  });
}

SingularEnclosures enclosedSingularValues(const ExactMatrix& a, const std::vector<double>& approxU,
                                          const std::vector<double>& approxValues,
                                          const std::vector<double>& approxV, long precision,
                                          const Work& work) {
  if (a.rows() == 0 || a.cols() == 0) return {true, {}, {}, {}, {}};
  return runExact<SingularEnclosures>(work, cubeCost(a, precision), [&](const Work&) {
    return singularInProcess(a, approxU, approxValues, approxV, precision);
  });
}

std::optional<QrEnclosures> enclosedQr(const ExactMatrix& a, long precision, const Work& work) {
  return runExact<std::optional<QrEnclosures>>(
      work, cubeCost(a, precision), [&](const Work&) { return qrInProcess(a, precision); });
}

}  // namespace kelvaro::exact
