// The assembly file's own lines: header, psect directives, reservations,
// variables, line directives, data bytes, interrupt entry and exit, and the
// end of the file.
#include <gtest/gtest.h>

#include <string>

#include "codegen/model/iset.h"
#include "codegen/model/optim.h"
#include "codegen/model/progstate.h"
#include "codegen/model/regs.h"
#include "codegen/model/symbols.h"
#include "codegen/model/target_services.h"
#include "codegen/model/types.h"
#include "codegen/target/asmbuf.h"
#include "codegen/target/emit.h"
#include "codegen/target/emitq.h"
#include "codegen/target/memmodel.h"
#include "tests/support/test_support.h"

namespace {

struct EmitTest : ::testing::Test {
  std::string written;
  void SetUp() override {
    sym_init_types();
    memmodel_reset();
    emit_reset();
    capture_messages();
    out_capture(&written);
    model.output_suppressed = false;
    emit_parse_chip_option("PIC18F452,1,32768,0,31,1,0");
    emit_parse_chip_option("COMRAM=0h-5Fh");
    emit_parse_chip_option("RAM=60h-5FFh");
  }
  void TearDown() override { out_capture(nullptr); }

  static symbol *function(const char *name, uint32_t quals = 0) {
    symbol *f = sym_new();
    sym_set_names(f, name);
    f->kind = SK_OBJECT;
    f->sclass = SC_EXTERN;
    f->type = type_qualify(type_derive(type_void(), TY_FUNCTION), quals);
    f->used_regs = iset_alloc();
    sym_enter(f);
    return f;
  }
  // Writes one function's entry, a body line and its exit.
  void write_function(symbol *f) {
    sym_set_current_function(f);
    emit_select_psect(OUTPUT_FUNCTION_TEXT, 0);
    emit_psect(nullptr, 0);
    emit_function_entry(0, f);
    out_printf("%s:\n\tnop\n", sym_asm_name(f));
    emit_function_exit(0, 0, 0, f);
    sym_set_current_function(nullptr);
  }
  size_t count(const std::string &text) const {
    size_t n = 0;
    for (size_t at = written.find(text); at != std::string::npos; at = written.find(text, at + 1)) n++;
    return n;
  }
};

TEST_F(EmitTest, HeaderNamesTheChipAndRegistersInDigitFirstHex) {
  emit_header();
  EXPECT_EQ(written.rfind("\tprocessor\t18F452\nporta\tequ\t0F80h\n", 0), 0u) << written;
  EXPECT_NE(written.find("tosu\tequ\t0FFFh\n"), std::string::npos);
  EXPECT_NE(written.find("\tglobal\t__ramtop\n\tglobal\t__accesstop\n"), std::string::npos);
  EXPECT_TRUE(mode_word & MODE_AUTOSTATIC);
}

// Each function gets a text psect of its own, declared with its flags; a
// selection of the psect already written writes nothing.
TEST_F(EmitTest, PsectDirectives) {
  write_function(function("_f"));
  write_function(function("_g"));
  EXPECT_EQ(count("        psect   text0,class=CODE,space=0,reloc=2,delta=1\n"), 1u) << written;
  EXPECT_EQ(count("        psect   text1,class=CODE,space=0,reloc=2,delta=1\n"), 1u) << written;
  EXPECT_EQ(count("psect   text0"), 1u);
  written.clear();
  // What follows a function's exit (its end label) stays in its psect.
  write_function(function("_h"));
  out_printf("__end_of_h:\n");
  const std::string tail = "\topt stack 0\n__end_of_h:\n";
  EXPECT_EQ(written.substr(written.size() - tail.size()), tail) << written;
  written.clear();
  emit_select_psect(PSECT_DATA, 0);
  emit_select_psect(PSECT_DATA, 0);
  out_printf("x\n");
  emit_select_psect(PSECT_IDATA, 0);
  out_printf("y\n");
  emit_select_psect(PSECT_DATA, 0);
  out_printf("z\n");
  EXPECT_EQ(written,
            "        psect   data,class=RAM,space=1\nx\n        psect   idata,class=CODE,space=0,reloc=2\ny\n"
            "        psect   data\nz\n");
}

// Text reaches the file whole at each newline, whether it comes formatted,
// as one string or one character at a time; a psect asked for while a
// line is open goes before that line.
TEST_F(EmitTest, LinesAreWrittenWholeAtTheirNewline) {
  emit_select_psect(PSECT_DATA, 0);
  out_printf("a%d", 1);
  out_printf("%s%.*s", "b", 0, "x");
  out_printf("%.*s", 2, "\rcd");
  EXPECT_EQ(out_pending_line(), "a1b\nc");
  EXPECT_EQ(written, "");
  out_putc('\n');
  out_printf("d\ne\n%s:%u\n", "f", 7u);
  EXPECT_EQ(written, "        psect   data,class=RAM,space=1\na1b\nc\nd\ne\nf:7\n");
  EXPECT_EQ(out_pending_line(), "");
  // A line longer than any buffer loses nothing.
  written.clear();
  const std::string longer(5000, 'x');
  out_printf("\tdb\t%s,%d\n", longer.c_str(), 2);
  EXPECT_EQ(written, "\tdb\t" + longer + ",2\n");
  // Nothing is written while output is suppressed, yet the open line is kept.
  written.clear();
  model.output_suppressed = true;
  out_printf("g\n\t");
  EXPECT_EQ(out_pending_line(), "\t");
  out_printf("%s", "h\n");
  model.output_suppressed = false;
  EXPECT_EQ(written, "");
}

TEST_F(EmitTest, AbsoluteFunctionTextIsNamedAfterIt) {
  symbol *f = function("_at");
  f->flags |= SYM_ABSOLUTE;
  f->address = 0x123;
  write_function(f);
  EXPECT_NE(written.find("        psect   _at_text,"), std::string::npos) << written;
  EXPECT_NE(written.find("\t_at_absaddr equ 0x120\n"), std::string::npos) << written;
}

// Reserved bytes of initialised data get zero bytes in the image.
TEST_F(EmitTest, ReservationInDataFillsTheImage) {
  emit_select_psect(PSECT_DATA, 0);
  emit_psect(nullptr, 0);
  emit_reserve(2);
  EXPECT_EQ(written,
            "        psect   data,class=RAM,space=1\n\tds   2\n        psect   idata,class=CODE,space=0,reloc=2\n"
            "\tdb   0\n\tdb   0\n        psect   data\n");
  written.clear();
  emit_reserve(0x10000);
  EXPECT_EQ(written, "");
  const struct {
    int psect;
    const char *text;
  } cases[] = {
      {PS_FARDATA, "\talign\t2\n\tds   1\n        psect   ifardata,class=CODE,space=0,reloc=2,delta=1\n\tdb   0\n"
                   "        psect   fardata\n"},
      {PS_IDATA, "\tdb   0\n"},
      {PS_BSS, "\tds   1\n"},
  };
  for (const auto &c : cases) {
    emit_select_psect(c.psect, 0);
    emit_psect(nullptr, 1);
    written.clear();
    emit_reserve(1);
    EXPECT_EQ(written, c.text) << emit_psect_table[c.psect].name;
  }
}

TEST_F(EmitTest, LineDirectivesKeepTheFirst79Characters) {
  std::string a(85, 'a'), b = a;
  b[82] = 'b';
  emit_line_directive(3, a.c_str(), 0);
  emit_line_directive(3, b.c_str(), 0);
  emit_line_directive(4, b.c_str(), 0);
  EXPECT_EQ(written, "\tfile\t\"" + a.substr(0, 79) + "\"\n\tline\t3\n\tline\t4\n");
}

TEST_F(EmitTest, StringBytes) {
  const uint8_t bytes[] = {'A', ' ', 0xff, 0};
  emit_db_string(bytes, 4);
  EXPECT_EQ(written, "\tdb\t65\t;'A'\n\tdb\t32\n\tdb\t-1\n\tdb\t0\n");
}

TEST_F(EmitTest, VariablesAsLabelsOrEquates) {
  symbol *v = sym_new();
  sym_set_names(v, "_v");
  v->type = type_int();
  v->sclass = SC_EXTERN;
  emit_variable(v);
  EXPECT_EQ(written, "\tglobal\t_v\n_v:\n\tds\t2\n");
  written.clear();
  v->flags |= SYM_ABSOLUTE;
  v->address = 0x123;
  emit_variable(v);
  EXPECT_EQ(written, "\tglobal\t_v\n_v\tequ\t291\n\n\tDABS\t1,291,2\t;_v\n");
}

struct interrupt_case {
  const char *what;
  bool low_present;  // the program has a low-priority interrupt too
  bool low;          // the function written is the low-priority one
  bool shadow;       // status, wreg and bsr come back through the shadow registers
};

// Only a high-priority interrupt alone returns through the shadow registers;
// registers the function uses are saved and restored in reverse order.
TEST_F(EmitTest, InterruptEntryAndExit) {
  const interrupt_case cases[] = {
      {"high alone", false, false, true},
      {"high beside low", true, false, false},
      {"low", true, true, false},
  };
  for (const interrupt_case &c : cases) {
    SetUp();
    written.clear();
    if (c.low_present) optim_add_function(function(c.low ? "_other" : "_lowisr", Q_INTERRUPT | Q_LOW_PRIORITY));
    symbol *f = function(c.low ? "_lowisr" : "_isr", Q_INTERRUPT | (c.low ? uint32_t(Q_LOW_PRIORITY) : 0u));
    if (c.low) optim_add_function(f);
    iset_add(f->used_regs, REG_FSR0L);
    write_function(f);
    EXPECT_NE(written.find(c.low ? "int_funclo:\n" : "int_func:\n"), std::string::npos) << c.what << written;
    EXPECT_NE(written.find("\tmovff\tfsr0l+0,"), std::string::npos) << c.what;
    EXPECT_NE(written.find(",fsr0l+0\n"), std::string::npos) << c.what;
    EXPECT_EQ(written.find("prodl"), std::string::npos) << c.what << ": an unused register is not saved";
    EXPECT_EQ(written.find("\tmovff\tstatus+0,") == std::string::npos, c.shadow) << c.what;
    EXPECT_EQ(written.find("\tretfie f\n") != std::string::npos, c.shadow) << c.what;
    size_t save = written.find("\tmovff\tbsr+0,"), restore = written.find(",bsr+0\n");
    if (!c.shadow) {
      EXPECT_LT(written.find(",fsr0l+0\n"), restore) << c.what << ": restored in reverse order";
    }
    EXPECT_EQ(save == std::string::npos, c.shadow) << c.what;
  }
}

TEST_F(EmitTest, EndOfFile) {
  emit_chip().param_bank = BANK_COMMON;
  emit_end();
  EXPECT_NE(written.find("\tPSECT\trparam,class=COMRAM,space=1\n\tGLOBAL\t__Lrparam\n\tFNCONF\trparam,??,?\n"),
            std::string::npos)
      << written;
  EXPECT_NE(written.find("__Lparam\tEQU\t__Lrparam\n"), std::string::npos);
  EXPECT_NE(written.find("\tdb 0\t; dummy byte at the end\n"), std::string::npos) << "a small const model";
  EXPECT_EQ(written.rfind("\tend\n"), written.size() - 5);
}

}  // namespace
