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
  # Wine gives each of the machine's own serial lines (/dev/ttyS0 is the
  # console), which no test may open, the first COM number not registered
  # here. It takes COM1..COM255 from the registry, so with all of them
  # registered the console is left COM256, a name no test uses. COM5..COM9 lead
  # to the links serial-driver.sh points at its ptys, every other number nowhere.
  printf '[HKEY_LOCAL_MACHINE\\Software\\Wine\\Ports]\n'
  for n in $(seq 255); do
    case $n in
    [5-9]) printf '"COM%s"="%s"\n' "$n" "$prefix/kbp-com$n" ;;
    *) printf '"COM%s"="%s"\n' "$n" "$prefix/kbp-no-port" ;;
    esac
  done
  printf '\n'
  for pair in "$@"; do
    printf '[HKEY_CURRENT_USER\\Software\\Wine\\AppDefaults\\%s]\n"Version"="%s"\n\n' "${pair%%=*}" "${pair#*=}"
  done
} >"$reg"
"$wine" regedit "$reg" >/dev/null 2>&1
wineserver -w
rm -f "$reg"
# A link a start before this registry made to a real serial line would last
# until the next start made the number's link again: none may be left.
for link in "$prefix"/dosdevices/com*; do
  case $(readlink "$link") in /dev/*) rm -f "$link" ;; esac
done
touch "$prefix/.kbp-ready"
