#!/usr/bin/env bash
# The main job on a fresh Debian 12 machine: set up, build, then protect the
# sample site shipped in sample/site. The site is copied to a work folder
# first; the shipped copy is never touched.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${WENDLOCK_BUILD_DIR:-$ROOT/build}"
WORK="${WENDLOCK_SAMPLE_DIR:-$ROOT/work-sample}"
PASSWORD="tangelo"

WENDLOCK_SETUP_BROWSER=0 bash "$ROOT/scripts/setup.sh"
bash "$ROOT/scripts/build.sh"
CLI="$BUILD/bin/wendlock-cli"

rm -rf "$WORK"
mkdir -p "$WORK"
cp -r "$ROOT/sample/site" "$WORK/site"

"$CLI" protect --password "$PASSWORD" --set alertText="Wrong password, try again." "$WORK/site"

cat <<MSG

The sample site is protected in $WORK/site
(originals kept beside each page as *.original).
Open $WORK/site/index.html in a browser, or serve it:
    python3 -m http.server --bind 127.0.0.1 --directory "$WORK/site" 8000
and visit http://127.0.0.1:8000/ -- the password is: $PASSWORD
To put the originals back: $CLI restore "$WORK/site"
MSG
