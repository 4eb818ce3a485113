#!/usr/bin/env bash
# Builds BRIMSTAR.SCR (Windows x64) and runs it under Wine in the build tree's own prefix.
#
#   scripts/run.sh        full-screen saver (/S, as Explorer's "Open" starts a .scr)
#   scripts/run.sh /s     full-screen saver
#   scripts/run.sh /c     settings dialog
# Any other arguments are passed through as they are. (/p needs a host window handle,
# which only Windows' own Screen Saver settings can give.)
#
# With a working display (and CI unset) the saver runs in the foreground until it exits.
# Headless (no DISPLAY, or CI=true) it runs on a private 1280x800 Xvfb, and about 3 seconds of
# it are captured to build/run/brimstar.gif, with the first frame as build/run/brimstar.png:
# taken once the window is wholly drawn (the saver: flames over the screen and the emblem; the
# dialog: its controls and a frame of the preview), every picture in true colour. The script
# then checks its pictures and fails if they are not in colour or do not show the drawn window,
# so that its run in CI (scripts/test.sh) is a test of what a newcomer sees.
set -euo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")/.."
root=$(pwd)

bash scripts/setup-deps.sh
cmake --preset mingw
cmake --build --preset mingw -j2 --target brimstar

# Opening a .scr file starts it with /S.
(($# > 0)) || set -- /S

scr="$root/build/mingw/BRIMSTAR.SCR"
[[ -f $scr ]] || { echo "run: $scr was not built" >&2; exit 1; }

# shellcheck source=scripts/wine-session.sh
source scripts/wine-session.sh

headless=""
if [[ -z ${DISPLAY:-} || ${CI:-} == true ]]; then
    headless=1
fi

# One Windows process only: the keep-warm program would not pay for itself.
export BRIMSTAR_NO_KEEPWARM=1

if [[ -z $headless ]]; then
    brimstar_wine_start --reuse-display build/mingw
    if [[ -z $BRIMSTAR_XVFB_DISPLAY ]]; then
        # In the background and waited for, so that a signal to this script ends it at once.
        wine "$scr" "$@" &
        rc=0
        wait $! || rc=$?
        exit "$rc"
    fi
    # $DISPLAY did not answer: a private Xvfb was started instead; capture from it below.
    echo "run: $DISPLAY (private Xvfb) used instead of the unreachable display" >&2
else
    unset DISPLAY
    brimstar_wine_start build/mingw 1280x800
fi

out="$root/build/run"
mkdir -p "$out"
frames=$(mktemp -d /tmp/brimstar-frames.XXXXXX)
cleanup_frames() { rm -rf "$frames"; }

# What the first argument asks for, read as the program reads it: "saver", "settings" or "other".
mode=other
case ${1#[/-]} in
[sS]*) mode=saver ;;
[cC]*) mode=settings ;;
esac

# Every capture in true colour: a picture that happens to hold only greys would otherwise be
# stored as a grey-scale PNG, and a GIF made from it would take that colour space for every frame.
capture() {
    import -display "$DISPLAY" -window root -define png:color-type=2 "PNG24:$1"
}

# "<share of the pixels> <their bounding box>" for the pixels of picture $1 in which one channel
# exceeds another by more than $3: $2 "warm" is red over green (the flames, dark red to yellow,
# and the emblem's gold; the dialog's greys and the desktop's black have none), "cool" blue
# over red (the emblem's dark blue face, which the flames never have).
excess() {
    local pick
    case $2 in
    warm) pick=(-delete 2) ;;
    cool) pick=(-delete 1 -swap "0,1") ;;
    esac
    convert "$1" -colorspace sRGB -separate "${pick[@]}" -compose minus_src -composite \
        -threshold "$3" -format '%[fx:mean] %@\n' info:
}

# Whether picture $1 shows the window drawn, so far as its pixels alone can tell: the saver's
# flames all over the screen (in each of 5 x 4 parts of it, a part some two tiles wide and
# high) and, with $2 "emblem", the emblem on them; for the dialog, the preview's flames.
# Anything else: some flames.
shows_window() {
    local warm warm_box cool
    read -r warm warm_box < <(excess "$1" warm 15%)
    case $mode in
    saver)
        [[ $(convert "$1" -colorspace sRGB -separate -delete 2 -compose minus_src -composite \
            -threshold 15% -scale '5x4!' -format '%[fx:minima >= 0.25]' info:) == 1 ]] || return 1
        if [[ ${2:-} == emblem ]]; then
            read -r cool _ < <(excess "$1" cool 3%)
            awk -v c="$cool" 'BEGIN { exit !(c >= 0.002) }' || return 1
        fi
        ;;
    *)
        [[ $warm_box =~ ^([0-9]+)x([0-9]+) ]] && ((BASH_REMATCH[1] >= 48 && BASH_REMATCH[2] >= 32)) &&
            awk -v w="$warm" 'BEGIN { exit !(w > 0) }'
        ;;
    esac
}

# Whether pictures $1 and $2 differ within the box of $2's flames: the animation ticked between
# them. A tick comes only when no window of the program has painting left to do (a timer's message
# is retrieved after every pending WM_PAINT), so a picture taken after one shows all of it drawn.
animation_ticked() {
    local box
    read -r _ box < <(excess "$2" warm 15%)
    [[ $(convert "$1" "$2" -crop "$box" +repage -compose difference -composite -threshold 0 \
        -format '%[fx:mean > 0]' info:) == 1 ]]
}

fail() {
    echo "run: $*" >&2
    exit 1
}

wine "$scr" "$@" </dev/null >"$out/saver.log" 2>&1 &
saver=$!

# Wait until the saver shows a window (it owns X windows of its own process id).
find_window() {
    xdotool search --onlyvisible --pid "$saver" 2>/dev/null | head -n 1 | grep -q .
}
deadline=$((SECONDS + 60))
until find_window; do
    if ! kill -0 "$saver" 2>/dev/null; then
        rc=0
        wait "$saver" || rc=$?
        cleanup_frames
        fail "the saver exited (code $rc) before showing a window; see $out/saver.log"
    fi
    if ((SECONDS >= deadline)); then
        cleanup_frames
        fail "no window of the saver appeared within 60 s"
    fi
    sleep 0.1
done

# The first picture: the window drawn, in two pictures in a row, and the animation moved on
# between them.
deadline=$((SECONDS + 60))
drawn_before=""
while :; do
    capture "$frames/capture.png"
    if shows_window "$frames/capture.png" emblem; then
        if [[ -n $drawn_before ]] && animation_ticked "$frames/previous.png" "$frames/capture.png"; then
            break
        fi
        mv "$frames/capture.png" "$frames/previous.png"
        drawn_before=1
    else
        drawn_before=""
    fi
    if ((SECONDS >= deadline)); then
        cleanup_frames
        fail "the window was not wholly drawn within 60 s of appearing"
    fi
done
mv "$frames/capture.png" "$frames/frame0.png"
# Then about 3 seconds of pictures: 6 frames in all, half a second apart.
for i in 1 2 3 4 5; do
    sleep 0.5
    capture "$frames/frame$i.png"
done

still_running=""
kill -0 "$saver" 2>/dev/null && still_running=1
kill "$saver" 2>/dev/null || true
wait "$saver" 2>/dev/null || true
brimstar_wine_stop

cp "$frames/frame0.png" "$out/brimstar.png"
# Each frame kept in sRGB, whatever the colours of the first.
convert -delay 50 -loop 0 "$frames"/frame?.png -colorspace sRGB -layers Optimize "$out/brimstar.gif"

# The pictures as left for the reader, checked.
problems=()
[[ $(identify -format '%[png:IHDR.color_type]' "$out/brimstar.png") == 2* ]] ||
    problems+=("brimstar.png is not stored in true colour")
shows_window "$out/brimstar.png" emblem || problems+=("brimstar.png does not show the window drawn")
# The dialog: outside the preview (its flames' box) and whatever else the later pictures show
# changing (the scroll bar's blinking thumb), the first picture must already be what the last
# one is. (The saver animates everywhere.)
if [[ $mode == settings ]]; then
    read -r _ preview < <(excess "$frames/frame5.png" warm 15%)
    read -r _ moving < <(convert "$frames"/frame[1-5].png -evaluate-sequence max \
        \( "$frames"/frame[1-5].png -evaluate-sequence min \) -compose difference -composite \
        -threshold 0 -format '%[fx:mean > 0] %@' info: | grep '^1 ') || moving=""
    mask=()
    for box in $preview $moving; do
        [[ $box =~ ^([0-9]+)x([0-9]+)\+([0-9]+)\+([0-9]+)$ ]] || continue
        left=${BASH_REMATCH[3]} top=${BASH_REMATCH[4]}
        right=$((left + BASH_REMATCH[1] - 1)) bottom=$((top + BASH_REMATCH[2] - 1))
        mask+=(-fill black -draw "rectangle $left,$top $right,$bottom")
    done
    unfinished=$(convert "$frames/frame0.png" "$frames/frame5.png" -compose difference -composite \
        "${mask[@]}" -threshold 0 -format '%[fx:int(mean * w * h + 0.5)]' info:)
    ((unfinished == 0)) || problems+=("brimstar.png lacks $unfinished pixels of the dialog as drawn later")
fi
coalesced=$(mktemp -d /tmp/brimstar-gif.XXXXXX)
convert "$out/brimstar.gif" -coalesce "$coalesced/frame%d.png"
i=0
for type in $(identify -format '%[type] ' "$out/brimstar.gif"); do
    [[ $type != Grayscale* ]] || problems+=("frame $i of brimstar.gif is grey")
    shows_window "$coalesced/frame$i.png" || problems+=("frame $i of brimstar.gif does not show the window")
    i=$((i + 1))
done
rm -rf "$coalesced"
cleanup_frames

[[ -n $still_running ]] || echo "run: note: the saver had exited before the last frame" >&2
echo "Pictures of the run:"
echo "  $out/brimstar.gif  (animated, ~3 s)"
echo "  $out/brimstar.png  (first frame)"
((${#problems[@]} == 0)) || fail "$(printf '%s; ' "${problems[@]}")see the pictures"
echo "Checked: in colour, the window wholly drawn in the first frame and shown in every frame."
