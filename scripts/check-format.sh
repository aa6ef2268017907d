#!/usr/bin/env bash
# Fails when a tracked C++ file differs from what clang-format makes of it with the
# project's .clang-format. Run by ctest; fix with: clang-format -i FILE...
set -euo pipefail
cd "$(dirname "$0")/.."
command -v clang-format >/dev/null || { echo "clang-format is not installed" >&2; exit 1; }
git ls-files -z -- '*.cpp' '*.h' | xargs -0 clang-format --dry-run -Werror
