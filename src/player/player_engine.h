// PlayerEngine: preloaded audio handed to the audio thread without locks, and its playback.
#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>

#include "player/decoded_audio.h"

namespace varnolith::plugins {

inline constexpr std::uint32_t kRetiredSlots = 32;
inline constexpr std::uint64_t kNoEndSample = ~std::uint64_t{0};

class PlayerEngine {
 public:
  // [main-thread] Construction and destruction; destroy only once the audio thread no longer
  // calls in, since destruction frees every file.
  PlayerEngine();
  ~PlayerEngine();
  PlayerEngine(const PlayerEngine&) = delete;
  PlayerEngine& operator=(const PlayerEngine&) = delete;

  // [main-thread] Publishes a decoded file to the audio thread and stops playback; throws
  // std::runtime_error("Invalid audio data") for an unusable file. Frees retired files, so never
  // on the audio thread.
  void installAudio(DecodedAudio audio);
  // [main-thread] decodeWavFile with kPreloadLimitBytes, then installAudio; errors propagate.
  // Reads the disk and allocates: never on the audio thread.
  void loadFile(const std::filesystem::path& path);
  // [main-thread] Frees the files the audio thread has retired; never on the audio thread, which
  // must not free.
  void drainRetired();

  // [audio-thread] Starts playback of file frame `fileFrame` at host sample `hostSample`.
  // Never allocates, frees, locks or waits.
  void startAt(std::uint64_t hostSample, std::uint64_t fileFrame) noexcept;
  // [audio-thread] Takes over a pending file, then renders `sampleCount` samples into each non-null
  // output. Never allocates, frees, locks or waits.
  void render(float* const* outputs, std::uint32_t outputCount, std::uint32_t sampleCount, double hostRate,
              std::uint64_t sliceStart) noexcept;
  // [any-thread] Stops playback. One atomic exchange; never blocks.
  void stop() noexcept;

  // Fields shared between threads; see the thread notes on each.
  DecodedAudio* current = nullptr;                 // audio thread only; never null
  std::atomic<DecodedAudio*> pending{nullptr};     // control side sets, audio thread takes
  std::atomic<DecodedAudio*> latest{nullptr};      // control side only (editor waveform)
  DecodedAudio* retired[kRetiredSlots] = {};       // audio thread fills, control side frees
  std::atomic<std::uint32_t> retiredRead{0};       // written by the control side
  std::atomic<std::uint32_t> retiredWrite{0};      // written by the audio thread
  std::atomic<std::uint64_t> frameCount{0};        // frames of the latest installed file
  std::atomic<bool> playing{false};
  std::atomic<std::uint64_t> startSample{0};
  std::atomic<std::uint64_t> startFrame{0};
  std::atomic<std::uint64_t> endSample{kNoEndSample};
};

}  // namespace varnolith::plugins
