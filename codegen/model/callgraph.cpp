#include "codegen/model/callgraph.h"

#include "codegen/model/symbols.h"
#include "codegen/model/types.h"
#include "common/vector.h"

namespace {

vec *without_body;

}  // namespace

void cg_note_callee(symbol *s) {
  if (!s || s->ctx || !type_is_function(s->type)) return;
  if (!without_body) without_body = vec_new_default();
  vec_push_unique(without_body, s);
}

vec *cg_functions_without_body() {
  if (!without_body) without_body = vec_new_default();
  return without_body;
}

void cg_reset() { vec_clear(cg_functions_without_body()); }

bool cg_args_overlap(symbol *, symbol *, uint32_t) { return false; }
