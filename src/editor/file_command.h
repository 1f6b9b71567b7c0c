// chooseFile: the file command of the PLAYER and RECORDER panels.
#pragma once

#include "platform/window_system.h"

namespace varnolith::plugins {

class UtilityPlugin;

// [main-thread] Opens the Open (PLAYER) or Save (RECORDER) dialog on `owner` and hands the chosen
// path to setModuleFile; refusals and errors are shown in message boxes on `owner`. True when a
// file was taken. Blocks while the dialog is open and while a PLAYER file decodes.
bool chooseFile(UtilityPlugin& plugin, platform::WindowSystem& system, platform::HWND owner);

}  // namespace varnolith::plugins
