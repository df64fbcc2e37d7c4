#!/usr/bin/env bash
# Big inputs through wendlock-cli: a site of 48,000 pages, one page of 1 GB
# and a page that is a single 10 MB line. Prints time and peak memory (the
# maximum resident set size) of each protect run and of unlocking the big
# pages again, and checks that they open to their text. Prints figures;
# never fails on speed.
#   bench/big_inputs.sh [PAGES] [BIG_PAGE_MB] [LINE_MB]
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
CLI="${WENDLOCK_CLI:-$ROOT/build/bin/wendlock-cli}"
PAGES="${1:-48000}"
BIG_MB="${2:-1024}"
LINE_MB="${3:-10}"
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT

# Runs a command, then prints its label, wall time, processor time (user +
# system, which other work on the machine hardly changes) and peak RSS.
measure() {
    local label="$1"
    shift
    /usr/bin/time -f '%e %U %S %M' -o "$WORK/time" "$@" >"$WORK/out" 2>&1 || {
        echo "$label: failed"
        tail -5 "$WORK/out"
        return 1
    }
    read -r wall user sys rss <<<"$(tail -1 "$WORK/time")"
    printf '%-46s %7.1f s wall %7.1f s cpu  peak RSS %7.1f MB\n' "$label" "$wall" \
        "$(echo "$user + $sys" | bc -l)" "$(echo "$rss / 1024" | bc -l)"
}

# Peak anonymous memory of a command, sampled: for a command that maps a
# file, peak RSS counts the mapped file, which the kernel can drop at will.
peak_anonymous() {
    local label="$1"
    shift
    "$@" >/dev/null 2>&1 &
    local pid=$! peak=0 now
    while kill -0 "$pid" 2>/dev/null; do
        now=$(awk '/^RssAnon/ {print $2}' "/proc/$pid/status" 2>/dev/null || true)
        [[ -n "$now" && "$now" -gt "$peak" ]] && peak=$now
        sleep 0.05
    done
    wait "$pid" || true
    printf '%-46s peak anonymous memory %7.1f MB\n' "$label" "$(echo "$peak / 1024" | bc -l)"
}

# ---- a site of many pages ---------------------------------------------------
python3 - "$WORK/site" "$PAGES" <<'PY'
import os, sys
root, pages = sys.argv[1], int(sys.argv[2])
para = "<p>Members read the minutes of meeting %d here, caf\u00e9 and all.</p>\n"
for i in range(pages):
    d = os.path.join(root, "part%03d" % (i % 200))
    os.makedirs(d, exist_ok=True)
    with open(os.path.join(d, "page%05d.html" % i), "w", encoding="utf-8") as f:
        f.write("<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Page %d</title></head>\n<body>\n" % i)
        f.write("".join(para % (i * 40 + k) for k in range(30)))
        f.write("</body></html>\n")
PY
site_mb=$(du -sm "$WORK/site" | cut -f1)
echo "site: $PAGES pages, $site_mb MB"
measure "cp -r of the site" cp -r "$WORK/site" "$WORK/copy"
rm -rf "$WORK/copy"
measure "protect the site, backups on" "$CLI" protect --password bench "$WORK/site"
grep -c $'^Protected\t' "$WORK/out" | xargs printf '  pages protected: %s\n'
measure "protect it again (every page protected before)" "$CLI" protect --password bench "$WORK/site"
measure "restore the site" "$CLI" restore "$WORK/site"
rm -rf "$WORK/site"

# ---- one big page -----------------------------------------------------------
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
echo "big page: $(($(stat -c %s "$WORK/big.html") / 1048576)) MB"
big_md5=$(sed 's/\xc3\xa9/\&#233;/g' "$WORK/big.html" | md5sum | cut -d' ' -f1)
measure "protect the big page, backup on" "$CLI" protect --password bench "$WORK/big.html"
echo "  protected page: $(($(stat -c %s "$WORK/big.html") / 1048576)) MB"
measure "unlock the big page" "$CLI" unlock "$WORK/big.html" --password bench -o "$WORK/big.txt"
peak_anonymous "  unlock again (it maps the page)" "$CLI" unlock "$WORK/big.html" --password bench -o "$WORK/big2.txt"
[[ "$(md5sum <"$WORK/big.txt" | cut -d' ' -f1)" == "$big_md5" ]] && echo "  opens to its text: yes" ||
    echo "  opens to its text: NO"
rm -f "$WORK"/big*

# ---- one long line ------------------------------------------------------------
python3 - "$WORK/line.html" "$LINE_MB" <<'PY'
import sys
path, mb = sys.argv[1], int(sys.argv[2])
with open(path, "wb") as f:
    f.write(b"<html><head><title>one line</title></head><body>")
    chunk = ("<span>caf\u00e9 " + "y" * 50 + "</span>").encode("utf-8")
    f.write(chunk * (mb * 1048576 // len(chunk)))
    f.write(b"</body></html>")
PY
echo "long line: $(($(stat -c %s "$WORK/line.html") / 1048576)) MB, $(tr -cd '\n' <"$WORK/line.html" | wc -c) line breaks"
line_md5=$(sed 's/\xc3\xa9/\&#233;/g' "$WORK/line.html" | md5sum | cut -d' ' -f1)
measure "protect the long line" "$CLI" protect --no-backup --password bench "$WORK/line.html"
measure "unlock the long line" "$CLI" unlock "$WORK/line.html" --password bench -o "$WORK/line.txt"
[[ "$(md5sum <"$WORK/line.txt" | cut -d' ' -f1)" == "$line_md5" ]] && echo "  opens to its text: yes" ||
    echo "  opens to its text: NO"
