#!/usr/bin/env bash
# Runs a Windows program in a throwaway Wine machine with the null display driver, then removes it.
set -euo pipefail

wine=/usr/lib/wine/wine64
export WINEPREFIX
WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/fix-transforms-wine.XXXXXX")
export WINEDEBUG=-all
# Wine's own Mono and Gecko installers are not wanted here.
export WINEDLLOVERRIDES="mscoree,mshtml="
trap '"${wine%/*}/wineserver" -k >/dev/null 2>&1 || true; rm -rf "$WINEPREFIX"' EXIT

"$wine" wineboot -i >/dev/null 2>&1
# Boxes are real windows but nothing is drawn, so no X server is needed.
"$wine" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
"${wine%/*}/wineserver" -w

status=0
"$wine" "$@" || status=$?
exit $status
