#!/usr/bin/env bash
# Builds the release preset and runs the recorder benchmarks: writer throughput against raw
# fwrite, then a minute of simulated realtime 64-channel 192 kHz capture. Scratch files are written
# below build/release (same disk) and removed afterwards. Extra arguments go to both programs.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
cmake --preset release >/dev/null
ninja -C build/release varnolith_recorder_bench varnolith_recorder_realtime_bench
cd build/release
./bench/recorder/varnolith_recorder_bench "$@"
./bench/recorder/varnolith_recorder_realtime_bench "$@"
