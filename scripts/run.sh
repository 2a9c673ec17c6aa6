#!/usr/bin/env bash
# Builds CVInst.exe and the demo packages and starts the installer beside them, under Wine: on the
# real display when there is one, else on Xvfb, with a screenshot written to a file it names.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

bash scripts/deps.sh
# The x86 build is the one to use wherever 32-bit Windows programs run; here that needs Wine's
# 32-bit half, a 32-bit Linux program. Where it cannot start, the x64 build shows the same window.
. scripts/i386-probe.sh
preset=win32
export CVINST_WINE=wine
if ! runs_32bit_programs; then
    echo "This kernel starts no 32-bit Linux program, so Wine's 32-bit half cannot run: starting the x64 build"
    preset=win64 CVINST_WINE=/usr/lib/wine/wine64
elif ! wine32_starts; then
    echo "Wine's 32-bit half (wine32:i386) is not installed or does not start: starting the x64 build"
    preset=win64 CVINST_WINE=/usr/lib/wine/wine64
fi
# Wine garbles non-ASCII paths and arguments (this folder's path may have some) unless the Unix
# locale is a built UTF-8 one; a user's own UTF-8 locale, and so Wine's language, is kept.
if [ "$(locale charmap 2>/dev/null)" != UTF-8 ]; then export LC_ALL=en_US.UTF-8; fi
. scripts/configure.sh
configure $preset
cmake --build --preset $preset --target CVInst demo_packages

stage=build/run/CVInst
mkdir -p "$stage"
cp build/$preset/bin/CVInst.exe "$stage/"
cp build/$preset/demo/CVMenu.msi build/$preset/demo/CVWork.msi build/$preset/demo/CVPServ.msi \
   build/$preset/demo/CVExampl.msi "$stage/"

. scripts/wine-env.sh
real=
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then real=1; fi
wine_env_up build/run/wine real
echo "Installer folder: $root/$stage"
echo "Wine prefix:      $WINEPREFIX (programs install under drive_c/Program Files (x86))"

if [ -n "$real" ]; then
    if [ "$CVINST_WINE" != wine ]; then export WINELOADER=$CVINST_WINE; fi
    exec "$CVINST_WINE" "$stage/CVInst.exe" "$@"
fi
# No display here: show that it runs on Xvfb, keep a screenshot, then close it.
wine "$stage/CVInst.exe" "$@" &
pid=$!
trap 'kill $pid 2>/dev/null || true; wine_env_down build/run/wine' EXIT
shown=
for _ in $(seq 1 120); do
    # Read whole before matching: grep -q leaving early would fail the pipeline under pipefail.
    tree=$(xwininfo -root -tree 2>/dev/null || true)
    if grep -q '"Corvane Installer' <<<"$tree"; then shown=1; break; fi
    kill -0 $pid 2>/dev/null || break
    sleep 0.5
done
if [ -z "$shown" ]; then
    if ! kill -0 $pid 2>/dev/null; then
        # An unattended run (/I, /U without /SHOW) shows no window: its exit status tells.
        status=0
        wait $pid || status=$?
        echo "CVInst ended without a window, exit status $status (of a Windows exit code, only the low 8 bits reach the shell)"
        exit "$status"
    fi
    echo "run.sh: the CVInst window did not appear on Xvfb $DISPLAY" >&2
    exit 1
fi
sleep 1
shot=$root/build/run/cvinst-screenshot.png
import -window root -trim "$shot"
echo "No display: CVInst ran on Xvfb $DISPLAY; screenshot written to $shot"
