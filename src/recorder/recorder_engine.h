// RecorderEngine: the recording destination, its disk-writer thread and the audio thread's capture.
#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <thread>

namespace varnolith::plugins {

inline constexpr std::uint64_t kRingSamples = 1048576;  // 0x100000
inline constexpr std::uint64_t kMaxDataBytes = 4294967259ull;  // 36 + this = 0xFFFFFFFF
inline constexpr std::uint64_t kNoTailStart = ~std::uint64_t{0};

class RecorderEngine {
 public:
  RecorderEngine();
  ~RecorderEngine();
  RecorderEngine(const RecorderEngine&) = delete;
  RecorderEngine& operator=(const RecorderEngine&) = delete;

  // [main-thread] Refuses existing paths, starts the writer and waits until the new file has its
  // header (armed) or creation failed; throws std::runtime_error / filesystem_error with the
  // user-facing message. Blocks; never call on the audio thread.
  void prepareDestination(const std::filesystem::path& path, std::uint32_t channelCount, std::uint32_t sampleRate);
  // [any-thread] Ends capture now, without a tail; never waits.
  void requestStop() noexcept;
  // [main-thread] Ends capture and joins the writer, which finalizes the file. Blocks.
  void finish();

  // [audio-thread] Starts recording at host sample H when armed. Never allocates, locks or waits.
  void startCapture(std::uint64_t hostSample) noexcept;
  // [audio-thread] Stores the tail settings and starts tail detection at H.
  void beginTail(std::uint64_t hostSample, double silenceSeconds, double maximumTailSeconds,
                 double thresholdDb) noexcept;
  // [audio-thread] Copies one slice of input frames into the ring; drops whole frames when full.
  void capture(const float* const* inputs, std::uint32_t inputCount, std::uint32_t sampleCount,
               std::uint64_t sliceStart) noexcept;

  // Shared state; each field says who writes it.
  std::unique_ptr<float[]> ring;                        // capture writes, writer reads
  std::thread writerThread;                             // control side
  std::atomic<std::uint64_t> readPosition{0};           // writer
  std::atomic<std::uint64_t> writePosition{0};          // capture
  std::atomic<std::uint64_t> framesWritten{0};          // writer
  std::atomic<std::uint64_t> droppedFrames{0};          // capture
  std::atomic<std::uint64_t> startSample{0};            // startCapture
  std::atomic<std::uint64_t> tailStartSample{kNoTailStart};  // beginTail
  std::atomic<bool> ready{false};                       // writer: armed
  std::atomic<bool> recording{false};
  std::atomic<bool> stopRequested{false};
  std::atomic<bool> finalized{true};
  std::atomic<bool> failed{false};
  std::atomic<bool> captureBusy{false};
  std::atomic<bool> fileCreated{false};
  std::uint32_t channelCount = 0;                       // prepareDestination
  std::uint32_t sampleRate = 0;                         // prepareDestination
  std::uint64_t silentRun = 0;                          // capture only
  std::atomic<std::uint64_t> silenceSamples{24000};
  std::atomic<std::uint64_t> maxTailSamples{1440000};
  std::atomic<float> thresholdLinear{0.0001f};
};

}  // namespace varnolith::plugins
