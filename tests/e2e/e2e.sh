#!/bin/bash
# End-to-end test of the Windows program: starts the real glimmerdig.exe under
# Wine on a virtual display and works it as a person would, with real mouse
# and keyboard events (xdotool):
#   first start (defaults, BmpSave created) -> folder command -> browse dialog
#   -> はい -> progress window -> result box -> Explorer on the save folder ->
#   output compared with the command-line tool's -> options changed, window
#   dragged, closed -> settings file checked -> started again with a file on
#   the command line: it runs at once, position and options remembered ->
#   the folder command's browse dialog opens on that file's folder ->
#   the system menu's two options switched on with the keyboard -> a folder
#   run whose PNG output is compared, pixel for pixel, with the command-line
#   tool's "--all --format png" -> closed with Alt+F4, settings checked.
# Screenshots (PNG) of the windows are left in WORK/shots.
#
# Usage: e2e.sh EXE CHM WINE_RUN WORK [CLI]
#   CLI: the native glimmerdig-cli, or glimmerdig-cli.exe (run under Wine);
#        without it the output is checked by count only.
set -euo pipefail

exe=$(realpath "$1")
chm=$(realpath "$2")
wine_run=$(realpath "$3")
work=$(realpath -m "$4")
cli=${5:+$(realpath "$5")}
here=$(dirname "$(realpath "$0")")
. "$here/../../scripts/utf8-locale.sh"

rm -rf "$work"
mkdir -p "$work/prog" "$work/shots"
cp "$exe" "$chm" "$work/prog/"
prog=$work/prog
src=$prog/icons
python3 "$here/make_fixtures.py" "$src" 150

fail() {
  echo "e2e: FAILED: $*" >&2
  shot failure || true
  exit 1
}
step() { echo "e2e: $*"; }

# --- display -------------------------------------------------------------------
shots=$work/shots
. "$here/desktop.sh"
start_display

# --- helpers ----------------------------------------------------------------
start_program() { start_program_with "$wine_run" "$prog/glimmerdig.exe" "$work/wine.log" "$@"; }

# The folder command through the real browse dialog: the folder is chosen by
# typing its path's parts into the tree, then the question is answered はい.
# Leaves the result box's id in $result.
folder_run() {  # FOLDER SHOT_PREFIX
  local folder=$1 prefix=$2
  client_click "$main" 80 84
  browse=$(wait_window 'Browse for Folder|フォルダ' 30 "$main") || fail "the browse dialog did not open"
  sleep 0.5
  read -r bx by bw bh < <(geometry "$browse")
  [ "$bx" -eq $(((screen_w - bw) / 2)) ] && [ "$by" -eq $(((screen_h - bh) / 2)) ] ||
    fail "the browse dialog is at $bx,$by, not centred"
  shot "${prefix}browse-dialog" "$browse"
  # Into the tree (its top row), then down the folders by typing their names.
  xdotool mousemove --window "$browse" 100 95 click 1
  sleep 0.5
  IFS=/ read -r -a parts <<<"${folder#/}"
  for i in "${!parts[@]}"; do
    xdotool type --delay 50 "${parts[$i]}"
    sleep 1.2  # the tree's type-ahead starts afresh after a pause
    if [ "$i" -lt $((${#parts[@]} - 1)) ]; then
      xdotool key Right
      sleep 0.4
    fi
  done
  xdotool key Return
  confirm=$(wait_window '^確認$' 30) || fail "the confirmation question did not appear"
  sleep 0.5
  shot "${prefix}confirmation" "$confirm"

  # はい (the default button); the progress window is caught while it shows.
  (
    id=$(wait_window '^ただいま処理中です$' 30) && shot "${prefix}progress-window" "$id"
  ) &
  watcher=$!
  xdotool key Return
  wait "$watcher" || fail "the progress window did not show"
  result=$(wait_window '^グリマーディグ$' 300 "$main") || fail "no result box"
  sleep 0.5
  shot "${prefix}result" "$result"
}

# The settings file decoded (a new file is UTF-16 with a byte-order mark).
settings() {
  python3 - "$prog/glimmerdig.INI" <<'EOF'
import sys
data = open(sys.argv[1], 'rb').read()
text = data[2:].decode('utf-16-le') if data[:2] == b'\xff\xfe' else data.decode('latin-1')
print('\n'.join(l for l in text.replace('\r', '').split('\n') if l.strip()))
EOF
}

winpath() {  # the Wine path of a folder, ending in "\"
  printf 'Z:%s\\' "$(printf '%s' "$1" | tr / '\\')"
}

# --- first start: the defaults -----------------------------------------------
step "first start"
start_program
read -r x y w h < <(geometry "$main")
[ "$x $y $h" = "68 128 260" ] || fail "first start at $x,$y height $h, expected 68,128 height 260"
[ -d "$prog/BmpSave" ] || fail "the default save folder BmpSave was not created"
[ ! -e "$prog/glimmerdig.INI" ] || fail "a settings file exists before the first close"
shot main-window "$main"

# --- the folder command --------------------------------------------------------
step "folder command"
folder_run "$src" ""
xdotool key Return
wait_gone "$result" 10 || fail "the result box did not close"

# Explorer on the save folder ("抽出後にフォルダを開く" is on at first).
explorer=$(wait_window '^BmpSave$' 60) || fail "Explorer did not open the save folder"
sleep 1
shot explorer "$explorer"
xdotool mousemove --window "$explorer" 200 200 click 1 key alt+F4
wait_gone "$explorer" 20 || fail "the Explorer window did not close"

# --- options, position, close ------------------------------------------------------
step "options and position"
client_click "$main" 300 200  # an empty spot: the window gets the keyboard
sleep 0.3
xdotool key alt+d  # 抽出前に保存先のBmpをすべて削除する on
xdotool key alt+f  # 抽出後にフォルダを開く off
client_click "$main" 152 171  # カーソルリソース, in the group
sleep 0.3
# Dragged by its title bar.
xdotool mousemove --window "$main" 150 10 mousedown 1 sleep 0.3 mousemove_relative 130 70 sleep 0.3 mouseup 1
sleep 0.5
read -r x y w h < <(geometry "$main")
[ "$x" -ne 68 ] || fail "the window did not move"
moved="$x $y"
shot main-window-after "$main"
xdotool mousemove --window "$main" $((w - 12)) 11 click 1  # the close box
wait_gone "$main" 20 || fail "the main window did not close"
wait_program_end

step "settings file"
head -c 2 "$prog/glimmerdig.INI" | od -An -tx1 | grep -q 'ff fe' || fail "the settings file is not UTF-16"
expected="[Window]
PosX=${moved% *}
PosY=${moved#* }
[Directry]
Src=$(winpath "$src")
Dst=$(winpath "$prog/BmpSave")
[Option]
DelBmp=1
OpenFolder=0
NoIcoFile=0
NoCurFile=0
NoIcoRes=0
NoCurRes=1
AllImages=0
SaveAsPng=0"
got=$(settings)
[ "$got" = "$expected" ] || fail "settings file:
$got
expected:
$expected"

# --- the output, against the command-line tool (Wine is free again) --------------
step "comparing the bitmaps"
count=$(find "$prog/BmpSave" -name '*.bmp' | wc -l)
[ "$count" -eq 457 ] || fail "$count bitmaps written, expected 457"
if [ -n "$cli" ]; then
  mkdir -p "$work/cli-out"
  if [[ "$cli" == *.exe ]]; then
    "$wine_run" "$cli" -q -o "$(winpath "$work/cli-out")" "$(winpath "$src")" >>"$work/wine.log" 2>&1 ||
      fail "the command-line tool failed"
  else
    "$cli" -q -o "$work/cli-out" "$src" || fail "the command-line tool failed"
  fi
  diff -r "$prog/BmpSave" "$work/cli-out" >"$work/diff.log" ||
    fail "the program's bitmaps differ from the command-line tool's (see $work/diff.log)"
fi

# --- second start: a file on the command line --------------------------------
# It runs at once (no dialog) after the window has shown; the options are
# those remembered, so the old bitmaps are deleted first and Explorer stays
# shut. The file lies in a folder whose name no ANSI code page holds.
step "second start with a file on the command line"
named="$prog/画像 Ωδ✓"
mkdir -p "$named"
cp "$src/app.ico" "$named/"
start_program "$(winpath "$named")app.ico"
read -r x y w h < <(geometry "$main")
[ "$x $y" = "$moved" ] || fail "second start at $x,$y, expected $moved"
[ "$h" -eq 260 ] || fail "second start with height $h"
result=$(wait_window '^グリマーディグ$' 120 "$main") || fail "no result box after the command-line run"
sleep 0.5
shot command-line-result "$result"
xdotool key Return
wait_gone "$result" 10 || fail "the result box did not close"
got=$(cd "$prog/BmpSave" && ls | tr '\n' ' ')
[ "$got" = "app-ico-0.bmp app-ico-1.bmp app-ico-2.bmp app-ico-3.bmp " ] ||
  fail "the command-line run left: $got"
shot main-window-second "$main"

# The folder command after a start with a file: its browse dialog opens on the
# file's folder, and OK as it stands runs that folder (after the old bitmaps
# are deleted, as the remembered option says). Had the dialog opened on the
# desktop, the run would find nothing there and leave the save folder empty.
step "folder command after the command-line start"
client_click "$main" 80 84
browse=$(wait_window 'Browse for Folder|フォルダ' 30 "$main") || fail "the browse dialog did not open"
sleep 2  # Wine fills and expands the tree in steps
shot browse-after-command-line "$browse"
xdotool key Return
confirm=$(wait_window '^確認$' 30) || fail "the confirmation question did not appear"
sleep 0.5
shot confirmation-after-command-line "$confirm"
xdotool key Return
result=$(wait_window '^グリマーディグ$' 120 "$main") || fail "no result box after the folder run"
sleep 0.5
xdotool key Return
wait_gone "$result" 10 || fail "the result box did not close"
got=$(cd "$prog/BmpSave" && ls | tr '\n' ' ')
[ "$got" = "app-ico-0.bmp app-ico-1.bmp app-ico-2.bmp app-ico-3.bmp " ] ||
  fail "the folder run after the command-line start left: $got (the dialog was not on the file's folder)"

# --- the system menu's options, with the keyboard -------------------------------
step "system menu options"
client_click "$main" 152 171  # カーソルリソース off again, as the tool's default
sleep 0.3
# Under Wine the system menu also holds Wine's own "About Wine", whose access
# key A comes first: すべての画像を探す is reached with the arrow keys (the
# menu opens on its first item; Up wraps to the last), PNG 形式で保存する
# with its access key P.
for keys in "Up Up Return" "p"; do
  xdotool key alt+space
  sleep 0.7
  # shellcheck disable=SC2086
  xdotool key --delay 200 $keys
  sleep 0.5
done
xdotool key alt+space  # open once more to show both checked
sleep 0.7
shot system-menu-screen
read -r x y w h < <(geometry "$main")
convert "$work/shots/system-menu-screen.png" -crop "$((w + 40))x$((h + 40))+$x+$y" +repage "$work/shots/system-menu.png"
xdotool key Escape
sleep 0.5

# --- every image as PNG, against the command-line tool ---------------------------
step "folder run with every image as PNG"
folder_run "$src" "png-"
xdotool key Return
wait_gone "$result" 10 || fail "the result box did not close"
client_click "$main" 300 200
sleep 0.3
xdotool key alt+F4
wait_gone "$main" 20 || fail "the main window did not close on Alt+F4"
wait_program_end

# The command-line tool on the same folder (Wine is free again).
if [ -n "$cli" ]; then
  mkdir -p "$work/cli-png"
  if [[ "$cli" == *.exe ]]; then
    "$wine_run" "$cli" -q --all --format png -o "$(winpath "$work/cli-png")" "$(winpath "$src")" \
      >>"$work/wine.log" 2>&1 || fail "the command-line tool failed"
  else
    "$cli" -q --all --format png -o "$work/cli-png" "$src" >/dev/null || fail "the command-line tool failed"
  fi
  /usr/bin/python3 "$here/same_pictures.py" "$prog/BmpSave" "$work/cli-png" >"$work/pictures.log" 2>&1 ||
    fail "the program's pictures differ from the command-line tool's (see $work/pictures.log)"
  step "$(tail -n1 "$work/pictures.log")"
else
  count=$(find "$prog/BmpSave" -name '*.png' | wc -l)
  [ "$count" -gt 0 ] || fail "no PNG written"
fi

step "settings file after the second start"
expected=${expected/NoCurRes=1/NoCurRes=0}
expected=${expected/AllImages=0/AllImages=1}
expected=${expected/SaveAsPng=0/SaveAsPng=1}
got=$(settings)
[ "$got" = "$expected" ] || fail "settings file after the second start:
$got
expected:
$expected"

step "passed; screenshots in $work/shots"
