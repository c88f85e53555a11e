#include "codegen/model/fold.h"

#include <algorithm>
#include <cstdio>
#include <initializer_list>
#include <vector>

#include "codegen/model/build.h"
#include "codegen/model/foldsupport.h"
#include "codegen/model/progstate.h"
#include "codegen/model/simplify.h"
#include "codegen/model/symbols.h"
#include "codegen/model/target_services.h"
#include "common/alert.h"
#include "common/alloc.h"
#include "common/vector.h"

namespace {

// An object at a constant address: a compiler-made absolute symbol.
tree_node *absolute_object(tree_node *n) {
  tree_node *c = n->left;
  symbol *s = sym_new();
  char name[16];
  snprintf(name, sizeof name, "%u", uint32_t(c->value));
  sym_set_names(s, name);
  s->kind = SK_OBJECT;
  s->sclass = SC_STATIC;
  s->flags = SYM_ABSOLUTE | SYM_COMPILER_MADE;
  s->flags2 = SYM2_FIXED;
  s->address = uint32_t(c->value);
  s->type = n->type;
  tree_node *id = tree_ident(s);
  id->type = n->type;
  take_place(id, n);
  tree_free(n);
  fold_changed();
  return id;
}

// op(a ; b, c) becomes a ; op(b, c), and op(a, b ; c) becomes b ; op(a, c).
tree_node *hoist_sequence(tree_node *n, bool from_left) {
  tree_node *seq = from_left ? n->left : n->right;
  if (from_left)
    n->left = seq->right;
  else
    n->right = seq->right;
  tree_set_height(n);
  seq->right = n;
  seq->type = n->type;
  seq->targets = n->targets;
  seq->indir = n->indir;
  tree_set_height(seq);
  take_place(seq, n);
  fold_changed();
  return seq;
}

// Rebuilds an operation in the type w of its narrowest common operand and
// converts the result back (the operations keep their values there).
tree_node *operate_narrow(tree_node *n, ctype *w, bool convert_right) {
  ctype *former = n->type;
  auto narrow = [&](tree_node *t) {
    if (is_conversion(t) && type_equal(type_unqual(t->left->type), type_unqual(w))) {
      tree_node *inner = t->left;
      tree_free(t->right);
      free_shell(t);
      return inner;
    }
    return tree_convert_to(t, w);
  };
  n->left = narrow(n->left);
  if (convert_right && n->right) n->right = narrow(n->right);
  n->type = w;
  tree_set_height(n);
  fold_changed();
  return tree_convert_to(n, former);
}

// Both operands widened from narrower values of one class.
tree_node *narrow_both(tree_node *n) {
  uint32_t d = op_dope(n->op);
  if (!(d & D_ZERO_EXTEND) || is_floating(n) || op_arity(n->op) == D_RECORD) return nullptr;
  bool binary = op_is_binary(n->op), shift = d & D_SHIFT;
  tree_node *l = n->left, *r = binary && !shift ? n->right : n->left;
  if (!is_conversion(l) || !is_conversion(r)) return nullptr;
  tree_node *a = l->left, *b = r->left;
  uint32_t sa = tree_size(a), sb = tree_size(b), sn = tree_size(n);
  if (!sa || !sb || sa >= sn || sb >= sn || tree_arith(a) != tree_arith(b)) return nullptr;
  // A signed quotient can leave the narrower type (the most negative value
  // divided by -1), so only unsigned division is narrowed; and division,
  // remainder and right shifts see the values, so the widening must keep
  // them (a signed value widened to an unsigned type does not).
  if ((n->op == OP_DIV) && tree_arith(a) == ARITH_SIGNED) return nullptr;
  if ((n->op == OP_DIV || n->op == OP_MOD || n->op == OP_SHR) &&
      (tree_arith(l) != tree_arith(a) || tree_arith(r) != tree_arith(b)))
    return nullptr;
  ctype *w = sa >= sb ? a->type : b->type;
  if (shift && is_const(n->right) && uint32_t(n->right->value) >= 8 * type_size(w)) return nullptr;
  return operate_narrow(n, type_unqual(w), binary && !shift);
}

// x /= (T)y with y of x's class and width.
void narrow_compound_divisor(tree_node *n) {
  if (n->op != OP_ASDIV && n->op != OP_ASMOD) return;
  tree_node *r = n->right;
  if (!is_conversion(r)) return;
  uint32_t sn = tree_size(n);
  if (tree_size(r->left) > sn || sn >= tree_size(r) || tree_arith(r->left) != tree_arith(n)) return;
  tree_node *operand = r->left;
  tree_free(r->right);
  free_shell(r);
  n->right = tree_convert_to(operand, n->type);
  fold_changed();
}

// A pointer stepped in place by a narrower index (one cut to the span of
// the pointer's targets, or taken over from p = p + i) is stepped by it
// widened to the pointer's width, as the in-place rules take it.
void widen_pointer_step(tree_node *n) {
  if (n->op != OP_ASADD && n->op != OP_ASSUB) return;
  tree_node *l = n->left, *r = n->right;
  if (!tree_is_pointer(l) || tree_is_pointer(r) || tree_size(r) >= tree_size(l) || is_floating(r)) return;
  n->right = tree_convert_to(r, type_for_size(tree_size(l), tree_arith(r)));
  tree_set_height(n);
  fold_changed();
}

// An object read a second time gives the same value and does nothing else.
bool reads_alike_twice(tree_node *t) {
  if (t->op != OP_ID && t->op != OP_DEREF && t->op != OP_DOT) return false;
  return !tree_find(t, nullptr, [](tree_node *n, void *) {
    return n->op == OP_CALL || n->op == OP_CALLZAP || (op_dope(n->op) & D_SIDE_EFFECT) ||
           (n->op == OP_DEREF && tree_is_volatile(n->left));
  });
}

// x op= y is worked out in the type of x op y, then converted back: a
// quotient or remainder by a wider or differently signed y, and any
// operation with a floating y on an x of another type, become
// x = (T)((U)x op y). A divisor constant that x's type holds is taken as
// that type instead.
tree_node *widen_compound(tree_node *n) {
  // A shift's count does not take part in the shifted value's type.
  uint32_t plain = op_plain_form(n->op);
  tree_node *l = n->left, *r = n->right;
  if (!plain || (op_dope(plain) & D_SHIFT) || !l || !r || tree_is_pointer(l) || l->op == OP_BITFIELD) return nullptr;
  bool floating = is_floating(r) && (!is_floating(l) || tree_size(r) != tree_size(l));
  bool divides = (plain == OP_DIV || plain == OP_MOD) && !is_floating(l) && !is_floating(r) &&
                 (tree_size(r) > tree_size(l) || tree_arith(r) != tree_arith(l));
  if (!floating && !divides) return nullptr;
  if (divides && is_const(r) && value_fits(r->value, l->type)) {
    n->right = tree_convert_to(r, l->type);
    fold_changed();
    return nullptr;
  }
  if (!reads_alike_twice(l)) return nullptr;
  tree_node *value = tree_build(plain, tree_convert_to(tree_copy(l), r->type), r);
  tree_node *assign = tree_build(OP_ASSIGN, l, tree_convert_to(value, l->type));
  fold_changed();
  return give_way(n, assign);
}

// Same-size conversions under operations whose low bytes depend
// only on the operands' low bytes.
void unwrap_same_size(tree_node *n) {
  if (!(op_dope(n->op) & D_LOW_BYTES) || op_arity(n->op) == D_RECORD) return;
  auto plain = [](tree_node *t) {
    if (!is_conversion(t) || tree_size(t) != tree_size(t->left)) return false;
    uint8_t to = tree_arith(t), from = tree_arith(t->left);
    if (to > ARITH_UNSIGNED || from > ARITH_UNSIGNED) return false;
    return !(tree_is_pointer(t) && tree_is_pointer(t->left) && !type_equal(t->type, t->left->type));
  };
  auto unwrap = [](tree_node *&slot) {
    tree_node *t = slot;
    slot = t->left;
    tree_free(t->right);
    free_shell(t);
    fold_changed();
  };
  if (plain(n->left)) unwrap(n->left);
  if (op_is_binary(n->op) && !(op_dope(n->op) & D_SHIFT) && plain(n->right)) unwrap(n->right);
}

// (x << a) << b is x << (a + b), while the sum stays below the width.
void join_shifts(tree_node *n) {
  if ((n->op != OP_SHL && n->op != OP_SHR) || !is_const(n->right)) return;
  tree_node *inner = n->left;
  if (inner->op != n->op || !is_const(inner->right)) return;
  if (n->op == OP_SHR && tree_arith(inner) != tree_arith(n)) return;
  int64_t total = int64_t(n->right->value) + inner->right->value;
  if (n->right->value < 0 || inner->right->value < 0 || total >= 8 * int64_t(tree_size(n))) return;
  n->right->value = int32_t(total);
  n->left = inner->left;
  tree_free(inner->right);
  free_shell(inner);
  tree_set_height(n);
  fold_changed();
}

// & done in a narrower type.
tree_node *narrow_and(tree_node *n) {
  if (n->op != OP_AND) return nullptr;
  tree_node *l = n->left, *r = n->right;
  tree_node *u = tree_narrow_source(l);
  if (!u && is_const(r) && is_conversion(l) && tree_size(l->left) < tree_size(l) &&
      const_in_range(l, r, OP_AND)) {
    // Done narrow, the result is widened again the way x was: a signed x
    // needs a mask that its own sign extension reproduces.
    tree_node *x = l->left;
    int64_t k = const_value(r);
    if (tree_arith(x) == ARITH_SIGNED) k = value_in_type(k, type_for_size(tree_size(n), ARITH_SIGNED));
    if (value_fits(k, x->type) && !is_floating(x)) u = x;
  }
  if (u && tree_size(u) && tree_size(u) < tree_size(n)) {
    ctype *former = n->type;
    ctype *w = type_unqual(u->type);
    n->left = tree_convert_to(l, w);
    n->right = tree_convert_to(r, w);
    n->type = w;
    tree_set_height(n);
    fold_changed();
    return tree_convert_to(n, former);
  }
  if (is_const(r) && is_conversion(l) && tree_size(l) < tree_size(l->left) && l->left->op == OP_SHR &&
      is_const(l->left->right)) {
    uint32_t size = tree_size(n);
    int32_t d = l->left->right->value;
    uint32_t e = uint32_t(r->value);
    if (d >= 0 && uint32_t(d) < 8 * size && e < (uint64_t(1) << (8 * size - d))) {
      tree_node *shift = l->left;
      tree_node *y = shift->left;
      shift->left = tree_convert_to(y, l->type);
      shift->type = l->type;
      tree_set_height(shift);
      n->left = shift;
      tree_free(l->right);
      free_shell(l);
      tree_set_height(n);
      fold_changed();
    }
  }
  return nullptr;
}

// Operations whose result keeps the width of zero-extended
// operands done in the width of the narrow source.
tree_node *narrow_sources(tree_node *n) {
  uint32_t d = op_dope(n->op);
  if (!(d & D_ZERO_EXTEND) || is_floating(n) || op_arity(n->op) == D_RECORD) return nullptr;
  tree_node *b = tree_narrow_source(n->left);
  if (!b || !tree_size(b) || tree_size(b) >= tree_size(n)) return nullptr;
  bool binary = op_is_binary(n->op), shift = d & D_SHIFT;
  if (binary && !shift) {
    tree_node *r = n->right;
    bool fits = is_const(r) && value_fits(const_value(r), b->type);
    tree_node *rb = is_const(r) ? nullptr : tree_narrow_source(r);
    bool narrow = rb && tree_arith(rb) == tree_arith(b) && tree_size(rb) <= tree_size(b);
    if (!fits && !narrow) return nullptr;
  }
  if (shift && is_const(n->right) && uint32_t(n->right->value) >= 8 * tree_size(b)) return nullptr;
  ctype *former = n->type, *w = type_unqual(b->type);
  n->left = tree_convert_to(n->left, w);
  if (binary && !shift) n->right = tree_convert_to(n->right, w);
  n->type = w;
  tree_set_height(n);
  fold_changed();
  return tree_convert_to(n, former);
}

bool is_widening(const tree_node *t) {
  return is_conversion(t) && tree_size(t->left) < tree_size(t) && !is_floating(t) && !is_floating(t->left);
}

// The result of a comparison known from the operands' ranges; the other
// operand keeps its side effects.
tree_node *known_comparison(tree_node *n, bool value) {
  tree_node *c = tree_const(value);
  c->type = n->type;
  c->flags |= TF_MADE_CONST;
  tree_node *effects = nullptr;
  for (tree_node *side : {n->left, n->right})
    if (side && tree_has_side_effect(side)) {
      effects = side;
      if (side == n->left)
        n->left = nullptr;
      else
        n->right = nullptr;
    }
  take_place(c, n);
  tree_free(n);
  fold_changed();
  if (!effects) return c;
  return tree_build(OP_SEQ, effects, c);
}

bool ordering_result(uint32_t op, bool constant_left, int64_t c, int64_t lo, int64_t hi) {
  // x op c with c outside [lo, hi]; for a constant on the left the operator turns.
  if (constant_left) {
    switch (op) {
      case OP_LT: op = OP_GT; break;
      case OP_LE: op = OP_GE; break;
      case OP_GT: op = OP_LT; break;
      case OP_GE: op = OP_LE; break;
    }
  }
  switch (op) {
    case OP_LT:
    case OP_LE: return c > hi;
    case OP_GT:
    case OP_GE: return c < lo;
  }
  return false;
}

// Comparisons in a narrower or cheaper form, each keeping C's result.
tree_node *fold_comparison(tree_node *n) {
  tree_node *l = n->left, *r = n->right;
  // A truth value compared with 0 or 1 is that truth value or its negation.
  auto truth = [](const tree_node *t) {
    return t && (op_is_compare(t->op) || t->op == OP_NOT || t->op == OP_LAND || t->op == OP_LOR);
  };
  if ((n->op == OP_EQ || n->op == OP_NE) && (truth(l) || truth(r))) {
    tree_node *value = truth(l) ? l : r, *c = value == l ? r : l;
    if (is_const(c) && (c->value == 0 || c->value == 1)) {
      bool same = (n->op == OP_EQ) == (c->value == 1);
      tree_free(c);
      n->left = n->right = nullptr;
      if (!same) value = tree_build(OP_NOT, value, nullptr);
      return give_way(n, value);
    }
  }
  // A floating widening compared with zero.
  if (is_conversion(l) && is_floating(l) && is_floating(l->left) && tree_size(l->left) <= tree_size(l) &&
      tree_is_zero(r)) {
    tree_node *x = l->left;
    tree_free(l->right);
    free_shell(l);
    n->left = x;
    r->type = x->type;
    if (r->op == OP_CONV) {
      tree_node *zero = r->left;
      tree_free(r->right);
      free_shell(r);
      zero->type = x->type;
      n->right = zero;
    }
    fold_changed();
    return nullptr;
  }
  // A constant against a widened narrower value.
  bool const_left = is_const(l) && is_widening(r);
  if ((is_const(r) && is_widening(l)) || const_left) {
    tree_node *conv = const_left ? r : l, *c = const_left ? l : r;
    tree_node *x = conv->left;
    int64_t value = const_value(c);
    // Only a conversion that keeps every value of x makes the result known.
    bool keeps_values = is_unsigned(x) || tree_arith(conv) == ARITH_SIGNED;
    if (keeps_values && !value_fits(value, x->type)) {
      msg_once(is_unsigned(x) ? 765 : 766);
      bool result = n->op == OP_NE ? true
                    : n->op == OP_EQ ? false
                                     : ordering_result(n->op, const_left, value, type_min_value(x->type),
                                                       type_max_value(x->type));
      return known_comparison(n, result);
    }
    if (tree_arith(x) == tree_arith(conv) || (is_unsigned(x) && !is_floating(conv))) {
      tree_convert_const_to(x->type, c);
      tree_free(conv->right);
      free_shell(conv);
      if (const_left)
        n->right = x;
      else
        n->left = x;
      tree_set_height(n);
      fold_changed();
      return nullptr;
    }
  }
  // An unsigned view of a sign-extended narrower value.
  if (is_const(r) && r->value >= 0 && is_conversion(l) && is_unsigned(l) && tree_size(l) > 1 &&
      is_conversion(l->left) && tree_arith(l->left) == ARITH_SIGNED && tree_size(l->left) == tree_size(l) &&
      tree_arith(l->left->left) == ARITH_SIGNED && tree_size(l->left->left) < tree_size(l)) {
    tree_node *x = l->left->left;
    if (uint32_t(r->value) <= tree_value_mask(x) / 2) {
      ctype *u = type_for_size(tree_size(x), ARITH_UNSIGNED);
      l->left->left = nullptr;
      tree_free(l);
      n->left = tree_convert_to(x, u);
      n->right = tree_convert_to(r, u);
      tree_set_height(n);
      fold_changed();
      return nullptr;
    }
  }
  // A mask that fits the lower half compares in that half.
  if (l->op == OP_AND && is_const(l->right) && tree_size(l) > 1 && is_const(r)) {
    uint32_t half = tree_size(l) / 2;
    uint32_t m = uint32_t(l->right->value);
    uint32_t limit = half >= 4 ? 0xffffffffu : (uint32_t(1) << (8 * half)) - 1;
    if (m > 0 && m <= limit && const_value(r) >= 0 && const_value(r) <= int64_t(limit)) {
      ctype *u = type_for_size(half, ARITH_UNSIGNED);
      l->left = tree_convert_to(l->left, u);
      l->right->type = u;
      l->type = u;
      tree_set_height(l);
      n->right = tree_convert_to(r, u);
      tree_set_height(n);
      fold_changed();
      return nullptr;
    }
  }
  // A floating widening against a constant.
  if (is_conversion(l) && is_floating(l) && tree_size(l) <= 4 && is_floating(l->left) &&
      tree_size(l->left) < tree_size(l) && is_fconst(r)) {
    uint32_t narrow_bits = cgen_float_bits(r->fvalue, tree_size(l->left));
    uint32_t wide_bits = cgen_float_bits(r->fvalue, tree_size(l));
    if ((uint64_t(narrow_bits) << (8 * (tree_size(l) - tree_size(l->left)))) == wide_bits) {
      tree_node *x = l->left;
      tree_free(l->right);
      free_shell(l);
      n->left = x;
      r->type = x->type;
      fold_changed();
      return nullptr;
    }
    if (n->op == OP_EQ || n->op == OP_NE) {
      simplify_pend(764);
      return known_comparison(n, n->op == OP_NE);
    }
  }
  // An unsigned value above zero is one that is not zero.
  if (n->op == OP_GT && is_unsigned(l) && tree_is_zero(r)) {
    n->op = OP_NE;
    fold_changed();
  }
  // x++ == c is (x += n) == c + n. Only equality: an ordering would see
  // the stepped value wrap.
  if ((n->op == OP_EQ || n->op == OP_NE) && (l->op == OP_POSTINC || l->op == OP_POSTDEC) && l->right) {
    bool inc = l->op == OP_POSTINC;
    l->op = inc ? OP_ASADD : OP_ASSUB;
    tree_node *step = tree_copy(l->right);
    tree_node *stepped = tree_build(inc ? OP_ADD : OP_SUB, r, step);
    // A bit-field's stepped value wraps within its width.
    const symbol *field = l->left && l->left->op == OP_BITFIELD ? l->left->member : nullptr;
    if (field && field->bf_width < 32)
      stepped = tree_build(OP_AND, stepped, tree_const(int32_t((1u << field->bf_width) - 1)));
    n->right = tree_convert_to(stepped, l->type);
    tree_set_height(n);
    fold_changed();
    return nullptr;
  }
  // A widened narrower value against a constant out of its range.
  if (is_widening(l) || (is_conversion(l) && type_unqual(l->left->type) == type_bit())) {
    tree_node *x = l->left;
    bool x_bit = type_unqual(x->type) == type_bit();
    if ((x_bit || tree_size(x)) && is_const(r) &&
        (tree_arith(l) == ARITH_SIGNED || is_unsigned(x))) {
      if (!const_in_range(l, r, n->op)) {
        simplify_pend(764);
        int64_t w = tree_value_mask(x);
        if (tree_arith(x) == ARITH_SIGNED) w /= 2;
        int64_t c = const_value(r);
        bool result = n->op == OP_NE ? true
                      : n->op == OP_EQ ? false
                      : (n->op == OP_LT || n->op == OP_LE) ? w < c
                                                           : c < w;
        tree_node *left = l;
        n->left = nullptr;
        tree_node *constant = known_comparison(n, result);
        return tree_build(OP_SEQ, left, constant);
      }
      tree_convert_const_to(x->type, r);
      tree_free(l->right);
      free_shell(l);
      n->left = x;
      tree_set_height(n);
      fold_changed();
      return nullptr;
    }
  }
  // Both sides widened: compare in their usual arithmetic type, when
  // both widenings keep the values (and so their order).
  auto keeps = [](const tree_node *conv) {
    return is_unsigned(conv->left) || tree_arith(conv) == ARITH_SIGNED;
  };
  if (is_conversion(l) && is_conversion(r) && !is_floating(l) && !is_floating(l->left) && !is_floating(r->left) &&
      tree_arith(l->left) != ARITH_NONE && tree_arith(r->left) != ARITH_NONE && keeps(l) && keeps(r) &&
      tree_size(l->left) <= tree_size(l) && tree_size(r->left) <= tree_size(r)) {
    ctype *m = type_arith_result(l->left->type, r->left->type);
    if (type_size(m) < tree_size(l)) {
      l->type = l->right->type = m;
      r->type = r->right->type = m;
      fold_changed();
    }
  }
  return nullptr;
}

struct term {
  tree_node *tree;
  int64_t k;
};

void collect_terms(tree_node *t, int64_t k, std::vector<term> &terms) {
  if (is_floating(t)) {
    terms.push_back({t, k});
    return;
  }
  if ((t->op == OP_MUL || t->op == OP_SHL) && t->right && is_conversion(t->right) && is_const(t->right->left))
    t->right = tree_fold_constants(t->right);
  // x * d and x << d are x with the coefficient d or 2^d.
  bool scaled = (t->op == OP_MUL && is_const(t->right)) ||
                (t->op == OP_SHL && is_const(t->right) && t->right->value >= 0 && t->right->value < 32);
  if (scaled) {
    int64_t d = t->op == OP_MUL ? int64_t(t->right->value) : int64_t(1) << t->right->value;
    tree_node *x = t->left;
    tree_free(t->right);
    free_shell(t);
    collect_terms(x, k * d, terms);
    return;
  }
  switch (t->op) {
    case OP_ADD:
    case OP_SUB: {
      tree_node *a = t->left, *b = t->right;
      bool minus = t->op == OP_SUB;
      free_shell(t);
      collect_terms(a, k, terms);
      collect_terms(b, minus ? -k : k, terms);
      return;
    }
    case OP_NEG: {
      tree_node *a = t->left;
      free_shell(t);
      collect_terms(a, -k, terms);
      return;
    }
  }
  terms.push_back({t, k});
}

// Coefficients count modulo the term's width; they are kept sign-extended.
int64_t wrap_coefficient(int64_t k, const tree_node *t) {
  uint32_t size = tree_size(t);
  if (size == 0 || size >= 4) return int64_t(int32_t(uint32_t(uint64_t(k))));
  uint32_t bits = 8 * size;
  uint64_t masked = uint64_t(k) & ((uint64_t(1) << bits) - 1);
  if (masked >> (bits - 1)) return int64_t(masked) - (int64_t(1) << bits);
  return int64_t(masked);
}

// Sums regrouped as terms with coefficients.
tree_node *reassociate(tree_node *n) {
  bool saved = tree_changed;
  ctype *former = n->type;
  std::vector<term> terms;
  collect_terms(n, 1, terms);
  // An address in a sum of integers is an integer there: summed as a
  // pointer, the other terms would become an index into its targets.
  if (!type_is_pointer(former))
    for (term &t : terms)
      if (tree_is_pointer(t.tree)) t.tree = tree_convert_to(t.tree, former);
  std::stable_sort(terms.begin(), terms.end(), [](const term &a, const term &b) {
    bool pa = tree_is_pointer(a.tree), pb = tree_is_pointer(b.tree);
    if (pa != pb) return pa;
    bool ca = tree_is_constant(a.tree), cb = tree_is_constant(b.tree);
    if (ca != cb) return !ca;
    return a.k > b.k;
  });
  for (size_t i = 0; i < terms.size(); i++) {
    if (!terms[i].tree || tree_has_side_effect(terms[i].tree)) continue;
    for (size_t j = i + 1; j < terms.size(); j++) {
      if (!terms[j].tree || !tree_equal(terms[i].tree, terms[j].tree)) continue;
      terms[i].k = wrap_coefficient(terms[i].k + terms[j].k, terms[i].tree);
      tree_free(terms[j].tree);
      terms[j].tree = nullptr;
    }
    terms[i].k = wrap_coefficient(terms[i].k, terms[i].tree);
    if (terms[i].k == 0) {
      tree_free(terms[i].tree);
      terms[i].tree = nullptr;
    }
  }
  std::vector<term> kept;
  for (const term &t : terms)
    if (t.tree) kept.push_back(t);
  // The constant terms are summed into the first of them.
  tree_node *constants = nullptr;
  std::vector<tree_node *> parts;
  for (const term &t : kept) {
    tree_node *tree = tree_term(t.tree, t.k);
    // Constants add up in the sum's own type, whatever type each was left in;
    // the sum wraps there, so no constant is reported as cut.
    if (tree_is_constant(t.tree) && !tree_is_pointer(t.tree)) {
      if (tree->op == OP_CONST) {
        tree_fit_folded_const_to(former, tree);
      } else {
        tree = tree_convert_to(tree, former);
      }
    }
    if (tree_is_constant(t.tree) && !tree_is_pointer(t.tree)) {
      constants = constants ? tree_fold_constants(tree_build(OP_ADD, constants, tree)) : tree;
      if (parts.empty() || parts.back() != nullptr) parts.push_back(nullptr);
    } else {
      parts.push_back(tree);
    }
  }
  tree_node *result = nullptr;
  for (tree_node *part : parts) {
    tree_node *piece = part ? part : constants;
    if (!piece) continue;
    if (!part) constants = nullptr;
    result = result ? tree_fold_constants(tree_commute(tree_build(OP_ADD, result, piece))) : piece;
  }
  if (!result) result = tree_const(0);
  if (result->op == OP_CONST) {
    tree_fit_folded_const_to(former, result);
  } else if (tree_size(result) != type_size(former) || tree_arith(result) != type_arith(former)) {
    // Retyping would change what the top operation computes: convert instead.
    result = tree_convert_to(result, former);
  }
  tree_changed = saved;
  return result;
}

bool is_sum(const tree_node *t) { return t->op == OP_ADD || t->op == OP_SUB; }

}  // namespace

tree_node *tree_term(tree_node *subtree, int64_t k) {
  if (k == 1) return subtree;
  if (k == -1) return tree_build(OP_NEG, subtree, nullptr);
  tree_node *factor = tree_const(int32_t(k));
  tree_convert_const_to(subtree->type, factor);
  tree_node *product = tree_build(OP_MUL, subtree, factor);
  if (tree_bit_number(uint32_t(factor->value), product)) return tree_strength(product);
  return product;
}

tree_node *tree_commute(tree_node *n) {
  if (!(op_dope(n->op) & D_COMMUTATIVE) || !n->left || !n->right) return n;
  tree_node *l = n->left, *r = n->right;
  if (tree_size(l) == tree_size(r) && !tree_is_pointer(l)) {
    if (tree_is_pointer(r) || local_node_class(l) < local_node_class(r)) {
      n->left = r;
      n->right = l;
      if (tree_is_pointer(r)) n->type = r->type;
      fold_changed();
    }
  }
  if (!(op_dope(n->op) & D_ASSOCIATIVE) || n->left->op != n->op) return n;
  tree_node *inner = n->left;
  tree_node *a = inner->left, *b = inner->right, *c = n->right;
  bool both_const = tree_is_constant(b) && tree_is_constant(c) && !tree_is_pointer(b) && !tree_is_pointer(c);
  bool narrow = tree_size(n) == tree_size(inner) && tree_size(b) < tree_size(inner) && tree_size(c) == tree_size(b);
  if (both_const || narrow) {
    // (a op b) op c becomes a op (b op c), computed wide enough for the outer value.
    ctype *inner_type = b->type;
    if (!tree_is_pointer(c) && type_size(inner_type) < tree_size(n) && !tree_is_pointer(n))
      inner_type = n->type;
    else if (type_size(inner_type) < tree_size(n))
      // An offset with an unsigned part wraps in the address's width.
      inner_type = type_for_size(tree_size(n), tree_arith(b) == ARITH_UNSIGNED || tree_arith(c) == ARITH_UNSIGNED
                                                   ? ARITH_UNSIGNED
                                                   : ARITH_SIGNED);
    // Operands narrower than the inner sum are widened first, each as its
    // own type says: no operation mixes two narrower operands.
    bool widen = !both_const && !tree_is_pointer(b) && !tree_is_pointer(c) && tree_size(b) < type_size(inner_type);
    inner->left = widen ? tree_convert_to(b, inner_type) : b;
    inner->right = widen ? tree_convert_to(c, inner_type) : c;
    inner->type = inner_type;
    tree_set_height(inner);
    n->left = a;
    n->right = inner;
    if (tree_is_pointer(c)) n->type = c->type;
    tree_set_height(n);
    fold_changed();
    return tree_fold_constants(n);
  }
  if (n->op == OP_ADD && a->op == OP_ADDR && tree_is_constant(c) && !tree_is_constant(b)) {
    inner->left = b;
    inner->right = tree_convert(c, b);
    if (type_size(b->type) < tree_size(n)) inner->type = type_for_size(tree_size(n), ARITH_SIGNED);
    tree_set_height(inner);
    n->left = a;
    n->right = inner;
    tree_set_height(n);
    fold_changed();
    return n;
  }
  if (!tree_is_constant(inner) && local_node_class(b) < local_node_class(c) && tree_size(b) == tree_size(c)) {
    inner->right = c;
    n->right = b;
    tree_set_height(inner);
    tree_set_height(n);
    fold_changed();
    n->left = tree_commute(inner);
  }
  return n;
}

tree_node *tree_fold(tree_node *n) {
  if (!n) return n;
  // 1: an object at a constant address.
  if (n->op == OP_DEREF && is_const(n->left)) return absolute_object(n);
  // 2, 3
  if ((n->op == OP_ADD || n->op == OP_SUB) && tree_is_zero(n->right)) return keep_left(n);
  if (n->op == OP_ADD && n->left->op == OP_COMPL && is_const(n->right) && n->right->value == 1) {
    tree_node *negated = n->left;
    negated->op = OP_NEG;
    tree_free(n->right);
    return give_way(n, negated);
  }
  // 4
  n->count = 0;
  if (!op_has_operands(n->op) || op_arity(n->op) == D_RECORD) return tree_fold_operator(n);
  // 5, 6: sequences move out of operands.
  switch (n->op) {
    case OP_COMMA:
    case OP_COLON:
    case OP_SEQ:
    case OP_SEQCALL:
    case OP_INIT:
    case OP_CALLARGS:
    case OP_CALLZAP:
      break;
    default:
      if (n->left && n->left->op == OP_SEQ) return hoist_sequence(n, true);
      if (op_is_binary(n->op) && !(op_dope(n->op) & D_ORDERED) && n->right && n->right->op == OP_SEQ)
        return hoist_sequence(n, false);
  }
  // 7
  if (op_dope(n->op) & D_COMMUTATIVE) {
    tree_node *commuted = tree_commute(n);
    if (commuted != n) return commuted;
  }
  // 8: shift counts out of range.
  if ((op_dope(n->op) & D_SHIFT) && is_const(n->right)) {
    int32_t count = n->right->value;
    if (count < 0 || (tree_size(n) >= 2 && uint32_t(count) >= 8 * tree_size(n))) {
      msg_once(753, count);
      return keep_left(n);
    }
  }
  // 9: compound assignments to bit-fields.
  switch (n->op) {
    case OP_ASAND:
    case OP_ASMUL:
    case OP_ASADD:
    case OP_ASSUB:
    case OP_ASXOR:
    case OP_ASOR:
      if (n->left->op == OP_BITFIELD && is_const(n->right) &&
          uint32_t(n->right->value) > tree_value_mask(n->left)) {
        n->right->value = int32_t(uint32_t(n->right->value) & tree_value_mask(n->left));
        fold_changed();
      }
  }
  if (tree_node *r = narrow_both(n)) return r;
  narrow_compound_divisor(n);
  widen_pointer_step(n);
  if (tree_node *r = widen_compound(n)) return r;
  unwrap_same_size(n);
  join_shifts(n);
  if (tree_node *r = narrow_and(n)) return r;
  if (tree_node *r = narrow_sources(n)) return r;
  if (op_is_compare(n->op))
    if (tree_node *r = fold_comparison(n)) return r;
  if (is_sum(n) && !is_floating(n) && !tree_is_pointer(n) && tree_size(n) && (is_sum(n->left) || is_sum(n->right) ||
      n->left->op == OP_NEG || n->right->op == OP_NEG || n->left->op == OP_MUL || n->right->op == OP_MUL ||
      n->left->op == OP_SHL || n->right->op == OP_SHL || tree_equal(n->left, n->right))) {
    tree_node *regrouped = reassociate(n);
    return tree_fold_operator(regrouped);
  }
  return tree_fold_operator(n);
}
