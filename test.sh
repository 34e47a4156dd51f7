#!/usr/bin/env bash
# Builds all three builds and runs every suite: the portable logic natively, the same
# tests and the Win32 adapters under Wine, and the real windows under Xvfb; then the
# 32-bit build's suites and release programs under 32-bit Wine in an emulated PC.
# Ends with one summary line; exits non-zero on any failure.
set -uo pipefail
source "$(dirname "$0")/tools/common.sh"
cd "$CARRYDECK_ROOT"

ensure_packages || exit 1
failures=0
results="$CARRYDECK_ROOT/build/test-results"
rm -rf "$results"
mkdir -p "$results"

step() {  # step <name> <command...>
  local name=$1
  shift
  log "$name"
  if ! "$@"; then
    echo "FAILED: $name" >&2
    failures=$((failures + 1))
  fi
}

step "Build native" build_preset native
step "Build win64" build_preset win64
step "Build win32 (the 32-bit release)" build_preset win32
step "Build win32-tests (the suites, i686, run in the emulated PC)" tools/test-win32.sh --build-only
step "Build native with ASan and UBSan" build_preset native-asan
step "Build fuzz harnesses (clang, libFuzzer)" build_preset fuzz

log "Native suites"
GTEST_OUTPUT="xml:$results/native/" step "Native tests" ctest --test-dir build/native --output-on-failure
GTEST_OUTPUT="xml:$results/native-asan/" step "Native tests under ASan and UBSan" \
  ctest --test-dir build/native-asan --output-on-failure

log "Fuzzing (each harness a fixed number of runs; see fuzz/README.md to run longer)"
for corpus in fuzz/corpus/*/; do
  harness=$(basename "$corpus")
  step "Fuzz $harness" fuzz_run "$harness" 20000
done

log "Wine suites"
wine_prefix "$CARRYDECK_ROOT/build/wineprefix"
map_drive e build/drives/e
map_drive f build/drives/f
start_xvfb || failures=$((failures + 1))
wineserver -p  # one warm server for every test program
# Start Wine's helper processes (services, the desktop) here, with their output going
# nowhere: started from a test they would hold ctest's pipe open for ever.
wine cmd /c exit >/dev/null 2>&1
wine explorer /desktop=Default,1280x1024 >/dev/null 2>&1 &
sleep 2
GTEST_OUTPUT="xml:Z:${results//\//\\}\\win64\\" step "Wine tests" ctest --test-dir build/win64 --output-on-failure
wineserver -k 2>/dev/null
[ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null

step "Release checks" tools/check_release.sh build/win32/bin build/win64/bin

# Its reports land in $results/win32/ and count in the line below.
step "32-bit suites and release programs under 32-bit Wine in an emulated PC" tools/test-win32.sh

# One line for all suites: the test cases of every report.
read -r passed failed < <(cat "$results"/*/*.xml 2>/dev/null | python3 -c '
import re, sys
text = sys.stdin.read()
t = f = 0
for m in re.finditer(r"<testsuites tests=\"(\d+)\" failures=\"(\d+)\" disabled=\"\d+\" errors=\"(\d+)\"", text):
    t += int(m.group(1)); f += int(m.group(2)) + int(m.group(3))
print(t - f, f)')
passed=${passed:-0}
failed=${failed:-0}
if [ "$failures" -gt 0 ] && [ "$failed" -eq 0 ]; then failed=$failures; fi
echo "${passed} passed, ${failed} failed"
[ "$failures" -eq 0 ] && [ "$failed" -eq 0 ] && [ "$passed" -gt 0 ]
