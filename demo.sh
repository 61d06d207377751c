#!/usr/bin/env bash
# Installs what is missing (on Debian 12), builds kbptool (native preset) and
# sends examples/sample.kbp to the simulated keyboard and back, verified.
set -euo pipefail
cd "$(dirname "$0")"

missing=0
for tool in cmake ninja g++; do command -v "$tool" >/dev/null 2>&1 || missing=1; done
[ -f /usr/include/CLI/CLI.hpp ] || missing=1
[ -f /usr/include/gtest/gtest.h ] && [ -f /usr/include/benchmark/benchmark.h ] || missing=1
if [ $missing -eq 1 ]; then
  echo "== installing cmake, ninja-build, g++, CLI11, GoogleTest, Google Benchmark"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends cmake ninja-build g++ make libcli11-dev \
    libgtest-dev libgmock-dev googletest libbenchmark-dev >/dev/null
fi

echo "== building kbptool"
cmake --preset native >/dev/null
cmake --build --preset native -j2 --target kbptool >/dev/null
echo "== kbptool --sim verify examples/sample.kbp"
build/native/bin/kbptool --sim verify examples/sample.kbp
