#!/usr/bin/env bash
# Builds Pelorin and runs the whole test suite headless. Installs what is missing first.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/deps.sh" test
"$top/scripts/build.sh"

# Playback tests need a sound server; run a private one with a null sink for the whole suite.
# A runtime folder of its own keeps this server apart from the desktop's sound server.
export XDG_RUNTIME_DIR="$(mktemp -d)"
"$top/scripts/sound-server.sh" start
trap '"$top/scripts/sound-server.sh" stop' EXIT
if ! pactl info >/dev/null 2>&1; then
  echo "test.sh: the private sound server did not start; the playback tests would only skip" >&2
  exit 1
fi

cd "$top/build"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2 --timeout 600
