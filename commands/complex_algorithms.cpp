#include "commands/complex_algorithms.h"

#include <cmath>
#include <cstdlib>

#include "matrix/Zezizir2.h"

namespace kelvaro {

bool choleskyLDL(RCOMat& a, RCOMat& l, RCOMat& d) {
  const int n = a.rows();
  RCOVec pivots(n), w(n);
  for (int j = 0; j < n; ++j) {
    Element s = a[j][j];
    for (int k = 0; k < j; ++k) {
      Element wk = a[k][j];
      for (int i = 0; i < k; ++i) wk = wk - w[i] * a[k][i];
      w[k] = wk;
      if (!isZero(pivots[k]))
        a[j][k] = wk / pivots[k];
      else if (isZero(wk))
        a[j][k] = Element::integer(1);
      else
        return false;
      s = s - wk * a[j][k];
    }
    pivots[j] = s;
  }
  l.resize(n, n);
  d.resize(n, n);
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j) {
      l[i][j] = j > i ? Element::integer(0) : j == i ? Element::integer(1) : a[i][j];
      d[i][j] = j == i ? pivots[i] : Element::integer(0);
    }
  return true;
}

namespace {

// c := a^count (count >= 1), each product the running power times a; r gets the last one.
void positivePower(const RCOMat& a, long long count, RCOMat& c, RCOMat& r, int& MatErr) {
  MatCopy(a, c, MatErr);
  if (count == 1 || MatErr != kMatOk) return;
  if (allComplex(a)) {
    // The same products as MatMul gives them, without leaving the split form in between.
    const SplitMatrix factor = splitOf(a);
    SplitMatrix power = factor, product;
    for (long long step = 1; step < count; ++step) {
      MatMulSplit(power, factor, product);
      std::swap(power, product);
    }
    assignFrom(power, r);
    c = r;
    return;
  }
  for (long long step = 1; step < count; ++step) {
    MatMul(c, a, r, MatErr);
    MatCopy(r, c, MatErr);
  }
}

}  // namespace

bool matrixPower(RCOMat& a, int x, RCOMat& c, RCOMat& r, int& MatErr) {
  MatErr = kMatOk;
  if (x == 0) {
    const int n = a.rows();
    r.resize(n, n);
    for (int i = 0; i < n; ++i)
      for (int j = 0; j < n; ++j) r[i][j] = Element::integer(i == j ? 1 : 0);
    return true;
  }
  if (x == 1) {
    MatCopy(a, r, MatErr);
    return true;
  }
  if (x == -1) {
    MatInvLU(a, r, MatErr);
    return MatErr == kMatOk;
  }
  positivePower(a, std::llabs(static_cast<long long>(x)), c, r, MatErr);
  if (x > 0) return true;
  MatInvLU(c, r, MatErr);
  return MatErr == kMatOk;
}

double frobeniusNorm(const RCOMat& m) {
  double sum = 0;
  for (const Element& e : m.elements()) sum = sum + (e.re() * e.re() + e.im() * e.im());
  return std::sqrt(sum);
}

void elementwiseReciprocal(const RCOMat& m, RCOMat& r) {
  r.resize(m.rows(), m.cols());
  const auto in = m.elements();
  auto out = r.elements();
  for (std::size_t i = 0; i < in.size(); ++i)
    out[i] = isZero(in[i]) ? Element::real(0) : Element::integer(1) / in[i];
}

}  // namespace kelvaro
