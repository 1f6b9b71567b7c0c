// The eight module kinds and their display names.
#pragma once

#include <cstdint>

namespace varnolith::plugins {

enum class ModuleKind : std::int32_t {
  Input = 1,
  Output = 2,
  Summing = 3,
  Breakout = 4,
  Player = 5,
  Recorder = 6,
  FaderBank = 7,
  Distributor = 8,
};

// [any-thread] "VARNOLITH INPUT" … "VARNOLITH DISTRIBUTOR"; every number outside 1..8 gives the
// FADER BANK name. Returns a constant string; never allocates.
const char* moduleDisplayName(ModuleKind kind) noexcept;

}  // namespace varnolith::plugins
