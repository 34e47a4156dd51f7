#!/usr/bin/env bash
# Builds Carrydeck, prepares a demo stick (a folder mapped to drive E: in a private Wine
# prefix) and starts Menu.exe from it on your display.
set -euo pipefail
source "$(dirname "$0")/tools/common.sh"
cd "$CARRYDECK_ROOT"

ensure_packages
log "Building"
build_preset win64 >/dev/null

stick="$CARRYDECK_ROOT/build/demo-stick"
mkdir -p "$stick"
cp build/win64/bin/Menu.exe "$stick/"
[ -f build/win64/bin/Remove.exe ] && cp build/win64/bin/Remove.exe "$stick/"
# The demo catalogue is written once; what you change in it stays for the next run.
if [ ! -f "$stick/Data.dat" ]; then
  printf '%s\r\n' \
    "Notepad" "Editors" 'C:\windows\notepad.exe' "" \
    "Read me (notepad with %drive%)" "Editors" 'C:\windows\notepad.exe' '%drive%\ReadMe.txt' \
    "WordPad" "Editors" 'C:\Program Files\Windows NT\Accessories\wordpad.exe' "" \
    "Minesweeper" "Games" 'C:\windows\system32\winemine.exe' "" \
    "Clock" "Tools" 'C:\windows\system32\clock.exe' "" \
    "Command Prompt" "Tools" 'C:\windows\system32\cmd.exe' "" \
    "Registry Editor" "Tools" 'C:\windows\regedit.exe' "" \
    "Task Manager" "Tools" 'C:\windows\system32\taskmgr.exe' "" >"$stick/Data.dat"
  printf '%s\r\n' "Application" "Editors" "Games" "Tools" >"$stick/Types.dat"
  printf '%s\r\n' "This file lives on the demo stick (drive E:)." \
    "The entry that opened it passes %drive%\\ReadMe.txt to Notepad." >"$stick/ReadMe.txt"
fi

wine_prefix "$CARRYDECK_ROOT/build/wineprefix-demo"
map_drive e "$stick"

if [ -z "${DISPLAY:-}" ]; then
  start_xvfb
  log "No display was set: Carrydeck runs on the virtual screen $DISPLAY (screenshot: DISPLAY=$DISPLAY import -window root shot.png)"
fi
log "Starting E:\\Menu.exe"
cd "$stick"
exec wine explorer /desktop=Carrydeck,1024x700 'E:\Menu.exe'
