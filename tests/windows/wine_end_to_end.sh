#!/usr/bin/env bash
# q7310.exe under Wine against the Linux simulator: COM5 is mapped (HKLM\Software\Wine\Ports) to
# a link that the simulator points at its pseudo-terminal. Checks byte for byte what the
# simulator received, that BACKUP.BIN equals the Linux tool's, one fault case (a dropped reply,
# recovered by resending) and the error for a COM port that does not exist.
#
# usage: wine_end_to_end.sh Q7310_EXE LINUX_BUILD_DIR SOURCE_DIR   (WINEPREFIX set)
# Exit 77 (skipped) when the Linux build or Wine is missing.
set -euo pipefail
test_name=wine_end_to_end
# shellcheck source=tests/windows/wine_sim.sh
source "$(dirname "$0")/wine_sim.sh"
trap wine_sim_cleanup EXIT

readonly missing_com=COM47
readonly reply_timeout=300

# Starts the simulator on a fresh case folder $work/$1 (further arguments go to the simulator).
start_sim() {
  local case=$1
  shift
  mkdir -p "$work/$case/app"
  cp "$source_dir/samples/Q7310_v201.mot" "$work/$case/app/"
  start_sim_on_com "$work/$case" --image-out "$work/$case/image.out" \
    --restore-out "$work/$case/restore.out" "$@"
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

# shellcheck disable=SC2119 # no registry values besides COM5
map_com_port

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
linux_backup "$work/linux/app"
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

finish
