#!/usr/bin/env bash
# Regenerates the program's pictures with ImageMagick:
#   about.jpg   201 x 139  text picture of the About window
#   note.jpg    558 x 197  numbered usage notes of the Note window
#   tarvex.png   48 x 48   window and desktop icon, 32 bits with alpha
# The output is the same byte for byte on every run: metadata, time stamps and
# colour profiles are left out, and the JPEG coding is fixed (baseline, 4:2:0).
# Needs the Debian packages imagemagick and fonts-dejavu-core.
set -euo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")"

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
        "${jpeg_options[@]}" about.jpg
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
        "${jpeg_options[@]}" note.jpg
}

# The icon: a framed landscape with a small padlock in front of its lower right
# corner, drawn four times larger and scaled down so that its edges are smooth.
# The padlock is first drawn as a wider white shape, which sets it off the frame.
make_icon() {
    local shackle='stroke-linejoin round path "M 118,124 L 118,104 A 22.5,22.5 0 0,1 162,104 L 162,124"'
    convert -size 192x192 xc:none \
        -fill '#1f4e79' -draw 'roundrectangle 4,16 156,144 14,14' \
        -fill '#d6e8f7' -draw 'rectangle 18,30 142,130' \
        -fill '#f2b632' -draw 'circle 48,56 48,68' \
        -fill '#4f9a4a' -draw 'polygon 18,130 18,108 56,72 92,106 110,92 142,118 142,130' \
        -fill '#3b7a37' -draw 'polygon 56,72 74,90 62,98 44,84' \
        -fill white -stroke white -strokewidth 24 -draw "$shackle" \
        -stroke none -fill white -draw 'roundrectangle 94,114 186,188 16,16' \
        -fill none -stroke '#4a4e55' -strokewidth 12 -draw "$shackle" \
        -stroke none -fill '#e0a21c' -draw 'roundrectangle 100,120 180,182 10,10' \
        -fill '#f5c453' -draw 'rectangle 108,126 172,132' \
        -fill '#5c3f06' -draw 'circle 140,146 140,156' \
        -draw 'polygon 135,148 145,148 148,170 132,170' \
        -filter Lanczos -resize 48x48 \
        "${png_options[@]}" PNG32:tarvex.png
}

make_about
make_note
make_icon
