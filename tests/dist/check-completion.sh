#!/bin/bash
# Drives vlm's bash completion as bash-completion would, in a folder holding
# images, another file and a subfolder.
# Usage: check-completion.sh COMPLETION-FILE
set -u
source /usr/share/bash-completion/bash_completion
source "$1"
cd "$(mktemp -d)" && trap 'rm -rf "$PWD"' EXIT
touch disk.img BACKUP.VLM notes.txt && mkdir old

failed=0
# expect "LINE" "CANDIDATES": completing at the end of LINE gives CANDIDATES.
expect() {
    COMP_LINE=$1 COMP_POINT=${#1}
    read -ra COMP_WORDS <<<"$1"
    [[ $1 == *" " ]] && COMP_WORDS+=("")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMPREPLY=()
    _vlm vlm "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    local got
    got=$(printf '%s\n' "${COMPREPLY[@]}" | sort | xargs)
    [[ $got == "$2" ]] || { echo "FAIL: '$1' gave '$got', not '$2'"; failed=1; }
}
expect "vlm co" "compare convert"
expect "vlm ls -" "--help --json -R"
expect "vlm info " "BACKUP.VLM disk.img old/"
expect "vlm compare disk.img " "A: B:"
expect "vlm write --verify disk.img A" "A:"
expect "vlm drive insert A: " "BACKUP.VLM disk.img old/"
expect "vlm drive blank B: 1." "1.2M 1.44M 1.68M"
expect "vlm rescue A: --map " "BACKUP.VLM disk.img notes.txt old"
exit $failed
