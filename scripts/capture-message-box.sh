#!/usr/bin/env bash
# Redraws docs/message-box.png: the real box of the x64 exe, drawn by Wine on a virtual X screen.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh cmake make g++-mingw-w64-x86-64 wine64 fonts-wine xvfb xauth x11-utils imagemagick
if [ -z "${CAPTURE_UNDER_XVFB:-}" ]; then
    cmake --preset x64 >/dev/null
    cmake --build --preset x64 -j "$(nproc)" >/dev/null
    exec env CAPTURE_UNDER_XVFB=1 xvfb-run -a -s "-screen 0 800x600x24" "$0"
fi

source scripts/wine-machine.sh
StartWineMachine x11-bare

# A broken registration, so the box says the fix was done.
Wine reg add 'HKLM\SOFTWARE\Classes\Installer\Products\904010001E872D116BF00006799C897E' \
    /v Transforms /f >/dev/null \
    /d 'C:\Winnt\Installer\{00010409-78E1-11D2-B60F-006097C998E7}\00TXM_1C.MST'

Wine dist/x64/fix-transforms.exe &
program=$!
window=""
for _ in $(seq 100); do
    window=$(xwininfo -root -tree | awk '/"Message Alert"/ { print $1; exit }')
    [ -n "$window" ] && break
    sleep 0.2
done
[ -n "$window" ] || { echo "capture-message-box: no box appeared" >&2; exit 1; }
sleep 1  # let Wine finish drawing
mkdir -p docs
import -window "$window" docs/message-box.png
# The picture is taken; end the program with the Wine machine.
"$wineserver" -k
wait "$program" || true
echo "wrote docs/message-box.png"
