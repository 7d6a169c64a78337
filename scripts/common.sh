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

BASE_PACKAGES=(cmake ninja-build g++ pkg-config libreadline-dev scdoc librsvg2-bin)
GUI_PACKAGES=(qt6-base-dev libgl-dev fonts-dejavu-core qt6-tools-dev qt6-l10n-tools
    qt6-translations-l10n)
TEST_PACKAGES=(libgtest-dev libgmock-dev libbenchmark-dev libmuparser-dev clang
    libclang-rt-14-dev desktop-file-utils appstream man-db bash-completion)
PACKAGE_PACKAGES=(dpkg-dev lintian)

# configure DIR [cmake args...]: configures the build folder; run every time, so that folders
# added to the project since the last run are picked up (quick when nothing changed).
configure() {
    local dir="$1"
    shift
    cmake -S "$ROOT" -B "$ROOT/$dir" -G Ninja "$@" >/dev/null
}

# build DIR: builds quietly; on failure shows the end of the log and fails.
build() {
    local log="$ROOT/$1/build.log"
    if ! cmake --build "$ROOT/$1" -j "$JOBS" >"$log" 2>&1; then
        tail -n 60 "$log"
        echo "build of $1 failed"
        return 1
    fi
}
