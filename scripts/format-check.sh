#!/usr/bin/env bash
# Fails when a C++ file of the repository differs from what clang-format
# makes of it with the repository's .clang-format. Fix with:
#   git ls-files '*.cpp' '*.h' | xargs clang-format -i
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
mapfile -t files < <(git ls-files '*.cpp' '*.h')
if ! clang-format --dry-run --Werror "${files[@]}" 2>/tmp/wendlock-format.$$; then
    grep -o '^[^:]*\.\(cpp\|h\):' /tmp/wendlock-format.$$ | sort -u | sed 's/:$/: not clang-format clean/'
    rm -f /tmp/wendlock-format.$$
    exit 1
fi
rm -f /tmp/wendlock-format.$$
echo "format: ${#files[@]} files clean"
