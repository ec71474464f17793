#include "matrix/mat_product.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "matrix/panel_packing.h"
#include "matrix/split_kernels.h"
#include "matrix/split_matrix.h"
#include "matrix/thread_pool.h"

namespace kelvaro {

namespace {

// Depth of one pass over k, and rows of C per block. Each register tile loads its running
// sums, takes a pass of `depth` steps and stores them, so a deep pass loads and stores the
// sums less often; the packed column panel of B (depth x nr, 128 KB at 512) then comes from
// the second-level cache rather than the first, which cost less than the sums' traffic did:
// on the development machine (AVX-512, 1 MB second-level cache) a depth of 512 took the
// product of order 1000 from 99-105 to 93-98 ms on one thread (pinned, alternating), 128
// and 256 were slower. The block's running sums (rows x columns) are written to C once, at
// the end.
// Each block of rows reads all of packed B once. Where B is large (8 MB and more: order 721
// and up, square) it comes from the third-level cache or memory, and blocks of 256 rows read
// it a quarter as often as blocks of 64: on a 2-core Intel Xeon (2 MB second-level cache),
// one thread, pinned, in turn, order 1000 208 -> 191 ms, 2000 2083 -> 1908, two threads at
// 1000 106 -> 99; 700 the same. Where B is smaller, 64: at 500, 256 rows took 6% longer (the
// packed rows, 2 MB, no longer stay in the second-level cache beside B), at 200-300 2%.
constexpr int kDepthBlock = 512;
constexpr int kRowBlock = 64;
constexpr int kWideRowBlock = 256;
constexpr long kWideFromBytes = 8L << 20;
std::atomic<long> wideRowsFrom{kWideFromBytes};

// The operands' values, from elements or split arrays.
struct ElementValues {
  const Element* e;
  int cols;
  double re(int i, int k) const { return e[static_cast<std::size_t>(i) * cols + k].re(); }
  double im(int i, int k) const { return e[static_cast<std::size_t>(i) * cols + k].im(); }
};

// c := a * b (m x p times p x q) for a product whose every element is complex, each sum from
// 0.0 over k in ascending order. Values give the operands; put(i, re, im, count) takes count
// finished elements of row i, from column 0. Advances work once per row of c. Real: every
// operand's imaginary part is zero and its real part finite (realValued); the sums are then
// those of the real parts alone, and put is given no imaginary parts (im null): they are +0.
template <bool Real, class AValues, class BValues, class Put>
void blockedProduct(const AValues& a, const BValues& b, int m, int p, int q, Put put,
                    WorkToken* work) {
  const SplitKernels& kern = splitKernels();
  const GemmShape shape = Real ? kern.realGemmShape : kern.gemmShape;
  const int mr = shape.mr, nr = shape.nr;
  constexpr int parts = Real ? 1 : 2;
  const int panelsB = (q + nr - 1) / nr;
  const int width = panelsB * nr;  // of a block's sums: whole panels, the padding dropped
  DoubleArray packedB(static_cast<std::size_t>(panelsB) * p * parts * nr);
  parallelFor(panelsB, passGrainFor(static_cast<std::int64_t>(p) * nr),
              [&](int first, int last) { packB<Real>(b, p, q, nr, first, last, packedB.data()); });

  // Buffers as large as this product needs: a small product (the powers of a small matrix
  // make millions of them) should not take a quarter megabyte each time.
  const int depthBlock = std::min(kDepthBlock, p);
  const bool wide = packedB.size() * sizeof(double) >=
                    static_cast<std::size_t>(wideRowsFrom.load(std::memory_order_relaxed));
  const int rowBlock = std::min(wide ? kWideRowBlock : kRowBlock, (m + mr - 1) / mr * mr);
  // The threads take runs of whole register tiles of rows; a real multiply-add costs a
  // quarter of a complex one.
  const int rowTiles = (m + mr - 1) / mr;
  const std::int64_t tileCost = static_cast<std::int64_t>(mr) * q * p / (Real ? 4 : 1);
  parallelFor(rowTiles, grainFor(tileCost), [&](int firstTile, int lastTile) {
    DoubleArray packedA(static_cast<std::size_t>(rowBlock) * depthBlock * parts);
    DoubleArray sums(static_cast<std::size_t>(rowBlock) * width * parts);
    double* sre = sums.data();
    double* sim = Real ? nullptr : sre + static_cast<std::size_t>(rowBlock) * width;
    const int end = std::min(m, lastTile * mr);
    for (int i0 = firstTile * mr; i0 < end; i0 += rowBlock) {
      checkCancel(work);
      const int rows = std::min(rowBlock, end - i0);
      const int tiles = (rows + mr - 1) / mr;
      const std::size_t used = static_cast<std::size_t>(tiles) * mr * width;
      std::fill(sre, sre + used, 0.0);
      if constexpr (!Real) std::fill(sim, sim + used, 0.0);
      for (int k0 = 0; k0 < p; k0 += kDepthBlock) {
        const int depth = std::min(kDepthBlock, p - k0);
        packA<Real>(a, i0, rows, k0, depth, mr, packedA.data());
        for (int pb = 0; pb < panelsB; ++pb) {
          if (pb % 64 == 63) checkCancel(work);
          const double* bp = packedB.data() + (static_cast<std::size_t>(pb) * p + k0) * parts * nr;
          for (int t = 0; t < tiles; ++t) {
            const std::size_t at = static_cast<std::size_t>(t) * mr * width + pb * nr;
            const double* ap = packedA.data() + static_cast<std::size_t>(t) * mr * depth * parts;
            if constexpr (Real)
              kern.gemmTileReal(depth, ap, bp, sre + at, width);
            else
              kern.gemmTile(depth, ap, bp, sre + at, sim + at, width);
          }
        }
      }
      for (int y = 0; y < rows; ++y)
        put(i0 + y, sre + static_cast<std::size_t>(y) * width,
            Real ? nullptr : sim + static_cast<std::size_t>(y) * width, q);
      stepDone(work, static_cast<std::uint64_t>(rows));
    }
    streamsDone();  // put may write around the caches
  });
}

// Whether a value's imaginary part is zero and its real part finite. Where every value of both
// operands is, each product's real part a·c - b·d is a·c, but for the sign of a zero, and its
// imaginary part a·d + b·c a zero; a sum that starts from +0 stays +0 under zeros of either
// sign, and takes its first non-zero term as it is. So the product is the real product of the
// real parts with +0 imaginary parts, at a quarter of the arithmetic. (An infinite or NaN part
// would make a·d a NaN.)
bool realValued(double re, double im) {
  return im == 0.0 && std::isfinite(re);
}

// What an operand's elements are: not all complex, or all complex and whether every one of
// them is real-valued, in one pass.
enum class Operand { NotAllComplex, Complex, RealValued };

Operand operandOf(const RCOMat& m) {
  std::atomic<bool> real{true};
  const int cols = m.cols();
  const bool complex = everyRow(m.rows(), cols, nullptr, [&](int i) {
    bool allReal = true;
    for (const Element* e = m[i]; e != m[i] + cols; ++e) {
      if (!e->isComplex()) return false;
      allReal = allReal & realValued(e->re(), e->im());
    }
    if (!allReal) real.store(false, std::memory_order_relaxed);
    return true;
  });
  if (!complex) return Operand::NotAllComplex;
  return real.load(std::memory_order_relaxed) ? Operand::RealValued : Operand::Complex;
}

// blockedProduct by the real kernel where every operand value allows it (realValued).
template <class AValues, class BValues, class Put>
void product(bool real, const AValues& a, const BValues& b, int m, int p, int q, Put put,
             WorkToken* work) {
  if (real)
    blockedProduct<true>(a, b, m, p, q, put, work);
  else
    blockedProduct<false>(a, b, m, p, q, put, work);
}

}  // namespace

void setProductWideRowsFrom(long bytes) {
  wideRowsFrom.store(bytes > 0 ? bytes : kWideFromBytes, std::memory_order_relaxed);
}

void MatCopy(const RCOMat& src, RCOMat& dst, int& MatErr) {
  int rows, cols;
  MatDim(src, rows, cols, MatErr);
  if (MatErr != kMatOk) return;
  dst = src;
}

void MatMulElements(const RCOMat& a, const RCOMat& b, RCOMat& c, WorkToken* work) {
  const int m = a.rows(), p = a.cols(), q = b.cols();
  c.resize(m, q, work);
  parallelFor(m, grainFor(static_cast<std::int64_t>(p) * q), [&](int first, int last) {
    for (int i = first; i < last; ++i) {
      checkCancel(work);
      for (int j = 0; j < q; ++j) {
        Element s = Element::integer(0);
        for (int k = 0; k < p; ++k) s = s + a[i][k] * b[k][j];
        c[i][j] = s;
      }
      stepDone(work);
    }
  });
}

void MatKron(const RCOMat& a, const RCOMat& b, RCOMat& r, int& MatErr, WorkToken* work) {
  int ra, ca, rb, cb;
  MatDim(a, ra, ca, MatErr);
  if (MatErr != kMatOk) return;
  MatDim(b, rb, cb, MatErr);
  if (MatErr != kMatOk) return;
  const std::int64_t rows = std::int64_t{ra} * rb, cols = std::int64_t{ca} * cb;
  checkMatrixSize(rows, cols);
  sizeFor(r, static_cast<int>(rows), static_cast<int>(cols), work);
  beginWork(work, static_cast<std::uint64_t>(rows));
  // Row i*rb + k of r is row i of a times row k of b, element by element.
  parallelFor(static_cast<int>(rows), grainFor(cols), [&](int first, int last) {
    for (int row = first; row < last; ++row) {
      checkCancel(work);
      const Element* x = a[row / rb];
      const Element* y = b[row % rb];
      Element* out = r[row];
      for (int j = 0; j < ca; ++j, out += cb)
        for (int l = 0; l < cb; ++l) out[l] = x[j] * y[l];
      stepDone(work);
    }
  });
}

int productSteps(const RCOMat& a, const RCOMat&) {
  return a.rows();
}

void MatMulSplit(const SplitMatrix& a, const SplitMatrix& b, SplitMatrix& c, WorkToken* work) {
  const int m = a.rows, p = a.cols, q = b.cols;
  c.rows = m;
  c.cols = q;
  c.re.resize(static_cast<std::size_t>(m) * q);
  c.im.resize(static_cast<std::size_t>(m) * q);
  if (m == 0 || q == 0) return;
  if (p == 0) {
    assignZeros(c.re, static_cast<std::size_t>(m) * q, work);
    assignZeros(c.im, static_cast<std::size_t>(m) * q, work);
    stepDone(work, static_cast<std::uint64_t>(m));
    return;
  }
  product(
      realValued(a, false) && realValued(b, false), SplitValues{a}, SplitValues{b}, m, p, q,
      [&](int i, const double* re, const double* im, int count) {
        std::copy_n(re, count, c.rowRe(i));
        if (im)
          std::copy_n(im, count, c.rowIm(i));
        else
          std::fill_n(c.rowIm(i), count, 0.0);
      },
      work);
}

// Bound: every sum runs in ascending k, which blocking keeps, so arithmetic: n^3 complex
// multiply-adds of 8 flops at the peak without fused multiply-adds (bench/README.md).
void MatMul(const RCOMat& a, const RCOMat& b, RCOMat& c, int& MatErr, WorkToken* work) {
  int m, p, pb, q;
  MatDim(a, m, p, MatErr);
  if (MatErr != kMatOk) return;
  MatDim(b, pb, q, MatErr);
  if (MatErr != kMatOk) return;
  if (p != pb) {
    MatErr = kMatSizeMismatch;
    return;
  }
  beginWork(work, productSteps(a, b));
  const Operand ofA = operandOf(a);
  const Operand ofB = ofA == Operand::NotAllComplex ? ofA : operandOf(b);
  if (ofB == Operand::NotAllComplex) {
    MatMulElements(a, b, c, work);
    return;
  }
  // Straight from the elements and into them: split copies of the operands and of the
  // product would cost more in fresh memory than their reading does.
  c.resizeForOverwrite(m, q, work);
  Element* out = c[0];
  const bool stream = streamResult(static_cast<std::size_t>(m) * q);
  product(
      ofA == Operand::RealValued && ofB == Operand::RealValued, ElementValues{a[0], p},
      ElementValues{b[0], q}, m, p, q,
      [&](int i, const double* re, const double* im, int count) {
        Element* row = out + static_cast<std::size_t>(i) * q;
        im ? writeElements(count, re, im, row, stream)
           : writeRealsAsComplex(count, re, row, stream);
      },
      work);
}

}  // namespace kelvaro
