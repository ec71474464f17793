// The matrix power: skipping the products that only repeat changes no bit, and the work limit
// refuses only what neither fits nor repeats.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "matrix/Zezizir2.h"
#include "matrix/mat_inverse.h"
#include "tests/support/reference_kernels.h"

namespace kelvaro {
namespace {

using namespace reference;

struct Power {
  PowerOutcome outcome;
  RCOMat r;
};

Power power(RCOMat a, int x, std::uint64_t limit = kPowerWorkLimit) {
  RCOMat c, r;
  int err = 0;
  const PowerOutcome outcome = matrixPower(a, x, c, r, err, limit);
  return {outcome, r};
}

RCOMat swap2() {
  return complexMatrix(2, 2, {0, 1, 1, 0});
}

TEST(MatrixPower, SkippingRepeatedPowersChangesNoBit) {
  const RCOMat matrices[] = {
      complexMatrix(2, 2, {0.9, 0.1, 0.5, 0.5}),         // converges, maybe alternating last bits
      complexMatrix(1, 1, {2}),                          // overflows to INF, then stays
      complexMatrix(1, 1, {{0.5, 0.5}}),                 // underflows to 0
      swap2(),                                           // a permutation
      complexMatrix(3, 3, {0, 1, 0, 0, 0, 1, 1, 0, 0}),  // period three, seen at the 7th power
      complexMatrix(1, 1, {{0, 1}}),                     // i, -1, -i, 1, i, ...
      complexMatrix(2, 2, {0.6, -0.8, 0.8, 0.6}),        // turns without settling
      complexMatrix(2, 2, {1e300, -1e300, 1, 0}),        // INF - INF: NaN
  };
  for (const RCOMat& m : matrices) {
    for (const int x : {2, 3, 4, 5, 7, 8, 9, 33, 64, 65, 1000, 1023, 1024, 1025, 3001}) {
      SCOPED_TRACE("x = " + std::to_string(x) + ", m[0][0] = " + std::to_string(m[0][0].re()));
      const RCOMat expected = powerLeftToRight(m, x);
      const Power p = power(m, x);
      ASSERT_EQ(p.outcome, PowerOutcome::Done);
      EXPECT_TRUE(sameMatrix(p.r, expected));
      // A negative power inverts the same positive power, or fails as its inversion does.
      RCOMat factors = expected, inverse;
      int err = 0;
      const bool inversionThrew = threw([&] { MatInvLU(factors, inverse, err); });
      Power n{};
      ASSERT_EQ(threw([&] { n = power(m, -x); }), inversionThrew);
      if (inversionThrew) continue;
      EXPECT_EQ(n.outcome, err == kMatOk ? PowerOutcome::Done : PowerOutcome::Singular);
      EXPECT_TRUE(err != kMatOk || sameMatrix(n.r, inverse));
    }
  }
}

TEST(MatrixPower, HugeExponentsOfRepeatingPowersFinish) {
  EXPECT_TRUE(sameMatrix(power(swap2(), 2147483647).r, swap2()));
  const Power even = power(swap2(), -2147483647 - 1);  // the inverse of the identity
  ASSERT_EQ(even.outcome, PowerOutcome::Done);
  EXPECT_TRUE(sameMatrix(even.r, powerLeftToRight(swap2(), 2)));
  const Power i = power(complexMatrix(1, 1, {{0, 1}}), 2147483647);  // 4k + 3: -i
  EXPECT_TRUE(i.r[0][0].re() == 0 && i.r[0][0].im() == -1);
}

TEST(MatrixPower, BeyondTheWorkLimitOnlyRepeatsFinish) {
  const RCOMat shear = complexMatrix(2, 2, {1, 1, 0, 1});
  // 2 x 2 products count kLeastProductCost each: this limit allows exactly 100 products.
  const std::uint64_t limit = 100 * kLeastProductCost;
  EXPECT_EQ(largestFullPower(2, limit), 101);
  const Power full = power(shear, 101, limit);
  ASSERT_EQ(full.outcome, PowerOutcome::Done);
  EXPECT_EQ(full.r[0][1].re(), 101);
  EXPECT_EQ(power(shear, 102, limit).outcome, PowerOutcome::TooMuchWork);
  EXPECT_EQ(power(shear, -102, limit).outcome, PowerOutcome::TooMuchWork);
  EXPECT_EQ(power(shear, 2147483647, limit).outcome, PowerOutcome::TooMuchWork);
  // Beyond the limit, a 64th of it goes to looking for a repeat (here 100 products).
  const Power repeated = power(swap2(), 1000001, 64 * 100 * kLeastProductCost);
  ASSERT_EQ(repeated.outcome, PowerOutcome::Done);
  EXPECT_TRUE(sameMatrix(repeated.r, swap2()));
  // Larger matrices count n^3 per product.
  EXPECT_EQ(largestFullPower(1000, kPowerWorkLimit), 1 + (std::int64_t{1} << 36) / 1000000000);
}

}  // namespace
}  // namespace kelvaro
