# Run once inside the emulated PC when its image is made (tools/win32-guest/init runs it):
# creates the 32-bit Wine prefix that every test boot starts from. $1: the shared clone.
share=$1
status="$share/build/win32-guest/provision.status"
export WINEPREFIX=/var/lib/carrydeck/wineprefix WINEARCH=win32 WINEDEBUG=-all
# A new prefix must never ask to download Mono or Gecko.
export WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$WINEPREFIX"
echo "guest kernel: $(uname -r), machine $(uname -m)"
# A display, as in the test boots: Wine's desktop process is made with it.
Xvfb :99 -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
for _ in $(seq 1 100); do [ -e /tmp/.X11-unix/X99 ] && break; sleep 0.2; done
export DISPLAY=:99
timeout 900 wineboot -i >/tmp/wineboot.log 2>&1
echo "wineboot: exit $? after ${SECONDS}s"
# A virtual desktop: no window manager is needed, windows close at once and the desktop
# holds the notification area.
wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1280x1024 /f >/dev/null 2>&1
# The server writes the registry out when it ends; helper processes left running would
# keep it up for ever.
timeout 120 wineserver -w || wineserver -k
sleep 2
if [ -f "$WINEPREFIX/system.reg" ] && [ -f "$WINEPREFIX/drive_c/windows/system32/kernel32.dll" ] &&
  [ ! -d "$WINEPREFIX/drive_c/windows/syswow64" ] && grep -q '"Default"="1280x1024"' "$WINEPREFIX/user.reg"; then
  echo "32-bit Wine prefix ready after ${SECONDS}s: $(du -sm "$WINEPREFIX" | cut -f1) MB"
  echo ok >"$status"
else
  tail -n 40 /tmp/wineboot.log
  echo "no 32-bit Wine prefix" >"$status"
fi
sync
