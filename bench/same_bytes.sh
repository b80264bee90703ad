#!/usr/bin/env bash
# Checks that two builds of zolt write the same bytes: each loads and saves (zolt -q -s)
# its own copy of every FILE, and the two saved files must be byte-identical.
# Usage: bench/same_bytes.sh OLD_ZOLT NEW_ZOLT FILE...   (exit status 1 on any difference)
set -uo pipefail
old=$1 new=$2
shift 2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
for file in "$@"; do
  for side in old new; do
    mkdir -p "$work/$side"
    cp "$file" "$work/$side/data.dat"
    HOME="$work/$side" "${!side}" -q -s -f "$work/$side/data.dat" >/dev/null 2>&1
    echo "$?" >"$work/$side/status"
  done
  if cmp -s "$work/old/data.dat" "$work/new/data.dat" && cmp -s "$work/old/status" "$work/new/status"; then
    echo "same: $file"
  else
    echo "DIFFERENT: $file"
    status=1
  fi
  rm -rf "$work/old" "$work/new"
done
exit $status
