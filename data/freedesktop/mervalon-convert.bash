# bash completion for mervalon-convert                                -*- shell-script -*-
#
# The options come from "mervalon-convert --help" itself, read when a completion is asked for,
# so a new option completes without a change here. Each option line of the help begins with
# the option (aliases separated by ", ") and its value's name, e.g. "  --dest DIR   ...". The
# value's name says what is offered after the option:
#   DIR                          folders
#   FILE                         files (for --config, .rp4 files and the installation's
#                                configurations)
#   NAME                         for --format, the installation's formats
#   LIBRARY                      the installation's code libraries (codes/*.csv by name),
#                                folders and .csv files
#   POLICY                       the words listed under the option in the help
#   anything else (N, ...)       nothing
# The installation is the one of --install-dir on the command line, else the one recorded in
# the options file (~/.config/Halvent/Mervalon40.conf, key installpath).

# Prints the option lines of the help as "OPTION VALUENAME" (VALUENAME empty for a switch).
_mervalon_convert_options()
{
    "$1" --help 2>/dev/null | awk '
        /^ +-/ {
            sub(/^ +/, "")
            usage = $0
            sub(/  .*/, "", usage)               # up to the two spaces before the explanation
            n = split(usage, parts, /,? +|=/)
            value = ""
            if (parts[n] !~ /^-/) { value = parts[n]; n-- }
            for (i = 1; i <= n; i++) print parts[i], value
        }'
}

# Prints the words listed in the help below OPTION (lines indented deeper than the option lines,
# each beginning with one word followed by two spaces).
_mervalon_convert_choices()
{
    "$1" --help 2>/dev/null | awk -v option="$2" '
        /^ +-/ { inside = (index($0, " " option " ") > 0 || index($0, " " option "=") > 0); next }
        inside && /^      +[a-z][a-z0-9-]*  / { print $1; next }
        inside && !/^      / { inside = 0 }'
}

# The installation folder: --install-dir on the line, else installpath of the options file.
_mervalon_convert_install_dir()
{
    local i word
    for ((i = 1; i < COMP_CWORD; i++)); do
        word=${COMP_WORDS[i]}
        if [[ $word == --install-dir ]]; then
            if [[ ${COMP_WORDS[i + 1]} == = ]]; then
                word=${COMP_WORDS[i + 2]}
            else
                word=${COMP_WORDS[i + 1]}
            fi
            word=$(_mervalon_convert_dequote "$word")
            printf '%s\n' "${word/#\~/$HOME}"
            return
        fi
    done
    local conf=${XDG_CONFIG_HOME:-$HOME/.config}/Halvent/Mervalon40.conf
    [[ -r $conf ]] || return
    # The settings store quotes a value holding a comma, for example.
    sed -n 's/^installpath=//p' "$conf" | head -n 1 | sed 's/^"\(.*\)"$/\1/'
}

# The word as the shell will read it: its quotes (the closing one may not be typed yet) or its
# backslashes taken away.
_mervalon_convert_dequote()
{
    local word=$1
    case $word in
        \'*) word=${word#\'} word=${word%\'} ;;
        \"*) word=${word#\"} word=${word%\"} ;;
        *) word=$(printf '%s' "$word" | sed 's/\\\(.\)/\1/g') ;;
    esac
    printf '%s' "$word"
}

_mervalon_convert()
{
    local cur=${COMP_WORDS[COMP_CWORD]}
    local prev=${COMP_WORDS[COMP_CWORD - 1]}
    local program=${COMP_WORDS[0]}
    # "--format=x" reaches us as "--format" "=" "x", since "=" breaks words.
    if [[ $cur == = ]]; then
        cur=""
    elif [[ $prev == = && COMP_CWORD -ge 2 ]]; then
        prev=${COMP_WORDS[COMP_CWORD - 2]}
    fi
    cur=$(_mervalon_convert_dequote "$cur")
    COMPREPLY=()

    local option value
    local -A takes
    while read -r option value; do
        takes[$option]=$value
    done < <(_mervalon_convert_options "$program")

    if [[ $prev == -* && -n ${takes[$prev]} ]]; then
        local install
        case ${takes[$prev]} in
            DIR)
                compopt -o filenames 2>/dev/null
                mapfile -t COMPREPLY < <(compgen -d -- "$cur")
                ;;
            FILE)
                compopt -o filenames 2>/dev/null
                if [[ $prev == --config ]]; then
                    # Folders and .rp4 files as usual; before anything is typed, the
                    # installation's configurations as well.
                    install=$(_mervalon_convert_install_dir)
                    mapfile -t COMPREPLY < <(
                        compgen -d -- "$cur"
                        compgen -f -X '!*.rp4' -- "$cur"
                        if [[ -z $cur && -n $install ]]; then
                            compgen -f -X '!*.rp4' -- "$install/configurations/"
                        fi
                    )
                else
                    mapfile -t COMPREPLY < <(compgen -f -- "$cur")
                fi
                ;;
            NAME)
                install=$(_mervalon_convert_install_dir)
                if [[ $prev == --format && -n $install && -d $install/formats ]]; then
                    # Names may hold blanks: quoted on insertion like file names.
                    compopt -o filenames 2>/dev/null
                    local file name
                    for file in "$install"/formats/*.rpf; do
                        [[ -f $file ]] || continue
                        name=${file##*/}
                        name=${name%.rpf}
                        [[ $name == "$cur"* ]] && COMPREPLY+=("$name")
                    done
                fi
                ;;
            LIBRARY)
                compopt -o filenames 2>/dev/null
                install=$(_mervalon_convert_install_dir)
                mapfile -t COMPREPLY < <(
                    compgen -d -- "$cur"
                    compgen -f -X '!*.csv' -- "$cur"
                )
                if [[ -n $install && -d $install/codes ]]; then
                    local library
                    for library in "$install"/codes/*.csv; do
                        [[ -f $library ]] || continue
                        library=${library##*/}
                        library=${library%.csv}
                        [[ $library == "$cur"* ]] && COMPREPLY+=("$library")
                    done
                fi
                ;;
            POLICY)
                mapfile -t COMPREPLY < <(compgen -W "$(_mervalon_convert_choices "$program" "$prev")" -- "$cur")
                ;;
        esac
        return
    fi

    if [[ $cur == -* ]]; then
        mapfile -t COMPREPLY < <(compgen -W "${!takes[*]}" -- "$cur")
        return
    fi
    compopt -o filenames 2>/dev/null
    mapfile -t COMPREPLY < <(compgen -f -- "$cur")
}

complete -F _mervalon_convert mervalon-convert
