#!/usr/bin/env bash
# Benchmarks of CVInst under Wine (never part of the tests): overhead over msiexec alone, notice
# latency of the process wait, window responsiveness during a long child, start-up time against a
# minimal Win32 program, and the executable's size, for the x86 and the x64 build side by side (the
# x86 one only where Wine's 32-bit half runs). Results go to bench/results/.
# Usage: bench/run-benchmarks.sh [rounds]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
rounds=${1:-5}

bash scripts/deps.sh
. scripts/configure.sh
. scripts/wine-env.sh
. scripts/i386-probe.sh
presets=(win64)
if runs_32bit_programs && wine32_starts; then
    presets=(win32 win64)
else
    echo "Only the x64 build is measured: Wine's 32-bit half cannot run here"
fi
work=$(mktemp -d)
trap 'for p in "${presets[@]}"; do wine_env_down "$root/build/$p/bench-wine"; done; rm -rf "$work"' EXIT

mkdir -p bench/results
out=bench/results/$(date +%Y%m%d-%H%M%S).txt
winpath() { echo "Z:$(realpath "$1" | sed 's|/|\\|g')"; }
now() { date +%s.%N; }
timed() { local t0; t0=$(now); wine cmd /c "$1" >/dev/null 2>&1 || true; echo "$(now) - $t0" | bc -l; }

# Measures one build under its own Wine prefix; prints its figures, one per line, in the same order
# for every build.
measure() {
    local preset=$1 tree=build/$1
    configure "$preset"
    cmake --build --preset "$preset" --target CVInst demo_packages bench_tools >&2
    wine_env_up "$tree/bench-wine"
    local stage=$tree/bench-stage
    rm -rf "$stage" && mkdir -p "$stage"
    cp $tree/bin/CVInst.exe $tree/demo/{CVMenu,CVWork,CVPServ,CVExampl}.msi "$stage/"
    local W params="/qb ALLUSERS=2 DISABLEADVTSHORTCUTS=1"
    W=$(winpath "$stage")
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

    local total_cv=0 total_direct=0 i a b
    for i in $(seq 1 "$rounds"); do
        a=$(timed "$W\\cvinst.bat")
        b=$(timed "$W\\direct.bat")
        echo "round $i: cvinst_s=${a:0:6} direct_s=${b:0:6}"
        total_cv=$(echo "$total_cv + $a" | bc -l); total_direct=$(echo "$total_direct + $b" | bc -l)
    done
    if [ -s "$stage/status.txt" ]; then
        echo "FAILED steps (the ratio is void): $(tr -d '\r' < "$stage/status.txt" | sort | uniq -c | tr '\n' ' ')"
    fi
    echo "overhead ratio (goal <= 1.05): $(echo "$total_cv / $total_direct" | bc -l | cut -c1-6)"

    # Let the installer service and its helpers go idle before the timings below.
    sleep 10
    wine $tree/bench/wait_latency.exe 200 2>/dev/null | tr -d '\r' | sed 's/$/  (goal: median < 5 ms)/'
    wine $tree/bench/responsiveness.exe 3000 2>/dev/null | tr -d '\r' | sed 's/$/  (goal: < 10 ms)/'
    # The start-up of CVInst beside its packages, against the minimal window (the goal) and against
    # the minimal window with common controls 6 and the same twelve controls (what no program with
    # these controls can start faster than).
    wine $tree/bench/startup_probe.exe 20 "$W\\CVInst.exe" \
        "$(winpath $tree/bench/minimal_window.exe)" "$(winpath $tree/bench/controls_window.exe)" 2>/dev/null |
        tr -d '\r' | sed -e '/^startup rounds/s/$/  (goal: ratio <= 1.2)/' -e '/other=1/s/$/  (against the common-controls window)/'
    echo "CVInst.exe size: $(stat -c %s $tree/bin/CVInst.exe) bytes"
    wine_env_down "$tree/bench-wine"
}

echo "== CVInst $(git rev-parse --short HEAD) on $(date -u +%FT%TZ)" | tee "$out"
for p in "${presets[@]}"; do
    echo "measuring the $p build" >&2
    case $p in
    win64) CVINST_WINE=/usr/lib/wine/wine64 measure "$p" > "$work/$p" ;;
    *) CVINST_WINE=wine measure "$p" > "$work/$p" ;;
    esac
done
# Side by side: one row per figure, one column per build.
{
    header= files=()
    for p in "${presets[@]}"; do
        case $p in win32) header+=" | x86 (win32)" ;; win64) header+=" | x64 (win64)" ;; esac
        files+=("$work/$p")
    done
    echo "${header# | }"
    paste -d '|' "${files[@]}" | sed 's/|/  |  /g'
} | tee -a "$out"
echo "results: $out"
