#!/usr/bin/env bash
# Builds the tests with AddressSanitizer and UndefinedBehaviorSanitizer and runs them all.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh clang-format
build=${TOVLIN_TEST_BUILD:-build-test}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTOVLIN_SANITIZE=ON -DTOVLIN_WERROR=ON -DTOVLIN_SHARED_LIBS=ON
cmake --build "$build" --parallel "$(nproc)"
cd "$build"
ctest --output-on-failure --parallel "$(nproc)"
