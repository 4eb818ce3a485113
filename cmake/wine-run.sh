#!/bin/sh
# Runs a Windows program under Wine in the build tree's own prefix, never the user's.
# The test script starts Xvfb and exports DISPLAY and BRIMSTAR_WINEPREFIX.
: "${BRIMSTAR_WINEPREFIX:?run the tests through scripts/test.sh, which prepares the Wine prefix}"
export WINEPREFIX="$BRIMSTAR_WINEPREFIX" WINEDEBUG="${WINEDEBUG:--all}"
exec wine "$@"
