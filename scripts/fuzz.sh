#!/usr/bin/env bash
# The long fuzz job, outside the test command: every libFuzzer target (the
# command list loader with its recovery, the launcher's command line, the
# time-of-day reader) for the given minutes each (default 10), then the new
# inputs that reach new code are merged into the corpus kept in tests/fuzz.
# Prints each target's runs, coverage and findings; exits non-zero on a finding.
# Naming targets runs only those.
#   bash scripts/fuzz.sh [minutes] [command_loader|launcher_command_line|time_of_day ...]
set -uo pipefail
cd "$(dirname "$0")/.."
. scripts/prerequisites.sh
install_prerequisites cmake ninja-build clang libclang-rt-14-dev || exit 1
minutes=${1:-10}
shift $(( $# > 0 ? 1 : 0 ))
wanted=" $* "
seconds=$(awk -v m="$minutes" 'BEGIN { printf "%d", m * 60 }')
clangxx=$(command -v clang++-14 || command -v clang++)
build=build/fuzz
cmake -S tests/fuzz -B "$build" -G Ninja -DCMAKE_CXX_COMPILER="$clangxx" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    >/dev/null || exit 1
cmake --build "$build" >/dev/null || exit 1

status=0
for pair in command_loader:seeds launcher_command_line:launcher_seeds time_of_day:; do
    target=${pair%%:*}
    seeds=${pair#*:}
    if [ "$wanted" != "  " ] && [[ "$wanted" != *" $target "* ]]; then continue; fi
    corpus=tests/fuzz/corpus/$target
    work=$build/work-$target
    rm -rf "$work"
    mkdir -p "$corpus" "$work/corpus" "$work/findings"
    inputs=("$work/corpus" "$corpus")
    [ -n "$seeds" ] && inputs+=("tests/fuzz/$seeds")
    echo "== $target: $minutes min"
    "$build/${target}_fuzz" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="$work/findings/" "${inputs[@]}" >"$work/log" 2>&1
    rc=$?
    runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$work/log" | grep -o '[0-9]*$')
    cov=$(grep -o 'cov: [0-9]*' "$work/log" | tail -n 1 | grep -o '[0-9]*')
    findings=$(find "$work/findings" -type f | wc -l)
    echo "$target: ${runs:-?} runs, coverage ${cov:-?} edges, $findings findings (exit $rc)"
    if [ "$findings" -gt 0 ] || [ "$rc" -ne 0 ]; then
        status=1
        grep -m 5 -E 'ERROR|SUMMARY' "$work/log"
        find "$work/findings" -type f
    fi
    # Only what reaches new code joins the kept corpus.
    "$build/${target}_fuzz" -merge=1 "$corpus" "$work/corpus" >/dev/null 2>&1
done
exit $status
