#pragma once
// Eigenvalues in exact form, and the Frobenius norm as a root.

#include <string>
#include <vector>

#include "exact/exact_matrix.h"
#include "exact/exact_work.h"

namespace kelvaro::exact {

// The eigenvalues of one line of the result: a rational or Gaussian rational ("5/2",
// "1-i"); the two roots of an irreducible quadratic together ("(5 +- sqrt(33))/2"); or one
// root of higher degree as decimals whose every digit is right, marked with "~".
struct EigenvalueLine {
  std::string text;
  bool exact = true;
  int multiplicity = 1;        // of each eigenvalue on the line
  std::vector<double> re, im;  // each eigenvalue on the line, to double precision
};

// The eigenvalues of square a with their multiplicities, rational ones first, then those of
// degree 2, then the others, each group by real part and imaginary part. Decimals are
// written with `point` and `digits` significant digits.
std::vector<EigenvalueLine> exactEigenvalues(const ExactMatrix& a, char point, int digits,
                                             const Work& work);

// The Frobenius norm sqrt(sum |a_ij|^2): "5", "3*sqrt(5)", "sqrt(6)/3", and its decimals
// ("6.70820393249937" at 15 digits).
struct NormText {
  std::string root;
  std::string decimals;
  double value = 0;
};
NormText exactNorm(const ExactMatrix& a, char point, int digits);

}  // namespace kelvaro::exact
