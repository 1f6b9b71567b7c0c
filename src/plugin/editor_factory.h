// The editor's entry point, provided by the editor library that the plug-in links in.
#pragma once

#include "vst3/iplugview.h"

namespace varnolith::plugins {

class UtilityPlugin;

// [main-thread] A new editor view of the plug-in with one reference, or null when none can be made.
Steinberg::IPlugView* createEditorView(UtilityPlugin& plugin);

}  // namespace varnolith::plugins
