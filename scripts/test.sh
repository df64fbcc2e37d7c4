#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine, builds everything and runs every test
# through ctest (core unit tests, CLI end to end, script tests).
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${WENDLOCK_BUILD_DIR:-$ROOT/build}"

bash "$ROOT/scripts/setup.sh"
bash "$ROOT/scripts/build.sh"
cd "$BUILD"
ctest --output-on-failure --parallel "$(nproc)"
