// paintPanel: the whole editor panel of one module kind.
#pragma once

#include "editor/canvas.h"
#include "editor/panel_state.h"

namespace varnolith::plugins {

class UtilityPlugin;

// [main-thread] Draws the 960 × 580 panel from the live state; its only write is the clamp of
// state.faderPage. Reads parameters and engine state with single atomic loads; never call it on
// the audio thread (it allocates).
void paintPanel(UtilityPlugin& plugin, PanelState& state, Canvas& canvas);

}  // namespace varnolith::plugins
