#!/usr/bin/env bash
# What veldris-cli prints is what the sensor gave: against a device of another maker, a sensor
# that lacks objects and a silent node, every reading command ends with exit 1, nothing on
# standard output and the node, object and abort code on standard error. A number the user
# gives is sent only when it fits its object: otherwise exit 2 and not one frame on the bus.
# Usage: honest_answers.sh DIST_DIR SCENARIO_DIR
set -uo pipefail
dist=$1 scenarios=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
foreign=("$dist/veldris-cli" --simulate="$scenarios/foreign.ini" --lang en)
abort="0x06020000 (Object does not exist in the object dictionary.)"

# Runs a command; prints "exit N|standard output|last line of standard error".
run() { local out; out=$("$@" 2>"$work/err"); echo "exit $?|$out|$(tail -n 1 "$work/err")"; }

notFamily="veldris-cli: node 23 is not a sensor of this family: it aborted 0x2A00:01 with $abort"
check "info of a generic device" "exit 1||$notFamily" "$(run "${foreign[@]}" --node 23 --json info)"
for name in heartbeat pdo-event-timer decimal-digits srdo-cycle-time current-error; do
  check "param get $name of a generic device" "exit 1||$notFamily" "$(run "${foreign[@]}" --node 23 --json param get "$name")"
done
check "crc read of a generic device" "exit 1||$notFamily" "$(run "${foreign[@]}" --node 23 --json crc read)"
check "sdo read of its standard object still works" "exit 0|0x43 0x00000194|" "$(run "${foreign[@]}" --node 23 sdo read 0x1000:00)"

for row in "decimal-digits 0x7132:01" "srdo-cycle-time 0x1301:02" "pdo-transmission-type 0x1800:02" "pdo-event-timer 0x1800:05"; do
  set -- $row
  check "param get $1 that the sensor aborts" "exit 1||veldris-cli: node 6 aborted $2 with $abort" \
    "$(run "${foreign[@]}" --node 6 --json param get "$1")"
done
check "crc read of a sensor that aborts one SRDO object" "exit 1||veldris-cli: node 6 aborted 0x1301:02 with $abort" \
  "$(run "${foreign[@]}" --node 6 crc read)"
check "crc write does not mark a configuration it could not read" "exit 1||veldris-cli: node 6 aborted 0x1301:02 with $abort" \
  "$(run "${foreign[@]}" --node 6 crc write)"
check "diagnose names the aborted reads" "veldris-cli: node 6 aborted 0x1800:02 with $abort" \
  "$("${foreign[@]}" --node 6 diagnose 2>&1 >/dev/null | grep 0x1800:02)"

for command in "info" "param get pdo-event-timer" "param get heartbeat" "crc read"; do
  check "$command of a silent node" "exit 1|" "$(run "${foreign[@]}" --node 9 --json $command | cut -d'|' -f1,2)"
done
check "the silence named" "veldris-cli: node 9 did not answer 0x1800:05" \
  "$("${foreign[@]}" --node 9 param get pdo-event-timer 2>&1)"

# Numbers: refused before the bus is opened, so the trace holds no frame.
default=("$dist/veldris-cli" --simulate --sim-state "$work/bus.json" --lang en)
for value in 12abc -5 70000 ""; do
  check "param set heartbeat '$value'" "exit 2||veldris-cli: heartbeat (0x1017:00): '$value' is $( [[ $value == 70000 ]] && echo "out of range (0..65535)" || echo "not a number (decimal, or hexadecimal with 0x; allowed: 0..65535)")" \
    "$(run "${default[@]}" --trace "$work/set.log" --node 5 param set heartbeat "$value")"
  check "nothing sent for '$value'" 0 "$(cat "$work/set.log" 2>/dev/null | wc -l)"
done
"${default[@]}" --node 5 param set heartbeat 0x20 >/dev/null 2>&1
check "param set heartbeat 0x20 writes 32" "0x4B 0x00000020" "$("${default[@]}" --node 5 sdo read 0x1017:00 2>/dev/null)"
check "sdo write that does not fit --size 2" "exit 2||veldris-cli: 0x1017:00 with --size 2: '70000' is out of range (-32768..65535)" \
  "$(run "${default[@]}" --trace "$work/sdo.log" --node 5 sdo write 0x1017:00 70000 --size 2)"
check "nothing sent for it" 0 "$(cat "$work/sdo.log" 2>/dev/null | wc -l)"
"${default[@]}" --node 5 sdo write 0x1017:00 -1 --size 2 >/dev/null 2>&1
check "sdo write -1 --size 2 writes 0xFFFF" "0x4B 0x0000FFFF" "$("${default[@]}" --node 5 sdo read 0x1017:00 2>/dev/null)"

printf '[1017]\nParameterName=Producer heartbeat time\nDataType=0x0006\nAccessType=rw\nParameterValue=70000\n' >"$work/bad.dcf"
check "dcf write with a value out of range" "exit 2||veldris-cli: $work/bad.dcf was not written: nothing was sent" \
  "$(run "${default[@]}" --trace "$work/dcf.log" --node 5 dcf write "$work/bad.dcf")"
check "the value named with file, line and range" \
  "veldris-cli: $work/bad.dcf: line 5: ParameterValue '70000' is out of range (0..65535) for UNSIGNED16" "$(grep 'line 5' "$work/err")"
check "nothing sent for the file" 0 "$(cat "$work/dcf.log" 2>/dev/null | wc -l)"
printf '[1017]\nDataType=0x0006\nAccessType=rw\nParameterValue=0X10\n' >"$work/upper.dcf"
result() { json '"%s|%s" % (" ".join(s["result"] for s in d["sections"]), d["stored"])'; }
check "0X10 sent and stored" "sent|True" "$("${default[@]}" --node 5 --json dcf write "$work/upper.dcf" 2>/dev/null | result)"
check "0X10 is 16" "0x4B 0x00000010" "$("${default[@]}" --node 5 sdo read 0x1017:00 2>/dev/null)"
printf '[1017]\nDataType=0x0006\nAccessType=rw\nParameterValue=48\n[6130]\nDataType=0x0008\nAccessType=rw\nParameterValue=1.5\n' >"$work/real.dcf"
check "a DataType it cannot send is refused, the rest sent, nothing stored" "sent refused|False" \
  "$("${default[@]}" --node 5 --json dcf write "$work/real.dcf" 2>/dev/null | result)"
# The device name is read-only: a DCF that writes it anyway is sent and aborted, nothing stored.
printf '[1017]\nDataType=0x0006\nAccessType=rw\nParameterValue=48\n[1008]\nDataType=0x0009\nAccessType=rw\nParameterValue=name\n' >"$work/string.dcf"
check "a string the sensor refuses is aborted, nothing stored" "sent aborted|False" \
  "$("${default[@]}" --node 5 --json dcf write "$work/string.dcf" 2>/dev/null | result)"

finish
