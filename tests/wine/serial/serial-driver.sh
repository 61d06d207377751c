#!/usr/bin/env bash
# Runs a serial test program under Wine with the pty keyboard on a COM port.
# Usage: serial-driver.sh PREFIX SECONDS PROGRAM.exe [ARGS...]
# Environment: KBP_COM_PORT (COM5..COM9), KBP_PTY_KEYBOARD (kbdsim_pty's
# options), KBP_EXPECT_SUMMARY (a file of extended regular expressions, one a
# line, each of which must match a line of the keyboard's summary),
# KBP_EXPECT_MEMORY (an image file, relative to the program's folder, whose
# bytes from offset 4 on the keyboard's memory must hold from address 4 on),
# and KBP_NATIVE_BIN / KBP_WINE_SCRIPTS from the test layer.
set -uo pipefail
prefix=$1 limit=$2 program=$3
port=${KBP_COM_PORT:?} number=${KBP_COM_PORT#COM}
case $number in [5-9]) ;; *) echo "serial-driver: $port could be a real serial line" >&2; exit 2 ;; esac

work=$(mktemp -d)
keyboard=
cleanup() {
  [ -n "$keyboard" ] && kill -TERM "$keyboard" 2>/dev/null && wait "$keyboard" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# shellcheck disable=SC2086  # the keyboard's options are words
"$KBP_NATIVE_BIN/kbdsim_pty" ${KBP_PTY_KEYBOARD:-} --summary "$work/summary" --memory "$work/memory" \
  --max-seconds $((limit + 30)) >"$work/slave" &
keyboard=$!
for _ in $(seq 50); do [ -s "$work/slave" ] && break; sleep 0.1; done
slave=$(head -n 1 "$work/slave")
[ -c "$slave" ] || { echo "serial-driver: the pty keyboard did not start" >&2; exit 1; }

# COM5..COM9 are registered once per prefix, each to a link of its own in the
# prefix, so Wine keeps them at every start; each run points the link at its pty.
export WINEPREFIX=$prefix WINEARCH=${KBP_WINE_ARCH:-win32} WINEDEBUG=-all
(
  flock 9
  if [ ! -f "$prefix/.kbp-com-ports" ]; then
    reg=$(mktemp --suffix=.reg)
    {
      printf 'REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Wine\\Ports]\n'
      for n in 5 6 7 8 9; do printf '"COM%s"="%s"\n' "$n" "$prefix/kbp-com$n"; done
    } >"$reg"
    "${KBP_WINE:-wine}" regedit "$reg" >/dev/null 2>&1
    rm -f "$reg"
    touch "$prefix/.kbp-com-ports"
  fi
) 9>"$prefix/.kbp-com-ports.lock"
ln -sfn "$slave" "$prefix/kbp-com$number"
ln -sfn "$prefix/kbp-com$number" "$prefix/dosdevices/com$number"

KBP_COM_PORT=$port "$KBP_WINE_SCRIPTS/run-in-wine.sh" "$@"
status=$?

kill -TERM "$keyboard" 2>/dev/null
wait "$keyboard" 2>/dev/null
keyboard=
if [ -n "${KBP_EXPECT_SUMMARY:-}" ]; then
  while IFS= read -r pattern; do
    [ -z "$pattern" ] && continue
    if ! grep -Eq "$pattern" "$work/summary"; then
      echo "serial-driver: the keyboard's summary has no line matching: $pattern" >&2
      cat "$work/summary" >&2
      status=1
    fi
  done <"$KBP_EXPECT_SUMMARY"
fi
if [ -n "${KBP_EXPECT_MEMORY:-}" ]; then
  image="$(dirname "$program")/$KBP_EXPECT_MEMORY"
  size=$(stat -c %s "$image" 2>/dev/null || echo 0)
  if [ "$size" -le 4 ] || ! cmp -s -n $((size - 4)) -i 4:4 "$image" "$work/memory"; then
    echo "serial-driver: the keyboard's memory does not hold $image from address 4 on" >&2
    status=1
  fi
fi
exit $status
