#!/usr/bin/env bash
# Builds the Debian package of the build tree, checks what it holds and what it depends on,
# and runs the programs unpacked from it.
# Usage: DebianPackageTest.sh BUILD_DIR VERSION SAMPLE.bmp
set -euo pipefail
build=$1 version=$2 sample=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

(cd "$build" && cpack -G DEB -B "$work" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log" >&2; fail "cpack"; }
deb=$work/quillon_${version}_amd64.deb
[ -f "$deb" ] || fail "no $(basename "$deb"): $(ls "$work")"

dpkg-deb -c "$deb" | awk '{print $6}' >"$work/contents"
for pattern in 'usr/lib/.*libquillon-jp2\.so\.3\.0\.0$' 'usr/lib/.*libkvfcodec\.so\.3\.0\.0$' \
               'usr/bin/quillon$' 'usr/bin/quillon-convert$' 'usr/include/quillon/jp2\.h$' \
               'usr/include/quillon/kvfcodec\.h$' 'usr/lib/.*pkgconfig/quillon-jp2\.pc$' \
               'usr/share/applications/quillon\.desktop$' 'usr/share/mime/packages/quillon-kvf\.xml$' \
               'usr/share/thumbnailers/quillon\.thumbnailer$' 'usr/share/quillon/help/'; do
  grep -Eq "$pattern" "$work/contents" || fail "the package lacks $pattern"
done
depends=$(dpkg-deb -f "$deb" Depends)
for library in libc6 libstdc++6 libtiff6 liblcms2-2; do
  [[ $depends == *"$library"* ]] || fail "Depends lacks $library: $depends"
done

dpkg-deb -x "$deb" "$work/root"
unset LD_LIBRARY_PATH
# Outputs are taken whole before they are searched: grep -q stops reading at its first match,
# and a writer that then meets a closed pipe fails the pipeline.
help=$("$work/root/usr/bin/quillon-convert" --help) || fail "the unpacked quillon-convert --help"
[[ $help == Usage:* ]] || fail "the unpacked quillon-convert --help prints no usage"
"$work/root/usr/bin/quillon-convert" --thumbnail 32 "$sample" "$work/thumb.png" >/dev/null
info=$("$work/root/usr/bin/quillon-convert" --info "$work/thumb.png")
[[ $info == *"32 x 21"* ]] || fail "the unpacked quillon-convert made no 32 x 21 thumbnail"
env --unset=DISPLAY --unset=WAYLAND_DISPLAY "$work/root/usr/bin/quillon" --help >/dev/null ||
  fail "the unpacked quillon --help"
echo "package works: $(basename "$deb")"
