#!/usr/bin/env bash
# The Windows installer as a technician meets it, under Wine: two .msi files made by
# tools/make-msi from this build's install rules, this version (with one file more, which the
# next release no longer has) and the next patch version.
#   1. msiexec /i … /qn installs this version without asking: the files, the Start-menu entry and
#      the entry in Apps & features (the registry) are there.
#   2. The installed q7310.exe, started without --dir, backs up the simulated amplifier (COM5 is
#      mapped to the Linux q7310-sim's pseudo-terminal, as in wine_end_to_end.sh) into
#      %LOCALAPPDATA%\q7310, not into its own folder. The sample firmware is installed under a
#      name of its own, never as the firmware file; an update without firmware names the
#      released firmware and says the installed sample is for the simulator only.
#   3. The next version installed over it replaces it: only the new files, one entry, the backup
#      untouched; the new program restores that backup. An older .msi is then refused.
#   4. msiexec /x … /qn removes the program, its Start-menu entry and its Apps & features entry;
#      the working folder (BACKUP.BIN, backups\, the technician's firmware file) and the desktop
#      program's remembered port stay as they were.
#
# usage: wine_msi_install.sh x64|x86 WINDOWS_BUILD_DIR LINUX_BUILD_DIR SOURCE_DIR VERSION
#        (WINEPREFIX set)
# Exit 77 (skipped) when the Linux build, Wine or wixl is missing.
set -euo pipefail
arch=$1
build=$2
linux_build=$3
source_dir=$4
version=$5
sim=$linux_build/src/sim/q7310-sim
: "${WINEPREFIX:?set WINEPREFIX to the Wine prefix of the Windows build}"
# Wine through the loader this machine can run (the 64-bit one where 32-bit programs cannot run).
source "$source_dir/tools/wine-env"
# winemenubuilder would copy the Start-menu entry into the Linux desktop's menu.
export WINEPREFIX WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

skip() {
  "$source_dir/tools/skip-note" "wine_msi_install ($arch)" "$*" >&2
  exit 77
}
[[ -x $sim ]] || skip "no Linux build in $linux_build (q7310-sim)"
command -v wine >/dev/null || skip "wine is not installed (tools/setup installs it)"
command -v wixl >/dev/null || skip "wixl is not installed (tools/setup installs it)"

readonly com=COM5
readonly reply_timeout=300
readonly line_wait_tenths=100 # up to 10 s for the simulator to make its line
readonly shortcut_name="q7310 Firmware Upgrade.lnk"
readonly product_name=q7310
newer=$(awk -F. '{ printf "%d.%d.%d", $1, $2, $3 + 1 }' <<<"$version")
work=$(mktemp -d "${TMPDIR:-/tmp}/q7310-wine-msi.XXXXXX")
link=$WINEPREFIX/q7310-$com # the Unix end of COM5; the simulator makes it
source "$source_dir/tests/windows/sim_on_com5.sh"

# A Windows program's output without the CRs.
win() { wine "$@" </dev/null 2>/dev/null | tr -d '\r'; }

# The Apps & features entries of q7310, one line each: "PRODUCT-CODE VERSION UNINSTALL-COMMAND".
# Windows keeps a per-user product's entry under HKCU, Wine under HKLM: both are read, in both
# registry views.
uninstall_entries() {
  local hive view
  for hive in HKCU HKLM; do
    for view in 64 32; do
      win reg query "$hive\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall" /s /reg:$view || true
    done
  done | awk -F '    ' -v name="$product_name" '
    function flush() { if (display == name) print code, display_version, command }
    /^HKEY_/ { flush(); code = $0; sub(/.*\\/, "", code); display = display_version = command = "" }
    $2 == "DisplayName" { display = $4 }
    $2 == "DisplayVersion" { display_version = $4 }
    $2 == "UninstallString" { command = $4 }
    END { flush() }' | LC_ALL=C sort -u
}

# Removes every q7310 installed in this prefix: a run that failed half-way leaves one behind.
uninstall_all() {
  local code
  for code in $(uninstall_entries | cut -d ' ' -f 1); do
    wine msiexec /x "$code" /qn </dev/null >/dev/null 2>&1 || true
  done
}

cleanup() {
  stop_sim
  uninstall_all
  rm -f "$link"
  # What the test put in the prefix as the technician's: the remembered port's mark, the key
  # when the test made it, the working folder.
  if [[ -n ${port_key_made:-} ]]; then
    wine reg delete "$port_key" /f >/dev/null 2>&1 || true
  elif [[ -n ${port_key_made+set} ]]; then
    wine reg delete "$port_key" /v "$port_mark" /f >/dev/null 2>&1 || true
  fi
  if ((failures == 0)); then
    rm -rf "$work" "${data:-}"
  else
    echo "wine_msi_install: files kept in $work and ${data:-}" >&2
  fi
}
trap cleanup EXIT

# Runs Windows Installer silently (/qn); prints its exit status (Windows' 1603 arrives as 67).
run_msiexec() {
  local status=0
  wine msiexec "$@" /qn </dev/null >"$work/msiexec.out" 2>&1 || status=$?
  echo "$status"
}

# Every file below a folder with its checksum, to tell whether anything in it changed.
snapshot() { (cd "$1" && find . -type f -print0 | LC_ALL=C sort -z | xargs -0 -r sha256sum); }

# The installed folder holds exactly the files of the release's folder, byte for byte.
same_tree() {
  local diff
  if ! diff=$(diff -r "$1" "$2" 2>&1); then fail "$3: the installed files differ from the release's: $diff"; fi
}

# Starts the simulator on COM5's link for the case folder $work/$1 (further arguments go to it).
start_sim() {
  mkdir -p "$work/$1"
  start_sim_on_com5 "$work/$1" "${@:2}"
}

# The two releases, as the install rules put them together.
for release in "$version" "$newer"; do
  stage=$work/release-$release
  cmake --install "$build" --prefix "$stage" >/dev/null
  cmake --install "$build" --prefix "$stage" --component msi >/dev/null
  [[ $release == "$version" ]] && echo "dropped in the next release" >"$stage/only-in-$version.txt"
  "$source_dir/tools/make-msi" "$arch" "$stage" "$release" "$work/q7310-$release.msi"
done

# COM5 leads to the simulator's line; no q7310 is installed yet.
map_com5
uninstall_all
local_appdata_win=$(win cmd /c echo %LOCALAPPDATA%)
program_win="$local_appdata_win\\Programs\\q7310"
program=$(winepath -u "$program_win" 2>/dev/null)
data=$(winepath -u "$local_appdata_win\\q7310" 2>/dev/null)
start_menu=$(winepath -u "$(win cmd /c echo %APPDATA%)\\Microsoft\\Windows\\Start Menu\\Programs" 2>/dev/null)
if [[ -z $program || -z $data || -z $start_menu ]]; then
  fail "Wine names no %LOCALAPPDATA% or %APPDATA% ('$local_appdata_win')"
  exit 1
fi
rm -rf "$program" "$data"
# A value beside the desktop program's remembered port (q7310-upgrade keeps it in this key): a
# setting of the user's, which no uninstall may take.
readonly port_key='HKCU\Software\q7310\q7310-upgrade\port' port_mark=q7310-msi-test
port_key_made=yes
win reg query "$port_key" >/dev/null && port_key_made=""
win reg add "$port_key" /v "$port_mark" /t REG_DWORD /d 7310 /f >/dev/null

# 1. Install silently.
status=$(run_msiexec /i "$(winepath -w "$work/q7310-$version.msi")")
if [[ $status != 0 ]]; then fail "install $version: msiexec exit status $status: $(cat "$work/msiexec.out")"; fi
same_tree "$work/release-$version" "$program" "install $version"
lnk="$start_menu/$shortcut_name"
if [[ ! -f $lnk ]]; then
  fail "install $version: no Start-menu entry $lnk"
elif ! strings -a "$lnk" | grep -qiF "$program_win\\q7310-upgrade.exe"; then
  fail "install $version: the Start-menu entry does not start $program_win\\q7310-upgrade.exe"
fi
entries=$(uninstall_entries)
read -r first_code first_version first_command <<<"$entries"
if [[ $(wc -l <<<"$entries") != 1 || $first_version != "$version" ]]; then
  fail "install $version: Apps & features entries: '${entries}'"
elif [[ ${first_command,,} != "msiexec.exe /x${first_code,,}" ]]; then
  fail "install $version: the uninstaller is '$first_command'"
fi

# 2. The installed program works in %LOCALAPPDATA%\q7310 (made when missing).
if start_sim backup; then
  status=0
  wine "$program_win\\q7310.exe" --device "$com" --yes --keep-files --reply-timeout "$reply_timeout" \
    backup </dev/null >"$work/backup/exe.out" 2>"$work/backup/exe.err" || status=$?
  stop_sim
  if [[ $status != 0 ]]; then fail "backup: exit status $status: $(cat "$work/backup/exe.out" "$work/backup/exe.err")"; fi
  first_line=$(head -n 1 "$work/backup/exe.out" | tr -d '\r')
  if [[ $(winepath -u "${first_line#Working folder: }" 2>/dev/null) != "$data" ]]; then
    fail "backup: '$first_line', not the folder $data"
  fi
  copies=("$data"/backups/BACKUP-*.BIN)
  if [[ ! -s $data/BACKUP.BIN || ${#copies[@]} != 1 || ! -f ${copies[0]} ]]; then
    fail "backup: no BACKUP.BIN and one dated copy in $data: $(ls -R "$data" 2>&1)"
  fi
  if [[ -e $program/BACKUP.BIN || -d $program/backups ]]; then fail "backup: files written beside the program"; fi
fi
# The sample is installed, but never under the firmware file's name; with no firmware in the
# working folder, an update says where the released firmware goes and what the sample is.
mapfile -t samples < <(cd "$program" && find . -iname '*.mot' -printf '%P\n')
if [[ ${#samples[@]} != 1 || ${samples[0],,} == *q7310_v201.mot ]]; then
  fail "install $version: the installed firmware files are '${samples[*]}', not one sample under a name of its own"
elif start_sim no-firmware; then
  status=0
  wine "$program_win\\q7310.exe" --device "$com" --yes --reply-timeout "$reply_timeout" update \
    </dev/null >"$work/no-firmware/exe.out" 2>"$work/no-firmware/exe.err" || status=$?
  stop_sim
  sample_win="$program_win\\${samples[0]//\//\\}"
  if [[ $status != 1 ]] || ! grep -q "^ERROR: Failed to read the MOT file." "$work/no-firmware/exe.err" ||
    ! grep -qF "released firmware file in " "$work/no-firmware/exe.err" ||
    ! tr -d '\r' <"$work/no-firmware/exe.err" | grep -qiF "sample firmware file $sample_win is for trying the programs against the simulator q7310-sim only"; then
    fail "no firmware: exit status $status: $(cat "$work/no-firmware/exe.err")"
  fi
  if compgen -G "$data/*.mot" >/dev/null; then fail "no firmware: a firmware file appeared in $data"; fi
fi
# The firmware file the technician brought.
mkdir -p "$data"
echo "the technician's firmware file" >"$data/Q7310_v201.mot"
before=$(snapshot "$data")

# 3. The next version replaces this one; the working folder stays as it was.
status=$(run_msiexec /i "$(winepath -w "$work/q7310-$newer.msi")")
if [[ $status != 0 ]]; then fail "upgrade to $newer: msiexec exit status $status: $(cat "$work/msiexec.out")"; fi
same_tree "$work/release-$newer" "$program" "upgrade to $newer"
[[ -f $lnk ]] || fail "upgrade to $newer: the Start-menu entry is gone"
entries=$(uninstall_entries)
read -r code installed_version _ <<<"$entries"
if [[ $(wc -l <<<"$entries") != 1 || $installed_version != "$newer" || $code == "$first_code" ]]; then
  fail "upgrade to $newer: Apps & features entries: '${entries}' (before: $first_code $first_version)"
fi
[[ $(snapshot "$data") == "$before" ]] || fail "upgrade to $newer: the working folder changed"
# The new program finds the earlier backup and restores it.
if start_sim restore --restore-out "$work/restore/restored.bin"; then
  status=0
  wine "$program_win\\q7310.exe" --device "$com" --yes --reply-timeout "$reply_timeout" restore \
    </dev/null >"$work/restore/exe.out" 2>"$work/restore/exe.err" || status=$?
  stop_sim
  if [[ $status != 0 ]]; then
    fail "restore after the upgrade: exit status $status: $(cat "$work/restore/exe.out" "$work/restore/exe.err")"
  elif ! cmp -s "$work/restore/restored.bin" "$data/BACKUP.BIN"; then
    fail "restore after the upgrade: the amplifier did not get the earlier BACKUP.BIN"
  fi
fi
# An older version does not replace a newer one.
status=$(run_msiexec /i "$(winepath -w "$work/q7310-$version.msi")")
[[ $status != 0 ]] || fail "downgrade to $version: installed"
[[ $(uninstall_entries) == "$entries" ]] || fail "downgrade to $version: the entries changed: $(uninstall_entries)"
same_tree "$work/release-$newer" "$program" "downgrade to $version"

# 4. Uninstall silently: the program goes, the technician's files and settings stay.
status=$(run_msiexec /x "$(winepath -w "$work/q7310-$newer.msi")")
if [[ $status != 0 ]]; then fail "uninstall: msiexec exit status $status: $(cat "$work/msiexec.out")"; fi
[[ -e $program ]] && fail "uninstall: $program is still there: $(ls -A "$program")"
[[ -e $lnk ]] && fail "uninstall: the Start-menu entry is still there"
[[ -z $(uninstall_entries) ]] || fail "uninstall: Apps & features entries left: $(uninstall_entries)"
win reg query 'HKCU\Software\q7310\Installation' >/dev/null && fail "uninstall: HKCU\\Software\\q7310\\Installation is left"
win reg query "$port_key" /v "$port_mark" | grep -q "0x1c8e" || fail "uninstall: the remembered port's key lost its value"
[[ $(snapshot "$data") == "$before" ]] || fail "uninstall: the working folder changed: $(ls -R "$data" 2>&1)"

if ((failures)); then
  echo "wine_msi_install: $failures check(s) failed" >&2
  exit 1
fi
echo "wine_msi_install ($arch): install, run, upgrade, uninstall passed"
