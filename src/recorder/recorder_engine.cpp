#include "recorder/recorder_engine.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <stdexcept>
#include <system_error>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace varnolith::plugins {
namespace {

constexpr std::uint64_t kRingMask = kRingSamples - 1;
static_assert((kRingSamples & kRingMask) == 0, "ring indexing needs a power of two");

void sleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// The one platform-specific step: create a file that must not exist yet, readable and writable,
// and attach a buffered update stream to it. Returns null on any failure, leaving nothing open.
std::FILE* createNewFileStream(const std::filesystem::path& path) {
#ifdef _WIN32
  // Others may read the take while it is being written, but not write it.
  HANDLE handle = ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return nullptr;
  const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_RDWR | _O_BINARY);
  if (fd == -1) {
    ::CloseHandle(handle);
    return nullptr;
  }
  std::FILE* file = ::_fdopen(fd, "w+b");
  if (file == nullptr) ::_close(fd);  // also closes the handle
  return file;
#else
  // O_EXCL also refuses a symlink at the path, dangling or not.
  const int fd = ::open(path.c_str(), O_CREAT | O_EXCL | O_RDWR | O_CLOEXEC, 0666);
  if (fd < 0) return nullptr;
  std::FILE* file = ::fdopen(fd, "w+b");
  if (file == nullptr) ::close(fd);
  return file;
#endif
}

void putLe16(std::uint8_t* at, std::uint32_t v) {
  at[0] = static_cast<std::uint8_t>(v);
  at[1] = static_cast<std::uint8_t>(v >> 8);
}

void putLe32(std::uint8_t* at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

}  // namespace

void writeWavHeader(std::FILE* file, std::uint32_t channelCount, std::uint32_t sampleRate,
                    std::uint32_t dataBytes) {
  std::array<std::uint8_t, 44> h{};
  auto tag = [&h](std::size_t at, const char (&text)[5]) {
    for (std::size_t i = 0; i < 4; ++i) h[at + i] = static_cast<std::uint8_t>(text[i]);
  };
  tag(0, "RIFF");
  putLe32(&h[4], 36u + dataBytes);
  tag(8, "WAVE");
  tag(12, "fmt ");
  putLe32(&h[16], 16);
  putLe16(&h[20], 3);  // IEEE float
  putLe16(&h[22], channelCount);
  putLe32(&h[24], sampleRate);
  putLe32(&h[28], channelCount * sampleRate * 4u);
  putLe16(&h[32], channelCount * 4u);
  putLe16(&h[34], 32);
  tag(36, "data");
  putLe32(&h[40], dataBytes);
  if (std::fseek(file, 0, SEEK_SET) != 0) return;  // leaves the error to the caller's checks
  std::fwrite(h.data(), 1, h.size(), file);
}

void runDiskWriter(RecorderEngine& engine, std::filesystem::path path) {
  const std::uint32_t channels = engine.channelCount;
  const std::uint32_t rate = engine.sampleRate;

  std::FILE* file = createNewFileStream(path);
  if (file != nullptr) {
    writeWavHeader(file, channels, rate, 0);
    // Flushed once, so "armed" means the header is on disk and a full or read-only disk shows
    // here instead of as a silent failure later.
    if (std::fflush(file) != 0 || std::ferror(file) != 0) {
      std::fclose(file);
      file = nullptr;
    }
  }
  if (file == nullptr) {
    engine.failed.store(true);
    engine.finalized.store(true);
    return;
  }
  engine.fileCreated.store(true);
  engine.ready.store(true);

  const std::uint64_t cap = engine.seams_.maxDataBytes / (4ull * channels) * channels;
  const std::atomic<bool>* stall = engine.seams_.stallWriter;
  const float* ring = engine.ring.get();
  std::uint64_t written = 0;  // samples
  bool ok = true;

  for (;;) {
    while (stall != nullptr && stall->load()) sleepMs(1);

    const std::uint64_t r = engine.readPosition.load(std::memory_order_acquire);
    const std::uint64_t w = engine.writePosition.load(std::memory_order_acquire);
    if (w == r) {
      // Finalize only once no capture call can still publish: stop seen first, then no capture in
      // flight, then the ring still empty.
      if (engine.stopRequested.load() && !engine.captureBusy.load() &&
          engine.writePosition.load(std::memory_order_acquire) == r) {
        break;
      }
      sleepMs(2);
      continue;
    }

    const std::uint64_t avail = w - r;
    const std::uint64_t offset = r & kRingMask;
    const std::uint64_t run = std::min(kRingSamples - offset, avail);
    const std::uint64_t whole = run - run % channels;
    std::uint64_t advance = 0;
    if (whole > 0) {
      if (written + whole > cap) {
        ok = false;
        break;
      }
      const std::size_t accepted = std::fwrite(ring + offset, sizeof(float), whole, file);
      written += accepted;
      if (accepted != whole) ok = false;
      advance = whole;
    } else {
      // The next frame straddles the end of the ring.
      const std::uint64_t count = std::min<std::uint64_t>(avail, channels);
      if (written + count > cap) {
        ok = false;
        break;
      }
      for (std::uint64_t j = 0; j < count; ++j) {
        const std::size_t accepted = std::fwrite(ring + ((r + j) & kRingMask), sizeof(float), 1, file);
        written += accepted;
        if (accepted != 1) ok = false;
      }
      advance = count;
    }
    engine.readPosition.store(r + advance, std::memory_order_release);
    engine.framesWritten.store(written / channels);
    if (!ok || std::ferror(file) != 0) {
      ok = false;
      break;
    }
  }

  if (!ok) {
    engine.failed.store(true);
    engine.recording.store(false);
    engine.stopRequested.store(true);
    // A capture call that saw `recording` before the stop may still be writing the ring; let it
    // leave before the control side may reset the positions for a new destination.
    while (engine.captureBusy.load()) std::this_thread::yield();
  }

  // A short write can leave part of a frame behind; the header only ever covers whole frames.
  const std::uint64_t dataBytes = written / channels * channels * 4;
  writeWavHeader(file, channels, rate, static_cast<std::uint32_t>(dataBytes));
  if (std::fflush(file) != 0 || std::ferror(file) != 0) engine.failed.store(true);
  if (std::fclose(file) != 0) engine.failed.store(true);
  engine.ready.store(false);
  engine.finalized.store(true);
}

RecorderEngine::RecorderEngine() : RecorderEngine(RecorderTestSeams{}) {}

RecorderEngine::RecorderEngine(const RecorderTestSeams& seams) : ring(new float[kRingSamples]()), seams_(seams) {}

RecorderEngine::~RecorderEngine() {
  recording.store(false);
  stopRequested.store(true);
  if (writerThread.joinable()) writerThread.join();
}

void RecorderEngine::prepareDestination(const std::filesystem::path& path, std::uint32_t channels,
                                        std::uint32_t rate) {
  if (recording.load()) throw std::runtime_error("Stop recording before choosing destination");
  if (writerThread.joinable()) finish();
  if (channels < 1 || channels > 64 || rate < 8000 || rate > 384000) {
    throw std::runtime_error("Invalid recording format");
  }

  // lstat semantics: a dangling symlink is something that exists, too.
  std::error_code ec;
  const std::filesystem::file_status st = std::filesystem::symlink_status(path, ec);
  if (st.type() != std::filesystem::file_type::not_found) {
    if (ec) throw std::filesystem::filesystem_error("exists", path, ec);
    throw std::runtime_error("Destination exists; choose a new file");
  }

  channelCount = channels;
  sampleRate = rate;
  tailRate_.store(rate);
  readPosition.store(0);
  writePosition.store(0);
  framesWritten.store(0);
  droppedFrames.store(0);
  silentRun = 0;
  tailStartSample.store(kNoTailStart);
  failed.store(false);
  stopRequested.store(false);
  finalized.store(false);
  ready.store(false);

  try {
    writerThread = std::thread(runDiskWriter, std::ref(*this), path);
  } catch (...) {
    finalized.store(true);  // no writer after all
    throw;
  }

  while (!ready.load() && !failed.load()) sleepMs(1);
  if (failed.load()) {
    writerThread.join();  // it has given up and is on its way out
    throw std::runtime_error("Cannot create recording file");
  }
}

void RecorderEngine::requestStop() noexcept {
  recording.exchange(false);
  stopRequested.exchange(true);
}

void RecorderEngine::finish() {
  if (!writerThread.joinable()) return;
  recording.store(false);
  stopRequested.store(true);
  writerThread.join();
  // A startCapture racing the stop may have raised the flag again; it is over by now (the writer
  // saw no audio-thread call in flight after the stop), and nothing can re-raise it.
  recording.store(false);
}

void RecorderEngine::startCapture(std::uint64_t hostSample) noexcept {
  // Bracketed like capture, so the writer's end handshake also covers a start in flight.
  captureBusy.store(true);
  if (ready.load() && !stopRequested.load() && !failed.load()) {
    startSample.store(hostSample);
    tailStartSample.store(kNoTailStart);
    silentRun = 0;
    recording.store(true);
    if (stopRequested.load()) recording.store(false);  // a stop slipped in between
  }
  captureBusy.store(false);
}

void RecorderEngine::beginTail(std::uint64_t hostSample, double silenceSeconds, double maximumTailSeconds,
                               double thresholdDb) noexcept {
  // std::clamp passes NaN through; the comparisons below map it to the lower bound.
  auto clampTo = [](double v, double lo, double hi) { return v >= lo ? (v <= hi ? v : hi) : lo; };
  const double rate = static_cast<double>(tailRate_.load());
  silenceSamples.store(static_cast<std::uint64_t>(rate * clampTo(silenceSeconds, 0.01, 10.0)));
  maxTailSamples.store(static_cast<std::uint64_t>(rate * clampTo(maximumTailSeconds, 0.01, 3600.0)));
  thresholdLinear.store(static_cast<float>(std::pow(10.0, clampTo(thresholdDb, -120.0, -6.0) / 20.0)));
  tailStartSample.store(hostSample);
}

void RecorderEngine::capture(const float* const* inputs, std::uint32_t inputCount, std::uint32_t sampleCount,
                             std::uint64_t sliceStart) noexcept {
  captureBusy.store(true);
  if (recording.load()) {
    if (stopRequested.load()) {
      recording.store(false);  // left over from a start that raced a stop
    } else {
      if (inputs == nullptr) inputCount = 0;
      const std::uint32_t channels = std::min<std::uint32_t>(channelCount, 64);
      const std::uint64_t start = startSample.load(std::memory_order_relaxed);
      const std::uint64_t tailStart = tailStartSample.load(std::memory_order_relaxed);
      const std::uint64_t silence = silenceSamples.load(std::memory_order_relaxed);
      const std::uint64_t maxTail = maxTailSamples.load(std::memory_order_relaxed);
      const float threshold = thresholdLinear.load(std::memory_order_relaxed);
      const std::uint64_t r = readPosition.load(std::memory_order_acquire);
      std::uint64_t w = writePosition.load(std::memory_order_relaxed);
      float* const dst = ring.get();
      std::uint64_t dropped = 0;
      bool tailEnded = false;

      // Missing or null inputs read a single zero through an index mask of 0, so the frame loop
      // has no per-sample branch on the input layout. Stack only: this runs on the audio thread.
      static constexpr float kSilence = 0.0f;
      const float* src[64];
      std::uint32_t srcMask[64];
      for (std::uint32_t c = 0; c < channels; ++c) {
        const bool present = c < inputCount && inputs[c] != nullptr;
        src[c] = present ? inputs[c] : &kSilence;
        srcMask[c] = present ? ~std::uint32_t{0} : 0;
      }
      auto finite = [](float v) { return std::isfinite(v) ? v : 0.0f; };

      std::uint32_t i = 0;
      if (start > sliceStart) i = static_cast<std::uint32_t>(std::min<std::uint64_t>(start - sliceStart, sampleCount));
      for (; i < sampleCount; ++i) {
        const std::uint64_t s = sliceStart + i;
        if (s >= tailStart) {
          float peak = 0.0f;
          for (std::uint32_t c = 0; c < channels; ++c) {
            const float a = std::fabs(src[c][i & srcMask[c]]);
            if (a > peak) peak = a;  // false for NaN, so NaN never becomes the peak
          }
          silentRun = peak <= threshold ? silentRun + 1 : 0;
          if (silentRun >= silence || s - tailStart >= maxTail) {
            recording.store(false);
            tailEnded = true;
            break;
          }
        }
        if (w + channels - r > kRingSamples) {
          ++dropped;
          continue;
        }
        const std::uint64_t pos = w & kRingMask;
        if (pos + channels <= kRingSamples) {
          float* out = dst + pos;
          for (std::uint32_t c = 0; c < channels; ++c) out[c] = finite(src[c][i & srcMask[c]]);
        } else {  // the frame straddles the end of the ring
          for (std::uint32_t c = 0; c < channels; ++c) dst[(w + c) & kRingMask] = finite(src[c][i & srcMask[c]]);
        }
        w += channels;
      }

      writePosition.store(w, std::memory_order_release);
      if (dropped != 0) droppedFrames.fetch_add(dropped);
      if (tailEnded) stopRequested.store(true);
    }
  }
  captureBusy.store(false);
}

}  // namespace varnolith::plugins
