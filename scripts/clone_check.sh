#!/usr/bin/env bash
# Proves that the repository stands on its own: a clone of the committed tree in a fresh
# temporary folder (with nothing beside it) configures, builds the test programs that read
# the sample novels and passes their tests. Also refuses tracked files that point at
# folders outside the repository. Cheap enough for every CI run (core only, two programs).
set -euo pipefail
cd "$(dirname "$0")/.."

# No tracked file may name the workspace folders the repository was first written in.
if git grep -n -I -E '\.\./shared|/work/(shared|wt|main)' -- ':!scripts/clone_check.sh'; then
    echo "clone check: the files above refer to folders outside the repository" >&2
    exit 1
fi

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
git clone -q --no-local . "$tmp/mirvo"
if [ -e "$tmp/shared" ]; then
    echo "clone check: $tmp/shared exists" >&2
    exit 1
fi
cd "$tmp/mirvo"
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DMIRVO_CORE_ONLY=ON -DMIRVO_BENCH=OFF >/dev/null
cmake --build build -j"$(nproc)" --target test_format test_render >/dev/null
ctest --test-dir build -R Corpus --output-on-failure --no-tests=error
echo "clone check: a clone in $tmp with no sibling folders passes the corpus tests"
