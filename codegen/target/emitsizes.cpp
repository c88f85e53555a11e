// The target's answers on types and symbols until the PIC18 emitter gives
// its own: pointers of two bytes, enums of one or two bytes by their range,
// one memory-space symbol for data and one for program memory.
#include "codegen/model/symbols.h"
#include "codegen/model/target_services.h"
#include "codegen/model/types.h"

void emit_target_types_init() {}
uint32_t emit_code_ptr_size() { return 2; }
char emit_pointer_kind(ptr_targets *) { return 0; }
uint32_t emit_pointer_size(ptr_targets *) { return 2; }

symbol *emit_space_target(ctype *pointee, ctype *, int) {
  bool in_code = type_qualifiers(pointee) & Q_CONST;
  const char *name = in_code ? "__space_code" : "__space_data";
  if (symbol *s = sym_find(name)) return s;
  return sym_new_area(name, in_code ? uint32_t(Q_CONST) : 0u, 0, 0);
}

void emit_enum_range(ctype *t, int32_t min, int32_t max) {
  bool byte = (min >= -128 && max <= 127) || (min >= 0 && max <= 255);
  t->size = byte ? 1 : 2;
  t->arith = min < 0 ? ARITH_SIGNED : ARITH_UNSIGNED;
}

uint32_t emit_small_size(symbol *s) {
  uint32_t size = type_size(s->type);
  return size < 4 ? size : 0;
}

void emit_check_decl(symbol *) {}
