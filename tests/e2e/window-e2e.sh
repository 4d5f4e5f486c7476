#!/usr/bin/env bash
# Scourwell.exe driven as a modder drives it, with real pointer and keyboard
# input on the X display: pick models, mark colours in the grid, clean, and check
# the result against scour.exe with the same colour choice, the stored colour
# map, and what the grid shows after a restart.
# Usage: window-e2e.sh FOLDER CORPUS_DIR LOADER   (runs under scripts/wine-tests)
# FOLDER holds Scourwell.exe and scour.exe; LOADER is /usr/lib/wine/wine for
# 32-bit programs, /usr/lib/wine/wine64 for 64-bit ones.
set -uo pipefail
step="start"
fail() { echo "e2e_window: FAIL at '$step': $*" >&2; exit 1; }

[ $# -eq 3 ] || fail "usage: window-e2e.sh FOLDER CORPUS_DIR LOADER"
wine=$3
. "$(dirname "${BASH_SOURCE[0]}")/../../scripts/wine-prefix.sh"
if reason=$(wine_unavailable "$wine"); then
  echo "e2e_window: SKIP: $reason"
  exit 77
fi
[ -n "${DISPLAY:-}" ] || fail "no DISPLAY: run under scripts/wine-tests (xvfb-run)"
[ -n "${WINEPREFIX:-}" ] || fail "no WINEPREFIX: run under scripts/wine-tests"
build=$(cd "$1" && pwd) || fail "no build folder $1"
corpus=$2
if [ ! -d "$corpus" ]; then
  [ "${CI:-}" = true ] && fail "model corpus $corpus is missing"
  echo "e2e_window: SKIP: model corpus $corpus not found"
  exit 77
fi
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

# Models with untextured faces of the colours marked below (0, 83, 94, 203).
models=(ba/objects3d__corkbmissl1 ba/objects3d__cormhmsl ba/objects3d__corsolar_dead
        rota/objects3d__crblmssl ba/objects3d__rocket)
names=()
work=$build/e2e-run
shots=$build/screenshots
rm -rf "$work" && mkdir -p "$work/gui" "$work/cli" "$shots" || fail "cannot make $work"
for model in "${models[@]}"; do
  name=${model#*objects3d__}.3do
  names+=("$name")
  for side in gui cli; do
    cp "$corpus/$model.3do" "$work/$side/$name" || fail "corpus file $model.3do missing"
  done
done
chmod u+w "$work"/gui/*.3do "$work"/cli/*.3do
# Wine hides the prefix from its Z: drive: what lies in it is named from C:.
windows_path() {
  local path="Z:$1" drive="$WINEPREFIX/drive_c"
  [[ "$1" == "$drive"/* ]] && path="C:${1#"$drive"}"
  echo "${path//\//\\}"
}

pid=""
stop_program() { [ -n "$pid" ] && kill "$pid" 2>/dev/null; pid=""; }
trap stop_program EXIT

# window_id TITLE_REGEX [SECONDS]: the visible window, waited for.
window_id() {
  local deadline=$((SECONDS + ${2:-20})) id
  while [ $SECONDS -lt $deadline ]; do
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1)
    [ -n "$id" ] && { sleep 0.5; echo "$id"; return 0; }
    sleep 0.2
  done
  fail "no window '$1' within ${2:-20} s"
}
wait_gone() {
  local deadline=$((SECONDS + 20))
  while xdotool search --onlyvisible --name "$1" >/dev/null 2>&1; do
    [ $SECONDS -lt $deadline ] || fail "window '$1' still open"
    sleep 0.2
  done
}
geometry() { eval "$(xdotool getwindowgeometry --shell "$1")"; }   # sets X Y WIDTH HEIGHT
click() { xdotool mousemove "$1" "$2"; sleep 0.2; xdotool click 1; sleep 0.4; }
# shot WINDOW FILE: the window cut out of a picture of the display.
shot() {
  geometry "$1"
  import -window root "$work/root.png" && convert "$work/root.png" -crop "${WIDTH}x${HEIGHT}+$X+$Y" +repage "$2" ||
    fail "screenshot $2"
}
pixel() { convert "$1" -format "%[hex:p{$2,$3}]" info: | cut -c1-6; }

start_program() {
  (cd "$work/gui" && exec "$wine" "$build/Scourwell.exe") &
  pid=$!
  main=$(window_id '^Quillon Scourwell 1\.1$' 60)
  geometry "$main"
  local border=$(((WIDTH - 512) / 2))
  main_x=$((X + border)) main_y=$((Y + HEIGHT - border - 359))
}
# button LEFT TOP WIDTH HEIGHT: a click in the middle of a main-window button.
button() { click $((main_x + $1 + $3 / 2)) $((main_y + $2 + $4 / 2)); }
quit_program() {
  button 263 280 143 31
  local deadline=$((SECONDS + 20))
  while kill -0 "$pid" 2>/dev/null; do
    [ $SECONDS -lt $deadline ] || fail "program still running after Quit"
    sleep 0.2
  done
  wait "$pid"
  local status=$?
  pid=""
  [ $status -eq 0 ] || fail "exit code $status after Quit"
}
select_models() {
  button 107 179 299 31
  window_id '^Open 3DO File' >/dev/null
  xdotool type --delay 20 "$(windows_path "$work/gui")"; xdotool key Return; sleep 1
  xdotool type --delay 20 "$(printf '"%s" ' "${names[@]}")"; xdotool key Return
  wait_gone '^Open 3DO File'
}

# The grid: the control sits 4,4 dialog units into the client area and is
# 228 x 180 units; cell 0 is marked red out of the box, and its frame gives the
# control's corner. The base units follow from the dialog's size.
open_colour_dialog() {
  button 107 223 299 31
  dialog=$(window_id '^Choose Colours To Delete Or Replace$')
  sleep 0.5
  shot "$dialog" "$work/grid.png"
  local box
  box=$(convert "$work/grid.png" -fill black +opaque '#FF4949' -format '%@' info:)
  [[ "$box" =~ ^([0-9]+)x([0-9]+)\+([0-9]+)\+([0-9]+)$ ]] || fail "no red cell in the colour grid ($box)"
  grid_x=$((BASH_REMATCH[3] - 1)) grid_y=$((BASH_REMATCH[4] - 1))
  unit_x=$(((2 * (WIDTH - grid_x) + 58) / 116))
  unit_y=$(((8 * (HEIGHT - grid_y) + 136) / 273))
  grid_w=$((57 * unit_x)) grid_h=$(((180 * unit_y + 4) / 8))
  client_x=$((grid_x - unit_x)) client_y=$((grid_y - (unit_y + 1) / 2))
}
cell_left() { echo $((grid_x + ($1 & 15) * grid_w / 16 + 1)); }
cell_top() { echo $((grid_y + ($1 >> 4) * grid_h / 16 + 1)); }
cell_x() { echo $((X + grid_x + (($1 & 15) * grid_w / 16 + (($1 & 15) + 1) * grid_w / 16) / 2)); }
cell_y() { echo $((Y + grid_y + (($1 >> 4) * grid_h / 16 + (($1 >> 4) + 1) * grid_h / 16) / 2)); }
# dialog_button LEFT TOP: a 48 x 12 unit button of the colour dialog.
dialog_button() {
  click $((X + client_x + (($1 + 24) * unit_x) / 4)) $((Y + client_y + (($2 + 6) * unit_y) / 8))
}
# frames FILE CELL=RRGGBB...: the left frame edge of each cell in a grid picture.
frames() {
  local file=$1 pair cell want got
  shift
  for pair in "$@"; do
    cell=${pair%=*} want=${pair#*=}
    got=$(pixel "$file" "$(cell_left "$cell")" $(($(cell_top "$cell") + grid_h / 32)))
    [ "${got^^}" = "$want" ] || fail "cell $cell framed $got in $(basename "$file"), expected $want"
  done
}

step="key cleared"
"$wine" reg delete 'HKCU\Software\Quillon\Scourwell' /f >/dev/null 2>&1

step="first start, models selected"
start_program
select_models

step="colour dialog, default map"
open_colour_dialog
cp "$work/grid.png" "$shots/colour-dialog.png"
frames "$work/grid.png" 0=FF4949 83=000000 84=000000 94=000000 203=000000

step="colour dialog, marking"
click "$(cell_x 203)" "$(cell_y 203)"
click "$(cell_x 94)" "$(cell_y 94)"
click "$(cell_x 0)" "$(cell_y 0)"
xdotool mousemove "$(cell_x 83)" "$(cell_y 83)"; sleep 0.3
xdotool mousedown 1; sleep 0.3
xdotool mousemove "$(cell_x 99)" "$(cell_y 99)"; sleep 0.3
xdotool mousemove "$(cell_x 84)" "$(cell_y 84)"; sleep 0.3
xdotool mouseup 1; sleep 0.3
# Hovering over the replaced colour outlines its replacement in blue.
xdotool mousemove "$(cell_x 200)" "$(cell_y 200)"; sleep 0.3
xdotool mousemove "$(cell_x 83)" "$(cell_y 83)"; sleep 0.5
shot "$dialog" "$shots/colour-dialog-marked.png"
frames "$shots/colour-dialog-marked.png" 0=000000 83=00FF00 84=6060FF 94=FF4949 203=FF4949 99=000000

step="clean"
dialog_button 184 260
wait_gone '^Choose Colours To Delete Or Replace$'
window_id '^Cleaning Completed!$' 60 >/dev/null
xdotool key n
wait_gone '^Cleaning Completed!$'
[ -f "$work/gui/log.txt" ] || fail "no log.txt in the program's folder"
quit_program

step="scour.exe with the same colours"
paths=()
for name in "${names[@]}"; do paths+=("$(windows_path "$work/cli/$name")"); done
(cd "$work/cli" && "$wine" "$build/scour.exe" clean --quiet --keep 0 --remove 94,203 --replace 83=84 "${paths[@]}") ||
  fail "scour.exe failed"

step="cleaned models"
changed=0
for name in "${names[@]}"; do
  cmp "$work/gui/$name" "$work/cli/$name" || fail "$name differs from scour.exe's"
done
for i in "${!names[@]}"; do
  cmp -s "$work/gui/${names[$i]}" "$corpus/${models[$i]}.3do" || changed=$((changed + 1))
done
[ $changed -ge 4 ] || fail "only $changed of ${#names[@]} models were changed by cleaning"

step="log.txt"
normalised() {
  DIR=$2 perl -pe 's/\Q$ENV{DIR}\E/<folder>/g' "$1"
}
cmp <(normalised "$work/gui/log.txt" "$(windows_path "$work/gui")") \
    <(normalised "$work/cli/log.txt" "$(windows_path "$work/cli")") || fail "log.txt differs from scour.exe's"
[ "$(tail -c 1 "$work/gui/log.txt" | od -An -c | tr -d ' ')" != '\n' ] || fail "log.txt ends with a line break"
[ "$(grep -c $'\r$' "$work/gui/log.txt")" -eq "$(wc -l <"$work/gui/log.txt")" ] ||
  fail "log.txt has lines without CR LF"
grep -qF "\"$(windows_path "$work/gui")\\${names[0]}\"" "$work/gui/log.txt" || fail "log.txt does not name ${names[0]}"

step="stored colour map"
expected=""
for i in $(seq 0 255); do
  case $i in 94 | 203) v=$((0xFFFFFFFF)) ;; 83) v=84 ;; *) v=$i ;; esac
  expected+=$(printf '%02X%02X%02X%02X' $((v & 255)) $((v >> 8 & 255)) $((v >> 16 & 255)) $((v >> 24 & 255)))
done
stored=$("$wine" reg query 'HKCU\Software\Quillon\Scourwell' /v PaletteStates | tr -d '\r' |
  awk '$1 == "PaletteStates" && $2 == "REG_BINARY" { print $3 }')
[ "${stored^^}" = "$expected" ] || fail "PaletteStates is '${stored:0:64}...', expected '${expected:0:64}...'"

step="restart, stored map shown"
start_program
select_models
# The dialog comes back at the same place, so the grid measured above holds.
button 107 223 299 31
dialog=$(window_id '^Choose Colours To Delete Or Replace$')
sleep 0.5
shot "$dialog" "$work/grid2.png"
frames "$work/grid2.png" 0=000000 83=00FF00 84=000000 94=FF4949 203=FF4949 255=000000
dialog_button 132 260
wait_gone '^Choose Colours To Delete Or Replace$'

step="About box"
known=$(xdotool search --onlyvisible --name '' | sort)
button 107 280 143 31
about=""
deadline=$((SECONDS + 20))
while [ -z "$about" ] && [ $SECONDS -lt $deadline ]; do
  sleep 0.3
  about=$(comm -13 <(echo "$known") <(xdotool search --onlyvisible --name '' | sort) | head -n 1)
done
[ -n "$about" ] || fail "no About box"
sleep 0.5
shot "$about" "$shots/about-box.png"
geometry "$about"
# Its OK button, 123,240 units into a 304-unit-wide box with no caption.
border=$(((WIDTH - 76 * unit_x) / 2))
click $((X + border + 151 * unit_x / 4)) $((Y + border + 246 * unit_y / 8))
deadline=$((SECONDS + 20))
while xdotool search --onlyvisible --name '' | grep -qx "$about"; do
  [ $SECONDS -lt $deadline ] || fail "About box still open after a click"
  sleep 0.2
done
quit_program
echo "e2e_window: passed; screenshots in $shots"
