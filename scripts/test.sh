#!/usr/bin/env bash
# Runs every test of Ambrel: installs what this Debian machine lacks, builds the
# release programs and the setup program (scripts/package.sh), then the host
# tree and the Win32 tree from scratch, and runs both test suites (the Win32
# one under Wine, with the installer and the 32-bit monitor among its
# scenarios). Exits non-zero when anything fails.
set -uo pipefail
cd "$(dirname "$0")/.."
. scripts/prerequisites.sh
install_prerequisites || exit 1

status=0
summary=()
run_tree() {
    local tree=$1
    rm -rf "build/$tree"
    echo "== $tree: configure and build"
    if ! cmake --preset "$tree" >"build-$tree.log" 2>&1 || ! cmake --build --preset "$tree" >>"build-$tree.log" 2>&1; then
        tail -n 60 "build-$tree.log"
        echo "== $tree: build failed (full log: build-$tree.log)"
        summary+=("$tree: build failed")
        status=1
        return
    fi
    echo "== $tree: test"
    local out
    out=$(mktemp)
    ctest --preset "$tree" 2>&1 | tee "$out" | grep -v -E '^ +(Start|[0-9]+/[0-9]+ Test) .*(Start|Passed)' 
    local rc=${PIPESTATUS[0]}
    local line
    line=$(grep -E 'tests passed, [0-9]+ tests failed out of [0-9]+' "$out" | tail -n 1)
    summary+=("$tree: ${line:-no test summary}")
    [ "$rc" -eq 0 ] || status=1
    rm -f "$out"
}

mkdir -p build
# The release builds and the setup program first: the Win32 tree's scenarios
# install it and run the 32-bit monitor.
echo "== release builds and the setup program"
if bash scripts/package.sh; then
    summary+=("package: the four programs for x86_64 and i686 and build/dist/ambrel-2.0-setup.exe")
else
    summary+=("package: FAILED")
    status=1
fi
run_tree host
run_tree win32
# The benchmark's figures, which a passing test's output does not show.
[ -f build/win32/artifacts/monitor-benchmark.txt ] && cat build/win32/artifacts/monitor-benchmark.txt

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
exit $status
