// Simulated realtime capture: an audio thread delivers blocks on the wall-clock cadence of the
// sample rate while the writer drains the ring to disk. Reports dropped frames (goal: none) and
// how full the ring got. Long-running: run through scripts/bench-recorder.sh, not ctest.
#include <benchmark/benchmark.h>

#include <chrono>
#include <stdexcept>
#include <thread>

#include "bench_support.h"
#include "recorder/recorder_engine.h"

namespace varnolith::plugins::bench {
namespace {

using Clock = std::chrono::steady_clock;

// Arguments: channels, sample rate, seconds of audio, block size in frames.
void BM_RealtimeCapture(benchmark::State& state) {
  const auto channels = static_cast<std::uint32_t>(state.range(0));
  const auto rate = static_cast<std::uint32_t>(state.range(1));
  const auto seconds = static_cast<std::uint64_t>(state.range(2));
  const auto blockFrames = static_cast<std::uint32_t>(state.range(3));
  ScratchDir dir;
  const PlanarBlock block(channels, blockFrames);
  const std::uint64_t totalFrames = seconds * rate;

  for (auto _ : state) {
    RecorderEngine engine;
    const auto path = dir.file("realtime.wav");
    engine.prepareDestination(path, channels, rate);
    std::uint64_t maxFill = 0;
    std::uint64_t lateBlocks = 0;
    const auto period = std::chrono::duration<double>(static_cast<double>(blockFrames) / rate);
    const auto start = Clock::now();
    engine.startCapture(0);
    std::uint64_t k = 0;
    for (std::uint64_t s = 0; s < totalFrames; s += blockFrames, ++k) {
      const auto due = start + std::chrono::duration_cast<Clock::duration>(period * static_cast<double>(k));
      if (Clock::now() > due + period) ++lateBlocks;  // the simulated audio thread itself fell behind
      std::this_thread::sleep_until(due);
      const std::uint64_t fill = engine.writePosition.load(std::memory_order_relaxed) -
                                 engine.readPosition.load(std::memory_order_acquire);
      if (fill > maxFill) maxFill = fill;
      const auto n = static_cast<std::uint32_t>(std::min<std::uint64_t>(blockFrames, totalFrames - s));
      engine.capture(block.pointers.data(), channels, n, s);
    }
    engine.requestStop();
    engine.finish();
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    if (engine.failed.load()) throw std::runtime_error("recording failed");

    state.counters["frames"] = static_cast<double>(totalFrames);
    state.counters["frames_written"] = static_cast<double>(engine.framesWritten.load());
    state.counters["dropped_frames"] = static_cast<double>(engine.droppedFrames.load());
    state.counters["max_ring_fill_pct"] = 100.0 * static_cast<double>(maxFill) / static_cast<double>(kRingSamples);
    state.counters["late_blocks"] = static_cast<double>(lateBlocks);
    std::filesystem::remove(path);
  }
}
BENCHMARK(BM_RealtimeCapture)
    ->Args({64, 192000, 60, 512})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);

}  // namespace
}  // namespace varnolith::plugins::bench

BENCHMARK_MAIN();
