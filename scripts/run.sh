#!/usr/bin/env bash
# Sets up, builds and starts the reader on the bundled sample book.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
build=${MIRVO_BUILD_DIR:-build}
exec "$build/src/ui/mirvo" --dump-rows "$build/src/ui/readme2.txt" "$@"
