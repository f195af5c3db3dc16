#!/usr/bin/env bash
# Runs a command on a private X server (Xvfb) with the openbox window manager, for the tests
# of what only a window manager does (stacking, frames). Never touches the user's display.
set -uo pipefail
if [ -z "${ORVANE_IN_XVFB:-}" ]; then
  exec env ORVANE_IN_XVFB=1 xvfb-run -a -s "-screen 0 1280x800x24" "$0" "$@"
fi
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
exit $status
