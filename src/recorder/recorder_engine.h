// RecorderEngine: the recording destination, its disk-writer thread and the audio thread's capture.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <thread>

namespace varnolith::plugins {

inline constexpr std::uint64_t kRingSamples = 1048576;  // 0x100000
inline constexpr std::uint64_t kMaxDataBytes = 4294967259ull;  // 36 + this = 0xFFFFFFFF
inline constexpr std::uint64_t kNoTailStart = ~std::uint64_t{0};

// Knobs that only tests and benchmarks turn. The defaults are the production behaviour.
struct RecorderTestSeams {
  // Largest data chunk the writer may produce; lets a test reach the size limit with a tiny file.
  std::uint64_t maxDataBytes = kMaxDataBytes;
  // While this flag is set the writer thread waits before its next write batch (capture is never
  // held up by it). Owned by the test; must outlive the engine's writer.
  const std::atomic<bool>* stallWriter = nullptr;
};

class RecorderEngine {
 public:
  // [main-thread] Allocates and zeroes the ring; never construct on the audio thread.
  RecorderEngine();
  // [main-thread] Same, with test knobs; never construct on the audio thread.
  explicit RecorderEngine(const RecorderTestSeams& seams);
  // [main-thread] Stops capture and joins the writer, which finalizes the file first. Blocks.
  ~RecorderEngine();
  RecorderEngine(const RecorderEngine&) = delete;
  RecorderEngine& operator=(const RecorderEngine&) = delete;

  // [main-thread] Refuses existing paths, starts the writer and waits until the new file has its
  // header (armed) or creation failed; throws std::runtime_error / filesystem_error with the
  // user-facing message. Blocks; never call on the audio thread.
  void prepareDestination(const std::filesystem::path& path, std::uint32_t channelCount, std::uint32_t sampleRate);
  // [any-thread] Ends capture now, without a tail; never waits.
  void requestStop() noexcept;
  // [main-thread] Ends capture and joins the writer, which finalizes the file. Blocks; never call
  // on the audio thread.
  void finish();

  // [audio-thread] Starts recording at host sample H when armed. Never allocates, locks or waits.
  void startCapture(std::uint64_t hostSample) noexcept;
  // [audio-thread] Stores the tail settings and starts tail detection at H. Never allocates, locks
  // or waits.
  void beginTail(std::uint64_t hostSample, double silenceSeconds, double maximumTailSeconds,
                 double thresholdDb) noexcept;
  // [audio-thread] Copies one slice of input frames into the ring; drops whole frames when full.
  // Never allocates, locks, waits or touches the disk.
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

 private:
  friend void runDiskWriter(RecorderEngine& engine, std::filesystem::path path);

  // beginTail may run on the audio thread while the control side prepares a new destination, so
  // it reads the prepared rate from this atomic copy instead of the plain field.
  std::atomic<std::uint32_t> tailRate_{0};
  RecorderTestSeams seams_;
};

// [writer-thread] Seeks to 0 and writes the 44-byte header of a 32-bit float WAV file. Never call
// on the audio thread (disk I/O).
void writeWavHeader(std::FILE* file, std::uint32_t channelCount, std::uint32_t sampleRate,
                    std::uint32_t dataBytes);

// [writer-thread] Body of the disk-writer thread: creates the new file, drains the ring until the
// end of the recording and finalizes the file. Never raises; errors show only through `failed`.
void runDiskWriter(RecorderEngine& engine, std::filesystem::path path);

}  // namespace varnolith::plugins
