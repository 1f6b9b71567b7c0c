// The process entry: validation of the host's block.
#include "plugin/utility_plugin.h"

namespace varnolith::plugins {

using namespace Steinberg;
using namespace Steinberg::Vst;

tresult PLUGIN_API UtilityPlugin::process(ProcessData& data) {
  if (data.numSamples < 0 || static_cast<std::uint32_t>(data.numSamples) > maxBlockSize) return kInvalidArgument;
  if (data.numInputs < 0 || data.numOutputs < 0) return kInvalidArgument;
  if (data.numInputs > static_cast<int32>(kMaxBuses) || data.numOutputs > static_cast<int32>(kMaxBuses)) {
    return kInvalidArgument;
  }
  if ((data.numInputs > 0 && !data.inputs) || (data.numOutputs > 0 && !data.outputs)) return kInvalidArgument;
  for (int32 b = 0; b < data.numInputs; ++b) {
    if (static_cast<uint32>(data.inputs[b].numChannels) > kMaxChannels) return kInvalidArgument;
  }
  for (int32 b = 0; b < data.numOutputs; ++b) {
    if (static_cast<uint32>(data.outputs[b].numChannels) > kMaxChannels) return kInvalidArgument;
  }
  return kResultOk;
}

void UtilityPlugin::processSlice32(ProcessData&, int32, int32) noexcept {}
void UtilityPlugin::processSlice64(ProcessData&, int32, int32) noexcept {}

}  // namespace varnolith::plugins
