#!/usr/bin/env bash
# Installs the dependencies, builds the debug and sanitizer configurations and runs every suite.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

./scripts/install-deps.sh

run_preset() {
  local preset=$1; shift
  echo "=== ${preset} ==="
  cmake --preset "${preset}" >/dev/null
  cmake --build --preset "${preset}" -j "${jobs}"
  ctest --preset "${preset}" -j "${jobs}" "$@"
}

run_preset debug
run_preset asan
run_preset tsan
# The shipping build: MinGW-w64 cross build, its suites under Wine.
echo "=== windows ==="
./scripts/test-windows.sh -j "${jobs}"

if [[ -x scripts/run-fuzzers.sh ]]; then
  echo "=== fuzzers ==="
  ./scripts/run-fuzzers.sh "${FUZZ_SECONDS:-60}"
fi
echo "all suites passed"
