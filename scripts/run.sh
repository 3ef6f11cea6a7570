#!/usr/bin/env bash
# Builds Pelorin and starts it beside a simulated Orvanta unit, so the whole road from WAV file to
# FLASH can be tried without hardware. The simulator's FLASH and the demo's settings live in demo/;
# the technician's own settings are not touched. Installs what is missing first.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/deps.sh" run
"$top/scripts/build.sh"

demo="$top/demo"
mkdir -p "$demo/flash" "$demo/config/Telquin"
link="$demo/orvanta-link"
"$top/build/sim/orvanta-sim" --link "$link" --flash-dir "$demo/flash" >"$demo/sim.log" 2>&1 &
sim=$!
trap 'kill $sim 2>/dev/null; wait $sim 2>/dev/null' EXIT
for _ in $(seq 50); do grep -q "listening on" "$demo/sim.log" 2>/dev/null && break; sleep 0.1; done

# The demo's settings store: the simulator's line is COM1, and COM1 is the chosen port.
XDG_CONFIG_HOME="$demo/config" "$top/build/app/pelorin-ports" attach 1 "$link"
XDG_CONFIG_HOME="$demo/config" "$top/build/app/pelorin-ports" choose 1
XDG_CONFIG_HOME="$demo/config" "$top/build/app/pelorin"
