# Shared by ./run and ./test: installs missing Debian packages and configures builds.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
JOBS="$(nproc 2>/dev/null || echo 2)"

ensure_packages() {
    local missing=()
    local pkg
    for pkg in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "ok installed"; then
            missing+=("$pkg")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        sudo=(sudo)
    fi
    export DEBIAN_FRONTEND=noninteractive
    "${sudo[@]}" apt-get update -qq >/dev/null
    "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

BASE_PACKAGES=(cmake ninja-build g++ pkg-config libreadline-dev)
GUI_PACKAGES=(qt6-base-dev libgl-dev)
TEST_PACKAGES=(libgtest-dev libgmock-dev libbenchmark-dev libmuparser-dev clang
    libclang-rt-14-dev)

# configure DIR [cmake args...]: configures once, then only rebuilds.
configure() {
    local dir="$1"
    shift
    if [ ! -f "$ROOT/$dir/build.ninja" ]; then
        cmake -S "$ROOT" -B "$ROOT/$dir" -G Ninja "$@" >/dev/null
    fi
}
