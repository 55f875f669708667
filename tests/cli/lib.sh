# Shared by the command-line tests: `check NAME EXPECTED ACTUAL` counts and reports one result,
# `json EXPRESSION` evaluates a Python expression over the JSON document on standard input (d),
# `finish` prints the closing line and gives the status.
failures=0 passes=0
check() {
  if [[ "$2" != "$3" ]]; then
    echo "FAIL: $1: expected [$2], got [$3]"; failures=$((failures + 1))
  else
    echo "ok: $1"; passes=$((passes + 1))
  fi
}
json() { python3 -c "import json,sys; d=json.load(sys.stdin); print($1)"; }
finish() {
  echo "$passes passed, $failures failed"
  [[ $failures -eq 0 ]]
}
