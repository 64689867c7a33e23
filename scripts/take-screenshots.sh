#!/bin/bash
# Takes the README's pictures of the Windows program: the real program under
# Wine on a virtual display, worked with real input events, set up as a user
# would have it (the program in a tools folder of the user's, the save folder
# in the user's Pictures, Wine's system folder as the source, both options of
# the system menu on). A folder named on the command line runs after the
# question; the progress window is taken during the run, the main window
# after it, then the system menu.
#
# Usage: scripts/take-screenshots.sh [OUT_DIR]   (default: docs)
# Needs the windows build: build/windows/app/glimmerdig.exe and its help file.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$(realpath -m "${1:-$root/docs}")
build=$root/build/windows
wine_run=$root/scripts/wine-run
. "$root/scripts/utf8-locale.sh"

fail() {
  echo "take-screenshots: $*" >&2
  exit 1
}
[ -f "$build/app/glimmerdig.exe" ] || fail "build the windows preset first"
work=$build/screenshots
rm -rf "$work"
mkdir -p "$work" "$out"
shots=$work
. "$root/tests/e2e/desktop.sh"
start_display

# The prefix the tests use, prepared by its first run.
prefix=$build/wineprefix
"$wine_run" "$build/cli/glimmerdig-cli.exe" --version >/dev/null
user=$prefix/drive_c/users/aiko
rm -rf "$user"
mkdir -p "$user/Pictures/BmpSave" "$user/Tools/Glimmerdig"
cp "$build/app/glimmerdig.exe" "$build/app/glimmerdig.chm" "$user/Tools/Glimmerdig/"
printf '%s\r\n' '[Window]' 'PosX=60' 'PosY=60' '[Directry]' 'Src=C:\Users\aiko\Pictures\' \
  'Dst=C:\Users\aiko\Pictures\BmpSave\' '[Option]' 'DelBmp=1' 'OpenFolder=0' 'NoIcoFile=0' 'NoCurFile=0' \
  'NoIcoRes=0' 'NoCurRes=0' 'AllImages=1' 'SaveAsPng=1' >"$user/Tools/Glimmerdig/glimmerdig.INI"

start_program_with "$wine_run" "$user/Tools/Glimmerdig/glimmerdig.exe" "$work/wine.log" 'C:\windows\system32'
confirm=$(wait_window '^確認$' 60) || fail "the question did not come"
sleep 0.5
xdotool key Return
progress=$(wait_window '^ただいま処理中です$' 60) || fail "the progress window did not show"
sleep 3
shot windows-progress-window "$progress"
result=$(wait_window '^グリマーディグ$' 1200 "$main") || fail "the run did not end"
sleep 0.5
xdotool key Return
wait_gone "$result" 10 || fail "the result box stayed"
sleep 0.5
shot windows-main-window "$main"

client_click "$main" 300 200
sleep 0.3
xdotool key alt+space
sleep 1
read -r x y w h < <(geometry "$main")
shot .screen-menu
convert "$shots/.screen-menu.png" -crop "${w}x${h}+${x}+${y}" +repage "$shots/windows-system-menu.png"
xdotool key Escape
sleep 0.3
xdotool key alt+F4
wait_gone "$main" 20 || fail "the window did not close"
wait_program_end

cp "$shots"/windows-progress-window.png "$shots"/windows-main-window.png "$shots"/windows-system-menu.png "$out/"
echo "take-screenshots: $(ls "$user/Pictures/BmpSave" | wc -l) images written; pictures in $out"
