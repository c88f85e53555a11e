#include "codegen/model/tests/model_support.h"

#include <cstring>

#include "codegen/model/decl.h"
#include "codegen/model/lexin.h"
#include "codegen/model/rewrite.h"
#include "codegen/model/treetext.h"
#include "codegen/model/tree.h"
#include "codegen/model/walk.h"
#include "common/vector.h"

void read_records(const char *text) {
  lex_stream *s = lex_open_text(text);
  while (const char *tok = lex_token(s)) {
    if (strcmp(tok, "[v") == 0)
      decl_var(s);
    else if (strcmp(tok, "[s") == 0 || strcmp(tok, "[u") == 0)
      decl_struct(s, tok[1] == 'u');
    else if (strcmp(tok, "[c") == 0)
      decl_enum(s);
    else if (strcmp(tok, "[n") == 0)
      decl_names(s);
    else if (strcmp(tok, "{") == 0)
      sym_scope_open();
    else if (strcmp(tok, "}") == 0) {
      sym_scope_close();
      if (sym_scope_level() <= 1) sym_set_current_function(nullptr);
    } else
      msg(714, tok);
  }
  lex_close(s);
}

tree_node *read_expression(const char *text) {
  lex_stream *s = lex_open_text(text);
  tree_node *t = tree_read(s);
  lex_close(s);
  return t;
}

std::string rewrite_text(const char *text) {
  vec *list = vec_new_default();
  nodeRewrite(read_expression(text), list);
  std::string out;
  for (uint32_t k = 0; k < vec_size(list); k++) {
    tree_node *t = static_cast<tree_node *>(vec_get(list, k));
    out += tree_text(t) + "\n";
    tree_free(t);
  }
  vec_free(list);
  return out;
}

void next_position() {
  static int line;
  sym_set_position("case.c", ++line);
}
