#include "symconv/elf.h"

#include <cstring>
#include <string>
#include <vector>

#include "common/alert.h"
#include "common/vector.h"
#include "symconv/dwarf.h"
#include "symconv/dwarfdump.h"
#include "symconv/encdec.h"
#include "symconv/model.h"
#include "symconv/sdb.h"

namespace {

enum {
  MSG_CANT_WRITE = 413,
  MSG_CANT_WRITE_DEBUG = 621,
  MSG_CANT_READ = 1037,
  HEADER = 52,
  SECTION_HEADER = 40,
  PROGRAM_HEADER = 32,
  SYMBOL = 16,
  SHN_ABS = 0xFFF1,
  SHT_PROGBITS = 1,
  SHT_SYMTAB = 2,
  SHT_STRTAB = 3,
  SHT_NOBITS = 8,
  PT_LOAD = 1,
  PT_NULL = 0,
  STB_GLOBAL = 16,
  STT_NOTYPE = 0,
  STT_OBJECT = 1,
  STT_FUNC = 2,
  STT_SECTION = 3,
  STT_FILE = 4,
};

struct value_name {
  uint32_t value;
  const char *name;
};

const value_name machine_names[] = {
    {0, "No machine"},
    {1, "AT&T WE 32100"},
    {2, "SPARC"},
    {3, "Intel 80386"},
    {4, "Motorola 68000"},
    {5, "Motorola 88000"},
    {7, "Intel 80860"},
    {8, "MIPS I or PIC32MX Architecture"},
    {9, "IBM System/370 Processor"},
    {10, "MIPS RS3000 Little-endian"},
    {15, "Hewlett-Packard PA-RISC"},
    {17, "Fujitsu VPP500"},
    {18, "Enhanced instruction set SPARC"},
    {19, "Intel 80960"},
    {20, "PowerPC"},
    {21, "64-bit PowerPC"},
    {22, "IBM System/390 Processor"},
    {36, "NEC V800"},
    {37, "Fujitsu FR20"},
    {38, "TRW RH-32"},
    {39, "Motorola RCE"},
    {40, "Advanced RISC Machines ARM"},
    {41, "Digital Alpha"},
    {42, "Hitachi SH"},
    {43, "SPARC Version 9"},
    {44, "Siemens TriCore embedded processor"},
    {45, "Argonaut RISC Core, Argonaut Technologies Inc."},
    {46, "Hitachi H8/300"},
    {47, "Hitachi H8/300H"},
    {48, "Hitachi H8S"},
    {49, "Hitachi H8/500"},
    {50, "Intel IA-64 processor architecture"},
    {51, "Stanford MIPS-X"},
    {52, "Motorola ColdFire"},
    {53, "Motorola M68HC12"},
    {54, "Fujitsu MMA Multimedia Accelerator"},
    {55, "Siemens PCP"},
    {56, "Sony nCPU embedded RISC processor"},
    {57, "Denso NDR1 microprocessor"},
    {58, "Motorola Star*Core processor"},
    {59, "Toyota ME16 processor"},
    {60, "STMicroelectronics ST100 processor"},
    {61, "Advanced Logic Corp. TinyJ embedded processor family"},
    {62, "AMD x86-64 architecture"},
    {63, "Sony DSP Processor"},
    {64, "Digital Equipment Corp. PDP-10"},
    {65, "Digital Equipment Corp. PDP-11"},
    {66, "Siemens FX66 microcontroller"},
    {67, "STMicroelectronics ST9+ 8/16 bit microcontroller"},
    {68, "STMicroelectronics ST7 8-bit microcontroller"},
    {69, "Motorola MC68HC16 Microcontroller"},
    {70, "Motorola MC68HC11 Microcontroller"},
    {71, "Motorola MC68HC08 Microcontroller"},
    {72, "Motorola MC68HC05 Microcontroller"},
    {73, "Silicon Graphics SVx"},
    {74, "STMicroelectronics ST19 8-bit microcontroller"},
    {75, "Digital VAX"},
    {76, "Axis Communications 32-bit embedded processor"},
    {77, "Infineon Technologies 32-bit embedded processor"},
    {78, "Element 14 64-bit DSP Processor"},
    {79, "LSI Logic 16-bit DSP Processor"},
    {80, "Donald Knuth's educational 64-bit processor"},
    {81, "Harvard University machine-independent object files"},
    {82, "SiTera Prism"},
    {83, "Atmel AVR 8-bit microcontroller"},
    {84, "Fujitsu FR30"},
    {85, "Mitsubishi D10V"},
    {86, "Mitsubishi D30V"},
    {87, "NEC v850"},
    {88, "Mitsubishi M32R"},
    {89, "Matsushita MN10300"},
    {90, "Matsushita MN10200"},
    {91, "picoJava"},
    {92, "OpenRISC 32-bit embedded processor"},
    {93, "ARC Cores Tangent-A5"},
    {94, "Tensilica Xtensa Architecture"},
    {95, "Alphamosaic VideoCore processor"},
    {96, "Thompson Multimedia General Purpose Processor"},
    {97, "National Semiconductor 32000 series"},
    {98, "Tenor Network TPC processor"},
    {99, "Trebia SNP 1000 processor"},
    {100, "STMicroelectronics ST200 microcontroller"},
    {101, "Ubicom IP2xxx microcontroller family"},
    {102, "MAX Processor"},
    {103, "National Semiconductor CompactRISC microprocessor"},
    {104, "Fujitsu F2MC16"},
    {105, "Texas Instruments embedded microcontroller msp430"},
    {106, "Analog Devices Blackfin (DSP) processor"},
    {107, "S1C33 Family of Seiko Epson processors"},
    {108, "Sharp embedded microprocessor"},
    {109, "Arca RISC Microprocessor"},
    {110, "Microprocessor series from PKU-Unity Ltd. and MPRC of Peking University"},
    {118, "dsPIC30F DSC"},
    {0, nullptr},
};

// ---- machine rows ----

bool program_class_member(const model_segment *entry) {
  for (int k = 0; k < settings.class_count && k < MODEL_MAX_CLASSES; k++)
    if (settings.classes[k] && entry->name && !strcmp(settings.classes[k], entry->name)) return true;
  return false;
}

struct elf_machine_ops {
  bool (*accept)(uint32_t machine);
  bool (*header_hook)(uint8_t *header);
  bool (*third)();
  uint32_t (*section_flags)(const model_segment *entry, uint32_t bytes);
  uint8_t (*symbol_other)(const model_symbol *symbol);
  uint32_t (*address_unit)(const model_segment *entry);
  uint32_t debug_type;
  uint32_t reserved;
};

bool always() { return true; }
bool header_unchanged(uint8_t *) { return true; }
bool header_dspic(uint8_t *header) {
  put32(header + 36, get32(header + 36) | 5);
  return true;
}
uint32_t flags_by_bytes(const model_segment *, uint32_t bytes) { return bytes ? 6 : 3; }
uint32_t flags_by_class(const model_segment *entry, uint32_t) { return program_class_member(entry) ? 6 : 3; }
uint8_t other_none(const model_symbol *) { return 0; }
uint8_t other_pic32(const model_symbol *s) { return s->cls && s->cls->init == 1 ? 0xF0 : 0; }
uint32_t unit_byte(const model_segment *) { return 1; }
uint32_t unit_dspic(const model_segment *entry) { return program_class_member(entry) ? 2 : 1; }

// Debug sections are program data that is not loaded (a section of notes
// would be read as notes); PIC32 has a DWARF section type of its own.
const elf_machine_ops machine_rows[] = {
    {[](uint32_t m) { return m == 8; }, header_unchanged, always, flags_by_bytes, other_pic32, unit_byte, 0x7000001E,
     0},
    {[](uint32_t m) { return m == 118; }, header_dspic, always, flags_by_class, other_none, unit_dspic, SHT_PROGBITS,
     0},
    {[](uint32_t) { return true; }, header_unchanged, always, flags_by_bytes, other_none, unit_byte, SHT_PROGBITS, 0},
};

// ---- writing ----

struct elf_writer {
  std::vector<uint8_t> image;  // the file, the header first
  std::vector<uint8_t> strtab, shstrtab;
  std::vector<std::vector<uint8_t>> sections, programs;
  std::vector<uint8_t> symbols;
  const elf_machine_ops *row = nullptr;
};

uint32_t elf_strtab_add(std::vector<uint8_t> &table, const char *name) {
  uint32_t at = uint32_t(table.size());
  if (!name) name = "";
  table.insert(table.end(), name, name + strlen(name) + 1);
  return at;
}

std::vector<uint8_t> section_header(uint32_t name, uint32_t type, uint32_t flags, uint32_t addr, uint32_t offset,
                                    uint32_t size, uint32_t link, uint32_t entsize) {
  std::vector<uint8_t> h(SECTION_HEADER, 0);
  put32(&h[0], name);
  put32(&h[4], type);
  put32(&h[8], flags);
  put32(&h[12], addr);
  put32(&h[16], offset);
  put32(&h[20], size);
  put32(&h[24], link);
  put32(&h[36], entsize);
  return h;
}

int symbol_type(const char *name) {
  const sdb_record *r = name ? sdb_find_global(name) : nullptr;
  if (!r) return STT_NOTYPE;
  switch (r->kind) {
    case SDB_EXTERN:
    case SDB_GLOBAL:
    case SDB_STATIC:
      return type_is_function(r->type) ? STT_FUNC : STT_OBJECT;
    case SDB_AUTO:
    case SDB_PARAM:
      return STT_OBJECT;
    case SDB_MODULE:
    case SDB_EMPTY_MODULE:
      return STT_SECTION;
    case SDB_FUNC:
      return STT_FUNC;
    case SDB_FILENAME:
      return STT_FILE;
    default:
      return STT_NOTYPE;
  }
}

void elf_add_symbols(elf_writer &e, uint32_t section, const model_segment *segment, uint32_t index) {
  if (e.symbols.empty()) e.symbols.assign(SYMBOL, 0);
  for (uint32_t f = 1; f <= vec_size(model.files); f++) {
    const model_file *file = model_file_at(f);
    for (uint32_t k = 0; file->symbols && k < file->symbol_count; k++) {
      const model_symbol *s = file->symbols[k];
      if (!s) continue;
      // A symbol belongs to a section of its own address space only: data
      // and code addresses overlap on Harvard machines.
      if (!segment ? s->segment != 0
                   : !s->segment || (s->segment != segment->space && s->segment != index) ||
                         s->value < segment->start || s->value - segment->start >= segment->size)
        continue;
      uint8_t sym[SYMBOL] = {};
      put32(sym, elf_strtab_add(e.strtab, s->name));
      put32(sym + 4, s->value);
      sym[12] = uint8_t(symbol_type(s->name) + ((s->flags & MSYM_LOCAL) ? 0 : int(STB_GLOBAL)));
      sym[13] = e.row->symbol_other(s);
      put16(sym + 14, section ? section : uint32_t(SHN_ABS));
      e.symbols.insert(e.symbols.end(), sym, sym + SYMBOL);
    }
  }
}

// Readers expect the local symbols (the null symbol first) before the
// global ones, and sh_info the index of the first global; the count of locals.
uint32_t local_symbols_first(std::vector<uint8_t> &symbols) {
  std::vector<uint8_t> locals, globals;
  for (size_t at = 0; at + SYMBOL <= symbols.size(); at += SYMBOL) {
    std::vector<uint8_t> &to = symbols[at + 12] >> 4 ? globals : locals;
    to.insert(to.end(), symbols.begin() + long(at), symbols.begin() + long(at + SYMBOL));
  }
  uint32_t count = uint32_t(locals.size() / SYMBOL);
  locals.insert(locals.end(), globals.begin(), globals.end());
  symbols.swap(locals);
  return count;
}

uint32_t machine_from_names() {
  std::vector<const char *> candidates = {settings.processor ? settings.processor : ""};
  for (int k = 0; k < settings.extra_count && k < MODEL_MAX_PROC_NAMES && settings.extra_names[k]; k++)
    candidates.push_back(settings.extra_names[k]);
  for (const char *c : candidates)
    for (const value_name *m = machine_names; m->name; m++)
      if (strstr(m->name, c)) return m->value;
  return 0;
}

// The segment's class entry when the segment is loadable, else null.
const model_segment *class_entry(uint32_t index) {
  const model_segment *s = model_segment_at(index);
  if (!s || s->space == index) return nullptr;
  return model_segment_at(s->space);
}

uint32_t append(elf_writer &e, const std::vector<uint8_t> &bytes) {
  uint32_t at = uint32_t(e.image.size());
  e.image.insert(e.image.end(), bytes.begin(), bytes.end());
  return at;
}

// Where a debug section's bytes lie in the image.
struct debug_piece {
  uint32_t start, end;
  const char *name;
};

// The image goes out a piece at a time so that a short write names the
// debug section it cut; the rest is still written, the first fault told.
void write_image(FILE *out, const std::vector<uint8_t> &image, const std::vector<debug_piece> &debug, const char *name) {
  uint32_t at = 0;
  bool told = false;
  auto put = [&](uint32_t to, const char *section) {
    if (to <= at) return;
    bool written = fwrite(image.data() + at, 1, to - at, out) == to - at && fflush(out) == 0;
    at = to;
    if (written || told) return;
    told = true;
    if (section)
      msg(MSG_CANT_WRITE_DEBUG, section, name);
    else
      msg(MSG_CANT_WRITE, name);
  };
  for (const debug_piece &d : debug) {
    put(d.start, nullptr);
    put(d.end, d.name);
  }
  put(uint32_t(image.size()), nullptr);
}

void loadable_sections(elf_writer &e) {
  for (uint32_t index = 1; index <= vec_size(model.segments); index++) {
    const model_segment *entry = class_entry(index);
    if (!entry) continue;
    const model_segment *s = model_segment_at(index);
    uint32_t unit = e.row->address_unit(entry);
    uint32_t offset = uint32_t(e.image.size());
    uint32_t end = s->load;
    for (uint32_t k = 0; k < vec_size(model.data); k++) {
      const model_data *d = model_data_nth(k);
      if (d->segment != index || d->address < s->load) continue;
      uint32_t at = offset + (d->address - s->load);
      if (e.image.size() < size_t(at) + d->length) e.image.resize(size_t(at) + d->length, 0);
      memcpy(e.image.data() + at, d->bytes, d->length);
      if (d->address + d->length > end) end = d->address + d->length;
    }
    uint32_t bytes = end - s->load;
    e.image.resize(size_t(offset) + bytes, 0);
    uint32_t number = uint32_t(e.sections.size());
    if (s->size) {
      std::vector<uint8_t> p(PROGRAM_HEADER, 0);
      put32(&p[0], PT_LOAD);
      put32(&p[4], offset);
      put32(&p[8], s->start / unit);
      put32(&p[12], s->start / unit);
      put32(&p[16], bytes);
      put32(&p[20], s->size);
      e.programs.push_back(p);
    }
    e.sections.push_back(section_header(elf_strtab_add(e.shstrtab, s->name), bytes ? SHT_PROGBITS : SHT_NOBITS,
                                        e.row->section_flags(entry, bytes), s->start / unit, offset, s->size, 0, 0));
    elf_add_symbols(e, number, s, index);
  }
}

}  // namespace

const char *elf_machine_name(uint32_t number) {
  for (const value_name *m = machine_names; m->name; m++)
    if (m->value == number) return m->name;
  return nullptr;
}

uint32_t elf_machine_number() { return machine_from_names(); }

bool elf_read(FILE *, const char *) { return false; }

bool elf_write(FILE *out, const char *name) {
  byte_order = settings.big_endian ? 1 : 0;
  elf_writer e;
  uint32_t machine = machine_from_names();
  for (const elf_machine_ops &row : machine_rows)
    if (row.accept(machine)) {
      e.row = &row;
      break;
    }
  if (!e.row) {
    msg_report_hooked("C", "ELF: Could not find valid extension");
    return false;
  }
  e.image.assign(HEADER, 0);
  uint8_t *h = e.image.data();
  memcpy(h, "\x7F" "ELF", 4);
  h[4] = 1;
  h[5] = byte_order ? 2 : 1;
  h[6] = 1;
  h[7] = 255;
  put16(h + 16, 2);
  put16(h + 18, machine);
  put32(h + 20, 1);
  put32(h + 24, model.entry_address);
  put16(h + 40, HEADER);
  put16(h + 42, PROGRAM_HEADER);
  put16(h + 46, SECTION_HEADER);
  elf_strtab_add(e.strtab, "");
  elf_strtab_add(e.shstrtab, "");
  e.sections.push_back(std::vector<uint8_t>(SECTION_HEADER, 0));
  e.programs.push_back(std::vector<uint8_t>(PROGRAM_HEADER, 0));
  elf_add_symbols(e, 0, nullptr, 0);
  loadable_sections(e);
  e.row->header_hook(e.image.data());

  uint32_t strtab_index = uint32_t(e.sections.size());
  uint32_t at = append(e, e.strtab);
  e.sections.push_back(section_header(elf_strtab_add(e.shstrtab, ".strtab"), SHT_STRTAB, 0, 0, at,
                                      uint32_t(e.strtab.size()), 0, 0));
  uint32_t locals = local_symbols_first(e.symbols);
  at = append(e, e.symbols);
  std::vector<uint8_t> symtab = section_header(elf_strtab_add(e.shstrtab, ".symtab"), SHT_SYMTAB, 0, 0, at,
                                               uint32_t(e.symbols.size()), strtab_index, SYMBOL);
  put32(&symtab[28], locals);
  e.sections.push_back(symtab);
  std::vector<dwarf_section> debug;
  dwarf_build(&debug);
  std::vector<debug_piece> pieces;
  for (const dwarf_section &d : debug) {
    at = append(e, d.bytes);
    pieces.push_back({at, uint32_t(e.image.size()), dwarf_kinds[d.kind].name});
    e.sections.push_back(section_header(elf_strtab_add(e.shstrtab, dwarf_kinds[d.kind].name), e.row->debug_type, 0, 0,
                                        at, uint32_t(d.bytes.size()), 0, 0));
  }
  uint32_t shstr_name = elf_strtab_add(e.shstrtab, ".shstrtab");
  at = append(e, e.shstrtab);
  put16(e.image.data() + 50, e.sections.size());
  e.sections.push_back(section_header(shstr_name, SHT_STRTAB, 0, 0, at, uint32_t(e.shstrtab.size()), 0, 0));

  put32(e.image.data() + 32, e.image.size());
  put16(e.image.data() + 48, e.sections.size());
  for (const std::vector<uint8_t> &s : e.sections) append(e, s);
  uint32_t phoff = uint32_t(e.image.size());
  put32(e.image.data() + 28, phoff);
  put16(e.image.data() + 44, e.programs.size());
  std::vector<uint8_t> &table = e.programs[0];
  // The table is no part of a loaded segment, and a PT_PHDR entry says it
  // is; the entry stays, unused.
  put32(&table[0], PT_NULL);
  put32(&table[4], phoff);
  put32(&table[16], PROGRAM_HEADER * e.programs.size());
  put32(&table[20], PROGRAM_HEADER * e.programs.size());
  for (const std::vector<uint8_t> &p : e.programs) append(e, p);
  write_image(out, e.image, pieces, name);
  return true;
}

namespace {

// ---- identifying and dumping ----

const value_name class_names[] = {{0, "Invalid class"}, {1, "32-bit objects"}, {2, "64-bit objects"}, {0, nullptr}};
const value_name data_names[] = {{0, "Invalid data encoding"},
                                 {1, "2's complement, little endian"},
                                 {2, "2's complement, big endian"},
                                 {0, nullptr}};
const value_name abi_names[] = {{0, "UNIX System V Revision 4"}, {1, "HP-UX"}, {2, "NetBSD"}, {3, "Linux"},
                                {4, "Hurd"}, {6, "Solaris"}, {7, "AIX"}, {8, "IRIX"}, {9, "FreeBSD"},
                                {10, "TRU64 UNIX"}, {11, "Novell Modesto"}, {12, "OpenBSD"}, {97, "ARM"},
                                {255, "Standalone (embedded)"}, {0, nullptr}};
const value_name type_names[] = {{0, "ET_NONE"}, {2, "ET_EXEC"}, {1, "ET_REL"}, {3, "ET_DYN"}, {4, "ET_CORE"},
                                 {0, nullptr}};
const value_name section_type_names[] = {{0, "Unused"},
                                         {1, "Program data"},
                                         {2, "Symbol table"},
                                         {3, "String table"},
                                         {4, "Reloc entries with addends"},
                                         {5, "Symbol hash table"},
                                         {6, "Dynamic linking information"},
                                         {7, "Notes"},
                                         {8, "Prog space without data (bss)"},
                                         {9, "Reloc entries, no addends"},
                                         {10, "Reserved"},
                                         {11, "Dynamic linker symbol table"},
                                         {0x60000000, "Start OS-specific"},
                                         {0x6FFFFFFB, "Sun-specific low bound. "},
                                         {0x6FFFFFFD, "Version definition section. "},
                                         {0x6FFFFFFE, "Version needs section. "},
                                         {0x6FFFFFFF, "Version symbol table. "},
                                         {0x70000000, "Start of processor-specific"},
                                         {0x7FFFFFFF, "End of processor-specific"},
                                         {0x80000000, "Start of application-specific"},
                                         {0x8FFFFFFF, "End of application-specific"},
                                         {0, nullptr}};
const value_name program_type_names[] = {{0, "Unused"},
                                         {1, "Loadable program segment"},
                                         {2, "Dynamic linking information"},
                                         {3, "Program interpreter"},
                                         {4, "Auxiliary information"},
                                         {5, "Reserved"},
                                         {6, "Program header table"},
                                         {0, nullptr}};
const value_name symbol_type_names[] = {{0, "unspecified"},     {1, "data object"}, {2, "code object"},
                                        {3, "associated with a section"}, {4, "file name"}, {0, nullptr}};
const value_name binding_names[] = {{0, "Local symbol"}, {1, "Global symbol"}, {2, "Weak symbol"}, {0, nullptr}};

std::string elf_value_name(uint32_t value, const value_name *table) {
  char text[160];
  for (const value_name *v = table; v->name; v++)
    if (v->value == value) {
      if (settings.verbosity > 2)
        snprintf(text, sizeof text, "%s (0x%X)", v->name, value);
      else
        snprintf(text, sizeof text, "%s", v->name);
      return text;
    }
  snprintf(text, sizeof text, "0x%X", value);
  return text;
}

const char *elf_str_at(const std::vector<uint8_t> &table, uint64_t offset) {
  if (offset >= table.size()) return "(unknown)";
  // The table's last string may lack its terminator.
  if (!memchr(table.data() + offset, 0, table.size() - offset)) return "(unknown)";
  return reinterpret_cast<const char *>(table.data() + offset);
}

void elf_dump_bytes(uint64_t offset, const uint8_t *bytes, uint64_t length) {
  if (settings.verbosity <= 2) return;
  printf("\n\t%4lX: ", (unsigned long)offset);
  for (uint64_t k = 0; k < length && k < 16; k++) printf(" %2.2X", bytes[k]);
}

void elf_dump_strtab(const std::vector<uint8_t> &table) {
  for (size_t at = 0; at < table.size();) {
    const char *s = elf_str_at(table, at);
    printf("%08lX: %s\n", (unsigned long)at, s);
    at += strlen(s) + 1;
    if (!strcmp(s, "(unknown)")) break;
  }
}

bool slurp(FILE *in, std::vector<uint8_t> *bytes) {
  uint8_t buffer[16384];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, in)) > 0) bytes->insert(bytes->end(), buffer, buffer + n);
  return !ferror(in);
}

bool has(const std::vector<uint8_t> &f, uint64_t offset, uint64_t size) {
  return offset <= f.size() && size <= f.size() - offset;
}

std::vector<uint8_t> elf_read_block(const std::vector<uint8_t> &f, uint64_t offset, uint64_t size) {
  if (!has(f, offset, size)) return {};
  return std::vector<uint8_t>(f.begin() + long(offset), f.begin() + long(offset + size));
}

// Checks the identification bytes and selects the byte order.
bool header_ok(const uint8_t *h, size_t size, bool tell) {
  const char *refusal = nullptr;
  char text[64];
  if (size < HEADER)
    refusal = "ELF header too short\n";
  else if (memcmp(h, "\x7F" "ELF", 4))
    refusal = "Magic number not ELF\n";
  else if (h[4] != 1)
    refusal = "Not 32 bit ELF\n";
  else if (h[5] != 1 && h[5] != 2) {
    snprintf(text, sizeof text, "Not big or little-endian ELF (%d)\n", h[5]);
    refusal = text;
  } else {
    byte_order = h[5] == 2 ? 1 : 0;
    if (h[6] != 1) {
      snprintf(text, sizeof text, "Unsupported ELF Version %d\n", h[6]);
      refusal = text;
    }
  }
  if (refusal && tell && settings.verbosity > 1) fputs(refusal, stderr);
  return !refusal;
}

struct section_view {
  uint32_t name, type, flags, addr, offset, size, link, info, align, entsize;
};

section_view section_from(const uint8_t *p) {
  return {uint32_t(get32(p)),      uint32_t(get32(p + 4)),  uint32_t(get32(p + 8)),  uint32_t(get32(p + 12)),
          uint32_t(get32(p + 16)), uint32_t(get32(p + 20)), uint32_t(get32(p + 24)), uint32_t(get32(p + 28)),
          uint32_t(get32(p + 32)), uint32_t(get32(p + 36))};
}

void dump_symbols(const std::vector<uint8_t> &f, const section_view &s, const std::vector<uint8_t> &names) {
  printf("Section header entry size: 0x%X\n", s.entsize);
  printf("Symbol Table\n");
  if (s.entsize < SYMBOL) return;
  for (uint64_t k = 0; k < s.size / s.entsize; k++) {
    uint64_t at = uint64_t(s.offset) + k * s.entsize;
    if (!has(f, at, SYMBOL)) break;
    const uint8_t *p = f.data() + at;
    printf("\t%-20s  0x%08lX  %-5ld", elf_str_at(names, get32(p)), (unsigned long)get32(p + 4), (long)get32(p + 8));
    std::string kind = elf_value_name(p[12] >> 4, binding_names) + "/" + elf_value_name(p[12] & 15, symbol_type_names);
    printf("  %-26s  0x%02X  0x%04X\n", kind.c_str(), p[13], unsigned(get16(p + 14)));
  }
}

}  // namespace

bool elf_identify(FILE *in) {
  uint8_t h[HEADER];
  size_t n = fread(h, 1, HEADER, in);
  return header_ok(h, n, true);
}

bool elf_dump(FILE *in) {
  std::vector<uint8_t> f;
  slurp(in, &f);
  if (f.size() < HEADER) {
    msg(MSG_CANT_READ, "ELF header");
    return false;
  }
  const uint8_t *h = f.data();
  if (!header_ok(h, f.size(), false)) return false;
  uint32_t phoff = uint32_t(get32(h + 28)), shoff = uint32_t(get32(h + 32));
  unsigned phentsize = unsigned(get16(h + 42)), phnum = unsigned(get16(h + 44));
  unsigned shentsize = unsigned(get16(h + 46)), shnum = unsigned(get16(h + 48)), shstrndx = unsigned(get16(h + 50));
  std::vector<section_view> sections;
  std::vector<uint8_t> section_names, symbol_names;
  if (shnum) {
    if (shentsize < SECTION_HEADER || !has(f, shoff, uint64_t(shnum) * shentsize)) {
      msg(MSG_CANT_READ, "ELF section headers");
      return false;
    }
    for (unsigned k = 0; k < shnum; k++) sections.push_back(section_from(f.data() + shoff + uint64_t(k) * shentsize));
    if (shstrndx >= shnum) {
      msg_report_hooked("E", "Bad ELF string table index\n");
      return false;
    }
    section_names = elf_read_block(f, sections[shstrndx].offset, sections[shstrndx].size);
    for (const section_view &s : sections)
      if (!strcmp(elf_str_at(section_names, s.name), ".strtab")) symbol_names = elf_read_block(f, s.offset, s.size);
  }
  if (phnum && (phentsize < PROGRAM_HEADER || !has(f, phoff, uint64_t(phnum) * phentsize))) {
    msg(MSG_CANT_READ, "ELF program headers");
    return false;
  }
  printf("ELF header:\n\tClass:   \t%s\n", elf_value_name(h[4], class_names).c_str());
  printf("\tData:   \t%s\n", elf_value_name(h[5], data_names).c_str());
  printf("\tVersion:\t0x%X\n", h[6]);
  printf("\tOS ABI:\t\t%s\n", elf_value_name(h[7], abi_names).c_str());
  printf("\tType:   \t%s\n", elf_value_name(uint32_t(get16(h + 16)), type_names).c_str());
  printf("\tMachine:\t%s\n", elf_value_name(uint32_t(get16(h + 18)), machine_names).c_str());
  printf("\tProg hdrs:\t%d [0x%X]", phnum, phentsize);
  if (settings.verbosity > 1) printf(" (@ 0x%lX)", (unsigned long)phoff);
  printf("\n\tSec hdrs:\t%d [0x%X]", shnum, shentsize);
  if (settings.verbosity > 1) printf(" (@ 0x%lX)", (unsigned long)shoff);
  printf("\n\tStrtab:\t\t0x%X\n", shstrndx);
  printf("\tStart addr:\t0x%lX\n\n", (unsigned long)get32(h + 24));
  if (shnum) {
    printf("\nString table:\n\n");
    elf_dump_strtab(section_names);
    if (settings.verbosity > 2) elf_dump_strtab(symbol_names);
    printf("\nSections:\n\nNo.   Name                 Type                           Address  Size     Link     ");
    if (settings.verbosity > 1) printf("Offset   Info     Align    ");
    printf("Flags\n");
    for (unsigned k = 0; k < shnum; k++) {
      const section_view &s = sections[k];
      printf("%4.4X  %-20.20s %-30.30s", k, elf_str_at(section_names, s.name),
             elf_value_name(s.type, section_type_names).c_str());
      printf(" %08lX %08lX %08lX", (unsigned long)s.addr, (unsigned long)s.size, (unsigned long)s.link);
      if (settings.verbosity > 1)
        printf(" %08lX %08lX %08lX", (unsigned long)s.offset, (unsigned long)s.info, (unsigned long)s.align);
      if (s.flags & 1) printf(" WRITE");
      if (s.flags & 2) printf(" ALLOC");
      if (s.flags & 4) printf(" EXECINSTR");
      if ((s.flags & 2) && s.size && s.type != SHT_NOBITS && has(f, s.offset, s.size < 16 ? s.size : 16))
        elf_dump_bytes(s.offset, f.data() + s.offset, s.size);
      printf("\n");
      if (s.type == SHT_SYMTAB && settings.verbosity >= 1) dump_symbols(f, s, symbol_names);
    }
  }
  printf("\nProgram Headers:\n\nNo.   Type                                 Virtual  Physical Filesize Memsize  Flg ");
  if (settings.verbosity > 1) printf("Align    ");
  printf("\n");
  for (unsigned k = 0; k < phnum; k++) {
    const uint8_t *p = f.data() + phoff + uint64_t(k) * phentsize;
    uint32_t offset = uint32_t(get32(p + 4)), filesz = uint32_t(get32(p + 16)), flags = uint32_t(get32(p + 24));
    printf("%4.4X  %-36.36s", k, elf_value_name(uint32_t(get32(p)), program_type_names).c_str());
    printf(" %08lX %08lX %08lX %08lX ", (unsigned long)get32(p + 8), (unsigned long)get32(p + 12),
           (unsigned long)filesz, (unsigned long)get32(p + 20));
    printf("%c%c%c", (flags & 4) ? 'r' : '-', (flags & 2) ? 'w' : '-', (flags & 1) ? 'x' : '-');
    if (settings.verbosity > 1) printf(" %08lX", (unsigned long)get32(p + 28));
    if (filesz && has(f, offset, filesz < 16 ? filesz : 16)) elf_dump_bytes(offset, f.data() + offset, filesz);
    printf("\n");
  }
  if (shnum) {
    std::vector<dwarf_elf_section> views;
    for (const section_view &s : sections) {
      bool valid = s.name < section_names.size() && strcmp(elf_str_at(section_names, s.name), "(unknown)");
      views.push_back({valid ? elf_str_at(section_names, s.name) : "", s.offset, s.size, valid});
    }
    dwarf_dump(f, views);
  }
  return true;
}
