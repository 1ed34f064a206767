#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need; only missing ones.
# Usage: scripts/install-deps.sh [run|test]
set -euo pipefail

build_packages=(cmake ninja-build g++ pkg-config libwxgtk3.2-dev libtiff-dev libjpeg-dev libpng-dev
                liblcms2-dev libsane-dev libbenchmark-dev)
test_packages=(googletest libgtest-dev xvfb xauth openbox x11-utils libopenjp2-tools grokj2k-tools
               imagemagick xclip libsane1 dpkg-dev file clang clang-format python3-skimage)

wanted=("${build_packages[@]}")
[ "${1:-run}" = test ] && wanted+=("${test_packages[@]}")

missing=()
for package in "${wanted[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [ "$status" = "install ok installed" ] || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "Need root or sudo to install: ${missing[*]}" >&2; exit 1; }
  sudo_cmd=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
