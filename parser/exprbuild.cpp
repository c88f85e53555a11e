#include "parser/exprbuild.h"

#include <cstring>

#include "common/alert.h"
#include "parser/parsk.h"
#include "parser/symbols.h"

namespace {

// Integer constants and enumeration constants fold alike.
bool is_iconst(const expr_node *e) {
  return e && (e->op == OP_ICONST || (e->op == OP_IDENT && e->sym && e->sym->cls == SC_ENUMCONST));
}

bool is_bit(const type_t &t) {
  type_t s = type_strip(t);
  return !s.kind && !s.ptr && s.code == TC_BIT;
}

int width_of(const type_t &t) {
  type_t s = type_strip(t);
  if (s.ptr) return (int)type_size(s) * 8;
  if (s.code == TC_BIT) return 1;
  uint32_t size = s.code == TC_ENUM ? size_of_code(TC_INT) : size_of_code(s.code);
  if (!size || size > 8) return 64;
  return (int)size * 8;
}

// The value of a constant as its type reads it.
int64_t value_of(const expr_node *e) {
  if (e->op == OP_IDENT) return e->sym->value;
  int w = width_of(e->type);
  uint64_t v = (uint64_t)(int64_t)e->ival;
  if (w >= 64) return (int64_t)v;
  uint64_t mask = (1ull << w) - 1;
  v &= mask;
  if (!type_is_unsigned(e->type) && w > 1 && (v >> (w - 1)) & 1) v |= ~mask;
  return (int64_t)v;
}

int32_t normalise(int64_t v, const type_t &t) {
  type_t s = type_strip(t);
  if (!s.kind && !s.ptr && s.code == TC_BIT) return v != 0;
  int w = width_of(t);
  if (w >= 64) return (int32_t)v;
  uint64_t mask = (1ull << w) - 1;
  uint64_t u = (uint64_t)v & mask;
  if (!type_is_unsigned(t) && w > 1 && (u >> (w - 1)) & 1) u |= ~mask;
  return (int32_t)(int64_t)u;
}

// Equal as values: the qualifiers of the object itself do not count.
bool same_type(const type_t &a, const type_t &b) { return type_equal(a, b, false); }

expr_node *node(int op, expr_node *l, expr_node *r, const type_t &t) {
  expr_node *n = expr_new(op);
  n->left = l;
  n->right = r;
  n->type = t;
  return n;
}

const char *op_name(int code) {
  const char *n = op_table(code).name;
  return n ? n : "?";
}

void describe_pair(const type_t &a, const type_t &b) {
  if (popt.warn_level < 0) type_describe_pair(a, b, " -> ");
}

// The type a value of an object of this type has: its own qualifiers dropped.
type_t value_type(const type_t &t) {
  type_t s = type_strip(t);
  if (!s.kind && !s.ptr) s.quals = 0;
  return s;
}

// Pointers that may be assigned: compatible targets, or void on one side.
bool ptr_assignable(const type_t &target, const type_t &source) {
  if (type_ptr_compatible(target, source)) return true;
  type_t tt = type_deref(target), st = type_deref(source);
  type_t ts = type_strip(tt), ss = type_strip(st);
  bool tv = !ts.kind && !ts.ptr && ts.code == TC_VOID;
  bool sv = !ss.kind && !ss.ptr && ss.code == TC_VOID;
  if (!tv && !sv) return false;
  return qual_compatible(expr_object_quals(tt), expr_object_quals(st));
}

bool is_null_constant(const expr_node *e) {
  int32_t v;
  return e && type_is_integral(e->type) && expr_const_value(e, &v) && v == 0;
}

// A signed value that is not constant becomes unsigned: 355/373.
void warn_sign(const expr_node *e, const expr_node *other, const type_t &to) {
  if (!type_is_integral(e->type) || type_is_unsigned(e->type) || !type_is_unsigned(to)) return;
  int32_t v;
  if (expr_const_value(e, &v)) return;
  msg(expr_const_value(other, &v) ? 355 : 373);
}

expr_node *scale(expr_node *integer, const type_t &ptr) {
  type_t at = type_address(ptr);
  integer = expr_convert(integer, at);
  type_t target = type_deref(ptr);
  expr_node *size = expr_size_of(target, at);
  return expr_fold(node(OP_MUL, integer, size, at));
}

expr_node *pointer_difference(expr_node *l, expr_node *r) {
  if (!ptr_assignable(l->type, r->type) && !ptr_assignable(r->type, l->type)) {
    msg(366, "-");
    describe_pair(l->type, r->type);
  }
  type_t x = type_index(false);
  type_t elem = type_deref(l->type);
  expr_node *diff = node(OP_SUB, expr_convert(l, x), expr_convert(r, x), x);
  return expr_fold(node(OP_DIV, diff, expr_size_of(elem, x), x));
}

expr_node *arith_binary(int code, expr_node *l, expr_node *r) {
  const op_info &info = op_table(code);
  bool lp = type_is_pointer(l->type), rp = type_is_pointer(r->type);
  if ((info.cls & 4) && (lp != rp)) {
    if (lp && type_is_integral(r->type)) return node(code, l, scale(r, l->type), l->type);
    if (rp && code == OP_ADD && type_is_integral(l->type)) {
      type_t t = r->type;
      return node(code, scale(l, t), r, t);
    }
    msg(205);
    return node(code, l, r, lp ? l->type : r->type);
  }
  if ((info.cls & 8) && lp && rp && code == OP_SUB) return pointer_difference(l, r);
  bool arith_ok = (info.cls & 0x10) ? type_is_arith(l->type) && type_is_arith(r->type)
                                     : type_is_integral(l->type) && type_is_integral(r->type);
  if (!arith_ok) {
    msg(205);
    return node(code, l, r, l->type);
  }
  if (info.cls & 0x40) {
    type_t common = expr_common_type(l->type, r->type);
    warn_sign(l, r, common);
    warn_sign(r, l, common);
    l = expr_convert(l, common);
    r = expr_convert(r, common);
  } else if (info.cls & 0x4000) {
    l = expr_convert(l, expr_promoted(l->type));
    r = expr_convert(r, expr_promoted(r->type));
  }
  return expr_fold(node(code, l, r, l->type));
}

expr_node *comparison(int code, expr_node *l, expr_node *r) {
  const op_info &info = op_table(code);
  type_t bit = type_plain(TC_BIT);
  bool lp = type_is_pointer(l->type), rp = type_is_pointer(r->type);
  if (lp && rp) {
    if (!ptr_assignable(l->type, r->type) && !ptr_assignable(r->type, l->type)) {
      msg(366, op_name(code));
      describe_pair(l->type, r->type);
    }
    if (!same_type(l->type, r->type)) r = expr_convert(r, l->type);
    return expr_fold(node(code, l, r, bit));
  }
  if (lp || rp) {
    expr_node *&other = lp ? r : l;
    const type_t &pt = lp ? l->type : r->type;
    if (!type_is_integral(other->type)) {
      msg(209, op_name(code));
      return node(code, l, r, bit);
    }
    if (!(is_null_constant(other) && (info.cls & 0x8000))) msg(366, op_name(code));
    other = expr_convert(other, pt);
    return expr_fold(node(code, l, r, bit));
  }
  if (!type_is_arith(l->type) || !type_is_arith(r->type)) {
    msg(209, op_name(code));
    return node(code, l, r, bit);
  }
  type_t common = expr_common_type(l->type, r->type);
  warn_sign(l, r, common);
  warn_sign(r, l, common);
  l = expr_convert(l, common);
  r = expr_convert(r, common);
  return expr_fold(node(code, l, r, bit));
}

expr_node *conditional_arms(expr_node *l, expr_node *r) {
  bool lp = type_is_pointer(l->type), rp = type_is_pointer(r->type);
  if (type_is_arith(l->type) && type_is_arith(r->type)) {
    type_t common = expr_common_type(l->type, r->type);
    l = expr_convert(l, common);
    r = expr_convert(r, common);
    return node(OP_COLON, l, r, common);
  }
  if (lp && rp) {
    if (!same_type(l->type, r->type)) {
      if (type_is_void(type_deref(l->type))) {
        r = expr_convert(r, l->type);
      } else if (type_is_void(type_deref(r->type))) {
        l = expr_convert(l, r->type);
      } else {
        if (!ptr_assignable(l->type, r->type)) {
          msg(208, ":");
          if (popt.warn_level < 0) type_describe_pair(l->type, r->type, " / ");
        }
        r = expr_convert(r, l->type);
      }
    }
    return node(OP_COLON, l, r, l->type);
  }
  if (lp && is_null_constant(r)) return node(OP_COLON, l, expr_convert(r, l->type), l->type);
  if (rp && is_null_constant(l)) return node(OP_COLON, expr_convert(l, r->type), r, r->type);
  if (type_is_struct(l->type) && type_equal(l->type, r->type, false)) return node(OP_COLON, l, r, l->type);
  if (type_is_void(l->type) && type_is_void(r->type)) return node(OP_COLON, l, r, l->type);
  msg(208, ":");
  if (popt.warn_level < 0) type_describe_pair(l->type, r->type, " / ");
  return node(OP_COLON, l, r, l->type);
}

expr_node *assignment(int code, expr_node *l, expr_node *r) {
  const op_info &info = op_table(code);
  type_t lt = l->type;
  if (code == OP_ASSIGN || code == OP_ARRAYCOPY) {
    if (code == OP_ASSIGN) r = expr_assign_convert(r, lt, false);
    return r ? node(code, l, r, lt) : (expr_free(l), nullptr);
  }
  bool lp = type_is_pointer(lt);
  if (lp) {
    if ((info.cls & 4) && type_is_integral(r->type)) return node(code, l, scale(r, lt), lt);
    msg(205);
    return node(code, l, r, lt);
  }
  bool ok = (info.cls & 0x10) ? type_is_arith(lt) && type_is_arith(r->type)
                               : type_is_integral(lt) && type_is_integral(r->type);
  if (!ok) {
    msg(205);
    return node(code, l, r, lt);
  }
  // The low bytes of a sum, difference, product or bitwise result depend only
  // on the operands' low bytes, so an integer operand may be narrowed to the
  // target's type; a floating operand makes the operation floating
  // (i *= 1.5 multiplies by 1.5), so it keeps the common type.
  type_t common = expr_common_type(lt, r->type);
  bool floating = type_is_float(common) && (!type_is_float(lt) || type_strip(lt).code != common.code);
  if ((info.cls & 0x400) && !floating) r = expr_convert(r, value_type(lt));
  else if ((info.cls & 0x400) && floating) r = expr_convert(r, common);
  else if (code == OP_ASG_DIV || code == OP_ASG_MOD) r = expr_convert(r, expr_common_type(lt, r->type));
  else r = expr_convert(r, expr_promoted(r->type));
  return node(code, l, r, lt);
}

}  // namespace

type_t expr_promoted(const type_t &t) {
  type_t s = type_strip(t);
  if (s.kind || s.ptr) return s;
  switch (s.code) {
    case TC_BIT: case TC_CHAR: case TC_SHORT: case TC_ENUM:
      return type_plain(TC_INT);
    case TC_UCHAR: case TC_USHORT:
      return type_plain(size_of_code(s.code) != size_of_code(TC_INT) ? TC_INT : TC_UINT);
    default:
      s.quals = 0;
      s.base = nullptr;
      return s;
  }
}

type_t expr_argument_promoted(const type_t &t) {
  type_t s = type_strip(t);
  if (!s.kind && !s.ptr && s.code == TC_FLOAT) return type_plain(TC_DOUBLE);
  if (type_is_integral(t)) return expr_promoted(t);
  return t;
}

type_t expr_common_type(const type_t &a0, const type_t &b0) {
  type_t a = expr_promoted(a0), b = expr_promoted(b0);
  if (a.code == TC_DOUBLE || b.code == TC_DOUBLE) return type_plain(TC_DOUBLE);
  if (a.code == TC_FLOAT || b.code == TC_FLOAT) return type_plain(TC_FLOAT);
  // The larger type wins; of equal sizes the unsigned one, then the higher code.
  uint32_t sa = size_of_code(a.code), sb = size_of_code(b.code);
  if (sa != sb) return sa > sb ? a : b;
  if ((a.code & 1) != (b.code & 1)) return (a.code & 1) ? a : b;
  return a.code >= b.code ? a : b;
}

uint32_t expr_object_quals(const type_t &t) {
  if (t.kind == TK_ARRAY) {
    type_t e = t;
    e.kind = TK_NONE;
    return expr_object_quals(e);
  }
  if (t.kind || t.ptr) return 0;
  uint32_t q = t.quals;
  if (t.code == TC_TYPEDEF && t.base) q |= expr_object_quals(t.base->type);
  return q;
}

type_t expr_pointer_to(const type_t &t) {
  if (t.kind != TK_NONE) {
    symbol *h = sym_hidden_typedef(t, sym_level);
    type_t p = type_plain(TC_TYPEDEF);
    p.base = h;
    p.ptr = 1;
    return p;
  }
  type_t p = t;
  type_add_pointer(p);
  return p;
}

expr_node *expr_size_of(const type_t &t, const type_t &as) {
  if (type_size_is_constant(t)) return expr_int((int32_t)type_size(t), as);
  expr_node *n = expr_new(OP_SIZEOF);
  n->left = expr_type_leaf(t);
  n->type = as;
  return n;
}

expr_node *expr_decay(expr_node *e) {
  if (!e) return e;
  type_t s = type_strip(e->type);
  if (s.kind == TK_ARRAY) {
    type_t elem = type_element(e->type);
    return node(OP_ADDR, e, nullptr, expr_pointer_to(elem));
  }
  if (s.kind == TK_FUNCTION) {
    type_t p;
    if (e->type.code == TC_TYPEDEF && !e->type.kind && !e->type.ptr) {
      p = e->type;
      p.ptr = 1;
    } else if (e->op == OP_IDENT && e->sym) {
      if (!e->sym->decayed) e->sym->decayed = sym_hidden_typedef(e->sym->type, e->sym->level);
      p = type_plain(TC_TYPEDEF);
      p.base = e->sym->decayed;
      p.ptr = 1;
    } else {
      p = expr_pointer_to(e->type);
    }
    return node(OP_ADDR, e, nullptr, p);
  }
  return e;
}

bool expr_is_lvalue(const expr_node *e) {
  if (!e) return false;
  switch (e->op) {
    case OP_IDENT:
      return e->sym && (e->sym->flags & SF_VALUE) && e->sym->cls != SC_ENUMCONST &&
             !type_is_function(e->sym->type);
    case OP_DOT:
      return expr_is_lvalue(e->left);
    case OP_DEREF:
      return true;
    default:
      return false;
  }
}

expr_node *expr_fold(expr_node *e) {
  if (!e) return e;
  int op = e->op;
  int arity = op_arity(op);
  if (op == OP_QUEST) {
    expr_node *c = e->left, *arms = e->right;
    if (is_iconst(c) && arms && is_iconst(arms->left) && is_iconst(arms->right)) {
      expr_node *pick = value_of(c) ? arms->left : arms->right;
      expr_node *n = expr_int(normalise(value_of(pick), e->type), e->type);
      expr_free(e);
      return n;
    }
    return e;
  }
  if (arity == 1) {
    if (!is_iconst(e->left)) return e;
    int64_t a = value_of(e->left), v;
    switch (op) {
      case OP_NEG: v = -a; break;
      case OP_PLUS_U: v = a; break;
      case OP_COMPL: v = ~a; break;
      case OP_NOT: v = !a; break;
      default: return e;
    }
    expr_node *n = expr_int(normalise(v, e->type), e->type);
    expr_free(e);
    return n;
  }
  if (arity != 2 || !is_iconst(e->left) || !is_iconst(e->right)) return e;
  int64_t a = value_of(e->left), b = value_of(e->right), v;
  int w = width_of(e->left->type);
  bool uns = type_is_unsigned(e->left->type);
  switch (op) {
    case OP_MUL: v = (int64_t)((uint64_t)a * (uint64_t)b); break;
    case OP_DIV:
      if (b == 0) return e;
      v = uns ? (int64_t)((uint64_t)a / (uint64_t)b) : a / b;
      break;
    case OP_MOD:
      if (b == 0) return e;
      v = uns ? (int64_t)((uint64_t)a % (uint64_t)b) : a % b;
      break;
    case OP_ADD: v = a + b; break;
    case OP_SUB: v = a - b; break;
    case OP_SHL: v = (b < 0 || b >= w) ? 0 : (int64_t)((uint64_t)a << b); break;
    case OP_SHR:
      if (b < 0 || b >= w) v = (!uns && a < 0) ? -1 : 0;
      else v = uns ? (int64_t)((uint64_t)a >> b) : a >> b;
      break;
    case OP_AND: v = a & b; break;
    case OP_OR: v = a | b; break;
    case OP_XOR: v = a ^ b; break;
    case OP_LT: v = a < b; break;
    case OP_GT: v = a > b; break;
    case OP_LE: v = a <= b; break;
    case OP_GE: v = a >= b; break;
    case OP_EQ: v = a == b; break;
    case OP_NE: v = a != b; break;
    case OP_LAND: v = a && b; break;
    case OP_LOR: v = a || b; break;
    default: return e;
  }
  expr_node *n = expr_int(normalise(v, e->type), e->type);
  expr_free(e);
  return n;
}

bool expr_const_value(const expr_node *e, int32_t *value) {
  if (!e) return false;
  switch (e->op) {
    case OP_ICONST:
      *value = e->ival;
      return true;
    case OP_IDENT:
      if (e->sym && e->sym->cls == SC_ENUMCONST) {
        *value = e->sym->value;
        return true;
      }
      return false;
    case OP_CONVERT: {
      int32_t v;
      if (!type_is_integral(e->type) && !type_is_pointer(e->type)) return false;
      if (!expr_const_value(e->left, &v)) return false;
      expr_node tmp{};
      tmp.op = OP_ICONST;
      tmp.ival = v;
      tmp.type = e->left->type;
      *value = normalise(value_of(&tmp), e->type);
      return true;
    }
    case OP_ADDR:
      if (e->left && e->left->op == OP_IDENT && e->left->sym && (e->left->sym->flags & SF_ABSOLUTE)) {
        *value = (int32_t)e->left->sym->address;
        return true;
      }
      return false;
    default:
      return false;
  }
}

bool expr_is_deferred_constant(const expr_node *e) {
  if (!e) return false;
  int32_t v;
  if (expr_const_value(e, &v)) return true;
  switch (e->op) {
    case OP_SIZEOF:
    case OP_FCONST:
      return true;
    case OP_CONVERT:
    case OP_NEG:
    case OP_PLUS_U:
    case OP_COMPL:
      return expr_is_deferred_constant(e->left);
    case OP_MUL: case OP_DIV: case OP_MOD: case OP_ADD: case OP_SUB: case OP_SHL: case OP_SHR:
    case OP_AND: case OP_OR: case OP_XOR:
      return expr_is_deferred_constant(e->left) && expr_is_deferred_constant(e->right);
    default:
      return false;
  }
}

static bool static_lvalue(const expr_node *e) {
  if (!e) return false;
  switch (e->op) {
    case OP_IDENT:
      return e->sym && (e->sym->cls == SC_EXTERN || e->sym->cls == SC_STATIC ||
                        (e->sym->level == 0 && e->sym->cls != SC_TYPEDEF));
    case OP_DOT:
      return static_lvalue(e->left);
    case OP_DEREF:
      return expr_is_address_constant(e->left);
    default:
      return false;
  }
}

bool expr_is_address_constant(const expr_node *e) {
  if (!e) return false;
  if (expr_is_deferred_constant(e)) return true;
  switch (e->op) {
    case OP_STRING:
      return true;
    case OP_ADDR:
      return static_lvalue(e->left) || (e->left && e->left->op == OP_IDENT && e->left->sym &&
                                        type_is_function(e->left->sym->type));
    case OP_CONVERT:
      return expr_is_address_constant(e->left);
    case OP_ADD:
      return (expr_is_address_constant(e->left) && expr_is_deferred_constant(e->right)) ||
             (expr_is_deferred_constant(e->left) && expr_is_address_constant(e->right));
    case OP_SUB:
      return expr_is_address_constant(e->left) && expr_is_deferred_constant(e->right);
    default:
      return false;
  }
}

expr_node *expr_condition(expr_node *e) {
  if (!e) return e;
  e = expr_decay(e);
  type_t s = type_strip(e->type);
  if (!s.kind && !s.ptr && s.code == TC_BIT) return e;
  if (!type_is_scalar(e->type)) {
    msg(199);
    return e;
  }
  // Comparisons and logical operators already are truth values.
  if (s.code == TC_BIT) return e;
  type_t t = e->type;
  expr_node *zero = expr_convert(expr_int(0, type_plain(TC_INT)), type_strip(t));
  return expr_fold(node(OP_NE, e, zero, type_plain(TC_BIT)));
}

expr_node *expr_convert(expr_node *e, const type_t &t) {
  if (!e) return e;
  if (same_type(e->type, t)) return e;
  if (type_is_void(t)) return node(OP_CONVERT, e, nullptr, t);
  if (!type_is_scalar(e->type)) {
    if (type_is_struct(e->type) && type_equal(e->type, t, false)) return e;
    msg(181);
    return e;
  }
  if (e->op == OP_IDENT && e->sym && e->sym->cls == SC_ENUMCONST) {
    int32_t v = e->sym->value;
    expr_free(e);
    e = expr_int(v, type_plain(TC_INT));
    if (same_type(e->type, t)) return e;
  }
  if (e->op == OP_ICONST && (type_is_integral(t) || type_is_pointer(t))) {
    e->ival = normalise(value_of(e), t);
    e->type = t;
    return e;
  }
  return node(OP_CONVERT, e, nullptr, t);
}

expr_node *expr_assign_convert(expr_node *e, const type_t &t, bool initialising) {
  if (!e) return e;
  e = expr_decay(e);
  if (type_is_void(e->type)) {
    msg(206);
    return e;
  }
  if (type_is_struct(t)) {
    if (!type_is_struct(e->type) || !type_equal(e->type, t, false)) {
      msg(182);
      describe_pair(e->type, t);
    }
    return e;
  }
  if (type_is_pointer(t)) {
    if (type_is_pointer(e->type)) {
      if (!ptr_assignable(t, e->type)) {
        msg(359);
        describe_pair(e->type, t);
      } else if (type_size(t) < type_size(e->type)) {
        msg(354);
      }
    } else if (type_is_integral(e->type)) {
      type_t s = type_strip(e->type);
      if (!is_null_constant(e) && s.code != TC_INDEX && s.code != TC_UINDEX) msg(357);
    } else {
      msg(182);
      describe_pair(e->type, t);
      return e;
    }
  } else if (type_is_integral(t)) {
    if (type_is_pointer(e->type)) msg(358);
    else if (type_is_float(e->type)) msg(356);
    else if (!type_is_arith(e->type)) {
      msg(182);
      describe_pair(e->type, t);
      return e;
    }
  } else if (type_is_float(t)) {
    if (!type_is_arith(e->type)) {
      msg(182);
      describe_pair(e->type, t);
      return e;
    }
  }
  (void)initialising;
  return expr_convert(e, value_type(t));
}

expr_node *expr_build(int code, expr_node *l, expr_node *r) {
  int arity = op_arity(code);
  if (!l || (arity == 2 && !r)) {
    expr_free(l);
    if (arity == 2) expr_free(r);
    return nullptr;
  }
  // "~" of a bit object flips it; a comparison's truth value is an int to
  // C, so ~(a && b) is -1 or -2.
  if (code == OP_COMPL && popt.bit_keyword && is_bit(l->type) && expr_is_lvalue(l)) code = OP_NOT;
  const op_info &info = op_table(code);

  if (code == OP_ADDR) {
    if (l->op == OP_IDENT && l->sym && (l->sym->flags & SF_REGISTER)) msg(200);
    type_t s = type_strip(l->type);
    if (s.kind == TK_ARRAY || s.kind == TK_FUNCTION) {
      msg(s.kind == TK_ARRAY ? 362 : 363);
      return expr_decay(l);
    }
  }
  if (!(info.cls & 0x100) && code != OP_CALL) l = expr_decay(l);
  if (arity == 2 && !(info.cls & 0x800)) r = expr_decay(r);

  // Bit operands become int unless the operator takes them as they are.
  // Only objects of the bit type are refused; the truth values that
  // comparisons give are ints to C and simply become int. A sign, as the
  // binary operators, promotes a bit object to int: -b is 0 or -1.
  if (!(info.cls & 3)) {
    bool lb = is_bit(l->type), rb = arity == 2 && is_bit(r->type);
    bool keep_l = (info.parse & 0x80) && popt.bit_keyword && (rb || (info.parse & 0x8));
    bool keep_r = (info.parse & 0x80) && popt.bit_keyword && (lb || (info.parse & 0x8));
    bool sign = code == OP_NEG || code == OP_PLUS_U;
    if (lb && !keep_l && code != OP_ASSIGN) {
      if (sign) l = expr_convert(l, type_plain(TC_INT));
      else if ((info.parse & 0x8) && code != OP_COLON && expr_is_lvalue(l)) msg(203);
      else if (!expr_is_lvalue(l) || !(info.parse & 0x8)) l = expr_convert(l, type_plain(TC_INT));
    }
    if (rb && !keep_r && code != OP_ASSIGN) {
      if ((info.parse & 0x8) && code != OP_COLON && expr_is_lvalue(r)) msg(203);
      else r = expr_convert(r, type_plain(TC_INT));
    }
  }

  int lv = (info.cls >> 12) & 3;
  if (lv == 2) {
    if (!expr_is_lvalue(l)) {
      msg(code == OP_ADDR ? 201 : 202);
      expr_free(l);
      if (arity == 2) expr_free(r);
      return nullptr;
    }
    if (code != OP_ADDR && (expr_object_quals(l->type) & qual_readonly_bits())) msg(364);
  } else if (lv == 3 && !type_is_pointer(l->type)) {
    msg(981);
    expr_free(l);
    return nullptr;
  }

  if (info.cls & 2) l = expr_condition(l);
  if ((info.cls & 1) && arity == 2) r = expr_condition(r);

  if ((info.cls & 0x80) && code != OP_COLON &&
      (type_is_void(l->type) || (arity == 2 && type_is_void(r->type)))) {
    msg(206);
    expr_free(l);
    if (arity == 2) expr_free(r);
    return nullptr;
  }

  switch (code) {
    case OP_DEREF: {
      type_t t = type_deref(l->type);
      return node(OP_DEREF, l, nullptr, t);
    }
    case OP_ADDR:
      return node(OP_ADDR, l, nullptr, expr_pointer_to(l->type));
    case OP_NEG:
    case OP_PLUS_U:
    case OP_COMPL: {
      bool ok = code == OP_COMPL ? type_is_integral(l->type) : type_is_arith(l->type);
      if (!ok) {
        msg(205);
        return node(code, l, nullptr, l->type);
      }
      l = expr_convert(l, expr_promoted(l->type));
      return expr_fold(node(code, l, nullptr, l->type));
    }
    case OP_NOT:
      return expr_fold(node(OP_NOT, l, nullptr, type_plain(TC_BIT)));
    case OP_MUL: case OP_DIV: case OP_MOD: case OP_ADD: case OP_SUB: case OP_SHL: case OP_SHR:
    case OP_AND: case OP_OR: case OP_XOR:
      return arith_binary(code, l, r);
    case OP_LT: case OP_GT: case OP_LE: case OP_GE: case OP_EQ: case OP_NE:
      return comparison(code, l, r);
    case OP_LAND:
    case OP_LOR:
      return expr_fold(node(code, l, r, type_plain(TC_BIT)));
    case OP_QUEST:
      if (r->op != OP_COLON) {
        msg(195);
        expr_free(l);
        expr_free(r);
        return nullptr;
      }
      return expr_fold(node(OP_QUEST, l, r, r->type));
    case OP_COLON:
      return conditional_arms(l, r);
    case OP_ASSIGN: case OP_ASG_ADD: case OP_ASG_SUB: case OP_ASG_MUL: case OP_ASG_DIV:
    case OP_ASG_MOD: case OP_ASG_SHR: case OP_ASG_SHL: case OP_ASG_AND: case OP_ASG_XOR:
    case OP_ASG_OR: case OP_INC: case OP_DEC: case OP_ARRAYCOPY:
      return assignment(code, l, r);
    case OP_COMMA:
      return node(OP_COMMA, l, r, r->type);
    case OP_ARGSEP:
      return node(OP_ARGSEP, l, r, type_plain(TC_VOID));
    case OP_CJUMP:
      return node(OP_CJUMP, l, r, type_plain(TC_VOID));
    case OP_JUMP:
    case OP_EXITJUMP:
    case OP_RETURN:
      return node(code, l, nullptr, type_plain(TC_VOID));
    case OP_VARARG:
      return node(code, l, nullptr, l->type);
    case OP_INIT:
      return node(code, l, r, type_plain(TC_VOID));
    default:
      return node(code, l, arity == 2 ? r : nullptr, l->type);
  }
}
