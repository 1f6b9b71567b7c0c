// libFuzzer target: any byte string, written to a file, must decode or raise WavError, never crash,
// hang or over-allocate, and a successful decode must satisfy the DecodedAudio invariants.
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <new>
#include <string>
#include <system_error>

#include "player/wav_decoder.h"

namespace {

const std::filesystem::path& scratchFile() {
  static const std::filesystem::path path = [] {
    std::error_code ec;
    std::filesystem::path dir = "/dev/shm";  // keeps the per-input file write off the disk
    if (!std::filesystem::is_directory(dir, ec)) dir = std::filesystem::temp_directory_path();
    return dir / ("varnolith-decode-wav-fuzz-" + std::to_string(::getpid()) + ".wav");
  }();
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto& path = scratchFile();
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) __builtin_trap();
  if (size != 0 && std::fwrite(data, 1, size, file) != size) __builtin_trap();
  std::fclose(file);

  using varnolith::plugins::decodeWavFile;
  try {
    // Small inputs against the real limit, and against a tiny one so both limit paths are reached.
    for (std::uint64_t limit : {varnolith::plugins::kPreloadLimitBytes, std::uint64_t{64}}) {
      const auto audio = decodeWavFile(path, limit);
      const bool valid = audio.channelCount >= 1 && audio.channelCount <= 64 && audio.sampleRate >= 8000 &&
                         audio.sampleRate <= 384000 && audio.samples.size() % audio.channelCount == 0 &&
                         audio.samples.size() <= limit / 4 && audio.samples.size() * 2 <= size;
      if (!valid) __builtin_trap();
      for (float v : audio.samples) {
        if (!std::isfinite(v)) __builtin_trap();
      }
    }
  } catch (const varnolith::plugins::WavError&) {
    // A refusal is a correct answer for a malformed file.
  }
  // Anything else (filesystem_error, bad_alloc) escapes and libFuzzer reports it as a crash.
  return 0;
}
