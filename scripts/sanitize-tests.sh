#!/usr/bin/env bash
# Builds the core library, the CLI and their tests with AddressSanitizer and
# UndefinedBehaviorSanitizer into build-asan/ (no GUI) and runs them through
# ctest: the core unit tests, fault injection included, and the CLI end to
# end. A sanitizer report aborts the test it happens in, so ctest fails.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${WENDLOCK_ASAN_BUILD_DIR:-$ROOT/build-asan}"

WENDLOCK_SETUP_BROWSER=0 bash "$ROOT/scripts/setup.sh"

cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DWENDLOCK_SANITIZE=ON -DWENDLOCK_BUILD_GUI=OFF >/dev/null
cmake --build "$BUILD" --parallel "$(nproc)"

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:check_initialization_order=1:strict_init_order=1:${ASAN_OPTIONS:-}"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:${UBSAN_OPTIONS:-}"
cd "$BUILD"
# The script tests run in Node and the browser tests in Chromium; neither
# runs code this build instruments beyond what the CLI test covers.
ctest --output-on-failure --parallel "$(nproc)" -E '^(browser_.*|option_snippets_js|js_.*)$'
