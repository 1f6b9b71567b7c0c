// Crashes on purpose after starting a thread, to prove that the crash guard turns a crash into
// a failing exit status under Wine.
#include <cstdio>
#include <cstring>
#include <thread>

#include "windows/crash_guard.h"

int main(int argc, char** argv) {
  varnolith::testing::installCrashGuard();
  std::thread worker([] {});
  worker.join();
  const bool onWorker = argc > 1 && std::strcmp(argv[1], "worker") == 0;
  auto crash = [] {
    volatile int* nowhere = nullptr;
    *nowhere = 1;
  };
  if (onWorker) {
    std::thread crashing(crash);
    crashing.join();
  } else {
    crash();
  }
  std::puts("crash probe: still running");
  return 0;
}
