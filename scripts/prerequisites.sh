# Debian packages the build and the tests need, installed when missing.
# Sourced by the scripts; installs through apt-get (with sudo when not root).

AMBREL_PACKAGES=(
    cmake ninja-build g++ make
    libgtest-dev libgmock-dev googletest libbenchmark-dev
    clang libclang-rt-14-dev
    g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
    g++-mingw-w64-i686-win32 gcc-mingw-w64-i686-win32 binutils-mingw-w64-i686 nsis
    wine wine64 wine32:i386
    xvfb xauth x11-utils imagemagick python3 fp-utils
)

# install_prerequisites [PACKAGE...]: the packages named, or all of the above.
install_prerequisites() {
    local missing=() p wanted=("$@")
    [ ${#wanted[@]} -gt 0 ] || wanted=("${AMBREL_PACKAGES[@]}")
    for p in "${wanted[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "== installing: ${missing[*]}"
    local sudo=
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    export DEBIAN_FRONTEND=noninteractive
    # Wine's 32-bit half (the 32-bit programs and the setup program run on it)
    # comes from the i386 architecture.
    if [[ " ${missing[*]} " == *":i386 "* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
        $sudo dpkg --add-architecture i386 || return 1
    fi
    $sudo apt-get update -qq || return 1
    $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null || return 1
}
