#include "symconv/htk.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "common/alert.h"
#include "common/vector.h"
#include "symconv/model.h"
#include "symconv/sdb.h"
#include "symconv/type.h"

namespace {

enum {
  K_HEADER = 0x4A,
  K_FILES = 0x70,
  K_SYMBOLS = 0x78,
  K_LINES = 0x74,
  K_SCOPE = 0xC2,
  K_END = 0xCA,
  K_PREFIX = 0xCB,
  RECORD_ROOM = 1024,
  SYMBOL_SLACK = 257,  // a record of entries is written once less room is left
  LINE_SLACK = 4,
  TYPE_BIT = 2,
  TYPE_FAR_LABEL = 1,
  TYPE_BYTE = 4,
  TYPE_WORD = 5,
  TYPE_DWORD = 6,
  TSK_HEADER = 16,
  TSK_HEADER_MAX = 32,
  TSK_CHUNK = 256,
  MSG_CANT_WRITE = 413,
  MSG_BAD_CHECKSUM = 1040,
  MSG_SHORT_RECORD = 1041,
  MSG_UNKNOWN_RECORD = 1042,
};

struct record_kind {
  int kind;
  const char *name;
};

const record_kind record_kinds[] = {
    {K_HEADER, "Debug header"}, {K_FILES, "File names"},     {K_SYMBOLS, "Symbol info"},
    {K_LINES, "Line number info"}, {K_SCOPE, "C scope info"}, {K_END, "File end"},
};

const char *const type_names[] = {"near label", "far label", "bit", "nibble", "byte", "word", "dword"};

const char *kind_name(int kind) {
  for (const record_kind &k : record_kinds)
    if (k.kind == kind) return k.name;
  return nullptr;
}

struct dbg_record {
  int kind = 0;
  long position = 0;
  std::vector<uint8_t> body;  // without the checksum
};

uint32_t le16(const uint8_t *p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8; }

// One record with a correct sum; false at the end of the file or, said
// when reporting, at a short or bad record.
bool read_record(FILE *in, dbg_record *r, bool report) {
  r->position = ftell(in);
  int kind = fgetc(in);
  if (kind == EOF) return false;
  if (kind == K_PREFIX) {
    uint8_t skip[3];
    if (fread(skip, 1, 3, in) != 3 || (kind = fgetc(in)) == EOF) {
      if (report) msg(MSG_SHORT_RECORD);
      return false;
    }
  }
  uint8_t length[2];
  if (fread(length, 1, 2, in) != 2) {
    if (report) msg(MSG_SHORT_RECORD);
    return false;
  }
  uint32_t size = le16(length);
  std::vector<uint8_t> bytes(size);
  if (!size || fread(bytes.data(), 1, size, in) != size) {
    if (report) msg(MSG_SHORT_RECORD);
    return false;
  }
  unsigned sum = unsigned(kind) + length[0] + length[1];
  for (uint8_t b : bytes) sum += b;
  if (sum & 0xFF) {
    if (report) msg(MSG_BAD_CHECKSUM, unsigned(kind), sum & 0xFF);
    return false;
  }
  r->kind = kind;
  bytes.pop_back();
  r->body = bytes;
  if (report && settings.verbosity > 1)
    hex_dump_lines(stdout, 0, 16, r->body.data(), uint32_t(r->body.size()), "%04lX:", true);
  return true;
}

// A number of one byte below 0x80, else two: the high byte with 0x80 added.
bool take_varint(const std::vector<uint8_t> &b, size_t *at, uint32_t *value) {
  if (*at >= b.size()) return false;
  if (b[*at] < 0x80) {
    *value = b[(*at)++];
    return true;
  }
  if (*at + 1 >= b.size()) return false;
  *value = uint32_t(b[*at] & 0x7F) << 8 | b[*at + 1];
  *at += 2;
  return true;
}

void put_varint(std::vector<uint8_t> *b, uint32_t value) {
  if (value < 0x80) {
    b->push_back(uint8_t(value));
    return;
  }
  b->push_back(uint8_t(0x80 | ((value >> 8) & 0x7F)));
  b->push_back(uint8_t(value));
}

bool take_name(const std::vector<uint8_t> &b, size_t *at, std::string *name) {
  if (*at >= b.size() || *at + 1 + b[*at] > b.size()) return false;
  name->assign(reinterpret_cast<const char *>(b.data() + *at + 1), b[*at]);
  *at += 1 + b[*at];
  return true;
}

// ---- writing ----

struct dbg_writer {
  FILE *out = nullptr;
  int kind = -1;
  uint32_t file = 0;
  int section = -1;
  std::vector<uint8_t> body;
  bool failed = false;
  std::map<std::string, uint32_t> file_index;
  std::vector<std::string> file_names;
  uint32_t symbols = 0;
  std::map<const sdb_record *, uint32_t> symbol_number;
  std::map<const model_line *, uint32_t> line_number;
  uint32_t blocks = 0;
};

void flush(dbg_writer *w) {
  if (w->kind >= 0) {
    std::vector<uint8_t> r = {uint8_t(w->kind), uint8_t(w->body.size() + 1), uint8_t((w->body.size() + 1) >> 8)};
    r.insert(r.end(), w->body.begin(), w->body.end());
    unsigned sum = 0;
    for (uint8_t b : r) sum += b;
    r.push_back(uint8_t(-sum));
    if (fwrite(r.data(), 1, r.size(), w->out) != r.size()) w->failed = true;
  }
  w->kind = -1;
  w->body.clear();
}

// Entries of one kind share a record while it has room; one of symbols or
// lines also keeps to one file index and section.
void begin(dbg_writer *w, int kind, uint32_t slack, uint32_t file = 0, int section = -1) {
  bool same = w->kind == kind && (kind != K_SYMBOLS && kind != K_LINES ? true : w->file == file && w->section == section);
  if (same && RECORD_ROOM - std::min<size_t>(RECORD_ROOM, w->body.size()) >= slack) return;
  flush(w);
  w->kind = kind;
  w->file = file;
  w->section = section;
  if (kind == K_SYMBOLS || kind == K_LINES) {
    put_varint(&w->body, file);
    w->body.push_back(uint8_t(section));
  }
}

void put16(std::vector<uint8_t> *b, uint32_t value) {
  b->push_back(uint8_t(value));
  b->push_back(uint8_t(value >> 8));
}

uint32_t file_number(dbg_writer *w, const std::string &name) {
  auto found = w->file_index.find(name);
  if (found != w->file_index.end()) return found->second;
  begin(w, K_FILES, SYMBOL_SLACK);
  size_t n = std::min<size_t>(name.size(), 255);
  w->body.push_back(uint8_t(n));
  w->body.insert(w->body.end(), name.begin(), name.begin() + long(n));
  w->file_names.push_back(name);
  return w->file_index[name] = uint32_t(w->file_names.size());
}

bool debug_file(const char *name) {
  size_t n = strlen(name);
  return n >= 4 && (!strcasecmp(name + n - 4, ".sym") || !strcasecmp(name + n - 4, ".obj"));
}

void symbol_entry(dbg_writer *w, uint32_t file, bool data, const std::string &name, uint32_t value, int type) {
  begin(w, K_SYMBOLS, SYMBOL_SLACK, file, data ? 0 : 1);
  size_t n = std::min<size_t>(name.size(), 255);
  w->body.push_back(uint8_t(n));
  w->body.insert(w->body.end(), name.begin(), name.begin() + long(n));
  put16(&w->body, value);
  w->body.push_back(uint8_t(type));
}

// A variable's name without a leading "_" (a function keeps it), and a
// static's "F<digits>_name" cut to its name.
std::string variable_name(const sdb_record *var, bool function) {
  std::string name = var->name ? var->name : "";
  if (!function && !name.empty() && name[0] == '_') name.erase(0, 1);
  if (name.size() > 1 && name[0] == 'F' && isdigit(uint8_t(name[1]))) {
    size_t k = 1;
    while (k < name.size() && isdigit(uint8_t(name[k]))) k++;
    if (k < name.size() && name[k] == '_') name.erase(0, k + 1);
  }
  return name;
}

int variable_type(const sdb_record *var, bool function) {
  if (type_is_bit(var->type)) return TYPE_BIT;
  if (function) return TYPE_FAR_LABEL;
  const type_elem *outer = var->type ? type_outer(var->type) : nullptr;
  uint32_t size = outer ? mach_type_size(outer) : 0;
  return size == 2 || size == 3 ? TYPE_WORD : size == 4 ? TYPE_DWORD : TYPE_BYTE;
}

void write_symbols(dbg_writer *w, sdb_record *scope, uint32_t *file) {
  const model_segment *ram = model_find_segment("RAM");
  for (uint32_t k = 0; k < vec_size(scope->items); k++) {
    sdb_record *item = static_cast<sdb_record *>(vec_get(scope->items, k));
    switch (item->kind) {
      case SDB_EXTERN:
      case SDB_STATIC:
      case SDB_AUTO:
      case SDB_PARAM:
      case SDB_REG: {
        if (model_symbol *s = model_find_symbol(item->kind == SDB_STATIC && item->label ? item->label : item->name))
          s->flags |= 0x8;  // written
        uint32_t address = 0, segment = 0;
        if (!mach_resolve(item, scope, &address, &segment)) break;
        bool function = type_is_function(item->type);
        bool data = ram && model_segment_at(segment) && model_segment_at(segment)->space == ram->space;
        symbol_entry(w, *file, data, variable_name(item, function), address, variable_type(item, function));
        w->symbol_number[item] = ++w->symbols;
        break;
      }
      case SDB_FILENAME:
        if (item->name) *file = file_number(w, item->name);
        break;
      case SDB_MODULE:
      case SDB_BLOCK:
      case SDB_FUNC:
        write_symbols(w, item, file);
        break;
      default:
        break;
    }
  }
}

void write_scope(dbg_writer *w, sdb_record *scope, uint32_t parent) {
  std::vector<uint32_t> numbers;
  bool nested = false;
  for (uint32_t k = 0; k < vec_size(scope->items); k++) {
    sdb_record *item = static_cast<sdb_record *>(vec_get(scope->items, k));
    auto found = w->symbol_number.find(item);
    if (found != w->symbol_number.end()) numbers.push_back(found->second);
    nested |= item->kind == SDB_BLOCK || item->kind == SDB_FUNC || item->kind == SDB_MODULE;
  }
  uint32_t block = parent;
  if (!numbers.empty() || nested || !w->blocks) {
    block = ++w->blocks;
    uint32_t first = 1, last = 1;
    const model_file *file = scope->source ? model_find_file(scope->source) : nullptr;
    if (block != 1 && file && file->line_count) {
      auto number = [&](int line) {
        model_line **end = file->lines + file->line_count;
        model_line **at =
            std::lower_bound(file->lines, end, line, [](const model_line *l, int n) { return int(l->line) < n; });
        auto found = at == end ? w->line_number.end() : w->line_number.find(*at);
        return found == w->line_number.end() ? 1u : found->second;
      };
      first = number(scope->first_line);
      last = number(scope->last_line);
      if (last > 1) last--;
    }
    begin(w, K_SCOPE, RECORD_ROOM + 1);
    put16(&w->body, block);
    put16(&w->body, parent);
    put_varint(&w->body, first);
    put_varint(&w->body, last);
    for (uint32_t n : numbers) {
      put_varint(&w->body, n);
      put_varint(&w->body, n);
    }
  }
  for (uint32_t k = 0; k < vec_size(scope->items); k++) {
    sdb_record *item = static_cast<sdb_record *>(vec_get(scope->items, k));
    if (item->kind == SDB_BLOCK || item->kind == SDB_FUNC || item->kind == SDB_MODULE) write_scope(w, item, block);
  }
}

// ---- dump ----

std::string printable(const std::string &text) {
  std::string out;
  for (char c : text)
    if (uint8_t(c) >= 0x20 && uint8_t(c) < 0x7F) out += c;
  return out;
}

}  // namespace

bool htk_identify(FILE *in) {
  dbg_record r;
  return read_record(in, &r, false) && r.kind == K_HEADER;
}

bool htk_read(FILE *in, const char *) {
  dbg_record r;
  std::vector<uint32_t> files;  // model files by file index from 1
  auto file_of = [&](uint32_t index) { return index >= 1 && index <= files.size() ? files[index - 1] : 0; };
  while (read_record(in, &r, true)) {
    if (!kind_name(r.kind)) {
      msg(MSG_UNKNOWN_RECORD, "DBG", unsigned(r.kind));
      return false;
    }
    const std::vector<uint8_t> &b = r.body;
    size_t at = 0;
    uint32_t index = 0;
    std::string name;
    if (r.kind == K_FILES) {
      while (take_name(b, &at, &name)) {
        model_file *m = model_find_file(name.c_str());
        files.push_back(m ? m->index : model_add_file(name.c_str()));
      }
    } else if (r.kind == K_SYMBOLS && take_varint(b, &at, &index) && at++ < b.size()) {
      while (take_name(b, &at, &name) && at + 3 <= b.size()) {
        model_add_symbol(name.c_str(), le16(b.data() + at), 0, file_of(index), 0);
        at += 3;
      }
    } else if (r.kind == K_LINES && take_varint(b, &at, &index) && at++ < b.size()) {
      for (; at + 4 <= b.size(); at += 4)
        model_add_line(le16(b.data() + at), le16(b.data() + at + 2), 0, file_of(index), 0);
    }
  }
  return true;
}

bool htk_write(FILE *out, const char *name) {
  dbg_writer w;
  w.out = out;
  begin(&w, K_HEADER, RECORD_ROOM + 1);
  w.body = {1, 0};
  flush(&w);
  const uint8_t prefix[] = {K_PREFIX, 0x55, 0x55, 0x00};
  if (fwrite(prefix, 1, sizeof prefix, out) != sizeof prefix) w.failed = true;
  for (uint32_t k = 0; k < vec_size(model.files); k++) {
    const model_file *file = model_file_at(k + 1);
    if ((file->symbol_count || file->line_count) && !debug_file(file->name)) file_number(&w, file->name);
  }
  std::vector<sdb_record *> modules;
  for (uint32_t k = 0; model.sdb_root && k < vec_size(model.sdb_root->items); k++) {
    sdb_record *module = static_cast<sdb_record *>(vec_get(model.sdb_root->items, k));
    if (module->kind != SDB_MODULE) continue;
    modules.push_back(module);
    for (uint32_t j = 0; j < vec_size(module->items); j++) {
      const sdb_record *item = static_cast<sdb_record *>(vec_get(module->items, j));
      if (item->kind == SDB_FILENAME && item->name) file_number(&w, item->name);
    }
  }
  for (sdb_record *module : modules) {
    uint32_t file = 0;
    write_symbols(&w, module, &file);
  }
  for (uint32_t k = 0; k < vec_size(model.files); k++) {
    const model_file *file = model_file_at(k + 1);
    for (uint32_t j = 0; j < file->symbol_count; j++) {
      const model_symbol *s = file->symbols[j];
      if (s->flags & (uint32_t(MSYM_LOCAL) | 0x8)) continue;
      auto found = w.file_index.find(file->name);
      symbol_entry(&w, found == w.file_index.end() ? 0 : found->second, false, s->name, s->value, TYPE_FAR_LABEL);
    }
  }
  uint32_t lines = 0;
  for (uint32_t k = 0; k < vec_size(model.files); k++) {
    const model_file *file = model_file_at(k + 1);
    auto found = w.file_index.find(file->name);
    uint32_t index = found == w.file_index.end() ? 0 : found->second;
    for (uint32_t j = 0; j < file->line_count; j++) {
      const model_line *l = file->lines[j];
      begin(&w, K_LINES, LINE_SLACK, index, 1);
      put16(&w.body, l->line);
      put16(&w.body, l->start);
      w.line_number[l] = ++lines;
    }
  }
  for (sdb_record *module : modules) write_scope(&w, module, 1);
  begin(&w, K_END, RECORD_ROOM + 1);
  flush(&w);
  if (w.failed) {
    msg(MSG_CANT_WRITE, name);
    return false;
  }
  return true;
}

bool htk_dump(FILE *in) {
  printf("Holtek DBG file dump:\n");
  dbg_record r;
  std::vector<std::string> files, symbols;
  std::vector<std::pair<uint32_t, uint32_t>> lines;  // file index and line number
  auto file_text = [&](uint32_t index) {
    return index >= 1 && index <= files.size() ? files[index - 1] : std::to_string(index);
  };
  while (read_record(in, &r, true)) {
    const char *name = kind_name(r.kind);
    char unknown[32];
    snprintf(unknown, sizeof unknown, "Unknown(0x%X)", unsigned(r.kind));
    printf("@%4.4lX %16.16s, len %3d: ", (unsigned long)r.position, name ? name : unknown, int(r.body.size()));
    const std::vector<uint8_t> &b = r.body;
    size_t at = 0;
    uint32_t index = 0;
    std::string text;
    switch (r.kind) {
      case K_HEADER:
        printf("Header: ");
        for (size_t k = 1; k < b.size() && k <= b[0]; k++)
          if (b[k]) putchar(b[k]);
        printf("\n");
        break;
      case K_FILES:
        while (at < b.size()) {
          if (!take_name(b, &at, &text)) {
            printf("Error in record length");
            break;
          }
          printf("\nFile: '%s'", printable(text).c_str());
          files.push_back(text);
        }
        printf("\n");
        break;
      case K_SYMBOLS:
      case K_LINES: {
        if (!take_varint(b, &at, &index) || at >= b.size()) {
          printf("Record length error\n");
          break;
        }
        bool code = b[at++] != 0;
        if (r.kind == K_SYMBOLS)
          printf("File index = %u, ", index);
        else
          printf("File = %s, ", file_text(index).c_str());
        printf("Section = %s\n", code ? "CODE" : "DATA");
        while (at < b.size()) {
          if (r.kind == K_LINES) {
            if (at + 4 > b.size()) {
              printf("Record length error\n");
              break;
            }
            printf("\tLine %4d = ", int(le16(b.data() + at)));
            printf(" = %4.4X\n", le16(b.data() + at + 2));
            lines.emplace_back(index, le16(b.data() + at));
            at += 4;
            continue;
          }
          if (!take_name(b, &at, &text) || at + 3 > b.size()) {
            printf("Record length error\n");
            break;
          }
          int type = b[at + 2];
          printf("\t\t%16.16s = %4.4X, type = %s\n", printable(text).c_str(), le16(b.data() + at),
                 type <= 6 ? type_names[type] : "illegal");
          symbols.push_back(text);
          at += 3;
        }
        break;
      }
      case K_SCOPE: {
        if (b.size() < 4) {
          printf("Record length error\n");
          break;
        }
        printf("Block ID = %d, ", int(le16(b.data())));
        printf("Parent ID = %d, ", int(le16(b.data() + 2)));
        at = 4;
        uint32_t first = 0, last = 0;
        if (!take_varint(b, &at, &first) || !take_varint(b, &at, &last)) {
          printf("Record length error\n");
          break;
        }
        printf("Line range = ");
        if (first >= 1 && first <= lines.size())
          printf("%s:%u-", printable(file_text(lines[first - 1].first)).c_str(), lines[first - 1].second);
        else
          printf("%u-", first);
        printf("%u\n", last >= 1 && last <= lines.size() ? lines[last - 1].second : last);
        uint32_t a = 0, c = 0;
        while (take_varint(b, &at, &a) && take_varint(b, &at, &c)) {
          auto symbol = [&](uint32_t n) { return n >= 1 && n <= symbols.size() ? printable(symbols[n - 1]) : "BADSYM"; };
          printf("%16.16s (%d)", symbol(a).c_str(), int(a));
          printf("%16.16s(%d)\n", symbol(c).c_str(), int(c));
        }
        break;
      }
      default:
        printf("\n");
        break;
    }
  }
  return true;
}

// ---- TSK ----

bool tsk_identify(FILE *in) {
  uint8_t h[TSK_HEADER];
  return fread(h, 1, TSK_HEADER, in) == TSK_HEADER && h[0] == 'H' && h[1] == 'L' && h[8] == 0x20 && h[9] == 0;
}

namespace {

uint32_t le32(const uint8_t *p) { return le16(p) | le16(p + 2) << 16; }

}  // namespace

bool tsk_read(FILE *in, const char *) {
  uint8_t h[TSK_HEADER_MAX];
  if (fread(h, 1, TSK_HEADER, in) != TSK_HEADER) return false;
  uint32_t start = le32(h + 8), length = le32(h + 12);
  if (start < TSK_HEADER || start > TSK_HEADER_MAX) return false;
  if (fread(h + TSK_HEADER, 1, start - TSK_HEADER, in) != start - TSK_HEADER) return false;
  uint8_t chunk[TSK_CHUNK];
  for (uint32_t done = 0; done < length;) {
    uint32_t n = std::min<uint32_t>(TSK_CHUNK, length - done);
    if (fread(chunk, 1, n, in) != n) return false;
    model_add_data(done, n, chunk, 0);
    done += n;
  }
  return true;
}

bool tsk_dump(FILE *in) {
  uint8_t h[TSK_HEADER_MAX];
  if (fread(h, 1, TSK_HEADER, in) != TSK_HEADER) return false;
  uint32_t start = le32(h + 8);
  printf("Holtek TSK file dump:\n");
  std::string version(reinterpret_cast<char *>(h + 2), 6);
  printf("version = %.6s; data start = 0x%lX; length = 0x%lX\n", printable(version.substr(0, version.find('\0'))).c_str(),
         (unsigned long)start, (unsigned long)le32(h + 12));
  if (start < TSK_HEADER || start > TSK_HEADER_MAX) return true;
  if (fread(h + TSK_HEADER, 1, start - TSK_HEADER, in) != start - TSK_HEADER) return true;
  std::string mcu(reinterpret_cast<char *>(h + TSK_HEADER), std::min<uint32_t>(16, start - TSK_HEADER));
  printf("MCU = %.16s\n", printable(mcu.substr(0, mcu.find('\0'))).c_str());
  return true;
}
