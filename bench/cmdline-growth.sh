#!/bin/sh
# The growth table of reading a command line (bench/tools/cmdline_growth.cpp): 1k, 4k, 16k and 32k
# characters, for each option repeated. Built natively with optimisation and no sanitizers, with
# Google Benchmark. Results go to bench/results/.
# Usage: bench/cmdline-growth.sh [commit]   (a commit before the table of forms is measured with
#                                            its substring reader, for comparison)
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
out=$root/build/bench-native
mkdir -p "$out" bench/results
src=$root/src
define=
if [ $# -gt 0 ]; then
    src=$out/src-$1
    rm -rf "$src" && mkdir -p "$src"
    git archive "$1" src | tar -x -C "$src" --strip-components=1
    [ -f "$src/startup/option_reader.h" ] || define=-DCVINST_BENCH_SUBSTRING_READER
fi
sources=$(ls "$src"/startup/*.cpp "$src"/engine/catalogue.cpp "$src"/support/strings.cpp \
    "$src"/support/file_names.cpp "$src"/base/installer_codes.cpp 2>/dev/null || true)
g++ -std=c++20 -O2 -DNDEBUG $define -I"$src" bench/tools/cmdline_growth.cpp $sources \
    -lbenchmark -lpthread -o "$out/cmdline_growth"
"$out/cmdline_growth" --benchmark_min_time=0.2 | tee "bench/results/cmdline-growth-$(date +%Y%m%d-%H%M%S).txt"
