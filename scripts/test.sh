#!/usr/bin/env bash
# Installs what is missing, builds both presets and runs every test: the portable unit tests natively
# with the sanitizers, then the same tests, the Win32 tests and the end-to-end tests under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

bash scripts/deps.sh

echo "== native: portable code with AddressSanitizer and UndefinedBehaviorSanitizer"
cmake --preset native >/dev/null
cmake --build --preset native
ctest --preset native

echo "== win32: CVInst.exe, demo packages and tests under Wine"
cmake --preset win32 >/dev/null
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
scripts/locale-tests.sh build/win32

echo "== win32: every test under Wine"
ctest --preset win32
