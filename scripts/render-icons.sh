#!/usr/bin/env bash
# Renders the window's and the desktop's icons from app/icons/qu-vellumar.svg into the same
# folder: qu-vellumar-N.png for the sizes the window and the hicolor theme use, and
# qu-vellumar.ico (every size, for a Windows build). The results are committed; run this again
# after the SVG changes. Needs Debian's librsvg2-bin (rsvg-convert) and imagemagick (convert).
set -euo pipefail
icons=$(cd "$(dirname "${BASH_SOURCE[0]}")/../app/icons" && pwd)
sizes=(16 24 32 48 64 128 256)

pngs=()
for size in "${sizes[@]}"; do
  rsvg-convert -w "$size" -h "$size" "$icons/qu-vellumar.svg" -o "$icons/qu-vellumar-$size.png"
  pngs+=("$icons/qu-vellumar-$size.png")
done
# No time stamps, so that the same SVG gives the same bytes.
convert "${pngs[@]}" -define png:exclude-chunks=date,time +set date:create +set date:modify \
  "$icons/qu-vellumar.ico"
