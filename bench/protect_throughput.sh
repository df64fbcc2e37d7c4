#!/usr/bin/env bash
# Protect throughput on a generated site against `cp -r` of the same site,
# and the peak memory of protecting one very large page. Prints figures;
# never fails on speed.
#   bench/protect_throughput.sh [PAGES] [BIG_PAGE_MB]
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
CLI="${WENDLOCK_CLI:-$ROOT/build/bin/wendlock-cli}"
PAGES="${1:-2000}"
BIG_MB="${2:-1024}"
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT

python3 - "$WORK/site" "$PAGES" <<'PY'
import os, sys, random
root, pages = sys.argv[1], int(sys.argv[2])
random.seed(7)
words = "lorem ipsum dolor sit amet café naïve 日本語 members only protected content".split()
for i in range(pages):
    d = os.path.join(root, "section%02d" % (i % 40))
    os.makedirs(d, exist_ok=True)
    body = "\n".join("<p>" + " ".join(random.choice(words) for _ in range(12)) + "</p>" for _ in range(random.randint(40, 160)))
    with open(os.path.join(d, "page%05d.html" % i), "w", encoding="utf-8") as f:
        f.write("<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Page %d</title></head>\n<body>\n%s\n</body></html>\n" % (i, body))
PY
bytes=$(du -sb "$WORK/site" | cut -f1)

# Best of three runs each, both from a warm cache.
best() { sort -g | head -1; }
cp_s=$(for i in 1 2 3; do
    rm -rf "$WORK/copy"; t0=$(date +%s.%N); cp -r "$WORK/site" "$WORK/copy"; t1=$(date +%s.%N)
    echo "$t1 - $t0" | bc -l
done | best)
wl_s=$(for i in 1 2 3; do
    rm -rf "$WORK/copy"; cp -r "$WORK/site" "$WORK/copy"
    t0=$(date +%s.%N); "$CLI" protect --no-backup --password bench "$WORK/copy" >/dev/null; t1=$(date +%s.%N)
    echo "$t1 - $t0" | bc -l
done | best)

printf 'site: %d pages, %.1f MB\n' "$PAGES" "$(echo "$bytes / 1048576" | bc -l)"
printf 'cp -r:            %.3f s  (%.1f MB/s)\n' "$cp_s" "$(echo "$bytes / 1048576 / $cp_s" | bc -l)"
printf 'wendlock protect: %.3f s  (%.1f MB/s)\n' "$wl_s" "$(echo "$bytes / 1048576 / $wl_s" | bc -l)"
printf 'throughput ratio protect / cp -r: %.1f %%  (target: at least 40 %%)\n' "$(echo "100 * $cp_s / $wl_s" | bc -l)"

# One big page of short lines.
python3 - "$WORK/big.html" "$BIG_MB" <<'PY'
import sys
path, mb = sys.argv[1], int(sys.argv[2])
line = ("<p>" + "x" * 90 + " caf\u00e9</p>\n").encode("utf-8")
with open(path, "wb") as f:
    f.write(b"<html><head><title>big</title></head><body>\n")
    block = line * 10000
    for _ in range(mb * 1048576 // len(block)):
        f.write(block)
    f.write(b"</body></html>\n")
PY
big=$(stat -c %s "$WORK/big.html")
t0=$(date +%s.%N)
/usr/bin/time -f '%M' -o "$WORK/rss" "$CLI" protect --no-backup --password bench "$WORK/big.html" >/dev/null
t1=$(date +%s.%N)
printf 'big page: %.0f MB protected in %.1f s, peak RSS %.1f MB  (target: at most 64 MB)\n' \
    "$(echo "$big / 1048576" | bc -l)" "$(echo "$t1 - $t0" | bc -l)" "$(echo "$(cat "$WORK/rss") / 1024" | bc -l)"
