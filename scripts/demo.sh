#!/usr/bin/env bash
# The newcomer's demo: makes a small FAT card image with deleted files and shows what the
# program recognises in it.
set -euo pipefail
keldrin=$1
demo=${KELDRIN_DEMO_DIR:-demo}
mkdir -p "$demo"
img="$demo/card.img"
rm -f "$img"
truncate -s 32M "$img"
mkfs.fat -F 16 -n DEMOCARD "$img" >/dev/null
echo "Demo card image: $img"
"$keldrin" detect "$img"
