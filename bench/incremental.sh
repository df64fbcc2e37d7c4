#!/usr/bin/env bash
# Incremental protect into an output folder: the Rust std docs (or, where
# they are missing, a generated site of the same shape) protected with
# --output, then protected again after one page was edited. The two runs
# are paired with farm-bench; the target is re-run <= 5 % of the full run
# (median of the pair ratios). Prints figures; never fails on speed.
#   bench/incremental.sh [SITE_FOLDER] [RUNS]
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
CLI="${WENDLOCK_CLI:-$ROOT/build/bin/wendlock-cli}"
SITE="${1:-/usr/share/doc/rust-doc/html/std}"
RUNS="${2:-5}"
BASE="${TMPDIR_BENCH:-/dev/shm}"
WORK="$(mktemp -d "$BASE/wendlock-incremental-bench.XXXXXX")"
trap 'rm -rf "$WORK"' EXIT

if [[ -d "$SITE" ]]; then
    cp -r "$SITE" "$WORK/site"
else
    echo "($SITE is missing: a generated site of 1,800 pages stands in)"
    python3 - "$WORK/site" <<'PY'
import os, sys, random
root = sys.argv[1]
random.seed(7)
words = "struct enum trait impl fn where iterator borrow slice vector option result".split()
for i in range(1800):
    d = os.path.join(root, "mod%02d" % (i % 40))
    os.makedirs(d, exist_ok=True)
    body = "\n".join("<p>%s</p>" % " ".join(random.choice(words) for _ in range(16)) for _ in range(random.randint(40, 400)))
    with open(os.path.join(d, "item%04d.html" % i), "w") as f:
        f.write("<!DOCTYPE html><html><head><title>%d</title></head><body>%s</body></html>\n" % (i, body))
for i in range(100):
    with open(os.path.join(root, "data%03d.js" % i), "w") as f:
        f.write("var x%d = %r;\n" % (i, "y" * random.randint(100, 20000)))
PY
fi
pages=$(find "$WORK/site" -name '*.html' | wc -l)
files=$(find "$WORK/site" -type f | wc -l)
printf 'site: %s, %d pages, %d files, %s on %s\n' "$SITE" "$pages" "$files" "$(du -sh "$WORK/site" | cut -f1)" "$BASE"
edited=$(find "$WORK/site" -name '*.html' | sort | sed -n 100p)
echo "edited page: ${edited#"$WORK/site/"}"

# KDF_ITERATIONS=N shows how much of the re-run is the key derivation.
common="--password bench --set salt=00112233445566778899aabbccddeeff${KDF_ITERATIONS:+ --set kdfIterations=$KDF_ITERATIONS}"
cat >"$WORK/full.sh" <<SH
#!/bin/sh
rm -rf "$WORK/out" && exec "$CLI" protect $common --output "$WORK/out" "$WORK/site" >/dev/null
SH
cat >"$WORK/edit.sh" <<SH
#!/bin/sh
# A new text each time: one page changed since the last run.
printf '<!-- edit %s -->\n' "\$(date +%s%N)" >>"$edited"
exec "$CLI" protect $common --output "$WORK/out" "$WORK/site" >"$WORK/edit.out"
SH
chmod +x "$WORK"/*.sh
"$WORK/full.sh"
"$WORK/edit.sh"
echo "a re-run after one edit: $(grep -c '^Protected	' "$WORK/edit.out") page line(s); $(grep 'written to' "$WORK/edit.out")"
echo "== A: re-run after one page was edited; B: the full run into an empty folder"
echo "   target: A/B <= 0.05 (median of the pair ratios)"
farm-bench -n "$RUNS" --timeout 1200 --vs "$WORK/full.sh" -- "$WORK/edit.sh"
