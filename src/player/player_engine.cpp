// PlayerEngine: ownership hand-over between the control side and the audio thread, and playback.
#include "player/player_engine.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <stdexcept>
#include <utility>

#include "player/wav_decoder.h"

namespace varnolith::plugins {

PlayerEngine::PlayerEngine() : current(new DecodedAudio()) { latest.store(current); }

PlayerEngine::~PlayerEngine() {
  playing.exchange(false);
  delete pending.exchange(nullptr);
  drainRetired();
  delete current;
}

void PlayerEngine::installAudio(DecodedAudio audio) {
  if (audio.channelCount == 0 || audio.sampleRate == 0 || audio.samples.size() % audio.channelCount != 0) {
    throw std::runtime_error("Invalid audio data");
  }
  drainRetired();
  auto* file = new DecodedAudio(std::move(audio));
  playing.exchange(false);
  frameCount.exchange(file->frameCount());
  latest.exchange(file);
  // Whatever we get back was never taken by the audio thread (taking is an exchange too), so it
  // is ours to free.
  delete pending.exchange(file);
}

void PlayerEngine::loadFile(const std::filesystem::path& path) { installAudio(decodeWavFile(path, kPreloadLimitBytes)); }

void PlayerEngine::drainRetired() {
  std::uint32_t read = retiredRead.load(std::memory_order_relaxed);  // only we write it
  const std::uint32_t write = retiredWrite.load(std::memory_order_acquire);
  for (; read != write; ++read) {
    DecodedAudio*& slot = retired[read % kRetiredSlots];
    delete slot;
    slot = nullptr;
  }
  // Release: the audio thread may reuse these slots only after we are done with them.
  retiredRead.store(write, std::memory_order_release);
}

void PlayerEngine::startAt(std::uint64_t hostSample, std::uint64_t fileFrame) noexcept {
  const std::uint64_t frames = frameCount.load();
  const bool starts = fileFrame < frames;
  startFrame.exchange(std::min(fileFrame, frames));
  startSample.exchange(hostSample);
  endSample.exchange(starts ? kNoEndSample : hostSample);
  playing.exchange(starts);
}

void PlayerEngine::stop() noexcept { playing.exchange(false); }

void PlayerEngine::render(float* const* outputs, std::uint32_t outputCount, std::uint32_t sampleCount,
                          double hostRate, std::uint64_t sliceStart) noexcept {
  // Take over a pending file, unless the retired ring has no room to park the old one.
  const std::uint32_t write = retiredWrite.load(std::memory_order_relaxed);  // only we write it
  if (write - retiredRead.load(std::memory_order_acquire) < kRetiredSlots) {
    if (DecodedAudio* taken = pending.exchange(nullptr)) {
      retired[write % kRetiredSlots] = current;
      current = taken;
      retiredWrite.store(write + 1, std::memory_order_release);
    }
  }

  if (outputs == nullptr) outputCount = 0;  // nothing to write, but playback still advances and ends
  for (std::uint32_t k = 0; k < outputCount; ++k) {
    if (outputs[k] != nullptr) std::memset(outputs[k], 0, sizeof(float) * sampleCount);
  }

  const DecodedAudio& file = *current;
  const std::uint64_t frames = file.frameCount();
  // !(hostRate > 0) also turns away NaN.
  if (!playing.load() || !(hostRate > 0.0) || frames == 0) return;
  const double ratio = static_cast<double>(file.sampleRate) / hostRate;
  if (!std::isfinite(ratio)) return;  // a denormal host rate; nothing sensible to play

  const std::uint64_t start = startSample.load();
  const double firstFrame = static_cast<double>(startFrame.load());
  const double frameLimit = static_cast<double>(frames);
  const std::uint32_t channels = file.channelCount;
  const float* samples = file.samples.data();

  for (std::uint32_t i = 0; i < sampleCount; ++i) {
    const std::uint64_t s = sliceStart + i;
    if (s < start) continue;
    const double pos = static_cast<double>(s - start) * ratio + firstFrame;
    // Compared as a double first: converting a position beyond 2^64 to an integer is undefined.
    if (!(pos < frameLimit) || static_cast<std::uint64_t>(pos) >= frames) {
      endSample.exchange(s);
      playing.exchange(false);
      return;
    }
    const auto frame = static_cast<std::uint64_t>(pos);
    const std::uint64_t next = std::min(frame + 1, frames - 1);
    const auto frac = static_cast<float>(pos - static_cast<double>(frame));
    const float* rowA = samples + frame * channels;
    const float* rowB = samples + next * channels;
    for (std::uint32_t k = 0; k < outputCount; ++k) {
      float* out = outputs[k];
      if (out == nullptr) continue;
      const std::uint32_t c = std::min(k, channels - 1);
      const float a = rowA[c];
      const float b = rowB[c];
      const float v = (b - a) * frac + a;
      // Finite inputs far apart (float files may hold up to ±3.4e38) can still overflow here.
      out[i] = std::isfinite(v) ? v : 0.0f;
    }
  }
}

}  // namespace varnolith::plugins
