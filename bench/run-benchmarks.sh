#!/usr/bin/env bash
# Benchmarks of CVInst under Wine (never part of the tests): overhead over msiexec alone, notice
# latency of the process wait, window responsiveness during a long child, start-up time against a
# minimal Win32 program, and the executable's size. Results go to bench/results/.
# Usage: bench/run-benchmarks.sh [rounds]   (CVINST_BENCH_PRESET=win64 measures the x64 build, for a
# machine whose Wine runs no 32-bit program)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
rounds=${1:-5}
preset=${CVINST_BENCH_PRESET:-win32}

bash scripts/deps.sh
. scripts/configure.sh
configure "$preset"
cmake --build --preset "$preset" --target CVInst demo_packages bench_tools

. scripts/wine-env.sh
prefix=build/$preset/bench-wine
trap 'wine_env_down "$root/$prefix"' EXIT
wine_env_up "$prefix"

mkdir -p bench/results
out=bench/results/$(date +%Y%m%d-%H%M%S).txt
winpath() { echo "Z:$(realpath "$1" | sed 's|/|\\|g')"; }

stage=build/$preset/bench-stage
rm -rf "$stage" && mkdir -p "$stage"
cp build/$preset/bin/CVInst.exe build/$preset/demo/{CVMenu,CVWork,CVPServ,CVExampl}.msi "$stage/"
W=$(winpath "$stage")
params="/qb ALLUSERS=2 DISABLEADVTSHORTCUTS=1"
# Each step's exit status goes to status.txt: a round whose runs failed measures nothing.
step() { echo "$1"; echo "if errorlevel 1 echo $2 %errorlevel%>> $W\\status.txt"; }
{
    echo "@echo off"
    step "start /wait $W\\CVInst.exe /I" "CVInst /I"
    step "start /wait $W\\CVInst.exe /U" "CVInst /U"
} > "$stage/cvinst.bat"
{
    echo "@echo off"
    for p in CVMenu CVWork CVPServ CVExampl; do step "start /wait msiexec /i \"$W\\$p.msi\" $params" "msiexec /i $p"; done
    step "start /wait \"\" \"C:\\Program Files (x86)\\Corvane Personal Server\\CVPServ.exe\" /REGISTERCOM" "CVPServ"
    for p in CVMenu CVWork CVPServ CVExampl; do step "start /wait msiexec /x \"$W\\$p.msi\" $params" "msiexec /x $p"; done
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
if [ -s "$stage/status.txt" ]; then
    echo "FAILED steps (the ratio below is void):" | tee -a "$out"
    tr -d '\r' < "$stage/status.txt" | sort | uniq -c | tee -a "$out"
fi
echo "overhead ratio (goal <= 1.05): $(echo "$total_cv / $total_direct" | bc -l | cut -c1-6)" | tee -a "$out"

# Let the installer service and its helpers go idle before the timings below.
sleep 10
wine build/$preset/bench/wait_latency.exe 200 2>/dev/null | tr -d '\r' | sed 's/$/  (goal: median < 5 ms)/' | tee -a "$out"
wine build/$preset/bench/responsiveness.exe 3000 2>/dev/null | tr -d '\r' | sed 's/$/  (goal: < 10 ms)/' | tee -a "$out"
# The start-up of CVInst beside its packages, against the minimal window (the goal) and against
# the minimal window with common controls 6 and the same twelve controls (what no program with
# these controls can start faster than).
wine build/$preset/bench/startup_probe.exe 20 "$W\\CVInst.exe" \
    "$(winpath build/$preset/bench/minimal_window.exe)" "$(winpath build/$preset/bench/controls_window.exe)" 2>/dev/null |
    tr -d '\r' | sed -e '/^startup rounds/s/$/  (goal: ratio <= 1.2)/' -e '/other=1/s/$/  (against the common-controls window)/' |
    tee -a "$out"
echo "CVInst.exe size: $(stat -c %s build/$preset/bin/CVInst.exe) bytes" | tee -a "$out"
echo "results: $out"
