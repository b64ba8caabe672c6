# SPDX-License-Identifier: GPL-3.0-or-later
# bash completion for penwick-cli: its commands, each command's options, and .xml files
# where a project is expected (any file for an export's output and for count --text; none
# for grep's pattern).
_penwick_cli()
{
    local cur prev command
    cur=${COMP_WORDS[COMP_CWORD]}
    prev=${COMP_WORDS[COMP_CWORD-1]}
    if [ "$COMP_CWORD" -eq 1 ]; then
        COMPREPLY=($(compgen -W "info export count backups grep target stats proofread --version --help" -- "$cur"))
        return
    fi
    command=${COMP_WORDS[1]}
    case "$prev" in
        --encoding) COMPREPLY=($(compgen -W "utf-8 cp932" -- "$cur")); return ;;
        --format) COMPREPLY=($(compgen -W "text epub pdf" -- "$cur")); return ;;
        --ruling) COMPREPLY=($(compgen -W "red grey" -- "$cur")); return ;;
        --mode) COMPREPLY=($(compgen -W "0 1" -- "$cur")); return ;;
        --ruby) COMPREPLY=($(compgen -W "include exclude" -- "$cur")); return ;;
        --grid) COMPREPLY=($(compgen -W "20x20 20x10" -- "$cur")); return ;;
        --kinsoku|--deadline|--node) return ;;
        --rule) COMPREPLY=($(compgen -W "paragraph-start punct-before-close space-after-mark even-leaders leader-substitutes doubled-punct brackets halfwidth-kana long-numerals style-mix spelling-variants" -- "$cur")); return ;;
        --preset)
            # The grids of [grids] in penwick.conf, and the built-in one.
            local conf=${XDG_CONFIG_HOME:-$HOME/.config}/penwick/penwick.conf names
            names=$(sed -n '/^\[grids\]/,/^\[/{s/^[[:space:]]*\([^.=;#[:space:]]*\)[[:space:]]*=.*/\1/p}' "$conf" 2>/dev/null)
            COMPREPLY=($(compgen -W "default $names" -- "$cur")); return ;;
        --text) compopt -o filenames 2>/dev/null; COMPREPLY=($(compgen -f -- "$cur")); return ;;
    esac
    if [[ "$cur" == -* ]]; then
        case "$command" in
            export) COMPREPLY=($(compgen -W "--encoding --format --preset --grid --kinsoku --mode --ruling" -- "$cur")) ;;
            count) COMPREPLY=($(compgen -W "--preset --grid --kinsoku --mode --ruby --json --text" -- "$cur")) ;;
            grep) COMPREPLY=($(compgen -W "--word --case" -- "$cur")) ;;
            target) COMPREPLY=($(compgen -W "--node --deadline --clear" -- "$cur")) ;;
            stats) COMPREPLY=($(compgen -W "--preset --grid --json" -- "$cur")) ;;
            proofread) COMPREPLY=($(compgen -W "--json --rule" -- "$cur")) ;;
        esac
        return
    fi
    # The project is the first word after the command; an export's output may be any file.
    local words=0 i
    for ((i = 2; i < COMP_CWORD; i++)); do
        case "${COMP_WORDS[i]}" in
            --encoding|--format|--preset|--grid|--kinsoku|--mode|--ruby|--ruling|--text|--deadline|--node|--rule) ((i++)) ;;
            -*) ;;
            *) ((words++)) ;;
        esac
    done
    compopt -o filenames 2>/dev/null
    if [ "$command" = grep ] && [ "$words" -eq 0 ]; then
        COMPREPLY=()   # the pattern
    elif [ "$command" = export ] && [ "$words" -ge 1 ]; then
        COMPREPLY=($(compgen -f -- "$cur"))
    else
        COMPREPLY=($(compgen -f -X '!*.xml' -- "$cur") $(compgen -d -- "$cur"))
    fi
}
complete -F _penwick_cli penwick-cli
