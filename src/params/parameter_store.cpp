#include "params/parameter_store.h"

#include <algorithm>
#include <cmath>

namespace varnolith::plugins {

ParameterStore::ParameterStore() noexcept {
  for (auto& slot : slots_) slot.store(0.0);
  slots_[kActiveStrips].store(1.0 / 9.0);
  slots_[kGain].store(15.0 / 17.0);
  slots_[kFollowTransport].store(1.0);
  for (std::uint32_t n = 0; n < kMaxStrips; ++n) slots_[kFaderGainBase + n].store(15.0 / 17.0);
  slots_[kTailSilenceTime].store(0.05);
  slots_[kMaximumTail].store(1.0 / 120.0);
}

double ParameterStore::readParameter(std::uint32_t id) const noexcept {
  return id < kParameterSlots ? slots_[id].load() : 0.0;
}

void ParameterStore::storeParameter(std::uint32_t id, double value) noexcept {
  if (id >= kParameterSlots || !std::isfinite(value)) return;
  slots_[id].exchange(std::clamp(value, 0.0, 1.0));
}

}  // namespace varnolith::plugins
