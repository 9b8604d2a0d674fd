# shellcheck shell=bash
# What the Wine tests share; sourced (not run) by wine_end_to_end.sh and wine_desktop_gui.sh,
# after they have set `test_name` and `set -euo pipefail`, with their arguments
#   EXE LINUX_BUILD_DIR SOURCE_DIR [...]   (WINEPREFIX set)
# It reads the arguments, starts Wine through the loader this machine can run (tools/wine-env),
# skips the test (exit 77) without the Linux build or Wine, and gives:
#   exe linux_build source_dir sim linux_cli   the programs
#   com link     COM5 and its Unix end, a link in the Wine prefix that the simulator makes
#   work         a scratch folder, removed at the end unless a check failed
#   fail same finish             counting failures, comparing files, the result line and status
#   start_sim_on_com stop_sim    the Linux simulator behind COM5 (format 1, seed 11)
#   map_com_port                 COM5 mapped to the link (the Wine server restarted for it)
#   linux_backup                 the Linux tool's BACKUP.BIN from the same simulated amplifier
#   wine_sim_cleanup             for the test's EXIT trap: simulator stopped, link and folder gone
# Programs started in the background end with the test even when it is killed (a test runner
# that times out kills only the process it started): start them with "${until_we_end[@]}".

: "${test_name:?set test_name before sourcing wine_sim.sh}"
# shellcheck disable=SC2034 # used by the tests that source this file
exe=$1
linux_build=$2
source_dir=$3
sim=$linux_build/src/sim/q7310-sim
linux_cli=$linux_build/src/cli/q7310
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
readonly sim_wait_tenths=100 # up to 10 s for a simulator to make its line
link=$WINEPREFIX/q7310-$com
work=$(mktemp -d "${TMPDIR:-/tmp}/q7310-$test_name.XXXXXX")
sim_pid=""
failures=0
until_we_end=(setpriv --pdeathsig TERM)

fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

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

# Starts the simulator behind COM5 with its output in folder $1 (sim.out, sim.err); further
# arguments go to the simulator. False, with a failure, when it made no line.
start_sim_on_com() {
  local out=$1
  shift
  rm -f "$link"
  "${until_we_end[@]}" "$sim" --format 1 --seed 11 --link "$link" "$@" >"$out/sim.out" \
    2>"$out/sim.err" &
  sim_pid=$!
  for ((i = 0; i < sim_wait_tenths; ++i)); do
    [[ -e $link ]] && return 0
    sleep 0.1
  done
  fail "$out: the simulator made no line: $(cat "$out/sim.err")"
  return 1
}

stop_sim() {
  if [[ -n $sim_pid ]]; then
    kill "$sim_pid" 2>/dev/null || true
    wait "$sim_pid" 2>/dev/null || true
    sim_pid=""
  fi
}

# COM5 leads to the link, and each further KEY NAME DATA triple sets a registry string as well.
# Wine reads the ports when its device manager starts: the Wine server is restarted, and started
# again with its output going nowhere (its processes keep running after the test; none of them
# may hold the test's output).
map_com_port() {
  wineserver -k >/dev/null 2>&1 || true
  wine reg add 'HKLM\Software\Wine\Ports' /v "$com" /t REG_SZ /d "$link" /f >/dev/null 2>&1
  while (($# >= 3)); do
    wine reg add "$1" /v "$2" /t REG_SZ /d "$3" /f >/dev/null 2>&1
    shift 3
  done
  wineserver -k >/dev/null 2>&1 || true
  wineserver -p >/dev/null 2>&1 || true
  wine cmd /c exit </dev/null >/dev/null 2>&1
}

# The Linux tool's backup into folder $1 (made), against a simulator of its own with the same
# settings as the one behind COM5.
linux_backup() {
  local dir=$1
  mkdir -p "$dir"
  "${until_we_end[@]}" "$sim" --format 1 --seed 11 >"$dir/sim.out" 2>"$dir/sim.err" &
  local pid=$!
  for ((i = 0; i < sim_wait_tenths; ++i)); do
    [[ -s $dir/sim.out ]] && break
    sleep 0.1
  done
  "$linux_cli" --device "$(head -n 1 "$dir/sim.out")" --dir "$dir" --yes --keep-files \
    --reply-timeout 300 backup >"$dir/cli.out" 2>&1 ||
    fail "linux: the Linux tool's backup failed: $(cat "$dir/cli.out")"
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
}

wine_sim_cleanup() {
  stop_sim
  rm -f "$link"
  if ((failures == 0)); then rm -rf "$work"; else echo "$test_name: files kept in $work" >&2; fi
}
