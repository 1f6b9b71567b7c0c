#include "params/parameter_catalogue.h"

#include <string>

#include "params/parameter_ids.h"
#include "vst3/string16.h"

namespace varnolith::plugins {

namespace {

using Steinberg::Vst::Parameter;
using Steinberg::Vst::ParameterInfo;
using Steinberg::Vst::RangeParameter;

std::u16string widen(const std::string& text) {
  return std::u16string(text.begin(), text.end());
}

void addRange(Steinberg::Vst::ParameterContainer& container, const std::string& title, std::uint32_t id,
              const char16_t* units, double minPlain, double maxPlain, double defaultPlain, std::int32_t steps) {
  container.addParameter(std::make_unique<RangeParameter>(widen(title).c_str(), id, units, minPlain, maxPlain,
                                                          defaultPlain, steps, ParameterInfo::kCanAutomate, 0));
}

void addToggle(Steinberg::Vst::ParameterContainer& container, const std::string& title, std::uint32_t id,
               double defaultNormalized) {
  container.addParameter(std::make_unique<Parameter>(widen(title).c_str(), id, nullptr, defaultNormalized, 1,
                                                     ParameterInfo::kCanAutomate, 0));
}

}  // namespace

void registerParameters(std::int32_t kind, Steinberg::Vst::ParameterContainer& container) {
  if (kind == 3 || kind == 4 || kind == 7 || kind == 8) {
    addRange(container, "Active strips / branches", kActiveStrips, nullptr, 1.0, 64.0, 8.0, 63);
  }
  if (kind != 5 && kind != 6 && kind != 7) {
    addRange(container, "Gain", kGain, u"dB", -90.0, 12.0, 0.0, 0);
  }
  if (kind == 5 || kind == 6) {
    addToggle(container, "Follow DAW transport", kFollowTransport, 1.0);
    addToggle(container, "Play / Record", kPlayRecord, 0.0);
  }
  if (kind == 7) {
    for (std::uint32_t n = 0; n < kMaxStrips; ++n) {
      const std::string number = std::to_string(n + 1);
      addRange(container, "Fader " + number + " gain", kFaderGainBase + n, u"dB", -90.0, 12.0, 0.0, 0);
      addToggle(container, "Fader " + number + " mute", kFaderMuteBase + n, 0.0);
    }
  }
  if (kind == 6) {
    addRange(container, "Tail silence time", kTailSilenceTime, u"s", 0.0, 10.0, 0.5, 0);
    addRange(container, "Maximum tail", kMaximumTail, u"s", 0.0, 3600.0, 30.0, 0);
  }
}

}  // namespace varnolith::plugins
