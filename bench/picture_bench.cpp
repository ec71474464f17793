// The heat map of a 4096 x 4096 pane: the scale from the whole matrix, the reduction to the
// picture's pixels and their colours, as the picture view computes them off the interface
// thread.

#include <benchmark/benchmark.h>

#include "bench_matrices.h"
#include "picture/heat_map.h"

namespace kelvaro::bench {
namespace {

void BM_HeatMap(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const int pixels = static_cast<int>(state.range(1));
  const RCOMat m = randomMatrix(n, 7, state.range(2) != 0);
  std::vector<std::uint32_t> image(static_cast<std::size_t>(pixels) * pixels);
  for (auto _ : state) {
    picture::MatrixStats stats;
    const auto blocks =
        picture::blockMaxima(m, picture::ViewWindow::whole(m), pixels, pixels, nullptr, &stats);
    const auto scale = picture::ColourScale::forStats(stats, picture::Scale::Linear,
                                                      picture::defaultColouring(stats));
    picture::colourise(blocks, scale, image);
    benchmark::DoNotOptimize(image.data());
  }
}
// n, pixels per side, complex
BENCHMARK(BM_HeatMap)
    ->Args({4096, 400, 0})
    ->Args({4096, 400, 1})
    ->Args({4096, 1000, 1})
    ->Args({1000, 1000, 1})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();  // the reduction runs on several threads

}  // namespace
}  // namespace kelvaro::bench
