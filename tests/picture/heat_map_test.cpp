#include "picture/heat_map.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace kelvaro::picture {
namespace {

RCOMat realMatrix(int rows, int cols, double fill = 0) {
  RCOMat m;
  m.assign(rows, cols, Element::complex(fill, 0));
  return m;
}

// The scale from the whole matrix, as the reduction of the whole view gathers it.
std::vector<std::uint32_t> picture(const RCOMat& m, int w, int h, Scale scale = Scale::Linear,
                                   const ViewWindow* view = nullptr) {
  MatrixStats stats = view ? matrixStats(m) : MatrixStats{};
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(w) * h);
  const auto blocks =
      blockMaxima(m, view ? *view : ViewWindow::whole(m), w, h, nullptr, view ? nullptr : &stats);
  colourise(blocks, ColourScale::forStats(stats, scale, defaultColouring(stats)), pixels);
  return pixels;
}

const auto red = [](std::uint32_t c) { return (c >> 16) & 0xff; };
const auto blue = [](std::uint32_t c) { return c & 0xff; };

TEST(HeatMap, DiagonalAndZeroBlockAndSigns) {
  RCOMat m = realMatrix(8, 8);
  for (int i = 0; i < 8; ++i) m[i][i] = Element::complex(i % 2 ? -(i + 1.0) : i + 1.0, 0);
  const auto p = picture(m, 8, 8);
  for (int r = 0; r < 8; ++r)
    for (int c = 0; c < 8; ++c) EXPECT_EQ(p[r * 8 + c] == kWhite, r != c) << r << "," << c;
  EXPECT_GT(red(p[0]), blue(p[0]));        // +1: the red side
  EXPECT_GT(blue(p[9]), red(p[9]));        // -2: the blue side
  EXPECT_EQ(p[63], divergingColour(0.0));  // -8, the largest: the far blue end
  EXPECT_EQ(p[54], divergingColour(0.5 + 7.0 / 16));
  // Blocks of four by four: the zero blocks stay white, -4 and -8 the largest of theirs.
  EXPECT_EQ(picture(m, 2, 2), (std::vector<std::uint32_t>{divergingColour(0.25), kWhite, kWhite,
                                                          divergingColour(0)}));
}

TEST(HeatMap, OneLargeEntrySurvivesTheReduction) {
  RCOMat m = realMatrix(4096, 4096, 1e-3);
  m[2049][3001] = Element::complex(-1000, 0);
  m[5][5] = Element::complex(1, 0);
  const auto p = picture(m, 400, 400);
  const int x = 3001 * 400 / 4096, y = 2049 * 400 / 4096;
  for (int i = 0; i < 400 * 400; ++i)
    EXPECT_EQ(p[i], i == y * 400 + x ? divergingColour(0) : divergingColour(0.55)) << i;
  // On a logarithmic scale over the six decades from 1e-3 to 1e3, 1 is half way.
  EXPECT_EQ(picture(m, 400, 400, Scale::Log)[0], divergingColour(0.5 + 0.5 / 2));
}

TEST(HeatMap, ZoomedInEachEntryFillsItsPixels) {
  RCOMat m = realMatrix(100, 100, 1);
  m[50][60] = Element::complex(0, 0);
  const ViewWindow view{49.5, 59, 2, 2};  // half of row 49, rows 50, half of 51
  const auto p = picture(m, 4, 4, Scale::Linear, &view);
  for (int i = 0; i < 16; ++i)
    EXPECT_EQ(p[i] == kWhite, i == 6 || i == 7 || i == 10 || i == 11) << i;
}

TEST(HeatMap, ComplexByPhaseAndNaNAlwaysShows) {
  RCOMat m = realMatrix(2, 2);
  m[0][0] = Element::complex(0, 2);
  m[0][1] = Element::complex(-1, 0);
  m[1][0] = Element::complex(std::numeric_limits<double>::quiet_NaN(), 0);
  const MatrixStats stats = matrixStats(m);
  EXPECT_TRUE(stats.complex && stats.zeros == 1 && stats.largest == 2 &&
              stats.smallestNonzero == 1);
  EXPECT_EQ(picture(m, 2, 2),
            (std::vector<std::uint32_t>{phaseColour(std::atan2(2, 0), 1),
                                        phaseColour(std::atan2(0, -1), 0.5), kNaNColour, kWhite}));
  EXPECT_EQ(picture(m, 1, 1)[0], kNaNColour);
  // The phase wheel: argument 0 reddish, pi cyan, nothing at strength 0.
  EXPECT_GT(red(phaseColour(0, 1)), blue(phaseColour(0, 1)));
  EXPECT_LT(red(phaseColour(3.14159, 1)), blue(phaseColour(3.14159, 1)));
  EXPECT_EQ(phaseColour(1, 0), kWhite);
}

TEST(HeatMap, ScaleAndTicks) {
  const ColourScale log =
      ColourScale::forStats({1e4, 1e-30, false, 0}, Scale::Log, Colouring::Magnitude);
  EXPECT_EQ(log.decades, ColourScale::kMaxDecades);
  EXPECT_DOUBLE_EQ(log.strength(1e-4), 0.5);
  EXPECT_EQ(log.strength(1e-20), ColourScale::kLeast);
  EXPECT_EQ(log.strength(std::numeric_limits<double>::infinity()), 1);
  EXPECT_EQ(viridisColour(0), 0xff440154u);
  EXPECT_EQ(viridisColour(1), 0xfffde725u);
  EXPECT_EQ(niceTicks(0, 4096, 5), (std::vector<double>{0, 1000, 2000, 3000, 4000}));
  EXPECT_EQ(niceTicks(-1.5, 1.5, 4), (std::vector<double>{-1, 0, 1}));
  EXPECT_EQ(niceTicks(1, 3, 10, 1), (std::vector<double>{1, 2, 3}));
  EXPECT_TRUE(niceTicks(2, 2, 5).empty());
}

}  // namespace
}  // namespace kelvaro::picture
