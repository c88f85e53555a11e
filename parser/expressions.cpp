#include "parser/expressions.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include "common/alert.h"
#include "common/alloc.h"
#include "common/hash.h"
#include "parser/declarations.h"
#include "parser/exprbuild.h"
#include "parser/icwriter.h"
#include "parser/lexer.h"
#include "parser/parsk.h"
#include "parser/pragmas.h"
#include "parser/printf_check.h"
#include "parser/symbols.h"

void (*expr_call_hook)(symbol *callee);

namespace {

const op_info table[80] = {
    /* 60 */ {nullptr, 6, 0, 0x200, 7},
    /* 61 */ {"(", 30, 0x2, 0x200, 3},
    /* 62 */ {nullptr, 31, 0, 0, 0},
    /* 63 */ {nullptr, 2, 0, 0, 0},
    /* 64 */ {nullptr, 30, 0x2, 0, 0},
    /* 65 */ {nullptr, 30, 0, 0, 0},
    /* 66 */ {nullptr, 2, 0, 0, 0},
    /* 67 */ {".", 30, 0x2, 0xa00, 2},
    /* 68 */ {nullptr, 30, 0x2, 0, 0},
    /* 69 */ {"*U", 28, 0x1c, 0x3200, 3},
    /* 70 */ {"&U", 28, 0x1c, 0x2200, 4},
    /* 71 */ {"-U", 28, 0x1c, 0x4030, 1},
    /* 72 */ {"+U", 28, 0x1c, 0x4030, 1},
    /* 73 */ {"!", 28, 0x98, 0x2, 6},
    /* 74 */ {"~", 28, 0x18, 0x4020, 1},
    /* 75 */ {nullptr, 28, 0x8, 0, 0},
    /* 76 */ {nullptr, 28, 0x8, 0, 0},
    /* 77 */ {nullptr, 28, 0x8, 0, 0},
    /* 78 */ {nullptr, 28, 0x8, 0, 0},
    /* 79 */ {"#", 28, 0x18, 0x300, 8},
    /* 80 */ {nullptr, 28, 0xa, 0, 0},
    /* 81 */ {"*", 26, 0x16, 0x70, 1},
    /* 82 */ {"&", 17, 0x96, 0x60, 1},
    /* 83 */ {"-", 24, 0x16, 0x7c, 1},
    /* 84 */ {"+", 24, 0x16, 0x74, 1},
    /* 85 */ {"/", 26, 0x52, 0x70, 1},
    /* 86 */ {"%", 26, 0x52, 0x60, 1},
    /* 87 */ {">>", 22, 0x32, 0x4020, 1},
    /* 88 */ {"<<", 22, 0x32, 0x4020, 1},
    /* 89 */ {"<", 20, 0x52, 0x10f8, 6},
    /* 90 */ {">", 20, 0x52, 0x10f8, 6},
    /* 91 */ {"<=", 20, 0x52, 0x10f8, 6},
    /* 92 */ {">=", 20, 0x52, 0x10f8, 6},
    /* 93 */ {"==", 18, 0x92, 0x90f8, 6},
    /* 94 */ {"!=", 18, 0x92, 0x90f8, 6},
    /* 95 */ {"^", 16, 0x92, 0x60, 1},
    /* 96 */ {"|", 15, 0x92, 0x60, 1},
    /* 97 */ {"&&", 14, 0x92, 0x3, 6},
    /* 98 */ {"||", 13, 0x92, 0x3, 6},
    /* 99 */ {"?", 12, 0x1a, 0x2, 2},
    /* 100 */ {":", 6, 0x1a, 0x92f8, 9},
    /* 101 */ {"=", 10, 0x8a, 0x2600, 1},
    /* 102 */ {"=+", 10, 0xa, 0x2434, 1},
    /* 103 */ {"++", 0, 0xa, 0x2434, 1},
    /* 104 */ {"=-", 10, 0xa, 0x2434, 1},
    /* 105 */ {"--", 0, 0xa, 0x2434, 1},
    /* 106 */ {"=*", 10, 0xa, 0x2430, 1},
    /* 107 */ {"=/", 10, 0x4a, 0x2030, 1},
    /* 108 */ {"=%", 10, 0x4a, 0x2020, 1},
    /* 109 */ {"=>>", 10, 0xa, 0x2020, 1},
    /* 110 */ {"=<<", 10, 0xa, 0x2020, 1},
    /* 111 */ {"=&", 10, 0x8a, 0x2420, 1},
    /* 112 */ {"=^", 10, 0x8a, 0x2420, 1},
    /* 113 */ {"=|", 10, 0x8a, 0x2420, 1},
    /* 114 */ {",", 7, 0x2, 0x200, 7},
    /* 115 */ {";", 7, 0x2, 0x200, 2},
    /* 116 */ {nullptr, 0, 0x11, 0, 0},
    /* 117 */ {nullptr, 0, 0x11, 0, 0},
    /* 118 */ {nullptr, 0, 0x1, 0, 0},
    /* 119 */ {nullptr, 0, 0x11, 0, 0},
    /* 120 */ {nullptr, 0, 0x1, 0, 0},
    /* 121 */ {"..", 0, 0, 0, 0},
    /* 122 */ {")", 0, 0, 0x200, 7},
    /* 123 */ {"$U", 0, 0, 0x200, 7},
    /* 124 */ {"$", 0, 0x2, 0x2, 7},
    /* 125 */ {"->", 0, 0x12, 0x880, 2},
    /* 126 */ {nullptr, 0, 0x2, 0x480, 7},
    /* 127 */ {nullptr, 0, 0x1, 0, 0},
    /* 128 */ {nullptr, 0, 0x11, 0, 0},
    /* 129 */ {"(.", 0, 0, 0x200, 3},
    /* 130 */ {"(1", 30, 0, 0x200, 3},
    /* 131 */ {"(2", 30, 0, 0x200, 3},
    /* 132 */ {"(3", 30, 0, 0x200, 3},
    /* 133 */ {"(4", 30, 0, 0x200, 3},
    /* 134 */ {"$UE", 0, 0, 0x200, 7},
    /* 135 */ {":=", 10, 0x8a, 0xf00, 1},
    /* 136 */ {"#T", 28, 0x18, 0x300, 8},
    /* 137 */ {nullptr, 0, 0x11, 0, 0},
    /* 138 */ {nullptr, 0, 0, 0, 0},
    /* 139 */ {nullptr, 0, 0, 0, 0},
};

// Node pool: blocks of nodes; free nodes have op 0 and chain through `right`.
std::vector<expr_node *> blocks;
constexpr size_t kBlock = 1024;
expr_node *free_nodes;

constexpr int kMaxDepth = 400;
int depth;

expr_node *parse_comma(int ctx);
expr_node *parse_assign(int ctx);
expr_node *parse_cond(int ctx);
expr_node *parse_unary(int ctx, bool addr_operand);

bool too_deep() {
  if (depth > kMaxDepth) {
    msg(295);
    return true;
  }
  return false;
}

int binary_op(int code) {
  switch (code) {
    case OP_MUL: case OP_AND: case OP_SUB: case OP_ADD: case OP_DIV: case OP_MOD:
    case OP_SHR: case OP_SHL: case OP_LT: case OP_GT: case OP_LE: case OP_GE:
    case OP_EQ: case OP_NE: case OP_XOR: case OP_OR: case OP_LAND: case OP_LOR:
      return code;
    default:
      return 0;
  }
}

bool is_assign_op(int code) {
  return code == OP_ASSIGN || code == OP_ASG_ADD || code == OP_ASG_SUB ||
         (code >= OP_ASG_MUL && code <= OP_ASG_OR);
}

expr_node *parse_binary(int ctx, int min_prec) {
  depth++;
  if (too_deep()) {
    depth--;
    return nullptr;
  }
  expr_node *l = parse_unary(ctx, false);
  for (;;) {
    int op = binary_op(tok.code);
    if (!op) break;
    int prec = table[op - 60].prec;
    if (prec < min_prec) break;
    if (ctx == CTX_ADDRESS && op == OP_XOR) break;
    lex_next();
    uint32_t errors = msg_error_count();
    expr_node *r = parse_binary(ctx, prec + 1);
    if (!r) {
      // A missing operand is a syntax error unless its fault was reported.
      if (l && msg_error_count() == errors) msg(195);
      expr_free(l);
      l = nullptr;
      break;
    }
    l = expr_build(op, l, r);
  }
  depth--;
  return l;
}

expr_node *parse_cond(int ctx) {
  expr_node *c = parse_binary(ctx, 13);
  if (tok.code != OP_QUEST) return c;
  lex_next();
  uint32_t errors = msg_error_count();
  expr_node *a = parse_comma(CTX_NORMAL);
  if (tok.code != OP_COLON) {
    if (msg_error_count() == errors) msg(195);
    expr_free(c);
    expr_free(a);
    return nullptr;
  }
  lex_next();
  expr_node *b = parse_cond(ctx);
  expr_node *arms = expr_build(OP_COLON, a, b);
  if (!arms) {
    expr_free(c);
    return nullptr;
  }
  return expr_build(OP_QUEST, c, arms);
}

expr_node *parse_assign(int ctx) {
  expr_node *l = parse_cond(ctx);
  if (ctx == CTX_INIT || !is_assign_op(tok.code)) return l;
  int op = tok.code;
  lex_next();
  uint32_t errors = msg_error_count();
  expr_node *r = parse_assign(ctx);
  if (!r && l && msg_error_count() == errors) msg(195);
  return expr_build(op, l, r);
}

expr_node *parse_comma(int ctx) {
  expr_node *e = parse_assign(ctx);
  bool comma_ends = ctx == CTX_ARG || ctx == CTX_ENUM || ctx == CTX_ADDRESS || ctx == CTX_INIT;
  while (!comma_ends && tok.code == OP_ARGSEP) {
    lex_next();
    uint32_t errors = msg_error_count();
    expr_node *r = parse_assign(ctx);
    if (!r) {
      if (msg_error_count() == errors) msg(195);
      expr_free(e);
      return nullptr;
    }
    e = expr_build(OP_COMMA, e, r);
  }
  return e;
}

symbol *struct_tag_of(const type_t &t) {
  type_t s = type_strip(t);
  if (s.kind || s.ptr || (s.code != TC_STRUCT && s.code != TC_UNION)) return nullptr;
  return s.base;
}

// The member `m` of structure `tag`, through unnamed inner structures.
expr_node *select_member(expr_node *e, symbol *tag, symbol *m) {
  if (m->link != tag) {
    for (symbol *a = tag->first; a; a = a->next) {
      if (!(a->flags & SF_ANON_MEMBER)) continue;
      symbol *inner = struct_tag_of(a->type);
      if (!inner || !inner->members) continue;
      if (hash_lookup(inner->members, m->name) == m) {
        expr_node *leaf = expr_new(OP_MEMBER);
        leaf->sym = a;
        leaf->ordinal = a->ordinal;
        leaf->type = a->type;
        expr_node *d = expr_new(OP_DOT);
        d->left = e;
        d->right = leaf;
        d->type = a->type;
        return select_member(d, inner, m);
      }
    }
  }
  expr_node *leaf = expr_new(OP_MEMBER);
  leaf->sym = m;
  leaf->ordinal = m->ordinal;
  leaf->type = m->type;
  expr_node *d = expr_new(OP_DOT);
  d->left = e;
  d->right = leaf;
  d->type = m->type;
  return d;
}

expr_node *member_access(expr_node *e, bool through_pointer) {
  sym_want_member = true;
  lex_next();
  sym_want_member = false;
  if (tok.code != T_IDENT) {
    msg(197);
    expr_free(e);
    return nullptr;
  }
  std::string name = tok.text;
  lex_next();
  if (!e) return nullptr;
  if (through_pointer) {
    if (!type_is_pointer(e->type)) {
      msg(981);
      expr_free(e);
      return nullptr;
    }
    e = expr_build(OP_DEREF, e, nullptr);
    if (!e) return nullptr;
  }
  symbol *tag = struct_tag_of(e->type);
  if (!tag) {
    msg(196);
    expr_free(e);
    return nullptr;
  }
  if (!(tag->flags & SF_DEFINED)) {
    msg(198, tag->name);
    expr_free(e);
    return nullptr;
  }
  symbol *m = sym_member_find(tag, name.c_str());
  if (!m) {
    expr_free(e);
    return nullptr;
  }
  return select_member(e, tag, m);
}

expr_node *parse_call(expr_node *fn) {
  lex_next();  // "("
  symbol *callee = fn && fn->op == OP_IDENT ? fn->sym : nullptr;
  type_t f = fn ? type_strip(fn->type) : type_plain(TC_INT);
  if (fn && f.kind != TK_FUNCTION) {
    if (f.ptr && type_strip(type_deref(f)).kind == TK_FUNCTION) {
      fn = expr_build(OP_DEREF, fn, nullptr);
      f = fn ? type_strip(fn->type) : f;
    } else {
      msg(183);
    }
  }
  uint32_t intr = qual_roles[ROLE_INTERRUPT];
  if (fn && intr && callee && (callee->type.quals & intr)) msg(184);
  std::vector<expr_node *> args;
  if (tok.code != T_RPAREN) {
    for (;;) {
      expr_node *a = parse_assign(CTX_ARG);
      if (!a) msg(195);
      args.push_back(a);
      if (tok.code == OP_ARGSEP) {
        lex_next();
        continue;
      }
      if (tok.code == T_RPAREN) break;
      if (tok.code == T_SEMI || tok.code == T_RBRACE || tok.code == T_EOF) break;
      msg(372);
    }
  }
  if (tok.code == T_RPAREN) lex_next();
  else msg(194);
  const param_list *pl = f.kind == TK_FUNCTION ? f.params : nullptr;
  size_t fixed = 0;
  bool variadic = false, void_list = false;
  if (pl) {
    const type_t &last = pl->types[pl->count - 1];
    variadic = last.code == TC_ELLIPSIS && !last.ptr && !last.kind;
    void_list = pl->count == 1 && last.code == TC_VOID && !last.ptr && !last.kind;
    fixed = void_list ? 0 : pl->count - (variadic ? 1 : 0);
    if (void_list && !args.empty()) msg(185);
    else if (!variadic && args.size() > fixed) msg(186);
    else if (args.size() < fixed) msg(187);
  }
  bool ok = fn != nullptr;
  for (size_t i = 0; i < args.size(); i++) {
    if (!args[i]) {
      ok = false;
      continue;
    }
    if (pl && i < fixed) args[i] = expr_assign_convert(args[i], pl->types[i], false);
    else args[i] = expr_convert(expr_decay(args[i]), expr_argument_promoted(expr_decay(args[i])->type));
    if (!args[i]) ok = false;
  }
  if (ok && callee && (callee->flags & SF_PRINTF) && variadic)
    printf_check_call(callee, args, fixed);
  if (!ok) {
    expr_free(fn);
    for (expr_node *a : args) expr_free(a);
    return nullptr;
  }
  if (variadic && args.size() > fixed) args[fixed] = expr_build(OP_VARARG, args[fixed], nullptr);
  expr_node *list;
  if (args.empty()) {
    list = expr_new(OP_NOARGS);
  } else {
    list = args[0];
    for (size_t i = 1; i < args.size(); i++) list = expr_build(OP_ARGSEP, list, args[i]);
  }
  expr_node *call = expr_new(OP_CALL);
  call->left = fn;
  call->right = list;
  call->type = f.kind == TK_FUNCTION ? type_result(f) : type_plain(TC_INT);
  if (callee && expr_call_hook) expr_call_hook(callee);
  return call;
}

bool is_postfix(int code) {
  return code == T_LBRACKET || code == T_LPAREN || code == T_DOT || code == T_ARROW ||
         code == OP_PREINC || code == OP_PREDEC;
}

expr_node *subscript(expr_node *a, bool addr_operand) {
  lex_next();  // "["
  expr_node *i = parse_comma(CTX_NORMAL);
  if (tok.code == T_RBRACKET) lex_next();
  else msg(310);
  if (!a || !i) {
    expr_free(a);
    expr_free(i);
    return nullptr;
  }
  bool a_ptr = type_is_pointer(a->type) || type_is_array(a->type);
  if (!a_ptr && (type_is_pointer(i->type) || type_is_array(i->type))) std::swap(a, i);
  if (!type_is_integral(i->type)) {
    msg(190);
    expr_free(a);
    expr_free(i);
    return nullptr;
  }
  type_t at = type_strip(a->type);
  int32_t v;
  if (at.kind == TK_ARRAY && at.count > 0 && expr_const_value(i, &v)) {
    bool allow_end = addr_operand && !is_postfix(tok.code);
    if (v < 0 || v > at.count || (v == at.count && !allow_end)) msg(360);
  }
  expr_node *sum = expr_build(OP_ADD, a, i);
  return expr_build(OP_DEREF, sum, nullptr);
}

expr_node *parse_postfix(expr_node *e, bool addr_operand) {
  for (;;) {
    switch (tok.code) {
      case T_LBRACKET:
        e = subscript(e, addr_operand);
        break;
      case T_LPAREN:
        e = parse_call(e);
        break;
      case T_DOT:
      case T_ARROW:
        e = member_access(e, tok.code == T_ARROW);
        break;
      case OP_PREINC:
      case OP_PREDEC: {
        int op = tok.code == OP_PREINC ? OP_INC : OP_DEC;
        lex_next();
        e = expr_build(op, e, expr_int(1, type_plain(TC_INT)));
        break;
      }
      default:
        return e;
    }
  }
}

expr_node *identifier_leaf() {
  symbol *s = tok.sym;
  std::string name = tok.text;
  lex_next();
  if (!s) return nullptr;
  if (s->cls == SC_NONE) {
    if (tok.code == T_LPAREN) {
      msg(361, name.c_str());
      int saved = sym_level;
      sym_move_to_level(s, 0);
      sym_level = 0;
      type_t ft = type_plain(TC_INT);
      ft.kind = TK_FUNCTION;
      s = sym_declare(s, SC_EXTERN, ft, nullptr);
      sym_level = saved;
    } else {
      msg(192, name.c_str());
      s->cls = SC_STATIC;
      s->type = type_plain(TC_INT);
      s->flags |= SF_VALUE | SF_DEFINED | SF_WRITTEN;
    }
  } else if (!(s->flags & SF_VALUE)) {
    msg(193, name.c_str());
    return expr_int(0, type_plain(TC_INT));
  }
  s->flags |= SF_USED;
  if (s->cls == SC_EXTERN && !(s->flags & SF_WRITTEN)) ic_symbol(s, IC_NONE);
  expr_node *e = expr_ident(s);
  return e;
}

expr_node *string_leaf() {
  uint32_t quals = pragma_string_quals;
  uint32_t number = ic_spool_string(tok.text.data(), (uint32_t)tok.text.size(), quals);
  expr_node *e = expr_new(OP_STRING);
  e->str.number = number;
  e->str.length = (uint32_t)tok.text.size();
  e->type = type_plain(popt.unsigned_char ? TC_UCHAR : TC_CHAR);
  e->type.quals = quals;
  e->type.ptr = 1;
  lex_next();
  return e;
}

expr_node *sizeof_type(const type_t &t) {
  type_t s = type_strip(t);
  if (s.kind == TK_FUNCTION || type_is_void(t)) msg(209, "#");
  return expr_size_of(t, type_size_type());
}

expr_node *sizeof_expr(expr_node *e) {
  if (!e) return nullptr;
  if (e->op == OP_STRING) {
    int32_t n = (int32_t)e->str.length + 1;
    expr_free(e);
    return expr_int(n, type_size_type());
  }
  type_t t = e->type;
  if (type_size_is_constant(t) || type_is_array(t)) {
    expr_free(e);
    return sizeof_type(t);
  }
  expr_node *n = expr_new(OP_SIZEOF);
  n->left = e;
  n->type = type_size_type();
  return n;
}

// "(" string "," number ")" of the built-in global labels.
bool builtin_label_args(std::string &prefix, int32_t &number) {
  if (tok.code != T_LPAREN) {
    msg(317);
    return false;
  }
  lex_next();
  if (tok.code != T_STRING) {
    msg(318);
    return false;
  }
  prefix = tok.text;
  lex_next();
  if (tok.code != OP_ARGSEP) {
    msg(372);
    return false;
  }
  lex_next();
  if (tok.code != T_INTCONST) {
    msg(265);
    return false;
  }
  number = tok.value;
  lex_next();
  if (tok.code != T_RPAREN) {
    msg(194);
    return false;
  }
  lex_next();
  return true;
}

expr_node *parse_primary(bool addr_operand) {
  expr_node *e = nullptr;
  switch (tok.code) {
    case T_IDENT:
      e = identifier_leaf();
      break;
    case T_INTCONST:
      e = expr_int(tok.value, type_plain(tok.tcode));
      lex_next();
      break;
    case T_FLOATCONST:
      e = expr_new(OP_FCONST);
      e->ftext = str_dup(tok.text.c_str());
      e->type = type_plain(tok.tcode);
      lex_next();
      break;
    case T_STRING:
      e = string_leaf();
      break;
    case T_LPAREN: {
      lex_next();
      uint32_t errors = msg_error_count();
      e = parse_comma(CTX_NORMAL);
      if (tok.code == T_RPAREN) lex_next();
      else if (e || msg_error_count() == errors) msg(194);
      break;
    }
    case T_ITTYPE: {
      lex_next();
      if (tok.code != T_LPAREN) {
        msg(317);
        return nullptr;
      }
      lex_next();
      expr_node *a = parse_comma(CTX_NORMAL);
      if (tok.code == T_RPAREN) lex_next();
      else msg(194);
      if (!a) return nullptr;
      e = expr_new(OP_ITTYPE);
      e->left = a;
      e->type = type_size_type();
      break;
    }
    case T_UNIQUE_ID: {
      lex_next();
      std::string prefix;
      int32_t number = 0;
      if (!builtin_label_args(prefix, number)) return nullptr;
      ic_temp_label(prefix.c_str(), number);
      e = expr_int(number, type_plain(TC_INT));
      break;
    }
    default:
      msg(195);
      return nullptr;
  }
  return parse_postfix(e, addr_operand);
}

expr_node *parse_unary(int ctx, bool addr_operand) {
  depth++;
  if (too_deep()) {
    depth--;
    return nullptr;
  }
  expr_node *e = nullptr;
  int code = tok.code;
  switch (code) {
    case OP_MUL: case OP_AND: case OP_SUB: case OP_ADD: {
      int op = code - 12;
      lex_next();
      expr_node *a = parse_unary(ctx, op == OP_ADDR);
      e = expr_build(op, a, nullptr);
      break;
    }
    case OP_NOT:
    case OP_COMPL: {
      lex_next();
      e = expr_build(code, parse_unary(ctx, false), nullptr);
      break;
    }
    case OP_PREINC:
    case OP_PREDEC: {
      lex_next();
      expr_node *a = parse_unary(ctx, false);
      e = expr_build(code == OP_PREINC ? OP_ASG_ADD : OP_ASG_SUB, a, a ? expr_int(1, type_plain(TC_INT)) : nullptr);
      break;
    }
    case K_SIZEOF: {
      lex_next();
      if (tok.code == T_LPAREN && decl_starts(lex_peek())) {
        lex_next();
        type_t t = decl_type_name();
        if (tok.code == T_RPAREN) lex_next();
        else msg(194);
        e = sizeof_type(t);
      } else {
        e = sizeof_expr(parse_unary(ctx, false));
      }
      break;
    }
    case T_LPAREN:
      if (decl_starts(lex_peek())) {
        lex_next();
        type_t t = decl_type_name();
        if (tok.code == T_RPAREN) lex_next();
        else msg(194);
        expr_node *a = parse_unary(ctx, false);
        if (!a) break;
        if (!type_is_void(t) && !type_is_scalar(t)) {
          msg(191);
          expr_free(a);
          break;
        }
        a = expr_decay(a);
        if (!type_is_void(t) && !type_is_scalar(a->type)) {
          msg(181);
          expr_free(a);
          break;
        }
        e = expr_convert(a, t);
        break;
      }
      e = parse_primary(addr_operand);
      break;
    default:
      e = parse_primary(addr_operand);
  }
  depth--;
  return e;
}

}  // namespace

const op_info &op_table(int code) {
  static const op_info none{nullptr, 0, 0, 0, 0};
  if (code < 60 || code > 139) return none;
  return table[code - 60];
}

int op_arity(int code) {
  switch (code) {
    case OP_IDENT: case OP_ICONST: case 118: case OP_STRING: case OP_TYPE: case OP_NOARGS:
    case OP_MEMBER: case OP_FCONST: case OP_UNIQUE_ID:
      return 0;
    case OP_DEREF: case OP_ADDR: case OP_NEG: case OP_PLUS_U: case OP_NOT: case OP_COMPL:
    case OP_SIZEOF: case OP_CAST: case OP_RETURN: case OP_JUMP: case OP_VARARG: case OP_EXITJUMP:
    case OP_ITTYPE: case OP_CONVERT:
      return 1;
    default:
      return 2;
  }
}

expr_node *expr_new(int op) {
  if (!free_nodes) {
    auto *block = (expr_node *)calloc(kBlock, sizeof(expr_node));
    if (!block) {
      msg(294, (unsigned)(kBlock * sizeof(expr_node)));
      msg_exit_failure(1);
    }
    blocks.push_back(block);
    for (size_t i = kBlock; i-- > 0;) {
      block[i].right = free_nodes;
      free_nodes = &block[i];
    }
  }
  expr_node *n = free_nodes;
  free_nodes = n->right;
  memset(n, 0, sizeof *n);
  n->op = (uint8_t)op;
  n->type = type_plain(TC_VOID);
  return n;
}

void expr_free(expr_node *e) {
  if (!e || e->permanent || e->op == 0) return;
  int arity = op_arity(e->op);
  if (e->op == OP_FCONST) free(e->ftext);
  else if (arity >= 1) expr_free(e->left);
  if (arity == 2) expr_free(e->right);
  e->op = 0;
  e->right = free_nodes;
  free_nodes = e;
}

expr_node *expr_copy(const expr_node *e) {
  if (!e) return nullptr;
  expr_node *n = expr_new(e->op);
  *n = *e;
  n->permanent = 0;
  int arity = op_arity(e->op);
  if (e->op == OP_FCONST) n->ftext = str_dup(e->ftext);
  else if (arity >= 1) n->left = expr_copy(e->left);
  if (arity == 2) n->right = expr_copy(e->right);
  return n;
}

void expr_make_permanent(expr_node *e) {
  if (!e || e->permanent) return;
  e->permanent = 1;
  int arity = op_arity(e->op);
  if (arity >= 1 && e->op != OP_FCONST) expr_make_permanent(e->left);
  if (arity == 2) expr_make_permanent(e->right);
}

void expr_release() {
  for (expr_node *block : blocks) {
    for (size_t i = 0; i < kBlock; i++)
      if (block[i].op == OP_FCONST) free(block[i].ftext);
    free(block);
  }
  blocks.clear();
  free_nodes = nullptr;
}

void expr_mark_live(void (*mark)(symbol *)) {
  for (expr_node *block : blocks)
    for (size_t i = 0; i < kBlock; i++) {
      expr_node &n = block[i];
      if (!n.op) continue;
      if (n.sym) mark(n.sym);
      if (n.type.base) mark(n.type.base);
      if (n.type.params)
        for (uint32_t p = 0; p < n.type.params->count; p++)
          if (n.type.params->types[p].base) mark(n.type.params->types[p].base);
    }
}

expr_node *expr_int(int32_t value, const type_t &t) {
  expr_node *n = expr_new(OP_ICONST);
  n->ival = value;
  n->type = t;
  return n;
}

expr_node *expr_untyped(int32_t value) { return expr_int(value, type_plain(TC_VOID)); }

expr_node *expr_ident(symbol *s) {
  expr_node *n = expr_new(OP_IDENT);
  n->sym = s;
  n->type = s->type;
  if (s->cls == SC_ENUMCONST && s->link) n->type = s->link->type;
  return n;
}

expr_node *expr_type_leaf(const type_t &t) {
  expr_node *n = expr_new(OP_TYPE);
  n->type = t;
  return n;
}

bool expr_is_const_value(const expr_node *e, int32_t v) {
  int32_t x;
  return expr_const_value(e, &x) && x == v;
}

expr_node *expr_parse(int context) {
  depth = 0;
  return parse_comma(context);
}

expr_node *expr_top(int context, const type_t *target) {
  expr_node *e = expr_parse(context);
  if (!e) return nullptr;
  if (context == CTX_ADDRESS && !expr_is_address_constant(e) && expr_is_lvalue(e))
    e = expr_build(OP_ADDR, e, nullptr);
  if (!e) return nullptr;
  if (!expr_is_address_constant(e)) {
    msg(188);
    expr_free(e);
    return nullptr;
  }
  if (context == CTX_DIM && target) {
    if (!type_is_integral(e->type)) {
      msg(189);
      expr_free(e);
      return nullptr;
    }
    e = expr_convert(e, type_address(*target));
  }
  return e;
}

bool expr_starts_type_name() { return decl_starts(tok); }

type_t expr_type_name() { return decl_type_name(); }
