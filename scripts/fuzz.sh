#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, -fsanitize=fuzzer,address,undefined) in their own
# build folder and runs each for a given time, one after another.
# Usage: scripts/fuzz.sh [SECONDS] [TARGET...]   (default 30 seconds, every target)
# MIRVO_FUZZ_DIR names the build folder (default: build-fuzz). Inputs the fuzzer finds are
# kept in <build>/corpus/<target>; a crash leaves its input in <build>/artifacts and ends
# the script with a failure.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-30}
shift || true
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(format_fuzz aozora_notes_fuzz render_fuzz profile_fuzz bmp_fuzz jpeg_fuzz png_fuzz zip_fuzz handoff_fuzz gaiji_fuzz)

packages=(
    clang libclang-rt-14-dev cmake pkg-config make
    libfreetype-dev libharfbuzz-dev libfontconfig-dev libjpeg62-turbo-dev libpng-dev libzip-dev libstb-dev
    fonts-ipafont-gothic
)
bash scripts/ensure_packages.sh "${packages[@]}"

build=${MIRVO_FUZZ_DIR:-build-fuzz}
CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMIRVO_FUZZ=ON >/dev/null
cmake --build "$build" -j"$(nproc)" --target "${targets[@]}"

mkdir -p "$build/artifacts"
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1
export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp:print_suppressions=0"
for t in "${targets[@]}"; do
    corpus="$build/corpus/$t"
    mkdir -p "$corpus"
    echo "== $t: $seconds s"
    # New inputs go to the first folder; the seeds in the repository stay as they are.
    "$build/fuzz/$t" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 \
        -print_final_stats=1 -artifact_prefix="$build/artifacts/$t-" \
        "$corpus" "fuzz/seeds/$t" 2>"$build/$t.log" || {
        tail -n 60 "$build/$t.log"
        echo "fuzz: $t failed; the input is in $build/artifacts" >&2
        exit 1
    }
    grep -E "stat::number_of_executed_units|stat::peak_rss_mb|stat::new_units_added" "$build/$t.log" |
        sed "s/^/   /"
done
