#!/usr/bin/env bash
# Compiles the help project help/ambrel.hhp into AMBREL.CHM with chmcmd.
#
#   build_help.sh SOURCE_DIR OUTPUT_DIR
#
# chmcmd writes the targets of the context map ([ALIAS]) as the full path of
# the project folder on the build machine ("/home/.../help/editor.htm"), so a
# context number would open no page on any other machine. The project is
# therefore compiled with its own folder as the root of the file system: a
# copy of the sources, chmcmd and the few libraries it loads, under chroot
# (through a user namespace when not run as root).
set -euo pipefail
source_dir=$(cd "$1" && pwd)
out_dir=$2
mkdir -p "$out_dir"
out_dir=$(cd "$out_dir" && pwd)
stage=$(mktemp -d "$out_dir/stage.XXXXXX")
trap 'rm -rf "$stage"' EXIT

chmcmd=$(command -v chmcmd) || { echo "build_help: chmcmd is missing (Debian package fp-utils)" >&2; exit 1; }
cp -r "$source_dir"/. "$stage"/
cp -L "$chmcmd" "$stage/chmcmd"
# What the loader maps, and the thread library the program loads by name.
libs=$(ldd "$chmcmd" | awk '/=>/ {print $3} /^\t\// {print $1}')
for lib in $libs $(ldconfig -p | awk '/libpthread.so.0 |libdl.so.2 / && /x86-64/ {print $NF}'); do
    [ -e "$lib" ] || continue
    mkdir -p "$stage$(dirname "$lib")"
    cp -L "$lib" "$stage$lib"
done

run=(chroot "$stage" /chmcmd --no-html-scan ambrel.hhp)
[ "$(id -u)" -eq 0 ] || run=(unshare -r "${run[@]}")
(cd "$stage" && "${run[@]}") >"$out_dir/chmcmd.log" 2>&1 || {
    cat "$out_dir/chmcmd.log" >&2
    echo "build_help: chmcmd failed" >&2
    exit 1
}
[ -s "$stage/AMBREL.CHM" ] || { cat "$out_dir/chmcmd.log" >&2; echo "build_help: no AMBREL.CHM" >&2; exit 1; }
mv "$stage/AMBREL.CHM" "$out_dir/AMBREL.CHM"
