#include "parser/initialisers.h"

#include <string>

#include "common/alert.h"
#include "parser/exprbuild.h"
#include "parser/expressions.h"
#include "parser/icwriter.h"
#include "parser/lexer.h"
#include "parser/parsk.h"
#include "parser/symbols.h"

namespace {

bool is_char_type(const type_t &t) {
  type_t s = type_strip(t);
  return !s.kind && !s.ptr && (s.code == TC_CHAR || s.code == TC_UCHAR);
}

void close_brace() {
  if (tok.code == T_RBRACE) {
    lex_next();
    return;
  }
  msg(316);
  // Recover at the closing brace of this list or the end of the declaration.
  int depth = 0;
  while (tok.code != T_EOF && tok.code != T_SEMI) {
    if (tok.code == T_LBRACE) depth++;
    else if (tok.code == T_RBRACE) {
      if (depth-- == 0) {
        lex_next();
        return;
      }
    }
    lex_next();
  }
}

// Elements past the end of a braced list: one message, then up to "}".
void too_many() {
  msg(240);
  while (tok.code != T_RBRACE && tok.code != T_EOF && tok.code != T_SEMI) {
    if (tok.code == T_LBRACE) {
      lex_next();
      close_brace();
    } else {
      lex_next();
    }
  }
}

// Zero of a type, for structure members the list leaves out.
void zero_fill(const type_t &t) {
  type_t s = type_strip(t);
  if (s.kind == TK_ARRAY || (!s.ptr && (s.code == TC_STRUCT || s.code == TC_UNION))) {
    ic_init_open();
    ic_init_close();
    return;
  }
  type_t v = s;
  if (!v.ptr) v.quals = 0;
  ic_init_element(expr_int(0, v));
}

int32_t value(const type_t &t, bool braced_ok);

// Characters of a string for a character array; returns the count written.
int32_t string_chars(int32_t count) {
  std::string bytes = tok.text;
  lex_next();
  int32_t n = (int32_t)bytes.size();
  ic_init_open();
  if (count > 0 && n > count) {
    msg(240);
    n = count;
  }
  for (int32_t i = 0; i < n; i++) ic_init_char((int)(signed char)bytes[i]);
  int32_t total = n;
  if (count < 0 || n < count) {
    ic_init_char(0);
    total++;
  } else if (n == count && (int32_t)bytes.size() == count) {
    msg(340);
  }
  ic_init_close();
  return total;
}

// Elements of an array; braced: inside "{...}". Returns the element count.
int32_t array_elements(const type_t &t, bool braced) {
  type_t s = type_strip(t);
  type_t elem = type_element(t);
  int32_t count = s.count > 0 ? s.count : (s.count == 0 ? 0 : -1);
  ic_init_open();
  int32_t n = 0;
  while (tok.code != T_RBRACE && tok.code != T_EOF && tok.code != T_SEMI) {
    if (count > 0 && n >= count) {
      if (braced) too_many();
      break;
    }
    value(elem, true);
    n++;
    if (tok.code == OP_ARGSEP) {
      if (!braced && count > 0 && n >= count) break;
      lex_next();
    } else {
      break;
    }
  }
  ic_init_close();
  return n;
}

void struct_members(const type_t &t, bool braced) {
  type_t s = type_strip(t);
  symbol *tag = s.base;
  if (!tag || !(tag->flags & SF_DEFINED)) {
    msg(198, tag ? tag->name : "");
    init_skip();
    return;
  }
  bool is_union = s.code == TC_UNION;
  ic_init_open();
  symbol *m = tag->first;
  while (m) {
    if (tok.code == T_RBRACE || tok.code == T_SEMI || tok.code == T_EOF) break;
    // An unnamed bit-field takes no value of the list: it holds zero.
    if (!m->name[0] && !is_union) {
      zero_fill(m->type);
      m = m->next;
      continue;
    }
    value(m->type, true);
    m = is_union ? nullptr : m->next;
    if (tok.code != OP_ARGSEP) break;
    // Without braces the comma belongs to the enclosing list once every
    // member has its value.
    if (!braced && !m) break;
    lex_next();
  }
  if (!is_union)
    for (; m; m = m->next) zero_fill(m->type);
  if (braced && tok.code != T_RBRACE && tok.code != T_EOF && tok.code != T_SEMI) too_many();
  ic_init_close();
}

// One value for an object of type t (an aggregate takes its elements);
// returns the element count of a top-level array.
int32_t value(const type_t &t, bool braced_ok) {
  type_t s = type_strip(t);
  if (s.kind == TK_ARRAY) {
    if (is_char_type(type_element(t)) && tok.code == T_STRING) return string_chars(s.count > 0 ? s.count : -1);
    if (tok.code == T_LBRACE) {
      lex_next();
      int32_t n;
      if (is_char_type(type_element(t)) && tok.code == T_STRING) {
        n = string_chars(s.count > 0 ? s.count : -1);
        if (tok.code == OP_ARGSEP) lex_next();
      } else {
        n = array_elements(t, true);
      }
      close_brace();
      return n;
    }
    return array_elements(t, false);
  }
  if (!s.ptr && (s.code == TC_STRUCT || s.code == TC_UNION)) {
    if (tok.code == T_LBRACE) {
      lex_next();
      struct_members(t, true);
      close_brace();
    } else {
      struct_members(t, false);
    }
    return 1;
  }
  bool braced = false;
  if (tok.code == T_LBRACE) {
    braced = true;
    lex_next();
  }
  (void)braced_ok;
  expr_node *e = expr_parse(CTX_INIT);
  if (e) {
    e = expr_decay(e);
    if (!expr_is_address_constant(e)) {
      msg(315);
      expr_free(e);
      e = nullptr;
    }
  }
  if (e) {
    type_t target = t;
    if (!target.ptr && !target.kind) target.quals = 0;
    e = expr_assign_convert(e, target, true);
    ic_init_element(e);
  } else {
    zero_fill(t);
  }
  if (braced) {
    if (tok.code == OP_ARGSEP) lex_next();
    close_brace();
  }
  return 1;
}

}  // namespace

void init_object(symbol *s, int stream) {
  ic_init_begin(s);
  type_t t = s->type;
  int32_t n = value(t, true);
  if (t.kind == TK_ARRAY && t.count < 0 && !t.dim) {
    expr_node *d = expr_int(n, type_index(true));
    expr_make_permanent(d);
    s->type.dim = d;
    s->type.count = n;
  }
  ic_symbol(s, stream);
  ic_init_end();
}

void init_auto(symbol *s) {
  type_t t = s->type;
  type_t st = type_strip(t);
  bool aggregate = st.kind == TK_ARRAY || (!st.ptr && (st.code == TC_STRUCT || st.code == TC_UNION));
  bool braced = tok.code == T_LBRACE;
  bool string_array = st.kind == TK_ARRAY && tok.code == T_STRING;
  if (aggregate && (braced || string_array)) {
    symbol *copy = sym_temp();
    type_t ct = t;
    ct.quals |= qual_copy_quals;
    sym_declare(copy, SC_STATIC, ct, nullptr);
    init_object(copy, IC_BODY);
    if (t.kind == TK_ARRAY && t.count < 0 && !t.dim) {
      s->type.dim = copy->type.dim;
      s->type.count = copy->type.count;
    }
    ic_symbol(s, IC_BODY);
    bool array = st.kind == TK_ARRAY;
    expr_node *e = expr_new(array && popt.copy_assign ? OP_ARRAYCOPY : OP_ASSIGN);
    e->left = expr_ident(s);
    e->right = expr_ident(copy);
    e->type = s->type;
    s->flags |= SF_USED;
    ic_statement(e);
    expr_free(e);
    return;
  }
  ic_symbol(s, IC_BODY);
  if (braced) lex_next();
  expr_node *e = expr_parse(CTX_INIT);
  if (braced) {
    if (tok.code == OP_ARGSEP) lex_next();
    close_brace();
  }
  if (!e) return;
  e = expr_assign_convert(e, t, true);
  if (!e) return;
  expr_node *a = expr_new(OP_ASSIGN);
  a->left = expr_ident(s);
  a->right = e;
  a->type = s->type;
  ic_statement(a);
  expr_free(a);
}

void init_skip() {
  int depth = 0;
  while (tok.code != T_EOF) {
    if (tok.code == T_LBRACE) depth++;
    else if (tok.code == T_RBRACE) {
      if (depth == 0) return;
      depth--;
    } else if (depth == 0 && (tok.code == T_SEMI || tok.code == OP_ARGSEP)) {
      return;
    }
    lex_next();
  }
}
