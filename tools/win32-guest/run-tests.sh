# Runs inside the emulated PC on every test boot (tools/win32-guest/init starts it; not part
# of the image, so changing it needs no new image). $1: the shared clone, mounted at the
# same path it has on the host, so the paths compiled into the tests hold here too.
#
# Each suite of build/win32-tests/bin runs under 32-bit Wine with a display (Xvfb), a
# virtual desktop and drives E: and F: mapped, like ./test.sh does for the 64-bit build;
# then the release programs of build/win32/bin, driven from outside. Reports go to
# build/test-results/win32/<suite>.xml, each suite's output to build/win32-guest/logs/,
# and one line per suite ("<suite> <exit code> <seconds>") to build/win32-guest/suites.status.
share=$1
out="$share/build/win32-guest"
results="$share/build/test-results/win32"
status="$out/suites.status"
export WINEPREFIX=/var/lib/carrydeck/wineprefix WINEARCH=win32 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
work=/var/tmp/carrydeck
mkdir -p "$out/logs" "$results" "$work/drives/e" "$work/drives/f"
: >"$status"

note() { echo "carrydeck-guest: $*"; }
winpath() { printf 'Z:%s' "${1//\//\\}"; }

# The drives live on the guest's ext4 disk: a tmpfs would read as a RAM disk to Wine.
ln -sfn "$work/drives/e" "$WINEPREFIX/dosdevices/e:"
ln -sfn "$work/drives/f" "$WINEPREFIX/dosdevices/f:"
# The test programs run from the guest's own disk, beside the programs they start.
cp -r "$share/build/win32-tests/bin" "$work/tests"

Xvfb :99 -screen 0 1280x1024x24 -nolisten tcp >/tmp/xvfb.log 2>&1 &
for _ in $(seq 1 100); do [ -e /tmp/.X11-unix/X99 ] && break; sleep 0.2; done
export DISPLAY=:99
[ -e /tmp/.X11-unix/X99 ] || note "Xvfb did not start: $(cat /tmp/xvfb.log)"

wineserver -p  # one warm server for every test program
# Wine's helper processes (services, the desktop) start here, their output going nowhere.
wine cmd /c exit >/dev/null 2>&1
wine explorer /desktop=Default,1280x1024 >/dev/null 2>&1 &
sleep 2
note "Wine $(wine --version 2>/dev/null) ready after ${SECONDS}s"

run_suite() {  # run_suite <program> <time limit in seconds> [environment...]
  local suite=$1 limit=$2
  shift 2
  local started=$SECONDS code
  rm -f "$results/$suite.xml"
  (cd "$work/tests" && env "$@" timeout --kill-after=10 "$limit" wine "$suite.exe" \
    "--gtest_output=xml:$(winpath "$results/$suite.xml")") >"$out/logs/$suite.log" 2>&1
  code=$?
  echo "$suite $code $((SECONDS - started))" >>"$status"
  note "$suite: exit $code after $((SECONDS - started))s"
  sync
}

run_suite unit_tests 600
run_suite win32_tests 600
run_suite gui_tests 1500
run_suite remove_tests 600
run_suite remove_win32_tests 600
run_suite release_tests 600 "CARRYDECK_RELEASE_BIN=$(winpath "$share/build/win32/bin")"

wineserver -k 2>/dev/null
echo "done $SECONDS" >>"$status"
sync
