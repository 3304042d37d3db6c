#!/bin/bash
# End-to-end test: the real game in a virtual X server, played with xdotool like a
# player would, watched through screenshots and listened to through SDL's disk
# audio driver.
#
#     tests/e2e/run.sh path/to/duskwane
#
# Runs in the game's run-time directory (the game beside rsrc_img/ and rsrc_snd/).
# Exit status 0 when every check passed, 77 when Xvfb or xdotool is missing,
# 1 otherwise. Screenshots of the main screens go to $E2E_SHOTS (default: a
# temporary directory, kept and named at the end when something failed).
set -euo pipefail

HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=tests/e2e/lib.sh
source "$HERE/lib.sh"

GAME=${1:-}
if [ -z "$GAME" ] || [ ! -x "$GAME" ]; then
    echo "FAIL - usage: $0 path/to/duskwane (got '${GAME}')"
    exit 1
fi
GAME=$(cd "$(dirname "$GAME")" && pwd)/${GAME##*/}

for tool in Xvfb xdotool; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "skipped: $tool is missing (apt-get install -y xvfb xauth xdotool x11-utils imagemagick)"
        exit 77
    fi
done
for tool in xwininfo import convert identify cc; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "FAIL - $tool is missing (apt-get install -y x11-utils imagemagick build-essential)"
        exit 1
    fi
done
for asset in rsrc_img/Menu/menu.jpg rsrc_img/menu.jpg rsrc_img/font/Tessmarin.ttf; do
    if [ ! -f "$asset" ]; then
        echo "FAIL - $asset not found: run me in the game's run-time directory (got $(pwd))"
        exit 1
    fi
done

WORK=$(mktemp -d "${TMPDIR:-/tmp}/duskwane-e2e.XXXXXX")
SHOTS=${E2E_SHOTS:-$WORK/shots}
mkdir -p "$SHOTS"
XVFB_PID=""

cleanup() {
    stop_game
    if [ -n "$XVFB_PID" ]; then
        kill "$XVFB_PID" 2>/dev/null || true
        wait "$XVFB_PID" 2>/dev/null || true
    fi
    if [ "$FAILED" = 0 ]; then
        rm -rf "$WORK"
    else
        echo "# game output, audio and screenshots kept in $WORK"
    fi
}
trap cleanup EXIT
trap 'exit 1' INT TERM

WM_DELETE=$WORK/wm_delete
if ! cc -O2 -o "$WM_DELETE" "$HERE/wm_delete.c" -lX11 2>"$WORK/cc.log"; then
    echo "FAIL - cannot build the close-request helper: $(head -c 300 "$WORK/cc.log") (apt-get install -y libx11-dev)"
    exit 1
fi

# The server picks a free display number itself and tells it through fd 3. Without -noreset it
# resets whenever its last client leaves, and a game starting in that moment cannot connect.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$WORK/display" >"$WORK/xvfb.log" 2>&1 &
XVFB_PID=$!
display_ready() { [ -s "$WORK/display" ] && xdotool getdisplaygeometry >/dev/null 2>&1; }
DISPLAY=:$(
    until_ok 20 test -s "$WORK/display" || true
    head -n 1 "$WORK/display"
)
export DISPLAY
if [ "$DISPLAY" = ":" ] || ! until_ok 20 display_ready; then
    echo "FAIL - Xvfb did not start: $(tail -c 300 "$WORK/xvfb.log")"
    exit 1
fi
echo "# Xvfb on $DISPLAY, game $GAME, run-time directory $(pwd)"

# ------------------------------------------------------------ the layout
SCREEN_W=1060
SCREEN_H=740
CAPTION="Duskwane        by Pellimor/ QV "
MENU_BG=rsrc_img/Menu/menu.jpg
TITLE_BG=rsrc_img/menu.jpg
# The strip left of the buttons shows nothing but the menu background.
LEFT_STRIP="300x740+0+0"

read -r BTN_W BTN_H <<<"$(size rsrc_img/Menu/newgame.jpg || echo "420 90")"
BTN_X=$(((SCREEN_W - BTN_W) / 2))
BTN_CX=$((BTN_X + BTN_W / 2))
NEWGAME_Y=200
LOADGAME_Y=350
EXIT_Y=500
# The text box is bottom-centred; without its picture the game draws a plain 1000 x 190 box.
if [ -f rsrc_img/font/printBox.png ]; then
    read -r BOX_W BOX_H <<<"$(size rsrc_img/font/printBox.png)"
else
    BOX_W=1000
    BOX_H=190
fi
BOX_X=$(((SCREEN_W - BOX_W) / 2))
BOX_Y=$((SCREEN_H - BOX_H))
BOX_GEO="${BOX_W}x${BOX_H}+${BOX_X}+${BOX_Y}"
ABOVE_BOX="${SCREEN_W}x$((BOX_Y - 10))+0+0"
CORNER="100x100+0+0"

map_written() { [ -f map.map ] && [ "$(stat -c %s map.map 2>/dev/null)" = 1215 ]; }

# in_menu [FILE]: the screenshot (default: a fresh one) shows the main menu's background.
in_menu() {
    local f=${1:-}
    if [ -z "$f" ]; then
        shot || return 1
        f=$SHOT
    fi
    local d_menu d_title
    d_menu=$(diff_to "$f" "$LEFT_STRIP" "$MENU_BG" "$LEFT_STRIP")
    d_title=$(diff_to "$f" "$LEFT_STRIP" "$TITLE_BG" "$LEFT_STRIP")
    fcmp "$d_menu" '<' 0.04 && fcmp "$d_menu" '<' "$d_title"
}

# leave_title: a key press on the title screen brings the menu.
leave_title() {
    key space
    if ! until_ok 15 in_menu; then
        fail "$1: the menu did not appear within 15 s of a key press on the title screen"
        return 1
    fi
}

# ============================================================ scenarios

scenario_title() {
    rm -f map.map
    start_game title || return 1

    local name
    name=$(xdotool getwindowname "$WIN" 2>/dev/null || true)
    check "title: window caption is exactly \"$CAPTION\" (is \"$name\")" [ "$name" = "$CAPTION" ]

    check "title: window is 1060 x 740, centred on the 1280 x 1024 screen at 110,142 (is $(window_geometry))" \
        centred_window

    check "title: map.map written with 1215 bytes" until_ok 10 map_written
    if [ -n "${DUSKWANE_SDL:-}" ]; then
        # The test command's platform leg names the SDL 1.2 the game must have loaded.
        local lib
        lib=$(awk '/libSDL-1\.2\.so/ { print $6; exit }' "/proc/$GAME_PID/maps")
        check "title: the game runs on $DUSKWANE_SDL SDL 1.2 (loaded $lib)" \
            [ "$([[ $lib == */sdl12-compat/* ]] && echo sdl12-compat || echo classic)" = "$DUSKWANE_SDL" ]
    fi

    # The prompt blinks: some screenshots show the near-white (245) prompt in the middle band,
    # others do not. Each phase lasts a little over half a second.
    local band="1060x200+0+270" most=0 least=999999 n limit=$(($(now_ms) + 20000))
    while (($(now_ms) < limit)); do
        shot || break
        n=$(near "$SHOT" "$band" 245 245 245 2)
        if ((n > most)); then
            most=$n
            keep title
        fi
        ((n < least)) && least=$n
        if ((most >= 1500 && least * 20 <= most)); then break; fi
        sleep 0.15
    done
    check "title: the prompt \"[ Push Any Key ]\" is shown ($most near-white pixels in the middle at most)" \
        [ "$most" -ge 1500 ]
    check "title: the prompt blinks (down to $least near-white pixels in other screenshots)" \
        [ "$((most >= 1500 && least * 20 <= most))" = 1 ]
    check "title: background is the title picture" \
        fcmp "$(diff_to "$SHOTS/title.png" "$LEFT_STRIP" "$TITLE_BG" "$LEFT_STRIP")" '<' 0.04

    # Sound: the disk driver writes the mixer's output; the wind must make it non-zero.
    audio_size() { stat -c %s "$AUDIO_FILE" 2>/dev/null || echo 0; }
    local size0
    size0=$(audio_size)
    audio_grows() { (($(audio_size) > size0)); }
    audio_heard() { (($(tr -d '\000' <"$AUDIO_FILE" 2>/dev/null | wc -c) > 1000)); }
    check "title: the game's sound output goes on (captured audio grows)" until_ok 10 audio_grows
    check "title: the wind is heard (captured audio is not silent)" until_ok 10 audio_heard

    leave_title title || return 1
    ok "title: a key press leaves the title screen for the main menu"

    close_window
    expect_exit0 "menu: close request"
}

scenario_close_on_title() {
    rm -f map.map
    start_game close_title || return 1
    close_window
    expect_exit0 "title: close request at once"
    check "title: map.map written with 1215 bytes even when closed at once" map_written
}

scenario_hover() {
    start_game hover || return 1
    leave_title hover || return 1

    local cy=$((NEWGAME_Y + BTN_H / 2))
    xdotool mousemove --window "$WIN" "$BTN_CX" "$cy"
    sleep 0.2
    xdotool mousemove --window "$WIN" $((BTN_CX + 7)) $((cy + 3))
    local geo="${BTN_W}x${BTN_H}+${BTN_X}+${NEWGAME_Y}" d_normal=1 d_lit=1
    lit() {
        shot || return 1
        d_normal=$(diff_to "$SHOT" "$geo" rsrc_img/Menu/newgame.jpg)
        d_lit=$(diff_to "$SHOT" "$geo" rsrc_img/Menu/newgameb.jpg)
        fcmp "$d_lit" '<' 0.05 && fcmp "$d_lit" '<' "$d_normal"
    }
    if until_ok 10 lit; then
        keep menu_hover
        ok "menu: new game lights up under the pointer (difference $d_lit to the lit picture, $d_normal to the normal one)"
        local lg="${BTN_W}x${BTN_H}+${BTN_X}+${LOADGAME_Y}" l_normal l_lit
        l_normal=$(diff_to "$SHOT" "$lg" rsrc_img/Menu/loadgame.jpg)
        l_lit=$(diff_to "$SHOT" "$lg" rsrc_img/Menu/loadgameb.jpg)
        check "menu: load game stays unlit meanwhile ($l_normal to normal, $l_lit to lit)" fcmp "$l_normal" '<' "$l_lit"
    else
        fail "menu: new game did not light up under the pointer within 10 s (difference $d_lit to the lit picture, $d_normal to the normal one)"
    fi

    click_at "$BTN_CX" $((EXIT_Y + BTN_H / 2))
    expect_exit0 "menu: click on exit"
}

scenario_escape() {
    start_game escape || return 1
    leave_title escape || return 1
    key Escape
    expect_exit0 "menu: Escape"
}

scenario_load_game() {
    start_game load || return 1
    leave_title load || return 1
    click_at "$BTN_CX" $((LOADGAME_Y + BTN_H / 2))

    # Red (250, 0, 0) text is typed into the box, one character per 51 ms or more; it is done
    # when the count of red pixels stays the same over a while.
    local reds=() n same=0 since=0 limit=$(($(now_ms) + 40000)) done=no
    while (($(now_ms) < limit)); do
        game_gone && break
        shot || break
        n=$(near "$SHOT" "$BOX_GEO" 250 0 0 10)
        if ((${#reds[@]} > 0 && n == reds[-1] && n > 0)); then
            same=$((same + 1))
            if ((same >= 2 && $(now_ms) - since >= 1000)); then
                done=yes
                break
            fi
        else
            same=0
            since=$(now_ms)
        fi
        reds+=("$n")
    done
    local first=0 v
    for v in "${reds[@]}"; do
        if ((v > 0)); then
            first=$v
            break
        fi
    done
    local last=0
    ((${#reds[@]} > 0)) && last=${reds[-1]}
    check "load game: red text appears in the text box ($first red pixels at first sight)" [ "$first" -gt 0 ]
    check "load game: the red text grows as it is typed ($first, then up to $last red pixels; ${#reds[@]} looks)" \
        [ "$last" -gt "$first" ]
    if [ "$done" != yes ]; then
        fail "load game: the text never stopped changing within 40 s (counts: ${reds[*]})"
        return 1
    fi
    ok "load game: the text is complete and stays"

    key space
    menu_back() { in_menu && (($(near "$SHOT" "$BOX_GEO" 250 0 0 10) == 0)); }
    if until_ok 15 menu_back; then
        ok "load game: a key press brings the menu back, without the text box"
    else
        fail "load game: the menu did not come back within 15 s of a key press"
        return 1
    fi
    key Escape
    expect_exit0 "load game: Escape in the menu afterwards"
}

scenario_fullscreen() {
    start_game fullscreen || return 1
    # What the player sees, on any SDL 1.2: the window's place and size, its picture, and the
    # pointer's effect. Full screen itself looks different from one SDL to another (a mode change
    # or a scaled picture, and without a window manager the window may keep its size), so only
    # the way back is judged by its looks.
    local centred="1060 x 740 centred at 110,142"
    check "F11: the game starts in a window of $centred (is $(window_geometry))" centred_window
    shot && cp "$SHOT" "$WORK/before.png"
    gone_title() {
        import -silent -window root "$WORK/root.png" 2>/dev/null &&
            fcmp "$(diff_to "$WORK/root.png" 1060x740+110+142 "$WORK/before.png")" '>' 0.04
    }
    key F11
    check "F11 on the title screen: the title screen gives way" until_ok 10 gone_title
    alive "F11 on the title screen" || return 1
    sleep 1
    key F11
    back() { centred_window && in_menu; }
    if until_ok 10 back; then
        ok "F11 in the menu: back to a window of $centred showing the menu"
    else
        fail "F11 in the menu: not back to a window of $centred showing the menu within 10 s (is $(window_geometry))"
        return 1
    fi
    xdotool windowfocus "$WIN" 2>/dev/null || true
    local d
    d=$(diff_to "$SHOT" "$BTN_W"x"$BTN_H"+"$BTN_X"+"$NEWGAME_Y" rsrc_img/Menu/newgame.jpg)
    check "F11 twice: the menu is whole, new game unlit (difference $d to its picture)" fcmp "$d" '<' 0.05
    local cy=$((NEWGAME_Y + BTN_H / 2)) geo="${BTN_W}x${BTN_H}+${BTN_X}+${NEWGAME_Y}"
    xdotool mousemove --window "$WIN" "$BTN_CX" "$cy"
    lit() { shot && fcmp "$(diff_to "$SHOT" "$geo" rsrc_img/Menu/newgameb.jpg)" '<' 0.05; }
    check "F11 twice: the pointer still lights new game" until_ok 10 lit
    click_at "$BTN_CX" $((EXIT_Y + BTN_H / 2))
    expect_exit0 "F11 twice: click on exit"
}

# --------------------------------------------------------------- intro
# look: one screenshot, measured: the text box's picture (BOX_SIG), its mean level (BOX_MEAN)
# and the mean level above it (TOP_MEAN).
look() {
    shot || return 1
    local out
    out=$(convert "$SHOT" \( -clone 0 -crop "$BOX_GEO" +repage \) \( -clone 0 -crop "$ABOVE_BOX" +repage \) \
        -delete 0 -format '%# %[fx:mean]\n' info: 2>/dev/null) || return 1
    read -r BOX_SIG BOX_MEAN TOP_SIG TOP_MEAN <<<"$(tr '\n' ' ' <<<"$out")"
    : "$TOP_SIG"
}

# box_settles PREVIOUS SECONDS: waits until a text box is on the screen, other than the box
# PREVIOUS (a box picture signature), and its text has stopped changing: the same picture in
# three looks over at least a second. Sets SETTLED to its signature.
box_settles() {
    local previous=$1 limit=$(($(now_ms) + $2 * 1000)) last="" seen=0 since=0
    while (($(now_ms) < limit)); do
        game_gone && return 1
        look || continue
        if fcmp "$BOX_MEAN" '>' 0.05 && [ "$BOX_SIG" != "$previous" ]; then
            if [ "$BOX_SIG" = "$last" ]; then
                seen=$((seen + 1))
                if ((seen >= 2 && $(now_ms) - since >= 1000)); then
                    SETTLED=$BOX_SIG
                    return 0
                fi
            else
                last=$BOX_SIG
                seen=0
                since=$(now_ms)
            fi
        else
            last=""
        fi
    done
    return 1
}

# box_changes PREVIOUS SECONDS: waits until the box area no longer shows the box PREVIOUS.
box_changes() {
    local limit=$(($(now_ms) + $2 * 1000))
    while (($(now_ms) < limit)); do
        game_gone && return 1
        look && [ "$BOX_SIG" != "$1" ] && return 0
    done
    return 1
}

scenario_intro() {
    start_game intro || return 1
    leave_title intro || return 1
    click_at "$BTN_CX" $((NEWGAME_Y + BTN_H / 2))

    # Dialogue: each line is answered once it is fully typed. The fourth line is cut short
    # with Escape, so seven of the eight lines wait for a key; the box after them is the
    # exclamation, over the white-out.
    local boxes=0 previous="" dark
    while :; do
        if ! box_settles "$previous" 40; then
            fail "intro: dialogue box $((boxes + 1)) never settled within 40 s"
            return 1
        fi
        previous=$SETTLED
        fcmp "$TOP_MEAN" '>' 0.9 && break
        boxes=$((boxes + 1))
        if ((boxes == 1)); then
            keep textbox
            check "intro: the dialogue is typed over a black screen (mean level $TOP_MEAN above the box)" \
                fcmp "$TOP_MEAN" '<' 0.02
            dark=$(near "$SHOT" "$BOX_GEO" 0 0 0 10)
            check "intro: the text box shows dark text ($dark black pixels in the box, box level $BOX_MEAN)" \
                [ "$dark" -gt 200 ] && fcmp "$BOX_MEAN" '>' 0.3
        fi
        if ((boxes > 9)); then
            fail "intro: more than 8 dialogue boxes"
            return 1
        fi
        key space
        if ((boxes == 3)); then
            if ! box_changes "$previous" 15; then
                fail "intro: the fourth dialogue line did not start within 15 s"
                return 1
            fi
            sleep 0.3
            key Escape
        fi
    done
    check "intro: Escape cut the fourth dialogue line short (7 lines waited for a key; saw $boxes)" [ "$boxes" = 7 ]

    keep whiteout
    local palest
    palest=$(darkest "$SHOT" "$ABOVE_BOX")
    check "intro: the white-out ends near-white (every pixel above the box at 250 or more; darkest $palest)" \
        [ "$palest" -ge 250 ]
    check "intro: the exclamation box is shown over the white screen" fcmp "$BOX_MEAN" '<' 0.97

    # Portrait fade-in: bottom-centred, over the white screen, above the box.
    read -r PW PH <<<"$(size rsrc_img/Zorvik.jpg || echo "420 520")"
    local px=$(((SCREEN_W - PW) / 2)) py=$((SCREEN_H - PH))
    local upper="${PW}x$((BOX_Y - py))+${px}+${py}" phase_seen=no level corner darkest_level=1
    key space
    local limit=$(($(now_ms) + 30000))
    while (($(now_ms) < limit)); do
        game_gone && break
        shot || continue
        corner=$(mean "$SHOT" "$CORNER")
        fcmp "$corner" '<' 0.5 && break # the second portrait, on black
        level=$(mean "$SHOT" "$upper")
        if fcmp "$level" '<' 0.85; then
            phase_seen=yes
            fcmp "$level" '<' "$darkest_level" && darkest_level=$level && keep portrait
        fi
    done
    check "intro: the portrait fades in bottom-centred over the white (its area down to level $darkest_level)" \
        [ "$phase_seen" = yes ]

    # Monologue: ten lines in the box, under the second portrait centred on black.
    if ! box_settles "$previous" 40; then
        fail "intro: the first monologue box never settled within 40 s"
        return 1
    fi
    previous=$SETTLED
    keep monologue
    check "intro: the monologue is on black (corner level $(mean "$SHOT" "$CORNER"))" \
        fcmp "$(mean "$SHOT" "$CORNER")" '<' 0.02
    if [ -f rsrc_img/ZorvikB.png ]; then
        local qw qh
        read -r qw qh <<<"$(size rsrc_img/ZorvikB.png)"
        local qx=$(((SCREEN_W - qw) / 2)) qy=$(((SCREEN_H - qh) / 2))
        local visible=$((BOX_Y - qy))
        convert rsrc_img/ZorvikB.png -background black -flatten "$WORK/zorvikb.png"
        local d
        d=$(diff_to "$SHOT" "${qw}x${visible}+${qx}+${qy}" "$WORK/zorvikb.png" "${qw}x${visible}+0+0")
        check "intro: the second portrait is centred (difference $d to rsrc_img/ZorvikB.png)" fcmp "$d" '<' 0.05
    else
        fail "intro: rsrc_img/ZorvikB.png is missing, the second portrait cannot be checked"
    fi
    local line
    for line in 2 3 4 5 6 7 8 9 10; do
        key space
        if ! box_settles "$previous" 40; then
            fail "intro: monologue box $line never settled within 40 s"
            return 1
        fi
        previous=$SETTLED
    done
    key space

    # The final black screen: a key does not end it, a mouse click does.
    all_black() { shot && fcmp "$(mean "$SHOT" "${SCREEN_W}x${SCREEN_H}+0+0")" '<' 0.003; }
    if until_ok 15 all_black; then
        ok "intro: after ten monologue lines the screen turns black"
    else
        fail "intro: no black screen within 15 s after the tenth monologue line"
        return 1
    fi
    key space
    sleep 1
    check "intro: a key press does not end the black screen" all_black
    alive "intro: black screen" || return 1
    xdotool click 1
    if until_ok 15 in_menu; then
        ok "intro: a mouse click ends the black screen and the menu comes back"
    else
        fail "intro: the menu did not come back within 15 s of a click"
        return 1
    fi
    key Escape
    expect_exit0 "intro: Escape in the menu afterwards"
}

# ================================================================= run
for scenario in ${E2E_SCENARIOS:-title close_on_title hover escape load_game fullscreen intro}; do
    echo "# $scenario"
    "scenario_$scenario" || true
    stop_game
done

if [ -n "${E2E_SHOTS:-}" ]; then echo "# screenshots in $SHOTS"; fi
echo "$PASSED passed, $FAILED failed"
[ "$FAILED" = 0 ]
