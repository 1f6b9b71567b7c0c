#!/usr/bin/env bash
# Installs the dependencies, builds the release configuration and runs the demo host session:
# every bundle scanned, then a PLAYER feeding a RECORDER that writes a real take.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)"
host=build/release/tools/host/varnolith-host
bundles=build/release/bundles
demo=build/release/demo
mkdir -p "${demo}"

echo "=== the eight bundles, loaded through their exported functions ==="
"${host}" scan "${bundles}"/Varnolith*.vst3

echo
echo "=== PLAYER -> RECORDER session (audio and sync events routed by the host) ==="
"${host}" session --player "${bundles}/VarnolithPlayer.vst3" --recorder "${bundles}/VarnolithRecorder.vst3" \
  --out "${demo}/take.wav" --tail 0.5
echo
echo "Takes in ${demo}:"
ls -l "${demo}"/take*.wav
