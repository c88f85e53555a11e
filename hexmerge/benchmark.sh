#!/usr/bin/env bash
# hexmerge/benchmark.sh [tessik]: merges two 2 MiB Intel HEX images and puts
# a CRC over the result, once with tessik and once with srec_cat; prints both
# times and checks that the two images agree.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
tessik=${1:-$top/build/plain/install/bin/tessik}
tessik=$(realpath "$tessik")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

head -c 2097152 /dev/urandom >a.bin
head -c 2097152 /dev/urandom >b.bin
srec_cat a.bin -binary -o a.hex -intel
srec_cat b.bin -binary -offset 0x200000 -o b.hex -intel

seconds() {
  local start=$EPOCHREALTIME
  "$@" >/dev/null
  awk -v a="$start" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.3f", b - a }'
}

t_tessik=$(seconds "$tessik" a.hex b.hex -ck=0-3FFFFF@400000+1021w2g5 -Otessik.hex)
t_srec=$(seconds srec_cat '(' a.hex -intel b.hex -intel ')' -crc16-b-e 0x400000 -xmodem -o srec.hex -intel)
echo "tessik:   ${t_tessik} s"
echo "srec_cat: ${t_srec} s"
srec_cmp tessik.hex -intel srec.hex -intel && echo "images agree"
