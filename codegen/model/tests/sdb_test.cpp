// The debug side file and the printf feature list: records as the reader
// writes them for tags, typedefs and objects, type texts, line markers, and
// the feature words.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "codegen/model/progstate.h"
#include "codegen/model/reader.h"
#include "codegen/model/sdb.h"
#include "codegen/model/tests/standin_target.h"
#include "codegen/model/symbols.h"
#include "codegen/model/target_services.h"
#include "codegen/model/tests/reader_fixture.h"
#include "codegen/model/types.h"
#include "common/vector.h"

namespace {

class DebugFile : public ReaderTest {
 protected:
  void SetUp() override {
    ReaderTest::SetUp();
    path = dir + "/out.sdb";
    ASSERT_TRUE(sdb_open(path.c_str()));
  }
  // Everything written so far.
  std::string text() {
    sdb_close();
    FILE *fp = fopen(path.c_str(), "rb");
    std::string out;
    if (fp) {
      for (int c; (c = fgetc(fp)) != EOF;) out += char(c);
      fclose(fp);
    }
    return out;
  }
  std::string path;
};

TEST_F(DebugFile, HeaderNamesTheModesInBitOrder) {
  mode_word = MODE_SPEEDOPT | MODE_GLOBOPT;
  emit_parse_chip_option("18F452,1,0x7FFF,0,31,1,0");
  sdb_write_header();
  EXPECT_EQ(text(), "[p GLOBOPT SPEEDOPT ]\n[d version 1.1 ]\n[d edition pro ]\n[d chip 18F452 ]\n");
}

TEST_F(DebugFile, TypeTexts) {
  struct {
    const char *type;
    const char *text;
  } cases[] = {
      {"i", "`i "},       {"*Cc", "`*DCc "},   {"(i", "`(i "},    {"VCi", "`DVCi "},
      {"**uc", "`**uc "}, {"F*Vl", "`F*Vl "}, {"*(v", "`*(v "},
  };
  for (const auto &c : cases) EXPECT_EQ(sdb_type_text(type_parse(c.type)), c.text) << c.type;
  EXPECT_EQ(sdb_type_text(type_array_of(type_parse("*c"), 4)), "`[4]*c ");
}

TEST_F(DebugFile, TagsTypedefsAndObjectsAsTheyAreRead) {
  read_program({"\"3 a.c\n"
                "[s S1 :3 `ui 1 :6 `ui 1 `uc 1 `*c -> 2 `ux ]\n"
                "[n S1 pt x y c p ]\n"
                "[c E5 -> 0 `i -> 1 `i -> 5 `i .. ]\n"
                "[n E5 colour red green blue  ]\n"
                "\"4\n[v _u8 `uc 1 t ]\n"
                "\"5\n[v _buf_t `c -> 4 `ux t ]\n"
                "\"9 b.c\n[v _x `i 1 e ]\n"
                "[v _port `Vuc 1 s@3968 ]\n"
                "[v F7 `l 1 s count ]\n"
                "[v _y `i 1 e ]\n"});
  EXPECT_EQ(captured_numbers(), std::vector<unsigned>{});
  for (const char *name : {"_x", "_port", "F7", "_y"}) sdb_write_variable(global(name));
  EXPECT_EQ(text(),
            "\"3 a.c\n"
            "[s S1 pt 9 `ui 1 x 2 0 :3:0 \n"
            "`ui 1 y 2 1 :6:0 \n"
            "`uc 1 c 1 2 `[2]*c 1 p 6 3 ]\n"
            "[e E5 colour `uc\nred 0\ngreen 1\nblue 5\n]\n"
            "\"4\n[v _u8 `uc  1 t 1 ]\n"
            "\"5\n[v _buf_t `[4]c  4a t 4 ]\n"
            "\"9 b.c\n[v _x `i  1 e 2 0 ]\n"
            "[v _port `Vuc  1 s 1 @3968 ]\n"
            "[v F7 `l  1 s 4 count ]\n"
            "[v _y `i  1 e 2 0 ]\n");
}

TEST_F(DebugFile, LocalsOnlyOnceThePlacementHasSeenThem) {
  read_program({"[v _f `(v 1 e ]\n{\n[v _a `i 1 r1 ]\n[e :U _f ]\n[v _k `i 1 a ]\n[e :UE 1 ]\n}\n"});
  symbol *f = global("_f");
  symbol *a = static_cast<symbol *>(vec_get(f->params, 0)), *k = static_cast<symbol *>(vec_get(f->autos, 0));
  sdb_write_variable(a);
  sdb_write_variable(k);
  k->flags2 |= SYM2_IN_MEMORY;
  k->offset = 3;
  a->flags2 |= SYM2_REG_HELD;
  a->reg = 1;
  sym_set_position(f->file, 0);
  sdb_open_function(f);
  sdb_write_variable(k);
  sdb_write_variable(a);
  sdb_close_function(f, 9, 5);
  EXPECT_EQ(text(), "\"1 " + dir + "/in0.ic\n[v _f `(v  1 e 0 0 ]\n{\n[v f@k `i  1 a 2 3 ]\n[v f@a `i  1 p 2 wreg ]\n"
                    "\"9\n} 5\n");
}

TEST_F(DebugFile, LineMarkersOnlyWhenThePositionMoves) {
  sym_set_position("a.c", 3);
  sdb_line_marker();
  sdb_line_marker();
  sym_set_position("a.c", 4);
  sdb_line_marker();
  sym_set_position("b.c", 4);
  sdb_line_marker();
  std::string long_a(300, 'x'), long_b = long_a;
  long_b[280] = 'y';
  sym_set_position(long_a.c_str(), 4);
  sdb_line_marker();
  sym_set_position(long_b.c_str(), 4);
  sdb_line_marker();
  EXPECT_EQ(text(), "\"3 a.c\n\"4\n\"4 b.c\n\"4 " + long_a + "\n")
      << "file names are compared on their first 255 characters";
}

using FeatureList = ReaderTest;

std::string feature_list() {
  fflush(stdout);
  char *buffer = nullptr;
  size_t size = 0;
  FILE *saved = stdout;
  stdout = open_memstream(&buffer, &size);
  sym_write_feature_list();
  fclose(stdout);
  stdout = saved;
  std::string out(buffer, size);
  free(buffer);
  return out;
}

TEST_F(FeatureList, OneLinePerSymbolWithFeatures) {
  read_program({"[v _printf `(i 0 ev`*Cc ]\n[v _puts `(i 0 e`*Cc ]\n"});
  EXPECT_EQ(feature_list(), "") << "a program without feature directives";
  SetUp();
  read_program({"[v _printf `(i 0 ev`*Cc ]\n[v _sprintf `(i 0 ev`*c`*Cc ]\n"
                "[p f _printf 5 ]\n[p f _printf 16 ]\n[p f _sprintf 2 ]\n"});
  sym_find("_sprintf")->flags |= SYM_NEVER_USED;
  std::string list = feature_list();
  EXPECT_NE(list.find("_printf\t21\n"), std::string::npos) << list;
  EXPECT_NE(list.find("_sprintf\t16777218\n"), std::string::npos) << "a function never used says so";
  EXPECT_EQ(std::count(list.begin(), list.end(), '\n'), 2);
}

}  // namespace
