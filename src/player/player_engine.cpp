// Placeholder bodies; the full engine replaces this file.
#include "player/player_engine.h"

#include <stdexcept>

namespace varnolith::plugins {

PlayerEngine::PlayerEngine() : current(new DecodedAudio()) { latest.store(current); }
PlayerEngine::~PlayerEngine() { delete current; }
void PlayerEngine::installAudio(DecodedAudio) { throw std::runtime_error("Invalid audio data"); }
void PlayerEngine::loadFile(const std::filesystem::path&) { throw std::runtime_error("Cannot open WAV file"); }
void PlayerEngine::drainRetired() {}
void PlayerEngine::startAt(std::uint64_t, std::uint64_t) noexcept {}
void PlayerEngine::render(float* const*, std::uint32_t, std::uint32_t, double, std::uint64_t) noexcept {}
void PlayerEngine::stop() noexcept { playing.exchange(false); }

}  // namespace varnolith::plugins
