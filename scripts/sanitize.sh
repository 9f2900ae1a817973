#!/usr/bin/env bash
# Builds the core (no windows) with AddressSanitizer and UndefinedBehaviorSanitizer and
# runs its tests.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${MIRVO_ASAN_DIR:-build-asan}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMIRVO_SANITIZE=ON -DMIRVO_CORE_ONLY=ON
cmake --build "$build" -j"$(nproc)"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
    LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp:print_suppressions=0" \
    ctest --test-dir "$build" -L core --output-on-failure -j"$(nproc)"
