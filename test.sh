#!/usr/bin/env bash
# Installs what is missing (on Debian 12), builds the native, sanitizer, fuzz
# and 32-bit and 64-bit Windows variants, and runs the test layers: the native
# suites and the fuzz corpora on the simulated PC (plain and under ASan/UBSan),
# a short libFuzzer run of every fuzz target, the DLL checks and the real DLLs
# under Wine of their architecture; then release.sh makes the releases from
# those builds and tests/release/check.sh checks them.
# Ends with one line: "N passed, N failed" (", N skipped" where a layer cannot run here).
set -uo pipefail
cd "$(dirname "$0")"

need_install=0
for tool in cmake ninja g++ clang++ i686-w64-mingw32-g++ x86_64-w64-mingw32-g++ wine \
  llvm-dlltool llvm-readobj help2man pkg-config zip unzip man dpkg-shlibdeps lintian; do
  command -v "$tool" >/dev/null 2>&1 || need_install=1
done
[ -f /usr/include/gtest/gtest.h ] && [ -d /usr/src/googletest ] || need_install=1
[ -f /usr/include/benchmark/benchmark.h ] || need_install=1
[ -f /usr/include/CLI/CLI.hpp ] || need_install=1
dpkg -s wine32:i386 >/dev/null 2>&1 || need_install=1
[ -x /usr/lib/wine/wine64 ] || need_install=1
dpkg -s libclang-rt-dev >/dev/null 2>&1 || need_install=1
# FUSE, for the USB keyboards the Linux tool's tests run on.
dpkg -s libfuse3-dev fuse3 >/dev/null 2>&1 || need_install=1
# Debian's own, not another Python's on the PATH.
[ -x /usr/bin/pytest-3 ] && [ -x /usr/bin/pip3 ] || need_install=1
# 32-bit Wine comes last and on its own: where its i386 packages cannot be
# had (a mirror part way through a sync leaves them at other versions than
# the amd64 ones), the 32-bit DLLs are still built and their Wine tests
# counted as skipped; everything else must install.
apt_install() { apt-get install -y -qq --no-install-recommends "$@" >/dev/null; }
if [ $need_install -eq 1 ]; then
  echo "== installing build tools, GoogleTest, Google Benchmark, CLI11, clang with libFuzzer, MinGW-w64, Wine (32- and 64-bit),"
  echo "   the release tools (LLVM, help2man, pkg-config, zip, man-db, dpkg-dev), pytest and FUSE 3"
  export DEBIAN_FRONTEND=noninteractive
  dpkg --add-architecture i386
  installed=0
  for attempt in 1 2 3; do
    [ $attempt -eq 1 ] || sleep 20
    apt-get update -qq >/dev/null 2>&1
    if apt_install cmake ninja-build g++ make libgtest-dev libgmock-dev googletest libbenchmark-dev libcli11-dev \
      clang libclang-rt-dev g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine wine64 \
      llvm help2man pkg-config zip unzip man-db dpkg-dev lintian python3-pytest python3-pip libfuse3-dev fuse3; then
      installed=1
      break
    fi
  done
  [ $installed -eq 1 ] || { echo "install failed"; exit 1; }
  dpkg -s wine32:i386 >/dev/null 2>&1 || apt_install wine32:i386 2>/dev/null ||
    echo "== 32-bit Wine (wine32:i386) could not be installed from the package mirror"
fi

passed=0
failed=0
skipped=0
status=0

# Wine runs the 32-bit DLLs only where the kernel executes 32-bit programs;
# 64-bit Wine runs on every x86-64 kernel. Where an architecture cannot run,
# its DLLs are still built and its Wine tests counted as skipped, not as passed.
wine_runs() { timeout 60 "$1" --version >/dev/null 2>&1; }

# The fuzz preset needs clang with its libFuzzer and sanitizer runtimes.
fuzzer_builds() {
  local dir ok=1
  dir=$(mktemp -d)
  printf 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }\n' >"$dir/probe.cpp"
  clang++ -fsanitize=fuzzer,address,undefined "$dir/probe.cpp" -o "$dir/probe" >/dev/null 2>&1 || ok=0
  rm -rf "$dir"
  [ $ok -eq 1 ]
}

run_suite() {  # run_suite PRESET CTEST_PARALLEL [build-only WHY]
  local preset=$1 jobs=$2 mode=${3:-} why=${4:-} log
  echo "== $preset: configure and build"
  log=$(mktemp)
  if ! cmake --preset "$preset" >"$log" 2>&1 || ! cmake --build --preset "$preset" -j2 >>"$log" 2>&1; then
    tail -n 60 "$log"
    rm -f "$log"
    echo "== $preset: build FAILED"
    failed=$((failed + 1))
    status=1
    return
  fi
  rm -f "$log"
  local select=()
  if [ "$mode" = build-only ]; then
    local count
    count=$(ctest --preset "$preset" -N -L wine 2>/dev/null | sed -nE 's/^Total Tests: ([0-9]+)/\1/p')
    skipped=$((skipped + ${count:-0}))
    echo "== $preset: built; $why, so its ${count:-0} Wine tests are skipped"
    select=(-LE wine)
  fi
  echo "== $preset: tests"
  log=$(mktemp)
  ctest --preset "$preset" -j "$jobs" "${select[@]}" 2>&1 | tee "$log" | grep -E '(\*\*\*|tests passed)' || true
  local line total bad
  line=$(grep -E '[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1)
  if [ -z "$line" ]; then
    echo "== $preset: ctest ran nothing"
    failed=$((failed + 1))
    status=1
  else
    total=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$line")
    bad=$(sed -E 's/.* ([0-9]+) tests? failed.*/\1/' <<<"$line")
    passed=$((passed + total - bad))
    failed=$((failed + bad))
    [ "$bad" -eq 0 ] || status=1
  fi
  rm -f "$log"
}

run_suite native 2
run_suite native-sanitize 2
if fuzzer_builds; then
  run_suite fuzz 2
else
  count=$(ls tests/fuzz/*_fuzz.cpp | wc -l)
  skipped=$((skipped + count))
  echo "== fuzz: clang's libFuzzer runtime is missing, so its $count fuzz tests are skipped"
fi
if wine_runs /usr/lib/wine/wine; then
  run_suite windows 4
elif [ ! -x /usr/lib/wine/wine ]; then
  run_suite windows 4 build-only "32-bit Wine is not installed"
else
  run_suite windows 4 build-only "this machine cannot run 32-bit programs"
fi
if wine_runs /usr/lib/wine/wine64; then
  run_suite windows64 4
else
  run_suite windows64 4 build-only "64-bit Wine does not start here"
fi

# The releases, made from the builds above; each check counts as a test.
run_release() {
  local log line counts
  echo "== release: ./release.sh"
  log=$(mktemp)
  if ! ./release.sh >"$log" 2>&1; then
    tail -n 40 "$log"
    rm -f "$log"
    echo "== release: release.sh FAILED"
    failed=$((failed + 1))
    status=1
    return
  fi
  sed -n '/^== dist/,$p' "$log"
  echo "== release: checks"
  tests/release/check.sh 2>&1 | tee "$log" | grep -v '^ok ' || true
  line=$(grep -E '^[0-9]+ passed, [0-9]+ failed' "$log" | tail -n 1)
  rm -f "$log"
  if [ -z "$line" ]; then
    echo "== release: the checks ended without their count"
    failed=$((failed + 1))
    status=1
    return
  fi
  read -r -a counts <<<"$(sed -E 's/([0-9]+) passed, ([0-9]+) failed(, ([0-9]+) skipped)?/\1 \2 \3/' <<<"$line")"
  passed=$((passed + counts[0]))
  failed=$((failed + counts[1]))
  skipped=$((skipped + ${counts[2]:-0}))
  [ "${counts[1]}" -eq 0 ] || status=1
}
run_release

if [ $skipped -gt 0 ]; then
  echo "$passed passed, $failed failed, $skipped skipped"
else
  echo "$passed passed, $failed failed"
fi
exit $status
