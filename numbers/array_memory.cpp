#include "numbers/array_memory.h"

#include <sys/mman.h>

#include <cstdint>
#include <new>

namespace kelvaro {

namespace {

constexpr std::size_t kLargePage = std::size_t{1} << 21;

}  // namespace

void* allocateArray(std::size_t bytes) {
  if (bytes < kLargePage) return ::operator new(bytes);
  // Mapped apart, with room to start on a large page's boundary; the rest is given back.
  const std::size_t size = (bytes + kLargePage - 1) / kLargePage * kLargePage;
  void* map =
      mmap(nullptr, size + kLargePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (map == MAP_FAILED) throw std::bad_alloc();
  char* const begin = static_cast<char*>(map);
  const std::size_t skip =
      (kLargePage - reinterpret_cast<std::uintptr_t>(begin) % kLargePage) % kLargePage;
  if (skip > 0) munmap(begin, skip);
  munmap(begin + skip + size, kLargePage - skip);
  char* const p = begin + skip;
#ifdef MADV_HUGEPAGE
  // Only a hint: without large pages the memory is as good, only slower to map.
  madvise(p, size, MADV_HUGEPAGE);
#endif
  return p;
}

void releaseArray(void* p, std::size_t bytes) noexcept {
  if (bytes < kLargePage)
    ::operator delete(p);
  else
    munmap(p, (bytes + kLargePage - 1) / kLargePage * kLargePage);
}

}  // namespace kelvaro
