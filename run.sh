#!/usr/bin/env bash
# Builds the release configuration and starts quillon with the given files
# (or with the sample picture when none is given).
set -euo pipefail
cd "$(dirname "$0")"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "quillon needs a graphical display (neither DISPLAY nor WAYLAND_DISPLAY is set)." >&2
  echo "Without a display, use the headless converter quillon-convert" >&2
  echo "(build/release/tools/quillon-convert --help, once built)." >&2
  exit 1
fi

scripts/install-deps.sh run
cmake --preset release >/dev/null
cmake --build --preset release

if [ $# -eq 0 ]; then
  set -- build/release/share/sample.bmp
fi
exec build/release/app/quillon "$@"
