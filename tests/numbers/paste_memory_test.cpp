// What reading a paste takes beside its text: nothing before every limit is checked, then the
// matrix it builds and the pane rows written from it. This program counts every allocation.

#include <gtest/gtest.h>
#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "numbers/calc_error.h"
#include "numbers/matrix_formats.h"
#include "numbers/matrix_recognition.h"
#include "tests/support/sanitizers.h"

// ThreadSanitizer brings its own operator new, so its build counts nothing.

namespace {
std::atomic<std::size_t> liveBytes{0}, peakBytes{0};
}  // namespace

#ifndef KELVARO_THREAD_SANITIZER
static void release(void* p) {
  if (p) liveBytes -= malloc_usable_size(p);
  std::free(p);
}
void* operator new(std::size_t size) {
  void* p = std::malloc(size ? size : 1);
  if (!p) throw std::bad_alloc();
  const std::size_t live = liveBytes += malloc_usable_size(p);
  for (std::size_t peak = peakBytes; live > peak && !peakBytes.compare_exchange_weak(peak, live);) {
  }
  return p;
}
void operator delete(void* p) noexcept {
  release(p);
}
void operator delete(void* p, std::size_t) noexcept {
  release(p);
}
#endif

namespace kelvaro {
namespace {

std::string repeated(const std::string& piece, std::size_t times) {
  std::string text;
  for (text.reserve(piece.size() * times); times > 0; --times) text += piece;
  return text;
}

TEST(PasteMemory, AtMostTheTextBesideTheMatrixItMakes) {
#ifdef KELVARO_THREAD_SANITIZER
  GTEST_SKIP() << "no count of allocations under ThreadSanitizer";
#endif
  const struct {
    std::string text;
    std::size_t elements;  // of the matrix read; 0 for a text refused
  } examples[] = {
      {repeated(repeated("1,", 4999) + "1\n", 4000), 0},  // 20 million elements: too many
      {repeated("[1];", 6'250'000), 0},                   // 6.25 million matrices
      {repeated(repeated("1,", 2047) + "1\n", 2048), 2048 * 2048},
  };
  for (const auto& e : examples) {
    const std::size_t before = peakBytes = liveBytes.load();
    try {
      const ReadMatrices read = readMatrices(e.text, {});
      EXPECT_EQ(read.parts.at(0).values.elements().size(), e.elements);
      EXPECT_EQ(fullPrecisionRows(read.parts[0].values, '.', "").size(), 2048u);
    } catch (const CalcError&) {
      EXPECT_EQ(e.elements, 0u);
    }
    EXPECT_LT(peakBytes - before, e.text.size() * 3 / 2 + e.elements * sizeof(Element));
  }
}

}  // namespace
}  // namespace kelvaro
