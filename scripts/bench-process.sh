#!/usr/bin/env bash
# Builds the release preset, runs the process benchmark once and prints, from that one run:
#   throughput of process / throughput of memcpy of the same bytes, per kind and block size;
#   cost of a 512-sample block cut by 4096 points / cost of the same block uncut.
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --preset release >/dev/null
ninja -C build/release varnolith_process_bench >/dev/null

out="$(mktemp)"
trap 'rm -f "$out"' EXIT
./build/release/bench/plugin/varnolith_process_bench --benchmark_min_time="${BENCH_MIN_TIME:-0.5}" \
  --benchmark_format=json --benchmark_out="$out" --benchmark_out_format=json >/dev/null

python3 - "$out" <<'PY'
import json, sys
runs = {b["name"]: b for b in json.load(open(sys.argv[1]))["benchmarks"] if b.get("run_type", "iteration") == "iteration"}
layouts = ["FADER BANK (64 stereo strips)", "SUMMING (64 stereo inputs)", "DISTRIBUTOR (64 stereo outputs)", "INPUT (64 channels)"]
print("process throughput / memcpy throughput (same bytes, same run)")
for i, name in enumerate(layouts):
    for n in (64, 512):
        ours = runs[f"BM_Process/{i}/{n}"]["bytes_per_second"]
        base = runs[f"BM_Memcpy/{i}/{n}"]["bytes_per_second"]
        print(f"  {name:34s} {n:4d} samples: {ours / 1e9:7.2f} GB/s vs {base / 1e9:7.2f} GB/s  ratio {ours / base:5.2f}")
print("512-sample block with 4096 points / same block without points (CPU time)")
for i in (0, 3):
    uncut = runs[f"BM_Sliced/{i}/0"]["cpu_time"]
    for offsets in (64, 512):
        cut = runs[f"BM_Sliced/{i}/{offsets}"]["cpu_time"]
        print(f"  {layouts[i]:34s} points over {offsets:3d} offsets: ratio {cut / uncut:6.2f}")
PY
