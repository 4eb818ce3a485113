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
#   brimstar_wine_start --monitors WxH[,WxH...] <dir>
#       The same on monitors side by side, the first one primary, top edges level: e.g.
#       --monitors 1280x800,1024x768, in the prefix <dir>/wineprefix. They are the RandR outputs
#       DUMMY0, DUMMY1, ... of an Xorg server with the dummy video driver, laid out with xrandr,
#       and Wine reads them through XRandR (through Xvfb or Xephyr, Wine 10 sees one monitor, or
#       all of them at the origin). Xorg opens a virtual terminal (the console's, shared, never
#       switched to): it needs root and /dev/tty0, and without them this fails, saying so. The
#       keep-warm program is $BRIMSTAR_KEEPWARM_EXE, if set.
#   brimstar_wine_stop
#       Stops all of the above. Safe to call more than once.
#
# Starting installs a trap (EXIT, INT, TERM, HUP) that calls brimstar_wine_stop; it replaces
# any trap the caller had for those signals.
#
# Set BRIMSTAR_NO_KEEPWARM=1 to skip the keep-warm program (for a single Windows process).
# Variables left for the caller: BRIMSTAR_XVFB_DISPLAY (number, empty when reusing a display),
# BRIMSTAR_XVFB_PID, BRIMSTAR_XORG_DISPLAY and BRIMSTAR_XORG_PID (with --monitors, instead of
# Xvfb's), BRIMSTAR_KEEPWARM_PID.

BRIMSTAR_XVFB_PID=""
BRIMSTAR_XVFB_DISPLAY=""
BRIMSTAR_XORG_PID=""
BRIMSTAR_XORG_DISPLAY=""
BRIMSTAR_XORG_DIR=""
BRIMSTAR_MONITORS=""
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

# Starts an X server on a free display number: "$@" is its command, the display goes after the
# first word. Sets _brimstar_server_pid and _brimstar_server_display (number).
_brimstar_start_x_server() {
    local n tries=0 log deadline
    log=$(mktemp /tmp/brimstar-x.XXXXXX)
    for ((n = 90; n < 200 && tries < 5; n++)); do
        _brimstar_display_free "$n" || continue
        tries=$((tries + 1))
        "$1" ":$n" "${@:2}" -nolisten tcp </dev/null >"$log" 2>&1 &
        _brimstar_server_pid=$!
        _brimstar_server_display=$n
        # Wait until it answers or dies (another server may have taken the number meanwhile).
        deadline=$((SECONDS + 30))
        until _brimstar_display_answers ":$n"; do
            if ! kill -0 "$_brimstar_server_pid" 2>/dev/null || ((SECONDS >= deadline)); then
                break
            fi
            sleep 0.05
        done
        if _brimstar_display_answers ":$n"; then
            rm -f "$log"
            return 0
        fi
        kill "$_brimstar_server_pid" 2>/dev/null || true
        wait "$_brimstar_server_pid" 2>/dev/null || true
        echo "wine-session: $1 :$n did not come up:" >&2
        sed 's/^/    /' "$log" >&2
    done
    rm -f "$log"
    echo "wine-session: could not start $1" >&2
    return 1
}

_brimstar_start_xvfb() {
    _brimstar_start_x_server Xvfb -screen 0 "${1}x24" +extension RANDR || return 1
    BRIMSTAR_XVFB_PID=$_brimstar_server_pid
    BRIMSTAR_XVFB_DISPLAY=$_brimstar_server_display
    export DISPLAY=":$BRIMSTAR_XVFB_DISPLAY"
}

# $1: the monitors' sizes, "WxH,WxH,...", laid out left to right on the outputs DUMMY0, DUMMY1...
_brimstar_start_monitors() {
    local size x=0 height=0 i outputs=0 modelines="" w h
    local -a sizes layout
    IFS=, read -ra sizes <<<"$1"
    for size in "${sizes[@]}"; do
        if [[ ! $size =~ ^([0-9]+)x([0-9]+)$ ]]; then
            echo "wine-session: a monitor's size must be WIDTHxHEIGHT, got '$size'" >&2
            return 1
        fi
        w=${BASH_REMATCH[1]} h=${BASH_REMATCH[2]}
        # A 60 Hz mode of that size with blanking in the proportions of the usual modes (the
        # server turns down reduced blanking); the dummy driver only checks it against the
        # monitor's sync ranges.
        modelines+=$(awk -v w="$w" -v h="$h" 'BEGIN {
            hs = w + int(w / 160) * 8; he = hs + int(w / 80) * 8; ht = w + int(w / 24) * 8; vt = h + 3 + int(h / 25)
            printf "    Modeline \"%dx%d\" %.2f %d %d %d %d %d %d %d %d", w, h, ht * vt * 60 / 1e6,
                w, hs, he, ht, h, h + 3, h + 9, vt }')$'\n'
        layout+=(--output "DUMMY$outputs" --mode "$size" --pos "${x}x0")
        outputs=$((outputs + 1))
        x=$((x + w))
        height=$((h > height ? h : height))
    done
    local needs="wine-session: several monitors need Xorg with the dummy video driver, which opens a virtual terminal"
    if [[ $(id -u) -ne 0 ]]; then
        echo "$needs: run as root" >&2
        return 1
    fi
    if [[ ! -c /dev/tty0 || ! -w /dev/tty0 ]]; then
        echo "$needs, and there is no /dev/tty0 to open one on" >&2
        return 1
    fi
    if ! command -v Xorg >/dev/null || [[ ! -f /usr/lib/xorg/modules/drivers/dummy_drv.so ]]; then
        echo "$needs: install Xorg and the driver (scripts/setup-deps.sh)" >&2
        return 1
    fi
    BRIMSTAR_XORG_DIR=$(mktemp -d /tmp/brimstar-xorg.XXXXXX) || return 1
    cat >"$BRIMSTAR_XORG_DIR/dummy.conf" <<EOF
Section "ServerFlags"
    Option "AutoAddDevices" "false"
    Option "AutoAddGPU" "false"
    Option "AutoBindGPU" "false"
    Option "DontVTSwitch" "true"
EndSection
Section "Device"
    Identifier "dummy"
    Driver "dummy"
    VideoRam 262144
EndSection
Section "Monitor"
    Identifier "monitor"
    HorizSync 5.0-1000.0
    VertRefresh 5.0-200.0
$modelines
EndSection
Section "Screen"
    Identifier "screen"
    Device "dummy"
    Monitor "monitor"
    DefaultDepth 24
    SubSection "Display"
        Depth 24
        Modes $(printf '"%s" ' "${sizes[@]}")
        Virtual $x $height
    EndSubSection
EndSection
EOF
    # -sharevts: the console's own terminal, so any number of these sessions can run at once.
    _brimstar_start_x_server Xorg -config "$BRIMSTAR_XORG_DIR/dummy.conf" -noreset \
        -novtswitch -sharevts -logfile "$BRIMSTAR_XORG_DIR/Xorg.log" || return 1
    BRIMSTAR_XORG_PID=$_brimstar_server_pid
    BRIMSTAR_XORG_DISPLAY=$_brimstar_server_display
    export DISPLAY=":$BRIMSTAR_XORG_DISPLAY"
    # Only DUMMY0 is connected at first, and the others have no mode until they are given one.
    for ((i = 1; i < ${#sizes[@]}; i++)); do
        xrandr --addmode "DUMMY$i" "${sizes[i]}" || {
            echo "wine-session: xrandr could not give DUMMY$i the mode ${sizes[i]}" >&2
            return 1
        }
    done
    if ! xrandr --fb "${x}x$height" "${layout[@]:0:6}" --primary "${layout[@]:6}"; then
        echo "wine-session: xrandr could not lay out the monitors $1" >&2
        return 1
    fi
    # Wine reads the server's last probe of the outputs, which still has the new ones
    # disconnected: a query probes them again.
    xrandr >/dev/null
}

_brimstar_settings_present() {
    local reg="$1/user.reg"
    [[ -f $reg ]] && grep -q '^"Managed"="N"' "$reg" &&
        grep -q '^"ShowCrashDialog"=dword:00000000' "$reg" && ! grep -q '^"UseXRandR"=' "$reg"
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
        # A prefix of the earlier two-monitor session has XRandR turned off, and then Wine 10
        # sees this session's monitors all at the origin. Read when Wine's desktop process
        # starts: let the one started for `reg` end first.
        if grep -q '^"UseXRandR"=' "$prefix/user.reg"; then
            wine reg delete 'HKCU\Software\Wine\X11 Driver' /v UseXRandR /f </dev/null >/dev/null 2>&1 &&
                wineserver -w || {
                echo "wine-session: could not give the prefix Wine's own XRandR setting back" >&2
                return 1
            }
        fi
    fi
}

brimstar_wine_start() {
    local reuse=""
    BRIMSTAR_MONITORS=""
    if [[ ${1:-} == --reuse-display ]]; then
        reuse=1
        shift
    elif [[ ${1:-} == --monitors ]]; then
        BRIMSTAR_MONITORS=${2:?usage: brimstar_wine_start --monitors WxH[,WxH...] <build-dir>}
        shift 2
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
    elif [[ -n $BRIMSTAR_MONITORS ]]; then
        _brimstar_start_monitors "$BRIMSTAR_MONITORS" || return 1
        echo "wine-session: monitors $BRIMSTAR_MONITORS on $DISPLAY, Xorg's dummy driver, pid $BRIMSTAR_XORG_PID" >&2
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
    local pid display
    for pid in "$BRIMSTAR_XORG_PID" "$BRIMSTAR_XVFB_PID"; do
        [[ -n $pid ]] || continue
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    for display in "$BRIMSTAR_XORG_DISPLAY" "$BRIMSTAR_XVFB_DISPLAY"; do
        [[ -n $display ]] && rm -f "/tmp/.X$display-lock" "/tmp/.X11-unix/X$display"
    done
    [[ -n $BRIMSTAR_XORG_DIR ]] && rm -rf "$BRIMSTAR_XORG_DIR"
    BRIMSTAR_XORG_PID=""
    BRIMSTAR_XVFB_PID=""
    BRIMSTAR_XORG_DISPLAY=""
    BRIMSTAR_XVFB_DISPLAY=""
    BRIMSTAR_XORG_DIR=""
    return 0
}
