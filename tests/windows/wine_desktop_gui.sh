#!/usr/bin/env bash
# q7310-upgrade.exe under Wine and Xvfb against the Linux simulator (COM5 mapped to the
# simulator's pseudo-terminal, as in wine_end_to_end.sh), driven through its real buttons with
# the keyboard (xdotool): Tab to the stage's one enabled button, Enter presses it. Checks byte for
# byte what the simulator received (the firmware image, the restored settings), that BACKUP.BIN
# equals the Linux tool's from the same simulated amplifier, that closing with a held backup asks
# first (No, the default, keeps the program running), that RESTORE asks before it writes a
# BACKUP.BIN lacking slots (No, the default, sends nothing), and that closing after the restore
# ends the program with BACKUP.BIN and UPDATE.BIN deleted and the dated copy kept. The restore's
# COMPLETE box offers Verify, whose read-back must match the backup.
#
# usage: wine_desktop_gui.sh EXE LINUX_BUILD_DIR SOURCE_DIR [SCREENSHOT_DIR]   (WINEPREFIX set)
# With SCREENSHOT_DIR the simulator runs at the line's pace, and the pictures of stage 1, the
# progress dialog during UPDATE and the settings dialog go there as windows-*.png.
# Exit 77 (skipped) when the Linux build, Wine, Xvfb or xdotool is missing.
set -euo pipefail
test_name=wine_desktop_gui
# shellcheck source=tests/windows/wine_test_setup.sh
source "$(dirname "$0")/wine_test_setup.sh"
shots=${4:-}
for tool in Xvfb xdotool; do
  command -v "$tool" >/dev/null || skip "$tool is not installed (tools/setup installs it)"
done
if [[ -n $shots ]] && ! command -v import >/dev/null; then skip "import (ImageMagick) is missing"; fi

readonly wait_tenths=600 # up to 60 s for each step (a first Wine window takes a while)
app=$work/app
xvfb_pid="" exe_pid=""

cleanup() {
  [[ -n $exe_pid ]] && kill "$exe_pid" 2>/dev/null
  stop_sim
  # Wine's processes of this display end; the next tests get helpers that hold no one's output.
  wineserver -k >/dev/null 2>&1 || true
  [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null
  (unset DISPLAY && wineserver -p >/dev/null 2>&1; wine cmd /c exit </dev/null >/dev/null 2>&1) || true
  wine_test_cleanup
}
trap cleanup EXIT

die() {
  fail "$*"
  exit 1
}

# Waits until the command given succeeds; false after the step's time.
wait_until() {
  for ((i = 0; i < wait_tenths; ++i)); do
    "$@" >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  return 1
}
visible() { xdotool search --onlyvisible --name "^$1\$" | head -n 1 | grep -q .; }
hidden() { ! visible "$1"; }
window_of() { xdotool search --onlyvisible --name "^$1\$" | head -n 1; }
exists() { compgen -G "$1" >/dev/null; }
running() { kill -0 "$exe_pid" 2>/dev/null; }

main_title="7310 Series v2.0 Firmware Upgrade and Settings Transfer Software"
# Keys to the main window (or to the window named $1 when it is not the main window).
keys_to() {
  local id
  id=$(window_of "$1")
  xdotool windowfocus --sync "$id"
  shift
  xdotool key --delay 100 "$@"
}
shot() {
  [[ -n $shots ]] || return 0
  mkdir -p "$shots"
  import -window "$(window_of "$1")" "$shots/windows-$2.png"
}

# A display of our own.
"${until_we_end[@]}" Xvfb -displayfd 3 -screen 0 1280x900x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb_pid=$!
wait_until test -s "$work/display" || die "Xvfb did not start"
export DISPLAY=:$(head -n 1 "$work/display")

# COM5 leads to the link; Wine draws the windows' frames itself (there is no window manager).
# Wine's processes start on this display and end with the test.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /t REG_SZ /d N /f >/dev/null 2>&1
map_com5

# The simulator, and the program in its working folder.
mkdir -p "$app"
cp "$sample_firmware" "$app/Q7310_v201.mot"
pace=()
if [[ -n $shots ]]; then pace=(--pace); fi
start_sim_on_com5 "$work" "${pace[@]}" --image-out "$work/image.out" \
  --restore-out "$work/restore.out" || exit 1
wine "$exe" --device "$com" --dir "$(winepath -w "$app")" --allow-sample >"$work/exe.out" 2>"$work/exe.err" &
exe_pid=$!

# Stage 1: BACKUP.
wait_until visible "$main_title" || die "no main window: $(cat "$work/exe.err")"
sleep 0.5 # the port opens and stage 1 shows once the window is up
shot "$main_title" stage1
keys_to "$main_title" Tab Return
wait_until exists "$app/backups/BACKUP-*.BIN" || die "backup: no dated copy was kept"
wait_until hidden BACKUP || die "backup: the progress dialog stays"

# Closing now would delete the only backup: the question comes, and No (Enter) keeps it.
keys_to "$main_title" Escape
if wait_until visible CONFIRM; then
  keys_to CONFIRM Return
  wait_until hidden CONFIRM || fail "close: the question stays after No"
  running || fail "close: the program ended although the operator said No"
else
  fail "close: no question before closing with a held backup"
fi

# Stage 2: UPDATE.
keys_to "$main_title" Tab Return
if [[ -n $shots ]]; then
  wait_until visible UPDATE && sleep 6 && shot UPDATE progress-update
fi
wait_until test -e "$work/image.out" || die "update: the simulator got no whole image"
wait_until hidden UPDATE || die "update: the progress dialog stays"

# A BACKUP.BIN of two slots only: RESTORE asks first, and Enter answers No, the default: nothing
# is sent. The focus then goes back to RESTORE; Tab takes it to the instructions again.
mv "$app/BACKUP.BIN" "$work/BACKUP.BIN.whole"
printf '\x00\x00\x00\x01\x41\x00\x03\x00\x01\x42' >"$app/BACKUP.BIN"
sleep 0.3
keys_to "$main_title" Tab Return
if wait_until visible CONFIRM; then
  keys_to CONFIRM Return
  wait_until hidden CONFIRM || fail "partial backup: the question stays after Enter"
  sleep 0.5
  [[ ! -s $work/restore.out ]] || fail "partial backup: records were sent although No is the default"
  keys_to "$main_title" Tab
else
  fail "partial backup: no question before RESTORE"
fi
mv "$work/BACKUP.BIN.whole" "$app/BACKUP.BIN"

# Stage 3: RESTORE, which ends with COMPLETE.
sleep 0.3
keys_to "$main_title" Tab Return
wait_until visible COMPLETE || die "restore: no COMPLETE message"

# Byte for byte: what the simulator received is what the program staged and backed up.
same "$work/image.out" "$app/UPDATE.BIN" "the firmware image received"
same "$work/restore.out" "$app/BACKUP.BIN" "the settings restored"
copies=("$app/backups/"BACKUP-*.BIN)
same "${copies[0]}" "$app/BACKUP.BIN" "the dated copy"
"$linux_cli" image --stage "$work/linux-image.bin" "$app/Q7310_v201.mot" >/dev/null
same "$work/linux-image.bin" "$work/image.out" "the image: Windows and Linux"
linux_backup "$work/linux"
same "$work/linux/BACKUP.BIN" "$app/BACKUP.BIN" "backup: Windows and Linux"

# The COMPLETE box's Verify button (before OK, which has the focus) reads the settings back: a
# second COMPLETE box says they match the backup (an ERROR box would say they differ).
restored_box=$(window_of COMPLETE)
keys_to COMPLETE shift+Tab Return
verify_box() {
  local id
  id=$(window_of COMPLETE)
  [[ -n $id && $id != "$restored_box" ]]
}
if wait_until verify_box; then
  keys_to COMPLETE Return
  wait_until hidden COMPLETE || fail "verify: the COMPLETE message stays"
else
  if visible ERROR; then
    fail "verify: the settings read back differ from the backup"
    keys_to ERROR Return
  else
    fail "verify: no COMPLETE message after Verify"
  fi
fi

# The settings dialog, for its picture: Option > Setting, then Escape.
if [[ -n $shots ]]; then
  keys_to "$main_title" alt+o s
  wait_until visible Setting && sleep 0.3 && shot Setting settings
  keys_to Setting Escape
  wait_until hidden Setting || fail "settings: the dialog stays after Escape"
fi

# Stage 1 again: Escape closes, and the run's own files go with it.
keys_to "$main_title" Escape
wait_until bash -c "! kill -0 $exe_pid" || die "close: the program did not end"
status=0
wait "$exe_pid" || status=$?
exe_pid=""
((status == 0)) || fail "close: exit status $status"
for file in BACKUP.BIN UPDATE.BIN; do
  [[ ! -e $app/$file ]] || fail "close: $file was not deleted"
done
[[ -f ${copies[0]} ]] || fail "close: the dated copy was deleted"

finish
