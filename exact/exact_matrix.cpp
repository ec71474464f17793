#include "exact/exact_matrix.h"

#include <algorithm>
#include <utility>

#include "exact/flint_support.h"

namespace kelvaro::exact {

namespace {
const Rational kZero;
}

ExactMatrix::ExactMatrix(int rows, int cols, bool complex)
    : rows_(rows),
      cols_(cols),
      re_(static_cast<std::size_t>(rows) * static_cast<std::size_t>(cols)) {
  if (complex) im_.resize(re_.size());
}

ExactMatrix ExactMatrix::identity(int n) {
  ExactMatrix m(n, n);
  for (int i = 0; i < n; ++i) m.re(i, i) = Rational(1);
  return m;
}

const Rational& ExactMatrix::im(int r, int c) const {
  return im_.empty() ? kZero : im_[index(r, c)];
}

Rational& ExactMatrix::im(int r, int c) {
  makeComplex();
  return im_[index(r, c)];
}

void ExactMatrix::set(int r, int c, const GaussRational& v) {
  re(r, c) = v.re;
  if (!v.im.isZero() || isComplex()) im(r, c) = v.im;
}

void ExactMatrix::makeComplex() {
  if (im_.empty()) im_.resize(re_.size());
}

void ExactMatrix::dropZeroImaginary() {
  if (std::all_of(im_.begin(), im_.end(), [](const Rational& q) { return q.isZero(); }))
    im_.clear();
}

bool ExactMatrix::isZero() const {
  const auto zero = [](const Rational& q) { return q.isZero(); };
  return std::all_of(re_.begin(), re_.end(), zero) && std::all_of(im_.begin(), im_.end(), zero);
}

bool operator==(const ExactMatrix& a, const ExactMatrix& b) {
  if (a.rows_ != b.rows_ || a.cols_ != b.cols_ || a.re_ != b.re_) return false;
  for (std::size_t i = 0; i < a.re_.size(); ++i) {
    const Rational& x = a.im_.empty() ? kZero : a.im_[i];
    const Rational& y = b.im_.empty() ? kZero : b.im_[i];
    if (x != y) return false;
  }
  return true;
}

ConstMatView::ConstMatView(const std::vector<Rational>& entries, int rows, int cols) {
  // FLINT reads through non-const pointers but does not write an input matrix.
  fmpq* base = const_cast<fmpq*>(entries.empty() ? nullptr : fq(entries[0]));
  rowPointers_.resize(static_cast<std::size_t>(rows));
  for (int r = 0; r < rows; ++r)
    rowPointers_[static_cast<std::size_t>(r)] = base + static_cast<std::ptrdiff_t>(r) * cols;
  view_.entries = base;
  view_.r = rows;
  view_.c = cols;
  view_.rows = rowPointers_.data();
}

void takeEntries(FmpqMat& m, std::vector<Rational>& out) {
  const long rows = m.rows(), cols = m.cols();
  out.resize(static_cast<std::size_t>(rows * cols));
  for (long r = 0; r < rows; ++r)
    for (long c = 0; c < cols; ++c)
      fmpq_swap(fq(out[static_cast<std::size_t>(r * cols + c)]), fmpq_mat_entry(m.get(), r, c));
}

ExactMatrix takeMatrix(FmpqMat& m) {
  ExactMatrix out(static_cast<int>(m.rows()), static_cast<int>(m.cols()));
  takeEntries(m, out.realParts());
  return out;
}

void copyInto(const ExactMatrix& a, FmpqMat& out) {
  for (int r = 0; r < a.rows(); ++r)
    for (int c = 0; c < a.cols(); ++c) fmpq_set(fmpq_mat_entry(out.get(), r, c), fq(a.re(r, c)));
}

}  // namespace kelvaro::exact
