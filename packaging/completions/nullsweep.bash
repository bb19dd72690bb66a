# bash completion for nullsweep                                 -*- shell-script -*-
# SPDX-License-Identifier: GPL-3.0-or-later

_nullsweep_scan_options=(-f --format -o --output -0 --null -s --sort -d --descending
    -j --threads -x --one-file-system --exclude --delete --trash --include-kept --keep --config
    --files-from --no-journal --remove-emptied-folders
    -q --quiet -h --help --version)
_nullsweep_restore_options=(--dry-run --parents -h --help)
_nullsweep_formats=(paths text csv html xml xlsx json)
_nullsweep_fields=("File Name" "Full Path" "File Size" "File Ext" "File Type" "Description"
    "File Name Length" "Path Name Length" "Size Percentage" "Catalog Name" "Create Time"
    "Access Time" "Write Time" "DOS Name" "File Count" "CreateAgeRange" "AccessAgeRange"
    "WriteAgeRange" "SizeRange" none)

# Offers the words of the named array that start with the current word; field names hold
# blanks, so each is offered escaped as the shell reads it back.
_nullsweep_offer() {
    local -n words=$1
    local typed=$2 word
    typed=${typed#[\"\']}
    typed=${typed//\\/}
    for word in "${words[@]}"; do
        [[ $word == "$typed"* ]] && COMPREPLY+=("$(printf '%q' "$word")")
    done
}

_nullsweep_folders() {
    compopt -o filenames 2>/dev/null
    mapfile -t -O ${#COMPREPLY[@]} COMPREPLY < <(compgen -d -- "$1")
}

_nullsweep() {
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]}
    COMPREPLY=()
    # bash splits --sort=VALUE at the "=": take the option before it.
    if [[ $cur == = ]]; then
        cur=""
    elif [[ $prev == = ]]; then
        prev=${COMP_WORDS[COMP_CWORD - 2]}
    fi
    if [[ ${COMP_WORDS[1]} == restore && $COMP_CWORD -gt 1 ]]; then
        if [[ $cur == -* ]]; then
            COMPREPLY=($(compgen -W "${_nullsweep_restore_options[*]}" -- "$cur"))
        else
            compopt -o filenames 2>/dev/null
            mapfile -t COMPREPLY < <(compgen -f -- "$cur")
        fi
        return
    fi
    if [[ ${COMP_WORDS[1]} != scan || $COMP_CWORD -eq 1 ]]; then
        if [[ $cur == -* ]]; then
            COMPREPLY=($(compgen -W "-h --help --version" -- "$cur"))
        else
            [[ $COMP_CWORD -eq 1 ]] && COMPREPLY=($(compgen -W "scan restore" -- "$cur"))
            _nullsweep_folders "$cur"
        fi
        return
    fi
    case $prev in
    -f | --format)
        _nullsweep_offer _nullsweep_formats "$cur"
        return ;;
    -s | --sort)
        _nullsweep_offer _nullsweep_fields "$cur"
        return ;;
    -o | --output | --config | --files-from)
        compopt -o filenames 2>/dev/null
        mapfile -t COMPREPLY < <(compgen -f -- "$cur")
        return ;;
    --exclude | --keep | -j | --threads)
        return ;;
    esac
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "${_nullsweep_scan_options[*]}" -- "$cur"))
    else
        _nullsweep_folders "$cur"
    fi
}
complete -F _nullsweep nullsweep
