#!/usr/bin/env bash
# Runs one Windows program under Wine, in a prefix that belongs to the build tree.
#
#   wine-run.sh PROGRAM.exe [ARGS...]
#
# The build tree is the nearest folder above PROGRAM that holds CMakeCache.txt;
# its prefixes live in <build>/wine (or $AMBREL_WINE_ROOT). A template prefix is
# made once, under a lock, before anything runs in it, so tests started in
# parallel never race to create one.
#
#   AMBREL_WINE_PREFIX=shared   (default) one prefix for the whole run, with a
#                               persistent wineserver; for programs that leave
#                               the prefix as they found it
#   AMBREL_WINE_PREFIX=private  a fresh copy of the template for this run alone,
#                               removed afterwards with its wineserver
#   AMBREL_WINE_VERSION=win98   the Windows version the private prefix reports
#                               (win95, win98, nt40, win2k, win10)
#   AMBREL_WINE_KEEP=1          keep the private prefix (its path goes to stderr)
#   AMBREL_WINE_SCREENS=two     a private prefix on a display of its own with two
#                               screens (800x600 and 1280x1024, Xinerama), so the
#                               virtual screen is larger than the primary one
#   AMBREL_WINE_AFTER="ARGS"    run PROGRAM once more with ARGS in the same
#                               private prefix when the first run is over
#   wine-run.sh --stop BUILD_DIR   ends the shared prefix's wineserver
#
# Every program starts the same way each time: without address randomisation
# and through the loader of its own width (see no_randomisation and loader_for).
set -u

# Wine's loader is linked at a fixed address and the C heap begins right above
# it, at a random distance. Now and then the heap reaches the address where the
# shared user data of every Windows process must be mapped, and the program dies
# before its first instruction ("failed to map the shared user data", about one
# start in five thousand here; under the 32-bit loader the parent only says
# "ShellExecuteEx failed: Internal error"). Without randomisation the layout is
# the same at every start, so a start that works once always works. The setting
# is inherited by everything Wine starts.
no_randomisation() {
    local personality
    personality=$(cat /proc/self/personality 2>/dev/null) || return 0
    (( 16#$personality & 0x0040000 )) && return 0
    command -v setarch >/dev/null || return 0
    exec setarch "$(uname -m)" -R "$0" "$@"
}
no_randomisation "$@"

# Debian's `wine` is the 32-bit loader once Wine's 32-bit half is installed. It
# hands a 64-bit program to start.exe, which starts it again through
# ShellExecuteEx: two process starts for one, and a failure of the second is
# reported only as the first's. A 64-bit program is started by the 64-bit
# loader itself.
wine64=${AMBREL_WINE64:-/usr/lib/wine/wine64}
loader_for() {
    local offset machine
    offset=$(od -An -tu4 -j60 -N4 "$1" 2>/dev/null | tr -d ' ')
    [ -n "$offset" ] && machine=$(od -An -tx1 -j$((offset + 4)) -N2 "$1" 2>/dev/null | tr -d ' \n')
    if [ "${machine:-}" = 6486 ] && [ -x "$wine64" ]; then echo "$wine64"; else echo wine; fi
}
if [ "${1:-}" = --stop ]; then
    stop_root=${AMBREL_WINE_ROOT:-$2/wine}
    WINEPREFIX=$stop_root/shared wineserver -k 2>/dev/null
    if [ -f "$stop_root/xvfb.pid" ]; then
        kill "$(cat "$stop_root/xvfb.pid")" 2>/dev/null
        rm -f "$stop_root/xvfb.pid" "$stop_root/xvfb.display"
    fi
    exit 0
fi
exe=$1
shift

find_build_root() {
    local d
    d=$(cd "$(dirname "$1")" && pwd)
    while [ "$d" != / ] && [ ! -f "$d/CMakeCache.txt" ]; do d=$(dirname "$d"); done
    [ -f "$d/CMakeCache.txt" ] && echo "$d"
}

root=${AMBREL_WINE_ROOT:-}
if [ -z "$root" ]; then
    build=$(find_build_root "$exe")
    root=${build:-${TMPDIR:-/tmp}}/wine
fi
mkdir -p "$root"
template=$root/template

export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64

# Copies a prefix cheaply: the large, read-only Windows folder is hard-linked,
# everything a program may change (registry, user folders) is copied.
copy_prefix() {
    local from=$1 to=$2
    mkdir -p "$to/drive_c"
    cp -a "$from"/*.reg "$from"/.update-timestamp "$from"/dosdevices "$to"/
    local item
    for item in "$from"/drive_c/*; do
        case ${item##*/} in
            windows) cp -al "$item" "$to/drive_c/" ;;
            *) cp -a "$item" "$to/drive_c/" ;;
        esac
    done
}

set_version() {
    local prefix=$1 version=$2
    # The loader reads user.reg section by section, so a section appended at
    # the end sets the value without parsing the file.
    printf '\n[Software\\\\Wine] 0\n"Version"="%s"\n' "$version" >>"$prefix/user.reg"
}

(
    flock 9
    # Windows need a display. Without one, the build tree gets its own Xvfb,
    # ended with the shared prefix's server (--stop).
    if [ -z "${DISPLAY:-}" ]; then
        if [ ! -f "$root/xvfb.pid" ] || ! kill -0 "$(cat "$root/xvfb.pid")" 2>/dev/null; then
            rm -f "$root/xvfb.display"
            Xvfb -displayfd 8 -screen 0 1280x1024x24 -nolisten tcp 8>"$root/xvfb.display" \
                </dev/null >/dev/null 2>&1 9>&- &
            echo $! >"$root/xvfb.pid"
            for _ in $(seq 100); do [ -s "$root/xvfb.display" ] && break; sleep 0.1; done
        fi
    fi
    # A template made before Wine's 32-bit half was installed has nothing in
    # syswow64, and Wine then fails in it: made again, with the shared prefix.
    if [ -f "$template/.ambrel-ready" ] && [ -d /usr/lib/i386-linux-gnu/wine/i386-windows ] &&
        [ ! -e "$template/drive_c/windows/syswow64/kernel32.dll" ]; then
        WINEPREFIX=$root/shared wineserver -k </dev/null >/dev/null 2>&1 9>&-
        rm -f "$template/.ambrel-ready" "$root/shared/.ambrel-ready"
    fi
    if [ ! -f "$template/.ambrel-ready" ]; then
        rm -rf "$template"
        WINEPREFIX=$template wineboot -i </dev/null >/dev/null 2>&1 9>&-
        WINEPREFIX=$template wineserver -w 9>&-
        # The display has no window manager: windows that Wine would hand to
        # one wait two seconds for it at every hide and destroy.
        printf '\n[Software\\\\Wine\\\\X11 Driver] 0\n"Managed"="N"\n' >>"$template/user.reg"
        touch "$template/.ambrel-ready"
    fi
    if [ ! -f "$root/shared/.ambrel-ready" ]; then
        rm -rf "$root/shared"
        copy_prefix "$template" "$root/shared"
        touch "$root/shared/.ambrel-ready"
    fi
    # A persistent server, and Wine's own background processes, started with
    # their output sent nowhere: whatever outlives a program must not hold the
    # caller's pipes open (CTest waits for them to close). Both return at once
    # when the server is already up.
    # Nothing started here may inherit the lock either.
    WINEPREFIX=$root/shared wineserver -p </dev/null >/dev/null 2>&1 9>&-
    WINEPREFIX=$root/shared wine cmd.exe /c exit </dev/null >/dev/null 2>&1 9>&-
) 9>"$root/.lock"

if [ -z "${DISPLAY:-}" ] && [ -s "$root/xvfb.display" ]; then
    export DISPLAY=:$(head -n 1 "$root/xvfb.display")
fi

mode=${AMBREL_WINE_PREFIX:-shared}
if [ -n "${AMBREL_WINE_VERSION:-}" ]; then mode=private; fi
screens_pid=
if [ "${AMBREL_WINE_SCREENS:-}" = two ]; then
    mode=private
    # Without RandR, Wine reads the screens from Xinerama: two monitors.
    screens_display=$(mktemp "$root/screens.XXXXXX")
    Xvfb -displayfd 8 -screen 0 800x600x24 -screen 1 1280x1024x24 +xinerama -extension RANDR -nolisten tcp \
        8>"$screens_display" </dev/null >/dev/null 2>&1 &
    screens_pid=$!
    for _ in $(seq 100); do [ -s "$screens_display" ] && break; sleep 0.1; done
    export DISPLAY=:$(head -n 1 "$screens_display")
    rm -f "$screens_display"
fi

if [ "$mode" = shared ]; then
    export WINEPREFIX=$root/shared
    exec "$(loader_for "$exe")" "$exe" "$@"
fi

mkdir -p "$root/private"
prefix=$(mktemp -d "$root/private/p.XXXXXX")
copy_prefix "$template" "$prefix"
[ -n "${AMBREL_WINE_VERSION:-}" ] && set_version "$prefix" "$AMBREL_WINE_VERSION"
export WINEPREFIX=$prefix
wineserver -p </dev/null >/dev/null 2>&1
wine cmd.exe /c exit </dev/null >/dev/null 2>&1
loader=$(loader_for "$exe")
"$loader" "$exe" "$@"
rc=$?
if [ -n "${AMBREL_WINE_AFTER:-}" ]; then
    # A second run in the same prefix, for programs whose first run ends the
    # whole Wine session (itself included); its arguments are word-split.
    sleep 1
    # shellcheck disable=SC2086
    "$loader" "$exe" $AMBREL_WINE_AFTER
    after=$?
    [ "$rc" -eq 0 ] && rc=$after
fi
wineserver -k 2>/dev/null
wineserver -w 2>/dev/null
[ -n "$screens_pid" ] && kill "$screens_pid" 2>/dev/null
if [ -n "${AMBREL_WINE_KEEP:-}" ]; then
    echo "wine-run: prefix kept at $prefix" >&2
else
    rm -rf "$prefix"
fi
exit $rc
