#include "symconv/mcoff.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <string>
#include <vector>

#include "common/alert.h"
#include "common/alloc.h"
#include "common/hash.h"
#include "common/vector.h"
#include "symconv/encdec.h"
#include "symconv/machine.h"
#include "symconv/model.h"
#include "symconv/sdb.h"
#include "symconv/type.h"

namespace {

enum {
  FILE_HEADER = 20,
  OPT_HEADER = 18,
  SECTION_HEADER = 40,
  LINE_ENTRY = 16,
  SYMBOL_ENTRY = 20,
  COFF_MAGIC = 0x1240,
  // The optional-header magic that gputils' readers accept.
  OPT_MAGIC = 0x5678,
  OWN_MAGIC_LOW = 5000,
  OWN_MAGIC_HIGH = 5999,
  OPT_VERSION = 96303,
  FILE_EXECUTABLE = 2,
  SECTION_TEXT = 0x20,
  SECTION_BSS = 0x80,
  SECTION_ABSOLUTE = 0x1000,
  SECTION_DEBUG = -2,
  MAX_SECTIONS = 1000,
  DATA_PIECE = 16384,
  POINTER_SIZE = 2,
};

enum storage_class {
  C_NULL = 0,
  C_AUTO = 1,
  C_EXT = 2,
  C_STAT = 3,
  C_REG = 4,
  C_EXTDEF = 5,
  C_LABEL = 6,
  C_MOS = 8,
  C_ARG = 9,
  C_STRTAG = 10,
  C_MOU = 11,
  C_UNTAG = 12,
  C_TPDEF = 13,
  C_ENTAG = 15,
  C_MOE = 16,
  C_REGPARM = 17,
  C_FIELD = 18,
  C_AUTOARG = 19,
  C_BLOCK = 100,
  C_FCN = 101,
  C_EOS = 102,
  C_FILE = 103,
  C_EOF = 107,
  C_LIST = 108,
  C_SECTION = 109,
  C_WEAKEXT = 127,
  C_EFCN = 255,
};

enum base_type {
  T_VOID = 1,
  T_CHAR = 2,
  T_INT = 4,
  T_LONG = 5,
  T_FLOAT = 6,
  T_DOUBLE = 7,
  T_STRUCT = 8,
  T_UNION = 9,
  T_ENUM = 10,
  T_UCHAR = 12,
  T_UINT = 14,
  T_ULONG = 15,
  T_SLONG = 17,
  T_USLONG = 18,
  T_LAST = 18,
};

enum derivation { DT_PTR = 1, DT_FCN = 2, DT_ARY = 3 };

enum {
  MSG_CANT_WRITE = 413,
  MSG_NO_CLASSES = 599,
  MSG_BAD_PROCESSOR = 600,
  MSG_UNKNOWN_CLASS = 633,
  MSG_BAD_VERSION = 638,
  MSG_NO_WIDTH = 639,
  MSG_HEADER_SIZE = 1036,
  MSG_CANT_READ = 1037,
  MSG_STRING_TABLE = 1038,
  MSG_SYMBOL_INDEX = 1039,
  MSG_NO_OPT_HEADER = 1043,
};

constexpr uint32_t MSYM_WRITTEN = 0x8;

const uint8_t base_sizes[T_LAST + 1] = {0, 0, 1, 2, 2, 4, 3, 4, 0, 0, 0, 0, 1, 2, 2, 4, 8, 3, 3};

typedef std::array<uint8_t, SYMBOL_ENTRY> coff_entry;

// What an auxiliary entry of a typed symbol holds.
struct type_aux {
  bool present = false;
  uint32_t tag = 0;
  uint32_t size = 0;
  uint16_t dims[4] = {};
  const sdb_record *pending = nullptr;  // a structure whose tag is not written yet
};

struct coff_type {
  uint32_t word = 0;
  type_aux aux;
  uint32_t leaf_size = 0;  // an array's element below all its dimensions
};

struct coff_section {
  std::string name;
  uint32_t address = 0, size = 0, data_offset = 0, line_offset = 0, line_count = 0, flags = 0;
  const model_data *data = nullptr;
};

struct coff_function {
  const sdb_record *scope;
  uint32_t symbol_index;
  uint32_t section;
  std::vector<const model_line *> lines;
};

struct pending_tag {
  uint32_t aux_index;
  const sdb_record *structure;
};

struct bit_variable {
  std::string name;
};

struct coff_writer {
  std::vector<coff_entry> entries;
  std::vector<std::string> strings;
  uint32_t string_size = 0;
  std::vector<coff_function> functions;
  std::map<uint32_t, bit_variable> bits;
  hash_table *tags = nullptr;
  std::vector<type_chain *> tag_keys;
  std::vector<pending_tag> pending;
  std::string open_file;
  int tag_counter = 0;
  uint32_t processor_id = 0, rom_width = 8, ram_width = 8, code_unit = 1, data_unit = 1;
  std::vector<coff_section> sections;
  std::vector<uint32_t> segment_section;  // by segment index, 0 for program memory
  uint32_t first_block_section = 0;
  bool failed_write = false;
};

coff_writer *writer;

// ---- names, strings and entries ----

std::string entry_name(const char *name) {
  if (!name) return "";
  if (settings.strip_underscore && name[0] == '_') return name + 1;
  return name;
}

uint32_t string_offset(const std::string &text) {
  uint32_t offset = 4;
  for (const std::string &s : writer->strings) {
    if (s == text) return offset;
    offset += uint32_t(s.size() + 1);
  }
  writer->strings.push_back(text);
  writer->string_size += uint32_t(text.size() + 1);
  return offset;
}

// Eight characters inline, or a zero word and the string-table offset.
void put_name(uint8_t *p, const std::string &name) {
  memset(p, 0, 8);
  if (name.size() <= 8) {
    memcpy(p, name.data(), name.size());
    return;
  }
  put32(p + 4, string_offset(name));
}

uint32_t add_entry(const std::string &name, uint32_t value, int section, uint32_t type, int cls, int aux_count) {
  coff_entry e{};
  put_name(e.data(), name);
  put32(e.data() + 8, value);
  put16(e.data() + 12, uint16_t(int16_t(section)));
  put32(e.data() + 14, type);
  e[18] = uint8_t(cls);
  e[19] = uint8_t(aux_count);
  writer->entries.push_back(e);
  return uint32_t(writer->entries.size() - 1);
}

// An auxiliary entry after the last symbol entry; its index.
uint32_t add_aux() {
  writer->entries.push_back(coff_entry{});
  return uint32_t(writer->entries.size() - 1);
}

uint8_t *entry_at(uint32_t index) { return writer->entries[index].data(); }

uint32_t add_type_aux(const type_aux &aux) {
  uint32_t index = add_aux();
  uint8_t *p = entry_at(index);
  put32(p, aux.tag);
  put16(p + 6, aux.size & 0xFFFF);
  for (int k = 0; k < 4; k++)
    if (aux.dims[k]) put16(p + 8 + 2 * k, aux.dims[k]);
  if (aux.pending) writer->pending.push_back({index, aux.pending});
  return index;
}

// A .bf/.ef/.bb/.eb entry with its line; the auxiliary entry's index.
uint32_t add_block_entry(const char *name, uint32_t value, int section, int cls, int line) {
  add_entry(name, value, section, 0, cls, 1);
  uint32_t aux = add_aux();
  put16(entry_at(aux) + 4, uint16_t(line));
  return aux;
}

// ---- sections and addresses ----

bool in_class_list(const char *name) {
  for (int k = 0; k < settings.class_count; k++)
    if (name && !strcmp(settings.classes[k], name)) return true;
  return false;
}

uint32_t data_block_section(uint32_t byte_address) {
  for (uint32_t k = 0; k < vec_size(model.data); k++) {
    const model_data *d = model_data_nth(k);
    if (byte_address >= d->address && uint64_t(byte_address) < uint64_t(d->address) + d->length)
      return writer->first_block_section + k;
  }
  return 0;
}

// The section of an address of that segment; program memory is found in
// the data blocks, the rest in the data segments.
int section_of(uint32_t address, uint32_t segment) {
  model_segment *seg = model_segment_at(segment);
  if (!seg) return 1;
  if (segment_is_program(segment)) {
    uint32_t s = data_block_section(address * writer->code_unit);
    return s ? int(s) : 1;
  }
  uint32_t k = model_segment_of(seg->space, address, writer->data_unit);
  if (k && k < writer->segment_section.size() && writer->segment_section[k]) return int(writer->segment_section[k]);
  if (segment < writer->segment_section.size() && writer->segment_section[segment])
    return int(writer->segment_section[segment]);
  return 1;
}

void make_sections() {
  writer->sections.clear();
  coff_section abs;
  abs.name = "ABS";
  abs.flags = SECTION_ABSOLUTE;
  writer->sections.push_back(abs);
  uint32_t segments = vec_size(model.segments);
  writer->segment_section.assign(segments + 1, 0);
  for (uint32_t k = 1; k <= segments; k++) {
    if (segment_is_program(k)) continue;
    const model_segment *seg = model_segment_at(k);
    int same = 0;
    for (uint32_t j = 1; j < k; j++)
      if (!strcmp(model_segment_at(j)->name, seg->name)) same++;
    coff_section s;
    s.name = same ? std::string(seg->name) + "." + std::to_string(same) : seg->name;
    s.address = seg->start / writer->data_unit;
    s.size = seg->size;
    s.flags = SECTION_BSS;
    writer->sections.push_back(s);
    writer->segment_section[k] = uint32_t(writer->sections.size());
  }
  writer->first_block_section = uint32_t(writer->sections.size() + 1);
  for (uint32_t k = 0; k < vec_size(model.data); k++) {
    const model_data *d = model_data_nth(k);
    coff_section s;
    s.name = "_text" + std::to_string(k);
    s.address = d->address / writer->code_unit;
    s.size = d->length;
    s.flags = SECTION_TEXT;
    s.data = d;
    writer->sections.push_back(s);
  }
}

// ---- processor ----

bool processor_settings() {
  if (!settings.class_count) msg(MSG_NO_CLASSES);
  const char *name = settings.processor ? settings.processor : "";
  if (!*name) {
    msg(MSG_BAD_PROCESSOR, name);
    return false;
  }
  writer->processor_id = 0;
  if (settings.extra_count >= 1 && *settings.extra_names[0]) {
    char *end = nullptr;
    unsigned long id = strtoul(settings.extra_names[0], &end, 16);
    if (*end || !isxdigit(uint8_t(settings.extra_names[0][0]))) {
      msg(MSG_BAD_PROCESSOR, settings.extra_names[0]);
      return false;
    }
    writer->processor_id = uint32_t(id);
  }
  writer->code_unit = writer->data_unit = 1;
  writer->ram_width = writer->rom_width = 8;
  const char *family = settings.extra_count >= 2 ? settings.extra_names[1] : nullptr;
  if (family && strlen(family) > 4 && !strncmp(family, "PIC", 3)) {
    int number = atoi(family + 3);
    if (number == 12 || number == 14 || number == 16) {
      writer->rom_width = uint32_t(number);
      writer->code_unit = 2;
    } else if (number != 18) {
      msg(MSG_BAD_PROCESSOR, family);
      return false;
    }
  } else if (name[0] && name[1] != '8') {
    writer->code_unit = 2;
    writer->rom_width = 0;
  }
  return true;
}

// ---- types ----

uint32_t derive(uint32_t inner, int derivation) {
  return ((inner & ~0x1Fu) << 3) | (uint32_t(derivation) << 5) | (inner & 0x1F);
}

uint32_t basic_code(const type_elem &e) {
  switch (e.value) {
    case TC_VOID:
      return T_VOID;
    case TC_SIGNED:
      return e.size == 1 ? T_CHAR : e.size == 2 ? T_INT : e.size == 3 ? T_SLONG : e.size == 4 ? T_LONG : 0;
    case TC_UNSIGNED:
      return e.size == 1 ? T_UCHAR : e.size == 2 ? T_UINT : e.size == 3 ? T_USLONG : e.size == 4 ? T_ULONG : 0;
    case TC_FLOAT:
      return e.size == base_sizes[T_FLOAT] ? T_FLOAT : T_DOUBLE;
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
  int *found = type_table_get(writer->tags, key);
  type_chain_free(key);
  return found;
}

uint32_t size_of(const coff_type &t) {
  int outer = (t.word >> 5) & 7;
  if (outer == DT_PTR) return POINTER_SIZE;
  if (outer == DT_FCN) return 0;
  if (outer == DT_ARY) return t.aux.size;
  uint32_t base = t.word & 0x1F;
  if (base == T_STRUCT || base == T_UNION) return t.aux.size;
  return base <= T_LAST ? base_sizes[base] : 0;
}

coff_type type_from(const type_chain *chain, int k) {
  coff_type t;
  while (k >= 0 && chain->elems[k].kind == TK_QUALIFIER) k--;
  if (k < 0) return t;
  const type_elem &e = chain->elems[k];
  switch (e.kind) {
    case TK_BASIC:
      t.word = basic_code(e);
      break;
    case TK_POINTER:
    case TK_FUNCTION:
      t = type_from(chain, k - 1);
      t.word = derive(t.word, e.kind == TK_POINTER ? DT_PTR : DT_FCN);
      break;
    case TK_ARRAY: {
      coff_type inner = type_from(chain, k - 1);
      t = inner;
      t.leaf_size = ((inner.word >> 5) & 7) == DT_ARY ? inner.leaf_size : size_of(inner);
      t.word = derive(inner.word, DT_ARY);
      t.aux.present = true;
      t.aux.dims[3] = t.aux.dims[2];
      t.aux.dims[2] = t.aux.dims[1];
      t.aux.dims[1] = t.aux.dims[0];
      t.aux.dims[0] = uint16_t(e.value);
      uint64_t inner_size = ((inner.word >> 5) & 7) == DT_ARY ? inner.aux.size : t.leaf_size;
      t.aux.size = uint32_t((inner_size * e.value) & 0xFFFF);
      break;
    }
    case TK_STRUCT:
      t.word = T_STRUCT;
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
        t.word = e.record->size_code == 1 ? T_INT : T_LONG;
      else
        t.word = T_CHAR;
      break;
    default:
      break;
  }
  return t;
}

coff_type type_word(const type_chain *chain) {
  if (!chain || !chain->count) return coff_type{};
  return type_from(chain, int(chain->count) - 1);
}

void emit_tags(const type_chain *chain);

// The tag of a structure, its members and its end, then its members'
// own structures.
void emit_struct(const sdb_record *s) {
  if (tag_of(s)) return;
  std::string name = s->second_name && *s->second_name ? s->second_name : "";
  if (name.empty()) name = ".u" + std::to_string(writer->tag_counter++);
  uint32_t tag = add_entry(name, 0, 0, 0, s->is_union ? C_UNTAG : C_STRTAG, 1);
  type_chain *key = struct_key(s);
  writer->tag_keys.push_back(key);
  type_table_put(writer->tags, key, int(tag));
  uint32_t tag_aux = add_aux();
  put16(entry_at(tag_aux) + 6, uint16_t(s->struct_size));
  for (uint32_t k = 0; k < s->member_count; k++) {
    const sdb_member &m = s->members[k];
    std::string member = m.name ? m.name : "";
    if (m.bit_width) {
      add_entry(member, uint32_t(m.bit_offset + 8 * m.offset), 0, T_UCHAR, C_FIELD, 1);
      put16(entry_at(add_aux()) + 6, uint16_t(m.bit_width));
      continue;
    }
    coff_type t = type_word(m.type);
    add_entry(member, uint32_t(m.offset), 0, t.word, s->is_union ? C_MOU : C_MOS, t.aux.present ? 1 : 0);
    if (t.aux.present) add_type_aux(t.aux);
  }
  add_entry(".eos", 0, 0, 0, C_EOS, 1);
  uint32_t eos_aux = add_aux();
  put32(entry_at(eos_aux), tag);
  put16(entry_at(eos_aux) + 6, uint16_t(s->struct_size));
  put32(entry_at(tag_aux) + 12, eos_aux);
  for (uint32_t k = 0; k < s->member_count; k++) emit_tags(s->members[k].type);
}

void emit_tags(const type_chain *chain) {
  if (const sdb_record *s = struct_of(chain)) emit_struct(s);
}

void patch_pending() {
  std::vector<pending_tag> left;
  for (const pending_tag &p : writer->pending) {
    if (int *tag = tag_of(p.structure))
      put32(entry_at(p.aux_index), uint32_t(*tag));
    else
      left.push_back(p);
  }
  writer->pending = left;
}

// ---- the debug tree ----

void mark_written(const char *name) {
  if (model_symbol *s = name ? model_find_symbol(name) : nullptr) s->flags |= MSYM_WRITTEN;
}

const char *symbol_name(const sdb_record *var) {
  return var->kind == SDB_STATIC && var->label ? var->label : var->name;
}

// Symbol entry of a variable; its index, or -1 when none was written.
long variable_entry(sdb_record *var, sdb_record *scope, bool local) {
  uint32_t address = 0, segment = 0;
  if (!mach_resolve(var, scope, &address, &segment)) return -1;
  if (!local && type_is_bit(var->type)) {
    auto &slot = writer->bits[address];
    std::string name = entry_name(var->name);
    if (slot.name.empty())
      slot.name = name;
    else if (slot.name != name && slot.name.find(name + "/") != 0)
      slot.name = name + "/" + slot.name;
    mark_written(symbol_name(var));
    return -1;
  }
  emit_tags(var->type);
  coff_type t = type_word(var->type);
  patch_pending();
  mark_written(symbol_name(var));
  if (!local && ((t.word >> 5) & 7) == DT_ARY && t.aux.size == 0) return -1;
  int cls = C_STAT;
  if (local)
    cls = var->kind == SDB_REG ? C_REG : C_STAT;
  else if (var->kind == SDB_EXTERN)
    cls = var->size_flags || type_is_function(var->type) ? C_EXT : C_EXTDEF;
  uint32_t index = add_entry(entry_name(var->name), address, section_of(address, segment), t.word, cls,
                             t.aux.present ? 1 : 0);
  if (t.aux.present) {
    add_type_aux(t.aux);
    patch_pending();
  }
  return long(index);
}

void walk(sdb_record *scope, const uint32_t *function_address, int function_section);

void block_pair(sdb_record *block, const uint32_t *function_address, int section) {
  uint32_t value = function_address ? *function_address : 0;
  int at = function_address ? section : 0;
  uint32_t begin = add_block_entry(".bb", value, at, C_BLOCK, block->first_line);
  walk(block, function_address, section);
  uint32_t end = add_block_entry(".eb", value, at, C_BLOCK, block->last_line);
  put32(entry_at(begin) + 12, end);
}

void function_group(sdb_record *func) {
  sdb_record *var = func->function;
  if (!var) return;
  uint32_t address = 0, segment = 0;
  if (!mach_resolve(var, func->parent, &address, &segment)) return;
  long index = variable_entry(var, func->parent, false);
  if (index < 0) return;
  int section = section_of(address, segment);
  uint32_t bf = add_block_entry(".bf", address, section, C_FCN, func->first_line);
  for (uint32_t k = 0; k < vec_size(func->items); k++) {
    sdb_record *item = static_cast<sdb_record *>(vec_get(func->items, k));
    if (item->kind == SDB_PARAM) variable_entry(item, func, true);
  }
  block_pair(func, &address, section);
  uint32_t end_value = address;
  std::string end_name = std::string("__end_of") + var->name;
  if (model_symbol *end = model_find_symbol(end_name.c_str())) end_value = end->value - 1;
  uint32_t ef = add_block_entry(".ef", end_value, section, C_FCN, func->last_line);
  put32(entry_at(bf) + 12, ef);
  writer->functions.push_back({func, uint32_t(index), uint32_t(section), {}});
}

std::string file_text(const char *name) {
  char *mapped = path_remap(name);
  std::string text = mapped;
  xfree(mapped);
  return text;
}

// A .file entry and its name; the file's entry index is kept with the
// model file for its lines.
void file_entry(const char *name) {
  uint32_t index = add_entry(".file", 0, SECTION_DEBUG, 0, C_FILE, 1);
  put32(entry_at(add_aux()), string_offset(file_text(name)));
  if (model_file *f = model_find_file(name)) f->coff_file_index = index;
}

void open_source(const char *name) {
  if (!writer->open_file.empty()) {
    size_t n = writer->entries.size();
    if (n >= 2 && writer->entries[n - 2][18] == C_FILE) {
      if (model_file *f = model_find_file(writer->open_file.c_str()))
        if (f->coff_file_index == n - 2) f->coff_file_index = 0;
      writer->entries.resize(n - 2);
    } else {
      add_entry(".eof", 0, SECTION_DEBUG, 0, C_EOF, 0);
    }
  }
  writer->open_file = name ? name : "";
  file_entry(writer->open_file.c_str());
}

void walk(sdb_record *scope, const uint32_t *function_address, int function_section) {
  for (uint32_t k = 0; k < vec_size(scope->items); k++) {
    sdb_record *item = static_cast<sdb_record *>(vec_get(scope->items, k));
    switch (item->kind) {
      case SDB_EXTERN:
      case SDB_STATIC:
        if (!type_is_function(item->type)) variable_entry(item, scope, false);
        break;
      case SDB_AUTO:
      case SDB_REG:
        variable_entry(item, scope, true);
        break;
      case SDB_BLOCK:
        block_pair(item, function_address, function_section);
        break;
      case SDB_FUNC:
        function_group(item);
        break;
      case SDB_FILENAME:
        open_source(item->name);
        break;
      default:
        break;
    }
  }
}

// ---- bit variables ----

void emit_bits() {
  const uint32_t per_group = 8 * writer->data_unit;
  bool open = false;
  uint32_t group = 0, groups = 0, next_free = 0, tag = 0;
  auto close = [&] {
    add_entry(".eos", 0, -1, 0, C_EOS, 1);
    uint32_t eos_aux = add_aux();
    put32(entry_at(eos_aux), tag);
    put16(entry_at(eos_aux) + 6, uint16_t(writer->data_unit));
    put32(entry_at(tag + 1) + 12, eos_aux);
    uint32_t byte = group;
    const char *prefix = settings.strip_underscore ? "" : "_";
    std::string name;
    if (model_symbol *s = model_symbol_at(byte))
      name = std::string(prefix) + s->name + "bits";
    else
      name = std::string(prefix) + "bitvars" + std::to_string(groups);
    add_entry(name, byte, 1, T_STRUCT, C_EXT, 1);
    uint32_t aux = add_aux();
    put32(entry_at(aux), tag);
    put16(entry_at(aux) + 6, uint16_t(writer->data_unit));
  };
  for (const auto &[bit, var] : writer->bits) {
    uint32_t this_group = bit / per_group;
    if (!open || this_group != group) {
      if (open) close();
      open = true;
      group = this_group;
      groups++;
      next_free = 0;
      tag = add_entry(".u" + std::to_string(writer->tag_counter++), 0, SECTION_DEBUG, 0, C_STRTAG, 1);
      put16(entry_at(add_aux()) + 6, uint16_t(writer->data_unit));
    }
    uint32_t position = bit % per_group;
    if (position > next_free) {
      add_entry("-", next_free, SECTION_DEBUG, T_UCHAR, C_FIELD, 1);
      put16(entry_at(add_aux()) + 6, uint16_t(position - next_free));
    }
    add_entry(var.name, position, SECTION_DEBUG, T_UCHAR, C_FIELD, 1);
    put16(entry_at(add_aux()) + 6, 1);
    next_free = position + 1;
  }
  if (open) close();
}

// ---- lines ----

bool is_assembly(const char *name) {
  size_t n = strlen(name);
  return n >= 3 && !strcasecmp(name + n - 3, ".as");
}

void gather_function_lines() {
  for (coff_function &f : writer->functions) {
    const sdb_record *scope = f.scope;
    if (!scope->first_line || !scope->source) continue;
    int last = scope->last_line ? scope->last_line : scope->first_line;
    uint32_t segment = scope->function ? scope->function->segment : 0;
    for (uint32_t k = 0; k < vec_size(model.files); k++) {
      const model_file *file = model_file_at(k + 1);
      if (strcmp(file->name, scope->source)) continue;
      for (uint32_t j = 0; j < vec_size(model.lines); j++) {
        const model_line *l = model_line_nth(j);
        if (l->file == file->index && l->segment == segment && int(l->line) >= scope->first_line &&
            int(l->line) <= last)
          f.lines.push_back(l);
      }
    }
  }
}

void put_lines(std::vector<uint8_t> &out, const model_line *l, bool last_of_function, uint32_t function_index,
               uint32_t *count) {
  const machine_desc *m = model.machine;
  if (!m) return;
  uint32_t step = m->step ? m->step : 1;
  uint32_t end = last_of_function ? l->start + (m->span ? m->span : 1) - 1 : std::max(l->end, l->start);
  const model_file *file = model_file_at(l->file);
  for (uint64_t a = l->start; a <= end; a += step) {
    uint8_t e[LINE_ENTRY] = {};
    put32(e, file ? file->coff_file_index : 0);
    put16(e + 4, l->line);
    put32(e + 6, uint32_t(a));
    put32(e + 12, function_index);
    out.insert(out.end(), e, e + LINE_ENTRY);
    ++*count;
  }
}

void write_lines(std::vector<uint8_t> &out) {
  for (uint32_t s = writer->first_block_section; s <= writer->sections.size(); s++) {
    coff_section &section = writer->sections[s - 1];
    section.line_offset = uint32_t(out.size());
    uint32_t count = 0;
    for (const coff_function &f : writer->functions) {
      if (f.section != s) continue;
      for (size_t k = 0; k < f.lines.size(); k++) put_lines(out, f.lines[k], k + 1 == f.lines.size(), f.symbol_index, &count);
    }
    for (uint32_t k = 0; k < vec_size(model.files); k++) {
      const model_file *file = model_file_at(k + 1);
      if (!is_assembly(file->name)) continue;
      for (uint32_t j = 0; j < file->line_count; j++) {
        const model_line *l = file->lines[j];
        if (l->start && uint32_t(section_of(l->start, l->segment)) == s) put_lines(out, l, false, 0, &count);
      }
    }
    section.line_count = count;
    if (!count) section.line_offset = 0;
  }
}

void free_writer() {
  if (!writer) return;
  type_table_free(writer->tags);
  for (type_chain *key : writer->tag_keys) type_chain_free(key);
  delete writer;
  writer = nullptr;
}

void put_section_header(uint8_t *p, const coff_section &s) {
  put_name(p, s.name);
  put32(p + 8, s.address);
  put32(p + 12, s.address);  // readers insist that both addresses agree
  put32(p + 16, s.size);
  put32(p + 20, s.data_offset);
  put32(p + 28, s.line_offset);
  put16(p + 34, s.line_count);
  put32(p + 36, s.flags);
}

}  // namespace

bool segment_is_program(uint32_t segment) {
  const model_segment *seg = model_segment_at(segment);
  if (!seg) return false;
  if (in_class_list(seg->name)) return true;
  const model_segment *cls = seg->space != segment ? model_segment_at(seg->space) : nullptr;
  return cls && in_class_list(cls->name);
}

bool mcoff_write(FILE *out, const char *name) {
  byte_order = 0;
  free_writer();
  writer = new coff_writer;
  writer->tags = type_table_new();
  if (!processor_settings()) {
    free_writer();
    return false;
  }
  make_sections();
  // Headers first as room; the file header and section headers are
  // filled in once every offset is known.
  size_t headers = FILE_HEADER + OPT_HEADER + SECTION_HEADER * writer->sections.size();
  std::vector<uint8_t> image(headers, 0);
  for (coff_section &s : writer->sections) {
    if (!s.data) continue;
    s.data_offset = uint32_t(image.size());
    image.insert(image.end(), s.data->bytes, s.data->bytes + s.data->length);
  }
  if (model.sdb_root)
    for (uint32_t k = 0; k < vec_size(model.sdb_root->items); k++) {
      sdb_record *module = static_cast<sdb_record *>(vec_get(model.sdb_root->items, k));
      if (module->kind == SDB_MODULE) walk(module, nullptr, 0);
    }
  emit_bits();
  if (!writer->open_file.empty()) add_entry(".eof", 0, SECTION_DEBUG, 0, C_EOF, 0);
  for (uint32_t k = 0; k < vec_size(model.files); k++) {
    const model_file *file = model_file_at(k + 1);
    for (uint32_t j = 0; j < file->symbol_count; j++) {
      const model_symbol *s = file->symbols[j];
      if (!s || (s->flags & (uint32_t(MSYM_LOCAL) | MSYM_WRITTEN))) continue;
      // A defined label in no section would read as undefined.
      int section = (s->flags & MSYM_ABSOLUTE) || !s->segment ? -1 : section_of(s->value, s->segment);
      add_entry(entry_name(s->name), s->value, section, 0, C_LABEL, 0);
    }
  }
  gather_function_lines();
  for (uint32_t k = 0; k < vec_size(model.files); k++) {
    const model_file *file = model_file_at(k + 1);
    if (!file->line_count || !is_assembly(file->name)) continue;
    file_entry(file->name);
    add_entry(".eof", 0, SECTION_DEBUG, 0, C_EOF, 0);
  }
  write_lines(image);
  // Long section names go into the string table with the rest.
  for (const coff_section &s : writer->sections)
    if (s.name.size() > 8) string_offset(s.name);
  uint32_t symbol_offset = uint32_t(image.size());
  for (const coff_entry &e : writer->entries) image.insert(image.end(), e.begin(), e.end());
  uint8_t size[4];
  put32(size, writer->string_size + 4);
  image.insert(image.end(), size, size + 4);
  for (const std::string &s : writer->strings) image.insert(image.end(), s.c_str(), s.c_str() + s.size() + 1);

  uint8_t *p = image.data();
  put16(p, COFF_MAGIC);
  put16(p + 2, writer->sections.size());
  put32(p + 4, uint32_t(time(nullptr)));
  put32(p + 8, symbol_offset);
  put32(p + 12, writer->entries.size());
  put16(p + 16, OPT_HEADER);
  put16(p + 18, FILE_EXECUTABLE);
  p += FILE_HEADER;
  put16(p, OPT_MAGIC);
  put32(p + 2, OPT_VERSION);
  put32(p + 6, writer->processor_id);
  put32(p + 10, writer->rom_width);
  put32(p + 14, writer->ram_width);
  p += OPT_HEADER;
  for (const coff_section &s : writer->sections) {
    put_section_header(p, s);
    p += SECTION_HEADER;
  }
  if (fwrite(image.data(), 1, image.size(), out) != image.size()) msg(MSG_CANT_WRITE, name);
  free_writer();
  return true;
}

namespace {

// ---- reading ----

struct coff_image : coff_file_header {
  std::vector<uint8_t> bytes;
  bool has_opt = false;
  uint32_t opt_magic = 0, version = 0, processor = 0, rom_width = 0, ram_width = 0;
  uint32_t string_offset = 0, string_size = 0;
};

bool has(const coff_image &f, uint64_t offset, uint64_t size) { return offset + size <= f.bytes.size(); }

const char *coff_string(const coff_image &f, uint32_t offset) {
  if (offset < 4 || offset >= f.string_size) return nullptr;
  const uint8_t *p = f.bytes.data() + f.string_offset + offset;
  const void *end = memchr(p, 0, f.string_size - offset);
  return end ? reinterpret_cast<const char *>(p) : nullptr;
}

// A name stored inline or in the string table.
std::string name_at(const coff_image &f, const uint8_t *p) {
  if (get32(p) == 0 && get32(p + 4) != 0) {
    const char *s = coff_string(f, uint32_t(get32(p + 4)));
    return s ? s : "";
  }
  return std::string(reinterpret_cast<const char *>(p), strnlen(reinterpret_cast<const char *>(p), 8));
}

bool cant_read(const char *what) {
  msg(MSG_CANT_READ, what);
  return false;
}

// The headers and the string table; the failure reported.
bool read_headers(FILE *in, coff_image *f, bool dumping) {
  byte_order = 0;
  if (!coff_slurp(in, &f->bytes) || !has(*f, 0, FILE_HEADER)) return cant_read("COFF header");
  const uint8_t *p = f->bytes.data();
  coff_header_fields(p, f);
  if (f->opt_size == OPT_HEADER) {
    if (!has(*f, FILE_HEADER, OPT_HEADER)) return cant_read("PIC optional header");
    const uint8_t *o = p + FILE_HEADER;
    f->has_opt = true;
    f->opt_magic = uint32_t(get16(o));
    f->version = uint32_t(get32(o + 2));
    f->processor = uint32_t(get32(o + 6));
    f->rom_width = uint32_t(get32(o + 10));
    f->ram_width = uint32_t(get32(o + 14));
  } else if (!dumping) {
    msg(MSG_NO_OPT_HEADER, f->opt_size);
  }
  uint64_t strings = uint64_t(f->symbol_offset) + uint64_t(SYMBOL_ENTRY) * f->symbol_count;
  if (!has(*f, strings, 4)) return cant_read("COFF string table size");
  f->string_offset = uint32_t(strings);
  f->string_size = uint32_t(get32(p + strings));
  if (f->string_size <= 3) {
    msg(MSG_STRING_TABLE, (unsigned long)f->string_size);
    return false;
  }
  if (!has(*f, strings, f->string_size)) return cant_read("COFF string table");
  return true;
}

bool section_at(const coff_image &f, uint32_t k, coff_section_view *s) {
  uint64_t at = uint64_t(FILE_HEADER) + f.opt_size + uint64_t(SECTION_HEADER) * k;
  if (!has(f, at, SECTION_HEADER)) return cant_read("COFF section header");
  const uint8_t *p = f.bytes.data() + at;
  s->name = name_at(f, p);
  coff_section_fields(p, s);
  return true;
}

const uint8_t *symbol_at(const coff_image &f, uint32_t index) {
  uint64_t at = uint64_t(f.symbol_offset) + uint64_t(SYMBOL_ENTRY) * index;
  return index < f.symbol_count && has(f, at, SYMBOL_ENTRY) ? f.bytes.data() + at : nullptr;
}

uint32_t unit_of(uint32_t width) { return width ? (width + 7) / 8 : 1; }

bool ignored_class(int cls) {
  switch (cls) {
    case C_NULL: case C_AUTO: case C_MOS: case C_STRTAG: case C_MOU: case C_UNTAG: case C_TPDEF: case C_ENTAG:
    case C_MOE: case C_REGPARM: case C_FIELD: case C_AUTOARG: case C_BLOCK: case C_FCN: case C_EOS: case C_EOF:
    case C_LIST: case C_SECTION:
      return true;
    default:
      return false;
  }
}

bool known_symbol_class(int cls) { return cls == C_EXT || cls == C_STAT || cls == C_LABEL; }

}  // namespace

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

bool mcoff_identify(FILE *in) {
  uint8_t header[FILE_HEADER];
  if (fread(header, 1, FILE_HEADER, in) != FILE_HEADER) return false;
  if (header[0] != 0x40 || header[1] != 0x12) return false;
  byte_order = 0;
  return get16(header + 2) <= MAX_SECTIONS && int32_t(get32(header + 8)) >= 0 && int32_t(get32(header + 12)) >= 0;
}

bool mcoff_read(FILE *in, const char *name) {
  coff_image f;
  if (!read_headers(in, &f, false)) return false;
  if (f.sections > MAX_SECTIONS) return cant_read("COFF section header");
  if (!f.rom_width || !f.ram_width) msg(MSG_NO_WIDTH);
  uint32_t code_unit = unit_of(f.rom_width);
  uint32_t first_segment = vec_size(model.segments);
  std::vector<coff_section_view> sections(f.sections);
  for (uint32_t k = 0; k < f.sections; k++) {
    coff_section_view &s = sections[k];
    if (!section_at(f, k, &s)) return false;
    uint32_t start = s.address * code_unit;
    model_add_segment(s.name.c_str(), start, s.size, start, k);
  }
  for (uint32_t k = 0; k < f.sections; k++) {
    const coff_section_view &s = sections[k];
    if ((s.flags & SECTION_BSS) || !s.size || !s.data_offset) continue;
    if (!has(f, s.data_offset, s.size)) return cant_read("COFF data");
    coff_add_data(s.address * code_unit, f.bytes.data() + s.data_offset, s.size, first_segment + k + 1);
  }
  // The .file entries by symbol index, for the lines.
  std::map<uint32_t, uint32_t> file_of_entry;
  uint32_t current_file = 0;
  for (uint32_t k = 0; k < f.symbol_count; k++) {
    const uint8_t *p = symbol_at(f, k);
    if (!p) return cant_read("COFF symbol table");
    std::string symbol = name_at(f, p);
    int cls = p[18];
    int section = int16_t(get16(p + 12));
    uint32_t segment = section > 0 ? first_segment + uint32_t(section) : 0;
    if (cls == C_FILE) {
      const uint8_t *aux = p[19] ? symbol_at(f, k + 1) : nullptr;
      const char *file = aux ? coff_string(f, uint32_t(get32(aux))) : nullptr;
      std::string file_name = file ? file : symbol;
      model_file *m = model_find_file(file_name.c_str());
      current_file = m ? m->index : model_add_file(file_name.c_str());
      file_of_entry[k] = current_file;
    } else if (!ignored_class(cls)) {
      // A class this reader does not know is kept, and said so.
      if (!known_symbol_class(cls)) msg(MSG_UNKNOWN_CLASS, symbol.c_str(), unsigned(cls));
      // Symbols before any .file belong to the input itself.
      if (!current_file) current_file = model_add_file(name);
      model_add_symbol(symbol.c_str(), uint32_t(get32(p + 8)), segment, current_file, 0);
    }
    k += p[19];
  }
  for (uint32_t k = 0; k < f.sections; k++) {
    const coff_section_view &s = sections[k];
    uint32_t file = 0;
    for (uint32_t j = 0; j < s.lines; j++) {
      uint64_t at = uint64_t(s.line_offset) + uint64_t(LINE_ENTRY) * j;
      if (!has(f, at, LINE_ENTRY)) return cant_read("COFF line number");
      const uint8_t *p = f.bytes.data() + at;
      uint32_t line = uint32_t(get16(p + 4)), address = uint32_t(get32(p + 6));
      if (!line) {
        auto found = file_of_entry.find(address);
        if (found != file_of_entry.end()) file = found->second;
        continue;
      }
      // A line names its own .file entry; a switch serves lines that name
      // none, and a .file at index 0 those before any switch.
      uint32_t source = uint32_t(get32(p));
      auto own = file_of_entry.find(source);
      uint32_t line_file = file;
      if (own != file_of_entry.end() && (source || !file)) line_file = own->second;
      model_add_line(line, address, 0, line_file, 0);
    }
  }
  return true;
}

// ---- dump ----

const char *const coff_file_flag_names[13] = {"Stripped", "Executable", "No lines", "No locals", "0x10",
                                              "0x20", "0x40", "16 bit little endian", "32 bit little endian",
                                              "32 bit big endian", "0x400", "0x800", "New style syms"};

namespace {

const char *const section_flag_names[] = {"dummy", "noload", "group", "padding", "group end", "text",
                                          "data", "bss", "romdata", "0x200", "0x400", "0x800",
                                          "absolute", "shared", "overlaid", "access bank", "activation record"};

const char *const base_type_names[T_LAST + 1] = {"null", "void", "char", "short", "int", "long", "float",
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

std::string class_text(int cls) {
  for (const class_name &c : class_names)
    if (c.cls == cls) return c.text;
  return "??Unknown (" + std::to_string(cls) + ")";
}

std::string section_text(const std::vector<coff_section_view> &sections, int number) {
  if (number == 0) return "undef";
  if (number < 1 || uint32_t(number) > sections.size()) return "(abs)";
  return sections[size_t(number) - 1].name;
}

std::string type_text(uint32_t word, const uint8_t *aux) {
  std::string text;
  char piece[64];
  // The first slot is the outermost derivation.
  for (int slot = 0; slot < 9; slot++) {
    uint32_t d = (word >> (5 + 3 * slot)) & 7;
    if (!d) break;
    if (d == DT_PTR) {
      text += "pointer to ";
    } else if (d == DT_FCN) {
      text += "function ";
      if (aux) {
        snprintf(piece, sizeof piece, "[lineptr %lX, endndx %ld] ", (unsigned long)get32(aux + 4),
                 long(int32_t(get32(aux + 12))));
        text += piece;
      }
      text += "returning ";
    } else if (d == DT_ARY) {
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
  uint32_t base = word & 0x1F;
  if (base <= T_LAST) {
    text += base_type_names[base];
  } else {
    snprintf(piece, sizeof piece, "type 0x%lX", (unsigned long)base);
    text += piece;
  }
  if ((base == T_STRUCT || base == T_UNION || base == T_ENUM) && aux) {
    snprintf(piece, sizeof piece, " [%lu]", (unsigned long)get16(aux + 6));
    text += piece;
  }
  return text;
}

// Element size and count of a symbol's type, for the listing.
void element_of(uint32_t word, const uint8_t *aux, unsigned long *size, unsigned long *count) {
  uint32_t outer = (word >> 5) & 7, base = word & 0x1F;
  uint32_t aux_size = aux ? uint32_t(get16(aux + 6)) : 0;
  *count = 1;
  if (outer == DT_ARY) {
    unsigned long n = 1;
    for (int k = 0; aux && k < 4; k++)
      if (uint32_t dim = uint32_t(get16(aux + 8 + 2 * k))) n *= dim;
    *count = n;
    *size = n ? aux_size / n : 0;
  } else if (outer == DT_PTR) {
    *size = POINTER_SIZE;
  } else if (base == T_STRUCT || base == T_UNION || base == T_ENUM) {
    *size = aux_size;
  } else {
    *size = base <= T_LAST ? base_sizes[base] : 0;
  }
}

void dump_symbol(const coff_image &f, const std::vector<coff_section_view> &sections, uint32_t index,
                 const uint8_t *p, const uint8_t *aux) {
  std::string name = name_at(f, p);
  int cls = p[18];
  uint32_t value = uint32_t(get32(p + 8)), word = uint32_t(get32(p + 14));
  int section = int16_t(get16(p + 12));
  unsigned long size, count;
  element_of(word, aux, &size, &count);
  printf("%5u:\t%24.24s %u %lu[%lu]\t", index, class_text(cls).c_str(), unsigned(p[19]), size, count);
  switch (cls) {
    case C_NULL:
    case C_EOF:
      printf("%s", name.c_str());
      break;
    case C_AUTO: case C_REG: case C_MOS: case C_ARG: case C_MOU: case C_TPDEF: case C_MOE: case C_REGPARM:
    case C_AUTOARG:
      printf("%s = %lX: %s", name.c_str(), (unsigned long)value, type_text(word, aux).c_str());
      break;
    case C_EXT: case C_STAT: case C_LABEL: case C_WEAKEXT:
      printf("%s = %lX: %s %s", name.c_str(), (unsigned long)value, section_text(sections, section).c_str(),
             type_text(word, aux).c_str());
      break;
    case C_STRTAG: case C_UNTAG: case C_ENTAG: case C_EOS:
      printf("%s", name.c_str());
      if (aux)
        printf(": tag %lu, size %u, index %lu", (unsigned long)get32(aux), unsigned(get16(aux + 6)),
               (unsigned long)get32(aux + 12));
      break;
    case C_FIELD:
      printf("%s = %lX", name.c_str(), (unsigned long)value);
      if (aux) printf(": size %u", unsigned(get16(aux + 6)));
      break;
    case C_BLOCK:
    case C_FCN:
      printf("%s = %lX: %s", name.c_str(), (unsigned long)value, section_text(sections, section).c_str());
      if (aux) printf(": line %u, index %lu", unsigned(get16(aux + 4)), (unsigned long)get32(aux + 12));
      break;
    case C_FILE: {
      uint32_t offset = aux ? uint32_t(get32(aux)) : 0;
      const char *file = coff_string(f, offset);
      printf("%s [%u]", file ? file : name.c_str(), offset);
      break;
    }
    case C_LIST:
      printf("%s: %lX", name == ".list" ? "ON" : name == ".nolist" ? "OFF" : name.c_str(), (unsigned long)value);
      break;
    case C_SECTION:
      printf("%s = %lX", name.c_str(), (unsigned long)value);
      if (aux)
        printf(": size %lX, relocs %d, lines %d", (unsigned long)get32(aux), int(get16(aux + 4)),
               int(get16(aux + 6)));
      break;
    default:
      // Classes without a layout of their own still show what they hold.
      printf("%s = %lX: %s", name.c_str(), (unsigned long)value, section_text(sections, section).c_str());
      break;
  }
  putchar('\n');
}

}  // namespace

bool mcoff_dump(FILE *in) {
  coff_image f;
  if (!read_headers(in, &f, true)) return false;
  const int verbosity = settings.verbosity;
  time_t when = time_t(f.time_stamp);
  char date[32] = "";
  if (const char *text = ctime(&when)) snprintf(date, sizeof date, "%s", text);
  printf("COFF header:\n\tMagic:\t\t0x%X\n\tSections:\t%u\n\tDated:\t\t%s\tSymptr:\t\t0x%lX\n\tNsyms:\t\t%ld\n"
         "\tOpthdr:\t\t%u\n\tFlags:\t\t0x%X",
         f.magic, f.sections, date, (unsigned long)f.symbol_offset, long(f.symbol_count), f.opt_size, f.flags);
  for (int bit = 0; bit <= 12; bit++)
    if (f.flags & (1u << bit)) printf(" %s", coff_file_flag_names[bit]);
  printf("\n\n");
  if (f.opt_size && f.opt_size != OPT_HEADER) {
    msg(MSG_HEADER_SIZE, "optional", f.opt_size, unsigned(OPT_HEADER));
  } else if (f.has_opt) {
    printf("Optional header:\n\tMagic:\t\t0x%X", f.opt_magic);
    if (f.opt_magic >= OWN_MAGIC_LOW && f.opt_magic <= OWN_MAGIC_HIGH) printf(" (Quenlor Software)");
    printf("\n\tVersion:\t%ld\n\tProcessor:\t0x%lX\n\tROM width:\t%lu\n\tRAM width:\t%lu\n", long(f.version),
           (unsigned long)f.processor, (unsigned long)f.rom_width, (unsigned long)f.ram_width);
    if (f.version != OPT_VERSION) msg(MSG_BAD_VERSION, (unsigned long)f.version, (unsigned long)OPT_VERSION);
  }
  if (f.sections > MAX_SECTIONS) return cant_read("COFF section header");
  std::vector<coff_section_view> sections(f.sections);
  for (uint32_t k = 0; k < f.sections; k++) {
    coff_section_view &s = sections[k];
    if (!section_at(f, k, &s)) return false;
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
      const char *s = coff_string(f, at);
      if (!s) break;
      printf("%5d:\t%s\n", int(at), s);
      at += uint32_t(strlen(s) + 1);
    }
  if (verbosity < 1) return true;
  printf("Symbol table:\n");
  for (uint32_t k = 0; k < f.symbol_count; k++) {
    const uint8_t *p = symbol_at(f, k);
    if (!p) return cant_read("COFF symbol table");
    const uint8_t *aux = nullptr;
    if (p[19]) {
      if (k + p[19] >= f.symbol_count) {
        msg(MSG_SYMBOL_INDEX, (unsigned long)(k + p[19]), (unsigned long)f.symbol_count);
        return false;
      }
      aux = symbol_at(f, k + 1);
      if (!aux) return cant_read("COFF symbol table");
    }
    dump_symbol(f, sections, k, p, aux);
    k += p[19];
  }
  for (uint32_t k = 0; k < f.sections; k++) {
    const coff_section_view &s = sections[k];
    if (!s.lines) continue;
    printf("Section %d line numbers: %lu, file offset 0x%lX\n", int(k + 1), (unsigned long)s.lines,
           (unsigned long)s.line_offset);
    for (uint32_t j = 0; j < s.lines; j++) {
      uint64_t at = uint64_t(s.line_offset) + uint64_t(LINE_ENTRY) * j;
      if (!has(f, at, LINE_ENTRY)) return cant_read("COFF line number");
      const uint8_t *p = f.bytes.data() + at;
      uint32_t line = uint32_t(get16(p + 4)), address = uint32_t(get32(p + 6));
      if (!line) {
        const uint8_t *sym = symbol_at(f, address);
        printf("Symbol: %s (%lu)\n", sym ? name_at(f, sym).c_str() : "??", (unsigned long)address);
        continue;
      }
      printf("%5.5ld:\tsrcndx: %lu, paddr: 0x%lX, flags 0x%X, fcnndx: %lu\n", long(line), (unsigned long)get32(p),
             (unsigned long)address, unsigned(get16(p + 10)), (unsigned long)get32(p + 12));
    }
  }
  return true;
}
