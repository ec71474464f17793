#pragma once
// Memory for large arrays: the matrices' elements and the kernels' split parts.

#include <cstddef>

namespace kelvaro {

// Memory for an array of `bytes`; one of at least two megabytes starts on a two-megabyte
// boundary and asks the system for large pages. The first touch of fresh memory maps it a
// page at a time, and with small pages that is what a large array costs most: splitting a
// 1000 x 1000 complex matrix and putting it back took 47 ms in faults on the development
// machine, 3.5 ms with large pages. Released large arrays are kept mapped, up to 128 MB in
// all, for the next array of the same size: their memory holds what it held.
void* allocateArray(std::size_t bytes);
void releaseArray(void* p, std::size_t bytes) noexcept;

// A vector's allocator in allocateArray's memory.
template <class T>
struct ArrayAllocator {
  using value_type = T;
  ArrayAllocator() = default;
  template <class U>
  ArrayAllocator(const ArrayAllocator<U>&) noexcept {}
  T* allocate(std::size_t n) { return static_cast<T*>(allocateArray(n * sizeof(T))); }
  void deallocate(T* p, std::size_t n) noexcept { releaseArray(p, n * sizeof(T)); }
  template <class U>
  bool operator==(const ArrayAllocator<U>&) const noexcept {
    return true;
  }
};

}  // namespace kelvaro
