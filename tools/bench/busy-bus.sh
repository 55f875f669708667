#!/usr/bin/env bash
# How long each operation of veldris-cli takes on a machine's busy bus against a quiet one: the
# default scenario as it is, and with two foreign nodes that load the bus to 75.6 % with frames
# of higher priority than the SDO frames (0x080 every 2 ms, 0x0F0 every 5 ms, 8 bytes each).
# Every run starts from the scenario's sensors (a state file of its own) and must succeed.
# Usage: tools/bench/busy-bus.sh DIST_DIR   (a Release build's run folder; about two minutes)
set -uo pipefail
dist=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
cp "$here/../../sim/scenarios/default.ini" "$work/quiet.ini"
sed 's/^seed = 1$/&\ntraffic.1 = 0x080 8 2\ntraffic.2 = 0x0F0 8 5/' "$work/quiet.ini" >"$work/busy.ini"

operations=(
  "scan|scan"
  "info|--node 5 info"
  "dcf write|--node 5 dcf write $dist/samples/node5.dcf"
  "fw update|--node 5 fw update $dist/samples/veldris-sample.kfu --method Safety_sensor_KVR200"
  "errorlog read|--node 5 errorlog read"
  "diagnose|--node 5 diagnose"
  "crc write|--node 5 crc write"
)

seconds() { # SCENARIO ARGS...: the run's wall time, or FAILED
  local scenario=$1 start end
  shift
  rm -f "$work/state.json"
  start=$(date +%s.%N)
  "$dist/veldris-cli" --simulate="$scenario" --sim-state "$work/state.json" "$@" >"$work/out" 2>&1 || {
    echo FAILED
    return
  }
  end=$(date +%s.%N)
  awk "BEGIN { print $end - $start }"
}

printf '%-14s %9s %9s %7s\n' operation quiet busy ratio
for entry in "${operations[@]}"; do
  name=${entry%%|*}
  read -ra args <<<"${entry#*|}"
  args=("${args[@]/Safety_sensor_KVR200/Safety sensor KVR200}") # the method's name has blanks
  quiet=$(seconds "$work/quiet.ini" "${args[@]}")
  busy=$(seconds "$work/busy.ini" "${args[@]}")
  if [[ $quiet == FAILED || $busy == FAILED ]]; then
    printf '%-14s %9s %9s\n' "$name" "$quiet" "$busy"
  else
    printf '%-14s %8.2fs %8.2fs %7.2f\n' "$name" "$quiet" "$busy" "$(awk "BEGIN { print $busy / $quiet }")"
  fi
done
