#include "symconv/dwarfdump.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <ctime>
#include <map>
#include <string>
#include <vector>

#include "common/alert.h"
#include "symconv/dwarf.h"
#include "symconv/encdec.h"
#include "symconv/model.h"

namespace {

enum {
  MSG_ADDRESS_SIZE = 632,
  AT_LOCATION = 0x02, AT_STMT_LIST = 0x10, AT_LANGUAGE = 0x13, AT_DATA_MEMBER_LOCATION = 0x38,
  AT_ENCODING = 0x3E, AT_FRAME_BASE = 0x40,
  FORM_ADDR = 0x01, FORM_DATA2 = 0x05, FORM_DATA4 = 0x06, FORM_STRING = 0x08, FORM_BLOCK1 = 0x0A,
  FORM_DATA1 = 0x0B, FORM_FLAG = 0x0C, FORM_UDATA = 0x0F, FORM_REF4 = 0x13,
  LNS_COPY = 1, LNS_ADVANCE_PC = 2, LNS_ADVANCE_LINE = 3, LNS_SET_FILE = 4, LNS_CONST_ADD_PC = 8,
  LNE_END_SEQUENCE = 1, LNE_SET_ADDRESS = 2,
  MSG_OUT_OF_MEMORY = 157,
  MSG_LINE_SHORT = 644,
  MSG_LINE_OPCODES = 645,
  MSG_LINE_LIST = 646,
  MSG_LINE_HEADER = 647,
  MSG_LINE_OFFSET = 648,
  MSG_LINE_PAST = 649,
  MSG_CFA_OPCODE = 650,
  MSG_CIE_SHORT = 651,
  MSG_CIE_PAST = 652,
  MSG_FDE_SHORT = 653,
  MSG_FDE_CIE_OUTSIDE = 654,
  MSG_FDE_NOT_CIE = 655,
  MSG_FDE_PAST = 656,
  MSG_FRAME_PAST = 657,
  MSG_NO_ABBREV = 658,
  MSG_UNIT_SHORT = 659,
  MSG_ABBREV_OFFSET = 660,
  MSG_UNIT_ADDRESS_SIZE = 661,
  MSG_UNIT_GAP = 662,
  MSG_PUBNAMES_SHORT = 663,
  MSG_ARANGES_SHORT = 664,
  MSG_LOC_PAST = 665,
  MSG_SECTION_SHORT = 666,
  MSG_NO_ABBREV_SECTION = 667,
};

struct const_name {
  uint32_t value;
  const char *name;
};

struct const_table {
  const char *prefix;
  const const_name *names;
  size_t count;
  uint32_t user_low, user_high;  // user-defined range, empty when low > high
};

#define TABLE(prefix, names, low, high) {prefix, names, sizeof names / sizeof names[0], low, high}

const const_name tag_names[] = {
    {0x01, "array_type"}, {0x02, "class_type"}, {0x03, "entry_point"}, {0x04, "enumeration_type"},
    {0x05, "formal_parameter"}, {0x08, "imported_declaration"}, {0x0a, "label"}, {0x0b, "lexical_block"},
    {0x0d, "member"}, {0x0f, "pointer_type"}, {0x10, "reference_type"}, {0x11, "compile_unit"},
    {0x12, "string_type"}, {0x13, "structure_type"}, {0x15, "subroutine_type"}, {0x16, "typedef"},
    {0x17, "union_type"}, {0x18, "unspecified_parameters"}, {0x19, "variant"}, {0x1a, "common_block"},
    {0x1b, "common_inclusion"}, {0x1c, "inheritance"}, {0x1d, "inlined_subroutine"}, {0x1e, "module"},
    {0x1f, "ptr_to_member_type"}, {0x20, "set_type"}, {0x21, "subrange_type"}, {0x22, "with_stmt"},
    {0x23, "access_declaration"}, {0x24, "base_type"}, {0x25, "catch_block"}, {0x26, "const_type"},
    {0x27, "constant"}, {0x28, "enumerator"}, {0x29, "file_type"}, {0x2a, "friend"}, {0x2b, "namelist"},
    {0x2c, "namelist_item"}, {0x2d, "packed_type"}, {0x2e, "subprogram"}, {0x2f, "template_type_param"},
    {0x30, "template_value_param"}, {0x31, "thrown_type"}, {0x32, "try_block"}, {0x33, "variant_part"},
    {0x34, "variable"}, {0x35, "volatile_type"},
};
const const_name attribute_names[] = {
    {0x01, "sibling"}, {0x02, "location"}, {0x03, "name"}, {0x09, "ordering"}, {0x0b, "byte_size"},
    {0x0c, "bit_offset"}, {0x0d, "bit_size"}, {0x10, "stmt_list"}, {0x11, "low_pc"}, {0x12, "high_pc"},
    {0x13, "language"}, {0x15, "discr"}, {0x16, "discr_value"}, {0x17, "visibility"}, {0x18, "import"},
    {0x19, "string_length"}, {0x1a, "common_reference"}, {0x1b, "comp_dir"}, {0x1c, "const_value"},
    {0x1d, "containing_type"}, {0x1e, "default_value"}, {0x20, "inline"}, {0x21, "is_optional"},
    {0x22, "lower_bound"}, {0x25, "producer"}, {0x27, "prototyped"}, {0x2a, "return_addr"},
    {0x2c, "start_scope"}, {0x2e, "stride_size"}, {0x2f, "upper_bound"}, {0x31, "abstract_origin"},
    {0x32, "accessibility"}, {0x33, "address_class"}, {0x34, "artificial"}, {0x35, "base_types"},
    {0x36, "calling_convention"}, {0x37, "count"}, {0x38, "data_member_location"}, {0x39, "decl_column"},
    {0x3a, "decl_file"}, {0x3b, "decl_line"}, {0x3c, "declaration"}, {0x3d, "discr_list"}, {0x3e, "encoding"},
    {0x3f, "external"}, {0x40, "frame_base"}, {0x41, "friend"}, {0x42, "identifier_case"},
    {0x43, "macro_info"}, {0x44, "namelist_item"}, {0x45, "priority"}, {0x46, "segment"},
    {0x47, "specification"}, {0x48, "static_link"}, {0x49, "type"}, {0x4a, "use_location"},
    {0x4b, "variable_parameter"}, {0x4c, "virtuality"}, {0x4d, "vtable_elem_location"},
};
const const_name form_names[] = {
    {0x01, "addr"}, {0x03, "block2"}, {0x04, "block4"}, {0x05, "data2"}, {0x06, "data4"}, {0x07, "data8"},
    {0x08, "string"}, {0x09, "block"}, {0x0a, "block1"}, {0x0b, "data1"}, {0x0c, "flag"}, {0x0d, "sdata"},
    {0x0e, "strp"}, {0x0f, "udata"}, {0x10, "ref_addr"}, {0x11, "ref1"}, {0x12, "ref2"}, {0x13, "ref4"},
    {0x14, "ref8"}, {0x15, "ref_udata"}, {0x16, "indirect"},
};
const const_name cfa_names[] = {
    {0x00, "nop"}, {0x01, "set_loc"}, {0x02, "advance_loc1"}, {0x03, "advance_loc2"}, {0x04, "advance_loc4"},
    {0x05, "offset_extended"}, {0x06, "restore_extended"}, {0x07, "undefined"}, {0x08, "same_value"},
    {0x09, "register"}, {0x0a, "remember_state"}, {0x0b, "restore_state"}, {0x0c, "def_cfa"},
    {0x0d, "def_cfa_register"}, {0x0e, "def_cfa_offset"}, {0x40, "advance_loc"}, {0x80, "offset"},
    {0xc0, "restore"},
};
const const_name macinfo_names[] = {
    {1, "define"}, {2, "undef"}, {3, "start_file"}, {4, "end_file"}, {255, "vendor_ext"},
};
const const_name encoding_names[] = {
    {1, "address"}, {2, "boolean"}, {3, "complex_float"}, {4, "float"},
    {5, "signed"},  {6, "signed_char"}, {7, "unsigned"}, {8, "unsigned_char"},
};
const const_name language_names[] = {
    {1, "C89"}, {2, "C"}, {3, "Ada83"}, {4, "C_plus_plus"}, {5, "Cobol74"}, {6, "Cobol85"}, {7, "Fortran77"},
    {8, "Fortran90"}, {9, "Pascal83"}, {10, "Modula2"}, {0x8001, "Mips_Assembler"},
};

// Location operations with the kind of their operand.
enum operand { O_NONE, O_ADDR, O_U8, O_S8, O_U16, O_S16, O_U32, O_S32, O_U64, O_S64, O_ULEB, O_SLEB, O_ULEB_SLEB };
struct op_desc {
  uint32_t value;
  const char *name;
  operand kind;
};
const op_desc op_table[] = {
    {0x03, "addr", O_ADDR}, {0x06, "deref", O_NONE}, {0x08, "const1u", O_U8}, {0x09, "const1s", O_S8},
    {0x0a, "const2u", O_U16}, {0x0b, "const2s", O_S16}, {0x0c, "const4u", O_U32}, {0x0d, "const4s", O_S32},
    {0x0e, "const8u", O_U64}, {0x0f, "const8s", O_S64}, {0x10, "constu", O_ULEB}, {0x11, "consts", O_SLEB},
    {0x12, "dup", O_NONE}, {0x13, "drop", O_NONE}, {0x14, "over", O_NONE}, {0x15, "pick", O_U8},
    {0x16, "swap", O_NONE}, {0x17, "rot", O_NONE}, {0x18, "xderef", O_NONE}, {0x19, "abs", O_NONE},
    {0x1a, "and", O_NONE}, {0x1b, "div", O_NONE}, {0x1c, "minus", O_NONE}, {0x1d, "mod", O_NONE},
    {0x1e, "mul", O_NONE}, {0x1f, "neg", O_NONE}, {0x20, "not", O_NONE}, {0x21, "or", O_NONE},
    {0x22, "plus", O_NONE}, {0x23, "plus_uconst", O_ULEB}, {0x24, "shl", O_NONE}, {0x25, "shr", O_NONE},
    {0x26, "shra", O_NONE}, {0x27, "xor", O_NONE}, {0x28, "bra", O_S16}, {0x29, "eq", O_NONE},
    {0x2a, "ge", O_NONE}, {0x2b, "gt", O_NONE}, {0x2c, "le", O_NONE}, {0x2d, "lt", O_NONE},
    {0x2e, "ne", O_NONE}, {0x2f, "skip", O_S16}, {0x90, "regx", O_ULEB}, {0x91, "fbreg", O_SLEB},
    {0x92, "bregx", O_ULEB_SLEB}, {0x93, "piece", O_ULEB}, {0x94, "deref_size", O_U8},
    {0x95, "xderef_size", O_U8}, {0x96, "nop", O_NONE},
};

const const_table tags = TABLE("TAG", tag_names, 0x4080, 0xffff);
const const_table attributes = TABLE("AT", attribute_names, 0x2000, 0x3fff);
const const_table forms = TABLE("FORM", form_names, 1, 0);
const const_table cfas = TABLE("CFA", cfa_names, 0x1c, 0x3f);
const const_table macinfos = TABLE("MACINFO", macinfo_names, 1, 0);
const const_table encodings = TABLE("ATE", encoding_names, 0x80, 0xff);
const const_table languages = TABLE("LANG", language_names, 0x8000, 0xffff);

std::string dwarf_const_name(const const_table &t, uint64_t value, bool with_prefix) {
  for (size_t k = 0; k < t.count; k++)
    if (t.names[k].value == value)
      return with_prefix ? std::string("DW_") + t.prefix + "_" + t.names[k].name : std::string(t.names[k].name);
  char text[64];
  snprintf(text, sizeof text, "?? 0x%08lX%s", (unsigned long)value,
           t.user_low <= t.user_high && value >= t.user_low && value <= t.user_high ? " (user-defined)" : "");
  return text;
}

struct found_section {
  bool present = false;
  uint64_t offset = 0, size = 0;
  std::vector<uint8_t> bytes;
};

struct dump_state {
  const std::vector<uint8_t> *file;
  found_section sections[DWARF_KIND_COUNT];
  unsigned address_size = 4;
  std::vector<uint64_t> stmt_lists;
};

dump_state *d;

bool address_size_ok(unsigned size) { return size == 1 || size == 2 || size == 4 || size == 8; }

// A bounded reader over one section's bytes.
struct cursor {
  const uint8_t *start, *p, *end;
  bool need(uint64_t n) const { return uint64_t(end - p) >= n; }
  uint64_t offset() const { return uint64_t(p - start); }
  uint64_t u8() { return need(1) ? *p++ : (p = end, 0); }
  uint64_t fixed(unsigned size) {
    if (!need(size)) {
      p = end;
      return 0;
    }
    uint64_t v = size == 1 ? *p : size == 2 ? get16(p) : size == 4 ? get32(p) : size == 8 ? get64(p) : 0;
    p += size;
    return v;
  }
  uint64_t uleb() { return uleb_get(&p, end); }
  int64_t sleb() { return sleb_get(&p, end); }
  std::string string() {
    const uint8_t *nul = static_cast<const uint8_t *>(memchr(p, 0, size_t(end - p)));
    std::string s(reinterpret_cast<const char *>(p), size_t((nul ? nul : end) - p));
    p = nul ? nul + 1 : end;
    return s;
  }
  // An address of the unit's size; another size is reported and nothing read.
  uint64_t address() {
    unsigned size = d->address_size;
    if (!address_size_ok(size)) {
      msg(MSG_ADDRESS_SIZE, size);
      return 0;
    }
    return fixed(size);
  }
};

cursor cursor_of(int kind) {
  const std::vector<uint8_t> &b = d->sections[kind].bytes;
  return {b.data(), b.data(), b.data() + b.size()};
}

bool dwarf_read_section(int kind) {
  found_section &s = d->sections[kind];
  if (!s.present) return false;
  const std::vector<uint8_t> &f = *d->file;
  if (s.offset > f.size() || s.size > f.size() - s.offset) {
    msg(MSG_SECTION_SHORT, dwarf_kinds[kind].name, dwarf_kinds[kind].description);
    s.present = false;
    return false;
  }
  s.bytes.assign(f.begin() + long(s.offset), f.begin() + long(s.offset + s.size));
  return true;
}

void release_section(int kind) { std::vector<uint8_t>().swap(d->sections[kind].bytes); }

// ---- location expressions ----

void print_expression(cursor c) {
  bool first = true;
  while (c.p < c.end) {
    unsigned op = unsigned(c.u8());
    std::string name;
    operand kind = O_NONE;
    if (op >= 0x30 && op <= 0x4f) {
      name = "lit" + std::to_string(op - 0x30);
    } else if (op >= 0x50 && op <= 0x6f) {
      name = "reg" + std::to_string(op - 0x50);
    } else if (op >= 0x70 && op <= 0x8f) {
      name = "breg" + std::to_string(op - 0x70);
      kind = O_SLEB;
    } else {
      name = "";
      for (const op_desc &o : op_table)
        if (o.value == op) {
          name = o.name;
          kind = o.kind;
        }
      if (name.empty()) {
        char text[32];
        snprintf(text, sizeof text, "?? 0x%02X%s", op, op >= 0xe0 ? " (user-defined)" : "");
        name = text;
      }
    }
    printf("%sDW_OP_%s", first ? "" : " ", name.c_str());
    first = false;
    switch (kind) {
      case O_ADDR: printf("(0x%08llX)", (unsigned long long)c.address()); break;
      case O_U8: printf("(%u)", unsigned(c.fixed(1))); break;
      case O_S8: printf("(%d)", int(int8_t(c.fixed(1)))); break;
      case O_U16: printf("(%u)", unsigned(c.fixed(2))); break;
      case O_S16: printf("(%d)", int(int16_t(c.fixed(2)))); break;
      case O_U32: printf("(%lu)", (unsigned long)c.fixed(4)); break;
      case O_S32: printf("(%ld)", long(int32_t(c.fixed(4)))); break;
      case O_U64: printf("(%llu)", (unsigned long long)c.fixed(8)); break;
      case O_S64: printf("(%lld)", (long long)c.fixed(8)); break;
      case O_ULEB: printf("(%llu)", (unsigned long long)c.uleb()); break;
      case O_SLEB: printf("(%lld)", (long long)c.sleb()); break;
      case O_ULEB_SLEB: {
        unsigned long long r = c.uleb();
        printf("(%llu, %lld)", r, (long long)c.sleb());
        break;
      }
      case O_NONE: break;
    }
  }
}

// ---- .debug_str, .debug_abbrev, .debug_info ----

void print_strings() {
  cursor c = cursor_of(DWARF_STR);
  while (c.p < c.end) {
    uint64_t at = c.offset();
    printf("0x%08lX: \"%s\"\n", (unsigned long)at, c.string().c_str());
  }
}

struct abbrev_decl {
  uint64_t tag;
  int children;
  std::vector<std::pair<uint64_t, uint64_t>> pairs;
};

// The declarations of one table, from its offset to its closing 0 code.
std::map<uint64_t, abbrev_decl> abbreviations_at(uint64_t offset) {
  std::map<uint64_t, abbrev_decl> table;
  cursor c = cursor_of(DWARF_ABBREV);
  c.p += offset < uint64_t(c.end - c.p) ? offset : uint64_t(c.end - c.p);
  while (c.p < c.end) {
    uint64_t code = c.uleb();
    if (!code) break;
    abbrev_decl a;
    a.tag = c.uleb();
    a.children = int(c.u8());
    while (c.p < c.end) {
      uint64_t attribute = c.uleb(), form = c.uleb();
      if (!attribute && !form) break;
      a.pairs.push_back({attribute, form});
    }
    table.emplace(code, a);
  }
  return table;
}

void print_abbreviations() {
  cursor c = cursor_of(DWARF_ABBREV);
  while (c.p < c.end) {
    uint64_t at = c.offset();
    uint64_t code = c.uleb();
    if (!code) continue;
    uint64_t tag = c.uleb();
    unsigned children = unsigned(c.u8());
    printf("\n@ 0x%08lX\n%5.5lu(%c): %s\n", (unsigned long)at, (unsigned long)code,
           children == 0 ? 'N' : children == 1 ? 'Y' : '?', dwarf_const_name(tags, tag, true).c_str());
    while (c.p < c.end) {
      uint64_t attribute = c.uleb(), form = c.uleb();
      if (!attribute && !form) break;
      printf("          %-30s %s\n", dwarf_const_name(attributes, attribute, true).c_str(),
             dwarf_const_name(forms, form, true).c_str());
    }
  }
}

const const_table *value_table_of(uint64_t attribute) {
  if (attribute == AT_ENCODING) return &encodings;
  if (attribute == AT_LANGUAGE) return &languages;
  return nullptr;
}

bool is_location(uint64_t attribute) {
  return attribute == AT_LOCATION || attribute == AT_FRAME_BASE || attribute == AT_DATA_MEMBER_LOCATION;
}

// One attribute value; false for a form that cannot be read.
bool print_value(cursor &c, uint64_t attribute, uint64_t form) {
  const const_table *named = value_table_of(attribute);
  uint64_t value = 0;
  bool number = true;
  char text[64] = "";
  switch (form) {
    case FORM_ADDR:
      value = c.address();
      snprintf(text, sizeof text, "0x%0*llX", int(2 * d->address_size), (unsigned long long)value);
      break;
    case 0x10:  // ref_addr: an address-sized offset in version 2
      value = c.address();
      snprintf(text, sizeof text, "0x%08llX", (unsigned long long)value);
      break;
    case FORM_DATA1:
    case 0x11:
      value = c.fixed(1);
      snprintf(text, sizeof text, "0x%02X", unsigned(value));
      break;
    case FORM_DATA2:
    case 0x12:
      value = c.fixed(2);
      snprintf(text, sizeof text, "0x%04X", unsigned(value));
      break;
    case FORM_DATA4:
    case FORM_REF4:
      value = c.fixed(4);
      snprintf(text, sizeof text, "0x%08lX", (unsigned long)value);
      break;
    case 0x07:
    case 0x14:
      value = c.fixed(8);
      snprintf(text, sizeof text, "0x%08llX", (unsigned long long)value);
      break;
    case 0x03:
    case 0x04:
    case 0x09:
    case FORM_BLOCK1: {
      uint64_t length = form == 0x03 ? c.fixed(2) : form == 0x04 ? c.fixed(4) : form == 0x09 ? c.uleb() : c.fixed(1);
      printf(form == 0x04 ? "0x%08llX" : form == FORM_BLOCK1 ? "0x%02llX" : "0x%04llX", (unsigned long long)length);
      if (!c.need(length)) length = uint64_t(c.end - c.p);
      cursor block = {c.start, c.p, c.p + length};
      if (is_location(attribute)) {
        printf(" (");
        print_expression(block);
        printf(")");
      } else {
        for (const uint8_t *b = block.p; b < block.end; b++) printf(" %02X", *b);
      }
      c.p += length;
      return true;
    }
    case FORM_STRING:
      printf("\"%s\"", c.string().c_str());
      return true;
    case FORM_FLAG:
      printf("%s", c.u8() ? "true" : "false");
      return true;
    case 0x0d: {
      int64_t v = c.sleb();
      value = uint64_t(v);
      snprintf(text, sizeof text, "%lld", (long long)v);
      break;
    }
    case FORM_UDATA:
      value = c.uleb();
      snprintf(text, sizeof text, "%llu", (unsigned long long)value);
      break;
    case 0x15:
      value = c.uleb();
      snprintf(text, sizeof text, "0x%08llX", (unsigned long long)value);
      break;
    case 0x0e: {
      uint64_t offset = c.fixed(4);
      const std::vector<uint8_t> &strings = d->sections[DWARF_STR].bytes;
      if (offset < strings.size() && memchr(strings.data() + offset, 0, strings.size() - offset))
        printf("\"%s\"", reinterpret_cast<const char *>(strings.data() + offset));
      else
        printf("?? Invalid string table offset: 0x%08lX", (unsigned long)offset);
      return true;
    }
    case 0x16: {
      uint64_t actual = c.uleb();
      printf("%s: ", dwarf_const_name(forms, actual, true).c_str());
      return actual != 0x16 && print_value(c, attribute, actual);
    }
    default:
      printf("?? Unknown form 0x%lX", (unsigned long)form);
      return false;
  }
  if (attribute == AT_STMT_LIST) d->stmt_lists.push_back(value);
  if (number && named)
    printf("%s (%s)", dwarf_const_name(*named, value, false).c_str(), text);
  else
    printf("%s", text);
  return true;
}

// The DIEs of one unit, from the cursor to the unit's end.
void print_dies(cursor &c, uint64_t unit_offset, const std::map<uint64_t, abbrev_decl> &table) {
  int depth = 0;
  while (c.p < c.end) {
    uint64_t at = c.offset();
    uint64_t code = c.uleb();
    std::string indent(size_t(2 * depth), ' ');
    if (!code) {
      if (depth == 0) {
        // Only padding may follow the unit's DIEs.
        while (c.p < c.end && *c.p == 0) c.p++;
        if (c.p < c.end) msg(MSG_UNIT_GAP);
        return;
      }
      printf("%s+<NULL ENTRY>\n", indent.c_str());
      depth--;
      continue;
    }
    auto found = table.find(code);
    if (found == table.end()) {
      msg(MSG_NO_ABBREV, (unsigned long)code);
      return;
    }
    const abbrev_decl &a = found->second;
    printf("%s+%s (%lu) @ 0x%lX (0x%lX)\n", indent.c_str(), dwarf_const_name(tags, a.tag, true).c_str(),
           (unsigned long)code, (unsigned long)(at - unit_offset), (unsigned long)at);
    for (const auto &pair : a.pairs) {
      printf("%s  %s ", indent.c_str(), dwarf_const_name(attributes, pair.first, true).c_str());
      bool ok = print_value(c, pair.first, pair.second);
      printf("\n");
      if (!ok) return;
    }
    if (a.children == 1) depth++;
  }
}

void print_info() {
  cursor c = cursor_of(DWARF_INFO);
  uint64_t abbrev_size = d->sections[DWARF_ABBREV].bytes.size();
  for (int number = 0; c.p < c.end; number++) {
    uint64_t at = c.offset();
    if (!c.need(11)) {
      msg(MSG_UNIT_SHORT, (unsigned long)(c.end - c.p));
      return;
    }
    uint64_t length = c.fixed(4);
    unsigned version = unsigned(c.fixed(2));
    uint64_t abbrev_offset = c.fixed(4);
    unsigned address_size = unsigned(c.fixed(1));
    printf("\nCompilation Unit %d @ 0x%08lX\n", number, (unsigned long)at);
    printf("size=%lu ver=0x%04X abbrev offset=0x%08lX, addrsize=%u\n\n", (unsigned long)length, version,
           (unsigned long)abbrev_offset, address_size);
    if (length < 7) {
      msg(MSG_UNIT_SHORT, (unsigned long)length);
      return;
    }
    if (abbrev_offset >= abbrev_size) {
      msg(MSG_ABBREV_OFFSET, (unsigned long)abbrev_offset);
      return;
    }
    if (!address_size_ok(address_size)) {
      msg(MSG_UNIT_ADDRESS_SIZE, address_size);
      return;
    }
    d->address_size = address_size;
    uint64_t end = at + 4 + length;
    cursor unit = {c.start, c.p, end <= uint64_t(c.end - c.start) ? c.start + end : c.end};
    print_dies(unit, at, abbreviations_at(abbrev_offset));
    c.p = unit.end;
  }
}

// ---- .debug_line ----

const char *const standard_opcodes[] = {"",           "copy",       "advance_pc",      "advance_line",
                                        "set_file",   "set_column", "negate_stmt",     "set_basic_block",
                                        "const_add_pc", "fixed_advance_pc"};

struct line_row {
  uint64_t address, file;
  int64_t line;
  long column;
  bool is_stmt, basic_block;
};

void print_rows(const std::vector<line_row> &rows) {
  printf("\nGenerated line number matrix:\n\n"
         "stmt    address   file        line        column      is_stmt      basic_block\n");
  for (size_t k = 0; k < rows.size(); k++) {
    const line_row &r = rows[k];
    printf("%5.5lu:  %016llX  %-10lu  %-10lld  %-10ld  %-5s        %-5s\n", (unsigned long)(k + 1),
           (unsigned long long)r.address, (unsigned long)r.file, (long long)r.line, r.column,
           r.is_stmt ? "true" : "false", r.basic_block ? "true" : "false");
  }
}

std::string time_text(uint64_t t) {
  if (!t) return "none";
  time_t when = time_t(t);
  char text[64];
  struct tm parts;
  if (!gmtime_r(&when, &parts) || !strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &parts)) return "?";
  return text;
}

void print_file_entry(cursor &c, long number, const char *lead) {
  std::string name = c.string();
  uint64_t dir = c.uleb(), when = c.uleb(), length = c.uleb();
  printf("%s%5ld.  \"%s\"\n           dir: %5lu, time: %s (0x%08lX), %lu %s\n", lead, number, name.c_str(),
         (unsigned long)dir, time_text(when).c_str(), (unsigned long)when, (unsigned long)length,
         length == 1 ? "byte" : "bytes");
}

void print_line_unit(uint64_t offset, unsigned group) {
  cursor c = cursor_of(DWARF_LINE);
  uint64_t size = uint64_t(c.end - c.start);
  if (offset >= size) {
    msg(MSG_LINE_OFFSET, (unsigned long)offset);
    return;
  }
  c.p += offset;
  if (!c.need(4)) {
    msg(MSG_LINE_PAST);
    return;
  }
  uint64_t length = c.fixed(4);
  if (length > uint64_t(c.end - c.p)) {
    msg(MSG_LINE_PAST);
    return;
  }
  c.end = c.p + length;
  printf("\nGroup %u @ 0x%08lX\n\n", group, (unsigned long)offset);
  if (length <= 13) {
    msg(MSG_LINE_SHORT, (unsigned long)length);
    return;
  }
  unsigned version = unsigned(c.fixed(2));
  uint64_t header_length = c.fixed(4);
  const uint8_t *program = c.p + (header_length < uint64_t(c.end - c.p) ? header_length : uint64_t(c.end - c.p));
  unsigned min_len = unsigned(c.u8()), default_is_stmt = unsigned(c.u8());
  int line_base = int8_t(c.u8());
  unsigned line_range = unsigned(c.u8()), opcode_base = unsigned(c.u8());
  printf("size=%lu ver=%u prolog=%lu\n", (unsigned long)length, version, (unsigned long)header_length);
  printf("min_len=%u def_stmt=%s line_base=%d line_range=%u opcode_base=%u\n", min_len,
         default_is_stmt ? "true" : "false", line_base, line_range, opcode_base);
  std::vector<unsigned> lengths(opcode_base > 0 ? opcode_base : 1, 0);
  if (opcode_base > 1 && !c.need(opcode_base - 1)) {
    msg(MSG_LINE_OPCODES);
    return;
  }
  printf("opcode lengths:");
  for (unsigned k = 1; k < opcode_base; k++) {
    lengths[k] = unsigned(c.u8());
    printf(k <= 9 ? " %u" : " %u(?)", lengths[k]);
  }
  printf("\nIncludes:\n");
  long count = 0;
  for (; c.p < program && *c.p; count++) printf("%5ld.  \"%s\"\n", count + 1, c.string().c_str());
  if (c.p >= program) {
    msg(MSG_LINE_LIST);
    return;
  }
  c.p++;
  if (!count) printf("        None\n");
  printf("Files:\n");
  for (count = 0; c.p < program && *c.p; count++) print_file_entry(c, count + 1, "");
  if (c.p >= program) {
    msg(MSG_LINE_LIST);
    return;
  }
  c.p++;
  if (!count) printf("        None\n");
  if (c.p != program)
    msg(MSG_LINE_HEADER, (unsigned long)(c.p - (program - header_length)), (unsigned long)header_length);
  c.p = program;
  if (!line_range) line_range = 1;
  line_row state = {0, 1, 1, 0, default_is_stmt != 0, false};
  std::vector<line_row> rows;
  long sequence = 0;
  bool begun = false;
  while (c.p < c.end) {
    if (!begun) {
      printf("\n\nStatement program sequence %ld\n\n", ++sequence);
      begun = true;
    }
    printf("%5.5lu:  ", (unsigned long)c.offset());
    unsigned op = unsigned(c.u8());
    if (op >= opcode_base) {
      unsigned adjusted = op - opcode_base;
      int64_t line_advance = line_base + int64_t(adjusted % line_range);
      uint64_t address_advance = uint64_t(adjusted / line_range) * min_len;
      char name[64];
      snprintf(name, sizeof name, "SPECIAL(line=%lld, addr=%lld)", (long long)line_advance,
               (long long)address_advance);
      printf("%-24s\n", name);
      state.address += address_advance;
      state.line += line_advance;
      rows.push_back(state);
      state.basic_block = false;
      continue;
    }
    if (op == 0) {
      uint64_t size_of = c.uleb();
      const uint8_t *next = c.p + (size_of < uint64_t(c.end - c.p) ? size_of : uint64_t(c.end - c.p));
      unsigned sub = size_of ? unsigned(c.u8()) : 0;
      if (sub == LNE_END_SEQUENCE) {
        printf("%-24s\n", "end_sequence");
        rows.push_back(state);
        print_rows(rows);
        rows.clear();
        state = {0, 1, 1, 0, default_is_stmt != 0, false};
        begun = false;
      } else if (sub == LNE_SET_ADDRESS) {
        unsigned saved = d->address_size;
        d->address_size = size_of > 1 && size_of - 1 <= 8 ? unsigned(size_of - 1) : saved;
        state.address = c.address();
        d->address_size = saved;
        printf("%-24s: 0x%016llX\n", "set_address", (unsigned long long)state.address);
      } else if (sub == 3) {
        printf("%-24s", "define_file");
        printf(": ");
        print_file_entry(c, 0, "");
      } else {
        printf("%-24s: %llu args\n", "?? extended", (unsigned long long)size_of);
      }
      c.p = next;
      continue;
    }
    const char *name = op <= 9 ? standard_opcodes[op] : "??";
    printf("%-24s", name);
    switch (op) {
      case LNS_COPY:
        printf("\n");
        rows.push_back(state);
        state.basic_block = false;
        break;
      case LNS_ADVANCE_PC: {
        uint64_t v = c.uleb();
        printf(": %llu\n", (unsigned long long)v);
        state.address += v * min_len;
        break;
      }
      case LNS_ADVANCE_LINE: {
        int64_t v = c.sleb();
        printf(": %lld\n", (long long)v);
        state.line += v;
        break;
      }
      case LNS_SET_FILE:
        state.file = c.uleb();
        printf(": %llu\n", (unsigned long long)state.file);
        break;
      case 5:
        state.column = long(c.uleb());
        printf(": %ld\n", state.column);
        break;
      case 6:
        state.is_stmt = !state.is_stmt;
        printf("\n");
        break;
      case 7:
        state.basic_block = true;
        printf("\n");
        break;
      case LNS_CONST_ADD_PC:
        state.address += uint64_t((255 - opcode_base) / line_range) * min_len;
        printf("\n");
        break;
      case 9: {
        uint64_t v = c.fixed(2);
        printf(": %llu\n", (unsigned long long)v);
        state.address += v;
        break;
      }
      default:
        printf(": %u args\n", lengths[op]);
        for (unsigned k = 0; k < lengths[op]; k++) c.uleb();
        break;
    }
  }
  if (!rows.empty()) print_rows(rows);
}

void print_lines() {
  std::vector<uint64_t> offsets = d->stmt_lists;
  std::sort(offsets.begin(), offsets.end());
  offsets.erase(std::unique(offsets.begin(), offsets.end()), offsets.end());
  unsigned group = 0;
  for (uint64_t offset : offsets) print_line_unit(offset, group++);
}

// ---- .debug_frame ----

struct cie_info {
  uint64_t code_align = 1;
  int64_t data_align = 1;
};

void print_cfa(cursor c, const cie_info &cie, bool fde, uint64_t location) {
  while (c.p < c.end) {
    unsigned op = unsigned(c.u8());
    unsigned high = op & 0xC0, low = op & 0x3F;
    printf("        ");
    if (high == 0x40) {
      location += low * cie.code_align;
      printf("DW_CFA_advance_loc(%u", low);
      if (fde) printf(", loc -> 0x%08llX", (unsigned long long)location);
    } else if (high == 0x80) {
      printf("DW_CFA_offset(r%u, %lld", low, (long long)(int64_t(c.uleb()) * cie.data_align));
    } else if (high == 0xC0) {
      printf("DW_CFA_restore(r%u", low);
    } else {
      if (low > 14) {
        msg(MSG_CFA_OPCODE, low);
        return;
      }
      printf("%s", dwarf_const_name(cfas, low, true).c_str());
      switch (low) {
        case 0x01:
          location = c.address();
          printf("(0x%08llX", (unsigned long long)location);
          break;
        case 0x02:
        case 0x03:
        case 0x04: {
          uint64_t advance = c.fixed(low == 2 ? 1 : low == 3 ? 2 : 4);
          location += advance * cie.code_align;
          printf("(%llu", (unsigned long long)advance);
          if (fde) printf(", loc -> 0x%08llX", (unsigned long long)location);
          break;
        }
        case 0x05: {
          unsigned long long r = c.uleb();
          printf("(r%llu, %lld", r, (long long)(int64_t(c.uleb()) * cie.data_align));
          break;
        }
        case 0x06:
        case 0x07:
        case 0x08:
        case 0x0d:
          printf("(r%llu", (unsigned long long)c.uleb());
          break;
        case 0x09: {
          unsigned long long r = c.uleb();
          printf("(r%llu, r%llu", r, (unsigned long long)c.uleb());
          break;
        }
        case 0x0c: {
          unsigned long long r = c.uleb();
          printf("(r%llu, %lld", r, (long long)c.uleb());
          break;
        }
        case 0x0e:
          printf("(%lld", (long long)c.uleb());
          break;
        default:
          printf("(");
          break;
      }
    }
    printf(")\n");
  }
}

void print_frames() {
  cursor c = cursor_of(DWARF_FRAME);
  std::map<uint64_t, cie_info> cies;
  while (c.need(4)) {
    uint64_t at = c.offset();
    uint64_t size = c.fixed(4);
    if (size > uint64_t(c.end - c.p)) {
      msg(MSG_FRAME_PAST, (unsigned long)size);
      return;
    }
    cursor entry = {c.start, c.p, c.p + size};
    c.p = entry.end;
    uint64_t id = size >= 4 ? entry.fixed(4) : 0;
    if (id == 0xFFFFFFFF) {
      printf("\nCommon Information Entry @ 0x%08lX\n", (unsigned long)at);
      if (size <= 6) {
        msg(MSG_CIE_SHORT, (unsigned long)size);
        continue;
      }
      unsigned version = unsigned(entry.u8());
      printf("size=%lu ver=%u\nAugmentation: ", (unsigned long)size, version);
      std::string augmentation = entry.string();
      if (!augmentation.empty()) {
        printf("\"%s\" (unknown)\n", augmentation.c_str());
        continue;
      }
      cie_info cie;
      cie.code_align = entry.uleb();
      cie.data_align = entry.sleb();
      unsigned column = unsigned(entry.u8());
      printf("None\ncode align=%llu, data align=%lld, return col=%d\n", (unsigned long long)cie.code_align,
             (long long)cie.data_align, int(column));
      if (entry.p > entry.end) {
        msg(MSG_CIE_PAST);
        continue;
      }
      cies[at] = cie;
      print_cfa(entry, cie, false, 0);
    } else {
      printf("\nFrame Description Entry @ 0x%08lX\n", (unsigned long)at);
      if (size <= 8) {
        msg(MSG_FDE_SHORT, (unsigned long)size);
        continue;
      }
      if (id >= uint64_t(c.end - c.start)) {
        msg(MSG_FDE_CIE_OUTSIDE, (unsigned long)id);
        continue;
      }
      auto cie = cies.find(id);
      if (cie == cies.end()) {
        msg(MSG_FDE_NOT_CIE, 0xFFFFFFFFul);
        continue;
      }
      uint64_t start = entry.address(), range = entry.address();
      printf("size=%lu CIE_pointer=0x%08lX", (unsigned long)size, (unsigned long)id);
      printf(" location range=0x%08llX..0x%08llX\n", (unsigned long long)start, (unsigned long long)(start + range));
      if (entry.p > entry.end) {
        msg(MSG_FDE_PAST);
        continue;
      }
      print_cfa(entry, cie->second, true, start);
    }
  }
}

// ---- name, range, macro and location tables ----

// The next set of a table of sets, its heading printed: a cursor over its
// bytes after the length; false (reported) when it is too short or runs past.
bool next_set(cursor &c, int set, uint64_t minimum, unsigned message, cursor *s) {
  uint64_t at = c.offset(), size = c.fixed(4);
  printf("\nSet %d @ 0x%08lX\n", set, (unsigned long)at);
  if (size + 4 < minimum || size > uint64_t(c.end - c.p)) {
    msg(message, (unsigned long)size);
    return false;
  }
  *s = {c.start, c.p, c.p + size};
  c.p = s->end;
  return true;
}

void print_pubnames() {
  cursor c = cursor_of(DWARF_PUBNAMES), s;
  for (int set = 0; c.need(4); set++) {
    if (!next_set(c, set, 20, MSG_PUBNAMES_SHORT, &s)) return;
    uint64_t size = uint64_t(s.end - s.p);
    unsigned version = unsigned(s.fixed(2));
    uint64_t info = s.fixed(4), info_size = s.fixed(4);
    printf("size=%lu, ver=%u, offs=0x%08lX, debug size=%lu\n", (unsigned long)size, version, (unsigned long)info,
           (unsigned long)info_size);
    while (s.need(4)) {
      uint64_t die = s.fixed(4);
      if (!die) break;
      printf("  0x%08lX: \"%s\"\n", (unsigned long)die, s.string().c_str());
    }
  }
}

void print_aranges() {
  cursor c = cursor_of(DWARF_ARANGES), s;
  for (int set = 0; c.need(4); set++) {
    if (!next_set(c, set, 10, MSG_ARANGES_SHORT, &s)) return;
    uint64_t size = uint64_t(s.end - s.p), at = uint64_t(s.p - c.start) - 4;
    unsigned version = unsigned(s.fixed(2));
    uint64_t info = s.fixed(4);
    unsigned address_size = unsigned(s.u8()), segment_size = unsigned(s.u8());
    printf("size=%lu, ver=%u, offs=0x%08lX", (unsigned long)size, version, (unsigned long)info);
    printf(" addrsize=%u, segsize=%u%s\n", address_size, segment_size, segment_size ? "" : " (flat)");
    if (!address_size_ok(address_size)) {
      msg(MSG_ADDRESS_SIZE, address_size);
      continue;
    }
    // Tuples start at a multiple of twice the address size.
    uint64_t pair = 2 * uint64_t(address_size);
    uint64_t from_start = uint64_t(s.p - c.start) - at;
    s.p += (pair - from_start % pair) % pair < uint64_t(s.end - s.p) ? (pair - from_start % pair) % pair : 0;
    unsigned saved = d->address_size;
    d->address_size = address_size;
    while (s.need(pair)) {
      uint64_t start = s.address(), length = s.address();
      if (!start && !length) break;
      printf("  0x%08llX..0x%08llX\n", (unsigned long long)start, (unsigned long long)(start + length));
    }
    d->address_size = saved;
  }
}

void print_macinfo() {
  cursor c = cursor_of(DWARF_MACINFO);
  while (c.p < c.end) {
    unsigned type = unsigned(c.u8());
    if (!type) continue;
    printf("  %s", dwarf_const_name(macinfos, type, true).c_str());
    if (type == 1 || type == 2 || type == 255) {
      long long line = (long long)c.uleb();
      printf("(%lld, \"%s\")", line, c.string().c_str());
    } else if (type == 3) {
      long long line = (long long)c.uleb();
      printf("(%lld, %lld)", line, (long long)c.uleb());
    }
    printf("\n");
  }
}

void print_locations() {
  cursor c = cursor_of(DWARF_LOC);
  unsigned size = d->address_size;
  if (!address_size_ok(size)) return;
  for (int set = 0; c.p < c.end; set++) {
    printf("\nSet %d @ 0x%08lX\n", set, (unsigned long)c.offset());
    while (c.need(2 * size)) {
      uint64_t start = c.address(), end = c.address();
      if (!start && !end) break;
      unsigned length = unsigned(c.fixed(2));
      printf("range=0x%08lX..0x%08lX size=%u\n", (unsigned long)start, (unsigned long)end, length);
      if (!c.need(length)) {
        msg(MSG_LOC_PAST);
        return;
      }
      printf("  ");
      print_expression({c.start, c.p, c.p + length});
      printf("\n");
      c.p += length;
    }
  }
}

void print_heading_only() {}

void (*const printers[DWARF_KIND_COUNT])() = {
    print_strings, print_abbreviations, print_info,  print_lines,  print_frames,      print_pubnames,
    print_heading_only, print_aranges, print_macinfo, print_locations, print_heading_only,
};

void dwarf_dump_section(int kind) {
  printf("\n");
  const dwarf_kind_desc &k = dwarf_kinds[kind];
  if (!d->sections[kind].present) {
    printf("No %s (from %s)\n", k.description, k.name);
    return;
  }
  printf("%c%s (%s):\n", toupper(uint8_t(k.description[0])), k.description + 1, k.name);
  printers[kind]();
}

}  // namespace

void dwarf_dump(const std::vector<uint8_t> &file, const std::vector<dwarf_elf_section> &sections) {
  dump_state state;
  d = &state;
  d->file = &file;
  for (const dwarf_elf_section &s : sections) {
    if (!s.valid) {
      msg_report_hooked("W", "Invalid ELF section header. Skipping.");
      continue;
    }
    if (s.name.empty()) continue;
    for (int k = 0; k < DWARF_KIND_COUNT; k++)
      if (s.name == dwarf_kinds[k].name) {
        d->sections[k].present = true;
        d->sections[k].offset = s.offset;
        d->sections[k].size = s.size;
      }
  }
  if (!d->sections[DWARF_INFO].present) {
    printf("\n\nNo DWARF found");
    d = nullptr;
    return;
  }
  printf("\n\nDWARF:");
  if (!d->sections[DWARF_ABBREV].present) {
    msg(MSG_NO_ABBREV_SECTION);
    d = nullptr;
    return;
  }
  dwarf_read_section(DWARF_STR);
  if (settings.verbosity >= 1) dwarf_dump_section(DWARF_STR);
  dwarf_read_section(DWARF_ABBREV);
  dwarf_dump_section(DWARF_ABBREV);
  dwarf_read_section(DWARF_INFO);
  dwarf_dump_section(DWARF_INFO);
  release_section(DWARF_ABBREV);
  release_section(DWARF_STR);
  release_section(DWARF_INFO);
  if (d->stmt_lists.empty()) {
    printf("\nNo references to line number information");
  } else {
    dwarf_read_section(DWARF_LINE);
    dwarf_dump_section(DWARF_LINE);
    release_section(DWARF_LINE);
  }
  for (int kind = DWARF_FRAME; kind < DWARF_KIND_COUNT; kind++) {
    dwarf_read_section(kind);
    dwarf_dump_section(kind);
    release_section(kind);
  }
  d = nullptr;
}
