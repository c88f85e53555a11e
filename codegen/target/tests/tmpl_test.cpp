// The template reader: what the generator refuses, and how macros split
// into their letter, modifiers and selector for template expansion.
#include <gtest/gtest.h>

#include <string>

#include "codegen/target/tmpl.h"

namespace {

TEST(TemplateReader, AcceptsAndRefusesWholeTemplates) {
  struct {
    const char *text;
    tmpl_grammar grammar;
    const char *error;  // null: reads
    uint32_t offset;
  } cases[] = {
      {"movf L,w\naddwf R,w", TMPL_CODE, nullptr, 0},
      {"movff ~0/2R,~0/2L\n\bl NN:\ngoto ~1/2R", TMPL_CODE, nullptr, 0},
      {"(L)E2L,0", TMPL_CODE, nullptr, 0},
      {"btfsON XN", TMPL_CODE, nullptr, 0},
      {"movlw I<N\nZ=-1N\nV+N\nGJ01 ~U ~9 ~~ `x;;", TMPL_CODE, nullptr, 0},
      {"#error - CONSTOP constants not folded", TMPL_CODE, nullptr, 0},
      {"movf Q,w", TMPL_CODE, "macro Q lacks an operand selector", 5},
      {"movf F,w", TMPL_CODE, "no macro F", 5},
      {"movf ~3/2L,w", TMPL_CODE, "past its divisor", 5},
      {"movf ~1L", TMPL_CODE, "without \"/\"", 5},
      {"movf ~QL", TMPL_CODE, "\"~\" before", 5},
      {"addwf J2N", TMPL_CODE, "no macro J", 6},
      {"addwf EJ", TMPL_CODE, "J without a path", 6},
      {"Z=N", TMPL_CODE, "without a number", 0},
      // Rewrite texts copy what is no macro.
      {"( ___ANWNON (2 , L R ]", TMPL_SUBST, nullptr, 0},
      {"movf F,w Q", TMPL_SUBST, nullptr, 0},
  };
  for (auto &c : cases) {
    std::string error;
    uint32_t offset = 99;
    bool reads = tmpl_check(c.text, c.grammar, &error, &offset);
    EXPECT_EQ(reads, c.error == nullptr) << c.text << ": " << error;
    if (c.error) {
      EXPECT_NE(error.find(c.error), std::string::npos) << c.text << ": " << error;
      EXPECT_EQ(offset, c.offset) << c.text;
    }
  }
}

tmpl_item read_one(const char *text, tmpl_grammar grammar = TMPL_CODE) {
  tmpl_item item;
  std::string error;
  const char *next = tmpl_next(text, grammar, &item, &error);
  EXPECT_NE(next, nullptr) << text << ": " << error;
  return item;
}

TEST(TemplateReader, SplitsMacros) {
  tmpl_item g = read_one("G12+3N,w");
  EXPECT_EQ(g.kind, TK_MACRO);
  EXPECT_EQ(g.letter, 'G');
  EXPECT_STREQ(g.parts, "12");
  EXPECT_EQ(g.sign, '+');
  EXPECT_TRUE(g.has_offset);
  EXPECT_EQ(g.offset, 3);
  EXPECT_EQ(g.selector, 'N');
  EXPECT_EQ(g.length, 6u);

  tmpl_item e = read_one("E2L");
  EXPECT_EQ(e.letter, 'E');
  EXPECT_TRUE(e.has_number);
  EXPECT_EQ(e.number, 2);
  EXPECT_EQ(e.selector, 'L');

  tmpl_item z = read_one("Z=-1N");
  EXPECT_TRUE(z.equals);
  EXPECT_EQ(z.number, -1);

  tmpl_item i = read_one("I<<N");
  EXPECT_EQ(i.run, '<');
  EXPECT_EQ(i.run_length, 2u);

  tmpl_item d = read_one("DD/2J01");
  EXPECT_TRUE(d.double_d);
  EXPECT_EQ(d.divisor, 2u);
  EXPECT_EQ(d.selector, 'J');
  EXPECT_STREQ(d.path, "01");

  tmpl_item v = read_one("V-!N");
  EXPECT_EQ(v.sign, '-');
  EXPECT_TRUE(v.sign_bang);
  EXPECT_FALSE(v.has_offset);

  tmpl_item fsr = read_one("~XN");
  EXPECT_TRUE(fsr.tilde);
  EXPECT_EQ(fsr.letter, 'X');

  tmpl_item select = read_one("~1/4L");
  EXPECT_EQ(select.kind, TK_BYTE_SELECT);
  EXPECT_EQ(select.byte_index, 1u);
  EXPECT_EQ(select.byte_divisor, 4u);
  EXPECT_EQ(select.length, 4u);

  tmpl_item left = read_one("L,w");
  EXPECT_EQ(left.kind, TK_MACRO);
  EXPECT_EQ(left.selector, 'L');
  EXPECT_EQ(left.length, 1u);

  EXPECT_EQ(read_one(";;").kind, TK_SEMI_STOP);
  EXPECT_EQ(read_one(";x").kind, TK_STOP);
  tmpl_item plain = read_one("movf L");
  EXPECT_EQ(plain.kind, TK_PLAIN);
  EXPECT_EQ(plain.length, 4u);

  tmpl_item w9 = read_one("W9N ]", TMPL_SUBST);
  EXPECT_EQ(w9.kind, TK_MACRO);
  EXPECT_EQ(w9.number, 9);
  EXPECT_EQ(w9.length, 3u);
  EXPECT_EQ(read_one("L R", TMPL_SUBST).kind, TK_PLAIN);
}

TEST(TemplateReader, FindsRegisterMacros) {
  EXPECT_TRUE(tmpl_names_register("btfsON XN"));
  EXPECT_TRUE(tmpl_names_register("G1L"));
  EXPECT_FALSE(tmpl_names_register("(L)E2L,0"));
  EXPECT_FALSE(tmpl_names_register("VN"));
}

}  // namespace
