#!/usr/bin/env bash
# Builds Tovlin and opens its main window. Given folders, it scans those (into the user's own
# catalogue). Without, it opens on a set of sample libraries made for the purpose on first
# use, with a data folder, drives and a stand-in Final Cut Pro of their own, so a real
# catalogue is never touched.
set -euo pipefail

# Folders are taken relative to where the command was given, before anything moves.
folders=()
for folder in "$@"; do
  if [ ! -d "$folder" ]; then
    echo "Not a folder: $folder" >&2
    exit 2
  fi
  folders+=("$(cd "$folder" && pwd)")
done

# The window needs a display; say so at once instead of after the build.
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  cat >&2 <<'EOF'
Tovlin opens a window and needs a display, but none is set (neither DISPLAY nor WAYLAND_DISPLAY).
Run it on a virtual display instead, for example:

  xvfb-run -a -s "-screen 0 1600x1000x24" scripts/run.sh [FOLDER ...]

(On Debian: apt-get install xvfb.)
EOF
  exit 1
fi

cd "$(dirname "$0")/.."
scripts/deps.sh
build=${TOVLIN_BUILD:-build}
case "$build" in
  /*) ;;
  *) build="$PWD/$build" ;;
esac
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTOVLIN_TESTS=OFF -DTOVLIN_BENCH=OFF >/dev/null
cmake --build "$build" --parallel "$(nproc)" --target tovlin tovlin-samples

tovlin="$build/Sources/Pellimor/tovlin"
if [ ${#folders[@]} -gt 0 ]; then
  exec "$tovlin" --scan "${folders[@]}"
fi

samples="$build/samples"
if [ ! -d "$samples/Volumes" ]; then
  "$build/Tests/Fixtures/tovlin-samples" "$samples"
fi
export TOVLIN_VOLUMES_ROOT="$samples/Volumes"
export TOVLIN_FCP_APP="$samples/Applications/Final Cut Pro.app"
export TOVLIN_DATA_DIR="$samples/data"
exec "$tovlin" --scan "$samples/Volumes" "$samples/Home/Movies"
