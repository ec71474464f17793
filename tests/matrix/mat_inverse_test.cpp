#include "matrix/mat_inverse.h"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>

#include "matrix/mat_product.h"
#include "matrix_test_util.h"
#include "numbers/calc_error.h"
#include "numbers/extended.h"

namespace kelvaro {
namespace {

using test::C;
using test::cmat;

// The Gauss-Jordan inversion written the plain way, step by step, on the split parts: the
// oracle that the fused, vectorised MatInverse must match bit for bit.
int plainGaussJordan(int n, RCoVecD& ar, RCoVecD& ai, RCOMat& r) {
  r.resize(n, n);
  std::vector<int> prow(n), pcol(n);
  auto at = [n](int i, int j) { return static_cast<std::size_t>(i) * n + j; };
  auto product = [](double xr, double xi, double yr, double yi, double& p, double& q, double& s) {
    p = xr * yr;
    q = xi * yi;
    s = (xr + xi) * (yr + yi);
  };
  for (int k = 0; k < n; ++k) {
    double d = 0.0;
    for (int i = k; i < n; ++i)
      for (int j = k; j < n; ++j) {
        const double p = ar[at(i, j)] * ar[at(i, j)] + ai[at(i, j)] * ai[at(i, j)];
        if (p > d) d = p, prow[k] = i, pcol[k] = j;
      }
    if (static_cast<Extended>(1.0) + d == static_cast<Extended>(1.0)) return 1;
    for (int j = 0; j < n; ++j) {
      std::swap(ar[at(k, j)], ar[at(prow[k], j)]);
      std::swap(ai[at(k, j)], ai[at(prow[k], j)]);
    }
    for (int i = 0; i < n; ++i) {
      std::swap(ar[at(i, k)], ar[at(i, pcol[k])]);
      std::swap(ai[at(i, k)], ai[at(i, pcol[k])]);
    }
    ar[at(k, k)] = ar[at(k, k)] / d;
    ai[at(k, k)] = -ai[at(k, k)] / d;
    const double vr = ar[at(k, k)], vi = ai[at(k, k)];
    double p, q, s;
    for (int j = 0; j < n; ++j) {
      if (j == k) continue;
      product(ar[at(k, j)], ai[at(k, j)], vr, vi, p, q, s);
      ar[at(k, j)] = p - q;
      ai[at(k, j)] = s - p - q;
    }
    for (int i = 0; i < n; ++i)
      for (int j = 0; j < n; ++j) {
        if (i == k || j == k) continue;
        product(ar[at(k, j)], ai[at(k, j)], ar[at(i, k)], ai[at(i, k)], p, q, s);
        ar[at(i, j)] = ar[at(i, j)] - (p - q);
        ai[at(i, j)] = ai[at(i, j)] - (s - p - q);
      }
    for (int i = 0; i < n; ++i) {
      if (i == k) continue;
      product(ar[at(i, k)], ai[at(i, k)], vr, vi, p, q, s);
      ar[at(i, k)] = q - p;
      ai[at(i, k)] = p + q - s;
    }
  }
  for (int k = n - 1; k >= 0; --k) {
    for (int j = 0; j < n; ++j) {
      std::swap(ar[at(k, j)], ar[at(pcol[k], j)]);
      std::swap(ai[at(k, j)], ai[at(pcol[k], j)]);
    }
    for (int i = 0; i < n; ++i) {
      std::swap(ar[at(i, k)], ar[at(i, prow[k])]);
      std::swap(ai[at(i, k)], ai[at(i, prow[k])]);
    }
  }
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j) r[i][j] = Element::complex(ar[at(i, j)], ai[at(i, j)]);
  return 0;
}

int inverse(const RCOMat& m, RCOMat& r) {
  RCoVecD ar, ai;
  for (const Element& e : m.elements()) ar.push_back(e.re()), ai.push_back(e.im());
  return MatInverse(m.rows(), ar, ai, r);
}

// max |(a * b - I)[i][j]|
double distanceFromIdentity(const RCOMat& a, const RCOMat& b) {
  RCOMat p;
  MatMulElements(a, b, p);
  double worst = 0;
  for (int i = 0; i < p.rows(); ++i)
    for (int j = 0; j < p.cols(); ++j)
      worst = std::max(worst, std::abs(C(p[i][j].re(), p[i][j].im()) - C(i == j, 0)));
  return worst;
}

TEST(MatInverse, SmallInverses) {
  RCOMat r;
  EXPECT_EQ(inverse(cmat({{1, 2}, {3, 4}}), r), 0);
  EXPECT_TRUE(test::nearMatrix(r, {{-2, 1}, {1.5, -0.5}}, 1e-15));
  EXPECT_EQ(inverse(cmat({{C(0, 1)}}), r), 0);
  EXPECT_TRUE(test::nearMatrix(r, {{C(0, -1)}}, 0));
  EXPECT_EQ(inverse(cmat({{C(1, 1)}}), r), 0);
  EXPECT_TRUE(test::nearMatrix(r, {{C(0.5, -0.5)}}, 0));
  EXPECT_EQ(inverse(cmat({{1e-9}}), r), 0);
  EXPECT_TRUE(test::nearMatrix(r, {{1e9}}, 1e-6));
}

TEST(MatInverse, SingularWhenTheLargestSquaredModulusIsAtMostTwoToMinus64) {
  RCOMat r;
  EXPECT_EQ(inverse(cmat({{1, 2}, {2, 4}}), r), 1);
  EXPECT_EQ(r.rows(), 2);  // sized, not filled
  EXPECT_EQ(inverse(cmat({{1e-11}}), r), 1);
  const double edge = std::ldexp(1.0, -32);  // squared: exactly 2^-64
  EXPECT_EQ(inverse(cmat({{edge}}), r), 1);
  EXPECT_EQ(inverse(cmat({{C(0, edge)}}), r), 1);
  EXPECT_EQ(inverse(cmat({{std::nextafter(edge, 1.0)}}), r), 0);
}

TEST(MatInverse, TimesTheMatrixGivesTheIdentity) {
  std::mt19937_64 gen(3);
  const RCOMat m = test::randomWellConditioned(40, gen);
  RCOMat r;
  ASSERT_EQ(inverse(m, r), 0);
  EXPECT_LT(distanceFromIdentity(m, r), 1e-12);
}

TEST(MatInverse, EveryPathMatchesThePlainEliminationBitForBit) {
  std::mt19937_64 gen(5);
  // Sizes up to several panels of steps, with ragged last panels.
  const int sizes[] = {1, 2, 3, 7, 16, 31, 32, 33, 64, 65, 97, 130};
  for (int round = 0; round < 12; ++round) {
    const int n = sizes[round];
    // Small integers: many equal moduli, so the tie rule of the pivot search is exercised.
    const RCOMat m = test::randomOfRound(round, n, gen);
    RCoVecD er, ei;
    for (const Element& e : m.elements()) er.push_back(e.re()), ei.push_back(e.im());
    RCOMat expected;
    const int expectedResult = plainGaussJordan(n, er, ei, expected);
    test::forEachSimdPath([&](SimdPath) {
      RCOMat r;
      EXPECT_EQ(inverse(m, r), expectedResult) << n;
      if (expectedResult == 0) {
        EXPECT_TRUE(test::sameMatrix(r, expected)) << n;
      }
    });
  }
}

void invLU(RCOMat m, RCOMat& r, int& err) {
  MatInvLU(m, r, err);
}

TEST(MatInvLU, PivotsOnTheRealPartOnly) {
  RCOMat r;
  int err = -1;
  invLU(cmat({{0, 1}, {1, 0}}), r, err);  // the off-diagonal pivot is found
  EXPECT_EQ(err, kMatOk);
  EXPECT_TRUE(test::nearMatrix(r, {{0, 1}, {1, 0}}, 0));
  invLU(cmat({{1, 1}, {0, 2}}), r, err);
  EXPECT_TRUE(test::nearMatrix(r, {{1, -0.5}, {0, 0.5}}, 1e-15));
  // No real part to pivot on, although the matrix is invertible.
  invLU(cmat({{C(0, 1), 0}, {0, C(0, 1)}}), r, err);
  EXPECT_EQ(err, kMatSingular);
  EXPECT_TRUE(test::nearMatrix(r, {{1, -0.5}, {0, 0.5}}, 1e-15));  // unchanged
}

TEST(MatInvLU, CatchesTheUntestedLastPivot) {
  RCOMat r;
  int err = -1;
  invLU(cmat({{1, 2}, {2, 4}}), r, err);
  EXPECT_EQ(err, kMatSingular);
  invLU(cmat({{C(1e-13, 1e-13)}}), r, err);  // 0 by the element comparison
  EXPECT_EQ(err, kMatSingular);
}

TEST(MatInvLU, ShapeErrorsAndSmallDivisors) {
  RCOMat r;
  int err = -1;
  invLU(RCOMat(), r, err);
  EXPECT_EQ(err, kMatEmpty);
  invLU(cmat({{1, 2}}), r, err);
  EXPECT_EQ(err, kMatSizeMismatch);
  // Not 0 by the comparison, yet its squared modulus is below the division limit.
  EXPECT_THROW(invLU(cmat({{1e-7}}), r, err), CalcError);
}

TEST(MatInvLU, TimesTheMatrixGivesTheIdentity) {
  std::mt19937_64 gen(8);
  const RCOMat m = test::randomWellConditioned(70, gen);
  RCOMat r;
  int err = -1;
  invLU(m, r, err);
  ASSERT_EQ(err, kMatOk);
  EXPECT_LT(distanceFromIdentity(m, r), 1e-12);
}

TEST(MatInvLU, EveryPathMatchesTheElementVersionBitForBit) {
  std::mt19937_64 gen(21);
  for (int round = 0; round < 17; ++round) {
    const int n = round < 16 ? 1 + round * 5 : 70;
    RCOMat m = test::randomOfRound(round, n, gen);
    if (round == 16) {
      // Rows of zeros from row 40 on: no real part is left at step 40, in the second panel.
      for (int i = 40; i < n; ++i)
        for (int j = 0; j < n; ++j) m[i][j] = Element::complex(0, 0);
    }
    RCOMat plainFactors = m, plainInverse;
    int plainErr = -1;
    const bool plainThrew =
        test::threw([&] { MatInvLUElements(plainFactors, plainInverse, plainErr); });
    test::forEachSimdPath([&](SimdPath) {
      RCOMat factors = m, r;
      int err = -1;
      EXPECT_EQ(test::threw([&] { MatInvLU(factors, r, err); }), plainThrew) << n;
      if (plainThrew) return;
      EXPECT_EQ(err, plainErr) << n;
      EXPECT_TRUE(test::sameMatrix(factors, plainFactors)) << n;
      if (err == kMatOk) {
        EXPECT_TRUE(test::sameMatrix(r, plainInverse)) << n;
      }
    });
  }
}

TEST(MatLUSolve, SolvesThroughThePivotedFactors) {
  RCOMat a = cmat({{0, 2, 1}, {1, C(1, 1), 0}, {3, 0, 1}});
  RCoVecE colPerm, rowPerm;
  int err = 0;
  MatLUPivot(3, a, colPerm, rowPerm, err);
  ASSERT_EQ(err, kMatOk);
  // b = A0 * (1, i, 2)
  RCOVec x = {Element::complex(2, 2), Element::complex(0, 1), Element::complex(5, 0)};
  MatLUSolve(a, 3, x, rowPerm, colPerm, err);
  EXPECT_EQ(err, kMatOk);
  EXPECT_TRUE(test::near(x[0], 1, 1e-14));
  EXPECT_TRUE(test::near(x[1], C(0, 1), 1e-14));
  EXPECT_TRUE(test::near(x[2], 2, 1e-14));
}

}  // namespace
}  // namespace kelvaro
