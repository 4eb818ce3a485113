#!/usr/bin/env bash
# Builds and tests Brimstar in both lanes and through scripts/run.sh, and prints "N passed, N
# failed, N skipped" as its last line.
#   native: Linux g++ with ASan + UBSan (artwork generator, logic tests)
#   mingw:  Windows x64 build; its tests run under Wine on a private Xvfb display
#   run:    scripts/run.sh headless, which checks the pictures it takes of the saver
# Exits non-zero if any of them fails. Logs: build/test-logs/
set -uo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")/.." || exit 1

bash scripts/setup-deps.sh || { echo "setup-deps failed" >&2; exit 1; }

# shellcheck source=scripts/wine-session.sh
source scripts/wine-session.sh

logs=build/test-logs
mkdir -p "$logs"
rm -f "$logs"/*.log "$logs"/*.xml
total_passed=0
total_failed=0
total_skipped=0
status=0
child=""

# Runs a command in the background and waits for it, so that a signal to this script is
# handled at once (the traps below end the command and the Wine session).
run_waiting() {
    "$@" &
    child=$!
    local rc=0
    wait "$child" || rc=$?
    child=""
    return "$rc"
}

stop_all() {
    if [[ -n $child ]]; then
        kill "$child" 2>/dev/null || true
        wait "$child" 2>/dev/null || true
        child=""
    fi
    brimstar_wine_stop
}

install_traps() {
    trap stop_all EXIT
    trap 'stop_all; trap - INT; kill -INT $$' INT
    trap 'stop_all; trap - TERM; kill -TERM $$' TERM
    trap 'stop_all; trap - HUP; kill -HUP $$' HUP
}

# Adds the counts of ctest's summary in log $2 to the totals; lane name $1, exit code $3.
# A lane that stopped before its tests ran counts as one failure. ctest counts a skipped test
# among those that did not fail; here it is counted apart, and its reason is shown.
count_lane() {
    local lane=$1 log=$2 rc=$3 line="" failed all skipped
    if [[ -f $log ]]; then
        line=$(grep -Eo '[0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1)
    fi
    if [[ -n $line ]]; then
        failed=$(awk '{print $1}' <<<"$line")
        all=$(awk '{print $NF}' <<<"$line")
        skipped=$(grep -cE '^[[:space:]]*[0-9]+ - .*\(Skipped\)$' "$log")
        total_passed=$((total_passed + all - failed - skipped))
        total_failed=$((total_failed + failed))
        total_skipped=$((total_skipped + skipped))
        echo "== $lane lane: $((all - failed - skipped)) passed, $failed failed, $skipped skipped (exit code $rc)"
        # Each skipped test's reason: the line after GoogleTest's "Skipped" in the test's output.
        # And every start of a Windows program that Wine failed and that was tried again.
        if [[ -f ${log%-ctest.log}-junit.xml ]]; then
            awk '/: Skipped$/ { if ((getline reason) > 0) print "    skipped: " reason }' "${log%-ctest.log}-junit.xml"
            grep -h '^wine-run: ' "${log%-ctest.log}-junit.xml" | sed 's/^/    /' || true
        fi
    else
        total_failed=$((total_failed + 1))
        echo "== $lane lane: stopped before its tests ran (exit code $rc), see $logs/$lane-build.log"
    fi
    if ((rc != 0)); then
        status=1
    fi
}

install_traps

echo "== native lane (Linux, ASan + UBSan)"
{ cmake --preset native && cmake --build --preset native -j2; } 2>&1 | tee "$logs/native-build.log"
native_rc=${PIPESTATUS[0]}
if ((native_rc == 0)); then
    native_rc=0
    run_waiting ctest --preset native --no-tests=error --output-log "$logs/native-ctest.log" \
        --output-junit "$PWD/$logs/native-junit.xml" ||
        native_rc=$?
fi

echo "== mingw lane (Windows x64 under Wine)"
{ cmake --preset mingw && cmake --build --preset mingw -j2; } 2>&1 | tee "$logs/mingw-build.log"
mingw_rc=${PIPESTATUS[0]}
if ((mingw_rc == 0)); then
    if brimstar_wine_start build/mingw 1920x1080; then
        install_traps # brimstar_wine_start installed its own; ours also end ctest
        mingw_rc=0
        run_waiting ctest --preset mingw -j2 --no-tests=error \
            --output-log "$logs/mingw-ctest.log" --output-junit "$PWD/$logs/mingw-junit.xml" || mingw_rc=$?
    else
        echo "== mingw lane: could not start the Wine session"
        mingw_rc=1
    fi
    stop_all
fi

# scripts/run.sh as a newcomer runs it, headless: it fails unless its pictures are in colour and
# show the saver wholly drawn. One test.
echo "== run.sh (the saver headless, its pictures checked)"
run_rc=0
run_waiting env CI=true bash scripts/run.sh >"$logs/run.log" 2>&1 || run_rc=$?

echo
count_lane native "$logs/native-ctest.log" "$native_rc"
count_lane mingw "$logs/mingw-ctest.log" "$mingw_rc"
if ((run_rc == 0)); then
    total_passed=$((total_passed + 1))
    echo "== run.sh: passed, pictures in build/run/"
else
    total_failed=$((total_failed + 1))
    status=1
    echo "== run.sh: failed (exit code $run_rc): $(grep '^run: ' "$logs/run.log" | tail -n 1)"
fi
echo "$total_passed passed, $total_failed failed, $total_skipped skipped"
exit "$status"
