#!/usr/bin/env bash
# Fails when a tracked C or C++ source differs from what clang-format makes of it under the
# project's .clang-format; prints the places. Reformat with:
#   git ls-files '*.c' '*.cpp' '*.h' | xargs clang-format -i
set -euo pipefail
cd "$(dirname "$0")/.."
git ls-files -z '*.c' '*.cpp' '*.h' | xargs -0 clang-format --dry-run -Werror
