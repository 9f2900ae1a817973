#!/usr/bin/env bash
# The checks that need a real window manager or a real process end, on the build of
# scripts/setup.sh: the window modes under openbox, the start and the end under openbox, and
# the saves of a close counted under strace and interrupted by kills.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/ensure_packages.sh openbox strace xvfb xauth x11-apps xdotool imagemagick
build=${MIRVO_BUILD_DIR:-build}
bash scripts/window_modes_check.sh "$build"
bash scripts/soak_start.sh "$build/src/ui/mirvo"
bash scripts/count_saves.sh 10
