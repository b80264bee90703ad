#!/usr/bin/env bash
# Installs what is missing, builds Zolt and starts it with the given options.
set -euo pipefail
cd "$(dirname "$0")"
tools/install_deps.sh
cmake -S . -B build -DZOLT_TESTS=OFF >/dev/null
cmake --build build --target zolt -j "$(nproc)"
exec build/zolt "$@"
