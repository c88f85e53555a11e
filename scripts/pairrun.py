"""One C program built twice: by tovra18 for a PIC18 and run in gpsim, and by
avr-gcc run in simavr as the reference (16-bit int, 32-bit long, like the
target). Shared by scripts/csmith and scripts/shapes."""
import os
import re
import shutil
import signal
import subprocess

REFUSALS = ("(687)", "(688)", "(702)", "(706)", "(712)")
AVR_MCU = "atmega1284p"


def sh(command, cwd, timeout):
    """Exit status (None on timeout) and output of a shell command."""
    # A session of its own, so that a timeout ends the simulator too, not
    # only the shell that started it.
    p = subprocess.Popen(command, shell=True, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                         start_new_session=True)
    try:
        out, _ = p.communicate(timeout=timeout)
        return p.returncode, out.decode(errors="replace")
    except subprocess.TimeoutExpired:
        os.killpg(p.pid, signal.SIGKILL)
        out, _ = p.communicate()
        return None, out.decode(errors="replace")


def missing_tools(tools=("avr-gcc", "simavr", "gpsim")):
    return [t for t in tools if not shutil.which(t)]


def first_line(text):
    lines = [l.strip() for l in text.splitlines() if l.strip()]
    for l in lines:
        if "error" in l or re.search(r"\(\d+\) ", l) or "Assertion" in l:
            return l
    return lines[0] if lines else "(no output)"


def refusal_lines(output):
    """The lines of main.c that refusals name, and the first refusal."""
    found, first = [], None
    for line in output.splitlines():
        if any(r in line for r in REFUSALS):
            first = first or line.strip()
            m = re.match(r"main\.c: (\d+):", line.strip())
            if m:
                found.append(int(m.group(1)))
    return found, first


def tovra18(work, stage, chip, options="", timeout=300):
    """Builds work/main.c. Verdict ("built", "refused", "crash"), detail and
    the compiler's output."""
    with open(os.path.join(work, "registry"), "w"):
        pass
    for old in ("main.hex", "main.sym"):
        if os.path.exists(os.path.join(work, old)):
            os.unlink(os.path.join(work, old))
    status, out = sh("TOVRA18_REGISTRY='%s/registry' '%s/bin/tovra18' --chip=%s --output=intel --errors=1000 %s main.c"
                     % (work, stage, chip, options), work, timeout)
    with open(os.path.join(work, "compiler.txt"), "w") as f:
        f.write(out)
    if status is None:
        return "crash", "tovra18 took more than %d s" % timeout, out
    if status == 0 and os.path.exists(os.path.join(work, "main.hex")):
        return "built", "", out
    errors = [l.strip() for l in out.splitlines() if re.search(r"\(\d+\) ", l) and "(warning)" not in l
              and "(908)" not in l and not any(r in l for r in REFUSALS)]
    lines, first = refusal_lines(out)
    if first and not errors and status == 1:
        return "refused", first, out
    detail = errors[0] if errors else first_line(out)
    return "crash", detail + ("" if status in (0, 1) else " (exit status %s)" % status), out


def symbols(work):
    table = {}
    with open(os.path.join(work, "main.sym")) as f:
        for line in f:
            fields = line.split()
            if len(fields) >= 2:
                try:
                    table[fields[0]] = int(fields[1], 16)
                except ValueError:
                    pass
    return table


def gpsim(work, chip, marker, cycles, timeout=600):
    """Runs work/main.hex until the marker address: the RAM (address to
    byte), or None when the marker was not reached."""
    with open(os.path.join(work, "run.stc"), "w") as f:
        f.write("break e 0x%x\nbreak c %d\nrun\ndump r\nquit\n" % (marker, cycles))
    status, out = sh("gpsim -i -p p%s -c run.stc main.hex < /dev/null" % chip.lower(), work, timeout)
    with open(os.path.join(work, "gpsim.txt"), "w") as f:
        f.write(out)
    if "PC      = %x " % marker not in out:
        return None
    ram = {}
    for line in out.splitlines():
        m = re.match(r"([0-9a-f]{4}):((?:\s+[0-9a-f]{2}){16})", line)
        if m:
            row = int(m.group(1), 16)
            for i, b in enumerate(m.group(2).split()):
                ram[row + i] = int(b, 16)
    return ram


def avr(work, source, includes=(), seconds=30):
    """Builds source (a file of work) with avr-gcc and runs it in simavr:
    what the program wrote to its UART, or None with the reason."""
    flags = " ".join("-I'%s'" % i for i in includes)
    status, out = sh("avr-gcc -mmcu=%s -Os -fwrapv -funsigned-char -w %s -o ref.elf %s" % (AVR_MCU, flags, source),
                     work, 120)
    if status != 0:
        return None, "avr-gcc: " + first_line(out)
    status, out = sh("simavr -m %s -f 16000000 ref.elf" % AVR_MCU, work, seconds)
    # simavr prints the UART in coloured lines of its own length.
    text = re.sub(r"\x1b\[[0-9;]*m", "", out).replace("\n", "")
    with open(os.path.join(work, "simavr.txt"), "w") as f:
        f.write(text)
    if status is None:
        return None, "simavr: no end within %d s" % seconds
    return text, ""


# The reference's end: the program writes its results to the UART, then
# sleeps with interrupts off, which ends simavr.
AVR_UART = r"""#include <avr/io.h>
#include <avr/interrupt.h>
#include <avr/sleep.h>
static void pair_put(char c)
{
  while (!(UCSR0A & (1 << UDRE0)))
    continue;
  UDR0 = c;
}
static void pair_hex(const volatile void *p, unsigned n)
{
  const volatile unsigned char *b = (const volatile unsigned char *)p;
  UCSR0B = 1 << TXEN0;
  pair_put('=');
  while (n--) {
    pair_put("0123456789abcdef"[*b >> 4]);
    pair_put("0123456789abcdef"[*b & 15]);
    b++;
  }
}
static void pair_end(void)
{
  pair_put('\n');
  cli();
  sleep_mode();
}
"""
