// Panel geometry shared by painting and hit-testing.
#pragma once

#include <cstdint>

#include "editor/canvas.h"

namespace varnolith::plugins::layout {

inline constexpr std::int32_t kPanelWidth = 960;
inline constexpr std::int32_t kPanelHeight = 580;

// FADER BANK
inline constexpr std::int32_t kStripsPerPage = 8;
inline constexpr Rect kFewerStrips{650, 101, 694, 135};
inline constexpr Rect kMoreStrips{700, 101, 744, 135};
inline constexpr Rect kPreviousPage{28, 525, 85, 560};
inline constexpr Rect kNextPage{91, 525, 148, 560};
inline constexpr std::int32_t kFaderTop = 258;     // cap centre at value 1.0
inline constexpr std::int32_t kFaderTravel = 187;  // pixels per full scale
inline constexpr std::int32_t kFaderGrab = 24;
// [any-thread] Centre x of the strip in slot s (0..7).
constexpr std::int32_t stripX(std::int32_t slot) noexcept { return 114 + 115 * slot; }
// [any-thread] The mute button and the fader's hit region of the strip centred at x.
constexpr Rect muteButton(std::int32_t x) noexcept { return Rect{x - 76, 204, x, 235}; }
constexpr Rect faderRegion(std::int32_t x) noexcept { return Rect{x - 71, 240, x - 1, 463}; }

// Routing kinds
inline constexpr Rect kFewerCount{29, 222, 98, 266};
inline constexpr Rect kMoreCount{112, 222, 181, 266};
inline constexpr Rect kGainRegion{17, 365, 924, 440};
inline constexpr std::int32_t kGainLeft = 37;     // cap centre at value 0.0
inline constexpr std::int32_t kGainTravel = 863;  // pixels per full scale
inline constexpr std::int32_t kGainGrab = 22;

// PLAYER and RECORDER
inline constexpr Rect kFileButton{28, 112, 206, 155};
inline constexpr Rect kRunButton{222, 112, 349, 155};
inline constexpr Rect kStopButton{362, 112, 480, 155};
inline constexpr Rect kTransportButton{498, 112, 770, 155};
inline constexpr Rect kTailDown{30, 421, 168, 460};
inline constexpr Rect kTailUp{181, 421, 319, 460};

// [any-thread] Win32 PtInRect: left and top inclusive, right and bottom exclusive.
constexpr bool contains(const Rect& r, std::int32_t x, std::int32_t y) noexcept {
  return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}
// [any-thread] The same rectangle hit-tested with right and bottom inclusive.
constexpr bool containsInclusive(const Rect& r, std::int32_t x, std::int32_t y) noexcept {
  return x >= r.left && x <= r.right && y >= r.top && y <= r.bottom;
}

}  // namespace varnolith::plugins::layout
