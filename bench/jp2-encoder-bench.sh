#!/bin/sh
# Prepares the 4096 x 4096 colour photograph and its grey version from the Debian package
# mate-backgrounds (downloaded, unpacked, not installed) and runs jp2-encoder-bench on both.
# Usage: bench/jp2-encoder-bench.sh path/to/jp2-encoder-bench [work directory]
set -eu
bench=$(realpath "$1")
work=${2:-/tmp/quillon-jp2-bench}
mkdir -p "$work"
cd "$work"
if [ ! -f photo.ppm ]; then
  apt-get download mate-backgrounds
  dpkg-deb -x mate-backgrounds_*.deb unpacked
  jpeg=$(find unpacked -name 'Elephants_5640x3172.jpg' | head -n 1)
  convert "$jpeg" -resize 4096x4096^ -gravity center -extent 4096x4096 -depth 8 photo.ppm
  convert photo.ppm -colorspace Gray -depth 8 photo.pgm
fi
"$bench" "$work/photo.ppm" "$work"
"$bench" "$work/photo.pgm" "$work"
