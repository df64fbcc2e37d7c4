#!/usr/bin/env bash
# The main job on a fresh Debian 12 machine: set up, build, then build a
# project for the sample site shipped in sample/site (copied to a work
# folder first; the shipped copy is never touched) and show it.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${WENDLOCK_BUILD_DIR:-$ROOT/build}"
WORK="${WENDLOCK_SAMPLE_DIR:-$ROOT/work-sample}"

WENDLOCK_SETUP_BROWSER=0 bash "$ROOT/scripts/setup.sh"
bash "$ROOT/scripts/build.sh"
CLI="$BUILD/bin/wendlock-cli"

rm -rf "$WORK"
mkdir -p "$WORK"
cp -r "$ROOT/sample/site" "$WORK/site"

# A project listing every page of the copied site.
files=$(find "$WORK/site" -type f \( -name '*.html' -o -name '*.htm' \) | sort | sed 's/.*/"&"/' | paste -sd, -)
printf '{"files": [%s], "password": "tangelo"}\n' "$files" >"$WORK/sample.json"
"$CLI" convert "$WORK/sample.json" "$WORK/sample.vxp"

echo "Project written to $WORK/sample.vxp:"
"$CLI" show "$WORK/sample.vxp"
