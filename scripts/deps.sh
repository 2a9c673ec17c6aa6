#!/usr/bin/env bash
# Installs what building and testing CVInst needs on Debian 12, as root, and builds the UTF-8 locales
# the tests run under. Idempotent: when every package is present and every locale built it does
# nothing, prints nothing and touches no package list.
#
# Wine's 32-bit half (wine32:i386), which runs the i686 build, is installed only where the kernel
# starts 32-bit Linux programs; elsewhere the i386 architecture is not even added. Where it should
# be but cannot be installed (a mirror whose i386 lists are mid-sync), one line says so and the
# rest goes on: scripts/test.sh then says which tests did not run.
set -euo pipefail
. "$(dirname "$0")/i386-probe.sh"
packages=(
    cmake make ninja-build g++ clang libclang-rt-14-dev googletest
    g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686 mingw-w64-i686-dev
    g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev
    wine wine64
    xvfb xauth x11-utils imagemagick xdotool fonts-wine
    msitools wixl python3 python3-olefile bc
    osslsigncode openssl
    locales git clang-format
)
# The user locales of scripts/locale-tests.sh and of the end-to-end runs with non-ASCII folder names.
locales=(ru_RU.UTF-8 ja_JP.UTF-8 th_TH.UTF-8 el_GR.UTF-8 pl_PL.UTF-8 en_US.UTF-8)

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }
wine32=
if runs_32bit_programs; then
    wine32=wine32:i386
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        echo "Adding the i386 architecture for Wine's 32-bit half"
        dpkg --add-architecture i386
    fi
fi
missing=()
for p in "${packages[@]}"; do installed "$p" || missing+=("$p"); done
if [ ${#missing[@]} -gt 0 ] || { [ -n "$wine32" ] && ! installed "$wine32"; }; then
    echo "Installing: ${missing[*]} $wine32"
    # Always refreshed here: a bare system has never read the i386 lists that were just enabled.
    # A mirror caught mid-sync fails one index; the installs below still say whether what it had
    # was enough.
    apt-get update -qq || echo "deps.sh: some package lists could not be refreshed" >&2
    if [ ${#missing[@]} -gt 0 ]; then
        DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
    fi
    # Apart, so that an i386 list the mirror has half-written costs only the i686 build's tests.
    if [ -n "$wine32" ] &&
        ! DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$wine32" >/dev/null 2>&1; then
        echo "deps.sh: $wine32 could not be installed (apt-get install $wine32 says why); the i686 build cannot run under Wine" >&2
    fi
fi

# Wine takes the user's locale (LC_MESSAGES above all) from the C library's setlocale, which fails
# for a locale that was never built: Wine then falls back to English. And without a built UTF-8
# locale Wine garbles a non-ASCII command line. A fresh Debian has only C, C.utf8 and POSIX.
have=$(locale -a 2>/dev/null)
for l in "${locales[@]}"; do
    name=${l%%.*}
    # locale -a lists normalised names: ru_RU.UTF-8 shows as ru_RU.utf8.
    grep -qx "$name.utf8" <<<"$have" && continue
    echo "Building the locale $l"
    # Listed in /etc/locale.gen as well, so that Debian's own locale-gen (run again whenever the
    # locales package is upgraded) rebuilds it instead of dropping it.
    if [ -f /etc/locale.gen ] && ! grep -qx "$l UTF-8" /etc/locale.gen; then
        if grep -qx "# *$l UTF-8" /etc/locale.gen; then
            sed -i "s/^# *$l UTF-8\$/$l UTF-8/" /etc/locale.gen
        else
            echo "$l UTF-8" >> /etc/locale.gen
        fi
    fi
    # Exit status 1 means warnings with the locale written; whether it was is checked below.
    localedef -c -i "$name" -f UTF-8 -A /usr/share/locale/locale.alias "$l" || [ $? -eq 1 ]
    locale -a | grep -qx "$name.utf8" || { echo "could not build the locale $l" >&2; exit 1; }
done
