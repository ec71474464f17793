// What reading a paste takes beside its text: nothing before every limit is checked, then the
// matrix it builds. Every allocation of this test program is counted.

#include <gtest/gtest.h>
#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>

#include "numbers/calc_error.h"
#include "numbers/matrix_recognition.h"

namespace {

std::atomic<std::size_t> liveBytes{0}, peakBytes{0};

void release(void* p) {
  if (p) liveBytes -= malloc_usable_size(p);
  std::free(p);
}

}  // namespace

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

namespace kelvaro {
namespace {

std::string repeated(std::string_view piece, std::size_t times) {
  std::string text;
  text.reserve(piece.size() * times);
  for (std::size_t i = 0; i < times; ++i) text += piece;
  return text;
}

TEST(PasteMemory, AtMostTheTextBesideTheMatrixItMakes) {
  std::string row = repeated("1,", 4999) + "1\n";
  const struct {
    std::string text;
    std::size_t matrixBytes;  // of the matrix read; 0 for a text refused
  } examples[] = {
      {repeated(row, 4000), 0},          // 20 million elements: too many
      {repeated("[1];", 6'250'000), 0},  // 6.25 million matrices
      {repeated(repeated("1,", 2047) + "1\n", 2048), 2048 * 2048 * sizeof(Element)},
  };
  for (const auto& e : examples) {
    const std::size_t before = liveBytes;
    peakBytes = before;
    try {
      ReadMatrices read = readMatrices(e.text, NumberFormat{});
      EXPECT_EQ(read.parts.at(0).values.elements().size() * sizeof(Element), e.matrixBytes);
    } catch (const CalcError&) {
      EXPECT_EQ(e.matrixBytes, 0u);
    }
    EXPECT_LT(peakBytes - before, e.text.size() + e.matrixBytes) << e.text.substr(0, 20);
  }
}

}  // namespace
}  // namespace kelvaro
