#!/usr/bin/env bash
# Builds the fuzz targets (fuzz/targets.txt) with clang in build-fuzz/ and runs each for
# a bounded time.
#   fuzz/run.sh [--update-corpus] [SECONDS]     default 60 seconds per target
# Each run starts from a copy of the kept corpus fuzz/corpus/<target>/ in
# build-fuzz/corpus/<target>/, where the new inputs go; the checkout is left as it was.
# With --update-corpus the copy is then minimised (only inputs that add coverage) into
# fuzz/corpus/<target>/, to be committed. A crash leaves its input in build-fuzz/ and
# makes the script fail.
set -euo pipefail
cd "$(dirname "$0")/.."
update=false
if [ "${1:-}" = --update-corpus ]; then
    update=true
    shift
fi
seconds=${1:-60}
cmake -S fuzz -B build-fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build build-fuzz >/dev/null
while read -r target maxlen; do
    kept=fuzz/corpus/$target
    work=build-fuzz/corpus/$target
    rm -rf "$work" && mkdir -p "$work"
    if [ -d "$kept" ]; then cp -R -p "$kept"/. "$work"/; fi
    echo "== $target: $seconds s"
    (cd build-fuzz && ./$target -max_total_time="$seconds" -max_len="$maxlen" -print_final_stats=1 \
        -artifact_prefix="$PWD/$target-" "corpus/$target" > "$target.log" 2>&1 ||
        { grep -E -A40 'check failed|ERROR|deadly' "$target.log" | head -60; exit 1; })
    tail -n 6 "build-fuzz/$target.log"
    if $update; then
        rm -rf "build-fuzz/$target-min" && mkdir -p "build-fuzz/$target-min"
        (cd build-fuzz && ./$target -merge=1 "$target-min" "corpus/$target" >/dev/null 2>&1)
        rm -rf "$kept" && mv "build-fuzz/$target-min" "$kept"
        echo "   kept corpus: $(find "$kept" -type f | wc -l) inputs in $kept"
    fi
done < <(grep -E '^[A-Za-z]' fuzz/targets.txt)
