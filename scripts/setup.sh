#!/usr/bin/env bash
# Installs what the project needs on Debian 12, then configures and builds it.
#   scripts/setup.sh [normal|sanitize]   (default: normal)
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
    build-essential cmake ninja-build ccache pkg-config
    qt6-base-dev qt6-base-dev-tools libgl-dev
    googletest libgtest-dev libgmock-dev libbenchmark-dev
    nginx-light xvfb xauth xdotool x11-utils
    chromium wget python3 fonts-dejavu-core
)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done
if ((${#missing[@]})); then
    sudo=""
    if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
    echo "Installing: ${missing[*]}"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
fi

# nginx is started by the tests themselves on a private port; keep the system's own copy quiet.
if command -v systemctl >/dev/null 2>&1 && systemctl is-active --quiet nginx 2>/dev/null; then
    systemctl stop nginx 2>/dev/null || true
fi

kind="${1:-normal}"
case "$kind" in
    normal) dir=build; flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo) ;;
    sanitize) dir=build-sanitize; flags=(-DCMAKE_BUILD_TYPE=Debug -DTARNWICK_SANITIZE=ON -DTARNWICK_BUILD_BENCH=OFF) ;;
    *) echo "usage: $0 [normal|sanitize]" >&2; exit 2 ;;
esac

launcher=()
if command -v ccache >/dev/null 2>&1; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
cmake -S . -B "$dir" -G Ninja "${flags[@]}" "${launcher[@]}" >/dev/null
cmake --build "$dir"
