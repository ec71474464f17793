#include "matrix/mat_basic.h"

namespace kelvaro {

void MatDim(const RCOMat& m, int& rows, int& cols, int& MatErr) {
  MatErr = kMatOk;
  rows = m.rows();
  cols = m.cols();
  if (rows == 0) {
    cols = 0;
    MatErr = kMatEmpty;
  }
}

void MatAdd(const RCOMat& m1, const RCOMat& m2, RCOMat& r, int& MatErr) {
  int rows1, cols1, rows2, cols2;
  MatDim(m1, rows1, cols1, MatErr);
  if (MatErr != kMatOk) return;
  MatDim(m2, rows2, cols2, MatErr);
  if (MatErr != kMatOk) return;
  if (rows1 != rows2 || cols1 != cols2) {
    MatErr = kMatSizeMismatch;
    return;
  }
  r.resize(rows1, cols1);
  const auto a = m1.elements();
  const auto b = m2.elements();
  auto out = r.elements();
  for (std::size_t i = 0; i < out.size(); ++i) out[i] = a[i] + b[i];
}

}  // namespace kelvaro
