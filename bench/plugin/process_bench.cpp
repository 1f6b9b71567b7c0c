// Throughput of process per module kind against memcpy of the same bytes, and the cost of a block
// cut by a full point array against the same block uncut. Ratios are taken by
// scripts/bench-process.sh from one run.
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <vector>

#include "params/parameter_ids.h"
#include "plugin/utility_plugin.h"
#include "support/host_objects.h"
#include "support/process_block.h"

namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;
using varnolith::plugins::ModuleKind;
using varnolith::plugins::UtilityPlugin;
using varnolith::testing::HostApplication;
using varnolith::testing::makeHostObject;
using varnolith::testing::ProcessBlock;

struct Layout {
  ModuleKind kind;
  int32 inputBuses;
  int32 inputChannels;
  int32 outputBuses;
  int32 outputChannels;
};

// FADER BANK 64 stereo strips, SUMMING 64 stereo inputs, DISTRIBUTOR 64 stereo outputs, INPUT 64
// channels.
constexpr Layout kLayouts[] = {
    {ModuleKind::FaderBank, 64, 2, 64, 2},
    {ModuleKind::Summing, 64, 2, 1, 2},
    {ModuleKind::Distributor, 1, 2, 64, 2},
    {ModuleKind::Input, 1, 64, 1, 64},
};

// A processing plug-in with every bus active, all strips in use and a ramp-free steady state.
struct Rig {
  IPtr<UtilityPlugin> plugin;
  ProcessBlock block;
  Layout layout;

  Rig(const Layout& l, int32 blockSize) : block(kSample32, blockSize), layout(l) {
    plugin = IPtr<UtilityPlugin>::adopt(new UtilityPlugin(l.kind));
    plugin->initialize(makeHostObject<HostApplication>().get());
    ProcessSetup setup{kRealtime, kSample32, blockSize, 48000.0};
    plugin->setupProcessing(setup);
    for (BusDirection dir : {kInput, kOutput}) {
      for (int32 i = 0; i < plugin->getBusCount(kAudio, dir); ++i) plugin->activateBus(kAudio, dir, i, true);
    }
    plugin->setParamNormalized(varnolith::plugins::kActiveStrips, 1.0);
    plugin->setParamNormalized(varnolith::plugins::kGain, 0.8);
    plugin->setActive(true);
    plugin->setProcessing(true);
    for (int32 b = 0; b < l.inputBuses; ++b) block.addInput(l.inputChannels);
    for (int32 b = 0; b < l.outputBuses; ++b) block.addOutput(l.outputChannels);
    for (int32 b = 0; b < l.inputBuses; ++b) {
      for (int32 c = 0; c < l.inputChannels; ++c) {
        for (int32 k = 0; k < blockSize; ++k) block.setIn(b, c, k, ((k * 31 + c * 7 + b) % 200 - 100) * 0.004);
      }
    }
  }
  ~Rig() {
    plugin->setProcessing(false);
    plugin->setActive(false);
    plugin->terminate();
  }
  std::size_t bytesPerBlock(int32 n) const {
    const auto channels = static_cast<std::size_t>(layout.inputBuses * layout.inputChannels +
                                                   layout.outputBuses * layout.outputChannels);
    return channels * static_cast<std::size_t>(n) * sizeof(float);
  }
};

void BM_Process(benchmark::State& state) {
  const Layout& layout = kLayouts[state.range(0)];
  const auto n = static_cast<int32>(state.range(1));
  Rig rig(layout, n);
  ProcessData& data = rig.block.data(n);
  rig.plugin->process(data);  // primes the smoothers
  for (auto _ : state) {
    rig.plugin->process(data);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * rig.bytesPerBlock(n)));
  state.SetLabel(varnolith::plugins::moduleDisplayName(layout.kind));
}

// The baseline: memcpy of as many bytes as the block reads and writes.
void BM_Memcpy(benchmark::State& state) {
  const Layout& layout = kLayouts[state.range(0)];
  const auto n = static_cast<int32>(state.range(1));
  const std::size_t bytes = Rig(layout, n).bytesPerBlock(n);
  std::vector<char> source(bytes, 1);
  std::vector<char> target(bytes, 0);
  for (auto _ : state) {
    std::memcpy(target.data(), source.data(), bytes);
    benchmark::DoNotOptimize(target.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
  state.SetLabel(varnolith::plugins::moduleDisplayName(layout.kind));
}

// A 512-sample block with 4096 points spread over `offsets` distinct offsets (range 1), against the
// same block without points (range 1 = 0). The points move the master gain and, on a FADER BANK,
// the strip gains, each to a value different from the one before.
void BM_Sliced(benchmark::State& state) {
  const Layout& layout = kLayouts[state.range(0)];
  const auto offsets = static_cast<int32>(state.range(1));
  constexpr int32 n = 512;
  Rig rig(layout, n);
  if (offsets > 0) {
    for (int32 i = 0; i < 4096; ++i) {
      const ParamID id = layout.kind == ModuleKind::FaderBank
                             ? varnolith::plugins::kFaderGainBase + static_cast<ParamID>(i % 64)
                             : varnolith::plugins::kGain;
      rig.block.changes->add(id, (i % offsets) * (n / offsets), 0.7 + 0.2 * ((i * 37) % 101) / 100.0);
    }
  }
  ProcessData& data = rig.block.data(n);
  rig.plugin->process(data);
  for (auto _ : state) {
    rig.plugin->process(data);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * rig.bytesPerBlock(n)));
  state.SetLabel(varnolith::plugins::moduleDisplayName(layout.kind));
}

void processArgs(benchmark::internal::Benchmark* b) {
  for (int64_t layout = 0; layout < 4; ++layout) {
    for (int64_t n : {64, 512}) b->Args({layout, n});
  }
}

void slicedArgs(benchmark::internal::Benchmark* b) {
  for (int64_t layout : {0, 3}) {
    for (int64_t offsets : {0, 64, 512}) b->Args({layout, offsets});
  }
}

BENCHMARK(BM_Process)->Apply(processArgs);
BENCHMARK(BM_Memcpy)->Apply(processArgs);
BENCHMARK(BM_Sliced)->Apply(slicedArgs);

}  // namespace

BENCHMARK_MAIN();
