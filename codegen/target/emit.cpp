#include "codegen/target/emit.h"

#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "codegen/model/bsr.h"
#include "codegen/model/codrel.h"
#include "codegen/model/directive.h"
#include "codegen/model/iset.h"
#include "codegen/model/optim.h"
#include "codegen/model/progstate.h"
#include "codegen/model/regs.h"
#include "codegen/model/stack.h"
#include "codegen/model/symbols.h"
#include "codegen/model/target_services.h"
#include "codegen/model/types.h"
#include "codegen/target/asmbuf.h"
#include "codegen/target/emitq.h"
#include "codegen/target/macros.h"
#include "codegen/target/memmodel.h"
#include "codegen/target/peephole.h"
#include "common/alert.h"
#include "common/lists.h"
#include "common/vector.h"

// The flags of a psect the start-up module also declares are the start-up
// module's, so that a link of both draws no conflict.
const emit_psect_row emit_psect_table[PS_COUNT] = {
    {"", ""},
    {"farbss", "class=FARRAM,space=0,reloc=2,delta=1"},
    {"fardata", "class=FARRAM,space=0,reloc=2,delta=1"},
    {"ifardata", "class=CODE,space=0,reloc=2,delta=1"},
    {"bss", "class=RAM,space=1"},
    {"text%u", "class=CODE,space=0,reloc=2,delta=1"},
    {"abstext", "class=CODE,space=0,reloc=2,delta=1"},
    {"data", "class=RAM,space=1"},
    {"idata", "class=CODE,space=0,reloc=2"},
    {"rbss", "class=COMRAM,space=1"},
    {"strings", "class=CODE,space=0,reloc=2,delta=1"},
    {"smallconst", "class=SMALLCONST,delta=1,reloc=2"},
    {"mediumconst", "class=MEDIUMCONST,delta=1,reloc=2"},
    {"const", "class=CODE,delta=1,reloc=2"},
    {"switchtable", "class=CODE,space=0,reloc=2,delta=1"},
    {"nvram", "class=NVRAM,space=1"},
    {"rbit", "class=COMRAM,bit,space=1"},
    {"intcode", "class=CODE,delta=1,reloc=2"},
    {"intcodelo", "class=CODE,delta=1,reloc=2"},
    {"intentry", "class=CODE,delta=1,reloc=2"},
    {"rdata", "class=COMRAM,space=1"},
    {"irdata", "class=CODE,space=0,reloc=2"},
    {"intsave_regs", "class=BIGRAM,space=1"},
    {"intret", "class=CODE,delta=1,reloc=2"},
    {"bigbss", "class=BIGRAM,space=1"},
    {"bigdata", "class=BIGRAM,space=1"},
    {"ibigdata", "class=CODE,space=0,reloc=2"},
    {"nvrram", "class=COMRAM,space=1"},
    {"nvbit", "class=COMRAM,bit,space=1"},
};

namespace {

struct sfr {
  const char *name;
  uint16_t address;
};
const sfr sfr_table[] = {
    {"porta", 0xF80},    {"portb", 0xF81},    {"portc", 0xF82},    {"portd", 0xF83},   {"porte", 0xF84},
    {"lata", 0xF89},     {"latb", 0xF8A},     {"latc", 0xF8B},     {"latd", 0xF8C},    {"late", 0xF8D},
    {"trisa", 0xF92},    {"trisb", 0xF93},    {"trisc", 0xF94},    {"trisd", 0xF95},   {"trise", 0xF96},
    {"pie1", 0xF9D},     {"pir1", 0xF9E},     {"ipr1", 0xF9F},     {"pie2", 0xFA0},    {"pir2", 0xFA1},
    {"ipr2", 0xFA2},     {"t3con", 0xFB1},    {"tmr3l", 0xFB2},    {"tmr3h", 0xFB3},   {"ccp1con", 0xFBD},
    {"ccpr1l", 0xFBE},   {"ccpr1h", 0xFBF},   {"adcon1", 0xFC1},   {"adcon0", 0xFC2},  {"adresl", 0xFC3},
    {"adresh", 0xFC4},   {"sspcon2", 0xFC5},  {"sspcon1", 0xFC6},  {"sspstat", 0xFC7}, {"sspadd", 0xFC8},
    {"sspbuf", 0xFC9},   {"t2con", 0xFCA},    {"pr2", 0xFCB},      {"tmr2", 0xFCC},    {"t1con", 0xFCD},
    {"tmr1l", 0xFCE},    {"tmr1h", 0xFCF},    {"rcon", 0xFD0},     {"wdtcon", 0xFD1},  {"lvdcon", 0xFD2},
    {"osccon", 0xFD3},   {"t0con", 0xFD5},    {"tmr0l", 0xFD6},    {"tmr0h", 0xFD7},   {"status", 0xFD8},
    {"fsr2", 0xFD9},     {"fsr2l", 0xFD9},    {"fsr2h", 0xFDA},    {"plusw2", 0xFDB},  {"preinc2", 0xFDC},
    {"postdec2", 0xFDD}, {"postinc2", 0xFDE}, {"indf2", 0xFDF},    {"bsr", 0xFE0},     {"fsr1", 0xFE1},
    {"fsr1l", 0xFE1},    {"fsr1h", 0xFE2},    {"plusw1", 0xFE3},   {"preinc1", 0xFE4}, {"postdec1", 0xFE5},
    {"postinc1", 0xFE6}, {"indf1", 0xFE7},    {"wreg", 0xFE8},     {"fsr0", 0xFE9},    {"fsr0l", 0xFE9},
    {"fsr0h", 0xFEA},    {"plusw0", 0xFEB},   {"preinc0", 0xFEC},  {"postdec0", 0xFED}, {"postinc0", 0xFEE},
    {"indf0", 0xFEF},    {"intcon3", 0xFF0},  {"intcon2", 0xFF1},  {"intcon", 0xFF2},  {"prod", 0xFF3},
    {"prodl", 0xFF3},    {"prodh", 0xFF4},    {"tablat", 0xFF5},   {"tblptr", 0xFF6},  {"tblptrl", 0xFF6},
    {"tblptrh", 0xFF7},  {"tblptru", 0xFF8},  {"pcl", 0xFF9},      {"pclat", 0xFFA},   {"pclath", 0xFFA},
    {"pclatu", 0xFFB},   {"stkptr", 0xFFC},   {"tosl", 0xFFD},     {"tosh", 0xFFE},    {"tosu", 0xFFF},
};

// Registers an interrupt function saves, in entry order: the register, its
// byte, and the register number that marks it used.
struct saved_reg {
  const char *name;
  int byte;
  uint32_t reg;
};
const saved_reg interrupt_saves[] = {
    {"status", 0, REG_STATUS}, {"wreg", 0, REG_WREG},      {"bsr", 0, REG_BSR},          {"pclat", 0, REG_PCLAT},
    {"pclat", 1, REG_PCLAT},   {"fsr0l", 0, REG_FSR0L},    {"fsr0h", 0, REG_FSR0H},      {"fsr1l", 0, REG_FSR1L},
    {"fsr1h", 0, REG_FSR1H},   {"fsr2l", 0, REG_FSR2L},    {"fsr2h", 0, REG_FSR2H},      {"prodl", 0, REG_PRODL},
    {"prodh", 0, REG_PRODH},   {"tblptrl", 0, REG_TBLPTRL}, {"tblptrh", 0, REG_TBLPTRH}, {"tblptru", 0, REG_TBLPTRU},
};
constexpr size_t SAVE_COUNT = sizeof interrupt_saves / sizeof interrupt_saves[0];
constexpr uint32_t ERRATA_FILLER = 1, ERRATA_SHADOW = 2;

struct emit_state {
  int selected = 0;
  int written = 0;
  bool pending = false;             // a psect was selected and not yet written
  unsigned text_number = 0;
  std::string last_file;
  int last_line = 0;
  symbol *function = nullptr;
  bool smallconst_reserved = false;
  std::set<std::string> declared;   // psect names written with their flags
  std::set<symbol *> globals;       // symbols given their global directive
  std::map<std::string, uint32_t> save_areas;  // interrupt functions' save areas and their bytes
  std::vector<symbol *> fp_targets;
  std::vector<bool> saved;          // per interrupt_saves row, of the current function
  uint32_t save_count = 0;
  uint32_t struct_return = 0;
};
emit_state &st() {
  static emit_state &state = *new emit_state();
  return state;
}

bool interrupt_function(symbol *f) { return f && (type_qualifiers(f->type) & Q_INTERRUPT); }
bool low_priority(symbol *f) { return f && (type_qualifiers(f->type) & Q_LOW_PRIORITY); }
bool errata(uint32_t bit) { return emit_chip().options[0] & bit; }

// A low-priority interrupt also loads the shadow registers, so only a
// high-priority level alone may return through them.
bool program_has_low_priority() {
  vec *fs = optim_functions();
  for (uint32_t k = 0; fs && k < vec_size(fs); k++) {
    symbol *f = static_cast<symbol *>(vec_get(fs, k));
    if (interrupt_function(f) && low_priority(f)) return true;
  }
  return false;
}
bool uses_shadow(symbol *f) { return interrupt_function(f) && !low_priority(f) && !program_has_low_priority(); }

std::string psect_name(int number) {
  symbol *f = sym_current_function();
  if (number == PS_ABSTEXT && f) return std::string(sym_asm_name(f)) + "_text";
  const char *name = psect_rename(emit_psect_table[number].name);
  char text[128];
  snprintf(text, sizeof text, name, st().text_number);
  return text;
}

void write_psect(int number) {
  emit_state &s = st();
  s.written = number;
  s.pending = false;
  const char *table_name = emit_psect_table[number].name;
  const char *renamed = psect_rename(table_name);
  std::string name = psect_name(number);
  if (!s.declared.insert(name).second) {
    out_printf("        psect   %s\n", name.c_str());
  } else {
    const char *flags = emit_psect_table[number].flags;
    if (strcmp(renamed, table_name) != 0) {
      if (!strncmp(flags, "local", 5)) flags += 5;
      if (*flags == ',') flags++;
    }
    out_printf("        psect   %s,%s\n", name.c_str(), flags);
    if (number == PS_TEXT) out_printf("\n\topt %s\n", "pm");
  }
  if (number == PS_SMALLCONST && !s.smallconst_reserved) {
    s.smallconst_reserved = true;
    out_printf("\tdb\t0\t;reserve\n");
  }
}

void zero_bytes(uint32_t n) {
  for (uint32_t k = 0; k < n; k++) out_printf("\tdb   %u\n", 0u);
}

// Zero bytes in the image psect of a data psect, then back.
void image_zeros(int data, int image, uint32_t n) {
  emit_select_psect(image, 0);
  emit_psect(nullptr, 1);
  zero_bytes(n);
  emit_select_psect(data, 0);
  emit_psect(nullptr, 1);
}

void jump_out(symbol *f, const char *target) {
  if (errata(ERRATA_SHADOW) && interrupt_function(f) && !low_priority(f))
    out_printf("\tcall\t%s,f\t;refresh shadow registers\n", target);
  else
    out_printf("\tgoto\t%s\n", target);
}

// An interrupt function saves registers into an area of its own in the
// intsave_regs psect: in its auto area the saves of two interrupt levels
// would be overlaid when both hang under one root of the call graph, and a
// high-priority interrupt of a low-priority one would overwrite what that
// one saved.
std::string save_area(symbol *f) { return std::string("__save") + sym_asm_name(f); }

bool must_save(symbol *f, size_t row) {
  const saved_reg &r = interrupt_saves[row];
  if (r.reg == REG_STATUS || r.reg == REG_WREG || r.reg == REG_BSR) return !uses_shadow(f);
  // Any byte of a pair marks the pair used.
  return f->used_regs && (iset_member(f->used_regs, r.reg) ||
                          (r.reg == REG_PCLAT && iset_member(f->used_regs, REG_PCLAT)));
}

void interrupt_entry(symbol *f) {
  emit_state &s = st();
  bool low = low_priority(f);
  emit_select_psect(low ? PS_INTCODELO : PS_INTCODE, 0);
  emit_psect(nullptr, 1);
  out_printf(low ? "\tglobal\tint_funclo\nint_funclo:\n" : "\tglobal\tint_func\nint_func:\n");
  uint32_t words = 0;
  if (errata(ERRATA_FILLER)) out_printf("\tdw\t0FFFFh\n"), words++;
  bool in_vector = true;
  std::string area = save_area(f);
  s.saved.assign(SAVE_COUNT, false);
  s.save_count = 0;
  for (size_t row = 0; row < SAVE_COUNT; row++) {
    if (!must_save(f, row)) continue;
    if (in_vector && (words == 5 || words == 6)) {
      // The saves that do not fit in the vector run in the function's
      // text, before its body: the jump goes to them.
      std::string rest = "l" + std::to_string(emit_new_label());
      jump_out(f, rest.c_str());
      in_vector = false;
      emit_select_psect(OUTPUT_FUNCTION_TEXT, 0);
      out_printf("%s:\n", rest.c_str());
      if (errata(ERRATA_FILLER)) out_printf("\tdw\t0FFFFh\n"), words++;
    }
    const saved_reg &r = interrupt_saves[row];
    out_printf("\tmovff\t%s+%d,%s+%u\n", r.name, r.byte, area.c_str(), s.save_count);
    s.saved[row] = true;
    s.save_count++;
    words += 2;
  }
  if (in_vector) {
    jump_out(f, sym_asm_name(f));
    emit_select_psect(OUTPUT_FUNCTION_TEXT, 0);
  }
}

void interrupt_exit(symbol *f) {
  emit_state &s = st();
  std::string area = save_area(f);
  uint32_t k = s.save_count;
  for (size_t row = SAVE_COUNT; row-- > 0;) {
    if (row >= s.saved.size() || !s.saved[row]) continue;
    const saved_reg &r = interrupt_saves[row];
    out_printf("\tmovff\t%s+%u,%s+%d\n", area.c_str(), --k, r.name, r.byte);
  }
  out_printf(uses_shadow(f) ? "\tretfie f\n" : "\tretfie\n");
  if (errata(ERRATA_FILLER)) out_printf("\tdw\t0FFFFh\n");
}

uint32_t stack_figure(symbol *f) {
  return sym_compile_levels() >= 2 ? f->depth_int : f->depth_main;
}

}  // namespace

void emit_reset() { st() = emit_state(); }
int emit_selected_psect() { return st().selected; }
void emit_note_struct_return(uint32_t bytes) {
  if (bytes > st().struct_return) st().struct_return = bytes;
}

void emit_header() {
  out_printf("\tprocessor\t%s\n", emit_processor_name());
  for (const sfr &r : sfr_table) out_printf("%s\tequ\t0%Xh\n", r.name, unsigned(r.address));
  out_printf("\tglobal\t__ramtop\n\tglobal\t__accesstop\n");
  st().written = 0;
  mode_word |= MODE_AUTOSTATIC;
}

void emit_select_psect(int kind, uint32_t qualifiers) {
  int number = kind;
  if (kind == OUTPUT_FUNCTION_TEXT) {
    symbol *f = sym_current_function();
    number = f && (f->flags & SYM_ABSOLUTE) && !interrupt_function(f) ? int(PS_ABSTEXT) : int(PS_TEXT);
  } else if (kind == PSECT_DATA) {
    number = (qualifiers & Q_CONST) ? int(PSECT_CONST)
             : (qualifiers & Q_FAR) ? int(PS_FARDATA)
             : (qualifiers & Q_NEAR) ? int(PS_RDATA)
                                     : int(PS_DATA);
  }
  if (number == PSECT_CONST) {
    int m = memmodel_const_model();
    number = m == CONST_SMALL ? PS_SMALLCONST : m == CONST_MEDIUM ? PS_MEDIUMCONST : PS_CONST;
  }
  if (number <= 0 || number >= PS_COUNT) return;
  emit_state &s = st();
  s.selected = number;
  s.pending = !s.written || psect_name(number) != psect_name(s.written) || number != s.written;
}

void emit_psect_for_data(symbol *s, int kind, uint32_t qualifiers) {
  bool far = type_qualifiers(s->type) & Q_FAR;
  if (kind == PSECT_DATA && !(s->flags & (SYM_ABSOLUTE | SYM_PLACED)))
    far ? emit_select_psect(PS_FARDATA, 0) : emit_select_psect(PSECT_DATA, qualifiers);
  else if (kind == PSECT_IDATA)
    emit_select_psect(far ? PS_IFARDATA : PS_IDATA, 0);
}

// A name overrides the selection; with none, a psect selected since the
// last one written is written (or the selected one always, forced). Lines
// after a function's exit (its end label) stay in its psect until another
// selection.
void emit_psect(const char *name, int force) {
  if (model.output_suppressed) return;
  emit_state &s = st();
  if (name) {
    for (int k = 1; k < PS_COUNT; k++)
      if (psect_name(k) == name) emit_select_psect(k, 0);
  }
  if (s.selected && (force || s.pending)) write_psect(s.selected);
}

void emit_reserve(uint32_t bytes) {
  uint32_t n = bytes & 0xffff;
  if (!n) return;
  switch (int p = st().selected) {
    case PS_FARDATA: out_printf("\talign\t2\n\tds   %u\n", n); return image_zeros(p, PS_IFARDATA, n);
    case PS_DATA: out_printf("\tds   %u\n", n); return image_zeros(p, PS_IDATA, n);
    case PS_RDATA: out_printf("\tds   %u\n", n); return image_zeros(p, PS_IRDATA, n);
    case PS_BIGDATA: out_printf("\tds   %u\n", n); return image_zeros(p, PS_IBIGDATA, n);
    case PS_IFARDATA: case PS_IDATA: case PS_STRINGS: case PS_SMALLCONST: case PS_MEDIUMCONST: case PS_CONST:
    case PS_SWITCHTABLE: case PS_IRDATA: case PS_IBIGDATA: return zero_bytes(n);
  }
  out_printf("\tds   %u\n", n);
}

void emit_label(symbol *s) {
  if (s->sclass == SC_EXTERN && st().globals.insert(s).second) out_printf("\tglobal\t%s\n", sym_asm_name(s));
  out_printf("%s:\n", sym_asm_name(s));
  s->flags |= SYM_DEFINED;
}

void emit_variable(symbol *s) {
  if (type_is_function(s->type)) return;
  bool bit = type_arith(s->type) == ARITH_BIT;
  uint32_t q = type_qualifiers(s->type);
  if ((q & Q_PERSISTENT) && !(s->flags & SYM_ABSOLUTE)) {
    emit_select_psect(bit ? PS_NVBIT : (q & Q_NEAR) ? PS_NVRRAM : PS_NVRAM, 0);
    emit_psect(nullptr, 0);
  }
  if (s->sclass == SC_EXTERN) {
    out_printf("\tglobal\t%s\n", sym_asm_name(s));
    st().globals.insert(s);
  }
  if (!(s->flags & SYM_ABSOLUTE)) {
    emit_label(s);
    out_printf("\tds\t%u\n", bit ? 1u : type_size(s->type));
  } else {
    out_printf("%s\tequ\t%lu\n", sym_asm_name(s), (unsigned long)s->address);
    // The linker keeps its psects off every variable placed here.
    uint32_t byte = uint32_t(bit ? s->address / 8 : s->address);
    mem_class *big = memmodel_data_class("BIGRAM");
    if ((s->flags & SYM_PLACED) || (big && rng_contains(byte, big)))
      out_printf("\n\tDABS\t1,%lu,%u\t;%s\n", (unsigned long)byte, bit ? 1u : type_size(s->type), sym_asm_name(s));
  }
  s->flags |= SYM_DEFINED;
}

void emit_global_equ(symbol *s) {
  out_printf("\tglobal\t%s\n", sym_asm_name(s));
  if ((s->flags & SYM_ABSOLUTE) && s->sclass == SC_EXTERN)
    out_printf("%s\tequ\t0x%lX\n", sym_asm_name(s), (unsigned long)s->address);
}

void emit_line_directive(int line, const char *file, int force) {
  emit_state &s = st();
  std::string path = std::string(file ? file : "").substr(0, 79);
  if (force || path != s.last_file) {
    out_printf("\tfile\t\"%s\"\n", path.c_str());
    s.last_file = path;
    s.last_line = 0;
  }
  if (line != s.last_line) out_printf("\tline\t%d\n", line);
  s.last_line = line;
}

void emit_reset_free_regs() { rset_reset_free_regs(sym_current_function()); }

void emit_db_string(const uint8_t *bytes, uint32_t length) {
  for (uint32_t k = 0; k < length; k++) {
    int8_t b = int8_t(bytes[k]);
    if (bytes[k] >= '0' && bytes[k] <= 'z')
      out_printf("\tdb\t%d\t;'%c'\n", b, bytes[k]);
    else
      out_printf("\tdb\t%d\n", b);
  }
}

void emit_float_constant(uint32_t number, const char *text, uint32_t, uint32_t) {
  emit_select_psect(PSECT_CONST, 0);
  emit_psect(nullptr, 0);
  out_printf("e%u\n  fcf     %s\n", number, text);
}

void emit_function_entry(int16_t, symbol *f) {
  emit_state &s = st();
  // The function's code is improved as a whole before it is written.
  if (!model.output_suppressed) out_hold();
  s.function = f;
  uint32_t depth = emit_chip().options[1];
  if (emit_chip().options[2] && (depth < f->depth_main || depth < f->depth_int)) msg(1258, sym_asm_name(f));
  if ((f->flags & SYM_ABSOLUTE) && !interrupt_function(f))
    out_printf("\tglobal %s_absaddr\n\t%s_absaddr equ 0x%X\n", sym_asm_name(f), sym_asm_name(f),
               unsigned(f->address & ~0xFull));
  int32_t left = int32_t(depth) - int32_t(stack_figure(f));
  out_printf("\topt stack %d\n", left < 0 ? 0 : left);
  if (!model.output_suppressed && (f->flags2 & SYM2_ADDRESS_TAKEN)) {
    bool known = false;
    for (symbol *t : s.fp_targets) known |= t == f;
    if (!known) s.fp_targets.push_back(f);
  }
  if (interrupt_function(f) || (f->flags & SYM_MAINEXIT)) bsr_forget(15);
  s.saved.clear();
  s.save_count = 0;
  if (interrupt_function(f)) interrupt_entry(f);
  if (interrupt_function(f)) s.save_areas[save_area(f)] = s.save_count;
  emit_select_psect(OUTPUT_FUNCTION_TEXT, 0);
  for (uint32_t k = 0; k < copt.interrupt_fillers || (errata(ERRATA_FILLER) && k == 0); k++) out_printf("\tdw\t0FFFFh\n");
}

void emit_function_exit(int16_t, uint32_t, uint32_t, symbol *f) {
  emit_select_psect(OUTPUT_FUNCTION_TEXT, 0);
  if (interrupt_function(f)) {
    interrupt_exit(f);
  } else if (f->flags & SYM_MAINEXIT) {
    out_printf("\tglobal\tstart\n\tgoto\tstart\n");
  } else {
    out_printf("\treturn\n");
    if (errata(ERRATA_FILLER)) out_printf("\tdw\t0FFFFh\n");
  }
  out_printf("\topt stack 0\n");
  out_release_held(peep_function);
  if (!model.output_suppressed) st().text_number++;
  st().written = 0;
  st().function = nullptr;
}

void emit_end() {
  emit_state &s = st();
  out_release_held(nullptr);  // a function whose exit never came is written as it is
  if (memmodel_const_model() != CONST_FULL) {
    emit_select_psect(PSECT_CONST, 0);
    emit_psect(nullptr, 0);
    out_printf("\tdb 0\t; dummy byte at the end\n");
  }
  // Structures are copied in and out of `structret` through FSRs, so it
  // may lie in any bank: the access bank is left to the variables placed
  // there before the size of the largest returned structure is known.
  if (s.struct_return) {
    out_printf("       psect   struct,ovrld,class=BIGRAM,space=1\n\tglobal\tstructret\nstructret:\n");
    out_printf("\tds\t%u\n", s.struct_return);
    s.written = 0;
  }
  out_printf("\tpsect\tintsave_regs,class=BIGRAM,space=1\n");
  for (const auto &area : s.save_areas)
    if (area.second) out_printf("%s:\n\tds\t%u\n", area.first.c_str(), area.second);
  s.written = 0;
  for (symbol *f : s.fp_targets) {
    out_printf("\tfile \"\"\n\tline\t0\n\n");
    emit_select_psect(PS_TEXT, 0);
    emit_psect(nullptr, 1);
    out_printf("fp_%s:\n", sym_asm_name(f));
  }
  s.fp_targets.clear();
  int32_t bank = emit_chip().param_bank;
  if (stack_pinned()) {
    // The blocks are defined where they lie; the psect only names the
    // graph's home for the linker, which lays out no copy of them.
    out_printf("\tPSECT\tbigparam,class=BIGRAM,space=1\n\tFNCONF\tbigparam,??,?\n");
    out_printf("\tDABS\t1,%u,%u\t;compiled stack\n", memmodel().stack_origin, memmodel().stack_span);
  } else if (bank >= 0)
    out_printf("\tPSECT\tparam%d,class=BANK%d,space=1\n\tGLOBAL\t__Lparam%d\n\tFNCONF\tparam%d,??,?\n", bank, bank, bank,
               bank);
  else
    out_printf("\tPSECT\trparam,class=COMRAM,space=1\n\tGLOBAL\t__Lrparam\n\tFNCONF\trparam,??,?\n");
  if (memmodel().has_realice) out_printf("GLOBAL\t___IT\n___IT\tEQU\t%d\n", memmodel().realice);
  const struct {
    const char *name;
    const mem_range *list;
  } bounds[] = {{"absbss", memmodel().absbss}, {"data", memmodel().data_ranges}};
  for (const auto &b : bounds) {
    int i = 0;
    for (const mem_range *r = b.list; r; r = r->next, i++)
      out_printf("\tGLOBAL\t__L%s%d\n__L%s%d\tEQU\t%lu\n\tGLOBAL\t__H%s%d\n__H%s%d\tEQU\t%lu\n", b.name, i, b.name, i,
                 (unsigned long)r->lo, b.name, i, b.name, i, (unsigned long)r->hi + 1);
  }
  if (bank == BANK_COMMON)
    out_printf("GLOBAL\t__Lparam, __Hparam\nGLOBAL\t__Lrparam, __Hrparam\n__Lparam\tEQU\t__Lrparam\n"
               "__Hparam\tEQU\t__Hrparam\n");
  else if (bank >= 0)
    out_printf("GLOBAL\t__Lparam, __Hparam\nGLOBAL\t__Lparam%d, __Hparam%d\n__Lparam\tEQU\t__Lparam%d\n"
               "__Hparam\tEQU\t__Hparam%d\n",
               bank, bank, bank, bank);
  out_printf("\tend\n");
}
