#include "parser/types.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include "common/alert.h"
#include "common/alloc.h"
#include "parser/expressions.h"
#include "parser/parsk.h"
#include "parser/symbols.h"

qual_entry qual_table[32];
uint32_t qual_roles[ROLE_COUNT];
uint32_t qual_auto_allowed;
uint32_t qual_copy_quals;
bool fastcall_mode;

namespace {

struct size_entry {
  uint32_t code;
  uint32_t size;
  int32_t max;
};

size_entry size_table[8];
uint32_t pointer_size;  // 0: the index type's size

const char *const role_names[] = {
    "interrupt", "compact", "large", "small", "far", "near", "persistent",
    "using", "reentrant", "bank1", "bank2", "bank3", "__sfr", "inline",
};

std::vector<qual_keyword *> keywords;

int32_t max_for_size(uint32_t size) {
  if (size >= 4) return 0x7fffffff;
  return (int32_t)((1u << (size * 8 - 1)) - 1);
}

void set_role(const char *name, uint32_t bit) {
  for (int i = 0; i < ROLE_COUNT - 1; i++)
    if (!strcmp(name, role_names[i])) qual_roles[i] = bit;
  if (!strncmp(name, "__fastcall16", 12)) {
    qual_roles[ROLE_FASTCALL] = bit;
    fastcall_mode = true;
  }
}

}  // namespace

void types_init() {
  memset(qual_table, 0, sizeof qual_table);
  memset(qual_roles, 0, sizeof qual_roles);
  qual_table[0] = {"const", 'C', QF_READONLY, 0, 1u << 0};
  qual_table[1] = {"volatile", 'V', 0, 0, 1u << 1};
  static const size_entry defaults[8] = {
      {TC_CHAR, 1, 127},       {TC_SHORT, 2, 0x7fff}, {TC_INT, 2, 0x7fff},
      {TC_SHORTLONG, 3, 0x7fffff}, {TC_LONG, 4, 0x7fffffff}, {TC_INDEX, 2, 0x7fff},
      {TC_FLOAT, 4, 0},        {TC_DOUBLE, 8, 0},
  };
  memcpy(size_table, defaults, sizeof size_table);
  pointer_size = 0;
  fastcall_mode = false;
}

void types_release() {
  for (qual_keyword *kw : keywords) {
    xfree(kw->name);
    xfree(kw->pattern);
    xfree(kw);
  }
  keywords.clear();
  for (int i = 2; i < 32; i++)
    if (qual_table[i].name) xfree((void *)qual_table[i].name);
  memset(qual_table, 0, sizeof qual_table);
}

void qual_define(const char *spec) {
  const char *comma = strchr(spec, ',');
  if (!spec[0] || !comma || !comma[1]) {
    msg(233, spec);
    return;
  }
  char letter = spec[0];
  uint8_t flags = 0, size = 0;
  for (const char *p = spec + 1; p < comma; p++) {
    if (*p == 'i') flags |= QF_EXACT;
    else if (*p == 'u') flags |= QF_SILENT;
    else if (*p == 'm') flags |= QF_READONLY;
    else if (*p >= '0' && *p <= '9') size = (uint8_t)(size * 10 + (*p - '0'));
  }
  const char *name = comma + 1;
  if (popt.strict && !strncmp(name, "__", 2)) name += 2;
  for (auto &q : qual_table) {
    if (q.name && q.letter == letter && !strcmp(q.name, name)) {
      // A built-in qualifier keeps its meaning (const stays read-only).
      q.flags = (uint8_t)(flags | (q.bit == 1u ? QF_READONLY : 0));
      q.ptr_size = size;
      set_role(name, q.bit);
      return;
    }
  }
  int slot = -1;
  for (int i = 0; i < 32; i++)
    if (!qual_table[i].name) {
      slot = i;
      break;
    }
  if (slot < 0) {
    msg(307, name);
    return;
  }
  uint32_t bit = 1u << slot;
  for (auto &q : qual_table)
    if (q.name && q.letter == letter) bit = q.bit;
  qual_table[slot] = {str_dup(name), letter, flags, size, bit};
  set_role(name, bit);
}

uint32_t qual_lookup(const char *name) {
  if (!strcmp(name, "const")) return qual_table[0].bit;
  if (!strcmp(name, "volatile")) return qual_table[1].bit;
  if (popt.strict) {
    if (strncmp(name, "__", 2)) return 0;
    name += 2;
  }
  for (auto &q : qual_table) {
    if (!q.name || strcmp(q.name, name)) continue;
    if (q.bit == qual_roles[ROLE_INLINE] && q.bit) msg(1324, name);
    uint32_t bits = q.bit;
    if (popt.far_persistent && bits == qual_roles[ROLE_PERSISTENT]) bits |= qual_roles[ROLE_FAR];
    return bits;
  }
  return 0;
}

uint32_t qual_list(const char *list, unsigned unknown_msg, unsigned empty_msg) {
  if (!list || !*list) {
    msg(empty_msg);
    return 0;
  }
  uint32_t bits = 0;
  std::string item;
  for (const char *p = list;; p++) {
    if (*p == ',' || !*p) {
      if (!item.empty()) {
        uint32_t b = qual_lookup(item.c_str());
        if (!b) msg(unknown_msg, item.c_str());
        bits |= b;
      }
      item.clear();
      if (!*p) break;
    } else {
      item += *p;
    }
  }
  return bits;
}

const qual_entry *qual_by_bit(uint32_t bit) {
  for (auto &q : qual_table)
    if (q.name && q.bit == bit) return &q;
  return nullptr;
}

uint32_t qual_readonly_bits() {
  uint32_t bits = 0;
  for (auto &q : qual_table)
    if (q.name && (q.flags & QF_READONLY)) bits |= q.bit;
  return bits;
}

void keyword_define(const char *spec) {
  while (*spec == ' ') spec++;
  if (!*spec) {
    msg(1321);
    return;
  }
  std::string name;
  while (*spec && *spec != ' ') name += *spec++;
  if (keyword_find(name.c_str())) {
    msg(1320, name.c_str());
    return;
  }
  auto *kw = (qual_keyword *)xalloc(sizeof(qual_keyword));
  kw->name = str_dup(name.c_str());
  std::string pattern;
  while (*spec) {
    while (*spec == ' ') spec++;
    std::string item;
    while (*spec && *spec != ' ') item += *spec++;
    if (item.empty()) break;
    if (item[0] == 'Q') {
      uint32_t b = qual_lookup(item.c_str() + 1);
      if (!b) msg(1322, item.c_str() + 1);
      kw->bits |= b;
    } else {
      if (!pattern.empty()) pattern += ',';
      pattern += item;
    }
  }
  kw->pattern = str_dup(pattern.c_str());
  keywords.push_back(kw);
}

qual_keyword *keyword_find(const char *name) {
  if (keywords.empty()) return nullptr;
  std::string n = name;
  if (n.size() > 4 && n.compare(0, 2, "__") == 0 && n.compare(n.size() - 2, 2, "__") == 0)
    n = n.substr(2, n.size() - 4);
  else if (n.size() > 2 && n.compare(0, 2, "__") == 0)
    n = n.substr(2);
  for (auto *kw : keywords)
    if (n == kw->name || std::string(name) == kw->name) return kw;
  return nullptr;
}

void size_table_set(const char *list) {
  int entry = 0;
  const char *p = list;
  while (*p) {
    const char *end = strchr(p, ',');
    std::string item = end ? std::string(p, end) : std::string(p);
    if (!item.empty() && (item[0] == 'p' || item[0] == 'P')) {
      pointer_size = (uint32_t)atoi(item.c_str() + 1);
    } else {
      if (entry == 3 && !popt.short_long) entry++;
      if (entry < 8) {
        uint32_t size = (uint32_t)atoi(item.c_str());
        if (!size) {
          msg(210, item.c_str());
        } else {
          size_table[entry].size = size;
          size_table[entry].max = max_for_size(size);
        }
        entry++;
      }
    }
    if (!end) break;
    p = end + 1;
  }
}

static size_entry *size_entry_for(uint32_t code) {
  switch (code) {
    case 4: case 5: return &size_table[0];
    case 6: case 7: return &size_table[1];
    case 8: case 9: case 22: return &size_table[2];
    case 10: case 11: return &size_table[3];
    case 12: case 13: case 14: case 15: return &size_table[4];
    case 16: case 17: return &size_table[5];
    case 18: return &size_table[6];
    case 20: return &size_table[7];
    default: return nullptr;
  }
}

uint32_t size_of_code(uint32_t code) {
  if (code == TC_BIT) {
    msg(211);
    return 0;
  }
  if (code == TC_POINTER) return pointer_size ? pointer_size : size_table[5].size;
  size_entry *e = size_entry_for(code);
  if (!e) return 0;
  if ((code == 14 || code == 15) && popt.long_long) return e->size * 2;
  return e->size;
}

int32_t size_max_signed(uint32_t code) {
  size_entry *e = size_entry_for(code);
  if (!e) return 0x7fffffff;
  if ((code == 14 || code == 15) && popt.long_long) return 0x7fffffff;
  if (code == 4 || code == 5) return e->size == 1 ? 127 : e->max;
  return e->max;
}

type_t type_plain(uint32_t code) {
  type_t t{};
  t.code = code;
  t.count = -1;
  return t;
}

int type_ptr_count(uint16_t word) {
  int n = 0;
  while (word) {
    n++;
    word >>= 1;
  }
  return n;
}

type_t type_strip(const type_t &t) {
  type_t r = t;
  int guard = 0;
  while (r.kind == TK_NONE && r.ptr == 0 && r.code == TC_TYPEDEF && r.base && guard++ < 1000) {
    uint32_t quals = r.quals;
    r = r.base->type;
    // On a pointer typedef the qualifiers are the pointer's own, which
    // checks of the value do not look at.
    if (r.kind == TK_NONE && r.ptr == 0) r.quals |= quals;
  }
  return r;
}

bool type_is_void(const type_t &t) {
  type_t s = type_strip(t);
  return s.kind == TK_NONE && s.ptr == 0 && s.code == TC_VOID;
}

bool type_is_pointer(const type_t &t) {
  type_t s = type_strip(t);
  return s.kind == TK_NONE && s.ptr != 0;
}

bool type_is_function(const type_t &t) {
  type_t s = type_strip(t);
  return s.kind == TK_FUNCTION;
}

bool type_is_array(const type_t &t) {
  type_t s = type_strip(t);
  return s.kind == TK_ARRAY;
}

bool type_is_integral(const type_t &t) {
  type_t s = type_strip(t);
  if (s.kind || s.ptr) return false;
  return (s.code >= TC_BIT && s.code <= TC_UINDEX) || s.code == TC_ENUM;
}

bool type_is_float(const type_t &t) {
  type_t s = type_strip(t);
  return !s.kind && !s.ptr && (s.code == TC_FLOAT || s.code == TC_DOUBLE);
}

bool type_is_arith(const type_t &t) { return type_is_integral(t) || type_is_float(t); }

bool type_is_scalar(const type_t &t) { return type_is_arith(t) || type_is_pointer(t); }

bool type_is_struct(const type_t &t) {
  type_t s = type_strip(t);
  return !s.kind && !s.ptr && (s.code == TC_STRUCT || s.code == TC_UNION);
}

bool type_is_unsigned(const type_t &t) {
  type_t s = type_strip(t);
  if (s.ptr) return true;
  return s.code < TC_FLOAT && (s.code & 1);
}

bool type_add_pointer(type_t &t) {
  if (t.ptr & 0x8000) {
    msg(256);
    return false;
  }
  t.ptr = (uint16_t)((t.ptr << 1) | 1);
  return true;
}

type_t type_deref(const type_t &t) {
  type_t s = type_strip(t);
  if (s.kind == TK_ARRAY) return type_element(s);
  if (!s.ptr) {
    msg(981);
    return s;
  }
  s.ptr >>= 1;
  return s;
}

type_t type_element(const type_t &t) {
  type_t s = type_strip(t);
  if (s.kind != TK_ARRAY) return s;
  s.kind = TK_NONE;
  s.dim = nullptr;
  s.count = -1;
  return s;
}

type_t type_result(const type_t &t) {
  type_t s = type_strip(t);
  if (s.kind != TK_FUNCTION) return s;
  s.kind = TK_NONE;
  s.params = nullptr;
  s.old_style = 0;
  return s;
}

type_t type_index(bool is_unsigned) { return type_plain(is_unsigned ? TC_UINDEX : TC_INDEX); }

static uint32_t pointer_bytes(const type_t &ptr) {
  for (auto &q : qual_table)
    if (q.name && (ptr.quals & q.bit) && q.ptr_size) return q.ptr_size;
  return size_of_code(TC_POINTER);
}

type_t type_address(const type_t &ptr) {
  uint32_t size = pointer_bytes(type_strip(ptr));
  for (auto &q : qual_table)
    if (q.name && (ptr.quals & q.bit) && q.ptr_size) {
      static const uint32_t codes[] = {TC_UCHAR, TC_USHORT, TC_UINT, TC_ULONG};
      for (uint32_t c : codes)
        if (size_of_code(c) == size) return type_plain(c);
      msg(293, q.name);
      break;
    }
  return type_index(true);
}

type_t type_size_type() {
  static int cached = -1;
  if (cached < 0) {
    cached = TC_UINT;
    for (auto &q : qual_table)
      if (q.name && q.ptr_size && q.ptr_size == size_of_code(TC_LONG)) cached = TC_ULONG;
  }
  return type_plain((uint32_t)cached);
}

uint32_t type_size(const type_t &t) {
  type_t s = type_strip(t);
  if (s.kind == TK_ARRAY) {
    if (s.count <= 0) return 0;
    return type_size(type_element(s)) * (uint32_t)s.count;
  }
  if (s.kind == TK_FUNCTION) return 0;
  if (s.ptr) return pointer_bytes(s);
  switch (s.code) {
    case TC_STRUCT:
    case TC_UNION: {
      uint32_t total = 0;
      for (symbol *m = s.base ? s.base->first : nullptr; m; m = m->next) {
        uint32_t ms = type_size(m->type);
        if (s.code == TC_UNION) total = ms > total ? ms : total;
        else total += ms;
      }
      return total;
    }
    case TC_TYPEDEF:
      return s.base ? type_size(s.base->type) : 0;
    case TC_VOID:
    case TC_ELLIPSIS:
      return 0;
    default:
      return size_of_code(s.code);
  }
}

bool type_size_is_constant(const type_t &t) {
  type_t s = type_strip(t);
  if (s.kind == TK_ARRAY) return s.count > 0 && type_size_is_constant(type_element(s));
  if (s.kind || s.ptr || s.quals) return false;
  return s.code >= TC_CHAR && s.code <= TC_UINDEX;
}

// A type unrolled into levels from the outermost inwards, typedefs expanded.
namespace {

enum { LV_ARRAY, LV_FUNC, LV_PTR, LV_BASE };

struct level {
  int kind;
  uint32_t quals;
  const type_t *owner;  // array/function: the type object holding the data
  uint32_t code;
  symbol *tag;
};

void unroll(const type_t &t, uint32_t extra_quals, std::vector<level> &out, int depth = 0) {
  size_t first = out.size();
  if (t.kind == TK_ARRAY) out.push_back({LV_ARRAY, 0, &t, 0, nullptr});
  else if (t.kind == TK_FUNCTION) out.push_back({LV_FUNC, 0, &t, 0, nullptr});
  for (int i = type_ptr_count(t.ptr); i > 0; i--) out.push_back({LV_PTR, 0, nullptr, 0, nullptr});
  if (t.code == TC_TYPEDEF && t.base && depth < 64) {
    unroll(t.base->type, t.quals, out, depth + 1);
  } else {
    out.push_back({LV_BASE, t.quals, nullptr, t.code, t.base});
  }
  if (extra_quals && first < out.size()) out[first].quals |= extra_quals;
}

bool params_equal(const type_t &a, const type_t &b, bool allow_missing) {
  if (!a.params || !b.params) return allow_missing || a.params == b.params;
  if (a.params->count != b.params->count) return false;
  for (uint32_t i = 0; i < a.params->count; i++)
    if (!type_equal(a.params->types[i], b.params->types[i], false)) return false;
  return true;
}

bool levels_equal(const std::vector<level> &la, size_t ia, const std::vector<level> &lb, size_t ib,
                  bool allow_missing, bool check_top_quals) {
  if (la.size() - ia != lb.size() - ib) return false;
  for (; ia < la.size(); ia++, ib++) {
    const level &x = la[ia], &y = lb[ib];
    if (x.kind != y.kind) return false;
    bool top = !check_top_quals;
    check_top_quals = true;
    if (!top && x.quals != y.quals) return false;
    if (x.kind == LV_FUNC && !params_equal(*x.owner, *y.owner, allow_missing)) return false;
    if (x.kind == LV_BASE) {
      if (x.code != y.code) return false;
      if ((x.code == TC_ENUM || x.code == TC_STRUCT || x.code == TC_UNION) && x.tag != y.tag)
        return false;
    }
  }
  return true;
}

}  // namespace

bool type_equal(const type_t &a, const type_t &b, bool allow_missing) {
  std::vector<level> la, lb;
  unroll(a, 0, la);
  unroll(b, 0, lb);
  bool top_quals = !la.empty() && la[0].kind == LV_FUNC;
  return levels_equal(la, 0, lb, 0, allow_missing, top_quals);
}

bool type_ptr_compatible(const type_t &a, const type_t &b) {
  std::vector<level> la, lb;
  unroll(a, 0, la);
  unroll(b, 0, lb);
  size_t i = 1;
  if (la.empty() || lb.empty() || la[0].kind != LV_PTR || lb[0].kind != LV_PTR) return false;
  while (i < la.size() && i < lb.size()) {
    if (!qual_compatible(la[i].quals, lb[i].quals)) return false;
    if (la[i].kind != LV_PTR || lb[i].kind != LV_PTR) break;
    i++;
  }
  if (i >= la.size() || i >= lb.size()) return false;
  return levels_equal(la, i, lb, i, true, false);
}

bool qual_compatible(uint32_t target, uint32_t source) {
  if (target == source) return true;
  uint32_t u_bits = 0, i_bits = 0;
  for (auto &q : qual_table) {
    if (!q.name) continue;
    if (q.flags & QF_SILENT) u_bits |= q.bit;
    if (q.flags & QF_EXACT) i_bits |= q.bit;
  }
  bool u_involved = (source & u_bits) || (source == 0 && (target & u_bits));
  if (target & ~source & i_bits) return false;
  if ((source & ~target & i_bits) && !u_involved) return false;
  uint32_t cv = qual_table[0].bit | qual_table[1].bit;
  if (source & cv & ~target) return false;
  uint32_t near = qual_roles[ROLE_NEAR], far = qual_roles[ROLE_FAR];
  if (near && (target & near) && !(source & near)) return false;
  if (far && (source & far) && !(target & far) && !u_involved) {
    const qual_entry *fq = qual_by_bit(far);
    if (!fq || fq->ptr_size != size_of_code(TC_POINTER)) return false;
  }
  uint32_t intr = qual_roles[ROLE_INTERRUPT];
  if (intr && ((target ^ source) & intr)) return false;
  return true;
}

// Texts.

static const char *type_name_of(uint32_t code) {
  switch (code & ~1u) {
    case 2: return "boolean";
    case 4: return "char";
    case 6: return "short";
    case 8: return "int";
    case 10: return "short long";
    case 12: return "long";
    case 14: return "long long";
    case 16: return "index";
    case 18: return "float";
    case 20: return "double";
    case 24: return "void";
    case 28: return "...";
    case 0: return "????";
    default: return "???";
  }
}

static std::string quals_text(uint32_t quals, bool leading_blank) {
  std::string s;
  for (int i = 0; i < 32; i++) {
    uint32_t bit = 1u << i;
    if (!(quals & bit)) continue;
    const qual_entry *q = qual_by_bit(bit);
    if (!q) continue;
    if (leading_blank || !s.empty()) s += ' ';
    s += q->name;
  }
  return s;
}

static std::string specifier_text(const level &b) {
  std::string s;
  switch (b.code) {
    case TC_ENUM:
      s = "enum ";
      s += b.tag && b.tag->name[0] ? b.tag->name : "";
      break;
    case TC_STRUCT:
    case TC_UNION:
      s = b.code == TC_STRUCT ? "struct " : "union ";
      if (b.tag && b.tag->name[0] && !(b.tag->flags & SF_TEMP)) s += b.tag->name;
      else s += "S" + std::to_string(b.tag ? b.tag->tag_number : 0);
      break;
    default:
      if (b.code >= TC_CHAR && b.code <= TC_UINDEX) s = (b.code & 1) ? "unsigned " : "signed ";
      s += type_name_of(b.code);
  }
  return s + quals_text(b.quals, true);
}

static std::string params_text(const type_t &f) {
  if (!f.params) return "()";
  std::string s = "(";
  for (uint32_t i = 0; i < f.params->count; i++) {
    if (i) s += ", ";
    const type_t &p = f.params->types[i];
    if (p.code == TC_ELLIPSIS && !p.ptr && !p.kind) s += "...";
    else s += type_text(p);
  }
  return s + ")";
}

// The declarator of a type around an inner text (C syntax, inside out).
static std::string declarator_text(const std::vector<level> &lv, std::string inner) {
  for (size_t i = 0; i + 1 < lv.size(); i++) {
    const level &l = lv[i];
    if (l.kind == LV_PTR) {
      std::string q = quals_text(l.quals, false);
      inner = "*" + (q.empty() ? "" : " " + q + (inner.empty() ? "" : " ")) + inner;
    } else {
      if (!inner.empty() && inner[0] == '*') inner = "(" + inner + ")";
      if (l.kind == LV_ARRAY) {
        int32_t n = l.owner->count;
        inner += n > 0 ? "[" + std::to_string(n) + "]" : "[]";
      } else {
        inner += params_text(*l.owner);
      }
    }
  }
  return inner;
}

std::string type_text(const type_t &t) {
  std::vector<level> lv;
  unroll(t, 0, lv);
  std::string inner = declarator_text(lv, "");
  std::string spec = specifier_text(lv.back());
  return inner.empty() ? spec : spec + " " + inner;
}

std::string type_suffix(const type_t &t) {
  std::vector<level> lv;
  unroll(t, 0, lv);
  std::string s;
  for (auto &l : lv) {
    if (l.kind == LV_ARRAY) s += l.owner->count > 0 ? "[" + std::to_string(l.owner->count) + "]" : "[]";
    else if (l.kind == LV_FUNC) s += params_text(*l.owner);
  }
  return s;
}

// Declaration text of a named function with its parameter text, in C syntax
// (prototype file).
std::string type_declaration_text(const type_t &ret, const std::string &name_and_params) {
  std::vector<level> lv;
  unroll(ret, 0, lv);
  std::string inner = declarator_text(lv, name_and_params);
  return specifier_text(lv.back()) + " " + inner;
}

static void describe(const type_t &t, int depth) {
  std::vector<level> lv;
  unroll(t, 0, lv);
  for (auto &l : lv) {
    if (l.quals && l.kind != LV_BASE) fprintf(stderr, "%s ", quals_text(l.quals, false).c_str());
    if (l.kind == LV_FUNC) {
      fputs("function", stderr);
      const param_list *pl = l.owner->params;
      if (!pl || pl->count == 0 || (pl->count == 1 && pl->types[0].code == TC_VOID && !pl->types[0].ptr)) {
        fputs(" with no arguments", stderr);
      } else {
        fputs(" with arguments(", stderr);
        for (uint32_t i = 0; i < pl->count; i++) {
          if (i) fputs(", ", stderr);
          if (depth < 8) describe(pl->types[i], depth + 1);
        }
        fputs(")", stderr);
      }
      fputs(" returning ", stderr);
    } else if (l.kind == LV_ARRAY) {
      fputs("array", stderr);
      if (l.owner->count > 0) fprintf(stderr, "[%ld]", (long)l.owner->count);
      fputs(" of ", stderr);
    } else if (l.kind == LV_PTR) {
      fputs("pointer to ", stderr);
    } else {
      if (l.quals) fprintf(stderr, "%s ", quals_text(l.quals, false).c_str());
      if (l.code == TC_ENUM) fprintf(stderr, "enum %s", l.tag ? l.tag->name : "");
      else if (l.code == TC_STRUCT || l.code == TC_UNION) {
        fputs(l.code == TC_STRUCT ? "struct " : "union ", stderr);
        if (l.tag && l.tag->name[0]) fputs(l.tag->name, stderr);
        else fprintf(stderr, "S%u", l.tag ? l.tag->tag_number : 0);
      } else {
        if (l.code >= TC_CHAR && l.code <= TC_UINDEX && (l.code & 1)) fputs("unsigned ", stderr);
        fputs(type_name_of(l.code), stderr);
      }
    }
  }
}

void type_describe(const type_t &t) { describe(t, 0); }

void type_describe_pair(const type_t &a, const type_t &b, const char *sep) {
  describe(a, 0);
  fputs(sep, stderr);
  describe(b, 0);
  fputc('\n', stderr);
}

void type_describe_not(const type_t &t) {
  fputs("NOT ", stderr);
  describe(t, 0);
  fputc('\n', stderr);
}

type_t type_resolve(const type_t &t) {
  type_t r = t;
  for (int guard = 0; guard < 1000; guard++) {
    if (r.code != TC_TYPEDEF || !r.base) return r;
    const type_t &td = r.base->type;
    bool use_derived = r.ptr || r.kind;
    bool td_derived = td.ptr || td.kind;
    if (r.quals) {
      if (td.kind == TK_ARRAY && !use_derived) {
        type_t elem = td;
        elem.kind = TK_NONE;
        elem.dim = nullptr;
        elem.count = -1;
        if (elem.ptr) {
          symbol *h = sym_hidden_typedef(elem, sym_decl_level);
          elem = type_plain(TC_TYPEDEF);
          elem.base = h;
        }
        elem.quals |= r.quals;
        elem.kind = TK_ARRAY;
        elem.dim = td.dim;
        elem.count = td.count;
        return elem;
      }
      return r;
    }
    if (use_derived && td_derived) return r;
    type_t n = td;
    int levels = type_ptr_count(td.ptr) + type_ptr_count(r.ptr);
    if (levels > 16) {
      msg(286);
      levels = 16;
    }
    n.ptr = (uint16_t)((1u << levels) - 1);
    if (r.kind) {
      n.kind = r.kind;
      n.count = r.count;
      n.dim = r.dim;
      n.params = r.params;
      n.old_style = r.old_style;
    }
    r = n;
  }
  return r;
}
