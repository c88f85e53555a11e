#include "parser/declarations.h"

#include <cstdlib>
#include <cstring>
#include <deque>
#include <string>

#include "common/alert.h"
#include "common/alloc.h"
#include "parser/exprbuild.h"
#include "parser/expressions.h"
#include "parser/icwriter.h"
#include "parser/initialisers.h"
#include "parser/lexer.h"
#include "parser/parsk.h"
#include "parser/pragmas.h"
#include "parser/statements.h"
#include "parser/symbols.h"
#include "parser/xref.h"

std::vector<symbol *> decl_params;

namespace {

// Parameter lists and their types live as long as the run.
std::deque<std::vector<type_t>> param_storage;
std::deque<param_list> list_storage;

param_list *make_params(const std::vector<type_t> &types) {
  param_storage.push_back(types);
  list_storage.push_back({(uint32_t)types.size(), param_storage.back().data()});
  return &list_storage.back();
}

enum { D_PTR, D_ARRAY, D_FUNC };

struct deriv {
  int kind;
  uint32_t quals;       // pointer level qualifiers
  expr_node *dim;       // array dimension, null when open
  bool open;
  param_list *params;   // function: null without prototype
  uint8_t old_style;  // an old_style_kind, or 0
  std::vector<symbol *> param_syms;
};

struct declarator {
  symbol *sym = nullptr;
  std::string name;
  bool named = false;
  std::vector<deriv> ops;  // applied to the specifier type in this order
};

// Symbols the collector must keep while a declaration is in progress.
std::vector<symbol *> live_symbols;

int outer_decl_level() { return sym_decl_level; }

type_t typedef_ref(symbol *td) {
  type_t t = type_plain(TC_TYPEDEF);
  t.base = td;
  return t;
}

// Moves a type the current object cannot hold into a hidden typedef.
type_t hide(const type_t &t) { return typedef_ref(sym_hidden_typedef(t, outer_decl_level())); }

bool is_typedef_of(const type_t &t, int kind) {
  if (t.code != TC_TYPEDEF || !t.base || t.kind || t.ptr) return false;
  return type_strip(t).kind == kind;
}

type_t compose(type_t cur, const std::vector<deriv> &ops) {
  bool reported_levels = false;
  for (const deriv &op : ops) {
    switch (op.kind) {
      case D_PTR:
        if (cur.kind != TK_NONE) cur = hide(cur);
        if (cur.ptr & 0x8000) {
          if (!reported_levels) msg(286);
          reported_levels = true;
        } else {
          cur.ptr = (uint16_t)((cur.ptr << 1) | 1);
        }
        if (op.quals) {
          cur = hide(cur);
          cur.quals = op.quals;
        }
        break;
      case D_ARRAY:
        if (cur.kind == TK_FUNCTION || is_typedef_of(cur, TK_FUNCTION)) {
          msg(280);
          break;
        }
        if (cur.kind == TK_ARRAY) cur = hide(cur);
        cur.kind = TK_ARRAY;
        cur.dim = op.dim;
        cur.count = -1;
        if (op.dim) {
          int32_t v;
          cur.count = expr_const_value(op.dim, &v) ? v : 0;
        }
        break;
      case D_FUNC:
        if (cur.kind == TK_FUNCTION || is_typedef_of(cur, TK_FUNCTION)) {
          msg(281);
          break;
        }
        if (cur.kind == TK_ARRAY || is_typedef_of(cur, TK_ARRAY)) {
          msg(282);
          break;
        }
        cur.kind = TK_FUNCTION;
        cur.params = op.params;
        cur.old_style = op.old_style;
        break;
    }
  }
  return cur;
}

// A function type's qualifiers other than const/volatile of its result
// qualify the function: they go on a reference to a hidden typedef.
type_t function_qualifiers(type_t t) {
  if (t.kind != TK_FUNCTION || t.ptr) return t;
  uint32_t cv = qual_table[0].bit | qual_table[1].bit;
  uint32_t fq = t.quals & ~cv;
  if (!fq) return t;
  t.quals &= cv;
  type_t r = hide(t);
  r.quals = fq;
  return r;
}

const char *role_name(uint32_t bits) {
  static const struct {
    int role;
    const char *name;
  } roles[] = {{ROLE_REENTRANT, "reentrant"}, {ROLE_INTERRUPT, "interrupt"}, {ROLE_LARGE, "large"},
               {ROLE_COMPACT, "compact"}, {ROLE_SMALL, "small"}};
  for (auto &r : roles)
    if (qual_roles[r.role] && (bits & qual_roles[r.role])) return r.name;
  return nullptr;
}

// Keyword of "-T": its qualifier bits and its arguments.
uint32_t keyword_apply(qual_keyword *kw, uint32_t bits_so_far) {
  if (!kw->bits && !bits_so_far) msg(1316, kw->name);
  lex_next();
  const char *pattern = kw->pattern ? kw->pattern : "";
  bool optional = pattern[0] == '.';
  if (optional) pattern++;
  std::string letters;
  for (const char *p = pattern; *p; p++)
    if (*p != ',') letters += *p;
  if (letters.empty()) return kw->bits;
  if (tok.code != T_LPAREN) {
    if (!optional) msg(317);
    return kw->bits;
  }
  lex_next();
  size_t given = 0;
  for (size_t i = 0; i < letters.size() && tok.code != T_RPAREN; i++) {
    if (i) {
      if (tok.code != OP_ARGSEP) break;
      lex_next();
    }
    switch (letters[i]) {
      case 'd':
        if (tok.code != T_IDENT) {
          msg(1318, kw->name);
          msg(321);
        } else {
          lex_next();
        }
        break;
      case 'i':
        if (tok.code != T_INTCONST || tok.tcode != TC_INT) msg(1318, kw->name);
        lex_next();
        break;
      case 's':
        if (tok.code != T_STRING) {
          msg(1318, kw->name);
          msg(318);
        } else {
          lex_next();
        }
        break;
      case 'v': {
        expr_node *e = expr_parse(CTX_ARG);
        int32_t v;
        if (!e || !expr_const_value(e, &v)) {
          msg(1318, kw->name);
          msg(236);
        } else {
          kw->value = v;
        }
        expr_free(e);
        break;
      }
      default:
        msg(1319, letters[i]);
        lex_next();
    }
    given++;
  }
  if (given < letters.size()) msg(1317, kw->name);
  if (tok.code == T_RPAREN) lex_next();
  else msg(194);
  return kw->bits;
}

type_t parse_struct(int keyword);
type_t parse_enum();

bool parse_declarator(declarator &d, int context, int depth = 0);

// Parameters of a function level; the current token is "(".
void parse_params(deriv &op, int context) {
  lex_next();
  scope_enter_quiet();
  std::vector<type_t> types;
  bool prototype = false, identifiers = false;
  if (tok.code == T_RPAREN) {
    op.old_style = OLD_STYLE_EMPTY;
  } else {
    int position = 0;
    for (;;) {
      if (tok.code == T_ELLIPSIS) {
        if (identifiers) msg(275);
        types.push_back(type_plain(TC_ELLIPSIS));
        lex_next();
        break;
      }
      if (tok.code == T_IDENT && !decl_starts(tok)) {
        if (prototype) msg(277);
        identifiers = true;
        symbol *rec = tok.sym;
        lex_next();
        if (rec && rec->cls == SC_PARAM && rec->level == sym_level) {
          msg(278, rec->name);
        } else if (rec) {
          symbol *p = sym_declare(rec, SC_PARAM, type_plain(TC_INT), nullptr);
          p->flags |= SF_OLD_LISTED | SF_DEFINED;
          op.param_syms.push_back(p);
        }
      } else if (decl_starts(tok)) {
        if (identifiers) msg(277);
        prototype = true;
        decl_spec spec;
        decl_parse_specifiers(spec, DC_PARAM);
        int32_t declared_count = 0;
        declarator pd;
        parse_declarator(pd, DC_PARAM);
        type_t t = compose(spec.type, pd.ops);
        if (t.code == TC_TYPEDEF) t = type_resolve(t);
        type_t s = type_strip(t);
        if (s.kind == TK_ARRAY) {
          // The parameter is a pointer to the element.
          type_t elem = t.kind == TK_ARRAY ? t : s;
          elem.kind = TK_NONE;
          elem.dim = nullptr;
          elem.count = -1;
          t = expr_pointer_to(elem);
          declared_count = s.count;
        } else if (s.kind == TK_FUNCTION) {
          t = hide(t);
          t.ptr = 1;
        }
        if (tok.code == OP_ASSIGN) {
          msg(279);
          lex_next();
          expr_free(expr_parse(CTX_ARG));
        }
        bool lone_void = !pd.named && type_is_void(t) && types.empty() && tok.code == T_RPAREN;
        if (!lone_void && type_is_void(t) && !type_is_pointer(t)) msg(288);
        types.push_back(t);
        position++;
        if (pd.named && pd.sym) {
          if (pd.sym->cls == SC_PARAM && pd.sym->level == sym_level) {
            msg(278, pd.sym->name);
          } else {
            symbol *p = sym_declare(pd.sym, SC_PARAM, t, nullptr);
            p->flags |= SF_DEFINED;
            if (spec.storage == K_REGISTER) p->flags |= SF_REGISTER;
            p->ordinal = (uint32_t)position;
            p->declared_count = declared_count;
            op.param_syms.push_back(p);
          }
        } else if (!lone_void) {
          op.param_syms.push_back(nullptr);
        }
      } else {
        msg(195);
        while (tok.code != T_RPAREN && tok.code != T_SEMI && tok.code != T_LBRACE && tok.code != T_EOF)
          lex_next();
        break;
      }
      if (tok.code == OP_ARGSEP) {
        lex_next();
        continue;
      }
      if (tok.code == T_RPAREN || tok.code == T_SEMI || tok.code == T_LBRACE || tok.code == T_EOF) break;
      msg(372);
    }
  }
  if (identifiers) {
    op.old_style = OLD_STYLE_LIST;
    if (context != DC_FILE) msg(276);
  }
  if (prototype) {
    op.params = make_params(types);
    bool variadic = types.back().code == TC_ELLIPSIS;
    size_t named_count = op.param_syms.size();
    for (size_t i = 0; i < named_count; i++) {
      symbol *p = op.param_syms[i];
      if (!p) continue;
      p->flags |= SF_VARIADIC;  // a prototype parameter
      if (variadic && i + 1 == named_count) p->ordinal = 0;
    }
  }
  // The names leave with the prototype scope; a definition links them again.
  for (symbol *p : op.param_syms)
    if (p) sym_unlink(p);
  scope_leave_quiet();
  if (tok.code == T_RPAREN) lex_next();
  else msg(194);
}

bool starts_nested_declarator() {
  const token &n = lex_peek();
  if (n.code == OP_MUL || n.code == T_LPAREN || n.code == T_LBRACKET) return true;
  if (n.code == T_QUAL || n.code == T_ATTRIBUTE) return true;
  return n.code == T_IDENT && !(n.sym && n.sym->cls == SC_TYPEDEF);
}

bool parse_declarator(declarator &d, int context, int depth) {
  if (depth > 200) {
    msg(295);
    return false;
  }
  std::vector<deriv> ptrs;
  while (tok.code == OP_MUL) {
    lex_next();
    deriv p{};
    p.kind = D_PTR;
    while (tok.code == T_QUAL || tok.code == T_ATTRIBUTE) {
      if (tok.code == T_QUAL) {
        uint32_t bits = (uint32_t)tok.value;
        if (p.quals & bits) msg(258);
        p.quals |= bits;
      }
      lex_next();
    }
    ptrs.push_back(p);
  }
  std::vector<deriv> inner;
  if (tok.code == T_LPAREN && starts_nested_declarator()) {
    lex_next();
    declarator sub;
    parse_declarator(sub, context, depth + 1);
    if (tok.code == T_RPAREN) lex_next();
    else msg(194);
    inner = std::move(sub.ops);
    d.sym = sub.sym;
    d.name = sub.name;
    d.named = sub.named;
  } else if (tok.code == T_IDENT) {
    d.sym = tok.sym;
    d.name = tok.text;
    d.named = true;
    lex_next();
  }
  std::vector<deriv> suffixes;
  for (;;) {
    if (tok.code == T_ATTRIBUTE) {
      lex_next();
      continue;
    }
    if (tok.code == T_LBRACKET) {
      lex_next();
      deriv a{};
      a.kind = D_ARRAY;
      if (tok.code == T_RBRACKET) {
        a.open = true;
        if (!suffixes.empty()) msg(283);
      } else {
        type_t idx = type_index(true);
        expr_node *e = expr_parse(CTX_DIM);
        if (e && !expr_is_deferred_constant(e)) {
          msg(188);
          expr_free(e);
          e = nullptr;
        } else if (e && !type_is_integral(e->type)) {
          msg(189);
          expr_free(e);
          e = nullptr;
        }
        if (e) {
          e = expr_convert(e, idx);
          int32_t v;
          if (expr_const_value(e, &v) && v < 1) msg(284);
          expr_make_permanent(e);
        }
        a.dim = e;
      }
      if (tok.code == T_RBRACKET) lex_next();
      else msg(310);
      suffixes.push_back(std::move(a));
    } else if (tok.code == T_LPAREN) {
      deriv f{};
      f.kind = D_FUNC;
      parse_params(f, depth == 0 && suffixes.empty() ? context : DC_PARAM);
      suffixes.push_back(std::move(f));
    } else {
      break;
    }
  }
  d.ops = std::move(ptrs);
  for (size_t i = suffixes.size(); i-- > 0;) d.ops.push_back(std::move(suffixes[i]));
  for (auto &op : inner) d.ops.push_back(std::move(op));
  return true;
}

// The parameters of the function level that applies to the name.
std::vector<symbol *> *name_params(declarator &d) {
  if (d.ops.empty() || d.ops.back().kind != D_FUNC) return nullptr;
  return &d.ops.back().param_syms;
}

// Checks that the composed type may be declared; returns the type to use.
type_t finish_type(type_t t, int cls) {
  type_t s = type_strip(t);
  if (s.code == TC_BIT && (s.ptr || s.kind == TK_ARRAY)) msg(287);
  if (cls != SC_TYPEDEF && cls != SC_PARAM && s.kind == TK_NONE && !s.ptr && s.code == TC_VOID) msg(288);
  if (s.kind == TK_FUNCTION) {
    t = function_qualifiers(t);
    type_t again = type_strip(t);
    // Only a qualified typedef of a function type qualifies the function;
    // on a function of its own they belong to the returned pointer.
    if (t.code == TC_TYPEDEF && t.kind == TK_NONE && !t.ptr && (t.quals & (qual_table[0].bit | qual_table[1].bit)) &&
        again.kind == TK_FUNCTION)
      msg(290);
  } else {
    uint32_t q = expr_object_quals(t);
    if (const char *role = role_name(q)) msg(1275, role);
    if (qual_roles[ROLE_USING] && (q & qual_roles[ROLE_USING])) msg(1277);
  }
  return t;
}

// Qualifier words after a function declarator: "interrupt n", "using n",
// and function qualifiers such as reentrant.
uint32_t post_function_words(uint32_t *address, bool *fixed) {
  uint32_t bits = 0;
  for (;;) {
    bool is_interrupt = (tok.code == T_QUAL && qual_roles[ROLE_INTERRUPT] && (tok.value & qual_roles[ROLE_INTERRUPT])) ||
                        (tok.code == T_IDENT && tok.text == "interrupt");
    bool is_using = tok.code == T_IDENT && tok.text == "using";
    if (tok.code == T_QUAL && qual_roles[ROLE_USING] && (tok.value & qual_roles[ROLE_USING])) is_using = true;
    if (is_interrupt && lex_peek().code == T_INTCONST) {
      lex_next();
      bits |= qual_roles[ROLE_INTERRUPT];
      *address = 8u * (uint32_t)tok.value + 3;
      *fixed = true;
      lex_next();
    } else if (is_using) {
      lex_next();
      expr_node *e = expr_parse(CTX_ARG);
      int32_t v;
      if (!e || !expr_const_value(e, &v)) msg(236);
      else if (v < 0 || v > 3) msg(1279, (int)v);
      else if (v > 0) bits |= qual_roles[ROLE_BANK1 + v - 1];
      expr_free(e);
    } else if (tok.code == T_QUAL) {
      bits |= (uint32_t)tok.value;
      lex_next();
    } else if (tok.code == T_ATTRIBUTE) {
      lex_next();
    } else {
      return bits;
    }
  }
}

void set_address(symbol *s, uint32_t address) {
  if ((s->flags & SF_ABSOLUTE) && s->address != address) {
    msg(984, s->name);
    return;
  }
  s->flags |= SF_ABSOLUTE;
  s->address = address;
}

// "@ address" after a declarator.
void at_placement(symbol *s) {
  lex_next();
  expr_node *e = expr_parse(CTX_ADDRESS);
  int32_t v;
  if (!e || !expr_const_value(e, &v)) msg(236);
  else set_address(s, (uint32_t)v);
  expr_free(e);
}

// "=" of a special-function-register object: its address.
void sfr_placement(symbol *s) {
  lex_next();
  type_t t = type_strip(s->type);
  bool is_bit = t.code == TC_BIT && !t.ptr;
  const char *what = is_bit ? "bit" : type_size(t) >= 2 ? "sfr16" : "sfr";
  if (is_bit && tok.code == T_IDENT && tok.sym && (tok.sym->flags & SF_VALUE)) {
    symbol *owner = tok.sym;
    lex_next();
    if (tok.code != OP_XOR) {
      msg(1280, "bit");
      return;
    }
    lex_next();
    expr_node *e = expr_parse(CTX_ADDRESS);
    int32_t bit;
    if (!e || !expr_const_value(e, &bit)) msg(236);
    else if (bit < 0 || (uint32_t)bit >= 8 * type_size(owner->type)) msg(1280, "bit");
    else {
      s->base = owner;
      s->address = (uint32_t)bit;
      owner->flags |= SF_USED;
    }
    expr_free(e);
    return;
  }
  expr_node *e = expr_parse(CTX_ADDRESS);
  int32_t a;
  if (!e || !expr_const_value(e, &a)) {
    msg(236);
    expr_free(e);
    return;
  }
  expr_free(e);
  uint32_t address = (uint32_t)a;
  if (tok.code == OP_XOR) {
    lex_next();
    expr_node *b = expr_parse(CTX_ADDRESS);
    int32_t bit;
    if (!b || !expr_const_value(b, &bit)) {
      msg(236);
      expr_free(b);
      return;
    }
    expr_free(b);
    if (bit < 0 || bit > 7) {
      msg(842, (int)bit);
      return;
    }
    if (address >= 32 && address <= 47) address = address * 8 + (uint32_t)bit - 256;
    else if (address >= 128 && address <= 248 && address % 8 == 0) address += (uint32_t)bit;
    else {
      msg(1280, "bit");
      return;
    }
    set_address(s, address);
    return;
  }
  bool ok = is_bit ? address < 256 : (!strcmp(what, "sfr16") ? address >= 128 && address <= 254
                                                            : address >= 128 && address <= 255);
  if (!ok) msg(1280, what);
  else set_address(s, address);
}

bool has_sfr_qualifier(const symbol *s) {
  uint32_t sfr = qual_roles[ROLE_SFR];
  return sfr && (expr_object_quals(s->type) & sfr);
}

void abs_address_placement(symbol *s) {
  if (!pragma_abs_active || (s->flags & SF_ABSOLUTE) || type_is_function(s->type)) return;
  if (s->cls == SC_TYPEDEF) return;
  set_address(s, pragma_abs_address);
  pragma_abs_address += type_size(s->type);
}

void skip_to_declaration_end() {
  while (tok.code != T_SEMI && tok.code != T_RBRACE && tok.code != T_EOF) lex_next();
  if (tok.code == T_SEMI) lex_next();
}

struct pending_definition {
  symbol *fn;
  std::vector<symbol *> params;
  bool old_style;
};

void function_definition(pending_definition &def);

// One declarator of a declaration and what follows it up to "," or ";".
// Returns false when a function definition consumed the rest.
bool declare_one(decl_spec &spec, declarator &d, int context, bool first) {
  type_t t = compose(spec.type, d.ops);
  if (t.code == TC_TYPEDEF) t = type_resolve(t);
  bool is_func = type_strip(t).kind == TK_FUNCTION;
  uint32_t fn_address = 0;
  bool fn_fixed = false;
  if (is_func) {
    uint32_t extra = post_function_words(&fn_address, &fn_fixed);
    if (extra) t.quals |= extra;
  }
  int cls;
  bool explicit_extern = spec.storage == K_EXTERN;
  if (spec.storage) cls = spec.storage;
  else if (context == DC_FILE || is_func) cls = SC_EXTERN;
  else cls = SC_AUTO;
  if (context == DC_LOCAL && is_func && cls == SC_AUTO) cls = SC_EXTERN;
  if (context == DC_FILE && cls == SC_REGISTER) cls = SC_EXTERN;
  if (context == DC_FILE && cls == SC_AUTO) cls = SC_EXTERN;
  t = finish_type(t, cls);

  if (!d.named || !d.sym) {
    msg(285);
    return true;
  }
  bool definition_follows = is_func && first && context == DC_FILE &&
                            (tok.code == T_LBRACE || (decl_starts(tok) && name_params(d)));
  if (definition_follows) {
    pending_definition def;
    symbol *fn = sym_declare(d.sym, cls, t, nullptr);
    if (fn_fixed) set_address(fn, fn_address);
    def.fn = fn;
    if (auto *ps = name_params(d)) def.params = *ps;
    def.old_style = d.ops.back().old_style;
    function_definition(def);
    return false;
  }

  if (context == DC_OLDPARAM) {
    symbol *p = d.sym;
    if (p->cls != SC_PARAM || p->level != sym_level) {
      msg(276);
      return true;
    }
    type_t s = type_strip(t);
    if (s.kind == TK_ARRAY) {
      type_t elem = t;
      elem.kind = TK_NONE;
      elem.dim = nullptr;
      elem.count = -1;
      t = expr_pointer_to(elem);
      p->declared_count = s.count;
    }
    p->type = t;
    p->flags |= SF_OLD_TYPED;
    if (spec.storage == K_REGISTER) p->flags |= SF_REGISTER;
    return true;
  }

  // A block-scope extern names the file's object of that name: one the file
  // already declares needs no new file-level record; where an inner
  // declaration hides the name, the block gets a record of its own, so that
  // the name means the outer object from there to the block's end.
  bool block_extern = context == DC_LOCAL && cls == SC_EXTERN;
  bool outer_known = block_extern && sym_lookup_file(d.sym->name);
  bool hides = block_extern && d.sym->level > 0 && d.sym->cls != SC_NONE && d.sym->cls != SC_EXTERN;
  if (auto *ps = name_params(d))
    if (context == DC_FILE && d.ops.back().old_style && !ps->empty()) msg(276);
  symbol *s = sym_declare(d.sym, cls, t, nullptr);
  if (spec.storage == K_REGISTER) s->flags |= SF_REGISTER;
  if (fn_fixed) set_address(s, fn_address);
  if (context == DC_LOCAL && cls == SC_STATIC) s->flags |= SF_NUMBERED;
  if (cls == SC_TYPEDEF) {
    if (tok.code == OP_ASSIGN) {
      msg(238);
      lex_next();
      init_skip();
    }
    return true;
  }
  if (tok.code == T_AT) at_placement(s);
  abs_address_placement(s);

  int stream = context == DC_FILE ? IC_HEAD : IC_BODY;
  if (tok.code == OP_ASSIGN && has_sfr_qualifier(s)) {
    sfr_placement(s);
    sym_define(s);
    ic_symbol(s, stream);
    return true;
  }
  if (tok.code == OP_ASSIGN) {
    if (is_func) {
      msg(238);
      lex_next();
      init_skip();
      return true;
    }
    if (cls == SC_EXTERN && explicit_extern) msg(context == DC_FILE ? 339 : 238);
    uint32_t forbid = qual_roles[ROLE_PERSISTENT];
    if (forbid && (expr_object_quals(s->type) & forbid)) msg(1081);
    lex_next();
    if (sym_define(s) && !(s->flags & SF_TEMP)) msg(237, s->name);
    if (context == DC_LOCAL && (cls == SC_AUTO || cls == SC_REGISTER)) {
      init_auto(s);
    } else {
      init_object(s, stream);
    }
    return true;
  }
  // No initialiser.
  bool defines = !is_func && (context == DC_LOCAL ? cls != SC_EXTERN : !explicit_extern);
  if (defines) sym_define(s);
  if (block_extern) {
    if (outer_known) s->flags |= SF_WRITTEN;
    else ic_symbol(s, IC_HEAD);
    if (hides) {
      s->flags &= ~SF_WRITTEN;
      ic_symbol(s, IC_BODY);
    }
    return true;
  }
  ic_symbol(s, stream);
  return true;
}

void function_definition(pending_definition &def) {
  symbol *fn = def.fn;
  live_symbols.push_back(fn);
  if (sym_define(fn)) msg(237, fn->name);
  type_t rt = type_result(type_strip(fn->type));
  type_t rs = type_strip(rt);
  if (!rs.ptr && !rs.kind && (rs.code == TC_STRUCT || rs.code == TC_UNION) && rs.base &&
      !(rs.base->flags & SF_DEFINED))
    msg(198, rs.base->name);
  if (popt.main_exit && sym_is_main(fn)) ic_directive(IC_HEAD, "mainexit");
  ic_symbol(fn, IC_BODY);
  current_function = fn;
  lex_current_function = fn->name;
  scope_open();
  for (symbol *p : def.params)
    if (p) {
      sym_relink(p);
      live_symbols.push_back(p);
    }
  // Old-style parameter declarations.
  while (decl_starts(tok)) decl_list(DC_OLDPARAM);
  decl_params.clear();
  for (symbol *p : def.params)
    if (p) decl_params.push_back(p);
  bool is_main = sym_is_main(fn);
  for (symbol *p : decl_params) {
    if (p->declared_count > 1) msg(368);
    if (def.old_style || is_main) {
      if (is_main) p->flags &= ~SF_VARIADIC;
      if (is_main || def.old_style) p->ordinal = (p->flags & SF_VARIADIC) ? p->ordinal : 0;
    }
    sym_define(p);
    ic_symbol(p, IC_BODY);
  }
  proto_write(fn, decl_params);
  live_symbols.clear();
  parse_function_body(fn);
  current_function = nullptr;
  lex_current_function = nullptr;
}

}  // namespace

bool decl_starts(const token &t) {
  switch (t.code) {
    case T_STORAGE: case T_QUAL: case T_KEYWORD: case K_CHAR: case K_DOUBLE: case K_ENUM:
    case K_FLOAT: case K_INT: case K_LONG: case K_SHORT: case K_SIGNED: case K_STRUCT:
    case K_UNION: case K_UNSIGNED: case K_VOID: case K_BIT: case T_ATTRIBUTE:
      return true;
    case T_IDENT:
      return t.sym && t.sym->cls == SC_TYPEDEF;
    default:
      return false;
  }
}

bool decl_parse_specifiers(decl_spec &spec, int context) {
  spec = decl_spec{};
  uint32_t base = 0, quals = 0, quals_before_typedef = 0;
  int longs = 0, shorts = 0;
  bool is_signed = false, is_unsigned = false, copied_signed = false;
  symbol *tag = nullptr, *td = nullptr;
  type_t tag_type{};
  bool any = false;
  for (;;) {
    int code = tok.code;
    if (code == T_STORAGE) {
      int sc = tok.value;
      if (spec.storage && spec.storage != sc) msg(268);
      else if (context == DC_FILE && sc == K_AUTO) msg(267);
      else if (context == DC_FILE && sc == K_REGISTER) msg(270);
      else if (context == DC_MEMBER || context == DC_TYPENAME) msg(266);
      else if (context == DC_PARAM && sc != K_REGISTER) msg(267);
      else if (context == DC_OLDPARAM && sc != K_REGISTER) msg(257);
      else spec.storage = sc;
    } else if (code == T_QUAL) {
      uint32_t bits = (uint32_t)tok.value;
      if (quals & bits) msg(258);
      quals |= bits;
      uint32_t far = qual_roles[ROLE_FAR], near = qual_roles[ROLE_NEAR];
      if (far && near && (quals & far) && (quals & near)) msg(259);
    } else if (code == T_KEYWORD) {
      quals |= keyword_apply(tok.keyword, quals);
      any = true;
      continue;
    } else if (code == T_ATTRIBUTE) {
    } else if (code == K_CHAR || code == K_INT || code == K_FLOAT || code == K_DOUBLE || code == K_VOID ||
               code == K_BIT) {
      if (base) msg(269);
      base = code == K_CHAR ? TC_CHAR : code == K_INT ? TC_INT : code == K_FLOAT ? TC_FLOAT
           : code == K_DOUBLE ? TC_DOUBLE : code == K_VOID ? TC_VOID : TC_BIT;
    } else if (code == K_SHORT) {
      shorts++;
    } else if (code == K_LONG) {
      longs++;
    } else if (code == K_SIGNED) {
      is_signed = true;
    } else if (code == K_UNSIGNED) {
      is_unsigned = true;
    } else if (code == K_STRUCT || code == K_UNION) {
      if (base) msg(269);
      quals_before_typedef = quals;
      tag_type = parse_struct(code);
      tag = tag_type.base;
      base = tag_type.code;
      any = true;
      continue;
    } else if (code == K_ENUM) {
      if (base) msg(269);
      tag_type = parse_enum();
      tag = tag_type.base;
      base = TC_ENUM;
      any = true;
      continue;
    } else if (code == T_IDENT && tok.sym && tok.sym->cls == SC_TYPEDEF && !base && !longs && !shorts &&
               !is_signed && !is_unsigned) {
      td = tok.sym;
      td->flags |= SF_USED;
      quals_before_typedef = quals;
      base = TC_TYPEDEF;
    } else {
      break;
    }
    any = true;
    lex_next();
  }
  spec.any = any;
  spec.type_given = base || longs || shorts || is_signed || is_unsigned;
  type_t t = type_plain(TC_INT);
  if (base == TC_TYPEDEF && td) {
    const type_t &tt = td->type;
    if (tt.ptr || (quals_before_typedef && (tt.kind == TK_ARRAY || tt.kind == TK_FUNCTION))) {
      t = typedef_ref(td);
    } else {
      t = tt;
      if (!t.kind && !t.ptr && t.code >= TC_CHAR && t.code <= TC_UINDEX && !(t.code & 1)) copied_signed = true;
    }
  } else if (tag) {
    t = tag_type;
  } else {
    uint32_t code = base ? base : TC_INT;
    if (longs) {
      if (code == TC_FLOAT && !popt.strict) code = TC_DOUBLE;
      else if (code == TC_DOUBLE) code = TC_DOUBLE;  // long double is double here
      else if (code != TC_INT) msg(271);
      else if (longs >= 2 && popt.long_long) code = TC_LONGLONG;
      else if (shorts && popt.short_long) code = TC_SHORTLONG;
      else code = TC_LONG;
      if (shorts && !popt.short_long) msg(269);
    } else if (shorts) {
      if (code == TC_INT) code = TC_SHORT;
      else msg(272);
    }
    t = type_plain(code);
  }
  if (is_signed && (is_unsigned || (copied_signed && false))) msg(273);
  if (is_unsigned) {
    if (copied_signed && base == TC_TYPEDEF) msg(273);
    type_t s = type_strip(t);
    if (t.kind || t.ptr || s.code > TC_UINDEX || s.code < TC_BIT) msg(274);
    else if (!is_signed) t.code |= 1;
  } else if (!is_signed && t.code == TC_CHAR && !t.kind && !t.ptr && popt.unsigned_char && base == TC_CHAR) {
    t.code = TC_UCHAR;
  }
  t.quals |= quals;
  spec.type = t;
  if (is_signed) spec.type_given = spec.signed_keyword = true;
  return any;
}

type_t decl_type_name() {
  int saved = sym_decl_level;
  sym_decl_level = sym_level;
  decl_spec spec;
  decl_parse_specifiers(spec, DC_TYPENAME);
  declarator d;
  parse_declarator(d, DC_TYPENAME);
  if (d.named) msg(195);
  type_t t = compose(spec.type, d.ops);
  if (t.code == TC_TYPEDEF) t = type_resolve(t);
  sym_decl_level = saved;
  return t;
}

void decl_list(int context) {
  int saved = sym_decl_level;
  sym_decl_level = sym_level;
  decl_spec spec;
  decl_parse_specifiers(spec, context);
  if (tok.code == T_SEMI) {
    lex_next();
    sym_decl_level = saved;
    return;
  }
  bool first = true;
  for (;;) {
    declarator d;
    parse_declarator(d, context);
    if (!declare_one(spec, d, context, first)) break;
    first = false;
    if (tok.code == OP_ARGSEP) {
      lex_next();
      continue;
    }
    if (tok.code == T_SEMI) {
      lex_next();
      break;
    }
    if (tok.code == T_IDENT || tok.code == OP_MUL) {
      msg(372);
      continue;
    }
    msg(314);
    // In a block the next statement most likely follows; elsewhere skip.
    if (context != DC_LOCAL) skip_to_declaration_end();
    break;
  }
  sym_decl_level = saved;
}

void decl_external() {
  if (tok.code == K_ASM) {
    parse_file_asm();
    return;
  }
  if (tok.code == T_SEMI) {
    lex_next();
    return;
  }
  if (!decl_starts(tok) && tok.code != T_IDENT && tok.code != OP_MUL && tok.code != T_LPAREN) {
    msg(195);
    lex_next();
    skip_to_declaration_end();
    return;
  }
  decl_list(DC_FILE);
}

type_t decl_qualify_function(const type_t &t, uint32_t bits) {
  type_t r = t;
  if (r.code == TC_TYPEDEF && !r.kind && !r.ptr && type_strip(r).kind == TK_FUNCTION) {
    r.quals |= bits;
    return r;
  }
  r.quals |= bits;
  return function_qualifiers(r);
}

void decl_mark_live(void (*mark)(symbol *)) {
  for (symbol *s : live_symbols) mark(s);
  for (symbol *s : decl_params) mark(s);
}

namespace {

// Tag lookup for "struct", "union" and "enum": the record the name denotes in
// the tag name space, or a new one at the declaration's level.
symbol *tag_for(int cls, bool defining) {
  symbol *rec = tok.sym;
  std::string name = tok.text;
  lex_next();
  if (rec && rec->cls != SC_NONE) {
    if (rec->cls != cls) {
      msg(rec->cls == SC_ENUM ? 978 : rec->cls == SC_STRUCT ? 979 : 980, name.c_str());
      rec = nullptr;
    } else if (defining && rec->level != sym_decl_level) {
      rec = nullptr;  // a new tag hides the outer one
    } else {
      return rec;
    }
  }
  int saved = sym_level;
  sym_level = sym_decl_level;
  symbol *fresh = rec && rec->cls == SC_NONE && rec->level == sym_level ? rec : nullptr;
  if (!fresh) {
    fresh = sym_lookup(name.c_str());
    if (!fresh || fresh->cls != SC_NONE || fresh->level != sym_level) fresh = sym_new_linked(name.c_str());
  }
  symbol *tag = sym_declare(fresh, cls, type_plain(TC_NONE), nullptr);
  sym_level = saved;
  return tag;
}

symbol *anonymous_tag(int cls) {
  symbol *t = sym_temp();
  t->level = sym_decl_level;
  t->flags &= ~(SF_DEFINED | SF_USED);
  int saved = sym_level;
  sym_level = sym_decl_level;
  sym_declare(t, cls, type_plain(TC_NONE), nullptr);
  sym_level = saved;
  return t;
}

void struct_members(symbol *tag) {
  lex_next();  // "{"
  uint32_t ordinal = 0;
  symbol *last = nullptr;
  auto append = [&](symbol *m) {
    m->ordinal = ordinal++;
    if (last) last->next = m;
    else tag->first = m;
    last = m;
  };
  while (tok.code != T_RBRACE && tok.code != T_EOF) {
    decl_spec spec;
    if (!decl_parse_specifiers(spec, DC_MEMBER)) {
      msg(195);
      skip_to_declaration_end();
      continue;
    }
    if (tok.code == T_SEMI && type_is_struct(spec.type)) {
      // An unnamed member of structure or union type.
      symbol *m = sym_declare(nullptr, SC_MEMBER, spec.type, tag);
      m->flags |= SF_ANON_MEMBER;
      append(m);
      symbol *inner = type_strip(spec.type).base;
      if (inner)
        for (symbol *im = inner->first; im; im = im->next) sym_member_add(tag, im, im->name);
      lex_next();
      continue;
    }
    for (;;) {
      declarator d;
      if (tok.code != OP_COLON) parse_declarator(d, DC_MEMBER);
      type_t t = compose(spec.type, d.ops);
      if (t.code == TC_TYPEDEF) t = type_resolve(t);
      if (type_strip(t).kind == TK_FUNCTION) msg(263);
      t = finish_type(t, SC_MEMBER);
      uint32_t width = 0;
      bool bitfield = false;
      if (tok.code == OP_COLON) {
        lex_next();
        bitfield = true;
        expr_node *e = expr_parse(CTX_ARG);  // "," ends a width
        int32_t v;
        if (!e || !expr_const_value(e, &v) || v < 0) msg(265);
        else width = (uint32_t)v;
        expr_free(e);
        type_t s = type_strip(t);
        if (s.kind || s.ptr || s.code < TC_CHAR || s.code > TC_UINT) {
          msg(264);
        } else {
          bool declared_signed = spec.signed_keyword && !(s.code & 1);
          if (declared_signed) msg(369);
          uint32_t code = s.code | 1;
          if (popt.bitfield_mode == 1 && (code == TC_UCHAR || code == TC_UINT)) code = TC_UCHAR;
          else if (popt.bitfield_mode >= 2 && width <= 8) code = TC_UCHAR;
          t = type_plain(code);
        }
      }
      symbol *m = sym_declare(d.named ? d.sym : nullptr, SC_MEMBER, t, tag);
      if (bitfield) {
        m->flags |= SF_BITFIELD;
        m->width = (uint16_t)width;
      } else if (!d.named) {
        msg(285);
      }
      if (d.named) sym_define(m);
      append(m);
      if (tok.code == OP_ARGSEP) {
        lex_next();
        continue;
      }
      break;
    }
    if (tok.code == T_SEMI) lex_next();
    else {
      msg(314);
      while (tok.code != T_SEMI && tok.code != T_RBRACE && tok.code != T_EOF) lex_next();
      if (tok.code == T_SEMI) lex_next();
    }
  }
  if (tok.code == T_RBRACE) lex_next();
  else msg(316);
}

type_t parse_struct(int keyword) {
  int cls = keyword == K_STRUCT ? SC_STRUCT : SC_UNION;
  sym_want_tag = true;
  lex_next();
  sym_want_tag = false;
  symbol *tag;
  if (tok.code == T_IDENT) {
    bool defining = lex_peek().code == T_LBRACE;
    tag = tag_for(cls, defining);
  } else {
    tag = anonymous_tag(cls);
  }
  if (tok.code == T_LBRACE) {
    if (tag->flags & SF_DEFINED) {
      msg(262, tag->name);
      symbol *again = anonymous_tag(cls);
      tag = again;
    }
    tag->flags |= SF_DEFINED;  // self-references inside see a defined tag
    struct_members(tag);
    sym_define(tag);
    if (tag->level > 0) ic_struct(tag, IC_NONE);
  }
  type_t t = type_plain(cls == SC_STRUCT ? TC_STRUCT : TC_UNION);
  t.base = tag;
  return t;
}

type_t parse_enum() {
  sym_want_tag = true;
  lex_next();
  sym_want_tag = false;
  symbol *tag = nullptr;
  if (tok.code == T_IDENT) {
    bool defining = lex_peek().code == T_LBRACE;
    symbol *rec = tok.sym;
    if (!defining && (!rec || rec->cls == SC_NONE)) {
      msg(260, tok.text.c_str());
    }
    tag = tag_for(SC_ENUM, defining);
  } else {
    tag = anonymous_tag(SC_ENUM);
  }
  type_t et = type_plain(TC_ENUM);
  et.base = tag;
  if (tok.code != T_LBRACE) return et;
  if (tag->flags & SF_DEFINED) {
    msg(1348, tag->name, tag->file ? tag->file : "", (int)tag->line);
    tag = anonymous_tag(SC_ENUM);
    et.base = tag;
  }
  lex_next();
  int32_t value = 0;
  uint32_t ordinal = 0;
  symbol *last = nullptr;
  while (tok.code != T_RBRACE) {
    if (tok.code != T_IDENT) {
      msg(322);
      while (tok.code != T_RBRACE && tok.code != T_SEMI && tok.code != T_EOF && tok.code != OP_ARGSEP)
        lex_next();
      if (tok.code == OP_ARGSEP) {
        lex_next();
        continue;
      }
      break;
    }
    symbol *rec = tok.sym;
    lex_next();
    if (tok.code == OP_ASSIGN) {
      lex_next();
      expr_node *e = expr_parse(CTX_ENUM);
      int32_t v;
      if (!e || !type_is_integral(e->type) || !expr_const_value(e, &v)) msg(991);
      else value = v;
      expr_free(e);
    }
    symbol *c = sym_declare(rec, SC_ENUMCONST, et, tag);
    if (c->cls == SC_ENUMCONST && c->link == tag) {
      c->value = value;
      c->ordinal = ordinal++;
      sym_define(c);
      if (last) last->next = c;
      else tag->first = c;
      last = c;
      c->next = nullptr;
    }
    value++;
    if (tok.code == OP_ARGSEP) {
      lex_next();
      continue;
    }
    if (tok.code != T_RBRACE) {
      msg(316);
      while (tok.code != T_RBRACE && tok.code != T_SEMI && tok.code != T_EOF) lex_next();
      break;
    }
  }
  if (tok.code == T_RBRACE) lex_next();
  sym_define(tag);
  tag->flags |= SF_DEFINED;  // unnamed tags are temporaries, which sym_define passes over
  ic_enum(tag, IC_NONE);
  return et;
}

}  // namespace
