#include "numbers/array_memory.h"

#include <malloc.h>
#include <sys/mman.h>

#include <cstdint>
#include <iterator>
#include <mutex>
#include <new>
#include <vector>

namespace kelvaro {

namespace {

// By its own rule the heap gives a freed block at its top back to the system once more than
// 128 KB are free there, and maps blocks from 128 KB up apart, unmapping them when freed,
// until the first such block is freed: then it raises both limits to that block's size (up to
// 32 MB and twice that). Before that, in a program that had not yet freed a large block, a
// command's arrays of a few hundred KB to 2 MB came back as fresh pages, a fault each, every
// time: on one thread, with nothing run before, Cholesky 500 took 18.0-18.3 ms a run against
// 4.0-4.1 with these limits, MatLU 500 16.0-21.6 against 6.6-6.8, QR 500 28.7-29.3 against
// 15.0-15.4. So the limits are where the heap takes them by itself, from the start.
[[maybe_unused]] const bool heapKeepsFreedBlocks = [] {
#if defined(M_MMAP_THRESHOLD) && defined(M_TRIM_THRESHOLD)
  mallopt(M_MMAP_THRESHOLD, 32 << 20);
  mallopt(M_TRIM_THRESHOLD, 64 << 20);
#endif
  return true;
}();

constexpr std::size_t kLargePage = std::size_t{1} << 21;
// Smaller arrays start on a cache line: a kernel's vector of eight doubles at a multiple of
// 64 bytes from the start then lies in one line, not across two.
constexpr std::align_val_t kLineAlignment{64};

std::size_t mappedSize(std::size_t bytes) {
  return (bytes + kLargePage - 1) / kLargePage * kLargePage;
}

// Released mappings kept for the next arrays of the same size: a command on a large matrix
// makes the same arrays again and again (its split parts, its factors), and a fresh mapping
// costs its first touch page by page (in a virtual machine, twice). At most kKeptBytes in
// all, the latest released first to go back to use, the oldest first to be unmapped.
constexpr std::size_t kKeptBytes = std::size_t{128} << 20;

struct Kept {
  void* p;
  std::size_t size;
};

class KeptMappings {
 public:
  void* take(std::size_t size) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto it = kept_.rbegin(); it != kept_.rend(); ++it)
      if (it->size == size) {
        void* p = it->p;
        total_ -= size;
        kept_.erase(std::next(it).base());
        return p;
      }
    return nullptr;
  }
  // False where the mapping is too large to keep.
  bool keep(void* p, std::size_t size) {
    if (size > kKeptBytes) return false;
    std::lock_guard<std::mutex> lock(mutex_);
    kept_.reserve(kept_.size() + 1);  // may throw, before anything has changed
    while (total_ + size > kKeptBytes) {
      munmap(kept_.front().p, kept_.front().size);
      total_ -= kept_.front().size;
      kept_.erase(kept_.begin());
    }
    kept_.push_back({p, size});
    total_ += size;
    return true;
  }

 private:
  std::mutex mutex_;
  std::vector<Kept> kept_;  // oldest first
  std::size_t total_ = 0;
};

KeptMappings& keptMappings() {
  static KeptMappings* kept = new KeptMappings;  // never destroyed: arrays outlive statics
  return *kept;
}

}  // namespace

void* allocateArray(std::size_t bytes) {
  if (bytes < kLargePage) return ::operator new(bytes, kLineAlignment);
  const std::size_t size = mappedSize(bytes);
  if (void* p = keptMappings().take(size)) return p;
  // Mapped apart, with room to start on a large page's boundary; the rest is given back.
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
  if (bytes < kLargePage) {
    ::operator delete(p, kLineAlignment);
    return;
  }
  const std::size_t size = mappedSize(bytes);
  bool kept = false;
  try {
    kept = keptMappings().keep(p, size);
  } catch (...) {  // no memory for the list: unmapped at once instead
  }
  if (!kept) munmap(p, size);
}

}  // namespace kelvaro
