#!/usr/bin/env bash
# Sets up, builds and starts the program from its run folder (build/dist), on the bus
# simulator when it is there. Extra arguments go to the program (e.g. --trace bus.log).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

"$root/scripts/setup.sh"
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELDRIS_BUILD_TESTS=OFF >/dev/null
cmake --build "$root/build" -j "$(nproc)"

cd "$root/build/dist"
simulate=()
[[ -f libpcanbasic-sim.so ]] && simulate=(--simulate)
exec ./veldris "${simulate[@]}" "$@"
