#!/usr/bin/env bash
# Sets up, builds and runs the whole test suite: unit, integration and GUI tests (offscreen),
# built with AddressSanitizer and UndefinedBehaviorSanitizer; then the tests that use threads
# (CTest label "threads") again, built with ThreadSanitizer.
#   ./scripts/test.sh [CTEST ARGS]          both runs
#   ./scripts/test.sh --tsan [CTEST ARGS]   only the ThreadSanitizer run
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

tsan_only=false
if [[ "${1:-}" == "--tsan" ]]; then
  tsan_only=true
  shift
fi

"$root/scripts/setup.sh" --test
export QT_QPA_PLATFORM=offscreen

if [[ $tsan_only == false ]]; then
  build="$root/build-tests"
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVELDRIS_SANITIZE=ON -DVELDRIS_WERROR=ON >/dev/null
  cmake --build "$build" -j "$(nproc)"
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:strict_string_checks=1 \
  LSAN_OPTIONS="suppressions=$root/tests/lsan.supp:print_suppressions=0" \
  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir "$build" --output-on-failure -j "$(nproc)" "$@"
fi

# Only what the threads tests need is built with ThreadSanitizer.
build="$root/build-tsan"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVELDRIS_TSAN=ON -DVELDRIS_WERROR=ON >/dev/null
cmake --build "$build" -j "$(nproc)" --target veldris_thread_tests veldris_client_tests veldris_procedure_tests BusPathTest ProcedurePagesTest
TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:ignore_noninstrumented_modules=1:suppressions=$root/tests/tsan.supp" \
  ctest --test-dir "$build" --output-on-failure -j "$(nproc)" -L threads "$@"
