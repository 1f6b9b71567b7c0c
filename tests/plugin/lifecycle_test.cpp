// Module identity, buses, arrangement negotiation, setup and lifecycle of every kind.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "entry/module_kind.h"
#include "params/parameter_ids.h"
#include "plugin/utility_plugin.h"
#include "support/host_objects.h"
#include "vst3/ivstunits.h"

namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;
using varnolith::plugins::ModuleKind;
using varnolith::plugins::UtilityPlugin;
namespace vp = varnolith::plugins;

IPtr<UtilityPlugin> makePlugin(ModuleKind kind, bool initialize = true) {
  auto plugin = IPtr<UtilityPlugin>::adopt(new UtilityPlugin(kind));
  if (initialize) {
    EXPECT_EQ(plugin->initialize(nullptr), kResultOk);
  }
  return plugin;
}

IComponent* component(UtilityPlugin* p) { return p; }
IAudioProcessor* processor(UtilityPlugin* p) { return p; }

TEST(ModuleKinds, DisplayNames) {
  const std::pair<int, const char*> cases[] = {
      {1, "VARNOLITH INPUT"},    {2, "VARNOLITH OUTPUT"},     {3, "VARNOLITH SUMMING"},
      {4, "VARNOLITH BREAKOUT"}, {5, "VARNOLITH PLAYER"},     {6, "VARNOLITH RECORDER"},
      {7, "VARNOLITH FADER BANK"}, {8, "VARNOLITH DISTRIBUTOR"}, {0, "VARNOLITH FADER BANK"},
      {9, "VARNOLITH FADER BANK"}, {-3, "VARNOLITH FADER BANK"},
  };
  for (const auto& [number, name] : cases) {
    EXPECT_STREQ(vp::moduleDisplayName(static_cast<ModuleKind>(number)), name) << number;
  }
}

struct BusLayout {
  ModuleKind kind;
  int32 inputs;
  int32 outputs;
  int32 outputChannels;  // default arrangement's channel count
  int32 eventInputs;
  int32 eventOutputs;
  const char16_t* eventName;
};

const BusLayout kLayouts[] = {
    {ModuleKind::Input, 1, 1, 2, 0, 0, nullptr},
    {ModuleKind::Output, 1, 1, 2, 0, 0, nullptr},
    {ModuleKind::Summing, 64, 1, 2, 0, 0, nullptr},
    {ModuleKind::Breakout, 1, 64, 1, 0, 0, nullptr},
    {ModuleKind::Player, 0, 1, 2, 0, 1, u"Player Sync"},
    {ModuleKind::Recorder, 1, 1, 2, 1, 0, u"Recorder Sync"},
    {ModuleKind::FaderBank, 64, 64, 2, 0, 0, nullptr},
    {ModuleKind::Distributor, 1, 64, 2, 0, 0, nullptr},
};

TEST(Buses, EveryKindCreatesItsBusesWithNamesTypesFlagsAndArrangements) {
  for (const auto& layout : kLayouts) {
    SCOPED_TRACE(vp::moduleDisplayName(layout.kind));
    auto plugin = makePlugin(layout.kind);
    IComponent* c = component(plugin.get());
    ASSERT_EQ(c->getBusCount(kAudio, kInput), layout.inputs);
    ASSERT_EQ(c->getBusCount(kAudio, kOutput), layout.outputs);
    EXPECT_EQ(c->getBusCount(kEvent, kInput), layout.eventInputs);
    EXPECT_EQ(c->getBusCount(kEvent, kOutput), layout.eventOutputs);
    for (int32 dir : {kInput, kOutput}) {
      const int32 count = dir == kInput ? layout.inputs : layout.outputs;
      for (int32 i = 0; i < count; ++i) {
        BusInfo info{};
        ASSERT_EQ(c->getBusInfo(kAudio, dir, i, info), kResultOk);
        const std::string expectedName = (dir == kInput ? "Input " : "Output ") + std::to_string(i + 1);
        EXPECT_EQ(std::u16string(info.name), std::u16string(expectedName.begin(), expectedName.end()));
        EXPECT_EQ(info.mediaType, kAudio);
        EXPECT_EQ(info.direction, dir);
        EXPECT_EQ(info.channelCount, dir == kInput ? 2 : layout.outputChannels);
        EXPECT_EQ(info.busType, i == 0 ? kMain : kAux);
        EXPECT_EQ(info.flags, i == 0 ? uint32{BusInfo::kDefaultActive} : 0u);
        EXPECT_EQ(plugin->audioBuses(dir).at(i)->isActive(), i == 0);
        SpeakerArrangement arr = 0;
        ASSERT_EQ(processor(plugin.get())->getBusArrangement(dir, i, arr), kResultOk);
        EXPECT_EQ(arr, dir == kOutput && layout.outputChannels == 1 ? SpeakerArr::kMono : SpeakerArr::kStereo);
      }
    }
    if (layout.eventName) {
      BusInfo info{};
      const int32 dir = layout.eventInputs ? kInput : kOutput;
      ASSERT_EQ(c->getBusInfo(kEvent, dir, 0, info), kResultOk);
      EXPECT_EQ(std::u16string(info.name), layout.eventName);
      EXPECT_EQ(info.channelCount, 1);
      EXPECT_EQ(info.busType, kMain);
      EXPECT_EQ(info.flags, uint32{BusInfo::kDefaultActive});
    }
    SpeakerArrangement arr = 0;
    EXPECT_EQ(processor(plugin.get())->getBusArrangement(2, 0, arr), kInvalidArgument);
    EXPECT_EQ(processor(plugin.get())->getBusArrangement(-1, 0, arr), kInvalidArgument);
    EXPECT_EQ(processor(plugin.get())->getBusArrangement(kInput, -1, arr), kInvalidArgument);
    EXPECT_EQ(processor(plugin.get())->getBusArrangement(kOutput, layout.outputs, arr), kInvalidArgument);
  }
}

constexpr SpeakerArrangement k51 = 0x3F;  // six speakers

SpeakerArrangement channels(int n) { return n >= 64 ? ~SpeakerArrangement{0} : (SpeakerArrangement{1} << n) - 1; }

struct ArrangementCase {
  const char* name;
  ModuleKind kind;
  std::vector<SpeakerArrangement> ins;
  std::vector<SpeakerArrangement> outs;
  tresult expected;
};

std::vector<SpeakerArrangement> repeat(int count, SpeakerArrangement arr) {
  return std::vector<SpeakerArrangement>(static_cast<std::size_t>(count), arr);
}

TEST(Arrangements, AcceptedAndRefusedByKindLimits) {
  auto fader = [](int index, SpeakerArrangement arr) {
    auto v = repeat(64, SpeakerArr::kStereo);
    v[static_cast<std::size_t>(index)] = arr;
    return v;
  };
  auto summingWith51 = repeat(64, SpeakerArr::kMono);
  summingWith51[5] = k51;
  const ArrangementCase cases[] = {
      {"summing mono and stereo", ModuleKind::Summing, [] {
         auto v = repeat(64, SpeakerArr::kStereo);
         for (std::size_t i = 0; i < v.size(); i += 2) v[i] = SpeakerArr::kMono;
         return v;
       }(), {SpeakerArr::kMono}, kResultOk},
      {"summing 5.1 input", ModuleKind::Summing, summingWith51, {SpeakerArr::kStereo}, kResultFalse},
      {"summing too few inputs", ModuleKind::Summing, repeat(63, SpeakerArr::kStereo), {SpeakerArr::kStereo},
       kResultFalse},
      {"breakout stereo output", ModuleKind::Breakout, {SpeakerArr::kStereo},
       [] { auto v = repeat(64, SpeakerArr::kMono); v[3] = SpeakerArr::kStereo; return v; }(), kResultFalse},
      {"breakout 64 in, 64 mono out", ModuleKind::Breakout, {channels(64)}, repeat(64, SpeakerArr::kMono), kResultOk},
      {"fader bank mismatch", ModuleKind::FaderBank, repeat(64, SpeakerArr::kStereo),
       fader(3, SpeakerArr::kMono), kResultFalse},
      {"fader bank equal", ModuleKind::FaderBank, fader(3, SpeakerArr::kMono), fader(3, SpeakerArr::kMono), kResultOk},
      {"player without inputs", ModuleKind::Player, {}, {channels(64)}, kResultOk},
      {"player with an input", ModuleKind::Player, {SpeakerArr::kStereo}, {SpeakerArr::kStereo}, kResultFalse},
      {"input 64 channels", ModuleKind::Input, {channels(64)}, {channels(64)}, kResultOk},
      {"zero arrangement", ModuleKind::Input, {0}, {SpeakerArr::kStereo}, kResultFalse},
      {"output zero arrangement", ModuleKind::Output, {SpeakerArr::kStereo}, {0}, kResultFalse},
      {"distributor 3 channels in", ModuleKind::Distributor, {0x7}, repeat(64, SpeakerArr::kStereo), kResultFalse},
      {"recorder 64 in", ModuleKind::Recorder, {channels(64)}, {SpeakerArr::kMono}, kResultOk},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto plugin = makePlugin(c.kind);
    auto ins = c.ins;
    auto outs = c.outs;
    std::vector<SpeakerArrangement> before;
    for (int32 i = 0; i < plugin->audioBuses(kInput).size(); ++i) {
      SpeakerArrangement a = 0;
      processor(plugin.get())->getBusArrangement(kInput, i, a);
      before.push_back(a);
    }
    EXPECT_EQ(processor(plugin.get())->setBusArrangements(ins.empty() ? nullptr : ins.data(),
                                                          static_cast<int32>(ins.size()),
                                                          outs.data(), static_cast<int32>(outs.size())),
              c.expected);
    for (int32 i = 0; i < plugin->audioBuses(kInput).size(); ++i) {
      SpeakerArrangement a = 0;
      processor(plugin.get())->getBusArrangement(kInput, i, a);
      EXPECT_EQ(a, c.expected == kResultOk ? ins[static_cast<std::size_t>(i)] : before[static_cast<std::size_t>(i)]);
    }
  }
}

TEST(Arrangements, RefusedWhileProcessingAndForBadCounts) {
  auto plugin = makePlugin(ModuleKind::Input);
  IAudioProcessor* p = processor(plugin.get());
  SpeakerArrangement in = SpeakerArr::kMono, out = SpeakerArr::kMono;
  EXPECT_EQ(p->setBusArrangements(&in, -1, &out, 1), kResultFalse);
  EXPECT_EQ(p->setBusArrangements(nullptr, 1, &out, 1), kResultFalse);
  EXPECT_EQ(p->setBusArrangements(&in, 1, nullptr, 1), kResultFalse);
  EXPECT_EQ(p->setBusArrangements(&in, 1, &out, 0), kResultFalse);
  ASSERT_EQ(p->setProcessing(1), kResultOk);
  EXPECT_EQ(p->setBusArrangements(&in, 1, &out, 1), kResultFalse);
  ASSERT_EQ(p->setProcessing(0), kResultOk);
  EXPECT_EQ(p->setBusArrangements(&in, 1, &out, 1), kResultOk);
  BusInfo info{};
  component(plugin.get())->getBusInfo(kAudio, kOutput, 0, info);
  EXPECT_EQ(info.channelCount, 1);
}

TEST(Setup, BoundsAndSampleSizes) {
  struct Case {
    int32 block;
    double rate;
    int32 size;
    tresult expected;
  };
  const Case cases[] = {
      {0, 48000, 0, kInvalidArgument},      {65537, 48000, 0, kInvalidArgument}, {-5, 48000, 0, kInvalidArgument},
      {1, 48000, 0, kResultOk},             {65536, 48000, 1, kResultOk},        {512, 7999, 0, kInvalidArgument},
      {512, 384001, 0, kInvalidArgument},   {512, 8000, 0, kResultOk},           {512, 384000, 0, kResultOk},
      {512, 1234.5678, 0, kInvalidArgument}, {512, 1234567.8, 0, kInvalidArgument},
      {512, std::nan(""), 0, kInvalidArgument}, {512, 48000, 2, kInvalidArgument}, {512, 48000, -1, kInvalidArgument},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.block) + " " + std::to_string(c.rate) + " " + std::to_string(c.size));
    auto plugin = makePlugin(ModuleKind::Summing);
    ProcessSetup setup{kRealtime, c.size, c.block, c.rate};
    EXPECT_EQ(processor(plugin.get())->setupProcessing(setup), c.expected);
    if (c.expected == kResultOk) {
      EXPECT_EQ(plugin->maxBlockSize, static_cast<uint32>(c.block));
      EXPECT_EQ(plugin->sampleRate, c.rate);
      ASSERT_EQ(plugin->scratchStorage.size(), 64u * static_cast<std::size_t>(c.block));
      for (int ch = 0; ch < 64; ++ch) {
        EXPECT_EQ(plugin->scratchChannels[ch], plugin->scratchStorage.data() + ch * c.block);
        EXPECT_EQ(plugin->captureChannels[ch], plugin->scratchChannels[ch]);
      }
    } else {
      EXPECT_EQ(plugin->maxBlockSize, 512u);
      EXPECT_EQ(plugin->sampleRate, 48000.0);
      EXPECT_TRUE(plugin->scratchStorage.empty());
    }
  }
  auto plugin = makePlugin(ModuleKind::Input);
  const std::pair<int32, tresult> sizes[] = {{0, kResultOk}, {1, kResultOk}, {2, kResultFalse}, {-1, kResultFalse}};
  for (const auto& [size, expected] : sizes) EXPECT_EQ(processor(plugin.get())->canProcessSampleSize(size), expected);
}

TEST(Setup, GrowingKeepsScratchContents) {
  auto plugin = makePlugin(ModuleKind::Input);
  ProcessSetup small{kRealtime, kSample32, 4, 48000.0};
  ASSERT_EQ(processor(plugin.get())->setupProcessing(small), kResultOk);
  plugin->scratchStorage[3] = 0.25f;
  ProcessSetup large{kRealtime, kSample32, 8, 48000.0};
  ASSERT_EQ(processor(plugin.get())->setupProcessing(large), kResultOk);
  EXPECT_EQ(plugin->scratchStorage[3], 0.25f);
  EXPECT_EQ(plugin->scratchStorage[500], 0.0f);
}

TEST(Lifecycle, DefaultsOfTheParameterStoreAndContextRequirements) {
  auto plugin = makePlugin(ModuleKind::FaderBank, false);
  for (uint32 id = 0; id < 520; ++id) {
    double expected = 0.0;
    if (id == 0) expected = 1.0 / 9.0;
    if (id == 1 || (id >= 100 && id <= 163)) expected = 15.0 / 17.0;
    if (id == 2) expected = 1.0;
    if (id == 400) expected = 0.05;
    if (id == 401) expected = 1.0 / 120.0;
    EXPECT_EQ(plugin->getParamNormalized(id), expected) << id;
  }
  auto requirements = queryInterfacePtr<IProcessContextRequirements>(component(plugin.get()));
  ASSERT_TRUE(requirements);
  EXPECT_EQ(requirements->getProcessContextRequirements(), 0x402u);
}

TEST(Lifecycle, StoppingProcessingOrDeactivatingSwitchesPlayRecordOff) {
  for (bool viaDeactivate : {false, true}) {
    auto plugin = makePlugin(ModuleKind::Player);
    ProcessSetup setup{kRealtime, kSample32, 256, 44100.0};
    ASSERT_EQ(processor(plugin.get())->setupProcessing(setup), kResultOk);
    ASSERT_EQ(component(plugin.get())->setActive(1), kResultOk);
    ASSERT_EQ(processor(plugin.get())->setProcessing(1), kResultOk);
    EXPECT_TRUE(plugin->processing.load());
    plugin->setParamNormalized(vp::kPlayRecord, 1.0);
    plugin->previousRun = true;
    plugin->smoothingPrimed = true;
    plugin->sampleCounter = 777;
    if (viaDeactivate) {
      ASSERT_EQ(component(plugin.get())->setActive(0), kResultOk);
      EXPECT_TRUE(plugin->smoothingPrimed);  // only the end of processing resets the smoothers
    } else {
      ASSERT_EQ(processor(plugin.get())->setProcessing(0), kResultOk);
      EXPECT_FALSE(plugin->smoothingPrimed);
    }
    EXPECT_FALSE(plugin->processing.load());
    EXPECT_EQ(plugin->getParamNormalized(vp::kPlayRecord), 0.0);
    EXPECT_FALSE(plugin->previousRun);
    EXPECT_EQ(plugin->sampleCounter, 777u);
  }
}

TEST(Lifecycle, InitializeTwiceFailsAndTerminateKeepsTheStore) {
  auto plugin = makePlugin(ModuleKind::FaderBank);
  auto host = varnolith::testing::makeHostObject<varnolith::testing::HostApplication>();
  EXPECT_EQ(plugin->initialize(host.get()), kResultFalse);
  EXPECT_EQ(plugin->getParameterCount(), 129);
  plugin->setParamNormalized(105, 0.25);
  EXPECT_EQ(plugin->terminate(), kResultOk);
  EXPECT_EQ(plugin->getParameterCount(), 0);
  EXPECT_EQ(component(plugin.get())->getBusCount(kAudio, kInput), 0);
  EXPECT_EQ(plugin->getParamNormalized(105), 0.25);
  EXPECT_EQ(plugin->initialize(host.get()), kResultOk);
  EXPECT_EQ(host->refCount(), 2u);
  EXPECT_EQ(plugin->terminate(), kResultOk);
  EXPECT_EQ(host->refCount(), 1u);
}

TEST(Lifecycle, OneObjectAnswersEveryInterfaceAndTheLastReleaseDestroysIt) {
  auto* plugin = new UtilityPlugin(ModuleKind::Recorder);
  FUnknown* unknown = static_cast<IComponent*>(plugin);
  const UidBytes* ids[] = {&FUnknown::iid, &IPluginBase::iid, &IComponent::iid, &IAudioProcessor::iid,
                           &IProcessContextRequirements::iid, &IEditController::iid, &IEditController2::iid,
                           &IUnitInfo::iid, &IConnectionPoint::iid};
  for (const UidBytes* id : ids) {
    void* obj = nullptr;
    ASSERT_EQ(unknown->queryInterface(id->bytes, &obj), kResultOk);
    ASSERT_NE(obj, nullptr);
    static_cast<FUnknown*>(obj)->release();
  }
  void* obj = reinterpret_cast<void*>(0x1);
  EXPECT_EQ(unknown->queryInterface(IPlugFrame::iid.bytes, &obj), kNoInterface);
  EXPECT_EQ(obj, nullptr);
  EXPECT_EQ(plugin->getRefCount(), 1u);
  EXPECT_EQ(unknown->release(), 0u);
}

}  // namespace
