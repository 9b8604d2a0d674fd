#!/usr/bin/env bash
# q7310.exe under Wine against the Linux simulator: COM5 is mapped (HKLM\Software\Wine\Ports) to
# a link that the simulator points at its pseudo-terminal. Checks byte for byte what the
# simulator received, that BACKUP.BIN equals the Linux tool's, one fault case (a dropped reply,
# recovered by resending) and the error for a COM port that does not exist.
#
# usage: wine_end_to_end.sh Q7310_EXE LINUX_BUILD_DIR SOURCE_DIR   (WINEPREFIX set)
# Exit 77 (skipped) when the Linux build or Wine is missing.
set -euo pipefail
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
  "$source_dir/tools/skip-note" "wine_end_to_end ($(basename "$(dirname "$WINEPREFIX")"))" "$*" >&2
  exit 77
}
[[ -x $sim && -x $linux_cli ]] || skip "no Linux build in $linux_build (q7310-sim, q7310)"
command -v wine >/dev/null || skip "wine is not installed (tools/setup installs it)"

readonly com=COM5
readonly missing_com=COM47
readonly reply_timeout=300
readonly line_wait_tenths=100 # up to 10 s for the simulator to make its line
work=$(mktemp -d "${TMPDIR:-/tmp}/q7310-wine-e2e.XXXXXX")
link=$WINEPREFIX/q7310-$com # the Unix end of COM5; the simulator makes it
sim_pid=""
failures=0

# Programs started in the background end with this script, even when it is killed (a test
# runner that times out kills only the process it started).
until_we_end=(setpriv --pdeathsig TERM)

cleanup() {
  stop_sim
  rm -f "$link"
  if ((failures == 0)); then rm -rf "$work"; else echo "wine_end_to_end: files kept in $work" >&2; fi
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

stop_sim() {
  if [[ -n $sim_pid ]]; then
    kill "$sim_pid" 2>/dev/null || true
    wait "$sim_pid" 2>/dev/null || true
    sim_pid=""
  fi
}

# Starts the simulator on a fresh case folder $work/$1 (further arguments go to the simulator).
start_sim() {
  local case=$1
  shift
  mkdir -p "$work/$case/app"
  cp "$source_dir/samples/Q7310_v201.mot" "$work/$case/app/"
  rm -f "$link"
  "${until_we_end[@]}" "$sim" --format 1 --seed 11 --link "$link" --image-out "$work/$case/image.out" \
    --restore-out "$work/$case/restore.out" "$@" >"$work/$case/sim.out" 2>"$work/$case/sim.err" &
  sim_pid=$!
  for ((i = 0; i < line_wait_tenths; ++i)); do
    [[ -e $link ]] && return 0
    sleep 0.1
  done
  fail "$case: the simulator made no line: $(cat "$work/$case/sim.err")"
  return 1
}

# Runs q7310.exe with the case folder as its working folder; prints its exit status.
run_exe() {
  local case=$1
  shift
  local status=0
  wine "$exe" --dir "$(winepath -w "$work/$case/app")" --yes \
    --reply-timeout "$reply_timeout" "$@" >"$work/$case/exe.out" 2>"$work/$case/exe.err" ||
    status=$?
  echo "$status"
}

same() {
  if ! cmp -s "$1" "$2"; then fail "$3: $1 and $2 differ"; fi
}

# COM5 leads to the link; Wine reads the mapping when its device manager starts.
# Wine's own processes keep running after this script; none of them may hold its output.
wineserver -k >/dev/null 2>&1 || true
wine reg add 'HKLM\Software\Wine\Ports' /v "$com" /t REG_SZ /d "$link" /f >/dev/null 2>&1
wineserver -k >/dev/null 2>&1 || true
wineserver -p >/dev/null 2>&1 || true
wine cmd /c exit </dev/null >/dev/null 2>&1

# 1. The whole procedure, in a folder whose name is not ASCII.
full="full-Prüfung-日本"
if start_sim "$full"; then
  status=$(run_exe "$full" --device "$com" --keep-files backup update restore)
  stop_sim
  if [[ $status != 0 ]]; then
    fail "$full: exit status $status: $(cat "$work/$full/exe.out" "$work/$full/exe.err")"
  else
    same "$work/$full/image.out" "$work/$full/app/UPDATE.BIN" "$full: the firmware image received"
    same "$work/$full/restore.out" "$work/$full/app/BACKUP.BIN" "$full: the settings restored"
    copies=("$work/$full/app/backups/"BACKUP-*.BIN)
    if [[ ! -f ${copies[0]} ]]; then fail "$full: no dated copy of the backup was kept"; fi
  fi
fi

# 2. BACKUP.BIN is the Linux tool's, byte for byte, from the same simulated amplifier.
mkdir -p "$work/linux/app"
"${until_we_end[@]}" "$sim" --format 1 --seed 11 >"$work/linux/sim.out" 2>"$work/linux/sim.err" &
sim_pid=$!
for ((i = 0; i < line_wait_tenths; ++i)); do
  [[ -s $work/linux/sim.out ]] && break
  sleep 0.1
done
if ! "$linux_cli" --device "$(head -n 1 "$work/linux/sim.out")" --dir "$work/linux/app" --yes \
  --keep-files --reply-timeout "$reply_timeout" backup >"$work/linux/cli.out" 2>&1; then
  fail "linux: the Linux tool's backup failed: $(cat "$work/linux/cli.out")"
fi
stop_sim
same "$work/linux/app/BACKUP.BIN" "$work/$full/app/BACKUP.BIN" "backup: Windows and Linux"

# 3. A dropped reply is recovered by resending; the port is named by its number this time.
if start_sim dropped --drop-reply 2; then
  status=$(run_exe dropped --port 5 --keep-files backup)
  stop_sim
  if [[ $status != 0 ]]; then
    fail "dropped: exit status $status: $(cat "$work/dropped/exe.out" "$work/dropped/exe.err")"
  else
    same "$work/linux/app/BACKUP.BIN" "$work/dropped/app/BACKUP.BIN" "dropped: the backup"
  fi
fi

# 4. A COM port that does not exist: the port error, exit status 1, nothing written.
mkdir -p "$work/noport/app"
cp "$source_dir/samples/Q7310_v201.mot" "$work/noport/app/"
status=0
wine "$exe" --device "$missing_com" --dir "$(winepath -w "$work/noport/app")" --yes backup \
  >"$work/noport/exe.out" 2>&1 || status=$?
if [[ $status != 1 ]]; then fail "noport: exit status $status, not 1"; fi
if ! grep -q "$missing_com" "$work/noport/exe.out"; then
  fail "noport: the port is not named: $(cat "$work/noport/exe.out")"
fi
if [[ -e $work/noport/app/BACKUP.BIN ]]; then fail "noport: BACKUP.BIN was written"; fi

# 5. The port list names COM5 and its port number.
if ! wine "$exe" ports 2>&1 | grep -Eq "^5 +$com "; then
  fail "ports: COM5 is not listed as port 5: $(wine "$exe" ports 2>&1)"
fi

if ((failures)); then
  echo "wine_end_to_end: $failures check(s) failed" >&2
  exit 1
fi
echo "wine_end_to_end: all checks passed"
