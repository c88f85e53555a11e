// The linker's symbol file read into the model and written back.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "common/vector.h"
#include "symconv/quenlor.h"
#include "symconv/tests/forvane_fixture.h"

namespace {

using ForvaneSymfile = ForvaneTest;

bool identifies(const std::string &text) {
  FILE *in = fmemopen(const_cast<char *>(text.data()), text.size(), "r");
  bool yes = symfile_identify(in);
  fclose(in);
  return yes;
}

void read_text(const std::string &text, const char *name = "in.sym") {
  FILE *in = fmemopen(const_cast<char *>(text.data()), text.size(), "r");
  symfile_read(in, name);
  fclose(in);
}

std::string written() {
  return stream_text([&](FILE *out) { symfile_write(out, "out.sym"); });
}

TEST_F(ForvaneSymfile, Identification) {
  EXPECT_TRUE(identifies("%segments\n"));
  EXPECT_TRUE(identifies("%locals\n"));
  EXPECT_TRUE(identifies("_main 100 0 CODE\n"));
  EXPECT_TRUE(identifies("_x 1A -80\n"));
  EXPECT_FALSE(identifies("_main 100\n"));
  EXPECT_FALSE(identifies("_main 100 xyz\n"));
  EXPECT_FALSE(identifies(""));
}

TEST_F(ForvaneSymfile, SegmentsSymbolsAndClasses) {
  read_text(
      "__Lmytext 100 0 CODE\n__Hmytext 1FF 0 CODE\n__Bmytext 7 0 ABS\n_abs 10\n_abs2 11 0 ABS\n"
      "_rel 180 0 CODE\n%segments\ntext 100 1FF CODE 80\nbss 0 7  0\n%locals\nprog.obj\nprog.c\n"
      "12 184 0 CODE\n_local 186 0 CODE\n");
  model_segment *code = model_find_segment("CODE");
  ASSERT_TRUE(code);
  model_segment *text = model_find_segment("text");
  ASSERT_TRUE(text);
  EXPECT_EQ(text->size, 0x100u);
  EXPECT_EQ(text->load, 0x80u);
  EXPECT_EQ(text->space, model_segment_index("CODE"));
  model_segment *bss = model_find_segment("bss");
  ASSERT_TRUE(bss);
  EXPECT_EQ(bss->space, 0u);  // no class: the load keeps its place
  EXPECT_EQ(bss->size, 8u);

  model_class *c = model_find_class("mytext");
  ASSERT_TRUE(c);
  EXPECT_EQ(c->low, 0x100u);
  EXPECT_EQ(c->high, 0x1FFu);
  EXPECT_EQ(c->base, 7u);
  EXPECT_EQ(model_find_symbol("__Lmytext"), nullptr);

  model_symbol *abs = model_find_symbol("_abs"), *abs2 = model_find_symbol("_abs2"), *rel = model_find_symbol("_rel");
  ASSERT_TRUE(abs && abs2 && rel);
  EXPECT_EQ(abs->flags, uint32_t(MSYM_ABSOLUTE));
  EXPECT_EQ(abs->segment, 0u);
  EXPECT_EQ(abs2->flags, uint32_t(MSYM_ABSOLUTE));
  EXPECT_EQ(rel->flags, 0u);
  EXPECT_EQ(rel->segment, model_segment_index("CODE"));
  EXPECT_EQ(rel->cls, c);
  EXPECT_EQ(abs->cls, nullptr);

  model_symbol *local = model_find_symbol("_local");
  ASSERT_TRUE(local);
  EXPECT_EQ(local->flags, uint32_t(MSYM_LOCAL));
  EXPECT_STREQ(model_file_at(local->file)->name, "prog.c");
  ASSERT_EQ(vec_size(model.lines), 1u);
  EXPECT_EQ(model_line_nth(0)->line, 12u);
  EXPECT_EQ(model_line_nth(0)->start, 0x184u);
  EXPECT_EQ(model_line_nth(0)->kind, 2u);
  EXPECT_STREQ(model_file_at(abs->file)->name, "in.sym");
}

TEST_F(ForvaneSymfile, LongLinesAreReadAndOverlongOnesSkipped) {
  std::string long_name = "_" + std::string(2000, 'n');
  std::string overlong = "_" + std::string(20000, 'o');
  read_text(long_name + " 10 0 CODE\n" + overlong + " 11 0 CODE\n_after 12 0 CODE\n");
  EXPECT_TRUE(model_find_symbol(long_name.c_str()));
  EXPECT_TRUE(model_find_symbol("_after"));
  EXPECT_EQ(vec_size(model.symbols), 2u);
  EXPECT_EQ(captured_numbers(), (std::vector<unsigned>{617}));
}

TEST_F(ForvaneSymfile, StackAndRegisterLinesKeepTheirValues) {
  read_text("%locals\nprog.obj\n_off stk -4\n_r reg FE8\n");
  model_symbol *off = model_find_symbol("_off"), *r = model_find_symbol("_r");
  ASSERT_TRUE(off && r);
  EXPECT_EQ(off->value, uint32_t(-4));
  EXPECT_EQ(r->value, 0xFE8u);
  EXPECT_EQ(r->flags, uint32_t(MSYM_ABSOLUTE | MSYM_LOCAL));
}

TEST_F(ForvaneSymfile, AFinalLineWithoutNewlineIsRead) {
  read_text("%locals\n_last 5 0 CODE");
  EXPECT_TRUE(model_find_symbol("_last"));
}

TEST_F(ForvaneSymfile, WritingMergesSymbolsAndLinesByPlace) {
  uint32_t f = model_add_file("prog.c");
  uint32_t code = model_add_segment("CODE", 0, 0, 0, 1);
  model_add_line(7, 0x100, code, f, 2);
  model_add_symbol("_main", 0x100, code, f, 0);
  model_add_line(8, 0x102, code, f, 2);
  model_add_symbol("_k", 0x20, 0, f, MSYM_ABSOLUTE);
  EXPECT_EQ(written(), "%locals\nprog.c\n_k 20\n_main 100 1 CODE\n7 100 1 CODE\n8 102 1 CODE\n");
  forvane_reset();
  model_init();
  EXPECT_EQ(written(), "");
}

TEST_F(ForvaneSymfile, ReadsItsOwnOutputBack) {
  read_text("%locals\nprog.c\n_main 100 0 CODE\n7 100 0 CODE\n");
  std::string first = written();
  forvane_reset();
  model_init();
  read_text(first);
  EXPECT_EQ(written(), first);
}

}  // namespace
