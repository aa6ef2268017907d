#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each for a bounded time.
#   fuzz/run.sh [SECONDS]     default 60 seconds per target
# New interesting inputs go to fuzz/corpus/<target>/ (kept in the repository while
# small); a crash leaves its input in build-fuzz/ and makes the script fail.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
cmake -S fuzz -B build-fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build build-fuzz >/dev/null
for target in ScannerFuzz SettingsFuzz UnicodeFuzz ParallelFuzz; do
    maxlen=4096; [ "$target" = SettingsFuzz ] && maxlen=512
    corpus=fuzz/corpus/$target
    mkdir -p "$corpus"
    echo "== $target: $seconds s"
    (cd build-fuzz && ./$target -max_total_time="$seconds" -max_len="$maxlen" -print_final_stats=1 \
        -artifact_prefix="$PWD/$target-" "../$corpus" > "$target.log" 2>&1 ||
        { grep -E -A40 'check failed|ERROR|deadly' "$target.log" | head -60; exit 1; })
    tail -n 6 "build-fuzz/$target.log"
    # Keep only the inputs that add coverage, so the kept corpus stays small.
    rm -rf "build-fuzz/$target-min" && mkdir -p "build-fuzz/$target-min"
    (cd build-fuzz && ./$target -merge=1 "$target-min" "../$corpus" >/dev/null 2>&1)
    rm -rf "$corpus" && mv "build-fuzz/$target-min" "$corpus"
done
