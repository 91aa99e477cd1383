#!/usr/bin/env bash
# The allocators side by side, on the figures they change most: bench_scan's first scan with 1
# and 4 parallel reads, and bench_catalogue_store's save and load of 2000 libraries, each with
# the peak memory of its process. Prints one table; never fails on speed.
#
#   bench/compare-allocators.sh BUILD_FOLDER [REPEATS] [TREE_FOLDER] [ROUNDS]
#
# BUILD_FOLDER is a Release build configured with -DTOVLIN_ALLOCATOR=glibc, so that every
# allocator below reaches the benchmarks the same way: glibc as it is; glibc with its trim and
# mmap thresholds set (through GLIBC_TUNABLES, as mallopt() at start-up would); jemalloc and
# mimalloc from their Debian packages (libjemalloc2, libmimalloc2.0), preloaded, which serves
# malloc() exactly as linking them in does. The runs take turns, REPEATS rounds of all of them
# (3 by default), each round starting with the next allocator; every figure is given as the
# median of the rounds and as the median of its ratio to glibc's figure of the same round, so a
# machine whose load changes meanwhile weighs on every allocator alike. TREE_FOLDER keeps
# bench_scan's tree between runs; ROUNDS (default 1) is the benchmarks' own --rounds.
set -euo pipefail

build=${1:?usage: compare-allocators.sh BUILD_FOLDER [REPEATS] [TREE_FOLDER]}
repeats=${2:-3}
tree=${3:-$(mktemp -d)/tree}
rounds=${4:-1}
libdir=/usr/lib/x86_64-linux-gnu
out=$(mktemp -d)

names=("glibc" "glibc, thresholds set" "jemalloc" "mimalloc")
envs=(""
  "GLIBC_TUNABLES=glibc.malloc.trim_threshold=268435456:glibc.malloc.mmap_threshold=33554432"
  "LD_PRELOAD=$libdir/libjemalloc.so.2"
  "LD_PRELOAD=$libdir/libmimalloc.so.2")
for lib in libjemalloc.so.2 libmimalloc.so.2; do
  [ -e "$libdir/$lib" ] || { echo "missing $libdir/$lib: apt-get install libjemalloc2 libmimalloc2.0" >&2; exit 1; }
done

# Writes the tree once, outside the measured runs.
"$build/bench/bench_scan" --tree "$tree" --rounds 1 --sizes "" > /dev/null

# The number after the first match of $2 in the file $1.
figure() { grep -m1 -o "$2 *[0-9.]*" "$1" | grep -o "[0-9.]*$"; }
# The first full scan with $2 parallel reads in the file $1.
firstScan() { awk -v n="$2" '/parallel read/ { k = $1 } /first full scan/ && k == n { print $4; exit }' "$1"; }

# Each round runs every allocator, starting one later than the round before.
count=${#names[@]}
: > "$out/figures"
for ((r = 0; r < repeats; r++)); do
  for ((k = 0; k < count; k++)); do
    i=$(((r + k) % count))
    echo "round $((r + 1)) of $repeats: ${names[$i]}" >&2
    env ${envs[$i]} "$build/bench/bench_scan" --tree "$tree" --rounds "$rounds" --sizes "" > "$out/scan-$i-$r.txt"
    env ${envs[$i]} "$build/bench/bench_catalogue_store" --sizes 2000 --rounds "$rounds" > "$out/store-$i-$r.txt"
    echo "$i $r $(firstScan "$out/scan-$i-$r.txt" 1) $(firstScan "$out/scan-$i-$r.txt" 4)" \
      "$(figure "$out/scan-$i-$r.txt" "peak memory of this process:")" \
      "$(figure "$out/store-$i-$r.txt" "save")" "$(figure "$out/store-$i-$r.txt" "load")" \
      "$(figure "$out/store-$i-$r.txt" "entries load in")" "$(figure "$out/store-$i-$r.txt" "peak memory")" \
      >> "$out/figures"
  done
done

echo "uptime at the end: $(uptime)"
echo "first scans of 200 libraries (ms), the catalogue of 2000 libraries (ms), peak memory (MiB): the median"
echo "of $repeats rounds, and in brackets the median of each round's figure against glibc's in that round"
printf "%-22s %17s %17s %13s %17s %17s %17s %13s\n" allocator "scan, 1 read" "scan, 4 reads" "scan MiB" \
  "save" "load" "media lists" "store MiB"
for i in "${!names[@]}"; do
  printf "%-22s" "${names[$i]}"
  for column in 3 4 5 6 7 8 9; do
    width=17
    if [ "$column" = 5 ] || [ "$column" = 9 ]; then width=13; fi
    awk -v i="$i" -v c="$column" -v w="$width" '
      function median(a, n,   j, k, t) {
        for (j = 2; j <= n; j++) for (k = j; k > 1 && a[k - 1] > a[k]; k--) { t = a[k]; a[k] = a[k - 1]; a[k - 1] = t }
        return n % 2 ? a[(n + 1) / 2] : (a[n / 2] + a[n / 2 + 1]) / 2
      }
      { v[$1, $2] = $c; rounds[$2] = 1 }
      END {
        n = 0; m = 0
        for (r in rounds) { n++; own[n] = v[i, r]; if (v[0, r] > 0) { m++; ratio[m] = v[i, r] / v[0, r] } }
        printf " %*s", w, sprintf("%.0f (%.2fx)", median(own, n), median(ratio, m))
      }' "$out/figures"
  done
  printf "\n"
done
echo "(raw output in $out)"
