# shellcheck shell=bash
# Source this file (bash) to run Windows programs of a build tree under Wine, headless.
#
#   brimstar_wine_start [--reuse-display] <build-dir> [WIDTHxHEIGHT]
#       Starts a private Xvfb (default 1920x1080x24) on a free display number and exports
#       DISPLAY; with --reuse-display an already working $DISPLAY is used instead.
#       Exports BRIMSTAR_WINEPREFIX=<build-dir>/wineprefix, WINEPREFIX and WINEDEBUG=-all,
#       creates and configures the prefix on first use, and starts the keep-warm program
#       (<build-dir>/tests/windows/support/keepwarm.exe) so that every later Windows
#       process starts in a fraction of the usual time.
#   brimstar_wine_scaled_prefix <dpi>
#       After brimstar_wine_start: makes, once, the prefix $BRIMSTAR_WINEPREFIX-dpi<dpi>, in
#       which Wine reports a display scale of <dpi> dots per inch (96 is 100 %). A Windows test
#       run with BRIMSTAR_TEST_DPI=<dpi> runs there (cmake/wine-run.sh).
#   brimstar_wine_stop
#       Stops all of the above. Safe to call more than once.
#
# Starting installs a trap (EXIT, INT, TERM, HUP) that calls brimstar_wine_stop; it replaces
# any trap the caller had for those signals.
#
# Set BRIMSTAR_NO_KEEPWARM=1 to skip the keep-warm program (for a single Windows process).
# Variables left for the caller: BRIMSTAR_XVFB_DISPLAY (number, empty when reusing a display),
# BRIMSTAR_XVFB_PID, BRIMSTAR_KEEPWARM_PID.

BRIMSTAR_XVFB_PID=""
BRIMSTAR_XVFB_DISPLAY=""
BRIMSTAR_KEEPWARM_PID=""
BRIMSTAR_WINE_STARTED=""

# Poll a command until it succeeds or <seconds> have passed. Usage: _brimstar_wait_for 30 cmd...
_brimstar_wait_for() {
    local limit=$1 deadline
    shift
    deadline=$((SECONDS + limit))
    until "$@"; do
        if ((SECONDS >= deadline)); then
            return 1
        fi
        sleep 0.05
    done
}

_brimstar_display_answers() {
    xdpyinfo -display "$1" >/dev/null 2>&1
}

# Free: no lock or socket file, and no server answering. A server started in another root (a
# chroot shares the network namespace) leaves no file here, but its abstract socket would still
# take our clients.
_brimstar_display_free() {
    local n=$1
    [[ ! -e /tmp/.X11-unix/X$n && ! -e /tmp/.X$n-lock ]] && ! _brimstar_display_answers ":$n"
}

_brimstar_start_xvfb() {
    local size=$1 n tries=0 log deadline
    log=$(mktemp /tmp/brimstar-xvfb.XXXXXX)
    for ((n = 90; n < 200 && tries < 5; n++)); do
        _brimstar_display_free "$n" || continue
        tries=$((tries + 1))
        Xvfb ":$n" -screen 0 "${size}x24" +extension RANDR -nolisten tcp \
            </dev/null >"$log" 2>&1 &
        BRIMSTAR_XVFB_PID=$!
        BRIMSTAR_XVFB_DISPLAY=$n
        # Wait until it answers or dies (another server may have taken the number meanwhile).
        deadline=$((SECONDS + 30))
        until _brimstar_display_answers ":$n"; do
            if ! kill -0 "$BRIMSTAR_XVFB_PID" 2>/dev/null || ((SECONDS >= deadline)); then
                break
            fi
            sleep 0.05
        done
        if _brimstar_display_answers ":$n"; then
            rm -f "$log"
            export DISPLAY=":$n"
            return 0
        fi
        kill "$BRIMSTAR_XVFB_PID" 2>/dev/null || true
        wait "$BRIMSTAR_XVFB_PID" 2>/dev/null || true
        echo "wine-session: Xvfb :$n did not come up:" >&2
        sed 's/^/    /' "$log" >&2
        BRIMSTAR_XVFB_PID=""
        BRIMSTAR_XVFB_DISPLAY=""
    done
    rm -f "$log"
    echo "wine-session: could not start Xvfb" >&2
    return 1
}

_brimstar_settings_present() {
    local reg="$1/user.reg"
    [[ -f $reg ]] && grep -q '^"Managed"="N"' "$reg" &&
        grep -q '^"ShowCrashDialog"=dword:00000000' "$reg"
}

_brimstar_prepare_prefix() {
    local prefix=$1 t0=$SECONDS
    if [[ ! -f $prefix/.brimstar-wineboot-done ]]; then
        echo "wine-session: creating Wine prefix $prefix (first run only)" >&2
        mkdir -p "$prefix"
        # No Mono or Gecko: nothing here needs them, and their installers would want downloads.
        WINEDLLOVERRIDES="mscoree,mshtml=" wineboot -i </dev/null >/dev/null 2>&1 || {
            echo "wine-session: wineboot -i failed" >&2
            return 1
        }
        wineserver -w
        touch "$prefix/.brimstar-wineboot-done"
        echo "wine-session: prefix created in $((SECONDS - t0)) s" >&2
    fi
    # Checked in user.reg, so that settings lost before Wine flushed them get applied again.
    if ! _brimstar_settings_present "$prefix"; then
        # Without a window manager, hiding or destroying a managed window stalls about 2 s.
        # A crash must end the process with an exit code, not wait on a dialog.
        if ! {
            wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f &&
                wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f
        } </dev/null >/dev/null 2>&1; then
            echo "wine-session: could not write the prefix's registry settings" >&2
            return 1
        fi
    fi
}

brimstar_wine_start() {
    local reuse=""
    if [[ ${1:-} == --reuse-display ]]; then
        reuse=1
        shift
    fi
    local build_dir=${1:?usage: brimstar_wine_start [--reuse-display] <build-dir> [WxH]}
    local size=${2:-1920x1080}
    if [[ ! $size =~ ^[0-9]+x[0-9]+$ ]]; then
        echo "wine-session: size must be WIDTHxHEIGHT, got '$size'" >&2
        return 1
    fi
    mkdir -p "$build_dir"
    build_dir=$(cd "$build_dir" && pwd)

    BRIMSTAR_WINE_STARTED=1
    trap brimstar_wine_stop EXIT
    trap 'brimstar_wine_stop; trap - INT; kill -INT $$' INT
    trap 'brimstar_wine_stop; trap - TERM; kill -TERM $$' TERM
    trap 'brimstar_wine_stop; trap - HUP; kill -HUP $$' HUP

    if [[ -n $reuse && -n ${DISPLAY:-} ]] && _brimstar_display_answers "$DISPLAY"; then
        echo "wine-session: using display $DISPLAY" >&2
    else
        _brimstar_start_xvfb "$size" || return 1
        echo "wine-session: Xvfb on $DISPLAY (${size}x24), pid $BRIMSTAR_XVFB_PID" >&2
    fi

    export BRIMSTAR_WINEPREFIX="$build_dir/wineprefix"
    export WINEPREFIX="$BRIMSTAR_WINEPREFIX"
    export WINEDEBUG=-all
    _brimstar_prepare_prefix "$WINEPREFIX" || return 1

    local keepwarm="${BRIMSTAR_KEEPWARM_EXE:-$build_dir/tests/windows/support/keepwarm.exe}"
    if [[ -n ${BRIMSTAR_NO_KEEPWARM:-} ]]; then
        :
    elif [[ -f $keepwarm ]]; then
        # It creates the ready file once Wine's services and desktop process are up. Starting
        # other Windows processes before that can leave a service holding their output pipe
        # open (ctest then waits for it until its timeout).
        local ready deadline
        ready=$(mktemp -u /tmp/brimstar-keepwarm-ready.XXXXXX)
        wine "$keepwarm" "Z:$ready" </dev/null >/dev/null 2>&1 &
        BRIMSTAR_KEEPWARM_PID=$!
        deadline=$((SECONDS + 60))
        until [[ -e $ready ]]; do
            if ! kill -0 "$BRIMSTAR_KEEPWARM_PID" 2>/dev/null || ((SECONDS >= deadline)); then
                echo "wine-session: keep-warm program did not get ready" >&2
                rm -f "$ready"
                return 1
            fi
            sleep 0.05
        done
        rm -f "$ready"
    else
        echo "wine-session: $keepwarm not built; Windows processes will start slower" >&2
    fi
}

brimstar_wine_scaled_prefix() {
    local dpi=${1:?usage: brimstar_wine_scaled_prefix <dpi>}
    local prefix="${BRIMSTAR_WINEPREFIX:?run brimstar_wine_start first}-dpi$dpi"
    WINEPREFIX=$prefix _brimstar_prepare_prefix "$prefix" || return 1
    if ! grep -qi "^\"LogPixels\"=dword:$(printf %08x "$dpi")" "$prefix/user.reg"; then
        WINEPREFIX=$prefix wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f \
            </dev/null >/dev/null 2>&1 || {
            echo "wine-session: could not set $dpi DPI in $prefix" >&2
            return 1
        }
    fi
    # Wine reads the scale when its server starts, and writes the registry out when it stops.
    WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
    WINEPREFIX=$prefix wineserver -w 2>/dev/null || true
}

brimstar_wine_stop() {
    [[ -n $BRIMSTAR_WINE_STARTED ]] || return 0
    BRIMSTAR_WINE_STARTED=""
    if [[ -n $BRIMSTAR_KEEPWARM_PID ]]; then
        kill "$BRIMSTAR_KEEPWARM_PID" 2>/dev/null || true
        wait "$BRIMSTAR_KEEPWARM_PID" 2>/dev/null || true
        BRIMSTAR_KEEPWARM_PID=""
    fi
    if [[ -n ${WINEPREFIX:-} && -d $WINEPREFIX ]]; then
        wineserver -k 2>/dev/null || true
        wineserver -w 2>/dev/null || true
    fi
    if [[ -n $BRIMSTAR_XVFB_PID ]]; then
        kill "$BRIMSTAR_XVFB_PID" 2>/dev/null || true
        wait "$BRIMSTAR_XVFB_PID" 2>/dev/null || true
        BRIMSTAR_XVFB_PID=""
    fi
    if [[ -n $BRIMSTAR_XVFB_DISPLAY ]]; then
        rm -f "/tmp/.X$BRIMSTAR_XVFB_DISPLAY-lock" "/tmp/.X11-unix/X$BRIMSTAR_XVFB_DISPLAY"
        BRIMSTAR_XVFB_DISPLAY=""
    fi
    return 0
}
