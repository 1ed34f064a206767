#!/usr/bin/env bash
# Smoke run of the fuzz targets: when clang is installed, builds the libFuzzer tree in
# build/fuzz, makes seed files of every input type with quillon-convert and runs each target
# for a few seconds on them. A crash, leak, timeout or sanitizer report fails the run; the
# input that caused it is kept in build/fuzz/smoke-artifacts. The long
# campaigns are run by hand (see README).
# Usage: scripts/fuzz-smoke.sh QUILLON_CONVERT PICTURE [SECONDS_PER_TARGET]
set -euo pipefail
[ $# -ge 2 ] || { echo "Usage: $0 QUILLON_CONVERT PICTURE [SECONDS_PER_TARGET]" >&2; exit 2; }
convert=$(realpath "$1")
picture=$(realpath "$2")
seconds=${3:-5}
cd "$(dirname "$0")/.."

if ! command -v clang >/dev/null || ! command -v clang++ >/dev/null; then
  echo "fuzz-smoke: clang is not installed, so the fuzz targets are not run"
  exit 0
fi
CC=clang CXX=clang++ cmake -B build/fuzz -G Ninja -DQUILLON_FUZZ=ON -DBUILD_TESTING=OFF >/dev/null
cmake --build build/fuzz

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Small seeds keep the runs fast: one picture, fitted into 48 pixels, in every type.
"$convert" --thumbnail 48 "$picture" "$work/small.bmp" >/dev/null
declare -A extensions=([bmp]="bmp" [pnm]="pgm ppm" [tiff]="tif" [jpeg]="jpg" [png]="png"
                       [kvf]="kvf" [jp2]="jp2 j2k")
for family in "${!extensions[@]}"; do
  mkdir -p "$work/seeds/$family"
  for extension in ${extensions[$family]}; do
    "$convert" "$work/small.bmp" "$work/seeds/$family/seed.$extension" >/dev/null \
      2>"$work/seed.log" || { cat "$work/seed.log" >&2; exit 1; }
  done
done

# Inputs that made a target fail are kept for reproducing: TARGET ARTIFACT.
artifacts=$PWD/build/fuzz/smoke-artifacts
mkdir -p "$artifacts"
failed=()
for target in build/fuzz/fuzz/*-fuzz; do
  name=$(basename "$target")
  case $name in
    bmp-*) family=bmp ;;
    pnm-*) family=pnm ;;
    tiff-*) family=tiff ;;
    jpeg-*) family=jpeg ;;
    png-*) family=png ;;
    jp2-*) family=jp2 ;;
    kvf-* | legacy-kvf-*) family=kvf ;;
    *) echo "fuzz-smoke: no seeds for $name" >&2; failed+=("$name"); continue ;;
  esac
  corpus=$work/corpus/$name
  mkdir -p "$corpus"
  echo "fuzz-smoke: $name for ${seconds} s on the ${family} seeds"
  if ! nice "$target" -max_total_time="$seconds" -timeout=10 -artifact_prefix="$artifacts/$name-" \
       "$corpus" "$work/seeds/$family" >"$work/$name.log" 2>&1; then
    tail -n 40 "$work/$name.log" >&2
    failed+=("$name")
  fi
done
if [ ${#failed[@]} -ne 0 ]; then
  echo "fuzz-smoke: failed: ${failed[*]}" >&2
  exit 1
fi
echo "fuzz-smoke: every target ran for ${seconds} s without a finding"
