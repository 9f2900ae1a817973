#!/usr/bin/env bash
# Slow, size-heavy checks of loading and formatting books, kept out of the test suite:
#   - lone-CR line ends split in linear time (1.28 M bare CRs, a 20 MB lone-CR book);
#   - books of line ends alone, and a book of prose at the size limit, under a 2 GB memory
#     limit: each is formatted, or refused with the formatter's memory message, and none
#     ends on std::bad_alloc (SIGABRT).
# Usage: scripts/soak_books.sh [build folder]   (needs the mirvo program built)
set -uo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
mirvo="$build/src/ui/mirvo"
[ -x "$mirvo" ] || { echo "no $mirvo: build the target mirvo first" >&2; exit 2; }
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failed=0

# Runs `mirvo --dump-rows BOOK` within SECONDS and a 2 GB address space; EXPECT is "rows"
# (formatted), "memory" (refused with the memory message) or "either".
check() {
    local name="$1" book="$2" seconds="$3" expect="$4"
    local start end status peak
    start=$(date +%s.%N)
    (ulimit -v 2097152; exec timeout "$seconds" /usr/bin/time -f "%M" -o "$work/peak" \
        "$mirvo" --dump-rows "$book" >/dev/null 2>"$work/err")
    status=$?
    end=$(date +%s.%N)
    peak=$(tail -n 1 "$work/peak" 2>/dev/null || echo "?")
    local got=other
    if [ "$status" -eq 0 ]; then
        got=rows
    elif grep -q "メモリーアクセス関連のエラー" "$work/err"; then
        got=memory
    fi
    local verdict=ok
    if [ "$status" -eq 124 ] || [ "$status" -ge 128 ] || [ "$got" = other ] ||
        { [ "$expect" != either ] && [ "$got" != "$expect" ]; }; then
        verdict=FAIL
        failed=1
    fi
    printf '%-5s %-34s exit %3s  %-6s %6.1f s  peak %s KiB\n' "$verdict" "$name" "$status" \
        "$got" "$(echo "$end - $start" | bc)" "$peak"
    [ "$verdict" = ok ] || head -c 400 "$work/err" >&2
}

python3 - "$work" <<'EOF'
import sys, glob
w = sys.argv[1]
open(f"{w}/cr_bare.txt", "wb").write(b"\r" * 1280000)
line = "吾輩は猫である".encode("cp932") + b"\r"
open(f"{w}/cr_20mb.txt", "wb").write(line * (20_000_000 // len(line)))
open(f"{w}/lf_64mib.txt", "wb").write(b"\n" * (64 << 20))
open(f"{w}/lf_256mib.txt", "wb").write(b"\n" * ((256 << 20) - 1))
# The most lines a book may have, each just too long to be kept inside its string.
open(f"{w}/short_lines.txt", "wb").write((b"x" * 15 + b"\n") * ((256 << 20) // 16))
prose = b"".join(open(f, "rb").read() for f in sorted(glob.glob("tests/corpus/*.txt")))
with open(f"{w}/prose_256mib.txt", "wb") as out:
    left = (256 << 20) - 1
    while left > 0:
        piece = prose[:left]
        out.write(piece)
        left -= len(piece)
EOF

check "1.28 M bare CRs" "$work/cr_bare.txt" 20 rows
check "20 MB of lone-CR lines" "$work/cr_20mb.txt" 60 rows
check "64 MiB of LF" "$work/lf_64mib.txt" 60 memory
check "256 MiB of LF" "$work/lf_256mib.txt" 60 memory
check "256 MiB of prose (CR LF)" "$work/prose_256mib.txt" 300 either
check "2^24 lines of 15 bytes" "$work/short_lines.txt" 300 either
exit "$failed"
