#!/usr/bin/env bash
# Installs the dependencies, builds the release configuration and runs the demo host session.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)"
bundles=build/release/bundles
./build/release/tools/host/varnolith-host scan "${bundles}"/Varnolith*.vst3
