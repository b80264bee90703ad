#!/usr/bin/env bash
# Installs what is missing, builds the fuzz targets in build-fuzz with clang's libFuzzer,
# AddressSanitizer and UndefinedBehaviorSanitizer, and runs each for SECONDS (default 60).
# Usage: ./fuzz.sh [SECONDS] [TARGET...]   targets: data_file journal insert key_block config
#   ics_import
# Each target starts from its seeds in tests/data and from every input that ever found a
# fault (tests/data/fuzz/TARGET); what it adds to the corpus stays in build-fuzz/corpus.
# A new fault is written to build-fuzz/findings/TARGET/: keep it as a fixture in
# tests/data/fuzz/TARGET/, where tests/store/fuzz_regression_test.cpp replays it.
set -euo pipefail
cd "$(dirname "$0")"
seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(data_file journal insert key_block config ics_import)

tools/install_deps.sh clang libclang-rt-14-dev
# Absolute paths: a target may work in a scratch folder of its own.
build=$PWD/build-fuzz
CXX=clang++ cmake -S fuzz -B "$build" >/dev/null
cmake --build "$build" -j 2 --target $(printf '%s_fuzzer ' "${targets[@]}")

seeds_of() {
  case $1 in
    data_file | insert) echo "$PWD/tests/data" ;;
    ics_import) echo "$PWD/tests/data/ics" ;;
    *) echo "$PWD/tests/data/fuzz_seeds/$1" ;;
  esac
}

failed=()
for t in "${targets[@]}"; do
  corpus=$build/corpus/$t
  findings=$build/findings/$t
  mkdir -p "$corpus" "$findings" "tests/data/fuzz/$t"
  echo "== $t: $seconds s"
  # Standard output is closed: the library prints a line for much of what it repairs.
  if ! "$build/${t}_fuzzer" -max_total_time="$seconds" -timeout=20 -max_len=16384 \
      -close_fd_mask=1 -print_final_stats=1 -artifact_prefix="$findings/" \
      "$corpus" "$(seeds_of "$t")" "$PWD/tests/data/fuzz/$t"; then
    failed+=("$t")
  fi
done
if [ ${#failed[@]} -ne 0 ]; then
  echo "Faults found by: ${failed[*]} (see $build/findings)"
  exit 1
fi
echo "No fault found."
