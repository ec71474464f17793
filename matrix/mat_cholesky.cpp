#include "matrix/mat_cholesky.h"

#include "matrix/mat_types.h"

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

}  // namespace kelvaro
