#include "matrix/split_matrix.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "matrix/thread_pool.h"

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

namespace {

// f(i) for every element index, row by row, the rows shared out over the threads.
template <class F>
void forEachIndex(int rows, int cols, const CancelFlag* cancel, F f) {
  parallelFor(rows, grainFor(cols), [&](int first, int last) {
    CancelCountdown countdown(cancel);
    for (int r = first; r < last; ++r) {
      countdown.tick(cols);
      const std::size_t begin = static_cast<std::size_t>(r) * cols;
      for (std::size_t i = begin; i < begin + cols; ++i) f(i);
    }
  });
}

}  // namespace

void assignZeros(DoubleArray& v, std::size_t size, const CancelFlag* cancel) {
  constexpr std::size_t kPart = std::size_t{1} << 16;
  v.clear();
  v.resize(size);
  const auto parts = static_cast<int>((size + kPart - 1) / kPart);
  parallelFor(parts, grainFor(static_cast<std::int64_t>(kPart)), [&](int first, int last) {
    for (int part = first; part < last; ++part) {
      checkCancel(cancel);
      const std::size_t begin = static_cast<std::size_t>(part) * kPart;
      std::fill(v.begin() + begin, v.begin() + std::min(size, begin + kPart), 0.0);
    }
  });
}

SplitMatrix splitOf(const RCOMat& m, const CancelFlag* cancel) {
  SplitMatrix s;
  s.rows = m.rows();
  s.cols = m.cols();
  const auto e = m.elements();
  // Unset until the threads write them.
  s.re.resize(e.size());
  s.im.resize(e.size());
  forEachIndex(s.rows, s.cols, cancel, [&](std::size_t i) {
    s.re[i] = e[i].re();
    s.im[i] = e[i].im();
  });
  return s;
}

void assignFrom(const SplitMatrix& s, RCOMat& m, const CancelFlag* cancel) {
  m.resizeForOverwrite(s.rows, s.cols, cancel);
  auto e = m.elements();
  forEachIndex(s.rows, s.cols, cancel,
               [&](std::size_t i) { e[i] = Element::complex(s.re[i], s.im[i]); });
}

}  // namespace kelvaro
