# Sourced: makes a throwaway Wine machine for this shell and removes it when the shell exits.
#   StartWineMachine null       boxes are real windows but nothing is drawn (no X server needed)
#   StartWineMachine x11        windows are drawn on $DISPLAY as usual
#   StartWineMachine x11-bare   the same, with frames and captions drawn by Wine itself,
#                               for an X server with no window manager (Xvfb)
# Then: Wine <program> [args...]

wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver

StartWineMachine() {
    export WINEPREFIX
    WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/fix-transforms-wine.XXXXXX")
    export WINEDEBUG=-all
    # Wine's own Mono and Gecko installers are not wanted here.
    export WINEDLLOVERRIDES="mscoree,mshtml="
    trap '"$wineserver" -k >/dev/null 2>&1 || true; rm -rf "$WINEPREFIX"' EXIT

    "$wine" wineboot -i >/dev/null 2>&1
    case "$1" in
    null) "$wine" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1 ;;
    x11-bare) "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 ;;
    esac
    # Let the settings reach every later process.
    "$wineserver" -w
}

Wine() {
    "$wine" "$@"
}
