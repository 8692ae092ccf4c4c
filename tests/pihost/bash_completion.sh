#!/bin/bash
# The bash completion offers every option and subcommand that pihost --help lists (and each subcommand's own
# help has examples), and completes fault lists, objects and a subcommand's options.
# Usage: bash_completion.sh PIHOST COMPLETION_FILE
pihost=$1
source "$2"
failed=0
# The words offered for a command line being typed, as " a b c ".
offered() {
    read -ra COMP_WORDS <<<"$1"
    [[ $1 == *' ' ]] && COMP_WORDS+=('')
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMPREPLY=()
    _pihost
    printf '%s' " ${COMPREPLY[*]} "
}
fail() {
    echo "FAILED: $*"
    failed=1
}
help=$("$pihost" --help)
for title in Options: Subcommands:; do
    [[ $title == Options: ]] && line='pihost --' || line='pihost '
    offers=$(offered "$line")
    items=$(awk -v t="$title" 'index($0, t) == 1 { on = 1; next } on && /^$/ { exit } on' <<<"$help" |
        grep -oP '^  (-\w,)?\K[\w-]+')
    [[ -n $items ]] || fail "no items under $title in --help"
    for item in $items; do
        [[ $offers == *" $item "* ]] || fail "'$line' does not offer $item: $offers"
        [[ $title == Options: ]] || "$pihost" "$item" --help | grep -q Example || fail "$item --help has no example"
    done
done
expect() {
    local got
    got=$(offered "$1")
    [[ $got == "$2" ]] || fail "'$1' offers '$got', expected '$2'"
}
expect 'pihost --fault no-controller,tr' ' no-controller,truncate: '
expect 'pihost properties ada' ' adapter adapter:0 adapter:1 '
expect 'pihost metrics --o' ' --output '
exit $failed
