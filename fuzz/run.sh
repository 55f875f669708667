#!/usr/bin/env bash
# Builds the fuzz targets of the file readers with clang's libFuzzer under AddressSanitizer and
# UndefinedBehaviorSanitizer and runs each for SECONDS (default 60), seeded with the samples.
# Every target runs even when one fails; a failing target prints its fuzzer's report and the
# input that broke it (kept in ARTIFACT_DIR, default a temporary folder), and the script exits 1.
# Usage: fuzz/run.sh [SECONDS [SAMPLE_PACKAGE.kfu [ARTIFACT_DIR]]]
#   (needs clang and its fuzzer runtime: apt-get install clang libclang-rt-14-dev)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
seconds=${1:-60}
package=${2:-$root/build/dist/samples/veldris-sample.kfu}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
artifacts=${3:-$work/artifacts}
mkdir -p "$artifacts"
flags=(-std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined -I"$root/src")

build() { # build NAME SOURCES...
  local name=$1; shift
  clang++ "${flags[@]}" "$@" -o "$work/$name"
}
build dcf "$root/fuzz/DCFFuzz.cpp" "$root/src/dcf/DCFFile.cpp" "$root/src/dcf/DownloadFrame.cpp" "$root/src/dcf/DataTypes.cpp" "$root/src/dcf/DcfValue.cpp" "$root/src/dcf/DcfTemplate.cpp" "$root/src/dcf/ValueText.cpp" "$root/src/canopen/RequestTemplates.cpp" "$root/src/common/NumberText.cpp" \
  "$root/src/common/Log.cpp"
build hex "$root/fuzz/IntelHexFuzz.cpp" "$root/src/firmware/IntelHex.cpp" "$root/src/firmware/MemoryImage.cpp"
build package "$root/fuzz/PackageFuzz.cpp" "$root/src/firmware/FirmwarePackage.cpp" -lzip
errorlog=("$root/src/errorlog/ErrorLog.cpp" "$root/src/errorlog/EntryDecoder.cpp" "$root/src/errorlog/ErrorTexts.cpp"
          "$root/src/common/Crc16.cpp" "$root/src/common/AtomicFile.cpp" "$root/src/common/Log.cpp")
build errorlog "$root/fuzz/ErrorLogFuzz.cpp" "${errorlog[@]}"
build decoder "$root/fuzz/EntryDecoderFuzz.cpp" "$root/src/errorlog/EntryDecoder.cpp" "$root/src/errorlog/ErrorTexts.cpp" "$root/src/common/Log.cpp"

for name in dcf hex package errorlog decoder; do mkdir -p "$work/corpus-$name"; done
cp "$root"/resources/samples/*.dcf "$work/corpus-dcf/"
cp "$root"/resources/samples/firmware/*.hex "$work/corpus-hex/"
if [[ -f "$package" ]]; then cp "$package" "$work/corpus-package/"; else echo "fuzz: no sample package at $package; package starts empty"; fi
cp "$root"/tests/errorlog/samples/*.kel "$work/corpus-errorlog/"

failed=()
for name in dcf hex package errorlog decoder; do
  echo "== $name: $seconds s"
  if "$work/$name" -max_total_time="$seconds" -max_len=8192 -artifact_prefix="$artifacts/$name-" \
       "$work/corpus-$name" >"$work/$name.log" 2>&1; then
    grep -E '^Done' "$work/$name.log" || true
  else
    failed+=("$name")
    tail -n 60 "$work/$name.log"
    for input in "$artifacts/$name-"*; do
      [[ -f "$input" ]] && { echo "-- input $input:"; od -A x -t x1z -v "$input" | head -n 40; }
    done
  fi
done
if [[ ${#failed[@]} -gt 0 ]]; then
  echo "fuzz: failed: ${failed[*]} (inputs in $artifacts)"
  [[ -z "${3:-}" ]] && trap - EXIT && echo "fuzz: kept $work"
  exit 1
fi
