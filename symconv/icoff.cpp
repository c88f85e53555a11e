#include "symconv/icoff.h"

#include <algorithm>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "common/alert.h"
#include "common/vector.h"
#include "symconv/encdec.h"
#include "symconv/coffcore.h"
#include "symconv/model.h"

namespace {

enum {
  FILE_HEADER = 20,
  SECTION_HEADER = 40,
  LINE_ENTRY = 6,
  SYMBOL_ENTRY = 18,
  ICOFF_MAGIC = 0x0181,
  ICOFF_FLAGS = 0x1003,
  SECTION_TEXT = 0x4020,
  SECTION_DATA = 0x4040,
  SECTION_BSS = 0x4080,
  BSS_BIT = 0x80,
  MAX_SECTIONS = 1000,
  TYPE_FUNCTION = 28,
  MSG_CANT_WRITE = 413,
  MSG_MANY_FILES = 625,
  MSG_UNKNOWN_CLASS = 633,
  MSG_CANT_READ = 1037,
};

enum icoff_class { I_GLOBAL = 1, I_LOCAL = 2, I_LABEL = 3, I_SECTION_SIZE = 9, I_FILE = 55 };

// A model symbol of this flag value is a function.
constexpr uint32_t MSYM_FUNCTION = 0x4;

void put_section_header(uint8_t *p, const model_segment *seg, uint32_t data_offset, uint32_t line_offset,
                        uint32_t lines, uint32_t flags) {
  strncpy(reinterpret_cast<char *>(p), seg->name, 8);
  put32(p + 8, seg->start);
  put32(p + 12, seg->start);
  put32(p + 16, seg->size);
  put32(p + 20, data_offset);
  put32(p + 28, line_offset);
  put16(p + 34, lines);
  put32(p + 36, flags);
}

// Every file and symbol name once, in byte order, with its offset.
std::vector<std::string> string_list() {
  std::vector<std::string> names;
  for (uint32_t k = 0; k < vec_size(model.files); k++) {
    const model_file *file = model_file_at(k + 1);
    names.push_back(file->name);
    for (uint32_t j = 0; j < file->symbol_count; j++) names.push_back(file->symbols[j]->name);
  }
  std::sort(names.begin(), names.end(), [](const std::string &a, const std::string &b) {
    return strcmp(a.c_str(), b.c_str()) < 0;
  });
  names.erase(std::unique(names.begin(), names.end()), names.end());
  return names;
}

uint32_t string_offset(const std::vector<std::string> &names, const std::vector<uint32_t> &offsets,
                       const char *name) {
  auto at = std::lower_bound(names.begin(), names.end(), name,
                             [](const std::string &a, const char *b) { return strcmp(a.c_str(), b) < 0; });
  return offsets[size_t(at - names.begin())];
}

void put_symbol(std::vector<uint8_t> &image, uint32_t name, uint32_t value, int section, int cls, int type) {
  uint8_t e[SYMBOL_ENTRY] = {};
  put32(e, name);
  put32(e + 4, value);
  put16(e + 12, uint16_t(section));
  e[16] = uint8_t(cls);
  e[17] = uint8_t(type);
  image.insert(image.end(), e, e + SYMBOL_ENTRY);
}

// ---- reading ----

struct icoff_image : coff_file_header {
  std::vector<uint8_t> bytes;
  uint32_t string_offset = 0;
};

bool cant_read(const char *what) {
  msg(MSG_CANT_READ, what);
  return false;
}

bool has(const icoff_image &f, uint64_t offset, uint64_t size) { return offset + size <= f.bytes.size(); }

bool read_image(FILE *in, icoff_image *f) {
  byte_order = 1;
  if (!coff_slurp(in, &f->bytes) || !has(*f, 0, FILE_HEADER)) return cant_read("COFF header");
  const uint8_t *p = f->bytes.data();
  coff_header_fields(p, f);
  uint64_t strings = uint64_t(f->symbol_offset) + uint64_t(SYMBOL_ENTRY) * f->symbol_count;
  if (!has(*f, strings, 0)) return cant_read("COFF string table");
  f->string_offset = uint32_t(strings);
  return f->sections <= MAX_SECTIONS || cant_read("COFF section header");
}

bool section_at(const icoff_image &f, uint32_t k, coff_section_view *s) {
  uint64_t at = uint64_t(FILE_HEADER) + f.opt_size + uint64_t(SECTION_HEADER) * k;
  if (!has(f, at, SECTION_HEADER)) return cant_read("COFF section header");
  const uint8_t *p = f.bytes.data() + at;
  s->name.assign(reinterpret_cast<const char *>(p), strnlen(reinterpret_cast<const char *>(p), 8));
  coff_section_fields(p, s);
  return true;
}

// A name of the string table; null when the offset lies outside it or the
// name has no end there.
const char *string_at(const icoff_image &f, uint32_t offset) {
  uint64_t at = uint64_t(f.string_offset) + offset;
  if (at >= f.bytes.size()) return nullptr;
  const uint8_t *p = f.bytes.data() + at;
  return memchr(p, 0, f.bytes.size() - at) ? reinterpret_cast<const char *>(p) : nullptr;
}

const uint8_t *symbol_at(const icoff_image &f, uint32_t index) {
  uint64_t at = uint64_t(f.symbol_offset) + uint64_t(SYMBOL_ENTRY) * index;
  return index < f.symbol_count && has(f, at, SYMBOL_ENTRY) ? f.bytes.data() + at : nullptr;
}

bool ignored_class(int cls) { return (cls >= 4 && cls <= 9) || (cls >= 20 && cls <= 31) || (cls >= 50 && cls <= 54); }

bool read_sections(const icoff_image &f, std::vector<coff_section_view> *sections) {
  sections->resize(f.sections);
  for (uint32_t k = 0; k < f.sections; k++)
    if (!section_at(f, k, &(*sections)[k])) return false;
  return true;
}

// ---- dump ----

struct class_text {
  int cls;
  const char *text;
};

const class_text class_texts[] = {
    {1, "global symbol "},       {2, "non-global symbol "},    {3, "label "},
    {4, "physical end of function "}, {5, "function entry point "}, {6, "function exit point "},
    {7, "block begin "},         {8, "block end "},            {9, "section size symbol "},
    {20, "simple type "},        {21, "subrange type "},       {22, "enumeration type "},
    {23, "array of . . . "},     {24, "pointer to . . . "},    {25, "tag type "},
    {26, "set of "},             {27, "type of "},             {28, "function or procedure "},
    {29, "record type "},        {30, "union type "},          {31, "C array type "},
    {50, "local variable "},     {51, "parameter "},           {52, "record member "},
    {53, "bit field "},          {54, "enumeration literal "}, {55, "file name "},
};

const char *class_name(int cls) {
  for (const class_text &c : class_texts)
    if (c.cls == cls) return c.text;
  return "??Unknown";
}

const char *const base_names[] = {"",          "char",       "uchar",       "signed_8", "signed_16", "signed_32",
                                  "unsigned_8", "unsigned_16", "unsigned_32", "float",    "double"};

// The base type, then the flag bits after a space; 0x10 and 0x20 mean
// "function begin" and "weak definition" on a symbol, "register" and "VAR
// parameter" on a variable.
std::string type_text(int type, bool symbol) {
  int base = type & 0xF;
  std::string text = base <= 10 ? base_names[base] : "??type";
  if (type & 0xF0) text += " ";
  if (type & 0x10) text += symbol ? "function begin" : "register ";
  if (type & 0x20) text += symbol ? "weak definition" : "VAR parameter ";
  if (type & 0x40) text += "ALIAS parameter ";
  if (type & 0x80) text += "used internally ";
  return text;
}

std::string section_name(const std::vector<coff_section_view> &sections, int number) {
  if (number == 0) return "undef";
  if (number < 1 || uint32_t(number) > sections.size()) return "(abs)";
  return sections[size_t(number) - 1].name;
}

}  // namespace

bool icoff_identify(FILE *in) {
  uint8_t header[FILE_HEADER];
  if (fread(header, 1, FILE_HEADER, in) != FILE_HEADER) return false;
  if (get16_be(header) != ICOFF_MAGIC) return false;
  byte_order = 1;
  return get16(header + 2) <= MAX_SECTIONS && int32_t(get32(header + 8)) >= 0 && int32_t(get32(header + 12)) >= 0;
}

bool icoff_write(FILE *out, const char *name) {
  byte_order = 1;
  uint32_t segments = vec_size(model.segments);
  std::vector<uint8_t> image(FILE_HEADER + SECTION_HEADER * size_t(segments), 0);
  std::vector<uint32_t> data_offsets(segments), line_offsets(segments), line_counts(segments), flags(segments);
  for (uint32_t i = 0; i < segments; i++) {
    const model_segment *seg = model_segment_at(i + 1);
    uint32_t offset = uint32_t(image.size());
    data_offsets[i] = offset;
    bool wrote = false;
    for (uint32_t k = 0; k < vec_size(model.data); k++) {
      const model_data *d = model_data_nth(k);
      if (d->segment != i + 1 || d->address < seg->start) continue;
      size_t at = size_t(offset) + (d->address - seg->start);
      if (image.size() < at + d->length) image.resize(at + d->length, 0);
      memcpy(image.data() + at, d->bytes, d->length);
      wrote = true;
    }
    // A segment with data keeps its full size in the data area.
    if (wrote && image.size() < size_t(offset) + seg->size) image.resize(size_t(offset) + seg->size, 0);
    flags[i] = !wrote ? SECTION_BSS : stristr(seg->name, "text") ? SECTION_TEXT : SECTION_DATA;
    if (!wrote) data_offsets[i] = 0;
  }
  // A file's entry comes before its symbols; files without symbols have none.
  std::vector<uint32_t> file_entry(vec_size(model.files) + 1, 0);
  uint32_t symbols = 0;
  for (uint32_t k = 0; k < vec_size(model.files); k++) {
    const model_file *file = model_file_at(k + 1);
    if (!file->symbol_count) continue;
    file_entry[k + 1] = symbols;
    symbols += 1 + file->symbol_count;
  }
  for (uint32_t i = 0; i < segments; i++) {
    line_offsets[i] = uint32_t(image.size());
    uint32_t previous_file = 0;
    for (uint32_t k = 0; k < vec_size(model.files); k++) {
      const model_file *file = model_file_at(k + 1);
      for (uint32_t j = 0; j < file->line_count; j++) {
        const model_line *l = file->lines[j];
        if (l->segment != i + 1) continue;
        uint8_t e[LINE_ENTRY];
        if (file->index != previous_file) {
          put32(e, file_entry[file->index]);
          put16(e + 4, 0);
          image.insert(image.end(), e, e + LINE_ENTRY);
          line_counts[i]++;
          previous_file = file->index;
        }
        put32(e, l->start);
        put16(e + 4, l->line);
        image.insert(image.end(), e, e + LINE_ENTRY);
        line_counts[i]++;
      }
    }
  }
  std::vector<std::string> names = string_list();
  std::vector<uint32_t> offsets;
  uint32_t next = 1;
  for (const std::string &s : names) {
    offsets.push_back(next);
    next += uint32_t(s.size() + 1);
  }
  uint32_t symbol_offset = uint32_t(image.size());
  for (uint32_t k = 0; k < vec_size(model.files); k++) {
    const model_file *file = model_file_at(k + 1);
    if (!file->symbol_count) continue;
    put_symbol(image, string_offset(names, offsets, file->name), 0, 0, I_FILE, 0);
    for (uint32_t j = 0; j < file->symbol_count; j++) {
      const model_symbol *s = file->symbols[j];
      int section = (s->flags & MSYM_ABSOLUTE) ? -1 : int(s->segment);
      put_symbol(image, string_offset(names, offsets, s->name), s->value, section,
                 (s->flags & MSYM_LOCAL) ? I_LOCAL : I_GLOBAL, (s->flags & MSYM_FUNCTION) ? TYPE_FUNCTION : 0);
    }
  }
  image.push_back(0);
  for (const std::string &s : names) image.insert(image.end(), s.c_str(), s.c_str() + s.size() + 1);
  uint8_t *p = image.data();
  put16(p, ICOFF_MAGIC);
  put16(p + 2, segments);
  put32(p + 4, uint32_t(time(nullptr)));
  put32(p + 8, symbol_offset);
  put32(p + 12, symbols);
  put16(p + 18, ICOFF_FLAGS);
  for (uint32_t i = 0; i < segments; i++)
    put_section_header(p + FILE_HEADER + SECTION_HEADER * i, model_segment_at(i + 1), data_offsets[i],
                       line_offsets[i], line_counts[i], flags[i]);
  if (fwrite(image.data(), 1, image.size(), out) != image.size()) {
    msg(MSG_CANT_WRITE, name);
    return false;
  }
  return true;
}

bool icoff_read(FILE *in, const char *) {
  icoff_image f;
  std::vector<coff_section_view> sections;
  if (!read_image(in, &f) || !read_sections(f, &sections)) return false;
  uint32_t first_segment = vec_size(model.segments);
  for (uint32_t k = 0; k < f.sections; k++) {
    const coff_section_view &s = sections[k];
    model_add_segment(s.name.c_str(), s.address, s.size, s.address, k);
  }
  for (uint32_t k = 0; k < f.sections; k++) {
    const coff_section_view &s = sections[k];
    if ((s.flags & BSS_BIT) || !s.size || !s.data_offset) continue;
    if (!has(f, s.data_offset, s.size)) return cant_read("COFF data");
    coff_add_data(s.address, f.bytes.data() + s.data_offset, s.size, first_segment + k + 1);
  }
  // The file entries in the order read, with their symbol indexes.
  std::vector<std::pair<uint32_t, uint32_t>> files;
  uint32_t current_file = 0;
  for (uint32_t k = 0; k < f.symbol_count; k++) {
    const uint8_t *p = symbol_at(f, k);
    if (!p) return cant_read("COFF symbol table");
    const char *name = string_at(f, uint32_t(get32(p)));
    if (!name) return cant_read("COFF string table");
    int cls = p[16];
    int section = int16_t(get16(p + 12));
    if (cls == I_FILE) {
      model_file *m = model_find_file(name);
      current_file = m ? m->index : model_add_file(name);
      files.emplace_back(k, current_file);
    } else if (cls >= I_GLOBAL && cls <= I_LABEL) {
      // An absolute or local symbol stays one when read back.
      uint32_t flags = (section < 0 ? uint32_t(MSYM_ABSOLUTE) : 0) | (cls == I_LOCAL ? uint32_t(MSYM_LOCAL) : 0) |
                       (p[17] == TYPE_FUNCTION ? MSYM_FUNCTION : 0);
      uint32_t segment = section > 0 ? first_segment + uint32_t(section) : 0;
      model_add_symbol(name, uint32_t(get32(p + 4)), segment, current_file, flags);
    } else if (!ignored_class(cls)) {
      msg(MSG_UNKNOWN_CLASS, name, unsigned(cls));
    }
  }
  for (uint32_t k = 0; k < f.sections; k++) {
    const coff_section_view &s = sections[k];
    uint32_t file = 0;
    for (uint32_t j = 0; j < s.lines; j++) {
      uint64_t at = uint64_t(s.line_offset) + uint64_t(LINE_ENTRY) * j;
      if (!has(f, at, LINE_ENTRY)) return cant_read("COFF line number");
      const uint8_t *p = f.bytes.data() + at;
      uint32_t word = uint32_t(get32(p)), line = uint32_t(get16(p + 4));
      if (line) {
        // The line lies in the section that lists it.
        model_add_line(line, word, first_segment + k + 1, file, 0);
        continue;
      }
      file = 0;
      for (const auto &entry : files)
        if (entry.first == word) {
          file = entry.second;
          break;
        }
    }
  }
  return true;
}

bool icoff_dump(FILE *in) {
  icoff_image f;
  if (!read_image(in, &f)) return false;
  printf("COFF header:\n\tMagic:\t0%o\n\tSections:\t%u\n\tDated:\t%s\tSymptr:\t%lX\n\tNsyms:\t%ld\n\tOpthdr:\t%u\n"
         "\tFlags:\t0x%X",
         f.magic, f.sections, coff_date(f.time_stamp).c_str(), (unsigned long)f.symbol_offset, long(f.symbol_count), f.opt_size, f.flags);
  for (int bit = 0; bit <= 12; bit++)
    if (f.flags & (1u << bit)) printf(" %s", coff_file_flag_names[bit]);
  printf("\n");
  std::vector<coff_section_view> sections;
  if (!read_sections(f, &sections)) return false;
  for (uint32_t k = 0; k < f.sections; k++) {
    const coff_section_view &s = sections[k];
    printf("Section %d: %s: @%lX size %lX lines %u flags %lX\n", int(k + 1), s.name.c_str(),
           (unsigned long)s.address, (unsigned long)s.size, s.lines, (unsigned long)s.flags);
  }
  size_t string_size = f.bytes.size() - f.string_offset;
  printf("String table: %ld bytes\n", long(string_size));
  if (settings.verbosity >= 2)
    for (uint32_t at = 1; at < string_size;) {
      const char *s = string_at(f, at);
      if (!s) break;
      printf("%5d:\t%s\n", int(at), s);
      at += uint32_t(strlen(s) + 1);
    }
  // Debuggers keep a table of this many source files; the dump goes on.
  const uint32_t file_entries_max = 8192;
  uint32_t file_entries = 0;
  for (uint32_t k = 0; k < f.symbol_count; k++) {
    const uint8_t *p = symbol_at(f, k);
    if (!p) return cant_read("COFF symbol table");
    if (p[16] == I_FILE && ++file_entries == file_entries_max + 1) msg(MSG_MANY_FILES, (unsigned)file_entries_max);
    uint32_t offset = uint32_t(get32(p));
    const char *name = string_at(f, offset);
    if (!name) name = "";
    int cls = p[16], type = p[17];
    unsigned long value = (unsigned long)get32(p + 4);
    int section = int16_t(get16(p + 12));
    printf("%5u: %5u:\t%20.20s\t", k, offset, class_name(cls));
    if (cls >= 1 && cls <= 3)
      printf("%s = %lX:%s %s\n", name, value, section_name(sections, section).c_str(), type_text(type, true).c_str());
    else if (cls >= 4 && cls <= 8)
      printf("%s = %lX:%s\n", name, value, section_name(sections, section).c_str());
    else if (cls == I_SECTION_SIZE)
      printf("%s, value=%lX, section=%ld\n", name, value, long(section));
    else if (cls == 20)
      printf("%s %s\n", name, type_text(type, false).c_str());
    else if (cls == 50 || cls == 51)
      printf("%s = %lX:%s\n", name, value, type_text(type, false).c_str());
    else  // the file name, or an unknown class
      printf("%s\n", name);
  }
  for (uint32_t k = 0; k < f.sections; k++)
    if (sections[k].lines) printf("Section %d line numbers:\n", int(k + 1));
  return true;
}
