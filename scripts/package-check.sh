#!/usr/bin/env bash
# Builds the Debian package from a configured and built tree and checks it
# as installed: extracts it, protects a small site with the packaged CLI
# and unlocks a page back to its text, and looks for the man pages, the
# completion, the desktop files, the preview module beside the program and
# the Depends line.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${WENDLOCK_BUILD_DIR:-$ROOT/build}"
version=$(sed -n 's/^project(Wendlock VERSION \([0-9.]*\).*/\1/p' "$ROOT/CMakeLists.txt")
deb="$BUILD/wendlock_${version}_amd64.deb"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
rm -f "$deb"
if ! (cd "$BUILD" && cpack -G DEB >"$work/cpack.log" 2>&1) || [[ ! -f "$deb" ]]; then
    cat "$work/cpack.log" >&2
    echo "package-check: cpack made no $deb" >&2
    exit 1
fi

# Every check below runs and says ok or not ok; the exit code sums them up.
set +e
fail=0
check() { # description, condition result
    if [[ "$2" == 0 ]]; then echo "ok - $1"; else echo "not ok - $1"; fail=1; fi
}

info=$(dpkg-deb -I "$deb")
grep -q '^ Package: wendlock$' <<<"$info" && grep -q "^ Version: $version\$" <<<"$info"
check "the package is wendlock $version" $?
grep -q '^ Depends: .*libqt6core6.*' <<<"$info" && grep -q '^ Depends: .*libssl3' <<<"$info"
check "Depends names Qt and libssl (dpkg-shlibdeps ran)" $?

root="$work/root"
dpkg-deb -x "$deb" "$root"
files=$(cd "$root" && find . \( -type f -o -type l \) | sort)
for f in ./usr/bin/wendlock ./usr/bin/wendlock-cli ./usr/lib/wendlock/wendlock ./usr/lib/wendlock/wendlock-cli \
    ./usr/lib/wendlock/plugins/wendlock_webpreview.so \
    ./usr/share/doc/wendlock/copyright ./usr/share/doc/wendlock/changelog.gz \
    ./usr/lib/wendlock/Script/Strong/wendlock.js ./usr/lib/wendlock/Script/Worker/wendlock-sw.js \
    ./usr/lib/wendlock/translations/wendlock_de.qm \
    ./usr/share/man/man1/wendlock.1.gz \
    ./usr/share/man/man1/wendlock-cli.1.gz ./usr/share/bash-completion/completions/wendlock-cli \
    ./usr/share/applications/wendlock.desktop ./usr/share/mime/packages/wendlock-project.xml \
    ./usr/share/icons/hicolor/scalable/apps/wendlock.svg ./usr/share/metainfo/com.marrowind.Wendlock.metainfo.xml; do
    grep -qx -- "$f" <<<"$files"; check "the package holds $f" $?
done
# The desktop's caches belong to the system's triggers, not to one package.
! grep -q -e '/mime/mime.cache$' -e '/applications/mimeinfo.cache$' -e '/usr/local/' <<<"$files"
check "no desktop caches and nothing under /usr/local" $?
# grep without -q reads its input whole: with pipefail, a writer cut off by
# an early match would fail the check.
gzip -dc "$root/usr/share/man/man1/wendlock-cli.1.gz" | grep "^\.TH WENDLOCK\\\\-CLI 1 .*Wendlock $version" >/dev/null
check "wendlock-cli(1) carries the version" $?
grep -q "<release version=\"$version\"" "$root/usr/share/metainfo/com.marrowind.Wendlock.metainfo.xml"
check "the metainfo's releases name $version" $?
gzip -dc "$root/usr/share/doc/wendlock/changelog.gz" | head -n 1 | grep "^wendlock ($version) " >/dev/null
check "the changelog's first entry is $version" $?
# lintian's errors and warnings fail the check (its informational tags
# do not); running as root only draws a note of its own.
lintian_out=$(lintian --tag-display-limit 0 "$deb" 2>&1 | grep -v 'running with root privileges')
[[ -z "$(grep -E '^[EW]: ' <<<"$lintian_out")" ]]
check "lintian finds no errors or warnings" $?
[[ -n "$lintian_out" ]] && echo "$lintian_out" | sed 's/^/# /'

# The packaged CLI through its link, with nothing pointing it at the build.
cli="$root/usr/bin/wendlock-cli"
unset WENDLOCK_APP_DIR WENDLOCK_PASSWORD
[[ "$("$cli" --version)" == "$version" ]]; check "the packaged CLI runs" $?
"$cli" templates | grep "	$root/usr/lib/wendlock/Templates/SinglePassword/" >/dev/null
check "it finds the templates beside the real binary" $?
mkdir -p "$work/site/docs"
printf '<html><head><title>Home</title></head><body><p>Packaged marmalade</p></body></html>\n' >"$work/site/index.html"
printf '<html><body><p>Second page</p></body></html>\n' >"$work/site/docs/two.html"
out=$("$cli" protect --password tangelo --backup-dir "$work/backups" "$work/site" 2>"$work/err")
check "protect with --password succeeds" $?
[[ $(grep -c "	$work/site/" <<<"$out") == 2 ]] && ! grep -q marmalade "$work/site/index.html"
check "both pages are protected" $?
"$cli" unlock "$work/site/index.html" --password tangelo -o "$work/index.txt" \
    && grep -q "Packaged marmalade" "$work/index.txt"
check "unlock gives the page text back" $?
! "$cli" unlock "$work/site/index.html" --password wrong -o "$work/wrong.txt" 2>/dev/null
check "a wrong password unlocks nothing" $?

exit $fail
