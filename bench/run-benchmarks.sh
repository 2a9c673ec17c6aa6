#!/usr/bin/env bash
# Benchmarks of CVInst under Wine (never part of the tests): overhead over msiexec alone, notice
# latency of the process wait, window responsiveness during a long child, start-up time against a
# minimal Win32 program, and the executable's size. Results go to bench/results/.
# Usage: bench/run-benchmarks.sh [rounds]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
rounds=${1:-5}

bash scripts/deps.sh
cmake --preset win32 >/dev/null
cmake --build --preset win32 --target CVInst demo_packages bench_tools

. scripts/wine-env.sh
prefix=build/win32/bench-wine
trap 'wine_env_down "$root/$prefix"' EXIT
wine_env_up "$prefix"

mkdir -p bench/results
out=bench/results/$(date +%Y%m%d-%H%M%S).txt
winpath() { echo "Z:$(realpath "$1" | sed 's|/|\\|g')"; }

stage=build/win32/bench-stage
rm -rf "$stage" && mkdir -p "$stage"
cp build/win32/bin/CVInst.exe build/win32/demo/{CVMenu,CVWork,CVPServ,CVExampl}.msi "$stage/"
W=$(winpath "$stage")
params="/qb ALLUSERS=2 DISABLEADVTSHORTCUTS=1"
{
    echo "@echo off"
    echo "start /wait $W\\CVInst.exe /I"
    echo "start /wait $W\\CVInst.exe /U"
} > "$stage/cvinst.bat"
{
    echo "@echo off"
    for p in CVMenu CVWork CVPServ CVExampl; do echo "start /wait msiexec /i \"$W\\$p.msi\" $params"; done
    echo "start /wait \"\" \"C:\\Program Files (x86)\\Corvane Personal Server\\CVPServ.exe\" /REGISTERCOM"
    for p in CVMenu CVWork CVPServ CVExampl; do echo "start /wait msiexec /x \"$W\\$p.msi\" $params"; done
} > "$stage/direct.bat"
sed -i 's/$/\r/' "$stage"/*.bat

now() { date +%s.%N; }
timed() { local t0; t0=$(now); wine cmd /c "$1" >/dev/null 2>&1 || true; echo "$(now) - $t0" | bc -l; }

echo "== CVInst $(git rev-parse --short HEAD) on $(date -u +%FT%TZ)" | tee "$out"
total_cv=0; total_direct=0
for i in $(seq 1 "$rounds"); do
    a=$(timed "$(winpath "$stage")\\cvinst.bat")
    b=$(timed "$(winpath "$stage")\\direct.bat")
    echo "round $i: cvinst_s=$a direct_s=$b" | tee -a "$out"
    total_cv=$(echo "$total_cv + $a" | bc -l); total_direct=$(echo "$total_direct + $b" | bc -l)
done
echo "overhead ratio (goal <= 1.05): $(echo "$total_cv / $total_direct" | bc -l | cut -c1-6)" | tee -a "$out"

wine build/win32/bench/wait_latency.exe 200 2>/dev/null | tr -d '\r' | sed 's/$/  (goal: median < 5 ms)/' | tee -a "$out"
wine build/win32/bench/responsiveness.exe 3000 2>/dev/null | tr -d '\r' | sed 's/$/  (goal: < 20 ms)/' | tee -a "$out"
wine build/win32/bench/startup_probe.exe 10 "$(winpath build/win32/bin/CVInst.exe)" \
    "$(winpath build/win32/bench/minimal_window.exe)" 2>/dev/null | tr -d '\r' | sed 's/$/  (goal: ratio <= 1.2)/' | tee -a "$out"
echo "CVInst.exe size: $(stat -c %s build/win32/bin/CVInst.exe) bytes" | tee -a "$out"
echo "results: $out"
