#include "assembler/expr.h"

#include <strings.h>

#include <algorithm>
#include <cctype>
#include <cstring>

#include "common/alert.h"
#include "linker/io.h"

bool asm_name_start(char c) { return isalpha((unsigned char)c) || c == '_' || c == '?' || c == '@'; }
bool asm_name_char(char c) { return asm_name_start(c) || isdigit((unsigned char)c) || c == '$'; }

namespace {

// Bounds that keep the recursion of parsing and evaluation shallow whatever
// the source holds.
const int max_nodes = 1024;
const int max_nesting = 128;

struct parser {
  asm_state *st;
  const std::string &text;
  size_t pos = 0;
  bool failed = false;
  int nodes = 0;
  int nesting = 0;

  bool count_node() {
    if (++nodes <= max_nodes) return true;
    if (!failed) msg(ASM_MSG_DEEP, text.c_str());
    failed = true;
    return false;
  }

  void skip_space() {
    while (pos < text.size() && isspace((unsigned char)text[pos])) pos++;
  }
  bool at(const char *s) {
    skip_space();
    return text.compare(pos, strlen(s), s) == 0;
  }
  // A word operator: the word, not followed by a name character.
  bool at_word(const char *word) {
    skip_space();
    size_t n = strlen(word);
    if (text.size() - pos < n || strncasecmp(text.c_str() + pos, word, n) != 0) return false;
    return pos + n >= text.size() || !asm_name_char(text[pos + n]);
  }
  void fail() {
    if (!failed) msg(ASM_MSG_SYNTAX, text.c_str());
    failed = true;
  }

  std::shared_ptr<asm_expr> node(asm_expr::node_kind kind, int op, std::shared_ptr<asm_expr> l,
                                 std::shared_ptr<asm_expr> r = nullptr) {
    if (!count_node()) return nullptr;
    auto e = std::make_shared<asm_expr>();
    e->kind = kind;
    e->op = op;
    e->left = std::move(l);
    e->right = std::move(r);
    return e;
  }

  std::shared_ptr<asm_expr> primary() {
    skip_space();
    if (failed || !count_node()) return nullptr;
    if (pos >= text.size()) {
      fail();
      return nullptr;
    }
    char c = text[pos];
    if (c == '(') {
      pos++;
      if (nesting >= max_nesting) {
        msg(ASM_MSG_DEEP, text.c_str());
        failed = true;
        return nullptr;
      }
      nesting++;
      auto e = parse_or();
      nesting--;
      if (!e) return nullptr;
      if (!at(")")) {
        fail();
        return nullptr;
      }
      pos++;
      return e;
    }
    if (c == '$' && (pos + 1 >= text.size() || !asm_name_char(text[pos + 1]))) {
      pos++;
      auto e = std::make_shared<asm_expr>();
      e->kind = asm_expr::DOLLAR;
      e->psect = st->current;
      e->offset = st->current ? st->current->loc : 0;
      return e;
    }
    if (isdigit((unsigned char)c)) {
      size_t start = pos;
      while (pos < text.size() && isalnum((unsigned char)text[pos])) pos++;
      auto e = std::make_shared<asm_expr>();
      e->kind = asm_expr::NUM;
      if (!expr_number(text.substr(start, pos - start), &e->num)) {
        fail();
        return nullptr;
      }
      return e;
    }
    if (c == '\'') {
      size_t end = asm_quote_end(text, pos);
      std::vector<uint8_t> bytes;
      if (end >= text.size() || !asm_quoted_bytes(text.substr(pos, end + 1 - pos), &bytes) || bytes.size() != 1) {
        fail();
        return nullptr;
      }
      pos = end + 1;
      auto e = std::make_shared<asm_expr>();
      e->kind = asm_expr::NUM;
      e->num = bytes[0];
      return e;
    }
    if (asm_name_start(c)) {
      size_t start = pos;
      while (pos < text.size() && asm_name_char(text[pos])) pos++;
      auto e = std::make_shared<asm_expr>();
      e->kind = asm_expr::NAME;
      e->name = text.substr(start, pos - start);
      auto known = st->symbols.find(e->name);
      if (known != st->symbols.end() && known->second.kind == SYM_SET)
        e->set_value = std::make_shared<const asm_value>(known->second.value);
      return e;
    }
    fail();
    return nullptr;
  }

  std::shared_ptr<asm_expr> unary() {
    if (failed) return nullptr;
    if (nesting >= max_nesting) {
      msg(ASM_MSG_DEEP, text.c_str());
      failed = true;
      return nullptr;
    }
    nesting++;
    auto e = unary_inner();
    nesting--;
    return e;
  }

  std::shared_ptr<asm_expr> unary_inner() {
    struct {
      const char *word;
      int op;
    } words[] = {{"highword", EXPR_HIGHWORD}, {"high", EXPR_HIGH}, {"low", EXPR_LOW}};
    for (auto &w : words) {
      if (at_word(w.word)) {
        pos += strlen(w.word);
        auto operand = unary();
        return operand ? node(asm_expr::UNARY, w.op, operand) : nullptr;
      }
    }
    skip_space();
    if (pos < text.size() && (text[pos] == '-' || text[pos] == '+' || text[pos] == '~')) {
      char op = text[pos++];
      auto operand = unary();
      return operand ? node(asm_expr::UNARY, op, operand) : nullptr;
    }
    return primary();
  }

  // One level of left-associative binary operators.
  template <typename Next>
  std::shared_ptr<asm_expr> level(Next next, std::initializer_list<std::pair<const char *, int>> ops) {
    auto left = next();
    while (left) {
      const std::pair<const char *, int> *found = nullptr;
      for (const auto &op : ops) {
        if (at(op.first)) {
          found = &op;
          break;
        }
      }
      if (!found) break;
      pos += strlen(found->first);
      auto right = next();
      if (!right) return nullptr;
      left = node(asm_expr::BINARY, found->second, left, right);
      if (!left) return nullptr;
    }
    return left;
  }

  std::shared_ptr<asm_expr> product() {
    return level([this] { return unary(); }, {{"*", '*'}, {"/", '/'}});
  }
  std::shared_ptr<asm_expr> sum() {
    return level([this] { return product(); }, {{"+", '+'}, {"-", '-'}});
  }
  std::shared_ptr<asm_expr> shift() {
    return level([this] { return sum(); }, {{"<<", EXPR_SHL}, {">>", EXPR_SHR}});
  }
  std::shared_ptr<asm_expr> parse_and() {
    return level([this] { return shift(); }, {{"&", '&'}});
  }
  std::shared_ptr<asm_expr> parse_xor() {
    return level([this] { return parse_and(); }, {{"^", '^'}});
  }
  std::shared_ptr<asm_expr> parse_or() {
    return level([this] { return parse_xor(); }, {{"|", '|'}});
  }
};

// Arithmetic on values wraps, as the linker's 32-bit arithmetic does; no
// operand can make it undefined.
int64_t wrap_add(int64_t a, int64_t b) { return (int64_t)((uint64_t)a + (uint64_t)b); }
int64_t wrap_sub(int64_t a, int64_t b) { return (int64_t)((uint64_t)a - (uint64_t)b); }
int64_t wrap_mul(int64_t a, int64_t b) { return (int64_t)((uint64_t)a * (uint64_t)b); }

void add_term(asm_value *v, const asm_term &t) {
  for (size_t i = 0; i < v->terms.size(); i++) {
    asm_term &have = v->terms[i];
    if (have.is_psect == t.is_psect && have.name == t.name) {
      have.coef = wrap_add(have.coef, t.coef);
      if (have.coef == 0) v->terms.erase(v->terms.begin() + i);
      return;
    }
  }
  if (t.coef != 0) v->terms.push_back(t);
}

asm_value from_tree(asm_rtree tree) {
  asm_value v;
  v.tree = std::move(tree);
  return v;
}

// Trees built through chains of equates could nest without end.
bool tree_too_deep(const asm_value &v, const char *what, bool quiet) {
  if (!v.tree || v.tree->depth <= max_nesting) return false;
  if (!quiet) msg(ASM_MSG_DEEP, what);
  return true;
}

// Folds two absolute operands of a binary operator; false after a message.
bool fold(int op, int64_t a, int64_t b, int64_t *out) {
  switch (op) {
    case '+': *out = wrap_add(a, b); return true;
    case '-': *out = wrap_sub(a, b); return true;
    case '*': *out = wrap_mul(a, b); return true;
    case '/':
      if (b == 0) {
        msg(ASM_MSG_DIVIDE);
        return false;
      }
      *out = b == -1 ? wrap_sub(0, a) : a / b;
      return true;
    case '&': *out = a & b; return true;
    case '|': *out = a | b; return true;
    case '^': *out = a ^ b; return true;
    case EXPR_SHL: *out = b < 0 || b > 63 ? 0 : (int64_t)((uint64_t)a << b); return true;
    case EXPR_SHR: *out = b < 0 || b > 63 ? (a < 0 ? -1 : 0) : a >> b; return true;
  }
  return false;
}

uint8_t tree_op(int op) {
  switch (op) {
    case '+': return IO_OP_ADD;
    case '-': return IO_OP_SUB;
    case '*': return IO_OP_MUL;
    case '/': return IO_OP_DIV;
    case '&': return IO_OP_AND;
    case '|': return IO_OP_OR;
    case '^': return IO_OP_XOR;
    case EXPR_SHL: return IO_OP_SHL;
    case EXPR_SHR: return IO_OP_SHR;
  }
  return IO_OP_END;
}

bool eval_binary(asm_state *st, const asm_expr *e, expr_mode mode, asm_value *out, bool quiet) {
  asm_value a, b;
  if (!expr_eval(st, e->left.get(), mode, &a, quiet) || !expr_eval(st, e->right.get(), mode, &b, quiet))
    return false;
  int op = e->op;
  if (a.is_absolute() && b.is_absolute()) {
    *out = asm_value();
    if (!fold(op, a.k, b.k, &out->k)) return false;
    out->masked = op == '&';
    return true;
  }
  bool linear = !a.tree && !b.tree;
  if (linear && (op == '+' || op == '-')) {
    *out = a;
    out->masked = false;
    int64_t sign = op == '+' ? 1 : -1;
    out->k = wrap_add(out->k, wrap_mul(sign, b.k));
    for (asm_term t : b.terms) {
      t.coef = wrap_mul(t.coef, sign);
      add_term(out, t);
    }
    return true;
  }
  if (linear && op == '*' && (a.is_absolute() || b.is_absolute())) {
    const asm_value &scale = a.is_absolute() ? a : b;
    *out = a.is_absolute() ? b : a;
    out->masked = false;
    out->k = wrap_mul(out->k, scale.k);
    for (asm_term &t : out->terms) t.coef = wrap_mul(t.coef, scale.k);
    out->terms.erase(std::remove_if(out->terms.begin(), out->terms.end(), [](const asm_term &t) { return t.coef == 0; }),
                     out->terms.end());
    return true;
  }
  if (op == '/' && b.is_absolute() && b.k == 0) {
    msg(ASM_MSG_DIVIDE);
    return false;
  }
  *out = from_tree(expr_op(tree_op(op), expr_tree(a), expr_tree(b)));
  out->masked = op == '&';
  return !tree_too_deep(*out, "expression", quiet);
}

bool eval_unary(asm_state *st, const asm_expr *e, expr_mode mode, asm_value *out, bool quiet) {
  asm_value a;
  if (!expr_eval(st, e->left.get(), mode, &a, quiet)) return false;
  a.masked = false;
  switch (e->op) {
    case '+':
      *out = a;
      return true;
    case '-':
      if (a.tree) {
        *out = from_tree(expr_op(IO_OP_NEG, a.tree));
        return !tree_too_deep(*out, "expression", quiet);
      } else {
        *out = a;
        out->k = wrap_sub(0, a.k);
        for (asm_term &t : out->terms) t.coef = wrap_sub(0, t.coef);
      }
      return true;
  }
  if (a.is_absolute()) {
    *out = asm_value();
    switch (e->op) {
      case '~': out->k = ~a.k; break;
      case EXPR_LOW: out->k = a.k & 0xFF; break;
      case EXPR_HIGH: out->k = (a.k >> 8) & 0xFF; break;
      case EXPR_HIGHWORD: out->k = (a.k >> 16) & 0xFFFF; break;
    }
    return true;
  }
  asm_rtree t = expr_tree(a);
  switch (e->op) {
    case '~': t = expr_op(IO_OP_NOT, t); break;
    case EXPR_LOW: t = expr_op(IO_OP_LOW, t); break;
    case EXPR_HIGH: t = expr_op(IO_OP_HIGH, t); break;
    case EXPR_HIGHWORD: t = expr_op(IO_OP_AND, expr_op(IO_OP_SHR, t, expr_const(16)), expr_const(0xFFFF)); break;
  }
  *out = from_tree(t);
  return !tree_too_deep(*out, "expression", quiet);
}

void emit_tree(const asm_rnode *n, std::vector<uint8_t> *out) {
  switch (n->op) {
    case IO_OP_CONST: {
      out->push_back(IO_OP_CONST);
      uint8_t field[4];
      io_put32(&io_little_endian, field, (uint32_t)n->value);
      out->insert(out->end(), field, field + 4);
      return;
    }
    case IO_OP_PSECT:
    case IO_OP_SYM:
      out->push_back(n->op);
      out->insert(out->end(), n->name.begin(), n->name.end());
      out->push_back(0);
      return;
  }
  // Binary operators take the top of the stack as their left operand.
  if (n->right) emit_tree(n->right.get(), out);
  emit_tree(n->left.get(), out);
  out->push_back(n->op);
}

}  // namespace

bool expr_number(const std::string &text, int64_t *out) {
  if (text.empty() || !isdigit((unsigned char)text[0])) return false;
  std::string digits = text;
  int base = 10;
  if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
    digits = digits.substr(2);
    base = 16;
  } else if (digits.back() == 'h' || digits.back() == 'H') {
    digits.pop_back();
    base = 16;
  }
  if (digits.empty()) return false;
  uint64_t value = 0;
  for (char c : digits) {
    int d = isdigit((unsigned char)c) ? c - '0' : isxdigit((unsigned char)c) ? (tolower(c) - 'a' + 10) : 99;
    if (d >= base) return false;
    value = value * base + d;
    if (value > 0xFFFFFFFFull) return false;
  }
  *out = (int64_t)value;
  return true;
}

size_t asm_quote_end(const std::string &text, size_t open) {
  char quote = text[open];
  for (size_t i = open + 1; i < text.size(); i++) {
    if (text[i] == '\\')
      i++;
    else if (text[i] == quote)
      return i;
  }
  return text.size();
}

namespace {

int hex_digit(char c) {
  if (isdigit((unsigned char)c)) return c - '0';
  if (isxdigit((unsigned char)c)) return tolower((unsigned char)c) - 'a' + 10;
  return -1;
}

// One character of a quoted text from *pos, escapes decoded; false for a
// malformed escape.
bool quoted_char(const std::string &body, size_t *pos, uint8_t *out) {
  char c = body[(*pos)++];
  if (c != '\\') {
    *out = (uint8_t)c;
    return true;
  }
  if (*pos >= body.size()) return false;
  c = body[(*pos)++];
  static const char simple[] = "n\nt\tr\ra\ab\bf\fv\v";
  if (c >= '0' && c <= '7') {
    unsigned value = (unsigned)(c - '0');
    for (int i = 0; i < 2 && *pos < body.size() && body[*pos] >= '0' && body[*pos] <= '7'; i++)
      value = value * 8 + (unsigned)(body[(*pos)++] - '0');
    if (value > 0xFF) return false;
    *out = (uint8_t)value;
    return true;
  }
  if (c == 'x' || c == 'X') {
    unsigned value = 0;
    int digits = 0;
    for (; digits < 2 && *pos < body.size() && hex_digit(body[*pos]) >= 0; digits++)
      value = value * 16 + (unsigned)hex_digit(body[(*pos)++]);
    if (digits == 0) return false;
    *out = (uint8_t)value;
    return true;
  }
  for (const char *s = simple; *s; s += 2)
    if (*s == c) {
      *out = (uint8_t)s[1];
      return true;
    }
  if (c == '\\' || c == '\'' || c == '"' || c == '?') {
    *out = (uint8_t)c;
    return true;
  }
  return false;
}

}  // namespace

bool asm_quoted_bytes(const std::string &text, std::vector<uint8_t> *out) {
  if (text.size() < 2 || (text[0] != '"' && text[0] != '\'') || asm_quote_end(text, 0) != text.size() - 1)
    return false;
  std::string body = text.substr(1, text.size() - 2);
  out->clear();
  for (size_t pos = 0; pos < body.size();) {
    uint8_t byte;
    if (!quoted_char(body, &pos, &byte)) return false;
    out->push_back(byte);
  }
  return true;
}

std::shared_ptr<asm_expr> expr_parse(asm_state *st, const std::string &text) {
  parser p{st, text};
  auto e = p.parse_or();
  p.skip_space();
  if (!p.failed && (!e || p.pos != text.size())) p.fail();
  return p.failed ? nullptr : e;
}

bool expr_symbol_value(asm_state *st, asm_symbol *sym, expr_mode mode, asm_value *out, bool quiet) {
  sym->referenced = true;
  *out = asm_value();
  switch (sym->kind) {
    case SYM_LABEL:
      out->k = sym->offset / sym->psect->unit();
      if (!sym->psect->is_abs()) out->terms.push_back({true, sym->psect->name, 1});
      return true;
    case SYM_SET:
      *out = sym->value;
      return true;
    case SYM_EQU:
      if (sym->value_known) {
        *out = sym->value;
        return true;
      }
      if (sym->evaluating) {
        if (!quiet) msg(ASM_MSG_CYCLE, sym->name.c_str());
        return false;
      }
      if (st->eval_depth >= max_nesting) {
        if (!quiet) msg(ASM_MSG_DEEP, sym->name.c_str());
        return false;
      }
      sym->evaluating = true;
      st->eval_depth++;
      {
        bool ok = expr_eval(st, sym->expr.get(), mode, out, quiet);
        st->eval_depth--;
        sym->evaluating = false;
        if (ok && mode == EXPR_FINAL) {
          sym->value = *out;
          sym->value_known = true;
        }
        return ok;
      }
    case SYM_EXTERN:
      out->terms.push_back({false, sym->name, 1});
      return true;
    case SYM_UNDEFINED:
      if (mode == EXPR_NOW) {
        if (!quiet) msg(ASM_MSG_NOT_DEFINED_YET, sym->name.c_str());
        return false;
      }
      // Referred to and never defined: another module defines it.
      sym->kind = SYM_EXTERN;
      sym->global = true;
      out->terms.push_back({false, sym->name, 1});
      return true;
  }
  return false;
}

bool expr_eval(asm_state *st, const asm_expr *e, expr_mode mode, asm_value *out, bool quiet) {
  switch (e->kind) {
    case asm_expr::NUM:
      *out = asm_value();
      out->k = e->num;
      return true;
    case asm_expr::DOLLAR:
      *out = asm_value();
      if (!e->psect) {
        if (!quiet) msg(ASM_MSG_NO_PSECT);
        return false;
      }
      out->k = e->offset / e->psect->unit();
      if (!e->psect->is_abs()) out->terms.push_back({true, e->psect->name, 1});
      return true;
    case asm_expr::NAME: {
      asm_symbol *sym = asm_symbol_get(st, e->name);
      if (e->set_value) {
        sym->referenced = true;
        *out = *e->set_value;
        return true;
      }
      // A "set" symbol has no value above its first "set".
      if (sym->kind == SYM_SET) {
        if (!quiet) msg(ASM_MSG_NOT_DEFINED_YET, sym->name.c_str());
        return false;
      }
      return expr_symbol_value(st, sym, mode, out, quiet);
    }
    case asm_expr::UNARY:
      return eval_unary(st, e, mode, out, quiet);
    case asm_expr::BINARY:
      return eval_binary(st, e, mode, out, quiet);
  }
  return false;
}

bool expr_absolute_now(asm_state *st, const std::string &text, int64_t *out) {
  auto e = expr_parse(st, text);
  if (!e) return false;
  asm_value v;
  if (!expr_eval(st, e.get(), EXPR_NOW, &v)) return false;
  if (!v.is_absolute()) {
    msg(ASM_MSG_NOT_ABSOLUTE, text.c_str());
    return false;
  }
  *out = v.k;
  return true;
}

asm_rtree expr_const(int64_t value) {
  auto n = std::make_shared<asm_rnode>();
  n->op = IO_OP_CONST;
  n->value = value;
  return n;
}

asm_rtree expr_op(uint8_t op, asm_rtree left, asm_rtree right) {
  auto n = std::make_shared<asm_rnode>();
  n->op = op;
  n->depth = 1 + std::max(left ? left->depth : 0, right ? right->depth : 0);
  n->left = std::move(left);
  n->right = std::move(right);
  return n;
}

asm_rtree expr_tree(const asm_value &v) {
  if (v.tree) return v.tree;
  asm_rtree t;
  if (v.k != 0 || v.terms.empty()) t = expr_const(v.k);
  for (const asm_term &term : v.terms) {
    auto leaf = std::make_shared<asm_rnode>();
    leaf->op = term.is_psect ? IO_OP_PSECT : IO_OP_SYM;
    leaf->name = term.name;
    asm_rtree part = leaf;
    if (term.coef == -1 && t) {
      t = expr_op(IO_OP_SUB, t, part);
      continue;
    }
    if (term.coef != 1) part = expr_op(IO_OP_MUL, part, expr_const(term.coef));
    t = t ? expr_op(IO_OP_ADD, t, part) : part;
  }
  return t;
}

std::vector<uint8_t> expr_bytes(const asm_rtree &tree) {
  std::vector<uint8_t> out;
  emit_tree(tree.get(), &out);
  out.push_back(IO_OP_END);
  return out;
}

bool expr_single_term(const asm_value &v, asm_term *term, int64_t *addend) {
  if (v.tree || v.terms.size() != 1 || v.terms[0].coef != 1) return false;
  *term = v.terms[0];
  *addend = v.k;
  return true;
}
