// The parameters each module kind registers with the host, in registration order.
#pragma once

#include <cstdint>

#include "vst3/parameter.h"

namespace varnolith::plugins {

// [main-thread] Adds the parameter objects of a kind number (1..8; other numbers follow the same
// rules) to the container. Allocates; never call on the audio thread.
void registerParameters(std::int32_t kind, Steinberg::Vst::ParameterContainer& container);

}  // namespace varnolith::plugins
