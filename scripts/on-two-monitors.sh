#!/usr/bin/env bash
# Runs a Windows program of a build tree under Wine on two monitors side by side (1280x800
# primary, 1024x768 to its right) in a display and prefix of their own (<build-dir>/monitors),
# then stops everything it started. Exits with the program's exit code.
#
#   scripts/on-two-monitors.sh <build-dir> <program> [arguments...]
#   e.g. scripts/on-two-monitors.sh build/mingw build/mingw/BRIMSTAR.SCR /s
set -uo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=$(cd "${1:?usage: on-two-monitors.sh <build-dir> <program> [arguments...]}" && pwd) || exit 1
shift
# shellcheck source=scripts/wine-session.sh
source "$root/scripts/wine-session.sh"

export BRIMSTAR_KEEPWARM_EXE="$build_dir/tests/windows/support/keepwarm.exe"
brimstar_wine_start --monitors 1280x800,1024x768 "$build_dir/monitors" || exit 1
"$root/cmake/wine-run.sh" "$@"
