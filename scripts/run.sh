#!/usr/bin/env bash
# Builds BRIMSTAR.SCR (Windows x64) and runs it under Wine in the build tree's own prefix.
#
#   scripts/run.sh        settings dialog
#   scripts/run.sh /c     settings dialog
#   scripts/run.sh /s     full-screen saver
# Any other arguments are passed through as they are. (/p needs a host window handle,
# which only Windows' own Screen Saver settings can give.)
#
# With a working display (and CI unset) the saver runs in the foreground until it exits.
# Headless (no DISPLAY, or CI=true) it runs on a private 1280x800 Xvfb, and about 3 seconds of
# it are captured to build/run/brimstar.gif, with the first frame as build/run/brimstar.png.
set -euo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")/.."
root=$(pwd)

bash scripts/setup-deps.sh
cmake --preset mingw
cmake --build --preset mingw -j2 --target brimstar

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
        echo "run: the saver exited (code $rc) before showing a window; see $out/saver.log" >&2
        cleanup_frames
        exit 1
    fi
    if ((SECONDS >= deadline)); then
        echo "run: no window of the saver appeared within 60 s" >&2
        cleanup_frames
        exit 1
    fi
    sleep 0.1
done

# The first picture once something is drawn (the screen is no longer of one colour).
deadline=$((SECONDS + 15))
while :; do
    import -display "$DISPLAY" -window root "$frames/frame0.png"
    colours=$(convert "$frames/frame0.png" -format '%k' info:)
    if ((colours > 1)); then
        break
    fi
    if ((SECONDS >= deadline)); then
        echo "run: the screen is still of one colour 15 s after the window appeared" >&2
        break
    fi
    sleep 0.1
done
# Then about 3 seconds of pictures: 6 frames in all, half a second apart.
for i in 1 2 3 4 5; do
    sleep 0.5
    import -display "$DISPLAY" -window root "$frames/frame$i.png"
done

still_running=""
kill -0 "$saver" 2>/dev/null && still_running=1
kill "$saver" 2>/dev/null || true
wait "$saver" 2>/dev/null || true
brimstar_wine_stop

cp "$frames/frame0.png" "$out/brimstar.png"
convert -delay 50 -loop 0 "$frames"/frame?.png -layers Optimize "$out/brimstar.gif"
cleanup_frames

[[ -n $still_running ]] || echo "run: note: the saver had exited before the last frame" >&2
echo "Pictures of the run:"
echo "  $out/brimstar.gif  (animated, ~3 s)"
echo "  $out/brimstar.png  (first frame)"
