// PanelState: what a view remembers between paints and mouse events.
#pragma once

#include <cstdint>

namespace varnolith::plugins {

// Owned by one view and touched only on its window's thread.
struct PanelState {
  std::int32_t faderPage = 0;    // first page of eight FADER BANK strips shown
  std::int32_t dragFader = -1;   // strip being dragged, -1 when none
  bool dragGain = false;         // the Output gain slider is being dragged
  double dragStartValue = 0.0;   // normalized value when the drag began
  double dragStartPos = 0.0;     // mouse y (fader) or x (gain slider) when the drag began
};

}  // namespace varnolith::plugins
