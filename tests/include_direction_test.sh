#!/usr/bin/env bash
# Includes run one way: app/ may use gui/, gui/ may use the document and the folders below
# it, and nothing below includes gui/ or app/; the headless runs need nothing from gui/.
set -u
cd "$(dirname "$0")/.."
status=0
refuse() {  # refuse PATTERN FILES...: every include of PATTERN in FILES is a fault
  local pattern=$1
  shift
  local found
  found=$(grep -Hn "#include \"$pattern" "$@" 2>/dev/null)
  if [ -n "$found" ]; then
    echo "$found"
    status=1
  fi
}
core=$(ls model/* store/* document/* calendar/* crypt/* util/* exchange/*)
[ -n "$core" ] || { echo "no sources found"; exit 1; }
refuse 'gui/' $core
refuse 'app/' $core gui/*
refuse 'gui/' app/headless.*
[ "$status" -eq 0 ] && echo "includes run app -> gui -> document"
exit "$status"
