#include "exact/exact_algebra.h"

#include <flint/fmpq_poly.h>
#include <flint/nmod_mat.h>
#include <flint/ulong_extras.h>

#include <algorithm>
#include <exception>
#include <mutex>
#include <thread>
#include <utility>

#include "exact/flint_support.h"
#include "exact/fraction_free.h"
#include "exact/isolation.h"

namespace kelvaro::exact {

namespace {

// 1 + the limbs of the largest numerator or denominator: how much one operation on the
// entries costs beside one on machine words.
double entryLimbs(const ExactMatrix& a) {
  std::size_t bits = 0;
  const auto widest = [&](const std::vector<Rational>& parts) {
    for (const Rational& q : parts) bits = std::max({bits, q.numeratorBits(), q.denominatorBits()});
  };
  widest(a.realParts());
  widest(a.imagParts());
  return 1.0 + static_cast<double>(bits) / 64.0;
}

double cubeCost(const ExactMatrix& a) {
  const double n = std::max(a.rows(), a.cols());
  return static_cast<double>(a.size()) * n * entryLimbs(a) * (a.isComplex() ? 4 : 1);
}

template <class F>
ExactMatrix entrywise(const ExactMatrix& a, const Work& work, bool complex, F&& f) {
  ExactMatrix out(a.rows(), a.cols(), complex);
  CancelCountdown countdown(work.cancel);
  for (int r = 0; r < a.rows(); ++r)
    for (int c = 0; c < a.cols(); ++c) {
      countdown.tick();
      out.set(r, c, f(r, c));
    }
  out.dropZeroImaginary();
  return out;
}

ExactMatrix realPart(const ExactMatrix& a) {
  ExactMatrix out(a.rows(), a.cols());
  out.realParts() = a.realParts();
  return out;
}

ExactMatrix imagPart(const ExactMatrix& a) {
  ExactMatrix out(a.rows(), a.cols());
  if (a.isComplex()) out.realParts() = a.imagParts();
  return out;
}

ExactMatrix withParts(ExactMatrix re, ExactMatrix im) {
  re.imagParts() = std::move(im.realParts());
  re.dropZeroImaginary();
  return re;
}

ExactMatrix multiplyRational(const ExactMatrix& a, const ExactMatrix& b) {
  const ConstMatView va(a.realParts(), a.rows(), a.cols());
  const ConstMatView vb(b.realParts(), b.rows(), b.cols());
  FmpqMat out(a.rows(), b.cols());
  fmpq_mat_mul(out.get(), va.get(), vb.get());
  return takeMatrix(out);
}

ExactMatrix multiplyInProcess(const ExactMatrix& a, const ExactMatrix& b, const Work& work) {
  if (!a.isComplex() && !b.isComplex()) return multiplyRational(a, b);
  // (ar + ai i)(br + bi i) with three products: re = p1 - p2, im = p3 - p1 - p2.
  const ExactMatrix ar = realPart(a), ai = imagPart(a), br = realPart(b), bi = imagPart(b);
  ExactMatrix p1 = multiplyRational(ar, br);
  work.check();
  ExactMatrix p2 = multiplyRational(ai, bi);
  work.check();
  ExactMatrix p3 = multiplyRational(add(ar, ai, work), add(br, bi, work));
  ExactMatrix im = subtract(subtract(p3, p1, work), p2, work);
  return withParts(subtract(p1, p2, work), std::move(im));
}

// The least common multiple of every denominator of a's entries.
Fmpz commonDenominator(const ExactMatrix& a) {
  Fmpz d(1);
  for (const Rational& q : a.realParts()) fmpz_lcm(d.get(), d.get(), fmpq_denref(fq(q)));
  for (const Rational& q : a.imagParts()) fmpz_lcm(d.get(), d.get(), fmpq_denref(fq(q)));
  return d;
}

ExactMatrix powerInProcess(const ExactMatrix& a, std::uint64_t x, const Work& work) {
  const int n = a.rows();
  if (x == 0) return ExactMatrix::identity(n);
  if (!a.isComplex()) {
    // a = m / d with m integral: a^x = m^x / d^x.
    const Fmpz d = commonDenominator(a);
    FmpzMat m(n, n), p(n, n);
    for (int r = 0; r < n; ++r)
      for (int c = 0; c < n; ++c) {
        fmpz* e = fmpz_mat_entry(m.get(), r, c);
        fmpz_divexact(e, d.get(), fmpq_denref(fq(a.re(r, c))));
        fmpz_mul(e, e, fmpq_numref(fq(a.re(r, c))));
      }
    fmpz_mat_pow(p.get(), m.get(), x);
    Fmpz dx;
    fmpz_pow_ui(dx.get(), d.get(), x);
    FmpqMat out(n, n);
    fmpq_mat_set_fmpz_mat_div_fmpz(out.get(), p.get(), dx.get());
    return takeMatrix(out);
  }
  int steps = 0;
  for (std::uint64_t y = x; y != 0; y >>= 1) ++steps;
  work.begin(static_cast<std::uint64_t>(steps));
  ExactMatrix result = a, square = a;
  bool first = true;
  for (std::uint64_t y = x;;) {
    if (y & 1) {
      result = first ? square : multiplyInProcess(result, square, work);
      first = false;
    }
    y >>= 1;
    work.advance();
    if (y == 0) break;
    work.check();
    square = multiplyInProcess(square, square, work);
  }
  return result;
}

GaussRational determinantInProcess(const ExactMatrix& a, const Work& work) {
  if (a.rows() == 0) return Rational(1);
  if (!a.isComplex()) {
    const ConstMatView v(a.realParts(), a.rows(), a.cols());
    Rational d;
    fmpq_mat_det(fq(d), v.get());
    return d;
  }
  std::vector<Fmpz> scale;
  const GaussIntMatrix m = clearRowDenominators(a, &scale);
  // det(a) = det(m) / product of the row scales.
  GaussInt divisor;
  fmpz_one(divisor.re.get());
  for (const Fmpz& s : scale) fmpz_mul(divisor.re.get(), divisor.re.get(), s.get());
  return gaussQuotient(gaussianDeterminant(m, work), divisor);
}

EchelonForm echelonInProcess(const ExactMatrix& a, const Work& work) {
  EchelonForm e;
  if (!a.isComplex()) {
    const ConstMatView v(a.realParts(), a.rows(), a.cols());
    FmpqMat out(a.rows(), a.cols());
    const long rank = fmpq_mat_rref(out.get(), v.get());
    e.reduced = takeMatrix(out);
    for (int r = 0; r < rank; ++r) {
      int c = 0;
      while (e.reduced.re(r, c).isZero()) ++c;
      e.pivotColumns.push_back(c);
    }
    return e;
  }
  GaussIntMatrix m = clearRowDenominators(a, nullptr);
  GaussInt den;
  e.pivotColumns = fractionFreeReduce(m, den, true, work);
  e.reduced = ExactMatrix(a.rows(), a.cols(), true);
  for (int r = 0; r < static_cast<int>(e.pivotColumns.size()); ++r)
    for (int c = 0; c < a.cols(); ++c) e.reduced.set(r, c, gaussQuotient(m.at(r, c), den));
  e.reduced.dropZeroImaginary();
  return e;
}

// The parity of a permutation given as the image of each index.
bool oddPermutation(const std::vector<slong>& perm) {
  std::vector<bool> seen(perm.size(), false);
  bool odd = false;
  for (std::size_t i = 0; i < perm.size(); ++i) {
    if (seen[i]) continue;
    std::size_t length = 0;
    for (std::size_t j = i; !seen[j]; j = static_cast<std::size_t>(perm[j])) {
      seen[j] = true;
      ++length;
    }
    odd ^= length % 2 == 0;
  }
  return odd;
}

// Runs part(thread) on `threads` threads (this one among them), waits for them all and
// throws what the first of them threw (a cancel).
template <class F>
void onThreads(int threads, F&& part) {
  std::vector<std::exception_ptr> thrown(static_cast<std::size_t>(threads));
  const auto guarded = [&](int t) {
    try {
      part(t);
    } catch (...) {
      thrown[static_cast<std::size_t>(t)] = std::current_exception();
    }
  };
  std::vector<std::thread> started;
  for (int t = 1; t < threads; ++t) started.emplace_back(guarded, t);
  guarded(0);
  for (std::thread& t : started) t.join();
  for (const std::exception_ptr& e : thrown)
    if (e) std::rethrow_exception(e);
}

// m^-1 and det(m) modulo p from one LU factorisation, or false when m is singular modulo p.
bool inverseModulo(const fmpz_mat_struct* m, ulong p, nmod_mat_struct* inverse, ulong& det) {
  const long n = m->r;
  nmod_mat_t lu, permutation;
  nmod_mat_init(lu, n, n, p);
  fmpz_mat_get_nmod_mat(lu, m);
  std::vector<slong> perm(static_cast<std::size_t>(n));
  const bool regular = nmod_mat_lu(perm.data(), lu, 1) == n;
  if (regular) {
    nmod_t mod;
    nmod_init(&mod, p);
    det = oddPermutation(perm) ? p - 1 : 1;
    for (long k = 0; k < n; ++k) det = nmod_mul(det, nmod_mat_entry(lu, k, k), mod);
    // L U = P m, so m^-1 = U^-1 L^-1 P.
    nmod_mat_init(permutation, n, n, p);
    for (long r = 0; r < n; ++r)
      nmod_mat_entry(permutation, r, perm[static_cast<std::size_t>(r)]) = 1;
    nmod_mat_init(inverse, n, n, p);
    nmod_mat_solve_tril(inverse, lu, permutation, 1);
    nmod_mat_solve_triu(inverse, lu, inverse, 0);
    nmod_mat_clear(permutation);
  }
  nmod_mat_clear(lu);
  return regular;
}

// The inverse of a rational matrix as adj(m) / det(m) with m = S a its rows' denominators
// cleared (so a^-1 = m^-1 S). Modulo each prime one LU factorisation gives det(m) and m^-1,
// hence adj(m); enough primes for Hadamard's bound, which bounds det(m) and every entry of
// adj(m), fix both at once. The primes, and the fractions at the end, are shared out over
// the threads.
std::optional<ExactMatrix> rationalInverse(const ExactMatrix& a, const Work& work) {
  const int n = a.rows();
  std::vector<Fmpz> scale;
  const GaussIntMatrix cleared = clearRowDenominators(a, &scale);
  FmpzMat m(n, n), adj(n, n);
  for (int r = 0; r < n; ++r)
    for (int c = 0; c < n; ++c) fmpz_set(fmpz_mat_entry(m.get(), r, c), cleared.at(r, c).re.get());
  Fmpz det, bound;
  fmpz_mat_det_bound(bound.get(), m.get());
  // Primes above 2^62: each adds more than 62 bits to the modulus.
  const std::size_t needed = (fmpz_bits(bound.get()) + 2) / 62 + 1;
  work.begin(needed);
  struct Residue {
    ulong prime, det;
    nmod_mat_struct inverse;
  };
  std::vector<Residue> residues;
  residues.reserve(needed);
  struct Cleanup {
    std::vector<Residue>& r;
    ~Cleanup() {
      for (Residue& x : r) nmod_mat_clear(&x.inverse);
    }
  } cleanup{residues};
  std::mutex lock;
  ulong next = UWORD(1) << 62;
  // The first prime alone: singular modulo it, m is singular or the prime divides det(m),
  // which the exact determinant tells; regular modulo any prime, m is regular.
  bool regular = false;
  const auto part = [&](int) {
    for (;;) {
      ulong p;
      {
        const std::lock_guard<std::mutex> hold(lock);
        if (residues.size() >= needed) return;
        p = next = n_nextprime(next, 0);
      }
      work.check();
      Residue r{p, 0, {}};
      if (!inverseModulo(m.get(), p, &r.inverse, r.det)) continue;
      const std::lock_guard<std::mutex> hold(lock);
      residues.push_back(r);
      work.advance();
    }
  };
  while (!regular) {
    Residue r{next = n_nextprime(next, 0), 0, {}};
    regular = inverseModulo(m.get(), r.prime, &r.inverse, r.det);
    if (regular) {
      residues.push_back(r);
    } else {
      fmpz_mat_det(det.get(), m.get());
      if (fmpz_is_zero(det.get())) return std::nullopt;
    }
  }
  onThreads(n >= 48 ? work.threads : 1, part);
  Fmpz modulus(1);
  fmpz_zero(det.get());
  std::vector<nmod_mat_struct> inverses;
  for (const Residue& r : residues) {
    fmpz_CRT_ui(det.get(), det.get(), modulus.get(), r.det, r.prime, 1);
    fmpz_mul_ui(modulus.get(), modulus.get(), r.prime);
    inverses.push_back(r.inverse);
    nmod_mat_scalar_mul(&inverses.back(), &inverses.back(), r.det);
  }
  fmpz_mat_multi_CRT_ui(adj.get(), reinterpret_cast<nmod_mat_t*>(inverses.data()),
                        static_cast<slong>(inverses.size()), 1);
  ExactMatrix out(n, n);
  const int threads = n >= 48 ? work.threads : 1;
  onThreads(threads, [&](int t) {
    Fmpz num;
    for (int r = t; r < n; r += threads)
      for (int c = 0; c < n; ++c) {
        fmpz_mul(num.get(), fmpz_mat_entry(adj.get(), r, c),
                 scale[static_cast<std::size_t>(c)].get());
        fmpq_set_fmpz_frac(fq(out.re(r, c)), num.get(), det.get());
      }
  });
  return out;
}

std::optional<ExactMatrix> inverseInProcess(const ExactMatrix& a, const Work& work) {
  const int n = a.rows();
  if (!a.isComplex()) return rationalInverse(a, work);
  // The real form [[re, -im], [im, re]] of a has the real form of a's inverse as its inverse.
  FmpqMat big(2 * n, 2 * n);
  for (int r = 0; r < n; ++r)
    for (int c = 0; c < n; ++c) {
      fmpq_set(fmpq_mat_entry(big.get(), r, c), fq(a.re(r, c)));
      fmpq_set(fmpq_mat_entry(big.get(), r + n, c + n), fq(a.re(r, c)));
      fmpq_set(fmpq_mat_entry(big.get(), r + n, c), fq(a.im(r, c)));
      fmpq_neg(fmpq_mat_entry(big.get(), r, c + n), fq(a.im(r, c)));
    }
  const std::optional<ExactMatrix> real = rationalInverse(takeMatrix(big), work);
  if (!real) return std::nullopt;
  ExactMatrix inv(n, n, true);
  for (int r = 0; r < n; ++r)
    for (int c = 0; c < n; ++c) {
      inv.re(r, c) = real->re(r, c);
      inv.im(r, c) = real->re(r + n, c);
    }
  inv.dropZeroImaginary();
  return inv;
}

ExactMatrix nullBasisOf(const EchelonForm& e, int cols) {
  std::vector<bool> pivot(static_cast<std::size_t>(cols), false);
  for (int c : e.pivotColumns)
    if (c < cols) pivot[static_cast<std::size_t>(c)] = true;
  std::vector<int> free;
  for (int c = 0; c < cols; ++c)
    if (!pivot[static_cast<std::size_t>(c)]) free.push_back(c);
  ExactMatrix basis(cols, static_cast<int>(free.size()), e.reduced.isComplex());
  for (int k = 0; k < static_cast<int>(free.size()); ++k) {
    const int f = free[static_cast<std::size_t>(k)];
    basis.re(f, k) = Rational(1);
    for (int r = 0; r < static_cast<int>(e.pivotColumns.size()); ++r) {
      const int p = e.pivotColumns[static_cast<std::size_t>(r)];
      if (p < cols) basis.set(p, k, -e.reduced.at(r, f));
    }
  }
  basis.dropZeroImaginary();
  return basis;
}

Solution solveInProcess(const ExactMatrix& a, const ExactMatrix& b, const Work& work) {
  const int n = a.cols(), k = b.cols();
  ExactMatrix both(a.rows(), n + k, a.isComplex() || b.isComplex());
  for (int r = 0; r < a.rows(); ++r) {
    for (int c = 0; c < n; ++c) both.set(r, c, a.at(r, c));
    for (int c = 0; c < k; ++c) both.set(r, n + c, b.at(r, c));
  }
  const EchelonForm e = echelonInProcess(both, work);
  Solution s;
  s.solvable = e.pivotColumns.empty() || e.pivotColumns.back() < n;
  if (!s.solvable) return s;
  s.pivotColumns = e.pivotColumns;
  s.particular = ExactMatrix(n, k, e.reduced.isComplex());
  for (int r = 0; r < static_cast<int>(e.pivotColumns.size()); ++r)
    for (int c = 0; c < k; ++c)
      s.particular.set(e.pivotColumns[static_cast<std::size_t>(r)], c, e.reduced.at(r, n + c));
  s.particular.dropZeroImaginary();
  s.nullBasis = nullBasisOf(e, n);
  return s;
}

using Poly = std::vector<GaussRational>;  // lowest power first

// The characteristic polynomial of a complex matrix: its Hessenberg form by similarity, then
// the polynomials of its leading blocks one from the other.
Poly hessenbergCharpoly(const ExactMatrix& a, const Work& work) {
  const int n = a.rows();
  std::vector<GaussRational> h(static_cast<std::size_t>(n) * static_cast<std::size_t>(n));
  const auto at = [&](int r, int c) -> GaussRational& {
    return h[static_cast<std::size_t>(r) * static_cast<std::size_t>(n) +
             static_cast<std::size_t>(c)];
  };
  for (int r = 0; r < n; ++r)
    for (int c = 0; c < n; ++c) at(r, c) = a.at(r, c);
  work.begin(static_cast<std::uint64_t>(2 * n));
  for (int c = 0; c + 2 < n; ++c) {
    work.check();
    int p = c + 1;
    while (p < n && at(p, c).isZero()) ++p;
    if (p < n) {
      if (p != c + 1) {
        for (int j = 0; j < n; ++j) std::swap(at(p, j), at(c + 1, j));
        for (int i = 0; i < n; ++i) std::swap(at(i, p), at(i, c + 1));
      }
      for (int r = c + 2; r < n; ++r) {
        if (at(r, c).isZero()) continue;
        const GaussRational t = at(r, c) / at(c + 1, c);
        for (int j = c; j < n; ++j) at(r, j) -= t * at(c + 1, j);
        for (int i = 0; i < n; ++i) at(i, c + 1) += t * at(i, r);
      }
    }
    work.advance();
  }
  std::vector<Poly> p(static_cast<std::size_t>(n) + 1);
  p[0] = {Rational(1)};
  for (int m = 1; m <= n; ++m) {
    work.check();
    Poly next(static_cast<std::size_t>(m) + 1);
    const Poly& prev = p[static_cast<std::size_t>(m) - 1];
    for (std::size_t i = 0; i < prev.size(); ++i) {
      next[i + 1] += prev[i];
      next[i] -= at(m - 1, m - 1) * prev[i];
    }
    GaussRational product(Rational(1));
    for (int i = m - 1; i >= 1; --i) {
      product *= at(i, i - 1);
      if (product.isZero()) break;
      const GaussRational t = at(i - 1, m - 1) * product;
      const Poly& q = p[static_cast<std::size_t>(i) - 1];
      for (std::size_t j = 0; j < q.size(); ++j) next[j] -= t * q[j];
    }
    p[static_cast<std::size_t>(m)] = std::move(next);
    work.advance();
  }
  return p[static_cast<std::size_t>(n)];
}

std::vector<GaussRational> charpolyInProcess(const ExactMatrix& a, const Work& work) {
  Poly low;
  if (!a.isComplex()) {
    const ConstMatView v(a.realParts(), a.rows(), a.cols());
    fmpq_poly_t poly;
    fmpq_poly_init(poly);
    fmpq_mat_charpoly(poly, v.get());
    for (long i = 0; i <= a.rows(); ++i) {
      Rational c;
      fmpq_poly_get_coeff_fmpq(fq(c), poly, i);
      low.emplace_back(std::move(c));
    }
    fmpq_poly_clear(poly);
  } else {
    low = hessenbergCharpoly(a, work);
  }
  std::reverse(low.begin(), low.end());
  return low;
}

// Doolittle without exchanges, fraction-free: with b the matrix while column k is being
// eliminated and p the pivot before, U[k][j] = b[k][j] / p and L[i][k] = b[i][k] / b[k][k].
// Rows were scaled by s to clear denominators (m = S a), so L = S^-1 L_m S and U = S^-1 U_m.
std::optional<LUFactors> luInProcess(const ExactMatrix& a, const Work& work) {
  const int n = a.rows();
  std::vector<Fmpz> scale;
  GaussIntMatrix m = clearRowDenominators(a, &scale);
  const bool complex = a.isComplex();
  LUFactors f{ExactMatrix(n, n, complex), ExactMatrix(n, n, complex)};
  GaussInt prev;
  fmpz_one(prev.re.get());
  work.begin(static_cast<std::uint64_t>(n));
  for (int k = 0; k < n; ++k) {
    work.check();
    const GaussInt pivot = m.at(k, k);
    if (pivot.isZero() && k + 1 < n) return std::nullopt;
    f.lower.re(k, k) = Rational(1);
    for (int j = k; j < n; ++j) {
      GaussRational u = gaussQuotient(m.at(k, j), prev);
      Rational s;
      fmpz_set(fmpq_numref(fq(s)), scale[static_cast<std::size_t>(k)].get());
      f.upper.set(k, j, u / GaussRational(s));
    }
    for (int i = k + 1; i < n; ++i) {
      Rational ratio;  // s_k / s_i
      fmpq_set_fmpz_frac(fq(ratio), scale[static_cast<std::size_t>(k)].get(),
                         scale[static_cast<std::size_t>(i)].get());
      f.lower.set(i, k, gaussQuotient(m.at(i, k), pivot) * GaussRational(ratio));
      const GaussInt factor = m.at(i, k);
      for (int j = k + 1; j < n; ++j)
        crossDivide(m.at(i, j), pivot, m.at(i, j), factor, m.at(k, j), prev, complex);
    }
    prev = pivot;
    work.advance();
  }
  f.lower.dropZeroImaginary();
  f.upper.dropZeroImaginary();
  return f;
}

std::optional<LDLFactors> ldlInProcess(const ExactMatrix& a, const Work& work) {
  const int n = a.rows();
  ExactMatrix sym(n, n, a.isComplex());
  for (int r = 0; r < n; ++r)
    for (int c = 0; c < n; ++c) sym.set(r, c, a.at(std::min(r, c), std::max(r, c)));
  // Without a zero pivot before the last, L D L' is L U with D the diagonal of U.
  if (std::optional<LUFactors> lu = luInProcess(sym, work)) {
    LDLFactors f{std::move(lu->lower), ExactMatrix(n, n, a.isComplex())};
    for (int k = 0; k < n; ++k) f.diagonal.set(k, k, lu->upper.at(k, k));
    f.diagonal.dropZeroImaginary();
    return f;
  }
  // A zero pivot: the column algorithm, where a zero pivot over a zero column takes 1.
  LDLFactors f{ExactMatrix::identity(n), ExactMatrix(n, n, a.isComplex())};
  std::vector<GaussRational> d(static_cast<std::size_t>(n)), w(static_cast<std::size_t>(n));
  for (int j = 0; j < n; ++j) {
    work.check();
    GaussRational s = sym.at(j, j);
    for (int k = 0; k < j; ++k) {
      GaussRational wk = sym.at(k, j);
      for (int i = 0; i < k; ++i) wk -= w[static_cast<std::size_t>(i)] * f.lower.at(k, i);
      const GaussRational& dk = d[static_cast<std::size_t>(k)];
      if (!dk.isZero())
        f.lower.set(j, k, wk / dk);
      else if (wk.isZero())
        f.lower.set(j, k, Rational(1));
      else
        return std::nullopt;
      s -= wk * f.lower.at(j, k);
      w[static_cast<std::size_t>(k)] = std::move(wk);
    }
    d[static_cast<std::size_t>(j)] = s;
    f.diagonal.set(j, j, s);
  }
  f.lower.dropZeroImaginary();
  f.diagonal.dropZeroImaginary();
  return f;
}

}  // namespace

void put(ByteWriter& w, const EchelonForm& e) {
  put(w, e.reduced);
  put(w, e.pivotColumns);
}
void get(ByteReader& r, EchelonForm& e) {
  get(r, e.reduced);
  get(r, e.pivotColumns);
}
void put(ByteWriter& w, const Solution& s) {
  put(w, s.solvable);
  put(w, s.particular);
  put(w, s.nullBasis);
  put(w, s.pivotColumns);
}
void get(ByteReader& r, Solution& s) {
  get(r, s.solvable);
  get(r, s.particular);
  get(r, s.nullBasis);
  get(r, s.pivotColumns);
}
void put(ByteWriter& w, const LUFactors& f) {
  put(w, f.lower);
  put(w, f.upper);
}
void get(ByteReader& r, LUFactors& f) {
  get(r, f.lower);
  get(r, f.upper);
}
void put(ByteWriter& w, const LDLFactors& f) {
  put(w, f.lower);
  put(w, f.diagonal);
}
void get(ByteReader& r, LDLFactors& f) {
  get(r, f.lower);
  get(r, f.diagonal);
}

ExactMatrix add(const ExactMatrix& a, const ExactMatrix& b, const Work& work) {
  return entrywise(a, work, a.isComplex() || b.isComplex(),
                   [&](int r, int c) { return a.at(r, c) + b.at(r, c); });
}

ExactMatrix subtract(const ExactMatrix& a, const ExactMatrix& b, const Work& work) {
  return entrywise(a, work, a.isComplex() || b.isComplex(),
                   [&](int r, int c) { return a.at(r, c) - b.at(r, c); });
}

ExactMatrix transpose(const ExactMatrix& a, const Work& work) {
  ExactMatrix t(a.cols(), a.rows(), a.isComplex());
  CancelCountdown countdown(work.cancel);
  for (int r = 0; r < a.rows(); ++r)
    for (int c = 0; c < a.cols(); ++c) {
      countdown.tick();
      t.set(c, r, a.at(r, c));
    }
  return t;
}

ExactMatrix scale(const ExactMatrix& a, const GaussRational& x, const Work& work) {
  return entrywise(a, work, a.isComplex() || !x.isReal(),
                   [&](int r, int c) { return a.at(r, c) * x; });
}

GaussRational trace(const ExactMatrix& a) {
  GaussRational s;
  for (int i = 0; i < std::min(a.rows(), a.cols()); ++i) s += a.at(i, i);
  return s;
}

ExactMatrix multiply(const ExactMatrix& a, const ExactMatrix& b, const Work& work) {
  const double cost = static_cast<double>(a.rows()) * a.cols() * b.cols() *
                      (entryLimbs(a) + entryLimbs(b)) * (a.isComplex() || b.isComplex() ? 3 : 1);
  return runExact<ExactMatrix>(work, cost,
                               [&](const Work& w) { return multiplyInProcess(a, b, w); });
}

ExactMatrix power(const ExactMatrix& a, std::uint64_t x, const Work& work) {
  double steps = 1;
  for (std::uint64_t y = x; y > 1; y >>= 1) steps += 2;
  return runExact<ExactMatrix>(work, cubeCost(a) * steps,
                               [&](const Work& w) { return powerInProcess(a, x, w); });
}

GaussRational determinant(const ExactMatrix& a, const Work& work) {
  return runExact<GaussRational>(work, cubeCost(a),
                                 [&](const Work& w) { return determinantInProcess(a, w); });
}

int rank(const ExactMatrix& a, const Work& work) {
  return runExact<int>(work, cubeCost(a), [&](const Work& w) {
    if (!a.isComplex()) return static_cast<int>(echelonInProcess(a, w).pivotColumns.size());
    GaussIntMatrix m = clearRowDenominators(a, nullptr);
    GaussInt den;
    return static_cast<int>(fractionFreeReduce(m, den, false, w).size());
  });
}

EchelonForm reducedRowEchelon(const ExactMatrix& a, const Work& work) {
  return runExact<EchelonForm>(work, cubeCost(a),
                               [&](const Work& w) { return echelonInProcess(a, w); });
}

std::optional<ExactMatrix> inverse(const ExactMatrix& a, const Work& work) {
  return runExact<std::optional<ExactMatrix>>(
      work, cubeCost(a) * 4, [&](const Work& w) { return inverseInProcess(a, w); });
}

ExactMatrix nullSpace(const ExactMatrix& a, const Work& work) {
  return nullBasisOf(reducedRowEchelon(a, work), a.cols());
}

Solution solve(const ExactMatrix& a, const ExactMatrix& b, const Work& work) {
  return runExact<Solution>(work, cubeCost(a) + cubeCost(b),
                            [&](const Work& w) { return solveInProcess(a, b, w); });
}

std::vector<GaussRational> characteristicPolynomial(const ExactMatrix& a, const Work& work) {
  return runExact<std::vector<GaussRational>>(
      work, cubeCost(a) * 2, [&](const Work& w) { return charpolyInProcess(a, w); });
}

std::optional<LUFactors> luWithoutPivoting(const ExactMatrix& a, const Work& work) {
  return runExact<std::optional<LUFactors>>(work, cubeCost(a),
                                            [&](const Work& w) { return luInProcess(a, w); });
}

std::optional<LDLFactors> ldlWithoutPivoting(const ExactMatrix& a, const Work& work) {
  return runExact<std::optional<LDLFactors>>(work, cubeCost(a),
                                             [&](const Work& w) { return ldlInProcess(a, w); });
}

}  // namespace kelvaro::exact
