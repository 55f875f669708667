#!/usr/bin/env bash
# veldris-cli's sensor commands against the simulator, on one persistent bus (--sim-state):
# identity, parameters, the SRDO checksum, and the node-ID and bit-rate changes that a later
# scan must see.
# Usage: sensor_commands.sh DIST_DIR
set -uo pipefail
dist=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cli=("$dist/veldris-cli" --simulate --sim-state "$work/bus.json" --lang en)
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

check "crc compute" '{"checksum":53764,"text":"0xD204"}' "$("${cli[@]}" --json crc compute 1 0x19 0x14 0x101 0x102 2 0x1008 0x2008)"
check "info of node 32" '{"firmwareVersion":"2.1.0.3","itemNumber":"5012345","nodeId":"32","serialNumber":"98765","uid":"0x12345678","uidListed":false,"variantCode":6}' \
  "$("${cli[@]}" --node 32 --json info 2>&1)"
silent=$("${cli[@]}" --node 9 --json info 2>"$work/err"; echo "exit $?")
check "info of a node that does not answer" "exit 1|veldris-cli: node 9 did not answer 0x2A00:01" "$silent|$(cat "$work/err")"
check "param get pdo-mapping" "71 30 01 10 " "$("${cli[@]}" --node 5 param get pdo-mapping 2>&1)"
"${cli[@]}" --node 5 param set heartbeat 300 >/dev/null 2>&1
check "param set, then get" '{"name":"heartbeat","text":"300","value":300}' "$("${cli[@]}" --node 5 --json param get heartbeat 2>&1)"
"${cli[@]}" --node 32 param get srdo-cobid >/dev/null 2>&1
check "param of an object the sensor does not have" 1 "$?"

check "same node ID" "veldris-cli: New Node ID can not be the same as the current Node ID." \
  "$("${cli[@]}" --node 5 set-node-id 5 2>&1)"
check "node ID out of range" "veldris-cli: Only range 1 - 127 allowed." "$("${cli[@]}" --node 5 set-node-id 128 2>&1)"
check "change node 5 to 6" "Changed Node ID" "$("${cli[@]}" --node 5 set-node-id 6 2>&1)"
check "bit rate already in use" "veldris-cli: Bitrate is already set to this value" "$("${cli[@]}" --node 6 set-bitrate 125 2>&1)"
check "change node 6 to 250 kbit/s" "Bitrate changed to 250 kBit/s" "$("${cli[@]}" --node 6 set-bitrate 250 2>&1)"
check "scan at 125 kbit/s no longer finds it" "32" "$("${cli[@]}" scan 2>/dev/null)"
check "scan at 250 kbit/s finds node 6" "6" "$("${cli[@]}" --bitrate 250 scan 2>/dev/null)"

at6=("${cli[@]}" --bitrate 250 --node 6)
"${at6[@]}" sdo write 0x1301:02 50 --size 2 >/dev/null 2>&1
check "changed SRDO cycle time" 0 "$?"
check "configuration no longer valid" "0x4F 0x00000000" "$("${at6[@]}" sdo read 0x13FE:00 2>&1)"
check "crc write" "Checksum saved to device!" "$("${at6[@]}" crc write 2>&1)"
"${at6[@]}" nmt reset >/dev/null 2>&1
check "configuration valid again, also after a reset" "0x4F 0x000000A5" "$("${at6[@]}" sdo read 0x13FE:00 2>&1)"
check "stored checksum matches" "True" "$("${at6[@]}" --json crc read 2>/dev/null | python3 -c 'import json,sys; d=json.load(sys.stdin); print(d["checksum"] == d["computed"] and d["values"][1] == 50)')"
check "translated message" "Knoten-ID geändert" "$("$dist/veldris-cli" --simulate --lang de --node 32 set-node-id 7 2>&1)"

finish
