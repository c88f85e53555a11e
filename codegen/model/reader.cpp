#include "codegen/model/reader.h"

#include <strings.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "codegen/model/callgraph.h"
#include "codegen/model/decl.h"
#include "codegen/model/directive.h"
#include "codegen/model/funcprep.h"
#include "codegen/model/initdata.h"
#include "codegen/model/iset.h"
#include "codegen/model/lexin.h"
#include "codegen/model/literals.h"
#include "codegen/model/optim.h"
#include "codegen/model/pcodelib.h"
#include "codegen/model/progstate.h"
#include "codegen/model/regs.h"
#include "codegen/model/symbols.h"
#include "codegen/model/target_services.h"
#include "codegen/model/tree.h"
#include "codegen/model/types.h"
#include "codegen/model/walk.h"
#include "common/alert.h"
#include "common/alloc.h"
#include "common/vector.h"

namespace {

struct reader_state {
  int64_t string_base = 0, jump_base = LABEL_C_FIRST;
  int64_t string_high = 0, jump_high = LABEL_C_FIRST;
};
reader_state &rs() {
  static reader_state &state = *new reader_state();
  return state;
}

// What an operand of a statement is: label numbers and string numbers are
// offset by the bases of the file.
enum operand_role { ROLE_VALUE, ROLE_JUMP_LABEL, ROLE_SWITCH_CHAIN, ROLE_STRING };

struct statement_reader {
  lex_stream *s;
  vec *nodes;
  bool stopped;  // no further operand is read
  bool closed;   // the record's "]" was met where an operand was due
  int depth;
  const char *first;  // the expression's first token, when read already
};

int32_t offset_label(int64_t base, int64_t number, int64_t *highest) {
  int64_t label = base + number;
  if (label > *highest) *highest = label;
  return int32_t(uint32_t(uint64_t(label)));
}

void push_zero(statement_reader &r) { vec_push(r.nodes, tree_const(0)); }

// The string number of ":s", with the letters of its qualifiers after it.
void read_string_number(statement_reader &r, const char *tok) {
  char *end;
  long number = strtol(tok, &end, 10);
  if (end == tok) msg(730, tok);
  vec_push(r.nodes, tree_const(offset_label(rs().string_base, number, &rs().string_high)));
}

// The second operand of "?" must be the ":" of its two alternatives; what
// stands there instead becomes the first alternative of a ":" made for it.
void require_alternatives(statement_reader &r, uint32_t at) {
  const tree_node *second = static_cast<const tree_node *>(vec_get(r.nodes, at));
  if (second && second->op == OP_COLON) return;
  msg(714, "?");
  tree_node *colon = tree_node_new();
  colon->op = OP_COLON;
  colon->type = type_void();
  colon->height = 1;
  vec_insert(r.nodes, colon, at);
  push_zero(r);
}

// One operand in prefix order: its node, then its own operands.
void read_operand(statement_reader &r, operand_role role) {
  if (r.stopped) {
    push_zero(r);
    return;
  }
  const char *tok = r.first ? r.first : lex_token(r.s);
  r.first = nullptr;
  if (!tok || strcmp(tok, "]") == 0) {
    msg(714, tok ? tok : "end of input");
    r.stopped = r.closed = true;
    push_zero(r);
    return;
  }
  if (role == ROLE_STRING) {
    read_string_number(r, tok);
    return;
  }
  tree_node *n = lex_expr_token(r.s, tok);
  if (!n) {
    push_zero(r);
    return;
  }
  if (n->op == OP_CONST && (role == ROLE_JUMP_LABEL || role == ROLE_SWITCH_CHAIN))
    n->value = offset_label(rs().jump_base, n->value, &rs().jump_high);
  vec_push(r.nodes, n);
  uint32_t op = n->op;
  if (op_is_leaf(op)) return;
  if (++r.depth > READ_NESTING_LIMIT && !r.stopped) {
    msg(714, lextab[op]);
    r.stopped = true;
  }
  if (op_is_unary(op)) {
    operand_role inner = ROLE_VALUE;
    if (op == OP_JUMP || op == OP_JUMP_EXIT || op == OP_LABEL || op == OP_LABEL_EXIT) inner = ROLE_JUMP_LABEL;
    if (op == OP_STRING) inner = ROLE_STRING;
    read_operand(r, inner);
  } else {
    operand_role right = ROLE_VALUE;
    if (op == OP_CJUMP) right = ROLE_JUMP_LABEL;
    if (op == OP_SWITCH || (op == OP_COMMA && role == ROLE_SWITCH_CHAIN)) right = ROLE_SWITCH_CHAIN;
    read_operand(r, ROLE_VALUE);
    uint32_t at = vec_size(r.nodes);
    read_operand(r, right);
    if (op == OP_QUEST) require_alternatives(r, at);
  }
  r.depth--;
}

func_ctx *body_of(symbol *f) { return f->ctx ? f->ctx : new_func(f); }

// A statement of the current function, kept as read: the optimiser builds
// and rewrites every statement from these node lists in each of its passes,
// so rewriting here too would only make temporaries nothing uses. Comment
// lines read before it travel on its first node.
void add_statement(symbol *f, vec *nodes) {
  func_ctx *ctx = body_of(f);
  if (char *comment = tree_take_pending_comment()) {
    tree_node *first = static_cast<tree_node *>(vec_get(nodes, 0));
    xfree(first->comment);
    first->comment = comment;
  }
  cg_store_statement(ctx, nodes);
}

void read_statement(lex_stream *s) {
  symbol *f = sym_current_function();
  if (!f) {
    msg(714, "[e");
    lex_skip_record(s);
    return;
  }
  bool closed = false;
  vec *nodes = lex_read_expression(s, nullptr, &closed);
  if (!closed) lex_expect_close(s);
  add_statement(f, nodes);
}

}  // namespace

void lex_assembly_record(lex_stream *s) {
  tree_node *line = tree_asm_line(s);
  if (!line) return;
  if (symbol *f = sym_current_function()) {
    vec *nodes = vec_new_default();
    vec_push(nodes, tree_copy_node(line));
    tree_free(line);
    add_statement(f, nodes);
    return;
  }
  if (!model.feature_list_mode) cgen_statement(line, 0);
  tree_free(line);
}

namespace {

void end_function() {
  symbol *f = sym_current_function();
  if (f && f->ctx) {
    want_rewrite_routines(f);
    optim_add_function(f);
  }
  sym_set_current_function(nullptr);
  model.read_levels = 1;
  model.switch_strategy = 0;
  iset_clear(rset_function_used());
  iset_clear(rset_busy());
}

void close_scope() {
  if (sym_scope_level() <= 1) {
    msg(714, "}");
    return;
  }
  sym_scope_close();
  if (sym_scope_level() == 1) end_function();
}

bool is_library(const char *path) {
  size_t n = strlen(path);
  return n >= 4 && strcasecmp(path + n - 4, ".lpp") == 0;
}

void read_plain_input(FILE *fp, const char *name) {
  sym_set_position(name, 1);
  lex_stream *s = lex_open_file(fp, -1);
  lex_read_file(s);
  lex_close(s);
}

}  // namespace

vec *lex_read_expression(lex_stream *s, const char *first, bool *closed) {
  statement_reader r{s, vec_new_default(), false, false, 0, first};
  read_operand(r, ROLE_VALUE);
  if (closed) *closed = r.closed;
  return r.nodes;
}

void lex_read_records(lex_stream *s) {
  while (const char *tok = lex_token(s)) {
    switch (lex_keyword(tok)) {
      case OP_ASM:
        lex_assembly_record(s);
        break;
      case OP_REC_A:
        lex_string_record(s, rs().string_base, &rs().string_high);
        break;
      case OP_REC_C:
        decl_enum(s);
        break;
      case OP_REC_E:
        read_statement(s);
        break;
      case OP_REC_F:
        lex_skip_record(s);
        break;
      case OP_REC_I:
        lex_initialiser(s);
        break;
      case OP_REC_N:
        decl_names(s);
        break;
      case OP_REC_P:
        lex_directive(s);
        break;
      case OP_REC_S:
      case OP_REC_U:
        decl_struct(s, tok[1] == 'u');
        break;
      case OP_REC_V:
        decl_var(s);
        break;
      case OP_LBRACE:
        sym_scope_open();
        break;
      case OP_RBRACE:
        close_scope();
        break;
      default:
        msg(714, tok);
    }
  }
}

void lex_read_file(lex_stream *s) {
  if (s->file) {
    // The version line of a library module is stored plain.
    bool scrambled = s->descramble;
    s->descramble = false;
    lex_check_version(s);
    s->descramble = scrambled;
    s->counter = 0;
  }
  sym_scope_open();
  lex_read_records(s);
  if (sym_scope_level() > 1) {
    msg(714, "end of input");
    while (sym_scope_level() > 1) sym_scope_close();
    end_function();
  }
  sym_scope_close();
  lex_strings_end_of_file();
  rs().string_base = rs().string_high;
  rs().jump_base = rs().jump_high;
}

void lex_read_inputs(vec *paths) {
  vec *libraries = vec_new_default();
  if (!paths) {
    read_plain_input(stdin, "");
  } else {
    for (uint32_t k = 0; k < vec_size(paths); k++) {
      const char *path = static_cast<const char *>(vec_get(paths, k));
      if (is_library(path)) {
        vec_push(libraries, const_cast<char *>(path));
        continue;
      }
      FILE *fp = fopen(path, "rb");
      if (!fp) {
        msg(140, "intermediate", path);
        continue;
      }
      read_plain_input(fp, path);
      fclose(fp);
    }
  }
  lib_load_modules(libraries, lib_name_needed, lex_read_file);
  vec_free(libraries);
  lex_pool_strings();
  lex_class_objects();
}

int64_t lex_string_base() { return rs().string_base; }
int64_t lex_jump_base() { return rs().jump_base; }

void reader_reset() {
  rs() = reader_state();
  directive_reset();
  literals_reset();
  initdata_reset();
}
