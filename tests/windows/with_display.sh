#!/usr/bin/env bash
# Runs a Windows program under Wine on a virtual X display of its own (windows need one), in a
# Wine prefix kept for such runs beside the build's own (wineprefix-display), told that there is
# no window manager.
# usage: with_display.sh WINE-RUN BITS PROGRAM ARGS...
set -euo pipefail
run=$1 bits=$2 program=$3
shift 2
dir=$(cd "$(dirname "$program")" && pwd)
while [ "$dir" != / ] && [ ! -f "$dir/CMakeCache.txt" ]; do dir=$(dirname "$dir"); done
export WINEPREFIX="$dir/wineprefix-display"
# A Wine left from a run that was stopped would still talk to a display that is gone.
wineserver -k 2>/dev/null || true
"$run" "$bits" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null
# The Wine that ran reg has no display: it must be gone before the one on the display starts.
wineserver -w
status=0
xvfb-run -a -s "-screen 0 1600x1200x24" "$run" "$bits" "$@" || status=$?
wineserver -w
exit $status
