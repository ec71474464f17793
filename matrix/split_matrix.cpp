#include "matrix/split_matrix.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cstdint>
#include <type_traits>

#include <immintrin.h>

#include "matrix/split_kernels.h"
#include "matrix/thread_pool.h"

namespace kelvaro {

bool allComplex(const RCOMat& m) {
  const auto e = m.elements();
  return std::all_of(e.begin(), e.end(), [](const Element& x) { return x.isComplex(); });
}

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

// The kernels read and write an element as three words: its real part, its imaginary part and
// its kind (the kind's byte first; the padding after it written zero, and not read).
static_assert(sizeof(Element) == 3 * sizeof(double) && alignof(Element) == alignof(double));
static_assert(std::is_trivially_copyable_v<Element> && std::is_standard_layout_v<Element>);

namespace {

// splitIfComplex on the columns from from(r) on of each row r.
template <class From>
bool splitFrom(const RCOMat& m, SplitMatrix& s, const CancelFlag* cancel, bool finite, From from) {
  s.rows = m.rows();
  s.cols = m.cols();
  const auto e = m.elements();
  // Unset until the threads write them.
  s.re.resize(e.size());
  s.im.resize(e.size());
  const SplitKernels& kern = splitKernels();
  const auto kind = static_cast<unsigned long>(ElementKind::Complex);
  if (everyRow(s.rows, s.cols, cancel, [&](int r) {
        const int c = from(r);
        const std::size_t begin = static_cast<std::size_t>(r) * s.cols + c;
        return kern.elementParts(s.cols - c, reinterpret_cast<const double*>(e.data() + begin),
                                 kind, finite, s.re.data() + begin, s.im.data() + begin);
      }))
    return true;
  s = SplitMatrix{};
  return false;
}

}  // namespace

bool splitIfComplex(const RCOMat& m, SplitMatrix& s, const CancelFlag* cancel, bool finite) {
  return splitFrom(m, s, cancel, finite, [](int) { return 0; });
}

bool splitUpperIfComplex(const RCOMat& m, SplitMatrix& s, const CancelFlag* cancel, int tile) {
  return splitFrom(m, s, cancel, true, [&](int r) { return std::min(r - r % tile, m.cols()); });
}

bool splitIfReal(const RCOMat& m, DoubleArray& v, const CancelFlag* cancel) {
  const auto e = m.elements();
  v.resize(e.size());
  const int cols = m.cols();
  const SplitKernels& kern = splitKernels();
  return everyRow(m.rows(), cols, cancel, [&](int r) {
    const std::size_t begin = static_cast<std::size_t>(r) * cols;
    return kern.realWords(cols, reinterpret_cast<const double*>(e.data() + begin),
                          v.data() + begin);
  });
}

bool realValued(const SplitMatrix& s, bool plusZeros) {
  // Integer operations without a branch, a block at a time, so that the loop runs in vectors:
  // a real part's exponent bits plus one carry into the sign bit exactly when they are all
  // set, an infinity or a NaN.
  constexpr std::uint64_t kExponent = 0x7ffULL << 52, kSign = 1ULL << 63;
  const std::uint64_t imMask = plusZeros ? ~0ULL : ~kSign;
  constexpr std::size_t kBlock = 4096;
  for (std::size_t b = 0; b < s.re.size(); b += kBlock) {
    const std::size_t e = std::min(s.re.size(), b + kBlock);
    std::uint64_t im = 0, carry = 0;
    for (std::size_t i = b; i < e; ++i) {
      im |= std::bit_cast<std::uint64_t>(s.im[i]) & imMask;
      carry |= (std::bit_cast<std::uint64_t>(s.re[i]) & kExponent) + (1ULL << 52);
    }
    if (im != 0 || (carry & kSign) != 0) return false;
  }
  return true;
}

void assignFrom(const SplitMatrix& s, RCOMat& m, const CancelFlag* cancel) {
  m.resizeForOverwrite(s.rows, s.cols, cancel);
  writeElementRows(s.rows, s.cols, s.re.data(), s.im.data(), m.elements().data(), cancel);
}

void writeElementRows(int rows, int cols, const double* re, const double* im, Element* out,
                      const CancelFlag* cancel) {
  const bool stream = streamResult(static_cast<std::size_t>(rows) * cols);
  parallelFor(rows, passGrainFor(cols), [&](int first, int last) {
    CancelCountdown countdown(cancel);
    for (int r = first; r < last; ++r) {
      countdown.tick(cols);
      const std::size_t at = static_cast<std::size_t>(r) * cols;
      writeElements(cols, re + at, im ? im + at : nullptr, out + at, stream);
    }
    streamsDone();
  });
}

void writeElements(long count, const double* re, const double* im, Element* out, bool stream) {
  const auto kind = static_cast<unsigned long>(im ? ElementKind::Complex : ElementKind::Real);
  splitKernels().elementWords(count, re, im, kind, reinterpret_cast<double*>(out), stream);
}

void writeRealsAsComplex(long count, const double* re, Element* out, bool stream) {
  splitKernels().elementWords(count, re, nullptr, static_cast<unsigned long>(ElementKind::Complex),
                              reinterpret_cast<double*>(out), stream);
}

void writeIntegerZeros(long count, Element* out, bool stream) {
  splitKernels().elementWords(count, nullptr, nullptr,
                              static_cast<unsigned long>(ElementKind::Integer),
                              reinterpret_cast<double*>(out), stream);
}

void streamsDone() {
  _mm_sfence();
}

bool streamResult(std::size_t elements) {
  // 4 MB: twice the second-level cache of the machines measured.
  return elements * sizeof(Element) >= (std::size_t{4} << 20);
}

}  // namespace kelvaro
