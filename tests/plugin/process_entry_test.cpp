// The process entry: validation, host clock, parameter and sync intake, ordering and slicing.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "params/parameter_ids.h"
#include "plugin/process_harness.h"

namespace varnolith::testing {
namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;
using plugins::kFollowTransport;
using plugins::kGain;
using plugins::kPlayRecord;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

const std::vector<std::uint8_t> kStart{0xF0, 0x7D, 0x56, 0x53, 0x53, 0x01, 0xF7};
const std::vector<std::uint8_t> kStop{0xF0, 0x7D, 0x56, 0x53, 0x53, 0x02, 0xF7};

// --- Validation ---

struct ValidationCase {
  const char* name;
  void (*spoil)(ProcessData&, ProcessBlock&);
};

TEST(ProcessValidation, RefusesBadBlocksBeforeTouchingAnything) {
  const ValidationCase cases[] = {
      {"numSamples above the block size", [](ProcessData& d, ProcessBlock&) { d.numSamples = 513; }},
      {"negative numSamples", [](ProcessData& d, ProcessBlock&) { d.numSamples = -1; }},
      {"negative numInputs", [](ProcessData& d, ProcessBlock&) { d.numInputs = -1; }},
      {"negative numOutputs", [](ProcessData& d, ProcessBlock&) { d.numOutputs = -1; }},
      {"65 inputs", [](ProcessData& d, ProcessBlock&) { d.numInputs = 65; }},
      {"65 outputs", [](ProcessData& d, ProcessBlock&) { d.numOutputs = 65; }},
      {"null inputs", [](ProcessData& d, ProcessBlock&) { d.inputs = nullptr; }},
      {"null outputs", [](ProcessData& d, ProcessBlock&) { d.outputs = nullptr; }},
      {"65-channel input bus", [](ProcessData&, ProcessBlock& b) { b.inputBus(0).numChannels = 65; }},
      {"negative input channels", [](ProcessData&, ProcessBlock& b) { b.inputBus(0).numChannels = -2; }},
      {"65-channel output bus", [](ProcessData&, ProcessBlock& b) { b.outputBus(0).numChannels = 65; }},
  };
  for (int32 size : {kSample32, kSample64}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(c.name);
      ProcessHarness h(ModuleKind::Input, size);
      ASSERT_TRUE(h.ok);
      h.block.addInput(2);
      h.block.addOutput(2);
      h.block.fillInputs(0.5);
      h.block.fillOutputs(7.0);
      h.block.setTransport(false, 1000);
      h.block.changes->add(kGain, 0, 0.25);
      ProcessData& data = h.block.data(64);
      c.spoil(data, h.block);
      EXPECT_EQ(h.plugin->process(data), kInvalidArgument);
      EXPECT_EQ(h.plugin->sampleCounter, 0u);                  // clock not taken
      EXPECT_DOUBLE_EQ(h.stored(kGain), 15.0 / 17.0);          // point not applied
      EXPECT_FALSE(h.plugin->smoothingPrimed);                 // no kernel ran
      EXPECT_EQ(h.block.out(0, 0, 0), 7.0);
    }
  }
}

TEST(ProcessValidation, AcceptsTheLargestBlock) {
  for (int32 size : {kSample32, kSample64}) {
    ProcessHarness h(ModuleKind::Input, size);
    h.block.addInput(2);
    h.block.addOutput(2);
    h.block.fillInputs(0.5);
    EXPECT_EQ(h.run(512), kResultOk);
    EXPECT_EQ(h.block.out(0, 1, 511), 0.5);
  }
}

TEST(ProcessValidation, UnknownSampleSizeFailsOnlyOnceASliceIsDue) {
  ProcessHarness h(ModuleKind::Input, kSample32);
  h.block.addInput(2);
  h.block.addOutput(2);
  h.block.setTransport(false, 5000);
  h.block.changes->add(kGain, 0, 0.5).add(kGain, 10, 0.75);
  ProcessData& empty = h.block.data(0);
  empty.symbolicSampleSize = 2;
  EXPECT_EQ(h.plugin->process(empty), kResultOk);
  EXPECT_EQ(h.stored(kGain), 0.5);

  ProcessData& data = h.block.data(64);
  data.symbolicSampleSize = 2;
  h.block.changes->clear();
  h.block.changes->add(kGain, 0, 0.25).add(kGain, 10, 0.75);
  h.block.setTransport(false, 9000);
  EXPECT_EQ(h.plugin->process(data), kInvalidArgument);
  EXPECT_EQ(h.plugin->sampleCounter, 9000u);  // clock taken
  EXPECT_EQ(h.stored(kGain), 0.25);           // offset-0 point applied, the later one not
  EXPECT_FALSE(h.plugin->smoothingPrimed);
}

TEST(ProcessValidation, RefusesProcessingBeforeSetup) {
  auto plugin = IPtr<UtilityPlugin>::adopt(new UtilityPlugin(ModuleKind::Input));
  ASSERT_EQ(plugin->initialize(makeHostObject<HostApplication>().get()), kResultOk);
  ProcessBlock block(kSample32, 64);
  block.addInput(2);
  block.addOutput(2);
  EXPECT_EQ(plugin->process(block.data(64)), kNotInitialized);
  plugin->terminate();
}

// --- Host clock ---

TEST(HostClock, TakesContinuousTimeOrRunsOn) {
  ProcessHarness h(ModuleKind::Input, kSample32);
  h.block.addInput(2);
  h.block.addOutput(2);
  h.block.setTransport(false, 48000);
  ASSERT_EQ(h.run(100), kResultOk);
  EXPECT_EQ(h.plugin->sampleCounter, 48100u);
  h.block.clearContext();
  ASSERT_EQ(h.run(50), kResultOk);
  EXPECT_EQ(h.plugin->sampleCounter, 48150u);
  h.block.setTransport(false, -5);  // negative: not taken
  ASSERT_EQ(h.run(10), kResultOk);
  EXPECT_EQ(h.plugin->sampleCounter, 48160u);
  h.block.setTransport(false, 7);
  h.block.context.state = 0;  // not valid: not taken
  ASSERT_EQ(h.run(10), kResultOk);
  EXPECT_EQ(h.plugin->sampleCounter, 48170u);
}

// --- Parameter intake ---

struct IntakeCase {
  const char* name;
  ParamID id;
  int32 offset;
  double value;
  double expected;  // NaN: the slot keeps its value
};

TEST(ParameterIntake, ClampsAndSkipsBadPoints) {
  const IntakeCase cases[] = {
      {"above one", kGain, 0, 1.7, 1.0},
      {"below zero", kGain, 10, -0.2, 0.0},
      {"NaN", kGain, 0, kNaN, kNaN},
      {"infinity", kGain, 0, kInf, kNaN},
      {"negative offset", kGain, -1, 0.3, kNaN},
      {"offset past the block", kGain, 65, 0.3, kNaN},
      {"last offset of the block", 50, 64, 0.3, kNaN},  // applies only in a 0-sample block
      {"unregistered slot", 300, 3, 0.3, 0.3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ProcessHarness h(ModuleKind::Input, kSample64);
    h.block.addInput(2);
    h.block.addOutput(2);
    const double before = h.stored(c.id);
    h.block.changes->add(c.id, c.offset, c.value);
    ASSERT_EQ(h.run(64), kResultOk);
    EXPECT_EQ(h.stored(c.id), std::isnan(c.expected) ? before : c.expected);
  }
}

TEST(ParameterIntake, IdsWithoutASlotChangeNothing) {
  for (ParamID id : {600u, 601u, 602u, 700u, 0xFFFFFFFFu}) {
    SCOPED_TRACE(id);
    // A Recorder, where 601/602 mean something when they come as sync messages.
    ProcessHarness h(ModuleKind::Recorder, kSample32);
    h.block.addInput(2);
    h.block.addOutput(2);
    std::vector<double> before;
    for (uint32 slot = 0; slot < 512; ++slot) before.push_back(h.stored(slot));
    h.block.changes->add(id, 0, 1.0).add(id, 20, 0.0);
    ASSERT_EQ(h.run(64), kResultOk);
    for (uint32 slot = 0; slot < 512; ++slot) ASSERT_EQ(h.stored(slot), before[slot]) << slot;
    EXPECT_FALSE(h.plugin->previousRun);
  }
}

TEST(ParameterIntake, ZeroSampleBlockAppliesOffsetZeroAndRunsNoKernel) {
  ProcessHarness h(ModuleKind::Input, kSample32);
  h.block.addInput(2);
  h.block.addOutput(2);
  h.block.setTransport(false, 100);
  h.block.changes->add(kGain, 0, 0.5).add(20, 1, 0.5);
  ASSERT_EQ(h.run(0), kResultOk);
  EXPECT_EQ(h.stored(kGain), 0.5);
  EXPECT_EQ(h.stored(20), 0.0);  // offset 1 is past a 0-sample block
  EXPECT_FALSE(h.plugin->smoothingPrimed);
  EXPECT_EQ(h.plugin->sampleCounter, 100u);
  EXPECT_EQ(h.block.outputBus(0).silenceFlags, 0u);
}

TEST(ParameterIntake, NullQueuesAreSkipped) {
  ProcessHarness h(ModuleKind::Input, kSample32);
  h.block.addInput(2);
  h.block.addOutput(2);
  h.block.changes->addNullQueue();
  h.block.changes->add(kGain, 5, 0.25);
  ASSERT_EQ(h.run(64), kResultOk);
  EXPECT_EQ(h.stored(kGain), 0.25);
}

TEST(ParameterIntake, KeepsTheFirst4096PointsInVisitingOrder) {
  ProcessHarness h(ModuleKind::Recorder, kSample32);
  h.block.addInput(2);
  h.block.addOutput(2);
  // Queue for slot 10 fills the array by itself; what comes after it is dropped.
  for (int32 i = 0; i < 4096; ++i) h.block.changes->add(10, i % 64, 0.25);
  h.block.changes->add(11, 0, 0.5);
  h.block.inputEvents->addSysEx(0, kStart);
  ASSERT_EQ(h.run(64), kResultOk);
  EXPECT_EQ(h.stored(10), 0.25);
  EXPECT_EQ(h.stored(11), 0.0);
  EXPECT_EQ(h.stored(kPlayRecord), 0.0);  // the sync start did not fit
  EXPECT_EQ(h.stored(kFollowTransport), 1.0);

  // One point less: the sync message is the 4096th and is taken.
  h.block.changes->clear();
  for (int32 i = 0; i < 4095; ++i) h.block.changes->add(10, i % 64, 0.25);
  ASSERT_EQ(h.run(64), kResultOk);
  EXPECT_EQ(h.stored(kPlayRecord), 1.0);
  EXPECT_EQ(h.stored(kFollowTransport), 0.0);
}

TEST(ParameterIntake, SortsByOffsetAcrossQueues) {
  ProcessHarness h(ModuleKind::Input, kSample64);
  h.block.addInput(1);
  h.block.addOutput(1);
  h.block.fillInputs(1.0);
  ASSERT_EQ(h.run(8), kResultOk);  // primes at 0 dB
  // Two queues for the same slot, the later offset visited first.
  h.block.changes->add(kGain, 40, 0.0);
  h.block.changes->add(99, 0, 0.5);
  h.block.changes->add(kGain, 0, 1.0);
  ASSERT_EQ(h.run(64), kResultOk);
  EXPECT_EQ(h.stored(kGain), 0.0);  // the offset-40 value is the last applied
  EXPECT_GT(h.block.out(0, 0, 39), 1.0);
  EXPECT_LT(h.block.out(0, 0, 40), h.block.out(0, 0, 39));
}

// --- Sync intake ---

struct SyncCase {
  const char* name;
  ModuleKind kind;
  std::vector<std::uint8_t> bytes;
  int32 offset;
  bool taken;
};

TEST(SyncIntake, RecorderTakesOnlyExactMessages) {
  const SyncCase cases[] = {
      {"start", ModuleKind::Recorder, kStart, 10, true},
      {"start at offset 0", ModuleKind::Recorder, kStart, 0, true},
      {"start at the last sample", ModuleKind::Recorder, kStart, 63, true},
      {"start at numSamples", ModuleKind::Recorder, kStart, 64, false},
      {"negative offset", ModuleKind::Recorder, kStart, -1, false},
      {"command 3", ModuleKind::Recorder, {0xF0, 0x7D, 0x56, 0x53, 0x53, 0x03, 0xF7}, 10, false},
      {"command 0", ModuleKind::Recorder, {0xF0, 0x7D, 0x56, 0x53, 0x53, 0x00, 0xF7}, 10, false},
      {"8 bytes", ModuleKind::Recorder, {0xF0, 0x7D, 0x56, 0x53, 0x53, 0x01, 0xF7, 0x00}, 10, false},
      {"6 bytes", ModuleKind::Recorder, {0xF0, 0x7D, 0x56, 0x53, 0x53, 0x01}, 10, false},
      {"other manufacturer", ModuleKind::Recorder, {0xF0, 0x7E, 0x56, 0x53, 0x53, 0x01, 0xF7}, 10, false},
      {"no end byte", ModuleKind::Recorder, {0xF0, 0x7D, 0x56, 0x53, 0x53, 0x01, 0xF0}, 10, false},
      {"Summing ignores it", ModuleKind::Summing, kStart, 10, false},
      {"Player ignores it", ModuleKind::Player, kStart, 10, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ProcessHarness h(c.kind, kSample32);
    h.block.addInput(2);
    h.block.addOutput(2);
    h.block.inputEvents->addSysEx(c.offset, c.bytes, /*busIndex=*/3);  // bus index is not looked at
    ASSERT_EQ(h.run(64), kResultOk);
    EXPECT_EQ(h.stored(kPlayRecord), c.taken ? 1.0 : 0.0);
    EXPECT_EQ(h.stored(kFollowTransport), c.taken ? 0.0 : 1.0);
    EXPECT_EQ(h.plugin->previousRun, c.taken);
  }
}

TEST(SyncIntake, OtherEventTypesAndSysExDataTypesAreIgnored) {
  ProcessHarness h(ModuleKind::Recorder, kSample32);
  h.block.addInput(2);
  h.block.addOutput(2);
  Event note{};
  note.type = Event::kNoteOnEvent;
  note.sampleOffset = 3;
  h.block.inputEvents->addEvent(note);
  Event wrongData{};
  wrongData.type = Event::kDataEvent;
  wrongData.data.type = 1;
  wrongData.data.size = 7;
  wrongData.data.bytes = kStart.data();
  wrongData.sampleOffset = 3;
  h.block.inputEvents->addEvent(wrongData);
  Event nullBytes = wrongData;
  nullBytes.data.type = DataEvent::kMidiSysEx;
  nullBytes.data.bytes = nullptr;
  h.block.inputEvents->events.push_back(nullBytes);
  ASSERT_EQ(h.run(64), kResultOk);
  EXPECT_EQ(h.stored(kPlayRecord), 0.0);
  EXPECT_FALSE(h.plugin->previousRun);
}

TEST(SyncIntake, StopSwitchesToManualAndForgetsTheRunState) {
  ProcessHarness h(ModuleKind::Recorder, kSample64);
  h.block.addInput(2);
  h.block.addOutput(2);
  h.block.setTransport(true, 0);  // following the transport, which plays
  ASSERT_EQ(h.run(64), kResultOk);
  EXPECT_TRUE(h.plugin->previousRun);
  h.block.inputEvents->addSysEx(20, kStop);
  ASSERT_EQ(h.run(64), kResultOk);
  EXPECT_EQ(h.stored(kFollowTransport), 0.0);
  EXPECT_EQ(h.stored(kPlayRecord), 0.0);
  EXPECT_FALSE(h.plugin->previousRun);  // no falling edge left for the next slice to see
}

}  // namespace
}  // namespace varnolith::testing
