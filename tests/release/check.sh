#!/usr/bin/env bash
# Checks what release.sh put into dist/: the Windows zips' files, their
# binaries' architecture and imports, the import libraries' names; the three
# .debs' fields and files, the library's symbols file, the hardening, the udev
# rule, the bash completion, lintian where it is installed; as root also the
# .debs installed: the tool and its man pages, a C program built with pkg-config
# that downloads to the pty keyboard, a CMake program on find_package(kbpi32),
# and the removal.
# Ends with one line: "N passed, N failed" (", N skipped" when not root).
set -uo pipefail
cd "$(dirname "$0")/../.." || exit 1
root=$PWD
passed=0 failed=0 skipped=0
work=$(mktemp -d)
keyboard=
cleanup() {
  [ -n "$keyboard" ] && kill -TERM "$keyboard" 2>/dev/null && wait "$keyboard" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

check() {  # check NAME COMMAND...: one check, passed when COMMAND succeeds
  local name=$1 out
  shift
  if out=$("$@" 2>&1); then
    passed=$((passed + 1))
    echo "ok   $name"
  else
    failed=$((failed + 1))
    echo "FAIL $name"
    sed 's/^/     /' <<<"$out" | tail -n 30
  fi
}
cached() { sed -n "s/^$2:[A-Z]*=//p" "build/$1/CMakeCache.txt"; }  # cached PRESET VARIABLE
same() {  # same WHAT EXPECTED ACTUAL
  [ "$2" = "$3" ] && return
  echo "$1 differ:"
  diff <(printf '%s\n' "$2") <(printf '%s\n' "$3")
  return 1
}
version=$(cached native CMAKE_PROJECT_VERSION)

# --- the Windows zips --------------------------------------------------------
# The names a .def exports: "name@size" as the 32-bit callers link against them.
def_names() { sed -n 's/^[[:space:]]\{1,\}\([A-Za-z_][A-Za-z0-9_@]*\).*/\1/p' "$1"; }

zip_files() {  # zip_files NAME
  local expected
  expected=$(printf "$1/%s\n" README.txt bin/kbpi32.dll bin/kbpusb.dll bin/kbptool.exe include/kbp_protocol.h \
    include/kbpi32.h include/kbpusb.h lib/kbpi32.dll.a lib/kbpi32.lib lib/kbpusb.dll.a lib/kbpusb.lib | sort)
  unzip -q "dist/$1.zip" -d "$work"
  same "files" "$expected" "$(unzip -Z1 "dist/$1.zip" | grep -v '/$' | sort)"
}

binaries() {  # binaries FOLDER MACHINE OBJDUMP: each binary's machine, only system DLLs imported
  local folder=$1 machine=$2 objdump=$3 allowed file problems=0
  allowed=$root/tests/dll/xp_imports.txt
  [ "$machine" = 0x8664 ] && allowed="$allowed;$root/tests/dll/xp_x64_imports.txt"
  for file in "$folder"/bin/*; do
    grep -Eiq "^ *Machine: .*\($machine\)" <<<"$(llvm-readobj --file-headers "$file")" ||
      { echo "$file: not machine $machine"; problems=1; }
  done
  for file in "$folder"/bin/*.dll; do
    cmake -DDLL="$file" -DOBJDUMP="$objdump" -DALLOWED="$allowed" -P tests/dll/check_imports.cmake || problems=1
  done
  # kbptool.exe finds kbpi32.dll at run time; it imports Windows' own DLLs only.
  local dlls
  dlls=$("$objdump" -p "$folder/bin/kbptool.exe" | sed -n 's/^\tDLL Name: //p' | tr '[:upper:]' '[:lower:]' |
    grep -Evx 'hid.dll|kernel32.dll|msvcrt.dll|setupapi.dll|shell32.dll|user32.dll|version.dll')
  [ -z "$dlls" ] || { echo "kbptool.exe imports $dlls"; problems=1; }
  return $problems
}

import_libraries() {  # import_libraries FOLDER ARCH: each .lib names every export, for the loader's plain name
  local folder=$1 arch=$2 lib expected symbols types problems=0
  for lib in kbpi32 kbpusb; do
    if [ "$arch" = x86 ]; then
      expected=$(def_names "$lib/$lib.def" | sed 's/^/__imp__/' | sort)
      types=undecorate
    else
      expected=$(def_names "$lib/$lib.def" | sed 's/^/__imp_/; s/@[0-9]*$//' | sort)
      types=name
    fi
    symbols=$(llvm-nm "$folder/lib/$lib.lib" | sed -n 's/^.* T \(__imp_.*\)$/\1/p' | sort)
    same "$lib.lib's symbols" "$expected" "$symbols" || problems=1
    # The import name type: which name the loader looks up in the DLL.
    types=$(llvm-readobj "$folder/lib/$lib.lib" | sed -n 's/^Name type: //p' | sort -u)
    same "$lib.lib's name types" "$([ "$arch" = x86 ] && echo undecorate || echo name)" "$types" || problems=1
  done
  return $problems
}

# A caller linked by MinGW's linker against the .lib files imports the plain export names.
linked_caller() {  # linked_caller FOLDER OBJDUMP
  local folder=$1 objdump=$2 compiler=${2%objdump}gcc
  printf '%s\n' '#include "kbpi32.h"' '#include "kbpusb.h"' \
    'int main(void) { char s[64] = "USB"; return kbp_download("x.kbp", s, 0) + snddata_USB(0); }' >"$work/caller.c"
  "$compiler" -I"$folder/include" "$work/caller.c" "$folder/lib/kbpi32.lib" "$folder/lib/kbpusb.lib" \
    -o "$work/caller.exe" || return 1
  local imports
  imports=$("$objdump" -p "$work/caller.exe")
  if ! grep -Eq $'^\t[0-9a-f]+\t +[0-9]+ +kbp_download$' <<<"$imports" ||
     ! grep -Eq $'^\t[0-9a-f]+\t +[0-9]+ +snddata_USB$' <<<"$imports"; then
    grep -E 'kbp_download|snddata' <<<"$imports"
    return 1
  fi
}

for row in "windows x86 0x14C" "windows64 x64 0x8664"; do
  read -r preset arch machine <<<"$row"
  name=kbp-$version-windows-$arch
  objdump=$(cached "$preset" CMAKE_OBJDUMP)
  check "$name.zip holds exactly the release's files under $name/" zip_files "$name"
  check "$name: binaries of machine $machine importing only system DLLs" binaries "$work/$name" "$machine" "$objdump"
  check "$name: .lib files name every export of the .def files" import_libraries "$work/$name" "$arch"
  check "$name: a caller linked with the .lib files imports kbp_download and snddata_USB" linked_caller "$work/$name" "$objdump"
done

# --- the .debs -----------------------------------------------------------------
deb_version=$version-1
deb_arch=$(dpkg --print-architecture)
packages=(libkbpi32-1 libkbpi32-dev kbptool)
deb() { echo "dist/$1_${deb_version}_$deb_arch.deb"; }
tree=$work/tree  # the three unpacked
for package in "${packages[@]}"; do dpkg-deb -x "$(deb "$package")" "$tree" 2>/dev/null; done

deb_fields() {  # deb_fields PACKAGE SECTION DEPENDS-PATTERN
  local info
  info=$(dpkg-deb --field "$(deb "$1")") || return 1
  echo "$info"
  grep -qx "Package: $1" <<<"$info" && grep -qx "Version: $deb_version" <<<"$info" &&
    grep -qx "Architecture: $deb_arch" <<<"$info" && grep -q '^Maintainer: ' <<<"$info" &&
    grep -qx "Section: $2" <<<"$info" && grep -qx 'Priority: optional' <<<"$info" &&
    grep -q '^Description: ' <<<"$info" && grep -Eqx "Depends: $3" <<<"$info"
}
check "libkbpi32-1's control fields" deb_fields libkbpi32-1 libs '.*libc6.*'
check "libkbpi32-dev's control fields: it depends on libkbpi32-1 of its version" \
  deb_fields libkbpi32-dev libdevel "libkbpi32-1 \\(= ${deb_version//./\\.}\\)"
check "kbptool's control fields: it depends on libkbpi32-1 as dpkg-shlibdeps names it" \
  deb_fields kbptool utils ".*libkbpi32-1 \\(>= ${version//./\\.}\\).*"

deb_files() {  # deb_files PACKAGE PATTERN...: its files match the PATTERNs, each PATTERN a file, all root's
  local package=$1 listing files pattern file problems=0
  shift
  local patterns=("$@" "usr/share/doc/$package/(copyright|changelog\\.Debian\\.gz)" "usr/share/lintian/overrides/$package")
  listing=$(dpkg-deb --contents "$(deb "$package")") || return 1
  files=$(awk '$1 !~ /^d/ { print $6 }' <<<"$listing" | sed 's|^\./||')
  for pattern in "${patterns[@]}"; do
    grep -Eqx "$pattern" <<<"$files" || { echo "no file matches $pattern"; problems=1; }
  done
  while IFS= read -r file; do
    for pattern in "${patterns[@]}"; do [[ $file =~ ^($pattern)$ ]] && continue 2; done
    echo "unexpected: $file"
    problems=1
  done <<<"$files"
  awk '$2 != "root/root" { print "not root/root:", $0; bad = 1 } END { exit bad }' <<<"$listing" || problems=1
  return $problems
}
check "libkbpi32-1 holds the library and its link of the soname" \
  deb_files libkbpi32-1 'usr/lib/libkbpi32\.so\.1' "usr/lib/libkbpi32\\.so\\.${version//./\\.}"
check "libkbpi32-dev holds the headers, the .so link, pkg-config and CMake files" \
  deb_files libkbpi32-dev 'usr/include/kbpi32/(kbpi32|kbpi32_linux|kbp_protocol)\.h' 'usr/lib/libkbpi32\.so' \
  "usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH)/pkgconfig/kbpi32\\.pc" 'usr/lib/cmake/kbpi32/kbpi32Config(Version|-[a-z]+)?\.cmake'
check "kbptool holds the programs, their man pages, the completion and the udev rule" \
  deb_files kbptool usr/bin/kbptool usr/bin/kbptool-sim 'usr/share/man/man1/kbptool\.1\.gz' \
  'usr/share/man/man1/kbptool-sim\.1\.gz' usr/share/bash-completion/completions/kbptool 'usr/lib/udev/rules\.d/60-kbpi32\.rules'

library_control() {  # the symbols file names what the library exports; shlibs, the ldconfig trigger
  local control=$work/control exported listed
  dpkg-deb --control "$(deb libkbpi32-1)" "$control" || return 1
  exported=$(nm -D --defined-only "$tree/usr/lib/libkbpi32.so.1" |
    awk '{ name = $3; sub(/@@/, "@", name); if (name !~ /@/) name = name "@" name; print name }' | sort)
  listed=$(sed -n 's/^ \([^ ]*\) .*/\1/p' "$control/symbols" | sort)
  same "the exports and the symbols file's names" "$exported" "$listed" &&
    grep -qx 'libkbpi32.so.1 libkbpi32-1 #MINVER#' "$control/symbols" &&
    grep -qx "libkbpi32 1 libkbpi32-1 (>= $version)" "$control/shlibs" &&
    grep -qx 'activate-noawait ldconfig' "$control/triggers"
}
check "libkbpi32-1: a symbols file of exactly its exports, shlibs, the ldconfig trigger" library_control

hardened() {  # the programs and the library: relro, bound now, fortified calls, stack protector; programs PIE
  local file elf problems=0
  for file in "$tree"/usr/bin/kbptool "$tree"/usr/bin/kbptool-sim "$tree/usr/lib/libkbpi32.so.1"; do
    elf=$(readelf -W --dynamic --program-headers --dyn-syms "$file") || return 1
    grep -q GNU_RELRO <<<"$elf" || { echo "$file: no relro"; problems=1; }
    grep -Eq '\(FLAGS(_1)?\) .*\b(BIND_NOW|NOW)\b' <<<"$elf" || { echo "$file: not bound now"; problems=1; }
    grep -Eq ' UND __[a-z_]+_chk(@|$)' <<<"$elf" || { echo "$file: no fortified call"; problems=1; }
    grep -q ' UND __stack_chk_fail' <<<"$elf" || { echo "$file: no stack protector"; problems=1; }
    [[ $file == */bin/* ]] && ! grep -Eq '\(FLAGS_1\) .*\bPIE\b' <<<"$elf" && { echo "$file: not PIE"; problems=1; }
  done
  return $problems
}
check "the programs and the library are hardened" hardened

udev_rule() {  # the keyboard's vendor 053A, as udev spells it
  local rule
  rule=$(cat "$tree/usr/lib/udev/rules.d/60-kbpi32.rules") || return 1
  echo "$rule"
  grep -q '^SUBSYSTEM=="hidraw", ATTRS{idVendor}=="053a", MODE="0660", GROUP="plugdev"$' <<<"$rule" &&
    grep -q '^SUBSYSTEM=="input", KERNEL=="event\*", ATTRS{idVendor}=="053a", MODE="0660", GROUP="plugdev"$' <<<"$rule"
}
check "the udev rule names vendor 053a for hidraw and input" udev_rule

# The completion of the unpacked packages, in a device folder of a test's own
# (KBPTOOL_DEV_ROOT): the answers to the last word, as bash would offer them.
dev=$work/dev
mkdir -p "$dev/input" && touch "$dev"/{ttyUSB0,ttyACM1,ttyS0,ttyS10,ttyS,tty5,ttyAMA0,hidraw0,hidraw3,input/event2,input/mouse0}
touch "$work/record.jsonl"
completions() {  # completions WORD...
  KBPTOOL_DEV_ROOT=$dev LD_LIBRARY_PATH=$tree/usr/lib bash -c 'source "$0"
    COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); COMP_LINE="$*"; COMP_POINT=${#COMP_LINE}
    _kbptool kbptool "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD-1]}"
    printf "%s\n" "${COMPREPLY[@]}"' "$tree/usr/share/bash-completion/completions/kbptool" "$tree/usr/bin/kbptool" "$@" |
    LC_ALL=C sort
}
completes() {  # completes WORD... -- EXPECTED...: exactly the EXPECTED answers
  local words=() answers
  while [ "$1" != -- ]; do words+=("$1"); shift; done
  shift
  answers=$(completions "${words[@]}")
  same "the answers to 'kbptool ${words[*]}'" "$(printf '%s\n' "$@" | LC_ALL=C sort)" "$answers"
}
completion() {
  completes dow -- download && completes download --a -- --all && completes upload --lo -- --log &&
    completes download --port '' -- USB "$dev"/{ttyUSB0,ttyACM1,ttyS0,ttyS10} &&
    completes detect --device '' -- "$dev"/{hidraw0,hidraw3} &&
    completes upload --input '' -- "$dev/input/event2" &&
    completes send --interface '' -- auto ports class portdriver usb &&
    completes verify --log "$work/rec" -- "$work/record.jsonl" &&
    completes download examples/sam -- examples/sample.kbp
}
check "bash completion: commands, options, --port, --device, --input, --interface, --log values, image files" completion

# lintian, where it is installed: no error or warning but the one for the
# copyright file, which states no license yet; not the hardening tags either.
lintian_tags() {
  local out tags
  out=$(lintian --display-info --tag-display-limit 0 "${debs[@]}" 2>&1)
  echo "$out"
  tags=$(grep -E '^[EW]: |^I: [^ ]+: hardening-' <<<"$out" | grep -Ev '^W: [^ ]+: copyright-without-copyright-notice( |$)')
  [ -z "$tags" ] || { echo "not accepted:"; echo "$tags"; return 1; }
}
debs=()
for package in "${packages[@]}"; do debs+=("$(deb "$package")"); done
if command -v lintian >/dev/null; then
  check "lintian on the three packages: only the copyright file's warning" lintian_tags
else
  skipped=$((skipped + 1))
  echo "skip lintian: not installed (apt-get install lintian)"
fi

sums() {  # SHA256SUMS covers every other file of dist/, and each sum holds
  same "the files summed" "$(ls dist | grep -vx SHA256SUMS)" "$(sed 's/^[0-9a-f]*  //' dist/SHA256SUMS | sort)" &&
    (cd dist && sha256sum --quiet -c SHA256SUMS)
}
check "SHA256SUMS sums every file of dist/" sums

# --- the .debs installed (root only) ----------------------------------------------
installed_checks=6
if [ "$(id -u)" -ne 0 ]; then
  skipped=$((skipped + installed_checks))
  echo "skip the .debs installed: not root"
elif dpkg -s "${packages[@]}" 2>/dev/null | grep -q '^Status: install'; then
  skipped=$((skipped + installed_checks))
  echo "skip the .debs installed: one of them is installed already and stays as it is"
else
  check "dpkg -i installs the three .debs" dpkg -i "${debs[@]}"
  installed=$(for package in "${packages[@]}"; do dpkg -L "$package" 2>/dev/null; done |
    while IFS= read -r f; do [ -d "$f" ] || echo "$f"; done)
  tool_answers() {
    local out tool
    out=$(/usr/bin/kbptool --version) && echo "$out" && grep -q "kbptool $version;" <<<"$out" || return 1
    # Slim Debian images keep dpkg from unpacking man pages at all.
    grep -qs '^path-exclude[= ]*/usr/share/man/' /etc/dpkg/dpkg.cfg /etc/dpkg/dpkg.cfg.d/* && return
    for tool in kbptool kbptool-sim; do
      [ "$(man -w $tool)" = /usr/share/man/man1/$tool.1.gz ] && grep -q download <<<"$(man -P cat $tool)" ||
        { echo "man $tool"; return 1; }
    done
  }
  check "kbptool --version, man kbptool and man kbptool-sim" tool_answers

  # A program on the library: COM1 is the pty keyboard's line, the image goes in.
  cat >"$work/download.c" <<'EOF'
#include <kbpi32_linux.h>
#include <stdio.h>

static int calls;
static void progress(int percent) { (void)percent; ++calls; }

int main(int argc, char **argv) {
    char status[256];
    int com;
    if (argc != 3) return 2;
    com = kbp_linux_map_com_port(argv[1]);
    snprintf(status, sizeof status, "COM%d:9600,N,8,1", com);
    int result = kbp_download(argv[2], status, progress);
    printf("%d %s (%d progress calls)\n", result, status, calls);
    return result > 0 && calls > 0 ? 0 : 1;
}
EOF
  pkg_config_program() {
    # shellcheck disable=SC2046  # pkg-config's words
    cc "$work/download.c" -o "$work/download" $(pkg-config --cflags --libs kbpi32) || return 1
    build/native/bin/kbdsim_pty 9600,N,8,1 --memory "$work/memory" --max-seconds 120 >"$work/pty" &
    keyboard=$!
    for _ in $(seq 50); do [ -s "$work/pty" ] && break; sleep 0.1; done
    local pty size
    pty=$(head -n 1 "$work/pty")
    [ -c "$pty" ] || { echo "the pty keyboard did not start"; return 1; }
    size=$(stat -c %s examples/sample.kbp)
    "$work/download" "$pty" examples/sample.kbp | tee "$work/result" || return 1
    grep -q "^$size " "$work/result" || return 1
    kill -TERM "$keyboard" && wait "$keyboard"
    keyboard=
    # The keyboard's memory holds the image from address 4 on, as the file from offset 4.
    cmp <(tail -c +5 examples/sample.kbp) <(head -c "$size" "$work/memory" | tail -c +5)
  }
  check "a C program built with pkg-config's kbpi32 downloads sample.kbp to the pty keyboard" pkg_config_program
  cmake_consumer() {
    mkdir -p "$work/consumer"
    cp "$work/download.c" "$work/consumer/"
    printf '%s\n' 'cmake_minimum_required(VERSION 3.20)' 'project(consumer C)' 'find_package(kbpi32 REQUIRED)' \
      'add_executable(download download.c)' 'target_link_libraries(download PRIVATE kbpi32::kbpi32)' \
      >"$work/consumer/CMakeLists.txt"
    cmake -S "$work/consumer" -B "$work/consumer/build" -G Ninja && cmake --build "$work/consumer/build" &&
      grep -Eq 'libkbpi32\.so\.1 => (/usr)?/lib/libkbpi32\.so\.1 ' <<<"$(ldd "$work/consumer/build/download")"
  }
  check "a CMake program on find_package(kbpi32) builds against libkbpi32.so.1" cmake_consumer
  check "dpkg -r removes the three packages" dpkg -r kbptool libkbpi32-dev libkbpi32-1
  nothing_left() {
    local file left=0
    [ -n "$installed" ] || { echo "dpkg -L listed nothing"; return 1; }
    while IFS= read -r file; do
      if [ -e "$file" ] || [ -L "$file" ]; then echo "left: $file"; left=1; fi
    done <<<"$installed"
    return $left
  }
  check "no file the packages installed remains" nothing_left
fi

if [ $skipped -gt 0 ]; then
  echo "$passed passed, $failed failed, $skipped skipped"
else
  echo "$passed passed, $failed failed"
fi
[ $failed -eq 0 ]
