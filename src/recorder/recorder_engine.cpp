// Placeholder bodies; the full engine replaces this file.
#include "recorder/recorder_engine.h"

#include <stdexcept>

namespace varnolith::plugins {

RecorderEngine::RecorderEngine() : ring(new float[kRingSamples]()) {}
RecorderEngine::~RecorderEngine() { finish(); }
void RecorderEngine::prepareDestination(const std::filesystem::path&, std::uint32_t, std::uint32_t) {
  throw std::runtime_error("Cannot create recording file");
}
void RecorderEngine::requestStop() noexcept {
  recording.exchange(false);
  stopRequested.exchange(true);
}
void RecorderEngine::finish() {
  if (writerThread.joinable()) writerThread.join();
}
void RecorderEngine::startCapture(std::uint64_t) noexcept {}
void RecorderEngine::beginTail(std::uint64_t, double, double, double) noexcept {}
void RecorderEngine::capture(const float* const*, std::uint32_t, std::uint32_t, std::uint64_t) noexcept {}

}  // namespace varnolith::plugins
