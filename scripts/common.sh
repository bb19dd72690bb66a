# Shared by scripts/run and scripts/test: install what is missing, configure and build.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD_DIR=${NULLSWEEP_BUILD_DIR:-$ROOT/build}

# What the program's build and the window need; scripts/test adds TEST_PACKAGES.
PACKAGES=(g++ cmake ninja-build pkg-config qt6-base-dev libpugixml-dev libxlsxwriter-dev
          libgit2-dev fonts-dejavu-extra libqt6svg6 qt6-wayland help2man librsvg2-bin file
          dpkg-dev)
TEST_PACKAGES=(libgtest-dev python3 python3-openpyxl tzdata git dbus-daemon
               lintian desktop-file-utils appstream zsh fish weston)

# Installs what is missing of PACKAGES and of the lists given as arguments.
ensure_packages() {
    local missing=()
    for p in "${PACKAGES[@]}" "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        echo "Installing: ${missing[*]}" >&2
        local sudo=""
        [ "$(id -u)" -eq 0 ] || sudo="sudo"
        $sudo apt-get update -q >&2
        DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q "${missing[@]}" >&2
    fi
}

build() {
    cmake -S "$ROOT" -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Release "$@" >&2
    cmake --build "$BUILD_DIR" >&2
}
