#include "matrix/mat_cholesky.h"

#include <algorithm>
#include <cstdint>
#include <exception>
#include <vector>

#include "matrix/mat_types.h"
#include "matrix/thread_pool.h"
#include "numbers/calc_error.h"

namespace kelvaro {

namespace {

// Rows are factored in blocks. Row j needs the finished rows above it: those above its block
// are finished when the block starts, so every row of the block takes its columns left of the
// block at the same time as the others (on the threads), and its sums over those columns for
// the columns inside the block. The rest, within the block, goes row by row. Every value sees
// the same operations in the same order as row by row throughout; a row that fails in the
// shared part has its failure kept and raised when the walk reaches it, so the first failure
// in row order ends the factorisation, as it would row by row.
constexpr int kBlock = 64;

enum class Failure { None, NoDecomposition, Error };

struct RowWork {
  RCOVec w;          // w[k]: column k of D·Lᵀ for this row, as far as it is known
  RCOVec mult;       // the multipliers of the columns left of the block, not yet in a
  Element s;         // the pivot of this row, as far as it is known
  int failedAt = 0;  // the column of a failure in the shared part
  Failure failure = Failure::None;
  std::exception_ptr error;
};

// One column k of row j: w[k] finished, then the multiplier and the pivot's part. False when
// the factorisation ends here (a zero pivot meets a non-zero coupling).
bool finishColumn(RowWork& row, int k, const RCOVec& pivots, Element& multiplier) {
  const Element& wk = row.w[k];
  if (!isZero(pivots[k]))
    multiplier = wk / pivots[k];
  else if (isZero(wk))
    multiplier = Element::integer(1);
  else
    return false;
  row.s = row.s - wk * multiplier;
  return true;
}

}  // namespace

bool choleskyLDL(RCOMat& a, RCOMat& l, RCOMat& d, WorkToken* work) {
  const int n = a.rows();
  beginWork(work, n);
  RCOVec pivots(n);
  std::vector<RowWork> rows(std::min(n, kBlock));
  for (int j0 = 0; j0 < n; j0 += kBlock) {
    const int j1 = std::min(n, j0 + kBlock);
    const std::int64_t rowCost = static_cast<std::int64_t>(j0) * j0 / 2 + 1;
    parallelFor(j1 - j0, grainFor(rowCost), [&](int first, int last) {
      for (int j = j0 + first; j < j0 + last; ++j) {
        RowWork& row = rows[j - j0];
        row.w.assign(j, Element());
        row.mult.assign(j0, Element());
        row.s = a[j][j];
        row.failure = Failure::None;
        row.error = nullptr;
        int k = 0;
        try {
          for (; k < j0; ++k) {
            if (k % 64 == 0) checkCancel(work);
            Element wk = a[k][j];
            for (int i = 0; i < k; ++i) wk = wk - row.w[i] * a[k][i];
            row.w[k] = wk;
            if (!finishColumn(row, k, pivots, row.mult[k])) {
              row.failure = Failure::NoDecomposition;
              break;
            }
          }
        } catch (const CalcError&) {
          row.failure = Failure::Error;
          row.error = std::current_exception();
        }
        row.failedAt = k;
      }
    });
    // The columns inside the block, over the columns left of it; a row that failed is not
    // reached.
    parallelFor(j1 - j0, grainFor(static_cast<std::int64_t>(kBlock) * j0),
                [&](int first, int last) {
                  for (int j = j0 + first; j < j0 + last; ++j) {
                    RowWork& row = rows[j - j0];
                    for (int k = j0; k < j && row.failure == Failure::None; ++k) {
                      const RCOVec& multK = rows[k - j0].mult;
                      Element wk = a[k][j];
                      for (int i = 0; i < j0; ++i) wk = wk - row.w[i] * multK[i];
                      row.w[k] = wk;
                    }
                  }
                });
    for (int j = j0; j < j1; ++j) {
      checkCancel(work);
      RowWork& row = rows[j - j0];
      const int known = row.failure == Failure::None ? j0 : row.failedAt;
      std::copy_n(row.mult.begin(), known, a[j]);
      if (row.failure == Failure::Error) std::rethrow_exception(row.error);
      if (row.failure == Failure::NoDecomposition) return false;
      for (int k = j0; k < j; ++k) {
        for (int i = j0; i < k; ++i) row.w[k] = row.w[k] - row.w[i] * a[k][i];
        if (!finishColumn(row, k, pivots, a[j][k])) return false;
      }
      pivots[j] = row.s;
      stepDone(work);
    }
  }
  l.resize(n, n, work);
  d.resize(n, n, work);
  CancelCountdown countdown(work);
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j) {
      countdown.tick();
      l[i][j] = j > i ? Element::integer(0) : j == i ? Element::integer(1) : a[i][j];
      d[i][j] = j == i ? pivots[i] : Element::integer(0);
    }
  return true;
}

}  // namespace kelvaro
