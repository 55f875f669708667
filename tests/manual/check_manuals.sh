#!/usr/bin/env bash
# Checks the operating manuals built into the run folder's doc/: each is a PDF with its pages,
# its language (a heading found by text extraction), the window's pictures, and for Chinese an
# embedded CJK font.
#   tests/manual/check_manuals.sh RUN_FOLDER
set -euo pipefail
doc="$1/doc"
failures=0
fail() { echo "check_manuals: $*" >&2; failures=$((failures + 1)); }

declare -A heading=(
  [EN]="KAVRO Veldris — Operating Manual"
  [DE]="KAVRO Veldris — Bedienungsanleitung"
  [CN]="KAVRO Veldris — 操作手册"
)
declare -A command_heading=(
  [EN]="9 The command-line tool" [DE]="9 Das Kommandozeilenwerkzeug" [CN]="9 命令行工具"
)
for code in EN DE CN; do
  pdf="$doc/Operating Manual KAVRO Veldris_$code.pdf"
  if [[ ! -s "$pdf" ]]; then
    fail "missing: $pdf"
    continue
  fi
  pages=$(pdfinfo "$pdf" | awk '/^Pages:/ { print $2 }')
  [[ "$pages" -ge 8 ]] || fail "$code: only $pages pages"
  # As one line, in compatibility form: the PDF's text layer maps some glyphs back to
  # ligatures (U+FB01 for "fi") and CJK radicals (U+2F3F for 手), which NFKC folds.
  text=$(pdftotext -enc UTF-8 "$pdf" - | python3 -c \
    'import sys, unicodedata; print(" ".join(unicodedata.normalize("NFKC", sys.stdin.read()).split()))')
  grep -qF "${heading[$code]}" <<<"$text" || fail "$code: heading '${heading[$code]}' not found"
  grep -qF "${command_heading[$code]}" <<<"$text" || fail "$code: no chapter on the command-line tool"
  grep -qF "veldris-cli --simulate" <<<"$text" || fail "$code: no command-line example"
  images=$(pdfimages -list "$pdf" | tail -n +3 | wc -l)
  [[ "$images" -ge 6 ]] || fail "$code: $images pictures, expected one per page of the window"
done
pdffonts "$doc/Operating Manual KAVRO Veldris_CN.pdf" | grep -q "CJK" \
  || fail "CN: no CJK font embedded"

[[ $failures -eq 0 ]] && echo "check_manuals: EN, DE and CN passed"
exit $((failures > 0))
