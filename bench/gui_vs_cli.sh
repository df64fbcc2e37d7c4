#!/usr/bin/env bash
# The window's protect run beside the command line's, on the same project
# of generated pages: both go through one protect session, so the window
# should take at most 1.3 times as long. The window runs offscreen (or under
# Xvfb with WENDLOCK_BENCH_QPA=xcb), presses Protect as soon as it shows and
# quits at the end of the run (WENDLOCK_TEST_PROTECT_AND_QUIT). Both are
# timed as whole processes, start-up included; the window's own run time is
# printed too. Prints figures; never fails on speed.
#   bench/gui_vs_cli.sh [PAGES] [ROUNDS] [SCALE]
#     SCALE multiplies the pages' length (default 1: about 8 KB a page).
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
CLI="${WENDLOCK_CLI:-$ROOT/build/bin/wendlock-cli}"
GUI="${WENDLOCK_GUI:-$ROOT/build/bin/wendlock}"
PAGES="${1:-3000}"
ROUNDS="${2:-5}"
SCALE="${3:-1}"
for program in "$CLI" "$GUI"; do
    [[ -x "$program" ]] || { echo "$program not found (build it, or set WENDLOCK_CLI / WENDLOCK_GUI)"; exit 2; }
done
TMPROOT=/dev/shm
[[ -d $TMPROOT && -w $TMPROOT ]] || TMPROOT="${TMPDIR:-/tmp}"
WORK="$(mktemp -d -p "$TMPROOT" wendlock-gui-bench.XXXXXX)"
[[ -n "${WENDLOCK_BENCH_KEEP:-}" ]] && echo "work folder kept: $WORK" || trap 'rm -rf "$WORK"' EXIT

python3 - "$WORK/site" "$PAGES" "$SCALE" <<'PY'
import os, sys, random
root, pages, scale = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
random.seed(7)
words = "lorem ipsum dolor sit amet café naïve 日本語 members only protected content".split()
for i in range(pages):
    d = os.path.join(root, "section%02d" % (i % 40))
    os.makedirs(d, exist_ok=True)
    body = "\n".join("<p>" + " ".join(random.choice(words) for _ in range(12)) + "</p>" for _ in range(random.randint(40, 160) * scale))
    with open(os.path.join(d, "page%05d.html" % i), "w", encoding="utf-8") as f:
        f.write("<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Page %d</title></head>\n<body>\n%s\n</body></html>\n" % (i, body))
PY
# One project for both: the strong format with a fixed salt (no run draws
# one, so the window has nothing to save), no backups, the listed pages in
# the order a folder scan gives them.
python3 - "$WORK" "$ROOT" <<'PY'
import json, os, sys
work, root = sys.argv[1], sys.argv[2]
site = os.path.join(work, "site")
files = [os.path.join(work, "copy", os.path.relpath(os.path.join(d, n), site))
         for d, _, names in sorted(os.walk(site)) for n in sorted(names)]
json.dump({"files": files, "backup": 0, "passwordMode": 0, "password": "bench", "cipher": 1,
           "salt": "00112233445566778899aabbccddeeff",
           "templatePath": os.path.join(root, "build", "bin", "Templates", "SinglePassword", "Classic.htm")},
          open(os.path.join(work, "bench.json"), "w"))
PY
"$CLI" convert "$WORK/bench.json" "$WORK/bench.vxp" >/dev/null
bytes=$(du -sb "$WORK/site" | cut -f1)

# A fresh copy of the site before every run; the window gets a home of its
# own so that no earlier window geometry or preference plays a part.
export QT_QPA_PLATFORM="${WENDLOCK_BENCH_QPA:-offscreen}"
export XDG_CONFIG_HOME="$WORK/config" XDG_DATA_HOME="$WORK/data"
now() { date +%s.%N; }
cli_run() {
    rm -rf "$WORK/copy"; cp -r "$WORK/site" "$WORK/copy"
    local t0 t1; t0=$(now)
    "$CLI" protect "$WORK/bench.vxp" >"$WORK/cli.out"
    t1=$(now); echo "$t1 - $t0" | bc -l
}
gui_run() {
    rm -rf "$WORK/copy"; cp -r "$WORK/site" "$WORK/copy"
    local t0 t1; t0=$(now)
    WENDLOCK_TEST_PROTECT_AND_QUIT=1 "$GUI" "$WORK/bench.vxp" 2>"$WORK/gui.err" >/dev/null
    t1=$(now); echo "$t1 - $t0" | bc -l
}
median() { sort -g | awk '{v[NR]=$1} END {print (NR%2 ? v[(NR+1)/2] : (v[NR/2]+v[NR/2+1])/2)}'; }

# Warm the caches once, then run the two in turn so that a drift of the
# machine's speed touches both alike.
cli_run >/dev/null; gui_run >/dev/null
cli_times=(); gui_times=(); gui_inner=(); gui_stall=()
for r in $(seq 1 "$ROUNDS"); do
    cli_times+=("$(cli_run)")
    gui_times+=("$(gui_run)")
    gui_inner+=("$(awk '/^protect run:/ {print $3}' "$WORK/gui.err")")
    gui_stall+=("$(awk '/^protect run:/ {print $8}' "$WORK/gui.err")")
done
protected=$(grep -c "^Protected" "$WORK/cli.out" || true)
cli_m=$(printf '%s\n' "${cli_times[@]}" | median)
gui_m=$(printf '%s\n' "${gui_times[@]}" | median)
inner_m=$(printf '%s\n' "${gui_inner[@]}" | median)
stall_max=$(printf '%s\n' "${gui_stall[@]}" | sort -g | tail -1)
printf 'site: %d pages, %.1f MB, strong format; %d rounds; last CLI run protected %d pages\n' \
    "$PAGES" "$(echo "$bytes / 1048576" | bc -l)" "$ROUNDS" "$protected"
printf 'window says: %s\n' "$(awk '/^protect run:/ {getline; print; exit}' "$WORK/gui.err")"
printf 'CLI  (whole process), median: %.3f s\n' "$cli_m"
printf 'GUI  (whole process), median: %.3f s   (its run alone: %.3f s)\n' "$gui_m" "$inner_m"
printf 'ratio GUI / CLI, whole processes: %.2f  (target: at most 1.30)\n' "$(echo "$gui_m / $cli_m" | bc -l)"
printf 'ratio GUI run (Protect pressed to end message) / CLI whole process: %.2f\n' "$(echo "$inner_m / $cli_m" | bc -l)"
printf 'window responsiveness: longest event-loop stall during a run %s ms (largest of the rounds)\n' "$stall_max"
