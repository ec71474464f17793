#include "picture/heat_map.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <limits>
#include <thread>

namespace kelvaro::picture {

namespace {

constexpr int kMaxThreads = 4;

// The squared modulus, the cheap measure the reduction compares; hypot where squaring
// overflows or underflows.
double modulusOf(double re, double im) {
  const double squared = re * re + im * im;
  if (squared > 0 && squared < std::numeric_limits<double>::infinity()) return std::sqrt(squared);
  return std::hypot(re, im);
}

// The entries [first, last) of one axis that pixel i of n shows: those whose centres it
// covers, so that each entry belongs to one pixel; a pixel that covers no centre (zoomed in)
// shows the entry under its own centre.
struct Span {
  int first, last;
};
std::vector<Span> spans(double origin, double length, int pixels, int entries) {
  std::vector<Span> out(static_cast<std::size_t>(pixels));
  const double step = length / pixels;
  for (int i = 0; i < pixels; ++i) {
    int first = static_cast<int>(std::ceil(origin + i * step - 0.5));
    int last = static_cast<int>(std::ceil(origin + (i + 1) * step - 0.5));
    if (last <= first) {
      first = static_cast<int>(std::floor(origin + (i + 0.5) * step));
      last = first + 1;
    }
    out[static_cast<std::size_t>(i)] = {std::clamp(first, 0, entries),
                                        std::clamp(last, 0, entries)};
  }
  return out;
}

}  // namespace

namespace {

// Gathers MatrixStats entry by entry; squared moduli compared, hypot only where squaring leaves
// the range of doubles.
class StatsGatherer {
 public:
  void add(double re, double im, double squared) {
    complex_ |= im != 0;
    if (squared > 0 && squared < kInf) {
      largest_ = std::max(largest_, squared);
      smallest_ = std::min(smallest_, squared);
    } else if (re == 0 && im == 0) {
      ++zeros_;
    } else if (const double modulus = std::hypot(re, im); std::isfinite(modulus)) {
      largestOutside_ = std::max(largestOutside_, modulus);
      smallestOutside_ = std::min(smallestOutside_, modulus);
    }
  }
  void merge(const StatsGatherer& o) {
    complex_ |= o.complex_;
    zeros_ += o.zeros_;
    largest_ = std::max(largest_, o.largest_);
    smallest_ = std::min(smallest_, o.smallest_);
    largestOutside_ = std::max(largestOutside_, o.largestOutside_);
    smallestOutside_ = std::min(smallestOutside_, o.smallestOutside_);
  }
  MatrixStats stats() const {
    MatrixStats s;
    s.complex = complex_;
    s.zeros = zeros_;
    s.largest = std::max(std::sqrt(largest_), largestOutside_);
    s.smallestNonzero = s.largest > 0 ? std::min(std::sqrt(smallest_), smallestOutside_) : 0;
    return s;
  }

 private:
  static constexpr double kInf = std::numeric_limits<double>::infinity();
  double largest_ = 0, smallest_ = kInf, largestOutside_ = 0, smallestOutside_ = kInf;
  long long zeros_ = 0;
  bool complex_ = false;
};

}  // namespace

MatrixStats matrixStats(const RCOMat& m, const CancelFlag* cancel) {
  StatsGatherer gatherer;
  for (int r = 0; r < m.rows(); ++r) {
    if ((r & 63) == 0) checkCancel(cancel);
    for (const Element* e = m[r]; e != m[r] + m.cols(); ++e)
      gatherer.add(e->re(), e->im(), e->re() * e->re() + e->im() * e->im());
  }
  return gatherer.stats();
}

std::vector<BlockEntry> blockMaxima(const RCOMat& m, const ViewWindow& view, int width, int height,
                                    const CancelFlag* cancel, MatrixStats* stats) {
  std::vector<BlockEntry> out(static_cast<std::size_t>(std::max(width, 0)) *
                              static_cast<std::size_t>(std::max(height, 0)));
  StatsGatherer gatherer;
  if (stats) *stats = gatherer.stats();
  if (out.empty() || m.empty()) return out;
  const std::vector<Span> columns = spans(view.left, view.cols, width, m.cols());
  const std::vector<Span> rows = spans(view.top, view.rows, height, m.rows());
  // Bands of picture rows on threads of their own: a band reads its own rows of the matrix.
  auto band = [&](int fromY, int toY, StatsGatherer& gatherer) {
    std::vector<double> best(static_cast<std::size_t>(width));
    for (int y = fromY; y < toY; ++y) {
      checkCancel(cancel);
      BlockEntry* line = out.data() + static_cast<std::size_t>(y) * width;
      std::fill(best.begin(), best.end(), -1.0);
      for (int r = rows[y].first; r < rows[y].last; ++r) {
        const Element* row = m[r];
        for (int x = 0; x < width; ++x) {
          double top = best[static_cast<std::size_t>(x)];
          BlockEntry entry = line[x];
          for (int c = columns[x].first; c < columns[x].last; ++c) {
            const double re = row[c].re(), im = row[c].im();
            const double squared = re * re + im * im;
            if (!(squared <= top)) {  // larger, or NaN, which nothing displaces but a NaN
              top = squared == squared ? squared : std::numeric_limits<double>::infinity();
              entry.re = re;
              entry.im = im;
            }
            entry.zero &= (re == 0) & (im == 0);
            if (stats) gatherer.add(re, im, squared);
          }
          best[static_cast<std::size_t>(x)] = top;
          line[x] = entry;
        }
      }
    }
  };
  const double entries =
      std::min(view.rows, double(m.rows())) * std::min(view.cols, double(m.cols()));
  const int bands = entries < (1 << 20) ? 1
                                        : std::clamp(int(std::thread::hardware_concurrency()), 1,
                                                     std::min(kMaxThreads, height));
  std::vector<StatsGatherer> gatherers(static_cast<std::size_t>(bands));
  std::vector<std::exception_ptr> failures(static_cast<std::size_t>(bands));
  {
    std::vector<std::jthread> threads;
    for (int b = 0; b < bands; ++b) {
      auto run = [&, b] {
        try {
          band(height * b / bands, height * (b + 1) / bands,
               gatherers[static_cast<std::size_t>(b)]);
        } catch (...) {
          failures[static_cast<std::size_t>(b)] = std::current_exception();
        }
      };
      if (b + 1 < bands)
        threads.emplace_back(run);
      else
        run();
    }
  }
  for (const auto& failure : failures)
    if (failure) std::rethrow_exception(failure);
  for (const auto& g : gatherers) gatherer.merge(g);
  if (stats) *stats = gatherer.stats();
  return out;
}

ColourScale ColourScale::forStats(const MatrixStats& stats, Scale scale, Colouring colouring) {
  ColourScale c;
  c.scale = scale;
  c.colouring = colouring;
  c.largest = stats.largest > 0 ? stats.largest : 1;
  if (stats.smallestNonzero > 0)
    c.decades = std::clamp(std::log10(c.largest / stats.smallestNonzero), 1.0, kMaxDecades);
  return c;
}

double ColourScale::strength(double modulus) const {
  if (!(modulus < std::numeric_limits<double>::infinity())) return 1;
  const double t =
      scale == Scale::Linear ? modulus / largest : 1 + std::log10(modulus / largest) / decades;
  return std::clamp(std::isnan(t) ? kLeast : t, kLeast, 1.0);
}

std::uint32_t colourOf(const BlockEntry& e, const ColourScale& scale) {
  if (e.zero) return kWhite;
  if (std::isnan(e.re) || std::isnan(e.im)) return kNaNColour;
  const double t = scale.strength(modulusOf(e.re, e.im));
  switch (scale.colouring) {
    case Colouring::Signed:
      return divergingColour(0.5 + (e.re < 0 ? -t : t) / 2);
    case Colouring::Phase:
      return phaseColour(std::atan2(e.im, e.re), t);
    case Colouring::Magnitude:
      return viridisColour(t);
  }
  return kNaNColour;
}

void colourise(std::span<const BlockEntry> entries, const ColourScale& scale,
               std::span<std::uint32_t> pixels) {
  const std::size_t n = std::min(entries.size(), pixels.size());
  for (std::size_t i = 0; i < n; ++i) pixels[i] = colourOf(entries[i], scale);
}

std::vector<double> niceTicks(double lo, double hi, int count, double minStep) {
  std::vector<double> ticks;
  if (!(hi > lo) || count < 1 || !std::isfinite(hi - lo)) return ticks;
  const double rough = (hi - lo) / count;
  const double power = std::pow(10.0, std::floor(std::log10(rough)));
  double step = power;
  for (double factor : {1.0, 2.0, 5.0, 10.0}) {
    step = factor * power;
    if (step >= rough) break;
  }
  step = std::max(step, minStep);
  for (double v = std::ceil(lo / step) * step; v <= hi + step * 1e-9; v += step)
    ticks.push_back(std::abs(v) < step * 1e-9 ? 0.0 : v);
  return ticks;
}

}  // namespace kelvaro::picture
