// Expressions: typed trees built with the C conversions and checks, folded
// when constant, handed to the intermediate-code writer.
#pragma once
#include <cstdint>
#include "parser/types.h"

// Operator codes (shared with the lexer's token codes).
enum op_code : uint8_t {
  OP_END = 60, OP_CALL = 61, OP_LPAREN = 62, OP_RPAREN = 63, OP_SUBSCRIPT = 64,
  OP_LBRACKET = 65, OP_RBRACKET = 66, OP_DOT = 67, OP_ARROW = 68,
  OP_DEREF = 69, OP_ADDR = 70, OP_NEG = 71, OP_PLUS_U = 72, OP_NOT = 73, OP_COMPL = 74,
  OP_PREINC = 75, OP_POSTINC = 76, OP_PREDEC = 77, OP_POSTDEC = 78,
  OP_SIZEOF = 79, OP_CAST = 80,
  OP_MUL = 81, OP_AND = 82, OP_SUB = 83, OP_ADD = 84, OP_DIV = 85, OP_MOD = 86,
  OP_SHR = 87, OP_SHL = 88, OP_LT = 89, OP_GT = 90, OP_LE = 91, OP_GE = 92,
  OP_EQ = 93, OP_NE = 94, OP_XOR = 95, OP_OR = 96, OP_LAND = 97, OP_LOR = 98,
  OP_QUEST = 99, OP_COLON = 100, OP_ASSIGN = 101,
  OP_ASG_ADD = 102, OP_INC = 103, OP_ASG_SUB = 104, OP_DEC = 105, OP_ASG_MUL = 106,
  OP_ASG_DIV = 107, OP_ASG_MOD = 108, OP_ASG_SHR = 109, OP_ASG_SHL = 110,
  OP_ASG_AND = 111, OP_ASG_XOR = 112, OP_ASG_OR = 113,
  OP_ARGSEP = 114, OP_COMMA = 115,
  OP_IDENT = 116, OP_ICONST = 117, OP_STRING = 119, OP_TYPE = 120,
  OP_NOARGS = 121, OP_RETURN = 122, OP_JUMP = 123, OP_CJUMP = 124, OP_CONVERT = 125,
  OP_INIT = 126, OP_MEMBER = 127, OP_FCONST = 128, OP_VARARG = 129,
  OP_MARK1 = 130, OP_MARK4 = 133, OP_EXITJUMP = 134, OP_ARRAYCOPY = 135,
  OP_ITTYPE = 136, OP_UNIQUE_ID = 137,
};

struct symbol;

struct expr_node {
  uint8_t op;
  uint8_t permanent;  // part of a type (dimension tree): never freed
  symbol *sym;        // identifier, member
  union {
    expr_node *left;
    int32_t ival;     // integer constant
    char *ftext;      // floating constant text
    struct {
      uint32_t number, length;
    } str;            // string literal
    uint32_t ordinal; // member ordinal
  };
  expr_node *right;
  type_t type;
};

struct op_info {
  const char *name;   // written name, null: never written
  uint8_t prec;
  uint8_t parse;      // parse flags
  uint16_t cls;       // operand-class word
  uint8_t result;     // result rule
};
const op_info &op_table(int code);
int op_arity(int code);

// Parsing contexts.
enum {
  CTX_NORMAL = 0, CTX_CASE = 1, CTX_DIM = 2, CTX_ARG = 3, CTX_ENUM = 4, CTX_ADDRESS = 5,
  CTX_INIT = 126,
};

expr_node *expr_parse(int context);
expr_node *expr_top(int context, const type_t *target);
expr_node *expr_build(int code, expr_node *left, expr_node *right);
bool expr_const_value(const expr_node *e, int32_t *value);
// A constant whose size part is only known to the code generator (sizeof of
// pointers and structures) but otherwise folds: accepted where the value
// travels into the intermediate code.
bool expr_is_deferred_constant(const expr_node *e);
bool expr_is_address_constant(const expr_node *e);
expr_node *expr_condition(expr_node *e);
expr_node *expr_convert(expr_node *e, const type_t &t);
expr_node *expr_assign_convert(expr_node *e, const type_t &t, bool initialising);
void expr_free(expr_node *e);
expr_node *expr_copy(const expr_node *e);
void expr_make_permanent(expr_node *e);
expr_node *expr_int(int32_t value, const type_t &t);
expr_node *expr_untyped(int32_t value);
expr_node *expr_ident(symbol *s);
expr_node *expr_type_leaf(const type_t &t);
expr_node *expr_new(int op);
bool expr_is_const_value(const expr_node *e, int32_t v);
// Parses a type name (casts, sizeof); true when one was there.
bool expr_starts_type_name();
type_t expr_type_name();
// Walks every node in use (the collector marks their symbols).
void expr_mark_live(void (*mark)(symbol *));
// Frees every node (the end of a run).
void expr_release();
// Call-site hook: a function call was built (per-function information file).
extern void (*expr_call_hook)(symbol *callee);
