#include "symconv/dwarf.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "common/alert.h"
#include "common/alloc.h"
#include "common/osdep.h"
#include "common/vector.h"
#include "symconv/encdec.h"
#include "symconv/machine.h"
#include "symconv/model.h"
#include "symconv/sdb.h"
#include "symconv/type.h"

const dwarf_kind_desc dwarf_kinds[DWARF_KIND_COUNT] = {
    {".debug_str", "string table"},
    {".debug_abbrev", "abbreviation table"},
    {".debug_info", "debug contributions"},
    {".debug_line", "line number information"},
    {".debug_frame", "call frame information"},
    {".debug_pubnames", "name lookup table"},
    {".debug_pubtypes", "name lookup table"},
    {".debug_aranges", "address range table"},
    {".debug_macinfo", "macro information"},
    {".debug_loc", "location lists"},
    {".debug_ranges", "address ranges"},
};

namespace {

enum {
  MSG_ADDRESS_SIZE = 632,
  TAG_ARRAY = 0x01, TAG_ENUMERATION = 0x04, TAG_FORMAL_PARAMETER = 0x05, TAG_MEMBER = 0x0D,
  TAG_POINTER = 0x0F, TAG_COMPILE_UNIT = 0x11, TAG_STRUCTURE = 0x13, TAG_SUBROUTINE_TYPE = 0x15,
  TAG_TYPEDEF = 0x16, TAG_UNION = 0x17, TAG_SUBRANGE = 0x21, TAG_BASE_TYPE = 0x24, TAG_CONST = 0x26,
  TAG_ENUMERATOR = 0x28, TAG_SUBPROGRAM = 0x2E, TAG_VARIABLE = 0x34, TAG_VOLATILE = 0x35,
  AT_SIBLING = 0x01, AT_LOCATION = 0x02, AT_NAME = 0x03, AT_BYTE_SIZE = 0x0B, AT_BIT_OFFSET = 0x0C,
  AT_BIT_SIZE = 0x0D, AT_STMT_LIST = 0x10, AT_LOW_PC = 0x11, AT_HIGH_PC = 0x12, AT_LANGUAGE = 0x13,
  AT_CONST_VALUE = 0x1C, AT_UPPER_BOUND = 0x2F, AT_PRODUCER = 0x25, AT_DATA_MEMBER_LOCATION = 0x38,
  AT_DECL_FILE = 0x3A, AT_DECL_LINE = 0x3B, AT_ENCODING = 0x3E, AT_EXTERNAL = 0x3F, AT_FRAME_BASE = 0x40,
  AT_TYPE = 0x49,
  FORM_ADDR = 0x01, FORM_DATA2 = 0x05, FORM_DATA4 = 0x06, FORM_STRING = 0x08, FORM_BLOCK1 = 0x0A,
  FORM_DATA1 = 0x0B, FORM_FLAG = 0x0C, FORM_UDATA = 0x0F, FORM_REF4 = 0x13,
  OP_ADDR = 0x03, OP_PLUS_UCONST = 0x23, OP_REG29 = 0x6D, OP_REGX = 0x90, OP_FBREG = 0x91,
  LNS_COPY = 1, LNS_ADVANCE_PC = 2, LNS_ADVANCE_LINE = 3, LNS_SET_FILE = 4, LNS_CONST_ADD_PC = 8,
  LNE_END_SEQUENCE = 1, LNE_SET_ADDRESS = 2,
  LINE_BASE = -5, LINE_RANGE = 15, OPCODE_BASE = 10,
  LANG_C89 = 1, LANG_ASSEMBLY = 0x8001,
  QUAL_CONST = 0x80000, QUAL_VOLATILE = 0x2,
};

const uint32_t IN_PROGRESS = 0xFFFFFFFF;

// DIE shapes, each given its abbreviation code when first needed.
enum shape {
  SH_UNIT_CHILDREN, SH_UNIT, SH_SUB_TYPE_CHILDREN, SH_SUB_TYPE, SH_SUB_CHILDREN, SH_SUB, SH_VARIABLE,
  SH_EXTERN_VARIABLE, SH_EXTERN_NO_LOCATION, SH_PARAMETER, SH_TYPEDEF, SH_BASE_TYPE, SH_FUNCTION_TYPE_OF,
  SH_FUNCTION_TYPE, SH_POINTER_TO, SH_POINTER, SH_ENUM_NAMED, SH_ENUM, SH_ENUMERATOR, SH_STRUCT_NAMED,
  SH_STRUCT, SH_UNION_NAMED, SH_UNION, SH_MEMBER, SH_BIT_MEMBER, SH_UNION_MEMBER, SH_UNION_BIT_MEMBER,
  SH_ARRAY, SH_SUBRANGE, SH_CONST, SH_VOLATILE, SH_COUNT
};

struct shape_desc {
  uint8_t tag;
  bool children;
  std::vector<uint8_t> pairs;  // attribute, form, ...
};

#define UNIT_PAIRS {AT_STMT_LIST, FORM_DATA4, AT_PRODUCER, FORM_STRING, AT_LANGUAGE, FORM_DATA2, AT_NAME, FORM_STRING, \
                    AT_LOW_PC, FORM_ADDR, AT_HIGH_PC, FORM_ADDR}
#define SUB_TAIL AT_EXTERNAL, FORM_DATA1, AT_DECL_FILE, FORM_UDATA, AT_DECL_LINE, FORM_UDATA, AT_LOW_PC, FORM_ADDR, \
                 AT_HIGH_PC, FORM_ADDR, AT_FRAME_BASE, FORM_BLOCK1
#define VAR_HEAD AT_NAME, FORM_STRING, AT_DECL_FILE, FORM_DATA1, AT_DECL_LINE, FORM_DATA2, AT_TYPE, FORM_REF4
// Aggregates may be larger than one byte can say.
#define AGGREGATE_TAIL AT_BYTE_SIZE, FORM_UDATA, AT_DECL_FILE, FORM_DATA1, AT_DECL_LINE, FORM_DATA2
#define BIT_PAIRS AT_BYTE_SIZE, FORM_DATA1, AT_BIT_SIZE, FORM_DATA1, AT_BIT_OFFSET, FORM_DATA1

const shape_desc shapes[SH_COUNT] = {
    {TAG_COMPILE_UNIT, true, UNIT_PAIRS},
    {TAG_COMPILE_UNIT, false, UNIT_PAIRS},
    {TAG_SUBPROGRAM, true, {AT_NAME, FORM_STRING, AT_TYPE, FORM_REF4, SUB_TAIL}},
    {TAG_SUBPROGRAM, false, {AT_NAME, FORM_STRING, AT_TYPE, FORM_REF4, SUB_TAIL}},
    {TAG_SUBPROGRAM, true, {AT_NAME, FORM_STRING, SUB_TAIL}},
    {TAG_SUBPROGRAM, false, {AT_NAME, FORM_STRING, SUB_TAIL}},
    {TAG_VARIABLE, false, {VAR_HEAD, AT_LOCATION, FORM_BLOCK1}},
    {TAG_VARIABLE, false, {VAR_HEAD, AT_EXTERNAL, FORM_FLAG, AT_LOCATION, FORM_BLOCK1}},
    {TAG_VARIABLE, false, {VAR_HEAD, AT_EXTERNAL, FORM_FLAG}},
    {TAG_FORMAL_PARAMETER, false, {VAR_HEAD, AT_LOCATION, FORM_BLOCK1}},
    {TAG_TYPEDEF, false, {VAR_HEAD}},
    {TAG_BASE_TYPE, false, {AT_NAME, FORM_STRING, AT_BYTE_SIZE, FORM_DATA1, AT_ENCODING, FORM_DATA1}},
    {TAG_SUBROUTINE_TYPE, false, {AT_TYPE, FORM_REF4}},
    {TAG_SUBROUTINE_TYPE, false, {}},
    {TAG_POINTER, false, {AT_TYPE, FORM_REF4, AT_BYTE_SIZE, FORM_DATA1}},
    {TAG_POINTER, false, {AT_BYTE_SIZE, FORM_DATA1}},
    {TAG_ENUMERATION, true, {AT_SIBLING, FORM_REF4, AT_NAME, FORM_STRING, AT_BYTE_SIZE, FORM_DATA1}},
    {TAG_ENUMERATION, true, {AT_SIBLING, FORM_REF4, AT_BYTE_SIZE, FORM_DATA1}},
    {TAG_ENUMERATOR, false, {AT_NAME, FORM_STRING, AT_CONST_VALUE, FORM_DATA4}},
    {TAG_STRUCTURE, true, {AT_SIBLING, FORM_REF4, AT_NAME, FORM_STRING, AGGREGATE_TAIL}},
    {TAG_STRUCTURE, true, {AT_SIBLING, FORM_REF4, AGGREGATE_TAIL}},
    {TAG_UNION, true, {AT_SIBLING, FORM_REF4, AT_NAME, FORM_STRING, AGGREGATE_TAIL}},
    {TAG_UNION, true, {AT_SIBLING, FORM_REF4, AGGREGATE_TAIL}},
    {TAG_MEMBER, false, {AT_NAME, FORM_STRING, AT_TYPE, FORM_REF4, AT_DATA_MEMBER_LOCATION, FORM_BLOCK1}},
    {TAG_MEMBER, false, {AT_NAME, FORM_STRING, AT_TYPE, FORM_REF4, BIT_PAIRS, AT_DATA_MEMBER_LOCATION, FORM_BLOCK1}},
    {TAG_MEMBER, false, {AT_NAME, FORM_STRING, AT_TYPE, FORM_REF4}},
    {TAG_MEMBER, false, {AT_NAME, FORM_STRING, AT_TYPE, FORM_REF4, BIT_PAIRS}},
    {TAG_ARRAY, true, {AT_SIBLING, FORM_REF4, AT_TYPE, FORM_REF4}},
    {TAG_SUBRANGE, false, {AT_UPPER_BOUND, FORM_DATA4}},
    {TAG_CONST, false, {AT_TYPE, FORM_REF4}},
    {TAG_VOLATILE, false, {AT_TYPE, FORM_REF4}},
};

struct unit_file {
  uint32_t number;
  std::string base;
  uint32_t directory;
  uint32_t model_file;
};

struct writer_state {
  unsigned address_size = 0;
  std::vector<uint8_t> abbrev, info, line;
  uint32_t next_code = 1;
  uint32_t codes[SH_COUNT] = {};
  // Types of the unit by signature; basic types are emitted once per unit,
  // so that every reference stays inside the unit that holds its DIE.
  std::map<std::string, uint32_t> unit_types;
  // References to a structure or union still being built, by its record.
  std::map<const sdb_record *, std::vector<size_t>> pending;
  std::vector<unit_file> files;
  std::vector<std::string> directories;
  uint32_t current_file = 0;
  uint32_t low = 0xFFFFFFFF, high = 0;
  size_t unit_start = 0;
  long frame_base = 0;
};

writer_state *w;

// ---- encodings into growing buffers ----

void put_u8(std::vector<uint8_t> &b, unsigned v) { b.push_back(uint8_t(v)); }
void put_u16(std::vector<uint8_t> &b, uint64_t v) {
  uint8_t t[2];
  put16(t, v);
  b.insert(b.end(), t, t + 2);
}
void put_u32(std::vector<uint8_t> &b, uint64_t v) {
  uint8_t t[4];
  put32(t, v);
  b.insert(b.end(), t, t + 4);
}
void patch_u32(std::vector<uint8_t> &b, size_t at, uint64_t v) { put32(b.data() + at, v); }
void put_uleb(std::vector<uint8_t> &b, uint64_t v) {
  uint8_t t[10], *p = t;
  uleb_put(&p, v);
  b.insert(b.end(), t, p);
}
void put_sleb(std::vector<uint8_t> &b, int64_t v) {
  uint8_t t[10], *p = t;
  sleb_put(&p, v);
  b.insert(b.end(), t, p);
}
void put_string(std::vector<uint8_t> &b, const char *s) {
  if (!s) s = "";
  b.insert(b.end(), s, s + strlen(s) + 1);
}

void put_addr_at(uint8_t *p, uint64_t v) {
  switch (w->address_size) {
    case 1: put_byte(p, unsigned(v & 0xFF)); break;
    case 2: put16(p, v); break;
    case 4: put32(p, v); break;
    case 8: put64(p, v); break;
    default: break;
  }
}
void dwarf_put_addr(std::vector<uint8_t> &b, uint64_t v) {
  size_t at = b.size();
  unsigned size = w->address_size <= 8 ? w->address_size : 0;
  b.resize(at + size);
  if (size) put_addr_at(b.data() + at, v);
}

// The abbreviation code of a shape, declared on first use.
uint32_t code_of(shape s) {
  if (!w->codes[s]) {
    w->codes[s] = w->next_code++;
    const shape_desc &d = shapes[s];
    put_uleb(w->abbrev, w->codes[s]);
    put_uleb(w->abbrev, d.tag);
    put_u8(w->abbrev, d.children ? 1 : 0);
    for (uint8_t v : d.pairs) put_uleb(w->abbrev, v);
    put_u8(w->abbrev, 0);
    put_u8(w->abbrev, 0);
  }
  return w->codes[s];
}

void begin_die(std::vector<uint8_t> &b, shape s) { put_uleb(b, code_of(s)); }

// Unit-relative offset of the next byte of .debug_info.
uint32_t info_here() { return uint32_t(w->info.size() - w->unit_start); }

uint32_t dwarf_die_append(const std::vector<uint8_t> &die) {
  uint32_t at = info_here();
  w->info.insert(w->info.end(), die.begin(), die.end());
  return at;
}

void warn_no_type(const char *name) {
  msg_report_hooked("W", "DWARF: Couldn't find type for '%s'", name ? name : "");
}

// ---- types ----

uint32_t dwarf_type(const type_chain *chain, int k);

std::string signature(const type_chain *chain, int k) {
  std::string s;
  for (int j = k; j >= 0; j--) {
    const type_elem &e = chain->elems[j];
    s += char('0' + e.kind);
    s += e.text ? e.text : "";
    s += ':' + std::to_string(e.value) + ':' + std::to_string(e.size);
    if (e.record) s += '@' + std::to_string(reinterpret_cast<uintptr_t>(e.record));
    s += ';';
  }
  return s;
}

const char *basic_name(const type_elem &e, unsigned *encoding) {
  static const struct {
    int cls;
    const char *code, *name;
    unsigned encoding;
  } names[] = {
      {TC_SIGNED, "c", "char", 6},
      {TC_SIGNED, "s", "short int", 5},
      {TC_SIGNED, "i", "int", 5},
      {TC_SIGNED, "m", "short long int", 5},
      {TC_SIGNED, "l", "long int", 5},
      {TC_UNSIGNED, "uc", "unsigned char", 8},
      {TC_UNSIGNED, "us", "short unsigned int", 7},
      {TC_UNSIGNED, "ui", "unsigned int", 7},
      {TC_UNSIGNED, "um", "short long unsigned int", 7},
      {TC_UNSIGNED, "ul", "long unsigned int", 7},
      {TC_FLOAT, "f", "float", 4},
      {TC_FLOAT, "d", "double", 4},
  };
  const char *code = e.text ? e.text : "";
  int cls = int(e.value);
  for (const auto &n : names)
    if (n.cls == cls && !strcmp(n.code, code)) {
      *encoding = n.encoding;
      return n.name;
    }
  *encoding = cls == TC_SIGNED ? 5 : cls == TC_UNSIGNED ? 7 : cls == TC_FLOAT ? 4 : 2;
  return code;
}

void put_ref(std::vector<uint8_t> &die, uint32_t ref, const sdb_record *target) {
  if (ref == IN_PROGRESS && target) w->pending[target].push_back(w->info.size() + die.size());
  put_u32(die, ref);
}

// The aggregate a reference to an in-progress type waits for.
const sdb_record *aggregate_of(const type_chain *chain, int k) {
  return k >= 0 && chain->elems[k].kind == TK_STRUCT ? chain->elems[k].record : nullptr;
}

// The C tag of a structure, union or enumeration; the description's own
// name for it is no C name.
const char *tag_name(const sdb_record *r) { return r->second_name; }

uint32_t enum_die(const sdb_record *e) {
  std::vector<uint8_t> die;
  const char *name = tag_name(e);
  bool named = name && *name;
  begin_die(die, named ? SH_ENUM_NAMED : SH_ENUM);
  size_t sibling = die.size();
  put_u32(die, 0);
  if (named) put_string(die, name);
  put_u8(die, unsigned(e->size_code));
  for (uint32_t k = 0; k < e->member_count; k++) {
    begin_die(die, SH_ENUMERATOR);
    put_string(die, e->enumerators[k].name);
    put_u32(die, uint64_t(e->enumerators[k].value));
  }
  put_u8(die, 0);
  patch_u32(die, sibling, info_here() + die.size());
  return dwarf_die_append(die);
}

uint32_t aggregate_die(const sdb_record *s, uint32_t *entry) {
  *entry = IN_PROGRESS;
  const char *name = tag_name(s);
  bool named = name && *name;
  bool is_union = s->is_union != 0;
  std::vector<uint8_t> die;
  begin_die(die, is_union ? (named ? SH_UNION_NAMED : SH_UNION) : (named ? SH_STRUCT_NAMED : SH_STRUCT));
  size_t sibling = die.size();
  put_u32(die, 0);
  if (named) put_string(die, name);
  put_uleb(die, uint64_t(s->struct_size));
  put_u8(die, w->files.empty() ? 0 : w->files[w->current_file].number);
  put_u16(die, uint64_t(s->line));
  for (uint32_t k = 0; k < s->member_count; k++) {
    const sdb_member &m = s->members[k];
    int top = m.type ? int(m.type->count) - 1 : -1;
    uint32_t ref = top >= 0 ? dwarf_type(m.type, top) : 0;
    if (!ref) {
      warn_no_type(m.name);
      continue;
    }
    bool bits = m.bit_width != 0;
    begin_die(die, is_union ? (bits ? SH_UNION_BIT_MEMBER : SH_UNION_MEMBER) : (bits ? SH_BIT_MEMBER : SH_MEMBER));
    put_string(die, m.name);
    // A member's own type may be the aggregate itself only through a
    // pointer, whose DIE was appended on its own.
    put_ref(die, ref, aggregate_of(m.type, top));
    if (bits) {
      uint32_t storage = mach_type_size(type_outer(m.type));
      put_u8(die, storage);
      put_u8(die, unsigned(m.bit_width));
      put_u8(die, unsigned(8 * long(storage) - m.bit_offset - 1));
    }
    if (!is_union) {
      std::vector<uint8_t> expr;
      put_u8(expr, OP_PLUS_UCONST);
      put_uleb(expr, uint64_t(m.offset));
      put_u8(die, unsigned(expr.size()));
      die.insert(die.end(), expr.begin(), expr.end());
    }
  }
  put_u8(die, 0);
  patch_u32(die, sibling, info_here() + die.size());
  uint32_t at = dwarf_die_append(die);
  *entry = at;
  auto waiting = w->pending.find(s);
  if (waiting != w->pending.end()) {
    for (size_t position : waiting->second) patch_u32(w->info, position, at);
    w->pending.erase(waiting);
  }
  return at;
}

uint32_t array_die(const type_chain *chain, int k) {
  int inner = k;
  while (inner >= 0 && chain->elems[inner].kind == TK_ARRAY) inner--;
  uint32_t element = dwarf_type(chain, inner);
  std::vector<uint8_t> die;
  begin_die(die, SH_ARRAY);
  size_t sibling = die.size();
  put_u32(die, 0);
  put_ref(die, element, aggregate_of(chain, inner));
  for (int j = k; j > inner; j--) {
    begin_die(die, SH_SUBRANGE);
    put_u32(die, uint64_t(chain->elems[j].value) - 1);
  }
  put_u8(die, 0);
  patch_u32(die, sibling, info_here() + die.size());
  return dwarf_die_append(die);
}

uint32_t emit_type(const type_chain *chain, int k, uint32_t *entry) {
  const type_elem &e = chain->elems[k];
  std::vector<uint8_t> die;
  switch (e.kind) {
    case TK_BASIC: {
      if (e.value == TC_VOID) return 0;
      unsigned encoding;
      const char *name = basic_name(e, &encoding);
      begin_die(die, SH_BASE_TYPE);
      put_string(die, name);
      put_u8(die, e.size);
      put_u8(die, encoding);
      return dwarf_die_append(die);
    }
    case TK_FUNCTION: {
      uint32_t inner = dwarf_type(chain, k - 1);
      begin_die(die, inner ? SH_FUNCTION_TYPE_OF : SH_FUNCTION_TYPE);
      if (inner) put_ref(die, inner, aggregate_of(chain, k - 1));
      return dwarf_die_append(die);
    }
    case TK_POINTER: {
      uint32_t inner = dwarf_type(chain, k - 1);
      begin_die(die, inner ? SH_POINTER_TO : SH_POINTER);
      if (inner) put_ref(die, inner, aggregate_of(chain, k - 1));
      put_u8(die, model.machine && k > 0 ? model.machine->pointer_size(&e) : w->address_size);
      return dwarf_die_append(die);
    }
    case TK_ENUM:
      return e.record ? enum_die(e.record) : 0;
    case TK_STRUCT:
      return e.record ? aggregate_die(e.record, entry) : 0;
    case TK_ARRAY:
      return array_die(chain, k);
    case TK_QUALIFIER: {
      uint32_t at = dwarf_type(chain, k - 1);
      if (!at) return 0;
      for (uint32_t bit : {uint32_t(QUAL_CONST), uint32_t(QUAL_VOLATILE)}) {
        if (!(e.value & bit)) continue;
        die.clear();
        begin_die(die, bit == QUAL_CONST ? SH_CONST : SH_VOLATILE);
        put_ref(die, at, at == IN_PROGRESS ? aggregate_of(chain, k - 1) : nullptr);
        at = dwarf_die_append(die);
      }
      return at;
    }
    default:
      return 0;
  }
}

// The unit-relative offset of the type's DIE from element k down; 0 for
// void or a type that cannot be described; IN_PROGRESS for an aggregate
// whose DIE is being built.
uint32_t dwarf_type(const type_chain *chain, int k) {
  if (!chain || k < 0 || k >= int(chain->count)) return 0;
  std::string key = signature(chain, k);
  auto found = w->unit_types.find(key);
  if (found != w->unit_types.end() && found->second) return found->second;
  uint32_t &entry = w->unit_types[key];
  uint32_t at = emit_type(chain, k, &entry);
  w->unit_types[key] = at;
  return at;
}

uint32_t dwarf_type_of(const type_chain *chain) { return chain && chain->count ? dwarf_type(chain, int(chain->count) - 1) : 0; }

// ---- scopes ----

unsigned current_file_number() { return w->files.empty() ? 0 : w->files[w->current_file].number; }

void change_file(const char *path) {
  const char *base = os_basename(path);
  for (size_t k = 0; k < w->files.size(); k++)
    if (w->files[k].base == base) {
      w->current_file = uint32_t(k);
      return;
    }
  unit_file f;
  f.number = uint32_t(w->files.size());
  f.base = base;
  char *dir = os_dirname(path);
  f.directory = 0;
  if (dir && *dir && strcmp(dir, ".") && strcmp(base, path)) {
    auto at = std::find(w->directories.begin() + 1, w->directories.end(), std::string(dir));
    f.directory = uint32_t(at - w->directories.begin());
    if (at == w->directories.end()) w->directories.push_back(dir);
  }
  xfree(dir);
  model_file *mf = model_find_file(path);
  f.model_file = mf ? mf->index : 0;
  w->files.push_back(f);
  w->current_file = uint32_t(w->files.size() - 1);
}

void put_location(std::vector<uint8_t> &die, const std::vector<uint8_t> &expr) {
  put_u8(die, unsigned(expr.size()));
  die.insert(die.end(), expr.begin(), expr.end());
}

// The variable's DIE. Externs and statics are described where the link put
// them, and so are autos and parameters in areas of fixed addresses; an
// extern whose address is unknown gets no location rather than address 0.
bool dwarf_variable(sdb_record *var, bool resolved, uint32_t address) {
  if (type_is_function(var->type)) return true;
  uint32_t type = dwarf_type_of(var->type);
  if (!type) {
    warn_no_type(var->name);
    return false;
  }
  std::vector<uint8_t> expr;
  bool fixed = var->flags & SDB_RESOLVED;
  switch (var->kind) {
    case SDB_AUTO:
    case SDB_PARAM:
      if (fixed) {
        put_u8(expr, OP_ADDR);
        dwarf_put_addr(expr, address);
      } else {
        put_u8(expr, OP_FBREG);
        put_sleb(expr, var->value - w->frame_base);
      }
      break;
    case SDB_REG:
      put_u8(expr, OP_REGX);
      put_uleb(expr, uint64_t(var->value));
      break;
    default:
      put_u8(expr, OP_ADDR);
      dwarf_put_addr(expr, address);
      break;
  }
  bool external = var->kind == SDB_EXTERN;
  std::vector<uint8_t> die;
  begin_die(die, var->kind == SDB_PARAM ? SH_PARAMETER
                 : external             ? (resolved ? SH_EXTERN_VARIABLE : SH_EXTERN_NO_LOCATION)
                                        : SH_VARIABLE);
  put_string(die, var->name);
  put_u8(die, current_file_number());
  put_u16(die, uint64_t(var->line));
  put_ref(die, type, aggregate_of(var->type, var->type ? int(var->type->count) - 1 : -1));
  if (external) put_u8(die, 1);
  if (resolved) put_location(die, expr);
  dwarf_die_append(die);
  return true;
}

void dwarf_scope(sdb_record *scope);

void subprogram_die(sdb_record *func) {
  sdb_record *decl = func->function;
  if (!decl) {
    dwarf_scope(func);
    return;
  }
  int top = decl->type ? int(decl->type->count) - 1 : -1;
  while (top >= 0 && decl->type->elems[top].kind != TK_FUNCTION) top--;
  uint32_t returns = top > 0 ? dwarf_type(decl->type, top - 1) : 0;
  const model_symbol *start = decl->name ? model_find_symbol(decl->name) : nullptr;
  uint64_t low = start ? start->value : 0;
  char end_name[128];
  snprintf(end_name, sizeof end_name, "__end_of%s", decl->name ? decl->name : "");
  const model_symbol *end = model_find_symbol(end_name);
  uint64_t high = end ? end->value : low + 1;
  bool children = func->items && vec_size(func->items);
  shape s = returns ? (children ? SH_SUB_TYPE_CHILDREN : SH_SUB_TYPE) : (children ? SH_SUB_CHILDREN : SH_SUB);
  std::vector<uint8_t> die;
  begin_die(die, s);
  put_string(die, decl->name);
  if (returns) put_ref(die, returns, aggregate_of(decl->type, top - 1));
  put_u8(die, decl->kind == SDB_EXTERN ? 1 : 0);
  put_uleb(die, current_file_number());
  put_uleb(die, uint64_t(decl->line));
  dwarf_put_addr(die, low);
  dwarf_put_addr(die, high);
  put_u8(die, 1);
  put_u8(die, OP_REG29);
  if (low < w->low) w->low = uint32_t(low);
  if (high > w->high) w->high = uint32_t(high);
  w->frame_base = func->value;
  uint32_t at = dwarf_die_append(die);
  if (!children) return;
  uint32_t after = info_here();
  dwarf_scope(func);
  // Codes stay below 128, so the code is the DIE's first byte.
  if (info_here() == after) {
    shape without = returns ? SH_SUB_TYPE : SH_SUB;
    w->info[w->unit_start + at] = uint8_t(code_of(without));
  } else {
    put_u8(w->info, 0);
  }
}

void typedef_die(sdb_record *t) {
  uint32_t type = dwarf_type_of(t->type);
  if (!type) {
    warn_no_type(t->name);
    return;
  }
  std::vector<uint8_t> die;
  begin_die(die, SH_TYPEDEF);
  put_string(die, t->name);
  put_u8(die, current_file_number());
  put_u16(die, uint64_t(t->line));
  put_ref(die, type, aggregate_of(t->type, int(t->type->count) - 1));
  dwarf_die_append(die);
}

void dwarf_scope(sdb_record *scope) {
  for (uint32_t k = 0; scope->items && k < vec_size(scope->items); k++) {
    sdb_record *item = static_cast<sdb_record *>(vec_get(scope->items, k));
    uint32_t address = 0, segment = 0;
    switch (item->kind) {
      case SDB_EXTERN:
      case SDB_GLOBAL:
      case SDB_STATIC: {
        // A function's declaration is described by its subprogram.
        if (type_is_function(item->type)) break;
        bool resolved = mach_resolve(item, scope, &address, &segment);
        if (!resolved)
          msg_report_hooked("W", "DWARF: Can't find variable location: '%s'", item->name ? item->name : "");
        // Statics have no other description; an unplaced extern is still
        // declared, without a location.
        if (resolved || item->kind == SDB_EXTERN) dwarf_variable(item, resolved, address);
        break;
      }
      case SDB_AUTO:
      case SDB_PARAM:
      case SDB_REG:
        if (mach_resolve(item, scope, &address, &segment) || item->kind == SDB_REG)
          dwarf_variable(item, true, address);
        break;
      case SDB_TYPEDEF:
        typedef_die(item);
        break;
      case SDB_BLOCK:
        dwarf_scope(item);
        break;
      case SDB_FUNC:
        subprogram_die(item);
        break;
      case SDB_ENUM: {
        type_chain *chain = type_chain_new();
        type_chain_push(chain, TK_ENUM, item->name, 0, 0, item);
        dwarf_type(chain, 0);
        type_chain_free(chain);
        break;
      }
      case SDB_FILENAME:
        change_file(item->name ? item->name : "");
        break;
      default:
        break;
    }
  }
}

// ---- line number program ----

void special_row(std::vector<uint8_t> &p, uint64_t address_advance, int64_t line_advance) {
  const uint64_t step = (255 - OPCODE_BASE) / LINE_RANGE;
  if (address_advance >= 2 * step) {
    put_u8(p, LNS_ADVANCE_PC);
    put_uleb(p, address_advance);
    address_advance = 0;
  } else if (address_advance >= step) {
    put_u8(p, LNS_CONST_ADD_PC);
    address_advance -= step;
  }
  if (line_advance < LINE_BASE || line_advance > LINE_BASE + LINE_RANGE - 1) {
    put_u8(p, LNS_ADVANCE_LINE);
    put_sleb(p, line_advance);
    line_advance = 0;
  }
  put_u8(p, unsigned((line_advance - LINE_BASE) + LINE_RANGE * int64_t(address_advance) + OPCODE_BASE));
}

void end_sequence(std::vector<uint8_t> &p, uint64_t address_advance) {
  put_u8(p, LNS_ADVANCE_PC);
  put_uleb(p, address_advance);
  put_u8(p, 0);
  put_u8(p, 1);
  put_u8(p, LNE_END_SEQUENCE);
}

void dwarf_line_program() {
  std::vector<uint8_t> p;
  put_u32(p, 0);
  put_u16(p, 2);
  size_t header_length = p.size();
  put_u32(p, 0);
  put_u8(p, 1);
  put_u8(p, 1);
  put_u8(p, uint8_t(int8_t(LINE_BASE)));
  put_u8(p, LINE_RANGE);
  put_u8(p, OPCODE_BASE);
  for (unsigned n : {0, 1, 1, 1, 1, 0, 0, 0, 1}) put_u8(p, n);
  for (size_t k = 1; k < w->directories.size(); k++) put_string(p, w->directories[k].c_str());
  put_u8(p, 0);
  for (size_t k = 1; k < w->files.size(); k++) {
    put_string(p, w->files[k].base.c_str());
    put_uleb(p, w->files[k].directory);
    put_uleb(p, 0);
    put_uleb(p, 0);
  }
  put_u8(p, 0);
  patch_u32(p, header_length, p.size() - header_length - 4);

  std::vector<const model_line *> rows;
  for (uint32_t k = 0; k < vec_size(model.lines); k++) rows.push_back(model_line_nth(k));
  std::stable_sort(rows.begin(), rows.end(), [](const model_line *a, const model_line *b) {
    return a->start != b->start ? a->start < b->start : a->line < b->line;
  });
  uint64_t address = 0;
  int64_t line = 1;
  uint32_t file = 1;
  const model_line *last = nullptr;
  bool open = false;
  uint32_t previous_file = 0;
  int entry = -1;
  for (const model_line *l : rows) {
    if (!last || l->file != previous_file) {
      entry = -1;
      for (size_t k = w->files.size(); k-- > 1;)
        if (w->files[k].model_file == l->file) {
          entry = int(k);
          break;
        }
      previous_file = l->file;
      last = l;
    }
    if (entry < 0) continue;
    if (w->files[size_t(entry)].number != file) {
      file = w->files[size_t(entry)].number;
      put_u8(p, LNS_SET_FILE);
      put_uleb(p, file);
    }
    if (l->start < w->low) w->low = l->start;
    if (l->start > w->high) w->high = l->start;
    uint64_t address_advance = l->start - address;
    int64_t line_advance = int64_t(l->line) - line;
    if (open && line_advance == 0) {
      // The same line again closes the sequence at its address.
      end_sequence(p, address_advance);
      address = 0;
      line = 1;
      file = 1;
      open = false;
      last = nullptr;
      continue;
    }
    if (open && address) {
      special_row(p, address_advance, line_advance);
    } else {
      put_u8(p, LNS_ADVANCE_LINE);
      put_sleb(p, line_advance);
      put_u8(p, 0);
      put_u8(p, uint8_t(w->address_size + 1));
      put_u8(p, LNE_SET_ADDRESS);
      dwarf_put_addr(p, l->start);
      put_u8(p, LNS_COPY);
    }
    open = true;
    address = l->start;
    line = l->line;
  }
  // A sequence left open would lose its rows to every reader.
  if (open) end_sequence(p, w->high > address ? w->high - address : 1);
  patch_u32(p, 0, p.size() - 4);
  w->line.insert(w->line.end(), p.begin(), p.end());
}

void dwarf_unit(sdb_record *module) {
  w->low = 0xFFFFFFFF;
  w->high = 0;
  w->unit_types.clear();
  w->pending.clear();
  w->files.clear();
  w->directories.assign(1, "");
  w->files.push_back({0, module->name ? module->name : "", 0, 0});
  w->current_file = 0;
  w->unit_start = w->info.size();
  put_u32(w->info, 0);
  put_u16(w->info, 2);
  put_u32(w->info, 0);
  put_u8(w->info, w->address_size);
  uint32_t at = info_here();
  std::vector<uint8_t> die;
  begin_die(die, SH_UNIT_CHILDREN);
  put_u32(die, w->line.size());
  put_string(die, "Forvane - Quenlor Software");
  put_u16(die, module->kind == SDB_EMPTY_MODULE ? LANG_ASSEMBLY : LANG_C89);
  put_string(die, module->name);
  size_t low_at = w->info.size() + die.size();
  dwarf_put_addr(die, 0);
  size_t high_at = w->info.size() + die.size();
  dwarf_put_addr(die, 0);
  dwarf_die_append(die);
  uint32_t after = info_here();
  dwarf_scope(module);
  // A unit with nothing below it has no children (and so no closing entry).
  if (info_here() == after)
    w->info[w->unit_start + at] = uint8_t(code_of(SH_UNIT));
  else
    put_u8(w->info, 0);
  patch_u32(w->info, w->unit_start, w->info.size() - w->unit_start - 4);
  dwarf_line_program();
  // A unit that covers no address says so with an empty range.
  if (w->low > w->high) w->low = w->high = 0;
  put_addr_at(w->info.data() + low_at, w->low);
  put_addr_at(w->info.data() + high_at, w->high);
}

unsigned address_size_of_machine() {
  // The machines look at what a pointer points to: here plain void.
  type_elem chain[2] = {{TK_BASIC, nullptr, TC_VOID, 0, nullptr}, {TK_POINTER, nullptr, 0, 0, nullptr}};
  uint32_t size = model.machine ? model.machine->pointer_size(&chain[1]) : 0;
  if (size == 0 || size > 8) msg(MSG_ADDRESS_SIZE, unsigned(size));
  if (size == 3) return 4;
  if (size >= 5 && size <= 8) return 8;
  return size;
}

}  // namespace

int dwarf_build(std::vector<dwarf_section> *sections) {
  if (!model.sdb_root) return 0;
  writer_state state;
  w = &state;
  w->address_size = address_size_of_machine();
  for (uint32_t k = 0; model.sdb_root->items && k < vec_size(model.sdb_root->items); k++) {
    sdb_record *item = static_cast<sdb_record *>(vec_get(model.sdb_root->items, k));
    if (item->kind == SDB_MODULE || item->kind == SDB_EMPTY_MODULE) dwarf_unit(item);
  }
  put_u8(w->abbrev, 0);
  sections->push_back({DWARF_ABBREV, std::move(w->abbrev)});
  sections->push_back({DWARF_INFO, std::move(w->info)});
  sections->push_back({DWARF_LINE, std::move(w->line)});
  w = nullptr;
  return 0;
}
