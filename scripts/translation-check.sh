#!/usr/bin/env bash
# Fails when a translation of the wizard (data/translations/*.ts) is not up
# to date with the sources under src/gui: a text in the code that the file
# lacks (new), one it holds without a finished translation (unfinished), or
# one the code no longer has (vanished). lupdate runs over a temporary copy
# of each file, so the check never changes the tree.
#   --update   bring the files themselves up to date instead (lupdate
#              -no-obsolete: vanished texts are dropped), then translate
#              the texts it marks unfinished.
# LUPDATE names the lupdate of Qt 6 when it is not in a usual place.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
UPDATE=0
if [[ "${1:-}" == "--update" ]]; then UPDATE=1; fi

if [[ -z "${LUPDATE:-}" ]]; then
    for candidate in /usr/lib/qt6/bin/lupdate /usr/lib/qt6/libexec/lupdate "$(command -v lupdate-qt6 || true)"; do
        if [[ -n "$candidate" && -x "$candidate" ]]; then LUPDATE="$candidate"; break; fi
    done
fi
if [[ -z "${LUPDATE:-}" ]]; then
    echo "translation-check: Qt 6 lupdate not found (Debian package qt6-l10n-tools; or set LUPDATE)" >&2
    exit 2
fi

# Locations are left out of the files: they would change with every edit
# of a source line without any text changing.
scan() { "$LUPDATE" -silent -locations none -extensions cpp,h -I "$ROOT/src" "$ROOT/src/gui" "$@"; }

shopt -s nullglob
files=("$ROOT"/data/translations/*.ts)
if ((${#files[@]} == 0)); then
    echo "translation-check: no translation files in data/translations" >&2
    exit 1
fi

if ((UPDATE)); then
    for ts in "${files[@]}"; do scan -no-obsolete -ts "$ts"; done
fi

TMP="$(mktemp -d)"
trap 'rm -rf "$TMP"' EXIT
status=0
for ts in "${files[@]}"; do
    copy="$TMP/$(basename "$ts")"
    cp "$ts" "$copy"
    scan -ts "$copy"
    python3 - "$copy" "$(basename "$ts")" <<'PY' || status=1
import sys
import xml.etree.ElementTree as ET

path, name = sys.argv[1], sys.argv[2]
problems = {"unfinished": [], "vanished": []}
total = 0
for context in ET.parse(path).getroot().iter("context"):
    context_name = context.findtext("name", "")
    for message in context.iter("message"):
        total += 1
        translation = message.find("translation")
        kind = translation.get("type", "") if translation is not None else "unfinished"
        forms = translation.findall("numerusform") if translation is not None else []
        texts = [f.text or "" for f in forms] if forms else [(translation.text or "") if translation is not None else ""]
        if kind in ("vanished", "obsolete"):
            problems["vanished"].append((context_name, message.findtext("source", "")))
        elif kind == "unfinished" or not all(t.strip() for t in texts):
            problems["unfinished"].append((context_name, message.findtext("source", "")))
bad = sum(len(v) for v in problems.values())
if bad == 0:
    print(f"translation-check: {name}: {total} texts, all translated")
    sys.exit(0)
print(f"translation-check: {name} is out of date: {len(problems['unfinished'])} new or unfinished, "
      f"{len(problems['vanished'])} no longer in the code (of {total})", file=sys.stderr)
for kind, entries in problems.items():
    for context_name, source in entries[:20]:
        print(f"  {kind}: {context_name}: {source!r}", file=sys.stderr)
print("  run `cmake --build build --target update_translations` and translate what it marks",
      file=sys.stderr)
sys.exit(1)
PY
done
exit $status
