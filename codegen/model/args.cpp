#include "codegen/model/args.h"

#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <set>

#include "codegen/model/funcnum.h"
#include "codegen/model/progstate.h"
#include "codegen/model/ptrtargets.h"
#include "codegen/model/symbols.h"
#include "codegen/model/target_services.h"
#include "codegen/model/tree.h"
#include "codegen/model/types.h"
#include "common/vector.h"

namespace {

constexpr size_t TYPE_TEXT_SIZE = 1024;
constexpr size_t ALIAS_NAME_LIMIT = 50;

// Raises the callee's parameter area to hold every argument bound so far.
void note_argument_extent(symbol *callee) {
  if (callee->arg_offset > callee->arg_max) callee->arg_max = callee->arg_offset;
  if (callee->param_area) {
    ctype *area = type_unqual(callee->param_area->type);
    if (area->count < callee->arg_max) area->count = callee->arg_max;
  }
}

tree_node *bind_in_memory(symbol *callee, ctype *t, ptr_targets *param_set) {
  symbol *area = sym_param_area(callee);
  tree_node *p = tree_ident(area);
  p->type = t;
  p->targets = param_set;
  tree_node *address = tree_make(OP_ADDR, p, nullptr, type_derive(t, TY_POINTER));
  address->targets = sym_ptr_targets(area);
  address->indir = 0;
  if (!type_is_function(t)) type_set_ptr_size(address->type, emit_pointer_size(address->targets));
  tree_node *offset = tree_const(int32_t(callee->arg_offset));
  offset->type = type_uindex();
  tree_node *sum = tree_make(OP_ADD, address, offset, address->type);
  sum->targets = address->targets;
  sum->indir = 0;
  tree_node *target = tree_make(OP_DEREF, sum, nullptr, t);
  if (type_is_pointer(t) && !type_is_function(type_unqual(t)->sub))
    type_set_ptr_size(t, emit_pointer_size(param_set));
  return target;
}

void collect_names(const tree_node *t, std::set<const symbol *> &names) {
  while (t && names.size() < ALIAS_NAME_LIMIT) {
    if (t->op == OP_ID) names.insert(t->sym);
    if (op_is_binary(t->op)) collect_names(t->right, names);
    t = op_has_operands(t->op) ? t->left : nullptr;
  }
}

struct text_writer {
  char *buffer;
  size_t used = 0;
  bool full = false;
  void put(const char *piece) {
    if (full) return;
    size_t n = strlen(piece);
    if (used + n >= TYPE_TEXT_SIZE) {
      full = true;
      return;
    }
    memcpy(buffer + used, piece, n + 1);
    used += n;
  }
  bool fits(const char *piece) const { return !full && used + strlen(piece) < TYPE_TEXT_SIZE; }
};

const char *letter_name(char letter) {
  switch (letter) {
    case 'c': return "char ";
    case 'i': return "int ";
    case 'l': return "long ";
    case 's': return "short ";
  }
  return nullptr;
}

void write_type(text_writer &w, ctype *t) {
  if (!t) {
    w.put("(NOTYPE)");
    return;
  }
  char piece[64];
  switch (t->kind) {
    case TY_POINTER:
      w.put("PTR ");
      write_type(w, t->sub);
      return;
    case TY_FUNCTION:
      w.put("FTN(");
      for (uint32_t k = 0; k < vec_size(t->params); k++) {
        if (k) w.put(",");
        write_type(w, static_cast<ctype *>(vec_get(t->params, k)));
      }
      if (t->variadic) w.put(vec_size(t->params) ? ",..." : "...");
      w.put(")");
      write_type(w, t->sub);
      return;
    case TY_ARRAY:
      write_type(w, t->sub);
      snprintf(piece, sizeof piece, "[%lu]", (unsigned long)t->count);
      w.put(piece);
      return;
    case TY_QUALIFIED: {
      uint32_t q = t->quals;
      if (q & Q_CONST) w.put("const ");
      if (q & Q_VOLATILE) w.put("volatile ");
      if (q & Q_FAR) w.put("far ");
      if (q & Q_NEAR) w.put("near ");
      if (q & Q_INTERRUPT) w.put("interrupt ");
      uint32_t others = q & ~(Q_CONST | Q_VOLATILE | Q_FAR | Q_NEAR | Q_INTERRUPT);
      if (others) {
        snprintf(piece, sizeof piece, "Q_0%lo ", (unsigned long)others);
        w.put(piece);
      }
      write_type(w, t->sub);
      return;
    }
    case TY_BASIC: {
      const char *name = t->name ? t->name : "";
      const char *word = nullptr;
      switch (t->arith) {
        case ARITH_NONE: w.put("void "); return;
        case ARITH_SIGNED: word = letter_name(name[0]); break;
        case ARITH_UNSIGNED:
          w.put("unsigned ");
          word = name[0] ? letter_name(name[1]) : nullptr;
          break;
        case ARITH_FLOAT: w.put(name[0] == 'f' ? "float " : "double "); return;
        case ARITH_BIT: w.put("bit "); return;
      }
      if (word) {
        w.put(word);
      } else {
        snprintf(piece, sizeof piece, "%s ", name);
        w.put(piece);
      }
      return;
    }
    case TY_STRUCT: {
      w.put("struct ");
      const char *choices[] = {t->tag ? t->tag->source_name : nullptr, t->tag ? t->tag->name : nullptr,
                               t->name};
      for (const char *choice : choices)
        if (choice && w.fits(choice)) {
          w.put(choice);
          break;
        }
      return;
    }
    case TY_ENUM:
      w.put("enum ");
      w.put(t->name ? t->name : "");
      return;
  }
}

}  // namespace

void tree_bind_args(tree_node *call, tree_node *callargs, tree_node *a) {
  while (a) {
    tree_node *next = nullptr;
    switch (a->op) {
      case OP_ARG_VAR:
      case OP_ARGS1:
      case OP_ARGS1 + 1:
      case OP_ARGS1 + 2:
      case OP_ARGS4:
        next = a->left;
        a->left = nullptr;
        tree_node_free(a);
        break;
      case OP_COMMA:
        tree_bind_args(call, callargs, a->left);
        next = a->right;
        a->left = a->right = nullptr;
        tree_node_free(a);
        break;
      case OP_EMPTY:
        tree_node_free(a);
        break;
      case OP_SEQ:
        if (!call->args) call->args = vec_new_default();
        vec_push(call->args, a->left);
        next = a->right;
        a->left = a->right = nullptr;
        tree_node_free(a);
        break;
      default:
        if (!tree_bind_one(callargs, call->callee, a)) tree_free(a);
        break;
    }
    a = next;
  }
}

tree_node *tree_bind_one(tree_node *callargs, symbol *callee, tree_node *value) {
  if (!callee) return nullptr;
  if (!callargs->args) callargs->args = vec_new_default();
  vec *params = sym_params(callee);
  uint32_t n = vec_size(callargs->args);
  symbol *param;
  ctype *t;
  bool extra = n >= vec_size(params);
  if (!extra) {
    param = static_cast<symbol *>(vec_get(params, n));
    if (!param) return nullptr;
    t = type_unqual(param->type);
  } else {
    param = sym_param_area(callee);
    t = type_unqual(value->type);
  }
  ptr_targets *param_set = sym_ptr_targets(param);
  if (value->targets) sym_pair_targets(param_set, 1, value->targets, value->indir);
  tree_node *target;
  uint32_t call_site = 0;
  bool in_register = !extra && param->reg;
  if (in_register) {
    target = tree_node_new();
    target->op = OP_REG;
    target->value = int32_t(param->reg);
    target->type = t;
    target->height = 1;
  } else {
    call_site = callee->arg_offset | (sym_func_number(callee) << 16);
    target = bind_in_memory(callee, t, param_set);
    callee->arg_offset += type_size(t);
    note_argument_extent(callee);
  }
  target->targets = param_set;
  target->indir = 1;
  tree_node *binding = tree_make(OP_ASSIGN, target, value, t);
  binding->targets = param_set;
  binding->indir = 1;
  if (!in_register) binding->call_site = call_site;
  vec_insert(callargs->args, binding, 0);
  return binding;
}

bool tree_may_alias(const tree_node *node) {
  if (node->flags & TF_MAY_SHARE) return true;
  if ((node->flags & TF_NEVER_SHARE) || !op_is_binary(node->op)) return false;
  std::set<const symbol *> left, right;
  collect_names(node->left, left);
  collect_names(node->right, right);
  if (left.size() >= ALIAS_NAME_LIMIT || right.size() >= ALIAS_NAME_LIMIT) return true;
  for (const symbol *s : left)
    if (right.count(s)) return true;
  return false;
}

const char *type_text(ctype *type) {
  static char buffer[TYPE_TEXT_SIZE];
  text_writer w{buffer};
  buffer[0] = 0;
  write_type(w, type);
  return buffer;
}

uint16_t sym_signature(symbol *s) {
  ctype *t = type_unqual(s->type);
  uint32_t quals = type_qualifiers(s->type);
  if (t && t->kind == TY_FUNCTION) t = t->sub;  // a function's signature describes its value
  uint32_t size = type_size(t);
  uint32_t sig = size > 7 ? 7 : size;
  switch (type_arith(t)) {
    case ARITH_SIGNED: break;
    case ARITH_UNSIGNED: sig |= 0x8; break;
    case ARITH_FLOAT: sig |= 0x10; break;
    default: sig |= 0x18; break;
  }
  uint8_t width = uint8_t(s->param_reg);
  if (width && (s->flags & SYM_PARAM)) sig |= 0x20;
  if (mode_word & MODE_AUTOSTATIC) {
    sig |= 0x40;
    if (s->flags & SYM_VARIADIC) sig |= 0x200;
  }
  if (quals & Q_NEAR) sig |= 0x80;
  if (quals & Q_FAR) sig |= 0x100;
  if (quals & ~0xffu) sig |= 0x400;
  sig |= uint32_t(width & 0xf) << 12;
  return uint16_t(sig);
}
