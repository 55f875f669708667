#!/usr/bin/env bash
# Every command and subcommand of veldris-cli answers --help, and the manual page has an entry
# for each of them and for each global option.
#   tests/cli/manual_page.sh VELDRIS_CLI MANUAL_PAGE
set -euo pipefail
cli="$1"
export ASAN_OPTIONS="${ASAN_OPTIONS:-}:detect_leaks=0"
# The page as text: roff escapes and font changes removed.
page=$(sed -e 's/\\f[BIRP]//g' -e 's/\\-/-/g' -e 's/^\.[A-Z]* //' "$2")
failures=0
fail() { echo "manual_page: $*" >&2; failures=$((failures + 1)); }

subcommands() { "$cli" "$@" --help | awk '/^Subcommands:/ { on = 1; next } on && /^  [a-z]/ { print $1 }'; }

check() {
  "$cli" "$@" --help >/dev/null || fail "'veldris-cli $* --help' failed"
  local children
  children=$(subcommands "$@")
  if [[ -z "$children" ]]; then
    grep -qF "$*" <<<"$page" || fail "the manual page has no entry for '$*'"
  fi
  for child in $children; do
    check "$@" "$child"
  done
}

for command in $(subcommands); do
  check "$command"
done
for option in $("$cli" --help | grep -oE '^  --[a-z-]+' ); do
  grep -qE "^\.B[IR]? $option( |$)|^\.BR $option" <<<"$(sed 's/\\-/-/g' "$2")" \
    || fail "the manual page does not describe $option"
done

[[ $failures -eq 0 ]] && echo "manual_page: every command and option is described"
exit $((failures > 0))
