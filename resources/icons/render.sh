#!/usr/bin/env bash
# Renders the icon's PNG sizes from kestrin.svg (rsvg-convert, Debian's librsvg2-bin). The PNGs are
# kept in the repository so building needs nothing more; run this after changing the SVG.
set -euo pipefail
cd "$(dirname "$0")"
command -v rsvg-convert >/dev/null || { apt-get update -qq && apt-get install -y -qq librsvg2-bin; }
for size in 16 24 32 48 64 128 256; do
  rsvg-convert -w "$size" -h "$size" kestrin.svg -o "kestrin-$size.png"
done
