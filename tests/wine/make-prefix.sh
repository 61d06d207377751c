#!/usr/bin/env bash
# Creates the Wine prefix the Wine tests share: of the architecture the tests
# are built for, headless (message boxes still work, crashes end the program
# instead of starting a debugger), and the Windows version each test program
# is to see.
# Usage: make-prefix.sh PREFIX [PROGRAM=VERSION ...]
# Environment: KBP_WINE (the loader, default wine), KBP_WINE_ARCH (win32 or
# win64, default win32).
set -euo pipefail
prefix=$1
shift
export WINEPREFIX=$prefix WINEARCH=${KBP_WINE_ARCH:-win32} WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine=${KBP_WINE:-wine}

if [ ! -f "$prefix/.kbp-ready" ]; then
  rm -rf "$prefix"
  "$wine" wineboot -i >/dev/null 2>&1
  wineserver -w
fi

reg=$(mktemp --suffix=.reg)
{
  printf 'REGEDIT4\n\n'
  printf '[HKEY_CURRENT_USER\\Software\\Wine\\Drivers]\n"Graphics"="null"\n\n'
  printf '[HKEY_CURRENT_USER\\Software\\Wine\\WineDbg]\n"ShowCrashDialog"=dword:00000000\n\n'
  # COM1..COM4 lead nowhere: Wine would link them to the machine's own serial
  # lines (COM1 to the console), which no test may open.
  printf '[HKEY_LOCAL_MACHINE\\Software\\Wine\\Ports]\n'
  for n in 1 2 3 4; do printf '"COM%s"="%s"\n' "$n" "$prefix/kbp-no-port"; done
  printf '\n'
  for pair in "$@"; do
    printf '[HKEY_CURRENT_USER\\Software\\Wine\\AppDefaults\\%s]\n"Version"="%s"\n\n' "${pair%%=*}" "${pair#*=}"
  done
} >"$reg"
"$wine" regedit "$reg" >/dev/null 2>&1
wineserver -w
rm -f "$reg"
touch "$prefix/.kbp-ready"
