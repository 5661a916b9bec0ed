#!/usr/bin/env bash
# Installs what is missing, builds everything and runs the whole test suite:
# first an optimised build (Release, benchmarks included), then the same
# tests in a Debug build under AddressSanitizer and UBSan. Warnings are
# errors in both.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DQVN_WARNINGS_AS_ERRORS=ON
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs" --timeout 300

if [ "${QVN_SKIP_SANITIZE:-0}" != 1 ]; then
  cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQVN_WARNINGS_AS_ERRORS=ON -DQVN_SANITIZE=ON -DQVN_BUILD_BENCH=OFF
  cmake --build build-asan -j "$jobs"
  ASAN_OPTIONS=detect_leaks=0 ctest --test-dir build-asan --output-on-failure -j "$jobs" --timeout 600
fi
