#!/usr/bin/env bash
# Installs what Vornix needs on Debian/Ubuntu, builds it, and then either starts the
# window program ("run", the default) or runs the whole test suite ("test").
set -euo pipefail
cd "$(dirname "$0")/.."
mode=${1:-run}

packages=(cmake ninja-build g++ clang libgtest-dev qt6-base-dev libgl-dev xvfb xauth xz-utils time)
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

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build

case "$mode" in
test)
    # Window tests run on Qt's offscreen platform; no display is needed.
    QT_QPA_PLATFORM=offscreen ctest --test-dir build --output-on-failure
    ;;
run)
    if [ -x build/vornix ]; then
        exec build/vornix
    else
        xz -dc ../shared/corpus/kjv-bible.txt.xz > build/kjv-bible.txt 2>/dev/null ||
            printf 'The cat and the dog. The end.\n' > build/kjv-bible.txt
        build/vornix-count --common-list=build/Vornix.dat build/kjv-bible.txt | head -n 25
    fi
    ;;
*)
    echo "usage: scripts/setup.sh [run|test]" >&2
    exit 2
    ;;
esac
