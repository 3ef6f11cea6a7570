#!/usr/bin/env bash
# Builds Pelorin and runs the whole test suite headless (scripts/test.sh [ctest arguments]). Installs what is missing first.
# Everything the run makes (temporary files, sockets, locks, the sound server's state) lives in
# one run folder that is removed at the end; nothing is written into the real home.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/deps.sh" test
"$top/scripts/build.sh"

run=$(mktemp -d "${TMPDIR:-/tmp}/pelorin-test.XXXXXX")
desktop_runtime=${XDG_RUNTIME_DIR:-}
x_pids=()
cleanup() {
  for pid in "${x_pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  "$top/scripts/sound-server.sh" stop "$run"
  # The sound server may still be writing its state as it ends: try again, and never let the
  # clean-up change the tests' result.
  rm -rf "$run" 2>/dev/null || { sleep 1; rm -rf "$run"; } || true
}
trap cleanup EXIT

# With PipeWire the desktop's own pulse server gets a null sink for the run; otherwise a private
# PulseAudio server runs in the run folder.
if [ -n "$desktop_runtime" ] && XDG_RUNTIME_DIR=$desktop_runtime pactl info 2>/dev/null | grep -qi PipeWire; then
  export PULSE_SERVER="unix:$desktop_runtime/pulse/native"
fi
mkdir -p "$run/runtime" "$run/home" "$run/config" "$run/tmp"
chmod 700 "$run/runtime"
export XDG_RUNTIME_DIR="$run/runtime" HOME="$run/home" XDG_CONFIG_HOME="$run/config"
export TMPDIR="$run/tmp"
"$top/scripts/sound-server.sh" start "$run"
if ! pactl info >/dev/null 2>&1; then
  echo "test.sh: no sound server could be reached; the playback tests will skip" >&2
fi

cd "$top/build"
# Extra arguments go to both ctest runs, e.g. --repeat until-fail:30 or -R tst_unit.
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2 --timeout 600 -LE xcb "$@"

# The window tests again on a private X server with a window manager, so that frames count.
display=""
for n in $(seq 70 99); do
  if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then display=":$n"; break; fi
done
if [ -n "$display" ] && command -v Xvfb >/dev/null && command -v openbox >/dev/null; then
  Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >"$run/xvfb.log" 2>&1 &
  x_pids+=($!)
  for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.1; done
fi
if [ -n "$display" ] && [ -e "/tmp/.X11-unix/X${display#:}" ]; then
  DISPLAY=$display openbox --sm-disable >"$run/openbox.log" 2>&1 &
  x_pids+=($!)
  sleep 1
  DISPLAY=$display ctest --output-on-failure -j1 --timeout 600 -L xcb "$@"
else
  echo "test.sh: no X server could be started; the window tests under a window manager are skipped" >&2
fi
