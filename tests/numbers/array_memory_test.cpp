#include "numbers/array_memory.h"

#include <gtest/gtest.h>
#include <sys/mman.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "tests/support/sanitizers.h"

namespace kelvaro {
namespace {

constexpr std::size_t kMB = std::size_t{1} << 20;

// Every array starts on a cache line, so that a kernel's 64-byte vectors at multiples of 64
// bytes from its start never straddle two lines; large ones on a large page.
TEST(ArrayMemory, ArraysStartOnACacheLine) {
  const std::size_t sizes[] = {8, 24, 1000, 100 * 1000 + 8, kMB, 3 * kMB + 8};
  for (std::size_t bytes : sizes) {
    void* arrays[4];
    for (void*& p : arrays) {
      p = allocateArray(bytes);
      EXPECT_EQ(0u, reinterpret_cast<std::uintptr_t>(p) % 64) << bytes;
      if (bytes >= 2 * kMB) {
        EXPECT_EQ(0u, reinterpret_cast<std::uintptr_t>(p) % (2 * kMB));
      }
      std::memset(p, 7, bytes);
    }
    for (void* p : arrays) releaseArray(p, bytes);
  }
}

// A large array released and asked for again at the same size comes back from the kept
// mappings, the latest released first; another size takes a mapping of its own. The memory
// keeps whatever it held, and all of it stays usable.
TEST(ArrayMemory, ReleasedMappingsComeBackForTheSameSize) {
  char* first = static_cast<char*>(allocateArray(6 * kMB));
  char* second = static_cast<char*>(allocateArray(6 * kMB - 100));  // the same 6 MB mapping
  std::memset(first, 1, 6 * kMB);
  std::memset(second, 2, 6 * kMB - 100);
  releaseArray(first, 6 * kMB);
  releaseArray(second, 6 * kMB - 100);

  char* other = static_cast<char*>(allocateArray(10 * kMB));
  EXPECT_NE(other, first);
  EXPECT_NE(other, second);
  char* again = static_cast<char*>(allocateArray(6 * kMB));
  EXPECT_EQ(again, second);
  char* last = static_cast<char*>(allocateArray(5 * kMB + 1));
  EXPECT_EQ(last, first);
  EXPECT_EQ(again[6 * kMB - 101], 2);
  std::memset(again, 3, 6 * kMB);
  std::memset(last, 4, 6 * kMB);
  std::memset(other, 5, 10 * kMB);
  releaseArray(again, 6 * kMB);
  releaseArray(last, 5 * kMB + 1);
  releaseArray(other, 10 * kMB);
}

// A block of a few hundred KB to a few MB, as a command's split parts of a 500 x 500 matrix,
// stays with the program when freed, for the next command's, rather than going back to the
// system and coming back as fresh pages.
TEST(ArrayMemory, FreedHeapBlocksStayForTheNext) {
#if defined(KELVARO_ADDRESS_SANITIZER) || defined(KELVARO_THREAD_SANITIZER)
  GTEST_SKIP() << "the sanitizer's allocator keeps its own rules";
#endif
  for (std::size_t bytes : {std::size_t{300} * 1000, std::size_t{2} * 1000 * 1000}) {
    void* block = std::malloc(bytes);
    ASSERT_NE(block, nullptr);
    std::memset(block, 1, bytes);
    // The page the block started in, as a number: the block itself is gone.
    const std::uintptr_t page = reinterpret_cast<std::uintptr_t>(block) & ~std::uintptr_t{0xfff};
    std::free(block);
    EXPECT_EQ(msync(reinterpret_cast<void*>(page), 4096, MS_ASYNC), 0) << bytes;
  }
}

// More released than is kept: the oldest mappings go back to the system, the latest stay.
TEST(ArrayMemory, OnlyTheLatestMappingsAreKept) {
  constexpr int kCount = 40;  // 40 x 8 MB, more than is kept
  char* arrays[kCount];
  for (char*& a : arrays) {
    a = static_cast<char*>(allocateArray(8 * kMB));
    a[0] = 1;
  }
  for (char* a : arrays) releaseArray(a, 8 * kMB);
  // msync fails with ENOMEM on memory that is no longer mapped.
  errno = 0;
  EXPECT_EQ(msync(arrays[0], 8 * kMB, MS_ASYNC), -1);
  EXPECT_EQ(errno, ENOMEM);
  EXPECT_EQ(msync(arrays[kCount - 1], 8 * kMB, MS_ASYNC), 0);
  char* latest = static_cast<char*>(allocateArray(8 * kMB));
  EXPECT_EQ(latest, arrays[kCount - 1]);
  releaseArray(latest, 8 * kMB);
}

}  // namespace
}  // namespace kelvaro
