// chooseTakePath: the first free take name for a recording destination.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace varnolith::plugins {

// [main-thread] Returns modulePath when nothing exists there, else the first free
// "<dir>/<stem>-take<i>.wav" (i from 1 below 100000); throws filesystem_error when an existence
// query fails. Touches the disk; never call on the audio thread.
std::u16string chooseTakePath(std::u16string_view modulePath);

// Answers whether anything exists at a candidate path; throws when it cannot tell.
using TakeExistsQuery = std::function<bool(const std::u16string& candidate)>;

// [main-thread] The candidate search itself, with the existence query supplied by the caller
// (tests use it to cover the 100000-take limit without creating files). Never call on the audio
// thread when the query touches the disk.
std::u16string chooseTakePath(std::u16string_view modulePath, const TakeExistsQuery& exists);

}  // namespace varnolith::plugins
