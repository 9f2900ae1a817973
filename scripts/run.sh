#!/usr/bin/env bash
# Sets up, builds and starts the reader on the bundled sample book.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
build=${MIRVO_BUILD_DIR:-build}
# With arguments they go to the reader as they are (a book to open); without, the sample.
if [ $# -gt 0 ]; then
    exec "$build/src/ui/mirvo" "$@"
fi
exec "$build/src/ui/mirvo" "$build/src/ui/readme2.txt"
