#!/usr/bin/env bash
# Builds both exes again from a copy of the tree in another directory and checks they are byte-identical to dist/.
set -euo pipefail
cd "$(dirname "$0")/.."

elsewhere=$(mktemp -d "${TMPDIR:-/tmp}/fix-transforms-repro.XXXXXX")
trap 'rm -rf "$elsewhere"' EXIT
tar --exclude=./build --exclude=./dist --exclude=./.git -cf - . | tar -xf - -C "$elsewhere"

status=0
for arch in x86 x64; do
    [ -f "dist/$arch/fix-transforms.exe" ] || {
        echo "check-reproducible: dist/$arch/fix-transforms.exe is missing: build the $arch preset first" >&2
        exit 1
    }
    (cd "$elsewhere" && cmake --preset "$arch" >/dev/null && cmake --build --preset "$arch" >/dev/null)
    here=$(sha256sum < "dist/$arch/fix-transforms.exe" | cut -d' ' -f1)
    there=$(sha256sum < "$elsewhere/dist/$arch/fix-transforms.exe" | cut -d' ' -f1)
    if [ "$here" = "$there" ]; then
        echo "check-reproducible: $arch: identical in $PWD and $elsewhere (sha256 $here)"
    else
        echo "check-reproducible: $arch: the two builds differ (sha256 $here here, $there in $elsewhere);" \
             "first differing bytes:" >&2
        cmp -l "dist/$arch/fix-transforms.exe" "$elsewhere/dist/$arch/fix-transforms.exe" | head -5 >&2 || true
        status=1
    fi
done
exit $status
