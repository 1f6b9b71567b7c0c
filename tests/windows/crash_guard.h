// The crash guard of every Windows test program.
#pragma once

namespace varnolith::testing {

// Exit status of a test program that crashed.
inline constexpr unsigned kCrashExitCode = 3;

// [main-thread] Call first in main. Turns every unhandled exception, on any thread, into an
// immediate exit with kCrashExitCode and no crash dialog: under Wine a crash after a thread
// was started otherwise ends the process with status 0.
void installCrashGuard();

}  // namespace varnolith::testing
