#!/usr/bin/env bash
# Installs the Debian packages Mirvo needs (only those missing), then configures and
# builds. Usage: scripts/setup.sh [extra cmake options]; MIRVO_BUILD_DIR names the build
# folder (default: build).
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
    cmake g++ pkg-config make
    qt6-base-dev qt6-multimedia-dev libqt6multimedia6
    libfreetype-dev libharfbuzz-dev libfontconfig-dev libjpeg62-turbo-dev libpng-dev libstb-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    fonts-ipafont-gothic fonts-ipafont-mincho
    libpulse0
    xvfb xauth x11-apps imagemagick sox xdotool
    # the icon sizes, the Debian package and the checks of the installed files
    librsvg2-bin dpkg-dev desktop-file-utils appstream man-db
)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    sudo=""
    [ "$(id -u)" -ne 0 ] && sudo=sudo
    echo "Installing: ${missing[*]}"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
fi

build=${MIRVO_BUILD_DIR:-build}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release "$@"
cmake --build "$build" -j"$(nproc)"
