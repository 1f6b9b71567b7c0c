// DecodedAudio: a WAV file decoded completely into interleaved 32-bit floats.
#pragma once

#include <cstdint>
#include <vector>

namespace varnolith::plugins {

struct DecodedAudio {
  std::uint32_t channelCount = 0;  // 1..64 after a successful decode
  std::uint32_t sampleRate = 0;    // 8000..384000 after a successful decode
  std::vector<float> samples;      // frame after frame, channels interleaved, all finite

  // [any-thread] Number of whole frames; 0 when there are no channels.
  std::uint64_t frameCount() const noexcept { return channelCount ? samples.size() / channelCount : 0; }
};

}  // namespace varnolith::plugins
