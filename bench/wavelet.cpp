#include "wavelet/wavelet.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "sample/random.h"
#include "sample/sample_data.h"

namespace fendrel {
namespace {

using Bands = std::vector<std::vector<double>>;

// One band per vector, every step written out as plainly as possible.
Bands PlainDecompose(const Bands& bands) {
  const std::size_t m = bands[0].size() / 2;
  Bands next;
  for (const auto& y : bands) {
    std::vector<double> average(m);
    std::vector<double> difference(m);
    for (std::size_t c = 0; c < m; ++c) {
      average[c] = (y[2 * c] + y[2 * c + 1]) / 2;
      difference[c] = (y[2 * c] - y[2 * c + 1]) / 2;
    }
    next.push_back(std::move(average));
    next.push_back(std::move(difference));
  }
  return next;
}

Bands PlainReconstruct(const Bands& bands) {
  const std::size_t m = bands[0].size();
  Bands next;
  for (std::size_t i = 0; i < bands.size() / 2; ++i) {
    std::vector<double> y(2 * m);
    for (std::size_t c = 0; c < m; ++c) {
      y[2 * c] = bands[2 * i][c] + bands[2 * i + 1][c];
      y[2 * c + 1] = bands[2 * i][c] - bands[2 * i + 1][c];
    }
    next.push_back(std::move(y));
  }
  return next;
}

bool SameBits(const double* a, const double* b, std::size_t n) {
  return n == 0 || std::memcmp(a, b, n * sizeof(double)) == 0;
}

bool SameBands(TWavelet& packet, const Bands& expected) {
  if (packet.BandCount() != static_cast<std::int32_t>(expected.size())) return false;
  for (std::int32_t i = 0; i < packet.BandCount(); ++i) {
    const TSampleData* band = packet.GetBand(i);
    const auto& want = expected[static_cast<std::size_t>(i)];
    if (band->Count() != static_cast<std::int32_t>(want.size())) return false;
    if (!SameBits(band->YData(), want.data(), want.size())) return false;
  }
  return true;
}

// Checks the deepest level and the rebuilt series against the plain steps.
bool RoundTripMatches(const TSampleData& series) {
  TWavelet packet;
  packet.Load(&series);
  const std::int32_t deepest = packet.MaxLevel() - 1;
  Bands bands{std::vector<double>(series.YData(), series.YData() + series.Count())};
  for (std::int32_t level = 0; level < deepest; ++level) bands = PlainDecompose(bands);
  packet.SetLevel(deepest);
  if (!SameBands(packet, bands)) return false;
  for (std::int32_t level = deepest; level > 0; --level) bands = PlainReconstruct(bands);
  packet.SetLevel(0);
  return SameBands(packet, bands);
}

void BM_PacketRoundTrip(benchmark::State& state) {
  SetRandomState(12345);
  TSampleData series(static_cast<std::int32_t>(state.range(0)));
  series.GenerateRandom();
  if (!RoundTripMatches(series)) {
    state.SkipWithError("packet differs from the plain steps");
    return;
  }
  TWavelet packet;
  for (auto _ : state) {
    packet.Load(&series);
    packet.SetLevel(packet.MaxLevel() - 1);
    packet.SetLevel(0);
    benchmark::DoNotOptimize(packet.Level());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_PacketRoundTrip)->Arg(100)->Arg(65536)->Arg(1048576)->Unit(benchmark::kMicrosecond);

// What a redraw costs at the deepest level: every band handed out once.
void BM_LendEveryBandAtDeepestLevel(benchmark::State& state) {
  SetRandomState(12345);
  TSampleData series(static_cast<std::int32_t>(state.range(0)));
  series.GenerateRandom();
  if (!RoundTripMatches(series)) {
    state.SkipWithError("packet differs from the plain steps");
    return;
  }
  TWavelet packet;
  for (auto _ : state) {
    packet.Load(&series);
    packet.SetLevel(packet.MaxLevel() - 1);
    for (std::int32_t i = 0; i < packet.BandCount(); ++i) {
      benchmark::DoNotOptimize(packet.GetBand(i)->Count());
    }
  }
}
BENCHMARK(BM_LendEveryBandAtDeepestLevel)
    ->Arg(100)
    ->Arg(65536)
    ->Arg(1048576)
    ->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace fendrel
