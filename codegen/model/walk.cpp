#include "codegen/model/walk.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string>

#include "codegen/model/build.h"
#include "codegen/model/decl.h"
#include "codegen/model/lexin.h"
#include "codegen/model/libwant.h"
#include "codegen/model/progstate.h"
#include "codegen/model/symbols.h"
#include "codegen/model/target_services.h"
#include "codegen/model/tree.h"
#include "codegen/model/types.h"
#include "common/alert.h"
#include "common/alloc.h"
#include "common/vector.h"

namespace {

constexpr size_t ASM_LINE_SIZE = 1536;
constexpr size_t COMMENT_LIMIT = 511;
constexpr int RECORD_NESTING_LIMIT = 100;

char *pending_comment;

// A sequence is always walked left before right.
uint32_t order_for(const tree_node *node, uint32_t order) {
  if (node->op != OP_SEQ) return order;
  switch (order) {
    case WALK_RIGHT_NODE_LEFT: return WALK_LEFT_NODE_RIGHT;
    case WALK_POST_RIGHT_FIRST: return WALK_POST;
    case WALK_PRE_RIGHT_FIRST: return WALK_PRE;
  }
  return order;
}

bool is_number_token(const char *t) {
  if (*t == '-' || *t == '+') t++;
  return isdigit(static_cast<unsigned char>(*t));
}

tree_node *make_leaf(uint32_t op, ctype *type) {
  tree_node *n = tree_node_new();
  n->op = op;
  n->type = type;
  n->height = 1;
  return n;
}

tree_node *integer_constant(const char *token) {
  char *end;
  long long value = strtoll(token, &end, 10);
  tree_node *c = tree_const(int32_t(uint32_t(uint64_t(value))));
  if (*end) c->type = type_parse(end);
  return c;
}

// Follows a back-reference from the previous tree; answers a copy of the
// node reached.
tree_node *back_reference(const tree_node *previous, const std::string &token) {
  const tree_node *node = previous;
  if (token[0] == 'J') {
    for (size_t k = 1; k < token.size(); k++) {
      char c = token[k];
      if (c == 'N') break;
      if (c != '0' && c != '1') {
        msg(1118, token.c_str() + k);
        break;
      }
      const tree_node *next = c == '0' ? node->left : node->right;
      if (!next) break;
      node = next;
    }
  } else {
    for (size_t k = 0; k < token.size(); k++) {
      char c = token[k];
      if (c == 'N') continue;
      if (c != 'L' && c != 'R') {
        msg(1119, token.c_str() + k);
        break;
      }
      const tree_node *next = c == 'L' ? node->left : node->right;
      if (!next) break;
      node = next;
    }
  }
  return tree_copy(node);
}

// An operand that cannot be read leaves a zero in its place.
tree_node *operand(lex_stream *s) {
  tree_node *t = tree_read(s);
  return t ? t : tree_const(0);
}

void mark_asm_names(const char *line) {
  for (const char *p = line; *p;) {
    if (*p == '_' && (p == line || !(isalnum(static_cast<unsigned char>(p[-1])) || p[-1] == '_'))) {
      const char *end = p + 1;
      while (isalnum(static_cast<unsigned char>(*end)) || *end == '_') end++;
      std::string name(p, end);
      if (name != "_main") {
        lib_want_name(name.c_str());
        if (symbol *s = sym_find(name.c_str())) s->flags2 |= SYM2_FIXED;
      }
      p = end;
    } else {
      p++;
    }
  }
}

}  // namespace

tree_node *tree_walk(uint32_t order, void *ctx, tree_node *node, walk_fn fn, int a, int b, int c) {
  if (!node || order == 0) return node;
  for (uint32_t code = order_for(node, order); code; code >>= 3) {
    switch (code & 7) {
      case 4: {
        tree_node *kept = fn(ctx, node, a, b, c);
        if (!kept) return node;
        node = kept;
        break;
      }
      case 2: {
        for (uint32_t k = 0; k < vec_size(node->args); k++) {
          tree_node *arg = static_cast<tree_node *>(vec_get(node->args, k));
          tree_node *walked = tree_walk(order, ctx, arg, fn, a, b, 1);
          if (walked != arg) vec_set(node->args, walked, k);
        }
        if (op_is_binary(node->op)) {
          uint32_t d = op_dope(node->op);
          int conditional = (d & D_ORDERED) && (d & D_COND) ? 1 : a;
          node->right = tree_walk(order, ctx, node->right, fn, conditional, b, 1);
        }
        break;
      }
      case 1:
        if (op_has_operands(node->op)) {
          int non_value = (op_dope(node->op) & D_NON_VALUE) ? 1 : b;
          node->left = tree_walk(order, ctx, node->left, fn, a, non_value, node->op == OP_SEQ ? c : 1);
        }
        break;
    }
  }
  return node;
}

tree_node *lex_expr_token(lex_stream *s, const char *first) {
  // Records inside an expression read expressions of their own; a chain of
  // them deeper than any program writes is refused.
  static int records;
  std::string token = first;
  for (;;) {
    bool record = token == "[c" || token == "[s" || token == "[u" || token == "[v";
    if (!record) break;
    if (records >= RECORD_NESTING_LIMIT) {
      msg(714, token.c_str());
      return nullptr;
    }
    records++;
    if (token == "[c")
      decl_enum(s);
    else if (token == "[s" || token == "[u")
      decl_struct(s, token[1] == 'u');
    else
      decl_var(s);
    records--;
    const char *next = lex_token(s);
    if (!next) {
      msg(714, "end of input");
      return nullptr;
    }
    token = next;
  }
  unsigned char c0 = static_cast<unsigned char>(token[0]);
  if (isalpha(c0) || c0 == '_') return tree_ident(sym_lookup(token.c_str()));
  if (c0 == '`' || c0 == '\'') return tree_type_node(type_parse(token.c_str() + 1));
  if (c0 == '.' && isdigit(static_cast<unsigned char>(token[1]))) {
    tree_node *f = make_leaf(OP_FCONST, type_double());
    f->fvalue = strtod(token.c_str() + 1, nullptr);
    return f;
  }
  if (is_number_token(token.c_str())) return integer_constant(token.c_str());
  int op = lex_keyword(token.c_str());
  if (op > 0 && op_arity(uint32_t(op)) == D_RECORD) {
    msg(1121, token.c_str());
    return nullptr;
  }
  if (op <= 0) {
    msg(730, token.c_str());
    return nullptr;
  }
  tree_node *n = make_leaf(uint32_t(op), type_void());
  if (op == int(OP_SWITCH)) {
    n->switch_value = model.switch_strategy;
    model.switch_strategy = 0;
  }
  return n;
}

tree_node *tree_read(lex_stream *s) {
  const char *t = lex_token(s);
  if (!t) {
    msg(714, "end of input");
    return nullptr;
  }
  return tree_read_from(s, t);
}

tree_node *tree_read_from(lex_stream *s, const char *first) {
  // Deeper nesting than any program writes is refused, not followed down.
  static int depth;
  std::string token = first;
  if (s->previous && strchr("LRNJ", token[0]) && lex_keyword(token.c_str()) < 0)
    return back_reference(s->previous, token);
  tree_node *n = lex_expr_token(s, token.c_str());
  if (!n || op_is_leaf(n->op)) return n;
  uint32_t op = n->op;
  int16_t switch_value = n->switch_value;
  tree_node_free(n);
  if (depth >= READ_NESTING_LIMIT) {
    msg(714, lextab[op]);
    return tree_const(0);
  }
  depth++;
  tree_node *built;
  if (op_is_unary(op)) {
    built = tree_build(op, operand(s), nullptr);
  } else {
    tree_node *left = operand(s);
    tree_node *right = operand(s);
    if (op == OP_QUEST && right->op != OP_COLON) {
      // "?" holds its alternatives in a ":".
      msg(714, "?");
      right = tree_build(OP_COLON, right, tree_const(0));
    }
    built = tree_build(op, left, right);
  }
  depth--;
  if (op == OP_SWITCH && built) built->switch_value = switch_value;
  return built;
}

tree_node *tree_rebuild(vec *nodes) {
  vec_rewind(nodes);
  return tree_rebuild_next(nodes);
}

tree_node *tree_rebuild_next(vec *nodes) {
  tree_node *p = static_cast<tree_node *>(vec_next(nodes));
  if (!p) return nullptr;
  tree_set_position(p);
  if (p->comment && !pending_comment) pending_comment = str_dup(p->comment);
  uint32_t arity = op_arity(p->op);
  if (arity == D_UNARY) {
    tree_node *left = tree_rebuild_next(nodes);
    return tree_build(p->op, left ? left : tree_const(0), nullptr);
  }
  if (arity == D_BINARY) {
    tree_node *left = tree_rebuild_next(nodes);
    tree_node *right = tree_rebuild_next(nodes);
    tree_node *built = tree_build(p->op, left ? left : tree_const(0), right ? right : tree_const(0));
    if (p->op == OP_SWITCH && built) built->switch_value = p->switch_value;
    return built;
  }
  if (arity == D_RECORD) {
    msg_print("bad entry on node sequence\n");
    return nullptr;
  }
  if (p->op == OP_ID) return tree_ident(p->sym);
  tree_node *copy = tree_copy_node(p);
  copy->left = copy->right = nullptr;
  return copy;
}

namespace {

tree_node *rebuild_stored_next(const stored_statement *s, uint32_t &at) {
  if (at >= s->count) return nullptr;
  const stored_node &p = s->nodes[at++];
  if (tree_stored_as_node(p.op)) {
    tree_set_position(p.leaf);
    if (p.leaf->comment && !pending_comment) pending_comment = str_dup(p.leaf->comment);
    tree_node *copy = tree_copy_node(p.leaf);
    copy->left = copy->right = nullptr;
    return copy;
  }
  if (p.file) sym_set_position(p.file, p.line);
  if (p.comment && !pending_comment) pending_comment = str_dup(p.comment);
  uint32_t arity = op_arity(p.op);
  if (arity == D_UNARY) {
    tree_node *left = rebuild_stored_next(s, at);
    return tree_build(p.op, left ? left : tree_const(0), nullptr);
  }
  if (arity == D_BINARY) {
    tree_node *left = rebuild_stored_next(s, at);
    tree_node *right = rebuild_stored_next(s, at);
    tree_node *built = tree_build(p.op, left ? left : tree_const(0), right ? right : tree_const(0));
    if (p.op == OP_SWITCH && built) built->switch_value = p.switch_value;
    return built;
  }
  if (arity == D_RECORD) {
    msg_print("bad entry on node sequence\n");
    return nullptr;
  }
  return tree_ident(p.sym);
}

}  // namespace

bool tree_stored_as_node(uint32_t op) {
  uint32_t arity = op_arity(op);
  return arity != D_UNARY && arity != D_BINARY && arity != D_RECORD && op != OP_ID;
}

stored_statement *tree_store(vec *nodes) {
  auto *s = static_cast<stored_statement *>(xalloc(sizeof(stored_statement)));
  s->count = vec_size(nodes);
  s->nodes = static_cast<stored_node *>(xalloc(sizeof(stored_node) * (s->count ? s->count : 1)));
  for (uint32_t k = 0; k < s->count; k++) {
    tree_node *n = static_cast<tree_node *>(vec_get(nodes, k));
    stored_node &d = s->nodes[k];
    d = stored_node{};
    d.file = n->file;
    d.line = n->line;
    d.op = uint16_t(n->op);
    if (tree_stored_as_node(n->op)) {
      d.leaf = n;
      continue;
    }
    d.sym = n->sym;
    d.switch_value = n->switch_value;
    d.comment = n->comment;
    n->comment = nullptr;
    tree_node_free(n);
  }
  vec_free(nodes);
  return s;
}

void tree_stored_free(stored_statement *s) {
  if (!s) return;
  for (uint32_t k = 0; k < s->count; k++) {
    xfree(s->nodes[k].comment);
    if (tree_stored_as_node(s->nodes[k].op)) tree_free(s->nodes[k].leaf);
  }
  xfree(s->nodes);
  xfree(s);
}

tree_node *tree_rebuild_stored(const stored_statement *s) {
  uint32_t at = 0;
  return s ? rebuild_stored_next(s, at) : nullptr;
}

tree_node *tree_asm_line(lex_stream *s) {
  char line[ASM_LINE_SIZE];
  lex_gets(line, sizeof line, s);
  if (line[0] == ';') {
    if (model.feature_list_mode) return nullptr;
    if (sym_current_function()) {
      if (!pending_comment) {
        pending_comment = str_dup(line);
      } else if (strlen(pending_comment) <= COMMENT_LIMIT) {
        pending_comment = str_append(pending_comment, "\n");
        pending_comment = str_append(pending_comment, line);
      }
    } else {
      out_printf("%s\n", line);
    }
    return nullptr;
  }
  tree_node *n = make_leaf(OP_ASM, type_void());
  n->text = str_dup(line);
  mark_asm_names(line);
  return n;
}

namespace {

bool refers(tree_node *node, void *ctx) {
  if (node->op != OP_ID) return false;
  symbol *s = static_cast<symbol *>(ctx);
  if (node->sym == s) return true;
  return (s->flags & SYM_STACK_AREA) && (node->sym->flags & SYM_PARAM_IN_MEMORY) &&
         node->sym->offset < type_size(s->type);
}

// Every call but one to a built-in or in-line function runs the callee,
// whose parameter area and registers the call then uses. (The register-
// argument mark that every prototyped function carries says nothing here.)
bool is_real_call(tree_node *node, void *) {
  return node->op == OP_CALL && !(node->callee && (node->callee->flags2 & SYM2_INLINE));
}

}  // namespace

tree_node *tree_refers_to(tree_node *t, symbol *s) { return tree_find(t, s, refers); }

tree_node *tree_find_call(tree_node *t) { return tree_find(t, nullptr, is_real_call); }

char *tree_pending_comment() { return pending_comment; }

void tree_set_pending_comment(char *text) {
  xfree(pending_comment);
  pending_comment = text;
}

char *tree_take_pending_comment() {
  char *text = pending_comment;
  pending_comment = nullptr;
  return text;
}
