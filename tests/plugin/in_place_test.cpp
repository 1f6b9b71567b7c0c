// Hosts may hand the same buffer for input bus b channel c and output bus b channel c.
#include <gtest/gtest.h>

#include <vector>

#include "params/gain_law.h"
#include "params/parameter_ids.h"
#include "plugin/process_harness.h"

namespace varnolith::testing {
namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;

struct InPlaceCase {
  ModuleKind kind;
  int32 inputChannels;   // of input bus 0
  int32 outputChannels;  // of every output bus
};

class InPlace : public ::testing::TestWithParam<std::tuple<InPlaceCase, int32>> {};

TEST_P(InPlace, SharedBuffersGiveTheSameOutputAsSeparateOnes) {
  const auto [c, sampleSize] = GetParam();
  const int32 n = 64;
  auto render = [&, c = c, sampleSize = sampleSize](bool inPlace) {
    ProcessHarness h(c.kind, sampleSize);
    EXPECT_TRUE(h.ok);
    const SpeakerArrangement in = c.inputChannels == 1 ? SpeakerArr::kMono : SpeakerArr::kStereo;
    const SpeakerArrangement out = c.outputChannels == 1 ? SpeakerArr::kMono : SpeakerArr::kStereo;
    h.plugin->setProcessing(false);
    h.plugin->setActive(false);
    std::vector<SpeakerArrangement> ins(static_cast<std::size_t>(h.plugin->getBusCount(kAudio, kInput)), in);
    std::vector<SpeakerArrangement> outs(static_cast<std::size_t>(h.plugin->getBusCount(kAudio, kOutput)), out);
    EXPECT_EQ(h.plugin->setBusArrangements(ins.data(), static_cast<int32>(ins.size()), outs.data(),
                                           static_cast<int32>(outs.size())),
              kResultOk);
    h.plugin->setActive(true);
    h.plugin->setProcessing(true);
    h.activateAll(kOutput);
    h.plugin->setParamNormalized(plugins::kGain, 0.5);
    h.plugin->setParamNormalized(plugins::kActiveStrips, 3.0 / 63.0);
    h.block.addInput(c.inputChannels);
    const int32 outputs = static_cast<int32>(outs.size());
    for (int32 b = 0; b < outputs; ++b) h.block.addOutput(c.outputChannels);
    for (int32 ch = 0; ch < c.inputChannels; ++ch) {
      for (int32 k = 0; k < n; ++k) h.block.setIn(0, ch, k, 0.25 * (ch + 1) + 0.001 * k);
    }
    ProcessData& data = h.block.data(n);
    // Output bus 0 takes over input bus 0's buffers where the channel exists on both.
    std::vector<void*> shared(static_cast<std::size_t>(c.outputChannels));
    for (int32 ch = 0; ch < c.outputChannels; ++ch) {
      const bool alias = inPlace && ch < c.inputChannels;
      shared[static_cast<std::size_t>(ch)] =
          sampleSize == kSample64
              ? static_cast<void*>(alias ? data.inputs[0].channelBuffers64[ch] : data.outputs[0].channelBuffers64[ch])
              : static_cast<void*>(alias ? data.inputs[0].channelBuffers32[ch] : data.outputs[0].channelBuffers32[ch]);
    }
    data.outputs[0].channelBuffers32 = reinterpret_cast<float**>(shared.data());
    EXPECT_EQ(h.plugin->process(data), kResultOk);
    std::vector<double> result;
    for (int32 b = 0; b < outputs; ++b) {
      for (int32 ch = 0; ch < c.outputChannels; ++ch) {
        for (int32 k = 0; k < n; ++k) {
          const void* buffer = b == 0 ? shared[static_cast<std::size_t>(ch)] : nullptr;
          double v = h.block.out(b, ch, k);
          if (buffer) {
            v = sampleSize == kSample64 ? static_cast<const double*>(buffer)[k]
                                        : static_cast<double>(static_cast<const float*>(buffer)[k]);
          }
          result.push_back(v);
        }
      }
    }
    return result;
  };
  const std::vector<double> separate = render(false);
  const std::vector<double> inPlace = render(true);
  ASSERT_EQ(separate.size(), inPlace.size());
  for (std::size_t i = 0; i < separate.size(); ++i) ASSERT_EQ(separate[i], inPlace[i]) << i;
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, InPlace,
    ::testing::Combine(::testing::Values(InPlaceCase{ModuleKind::Distributor, 1, 2},
                                         InPlaceCase{ModuleKind::Distributor, 2, 2},
                                         InPlaceCase{ModuleKind::Summing, 1, 2}, InPlaceCase{ModuleKind::Summing, 2, 2},
                                         InPlaceCase{ModuleKind::Breakout, 2, 1},
                                         InPlaceCase{ModuleKind::Output, 2, 2}, InPlaceCase{ModuleKind::FaderBank, 2, 2}),
                       ::testing::Values(kSample32, kSample64)),
    [](const auto& param) {
      const InPlaceCase c = std::get<0>(param.param);
      return std::string(kindName(c.kind)) + "_" + std::to_string(c.inputChannels) + "in" +
             std::to_string(c.outputChannels) + "out_" + formatName(std::get<1>(param.param));
    });

}  // namespace
}  // namespace varnolith::testing
