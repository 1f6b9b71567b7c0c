// The state document reader and writer.
#include "plugin/utility_plugin.h"

namespace varnolith::plugins {

using namespace Steinberg;

tresult UtilityPlugin::readState(IBStream*) { return kNotImplemented; }
tresult UtilityPlugin::writeState(IBStream*) { return kNotImplemented; }

}  // namespace varnolith::plugins
