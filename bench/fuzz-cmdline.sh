#!/bin/sh
# Builds the fuzz preset and runs the command-line fuzzer on a scratch copy of the seed corpus:
# nine tenths of the time with inputs up to 4 KB, the last tenth up to 32 KB.
# Usage: bench/fuzz-cmdline.sh [seconds]   (default 300)
set -eu
seconds=${1:-300}
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

. scripts/configure.sh
configure fuzz
cmake --build --preset fuzz --target fuzz_cmdline

results=$root/bench/results
stamp=$(date +%Y%m%d-%H%M%S)
work=$results/fuzz-cmdline-$stamp
mkdir -p "$work/corpus" "$work/artifacts"
# New inputs go to the scratch folder, so the committed seed corpus stays small.
cp fuzz/corpus/cmdline/* "$work/corpus/"

# Most of the time on inputs up to 4 KB, where the fuzzer tries the most lines; then one run that
# keeps the long inputs (the 32 KB seeds, lines of repeated options) as long as Windows allows.
long=$((seconds / 10 > 0 ? seconds / 10 : 1))
status=0
for run in "$((seconds - long)) 4096" "$long 32768"; do
    set -- $run
    ./build/fuzz/fuzz/fuzz_cmdline -max_total_time="$1" -max_len="$2" -print_final_stats=1 \
        -artifact_prefix="$work/artifacts/" "$work/corpus" >>"$work/fuzz.log" 2>&1 || status=$?
    [ "$status" -eq 0 ] || break
done

summary=$results/fuzz-cmdline-$stamp.txt
{
    echo "fuzz_cmdline, $seconds s, $(date -u +%Y-%m-%dT%H:%M:%SZ), commit $(git rev-parse --short HEAD)"
    echo "exit status: $status"
    grep -E '^(#[0-9]+[[:space:]]+DONE|stat::(number_of_executed_units|average_exec_per_sec)|Done )' \
        "$work/fuzz.log" || true
    echo "corpus after run: $(ls "$work/corpus" | wc -l) inputs"
    echo "crash/leak/timeout artifacts: $(ls "$work/artifacts" | wc -l)"
    grep -E 'wrong answer|ERROR: |SUMMARY: ' "$work/fuzz.log" | head -20 || true
} >"$summary"
cat "$summary"
exit "$status"
