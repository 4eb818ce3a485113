#!/usr/bin/env bash
# Benchmarks: prints figures, judges nothing by itself beyond naming each target met or missed.
#
#   scripts/bench.sh [--monitors] [build-dir]   (default build/mingw, configured with the mingw
#                                               preset; --monitors: only table 4)
#
# 1. Tick table (bench/TickBenchmark.cpp, on a 3840x2160 Xvfb): the median time of one tick of our
#    animation window at 152x112, 1920x1080 and 3840x2160, beside the same GDI calls in plain
#    Win32 and a memcpy of one frame.
# 2. Real timer: ticks a second an animation window receives over 30 s.
# 3. Saver runs, at 3840x2160 and 1920x1080: BRIMSTAR.SCR /s and bench/BareSaver.cpp's
#    bare_saver.exe take turns, BRIMSTAR_BENCH_REPS times each (default 7), 10 s a run:
#      - time to the first frame on screen: bench/SaverProbe.cpp starts the program and watches
#        the screen's pixels;
#      - CPU seconds per wall second of the program's Linux process: utime + stime
#        (/proc/<pid>/stat, 10 ms steps) over its first 10 s, and the nanosecond run times of its
#        threads (/proc/<pid>/task/*/schedstat) over 0..10 s and 2..10 s (start-up left out).
#        Wine's own GetProcessTimes for another process stops counting early in the run, so it
#        is only shown for comparison;
#      - peak memory: VmHWM of that process (/proc/<pid>/status; the same figure Wine reports
#        as the peak working set), and the process's own memory at 10 s: RssAnon + RssShmem
#        (RssShmem is Wine's shared-memory copy of the window, exactly one frame), and RssAnon
#        alone (heap and the back buffer).
#    Medians of the runs. A short run of each program first, not counted, lets Wine settle.
# 4. Monitors: BRIMSTAR.SCR /s on one monitor (1280x800) and on two (the same and 1024x768 beside
#    it), each a RandR output of Xorg's dummy driver (scripts/wine-session.sh --monitors, as
#    root); a session of each in turns, BRIMSTAR_BENCH_REPS times, one 10 s run of the saver in
#    each, measured as in 3, and the time each session took to start.
# Everything started here (Xvfb, Wine, the programs) is stopped before the script ends.
# The tables are also written to <build-dir>/bench/results.md.
set -uo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")/.." || exit 1
only_monitors=""
if [[ ${1:-} == --monitors ]]; then
    only_monitors=1
    shift
fi
build_dir=${1:-build/mingw}
reps=${BRIMSTAR_BENCH_REPS:-7}
measure_s=10     # the saver's measured age
probe_run_s=12   # the probe ends the saver after this, which leaves time to read it at 10 s
rate_s=30
display_s=40

bash scripts/setup-deps.sh || exit 1
cmake --preset mingw -B "$build_dir" >/dev/null || exit 1
cmake --build "$build_dir" -j2 --target brimstar tick_bench bare_saver saver_probe || exit 1
# Only makes Wine processes start faster; the figures do not depend on it.
cmake --build "$build_dir" -j2 --target keepwarm >/dev/null 2>&1 ||
    echo "bench: keepwarm did not build; Windows programs will start slower" >&2
build_dir=$(cd "$build_dir" && pwd)

# shellcheck source=scripts/wine-session.sh
source scripts/wine-session.sh

clock_ticks=$(getconf CLK_TCK)
results="$build_dir/bench/results.md"
work=$(mktemp -d /tmp/brimstar-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT

# brimstar_wine_start puts its own EXIT trap in place of ours: put ours back, with its stop.
start_session() {
    brimstar_wine_start "$build_dir" "$1" || exit 1
    trap 'brimstar_wine_stop; rm -rf "$work"' EXIT
}
: >"$results"

say() { printf '%s\n' "$*" | tee -a "$results"; }

# The median of list[1..n], for the awk programs that sum up the runs.
awk_median='
        function median(list, n,   sorted, i, j, t) {
            for (i = 1; i <= n; i++) sorted[i] = list[i]
            for (i = 2; i <= n; i++)
                for (j = i; j > 1 && sorted[j - 1] > sorted[j]; j--) {
                    t = sorted[j]; sorted[j] = sorted[j - 1]; sorted[j - 1] = t
                }
            return n % 2 ? sorted[(n + 1) / 2] : (sorted[n / 2] + sorted[n / 2 + 1]) / 2
        }
'

windows_path() {  # the Windows path of a file in the build tree: the host's root is drive Z
    local path=$1
    printf 'Z:%s' "${path//\//\\}"
}

uptime_cs() {  # time since boot in hundredths of a second
    local up _
    read -r up _ </proc/uptime
    echo $((10#${up/./}))
}

# Sets cpu_ticks (utime + stime) and start_ticks (start after boot) of process $1.
read_stat() {
    local line rest fields
    line=$(<"/proc/$1/stat") || return 1
    rest=${line##*) }
    read -ra fields <<<"$rest"
    cpu_ticks=$((fields[11] + fields[12]))
    start_ticks=${fields[19]}
}

age_cs() {  # age of the process whose start_ticks were read, in hundredths of a second
    echo $(($(uptime_cs) - start_ticks * 100 / clock_ticks))
}

status_kb() {  # a kB field of /proc/<pid>/status
    awk -v key="$2:" '$1 == key { print $2 }' "/proc/$1/status"
}

sched_ns() {  # CPU time of process $1's threads in nanoseconds (/proc/<pid>/task/*/schedstat)
    local stats total=0 ns _
    for stats in /proc/"$1"/task/*/schedstat; do
        read -r ns _ <"$stats" || return 1
        total=$((total + ns))
    done
    echo "$total"
}

# The Linux process of this Wine session whose command line begins with Windows path $1.
find_program_process() {
    local program=$1 name pid command_line
    name=${program##*\\}
    for pid in $(pgrep -u "$(id -u)" -f -- "$name"); do
        command_line=$(tr '\0' ' ' 2>/dev/null <"/proc/$pid/cmdline") || continue
        [[ $command_line == "$program"* ]] || continue
        tr '\0' '\n' 2>/dev/null <"/proc/$pid/environ" | grep -qxF "WINEPREFIX=$WINEPREFIX" || continue
        echo "$pid"
        return 0
    done
    return 1
}

wait_until_age() {  # sleeps until the process is $1 hundredths of a second old
    local left
    left=$(($1 - $(age_cs)))
    if ((left > 0)); then
        sleep "$((left / 100)).$(printf '%02d' $((left % 100)))"
    fi
}

# One run of a saver: appends a line of figures to file $1. $2 label, $3 program, $4... arguments.
run_saver() {
    local out=$1 label=$2 program=$3
    shift 3
    local probe_out="$work/probe.out" probe pid="" deadline
    wine "$build_dir/bench/saver_probe.exe" "$probe_run_s" "$program" "$@" >"$probe_out" 2>&1 </dev/null &
    probe=$!
    # Looked for after a second, so that the search does not compete with the first frame.
    sleep 1
    deadline=$((SECONDS + 10))
    until pid=$(find_program_process "$program"); do
        if ((SECONDS >= deadline)) || ! kill -0 "$probe" 2>/dev/null; then
            break
        fi
        sleep 0.1
    done
    local cpu10="" age10="" sched2="" age2="" sched10="" hwm="" anon="" shmem="" file="" threads=""
    if [[ -n $pid ]] && read_stat "$pid"; then
        wait_until_age 200
        sched2=$(sched_ns "$pid") && age2=$(age_cs)
        wait_until_age $((measure_s * 100))
        if sched10=$(sched_ns "$pid") && read_stat "$pid"; then
            cpu10=$cpu_ticks
            age10=$(age_cs)
            hwm=$(status_kb "$pid" VmHWM)
            anon=$(status_kb "$pid" RssAnon)
            shmem=$(status_kb "$pid" RssShmem)
            file=$(status_kb "$pid" RssFile)
            threads=$(status_kb "$pid" Threads)
        fi
    fi
    wait "$probe"
    local line first="" wine_cpu="" wine_peak="" ended="" monitors="" kv
    line=$(tr -d '\r' <"$probe_out" | grep '^screen=' | tail -n 1)
    for kv in $line; do
        case $kv in
        first_frame_ms=*) first=${kv#*=} ;;
        wine_cpu_s=*) wine_cpu=${kv#*=} ;;
        wine_peak_working_set=*) wine_peak=${kv#*=} ;;
        ended=*) ended=${kv#*=} ;;
        monitors=*) monitors=${kv#*=} ;;
        esac
    done
    if [[ -z $cpu10 || -z $sched2 || -z $first || $first == -1.0 || $ended != input ]]; then
        echo "bench: a run of $label failed (pid '${pid}', probe: $(cat "$probe_out"))" >&2
        return 1
    fi
    awk -v label="$label" -v first="$first" -v cpu10="$cpu10" -v hz="$clock_ticks" -v age10="$age10" \
        -v sched2="$sched2" -v age2="$age2" -v sched10="$sched10" -v hwm="$hwm" -v anon="$anon" \
        -v shmem="$shmem" -v file="$file" -v threads="$threads" -v wine_cpu="$wine_cpu" \
        -v wine_peak="$wine_peak" -v ended="$ended" -v monitors="$monitors" 'BEGIN {
        printf "%s %s %.4f %.4f %.4f %.2f %.4f %s %s %s %s %s %s %s %s %s\n", label, first,
            cpu10 / hz / (age10 / 100), sched10 / 1e9 / (age10 / 100),
            (sched10 - sched2) / 1e9 / ((age10 - age2) / 100), cpu10 / hz, sched10 / 1e9,
            hwm, anon, shmem, file, threads, wine_cpu, wine_peak, ended, monitors
    }' >>"$out"
}

# Runs both savers in turns and prints their table. $1 screen size WxH.
saver_table() {
    local size=$1 runs="$work/runs-$1" ours bare rep
    ours=$(windows_path "$build_dir/BRIMSTAR.SCR")
    bare=$(windows_path "$build_dir/bench/bare_saver.exe")
    : >"$runs"
    echo "bench: saver runs at $size: a short untimed run each, then $reps each in turns" >&2
    wine "$build_dir/bench/saver_probe.exe" 3 "$ours" /s >/dev/null 2>&1 </dev/null
    wine "$build_dir/bench/saver_probe.exe" 3 "$bare" >/dev/null 2>&1 </dev/null
    for ((rep = 0; rep < reps; rep++)); do
        if ((rep % 2 == 0)); then
            run_saver "$runs" ours "$ours" /s
            run_saver "$runs" bare "$bare"
        else
            run_saver "$runs" bare "$bare"
            run_saver "$runs" ours "$ours" /s
        fi
    done
    say ""
    say "### Full-screen saver at $size (medians of $reps runs of ${measure_s} s each)"
    say ""
    say "Per run: label, first frame ms, CPU s/s 0-10 s from utime+stime, the same from schedstat, CPU s/s 2-10 s from schedstat, CPU s in 10 s from utime+stime, the same from schedstat; at 10 s: VmHWM kB, RssAnon kB, RssShmem kB, RssFile kB, threads; Wine's GetProcessTimes s at ${probe_run_s} s, Wine's peak working set B; ended by:"
    say ""
    say '```'
    say "$(cat "$runs")"
    say '```'
    say ""
    say "$(awk -v size="$size" "$awk_median"'
        {
            k = $1; n[k]++
            first[k, n[k]] = $2; cpu[k, n[k]] = $3; sched[k, n[k]] = $4; steady[k, n[k]] = $5
            hwm[k, n[k]] = $8; own[k, n[k]] = $9 + $10; anon[k, n[k]] = $9
        }
        END {
            if (!n["ours"] || !n["bare"]) {
                print "No complete run of " (n["ours"] ? "bare_saver.exe" : "BRIMSTAR.SCR") ": no table."
                exit
            }
            split(size, wh, "x"); frame_mib = wh[1] * wh[2] * 4 / 1048576
            for (p = 1; p <= 2; p++) {
                k = p == 1 ? "ours" : "bare"
                for (i = 1; i <= n[k]; i++) {
                    f[i] = first[k, i]; c[i] = cpu[k, i]; e[i] = sched[k, i]; s[i] = steady[k, i]
                    h[i] = hwm[k, i]; o[i] = own[k, i]; a[i] = anon[k, i]
                }
                mf[k] = median(f, n[k]); mc[k] = median(c, n[k]); me[k] = median(e, n[k]); ms[k] = median(s, n[k])
                mh[k] = median(h, n[k]) / 1024; mo[k] = median(o, n[k]) / 1024; ma[k] = median(a, n[k]) / 1024
            }
            print "| program | first frame ms | CPU s per s, 0-10 s (utime+stime) | CPU s per s, 0-10 s (schedstat) | CPU s per s, 2-10 s (schedstat) | peak memory (VmHWM) MiB | own memory at 10 s (RssAnon + RssShmem) MiB | of which RssAnon MiB |"
            print "|---|---|---|---|---|---|---|---|"
            printf "| BRIMSTAR.SCR /s | %.0f | %.4f | %.4f | %.4f | %.1f | %.1f | %.1f |\n", mf["ours"], mc["ours"], me["ours"], ms["ours"], mh["ours"], mo["ours"], ma["ours"]
            printf "| bare_saver.exe | %.0f | %.4f | %.4f | %.4f | %.1f | %.1f | %.1f |\n", mf["bare"], mc["bare"], me["bare"], ms["bare"], mh["bare"], mo["bare"], ma["bare"]
            printf "| ours / bare | %.3f | %.3f | %.3f | %.3f | %.3f | %.3f | %.3f |\n", mf["ours"] / mf["bare"], mc["ours"] / mc["bare"], me["ours"] / me["bare"], ms["ours"] / ms["bare"], mh["ours"] / mh["bare"], mo["ours"] / mo["bare"], ma["ours"] / ma["bare"]
            print ""
            limit = frame_mib + 16
            printf "Targets: CPU within 1.10 x bare: %s (utime+stime, 0-10 s), %s (schedstat, 0-10 s), %s (schedstat, 2-10 s); first frame within 1.2 x bare: %s;\n",
                mc["ours"] <= 1.10 * mc["bare"] ? "met" : "MISSED", me["ours"] <= 1.10 * me["bare"] ? "met" : "MISSED",
                ms["ours"] <= 1.10 * ms["bare"] ? "met" : "MISSED", mf["ours"] <= 1.2 * mf["bare"] ? "met" : "MISSED"
            printf "peak memory under one frame (%.1f MiB) + 16 MiB = %.1f MiB: %s by VmHWM (bare: %s), %s by own memory (bare: %s), %s by RssAnon (bare: %s)\n",
                frame_mib, limit, mh["ours"] < limit ? "met" : "MISSED", mh["bare"] < limit ? "met" : "MISSED",
                mo["ours"] < limit ? "met" : "MISSED", mo["bare"] < limit ? "met" : "MISSED",
                ma["ours"] < limit ? "met" : "MISSED", ma["bare"] < limit ? "met" : "MISSED"
        }' "$runs")"
}

# The saver on one monitor and on two, the primary screen the same: sessions of each in turns.
monitors_table() {
    local runs="$work/runs-monitors" ours rep spec label
    ours=$(windows_path "$build_dir/BRIMSTAR.SCR")
    : >"$runs"
    echo "bench: the saver on one and on two monitors, $reps sessions of each in turns" >&2
    export BRIMSTAR_KEEPWARM_EXE="$build_dir/tests/windows/support/keepwarm.exe"
    for ((rep = 0; rep < reps; rep++)); do
        for spec in 1280x800 1280x800,1024x768; do
            label=$([[ $spec == *,* ]] && echo two || echo one)
            local began=$EPOCHREALTIME
            brimstar_wine_start --monitors "$spec" "$build_dir/monitors" || exit 1
            echo "$label $began $EPOCHREALTIME" >>"$work/session-starts"
            trap 'brimstar_wine_stop; rm -rf "$work"' EXIT
            # Not counted: lets Wine settle in the new session.
            wine "$build_dir/bench/saver_probe.exe" 3 "$ours" /s >/dev/null 2>&1 </dev/null
            run_saver "$runs" "$label" "$ours" /s
            brimstar_wine_stop
        done
    done
    say ""
    say "### Full-screen saver on one monitor and on two (medians of $reps runs of ${measure_s} s each)"
    say ""
    say "Per run: as above, then the monitors the system reported."
    say ""
    say '```'
    say "$(cat "$runs")"
    say '```'
    say ""
    say "$(awk "$awk_median"'
        # A run counts only where the system reported the monitors the session was made with.
        ($1 == "one" && $16 == 1) || ($1 == "two" && $16 == 2) {
            k = $1; n[k]++; cpu[k, n[k]] = $3; sched[k, n[k]] = $4; steady[k, n[k]] = $5
        }
        END {
            if (!n["one"] || !n["two"]) { print "No complete run on " (n["one"] ? "two monitors" : "one monitor") ": no table."; exit }
            for (p = 1; p <= 2; p++) {
                k = p == 1 ? "one" : "two"
                for (i = 1; i <= n[k]; i++) { c[i] = cpu[k, i]; e[i] = sched[k, i]; s[i] = steady[k, i] }
                mc[k] = median(c, n[k]); me[k] = median(e, n[k]); ms[k] = median(s, n[k])
            }
            print "| monitors | runs | CPU s per s, 0-10 s (utime+stime) | CPU s per s, 0-10 s (schedstat) | CPU s per s, 2-10 s (schedstat) |"
            print "|---|---|---|---|---|"
            printf "| one: 1280x800 | %d | %.4f | %.4f | %.4f |\n", n["one"], mc["one"], me["one"], ms["one"]
            printf "| two: 1280x800 + 1024x768 | %d | %.4f | %.4f | %.4f |\n", n["two"], mc["two"], me["two"], ms["two"]
            printf "| two / one | | %.3f | %.3f | %.3f |\n", mc["two"] / mc["one"], me["two"] / me["one"], ms["two"] / ms["one"]
            printf "\nPixels drawn: two / one = %.3f\n", (1280 * 800 + 1024 * 768) / (1280 * 800)
        }' "$runs")"
    say ""
    say "$(awk "$awk_median"'
        { k = $1; n[k]++; took[k, n[k]] = $3 - $2 }
        END {
            for (p = 1; p <= 2; p++) {
                k = p == 1 ? "one" : "two"
                for (i = 1; i <= n[k]; i++) t[i] = took[k, i]
                printf "Session start (Xorg, xrandr, Wine prefix checked, keep-warm program ready), median of %d: %s monitor%s %.2f s\n", n[k], k, p == 1 ? "" : "s", median(t, n[k])
            }
        }' "$work/session-starts")"
}

say "## Brimstar benchmarks ($(date -u '+%Y-%m-%d %H:%M UTC'))"
say ""
say "$(nproc) cores, load average at start: $(cut -d' ' -f1-3 /proc/loadavg); $(wine --version 2>/dev/null); build $build_dir"

if [[ -n $only_monitors ]]; then
    monitors_table
    echo "bench: tables written to $results" >&2
    exit 0
fi

# The big screen first: the tick table needs a 3840x2160 client area to be fully on screen.
start_session 3840x2160
say ""
say "### Tick of the animation window (3840x2160 screen)"
say ""
say "$(wine "$build_dir/bench/tick_bench.exe" </dev/null 2>&1 | tr -d '\r')"
say ""
say "### Display scale (3840x2160 screen)"
say ""
say "$(wine "$build_dir/bench/tick_bench.exe" --scale </dev/null 2>&1 | tr -d '\r')"
say ""
say "### Real timer"
say ""
say "$(wine "$build_dir/bench/tick_bench.exe" --rate "$rate_s" </dev/null 2>&1 | tr -d '\r')"
saver_table 3840x2160
brimstar_wine_stop

start_session 1920x1080
saver_table 1920x1080
say ""
say "### Display on and off (1920x1080 screen)"
say ""
say "$(wine "$build_dir/bench/tick_bench.exe" --display "$display_s" </dev/null 2>&1 | tr -d '\r')"
brimstar_wine_stop

monitors_table
say ""
say "load average at end: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "bench: tables written to $results" >&2
