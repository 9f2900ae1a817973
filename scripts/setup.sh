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
    libzip-dev libqpdf-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    fonts-ipafont-gothic fonts-ipafont-mincho
    # Qt's own texts in Japanese (the standard dialogs)
    qt6-translations-l10n
    libpulse0
    xvfb xauth x11-apps imagemagick sox xdotool
    # the icon sizes, the Debian package and the checks of the installed files
    librsvg2-bin dpkg-dev desktop-file-utils appstream man-db
    # reading back the exported PDFs in the tests (pdfinfo)
    poppler-utils
    # launching a book's Desktop Entry as a file manager does (gio launch)
    libglib2.0-bin
)
bash scripts/ensure_packages.sh "${packages[@]}"

# Test faces, unpacked from their Debian package rather than installed: installed, Noto
# Sans CJK would become the machine's default Japanese face. The tests use it for its
# ideographic em box (BASE table) and its bold style of its own. About 57 MB to fetch.
test_fonts=.cache/test-fonts
if [ ! -f "$test_fonts/NotoSansCJK-Regular.ttc" ] || [ ! -f "$test_fonts/NotoSansCJK-Bold.ttc" ]; then
    sudo=""
    [ "$(id -u)" -ne 0 ] && sudo=sudo
    tmp=$(mktemp -d)
    chmod 755 "$tmp"
    if ! (cd "$tmp" && apt-get download -qq fonts-noto-cjk); then
        $sudo apt-get update -qq
        (cd "$tmp" && apt-get download -qq fonts-noto-cjk)
    fi
    dpkg-deb -x "$tmp"/fonts-noto-cjk_*.deb "$tmp/x"
    mkdir -p "$test_fonts"
    cp "$tmp"/x/usr/share/fonts/opentype/noto/NotoSansCJK-{Regular,Bold}.ttc "$test_fonts/"
    rm -rf "$tmp"
fi

build=${MIRVO_BUILD_DIR:-build}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release "$@"
cmake --build "$build" -j"$(nproc)"
