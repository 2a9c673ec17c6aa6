#!/usr/bin/env bash
# The test emulator of the win32 and win64 presets (CVINST_WINE picks the loader): wine-run.sh PREFIX_DIR program.exe [args...]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-env.sh"
prefix=$1; shift
wine_env_up "$prefix"
loader=${CVINST_WINE:-wine}
if [ "$loader" != wine ]; then export WINELOADER=$loader; fi
exec "$loader" "$@"
