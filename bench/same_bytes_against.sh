#!/usr/bin/env bash
# Does this tree's zolt save the same bytes as the zolt of another commit? Builds COMMIT in a
# temporary git worktree (Release, with ccache when there is one) and this tree in build-bench/,
# generates the benchmark's files (lifetime, uniform dates and short notes) of each ITEMS
# (default 100000 and 1000000), and runs bench/same_bytes.sh OLD NEW over them and over the
# data files of tests/data. Exit status 1 on any difference.
# Usage: bench/same_bytes_against.sh COMMIT [ITEMS...]     (about 1.5 GB under $TMPDIR at 1,000,000)
set -euo pipefail
cd "$(dirname "$0")/.."
if [ $# -lt 1 ]; then
  echo "usage: bench/same_bytes_against.sh COMMIT [ITEMS...]" >&2
  exit 2
fi
commit=$(git rev-parse --verify "$1^{commit}")
shift
sizes=("$@")
[ ${#sizes[@]} -eq 0 ] && sizes=(100000 1000000)
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
work=$(mktemp -d)
cleanup() {
  git worktree remove --force "$work/base" >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT

build() {  # SOURCE BUILD_DIR BENCH(ON|OFF) TARGET...
  local source=$1 dir=$2 bench=$3
  shift 3
  cmake -S "$source" -B "$dir" -DCMAKE_BUILD_TYPE=Release -DZOLT_TESTS=OFF -DZOLT_BENCH="$bench" \
    "${launcher[@]}" >/dev/null
  cmake --build "$dir" -j "$(nproc)" --target "$@" >/dev/null
}

git worktree add --detach "$work/base" "$commit" >/dev/null
build "$work/base" "$work/base/build" OFF zolt
build . build-bench ON zolt zolt_generate
files=()
for n in "${sizes[@]}"; do
  build-bench/bench/zolt_generate "$work/lifetime$n.dat" "$n"
  build-bench/bench/zolt_generate "$work/uniform$n.dat" "$n" --uniform
  build-bench/bench/zolt_generate "$work/notes$n.dat" "$n" --uniform --short-notes
  files+=("$work/lifetime$n.dat" "$work/uniform$n.dat" "$work/notes$n.dat")
done
files+=(tests/data/*.dat)
echo "old: $commit; new: this tree ($(git rev-parse --short HEAD) and its changes)"
bench/same_bytes.sh "$work/base/build/zolt" build-bench/zolt "${files[@]}"
