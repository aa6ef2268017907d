#!/usr/bin/env bash
# Installs what Vornix needs on Debian/Ubuntu, builds it, and then either starts the
# window program ("run", the default) or runs the whole test suite ("test"): the normal
# build's tests, the same tests under AddressSanitizer and UndefinedBehaviorSanitizer,
# and a short run of each fuzz target.
set -euo pipefail
cd "$(dirname "$0")/.."
mode=${1:-run}

packages=(cmake ninja-build g++ libgtest-dev qt6-base-dev qt6-charts-dev qt6-svg-dev libgl-dev libicu-dev xz-utils scdoc clang-format)
if [ "$mode" = test ]; then
    packages+=(clang libclang-rt-dev)
    # The install test: validators, man, Python's csv and json readers, .deb tools.
    packages+=(desktop-file-utils appstream man-db python3 dpkg-dev)
fi
missing=()
for p in "${packages[@]}"; do
    dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
fi

cmake --preset default >/dev/null
cmake --build --preset default

case "$mode" in
test)
    fuzz/run.sh "${VORNIX_FUZZ_SECONDS:-15}"
    cmake --preset asan >/dev/null
    cmake --build --preset asan
    # Window tests run on Qt's offscreen platform; no display is needed.
    ctest --preset default
    ctest --preset asan
    ;;
run)
    exec build/vornix "${@:2}"
    ;;
*)
    echo "usage: scripts/setup.sh [run|test]" >&2
    exit 2
    ;;
esac
