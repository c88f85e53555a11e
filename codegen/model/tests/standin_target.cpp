// The stand-in for code selection and emission: it writes a short trace.
#include "codegen/model/tests/standin_target.h"

#include <unistd.h>

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

#include "codegen/model/bsr.h"
#include "codegen/model/ops.h"
#include "codegen/model/iset.h"
#include "codegen/model/progstate.h"
#include "codegen/model/ptrtargets.h"
#include "codegen/model/simplify.h"
#include "codegen/model/regs.h"
#include "codegen/model/symbols.h"
#include "codegen/model/target_services.h"
#include "codegen/model/tree.h"
#include "codegen/model/types.h"
#include "common/alert.h"
#include "common/vector.h"

standin_steering &standin_steer() {
  static standin_steering &steering = *new standin_steering();
  return steering;
}

std::string &standin_output() {
  static std::string text;
  return text;
}

tree_node *cgen_split_tree(tree_node *t) { return t && t->op == OP_ASM ? t : tree_simplify(t); }

namespace {

struct standin_state {
  bool capture;
  uint32_t template_extra;
  std::string processor;
  std::string selected = "text";
  std::string written;
};
standin_state &st() {
  static standin_state &state = *new standin_state();
  return state;
}

const char *psect_name(int kind, uint32_t qualifiers) {
  switch (kind) {
    case OUTPUT_FUNCTION_TEXT: return "text";
    case PSECT_DATA: return (qualifiers & Q_CONST) ? "const" : "data";
    case PSECT_IDATA: return "idata";
    case PSECT_STRINGS: return "strings";
    case PSECT_CONST: return "const";
  }
  return "bss";
}

// A data value as text: constants, addresses and their sums.
std::string value_text(const tree_node *t) {
  if (!t) return "?";
  switch (t->op) {
    case OP_CONST: return std::to_string(t->value);
    case OP_FCONST: {
      char buffer[40];
      snprintf(buffer, sizeof buffer, "%g", t->fvalue);
      return buffer;
    }
    case OP_ID: return sym_asm_name(t->sym);
    case OP_ADDR: return value_text(t->left);
    case OP_CONV: return value_text(t->left);
    case OP_ADD: return value_text(t->left) + "+" + value_text(t->right);
  }
  return lextab[t->op < OP_COUNT ? t->op : 0];
}

}  // namespace

void standin_capture(bool on) { st().capture = on; }

void standin_reset() {
  bool capture = st().capture;
  st() = standin_state();
  st().capture = capture;
}

void out_printf(const char *format, ...) {
  char buffer[4096];
  va_list args;
  va_start(args, format);
  vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  // Code generated only to be measured writes nothing.
  if (model.output_suppressed) return;
  if (st().capture)
    standin_output() += buffer;
  else
    fputs(buffer, stdout);
}

void emit_header() { out_printf("\tprocessor\t%s\n", st().processor.c_str()); }
void emit_end() { out_printf("\tend\n"); }

// The first description of the form "<processor>,<figures>..." names the chip.
void emit_parse_chip_option(const char *text) {
  const char *comma = strchr(text, ',');
  if (!st().processor.empty() || !comma || strchr(text, '=')) return;
  st().processor.assign(text, comma);
}

const char *emit_processor_name() { return st().processor.c_str(); }

void prog_interrupt(int) { _exit(151); }

// Every tree fits. A call clobbers what its callee uses (for a call through
// a pointer, what any target uses), as the call pattern of the real half
// says, so that no variable is kept in such a register across it.
bool cgen_match_tree(tree_node *t, uint32_t, regset *) {
  tree_find(t, t, [](tree_node *n, void *statement) {
    if (n->op != OP_CALL) return false;
    const regset *clobbered = nullptr;
    if (n->left && n->left->op == OP_ID && n->left->sym && type_is_function(n->left->sym->type))
      clobbered = n->left->sym->used_regs;
    else if (n->left)
      clobbered = sym_targets_regs(n->left->op == OP_DEREF ? n->left->left->targets : n->left->targets);
    if (!clobbered) return false;
    tree_node *s = static_cast<tree_node *>(statement);
    if (!s->sets[RS_USED]) s->sets[RS_USED] = iset_alloc();
    iset_union(s->sets[RS_USED], clobbered);
    return false;
  });
  return true;
}

void cgen_report_uncovered(tree_node *) { msg(712); }
const tree_node *cgen_failed_node() { return nullptr; }
bool cgen_search_exhausted() { return false; }

void cgen_statement(tree_node *t, int) {
  if (!t) return;
  if (standin_steer().statement) standin_steer().statement(t);
  if (standin_steer().template_extra > st().template_extra) st().template_extra = standin_steer().template_extra;
  tree_node *call = t;
  while (call && call->op != OP_CALL && op_is_binary(call->op)) call = call->right;
  if (call && call->op == OP_CALL) {
    bsr_call_entry(call);
    bsr_call_exit(call);
  }
  if (t->op == OP_INIT) {
    out_printf("\tdata%u\t%s\n", tree_size(t), value_text(t->left).c_str());
  } else if (t->op == OP_LABEL && t->left && t->left->op == OP_ID) {
    out_printf("%s:\n", sym_asm_name(t->left->sym));
  } else if (t->op == OP_LABEL && t->left && t->left->op == OP_CONST) {
    out_printf("l%d:\n", t->left->value);
  } else if (t->op == OP_ASM) {
    out_printf("%s\n", t->text ? t->text : "");
  } else {
    out_printf("\t; %s\n", lextab[t->op < OP_COUNT ? t->op : 0]);
  }
}

void cgen_emit_tree(tree_node *t, int flag) { cgen_statement(t, flag); }
void cgen_reset_function_counters() { st().template_extra = 0; }
uint32_t cgen_template_extra() { return st().template_extra; }

vec *emit_place_variables() { return standin_steer().place ? standin_steer().place() : vec_new_default(); }
bool emit_repin_stack() { return true; }

void emit_function_entry(int16_t, symbol *f) {
  f->save_bytes = standin_steer().save_bytes;
  bsr_forget(~0u);
  out_printf("\t; entry of %s\n", sym_asm_name(f));
}
void emit_function_exit(int16_t, uint32_t, uint32_t, symbol *) { out_printf("\treturn\n"); }

void emit_select_psect(int kind, uint32_t qualifiers) { st().selected = psect_name(kind, qualifiers); }
void emit_psect_for_data(symbol *, int kind, uint32_t qualifiers) { emit_select_psect(kind, qualifiers); }

void emit_psect(const char *name, int force) {
  std::string chosen = name ? name : st().selected;
  if (!force && chosen == st().written) return;
  st().written = chosen;
  out_printf("\tpsect\t%s\n", chosen.c_str());
}

void emit_line_directive(int line, const char *file, int) { out_printf("\tline\t%d\t; %s\n", line, file ? file : ""); }
void emit_reset_free_regs() { rset_reset_free_regs(sym_current_function()); }

void emit_label(symbol *s) {
  if (standin_steer().label) standin_steer().label(s);
  emit_psect(nullptr, 0);
  if (s->sclass == SC_EXTERN) out_printf("\tglobal\t%s\n", sym_asm_name(s));
  out_printf("%s:\n", sym_asm_name(s));
  s->flags |= SYM_DEFINED;
}

void emit_variable(symbol *s) {
  if (type_is_function(s->type)) return;
  emit_psect(nullptr, 0);
  if (s->sclass == SC_EXTERN) out_printf("\tglobal\t%s\n", sym_asm_name(s));
  if (s->flags & SYM_ABSOLUTE) {
    out_printf("%s\tequ\t%lu\n", sym_asm_name(s), (unsigned long)s->address);
  } else {
    out_printf("%s:\n\tds\t%u\n", sym_asm_name(s), type_size(s->type));
  }
  s->flags |= SYM_DEFINED;
}

void emit_reserve(uint32_t bytes) {
  if (standin_steer().reserve) standin_steer().reserve(bytes);
  if (bytes & 0xffff) out_printf("\tds\t%u\n", bytes & 0xffff);
}

void emit_global_equ(symbol *s) {
  out_printf("\tglobal\t%s\n", sym_asm_name(s));
  if ((s->flags & SYM_ABSOLUTE) && s->sclass == SC_EXTERN)
    out_printf("%s\tequ\t0x%lX\n", sym_asm_name(s), (unsigned long)s->address);
}

void emit_db_string(const uint8_t *bytes, uint32_t length) {
  if (standin_steer().bytes) standin_steer().bytes(bytes, length);
  std::string line = "\tdb\t";
  for (uint32_t k = 0; k < length; k++) line += (k ? "," : "") + std::to_string(int8_t(bytes[k]));
  out_printf("%s\n", line.c_str());
}

void emit_float_constant(uint32_t number, const char *text, uint32_t, uint32_t) {
  emit_select_psect(PSECT_CONST, 0);
  emit_psect(nullptr, 0);
  out_printf("e%u\n\tfcf\t%s\n", number, text);
}
