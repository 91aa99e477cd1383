#!/usr/bin/env bash
# Builds Tovlin and starts it. Given folders, it scans those; without, it opens on a set of
# sample libraries made for the purpose, with a data folder of their own.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
build=${TOVLIN_BUILD:-build}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTOVLIN_TESTS=OFF -DTOVLIN_BENCH=OFF
cmake --build "$build" --parallel "$(nproc)" --target tovlin
exec "$build/Sources/Pellimor/tovlin" "$@"
