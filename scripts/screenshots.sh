#!/usr/bin/env bash
# Takes the pictures of the user manual (docs/manual/images/*.png) from the real program:
# telvia.exe runs under Wine on a virtual display inside Wine's own desktop window (which
# draws the window frames that a window manager would), is driven with telvia-remote (commands and menu keys posted to
# its windows), and each picture is cut from a screen dump to the windows it shows. Video
# stays black under Wine, so the pictures show menus and dialogs.
#   scripts/screenshots.sh      then review and commit the changed pictures
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
scripts/setup.sh
nice cmake --preset windows >/dev/null
nice cmake --build --preset windows --target telvia telvia_first_run_data telvia-remote >/dev/null

images=$root/docs/manual/images
mkdir -p "$images"
export TELVIA_WINE_STATE=$root/build/windows/screenshots-wine
. scripts/wine-env.sh
trap '"$root/scripts/wine-session.sh" stop >/dev/null 2>&1' EXIT
scripts/wine-session.sh start >/dev/null
. scripts/wine-env.sh

work=$TELVIA_WINE_STATE/work
rm -rf "$work"
mkdir -p "$work"
cp build/windows/src/program/telvia.exe build/windows/data/channels_init.qcl build/windows/tools/remote/telvia-remote.exe "$work/"
w() { timeout --kill-after=5 60 wine "$@" </dev/null; }
remote() { w "$work/telvia-remote.exe" "$@" | tr -d '\r'; }
fail() { echo "screenshots: $*" >&2; exit 1; }

WM_CONTEXTMENU=0x7B WM_KEYDOWN=0x100 WM_COMMAND=0x111 WM_SYSCOMMAND=0x112 SC_KEYMENU=0xF100 VK_ESCAPE=0x1B

# Every program of this prefix, telvia-remote too, runs on Wine's desktop window "Default"
# (programs see only the windows of their own desktop). It lies at 0,0 of the display.
w reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
w reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 900x680 /f >/dev/null 2>&1

start_telvia() {
  (cd "$work" && w telvia.exe >/dev/null 2>&1) &
  remote wait TELVIA - 30 >/dev/null || fail "telvia.exe did not start"
  sleep 1
}

# The picture of the given window rectangles ("x y width height" each, in the Wine desktop)
# together, with a small margin.
shoot() {
  local name=$1 left=100000 top=100000 right=0 bottom=0 x y width height
  shift
  for rect in "$@"; do
    read -r x y width height <<<"$rect"
    ((x < left)) && left=$x
    ((y < top)) && top=$y
    ((x + width > right)) && right=$((x + width))
    ((y + height > bottom)) && bottom=$((y + height))
  done
  ((left = left > 4 ? left - 4 : 0, top = top > 4 ? top - 4 : 0, right += 4, bottom += 4))
  sleep 1
  local screen=$TELVIA_WINE_STATE/screen.png layers=() tree id
  xwd -root -silent -display "$DISPLAY" | convert xwd:- "png:$screen"
  # Menus are X windows of another depth, which a dump of the root leaves out: each window
  # is dumped on its own as well and laid over the screen where it lies.
  tree=$(xwininfo -root -tree -display "$DISPLAY")
  for rect in "$@"; do
    read -r x y width height <<<"$rect"
    id=$(awk -v g=" ${width}x${height}+${x}+${y} " 'index($0, g) { print $1; exit }' <<<"$tree")
    [ -n "$id" ] || continue
    xwd -id "$id" -silent -display "$DISPLAY" | convert xwd:- "png:$TELVIA_WINE_STATE/layer-$id.png"
    layers+=("$TELVIA_WINE_STATE/layer-$id.png" -geometry "+$x+$y" -composite)
  done
  convert "$screen" "${layers[@]}" -crop "$((right - left))x$((bottom - top))+$left+$top" +repage -strip \
    "png:$images/$name.png"
  echo "screenshots: $images/$name.png"
}

# Opens a menu of the menu bar by its access key and shoots it over the main window.
shoot_menu() {
  local name=$1 key=$2 main menu
  main=$(remote wait TELVIA - 5)
  remote post TELVIA - $WM_SYSCOMMAND $SC_KEYMENU "$(printf '%d' "'$key")"
  menu=$(remote wait '#32768' - 5) || fail "the menu $key did not open"
  shoot "$name" "$main" "$menu"
  close_menu
}

close_menu() {
  remote post '#32768' - $WM_KEYDOWN $VK_ESCAPE 0 || true
  remote post TELVIA - $WM_KEYDOWN $VK_ESCAPE 0 || true
  remote gone '#32768' - 5 || fail "a menu stayed open"
}

# A first run: the channel editor opens by itself.
w reg delete 'HKCU\Software\Quorvex' /f >/dev/null 2>&1 || true
rm -f "$work/translation.ini"
start_telvia
dialog=$(remote wait '#32770' 'Edit channels' 20) || fail "the first run opened no channel editor"
shoot edit-channels "$dialog"
remote post '#32770' 'Edit channels' $WM_COMMAND 3 0
form=$(remote wait '#32770' 'Add a channel' 10) || fail "the add form did not open"
shoot channel-form "$form"
remote post '#32770' 'Add a channel' $WM_COMMAND 2 0
remote gone '#32770' 'Add a channel' 5
remote post '#32770' 'Edit channels' $WM_COMMAND 2 0
remote gone '#32770' 'Edit channels' 5

shoot_menu main-window c
shoot_menu control-menu t
shoot_menu video-size-menu v

# The channels menu, as the right mouse button opens it over the window.
main=$(remote wait TELVIA - 5)
remote post TELVIA - $WM_CONTEXTMENU 0 $(((150 << 16) | 240))
popup=$(remote wait '#32768' - 5) || fail "the channels menu did not open"
shoot channels-popup "$main" "$popup"
close_menu

remote post TELVIA - $WM_COMMAND 105 0
remote gone TELVIA - 15 || fail "telvia.exe did not exit"
sleep 2

# The same menu with the German sample translation.
cp translations/german/translation.ini "$work/"
start_telvia
shoot_menu german-menu s
remote post TELVIA - $WM_COMMAND 105 0
remote gone TELVIA - 15 || fail "telvia.exe did not exit"
