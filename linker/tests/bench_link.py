#!/usr/bin/env python3
"""Times jointa on a generated program: 200 modules of 100 global symbols
each (20,000 symbols), every module calling into others through relocated
fields, with a map and a symbol file.

    bench_link.py [path/to/jointa] [modules] [symbols per module]
"""
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import time


def record(kind, body):
    return struct.pack('<HB', len(body), kind) + body


def text(s):
    return s.encode() + b'\0'


def module(index, modules, per_module):
    out = record(7, bytes([0, 1, 2, 3, 0, 1]) + text('PIC18') + bytes([3, 4]))
    out += record(2, struct.pack('<H', 0x10) + text('text'))
    out += record(2, struct.pack('<H', 0x10) + text('bss'))
    code = bytes(4 * per_module)
    out += record(1, struct.pack('<I', 0) + text('text') + code[:400])
    # Each function calls a symbol of the next module.
    target = (index + 1) % modules
    relocs = b''
    for n in range(0, 100, 2):
        entry = struct.pack('<HB', 2 * n, 0x23) + text('_f%d_%d' % (target, n))
        if len(relocs) + len(entry) > 509:
            out += record(3, relocs)
            relocs = b''
        relocs += entry
    out += record(3, relocs)
    if len(code) > 400:
        out += record(1, struct.pack('<I', 400) + text('text') + code[400:800])
    out += record(1, struct.pack('<I', 64) + text('bss'))
    syms = []
    for n in range(per_module):
        syms.append(struct.pack('<IH', 4 * n, 0x10) + text('text') + text('_f%d_%d' % (index, n)))
    for n in range(0, 100, 2):
        syms.append(struct.pack('<IH', 0, 0x16) + text('') + text('_f%d_%d' % (target, n)))
    for n in range(8):
        syms.append(struct.pack('<IH', 8 * n, 0x00) + text('bss') + text('local%d' % n))
    body = b''
    for s in syms:
        if len(body) + len(s) > 509:
            out += record(4, body)
            body = b''
        body += s
    out += record(4, body)
    if index == 0:
        out += record(5, struct.pack('<I', 0) + text('text'))
    out += record(6, struct.pack('<H', 0))
    return out


def main():
    jointa = sys.argv[1] if len(sys.argv) > 1 else 'jointa'
    modules = int(sys.argv[2]) if len(sys.argv) > 2 else 200
    per_module = int(sys.argv[3]) if len(sys.argv) > 3 else 100
    folder = tempfile.mkdtemp(prefix='bench_link_')
    try:
        names = []
        for i in range(modules):
            name = os.path.join(folder, 'm%03d.obj' % i)
            with open(name, 'wb') as f:
                f.write(module(i, modules, per_module))
            names.append(name)
        args = [jointa, '-Ptext=0,bss=100000h', '-M' + os.path.join(folder, 'l.map'),
                '-H' + os.path.join(folder, 'l.sym'), '-O' + os.path.join(folder, 'l.obj')] + names
        start = time.monotonic()
        result = subprocess.run(args, capture_output=True, text=True)
        elapsed = time.monotonic() - start
        print('%d modules, %d symbols: %.3f s (exit status %d)' %
              (modules, modules * per_module, elapsed, result.returncode))
        if result.returncode != 0:
            print(result.stderr[:2000])
            return 1
        return 0
    finally:
        shutil.rmtree(folder)


if __name__ == '__main__':
    sys.exit(main())
