#!/usr/bin/env bash
# The manual page offers what the program's help offers: every command, every
# action with its code and every settings key, and no command the program
# does not know.
#   man_page.sh TILVANE MAN_PAGE
set -euo pipefail
set -f  # the usage lines hold [KEY], which is no file pattern
tilvane=$1
page=$2

# The page as a reader sees its words: no font changes, minus signs as typed.
text=$(sed -e 's/\\f[BIRP]//g' -e 's/\\-/-/g' -e 's/\\%//g' "$page")
help=$("$tilvane" --help)
missing=()
expect() { grep -qF -- "$1" <<<"$text" || missing+=("$1"); }

# The words of each usage line up to its first placeholder (ACTION, [KEY], ...)
# name a command; a lower-case word in brackets and each choice of a word
# with "|" in it (-bool|-int) is a word of the command too.
usage_lines() { sed -n -E 's/^(usage:)? +(tilvane( [^ ]+)*)( {2,}.*)?$/\2/p'; }
check_usage() {
  while read -r line; do
    command=""
    named=yes  # still in the command's own words
    for word in $line; do
      case "$word" in
        \[[a-z]*\]) expect "${word//[][]/}" ;;
        \|)  # "tilvane --help | --version": two commands
          expect "$command"
          command=tilvane ;;
        *\|*) for choice in ${word//|/ }; do expect "$choice"; done ;;
        [A-Z]* | \[* | ...) named=no ;;
        *) if [ $named = yes ]; then command="${command:+$command }$word"; fi ;;
      esac
    done
    expect "$command"
  done
}
check_usage < <(usage_lines <<<"$help")
check_usage < <("$tilvane" shortcuts --help | usage_lines)
check_usage < <("$tilvane" defaults --help | usage_lines)

# Every action, with its code.
while read -r action; do expect "$action"; done < <(grep -oE '[a-z-]+ \([0-9]+\)' <<<"$help")

# Every settings key: the lines under "... keys:".
while read -r key; do expect "$key"; done < <("$tilvane" defaults --help | sed -n -E '/keys:$/,$ s/^  ([^ ].*)$/\1/p')

# And back: each command and action the page names, the help names too.
extra=()
while read -r command; do
  grep -qE "tilvane $command( |$)" <<<"$help" || extra+=("tilvane $command")
done < <(grep -oE '^\.B[IR]? "?tilvane [a-z]+' "$page" | sed -E 's/.*tilvane //' | sort -u)
while read -r action; do
  grep -qF -- "$action" <<<"$help" || extra+=("$action")
done < <(grep -oE '^[a-z-]+ \([0-9]+\)|	[a-z-]+ \([0-9]+\)' "$page" | tr -d '\t')

status=0
if [ ${#missing[@]} -gt 0 ]; then
  printf 'the manual page lacks: %s\n' "${missing[@]}" >&2
  status=1
fi
if [ ${#extra[@]} -gt 0 ]; then
  printf 'the manual page names what the help does not: %s\n' "${extra[@]}" >&2
  status=1
fi
[ $status -eq 0 ] && echo "the manual page and the help agree"
exit $status
