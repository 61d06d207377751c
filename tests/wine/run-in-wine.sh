#!/usr/bin/env bash
# Runs one Windows test program under Wine in the shared prefix, with a time
# limit, from the program's own folder (so LoadLibraryA finds the DLLs beside it).
# Usage: run-in-wine.sh PREFIX SECONDS PROGRAM.exe [ARGS...]
# Environment: KBP_WINE (the loader of the program's architecture, default
# wine) and KBP_WINE_ARCH (win32 or win64, default win32).
set -uo pipefail
prefix=$1 limit=$2 program=$3
shift 3
export WINEPREFIX=$prefix WINEARCH=${KBP_WINE_ARCH:-win32} WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
cd "$(dirname "$program")"
timeout --kill-after=10 "$limit" "${KBP_WINE:-wine}" "$(basename "$program")" "$@"
status=$?
[ $status -eq 124 ] && echo "run-in-wine: $(basename "$program") did not finish within ${limit}s" >&2
exit $status
