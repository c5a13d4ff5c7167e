#!/usr/bin/env bash
# Checks what scripts/release.sh wrote (it runs this at its end):
#   scripts/check-release.sh [DIR [VERSION]]     default build/release and the project version
# - the portable zip holds exactly the expected files in one folder Telvia/;
# - the manual Telvia.chm opens with chmls and holds every page, image and file of its project;
# - under Wine, in a prefix of its own: the installer installs silently for the current user
#   into %LOCALAPPDATA%\Programs\Telvia, registers its uninstaller, and makes a Start-menu
#   shortcut whose working folder is the install folder; the stream probe beside the program
#   runs on its own; the installed program, started
#   there, finds channels_init.qcl on its first run (the channel editor lists its channels and
#   the catalogue is saved at exit) and Help > User manual hands the shell Telvia.chm of that
#   folder; installing again keeps the user's channels.qcl and translation.ini; the
#   uninstaller removes every installed file and keeps the user's settings, or with
#   /REMOVEUSERDATA removes them too; /ALLUSERS installs into Program Files and registers
#   under HKLM. The file types: the install registers ".qcl" for the current user (its file
#   type, icon and "Open" command, which started as Explorer starts it offers the file's
#   channels in the Load dialog) and adds Telvia to "Open with" for ".m3u" and ".m3u8",
#   leaving another program's default for ".m3u" alone; the uninstaller leaves none of it
#   and keeps that default; /ALLUSERS registers the same for the machine, where the shell
#   opens a channel file with the installed program. The prefix is removed afterwards.
set -Eeuo pipefail
# A step that fails outside a check still says where, instead of ending the script silently.
trap 'echo "check-release: FAILED: line $LINENO: $BASH_COMMAND ended with code $?" >&2' ERR
cd "$(dirname "$0")/.."
root=$PWD
dir=$(cd "${1:-build/release}" && pwd)
version=${2:-$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/windows/CMakeCache.txt)}
setup=$dir/telvia-$version-setup.exe
portable=$dir/telvia-$version-portable.zip
remote=$root/build/windows/tools/remote/telvia-remote.exe

fail() { echo "check-release: FAILED: $*" >&2; exit 1; }
pass() { echo "check-release: ok: $*"; }
for file in "$setup" "$portable" "$remote"; do
  [ -f "$file" ] || fail "$file is missing"
done

# What every package holds, relative to the program folder. demo.wmv ships (it is well
# under the release script's size limit); the sample translations are those of translations/.
expected=$(
  printf '%s\n' telvia.exe telvia-probe.exe channels_init.qcl demo.wmv Telvia.chm translations/README.txt
  for t in translations/*/translation.ini; do echo "$t"; done
)
expected=$(sort <<<"$expected")

# --- The portable zip -------------------------------------------------------------------
listed=$(unzip -Z1 "$portable" | grep -v '/$' | sort)
[ "$listed" = "$(sed 's|^|Telvia/|' <<<"$expected")" ] ||
  fail "the zip lists other files than expected:$(diff <(sed 's|^|Telvia/|' <<<"$expected") <(echo "$listed") | sed 's/^/ /')"
unzip -tq "$portable" >/dev/null || fail "the zip does not test clean"
pass "portable zip holds exactly the $(wc -l <<<"$expected") expected files under Telvia/"

# --- The manual -------------------------------------------------------------------------
work=$dir/check
rm -rf "$work"
mkdir -p "$work"
unzip -q "$portable" -d "$work/zip"
chm=$work/zip/Telvia/Telvia.chm
chm_list=$(chmls -n -p list "$chm" 2>/dev/null) || fail "chmls cannot open Telvia.chm"
# Every file of the project, and every page and image the pages name.
needed=$(
  sed -n '/^\[FILES\]/,/^\[/p' docs/manual/telvia.hhp | grep -v '^\[' | grep -v '^$'
  grep -oh '\(src\|href\)="[^"#:]*"' docs/manual/*.html | sed 's/^[a-z]*="//; s/"$//'
  (cd docs/manual && ls ./*.html | sed 's|^\./||')
)
missing=$(sort -u <<<"$needed" | while read -r name; do
  grep -qxF "/$name" <<<"$chm_list" || echo "$name"
done)
[ -z "$missing" ] || fail "Telvia.chm lacks: $(echo $missing)"
chmls extract "$chm" /index.html "$work/index.html" >/dev/null 2>&1 &&
  grep -q '<title>Telvia user manual</title>' "$work/index.html" || fail "index.html does not read back from Telvia.chm"
pass "Telvia.chm opens and holds its $(sort -u <<<"$needed" | wc -l) pages, images and files"

# --- Installer and uninstaller under Wine ------------------------------------------------
export TELVIA_WINE_STATE=$work/wine
. scripts/wine-env.sh
cleanup() {
  "$root/scripts/wine-session.sh" stop >/dev/null 2>&1
  rm -rf "$work/wine"
}
trap cleanup EXIT
scripts/wine-session.sh start >/dev/null || fail "no Wine session"
. scripts/wine-env.sh
w() { timeout --kill-after=5 120 wine "$@" </dev/null; }
unix() { winepath -u "$1" 2>/dev/null; }
# A reg query that fails to start (seen once on a loaded CI machine, with the value in place)
# is tried again; what the last try printed is kept in reg-query.log for the failure message.
reg_value() {  # KEY VALUE -> the value's data, or nothing
  local out attempt
  for attempt in 1 2 3; do
    if out=$(w reg query "$1" /v "$2" 2>"$work/reg-query.log"); then
      tr -d '\r' <<<"$out" | awk -v v="$2" '$1 == v { $1 = ""; $2 = ""; sub(/^  */, ""); print }'
      return 0
    fi
    { echo "reg query $1 /v $2 (try $attempt):"; echo "$out"; } >>"$work/reg-query.log"
    sleep 1
  done
}
reg_log() { if [ -s "$work/reg-query.log" ]; then sed "s/^/  /" "$work/reg-query.log" | tail -n 20; fi; }
has_key() { w reg query "$1" >/dev/null 2>&1; }
has_value() { w reg query "$1" /v "$2" >/dev/null 2>&1; }
reg_default() {  # KEY -> the data of its unnamed value; nothing when it is not set
  local out
  out=$(w reg query "$1" /ve 2>/dev/null) || return 0
  tr -d '\r' <<<"$out" | awk '$1 == "(Default)" && $2 ~ /^REG_/ { $1 = ""; $2 = ""; sub(/^  */, ""); print }' |
    grep -vxF '(value not set)' || true
}
# The file types an installation in the folder $2 (a Windows path) registered under the
# classes $1 (HKCU\Software\Classes or HKLM\Software\Classes).
check_file_types() {
  local classes=$1 folder=$2 type ext
  [ "$(reg_default "$classes\\.qcl")" = Telvia.ChannelFile ] ||
    fail ".qcl is not Telvia's channel file under $classes: $(reg_default "$classes\\.qcl")"
  has_value "$classes\\.qcl\\OpenWithProgids" Telvia.ChannelFile || fail ".qcl does not list Telvia under $classes"
  for type in Telvia.ChannelFile Telvia.Playlist; do
    [ -n "$(reg_default "$classes\\$type")" ] || fail "$type has no description under $classes"
    [ "$(reg_default "$classes\\$type\\shell\\open\\command")" = "\"$folder\\telvia.exe\" \"%1\"" ] ||
      fail "$type opens with $(reg_default "$classes\\$type\\shell\\open\\command")"
    [ "$(reg_default "$classes\\$type\\DefaultIcon")" = "$folder\\telvia.exe,0" ] ||
      fail "$type shows the icon $(reg_default "$classes\\$type\\DefaultIcon")"
  done
  for ext in .m3u .m3u8; do
    has_value "$classes\\$ext\\OpenWithProgids" Telvia.Playlist || fail "$ext does not list Telvia in Open with under $classes"
  done
}
# Nothing of Telvia's file types under the classes $1; a ".m3u" key may stay for another program.
check_no_file_types() {
  local classes=$1 key
  for key in Telvia.ChannelFile Telvia.Playlist .qcl .m3u8; do
    ! has_key "$classes\\$key" || fail "the uninstaller left $classes\\$key"
  done
  ! has_value "$classes\\.m3u\\OpenWithProgids" Telvia.Playlist || fail "the uninstaller left Telvia in Open with for .m3u"
}
# A channel file of one channel that no catalogue holds, at the Unix path $1.
write_check_channel_file() {
  python3 - "$1" <<'PY'
import struct, sys
def field(text, units):
    data = text.encode('utf-16-le')
    return data + b'\0' * (units * 2 - len(data))
record = (struct.pack('<I', 0) + field('Release check', 260) + field('', 520) + field('FRA', 4)
          + field('http://check.example/live', 520) + field('', 260))
open(sys.argv[1], 'wb').write(record)
PY
}
# Waits for the Load dialog offering the check file's one channel, closes it and exits the
# program; $1 is the background job running it.
expect_load_of_check_file() {
  local rows
  remote wait '#32770' 'Load channels' 30 >/dev/null || fail "opening the channel file showed no Load dialog"
  rows=$(remote rows '#32770' 'Load channels' | tr -d '\r')
  [ "$rows" = 1 ] || fail "the Load dialog offers $rows channels instead of the file's one"
  remote post '#32770' 'Load channels' 0x111 2 0 || fail "could not close the Load dialog"
  remote gone '#32770' 'Load channels' 10 || fail "the Load dialog did not close"
  remote post TELVIA - 0x111 105 0 || fail "no main window to exit"
  wait "$1" || fail "telvia.exe ended with code $?"
}
reg_set() {  # reg add's arguments; tried again like reg_value
  local attempt
  for attempt in 1 2 3; do
    w reg add "$@" /f >/dev/null 2>>"$work/reg-query.log" && return 0
    sleep 1
  done
  fail "reg add $*: $(reg_log)"
}
# Runs a command line exactly as written: NSIS takes /D= and _?= as the rest of the line,
# spaces and all, where wine would quote an argument that holds a space.
run_line() {
  printf '@echo off\r\n%s\r\nexit /b %%errorlevel%%\r\n' "$1" >"$WINEPREFIX/drive_c/run-line.cmd"
  w cmd /c 'C:\run-line.cmd'
}
cp "$remote" "$WINEPREFIX/drive_c/telvia-remote.exe"
remote() { w 'C:\telvia-remote.exe' "$@"; }
settings='HKCU\Software\Quorvex\Telvia'
uninstall_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Telvia'

cp "$setup" "$WINEPREFIX/drive_c/setup.exe"
# Another program plays playlists: the install must leave its default alone.
user_classes='HKCU\Software\Classes'
reg_set "$user_classes\\.m3u" /ve /d OtherPlayer.Playlist
w 'C:\setup.exe' /S || fail "the silent install ended with code $?"
instdir_win=$(w cmd /c echo '%LOCALAPPDATA%\Programs\Telvia' | tr -d '\r')
instdir=$(unix "$instdir_win")
[ -d "$instdir" ] || fail "nothing installed in $instdir_win"

installed=$(cd "$instdir" && find . -type f | sed 's|^\./||' | sort)
[ "$installed" = "$(printf '%s\nuninstall.exe\n' "$expected" | sort)" ] ||
  fail "the install folder holds other files than expected:$(diff <(printf '%s\nuninstall.exe\n' "$expected" | sort) <(echo "$installed") | sed 's/^/ /')"
cmp -s "$instdir/telvia.exe" "$work/zip/Telvia/telvia.exe" || fail "installer and zip carry different telvia.exe"
pass "silent install put every file and the uninstaller into $instdir_win"

# The stream probe runs from the install folder on its own: without an address it says how
# it is called and ends with 64.
probe_usage=$(cd "$instdir" && timeout --kill-after=5 60 wine telvia-probe.exe 2>&1 </dev/null) && probe_code=0 || probe_code=$?
[ "$probe_code" = 64 ] || fail "telvia-probe.exe without an address ended with $probe_code: $probe_usage"
grep -q '^usage: telvia-probe \[--capture DIR\] \[--seconds N\] ADDRESS' <<<"$probe_usage" || fail "telvia-probe.exe printed no usage: $probe_usage"
pass "the installed telvia-probe.exe runs and explains its usage"

for value in DisplayName DisplayVersion DisplayIcon UninstallString QuietUninstallString InstallLocation NoModify NoRepair; do
  [ -n "$(reg_value "$uninstall_key" "$value")" ] || fail "the uninstall entry lacks $value$(reg_log)"
done
[ "$(reg_value "$uninstall_key" DisplayVersion)" = "$version" ] || fail "DisplayVersion is not $version"
[ "$(reg_value "$uninstall_key" InstallLocation)" = "$instdir_win" ] || fail "InstallLocation is not $instdir_win"
[ "$(reg_value "$uninstall_key" QuietUninstallString)" = "\"$instdir_win\\uninstall.exe\" /S" ] ||
  fail "QuietUninstallString is $(reg_value "$uninstall_key" QuietUninstallString)"
pass "uninstaller registered under $uninstall_key"

check_file_types "$user_classes" "$instdir_win"
[ "$(reg_default "$user_classes\\.m3u")" = OtherPlayer.Playlist ] || fail "the install took over .m3u: $(reg_default "$user_classes\\.m3u")"
pass "file types registered for the current user: .qcl opens with Telvia, .m3u and .m3u8 list it in Open with"

link=$(find "$WINEPREFIX/drive_c/users" -path '*Start Menu/Programs/Telvia.lnk' | head -n 1)
[ -n "$link" ] || fail "no Start-menu shortcut"
link_info=$(python3 scripts/lnk-info.py "$link") || fail "the shortcut does not read"
[ "$(sed -n 's/^target=//p' <<<"$link_info")" = "$instdir_win\\telvia.exe" ] || fail "the shortcut points elsewhere: $link_info"
[ "$(sed -n 's/^workdir=//p' <<<"$link_info")" = "$instdir_win" ] || fail "the shortcut's working folder is not the install folder: $link_info"
[ -z "$(find "$WINEPREFIX/drive_c/users" -path '*Desktop/Telvia.lnk')" ] || fail "a silent install made a desktop shortcut"
pass "Start-menu shortcut starts telvia.exe in the install folder"

# The shell's "open" of a .chm writes the file it was given, instead of opening a viewer.
opened=$WINEPREFIX/drive_c/chm-opened.txt
reg_set 'HKCR\.chm' /ve /d TelviaCheck.chm
reg_set 'HKCR\TelviaCheck.chm\shell\open\command' /ve /d 'C:\windows\system32\cmd.exe /c echo %1> C:\chm-opened.txt'

# The first run, from the install folder as the shortcut starts it.
(cd "$instdir" && timeout --kill-after=5 120 wine telvia.exe </dev/null >/dev/null 2>&1) &
telvia=$!
remote wait '#32770' 'Edit channels' 30 >/dev/null || fail "the first run opened no channel editor"
rows=$(remote rows '#32770' 'Edit channels' | tr -d '\r')
[ "${rows:-0}" -gt 0 ] || fail "the first run's channel editor is empty: channels_init.qcl was not found"
remote post '#32770' 'Edit channels' 0x111 2 0 || fail "could not close the channel editor"
remote gone '#32770' 'Edit channels' 10 || fail "the channel editor did not close"
pass "first run from the install folder lists the $rows channels of channels_init.qcl"

remote post TELVIA - 0x111 32782 0 || fail "no main window to ask for the manual"
for _ in $(seq 100); do [ -s "$opened" ] && break; sleep 0.1; done
[ -s "$opened" ] || fail "Help > User manual asked the shell to open nothing"
asked=$(tr -d '\r"' <"$opened" | sed 's/ *$//')
[ "${asked,,}" = "${instdir_win,,}\\telvia.chm" ] || fail "Help > User manual opened $asked"
pass "Help > User manual opens $asked"

remote post TELVIA - 0x111 105 0 || fail "no main window to exit"
wait "$telvia" || fail "telvia.exe ended with code $?"
[ -n "$(reg_value "$settings\\Channels" 000_name)" ] || fail "the first run saved no catalogue at exit"
pass "the first run saved the catalogue at exit"

# A channel file opened as Explorer opens it: the registered command with the file's path,
# started in the file's folder. (Wine's shell reads the machine's file types only, so the
# installation for all users below goes through the shell itself.)
mkdir -p "$WINEPREFIX/drive_c/lists"
write_check_channel_file "$WINEPREFIX/drive_c/lists/check.qcl"
check_file_win='C:\lists\check.qcl'
open_command=$(reg_default "$user_classes\\Telvia.ChannelFile\\shell\\open\\command")
(cd "$WINEPREFIX/drive_c/lists" && run_line "${open_command/'%1'/"$check_file_win"}" >/dev/null 2>&1) &
expect_load_of_check_file $!
pass "the registered Open command offers the channel file's channels in the Load dialog"

# An update keeps what the user made in the program folder.
printf 'saved channels' >"$instdir/channels.qcl"
printf '[SECTION_5]\r\nEXIT=Quit\r\n' >"$instdir/translation.ini"
w 'C:\setup.exe' /S || fail "installing over the installed version ended with code $?"
[ "$(cat "$instdir/channels.qcl")" = 'saved channels' ] || fail "an update replaced channels.qcl"
[ "$(cat "$instdir/translation.ini")" = $'[SECTION_5]\r\nEXIT=Quit\r' ] || fail "an update replaced translation.ini"
[ -f "$instdir/telvia.exe" ] && [ -f "$instdir/uninstall.exe" ] || fail "an update lost program files"
pass "installing over it keeps channels.qcl and translation.ini"

# Uninstall, keeping the user's data (the default of a silent run). With _?= the
# uninstaller runs in place and is waited for; it cannot delete itself then.
reg_set "$settings\\Channels" /v releaseCheck /t REG_SZ /d kept
w "$instdir_win\\uninstall.exe" /S "_?=$instdir_win" || fail "the uninstaller ended with code $?"
left=$(cd "$instdir" && find . -type f | sed 's|^\./||' | sort | tr '\n' ' ')
[ "$left" = "channels.qcl translation.ini uninstall.exe " ] || fail "after uninstalling the folder holds: $left"
[ -z "$(find "$WINEPREFIX/drive_c/users" -name Telvia.lnk)" ] || fail "the uninstaller left a shortcut"
! has_key "$uninstall_key" || fail "the uninstaller left its Apps & features entry"
[ "$(reg_value "$settings\\Channels" releaseCheck)" = kept ] || fail "uninstalling without /REMOVEUSERDATA removed the catalogue"
rm -rf "$instdir"
pass "uninstaller removes every installed file and keeps the user's channels and settings"
check_no_file_types "$user_classes"
[ "$(reg_default "$user_classes\\.m3u")" = OtherPlayer.Playlist ] || fail "the uninstaller changed the default of .m3u"
pass "uninstaller removes Telvia's file types and keeps another program's default for .m3u"

# Into a folder of one's own, then uninstalled as Apps & features does it (the uninstaller
# copies itself away and returns at once), with the user's data.
custom_win='C:\Telvia check'
run_line "C:\\setup.exe /S /D=$custom_win" || fail "the install into $custom_win ended with code $?"
custom=$(unix "$custom_win")
[ -f "$custom/telvia.exe" ] && [ -f "$custom/Telvia.chm" ] || fail "/D=$custom_win installed nothing there"
[ "$(reg_value "$uninstall_key" InstallLocation)" = "$custom_win" ] || fail "InstallLocation is not $custom_win"
printf 'saved channels' >"$custom/channels.qcl"
w "$custom_win\\uninstall.exe" /S /REMOVEUSERDATA || fail "the uninstaller ended with code $?"
for _ in $(seq 150); do [ -e "$custom" ] || break; sleep 0.2; done
[ ! -e "$custom" ] || fail "uninstalling with /REMOVEUSERDATA left: $(cd "$custom" && find . | tr '\n' ' ')"
! has_key "$settings" || fail "uninstalling with /REMOVEUSERDATA kept $settings"
! has_key "$uninstall_key" || fail "the uninstaller left its Apps & features entry"
check_no_file_types "$user_classes"
pass "uninstaller with /REMOVEUSERDATA removes the folder, the file types and the user's settings"

# For all users (Wine's user counts as an administrator, so no elevation is asked for):
# Program Files, the uninstall entry under HKLM and the Start menu of all users.
machine_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Telvia'
w 'C:\setup.exe' /S /ALLUSERS || fail "the install for all users ended with code $?"
all_win=$(w cmd /c echo '%ProgramFiles%\Telvia' | tr -d '\r')
all=$(unix "$all_win")
[ -f "$all/telvia.exe" ] && [ -f "$all/uninstall.exe" ] || fail "/ALLUSERS installed nothing in $all_win"
[ "$(reg_value "$machine_key" InstallLocation)" = "$all_win" ] || fail "/ALLUSERS registered no uninstaller under HKLM"
! has_key "$uninstall_key" || fail "an installation for all users registered itself for the current user"
[ -n "$(find "$WINEPREFIX/drive_c/ProgramData" -path '*Start Menu/Programs/Telvia.lnk')" ] || fail "no Start-menu shortcut for all users"
machine_classes='HKLM\Software\Classes'
check_file_types "$machine_classes" "$all_win"
! has_key "$user_classes\\Telvia.ChannelFile" || fail "an installation for all users registered its file types for the current user"
# The shell opens the channel file with the installed program (a catalogue key in place,
# so that this start is no first run).
reg_set "$settings\\Channels" /v releaseCheck /t REG_SZ /d kept
w start /wait "$check_file_win" >/dev/null 2>&1 &
expect_load_of_check_file $!
run_line "\"$all_win\\uninstall.exe\" /S _?=$all_win" || fail "the uninstaller for all users ended with code $?"
left=$(cd "$all" && find . -type f | sed 's|^\./||' | tr '\n' ' ')
[ "$left" = "uninstall.exe " ] || fail "after uninstalling for all users the folder holds: $left"
[ -z "$(find "$WINEPREFIX/drive_c" -name Telvia.lnk)" ] || fail "the uninstaller for all users left a shortcut"
! has_key "$machine_key" || fail "the uninstaller for all users left its entry"
check_no_file_types "$machine_classes"
pass "/ALLUSERS installs into $all_win for every user with its file types (the shell opens a channel file with it), and uninstalls again"

echo "check-release: all checks passed"
