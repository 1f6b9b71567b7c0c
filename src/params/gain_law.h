// The gain law and strip count shared by the kernels, the value strings and the editor.
#pragma once

#include <cmath>
#include <cstdint>

namespace varnolith::plugins {

// [any-thread] Level in dB of a normalized gain value: -90 dB at 0, 0 dB at 15/17, +12 dB at 1.
inline double gainDecibels(double normalized) noexcept { return 102.0 * normalized - 90.0; }

// [any-thread] Linear factor of a normalized gain value; -90 dB is not a mute.
inline double linearGain(double normalized) noexcept { return std::pow(10.0, gainDecibels(normalized) / 20.0); }

// [any-thread] Active strips or branches, 1..64, from the normalized count (halves round away from 0).
inline std::int32_t activeStripCount(double normalized) noexcept {
  return static_cast<std::int32_t>(std::lround(normalized * 63.0)) + 1;
}

}  // namespace varnolith::plugins
