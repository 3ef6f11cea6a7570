#!/usr/bin/env bash
# Starts or stops the sound server of a test run. Without PipeWire: a private PulseAudio server in
# the run's own runtime folder. With PipeWire as the desktop's sound server: a null sink that the
# run creates in the running pulse server and removes again. Either way the default sink is a null
# sink, so playback can be recorded from its monitor without sound hardware, and nothing is written
# into the real home (HOME and XDG_CONFIG_HOME point into the run folder for the private server).
# Usage: sound-server.sh start|stop RUN_FOLDER
set -uo pipefail
run=${2:?run folder}
module_file="$run/null-sink-module"
case "${1:-start}" in
  start)
    if pactl info 2>/dev/null | grep -qi "PipeWire"; then
      pactl load-module module-null-sink sink_name=pelorin_null >"$module_file" 2>/dev/null || true
      pactl set-default-sink pelorin_null >/dev/null 2>&1 || true
      exit 0
    fi
    if ! command -v pulseaudio >/dev/null; then
      echo "sound-server: no PulseAudio and no PipeWire pulse server; playback tests will skip" >&2
      exit 0
    fi
    pulseaudio --check 2>/dev/null || pulseaudio --start --exit-idle-time=-1 >/dev/null 2>&1
    for _ in $(seq 50); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
    if ! pactl list short sinks 2>/dev/null | grep -q pelorin_null; then
      pactl load-module module-null-sink sink_name=pelorin_null >/dev/null 2>&1 || true
    fi
    pactl set-default-sink pelorin_null >/dev/null 2>&1 || true
    ;;
  stop)
    if [ -s "$module_file" ]; then
      pactl unload-module "$(cat "$module_file")" >/dev/null 2>&1 || true
    else
      pulseaudio --kill >/dev/null 2>&1 || true
    fi
    ;;
esac
exit 0
