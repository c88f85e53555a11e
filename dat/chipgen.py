#!/usr/bin/env python3
"""Writes the chip database, dat/tovra-18.ini, from the PIC18 device data that
gputils installs: every part with a generic linker script 18*_g.lkr and its
assembler header p18*.inc. Run it when the device data changes and commit
the result; the build itself needs no gputils.

    python3 dat/chipgen.py [--gputils /usr/share/gputils] [--out dat/tovra-18.ini]

Where each fact comes from:

  linker script   program memory (the code page), the configuration range
                  of J parts, EEPROM, the access-bank split (COMMON) and the
                  general-purpose banks (RAMSIZE: from address 0 up to the
                  first address that is no general-purpose RAM), read as
                  for the non-extended instruction set
  header          every special function register, its bits, the names of
                  register pairs (NAME beside NAMEL and NAMEH), and the
                  names of the configuration settings (the CONFIG list)
  gpasm -s -p     each configuration byte: address, mask, unprogrammed
                  value, and the bits of each setting's options
  gpasm -c        the processor id the object header carries (PROCID)

Facts the device data does not hold, derived by the family rules of the
data sheets (see the functions named):
  flash_blocks    flash erase and write block sizes
  debug_ranges    program memory and RAM the debug executive reserves
  ERRATA          the 4000h-boundary fetch work-around of the 18FXX2
"""

import argparse
import os
import re
import subprocess
import sys
import tempfile

HEADER = """\
# Chip database of the tovra18 driver, written by dat/chipgen.py from the
# public PIC18 device data; change that script, not this file.
#
# Lines before the first section hold defaults shared by every chip; each
# [NAME] section describes one chip. Keys and names ignore letter case; every
# number is hexadecimal. A value is one token (no blanks, "=" or ":").
#
#   ARCH         architecture (PIC18)
#   PROCID       processor identifier written into PIC COFF files
#   LIB          library key of the device p-code libraries
#   ROMSIZE      program memory in bytes (for J chips: up to the
#                configuration words, which sit at the end of flash)
#   RAMSIZE      general purpose RAM in bytes, from address 0
#   COMMON       access-bank RAM range
#   EEPROMSIZE   data EEPROM in bytes
#   EXTMEM       the chip has an external memory bus (value ignored)
#   STACKDEPTH   hardware return stack depth
#   FLASH_EW     flash erase block size, write block size
#   ICD2ROM/ICD2RAM, REALICEROM/REALICERAM
#                program memory and file registers the debug executive takes
#   ERRATA       silicon errata work-arounds needed by default
#   CFGS_UNPROG  configuration word number, unprogrammed value, ...
#                (word n is the byte pair at offset 2(n-1) of the
#                configuration memory, high byte first in the value)
#   CONFIG       one configuration setting: NAME,BYTE,MASK,OPTION/VALUE,...
#                the setting's name, the offset of its byte in the
#                configuration memory, the bits it takes there, and each
#                option's name with those bits' value; a long setting
#                continues on further CONFIG lines of the same NAME
#
# Special function registers (for the chip headers the build writes; the
# driver reads nothing from these keys):
#
#   SFR          NAME[/ALIAS...],ADDRESS[,BIT0,BIT1,...,BIT7]
#                one register: its names, its address, then the names of
#                its bits from bit 0 up. An empty item is a bit without a
#                name; unnamed bits at the top are left out. An item may
#                give several names for one bit, separated by "/". NAME*W
#                is a field of W bits whose single bits are NAME0, NAME1,
#                ...; a field's other names carry the same width.
#   SFR16        register pairs read as one 16-bit value: NAME stands for
#                NAMEL at the lower address and NAMEH above it
#   SFRFROM      the chip has the registers and pairs of the chip named;
#                without it a chip starts from the SFR and SFR16 lines
#                before the first section (the core every PIC18 has). A
#                chip's own SFR line then replaces the register at the
#                same address, or adds one.

ARCH=PIC18
LIB=18
"""

# The core registers of every PIC18, the defaults' SFR lines.
CORE = [
    "STATUS,FD8,C,DC,Z,OV,N", "FSR2L,FD9", "FSR2H,FDA", "PLUSW2,FDB", "PREINC2,FDC",
    "POSTDEC2,FDD", "POSTINC2,FDE", "INDF2,FDF", "BSR,FE0", "FSR1L,FE1", "FSR1H,FE2",
    "PLUSW1,FE3", "PREINC1,FE4", "POSTDEC1,FE5", "POSTINC1,FE6", "INDF1,FE7", "WREG,FE8",
    "FSR0L,FE9", "FSR0H,FEA", "PLUSW0,FEB", "PREINC0,FEC", "POSTDEC0,FED", "POSTINC0,FEE",
    "INDF0,FEF", "PRODL,FF3", "PRODH,FF4", "TABLAT,FF5", "TBLPTRL,FF6", "TBLPTRH,FF7",
    "TBLPTRU,FF8", "PCL,FF9", "PCLATH,FFA", "PCLATU,FFB", "STKPTR,FFC,SP*5,,STKUNF,STKFUL/STKOVF",
    "TOSL,FFD", "TOSH,FFE", "TOSU,FFF",
]
CORE_PAIRS = ["PROD"]

# The chip reader takes at most 255 characters a line.
LINE_MAX = 250

# Names the header gives other meanings (multi-byte pointers, the program
# counter as one name, FSR numbers): they are no 8-bit register of their own.
NOT_REGISTERS = {"TBLPTR", "TOS", "PC", "FSR0", "FSR1", "FSR2", "W", "A", "ACCESS", "BANKED", "FAST"}

# Parts of the 18FXX2 family whose silicon needs the 4000h-boundary work-around
# by default (their errata sheets).
ERRATA = {"18F242": "4000", "18F252": "4000", "18F442": "4000", "18F452": "4000"}


def hexnum(text):
    return int(text, 16) if text.lower().startswith("0x") else int(text, 0)


# ---------------------------------------------------------------- linker script

def read_linker_script(path):
    """Code page, configuration range, EEPROM, access RAM and GPR banks, taking
    the non-extended branch of every #IFDEF _EXTENDEDMODE."""
    pages, banks, access = [], [], []
    stack = []  # (condition true?) per open #IFDEF
    for line in open(path, encoding="latin-1"):
        s = line.strip()
        if s.startswith("//") or not s:
            continue
        if s.startswith("#IFDEF"):
            stack.append(False)  # none of _CRUNTIME, _EXTENDEDMODE, _DEBUGSTACK
            continue
        if s.startswith("#ELSE"):
            stack[-1] = not stack[-1]
            continue
        if s.startswith("#FI"):
            stack.pop()
            continue
        if not all(stack):
            continue
        words = s.split()
        fields = dict(w.split("=", 1) for w in words[1:] if "=" in w)
        protected = "PROTECTED" in words
        if words[0] == "CODEPAGE":
            pages.append((fields["NAME"], hexnum(fields["START"]), hexnum(fields["END"]), protected))
        elif words[0] == "DATABANK":
            banks.append((fields["NAME"], hexnum(fields["START"]), hexnum(fields["END"]), protected))
        elif words[0] == "ACCESSBANK":
            access.append((fields["NAME"], hexnum(fields["START"]), hexnum(fields["END"]), protected))
    return pages, banks, access


# ---------------------------------------------------------------- header

class Register:
    def __init__(self, address):
        self.address = address
        self.names = []
        self.blocks = []  # bit blocks as the header lists them: [(name, position)]


def read_header(path):
    """Registers by address (names in header order), the names of pairs and the
    configuration settings' names (setting -> option names)."""
    registers = {}
    by_name = {}
    section = None
    block = None
    settings = {}
    setting_order = []
    in_config_list = False
    for raw in open(path, encoding="latin-1"):
        line = raw.rstrip("\n")
        m = re.match(r";-----\s+(.*?)\s+-{3,}", line)
        if m:
            title = m.group(1)
            block = None
            if title == "Register Files":
                section = "registers"
            elif title.endswith(" Bits"):
                section = ("bits", title[:-5].split()[0])
            else:
                section = None
            continue
        if "superseded by the CONFIG directive" in line:
            in_config_list = True
            continue
        if in_config_list:
            if line.startswith(";====="):
                if setting_order:
                    in_config_list = False
                continue
            m = re.match(r";\s+([A-Za-z0-9_]+)\s*=\s*(\S+)", line)
            if m:
                name, option = m.group(1), m.group(2)
                if name not in settings:
                    settings[name] = []
                    setting_order.append(name)
                if option not in settings[name]:
                    settings[name].append(option)
            continue
        if line.startswith(";"):
            section = None if line.startswith(";=====") else section
            continue
        if not line.strip():
            block = None
            continue
        m = re.match(r"\s*([A-Za-z_][A-Za-z0-9_]*)\s+EQU\s+H'([0-9A-Fa-f]+)'", line)
        if not m or section is None:
            continue
        name, value = m.group(1), int(m.group(2), 16)
        if section == "registers":
            if value > 0xFFF or name in NOT_REGISTERS:
                continue
            reg = registers.setdefault(value, Register(value))
            if name not in reg.names and name not in by_name:
                reg.names.append(name)
                by_name[name] = reg
        else:
            reg = by_name.get(section[1])
            if reg is None or value > 7:
                continue
            if block is None:
                block = []
                reg.blocks.append(block)
            block.append((name, value))
    return registers, by_name, settings, setting_order


def pair_names(registers, by_name):
    """A name the header gives to NAMEL's address, with NAMEH just above: the
    16-bit register pair. The name itself is then no 8-bit alias."""
    pairs = []
    for reg in registers.values():
        for name in list(reg.names):
            low, high = by_name.get(name + "L"), by_name.get(name + "H")
            if low is reg and high is not None and high.address == reg.address + 1 and name + "U" not in by_name:
                pairs.append(name)
                reg.names.remove(name)
    return sorted(pairs)


def is_c_name(name):
    return re.fullmatch(r"[A-Za-z_][A-Za-z0-9_]*", name) is not None


def runs_of(block):
    """The block split into runs NAME0..NAMEk-1 at consecutive positions
    (k >= 2), each (NAME, first position, k), and the names outside runs."""
    runs, rest, i = [], [], 0
    while i < len(block):
        m = re.fullmatch(r"([A-Za-z_][A-Za-z0-9_]*?)0", block[i][0])
        k = 1
        if m:
            prefix, start = m.group(1), block[i][1]
            while i + k < len(block) and block[i + k] == (prefix + str(k), start + k):
                k += 1
        if k >= 2:
            runs.append((prefix, start, k))
        else:
            rest.append(block[i])
        i += k
    return runs, rest


PIN_REGISTER = re.compile(r"(PORT|LAT|TRIS|DDR)[A-L]$")


def name_order(names):
    """The data sheet's name first: after it an active-low bit's NOT_ name
    (the data sheet writes a bar), a serial-port mode's I2C_ name, and a
    name joining two others (GIE_GIEH beside GIE and GIEH)."""
    def joined(n):
        return any(n == a + "_" + b for a in names for b in names)
    return sorted(names, key=lambda n: ("NOT_" in n) + n.startswith("I2C_") + joined(n))


def bit_items(reg):
    """The bit items of one register, by position: a list of (names, position,
    width). A run NAME0, NAME1, ... of the header is a field (T0PS*3), other
    runs over the same bits its other names, unless a bit there has a name of
    its own; the pins of a port stay single bits."""
    singles = {}  # position -> names
    spans = {}    # (start, width) -> field names
    blocks = []
    for block in reg.blocks:
        if block not in blocks:  # a register's aliases repeat its blocks
            blocks.append(block)
    pins = any(PIN_REGISTER.match(n) for n in reg.names)
    for block in blocks:
        runs, _ = runs_of(block)
        # A run may be a field and a bit beyond it (T0PS0..T0PS2 and T0PS3,
        # which is PSA): every shorter run from the same bit is a candidate.
        for prefix, start, width in runs:
            for w in range(width, 1, -1):
                if not pins:
                    spans.setdefault((start, w), []).append(prefix)
        for name, position in block:
            names = singles.setdefault(position, [])
            if name not in names and is_c_name(name):
                names.append(name)
    # The pins of a port have one name each: a pin's other functions belong
    # to their peripherals' registers, and a port's name is the PORT
    # register's (RA0), not the TRIS or LAT register's.
    if pins:
        for position, names in singles.items():
            own = [n for n in names if not (re.fullmatch(r"R[A-L]\d", n) and not reg.names[0].startswith("PORT"))]
            singles[position] = own[:1]
    # A name given at two positions keeps the first.
    seen = set()
    for position in sorted(singles):
        singles[position] = [n for n in singles[position] if not (n in seen or seen.add(n))]
    items = []
    taken = set()
    for (start, width), prefixes in sorted(spans.items(), key=lambda span: -span[0][1]):
        bits = range(start, start + width)
        if any(p in taken for p in bits):
            continue
        field_bits = {p + str(k) for p in prefixes for k in range(width)}
        if any(set(singles.get(p, [])) - field_bits for p in bits):
            continue
        # A field named like its register reads worse: other names first.
        prefixes = sorted(dict.fromkeys(prefixes), key=lambda p: p in reg.names)
        items.append((prefixes, start, width))
        taken.update(bits)
    for position, names in singles.items():
        if position not in taken and names:
            items.append((name_order(names), position, 1))
    return sorted(items, key=lambda item: item[1])


def sfr_line(reg, keep_aliases=True):
    names = reg.names if keep_aliases else reg.names[:1]
    text = "/".join(names) + ",%X" % reg.address
    items = bit_items(reg)
    if not items:
        return text
    parts, position = [], 0
    for names, start, width in items:
        while position < start:
            parts.append("")
            position += 1
        if width > 1:
            parts.append("/".join("%s*%d" % (n, width) for n in names))
        else:
            parts.append("/".join(names))
        position += width
    line = text + "," + ",".join(parts)
    if len(line) > LINE_MAX - len("SFR="):
        # Too long for the chip reader: the first name of each bit only.
        parts = [p.split("/")[0] for p in parts]
        line = text + "," + ",".join(parts)
    if len(line) > LINE_MAX - len("SFR=") and keep_aliases:
        return sfr_line(reg, False)
    return line


# ---------------------------------------------------------------- gpasm

def gpasm_properties(part):
    """Configuration bytes from gpasm -s: [(address, mask, default,
    [(setting, [(option, value)])])], and the access split."""
    out = subprocess.run(["gpasm", "-s", "-p", part], capture_output=True, text=True, check=True).stdout
    words, split = [], None
    for line in out.splitlines():
        m = re.match(r"\s*Config Word\s*: address = (0x[0-9A-F]+), mask = (0x[0-9A-F]+), default = (0x[0-9A-F]+)", line)
        if m:
            words.append((int(m.group(1), 16), int(m.group(2), 16), int(m.group(3), 16), []))
            continue
        m = re.match(r"\s*Directive:\s*(\S+)", line)
        if m:
            words[-1][3].append((m.group(1), []))
            continue
        m = re.match(r"\s*Option:\s*(\S+)\s*=\s*(0x[0-9A-F]+)", line)
        if m:
            words[-1][3][-1][1].append((m.group(1), int(m.group(2), 16)))
            continue
        m = re.match(r"Access Split\s*:\s*(0x[0-9A-F]+)", line)
        if m:
            split = int(m.group(1), 16)
    return words, split


def processor_id(part):
    """The processor type gpasm writes into an object's optional header."""
    with tempfile.TemporaryDirectory() as tmp:
        source = os.path.join(tmp, "p.asm")
        with open(source, "w") as f:
            f.write("\tlist p=%s\n\tend\n" % part)
        subprocess.run(["gpasm", "-c", "-o", os.path.join(tmp, "p.o"), source], capture_output=True, check=True)
        data = open(os.path.join(tmp, "p.o"), "rb").read()
    # 20-byte file header, then the optional header: magic, version stamp,
    # processor type (32 bits, little-endian).
    return int.from_bytes(data[26:30], "little")


# ---------------------------------------------------------------- family rules

def flash_blocks(name, rom):
    """Flash erase and write block sizes by family, as the data sheets' flash
    program memory chapters give them; None for one-time programmable parts."""
    n = name.upper()
    if n.startswith("18C"):
        return None
    if "J" in n:
        return (0x400, 0x40)           # J parts: 1024-byte erase, 64-byte write
    if re.match(r"18L?F1[34]K(22|50)", n):
        return (0x40, 0x10 if n.endswith(("14K22", "14K50")) else 0x08)
    if re.match(r"18L?F\d\dK(20)", n):
        return (0x40, {0x2000: 0x10, 0x4000: 0x20}.get(rom, 0x40))
    if "K" in n:
        return (0x40, 0x40)            # K22, K50, K80, K90: 64-byte rows
    # 18F parts without K or J: the write block grew with the families.
    if re.match(r"18F(242|252|442|452|248|258|448|458|1220|1320|1230|1330|2220|2320|4220|4320|"
                r"2221|2321|4221|4321|2331|2431|4331|4431|2439|2539|4439|4539|"
                r"6520|6620|6720|8520|8620|8720|6525|6621|8525|8621|6585|6680|8585|8680)$", n):
        return (0x40, 0x08)
    if rom <= 0x8000:
        return (0x40, 0x20)            # 2410..4520, 2455..4553, 2480..4580, 2450/4450
    return (0x40, 0x40)                # 48 KB and up: 2515..4620, 6527.., 8722..


def debug_ranges(name, rom_top, ram_top, has_usb, j_part, flash_end):
    """What the debug executive takes: the top 240h bytes of program memory
    (J parts: 280h below the end of flash, less the configuration words) and
    the top 12 bytes of the last general-purpose bank below the SFR bank; on
    USB parts whose buffer RAM starts at 400h (or 200h), below that."""
    if j_part:
        rom = (flash_end - 0x280, rom_top)
    else:
        rom = (rom_top + 1 - 0x240, rom_top)
    ram_end = min((ram_top + 1) & ~0xFF, 0xF00)
    if has_usb and not j_part:
        ram_end = min(ram_end, 0x400 if ram_top >= 0x400 else 0x200)
    return rom, (ram_end - 12, ram_end - 1)


# ---------------------------------------------------------------- one part

def make_part(gputils, lkr_name):
    part = lkr_name[:-len("_g.lkr")]
    name = part.upper()
    pages, banks, access = read_linker_script(os.path.join(gputils, "lkr", lkr_name))
    registers, by_name, setting_names, setting_order = read_header(os.path.join(gputils, "header", "p%s.inc" % part))
    config_bytes, split = gpasm_properties(part)
    keys = []

    code = [p for p in pages if not p[3]]
    rom_top = code[0][2]
    j_part = "J" in name
    config_page = [p for p in pages if p[0] in ("config", "cfgmem")][0]
    config_base = config_page[1]
    # J parts: flash ends at the erase block that holds the configuration words.
    flash_end = (config_page[2] + 0x400) & ~0x3FF if j_part else rom_top + 1

    # General-purpose RAM from 0 up to the first hole.
    gpr = sorted((b[1], b[2]) for b in banks + access if not b[3])
    ram = 0
    for lo, hi in gpr:
        if lo <= ram:
            ram = max(ram, hi + 1)
    common = [a for a in access if not a[3]][0]
    eedata = [p for p in pages if p[0] == "eedata"]
    has_usb = "UCON" in by_name

    keys.append("PROCID=%X" % processor_id(part))
    keys.append("ROMSIZE=%X" % (rom_top + 1))
    keys.append("RAMSIZE=%X" % ram)
    keys.append("COMMON=%X-%X" % (common[1], common[2]))
    keys.append("STACKDEPTH=1F")
    if eedata:
        keys.append("EEPROMSIZE=%X" % (eedata[0][2] - eedata[0][1] + 1))
    if "MEMCON" in by_name:
        keys.append("EXTMEM=1")
    blocks = flash_blocks(name, rom_top + 1)
    if blocks:
        keys.append("FLASH_EW=%X,%X" % blocks)
    # The one-time programmable 18C parts have no debug executive.
    if not name.startswith("18C"):
        rom_dbg, ram_dbg = debug_ranges(name, rom_top, ram - 1, has_usb, j_part, flash_end)
        for key, (lo, hi) in (("ICD2ROM", rom_dbg), ("ICD2RAM", ram_dbg), ("REALICEROM", rom_dbg),
                              ("REALICERAM", ram_dbg)):
            keys.append("%s=%X-%X" % (key, lo, hi))
    if name in ERRATA:
        keys.append("ERRATA=" + ERRATA[name])

    # Configuration words: the byte pairs from the configuration base. An
    # unimplemented byte reads 0, but flash (J parts) reads erased, FFh.
    present = {addr - config_base: (mask, default) for addr, mask, default, _ in config_bytes}
    size = config_page[2] - config_page[1] + 1
    unprog = []
    for n in range(1, size // 2 + 1):
        lo, hi = present.get(2 * (n - 1)), present.get(2 * (n - 1) + 1)
        if lo is None and hi is None:
            continue
        blank = 0xFF if j_part else 0x00
        value = ((hi[1] if hi else blank) << 8) | (lo[1] if lo else blank)
        if value:
            unprog.append("%X,%X" % (n, value))
    keys.append("CFGS_UNPROG=" + ",".join(unprog))
    # The settings under the header's names (the same as gpasm's, in its order).
    for addr, mask, default, settings in config_bytes:
        for setting, options in settings:
            if setting_names and setting not in setting_names:
                continue
            setting_mask = 0
            for _, value in options:
                setting_mask |= value
            # A one-bit setting whose options are 0 and the bit.
            setting_mask = setting_mask or mask
            head = "CONFIG=%s,%X,%X" % (setting, addr - config_base, setting_mask)
            line = head
            for option, value in options:
                item = ",%s/%X" % (option, value)
                if len(line) + len(item) > LINE_MAX:
                    keys.append(line)
                    line = head
                line += item
            keys.append(line)

    sfr = {}
    for reg in registers.values():
        if reg.names:
            sfr[reg.address] = sfr_line(reg)
    pairs = pair_names(registers, by_name)
    # pair_names dropped the pairs' names from the registers: write again.
    for reg in registers.values():
        if reg.names:
            sfr[reg.address] = sfr_line(reg)
        else:
            sfr.pop(reg.address, None)
    return {"name": name, "keys": keys, "sfr": sfr, "pairs": pairs,
            "ram": ram, "registers": registers, "settings": setting_order}


def core_lines():
    out = {}
    for line in CORE:
        out[int(line.split(",")[1], 16)] = line
    return out


def write_database(parts, out):
    core = core_lines()
    lines = [HEADER, "# The core registers of every PIC18."]
    lines += ["SFR=" + line for line in CORE]
    lines.append("SFR16=" + ",".join(CORE_PAIRS))
    # Parts with the same registers (an 18LF part and its 18F twin, a
    # 28-pin part and its 40-pin twin of one register set) share the first's.
    first_with = {}
    for part in parts:
        lines.append("")
        lines.append("[%s]" % part["name"])
        lines += part["keys"]
        own = tuple(sorted(part["sfr"].items())), tuple(part["pairs"])
        if own in first_with:
            lines.append("SFRFROM=" + first_with[own])
            continue
        first_with[own] = part["name"]
        for address in sorted(part["sfr"]):
            line = part["sfr"][address]
            if core.get(address) != line:
                lines.append("SFR=" + line)
        missing = [a for a in core if a not in part["sfr"]]
        if missing:
            sys.stderr.write("%s: core registers missing from the header: %s\n" %
                             (part["name"], " ".join("%X" % a for a in missing)))
        pairs = [p for p in part["pairs"] if p not in CORE_PAIRS]
        for start in range(0, len(pairs), 20):
            lines.append("SFR16=" + ",".join(pairs[start:start + 20]))
    text = "\n".join(lines) + "\n"
    for number, line in enumerate(text.splitlines(), 1):
        if len(line) > 255:
            sys.exit("line %d is longer than the chip reader takes: %s" % (number, line[:60]))
    with open(out, "w") as f:
        f.write(text)


def part_order(lkr_name):
    """18C parts, then 18F and 18LF by number, an 18LF part after its 18F twin."""
    part = lkr_name[:-len("_g.lkr")].upper()
    m = re.match(r"18(C|F|LF)(.*)", part)
    family = {"C": 0, "F": 1, "LF": 1}[m.group(1)]
    return (family, m.group(2), m.group(1) == "LF")


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--gputils", default="/usr/share/gputils")
    ap.add_argument("--out", default=os.path.join(os.path.dirname(os.path.abspath(__file__)), "tovra-18.ini"))
    args = ap.parse_args()
    lkr = sorted((f for f in os.listdir(os.path.join(args.gputils, "lkr")) if re.match(r"18.*_g\.lkr$", f)),
                 key=part_order)
    parts = []
    for f in lkr:
        if not os.path.exists(os.path.join(args.gputils, "header", "p%s.inc" % f[:-len("_g.lkr")])):
            sys.stderr.write("%s: no header, left out\n" % f)
            continue
        parts.append(make_part(args.gputils, f))
    write_database(parts, args.out)
    print("%d parts written to %s" % (len(parts), args.out))


if __name__ == "__main__":
    main()
