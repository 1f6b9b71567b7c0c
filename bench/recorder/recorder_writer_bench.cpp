// Sustained throughput of the disk writer against plain sequential fwrite of the same bytes,
// measured in the same run. The producer feeds the ring as fast as the ring has room.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <stdexcept>
#include <thread>

#include "bench_support.h"
#include "recorder/recorder_engine.h"

namespace varnolith::plugins::bench {
namespace {

constexpr std::uint32_t kChannels = 64;
constexpr std::uint32_t kBlock = 512;
constexpr std::uint64_t kFrames = 1'048'576;  // 256 MiB of 64-channel float audio per file
constexpr std::uint64_t kDataBytes = kFrames * kChannels * 4;

using Clock = std::chrono::steady_clock;

double rawFwriteSeconds(const std::filesystem::path& path, const std::vector<float>& chunk) {
  const auto start = Clock::now();
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) throw std::runtime_error("cannot create baseline file");
  const char header[44] = {};
  std::fwrite(header, 1, sizeof header, f);
  const std::uint64_t chunkBytes = chunk.size() * 4;
  for (std::uint64_t done = 0; done < kDataBytes; done += chunkBytes) {
    if (std::fwrite(chunk.data(), 4, chunk.size(), f) != chunk.size()) throw std::runtime_error("short write");
  }
  std::fclose(f);
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  std::filesystem::remove(path);
  return seconds;
}

double writerSeconds(const std::filesystem::path& path, const PlanarBlock& block) {
  RecorderEngine engine;
  engine.prepareDestination(path, kChannels, 48000);
  const auto start = Clock::now();
  engine.startCapture(0);
  const std::uint64_t need = std::uint64_t{kBlock} * kChannels;
  for (std::uint64_t s = 0; s < kFrames; s += kBlock) {
    while (engine.writePosition.load(std::memory_order_relaxed) - engine.readPosition.load(std::memory_order_acquire) +
               need > kRingSamples) {
      std::this_thread::yield();
    }
    engine.capture(block.pointers.data(), kChannels, kBlock, s);
  }
  engine.requestStop();
  engine.finish();
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  if (engine.droppedFrames.load() != 0 || engine.failed.load() || engine.framesWritten.load() != kFrames) {
    throw std::runtime_error("writer run incomplete");
  }
  std::filesystem::remove(path);
  return seconds;
}

// Both measurements in every iteration, in alternating order so neither always meets a cold or a
// busy page cache. The reported time is the writer's; `ratio` is raw time / writer time.
void BM_WriterVsRawFwrite(benchmark::State& state) {
  ScratchDir dir;
  const PlanarBlock block(kChannels, kBlock);
  const std::vector<float> chunk(static_cast<std::size_t>(state.range(0)) / 4, 0.25f);
  double raw = 0.0;
  double writer = 0.0;
  bool rawFirst = true;
  for (auto _ : state) {
    double w = 0.0;
    if (rawFirst) raw += rawFwriteSeconds(dir.file("raw.bin"), chunk);
    w = writerSeconds(dir.file("take.wav"), block);
    if (!rawFirst) raw += rawFwriteSeconds(dir.file("raw.bin"), chunk);
    rawFirst = !rawFirst;
    writer += w;
    state.SetIterationTime(w);
  }
  const double bytes = static_cast<double>(kDataBytes) * static_cast<double>(state.iterations());
  state.counters["writer_MBps"] = bytes / writer / 1e6;
  state.counters["raw_fwrite_MBps"] = bytes / raw / 1e6;
  state.counters["ratio_vs_fwrite"] = raw / writer;
  state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
}
// Argument: the baseline's fwrite chunk size in bytes (the ring itself is 4 MiB).
BENCHMARK(BM_WriterVsRawFwrite)->Arg(1 << 20)->Arg(4 << 20)->Iterations(6)->UseManualTime()->Unit(benchmark::kMillisecond);

// The producer alone: what capture costs per 512-frame block of 64 channels, against a plain
// interleaving copy of the same block in the same run. The writer is held and the bench marks the
// ring as consumed itself, so only capture is timed.
void BM_Capture64chBlock(benchmark::State& state) {
  ScratchDir dir;
  std::atomic<bool> hold{true};
  RecorderTestSeams seams;
  seams.stallWriter = &hold;
  RecorderEngine engine(seams);
  engine.prepareDestination(dir.file("capture.wav"), kChannels, 48000);
  engine.startCapture(0);
  const PlanarBlock block(kChannels, kBlock);
  std::uint64_t s = 0;
  for (auto _ : state) {
    engine.readPosition.store(engine.writePosition.load());
    engine.capture(block.pointers.data(), kChannels, kBlock, s);
    s += kBlock;
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * kBlock * kChannels);
  if (engine.droppedFrames.load() != 0) state.SkipWithError("capture dropped frames");
  engine.requestStop();
  hold = false;
  engine.finish();
}
BENCHMARK(BM_Capture64chBlock);

void BM_InterleaveCopyBaseline(benchmark::State& state) {
  const PlanarBlock block(kChannels, kBlock);
  std::vector<float> out(std::size_t{kBlock} * kChannels);
  for (auto _ : state) {
    float* dst = out.data();
    for (std::uint32_t i = 0; i < kBlock; ++i) {
      for (std::uint32_t c = 0; c < kChannels; ++c) *dst++ = block.pointers[c][i];
    }
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * kBlock * kChannels);
}
BENCHMARK(BM_InterleaveCopyBaseline);

}  // namespace
}  // namespace varnolith::plugins::bench

BENCHMARK_MAIN();
