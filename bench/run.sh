#!/usr/bin/env bash
# Builds what the benchmarks need, runs them and prints one table: every measurement beside
# its baseline from the same run, medians of several runs, and the budget it must meet.
#
#   ./bench/run.sh [rounds]      rounds of the start-up benchmark (default 15)
#   ./bench/run.sh --icons       the icon rows alone (a shared machine: the rest stays unmeasured)
#
# Works on a fresh Debian 12 machine as root (installs what is missing) and without a
# display (starts its own Xvfb). Wine runs in a private prefix, build/wineprefix-bench, with
# the stick folder build/bench/stick mapped to E:. The table also goes, with the machine it
# was taken on, to build/bench/RESULTS.md. Exits non-zero when a benchmark fails to run or
# a budget is missed. Not part of ./test.sh: no test is timed.
set -uo pipefail
source "$(dirname "$0")/../tools/common.sh"
cd "$CARRYDECK_ROOT"

only=
if [ "${1:-}" = "--icons" ]; then
  only=icons
  shift
fi
rounds=${1:-15}
[[ "$rounds" =~ ^[1-9][0-9]*$ ]] || { echo "usage: $0 [rounds]" >&2; exit 2; }
work="$CARRYDECK_ROOT/build/bench"
stick="$work/stick"
results="$work/results.tsv"
mkdir -p "$work"
: >"$results"

ensure_packages || exit 1

configure() {  # configure <folder> <cmake arguments...>
  local folder=$1
  shift
  [ -f "$folder/build.ninja" ] || cmake -S bench -B "$folder" -G Ninja "$@" >/dev/null
}
if [ "$only" = icons ]; then
  log "Building the icon benchmark (x86-64, release)"
  configure build/bench-win64 -DCMAKE_TOOLCHAIN_FILE="$CARRYDECK_ROOT/cmake/mingw-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release &&
    cmake --build build/bench-win64 --target bench_icons >/dev/null ||
    { echo "bench: the build failed" >&2; exit 1; }
else
log "Building the benchmarks (native and x86-64, release) and the 32-bit release"
configure build/bench-native -DCMAKE_BUILD_TYPE=Release &&
  cmake --build build/bench-native --target bench_catalogue make_stick >/dev/null &&
  configure build/bench-win64 -DCMAKE_TOOLCHAIN_FILE="$CARRYDECK_ROOT/cmake/mingw-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release &&
  cmake --build build/bench-win64 --target Menu floor listview_alone listview_plain startup_driver bench_icons bench_holders >/dev/null &&
  { [ -f build/win32/build.ninja ] || cmake --preset win32 >/dev/null; } &&
  cmake --build build/win32 --target Menu Remove >/dev/null ||
  { echo "bench: the build failed" >&2; exit 1; }
fi

uptime_start=$(uptime)
bin=build/bench-win64/bin
mkdir -p "$stick"

if [ -z "$only" ]; then
log "3. LoadList and SaveList, 32,767 entries, natively"
mkdir -p "$work/catalogue"
build/bench-native/bench_catalogue "$work/catalogue" 21 >>"$results" || { echo "bench: catalogue failed" >&2; exit 1; }

log "Preparing the stick folders (catalogues and warm icon caches)"
mkdir -p "$stick/floor" "$stick/listview"
cp "$bin/floor.exe" "$stick/floor/"
cp "$bin/listview_alone.exe" "$bin/listview_plain.exe" "$stick/listview/"
for n in 100 1000 32767; do
  mkdir -p "$stick/$n"
  cp "$bin/Menu.exe" "$stick/$n/"
  build/bench-native/make_stick "$stick/$n" "$n" || exit 1
done
fi

wine_prefix "$CARRYDECK_ROOT/build/wineprefix-bench"
map_drive e "$stick"
# Our own screen, always: the same conditions with or without a display.
start_xvfb || exit 1
cleanup() {
  WINEPREFIX="$CARRYDECK_ROOT/build/wineprefix-bench" wineserver -k 2>/dev/null
  [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null
}
trap cleanup EXIT
# Wine's server and helper processes (services, the desktop) start here, output going
# nowhere, so no start that is timed pays for them.
wineserver -p >/dev/null 2>&1
wine cmd /c exit >/dev/null 2>&1
wine explorer /desktop=Default,1280x1024 >/dev/null 2>&1 &
sleep 2

if [ -z "$only" ]; then
log "1. and 4. Start-up to the first paint, against the list view alone and the floor ($rounds rounds)"
wine "$bin/startup_driver.exe" "$rounds" 'E:\floor\floor.exe' 'reference=E:\listview\listview_alone.exe' \
  'menu:100=E:\100\Menu.exe' \
  'menu:1000=E:\1000\Menu.exe' 'menu:32767=E:\32767\Menu.exe' 'listview:1000=E:\listview\listview_alone.exe' \
  'plainlistview:1000=E:\listview\listview_plain.exe' \
  >>"$results" 2>"$work/startup.log" || { tail -5 "$work/startup.log" >&2; echo "bench: start-up failed" >&2; exit 1; }
fi

log "2. The icon pass, 1,000 entries: the cache and one edit against a full rebuild"
wine "$bin/bench_icons.exe" 5 >"$work/icons.log" 2>&1 || { cat "$work/icons.log" >&2; echo "bench: icons failed" >&2; exit 1; }
awk '/full rebuild/ {rebuild = $3} /from the cache/ {cache = $4} /after one Add/ {edit = $4}
     END { if (rebuild == "" || cache == "" || edit == "") exit 1
           printf "result\ticons-1000\t%.6f\t%.6f\ts\t5\n", cache / 1000, rebuild / 1000
           printf "result\ticons-edit-1000\t%.6f\t%.6f\ts\t5\n", edit / 1000, rebuild / 1000 }' "$work/icons.log" >>"$results" ||
  { echo "bench: no icon figures in $work/icons.log" >&2; exit 1; }

if [ -z "$only" ]; then
log "5. The look-up of what keeps the stick in use, 50,000 handles in the system"
wine "$bin/bench_holders.exe" 7 'E:\holders.txt' >>"$results" 2>"$work/holders.log" ||
  { cat "$work/holders.log" >&2; echo "bench: holders failed" >&2; exit 1; }

for exe in Menu Remove; do
  printf 'result\tsize-%s\t%s\t0\tbytes\t1\n' "$exe" "$(stat -c %s "build/win32/bin/$exe.exe")" >>"$results"
done
fi

machine=$(printf '%s\n' \
  "- $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//'), $(nproc) processors (nproc)" \
  "- memory (free -h): $(free -h | awk '/^Mem:/ {print $2 " total, " $7 " available"}')" \
  "- $(wine --version), $(uname -sr)" \
  "- load before: ${uptime_start##*average: }; after: $(uptime | sed 's/.*average: //')" \
  "- $(date -u '+%Y-%m-%d %H:%M UTC'), start-up rounds: $rounds")
python3 bench/table.py "$results" "$machine" "$work/RESULTS.md" ${only:+"$only-"}
