#!/usr/bin/env bash
# Installs what is missing, builds both presets and runs every test: the portable unit tests natively
# with the sanitizers, then the same tests, the Win32 tests and the end-to-end tests under Wine.
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

echo "== win32: CVInst.exe, demo packages and tests under Wine"
configure win32 -DCVINST_WERROR=$werror
cmake --build --preset win32

. scripts/wine-env.sh
prefix=build/win32/wine
if [ "${CI:-}" = true ]; then
    # CI starts from a fresh prefix and display every time.
    wine_env_down "$prefix"
    wine_env_down build/win32/wine144
    rm -rf "$prefix" build/win32/wine144
fi
trap 'wine_env_down "$root/$prefix"; wine_env_down "$root/build/win32/wine144"' EXIT
wine_env_up "$prefix"
echo "== win32: locale-dependent fonts under Wine, once per user locale"
# A failure here must not hide the rest of the suite: both run, either fails the whole.
locale_status=0
scripts/locale-tests.sh build/win32 || locale_status=$?

echo "== win32: every test under Wine"
ctest_status=0
ctest --preset win32 || ctest_status=$?
if [ "$locale_status" -ne 0 ]; then echo "test.sh: the locale cases failed (see above)" >&2; fi
if [ "$reproducible_status" -ne 0 ]; then echo "test.sh: the release is not reproducible (see above)" >&2; fi
[ "$locale_status" -eq 0 ] && [ "$ctest_status" -eq 0 ] && [ "$reproducible_status" -eq 0 ]
