#!/usr/bin/env bash
# Fails when a C++ file of the tree is off .clang-format; prints the files that drift.
# Apply the format with: git ls-files '*.cpp' '*.h' | xargs clang-format -i
set -euo pipefail
cd "$(dirname "$0")/.."
if ! command -v clang-format >/dev/null; then
    echo "check-format: clang-format is not installed (Debian package clang-format)" >&2
    exit 2
fi
mapfile -t files < <(find Sources Tests bench fuzz -type f \( -name '*.cpp' -o -name '*.h' \) | sort)
# One run over every file: it names each drifting file in its complaints.
report="$(printf '%s\0' "${files[@]}" | xargs -0 -n 64 -P "$(nproc)" clang-format --dry-run -Werror 2>&1 || true)"
mapfile -t drifting < <(printf '%s\n' "$report" | sed -n 's/^\([^:]*\):[0-9]*:[0-9]*: error:.*/\1/p' | sort -u)
if [ "${#drifting[@]}" -gt 0 ] || [ -n "$report" ]; then
    printf 'off .clang-format: %s\n' "${drifting[@]}"
    [ "${#drifting[@]}" -gt 0 ] || printf '%s\n' "$report"
    echo "check-format: ${#drifting[@]} file(s) drift; run clang-format -i on them"
    exit 1
fi
echo "check-format: ${#files[@]} files follow .clang-format"
