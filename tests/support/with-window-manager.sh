#!/usr/bin/env bash
# Runs a command on a private X server (Xvfb) with the openbox window manager, for the tests
# of what only a window manager does (stacking, frames, video). Never touches the user's
# display. The server picks a free display itself (-displayfd), so that several of these run
# side by side.
set -uo pipefail
work=$(mktemp -d)
Xvfb -displayfd 3 -nolisten tcp -screen 0 1280x800x24 3>"$work/display" 2>"$work/xvfb.log" &
xvfb=$!
for _ in $(seq 200); do
  [ -s "$work/display" ] && break
  sleep 0.05
done
if [ ! -s "$work/display" ]; then
  echo "with-window-manager: Xvfb did not start" >&2
  cat "$work/xvfb.log" >&2
  kill "$xvfb" 2>/dev/null
  rm -rf "$work"
  exit 1
fi
export DISPLAY=":$(head -n1 "$work/display")"
openbox --sm-disable >/dev/null 2>&1 &
wm=$!
# Ready once it has named itself on the root window.
for _ in $(seq 100); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break
  sleep 0.05
done
QT_QPA_PLATFORM=xcb "$@"
status=$?
kill "$wm" 2>/dev/null
wait "$wm" 2>/dev/null
kill "$xvfb" 2>/dev/null
wait "$xvfb" 2>/dev/null
rm -rf "$work"
exit $status
