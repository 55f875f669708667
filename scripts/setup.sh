#!/usr/bin/env bash
# Installs the Debian packages the project needs, only those that are missing: to build and
# run; with --package also what makes the Debian package (dpkg-shlibdeps); with --test also
# that and the independent tools the tests check against (python-can, tshark, pdftotext,
# lintian, the desktop-file and AppStream validators, debootstrap for the clean install, clang
# with its libFuzzer runtime for the fuzz targets, clang-format for the format check).
# Works as root or, for anyone else, through sudo. Debian 12.
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config git
  qt6-base-dev qt6-qpa-plugins libgl-dev
  libsimpleini-dev libzip-dev nlohmann-json3-dev libcli11-dev libgtest-dev libsocketcan-dev
  fonts-noto-cjk fonts-dejavu-core
)
case "${1:-}" in
  --package) packages+=(dpkg-dev file) ;;
  --test) packages+=(dpkg-dev file python3 python3-can tshark srecord binutils
                     poppler-utils lintian desktop-file-utils appstream debootstrap
                     clang libclang-rt-14-dev clang-format) ;;
esac

missing=()
for package in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$package")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

if [[ $(id -u) -eq 0 ]]; then
  as_root=()
elif command -v sudo >/dev/null; then
  as_root=(sudo)
else
  echo "setup: these packages are missing and neither root nor sudo is available: ${missing[*]}" >&2
  exit 1
fi

echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -q
"${as_root[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
