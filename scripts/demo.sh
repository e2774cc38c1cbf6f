#!/usr/bin/env bash
# The newcomer's demo: makes a small FAT card image with deleted photos in folders, a deleted
# folder and long names, then shows what keldrin recognises, finds and recovers from it.
#   scripts/demo.sh KELDRIN_BINARY        (./run with no arguments calls this)
# KELDRIN_DEMO_DIR chooses where the card image and the recovered files go (default ./demo).
set -euo pipefail
keldrin=$1
demo=${KELDRIN_DEMO_DIR:-demo}
mkdir -p "$demo"
img="$demo/card.img"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export MTOOLS_SKIP_CHECK=1

# Pictures made here, so nothing is downloaded.
photo() { convert -size 320x240 "gradient:$2" -swirl "$3" -quality 85 "$work/$1"; }
photo IMG_0001.JPG skyblue-white 30
photo IMG_0002.JPG orange-purple 90
photo IMG_0003.JPG green-yellow 150
photo IMG_0004.JPG red-navy 210
photo sunset.jpg gold-crimson 60
photo pier.jpg teal-ivory 120
printf 'Shopping list\nmilk\nbread\n' >"$work/list.txt"

rm -f "$img"
truncate -s 64M "$img"
mkfs.fat -F 32 -s 1 -n DEMOCARD "$img" >/dev/null
mmd -i "$img" ::DCIM ::DCIM/100MEDIA "::Holiday at the seaside 2024" ::Notes
for n in 1 2 3 4; do mcopy -i "$img" "$work/IMG_000$n.JPG" ::DCIM/100MEDIA/; done
mcopy -i "$img" "$work/sunset.jpg" "::Holiday at the seaside 2024/Sunset over the harbour.jpg"
mcopy -i "$img" "$work/pier.jpg" "::Holiday at the seaside 2024/The old pier at low tide.jpg"
mcopy -i "$img" "$work/list.txt" "::Notes/Shopping list for the weekend.txt"
# Deleted: two photos in a live folder, a whole folder of long-named photos, one note.
mdel -i "$img" ::DCIM/100MEDIA/IMG_0002.JPG ::DCIM/100MEDIA/IMG_0004.JPG
mdeltree -i "$img" "::Holiday at the seaside 2024"
mdel -i "$img" "::Notes/Shopping list for the weekend.txt"

echo "Demo card image: $img"
echo "== keldrin detect $img"
"$keldrin" detect "$img"
echo "== keldrin list --mode fast $img"
if ! "$keldrin" list --mode fast "$img"; then
  echo "(no fast engine for this card in this build: detection only)"
  exit 0
fi
out="$demo/recovered-$(date +%Y%m%d-%H%M%S)"
echo "== keldrin recover --mode fast $img --to $out"
"$keldrin" recover --mode fast "$img" --to "$out"
echo "Recovered files are in $out:"
(cd "$out" && find . -type f | sort | sed 's|^\./|  |')
