#!/usr/bin/env bash
# Start-up of the desktop program under Xvfb: time until its window is
# mapped and the memory (RSS) of the program and every process it started,
# a few seconds after the window shows. Once on the first page (no preview
# engine yet), once with the Template page restored at launch (the preview
# and its engine processes made). Prints figures; never fails on speed.
#   bench/gui_startup.sh [ROUNDS] [SETTLE_SECONDS]
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
GUI="${WENDLOCK_GUI:-$ROOT/build/bin/wendlock}"
ROUNDS="${1:-3}"
SETTLE="${2:-3}"
[[ -x "$GUI" ]] || { echo "wendlock not found at $GUI (build it or set WENDLOCK_GUI)"; exit 2; }
for tool in xvfb-run xdotool; do
    command -v "$tool" >/dev/null || { echo "$tool is missing (apt-get install xvfb xdotool)"; exit 2; }
done

# Runs inside xvfb-run: one start, prints "<window seconds> <tree RSS kB> <processes>".
if [[ "${1:-}" == --inner ]]; then
    start=$(date +%s.%N)
    "$GUI" >/dev/null 2>&1 &
    pid=$!
    for _ in $(seq 1 600); do
        xdotool search --onlyvisible --pid "$pid" >/dev/null 2>&1 && break
        sleep 0.01
    done
    shown=$(date +%s.%N)
    sleep "$SETTLE"
    # The process tree: the program and its descendants, by parent id.
    tree="$pid"
    frontier="$pid"
    while [[ -n "$frontier" ]]; do
        next=""
        for p in $frontier; do
            for c in $(ps -o pid= --ppid "$p" 2>/dev/null); do next="$next $c"; done
        done
        tree="$tree$next"
        frontier="$next"
    done
    rss=0
    count=0
    for p in $tree; do
        kb=$(awk '/^VmRSS:/ {print $2}' "/proc/$p/status" 2>/dev/null || true)
        rss=$((rss + ${kb:-0}))
        count=$((count + 1))
    done
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    echo "$(echo "$shown - $start" | bc -l) $rss $count"
    exit 0
fi

export WENDLOCK_GUI="$GUI" SETTLE
median() { sort -n | awk '{v[NR]=$1} END {print (NR%2 ? v[(NR+1)/2] : (v[NR/2]+v[NR/2+1])/2)}'; }
echo "wendlock start-up under Xvfb: $ROUNDS runs each, memory read ${SETTLE} s after the window shows"
for label in "first page" "Template page"; do
    times=()
    mems=()
    for r in $(seq 1 "$ROUNDS"); do
        home="$(mktemp -d)"
        if [[ $label == "Template page" ]]; then
            mkdir -p "$home/.config/Marrowind"
            printf '[Window]\nPage=3\n' >"$home/.config/Marrowind/Wendlock.conf"
        fi
        read -r t kb n < <(HOME="$home" XDG_CONFIG_HOME="$home/.config" \
            xvfb-run -a -s "-screen 0 1280x1024x24" "$0" --inner)
        rm -rf "$home"
        printf '  %-13s run %d: window %.3f s, %d MB in %d processes\n' "$label" "$r" "$t" $((kb / 1024)) "$n"
        times+=("$t")
        mems+=("$kb")
    done
    tm=$(printf '%s\n' "${times[@]}" | median)
    mm=$(printf '%s\n' "${mems[@]}" | median)
    printf '%-14s window shown (median) %.3f s; program + children RSS (median) %d MB\n' \
        "$label:" "$tm" $((${mm%.*} / 1024))
done
echo "targets: window <= 0.5 s; <= 100 MB before the Template page is opened"
