#!/bin/sh
# Times the conversion of a 24-megapixel photograph (6000 x 4000) to 256 colours on one core:
# quillon-convert --palette against ImageMagick's convert -colors 256 +dither, in one run, with
# the PSNR of both results against the source (measured by quillon-convert --compare).
# Our conversion time is the time of the convert with --palette less that of the same convert
# without it, so that reading and writing the files count for neither side of the comparison
# twice. RUNS=3 takes the best of three.
# Usage: bench/colour-conversion-bench.sh QUILLON_CONVERT [cache directory]
set -eu
converter=${1:?usage: $0 QUILLON_CONVERT [cache directory]}
case $converter in /*) ;; *) converter=$PWD/$converter ;; esac
here=$(cd "$(dirname "$0")" && pwd)
cache=$("$here/fetch-bench-pictures.sh" ${2:+"$2"})
runs=${RUNS:-1}
cd "$cache"
# The real program, not a wrapper that a PATH may put in front of it.
magick=$(command -v convert-im6.q16 || command -v convert)
if [ ! -f photo24.ppm ]; then
  jpeg=$(find unpacked -name 'Elephants_5640x3172.jpg' | head -n 1)
  "$magick" "$jpeg" -resize 6000x4000^ -gravity center -extent 6000x4000 -depth 8 photo24.ppm
fi

# Best wall time in seconds of "$@" over $runs runs, on core 0.
best() {
  best_time=
  i=0
  while [ "$i" -lt "$runs" ]; do
    start=$(date +%s.%N)
    taskset -c 0 "$@" >/dev/null
    end=$(date +%s.%N)
    best_time=$(echo "$start $end ${best_time:-1e9}" | awk '{t = $2 - $1; print (t < $3 ? t : $3)}')
    i=$((i + 1))
  done
  echo "$best_time"
}
psnr() { "$converter" --compare photo24.ppm "$1" | awk '/^PSNR/ {print $2}'; }

plain=$(best "$converter" photo24.ppm plain.bmp)
ours=$(best "$converter" --palette photo24.ppm ours.bmp)
# +dither is a setting and goes before the operator it is to change.
theirs=$(best env MAGICK_THREAD_LIMIT=1 "$magick" photo24.ppm +dither -colors 256 theirs.ppm)
ours_psnr=$(psnr ours.bmp)
theirs_psnr=$(psnr theirs.ppm)
colours_ours=$("$converter" --count-colours ours.bmp | tr -dc 0-9)
colours_theirs=$("$converter" --count-colours theirs.ppm | tr -dc 0-9)
rm -f plain.bmp

printf '6000 x 4000 photograph to 256 colours, one core, best of %s\n' "$runs"
printf '%-34s %10s %10s %8s\n' "" "seconds" "PSNR dB" "colours"
printf '%-34s %10.3f %10s %8s\n' "quillon-convert --palette (total)" "$ours" "$ours_psnr" "$colours_ours"
printf '%-34s %10.3f\n' "  of which the conversion" "$(echo "$ours $plain" | awk '{print $1 - $2}')"
printf '%-34s %10.3f %10s %8s\n' "convert +dither -colors 256" "$theirs" "$theirs_psnr" "$colours_theirs"
