#!/usr/bin/env bash
# Starts or stops a private PulseAudio server whose default sink is a null sink, so playback can
# be recorded from the sink's monitor without sound hardware.
set -uo pipefail
case "${1:-start}" in
  start)
    if ! command -v pulseaudio >/dev/null; then
      echo "sound-server: pulseaudio not installed; playback tests will skip" >&2
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
    pulseaudio --kill >/dev/null 2>&1 || true
    ;;
esac
exit 0
