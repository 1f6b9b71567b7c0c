// Audio thread, writer and control side all at once: arming, stopping, tails and restarts while
// capture runs flat out. Built for ThreadSanitizer; in other builds it still checks every take.
#include <gtest/gtest.h>

#include <cmath>
#include <thread>

#include "recorder/recorder_engine.h"
#include "recorder_test_support.h"

namespace varnolith::plugins {
namespace {

using testing::readRecordedWav;
using testing::TempDir;
using testing::waitFor;

// Each frame carries its host sample position split into two exact 16-bit halves.
float lowHalf(std::uint64_t s) { return static_cast<float>(s & 0xFFFF); }
float highHalf(std::uint64_t s) { return static_cast<float>((s >> 16) & 0xFFFF); }
std::uint64_t positionOf(const testing::RecordedWav& wav, std::size_t k) {
  return static_cast<std::uint64_t>(wav.at(k, 1)) << 16 | static_cast<std::uint64_t>(wav.at(k, 0));
}

enum class Ending { TailRunsOut, StopRequested, RestartInTail };

struct Take {
  std::filesystem::path path;
  Ending ending;
  std::uint64_t framesWritten = 0;
  std::uint64_t dropped = 0;
};

TEST(RecorderStress, EveryTakeHoldsAContiguousRunOfCapturedFrames) {
  TempDir dir;
  RecorderEngine engine;
  std::atomic<bool> run{false};
  std::atomic<bool> seenRunning{false};
  std::atomic<bool> quit{false};

  // The audio thread: the run switch's edges drive start and tail, as the kernel does.
  std::thread audio([&] {
    std::vector<float> left(256), right(256);
    const float* inputs[] = {left.data(), right.data()};
    std::uint64_t s = 0;
    std::uint32_t seed = 1;
    bool previous = false;
    while (!quit.load()) {
      const bool running = run.load();
      if (running && !previous) engine.startCapture(s);
      if (!running && previous) engine.beginTail(s, 10.0, 0.25, -80.0);  // input is loud: max tail
      previous = running;
      seenRunning.store(running);
      seed = seed * 1664525u + 1013904223u;
      const std::uint32_t n = 1 + (seed >> 8) % 256;
      for (std::uint32_t i = 0; i < n; ++i) {
        left[i] = lowHalf(s + i);
        right[i] = highHalf(s + i);
      }
      engine.capture(inputs, 2, n, s);
      s += n;
      std::this_thread::yield();  // a real audio thread spends most of its time outside capture
    }
  });

  auto setRun = [&](bool on) {
    run = on;
    ASSERT_TRUE(waitFor([&] { return seenRunning.load() == on; }));
  };
  auto pause = [](int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); };

  std::vector<Take> takes;
  for (int k = 0; k < 12; ++k) {
    Take take{dir / ("take" + std::to_string(k) + ".wav"), static_cast<Ending>(k % 3)};
    engine.prepareDestination(take.path, 2, 48000);
    setRun(true);
    pause(5 + k % 4 * 5);
    switch (take.ending) {
      case Ending::TailRunsOut:
        setRun(false);
        EXPECT_TRUE(waitFor([&] { return engine.finalized.load(); }));
        break;
      case Ending::StopRequested:
        engine.requestStop();
        setRun(false);
        break;
      case Ending::RestartInTail:
        setRun(false);
        setRun(true);
        pause(5);
        engine.requestStop();
        setRun(false);
        break;
    }
    engine.finish();
    EXPECT_FALSE(engine.failed.load());
    EXPECT_TRUE(engine.finalized.load());
    take.framesWritten = engine.framesWritten.load();
    take.dropped = engine.droppedFrames.load();
    takes.push_back(take);
  }
  quit = true;
  audio.join();

  std::uint64_t previousLast = 0;
  for (std::size_t t = 0; t < takes.size(); ++t) {
    SCOPED_TRACE("take " + std::to_string(t));
    const auto wav = readRecordedWav(takes[t].path);
    ASSERT_EQ(wav.frames(), takes[t].framesWritten);
    ASSERT_GT(wav.frames(), 0u);
    const std::uint64_t first = positionOf(wav, 0);
    const std::uint64_t last = positionOf(wav, wav.frames() - 1);
    EXPECT_GE(first, previousLast) << "takes follow each other in time";
    previousLast = last;
    for (std::size_t k = 1; k < wav.frames(); ++k) {
      ASSERT_GT(positionOf(wav, k), positionOf(wav, k - 1)) << "frame " << k << " out of order or duplicated";
    }
    // Frames missing inside the take are exactly the ones the ring had no room for.
    EXPECT_LE(last - first + 1 - wav.frames(), takes[t].dropped);
    if (takes[t].ending == Ending::TailRunsOut && takes[t].dropped == 0) {
      EXPECT_EQ(last - first + 1, wav.frames());
    }
  }
}

}  // namespace
}  // namespace varnolith::plugins
