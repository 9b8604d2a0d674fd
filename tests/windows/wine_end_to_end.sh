#!/usr/bin/env bash
# q7310.exe under Wine against the Linux simulator: COM5 is mapped (HKLM\Software\Wine\Ports) to
# a link that the simulator points at its pseudo-terminal. Checks byte for byte what the
# simulator received, that BACKUP.BIN equals the Linux tool's, one fault case (a dropped reply,
# recovered by resending), the error for a COM port that does not exist, the program's files in
# another letter case, a full disk's reason, and Ctrl-C.
#
# usage: wine_end_to_end.sh Q7310_EXE LINUX_BUILD_DIR SOURCE_DIR   (WINEPREFIX set)
# Exit 77 (skipped) when the Linux build or Wine is missing.
set -euo pipefail
test_name=wine_end_to_end
# shellcheck source=tests/windows/wine_test_setup.sh
source "$(dirname "$0")/wine_test_setup.sh"
trap wine_test_cleanup EXIT

readonly missing_com=COM47
readonly reply_timeout=300

# Starts the simulator on a fresh case folder $work/$1 (further arguments go to the simulator).
start_sim() {
  local case=$1
  shift
  mkdir -p "$work/$case/app"
  cp "$source_dir/samples/Q7310_v201.mot" "$work/$case/app/"
  start_sim_on_com5 "$work/$case" --image-out "$work/$case/image.out" \
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

map_com5

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

# 6. The program's files are told by identity, not by spelling: a trace or a staged image named
# in another letter case (BACKUPS\..., backup.bin) is refused and the file is left as it was.
copies=("$work/$full/app/backups/"BACKUP-*.BIN)
if [[ -f ${copies[0]} ]]; then
  copy_name=$(basename "${copies[0]}")
  copy_before=$(od -An -tx1 "${copies[0]}" | tr -d ' \n')
  other_case="$(winepath -w "$work/$full/app" 2>/dev/null)\\BACKUPS\\${copy_name,,}"
  status=0
  wine "$exe" --dir "$(winepath -w "$work/$full/app")" --device "$missing_com" --yes \
    --trace "$other_case" backup >"$work/$full/trace.out" 2>&1 || status=$?
  if [[ $status != 1 ]] || ! grep -q "is one of the program's own files" "$work/$full/trace.out"; then
    fail "case: a trace in other letter case was not refused ($status): $(cat "$work/$full/trace.out")"
  fi
  status=0
  wine "$exe" image "$(winepath -w "$work/$full/app/Q7310_v201.mot")" --stage "$other_case" --force \
    >"$work/$full/stage.out" 2>&1 || status=$?
  if [[ $status != 1 ]] || ! grep -q "is one of the program's own files" "$work/$full/stage.out"; then
    fail "case: a staged image in other letter case was not refused ($status): $(cat "$work/$full/stage.out")"
  fi
  if [[ $(od -An -tx1 "${copies[0]}" | tr -d ' \n') != "$copy_before" ]]; then
    fail "case: the dated copy $copy_name was changed"
  fi
fi

# 7. A full disk: the system's own reason (not the C runtime's "Invalid argument") and a path with
# one kind of separator. Needs a small tmpfs (root); skipped without one.
mkdir -p "$work/full-disk/app"
if mount -t tmpfs -o size=16k q7310-wine "$work/full-disk/app" 2>/dev/null; then
  dd if=/dev/zero of="$work/full-disk/app/filler" bs=1k count=64 2>/dev/null || true
  if start_sim full-disk-sim; then
    status=0
    wine "$exe" --dir "$(winepath -w "$work/full-disk/app")" --device "$com" --yes \
      --reply-timeout "$reply_timeout" backup >"$work/full-disk/exe.out" 2>"$work/full-disk/exe.err" ||
      status=$?
    stop_sim
    detail=$(grep "detail:" "$work/full-disk/exe.err" || true)
    if [[ $status != 1 || -z $detail ]]; then
      fail "full disk: exit status $status: $(cat "$work/full-disk/exe.err")"
    elif [[ $detail == *"Invalid argument"* || $detail == */* ]]; then
      fail "full disk: the reason is not the system's, or the path mixes separators: $detail"
    fi
  fi
  umount "$work/full-disk/app"
else
  echo "wine_end_to_end: full disk case skipped (no tmpfs can be mounted here)"
fi

# 8. Ctrl-C (SIGINT, which Wine hands to the console handler as CTRL_C_EVENT) during a run
# cancels it: exit status 1, "Cancelled.", and the files this run wrote are deleted.
if start_sim ctrl-c --delay-ms 20; then
  win_app=$(winepath -w "$work/ctrl-c/app")
  wine "$exe" --dir "$win_app" --device "$com" --yes --reply-timeout 3000 backup update \
    >"$work/ctrl-c/exe.out" 2>"$work/ctrl-c/exe.err" &
  wine_pid=$!
  sleep 3 # the backup takes about a second, the update more than ten
  windows_pid=$(pgrep -af 'q7310\.exe' | grep -v 'start\.exe' | grep -F -- "--dir $win_app" |
    awk '{print $1}' | head -n 1)
  if [[ -n $windows_pid ]]; then kill -INT "$windows_pid"; fi
  status=0
  wait "$wine_pid" || status=$?
  stop_sim
  if [[ $status != 1 ]] || ! grep -q "^Cancelled\." "$work/ctrl-c/exe.err"; then
    fail "ctrl-c: exit status $status: $(cat "$work/ctrl-c/exe.err")"
  fi
  for file in BACKUP.BIN UPDATE.BIN; do
    if [[ -e $work/ctrl-c/app/$file ]]; then fail "ctrl-c: $file of the run was not deleted"; fi
  done
  if compgen -G "$work/ctrl-c/app/*.tmp-*" >/dev/null; then fail "ctrl-c: temporary files left"; fi
fi

finish
