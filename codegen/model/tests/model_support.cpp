#include "codegen/model/tests/model_support.h"

#include <cstring>

#include "codegen/model/decl.h"
#include "codegen/model/lexin.h"

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
