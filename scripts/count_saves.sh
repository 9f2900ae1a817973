#!/usr/bin/env bash
# Counts how often ending the reader replaces each settings file. A book with 30 bookmarks
# is opened in the reader (offscreen), the reader is ended as a logout ends it (SIGTERM), and
# strace counts the renames onto the global file and onto the book's state file: each must be
# replaced once, whole. Then the same close is killed at random moments, and every file left
# must be wholly the old one or wholly the new one.
# Usage: scripts/count_saves.sh [KILLS]   (default 20; MIRVO_BUILD_DIR names the build folder)
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/ensure_packages.sh strace
bin=$PWD/${MIRVO_BUILD_DIR:-build}/src/ui/mirvo
kills=${1:-20}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export MIRVO_HOME=$work/home XDG_RUNTIME_DIR=$work/run QT_QPA_PLATFORM=offscreen
mkdir -p "$MIRVO_HOME/MirvoKs" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
cp tests/corpus/kokoro.txt "$work/book.txt"
state=$MIRVO_HOME/MirvoKs/book.INI

write_state() {
    {
        printf '[Mirvo]\r\nCurrentPage=21\r\nClipCount=30\r\n'
        for i in $(seq 1 30); do printf 'Clip%d=%d\r\n' "$i" $((2 * i + 1)); done
    } >"$state"
    printf '[Mirvo]\r\nLast=%s\r\n' "$work/book.txt" >"$MIRVO_HOME/Mirvo.INI"
}

# Starts the reader on the book and waits until it shows the book (its window title names it
# once the book is open; the running copy's socket is there from the start).
run_reader() {
    "$bin" "$work/book.txt" >"$work/out" 2>&1 &
    pid=$!
    for _ in $(seq 1 100); do
        [ -n "$(find "$XDG_RUNTIME_DIR" -name '*.sock' 2>/dev/null)" ] && break
        sleep 0.1
    done
    sleep 1
}

write_state
run_reader
strace -f -qq -p "$pid" -e trace=rename,renameat,renameat2 -o "$work/trace" &
tracer=$!
sleep 1
kill -TERM "$pid"
wait "$pid" || true
wait "$tracer" || true
global=$(grep -c 'Mirvo\.INI"' "$work/trace" || true)
book=$(grep -c 'MirvoKs/book\.INI"' "$work/trace" || true)
echo "one close: global file replaced $global time(s), book state file $book time(s)"
status=0
[ "$global" = 1 ] && [ "$book" = 1 ] || status=1
grep -q '^ClipCount=30' "$state" || { echo "the bookmarks were not kept"; status=1; }

# Kills during the close: each file is wholly old or wholly new (both hold the same keys).
torn=0
for i in $(seq 1 "$kills"); do
    write_state
    run_reader
    kill -TERM "$pid"
    sleep "0.0$((RANDOM % 10))"
    kill -KILL "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    # Old and new hold the same 30 bookmarks: a file without all of them was torn.
    if ! grep -q '^ClipCount=30' "$state" || ! grep -q '^Clip30=61' "$state"; then
        torn=$((torn + 1))
    fi
    grep -q '^\[Mirvo\]' "$MIRVO_HOME/Mirvo.INI" || torn=$((torn + 1))
done
echo "$kills kills during the close: $torn file(s) torn"
[ "$torn" = 0 ] || status=1
exit $status
