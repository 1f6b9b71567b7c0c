// The audio-thread side: when capture starts, what a frame holds, and where the tail ends.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "recorder/recorder_engine.h"
#include "recorder_test_support.h"

namespace varnolith::plugins {
namespace {

using testing::Feeder;
using testing::readRecordedWav;
using testing::TempDir;

constexpr float kLoud = 0.5f;

// An armed 48 kHz engine on a fresh file.
class ArmedEngine : public ::testing::Test {
 protected:
  void arm(std::uint32_t channels) {
    engine.prepareDestination(path, channels, 48000);
    ASSERT_TRUE(engine.ready.load());
  }
  testing::RecordedWav finishAndRead() {
    engine.requestStop();
    engine.finish();
    EXPECT_FALSE(engine.failed.load());
    EXPECT_EQ(engine.droppedFrames.load(), 0u);
    auto wav = readRecordedWav(path);
    EXPECT_EQ(engine.framesWritten.load(), wav.frames());
    return wav;
  }

  TempDir dir;
  std::filesystem::path path = dir / "take.wav";
  RecorderEngine engine;
};

// --- Start and frame layout -------------------------------------------------------------------

using CaptureStart = ArmedEngine;

TEST_F(CaptureStart, DoesNothingUnlessArmed) {
  const float one = 1.0f;
  const float* in[] = {&one};
  {
    RecorderEngine unarmed;
    unarmed.startCapture(0);
    EXPECT_FALSE(unarmed.recording.load());
    unarmed.capture(in, 1, 1, 0);
    EXPECT_EQ(unarmed.writePosition.load(), 0u);
  }
  {
    SCOPED_TRACE("creation failed");
    RecorderEngine broken;
    EXPECT_THROW(broken.prepareDestination(dir / "missing" / "x.wav", 1, 48000), std::runtime_error);
    broken.startCapture(0);
    EXPECT_FALSE(broken.recording.load());
  }
  {
    SCOPED_TRACE("stop requested (draining)");
    arm(1);
    engine.requestStop();
    engine.startCapture(0);
    EXPECT_FALSE(engine.recording.load());
    engine.capture(in, 1, 1, 0);
    EXPECT_EQ(engine.writePosition.load(), 0u);
    engine.finish();
    EXPECT_EQ(readRecordedWav(path).dataBytes, 0u);
    engine.startCapture(0);
    EXPECT_FALSE(engine.recording.load()) << "a finalized destination is never re-armed";
  }
}

TEST_F(CaptureStart, SkipsFramesBeforeTheStartSampleInsideASlice) {
  arm(1);
  Feeder feeder(engine, 1, [](std::uint64_t f, std::uint32_t) { return static_cast<float>(f); });
  feeder.seek(900);
  engine.startCapture(1000);
  EXPECT_EQ(engine.startSample.load(), 1000u);
  EXPECT_EQ(engine.tailStartSample.load(), kNoTailStart);
  feeder.seek(0);
  feeder.feed(512);  // a whole slice before the start: nothing
  feeder.seek(900);
  feeder.feed(512);  // 900..1411: frames from 1000 on
  const auto wav = finishAndRead();
  ASSERT_EQ(wav.frames(), 412u);
  for (std::size_t k = 0; k < wav.frames(); ++k) ASSERT_EQ(wav.at(k, 0), static_cast<float>(1000 + k));
}

TEST_F(CaptureStart, PreparedChannelCountDecidesTheFrameLayout) {
  arm(2);
  engine.startCapture(0);
  const float a[] = {1, 2, 3};
  const float b[] = {10, 20, 30};
  const float c[] = {100, 200, 300};
  const float d[] = {1000, 2000, 3000};
  const float* one[] = {a};
  const float* four[] = {a, b, c, d};
  const float* withNull[] = {nullptr, b};
  engine.capture(one, 1, 3, 0);        // second channel missing: silence
  engine.capture(four, 4, 3, 3);       // channels 2 and 3 ignored
  engine.capture(withNull, 2, 3, 6);   // a null buffer reads as silence
  engine.capture(nullptr, 0, 1, 9);    // no inputs at all
  const auto wav = finishAndRead();
  const std::vector<float> want = {1, 0, 2, 0, 3, 0, 1, 10, 2, 20, 3, 30, 0, 10, 0, 20, 0, 30, 0, 0};
  EXPECT_EQ(wav.samples, want);
}

TEST_F(CaptureStart, NonFiniteSamplesAreRecordedAsZero) {
  arm(1);
  engine.startCapture(0);
  const float x[] = {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                     -std::numeric_limits<float>::infinity(), -0.75f, std::numeric_limits<float>::denorm_min()};
  const float* in[] = {x};
  engine.capture(in, 1, 5, 0);
  const auto wav = finishAndRead();
  const std::vector<float> want = {0.0f, 0.0f, 0.0f, -0.75f, std::numeric_limits<float>::denorm_min()};
  EXPECT_EQ(wav.samples, want);
}

// --- Tail ---------------------------------------------------------------------------------------

class Tail : public ArmedEngine {
 protected:
  // Records frames 0..999 loudly, then starts the tail at frame 1000.
  void recordThenStop(double silenceSeconds, double maxTailSeconds) {
    engine.startCapture(0);
    feeder.feed(1000);
    engine.beginTail(1000, silenceSeconds, maxTailSeconds, -80.0);
    ASSERT_EQ(engine.tailStartSample.load(), 1000u);
  }
  // Feeds one frame at a time and returns how many tail frames were fed while still recording.
  std::uint64_t feedUntilTailEnds(std::uint64_t limit) {
    for (std::uint64_t k = 0; k < limit; ++k) {
      feeder.feed(1);
      if (!engine.recording.load()) {
        EXPECT_TRUE(engine.stopRequested.load());
        return k;
      }
    }
    ADD_FAILURE() << "tail did not end";
    return limit;
  }

  std::function<float(std::uint64_t, std::uint32_t)> signal = [](std::uint64_t, std::uint32_t) { return kLoud; };
  Feeder feeder{engine, 2, [this](std::uint64_t f, std::uint32_t c) { return signal(f, c); }, 512};
};

TEST_F(Tail, DefaultSilenceEndsOnTheExactFrame) {
  arm(2);
  signal = [](std::uint64_t f, std::uint32_t) { return f < 1000 ? kLoud : 0.0f; };
  recordThenStop(0.5, 30.0);
  EXPECT_EQ(engine.silenceSamples.load(), 24000u);
  EXPECT_EQ(engine.maxTailSamples.load(), 1440000u);
  feeder.feed(23'999);  // in slices of 512
  EXPECT_TRUE(engine.recording.load()) << "the 23,999th silent frame is still recorded";
  feeder.feed(1);       // frame 1000 + 23,999 ends the tail
  EXPECT_FALSE(engine.recording.load());
  EXPECT_TRUE(engine.stopRequested.load());
  feeder.feed(5000);    // nothing more reaches the file
  const auto wav = finishAndRead();
  EXPECT_EQ(wav.frames(), 1000u + 23'999u);
}

TEST_F(Tail, InputThatNeverFallsSilentStopsAtTheMaximumTail) {
  arm(2);
  recordThenStop(10.0, 0.05);  // 2,400 frames at 48 kHz
  EXPECT_EQ(feedUntilTailEnds(10'000), 2400u);
  const auto wav = finishAndRead();
  EXPECT_EQ(wav.frames(), 1000u + 2400u);
}

TEST_F(Tail, SettingsAreClampedAndUseThePreparedRate) {
  arm(2);
  struct Case {
    double silence, maxTail, db;
    std::uint64_t silenceFrames, maxTailFrames;
    float threshold;
  };
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const Case cases[] = {
      {0.0, 30.0, -80.0, 480, 1'440'000, 0.0001f},
      {0.5, 0.0, -80.0, 24'000, 480, 0.0001f},
      {25.0, 7200.0, -200.0, 480'000, 172'800'000, 0.000001f},
      {-1.0, -1.0, 0.0, 480, 480, static_cast<float>(std::pow(10.0, -6.0 / 20.0))},
      {nan, nan, nan, 480, 480, 0.000001f},  // garbage becomes the shortest, most sensitive tail
  };
  for (const Case& c : cases) {
    engine.beginTail(77, c.silence, c.maxTail, c.db);
    EXPECT_EQ(engine.silenceSamples.load(), c.silenceFrames) << c.silence;
    EXPECT_EQ(engine.maxTailSamples.load(), c.maxTailFrames) << c.maxTail;
    EXPECT_EQ(engine.thresholdLinear.load(), c.threshold) << c.db;
    EXPECT_EQ(engine.tailStartSample.load(), 77u);
  }
  EXPECT_FALSE(engine.recording.load()) << "beginTail outside a recording only stores settings";
  engine.startCapture(100);
  EXPECT_EQ(engine.tailStartSample.load(), kNoTailStart) << "the next start cancels the tail start";
}

TEST_F(Tail, ThresholdCountsAsSilentLouderSampleInAnyChannelResetsNaNIsIgnored) {
  arm(2);
  recordThenStop(0.0, 30.0);  // clamped to 480 silent frames
  const float threshold = engine.thresholdLinear.load();
  const float louder = std::nextafter(threshold, 1.0f);
  signal = [=](std::uint64_t f, std::uint32_t c) {
    const std::uint64_t k = f - 1000;
    if (k == 100 && c == 0) return std::numeric_limits<float>::quiet_NaN();
    if (k == 300) return c == 1 ? louder : 0.0f;
    return c == 0 ? -threshold : threshold;
  };
  // 300 silent frames (one holding a NaN), one louder frame, then 479 more silent frames; the
  // 480th silent frame after the reset ends the tail.
  EXPECT_EQ(feedUntilTailEnds(10'000), 300u + 1u + 479u);
  const auto wav = finishAndRead();
  ASSERT_EQ(wav.frames(), 1000u + 780u);
  EXPECT_EQ(wav.at(1000 + 100, 0), 0.0f);
  EXPECT_EQ(wav.at(1000 + 100, 1), threshold);
  EXPECT_EQ(wav.at(1000 + 300, 1), louder);
}

TEST_F(Tail, RestartDuringTheTailContinuesTheSameFileWithoutAGap) {
  arm(2);
  // Frame numbers in channel 0; channel 1 goes quiet between frames 1000 and 1399.
  signal = [](std::uint64_t f, std::uint32_t c) {
    if (c == 0) return (f >= 1000 && f < 1400) ? 0.0f : static_cast<float>(f + 1) * 1e-3f;
    return 0.0f;
  };
  recordThenStop(0.01, 30.0);  // 480 silent frames end it
  feeder.feed(400);            // 400 silent tail frames, not yet enough
  ASSERT_TRUE(engine.recording.load());
  engine.startCapture(1400);   // transport starts again
  EXPECT_EQ(engine.tailStartSample.load(), kNoTailStart);
  feeder.feed(600);            // loud again: frames 1400..1999
  engine.beginTail(2000, 0.01, 30.0, -80.0);
  signal = [](std::uint64_t, std::uint32_t) { return 0.0f; };
  // The silent run starts over with the new tail: 479 frames are kept, the 480th ends it.
  EXPECT_EQ(feedUntilTailEnds(10'000), 479u);
  const auto wav = finishAndRead();
  ASSERT_EQ(wav.frames(), 2000u + 479u);
  for (std::size_t f = 0; f < 2000; ++f) {
    const float want = (f >= 1000 && f < 1400) ? 0.0f : static_cast<float>(f + 1) * 1e-3f;
    ASSERT_EQ(wav.at(f, 0), want) << "frame " << f;
  }
}

}  // namespace
}  // namespace varnolith::plugins
