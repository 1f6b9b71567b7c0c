#include "windows/crash_guard.h"

#include <windows.h>

#include <cstdio>

namespace varnolith::testing {

namespace {

LONG WINAPI terminateOnCrash(EXCEPTION_POINTERS* info) {
  const DWORD code = info && info->ExceptionRecord ? info->ExceptionRecord->ExceptionCode : 0;
  std::fprintf(stderr, "crash guard: unhandled exception 0x%08lx, terminating\n", static_cast<unsigned long>(code));
  std::fflush(stderr);
  TerminateProcess(GetCurrentProcess(), kCrashExitCode);
  return EXCEPTION_EXECUTE_HANDLER;
}

}  // namespace

void installCrashGuard() {
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
  SetUnhandledExceptionFilter(&terminateOnCrash);
}

}  // namespace varnolith::testing
