#!/usr/bin/env bash
# Installs the Debian 12 packages Pelorin needs, only those that are missing.
# Usage: scripts/deps.sh build|test|run
set -euo pipefail

build_pkgs=(build-essential cmake ninja-build pkg-config libgl-dev
            qt6-base-dev qt6-base-dev-tools qt6-serialport-dev qt6-multimedia-dev
            libsndfile1-dev libsoxr-dev libespeak-ng-dev libxcb1-dev)
test_pkgs=(espeak-ng sox pulseaudio-utils procps xvfb openbox qt6-qpa-plugins)
# A private PulseAudio server runs the playback tests, unless PipeWire is the sound server: then
# its own pulse server is used (pulseaudio would conflict with pipewire-audio and remove it).
has_pipewire() { dpkg-query -W -f='${Status}' pipewire-pulse 2>/dev/null | grep -q "install ok installed"; }
has_pipewire || test_pkgs+=(pulseaudio)
run_pkgs=(qt6-qpa-plugins espeak-ng sox)

want=("${build_pkgs[@]}")
case "${1:-build}" in
  test) want+=("${test_pkgs[@]}") ;;
  run) want+=("${run_pkgs[@]}") ;;
esac

missing=()
for p in "${want[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -q
# --no-remove: never take away a package of the desktop to make room for ours.
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-remove "${missing[@]}"
