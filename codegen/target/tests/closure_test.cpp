// The pattern tables closed over what the tree builder forms: every
// operator over every operand type, its operands a temporary, an object in
// memory or a constant, in every context a value is used in, goes through
// the statement rewriting, splitting and decomposition the compiler runs and
// must come out covered. A combination C cannot form is left out by a row
// of the table of reasons, never silently; what is left uncovered is listed
// with the rule nearest to what failed.
#include <gtest/gtest.h>

#include <cstring>
#include <iostream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "codegen/model/build.h"
#include "codegen/model/fold.h"
#include "codegen/model/funcprep.h"
#include "codegen/model/ops.h"
#include "codegen/model/progstate.h"
#include "codegen/model/ptrtargets.h"
#include "codegen/model/regs.h"
#include "codegen/model/rewrite.h"
#include "codegen/model/simplify.h"
#include "codegen/model/symbols.h"
#include "codegen/model/target_services.h"
#include "codegen/model/tree.h"
#include "codegen/model/treetext.h"
#include "codegen/model/types.h"
#include "codegen/target/asmbuf.h"
#include "codegen/target/cgen.h"
#include "codegen/target/emitq.h"
#include "codegen/target/memmodel.h"
#include "codegen/target/pattab.h"
#include "codegen/target/tests/cgen_fixture.h"
#include "common/vector.h"
#include "tests/support/test_support.h"

namespace {

enum kind_class { K_BIT, K_INT, K_FLOAT, K_DATA_PTR, K_FUNC_PTR, K_STRUCT };
enum form { F_TEMP, F_MEMORY, F_VOLATILE, F_CONST };
enum context { C_STATEMENT, C_VALUE, C_CONDITION, C_ARGUMENT, C_RETURN };
const char *const FORM_NAMES[] = {"temporary", "memory", "volatile", "constant"};
const char *const CONTEXT_NAMES[] = {"statement", "value", "condition", "argument", "return"};

struct operand_type {
  const char *name;
  kind_class kind;
  const char *basic;   // basic type name; for pointers the element's
  uint32_t size;       // 0: the basic type's own
  const char *points;  // pointer targets: r RAM, k program memory, f far, p functions
};

const operand_type TYPES[] = {
    {"b1", K_BIT, "b", 0, ""},           {"u8", K_INT, "uc", 0, ""},          {"s8", K_INT, "c", 0, ""},
    {"u16", K_INT, "ui", 0, ""},         {"s16", K_INT, "i", 0, ""},          {"u24", K_INT, "um", 0, ""},
    {"s24", K_INT, "m", 0, ""},          {"u32", K_INT, "ul", 0, ""},         {"s32", K_INT, "l", 0, ""},
    {"f24", K_FLOAT, "f", 0, ""},        {"f32", K_FLOAT, "d", 0, ""},        {"pram", K_DATA_PTR, "ui", 0, "r"},
    {"prom", K_DATA_PTR, "ui", 0, "k"},  {"pmix", K_DATA_PTR, "uc", 0, "rk"}, {"pfar", K_DATA_PTR, "uc", 0, "f"},
    {"pfn", K_FUNC_PTR, "i", 0, "p"},    {"st", K_STRUCT, "", 7, ""},
};

// How an operator takes its operands.
enum op_shape { S_BINARY, S_SHIFT, S_COMPARE, S_LOGICAL, S_UNARY, S_STORE, S_STEP, S_CONV, S_DEREF, S_ADDR, S_CALL,
                S_CHOICE, S_COMMA, S_ROTATE };
struct operator_row {
  uint32_t op;
  op_shape shape;
};
const operator_row OPERATORS[] = {
    {OP_ADD, S_BINARY},    {OP_SUB, S_BINARY},      {OP_MUL, S_BINARY},     {OP_DIV, S_BINARY},
    {OP_MOD, S_BINARY},    {OP_AND, S_BINARY},      {OP_OR, S_BINARY},      {OP_XOR, S_BINARY},
    {OP_SHL, S_SHIFT},     {OP_SHR, S_SHIFT},       {OP_ROTL, S_ROTATE},    {OP_ROTR, S_ROTATE},
    {OP_EQ, S_COMPARE},    {OP_NE, S_COMPARE},      {OP_LT, S_COMPARE},     {OP_LE, S_COMPARE},
    {OP_GT, S_COMPARE},    {OP_GE, S_COMPARE},      {OP_LAND, S_LOGICAL},   {OP_LOR, S_LOGICAL},
    {OP_NOT, S_UNARY},     {OP_NEG, S_UNARY},       {OP_COMPL, S_UNARY},    {OP_ASSIGN, S_STORE},
    {OP_ASADD, S_STORE},   {OP_ASSUB, S_STORE},     {OP_ASMUL, S_STORE},    {OP_ASDIV, S_STORE},
    {OP_ASMOD, S_STORE},   {OP_ASAND, S_STORE},     {OP_ASOR, S_STORE},     {OP_ASXOR, S_STORE},
    {OP_ASSHL, S_STORE},   {OP_ASSHR, S_STORE},     {OP_POSTINC, S_STEP},   {OP_POSTDEC, S_STEP},
    {OP_CONV, S_CONV},     {OP_DEREF, S_DEREF},     {OP_ADDR, S_ADDR},      {OP_CALL, S_CALL},
    {OP_QUEST, S_CHOICE},  {OP_SEQ, S_COMMA},
};

// Operators of the operator table that the list above leaves out, and why.
const struct {
  uint32_t op;
  const char *reason;
} NOT_OPERATIONS[] = {
    {OP_SIZEOF, "sizes are resolved before code selection"},
    {OP_SIZE_TYPE, "sizes are resolved before code selection"},
    {OP_CJUMP, "the condition context"},
    {OP_JUMP, "control flow, no operands"},
    {OP_JUMP_EXIT, "control flow, no operands"},
    {OP_LABEL, "control flow, no operands"},
    {OP_LABEL_EXIT, "control flow, no operands"},
    {OP_ARG_VAR, "taken apart when a call's arguments are bound"},
    {OP_ARGS1, "taken apart when a call's arguments are bound"},
    {OP_ARGS1 + 1, "taken apart when a call's arguments are bound"},
    {OP_ARGS1 + 2, "taken apart when a call's arguments are bound"},
    {OP_ARGS4, "taken apart when a call's arguments are bound"},
    {OP_RETURN, "the return context"},
    {OP_PLUS, "unary plus is its operand after the front end"},
    {OP_DOT, "a member is read as *(&s + offset), which the dereference rows cover"},
    {OP_EMPTY, "an empty statement"},
    {OP_COLON, "the alternatives of ?:, lowered with it"},
    {OP_STRING, "a string is an object in memory"},
    {OP_SEQSEQ, "a sequence is split into statements"},
    {OP_INIT, "initialised data, written by the data emitter"},
    {OP_ASM, "assembler text needs no rule"},
    {OP_SWITCH, "a switch has code of its own (switch.cpp)"},
    {OP_LBRACE, "a block, no value"},
    {OP_RBRACE, "a block, no value"},
    {OP_RECIP, "only its token is read; no pass forms it"},
    {OP_CALLARGS, "the argument context"},
    {OP_COMMA, "separates arguments, taken apart when they are bound; C's comma operator is ;"},
    {OP_COPY, "an automatic array's initialiser copy under parsk -I=, which the driver never passes"},
    {OP_CALLZAP, "formed by code selection, not the tree builder"},
    {OP_CALLRESULT, "formed by code selection, not the tree builder"},
    {OP_SEQCALL, "formed by code selection, not the tree builder"},
    {OP_LITERAL, "a literal is an object in memory"},
    {OP_INAREG, "formed by code selection, not the tree builder"},
    {OP_BITFIELD, "bit-field members have their own tests (bitfield_macros_test.cpp)"},
};

bool is_record_or_leaf(uint32_t op) { return op_is_leaf(op) || (op >= OP_REC_A && op <= OP_REC_V); }

bool int_only(uint32_t op) {
  uint32_t plain = op_plain_form(op) ? op_plain_form(op) : op;
  return plain == OP_MOD || plain == OP_AND || plain == OP_OR || plain == OP_XOR || plain == OP_SHL ||
         plain == OP_SHR || op == OP_COMPL || op == OP_ROTL || op == OP_ROTR;
}

// Why C cannot form op over operands of the type; null when it can.
const char *excluded(const operator_row &o, const operand_type &t) {
  uint32_t plain = op_plain_form(o.op) ? op_plain_form(o.op) : o.op;
  switch (t.kind) {
    case K_BIT:
      // C promotes a bit to int for arithmetic; what stays a bit are the
      // bitwise operators, stores, tests, choices and conversions.
      if (o.shape == S_DEREF || o.shape == S_ADDR) return "a bit has no address";
      if (o.shape == S_STEP || plain == OP_SHL || plain == OP_SHR || o.shape == S_ROTATE || o.op == OP_NEG)
        return "a bit operand is promoted to int first";
      if (plain == OP_ADD || plain == OP_SUB || plain == OP_MUL || plain == OP_DIV || plain == OP_MOD)
        return "a bit operand is promoted to int first";
      if (o.op == OP_COMPL) return "a bit operand is promoted to int first";
      if (o.shape == S_COMPARE && o.op != OP_EQ && o.op != OP_NE) return "a bit operand is promoted to int first";
      return nullptr;
    case K_INT:
      if (o.shape == S_DEREF) return "only a pointer is dereferenced";
      return nullptr;
    case K_FLOAT:
      if (int_only(o.op)) return "the operator takes integers only";
      if (o.shape == S_DEREF) return "only a pointer is dereferenced";
      return nullptr;
    case K_DATA_PTR:
    case K_FUNC_PTR:
      if (o.shape == S_DEREF && t.kind == K_FUNC_PTR) return "a function is called, not read";
      if (o.shape == S_CONV) return nullptr;
      if (o.shape == S_COMPARE || o.shape == S_LOGICAL || o.op == OP_NOT || o.op == OP_ASSIGN ||
          o.shape == S_CHOICE || o.shape == S_COMMA || o.shape == S_DEREF || o.shape == S_ADDR || o.shape == S_CALL)
        return nullptr;
      if (t.kind == K_DATA_PTR && (plain == OP_ADD || plain == OP_SUB || o.shape == S_STEP)) return nullptr;
      return "C has no such arithmetic on a pointer";
    case K_STRUCT:
      if (o.op == OP_ASSIGN || o.shape == S_CHOICE || o.shape == S_COMMA || o.shape == S_ADDR || o.shape == S_CALL)
        return nullptr;
      return "a structure is only stored, chosen, passed, returned or addressed";
  }
  return "unknown kind";
}

// Why a conversion between the two types is not formed; null when it is.
const char *conversion_excluded(const operand_type &from, const operand_type &to) {
  auto scalar = [](const operand_type &t) { return t.kind == K_BIT || t.kind == K_INT || t.kind == K_FLOAT; };
  if (from.kind == K_STRUCT || to.kind == K_STRUCT) return "a structure converts to nothing";
  if (scalar(from) && scalar(to)) return nullptr;
  if (from.kind == K_BIT || to.kind == K_BIT) return "a pointer is tested, not converted to a bit";
  if (from.kind == K_FLOAT || to.kind == K_FLOAT) return "C converts no pointer to or from a float";
  if (from.kind == K_FUNC_PTR || to.kind == K_FUNC_PTR) return "function pointers are not cast to data here";
  return nullptr;
}

// Combinations the compiler refuses today and that have no rules yet: they
// are counted and named, not failed, until the rules are written.
const struct {
  const char *chip;   // suffix of the key; null for every chip
  const char *types;  // type names, blank-separated
  const char *ops;    // operators, blank-separated; null for every one
  const char *reason;
} OPEN[] = {
    {" (128 KiB)", " pfar ", " = =+ =- ? ",
     "a far pointer of three bytes, held in a variable, has no rule yet (only chips with external memory have far "
     "objects)"},
    {nullptr, " pfar ", nullptr,
     "a far object is placed in RAM but read through the table pointer; read by name it has no rule"},
};

const char *open_reason(const std::string &key, const char *type, uint32_t op) {
  auto listed = [](const char *list, const char *name) {
    return strstr(list, (std::string(" ") + name + " ").c_str()) != nullptr;
  };
  for (auto &o : OPEN)
    if ((!o.chip || key.ends_with(o.chip)) && listed(o.types, type) && (!o.ops || listed(o.ops, lextab[op])))
      return o.reason;
  return nullptr;
}

struct ClosureTest : ::testing::Test {
  void SetUp() override {
    sym_init_types();
    // double is the four-byte float, as --double=32 makes it.
    saved_modes = mode_word;
    mode_word |= MODE_IEEE_DBL;
    emit_target_types_init();
    capture_messages();
    out_capture(&written);
    model.output_suppressed = true;
    memmodel_reset();
    emit_chip().rom_size = 0xFFFF;
    function = extern_object("_shape", type_derive(type_int(), TY_FUNCTION));
    sym_set_current_function(function);
    ram = extern_object("_ram", type_array_of(type_basic("ui"), 4));
    rom = extern_object("_rom", type_array_of(type_qualify(type_basic("ui"), Q_CONST), 4));
    far = extern_object("_far", type_array_of(type_qualify(type_uchar(), Q_FAR), 4));
    for (const char *name : {"_fa", "_fb"}) {
      symbol *f = extern_object(name, type_derive(type_int(), TY_FUNCTION));
      f->used_regs = iset_alloc();
      iset_assign(f->used_regs, rset_of(REG_ALLREG));
      functions.push_back(f);
    }
  }
  void TearDown() override {
    sym_set_current_function(nullptr);
    mode_word = saved_modes;
    out_capture(nullptr);
    model.output_suppressed = false;
  }

  ctype *type_of(const operand_type &t) {
    if (t.kind == K_STRUCT) {
      ctype *record = type_new(TY_STRUCT);
      record->size = t.size;
      record->laid_out = true;
      return record;
    }
    if (t.kind == K_FUNC_PTR) return type_derive(type_derive(type_basic(t.basic), TY_FUNCTION), TY_POINTER);
    ctype *base = type_basic(t.basic);
    if (t.kind != K_DATA_PTR) return base;
    bool to_const = strchr(t.points, 'k');
    bool to_far = strchr(t.points, 'f');
    return type_derive(to_const ? type_qualify(base, Q_CONST) : to_far ? type_qualify(base, Q_FAR) : base,
                       TY_POINTER);
  }
  // A pointer's targets, as the pointer graph would have joined them.
  void aim(symbol *s, const operand_type &t) {
    if (t.kind == K_DATA_PTR || t.kind == K_FUNC_PTR) aim_set(sym_ptr_targets(s), t);
  }
  void aim_set(ptr_targets *set, const operand_type &t) {
    if (strchr(t.points, 'r')) ptr_targets_add(set, sym_ptr_targets(ram));
    if (strchr(t.points, 'k')) ptr_targets_add(set, sym_ptr_targets(rom));
    if (strchr(t.points, 'f')) ptr_targets_add(set, sym_ptr_targets(far));
    if (strchr(t.points, 'p'))
      for (symbol *f : functions) ptr_targets_add(set, sym_ptr_targets(f));
  }
  symbol *object(const operand_type &t, form f) {
    symbol *s;
    if (f == F_TEMP) {
      s = sym_new_temp(nullptr);
      s->type = type_of(t);
    } else {
      ctype *type = type_of(t);
      s = extern_object(("_m" + std::to_string(++made)).c_str(), f == F_VOLATILE ? type_qualify(type, Q_VOLATILE) : type);
      // A bit object's symbol is its bit address.
      if (t.kind == K_BIT) s->sclass = SC_STATIC;
    }
    aim(s, t);
    return s;
  }
  // An operand of the type in the form; side 1 gives the right operand's value.
  tree_node *operand(const operand_type &t, form f, int side) {
    if (f != F_CONST) return tree_ident(object(t, f));
    switch (t.kind) {
      case K_FLOAT: {
        tree_node *c = tree_node_new();
        c->op = OP_FCONST;
        c->fvalue = side ? 2.5 : 6.25;
        c->type = type_of(t);
        c->height = 1;
        return c;
      }
      case K_DATA_PTR:
      case K_FUNC_PTR: {
        // A constant address: the first target's.
        symbol *target = t.kind == K_FUNC_PTR ? functions[side] : strchr(t.points, 'r') ? ram
                         : strchr(t.points, 'k')                     ? rom
                                                                     : far;
        tree_node *address = tree_build(OP_ADDR, tree_ident(target), nullptr);
        address->type = type_of(t);
        ptr_targets *set = ptr_targets_new(nullptr);
        aim_set(set, t);
        type_set_ptr_size(address->type, emit_pointer_size(set));
        return address;
      }
      case K_STRUCT: return nullptr;
      default: return tree_const_typed(t.kind == K_BIT ? 1 : side ? 3 : 0x5A, type_of(t));
    }
  }
  tree_node *count_operand(form f) {
    static const operand_type u8 = {"u8", K_INT, "uc", 0, ""};
    return f == F_CONST ? tree_const_typed(3, type_uchar()) : operand(u8, f, 1);
  }
  tree_node *index_operand(form f) {
    static const operand_type x = {"x", K_INT, "x", 0, ""};
    return f == F_CONST ? tree_const_typed(2, type_index()) : operand(x, f, 1);
  }

  // The expression of op over operands of the type in the forms; null
  // when the forms do not apply to it.
  tree_node *expression(const operator_row &o, const operand_type &t, form l, form r, const operand_type *to) {
    bool pointer = t.kind == K_DATA_PTR || t.kind == K_FUNC_PTR;
    bool lvalue = o.shape == S_STORE || o.shape == S_STEP;
    bool unary = o.shape == S_UNARY || o.shape == S_CONV || o.shape == S_DEREF || o.shape == S_ADDR ||
                 o.shape == S_CALL || o.shape == S_STEP;
    if (unary && r != F_CONST) return nullptr;  // one combination per left form
    if (lvalue && l == F_CONST) return nullptr;
    if (!unary && !lvalue && l == F_CONST && r == F_CONST) return nullptr;  // folded away
    if ((o.shape == S_ADDR || o.shape == S_CALL) && l != F_MEMORY) return nullptr;
    if (t.kind == K_STRUCT && (l == F_VOLATILE || r == F_VOLATILE)) return nullptr;
    // Folding makes a rotation only of an object it may read twice, and
    // narrows & | ^ of bits to a bit only where neither is volatile.
    bool volatile_operand = l == F_VOLATILE || r == F_VOLATILE;
    if (volatile_operand && (o.shape == S_ROTATE || (t.kind == K_BIT && o.shape == S_BINARY))) return nullptr;
    if (t.kind == K_STRUCT && !unary && ((l == F_CONST && o.shape != S_CHOICE) || r == F_CONST))
      return nullptr;
    if (unary && l == F_CONST && o.shape != S_DEREF) return nullptr;  // folded away
    uint32_t plain = op_plain_form(o.op) ? op_plain_form(o.op) : o.op;
    switch (o.shape) {
      case S_LOGICAL: {
        tree_node *a = operand(t, l, 0), *b = operand(t, r, 1);
        return tree_make(o.op, truth_of(a), truth_of(b), type_bit());
      }
      case S_BINARY:
      case S_COMPARE:
      case S_STORE: {
        tree_node *a = operand(t, l, 0);
        tree_node *b = pointer && (plain == OP_ADD || plain == OP_SUB) ? index_operand(r) : operand(t, r, 1);
        if (plain == OP_SHL || plain == OP_SHR) {
          tree_free(b);
          b = count_operand(r);
        }
        if (!a || !b) {
          tree_free(a);
          tree_free(b);
          return nullptr;
        }
        if (pointer && (plain == OP_ADD || plain == OP_SUB)) return tree_make(o.op, a, b, a->type);
        return tree_make(o.op, a, b, (op_dope(o.op) & D_TRUTH) ? type_bit() : a->type);
      }
      case S_SHIFT:
      case S_ROTATE: {
        if (l == F_CONST) return nullptr;
        tree_node *a = operand(t, l, 0);
        tree_node *b = o.shape == S_ROTATE ? (r == F_CONST ? tree_const_typed(1, type_uchar()) : nullptr)
                                           : count_operand(r);
        if (!b) {
          tree_free(a);
          return nullptr;
        }
        return tree_make(o.op, a, b, a->type);
      }
      case S_UNARY: {
        tree_node *a = operand(t, l, 0);
        if (o.op == OP_NOT) return tree_make(OP_NOT, truth_of(a), nullptr, type_bit());
        return tree_make(o.op, a, nullptr, a->type);
      }
      case S_STEP: {
        tree_node *a = operand(t, l, 0);
        int32_t step = pointer ? int32_t(type_size(type_target(type_unqual(a->type)))) : 1;
        return tree_make(o.op, a, tree_const_typed(step, pointer ? type_index() : a->type), a->type);
      }
      case S_DEREF: {
        tree_node *a = operand(t, l, 0);
        return tree_make(OP_DEREF, a, nullptr, type_target(type_unqual(a->type)));
      }
      case S_ADDR: return tree_build(OP_ADDR, operand(t, l, 0), nullptr);
      case S_CALL: {
        ctype *returns = t.kind == K_BIT ? type_bit() : type_of(t);
        symbol *f = extern_object(("_g" + std::to_string(++made)).c_str(), type_derive(returns, TY_FUNCTION));
        f->used_regs = iset_alloc();
        iset_assign(f->used_regs, rset_of(REG_ALLREG));
        return tree_build(OP_CALL, tree_ident(f), nullptr);
      }
      case S_CHOICE: {
        static const operand_type u8 = {"u8", K_INT, "uc", 0, ""};
        tree_node *a = operand(t, l, 0), *b = operand(t, r, 1);
        if (!a || !b) {
          tree_free(a);
          tree_free(b);
          return nullptr;
        }
        ctype *type = a->type;
        tree_node *test = tree_make(OP_NE, operand(u8, F_MEMORY, 0), tree_const_typed(0, type_uchar()), type_bit());
        return tree_make(OP_QUEST, test, tree_make(OP_COLON, a, b, type), type);
      }
      case S_COMMA: {
        tree_node *a = operand(t, l, 0), *b = operand(t, r, 1);
        if (!a || !b) {
          tree_free(a);
          tree_free(b);
          return nullptr;
        }
        return tree_make(OP_SEQ, a, b, b->type);
      }
      case S_CONV: {
        tree_node *a = operand(t, l, 0);
        ctype *type = type_of(*to);
        return tree_make(OP_CONV, a, tree_type_node(type), type);
      }
    }
    return nullptr;
  }

  // The front end tests a value that is not a truth value against zero.
  static tree_node *truth_of(tree_node *e) {
    if (!e || (op_dope(e->op) & D_TRUTH)) return e;
    tree_node *zero = tree_const(0);
    zero->type = type_unqual(e->type);
    return tree_make(OP_NE, e, zero, type_bit());
  }

  // The expression used in the context; takes it over.
  tree_node *in_context(tree_node *e, context c) {
    bool truth = op_dope(e->op) & D_TRUTH;
    switch (c) {
      case C_STATEMENT: return e;
      case C_VALUE:
      case C_ARGUMENT:
      case C_RETURN: {
        // C gives a truth value the type int.
        if (truth) e = tree_convert_to(e, type_int());
        // What takes the value is of its type without qualifiers.
        ctype *type = type_unqual(e->type);
        if (c == C_RETURN) {
          // The function returns what the front end converted the value to.
          function->type = type_derive(type, TY_FUNCTION);
          // A bit function's value reaches its return as an int.
          if (tree_arith(e) == ARITH_BIT) e = tree_make(OP_CONV, e, tree_type_node(type_int()), type_int());
          return tree_make(OP_RETURN, e, nullptr, type);
        }
        if (c == C_VALUE) {
          symbol *s = extern_object(("_v" + std::to_string(++made)).c_str(), type);
          if (tree_arith(e) == ARITH_BIT) s->sclass = SC_STATIC;
          if (e->targets && tree_is_pointer(e)) {
            vec *reached = ptr_targets_reach(e->targets, e->indir);
            for (uint32_t k = 0; k < vec_size(reached); k++)
              ptr_targets_add(sym_ptr_targets(s), static_cast<ptr_targets *>(vec_get(reached, k)));
            vec_free(reached);
          }
          return tree_make(OP_ASSIGN, tree_ident(s), e, type);
        }
        // A one-byte argument goes in W, any other to the parameter area.
        symbol *callee = extern_object(("_h" + std::to_string(++made)).c_str(), type_derive(type_void(), TY_FUNCTION));
        callee->used_regs = iset_alloc();
        iset_assign(callee->used_regs, rset_of(REG_ALLREG));
        tree_node *place;
        if (tree_size(e) == 1 && tree_arith(e) != ARITH_BIT) {
          place = tree_node_new();
          place->op = OP_REG;
          place->value = REG_WREG;
          place->type = type;
          place->height = 1;
        } else {
          symbol *area = sym_param_area(callee);
          place = tree_ident(area);
          place->type = type;
        }
        tree_node *callargs = tree_make(OP_CALLARGS, nullptr, nullptr, type_void());
        callargs->args = vec_new_default();
        callargs->callee = callee;
        vec_push(callargs->args, tree_make(OP_ASSIGN, place, e, type));
        tree_node *call = tree_make(OP_CALL, tree_ident(callee), callargs, type_void());
        call->callee = callee;
        return call;
      }
      case C_CONDITION: {
        if (tree_is_struct(e)) return nullptr;  // a structure is no condition
        e = truth_of(e);
        return tree_make(OP_CJUMP, e, tree_const(LABEL_STATEMENT_CHOICE + label_new()), type_void());
      }
    }
    return e;
  }

  // What fails of the statement after the compiler's rewriting, splitting
  // and decomposition: the operators of the statements left uncovered.
  std::set<std::string> uncovered(tree_node *statement) {
    std::set<std::string> failed;
    vec *simple = vec_new_default();
    nodeRewrite(simplify_statement_copy(statement), simple);
    for (uint32_t j = 0; j < vec_size(simple); j++) {
      tree_node *t = tree_simplify(static_cast<tree_node *>(vec_get(simple, j)));
      if (!t) continue;
      tree_node *split = cgen_split_tree(narrow_pointer_elements(t));
      if (!split) continue;
      vec *pieces = vec_new_default();
      decompose_statement(split, pieces);
      for (uint32_t k = 0; k < vec_size(pieces); k++) {
        tree_node *piece = static_cast<tree_node *>(vec_get(pieces, k));
        iset_clear(rset_busy());
        if (piece->op != OP_EMPTY && !cgen_match_tree(piece, GOAL_STATEMENT, const_cast<regset *>(rset_of(REG_ALLREG)))) {
          const tree_node *at = cgen_failed_node() ? cgen_failed_node() : piece;
          failed.insert(std::string(lextab[at->op]) + " in " + tree_typed_text(piece));
        }
        tree_free(piece);
      }
      vec_free(pieces);
    }
    vec_free(simple);
    return failed;
  }
  static tree_node *simplify_statement_copy(tree_node *t) {
    t = tree_simplify(tree_simplify(t));
    tree_node *split = fold_split_statement(t);
    return split && split->op == OP_SEQ ? tree_simplify(split) : split;
  }

  std::string written;
  symbol *function = nullptr, *ram = nullptr, *rom = nullptr, *far = nullptr;
  std::vector<symbol *> functions;
  unsigned made = 0;
  uint32_t saved_modes = 0;
};

// The place of the first rule for the operator, or its operator table entry.
std::string nearest_rule(uint32_t op) {
  for (uint32_t k = 1; k < pattern_count; k++)
    if (pattern_table[k].op == op) return pattern_rule_of(k).place;
  return std::string("codegen/model/ops.cpp: operator ") + lextab[op] + " (" + std::to_string(op) + ")";
}

TEST_F(ClosureTest, EveryOperatorOfTheTableIsListedOrExcludedWithAReason) {
  for (uint32_t op = 1; op < OP_COUNT; op++) {
    if (is_record_or_leaf(op) && op != OP_EMPTY && op != OP_INAREG && op != OP_LITERAL) continue;
    bool listed = false;
    for (const operator_row &o : OPERATORS) listed |= o.op == op;
    for (auto &n : NOT_OPERATIONS) listed |= n.op == op;
    EXPECT_TRUE(listed) << "operator " << lextab[op] << " (" << op << ") is neither checked nor excluded";
  }
}

TEST_F(ClosureTest, EveryOperatorTypeAndContextHasACover) {
  std::map<std::string, std::set<std::string>> holes;  // "op/type/context" -> what failed
  std::map<std::string, std::set<std::string>> open_holes;  // reason -> keys
  // Code pointers have two bytes up to 64 KiB of program memory, three above.
  for (uint32_t rom : {0xFFFFu, 0x1FFFFu}) {
  emit_chip().rom_size = rom;
  const char *chip = rom > 0xFFFF ? " (128 KiB)" : "";
  for (const operator_row &o : OPERATORS) {
    for (const operand_type &t : TYPES) {
      if (excluded(o, t)) continue;
      // A conversion goes from the type to each arithmetic type.
      std::vector<const operand_type *> targets{nullptr};
      if (o.shape == S_CONV) {
        targets.clear();
        for (const operand_type &to : TYPES)
          if (&to != &t && !conversion_excluded(t, to)) targets.push_back(&to);
      }
      for (const operand_type *to : targets)
      for (int c = C_STATEMENT; c <= C_RETURN; c++) {
        bool formed = false;
        for (int l = F_TEMP; l <= F_CONST; l++)
          for (int r = F_TEMP; r <= F_CONST; r++) {
            tree_node *e = expression(o, t, form(l), form(r), to);
            if (!e) continue;
            formed = true;
            tree_node *statement = in_context(e, context(c));
            if (!statement) continue;
            std::string key = std::string(lextab[o.op]) + "/" + t.name + (to ? std::string(">") + to->name : "") + "/" +
                              CONTEXT_NAMES[c] + chip;
            std::set<std::string> failed = uncovered(statement);
            if (const char *reason = failed.empty() ? nullptr : open_reason(key, t.name, o.op)) {
              open_holes[reason].insert(key);
              continue;
            }
            for (const std::string &what : failed)
              holes[key].insert(std::string(FORM_NAMES[l]) + (op_is_binary(o.op) ? std::string("+") + FORM_NAMES[r] : "") +
                                ": uncovered at " + what);
          }
        EXPECT_TRUE(formed) << lextab[o.op] << "/" << t.name << ": no operand forms apply and no reason excludes it";
      }
    }
  }
  }
  std::string list;
  for (auto &[key, whats] : holes) {
    uint32_t op = 0;
    for (const operator_row &o : OPERATORS)
      if (key.rfind(std::string(lextab[o.op]) + "/", 0) == 0) op = o.op;
    list += key + ": " + nearest_rule(op) + "\n";
    for (const std::string &w : whats) list += "    " + w + "\n";
  }
  EXPECT_TRUE(list.empty()) << holes.size() << " combinations have no cover:\n" << list;
  for (auto &[reason, keys] : open_holes) {
    std::cout << keys.size() << " combinations open: " << reason << "\n";
    for (const std::string &key : keys) std::cout << "  " << key << "\n";
  }
}

}  // namespace
