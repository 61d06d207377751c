#!/usr/bin/env bash
# Makes the releases into dist/, from the native, windows and windows64 builds
# (configured from the presets where they are not yet, else reused; only the
# targets a release holds are built):
#   kbp-VERSION-windows-x86.zip, kbp-VERSION-windows-x64.zip  the DLLs, kbptool.exe,
#       the headers, import libraries for MinGW and for Microsoft's linker, README.txt
#   libkbpi32-1_VERSION-1_ARCH.deb    libkbpi32.so.1, with its symbols file
#   libkbpi32-dev_VERSION-1_ARCH.deb  its headers, the .so link, pkg-config and CMake files
#   kbptool_VERSION-1_ARCH.deb        kbptool and kbptool-sim, their man pages, the bash
#       completion and the udev rule
#   SHA256SUMS
# Needs (Debian): llvm (llvm-dlltool), help2man, zip, dpkg-dev (dpkg-architecture,
# dpkg-shlibdeps, dpkg-gensymbols, dpkg-gencontrol).
set -euo pipefail
cd "$(dirname "$0")"
umask 022

for tool in cmake llvm-dlltool help2man zip dpkg-deb dpkg-architecture dpkg-shlibdeps dpkg-gensymbols dpkg-gencontrol gzip sha256sum; do
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

build native kbptool kbptool-sim kbpi32_linux kbptool_man kbptool_sim_man
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

# --- Debian packages: the library, its development files, kbptool ----------
# One install of the native build, split as Debian splits a library: each
# package's tree in debian/PACKAGE/, beside debian/control and changelog, as
# dpkg's tools expect them.
deb_arch=$(dpkg --print-architecture)
deb_version=$version-1
debian=$work/debian
DESTDIR=$PWD/$work/root cmake --install build/native --prefix /usr --strip >"$work/install.log"
mkdir -p "$debian"
cp packaging/linux/control.in "$debian/control"
packages=$(sed -n 's/^Package: //p' "$debian/control")
maintainer=$(sed -n 's/^Maintainer: //p' "$debian/control")
epoch=$(git log -1 --format=%ct 2>/dev/null || date +%s)
printf 'kbp (%s) stable; urgency=medium\n\n  * Release %s.\n\n -- %s  %s\n' \
  "$deb_version" "$version" "$maintainer" "$(date -R -u -d "@$epoch")" >"$debian/changelog"

take() {  # take PACKAGE PATH...: the installed PATHs (under usr/) into PACKAGE's tree
  local package=$1 path
  shift
  for path in "$@"; do
    [ -e "$work/root/$path" ] || [ -L "$work/root/$path" ] || { echo "release.sh: the install holds no $path" >&2; exit 1; }
    mkdir -p "$debian/$package/${path%/*}"
    mv "$work/root/$path" "$debian/$package/$path"
  done
}
take libkbpi32-1 usr/lib/libkbpi32.so.1 "usr/lib/libkbpi32.so.$version"
take libkbpi32-dev usr/include/kbpi32 usr/lib/libkbpi32.so usr/lib/pkgconfig/kbpi32.pc usr/lib/cmake/kbpi32
take kbptool usr/bin/kbptool usr/bin/kbptool-sim usr/share/man/man1 usr/share/bash-completion usr/lib/udev
left=$(find "$work/root" ! -type d)
[ -z "$left" ] || { echo "release.sh: installed, but in no package: ${left//$'\n'/ }" >&2; exit 1; }
# pkg-config looks for this architecture's files (its cross compilers too) in
# usr/lib/TRIPLET/pkgconfig; the file names the library's folder itself.
pkgconfig=$debian/libkbpi32-dev/usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH)/pkgconfig
mkdir -p "$pkgconfig"
mv "$debian/libkbpi32-dev/usr/lib/pkgconfig/kbpi32.pc" "$pkgconfig/"
rmdir "$debian/libkbpi32-dev/usr/lib/pkgconfig"
# As dh_strip leaves programs and libraries: without the .comment and .note sections too.
find "$debian" -type f \( -path '*/usr/bin/*' -o -name '*.so.*' \) \
  -exec "$(cached native CMAKE_STRIP)" --remove-section=.comment --remove-section=.note {} +

# The library's symbols: the names of kbpi32.def and the kbp_linux_* functions
# of kbpi32_linux.h, as kbpi32/linux/CMakeLists.txt exports them, in the
# version node of its version script; dpkg-gensymbols fails when the library
# exports other names. Programs built on it depend on this version or later.
library=$debian/libkbpi32-1
mkdir -p "$library/DEBIAN"
node=$(sed -n 's/^\([A-Za-z0-9_]*\) {$/\1/p' build/native/exports/kbpi32.map)
[ -n "$node" ] || { echo "release.sh: no version node in build/native/exports/kbpi32.map" >&2; exit 1; }
{
  echo "libkbpi32.so.1 libkbpi32-1 #MINVER#"
  echo "* Build-Depends-Package: libkbpi32-dev"
  { echo "$node"
    sed -n 's/^[[:space:]]\{1,\}\([A-Za-z_][A-Za-z0-9_]*\).*/\1/p' kbpi32/kbpi32.def
    sed -nE 's/^(int|void) (kbp_linux_[a-z_]+)\(.*/\2/p' include/kbpi32_linux.h
  } | LC_ALL=C sort | sed "s/.*/ &@$node $version/"
} >"$debian/libkbpi32-1.symbols"
(cd "$work" && dpkg-gensymbols -plibkbpi32-1 -Pdebian/libkbpi32-1 -v"$deb_version" -c4 \
  -Idebian/libkbpi32-1.symbols -Odebian/libkbpi32-1/DEBIAN/symbols) >"$work/symbols.log" 2>&1 ||
  { cat "$work/symbols.log" >&2; echo "release.sh: libkbpi32.so.1 exports other names than its symbols file" >&2; exit 1; }
echo "libkbpi32 1 libkbpi32-1 (>= $version)" >"$library/DEBIAN/shlibs"
# ldconfig once dpkg has unpacked it, for the dynamic linker's cache.
echo "activate-noawait ldconfig" >"$library/DEBIAN/triggers"

for package in $packages; do
  stage=$debian/$package
  doc=$stage/usr/share/doc/$package
  mkdir -p "$doc" "$stage/DEBIAN"
  cp packaging/linux/copyright "$doc/copyright"
  mkdir -p "$stage/usr/share/lintian/overrides"
  cp packaging/linux/lintian-overrides "$stage/usr/share/lintian/overrides/$package"
  gzip -9n <"$debian/changelog" >"$doc/changelog.Debian.gz"
  # The libraries its programs and libraries link, as dpkg-shlibdeps names their packages.
  mapfile -t linked < <(find "$stage/usr" -type f \( -perm -u+x -o -name '*.so*' \))
  : >"$debian/$package.substvars"
  if [ ${#linked[@]} -gt 0 ]; then
    (cd "$work" && dpkg-shlibdeps -T"debian/$package.substvars" "${linked[@]#"$work/"}") >"$work/shlibdeps.log" 2>&1 ||
      { cat "$work/shlibdeps.log" >&2; echo "release.sh: dpkg-shlibdeps failed on $package" >&2; exit 1; }
  fi
  (cd "$stage" && find usr -type f -print0 | sort -z | xargs -0 md5sum) >"$stage/DEBIAN/md5sums"
  (cd "$work" && dpkg-gencontrol -p"$package" -P"debian/$package" -T"debian/$package.substvars" -fdebian/files) ||
    { echo "release.sh: dpkg-gencontrol failed on $package" >&2; exit 1; }
  dpkg-deb --build --root-owner-group "$stage" "dist/${package}_${deb_version}_${deb_arch}.deb" >/dev/null
done

(cd dist && sha256sum -- *.zip *.deb >SHA256SUMS)
echo "== dist/:"
ls -l dist | sed -n '2,$p'
