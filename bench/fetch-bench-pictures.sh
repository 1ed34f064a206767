#!/bin/sh
# Makes the benchmark pictures in a cache directory: the 4096 x 4096 colour photograph and its
# grey version from Elephants_5640x3172.jpg of the Debian package mate-backgrounds (downloaded
# and unpacked, never installed), and a synthetic 4096 x 4096 colour picture.
# Usage: bench/fetch-bench-pictures.sh [cache directory]   (prints the directory)
set -eu
cache=${1:-${XDG_CACHE_HOME:-$HOME/.cache}/quillon-bench}
mkdir -p "$cache"
cd "$cache"
if [ ! -f photo.ppm ] || [ ! -f photo.pgm ]; then
  if ! ls mate-backgrounds_*.deb >/dev/null 2>&1; then
    apt-get download mate-backgrounds >&2
  fi
  rm -rf unpacked
  dpkg-deb -x mate-backgrounds_*.deb unpacked
  jpeg=$(find unpacked -name 'Elephants_5640x3172.jpg' | head -n 1)
  [ -n "$jpeg" ] || { echo "Elephants_5640x3172.jpg is not in mate-backgrounds" >&2; exit 1; }
  convert "$jpeg" -resize 4096x4096^ -gravity center -extent 4096x4096 -depth 8 photo.ppm
  convert photo.ppm -colorspace Gray -depth 8 photo.pgm
fi
if [ ! -f synthetic.ppm ]; then
  # Smooth gradients under sharp-edged shapes and fine text: both ends of what coders meet.
  convert -size 4096x4096 gradient:navy-orange \
    \( -size 4096x4096 radial-gradient:white-black \) -compose multiply -composite \
    -fill '#20a040' -draw 'rectangle 300,300 1500,1200' \
    -fill '#c02030' -draw 'circle 2800,2800 2800,3600' \
    -fill white -pointsize 120 -draw "text 400,3800 'Quillon synthetic 0123456789'" \
    -depth 8 synthetic.ppm
fi
echo "$cache"
