#!/usr/bin/env bash
# Takes the documentation screenshots of CVInst.exe under Wine on the project's Xvfb display:
# docs/screenshots/main-window.png  the main window beside the demo packages
# docs/screenshots/license.png      the licence dialog, after "Install Corvane" was pressed
# docs/screenshots/help.png         the command-line help ("CVInst.exe ?")
# Usage: scripts/screenshots.sh [BUILD_DIR]   (default build/win32, configured from the win32
# preset when it does not exist yet). Needs xdotool and ImageMagick's import.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
build=$(realpath -m "${1:-$root/build/win32}")
out="$root/docs/screenshots"

for tool in xdotool import; do
    command -v "$tool" >/dev/null || { echo "screenshots.sh needs $tool" >&2; exit 2; }
done

if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$build" --toolchain "$root/cmake/toolchain-mingw-i686.cmake" \
        -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$build" -j2 --target CVInst >/dev/null
# The demo packages are optional: without them the window shows its no-package state.
cmake --build "$build" -j2 --target demo_packages >/dev/null 2>&1 || true

. "$here/wine-env.sh"
wine_env_up "$build/wine"
# Wine's own fonts (Tahoma, and Marlett for the caption buttons) are looked for in the prefix.
fonts="$WINEPREFIX/drive_c/windows/Fonts"
mkdir -p "$fonts"
for f in /usr/share/wine/fonts/*; do
    [ -e "$f" ] && [ ! -e "$fonts/$(basename "$f")" ] && ln -s "$f" "$fonts/"
done

stage=$(mktemp -d "$build/screenshots.XXXXXX")
pid=
cleanup() {
    if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then kill "$pid" 2>/dev/null || true; fi
    rm -rf "$stage"
}
trap cleanup EXIT
cp "$build/bin/CVInst.exe" "$stage/"
packages=$(ls "$build"/demo/*.msi 2>/dev/null || true)
if [ -n "$packages" ]; then
    # shellcheck disable=SC2086
    cp $packages "$stage/"
else
    echo "no demo packages in $build/demo: the main window is shot without any" >&2
fi

# The X window of the visible top-level window with exactly this title.
wait_window() {
    local title=$1 i id
    for i in $(seq 1 100); do
        id=$(xdotool search --onlyvisible --name "^${title}\$" 2>/dev/null | head -n1 || true)
        if [ -n "$id" ]; then
            sleep 1  # let it finish painting
            echo "$id"
            return 0
        fi
        sleep 0.2
    done
    echo "no window \"$title\" appeared" >&2
    return 1
}

shoot() {
    import -window "$1" -strip "png:$2"
    echo "$2: $(stat -c %s "$2") bytes"
}

wait_exit() {
    local i
    for i in $(seq 1 50); do
        kill -0 "$pid" 2>/dev/null || { pid=; return 0; }
        sleep 0.2
    done
    echo "CVInst.exe did not end; killing it" >&2
    kill "$pid" 2>/dev/null || true
    pid=
}

mkdir -p "$out"
cd "$stage"

wine ./CVInst.exe </dev/null >/dev/null 2>&1 &
pid=$!
main=$(wait_window "Corvane Installer [0-9]+\.[0-9]+")
# The pointer rests on the empty band under the profiles, so no control shows a hover highlight.
xdotool mousemove --window "$main" 300 100
sleep 0.5
shoot "$main" "$out/main-window.png"
# "Install Corvane" is the default button: Enter presses it and the licence dialog opens.
xdotool windowfocus --sync "$main" key Return
dialog=$(wait_window "Corvane License Agreement")
shoot "$dialog" "$out/license.png"
# Closing the dialog declines, so nothing is installed; then the main window closes too.
xdotool windowfocus --sync "$dialog" key alt+F4
sleep 1
xdotool windowfocus --sync "$main" key alt+F4
wait_exit

wine ./CVInst.exe '?' </dev/null >/dev/null 2>&1 &
pid=$!
help=$(wait_window "Corvane Installer Help")
shoot "$help" "$out/help.png"
xdotool windowfocus --sync "$help" key alt+F4
wait_exit
