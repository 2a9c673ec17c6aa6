#!/usr/bin/env bash
# Builds CVInst.exe and the demo packages and starts the installer beside them, under Wine: on the
# real display when there is one, else on Xvfb, with a screenshot written to a file it names.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

bash scripts/deps.sh
cmake --preset win32 >/dev/null
cmake --build --preset win32 --target CVInst demo_packages

stage=build/run/CVInst
mkdir -p "$stage"
cp build/win32/bin/CVInst.exe "$stage/"
cp build/win32/demo/CVMenu.msi build/win32/demo/CVWork.msi build/win32/demo/CVPServ.msi \
   build/win32/demo/CVExampl.msi "$stage/"

. scripts/wine-env.sh
real=
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then real=1; fi
wine_env_up build/run/wine real
echo "Installer folder: $root/$stage"
echo "Wine prefix:      $WINEPREFIX (programs install under drive_c/Program Files (x86))"

if [ -n "$real" ]; then
    exec wine "$stage/CVInst.exe" "$@"
fi
# No display here: show that it runs on Xvfb, keep a screenshot, then close it.
wine "$stage/CVInst.exe" "$@" &
pid=$!
for i in $(seq 1 120); do
    xwininfo -root -tree 2>/dev/null | grep -q '"Corvane Installer' && break
    sleep 0.5
done
sleep 1
shot=$root/build/run/cvinst-screenshot.png
import -window root -trim "$shot"
echo "No display: CVInst ran on Xvfb $DISPLAY; screenshot written to $shot"
kill $pid 2>/dev/null || true
wine_env_down build/run/wine
