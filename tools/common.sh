# Shared by run.sh, test.sh and bench: packages, builds, the private Wine prefix, a display.
# Sourced, not run.

CARRYDECK_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export WINEDEBUG=-all
# A new prefix must never ask to download Mono or Gecko.
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64

log() { printf '\033[1m==> %s\033[0m\n' "$*" >&2; }

# Installs what is missing (Debian 12, as root). Only 64-bit Wine: this kernel cannot run
# 32-bit programs, so neither the i386 architecture nor wine32 is ever added here. The
# 32-bit programs run in an emulated PC (tools/test-win32.sh), whose own disk image gets
# 32-bit Wine inside a chroot: qemu, debootstrap and mke2fs make and boot it.
ensure_packages() {
  local need=()
  command -v cmake >/dev/null || need+=(cmake)
  command -v ninja >/dev/null || need+=(ninja-build)
  command -v g++ >/dev/null || need+=(g++)
  command -v x86_64-w64-mingw32-g++-posix >/dev/null || need+=(g++-mingw-w64-x86-64-posix)
  command -v i686-w64-mingw32-g++-posix >/dev/null || need+=(g++-mingw-w64-i686-posix)
  command -v x86_64-w64-mingw32-windres >/dev/null || need+=(binutils-mingw-w64-x86-64)
  command -v i686-w64-mingw32-windres >/dev/null || need+=(binutils-mingw-w64-i686)
  command -v wine >/dev/null || need+=(wine)
  [ -x /usr/lib/wine/wine64 ] || need+=(wine64)
  command -v Xvfb >/dev/null || need+=(xvfb)
  command -v xauth >/dev/null || need+=(xauth)
  [ -f /usr/src/googletest/CMakeLists.txt ] || need+=(googletest)
  # The fuzz harnesses: clang, and libFuzzer's runtime, which clang 14 ships separately.
  command -v clang++ >/dev/null || need+=(clang)
  dpkg -s libclang-rt-14-dev >/dev/null 2>&1 || need+=(libclang-rt-14-dev)
  command -v python3 >/dev/null || need+=(python3)
  command -v qemu-system-x86_64 >/dev/null || need+=(qemu-system-x86)
  command -v debootstrap >/dev/null || need+=(debootstrap)
  command -v mke2fs >/dev/null || need+=(e2fsprogs)
  if [ "${1:-}" = "--with-imagemagick" ]; then command -v import >/dev/null || need+=(imagemagick); fi
  if [ ${#need[@]} -gt 0 ]; then
    log "Installing: ${need[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq && apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null ||
      { echo "Could not install ${need[*]}" >&2; return 1; }
  fi
}

build_preset() {
  local preset=$1
  if [ ! -f "$CARRYDECK_ROOT/build/$preset/build.ninja" ]; then
    cmake --preset "$preset" -S "$CARRYDECK_ROOT" >/dev/null || return 1
  fi
  cmake --build "$CARRYDECK_ROOT/build/$preset" || return 1
}

# fuzz_run <harness> <runs>: one fuzz harness over its seed corpus (fuzz/corpus/<harness>)
# and what earlier runs found (build/fuzz/corpus/<harness>), then <runs> new inputs from a
# fixed seed. A crash, a leak, a hang or a broken property fails it; the input that did it
# is left in build/fuzz/findings/ and the end of the log is shown.
fuzz_run() {
  local name=$1 runs=$2
  local bin="$CARRYDECK_ROOT/build/fuzz/fuzz/fuzz_$name"
  local work="$CARRYDECK_ROOT/build/fuzz/corpus/$name"
  local findings="$CARRYDECK_ROOT/build/fuzz/findings"
  local logfile="$CARRYDECK_ROOT/build/fuzz/logs/$name.log"
  [ -x "$bin" ] || { echo "No fuzz harness $bin" >&2; return 1; }
  mkdir -p "$work" "$findings" "$(dirname "$logfile")"
  if ! "$bin" -runs="$runs" -seed=1 -max_len=4096 -timeout=10 -rss_limit_mb=2048 \
      -artifact_prefix="$findings/$name-" "$work" "$CARRYDECK_ROOT/fuzz/corpus/$name" >"$logfile" 2>&1; then
    tail -n 40 "$logfile" >&2
    return 1
  fi
  grep -E '^Done [0-9]+ runs' "$logfile" >&2
}

# wine_prefix <dir>: a private prefix with a virtual desktop (no window manager needed:
# windows close at once and the desktop holds the notification area).
wine_prefix() {
  export WINEPREFIX=$1
  if [ ! -f "$WINEPREFIX/.carrydeck-ready" ]; then
    log "Preparing the Wine prefix $WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1280x1024 /f >/dev/null 2>&1
    wineserver -w
    touch "$WINEPREFIX/.carrydeck-ready"
  fi
}

# map_drive <letter> <folder>: the folder becomes that drive in the prefix.
map_drive() {
  mkdir -p "$2"
  ln -sfn "$(cd "$2" && pwd)" "$WINEPREFIX/dosdevices/$1:"
}

# start_xvfb: a private display for windows without a screen; sets DISPLAY and XVFB_PID.
start_xvfb() {
  local n
  for n in $(seq 90 140); do
    [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    XVFB_PID=$!
    sleep 1
    if kill -0 "$XVFB_PID" 2>/dev/null; then
      export DISPLAY=":$n"
      return 0
    fi
  done
  echo "Could not start Xvfb" >&2
  return 1
}
