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
# The script and browser tests are registered only when Node, Chromium and
# playwright-core are there; after the setup above they must be, so a
# missing one is a failure, not a quietly shorter run.
registered="$(ctest -N)"
for name in js_login_script js_strong_script option_snippets_js browser_e2e_classic browser_e2e_strong; do
    if ! grep -q " $name\$" <<<"$registered"; then
        echo "test.sh: the test $name is not registered (see the configure output above)" >&2
        exit 1
    fi
done
# browser_realsites (label realsites) protects whole real sites and takes
# minutes: CI runs it as a step of its own (`ctest -R browser_realsites`).
ctest --output-on-failure --parallel "$(nproc)" -LE realsites
