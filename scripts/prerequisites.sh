# Debian packages the build and the tests need, installed when missing.
# Sourced by the scripts; installs through apt-get (with sudo when not root).

AMBREL_PACKAGES=(
    cmake ninja-build g++ make
    libgtest-dev libgmock-dev googletest libbenchmark-dev
    clang libclang-rt-14-dev
    g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
    wine wine64
    xvfb xauth x11-utils imagemagick python3
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
    $sudo apt-get update -qq || return 1
    $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null || return 1
}
