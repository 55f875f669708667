#!/usr/bin/env bash
# Sets up, builds and runs the whole test suite: first the format check of the C++ sources
# (scripts/check-format.sh; a source that differs from .clang-format ends the run there); then
# unit, integration and GUI tests (offscreen), built with AddressSanitizer and
# UndefinedBehaviorSanitizer; then the tests that use threads (CTest label "threads") again,
# built with ThreadSanitizer; then every file reader's libFuzzer target for 30 seconds (where
# clang is installed, as the setup installs it); then the Debian package is built and checked,
# and installed on a bare Debian 12 in a chroot.
#   ./scripts/test.sh [CTEST ARGS]             all five
#   ./scripts/test.sh --format                 only the format check
#   ./scripts/test.sh --tsan [CTEST ARGS]      only the ThreadSanitizer run
#   ./scripts/test.sh --fuzz [SECONDS]         only the fuzz targets
#   ./scripts/test.sh --package                only the package
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

stages="format asan tsan fuzz package"
fuzz_seconds=30
case "${1:-}" in
  --format) stages=format; shift ;;
  --tsan) stages=tsan; shift ;;
  --fuzz) stages=fuzz; shift; fuzz_seconds=${1:-30}; shift $(( $# > 0 ? 1 : 0 )) ;;
  --package) stages=package; shift ;;
esac

"$root/scripts/setup.sh" --test
export QT_QPA_PLATFORM=offscreen

if [[ " $stages " == *" format "* ]]; then
  "$root/scripts/check-format.sh"
fi

if [[ " $stages " == *" asan "* ]]; then
  build="$root/build-tests"
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVELDRIS_SANITIZE=ON -DVELDRIS_WERROR=ON >/dev/null
  cmake --build "$build" -j "$(nproc)"
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:strict_string_checks=1 \
  LSAN_OPTIONS="suppressions=$root/tests/lsan.supp:print_suppressions=0" \
  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir "$build" --output-on-failure -j "$(nproc)" "$@"
fi

if [[ " $stages " == *" tsan "* ]]; then
  # Only what the threads tests need is built with ThreadSanitizer.
  build="$root/build-tsan"
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVELDRIS_TSAN=ON -DVELDRIS_WERROR=ON >/dev/null
  cmake --build "$build" -j "$(nproc)" --target veldris_thread_tests veldris_client_tests veldris_procedure_tests veldris_socketcan_tests \
    veldris_sim_tests veldris_bus_off_tests \
    BusPathTest ProcedurePagesTest DiagnosePageTest AboutManualProgressTest
  TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:ignore_noninstrumented_modules=1:suppressions=$root/tests/tsan.supp" \
    ctest --test-dir "$build" --output-on-failure -j "$(nproc)" -L threads "$@"
fi

if [[ " $stages " == *" fuzz "* ]]; then
  if command -v clang++ >/dev/null && compgen -G "/usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-$(uname -m).a" >/dev/null; then
    "$root/fuzz/run.sh" "$fuzz_seconds" "$root/build-tests/dist/samples/veldris-sample.kfu" "$root/build-tests/fuzz-artifacts"
  else
    echo "test: clang or its libFuzzer runtime is missing: the fuzz targets were not run"
  fi
fi

if [[ " $stages " == *" package "* ]]; then
  deb=$("$root/scripts/package.sh" | tail -n 1)
  "$root/tests/package/check_package.sh" "$deb"
  "$root/tests/package/install_in_chroot.sh" "$deb"
fi
