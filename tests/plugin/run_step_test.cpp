// The run step and the Player's sync messages, as far as they show without a loaded file.
#include <gtest/gtest.h>

#include <vector>

#include "params/parameter_ids.h"
#include "plugin/process_harness.h"

namespace varnolith::testing {
namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;
using plugins::kFollowTransport;
using plugins::kPlayRecord;

// Keeps events exactly as sent, pointers included, to see that the bytes outlive the call.
class RawEventList : public HostObject<IEventList> {
 public:
  int32 PLUGIN_API getEventCount() override { return static_cast<int32>(events.size()); }
  tresult PLUGIN_API getEvent(int32 index, Event& e) override {
    if (index < 0 || index >= getEventCount()) return kInvalidArgument;
    e = events[static_cast<std::size_t>(index)];
    return kResultOk;
  }
  tresult PLUGIN_API addEvent(Event& e) override {
    events.push_back(e);
    return kResultOk;
  }
  std::vector<Event> events;
};

void expectSync(const Event& e, int32 offset, std::uint8_t command) {
  EXPECT_EQ(e.busIndex, 0);
  EXPECT_EQ(e.sampleOffset, offset);
  EXPECT_EQ(e.ppqPosition, 0.0);
  EXPECT_EQ(e.flags, 0);
  EXPECT_EQ(e.type, Event::kDataEvent);
  EXPECT_EQ(e.data.type, DataEvent::kMidiSysEx);
  ASSERT_EQ(e.data.size, 7u);
  ASSERT_NE(e.data.bytes, nullptr);
  const std::vector<std::uint8_t> bytes(e.data.bytes, e.data.bytes + 7);
  EXPECT_EQ(bytes, (std::vector<std::uint8_t>{0xF0, 0x7D, 0x56, 0x53, 0x53, command, 0xF7}));
}

class PlayerRunStep : public ::testing::TestWithParam<int32> {
 protected:
  PlayerRunStep() : h(ModuleKind::Player, GetParam()) {
    h.block.addOutput(2);
    raw = makeHostObject<RawEventList>();
  }
  tresult run(int32 n) {
    ProcessData& data = h.block.data(n);
    data.outputEvents = raw.get();
    return h.plugin->process(data);
  }
  ProcessHarness h;
  IPtr<RawEventList> raw;
};

// Without a file the frame count is 0: a rising edge sends start and stop together.
TEST_P(PlayerRunStep, SwitchOnWithoutAFileSendsStartThenStopAtTheEdge) {
  h.block.changes->add(kFollowTransport, 0, 0.0).add(kPlayRecord, 100, 1.0);
  ASSERT_EQ(run(512), kResultOk);
  ASSERT_EQ(raw->events.size(), 2u);
  expectSync(raw->events[0], 100, 1);
  expectSync(raw->events[1], 100, 2);
  EXPECT_TRUE(h.plugin->previousRun);
  raw->events.clear();
  h.block.changes->clear();
  ASSERT_EQ(run(512), kResultOk);  // still running: no edge, no message
  EXPECT_TRUE(raw->events.empty());
}

TEST_P(PlayerRunStep, TransportStartAndFollowOffWhilePlaying) {
  h.block.setTransport(true, 4800);
  ASSERT_EQ(run(64), kResultOk);
  ASSERT_EQ(raw->events.size(), 2u);
  expectSync(raw->events[0], 0, 1);
  raw->events.clear();
  // Follow transport off while the transport plays and Play / Record is off: a falling edge.
  h.block.changes->add(kFollowTransport, 37, 0.0);
  ASSERT_EQ(run(64), kResultOk);
  ASSERT_EQ(raw->events.size(), 1u);
  expectSync(raw->events[0], 37, 2);
  EXPECT_FALSE(h.plugin->previousRun);
  EXPECT_FALSE(h.plugin->player.playing.load());
}

TEST_P(PlayerRunStep, NoEventListOnlySuppressesTheMessages) {
  h.block.setTransport(true, 0);
  ProcessData& data = h.block.data(64);
  data.outputEvents = nullptr;
  ASSERT_EQ(h.plugin->process(data), kResultOk);
  EXPECT_TRUE(h.plugin->previousRun);
}

TEST_P(PlayerRunStep, MissingContextReadsAsStopped) {
  h.block.setTransport(true, 0);
  ASSERT_EQ(run(16), kResultOk);
  raw->events.clear();
  h.block.clearContext();
  ASSERT_EQ(run(16), kResultOk);
  ASSERT_EQ(raw->events.size(), 1u);
  expectSync(raw->events[0], 0, 2);
}

INSTANTIATE_TEST_SUITE_P(Formats, PlayerRunStep, ::testing::Values(kSample32, kSample64));

TEST(RunStep, OtherKindsTrackTheRunStateButSendNothing) {
  for (ModuleKind kind : {ModuleKind::Input, ModuleKind::Summing, ModuleKind::Recorder, ModuleKind::FaderBank}) {
    SCOPED_TRACE(kindName(kind));
    ProcessHarness h(kind, kSample32);
    h.block.addInput(2);
    h.block.addOutput(2);
    h.block.setTransport(true, 0);
    ASSERT_EQ(h.run(32), kResultOk);
    EXPECT_TRUE(h.plugin->previousRun);
    h.block.setTransport(false, 32);
    ASSERT_EQ(h.run(32), kResultOk);
    EXPECT_FALSE(h.plugin->previousRun);
    EXPECT_TRUE(h.block.outputEvents->events.empty());
  }
}

}  // namespace
}  // namespace varnolith::testing
