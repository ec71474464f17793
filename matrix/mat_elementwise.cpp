#include "matrix/mat_elementwise.h"

#include <cstddef>

namespace kelvaro {

namespace {

template <typename Rule>
void logical(const RCOMat& m1, const RCOMat& m2, RCOMat& r, int& MatErr, Rule rule) {
  MatElementwise(m1, m2, r, MatErr, [rule](const Element& a, const Element& b) {
    return Element::integer(rule(!isZero(a), !isZero(b)) ? 1 : 0);
  });
}

}  // namespace

void MatTranspose(const RCOMat& m, RCOMat& r, int& MatErr) {
  int rows, cols;
  MatDim(m, rows, cols, MatErr);
  if (MatErr != kMatOk) return;
  r.resize(cols, rows);
  for (int i = 0; i < rows; ++i)
    for (int j = 0; j < cols; ++j) r[j][i] = m[i][j];
}

void MatTrace(const RCOMat& m, Element& s, int& MatErr) {
  int rows, cols;
  MatDim(m, rows, cols, MatErr);
  s = Element::integer(0);
  for (int i = 0; i < rows && i < cols; ++i) s = s + m[i][i];
}

void MatScalarMul(const Element& x, const RCOMat& m, RCOMat& r, int& MatErr) {
  int rows, cols;
  MatDim(m, rows, cols, MatErr);
  if (MatErr != kMatOk) return;
  r.resize(rows, cols);
  const auto in = m.elements();
  auto out = r.elements();
  for (std::size_t i = 0; i < out.size(); ++i) out[i] = in[i] * x;
}

void MatAnd(const RCOMat& m1, const RCOMat& m2, RCOMat& r, int& MatErr) {
  logical(m1, m2, r, MatErr, [](bool a, bool b) { return a && b; });
}

void MatOr(const RCOMat& m1, const RCOMat& m2, RCOMat& r, int& MatErr) {
  logical(m1, m2, r, MatErr, [](bool a, bool b) { return a || b; });
}

void MatXor(const RCOMat& m1, const RCOMat& m2, RCOMat& r, int& MatErr) {
  logical(m1, m2, r, MatErr, [](bool a, bool b) { return a != b; });
}

void elementwiseReciprocal(const RCOMat& m, RCOMat& r) {
  r.resize(m.rows(), m.cols());
  const auto in = m.elements();
  auto out = r.elements();
  for (std::size_t i = 0; i < in.size(); ++i)
    out[i] = isZero(in[i]) ? Element::real(0) : Element::integer(1) / in[i];
}

}  // namespace kelvaro
