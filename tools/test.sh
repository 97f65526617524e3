#!/usr/bin/env bash
# Installs what is needed, builds everything and runs the whole test suite.
#   bash tools/test.sh             plain build in build/
#   bash tools/test.sh --sanitize  AddressSanitizer + UndefinedBehaviorSanitizer build in build-asan/
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh
dir=build; extra=()
if [ "${1:-}" = "--sanitize" ]; then
  dir=build-asan; extra=(-DLARKSPIN_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug)
  export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
fi
jobs=$(nproc)
cmake -S . -B "$dir" "${extra[@]}" >/dev/null
cmake --build "$dir" -j "$jobs"
# A test that fails is run once more: the multi-process tests wait on real time and a machine
# that is busy with other work can starve them. A test that fails twice fails the run.
ctest --test-dir "$dir" -j "$jobs" --output-on-failure --timeout 300 --repeat until-pass:2
