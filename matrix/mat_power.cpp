#include "matrix/mat_power.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

#include "matrix/mat_inverse.h"
#include "matrix/mat_product.h"

namespace kelvaro {

namespace {

// Beyond the work limit, the share of it that the search for a repeat may take.
constexpr std::uint64_t kRepeatSearchShare = 64;

std::uint64_t productCost(int n) {
  const auto m = static_cast<std::uint64_t>(n);
  return std::max(m * m * m, kLeastProductCost);
}

bool sameBits(const DoubleArray& a, const DoubleArray& b) {
  return a.size() == b.size() &&
         (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0);
}
bool sameBits(const SplitMatrix& a, const SplitMatrix& b) {
  return sameBits(a.re, b.re) && sameBits(a.im, b.im);
}
bool sameBits(const RCOMat& a, const RCOMat& b) {
  if (a.rows() != b.rows() || a.cols() != b.cols()) return false;
  const auto bits = [](double v) { return std::bit_cast<std::uint64_t>(v); };
  const auto x = a.elements(), y = b.elements();
  for (std::size_t i = 0; i < x.size(); ++i) {
    if (x[i].kind() != y[i].kind() || bits(x[i].re()) != bits(y[i].re()) ||
        bits(x[i].im()) != bits(y[i].im()))
      return false;
  }
  return true;
}

// power := power^count from power^1, one step(power) per product. A repeat is looked for as
// in Brent's cycle search: each new power is compared with a copy taken at the powers 1, 2,
// 4, 8, ...; once power^k equals the copy of power^s, the powers go round with period k - s
// and only (count - k) mod (k - s) more steps are needed. False when maxSteps steps are made
// before count or a repeat is reached.
template <class Power, class Step>
bool raiseByRepeatedSteps(Power& power, long long count, long long maxSteps, Step step) {
  Power saved = power;
  long long savedAt = 1;
  for (long long k = 1; k < count;) {
    if (k - 1 >= maxSteps) return false;
    step(power);
    ++k;
    if (sameBits(power, saved)) {
      for (long long rest = (count - k) % (k - savedAt); rest > 0; --rest) step(power);
      return true;
    }
    if (k == 2 * savedAt) {
      saved = power;
      savedAt = k;
    }
  }
  return true;
}

// c := a^count (count >= 1), each product the running power times a; r gets the last one.
// The steps counted are those of the products (productSteps each).
PowerOutcome positivePower(const RCOMat& a, long long count, RCOMat& c, RCOMat& r, int& MatErr,
                           std::uint64_t workLimit, WorkToken* work) {
  MatCopy(a, c, MatErr);
  if (count == 1 || MatErr != kMatOk) return PowerOutcome::Done;
  long long maxSteps = count - 1;
  if (count > largestFullPower(a.rows(), workLimit))
    maxSteps = static_cast<long long>(workLimit / kRepeatSearchShare / productCost(a.rows()));
  beginWork(work, static_cast<std::uint64_t>(std::min(count - 1, maxSteps)) * productSteps(a, a));
  if (SplitMatrix factor; splitIfComplex(a, factor, work)) {
    // The same products as MatMul gives them, without leaving the split form in between.
    SplitMatrix power = factor, product;
    const bool reached = raiseByRepeatedSteps(power, count, maxSteps, [&](SplitMatrix& p) {
      MatMulSplit(p, factor, product, work);
      std::swap(p, product);
    });
    if (!reached) return PowerOutcome::TooMuchWork;
    finishWork(work);  // a repeat skips the products that would only go round again
    assignFrom(power, r, work);
    c = r;
    return PowerOutcome::Done;
  }
  const bool reached = raiseByRepeatedSteps(c, count, maxSteps, [&](RCOMat& p) {
    MatMulElements(p, a, r, work);
    MatCopy(r, p, MatErr);
  });
  if (reached) finishWork(work);
  return reached ? PowerOutcome::Done : PowerOutcome::TooMuchWork;
}

}  // namespace

long long largestFullPower(int n, std::uint64_t workLimit) {
  return 1 + static_cast<long long>(workLimit / productCost(n));
}

PowerOutcome matrixPower(RCOMat& a, int x, RCOMat& c, RCOMat& r, int& MatErr,
                         std::uint64_t workLimit, WorkToken* work) {
  MatErr = kMatOk;
  if (x == 0) {
    const int n = a.rows();
    r.resize(n, n, work);
    for (int i = 0; i < n; ++i)
      for (int j = 0; j < n; ++j) r[i][j] = Element::integer(i == j ? 1 : 0);
    return PowerOutcome::Done;
  }
  if (x == 1) {
    MatCopy(a, r, MatErr);
    return PowerOutcome::Done;
  }
  if (x != -1) {
    const PowerOutcome outcome =
        positivePower(a, std::llabs(static_cast<long long>(x)), c, r, MatErr, workLimit, work);
    if (x > 0 || outcome != PowerOutcome::Done) return outcome;
  }
  MatInvLU(x == -1 ? a : c, r, MatErr, work);
  return MatErr == kMatOk ? PowerOutcome::Done : PowerOutcome::Singular;
}

}  // namespace kelvaro
