#!/usr/bin/env bash
# Draws the two placeholder pictures that KestraCamera shows while no camera picture is
# available: filter/convert/kestra.jpg (1920x1080) and kestral.jpg (1080x1920).
# Needs ImageMagick and the DejaVu fonts (scripts/deps.sh does not install ImageMagick: the
# pictures are committed, this script only rebuilds them).
#
#   scripts/make-placeholders.sh [output folder]
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
out=${1:-$here/../filter/convert}
fonts=/usr/share/fonts/truetype/dejavu
title_font=$fonts/DejaVuSans-Bold.ttf
line_font=$fonts/DejaVuSans-ExtraLight.ttf

# A stand-in "convert" may shadow the real one on PATH; take the first that is ImageMagick.
im=
for candidate in magick convert-im6.q16 convert; do
    if command -v "$candidate" >/dev/null && "$candidate" -version 2>/dev/null | grep -q ImageMagick; then
        im=$candidate
        break
    fi
done
[[ -n $im ]] || { echo "make-placeholders: ImageMagick not found" >&2; exit 1; }
for f in "$title_font" "$line_font"; do
    [[ -f $f ]] || { echo "make-placeholders: missing font $f" >&2; exit 1; }
done

# card WIDTH HEIGHT UNIT OUTPUT
# UNIT scales every element; the glyph, the name and the line are stacked around the middle.
card() {
    local w=$1 h=$2 u=$3 file=$4
    local cx=$((w / 2)) cy=$((h / 2))
    s() { awk -v u="$u" -v v="$1" 'BEGIN { printf "%d", v * u + (v < 0 ? -0.5 : 0.5) }'; }

    # Camera glyph: body with a viewfinder hump, a lens cut into it, a status light. It is
    # drawn at 85 % of the text's scale so that the name stays the main line.
    local gy=$((cy - $(s 140)))
    local text_u=$u
    u=$(awk -v u="$u" 'BEGIN { print u * 0.85 }')
    local body="roundrectangle $((cx - $(s 180))),$((gy - $(s 100))) $((cx + $(s 180))),$((gy + $(s 140))) $(s 38),$(s 38)"
    local hump="roundrectangle $((cx - $(s 72))),$((gy - $(s 138))) $((cx + $(s 72))),$((gy - $(s 70))) $(s 18),$(s 18)"
    local ly=$((gy + $(s 24)))
    local lens_cut="circle $cx,$ly $cx,$((ly - $(s 88)))"
    local lens_ring="circle $cx,$ly $cx,$((ly - $(s 68)))"
    local lens_glass="circle $cx,$ly $cx,$((ly - $(s 50)))"
    local glint="circle $((cx - $(s 18))),$((ly - $(s 18))) $((cx - $(s 18))),$((ly - $(s 30)))"
    local light="circle $((cx + $(s 128))),$((gy - $(s 56))) $((cx + $(s 128))),$((gy - $(s 43)))"
    u=$text_u

    # Three dots under the line: a quiet "still waiting" mark, fading to the right.
    local dy=$((cy + $(s 300))) gap=$(s 34) r=$(s 7)
    local dots=()
    local i alpha
    for i in -1 0 1; do
        alpha=$(awk -v i="$i" 'BEGIN { printf "%.2f", 0.85 - (i + 1) * 0.27 }')
        dots+=(-fill "rgba(201,214,227,$alpha)" -draw "circle $((cx + i * gap)),$dy $((cx + i * gap)),$((dy - r))")
    done

    local diag=$(awk -v w="$w" -v h="$h" 'BEGIN { printf "%d", sqrt(w * w + h * h) }')
    "$im" -size "${w}x${h}" gradient:'#26374a-#10161f' \
        \( -size "${diag}x${diag}" radial-gradient:'rgba(120,160,200,0.22)-rgba(120,160,200,0)' \
           -gravity center -crop "${w}x${h}+0+0" +repage \) -compose screen -composite \
        -seed 1 -attenuate 0.12 +noise Uniform \
        -compose over -gravity northwest \
        -fill '#c9d6e3' -stroke none -draw "$body" -draw "$hump" \
        -fill '#1b2634' -draw "$lens_cut" \
        -fill none -stroke '#c9d6e3' -strokewidth "$(s 10)" -draw "$lens_ring" -stroke none \
        -fill '#3d6390' -draw "$lens_glass" \
        -fill 'rgba(255,255,255,0.55)' -draw "$glint" \
        -fill '#f2a54a' -draw "$light" \
        -fill '#eef3f8' -font "$title_font" -pointsize "$(s 96)" -kerning "$(s 2)" \
        -gravity center -annotate "+0+$(s 90)" 'Kestra Camera' \
        -fill 'rgba(201,214,227,0.5)' -draw "rectangle $((cx - $(s 60))),$((cy + $(s 160))) $((cx + $(s 60))),$((cy + $(s 162)))" \
        -fill '#a9b8c8' -font "$line_font" -pointsize "$(s 46)" -kerning 0 \
        -annotate "+0+$(s 230)" 'Waiting for the camera…' \
        -gravity northwest "${dots[@]}" \
        -strip -sampling-factor 4:2:0 -interlace none -quality 88 "$file"
}

card 1920 1080 1.0 "$out/kestra.jpg"
card 1080 1920 0.95 "$out/kestral.jpg"
ls -l "$out/kestra.jpg" "$out/kestral.jpg"
