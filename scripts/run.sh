#!/usr/bin/env bash
# Installs what is missing, builds the program and starts it on the demo data folder.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQVN_BUILD_TESTS=OFF -DQVN_BUILD_BENCH=OFF
cmake --build build -j "$(nproc)"
exec scripts/demo.sh "$@"
