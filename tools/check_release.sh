#!/usr/bin/env bash
# The programs must run on any Windows PC from a stick: right machine type, a version
# resource and manifest, and no DLL beside them (only the system's own).
set -uo pipefail
status=0
system_dlls='^(kernel32|user32|gdi32|shell32|comctl32|comdlg32|advapi32|ole32|oleaut32|msvcrt|setupapi|cfgmgr32|ntdll|version|shlwapi|uxtheme|ws2_32)\.dll$'
check() {  # check <exe> <objdump> <expected format>
  local exe=$1 objdump=$2 format=$3
  if [ ! -f "$exe" ]; then echo "missing: $exe"; status=1; return; fi
  local header private dll
  header=$("$objdump" -f "$exe")
  private=$("$objdump" -p "$exe")
  grep -q "file format $format" <<<"$header" || { echo "$exe: not $format"; status=1; }
  grep -q 'Subsystem.*0002' <<<"$private" || { echo "$exe: not a GUI program"; status=1; }
  for dll in $(awk '/DLL Name:/ {print tolower($3)}' <<<"$private"); do
    [[ "$dll" =~ $system_dlls ]] || { echo "$exe: depends on $dll"; status=1; }
  done
  # The launcher's start shows the list without the shell and COM libraries; they are
  # looked up when first needed, so loading them never delays the window.
  if [[ "$(basename "$exe")" == Menu.exe ]]; then
    for dll in $(awk '/DLL Name:/ {print tolower($3)}' <<<"$private"); do
      [[ "$dll" =~ ^(shell32|ole32|oleaut32|shlwapi|comdlg32)\.dll$ ]] && { echo "$exe: loads $dll at start"; status=1; }
    done
  fi
  LC_ALL=C grep -q -a "Common-Controls" "$exe" || { echo "$exe: no manifest"; status=1; }
  LC_ALL=C grep -q -a "V.S._.V.E.R.S.I.O.N._.I.N.F.O" "$exe" || { echo "$exe: no version resource"; status=1; }
}
# What goes on the stick stays small. Only the 32-bit release has a budget: the win64
# builds checked here are test builds.
budget() {  # budget <exe> <KiB>
  local exe=$1 kib=$2 size
  [ -f "$exe" ] || return
  size=$(stat -c %s "$exe")
  if [ "$size" -gt $((kib * 1024)) ]; then
    awk -v f="$exe" -v s="$size" -v b="$kib" 'BEGIN { printf "%s: %.1f KiB (%d bytes), over its budget of %d KiB\n", f, s / 1024, s, b }'
    status=1
  else
    awk -v f="$exe" -v s="$size" -v b="$kib" 'BEGIN { printf "%s: %.1f KiB, budget %d KiB\n", f, s / 1024, b }'
  fi
}
for exe in "$1"/Menu.exe $(ls "$1"/Remove.exe 2>/dev/null); do check "$exe" i686-w64-mingw32-objdump pei-i386; done
budget "$1/Menu.exe" 450
budget "$1/Remove.exe" 200
for exe in "$2"/Menu.exe $(ls "$2"/Remove.exe 2>/dev/null); do check "$exe" x86_64-w64-mingw32-objdump pei-x86-64; done
[ $status -eq 0 ] && echo "release checks passed"
exit $status
