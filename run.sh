#!/usr/bin/env bash
# Installs what is missing, builds the receiver (Release) and starts it. Every argument goes to
# qevdvb (try ./run.sh --help).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
"$here/scripts/install-deps.sh"
cmake -S "$here" -B "$here/build-release" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
  >/dev/null
cmake --build "$here/build-release" -j "$(nproc)" --target qevdvb
program="$here/build-release/bin/qevdvb"
# Without a display (a server, a container) the window goes to a virtual one.
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}${QT_QPA_PLATFORM:-}" ] && command -v xvfb-run >/dev/null; then
  exec xvfb-run -a "$program" "$@"
fi
exec "$program" "$@"
