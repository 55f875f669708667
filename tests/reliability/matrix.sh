#!/usr/bin/env bash
# Runs the rows of matrix.txt: each operation of veldris-cli on a simulated bus with one fault,
# its exit status and message, and the sensor's state afterwards from the simulator's state file.
# Usage: matrix.sh DIST_DIR [OPERATION...]   (every operation when none is named)
set -uo pipefail
dist=$1
shift
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/../cli/lib.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
kfu="$dist/samples/veldris-sample.kfu"

# The bus: a healthy safety sensor at node 5 (the default scenario's) and a safety sensor at
# node 6 whose SRDO checksum is stale, for the CRC page. The fault's keys go into [bus] or
# into both sensors.
scenario() { # BUS_KEYS SENSOR_KEYS
  cat <<EOF
[bus]
seed = 7
$1
[sensor node5]
node = 5
uid = 0x06102200
firmware = 1.4.0.12
item = 4711001
serial = 100234
heartbeat = 200
tpdo.eventTimer = 100
srdo = on
srdo.cycleTime = 25
bootloaderId = KVR200
errorlog.virtaddr = 0x1000
errorlog.pagesize = 0x40
errorlog.pagecnt = 4
errorlog.errorstruct = EEEETTVV
errorlog.pageheader = AFEEXXXX
errorlog.entry1 = 0x43, 0, 0
errorlog.entry2 = 0x00000100, 12, 50000
errorlog.entry3 = 0x00000004, 340, 1234
$2
[sensor node6]
node = 6
uid = 0x06102200
heartbeat = 0
srdo = on
srdo.checksum = 0x1234
srdo.valid = 0
bootloaderId = KVR200
$2
EOF
}

fault_keys() { # FAULT -> BUS_KEYS and SENSOR_KEYS in bus_keys, sensor_keys
  bus_keys="" sensor_keys=""
  case $1 in
    none) ;;
    loss5) sensor_keys="fault.lossPercent = 5" ;;
    loss20) sensor_keys="fault.lossPercent = 20" ;;
    late) sensor_keys="fault.answerDelayMs = 10" ;; # a third of the 30 ms probes' time-out, two of the data frames' 15 ms
    silent) sensor_keys="fault.silent = on" ;;
    silentAfter) sensor_keys="fault.silentAfterFrames = 5" ;; # right after the five identity reads of a connection
    busOff) bus_keys=$'fault.busOffAtMs = 0\nfault.busOffForMs = 600000' ;;
    txRefused) bus_keys="fault.txError = 0x80" ;; # transmit queue full
    traffic75) bus_keys=$'traffic.1 = 0x080 8 2\ntraffic.2 = 0x0F0 8 5' ;;
    powerCut) sensor_keys="fault.powerCutAfterFrames = 40" ;; # of the 86 data frames
    *) echo "matrix.sh: unknown fault $1" >&2; exit 2 ;;
  esac
}

operation_args() { # OPERATION -> the command line in args
  case $1 in
    scan) args=(--json scan) ;;
    info) args=(--node 5 info) ;;
    param) args=(--node 5 param set heartbeat 300) ;;
    dcf) args=(--node 5 --json dcf write "$dist/samples/node5.dcf") ;;
    fw) args=(--node 5 --json fw update "$kfu" --method "Safety sensor KVR200") ;;
    errorlog) args=(--node 5 --json errorlog read) ;;
    diagnose) args=(--node 5 --json diagnose) ;;
    crc) args=(--node 6 crc write) ;;
    *) echo "matrix.sh: unknown operation $1" >&2; exit 2 ;;
  esac
}

# The operation's own check of a run that exited 0: what it printed is the whole result.
done_check() { # OPERATION OUTPUT_FILE
  case $1 in
    scan) json 'd["nodes"] == [5, 6]' <"$2" ;;
    errorlog) json 'd["complete"] and d["unreadWords"] == 0 and len(d["rows"]) == 3' <"$2" ;;
    diagnose) json 'd["verdict"] == "PASSED"' <"$2" ;;
    fw) json 'all(m["result"] == "updated" for m in d["modules"]) and d["firmwareVersion"] == "1.5.0.0"' <"$2" ;;
    dcf) json 'd["stored"]' <"$2" ;;
    *) echo True ;;
  esac
}

# Whether the state file shows the sensor STATE: prints True or what differs.
state_check() { # STATE STATE_FILE
  python3 - "$1" "$2" <<'EOF'
import json, sys
state, path = sys.argv[1], sys.argv[2]
sensors = json.load(open(path))["sensors"]
def value(sensor, index, sub, kind="stored"):
    for o in sensors[sensor]["objects"]:
        if int(o["index"], 16) == index and int(o["sub"], 16) == sub:
            return o[kind]
    return None
five, six = "sensor node5", "sensor node6"
facts = {
    "heartbeat stored": value(five, 0x1017, 0),
    "heartbeat active": value(five, 0x1017, 0, "active"),
    "event timer stored": value(five, 0x1800, 5),
    "firmware": value(five, 0x3600, 0, "active"),
    "node 5 in bootloader": sensors[five]["inBootloader"],
    "node 6 valid mark": value(six, 0x13FE, 0),
}
unchanged = {"heartbeat stored": 200, "heartbeat active": 200, "event timer stored": 100, "firmware": 0x0104000C,
             "node 5 in bootloader": False, "node 6 valid mark": 0}
expected = dict(unchanged)
if state == "written":
    expected["heartbeat active"] = 300
elif state == "stored":
    expected.update({"heartbeat stored": 100, "heartbeat active": 100, "event timer stored": 50})
elif state == "checksum":
    expected["node 6 valid mark"] = 0xA5  # the sensor takes 0xA5 only with the matching checksum
elif state == "updated":
    expected["firmware"] = 0x01050000
elif state == "bootloader":
    expected.update({"node 5 in bootloader": True, "firmware": facts["firmware"]})
elif state != "unchanged":
    sys.exit("unknown state " + state)
wrong = [f"{k} {facts[k]!r} (expected {expected[k]!r})" for k in expected if facts[k] != expected[k]]
print("True" if not wrong else "; ".join(wrong))
EOF
}

# A failed run says why on standard error; a refusing adapter is named by its status.
message_check() { # FAULT STDERR_FILE STDOUT_FILE
  case $1 in
    busOff) grep -q "bus off" "$2" && echo True || echo "no bus-off message" ;;
    txRefused) grep -q "transmit queue full" "$2" && echo True || echo "no transmit refusal message" ;;
    *) grep -q "^veldris-cli: \|FAILED" "$2" "$3" && echo True || echo "no message" ;;
  esac
}

run_row() { # OPERATION FAULT OUTCOME STATES
  local operation=$1 fault=$2 outcome=$3 states=$4 row="$1 $2" dir="$work/$1-$2" before=$failures
  mkdir -p "$dir"
  fault_keys "$fault"
  scenario "$bus_keys" "$sensor_keys" >"$dir/bus.ini"
  operation_args "$operation"
  timeout 300 "$dist/veldris-cli" --lang en --simulate="$dir/bus.ini" --sim-state "$dir/state.json" "${args[@]}" \
    >"$dir/out" 2>"$dir/err"
  local status=$? ended state
  case $status in
    0) ended=done state=${states%%/*} ;;
    1) ended=failed state=${states##*/} ;;
    *) check "$row: exit status" "0 or 1" "$status"; return ;;
  esac
  [[ $outcome == either ]] || check "$row: outcome" "$outcome" "$ended"
  if [[ $ended == done ]]; then
    check "$row: the result is whole" True "$(done_check "$operation" "$dir/out")"
  else
    check "$row: the message" True "$(message_check "$fault" "$dir/err" "$dir/out")"
  fi
  local found alternative
  for alternative in ${state//|/ }; do # a failure whose last answer was lost leaves the sensor in one of them
    found=$(state_check "$alternative" "$dir/state.json")
    [[ $found == True ]] && break
  done
  check "$row: the sensor is $state" True "$found"
  [[ $failures -eq $before ]] || tail -5 "$dir/err" | sed 's/^/    /'

}

wanted=" $* "
while read -r -u 3 operation fault outcome states; do
  [[ -z $operation || $operation == \#* ]] && continue
  [[ $wanted == "  " || $wanted == *" $operation "* ]] || continue
  run_row "$operation" "$fault" "$outcome" "$states"
done 3<"$here/matrix.txt"
finish
