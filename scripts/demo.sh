#!/usr/bin/env bash
# Starts the built program on a demo folder of its own, build/demo: its
# per-user profile lies there, and it is the working folder, where the
# program looks for ".\QVN.INI" and its data files.
set -euo pipefail
cd "$(dirname "$0")/.."
root="$(pwd)"
demo="$root/build/demo"
mkdir -p "$demo"
export QVN_PROFILE="$demo/profile.ini"
cd "$demo"
exec "$root/build/src/app/qvn"
