// `varnolith-host scan`: loads bundles through their exports and reports what a host sees.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace varnolith::host {

// [main-thread] Scans each bundle; returns the number of bundles that failed (0 = all fine).
int scanBundles(const std::vector<std::string>& bundles, std::ostream& out, std::ostream& err);

}  // namespace varnolith::host
