// The editor's window class, its private message and timer, shared by every view in the process.
#pragma once

#include <cstdint>

#include "platform/types.h"

namespace varnolith::plugins {

inline constexpr char16_t kEditorClassName[] = u"VarnolithUtilityRackEditor";
// Sent by another thread to make the window's own thread stop the timer and destroy the window;
// wParam 1 also detaches the window from its view when it refuses to go.
inline constexpr platform::UINT kDestroyEditorMessage = 0x8000 + 0x39;  // WM_APP + 0x39
inline constexpr platform::UINT_PTR kRepaintTimerId = 1;
inline constexpr platform::UINT kRepaintIntervalMs = 100;

// [any-thread] How many views hold the class registration (takes the class lock briefly).
std::int32_t editorClassUserCount();
// [any-thread] The editor's window procedure, as registered with the class.
platform::WNDPROC editorWindowProcedure() noexcept;

}  // namespace varnolith::plugins
