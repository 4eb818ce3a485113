#!/usr/bin/env bash
# The release built twice, tests off, one compiler at a time, from two Git clones of the sources as
# they stand (committed afresh): the second made after the first build, elsewhere, built in another
# time zone and umask. Both must agree to the byte. The second then signs with a throwaway chain.
# Each build's winget manifests must name its setup's SHA-256 and the product's version (the setup
# test installs and uninstalls by the signed build's manifest, as winget does).
#   ReproducibleReleaseTest.sh <cmake> <source dir> <toolchain file> <work dir>
set -uo pipefail

cmake=$1 source=$2 toolchain=$3 work=$4
failures=0
check() { if "${@:2}"; then echo "ok: $1"; else echo "FAILED: $1"; failures=$((failures + 1)); fi; }
fatal() { echo "FAILED: $*"; exit 1; }
release() { # release <sources> <build dir> [cmake options...]
    "$cmake" -S "$1" -B "$2" --toolchain "$toolchain" -DCMAKE_BUILD_TYPE=Release -DBRIMSTAR_TESTS=OFF "${@:3}" \
        >"$2.log" 2>&1 && "$cmake" --build "$2" -j1 --target package >>"$2.log" 2>&1
}

rm -rf "$work" && mkdir -p "$work" && work=$(cd "$work" && pwd)
first=$work/first copy=$work/second/at/another/path/src second=$work/second/at/another/path/build pki=$work/pki
mkdir "$work/origin" && (cd "$source" && git ls-files -z --cached --others --exclude-standard |
    tar --null --no-recursion --ignore-failed-read -T - -cf -) | tar -C "$work/origin" -xf - || fatal "the sources must be in Git"
git -C "$work/origin" init -q && git -C "$work/origin" add -A && git -C "$work/origin" -c user.name=t -c user.email=t commit -qm t
clone() { git clone -q "$work/origin" "$1"; }
t0=$SECONDS
(clone "$work/first-src" && release "$work/first-src" "$first") || fatal "first release build, see $first.log"
date=$(sed -n 's/^-- Release files dated \([0-9]*\) .*/\1/p' "$first.log")
(umask 027 && clone "$copy" && TZ=Pacific/Chatham release "$copy" "$second") || fatal "see $second.log"
echo "two release builds took $((SECONDS - t0)) s"

mapfile -t files < <(cd "$first" && ls -1 ./*.zip ./*-setup.exe SHA256SUMS release/BRIMSTAR.SCR winget/*.yaml)
check "a ZIP, a setup, SHA256SUMS, release/BRIMSTAR.SCR and 3 winget manifests (${files[*]})" test "${#files[@]}" -eq 7
for file in "${files[@]}"; do
    check "both builds made the same ${file#./}" cmp "$first/$file" "$second/$file"
done
check "SHA256SUMS holds the ZIP and the setup, for sha256sum -c" \
    bash -c "cd '$first' && sha256sum -c SHA256SUMS && test \$(wc -l <SHA256SUMS) -eq 2"
pe_time() { od -An -tu4 -j "$(($(od -An -tu4 -j 60 -N 4 "$1") + 8))" -N 4 "$1" | tr -d ' '; }
check "the saver's PE time stamp is the source date ($date)" test "$(pe_time "$first/release/BRIMSTAR.SCR")" = "$date"

mkdir -p "$pki" && password="throwaway-$RANDOM-$RANDOM" && echo "$password" >"$pki/password"
# No configuration file: each certificate has just the extensions named here, whatever the version.
new_cert() { openssl req -config /dev/null -x509 -newkey rsa:2048 -nodes -days 30 \
    -keyout "$pki/$1.key" -out "$pki/$1.crt" "${@:2}"; }
{ new_cert root -subj "/CN=Brimstar Test Root" -addext basicConstraints=critical,CA:TRUE &&
    new_cert signer -subj "/CN=Brimstar Test Signer" -CA "$pki/root.crt" -CAkey "$pki/root.key" \
        -addext extendedKeyUsage=codeSigning &&
    openssl pkcs12 -export -inkey "$pki/signer.key" -in "$pki/signer.crt" -certfile "$pki/root.crt" \
        -out "$pki/signer.pfx" -passout "file:$pki/password"; } >"$pki/log" 2>&1 || fatal "certificates, see $pki/log"
(SOURCE_DATE_EPOCH=$date release "$copy" "$second" -DBRIMSTAR_SIGN_PFX="$pki/signer.pfx" \
    -DBRIMSTAR_SIGN_PASSWORD_FILE="$pki/password") || fatal "signed build, see $second.log"
osslsigncode remove-signature -in "$second/release/BRIMSTAR.SCR" -out "$work/unsigned.scr" >>"$pki/log"
check "the signed saver less its signature is the unsigned one" cmp "$work/unsigned.scr" "$first/release/BRIMSTAR.SCR"
cp "$first/release/BRIMSTAR.SCR" "$work/resigned.scr" && until (($(date +%s) > $(stat -c %Y "$second/release/BRIMSTAR.SCR"))); do sleep 0.1; done
bash "$copy/cmake/sign.sh" "$second/CMakeFiles/brimstar_release_settings.txt" "Brimstar Screen Saver" "$work/resigned.scr"
check "the same file signed twice, seconds apart, is the same bytes" cmp "$work/resigned.scr" "$second/release/BRIMSTAR.SCR"
version=$(sed -n 's/^#define BRIMSTAR_VERSION_NUMBERS *\([0-9]*\), *\([0-9]*\), *\([0-9]*\), *\([0-9]*\).*/\1.\2.\3.\4/p' "$source/resources/version.h")
for build in "$first" "$second"; do
    setup_sha=$(sha256sum "$build"/*-setup.exe | cut -d ' ' -f 1) && versions=$(grep -hoE '(Package|Display)Version: .*' "$build"/winget/*.yaml | sort -u)
    check "${build#"$work"/}: the winget manifest's SHA256 is the setup's" grep -qix " *InstallerSha256: $setup_sha" "$build"/winget/*.installer.yaml
    check "${build#"$work"/}: the winget manifests' versions are $version" test "$versions" = "$(printf 'DisplayVersion: %s\nPackageVersion: %s' "$version" "$version")"
done
check "the password is nowhere in the build tree or its log" bash -c "! grep -rqF -e '$password' '$second' '$second.log'"
((failures == 0)) || fatal "$failures check(s)"
echo "all checks passed"
