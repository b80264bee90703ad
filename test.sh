#!/usr/bin/env bash
# Installs what is missing, builds Zolt twice (plain and with AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs every test in both builds.
set -euo pipefail
cd "$(dirname "$0")"
tools/install_deps.sh
jobs=$(nproc)

run_build() {
  local dir=$1; shift
  cmake -S . -B "$dir" "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
  # GUI tests need a display; xvfb-run gives them one without a screen.
  xvfb-run -a ctest --test-dir "$dir" --output-on-failure
}

run_build build
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  LSAN_OPTIONS=suppressions="$PWD/tests/lsan.supp":print_suppressions=0 \
  run_build build-sanitize -DZOLT_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
echo "All tests passed."
