#!/usr/bin/env bash
# Runs every test of Ambrel: installs what this Debian machine lacks, builds the
# release programs and the setup program (scripts/package.sh), then the host
# tree and the Win32 tree from scratch, and runs both test suites (the Win32
# one under Wine, with the installer and the 32-bit monitor among its
# scenarios). Ends with the host and Win32 counts and the wall time of each
# stage. Exits non-zero when anything fails.
#
# Nothing here is held to a time: speed and processor figures are
# scripts/bench.sh's, since a slow machine can miss a figure but not a fact.
set -uo pipefail
cd "$(dirname "$0")/.."
. scripts/prerequisites.sh
began=$SECONDS
install_prerequisites || exit 1

status=0
summary=()
stages=()
# The Win32 tests spend most of their time waiting for Wine, for windows and
# for the end of sessions, each in a prefix of its own: twice as many at once
# as there are processors keeps the processors busy.
win32_jobs=$(( $(nproc) * 2 ))

# stage NAME SECONDS_AT_START: records how long a stage took.
stage() { stages+=("$(printf '%-22s %4d s' "$1" $((SECONDS - $2)))"); }

run_tree() {
    local tree=$1 jobs=$2 at=$SECONDS
    rm -rf "build/$tree"
    echo "== $tree: configure and build"
    if ! cmake --preset "$tree" >"build-$tree.log" 2>&1 || ! cmake --build --preset "$tree" >>"build-$tree.log" 2>&1; then
        tail -n 60 "build-$tree.log"
        echo "== $tree: build failed (full log: build-$tree.log)"
        summary+=("$tree: build failed")
        status=1
        stage "$tree build" "$at"
        return
    fi
    stage "$tree build" "$at"
    at=$SECONDS
    echo "== $tree: test"
    local out
    out=$(mktemp)
    # Passing cases and starts are left out of the output; failures, their
    # output and the summary stay.
    ctest --preset "$tree" -j "$jobs" 2>&1 | tee "$out" |
        grep -v -E '^ *(Start +[0-9]+: |[0-9]+/[0-9]+ Test +#[0-9]+: .* Passed +[0-9.]+ sec$)'
    local rc=${PIPESTATUS[0]}
    local line
    line=$(grep -E 'tests passed, [0-9]+ tests failed out of [0-9]+' "$out" | tail -n 1)
    summary+=("$tree: ${line:-no test summary}")
    [ "$rc" -eq 0 ] || status=1
    rm -f "$out"
    stage "$tree tests" "$at"
}

mkdir -p build
stage "prerequisites" "$began"
# The release builds and the setup program first: the Win32 tree's scenarios
# install it and run the 32-bit monitor.
echo "== release builds and the setup program"
at=$SECONDS
if bash scripts/package.sh; then
    summary+=("package: the four programs for x86_64 and i686 and build/dist/ambrel-2.0-setup.exe")
else
    summary+=("package: FAILED")
    status=1
fi
stage "package" "$at"
run_tree host "$(nproc)"
run_tree win32 "$win32_jobs"

echo
echo "== summary"
passed=0
failed=0
for s in "${summary[@]}"; do
    echo "$s"
    if [[ $s =~ ([0-9]+)\ tests\ failed\ out\ of\ ([0-9]+) ]]; then
        failed=$((failed + BASH_REMATCH[1]))
        passed=$((passed + BASH_REMATCH[2] - BASH_REMATCH[1]))
    fi
done
echo "$passed passed, $failed failed"
echo "== wall time of each stage"
printf '%s\n' "${stages[@]}"
printf '%-22s %4d s\n' "all" $((SECONDS - began))
exit $status
