#include "matrix/mat_product.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "matrix/split_kernels.h"
#include "matrix/thread_pool.h"

namespace kelvaro {

namespace {

// Depth of one pass over k and rows of A per packed block: the packed A block stays in the
// second-level cache and one packed column panel of B in the first.
constexpr int kDepthBlock = 128;
constexpr int kRowBlock = 128;

// Packs rows [i0, i0 + rows) x depth [k0, k0 + depth) of a into panels of mr rows: per k,
// mr real parts then mr imaginary parts; rows past the end are zeros.
void packA(const SplitMatrix& a, int i0, int rows, int k0, int depth, int mr, double* out) {
  for (int p = 0; p < rows; p += mr) {
    for (int k = 0; k < depth; ++k) {
      for (int r = 0; r < mr; ++r) {
        const bool inside = p + r < rows;
        const std::size_t at = static_cast<std::size_t>(i0 + p + r) * a.cols + k0 + k;
        out[r] = inside ? a.re[at] : 0.0;
        out[mr + r] = inside ? a.im[at] : 0.0;
      }
      out += 2 * mr;
    }
  }
}

// Packs depth [k0, k0 + depth) x the panels [firstPanel, lastPanel) of nr columns of b: per
// k, nr real parts then nr imaginary parts; columns past the end are zeros.
void packB(const SplitMatrix& b, int k0, int depth, int nr, int firstPanel, int lastPanel,
           double* out) {
  out += static_cast<std::size_t>(firstPanel) * depth * 2 * nr;
  for (int p = firstPanel * nr; p < std::min(b.cols, lastPanel * nr); p += nr) {
    const int width = std::min(nr, b.cols - p);
    for (int k = 0; k < depth; ++k) {
      const double* re = b.rowRe(k0 + k) + p;
      const double* im = b.rowIm(k0 + k) + p;
      std::copy(re, re + width, out);
      std::fill(out + width, out + nr, 0.0);
      std::copy(im, im + width, out + nr);
      std::fill(out + nr + width, out + 2 * nr, 0.0);
      out += 2 * nr;
    }
  }
}

}  // namespace

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

int splitProductSteps(int depth) {
  return (depth + kDepthBlock - 1) / kDepthBlock;
}

int productSteps(const RCOMat& a, const RCOMat& b) {
  return allComplex(a) && allComplex(b) ? splitProductSteps(a.cols()) : a.rows();
}

void MatMulSplit(const SplitMatrix& a, const SplitMatrix& b, SplitMatrix& c, WorkToken* work) {
  const int m = a.rows, p = a.cols, q = b.cols;
  c.rows = m;
  c.cols = q;
  assignZeros(c.re, static_cast<std::size_t>(m) * q, work);
  assignZeros(c.im, static_cast<std::size_t>(m) * q, work);
  if (m == 0 || q == 0 || p == 0) return;

  const SplitKernels& kern = splitKernels();
  const int mr = kern.gemmShape.mr, nr = kern.gemmShape.nr;
  const int panelsB = (q + nr - 1) / nr;
  // Buffers as large as the blocks of this product need: a small product (the powers of a
  // small matrix make millions of them) should not clear a quarter megabyte each time.
  const std::size_t depthBlock = static_cast<std::size_t>(std::min(kDepthBlock, p));
  const std::size_t rowBlock = static_cast<std::size_t>(std::min(kRowBlock, m));
  std::vector<double> packedB(static_cast<std::size_t>(panelsB) * depthBlock * 2 * nr);
  // The threads take runs of whole register tiles of rows.
  const int rowTiles = (m + mr - 1) / mr;
  const std::int64_t tileCost = static_cast<std::int64_t>(mr) * q * depthBlock;

  for (int k0 = 0; k0 < p; k0 += kDepthBlock) {
    const int depth = std::min(kDepthBlock, p - k0);
    parallelFor(panelsB, grainFor(static_cast<std::int64_t>(depth) * nr),
                [&](int first, int last) { packB(b, k0, depth, nr, first, last, packedB.data()); });
    parallelFor(rowTiles, grainFor(tileCost), [&](int firstTile, int lastTile) {
      // Every element of the buffers is written before it is read.
      const auto packedA =
          std::make_unique_for_overwrite<double[]>((rowBlock + mr) * depthBlock * 2);
      std::vector<double> tile(static_cast<std::size_t>(2) * mr * nr);
      const int end = std::min(m, lastTile * mr);
      for (int i0 = firstTile * mr; i0 < end; i0 += kRowBlock) {
        checkCancel(work);
        const int rows = std::min(kRowBlock, end - i0);
        packA(a, i0, rows, k0, depth, mr, packedA.get());
        for (int pb = 0; pb < panelsB; ++pb) {
          if (pb % 64 == 63) checkCancel(work);
          const int j = pb * nr;
          const int width = std::min(nr, q - j);
          const double* bp = packedB.data() + static_cast<std::size_t>(pb) * depth * 2 * nr;
          for (int r = 0; r < rows; r += mr) {
            const int height = std::min(mr, rows - r);
            const double* ap = packedA.get() + static_cast<std::size_t>(r) * depth * 2;
            double* cre = c.rowRe(i0 + r) + j;
            double* cim = c.rowIm(i0 + r) + j;
            if (height == mr && width == nr) {
              kern.gemmTile(depth, ap, bp, cre, cim, q);
              continue;
            }
            // A tile over the edge of C runs on a copy; its padding lanes are dropped.
            double* tre = tile.data();
            double* tim = tre + mr * nr;
            std::fill(tile.begin(), tile.end(), 0.0);
            for (int y = 0; y < height; ++y)
              for (int x = 0; x < width; ++x) {
                tre[y * nr + x] = cre[static_cast<std::size_t>(y) * q + x];
                tim[y * nr + x] = cim[static_cast<std::size_t>(y) * q + x];
              }
            kern.gemmTile(depth, ap, bp, tre, tim, nr);
            for (int y = 0; y < height; ++y)
              for (int x = 0; x < width; ++x) {
                cre[static_cast<std::size_t>(y) * q + x] = tre[y * nr + x];
                cim[static_cast<std::size_t>(y) * q + x] = tim[y * nr + x];
              }
          }
        }
      }
    });
    stepDone(work);
  }
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
  if (!allComplex(a) || !allComplex(b)) {
    MatMulElements(a, b, c, work);
    return;
  }
  SplitMatrix product;
  MatMulSplit(splitOf(a, work), splitOf(b, work), product, work);
  assignFrom(product, c, work);
}

}  // namespace kelvaro
