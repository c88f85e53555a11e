#!/usr/bin/env python3
"""Times prevo and gcc -E on a generated 100,000-line source that uses
macros heavily (nested function-like calls, "#", "##", conditionals and a
header of several hundred definitions). Not a test: it prints both times.

Usage: bench_prevo.py PREVO [LINES]
"""
import os
import subprocess
import sys
import tempfile
import time


def header():
    out = ["#ifndef REGS_H", "#define REGS_H"]
    for n in range(400):
        out.append(f"#define REG{n} (0x{0xF00 + n:X})")
        out.append(f"#define BIT{n}(x) ((x) << ({n % 8}))")
    out += [
        "#define MAX(a, b) ((a) > (b) ? (a) : (b))",
        "#define MIN(a, b) ((a) < (b) ? (a) : (b))",
        "#define ABS(a) ((a) < 0 ? -(a) : (a))",
        "#define CLAMP(x, lo, hi) MIN(MAX(x, lo), hi)",
        "#define CAT(a, b) a ## b",
        "#define XCAT(a, b) CAT(a, b)",
        "#define STR(x) #x",
        "#define XSTR(x) STR(x)",
        "#define FIELD(s, n) XCAT(s, XCAT(_f, n))",
        "#define SET(r, b) do { (r) |= BIT0(1) << (b); } while (0)",
        "#define LEVEL 4",
        "#define FEATURE",
        "#endif",
    ]
    return "\n".join(out) + "\n"


def source(lines):
    out = ['#include "regs.h"']
    n = 0
    while len(out) < lines:
        k = n % 400
        out += [
            f"int v{n} = CLAMP(a{n} + REG{k}, ABS(b{n}), MAX(REG{(k + 1) % 400}, c{n}));",
            f"FIELD(s, {n}) = XSTR(LEVEL) STR(value {n}) \"{n}\";",
            f"#if defined(FEATURE) && LEVEL > {n % 7}",
            f"  SET(port{k}, {n % 8}); x = BIT{k}(y{n}) | BIT{(k + 3) % 400}(z);",
            "#else",
            f"  never_{n}();",
            "#endif",
            f"/* comment {n} */ w = MIN(MAX(MIN(1, 2), MAX(3, 4)), MIN(5, MAX(6, 7)));",
        ]
        n += 1
    return "\n".join(out[:lines]) + "\n"


def best_time(command, folder, runs=3):
    best = None
    for _ in range(runs):
        start = time.perf_counter()
        p = subprocess.run(command, cwd=folder, stdout=subprocess.DEVNULL,
                           stderr=subprocess.PIPE)
        took = time.perf_counter() - start
        if p.returncode != 0:
            sys.exit(f"{command[0]} failed:\n{p.stderr.decode(errors='replace')}")
        best = took if best is None else min(best, took)
    return best


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    prevo = os.path.abspath(sys.argv[1])
    lines = int(sys.argv[2]) if len(sys.argv) > 2 else 100000
    with tempfile.TemporaryDirectory() as folder:
        with open(os.path.join(folder, "regs.h"), "w") as f:
            f.write(header())
        with open(os.path.join(folder, "bench.c"), "w") as f:
            f.write(source(lines))
        t_prevo = best_time([prevo, "bench.c", "bench.pre"], folder)
        t_gcc = best_time(["gcc", "-E", "-undef", "-nostdinc", "-std=c89", "bench.c",
                           "-o", "bench.i"], folder)
    print(f"{lines} lines: prevo {t_prevo:.3f} s, gcc -E {t_gcc:.3f} s "
          f"(prevo/gcc {t_prevo / t_gcc:.2f})")


if __name__ == "__main__":
    main()
