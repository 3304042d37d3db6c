#!/usr/bin/env bash
# Builds every picture and sound the game loads, from nothing but ImageMagick,
# sox, lame and oggenc, so the art can be tweaked here and regenerated instead
# of hand-editing binaries. Run from the repository root:
#     tools/make_assets.sh
# Output goes to data/rsrc_img/ and data/rsrc_snd/ (overwritten).
set -euo pipefail

IMG=data/rsrc_img
SND=data/rsrc_snd
SERIF=/usr/share/fonts/truetype/ebgaramond/EBGaramond12-Regular.ttf

# ---------------------------------------------------------------- checks
if [ ! -f tools/make_assets.sh ]; then
    echo "run me from the repository root" >&2
    exit 1
fi
missing=0
need_tool() { # tool package
    if ! command -v "$1" >/dev/null 2>&1; then
        echo "missing '$1': apt-get install -y $2" >&2
        missing=1
    fi
}
need_tool convert imagemagick
need_tool sox sox
need_tool lame lame
need_tool oggenc vorbis-tools
[ -f "$SERIF" ] || { echo "missing $SERIF: apt-get install -y fonts-ebgaramond-extra" >&2; missing=1; }
[ "$missing" = 0 ] || exit 1

T=$(mktemp -d); [ -z "${KEEP_TMP:-}" ] || echo "work files in $T"
trap '[ -n "${KEEP_TMP:-}" ] || rm -rf "$T"' EXIT
mkdir -p "$IMG/Menu" "$IMG/font" "$IMG/Wolf" "$SND/Menu" "$SND/Texte"

# Strip dates and tool comments so a rerun gives byte-identical files.
JPG=(-strip -sampling-factor 4:2:0 -quality 85)
PNG=(-strip -define "png:exclude-chunks=date,time")

# ------------------------------------------------------- shared drawing
# One palette for everything, so menus, portraits and the text box feel
# like the same evening.
SKY=('#0b0719' '#171035' '#2a1850' '#4a2163' '#7a2f66' '#b9495a' '#e77a3c' '#f6b45c')
INK='#0c0812'        # nearest silhouettes

# sky W H HORIZON OUT: vertical dusk gradient, warm only close to the horizon
# (the gradient is bent with a power curve so the upper two thirds stay cool).
sky() {
    local w=$1 h=$2 hz=$3 out=$4 c args=()
    for c in "${SKY[@]}"; do args+=("xc:$c"); done
    convert "${args[@]}" +append -filter Triangle -resize '256x1!' "$T/clut.png"
    convert -size "${w}x${hz}" gradient:black-white -evaluate pow 1.7 \
        "$T/clut.png" -clut \
        -background "${SKY[-1]}" -gravity north -extent "${w}x${h}" "$out"
}

# stars W H SEED OUT: sparse pinpricks plus a few larger ones, fading out
# towards the horizon where the sky is too bright to show them.
stars() {
    local w=$1 h=$2 seed=$3 out=$4
    convert -seed "$seed" -size "${w}x${h}" xc:gray50 +noise Random \
        -channel R -separate +channel -threshold 99.92% "$T/s1.png"
    convert -seed "$((seed + 1))" -size "${w}x${h}" xc:gray50 +noise Random \
        -channel R -separate +channel -threshold 99.985% \
        -morphology Dilate Disk:1 -blur 0x0.8 "$T/s2.png"
    convert -size "${w}x${h}" gradient:white-black -evaluate pow 0.6 "$T/sfade.png"
    convert "$T/s1.png" -evaluate multiply 0.75 "$T/s2.png" -compose Lighten -composite \
        "$T/sfade.png" -compose Multiply -composite \
        -fill '#fff4e0' -tint 100 "$out"
}

# blob W H CX CY RX RY COLOUR BLUR OUT: a soft coloured ellipse on black,
# for halos and afterglow (drawn at quarter size, blurred, scaled back up:
# much faster than a wide blur at full size).
blob() {
    local w=$1 h=$2 cx=$3 cy=$4 rx=$5 ry=$6 col=$7 blur=$8 out=$9
    convert -size "$((w / 4))x$((h / 4))" xc:black -fill "$col" \
        -draw "ellipse $((cx / 4)),$((cy / 4)) $((rx / 4)),$((ry / 4)) 0,360" \
        -blur "0x$((blur / 4))" -filter Triangle -resize "${w}x${h}!" "$out"
}

# moon SIZE R OUT: pale disc with a soft halo and a mottled surface (seeded
# blurred noise), on black, to be screened over a sky.
moon() {
    local s=$1 r=$2 out=$3 c=$(($1 / 2))
    blob "$s" "$s" "$c" "$c" $((r * 2)) $((r * 2)) '#4e3f66' $((r * 2)) "$T/halo.png"
    # fade the halo to pure black well inside the canvas so no box shows
    convert -size "${s}x${s}" xc:black -fill white -draw "circle $c,$c $c,$((s / 8))" \
        -blur 0x$((s / 10)) "$T/halo.png" -compose Multiply -composite "$T/halo2.png"
    convert -seed $((r * 7)) -size "$((s * 3 / r))x$((s * 3 / r))" xc:gray50 +noise Random \
        -channel R -separate +channel -filter Gaussian -resize "${s}x${s}!" -auto-level \
        +level 80%,100% \( -size "${s}x${s}" xc:'#f6eed9' \) -compose Multiply -composite "$T/mare.png"
    convert -size "${s}x${s}" xc:black -fill white -draw "circle $c,$c $c,$((c - r))" \
        -blur 0x0.8 "$T/mare.png" -compose Multiply -composite \
        "$T/halo2.png" -compose Lighten -composite "$out"
}

# ridge W H BASE AMP SEED JAG [BUMPX BUMPH BUMPW [TREES TREEH]]
# Prints MVG for a hill line (three sines plus jitter, optional bump for a
# summit) and, when asked, pine silhouettes standing on it. A Park-Miller
# generator keeps it identical on every awk.
ridge() {
    awk -v w="$1" -v h="$2" -v base="$3" -v amp="$4" -v s="$5" -v jag="$6" \
        -v bx="${7:-0}" -v bh="${8:-0}" -v bw="${9:-1}" \
        -v trees="${10:-0}" -v th="${11:-0}" '
    function rnd() { s = (s * 16807) % 2147483647; return s / 2147483647 }
    function y(x) {
        return base - amp * (0.55 * sin(x / w * 8.17 + p1) + 0.3 * sin(x / w * 19.5 + p2) \
               + 0.15 * sin(x / w * 48.4 + p3)) - bh * exp(-((x - bx) / bw) ^ 2)
    }
    function pine(x0, yb, hh, ww,   n, i, t, yi, wi, px, py, k) {
        n = 6 + int(rnd() * 3); k = 0
        px[k] = x0; py[k++] = yb - hh
        for (i = 1; i <= n; i++) {
            t = i / n; yi = yb - hh + hh * 0.88 * t
            wi = ww * (0.25 + 0.75 * t) * (0.85 + 0.3 * rnd())
            px[k] = x0 + wi; py[k++] = yi + hh * 0.02
            if (i < n) { px[k] = x0 + wi * 0.3; py[k++] = yi - hh * 0.03 }
        }
        px[k] = x0 + ww * 0.07; py[k++] = yi
        px[k] = x0 + ww * 0.07; py[k++] = yb + 4
        printf "polygon"
        for (i = 0; i < k; i++) printf " %.1f,%.1f", px[i], py[i]
        printf " %.1f,%.1f %.1f,%.1f", x0 - ww * 0.07, yb + 4, x0 - ww * 0.07, yi
        for (i = k - 3; i >= 1; i--) printf " %.1f,%.1f", 2 * x0 - px[i] + (rnd() - 0.5) * 3, py[i]
        printf "\n"
    }
    BEGIN {
        if (s <= 0) s = 1
        p1 = rnd() * 6.28; p2 = rnd() * 6.28; p3 = rnd() * 6.28
        printf "polygon -2,%d", h + 2
        for (x = 0; x <= w + 4; x += 3) printf " %d,%.1f", x, y(x) + jag * (rnd() - 0.5)
        printf " %d,%d\n", w + 2, h + 2
        for (i = 0; i < trees; i++) {
            x = rnd() * w
            if (x > w * 0.33 && x < w * 0.67 && rnd() < 0.7) continue   # keep the centre open
            hh = th * (0.45 + 0.7 * rnd())
            pine(x, y(x) + 6, hh, hh * 0.26)
        }
    }'
}

# layer BASE COLOR MVG OUT: paint one silhouette layer over an image.
layer() { convert "$1" -fill "$2" -draw "$3" "$4"; }

# glow_text FONT SIZE COLOUR GLOW BLUR TEXT OUT: label on transparent with a
# soft halo, for titles and lit buttons.
glow_text() {
    local font=$1 size=$2 col=$3 glow=$4 blur=$5 text=$6 out=$7
    convert -background none -font "$font" -pointsize "$size" -fill "$col" \
        label:"$text" -bordercolor none -border $((blur * 3)) "$T/gt.png"
    convert "$T/gt.png" \( +clone -fill "$glow" -colorize 100 -channel A -blur "0x$blur" \
        -evaluate multiply 1.4 +channel \) +swap -compose Over -composite "$out"
}

# =================================================================
# Title screen. Horizon low, so the band the prompt is drawn over
# (y 300-440) is plain violet sky.
# =================================================================
W=1060 H=740
sky $W $H 560 "$T/menu_sky.png"
stars $W 420 101 "$T/menu_stars.png"
moon 420 34 "$T/moon.png"
# warm afterglow where the sun went down, left of centre
blob $W $H 330 560 440 110 '#b85a30' 120 "$T/afterglow.png"
convert "$T/menu_sky.png" \
    "$T/menu_stars.png" -compose Screen -composite \
    "$T/afterglow.png" -compose Screen -composite \
    "$T/moon.png" -geometry +660-20 -compose Screen -composite "$T/m0.png"
layer "$T/m0.png" '#3b2150' "$(ridge $W $H 500 40 7 2 830 70 140)" "$T/m1.png"
# mist between the far range and the nearer hills
blob $W $H 530 540 900 14 '#6e4a5c' 40 "$T/mist.png"
convert "$T/m1.png" "$T/mist.png" -compose Screen -composite "$T/m2.png"
layer "$T/m2.png" '#22132e' "$(ridge $W $H 575 28 23 3 0 0 1 26 60)" "$T/m3.png"
layer "$T/m3.png" "$INK" "$(ridge $W $H 650 35 41 2 120 40 160 22 150)" "$T/m4.png"
glow_text "$SERIF" 118 '#f7e1b5' '#ff9b45' 10 'Duskwane' "$T/title.png"
convert "$T/m4.png" "$T/title.png" -gravity north -geometry +0+18 -compose Over -composite \
    -stroke '#e2bd85' -strokewidth 1.2 -fill none \
    -draw "line 330,190 508,190 line 552,190 730,190" \
    -stroke none -fill '#f0c98a' -draw "polygon 530,182 538,190 530,198 522,190" \
    "${JPG[@]}" "$IMG/menu.jpg"

# howl X Y SCALE [MIRROR]: MVG polygon of a sitting wolf howling at the sky,
# drawn facing left in a 122 x 131 box whose bottom-left is (X, Y).
# MIRROR=1 turns it to face right.
howl() {
    awk -v ox="$1" -v oy="$2" -v k="$3" -v m="${4:-0}" 'BEGIN {
        n = split("9,2 18,8 27,13 32,14 37,12 41,9 47,0 52,8 56,17 58,26 60,34 " \
                  "64,38 61,42 63,50 67,60 74,73 82,85 89,95 95,106 97,116 106,117 " \
                  "114,120 121,126 117,131 102,130 94,130 60,130 56,126 52,130 33,130 " \
                  "27,129 28,125 34,122 35,106 33,90 28,76 25,63 26,56 21,51 26,48 " \
                  "24,44 28,41 24,33 19,26 12,20 5,12 13,8", p, " ")
        printf "polygon"
        for (i = 1; i <= n; i++) {
            split(p[i], q, ",")
            x = m ? 122 - q[1] : q[1]
            printf " %.1f,%.1f", ox + x * k, oy - (131 - q[2]) * k
        }
        printf "\n"
    }'
}

# =================================================================
# Main menu: deeper night, lone wolf howling on the right-hand summit,
# centre column left plain for the buttons.
# =================================================================
SKY=('#07050f' '#100b26' '#1e1340' '#361a55' '#5a2560' '#8f3a5a' '#c45f3c' '#e0954c')
sky $W $H 600 "$T/mm_sky.png"
stars $W 480 303 "$T/mm_stars.png"
moon 420 58 "$T/moon2.png"
blob $W $H 530 600 520 90 '#8a3f26' 110 "$T/mm_glow.png"
convert "$T/mm_sky.png" \
    "$T/mm_stars.png" -compose Screen -composite \
    "$T/mm_glow.png" -compose Screen -composite \
    "$T/moon2.png" -geometry +665+150 -compose Screen -composite "$T/n0.png"
layer "$T/n0.png" '#2c1940' "$(ridge $W $H 560 30 5 2 150 60 130)" "$T/n1.png"
blob $W $H 530 590 900 16 '#5a3a55' 40 "$T/mist2.png"
convert "$T/n1.png" "$T/mist2.png" -compose Screen -composite "$T/n2.png"
layer "$T/n2.png" '#190f24' "$(ridge $W $H 630 22 77 3 0 0 1 30 55)" "$T/n3.png"
# the wolf's hill: a summit on the right, wolf sitting on its crest
layer "$T/n3.png" "$INK" "$(ridge $W $H 690 18 91 2 880 190 150 10 120)" "$T/n4.png"
layer "$T/n4.png" "$INK" "$(howl 798 510 1.35)" "$T/n5.png"
convert "$T/n5.png" "${JPG[@]}" "$IMG/Menu/menu.jpg"

# =================================================================
# Menu buttons: one plate size for all so they line up when centred.
# Normal = dark and quiet, "b" twin = lit by the same amber as the sky.
# =================================================================
BW=420 BH=90
# frame OUTER INNER: fills FRAME with draw options for a double border,
# small diamonds at the inner corners and one each side of the label.
frame() {
    local o=$1 i=$2 d=4 x y mvg=""
    for x in 6 $((BW - 7)); do
        for y in 6 $((BH - 7)); do
            mvg+="polygon $x,$((y - d)) $((x + d)),$y $x,$((y + d)) $((x - d)),$y "
        done
    done
    for x in 24 $((BW - 25)); do
        mvg+="polygon $x,$((BH / 2 - 5)) $((x + 5)),$((BH / 2)) $x,$((BH / 2 + 5)) $((x - 5)),$((BH / 2)) "
    done
    FRAME=(-fill none -stroke "$o" -strokewidth 2 -draw "rectangle 1,1 $((BW - 2)),$((BH - 2))"
           -stroke "$i" -strokewidth 1 -draw "rectangle 6,6 $((BW - 7)),$((BH - 7))"
           -stroke none -fill "$i" -draw "$mvg")
}

button() { # NAME "Label"
    local name=$1 text=$2
    # normal state
    frame '#4d3c5e' '#7b6446'
    convert -size ${BW}x${BH} gradient:'#251a36'-'#110b19' "${FRAME[@]}" \
        -font "$SERIF" -pointsize 34 -fill '#b7a994' -gravity center -annotate +0-2 "$text" \
        "${JPG[@]}" "$IMG/Menu/$name.jpg"
    # lit state: warm plate, amber glow creeping in from the border
    frame '#ffd27e' '#f2a64e'
    glow_text "$SERIF" 34 '#fff4da' '#ff9536' 5 "$text" "$T/btn_label.png"
    convert -size ${BW}x${BH} xc:black -fill none -stroke '#ff9a3c' -strokewidth 8 \
        -draw "rectangle 3,3 $((BW - 4)),$((BH - 4))" -blur 0x9 "$T/btn_glow.png"
    convert -size ${BW}x${BH} gradient:'#4e2a24'-'#25121f' \
        "$T/btn_glow.png" -compose Screen -composite \
        "${FRAME[@]}" \
        "$T/btn_label.png" -gravity center -geometry +0-2 -compose Over -composite \
        "${JPG[@]}" "$IMG/Menu/${name}b.jpg"
}
button newgame 'Nouvelle partie'
button loadgame 'Charger une partie'
# the game asks for both spellings
cp "$IMG/Menu/loadgame.jpg" "$IMG/Menu/loadGame.jpg"
button exit 'Quitter'
button demogame 'Partie de démonstration'

# mirror_poly WIDTH "x,y x,y ...": left-half outline followed by its mirror
# image (reversed), so faces come out symmetric without doubling the data.
mirror_poly() {
    awk -v w="$1" -v P="$2" 'BEGIN {
        n = split(P, p, " "); printf "polygon"
        for (i = 1; i <= n; i++) printf " %s", p[i]
        for (i = n; i >= 1; i--) { split(p[i], q, ","); printf " %s,%s", w - q[1], q[2] }
        printf "\n"
    }'
}
# both_sides WIDTH PRIMITIVE "x,y ...": the shape as given plus its mirror,
# for paired features (eyes, ears, brows).
both_sides() {
    awk -v w="$1" -v k="$2" -v P="$3" 'BEGIN {
        n = split(P, p, " ")
        printf "%s", k; for (i = 1; i <= n; i++) printf " %s", p[i]; printf "\n"
        printf "%s", k
        for (i = 1; i <= n; i++) { split(p[i], q, ","); printf " %s,%s", w - q[1], q[2] }
        printf "\n"
    }'
}

# =================================================================
# Zorvik, front portrait: wolf bust back-lit by the afterglow, eyes
# catching the last amber light.
# =================================================================
PW=420 PH=520
SKY=('#0b0719' '#171035' '#2a1850' '#4a2163' '#7a2f66' '#b9495a' '#e77a3c' '#f6b45c')
sky $PW $PH 470 "$T/p_sky.png"
stars $PW 300 505 "$T/p_stars.png"
blob $PW $PH 210 470 260 120 '#a8502c' 100 "$T/p_glow.png"
convert "$T/p_sky.png" "$T/p_stars.png" -compose Screen -composite \
    "$T/p_glow.png" -compose Screen -composite "$T/p0.png"
layer "$T/p0.png" '#2a1838' "$(ridge $PW $PH 470 25 13 2 0 0 1 14 60)" "$T/p1.png"

HEAD=$(mirror_poly $PW "210,150 184,147 162,138 120,36 104,128 100,176 91,212 70,246 86,258 56,290 84,298 62,332 96,336 118,362 148,388 170,414 190,432 210,438")
BUST=$(mirror_poly $PW "210,380 150,380 96,334 74,372 62,404 70,418 40,440 46,456 12,478 0,490 0,522 210,522")
# back-light: the silhouette blurred in amber behind itself
convert -size ${PW}x${PH} xc:black -fill white -draw "$HEAD" -draw "$BUST" \
    -blur 0x14 -fill '#ff9a45' -tint 100 -evaluate multiply 0.8 "$T/p_rim.png"
EARS=$(both_sides $PW polygon "166,142 126,58 116,120 132,150")
MUZZLE=$(mirror_poly $PW "210,256 188,260 174,290 166,334 180,380 198,394 210,398")
BROW=$(both_sides $PW polygon "132,214 160,200 196,212 168,210")
CHEEK=$(both_sides $PW polygon "104,240 148,262 160,320 128,352 100,334 86,300")
BLAZE=$(mirror_poly $PW "210,168 200,172 194,230 210,262")
EYES=$(both_sides $PW polygon "142,226 160,216 182,222 194,238 176,246 156,242")
PUPILS="ellipse 172,232 3,7 0,360 ellipse $((PW - 172)),232 3,7 0,360"
GLINTS=$(both_sides $PW circle "168,226 170,226")
NOSE=$(mirror_poly $PW "210,334 190,336 184,344 194,358 210,366")
MOUTH="line 210,366 210,380 line 210,380 190,392 line 210,380 230,392"
convert -size ${PW}x${PH} xc:black -fill '#ffb445' -draw "$EYES" -blur 0x7 \
    -evaluate multiply 1.3 "$T/p_eyeglow.png"
convert "$T/p1.png" "$T/p_rim.png" -compose Screen -composite \
    -fill '#150d1d' -draw "$BUST" \
    -fill '#1d1428' -draw "$HEAD" \
    -fill '#3b2230' -draw "$EARS" \
    -fill '#261b33' -draw "$CHEEK" \
    -fill '#2e2240' -draw "$MUZZLE" \
    -fill '#33263f' -draw "$BLAZE" \
    -fill '#3a2c48' -draw "$BROW" \
    "$T/p_eyeglow.png" -compose Screen -composite \
    -fill '#ffbf52' -draw "$EYES" \
    -fill '#140a08' -draw "$PUPILS" \
    -fill '#fff6df' -draw "$GLINTS" \
    -fill '#07040a' -draw "$NOSE" \
    -fill none -stroke '#07040a' -strokewidth 3 -draw "$MOUTH" -stroke none \
    "$T/zorvik.png"
convert "$T/zorvik.png" "${JPG[@]}" "$IMG/Zorvik.jpg"

# =================================================================
# Zorvik howling: shown centred on black, so the picture itself fades
# to black at its edges and carries no alpha.
# =================================================================
S=500
SKY=('#05030a' '#0d0820' '#1d1240' '#3a1d5a' '#6b2b63' '#a8435c' '#d9703e' '#eca255')
sky $S $S 430 "$T/b_sky.png"
stars $S 300 707 "$T/b_stars.png"
moon 500 105 "$T/b_moon.png"
convert "$T/b_sky.png" "$T/b_stars.png" -compose Screen -composite \
    "$T/b_moon.png" -geometry +40-60 -compose Screen -composite "$T/b0.png"
layer "$T/b0.png" '#1c1126' "$(ridge $S $S 440 20 31 2 0 0 1 12 45)" "$T/b1.png"
# rocky ledge the wolf sits on, then the wolf, head against the moon
LEDGE="polygon 40,520 70,430 120,400 180,388 250,384 300,396 330,420 350,450 372,520"
layer "$T/b1.png" "$INK" "$LEDGE $(howl 118 394 2.2)" "$T/b2.png"
convert -size ${S}x${S} xc:black -fill white -draw "circle 250,250 250,20" -blur 0x70 "$T/b_vig.png"
convert "$T/b2.png" "$T/b_vig.png" -compose Multiply -composite \
    -alpha off "${PNG[@]}" "PNG24:$IMG/ZorvikB.png"

# =================================================================
# Map token: the portrait's face in a small amber-ringed medallion.
# =================================================================
TK=96
convert "$T/zorvik.png" -crop 380x380+20+40 +repage -resize $((TK - 8))x$((TK - 8)) \
    -gravity center -background '#0e0a14' -extent ${TK}x${TK} "$T/tk_face.png"
convert -size ${TK}x${TK} xc:black -fill white -draw "circle 48,48 48,5" "$T/tk_mask.png"
convert -size ${TK}x${TK} xc:'#0e0a14' "$T/tk_face.png" "$T/tk_mask.png" -composite \
    -fill none -stroke '#e7a64c' -strokewidth 3 -draw "circle 48,48 48,5" \
    -stroke '#5a3a2a' -strokewidth 1 -draw "circle 48,48 48,1" \
    "${JPG[@]}" "$IMG/Wolf/zorvik.jpg"

# =================================================================
# Dialogue box: plain light parchment for black and red text (drawn
# from x 20, y 10 to about y 175), thin dark ornate frame outside it.
# =================================================================
BXW=1000 BXH=190
# edges a touch darker, like old paper, but the writing area stays flat
convert -size ${BXW}x${BXH} xc:black -fill white \
    -draw "rectangle 16,16 $((BXW - 17)),$((BXH - 17))" -blur 0x8 +level 88%,100% "$T/bx_edge.png"
ORN=""
CORNERS=("8,8" "$((BXW - 9)),8" "8,$((BXH - 9))" "$((BXW - 9)),$((BXH - 9))")
for c in "${CORNERS[@]}"; do
    x=${c%,*} y=${c#*,}
    ORN+="polygon $x,$((y - 6)) $((x + 6)),$y $x,$((y + 6)) $((x - 6)),$y "
done
# small diamonds halfway down each side, inside the margin
for x in 8 $((BXW - 9)); do
    y=$((BXH / 2))
    ORN+="polygon $x,$((y - 8)) $((x + 4)),$y $x,$((y + 8)) $((x - 4)),$y "
done
convert -size ${BXW}x${BXH} xc:'#ece2c9' "$T/bx_edge.png" -compose Multiply -composite \
    -fill none -stroke '#2a1a2c' -strokewidth 4 -draw "rectangle 2,2 $((BXW - 3)),$((BXH - 3))" \
    -stroke '#8d6a3c' -strokewidth 1.5 -draw "rectangle 8,8 $((BXW - 9)),$((BXH - 9))" \
    -stroke '#2a1a2c' -strokewidth 1 -draw "rectangle 11,11 $((BXW - 12)),$((BXH - 12))" \
    -stroke none -fill '#5b3b2c' -draw "$ORN" \
    -fill '#e7b45f' -draw "$(for c in "${CORNERS[@]}"; do echo "circle $c ${c%,*},$((${c#*,} + 2))"; done)" \
    -alpha off "${PNG[@]}" "PNG24:$IMG/font/printBox.png"

# =================================================================
# Sounds. Everything at 22050 Hz, 16-bit. sox -R makes noise and dither
# repeatable. Plain 16-bit PCM (-e signed-integer -b 16, mono) keeps sox
# from writing the extensible WAV header that older loaders refuse.
# =================================================================
RATE=22050
TMPF=(-r "$RATE" -c 1 -b 32 -e floating-point)     # work files: no clipping, no rounding
WAVF=(-r "$RATE" -c 1 -b 16 -e signed-integer)     # shipped files
gen() { local out=$1; shift; sox -R -n "${TMPF[@]}" "$out" "$@"; }

# --- click: a dry tick of filtered noise plus a short high sine
gen "$T/c1.wav" synth 0.05 noise gain -6 highpass 2500 fade l 0 0.05 0.047
gen "$T/c2.wav" synth 0.05 sine 1700 fade l 0.001 0.05 0.048
sox -R -m -v 0.5 "$T/c1.wav" -v 0.9 "$T/c2.wav" "${WAVF[@]}" "$SND/Menu/click.wav" \
    pad 0 0.01 gain -n -4

# --- hover chime: soft fifth (E6 + B6) over a faint low "tock"
gen "$T/h1.wav" synth 0.12 sine 1318.5 fade l 0.003 0.12 0.115
gen "$T/h2.wav" synth 0.12 sine 1975.5 fade l 0.003 0.12 0.1
gen "$T/h3.wav" synth 0.04 sine 440 fade l 0.001 0.04 0.038
sox -R -m -v 0.6 "$T/h1.wav" -v 0.3 "$T/h2.wav" -v 0.5 "$T/h3.wav" "${WAVF[@]}" \
    "$SND/Menu/sound82.wav" gain -n -6

# --- text tick (one per letter, so very short and quiet)
gen "$T/t1.wav" synth 0.03 sine 2200 fade l 0.001 0.03 0.028
gen "$T/t2.wav" synth 0.03 noise gain -6 highpass 3000 fade l 0 0.03 0.025
sox -R -m -v 0.8 "$T/t1.wav" -v 0.25 "$T/t2.wav" "${WAVF[@]}" "$T/txt.wav" gain -n -8
# fixed stream serial so the file is the same on every run
oggenc -Q -s 1 -q 3 -o "$SND/Texte/txt.ogg" "$T/txt.wav"

# --- wind: brown-noise body plus a breathier band, each swelling at its
# own slow rate. Made 1 s longer than needed; the extra second is
# crossfaded (equal power) into the start so the loop has no seam.
WL=8 WX=1
gen "$T/w1.wav" synth $((WL + WX)) brownnoise gain -6 lowpass 700 tremolo 0.25 55
gen "$T/w2.wav" synth $((WL + WX)) pinknoise gain -6 bandpass 650 1.5q tremolo 0.375 80 \
    tremolo 0.125 40
sox -R -m -v 0.9 "$T/w1.wav" -v 0.35 "$T/w2.wav" "$T/w_raw.wav" highpass 60 gain -n -9
sox "$T/w_raw.wav" "$T/w_body.wav" trim $((WX * RATE))s $(((WL - WX) * RATE))s
sox "$T/w_raw.wav" "$T/w_tail.wav" trim $((WL * RATE))s $((WX * RATE))s fade q 0 $WX $WX
sox "$T/w_raw.wav" "$T/w_head.wav" trim 0s $((WX * RATE))s fade q $WX
sox -m -v 1 "$T/w_tail.wav" -v 1 "$T/w_head.wav" "$T/w_x.wav"
sox -R "$T/w_body.wav" "$T/w_x.wav" "${WAVF[@]}" "$SND/Menu/wind.wav"

# --- opening music, about two minutes: the theme (A minor), a brighter section
# in C major with a plucked arpeggio under long notes, the theme again, and a
# quiet ending on fragments of it. Plucked melody over a sine pad and bass,
# with reverb. Semitones are counted from A4 (sox's %N). Each section is mixed
# on its own from its first bar, then the sections are laid at their places:
# notes padded from the start of the whole piece would fill gigabytes.
BEAT=0.9                       # seconds per beat, 4 beats to the bar
MIX=() SECTIONS=() NI=0 FIRST=0 DYN=1 CB=4
at() { awk -v b=$BEAT -v bar="$1" -v beat="$2" 'BEGIN { printf "%.3f", (bar * 4 + beat) * b }'; }
len() { awk -v b=$BEAT -v n="$1" -v x="${2:-0}" 'BEGIN { printf "%.3f", n * b + x }'; }
voice() { # START DUR VOL SYNTH-AND-EFFECT-ARGS...: one note, shifted to START in its section
    local start=$1 dur=$2 vol f="$T/note$NI.wav"
    vol=$(awk -v v="$3" -v d="$DYN" 'BEGIN { printf "%.4f", v * d }')
    shift 3
    NI=$((NI + 1))
    gen "$f" synth "$dur" "$@" pad "$start"
    MIX+=(-v "$vol" "$f")
}
melody() { # BAR BEAT BEATS SEMITONE
    local d; d=$(len "$3" 1.4)
    voice "$(at "$1" "$2")" "$d" 0.2 pluck "%$4" fade l 0.005 "$d" 1.2
    voice "$(at "$1" "$2")" "$d" 0.045 sine "%$(($4 + 12))" fade l 0.005 "$d" "$(len "$3" 1.2)"
}
chord() { # BAR ROOT-SEMITONE TONES...: CB beats of pad and bass
    local bar=$1 root=$2 d t; shift 2
    d=$(len "$CB" 1.6)
    voice "$(at "$bar" 0)" "$d" 0.13 sine "%$((root - 12))" fade q 0.05 "$d" 1.8
    for t in "$@"; do
        voice "$(at "$bar" 0)" "$d" 0.04 sine "%$t" fade q 0.9 "$d" 1.6
        voice "$(at "$bar" 0)" "$d" 0.025 sine "%$t.08" fade q 1.1 "$d" 1.6   # slight detune, slow beating
    done
}
arpeggio() { # BAR A B C D: eighth notes a b c d c b c b, softly plucked
    local bar=$1 i=0 n; shift
    local tones=("$1" "$2" "$3" "$4" "$3" "$2" "$3" "$2")
    for n in "${tones[@]}"; do
        voice "$(at "$bar" "$(awk -v i=$i 'BEGIN { print i / 2 }')")" 1.3 0.07 pluck "%$n" fade l 0.005 1.3 1.1
        i=$((i + 1))
    done
}
notes() { local b t n s; while read -r b t n s; do melody "$b" "$t" "$n" "$s"; done; }
# Each chord: its root (the bass sounds an octave below) and its voicing, in
# semitones from A4.
declare -A VOICING=([Am]="-24 -12 -9 -5" [C]="-21 -14 -9 -5" [Dm]="-19 -16 -12 -7" [Em]="-29 -17 -14 -10"
    [E]="-29 -17 -13 -10" [F]="-28 -16 -12 -9" [G]="-26 -14 -10 -7")
chords() { # FIRST-BAR NAME...: one chord a bar
    local bar=$1 name; shift
    # shellcheck disable=SC2086 # a voicing is a list of tones
    for name; do chord "$bar" ${VOICING[$name]}; bar=$((bar + 1)); done
}
arpeggios() { local b t1 t2 t3 t4; while read -r b t1 t2 t3 t4; do arpeggio "$b" "$t1" "$t2" "$t3" "$t4"; done; }
section() { # NAME FIRST-BAR: starts a section at that bar of the piece; its notes count bars from there
    flush
    SNAME=$1 FIRST=$2
}
flush() { # mixes the notes of the section so far into one file laid at its first bar
    [ "${#MIX[@]}" -gt 0 ] || return 0
    sox -R -m "${MIX[@]}" "$T/sec_$SNAME.wav" pad "$(at "$FIRST" 0)"
    rm -f "$T"/note*.wav
    SECTIONS+=(-v 1 "$T/sec_$SNAME.wav") MIX=()
}
theme() { # the A-minor theme, bars 0 to 7 of its section
    chords 0 Am F C Em Am Dm E Am  # E, with its G sharp: the harmonic-minor pull home
    notes <<'NOTES'
0 0 1 0
0 1 1 3
0 2 2 7
1 0 1.5 8
1 1.5 0.5 7
1 2 1 5
1 3 1 3
2 0 2 7
2 2 1 -2
2 3 1 3
3 0 2 2
3 2 1 5
3 3 1 2
4 0 1 3
4 1 1 2
4 2 2 0
5 0 1 -4
5 1 1 0
5 2 1.5 5
5 3.5 0.5 3
6 0 2 2
6 2 1 -1
6 3 1 2
7 0 4 0
7 2 2 -5
NOTES
}

section theme 0
theme

section bright 8
chords 0 C G Am Em F C Dm E    # E leads back towards the theme
arpeggios <<'ARPEGGIOS'
0 -21 -14 -9 -5
1 -26 -19 -14 -10
2 -24 -17 -12 -9
3 -29 -22 -17 -14
4 -28 -21 -16 -12
5 -21 -14 -9 -5
6 -31 -24 -19 -16
7 -29 -22 -17 -13
ARPEGGIOS
notes <<'NOTES'
0 0 3 7
0 3 1 10
1 0 2 5
1 2 1 2
1 3 1 5
2 0 3 3
2 3 1 7
3 0 2 2
3 2 2 -2
4 0 1 0
4 1 1 3
4 2 2 8
5 0 2 7
5 2 1 10
5 3 1 7
6 0 2 8
6 2 1 5
6 3 1 8
7 0 2 7
7 2 1 2
7 3 1 -1
NOTES

section reprise 16
theme

# The ending: softer and softer, the theme's opening twice over a slowing
# harmony, then A minor held until it fades.
section ending 24
DYN=0.75
chords 0 Am F Dm E
notes <<'NOTES'
0 0 1 0
0 1 1 3
0 2 2 7
1 0 2 8
1 2 2 7
2 0 2 5
2 2 2 3
3 0 3 2
3 3 1 -1
NOTES
DYN=0.55
chords 4 Am F
notes <<'NOTES'
4 0 1 0
4 1 1 3
4 2 2 7
5 0 2 8
5 2 2 7
6 0 4 0
NOTES
CB=8
chords 6 Am                    # held two bars
flush
# (volumes are kept low so the sum never clips before the final normalise)
sox -R -m "${SECTIONS[@]}" "$T/music.wav" pad 0 1.5 reverb 45 50 85 100 15 gain -n -1.5
lame --quiet -m m -b 48 "$T/music.wav" "$SND/Menu/FM_Bratja.mp3"
