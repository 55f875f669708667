#!/usr/bin/env bash
# Wireshark's CANopen dissector must read the simulator's bus trace (candump log) as clean
# SDO traffic: the requests and answers with their command specifiers, index and sub-index.
# Usage: tshark_decodes_trace.sh TRACE.log   (skipped, exit 77, without tshark)
set -euo pipefail
trace=$1
if ! command -v tshark >/dev/null; then
  echo "SKIP: tshark is not installed (apt-get install tshark)"
  exit 77
fi
fields=$(tshark -r "$trace" -d can.subdissector,canopen -T fields -E separator='|' \
  -e can.id -e canopen.sdo.ccs -e canopen.sdo.scs -e canopen.sdo.main_idx -e canopen.sdo.sub_idx 2>/dev/null)
expect() {
  if ! grep -qx -- "$1" <<<"$fields"; then
    echo "FAIL: no frame decoded as '$1'"; echo "$fields" | head -20; exit 1
  fi
}
expect '1541|2||0x2a00|0x01'   # 0x605: initiate upload request of the UID
expect '1413||2|0x2a00|0x01'   # 0x585: initiate upload response
expect '1541|1||0x2000|0x00'   # initiate download request of the node ID
expect '1413||3|0x2000|0x00'   # initiate download response
echo "OK: $(wc -l <<<"$fields") frames decoded"
