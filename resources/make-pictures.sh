#!/usr/bin/env bash
# Regenerates the program's pictures with ImageMagick:
#   about.jpg   201 x 139  text picture of the About window
#   note.jpg    558 x 197  numbered usage notes of the Note window
#   icons/hicolor/NxN/apps/tarvex.png  the desktop icon at the theme's usual sizes, 32 bits
#       with alpha, drawn from icons/hicolor/scalable/apps/tarvex.svg; the 48 x 48 one is also
#       the window's icon
#   icons/hicolor/scalable/mimetypes/application-x-tarvex-protected.svg  the icon of the
#       Protected containers' file type: a page with the program's icon on it, made from that
#       same SVG; and icons/hicolor/NxN/mimetypes/application-x-tarvex-protected.png drawn from it
#   site/kro/banner.png  500 x 140  the background of the banner pages: the gradient from
#       #1f4e79 through #2f6aa3 (at 62 %) to #3a78b5, from the top left corner to the bottom
#       right one
# The output is the same byte for byte on every run: metadata, time stamps and
# colour profiles are left out, and the JPEG coding is fixed (baseline, 4:2:0).
# The pictures are written beside this script, or into OUTPUT_FOLDER in the same layout.
# Needs the Debian packages imagemagick, librsvg2-bin and fonts-dejavu-core.
# Usage: resources/make-pictures.sh [OUTPUT_FOLDER]
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
out=$(mkdir -p "${1:-$here}" && cd "${1:-$here}" && pwd)
cd "$here"

sans=DejaVu-Sans
bold=DejaVu-Sans-Bold

jpeg_options=(
    -strip -interlace none -sampling-factor '2x2,1x1,1x1'
    -define jpeg:optimize-coding=true -define jpeg:dct-method=islow
    -quality 92 -colorspace sRGB -type TrueColor
)
png_options=(
    -strip -define 'png:exclude-chunks=date,time,tEXt,zTXt,iTXt'
    -define png:compression-level=9
)

# The About picture: a title band, the version, the contact lines and the date.
make_about() {
    convert -size 201x139 xc:'#f4f6fa' \
        -fill '#1f4e79' -draw 'rectangle 0,0 200,33' \
        -fill '#3a78b5' -draw 'rectangle 0,34 200,35' \
        -stroke '#9aa9bb' -fill none -draw 'rectangle 0,0 200,138' -stroke none \
        -font "$bold" -pointsize 14 -fill white -annotate +10+22 'Tarvex Image Encrypt' \
        -font "$sans" -pointsize 11 -fill '#1f2a36' -annotate +10+54 'Version 2.0.3' \
        -fill '#44515f' -pointsize 10 \
        -annotate +10+72 'Free batch tool for images' \
        -annotate +10+88 'Web: local pages shipped' \
        -annotate +33+100 'with the program' \
        -annotate +10+116 'Mail: tarvex@example.org' \
        -fill '#7a8694' -annotate +10+132 '2026-12-08' \
        "${jpeg_options[@]}" "$out/about.jpg"
}

# The Note picture: a heading and six numbered notes. Each row is "number|text";
# a row without a number continues the note above it under its text.
make_note() {
    local rows=(
        '1.|Choose images with Open.'
        '2.|Type a password of 5 to 10 characters, no blanks.'
        '3.|Pick a naming rule and a class, press Encrypt; containers go to "encrypted".'
        '4.|To restore, choose containers, type the same password, press Decrypt;'
        '|files go to "decrypted".'
        '5.|Files of 5000 KB or more are skipped.'
        '6.|A container is an obfuscated copy, not strong encryption.'
    )
    local draw=() y=54 row
    for row in "${rows[@]}"; do
        [[ -n ${row%%|*} ]] && draw+=(-annotate "+16+$y" "${row%%|*}")
        draw+=(-annotate "+38+$y" "${row#*|}")
        y=$((y + 21))
    done
    convert -size 558x197 xc:'#fbfcfe' \
        -fill '#1f4e79' -draw 'rectangle 0,0 557,29' \
        -stroke '#9aa9bb' -fill none -draw 'rectangle 0,0 557,196' -stroke none \
        -font "$bold" -pointsize 14 -fill white -annotate +16+20 'Tarvex Image Encrypt - how to use it' \
        -font "$sans" -pointsize 12 -fill '#1f2a36' "${draw[@]}" \
        "${jpeg_options[@]}" "$out/note.jpg"
}

# Renders the drawing SVG at every size of the theme into its CONTEXT folders as NAME.png.
render_icon() {
    local svg=$1 context=$2 name=$3 size folder
    for size in 16 22 24 32 48 64 128 256; do
        folder=$out/icons/hicolor/${size}x$size/$context
        mkdir -p "$folder"
        rsvg-convert -w "$size" -h "$size" "$svg" |
            convert png:- "${png_options[@]}" "PNG32:$folder/$name.png"
    done
}

# The icon of the Protected containers: a page with a folded corner, and on it the program's icon,
# whose padlock stands out over the page's right edge. At 16 x 16 a pixel is 12 units, and the
# page's outline of 12 units is centred on half pixels, so that it stays sharp there.
make_type_icon() {
    local name=application-x-tarvex-protected folder=$out/icons/hicolor/scalable/mimetypes
    mkdir -p "$folder"
    {
        cat <<'EOF'
<?xml version="1.0" encoding="UTF-8"?>
<!-- The icon of the Protected containers, written by resources/make-pictures.sh: a page with the
     program's icon (icons/hicolor/scalable/apps/tarvex.svg) on it. -->
<svg xmlns="http://www.w3.org/2000/svg" width="192" height="192" viewBox="0 0 192 192">
  <path d="M 18,6 H 102 L 150,54 V 186 H 18 Z" fill="white" stroke="#4a4e55" stroke-width="12"
        stroke-linejoin="round"/>
  <path d="M 102,6 V 54 H 150" fill="#c9d2dc" stroke="#4a4e55" stroke-width="12"
        stroke-linejoin="round"/>
  <g transform="translate(27 46) scale(0.72)">
EOF
        # The program's drawing, without its comment and its own <svg> element.
        sed -e '1,/^<svg /d' -e '/^<\/svg>/,$d' -e 's/^/  /' icons/hicolor/scalable/apps/tarvex.svg
        printf '  </g>\n</svg>\n'
    } >"$folder/$name.svg"
    render_icon "$folder/$name.svg" mimetypes "$name"
}

# The banner's background. Each pixel takes its colour from a strip of the gradient at x + y,
# as a gradient at 135 degrees does.
make_banner() {
    mkdir -p "$out/site/kro"
    convert \( -size 1x396 gradient:'#1f4e79-#2f6aa3' \) \( -size 1x243 gradient:'#2f6aa3-#3a78b5' \) \
        -append -rotate -90 +repage "$out/strip.png"
    convert -size 500x140 xc: "$out/strip.png" -fx 'v.p{i+j,0}' -depth 8 \
        "${png_options[@]}" "$out/site/kro/banner.png"
    rm "$out/strip.png"
}

make_about
make_note
render_icon icons/hicolor/scalable/apps/tarvex.svg apps tarvex
make_type_icon
make_banner
