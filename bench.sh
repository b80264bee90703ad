#!/usr/bin/env bash
# Installs what is missing, builds Zolt in release mode and runs the benchmark.
# Extra arguments go to the benchmark (for example --benchmark_filter=load).
set -euo pipefail
cd "$(dirname "$0")"
tools/install_deps.sh libbenchmark-dev
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DZOLT_TESTS=OFF -DZOLT_BENCH=ON >/dev/null
cmake --build build-bench -j "$(nproc)" --target zolt_bench
exec build-bench/bench/zolt_bench "$@"
