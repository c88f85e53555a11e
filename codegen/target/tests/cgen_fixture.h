// What the code selection tests share: extern objects to name in trees.
#pragma once
#include "codegen/model/symbols.h"

inline symbol *extern_object(const char *name, ctype *type) {
  symbol *s = sym_new();
  sym_set_names(s, name);
  s->type = type;
  s->sclass = SC_EXTERN;
  return s;
}
