#include "exact/fraction_free.h"

#include <flint/nmod_mat.h>
#include <flint/ulong_extras.h>

#include <cmath>

namespace kelvaro::exact {

namespace {

// value * (scale / den), exactly: an entry of a row brought to the row's denominator.
void scaledNumerator(fmpz* out, const Rational& q, const fmpz* scale) {
  const fmpq* f = fq(q);
  fmpz_divexact(out, scale, fmpq_denref(f));
  fmpz_mul(out, out, fmpq_numref(f));
}

void toRational(Rational& out, const fmpz* num, const fmpz* den) {
  fmpq* f = fq(out);
  fmpz_set(fmpq_numref(f), num);
  fmpz_set(fmpq_denref(f), den);
  fmpq_canonicalise(f);
}

}  // namespace

GaussIntMatrix clearRowDenominators(const ExactMatrix& a, std::vector<Fmpz>* rowScale) {
  GaussIntMatrix m(a.rows(), a.cols(), a.isComplex());
  if (rowScale) rowScale->assign(static_cast<std::size_t>(a.rows()), Fmpz(1));
  Fmpz scale;
  for (int r = 0; r < a.rows(); ++r) {
    fmpz_one(scale.get());
    for (int c = 0; c < a.cols(); ++c) {
      fmpz_lcm(scale.get(), scale.get(), fmpq_denref(fq(a.re(r, c))));
      if (a.isComplex()) fmpz_lcm(scale.get(), scale.get(), fmpq_denref(fq(a.im(r, c))));
    }
    for (int c = 0; c < a.cols(); ++c) {
      scaledNumerator(m.at(r, c).re.get(), a.re(r, c), scale.get());
      if (a.isComplex()) scaledNumerator(m.at(r, c).im.get(), a.im(r, c), scale.get());
    }
    if (rowScale) (*rowScale)[static_cast<std::size_t>(r)] = scale;
  }
  return m;
}

void crossDivide(GaussInt& out, const GaussInt& p, const GaussInt& x, const GaussInt& q,
                 const GaussInt& y, const GaussInt& d, bool complex) {
  thread_local Fmpz tr, ti, n, u;
  if (!complex) {
    fmpz_mul(tr.get(), p.re.get(), x.re.get());
    fmpz_submul(tr.get(), q.re.get(), y.re.get());
    fmpz_divexact(out.re.get(), tr.get(), d.re.get());
    return;
  }
  // t = p x - q y
  fmpz_mul(tr.get(), p.re.get(), x.re.get());
  fmpz_submul(tr.get(), p.im.get(), x.im.get());
  fmpz_submul(tr.get(), q.re.get(), y.re.get());
  fmpz_addmul(tr.get(), q.im.get(), y.im.get());
  fmpz_mul(ti.get(), p.re.get(), x.im.get());
  fmpz_addmul(ti.get(), p.im.get(), x.re.get());
  fmpz_submul(ti.get(), q.re.get(), y.im.get());
  fmpz_submul(ti.get(), q.im.get(), y.re.get());
  if (fmpz_is_zero(d.im.get())) {
    fmpz_divexact(out.re.get(), tr.get(), d.re.get());
    fmpz_divexact(out.im.get(), ti.get(), d.re.get());
    return;
  }
  // t / d = t conj(d) / |d|^2
  fmpz_mul(n.get(), d.re.get(), d.re.get());
  fmpz_addmul(n.get(), d.im.get(), d.im.get());
  fmpz_mul(u.get(), tr.get(), d.re.get());
  fmpz_addmul(u.get(), ti.get(), d.im.get());
  fmpz_mul(ti.get(), ti.get(), d.re.get());
  fmpz_submul(ti.get(), tr.get(), d.im.get());
  fmpz_divexact(out.re.get(), u.get(), n.get());
  fmpz_divexact(out.im.get(), ti.get(), n.get());
}

std::vector<int> fractionFreeReduce(GaussIntMatrix& m, GaussInt& den, bool reduceAbove,
                                    const Work& work) {
  fmpz_one(den.re.get());
  fmpz_zero(den.im.get());
  std::vector<int> pivots;
  const int rows = m.rows(), cols = m.cols();
  work.begin(static_cast<std::uint64_t>(std::min(rows, cols)));
  int row = 0;
  for (int c = 0; c < cols && row < rows; ++c) {
    work.check();
    int p = row;
    while (p < rows && m.at(p, c).isZero()) ++p;
    if (p == rows) continue;
    if (p != row) m.swapRows(p, row);
    const GaussInt pivot = m.at(row, c);
    for (int i = reduceAbove ? 0 : row + 1; i < rows; ++i) {
      if (i == row) continue;
      const GaussInt a = m.at(i, c);
      // Rows below have zeros left of c; rows above are updated whole.
      for (int j = i > row ? c + 1 : 0; j < cols; ++j)
        if (j != c) crossDivide(m.at(i, j), pivot, m.at(i, j), a, m.at(row, j), den, m.complex());
      fmpz_zero(m.at(i, c).re.get());
      fmpz_zero(m.at(i, c).im.get());
    }
    den = pivot;
    pivots.push_back(c);
    ++row;
    work.advance();
  }
  return pivots;
}

GaussInt gaussianDeterminant(const GaussIntMatrix& m, const Work& work) {
  const int n = m.rows();
  // log2 of Hadamard's bound: half the bits of each row's squared norm.
  double bits = 2;
  Fmpz norm;
  for (int r = 0; r < n; ++r) {
    fmpz_zero(norm.get());
    for (int c = 0; c < n; ++c) {
      fmpz_addmul(norm.get(), m.at(r, c).re.get(), m.at(r, c).re.get());
      fmpz_addmul(norm.get(), m.at(r, c).im.get(), m.at(r, c).im.get());
    }
    bits += 0.5 * static_cast<double>(fmpz_bits(norm.get()));
  }
  work.begin(static_cast<std::uint64_t>(bits / 61) + 1);
  GaussInt det;
  Fmpz modulus(1);
  ulong p = UWORD(1) << 62;
  nmod_mat_t plus, minus;
  while (static_cast<double>(fmpz_bits(modulus.get())) < bits) {
    work.check();
    do p = n_nextprime(p, 0);
    while (p % 4 != 1);
    nmod_t mod;
    nmod_init(&mod, p);
    const ulong root = n_sqrtmod(p - 1, p);
    nmod_mat_init(plus, n, n, p);
    nmod_mat_init(minus, n, n, p);
    for (int r = 0; r < n; ++r)
      for (int c = 0; c < n; ++c) {
        const ulong x = fmpz_fdiv_ui(m.at(r, c).re.get(), p);
        const ulong y = nmod_mul(fmpz_fdiv_ui(m.at(r, c).im.get(), p), root, mod);
        nmod_mat_entry(plus, r, c) = nmod_add(x, y, mod);
        nmod_mat_entry(minus, r, c) = nmod_sub(x, y, mod);
      }
    const ulong atI = nmod_mat_det(plus), atMinusI = nmod_mat_det(minus);
    nmod_mat_clear(plus);
    nmod_mat_clear(minus);
    // re = (d(i) + d(-i)) / 2, im = (d(i) - d(-i)) / (2 i)
    const ulong half = (p + 1) / 2;
    const ulong re = nmod_mul(nmod_add(atI, atMinusI, mod), half, mod);
    const ulong im =
        nmod_mul(nmod_sub(atI, atMinusI, mod), n_invmod(nmod_add(root, root, mod), p), mod);
    fmpz_CRT_ui(det.re.get(), det.re.get(), modulus.get(), re, p, 1);
    fmpz_CRT_ui(det.im.get(), det.im.get(), modulus.get(), im, p, 1);
    fmpz_mul_ui(modulus.get(), modulus.get(), p);
    work.advance();
  }
  return det;
}

GaussRational gaussQuotient(const GaussInt& a, const GaussInt& d) {
  GaussRational q;
  if (fmpz_is_zero(d.im.get())) {
    toRational(q.re, a.re.get(), d.re.get());
    toRational(q.im, a.im.get(), d.re.get());
    return q;
  }
  Fmpz n, t;
  fmpz_mul(n.get(), d.re.get(), d.re.get());
  fmpz_addmul(n.get(), d.im.get(), d.im.get());
  fmpz_mul(t.get(), a.re.get(), d.re.get());
  fmpz_addmul(t.get(), a.im.get(), d.im.get());
  toRational(q.re, t.get(), n.get());
  fmpz_mul(t.get(), a.im.get(), d.re.get());
  fmpz_submul(t.get(), a.re.get(), d.im.get());
  toRational(q.im, t.get(), n.get());
  return q;
}

}  // namespace kelvaro::exact
