#!/usr/bin/env bash
# Makes the releases into dist/, from the native, windows and windows64 builds
# (configured from the presets where they are not yet, else reused; only the
# targets a release holds are built):
#   kbp-VERSION-windows-x86.zip, kbp-VERSION-windows-x64.zip  the DLLs, kbptool.exe,
#       the headers, import libraries for MinGW and for Microsoft's linker, README.txt
#   kbptool_VERSION_ARCH.deb  kbptool, libkbpi32 with its headers, pkg-config and
#       CMake files, the udev rule, man page and bash completion
#   SHA256SUMS
# Needs (Debian): llvm (llvm-dlltool), help2man, zip, dpkg-dev (dpkg-shlibdeps).
set -euo pipefail
cd "$(dirname "$0")"
umask 022

for tool in cmake llvm-dlltool help2man zip dpkg-deb dpkg-shlibdeps gzip sha256sum; do
  command -v "$tool" >/dev/null || { echo "release.sh: $tool is missing (apt-get install llvm help2man zip dpkg-dev)" >&2; exit 1; }
done

work=build/release
rm -rf dist "$work"
mkdir -p dist "$work"

build() {  # build PRESET TARGET...
  local preset=$1 log=$work/build-$1.log
  shift
  echo "== $preset: building $*"
  if ! { [ -f "build/$preset/CMakeCache.txt" ] || cmake --preset "$preset"; } >"$log" 2>&1 ||
     ! cmake --build --preset "$preset" -j2 --target "$@" >>"$log" 2>&1; then
    tail -n 40 "$log" >&2
    echo "release.sh: the $preset build failed" >&2
    exit 1
  fi
}
cached() { sed -n "s/^$2:[A-Z]*=//p" "build/$1/CMakeCache.txt"; }  # cached PRESET VARIABLE

build native kbptool kbptool-sim kbpi32_linux kbptool_man
version=$(cached native CMAKE_PROJECT_VERSION)
[ -n "$version" ] || { echo "release.sh: no project version in build/native/CMakeCache.txt" >&2; exit 1; }

# --- Windows: one zip per architecture ---------------------------------------
windows_zip() {  # windows_zip PRESET ARCH LLVM-MACHINE OTHER-ARCH
  local preset=$1 arch=$2 machine=$3 other=$4 dir=build/$1
  build "$preset" kbpi32 kbpusb kbptool
  local name=kbp-$version-windows-$arch
  local stage=$work/$name
  mkdir -p "$stage/bin" "$stage/include" "$stage/lib"
  cp "$dir/bin/kbpi32.dll" "$dir/bin/kbpusb.dll" "$stage/bin/"
  "$(cached "$preset" CMAKE_STRIP)" -o "$stage/bin/kbptool.exe" "$dir/bin/kbptool.exe"
  cp include/kbpi32.h include/kbpusb.h include/kbp_protocol.h "$stage/include/"
  # The MinGW import libraries the builds make with dlltool, each in its library's build folder.
  cp "$dir/libkbpi32.dll.a" "$stage/lib/kbpi32.dll.a"
  cp "$dir/kbpusb/libkbpusb.dll.a" "$stage/lib/kbpusb.dll.a"
  local lib def kill=()
  for lib in kbpi32 kbpusb; do
    # The .def the DLL was linked with. On x86 its names carry the argument
    # sizes the callers link against, which -k has the loader drop (import name
    # type "undecorate"); x64 builds a copy with the sizes taken off.
    if [ "$arch" = x86 ]; then def=$lib/$lib.def kill=(-k); else def=$dir/exports/$lib.def kill=(); fi
    llvm-dlltool -m "$machine" "${kill[@]}" -d "$def" -D "$lib.dll" -l "$stage/lib/$lib.lib"
  done
  sed -e "/^\[$other\] /d" -e "s/^\[$arch\] //" -e "s/@VERSION@/$version/g" -e "s/@ARCH@/$arch/g" -e 's/$/\r/' \
    packaging/windows/README.txt.in >"$stage/README.txt"
  (cd "$work" && zip -qrX "$OLDPWD/dist/$name.zip" "$name")
}
windows_zip windows x86 i386 x64
windows_zip windows64 x64 i386:x86-64 x86

# --- Debian package of kbptool ----------------------------------------------
deb_arch=$(dpkg --print-architecture)
stage=$work/deb
DESTDIR=$PWD/$stage cmake --install build/native --prefix /usr --strip >"$work/install.log"
doc=$stage/usr/share/doc/kbptool
mkdir -p "$doc" "$stage/DEBIAN"
cp packaging/linux/copyright "$doc/copyright"
control=$(sed -e "s/@VERSION@/$version/" -e "s/@ARCH@/$deb_arch/" packaging/linux/control.in)
maintainer=$(sed -n 's/^Maintainer: //p' <<<"$control")
epoch=$(git log -1 --format=%ct 2>/dev/null || date +%s)
printf 'kbptool (%s) stable; urgency=medium\n\n  * Release %s.\n\n -- %s  %s\n' \
  "$version" "$version" "$maintainer" "$(date -R -u -d "@$epoch")" | gzip -9n >"$doc/changelog.gz"
# The libraries the programs link, as dpkg-shlibdeps names their packages.
mkdir -p "$work/debian"
printf 'Source: kbptool\n\nPackage: kbptool\nArchitecture: any\n' >"$work/debian/control"
programs=$(find "$PWD/$stage/usr" -type f -perm -u+x -o -type f -name '*.so*')
# shellcheck disable=SC2086  # one word per file
depends=$(cd "$work" && dpkg-shlibdeps -O -xkbptool $programs 2>/dev/null | sed -n 's/^shlibs:Depends=//p')
[ -n "$depends" ] || { echo "release.sh: dpkg-shlibdeps named no dependencies" >&2; exit 1; }
{
  sed -n '/^Description:/q;p' <<<"$control"
  printf 'Installed-Size: %s\nDepends: %s\n' "$(du -sk --exclude=DEBIAN "$stage" | cut -f1)" "$depends"
  sed -n '/^Description:/,$p' <<<"$control"
} >"$stage/DEBIAN/control"
# The libraries are new to the dynamic linker's cache; programs other packages
# build against them depend on this package.
echo "activate-noawait ldconfig" >"$stage/DEBIAN/triggers"
find "$stage" -type f -name '*.so.*' | while IFS= read -r library; do
  soname=$(objdump -p "$library" | sed -n 's/^ *SONAME *//p')
  echo "${soname%.so.*} ${soname##*.so.} kbptool (>= $version)"
done >"$stage/DEBIAN/shlibs"
(cd "$stage" && find usr -type f -print0 | sort -z | xargs -0 md5sum) >"$stage/DEBIAN/md5sums"
dpkg-deb --build --root-owner-group "$stage" "dist/kbptool_${version}_${deb_arch}.deb" >/dev/null

(cd dist && sha256sum -- *.zip *.deb >SHA256SUMS)
echo "== dist/:"
ls -l dist | sed -n '2,$p'
