#!/usr/bin/env python3
"""Compares prevo with gcc's preprocessor over a corpus of C sources.

Usage: gcc_compare.py PREVO CORPUS_FOLDER   (exit status 77: no gcc here)

Both outputs are brought to lines of tokens: prevo's line markers give each
line its file and line number, empty lines are dropped, and gcc runs as
"gcc -E -P -undef -nostdinc -std=c89". The two must give the same tokens line
for line. The cases listed in INTENDED differ from standard C on purpose;
for them prevo's tokens are checked against the file "<case>.expected"
instead, and gcc must give something else.
"""
import os
import re
import subprocess
import sys

GCC = ["gcc", "-E", "-P", "-undef", "-nostdinc", "-std=c89"]

# Where this preprocessor differs from standard C on purpose.
INTENDED = {
    "if_arith32.c": "#if arithmetic is 32 bits wide, / and % are unsigned, "
                    "character constants are not sign-extended",
    "line_comment.c": '"//" begins a comment',
    "pragma_expand.c": "#pragma lines are macro-expanded",
    "ident_length.c": "names are told apart by their first 31 characters",
    "string_splice.c": "a backslash-newline inside a string stays for the parser",
    "asm_block.c": "#asm blocks pass to the parser",
    "directives.c": "#assert, #warning and #ident",
    "sizeof_if.c": "sizeof over type words in #if",
}

PUNCTUATORS = sorted(
    "... <<= >>= -> ++ -- << >> <= >= == != && || *= /= %= += -= &= ^= |= ##".split(),
    key=len, reverse=True)
TOKEN = re.compile(
    r'[A-Za-z_$][A-Za-z0-9_$]*'
    r'|\.?[0-9](?:[eE][+-]|[0-9A-Za-z_$.])*'
    r'|"(?:\\.|[^"\\])*"?'
    r"|'(?:\\.|[^'\\])*'?"
    r'|' + '|'.join(re.escape(p) for p in PUNCTUATORS) +
    r'|\S')
MARKER = re.compile(r'^# (\d+)(?: "(.*)")?$')


def tokens(line):
    return TOKEN.findall(line)


def prevo_lines(text, source):
    """(file, line, tokens) for each line holding tokens."""
    result = []
    name, number = source, 1
    for line in text.split("\n"):
        m = MARKER.match(line)
        if m:
            number = int(m.group(1))
            if m.group(2) is not None:
                name = m.group(2)
            continue
        t = tokens(line)
        if t:
            result.append((name, number, t))
        number += 1
    return result


def gcc_lines(text):
    return [t for t in (tokens(line) for line in text.split("\n")) if t]


def run(command, folder):
    p = subprocess.run(command, cwd=folder, capture_output=True, text=True,
                       encoding="latin-1")
    return p.returncode, p.stdout, p.stderr


def compare(prevo_out, expected, label):
    """Reports the first line where the two differ; True when they agree."""
    for k, (got, want) in enumerate(zip(prevo_out, expected)):
        if got[2] != want:
            print(f"{label}: {got[0]}:{got[1]}: prevo gives {' '.join(got[2])!r}, "
                  f"expected {' '.join(want)!r}")
            return False
    if len(prevo_out) != len(expected):
        print(f"{label}: prevo gives {len(prevo_out)} lines of tokens, expected {len(expected)}")
        k = min(len(prevo_out), len(expected))
        extra = prevo_out[k:k + 1] or [("", 0, expected[k])]
        print(f"  first line beyond the other: {' '.join(extra[0][2])!r}")
        return False
    return True


def main():
    if len(sys.argv) != 3:
        print(__doc__)
        return 2
    prevo, folder = os.path.abspath(sys.argv[1]), sys.argv[2]
    if subprocess.run(["gcc", "--version"], capture_output=True).returncode != 0:
        print("gcc is not available: nothing compared")
        return 77
    cases = sorted(f for f in os.listdir(folder) if f.endswith(".c"))
    failures = 0
    for case in cases:
        status, out, err = run([prevo, case], folder)
        if status != 0:
            print(f"{case}: prevo exits with {status}\n{err}")
            failures += 1
            continue
        got = prevo_lines(out, case)
        g_status, g_out, g_err = run(GCC + [case], folder)
        if case in INTENDED:
            with open(os.path.join(folder, case[:-2] + ".expected"), encoding="latin-1") as f:
                expected = gcc_lines(f.read())
            ok = compare(got, expected, case)
            if ok and g_status == 0 and [t for _, _, t in got] == gcc_lines(g_out):
                print(f"{case}: gcc now agrees, though the case is listed as an intended "
                      f"difference ({INTENDED[case]})")
                ok = False
            print(f"{case}: {'ok' if ok else 'FAILED'} (intended difference: {INTENDED[case]})")
        else:
            if g_status != 0:
                print(f"{case}: gcc exits with {g_status}\n{g_err}")
                failures += 1
                continue
            ok = compare(got, gcc_lines(g_out), case)
            print(f"{case}: {'ok' if ok else 'FAILED'}")
        failures += not ok
    for case in INTENDED:
        if case not in cases:
            print(f"{case}: listed as an intended difference but missing from the corpus")
            failures += 1
    print(f"{len(cases) - failures} of {len(cases)} cases agree")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
