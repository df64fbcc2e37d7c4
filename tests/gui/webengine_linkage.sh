#!/usr/bin/env bash
# The libraries the program loads at start (ldd: its whole dependency tree)
# hold no part of Qt WebEngine, while the preview module needs it.
#   webengine_linkage.sh PROGRAM MODULE
set -uo pipefail
program="$1"
module="$2"
fail=0
if ! program_libs=$(ldd "$program"); then
    echo "not ok - ldd cannot read $program"
    exit 1
fi
if grep -i 'libQt6WebEngine' <<<"$program_libs"; then
    echo "not ok - $program loads Qt WebEngine at start (above)"
    fail=1
else
    echo "ok - $program loads no part of Qt WebEngine"
fi
# Without this the check above could pass on a tool that lists nothing.
# The list is read whole first: grep -q leaves a pipe at its first match,
# and with pipefail ldd's SIGPIPE would turn that match into a failure.
if ! module_libs=$(ldd "$module"); then
    echo "not ok - ldd cannot read $module"
    exit 1
fi
if grep -q 'libQt6WebEngineWidgets' <<<"$module_libs"; then
    echo "ok - $module links Qt WebEngine Widgets"
else
    echo "not ok - $module does not link Qt WebEngine Widgets"
    fail=1
fi
exit $fail
