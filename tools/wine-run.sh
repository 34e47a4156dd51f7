#!/usr/bin/env bash
# Runs one command in the test command's Wine set-up (the private prefix, drives E: and F:,
# a private display with a virtual desktop), for working on one suite or one test:
#   tools/wine-run.sh wine build/win64/bin/gui_tests.exe --gtest_filter='MainWindowTest.*'
#   tools/wine-run.sh ctest --test-dir build/win64 -R win32 --output-on-failure
# Builds nothing: build the win64 preset first (cmake --build build/win64).
set -uo pipefail
source "$(dirname "$0")/common.sh"
cd "$CARRYDECK_ROOT"

wine_prefix "$CARRYDECK_ROOT/build/wineprefix"
map_drive e build/drives/e
map_drive f build/drives/f
start_xvfb || exit 1
trap 'wineserver -k 2>/dev/null; kill "$XVFB_PID" 2>/dev/null' EXIT
wineserver -p
wine cmd /c exit >/dev/null 2>&1
wine explorer /desktop=Default,1280x1024 >/dev/null 2>&1 &
sleep 2
"$@"
