#!/usr/bin/env bash
# q7310.exe under Wine against the Linux simulator: COM5 is mapped (HKLM\Software\Wine\Ports) to
# a link that the simulator points at its pseudo-terminal. Checks byte for byte what the
# simulator received, that BACKUP.BIN equals the Linux tool's, one fault case (a dropped reply,
# recovered by resending), the error for a COM port that does not exist, the program's files in
# another letter case, a full disk's reason, and Ctrl-C. Then USB adapters made up in the
# registry, where SetupAPI finds them (the Ports class under HKLM\System\CurrentControlSet\Enum):
# the port list shows them with their ids and latency timer; with no port named, the one adapter
# present (on COM5) is used and named, and its latency timer is said before the update; several
# adapters are listed and none is opened; none at all gives port 1 (COM1, mapped to a path that
# does not exist).
#
# usage: wine_end_to_end.sh Q7310_EXE LINUX_BUILD_DIR SOURCE_DIR   (WINEPREFIX set)
# Exit 77 (skipped) when the Linux build or Wine is missing.
set -euo pipefail
test_name=wine_end_to_end
# shellcheck source=tests/windows/wine_test_setup.sh
source "$(dirname "$0")/wine_test_setup.sh"

readonly missing_com=COM47
readonly usb_key='HKLM\System\CurrentControlSet\Enum\USB\VID_0403&PID_6001'
readonly ports_class='{4d36e978-e325-11ce-bfc1-08002be10318}'
readonly reply_timeout=300

# The made-up adapters and the COM1 mapping go with the test.
cleanup() {
  remove_adapters
  wine reg delete 'HKLM\Software\Wine\Ports' /v COM1 /f >/dev/null 2>&1 || true
  wine_test_cleanup
}
trap cleanup EXIT

# Starts the simulator on a fresh case folder $work/$1 (further arguments go to the simulator).
start_sim() {
  local case=$1
  shift
  mkdir -p "$work/$case/app"
  cp "$sample_firmware" "$work/$case/app/Q7310_v201.mot"
  start_sim_on_com5 "$work/$case" --image-out "$work/$case/image.out" \
    --restore-out "$work/$case/restore.out" "$@"
}

# Runs q7310.exe with the case folder as its working folder, allowed to send the sample; prints
# its exit status.
run_exe() {
  local case=$1
  shift
  local status=0
  wine "$exe" --dir "$(winepath -w "$work/$case/app")" --yes --allow-sample \
    --reply-timeout "$reply_timeout" "$@" >"$work/$case/exe.out" 2>"$work/$case/exe.err" ||
    status=$?
  echo "$status"
}

# A REG_MULTI_SZ of one ASCII string, as a .reg file writes it: UTF-16LE bytes, two zeros after.
multi_sz() {
  local text=$1 hex="" i
  for ((i = 0; i < ${#text}; i++)); do hex+=$(printf '%02x,00,' "'${text:i:1}"); done
  echo "hex(7):${hex}00,00,00,00"
}

# A made-up FTDI adapter as the Windows driver registers it: serial number $1, port $2, latency
# timer $3 ms in its Device Parameters. One registry import: each wine start takes a while.
add_adapter() {
  local key="HKEY_LOCAL_MACHINE${usb_key#HKLM}\\$1" file="$work/adapter-$1.reg"
  {
    echo 'REGEDIT4'
    echo
    echo "[$key]"
    echo "\"ClassGUID\"=\"$ports_class\""
    echo "\"FriendlyName\"=\"USB Serial Port ($2)\""
    echo '"Mfg"="FTDI"'
    echo "\"HardwareID\"=$(multi_sz 'USB\VID_0403&PID_6001&REV_0600')"
    echo '"Service"="FTSER2K"'
    echo
    echo "[$key\\Device Parameters]"
    echo "\"PortName\"=\"$2\""
    echo "\"LatencyTimer\"=dword:$(printf '%08x' "$3")"
  } >"$file"
  # Z: is the Unix root in every Wine prefix.
  wine reg import "Z:${file//\//\\}" >/dev/null 2>&1
}

remove_adapters() {
  wine reg delete "$usb_key" /f >/dev/null 2>&1 || true
}

# Runs q7310.exe with the case folder as its working folder, allowed to send the sample, and no
# port named; prints its exit status.
run_exe_unnamed() {
  local case=$1
  shift
  local status=0
  wine "$exe" --dir "$(winepath -w "$work/$case/app")" --yes --keep-files --allow-sample \
    --reply-timeout "$reply_timeout" "$@" >"$work/$case/exe.out" 2>"$work/$case/exe.err" ||
    status=$?
  echo "$status"
}

# Checks that every line of file $1 is a JSON object, the first the header with format 1 and the
# last a result; prints the types one a line.
json_types() {
  python3 - "$1" <<'PY'
import json, sys
lines = [json.loads(line) for line in open(sys.argv[1], encoding="utf-8")]
assert all(isinstance(o, dict) for o in lines), "a line is not an object"
assert lines[0]["type"] == "start" and lines[0]["format"] == 1, lines[0]
assert lines[-1]["type"] == "result", lines[-1]
for o in lines:
    print(o["type"], json.dumps(o, ensure_ascii=False))
PY
}

# COM1 leads nowhere (port 1 must not reach a real port of this machine), COM5 to the link.
remove_adapters
wine reg add 'HKLM\Software\Wine\Ports' /v COM1 /t REG_SZ /d "$work/no-com1" /f >/dev/null 2>&1
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

# 1b. Without --allow-sample the sample is refused before anything goes out: exit status 1, the
# message, an earlier UPDATE.BIN kept, the simulator asked nothing.
if start_sim sample; then
  echo "earlier" >"$work/sample/app/UPDATE.BIN"
  status=0
  wine "$exe" --dir "$(winepath -w "$work/sample/app")" --device "$com" --yes \
    --reply-timeout "$reply_timeout" update >"$work/sample/exe.out" 2>"$work/sample/exe.err" ||
    status=$?
  stop_sim
  if [[ $status != 1 ]] ||
    ! grep -q "^ERROR: The firmware file is the sample for the simulator q7310-sim" "$work/sample/exe.err" ||
    ! grep -q "start the program with --allow-sample" "$work/sample/exe.err"; then
    fail "sample: exit status $status: $(cat "$work/sample/exe.out" "$work/sample/exe.err")"
  fi
  [[ $(cat "$work/sample/app/UPDATE.BIN") == earlier ]] || fail "sample: UPDATE.BIN was replaced"
  grep -q "^requests: 0 (" "$work/sample/sim.err" ||
    fail "sample: the simulator was asked something: $(cat "$work/sample/sim.err")"
fi

# 2. BACKUP.BIN is the Linux tool's, byte for byte, from the same simulated amplifier.
linux_backup "$work/linux/app"
same "$work/linux/app/BACKUP.BIN" "$work/$full/app/BACKUP.BIN" "backup: Windows and Linux"

# 3. A dropped reply is recovered by resending, and the resend is said on standard error as it
# happens; the port is named by its number this time.
if start_sim dropped --drop-reply 2; then
  status=$(run_exe dropped --port 5 --keep-files backup)
  stop_sim
  if [[ $status != 0 ]]; then
    fail "dropped: exit status $status: $(cat "$work/dropped/exe.out" "$work/dropped/exe.err")"
  else
    same "$work/linux/app/BACKUP.BIN" "$work/dropped/app/BACKUP.BIN" "dropped: the backup"
    if [[ $(tr -d '\r' <"$work/dropped/exe.err") != "No reply within 0.3 s; sending again (1 of 3)" ]]; then
      fail "dropped: the resend is not said as it happens: $(cat "$work/dropped/exe.err")"
    fi
  fi
fi

# 4. A COM port that does not exist: the port error, exit status 1, nothing written.
mkdir -p "$work/noport/app"
cp "$sample_firmware" "$work/noport/app/Q7310_v201.mot"
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
  wine "$exe" --dir "$win_app" --device "$com" --yes --reply-timeout 3000 --allow-sample backup update \
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

# 9. One USB adapter, on COM5, its latency timer at 16 ms: listed with its ids and the timer;
# used when no port is named, and named on the first lines; its cost said before the update.
add_adapter A50285BI "$com" 16
ports=$(wine "$exe" ports 2>&1 | tr -d '\r')
if ! grep -Eq "^5 +$com +FTSER2K +0403:6001 +A50285BI +16 ms +FTDI USB Serial Port\$" <<<"$ports"; then
  fail "ports: the adapter on $com is not listed with its ids and latency timer: $ports"
fi
if ! grep -q "^$com: latency timer 16 ms; an update of a 64 KiB image takes about 8.2 s longer" <<<"$ports"; then
  fail "ports: no note on the latency timer: $ports"
fi
if start_sim adapter; then
  status=$(run_exe_unnamed adapter update)
  stop_sim
  if [[ $status != 0 ]]; then
    fail "adapter: exit status $status: $(cat "$work/adapter/exe.out" "$work/adapter/exe.err")"
  else
    same "$work/adapter/image.out" "$work/adapter/app/UPDATE.BIN" "adapter: the firmware image received"
    port_line=$(sed -n 2p "$work/adapter/exe.out" | tr -d '\r')
    if [[ $port_line != "Port: $com (FTDI USB Serial Port, 0403:6001)" ]]; then
      fail "adapter: the second line does not name the adapter: $port_line"
    fi
    if ! grep -q "^warning: The USB adapter on $com holds every short reply for 16 ms (its latency timer): the 513 requests of this update take about 8.2 s longer." "$work/adapter/exe.err"; then
      fail "adapter: no warning on the latency timer: $(cat "$work/adapter/exe.err")"
    fi
  fi
fi
if start_sim adapter-json; then
  status=$(run_exe_unnamed adapter-json --json update)
  stop_sim
  tr -d '\r' <"$work/adapter-json/exe.out" >"$work/adapter-json/lines.json"
  if [[ $status != 0 ]] || ! json_types "$work/adapter-json/lines.json" >"$work/adapter-json/types" 2>&1; then
    fail "adapter-json: exit status $status, or lines that are not JSON: $(cat "$work/adapter-json/exe.out" "$work/adapter-json/types")"
  else
    # The port as chosen, and the warning before any block was counted.
    grep -q '^port .*"source": "only-adapter"' "$work/adapter-json/types" ||
      fail "adapter-json: no port line from the only adapter: $(cat "$work/adapter-json/types")"
    first_block=$(grep -m 1 -n '^progress .*"percent": [1-9]' "$work/adapter-json/types" | cut -d: -f1)
    warning=$(grep -m 1 -n '^warning .*latency timer' "$work/adapter-json/types" | cut -d: -f1)
    if [[ -z $warning || -z $first_block || $warning -gt $first_block ]]; then
      fail "adapter-json: the latency warning does not come before the blocks: $(cat "$work/adapter-json/types")"
    fi
  fi
fi

# 10. Two adapters and no port named: both listed with what to type, exit status 2, nothing sent.
add_adapter FT0000AB COM6 16
mkdir -p "$work/several/app"
status=$(run_exe_unnamed several backup)
if [[ $status != 2 ]]; then fail "several: exit status $status, not 2"; fi
for adapter in "--port $com " "--port COM6 "; do
  grep -q -- "^  $adapter" "$work/several/exe.err" ||
    fail "several: '$adapter' is not offered: $(cat "$work/several/exe.err")"
done
if [[ -e $work/several/app/BACKUP.BIN ]]; then fail "several: BACKUP.BIN was written"; fi

# 11. No adapter: port 1, which leads nowhere here: the port error, exit status 1.
remove_adapters
mkdir -p "$work/none/app"
status=$(run_exe_unnamed none backup)
if [[ $status != 1 ]]; then fail "none: exit status $status, not 1"; fi
if ! grep -q "^Port: COM1 (port 1)" "$work/none/exe.out"; then
  fail "none: port 1 is not the one used: $(cat "$work/none/exe.out")"
fi

finish
