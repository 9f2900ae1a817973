#!/usr/bin/env python3
"""Writes the golden hashes that pin the reader's rows and pages on the sample novels.

Usage: scripts/make-goldens.py [--pages-only | --rows-only] [MIRVO] [CORPUS]

MIRVO is a built mirvo executable (default build/src/ui/mirvo), CORPUS the folder of
sample novels (default tests/corpus). For each novel and layout the
script runs `mirvo --dump-rows` and hashes its standard output, and runs `mirvo --render`
for a few spreads and hashes the pixels of the PNG (8-bit RGB, rows top to bottom, read
back with ImageMagick's convert). Hashes are 64-bit FNV-1a in hexadecimal. The results go
to tests/data/golden/rows.txt and tests/data/golden/pages.txt, one case a line:
novel, TAB, the options, TAB, exit status ":" hash. tests/app/golden_test.cpp runs every
line again and compares.

Any build of mirvo with --dump-rows and --render can produce the files, so the goldens of
one revision can be made with the code of another.
"""
import os
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

ROW_LAYOUTS = [
    "--rows 10 --chars 25",
    "--rows 14 --chars 36",
    "--rows 6 --chars 12 --ruby 0 --comment 0",
    "--rows 20 --chars 60 --comment 0",
    "--rows 8 --chars 7 --ruby 0",
    "--rows 3 --chars 1",
]

# Each layout with the spreads it draws: "first" is page 1, "third" page 3, "middle" the
# odd page halfway through the book.
PAGE_LAYOUTS = [
    ("--area 800x600 --rows 10 --chars 25", ("first", "third", "middle")),
    ("--area 1000x700 --rows 14 --chars 36 --alias 0 --bold 1", ("first", "middle")),
    ("--area 640x480 --rows 6 --chars 12 --alias 0 --texture 0 --space 20 --ruby 0 --comment 0",
     ("third",)),
]


def fnv1a64(data: bytes) -> str:
    h = 0xCBF29CE484222325
    for b in data:
        h ^= b
        h = (h * 0x100000001B3) & 0xFFFFFFFFFFFFFFFF
    return "%016x" % h


def dump_rows(mirvo, novel, options):
    r = subprocess.run([mirvo, "--dump-rows", novel] + options.split(), capture_output=True)
    return r.returncode, r.stdout


def render_pixels(mirvo, novel, options, png):
    r = subprocess.run([mirvo, "--render", novel] + options.split() + ["--out", png],
                       capture_output=True)
    if r.returncode != 0 and not os.path.exists(png):
        return r.returncode, b""
    rgb = subprocess.run(["convert", png, "-depth", "8", "rgb:-"], capture_output=True,
                         check=True).stdout
    os.unlink(png)
    return r.returncode, rgb


def pages_to_render(row_count, rows_per_page, which):
    pages = max(1, (row_count - 2) // rows_per_page + 1)
    named = {"first": 1, "third": min(3, pages), "middle": pages // 2 | 1}
    return sorted({named[w] for w in which})


def main(argv):
    what = {"rows", "pages"}
    args = []
    for a in argv:
        if a == "--pages-only":
            what = {"pages"}
        elif a == "--rows-only":
            what = {"rows"}
        else:
            args.append(a)
    mirvo = os.path.abspath(args[0]) if args else os.path.join(ROOT, "build/src/ui/mirvo")
    corpus = args[1] if len(args) > 1 else os.path.join(ROOT, "tests/corpus")
    novels = sorted(f for f in os.listdir(corpus) if f.endswith(".txt"))
    out_dir = os.path.join(ROOT, "tests/data/golden")
    os.makedirs(out_dir, exist_ok=True)

    if "rows" in what:
        lines = []
        for novel in novels:
            for options in ROW_LAYOUTS:
                status, out = dump_rows(mirvo, os.path.join(corpus, novel), options)
                lines.append("%s\t%s\t%d:%s\n" % (novel, options, status, fnv1a64(out)))
        with open(os.path.join(out_dir, "rows.txt"), "w") as f:
            f.writelines(lines)

    if "pages" in what:
        lines = []
        with tempfile.TemporaryDirectory() as tmp:
            png = os.path.join(tmp, "page.png")
            for novel in novels:
                path = os.path.join(corpus, novel)
                for options, which in PAGE_LAYOUTS:
                    words = options.split()
                    row_options = " ".join(
                        words[i] + " " + words[i + 1] for i in range(0, len(words), 2)
                        if words[i] in ("--rows", "--chars", "--ruby", "--comment"))
                    status, rows = dump_rows(mirvo, path, row_options)
                    rows_per_page = int(words[words.index("--rows") + 1])
                    for page in pages_to_render(rows.count(b"\n"), rows_per_page, which):
                        full = "--page %d %s" % (page, options)
                        status, rgb = render_pixels(mirvo, path, full, png)
                        lines.append("%s\t%s\t%d:%s\n" % (novel, full, status, fnv1a64(rgb)))
        with open(os.path.join(out_dir, "pages.txt"), "w") as f:
            f.writelines(lines)


if __name__ == "__main__":
    main(sys.argv[1:])
