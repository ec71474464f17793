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

bool MatSameDim(const RCOMat& m1, const RCOMat& m2, int& rows, int& cols, int& MatErr) {
  int rows2, cols2;
  MatDim(m1, rows, cols, MatErr);
  if (MatErr != kMatOk) return false;
  MatDim(m2, rows2, cols2, MatErr);
  if (MatErr != kMatOk) return false;
  if (rows != rows2 || cols != cols2) {
    MatErr = kMatSizeMismatch;
    return false;
  }
  return true;
}

void MatAdd(const RCOMat& m1, const RCOMat& m2, RCOMat& r, int& MatErr) {
  int rows, cols;
  if (!MatSameDim(m1, m2, rows, cols, MatErr)) return;
  r.resize(rows, cols);
  const auto a = m1.elements();
  const auto b = m2.elements();
  auto out = r.elements();
  for (std::size_t i = 0; i < out.size(); ++i) out[i] = a[i] + b[i];
}

}  // namespace kelvaro
