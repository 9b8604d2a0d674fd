#!/bin/sh
# Checks that a manual page names every long option that its program's help names.
# Usage: man_options_test.sh MANPAGE 'PROGRAM [ARGS]' ['PROGRAM [ARGS]' ...]
# Each quoted command is run (split on spaces) and its output searched for --options; the page's
# roff escapes for '-' are undone before comparing. Exit status 1 lists the options missing.
set -eu
page=$1
shift
[ -r "$page" ] || { echo "no manual page $page" >&2; exit 1; }
text=$(sed 's/\\-/-/g' "$page")
missing=""
count=0
for command in "$@"; do
  # shellcheck disable=SC2086 # the command is split on purpose
  help=$($command 2>&1) || { echo "failed: $command --help" >&2; exit 1; }
  for option in $(printf '%s\n' "$help" | grep -o -- '--[a-z][a-z0-9-]*' | sort -u); do
    count=$((count + 1))
    printf '%s\n' "$text" | grep -q -e "$option\([^a-z0-9-]\|\$\)" || missing="$missing $option"
  done
done
if [ "$count" -eq 0 ]; then
  echo "no options found in the help of: $*" >&2
  exit 1
fi
if [ -n "$missing" ]; then
  echo "$page does not name:$missing" >&2
  exit 1
fi
echo "$page names all $count options of the help"
