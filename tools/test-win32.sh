#!/usr/bin/env bash
# The 32-bit programs, run: this kernel executes no 32-bit code, so an emulated x86-64 PC
# (qemu, software emulation) with its own Debian kernel runs them under 32-bit Wine.
#
#   tools/test-win32.sh               builds what is missing, then the run below
#   tools/test-win32.sh --build-only  only the two builds (test.sh builds everything first)
#
# 1. The PC's disk image: made once by tools/win32-guest/make-image.sh and kept outside
#    the clone, in $CARRYDECK_GUEST_CACHE (default /var/cache/carrydeck/win32-guest) under
#    a hash of the scripts that make it, so a fresh clone reuses it and a changed recipe
#    makes a new one. It is made while the programs build.
# 2. The 32-bit release (build/win32) and the test suites built with the i686 toolchain
#    (build/win32-tests).
# 3. One boot of the PC, on a throw-away copy of the disk (-snapshot), with this clone
#    shared at the same path: tools/win32-guest/run-tests.sh runs the suites and the
#    release programs. Reports: build/test-results/win32/; console and each suite's output:
#    build/win32-guest/.
#
# Ends with "N passed, N failed"; exits non-zero on any failure. The host never gets the
# i386 architecture: that exists only inside the guest's image.
set -uo pipefail
source "$(dirname "$0")/common.sh"
cd "$CARRYDECK_ROOT" || exit 1

started=$SECONDS
guest="$CARRYDECK_ROOT/build/win32-guest"
results="$CARRYDECK_ROOT/build/test-results/win32"
suites=(unit_tests win32_tests gui_tests remove_tests remove_win32_tests release_tests)
# What the guest may take at most: a hung guest fails the stage instead of holding CI.
boot_limit=${CARRYDECK_GUEST_TIMEOUT:-2400}
image_limit=${CARRYDECK_IMAGE_TIMEOUT:-1800}

fail() {
  echo "FAILED (32-bit stage): $*" >&2
  echo "0 passed, 1 failed"
  exit 1
}
elapsed() { printf '%dm%02ds' $(((SECONDS - started) / 60)) $(((SECONDS - started) % 60)); }

build_all() {
  mkdir -p "$guest"
  log "Build win32 (the 32-bit release)"
  build_preset win32 >"$guest/build-release.log" 2>&1 ||
    { tail -n 40 "$guest/build-release.log" >&2; echo "the 32-bit release did not build" >&2; return 1; }
  log "Build win32-tests (the suites, i686)"
  if [ ! -f build/win32-tests/build.ninja ]; then
    cmake --preset win32-tests -S "$CARRYDECK_ROOT" >"$guest/build-tests.log" 2>&1 ||
      { tail -n 40 "$guest/build-tests.log" >&2; echo "the 32-bit test build could not be configured" >&2; return 1; }
  fi
  cmake --build build/win32-tests --target "${suites[@]}" probe Remove >>"$guest/build-tests.log" 2>&1 ||
    { grep -E -B2 -A12 'error|FAILED' "$guest/build-tests.log" | head -n 60 >&2; echo "the 32-bit suites did not build" >&2; return 1; }
}
if [ "${1:-}" = "--build-only" ]; then
  build_all
  exit
fi

ensure_packages || fail "could not install the packages the stage needs"
[ "$(id -u)" -eq 0 ] || fail "making and booting the emulated PC needs root (debootstrap, chroot)"
mkdir -p "$guest"

# The image, keyed by its recipe.
recipe=$(cat tools/win32-guest/make-image.sh tools/win32-guest/init tools/win32-guest/provision.sh | sha256sum | cut -c1-16)
cache=${CARRYDECK_GUEST_CACHE:-/var/cache/carrydeck/win32-guest}
if ! mkdir -p "$cache" 2>/dev/null || [ ! -w "$cache" ]; then
  cache="$CARRYDECK_ROOT/build/win32-guest/cache"
  mkdir -p "$cache"
fi
image="$cache/$recipe"
image_pid=
exec 9>"$cache/$recipe.lock"
flock -w "$image_limit" 9 || fail "another run has been making the image $image for too long"
if [ -f "$image/ready" ]; then
  log "Emulated PC: reusing the image $image"
  flock -u 9
else
  log "Emulated PC: making the image $image (first time for this recipe: about 8 minutes; log: build/win32-guest/image.log)"
  (timeout --kill-after=30 "$image_limit" tools/win32-guest/make-image.sh "$image" "$CARRYDECK_ROOT" \
    >"$guest/image.log" 2>&1; code=$?; flock -u 9; exit $code) &
  image_pid=$!
fi
touch "$image" 2>/dev/null

build_all || fail "the 32-bit builds failed (logs: build/win32-guest/build-*.log)"
log "Built after $(elapsed)"

if [ -n "$image_pid" ]; then
  log "Waiting for the image"
  if ! wait "$image_pid"; then
    tail -n 30 "$guest/image.log" >&2
    fail "the emulated PC's image could not be made (log: build/win32-guest/image.log)"
  fi
  log "Image made after $(elapsed)"
  # Images of older recipes go once unused for three days.
  find "$cache" -mindepth 1 -maxdepth 1 -type d ! -name "$recipe" -mtime +3 -exec rm -rf --one-file-system {} + 2>/dev/null
fi
[ -f "$image/ready" ] || fail "no image in $image"

log "Booting the emulated PC: the suites under 32-bit Wine (console: build/win32-guest/serial.log)"
rm -rf "$results" "$guest/logs" "$guest/suites.status"
mkdir -p "$results" "$guest/logs"
case "$CARRYDECK_ROOT" in *[[:space:]]*) fail "the clone's path holds a space; the guest's kernel command line cannot carry it" ;; esac
timeout --kill-after=15 "$boot_limit" qemu-system-x86_64 \
  -accel tcg,thread=multi -cpu max,-smap -smp 2 -m 3072 \
  -kernel "$image/vmlinuz" -initrd "$image/initrd.img" \
  -append "console=ttyS0 root=/dev/vda rw init=/sbin/carrydeck-init panic=1 quiet carrydeck.share=$CARRYDECK_ROOT carrydeck.run=tools/win32-guest/run-tests.sh" \
  -drive "file=$image/disk.img,format=raw,if=virtio,cache=unsafe" -snapshot \
  -virtfs "local,path=$CARRYDECK_ROOT,mount_tag=carrydeck,security_model=none" \
  -nic none -display none -monitor none -serial "file:$guest/serial.log" -no-reboot
code=$?
boot_problem=
if [ "$code" -eq 124 ] || [ "$code" -eq 137 ]; then
  boot_problem="the guest did not finish within ${boot_limit}s and was stopped"
elif [ "$code" -ne 0 ]; then
  boot_problem="qemu ended with status $code"
elif ! grep -q '^done ' "$guest/suites.status" 2>/dev/null; then
  boot_problem="the guest stopped before the end of its run"
fi
log "Guest run over after $(elapsed)"

# One report per suite; a suite that left none (it crashed or hung) counts as one failure.
for suite in "${suites[@]}"; do
  line=$(grep "^$suite " "$guest/suites.status" 2>/dev/null)
  if [ ! -s "$results/$suite.xml" ]; then
    if [ -n "$line" ]; then
      how="exit code $(cut -d' ' -f2 <<<"$line")"
    elif [ -s "$guest/logs/$suite.log" ]; then
      how="still running when the guest stopped"
    else
      how="it never ran"
    fi
    why="$suite left no report ($how); output: build/win32-guest/logs/$suite.log"
    printf '<?xml version="1.0" encoding="UTF-8"?>\n<testsuites tests="1" failures="1" disabled="0" errors="0" name="%s">\n  <testsuite name="%s" tests="1" failures="1"><testcase name="RanToTheEnd"><failure message="%s"/></testcase></testsuite>\n</testsuites>\n' \
      "$suite" "$suite" "$why" >"$results/$suite.xml"
    if [ -s "$guest/logs/$suite.log" ]; then
      echo "--- the last lines of build/win32-guest/logs/$suite.log:" >&2
      tail -n 30 "$guest/logs/$suite.log" >&2
    fi
  fi
done

python3 - "$results" "$guest" "${suites[@]}" <<'PY'
import os, re, sys, xml.etree.ElementTree as ET
results, guest, suites = sys.argv[1], sys.argv[2], sys.argv[3:]
seconds = {}
try:
    for line in open(os.path.join(guest, "suites.status")):
        parts = line.split()
        if len(parts) == 3: seconds[parts[0]] = parts[2]
except OSError:
    pass
for suite in suites:
    root = ET.parse(os.path.join(results, suite + ".xml")).getroot()
    tests = int(root.get("tests", 0)); bad = int(root.get("failures", 0)) + int(root.get("errors", 0))
    print(f"  {suite:<20} {tests - bad:>4} passed, {bad} failed  ({seconds.get(suite, '?')} s)", file=sys.stderr)
    for case in root.iter("testcase"):
        for failure in case.findall("failure") + case.findall("error"):
            text = (failure.text or failure.get("message") or "").strip()
            print(f"    FAILED {case.get('classname', suite)}.{case.get('name')}\n      " + text.replace("\n", "\n      "), file=sys.stderr)
PY

[ -z "$boot_problem" ] || { echo "FAILED (32-bit stage): $boot_problem; last console lines:" >&2; tail -n 25 "$guest/serial.log" >&2; }
read -r passed failed < <(cat "$results"/*.xml | python3 -c '
import re, sys
t = f = 0
for m in re.finditer(r"<testsuites tests=\"(\d+)\" failures=\"(\d+)\" disabled=\"\d+\" errors=\"(\d+)\"", sys.stdin.read()):
    t += int(m.group(1)); f += int(m.group(2)) + int(m.group(3))
print(t - f, f)')
if [ -n "$boot_problem" ] && [ "${failed:-0}" -eq 0 ]; then failed=1; fi
log "32-bit stage took $(elapsed)"
echo "${passed:-0} passed, ${failed:-0} failed"
[ -z "$boot_problem" ] && [ "${failed:-0}" -eq 0 ] && [ "${passed:-0}" -gt 0 ]
