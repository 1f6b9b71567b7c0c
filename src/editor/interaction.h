// Mouse handling of the panel: presses on buttons, fader and slider drags.
#pragma once

#include <cstdint>

#include "editor/panel_state.h"
#include "platform/window_system.h"

namespace varnolith::plugins {

class UtilityPlugin;

// What a mouse event works on: the plug-in, the view's panel state and its window.
struct EditorContext {
  UtilityPlugin& plugin;
  PanelState& state;
  platform::WindowSystem& system;
  platform::HWND window;
};

// [main-thread] WM_LBUTTONDOWN at (x, y): hit-tests the kind's panel and acts (edits, pages, file
// commands, drag start with mouse capture), then invalidates the window. May show modal boxes and
// dialogs and decode a file; never call it on the audio thread.
void onMouseDown(EditorContext& context, std::int32_t x, std::int32_t y);
// [main-thread] Applies the running drag for a mouse position as one complete edit, then
// invalidates the window.
void onDrag(EditorContext& context, std::int32_t x, std::int32_t y);
// [main-thread] Ends any drag; touches nothing but the state.
void endDrag(PanelState& state) noexcept;

}  // namespace varnolith::plugins
