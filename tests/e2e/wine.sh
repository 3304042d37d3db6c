#!/bin/bash
# End-to-end test of the Windows package under Wine: duskwane.exe unzipped from
# the zip into an empty folder, run in a virtual X server and played with
# xdotool like tests/e2e/run.sh plays the Linux build.
#
#     tests/e2e/wine.sh build-windows/duskwane-windows.zip build/map.map
#
# The second argument is the map.map that the Linux build wrote: the Windows
# one must hold the same tiles with CR LF line ends. Exit status 0 when every
# check passed, 1 otherwise.
set -euo pipefail

HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=tests/e2e/lib.sh
source "$HERE/lib.sh"

ZIP=$(realpath "${1:?usage: $0 duskwane-windows.zip linux-map.map}")
MAP_LF=$(realpath "${2:?usage: $0 duskwane-windows.zip linux-map.map}")
WORK=$(mktemp -d "${TMPDIR:-/tmp}/duskwane-wine.XXXXXX")
SHOTS=${E2E_SHOTS:-$WORK/shots}
mkdir -p "$SHOTS"
cleanup() {
    stop_game
    stop_xvfb
    if [ "$FAILED" = 0 ]; then rm -rf "$WORK"; else echo "# output and screenshots kept in $WORK"; fi
}
trap cleanup EXIT
trap 'exit 1' INT TERM

WM_DELETE=$WORK/wm_delete
cc -O2 -o "$WM_DELETE" "$HERE/wm_delete.c" -lX11
start_xvfb || exit 1
wine_prefix || exit 1

# A fresh folder per scenario, the package unzipped into it; the game starts there, as after a double-click.
GAME=$WORK/wine-game
printf '#!/bin/sh\nexec wine duskwane.exe\n' >"$GAME"
chmod +x "$GAME"
unzipped() {
    rm -rf "$WORK/game" && mkdir "$WORK/game" && cd "$WORK/game" && unzip -q "$ZIP"
    [ -z "${1:-}" ] || rm "$1"
}

CAPTION="Duskwane        by Pellimor/ QV "
read -r BTN_W BTN_H <<<"$(unzip -p "$ZIP" rsrc_img/Menu/newgame.jpg >"$WORK/b.jpg" && size "$WORK/b.jpg")"
BTN_X=$(((1060 - BTN_W) / 2))
BTN_CX=$((BTN_X + BTN_W / 2))
NEWGAME="${BTN_W}x${BTN_H}+${BTN_X}+200"

# Wine gives the X window the game's drawing area alone (the frame Windows draws is not part of it).
client_size() { xdotool getwindowgeometry "$WIN" | grep -q 'Geometry: 1060x740'; }
menu_shown() { shot && fcmp "$(diff_to "$SHOT" 300x740+0+0 rsrc_img/Menu/menu.jpg 300x740+0+0)" '<' 0.05; }
lit() {
    xdotool mousemove --window "$WIN" "$BTN_CX" 245
    shot && fcmp "$(diff_to "$SHOT" "$NEWGAME" rsrc_img/Menu/newgameb.jpg)" '<' 0.05
}
click_btn() { click_at "$BTN_CX" "$1"; } # click_btn Y: left click on the button column

scenario_title() {
    unzipped
    start_game title || return 1
    check "title: caption is exactly \"$CAPTION\"" [ "$(xdotool getwindowname "$WIN")" = "$CAPTION" ]
    check "title: the game's window is 1060 x 740 inside its frame" client_size
    # What a taskbar shows: the window's own icon, as Wine hands it to the X window manager.
    xprop -id "$WIN" -notype -f _NET_WM_ICON 32c ' $0+\n' _NET_WM_ICON 2>/dev/null | sed 's/^_NET_WM_ICON //' |
        awk -F', ' '{ printf "P3 %d %d 255\n", $1, $2; for (i = 3; i < 3 + $1 * $2; i++)
            printf "%d %d %d\n", int($i / 65536) % 256, int($i / 256) % 256, $i % 256 }' >"$WORK/window_icon.ppm"
    local d
    d=$(diff_to "$WORK/window_icon.ppm" 32x32+0+0 "$WORK/head32.png")
    check "title: the window's 32 px icon is Zorvik's head (difference $d)" fcmp "$d" '<' 0.01
    check "title: the title picture fills that area" \
        until_ok 15 eval 'shot && fcmp "$(diff_to "$SHOT" 300x740+0+0 rsrc_img/menu.jpg 300x740+0+0)" "<" 0.05'
    check "title: map.map is 1228 bytes" [ "$(stat -c %s map.map)" = 1228 ]
    check "title: map.map holds the Linux build's tiles with CR LF line ends" \
        cmp -s map.map <(sed '$!s/$/\r/' "$MAP_LF")
    key space
    check "title: a key leaves the title for the menu" until_ok 15 menu_shown
    check "menu: the pointer lights the new game button" until_ok 10 lit
    click_btn 395
    local red
    red=0
    typed() { shot && red=$(near "$SHOT" 1000x190+30+550 250 0 0 10) && ((red > 500)); }
    check "load game: the test text is typed into the box" until_ok 30 typed
    sleep 8
    key space
    check "load game: a key brings the menu back" until_ok 15 menu_shown
    click_btn 545
    expect_exit0 "menu: exit button"
    printf '\n#INIT Chaine initialis\351 #INIT_END\n\n#int tailleChaine : la taille de  la chaine est de : 101 #in tailleChaine_end' |
        sed 's/$/\r/' | head -c -1 >"$WORK/expected.txt"
    check "stdout.txt holds the text box's debugging lines, byte for byte" cmp stdout.txt "$WORK/expected.txt"
}

scenario_close_on_title() {
    unzipped
    start_game close || return 1
    close_window
    expect_exit0 "title: close request"
}

scenario_missing_menu_picture() {
    unzipped rsrc_img/Menu/menu.jpg
    start_game missing || return 1
    key space
    red_card() { shot && (($(near "$SHOT" 1060x740+0+0 250 0 0 2) > 700000)); }
    check "no menu picture: the red card" until_ok 15 red_card
    click_btn 100
    check "no menu picture: after a click the menu works (the pointer lights new game)" until_ok 10 lit
    key Escape
    expect_exit0 "no menu picture: Escape in the menu"
}

# Explorer and the taskbar take the icon from the program: Zorvik's head, the desktop entry's picture.
scenario_icon() {
    unzip -p "$ZIP" duskwane.exe >"$WORK/duskwane.exe"
    wrestool -x -t 14 "$WORK/duskwane.exe" >"$WORK/icon.ico" 2>/dev/null || true
    local sizes d
    sizes=$(icotool -l "$WORK/icon.ico" 2>/dev/null | sed -n 's/.*--width=\([0-9]*\).*/\1/p' | sort -n | xargs)
    check "icon: duskwane.exe holds an icon of 16, 32, 48 and 256 px (found: $sizes)" [ "$sizes" = "16 32 48 256" ]
    # (icotool's size filter misreads the pictures after a PNG one: take them all)
    mkdir -p "$WORK/icon" && icotool -x -o "$WORK/icon" "$WORK/icon.ico" 2>/dev/null || true
    convert "$HERE/../../packaging/duskwane.png" -resize 48x48 "$WORK/head48.png"
    convert "$HERE/../../packaging/duskwane.png" -resize 32x32 "$WORK/head32.png"
    d=$(diff_to "$(ls "$WORK"/icon/*_48x48x*.png 2>/dev/null | head -n 1)" 48x48+0+0 "$WORK/head48.png")
    check "icon: its 48 px picture is Zorvik's head (difference $d)" fcmp "$d" '<' 0.01
}

for scenario in icon title close_on_title missing_menu_picture; do
    echo "# wine: $scenario"
    "scenario_$scenario" || true
    stop_game
done
echo "$PASSED passed, $FAILED failed"
[ "$FAILED" = 0 ]
