#!/bin/sh
# Regenerates the program icon (telvia.ico) and the About-box logo (logo.bmp).
# The generated files are committed, so a build never needs ImageMagick; run this
# script only after changing the artwork.
#
# Icon: a small television set (dark frame, blue screen with a white play mark,
# two antenna rods) at 16, 32 and 48 pixels.
# Logo: 203 x 61 pixels, 24 bits per pixel without alpha (BMP3), the word "Telvia"
# beside the same television mark.
set -eu
cd "$(dirname "$0")"

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# Draws the television mark into a square of the given size, on a transparent ground.
tv() {
  size=$1 out=$2
  # All coordinates are on a 48-unit grid and scaled to the target size.
  s=$(awk "BEGIN { print $size / 48 }")
  p() { awk "BEGIN { printf \"%d\", $1 * $s + 0.5 }"; }
  convert -size "${size}x${size}" xc:none \
    -stroke '#1d2b3a' -strokewidth "$(awk "BEGIN { w = 3 * $s; print (w < 1 ? 1 : w) }")" \
    -draw "line $(p 15),$(p 3) $(p 24),$(p 13)" \
    -draw "line $(p 33),$(p 3) $(p 24),$(p 13)" \
    -stroke none -fill '#1d2b3a' \
    -draw "roundrectangle $(p 2),$(p 12) $(p 45),$(p 44) $(p 5),$(p 5)" \
    -fill '#2f8fe0' \
    -draw "roundrectangle $(p 6),$(p 16) $(p 41),$(p 40) $(p 3),$(p 3)" \
    -fill '#ffffff' \
    -draw "polygon $(p 19),$(p 21) $(p 19),$(p 35) $(p 31),$(p 28)" \
    "PNG32:$out"
}

tv 16 "$tmp/16.png"
tv 32 "$tmp/32.png"
tv 48 "$tmp/48.png"
convert "$tmp/16.png" "$tmp/32.png" "$tmp/48.png" telvia.ico

# The logo: the mark on the left, the name on the right, on a white ground.
tv 48 "$tmp/mark.png"
font=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf
convert -size 203x61 xc:white \
  "$tmp/mark.png" -geometry +8+6 -composite \
  -fill '#2f8fe0' -draw "rectangle 66,50 194,53" \
  "$tmp/logo.png"
if [ -f "$font" ]; then
  convert "$tmp/logo.png" -font "$font" -pointsize 34 -fill '#1d2b3a' \
    -annotate +66+43 'Telvia' "$tmp/logo.png"
else
  # Without the font the logo keeps the mark and the underline only.
  echo "make-images.sh: $font not found, logo without lettering" >&2
fi
convert "$tmp/logo.png" -background white -alpha remove -alpha off -type TrueColor \
  BMP3:logo.bmp
