#!/usr/bin/env bash
# Installs everything the build, the tests and the program need from Debian 12.
# Safe to run again: apt-get skips what is already there, and a machine that already has
# every package is left alone without asking the network.
set -euo pipefail

packages=(
  # build
  build-essential cmake ninja-build ccache pkg-config git
  # tests and benchmarks
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  # the fuzz phase of ./test.sh --sanitize: clang and its libFuzzer/sanitizer runtimes
  clang libclang-rt-14-dev
  ffmpeg dvbpsi-utils desktop-file-utils dbus-daemon
  # systemd-analyze: checks the calendar of scheduled jobs
  systemd
  # lircd and irsend: the remote-control client against a real server
  lirc
  # teletext cross-checks and the teletext benchmark's reference decoder
  libzvbi-dev
  # the application icon's sizes (scripts/render-icons.sh)
  librsvg2-bin
  # windows
  qt6-base-dev qt6-base-dev-tools libqt6opengl6-dev libgl-dev libxkbcommon-dev
  # picture and sound
  libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev libgstreamer-plugins-bad1.0-dev
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-plugins-bad
  gstreamer1.0-plugins-ugly gstreamer1.0-libav gstreamer1.0-tools gstreamer1.0-x
  gstreamer1.0-plugins-base-apps gstreamer1.0-alsa gstreamer1.0-pulseaudio
  # formatting and tool output
  libfmt-dev nlohmann-json3-dev
  # data tables: ISO 639 names at build time, satellite tuning files for import tests
  iso-codes dtv-scan-tables
  # fonts and a display for headless runs
  fonts-dejavu-core xvfb xauth
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
