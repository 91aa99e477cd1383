#!/usr/bin/env bash
# Two builds of the program side by side on the scan's figures: bench_scan and
# bench_window_scan of each build, each with the tovlin of its own build, on the same trees.
# The builds take turns (the earlier one first), and each benchmark's lines are printed under
# the build's name, its goals last; then the goals' figures of both builds in one table, with
# the later build's over the earlier one's. Never fails on speed.
#
#   bench/compare-builds.sh BEFORE_BUILD AFTER_BUILD [SIZES] [TREE_FOLDER] [ROUNDS]
#
# The builds are Release build folders that hold bench/bench_scan, bench/bench_window_scan and
# Sources/Pellimor/tovlin; the benchmarks' sources must be the same in both (copy bench/ into
# the earlier tree before building it), so that only the program differs. SIZES (default
# 500,2000) go to both benchmarks; TREE_FOLDER (default a temporary folder) keeps the trees
# between runs, shared by both builds and both benchmarks; ROUNDS (default 3) is --rounds.
set -euo pipefail

before=${1:?usage: compare-builds.sh BEFORE_BUILD AFTER_BUILD [SIZES] [TREE_FOLDER] [ROUNDS]}
after=${2:?usage: compare-builds.sh BEFORE_BUILD AFTER_BUILD [SIZES] [TREE_FOLDER] [ROUNDS]}
sizes=${3:-500,2000}
tree=${4:-$(mktemp -d)/tree}
rounds=${5:-3}
out=$(mktemp -d)

for build in "$before" "$after"; do
  for program in bench_scan bench_window_scan tovlin; do
    path="$build/bench/$program"
    [ "$program" = tovlin ] && path="$build/Sources/Pellimor/tovlin"
    [ -x "$path" ] || { echo "missing: $path" >&2; exit 2; }
  done
done

run() { # name build benchmark
  local name=$1 build=$2 bench=$3
  local args=(--sizes "$sizes" --tree "$tree" --rounds "$rounds")
  [ "$bench" = bench_scan ] && args+=(--tovlin "$build/Sources/Pellimor/tovlin")
  "$build/bench/$bench" "${args[@]}" >"$out/$name-$bench.txt" 2>/dev/null
}

for bench in bench_scan bench_window_scan; do
  run before "$before" "$bench"
  run after "$after" "$bench"
  for name in before after; do
    echo "==== $bench, $name ($([ $name = before ] && echo "$before" || echo "$after"))"
    grep -v '^writing the tree\|^tree written\|^QStandardPaths\|does not support raise' "$out/$name-$bench.txt" || true
  done
done

# The goals' lines of both builds, one table: each line's figure before and after.
echo "==== goals: before, after, after/before"
for bench in bench_scan bench_window_scan; do
  paste -d '\t' \
    <(sed -n '/^goals:/,$p' "$out/before-$bench.txt" | tail -n +2) \
    <(sed -n '/^goals:/,$p' "$out/after-$bench.txt" | tail -n +2) |
    while IFS=$'\t' read -r b a; do
      label=$(echo "$a" | sed -E 's/: [0-9.]+ x.*//; s/^ +//')
      fb=$(echo "$b" | grep -oE ': [0-9.]+ x' | head -1 | grep -oE '[0-9.]+')
      fa=$(echo "$a" | grep -oE ': [0-9.]+ x' | head -1 | grep -oE '[0-9.]+')
      verdict=$(echo "$a" | grep -oE '(not met|met)$' || true)
      ratio=$(awk -v a="$fa" -v b="$fb" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "-" }')
      printf '  %-90s %8s x  %8s x  %6s  (%s)\n' "$label" "$fb" "$fa" "$ratio" "$verdict"
    done
done
