// composeStatusText: the one-line status of the PLAYER and RECORDER panels.
#pragma once

#include <string>

namespace varnolith::plugins {

class UtilityPlugin;

// [main-thread] The status text in UTF-8, built from the kind, modulePath and the engines' atomic
// state; no side effects. Reads modulePath, so never call it off the control side.
std::string composeStatusText(const UtilityPlugin& plugin);

// [any-thread] The file name shown for a path: the text after the last '\' or '/' (or after a
// drive prefix), as UTF-8 with backslashes written as '/'; unpaired surrogates become U+FFFD.
std::string displayedFileName(const std::u16string& path);

}  // namespace varnolith::plugins
