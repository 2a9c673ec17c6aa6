#!/usr/bin/env bash
# The test emulator of the win32 preset: wine-run.sh PREFIX_DIR program.exe [args...]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-env.sh"
prefix=$1; shift
wine_env_up "$prefix"
exec wine "$@"
