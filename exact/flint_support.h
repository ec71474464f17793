#pragma once
// Inside the exact library only: the FLINT side of its numbers and matrices. A Rational has
// the layout of FLINT's fraction, so a matrix's entries can be handed to FLINT's routines
// without copying.

#include <flint/fmpq.h>
#include <flint/fmpq_mat.h>
#include <flint/fmpz.h>
#include <flint/fmpz_mat.h>

#include <vector>

#include "exact/exact_matrix.h"
#include "exact/rational.h"

namespace kelvaro::exact {

static_assert(sizeof(Rational) == sizeof(fmpq), "a Rational is a FLINT fraction");

inline fmpq* fq(Rational& r) {
  return static_cast<fmpq*>(r.raw());
}
inline const fmpq* fq(const Rational& r) {
  return static_cast<const fmpq*>(r.raw());
}

// A FLINT matrix of its own: initialised and cleared with its scope.
class FmpqMat {
 public:
  FmpqMat(long rows, long cols) { fmpq_mat_init(m_, rows, cols); }
  FmpqMat(const FmpqMat&) = delete;
  FmpqMat& operator=(const FmpqMat&) = delete;
  ~FmpqMat() { fmpq_mat_clear(m_); }
  fmpq_mat_struct* get() { return m_; }
  const fmpq_mat_struct* get() const { return m_; }
  long rows() const { return m_->r; }
  long cols() const { return m_->c; }

 private:
  fmpq_mat_t m_;
};

class FmpzMat {
 public:
  FmpzMat(long rows, long cols) { fmpz_mat_init(m_, rows, cols); }
  FmpzMat(const FmpzMat&) = delete;
  FmpzMat& operator=(const FmpzMat&) = delete;
  ~FmpzMat() { fmpz_mat_clear(m_); }
  fmpz_mat_struct* get() { return m_; }
  const fmpz_mat_struct* get() const { return m_; }

 private:
  fmpz_mat_t m_;
};

class Fmpz {
 public:
  Fmpz() { fmpz_init(v_); }
  explicit Fmpz(long value) { fmpz_init_set_si(v_, value); }
  Fmpz(const Fmpz& o) { fmpz_init_set(v_, o.v_); }
  Fmpz(Fmpz&& o) noexcept {
    fmpz_init(v_);
    fmpz_swap(v_, o.v_);
  }
  Fmpz& operator=(const Fmpz& o) {
    fmpz_set(v_, o.v_);
    return *this;
  }
  Fmpz& operator=(Fmpz&& o) noexcept {
    fmpz_swap(v_, o.v_);
    return *this;
  }
  ~Fmpz() { fmpz_clear(v_); }
  fmpz* get() { return v_; }
  const fmpz* get() const { return v_; }

 private:
  fmpz_t v_;
};

// A read-only FLINT view of one part (real or imaginary) of an exact matrix: FLINT's row
// pointers into the matrix's own entries. Valid while the matrix is unchanged.
class ConstMatView {
 public:
  ConstMatView(const std::vector<Rational>& entries, int rows, int cols);
  const fmpq_mat_struct* get() const { return &view_; }

 private:
  std::vector<fmpq*> rowPointers_;
  fmpq_mat_struct view_;
};

// The entries of m moved into the real (or imaginary) part of out, which has m's size.
void takeEntries(FmpqMat& m, std::vector<Rational>& out);
ExactMatrix takeMatrix(FmpqMat& m);
// A rational matrix's FLINT copy (its real part).
void copyInto(const ExactMatrix& a, FmpqMat& out);

}  // namespace kelvaro::exact
