// A minimal instruction-selection half for the model's tests: the target
// queries answer as the PIC18 target's do; emission writes nothing but the
// out_printf text, which tests can read.
#include <array>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

#include "codegen/model/ops.h"
#include "codegen/model/simplify.h"
#include "codegen/model/symbols.h"
#include "codegen/model/target_services.h"
#include "codegen/model/tree.h"
#include "codegen/model/types.h"
#include "common/vector.h"

std::string &standin_output() {
  static std::string text;
  return text;
}

namespace {

// A small candidate hash: two pairs that share a home slot, and a pair whose
// probe runs off the last slot and wraps to the first.
constexpr std::array<pattern_hash_slot, PATTERN_HASH_SLOTS> make_hash() {
  std::array<pattern_hash_slot, PATTERN_HASH_SLOTS> t{};
  t[2100] = {100, 21, 7};
  t[2101] = {105, 20, -12};
  t[9132] = {281, 64, 3};
  t[0] = {281, 65, 9};
  return t;
}
constexpr std::array<pattern_hash_slot, PATTERN_HASH_SLOTS> TEST_HASH = make_hash();

}  // namespace

const pattern_hash_slot *const pattern_hash = TEST_HASH.data();

uint32_t pattern_operator(uint32_t pattern) {
  switch (pattern) {
    case 5: return OP_ADD;
    case 6: return 200;  // a chain pattern: any operator
  }
  return 0;
}

void emit_target_types_init() {}
uint32_t emit_code_ptr_size() { return 2; }
char emit_pointer_kind(ptr_targets *) { return 0; }
uint32_t emit_pointer_size(ptr_targets *) { return 2; }

symbol *emit_space_target(ctype *pointee, ctype *, int) {
  bool code = type_qualifiers(pointee) & Q_CONST;
  const char *name = code ? "__space_code" : "__space_data";
  if (symbol *s = sym_find(name)) return s;
  return sym_new_area(name, code ? uint32_t(Q_CONST) : 0u, 0, 0);
}

void emit_enum_range(ctype *t, int32_t min, int32_t max) {
  bool fits_byte = (min >= -128 && max <= 127) || (min >= 0 && max <= 255);
  t->size = fits_byte ? 1 : 2;
  t->arith = min < 0 ? ARITH_SIGNED : ARITH_UNSIGNED;
}

uint32_t emit_small_size(symbol *s) {
  uint32_t size = type_size(s->type);
  return size < 4 ? size : 0;
}

void emit_check_decl(symbol *) {}

uint32_t local_param_reg(symbol *param, uint32_t index) {
  return index == 0 && type_size(param->type) == 1 ? 1 : 0;
}

uint32_t local_reg_class_for(symbol *, regset *) { return 0; }

bool local_is_const_address(const tree_node *t) {
  if (!t) return false;
  if (op_dope(t->op) & D_CONST) return true;
  if (t->op == OP_STRING) return false;
  auto is_static_address = [](const tree_node *n) {
    return n && n->op == OP_ADDR && n->left && n->left->op == OP_ID && n->left->sym->sclass > SC_REGISTER &&
           !(type_qualifiers(n->left->sym->type) & Q_NEAR);
  };
  if (is_static_address(t)) return true;
  return t->op == OP_ADD && is_static_address(t->left) && t->right && t->right->op == OP_CONST;
}

uint32_t local_node_class(const tree_node *t) {
  while (t->op == OP_CONV && t->left && tree_arith(t->left) == tree_arith(t) && tree_size(t->left) >= tree_size(t))
    t = t->left;
  if (t->op == OP_ADDR && t->left && t->left->op == OP_ID) return 12;
  if (op_dope(t->op) & D_CONST) return 0;
  if (tree_is_constant(t)) return 1;
  if (t->op == OP_DEREF && t->left && t->left->op == OP_ADD && t->left->left->op == OP_REG &&
      t->left->right->op == OP_CONST)
    return 2;
  return op_dope(t->op) & D_CLASS;
}

bool local_cheap_op(const tree_node *t) {
  uint32_t size = tree_size(t);
  bool floating = tree_arith(t) == ARITH_FLOAT;
  if ((t->op == OP_ADD || t->op == OP_SUB) && size == 4 && !floating) return true;
  if ((t->op == OP_SHL || t->op == OP_SHR) && size == 1)
    return t->right && t->right->op == OP_CONST && t->right->value == 1;
  if (t->op == OP_MOD || t->op == OP_MUL || t->op == OP_DIV) return false;
  if (size == 1 || floating) return false;
  for (const tree_node *n = t->left; n; n = n->left) {
    if (n->op == OP_CONV) continue;
    if (tree_arith(n) == ARITH_FLOAT) return false;
    switch (n->op) {
      case OP_ID:
      case OP_MOD:
      case OP_MUL:
      case OP_CALL:
      case OP_DIV:
      case OP_CALLRESULT:
        return false;
    }
    return true;
  }
  return true;
}

bool local_is_step_one(const tree_node *t) {
  return t->left && t->left->op == OP_ID && !t->left->sym->reg && t->right && t->right->op == OP_CONST &&
         t->right->value == 1;
}

uint32_t cgen_float_bits(double value, uint32_t size) {
  float f = float(value);
  uint32_t bits;
  memcpy(&bits, &f, sizeof bits);
  if (((bits >> 23) & 0xff) == 0) return 0;
  if (size == 4) return bits;
  uint32_t sign = bits >> 31, exponent = (bits >> 23) & 0xff, fraction = ((bits & 0x7fffff) + 0x80) >> 8;
  if (fraction > 0x7fff) {
    if (exponent == 255) {
      fraction = 0x7fff;
    } else {
      exponent++;
      fraction &= 0x7fff;
    }
  }
  return sign << 23 | exponent << 15 | fraction;
}

void out_printf(const char *format, ...) {
  char buffer[4096];
  va_list args;
  va_start(args, format);
  vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  standin_output() += buffer;
}

tree_node *cgen_split_tree(tree_node *t) { return t && t->op == OP_ASM ? t : tree_simplify(t); }
