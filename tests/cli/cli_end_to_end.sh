#!/usr/bin/env bash
# Runs the wendlock-cli executable as a user would and checks exit codes,
# output and the files it writes.
set -u
CLI="${WENDLOCK_CLI:?set WENDLOCK_CLI to the wendlock-cli binary}"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail=0
check() { # description, condition result
    if [[ "$2" == 0 ]]; then echo "ok - $1"; else echo "not ok - $1"; fail=1; fi
}

[[ "$("$CLI" --version)" == "2.4" ]]; check "--version prints 2.4" $?
"$CLI" --help | grep -q "convert IN OUT"; check "--help lists the commands" $?

"$CLI" show "$work/missing.vxp" 2>"$work/err"; rc=$?
[[ $rc == 2 ]] && grep -q "missing.vxp was not found." "$work/err"; check "show of a missing file exits 2 with the framework text" $?

printf '{"password":"pw","files":["/tmp/a.html"],"noPrint":1}' >"$work/in.json"
"$CLI" convert "$work/in.json" "$work/p.vxp"; check "json converts to a project" $?
"$CLI" show "$work/p.vxp" >"$work/show.json"; check "show reads it back" $?
grep -q '"noPrint": 1' "$work/show.json" && grep -q '"password": "pw"' "$work/show.json"; check "values survive" $?
"$CLI" convert "$work/p.vxp" "$work/p2.json" && "$CLI" convert "$work/p2.json" "$work/p2.vxp" \
    && cmp -s "$work/p.vxp" "$work/p2.vxp"; check "vxp -> json -> vxp is byte identical" $?

[[ $(stat -c %a "$work/p.vxp") == 600 && $(stat -c %a "$work/p2.json") == 600 ]]
check "projects and their JSON hold passwords: written 0600" $?

head -c 20 "$work/p.vxp" >"$work/cut.vxp"
"$CLI" convert "$work/cut.vxp" "$work/never.json" 2>"$work/err"; rc=$?
[[ $rc == 2 && ! -e "$work/never.json" ]] && grep -q "Unexpected file format." "$work/err"
check "a damaged project exits 2 and writes nothing" $?

"$CLI" bogus 2>/dev/null; [[ $? == 2 ]]; check "an unknown command exits 2" $?

# protect and restore draw a progress line only when standard error is a
# terminal (script(1) gives them one), and the printed rows stay the same.
mkdir -p "$work/site"
for i in 1 2 3; do printf '<p>page %s</p>\n' "$i" >"$work/site/p$i.html"; done
"$CLI" protect --password pw --backup-dir "$work/bk" "$work/site" >"$work/out" 2>"$work/err"
[[ $? == 0 && $(grep -c "^Protected	$work/site/p" "$work/out") == 3 ]] && ! grep -q -e $'\r' -e 'pages/s' "$work/err"
check "protect with standard error in a file prints no progress" $?
"$CLI" restore --backup-dir "$work/bk" "$work/site" >/dev/null 2>"$work/err"
[[ $? == 0 ]] && ! grep -q -e $'\r' -e 'pages/s' "$work/err"; check "restore in a file prints no progress" $?
if command -v script >/dev/null; then
    script -qefc "'$CLI' protect --password pw --backup-dir '$work/bk' '$work/site' >'$work/out2'" "$work/tty" </dev/null >/dev/null
    grep -q $'\rprotect 3/3 pages, [0-9.]* pages/s' "$work/tty" && diff <(sed 's/^Protected\t//' "$work/out") \
        <(sed 's/^Protected\t//' "$work/out2") >/dev/null
    check "protect at a terminal counts to 3/3 and prints the same rows" $?
    script -qefc "'$CLI' restore --backup-dir '$work/bk' '$work/site' >/dev/null" "$work/tty" </dev/null >/dev/null
    grep -q $'\rrestore 3/3 pages, ' "$work/tty"; check "restore at a terminal counts to 3/3" $?
fi

# unlock reads its password from standard input, a file or the environment.
printf '<p>unlock me</p>\n' >"$work/u.html"
printf 'S3same\n' >"$work/pw.txt"
"$CLI" protect --password-file "$work/pw.txt" --no-backup --set kdfIterations=100000 "$work/u.html" >/dev/null 2>&1
printf 'S3same\n' | "$CLI" unlock "$work/u.html" --password - | grep -q "unlock me"
check "unlock --password - reads standard input" $?
"$CLI" unlock "$work/u.html" --password-file "$work/pw.txt" | grep -q "unlock me"
check "unlock --password-file reads the file" $?
WENDLOCK_PASSWORD=S3same "$CLI" unlock "$work/u.html" | grep -q "unlock me"
check "unlock takes WENDLOCK_PASSWORD" $?
env -u WENDLOCK_PASSWORD "$CLI" unlock "$work/u.html" </dev/null >/dev/null 2>&1; [[ $? == 2 ]]
check "unlock without a password is a usage error" $?
# SIGINT and SIGTERM end a run between two pages: the result lines of the
# pages done, a summary of how far the run got, and 128 + the signal's
# number. Each page waits a little after it is written, so the signal
# comes in the middle of the run; every page is then protected with its
# backup or untouched.
# Job control on: a background job of a script otherwise ignores SIGINT.
set -m
for sig in INT TERM; do
    rm -rf "$work/many" && mkdir -p "$work/many"
    for i in $(seq -w 1 40); do printf '<p>page %s</p>\n' "$i" >"$work/many/p$i.html"; done
    WENDLOCK_TEST_PAUSE=page-written:100 "$CLI" protect --password pw --set kdfIterations=100000 \
        "$work/many" >"$work/out" 2>"$work/err" &
    pid=$!
    sleep 1
    kill -s "$sig" "$pid"
    wait "$pid"; rc=$?
    want=$([[ $sig == INT ]] && echo 130 || echo 143)
    summary=$(tail -n 1 "$work/out")
    done_lines=$(grep -c "^Protected	" "$work/out")
    protected_pages=$(grep -l "vxsv" "$work/many"/p*.html | wc -l)
    backups=$(ls "$work/many" | grep -c '\.original$')
    [[ $rc == "$want" && $summary =~ ^Interrupted:\ ([0-9]+)\ protected,\ ([0-9]+)\ not\ processed$ ]] \
        && (( BASH_REMATCH[1] == done_lines && BASH_REMATCH[1] + BASH_REMATCH[2] == 40 )) \
        && (( protected_pages == done_lines && backups == done_lines && done_lines < 40 ))
    check "SIG$sig ends protect between pages with its summary and exit $want (rc $rc: $summary)" $?
done
set +m

# protect --output: the site root is mirrored into another folder (pages
# protected, other files copied, links kept), the sources stay byte for
# byte, and later runs write only what changed (manifest in the folder).
src="$work/gen" out="$work/pub"
mkdir -p "$src/docs/deep" "$src/img"
printf '<html><head><title>a</title></head><body><p>alpha</p></body></html>\n' >"$src/index.html"
printf '<html><head></head><body><p>bravo</p></body></html>\n' >"$src/docs/b.html"
printf '<html><head></head><body><p>charlie</p></body></html>\n' >"$src/docs/deep/c.html"
printf 'body{color:red}\n' >"$src/style.css"
head -c 3000 /dev/urandom >"$src/img/pic.png"
printf '#!/bin/sh\n' >"$src/run.sh" && chmod 755 "$src/run.sh"
ln -s ../style.css "$src/docs/style-link.css"
(cd "$src" && find . -type f -exec sha256sum {} + | sort) >"$work/src.sums"
hashes() { (cd "$out" && find . -type f ! -name .wendlock-manifest.json -exec sha256sum {} + | sort); }
# A rewrite renames a new file into place: a new inode, even where the time is kept.
mtimes() { (cd "$out" && find . ! -type d ! -name .wendlock-manifest.json -printf '%p %i %T@\n' | sort); }
pw=(--password pw --set kdfIterations=100000)
"$CLI" protect "${pw[@]}" --output "$out" "$src" >"$work/out" 2>"$work/err"; rc=$?
[[ $rc == 0 && -f "$out/docs/deep/c.html" && -f "$out/img/pic.png" && -L "$out/docs/style-link.css" ]] \
    && grep -q vxsv "$out/index.html" && grep -q vxsv "$out/docs/deep/c.html" && ! grep -q charlie "$out/docs/deep/c.html" \
    && cmp -s "$src/img/pic.png" "$out/img/pic.png" && cmp -s "$src/style.css" "$out/style.css" \
    && [[ $(readlink "$out/docs/style-link.css") == ../style.css && $(stat -c %a "$out/run.sh") == 755 ]] \
    && diff "$work/src.sums" <(cd "$src" && find . -type f -exec sha256sum {} + | sort) >/dev/null \
    && [[ -z $(find "$src" -name '*.original') && -f "$out/.wendlock-manifest.json" ]]
check "--output mirrors the tree, protects the pages, copies the rest, keeps links; sources unchanged (rc $rc)" $?
"$CLI" unlock "$out/docs/b.html" --password pw | grep -q bravo; check "a page of the copy unlocks" $?

"$CLI" protect "${pw[@]}" --output "$src/pub" "$src" >/dev/null 2>"$work/err"; rc=$?
[[ $rc == 2 && ! -e "$src/pub" ]] && grep -q "inside the site root" "$work/err"
check "an output folder inside the site root is refused ($rc)" $?
"$CLI" protect "${pw[@]}" --output "$work" "$src" >/dev/null 2>"$work/err"; rc=$?
[[ $rc == 2 ]] && grep -q "lies inside the output folder" "$work/err"; check "a site root inside the output folder is refused" $?
"$CLI" protect "${pw[@]}" --output "$out" --backup-dir "$work/bk" "$src" >/dev/null 2>&1; [[ $? == 2 ]]
check "--output refuses --backup-dir" $?

# Incremental: one page edited, one file gone, a foreign file in the folder.
printf 'mine\n' >"$out/foreign.txt"
before=$(hashes) before_times=$(mtimes)
sleep 1.1
printf '<html><head></head><body><p>bravo two</p></body></html>\n' >"$src/docs/b.html"
rm "$src/run.sh"
touch "$src/style.css" # same bytes, new time: not written again
"$CLI" protect "${pw[@]}" --output "$out" --json "$src" >"$work/inc.json" 2>"$work/err"; rc=$?
changed=$(diff <(echo "$before") <(hashes) | grep '^>' | awk '{print $3}' | xargs)
changed_times=$(diff <(echo "$before_times") <(mtimes) | grep '^>' | awk '{print $2}' | xargs)
[[ $rc == 0 && $changed == "./docs/b.html" && $changed_times == "./docs/b.html" && ! -e "$out/run.sh" ]] \
    && [[ $(cat "$out/foreign.txt") == mine ]] && "$CLI" unlock "$out/docs/b.html" --password pw | grep -q "bravo two"
check "one edited page: exactly that output rewritten, deleted source removed, foreign file kept (rc $rc, changed: $changed / $changed_times)" $?
node -e '
const r = JSON.parse(require("fs").readFileSync(process.argv[1], "utf8"));
const f = r.files.find(x => x.path.endsWith("docs/b.html"));
const u = r.files.find(x => x.path.endsWith("index.html"));
if (r.command !== "protect" || r.exitCode !== 0 || !f || f.code !== "protected" || !f.ok || !f.text ||
    !u || u.code !== "unchanged" || typeof r.totals.protected !== "number" || r.totals.removed !== 1 ||
    !Array.isArray(r.warnings)) process.exit(1);
' "$work/inc.json"; check "--json prints one parsable summary with per-file codes and totals" $?
"$CLI" protect "${pw[@]}" --output "$out" --quiet "$src" >"$work/out" 2>"$work/err"; rc=$?
[[ $rc == 0 && ! -s "$work/out" && ! -s "$work/err" ]]; check "--quiet prints nothing on success" $?

before=$(hashes)
before_times=$(mtimes)
"$CLI" protect "${pw[@]}" --set noPrint=1 --output "$out" "$src" >/dev/null 2>&1
same=$(comm -12 <(echo "$before_times") <(mtimes) | awk '{print $1}' | xargs)
[[ $same == ./foreign.txt ]] && ! comm -12 <(echo "$before") <(hashes) | grep -q '\.html$'
check "a settings change rewrites every file (left: $same)" $?
before=$(mtimes)
"$CLI" protect "${pw[@]}" --set noPrint=1 --output "$out" "$src" >/dev/null 2>&1
unchanged=$(comm -12 <(echo "$before") <(mtimes) | wc -l)
"$CLI" protect "${pw[@]}" --set noPrint=1 --output "$out" --force "$src" >/dev/null 2>&1
[[ $unchanged == $(echo "$before" | wc -l) && $(comm -12 <(echo "$before") <(mtimes) | awk '{print $1}' | xargs) == ./foreign.txt ]]
check "the same run again writes nothing; --force rewrites all" $?

printf '{"password":"pw","files":["%s"],"outputFolder":"%s"}' "$src/index.html" "$out" >"$work/o.json"
"$CLI" convert "$work/o.json" "$work/o.vxp" && "$CLI" show "$work/o.vxp" | grep -q "\"outputFolder\": \"$out\""
check "outputFolder survives the project file" $?
"$CLI" restore "$work/o.vxp" >/dev/null 2>"$work/err"; rc=$?
[[ $rc == 2 ]] && grep -q "nothing to restore" "$work/err"; check "restore refuses a project that writes elsewhere" $?

# Killed at any moment, the next run into the folder finishes the job: every
# page of the copy opens to its source's text, every other file is its
# source's bytes, no temporary is left, and one more run writes nothing.
rm -rf "$out"
set -m
for delay in 0.2 0.5 0.9 0.4; do
    printf '<html><head></head><body><p>bravo %s</p></body></html>\n' "$delay" >"$src/docs/b.html"
    WENDLOCK_TEST_PAUSE=page-written:150 "$CLI" protect "${pw[@]}" --output "$out" "$src" >/dev/null 2>&1 &
    pid=$!
    sleep "$delay"
    kill -9 "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
done
set +m
"$CLI" protect "${pw[@]}" --output "$out" "$src" >/dev/null 2>&1; rc=$?
ok=0
for page in index.html docs/b.html docs/deep/c.html; do
    want=$(grep -o '<p>[^<]*</p>' "$src/$page")
    "$CLI" unlock "$out/$page" --password pw 2>/dev/null | grep -qF "$want" || ok=1
done
for file in style.css img/pic.png; do cmp -s "$src/$file" "$out/$file" || ok=1; done
before=$(mtimes)
"$CLI" protect "${pw[@]}" --output "$out" "$src" >/dev/null 2>&1
[[ $rc == 0 && $ok == 0 && -z $(find "$out" -name '.wendlock-tmp*') && "$before" == "$(mtimes)" ]]
check "after kills during runs, the next run finishes the copy and the one after writes nothing (rc $rc)" $?

exit $fail
