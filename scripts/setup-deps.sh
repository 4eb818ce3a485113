#!/usr/bin/env bash
# Installs the Debian packages (12 or 13) Brimstar needs to build and test, if any is missing.
# Idempotent and non-interactive: does nothing (and needs no network) when all are present.
set -euo pipefail

packages=(
    cmake make g++
    g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev
    wine wine64
    xvfb x11-utils x11-xserver-utils xdotool imagemagick
    xserver-xorg-core xserver-xorg-video-dummy
    googletest
    nsis
    osslsigncode strip-nondeterminism openssl
    e2fsprogs  # chattr: the setup test's Windows folder that refuses new files, as root
)

missing=()
for pkg in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${db:Status-Status}' "$pkg" 2>/dev/null || true)
    if [[ "$status" != installed ]]; then
        missing+=("$pkg")
    fi
done

if ((${#missing[@]} == 0)); then
    exit 0
fi

echo "setup-deps: installing ${missing[*]}" >&2

if [[ $(id -u) -eq 0 ]]; then
    as_root=()
elif command -v sudo >/dev/null 2>&1; then
    as_root=(sudo)
else
    echo "setup-deps: missing packages (${missing[*]}) and not root, no sudo available" >&2
    exit 1
fi

export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive \
    apt-get install -y -q --no-install-recommends "${missing[@]}"
