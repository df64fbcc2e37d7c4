#!/usr/bin/env bash
# Installs the Debian packages Wendlock needs to build and test. Safe to run
# again: packages that are already installed are skipped.
set -euo pipefail

PACKAGES=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-tools-dev qt6-svg-dev qt6-webengine-dev libgl1-mesa-dev libxkbcommon-dev
    # The wizard's translations: lupdate/lrelease, and Qt's own German
    # (qtbase_de.qm: standard buttons) that the translation test checks.
    qt6-l10n-tools qt6-translations-l10n
    libgtest-dev
    # GIO: the desktop's applications for a file type (Open, Edit, Open with).
    libglib2.0-dev
    # The strong page format: libcrypto (PBKDF2, HKDF, AES-GCM), libdeflate
    # and zlib.
    libssl-dev libdeflate-dev zlib1g-dev openssl
    python3
    # A virtual X display for looking at the windows (xvfb-run).
    xvfb
    # The fuzz targets (libFuzzer) and readable sanitizer reports.
    clang libclang-rt-dev llvm
    # The formatting and static checks of CI.
    clang-format clang-tidy
    # The Debian package and its checks: Depends (dpkg-shlibdeps), the
    # metainfo validator, the helpers the completion test loads, lintian.
    dpkg-dev appstream bash-completion lintian
)
# Node.js minifies the login scripts at build time (and runs the script
# tests). It may come from elsewhere than Debian (with its own npm); only
# ask Debian for it when no node/npm is on the PATH.
if ! command -v node >/dev/null || ! command -v npm >/dev/null; then
    PACKAGES+=(nodejs npm)
fi
# Browser tests and the optional Web preview.
if [[ "${WENDLOCK_SETUP_BROWSER:-1}" == "1" ]]; then
    # Firefox ESR: the second engine of the browser tests (WebDriver BiDi).
    PACKAGES+=(chromium firefox-esr)
fi

# The real-site browser test's corpora: the Rust docs (rustdoc and the
# mdBook book) and the Python docs (Sphinx).
if [[ "${WENDLOCK_SETUP_REALSITES:-0}" == "1" ]]; then
    PACKAGES+=(rust-doc python3-doc)
fi

missing=()
for p in "${PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if ((${#missing[@]})); then
    SUDO=""
    if [[ $(id -u) -ne 0 ]]; then SUDO="sudo"; fi
    echo "setup: installing ${missing[*]}"
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
else
    echo "setup: all packages present"
fi

# The build's login-script tools from npm, pinned by the lock file: terser
# (minifier), esbuild and fflate (the strong script's inflater, bundled in).
# Installed when node_modules is missing or older than the lock file; the
# build then works offline.
MINIFY="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/tools/minify"
if [[ ! -d "$MINIFY/node_modules" ]] || [[ "$MINIFY/package-lock.json" -nt "$MINIFY/node_modules" ]]; then
    npm ci --prefix "$MINIFY" --no-audit --no-fund
    touch "$MINIFY/node_modules"
fi
