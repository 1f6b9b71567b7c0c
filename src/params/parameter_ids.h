// Parameter IDs as the host stores them in automation, and the size of the parameter store.
#pragma once

#include <cstdint>

namespace varnolith::plugins {

enum ParamId : std::uint32_t {
  kActiveStrips = 0,
  kGain = 1,
  kFollowTransport = 2,
  kPlayRecord = 3,
  kFaderGainBase = 100,  // fader n gain is 100 + n, n = 0..63
  kFaderMuteBase = 200,  // fader n mute is 200 + n
  kTailSilenceTime = 400,
  kMaximumTail = 401,
};

inline constexpr std::uint32_t kParameterSlots = 512;
inline constexpr std::uint32_t kMaxStrips = 64;

}  // namespace varnolith::plugins
