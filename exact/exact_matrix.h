#pragma once
// A matrix of exact numbers: rows x cols rationals, row-major, and for a complex matrix as
// many imaginary parts beside them. A real matrix has no imaginary parts at all.

#include <cstddef>
#include <vector>

#include "exact/rational.h"

namespace kelvaro::exact {

class ExactMatrix {
 public:
  ExactMatrix() = default;
  // rows x cols zeros; complex ones carry imaginary parts.
  ExactMatrix(int rows, int cols, bool complex = false);
  static ExactMatrix identity(int n);

  int rows() const { return rows_; }
  int cols() const { return cols_; }
  bool empty() const { return rows_ == 0 || cols_ == 0; }
  bool isComplex() const { return !im_.empty(); }
  std::size_t size() const { return re_.size(); }

  const Rational& re(int r, int c) const { return re_[index(r, c)]; }
  Rational& re(int r, int c) { return re_[index(r, c)]; }
  // The imaginary part; 0 for a real matrix.
  const Rational& im(int r, int c) const;
  // Makes the matrix complex first when it is real.
  Rational& im(int r, int c);
  GaussRational at(int r, int c) const { return {re(r, c), im(r, c)}; }
  void set(int r, int c, const GaussRational& v);

  // Gives a real matrix imaginary parts (all 0), or drops them when every one is 0.
  void makeComplex();
  void dropZeroImaginary();

  bool isZero() const;
  friend bool operator==(const ExactMatrix& a, const ExactMatrix& b);

  // Every part in row-major order, for the kernels.
  std::vector<Rational>& realParts() { return re_; }
  const std::vector<Rational>& realParts() const { return re_; }
  std::vector<Rational>& imagParts() { return im_; }
  const std::vector<Rational>& imagParts() const { return im_; }

 private:
  std::size_t index(int r, int c) const {
    return static_cast<std::size_t>(r) * static_cast<std::size_t>(cols_) +
           static_cast<std::size_t>(c);
  }

  int rows_ = 0, cols_ = 0;
  std::vector<Rational> re_, im_;
};

}  // namespace kelvaro::exact
