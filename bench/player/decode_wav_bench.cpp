// Decoding throughput of decodeWavFile against two baselines measured in the same run:
// libsndfile reading the same file into floats, and a plain fread of the whole file (the I/O floor).
// Each format's test file (~100 MB) is generated once into a temp dir. After the runs a table of
// throughput ratios against both baselines is printed.
#include <benchmark/benchmark.h>
#include <sndfile.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "player/wav_decoder.h"

namespace {

namespace fs = std::filesystem;
using varnolith::plugins::decodeWavFile;
using varnolith::plugins::kPreloadLimitBytes;

constexpr std::uint64_t kTargetBytes = 100'000'000;

struct Format {
  const char* name;
  std::uint16_t tag;
  std::uint16_t bits;
};
constexpr Format kFormats[] = {{"pcm16", 1, 16}, {"pcm24", 1, 24}, {"float32", 3, 32}};
constexpr std::uint16_t kChannels = 2;

void put(std::FILE* f, std::uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) std::fputc(static_cast<int>((value >> (8 * i)) & 0xFF), f);
}

// Noise-like content so that no conversion path meets only zeros.
void writeWav(const fs::path& path, const Format& format) {
  const std::uint32_t align = kChannels * format.bits / 8;
  const std::uint64_t dataBytes = kTargetBytes / align * align;
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) throw std::runtime_error("cannot create " + path.string());
  std::fwrite("RIFF", 1, 4, f);
  put(f, 36 + dataBytes, 4);
  std::fwrite("WAVEfmt ", 1, 8, f);
  put(f, 16, 4);
  put(f, format.tag, 2);
  put(f, kChannels, 2);
  put(f, 48000, 4);
  put(f, 48000 * align, 4);
  put(f, align, 2);
  put(f, format.bits, 2);
  std::fwrite("data", 1, 4, f);
  put(f, dataBytes, 4);
  std::vector<std::uint8_t> block(1 << 20);
  std::uint32_t state = 12345;
  for (std::uint64_t written = 0; written < dataBytes;) {
    const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(block.size(), dataBytes - written));
    if (format.tag == 3) {
      for (std::size_t i = 0; i + 4 <= n; i += 4) {
        state = state * 1664525u + 1013904223u;
        const float v = static_cast<float>(static_cast<std::int32_t>(state)) * 0x1p-31f;
        std::memcpy(&block[i], &v, 4);
      }
    } else {
      for (std::size_t i = 0; i < n; ++i) {
        state = state * 1664525u + 1013904223u;
        block[i] = static_cast<std::uint8_t>(state >> 24);
      }
    }
    std::fwrite(block.data(), 1, n, f);
    written += n;
  }
  if (std::fclose(f) != 0) throw std::runtime_error("cannot write " + path.string());
}

fs::path fileFor(const Format& format) {
  static const fs::path dir = fs::temp_directory_path() / ("varnolith-bench-player-" + std::to_string(::getpid()));
  return dir / (std::string(format.name) + ".wav");
}

void BM_Ours(benchmark::State& state, const Format* format) {
  const fs::path path = fileFor(*format);
  for (auto _ : state) {
    auto audio = decodeWavFile(path, kPreloadLimitBytes);
    benchmark::DoNotOptimize(audio.samples.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * fs::file_size(path)));
}

void BM_Sndfile(benchmark::State& state, const Format* format) {
  const fs::path path = fileFor(*format);
  for (auto _ : state) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (file == nullptr) {
      state.SkipWithError("sf_open failed");
      break;
    }
    // Same output as ours: a freshly allocated vector of interleaved floats.
    std::vector<float> samples(static_cast<std::size_t>(info.frames) * static_cast<std::size_t>(info.channels));
    const sf_count_t got = sf_readf_float(file, samples.data(), info.frames);
    sf_close(file);
    if (got != info.frames) {
      state.SkipWithError("short read");
      break;
    }
    benchmark::DoNotOptimize(samples.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * fs::file_size(path)));
}

void BM_RawRead(benchmark::State& state, const Format* format) {
  const fs::path path = fileFor(*format);
  const auto size = static_cast<std::size_t>(fs::file_size(path));
  for (auto _ : state) {
    // Fresh buffer each time, like the decoder's raw buffer.
    std::unique_ptr<char[]> bytes(new char[size]);
    std::FILE* f = std::fopen(path.c_str(), "rb");
    const std::size_t got = f ? std::fread(bytes.get(), 1, size, f) : 0;
    if (f) std::fclose(f);
    if (got != size) {
      state.SkipWithError("short read");
      break;
    }
    benchmark::DoNotOptimize(bytes.get());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}

// Prints the usual console output and remembers each benchmark's real time per iteration
// (the median when repetitions are requested, else the plain run).
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.error_occurred) continue;
      const std::string name = run.run_name.function_name;
      const Times times{run.GetAdjustedRealTime(), run.GetAdjustedCPUTime()};
      if (run.run_type == Run::RT_Aggregate) {
        if (run.aggregate_name == "median") median_[name] = times;
      } else {
        single_[name] = times;
      }
    }
  }

  // Real time is what a user waits for; CPU time is shown too because it is steadier on a shared
  // machine (the files sit in the page cache, so waiting for the disk is not part of either).
  void printRatios() const {
    std::printf("\nThroughput ratios, ours vs baseline (> 1: ours is faster):\n");
    std::printf("%-10s %18s %18s %18s %18s\n", "format", "sndfile (real)", "sndfile (cpu)", "raw-read (real)",
                "raw-read (cpu)");
    for (const Format& format : kFormats) {
      const Times ours = timeOf("BM_Ours/" + std::string(format.name));
      const Times sndfile = timeOf("BM_Sndfile/" + std::string(format.name));
      const Times raw = timeOf("BM_RawRead/" + std::string(format.name));
      if (ours.real <= 0 || sndfile.real <= 0 || raw.real <= 0) continue;
      std::printf("%-10s %17.2fx %17.2fx %17.2fx %17.2fx\n", format.name, sndfile.real / ours.real,
                  sndfile.cpu / ours.cpu, raw.real / ours.real, raw.cpu / ours.cpu);
    }
  }

 private:
  struct Times {
    double real = 0.0;
    double cpu = 0.0;
  };
  Times timeOf(const std::string& name) const {
    if (auto it = median_.find(name); it != median_.end()) return it->second;
    if (auto it = single_.find(name); it != single_.end()) return it->second;
    return {};
  }
  std::map<std::string, Times> median_;
  std::map<std::string, Times> single_;
};

}  // namespace

int main(int argc, char** argv) {
  const fs::path dir = fileFor(kFormats[0]).parent_path();
  fs::create_directories(dir);
  int status = 0;
  try {
    for (const Format& format : kFormats) {
      writeWav(fileFor(format), format);
      const std::string suffix = std::string("/") + format.name;
      // Interleaved per format, so a drift in machine load hits all three alike.
      benchmark::RegisterBenchmark(("BM_Ours" + suffix).c_str(), BM_Ours, &format)->Unit(benchmark::kMillisecond)->UseRealTime();
      benchmark::RegisterBenchmark(("BM_Sndfile" + suffix).c_str(), BM_Sndfile, &format)->Unit(benchmark::kMillisecond)->UseRealTime();
      benchmark::RegisterBenchmark(("BM_RawRead" + suffix).c_str(), BM_RawRead, &format)->Unit(benchmark::kMillisecond)->UseRealTime();
    }
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatios();
    benchmark::Shutdown();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "decode_wav_bench: %s\n", e.what());
    status = 1;
  }
  std::error_code ignored;
  fs::remove_all(dir, ignored);
  return status;
}
