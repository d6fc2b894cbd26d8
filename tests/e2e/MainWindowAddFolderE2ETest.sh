#!/usr/bin/env bash
# The real program on a virtual X server beside the Messenger stand-in: "Add Folder" through
# the window's button and the folder dialog, Ctrl+S, stop, start again: the list comes back.
# usage: MainWindowAddFolderE2ETest.sh BIN_FOLDER SOURCE_FOLDER
set -euo pipefail
bin=${1:?bin folder}
src=${2:?source folder}
work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

display=:$((90 + RANDOM % 400))
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
mkdir -p "$work/config" "$work/runtime" "$work/pics/sub"
chmod 700 "$work/runtime"
cp "$src"/resources/res/samples/* "$work/pics/"
cp "$src/tests/data/collection/photo.jpeg" "$work/pics/sub/photo.jpg"
cp "$src/tests/data/collection/ramp1600.jpg" "$work/pics/sub/"
expected=10
export DISPLAY=$display XDG_CONFIG_HOME=$work/config TILEWICK_COMMON_APPDATA=$work/common
export XDG_RUNTIME_DIR=$work/runtime TILEWICK_TRACE=1
unset QT_QPA_PLATFORM

wait_for() { # file text
  for _ in $(seq 100); do grep -q "$2" "$1" 2>/dev/null && return 0; sleep 0.1; done
  echo "timed out waiting for '$2' in $1" >&2
  cat "$1" >&2
  return 1
}

for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
"$bin/tilewick-messenger" --headless >"$work/standin.log" 2>&1 &
pids+=($!)

"$bin/tilewick" >"$work/first.log" 2>&1 &
pids+=($!)
wait_for "$work/first.log" "shown"
grep -q "rows 0" "$work/first.log"
window=$(xdotool search --sync --onlyvisible --name "^Tilewick ")
xdotool windowfocus --sync "$window"
# "Add Folder" by its place in the window: below the menu bar, as the layout puts it.
button=$(python3 - "$window" <<'PY'
import subprocess, sys
geo = subprocess.run(["xdotool", "getwindowgeometry", "--shell", sys.argv[1]],
                     capture_output=True, text=True).stdout
v = dict(line.split("=") for line in geo.split())
print(int(v["X"]) + 367 + 55, int(v["Y"]) + 30 + 43 + 12)
PY
)
xdotool mousemove $button click 1
dialog=$(xdotool search --sync --onlyvisible --name "^Add Images")
xdotool windowfocus --sync "$dialog"
sleep 0.3
xdotool type --delay 10 "$work/pics"
xdotool key Return
for _ in $(seq 100); do
  [ -z "$(xdotool search --onlyvisible --name "^Add Images" 2>/dev/null)" ] && break
  sleep 0.1
done
sleep 1
xdotool windowfocus --sync "$window"
xdotool key ctrl+s
sleep 1
"$bin/tilewick" -s
for _ in $(seq 50); do grep -q "quit" "$work/first.log" && break; sleep 0.1; done
sleep 1

"$bin/tilewick" >"$work/second.log" 2>&1 &
pids+=($!)
wait_for "$work/second.log" "shown"
if ! grep -q "rows $expected\$" "$work/second.log"; then
  echo "expected $expected rows after the restart" >&2
  cat "$work/second.log" >&2
  exit 1
fi
"$bin/tilewick" -s
echo "the list came back with $expected rows"
