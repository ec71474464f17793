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

void MatAdd(const RCOMat& m1, const RCOMat& m2, RCOMat& r, int& MatErr, const CancelFlag* cancel) {
  MatElementwise(
      m1, m2, r, MatErr, [](const Element& a, const Element& b) { return a + b; }, cancel);
}

}  // namespace kelvaro
