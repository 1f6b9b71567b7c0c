#!/usr/bin/env bash
# Builds the release preset and runs the WAV decoding benchmark; the program prints the
# ours/libsndfile and ours/raw-read throughput ratios after the runs. Extra arguments go to
# Google Benchmark (e.g. --benchmark_filter=pcm16).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
cmake --preset release >/dev/null
ninja -C build/release player_decode_bench
exec build/release/bench/player/player_decode_bench --benchmark_repetitions=5 \
  --benchmark_report_aggregates_only=true "$@"
