#!/usr/bin/env bash
# How many works of an Aozora Bunko sample show every annotation, with the Aozora notes on:
# runs `mirvo --dump-notes WORK --aozora 1` on each work and prints the share of works that
# have no annotation left as a footnote mark, leaving out
#   - the legend: the lines from the first line of hyphens (ten or more "-" and nothing
#     else, within the first 40 lines) up to the next such line;
#   - editorial notes: a note whose text holds ママ, 底本, 入力者注, 編集部注 or 編者注
#     (ママ, 「…」はママ, 底本では…, 底本は…, 底本の…, 入力者注…).
# Then the ten most frequent kinds among the notes that remain, each kind the note with
# every quoted part 「…」 written 「…」 and every run of digits (ASCII or full-width) N.
# A work that cannot be formatted counts as not shown and is listed.
# Usage: scripts/aozora_notes.sh [FOLDER]   (needs the mirvo program built in build/)
# Without FOLDER, works.tar.xz of shared/aozora in a folder above the repository is
# unpacked into a temporary folder. No test needs this script.
set -uo pipefail
cd "$(dirname "$0")/.."
mirvo="${MIRVO:-build/src/ui/mirvo}"
[ -x "$mirvo" ] || { echo "no $mirvo: build the target mirvo first" >&2; exit 2; }
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

folder="${1:-}"
if [ -z "$folder" ]; then
    dir="$(pwd)"
    while [ "$dir" != / ] && [ ! -f "$dir/shared/aozora/works.tar.xz" ]; do
        dir="$(dirname "$dir")"
    done
    archive="$dir/shared/aozora/works.tar.xz"
    [ -f "$archive" ] || { echo "no shared/aozora/works.tar.xz above $(pwd)" >&2; exit 2; }
    mkdir "$work/works" && tar -xJf "$archive" -C "$work/works" || exit 2
    folder="$work/works"
fi

total=0
clean=0
: >"$work/remaining"
while IFS= read -r -d '' book; do
    total=$((total + 1))
    if ! "$mirvo" --dump-notes "$book" --aozora 1 >"$work/notes" 2>"$work/err"; then
        echo "not formatted: ${book#"$folder"/}: $(head -c 200 "$work/err" | tr '\n' ' ')"
        continue
    fi
    legend=$(iconv -f CP932 -t UTF-8 -c "$book" | awk '
        /^----------+[ \t\r]*$/ { if (!a) { if (NR <= 40) a = NR; else exit } else { print a, NR; exit } }')
    from=${legend% *}
    to=${legend#* }
    [ -n "$legend" ] || { from=0; to=0; }
    awk -F '\t' -v from="$from" -v to="$to" '!($1 >= from && $1 <= to)' "$work/notes" |
        grep -v -E 'ママ|底本|入力者注|編集部注|編者注' >"$work/left"
    if [ -s "$work/left" ]; then
        cut -f 2- "$work/left" >>"$work/remaining"
    else
        clean=$((clean + 1))
    fi
done < <(find "$folder" -name '*.txt' -type f -print0 | sort -z)

[ "$total" -gt 0 ] || { echo "no .txt works in $folder" >&2; exit 2; }
awk -v c="$clean" -v t="$total" 'BEGIN {
    printf "works with every annotation shown (legend and editorial notes aside): %d of %d, %.1f %%\n",
        c, t, 100 * c / t }'
echo "most frequent kinds of the notes left as footnote marks (count, kind):"
perl -CSD -Mutf8 -pe 's/「[^」]*」/「…」/g; s/[0-9０-９]+/N/g' "$work/remaining" |
    sort | uniq -c | sort -rn | head -n 10
