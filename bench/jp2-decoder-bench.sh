#!/bin/sh
# Runs jp2-decoder-bench on the 4096 x 4096 colour photograph and its grey version that
# fetch-bench-pictures.sh makes.
# Usage: bench/jp2-decoder-bench.sh path/to/jp2-decoder-bench [cache directory]
set -eu
bench=$(realpath "$1")
work=$("$(dirname "$(realpath "$0")")/fetch-bench-pictures.sh" ${2:+"$2"})
"$bench" "$work/photo.ppm" "$work"
"$bench" "$work/photo.pgm" "$work"
