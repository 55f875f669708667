#!/usr/bin/env bash
# The bus trace in PEAK's trace format 2.1 as python-can reads it: the same command against the
# simulator, traced once to FILE.trc and once to FILE.log, gives the same frames in the same
# order; in the .trc file requests are Tx and answers Rx. Skipped (exit 77) where the system's
# Python has no python-can (apt-get install python3-can).
# Usage: trc_trace.sh DIST_DIR
set -uo pipefail
dist=$1
cli="$dist/veldris-cli"
python=/usr/bin/python3
if ! "$python" -c 'import can' 2>/dev/null; then
  echo "SKIP: $python cannot import can (apt-get install python3-can)"
  exit 77
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

"$cli" --simulate --node 5 --trace "$work/info.trc" info >/dev/null 2>"$work/err.trc"
check "info traced to .trc" 0 "$?"
"$cli" --simulate --node 5 --trace "$work/info.log" info >/dev/null 2>"$work/err.log"
check "info traced to .log" 0 "$?"
check "nothing said about the traces" "" "$(cat "$work/err.trc" "$work/err.log")"

# The frames of the exchange: NMT, SDO requests and answers. The simulated sensors' cyclic
# frames (heartbeat, PDOs) depend on how long a run takes, so they are left out of the match.
frames() {
  "$python" - "$1" <<'EOF'
import sys, can
for m in can.LogReader(sys.argv[1]):
    if m.arbitration_id == 0 or 0x580 <= m.arbitration_id <= 0x67F:
        print(f"{m.arbitration_id:03X} {int(m.is_extended_id)} {m.dlc} {bytes(m.data).hex()} {int(m.is_rx)}")
EOF
}
trc=$(frames "$work/info.trc") log=$(frames "$work/info.log")
check "python-can reads frames from the .trc" yes "$([[ $(wc -l <<<"$trc") -ge 4 ]] && echo yes || echo no)"
check "same frames in the same order as the .log" "$(cut -d' ' -f1-4 <<<"$log")" "$(cut -d' ' -f1-4 <<<"$trc")"
directions=$(while read -r id _ _ _ rx; do
  answer=0; (( 0x$id >= 0x580 && 0x$id < 0x600 )) && answer=1
  [[ $rx == "$answer" ]] || echo "$id $rx"
done <<<"$trc")
check "requests Tx, answers Rx" "" "$directions"
offsets=$("$python" - "$work/info.trc" <<'EOF'
import sys, can
stamps = [m.timestamp for m in can.LogReader(sys.argv[1])]
print("ok" if stamps and stamps[0] == 0 and stamps[-1] > 0 else stamps)
EOF
)
check "offsets from the first frame" ok "$offsets"
finish
