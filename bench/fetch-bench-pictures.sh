#!/bin/sh
# Makes the benchmark pictures in a cache directory: the 4096 x 4096 colour photograph and its
# grey version from Elephants_5640x3172.jpg of the Debian package mate-backgrounds (downloaded
# and unpacked, never installed), a synthetic 4096 x 4096 colour picture, and three finely
# textured photographs of the same package cropped without scaling: wood.ppm (wood grain,
# 1920 x 1920 from Wood.jpg), grass.ppm (1024 x 1024 from GreenMeadow.jpg) and dune.ppm (dune
# grass, 1024 x 1024 from the foot of Dune.jpg). Files already there are kept.
# Usage: bench/fetch-bench-pictures.sh [cache directory]   (prints the directory)
set -eu
cache=${1:-${XDG_CACHE_HOME:-$HOME/.cache}/quillon-bench}
mkdir -p "$cache"
cd "$cache"
# The path of a picture of mate-backgrounds, downloaded and unpacked here when it is not yet.
package_picture() {
  if ! ls mate-backgrounds_*.deb >/dev/null 2>&1; then
    apt-get download mate-backgrounds >&2
  fi
  if [ ! -d unpacked ]; then
    dpkg-deb -x mate-backgrounds_*.deb unpacked.part
    mv unpacked.part unpacked
  fi
  found=$(find unpacked -name "$1" | head -n 1)
  [ -n "$found" ] || { echo "$1 is not in mate-backgrounds" >&2; exit 1; }
  echo "$found"
}
if [ ! -f photo.ppm ] || [ ! -f photo.pgm ]; then
  jpeg=$(package_picture Elephants_5640x3172.jpg)
  convert "$jpeg" -resize 4096x4096^ -gravity center -extent 4096x4096 -depth 8 photo.ppm
  convert photo.ppm -colorspace Gray -depth 8 photo.pgm
fi
# name, picture of the package, crop size, crop gravity
for textured in 'wood Wood.jpg 1920 center' 'grass GreenMeadow.jpg 1024 center' \
  'dune Dune.jpg 1024 south'; do
  # shellcheck disable=SC2086 # the fields are split on purpose
  set -- $textured
  if [ ! -f "$1.ppm" ]; then
    jpeg=$(package_picture "$2")
    convert "$jpeg" -gravity "$4" -crop "$3x$3+0+0" +repage -depth 8 "$1.ppm"
  fi
done
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
