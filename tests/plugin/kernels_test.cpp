// The signal kernels: smoothing, slicing, routing per kind, finite outputs and silence flags.
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
using plugins::activeStripCount;
using plugins::kActiveStrips;
using plugins::kFaderGainBase;
using plugins::kFaderMuteBase;
using plugins::kGain;
using plugins::linearGain;

const double kCoefficient = smoothingCoefficient(48000.0);

// Sets up the buses of a kind for a single-path test: input bus 0 with `inChannels` and output
// bus 0 (Breakout: one mono output per input channel).
void addMainBuses(ProcessHarness& h, ModuleKind kind, int32 inChannels) {
  h.block.addInput(inChannels);
  h.block.addOutput(kind == ModuleKind::Breakout ? 1 : inChannels);
}

// The gain slot that scales output bus 0 of a kind.
ParamID gainSlot(ModuleKind kind) { return kind == ModuleKind::FaderBank ? kFaderGainBase : kGain; }

struct KindFormat {
  ModuleKind kind;
  int32 sampleSize;
};

std::string caseName(const ::testing::TestParamInfo<KindFormat>& info) {
  return std::string(kindName(info.param.kind)) + "_" + formatName(info.param.sampleSize);
}

std::vector<KindFormat> gainKinds() {
  std::vector<KindFormat> list;
  for (ModuleKind kind : {ModuleKind::Input, ModuleKind::Output, ModuleKind::Summing, ModuleKind::Breakout,
                          ModuleKind::Recorder, ModuleKind::FaderBank, ModuleKind::Distributor}) {
    for (int32 size : {kSample32, kSample64}) list.push_back({kind, size});
  }
  return list;
}

class Smoothing : public ::testing::TestWithParam<KindFormat> {};

// From 0 dB to -90 dB at 48 kHz: 144 steps leave e^-1 of the distance; the first output sample
// already carries one step.
TEST_P(Smoothing, ReachesOneOverEAfter144Samples) {
  const auto [kind, size] = GetParam();
  ProcessHarness h(kind, size);
  ASSERT_TRUE(h.ok);
  addMainBuses(h, kind, 1);
  h.block.fillInputs(1.0);
  ASSERT_EQ(h.run(64), kResultOk);
  ASSERT_EQ(h.block.out(0, 0, 63), 1.0);  // primed at 0 dB: no ramp at all

  h.block.changes->add(gainSlot(kind), 0, 0.0);
  ASSERT_EQ(h.run(512), kResultOk);
  const double target = linearGain(0.0);
  const double tolerance = size == kSample32 ? 1e-6 : 1e-12;
  EXPECT_NEAR(h.block.out(0, 0, 0), asWritten(1.0 + (target - 1.0) * kCoefficient, size), tolerance);
  EXPECT_LT(h.block.out(0, 0, 0), 1.0);
  const double remaining = (h.block.out(0, 0, 143) - target) / (1.0 - target);
  EXPECT_NEAR(remaining, std::exp(-1.0), 1e-6);
  const double oneEarlier = (h.block.out(0, 0, 142) - target) / (1.0 - target);
  EXPECT_GT(oneEarlier, std::exp(-1.0) + 1e-3);
  // The per-sample curve ends where the closed-form bookkeeping puts the next slice's start.
  const double closed = target + (1.0 - target) * std::pow(1.0 - kCoefficient, 512.0);
  EXPECT_NEAR(h.block.out(0, 0, 511), asWritten(closed, size), tolerance);
}

// setProcessing(false) and (true) make the next slice start at the targets exactly.
TEST_P(Smoothing, RestartBeginsAtTheTargetExactly) {
  const auto [kind, size] = GetParam();
  ProcessHarness h(kind, size);
  addMainBuses(h, kind, 1);
  h.block.fillInputs(0.75);
  ASSERT_EQ(h.run(64), kResultOk);
  h.block.changes->add(gainSlot(kind), 0, 0.5);
  ASSERT_EQ(h.run(16), kResultOk);  // ramping towards the new target
  ASSERT_NE(h.block.out(0, 0, 15), asWritten(0.75 * linearGain(0.5), size));
  h.block.changes->clear();
  h.plugin->setProcessing(false);
  h.plugin->setProcessing(true);
  ASSERT_EQ(h.run(16), kResultOk);
  for (int32 k : {0, 15}) EXPECT_EQ(h.block.out(0, 0, k), asWritten(0.75 * linearGain(0.5), size)) << k;
}

INSTANTIATE_TEST_SUITE_P(Kinds, Smoothing, ::testing::ValuesIn(gainKinds()), caseName);

// Reference of one slice of the master curve: per-sample steps from the slice's start value,
// and the closed-form end state that the next slice starts from.
struct Reference {
  double state;
  std::vector<double> out;
  void slice(double target, int32 n, double input) {
    double g = state;
    for (int32 k = 0; k < n; ++k) {
      g += (target - g) * kCoefficient;
      out.push_back(input * g);
    }
    state = target + (state - target) * std::pow(1.0 - kCoefficient, n);
  }
};

class Slicing : public ::testing::TestWithParam<int32> {};

// Points at 0, 100 and 300 of 512 cut three slices; each starts from the closed-form state of the
// previous one and heads for its own target.
TEST_P(Slicing, PointsCutTheBlockIntoKernelCalls) {
  const int32 size = GetParam();
  ProcessHarness h(ModuleKind::Output, size);
  h.block.addInput(2);
  h.block.addOutput(2);
  h.block.fillInputs(0.5);
  ASSERT_EQ(h.run(32), kResultOk);
  h.block.changes->add(kGain, 300, 0.9).add(kGain, 0, 0.2).add(kGain, 100, 1.0);
  ASSERT_EQ(h.run(512), kResultOk);
  Reference ref{1.0, {}};
  ref.slice(linearGain(0.2), 100, 0.5);
  ref.slice(linearGain(1.0), 200, 0.5);
  ref.slice(linearGain(0.9), 212, 0.5);
  const double tolerance = size == kSample32 ? 1e-7 : 1e-14;
  for (int32 k = 0; k < 512; ++k) {
    ASSERT_NEAR(h.block.out(0, 0, k), asWritten(ref.out[static_cast<std::size_t>(k)], size), tolerance) << k;
    ASSERT_EQ(h.block.out(0, 1, k), h.block.out(0, 0, k)) << k;
  }
  // The boundaries are visible: falling before 100, rising from 100, falling again from 300.
  EXPECT_LT(h.block.out(0, 0, 99), h.block.out(0, 0, 98));
  EXPECT_GT(h.block.out(0, 0, 100), h.block.out(0, 0, 99));
  EXPECT_LT(h.block.out(0, 0, 300), h.block.out(0, 0, 299));
  EXPECT_NEAR(h.plugin->smoothedMasterGain, ref.state, 1e-14);
}

INSTANTIATE_TEST_SUITE_P(Formats, Slicing, ::testing::Values(kSample32, kSample64));

// --- Finite outputs ---

struct BadInputCase {
  ModuleKind kind;
  int32 sampleSize;
  double input;
  double gain;
  double expected;  // NaN: input × linear gain as written
};

TEST(FiniteOutputs, NonFiniteResultsAreWrittenAsZero) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  std::vector<BadInputCase> cases;
  for (const auto& [kind, size] : gainKinds()) {
    cases.push_back({kind, size, nan, 15.0 / 17.0, 0.0});
    cases.push_back({kind, size, std::numeric_limits<double>::infinity(), 15.0 / 17.0, 0.0});
    // 3e38 × +12 dB leaves the float range: 0.0 for 32-bit hosts, kept for 64-bit ones.
    cases.push_back({kind, size, 3e38, 1.0, size == kSample32 ? 0.0 : 3e38 * linearGain(1.0)});
  }
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(kindName(c.kind)) + formatName(c.sampleSize) + " input " + std::to_string(c.input));
    ProcessHarness h(c.kind, c.sampleSize);
    addMainBuses(h, c.kind, 1);
    h.plugin->setParamNormalized(gainSlot(c.kind), c.gain);
    h.block.setIn(0, 0, 5, c.input);
    h.block.setIn(0, 0, 6, 0.25);
    ASSERT_EQ(h.run(16), kResultOk);
    EXPECT_EQ(h.block.out(0, 0, 5), c.expected);
    EXPECT_EQ(h.block.out(0, 0, 4), 0.0);
    EXPECT_EQ(h.block.out(0, 0, 6), asWritten(0.25 * linearGain(c.gain), c.sampleSize));
  }
}

// --- Silence flags ---

TEST(SilenceFlags, DescribeTheWholeBlockAcrossSlices) {
  for (int32 size : {kSample32, kSample64}) {
    SCOPED_TRACE(formatName(size));
    ProcessHarness h(ModuleKind::Input, size);
    h.block.addInput(4);
    h.block.addOutput(4);
    // Channel 0: signal only in the first slice. Channel 1: silent throughout. Channel 2: signal
    // only in the last slice. Channel 3: no buffer at all.
    h.block.setIn(0, 0, 10, 0.5);
    h.block.setIn(0, 2, 400, -0.5);
    h.block.changes->add(kGain, 100, 0.8).add(kGain, 300, 0.9);
    ProcessData& data = h.block.data(512);
    data.outputs[0].channelBuffers32[3] = nullptr;  // same slot in both members of the union
    data.outputs[0].silenceFlags = ~std::uint64_t{0};
    ASSERT_EQ(h.plugin->process(data), kResultOk);
    EXPECT_EQ(data.outputs[0].silenceFlags, 0b0010u);

    // A silent-flagged input reads as silence even when its buffer carries samples.
    h.block.changes->clear();
    h.block.inputBus(0).silenceFlags = 0b0001;
    ProcessData& again = h.block.data(512);
    again.outputs[0].channelBuffers32[3] = nullptr;
    ASSERT_EQ(h.plugin->process(again), kResultOk);
    EXPECT_EQ(again.outputs[0].silenceFlags, 0b0011u);
    EXPECT_EQ(h.block.out(0, 0, 10), 0.0);
  }
}

// --- Buses ---

TEST(Buses, MissingOrInactiveOutputsAreZeroedForEveryKind) {
  for (const auto& [kind, size] : gainKinds()) {
    SCOPED_TRACE(std::string(kindName(kind)) + formatName(size));
    ProcessHarness h(kind, size);
    h.block.addInput(1);
    h.block.addOutput(1);
    const int32 outputs = h.plugin->getBusCount(kAudio, kOutput);
    // One bus past the module's own, and (where there are 64) an inactive auxiliary bus.
    for (int32 b = 1; b <= std::min(outputs, 63); ++b) h.block.addOutput(1);
    if (outputs == 1) h.block.addOutput(1);
    h.plugin->setParamNormalized(kActiveStrips, 1.0);
    h.block.fillInputs(0.5);
    h.block.fillOutputs(9.0);
    ASSERT_EQ(h.run(8), kResultOk);
    EXPECT_NE(h.block.out(0, 0, 0), 0.0);
    const int32 last = static_cast<int32>(h.block.data(8).numOutputs) - 1;
    EXPECT_EQ(h.block.out(last, 0, 0), 0.0);
    EXPECT_EQ(h.block.out(1, 0, 7), 0.0);
    EXPECT_EQ(h.block.outputBus(1).silenceFlags, 1u);
  }
}

TEST(Summing, DeactivatedInputsContributeNothing) {
  for (int32 size : {kSample32, kSample64}) {
    ProcessHarness h(ModuleKind::Summing, size);
    for (int32 b = 0; b < 3; ++b) h.block.addInput(2);
    h.block.addOutput(2);
    h.plugin->activateBus(kAudio, kInput, 1, true);  // bus 2 stays inactive
    for (int32 b = 0; b < 3; ++b) {
      for (int32 c = 0; c < 2; ++c) {
        for (int32 k = 0; k < 8; ++k) h.block.setIn(b, c, k, b == 0 ? 0.125 : b == 1 ? 0.25 : 0.5);
      }
    }
    ASSERT_EQ(h.run(8), kResultOk);
    EXPECT_EQ(h.block.out(0, 0, 3), 0.375);
    EXPECT_EQ(h.block.out(0, 1, 3), 0.375);
    h.plugin->activateBus(kAudio, kInput, 2, true);
    ASSERT_EQ(h.run(8), kResultOk);
    EXPECT_EQ(h.block.out(0, 0, 3), 0.875);
  }
}

TEST(Summing, AddsOnlyTheFirstNInputsAndSpreadsMono) {
  for (int32 size : {kSample32, kSample64}) {
    ProcessHarness h(ModuleKind::Summing, size);
    h.activateAll(kInput);
    for (int32 b = 0; b < 64; ++b) h.block.addInput(b == 1 ? 1 : 2);  // input 2 is mono
    h.block.addOutput(2);
    for (int32 b = 0; b < 64; ++b) {
      for (int32 c = 0; c < (b == 1 ? 1 : 2); ++c) h.block.setIn(b, c, 0, std::ldexp(1.0, -b) * (c == 0 ? 1 : 3));
    }
    h.plugin->setParamNormalized(kActiveStrips, 2.0 / 63.0);  // N = 3
    ASSERT_EQ(activeStripCount(2.0 / 63.0), 3);
    ASSERT_EQ(h.run(4), kResultOk);
    EXPECT_EQ(h.block.out(0, 0, 0), 1.0 + 0.5 + 0.25);
    EXPECT_EQ(h.block.out(0, 1, 0), 3.0 + 0.5 + 0.75);  // the mono input feeds both channels
  }
}

TEST(FaderBank, EachOutputHearsOnlyItsOwnInput) {
  for (int32 size : {kSample32, kSample64}) {
    SCOPED_TRACE(formatName(size));
    ProcessHarness h(ModuleKind::FaderBank, size);
    h.activateAll(kInput);
    h.activateAll(kOutput);
    h.plugin->setParamNormalized(kActiveStrips, 1.0);
    for (int32 b = 0; b < 64; ++b) {
      h.block.addInput(2);
      h.block.addOutput(2);
      h.plugin->setParamNormalized(kFaderGainBase + static_cast<uint32>(b), b / 63.0);
    }
    for (int32 b = 0; b < 64; ++b) {
      for (int32 c = 0; c < 2; ++c) h.block.setIn(b, c, 2, (b + 1) * 0.01 + c * 0.001);
    }
    ASSERT_EQ(h.run(4), kResultOk);
    for (int32 b = 0; b < 64; ++b) {
      for (int32 c = 0; c < 2; ++c) {
        const double input = asWritten((b + 1) * 0.01 + c * 0.001, size);
        ASSERT_EQ(h.block.out(b, c, 2), asWritten(input * linearGain(b / 63.0), size)) << b << "/" << c;
        ASSERT_EQ(h.block.out(b, c, 1), 0.0) << b;
      }
    }
  }
}

TEST(FaderBank, StripsPastNAndMutedStripsFadeOut) {
  for (int32 size : {kSample32, kSample64}) {
    SCOPED_TRACE(formatName(size));
    ProcessHarness h(ModuleKind::FaderBank, size);
    h.activateAll(kInput);
    h.activateAll(kOutput);
    h.plugin->setParamNormalized(kActiveStrips, 1.0);
    for (int32 b = 0; b < 64; ++b) {
      h.block.addInput(2);
      h.block.addOutput(2);
    }
    h.block.fillInputs(1.0);
    ASSERT_EQ(h.run(64), kResultOk);  // all 64 strips primed at 0 dB
    ASSERT_EQ(h.block.out(63, 1, 63), 1.0);

    h.block.changes->add(kActiveStrips, 0, 7.0 / 63.0);   // N = 8
    h.block.changes->add(kFaderMuteBase + 2, 0, 0.5);     // exactly 0.5 mutes
    h.block.changes->add(kFaderMuteBase + 3, 0, 0.4999);  // below does not
    ASSERT_EQ(h.run(512), kResultOk);
    const double fading = asWritten(std::pow(1.0 - kCoefficient, 512.0), size);
    for (int32 b = 0; b < 64; ++b) {
      const bool fades = b >= 8 || b == 2;
      SCOPED_TRACE(b);
      if (fades) {
        EXPECT_LT(h.block.out(b, 0, 0), 1.0);
        EXPECT_NEAR(h.block.out(b, 0, 511), fading, 1e-7);
        EXPECT_GT(h.block.out(b, 1, 511), 0.0);  // a fade, not a cut
      } else {
        EXPECT_EQ(h.block.out(b, 0, 511), 1.0);
      }
    }
  }
}

TEST(Breakout, SplitsChannelsToTheFirstNOutputs) {
  for (int32 size : {kSample32, kSample64}) {
    ProcessHarness h(ModuleKind::Breakout, size);
    h.activateAll(kOutput);
    h.block.addInput(4);
    for (int32 b = 0; b < 64; ++b) h.block.addOutput(1);
    for (int32 c = 0; c < 4; ++c) h.block.setIn(0, c, 1, 0.125 * (c + 1));
    h.block.fillOutputs(9.0);
    ASSERT_EQ(h.run(4), kResultOk);  // N = 8 by default
    for (int32 b = 0; b < 64; ++b) {
      SCOPED_TRACE(b);
      EXPECT_EQ(h.block.out(b, 0, 1), b < 4 ? 0.125 * (b + 1) : 0.0);
      EXPECT_EQ(h.block.outputBus(b).silenceFlags, b < 4 ? 0u : 1u);
    }
  }
}

TEST(Distributor, CopiesToTheFirstNBranches) {
  for (int32 size : {kSample32, kSample64}) {
    ProcessHarness h(ModuleKind::Distributor, size);
    h.activateAll(kOutput);
    h.plugin->setParamNormalized(kActiveStrips, 1.0 / 63.0);  // N = 2
    h.block.addInput(1);                                      // mono in, stereo out
    for (int32 b = 0; b < 64; ++b) h.block.addOutput(2);
    h.block.setIn(0, 0, 2, 0.375);
    h.block.fillOutputs(9.0);
    ASSERT_EQ(h.run(4), kResultOk);
    for (int32 b = 0; b < 64; ++b) {
      for (int32 c = 0; c < 2; ++c) EXPECT_EQ(h.block.out(b, c, 2), b < 2 ? 0.375 : 0.0) << b << "/" << c;
    }
  }
}

TEST(Recorder, PassesItsInputThrough) {
  for (int32 size : {kSample32, kSample64}) {
    ProcessHarness h(ModuleKind::Recorder, size);
    h.block.addInput(3);
    h.block.addOutput(3);
    for (int32 c = 0; c < 3; ++c) {
      for (int32 k = 0; k < 32; ++k) h.block.setIn(0, c, k, std::sin(0.1 * k + c) * 0.9);
    }
    ASSERT_EQ(h.run(32), kResultOk);
    for (int32 c = 0; c < 3; ++c) {
      for (int32 k = 0; k < 32; ++k) {
        ASSERT_EQ(h.block.out(0, c, k), asWritten(std::sin(0.1 * k + c) * 0.9, size)) << c << "/" << k;
      }
    }
  }
}

TEST(Player, WithoutAFileOutputsSilence) {
  for (int32 size : {kSample32, kSample64}) {
    ProcessHarness h(ModuleKind::Player, size);
    h.block.addOutput(2);
    h.block.fillOutputs(9.0);
    ASSERT_EQ(h.run(16), kResultOk);
    EXPECT_EQ(h.block.out(0, 0, 0), 0.0);
    EXPECT_EQ(h.block.out(0, 1, 15), 0.0);
    EXPECT_EQ(h.block.outputBus(0).silenceFlags, 3u);
  }
}

}  // namespace
}  // namespace varnolith::testing
