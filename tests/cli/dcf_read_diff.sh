#!/usr/bin/env bash
# dcf read, dcf write and dcf diff against the simulator's two sensors (the default scenario):
# a configuration read from node 5 with a template, written into node 32, compared there; a
# changed value, and an entry the sensor aborts (tests/scenarios/procedures.ini, node 40).
# Usage: dcf_read_diff.sh DIST_DIR SCENARIO_DIR
set -uo pipefail
dist=$1 scenarios=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cli=("$dist/veldris-cli" --lang en)
bus=("${cli[@]}" --simulate --sim-state "$work/bus.json")
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

# Comments, a name section, CR LF line ends, decimal, hexadecimal and node-relative values.
printf '; values to move\r\n[FileInfo]\r\nFileName=template.dcf\r\n\r\n[1017]\r\nParameterName=Producer heartbeat time\r\nDataType=0x0006\r\nParameterValue=0\r\n\r\n[1800sub1]\r\nDataType=0x0007\r\nParameterValue=$NODEID+0x180\r\n\r\n[1800sub2]\r\nDataType=0x0005\r\nParameterValue=1\r\n\r\n[1800sub5]\r\nDataType=0x0006\r\nParameterValue=0x0000\r\n' >"$work/template.dcf"

out=$("${bus[@]}" --node 5 dcf read "$work/template.dcf" --output "$work/old.dcf" 2>"$work/err"); status=$?
check "dcf read from node 5" 0 "$status"
check "the template with node 5's values, everything else byte for byte" \
  "$(sed -e 's/^ParameterValue=0\r$/ParameterValue=200\r/' -e 's/^ParameterValue=1\r$/ParameterValue=254\r/' \
         -e 's/^ParameterValue=0x0000\r$/ParameterValue=0x0064\r/' "$work/template.dcf" | od -c)" "$(od -c <"$work/old.dcf")"
check "dcf read says what it wrote" "wrote $work/old.dcf: 4 values read, 1 sections as in the template, 0 without ParameterValue" "$(tail -1 <<<"$out")"

"${bus[@]}" --node 32 dcf write "$work/old.dcf" >/dev/null 2>&1
check "dcf write into node 32" 0 "$?"
out=$("${bus[@]}" --node 32 dcf diff "$work/old.dcf" 2>/dev/null); status=$?
check "dcf diff at node 32: no differences" "0 []" "$status [$out]"
out=$("${bus[@]}" --node 32 --json dcf diff "$work/old.dcf" 2>/dev/null)
check "dcf diff JSON" "0 ['skipped', 'equal', 'equal', 'equal', 'equal'] [200, 416, 254, 100] 1800 1" \
  "$(json 'd["differences"], [s["result"] for s in d["sections"]], [s["sensor"] for s in d["sections"][1:]], d["sections"][2]["index"], d["sections"][2]["subIndex"]' <<<"$out")"

sed 's/^ParameterValue=200\r$/ParameterValue=350\r/' "$work/old.dcf" >"$work/changed.dcf"
out=$("${bus[@]}" --node 32 dcf diff "$work/changed.dcf" 2>/dev/null); status=$?
check "a changed value differs" "1 0x1017:00  sensor 200  file 350" "$status $out"
out=$("${bus[@]}" --node 32 --json dcf diff "$work/changed.dcf" 2>/dev/null)
check "a changed value in JSON" "1 differs 350 200 None" \
  "$(json 'd["differences"], d["sections"][1]["result"], d["sections"][1]["file"], d["sections"][1]["sensor"], d["sections"][1]["abortCode"]' <<<"$out")"

# Node 40 aborts every access to 0x7132:01 with 0x06090030.
sensors=("${cli[@]}" --simulate="$scenarios/procedures.ini" --node 40)
printf '[1017]\nDataType=6\nParameterValue=7\n[7132sub1]\nDataType=7\nParameterValue=3\nDenotation=kept\n' >"$work/aborts.dcf"
out=$("${sensors[@]}" dcf read "$work/aborts.dcf" --output "$work/read40.dcf" 2>/dev/null); status=$?
check "an aborted entry is listed, exit 1" \
  "1 not read: section at line 4 (0x7132:01): aborted 0x7132:01 with 0x06090030 (Invalid value for parameter (download only).)" \
  "$status $(grep '^not read' <<<"$out")"
check "the aborted entry has no ParameterValue" "$(printf '[1017]\nDataType=6\nParameterValue=0\n[7132sub1]\nDataType=7\nDenotation=kept')" \
  "$(cat "$work/read40.dcf")"
out=$("${sensors[@]}" --json dcf read "$work/aborts.dcf" --output "$work/read40.dcf" 2>/dev/null)
check "dcf read JSON" "['read', 'aborted'] [0, None] [None, 101253168] 4 1" \
  "$(json '[s["result"] for s in d["sections"]], [s["value"] for s in d["sections"]], [s["abortCode"] for s in d["sections"]], d["sections"][1]["headerLine"], d["sections"][1]["subIndex"]' <<<"$out")"
out=$("${sensors[@]}" dcf diff "$work/aborts.dcf" 2>/dev/null); status=$?
check "dcf diff: the abort and the other value" "1 0x1017:00  sensor 0  file 7|0x7132:01  sensor aborted 0x06090030  file 3" \
  "$status $(paste -sd'|' <<<"$out")"

# A value that does not fit its DataType refuses the template before anything is asked.
printf '[1017]\nDataType=6\nParameterValue=70000\n' >"$work/typo.dcf"
"${bus[@]}" --node 5 dcf read "$work/typo.dcf" --output "$work/typo-out.dcf" >/dev/null 2>"$work/err"
check "a typo refuses the template" "2 no file" "$? $([[ -e $work/typo-out.dcf ]] && echo file || echo no file)"
check "with file and line" "veldris-cli: $work/typo.dcf: line 3: ParameterValue '70000' is out of range (0..65535) for UNSIGNED16" \
  "$(grep -F 'veldris-cli: ' "$work/err" | head -1)"

# A folder that does not exist: the failed save is said, exit 1.
"${bus[@]}" --node 5 dcf read "$work/template.dcf" --output "$work/none/old.dcf" >/dev/null 2>"$work/err"
check "a failed save" "1 1" "$? $(grep -c "could not be written" "$work/err")"

# A text longer than four bytes goes up and down in segments: read from one sensor, written
# into the other, compared.
text='Line 4, press 2'
"${bus[@]}" --node 5 sdo write 0x2F00:00 --string "$text" >/dev/null 2>&1
check "the text set on node 5" 0 "$?"
printf '[2F00]\nParameterName=Location\nDataType=0x0009\nParameterValue=nowhere\n' >"$work/strings.dcf"
"${bus[@]}" --node 5 dcf read "$work/strings.dcf" --output "$work/strings-old.dcf" >/dev/null 2>&1
check "a VISIBLE_STRING read" "0 ParameterValue=$text" "$? $(tail -1 "$work/strings-old.dcf")"
"${bus[@]}" --node 32 dcf write "$work/strings-old.dcf" >/dev/null 2>&1
check "a VISIBLE_STRING written" 0 "$?"
out=$("${bus[@]}" --node 32 dcf diff "$work/strings-old.dcf" 2>/dev/null)
check "a VISIBLE_STRING equal" "0 []" "$? [$out]"
sed "s/^ParameterValue=.*/ParameterValue=Line 5/" "$work/strings-old.dcf" >"$work/strings-changed.dcf"
out=$("${bus[@]}" --node 32 dcf diff "$work/strings-changed.dcf" 2>/dev/null)
check "a VISIBLE_STRING differs" "1 0x2F00:00  sensor \"$text\"  file \"Line 5\"" "$? $out"

finish
