#include "codegen/model/build.h"

#include <cstring>
#include <initializer_list>

#include "codegen/model/args.h"
#include "codegen/model/callgraph.h"
#include "codegen/model/funcnum.h"
#include "codegen/model/iset.h"
#include "codegen/model/progstate.h"
#include "codegen/model/ptrtargets.h"
#include "codegen/model/simplify.h"
#include "codegen/model/symbols.h"
#include "codegen/model/target_services.h"
#include "codegen/model/tree.h"
#include "codegen/model/types.h"
#include "common/alert.h"
#include "common/alloc.h"
#include "common/vector.h"

namespace {

bool is_integer_class(uint8_t arith) { return arith == ARITH_SIGNED || arith == ARITH_UNSIGNED; }

ctype *pointee_of(ctype *pointer) {
  ctype *t = type_unqual(pointer);
  return t && t->kind == TY_POINTER ? t->sub : nullptr;
}

bool is_data_pointer(ctype *t) { return type_is_pointer(t) && !type_is_function(pointee_of(t)); }

// Sizes a data pointer type from what its value may point to: the sets
// reached from `set` at depth indir - 1 hold the pointer values.
void size_from_targets(ctype *pointer, ptr_targets *set, uint32_t indir) {
  if (!set || !is_data_pointer(pointer)) return;
  if (indir <= 1) {
    type_set_ptr_size(pointer, emit_pointer_size(set));
    return;
  }
  vec *sets = ptr_targets_reach(set, indir - 1);
  uint32_t size = 0;
  for (uint32_t k = 0; k < vec_size(sets); k++) {
    uint32_t s = emit_pointer_size(static_cast<ptr_targets *>(vec_get(sets, k)));
    if (s > size) size = s;
  }
  vec_free(sets);
  if (size) type_set_ptr_size(pointer, size);
}

// A set holding just the symbol.
ptr_targets *single_target(symbol *s) {
  ptr_targets *set = ptr_targets_new(nullptr);
  ptr_targets_add(set, sym_ptr_targets(s));
  return set;
}

// Frees a node whose operands have been taken elsewhere.
void drop_node(tree_node *n) {
  n->left = n->right = nullptr;
  tree_node_free(n);
}

// The symbol a call goes to: a function, or the pointer it goes through.
symbol *called_symbol(tree_node *callee) {
  for (tree_node *t = callee; t;) {
    switch (t->op) {
      case OP_ID:
      case OP_DOT:
        return t->sym;
      case OP_DEREF:
      case OP_CONV:
      case OP_ADD:
      case OP_ADDR:
      // A pointer assigned where it is called is the pointer called.
      case OP_ASSIGN:
        t = t->left;
        continue;
    }
    return nullptr;
  }
  return nullptr;
}

tree_node *build_conversion_of_const(tree_node *c, tree_node *type_node) {
  tree_convert_const(type_node, c);
  ctype *pointer = type_unqual(type_node->type);
  if (pointer && pointer->kind == TY_POINTER) {
    symbol *target = type_is_function(pointer->sub)
                         ? sym_absolute_function(uint32_t(c->value), pointer->sub)
                         : emit_space_target(pointer->sub, type_node->type, 0);
    if (target) {
      // The constant points into the area the set holds, as a pointer
      // whose set it is: what is read through it comes from the area.
      c->targets = single_target(target);
      c->indir = 1;
      type_set_ptr_size(pointer, emit_pointer_size(c->targets));
    }
  }
  tree_free(type_node);
  return c;
}

// ___va_start and ___va_arg, the two variable-argument built-ins.
tree_node *build_builtin_call(symbol *f, tree_node *call) {
  symbol *current = sym_current_function();
  if (strcmp(f->key, "___va_start") == 0 && current) {
    uint32_t fixed = sym_layout_params(current);
    tree_node *area = tree_ident(sym_param_area(current));
    tree_node *address = tree_build(OP_ADDR, area, nullptr);
    tree_node *end = tree_const(int32_t(fixed));
    end->type = type_uindex();
    tree_free(call);
    return tree_build(OP_ADD, address, end);
  }
  if (strcmp(f->key, "___va_arg") == 0) {
    tree_node *args = call->right;
    while (args && (args->op == OP_COMMA || (args->op >= OP_ARG_VAR && args->op <= OP_ARGS4)))
      args = args->left;
    if (args && args->op == OP_CONV) args = args->left;
    if (args && tree_is_pointer(args)) {
      tree_node *p = tree_copy(args);
      tree_node *step = tree_build(OP_SIZEOF, tree_build(OP_DEREF, tree_copy(args), nullptr), nullptr);
      tree_free(call);
      return tree_build(OP_POSTINC, p, step);
    }
  }
  return nullptr;
}

tree_node *build_call(tree_node *n) {
  tree_node *callee = n->left;
  if (callee->op == OP_DEREF && callee->left && callee->left->op == OP_CONST) {
    ctype *ftype = pointee_of(callee->left->type);
    if (!ftype) ftype = callee->type;
    symbol *f = sym_absolute_function(uint32_t(callee->left->value), ftype);
    tree_free(callee);
    callee = n->left = tree_ident(f);
  }
  if (callee->op == OP_ID && (callee->sym->flags2 & SYM2_INLINE)) {
    if (tree_node *replaced = build_builtin_call(callee->sym, n)) return replaced;
  }
  symbol *f = called_symbol(callee);
  ctype *ftype = type_unqual(callee->type);
  while (ftype && (ftype->kind == TY_POINTER || ftype->kind == TY_ARRAY)) ftype = type_unqual(ftype->sub);
  // A call through a pointer that an expression gives (a call's value, a
  // choice, an assignment) is made through a temporary that holds it, as
  // through a variable: its parameter area, its call-graph record and its
  // targets are those of one symbol.
  tree_node *held = nullptr;
  bool bound = n->right && n->right->op == OP_CALLARGS;
  if (!f && !bound && callee->op == OP_DEREF && callee->left && tree_is_pointer(callee->left) &&
      sym_current_function()) {
    symbol *t = sym_held_temp(callee->left);
    held = tree_build(OP_ASSIGN, tree_ident(t), callee->left);
    callee->left = tree_ident(t);
    f = t;
  }
  if (!f) {
    // A call through an expression of no symbol: a stand-in carries its type.
    f = sym_new_fake();
    f->type = callee->type;
  }
  n->type = ftype && ftype->kind == TY_FUNCTION ? ftype->sub : type_int();
  n->callee = f;
  cg_note_callee(f);
  if (type_is_pointer(n->type)) {
    n->targets = sym_ptr_targets(sym_return_rep(f));
    n->indir = 1;
  }
  if (!(f->flags2 & SYM2_REENTRANT)) n->call_site = sym_func_number(f) << 16;
  if (n->right && n->right->op == OP_CALLARGS) return n;

  tree_node *empty = tree_node_new();
  empty->op = OP_EMPTY;
  empty->type = type_void();
  empty->height = 1;
  tree_node *callargs = tree_build(OP_CALLARGS, empty, nullptr);
  callargs->callee = f;
  f->arg_offset = 0;
  tree_node *args = n->right;
  n->right = callargs;
  tree_bind_args(n, callargs, args);
  tree_set_height(n);
  for (uint32_t k = vec_size(callargs->args); k-- > 0;) {
    tree_node *a = static_cast<tree_node *>(vec_get(callargs->args, k));
    if (a && a->op == OP_EMPTY) {
      vec_remove_at(callargs->args, k);
      tree_free(a);
    }
  }
  // Side parts of the arguments run before the call, the last one outermost.
  tree_node *result = n;
  for (uint32_t k = 0; k < vec_size(n->args); k++)
    result = tree_build(OP_SEQ, static_cast<tree_node *>(vec_get(n->args, k)), result);
  vec_free(n->args);
  n->args = nullptr;
  // The pointer is held before the arguments are worked out.
  return held ? tree_build(OP_SEQ, held, result) : result;
}

tree_node *build_member(tree_node *n) {
  tree_node *left = n->left, *index = n->right;
  int32_t k = index ? index->value : 0;
  ctype *owner = type_unqual(left->type);
  while (owner && owner->kind == TY_ARRAY) owner = type_unqual(owner->sub);
  if (left->op == OP_TYPE) {
    symbol *m = owner ? static_cast<symbol *>(vec_get(owner->members, uint32_t(k))) : nullptr;
    tree_node *c = tree_const(0);
    if (m && owner->kind == TY_ENUM) {
      c->value = int32_t(m->address);
      c->type = owner;
    } else if (m) {
      c->value = m->offset;
    }
    tree_free(left);
    tree_free(index);
    drop_node(n);
    return c;
  }
  symbol *m = owner && owner->kind == TY_STRUCT ? static_cast<symbol *>(vec_get(owner->members, uint32_t(k)))
                                                : nullptr;
  if (!m) return n;
  n->sym = m;
  n->type = type_qualify(m->type, type_qualifiers(left->type));
  n->targets = sym_ptr_targets(m);
  n->indir = 1;
  size_from_targets(n->type, n->targets, 1);
  index->value = m->offset;
  index->type = type_index();
  if (!m->bitfield) return n;
  uint32_t bits = 8 * tree_size(n);
  if (uint32_t(m->bf_width) + m->bf_offset > bits && bits)
    n->type = type_for_size(2 * tree_size(n), ARITH_UNSIGNED);
  tree_node *field = tree_make(OP_BITFIELD, n, nullptr, n->type);
  field->member = m;
  field->targets = n->targets;
  field->indir = 1;
  return field;
}

// The union of two pointer alternatives: a set of its own that receives
// what both alternatives may point to.
void join_alternatives(tree_node *n) {
  tree_node *a = n->left, *b = n->right;
  ptr_targets *set = ptr_targets_new(nullptr);
  for (tree_node *side : {a, b}) {
    vec *reached = ptr_targets_reach(side->targets, side->indir);
    for (uint32_t k = 0; k < vec_size(reached); k++)
      ptr_targets_add(set, static_cast<ptr_targets *>(vec_get(reached, k)));
    vec_free(reached);
    sym_pair_targets(set, 1, side->targets, side->indir);
  }
  n->targets = set;
  n->indir = 1;
  size_from_targets(n->type, set, 1);
}

// The front end casts every index to the unsigned index type, which a
// pointer of two bytes adds modulo 64 KiB alike; a wider pointer widens
// the index, so one that was signed (or a product of one) stays signed.
void keep_index_sign(const tree_node *pointer, tree_node *index) {
  if (tree_size(pointer) <= type_size(type_uindex()) || !index) return;
  tree_node *cast = index->op == OP_MUL ? index->left : index;
  if (!cast || cast->op != OP_CONV || !cast->left || tree_arith(cast->left) != ARITH_SIGNED ||
      type_unqual(cast->type) != type_uindex())
    return;
  cast->type = type_index();
  if (cast->right) cast->right->type = type_index();
  if (index != cast && type_unqual(index->type) == type_uindex()) index->type = type_index();
}

tree_node *build_by_operator(tree_node *n) {
  tree_node *left = n->left, *right = n->right;
  switch (n->op) {
    case OP_SIZEOF: {
      tree_node *c = tree_const(int32_t(tree_size(left)));
      c->flags |= TF_MADE_CONST;
      tree_free(left);
      drop_node(n);
      return c;
    }
    case OP_SIZE_TYPE:
      n->type = type_for_size(2, ARITH_UNSIGNED);
      return n;
    case OP_ADDR: {
      if (left->op == OP_DOT) left = n->left = tree_member_address(left);
      ctype *object = left->type;
      ctype *pointee = object;
      uint32_t quals = 0;
      for (ctype *t = type_unqual(object); t && t->kind == TY_ARRAY; t = type_unqual(t->sub)) {
        quals |= type_qualifiers(pointee);
        pointee = t->sub;
      }
      ctype *pointer = type_derive(type_qualify(pointee, quals), TY_POINTER);
      if (left->op == OP_DEREF) {
        tree_node *p = left->left;
        ctype *old = type_unqual(p->type);
        if (old && old->kind == TY_POINTER) pointer->size = old->size;
        p->type = pointer;
        drop_node(left);
        drop_node(n);
        return p;
      }
      n->type = pointer;
      n->indir = 0;
      if (left->op == OP_ID)
        n->targets = sym_ptr_targets(left->sym);
      else if (left->op == OP_CALL)
        n->targets = cg_result_area(left, &n->indir);
      else
        n->targets = left->targets;
      size_from_targets(n->type, n->targets, 1);
      return n;
    }
    case OP_CALL:
      return build_call(n);
    case OP_RETURN: {
      symbol *f = sym_current_function();
      ctype *ftype = f ? type_unqual(f->type) : nullptr;
      if (ftype && ftype->kind == TY_FUNCTION) n->type = ftype->sub;
      if (f && type_is_pointer(n->type)) {
        ptr_targets *returned = sym_ptr_targets(sym_return_rep(f));
        if (left->targets) sym_pair_targets(returned, 1, left->targets, left->indir);
        n->targets = returned;
        n->indir = 1;
      }
      return n;
    }
    case OP_DEREF: {
      if (left->op == OP_ADDR) {
        tree_node *x = left->left;
        x->type = type_target(type_unqual(left->type));
        drop_node(left);
        drop_node(n);
        return x;
      }
      n->type = type_target(type_unqual(left->type));
      if (!n->type) n->type = type_void();
      if (left->op == OP_ID && pointGraphCompleted && left->targets && vec_size(left->targets->targets) == 0)
        msg_once(1230, left->sym->name + 1);
      if (left->targets && type_is_pointer(n->type)) {
        n->targets = left->targets;
        n->indir = left->indir + 1;
        size_from_targets(n->type, n->targets, n->indir);
      } else if (!type_is_pointer(n->type)) {
        n->targets = nullptr;
        n->indir = left->indir + 1;
      } else {
        n->indir = left->indir + 1;
      }
      return n;
    }
    case OP_ADD:
    case OP_POSTINC:
    case OP_POSTDEC:
    case OP_ASADD:
    case OP_ASSUB:
      if (n->op == OP_ADD && tree_is_pointer(right) && right->targets) {
        n->targets = right->targets;
        n->indir = right->indir;
        n->type = right->type;
      } else {
        n->targets = left->targets;
      }
      if (tree_is_pointer(left) && !tree_is_pointer(right)) {
        keep_index_sign(left, right);
        ctype *index = tree_index_type(left, ARITH_SIGNED);
        if (index && type_size(index) < tree_size(right)) n->right = tree_convert_to(right, index);
      }
      return n;
    case OP_SUB:
      if (right->op == OP_NEG) {
        n->op = OP_ADD;
        n->right = right->left;
        drop_node(right);
        return build_by_operator(n);
      }
      if (tree_is_pointer(left) && tree_is_pointer(right)) {
        ctype *index = tree_index_type(left, ARITH_SIGNED);
        if (index && type_size(index) < tree_size(left)) {
          n->type = index;
          n->targets = nullptr;
          if (type_size(index) < type_size(type_index())) return tree_convert_to(n, type_index());
        } else {
          n->type = type_for_size(tree_size(left), ARITH_SIGNED);
          n->targets = nullptr;
        }
        return n;
      }
      if (tree_is_pointer(left)) {
        n->targets = left->targets;
        keep_index_sign(left, right);
        if (tree_size(right) > tree_size(left))
          n->right = tree_convert_to(right, type_for_size(tree_size(left), tree_arith(right)));
      }
      return n;
    case OP_CONV: {
      if (left->flags & TF_MADE_CONST) n->flags |= TF_MADE_CONST;
      n->type = right->type;
      // A truth value has no floating conversion of its own: it becomes a
      // byte first, which the integer-to-floating conversion takes.
      if (type_arith(n->type) == ARITH_FLOAT && tree_arith(left) == ARITH_BIT) {
        n->left = left = tree_convert_to(left, type_uchar());
        tree_set_height(n);
      }
      if (!type_is_pointer(n->type)) {
        n->targets = nullptr;
        return n;
      }
      if (tree_is_pointer(left)) {
        n->targets = left->targets;
        n->indir = left->indir;
        ctype *from = pointee_of(left->type), *to = pointee_of(n->type);
        if (model.mach_alloc_entered && type_is_struct(from) && type_is_struct(to) && !type_compatible(from, to)) {
          char *first = str_dup(type_text(from));
          msg(1264, first, type_text(to));
          xfree(first);
        }
      } else {
        symbol *space = emit_space_target(pointee_of(n->type), n->type, 0);
        n->indir = 0;
        if (space) {
          n->targets = single_target(space);
          left->targets = n->targets;
          left->indir = n->indir = 1;
        }
      }
      size_from_targets(n->type, n->targets, n->indir ? n->indir : 1);
      return n;
    }
    case OP_DOT:
      return build_member(n);
    case OP_COLON:
      left->partner = right;
      right->partner = left;
      if (tree_is_pointer(n) && left->targets && right->targets) {
        join_alternatives(n);
      } else {
        n->targets = left->targets;
      }
      return n;
    case OP_LABEL:
    case OP_LABEL_EXIT: {
      symbol *f = sym_current_function();
      if (f && left->op == OP_ID && (left->sym->sclass == SC_PARAM || left->sym->sclass == SC_AUTO) &&
          strcmp(left->sym->key, f->key) == 0) {
        left->sym = f;
        left->type = f->type;
        if (f->sclass == SC_EXTERN && !(f->flags2 & SYM2_INLINE)) f->flags |= SYM_GLOBAL_REF;
      }
      return n;
    }
    case OP_STRING: {
      symbol *s = sym_string_label(left->value);
      tree_free(left);
      drop_node(n);
      return tree_build(OP_ADDR, tree_ident(s), nullptr);
    }
    case OP_SEQ:
      n->type = right->type;
      n->targets = right->targets;
      n->indir = right->indir;
      return n;
    case OP_ASSIGN:
      n->targets = left->targets;
      n->indir = left->indir;
      if (left->targets && right->targets) sym_pair_targets(left->targets, left->indir, right->targets, right->indir);
      return n;
    case OP_QUEST: {
      n->left = left = tree_fold_constants(left);
      if (left->op == OP_CONST) {
        bool first = left->value != 0;
        tree_node *chosen = first ? right->left : right->right;
        if (first)
          right->left = nullptr;
        else
          right->right = nullptr;
        tree_free(right);
        tree_free(left);
        drop_node(n);
        if (chosen) chosen->partner = nullptr;
        return chosen;
      }
      n->type = right->type;
      n->targets = right->targets;
      n->indir = right->indir;
      return n;
    }
    case OP_SWITCH:
      if (tree_size(left) == 0) {
        uint8_t arith = tree_arith(left);
        ctype *byte = type_for_size(1, arith == ARITH_SIGNED ? ARITH_SIGNED : ARITH_UNSIGNED);
        n->left = tree_convert_to(left, byte);
        n->type = byte;
      }
      return n;
    case OP_CALLARGS:
      n->args = vec_new_default();
      return n;
    case OP_SEQCALL:
      if (left->op == OP_SEQCALL) left->op = OP_COMMA;
      if (right->op == OP_SEQCALL) right->op = OP_COMMA;
      n->type = right->type;
      n->targets = right->targets;
      n->indir = right->indir;
      return n;
  }
  return n;
}

}  // namespace

// The base of an assigned object, through bit-fields, members and
// *(&x + offset).
tree_node *tree_assigned_base(tree_node *t) {
  for (;;) {
    if (t->op == OP_BITFIELD || t->op == OP_DOT) {
      t = t->left;
      continue;
    }
    // An element: the object whose address the offsets are added to, at any
    // depth of dimensions, or with no offset at all.
    tree_node *address = t->op == OP_DEREF ? t->left : nullptr;
    while (address && address->op == OP_ADD && address->left) address = address->left;
    if (!address || address->op != OP_ADDR || !address->left) return t;
    t = address->left;
  }
}

tree_node *tree_build(uint32_t op, tree_node *left, tree_node *right) {
  if (!op_is_binary(op)) right = nullptr;
  if (op == OP_CONV && left && left->op == OP_CONST && right && is_integer_class(type_arith(right->type)))
    return build_conversion_of_const(left, right);

  tree_node *n = tree_node_new();
  n->op = op;
  n->left = left;
  n->right = right;
  if (left && left->comment) {
    n->comment = left->comment;
    left->comment = nullptr;
  } else if (right && right->comment) {
    n->comment = right->comment;
    right->comment = nullptr;
  }
  uint32_t d = op_dope(op);
  if (op != OP_ADDR && op != OP_DOT) {
    if (right) n->right = right = tree_subst_ident(right);
    if (left && !(d & D_SIDE_EFFECT)) n->left = left = tree_subst_ident(left);
  }
  tree_set_height(n);
  if (left) {
    n->indir = left->indir;
    n->targets = left->targets;
  }

  switch (d & (D_CONST | D_TRUTH)) {
    case D_TRUTH:
      n->type = type_bit();
      if ((left && (left->flags & TF_MADE_CONST)) || (right && (right->flags & TF_MADE_CONST)))
        n->flags |= TF_MADE_CONST;
      n->targets = nullptr;
      break;
    case D_CONST | D_TRUTH:
      n->type = type_void();
      break;
    case D_CONST:
      n->type = type_long();
      break;
    default:
      n->type = left ? left->type : type_void();
  }

  if (op_is_binary(op) && (d & D_SIDE_EFFECT) && !(d & D_NON_VALUE) && left) {
    tree_node *base = tree_assigned_base(left);
    if (base->op == OP_ID && (base->sym->flags & SYM_NEVER_USED)) {
      tree_free(left);
      drop_node(n);
      return right;
    }
  }
  return build_by_operator(n);
}

tree_node *tree_convert(tree_node *e, const tree_node *t) {
  uint8_t target_class = tree_arith(t);
  // Only widenings come off: a narrowing conversion changes the value.
  while (e->op == OP_CONV && e->left && tree_arith(e) == tree_arith(e->left) && tree_arith(e) == target_class &&
         tree_size(e->left) <= tree_size(e)) {
    tree_node *inner = e->left;
    tree_free(e->right);
    drop_node(e);
    e = inner;
  }
  if (tree_size(e) == tree_size(t) && tree_arith(e) == target_class) return e;
  if (e->op == OP_CONST && target_class != ARITH_FLOAT) {
    tree_convert_const(t, e);
    return e;
  }
  return tree_build(OP_CONV, e, tree_type_node(t->type));
}

tree_node *tree_convert_to(tree_node *e, ctype *type) {
  tree_node *t = tree_type_node(type);
  tree_node *result = tree_convert(e, t);
  tree_node_free(t);
  if (result != e && result->op == OP_CONV) result->flags |= TF_MADE_CONVERSION;
  return result;
}

tree_node *tree_const_typed(int32_t n, ctype *type) { return tree_convert_to(tree_const(n), type); }

tree_node *tree_member_address(tree_node *dot) {
  if (!dot || dot->op != OP_DOT) return dot;
  tree_node *object = dot->left, *offset = dot->right;
  offset->type = type_uindex();
  tree_node *address = tree_build(OP_ADDR, object, nullptr);
  tree_node *sum = tree_build(OP_ADD, address, offset);
  tree_node *result = tree_build(OP_DEREF, sum, nullptr);
  result->type = dot->type;
  result->targets = dot->targets;
  result->indir = dot->indir;
  drop_node(dot);
  return result;
}

ctype *tree_index_type(const tree_node *p, uint8_t arith) {
  uint32_t own = tree_size(p);
  if (pointGraphCompleted && p->targets) {
    vec *objects = ptr_targets_reach(p->targets, p->indir);
    uint32_t largest = 0;
    for (uint32_t k = 0; k < vec_size(objects); k++) {
      symbol *owner = static_cast<ptr_targets *>(vec_get(objects, k))->owner;
      if (owner && type_size(owner->type) > largest) largest = type_size(owner->type);
    }
    bool any = vec_size(objects) != 0;
    vec_free(objects);
    if (any) {
      uint32_t span = largest ? largest - 1 : 0;
      if (arith == ARITH_SIGNED) span = largest ? 2 * largest - 1 : 0;
      uint32_t size = type_min_int_size(span);
      return type_for_size(size, own >= size ? arith : uint8_t(ARITH_UNSIGNED));
    }
  }
  return type_for_size(own, arith);
}

tree_node *tree_subst_ident(tree_node *t) {
  if (!t || t->op != OP_ID) return t;
  symbol *s = t->sym;
  uint8_t arith = type_arith(s->type);
  bool scalar = arith != ARITH_NONE && !type_is_pointer(s->type);
  if (!scalar || (s->sclass != SC_EXTERN && s->sclass != SC_STATIC) || (s->flags2 & SYM2_FIXED)) return t;
  tree_node *value = nullptr;
  uint32_t quals = type_qualifiers(s->type);
  // A const object keeps its value whether or not a pointer reaches it:
  // folded alike in every pass, before the pointers are known as after (a
  // division folded away in one pass would be a call in the next, whose
  // routine no pass asked for).
  if ((quals & Q_CONST) && !(quals & Q_VOLATILE) && s->init) {
    value = tree_copy(s->init);
  } else if (s->flags2 & SYM2_ADDRESS_TAKEN) {
    return t;
  } else if (model.final_alloc_entered && !(s->flags & SYM_ASSIGNED)) {
    if (s->object_list == OBJ_UNINITIALISED) value = tree_const(0);
    else if (s->object_list == OBJ_INITIALISED && s->init) value = tree_copy(s->init);
  }
  if (!value) return t;
  value = tree_convert(value, t);
  tree_free(t);
  return value;
}
