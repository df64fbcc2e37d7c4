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

exit $fail
