#!/usr/bin/env bash
# Builds the fuzz targets of the file readers with clang's libFuzzer under AddressSanitizer and
# UndefinedBehaviorSanitizer and runs each for SECONDS (default 60), seeded with the samples.
# Usage: fuzz/run.sh [SECONDS]   (needs clang; apt-get install clang)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
seconds=${1:-60}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
flags=(-std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -I"$root/src")

build() { # build NAME SOURCES...
  local name=$1; shift
  clang++ "${flags[@]}" "$@" -o "$work/$name"
}
build dcf "$root/fuzz/DCFFuzz.cpp" "$root/src/dcf/DCFFile.cpp" "$root/src/dcf/DownloadFrame.cpp" "$root/src/common/Log.cpp"
build hex "$root/fuzz/IntelHexFuzz.cpp" "$root/src/firmware/IntelHex.cpp" "$root/src/firmware/MemoryImage.cpp"
build package "$root/fuzz/PackageFuzz.cpp" "$root/src/firmware/FirmwarePackage.cpp" -lzip
errorlog=("$root/src/errorlog/ErrorLog.cpp" "$root/src/errorlog/EntryDecoder.cpp" "$root/src/errorlog/ErrorTexts.cpp"
          "$root/src/common/Crc16.cpp" "$root/src/common/AtomicFile.cpp" "$root/src/common/Log.cpp")
build errorlog "$root/fuzz/ErrorLogFuzz.cpp" "${errorlog[@]}"
build decoder "$root/fuzz/EntryDecoderFuzz.cpp" "$root/src/errorlog/EntryDecoder.cpp" "$root/src/errorlog/ErrorTexts.cpp" "$root/src/common/Log.cpp"

mkdir -p "$work/corpus-dcf" "$work/corpus-hex" "$work/corpus-package" "$work/corpus-errorlog" "$work/corpus-decoder"
cp "$root"/resources/samples/*.dcf "$work/corpus-dcf/"
cp "$root"/resources/samples/firmware/*.hex "$work/corpus-hex/"
[[ -f "$root/build/dist/samples/veldris-sample.kfu" ]] && cp "$root/build/dist/samples/veldris-sample.kfu" "$work/corpus-package/"
cp "$root"/tests/errorlog/samples/*.kel "$work/corpus-errorlog/"
for name in dcf hex package errorlog decoder; do
  echo "== $name: $seconds s"
  "$work/$name" -max_total_time="$seconds" -max_len=8192 "$work/corpus-$name" 2>&1 | grep -E '^Done|ERROR|SUMMARY'
done
