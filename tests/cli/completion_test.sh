#!/usr/bin/env bash
# Runs the bash completion of wendlock-cli as bash would and checks it
# offers the commands, each command's options, and every key "--set" takes
# (the keys of the JSON that "show" prints, so a new key is not forgotten).
set -u
CLI="${WENDLOCK_CLI:?set WENDLOCK_CLI to the wendlock-cli binary}"
COMPLETION="${WENDLOCK_COMPLETION:?set WENDLOCK_COMPLETION to the completion file}"
# shellcheck disable=SC1091
source /usr/share/bash-completion/bash_completion
# shellcheck disable=SC1090
source "$COMPLETION"
# Only bash's own completion run may change its options.
compopt() { :; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail=0
check() { # description, condition result
    if [[ "$2" == 0 ]]; then echo "ok - $1"; else echo "not ok - $1"; fail=1; fi
}

# Completes the line (the cursor at its end) and prints the offers sorted.
complete_line() {
    COMP_LINE="$1"
    COMP_POINT=${#COMP_LINE}
    read -r -a COMP_WORDS <<<"$COMP_LINE"
    [[ $COMP_LINE == *" " ]] && COMP_WORDS+=("")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMPREPLY=()
    _wendlock_cli wendlock-cli "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    printf '%s\n' "${COMPREPLY[@]}" | sort
}

[[ "$(complete_line 'wendlock-cli ' | grep -v '^-' | xargs)" == "convert link protect restore show templates unlock" ]]
check "the commands" $?
[[ "$(complete_line 'wendlock-cli pro')" == "protect" ]]; check "a command from its start" $?

# Every option the command's own help names, and nothing it does not know.
for command in protect restore unlock link templates; do
    # unlock's --output is the long form of its -o.
    hidden=(-e --help)
    [[ $command == unlock ]] && hidden+=(-e --output)
    offered=$(complete_line "wendlock-cli $command -" | grep -v -x "${hidden[@]}" | xargs)
    named=$("$CLI" "$command" --help | grep -oE -- '--[a-z-]+|\[-o ' | tr -d '[ ' | sort -u | xargs)
    [[ "$offered" == "$named" ]]; check "$command options ($offered) match its help ($named)" $?
done

printf '{"password":"pw"}' >"$work/p.json"
"$CLI" convert "$work/p.json" "$work/p.vxp"
keys=$("$CLI" show "$work/p.vxp" | grep -o '^  "[A-Za-z]*":' | tr -d ' ":' \
    | grep -v -x -e version -e files -e users | sed 's/$/=/' | sort | xargs)
[[ -n "$keys" && "$(complete_line 'wendlock-cli protect --set ' | xargs)" == "$keys" ]]
check "--set offers every settable key of the JSON" $?
[[ "$(complete_line 'wendlock-cli protect --set kdf')" == "kdfIterations=" ]]; check "--set completes a key" $?
[[ -z "$(complete_line 'wendlock-cli protect --set cipher=')" ]]; check "--set offers no value" $?
[[ "$(complete_line 'wendlock-cli templates --mode ' | xargs)" == "0 1" ]]; check "--mode offers 0 and 1" $?

mkdir -p "$work/site/docs" && touch "$work/site/index.html" "$work/site/p.vxp" "$work/site/u.csv"
cd "$work/site" || exit 1
[[ "$(complete_line 'wendlock-cli protect --backup-dir ' | xargs)" == "docs" ]]; check "--backup-dir offers folders" $?
[[ "$(complete_line 'wendlock-cli protect --output ' | xargs)" == "docs" ]]; check "protect --output offers folders" $?
[[ "$(complete_line 'wendlock-cli protect --users ' | xargs)" == "docs u.csv" ]]; check "--users offers user lists" $?
[[ "$(complete_line 'wendlock-cli show ' | xargs)" == "docs p.vxp" ]]; check "show offers projects" $?

exit $fail
