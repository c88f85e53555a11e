#include "codegen/model/tests/program_fixture.h"

#include <algorithm>
#include <cstring>
#include <random>
#include <sstream>

#include "codegen/model/callgraph.h"
#include "codegen/model/decl.h"
#include "codegen/model/lexin.h"
#include "codegen/model/optim.h"
#include "codegen/model/progstate.h"
#include "codegen/model/rewrite.h"
#include "codegen/model/tests/standin_target.h"
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

// An assembler line inside a function is a statement of its own.
void read_asm_line(lex_stream *s) {
  tree_node *t = tree_asm_line(s);
  symbol *f = sym_current_function();
  if (!t || !f) {
    tree_free(t);
    return;
  }
  func_ctx *ctx = f->ctx ? f->ctx : new_func(f);
  vec *nodes = vec_new_default();
  vec_push(nodes, tree_copy_node(t));
  vec_push(ctx->statements, t);
  cg_store_statement(ctx, nodes);
}

void read_directive(lex_stream *s) {
  const char *word = lex_token(s);
  if (word && word[0] == 'l') {
    const char *n = lex_token(s);
    if (n) model.read_levels |= 1u << (atoi(n) % 8);
  } else if (word && strcmp(word, "m") == 0) {
    optim_note_mainexit();
  }
  lex_skip_record(s);
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
    } else if (strcmp(tok, "[;") == 0) {
      read_asm_line(s);
    } else if (strcmp(tok, "[p") == 0) {
      read_directive(s);
    } else if (strcmp(tok, "[f") == 0) {
      lex_skip_record(s);
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

random_graph random_program(unsigned seed, unsigned functions, unsigned interrupts) {
  std::mt19937 rng(seed);
  auto pick = [&](unsigned n) { return unsigned(rng() % n); };
  random_graph g;
  g.functions = functions;
  g.calls.assign(functions, {});
  g.interrupt_level.assign(functions, 0);
  for (unsigned k = 1; k <= interrupts && k < functions; k++) g.interrupt_level[k] = 1 + (k - 1) % 2;
  std::vector<unsigned> params(functions);
  for (unsigned f = 0; f < functions; f++)
    if (f && !g.interrupt_level[f]) params[f] = pick(3);
  for (unsigned f = 0; f + 1 < functions; f++) {
    unsigned n = pick(4);
    for (unsigned c = 0; c < n; c++) {
      unsigned callee = f + 1 + pick(functions - f - 1);
      if (g.interrupt_level[callee]) continue;
      if (std::find(g.calls[f].begin(), g.calls[f].end(), callee) == g.calls[f].end()) g.calls[f].push_back(callee);
    }
  }
  static const char *const types[] = {"c", "i", "l", "uc"};
  std::ostringstream out;
  out << "[v _sink `Vl 1 e ]\n";
  // Declarations first, as the parser writes them for calls before definitions.
  for (unsigned f = 1; f < functions; f++) {
    std::string ptypes;
    for (unsigned p = 0; p < params[f]; p++) ptypes += "`i";
    out << "[v _f" << f << " `" << (g.interrupt_level[f] ? "I" : "") << "(v 0 e" << ptypes << " ]\n";
  }
  for (unsigned f = 0; f < functions; f++) {
    std::string name = f ? "_f" + std::to_string(f) : "_main";
    std::string ptypes;
    for (unsigned p = 0; p < params[f]; p++) ptypes += "`i";
    out << "[v " << name << " `" << (g.interrupt_level[f] ? "I" : "") << "(v 1 e" << ptypes << " ]\n{\n";
    if (g.interrupt_level[f] == 2) out << "[p l 2 ]\n";
    for (unsigned p = 0; p < params[f]; p++) out << "[v _p" << p << " `i 1 p ]\n";
    out << "[e :U " << name << " ]\n";
    unsigned autos = pick(4);
    for (unsigned a = 0; a < autos; a++) {
      out << "[v _a" << a << " `" << types[pick(4)] << " 1 a ]\n";
      out << "[e = _a" << a << " -> " << (1 + pick(9)) << " `i ]\n";
    }
    for (unsigned a = 0; a < autos; a++) out << "[e = _sink -> _a" << a << " `l ]\n";
    for (unsigned p = 0; p < params[f]; p++) out << "[e = _sink -> _p" << p << " `l ]\n";
    for (unsigned callee : g.calls[f]) {
      static const char *const arguments[] = {" ..", " (1 -> 1 `i", " (2 , -> 1 `i -> 2 `i"};
      out << "[e ( _f" << callee << arguments[params[callee]] << " ]\n";
    }
    out << "[e :UE " << (f + 1) << " ]\n}\n";
  }
  g.text = out.str();
  return g;
}
