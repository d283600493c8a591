#!/usr/bin/env bash
# Renders the application icon's PNG sizes from its SVG. The PNGs are committed, so the build
# needs no SVG renderer; run this after changing the SVG.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
icons="$here/share/icons/hicolor"
for size in 16 22 24 32 48 64 128 256; do
  mkdir -p "$icons/${size}x${size}/apps"
  rsvg-convert -w "$size" -h "$size" "$icons/scalable/apps/qevdvb.svg" \
    -o "$icons/${size}x${size}/apps/qevdvb.png"
done
