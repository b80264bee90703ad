#!/usr/bin/env bash
# Installs what is missing, builds Zolt in release mode and runs the benchmark: first the
# document's, then the window's under a virtual display (xvfb-run).
# Extra arguments go to both benchmarks (for example --benchmark_filter=load).
set -euo pipefail
cd "$(dirname "$0")"
tools/install_deps.sh libbenchmark-dev libxdamage-dev
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DZOLT_TESTS=OFF -DZOLT_BENCH=ON >/dev/null
cmake --build build-bench -j "$(nproc)" --target zolt_bench zolt_gui_bench
build-bench/bench/zolt_bench "$@"
exec xvfb-run -a build-bench/bench/zolt_gui_bench "$@"
