#include "matrix/split_matrix.h"

#include <algorithm>
#include <cmath>

namespace kelvaro {

bool allComplex(const RCOMat& m) {
  const auto e = m.elements();
  return std::all_of(e.begin(), e.end(), [](const Element& x) { return x.isComplex(); });
}

bool allComplexFinite(const RCOMat& m) {
  const auto e = m.elements();
  return std::all_of(e.begin(), e.end(), [](const Element& x) {
    return x.isComplex() && std::isfinite(x.re()) && std::isfinite(x.im());
  });
}

SplitMatrix splitOf(const RCOMat& m) {
  SplitMatrix s;
  s.rows = m.rows();
  s.cols = m.cols();
  const auto e = m.elements();
  s.re.resize(e.size());
  s.im.resize(e.size());
  for (std::size_t i = 0; i < e.size(); ++i) {
    s.re[i] = e[i].re();
    s.im[i] = e[i].im();
  }
  return s;
}

void assignFrom(const SplitMatrix& s, RCOMat& m) {
  m.resize(s.rows, s.cols);
  auto e = m.elements();
  for (std::size_t i = 0; i < e.size(); ++i) e[i] = Element::complex(s.re[i], s.im[i]);
}

}  // namespace kelvaro
