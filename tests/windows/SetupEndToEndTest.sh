#!/usr/bin/env bash
# The setup program end to end, in a Wine prefix of its own made afresh for every run: CPack
# builds it, then a silent install, a second install over the first, the quiet uninstall
# command from the Apps entry, and what each leaves behind; then the user's earlier saver given
# back, with the signed release of Release.ReproducibleAndSigned (checked against its root).
# The second install and the first uninstall run with keepwarm.exe running as BRIMSTAR.SCR.
# Before them, installs that fail and change nothing; at the end, another account's install and
# uninstall. The setup runs as winget runs it, by the release's manifest (switch, Apps entry).
#
#   SetupEndToEndTest.sh <cpack> <CPackConfig.cmake> <release BRIMSTAR.SCR> <work dir> <signed build> <root> <keepwarm.exe>
#
# Nothing here needs a screen: the Wine processes get no DISPLAY, so that nothing of this test
# reaches the display the other Windows tests run on, and it can run beside them.
set -uo pipefail

cpack=$1 cpack_config=$2 release_scr=$3 work=$4 signed_release=$5 signed_root=$6 keepwarm=$7
setup_scr=$release_scr # what the setup built here installs

uninstall_root='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
desktop_key='HKCU\Control Panel\Desktop'
setup_key='HKCU\Software\Tarnwick Inc.\BRIMSTAR\Setup'
speed_key='HKCU\Software\Tarnwick Inc.\BRIMSTAR\Config'
# Wine's Windows folder is C:\windows; the saver must be there and nowhere else.
saver_windows_path='C:\windows\BRIMSTAR.SCR'
manifest=$signed_release/winget/Tarnwick.Brimstar.installer.yaml
silent_switch=$(awk '$1 == "Silent:" { print $2 }' "$manifest")
product_code=$(awk '$1 == "ProductCode:" { print $2; exit }' "$manifest")

failures=0
check() { # check <description> <command...>
    local what=$1
    shift
    if "$@"; then
        echo "ok: $what"
    else
        echo "FAILED: $what"
        failures=$((failures + 1))
    fi
}
fatal() {
    echo "FAILED: $*"
    exit 1
}

mkdir -p "$work"
work=$(cd "$work" && pwd)
log=$work/log
: >"$log"

echo "== building the setup program (cpack -G NSIS)"
rm -rf "$work/package"
"$cpack" -G NSIS --config "$cpack_config" -B "$work/package" >>"$log" 2>&1 ||
    fatal "cpack -G NSIS, see $log"
setups=("$work"/package/*-setup.exe)
[[ ${#setups[@]} -eq 1 && -f ${setups[0]} ]] || fatal "expected one *-setup.exe in $work/package"
setup=${setups[0]}
[[ -n $silent_switch && -n $product_code ]] || fatal "no silent switch or ProductCode in $manifest"
echo "setup: $setup ($(stat -c %s "$setup") bytes)"
# The same setup, but looking for a group that no account here has where it looks for the
# Administrators group: a setup run without administrator rights.
makensis -V1 -DELEVATED_GROUP_SID=24 "$work/package/_CPack_Packages/win64/NSIS/project.nsi" \
    "-XOutFile $work/not-elevated-setup.exe" >>"$log" 2>&1 || fatal "makensis of the setup without rights"

export WINEPREFIX=$work/wineprefix WINEDEBUG=-all
unset DISPLAY WAYLAND_DISPLAY
# Every Wine process reads no input and writes only to files: Wine's services, started by the
# first of them, inherit its descriptors and would otherwise hold ctest's output pipe open.
wine_quiet() { wine "$@" </dev/null >>"$log" 2>&1; }
stop_wine() { wineserver -k >/dev/null 2>&1; wineserver -w >/dev/null 2>&1; }
# A run ended half-way must not leave the Windows folder immutable (rm -rf of the build fails).
trap 'chattr -i "$WINEPREFIX/drive_c/windows" 2>/dev/null; stop_wine' EXIT

# reg_query <file> <reg query arguments...>: the query's output, without CRLF, in <file>.
reg_query() {
    local out=$1
    shift
    wine reg query "$@" </dev/null 2>>"$log" | tr -d '\r' >"$out"
}
# value_of <reg query output> <name>: the data of value <name> (reg prints four-space columns).
value_of() { awk -F '    ' -v name="$2" '$2 == name { print $4; exit }' "$1"; }
has_value() { awk -F '    ' -v name="$2" '$2 == name { found = 1 } END { exit !found }' "$1"; }
same_text_ci() { [[ ${1,,} == "${2,,}" ]]; }
# Keys under the Uninstall key, in the given view, whose DisplayName is ours.
our_entries() { # our_entries <file> /reg:64|/reg:32
    reg_query "$1" "$uninstall_root" /s "$2"
    awk -F '    ' '/^HKEY_/ { key = $0 } $2 == "DisplayName" && $4 == "Brimstar Screen Saver" { print key }' "$1"
}
# The Linux path of a C:\ path in the prefix (Wine keeps the case it was created with).
linux_path() { local p=${1//\\//}; echo "$WINEPREFIX/drive_c/${p#[Cc]:/}"; }
uninstaller_in_program_files() { # <"C:\...\Uninstall.exe">, quoted as a command line needs it
    local quoted=$1 path
    [[ $quoted == \"*\" ]] || return 1
    path=${quoted:1:-1}
    [[ ${path,,} == "c:\\program files\\"* && -f $(linux_path "$path") ]]
}
lacks_value() { ! has_value "$@"; }

echo "== fresh Wine prefix"
t0=$SECONDS
rm -rf "$WINEPREFIX"
WINEDLLOVERRIDES="mscoree,mshtml=" wine_quiet wineboot -i || fatal "wineboot -i"
echo "prefix made in $((SECONDS - t0)) s"
# The user's own speed setting, which must outlive the program; and the saver switched off, so
# that switching it on is seen.
wine_quiet reg add "$speed_key" /v Speed /t REG_DWORD /d 37 /f || fatal "writing the speed setting"
wine_quiet reg add "$desktop_key" /v ScreenSaveActive /t REG_SZ /d 0 /f || fatal "writing ScreenSaveActive"

# check_installed <phase>: the state a finished install must leave.
check_installed() {
    local phase=$1 aside=${2:-0} entries entry uninstaller # aside: old copies left, still loaded
    mapfile -t entries < <(our_entries "$work/uninstall64.txt" /reg:64)
    check "$phase: one Apps entry in the 64-bit view (found ${#entries[@]})" test "${#entries[@]}" -eq 1
    check "$phase: no Apps entry in the 32-bit view" \
        test -z "$(our_entries "$work/uninstall32.txt" /reg:32)"
    entry=${entries[0]:-none}
    check "$phase: the Apps entry's key is the manifest's ProductCode" test "${entry##*\\}" = "$product_code"
    reg_query "$work/entry.txt" "$entry" /reg:64
    check "$phase: DisplayVersion" test "$(value_of "$work/entry.txt" DisplayVersion)" = "$VERSION"
    check "$phase: Publisher" test "$(value_of "$work/entry.txt" Publisher)" = "Tarnwick Inc."
    check "$phase: NoModify" test "$(value_of "$work/entry.txt" NoModify)" = 0x1
    check "$phase: NoRepair" test "$(value_of "$work/entry.txt" NoRepair)" = 0x1
    check "$phase: DisplayIcon is the installed saver" \
        same_text_ci "$(value_of "$work/entry.txt" DisplayIcon)" "$saver_windows_path"
    local size_kib=$(($(value_of "$work/entry.txt" EstimatedSize)))
    local scr_kib=$(($(stat -c %s "$release_scr") / 1024))
    check "$phase: EstimatedSize ($size_kib KiB) covers the saver ($scr_kib KiB)" \
        test "$size_kib" -ge "$scr_kib" -a "$size_kib" -lt $((scr_kib + 1024))

    uninstall_string=$(value_of "$work/entry.txt" UninstallString)
    quiet_uninstall_string=$(value_of "$work/entry.txt" QuietUninstallString)
    check "$phase: QuietUninstallString is the UninstallString with /S" \
        test "$quiet_uninstall_string" = "$uninstall_string /S"
    check "$phase: the uninstaller is quoted, in Program Files, and exists ($uninstall_string)" \
        uninstaller_in_program_files "$uninstall_string"

    local installed
    installed=$(linux_path "$saver_windows_path")
    check "$phase: the installed saver has the release's bytes" cmp -s "$installed" "$release_scr"
    check "$phase: the saver is in the Windows folder only" \
        test "$(find "$WINEPREFIX/drive_c" -iname BRIMSTAR.SCR | wc -l)" -eq 1

    reg_query "$work/desktop.txt" "$desktop_key"
    check "$phase: SCRNSAVE.EXE names the installed saver" \
        same_text_ci "$(value_of "$work/desktop.txt" SCRNSAVE.EXE)" "$saver_windows_path"
    check "$phase: the screen saver is switched on" \
        test "$(value_of "$work/desktop.txt" ScreenSaveActive)" = 1
    check "$phase: $aside old copies left aside" test "$(find "$WINEPREFIX/drive_c/windows" -maxdepth 1 -iname 'ns*.tmp' | wc -l)" = "$aside"
}
run_saver() { # a program loaded from the saver's path, as a running saver is; Windows neither writes nor deletes it
    cp "$keepwarm" "$(linux_path "$saver_windows_path")" && rm -f "$work/ready" && local deadline=$((SECONDS + 60))
    wine "$saver_windows_path" "Z:$work/ready" "$@" </dev/null >>"$log" 2>&1 & saver_pid=$! # [file to hold open]
    until [[ -e $work/ready ]]; do ((SECONDS < deadline)) || fatal "the stand-in saver did not start"; sleep 0.05; done
}
restart_deletes_aside() { # <phase>: what the restart deletes, where Wine records it too
    reg_query "$work/pending.txt" 'HKLM\System\CurrentControlSet\Control\Session Manager' /v PendingFileRenameOperations
    check "$1: the restart deletes a copy aside, not BRIMSTAR.SCR" bash -c "grep -qiE 'windows.ns[^\\]*\.tmp' '$work/pending.txt' && ! grep -qi brimstar '$work/pending.txt'"
}

uninstall_quietly() { # the Apps entry's quiet uninstall command, waited for
    [[ $quiet_uninstall_string =~ ^\"([^\"]+)\"\ (.*)$ ]] ||
        fatal "QuietUninstallString not of the form \"program\" arguments: $quiet_uninstall_string"
    uninstaller=${BASH_REMATCH[1]}
    read -r -a uninstall_arguments <<<"${BASH_REMATCH[2]}"
    wine_quiet "$uninstaller" "${uninstall_arguments[@]}"
    check "uninstaller exits with 0" test $? -eq 0
    # The uninstaller copies itself to the temporary folder, starts the copy and exits; the copy
    # does the work, the Apps entry last. Wait for that while a saver runs (and so the session),
    # else until every Windows process of this prefix has ended.
    local deadline=$((SECONDS + 120))
    until [[ -z ${saver_pid:-} || -z $(our_entries "$work/uninstall64.txt" /reg:64) ]]; do ((SECONDS < deadline)) || fatal "uninstall unfinished after 120 s"; sleep 0.1; done
    [[ -n ${saver_pid:-} ]] || timeout 120 wineserver -w || fatal "Wine processes still running 120 s after the uninstall"
}
saver_after() { # <phase> <SCRNSAVE.EXE> <ScreenSaveActive>, and the setup's record gone
    reg_query "$work/desktop.txt" "$desktop_key"
    check "$1: SCRNSAVE.EXE is '$2'" same_text_ci "$(value_of "$work/desktop.txt" SCRNSAVE.EXE)" "$2"
    check "$1: ScreenSaveActive is $3" test "$(value_of "$work/desktop.txt" ScreenSaveActive)" = "$3"
    check "$1: no record of the previous saver left" bash -c "! wine reg query '$setup_key' </dev/null &>/dev/null"
}
other_saver() { # <name>: a stand-in saver in the Windows folder, made the current one
    printf 'MZ' >"$WINEPREFIX/drive_c/windows/$1"
    wine_quiet reg add "$desktop_key" /v SCRNSAVE.EXE /t REG_SZ /d "C:\windows\\$1" /f
}

settings() { { wine reg query "$desktop_key"; wine reg query "$setup_key"; } </dev/null 2>>"$log" | tr -d '\r'; }
failed_install() { # <what> <exit code> <setup> [unwritable]: that code, and the saver, its settings and the Windows folder as they were
    local code # as Windows sees it: Linux gets it only modulo 256
    code=$(${4:-} wine cmd /v:on /c "Z:${3//\//\\} $silent_switch & echo exit code !errorlevel!" </dev/null 2>>"$log" | tr -d '\r' | sed -n 's/^exit code //p')
    check "$1: the setup exits with $2 (exit code $code)" test "$code" = "$2"
    check "$1: the installed saver keeps its bytes" cmp -s "$(linux_path "$saver_windows_path")" "$keepwarm"
    check "$1: SCRNSAVE.EXE, the record and the Windows folder unchanged" \
        cmp "$work/before.txt" <(settings; ls "$WINEPREFIX/drive_c/windows")
}
unwritable() { # no new file in the Windows folder, as a security program may block (root heeds only chattr +i)
    local dir=$WINEPREFIX/drive_c/windows mode rc && mode=$(stat -c %a "$dir") && chmod a-w "$dir" && { ((EUID)) || chattr +i "$dir"; } ||
        { chmod "$mode" "$dir"; echo "exit code (the Windows folder could not be made to refuse new files: chmod, chattr)"; return 1; }
    "$@"; rc=$? && { ((EUID)) || chattr -i "$dir"; } && chmod "$mode" "$dir" && return $rc
}
VERSION=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$cpack_config")

echo "== silent install"
t0=$SECONDS
wine_quiet "$setup" "$silent_switch"
check "first install exits with 0" test $? -eq 0
check_installed "first install"

echo "== installs that fail: without administrator rights, over a saver held open, and one that cannot write its file"
# A saver with no file chosen, which a setup that went on would replace and record.
wine_quiet reg add "$desktop_key" /v SCRNSAVE.EXE /t REG_SZ /d 'C:\windows\system32\other.scr' /f
run_saver "$saver_windows_path" && { settings; ls "$WINEPREFIX/drive_c/windows"; } >"$work/before.txt"
failed_install "not elevated" 740 "$work/not-elevated-setup.exe"
failed_install "held open" 2 "$setup"
kill "$saver_pid" && wait "$saver_pid"; saver_pid=""
failed_install "unwritable" 2 "$setup" unwritable
echo "== silent install over the installed copy"
# A running stale copy and a saver with no file chosen: the install replaces both, the uninstall gives (None).
run_saver
wine_quiet "$setup" "$silent_switch"
check "second install exits with 0" test $? -eq 0
check_installed "second install" 1

echo "== quiet uninstall, as Apps runs it"
kill "$saver_pid" && wait "$saver_pid"; run_saver && uninstall_quietly && restart_deletes_aside uninstall
kill "$saver_pid" && wait "$saver_pid"; saver_pid="" && timeout 120 wineserver -w
echo "install, reinstall and uninstall took $((SECONDS - t0)) s"

check "uninstall: the saver is gone" test ! -e "$(linux_path "$saver_windows_path")"
check "uninstall: the uninstaller is gone" test ! -e "$(linux_path "$uninstaller")"
check "uninstall: the uninstaller's folder is gone" \
    test ! -e "$(dirname "$(linux_path "$uninstaller")")"
check "uninstall: no Apps entry left" test -z "$(our_entries "$work/uninstall64.txt" /reg:64)"
saver_after uninstall "" 0
check "uninstall: SCRNSAVE.EXE removed" lacks_value "$work/desktop.txt" SCRNSAVE.EXE
reg_query "$work/speed.txt" "$speed_key"
check "uninstall: the user's speed setting stays" test "$(value_of "$work/speed.txt" Speed)" = 0x25

echo "== the signed release over another saver, installed twice (never taking itself for the previous one)"
verifies() { osslsigncode verify -CAfile "$signed_root" -in "$1" >>"$log" 2>&1; }
check "the signed saver verifies against the throwaway root" verifies "$signed_release/release/BRIMSTAR.SCR"
check "the signed setup verifies against the throwaway root" verifies "$signed_release"/*-setup.exe
other_saver previous.scr
release_scr=$signed_release/release/BRIMSTAR.SCR
wine_quiet "$signed_release"/*-setup.exe "$silent_switch" && wine_quiet "$signed_release"/*-setup.exe "$silent_switch"
check "signed install and reinstall exit with 0" test $? -eq 0
check_installed "signed reinstall"
check "signed reinstall: the installed uninstaller verifies" verifies "$(linux_path "${uninstall_string:1:-1}")"
uninstall_quietly
saver_after "signed uninstall" 'C:\windows\previous.scr' 1

echo "== a saver picked after the install stays"
wine_quiet "$setup" "$silent_switch"
other_saver picked.scr
uninstall_quietly
saver_after "uninstall after picking another" 'C:\windows\picked.scr' 1

echo "== another account's install and uninstall leave the user's saver and record alone"
wine_quiet "$setup" "$silent_switch" && other_saver chosen.scr && settings >"$work/before.txt"
# The stand-in wtsapi32.dll names another user for the session, where the native one is loaded.
cp "$(dirname "$keepwarm")/wtsapi32.dll" "$WINEPREFIX/drive_c/windows/system32/wtsapi32.dll"
WINEDLLOVERRIDES=wtsapi32=n wine_quiet "$setup" "$silent_switch"
check "another account's install exits with 0" test $? -eq 0
check "another account's install: the saver installed" cmp -s "$(linux_path "$saver_windows_path")" "$setup_scr"
check "another account's install: SCRNSAVE.EXE and the record unchanged" cmp "$work/before.txt" <(settings)
WINEDLLOVERRIDES=wtsapi32=n uninstall_quietly
check "another account's uninstall: the saver and the Apps entry gone" \
    test ! -e "$(linux_path "$saver_windows_path")" -a -z "$(our_entries "$work/uninstall64.txt" /reg:64)"
check "another account's uninstall: SCRNSAVE.EXE and the record unchanged" cmp "$work/before.txt" <(settings)
stop_wine
if ((failures > 0)); then
    echo "$failures check(s) failed; Wine's output is in $log, the prefix in $WINEPREFIX"
    exit 1
fi
# The prefix is large (about 700 MB); it is made afresh on every run anyway.
rm -rf "$WINEPREFIX"
echo "all checks passed"
