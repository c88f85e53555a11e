#include "codegen/model/types.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

#include "codegen/model/args.h"
#include "codegen/model/ptrtargets.h"
#include "codegen/model/symbols.h"
#include "codegen/model/target_services.h"
#include "common/alert.h"
#include "common/alloc.h"
#include "common/vector.h"

bool pointGraphCompleted;

namespace {

struct basic_row {
  const char *name;
  uint32_t size;
  uint8_t arith;
};

// Creation order matters: lookups by size and class take the first match.
const basic_row BASIC_TYPES[] = {
    {"i", 2, ARITH_SIGNED},   {"s", 2, ARITH_SIGNED},    {"c", 1, ARITH_SIGNED},
    {"l", 4, ARITH_SIGNED},   {"ui", 2, ARITH_UNSIGNED}, {"us", 2, ARITH_UNSIGNED},
    {"uc", 1, ARITH_UNSIGNED}, {"ul", 4, ARITH_UNSIGNED}, {"f", 3, ARITH_FLOAT},
    {"d", 3, ARITH_FLOAT},    {"tx", 3, ARITH_SIGNED},   {"utx", 3, ARITH_UNSIGNED},
    {"x", 2, ARITH_SIGNED},   {"ux", 2, ARITH_UNSIGNED}, {"nx", 1, ARITH_SIGNED},
    {"unx", 1, ARITH_UNSIGNED}, {"b", 0, ARITH_BIT},     {"v", 0, ARITH_NONE},
    {"m", 3, ARITH_SIGNED},   {"um", 3, ARITH_UNSIGNED},
};

struct qualifier_letter {
  char letter;
  uint32_t bit;
};
const qualifier_letter QUALIFIER_LETTERS[] = {
    {'D', Q_CONST},    {'V', Q_VOLATILE},     {'F', Q_FAR},   {'N', Q_NEAR},
    {'I', Q_INTERRUPT}, {'S', Q_PERSISTENT},  {'W', Q_CONTROL}, {'T', Q_FASTCALL},
    {'L', Q_LOW_PRIORITY}, {'B', Q_BDATA},    {'C', Q_CONST},
};

struct types_state {
  vec *basics;     // ctype* in creation order
  vec *all;        // every type made, so that none is ever lost
  ctype *l, *d, *b, *v, *c, *uc, *x, *ux, *i;
  uint32_t packing;
};
types_state ts;

ctype *find_basic(const char *name) {
  for (uint32_t k = 0; k < vec_size(ts.basics); k++) {
    ctype *t = static_cast<ctype *>(vec_get(ts.basics, k));
    if (strcmp(t->name, name) == 0) return t;
  }
  return nullptr;
}

uint32_t qualifier_bit(char letter) {
  for (const qualifier_letter &q : QUALIFIER_LETTERS)
    if (q.letter == letter) return q.bit;
  return 0;
}

}  // namespace

void type_qualifier_letters(uint32_t bits, char *out) {
  for (const qualifier_letter &q : QUALIFIER_LETTERS)
    if (bits & q.bit) *out++ = q.letter;
  *out = 0;
}

uint32_t type_align(ctype *t) {
  if (!t) return 0;
  switch (t->kind) {
    case TY_POINTER:
      return type_max_align(t->size);
    case TY_ARRAY:
    case TY_QUALIFIED:
      return type_align(t->sub);
    case TY_STRUCT:
      if (!t->laid_out) type_layout(t);
      return t->align;
    case TY_BASIC:
    case TY_ENUM:
      return t->align;
  }
  return 0;
}

namespace {

symbol *member_at(ctype *t, uint32_t k) { return static_cast<symbol *>(vec_get(t->members, k)); }

bool enums_equal(ctype *a, ctype *b) {
  if (a->size != b->size || a->arith != b->arith) return false;
  if (vec_size(a->members) != vec_size(b->members)) return false;
  for (uint32_t k = 0; k < vec_size(a->members); k++)
    if (member_at(a, k)->address != member_at(b, k)->address) return false;
  return true;
}

bool structs_equal(ctype *a, ctype *b) {
  if (a->is_union != b->is_union || type_size(a) != type_size(b)) return false;
  if (a->comparing || b->comparing) return true;
  a->comparing = b->comparing = true;
  bool equal = vec_size(a->members) == vec_size(b->members);
  for (uint32_t k = 0; equal && k < vec_size(a->members); k++) {
    symbol *ma = member_at(a, k), *mb = member_at(b, k);
    if (ma->bitfield != mb->bitfield) equal = false;
    else if (ma->bitfield && (ma->bf_width != mb->bf_width || ma->offset != mb->offset))
      equal = false;
    else if (!type_equal(ma->type, mb->type))
      equal = false;
  }
  a->comparing = b->comparing = false;
  return equal;
}

// The type beneath array dimensions and qualifiers.
ctype *strip_to_base(ctype *t) {
  while (t && (t->kind == TY_ARRAY || t->kind == TY_QUALIFIED) && t->sub) t = t->sub;
  return t;
}

bool structs_compatible(ctype *a, ctype *b) {
  uint32_t n = vec_size(a->members);
  if (vec_size(b->members) > 0) {
    ctype *first = type_unqual(member_at(b, 0)->type);
    if (first && first->kind == TY_STRUCT && first != b && type_compatible(a, first)) return true;
  }
  if (n != vec_size(b->members)) return false;
  for (uint32_t k = 0; k < n; k++) {
    symbol *ma = member_at(a, k), *mb = member_at(b, k);
    bool ok = type_equal(ma->type, mb->type) ||
              (type_size(ma->type) == type_size(mb->type) && type_compatible(ma->type, mb->type));
    if (!ok) return false;
    if (type_is_pointer(ma->type) && type_is_pointer(mb->type))
      sym_pair_targets(sym_ptr_targets(ma), 1, sym_ptr_targets(mb), 1);
  }
  return true;
}

}  // namespace

void types_init_basic() {
  vec_free(ts.basics);
  ts.basics = vec_new_default();
  for (const basic_row &row : BASIC_TYPES) {
    ctype *t = type_new(TY_BASIC);
    t->name = row.name;
    t->size = row.size;
    t->arith = row.arith;
    vec_push(ts.basics, t);
  }
  ts.l = find_basic("l");
  ts.d = find_basic("d");
  ts.b = find_basic("b");
  ts.v = find_basic("v");
  ts.c = find_basic("c");
  ts.uc = find_basic("uc");
  ts.x = find_basic("x");
  ts.ux = find_basic("ux");
  ts.i = find_basic("i");
  ts.packing = 0;
  pointGraphCompleted = false;
}

ctype *type_basic(const char *name) { return find_basic(name); }
ctype *type_long() { return ts.l; }
ctype *type_double() { return ts.d; }
ctype *type_bit() { return ts.b; }
ctype *type_void() { return ts.v; }
ctype *type_char() { return ts.c; }
ctype *type_uchar() { return ts.uc; }
ctype *type_index() { return ts.x; }
ctype *type_uindex() { return ts.ux; }
ctype *type_int() { return ts.i; }
vec *type_basic_list() { return ts.basics; }

ctype *type_new(uint8_t kind) {
  ctype *t = static_cast<ctype *>(xalloc(sizeof(ctype)));
  t->kind = kind;
  if (!ts.all) ts.all = vec_new(256);
  vec_push(ts.all, t);
  return t;
}

ctype *type_derive(ctype *base, uint8_t kind) {
  ctype *t;
  switch (kind) {
    case TY_POINTER: {
      t = type_new(TY_POINTER);
      t->sub = base;
      bool to_function = type_is_function(base);
      t->size = to_function ? emit_code_ptr_size() : pointGraphCompleted ? 1 : 3;
      t->ptr_flags = PTRF_NEW | (to_function ? PTRF_FUNCTION : 0);
      t->ptr_space = 2;
      return t;
    }
    case TY_FUNCTION:
      t = type_new(TY_FUNCTION);
      t->sub = base;
      t->params = vec_new_default();
      return t;
    case TY_ARRAY:
    case TY_QUALIFIED:
      t = type_new(kind);
      t->sub = base;
      return t;
  }
  msg(1094, kind);
  return base;
}

ctype *type_qualify(ctype *type, uint32_t bits) {
  if (bits == 0) return type;
  ctype *t = type_new(TY_QUALIFIED);
  if (type && type->kind == TY_QUALIFIED) {
    t->quals = type->quals | bits;
    t->sub = type->sub;
  } else {
    t->quals = bits;
    t->sub = type;
  }
  return t;
}

ctype *type_array_of(ctype *element, uint32_t count) {
  ctype *t = type_derive(element, TY_ARRAY);
  t->count = count;
  ctype *inner = type_unqual(element);
  while (inner && inner->kind == TY_ARRAY) inner = type_unqual(inner->sub);
  if (inner && inner->kind == TY_POINTER) inner->ptr_flags |= PTRF_LAID_OUT;
  return t;
}

ctype *type_unqual(ctype *type) {
  while (type && type->kind == TY_QUALIFIED && type->sub) type = type->sub;
  return type;
}

uint32_t type_qualifiers(const ctype *type) {
  uint32_t bits = 0;
  for (; type && type->kind == TY_QUALIFIED; type = type->sub) bits |= type->quals;
  return bits;
}

ctype *type_target(ctype *type) {
  if (!type) return nullptr;
  switch (type->kind) {
    case TY_POINTER:
    case TY_ARRAY:
    case TY_FUNCTION:
      return type->sub;
    case TY_QUALIFIED:
      if (type->sub) return type_target(type->sub);
      msg(1095);
      return nullptr;
  }
  return nullptr;
}

uint32_t type_size(ctype *type) {
  if (!type) return 0;
  switch (type->kind) {
    case TY_POINTER:
    case TY_BASIC:
    case TY_ENUM:
      return type->size;
    case TY_ARRAY:
      return type_size(type->sub) * type->count;
    case TY_QUALIFIED:
      if (type->sub) return type_size(type->sub);
      msg(1104);
      return 0;
    case TY_STRUCT:
      if (!type->laid_out) type_layout(type);
      return type->size;
  }
  return 0;
}

uint8_t type_arith(ctype *type) {
  if (!type) return ARITH_NONE;
  switch (type->kind) {
    case TY_POINTER:
      return ARITH_UNSIGNED;
    case TY_BASIC:
    case TY_ENUM:
      return type->arith;
    case TY_QUALIFIED:
      if (type->sub) return type_arith(type->sub);
      msg(1096);
      return ARITH_NONE;
  }
  return ARITH_NONE;
}

bool type_is_pointer(ctype *type) {
  ctype *t = type_unqual(type);
  return t && t->kind == TY_POINTER;
}

bool type_is_function(ctype *type) {
  ctype *t = type_unqual(type);
  return t && t->kind == TY_FUNCTION;
}

bool type_is_struct(ctype *type) {
  ctype *t = strip_to_base(type);
  return t && t->kind == TY_STRUCT;
}

void type_set_ptr_size(ctype *pointer, uint32_t size) {
  ctype *t = type_unqual(pointer);
  if (t && t->kind == TY_POINTER && size && !(t->ptr_flags & PTRF_LAID_OUT)) t->size = size;
}

ctype *type_parse(const char *text) {
  const char *p = text ? text : "";
  uint32_t quals = 0;
  while (*p && qualifier_bit(*p) && !isdigit(static_cast<unsigned char>(p[1]))) quals |= qualifier_bit(*p++);
  ctype *t = nullptr;
  if (*p == '*') {
    ctype *base = type_parse(p + 1);
    t = type_derive(base, TY_POINTER);
  } else if (*p == '(') {
    t = type_derive(type_parse(p + 1), TY_FUNCTION);
  } else if (*p) {
    t = find_basic(p);
    if (!t) {
      symbol *s = sym_find(p);
      if (!s && p[0] == 'S' && isdigit(static_cast<unsigned char>(p[1]))) {
        s = sym_lookup(p);
        // A struct named before its record: the record fills it in.
        s->kind = SK_STRUCT_TAG;
        s->type = type_new(TY_STRUCT);
        s->type->name = s->name;
        s->type->tag = s;
        s->type->members = vec_new_default();
      }
      if (s && (s->kind == SK_TYPE_NAME || s->kind == SK_STRUCT_TAG || s->kind == SK_ENUM_TAG))
        t = s->type;
    }
  }
  if (!t) {
    msg(1097, text ? text : "");
    t = ts.i;  // keeps the model whole; the error stops the run
  }
  return type_qualify(t, quals);
}

ctype *type_for_size(uint32_t size, uint8_t arith) {
  for (uint32_t k = 0; k < vec_size(ts.basics); k++) {
    ctype *t = static_cast<ctype *>(vec_get(ts.basics, k));
    if (t->size == size && t->arith == arith) return t;
  }
  msg_print("No type match: size %d, arith %d\n", int(size), int(arith));
  return arith == ARITH_FLOAT ? ts.d : ts.l;
}

ctype *type_arith_result(ctype *a, ctype *b) {
  uint32_t sa = type_size(a), sb = type_size(b);
  uint8_t ca = type_arith(a), cb = type_arith(b);
  if (ca == ARITH_BIT) ca = ARITH_UNSIGNED;
  if (cb == ARITH_BIT) cb = ARITH_UNSIGNED;
  uint32_t size;
  uint8_t arith;
  if (ca == ARITH_FLOAT || cb == ARITH_FLOAT) {
    // A floating operand makes the result floating, as in C.
    arith = ARITH_FLOAT;
    size = ca == ARITH_FLOAT && cb == ARITH_FLOAT ? (sa > sb ? sa : sb) : ca == ARITH_FLOAT ? sa : sb;
  } else if (sa != sb) {
    bool a_larger = sa > sb;
    uint32_t large = a_larger ? sa : sb;
    uint8_t large_class = a_larger ? ca : cb, small_class = a_larger ? cb : ca;
    if (large_class == ARITH_UNSIGNED && small_class == ARITH_SIGNED) {
      size = 2 * large;
      arith = ARITH_SIGNED;
    } else {
      size = large;
      arith = large_class;
    }
  } else if (ca == cb) {
    size = sa;
    arith = ca;
  } else {
    size = 2 * sa;
    arith = ARITH_SIGNED;
  }
  if (size == 0) size = 1;
  if (size > 4) size = 4;
  return type_for_size(size, arith);
}

bool type_equal(ctype *a, ctype *b) {
  for (;;) {
    if (a == b) return true;
    if (!a || !b || a->kind != b->kind) return false;
    switch (a->kind) {
      case TY_POINTER:
        break;
      case TY_FUNCTION: {
        uint32_t n = vec_size(a->params);
        if (n != vec_size(b->params)) return false;
        for (uint32_t k = 0; k < n; k++)
          if (!type_equal(static_cast<ctype *>(vec_get(a->params, k)),
                          static_cast<ctype *>(vec_get(b->params, k))))
            return false;
        break;
      }
      case TY_ARRAY:
        if (a->count && b->count && a->count != b->count) return false;
        break;
      case TY_QUALIFIED:
        if (a->quals != b->quals) return false;
        break;
      case TY_BASIC:
        return a->size == b->size && a->arith == b->arith;
      case TY_STRUCT:
        return structs_equal(a, b);
      case TY_ENUM:
        return enums_equal(a, b);
      default:
        return false;
    }
    a = a->sub;
    b = b->sub;
  }
}

bool type_compatible(ctype *a, ctype *b) {
  a = type_unqual(a);
  b = type_unqual(b);
  while (a && b && a->kind == TY_POINTER && b->kind == TY_POINTER) {
    a = type_unqual(a->sub);
    b = type_unqual(b->sub);
  }
  if (a == b) return true;
  if (!a || !b) return false;
  if (a->kind == TY_FUNCTION && b->kind == TY_FUNCTION) return true;
  if (a->kind == TY_STRUCT && b->kind == TY_STRUCT) return structs_compatible(a, b);
  if (a->kind == TY_STRUCT || b->kind == TY_STRUCT) return false;
  return type_size(a) == type_size(b) && type_arith(a) == type_arith(b);
}

bool sym_check_compatible(ctype *a, ctype *b, bool report) {
  if (type_compatible(a, b)) return true;
  if (report) {
    char *first = str_dup(type_text(a));
    msg(1264, first, type_text(b));
    xfree(first);
  }
  return false;
}

uint32_t type_max_align(uint32_t size) {
  uint32_t mask = 0;
  for (uint32_t k = 0; k < vec_size(ts.basics); k++) {
    ctype *t = static_cast<ctype *>(vec_get(ts.basics, k));
    if (t->size == size && t->align > mask) mask = t->align;
  }
  return mask;
}

uint32_t type_min_int_size(uint32_t value) {
  static const char *const INTEGER_NAMES[] = {"i", "s", "c", "l", "ui", "us", "uc", "ul"};
  uint32_t best = 0;
  for (const char *name : INTEGER_NAMES) {
    ctype *t = find_basic(name);
    if (!t || t->size == 0) continue;
    uint64_t limit = t->size >= 4 && t->arith == ARITH_SIGNED ? UINT64_MAX
                     : t->arith == ARITH_SIGNED ? (uint64_t(1) << (8 * t->size - 1)) - 1
                                                : (uint64_t(1) << (8 * t->size)) - 1;
    if (value <= limit && (best == 0 || t->size < best)) best = t->size;
  }
  return best;
}

void type_set_packing(uint32_t cap) { ts.packing = cap; }

void type_layout(ctype *s) {
  if (!s || s->kind != TY_STRUCT) return;
  s->laid_out = true;
  uint32_t size = 0, bits_used = 0, align = 0;
  for (uint32_t k = 0; k < vec_size(s->members); k++) {
    symbol *m = member_at(s, k);
    if (s->is_union) {
      m->offset = 0;
      m->bf_offset = 0;
      if (m->bitfield && m->bf_width > 8) {
        msg(741, m->bf_width);
        m->bf_width = 8;
      }
      uint32_t msize = m->bitfield ? 1 : type_size(m->type);
      if (msize > size) size = msize;
      continue;
    }
    if (m->bitfield) {
      if (m->bf_width > 8) {
        msg(741, m->bf_width);
        m->bf_width = 8;
      }
      if (m->bf_width == 0 || bits_used + m->bf_width > 8 || bits_used == 8) {
        if (bits_used) size++;
        bits_used = 0;
      }
      m->offset = uint16_t(size);
      m->bf_offset = uint8_t(bits_used);
      bits_used += m->bf_width;
      continue;
    }
    if (bits_used) {
      size++;
      bits_used = 0;
    }
    uint32_t mask = type_align(m->type);
    if (mask > ts.packing) mask = ts.packing;
    if (mask > align) align = mask;
    size = (size + mask) & ~mask;
    m->offset = uint16_t(size);
    size += type_size(m->type);
  }
  if (bits_used) size++;
  s->size = size;
  s->align = align;
}
