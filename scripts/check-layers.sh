#!/usr/bin/env bash
# Fails when an include between the subsystem folders of src/ points upwards. The layers, lowest
# first: a folder may include its own headers and those of the folders before it, never after.
#   base     what every layer may use and is no window: handle owners, text conversion, the
#            system's error text, the Windows Installer's codes
#   forms    the Win32 forms layer: windows, controls, message boxes, the message loop
#   support  registry, locale font, engraved lines, string helpers
#   engine   the install and uninstall run, packages, process start
#   ui       the main window and the licence dialog
#   startup  the entry, the command line, the help window
# Usage: scripts/check-layers.sh [SRC_DIR]
set -euo pipefail
src=${1:-$(cd "$(dirname "$0")/.." && pwd)/src}
layers=(base forms support engine ui startup)

rank() {
    local i
    for i in "${!layers[@]}"; do
        [ "${layers[$i]}" = "$1" ] && { echo "$i"; return; }
    done
    echo -1
}

bad=0 checked=0
while IFS= read -r file; do
    rel=${file#"$src"/}
    from=${rel%%/*}
    from_rank=$(rank "$from")
    if [ "$from_rank" -lt 0 ]; then
        echo "$rel: not in a known layer"
        bad=$((bad + 1))
        continue
    fi
    while IFS= read -r include; do
        to=${include%%/*}
        to_rank=$(rank "$to")
        checked=$((checked + 1))
        if [ "$to_rank" -lt 0 ]; then
            echo "$rel: includes \"$include\", which is in no layer"
            bad=$((bad + 1))
        elif [ "$to_rank" -gt "$from_rank" ]; then
            echo "$rel: includes \"$include\": $from may not depend on $to"
            bad=$((bad + 1))
        fi
    done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file")
done < <(find "$src" -type f \( -name '*.h' -o -name '*.cpp' \) | sort)

if [ "$bad" -ne 0 ]; then
    echo "layers: $bad include(s) against the layer order (${layers[*]})"
    exit 1
fi
echo "layers: $checked includes, all pointing downwards (${layers[*]})"
