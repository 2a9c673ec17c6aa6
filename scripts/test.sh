#!/usr/bin/env bash
# Installs what is missing, builds every preset and runs every test: the portable unit tests natively
# with the sanitizers, then for the x64 and the i686 build the same tests, the Win32 tests and the
# end-to-end tests under Wine (the i686 build's only where the kernel runs 32-bit programs: where
# not, one line says that they were skipped and why).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

bash scripts/deps.sh
# The same locale whoever runs the tests: Wine turns it into the user's language and code page, and
# with a Unix locale that is not a built UTF-8 one it garbles non-ASCII command lines and folder
# names. en_US.UTF-8 is built by deps.sh; the tests that need another locale set it themselves.
export LC_ALL=en_US.UTF-8

echo "== formatting: every C++ file as .clang-format says"
find src tests fuzz bench demo \( -name '*.cpp' -o -name '*.h' \) -print0 |
    xargs -0 clang-format --dry-run --Werror

# In CI a warning fails the build.
werror=OFF
if [ "${CI:-}" = true ]; then werror=ON; fi
. scripts/configure.sh

echo "== native: portable code with AddressSanitizer and UndefinedBehaviorSanitizer"
configure native -DCVINST_WERROR=$werror
cmake --build --preset native
ctest --preset native

echo "== release: built twice, from two copies of the tree, for the same bytes"
# Like the locale cases below, a failure here does not hide the rest of the suite.
reproducible_status=0
bash scripts/check-reproducible.sh || reproducible_status=$?

# Each Windows build's tests under Wine: the Win32 tests (and the layout at 144 DPI), the font
# tests once per user locale, the end-to-end tests. Usage: wine_suite PRESET
wine_suite() {
    local preset=$1 tree=build/$1 status=0
    local prefix=$tree/wine
    if [ "${CI:-}" = true ]; then
        # CI starts from a fresh prefix and display every time.
        wine_env_down "$prefix"
        wine_env_down "$tree/wine144"
        rm -rf "$prefix" "$tree/wine144"
    fi
    wine_env_up "$prefix"
    echo "== $preset: locale-dependent fonts under Wine, once per user locale"
    # A failure here must not hide the rest of the suite: both run, either fails the whole.
    scripts/locale-tests.sh "$tree" || { status=$?; echo "test.sh: $preset: the locale cases failed (see above)" >&2; }
    echo "== $preset: every test under Wine"
    ctest --preset "$preset" || status=$?
    wine_env_down "$prefix"
    wine_env_down "$tree/wine144"
    return $status
}

. scripts/wine-env.sh
. scripts/i386-probe.sh
trap 'for t in win64 win32; do wine_env_down "$root/build/$t/wine"; wine_env_down "$root/build/$t/wine144"; done' EXIT

echo "== win64: the x64 CVInst.exe, demo programs and tests, under wine64 alone"
configure win64 -DCVINST_WERROR=$werror
cmake --build --preset win64
win64_status=0
CVINST_WINE=/usr/lib/wine/wine64 wine_suite win64 || win64_status=$?

echo "== win32: the x86 CVInst.exe, demo programs and tests"
configure win32 -DCVINST_WERROR=$werror
cmake --build --preset win32
# The i686 build runs in Wine's 32-bit half, a 32-bit Linux program: where the kernel cannot start
# one, or Wine's 32-bit loader is missing, these tests cannot run at all.
win32_status=0
if ! runs_32bit_programs; then
    echo "test.sh: SKIPPED the i686 build's Wine tests (Win32, 144 DPI, locale cases, end-to-end): this kernel starts no 32-bit Linux program"
elif ! wine32_starts; then
    echo "test.sh: SKIPPED the i686 build's Wine tests (Win32, 144 DPI, locale cases, end-to-end): Wine's 32-bit half (wine32:i386) is not installed or does not start"
else
    CVINST_WINE=wine wine_suite win32 || win32_status=$?
fi
if [ "$reproducible_status" -ne 0 ]; then echo "test.sh: the release is not reproducible (see above)" >&2; fi
if [ "$win64_status" -ne 0 ]; then echo "test.sh: the x64 build's Wine tests failed (see above)" >&2; fi
if [ "$win32_status" -ne 0 ]; then echo "test.sh: the i686 build's Wine tests failed (see above)" >&2; fi
[ "$win64_status" -eq 0 ] && [ "$win32_status" -eq 0 ] && [ "$reproducible_status" -eq 0 ]
