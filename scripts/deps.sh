#!/usr/bin/env bash
# Installs what building and testing CVInst needs on Debian 12, as root. Idempotent: when every
# package is present it installs nothing and touches no package list.
set -eu
packages=(
    cmake make g++ clang libclang-rt-14-dev googletest
    g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686 mingw-w64-i686-dev
    wine wine64 wine32:i386
    xvfb xauth x11-utils imagemagick xdotool fonts-wine
    msitools wixl python3 bc
)
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
fi
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
