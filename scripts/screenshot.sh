#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Starts the built game on a virtual X display, optionally clicks some cards,
# and saves a screenshot: scripts/screenshot.sh [out.png] [x,y ...]
# The clicks are screen coordinates; the window is centred on a 1280x800 screen.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh xvfb imagemagick xdotool x11-utils
out=$(realpath -m "${1:-shot.png}")
shift || true

# The first display number that no X server holds.
for n in $(seq 90 199); do
    if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then
        display=:$n
        break
    fi
done
Xvfb $display -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $game $xvfb 2>/dev/null || true' EXIT
sleep 1
(cd build/default/src && DISPLAY=$display exec ./nupenupe) &
game=$!
sleep 2
for point in "$@"; do
    DISPLAY=$display xdotool mousemove "${point%,*}" "${point#*,}" click 1
    sleep 0.6
done
DISPLAY=$display import -window root "$out"
echo "saved $out"
