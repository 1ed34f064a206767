#!/usr/bin/env bash
# Installs the build into a temporary prefix, moves the tree elsewhere, and uses it as another
# program would: the installed converter runs without LD_LIBRARY_PATH, and a C program builds
# against the installed jp2.h through pkg-config.
# Usage: InstallTreeTest.sh BUILD_DIR SAMPLE.bmp READER.c C_COMPILER [C_FLAGS]
set -euo pipefail
build=$1 sample=$2 reader=$3 cc=$4 cflags=${5:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$work/staged" >/dev/null
mv "$work/staged" "$work/moved"  # nothing in the tree may name the prefix it was installed to
root=$work/moved
libdir=$(dirname "$(find "$root" -name 'libquillon-jp2.so.3' | head -n 1)")
[ -n "$libdir" ] && [ -d "$libdir" ] || fail "libquillon-jp2.so.3 is not installed"

for library in libquillon-jp2 libkvfcodec; do
  [ "$(readlink "$libdir/$library.so")" = "$library.so.3" ] || fail "$library.so is no link to .so.3"
  [ "$(readlink "$libdir/$library.so.3")" = "$library.so.3.0.0" ] || fail "$library.so.3 is no link to .so.3.0.0"
  dynamic=$(readelf -d "$libdir/$library.so.3.0.0")
  grep -q "Library soname: \[$library.so.3\]" <<<"$dynamic" || fail "$library has no SONAME $library.so.3"
done
for file in include/quillon/jp2.h include/quillon/kvfcodec.h share/applications/quillon.desktop \
            share/mime/packages/quillon-kvf.xml share/thumbnailers/quillon.thumbnailer \
            share/icons/hicolor/scalable/apps/quillon.svg share/quillon/help/qlmnlee.hhp; do
  [ -f "$root/$file" ] || fail "$file is not installed"
done

unset LD_LIBRARY_PATH
convert=$root/bin/quillon-convert
"$convert" "$sample" "$work/sample.jp2" >/dev/null || fail "the installed quillon-convert does not run"
"$convert" "$work/sample.jp2" "$work/back.bmp" >/dev/null
compare=$("$convert" --compare "$sample" "$work/back.bmp")
grep -q "^MAE: 0$" <<<"$compare" || fail "the round trip is not lossless"

export PKG_CONFIG_PATH=$libdir/pkgconfig
for package in quillon-jp2 kvfcodec; do
  pkg-config --exists "$package" || fail "pkg-config does not find $package"
done
# shellcheck disable=SC2086  # the flags are a list of words
"$cc" $cflags "$reader" $(pkg-config --cflags --libs quillon-jp2) -Wl,-rpath,"$libdir" \
  -o "$work/read-jp2-size" || fail "a C program does not build against the installed jp2.h"
size=$("$work/read-jp2-size" "$work/sample.jp2")
[ "$size" = "768 512" ] || fail "the C program read '$size', expected '768 512'"
echo "installed tree works: $root"
