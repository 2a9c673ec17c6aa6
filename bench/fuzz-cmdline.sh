#!/bin/sh
# Builds the fuzz preset and runs the command-line fuzzer on a scratch copy of the seed corpus.
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

status=0
./build/fuzz/fuzz/fuzz_cmdline -max_total_time="$seconds" -max_len=32768 -print_final_stats=1 \
    -artifact_prefix="$work/artifacts/" "$work/corpus" >"$work/fuzz.log" 2>&1 || status=$?

summary=$results/fuzz-cmdline-$stamp.txt
{
    echo "fuzz_cmdline, $seconds s, $(date -u +%Y-%m-%dT%H:%M:%SZ), commit $(git rev-parse --short HEAD)"
    echo "exit status: $status"
    grep -E '^(#[0-9]+[[:space:]]+DONE|stat::|Done )' "$work/fuzz.log" || true
    echo "corpus after run: $(ls "$work/corpus" | wc -l) inputs"
    echo "crash/leak/timeout artifacts: $(ls "$work/artifacts" | wc -l)"
    grep -E 'wrong answer|ERROR: |SUMMARY: ' "$work/fuzz.log" | head -20 || true
} >"$summary"
cat "$summary"
exit "$status"
