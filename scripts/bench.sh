#!/usr/bin/env bash
# The benchmarks, outside the test command: installs what this Debian machine
# lacks, builds what they need (build/win32: the monitor, the driver and the
# runner's benchmark), and measures every speed and processor figure of the
# monitor and the command runner under Wine, each several times in sessions of
# its own (tests/e2e/benchmark.py). Prints each figure's median and spread
# beside its target, and the seed's way of waiting beside ours where it is
# measured, then one line per figure: met or not met. Exits non-zero only when
# a figure is more than twice its target (a fault, not noise).
#   bash scripts/bench.sh [runs] [--only WORD]      (runs: 3 unless given)
set -uo pipefail
cd "$(dirname "$0")/.."
. scripts/prerequisites.sh
install_prerequisites || exit 1
runs=3
if [[ ${1:-} =~ ^[0-9]+$ ]]; then runs=$1; shift; fi

echo "== building the monitor and the benchmarks (build/win32; log: build-bench.log)"
if { [ -f build/win32/CMakeCache.txt ] || cmake --preset win32 >build-bench.log 2>&1; } &&
    cmake --build --preset win32 --target Ambrel e2e_tool runner_benchmark ambrel_test_helper wine_probe \
        >>build-bench.log 2>&1; then
    :
else
    tail -n 40 build-bench.log
    echo "== build failed"
    exit 1
fi
python3 tests/e2e/benchmark.py --build build/win32 --runs "$runs" "$@"
status=$?
tests/wine/wine-run.sh --stop build/win32
exit $status
