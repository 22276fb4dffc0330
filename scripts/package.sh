#!/usr/bin/env bash
# Builds what a Windows user installs: the four programs for 64-bit and for
# 32-bit Windows (optimised, stripped, static), then the setup program
# build/dist/ambrel-2.0-setup.exe. Installs what this Debian machine lacks.
# Prints each program's size and checks its manifest, and each 32-bit
# program's imports against what Windows 95 and NT 4 export; exits non-zero
# when a build fails, a program is 1 MB or more, its manifest lacks what it
# needs, or a 32-bit program imports what those systems lack.
set -uo pipefail
cd "$(dirname "$0")/.."
. scripts/prerequisites.sh
install_prerequisites cmake ninja-build g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix \
    g++-mingw-w64-i686-win32 gcc-mingw-w64-i686-win32 binutils-mingw-w64-i686 nsis python3 fp-utils || exit 1

status=0
rm -rf build/dist
mkdir -p build
for arch in x86_64 i686; do
    preset=release-$arch
    rm -rf "build/$preset"
    if ! cmake --preset "$preset" >"build/$preset.log" 2>&1 || ! cmake --build --preset "$preset" >>"build/$preset.log" 2>&1; then
        tail -n 40 "build/$preset.log"
        echo "== $preset: build failed (full log: build/$preset.log)"
        exit 1
    fi
    mkdir -p "build/dist/$arch"
    for program in monitor/Ambrel maintenance/corvane launcher/Telvix uninstaller/Pellorin; do
        cp "build/$preset/src/$program.exe" "build/dist/$arch/"
    done
    cp "build/$preset/help/AMBREL.CHM" "build/dist/$arch/"
    for exe in "build/dist/$arch"/*.exe; do
        size=$(stat -c %s "$exe")
        # No DLL beyond the system's own.
        dlls=$(objdump -p "$exe" | awk '/DLL Name:/ {print tolower($3)}' | sort -u | tr '\n' ' ')
        verdict=ok
        [ "$size" -lt 1048576 ] || { verdict="1 MB OR MORE"; status=1; }
        for dll in $dlls; do
            case $dll in
                kernel32.dll | user32.dll | gdi32.dll | advapi32.dll | shell32.dll | ole32.dll | comctl32.dll | \
                    comdlg32.dll | version.dll | uxtheme.dll | msvcrt.dll | oleaut32.dll | uuid.dll) ;;
                *) verdict="needs $dll"; status=1 ;;
            esac
        done
        printf '%-8s %-14s %8d bytes (%4d KB) %s; imports %s\n' "$arch" "${exe##*/}" "$size" $((size / 1024)) "$verdict" "$dlls"
    done
    # Each program's embedded manifest, read back: run as the invoker, never
    # virtualised, and the Windows versions from Vista to 11 named.
    python3 scripts/check_manifest.py "build/dist/$arch"/*.exe || status=1
    # The 32-bit programs load on Windows 95, 98 and NT 4: nothing imported
    # that those systems lack or only stub (packaging/oldest-windows/).
    if [ "$arch" = i686 ]; then
        python3 scripts/check_imports.py "build/dist/$arch"/*.exe || status=1
    fi
done

makensis -V2 -DBIN64="$PWD/build/dist/x86_64" -DBIN32="$PWD/build/dist/i686" \
    -DOUTFILE="$PWD/build/dist/ambrel-2.0-setup.exe" packaging/ambrel.nsi || exit 1
size=$(stat -c %s build/dist/ambrel-2.0-setup.exe)
echo "setup program: build/dist/ambrel-2.0-setup.exe, $size bytes ($((size / 1024)) KB)"
exit $status
