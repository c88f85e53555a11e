// The record loop: version lines, records and their errors, statements with
// their labels kept apart across files, directives, string literals whose
// shared tails come back, and line markers.
#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <string>

#include "codegen/model/callgraph.h"
#include "codegen/model/directive.h"
#include "codegen/model/lexin.h"
#include "codegen/model/literals.h"
#include "codegen/model/progstate.h"
#include "codegen/model/reader.h"
#include "codegen/model/regs.h"
#include "codegen/model/tests/standin_target.h"
#include "codegen/model/symbols.h"
#include "codegen/model/tests/reader_fixture.h"
#include "codegen/model/tree.h"
#include "codegen/model/types.h"
#include "codegen/model/walk.h"
#include "common/vector.h"

namespace {

// A function _f whose body is the given records.
std::string function(const std::string &name, const std::string &body) {
  return "[v " + name + " `(v 1 e ]\n{\n[e :U " + name + " ]\n[f ]\n" + body + "}\n";
}

std::string repeated(const std::string &text, int times) {
  std::string out;
  for (int k = 0; k < times; k++) out += text;
  return out;
}

std::set<long> numbers_in(const std::string &text, const std::regex &pattern) {
  std::set<long> out;
  for (auto it = std::sregex_iterator(text.begin(), text.end(), pattern); it != std::sregex_iterator(); ++it)
    out.insert(std::stol((*it)[1].str()));
  return out;
}

using ReaderRecords = ReaderTest;

TEST_F(ReaderRecords, VersionLines) {
  struct {
    const char *first_line;
    std::vector<unsigned> messages;
  } cases[] = {
      {"Version 3.2 Quenlor Software Intermediate Code\n", {}},
      {"Version 3.9\n", {}},
      {"Version 3.1\n", {718}},
      {"Version 4.0\n", {718}},
      {"[v _lost `i 1 e ]\n", {718}},
  };
  for (const auto &c : cases) {
    SetUp();
    std::string path = write("v.ic", std::string(c.first_line) + "[v _after `i 1 e ]\n");
    vec *list = vec_new_default();
    vec_push(list, const_cast<char *>(path.c_str()));
    lex_read_inputs(list);
    vec_free(list);
    EXPECT_EQ(captured_numbers(), c.messages) << c.first_line;
    EXPECT_NE(sym_find("_after"), nullptr) << "reading goes on after the version line: " << c.first_line;
  }
}

TEST_F(ReaderRecords, BadRecordsAreReportedAndSkipped) {
  struct {
    std::string text;
    std::vector<unsigned> messages;
  } cases[] = {
      {"[e = _x -> 1 `i ]\n", {714}},  // a statement outside any function
      {"]\n", {714}},
      {"}\n", {714}},                   // a scope that was never opened
      {"[x 1 ]\n", {714, 714, 714}},
      {function("_f", "[e = _x @@ ]\n"), {730}},
      {function("_f", "[e = _x ]\n"), {714}},  // "]" where an operand was due
      {function("_f", "[e = _x ? _x _x ]\n"), {714}},  // "?" without its ":"
      {function("_f", "[e = _x " + repeated("- ", 1200) + "]\n"), {714, 714}},  // nested past the limit
      {"[v _n `i [v _m `i [v _k `i 1 e ] 1 e ] 1 e ]\n", {}},  // records inside a record's count
      {"[i _nothing -> 1 `i ]\n", {714}},
      {"[v _f `(v 1 e ]\n{\n[e :U _f ]\n", {714}},  // the input ends inside a function
  };
  for (const auto &c : cases) {
    SetUp();
    read_program({c.text + "[v _after `i 1 e ]\n"});
    EXPECT_EQ(captured_numbers(), c.messages) << c.text;
    EXPECT_NE(sym_find("_after"), nullptr) << c.text;
  }
}

TEST_F(ReaderRecords, CLabelsOfEveryFileLieAboveTheCodeGeneratorsOwn) {
  // Both files number their labels and strings from 1, as the parser does;
  // the first also uses a number past the code generator's first label.
  std::string first = function("_f", "[e $U 2  ]\n[e :U 1 ]\n[e :U 30005 ]\n[e $ _x 1  ]\n[e :U 2 ]\n"
                                     "[e = _p :s 1 ]\n[e :UE 3 ]\n") +
                      "[a 1 104 105 0 ]\n";
  std::string second = function("_g", "[e $U 1  ]\n[e :U 1 ]\n[e = _p :s 1 ]\n[e :UE 2 ]\n") + "[a 1 104 111 0 ]\n";
  read_program({"[v _x `i 1 e ]\n[v _p `*Cc 1 e ]\n" + first, second});
  EXPECT_EQ(captured_numbers(), std::vector<unsigned>{});

  std::regex label("(?:\\$U|:U|:UE|\\$ _x) (\\d+)`");
  std::set<long> f = numbers_in(stored_statements("_f"), label), g = numbers_in(stored_statements("_g"), label);
  ASSERT_EQ(f.size(), 4u);
  ASSERT_EQ(g.size(), 2u);
  for (long n : f) EXPECT_GE(n, LABEL_C_FIRST);
  for (long n : g) EXPECT_GT(n, *f.rbegin()) << "the second file's labels start past the first file's";
  EXPECT_EQ(*f.begin(), LABEL_C_FIRST + 1);

  ASSERT_EQ(lex_strings().size(), 2u);
  EXPECT_EQ(lex_strings()[0]->label, 1);
  EXPECT_EQ(lex_strings()[1]->label, 2) << "the second file's string 1 is string 2";
  EXPECT_NE(stored_statements("_g").find("STR_2"), std::string::npos) << stored_statements("_g");
}

TEST_F(ReaderRecords, SwitchStrategyHoldsForTheNextSwitchOnly) {
  read_program({"[v _x `i 1 e ]\n" + function("_f", "[p w simple ]\n"
                                                     "[e [\\ _x , $ -> 1 `i 1\n , $ -> 2 `i 2\n 3 ]\n"
                                                     "[e [\\ _x , $ -> 1 `i 4\n 5 ]\n[e :UE 6 ]\n")});
  EXPECT_EQ(captured_numbers(), std::vector<unsigned>{});
  vec *stored = sym_find("_f")->ctx->stored;
  std::vector<int> strategies;
  for (uint32_t k = 0; k < vec_size(stored); k++) {
    const stored_node &first = static_cast<stored_statement *>(vec_get(stored, k))->nodes[0];
    if (first.op == OP_SWITCH) strategies.push_back(first.switch_value);
  }
  EXPECT_EQ(strategies, (std::vector<int>{1, 0}));
  // The default label and the case labels are offset like every C label.
  std::set<long> labels = numbers_in(stored_statements("_f"), std::regex(" (\\d{10})`"));
  EXPECT_EQ(labels, (std::set<long>{LABEL_C_FIRST + 1, LABEL_C_FIRST + 2, LABEL_C_FIRST + 3, LABEL_C_FIRST + 4,
                                    LABEL_C_FIRST + 5, LABEL_C_FIRST + 6}));
}

TEST_F(ReaderRecords, Directives) {
  struct {
    const char *text;
    std::vector<unsigned> messages;
    const char *output;
  } cases[] = {
      {"[p b USR_MODE,100 ]\n", {}, "\tGLOBAL __USR_MODE\n\t__USR_MODE\tEQU 0100h\n"},
      {"[p b STACK(1f) ]\n", {}, "\tGLOBAL __STACK\n\t__STACK\tEQU 01fh\n"},
      {"[p b 256 ]\n", {735}, ""},
      {"[p b USR_MODE,10 ]\n[p b SYS_MODE,20 ]\n", {736}, "\tGLOBAL __USR_MODE\n\t__USR_MODE\tEQU 010h\n"},
      {"[p mainexit ]\n", {}, ""},
      {"[p mainloop ]\n", {715}, ""},
      {"[p q ]\n", {715}, ""},
      {"[p r 256 ]\n", {738}, ""},
      {"[p w fastest ]\n", {737}, ""},
      {"[p s text ]\n", {733}, ""},
      {"[p k ]\n[p o ]\n[p p 1 ]\n", {}, ""},
  };
  for (const auto &c : cases) {
    SetUp();
    read_program({c.text});
    EXPECT_EQ(captured_numbers(), c.messages) << c.text;
    EXPECT_EQ(standin_output(), c.output) << c.text;
  }
}

TEST_F(ReaderRecords, DirectivesOnSymbols) {
  read_program({"[v _f `(i 0 e ]\n[v _printf `(i 0 ev`*Cc ]\n"
                "[p f _printf 5 ]\n[p f _printf 2 ]\n"
                "[p a _f 4 2 ]\n[p a _f 3 6 ]\n"
                "[p c _f _real_f ]\n[p i _f ]\n[p u _f wreg,fsr0 ]\n[p v prod ]\n"});
  EXPECT_EQ(captured_numbers(), std::vector<unsigned>{});
  symbol *f = sym_find("_f");
  EXPECT_EQ(sym_find("_printf")->features, 7u);
  EXPECT_EQ(f->depth_main, 4u);
  EXPECT_EQ(f->depth_int, 6u);
  EXPECT_STREQ(f->base_name, "_real_f");
  EXPECT_TRUE(f->flags2 & SYM2_INLINE);
  EXPECT_EQ(set_members(f->used_regs), (std::vector<uint32_t>{REG_WREG, REG_FSR0L, REG_FSR0H}));
  EXPECT_EQ(set_members(rset_free_regs()), (std::vector<uint32_t>{REG_PRODL, REG_PRODH}));
}

TEST_F(ReaderRecords, InterruptLevelsLastUntilTheFunctionEnds) {
  read_program({"[p l 1 ]\n[p l 10 ]\n" + function("_isr", "[e :UE 1 ]\n")});
  EXPECT_EQ(sym_find("_isr")->levels_entry & 0x6, 0x6u) << "levels 1 and 10 mod 8";
  EXPECT_EQ(model.read_levels, 1u) << "back to the main level after the function";
}

TEST_F(ReaderRecords, MessageStatesFromDirectives) {
  // An error made a warning by the program's own pragma.
  read_program({"[p g 730 0 ]\n" + function("_f", "[e = _x @@ ]\n")});
  ASSERT_EQ(captured_numbers(), std::vector<unsigned>{730});
  EXPECT_NE(captured_lines()[0].find("warning"), std::string::npos) << captured_lines()[0];
  msg_disable_op(730, MSG_DISABLE_NONE);
}

TEST_F(ReaderRecords, PsectRenamesUpToThirty) {
  std::string text;
  for (int k = 1; k <= PSECT_RENAMES + 1; k++) text += "[p s p" + std::to_string(k) + "=q" + std::to_string(k) + " ]\n";
  read_program({text});
  EXPECT_EQ(captured_numbers(), std::vector<unsigned>{734});
  EXPECT_STREQ(psect_rename("p1"), "q1");
  EXPECT_STREQ(psect_rename("p30"), "q30");
  EXPECT_STREQ(psect_rename("p31"), "p31") << "the 31st rename is not made";
  EXPECT_NE(standin_output().find(";\tpragma psect p1=q1\n"), std::string::npos);
}

TEST_F(ReaderRecords, FeatureListModeWritesNoAssembly) {
  model.feature_list_mode = true;
  read_program({"[p b USR_MODE,100 ]\n[p s a=b ]\n[; movlw 1 ;#\n"});
  EXPECT_EQ(standin_output(), "");
}

TEST_F(ReaderRecords, LineMarkersSetThePosition) {
  read_program({"\"12 src.c\n[v _a `i 1 e ]\n\"13\n[v _b `i 1 e ]\n\"7 other dir/x.c\n[v _c `i 1 e ]\n"});
  symbol *a = sym_find("_a"), *b = sym_find("_b"), *c = sym_find("_c");
  EXPECT_STREQ(a->file, "src.c");
  EXPECT_EQ(a->line, 12);
  EXPECT_STREQ(b->file, "src.c") << "a marker with only a number keeps the file";
  EXPECT_EQ(b->line, 13);
  EXPECT_STREQ(c->file, "other dir/x.c");
  EXPECT_EQ(c->line, 7);
}

TEST_F(ReaderRecords, StatementsAreKeptAsReadWithTheirCommentsAndAssembly) {
  read_program({"[v _x `i 1 e ]\n" +
                function("_f", "[; ;a.c: 3: x = 1;\n[; ;a.c: 3: (again)\n[e = _x -> 1 `i ]\n[; movlw 2 ;#\n"
                               "[e :UE 1 ]\n")});
  EXPECT_EQ(captured_numbers(), std::vector<unsigned>{});
  EXPECT_EQ(stored_statements("_f"), ":U _f\n= _x 1`i\n[; movlw 2 ;#\n:UE 1000000001`l\n");
  vec *stored = global("_f")->ctx->stored;
  const stored_node &assignment = static_cast<stored_statement *>(vec_get(stored, 1))->nodes[0];
  ASSERT_NE(assignment.comment, nullptr);
  EXPECT_STREQ(assignment.comment, ";a.c: 3: x = 1;\n;a.c: 3: (again)");
}

TEST_F(ReaderRecords, AssemblyInsideAnEnumeration) {
  read_program({"[c E1 -> 1 `i\n[; movlw 1 ;#\n-> 2 `i .. ]\n[v _e `E1 1 e ]\n"});
  EXPECT_EQ(captured_numbers(), std::vector<unsigned>{});
  EXPECT_EQ(standin_output(), "movlw 1 ;#\n");
  EXPECT_EQ(vec_size(type_unqual(sym_find("_e")->type)->members), 2u);
}

TEST_F(ReaderRecords, LibrarySourcesAreFoundInTheSourceFolder) {
  write("shown.c", "int x;\n");
  lex_set_source_folder(dir.c_str());
  read_program({"\"3 /build/elsewhere/shown.c\n[v _a `i 1 e ]\n\"4 /build/elsewhere/absent.c\n[v _b `i 1 e ]\n"});
  lex_set_source_folder(nullptr);
  EXPECT_EQ(std::string(sym_find("_a")->file), dir + "/shown.c");
  EXPECT_STREQ(sym_find("_b")->file, "/build/elsewhere/absent.c");
}

TEST_F(ReaderRecords, BitsPlacedInsideObjects) {
  read_program({"[v _PORTA `Vuc 1 s@3968 ]\n[v _RA3 `b 1 e@_PORTA+3 ]\n"
                "[v _buf `uc 1 e ]\n[v _B0 `b 1 e@_buf+0 ]\n"});
  EXPECT_EQ(captured_numbers(), std::vector<unsigned>{722}) << "a relocatable object cannot hold a fixed bit";
  symbol *ra3 = sym_find("_RA3");
  EXPECT_TRUE(ra3->flags & SYM_ABSOLUTE);
  EXPECT_EQ(ra3->address, 3968u * 8 + 3);
  EXPECT_FALSE(sym_find("_B0")->flags & SYM_ABSOLUTE);
}

TEST_F(ReaderRecords, DefinitionsGiveTheirPosition) {
  read_program({"\"1 a.c\n[v _n `i 0 e ]\n", "\"5 b.c\n[v _n `i 1 e ]\n"});
  symbol *n = sym_find("_n");
  EXPECT_FALSE(n->flags & SYM_DECLARED_ONLY);
  EXPECT_STREQ(n->file, "b.c");
  EXPECT_EQ(n->line, 5);
}

// Literals as the parser writes them: a record without its terminating
// zero goes on with the records after it.
std::string bytes_of(const string_literal *lit) { return std::string(lit->bytes.begin(), lit->bytes.end()); }

TEST_F(ReaderRecords, StringTailsComeBackWhole) {
  read_program({"[a 3 121 ]\n[a 2 120 ]\n[a 1 97 0 ]\n[a 4 104 105 0 ]\n"});
  const std::vector<string_literal *> &s = lex_strings();
  ASSERT_EQ(s.size(), 4u);
  EXPECT_EQ(bytes_of(s[0]), std::string("yxa\0", 4));
  EXPECT_EQ(bytes_of(s[1]), std::string("xa\0", 3));
  EXPECT_EQ(bytes_of(s[2]), std::string("a\0", 2));
  EXPECT_EQ(bytes_of(s[3]), std::string("hi\0", 3)) << "a complete record ends the chain";
  EXPECT_EQ(type_size(s[0]->sym->type), 4u);
  EXPECT_EQ(lex_strings_size(), 12u);
  // Pooled again, the shorter ones are tails of the longest.
  EXPECT_EQ(s[1]->head, s[0]);
  EXPECT_EQ(s[1]->offset, 1u);
  EXPECT_EQ(s[2]->head, s[0]);
  EXPECT_EQ(s[2]->offset, 2u);
  EXPECT_EQ(s[3]->head, nullptr);
}

TEST_F(ReaderRecords, StringPoolWritesHeadsAndEquates) {
  read_program({"[a 1 97 98 99 0 ]\n[a 2 120 97 98 99 0 ]\n[a 3 0 ]\n[a 4C 98 99 0 ]\n"});
  standin_output().clear();
  lex_emit_strings();
  EXPECT_EQ(standin_output(),
            "\tpsect\tstrings\n"
            "STR_2:\n\tdb\t120,97,98,99,0\n"
            "STR_4:\n\tdb\t98,99,0\n"
            "STR_1\tequ\tSTR_2+1\n"
            "STR_3\tequ\tSTR_2+4\n")
      << "the const literal shares nothing with the others";
}

TEST_F(ReaderRecords, TheWrittenStringRecordsOfTheParserKeepEveryByte) {
  // "red+" and "+" merged by the parser into one record and its tail.
  read_program({"[a 2 114 101 100 ]\n[a 1 43 0 ]\n"});
  EXPECT_EQ(bytes_of(lex_strings()[0]), std::string("red+\0", 5));
  EXPECT_EQ(bytes_of(lex_strings()[1]), std::string("+\0", 2));
}

}  // namespace
