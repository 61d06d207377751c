#!/usr/bin/env bash
# Runs kbptool.exe under Wine, one command line a row, and checks each exit
# code and what it printed. Every row that fails is named; the script fails if any did.
# Usage: kbptool-driver.sh PREFIX SECONDS PROGRAM.exe
# Environment: KBP_TOOL_DOUBLES (kbptool.exe beside kbpi32.dll and both
# doubles), KBP_TOOL_ALONE (kbptool.exe without kbpi32.dll), KBP_COM_PORT
# (COM5..COM9, linked to the pty keyboard), KBP_TOOL_BITS (32 or 64),
# KBP_NATIVE_BIN, KBP_WINE_SCRIPTS.
set -uo pipefail
prefix=$1 limit=$2 program=$3
tool=$(basename "$program")
doubles=${KBP_TOOL_DOUBLES:?} alone=${KBP_TOOL_ALONE:?} bits=${KBP_TOOL_BITS:?}
# Each run gets a share of the test's time, so a box nobody answers fails one row.
each=$((limit / 8))

port=${KBP_COM_PORT:?} number=${KBP_COM_PORT#COM}
case $number in [5-9]) ;; *) echo "kbptool-driver: $port could be a real serial line" >&2; exit 2 ;; esac

work=$(mktemp -d)
# The keyboard of the USB double keeps its memory from one kbptool.exe to the next.
export KBP_DOUBLE_MEMORY="Z:$work/double-memory.bin"
image=kbptool-driver-$$.kbp
cut=kbptool-driver-cut-$$.kbp
# Names the ANSI code page cannot spell (Greek, and the euro sign it spells as
# 0x80 at best): Wine hands them to the command line as characters.
greek=αντίγραφο-$$.kbp euro=€-$$.kbp
record=kbptool-driver-$$.log
keyboard= second=
cleanup() {
  for k in $keyboard $second; do kill -TERM "$k" 2>/dev/null && wait "$k" 2>/dev/null; done
  rm -rf "$work" "${doubles:?}/$image" "${doubles:?}/$cut" "$doubles/$record" "$doubles"/{,up-}{"$greek","$euro"}
}
trap cleanup EXIT

# The pty keyboard at 4800,O,8,1 on the port (make-prefix.sh registered it to
# the link $prefix/kbp-comN, which is pointed at the pty here).
"$KBP_NATIVE_BIN/kbdsim_pty" 4800,O,8,1 --max-seconds $((limit + 30)) >"$work/slave" &
keyboard=$!
for _ in $(seq 50); do [ -s "$work/slave" ] && break; sleep 0.1; done
slave=$(head -n 1 "$work/slave")
[ -c "$slave" ] || { echo "kbptool-driver: the pty keyboard did not start" >&2; exit 1; }
ln -sfn "$slave" "$prefix/kbp-com$number"
ln -sfn "$prefix/kbp-com$number" "$prefix/dosdevices/com$number"
# A second keyboard, for programming two at once, on the COM number below.
other_number=$((number > 5 ? number - 1 : number + 1)) other_port=COM$((number > 5 ? number - 1 : number + 1))
"$KBP_NATIVE_BIN/kbdsim_pty" 4800,O,8,1 --max-seconds $((limit + 30)) >"$work/second" &
second=$!
for _ in $(seq 50); do [ -s "$work/second" ] && break; sleep 0.1; done
ln -sfn "$(head -n 1 "$work/second")" "$prefix/kbp-com$other_number"
ln -sfn "$prefix/kbp-com$other_number" "$prefix/dosdevices/com$other_number"

# Beside copies of the tool: a kbpi32.dll that is no DLL, a DLL without
# kbpi32's exports, and the real kbpi32.dll with the USB double but no capture library.
in_doubles() { find "$doubles" -maxdepth 1 -iname "$1" | head -n 1; }
mkdir -p "$work/not_a_dll" "$work/other_dll" "$work/no_kbpfunc"
cp "$doubles/$tool" "$work/not_a_dll/" && echo "not a DLL" >"$work/not_a_dll/kbpi32.dll"
cp "$doubles/$tool" "$work/other_dll/" && cp "$(in_doubles kbpfunc.dll)" "$work/other_dll/kbpi32.dll"
cp "$doubles/$tool" "$(in_doubles kbpi32.dll)" "$(in_doubles kbpusb.dll)" "$work/no_kbpfunc/"

failures=0
# row FOLDER STATUS [STREAM:PATTERN...] -- ARGS...
# Runs the tool of FOLDER with ARGS; it must exit with STATUS, and each
# extended regular expression (any case) must match a line of out or err.
row() {
  local folder=$1 want=$2 patterns=() problems=() status
  shift 2
  while [ "$1" != "--" ]; do patterns+=("$1"); shift; done
  shift
  "$KBP_WINE_SCRIPTS/run-in-wine.sh" "$prefix" "$each" "$folder/$tool" "$@" >"$work/out" 2>"$work/err"
  status=$?
  [ "$status" -eq "$want" ] || problems+=("exit code $status, not $want")
  for pattern in "${patterns[@]}"; do
    grep -Eiq -- "${pattern#*:}" "$work/${pattern%%:*}" || problems+=("no line of std${pattern%%:*} matches ${pattern#*:}")
  done
  if [ ${#problems[@]} -gt 0 ]; then
    failures=$((failures + 1))
    echo "kbptool-driver: FAILED: $tool $* (in $(basename "$folder")):" >&2
    printf '  %s\n' "${problems[@]}" >&2
    sed 's/^/  stdout: /' "$work/out" >&2
    sed 's/^/  stderr: /' "$work/err" >&2
  fi
}

row "$doubles" 0 'out:download' -- --help
row "$doubles" 0 'out:download' -- '/?'
row "$alone" 3 'err:kbpi32\.dll' 'err:not (be )?found' 'err:error 126' 'err:put kbpi32\.dll beside kbptool\.exe' -- interface
row "$work/not_a_dll" 3 'err:kbpi32\.dll: .*error 193' 'err:other architecture' -- interface
row "$work/other_dll" 3 'err:no export kbp_download' 'err:not a kbpi32\.dll of this system' -- interface
row "$doubles" 0 -- new --end 1023 "$image"
row "$doubles" 0 'out:read back and verified' -- download "$image" --usb --yes
# Refused before anything is sent: a cut image, two paths, line settings the library would search instead.
head -c 512 "$doubles/$image" >"$doubles/$cut"
row "$doubles" 16 'err:512 bytes but its end field \(bytes 6\.\.7\) says 1023, which needs 1024' -- download "$cut" --usb --yes
row "$doubles" 2 'err:--usb and --port COM1 name two different paths' -- download "$image" --usb --port COM1
row "$doubles" 2 'err:the rate 115200 is not one the library sets' -- download "$image" --port COM1:115200,N,8,1
if [ "$bits" = 64 ]; then
  # A 64-bit kbptool.exe takes USB where the library would choose the controller ports, and refuses them.
  row "$doubles" 0 'out:4 \(usb\)' -- interface auto
  row "$doubles" 0 'out:over USB; read back and verified' -- download "$image" --yes
  row "$doubles" 2 'err:--interface ports cannot be used here' 'err:64-bit program cannot reach the controller ports' \
    'err:try: use USB' -- download "$image" --interface ports
  row "$doubles" 2 'err:64-bit program' -- interface ports
else
  # A 32-bit one leaves the choice to the library, which takes the controller ports on the Windows 7
  # that Wine reports; Wine grants no port access, so no keyboard answers there.
  row "$doubles" 0 'out:1 \(ports\)' -- interface auto
  row "$doubles" 15 'err:download failed over the controller ports' 'err:before the first block' -- download "$image" --yes
fi
# Two keyboards at once, each by a kbptool.exe of its own, and a record line for each. First
# of the rows on these ports: under Wine a pty-linked port that a program has set up before
# refuses the same settings named again, and a search for them takes long.
row "$doubles" 0 'out:2 keyboards programmed' "out:$port: ok, not verified, 1024 bytes" \
  "out:$other_port: ok, not verified" -- \
  download "$image" --port "$port:4800,O,8,1" --port "$other_port:4800,O,8,1" --log "$record"
if [ "$(grep -c '"exit_code": 0, "verified": false' "$doubles/$record" 2>/dev/null)" != 2 ]; then
  failures=$((failures + 1))
  echo "kbptool-driver: FAILED: the record of the two keyboards is not two lines:" >&2
  sed 's/^/  /' "$doubles/$record" >&2
fi
row "$doubles" 2 "err:$port and $port:4800,O,8,1 are the same device" -- \
  download "$image" --port "$port" --port "$port:4800,O,8,1"
row "$doubles" 2 'err:--device 1 names no USB keyboard' 'err:no keyboard of the vendor is on USB' -- \
  download "$image" --device 1
# A COM port without a device behind it, opened by the tool before the library is asked, in Windows'
# words (under Wine it opens, but is no serial line).
row "$doubles" 12 'err:COM3 opens, but it is no serial line Windows can set up \(Windows says: ' -- \
  download "$image" --port COM3 --no-verify
row "$doubles" 12 'out:"result": null, "text": "COM3 cannot be used: nothing was written to the keyboard"' -- \
  download "$image" --port COM3 --json
row "$doubles" 0 'out:COM3: no \(COM3 opens, but it is no serial line' -- detect --port COM3 --no
# The search finds the pty keyboard, also where no box could come up, and its settings are reported.
row "$doubles" 0 "out:$port at 4800,O,8,1: yes \(the keyboard echoed at 4800,O,8,1\)" -- detect --port "$port" --no
row "$doubles" 0 'out:"settings": "4800,O,8,1"' 'out:"text": "1024 bytes sent over '"$port"' at 4800,O,8,1"' -- \
  download "$image" --port "$port" --json --no-verify
# The capture library's box comes up, is noted, and --no answers it.
row "$work/no_kbpfunc" 20 'err:the library asks: .*KBPFUNC\.DLL.*Cancel \(--no\)' \
  'err:why: the library cannot load the capture library KBPFUNC\.DLL' "err:try: put a $bits-bit KBPFUNC\\.DLL beside .*kbpi32\\.dll" \
  -- upload up.kbp --usb --no
# A download without the capture library blames it, not the USB keyboard.
cp "$doubles/$image" "$work/no_kbpfunc/"
row "$work/no_kbpfunc" 15 'err:nothing was written to the keyboard' \
  'err:why: the library cannot load the capture library KBPFUNC\.DLL' -- download "$image" --usb --no
row "$doubles" 0 'out:^\{.*"command": "detect"' -- detect --json --no

# kbpi32.dll is given a temporary file for each of them, removed again.
temporary=$(find "$prefix/drive_c/users" -maxdepth 5 -type d -iname temp | head -n 1)
[ -d "$temporary" ] || { failures=$((failures + 1)); echo "kbptool-driver: FAILED: no Temp folder in $prefix" >&2; }
temporaries() { find "$temporary" -maxdepth 1 -iname 'kbp*.tmp' | wc -l; }
before=$(temporaries)
for name in "$greek" "$euro"; do
  row "$doubles" 0 "out:^new: $name: a 1024-byte image" -- new --end 1023 "$name"
  row "$doubles" 0 'out:read back and verified' 'out:"file": "'"$name"'"' -- download "$name" --usb --yes --json
  row "$doubles" 0 "out:, into up-$name" -- upload "up-$name" --usb --yes
  if [ ! -s "$doubles/$name" ] || [ ! -s "$doubles/up-$name" ]; then
    failures=$((failures + 1))
    echo "kbptool-driver: FAILED: $name and up-$name are not both there under their names:" >&2
    ls "$doubles" | sed 's/^/  /' >&2
  fi
done
row "$work/no_kbpfunc" 20 -- upload "up-$greek" --usb --no
if [ "$(temporaries)" != "$before" ]; then
  failures=$((failures + 1))
  echo "kbptool-driver: FAILED: kbpi32.dll's temporary files are left in $temporary:" >&2
  find "$temporary" -maxdepth 1 -iname 'kbp*.tmp' | sed 's/^/  /' >&2
fi

[ $failures -eq 0 ] || echo "kbptool-driver: $failures of the rows failed" >&2
[ $failures -eq 0 ]
