# shellcheck shell=bash
# What the Wine tests of the two programs share; sourced (not run) by wine_end_to_end.sh and
# wine_desktop_gui.sh, after they have set `test_name` and `set -euo pipefail`, with their
# arguments
#   EXE LINUX_BUILD_DIR SOURCE_DIR [...]   (WINEPREFIX set)
# It reads the arguments, starts Wine through the loader this machine can run (tools/wine-env),
# skips the test (exit 77) without the Linux build or Wine, and sources sim_on_com5.sh, the one
# place that starts the simulator behind COM5 and maps the port (fail, stop_sim,
# start_sim_on_com5, map_com5, until_we_end). It gives besides:
#   exe linux_build source_dir sim linux_cli   the programs
#   sample_firmware  the simulator's sample, which the tests copy in as the firmware file (an
#                update sends it only with --allow-sample)
#   com link     COM5 and its Unix end, a link in the Wine prefix that the simulator makes
#   work         a scratch folder, removed at the end unless a check failed
#   same finish  comparing files; the result line and the exit status
#   linux_backup the Linux tool's BACKUP.BIN from the same simulated amplifier
#   wine_test_cleanup  for the test's EXIT trap: simulator stopped, link and folder gone

: "${test_name:?set test_name before sourcing wine_test_setup.sh}"
# shellcheck disable=SC2034 # used by the tests that source this file
exe=$1
linux_build=$2
source_dir=$3
sim=$linux_build/src/sim/q7310-sim
linux_cli=$linux_build/src/cli/q7310
sample_firmware=$source_dir/samples/sample-firmware.mot
: "${WINEPREFIX:?set WINEPREFIX to the Wine prefix of the Windows build}"
# Wine through the loader this machine can run (the 64-bit one where 32-bit programs cannot run).
source "$source_dir/tools/wine-env"
export WINEPREFIX WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}

skip() {
  "$source_dir/tools/skip-note" "$test_name ($(basename "$(dirname "$WINEPREFIX")"))" "$*" >&2
  exit 77
}
[[ -x $sim && -x $linux_cli ]] || skip "no Linux build in $linux_build (q7310-sim, q7310)"
command -v wine >/dev/null || skip "wine is not installed (tools/setup installs it)"

readonly com=COM5
readonly line_wait_tenths=100 # up to 10 s for a simulator to make its line
link=$WINEPREFIX/q7310-$com
work=$(mktemp -d "${TMPDIR:-/tmp}/q7310-$test_name.XXXXXX")
# shellcheck source=tests/windows/sim_on_com5.sh
source "$source_dir/tests/windows/sim_on_com5.sh"

same() {
  cmp -s "$1" "$2" || fail "$3: $1 and $2 differ"
}

# The result line, and the exit status: 1 when any check failed.
finish() {
  if ((failures)); then
    echo "$test_name: $failures check(s) failed" >&2
    exit 1
  fi
  echo "$test_name: all checks passed"
}

# The Linux tool's backup into folder $1 (made), against a simulator of its own with the same
# settings as the one behind COM5.
linux_backup() {
  local dir=$1
  mkdir -p "$dir"
  "${until_we_end[@]}" "$sim" --format 1 --seed 11 >"$dir/sim.out" 2>"$dir/sim.err" &
  local pid=$!
  for ((i = 0; i < line_wait_tenths; ++i)); do
    [[ -s $dir/sim.out ]] && break
    sleep 0.1
  done
  "$linux_cli" --device "$(head -n 1 "$dir/sim.out")" --dir "$dir" --yes --keep-files \
    --reply-timeout 300 backup >"$dir/cli.out" 2>&1 ||
    fail "linux: the Linux tool's backup failed: $(cat "$dir/cli.out")"
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
}

wine_test_cleanup() {
  stop_sim
  rm -f "$link"
  if ((failures == 0)); then rm -rf "$work"; else echo "$test_name: files kept in $work" >&2; fi
}
