#!/usr/bin/env bash
# An install staged with DESTDIR under a temporary folder, used as it lies there: the
# layout, the installed program drawing the installed sample book, the desktop files
# against the freedesktop validators, the manual page, and the installed reader keeping
# its settings out of its prefix.
# Usage: install_test.sh BUILD_DIR VERSION APP_ID SOURCE_DIR BUILT_MIRVO
set -euo pipefail
build=$1 version=$2 id=$3 src=$4 built=$5
tmp=$(mktemp -d)
reader=
trap '[ -n "$reader" ] && kill "$reader" 2>/dev/null; rm -rf "$tmp"' EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# Width and height of a PNG, from its header.
png_size() {
    local -a n
    read -r -a n < <(od -An -tu1 -j16 -N8 "$1")
    echo "$(((n[0] << 24) + (n[1] << 16) + (n[2] << 8) + n[3]))x$(((n[4] << 24) + (n[5] << 16) + (n[6] << 8) + n[7]))"
}

DESTDIR="$tmp/stage" cmake --install "$build" --prefix /usr >/dev/null
prefix=$tmp/stage/usr
share=$prefix/share

# The layout.
for f in bin/mirvo share/mirvo/readme2.txt share/mirvo/readme.bmp share/mirvo/Change.WAV \
    "share/applications/$id.desktop" "share/metainfo/$id.metainfo.xml" \
    "share/icons/hicolor/scalable/apps/$id.svg" share/man/man1/mirvo.1.gz; do
    [ -f "$prefix/$f" ] || fail "not installed: $f"
done
[ -x "$prefix/bin/mirvo" ] || fail "bin/mirvo is not executable"
for f in readme2.txt readme.bmp Change.WAV; do
    cmp -s "$src/data/$f" "$share/mirvo/$f" || fail "share/mirvo/$f differs from data/$f"
done
for size in 16 22 24 32 48 64 128 256; do
    png=$share/icons/hicolor/${size}x${size}/apps/$id.png
    [ -f "$png" ] || fail "no ${size}x${size} icon"
    [ "$(png_size "$png")" = "${size}x${size}" ] || fail "the ${size}x${size} icon is $(png_size "$png")"
done
if find "$tmp/stage" -mindepth 1 -maxdepth 1 ! -name usr | grep -q .; then
    fail "files outside the prefix: $(find "$tmp/stage" -mindepth 1 -maxdepth 1 ! -name usr)"
fi

# The installed program: its version, and the sample book's first spread as the build
# tree's program draws it from the source folder.
[ "$("$prefix/bin/mirvo" --version)" = "mirvo $version" ] || fail "--version: $("$prefix/bin/mirvo" --version)"
"$prefix/bin/mirvo" --render "$share/mirvo/readme2.txt" --page 1 --out "$tmp/installed.png" ||
    fail "the installed mirvo cannot draw the installed sample book"
[ "$(png_size "$tmp/installed.png")" = 805x564 ] || fail "spread of $(png_size "$tmp/installed.png")"
"$built" --render "$src/data/readme2.txt" --page 1 --out "$tmp/built.png"
cmp -s "$tmp/installed.png" "$tmp/built.png" || fail "the installed spread differs from the build tree's"

# The desktop files, as desktop environments and software centres read them.
out=$(desktop-file-validate "$share/applications/$id.desktop" 2>&1) || fail "desktop-file-validate: $out"
if grep -E 'error|warning' <<<"$out"; then fail "desktop-file-validate complains"; fi
grep -qx "Icon=$id" "$share/applications/$id.desktop" || fail "the desktop entry names another icon"
grep -qx "Exec=mirvo %f" "$share/applications/$id.desktop" || fail "the desktop entry starts something else"
appstreamcli validate --no-net "$share/metainfo/$id.metainfo.xml" || fail "appstreamcli validate"
appstreamcli validate-tree --no-net "$prefix" >/dev/null || fail "appstreamcli validate-tree"
grep -q "<release version=\"$version\"" "$share/metainfo/$id.metainfo.xml" ||
    fail "the AppStream release is not $version"

# The manual page: no roff warnings, the version, and every option --help lists; the
# README lists them too.
warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$share/man/man1/mirvo.1.gz" 2>&1 >/dev/null)
[ -z "$warnings" ] || fail "manual page warnings: $warnings"
zcat "$share/man/man1/mirvo.1.gz" | sed 's/\\-/-/g' >"$tmp/mirvo.1"
grep -q "Mirvo $version" "$tmp/mirvo.1" || fail "the manual page is not of version $version"
options=$("$prefix/bin/mirvo" --help | grep -oE -- '--[a-z][a-z-]*' | sort -u)
[ "$(wc -l <<<"$options")" -ge 10 ] || fail "--help lists too few options: $options"
for o in $options MIRVO_HOME XDG_CONFIG_HOME; do
    grep -qF -- "$o" "$tmp/mirvo.1" || fail "the manual page does not mention $o"
done
for o in $options; do
    grep -qF -- "$o" "$src/README.md" || fail "README.md does not mention $o"
done

# The installed reader keeps its settings in $XDG_CONFIG_HOME/mirvo and writes nothing into
# its prefix, although this prefix is writable.
find "$tmp/stage" | sort >"$tmp/before"
mkdir -p "$tmp/run" "$tmp/home"
chmod 700 "$tmp/run"
env -u MIRVO_HOME XDG_RUNTIME_DIR="$tmp/run" XDG_CONFIG_HOME="$tmp/config" HOME="$tmp/home" \
    "$prefix/bin/mirvo" >"$tmp/reader.log" 2>&1 &
reader=$!
for _ in $(seq 100); do
    [ -d "$tmp/config/mirvo/MirvoKs" ] && break
    kill -0 "$reader" 2>/dev/null || fail "the installed reader ended: $(cat "$tmp/reader.log")"
    sleep 0.1
done
[ -d "$tmp/config/mirvo/MirvoKs" ] || fail "no settings folder in \$XDG_CONFIG_HOME/mirvo"
kill "$reader"
wait "$reader" 2>/dev/null || true
reader=
find "$tmp/stage" | sort >"$tmp/after"
diff "$tmp/before" "$tmp/after" >&2 || fail "the installed reader wrote into its prefix"
echo "install layout: all checks passed"
