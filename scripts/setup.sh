#!/usr/bin/env bash
# Installs what Vornix needs on Debian/Ubuntu, builds it, and then either starts the
# window program ("run", the default) or runs the whole test suite ("test"): the normal
# build's tests, the same tests under AddressSanitizer and UndefinedBehaviorSanitizer,
# the threaded reading's tests under ThreadSanitizer, a short run of each fuzz target,
# a list of the skipped tests with their reasons, and a check that the run left the
# checkout as it was.
set -euo pipefail
cd "$(dirname "$0")/.."
mode=${1:-run}

packages=(cmake ninja-build g++ libgtest-dev qt6-base-dev qt6-charts-dev qt6-svg-dev libgl-dev libicu-dev xz-utils scdoc clang-format)
if [ "$mode" = test ]; then
    packages+=(clang libclang-rt-dev clang-tidy git)
    # The install test: validators, man, Python's csv and json readers, .deb tools.
    packages+=(desktop-file-utils appstream man-db python3 dpkg-dev)
    # dist/cluster's tests: a local Dask cluster and GNU parallel with local slots.
    packages+=(python3-distributed parallel)
    # Real Russian and Japanese texts for the test of words of every script.
    packages+=(manpages-ru manpages-ja groff-base)
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
    # Only what the ThreadSanitizer run needs: the core tests and the threaded fuzz replay.
    cmake --preset tsan >/dev/null
    cmake --build --preset tsan
    # Window tests run on Qt's offscreen platform; no display is needed. Every run goes
    # on after a failure, so that the summary below covers all of them.
    status=0
    runs=()
    for preset in default asan tsan; do
        folder=build-$preset
        [ "$preset" = default ] && folder=build
        junit="$PWD/$folder/tests.xml"
        ctest --preset "$preset" --output-junit "$junit" || status=1
        runs+=("$preset=$junit")
    done
    scripts/skip-summary.py "${runs[@]}" || status=1
    # The tests and the fuzz run write only into the build folders and temporary ones.
    if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
        changed=$(git status --porcelain)
        if [ -n "$changed" ]; then
            echo "The test run changed the checkout:" >&2
            echo "$changed" >&2
            status=1
        else
            echo "== The checkout is as it was before the run."
        fi
    else
        echo "== Not a git checkout: the check that the run left it unchanged is skipped."
    fi
    exit $status
    ;;
run)
    exec build/vornix "${@:2}"
    ;;
*)
    echo "usage: scripts/setup.sh [run|test]" >&2
    exit 2
    ;;
esac
