#include "matrix/mat_norm.h"

#include <cmath>

namespace kelvaro {

double frobeniusNorm(const RCOMat& m) {
  double sum = 0;
  for (const Element& e : m.elements()) sum = sum + (e.re() * e.re() + e.im() * e.im());
  return std::sqrt(sum);
}

}  // namespace kelvaro
