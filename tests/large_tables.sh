#!/usr/bin/env bash
# Converts a generated table of many records both ways and compares every
# byte with what the generator says the tool must write.
#   large_tables.sh QUORVEX TABLEGEN RECORDS
set -euo pipefail
tool=$1 tablegen=$2 records=$3
dir=$(mktemp -d "${TMPDIR:-/tmp}/quorvex-large-XXXXXX")
trap 'rm -rf "$dir"' EXIT
for kind in sparse dups; do
  "$tablegen" --kind "$kind" --records "$records" --seed 11 --out "$dir/$kind" >/dev/null
  mkdir "$dir/$kind/run" && cd "$dir/$kind/run"
  cp ../AnimData.qz .
  "$tool" animdata.qz >/dev/null
  cmp AnimData.txt ../expected.txt
  rm AnimData.qz
  "$tool" animdata.txt >/dev/null
  cmp AnimData.qz ../expected.qz
  echo "$kind: $records records converted both ways, byte for byte"
done
