#!/bin/sh
# Runs a Windows program under Wine in the build tree's own prefix, never the user's.
# The test script starts Xvfb and exports DISPLAY and BRIMSTAR_WINEPREFIX.
#
# Now and then, in a long run of tests, Wine fails to start a program at all: it ends at once,
# before the program has printed anything (every test program prints a line first thing). Such
# a start is tried again, up to three times in all, and said on standard error; a program that
# printed anything is never run again, whatever its exit code.
: "${BRIMSTAR_WINEPREFIX:?run the tests through scripts/test.sh, which prepares the Wine prefix}"
# A test at another display scale runs in the prefix made for that scale (scripts/wine-session.sh).
export WINEPREFIX="$BRIMSTAR_WINEPREFIX${BRIMSTAR_TEST_DPI:+-dpi$BRIMSTAR_TEST_DPI}" WINEDEBUG="${WINEDEBUG:--all}"

out=$(mktemp) && err=$(mktemp) || exit 1
trap 'rm -f "$out" "$err"' EXIT
attempt=1
while :; do
    wine "$@" >"$out" 2>"$err"
    code=$?
    if [ "$code" -eq 0 ] || [ -s "$out" ] || [ -s "$err" ] || [ "$attempt" -ge 3 ]; then
        break
    fi
    echo "wine-run: $1 ended with exit code $code before printing anything (start $attempt of 3); starting it again" >&2
    attempt=$((attempt + 1))
done
cat "$out"
cat "$err" >&2
exit "$code"
