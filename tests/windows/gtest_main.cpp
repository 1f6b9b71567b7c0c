// main() of the GoogleTest programs of the Windows build.
#include <gtest/gtest.h>

#include "windows/crash_guard.h"

int main(int argc, char** argv) {
  varnolith::testing::installCrashGuard();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
