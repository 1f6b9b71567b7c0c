// Reading and writing WAV files for tests and tools.
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

#include "player/decoded_audio.h"

namespace varnolith::testing {

// [main-thread] Decodes a WAV file with the plug-ins' own decoder; throws on failure.
plugins::DecodedAudio readWavFile(const std::filesystem::path& path);

// [main-thread] Writes interleaved samples as a 32-bit float WAV file; throws on I/O failure.
void writeFloatWav(const std::filesystem::path& path, std::uint32_t channels, std::uint32_t sampleRate,
                   const std::vector<float>& interleaved);

// [main-thread] Writes interleaved samples as 16-bit PCM (rounded, clipped); throws on failure.
void writePcm16Wav(const std::filesystem::path& path, std::uint32_t channels, std::uint32_t sampleRate,
                   const std::vector<float>& interleaved);

}  // namespace varnolith::testing
