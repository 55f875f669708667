#!/usr/bin/env bash
# veldris-cli's long commands against the simulator: dcf write and fw update, their lines, their
# JSON, their exit statuses, what the sensor keeps (--sim-state), and Ctrl-C in the middle.
# Usage: procedure_commands.sh DIST_DIR SCENARIO_DIR
set -uo pipefail
dist=$1 scenarios=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cli=("$dist/veldris-cli" --lang en)
kfu="$dist/samples/veldris-sample.kfu"
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

bus=("${cli[@]}" --simulate --sim-state "$work/bus.json")
out=$("${bus[@]}" --node 5 --json dcf write "$dist/samples/node5.dcf" 2>/dev/null); status=$?
check "dcf write status" 0 "$status"
check "dcf write JSON" "True saved ['skipped', 'sent', 'sent', 'sent'] Sensor restarted.. please reconnect" \
  "$(json 'd["stored"], d["srdoChecksum"], [s["result"] for s in d["sections"]], d["lines"][-1]' <<<"$out")"
check "the value is stored" "0x4B 0x00000064" "$("${bus[@]}" --node 5 sdo read 0x1017:00 2>/dev/null)"

out=$("${cli[@]}" --simulate="$scenarios/procedures.ini" --node 32 --json dcf write --verify \
  <(printf '[2100]\nDataType=7\nParameterValue=0x4B56524F\n') 2>/dev/null); status=$?
check "a value that cannot be read back" "1 False False ['Section at line 1 was sent successfully', 'Section at line 1 could not be read back', 'Sensor restarted.. please reconnect']" \
  "$status $(json 'd["stored"], d["sections"][0]["verified"], d["lines"]' <<<"$out")"

out=$("${bus[@]}" --node 5 fw update "$kfu" --method "Safety sensor KVR200" 2>/dev/null); status=$?
check "fw update status" 0 "$status"
check "fw update lines and version" "uploading..|DONE|firmware version: 1.5.0.0" "$(grep -E 'uploading|DONE|version' <<<"$out" | paste -sd'|')"

out=$("${bus[@]}" --node 32 --json fw update "$kfu" --method "Safety sensor KVR200" 2>/dev/null); status=$?
check "a foreign UID is refused" "1 refused fw file doesn't support connected sensor. ErrorCode 0x554944" \
  "$status $(json 'd["modules"][0]["result"], d["lines"][0]' <<<"$out")"
# One lost echo among the data frames, the last one echoed: still no success (the sensor's
# losses follow a fixed seed, so this run loses the same frames every time).
out=$("${cli[@]}" --simulate="$scenarios/procedures.ini" --node 52 --json fw update "$kfu" --method "Safety sensor KVR200" 2>/dev/null); status=$?
check "a lost echo fails the update" "1 failed 1 failed to upload fw" \
  "$status $(json 'd["modules"][0]["result"], d["modules"][0]["unechoed"], d["lines"][5]' <<<"$out")"
"${bus[@]}" --node 5 fw update "$kfu" --method "No such method" >/dev/null 2>&1
check "an unknown method" 2 "$?"

out=$("${cli[@]}" --simulate="$scenarios/bootloader.ini" --node 5 --json fw update "$kfu" --method "Safety sensor KVR200" --force 2>/dev/null); status=$?
check "force with a sensor in its bootloader" "0 updated 1.5.0.0" \
  "$status $(json 'd["modules"][0]["result"], d["firmwareVersion"]' <<<"$out")"

# Power lost in the middle of an update: the sensor comes back in its bootloader, and a forced
# update in the next process (same state file) completes, the cut being past.
cut=("${cli[@]}" --simulate="$scenarios/power_cut.ini" --sim-state "$work/cut.json" --node 5 --json)
out=$("${cut[@]}" fw update "$kfu" --method "Safety sensor KVR200" 2>/dev/null); status=$?
check "a power cut fails the update, the sensor waits in its bootloader" "1 failed True True" \
  "$status $(json 'd["modules"][0]["result"]' <<<"$out") $(json 'd["sensors"]["sensor node5"]["inBootloader"], d["sensors"]["sensor node5"]["powerCut"]' <"$work/cut.json")"
out=$("${cut[@]}" fw update "$kfu" --method "Safety sensor KVR200" --force 2>/dev/null); status=$?
check "the forced update after the power cut" "0 updated 1.5.0.0 False" \
  "$status $(json 'd["modules"][0]["result"], d["firmwareVersion"]' <<<"$out") $(json 'd["sensors"]["sensor node5"]["inBootloader"]' <"$work/cut.json")"

out=$("${cli[@]}" --simulate="$scenarios/adapter_unplugged.ini" --sim-state "$work/unplugged.json" --node 5 --json \
  fw update "$kfu" --method "Safety sensor KVR200" 2>"$work/err"); status=$?
check "the version is not read back through an adapter that does not open" \
  "veldris-cli: the CAN adapter could not be opened at 125 kbit/s to read the firmware version back" \
  "$(grep -o 'veldris-cli: the CAN adapter could not be opened at 125 kbit/s to read the firmware version back' "$work/err")"
check "an adapter that does not open at 125 kbit/s is named, the sensor stays in its bootloader" \
  "3 failed True True True" "$status $(json 'd["modules"][0]["result"], d["lines"][2].startswith("the CAN adapter could not be opened at 125 kbit/s (PCAN-Basic library: "), d["lines"][2].endswith("the sensor waits in its bootloader")' <<<"$out") $(json 'd["sensors"]["sensor node5"]["inBootloader"]' <"$work/unplugged.json")"

out=$("${cli[@]}" --simulate --node 5 --json errorlog read --output "$work/node5.kel" 2>/dev/null); status=$?
check "errorlog read" "0 0 0 10" "$status $(json 'd["status"], d["unreadWords"], len(d["rows"])' <<<"$out")"
check "the saved file lists the same rows" "$(json '[r["columns"] for r in d["rows"]]' <<<"$out")" \
  "$("${cli[@]}" --json errorlog show "$work/node5.kel" 2>/dev/null | json '[r["columns"] for r in d["rows"]]')"
out=$("${cli[@]}" --simulate="$scenarios/procedures.ini" --node 64 --json errorlog read 2>"$work/err"); status=$?
check "a word that cannot be read" "1 1 1" "$status $(json 'd["unreadWords"]' <<<"$out") $(grep -c 'could not be read' "$work/err")"
mkdir "$work/bare" && cp "$dist/veldris-cli" "$dist/libpcanbasic-sim.so" "$work/bare/"
"$work/bare/veldris-cli" --simulate --node 5 errorlog read >/dev/null 2>"$work/err"
check "no description file" "2 1" "$? $(grep -c 'Config files are missing' "$work/err")"

# A sensor that stops answering in the middle of an 8 KiB log (after the five reads of the
# connection and 100 words): what was read is listed and saved, the address is named, exit 1.
python3 - "$scenarios/../../resources/description/canopen.dev.ini" "$work/bare/canopen.dev" <<'PY'
import sys
text = open(sys.argv[1], "rb").read().replace(b"pagesize = 0x40\npagecnt = 0x4", b"pagesize = 0x800\npagecnt = 0x4")
open(sys.argv[2], "wb").write(bytes(b ^ 0xC3 for b in text))
PY
sed 's/^bootloaderId = KVR200$/&\nfault.silentAfterFrames = 105/' "$scenarios/../../sim/scenarios/default.ini" >"$work/leaves.ini"
out=$("$work/bare/veldris-cli" --simulate="$work/leaves.ini" --node 5 --json errorlog read --output "$work/part.kel" 2>"$work/err")
status=$?
check "a sensor that stops answering in the middle of its log" \
  "1 False 0 veldris-cli: the error log is incomplete: the sensor stopped answering at address 0x00001190" \
  "$status $(json 'd["complete"], d["unreadWords"]' <<<"$out") $(tail -1 "$work/err")"
check "what was read is listed and saved" "$(json '[r["columns"] for r in d["rows"]]' <<<"$out")" \
  "$("${cli[@]}" --json errorlog show "$work/part.kel" 2>/dev/null | json '[r["columns"] for r in d["rows"]]')"

out=$("${cli[@]}" --simulate="$scenarios/diagnosis.ini" --node 5 --json diagnose --report "$work/report.txt" 2>/dev/null); status=$?
check "diagnose: PASSED" "0 PASSED 100 100 12 50" \
  "$status $(json 'd["verdict"], d["measurements"]["pdo"]["expectedMs"], d["measurements"]["pdo"]["averageMs"], d["measurements"]["srdo"]["frames"], d["measurements"]["heartbeat"]["averageMs"]' <<<"$out")"
check "diagnose: the report" "KAVRO GmbH Diagnostic Report" "$(head -1 "$work/report.txt")"
"${cli[@]}" --simulate="$scenarios/diagnosis.ini" --node 6 diagnose >"$work/out" 2>/dev/null
check "diagnose: FAILED" "1 1" "$? $(grep -c 'Event timer average across 10 measurements is 111 ms' "$work/out")"

# A running machine's bus does not disturb the measurement of node 5: node 32's heartbeat every
# 2 ms (about 54 % load), or two foreign nodes of higher priority (about 75 %).
default=$scenarios/../../sim/scenarios/default.ini
sed 's/^heartbeat = 500$/heartbeat = 2/' "$default" >"$work/heartbeats.ini"
sed 's/^seed = 1$/&\ntraffic.1 = 0x080 8 2\ntraffic.2 = 0x0F0 8 5/' "$default" >"$work/traffic.ini"
for busy in heartbeats traffic; do
  out=$("${cli[@]}" --simulate="$work/$busy.ini" --node 5 --json diagnose 2>/dev/null); status=$?
  check "diagnose on a busy bus ($busy)" "0 PASSED 100 200 25" \
    "$status $(json 'd["verdict"], d["measurements"]["pdo"]["averageMs"], d["measurements"]["heartbeat"]["averageMs"], d["measurements"]["srdo"]["averageMs"]' <<<"$out")"
done
# A TPDO marked not valid (bit 31) is switched on for the measurement by clearing that bit
# alone, and the reset at the end of the step brings the stored COB-ID back.
sed 's/^tpdo.cobid = 0x185$/tpdo.cobid = 0xC0000185/' "$default" >"$work/invalid.ini"
pdo=("${cli[@]}" --simulate="$work/invalid.ini" --sim-state "$work/invalid.json" --node 5)
out=$("${pdo[@]}" --json --trace "$work/invalid.log" diagnose 2>/dev/null); status=$?
check "only bit 31 is cleared: 0x40000185 is written" 1 "$(grep -c ' 605#2300180185010040$' "$work/invalid.log")"
check "diagnose activates a TPDO marked not valid" "0 PASSED True" \
  "$status $(json 'd["verdict"], {"section": "PDO", "text": "The PDO COB ID is not active.", "isError": True} in d["results"]' <<<"$out")"
check "the TPDO is marked not valid again" "0x43 0xC0000185" "$("${pdo[@]}" sdo read 0x1800:01 2>/dev/null)"

# Ctrl-C in the data phase, sent once the first data frame is on the bus: the trace is a pipe
# that the tool writes as it goes, and the image is so large that the tool waits for the pipe
# before it can finish. The sensor is left in its bootloader, and the tool says so.
python3 - "$work/large.zip" <<'PY'
import sys, zipfile
records = []
for address in range(0, 24000, 16):
    data = bytes([0x5A] * 16)
    fields = bytes([16, address >> 8, address & 0xFF, 0]) + data
    records.append(":" + (fields + bytes([-sum(fields) & 0xFF])).hex().upper())
with zipfile.ZipFile(sys.argv[1], "w") as package:
    package.writestr("version.kmd", "version=2")
    package.writestr("large.hex", "\n".join(records) + "\n:00000001FF\n")
    package.writestr("large.kmd", "type=hex\ndevice=KVR200\nui=06102200\n")
    package.writestr("Large.kum", "large.hex\n")
PY
mkfifo "$work/trace.log"
"${cli[@]}" --simulate="$scenarios/bootloader.ini" --node 5 --trace "$work/trace.log" fw update "$work/large.zip" \
  --method Large --force >"$work/out" 2>"$work/err" &
update=$!
exec 3<"$work/trace.log"
while read -r line <&3 && [[ $line != *"07F#63"* ]]; do :; done
kill -INT "$update"
cat <&3 >/dev/null
wait "$update"; status=$?
exec 3<&-
check "Ctrl-C stops the update" 130 "$status"
check "the state the sensor is left in" "Stopped: the sensor is in its bootloader; update again with Force." "$(tail -1 "$work/out")"

finish
