#pragma once
// A matrix as a heat map: each pixel shows the entry of largest magnitude among those it
// covers, so no large entry is lost when the picture is smaller than the matrix, coloured on a
// scale taken from the whole matrix. Plain data in, 32-bit pixels out (0xffRRGGBB), for any
// toolkit to show.

#include <cstdint>
#include <span>
#include <vector>

#include "numbers/cancel_flag.h"
#include "numbers/rcomat.h"

namespace kelvaro::picture {

enum class Scale { Linear, Log };
// Signed: a diverging map centred on zero (negative blue, positive red), for real matrices.
// Phase: the argument as hue, the modulus as strength, for complex ones. Magnitude: the
// modulus alone on viridis.
enum class Colouring { Signed, Phase, Magnitude };

// What the scale needs to know of the whole matrix.
struct MatrixStats {
  double largest = 0;          // largest finite modulus
  double smallestNonzero = 0;  // smallest nonzero modulus (0 when every entry is zero)
  bool complex = false;        // some entry has a nonzero imaginary part
  long long zeros = 0;         // exact zeros (empty elements count as zeros)
};
MatrixStats matrixStats(const RCOMat& m, const CancelFlag* cancel = nullptr);

// The part of the matrix in view, in entries: the entry (r, c) covers [r, r+1) x [c, c+1).
struct ViewWindow {
  double top = 0, left = 0, rows = 0, cols = 0;
  static ViewWindow whole(const RCOMat& m) { return {0, 0, double(m.rows()), double(m.cols())}; }
};

// The entry each pixel of a width x height picture of the window shows: the largest in
// magnitude among those the pixel covers (NaN wins: it must be seen). Row-major. With stats,
// also the MatrixStats of the entries in view (of the whole matrix for the whole view), in the
// same pass over the memory.
struct BlockEntry {
  double re = 0, im = 0;
  bool zero = true;  // every entry of the block is exactly zero
};
std::vector<BlockEntry> blockMaxima(const RCOMat& m, const ViewWindow& view, int width, int height,
                                    const CancelFlag* cancel = nullptr,
                                    MatrixStats* stats = nullptr);

// How moduli become a strength in [0, 1]: linear from 0 to the largest, or logarithmic over the
// decades from the smallest nonzero to the largest (at most kMaxDecades).
struct ColourScale {
  Scale scale = Scale::Linear;
  Colouring colouring = Colouring::Signed;
  double largest = 1;
  double decades = 1;  // logarithmic scale: how many decades below the largest still show
  static constexpr double kMaxDecades = 16;
  static ColourScale forStats(const MatrixStats& stats, Scale scale, Colouring colouring);
  // The strength of modulus m; a nonzero entry gets at least kLeast, so that it is told apart
  // from an exact zero.
  double strength(double modulus) const;
  static constexpr double kLeast = 0.1;
};
// The colouring a matrix gets unless asked otherwise.
inline Colouring defaultColouring(const MatrixStats& s) {
  return s.complex ? Colouring::Phase : Colouring::Signed;
}

inline constexpr std::uint32_t kWhite = 0xffffffff;
inline constexpr std::uint32_t kNaNColour = 0xff808080;
std::uint32_t colourOf(const BlockEntry& e, const ColourScale& scale);
void colourise(std::span<const BlockEntry> entries, const ColourScale& scale,
               std::span<std::uint32_t> pixels);

// The colour maps, at t in [0, 1].
std::uint32_t divergingColour(double t);  // 0 blue, 0.5 white-ish, 1 red
std::uint32_t viridisColour(double t);
std::uint32_t phaseColour(double argument, double strength);  // white at strength 0

// Tick values for an axis from lo to hi: about `count` round numbers (1, 2 or 5 times a power
// of ten) inside [lo, hi]; step at least minStep (1 for row and column numbers).
std::vector<double> niceTicks(double lo, double hi, int count, double minStep = 0);

}  // namespace kelvaro::picture
