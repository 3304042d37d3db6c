# shellcheck shell=bash
# Helpers for run.sh: reporting, bounded waits, the game's process and window,
# and measurements on screenshots of the game window. Sourced, not run.

LC_ALL=C
export LC_ALL

# ------------------------------------------------------------- reporting
PASSED=0
FAILED=0
ok() {
    PASSED=$((PASSED + 1))
    echo "ok - $*"
}
fail() {
    FAILED=$((FAILED + 1))
    local note=""
    # A step that timed out because the game died says so, with the end of what the game printed.
    if [ -n "${GAME_PID:-}" ] && game_gone; then
        note=" [the game is no longer running; its last output: $(tr "\n" " " <"$GAME_OUT" 2>/dev/null | tail -c 200)]"
    fi
    echo "FAIL - $*$note"
}
# check "what" command...: one reported fact.
check() {
    local what=$1
    shift
    if "$@"; then ok "$what"; else fail "$what"; fi
}

# ------------------------------------------------------------ time, waits
now_ms() {
    local t=${EPOCHREALTIME/./}
    echo $((10#$t / 1000))
}

# until_ok SECONDS command...: runs the command until it succeeds; false once the time is up.
until_ok() {
    local limit=$(($(now_ms) + $1 * 1000))
    shift
    while :; do
        if "$@"; then return 0; fi
        if (($(now_ms) > limit)); then return 1; fi
        sleep 0.1
    done
}

# fcmp A OP B: floating-point comparison, OP one of < <= > >= ==.
fcmp() {
    awk -v a="$1" -v b="$3" "BEGIN { exit !(a $2 b) }"
}

# ------------------------------------------------------- the game process
GAME_PID=""
WIN=""

game_gone() {
    [ -z "$GAME_PID" ] && return 0
    ! kill -0 "$GAME_PID" 2>/dev/null
}

# True once the game's window exists, or once the game has died (the caller tells them apart).
window_or_death() {
    game_gone && return 0
    WIN=$(xdotool search --name '^Duskwane' 2>/dev/null | head -n 1 || true)
    [ -n "$WIN" ]
}

# start_game NAME: runs the game in the working directory with its sound going to
# $WORK/NAME.raw and its output to $WORK/NAME.out; waits for its window (sets WIN).
start_game() {
    local name=$1
    AUDIO_FILE=$WORK/$name.raw
    GAME_OUT=$WORK/$name.out
    rm -f "$AUDIO_FILE"
    # The disk driver makes the run independent of any sound card and lets the sound be measured.
    SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=$AUDIO_FILE "$GAME" >"$GAME_OUT" 2>&1 &
    GAME_PID=$!
    WIN=""
    if ! until_ok 30 window_or_death || [ -z "$WIN" ]; then
        fail "$name: no game window within 30 s"
        stop_game
        return 1
    fi
    # Without a window manager keyboard focus follows nothing: give it to the game, and park the
    # pointer inside the window away from every button.
    xdotool windowfocus "$WIN" 2>/dev/null || true
    xdotool mousemove --window "$WIN" 60 60 2>/dev/null || true
    return 0
}

stop_game() {
    if [ -n "$GAME_PID" ]; then
        if ! game_gone; then
            kill -TERM "$GAME_PID" 2>/dev/null || true
            until_ok 5 game_gone || kill -KILL "$GAME_PID" 2>/dev/null || true
        fi
        wait "$GAME_PID" 2>/dev/null || true
    fi
    GAME_PID=""
    WIN=""
}

# expect_exit0 WHAT [SECONDS]: the game ends by itself, with status 0.
expect_exit0() {
    local what=$1 timeout=${2:-15}
    if ! until_ok "$timeout" game_gone; then
        fail "$what: the game still runs ${timeout} s later"
        stop_game
        return 1
    fi
    local status=0
    wait "$GAME_PID" || status=$?
    GAME_PID=""
    WIN=""
    if [ "$status" = 0 ]; then
        ok "$what: the game ends with status 0"
    else
        fail "$what: the game ends with status $status"
        return 1
    fi
}

# alive WHAT: the game is still running (reported only when it is not).
alive() {
    if game_gone; then
        fail "$1: the game has ended unexpectedly"
        return 1
    fi
}

# ------------------------------------------------------------ input
key() { xdotool key "$@" 2>/dev/null; }
# click_at X Y: left click at a point of the game's screen.
click_at() {
    xdotool mousemove --window "$WIN" "$1" "$2" 2>/dev/null
    sleep 0.1
    xdotool click 1 2>/dev/null
}
close_window() { "$WM_DELETE" "$WIN"; }
# window_geometry: "W x H at X,Y" of the game's window on the screen.
window_geometry() {
    xwininfo -id "$WIN" 2>/dev/null | awk '/Absolute upper-left X:/ { x = $4 } /Absolute upper-left Y:/ { y = $4 }
        /^ *Width:/ { w = $2 } /^ *Height:/ { h = $2 } END { printf "%s x %s at %s,%s", w, h, x, y }'
}
# centred_window: the game's window is 1060 x 740, centred on the 1280 x 1024 screen (within a few pixels).
centred_window() {
    local w h x y
    read -r w _ h _ x y <<<"$(window_geometry | tr ',' ' ')"
    [ "$w" = 1060 ] && [ "$h" = 740 ] && (((x - 110) ** 2 + (y - 142) ** 2 <= 32))
}

# ------------------------------------------------------- screenshots
SHOT=""
# shot: the game window's content into $WORK/now.png (sets SHOT).
shot() {
    SHOT=$WORK/now.png
    import -silent -window "$WIN" "$SHOT" 2>/dev/null
}
# keep NAME: saves the last screenshot as $SHOTS/NAME.png.
keep() { cp "$SHOT" "$SHOTS/$1.png"; }

# near FILE GEOMETRY R G B TOLERANCE%: pixels of the area within the tolerance of the colour on every channel.
near() {
    convert "$1" -crop "$2" +repage \( +clone -fill "rgb($3,$4,$5)" -colorize 100 \) \
        -compose difference -composite -separate -evaluate-sequence max \
        -threshold "$6%" -negate -format '%[fx:round(mean*w*h)]' info: 2>/dev/null || echo 0
}
# mean FILE GEOMETRY: mean level of the area, 0 to 1.
mean() { convert "$1" -crop "$2" +repage -format '%[fx:mean]' info: 2>/dev/null || echo -1; }
# darkest FILE GEOMETRY: the lowest channel value of the area, 0 to 255.
darkest() {
    convert "$1" -crop "$2" +repage -separate -evaluate-sequence min \
        -format '%[fx:round(minima*255)]' info: 2>/dev/null || echo -1
}
# signature FILE GEOMETRY: a hash of the area's pixels.
signature() { convert "$1" -crop "$2" +repage -format '%#' info: 2>/dev/null || echo none; }
# diff FILE GEOMETRY PICTURE [PICTURE_GEOMETRY]: mean difference, 0 to 1, between the area and a picture.
diff_to() {
    local ref_crop=()
    [ -n "${4:-}" ] && ref_crop=(-crop "$4" +repage)
    convert \( "$1" -crop "$2" +repage \) \( "$3" "${ref_crop[@]}" \) -compose difference -composite \
        -format '%[fx:mean]' info: 2>/dev/null || echo 1
}
# size PICTURE: "W H" of a picture file.
size() { identify -format '%w %h' "$1" 2>/dev/null; }

# ------------------------------------------------------- X server, Wine
XVFB_PID=""
# start_xvfb: a 1280 x 1024 virtual screen on a free display (exports DISPLAY). Without -noreset
# the server resets when its last client leaves, and a game starting then cannot connect.
start_xvfb() {
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$WORK/display" >"$WORK/xvfb.log" 2>&1 &
    XVFB_PID=$!
    until_ok 20 test -s "$WORK/display" || true
    DISPLAY=:$(head -n 1 "$WORK/display")
    export DISPLAY
    display_up() { xdotool getdisplaygeometry >/dev/null 2>&1; }
    if [ "$DISPLAY" = ":" ] || ! until_ok 20 display_up; then
        fail "Xvfb did not start: $(tail -c 300 "$WORK/xvfb.log")"
        return 1
    fi
}
stop_xvfb() {
    [ -z "$XVFB_PID" ] && return 0
    kill "$XVFB_PID" 2>/dev/null || true
    wait "$XVFB_PID" 2>/dev/null || true
}

# wine_prefix: a Wine prefix booted once per Wine version and kept in the cache (exports WINEPREFIX);
# booted under a temporary name and renamed, so a half-booted one is never used.
wine_prefix() {
    export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    local version
    version=$(wine --version 2>/dev/null) || { fail "wine is missing (apt-get install -y wine wine64)"; return 1; }
    WINEPREFIX=${XDG_CACHE_HOME:-$HOME/.cache}/duskwane/wineprefix-${version//[^A-Za-z0-9.]/_}
    export WINEPREFIX
    [ -d "$WINEPREFIX" ] && return 0
    local final=$WINEPREFIX
    WINEPREFIX=$final.$$
    if wine wineboot -i >/dev/null 2>&1 && wineserver -w; then
        mv "$WINEPREFIX" "$final"
        WINEPREFIX=$final
    else
        fail "wineboot could not make a Wine prefix"
        return 1
    fi
}
