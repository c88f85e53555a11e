#include "symconv/omf51.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>
#include <vector>

#include "common/alert.h"
#include "common/vector.h"
#include "symconv/model.h"

namespace {

enum {
  OMF_LONG_NAME = 255,
  R_MODULE_HEADER = 0x02,
  R_MODULE_END = 0x04,
  R_CONTENT = 0x06,
  R_SCOPE = 0x10,
  R_DEBUG = 0x12,
  NAME_MAX = 40,
  ITEM_ROOM = 500,
  CONTENT_CHUNK = 256,
  TRN_ID = 0xFF,
  REGISTER_MASK = 0x0F,
  MSG_CANT_WRITE = 413,
  MSG_BAD_CHECKSUM = 1040,
  MSG_SHORT_RECORD = 1041,
  MSG_UNKNOWN_RECORD = 1042,
};

enum debug_kind { D_LOCAL = 0, D_PUBLIC = 1, D_SEGMENT = 2, D_LINE = 3 };
enum block_type { B_MODULE = 0, B_MODULE_END = 3 };
enum { INFO_VARIABLE = 0x40, INFO_INDIRECT = 0x80, INFO_BANK_VALID = 0x20, SEGMENT_NUMBER = 5 };

constexpr uint32_t MSYM_FUNCTION = 0x4;

struct record_kind {
  int type;
  const char *name;
  bool extended;  // of the extended module only
};

const record_kind record_kinds[] = {
    {0x02, "Module header", false},  {0x04, "Module END", false},     {0x06, "Content", false},
    {0x08, "Fixup", false},          {0x0E, "Segment Def", false},    {0x10, "Scope Def", false},
    {0x12, "Debug Item", false},     {0x16, "Public Def", false},     {0x18, "External Def", false},
    {0x26, "LIB Modlocs", false},    {0x28, "LIB Modname", false},    {0x2A, "LIB Dictionary", false},
    {0x2C, "LIB Header", false},     {OMF_KEIL_DEBUG, "Keil Debug Item", true},
    {OMF_KEIL_TYPEDEF, "Keil typedef", true}, {OMF_KEIL_INFO, "Keil info", true},
    {OMF_SOURCE, "Source file name", true},
};

const char *const segment_types[] = {"CODE", "XDATA", "DATA", "IDATA", "BIT", "NUMBER", "???6", "???7"};
const char *const block_names[] = {"Module block",    "Do block",     "Procedure block",
                                   "Module block end", "Do block end", "Procedure block end"};
const char *const debug_names[] = {"Local symbols", "Public symbols", "Segment symbols", "Line numbers"};

const record_kind *kind_of(int type, bool extended) {
  for (const record_kind &k : record_kinds)
    if (k.type == type && (extended || !k.extended)) return &k;
  return nullptr;
}

uint32_t le16(const uint8_t *p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8; }

// A name at *at within the content; false when it runs past the end.
bool take_name(const std::vector<uint8_t> &c, size_t *at, std::string *name) {
  if (*at >= c.size() || *at + 1 + c[*at] > c.size()) return false;
  name->assign(reinterpret_cast<const char *>(c.data() + *at + 1), c[*at]);
  *at += 1 + c[*at];
  return true;
}

}  // namespace

uint32_t omf_segment_type(uint32_t segment) {
  const model_segment *seg = model_segment_at(segment);
  if (!seg || !seg->name[0]) return SEGMENT_NUMBER;
  int first = toupper(uint8_t(seg->name[0]));
  for (uint32_t k = 0; k < 5; k++)
    if (segment_types[k][0] == first) return k;
  return SEGMENT_NUMBER;
}

void omf_item_close(omf_writer *w) {
  if (w->open_type >= 0 && !w->open.empty()) {
    if (w->before_write) w->before_write();
    if (!omf_write_record(w->out, w->open_type, w->open)) w->failed = true;
  }
  w->open.clear();
  w->open_type = -1;
}

// Continues the open record while it is of the same type and definition
// kind and has room, so that local symbols keep a record of their own.
void omf_item_open(omf_writer *w, int type, int first) {
  if (w->open_type == type && w->open.size() <= ITEM_ROOM && !w->open.empty() && w->open[0] == first) return;
  omf_item_close(w);
  if (w->before_open) w->before_open();
  w->open_type = type;
  w->open.push_back(uint8_t(first));
}

void omf_scope(omf_writer *w, const std::string &name, int block) {
  omf_item_close(w);
  std::vector<uint8_t> c = {uint8_t(block)};
  omf_put_name(&c, name.c_str(), w->extended ? OMF_LONG_NAME : NAME_MAX);
  if (!omf_write_record(w->out, R_SCOPE, c)) w->failed = true;
}

bool omf_symbol_fits(const omf_writer *w, int type, int kind) {
  return w->open_type == type && w->open.size() <= ITEM_ROOM && !w->open.empty() && w->open[0] == kind;
}

void omf_symbol_item(omf_writer *w, int type, int kind, const char *name, uint32_t value, int information,
                     int type_code) {
  omf_item_open(w, type, kind);
  const uint8_t entry[] = {0, uint8_t(information), uint8_t(value), uint8_t(value >> 8), uint8_t(type_code)};
  w->open.insert(w->open.end(), entry, entry + sizeof entry);
  // The extended module keeps a symbol's case and drops one leading "_".
  if (w->extended)
    omf_put_name(&w->open, name + (name[0] == '_'), OMF_LONG_NAME, false);
  else
    omf_put_name(&w->open, name);
}

// Content records for the data in low..high, in chunks of at most 256
// bytes; no address is written twice across calls.
void omf_content(omf_writer *w, uint64_t low, uint64_t high) {
  for (uint32_t k = 0; k < vec_size(model.data); k++) {
    const model_data *d = model_data_nth(k);
    uint64_t at = std::max<uint64_t>(low, d->address), to = std::min<uint64_t>(high, uint64_t(d->address) + d->length);
    while (at < to) {
      uint64_t end = std::min<uint64_t>(to, at + CONTENT_CHUNK);
      bool skipped = false;
      for (const auto &range : w->covered) {
        if (at >= range.first && at < range.second) {
          at = range.second;
          skipped = true;
        } else if (range.first > at && range.first < end) {
          end = range.first;
        }
      }
      if (skipped) continue;
      std::vector<uint8_t> c = {0, uint8_t(at), uint8_t(at >> 8)};
      c.insert(c.end(), d->bytes + (at - d->address), d->bytes + (end - d->address));
      if (!omf_write_record(w->out, R_CONTENT, c)) w->failed = true;
      w->covered.emplace_back(at, end);
      at = end;
    }
  }
}

std::string omf_module_name(const char *file) {
  std::string name = file;
  size_t dot = name.rfind('.');
  return dot == std::string::npos ? name : name.substr(0, dot);
}

namespace {

uint32_t segment_of_type(uint32_t type) {
  return type < SEGMENT_NUMBER ? model_segment_index(segment_types[type]) : 0;
}

// The entries of a Debug Item; false when they do not fit its content.
bool read_debug(const std::vector<uint8_t> &c, uint32_t current_file) {
  if (c.empty()) return false;
  int kind = c[0];
  size_t at = 1;
  while (at < c.size()) {
    if (kind == D_LINE) {
      if (at + 5 > c.size()) return false;
      model_add_line(le16(c.data() + at + 3), le16(c.data() + at + 1), c[at], current_file, 2);
      at += 5;
      continue;
    }
    if (kind > D_LINE || at + 5 > c.size()) return false;
    int segment_id = c[at], information = c[at + 1];
    uint32_t offset = le16(c.data() + at + 2);
    at += 5;
    std::string name;
    if (!take_name(c, &at, &name)) return false;
    if (kind == D_SEGMENT) {
      if (!model_segment_index(name.c_str())) model_add_segment(name.c_str(), 0, 0, offset, uint32_t(segment_id));
      continue;
    }
    uint32_t flags = (kind == D_LOCAL ? uint32_t(MSYM_LOCAL) : 0) | ((information & INFO_VARIABLE) ? 0 : MSYM_FUNCTION);
    model_add_symbol(name.c_str(), offset, segment_of_type(uint32_t(information & 7)), current_file, flags);
  }
  return true;
}

const char *const basic_type_names[] = {"typeless", "bit",           "signed char", "unsigned char", "signed int",
                                        "unsigned int", "signed long", "unsigned long", "float", "double",
                                        "code label", "void", "float big endian"};

void dump_debug(const std::vector<uint8_t> &c, bool extended) {
  int kind = c.empty() ? -1 : c[0];
  printf("%s\n", kind >= 0 && kind <= D_LINE ? debug_names[kind] : "Unknown type");
  size_t at = 1;
  while (at < c.size()) {
    if (kind == D_LINE) {
      if (at + 5 > c.size()) break;
      printf("\t\tSEG %d, offset 0x%4.4X, line %d\n", c[at], le16(c.data() + at + 1), int(le16(c.data() + at + 3)));
      at += 5;
      continue;
    }
    if (kind < 0 || kind > D_LINE || at + 5 > c.size()) break;
    int information = c[at + 1];
    printf("\t\tSEG %d, ", c[at]);
    if (kind != D_SEGMENT) {
      if (information & INFO_INDIRECT) printf("IND ");
      printf((information & INFO_VARIABLE) ? "VAR " : "FUNC ");
    }
    if (information & INFO_BANK_VALID) printf("BANK %d ", (information >> 3) & 3);
    printf("%s ", segment_types[information & 7]);
    if (extended && kind <= D_PUBLIC) {
      int type = c[at + 4];
      if (type <= 12)
        printf("%s ", basic_type_names[type]);
      else
        printf(type > 31 ? "Typedef(%X) " : "Unknown(%X) ", unsigned(type));
    }
    uint32_t offset = le16(c.data() + at + 2);
    at += 5;
    std::string name;
    if (!take_name(c, &at, &name)) break;
    printf("offset 0x%4.4X: %s\n", offset, name.c_str());
  }
  if (at != c.size()) printf("Bad length\n");
}

}  // namespace

bool omf_read_record(FILE *in, omf_record *record, bool report) {
  record->position = ftell(in);
  int type = fgetc(in);
  if (type == EOF) return false;
  uint8_t length[2];
  uint32_t got = uint32_t(fread(length, 1, 2, in));
  uint32_t size = got == 2 ? le16(length) : 0;
  record->type = type;
  record->length = size;
  record->content.assign(size, 0);
  if (got != 2 || !size || fread(record->content.data(), 1, size, in) != size) {
    if (report) msg(MSG_SHORT_RECORD);
    return false;
  }
  unsigned sum = unsigned(type) + length[0] + length[1];
  for (uint8_t b : record->content) sum += b;
  if (sum & 0xFF) {
    if (report) msg(MSG_BAD_CHECKSUM, unsigned(type), sum & 0xFF);
    return false;
  }
  record->content.pop_back();  // the checksum
  if (report && settings.verbosity > 1) {
    std::vector<uint8_t> whole = {uint8_t(type), length[0], length[1]};
    whole.insert(whole.end(), record->content.begin(), record->content.end());
    hex_dump_lines(stdout, uint32_t(record->position), 16, whole.data(), uint32_t(whole.size()), "%04lX:", true);
  }
  return true;
}

void omf_put_name(std::vector<uint8_t> *out, const char *text, size_t room, bool upper) {
  size_t n = std::min<size_t>(strlen(text), room);
  out->push_back(uint8_t(n));
  for (size_t k = 0; k < n; k++) out->push_back(uint8_t(upper ? toupper(uint8_t(text[k])) : text[k]));
}

bool omf_write_record(FILE *out, int type, const std::vector<uint8_t> &content) {
  std::vector<uint8_t> r = {uint8_t(type), uint8_t(content.size() + 1), uint8_t((content.size() + 1) >> 8)};
  r.insert(r.end(), content.begin(), content.end());
  unsigned sum = 0;
  for (uint8_t b : r) sum += b;
  r.push_back(uint8_t(-sum));
  return fwrite(r.data(), 1, r.size(), out) == r.size();
}

bool omf51_identify(FILE *in) {
  omf_record r;
  return omf_read_record(in, &r, false) && r.type == R_MODULE_HEADER;
}

bool omf_read_module(FILE *in, const char *format, bool extended) {
  for (uint32_t k = 0; k < 5; k++)
    if (!model_find_segment(segment_types[k])) model_add_segment(segment_types[k], 0, 0, 0, k);
  omf_record r;
  uint32_t current_file = 0;
  while (omf_read_record(in, &r, true)) {
    if (!kind_of(r.type, extended)) {
      msg(MSG_UNKNOWN_RECORD, format, unsigned(r.type));
      return false;
    }
    const std::vector<uint8_t> &c = r.content;
    if (r.type == R_SCOPE && !c.empty()) {
      size_t at = 1;
      std::string name;
      if (c[0] == B_MODULE && take_name(c, &at, &name)) current_file = model_add_file(name.c_str());
      if (c[0] == B_MODULE_END) current_file = 0;
    } else if (r.type == R_CONTENT && c.size() > 3) {
      model_add_data(le16(c.data() + 1), uint32_t(c.size() - 3), c.data() + 3, 0);
    } else if (r.type == R_DEBUG || r.type == OMF_KEIL_DEBUG) {
      // Entries of an unknown kind cannot be walked: the record is left.
      read_debug(c, current_file);
    }
  }
  return true;
}

bool omf51_read(FILE *in, const char *) { return omf_read_module(in, "OMF51", false); }

void omf_module_header(omf_writer *w, const std::string &module) {
  std::vector<uint8_t> c;
  omf_put_name(&c, module.c_str(), w->extended ? OMF_LONG_NAME : NAME_MAX);
  c.push_back(TRN_ID);
  c.push_back(0);
  if (!omf_write_record(w->out, R_MODULE_HEADER, c)) w->failed = true;
}

void omf_module_end(omf_writer *w, const std::string &module) {
  std::vector<uint8_t> c;
  omf_put_name(&c, module.c_str(), w->extended ? OMF_LONG_NAME : NAME_MAX);
  c.insert(c.end(), {0, 0, REGISTER_MASK, 0});
  if (!omf_write_record(w->out, R_MODULE_END, c)) w->failed = true;
}

int omf_information(const model_symbol *s) {
  uint32_t type = omf_segment_type(s->segment);
  return int(type) | (type && !(s->flags & MSYM_FUNCTION) ? INFO_VARIABLE : 0);
}

void omf_line_item(omf_writer *w, uint32_t line, uint32_t address) {
  omf_item_open(w, R_DEBUG, D_LINE);
  const uint8_t entry[] = {0, uint8_t(address), uint8_t(address >> 8), uint8_t(line), uint8_t(line >> 8)};
  w->open.insert(w->open.end(), entry, entry + sizeof entry);
}

bool omf_write_module(omf_writer *w, const char *name) {
  for (uint32_t k = 0; k < vec_size(model.files); k++) {
    const model_file *file = model_file_at(k + 1);
    if (k && !file->symbol_count && !file->line_count) continue;
    std::string module = omf_module_name(file->name);
    if (!k) omf_module_header(w, module);
    omf_scope(w, module, B_MODULE);
    for (int kind : {D_PUBLIC, D_LOCAL})
      for (uint32_t j = 0; j < file->symbol_count; j++) {
        const model_symbol *s = file->symbols[j];
        if (((s->flags & MSYM_LOCAL) != 0) != (kind == D_LOCAL)) continue;
        omf_symbol_item(w, R_DEBUG, kind, s->name, s->value, omf_information(s), 0);
      }
    for (uint32_t j = 0; j < file->line_count; j++) omf_line_item(w, file->lines[j]->line, file->lines[j]->start);
    omf_scope(w, module, B_MODULE_END);
    if (!k) omf_content(w, 0, uint64_t(UINT32_MAX) + 1);
  }
  if (vec_size(model.files)) omf_module_end(w, omf_module_name(model_file_at(1)->name));
  if (w->failed) {
    msg(MSG_CANT_WRITE, name);
    return false;
  }
  return true;
}

bool omf51_write(FILE *out, const char *name) {
  omf_writer w;
  w.out = out;
  return omf_write_module(&w, name);
}

bool omf_dump_module(FILE *in, const char *heading, bool (*extra)(const omf_record &)) {
  printf("%s\n\n", heading);
  omf_record r;
  while (omf_read_record(in, &r, true)) {
    const record_kind *kind = kind_of(r.type, extra != nullptr);
    char unknown[32];
    snprintf(unknown, sizeof unknown, "Unknown(0x%X)", unsigned(r.type));
    printf("@%4.4lX %16.16s, len %3d: ", (unsigned long)r.position, kind ? kind->name : unknown, int(r.length));
    const std::vector<uint8_t> &c = r.content;
    size_t at = 0;
    std::string name;
    switch (r.type) {
      case R_MODULE_HEADER:
        take_name(c, &at, &name);
        printf("Name: '%s'; TRN ID = 0x%2.2X\n", name.c_str(), at < c.size() ? c[at] : 0);
        break;
      case R_MODULE_END:
        take_name(c, &at, &name);
        printf("Name: '%s'; REG MSK = 0x%2.2X\n", name.c_str(), at + 2 < c.size() ? c[at + 2] : 0);
        break;
      case R_CONTENT: {
        if (c.size() < 3) {
          printf("\n");
          break;
        }
        printf("Seg id %d, offset = 0x%4.4X, %d bytes; ", c[0], le16(c.data() + 1), int(c.size() - 3));
        for (size_t k = 3; k < c.size() && k < 15; k++) printf("%2.2X ", c[k]);
        printf("\n");
        break;
      }
      case R_SCOPE: {
        int block = c.empty() ? -1 : c[0];
        at = 1;
        take_name(c, &at, &name);
        printf("%s; Name = '%s'\n", block >= 0 && block <= 5 ? block_names[block] : "UNKNOWN", name.c_str());
        break;
      }
      case R_DEBUG:
        dump_debug(c, extra != nullptr);
        break;
      default:
        if (extra && r.type == OMF_KEIL_DEBUG) {
          dump_debug(c, true);
          break;
        }
        if (extra && kind && extra(r)) break;
        printf("\n");
        if (!kind && settings.verbosity == 1)
          hex_dump_lines(stdout, 0, 16, c.data(), uint32_t(c.size()), "\t%04lX:", true);
        break;
    }
  }
  return true;
}

bool omf51_dump(FILE *in) { return omf_dump_module(in, "OMF-51 file dump:", nullptr); }
