#include "symconv/eomf51.h"

#include <algorithm>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "common/alert.h"
#include "common/vector.h"
#include "symconv/model.h"
#include "symconv/omf51.h"
#include "symconv/sdb.h"
#include "symconv/type.h"

namespace {

enum {
  R_MODULE_HEADER = 0x02,
  FIRST_INDEX = 0x20,
  LAST_INDEX = 0xFF,
  DEFS_ROOM = 32768,
  MEMBERS_ROOM = 255,
  MEMBER_NAME = 200,
  INFO_VARIABLE = 0x40,
  MSG_TYPES_FULL = 622,
  MSG_CANT_WRITE = 413,
};

enum key {
  KEY_MEMBERS = 0x20,
  KEY_ARRAY = 0x22,
  KEY_FUNCTION = 0x23,
  KEY_TAG = 0x24,
  KEY_STRUCT = 0x25,
  KEY_BITFIELD = 0x26,
  KEY_POINTER = 0x28,
};

constexpr uint32_t B_TYPELESS = 0, B_BIT = 1, B_VOID = 11, B_FLOAT_BE = 12;

// The writer: the OMF-51 writer's records, the type codes given since the
// last Keil typedef record and their entries, and the source file.
struct eomf_writer {
  omf_writer w;
  hash_table *types = nullptr;
  std::vector<type_chain *> keys;
  uint32_t next = FIRST_INDEX;
  std::vector<uint8_t> defs;
  bool full = false;
  std::string source, written_source;
  const model_file *line_file = nullptr;
};

eomf_writer *ew;

void write_source() {
  if (ew->source == ew->written_source) return;
  std::vector<uint8_t> c = {0, 0, 0};
  omf_put_name(&c, ew->source.c_str(), 255, true);
  if (!omf_write_record(ew->w.out, OMF_SOURCE, c)) ew->w.failed = true;
  ew->written_source = ew->source;
}

void forget_types() {
  type_table_clear(ew->types);
  for (type_chain *k : ew->keys) type_chain_free(k);
  ew->keys.clear();
  ew->defs.clear();
  ew->next = FIRST_INDEX;
}

// Before a debug record: its source file, then the types its symbols use.
void before_write() {
  write_source();
  if (!ew->defs.empty() && !omf_write_record(ew->w.out, OMF_KEIL_TYPEDEF, ew->defs)) ew->w.failed = true;
  forget_types();
}

// ---- type codes ----

// An entry of the next index; 0 (said once) when the buffer is full.
uint32_t add_def(const std::vector<uint8_t> &entry) {
  if (ew->defs.size() + entry.size() > DEFS_ROOM) {
    if (!ew->full) msg(MSG_TYPES_FULL);
    ew->full = true;
    return B_TYPELESS;
  }
  ew->defs.insert(ew->defs.end(), entry.begin(), entry.end());
  return ew->next++;
}

type_chain *key_of(const type_chain *c, int k) {
  type_chain *key = type_chain_new();
  const type_elem &e = c->elems[k];
  if (e.kind == TK_STRUCT) {
    type_chain_push(key, TK_STRUCT, e.text, 0, 0, e.record);
  } else {
    for (int j = 0; j <= k; j++) {
      const type_elem &x = c->elems[j];
      type_chain_push(key, x.kind, x.text, x.value, x.size, x.record);
    }
  }
  ew->keys.push_back(key);
  return key;
}

void put_text(std::vector<uint8_t> *out, const char *text, size_t room) {
  omf_put_name(out, text ? text : "", room, false);
}

uint32_t code_of(const type_chain *c, int k);

uint32_t struct_code(const sdb_record *s, type_chain *key) {
  uint32_t tag = 0;
  if (s->second_name && *s->second_name) {
    std::vector<uint8_t> entry = {KEY_TAG, 0};
    put_text(&entry, s->second_name, 255);
    tag = add_def(entry);
  }
  // Members that refer back to the structure find code 0 meanwhile.
  type_table_put(ew->types, key, 0);
  std::vector<uint32_t> codes;
  for (uint32_t m = 0; m < s->member_count; m++) {
    const sdb_member &member = s->members[m];
    if (member.bit_width)
      codes.push_back(add_def({KEY_BITFIELD, 1, uint8_t(member.bit_width), uint8_t(member.bit_offset)}));
    else
      codes.push_back(member.type && member.type->count ? code_of(member.type, int(member.type->count) - 1) : 0);
  }
  // Lists of members that fit in 255 bytes; the structure names the first.
  uint32_t first_list = 0;
  std::vector<uint8_t> list;
  auto flush = [&] {
    if (list.empty()) return;
    uint32_t index = add_def(list);
    if (!first_list) first_list = index;
    list.clear();
  };
  for (uint32_t m = 0; m < s->member_count; m++) {
    std::vector<uint8_t> one = {uint8_t(s->members[m].offset), 0, uint8_t(codes[m])};
    put_text(&one, s->members[m].name, MEMBER_NAME);
    if (!list.empty() && list.size() + one.size() > MEMBERS_ROOM) flush();
    if (list.empty()) list = {KEY_MEMBERS, 0, 0};
    list[1]++;
    list.insert(list.end(), one.begin(), one.end());
  }
  flush();
  uint32_t code = add_def({KEY_STRUCT, uint8_t(s->struct_size), 0, uint8_t(first_list), uint8_t(tag)});
  if (int *slot = type_table_get(ew->types, key)) *slot = int(code);
  return code;
}

// The memory space a pointer's qualifiers name: 1 IDATA, 2 XDATA, 3
// PDATA, 4 DATA, 5 CODE; 0 for a generic pointer.
uint32_t space_of(uint32_t flags) {
  if (flags & 0x20) return 1;
  if (flags & 0x1004) return 2;
  if (flags & 0x80) return 3;
  if (flags & 0x8) return 4;
  if (flags & 0x400) return 5;
  return 0;
}

uint32_t code_of(const type_chain *c, int k) {
  while (k >= 0 && c->elems[k].kind == TK_QUALIFIER) k--;
  if (k < 0) return B_TYPELESS;
  const type_elem &e = c->elems[k];
  if (e.kind == TK_BASIC) {
    switch (e.value) {
      case TC_SIGNED:
        return e.size == 1 ? 2 : e.size == 2 ? 4 : e.size == 4 ? 6 : B_TYPELESS;
      case TC_UNSIGNED:
        return e.size == 1 ? 3 : e.size == 2 ? 5 : e.size == 4 ? 7 : B_TYPELESS;
      case TC_FLOAT:
        return B_FLOAT_BE;
      case TC_VOID:
        return B_VOID;
      case TC_BIT:
        return B_BIT;
      default:
        return B_TYPELESS;
    }
  }
  if (e.kind == TK_ENUM) {
    bool one = e.record && e.record->size_code == 1;
    return e.record && e.record->sign_code == 1 ? (one ? 2 : 4) : (one ? 3 : 5);
  }
  type_chain *key = key_of(c, k);
  if (int *found = type_table_get(ew->types, key)) return uint32_t(*found);
  uint32_t code = B_TYPELESS;
  bool code_below_known = true;
  switch (e.kind) {
    case TK_FUNCTION: {
      uint32_t result = code_of(c, k - 1);
      code = add_def({KEY_FUNCTION, uint8_t(result), 0});
      break;
    }
    case TK_POINTER: {
      uint32_t space = k > 0 && c->elems[k - 1].kind == TK_QUALIFIER ? space_of(c->elems[k - 1].value) : 0;
      uint32_t target = code_of(c, k - 1);
      code_below_known = target != B_TYPELESS;
      code = add_def({KEY_POINTER, uint8_t(space ? 2 : 1), uint8_t(mach_type_size(&e)), uint8_t(space), 1, 0, 0, 0,
                      uint8_t(target)});
      break;
    }
    case TK_ARRAY: {
      uint32_t element = code_of(c, k - 1);
      code = add_def({KEY_ARRAY, 1, uint8_t(e.value), uint8_t(e.value >> 8), uint8_t(element)});
      break;
    }
    case TK_STRUCT:
      return e.record ? struct_code(e.record, key) : B_TYPELESS;
    default:
      return B_TYPELESS;
  }
  // A pointer into a structure still being described says "typeless";
  // it is not kept for later uses of the same type.
  if (code_below_known) type_table_put(ew->types, key, int(code));
  return code;
}

uint32_t type_code(const type_chain *type) {
  uint32_t code = type && type->count ? code_of(type, int(type->count) - 1) : B_TYPELESS;
  return code <= LAST_INDEX ? code : B_TYPELESS;
}

// A symbol entry of a Keil Debug Item; its types begin a new record when
// they or the entry do not fit the open one.
void typed_symbol(int kind, const char *name, uint32_t value, int information, const type_chain *type) {
  size_t defs = ew->defs.size();
  uint32_t next = ew->next;
  uint32_t code = type_code(type);
  if (ew->next > LAST_INDEX + 1 || !omf_symbol_fits(&ew->w, OMF_KEIL_DEBUG, kind)) {
    ew->defs.resize(defs);
    ew->next = next;
    omf_item_close(&ew->w);
    forget_types();
    code = type_code(type);
  }
  omf_symbol_item(&ew->w, OMF_KEIL_DEBUG, kind, name, value, information, int(code));
}

// ---- the scope tree ----

std::string base_name(const char *path) {
  std::string name = omf_module_name(path ? path : "");
  size_t slash = name.find_last_of("/\\");
  return slash == std::string::npos ? name : name.substr(slash + 1);
}

void mark_written(const sdb_record *var) {
  const char *name = var->kind == SDB_STATIC && var->label ? var->label : var->name;
  if (model_symbol *s = name ? model_find_symbol(name) : nullptr) s->flags |= 0x8;
}

void items(sdb_record *scope);

void function_scope(sdb_record *func) {
  const char *raw = func->function && func->function->name ? func->function->name : "";
  std::string name = raw + (raw[0] == '_');
  omf_scope(&ew->w, name, OMF_SCOPE_PROCEDURE);
  omf_scope(&ew->w, "", OMF_SCOPE_DO);
  items(func);
  const model_file *file = ew->line_file;
  std::vector<const model_line *> lines;
  uint64_t low = UINT64_MAX, high = 0;
  for (uint32_t k = 0; file && k < file->line_count; k++) {
    const model_line *l = file->lines[k];
    if (int(l->line) < func->first_line || int(l->line) > func->last_line) continue;
    lines.push_back(l);
    low = std::min<uint64_t>(low, l->start);
    high = std::max<uint64_t>(high, l->start);
    if (k + 1 < file->line_count) high = std::max<uint64_t>(high, file->lines[k + 1]->start);
  }
  if (low < high) omf_content(&ew->w, low, high);
  for (const model_line *l : lines) omf_line_item(&ew->w, l->line, l->start);
  omf_scope(&ew->w, "", OMF_SCOPE_DO_END);
  omf_scope(&ew->w, name, OMF_SCOPE_PROCEDURE_END);
}

// The scope's variables, then its nested scopes.
void items(sdb_record *scope) {
  omf_item_close(&ew->w);
  for (uint32_t k = 0; k < vec_size(scope->items); k++) {
    sdb_record *item = static_cast<sdb_record *>(vec_get(scope->items, k));
    uint32_t address = 0, segment = 0;
    switch (item->kind) {
      case SDB_EXTERN:
      case SDB_STATIC:
      case SDB_AUTO:
      case SDB_PARAM:
      case SDB_REG: {
        if (!mach_resolve(item, scope, &address, &segment)) break;
        // A variable is marked as one, whatever its segment.
        int information = int(omf_segment_type(segment)) | (type_is_function(item->type) ? 0 : INFO_VARIABLE);
        typed_symbol(item->kind == SDB_EXTERN ? OMF_PUBLICS : OMF_LOCALS, item->name ? item->name : "", address,
                     information, item->type);
        mark_written(item);
        break;
      }
      case SDB_FILENAME:
        ew->line_file = item->name ? model_find_file(item->name) : nullptr;
        break;
      default:
        break;
    }
  }
  omf_item_close(&ew->w);
  for (uint32_t k = 0; k < vec_size(scope->items); k++) {
    sdb_record *item = static_cast<sdb_record *>(vec_get(scope->items, k));
    switch (item->kind) {
      case SDB_MODULE: {
        std::string name = base_name(item->name);
        omf_scope(&ew->w, name, OMF_SCOPE_MODULE);
        items(item);
        omf_scope(&ew->w, name, OMF_SCOPE_MODULE_END);
        break;
      }
      case SDB_BLOCK:
        omf_scope(&ew->w, "", OMF_SCOPE_DO);
        items(item);
        omf_scope(&ew->w, "", OMF_SCOPE_DO_END);
        break;
      case SDB_FUNC:
        function_scope(item);
        break;
      case SDB_FILENAME:
        ew->line_file = item->name ? model_find_file(item->name) : nullptr;
        break;
      default:
        break;
    }
  }
}

void write_scoped(const char *output) {
  std::string module = base_name(output);
  omf_module_header(&ew->w, module);
  for (uint32_t k = 0; k < vec_size(model.sdb_root->items); k++) {
    sdb_record *m = static_cast<sdb_record *>(vec_get(model.sdb_root->items, k));
    if (m->kind != SDB_MODULE) continue;
    std::string name = base_name(m->name);
    omf_scope(&ew->w, name, OMF_SCOPE_MODULE);
    if (model_find_file((name + ".c").c_str())) ew->source = name + ".c";
    items(m);
    omf_scope(&ew->w, name, OMF_SCOPE_MODULE_END);
  }
  for (uint32_t k = 0; k < vec_size(model.files); k++) {
    const model_file *file = model_file_at(k + 1);
    for (uint32_t j = 0; j < file->symbol_count; j++) {
      const model_symbol *s = file->symbols[j];
      if (s->flags & (uint32_t(MSYM_LOCAL) | 0x8)) continue;
      omf_symbol_item(&ew->w, OMF_DEBUG_ITEM, OMF_PUBLICS, s->name, s->value, omf_information(s), 0);
    }
  }
  omf_item_close(&ew->w);
  omf_content(&ew->w, 0, uint64_t(UINT32_MAX) + 1);
  omf_module_end(&ew->w, module);
}

// ---- dump ----

const char *const basic_names[] = {"typeless", "bit",        "signed char", "unsigned char", "signed int",
                                   "unsigned int", "signed long", "unsigned long", "float",   "double",
                                   "code label", "void",       "float big endian"};

std::string type_name(uint32_t code) {
  if (code <= B_FLOAT_BE) return basic_names[code];
  char text[32];
  snprintf(text, sizeof text, "type(0x%X)", code);
  return text;
}

std::string printable(const uint8_t *p, size_t n) {
  std::string out;
  for (size_t k = 0; k < n; k++)
    if (p[k] >= 0x20 && p[k] < 0x7F) out += char(p[k]);
  return out;
}

// One type definition entry at *at; false when it runs past the record.
bool dump_def(const std::vector<uint8_t> &c, size_t *at) {
  size_t a = *at;
  auto need = [&](size_t n) { return a + n <= c.size(); };
  int key = c[a];
  switch (key) {
    case KEY_MEMBERS: {
      if (!need(3)) return false;
      if (c[a + 1]) printf("%X ", c[a + 1]);
      printf("params (");
      uint32_t count = c[a + 1];
      a += 3;
      for (uint32_t m = 0; m < count; m++) {
        if (!need(4) || !need(4 + size_t(c[a + 3]))) return false;
        printf("%s%s ", m ? ", " : "", type_name(c[a + 2]).c_str());
        printf("%s offs %X/%X", printable(c.data() + a + 4, c[a + 3]).c_str(), c[a], c[a + 1]);
        a += 4 + size_t(c[a + 3]);
      }
      printf(")");
      break;
    }
    case KEY_ARRAY:
      if (!need(5)) return false;
      printf("Array[%u] of %s", unsigned(c[a + 2] | c[a + 3] << 8), type_name(c[a + 4]).c_str());
      a += 5;
      break;
    case KEY_FUNCTION:
      if (!need(3)) return false;
      printf("Function returning %s ", type_name(c[a + 1]).c_str());
      if (c[a + 2])
        printf("parms 0x%X", c[a + 2]);
      else
        printf("no parms");
      a += 3;
      break;
    case KEY_TAG:
      if (!need(3) || !need(3 + size_t(c[a + 2]))) return false;
      printf("tag");
      if (c[a + 1]) printf("(%X)", c[a + 1]);
      printf(" %s", printable(c.data() + a + 3, c[a + 2]).c_str());
      a += 3 + size_t(c[a + 2]);
      break;
    case KEY_STRUCT:
      if (!need(5)) return false;
      printf("struct size %d", c[a + 1]);
      if (c[a + 2]) printf("(%X)", c[a + 2]);
      printf(" membs %s tag 0x%X", type_name(c[a + 3]).c_str(), c[a + 4]);
      a += 5;
      break;
    case KEY_BITFIELD:
      if (!need(4)) return false;
      printf("bitfield(%u@%u)", c[a + 2], c[a + 3]);
      a += 4;
      break;
    case KEY_POINTER:
      if (!need(9)) return false;
      {
        static const char *const spaces[] = {"", "IDATA", "XDATA", "PDATA", "DATA", "CODE"};
        printf("Pointer to %s size %u %s (", type_name(c[a + 8]).c_str(), c[a + 2], c[a + 3] <= 5 ? spaces[c[a + 3]] : "");
      }
      for (int k = 1; k <= 7; k++) printf("%X ", c[a + size_t(k)]);
      printf(")");
      a += 9;
      break;
    default:
      printf("Unknown key 0x%02X", key);
      a += 1;
      break;
  }
  *at = a;
  return true;
}

bool dump_extended(const omf_record &r) {
  const std::vector<uint8_t> &c = r.content;
  size_t at = 0;
  switch (r.type) {
    case OMF_SOURCE:
      if (c.size() < 4 || c.size() < 4 + size_t(c[3])) {
        printf("Bad length\n");
        return true;
      }
      printf("Flags: %X Name: '%s'\n", unsigned(c[0] + 256 * c[1]), printable(c.data() + 4, c[3]).c_str());
      return true;
    case OMF_KEIL_TYPEDEF:
      printf("\n");
      for (uint32_t index = FIRST_INDEX; at < c.size(); index++) {
        printf("%27s0x%2.2X = ", "", index);
        if (!dump_def(c, &at)) {
          printf("Bad length\n");
          break;
        }
        printf("\n");
      }
      return true;
    case OMF_KEIL_INFO: {
      static const char *const kinds[] = {"output", "source", "header", "linker script", "object/library"};
      printf("\n");
      while (at < c.size()) {
        int key = c[at];
        printf("\t\t");
        if (key <= 4) {
          if (at + 7 > c.size() || at + 7 + size_t(c[at + 6]) > c.size()) {
            printf("Bad length\n");
            break;
          }
          printf("File: %s", kinds[key]);
          if (c[at + 1]) printf(" (%X)", c[at + 1]);
          time_t when = time_t(uint32_t(c[at + 2]) | uint32_t(c[at + 3]) << 8 | uint32_t(c[at + 4]) << 16 |
                               uint32_t(c[at + 5]) << 24);
          const struct tm *local = localtime(&when);
          char date[64] = "";
          if (local) strftime(date, sizeof date, "%a %b %e %H:%M:%S %Y", local);
          printf(", Time = %s; Name = '%s'", date, printable(c.data() + at + 7, c[at + 6]).c_str());
          at += 7 + size_t(c[at + 6]);
        } else if (key == 255) {
          if (at + 2 > c.size() || at + 2 + size_t(c[at + 1]) > c.size()) {
            printf("Bad length\n");
            break;
          }
          printf("Command line: '%s'", printable(c.data() + at + 2, c[at + 1]).c_str());
          at += 2 + size_t(c[at + 1]);
        } else {
          printf("Unknown key 0x%02X", key);
          at = c.size();
        }
        printf("\n");
      }
      return true;
    }
    default:
      return false;
  }
}

}  // namespace

bool eomf51_identify(FILE *in) {
  omf_record r;
  while (omf_read_record(in, &r, false))
    if (r.type != OMF_KEIL_INFO) return r.type == R_MODULE_HEADER;
  return false;
}

bool eomf51_read(FILE *in, const char *) { return omf_read_module(in, "eomf51", true); }

bool eomf51_write(FILE *out, const char *name) {
  ew = new eomf_writer;
  ew->w.out = out;
  ew->w.extended = true;
  ew->types = type_table_new();
  ew->w.before_open = write_source;
  ew->w.before_write = before_write;
  bool ok = true;
  if (model.sdb_root)
    write_scoped(name);
  else
    ok = omf_write_module(&ew->w, name);
  if (model.sdb_root && ew->w.failed) {
    msg(MSG_CANT_WRITE, name);
    ok = false;
  }
  forget_types();
  type_table_free(ew->types);
  delete ew;
  ew = nullptr;
  return ok;
}

bool eomf51_dump(FILE *in) { return omf_dump_module(in, "Extended OMF-51 file dump:", dump_extended); }
