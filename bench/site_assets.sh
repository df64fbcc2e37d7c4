#!/usr/bin/env bash
# Whole-site protect: a real site, the whole rustdoc output of Debian's
# rust-doc (the Rust std docs with their search index, about 30,000 files),
# or where that is not installed a generated doc-shaped site (pages, a
# search index, images, one large media file), protected with
# protectAssets on, against `cp -r` of the same site on tmpfs, paired run
# by run with farm-bench; and the peak memory of enciphering one very large
# file. Prints figures; never fails on speed.
#   bench/site_assets.sh [PAGES] [BIG_FILE_MB]     (WENDLOCK_BENCH_RUNS pairs, default 3)
# PAGES is the size of the generated site; WENDLOCK_BENCH_SITE=generated
# uses it even where rust-doc is installed.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
CLI="${WENDLOCK_CLI:-$ROOT/build/bin/wendlock-cli}"
PAGES="${1:-1000}"
BIG_MB="${2:-1024}"
BASE="${TMPDIR_BENCH:-/dev/shm}"
WORK="$(mktemp -d "$BASE/wendlock-site-bench.XXXXXX")"
trap 'rm -rf "$WORK"' EXIT

RUSTDOC=/usr/share/doc/rust-doc/html
if [[ -d "$RUSTDOC" && "${WENDLOCK_BENCH_SITE:-}" != generated ]]; then
    # The rustdoc output: every entry but the books Debian puts beside it,
    # links followed (Debian links shared scripts and fonts in; a link that
    # leads nowhere is left out).
    mkdir -p "$WORK/site"
    for entry in "$RUSTDOC"/*; do
        case "${entry##*/}" in
        book | edition-guide | embedded-book | nomicon | reference | rust-by-example | rustc | rustdoc | unstable-book) ;;
        *) cp -rL "$entry" "$WORK/site/" 2>/dev/null || true ;;
        esac
    done
    echo "site: the Rust std docs of rust-doc ($RUSTDOC)"
else
python3 - "$WORK/site" "$PAGES" <<'PY'
import os, sys, random, json
root, pages = sys.argv[1], int(sys.argv[2])
random.seed(11)
words = "lorem ipsum dolor sit amet quokka numbat members only handbook".split()
index = {}
for i in range(pages):
    d = os.path.join(root, "section%02d" % (i % 30))
    os.makedirs(d, exist_ok=True)
    text = [" ".join(random.choice(words) for _ in range(14)) for _ in range(random.randint(30, 120))]
    index["section%02d/page%05d.html" % (i % 30, i)] = text[0]
    with open(os.path.join(d, "page%05d.html" % i), "w") as f:
        f.write("<!DOCTYPE html>\n<html><head><title>P%d</title><link rel=stylesheet href=/s.css></head>\n<body>\n%s\n</body></html>\n"
                % (i, "\n".join("<p>%s</p>" % t for t in text)))
    if i % 10 == 0:
        with open(os.path.join(d, "figure%05d.png" % i), "wb") as f:
            f.write(os.urandom(random.randint(20000, 200000)))
with open(os.path.join(root, "searchindex.json"), "w") as f:
    json.dump(index, f)
with open(os.path.join(root, "s.css"), "w") as f:
    f.write("p { margin: 0 }\n" * 2000)
with open(os.path.join(root, "video.mp4"), "wb") as f:
    f.write(os.urandom(200 * 1048576))
PY
fi
bytes=$(du -sb "$WORK/site" | cut -f1)
files=$(find "$WORK/site" -type f | wc -l)
pages=$(find "$WORK/site" -type f \( -name '*.html' -o -name '*.htm' \) | wc -l)
printf 'site: %d pages, %d files, %.1f MB on %s\n' "$pages" "$files" "$(echo "$bytes / 1048576" | bc -l)" "$BASE"

cat >"$WORK/protect.sh" <<SH
#!/bin/sh
rm -rf "$WORK/copy" && cp -r "$WORK/site" "$WORK/copy" && exec "$CLI" protect --no-backup --password bench \
  --set kdfIterations=100000 --set salt=00112233445566778899aabbccddeeff --set protectAssets=1 "$WORK/copy" >/dev/null
SH
cat >"$WORK/copy.sh" <<SH
#!/bin/sh
rm -rf "$WORK/copy" && exec cp -r "$WORK/site" "$WORK/copy"
SH
chmod +x "$WORK"/*.sh
echo "== A: cp -r of the site, then protect with its other files; B: the cp -r alone"
echo "   protect's own time is A - B (medians); the target is A - B <= 4 x B"
echo "   (throughput at least 0.25 of cp -r's)"
farm-bench -n "${WENDLOCK_BENCH_RUNS:-3}" --timeout 3000 --vs "$WORK/copy.sh" -- "$WORK/protect.sh"

echo "== one ${BIG_MB} MB file enciphered (peak memory)"
rm -rf "$WORK/site" "$WORK/copy" "$WORK/copy2"
mkdir -p "$WORK/big"
printf '<html><head><title>x</title></head><body>x</body></html>\n' >"$WORK/big/index.html"
head -c "$((BIG_MB * 1048576))" /dev/urandom >"$WORK/big/huge.bin"
/usr/bin/time -f 'peak %M KB, %e s wall, %U s user' "$CLI" protect --no-backup --password bench \
  --set kdfIterations=100000 --set salt=00112233445566778899aabbccddeeff --set protectAssets=1 \
  "$WORK/big/index.html" >/dev/null
