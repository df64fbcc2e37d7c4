#!/usr/bin/env bash
# Runs clang-tidy (the checks in .clang-tidy) over the core library's
# sources with the build's compile_commands.json; fails on any finding.
# Needs a configured and built tree (generated headers): scripts/build.sh.
#   bash scripts/tidy-check.sh [BUILD_DIR]
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${1:-${WENDLOCK_BUILD_DIR:-$ROOT/build}}"
if [[ ! -f "$BUILD/compile_commands.json" ]]; then
    echo "tidy: $BUILD/compile_commands.json is missing: configure the build first" >&2
    exit 1
fi
cd "$ROOT"
mapfile -t files < <(git ls-files 'src/common/*.cpp' 'src/model/*.cpp' 'src/engine/*.cpp' 'src/files/*.cpp' \
    'src/templates/*.cpp' 'src/users/*.cpp')
log="$(mktemp)"
trap 'rm -f "$log"' EXIT
# One file per process, as many processes as cores.
if ! printf '%s\0' "${files[@]}" |
    xargs -0 -n 1 -P "$(nproc)" clang-tidy -p "$BUILD" --quiet >"$log" 2>&1; then
    grep -E '(warning|error):' "$log" | sort -u
    echo "tidy: findings in the core library (see .clang-tidy)" >&2
    exit 1
fi
echo "tidy: ${#files[@]} files clean"
