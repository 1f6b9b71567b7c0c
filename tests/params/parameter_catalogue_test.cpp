// The parameters each kind registers, their value strings and conversions, and the controller's
// normalized-value rules over the parameter store.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <ostream>
#include <string>
#include <vector>

#include "params/gain_law.h"
#include "params/parameter_ids.h"
#include "plugin/utility_plugin.h"
#include "support/host_objects.h"
#include "vst3/string16.h"

namespace varnolith::plugins {
namespace {

using Steinberg::IPtr;
using Steinberg::kResultFalse;
using Steinberg::kResultTrue;
using Steinberg::Vst::ParameterInfo;
using Steinberg::Vst::String128;

IPtr<UtilityPlugin> makePlugin(ModuleKind kind) {
  auto plugin = IPtr<UtilityPlugin>::adopt(new UtilityPlugin(kind));
  auto host = testing::makeHostObject<testing::HostApplication>();
  EXPECT_EQ(plugin->initialize(host.get()), Steinberg::kResultOk);
  return plugin;
}

std::string narrow(const Steinberg::char16* text) {
  return Steinberg::utf16ToUtf8(std::u16string_view(text, Steinberg::string16Length(text, 128)));
}

struct Registered {
  Steinberg::Vst::ParamID id;
  std::string title;
  std::string units;
  Steinberg::int32 steps;
  double defaultNormalized;
};

const Registered kActive{kActiveStrips, "Active strips / branches", "", 63, 1.0 / 9.0};
const Registered kGainParam{kGain, "Gain", "dB", 0, 15.0 / 17.0};
const Registered kFollow{kFollowTransport, "Follow DAW transport", "", 1, 1.0};
const Registered kPlay{kPlayRecord, "Play / Record", "", 1, 0.0};
const Registered kSilence{kTailSilenceTime, "Tail silence time", "s", 0, 0.05};
const Registered kMaxTail{kMaximumTail, "Maximum tail", "s", 0, 1.0 / 120.0};

std::vector<Registered> faderBankList() {
  std::vector<Registered> list{kActive};
  for (Steinberg::uint32 n = 0; n < 64; ++n) {
    const std::string number = std::to_string(n + 1);
    list.push_back({kFaderGainBase + n, "Fader " + number + " gain", "dB", 0, 15.0 / 17.0});
    list.push_back({kFaderMuteBase + n, "Fader " + number + " mute", "", 1, 0.0});
  }
  return list;
}

struct KindCase {
  ModuleKind kind;
  std::vector<Registered> expected;
};

void PrintTo(const KindCase& c, std::ostream* os) { *os << "kind " << static_cast<int>(c.kind); }

class CatalogueByKind : public ::testing::TestWithParam<KindCase> {};

TEST_P(CatalogueByKind, RegistersExactlyTheKindsParametersInOrder) {
  const auto& param = GetParam();
  auto plugin = makePlugin(param.kind);
  ASSERT_EQ(plugin->getParameterCount(), static_cast<Steinberg::int32>(param.expected.size()));
  for (std::size_t i = 0; i < param.expected.size(); ++i) {
    SCOPED_TRACE(i);
    const Registered& want = param.expected[i];
    ParameterInfo info{};
    ASSERT_EQ(plugin->getParameterInfo(static_cast<Steinberg::int32>(i), info), kResultTrue);
    EXPECT_EQ(info.id, want.id);
    EXPECT_EQ(narrow(info.title), want.title);
    EXPECT_EQ(narrow(info.shortTitle), "");
    EXPECT_EQ(narrow(info.units), want.units);
    EXPECT_EQ(info.stepCount, want.steps);
    EXPECT_NEAR(info.defaultNormalizedValue, want.defaultNormalized, 1e-12);
    EXPECT_EQ(info.flags, ParameterInfo::kCanAutomate);
    EXPECT_EQ(info.unitId, 0);
    // The registered default agrees with the store's initial slot.
    EXPECT_NEAR(plugin->getParamNormalized(want.id), want.defaultNormalized, 1e-12);
  }
  ParameterInfo info{};
  EXPECT_EQ(plugin->getParameterInfo(static_cast<Steinberg::int32>(param.expected.size()), info), kResultFalse);
  EXPECT_EQ(plugin->getParameterInfo(-1, info), kResultFalse);
}

INSTANTIATE_TEST_SUITE_P(
    AllKinds, CatalogueByKind,
    ::testing::Values(KindCase{ModuleKind::Input, {kGainParam}}, KindCase{ModuleKind::Output, {kGainParam}},
                      KindCase{ModuleKind::Summing, {kActive, kGainParam}},
                      KindCase{ModuleKind::Breakout, {kActive, kGainParam}},
                      KindCase{ModuleKind::Player, {kFollow, kPlay}},
                      KindCase{ModuleKind::Recorder, {kFollow, kPlay, kSilence, kMaxTail}},
                      KindCase{ModuleKind::FaderBank, faderBankList()},
                      KindCase{ModuleKind::Distributor, {kActive, kGainParam}}));

struct StringCase {
  ModuleKind kind;
  Steinberg::Vst::ParamID id;
  double normalized;
  std::string text;
};

void PrintTo(const StringCase& c, std::ostream* os) { *os << "id " << c.id << " at " << c.normalized << " -> " << c.text; }

class ValueStrings : public ::testing::TestWithParam<StringCase> {};

TEST_P(ValueStrings, FormatsThePlainValue) {
  const auto& c = GetParam();
  auto plugin = makePlugin(c.kind);
  String128 text{};
  ASSERT_EQ(plugin->getParamStringByValue(c.id, c.normalized, text), kResultTrue);
  EXPECT_EQ(narrow(text), c.text);
}

// 0.88235294f is 15/17 as a host might send it through a float: a hair below 0 dB, which must not
// read as "-0.0000".
INSTANTIATE_TEST_SUITE_P(
    Table, ValueStrings,
    ::testing::Values(StringCase{ModuleKind::Summing, kActiveStrips, 1.0, "64"},
                      StringCase{ModuleKind::Summing, kActiveStrips, 1.0 / 9.0, "8"},
                      StringCase{ModuleKind::Summing, kActiveStrips, 0.0, "1"},
                      StringCase{ModuleKind::Input, kGain, 0.0, "-90.0000"},
                      StringCase{ModuleKind::Input, kGain, 15.0 / 17.0, "0.0000"},
                      StringCase{ModuleKind::Input, kGain, static_cast<double>(0.88235294f), "0.0000"},
                      StringCase{ModuleKind::Input, kGain, 15.0 / 17.0 - 1e-9, "0.0000"},
                      StringCase{ModuleKind::Input, kGain, 1.0, "12.0000"},
                      StringCase{ModuleKind::FaderBank, kFaderGainBase + 63, 15.0 / 17.0 - 1e-9, "0.0000"},
                      StringCase{ModuleKind::FaderBank, kFaderGainBase, 0.0, "-90.0000"},
                      StringCase{ModuleKind::Recorder, kTailSilenceTime, 0.05, "0.5000"},
                      StringCase{ModuleKind::Recorder, kMaximumTail, 1.0 / 120.0, "30.0000"},
                      StringCase{ModuleKind::Recorder, kFollowTransport, 0.5, "Off"},
                      StringCase{ModuleKind::Recorder, kFollowTransport, std::nextafter(0.5, 1.0), "On"},
                      StringCase{ModuleKind::Player, kPlayRecord, 1.0, "On"},
                      StringCase{ModuleKind::FaderBank, kFaderMuteBase + 5, 0.5, "Off"},
                      StringCase{ModuleKind::FaderBank, kFaderMuteBase + 5, 0.75, "On"}));

TEST(ValueStrings, UnregisteredIdsAreRefused) {
  auto plugin = makePlugin(ModuleKind::FaderBank);
  String128 text{};
  EXPECT_EQ(plugin->getParamStringByValue(kGain, 0.5, text), kResultFalse);
  Steinberg::char16 input[] = u"3";
  double value = -1.0;
  EXPECT_EQ(plugin->getParamValueByString(kGain, input, value), kResultFalse);
  EXPECT_EQ(value, -1.0);
}

struct ParseCase {
  Steinberg::Vst::ParamID id;
  std::u16string text;
  bool ok;
  double normalized;
};

TEST(ValueStrings, ParsesNumbersWithTheParametersOwnMapping) {
  auto plugin = makePlugin(ModuleKind::Recorder);
  auto summing = makePlugin(ModuleKind::Summing);
  const ParseCase recorderCases[] = {
      {kTailSilenceTime, u"0.5", true, 0.05},  {kTailSilenceTime, u"25", true, 1.0},
      {kMaximumTail, u"-3", true, 0.0},        {kFollowTransport, u"0.25", true, 0.25},
      {kFollowTransport, u"On", false, 0.0},   {kPlayRecord, u"", false, 0.0},
  };
  for (const auto& c : recorderCases) {
    SCOPED_TRACE(Steinberg::utf16ToUtf8(c.text));
    std::u16string buffer = c.text;
    double value = -1.0;
    EXPECT_EQ(plugin->getParamValueByString(c.id, buffer.data(), value), c.ok ? kResultTrue : kResultFalse);
    if (c.ok) {
      EXPECT_NEAR(value, c.normalized, 1e-12);
    }
  }
  std::u16string eight = u"8";
  double value = 0.0;
  ASSERT_EQ(summing->getParamValueByString(kActiveStrips, eight.data(), value), kResultTrue);
  EXPECT_NEAR(value, 7.0 / 63.0, 1e-12);
  std::u16string gain = u"-6";
  ASSERT_EQ(summing->getParamValueByString(kGain, gain.data(), value), kResultTrue);
  EXPECT_NEAR(value, 84.0 / 102.0, 1e-12);
}

TEST(Conversions, FollowTheRegisteredMapping) {
  auto fader = makePlugin(ModuleKind::FaderBank);
  auto input = makePlugin(ModuleKind::Input);
  auto summing = makePlugin(ModuleKind::Summing);
  auto recorder = makePlugin(ModuleKind::Recorder);
  EXPECT_NEAR(input->normalizedParamToPlain(kGain, 15.0 / 17.0), 0.0, 1e-12);
  EXPECT_NEAR(input->normalizedParamToPlain(kGain, 0.0), -90.0, 1e-12);
  EXPECT_NEAR(input->plainParamToNormalized(kGain, 12.0), 1.0, 1e-12);
  EXPECT_EQ(summing->normalizedParamToPlain(kActiveStrips, 1.0 / 9.0), 8.0);
  EXPECT_EQ(summing->normalizedParamToPlain(kActiveStrips, 1.0), 64.0);
  EXPECT_EQ(summing->normalizedParamToPlain(kActiveStrips, 0.0), 1.0);
  EXPECT_NEAR(summing->plainParamToNormalized(kActiveStrips, 64.0), 1.0, 1e-12);
  EXPECT_EQ(recorder->normalizedParamToPlain(kPlayRecord, 0.3), 0.3);
  EXPECT_NEAR(recorder->normalizedParamToPlain(kMaximumTail, 0.5), 1800.0, 1e-9);
  // Not registered on these kinds: the value passes through unchanged.
  EXPECT_EQ(fader->normalizedParamToPlain(999, 0.3), 0.3);
  EXPECT_EQ(fader->plainParamToNormalized(kGain, -6.0), -6.0);
  EXPECT_EQ(input->normalizedParamToPlain(kActiveStrips, 0.3), 0.3);
}

TEST(GainLaw, MatchesTheDecibelScaleAndStripCount) {
  EXPECT_DOUBLE_EQ(linearGain(15.0 / 17.0), 1.0);
  EXPECT_NEAR(linearGain(0.0), std::pow(10.0, -90.0 / 20.0), 1e-18);
  EXPECT_NEAR(linearGain(1.0), std::pow(10.0, 12.0 / 20.0), 1e-12);
  EXPECT_EQ(activeStripCount(0.0), 1);
  EXPECT_EQ(activeStripCount(1.0 / 9.0), 8);
  EXPECT_EQ(activeStripCount(1.0), 64);
  EXPECT_EQ(activeStripCount(0.5 / 63.0), 2);  // halves round away from zero
  EXPECT_EQ(activeStripCount(0.49 / 63.0), 1);
}

TEST(NormalizedValues, ReadTheStoreForEveryIdBelow512) {
  auto fader = makePlugin(ModuleKind::FaderBank);
  EXPECT_DOUBLE_EQ(fader->getParamNormalized(kGain), 15.0 / 17.0);  // not registered here
  EXPECT_EQ(fader->getParamNormalized(512), 0.0);
  EXPECT_EQ(fader->getParamNormalized(0xFFFFFFFFu), 0.0);
  EXPECT_EQ(fader->getParamNormalized(kPlayRecord), 0.0);
  EXPECT_EQ(fader->getParamNormalized(511), 0.0);
}

struct SetCase {
  const char* name;
  Steinberg::Vst::ParamID id;
  double value;
  Steinberg::tresult result;
  double slotAfter;  // NaN: the slot must keep its value from before
};

TEST(NormalizedValues, SetWritesTheStoreThenTheRegisteredObject) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const SetCase cases[] = {
      {"clamped high", kGain, 1.5, kResultTrue, 1.0},
      {"clamped low", kGain, -0.5, kResultTrue, 0.0},
      {"NaN kept", kGain, nan, kResultTrue, nan},
      {"infinity kept", kGain, inf, kResultTrue, nan},
      {"unregistered slot written", 300, 0.5, kResultFalse, 0.5},
      {"unregistered toggle slot", kPlayRecord, 1.0, kResultFalse, 1.0},
      {"no slot", 700, 0.5, kResultFalse, nan},
      {"last slot", 511, 0.25, kResultFalse, 0.25},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto plugin = makePlugin(ModuleKind::Input);
    const double before = plugin->getParamNormalized(c.id);
    EXPECT_EQ(plugin->setParamNormalized(c.id, c.value), c.result);
    const double expected = std::isnan(c.slotAfter) ? before : c.slotAfter;
    EXPECT_EQ(plugin->getParamNormalized(c.id), expected);
    if (c.result == kResultTrue) {
      EXPECT_EQ(plugin->getParameterObject(c.id)->getNormalized(), expected);
    }
  }
}

TEST(NormalizedValues, Slot700IsNeverWritten) {
  auto plugin = makePlugin(ModuleKind::Input);
  plugin->setParamNormalized(700, 0.5);
  // 700 has no slot; nothing in the store moved either.
  for (Steinberg::uint32 id = 0; id < 512; ++id) {
    const double fresh = UtilityPlugin(ModuleKind::Input).parameters.readParameter(id);
    ASSERT_EQ(plugin->getParamNormalized(id), fresh) << id;
  }
}

TEST(EditParameter, ReportsBeginPerformEndAroundTheStoreWrite) {
  auto plugin = makePlugin(ModuleKind::FaderBank);
  auto handler = testing::makeHostObject<testing::RecordingComponentHandler>();
  ASSERT_EQ(plugin->setComponentHandler(handler.get()), Steinberg::kResultOk);
  plugin->editParameter(kFaderMuteBase + 3, 1.0);
  plugin->editParameter(kFaderGainBase + 3, 1.4);
  using Call = testing::RecordingComponentHandler::Call;
  const std::vector<testing::RecordingComponentHandler::Entry> expected{
      {Call::Begin, kFaderMuteBase + 3, 0.0}, {Call::Perform, kFaderMuteBase + 3, 1.0},
      {Call::End, kFaderMuteBase + 3, 0.0},   {Call::Begin, kFaderGainBase + 3, 0.0},
      {Call::Perform, kFaderGainBase + 3, 1.4}, {Call::End, kFaderGainBase + 3, 0.0}};
  EXPECT_EQ(handler->calls, expected);
  EXPECT_EQ(plugin->getParamNormalized(kFaderMuteBase + 3), 1.0);
  EXPECT_EQ(plugin->getParamNormalized(kFaderGainBase + 3), 1.0);
  EXPECT_EQ(plugin->getParameterObject(kFaderMuteBase + 3)->getNormalized(), 1.0);
  EXPECT_EQ(plugin->getParameterObject(kFaderGainBase + 3)->getNormalized(), 1.0);
}

// The handler sees the value only after the store holds it, so a host reading back during
// performEdit gets the new value.
class ReadBackHandler : public testing::RecordingComponentHandler {
 public:
  UtilityPlugin* plugin = nullptr;
  double seenAtBegin = -1.0;
  double seenAtPerform = -1.0;
  Steinberg::tresult PLUGIN_API beginEdit(ParamID id) override {
    seenAtBegin = plugin->getParamNormalized(id);
    return RecordingComponentHandler::beginEdit(id);
  }
  Steinberg::tresult PLUGIN_API performEdit(ParamID id, ParamValue value) override {
    seenAtPerform = plugin->getParamNormalized(id);
    return RecordingComponentHandler::performEdit(id, value);
  }
};

TEST(EditParameter, StoresBetweenBeginAndPerform) {
  auto plugin = makePlugin(ModuleKind::Input);
  auto handler = testing::makeHostObject<ReadBackHandler>();
  handler->plugin = plugin.get();
  plugin->setComponentHandler(handler.get());
  plugin->editParameter(kGain, 0.25);
  EXPECT_DOUBLE_EQ(handler->seenAtBegin, 15.0 / 17.0);
  EXPECT_EQ(handler->seenAtPerform, 0.25);
  plugin->setComponentHandler(nullptr);
}

TEST(EditParameter, WorksWithoutAHandler) {
  auto plugin = makePlugin(ModuleKind::Input);
  plugin->editParameter(kGain, 0.5);
  EXPECT_EQ(plugin->getParamNormalized(kGain), 0.5);
}

TEST(Lifecycle, PlayRecordIsClearedWhenProcessingOrActivationEnds) {
  for (bool viaActive : {false, true}) {
    auto plugin = makePlugin(ModuleKind::Player);
    plugin->setParamNormalized(kPlayRecord, 1.0);
    ASSERT_EQ(plugin->getParamNormalized(kPlayRecord), 1.0);
    if (viaActive) {
      plugin->setActive(false);
    } else {
      plugin->setProcessing(false);
    }
    EXPECT_EQ(plugin->getParamNormalized(kPlayRecord), 0.0) << viaActive;
  }
}

}  // namespace
}  // namespace varnolith::plugins
