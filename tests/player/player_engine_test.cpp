// PlayerEngine: hand-over of installed files, start/stop/end bookkeeping and rendering.
#include "player/player_engine.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

#include "player/wav_decoder.h"
#include "wav_builder.h"

namespace varnolith::plugins {
namespace {

DecodedAudio makeAudio(std::uint32_t channels, std::uint32_t rate, std::vector<float> samples) {
  DecodedAudio audio;
  audio.channelCount = channels;
  audio.sampleRate = rate;
  audio.samples = std::move(samples);
  return audio;
}

// Frame f, channel c holds 100 * (f + 1) + c: every value tells where it came from.
DecodedAudio taggedAudio(std::uint32_t channels, std::uint32_t rate, std::uint32_t frames) {
  std::vector<float> samples;
  for (std::uint32_t f = 0; f < frames; ++f) {
    for (std::uint32_t c = 0; c < channels; ++c) samples.push_back(static_cast<float>(100 * (f + 1) + c));
  }
  return makeAudio(channels, rate, std::move(samples));
}

// Output buffers pre-filled with garbage, so that "silent" is actually written.
struct Outputs {
  Outputs(std::uint32_t channels, std::uint32_t samples)
      : buffers(channels, std::vector<float>(samples, -999.0f)), pointers(channels) {
    for (std::uint32_t k = 0; k < channels; ++k) pointers[k] = buffers[k].data();
  }
  std::vector<std::vector<float>> buffers;
  std::vector<float*> pointers;
};

void render(PlayerEngine& engine, Outputs& out, double rate, std::uint64_t sliceStart) {
  engine.render(out.pointers.data(), static_cast<std::uint32_t>(out.pointers.size()),
                static_cast<std::uint32_t>(out.buffers[0].size()), rate, sliceStart);
}

TEST(PlayerEngine, ConstructedEmptyAndStopped) {
  PlayerEngine engine;
  ASSERT_NE(engine.current, nullptr);
  EXPECT_EQ(engine.latest.load(), engine.current);
  EXPECT_EQ(engine.current->channelCount, 0u);
  EXPECT_FALSE(engine.playing.load());
  EXPECT_EQ(engine.endSample.load(), kNoEndSample);
  Outputs out(2, 8);
  render(engine, out, 48000, 0);
  for (const auto& b : out.buffers) EXPECT_EQ(b, std::vector<float>(8, 0.0f));
}

// Equal rates copy frames exactly; silence before the start and after the end, which lies inside
// the slice and is reported at its host position.
TEST(PlayerEngine, EqualRatesCopyExactlyAndEndInsideSlice) {
  PlayerEngine engine;
  engine.installAudio(taggedAudio(2, 48000, 5));
  EXPECT_EQ(engine.frameCount.load(), 5u);
  engine.startAt(1002, 0);
  EXPECT_TRUE(engine.playing.load());
  EXPECT_EQ(engine.endSample.load(), kNoEndSample);

  Outputs out(2, 10);
  render(engine, out, 48000, 1000);
  EXPECT_EQ(out.buffers[0], (std::vector<float>{0, 0, 100, 200, 300, 400, 500, 0, 0, 0}));
  EXPECT_EQ(out.buffers[1], (std::vector<float>{0, 0, 101, 201, 301, 401, 501, 0, 0, 0}));
  EXPECT_FALSE(engine.playing.load());
  EXPECT_EQ(engine.endSample.load(), 1007u);

  // Once ended, the next slice is silent.
  render(engine, out, 48000, 1010);
  EXPECT_EQ(out.buffers[0], std::vector<float>(10, 0.0f));
}

// 44.1 kHz on a 48 kHz host, rendered in uneven slices and from a start frame other than 0; every
// sample must match the documented single-precision interpolation.
TEST(PlayerEngine, ResamplesWithLinearInterpolation) {
  constexpr std::uint32_t kFrames = 300;
  std::vector<float> samples;
  for (std::uint32_t f = 0; f < kFrames; ++f) samples.push_back(std::sin(0.37f * static_cast<float>(f)) * 0.8f);
  PlayerEngine engine;
  engine.installAudio(makeAudio(1, 44100, samples));
  constexpr std::uint64_t kStart = 5000;
  constexpr std::uint64_t kStartFrame = 7;
  engine.startAt(kStart, kStartFrame);

  const double ratio = 44100.0 / 48000.0;
  std::uint64_t s = kStart - 3;
  std::uint64_t expectedEnd = 0;
  int compared = 0;
  for (std::uint32_t length : {13u, 1u, 64u, 200u, 31u, 97u}) {
    Outputs out(1, length);
    render(engine, out, 48000, s);
    for (std::uint32_t i = 0; i < length; ++i, ++s) {
      float expected = 0.0f;
      if (s >= kStart && expectedEnd == 0) {
        const double pos = static_cast<double>(s - kStart) * ratio + kStartFrame;
        const auto frame = static_cast<std::uint64_t>(pos);
        if (frame >= kFrames) {
          expectedEnd = s;
        } else {
          const std::uint64_t next = std::min<std::uint64_t>(frame + 1, kFrames - 1);
          const auto frac = static_cast<float>(pos - static_cast<double>(frame));
          expected = (samples[next] - samples[frame]) * frac + samples[frame];
          ++compared;
        }
      }
      ASSERT_EQ(out.buffers[0][i], expected) << "host sample " << s;
    }
  }
  EXPECT_GT(compared, 250);
  ASSERT_NE(expectedEnd, 0u);
  EXPECT_EQ(engine.endSample.load(), expectedEnd);
  EXPECT_FALSE(engine.playing.load());
}

TEST(PlayerEngine, ZeroFrameFileNeverStarts) {
  PlayerEngine engine;
  engine.installAudio(makeAudio(2, 48000, {}));
  EXPECT_EQ(engine.frameCount.load(), 0u);
  engine.startAt(777, 0);
  EXPECT_FALSE(engine.playing.load());
  EXPECT_EQ(engine.endSample.load(), 777u);
  EXPECT_EQ(engine.startSample.load(), 777u);
  EXPECT_EQ(engine.startFrame.load(), 0u);
  Outputs out(2, 4);
  render(engine, out, 48000, 777);
  EXPECT_EQ(out.buffers[0], std::vector<float>(4, 0.0f));
}

TEST(PlayerEngine, StartFrameBeyondFileEndsAtOnce) {
  PlayerEngine engine;
  engine.installAudio(taggedAudio(1, 48000, 4));
  engine.startAt(50, 9);
  EXPECT_FALSE(engine.playing.load());
  EXPECT_EQ(engine.startFrame.load(), 4u);
  EXPECT_EQ(engine.endSample.load(), 50u);
}

// Output k plays file channel min(k, last); extra file channels are dropped.
TEST(PlayerEngine, ChannelMapping) {
  const struct {
    const char* name;
    std::uint32_t fileChannels;
    std::uint32_t outputs;
    std::vector<float> firstFrame;  // expected first sample of each output
  } cases[] = {
      {"mono on stereo", 1, 2, {100, 100}},
      {"six on stereo", 6, 2, {100, 101}},
      {"stereo on four", 2, 4, {100, 101, 101, 101}},
      {"stereo on mono", 2, 1, {100}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    PlayerEngine engine;
    engine.installAudio(taggedAudio(c.fileChannels, 48000, 3));
    engine.startAt(0, 0);
    Outputs out(c.outputs, 3);
    render(engine, out, 48000, 0);
    for (std::uint32_t k = 0; k < c.outputs; ++k) {
      const float ch = c.firstFrame[k] - 100;
      EXPECT_EQ(out.buffers[k], (std::vector<float>{100 + ch, 200 + ch, 300 + ch})) << "output " << k;
    }
  }
}

TEST(PlayerEngine, NullOutputBuffersAreSkipped) {
  PlayerEngine engine;
  engine.installAudio(taggedAudio(3, 48000, 2));
  engine.startAt(0, 0);
  Outputs out(3, 2);
  out.pointers[1] = nullptr;
  render(engine, out, 48000, 0);
  EXPECT_EQ(out.buffers[0], (std::vector<float>{100, 200}));
  EXPECT_EQ(out.buffers[1], (std::vector<float>{-999, -999}));
  EXPECT_EQ(out.buffers[2], (std::vector<float>{102, 202}));
  // No output array at all: nothing to write, but the file still ends on time.
  engine.startAt(10, 0);
  engine.render(nullptr, 2, 1, 48000, 10);
  EXPECT_TRUE(engine.playing.load());
  engine.render(nullptr, 2, 8, 48000, 11);
  EXPECT_FALSE(engine.playing.load());
  EXPECT_EQ(engine.endSample.load(), 12u);
}

TEST(PlayerEngine, NonPositiveHostRateGivesSilenceAndKeepsPlaying) {
  for (double rate : {0.0, -48000.0, std::numeric_limits<double>::quiet_NaN(), 4.9e-324}) {
    SCOPED_TRACE(rate);
    PlayerEngine engine;
    engine.installAudio(taggedAudio(1, 48000, 4));
    engine.startAt(0, 0);
    Outputs out(1, 4);
    render(engine, out, rate, 0);
    EXPECT_EQ(out.buffers[0], std::vector<float>(4, 0.0f));
    EXPECT_TRUE(engine.playing.load());
    EXPECT_EQ(engine.endSample.load(), kNoEndSample);
  }
}

// Interpolating between two huge finite values of opposite sign overflows in single precision
// (even at frac 0, where inf * 0 is NaN); such samples are written as 0.0, never as NaN or inf.
TEST(PlayerEngine, OverflowingInterpolationIsWrittenAsZero) {
  PlayerEngine engine;
  engine.installAudio(makeAudio(1, 24000, {-3.0e38f, 3.0e38f}));
  engine.startAt(0, 0);
  Outputs out(1, 4);
  render(engine, out, 48000, 0);
  EXPECT_EQ(out.buffers[0], (std::vector<float>{0.0f, 0.0f, 3.0e38f, 3.0e38f}));
}

TEST(PlayerEngine, StopEndsPlaybackWithoutAnEnd) {
  PlayerEngine engine;
  engine.installAudio(taggedAudio(1, 48000, 100));
  engine.startAt(0, 0);
  engine.stop();
  EXPECT_FALSE(engine.playing.load());
  EXPECT_EQ(engine.endSample.load(), kNoEndSample);
  Outputs out(1, 4);
  render(engine, out, 48000, 0);
  EXPECT_EQ(out.buffers[0], std::vector<float>(4, 0.0f));
}

TEST(PlayerEngine, InvalidAudioIsRefusedAndOldFileKeepsPlaying) {
  PlayerEngine engine;
  engine.installAudio(taggedAudio(2, 48000, 10));
  engine.startAt(0, 0);
  Outputs out(2, 2);
  render(engine, out, 48000, 0);
  DecodedAudio* before = engine.latest.load();

  for (const DecodedAudio& bad : {makeAudio(0, 48000, {}), makeAudio(2, 0, {1, 2}), makeAudio(2, 48000, {1, 2, 3})}) {
    try {
      engine.installAudio(bad);
      ADD_FAILURE() << "accepted invalid audio";
    } catch (const std::runtime_error& e) {
      EXPECT_STREQ(e.what(), "Invalid audio data");
    }
  }
  EXPECT_EQ(engine.latest.load(), before);
  EXPECT_EQ(engine.frameCount.load(), 10u);
  EXPECT_TRUE(engine.playing.load());
  render(engine, out, 48000, 2);
  EXPECT_EQ(out.buffers[0], (std::vector<float>{300, 400}));
}

// Installing stops playback; the new file is taken over by the next render but plays (from frame 0)
// only after the next startAt.
TEST(PlayerEngine, InstallWhilePlayingStopsUntilNextStart) {
  PlayerEngine engine;
  engine.installAudio(taggedAudio(1, 48000, 100));
  engine.startAt(0, 0);
  Outputs out(1, 4);
  render(engine, out, 48000, 0);
  EXPECT_EQ(out.buffers[0], (std::vector<float>{100, 200, 300, 400}));

  auto replacement = taggedAudio(1, 48000, 50);
  for (float& v : replacement.samples) v = -v;
  engine.installAudio(std::move(replacement));
  EXPECT_FALSE(engine.playing.load());
  EXPECT_EQ(engine.frameCount.load(), 50u);
  render(engine, out, 48000, 4);
  EXPECT_EQ(out.buffers[0], std::vector<float>(4, 0.0f));
  EXPECT_EQ(engine.current, engine.latest.load());

  engine.startAt(8, 0);
  render(engine, out, 48000, 8);
  EXPECT_EQ(out.buffers[0], (std::vector<float>{-100, -200, -300, -400}));
}

// A file replaced before the audio thread took it is freed by the replacing install (ASan's leak
// check sees it otherwise) and never played.
TEST(PlayerEngine, TwoInstallsBeforeRenderPlayOnlyTheSecond) {
  PlayerEngine engine;
  engine.installAudio(taggedAudio(1, 48000, 8));
  auto second = taggedAudio(1, 48000, 8);
  for (float& v : second.samples) v += 0.5f;
  engine.installAudio(std::move(second));
  engine.startAt(0, 0);
  Outputs out(1, 2);
  render(engine, out, 48000, 0);
  EXPECT_EQ(out.buffers[0], (std::vector<float>{100.5f, 200.5f}));
  // Exactly one retirement: the empty construction-time file, not the never-taken first install.
  EXPECT_EQ(engine.retiredWrite.load(), 1u);
  EXPECT_EQ(engine.retired[0]->channelCount, 0u);
  engine.drainRetired();
  EXPECT_EQ(engine.retiredRead.load(), 1u);
  EXPECT_EQ(engine.retired[0], nullptr);
}

// With all 32 retired slots waiting, the audio thread must leave the pending file where it is
// rather than overwrite a slot the control side has not freed.
TEST(PlayerEngine, FullRetiredRingDefersTakeOver) {
  PlayerEngine engine;
  engine.installAudio(taggedAudio(1, 48000, 8));
  DecodedAudio* pendingFile = engine.pending.load();
  DecodedAudio* oldCurrent = engine.current;
  engine.retiredWrite.store(kRetiredSlots);  // 32 waiting entries (empty slots)
  Outputs out(1, 2);
  render(engine, out, 48000, 0);
  EXPECT_EQ(engine.current, oldCurrent);
  EXPECT_EQ(engine.pending.load(), pendingFile);
  EXPECT_EQ(engine.retiredWrite.load(), kRetiredSlots);

  engine.drainRetired();
  render(engine, out, 48000, 2);
  EXPECT_EQ(engine.current, pendingFile);
  EXPECT_EQ(engine.retired[kRetiredSlots % kRetiredSlots], oldCurrent);
  EXPECT_EQ(engine.retiredWrite.load(), kRetiredSlots + 1);
}

TEST(PlayerEngine, LoadFileDecodesAndInstallsOrPropagatesErrors) {
  testing::ScratchDir dir;
  PlayerEngine engine;
  const auto good = dir.write(
      "good.wav", testing::WavBuilder().fmt(1, 2, 44100, 16).data(testing::pcm16({16384, -16384, 8192, 0})).bytes());
  engine.loadFile(good);
  EXPECT_EQ(engine.frameCount.load(), 2u);
  EXPECT_EQ(engine.latest.load()->samples, (std::vector<float>{0.5f, -0.5f, 0.25f, 0.0f}));
  DecodedAudio* installed = engine.latest.load();

  const auto bad = dir.write("bad.wav", testing::WavBuilder("RIFX").bytes());
  try {
    engine.loadFile(bad);
    FAIL() << "expected an error";
  } catch (const WavError& e) {
    EXPECT_STREQ(e.what(), "Only RIFF WAV supported");
  }
  EXPECT_EQ(engine.latest.load(), installed);
  EXPECT_EQ(engine.frameCount.load(), 2u);
}

}  // namespace
}  // namespace varnolith::plugins
