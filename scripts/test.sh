#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine, builds everything and runs every test
# through ctest (core unit tests, CLI end to end, script tests).
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${WENDLOCK_BUILD_DIR:-$ROOT/build}"

bash "$ROOT/scripts/setup.sh"
# The browser tests need playwright-core (it uses Debian's Chromium and
# downloads no browser). Installed from the lock file when node_modules is
# missing or older than the lock file; the build registers the tests only
# when it is there.
BROWSER_TESTS="$ROOT/tests/browser"
if command -v npm >/dev/null \
    && { [[ ! -d "$BROWSER_TESTS/node_modules" ]] || [[ "$BROWSER_TESTS/package-lock.json" -nt "$BROWSER_TESTS/node_modules" ]]; }; then
    npm ci --prefix "$BROWSER_TESTS" --no-audit --no-fund
    touch "$BROWSER_TESTS/node_modules"
fi
bash "$ROOT/scripts/build.sh"
cd "$BUILD"
ctest --output-on-failure --parallel "$(nproc)"
