// ProcessHarness: a plug-in of one kind set up, active and processing, with a ProcessBlock to feed it.
#pragma once

#include <cmath>
#include <cstdint>
#include <string>

#include "params/gain_law.h"
#include "plugin/utility_plugin.h"
#include "support/host_objects.h"
#include "support/process_block.h"

namespace varnolith::testing {

using plugins::ModuleKind;
using plugins::UtilityPlugin;

inline const char* kindName(ModuleKind kind) {
  switch (kind) {
    case ModuleKind::Input: return "Input";
    case ModuleKind::Output: return "Output";
    case ModuleKind::Summing: return "Summing";
    case ModuleKind::Breakout: return "Breakout";
    case ModuleKind::Player: return "Player";
    case ModuleKind::Recorder: return "Recorder";
    case ModuleKind::FaderBank: return "FaderBank";
    case ModuleKind::Distributor: return "Distributor";
  }
  return "?";
}

inline std::string formatName(int32 sampleSize) { return sampleSize == Steinberg::Vst::kSample64 ? "64" : "32"; }

// The smoothing coefficient of a 3 ms one-pole at `rate`.
inline double smoothingCoefficient(double rate) { return 1.0 - std::exp(-1.0 / (rate * 0.003)); }

// What a kernel writes for a double result: narrowed for 32-bit hosts, non-finite as 0.0.
inline double asWritten(double value, int32 sampleSize) {
  if (sampleSize == Steinberg::Vst::kSample32) {
    const float narrowed = static_cast<float>(value);
    return std::isfinite(narrowed) ? static_cast<double>(narrowed) : 0.0;
  }
  return std::isfinite(value) ? value : 0.0;
}

class ProcessHarness {
 public:
  ProcessHarness(ModuleKind kind, int32 sampleSize, int32 maxBlock = 512, double rate = 48000.0)
      : block(sampleSize, maxBlock + 1), sampleSize_(sampleSize) {
    plugin = Steinberg::IPtr<UtilityPlugin>::adopt(new UtilityPlugin(kind));
    auto host = makeHostObject<HostApplication>();
    ok = plugin->initialize(host.get()) == Steinberg::kResultOk;
    Steinberg::Vst::ProcessSetup setup{Steinberg::Vst::kRealtime, sampleSize, maxBlock, rate};
    ok = ok && plugin->setupProcessing(setup) == Steinberg::kResultOk;
    ok = ok && plugin->setActive(true) == Steinberg::kResultOk;
    ok = ok && plugin->setProcessing(true) == Steinberg::kResultOk;
  }
  ~ProcessHarness() {
    plugin->setProcessing(false);
    plugin->setActive(false);
    plugin->terminate();
  }

  // Activates every audio bus of a direction (only the first starts active).
  void activateAll(Steinberg::Vst::BusDirection dir) {
    const int32 count = plugin->getBusCount(Steinberg::Vst::kAudio, dir);
    for (int32 i = 0; i < count; ++i) plugin->activateBus(Steinberg::Vst::kAudio, dir, i, true);
  }

  Steinberg::tresult run(int32 numSamples) { return plugin->process(block.data(numSamples)); }
  int32 sampleSize() const { return sampleSize_; }
  double stored(Steinberg::uint32 id) const { return plugin->parameters.readParameter(id); }

  bool ok = false;
  ProcessBlock block;
  Steinberg::IPtr<UtilityPlugin> plugin;

 private:
  int32 sampleSize_;
};

}  // namespace varnolith::testing
