#!/usr/bin/env bash
# Runs a Windows program in a throwaway Wine machine with the null display driver, then removes it.
set -euo pipefail
source "$(dirname "$0")/../../scripts/wine-machine.sh"

StartWineMachine null
status=0
Wine "$@" || status=$?
exit $status
