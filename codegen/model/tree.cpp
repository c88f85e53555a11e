#include "codegen/model/tree.h"

#include <cstring>
#include <vector>

#include "codegen/model/iset.h"
#include "codegen/model/progstate.h"
#include "codegen/model/ptrtargets.h"
#include "codegen/model/symbols.h"
#include "codegen/model/target_services.h"
#include "codegen/model/types.h"
#include "common/alert.h"
#include "common/alloc.h"
#include "common/vector.h"

bool tree_changed;

namespace {

std::vector<tree_node *> &free_nodes() {
  static std::vector<tree_node *> &nodes = *new std::vector<tree_node *>;
  return nodes;
}

// Clears a record for reuse, keeping what code selection owns and the sets.
void clear_for_reuse(tree_node *n) {
  int16_t patterns[8];
  uint16_t goal = n->goal_matched, xreg[8], greg[8], yreg[8];
  regset *sets[RS_COUNT];
  memcpy(patterns, n->patterns, sizeof patterns);
  memcpy(xreg, n->xreg, sizeof xreg);
  memcpy(greg, n->greg, sizeof greg);
  memcpy(yreg, n->yreg, sizeof yreg);
  memcpy(sets, n->sets, sizeof sets);
  *n = tree_node{};
  memcpy(n->patterns, patterns, sizeof patterns);
  n->goal_matched = goal;
  memcpy(n->xreg, xreg, sizeof xreg);
  memcpy(n->greg, greg, sizeof greg);
  memcpy(n->yreg, yreg, sizeof yreg);
  memcpy(n->sets, sets, sizeof sets);
}

bool is_volatile_type(ctype *t) { return t && t->kind == TY_QUALIFIED && (type_qualifiers(t) & Q_VOLATILE); }

tree_node *arg_at(const tree_node *t, uint32_t k) { return static_cast<tree_node *>(vec_get(t->args, k)); }

}  // namespace

tree_node *tree_node_new() {
  tree_node *n;
  if (!free_nodes().empty()) {
    n = free_nodes().back();
    free_nodes().pop_back();
    clear_for_reuse(n);
  } else {
    n = new tree_node{};
  }
  n->flags = TF_LIVE;
  n->file = sym_current_file();
  n->line = sym_current_line();
  tree_changed = true;
  return n;
}

void tree_node_free(tree_node *n) {
  if (!n) return;
  xfree(n->text);
  n->text = nullptr;
  xfree(n->comment);
  n->comment = nullptr;
  for (uint32_t k = 0; k < vec_size(n->args); k++) tree_free(arg_at(n, k));
  vec_free(n->args);
  n->args = nullptr;
  for (regset *s : n->sets)
    if (s) iset_clear(s);
  n->flags &= ~TF_LIVE;
  free_nodes().push_back(n);
  tree_changed = true;
}

void tree_free(tree_node *t) {
  if (!t) return;
  if (op_has_operands(t->op)) tree_free(t->left);
  if (op_is_binary(t->op)) tree_free(t->right);
  tree_node_free(t);
}

void tree_release_all() {
  for (tree_node *n : free_nodes()) {
    for (regset *s : n->sets) iset_free(s);
    delete n;
  }
  free_nodes().clear();
}

tree_node *tree_copy_node(const tree_node *n) {
  tree_node *c = tree_node_new();
  c->op = n->op;
  c->fvalue = n->fvalue;
  c->flags = n->flags | TF_LIVE;
  c->type = n->type;
  c->height = n->height;
  c->value = n->value;
  c->file = n->file;
  c->line = n->line;
  c->targets = n->targets;
  c->callee = n->callee;
  c->indir = n->indir;
  c->left = n->left;
  c->right = n->right;
  c->sym = n->sym;
  c->member = n->member;
  c->switch_value = n->switch_value;
  c->partner = n->partner;
  // Each node owns its comment, so the copy gets its own.
  c->comment = str_dup(n->comment);
  c->call_site = n->call_site;
  if (n->op == OP_ASM) c->text = str_dup(n->text);
  return c;
}

tree_node *tree_copy(const tree_node *t) {
  if (!t) return nullptr;
  tree_node *c = tree_copy_node(t);
  if (op_has_operands(t->op)) {
    if (t->args) {
      c->args = vec_new_default();
      for (uint32_t k = 0; k < vec_size(t->args); k++) vec_push(c->args, tree_copy(arg_at(t, k)));
    }
    c->left = tree_copy(t->left);
  }
  c->right = op_is_binary(t->op) ? tree_copy(t->right) : nullptr;
  if (c->left && c->right && t->left && t->left->partner == t->right) {
    c->left->partner = c->right;
    c->right->partner = c->left;
  }
  return c;
}

void tree_set_height(tree_node *t) {
  uint16_t h = 0;
  if (t->left && op_has_operands(t->op)) h = t->left->height;
  if (t->right && op_is_binary(t->op) && t->right->height > h) h = t->right->height;
  t->height = uint16_t(h + 1);
}

tree_node *tree_make(uint32_t op, tree_node *left, tree_node *right, ctype *type) {
  tree_node *n = tree_node_new();
  n->op = op;
  n->left = left;
  n->right = right;
  n->type = type;
  tree_set_height(n);
  return n;
}

tree_node *tree_const(int32_t n) {
  tree_node *c = tree_node_new();
  c->op = OP_CONST;
  c->type = type_long();
  c->value = n;
  c->height = 1;
  return c;
}

tree_node *tree_zero_like(tree_node *t) {
  tree_node *c = tree_const(0);
  c->type = type_unqual(t->type);
  tree_free(t);
  return c;
}

tree_node *tree_type_node(ctype *type) {
  bool changed = tree_changed;
  tree_node *n = tree_node_new();
  n->op = OP_TYPE;
  n->type = type;
  n->height = 1;
  tree_changed = changed;
  return n;
}

tree_node *tree_ident(symbol *s) {
  tree_node *n = tree_node_new();
  n->op = OP_ID;
  n->sym = s;
  n->type = s->type;
  n->height = 1;
  n->targets = sym_ptr_targets(s);
  n->indir = 1;
  ctype *pointer = type_unqual(s->type);
  if (n->targets && pointer && pointer->kind == TY_POINTER && !type_is_function(pointer->sub))
    type_set_ptr_size(pointer, emit_pointer_size(n->targets));
  if (model.optim_levels > 1 && (s->sclass == SC_EXTERN || s->sclass == SC_STATIC))
    s->flags2 |= SYM2_FIXED;
  if (s->sclass == SC_EXTERN && !(s->flags & SYM_GLOBAL_REF) && !(s->flags2 & SYM2_INLINE))
    s->flags |= SYM_GLOBAL_REF;
  const uint32_t assigned_or_exempt = SYM_PARAM | SYM_COMPILER_MADE | SYM_UNSET_REPORTED | SYM_ASSIGNED_PLAIN;
  if (model.mach_alloc_entered && s->sclass == SC_AUTO && !(s->flags & assigned_or_exempt) &&
      !(s->flags2 & SYM2_ADDRESS_TAKEN)) {
    symbol *f = sym_current_function();
    if (!(f && (f->flags & SYM_LIBRARY))) msg_once(1257, s->name);
    s->flags |= SYM_UNSET_REPORTED;
  }
  return n;
}

tree_node *tree_reg_ident(symbol *s, uint32_t reg) {
  tree_node *n = tree_ident(s);
  n->op = OP_REG;
  n->sym = nullptr;
  n->value = int32_t(reg);
  return n;
}

uint32_t tree_size(const tree_node *t) { return t ? type_size(t->type) : 0; }

bool tree_is_pointer(const tree_node *t) { return t && type_is_pointer(t->type); }

bool tree_is_struct(const tree_node *t) { return t && type_is_struct(t->type); }

uint32_t tree_pointee_size(const tree_node *t) {
  if (!tree_is_pointer(t)) return 1;
  return type_size(type_unqual(t->type)->sub);
}

uint8_t tree_arith(const tree_node *t) { return t ? type_arith(t->type) : uint8_t(ARITH_NONE); }

uint32_t type_value_mask(ctype *type) {
  uint32_t size = type_size(type);
  return size < 4 ? (uint32_t(1) << (8 * size)) - 1 : 0xffffffffu;
}

uint32_t tree_value_mask(const tree_node *t) {
  if (t->op == OP_BITFIELD && t->member) {
    uint32_t width = t->member->bf_width;
    return width > 31 ? 0xffffffffu : (uint32_t(1) << width) - 1;
  }
  uint32_t size = tree_size(t);
  if (size == 0) return type_unqual(t->type) == type_bit() ? 1 : 0;
  return size < 4 ? (uint32_t(1) << (8 * size)) - 1 : 0xffffffffu;
}

uint32_t tree_bitfield_mask(const tree_node *t, bool shifted) {
  if (!t->member) return 0;
  uint32_t width = t->member->bf_width;
  uint32_t mask = width > 31 ? 0xffffffffu : (uint32_t(1) << width) - 1;
  return shifted ? mask << t->member->bf_offset : mask;
}

bool tree_is_constant(const tree_node *t) {
  return t && ((op_dope(t->op) & D_CONST) || local_is_const_address(t));
}

bool tree_is_zero(const tree_node *t) {
  if (!t) return false;
  if (t->op == OP_CONV) t = t->left;
  if (!t) return false;
  return (t->op == OP_FCONST && t->fvalue == 0.0) || (t->op == OP_CONST && t->value == 0);
}

bool tree_is_volatile(const tree_node *t) {
  return t && (t->op == OP_ID || t->op == OP_DEREF) && is_volatile_type(t->type);
}

bool tree_has_side_effect(const tree_node *t) {
  if (!t) return false;
  if ((op_dope(t->op) & D_SIDE_EFFECT) || tree_is_volatile(t)) return true;
  if (op_has_operands(t->op) && tree_has_side_effect(t->left)) return true;
  return op_is_binary(t->op) && tree_has_side_effect(t->right);
}

bool tree_uses_symbol(const tree_node *t, const symbol *s) {
  if (!t) return false;
  if (t->op == OP_ID && t->sym == s) return true;
  for (uint32_t k = 0; k < vec_size(t->args); k++)
    if (tree_uses_symbol(arg_at(t, k), s)) return true;
  if (op_has_operands(t->op) && tree_uses_symbol(t->left, s)) return true;
  return op_is_binary(t->op) && tree_uses_symbol(t->right, s);
}

bool tree_equal(const tree_node *a, const tree_node *b) {
  if (a == b) return true;
  if (!a || !b || a->op != b->op) return false;
  if (vec_size(a->args) != vec_size(b->args)) return false;
  for (uint32_t k = 0; k < vec_size(a->args); k++)
    if (!tree_equal(arg_at(a, k), arg_at(b, k))) return false;
  switch (a->op) {
    case OP_EMPTY:
    case OP_ASM:
      return true;
    case OP_TYPE:
      return type_equal(a->type, b->type);
    case OP_CONST:
      return a->value == b->value;
    case OP_ID: {
      // An identifier read in a narrower type reads fewer bytes.
      if (tree_size(a) != tree_size(b) || tree_arith(a) != tree_arith(b)) return false;
      if (a->sym == b->sym) return true;
      const uint32_t made_absolute = SYM_ABSOLUTE | SYM_COMPILER_MADE;
      return (a->sym->flags & made_absolute) == made_absolute &&
             (b->sym->flags & made_absolute) == made_absolute && a->sym->flags == b->sym->flags &&
             a->sym->address == b->sym->address;
    }
    case OP_BITFIELD:
      if (!a->member || !b->member || a->member->bf_width != b->member->bf_width ||
          a->member->bf_offset != b->member->bf_offset)
        return false;
      break;
  }
  if (op_is_leaf(a->op)) return false;
  if (!tree_equal(a->left, b->left)) return false;
  return !op_is_binary(a->op) || tree_equal(a->right, b->right);
}

tree_node *tree_find(tree_node *t, void *ctx, tree_find_fn fn) {
  if (!t) return nullptr;
  if (fn(t, ctx)) return t;
  for (uint32_t k = 0; k < vec_size(t->args); k++)
    if (tree_node *found = tree_find(arg_at(t, k), ctx, fn)) return found;
  if (op_has_operands(t->op))
    if (tree_node *found = tree_find(t->left, ctx, fn)) return found;
  if (op_is_binary(t->op)) return tree_find(t->right, ctx, fn);
  return nullptr;
}

bool is_single_bit(uint32_t v) { return v && !(v & (v - 1)); }

uint32_t tree_bit_number(uint32_t c, const tree_node *t) {
  c &= tree_value_mask(t);
  if (!is_single_bit(c)) return 0;
  return uint32_t(__builtin_ctz(c)) + 1;
}

bool tree_fits_type(const tree_node *t, uint32_t size) {
  while (t && t->op == OP_SEQ) t = t->right;
  if (!t) return false;
  switch (t->op) {
    case OP_LAND:
    case OP_LOR:
    case OP_CONST:
    case OP_SIZEOF:
    case OP_SIZE_TYPE:
      return true;
  }
  ctype *base = t->type;
  while (base && (base->kind == TY_ARRAY || base->kind == TY_QUALIFIED) && base->sub) base = base->sub;
  uint32_t s = type_size(base);
  if (size == 0 || size > s) return false;
  switch (t->op) {
    case OP_ADDR:
    case OP_DEREF:
    case OP_BITFIELD:
      return true;
    case OP_CALL:
      return s == size;
    case OP_ID:
      return s == size || t->sym->sclass != SC_REGISTER;
  }
  return false;
}

tree_node *tree_narrow_source(tree_node *t) {
  const tree_node *start = t;
  while (t && t->op != OP_CONV) {
    uint32_t d = op_dope(t->op);
    if (!(d & D_ZERO_EXTEND)) return nullptr;
    if (op_is_binary(t->op) && !(t->right && t->right->op == OP_CONST)) return nullptr;
    if (!op_has_operands(t->op)) return nullptr;
    t = t->left;
  }
  tree_node *found = nullptr;
  while (t && t->op == OP_CONV) {
    tree_node *operand = t->left;
    uint32_t operand_size = tree_size(operand);
    if (!operand || tree_arith(operand) != ARITH_UNSIGNED || operand_size == 0 ||
        operand_size >= tree_size(t) || tree_arith(t) == ARITH_FLOAT)
      break;
    found = operand;
    t = operand;
  }
  if (!found) return nullptr;
  // The operations on the way keep the value within the source's width only
  // with constants that do: | and ^ within its mask, / and % by a positive
  // number, >> by a count that is not negative.
  uint32_t mask = tree_value_mask(found);
  for (const tree_node *n = start; n && n->op != OP_CONV; n = n->left) {
    if (!op_is_binary(n->op)) continue;
    int64_t k = n->right->value;
    if (tree_size(n->right) >= 4 && tree_arith(n->right) != ARITH_SIGNED) k = int64_t(uint32_t(n->right->value));
    switch (n->op) {
      case OP_OR:
      case OP_XOR:
        if (k < 0 || uint64_t(k) > mask) return nullptr;
        break;
      case OP_DIV:
      case OP_MOD:
        if (k <= 0) return nullptr;
        break;
      case OP_SHR:
        if (k < 0) return nullptr;
        break;
    }
  }
  return found;
}

bool const_fits(const tree_node *c, const tree_node *t) {
  if (!c || c->op != OP_CONST) return false;
  int32_t v = c->value;
  uint8_t arith = tree_arith(t);
  if (tree_size(t) > 3) return v >= 0 || arith == ARITH_SIGNED;
  uint32_t mask = tree_value_mask(t);
  if (v < 0) return arith != ARITH_UNSIGNED && int64_t(v) >= int64_t(int32_t(~(mask / 2)));
  return uint32_t(v) <= mask;
}

bool const_in_range(const tree_node *conv, const tree_node *c, uint32_t op) {
  const tree_node *operand = conv->left;
  uint32_t size = tree_size(operand);
  if (size > 3) return true;
  int64_t lo = 0, n;
  if (type_unqual(operand->type) == type_bit()) {
    n = 2;
  } else {
    n = int64_t(1) << (8 * size);
    if (tree_arith(conv) == ARITH_SIGNED && tree_arith(operand) == ARITH_SIGNED) {
      n /= 2;
      lo = -n;
    }
  }
  int64_t v = c->value;
  return lo + (op == OP_LT) <= v && v < n - (op == OP_GT);
}

void tree_set_position(const tree_node *t) {
  if (t && t->file) sym_set_position(t->file, t->line);
}

void tree_print_text(const tree_node *t) {
  if (model.output_suppressed || !t || !t->text) return;
  if (t->text[0] != ';') {
    // The assembler's own position directives, so that its messages and line
    // records name the C source.
    emit_line_directive(sym_current_line(), sym_current_file(), 0);
    model.asm_line = sym_current_line() + 1;
    model.asm_written = true;
  }
  out_printf("%s\n", t->text);
}

namespace {

void fit_const(const tree_node *t, tree_node *c, bool report) {
  if (tree_value_mask(t) == 1) {
    c->value &= 1;
  } else {
    uint32_t size = tree_size(t);
    if (size >= 1 && size <= 3) {
      int64_t n = int64_t(1) << (8 * size);
      bool is_signed = tree_arith(t) == ARITH_SIGNED;
      int64_t lo = is_signed ? -n / 2 : -n, hi = is_signed ? n / 2 - 1 : n - 1;
      int64_t v = c->value;
      if (report && (v < lo || v > hi) && type_unqual(t->type) != type_index()) msg_once(751);
      uint32_t bits = uint32_t(v) & uint32_t(n - 1);
      if (is_signed && (bits & uint32_t(n / 2))) bits |= ~uint32_t(n - 1);
      c->value = int32_t(bits);
    }
  }
  c->type = t->type;
}

}  // namespace

void tree_convert_const(const tree_node *t, tree_node *c) { fit_const(t, c, true); }

void tree_fit_folded_const(const tree_node *t, tree_node *c) { fit_const(t, c, false); }

void tree_convert_const_to(ctype *type, tree_node *c) {
  tree_node *t = tree_type_node(type);
  fit_const(t, c, true);
  tree_node_free(t);
}

void tree_fit_folded_const_to(ctype *type, tree_node *c) {
  tree_node *t = tree_type_node(type);
  fit_const(t, c, false);
  tree_node_free(t);
}
