// Project files byte for byte: what Save project writes, what Open project makes of exact and
// odd values, and that a damaged file changes nothing.

#include "commands/project_file.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <limits>

#include "numbers/extended_codec.h"
#include "numbers/matrix_text.h"
#include "tests/support/calculator.h"
#include "tests/support/scratch_directory.h"

namespace kelvaro {
namespace {

namespace fs = std::filesystem;
using test_support::errorOf;
using test_support::Lines;
using test_support::startedWith;

void putInt32(std::string& b, std::int32_t v) {
  for (int i = 0; i < 4; ++i) b += static_cast<char>(static_cast<std::uint32_t>(v) >> (8 * i));
}
void putExtended(std::string& b, const ExtendedBytes& e) {
  b.append(reinterpret_cast<const char*>(e.data()), e.size());
}

// x, precision, then A and B as counts and values.
std::string project(double x, std::int32_t precision, std::int32_t rowsA, std::int32_t colsA,
                    const std::vector<double>& a, std::int32_t rowsB = 0, std::int32_t colsB = 0,
                    const std::vector<double>& b = {}) {
  std::string out;
  putExtended(out, encodeExtended(x));
  putInt32(out, precision);
  putInt32(out, rowsA);
  putInt32(out, colsA);
  for (double v : a) putExtended(out, encodeExtended(v));
  putInt32(out, rowsB);
  putInt32(out, colsB);
  for (double v : b) putExtended(out, encodeExtended(v));
  return out;
}

using ProjectFile = test_support::ScratchDirectoryTest;

TEST_F(ProjectFile, SaveWritesEveryNonBlankLineAsARowAndPadsShortRows) {
  CalcState s = startedWith({"1 2.5 3", "  \t ", "4", "", "5 6 7"}, {}, "-0.5");
  s.precisionText = "4";
  Save3Click(s, (dir_ / "p.mtx").string());
  EXPECT_EQ(contentOf(dir_ / "p.mtx"), project(-0.5, 4, 3, 3, {1, 2.5, 3, 4, 0, 0, 5, 6, 7}));
  // The pane is counted for the header and again for the conversion.
  EXPECT_EQ(s.result.lines(), Lines(2, std::string(kIncompleteMatrixWarning)));
  // What is opened saves to the same bytes.
  CalcState t = startedWith({"9"}, {});
  Open1Click(t, (dir_ / "p.mtx").string());
  Save3Click(t, (dir_ / "q.mtx").string());
  EXPECT_EQ(contentOf(dir_ / "q.mtx"), contentOf(dir_ / "p.mtx"));
}

TEST_F(ProjectFile, DamagedFilesChangeNothing) {
  const std::string good = project(2, 4, 2, 2, {1, 2, 3, 4}, 1, 1, {5});
  std::vector<std::string> bad;
  for (std::size_t n = 0; n < good.size(); ++n) bad.push_back(good.substr(0, n));
  // One byte too many, and a row count of A damaged from 2 to 1 (B then read from A's data).
  bad.push_back(good + '\0');
  bad.push_back(project(2, 4, 1, 2, {1, 2, 3, 4}, 1, 1, {5}));
  // Values no pane can hold: saving never writes them.
  const double inf = std::numeric_limits<double>::infinity();
  bad.push_back(project(inf, 4, 0, 0, {}));
  bad.push_back(project(2, 4, 1, 2, {1, -inf}));
  bad.push_back(project(2, 4, 0, 0, {}, 1, 1, {std::numeric_limits<double>::quiet_NaN()}));
  std::string beyondDouble = project(2, 4, 1, 1, {0});  // its one element becomes 2^13000
  const ExtendedBytes huge = packExtended({false, 16383 + 13000, std::uint64_t{1} << 63});
  beyondDouble.replace(22, huge.size(), reinterpret_cast<const char*>(huge.data()), huge.size());
  bad.push_back(beyondDouble);
  bad.push_back(project(2, 4, -1, 2, {}));
  bad.push_back(project(2, 4, 1, 1, {1}, 0, -3));
  bad.push_back(project(2, 4, INT32_MIN, INT32_MIN, {}));
  // Counts announcing far more than the file holds, or than memory could.
  bad.push_back(project(2, 4, INT32_MAX, INT32_MAX, {1, 2, 3}));
  bad.push_back(project(2, 4, 1, 1, {1}, 65536, 65536, {1}));
  for (std::size_t i = 0; i <= bad.size(); ++i) {
    SCOPED_TRACE(i);
    // Last, a device that never ends.
    const std::string path = i < bad.size() ? file("bad.mtx", bad[i]) : "/dev/zero";
    CalcState s = startedWith({"1 2"}, {"3"}, "7");
    s.precisionText = "2";
    EXPECT_EQ(errorOf([&] { Open1Click(s, path); }), "'" + path + "' is not a valid project file");
    EXPECT_EQ(s.paneA.lines(), (Lines{"1 2"}));
    EXPECT_EQ(s.paneB.lines(), (Lines{"3"}));
    EXPECT_EQ(s.coefText, "7");
    EXPECT_EQ(s.precisionText, "2");
    EXPECT_EQ(s.regs.PrecScale, 1000);
    EXPECT_TRUE(s.regs.MatA.empty());
  }
}

TEST_F(ProjectFile, AFileLargerThanAnyProjectIsRefusedUnread) {
  // 6000 x 6000 zeros, as long as its counts say (sparse, so nothing is written): more than two
  // of the largest matrices take, so it is refused before a byte of it is read.
  const std::uintmax_t size = 10 + 4 + 8 + std::uintmax_t{6000} * 6000 * 10 + 8;
  std::string head = project(0, 3, 6000, 6000, {});
  const std::string path = file("p.mtx", head.substr(0, 22));
  fs::resize_file(path, size);
  CalcState s = startedWith({"1"});
  EXPECT_EQ(errorOf([&] { Open1Click(s, path); }), "'" + path + "' is not a valid project file");
}

}  // namespace
}  // namespace kelvaro
