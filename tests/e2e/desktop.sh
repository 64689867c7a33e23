# Sourced by the scripts that work the real program under Wine on a virtual
# display with real input events: the display, finding and waiting for
# windows, clicks in the main window, screenshots, and the clean-up.
#
# The caller sets `shots` (where screenshots go) and defines fail MESSAGE.
# start_display sets DISPLAY; start_program_with leaves the program's process in
# app_pid and the main window's id in main.

xvfb_pid=
app_pid=
display_file=$(mktemp)
screen_w=1280
screen_h=800

cleanup_desktop() {
  if [ -n "$app_pid" ] && kill -0 "$app_pid" 2>/dev/null; then
    kill "$app_pid" 2>/dev/null || true
    wait "$app_pid" 2>/dev/null || true
  fi
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  fi
  rm -f "$display_file"
}
trap cleanup_desktop EXIT

start_display() {
  Xvfb -displayfd 8 -screen 0 ${screen_w}x${screen_h}x24 -nolisten tcp 8>"$display_file" >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 100); do
    [ -s "$display_file" ] && break
    sleep 0.1
  done
  [ -s "$display_file" ] || fail "Xvfb did not start"
  export DISPLAY=:$(head -n1 "$display_file")
}

# Window ids of visible windows whose title matches, oldest first.
windows() { xdotool search --onlyvisible --name "$1" 2>/dev/null || true; }

# Waits up to $2 seconds for a visible window matching $1 that is not one of
# the ids in $3 (space separated); prints its id.
wait_window() {
  local pattern=$1 limit=$2 except=${3:-} id
  for _ in $(seq $((limit * 10))); do
    for id in $(windows "$pattern"); do
      [[ " $except " == *" $id "* ]] || { echo "$id"; return 0; }
    done
    sleep 0.1
  done
  return 1
}

wait_gone() {
  for _ in $(seq $(($2 * 10))); do
    xwininfo -id "$1" 2>/dev/null | grep -q "IsViewable" || return 0
    sleep 0.1
  done
  return 1
}

geometry() {  # x y w h of a window on the screen
  xwininfo -id "$1" | awk '/Absolute upper-left X/{x=$4} /Absolute upper-left Y/{y=$4}
    /Width:/{w=$2} /Height:/{h=$2} END{print x, y, w, h}'
}

# Saves the screen, or the part a window covers, as $shots/NAME.png.
shot() {
  local name=$1 id=${2:-} full=$shots/.screen.png
  import -window root "$full" 2>/dev/null || return 1
  if [ -n "$id" ]; then
    read -r x y w h < <(geometry "$id")
    convert "$full" -crop "${w}x${h}+${x}+${y}" +repage "$shots/$name.png"
  else
    mv "$full" "$shots/$name.png"
  fi
  rm -f "$full"
}

# The main window's client area starts inside Wine's own frame: the side
# border, and the border plus the caption at the top.
client_click() {  # WINDOW X Y in client pixels
  local w
  read -r _ _ w _ < <(geometry "$1")
  local border=$(((w - 536) / 2))
  xdotool mousemove --window "$1" $((border + $2)) $((border + 20 + $3)) click 1
}

# The main window among the windows titled グリマーディグ (a message box has
# the same title): the one as wide as the main window's client area or wider.
find_main() {
  local id w
  for _ in $(seq 2400); do
    for id in $(windows '^グリマーディグ$'); do
      read -r _ _ w _ < <(geometry "$id")
      [ "$w" -ge 536 ] && { echo "$id"; return 0; }
    done
    sleep 0.1
  done
  return 1
}

start_program_with() {  # WINE_RUN EXE LOG [ARGS...] for the program's command line
  local wine_run=$1 exe=$2 log=$3
  shift 3
  "$wine_run" "$exe" "$@" >>"$log" 2>&1 &
  app_pid=$!
  main=$(find_main) || fail "the main window did not appear"
  sleep 1
}

wait_program_end() {
  for _ in $(seq 600); do
    kill -0 "$app_pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$app_pid" 2>/dev/null && fail "the program did not end after its window closed"
  wait "$app_pid" || fail "the program ended with an error"
  app_pid=
}
