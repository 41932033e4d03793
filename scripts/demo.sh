#!/usr/bin/env bash
# Builds dist/ and shows fix-transforms.exe at work on a scratch Wine machine with both products broken.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh cmake make g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine64
for preset in x86 x64; do
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" -j "$(nproc)" >/dev/null
done
echo "Built: dist/x86/fix-transforms.exe ($(stat -c %s dist/x86/fix-transforms.exe) bytes)," \
     "dist/x64/fix-transforms.exe ($(stat -c %s dist/x64/fix-transforms.exe) bytes)"

source scripts/wine-machine.sh
if [ -n "${DISPLAY:-}" ]; then StartWineMachine x11; else StartWineMachine null; fi

products='HKLM\SOFTWARE\Classes\Installer\Products'
key1="$products\\904010001E872D116BF00006799C897E"
key2="$products\\904040001E872D116BF00006799C897E"
Wine reg add "$key1" /v ProductName /d "Product 1" /f >/dev/null
Wine reg add "$key1" /v Transforms /f >/dev/null \
    /d 'c:\winnt\installer\{00010409-78e1-11d2-b60f-006097c998e7}\00txm_1c.mst'
Wine reg add "$key2" /v ProductName /d "Product 2" /f >/dev/null
Wine reg add "$key2" /v Transforms /f >/dev/null \
    /d 'C:\Winnt\Installer\{00040409-78E1-11D2-B60F-006097C998E7}\00TXM_2C.MST'

ShowKeys() {
    for key in "$key1" "$key2"; do
        Wine reg query "$key" | tr -d '\r' | sed '/^$/d; s/^/    /'
    done
}

RunFix() {
    if [ -n "${DISPLAY:-}" ]; then
        echo "Running fix-transforms.exe: press OK in its box."
        status=0
        Wine dist/x64/fix-transforms.exe || status=$?
        echo "exit status: $status"
    else
        echo "Running fix-transforms.exe (no display: the box is read and answered for you)."
        Wine build/x64/tests/wine/e2e_driver.exe --press-ok dist/x64/fix-transforms.exe | tr -d '\r'
    fi
}

echo; echo "Before: both products carry the stale transform."; ShowKeys
echo; RunFix
echo; echo "After: the Transforms values are gone, the rest is as it was."; ShowKeys
echo; echo "Once more:"; RunFix
