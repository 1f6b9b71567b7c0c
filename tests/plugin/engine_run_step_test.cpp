// The run step with the real engines: the Player starts, renders and reports its end at the exact
// offsets; the Recorder records from the exact sample of a sync start.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

#include "params/parameter_ids.h"
#include "plugin/process_harness.h"
#include "support/wav_file.h"

namespace varnolith::testing {
namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;
using plugins::DecodedAudio;
using plugins::kFollowTransport;
using plugins::kPlayRecord;

struct SyncSeen {
  int32 offset;
  std::uint8_t command;
  bool operator==(const SyncSeen&) const = default;
};

std::vector<SyncSeen> syncMessages(EventList& list) {
  std::vector<SyncSeen> seen;
  for (const Event& e : list.events) {
    if (e.type == Event::kDataEvent && e.data.size == 7 && e.data.bytes) seen.push_back({e.sampleOffset, e.data.bytes[5]});
  }
  return seen;
}

DecodedAudio rampFile(std::uint32_t frames) {
  DecodedAudio audio;
  audio.channelCount = 1;
  audio.sampleRate = 48000;
  for (std::uint32_t i = 0; i < frames; ++i) audio.samples.push_back(0.001f * static_cast<float>(i + 1));
  return audio;
}

class PlayerEngineRunStep : public ::testing::TestWithParam<int32> {};

TEST_P(PlayerEngineRunStep, SwitchStartsAtTheOffsetAndTheEndIsReportedWhereItFalls) {
  ProcessHarness h(ModuleKind::Player, GetParam());
  h.block.addOutput(2);
  h.plugin->player.installAudio(rampFile(300));
  h.block.setTransport(false, 10000);
  h.block.changes->add(kFollowTransport, 0, 0.0).add(kPlayRecord, 100, 1.0);
  ASSERT_EQ(h.run(512), kResultOk);
  EXPECT_EQ(h.plugin->player.startSample.load(), 10100u);
  EXPECT_EQ(syncMessages(*h.block.outputEvents), (std::vector<SyncSeen>{{100, 1}, {400, 2}}));
  EXPECT_EQ(h.block.out(0, 0, 99), 0.0);
  EXPECT_EQ(h.block.out(0, 0, 100), asWritten(0.001f, GetParam()));
  EXPECT_EQ(h.block.out(0, 1, 399), asWritten(0.001f * 300, GetParam()));  // mono file on both channels
  EXPECT_EQ(h.block.out(0, 0, 400), 0.0);
  EXPECT_EQ(h.plugin->player.endSample.load(), 10400u);
  EXPECT_FALSE(h.plugin->player.playing.load());
}

TEST_P(PlayerEngineRunStep, EndInALaterBlockAndFollowOffWhilePlaying) {
  ProcessHarness h(ModuleKind::Player, GetParam());
  h.block.addOutput(1);
  h.plugin->player.installAudio(rampFile(700));
  h.block.setTransport(true, 0);
  ASSERT_EQ(h.run(512), kResultOk);
  EXPECT_EQ(syncMessages(*h.block.outputEvents), (std::vector<SyncSeen>{{0, 1}}));
  h.block.outputEvents->clear();
  h.block.setTransport(true, 512);
  ASSERT_EQ(h.run(512), kResultOk);
  EXPECT_EQ(syncMessages(*h.block.outputEvents), (std::vector<SyncSeen>{{700 - 512, 2}}));

  // A second run: following switched off while the transport plays is a falling edge.
  h.block.outputEvents->clear();
  h.block.setTransport(false, 2000);
  ASSERT_EQ(h.run(64), kResultOk);  // transport stopped: falling edge
  h.block.outputEvents->clear();
  h.block.setTransport(true, 3000);
  ASSERT_EQ(h.run(64), kResultOk);  // rising edge, playing again
  ASSERT_TRUE(h.plugin->player.playing.load());
  h.block.outputEvents->clear();
  h.block.changes->add(kFollowTransport, 20, 0.0);
  h.block.setTransport(true, 3064);
  ASSERT_EQ(h.run(64), kResultOk);
  EXPECT_FALSE(h.plugin->player.playing.load());
  EXPECT_EQ(syncMessages(*h.block.outputEvents), (std::vector<SyncSeen>{{20, 2}}));
  EXPECT_NE(h.block.out(0, 0, 19), 0.0);
  EXPECT_EQ(h.block.out(0, 0, 20), 0.0);
}

INSTANTIATE_TEST_SUITE_P(Formats, PlayerEngineRunStep, ::testing::Values(kSample32, kSample64));

class RecorderEngineRunStep : public ::testing::TestWithParam<int32> {
 protected:
  void SetUp() override {
    folder = std::filesystem::temp_directory_path() /
             ("varnolith-run-step-" + std::to_string(::getpid()) + "-" + std::to_string(GetParam()));
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
  }
  void TearDown() override { std::filesystem::remove_all(folder); }
  std::filesystem::path folder;
};

TEST_P(RecorderEngineRunStep, SyncStartAtOffset64RecordsFromThatSample) {
  const int32 size = GetParam();
  const std::filesystem::path take = folder / "take.wav";
  {
    ProcessHarness h(ModuleKind::Recorder, size);
    h.block.addInput(2);
    h.block.addOutput(2);
    std::string error;
    ASSERT_TRUE(h.plugin->setModuleFile(take.u16string(), error)) << error;
    for (int32 k = 0; k < 512; ++k) {
      h.block.setIn(0, 0, k, k / 1024.0);
      h.block.setIn(0, 1, k, -k / 1024.0);
    }
    h.block.setTransport(false, 96000);
    h.block.inputEvents->addSysEx(64, {0xF0, 0x7D, 0x56, 0x53, 0x53, 0x01, 0xF7});
    ASSERT_EQ(h.run(512), kResultOk);
    EXPECT_EQ(h.plugin->recorder.startSample.load(), 96064u);
    h.block.inputEvents->clear();
    h.block.setTransport(false, 96512);
    ASSERT_EQ(h.run(512), kResultOk);
    h.plugin->setProcessing(false);
    ASSERT_EQ(h.plugin->setActive(false), kResultOk);  // finalizes the take
  }
  const DecodedAudio recorded = readWavFile(take);
  ASSERT_EQ(recorded.channelCount, 2u);
  ASSERT_EQ(recorded.frameCount(), 512u - 64u + 512u);
  EXPECT_EQ(recorded.samples[0], 64 / 1024.0f);
  EXPECT_EQ(recorded.samples[1], -64 / 1024.0f);
  EXPECT_EQ(recorded.samples[2 * 447], 511 / 1024.0f);
  EXPECT_EQ(recorded.samples[2 * 448], 0.0f);  // the second block starts over at 0
}

TEST_P(RecorderEngineRunStep, TransportEdgesStartCaptureAndBeginTheTail) {
  const std::filesystem::path take = folder / "edges.wav";
  ProcessHarness h(ModuleKind::Recorder, GetParam());
  h.block.addInput(1);
  h.block.addOutput(1);
  std::string error;
  ASSERT_TRUE(h.plugin->setModuleFile(take.u16string(), error)) << error;
  h.block.setTransport(true, 1000);
  ASSERT_EQ(h.run(256), kResultOk);
  EXPECT_TRUE(h.plugin->recorder.recording.load());
  EXPECT_EQ(h.plugin->recorder.startSample.load(), 1000u);
  h.plugin->setParamNormalized(plugins::kTailSilenceTime, 0.0);  // 0.01 s
  h.block.setTransport(false, 1256);
  ASSERT_EQ(h.run(256), kResultOk);
  EXPECT_EQ(h.plugin->recorder.tailStartSample.load(), 1256u);
  EXPECT_EQ(h.plugin->recorder.silenceSamples.load(), 480u);
}

INSTANTIATE_TEST_SUITE_P(Formats, RecorderEngineRunStep, ::testing::Values(kSample32, kSample64));

}  // namespace
}  // namespace varnolith::testing
