#!/usr/bin/env bash
# Sets up and builds, then makes the Debian package mirvo_<version>_<arch>.deb in the
# build folder. Usage: scripts/package.sh [extra cmake options]; MIRVO_BUILD_DIR names the
# build folder (default: build).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh "$@"
build=${MIRVO_BUILD_DIR:-build}
(cd "$build" && cpack -G DEB)
ls "$build"/mirvo_*.deb
