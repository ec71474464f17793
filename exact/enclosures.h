#pragma once
// Rigorous enclosures of results that are not rational: the eigenvalues of a real matrix,
// its singular values and vectors, its QR factors as the Householder routine defines them,
// and square roots. Each routine works in ball arithmetic at a given precision (bits); the
// true value lies inside every interval it returns. A caller that needs narrower intervals
// asks again at a higher precision.

#include <complex>
#include <optional>
#include <vector>

#include "exact/exact_matrix.h"
#include "exact/exact_work.h"
#include "exact/rational.h"

namespace kelvaro::exact {

// A real number known to lie in [lo, hi]; not `known` when the ball blew up (no bound).
struct Enclosure {
  Rational lo, hi;
  bool known = false;

  bool contains(const Rational& x) const { return known && lo <= x && x <= hi; }
};

// The square root of s >= 0; the exact root when s is the square of a rational.
Enclosure enclosedSqrt(const Rational& s, long precision);

struct EigenvalueEnclosures {
  // False: some eigenvalues could not be told apart at this precision (multiple ones never
  // can); nothing else is filled in.
  bool separated = false;
  std::vector<Enclosure> re, im;
  // The eigenvalue is real: its interval meets no other's mirror image.
  std::vector<char> real;
};

// The eigenvalues of the real square matrix a, in no particular order. `computed` (all n of
// them, or none) guides the enclosure; the result does not depend on its accuracy beyond how
// narrow the intervals get.
EigenvalueEnclosures enclosedEigenvalues(const ExactMatrix& a,
                                         const std::vector<std::complex<double>>& computed,
                                         long precision, const Work& work);

struct SingularEnclosures {
  // False: the eigenvalues of a'a (or aa') could not be enclosed at this precision.
  bool certified = false;
  // The min(m, n) singular values, largest first, and how many share each one's interval (1:
  // a simple singular value).
  std::vector<Enclosure> values;
  std::vector<int> cluster;
  // For each simple nonzero singular value k, column k of U (m entries) and row k of V (n
  // entries) up to their common sign; empty where not enclosed.
  std::vector<std::vector<Enclosure>> u, v;
};

// The singular values and vectors of the real m x n matrix a. approxU (m x m, row-major),
// approxValues and approxV (n x n, its rows the right singular vectors) are a computed
// decomposition that guides the enclosure; the result does not depend on their accuracy
// beyond how narrow the intervals get.
SingularEnclosures enclosedSingularValues(const ExactMatrix& a, const std::vector<double>& approxU,
                                          const std::vector<double>& approxValues,
                                          const std::vector<double>& approxV, long precision,
                                          const Work& work);

// Q (m x m) and R (m x n) of the real m x n matrix a, m >= n, as the Householder routine
// defines them in exact arithmetic: Q a = R, each reflection's pivot sign fixed by the
// routine's rule. Nothing when a branch of the routine (a pivot's sign, a zero column) cannot
// be decided at this precision.
struct QrEnclosures {
  std::vector<Enclosure> q, r;  // row-major
};
std::optional<QrEnclosures> enclosedQr(const ExactMatrix& a, long precision, const Work& work);

}  // namespace kelvaro::exact
