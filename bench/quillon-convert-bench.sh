#!/bin/sh
# quillon-convert against one-thread OpenJPEG and Grok on the same pictures in one run:
# lossless and 1:20, encode and decode times (each codec decodes its own file), file sizes, and
# the PSNR of every file as opj_decompress decodes it, so that the column compares the encoders.
# Lossy peers use the irreversible 9/7 wavelet, as quillon's lossy coding does.
# Prints one table.
# Usage: bench/quillon-convert-bench.sh path/to/quillon-convert [cache directory]
# Environment: RUNS (default 1) runs per timing, the fastest counts.
set -eu
convert_bin=$(realpath "$1")
here=$(dirname "$(realpath "$0")")
cache=$("$here/fetch-bench-pictures.sh" ${2:+"$2"})
runs=${RUNS:-1}
work=$(mktemp -d "${TMPDIR:-/tmp}/quillon-convert-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT

now() { date +%s.%N; }

# Seconds of the fastest of $runs runs of the command.
best_time() {
  best=""
  i=0
  while [ "$i" -lt "$runs" ]; do
    start=$(now)
    "$@" >/dev/null 2>"$work/stderr" || { cat "$work/stderr" >&2; echo "failed: $*" >&2; exit 1; }
    end=$(now)
    best=$(awk -v s="$start" -v e="$end" -v b="$best" \
      'BEGIN { t = e - s; if (b == "" || t < b) b = t; printf "%.3f", b }')
    i=$((i + 1))
  done
  echo "$best"
}

psnr_of() {
  "$convert_bin" --compare "$1" "$2" | awk '/^PSNR:/ { print $2 }'
}

encode() {  # codec mode input output
  case "$1:$2" in
    quillon:lossless) best_time "$convert_bin" --threads 1 --lossless "$3" "$4" ;;
    quillon:lossy) best_time "$convert_bin" --threads 1 --rate 20 "$3" "$4" ;;
    opj:lossless) best_time opj_compress -threads 1 -i "$3" -o "$4" ;;
    opj:lossy) best_time opj_compress -threads 1 -r 20 -I -i "$3" -o "$4" ;;
    grk:lossless) best_time grk_compress -H 1 -i "$3" -o "$4" ;;
    grk:lossy) best_time grk_compress -H 1 -r 20 -I -i "$3" -o "$4" ;;
  esac
}

decode() {  # codec input output
  case "$1" in
    quillon) best_time "$convert_bin" --threads 1 "$2" "$3" ;;
    opj) best_time opj_decompress -threads 1 -i "$2" -o "$3" ;;
    grk) best_time grk_decompress -H 1 -i "$2" -o "$3" ;;
  esac
}

printf '%-14s %-9s %-8s %10s %10s %11s %8s %10s\n' \
  picture mode codec "encode s" "decode s" bytes ratio "PSNR dB"
for picture in photo.ppm photo.pgm synthetic.ppm; do
  source="$cache/$picture"
  extension=${picture##*.}
  raw=$(awk -v f="$(stat -c %s "$source")" 'BEGIN { print f }')
  for mode in lossless lossy; do
    for codec in quillon opj grk; do
      jp2="$work/$codec-$mode.jp2"
      decoded="$work/$codec-$mode.$extension"
      encode_s=$(encode "$codec" "$mode" "$source" "$jp2")
      decode_s=$(decode "$codec" "$jp2" "$decoded")
      # The PSNR comes from OpenJPEG's decoding of every codec's file.
      opj_decompress -threads 1 -i "$jp2" -o "$work/check.$extension" >/dev/null 2>&1
      psnr=$(psnr_of "$source" "$work/check.$extension")
      bytes=$(stat -c %s "$jp2")
      ratio=$(awk -v r="$raw" -v b="$bytes" 'BEGIN { printf "1:%.2f", r / b }')
      label=$mode; [ "$mode" = lossy ] && label="1:20"
      printf '%-14s %-9s %-8s %10s %10s %11s %8s %10s\n' \
        "$picture" "$label" "$codec" "$encode_s" "$decode_s" "$bytes" "$ratio" "$psnr"
      rm -f "$jp2" "$decoded" "$work/check.$extension"
    done
  done
done
