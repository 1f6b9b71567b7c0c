// Placeholder body; the full take naming replaces this file.
#include "recorder/take_naming.h"

namespace varnolith::plugins {

std::u16string chooseTakePath(std::u16string_view modulePath) { return std::u16string(modulePath); }

}  // namespace varnolith::plugins
