#!/usr/bin/env bash
# Draws the skin's pictures with ImageMagick into images/. The pictures are committed; run this
# after changing it:  bash make_images.sh
set -euo pipefail
cd "$(dirname "$0")"
mkdir -p images/MessageBox images/FileIcon
FONT=DejaVu-Sans-Bold
BLUE='#0089BE'; ORANGE='#E47100'; GREEN='#316D1E'; RED='#C62828'; AMBER='#F2A900'

# badge FILE SIZE COLOUR TEXT [POINTSIZE]: a rounded square with a white glyph.
badge() {
  local file=$1 size=$2 colour=$3 text=$4 pt=${5:-$(( $2 / 2 ))}
  local r=$(( size / 5 )) e=$(( size - 2 ))
  convert -size "${size}x${size}" xc:none -fill "$colour" \
    -draw "roundrectangle 1,1 $e,$e $r,$r" -fill white -font "$FONT" -pointsize "$pt" \
    -gravity center -annotate +0+0 "$text" "$file"
}
# disc FILE SIZE COLOUR TEXT: a round badge.
disc() {
  local file=$1 size=$2 colour=$3 text=$4 c=$(( $2 / 2 )) e=$(( $2 - 2 ))
  convert -size "${size}x${size}" xc:none -fill "$colour" -draw "circle $c,$c $c,1" \
    -fill white -font "$FONT" -pointsize $(( size * 3 / 5 )) -gravity center \
    -annotate +0+0 "$text" "$file"
}
# glyph FILE DRAW: a 16x16 white line drawing for the window buttons.
glyph() {
  convert -size 16x16 xc:none -stroke white -strokewidth 1.6 -fill none -draw "$2" "$1"
}

badge images/logo.png 64 "$BLUE" K 38
badge images/logo_small.png 20 white K 13
convert images/logo_small.png -fill "$BLUE" -opaque white images/logo_small.png
convert -size 20x20 xc:none -fill "$BLUE" -draw "roundrectangle 1,1 18,18 4,4" \
  -fill white -font "$FONT" -pointsize 13 -gravity center -annotate +0+0 K images/logo_small.png
glyph images/win_min.png "line 3,11 13,11"
glyph images/win_max.png "rectangle 3,3 13,13"
glyph images/win_restore.png "rectangle 3,6 10,13 polyline 6,6 6,3 13,3 13,10 10,10"
glyph images/win_close.png "line 4,4 12,12 line 12,4 4,12"
glyph images/menu.png "line 3,4 13,4 line 3,8 13,8 line 3,12 13,12"
glyph images/arrow_left.png "polyline 10,3 5,8 10,13"
convert images/arrow_left.png -fill "$BLUE" -colorize 100 images/arrow_left.png

badge images/scan_files.png 48 "$BLUE" "S" 26
badge images/advance_scan.png 48 "$ORANGE" "T" 26
badge images/recover_file.png 48 "$GREEN" "R" 26
badge images/btn_scan.png 32 "$BLUE" "S" 18
badge images/btn_create_image.png 32 "#5C6BC0" "I" 18
badge images/image_file.png 24 "#5C6BC0" "i" 15
badge images/image_files.png 24 "#3949AB" "I" 14
badge images/removable_drive.png 24 "#546E7A" "D" 14
badge images/drive_usb.png 24 "#78909C" "U" 14
badge images/help.png 16 "$BLUE" "?" 11
disc images/point.png 16 "$BLUE" ""

for banner in banner_bg:#E3F4FB:#FFFFFF banner_bg2:#FDEEDF:#FFFFFF banner_bg1:#E4F1DF:#FFFFFF; do
  IFS=: read -r name from to <<<"$banner"
  convert -size 800x64 "gradient:${from}-${to}" -rotate 90 -resize 800x64\! "images/$name.png"
done

disc images/MessageBox/error.png 40 "$RED" "!"
disc images/MessageBox/confirmation.png 40 "$BLUE" "?"
disc images/MessageBox/information.png 40 "$BLUE" "i"
disc images/MessageBox/warning.png 40 "$AMBER" "!"
disc images/MessageBox/question.png 40 "$GREEN" "?"

badge images/FileIcon/photo.png 32 "#1E88E5" "P" 17
badge images/FileIcon/audio.png 32 "#8E24AA" "A" 17
badge images/FileIcon/video.png 32 "#E53935" "V" 17
badge images/FileIcon/document.png 32 "#43A047" "D" 17
badge images/FileIcon/archive.png 32 "#FB8C00" "Z" 17
badge images/FileIcon/other.png 32 "#757575" "*" 20
