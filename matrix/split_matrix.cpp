#include "matrix/split_matrix.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>

#include "matrix/thread_pool.h"

namespace kelvaro {

bool allComplex(const RCOMat& m) {
  const auto e = m.elements();
  return std::all_of(e.begin(), e.end(), [](const Element& x) { return x.isComplex(); });
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

bool splitIfComplex(const RCOMat& m, SplitMatrix& s, const CancelFlag* cancel, bool finite) {
  s.rows = m.rows();
  s.cols = m.cols();
  const auto e = m.elements();
  // Unset until the threads write them.
  s.re.resize(e.size());
  s.im.resize(e.size());
  std::atomic<bool> split{true};
  parallelFor(s.rows, grainFor(s.cols), [&](int first, int last) {
    CancelCountdown countdown(cancel);
    for (int r = first; r < last && split.load(std::memory_order_relaxed); ++r) {
      countdown.tick(s.cols);
      const std::size_t begin = static_cast<std::size_t>(r) * s.cols;
      for (std::size_t i = begin; i < begin + s.cols; ++i) {
        const double re = e[i].re(), im = e[i].im();
        if (!e[i].isComplex() || (finite && !(std::isfinite(re) && std::isfinite(im)))) {
          split.store(false, std::memory_order_relaxed);
          return;
        }
        s.re[i] = re;
        s.im[i] = im;
      }
    }
  });
  if (split.load(std::memory_order_relaxed)) return true;
  s = SplitMatrix{};
  return false;
}

void assignFrom(const SplitMatrix& s, RCOMat& m, const CancelFlag* cancel) {
  m.resizeForOverwrite(s.rows, s.cols, cancel);
  auto e = m.elements();
  forEachIndex(s.rows, s.cols, cancel,
               [&](std::size_t i) { e[i] = Element::complex(s.re[i], s.im[i]); });
}

}  // namespace kelvaro
