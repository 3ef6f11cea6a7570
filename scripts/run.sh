#!/usr/bin/env bash
# Builds Pelorin and starts it beside a simulated Orvanta unit, so the whole road from WAV file to
# FLASH can be tried without hardware. Everything the demo makes lives in demo/: the simulator's
# FLASH, the demo's settings, a sample WAV file, and a runtime folder for the instance socket and
# temporary files, so the demo never meets a Pelorin the technician runs beside it. The
# technician's own settings are not touched. Installs what is missing first.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "run.sh: no desktop session (neither DISPLAY nor WAYLAND_DISPLAY is set)." >&2
  echo "Start it from a terminal of your desktop; scripts/test.sh runs without one." >&2
  exit 1
fi
"$top/scripts/deps.sh" run
"$top/scripts/build.sh"

demo="$top/demo"
mkdir -p "$demo/flash" "$demo/config/Telquin" "$demo/runtime" "$demo/tmp"
chmod 700 "$demo/runtime"

# The desktop's sockets keep working from the demo's own runtime folder: name them by full path.
desktop_runtime=${XDG_RUNTIME_DIR:-}
if [ -n "$desktop_runtime" ]; then
  if [ -z "${PULSE_SERVER:-}" ] && [ -S "$desktop_runtime/pulse/native" ]; then
    export PULSE_SERVER="unix:$desktop_runtime/pulse/native"
  fi
  case "${WAYLAND_DISPLAY:-/}" in
    /*) ;;
    *) export WAYLAND_DISPLAY="$desktop_runtime/$WAYLAND_DISPLAY" ;;
  esac
  if [ -z "${DBUS_SESSION_BUS_ADDRESS:-}" ] && [ -S "$desktop_runtime/bus" ]; then
    export DBUS_SESSION_BUS_ADDRESS="unix:path=$desktop_runtime/bus"
  fi
fi
export XDG_RUNTIME_DIR="$demo/runtime" TMPDIR="$demo/tmp" XDG_CONFIG_HOME="$demo/config"

# A sample to try: a spoken Station ID at the unit's 8000 samples per second.
sample="$demo/station-id.wav"
if [ ! -s "$sample" ]; then
  espeak-ng --stdout "Station one. Channel check." | sox -t wav - -r 8000 -b 16 -c 1 "$sample"
fi

link="$demo/orvanta-link"
"$top/build/sim/orvanta-sim" --link "$link" --flash-dir "$demo/flash" >"$demo/sim.log" 2>&1 &
sim=$!
trap 'kill $sim 2>/dev/null; wait $sim 2>/dev/null' EXIT
for _ in $(seq 50); do grep -q "listening on" "$demo/sim.log" 2>/dev/null && break; sleep 0.1; done

# The demo's settings store: the simulator's line is COM1, and COM1 is the chosen port.
"$top/build/app/pelorin-ports" attach 1 "$link"
"$top/build/app/pelorin-ports" choose 1
echo "run.sh: the simulated unit is COM1; a sample to open: $sample"
"$top/build/app/pelorin"
