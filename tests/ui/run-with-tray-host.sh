#!/bin/sh
# Runs a test program on its own virtual X server with trayer as the notification area, so
# that the tray icon is embedded for real:  run-with-tray-host.sh PROGRAM [ARGS...]
set -eu
exec xvfb-run -a -s "-screen 0 1280x800x24" sh -c '
  trayer --edge bottom --align right --widthtype request --SetDockType true &
  host=$!
  QT_QPA_PLATFORM=xcb "$@" && status=0 || status=$?
  kill "$host" 2>/dev/null || true
  exit "$status"' run-with-tray-host "$@"
