#!/usr/bin/env bash
# Checks that the tracked C++ sources are formatted as .clang-format says: lists the files that
# differ and exits 1 when there is any. With --fix it formats them in place instead.
#   ./scripts/check-format.sh            check every tracked source
#   ./scripts/check-format.sh --fix      format every tracked source in place
#   ./scripts/check-format.sh [--fix] FILE...   only these files
# Uses $CLANG_FORMAT if set, else clang-format, else the highest clang-format-NN on the path
# (14 or later; ./scripts/setup.sh --test installs it).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

fix=false
if [[ "${1:-}" == "--fix" ]]; then
  fix=true
  shift
fi
files=()
for file in "$@"; do
  [[ -f "$file" ]] || { echo "check-format: no such file: $file" >&2; exit 2; }
  [[ "$file" == /* ]] || file="$PWD/$file"
  files+=("$file")
done
cd "$root"

find_clang_format() {
  if [[ -n "${CLANG_FORMAT:-}" ]]; then
    echo "$CLANG_FORMAT"
  elif command -v clang-format >/dev/null; then
    echo clang-format
  else
    compgen -c clang-format- | grep -E '^clang-format-[0-9]+$' | sort -t- -k3 -n | tail -n 1
  fi
}
tool=$(find_clang_format)
if [[ -z "$tool" ]] || ! command -v "$tool" >/dev/null; then
  echo "check-format: clang-format is missing; ./scripts/setup.sh --test installs it" >&2
  exit 2
fi
major=$("$tool" --version | sed -n 's/.*clang-format version \([0-9]*\).*/\1/p')
if [[ -z "$major" || "$major" -lt 14 ]]; then
  echo "check-format: $tool is older than clang-format 14: $("$tool" --version)" >&2
  exit 2
fi
if ! "$tool" --style=file --assume-filename=check.cpp --dump-config >/dev/null; then
  echo "check-format: $tool cannot read $root/.clang-format" >&2
  exit 2
fi

if [[ ${#files[@]} -eq 0 ]]; then
  mapfile -t files < <(git ls-files -- 'src/*.cpp' 'src/*.h' 'cli/*.cpp' 'cli/*.h' 'sim/*.cpp' 'sim/*.h' \
    'socketcan/*.cpp' 'socketcan/*.h' 'tests/*.cpp' 'tests/*.h' 'fuzz/*.cpp' 'tools/*.cpp' 'tools/*.h')
fi

differing=()
checked=0
for file in "${files[@]}"; do
  [[ -f "$file" ]] || continue  # deleted in the working tree, not yet in the index
  checked=$((checked + 1))
  if ! "$tool" --style=file --dry-run --Werror "$file" >/dev/null 2>&1; then
    differing+=("${file#"$root"/}")
  fi
done

if [[ ${#differing[@]} -eq 0 ]]; then
  echo "check-format: all $checked files formatted as .clang-format says ($tool $major)"
  exit 0
fi

if $fix; then
  "$tool" --style=file -i "${differing[@]}"
  printf '  %s\n' "${differing[@]}"
  echo "check-format: formatted ${#differing[@]} files ($tool $major)"
  exit 0
fi

printf '  %s\n' "${differing[@]}"
echo "check-format: ${#differing[@]} of $checked files differ from .clang-format ($tool $major)." >&2
echo "  See the changes of one:  $tool --style=file FILE | diff FILE -" >&2
echo "  Format them in place:    ./scripts/check-format.sh --fix" >&2
exit 1
