#pragma once
// A matrix register: rows x cols element values in one contiguous block, row-major,
// indexed from 0. m[r][c] reads like the row-of-rows arrays it replaces.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "numbers/array_memory.h"
#include "numbers/calc_error.h"
#include "numbers/cancel_flag.h"
#include "numbers/element.h"

namespace kelvaro {

// The most elements one matrix may have (4096 x 4096). Pane text can ask for far more than it
// holds, such as many short rows under one long one, or the product of a tall and a wide
// operand; such a matrix is refused before any memory is taken for it.
inline constexpr long long kMaxMatrixElements = 1LL << 24;

// Throws CalcError when a rows x cols matrix would have more than kMaxMatrixElements. The one
// check of every matrix's size: a size computed from others (the rows of A times those of B)
// comes here in 64 bits, before it is narrowed to int and before any memory is taken.
inline void checkMatrixSize(std::int64_t rows, std::int64_t cols) {
  if (rows <= 0 || cols <= 0) return;
  // Each side within the limit keeps the product far inside 64 bits.
  if (rows <= kMaxMatrixElements && cols <= kMaxMatrixElements && rows * cols <= kMaxMatrixElements)
    return;
  throw CalcError("A " + std::to_string(rows) + " x " + std::to_string(cols) +
                  " matrix is too large: a matrix has at most " +
                  std::to_string(kMaxMatrixElements) + " elements.");
}

// One row or column of element values, as a routine holds it on its own.
using RCOVec = std::vector<Element>;

class RCOMat {
 public:
  RCOMat() = default;
  RCOMat(int rows, int cols) { resize(rows, cols); }

  // Freshly sized: every element empty. Sizing throws CalcError beyond kMaxMatrixElements
  // and then leaves the matrix as it was. Filling the memory of a large matrix for the first
  // time takes long: with a cancel flag it is filled in parts, with a look at the flag
  // between them (a cancel leaves the matrix empty).
  void resize(int rows, int cols, const CancelFlag* cancel = nullptr) {
    assign(rows, cols, Element(), cancel);
  }
  // Sized with every element set to value (the reading loop uses complex zero).
  void assign(int rows, int cols, const Element& value, const CancelFlag* cancel = nullptr) {
    checkMatrixSize(rows, cols);
    const std::size_t size = setShape(rows, cols);
    if (!cancel) {
      data_.assign(size, value);
      return;
    }
    data_.clear();
    grow(size, value, cancel);
  }
  void clear() { assign(0, 0, Element()); }
  // Sized to rows x cols, keeping the storage it has: elements keep whatever they hold (new
  // ones are empty). For a caller that then writes every element.
  void resizeForOverwrite(int rows, int cols, const CancelFlag* cancel = nullptr) {
    checkMatrixSize(rows, cols);
    const std::size_t size = setShape(rows, cols);
    if (size <= data_.size()) {
      data_.resize(size);
      return;
    }
    grow(size, Element(), cancel);
  }

  // Sized rows x cols with element i (row-major) := value(i), each written once. Storage of that
  // size already is overwritten in place; any other is built without being filled first. With a
  // flag it is built in parts, with a look at the flag before each (a cancel leaves it empty).
  template <class Value>
  void assignFrom(int rows, int cols, Value value, const CancelFlag* cancel = nullptr) {
    checkMatrixSize(rows, cols);
    const std::size_t size =
        rows > 0 && cols > 0 ? static_cast<std::size_t>(rows) * static_cast<std::size_t>(cols) : 0;
    if (size == data_.size()) {
      setShape(rows, cols);
      for (std::size_t i = 0; i < size; ++i) data_[i] = value(i);
      return;
    }
    data_.clear();
    appendInParts(setShape(rows, cols), cancel, [&](std::size_t done, std::size_t count) {
      for (std::size_t i = done; i < done + count; ++i) data_.push_back(value(i));
    });
  }

  // A copy of m. With a flag it is made in parts, with a look at the flag before each (a large
  // matrix takes a while to copy); a cancel leaves this matrix empty.
  void assignCopy(const RCOMat& m, const CancelFlag* cancel) {
    if (!cancel || &m == this) {
      *this = m;
      return;
    }
    data_.clear();
    const auto from = m.data_.begin();
    appendInParts(setShape(m.rows_, m.cols_), cancel, [&](std::size_t done, std::size_t count) {
      data_.insert(data_.end(), from + static_cast<std::ptrdiff_t>(done),
                   from + static_cast<std::ptrdiff_t>(done + count));
    });
  }

  int rows() const { return rows_; }
  int cols() const { return cols_; }
  bool empty() const { return rows_ == 0; }

  Element* operator[](int r) { return data_.data() + static_cast<std::size_t>(r) * cols_; }
  const Element* operator[](int r) const {
    return data_.data() + static_cast<std::size_t>(r) * cols_;
  }
  Element& at(int r, int c) { return (*this)[r][c]; }
  const Element& at(int r, int c) const { return (*this)[r][c]; }

  std::span<Element> elements() { return data_; }
  std::span<const Element> elements() const { return data_; }

 private:
  // The shape, and the element count it takes. The column count is the length of row 0, so a
  // matrix without rows has none.
  std::size_t setShape(int rows, int cols) {
    rows_ = rows > 0 ? rows : 0;
    cols_ = rows_ > 0 && cols > 0 ? cols : 0;
    return static_cast<std::size_t>(rows_) * static_cast<std::size_t>(cols_);
  }

  // Appends copies of value up to size elements, in parts between looks at the flag.
  void grow(std::size_t size, const Element& value, const CancelFlag* cancel) {
    appendInParts(size, cancel, [&](std::size_t, std::size_t count) {
      data_.resize(data_.size() + count, value);
    });
  }

  // Grows the storage to size elements by append(done, count), a part of at most a million
  // elements at a time, with a look at the flag before each; a cancel or a failure leaves the
  // matrix empty.
  template <class Append>
  void appendInParts(std::size_t size, const CancelFlag* cancel, Append append) {
    constexpr std::size_t kPart = std::size_t{1} << 20;
    try {
      data_.reserve(size);
      for (std::size_t done = data_.size(); done < size; done = data_.size()) {
        checkCancel(cancel);
        append(done, std::min(kPart, size - done));
      }
    } catch (...) {
      rows_ = cols_ = 0;
      data_.clear();
      throw;
    }
  }

  int rows_ = 0;
  int cols_ = 0;
  // From allocateArray: a large matrix's elements are most of a command's fresh memory.
  std::vector<Element, ArrayAllocator<Element>> data_;
};

}  // namespace kelvaro
