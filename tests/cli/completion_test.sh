#!/usr/bin/env bash
# The bash completion of mervalon-convert, driven as bash drives it: COMP_WORDS split as
# readline splits the line ("=" is a word of its own), then COMPREPLY compared with what is
# expected. The options come from the program's --help, so a new option needs no change here.
#   completion_test.sh MERVALON_CONVERT COMPLETION_SCRIPT SHIPPED_DATA_DIR
convert=$(realpath "$1")
script=$(realpath "$2")
shipped=$(realpath "$3")

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# An installation with the shipped formats, and one recorded in the options file.
cp -r "$shipped" "$work/inst"
cp -r "$shipped" "$work/recorded"
mkdir -p "$work/config/Halvent" "$work/files/sub folder" "$work/files/other"
printf '[General]\ninstallpath=%s\n' "$work/recorded" > "$work/config/Halvent/Mervalon40.conf"
touch "$work/files/site.rp4" "$work/files/survey.txt" "$work/files/plan.rp4.bak"
rm "$work/recorded/formats/excel penzdc.rpf"
export HOME="$work/home" XDG_CONFIG_HOME="$work/config"
cd "$work/files" || exit 2

# shellcheck source=/dev/null
source "$script"

failures=0

# Completes LINE (the cursor at its end); prints the offered words sorted, one a line.
complete_line() {
    local line=$1
    COMP_LINE=$line
    COMP_POINT=${#line}
    COMP_WORDS=()
    local word="" i char quote=""
    for ((i = 0; i < ${#line}; i++)); do
        char=${line:i:1}
        if [[ -n $quote ]]; then
            word+=$char
            [[ $char == "$quote" ]] && quote=""
        elif [[ $char == "'" || $char == '"' ]]; then
            word+=$char
            quote=$char
        elif [[ $char == ' ' ]]; then
            [[ -n $word ]] && COMP_WORDS+=("$word")
            word=""
        elif [[ $char == '=' ]]; then
            [[ -n $word ]] && COMP_WORDS+=("$word")
            COMP_WORDS+=("=")
            word=""
        elif [[ $char == '\' ]]; then
            # Kept as typed, as bash gives it: the completion takes the backslash away.
            word+="${line:i:2}"
            ((i++))
        else
            word+=$char
        fi
    done
    # The word under the cursor, empty after a blank.
    if [[ -n $word || ${line: -1} == ' ' ]]; then
        COMP_WORDS+=("$word")
    fi
    COMP_WORDS[0]=$convert
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMPREPLY=()
    _mervalon_convert 2> /dev/null
    printf '%s\n' "${COMPREPLY[@]}" | sort
}

expect() { # LINE EXPECTED-WORDS... (the offered words, in any order)
    local line=$1
    shift
    local got wanted
    got=$(complete_line "$line")
    wanted=$(printf '%s\n' "$@" | sort)
    if [[ $got != "$wanted" ]]; then
        echo "FAIL: \"$line\""
        echo "  expected: $(echo "$wanted" | paste -sd '|')"
        echo "  offered:  $(echo "$got" | paste -sd '|')"
        failures=$((failures + 1))
    fi
}

formats=("!default" "excel penzdc" "penzd comma" "penzd semicolon" "penzd space" "penzd tab" "pnezd comma")

# Values of options, after a blank and after "=".
expect "mervalon-convert --on-error " abort-file abort-run skip
expect "mervalon-convert --on-error a" abort-file abort-run
expect "mervalon-convert --on-error=abort-f" abort-file
expect "mervalon-convert --on-error=" abort-file abort-run skip
expect "mervalon-convert --on-error x"
expect "mervalon-convert --install-dir $work/inst --format " "${formats[@]}"
expect "mervalon-convert --install-dir=$work/inst --format=penzd\\ s" "penzd semicolon" "penzd space"
expect "mervalon-convert --install-dir $work/inst --format 'penzd c" "penzd comma"
expect "mervalon-convert --install-dir $work/inst --format pn" "pnezd comma"
expect "mervalon-convert --install-dir '$work/inst' --format pn" "pnezd comma"
# Without --install-dir: the installation recorded in the options file.
expect "mervalon-convert --format " "!default" "penzd comma" "penzd semicolon" "penzd space" "penzd tab" "pnezd comma"
expect "mervalon-convert --format e"
# --config: folders and .rp4 files; before anything is typed, the installation's configurations too.
expect "mervalon-convert --config " "site.rp4" "sub folder" "other" "$work/recorded/configurations/!Default.rp4"
expect "mervalon-convert --install-dir $work/inst --config " "site.rp4" "sub folder" "other" \
    "$work/inst/configurations/!Default.rp4"
expect "mervalon-convert --config s" "site.rp4" "sub folder"
# --codes: the installation's code libraries by name, folders and .csv files.
touch "$work/files/roads.csv"
expect "mervalon-convert --install-dir $work/inst --codes " "road-and-building" "roads.csv" "sub folder" "other"
expect "mervalon-convert --install-dir $work/inst --codes=road-" "road-and-building"
expect "mervalon-convert --install-dir $work/inst --codes ro" "road-and-building" "roads.csv"
rm "$work/files/roads.csv"
expect "mervalon-convert --dest " "sub folder" "other"
expect "mervalon-convert --dest o" "other"
expect "mervalon-convert --dest sub\\ " "sub folder"
expect "mervalon-convert --report s" "site.rp4" "sub folder" "survey.txt"
expect "mervalon-convert --detect s" "site.rp4" "sub folder" "survey.txt"
# A new format's name is the user's to choose: nothing is offered.
expect "mervalon-convert --install-dir $work/inst --detect survey.txt --save-format "
# Anything else: point files.
expect "mervalon-convert --verbose s" "site.rp4" "sub folder" "survey.txt"
expect "mervalon-convert --dest out p" "plan.rp4.bak"
expect "mervalon-convert --on-error skip --" $(complete_line "mervalon-convert --")

# Options: every one the help lists, and nothing that is not in the help.
offered=$(complete_line "mervalon-convert --")
for option in --install-dir --format --config --on-error --dest --report --verbose --version --help; do
    if ! grep -qx -- "$option" <<< "$offered"; then
        echo "FAIL: \"$option\" is not offered"
        failures=$((failures + 1))
    fi
done
help=$("$convert" --help)
while read -r option; do
    [[ -n $option ]] || continue
    if [[ $option != -* ]] || ! grep -q -- "^ *\(-[^ ]*, \)*$option[ =,]" <<< "$help"; then
        echo "FAIL: \"$option\" is offered but is no option of the help"
        failures=$((failures + 1))
    fi
done <<< "$offered"
expect "mervalon-convert --con" --config
expect "mervalon-convert --v" --verbose --version
expect "mervalon-convert --de" --dest --detect
expect "mervalon-convert --sa" --save-format

if [[ $failures -gt 0 ]]; then
    echo "$failures failures"
    exit 1
fi
echo "completion: every case passed"
