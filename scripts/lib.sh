# Shared by scripts/run and scripts/test: install what is missing, then build.
# shellcheck shell=bash

ZBX_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
JOBS="$(nproc 2>/dev/null || echo 2)"

# Debian packages the editor needs to build and run.
ZBX_RUN_PACKAGES=(build-essential cmake pkg-config libgtk2.0-dev nlohmann-json3-dev)
# ...and what the tests need on top.
ZBX_TEST_PACKAGES=(googletest libgtest-dev libbenchmark-dev clang libclang-rt-dev clang-format
                   xvfb xauth xdotool imagemagick x11-utils
                   python3-pyatspi at-spi2-core dbus-x11 libatk-adaptor libgail-common
                   python3-jsonschema help2man mandoc desktop-file-utils appstream bsdextrautils)

zbx_install_missing() {
    local missing=()
    local pkg
    for pkg in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
            missing+=("$pkg")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing missing packages: ${missing[*]}"
    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        if ! command -v sudo >/dev/null 2>&1; then
            echo "Please install these packages as root, then run this again:" >&2
            echo "  apt-get install ${missing[*]}" >&2
            exit 1
        fi
        sudo=(sudo)
    fi
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
        "${missing[@]}"
}

# zbx_build DIR [cmake options...]
zbx_build() {
    local dir="$1"
    shift
    cmake -S "$ZBX_ROOT" -B "$dir" "$@" >/dev/null
    cmake --build "$dir" -j "$JOBS"
}
