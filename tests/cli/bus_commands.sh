#!/usr/bin/env bash
# veldris-cli's bus commands against the simulator: scan, sdo read/write, nmt, their JSON, their
# exit statuses, and the bus trace of a scan as Wireshark decodes it.
# Usage: bus_commands.sh DIST_DIR SCENARIO_DIR
set -uo pipefail
dist=$1 scenarios=$2
cli="$dist/veldris-cli"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

out=$("$cli" --simulate --trace "$work/scan.pcap" --json scan 2>"$work/err"); status=$?
check "scan lists 5 and 32" '{"bitrate":125,"nodes":[5,32]}' "$out"
check "scan status" 0 "$status"
check "one JSON document" ok "$(python3 -c 'import json,sys; json.loads(sys.stdin.read()); print("ok")' <<<"$out")"

if command -v tshark >/dev/null; then
  probes=$(tshark -r "$work/scan.pcap" -d can.subdissector,canopen -Y 'canopen.sdo.ccs == 2' -T fields \
    -e canopen.sdo.main_idx -e canopen.sdo.sub_idx 2>/dev/null | sort | uniq -c | sed 's/^ *//')
  check "trace of the scan: 128 upload requests of 0x1010:00, and the 126 silent node IDs again" $'254 0x1010\t0x00' "$probes"
else
  echo "skipped: tshark is not installed"
fi

out=$("$cli" --simulate="$scenarios/node0.ini" scan 2>/dev/null)
check "a device at node 0 is listed" 0 "$out"

# A machine's bus three quarters full of frames that win arbitration over every probe and
# answer: the probes wait their turn, and the scan listens until the last one had its answer.
sed 's/^seed = 1$/&\ntraffic.1 = 0x080 8 2\ntraffic.2 = 0x0F0 8 5/' "$scenarios/../../sim/scenarios/default.ini" >"$work/busy.ini"
out=$("$cli" --simulate="$work/busy.ini" --json scan 2>/dev/null)
check "scan of a busy bus" '{"bitrate":125,"nodes":[5,32]}' "$out"

out=$("$cli" --simulate="$scenarios/conflict.ini" --json scan 2>"$work/err")
check "two sensors at node 5: a conflict" '{"bitrate":125,"conflicts":[5],"nodes":[5,32]}' "$out"
check "the conflict said" "veldris-cli: more than one device answered as node 5: they share its node ID" "$(cat "$work/err")"

# A device of another maker has no UID of the family: its CiA 301 identity is told instead.
out=$("$cli" --simulate="$scenarios/foreign.ini" --json scan --identify 2>/dev/null)
check "identify: the sensor" '{"family": true, "node": 6, "uid": "0x06102200"}' "$(json 'd["devices"][0]' <<<"$out" | tr "'" '"' | sed 's/True/true/')"
check "identify: the foreign device" 'False 404 1099' "$(json 'd["devices"][1]["family"], d["devices"][1]["deviceType"], d["devices"][1]["vendorId"]' <<<"$out" | tr -d '(),')"

out=$("$cli" --simulate --node 5 sdo read 0x2A00:01 2>/dev/null); status=$?
check "sdo read of the UID" "0x43 0x06102200" "$out"
check "sdo read status" 0 "$status"
out=$("$cli" --simulate --node 32 --json sdo read 0x6000:00 2>"$work/err"); status=$?
check "sdo read abort: no value printed" "" "$out"
check "sdo read abort status" 1 "$status"
check "abort explained" "veldris-cli: node 32 aborted 0x6000:00 with 0x06020000 (Object does not exist in the object dictionary.)" "$(cat "$work/err")"
"$cli" --simulate --node 5 sdo write 0x1017:00 500 --size 2 >/dev/null 2>&1
check "sdo write confirmed" 0 "$?"
"$cli" --simulate --node 5 sdo write 0x2A00:01 1 --size 4 >/dev/null 2>&1
check "sdo write refused" 1 "$?"
# Texts longer than four bytes go in segments, each toggled; a wrong toggle from the server
# ends the upload with the client's abort.
out=$("$cli" --simulate --node 5 sdo read 0x1008:00 --string 2>/dev/null)
check "device name, segmented" "VS-7 safety sensor" "$out"
"$cli" --simulate --sim-state "$work/text.json" --node 5 sdo write 0x2F00:00 --string "line 3, press 12" >/dev/null 2>&1
check "segmented write confirmed" 0 "$?"
out=$("$cli" --simulate --sim-state "$work/text.json" --node 5 --json sdo read 0x2F00:00 --string 2>/dev/null)
check "the text read back" '6C696E6520332C207072657373203132 line 3, press 12' "$(json 'd["bytes"]+" "+d["text"]' <<<"$out")"
printf '[sensor toggles]\nnode = 5\nuid = 0x06102200\nfault.sdoToggleError = on\n' >"$work/toggle.ini"
out=$("$cli" --simulate="$work/toggle.ini" --trace "$work/toggle.log" --node 5 sdo read 0x1008:00 --string 2>"$work/err"); status=$?
check "wrong toggle: nothing printed, exit 1" " 1" "$out $status"
check "wrong toggle: the client's abort" "605#8008100000000305" "$(tail -1 "$work/toggle.log" | cut -d' ' -f3)"
check "wrong toggle said" "veldris-cli: node 5 answered 0x1008:00 with a segment with the wrong toggle bit; the transfer was aborted with 0x05030000" "$(cat "$work/err")"
"$cli" --simulate --node 5 sdo write 0x1017:00 --bytes "2C 01" >/dev/null 2>&1
check "sdo write of bytes" 0 "$?"
for bad in "2C 0" "2C 0G"; do
  "$cli" --simulate --trace "$work/bad.log" --node 5 sdo write 0x1017:00 --bytes "$bad" >/dev/null 2>&1
  check "sdo write --bytes '$bad' refused before the bus" "2 0" "$? $(grep -c '605#' "$work/bad.log" 2>/dev/null || echo 0)"
done
"$cli" --simulate sdo read 0x1017:00 >/dev/null 2>&1
check "sdo without --node" 2 "$?"
"$cli" --simulate --node 5 sdo read 1017 >/dev/null 2>&1
check "sdo with a malformed object" 2 "$?"
# Ctrl-C during a scan, sent once the first frame is on the bus (the trace is a pipe that the
# tool writes as it goes): the scan ends at a frame boundary and says so.
mkfifo "$work/trace.log"
"$cli" --simulate --trace "$work/trace.log" scan >/dev/null 2>"$work/err" &
scan=$!
exec 3<"$work/trace.log"
read -r first <&3
kill -INT "$scan"
cat <&3 >/dev/null
wait "$scan"; status=$?
exec 3<&-
check "Ctrl-C stops the scan" 130 "$status"
check "Ctrl-C said" 1 "$(grep -c 'stopped by Ctrl-C' "$work/err")"
check "the first frame was the NMT command" "000#8000" "${first##* }"

out=$("$cli" --simulate="$scenarios/owner.ini" --node 30 sdo read 0x1000:00 2>"$work/err"); status=$?
check "a refused write" "veldris-cli: node 30 could not be asked for 0x2A00:01: the adapter refused the request (status 0x00010 (bus off))" "$(tail -1 "$work/err")"
check "a refused write status" 1 "$status"

out=$("$cli" --simulate --json nmt preop 2>/dev/null)
check "nmt preop" '{"command":"preop","node":0}' "$out"
"$cli" --library /nonexistent/libpcanbasic.so nmt reset >/dev/null 2>"$work/err"
check "no adapter library" 3 "$?"
grep -q 'Unable to find the DLL PCANBasic.dll' "$work/err"
check "the library message" 0 "$?"

finish
