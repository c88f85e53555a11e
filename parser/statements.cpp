#include "parser/statements.h"

#include <cstring>
#include <string>
#include <unordered_set>

#include "common/alert.h"
#include "common/osdep.h"
#include "parser/declarations.h"
#include "parser/exprbuild.h"
#include "parser/expressions.h"
#include "parser/icwriter.h"
#include "parser/lexer.h"
#include "parser/parsk.h"
#include "parser/symbols.h"

symbol *current_function;

namespace {

constexpr size_t kMaxCases = 511;

struct switch_ctx {
  type_t type;
  std::vector<ic_case> cases;
  uint32_t default_label;
  bool default_seen;
  bool overflow_reported;
};

bool unreachable;
bool unreachable_reported;
uint32_t exit_label;
type_t return_type;
bool checked_return;
int function_level;

// Per-function information file.
std::string fi_dir;
FILE *fi_file;
std::unordered_set<std::string> fi_bases;

uint32_t new_label() { return sym_next_number(); }

void label(uint32_t n) {
  ic_label(n);
  unreachable = false;
  unreachable_reported = false;
}

void jump(uint32_t n) {
  expr_node *e = expr_build(OP_JUMP, expr_untyped((int32_t)n), nullptr);
  ic_statement(e);
  expr_free(e);
}

void cjump(expr_node *cond, uint32_t n) {
  expr_node *e = expr_build(OP_CJUMP, cond, expr_untyped((int32_t)n));
  if (e) ic_statement(e);
  expr_free(e);
}

void cjump_false(expr_node *cond, uint32_t n) {
  if (!cond) return;
  cjump(expr_build(OP_NOT, cond, nullptr), n);
}

void expect_semicolon() {
  if (tok.code == T_SEMI) {
    lex_next();
    return;
  }
  msg(314);
  lex_skip_statement();
  if (tok.code == T_SEMI) lex_next();
}

// "(" expression ")" of if, while, switch and do.
expr_node *paren_expression() {
  if (tok.code == T_LPAREN) lex_next();
  else msg(317);
  expr_node *e = expr_parse(CTX_NORMAL);
  if (tok.code == T_RPAREN) lex_next();
  else msg(194);
  return e;
}

bool is_constant(const expr_node *e, int32_t v) { return e && expr_is_const_value(e, v); }

void fi_begin(symbol *fn, uint32_t brace_line) {
  if (fi_dir.empty()) return;
  std::string base = os_basename(lex_file ? lex_file : "");
  size_t dot = base.rfind('.');
  if (dot != std::string::npos) base.resize(dot);
  std::string path = fi_dir + "/" + base + ".fi";
  bool first = fi_bases.insert(path).second;
  fi_file = fopen(path.c_str(), first ? "w" : "a");
  if (!fi_file) return;
  uint32_t intr = qual_roles[ROLE_INTERRUPT];
  if (intr && (fn->type.quals & intr)) fputc('!', fi_file);
  fprintf(fi_file, "%s %ld %u\n", fn->name, (long)brace_line, ic_last_line());
}

void fi_call(symbol *callee) {
  if (fi_file) fprintf(fi_file, "%s %d\n", callee->name, lex_lineno);
}

void fi_end(long line) {
  if (!fi_file) return;
  fprintf(fi_file, "%ld\n", line);
  fclose(fi_file);
  fi_file = nullptr;
}

int parse_statement(uint32_t cont, uint32_t brk, switch_ctx *sw, bool *break_used);
bool loop_jump(uint32_t target, const char *word);

void block_items(uint32_t cont, uint32_t brk, switch_ctx *sw, bool *break_used, int *used_continue) {
  while (tok.code != T_RBRACE && tok.code != T_EOF) {
    if (decl_starts(tok) && !(tok.code == T_IDENT && lex_peek().code == OP_COLON)) {
      decl_list(DC_LOCAL);
      continue;
    }
    *used_continue |= parse_statement(cont, brk, sw, break_used);
  }
}

int block(uint32_t cont, uint32_t brk, switch_ctx *sw, bool *break_used) {
  scope_open();
  lex_next();
  int used = 0;
  block_items(cont, brk, sw, break_used, &used);
  scope_close();
  if (tok.code == T_RBRACE) lex_next();
  else msg(316);
  return used;
}

// A for condition worth testing once before the loop: a comparison of a
// variable with a constant.
bool simple_condition(const expr_node *c, const expr_node *init) {
  switch (c->op) {
    case OP_LT: case OP_GT: case OP_LE: case OP_GE: case OP_EQ: case OP_NE: case OP_LAND: case OP_LOR:
      break;
    default:
      return false;
  }
  const expr_node *l = c->left;
  while (l && l->op == OP_CONVERT) l = l->left;
  if (!l || l->op != OP_IDENT || !c->right || c->right->op != OP_ICONST) return false;
  symbol *v = l->sym;
  bool init_const = init && init->op == OP_ASSIGN && init->left && init->left->op == OP_IDENT &&
                    init->right && init->right->op == OP_ICONST;
  return init_const || (v->cls != SC_EXTERN && v->cls != SC_STATIC);
}

int for_statement() {
  lex_next();
  if (tok.code == T_LPAREN) lex_next();
  else msg(317);
  scope_open();
  expr_node *init = nullptr;
  if (decl_starts(tok)) {
    decl_list(DC_LOCAL);
  } else {
    if (tok.code != T_SEMI) init = expr_parse(CTX_NORMAL);
    if (init) ic_statement(init);
    expect_semicolon();
  }
  expr_node *cond = nullptr;
  const char *cond_file = lex_file;
  int cond_line = lex_lineno;
  if (tok.code != T_SEMI) cond = expr_parse(CTX_NORMAL);
  expect_semicolon();
  expr_node *next = nullptr;
  const char *next_file = lex_file;
  int next_line = lex_lineno;
  if (tok.code != T_RPAREN) next = expr_parse(CTX_NORMAL);
  if (tok.code == T_RPAREN) lex_next();
  else msg(194);
  uint32_t top = new_label(), brk = new_label(), cont = new_label(), test = 0;
  bool has_cond = cond != nullptr;
  if (cond) cond = expr_condition(cond);
  if (cond) {
    if (simple_condition(cond, init)) {
      cjump(expr_copy(cond), top);
      jump(brk);
    } else {
      test = new_label();
      jump(test);
    }
  }
  expr_free(init);
  label(top);
  bool break_used = false;
  int used = parse_statement(cont, brk, nullptr, &break_used);
  if (used) label(cont);
  if (next) {
    ic_position(next_file, next_line);
    ic_statement(next);
    ic_position(nullptr, 0);
    expr_free(next);
  }
  ic_position(cond_file, cond_line);
  if (has_cond) {
    if (test) ic_label(test);
    if (cond) cjump(cond, top);
  } else {
    jump(top);
  }
  ic_position(nullptr, 0);
  label(brk);
  scope_close();
  unreachable = !has_cond && !break_used;
  return 0;
}

void return_statement() {
  lex_next();
  if (tok.code != T_SEMI) {
    expr_node *e = expr_parse(CTX_NORMAL);
    if (e) {
      if (type_is_void(return_type)) {
        msg(204);
        expr_free(e);
      } else {
        const expr_node *a = e;
        while (a && a->op == OP_CONVERT) a = a->left;
        if (a && a->op == OP_ADDR && a->left && a->left->op == OP_IDENT && a->left->sym &&
            (a->left->sym->cls == SC_AUTO || a->left->sym->cls == SC_PARAM ||
             (a->left->sym->cls == SC_REGISTER && a->left->sym->level > 0)))
          msg(365);
        e = expr_assign_convert(e, return_type, false);
        expr_node *r = expr_build(OP_RETURN, e, nullptr);
        if (r) ic_statement(r);
        expr_free(r);
      }
    }
  } else if (checked_return) {
    msg(344);
  }
  expr_node *j = expr_build(OP_EXITJUMP, expr_untyped((int32_t)exit_label), nullptr);
  ic_statement(j);
  expr_free(j);
  expect_semicolon();
  unreachable = true;
}

void asm_statement() {
  lex_next();
  if (tok.code != T_LPAREN) {
    msg(317);
    lex_skip_statement();
    if (tok.code == T_SEMI) lex_next();
    return;
  }
  lex_next();
  if (tok.code != T_STRING) {
    msg(318);
    lex_skip_statement();
    if (tok.code == T_SEMI) lex_next();
    return;
  }
  std::string text = tok.text;
  lex_next();
  if (tok.code == T_RPAREN) lex_next();
  else msg(194);
  ic_asm(text.data(), text.size());
  expect_semicolon();
}

symbol *label_symbol(const std::string &name) {
  symbol *s = sym_lookup_class(name.c_str(), SC_LABEL);
  if (s) return s;
  int saved = sym_level;
  sym_level = function_level;
  symbol *rec = sym_new_linked(name.c_str());
  s = sym_declare(rec, SC_LABEL, type_plain(TC_VOID), nullptr);
  sym_level = saved;
  return s;
}

void unreachable_check() {
  if (unreachable && !unreachable_reported) {
    msg(345);
    unreachable_reported = true;
  }
}

int parse_statement(uint32_t cont, uint32_t brk, switch_ctx *sw, bool *break_used) {
  switch (tok.code) {
    case T_LBRACE:
      return block(cont, brk, sw, break_used);
    case T_SEMI:
      lex_next();
      return 0;
    case K_CASE: {
      lex_next();
      expr_node *k = expr_parse(CTX_CASE);
      if (tok.code == OP_COLON) lex_next();
      else msg(320);
      if (k && (!expr_is_deferred_constant(k) || !type_is_integral(k->type))) {
        msg(188);
        expr_free(k);
        k = nullptr;
      }
      if (!sw) {
        msg(246);
        expr_free(k);
      } else if (sw->cases.size() >= kMaxCases) {
        if (!sw->overflow_reported) msg(308);
        sw->overflow_reported = true;
        expr_free(k);
      } else if (k) {
        k = expr_convert(k, sw->type);
        uint32_t l = new_label();
        label(l);
        sw->cases.push_back({k, l});
      }
      unreachable = false;
      return tok.code == T_RBRACE ? 0 : parse_statement(cont, brk, sw, break_used);
    }
    case K_DEFAULT:
      lex_next();
      if (tok.code == OP_COLON) lex_next();
      else msg(320);
      if (!sw) {
        msg(245);
      } else if (sw->default_seen) {
        msg(244);
      } else {
        sw->default_seen = true;
        sw->default_label = new_label();
        label(sw->default_label);
      }
      unreachable = false;
      return tok.code == T_RBRACE ? 0 : parse_statement(cont, brk, sw, break_used);
    case T_IDENT:
      if (lex_peek().code == OP_COLON) {
        std::string name = tok.text;
        lex_next();
        lex_next();
        symbol *l = label_symbol(name);
        if (l->flags & SF_DEFINED) msg(247, name.c_str());
        sym_define(l);
        ic_named_label(l);
        unreachable = false;
        unreachable_reported = false;
        return tok.code == T_RBRACE ? 0 : parse_statement(cont, brk, sw, break_used);
      }
      break;
    case K_ASM:
      asm_statement();
      return 0;
    default:
      break;
  }
  unreachable_check();
  switch (tok.code) {
    case K_IF: {
      lex_next();
      expr_node *c = paren_expression();
      uint32_t f = new_label();
      cjump_false(c, f);
      int used = parse_statement(cont, brk, sw, break_used);
      bool u1 = unreachable;
      if (tok.code == K_ELSE) {
        lex_next();
        uint32_t l = new_label();
        jump(l);
        label(f);
        used |= parse_statement(cont, brk, sw, break_used);
        bool u2 = unreachable;
        label(l);
        unreachable = u1 && u2;
      } else {
        label(f);
      }
      return used;
    }
    case K_WHILE: {
      lex_next();
      expr_node *c = paren_expression();
      uint32_t f = new_label(), g = new_label(), h = new_label();
      bool forever = is_constant(c, 1);
      if (!forever) jump(f);
      label(g);
      bool break_here = false;
      parse_statement(f, h, nullptr, &break_here);
      label(f);
      if (forever) {
        expr_free(c);
        jump(g);
      } else if (c) {
        cjump(c, g);
      }
      label(h);
      unreachable = forever && !break_here;
      return 0;
    }
    case K_DO: {
      lex_next();
      uint32_t d = new_label(), e = new_label(), f = new_label();
      label(f);
      bool break_here = false;
      int used = parse_statement(d, e, nullptr, &break_here);
      if (used) label(d);
      if (tok.code != K_WHILE) {
        msg(319);
        lex_skip_statement();
        if (tok.code == T_SEMI) lex_next();
        label(e);
        return 0;
      }
      lex_next();
      expr_node *c = paren_expression();
      if (c && !is_constant(c, 0)) cjump(c, f);
      else expr_free(c);
      label(e);
      expect_semicolon();
      return 0;
    }
    case K_FOR:
      return for_statement();
    case K_SWITCH: {
      lex_next();
      expr_node *e = paren_expression();
      if (e && !type_is_integral(e->type)) {
        msg(242);
        expr_free(e);
        e = nullptr;
      }
      if (e) e = expr_convert(e, expr_promoted(e->type));
      switch_ctx ctx{};
      ctx.type = e ? e->type : type_plain(TC_INT);
      uint32_t f = new_label(), g = new_label();
      jump(g);
      bool break_here = false;
      int used = parse_statement(cont, f, &ctx, &break_here);
      // Nothing follows a switch whose every way out returns or jumps: it
      // has a default, no break, and its last statement does not fall out.
      bool falls_out = !unreachable || !ctx.default_seen || break_here;
      if (!ctx.default_seen) ctx.default_label = f;
      jump(f);
      label(g);
      if (e) ic_switch(e, ctx.cases, ctx.default_label);
      expr_free(e);
      for (auto &c : ctx.cases) expr_free(c.value);
      label(f);
      unreachable = !falls_out;
      return used;
    }
    case K_BREAK:
      if (loop_jump(brk, "break")) *break_used = true;
      return 0;
    case K_CONTINUE:
      return loop_jump(cont, "continue") ? 1 : 0;
    case K_RETURN:
      return_statement();
      return 0;
    case K_GOTO: {
      lex_next();
      if (tok.code != T_IDENT) {
        msg(321);
        lex_skip_statement();
        if (tok.code == T_SEMI) lex_next();
        return 0;
      }
      std::string name = tok.text;
      lex_next();
      symbol *l = label_symbol(name);
      l->flags |= SF_USED;
      expr_node *j = expr_build(OP_JUMP, expr_ident(l), nullptr);
      ic_statement(j);
      expr_free(j);
      expect_semicolon();
      unreachable = true;
      return 0;
    }
    case K_ELSE:
      msg(248);
      lex_next();
      return 0;
    case T_ENUM_LABEL: {
      lex_next();
      std::string prefix;
      int32_t number = 0;
      if (tok.code != T_LPAREN) {
        msg(317);
      } else {
        lex_next();
        if (tok.code != T_STRING) {
          msg(318);
        } else {
          prefix = tok.text;
          lex_next();
          if (tok.code != OP_ARGSEP) msg(372);
          else {
            lex_next();
            if (tok.code != T_INTCONST) msg(265);
            else {
              number = tok.value;
              lex_next();
              if (tok.code != T_RPAREN) msg(194);
              else {
                lex_next();
                ic_temp_label(prefix.c_str(), number);
              }
            }
          }
        }
      }
      expect_semicolon();
      return 0;
    }
    case T_EOF:
      msg(300);
      return 0;
    case T_RBRACE:
      return 0;
    default:
      break;
  }
  if (decl_starts(tok)) {
    msg(249);
    decl_list(DC_LOCAL);
    return 0;
  }
  expr_node *e = expr_parse(CTX_NORMAL);
  if (e) ic_statement(e);
  expr_free(e);
  if (tok.code == T_SEMI) {
    lex_next();
  } else {
    msg(314);
    lex_skip_statement();
    if (tok.code == T_SEMI) lex_next();
  }
  return 0;
}

// "break" or "continue": a jump to the label of the enclosing statement, or
// message 243 without one. True when the jump was written.
bool loop_jump(uint32_t target, const char *word) {
  lex_next();
  if (!target) {
    msg(243, word);
    expect_semicolon();
    return false;
  }
  jump(target);
  expect_semicolon();
  unreachable = true;
  return true;
}

bool needs_checked_return(symbol *fn) {
  const type_t &t = fn->type;
  type_t r = type_result(type_strip(t));
  if (type_is_void(r)) return false;
  if (!r.kind && !r.ptr && (r.code == TC_INT)) return false;
  if (r.code == TC_TYPEDEF && !r.ptr && !r.kind) return false;
  return true;
}

}  // namespace

bool fi_open_dir(const char *dir) {
  fi_dir = dir ? dir : "";
  while (fi_dir.size() > 1 && fi_dir.back() == '/') fi_dir.pop_back();
  expr_call_hook = fi_call;
  return true;
}

void parse_function_body(symbol *fn) {
  return_type = type_result(type_strip(fn->type));
  checked_return = needs_checked_return(fn);
  function_level = sym_level;
  unreachable = false;
  unreachable_reported = false;
  uint32_t brace_line = (uint32_t)lex_lineno;
  if (tok.code == T_LBRACE) lex_next();
  else msg(315);
  exit_label = new_label();
  fi_begin(fn, brace_line);
  ic_named_label(fn);
  ic_function_start();
  bool break_used = false;
  int used = 0;
  block_items(0, 0, nullptr, &break_used, &used);
  if (!unreachable && checked_return) msg(343, fn->name);
  ic_exit_label(exit_label);
  fi_end(lex_lineno);
  scope_close();
  if (tok.code == T_RBRACE) lex_next();
  else msg(316);
}

void parse_file_asm() { asm_statement(); }

void parse_program() {
  lex_next();
  while (tok.code != T_EOF) {
    if (tok.code == T_RBRACE) {
      msg(195);
      lex_next();
      continue;
    }
    decl_external();
  }
  scope_close_file();
  if (popt.feature_records) sym_write_features();
}
