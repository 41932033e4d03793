#!/usr/bin/env bash
# Fails when the x86 exe uses an instruction a Pentium lacks (CMOV, FCOMI, MMX, SSE), which Windows 2000 may run on.
set -euo pipefail
exe=$1
found=$(i686-w64-mingw32-objdump -d "$exe" | grep -E '\s(cmov[a-z]*|f(u)?comip?|fcmov[a-z]*)\s|%(mm|xmm)[0-9]' || true)
if [ -n "$found" ]; then
    echo "check-x86-instructions: $exe uses instructions newer than the Pentium:" >&2
    echo "$found" | head -5 >&2
    exit 1
fi
echo "check-x86-instructions: $exe: Pentium instructions only"
