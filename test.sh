#!/usr/bin/env bash
# Checks the sources' formatting, builds the sanitizer configuration and runs the whole test
# suite under a virtual display with a window manager, then the codec tests with several worker
# threads under ThreadSanitizer, then a short smoke run of every fuzz target (when clang is
# installed).
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh test
scripts/check-format.sh
cmake --preset ci >/dev/null
cmake --build --preset ci
xvfb-run -a -s "-screen 0 1280x1024x24" scripts/with-window-manager.sh ctest --preset ci
cmake --preset tsan >/dev/null
cmake --build --preset tsan
ctest --preset tsan
scripts/fuzz-smoke.sh build/ci/tools/convert/quillon-convert build/ci/share/sample.bmp
