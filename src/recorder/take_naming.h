// chooseTakePath: the first free take name for a recording destination.
#pragma once

#include <string>
#include <string_view>

namespace varnolith::plugins {

// [main-thread] Returns modulePath when nothing exists there, else the first free
// "<dir>/<stem>-take<i>.wav" (i from 1 below 100000); throws filesystem_error when an existence
// query fails. Touches the disk; never call on the audio thread.
std::u16string chooseTakePath(std::u16string_view modulePath);

}  // namespace varnolith::plugins
