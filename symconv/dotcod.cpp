#include "symconv/dotcod.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>
#include <ctime>
#include <map>
#include <string>
#include <vector>

#include "common/alert.h"
#include "common/alloc.h"
#include "common/vector.h"
#include "symconv/encdec.h"
#include "symconv/machine.h"
#include "symconv/coffcore.h"
#include "symconv/model.h"
#include "symconv/sdb.h"
#include "symconv/type.h"

namespace {

enum {
  BLOCK = 512,
  PAGE = 512,
  INDEXED_PAGES = 128,
  DIR_SOURCE = 256,
  DIR_DATE = 320,
  DIR_TIME = 328,
  DIR_VERSION = 330,
  DIR_COMPILER = 350,
  DIR_NOTICE = 362,
  DIR_SYMTAB = 426,
  DIR_NAMTAB = 430,
  DIR_LSTTAB = 434,
  DIR_ADDRSIZE = 438,
  DIR_HIGHADDR = 439,
  DIR_NEXTDIR = 441,
  DIR_MEMMAP = 443,
  DIR_LOCALS = 447,
  DIR_CODTYPE = 451,
  DIR_PROCESSOR = 453,
  DIR_LSYMTAB = 462,
  DIR_MESSTAB = 466,
  SOURCE_ROOM = 63,
  VERSION_ROOM = 19,
  COMPILER_ROOM = 11,
  NOTICE_ROOM = 63,
  PROCESSOR_ROOM = 8,
  // gputils' readers take 84 line entries and 128 memory-map pairs a block.
  LINE_ENTRY = 6,
  LINES_PER_BLOCK = 84,
  MAX_LINE_ENTRIES = LINES_PER_BLOCK * 0x8000,
  MEMMAP_ENTRY = 4,
  MEMMAP_PER_BLOCK = BLOCK / MEMMAP_ENTRY,
  NAME_ENTRY = 64,
  NAME_ROOM = 62,
  SHORT_ENTRY = 16,
  SHORT_NAME_ROOM = 12,
  LONG_NAME_ROOM = 255,
  LONG_BLOCK_LIMIT = 506,
  FAKED_NAME_ROOM = 127,
};

enum line_flags { LINE_MORE = 0x00, LINE_FIRST = 0x80, LINE_NO_CODE = 0x90, LINE_FILE = 0xFF };

enum cod_type {
  CT_BYTE = 2,
  CT_INT = 3,
  CT_UBYTE = 4,
  CT_UINT = 5,
  CT_POINTER = 6,
  CT_BYTE_ARRAY = 12,
  CT_UBYTE_ARRAY = 13,
  CT_WORD_ARRAY = 14,
  CT_UWORD_ARRAY = 15,
  CT_FUNC = 16,
  CT_PFUN = 31,
  CT_VOID = 67,
  CT_STRUCT = 77,
  CT_UNKNOWN = 139,
  CT_BIT0 = 145,
  CT_UINT32 = 159,
  CT_SINT32 = 160,
  CT_FLOAT = 163,
  CT_FLOAT24 = 166,
  CT_FLOAT32 = 167,
  CT_LAST = 183,
};

enum { MSG_CANT_WRITE = 413, MSG_BAD_FILE = 620, MSG_CANT_READ = 1037 };

constexpr uint32_t MSYM_WRITTEN = 0x8;

const char compiler_name[] = "Quenlor";
const char notice_text[] = "Quenlor Software PIC18 C toolchain debug file";

typedef std::array<uint8_t, BLOCK> cod_block;

struct cod_symbol {
  std::string name;
  int type;
  uint32_t value;
};

struct cod_scope {
  uint32_t first = 0, last = 0;
  bool function = false;
  std::string function_name;
  std::vector<cod_symbol> entries;
};

struct cod_line_item {
  uint32_t address;
  const model_line *line;  // null for a symbol
  uint32_t count;
};

struct cod_state {
  std::vector<cod_block> blocks;
  std::vector<cod_symbol> globals;
  std::vector<cod_scope> scopes;
  std::vector<const model_file *> names;  // the name table, in order of first use
};

cod_state *cod;

uint16_t add_block(const cod_block &b) {
  cod->blocks.push_back(b);
  return uint16_t(cod->blocks.size() - 1);
}

void put_counted(uint8_t *p, const std::string &text, size_t room) {
  size_t n = std::min(text.size(), room);
  p[0] = uint8_t(n);
  memcpy(p + 1, text.data(), n);
}

void put_range(uint8_t *dir, int offset, uint16_t first, uint16_t last) {
  put16_le(dir + offset, first);
  put16_le(dir + offset + 2, last);
}

// Fixed-size entries packed into whole blocks; the first and last block.
template <size_t SIZE>
std::pair<uint16_t, uint16_t> add_entries(const std::vector<std::array<uint8_t, SIZE>> &entries, size_t per_block) {
  if (entries.empty()) return {0, 0};
  uint16_t first = 0, last = 0;
  for (size_t k = 0; k < entries.size(); k += per_block) {
    cod_block b{};
    for (size_t j = 0; j < per_block && k + j < entries.size(); j++)
      memcpy(b.data() + j * SIZE, entries[k + j].data(), SIZE);
    last = add_block(b);
    if (!first) first = last;
  }
  return {first, last};
}

std::string without_underscore(const std::string &name) {
  return settings.strip_underscore && !name.empty() && name[0] == '_' ? name.substr(1) : name;
}

// ---- types ----

bool points_to_function(const type_chain *chain, int k) {
  for (k--; k >= 0 && chain->elems[k].kind == TK_QUALIFIER; k--) {
  }
  return k >= 0 && chain->elems[k].kind == TK_FUNCTION;
}

int type_code(const type_chain *chain, int k) {
  while (k >= 0 && chain->elems[k].kind == TK_QUALIFIER) k--;
  if (k < 0) return 0;
  const type_elem &e = chain->elems[k];
  bool fake = settings.fake_globals;
  switch (e.kind) {
    case TK_BASIC:
      if (fake) return CT_UNKNOWN;
      switch (e.value) {
        case TC_VOID:
          return CT_VOID;
        case TC_SIGNED:
          return e.size == 1 ? CT_BYTE : e.size == 2 ? CT_INT : e.size == 4 ? CT_SINT32 : 0;
        case TC_UNSIGNED:
          return e.size == 1 ? CT_UBYTE : e.size == 2 ? CT_UINT : e.size == 4 ? CT_UINT32 : 0;
        case TC_FLOAT:
          return e.size == 3 ? CT_FLOAT24 : e.size == 4 ? CT_FLOAT32 : CT_FLOAT;
        case TC_BIT:
          return CT_BIT0;
        default:
          return 0;
      }
    case TK_FUNCTION:
      return CT_FUNC;
    case TK_POINTER:
      return points_to_function(chain, k) ? CT_PFUN : CT_POINTER;
    case TK_ENUM:
      return fake ? CT_UNKNOWN : 0;
    case TK_STRUCT:
      return fake ? CT_UNKNOWN : CT_STRUCT;
    case TK_ARRAY: {
      if (fake) return CT_UNKNOWN;
      switch (type_code(chain, k - 1)) {
        case CT_INT:
          return CT_WORD_ARRAY;
        case CT_UBYTE:
          return CT_UBYTE_ARRAY;
        case CT_UINT:
          return CT_UWORD_ARRAY;
        default:
          return CT_BYTE_ARRAY;
      }
    }
    default:
      return 0;
  }
}

int type_code(const type_chain *chain) { return chain && chain->count ? type_code(chain, int(chain->count) - 1) : 0; }

// ---- scopes ----

// The address of a line of a file: its own record's, else the next line's
// less one, else the last line's plus one.
uint32_t line_address(const char *file_name, int line) {
  const model_file *f = file_name ? model_find_file(file_name) : nullptr;
  if (!f || !f->line_count) return 0;
  for (uint32_t k = 0; k < f->line_count; k++) {
    const model_line *l = f->lines[k];
    if (int(l->line) == line) return l->start;
    if (int(l->line) > line) return l->start ? l->start - 1 : 0;
  }
  return f->lines[f->line_count - 1]->start + 1;
}

bool variable_symbol(sdb_record *var, sdb_record *scope, cod_symbol *out) {
  uint32_t address = 0, segment = 0;
  if (!mach_resolve(var, scope, &address, &segment)) return false;
  out->name = var->name ? var->name : "";
  if (type_is_bit(var->type)) {
    out->type = CT_BIT0 + int(address % 8);
    out->value = address / 8;
  } else {
    out->type = type_code(var->type);
    out->value = address;
  }
  const char *symbol = var->kind == SDB_STATIC && var->label ? var->label : var->name;
  if (model_symbol *s = symbol ? model_find_symbol(symbol) : nullptr) s->flags |= MSYM_WRITTEN;
  return true;
}

void walk_scope(sdb_record *scope) {
  cod_scope s;
  s.first = line_address(scope->source, scope->first_line);
  s.last = line_address(scope->source, scope->last_line);
  if (scope->kind == SDB_FUNC && scope->function) {
    cod_symbol own;
    if (variable_symbol(scope->function, scope->parent, &own)) {
      s.function = true;
      s.function_name = own.name;
      s.entries.push_back(own);
    }
  }
  std::vector<sdb_record *> nested;
  for (uint32_t k = 0; k < vec_size(scope->items); k++) {
    sdb_record *item = static_cast<sdb_record *>(vec_get(scope->items, k));
    cod_symbol var;
    switch (item->kind) {
      case SDB_EXTERN:
        if (variable_symbol(item, scope, &var)) cod->globals.push_back(var);
        break;
      case SDB_STATIC:
      case SDB_AUTO:
      case SDB_PARAM:
      case SDB_REG:
        if (variable_symbol(item, scope, &var)) s.entries.push_back(var);
        break;
      case SDB_BLOCK:
      case SDB_FUNC:
      case SDB_MODULE:
        nested.push_back(item);
        break;
      default:
        break;
    }
  }
  bool kept = !s.entries.empty() && s.first != 0;
  if (settings.fake_globals) kept = kept && s.function && s.entries.size() > 1;
  if (kept) cod->scopes.push_back(s);
  for (sdb_record *n : nested) walk_scope(n);
}

// ---- tables ----

bool in_code(const model_line *l) {
  const model_segment *seg = model_segment_at(l->segment);
  if (!seg) return false;
  if (!strcmp(seg->name, "CODE")) return true;
  const model_segment *cls = seg->space != l->segment ? model_segment_at(seg->space) : nullptr;
  return cls && !strcmp(cls->name, "CODE");
}

uint8_t file_number(const model_file *f) {
  for (size_t k = 0; k < cod->names.size(); k++)
    if (cod->names[k] == f) return uint8_t(k);
  cod->names.push_back(f);
  return uint8_t(cod->names.size() - 1);
}

std::pair<uint16_t, uint16_t> write_line_list() {
  std::vector<cod_line_item> items;
  for (uint32_t k = 0; k < vec_size(model.files); k++) {
    const model_file *f = model_file_at(k + 1);
    for (uint32_t j = 0; j < f->line_count; j++) items.push_back({f->lines[j]->start, f->lines[j], 0});
    for (uint32_t j = 0; j < f->symbol_count; j++)
      if (f->symbols[j]) items.push_back({f->symbols[j]->value, nullptr, 0});
  }
  std::stable_sort(items.begin(), items.end(), [](const cod_line_item &a, const cod_line_item &b) {
    if (a.address != b.address) return a.address < b.address;
    if (!a.line != !b.line) return a.line != nullptr;
    return a.line && a.line->line < b.line->line;
  });
  for (size_t k = 0; k + 1 < items.size(); k++) {
    if (!items[k].line) continue;
    const cod_line_item &next = items[k + 1];
    items[k].count = next.line && next.address != items[k].address ? next.address - items[k].address : 0;
  }
  std::stable_sort(items.begin(), items.end(), [](const cod_line_item &a, const cod_line_item &b) {
    if (!a.line || !b.line) return !a.line && b.line;
    if (a.line->file != b.line->file) return a.line->file < b.line->file;
    return a.line->line < b.line->line;
  });
  std::vector<std::array<uint8_t, LINE_ENTRY>> entries;
  auto entry = [&](uint8_t file, uint8_t flags, uint32_t line, uint32_t address) {
    // Block numbers are 16-bit: the list cannot grow beyond them.
    if (entries.size() >= MAX_LINE_ENTRIES) return;
    std::array<uint8_t, LINE_ENTRY> e{};
    e[0] = file;
    e[1] = flags;
    put16_le(e.data() + 2, line);
    put16_le(e.data() + 4, address);
    entries.push_back(e);
  };
  const model_file *current = nullptr;
  uint32_t counter = 0;
  uint32_t step = model.machine && model.machine->step ? model.machine->step : 1;
  bool has_code = model_find_segment("CODE") != nullptr;
  for (const cod_line_item &item : items) {
    // Lines and addresses are 16-bit numbers here.
    if (!item.line || item.line->line > 0xFFFF) continue;
    const model_file *f = model_file_at(item.line->file);
    if (!f) continue;
    uint8_t number = file_number(f);
    if (f != current) {
      entry(number, LINE_FILE, 0, 0);
      current = f;
      counter = 0;
    }
    for (uint32_t n = counter + 1; n < item.line->line; n++) entry(number, LINE_NO_CODE, n, 0);
    counter = std::max(counter, item.line->line);
    if (!has_code || !in_code(item.line)) continue;
    // A line ends before the next line or symbol, and where the model
    // ended it, so that a gap in the code is not counted to it.
    uint64_t count = std::max<uint32_t>(item.count, 1);
    count = std::min<uint64_t>(count, uint64_t(std::max(item.line->end, item.address)) - item.address + 1);
    count = std::min<uint64_t>(count, 0x10000 - std::min<uint32_t>(item.address, 0x10000));
    for (uint32_t a = 0; a < count; a += step)
      entry(number, a ? LINE_MORE : LINE_FIRST, item.line->line, item.address + a);
  }
  return add_entries(entries, LINES_PER_BLOCK);
}

std::array<uint8_t, SHORT_ENTRY> short_entry(const std::string &name, int type, uint32_t value) {
  std::array<uint8_t, SHORT_ENTRY> e{};
  put_counted(e.data(), name, SHORT_NAME_ROOM);
  e[13] = uint8_t(type);
  put16_le(e.data() + 14, value & 0xFFFF);
  return e;
}

std::pair<uint16_t, uint16_t> write_long_symbols(const std::vector<cod_symbol> &symbols) {
  if (symbols.empty()) return {0, 0};
  uint16_t first = 0, last = 0;
  cod_block b{};
  size_t at = 0;
  auto flush = [&] {
    last = add_block(b);
    if (!first) first = last;
    b = cod_block{};
    at = 0;
  };
  for (const cod_symbol &s : symbols) {
    size_t n = std::min<size_t>(s.name.size(), LONG_NAME_ROOM);
    if (at + n >= LONG_BLOCK_LIMIT) flush();
    b[at] = uint8_t(n);
    memcpy(b.data() + at + 1, s.name.data(), n);
    put16_le(b.data() + at + 1 + n, uint32_t(s.type));
    put32_be(b.data() + at + 3 + n, s.value);
    at += n + 7;
  }
  flush();
  return {first, last};
}

void write_code(uint8_t *dir) {
  std::map<uint32_t, cod_block> pages;
  for (uint32_t k = 0; k < vec_size(model.data); k++) {
    const model_data *d = model_data_nth(k);
    for (uint32_t j = 0; j < d->length; j++) {
      uint64_t a = uint64_t(d->address) + j;
      pages[uint32_t(a / PAGE)][a % PAGE] = d->bytes[j];
    }
  }
  for (const auto &[page, bytes] : pages) {
    uint16_t block = add_block(bytes);
    if (page < INDEXED_PAGES) put16_le(dir + 2 * page, block);
  }
}

std::pair<uint16_t, uint16_t> write_memory_map() {
  std::vector<std::array<uint8_t, MEMMAP_ENTRY>> pairs;
  for (uint32_t k = 0; k < vec_size(model.data); k++) {
    const model_data *d = model_data_nth(k);
    std::array<uint8_t, MEMMAP_ENTRY> e{};
    put16_le(e.data(), d->address);
    put16_le(e.data() + 2, d->address + d->length - 1);
    pairs.push_back(e);
  }
  return add_entries(pairs, MEMMAP_PER_BLOCK);
}

void fill_directory(uint8_t *dir, const char *name) {
  put_counted(dir + DIR_SOURCE, name ? name : "", SOURCE_ROOM);
  time_t now = time(nullptr);
  struct tm local {};
  localtime_r(&now, &local);
  static const char *const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                       "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  char date[16];
  snprintf(date, sizeof date, "%2d%s%02d", local.tm_mday, months[local.tm_mon % 12], local.tm_year % 100);
  put_counted(dir + DIR_DATE, date, 7);
  put16_le(dir + DIR_TIME, uint32_t(local.tm_hour * 100 + local.tm_min));
  put_counted(dir + DIR_VERSION, "", VERSION_ROOM);
  put_counted(dir + DIR_COMPILER, compiler_name, COMPILER_ROOM);
  put_counted(dir + DIR_NOTICE, notice_text, NOTICE_ROOM);
  dir[DIR_ADDRSIZE] = 0;
  put16_le(dir + DIR_HIGHADDR, 0);
  put16_le(dir + DIR_NEXTDIR, 0);
  put16_le(dir + DIR_CODTYPE, 1);
  // gpsim knows its processors by lower-case names.
  std::string processor = settings.processor ? settings.processor : "";
  for (char &c : processor) c = char(tolower(uint8_t(c)));
  put_counted(dir + DIR_PROCESSOR, processor, PROCESSOR_ROOM);
}

}  // namespace

bool cod_identify(FILE *in) {
  uint8_t dir[BLOCK];
  if (fread(dir, 1, BLOCK, in) != BLOCK) return false;
  const uint8_t *date = dir + DIR_DATE;
  return date[0] == 7 && isdigit(date[2]) && isalpha(date[3]) && isalpha(date[4]);
}

bool cod_read(FILE *, const char *) { return false; }

bool cod_write(FILE *out, const char *name) {
  cod_state state;
  cod = &state;
  bool default_classes = !settings.class_count;
  if (default_classes) {
    settings.classes[settings.class_count++] = str_dup("CODE");
    settings.classes[settings.class_count++] = str_dup("ENTRY");
  }
  cod->blocks.push_back(cod_block{});
  cod_block dir{};
  fill_directory(dir.data(), name);
  auto memmap = write_memory_map();
  put_range(dir.data(), DIR_MEMMAP, memmap.first, memmap.second);
  write_code(dir.data());
  auto lines = write_line_list();
  put_range(dir.data(), DIR_LSTTAB, lines.first, lines.second);
  if (model.sdb_root)
    for (uint32_t k = 0; k < vec_size(model.sdb_root->items); k++) {
      sdb_record *module = static_cast<sdb_record *>(vec_get(model.sdb_root->items, k));
      if (module->kind == SDB_MODULE) walk_scope(module);
    }
  std::vector<cod_symbol> listed;
  for (uint32_t k = 0; k < vec_size(model.symbols); k++) {
    const model_symbol *s = model_symbol_nth(k);
    if (s->flags & MSYM_WRITTEN) continue;
    if ((s->flags & MSYM_LOCAL) && !settings.strip_underscore) continue;
    int type = CT_BYTE;
    if ((s->flags & MSYM_ABSOLUTE) || !s->segment)
      type = CT_UNKNOWN;
    else if (segment_is_program(s->segment))
      type = CT_FUNC;
    listed.push_back({s->name, type, s->value});
  }
  std::vector<std::array<uint8_t, NAME_ENTRY>> names;
  for (const model_file *f : cod->names) {
    std::array<uint8_t, NAME_ENTRY> e{};
    put_counted(e.data(), f->name, NAME_ROOM);
    names.push_back(e);
  }
  auto name_blocks = add_entries(names, BLOCK / NAME_ENTRY);
  put_range(dir.data(), DIR_NAMTAB, name_blocks.first, name_blocks.second);
  std::vector<std::array<uint8_t, SHORT_ENTRY>> shorts;
  for (const cod_symbol &g : cod->globals) shorts.push_back(short_entry(g.name, g.type, g.value));
  for (const cod_symbol &s : listed) shorts.push_back(short_entry(s.name, s.type, s.value));
  auto short_blocks = add_entries(shorts, BLOCK / SHORT_ENTRY);
  put_range(dir.data(), DIR_SYMTAB, short_blocks.first, short_blocks.second);
  std::vector<cod_symbol> longs = cod->globals;
  if (settings.fake_globals)
    for (const cod_scope &s : cod->scopes)
      for (size_t k = 1; k < s.entries.size(); k++) {
        std::string faked = without_underscore(s.function_name) + "." + s.entries[k].name;
        longs.push_back({faked.substr(0, FAKED_NAME_ROOM), s.entries[k].type, s.entries[k].value});
      }
  longs.insert(longs.end(), listed.begin(), listed.end());
  auto long_blocks = write_long_symbols(longs);
  put_range(dir.data(), DIR_LSYMTAB, long_blocks.first, long_blocks.second);
  if (!settings.fake_globals) {
    std::vector<std::array<uint8_t, SHORT_ENTRY>> locals;
    for (const cod_scope &s : cod->scopes) {
      std::array<uint8_t, SHORT_ENTRY> head{};
      put_counted(head.data(), "__LOCAL", 7);
      put16_le(head.data() + 8, s.first);
      put16_le(head.data() + 12, s.last);
      locals.push_back(head);
      for (const cod_symbol &e : s.entries) locals.push_back(short_entry(without_underscore(e.name), e.type, e.value));
    }
    auto local_blocks = add_entries(locals, BLOCK / SHORT_ENTRY);
    put_range(dir.data(), DIR_LOCALS, local_blocks.first, local_blocks.second);
  }
  cod->blocks[0] = dir;
  for (const cod_block &b : cod->blocks)
    if (fwrite(b.data(), 1, BLOCK, out) != BLOCK) msg(MSG_CANT_WRITE, name);
  if (default_classes) {
    while (settings.class_count) xfree(settings.classes[--settings.class_count]);
  }
  cod = nullptr;
  return true;
}

namespace {

// ---- dump ----

struct type_name {
  int code;
  const char *name;
};

const type_name type_names[] = {
    {CT_BYTE, "c_byte"},          {CT_INT, "c_int"},
    {CT_UBYTE, "c_ubyte"},        {CT_UINT, "c_uint"},
    {CT_POINTER, "c_pointer"},    {CT_BYTE_ARRAY, "byte_array"},
    {CT_UBYTE_ARRAY, "u_byte_array"}, {CT_WORD_ARRAY, "word_array"},
    {CT_UWORD_ARRAY, "u_word_array"}, {CT_FUNC, "func_void_none"},
    {CT_PFUN, "pfun_void_none"},  {CT_VOID, "c_void"},
    {CT_STRUCT, "c_struct"},      {CT_UNKNOWN, "unknown"},
    {CT_BIT0, "bit_0"},           {CT_BIT0 + 1, "bit_1"},
    {CT_BIT0 + 2, "bit_2"},       {CT_BIT0 + 3, "bit_3"},
    {CT_BIT0 + 4, "bit_4"},       {CT_BIT0 + 5, "bit_5"},
    {CT_BIT0 + 6, "bit_6"},       {CT_BIT0 + 7, "bit_7"},
    {CT_UINT32, "uint32"},        {CT_SINT32, "sint32"},
    {CT_FLOAT, "float"},          {CT_FLOAT24, "float24"},
    {CT_FLOAT32, "float32"},
};

std::string counted(const uint8_t *p, size_t room) {
  size_t n = std::min<size_t>(p[0], room);
  return std::string(reinterpret_cast<const char *>(p + 1), strnlen(reinterpret_cast<const char *>(p + 1), n));
}

bool read_block(FILE *in, uint32_t number, cod_block *b) {
  return fseek(in, long(number) * BLOCK, SEEK_SET) == 0 && fread(b->data(), 1, BLOCK, in) == BLOCK;
}

uint16_t dir16(const cod_block &dir, int offset) { return uint16_t(get16_le(dir.data() + offset)); }

void print_symbol(const uint8_t *e) {
  std::string name = counted(e, SHORT_NAME_ROOM);
  printf("\t%-14.12s", name.c_str());
  int type = e[13];
  char text[32];
  const char *known = nullptr;
  for (const type_name &t : type_names)
    if (t.code == type) known = t.name;
  if (known)
    snprintf(text, sizeof text, " (%s)", known);
  else if (type >= 1 && type <= CT_LAST)
    snprintf(text, sizeof text, " (%d)", type);
  else
    snprintf(text, sizeof text, " (%2.2X)", type);
  int width = int(strlen(text));
  printf("%s%*s%5.4X\n", text, width < 20 ? 20 - width : 0, "", unsigned(get16_le(e + 14)));
}

// Every block of a directory range; false after a block that cannot be read.
template <typename F>
bool each_block(FILE *in, const cod_block &dir, int offset, const char *what, F visit) {
  uint16_t first = dir16(dir, offset), last = dir16(dir, offset + 2);
  if (!first) return true;
  for (uint32_t k = first; k <= last; k++) {
    cod_block b;
    if (!read_block(in, k, &b)) {
      msg(MSG_CANT_READ, what);
      return false;
    }
    visit(k, b);
  }
  return true;
}

}  // namespace

bool cod_dump(FILE *in) {
  cod_block dir;
  if (!read_block(in, 0, &dir)) {
    msg(MSG_CANT_READ, "directory block");
    return false;
  }
  uint16_t time_of_day = dir16(dir, DIR_TIME);
  printf("Source:\t%s\n", counted(dir.data() + DIR_SOURCE, SOURCE_ROOM).c_str());
  printf("Date:\t%s\t", counted(dir.data() + DIR_DATE, 7).c_str());
  printf("Time:\t%2.2d:%2.2d\n", time_of_day / 100, time_of_day % 100);
  printf("Version:%s\t", counted(dir.data() + DIR_VERSION, VERSION_ROOM).c_str());
  printf("Compiler: %s\n", counted(dir.data() + DIR_COMPILER, COMPILER_ROOM).c_str());
  printf("Notice:\t%s\n", counted(dir.data() + DIR_NOTICE, NOTICE_ROOM).c_str());
  printf("Symtab:\t%d/%d; Namtab: %d/%d; Lsttab: %d/%d\n", dir16(dir, DIR_SYMTAB), dir16(dir, DIR_SYMTAB + 2),
         dir16(dir, DIR_NAMTAB), dir16(dir, DIR_NAMTAB + 2), dir16(dir, DIR_LSTTAB), dir16(dir, DIR_LSTTAB + 2));
  printf("Addr:\t%d, highaddr %X\n", dir[DIR_ADDRSIZE], unsigned(dir16(dir, DIR_HIGHADDR)));
  printf("Memmap:\t%d/%d; Locals: %d/%d; Lsymtab %d/%d; Messtab %d/%d\n", dir16(dir, DIR_MEMMAP),
         dir16(dir, DIR_MEMMAP + 2), dir16(dir, DIR_LOCALS), dir16(dir, DIR_LOCALS + 2), dir16(dir, DIR_LSYMTAB),
         dir16(dir, DIR_LSYMTAB + 2), dir16(dir, DIR_MESSTAB), dir16(dir, DIR_MESSTAB + 2));
  printf("Codtyp:\t%d; Processor %s\n", dir16(dir, DIR_CODTYPE),
         counted(dir.data() + DIR_PROCESSOR, PROCESSOR_ROOM).c_str());
  for (uint32_t page = 0; page < INDEXED_PAGES; page++) {
    uint16_t block = dir16(dir, int(2 * page));
    if (!block) continue;
    printf("Code: 0%Xh at block %d\n", page * PAGE, block);
    if (settings.verbosity < 1) continue;
    cod_block b;
    if (!read_block(in, block, &b)) {
      msg(MSG_CANT_READ, "code block");
      return false;
    }
    hex_dump_lines(stdout, page * PAGE, 16, b.data(), BLOCK, "%4.4lX:", false);
  }
  printf("Symbols:\n");
  bool ok = each_block(in, dir, DIR_SYMTAB, "symbol block", [](uint32_t, const cod_block &b) {
    for (size_t at = 0; at < BLOCK; at += SHORT_ENTRY)
      if (b[at]) print_symbol(b.data() + at);
  });
  printf("Locals:\n");
  ok = ok && each_block(in, dir, DIR_LOCALS, "local scope block", [](uint32_t, const cod_block &b) {
    for (size_t at = 0; at < BLOCK; at += SHORT_ENTRY) {
      if (!b[at]) continue;
      if (counted(b.data() + at, 7) == "__LOCAL")
        printf("Block: 0x%lX-0x%lX\n", (unsigned long)get16_le(b.data() + at + 8),
               (unsigned long)get16_le(b.data() + at + 12));
      else
        print_symbol(b.data() + at);
    }
  });
  printf("Files:\n");
  std::vector<std::string> files;
  ok = ok && each_block(in, dir, DIR_NAMTAB, "name block", [&files](uint32_t, const cod_block &b) {
    for (size_t at = 0; at < BLOCK; at += NAME_ENTRY) {
      if (!b[at]) continue;
      files.push_back(counted(b.data() + at, NAME_ROOM));
      printf("\t%-63.64s\n", files.back().c_str());
    }
  });
  printf("Line numbers:\n");
  ok = ok && each_block(in, dir, DIR_LSTTAB, "line number block", [&files](uint32_t k, const cod_block &b) {
    printf("Line number block %u\n", k);
    for (size_t j = 0; j < LINES_PER_BLOCK; j++) {
      const uint8_t *e = b.data() + j * LINE_ENTRY;
      const char *file = "";
      if (e[0] < files.size())
        file = files[e[0]].c_str();
      else if (e[1] || get16_le(e + 2))
        msg(MSG_BAD_FILE, "line number block", unsigned(e[0]), unsigned(files.size()));
      printf("\t%5d %2.2X %4.4X %.32s\n", int(get16_le(e + 2)), e[1], unsigned(get16_le(e + 4)), file);
    }
  });
  return ok;
}
