// Executable and header images of imprel. The images of -8, -E, -P and -N
// start at address 0; the text, data and bss sizes come from the special
// symbols (__Ltext/__Htext, __Ldata/__Hdata, __Lbss/__Hbss); an object
// without them counts as text throughout.
#include <algorithm>
#include <cstring>
#include <ctime>
#include <vector>

#include "common/alert.h"
#include "objconv/imgout.h"

namespace {

enum {
  MSG_IMAGE_TOO_LARGE = 418,
  MSG_COFF_HEADER_SIZE = 415,
  MSG_TOO_MANY_EXE_RELOCS = 428,
  MSG_RELOC_ORDER = 429,
  MSG_NO_RELOC_POSITION = 431,
};

enum {
  HEADER_SIZE = 32,          // -H
  CPM86_HEADER_SIZE = 128,   // -8
  EXE_HEADER_SIZE = 64,      // -E
  EXE_MAX_RELOCS = 7500,
  EXE_DEFAULT_STACK = 0x800,
  M68K_HEADER_SIZE = 28,     // -P
  M68K_LONG_HEADER_SIZE = 32,  // -N
  M68K_SYMBOL_SIZE = 14,
  M68K_LONG_FIXUP = 5,       // relocation word of a long field's first half
  SEGEXE_HEADER_SIZE = 32,   // -A, per file and per segment
  X386_HEADER_SIZE = 76,
  X386_SEGMENTS_AT = 96,
  X386_SEGMENT_SIZE = 32,
  COFF_FILE_HEADER = 20,
  COFF_AOUT_HEADER = 28,
  COFF_SECTION_HEADER = 40,
  COFF_HEADER_SIZE = COFF_FILE_HEADER + COFF_AOUT_HEADER + 3 * COFF_SECTION_HEADER,
  COFF_SYMBOL_SIZE = 18,
  DEBUG_HEADER_SIZE = 512,
  DEBUG_BLOCK = 512,
  DEBUG_INDEX_UNIT = 1024,
  DEBUG_INDEX_ENTRY = 10,
};

// A header under construction: zero-filled, fields in target order.
struct header_buf {
  imprel_state *s;
  std::vector<uint8_t> b;

  header_buf(imprel_state *state, size_t size) : s(state), b(size, 0) {}
  void u8(size_t at, uint32_t v) { b[at] = (uint8_t)v; }
  void u16(size_t at, uint32_t v) { target_put16(s, &b[at], v); }
  void u32(size_t at, uint32_t v) { target_put32(s, &b[at], v); }
  void text(size_t at, const char *t, size_t max) {
    size_t n = std::min(strlen(t), max);
    memcpy(&b[at], t, n);
  }
  void write() { out_bytes(&s->out, b.data(), b.size()); }
};

uint64_t round_up(uint64_t v, uint64_t unit) { return (v + unit - 1) / unit * unit; }

struct program_sizes {
  uint32_t text_start, text_size, data_start, data_size, bss_start, bss_size;
};

uint32_t span(uint32_t low, uint32_t high) { return high > low ? high - low : 0; }

program_sizes sizes_of(const imprel_state *s) {
  const uint32_t *v = s->special;
  program_sizes z;
  z.text_start = v[SPECIAL_Ltext];
  z.text_size = span(v[SPECIAL_Ltext], v[SPECIAL_Htext]);
  z.data_start = v[SPECIAL_Ldata];
  z.data_size = span(v[SPECIAL_Ldata], v[SPECIAL_Hdata]);
  z.bss_start = v[SPECIAL_Lbss];
  z.bss_size = span(v[SPECIAL_Lbss], v[SPECIAL_Hbss]);
  if (z.text_size == 0 && z.data_size == 0) {
    z.text_start = 0;
    z.text_size = (uint32_t)s->image.top;
  }
  return z;
}

int reloc_cmp(const imprel_reloc &a, const imprel_reloc &b) {
  if (a.segment != b.segment) return a.segment < b.segment ? -1 : 1;
  return a.address < b.address ? -1 : a.address > b.address;
}

int u32_cmp(uint32_t a, uint32_t b) { return a < b ? -1 : a > b; }

void sort_relocs(imprel_state *s, bool by_segment) {
  std::stable_sort(s->relocs.begin(), s->relocs.end(),
                   [&](const imprel_reloc &a, const imprel_reloc &b) {
                     return by_segment ? reloc_cmp(a, b) < 0 : u32_cmp(a.address, b.address) < 0;
                   });
}

// Index of the segment holding an address; the segment count when none does.
uint32_t segment_of(const imprel_state *s, uint32_t address) {
  for (size_t i = 0; i < s->segments.size(); i++) {
    const imprel_segment &g = s->segments[i];
    if (address >= g.address && address - g.address < g.length) return (uint32_t)i;
  }
  return (uint32_t)s->segments.size();
}

bool listed_symbol(const imprel_symbol &sym) {
  unsigned kind = sym.flags & IO_SYM_KIND_MASK;
  return kind != IO_SYM_LINE && kind != IO_SYM_FILE;
}

std::string date_text() {
  time_t now = time(nullptr);
  struct tm t;
  localtime_r(&now, &t);
  char text[32];
  strftime(text, sizeof text, "%d-%b-%Y", &t);
  return text;
}

}  // namespace

bool format_carries_relocs(imprel_format format) {
  return format == FMT_CPM86 || format == FMT_EXE || format == FMT_M68K || format == FMT_SEGEXE;
}

// -R: a u16 count, then per entry its u16 address, or with -L its u16
// segment (psect code) and u32 address; at the position symbol's value.
void reloc_write(imprel_state *s) {
  if (!s->reloc_position_seen) {
    msg(MSG_NO_RELOC_POSITION, s->opt.reloc_name);
    return;
  }
  bool segments = s->opt.reloc_segments;
  sort_relocs(s, segments);
  std::vector<uint8_t> list(2 + s->relocs.size() * (segments ? 6 : 2));
  target_put16(s, &list[0], (uint32_t)s->relocs.size());
  size_t at = 2;
  for (const imprel_reloc &r : s->relocs) {
    if (segments) {
      target_put16(s, &list[at], r.segment);
      target_put32(s, &list[at + 2], r.address);
      at += 6;
    } else {
      target_put16(s, &list[at], r.address);
      at += 2;
    }
  }
  image_store(&s->image, s->reloc_position, list.data(), (uint32_t)list.size());
}

// -g: 12 bytes per segment at atxsegadr_: u32 address, u32 length, u16
// selector, u16 1 for code.
void segment_list_store(imprel_state *s) {
  uint64_t at = s->special[SPECIAL_atxsegadr];
  for (const imprel_segment &g : s->segments) {
    uint8_t entry[12];
    target_put32(s, entry, g.address);
    target_put32(s, entry + 4, g.length);
    target_put16(s, entry + 8, g.selector);
    target_put16(s, entry + 10, g.code ? 1 : 0);
    image_store(&s->image, at, entry, sizeof entry);
    at += sizeof entry;
  }
}

// -H: "HLH9.00", u32 header length, u32 image size, the machine name; then
// the image from address 0.
void header_image_write(imprel_state *s) {
  uint64_t size = std::max<uint64_t>(s->image.top, s->opt.fill_end);
  header_buf h(s, HEADER_SIZE);
  h.text(0, "HLH9.00", 7);
  h.u32(8, HEADER_SIZE);
  h.u32(12, (uint32_t)size);
  h.text(16, s->machine.c_str(), 15);
  h.write();
  image_copy_range(s, 0, size);
}

// -8: CP/M-86 command file. Group descriptors (form, u16 length, u16 base,
// u16 minimum, u16 maximum; lengths in paragraphs) for code and data; byte
// 127 is 0x80 when fix-ups follow the groups. A fix-up is 4 bytes: the group
// holding the field in the high nibble and the target's group (its psect
// code) in the low one, u16 paragraph and u8 offset of the field within its
// group; the list is padded to a 128-byte record.
void cpm86_write(imprel_state *s) {
  program_sizes z = sizes_of(s);
  uint64_t image_end = round_up(s->image.top, 16);
  uint64_t code = std::min<uint64_t>(round_up((uint64_t)z.text_start + z.text_size, 16), image_end);
  uint64_t data = image_end - code;
  uint32_t stack = s->opt.stack_given ? s->opt.stack_size : 0;
  bool fixups = (s->opt.reloc || s->opt.reloc_segments) && !s->relocs.empty();
  if (fixups) {
    sort_relocs(s, true);
    for (const imprel_reloc &r : s->relocs)
      if (r.segment != 1 && r.segment != 2) {
        msg(MSG_RELOC_ORDER);
        return;
      }
  }
  header_buf h(s, CPM86_HEADER_SIZE);
  h.u8(0, 1);
  h.u16(1, (uint32_t)(code / 16));
  h.u16(5, (uint32_t)(code / 16));
  h.u8(9, 2);
  h.u16(10, (uint32_t)(data / 16));
  h.u16(14, (uint32_t)(round_up(data + z.bss_size + stack, 16) / 16));
  h.u8(127, fixups ? 0x80 : 0);
  h.write();
  image_copy_range(s, 0, image_end);
  if (!fixups) return;
  std::vector<uint8_t> list;
  for (const imprel_reloc &r : s->relocs) {
    uint32_t group = r.address < code ? 1 : 2;
    uint32_t offset = r.address - (group == 2 ? (uint32_t)code : 0);
    uint8_t entry[4] = {(uint8_t)(group << 4 | r.segment)};
    target_put16(s, entry + 1, offset >> 4);
    entry[3] = (uint8_t)(offset & 15);
    list.insert(list.end(), entry, entry + 4);
  }
  list.resize(round_up(list.size(), 128));
  out_bytes(&s->out, list.data(), list.size());
}

// -E: MS-DOS EXE. The standard 64-byte header (bytes in the last page, page
// count, relocation count, header paragraphs, minimum and maximum extra
// paragraphs, SS, SP, checksum, IP, CS, relocation table offset), the
// relocation entries (u16 offset, u16 segment), then the image.
void exe_header_write(imprel_state *s) {
  size_t count = s->relocs.size();
  if (count > EXE_MAX_RELOCS) {
    msg(MSG_TOO_MANY_EXE_RELOCS);
    return;
  }
  sort_relocs(s, false);
  program_sizes z = sizes_of(s);
  uint64_t header = round_up(EXE_HEADER_SIZE + 4 * count, 16);
  uint64_t image = std::max<uint64_t>(s->image.top, s->opt.fill_end);
  uint64_t file = header + image;
  uint64_t stack_base = round_up(std::max<uint64_t>(image, (uint64_t)z.bss_start + z.bss_size), 16);
  uint32_t stack = s->opt.stack_given ? s->opt.stack_size : (uint32_t)EXE_DEFAULT_STACK;
  uint64_t extra = round_up(stack_base + stack, 16) - round_up(image, 16);
  uint32_t start = image_start(s);
  header_buf h(s, (size_t)header);
  h.u16(0, 0x5A4D);
  h.u16(2, (uint32_t)(file % 512));
  h.u16(4, (uint32_t)((file + 511) / 512));
  h.u16(6, (uint32_t)count);
  h.u16(8, (uint32_t)(header / 16));
  h.u16(10, (uint32_t)(extra / 16));
  h.u16(12, 0xFFFF);
  h.u16(14, (uint32_t)(stack_base / 16));
  h.u16(16, stack);
  h.u16(20, start & 0xFFFF);
  h.u16(22, (start >> 4) & 0xF000);
  h.u16(24, count ? (uint32_t)EXE_HEADER_SIZE : 0);
  size_t at = EXE_HEADER_SIZE;
  for (const imprel_reloc &r : s->relocs) {
    h.u16(at, r.address & 0xFFFF);
    h.u16(at + 2, (r.address >> 4) & 0xF000);
    at += 4;
  }
  h.write();
  image_copy_range(s, 0, image);
}

// -P: u16 0x601A, u32 text, data and bss sizes, u32 symbol table size, u32
// stack size (-P<n>), u32 text start, u16 0 when relocation words follow.
// -N: u32 0x04100301, u32 32, u32 text start, text size, data size, stack
// end (-N<n>, default 0x10000 plus bss), bss size, start address.
// The image from 0, the -P symbol table (8-byte name, u16 flags, u32 value),
// then one relocation word per image word: a fixed-up long field has 5 in
// its first word and its target's psect code in the second.
void m68k_header_write(imprel_state *s) {
  program_sizes z = sizes_of(s);
  uint64_t image = round_up(s->image.top, 2);
  uint64_t text = std::min<uint64_t>(round_up((uint64_t)z.text_start + z.text_size, 2), image);
  uint64_t data = image - text;
  std::vector<const imprel_symbol *> symbols;
  if (s->opt.symbols_in_program)
    for (const imprel_symbol &sym : s->symbols)
      if (listed_symbol(sym)) symbols.push_back(&sym);
  bool relocate = !s->relocs.empty();
  if (!s->opt.m68k_header) {
    header_buf h(s, M68K_HEADER_SIZE);
    h.u16(0, 0x601A);
    h.u32(2, (uint32_t)text);
    h.u32(6, (uint32_t)data);
    h.u32(10, z.bss_size);
    h.u32(14, (uint32_t)(symbols.size() * M68K_SYMBOL_SIZE));
    h.u32(18, s->opt.m68k_number);
    h.u32(22, z.text_start);
    h.u16(26, relocate ? 0 : 0xFFFF);
    h.write();
  } else {
    header_buf h(s, M68K_LONG_HEADER_SIZE);
    h.u32(0, 0x04100301);
    h.u32(4, M68K_LONG_HEADER_SIZE);
    h.u32(8, z.text_start);
    h.u32(12, (uint32_t)text);
    h.u32(16, (uint32_t)data);
    h.u32(20, s->opt.m68k_number_given ? s->opt.m68k_number : 0x10000 + z.bss_size);
    h.u32(24, z.bss_size);
    h.u32(28, image_start(s));
    h.write();
  }
  image_copy_range(s, 0, image);
  for (const imprel_symbol *sym : symbols) {
    header_buf e(s, M68K_SYMBOL_SIZE);
    e.text(0, sym->name.c_str(), 8);
    e.u16(8, sym->flags);
    e.u32(10, sym->value);
    e.write();
  }
  if (!relocate) return;
  std::vector<uint8_t> words(image, 0);
  for (const imprel_reloc &r : s->relocs) {
    uint64_t at = r.address & ~1u;
    if (at + 4 > image) continue;
    target_put16(s, &words[at], M68K_LONG_FIXUP);
    target_put16(s, &words[at + 2], r.code);
  }
  out_bytes(&s->out, words.data(), words.size());
}

// -A: a file header ("TV", u16 segment count, u16 flags: 8 or 4 for 32- or
// 16-bit relocation words, +2 with a start address, +1 with a stack size;
// u32 start, u16 start segment, u32 stack size), a 32-byte header per
// segment (u16 type 1 code 2 data 3 stack, u16 selector, u32 file position,
// u32 size in file, u32 memory size, u32 relocation count, u32 relocation
// size, u32 load address, u32 link address), then each segment's data,
// rounded up to 16 bytes, followed by its relocation offsets.
void segexe_write(imprel_state *s) {
  bool wide = s->opt.reloc_segments;
  uint32_t word = wide ? 4 : 2;
  size_t count = s->segments.size();
  // The object's SEGMENT records follow its code, so fields find their
  // segments only now.
  for (imprel_reloc &r : s->relocs) r.segment = segment_of(s, r.address);
  sort_relocs(s, true);
  std::vector<std::vector<uint32_t>> offsets(count);
  for (const imprel_reloc &r : s->relocs) {
    if (r.segment >= count) {
      msg(MSG_IMAGE_TOO_LARGE, (unsigned long)r.address);
      continue;
    }
    offsets[r.segment].push_back(r.address - s->segments[r.segment].address);
  }
  header_buf h(s, SEGEXE_HEADER_SIZE * (count + 1));
  h.text(0, "TV", 2);
  h.u16(2, (uint32_t)count);
  h.u16(4, (wide ? 8 : 4) + (s->have_start ? 2 : 0) + (s->opt.stack_given ? 1 : 0));
  h.u32(8, image_start(s));
  h.u16(12, s->start_segment);
  h.u32(16, s->opt.stack_size);
  uint64_t pos = SEGEXE_HEADER_SIZE * (count + 1);
  for (size_t i = 0; i < count; i++) {
    const imprel_segment &g = s->segments[i];
    size_t at = SEGEXE_HEADER_SIZE * (i + 1);
    uint64_t size = round_up(g.length, 16);
    uint64_t memory = g.stack ? size + round_up(s->opt.stack_size, 16) : size;
    h.u16(at, g.code ? 1 : g.stack ? 3 : 2);
    h.u16(at + 2, g.selector);
    h.u32(at + 4, (uint32_t)pos);
    h.u32(at + 8, (uint32_t)size);
    h.u32(at + 12, (uint32_t)memory);
    h.u32(at + 16, (uint32_t)offsets[i].size());
    h.u32(at + 20, (uint32_t)(offsets[i].size() * word));
    h.u32(at + 24, g.address);
    h.u32(at + 28, g.link);
    pos += size + offsets[i].size() * word;
  }
  h.write();
  for (size_t i = 0; i < count; i++) {
    const imprel_segment &g = s->segments[i];
    image_copy_range(s, g.address, g.address + round_up(g.length, 16));
    for (uint32_t offset : offsets[i]) {
      uint8_t field[4];
      if (wide)
        target_put32(s, field, offset);
      else
        target_put16(s, field, offset);
      out_bytes(&s->out, field, word);
    }
  }
}

// -x: a 76-byte header (u16 magic 518, u16 44, u32 code size, data size,
// bss size, symbol size, relocation size, entry, u16 CPU word, u16 0, the
// two letters "Jd" for a 386 or "id" for another machine, u32 position and
// size of the segment table), segment headers of 32 bytes from offset 96 (u16
// type 1 code 2 data 3 symbols, u16 0, u16 selector, u16 0, u32 file
// position, u32 size in file, u32 memory size, u32 address) ending with the
// symbol segment, the segments' data, then the symbols (u32 value, u16
// selector, u16 flags, u8 name length, name).
void x386_write(imprel_state *s) {
  bool is386 = !*s->opt.machine_kind || strstr(s->opt.machine_kind, "386");
  size_t count = s->segments.size();
  std::vector<uint8_t> symbols;
  for (const imprel_symbol &sym : s->symbols) {
    if (!listed_symbol(sym)) continue;
    size_t length = std::min<size_t>(sym.name.size(), 255);
    header_buf e(s, 9);
    e.u32(0, sym.value);
    e.u16(4, sym.selector);
    e.u16(6, sym.flags);
    e.u8(8, (uint32_t)length);
    symbols.insert(symbols.end(), e.b.begin(), e.b.end());
    symbols.insert(symbols.end(), sym.name.begin(), sym.name.begin() + (long)length);
  }
  uint64_t code = 0, data = 0;
  for (const imprel_segment &g : s->segments) (g.code ? code : data) += g.length;
  uint64_t table = X386_SEGMENT_SIZE * (count + 1);
  header_buf h(s, X386_SEGMENTS_AT + table);
  h.u16(0, 518);
  h.u16(2, 44);
  h.u32(4, (uint32_t)code);
  h.u32(8, (uint32_t)data);
  h.u32(12, sizes_of(s).bss_size);
  h.u32(16, (uint32_t)symbols.size());
  h.u32(24, image_start(s));
  h.u16(28, is386 ? 0x0386 : 0x0286);
  h.text(32, is386 ? "Jd" : "id", 2);
  h.u32(36, X386_SEGMENTS_AT);
  h.u32(40, (uint32_t)table);
  uint64_t pos = X386_SEGMENTS_AT + table;
  for (size_t i = 0; i <= count; i++) {
    size_t at = X386_SEGMENTS_AT + X386_SEGMENT_SIZE * i;
    if (i == count) {
      h.u16(at, 3);
      h.u32(at + 8, (uint32_t)pos);
      h.u32(at + 12, (uint32_t)symbols.size());
      h.u32(at + 16, (uint32_t)symbols.size());
      break;
    }
    const imprel_segment &g = s->segments[i];
    h.u16(at, g.code ? 1 : 2);
    h.u16(at + 4, g.selector);
    h.u32(at + 8, (uint32_t)pos);
    h.u32(at + 12, g.length);
    h.u32(at + 16, g.length);
    h.u32(at + 20, g.address);
    pos += g.length;
  }
  h.write();
  for (const imprel_segment &g : s->segments) image_copy_range(s, g.address, (uint64_t)g.address + g.length);
  out_bytes(&s->out, symbols.data(), symbols.size());
}

// -U: COFF executable: file header, a.out header, the section headers of
// .text, .data and .bss, the text and data bytes, the symbol table and its
// string table. A -B value sets the header size (the file position of the
// text), at least the 168 bytes the headers take.
void coff_header_write(imprel_state *s) {
  uint64_t header = COFF_HEADER_SIZE;
  if (s->opt.base_given) {
    if (s->opt.base < COFF_HEADER_SIZE) {
      msg(MSG_COFF_HEADER_SIZE, (unsigned long)s->opt.base);
      return;
    }
    header = s->opt.base;
  }
  program_sizes z = sizes_of(s);
  uint32_t text = (uint32_t)round_up(z.text_size, 4), data = (uint32_t)round_up(z.data_size, 4);
  uint32_t bss = (uint32_t)round_up(z.bss_size, 4);
  std::vector<const imprel_symbol *> symbols;
  for (const imprel_symbol &sym : s->symbols)
    if (listed_symbol(sym)) symbols.push_back(&sym);
  header_buf h(s, (size_t)header);
  h.u16(0, s->opt.coff_magic);
  h.u16(2, 3);
  h.u32(4, (uint32_t)time(nullptr));
  h.u32(8, (uint32_t)(header + text + data));
  h.u32(12, (uint32_t)symbols.size());
  h.u16(16, COFF_AOUT_HEADER);
  h.u16(18, 0x207);
  size_t a = COFF_FILE_HEADER;
  h.u16(a, s->opt.coff_variant ? 0x107 : 0x10B);
  h.u32(a + 4, text);
  h.u32(a + 8, data);
  h.u32(a + 12, bss);
  h.u32(a + 16, image_start(s));
  h.u32(a + 20, z.text_start);
  h.u32(a + 24, z.data_start);
  struct {
    const char *name;
    uint32_t address, size, position, flags;
  } sections[3] = {
      {".text", z.text_start, text, (uint32_t)header, 0x20},
      {".data", z.data_start, data, (uint32_t)(header + text), 0x40},
      {".bss", z.bss_start, bss, 0, 0x80},
  };
  for (int i = 0; i < 3; i++) {
    size_t at = COFF_FILE_HEADER + COFF_AOUT_HEADER + COFF_SECTION_HEADER * i;
    h.text(at, sections[i].name, 8);
    h.u32(at + 8, sections[i].address);
    h.u32(at + 12, sections[i].address);
    h.u32(at + 16, sections[i].size);
    h.u32(at + 20, sections[i].position);
    h.u32(at + 36, sections[i].flags);
  }
  h.write();
  image_copy_range(s, z.text_start, (uint64_t)z.text_start + text);
  image_copy_range(s, z.data_start, (uint64_t)z.data_start + data);
  std::string strings;
  for (const imprel_symbol *sym : symbols) {
    header_buf e(s, COFF_SYMBOL_SIZE);
    if (sym->name.size() <= 8) {
      e.text(0, sym->name.c_str(), 8);
    } else {
      e.u32(4, (uint32_t)(4 + strings.size()));
      strings += sym->name;
      strings += '\0';
    }
    e.u32(8, sym->value);
    int section = sym->psect == "text" ? 1 : sym->psect == "data" ? 2 : sym->psect == "bss" ? 3 : -1;
    if ((sym->flags & IO_SYM_KIND_MASK) == IO_SYM_REF) section = 0;
    e.u16(12, (uint32_t)(uint16_t)section);
    e.u8(16, (sym->flags & IO_SYM_GLOBAL) ? 2 : 3);
    e.write();
  }
  uint8_t size[4];
  target_put32(s, size, (uint32_t)(4 + strings.size()));
  out_bytes(&s->out, size, 4);
  out_bytes(&s->out, strings.data(), strings.size());
}

// -D: a 512-byte header (name length and up to 63 characters of the input's
// name, the date at 64, "Quenlor " at 80, "PIC" at 88, up to 8 characters of
// the machine name at 96, u32 block count at 104, u32 index position at 108),
// the 512-byte blocks of the image that hold data, then the block index (per
// block u16 number, u32 first and u32 last address written), padded to
// 1024-byte units.
void debug_image_write(imprel_state *s) {
  struct block {
    uint64_t number, first, last;
  };
  std::vector<block> blocks;
  for (uint32_t page : image_sorted_pages(&s->image)) {
    const image_page_desc *p = image_find(&s->image, page);
    for (uint64_t b = p->low / DEBUG_BLOCK; b <= (p->high - 1) / DEBUG_BLOCK; b++)
      blocks.push_back({b, std::max<uint64_t>(p->low, b * DEBUG_BLOCK),
                        std::min<uint64_t>(p->high, (b + 1) * DEBUG_BLOCK) - 1});
  }
  header_buf h(s, DEBUG_HEADER_SIZE);
  size_t name_length = std::min<size_t>(strlen(s->opt.input), 63);
  h.u8(0, (uint32_t)name_length);
  h.text(1, s->opt.input, name_length);
  h.text(64, date_text().c_str(), 15);
  h.text(80, "Quenlor ", 8);
  h.text(88, "PIC", 3);
  h.text(96, s->machine.c_str(), 8);
  h.u32(104, (uint32_t)blocks.size());
  h.u32(108, (uint32_t)(DEBUG_HEADER_SIZE + blocks.size() * DEBUG_BLOCK));
  h.write();
  for (const block &b : blocks) image_copy_range(s, b.number * DEBUG_BLOCK, (b.number + 1) * DEBUG_BLOCK);
  size_t index_size = round_up(std::max<size_t>(blocks.size() * DEBUG_INDEX_ENTRY, 1), DEBUG_INDEX_UNIT);
  header_buf index(s, index_size);
  for (size_t i = 0; i < blocks.size(); i++) {
    size_t at = i * DEBUG_INDEX_ENTRY;
    index.u16(at, (uint32_t)i);
    index.u32(at + 2, (uint32_t)blocks[i].first);
    index.u32(at + 6, (uint32_t)blocks[i].last);
  }
  index.write();
}
