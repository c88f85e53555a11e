#include "codegen/target/emitmin.h"

#include <cstring>
#include <string>

#include "codegen/model/bsr.h"
#include "codegen/model/symbols.h"
#include "codegen/model/target_services.h"
#include "codegen/model/types.h"
#include "common/vector.h"

namespace {

struct emit_state {
  std::string processor;
  std::string selected = "text";
  std::string written;
  bool switch_pending = false;  // a psect was chosen and not yet declared
};
emit_state &st() {
  static emit_state &state = *new emit_state();
  return state;
}

const char *psect_of_kind(int kind, uint32_t qualifiers) {
  switch (kind) {
    case OUTPUT_FUNCTION_TEXT: return "text";
    case PSECT_DATA: return (qualifiers & Q_CONST) ? "const" : "data";
    case PSECT_IDATA: return "idata";
    case PSECT_STRINGS: return "strings";
    case PSECT_CONST: return "const";
  }
  return "bss";
}

// Declares the chosen psect in front of what follows when it changed.
void declare_psect() {
  emit_state &s = st();
  s.switch_pending = false;
  if (s.selected == s.written) return;
  s.written = s.selected;
  out_printf("\tpsect\t%s\n", s.written.c_str());
}

void global_line(symbol *s) {
  if (s->sclass == SC_EXTERN) out_printf("\tglobal\t%s\n", sym_asm_name(s));
}

}  // namespace

void emitmin_reset() { st() = emit_state(); }

void emit_header() { out_printf("\tprocessor\t%s\n", st().processor.c_str()); }
void emit_end() { out_printf("\tend\n"); }

// The first description "<processor>,<figures>..." names the chip.
void emit_parse_chip_option(const char *text) {
  const char *comma = strchr(text, ',');
  if (!st().processor.empty() || !comma || strchr(text, '=')) return;
  st().processor.assign(text, comma);
}

const char *emit_processor_name() { return st().processor.c_str(); }

vec *emit_place_variables() { return vec_new_default(); }

void emit_function_entry(int16_t, symbol *f) {
  bsr_forget(~0u);
  declare_psect();
  out_printf("\t; entry of %s\n", sym_asm_name(f));
}

void emit_function_exit(int16_t, uint32_t, uint32_t, symbol *) { out_printf("\treturn\n"); }

void emit_select_psect(int kind, uint32_t qualifiers) {
  st().selected = psect_of_kind(kind, qualifiers);
  st().switch_pending = st().selected != st().written;
}

void emit_psect_for_data(symbol *, int kind, uint32_t qualifiers) { emit_select_psect(kind, qualifiers); }

// With no name: the switch asked for, when one is pending (the output
// buffer asks before every line).
void emit_psect(const char *name, int force) {
  emit_state &s = st();
  if (!name && !force) {
    if (s.switch_pending) declare_psect();
    return;
  }
  std::string chosen = name ? name : s.selected;
  if (!force && chosen == s.written) return;
  s.written = chosen;
  s.switch_pending = false;
  out_printf("\tpsect\t%s\n", chosen.c_str());
}

void emit_line_directive(int line, const char *file, int) { out_printf("\tline\t%d\t; %s\n", line, file ? file : ""); }
void emit_reset_free_regs() {}

void emit_label(symbol *s) {
  declare_psect();
  global_line(s);
  out_printf("%s:\n", sym_asm_name(s));
  s->flags |= SYM_DEFINED;
}

void emit_variable(symbol *s) {
  if (type_is_function(s->type)) return;
  declare_psect();
  global_line(s);
  if (s->flags & SYM_ABSOLUTE)
    out_printf("%s\tequ\t%lu\n", sym_asm_name(s), (unsigned long)s->address);
  else
    out_printf("%s:\n\tds\t%u\n", sym_asm_name(s), type_size(s->type));
  s->flags |= SYM_DEFINED;
}

void emit_reserve(uint32_t bytes) {
  if (bytes & 0xffff) out_printf("\tds\t%u\n", bytes & 0xffff);
}

void emit_global_equ(symbol *s) {
  out_printf("\tglobal\t%s\n", sym_asm_name(s));
  if ((s->flags & SYM_ABSOLUTE) && s->sclass == SC_EXTERN)
    out_printf("%s\tequ\t0x%lX\n", sym_asm_name(s), (unsigned long)s->address);
}

void emit_db_string(const uint8_t *bytes, uint32_t length) {
  std::string line = "\tdb\t";
  for (uint32_t k = 0; k < length; k++) line += (k ? "," : "") + std::to_string(int8_t(bytes[k]));
  out_printf("%s\n", line.c_str());
}

void emit_float_constant(uint32_t number, const char *text, uint32_t, uint32_t) {
  emit_select_psect(PSECT_CONST, 0);
  declare_psect();
  out_printf("e%u\n\tfcf\t%s\n", number, text);
}
