#!/usr/bin/env bash
# Renders the hicolor PNG sizes from the program's scalable icon (needs rsvg-convert, from the
# Debian package librsvg2-bin). Run it after changing src/ui/resources/icon.svg and commit the PNGs.
set -euo pipefail
cd "$(dirname "$0")"
for size in 16 22 24 32 48 64 128 256; do
  rsvg-convert -w "$size" -h "$size" ../../src/ui/resources/icon.svg -o "quorrel-$size.png"
done
