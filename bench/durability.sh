#!/usr/bin/env bash
# The cost of durability: a protect run that makes every page and backup
# durable before it is named (data synced once per batch and file system,
# then the renames, then each folder synced once) against the same run
# without any sync. Prints figures; never fails on speed.
#   bench/durability.sh [PAGES] [PAIRS] [FOLDER]
#     PAGES   pages of the generated site (default 3000)
#     PAIRS   paired runs, synced and unsynced in turn (default 7)
#     FOLDER  where the site is made (default: build/durability-bench); it
#             must be on a real disk, never tmpfs, or syncs cost nothing
# Each run is `protect --restore-first` with backups over the whole site:
# every page is put back from its backup and protected again, so every run
# does the same work (a backup and a page written and synced per page).
#
# WENDLOCK_NO_SYNC=1 makes a run skip every sync of its pages, backups and
# folders. It exists for this measurement only: never set it for real runs,
# which then lose pages and backups to a power cut.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
CLI="${WENDLOCK_CLI:-$ROOT/build/bin/wendlock-cli}"
PAGES="${1:-3000}"
PAIRS="${2:-7}"
BASE="${3:-$ROOT/build/durability-bench}"
SALT=00112233445566778899aabbccddeeff

[[ -x "$CLI" ]] || { echo "wendlock-cli not found at $CLI (build it or set WENDLOCK_CLI)"; exit 2; }
mkdir -p "$BASE"
WORK="$(mktemp -d -p "$BASE" run.XXXXXX)"
trap 'rm -rf "$WORK"' EXIT
fs_type="$(stat -f -c %T "$WORK")"
if [[ $fs_type == tmpfs || $fs_type == ramfs ]]; then
    echo "note: $WORK is on $fs_type: syncs cost nothing there, the figures say nothing"
fi

python3 - "$WORK/site" "$PAGES" <<'PY'
import os, sys, random
root, pages = sys.argv[1], int(sys.argv[2])
random.seed(11)
words = "lorem ipsum dolor sit amet café naïve 日本語 members only protected content".split()
for i in range(pages):
    d = os.path.join(root, "section%02d" % (i % 30))
    os.makedirs(d, exist_ok=True)
    body = "\n".join("<p>" + " ".join(random.choice(words) for _ in range(12)) + "</p>"
                     for _ in range(random.randint(20, 120)))
    with open(os.path.join(d, "page%05d.html" % i), "w", encoding="utf-8") as f:
        f.write("<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Page %d</title></head>\n"
                "<body>\n%s\n</body></html>\n" % (i, body))
PY
bytes=$(du -sb "$WORK/site" | cut -f1)

# run NO_SYNC: one protect run of the whole site.
run() {
    WENDLOCK_NO_SYNC=$1 "$CLI" protect --restore-first --password bench --set kdfIterations=100000 --set "salt=$SALT" \
        "$WORK/site" >"$WORK/out" 2>&1 || { echo "protect failed:"; tail -5 "$WORK/out"; exit 1; }
}
seconds() {
    local t0 t1
    t0=$(date +%s.%N)
    "$@"
    t1=$(date +%s.%N)
    echo "$t1 - $t0" | bc -l
}

# The first run makes the backups; one more warms the cache for both kinds.
run 0
run 1
synced=()
unsynced=()
ratios=()
for ((i = 0; i < PAIRS; i++)); do
    s=$(seconds run 0)
    u=$(seconds run 1)
    synced+=("$s")
    unsynced+=("$u")
    ratios+=("$(echo "$s / $u" | bc -l)")
done
grep -q "^$PAGES file(s) have been protected" "$WORK/out" || { echo "unexpected result:"; tail -3 "$WORK/out"; }
median() { printf '%s\n' "$@" | sort -g | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2] + a[NR/2+1]) / 2}'; }
ms=$(median "${synced[@]}")
mu=$(median "${unsynced[@]}")
mr=$(median "${ratios[@]}")
printf 'site: %d pages, %.1f MB, on %s (%s)\n' "$PAGES" "$(echo "$bytes / 1048576" | bc -l)" "$WORK" "$fs_type"
printf 'synced run:   median %.3f s  (%.3f ms a page)\n' "$ms" "$(echo "1000 * $ms / $PAGES" | bc -l)"
printf 'unsynced run: median %.3f s  (%.3f ms a page)\n' "$mu" "$(echo "1000 * $mu / $PAGES" | bc -l)"
printf 'synced / unsynced, median of %d paired ratios: %.3f  (target: at most 1.10)\n' "$PAIRS" "$mr"
