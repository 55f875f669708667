#!/usr/bin/env bash
# veldris-cli's file commands (no bus): dcf show, hex show with --dump, package show; their JSON
# and their refusal of files that are not what they claim.
# Usage: file_commands.sh DIST_DIR PACKAGE_MAKER SAMPLE_FIRMWARE_DIR
set -uo pipefail
dist=$1
package_maker=$2
cli="$dist/veldris-cli"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

out=$("$cli" --json --node 5 dcf show "$dist/samples/node5.dcf" 2>/dev/null)
check "dcf show: frames" "['605#00000F0000000000', '605#2B17100064000000', '605#2B00180532000000', '605#2B01130214000000']" \
  "$(json '[s["frame"] for s in d["sections"]]' <<<"$out")"
check "dcf show: sub-entry key" "['ParameterName' 'DataType' 'ParameterValue' 'SubNumber'] 13" \
  "$(json 'd["sections"][2]["keys"], d["sections"][2]["headerLine"]' <<<"$out" | tr -d '(),' )"
"$cli" dcf show "$dist/lang/en.po" >/dev/null 2>&1
check "dcf show: no section header" 2 "$?"

head -c 70000 /dev/urandom >"$work/image.bin"
objcopy -I binary -O ihex --change-addresses 0x8000000 "$work/image.bin" "$work/image.hex"
out=$("$cli" --json hex show "$work/image.hex" --dump "$work/dump.bin")
check "hex show" "134217728 134287727 1" "$(json 'd["lowest"], d["highest"], len(d["ranges"])' <<<"$out" | tr -d '(),')"
cmp -s "$work/image.bin" "$work/dump.bin"
check "hex --dump gives back the bytes objcopy was given" 0 "$?"
check "hex show from a pipe reads as from the file" "$out" "$("$cli" --json hex show /dev/stdin --dump "$work/dump.bin" <"$work/image.hex")"
check "hex show of an empty file" 0 "$(: >"$work/empty.hex"; "$cli" --json hex show "$work/empty.hex" | json 'len(d["ranges"])')"
check "hex show of a missing file" "veldris-cli: cannot read $work/none.hex: No such file or directory" "$("$cli" hex show "$work/none.hex" 2>&1)"
printf ':0400000001020304F0\n:00000001FF\n' >"$work/bad.hex"
"$cli" hex show "$work/bad.hex" >/dev/null 2>"$work/err"
check "hex show: wrong checksum" 2 "$?"
check "hex show: the reader's message" "veldris-cli: $work/bad.hex: IntelHex: readBuffer() failed, possibly due to an incorrect line checksum (line 1)" "$(cat "$work/err")"

out=$("$cli" --json package show "$dist/samples/veldris-sample.kfu")
check "package show" "2 ['Safety sensor KVR200' 'Sensor KVR600'] KVR600 1436" \
  "$(json 'd["version"], [m["name"] for m in d["methods"]], d["modules"][1]["device"], d["modules"][1]["imageSize"]' <<<"$out" | tr -d '(),')"
"$cli" package show "$dist/samples/node5.dcf" >/dev/null 2>"$work/err"
check "package show: not a package" 2 "$?"
# Texts of a package written on a Latin-1 system: the JSON document still comes, with U+FFFD.
cp "$3"/* "$work/"
sed -i 's/^description = Sensor application$/description = Sensor-Anwendung f\xfcr KVR600/' "$work/package.ini"
ASAN_OPTIONS=detect_leaks=0 "$package_maker" "$work/package.ini" "$work/latin1.kfu" >/dev/null
out=$("$cli" --json package show "$work/latin1.kfu"); status=$?
check "package show: Latin-1 text" "0 True" "$status $(json 'd["modules"][1]["description"] == "Sensor-Anwendung f\ufffdr KVR600"' <<<"$out")"

kel="$(dirname "$0")/../errorlog/samples/node5.kel"
out=$("$cli" --json errorlog show "$kel" 2>/dev/null)
check "errorlog show: columns" "['12', '0x00000100', 'Überlast', '500.00 %']" "$(json 'd["rows"][1]["columns"]' <<<"$out")"
check "errorlog show: descriptor" "0x06102200 1.4.0.12 8" "$(json 'd["descriptor"]["uid"], d["descriptor"]["firmwareVersion"], len(d["rows"])' <<<"$out" | tr -d "(),'")"
cp "$kel" "$work/damaged.kel"
printf '\x00' | dd of="$work/damaged.kel" bs=1 seek=127 conv=notrunc 2>/dev/null
out=$("$cli" --json errorlog show "$work/damaged.kel" 2>"$work/err"); status=$?
check "damaged header: status" 2 "$status"
check "damaged header: the rows still listed" 8 "$(json 'len(d["rows"])' <<<"$out")"
check "damaged header: said why" "veldris-cli: $work/damaged.kel: the header's checksum does not match: the file is damaged" "$(grep veldris-cli "$work/err")"
head -c 100 "$kel" >"$work/short.kel"
out=$("$cli" errorlog show "$work/short.kel" 2>/dev/null); status=$?
check "short file: status and no rows" "2 " "$status $out"

finish
