#!/usr/bin/env bash
# Protect speed, size and memory of the strong page format beside the
# classic one and beside `cp -r`, on a real documentation site held in
# tmpfs. Prints figures; never fails on speed.
#   bench/strong_protect.sh [ROUNDS] [BIG_PAGE_MB] [USERS]
#     ROUNDS       paired rounds of cp / classic / strong (default 5)
#     BIG_PAGE_MB  size of the one big page for peak memory (default 1024)
#     USERS        users of the multi-user run (default 1000)
# Site: the Rust standard library docs (Debian package rust-doc), installed
# when missing and apt-get can add it without removing anything; otherwise a
# generated site of similar shape.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
CLI="${WENDLOCK_CLI:-$ROOT/build/bin/wendlock-cli}"
ROUNDS="${1:-5}"
BIG_MB="${2:-1024}"
USERS="${3:-1000}"
ITER=600000
# A fixed salt: no run draws one, and every run derives exactly once.
SALT=00112233445566778899aabbccddeeff
RUST_STD=/usr/share/doc/rust-doc/html/std

[[ -x "$CLI" ]] || { echo "wendlock-cli not found at $CLI (build it or set WENDLOCK_CLI)"; exit 2; }
[[ -x /usr/bin/time ]] || { echo "/usr/bin/time is missing (apt-get install time)"; exit 2; }

TMPROOT=/dev/shm
[[ -d $TMPROOT && -w $TMPROOT ]] || TMPROOT="${TMPDIR:-/tmp}"
WORK="$(mktemp -d -p "$TMPROOT" wendlock-strong-bench.XXXXXX)"
trap 'rm -rf "$WORK"' EXIT

# Installs a Debian package only when apt would remove nothing for it (a
# documentation package can conflict with a Node.js build from elsewhere).
install_doc_package() {
    local pkg=$1
    [[ $(id -u) -eq 0 ]] || return 1
    command -v apt-get >/dev/null || return 1
    apt-get update -qq >/dev/null 2>&1 || true
    local sim
    sim="$(apt-get -s install --no-install-recommends "$pkg" 2>/dev/null)" || return 1
    if grep -q '^Remv' <<<"$sim"; then
        echo "note: not installing $pkg: apt would remove $(grep '^Remv' <<<"$sim" | awk '{print $2}' | xargs)"
        return 1
    fi
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$pkg" >/dev/null 2>&1
}

if [[ ! -d $RUST_STD ]]; then
    echo "rust-doc is missing; installing it as bench data"
    install_doc_package rust-doc || true
fi
if [[ -d $RUST_STD ]]; then
    cp -r "$RUST_STD" "$WORK/site"
    SITE_NAME="Rust std docs (rust-doc)"
else
    echo "note: rust-doc not available; using a generated site"
    python3 - "$WORK/site" <<'PY'
import os, sys, random
root = sys.argv[1]
random.seed(7)
words = ("fn impl struct enum trait where Self usize Option<T> Result<T, E> iterator "
         "returns the number of elements panics if index out of bounds").split()
for i in range(1800):
    d = os.path.join(root, "mod%02d" % (i % 60))
    os.makedirs(d, exist_ok=True)
    parts = []
    for j in range(random.randint(20, 400)):
        text = " ".join(random.choice(words) for _ in range(random.randint(8, 30)))
        parts.append('<details class="method"><summary><code>pub fn m%d(&self) -&gt; usize</code></summary>'
                     '<div class="docblock"><p>%s</p></div></details>' % (j, text))
    with open(os.path.join(d, "struct.S%05d.html" % i), "w", encoding="utf-8") as f:
        f.write('<!DOCTYPE html><html lang="en"><head><meta charset="utf-8"><title>S%d</title>'
                '<link rel="stylesheet" href="../rustdoc.css"></head><body class="rustdoc">'
                '<nav class="sidebar"></nav><main>%s</main></body></html>\n' % (i, "\n".join(parts)))
PY
    SITE_NAME="generated doc-like site"
fi
SITE_BYTES=$(du -sb "$WORK/site" | cut -f1)
SITE_PAGES=$(find "$WORK/site" -type f \( -name '*.html' -o -name '*.htm' \) | wc -l)

now() { date +%s.%N; }
median() { sort -g | awk '{a[NR]=$1} END {if (NR%2) print a[(NR+1)/2]; else print (a[NR/2]+a[NR/2+1])/2}'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.3f", a/b}'; }

protect() { # FORMAT(0|1) DIR [extra args...]
    local cipher=$1 dir=$2
    shift 2
    "$CLI" protect --no-backup --password bench --set cipher="$cipher" --set kdfIterations=$ITER \
        --set salt=$SALT "$@" "$dir" >"$WORK/out.log" 2>&1 ||
        { echo "protect failed:"; tail -5 "$WORK/out.log"; exit 1; }
}

run_one() { # KIND -> seconds on stdout
    local kind=$1 t0 t1
    rm -rf "$WORK/run"
    case $kind in
    cp)
        t0=$(now); cp -r "$WORK/site" "$WORK/run"; t1=$(now) ;;
    classic | strong)
        cp -r "$WORK/site" "$WORK/run"
        local cipher=1; [[ $kind == classic ]] && cipher=0
        t0=$(now); protect $cipher "$WORK/run"; t1=$(now)
        du -sb "$WORK/run" | cut -f1 >"$WORK/size.$kind" ;;
    esac
    awk -v a="$t0" -v b="$t1" 'BEGIN {printf "%.4f\n", b-a}'
}

printf 'site: %s, %d pages, %.1f MB, in %s\n' "$SITE_NAME" "$SITE_PAGES" "$(ratio "$SITE_BYTES" 1048576)" "$TMPROOT"
echo "paired rounds: $ROUNDS (order alternates each round), $ITER iterations"
run_one strong >/dev/null # warm the page cache and the binary
: >"$WORK/t.cp"; : >"$WORK/t.classic"; : >"$WORK/t.strong"
for ((r = 1; r <= ROUNDS; r++)); do
    if ((r % 2)); then order="cp classic strong"; else order="strong classic cp"; fi
    line="round $r:"
    for k in $order; do
        s=$(run_one "$k")
        echo "$s" >>"$WORK/t.$k"
        line+=" $k $s s;"
    done
    echo "$line"
done
CP_S=$(median <"$WORK/t.cp")
CL_S=$(median <"$WORK/t.classic")
ST_S=$(median <"$WORK/t.strong")
R_CL=$(ratio "$CP_S" "$CL_S")
R_ST=$(ratio "$CP_S" "$ST_S")
SZ_CL=$(ratio "$(cat "$WORK/size.classic")" "$SITE_BYTES")
SZ_ST=$(ratio "$(cat "$WORK/size.strong")" "$SITE_BYTES")
rm -rf "$WORK/run"

# One big page of doc-like lines, strong format, peak memory.
python3 - "$WORK/big.html" "$BIG_MB" <<'PY'
import sys, random
path, mb = sys.argv[1], int(sys.argv[2])
random.seed(3)
words = "fn impl struct trait usize returns the number of elements café 日本語".split()
lines = [("<p>" + " ".join(random.choice(words) for _ in range(14)) + "</p>\n").encode() for _ in range(4096)]
block = b"".join(lines)
with open(path, "wb") as f:
    f.write(b"<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>big</title></head><body>\n")
    for _ in range(mb * 1048576 // len(block)):
        f.write(block)
    f.write(b"</body></html>\n")
PY
BIG_BYTES=$(stat -c %s "$WORK/big.html")
t0=$(now)
/usr/bin/time -v -o "$WORK/big.time" "$CLI" protect --no-backup --password bench --set cipher=1 \
    --set kdfIterations=$ITER --set salt=$SALT "$WORK/big.html" >"$WORK/out.log" 2>&1 ||
    { echo "big page protect failed"; tail -5 "$WORK/out.log"; exit 1; }
t1=$(now)
BIG_S=$(awk -v a="$t0" -v b="$t1" 'BEGIN {printf "%.1f", b-a}')
BIG_RSS_MB=$(awk -F: '/Maximum resident set size/ {printf "%.1f", $2/1024}' "$WORK/big.time")
BIG_OUT=$(stat -c %s "$WORK/big.html")
printf 'big page: %.0f MB -> %.0f MB strong in %s s, peak RSS %s MB\n' \
    "$(ratio "$BIG_BYTES" 1048576)" "$(ratio "$BIG_OUT" 1048576)" "$BIG_S" "$BIG_RSS_MB"
rm -f "$WORK/big.html"

# Several users: one derivation per user at protect time; the derivations
# run in parallel, so all cores against one pinned core shows the scaling.
python3 - "$WORK/users.csv" "$USERS" <<'PY'
import sys
with open(sys.argv[1], "w") as f:
    for i in range(int(sys.argv[2])):
        f.write("user%05d,pw-%05d-secret\n" % (i, i))
PY
PAGE_SRC=$(find "$WORK/site" -type f -name '*.html' -size +20k -print -quit)
multi_run() { # all|one -> seconds
    cp "$PAGE_SRC" "$WORK/page.html"
    local pin=()
    [[ $1 == one ]] && pin=(taskset -c 0)
    local t0 t1
    t0=$(now)
    "${pin[@]}" "$CLI" protect --no-backup --users "$WORK/users.csv" --set cipher=1 --set kdfIterations=$ITER \
        --set salt=$SALT "$WORK/page.html" >"$WORK/out.log" 2>&1 ||
        { echo "multi-user protect failed" >&2; tail -5 "$WORK/out.log" >&2; exit 1; }
    t1=$(now)
    awk -v a="$t0" -v b="$t1" 'BEGIN {printf "%.2f\n", b-a}'
}
CORES=$(nproc)
MU_ALL=$(multi_run all)
MU_ONE=$(multi_run one)
printf 'multi-user: %d users, %d iterations: all %d cores %s s, one core %s s\n' "$USERS" "$ITER" "$CORES" "$MU_ALL" "$MU_ONE"

echo
echo "== strong_protect summary =="
printf '%-52s %-22s %s\n' "figure" "measured" "target / peer"
printf '%-52s %-22s %s\n' "cp -r of the site (median)" "$CP_S s" "-"
printf '%-52s %-22s %s\n' "protect classic (median)" "$CL_S s" "-"
printf '%-52s %-22s %s\n' "protect strong, $ITER it. (median)" "$ST_S s" "-"
printf '%-52s %-22s %s\n' "throughput ratio cp / protect, strong" "$R_ST" ">= 0.30"
printf '%-52s %-22s %s\n' "throughput ratio cp / protect, classic" "$R_CL" ">= 0.40"
printf '%-52s %-22s %s\n' "size protected / original, strong" "$SZ_ST" "<= 0.7"
printf '%-52s %-22s %s\n' "size protected / original, classic" "$SZ_CL" "<= 1.6"
printf '%-52s %-22s %s\n' "peak RSS, one $(printf %.0f "$(ratio "$BIG_BYTES" 1048576)") MB page, strong" "$BIG_RSS_MB MB" "<= 64 MB"
printf '%-52s %-22s %s\n' "$USERS users, one page, all $CORES cores" "$MU_ALL s" "-"
printf '%-52s %-22s %s\n' "$USERS users, one page, one core (taskset -c 0)" "$MU_ONE s" "-"
printf '%-52s %-22s %s\n' "multi-user speed-up all cores / one core" "$(ratio "$MU_ONE" "$MU_ALL")x" "ideal ${CORES}x"
