#!/bin/sh
# Runs jp2-quality-bench on the pictures fetch-bench-pictures.sh makes: the colour and grey
# photograph and the three textured photographs; QUILLON_QUALITY_RATIOS=8,12,20 sets the ratios.
# Usage: bench/jp2-quality-bench.sh path/to/jp2-quality-bench [cache directory]
set -eu
bench=$(realpath "$1")
work=$("$(dirname "$(realpath "$0")")/fetch-bench-pictures.sh" ${2:+"$2"})
"$bench" -w "$work" ${QUILLON_QUALITY_RATIOS:+-r "$QUILLON_QUALITY_RATIOS"} \
  "$work/photo.ppm" "$work/photo.pgm" "$work/wood.ppm" "$work/grass.ppm" "$work/dune.ppm"
