#include "codegen/model/tests/program_fixture.h"

#include <cstring>
#include <sstream>

#include "codegen/model/callgraph.h"
#include "codegen/model/decl.h"
#include "codegen/model/lexin.h"
#include "codegen/model/optim.h"
#include "codegen/model/progstate.h"
#include "codegen/model/rewrite.h"
#include "codegen/model/standin_target.h"
#include "codegen/model/symbols.h"
#include "codegen/model/tree.h"
#include "codegen/model/types.h"
#include "codegen/model/walk.h"
#include "common/alert.h"
#include "common/vector.h"

namespace {

void read_statement(lex_stream *s) {
  vec *nodes = vec_new_default();
  while (const char *tok = lex_token(s)) {
    if (strcmp(tok, "]") == 0) break;
    if (tree_node *n = lex_expr_token(s, tok)) vec_push(nodes, n);
  }
  symbol *f = sym_current_function();
  if (!f || !vec_size(nodes)) {
    vec_free(nodes);
    return;
  }
  func_ctx *ctx = f->ctx ? f->ctx : new_func(f);
  if (tree_node *t = tree_rebuild(nodes)) nodeRewrite(t, ctx->statements);
  cg_store_statement(ctx, nodes);
}

void skip_record(lex_stream *s) {
  while (const char *tok = lex_token(s))
    if (strcmp(tok, "]") == 0) break;
}

void read_directive(lex_stream *s) {
  const char *word = lex_token(s);
  if (word && word[0] == 'l') {
    const char *n = lex_token(s);
    if (n) model.read_levels |= 1u << (atoi(n) % 8);
  } else if (word && strcmp(word, "m") == 0) {
    optim_note_mainexit();
  }
  skip_record(s);
}

}  // namespace

void program_read(const char *text) {
  lex_stream *s = lex_open_text(text);
  while (const char *tok = lex_token(s)) {
    if (strcmp(tok, "[v") == 0) {
      decl_var(s);
    } else if (strcmp(tok, "[s") == 0 || strcmp(tok, "[u") == 0) {
      decl_struct(s, tok[1] == 'u');
    } else if (strcmp(tok, "[e") == 0) {
      read_statement(s);
    } else if (strcmp(tok, "[p") == 0) {
      read_directive(s);
    } else if (strcmp(tok, "[f") == 0) {
      skip_record(s);
    } else if (strcmp(tok, "{") == 0) {
      sym_scope_open();
    } else if (strcmp(tok, "}") == 0) {
      sym_scope_close();
      if (sym_scope_level() <= 1) {
        if (symbol *f = sym_current_function(); f && f->ctx) optim_add_function(f);
        sym_set_current_function(nullptr);
        model.read_levels = 1;
      }
    } else {
      msg(714, tok);
    }
  }
  lex_close(s);
  // File-level objects are uninitialised data unless a test says otherwise.
  vec *globals = sym_global_objects();
  for (uint32_t k = 0; k < vec_size(globals); k++) {
    symbol *o = static_cast<symbol *>(vec_get(globals, k));
    if (type_is_function(o->type) || o->object_list) continue;
    if (o->sclass != SC_EXTERN && o->sclass != SC_STATIC) continue;
    program_object(o->name, OBJ_UNINITIALISED);
  }
}

void program_object(const char *name, unsigned list) {
  symbol *o = sym_find(name);
  if (!o) return;
  if (o->object_list) vec_remove(optim_object_list(o->object_list), o);
  o->object_list = uint8_t(list);
  vec_push(optim_object_list(uint8_t(list)), o);
}

std::string program_run(int *status) {
  standin_capture(true);
  standin_output().clear();
  int result = optim_program();
  if (status) *status = result;
  return standin_output();
}

std::vector<std::string> lines_starting(const std::string &text, std::vector<std::string> prefixes) {
  std::vector<std::string> out;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    std::string body = line[0] == '\t' ? line.substr(1) : line;
    for (const std::string &p : prefixes)
      if (body.compare(0, p.size(), p) == 0) {
        out.push_back(body);
        break;
      }
  }
  return out;
}

symbol *program_symbol(const char *name) { return sym_find(name); }
