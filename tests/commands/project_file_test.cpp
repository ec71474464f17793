#include "commands/project_file.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

#include "numbers/calc_error.h"
#include "numbers/extended_codec.h"
#include "numbers/matrix_text.h"
#include "tests/support/error_message.h"
#include "tests/support/scratch_directory.h"

namespace kelvaro {
namespace {

namespace fs = std::filesystem;

using Bytes = std::vector<unsigned char>;
using Lines = std::vector<std::string>;
using test_support::errorOf;

class ProjectFile : public test_support::ScratchDirectoryTest {
 protected:
  std::string path(const std::string& name) const { return (dir_ / name).string(); }

  static Bytes readBytes(const std::string& p) {
    const std::string content = contentOf(p);
    return Bytes(content.begin(), content.end());
  }
  void writeBytes(const std::string& p, const Bytes& b) const {
    std::ofstream out(p, std::ios::binary);
    out.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
  }

  // A state as the window starts it, with the given operand lines.
  static CalcState stateWith(Lines a, Lines b, std::string coef = "1",
                             std::string precision = "3") {
    CalcState s;
    s.paneA.setLines(std::move(a));
    s.paneB.setLines(std::move(b));
    s.coefText = std::move(coef);
    s.precisionText = std::move(precision);
    return s;
  }
};

void putInt32(Bytes& b, std::int32_t v) {
  for (int i = 0; i < 4; ++i)
    b.push_back(static_cast<unsigned char>(static_cast<std::uint32_t>(v) >> (8 * i)));
}
void putValue(Bytes& b, double v) {
  const ExtendedBytes e = encodeExtended(v);
  b.insert(b.end(), e.begin(), e.end());
}

// x, precision, then A and B given as counts and values.
Bytes project(double x, std::int32_t precision, std::int32_t rowsA, std::int32_t colsA,
              const std::vector<double>& a, std::int32_t rowsB, std::int32_t colsB,
              const std::vector<double>& b) {
  Bytes out;
  putValue(out, x);
  putInt32(out, precision);
  putInt32(out, rowsA);
  putInt32(out, colsA);
  for (double v : a) putValue(out, v);
  putInt32(out, rowsB);
  putInt32(out, colsB);
  for (double v : b) putValue(out, v);
  return out;
}

TEST_F(ProjectFile, SavesTheFiftyByteExampleExactly) {
  CalcState s = stateWith({"1 2"}, {});
  Save3Click(s, path("p.mtx"));
  const Bytes expected = {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x80, 0xFF, 0x3F,  // 1.0
                          0x03, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00,
                          0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x80, 0xFF, 0x3F,  // 1.0
                          0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x80, 0x00, 0x40,        // 2.0
                          0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
  EXPECT_EQ(readBytes(path("p.mtx")), expected);
  EXPECT_EQ(s.regs.CoefX.re(), 1);
  EXPECT_TRUE(s.result.empty());
}

TEST_F(ProjectFile, RoundTripRestoresValuesPrecisionAndCoefficient) {
  CalcState saved =
      stateWith({"1 0 3", "0 1 0", "0 0 1.5"}, {"-2.25 1e-7", "123456789 0.1"}, "2.5", "5");
  Save3Click(saved, path("p.mtx"));

  CalcState s = stateWith({"9"}, {"8"}, "7", "1");
  Open1Click(s, path("p.mtx"));
  EXPECT_EQ(s.paneA.lines(), (Lines{" 1 0 3", " 0 1 0", " 0 0 1.5", ""}));
  EXPECT_EQ(s.paneB.lines(), (Lines{" -2.25 1E-7", " 123456789 0.1", ""}));
  EXPECT_EQ(s.coefText, "2.5");
  EXPECT_EQ(s.regs.CoefX.re(), 2.5);
  EXPECT_EQ(s.precisionText, "5");
  EXPECT_EQ(s.regs.PrecScale, 100000);
  ASSERT_EQ(s.regs.MatA.rows(), 3);
  ASSERT_EQ(s.regs.MatA.cols(), 3);
  EXPECT_EQ(s.regs.MatA[2][2].re(), 1.5);
  EXPECT_EQ(s.regs.MatB[0][1].re(), 1e-7);

  // Saving what was opened gives the same file again.
  Save3Click(s, path("q.mtx"));
  EXPECT_EQ(readBytes(path("q.mtx")), readBytes(path("p.mtx")));
}

TEST_F(ProjectFile, SavesEveryNonBlankLineAsARowAndPadsShortRows) {
  CalcState s = stateWith({"1 2 3", "  \t ", "4", "", "5 6 7"}, {});
  Save3Click(s, path("p.mtx"));
  EXPECT_EQ(readBytes(path("p.mtx")), project(1, 3, 3, 3, {1, 2, 3, 4, 0, 0, 5, 6, 7}, 0, 0, {}));
  // The pane is counted for the header and again for the conversion.
  EXPECT_EQ(s.result.lines(),
            (Lines{std::string(kIncompleteMatrixWarning), std::string(kIncompleteMatrixWarning)}));
}

TEST_F(ProjectFile, UsesTheLocaleSeparatorBothWays) {
  CalcState saved = stateWith({"1,5 -0,25"}, {}, "0,5");
  saved.decimalSeparator = ",";
  Save3Click(saved, path("p.mtx"));
  EXPECT_EQ(readBytes(path("p.mtx")), project(0.5, 3, 1, 2, {1.5, -0.25}, 0, 0, {}));

  CalcState s = stateWith({}, {});
  s.decimalSeparator = ",";
  Open1Click(s, path("p.mtx"));
  EXPECT_EQ(s.paneA.lines(), (Lines{" 1,5 -0,25", ""}));
  EXPECT_EQ(s.coefText, "0,5");
}

TEST_F(ProjectFile, BadTextRefusesTheSaveAndKeepsTheOldFile) {
  const Bytes old = {1, 2, 3, 4, 5};
  writeBytes(path("p.mtx"), old);

  CalcState complexA = stateWith({"1 0 3+2.5i"}, {});
  EXPECT_EQ(errorOf([&] { Save3Click(complexA, path("p.mtx")); }),
            "'3+2.5i' is not a valid floating point value");
  CalcState polarB = stateWith({"1"}, {"5(30)"});
  EXPECT_EQ(errorOf([&] { Save3Click(polarB, path("p.mtx")); }),
            "'5(30)' is not a valid floating point value");
  CalcState complexX = stateWith({"1"}, {}, "1+i");
  EXPECT_EQ(errorOf([&] { Save3Click(complexX, path("p.mtx")); }),
            "'1+i' is not a valid floating point value");
  CalcState exponentFormat = stateWith({"1"}, {}, "1", "e");
  EXPECT_EQ(errorOf([&] { Save3Click(exponentFormat, path("p.mtx")); }),
            "'e' is not a valid integer value");

  EXPECT_EQ(readBytes(path("p.mtx")), old);
  // Nothing else was left in the directory.
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
}

TEST_F(ProjectFile, UnwritablePathIsAFileError) {
  CalcState s = stateWith({"1"}, {});
  const std::string target = path("missing/p.mtx");
  EXPECT_EQ(errorOf([&] { Save3Click(s, target); }),
            "Cannot create file \"" + target + "\". No such file or directory");
  fs::create_directory(path("dir.mtx"));
  EXPECT_EQ(errorOf([&] { Save3Click(s, path("dir.mtx")); }).rfind("Cannot create file", 0), 0u);
}

TEST_F(ProjectFile, OpenKeepsAPaneWhoseMatrixWasStoredEmpty) {
  writeBytes(path("p.mtx"), project(3, 2, 1, 1, {4}, 0, 0, {}));
  CalcState s = stateWith({"x"}, {"keep  me", "too"});
  s.regs.MatB.assign(1, 1, Element::complex(7, 0));
  Open1Click(s, path("p.mtx"));
  EXPECT_EQ(s.paneA.lines(), (Lines{" 4", ""}));
  EXPECT_EQ(s.paneB.lines(), (Lines{"keep  me", "too"}));
  EXPECT_EQ(s.regs.MatB[0][0].re(), 7);
  EXPECT_EQ(s.coefText, "3");
  EXPECT_EQ(s.regs.PrecScale, 100);

  // Rows without columns are stored as counts alone, too.
  writeBytes(path("q.mtx"), project(1, 3, 5, 0, {}, 0, 7, {}));
  Open1Click(s, path("q.mtx"));
  EXPECT_EQ(s.paneA.lines(), (Lines{" 4", ""}));
}

TEST_F(ProjectFile, OpenIgnoresBytesAfterMatrixB) {
  Bytes b = project(1, 3, 1, 2, {1, 2}, 1, 1, {-0.5});
  b.insert(b.end(), {0xDE, 0xAD, 0xBE, 0xEF, 0x01});
  writeBytes(path("p.mtx"), b);
  CalcState s = stateWith({}, {});
  Open1Click(s, path("p.mtx"));
  EXPECT_EQ(s.paneA.lines(), (Lines{" 1 2", ""}));
  EXPECT_EQ(s.paneB.lines(), (Lines{" -0.5", ""}));
}

TEST_F(ProjectFile, OpenWritesTheExactExtendedValue) {
  // 1234567890123465 + 2^-13 cannot be a double; its fifteenth digit rounds up.
  Bytes b;
  const std::uint64_t m = 1234567890123465ULL * 8192 + 1;
  const ExtendedBytes x = packExtended({false, 16383 + 63 - 13, m});
  b.insert(b.end(), x.begin(), x.end());
  putInt32(b, 3);
  putInt32(b, 1);
  putInt32(b, 2);
  b.insert(b.end(), x.begin(), x.end());
  putValue(b, 1.0 / 3);
  putInt32(b, 0);
  putInt32(b, 0);
  writeBytes(path("p.mtx"), b);
  CalcState s = stateWith({}, {});
  Open1Click(s, path("p.mtx"));
  EXPECT_EQ(s.coefText, "1.23456789012347E15");
  EXPECT_EQ(s.paneA.lines(), (Lines{" 1.23456789012347E15 0.333333333333333", ""}));
}

TEST_F(ProjectFile, MalformedFilesChangeNothing) {
  const Bytes good = project(2, 4, 2, 2, {1, 2, 3, 4}, 1, 1, {5});
  std::vector<Bytes> bad;
  // Every shorter prefix lacks something that was announced.
  for (std::size_t n = 0; n < good.size(); ++n) bad.emplace_back(good.begin(), good.begin() + n);
  bad.push_back(project(2, 4, -1, 2, {}, 0, 0, {}));
  bad.push_back(project(2, 4, 1, 1, {1}, 0, -3, {}));
  bad.push_back(project(2, 4, INT32_MIN, INT32_MIN, {}, 0, 0, {}));
  // Counts announcing far more data than the file holds (or than memory could).
  bad.push_back(project(2, 4, INT32_MAX, INT32_MAX, {1, 2, 3}, 0, 0, {}));
  bad.push_back(project(2, 4, 1, 1, {1}, 65536, 65536, {1}));

  int index = 0;
  for (const Bytes& b : bad) {
    SCOPED_TRACE(index++);
    writeBytes(path("bad.mtx"), b);
    CalcState s = stateWith({"1 2"}, {"3"}, "7", "2");
    s.regs.PrecScale = 100;
    EXPECT_EQ(errorOf([&] { Open1Click(s, path("bad.mtx")); }),
              "'" + path("bad.mtx") + "' is not a valid project file");
    EXPECT_EQ(s.paneA.lines(), (Lines{"1 2"}));
    EXPECT_EQ(s.paneB.lines(), (Lines{"3"}));
    EXPECT_EQ(s.coefText, "7");
    EXPECT_EQ(s.precisionText, "2");
    EXPECT_EQ(s.regs.PrecScale, 100);
    EXPECT_TRUE(s.regs.MatA.empty());
  }
}

TEST_F(ProjectFile, OpenOfAMissingPathDoesNothingButAnUnreadableOneIsRefused) {
  CalcState s = stateWith({"1 2"}, {"3"});
  Open1Click(s, path("nowhere.mtx"));
  Open1Click(s, path("nowhere/p.mtx"));
  EXPECT_EQ(s.paneA.lines(), (Lines{"1 2"}));
  fs::create_directory(path("folder.mtx"));
  EXPECT_EQ(errorOf([&] { Open1Click(s, path("folder.mtx")); }),
            "'" + path("folder.mtx") + "' is not a valid project file");
  // A device would never end; it is not a project either.
  EXPECT_EQ(errorOf([&] { Open1Click(s, "/dev/zero"); }),
            "'/dev/zero' is not a valid project file");
  EXPECT_EQ(s.paneA.lines(), (Lines{"1 2"}));
}

TEST_F(ProjectFile, OpenShowsSpecialValuesWithoutTrouble) {
  const double inf = std::numeric_limits<double>::infinity();
  writeBytes(
      path("p.mtx"),
      project(-inf, 3, 1, 3, {inf, std::numeric_limits<double>::quiet_NaN(), -0.0}, 0, 0, {}));
  CalcState s = stateWith({}, {});
  Open1Click(s, path("p.mtx"));
  EXPECT_EQ(s.coefText, "-INF");
  EXPECT_EQ(s.paneA.lines(), (Lines{" INF NAN 0", ""}));
}

}  // namespace
}  // namespace kelvaro
