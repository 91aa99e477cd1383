#!/usr/bin/env bash
# Builds Tovlin and starts it. Given folders, it scans those. Without, it opens on a set of
# sample libraries made for the purpose (on first use), with a data folder, drives and a
# stand-in Final Cut Pro of their own, so a real catalogue is never touched.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
build=${TOVLIN_BUILD:-build}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTOVLIN_TESTS=OFF -DTOVLIN_BENCH=OFF >/dev/null
cmake --build "$build" --parallel "$(nproc)" --target tovlin tovlin-samples

tovlin="$build/Sources/Pellimor/tovlin"
if [ $# -gt 0 ]; then
  exec "$tovlin" --scan "$@"
fi

samples="$PWD/$build/samples"
if [ ! -d "$samples/Volumes" ]; then
  "$build/Tests/Fixtures/tovlin-samples" "$samples"
fi
export TOVLIN_VOLUMES_ROOT="$samples/Volumes"
export TOVLIN_FCP_APP="$samples/Applications/Final Cut Pro.app"
export TOVLIN_DATA_DIR="$samples/data"
exec "$tovlin" --scan "$samples/Volumes" "$samples/Home/Movies"
