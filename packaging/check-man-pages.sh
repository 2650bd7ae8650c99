#!/usr/bin/env bash
# Checks that each program's man page is in step with the program: every
# option its --help names is in the page, and the page carries the version
# its --version prints.
#   check-man-pages.sh MAN_FOLDER BIN_FOLDER PROGRAM...
set -uo pipefail
man="$1" bin="$2"
shift 2
status=0
for program in "$@"; do
  page="$man/$program.1.gz"
  if [ ! -s "$page" ]; then
    echo "FAIL $program: no man page $page"; status=1; continue
  fi
  text="$(zcat "$page" | sed 's/\\-/-/g')"
  help="$(env -u DISPLAY QT_QPA_PLATFORM=offscreen "$bin/$program" --help)" || {
    echo "FAIL $program: --help failed"; status=1; continue; }
  version="$(env -u DISPLAY "$bin/$program" --version | awk '{print $2}')"
  while read -r option; do
    grep -qF -- "$option" <<<"$text" || { echo "FAIL $program: $option is not in $page"; status=1; }
  done < <(grep -oE -- '--[a-z][a-z0-9-]+' <<<"$help" | sort -u)
  grep -qE "^\.TH .*\"$program $version\"" <<<"$text" ||
    { echo "FAIL $program: $page is not of version $version"; status=1; }
  [ "$status" -eq 0 ] && echo "ok   $program ($version)"
done
exit "$status"
