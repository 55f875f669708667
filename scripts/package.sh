#!/usr/bin/env bash
# Builds the Debian package: a Release build for the prefix /usr in build-package/, then
# `cpack -G DEB`. Prints the path of the package (build-package/veldris_VERSION_ARCH.deb).
#   ./scripts/package.sh
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$root/build-package"

"$root/scripts/setup.sh" --package
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
      -DVELDRIS_BUILD_TESTS=OFF -DVELDRIS_WERROR=ON >/dev/null
cmake --build "$build" -j "$(nproc)"
rm -f "$build"/veldris_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
ls "$build"/veldris_*.deb
