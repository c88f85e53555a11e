#!/usr/bin/env python3
"""Times parsk on generated sources and prints the time and the peak memory.

  bench_parsk.py decls   [N]   a header of N declarations (default 20000)
  bench_parsk.py program [N]   a program of about N lines through prevo | parsk
                               (default 50000)

The programs are taken from the staged installation of a build tree given by
TOVRA_STAGE (default: build/parsk/install beside this repository).
"""
import os
import resource
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
STAGE = os.environ.get('TOVRA_STAGE', os.path.join(HERE, '..', '..', 'build', 'parsk', 'install'))
BIN = os.path.join(STAGE, 'bin')
EDF = '--edf=' + os.path.join(STAGE, 'dat', 'en_msgs.txt')


def declarations(n):
    out = ['# 1 "big.h"\n']
    kinds = 6
    for i in range(n):
        k = i % kinds
        if k == 0:
            out.append('typedef struct s%d { int a; char b[4]; struct s%d *next; unsigned f : 3; } T%d;\n' % (i, i, i))
        elif k == 1:
            out.append('extern int f%d(int x, const char *p, T%d *t, ...);\n' % (i, i - 1))
        elif k == 2:
            out.append('enum e%d { A%d, B%d = %d, C%d };\n' % (i, i, i, i, i))
        elif k == 3:
            out.append('extern unsigned long v%d[%d];\n' % (i, i % 97 + 1))
        elif k == 4:
            out.append('typedef int (*h%d)(T%d *, enum e%d);\n' % (i, i - 4, i - 2))
        else:
            out.append('static const char *names%d[] = { "x%d", "y" };\n' % (i, i))
    out.append('int main(void) { return f1(1, "a", 0); }\n')
    return ''.join(out)


def program(lines):
    out = ['#define NULL ((void *)0)\n', 'typedef struct node { struct node *next; int key; unsigned flags : 4; } node;\n',
           'static int table[64];\nint printf(const char *fmt, ...);\n']
    i = 0
    while sum(s.count('\n') for s in out) < lines:
        out.append('''
#define SCALE_%d(x) ((x) * %d + 1)
static int work%d(node *list, int n)
{
    int total = 0, k;
    node *p;
    for (p = list; p != NULL; p = p->next) {
        switch (p->key & 3) {
        case 0: total += SCALE_%d(p->key); break;
        case 1: total -= table[p->key & 63]; break;
        case 2: p->flags = (unsigned)(total & 15); break;
        default: total ^= n;
        }
    }
    for (k = 0; k < n; k++)
        table[k & 63] += k > 10 ? k / 3 : -k;
    while (total > 1000)
        total >>= 1;
    return total;
}
''' % (i, i % 7 + 2, i, i))
        i += 1
    out.append('int main(void)\n{\n    node n = { NULL, 1, 0 };\n    int s = 0;\n')
    for k in range(i):
        out.append('    s += work%d(&n, %d);\n' % (k, k % 50))
    out.append('    printf("%d\\n", s);\n    return 0;\n}\n')
    return ''.join(out)


def run(cmd, cwd):
    start = time.time()
    p = subprocess.run(cmd, cwd=cwd, shell=True, stderr=subprocess.PIPE)
    elapsed = time.time() - start
    peak = resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss
    return p.returncode, elapsed, peak, p.stderr.decode(errors='replace')


def main():
    mode = sys.argv[1] if len(sys.argv) > 1 else 'decls'
    with tempfile.TemporaryDirectory() as d:
        if mode == 'decls':
            n = int(sys.argv[2]) if len(sys.argv) > 2 else 20000
            src = declarations(n)
            open(os.path.join(d, 'big.i'), 'w').write(src)
            cmd = '"%s/parsk" %s big.i big.parsk' % (BIN, EDF)
            what = '%d declarations, %d bytes' % (n, len(src))
        else:
            n = int(sys.argv[2]) if len(sys.argv) > 2 else 50000
            src = program(n)
            open(os.path.join(d, 'big.c'), 'w').write(src)
            cmd = '"%s/prevo" big.c | "%s/parsk" %s - big.parsk' % (BIN, BIN, EDF)
            what = '%d lines, %d bytes' % (src.count('\n'), len(src))
        status, elapsed, peak, err = run(cmd, d)
        size = os.path.getsize(os.path.join(d, 'big.parsk')) if os.path.exists(os.path.join(d, 'big.parsk')) else 0
        print('%s: %s' % (mode, what))
        print('status %d, %.3f s, peak memory %d KiB, output %d bytes' % (status, elapsed, peak, size))
        if status != 0:
            sys.stdout.write(err[:2000])
            return 1
    return 0


if __name__ == '__main__':
    sys.exit(main())
