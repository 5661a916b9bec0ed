#!/usr/bin/env bash
# Starts the built program on a demo of its own, in a fresh working folder
# build/demo: the demo's applications (copied from demo/apps), data files
# made from demo/catalog.txt, a ".\QVN.INI" that names them and the stand-in
# environment tools/ide-sim as the command that starts the environment, the
# per-user profile, and the private folder of the conversations. It is the
# program's working folder, where it looks for ".\QVN.INI".
# The activity log starts with QVN_DEMO_LOG entries (60 unless set), as
# make runs over the demo's applications would have left them, so that it
# has something to browse and print.
# QVN_BUILD_DIR names another build folder than build.
set -euo pipefail
cd "$(dirname "$0")/.."
root="$(pwd)"
build="${QVN_BUILD_DIR:-build}"
[[ "$build" = /* ]] || build="$root/$build"
demo="$build/demo"

rm -rf "$demo"
mkdir -p "$demo/data"
mkdir -m 700 "$demo/dde"
cp -R "$root/demo/apps" "$demo/apps"
"$build/tools/demo-seed/demo-seed" --log "${QVN_DEMO_LOG:-60}" "$root/demo/catalog.txt" "$demo/apps" "$demo/data"
cat > "$demo/QVN.INI" <<INI
[Preserved]
NewLog=N
CL_Command="$build/tools/ide-sim/ide-sim" --log "$demo/ide-sim.log"
FilePath=$demo/data/
RetainTags=1
INI

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "demo: no display to open the window on; run it from a desktop session," >&2
  echo "      or under Xvfb: xvfb-run -a scripts/run.sh" >&2
  exit 1
fi

export QVN_PROFILE="$demo/profile.ini"
export QVN_DDE_DIR="$demo/dde"
cd "$demo"
exec "$build/src/app/qvn"
