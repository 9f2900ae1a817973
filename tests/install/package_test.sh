#!/usr/bin/env bash
# The Debian package as CPack makes it: its dependencies (the libraries dpkg-shlibdeps
# finds and the Japanese fonts), its files, and the packaged program running.
# Usage: package_test.sh BUILD_DIR VERSION APP_ID SOURCE_DIR BUILT_MIRVO
set -euo pipefail
build=$1 version=$2 id=$3
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$tmp" >"$tmp/cpack.log" 2>&1 ||
    fail "cpack: $(cat "$tmp/cpack.log")"
deb=$(ls "$tmp"/mirvo_"$version"_*.deb) || fail "no mirvo_${version}_*.deb"
dpkg-deb -I "$deb"
echo "package size: $(stat -c %s "$deb") bytes"

[ "$(dpkg-deb -f "$deb" Package)" = mirvo ] || fail "package name"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "package version"
depends=$(dpkg-deb -f "$deb" Depends)
names=$(sed 's/ *([^)]*)//g; s/, */\n/g' <<<"$depends")
for d in fonts-ipafont-gothic fonts-ipafont-mincho qt6-translations-l10n libc6 libstdc++6 libqt6core6 libqt6gui6 \
    libqt6widgets6 libqt6network6 libqt6multimedia6 libfreetype6 libharfbuzz0b \
    libfontconfig1 libpng16-16 libjpeg62-turbo; do
    grep -qxF "$d" <<<"$names" || fail "Depends lacks $d: $depends"
done

dpkg-deb -c "$deb" | awk '{print $6}' >"$tmp/files"
for f in ./usr/bin/mirvo ./usr/share/mirvo/readme2.txt ./usr/share/mirvo/readme.bmp \
    ./usr/share/mirvo/Change.WAV "./usr/share/applications/$id.desktop" \
    "./usr/share/metainfo/$id.metainfo.xml" ./usr/share/man/man1/mirvo.1.gz \
    "./usr/share/icons/hicolor/scalable/apps/$id.svg" \
    "./usr/share/icons/hicolor/48x48/apps/$id.png"; do
    grep -qxF "$f" "$tmp/files" || fail "the package lacks $f"
done
if grep -v '^\./usr/' "$tmp/files" | grep -v '^\./$'; then fail "files outside /usr"; fi

# The packaged (stripped) program runs and draws its own sample book.
dpkg-deb -x "$deb" "$tmp/root"
[ "$("$tmp/root/usr/bin/mirvo" --version)" = "mirvo $version" ] || fail "packaged --version"
"$tmp/root/usr/bin/mirvo" --render "$tmp/root/usr/share/mirvo/readme2.txt" --page 1 \
    --out "$tmp/p.png" || fail "the packaged mirvo cannot draw its sample book"
echo "debian package: all checks passed"
