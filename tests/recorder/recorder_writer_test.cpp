// The recorded file and the destination: exact bytes, refusals, the size limit and a stalled writer.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <stdexcept>
#include <vector>

#include "recorder/recorder_engine.h"
#include "recorder_test_support.h"

namespace varnolith::plugins {
namespace {

using testing::Feeder;
using testing::readRecordedWav;
using testing::TempDir;
using testing::waitFor;

// Arbitrary finite bit patterns (signed zeros, subnormals, huge values) so that any conversion or
// reordering on the way to disk shows.
float patternSample(std::uint64_t frame, std::uint32_t channel) {
  std::uint64_t x = (frame * 64 + channel + 1) * 0x9E3779B97F4A7C15ull;
  x ^= x >> 29;
  x *= 0xBF58476D1CE4E5B9ull;
  x ^= x >> 32;
  auto bits = static_cast<std::uint32_t>(x);
  if ((bits & 0x7F800000u) == 0x7F800000u) bits &= 0xBFFFFFFFu;  // no NaN or infinity
  return std::bit_cast<float>(bits);
}

struct FormatCase {
  std::uint32_t channels;
  std::uint32_t rate;
  std::uint64_t frames;
};

class RecordedFileTest : public ::testing::TestWithParam<FormatCase> {};

TEST_P(RecordedFileTest, HoldsEveryCapturedSampleBitForBit) {
  const FormatCase fc = GetParam();
  TempDir dir;
  const auto path = dir / "take.wav";
  RecorderEngine engine;
  engine.prepareDestination(path, fc.channels, fc.rate);
  ASSERT_TRUE(engine.ready.load());
  ASSERT_TRUE(engine.fileCreated.load());

  engine.startCapture(0);
  ASSERT_TRUE(engine.recording.load());
  Feeder feeder(engine, fc.channels, patternSample, 500);
  feeder.feed(fc.frames, /*waitForRoom=*/true);
  engine.requestStop();
  engine.finish();

  EXPECT_TRUE(engine.finalized.load());
  EXPECT_FALSE(engine.ready.load());
  EXPECT_FALSE(engine.failed.load());
  EXPECT_EQ(engine.droppedFrames.load(), 0u);
  EXPECT_EQ(engine.framesWritten.load(), fc.frames);

  const auto wav = readRecordedWav(path);
  EXPECT_EQ(wav.channels, fc.channels);
  EXPECT_EQ(wav.rate, fc.rate);
  ASSERT_EQ(wav.dataBytes, fc.frames * fc.channels * 4);
  ASSERT_EQ(wav.frames(), fc.frames);
  for (std::uint64_t f = 0; f < fc.frames; ++f) {
    for (std::uint32_t c = 0; c < fc.channels; ++c) {
      const float want = patternSample(f, c);
      ASSERT_EQ(std::bit_cast<std::uint32_t>(wav.at(f, c)), std::bit_cast<std::uint32_t>(want))
          << "frame " << f << " channel " << c;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Formats, RecordedFileTest,
    ::testing::Values(FormatCase{2, 48000, 48000},      // one second of stereo
                      FormatCase{1, 44100, 1'200'000},  // passes the ring's end on a frame boundary
                      FormatCase{3, 96000, 400'000}),   // the ring's end falls inside a frame
    [](const ::testing::TestParamInfo<FormatCase>& p) { return std::to_string(p.param.channels) + "ch"; });

TEST(RecordedFile, OneSecondOfStereoHasTheDocumentedHeader) {
  TempDir dir;
  const auto path = dir / "one-second.wav";
  RecorderEngine engine;
  engine.prepareDestination(path, 2, 48000);
  engine.startCapture(0);
  Feeder(engine, 2, [](std::uint64_t, std::uint32_t) { return 0.25f; }).feed(48000, true);
  engine.finish();

  const auto bytes = testing::readBytes(path);
  ASSERT_EQ(bytes.size(), 44u + 384000u);
  EXPECT_EQ(testing::le32(bytes, 4), 384036u);
  EXPECT_EQ(testing::le16(bytes, 22), 2u);
  EXPECT_EQ(testing::le32(bytes, 24), 48000u);
  EXPECT_EQ(testing::le32(bytes, 28), 384000u);
  EXPECT_EQ(testing::le16(bytes, 32), 8u);
  EXPECT_EQ(testing::le32(bytes, 40), 384000u);
}

TEST(RecordedFile, PrepareAndFinishWithoutRecordingLeavesAnEmptyValidWav) {
  TempDir dir;
  const auto path = dir / "empty.wav";
  RecorderEngine engine;
  engine.prepareDestination(path, 2, 44100);

  // While armed the header on disk already says "no data yet".
  auto armed = testing::readBytes(path);
  ASSERT_EQ(armed.size(), 44u);
  EXPECT_EQ(testing::le32(armed, 4), 36u);
  EXPECT_EQ(testing::le32(armed, 40), 0u);

  engine.finish();
  EXPECT_TRUE(engine.finalized.load());
  EXPECT_FALSE(engine.ready.load());
  EXPECT_FALSE(engine.failed.load());
  const auto wav = readRecordedWav(path);
  EXPECT_EQ(wav.bytes.size(), 44u);
  EXPECT_EQ(wav.dataBytes, 0u);
  EXPECT_EQ(wav.channels, 2u);
  EXPECT_EQ(wav.rate, 44100u);
}

// --- Refusals of prepareDestination -----------------------------------------------------------

std::string messageOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const std::exception& e) {
    return e.what();
  }
  return "<no error>";
}

class DestinationTest : public ::testing::Test {
 protected:
  // An armed first destination, so each refusal can also show what happens to it.
  void SetUp() override {
    engine.prepareDestination(first, 1, 48000);
    ASSERT_TRUE(engine.ready.load());
  }
  void expectFirstFinalized() {
    EXPECT_FALSE(engine.ready.load());
    EXPECT_TRUE(engine.finalized.load());
    EXPECT_FALSE(engine.writerThread.joinable());
    EXPECT_EQ(readRecordedWav(first).bytes.size(), 44u);
  }

  TempDir dir;
  std::filesystem::path first = dir / "first.wav";
  RecorderEngine engine;
};

TEST_F(DestinationTest, RefusesAnythingThatExists) {
  const auto file = dir / "existing.wav";
  testing::touch(file);
  const auto folder = dir / "folder.wav";
  std::filesystem::create_directory(folder);
  std::vector<std::filesystem::path> existing{file, folder};
#ifndef _WIN32
  // Creating symbolic links needs privileges on Windows.
  const auto dangling = dir / "dangling.wav";
  std::filesystem::create_symlink(dir / "nowhere.wav", dangling);
  existing.push_back(dangling);
#endif

  for (const auto& path : existing) {
    EXPECT_EQ(messageOf([&] { engine.prepareDestination(path, 2, 48000); }),
              "Destination exists; choose a new file")
        << path;
    expectFirstFinalized();
  }
  EXPECT_EQ(std::filesystem::file_size(file), 0u) << "an existing file is never touched";
  EXPECT_FALSE(std::filesystem::exists(dir / "nowhere.wav"));
}

TEST_F(DestinationTest, RefusesFormatsOutsideTheLimitsAfterFinishingThePreviousWriter) {
  struct Bad {
    std::uint32_t channels, rate;
  };
  for (const Bad bad : {Bad{0, 48000}, Bad{65, 48000}, Bad{2, 7999}, Bad{2, 384001}}) {
    EXPECT_EQ(messageOf([&] { engine.prepareDestination(dir / "new.wav", bad.channels, bad.rate); }),
              "Invalid recording format")
        << bad.channels << " ch, " << bad.rate << " Hz";
    expectFirstFinalized();
  }
  EXPECT_FALSE(std::filesystem::exists(dir / "new.wav"));
  // The limits themselves are valid.
  engine.prepareDestination(dir / "64ch.wav", 64, 384000);
  engine.prepareDestination(dir / "1ch.wav", 1, 8000);
  EXPECT_TRUE(engine.ready.load());
}

TEST_F(DestinationTest, MissingFolderFailsCreationAndLeavesTheEngineFinalized) {
  EXPECT_EQ(messageOf([&] { engine.prepareDestination(dir / "no-such-folder" / "take.wav", 2, 48000); }),
            "Cannot create recording file");
  EXPECT_TRUE(engine.failed.load());
  EXPECT_TRUE(engine.finalized.load());
  EXPECT_FALSE(engine.ready.load());
  EXPECT_TRUE(engine.fileCreated.load()) << "the first destination did create a file";
  engine.startCapture(0);
  EXPECT_FALSE(engine.recording.load());

  // Failed is not a dead end: a new destination arms again.
  engine.prepareDestination(dir / "second.wav", 2, 48000);
  EXPECT_TRUE(engine.ready.load());
  EXPECT_FALSE(engine.failed.load());
}

TEST_F(DestinationTest, RefusedWhileRecordingAndTheRecordingGoesOn) {
  engine.startCapture(0);
  ASSERT_TRUE(engine.recording.load());
  EXPECT_EQ(messageOf([&] { engine.prepareDestination(dir / "other.wav", 2, 48000); }),
            "Stop recording before choosing destination");
  EXPECT_TRUE(engine.recording.load());
  EXPECT_TRUE(engine.ready.load());
  EXPECT_FALSE(std::filesystem::exists(dir / "other.wav"));
}

TEST_F(DestinationTest, FailingExistenceQueryRaisesAFilesystemErrorNamingExists) {
  const std::string tooLong(300, 'x');  // longer than any file name the file system accepts
#ifdef _WIN32
  // The Windows runtime reports a name it cannot look up as absent; creating the file is what
  // refuses it then.
  EXPECT_EQ(messageOf([&] { engine.prepareDestination(dir / tooLong, 2, 48000); }), "Cannot create recording file");
  EXPECT_TRUE(engine.failed.load());
  return;
#endif
  try {
    engine.prepareDestination(dir / tooLong, 2, 48000);
    FAIL() << "no error";
  } catch (const std::filesystem::filesystem_error& e) {
    EXPECT_NE(std::string(e.what()).find("exists"), std::string::npos) << e.what();
    EXPECT_TRUE(e.code());
  }
  expectFirstFinalized();
}

TEST(Destination, FreshEngineIsIdleAndCannotStart) {
  RecorderEngine engine;
  EXPECT_TRUE(engine.finalized.load());
  EXPECT_FALSE(engine.ready.load());
  EXPECT_FALSE(engine.fileCreated.load());
  EXPECT_EQ(engine.tailStartSample.load(), kNoTailStart);
  engine.finish();  // nothing to finish
  EXPECT_TRUE(engine.finalized.load());
}

// --- Writer limits ----------------------------------------------------------------------------

TEST(DataLimit, BatchThatWouldPassTheLimitIsNotWrittenAndTheFileIsFinalized) {
  TempDir dir;
  const auto path = dir / "capped.wav";
  RecorderTestSeams seams;
  seams.maxDataBytes = 1000 + 7;  // 125 stereo frames; the odd bytes do not make a frame
  RecorderEngine engine(seams);
  engine.prepareDestination(path, 2, 48000);
  engine.startCapture(0);
  Feeder feeder(engine, 2, [](std::uint64_t f, std::uint32_t c) { return static_cast<float>(f * 2 + c); }, 1000);

  feeder.feed(100);
  ASSERT_TRUE(waitFor([&] { return engine.framesWritten.load() == 100; }));
  feeder.feed(25);  // exactly up to the limit: still written
  ASSERT_TRUE(waitFor([&] { return engine.framesWritten.load() == 125; }));
  EXPECT_FALSE(engine.failed.load());
  EXPECT_TRUE(engine.recording.load());

  feeder.feed(1);  // one frame too many
  ASSERT_TRUE(waitFor([&] { return engine.finalized.load(); }));
  EXPECT_TRUE(engine.failed.load());
  EXPECT_FALSE(engine.recording.load());
  EXPECT_TRUE(engine.stopRequested.load());
  EXPECT_FALSE(engine.ready.load());
  EXPECT_EQ(engine.framesWritten.load(), 125u);
  engine.startCapture(feeder.position());
  EXPECT_FALSE(engine.recording.load()) << "a failed destination is not re-armed";

  const auto wav = readRecordedWav(path);
  ASSERT_EQ(wav.dataBytes, 1000u);
  for (std::size_t f = 0; f < wav.frames(); ++f) {
    ASSERT_EQ(wav.at(f, 0), static_cast<float>(f * 2));
    ASSERT_EQ(wav.at(f, 1), static_cast<float>(f * 2 + 1));
  }
  engine.finish();
}

TEST(StalledWriter, CaptureDropsWholeFramesWithoutBlockingAndKeepsOrderAfterwards) {
  TempDir dir;
  const auto path = dir / "stalled.wav";
  std::atomic<bool> stall{true};
  RecorderTestSeams seams;
  seams.stallWriter = &stall;
  RecorderEngine engine(seams);
  engine.prepareDestination(path, 3, 48000);
  engine.startCapture(0);

  // Every frame carries its own number, so the file shows exactly which frames were kept.
  Feeder feeder(engine, 3, [](std::uint64_t f, std::uint32_t c) { return static_cast<float>(f * 4 + c); }, 4096);
  constexpr std::uint64_t kFit = kRingSamples / 3;  // 349,525 whole frames fit in the ring
  constexpr std::uint64_t kBeforeResume = kFit + 10'000;
  feeder.feed(kBeforeResume);  // returns although nobody drains the ring
  EXPECT_EQ(engine.writePosition.load(), kFit * 3);
  EXPECT_EQ(engine.droppedFrames.load(), kBeforeResume - kFit);
  EXPECT_EQ(engine.framesWritten.load(), 0u);

  stall = false;
  constexpr std::uint64_t kAfterResume = 200'000;  // wraps the ring, with a frame across its end
  feeder.feed(kAfterResume, /*waitForRoom=*/true);
  engine.requestStop();
  engine.finish();
  EXPECT_FALSE(engine.failed.load());
  EXPECT_EQ(engine.droppedFrames.load(), kBeforeResume - kFit);

  const auto wav = readRecordedWav(path);
  ASSERT_EQ(wav.frames(), kFit + kAfterResume);
  EXPECT_EQ(engine.framesWritten.load(), wav.frames());
  for (std::size_t k = 0; k < wav.frames(); ++k) {
    const std::uint64_t frame = k < kFit ? k : kBeforeResume + (k - kFit);
    for (std::uint32_t c = 0; c < 3; ++c) {
      ASSERT_EQ(wav.at(k, c), static_cast<float>(frame * 4 + c)) << "file frame " << k;
    }
  }
}

}  // namespace
}  // namespace varnolith::plugins
