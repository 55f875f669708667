#!/usr/bin/env bash
# Runs the bus procedures of two builds on the default simulated bus and compares the frames
# they put on it (time stamps aside): a refactoring must leave them as they were.
#   tools/trace/compare-procedures.sh OLD_DIST NEW_DIST
# Each DIST is a run folder (build-tests/dist of a build). Requests (NMT 0x000, SDO 0x600 + node,
# bootloader 0x7E/0x7F) are compared in order; every other frame but heartbeats as a multiset,
# since answers and boot-ups of several sensors may arrive in another order from run to run.
# A diagnosis also receives the sensors' cyclic frames, whose number and data follow the time
# it ran: for diagnose only the requests are compared.
set -uo pipefail
[[ $# -eq 2 ]] || { echo "usage: $0 OLD_DIST NEW_DIST" >&2; exit 2; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export ASAN_OPTIONS=detect_leaks=0

record() { # DIST NAME ARGS...
  local dist=$1 name=$2; shift 2
  local cli=("$dist/veldris-cli" --simulate --lang en --trace "$work/$name.log")
  "${cli[@]}" "$@" >"$work/$name.out" 2>&1
  sed -E 's/^\([0-9.]+\) //' "$work/$name.log"
}
requests() { grep -E "can0 (000|6[0-7][0-9A-F]|07[EF])#" || true; }
others() { grep -vE "can0 (000|6[0-7][0-9A-F]|07[EF]|7[0-7][0-9A-F])#" | sort || true; }

status=0
compare() { # NAME ARGS...
  local name=$1; shift
  local old new same=yes
  old=$(record "$oldDist" "old-$name" "$@")
  new=$(record "$newDist" "new-$name" "$@")
  [[ "$(requests <<<"$old")" == "$(requests <<<"$new")" ]] || same=no
  [[ $name == diagnose* || "$(others <<<"$old")" == "$(others <<<"$new")" ]] || same=no
  printf '%-12s %4d frames before, %4d after: %s\n' "$name" "$(wc -l <<<"$old")" "$(wc -l <<<"$new")" \
    "$([[ $same == yes ]] && echo same || echo DIFFERENT)"
  [[ $same == yes ]] || status=1
}

oldDist=$1 newDist=$2
samples="$newDist/samples"
compare scan scan
compare info --node 5 info
compare dcf-write --node 5 dcf write "$samples/node5.dcf"
compare fw-update --node 5 fw update "$samples/veldris-sample.kfu" --method "Safety sensor KVR200"
compare errorlog --node 5 errorlog read
compare crc-write --node 5 crc write
compare diagnose-5 --node 5 diagnose
compare diagnose-32 --node 32 diagnose
exit $status
