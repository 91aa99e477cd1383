#!/usr/bin/env bash
# Takes the manual's pictures again: Tovlin's windows on the sample libraries, written as PNG
# files into Resources/ beside MANUAL.md (they are compiled into the program with it). Builds
# the picture tool first. The windows need a display; without one the tool runs on a virtual
# display (Xvfb).
set -euo pipefail

cd "$(dirname "$0")/.."
scripts/deps.sh xvfb
build=${TOVLIN_BUILD:-build}
case "$build" in
  /*) ;;
  *) build="$PWD/$build" ;;
esac
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTOVLIN_TESTS=OFF -DTOVLIN_BENCH=OFF >/dev/null
cmake --build "$build" --parallel "$(nproc)" --target tovlin-manual-pictures

tool="$build/Tests/Fixtures/tovlin-manual-pictures"
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  "$tool" Resources
else
  xvfb-run -a -s "-screen 0 1600x1000x24" "$tool" Resources
fi
