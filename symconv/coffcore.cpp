#include "symconv/coffcore.h"

#include <algorithm>
#include <cstring>
#include <ctime>
#include <map>

#include "common/alert.h"
#include "common/vector.h"
#include "symconv/encdec.h"
#include "symconv/model.h"
#include "symconv/sdb.h"
#include "symconv/type.h"

namespace {

enum {
  FILE_HEADER = 20,
  SECTION_HEADER = 40,
  MAX_SECTIONS = 1000,
  DATA_PIECE = 16384,
  SECTION_BSS = 0x80,
  SECTION_TEXT = 0x20,
  SECTION_ABSOLUTE = 0x1000,
  T_VOID = 1,
  T_FLOAT = 6,
  T_DOUBLE = 7,
  T_UNION = 9,
  T_ENUM = 10,
  MSG_CANT_WRITE = 413,
  MSG_UNKNOWN_CLASS = 633,
  MSG_CANT_READ = 1037,
  MSG_STRING_TABLE = 1038,
  MSG_SYMBOL_INDEX = 1039,
};

// ---- entry fields by flavour ----

uint32_t type_field(const coff_flavour *f, const uint8_t *p) {
  return f->symbol_entry == 20 ? uint32_t(get32(p + 14)) : uint32_t(get16(p + 14));
}
int class_field(const coff_flavour *f, const uint8_t *p) { return p[f->symbol_entry - 2]; }
int aux_field(const coff_flavour *f, const uint8_t *p) { return p[f->symbol_entry - 1]; }

uint32_t slot_bits(const coff_flavour *f) { return f->base_bits == 5 ? 3 : 2; }
uint32_t base_mask(const coff_flavour *f) { return (1u << f->base_bits) - 1; }
uint32_t slot_count(const coff_flavour *f) { return ((f->symbol_entry == 20 ? 32 : 16) - f->base_bits) / slot_bits(f); }

uint32_t base_size(const coff_flavour *f, uint32_t base) { return base < f->size_count ? f->sizes[base] : 0; }

}  // namespace

coff_writer *coff_out;

const char *const coff_file_flag_names[13] = {"Stripped", "Executable", "No lines", "No locals", "0x10",
                                              "0x20", "0x40", "16 bit little endian", "32 bit little endian",
                                              "32 bit big endian", "0x400", "0x800", "New style syms"};

std::string coff_date(uint32_t time_stamp) {
  time_t when = time_t(time_stamp);
  const char *text = ctime(&when);
  return text ? text : "?\n";
}

bool segment_is_program(uint32_t segment) {
  const model_segment *seg = model_segment_at(segment);
  if (!seg) return false;
  auto listed = [](const char *name) {
    for (int k = 0; k < settings.class_count; k++)
      if (name && !strcmp(settings.classes[k], name)) return true;
    return false;
  };
  if (listed(seg->name)) return true;
  const model_segment *cls = seg->space != segment ? model_segment_at(seg->space) : nullptr;
  return cls && listed(cls->name);
}

// ---- reading ----

bool coff_slurp(FILE *in, std::vector<uint8_t> *bytes) {
  uint8_t buffer[DATA_PIECE];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, in)) > 0) bytes->insert(bytes->end(), buffer, buffer + n);
  return !ferror(in);
}

void coff_header_fields(const uint8_t *p, coff_file_header *f) {
  f->magic = uint32_t(get16(p));
  f->sections = uint32_t(get16(p + 2));
  f->time_stamp = uint32_t(get32(p + 4));
  f->symbol_offset = uint32_t(get32(p + 8));
  f->symbol_count = uint32_t(get32(p + 12));
  f->opt_size = uint32_t(get16(p + 16));
  f->flags = uint32_t(get16(p + 18));
}

void coff_section_fields(const uint8_t *p, coff_section_view *s) {
  s->address = uint32_t(get32(p + 8));
  s->virtual_address = uint32_t(get32(p + 12));
  s->size = uint32_t(get32(p + 16));
  s->data_offset = uint32_t(get32(p + 20));
  s->reloc_offset = uint32_t(get32(p + 24));
  s->line_offset = uint32_t(get32(p + 28));
  s->relocs = uint32_t(get16(p + 32));
  s->lines = uint32_t(get16(p + 34));
  s->flags = uint32_t(get32(p + 36));
}

void coff_add_data(uint32_t address, const uint8_t *bytes, uint32_t size, uint32_t segment) {
  for (uint32_t done = 0; done < size;) {
    uint32_t piece = std::min<uint32_t>(DATA_PIECE, size - done);
    model_add_data(address + done, piece, bytes + done, segment);
    done += piece;
  }
}

bool coff_has(const coff_image &f, uint64_t offset, uint64_t size) { return offset + size <= f.bytes.size(); }

bool coff_cant_read(const char *what) {
  msg(MSG_CANT_READ, what);
  return false;
}

bool coff_read_header(FILE *in, coff_image *f) {
  if (!coff_slurp(in, &f->bytes) || !coff_has(*f, 0, FILE_HEADER)) return coff_cant_read("COFF header");
  coff_header_fields(f->bytes.data(), f);
  return true;
}

bool coff_read_strings(coff_image *f) {
  uint64_t strings = uint64_t(f->symbol_offset) + uint64_t(f->flavour->symbol_entry) * f->symbol_count;
  if (!coff_has(*f, strings, 4)) return coff_cant_read("COFF string table size");
  f->string_offset = uint32_t(strings);
  f->string_size = uint32_t(get32(f->bytes.data() + strings));
  if (f->string_size <= 3) {
    msg(MSG_STRING_TABLE, (unsigned long)f->string_size);
    return false;
  }
  return coff_has(*f, strings, f->string_size) || coff_cant_read("COFF string table");
}

namespace {

const char *string_at(const coff_image &f, uint32_t offset) {
  if (offset < 4 || offset >= f.string_size) return nullptr;
  const uint8_t *p = f.bytes.data() + f.string_offset + offset;
  const void *end = memchr(p, 0, f.string_size - offset);
  return end ? reinterpret_cast<const char *>(p) : nullptr;
}

}  // namespace

std::string coff_name_at(const coff_image &f, const uint8_t *p) {
  if (get32(p) == 0 && get32(p + 4) != 0) {
    const char *s = string_at(f, uint32_t(get32(p + 4)));
    return s ? s : "";
  }
  return std::string(reinterpret_cast<const char *>(p), strnlen(reinterpret_cast<const char *>(p), 8));
}

bool coff_read_sections(const coff_image &f, std::vector<coff_section_view> *sections) {
  if (f.sections > MAX_SECTIONS) return coff_cant_read("COFF section header");
  sections->resize(f.sections);
  for (uint32_t k = 0; k < f.sections; k++) {
    uint64_t at = uint64_t(FILE_HEADER) + f.opt_size + uint64_t(SECTION_HEADER) * k;
    if (!coff_has(f, at, SECTION_HEADER)) return coff_cant_read("COFF section header");
    const uint8_t *p = f.bytes.data() + at;
    coff_section_view &s = (*sections)[k];
    s.name = coff_name_at(f, p);
    coff_section_fields(p, &s);
  }
  return true;
}

const uint8_t *coff_symbol_at(const coff_image &f, uint32_t index) {
  uint64_t at = uint64_t(f.symbol_offset) + uint64_t(f.flavour->symbol_entry) * index;
  return index < f.symbol_count && coff_has(f, at, f.flavour->symbol_entry) ? f.bytes.data() + at : nullptr;
}

namespace {

bool ignored_class(const coff_flavour *flavour, int cls) {
  switch (cls) {
    case COFF_C_NULL: case COFF_C_AUTO: case COFF_C_MOS: case COFF_C_STRTAG: case COFF_C_MOU: case COFF_C_UNTAG:
    case COFF_C_TPDEF: case COFF_C_ENTAG: case COFF_C_MOE: case COFF_C_REGPARM: case COFF_C_FIELD:
    case COFF_C_AUTOARG: case COFF_C_BLOCK: case COFF_C_FCN: case COFF_C_EOS:
      return true;
    case COFF_C_EOF: case COFF_C_LIST: case COFF_C_SECTION:
      return flavour->pic;
    default:
      return false;
  }
}

bool known_symbol_class(int cls) { return cls == COFF_C_EXT || cls == COFF_C_STAT || cls == COFF_C_LABEL; }

// A line entry's line number and its address or symbol index.
void line_fields(const coff_flavour *flavour, const uint8_t *p, uint32_t *line, uint32_t *word) {
  if (flavour->pic) {
    *line = uint32_t(get16(p + 4));
    *word = uint32_t(get32(p + 6));
  } else {
    *word = uint32_t(get32(p));
    *line = flavour->line_entry == 8 ? uint32_t(get32(p + 4)) : uint32_t(get16(p + 4));
  }
}

}  // namespace

bool coff_read_model(const coff_image &f, const char *name, uint32_t code_unit) {
  const coff_flavour *flavour = f.flavour;
  std::vector<coff_section_view> sections;
  if (!coff_read_sections(f, &sections)) return false;
  uint32_t first_segment = vec_size(model.segments);
  for (uint32_t k = 0; k < f.sections; k++) {
    const coff_section_view &s = sections[k];
    uint32_t start = s.address * code_unit;
    model_add_segment(s.name.c_str(), start, s.size, start, k);
  }
  for (uint32_t k = 0; k < f.sections; k++) {
    const coff_section_view &s = sections[k];
    if ((s.flags & SECTION_BSS) || !s.size || !s.data_offset) continue;
    if (!coff_has(f, s.data_offset, s.size)) return coff_cant_read("COFF data");
    coff_add_data(s.address * code_unit, f.bytes.data() + s.data_offset, s.size, first_segment + k + 1);
  }
  // The .file entries by symbol index, and the file in force at every
  // symbol, for the lines.
  std::map<uint32_t, uint32_t> file_of_entry, file_at_symbol;
  uint32_t current_file = 0;
  for (uint32_t k = 0; k < f.symbol_count; k++) {
    const uint8_t *p = coff_symbol_at(f, k);
    if (!p) return coff_cant_read("COFF symbol table");
    std::string symbol = coff_name_at(f, p);
    int cls = class_field(flavour, p);
    int section = int16_t(get16(p + 12));
    uint32_t segment = section > 0 ? first_segment + uint32_t(section) : 0;
    if (cls == COFF_C_FILE) {
      const uint8_t *aux = aux_field(flavour, p) ? coff_symbol_at(f, k + 1) : nullptr;
      std::string file_name = symbol;
      if (aux && flavour->pic) {
        const char *file = string_at(f, uint32_t(get32(aux)));
        if (file) file_name = file;
      } else if (aux) {
        file_name = coff_name_at(f, aux);
      }
      model_file *m = model_find_file(file_name.c_str());
      current_file = m ? m->index : model_add_file(file_name.c_str());
      file_of_entry[k] = current_file;
    } else if (!ignored_class(flavour, cls)) {
      // A class this reader does not know is kept, and said so.
      if (!known_symbol_class(cls)) msg(MSG_UNKNOWN_CLASS, symbol.c_str(), unsigned(cls));
      // Symbols before any .file belong to the input itself.
      if (!current_file) current_file = model_add_file(name);
      model_add_symbol(symbol.c_str(), uint32_t(get32(p + 8)), segment, current_file, 0);
    }
    file_at_symbol[k] = current_file;
    k += uint32_t(aux_field(flavour, p));
  }
  for (uint32_t k = 0; k < f.sections; k++) {
    const coff_section_view &s = sections[k];
    uint32_t file = 0;
    for (uint32_t j = 0; j < s.lines; j++) {
      uint64_t at = uint64_t(s.line_offset) + uint64_t(flavour->line_entry) * j;
      if (!coff_has(f, at, flavour->line_entry)) return coff_cant_read("COFF line number");
      const uint8_t *p = f.bytes.data() + at;
      uint32_t line, word;
      line_fields(flavour, p, &line, &word);
      if (!line) {
        // PIC COFF names a .file entry here, the others the function's
        // symbol, whose file is the one in force where it stands.
        const std::map<uint32_t, uint32_t> &switches = flavour->pic ? file_of_entry : file_at_symbol;
        auto found = switches.find(word);
        if (found != switches.end()) file = found->second;
        continue;
      }
      uint32_t line_file = file;
      if (flavour->pic) {
        // A line names its own .file entry; a switch serves lines that
        // name none, and a .file at index 0 those before any switch.
        uint32_t source = uint32_t(get32(p));
        auto own = file_of_entry.find(source);
        if (own != file_of_entry.end() && (source || !file)) line_file = own->second;
      }
      model_add_line(line, word, 0, line_file, 0);
    }
  }
  return true;
}

// ---- dump ----

namespace {

const char *const section_flag_names[] = {"dummy", "noload", "group", "padding", "group end", "text",
                                          "data", "bss", "romdata", "0x200", "0x400", "0x800",
                                          "absolute", "shared", "overlaid", "access bank", "activation record"};

const char *const base_type_names[] = {"null", "void", "char", "short", "int", "long", "float",
                                       "double", "struct", "union", "enum", "moe", "uchar", "ushort",
                                       "uint", "ulong", "lngdbl", "slong", "uslong"};

struct class_name {
  int cls;
  const char *text;
};

const class_name class_names[] = {
    {255, "physical end of function"},
    {0, "null class"},
    {1, "automatic variable"},
    {2, "external symbol"},
    {3, "static"},
    {4, "register variable"},
    {5, "external definition"},
    {6, "label"},
    {7, "undefined label"},
    {8, "member of structure"},
    {9, "function argument"},
    {10, "structure tag"},
    {11, "member of union"},
    {12, "union tag"},
    {13, "type definition"},
    {14, "undefined static"},
    {15, "enumeration tag"},
    {16, "member of enumeration"},
    {17, "register parameter"},
    {18, "bit field"},
    {19, "auto argument"},
    {20, "dummy entry (end of block)"},
    {100, ".bb or .eb"},
    {101, ".bf or .ef"},
    {102, "end of structure"},
    {103, "file name"},
    {104, "line # reformatted as symbol table entry"},
    {105, "duplicate tag"},
    {106, "ext symbol in dmert public lib"},
    {107, "end of file"},
    {108, "absolute listing toggle"},
    {109, "section"},
    {127, "weak symbol (GNU)"},
};

std::string class_text(const coff_flavour *flavour, int cls) {
  bool pic_only = cls == COFF_C_EOF || cls == COFF_C_LIST || cls == COFF_C_SECTION;
  for (const class_name &c : class_names)
    if (c.cls == cls && (flavour->pic || !pic_only)) return c.text;
  return "??Unknown (" + std::to_string(cls) + ")";
}

std::string section_text(const std::vector<coff_section_view> &sections, int number) {
  if (number == 0) return "undef";
  if (number < 1 || uint32_t(number) > sections.size()) return "(abs)";
  return sections[size_t(number) - 1].name;
}

std::string type_text(const coff_flavour *flavour, uint32_t word, const uint8_t *aux) {
  std::string text;
  char piece[64];
  // The first slot is the outermost derivation.
  for (uint32_t slot = 0; slot < slot_count(flavour); slot++) {
    uint32_t d = (word >> (uint32_t(flavour->base_bits) + slot_bits(flavour) * slot)) & ((1u << slot_bits(flavour)) - 1);
    if (!d) break;
    if (d == COFF_DT_PTR) {
      text += "pointer to ";
    } else if (d == COFF_DT_FCN) {
      text += "function ";
      if (aux && flavour->pic) {
        snprintf(piece, sizeof piece, "[lineptr %lX, endndx %ld] ", (unsigned long)get32(aux + 4),
                 long(int32_t(get32(aux + 12))));
        text += piece;
      }
      text += "returning ";
    } else if (d == COFF_DT_ARY) {
      text += "array ";
      bool any = false;
      for (int k = 0; aux && k < 4; k++) {
        uint32_t dim = uint32_t(get16(aux + 8 + 2 * k));
        if (!dim) break;
        snprintf(piece, sizeof piece, "[%u] of ", dim);
        text += piece;
        any = true;
      }
      if (!any) text += "[] of ";
    }
  }
  uint32_t base = word & base_mask(flavour);
  if (base < sizeof base_type_names / sizeof base_type_names[0]) {
    text += base_type_names[base];
  } else {
    snprintf(piece, sizeof piece, "type 0x%lX", (unsigned long)base);
    text += piece;
  }
  if ((base == COFF_T_STRUCT || base == T_UNION || base == T_ENUM) && aux) {
    snprintf(piece, sizeof piece, " [%lu]", (unsigned long)get16(aux + 6));
    text += piece;
  }
  return text;
}

// Element size and count of a symbol's type, for the listing.
void element_of(const coff_flavour *flavour, uint32_t word, const uint8_t *aux, unsigned long *size,
                unsigned long *count) {
  uint32_t outer = (word >> flavour->base_bits) & ((1u << slot_bits(flavour)) - 1), base = word & base_mask(flavour);
  uint32_t aux_size = aux ? uint32_t(get16(aux + 6)) : 0;
  *count = 1;
  if (outer == COFF_DT_ARY) {
    unsigned long n = 1;
    for (int k = 0; aux && k < 4; k++)
      if (uint32_t dim = uint32_t(get16(aux + 8 + 2 * k))) n *= dim;
    *count = n;
    *size = n ? aux_size / n : 0;
  } else if (outer == COFF_DT_PTR) {
    *size = flavour->pointer_size;
  } else if (base == COFF_T_STRUCT || base == T_UNION || base == T_ENUM) {
    *size = aux_size;
  } else {
    *size = base_size(flavour, base);
  }
}

void dump_symbol(const coff_image &f, const std::vector<coff_section_view> &sections, uint32_t index,
                 const uint8_t *p, const uint8_t *aux, bool with_offset) {
  const coff_flavour *flavour = f.flavour;
  std::string name = coff_name_at(f, p);
  int cls = class_field(flavour, p);
  uint32_t value = uint32_t(get32(p + 8)), word = type_field(flavour, p);
  int section = int16_t(get16(p + 12));
  unsigned long size, count;
  element_of(flavour, word, aux, &size, &count);
  if (with_offset)
    printf("%5u: (%ld)\t", index, long(p - f.bytes.data()));
  else
    printf("%5u:\t", index);
  printf("%24.24s %u %lu[%lu]\t", class_text(flavour, cls).c_str(), unsigned(aux_field(flavour, p)), size, count);
  std::string type = type_text(flavour, word, aux);
  switch (cls) {
    case COFF_C_NULL:
    case COFF_C_EOF:
      printf("%s", name.c_str());
      break;
    case COFF_C_AUTO: case COFF_C_REG: case COFF_C_MOS: case COFF_C_ARG: case COFF_C_MOU: case COFF_C_TPDEF:
    case COFF_C_MOE: case COFF_C_REGPARM: case COFF_C_AUTOARG:
      printf("%s = %lX: %s", name.c_str(), (unsigned long)value, type.c_str());
      break;
    case COFF_C_EXT: case COFF_C_STAT: case COFF_C_LABEL: case COFF_C_WEAKEXT:
      printf("%s = %lX: %s %s", name.c_str(), (unsigned long)value, section_text(sections, section).c_str(),
             type.c_str());
      break;
    case COFF_C_STRTAG: case COFF_C_UNTAG: case COFF_C_ENTAG: case COFF_C_EOS:
      printf("%s", name.c_str());
      if (aux)
        printf(": tag %lu, size %u, index %lu", (unsigned long)get32(aux), unsigned(get16(aux + 6)),
               (unsigned long)get32(aux + 12));
      break;
    case COFF_C_FIELD:
      printf("%s = %lX", name.c_str(), (unsigned long)value);
      if (aux) printf(": size %u", unsigned(get16(aux + 6)));
      break;
    case COFF_C_BLOCK:
    case COFF_C_FCN:
      printf("%s = %lX: %s", name.c_str(), (unsigned long)value, section_text(sections, section).c_str());
      if (aux) printf(": line %u, index %lu", unsigned(get16(aux + 4)), (unsigned long)get32(aux + 12));
      break;
    case COFF_C_FILE: {
      if (!flavour->pic) {
        unsigned offset = aux && !get32(aux) ? unsigned(get32(aux + 4)) : 0;
        printf("%s [%u]", aux ? coff_name_at(f, aux).c_str() : name.c_str(), offset);
        break;
      }
      uint32_t offset = aux ? uint32_t(get32(aux)) : 0;
      const char *file = string_at(f, offset);
      printf("%s [%u]", file ? file : name.c_str(), offset);
      break;
    }
    case COFF_C_LIST:
      if (!flavour->pic) goto other;
      printf("%s: %lX", name == ".list" ? "ON" : name == ".nolist" ? "OFF" : name.c_str(), (unsigned long)value);
      break;
    case COFF_C_SECTION:
      if (!flavour->pic) goto other;
      printf("%s = %lX", name.c_str(), (unsigned long)value);
      if (aux)
        printf(": size %lX, relocs %d, lines %d", (unsigned long)get32(aux), int(get16(aux + 4)),
               int(get16(aux + 6)));
      break;
    default:
    other:
      // Classes without a layout of their own still show what they hold.
      printf("%s = %lX: %s", name.c_str(), (unsigned long)value, section_text(sections, section).c_str());
      break;
  }
  putchar('\n');
}

}  // namespace

bool coff_dump_body(const coff_image &f, bool with_offsets) {
  const coff_flavour *flavour = f.flavour;
  const int verbosity = settings.verbosity;
  if (f.sections > MAX_SECTIONS) return coff_cant_read("COFF section header");
  std::vector<coff_section_view> sections;
  if (!coff_read_sections(f, &sections)) return false;
  for (uint32_t k = 0; k < f.sections; k++) {
    const coff_section_view &s = sections[k];
    printf("Section %d: %s: @%lX", int(k + 1), s.name.c_str(), (unsigned long)s.address);
    if (verbosity >= 2)
      printf(" scnptr 0x%lX relptr 0x%lX lnnoptr 0x%lX", (unsigned long)s.data_offset, (unsigned long)s.reloc_offset,
             (unsigned long)s.line_offset);
    printf(" size 0x%lX lines %u relocs %u flags 0x%lX", (unsigned long)s.size, s.lines, s.relocs,
           (unsigned long)s.flags);
    if (verbosity >= 2) {
      bool first = true;
      for (int bit = 16; bit >= 1; bit--) {
        if (!(s.flags & (1u << bit))) continue;
        printf(first ? " ( %s" : ", %s", section_flag_names[bit]);
        first = false;
      }
      if (!first) printf(" )");
    }
    putchar('\n');
  }
  printf("\nString table: %ld bytes, file offset 0x%lX\n", long(f.string_size), (unsigned long)f.string_offset);
  if (verbosity >= 2)
    for (uint32_t at = 4; at < f.string_size;) {
      const char *s = string_at(f, at);
      if (!s) break;
      printf("%5d:\t%s\n", int(at), s);
      at += uint32_t(strlen(s) + 1);
    }
  if (verbosity < 1) return true;
  printf("Symbol table:\n");
  for (uint32_t k = 0; k < f.symbol_count; k++) {
    const uint8_t *p = coff_symbol_at(f, k);
    if (!p) return coff_cant_read("COFF symbol table");
    const uint8_t *aux = nullptr;
    uint32_t aux_count = uint32_t(aux_field(flavour, p));
    if (aux_count) {
      if (k + aux_count >= f.symbol_count) {
        msg(MSG_SYMBOL_INDEX, (unsigned long)(k + aux_count), (unsigned long)f.symbol_count);
        return false;
      }
      aux = coff_symbol_at(f, k + 1);
      if (!aux) return coff_cant_read("COFF symbol table");
    }
    dump_symbol(f, sections, k, p, aux, with_offsets);
    k += aux_count;
  }
  for (uint32_t k = 0; k < f.sections; k++) {
    const coff_section_view &s = sections[k];
    if (!s.lines) continue;
    printf("Section %d line numbers: %lu, file offset 0x%lX\n", int(k + 1), (unsigned long)s.lines,
           (unsigned long)s.line_offset);
    for (uint32_t j = 0; j < s.lines; j++) {
      uint64_t at = uint64_t(s.line_offset) + uint64_t(flavour->line_entry) * j;
      if (!coff_has(f, at, flavour->line_entry)) return coff_cant_read("COFF line number");
      const uint8_t *p = f.bytes.data() + at;
      uint32_t line, word;
      line_fields(flavour, p, &line, &word);
      if (!line) {
        const uint8_t *sym = coff_symbol_at(f, word);
        printf("Symbol: %s (%lu)\n", sym ? coff_name_at(f, sym).c_str() : "??", (unsigned long)word);
      } else if (flavour->pic) {
        printf("%5.5ld:\tsrcndx: %lu, paddr: 0x%lX, flags 0x%X, fcnndx: %lu\n", long(line), (unsigned long)get32(p),
               (unsigned long)word, unsigned(get16(p + 10)), (unsigned long)get32(p + 12));
      } else {
        printf("%5.5ld:\t%lX\n", long(line), (unsigned long)word);
      }
    }
  }
  return true;
}

// ---- writing ----

void coff_writer_open(const coff_flavour *flavour) {
  coff_writer_close();
  coff_out = new coff_writer;
  coff_out->flavour = flavour;
  coff_out->tags = type_table_new();
}

void coff_writer_close() {
  if (!coff_out) return;
  type_table_free(coff_out->tags);
  for (type_chain *key : coff_out->tag_keys) type_chain_free(key);
  delete coff_out;
  coff_out = nullptr;
}

uint32_t coff_string(const std::string &text) {
  uint32_t offset = 4;
  for (const std::string &s : coff_out->strings) {
    if (s == text) return offset;
    offset += uint32_t(s.size() + 1);
  }
  coff_out->strings.push_back(text);
  coff_out->string_size += uint32_t(text.size() + 1);
  return offset;
}

void coff_put_name(uint8_t *p, const std::string &name) {
  memset(p, 0, 8);
  if (name.size() <= 8) {
    memcpy(p, name.data(), name.size());
    return;
  }
  put32(p + 4, coff_string(name));
}

uint32_t coff_add_entry(const std::string &name, uint32_t value, int section, uint32_t type, int cls,
                        int aux_count) {
  const coff_flavour *f = coff_out->flavour;
  std::vector<uint8_t> e(f->symbol_entry, 0);
  coff_put_name(e.data(), name);
  put32(e.data() + 8, value);
  put16(e.data() + 12, uint16_t(int16_t(section)));
  if (f->symbol_entry == 20)
    put32(e.data() + 14, type);
  else
    put16(e.data() + 14, type & 0xFFFF);
  e[f->symbol_entry - 2] = uint8_t(cls);
  e[f->symbol_entry - 1] = uint8_t(aux_count);
  coff_out->entries.push_back(e);
  return uint32_t(coff_out->entries.size() - 1);
}

uint32_t coff_add_aux() {
  coff_out->entries.emplace_back(coff_out->flavour->symbol_entry, 0);
  return uint32_t(coff_out->entries.size() - 1);
}

uint8_t *coff_entry(uint32_t index) { return coff_out->entries[index].data(); }

uint32_t coff_add_type_aux(const coff_type_aux &aux) {
  uint32_t index = coff_add_aux();
  uint8_t *p = coff_entry(index);
  put32(p, aux.tag);
  put16(p + 6, aux.size & 0xFFFF);
  for (int k = 0; k < 4; k++)
    if (aux.dims[k]) put16(p + 8 + 2 * k, aux.dims[k]);
  if (aux.pending) coff_out->pending.push_back({index, aux.pending});
  return index;
}

uint32_t coff_add_block_entry(const char *name, uint32_t value, int section, int cls, int line) {
  coff_add_entry(name, value, section, 0, cls, 1);
  uint32_t aux = coff_add_aux();
  put16(coff_entry(aux) + 4, uint16_t(line));
  return aux;
}

namespace {

// Every symbol and line asks for its section: a search of all blocks for
// each made a large program's files take time in the square of its size.
void index_blocks(coff_writer *w) {
  std::vector<uint32_t> &order = w->blocks_by_address;
  order.clear();
  for (uint32_t k = 0; k < vec_size(model.data); k++)
    if (model_data_nth(k)->length) order.push_back(k);
  std::stable_sort(order.begin(), order.end(),
                   [](uint32_t a, uint32_t b) { return model_data_nth(a)->address < model_data_nth(b)->address; });
  for (size_t i = 1; i < order.size(); i++) {
    const model_data *before = model_data_nth(order[i - 1]), *after = model_data_nth(order[i]);
    if (uint64_t(before->address) + before->length > after->address) {
      order.clear();
      return;
    }
  }
}

}  // namespace

void coff_make_sections(bool abs_section) {
  coff_writer *w = coff_out;
  w->sections.clear();
  if (abs_section) {
    coff_section abs;
    abs.name = "ABS";
    abs.flags = SECTION_ABSOLUTE;
    w->sections.push_back(abs);
  }
  uint32_t segments = vec_size(model.segments);
  w->segment_section.assign(segments + 1, 0);
  for (uint32_t k = 1; k <= segments; k++) {
    if (segment_is_program(k)) continue;
    const model_segment *seg = model_segment_at(k);
    int same = 0;
    for (uint32_t j = 1; j < k; j++)
      if (!strcmp(model_segment_at(j)->name, seg->name)) same++;
    coff_section s;
    s.name = same ? std::string(seg->name) + "." + std::to_string(same) : seg->name;
    if (!w->flavour->long_section_names && s.name.size() > 8) s.name.resize(8);
    s.address = seg->start / w->data_unit;
    s.size = seg->size;
    s.flags = SECTION_BSS;
    w->sections.push_back(s);
    w->segment_section[k] = uint32_t(w->sections.size());
  }
  w->first_block_section = uint32_t(w->sections.size() + 1);
  for (uint32_t k = 0; k < vec_size(model.data); k++) {
    const model_data *d = model_data_nth(k);
    coff_section s;
    s.name = "_text" + std::to_string(k);
    s.address = d->address / w->code_unit;
    s.size = d->length;
    s.flags = SECTION_TEXT;
    s.has_data = true;
    s.block = k;
    w->sections.push_back(s);
  }
  index_blocks(w);
}

int coff_section_of(uint32_t address, uint32_t segment) {
  coff_writer *w = coff_out;
  model_segment *seg = model_segment_at(segment);
  if (!seg) return 0;
  if (segment_is_program(segment)) {
    uint64_t byte_address = uint64_t(address) * w->code_unit;
    const std::vector<uint32_t> &order = w->blocks_by_address;
    if (!order.empty()) {
      auto after = std::upper_bound(order.begin(), order.end(), byte_address, [](uint64_t a, uint32_t k) {
        return a < model_data_nth(k)->address;
      });
      if (after == order.begin()) return 0;
      uint32_t k = *(after - 1);
      const model_data *d = model_data_nth(k);
      return byte_address < uint64_t(d->address) + d->length ? int(w->first_block_section + k) : 0;
    }
    for (uint32_t k = 0; k < vec_size(model.data); k++) {
      const model_data *d = model_data_nth(k);
      if (byte_address >= d->address && byte_address < uint64_t(d->address) + d->length)
        return int(w->first_block_section + k);
    }
    return 0;
  }
  uint32_t k = model_segment_of(seg->space, address, w->data_unit);
  if (k && k < w->segment_section.size() && w->segment_section[k]) return int(w->segment_section[k]);
  if (segment < w->segment_section.size() && w->segment_section[segment]) return int(w->segment_section[segment]);
  return 0;
}

// ---- types ----

namespace {

uint32_t derive(uint32_t inner, int derivation) {
  const coff_flavour *f = coff_out->flavour;
  uint32_t mask = base_mask(f);
  uint32_t word = ((inner & ~mask) << slot_bits(f)) | (uint32_t(derivation) << f->base_bits) | (inner & mask);
  return f->symbol_entry == 20 ? word : word & 0xFFFF;
}

uint32_t basic_code(const type_elem &e) {
  const coff_flavour *f = coff_out->flavour;
  switch (e.value) {
    case TC_VOID:
      return T_VOID;
    case TC_SIGNED:
      return e.size >= 1 && e.size <= 4 ? f->signed_codes[e.size] : 0;
    case TC_UNSIGNED:
      return e.size >= 1 && e.size <= 4 ? f->unsigned_codes[e.size] : 0;
    case TC_FLOAT:
      return e.size == base_size(f, T_FLOAT) ? T_FLOAT : T_DOUBLE;
    default:
      return 0;
  }
}

const sdb_record *struct_of(const type_chain *chain) {
  for (uint32_t k = chain ? chain->count : 0; k-- > 0;) {
    const type_elem &e = chain->elems[k];
    if (e.kind == TK_STRUCT) return e.record;
    if (e.kind == TK_ENUM || e.kind == TK_BASIC) return nullptr;
  }
  return nullptr;
}

type_chain *struct_key(const sdb_record *s) {
  type_chain *key = type_chain_new();
  type_chain_push(key, TK_STRUCT, s->name, 0, 0, const_cast<sdb_record *>(s));
  return key;
}

int *tag_of(const sdb_record *s) {
  type_chain *key = struct_key(s);
  int *found = type_table_get(coff_out->tags, key);
  type_chain_free(key);
  return found;
}

uint32_t size_of(const coff_type &t) {
  const coff_flavour *f = coff_out->flavour;
  uint32_t outer = coff_outer(t.word);
  if (outer == COFF_DT_PTR) return f->pointer_size;
  if (outer == COFF_DT_FCN) return 0;
  if (outer == COFF_DT_ARY) return t.aux.size;
  uint32_t base = t.word & base_mask(f);
  if (base == COFF_T_STRUCT || base == T_UNION) return t.aux.size;
  return base_size(f, base);
}

coff_type type_from(const type_chain *chain, int k) {
  coff_type t;
  while (k >= 0 && chain->elems[k].kind == TK_QUALIFIER) k--;
  if (k < 0) return t;
  const coff_flavour *f = coff_out->flavour;
  const type_elem &e = chain->elems[k];
  switch (e.kind) {
    case TK_BASIC:
      t.word = basic_code(e);
      break;
    case TK_POINTER:
    case TK_FUNCTION:
      t = type_from(chain, k - 1);
      t.word = derive(t.word, e.kind == TK_POINTER ? COFF_DT_PTR : COFF_DT_FCN);
      break;
    case TK_ARRAY: {
      coff_type inner = type_from(chain, k - 1);
      bool inner_array = coff_outer(inner.word) == COFF_DT_ARY;
      t = inner;
      t.leaf_size = inner_array ? inner.leaf_size : size_of(inner);
      t.word = derive(inner.word, COFF_DT_ARY);
      t.aux.present = true;
      t.aux.dims[3] = t.aux.dims[2];
      t.aux.dims[2] = t.aux.dims[1];
      t.aux.dims[1] = t.aux.dims[0];
      t.aux.dims[0] = uint16_t(e.value);
      uint64_t inner_size = inner_array ? inner.aux.size : t.leaf_size;
      t.aux.size = uint32_t((inner_size * e.value) & 0xFFFF);
      break;
    }
    case TK_STRUCT:
      t.word = COFF_T_STRUCT;
      t.aux.present = true;
      if (e.record) {
        t.aux.size = uint32_t(e.record->struct_size);
        if (int *tag = tag_of(e.record))
          t.aux.tag = uint32_t(*tag);
        else
          t.aux.pending = e.record;
      }
      break;
    case TK_ENUM:
      if (e.record && e.record->sign_code == 1)
        t.word = e.record->size_code == 1 ? f->enum_small : f->enum_large;
      else
        t.word = f->enum_unsigned;
      break;
    default:
      break;
  }
  return t;
}

// The tag of a structure, its members and its end, then its members'
// own structures.
void emit_struct(const sdb_record *s) {
  if (tag_of(s)) return;
  const coff_flavour *f = coff_out->flavour;
  std::string name = s->second_name && *s->second_name ? s->second_name : "";
  if (name.empty()) name = ".u" + std::to_string(coff_out->tag_counter++);
  uint32_t tag = coff_add_entry(name, 0, f->tag_section, 0, s->is_union ? COFF_C_UNTAG : COFF_C_STRTAG, 1);
  type_chain *key = struct_key(s);
  coff_out->tag_keys.push_back(key);
  type_table_put(coff_out->tags, key, int(tag));
  uint32_t tag_aux = coff_add_aux();
  put16(coff_entry(tag_aux) + 6, uint16_t(s->struct_size));
  for (uint32_t k = 0; k < s->member_count; k++) {
    const sdb_member &m = s->members[k];
    std::string member = m.name ? m.name : "";
    if (m.bit_width) {
      coff_add_entry(member, uint32_t(m.bit_offset + 8 * m.offset), f->tag_section, COFF_T_UCHAR, COFF_C_FIELD, 1);
      put16(coff_entry(coff_add_aux()) + 6, uint16_t(m.bit_width));
      continue;
    }
    coff_type t = coff_type_of(m.type);
    coff_add_entry(member, uint32_t(m.offset), f->tag_section, t.word, s->is_union ? COFF_C_MOU : COFF_C_MOS,
                   t.aux.present ? 1 : 0);
    if (t.aux.present) coff_add_type_aux(t.aux);
  }
  coff_add_entry(".eos", 0, f->eos_section, 0, COFF_C_EOS, 1);
  uint32_t eos_aux = coff_add_aux();
  put32(coff_entry(eos_aux), tag);
  put16(coff_entry(eos_aux) + 6, uint16_t(s->struct_size));
  put32(coff_entry(tag_aux) + 12, eos_aux);
  for (uint32_t k = 0; k < s->member_count; k++) coff_emit_tags(s->members[k].type);
}

}  // namespace

uint32_t coff_outer(uint32_t word) {
  const coff_flavour *f = coff_out->flavour;
  return (word >> f->base_bits) & ((1u << slot_bits(f)) - 1);
}

coff_type coff_type_of(const type_chain *chain) {
  if (!chain || !chain->count) return coff_type{};
  return type_from(chain, int(chain->count) - 1);
}

void coff_emit_tags(const type_chain *chain) {
  if (const sdb_record *s = struct_of(chain)) emit_struct(s);
}

void coff_patch_pending() {
  std::vector<coff_pending_tag> left;
  for (const coff_pending_tag &p : coff_out->pending) {
    if (int *tag = tag_of(p.structure))
      put32(coff_entry(p.aux_index), uint32_t(*tag));
    else
      left.push_back(p);
  }
  coff_out->pending = left;
}

void coff_mark_written(const char *name) {
  if (model_symbol *s = name ? model_find_symbol(name) : nullptr) s->flags |= COFF_SYM_WRITTEN;
}

// ---- the image ----

std::vector<uint8_t> coff_image_start(uint32_t opt_size) {
  size_t headers = FILE_HEADER + opt_size + SECTION_HEADER * coff_out->sections.size();
  std::vector<uint8_t> image(headers, 0);
  for (coff_section &s : coff_out->sections) {
    if (!s.has_data) continue;
    const model_data *d = model_data_nth(s.block);
    s.data_offset = uint32_t(image.size());
    image.insert(image.end(), d->bytes, d->bytes + d->length);
  }
  return image;
}

bool coff_image_finish(FILE *out, const char *name, std::vector<uint8_t> *image, uint32_t magic, uint32_t opt_size,
                       uint32_t flags) {
  coff_writer *w = coff_out;
  // Long section names go into the string table with the rest.
  for (const coff_section &s : w->sections)
    if (s.name.size() > 8) coff_string(s.name);
  uint32_t symbol_offset = uint32_t(image->size());
  for (const std::vector<uint8_t> &e : w->entries) image->insert(image->end(), e.begin(), e.end());
  uint8_t size[4];
  put32(size, w->string_size + 4);
  image->insert(image->end(), size, size + 4);
  for (const std::string &s : w->strings) image->insert(image->end(), s.c_str(), s.c_str() + s.size() + 1);
  uint8_t *p = image->data();
  p[0] = uint8_t(magic >> 8);
  p[1] = uint8_t(magic);
  put16(p + 2, w->sections.size());
  put32(p + 4, uint32_t(time(nullptr)));
  put32(p + 8, symbol_offset);
  put32(p + 12, w->entries.size());
  put16(p + 16, opt_size);
  put16(p + 18, flags);
  p += FILE_HEADER + opt_size;
  for (const coff_section &s : w->sections) {
    coff_put_name(p, s.name);
    put32(p + 8, s.address);
    put32(p + 12, s.address);  // readers insist that both addresses agree
    put32(p + 16, s.size);
    put32(p + 20, s.data_offset);
    put32(p + 28, s.line_offset);
    put16(p + 34, s.line_count);
    put32(p + 36, s.flags);
    p += SECTION_HEADER;
  }
  if (fwrite(image->data(), 1, image->size(), out) != image->size()) {
    msg(MSG_CANT_WRITE, name);
    return false;
  }
  return true;
}
