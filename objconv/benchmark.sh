#!/usr/bin/env bash
# objconv/benchmark.sh [imprel]: converts a located object holding a 2 MiB
# image (random bytes, in TEXT records of 256 bytes) to Intel HEX, Motorola
# S-records, a binary image and Intel HEX with a checksum over the whole
# image; prints each time and checks every image against the bytes with
# srec_cmp.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
imprel=${1:-$top/build/plain/install/bin/imprel}
imprel=$(realpath "$imprel")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

head -c 2097152 /dev/urandom >image.bin
python3 - <<'EOF'
import struct
data = open("image.bin", "rb").read()
def record(kind, body):
    return struct.pack("<HB", len(body), kind) + body
out = bytearray(record(7, bytes([0, 1, 2, 3, 0, 1]) + b"BENCH\0"))
for at in range(0, len(data), 256):
    out += record(1, struct.pack("<I", at) + b"text\0" + data[at:at + 256])
out += record(5, struct.pack("<I", 0) + b"text\0")
out += record(6, struct.pack("<H", 0))
open("l.obj", "wb").write(out)
EOF
echo "0-1FFFFF 200000-200003" >sum.txt

seconds() {
  local start=$EPOCHREALTIME
  "$@" >/dev/null 2>&1
  awk -v a="$start" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.3f", b - a }'
}

echo "Intel HEX (-i -16,2): $(seconds "$imprel" -i -16,2 l.obj i.hex) s"
echo "Motorola (-m):        $(seconds "$imprel" -m l.obj m.s19) s"
echo "binary (-b):          $(seconds "$imprel" -b l.obj b.bin) s"
echo "checksum (-C):        $(seconds "$imprel" -i -Csum.txt l.obj c.hex) s"
srec_cmp i.hex -intel image.bin -binary
srec_cmp m.s19 -motorola image.bin -binary
cmp b.bin image.bin
srec_cmp c.hex -intel -crop 0 0x200000 image.bin -binary
echo "images agree"
