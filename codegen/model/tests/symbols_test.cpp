// Symbols: declaration records, redeclaration, scopes, derived names of
// parameters, autos, clashing statics and interrupt levels, areas.
#include <gtest/gtest.h>

#include <string>

#include "codegen/model/regs.h"
#include "codegen/model/symbols.h"
#include "codegen/model/tests/model_support.h"
#include "codegen/model/treetext.h"
#include "codegen/model/tree.h"
#include "codegen/model/types.h"
#include "common/alloc.h"
#include "common/vector.h"

namespace {

class SymbolsTest : public testing::Test {
 protected:
  void SetUp() override { fresh_model(); }
};

symbol *at(vec *v, uint32_t k) { return static_cast<symbol *>(vec_get(v, k)); }

TEST_F(SymbolsTest, DeclarationThenDefinition) {
  read_records("[v _n `i 0 e ]");
  symbol *n = sym_find("_n");
  ASSERT_NE(n, nullptr);
  EXPECT_TRUE(n->flags & SYM_DECLARED_ONLY);
  EXPECT_EQ(n->sclass, SC_EXTERN);
  EXPECT_EQ(n->level, 0);
  read_records("{ [v _n `i 1 e ] }");
  EXPECT_EQ(sym_find("_n"), n) << "the definition merges into the declaration";
  EXPECT_FALSE(n->flags & SYM_DECLARED_ONLY);
  EXPECT_EQ(vec_size(sym_global_objects()), 1u);
  EXPECT_TRUE(captured_numbers().empty());
}

TEST_F(SymbolsTest, ArrayDeclaredWithoutLengthTakesTheDefinition) {
  read_records("[v _a `c -> 0 `x e ] [v _a `c -> 20 `x e ]");
  EXPECT_EQ(type_size(sym_find("_a")->type), 20u);
  read_records("[v _m `i * -> 4 `x -> 5 `x e ]");
  EXPECT_EQ(type_size(sym_find("_m")->type), 40u) << "a count is any constant expression";
  EXPECT_TRUE(captured_numbers().empty());
}

TEST_F(SymbolsTest, RecordErrors) {
  struct {
    const char *records;
    std::vector<unsigned> messages;
  } cases[] = {
      {"[v _a `i 0 e ] [v _a `l 1 e ]", {1098}},
      {"[v _f `(i 1 e ] [v _f `(i 1 e ]", {237}},
      {"[v _a `i 1 q ]", {267}},
      {"[v _a `i 1 e extra ]", {722}},
      {"[v _a `i _b e ]", {721}},
      {"[v _s `i 1 s label ]", {}},
      {"[v _s `i 1 s label more ]", {722}},
  };
  for (auto &c : cases) {
    fresh_model();
    read_records(c.records);
    EXPECT_EQ(captured_numbers(), c.messages) << c.records;
  }
  fresh_model();
  read_records("[v _s `i 1 s lab ]");
  EXPECT_STREQ(sym_find("_s")->label, "lab");
}

// A function declared without parameter types in one file and with a
// prototype in another is one function when a call through either passes
// the same bytes; the prototype is what the symbol keeps.
TEST_F(SymbolsTest, DeclarationsWithoutPrototypeMeetPrototypes) {
  struct {
    const char *prototype;
    bool compatible;
    uint32_t params;  // the kept type's
  } cases[] = {
      {"[v _f `(l 1 ef1`*l ]", true, 1},   {"[v _f `(l 0 ef3`ui`d`*c ]", true, 3},
      {"[v _f `(l 0 e ]", true, 0},         {"[v _f `(l 0 ef2`i`l ]", true, 2},
      {"[v _f `(l 0 ef1`uc ]", false, 0},   {"[v _f `(l 0 ef2`i`s ]", false, 0},
      {"[v _f `(l 0 ef1`us ]", false, 0},   {"[v _f `(l 0 ef1`f ]", false, 0},
      {"[v _f `(l 0 ef1`c ]", false, 0},    {"[v _f `(l 0 ev`i ]", false, 0},
      {"[v _f `(i 0 ef1`i ]", false, 0},
  };
  const std::string bare = "[v _f `(l 0 e ]";
  for (auto &c : cases)
    for (bool prototype_first : {false, true}) {
      SCOPED_TRACE(std::string(c.prototype) + (prototype_first ? " first" : " second"));
      fresh_model();
      std::string records = prototype_first ? c.prototype + (" " + bare) : bare + " " + c.prototype;
      read_records(records.c_str());
      EXPECT_EQ(captured_numbers().empty(), c.compatible);
      if (c.compatible) {
        EXPECT_EQ(vec_size(type_unqual(sym_find("_f")->type)->params), c.params);
      }
    }
}

TEST_F(SymbolsTest, ClassWordDetails) {
  read_records(
      "[v _f `(c 1 ef2v`i`*c ] "
      "[v _g `(v 1 e@4660 ] "
      "[v _port `Vuc 1 e@3968 ]");
  symbol *f = sym_find("_f");
  EXPECT_TRUE(f->flags & SYM_PARAM) << "the register-argument mark";
  EXPECT_TRUE(f->flags & SYM_VARIADIC);
  EXPECT_EQ(f->param_reg, 2);
  ctype *ft = type_unqual(f->type);
  ASSERT_EQ(vec_size(ft->params), 2u);
  EXPECT_EQ(type_string(static_cast<ctype *>(vec_get(ft->params, 1))), "*c");
  EXPECT_TRUE(ft->variadic);
  symbol *g = sym_find("_g");
  EXPECT_TRUE(g->flags & SYM_ABSOLUTE);
  EXPECT_TRUE(g->flags2 & SYM2_FIXED);
  EXPECT_EQ(g->address, 4660u);
  EXPECT_TRUE(sym_find("_port")->flags2 & SYM2_FIXED);
}

TEST_F(SymbolsTest, FunctionsParametersAndAutos) {
  read_records(
      "{ [v _main `(v 1 e ] "  // the file's scope, then the function's
      "{ "
      "[v _x `i 1 r1 ] "
      "[v _y `c 1 p ] "
      "{ [v _t `l 1 a ] } { [v _t `c 1 a ] } "
      "[v _k `i 1 a ]");
  symbol *main = sym_find("_main");
  EXPECT_EQ(sym_current_function(), main);
  ASSERT_EQ(vec_size(main->params), 2u);
  EXPECT_STREQ(at(main->params, 0)->name, "main@x");
  EXPECT_TRUE(at(main->params, 0)->flags & SYM_REG_PARAM);
  EXPECT_STREQ(at(main->params, 1)->name, "main@y");
  ASSERT_EQ(vec_size(main->autos), 3u);
  EXPECT_STREQ(at(main->autos, 0)->name, "main@t");
  std::string second = "main@t_" + std::to_string(at(main->autos, 1)->unique);
  EXPECT_EQ(at(main->autos, 1)->name, second) << "a taken name gets the unique number";
  EXPECT_EQ(at(main->autos, 2)->owner, main);
  EXPECT_EQ(sym_find("_t"), nullptr) << "closing the scope drops its symbols";
  EXPECT_NE(sym_find("_k"), nullptr);
  read_records("}");
  EXPECT_EQ(sym_current_function(), nullptr);
  EXPECT_EQ(sym_find("_k"), nullptr);
  EXPECT_EQ(sym_find("_main"), main);
  read_records("}");
}

TEST_F(SymbolsTest, ClashingStaticsAreRenamed) {
  read_records("{ [v _n `i 1 s ] }");
  symbol *first = sym_global_objects() ? at(sym_global_objects(), 0) : nullptr;
  ASSERT_NE(first, nullptr);
  read_records("{ [v _n `i 1 s ] [v _n `i 1 s ] }");
  ASSERT_EQ(vec_size(sym_global_objects()), 2u) << "the second record of the file merges";
  symbol *second = at(sym_global_objects(), 1);
  EXPECT_STREQ(first->name, "_n");
  EXPECT_EQ(std::string(second->name), "F" + std::to_string(second->unique) + "_n");
  read_records("{ [v _n `i 0 e ] }");
  EXPECT_EQ(std::string(first->name), "F" + std::to_string(first->unique) + "_n");
  EXPECT_STREQ(sym_find("_n")->name, "_n") << "the extern keeps its name";
}

TEST_F(SymbolsTest, TypedefsAndTags) {
  read_records(
      "[v _T `*c 1 t ] "
      "[s S1 `i 1 `_T 1 ] "
      "[n S1 point x name ] "
      "[s S2 `i 1 `_T 1 ] "
      "[n S2 point x name ] "
      "[v _p `S2 1 e ]");
  symbol *t = sym_find("_T");
  EXPECT_EQ(t->kind, SK_TYPE_NAME);
  symbol *s1 = sym_find("S1");
  EXPECT_STREQ(s1->name, "S1point");
  EXPECT_STREQ(static_cast<symbol *>(vec_get(s1->type->members, 1))->name, "S1point$name");
  EXPECT_EQ(sym_find("S2"), s1) << "an identical struct is an alias of the first";
  EXPECT_EQ(type_size(sym_find("_p")->type), 5u);
}

TEST_F(SymbolsTest, Enumerations) {
  read_records("[c E1 -1 0 1 .. ] [c E2 0 300 .. ] [c E3 0 200 .. ]");
  struct {
    const char *tag;
    uint32_t size;
    uint8_t arith;
  } cases[] = {{"E1", 1, ARITH_SIGNED}, {"E2", 2, ARITH_UNSIGNED}, {"E3", 1, ARITH_UNSIGNED}};
  for (auto &c : cases) {
    ctype *t = sym_find(c.tag)->type;
    EXPECT_EQ(type_size(t), c.size) << c.tag;
    EXPECT_EQ(type_arith(t), c.arith) << c.tag;
  }
  EXPECT_EQ(vec_size(sym_find("E1")->type->members), 3u);
  EXPECT_TRUE(captured_numbers().empty());
}

TEST_F(SymbolsTest, InterruptLevelNames) {
  read_records("[v _f `(v 1 e ] { [v _x `i 1 a ] }");
  symbol *f = sym_find("_f");
  symbol *x = at(f->autos, 0);
  f->levels_called = 0x3;  // called from the main level and level 1
  sym_set_compile_levels(1);
  EXPECT_STREQ(sym_asm_name(f), "_f");
  sym_set_compile_levels(2);
  EXPECT_STREQ(sym_asm_name(f), "i1_f");
  EXPECT_STREQ(sym_asm_name(x), "i1f@x") << "objects take their function's prefix";
  EXPECT_STREQ(sym_level_name(f), "i1_f");
  f->levels_called = 0x2;
  EXPECT_STREQ(sym_asm_name(f), "_f") << "called from this level only";
  f->levels_called = 0x3;
  f->levels_entry = 0x2;
  EXPECT_STREQ(sym_asm_name(f), "_f") << "its entry levels match";
  sym_set_compile_levels(1);
}

TEST_F(SymbolsTest, AreasTemporariesAndReentrancy) {
  read_records("[v _f `(v 1 e ] { [v _a `c 1 p ] [v _b `l 1 p ] [v _x `i 1 a ] }");
  symbol *f = sym_find("_f");
  sym_set_current_function(f);
  EXPECT_EQ(sym_layout_params(f), 4u) << "the first 1-byte parameter arrives in W";
  EXPECT_EQ(at(f->params, 0)->reg, REG_WREG);
  EXPECT_EQ(at(f->params, 1)->offset, 0);
  EXPECT_TRUE(at(f->params, 1)->flags & SYM_PARAM_IN_MEMORY);
  EXPECT_STREQ(sym_param_area(f)->name, "?_f");
  EXPECT_STREQ(sym_auto_area(f)->name, "??_f");
  EXPECT_EQ(sym_param_area(f)->sclass, SC_EXTERN);
  EXPECT_TRUE(sym_param_area(f)->flags & SYM_STACK_AREA);

  tree_node *value = tree_const(0);
  value->type = type_parse("*c");
  symbol *temp = sym_new_temp(value);
  EXPECT_STREQ(temp->name, "_f$1") << "a function's temporaries are numbered from 1";
  EXPECT_EQ(vec_find(f->temps, temp), 0);
  EXPECT_EQ(type_string(temp->type), "*c");
  tree_free(value);

  EXPECT_TRUE(sym_mark_reentrant(f));
  EXPECT_FALSE(sym_mark_reentrant(f));
  EXPECT_TRUE(at(f->params, 0)->flags2 & SYM2_REENTRANT);
  EXPECT_TRUE(at(f->autos, 0)->flags2 & SYM2_REENTRANT);
  symbol *area = sym_new_area("__area", 0, 16, 0x100);
  EXPECT_EQ(area->flags & (SYM_ABSOLUTE | SYM_ABSOLUTE_AREA), uint32_t(SYM_ABSOLUTE | SYM_ABSOLUTE_AREA));
  EXPECT_EQ(type_size(area->type), 16u);
  EXPECT_FALSE(sym_mark_reentrant(area));
  sym_set_current_function(nullptr);
}

TEST_F(SymbolsTest, UndefinedFunctionsGetParametersFromTheirType) {
  read_records("[v _g `(v 0 e`c`i`*c ]");
  symbol *g = sym_find("_g");
  vec *params = sym_params(g);
  ASSERT_EQ(vec_size(params), 3u);
  EXPECT_STREQ(at(params, 0)->name, "_g$0");
  EXPECT_EQ(at(params, 0)->reg, REG_WREG);
  EXPECT_EQ(at(params, 1)->offset, 0);
  EXPECT_EQ(at(params, 2)->offset, 2);
  EXPECT_EQ(g->params_size, 5u);
}

}  // namespace

// Rebuilding a function's statements names its temporaries as the rebuild
// before did; those that hold called pointers keep their names and numbers.
TEST_F(SymbolsTest, RebuiltTemporariesTakeTheSameNames) {
  read_records("[v _f `(v 1 e ] { } [v _g `(v 1 e ] { }");
  symbol *f = sym_find("_f"), *g = sym_find("_g");
  tree_node *pointer = tree_const(0);
  pointer->type = type_parse("*(v");
  auto names = [&](symbol *fn, bool held_first) {
    sym_set_current_function(fn);
    sym_restart_temps(fn);
    fn->held_made = 0;
    std::string out;
    if (held_first) out += std::string(sym_held_temp(pointer)->name) + " ";
    for (int k = 0; k < 3; k++) out += std::string(sym_new_temp(nullptr)->name) + " ";
    return out;
  };
  EXPECT_EQ(names(f, true), "_f$1 _f$2 _f$3 _f$4 ");
  EXPECT_EQ(names(g, false), "_g$1 _g$2 _g$3 ");
  EXPECT_EQ(names(f, true), "_f$1 _f$2 _f$3 _f$4 ") << "the held one is taken again";
  EXPECT_EQ(names(f, false), "_f$2 _f$3 _f$4 ") << "its number stays its own";
  EXPECT_EQ(vec_size(f->held), 1u);
  sym_set_current_function(nullptr);
  tree_free(pointer);
}
