#!/usr/bin/env bash
# Fuzzes the keyed-archive readers (KeyedArchivePlist::decode, the placeholder unarchiving and
# the property-list reader beneath them) with libFuzzer under AddressSanitizer and
# UndefinedBehaviorSanitizer, for a bounded time.
#
#   scripts/fuzz-keyed-archive.sh [seconds]      default 60
#
# Builds with clang++ into $FUZZ_BUILD_DIR (default build-fuzz at the repository root), writes
# a seed corpus there with its own small generator, keeps what the fuzzer learns in
# $FUZZ_BUILD_DIR/corpus for the next run, and exits non-zero when the fuzzer finds a crash, a
# hang, a leak, undefined behaviour or a broken invariant; the input that did it is left in
# $FUZZ_BUILD_DIR/artifacts. Qt comes from the system (built with g++); both use libstdc++.
set -euo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
seconds="${1:-60}"
out="${FUZZ_BUILD_DIR:-$repo/build-fuzz}"
cxx="${FUZZ_CXX:-clang++}"

if ! command -v "$cxx" >/dev/null; then
    echo "fuzz-keyed-archive: $cxx not found; install clang (libFuzzer comes with it)" >&2
    exit 2
fi
if ! [[ "$seconds" =~ ^[0-9]+$ ]] || [ "$seconds" -lt 1 ]; then
    echo "fuzz-keyed-archive: the time must be a whole number of seconds, not \"$seconds\"" >&2
    exit 2
fi

mkdir -p "$out/corpus" "$out/seeds" "$out/artifacts"

read -r -a deps_cflags <<<"$(pkg-config --cflags Qt6Core libplist-2.0)"
read -r -a deps_libs <<<"$(pkg-config --libs Qt6Core libplist-2.0)"
flags=(-std=c++20 -g -O1 -fPIC -fno-omit-frame-pointer -DQT_NO_KEYWORDS
       -I"$repo" -I"$repo/Sources" -I"$repo/Sources/Pellimor" "${deps_cflags[@]}")
sanitizers=(-fsanitize=address,undefined -fno-sanitize-recover=undefined)
sources=("$repo"/Sources/KeyedArchive/*.cpp
         "$repo/Sources/Pellimor/Catalogue/ArchivedObject.cpp"
         "$repo/Sources/Pellimor/Catalogue/PlaceholderUnarchiver.cpp")

echo "fuzz-keyed-archive: building with $cxx in $out"
"$cxx" "${flags[@]}" "${sanitizers[@]}" -fsanitize=fuzzer \
    "$repo/fuzz/keyed_archive_fuzz.cpp" "${sources[@]}" "${deps_libs[@]}" -o "$out/keyed_archive_fuzz"
"$cxx" "${flags[@]}" "${sanitizers[@]}" \
    "$repo/fuzz/make_seeds.cpp" "${sources[@]}" "${deps_libs[@]}" -o "$out/make_seeds"

rm -f "$out"/seeds/*
"$out/make_seeds" "$out/seeds"

echo "fuzz-keyed-archive: fuzzing for ${seconds} s"
status=0
ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}" \
UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}" \
"$out/keyed_archive_fuzz" \
    -max_total_time="$seconds" \
    -timeout=20 \
    -rss_limit_mb=2048 \
    -max_len=16384 \
    -dict="$repo/fuzz/keyed_archive.dict" \
    -artifact_prefix="$out/artifacts/" \
    -print_final_stats=1 \
    "$out/corpus" "$out/seeds" || status=$?

if [ "$status" -ne 0 ]; then
    echo "fuzz-keyed-archive: FOUND A PROBLEM (exit $status); inputs in $out/artifacts/" >&2
    exit "$status"
fi
echo "fuzz-keyed-archive: no findings in ${seconds} s"
