// decodeWavFile: reads one RIFF/WAVE file completely into memory, within preload limits.
#pragma once

#include <cstdint>
#include <filesystem>
#include <stdexcept>

#include "player/decoded_audio.h"

namespace varnolith::plugins {

inline constexpr std::uint64_t kPreloadLimitBytes = 536870912;  // 512 MiB

// The decoder's refusals; what() is the fixed English message shown to the user.
class WavError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// [main-thread] Decodes the whole file; throws WavError (or a file-system / allocation error).
// Never call on the audio thread: it reads the disk and allocates.
DecodedAudio decodeWavFile(const std::filesystem::path& path, std::uint64_t limit);

}  // namespace varnolith::plugins
