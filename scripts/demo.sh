#!/usr/bin/env bash
# Shows Ambrel at work: installs what this Debian machine lacks, builds the
# monitor, the maintenance program and the driver (build/win32), and runs tests/e2e/demo.py: a Wine
# session with a small configuration, the monitor started, the session ended
# as a user's shut down does, and what happened printed.
set -uo pipefail
cd "$(dirname "$0")/.."
. scripts/prerequisites.sh
install_prerequisites cmake ninja-build googletest \
    g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 \
    wine wine64 xvfb imagemagick python3 || exit 1

echo "== building Ambrel.exe, corvane.exe and the driver (build/win32; log: build-demo.log)"
if ! cmake --preset win32 >build-demo.log 2>&1 ||
    ! cmake --build --preset win32 --target Ambrel corvane e2e_tool wine_probe >>build-demo.log 2>&1; then
    tail -n 40 build-demo.log
    echo "== build failed"
    exit 1
fi
echo "== preparing the Wine prefix (the first time takes a minute)"
python3 tests/e2e/demo.py --build build/win32 "$@"
status=$?
# The build tree's own Wine server, and its Xvfb when there was no display.
tests/wine/wine-run.sh --stop build/win32
exit $status
