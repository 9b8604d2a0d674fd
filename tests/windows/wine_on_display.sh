#!/usr/bin/env bash
# Runs a Windows test program under Wine on an X display of its own (Xvfb), for the tests that
# make real windows: Wine makes no window without a display, and the other Wine tests run
# without one. Wine's processes start on that display and are ended with it; the prefix's
# display-less helpers are started again afterwards, as the other tests expect them.
#
# usage: wine_on_display.sh SOURCE_DIR EXE [ARG...]   (WINEPREFIX set)
# Exit 77 (skipped) when Wine or Xvfb is missing; otherwise the program's exit status.
set -euo pipefail
source_dir=$1
exe=$2
shift 2
: "${WINEPREFIX:?set WINEPREFIX to the Wine prefix of the Windows build}"
source "$source_dir/tools/wine-env"
export WINEPREFIX WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
name=$(basename "$exe")
for tool in wine Xvfb; do
  if ! command -v "$tool" >/dev/null; then
    "$source_dir/tools/skip-note" "$name" "$tool is not installed (tools/setup installs it)"
    exit 77
  fi
done

work=$(mktemp -d "${TMPDIR:-/tmp}/q7310-display.XXXXXX")
xvfb_pid=""
cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null
  (unset DISPLAY && wineserver -p >/dev/null 2>&1; wine cmd /c exit </dev/null >/dev/null 2>&1) || true
  rm -rf "$work"
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 1280x900x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb_pid=$!
for ((i = 0; i < 100; ++i)); do
  [[ -s $work/display ]] && break
  sleep 0.1
done
[[ -s $work/display ]] || { echo "$name: Xvfb did not start" >&2; exit 1; }
export DISPLAY=:$(head -n 1 "$work/display")
# The prefix's helpers, started without a display by the tests before, end; new ones start here.
wineserver -k >/dev/null 2>&1 || true
wine "$exe" "$@"
