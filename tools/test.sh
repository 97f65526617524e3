#!/usr/bin/env bash
# Installs what is needed, builds everything and runs the whole test suite.
#   bash tools/test.sh             plain build in build/
#   bash tools/test.sh --sanitize  AddressSanitizer + UndefinedBehaviorSanitizer build in build-asan/
#   bash tools/test.sh --tsan      ThreadSanitizer build in build-tsan/: the platform, shell, login
#                                  and screen tests (the labels below), where threads meet
# Every test must pass on its first run: a test that fails fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh
dir=build; extra=(); select=()
case "${1:-}" in
  --sanitize)
    dir=build-asan; extra=(-DLARKSPIN_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug)
    export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
    export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
    ;;
  --tsan)
    dir=build-tsan; extra=(-DLARKSPIN_TSAN=ON)
    export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$PWD/tools/tsan.supp"
    select=(-L '^(platform|shell|login|screens|finders)$')
    ;;
  "") ;;
  *) echo "usage: bash tools/test.sh [--sanitize|--tsan]" >&2; exit 2 ;;
esac
jobs=$(nproc)
cmake -S . -B "$dir" "${extra[@]}" >/dev/null
cmake --build "$dir" -j "$jobs"
ctest --test-dir "$dir" -j "$jobs" --output-on-failure --timeout 300 "${select[@]}"
