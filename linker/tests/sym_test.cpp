// The symbol table: entry kinds, definitions, commons, equates, and the
// table's capacity, called directly.
#include "linker/sym.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "linker/options.h"
#include "linker/pass.h"
#include "tests/support/test_support.h"

namespace {

constexpr uint32_t GLOBAL_COMMON = LS_GLOBAL | (uint32_t)IO_SYM_COMMON;
constexpr uint32_t GLOBAL_EQUATE = LS_GLOBAL | (uint32_t)IO_SYM_EQUATE;

struct SymbolTable : ::testing::Test {
  void SetUp() override {
    capture_messages();
    link_begin();
    lpos.pass = 1;
  }
  link_symbol *psect(const char *name) { return sym_enter(name, LS_PSECT | LS_GLOBAL); }
  uint32_t kind(const link_symbol *e) { return e->flags & LS_KIND; }
};

TEST_F(SymbolTable, NamesOfDifferentEntryKindsAreDifferentEntries) {
  link_symbol *p = sym_enter("CODE", LS_PSECT | LS_GLOBAL);
  link_symbol *c = sym_enter("CODE", LS_CLASS | LS_GLOBAL);
  link_symbol *s = sym_enter("CODE", LS_GLOBAL);
  EXPECT_NE(p, c);
  EXPECT_NE(p, s);
  EXPECT_NE(c, s);
  EXPECT_EQ(sym_find("CODE", LS_PSECT), p);
  EXPECT_EQ(sym_find("CODE", LS_CLASS), c);
  EXPECT_EQ(sym_find("CODE", 0), s);
  EXPECT_EQ(kind(s), (uint32_t)IO_SYM_REF);
  EXPECT_EQ(sym_undefined_count(), 1u);
}

TEST_F(SymbolTable, CommonsKeepTheLargerSizeAndYieldToDefinitions) {
  link_symbol *bss = psect("bss");
  sym_define(1, "_c", bss, 4, GLOBAL_COMMON);
  sym_define(1, "_c", bss, 8, GLOBAL_COMMON);
  sym_define(1, "_c", bss, 2, GLOBAL_COMMON);
  link_symbol *c = sym_find("_c", 0);
  EXPECT_EQ(c->value, 8u);
  EXPECT_EQ(kind(c), (uint32_t)IO_SYM_COMMON);

  // A definition wins, whether it comes before or after the common.
  sym_define(1, "_c", bss, 0x10, LS_GLOBAL);
  EXPECT_EQ(kind(c), (uint32_t)IO_SYM_DEFINE);
  EXPECT_EQ(c->value, 0x10u);
  sym_define(1, "_d", bss, 0x20, LS_GLOBAL);
  sym_define(1, "_d", bss, 4, GLOBAL_COMMON);
  link_symbol *d = sym_find("_d", 0);
  EXPECT_EQ(kind(d), (uint32_t)IO_SYM_DEFINE);
  EXPECT_EQ(d->value, 0x20u);

  sym_define(1, "_e", bss, 4, GLOBAL_COMMON);
  sym_define(1, "_e", psect("data"), 4, GLOBAL_COMMON);
  EXPECT_EQ(captured_numbers(), (std::vector<unsigned>{481}));
}

TEST_F(SymbolTable, RepeatedDefinitionsOnlyClashWhenTheyDiffer) {
  link_symbol *text = psect("text");
  sym_define(1, "_f", text, 0x10, LS_GLOBAL);
  sym_define(1, "_f", text, 0x10, LS_GLOBAL);
  EXPECT_TRUE(captured_numbers().empty());
  sym_define(1, "_f", text, 0x12, LS_GLOBAL);
  sym_define(1, "_f", psect("other"), 0x10, LS_GLOBAL);
  EXPECT_EQ(captured_numbers(), (std::vector<unsigned>{482}));
  EXPECT_EQ(sym_find("_f", 0)->value, 0x10u);
}

TEST_F(SymbolTable, DefinitionsCountDownTheUndefinedSymbols) {
  sym_enter("_a", LS_GLOBAL);
  sym_enter("_b", LS_GLOBAL);
  EXPECT_EQ(sym_undefined_count(), 2u);
  sym_define(1, "_a", sym_abs_psect, 1, LS_GLOBAL);
  EXPECT_EQ(sym_undefined_count(), 1u);
  // The same definition again in pass 2 changes nothing.
  lpos.pass = 2;
  sym_define(2, "_a", sym_abs_psect, 1, LS_GLOBAL);
  EXPECT_EQ(sym_undefined_count(), 1u);
  EXPECT_TRUE(sym_find("_a", 0)->state & ST_PASS2);
}

TEST_F(SymbolTable, EquateChainsResolveToTheirLastTarget) {
  link_symbol *text = psect("text");
  text->info->link = 0x100;
  text->info->delta = 1;
  sym_define(1, "c", text, 5, LS_GLOBAL);
  sym_define(1, "b", sym_enter("c", LS_GLOBAL), 3, GLOBAL_EQUATE);
  sym_define(1, "a", sym_enter("b", LS_GLOBAL), 2, GLOBAL_EQUATE);
  sym_resolve();
  link_symbol *a = sym_find("a", 0);
  EXPECT_EQ(kind(a), (uint32_t)IO_SYM_DEFINE);
  EXPECT_EQ(a->base, text);
  EXPECT_EQ(a->value, 0x100u + 5 + 3 + 2);
  EXPECT_TRUE(captured_numbers().empty());
}

TEST_F(SymbolTable, EquateCyclesAreReported) {
  sym_define(1, "x", sym_enter("y", LS_GLOBAL), 1, GLOBAL_EQUATE);
  sym_define(1, "y", sym_enter("x", LS_GLOBAL), 1, GLOBAL_EQUATE);
  // A cycle that a third equate only leads into.
  sym_define(1, "z", sym_enter("x", LS_GLOBAL), 1, GLOBAL_EQUATE);
  sym_resolve();
  std::vector<unsigned> numbers = captured_numbers();
  EXPECT_EQ(numbers, (std::vector<unsigned>(3, 479)));
}

TEST_F(SymbolTable, UndefinedSymbolsAreListedAndMovedToTheAbsolutePsect) {
  sym_enter("_one", LS_GLOBAL);
  sym_resolve();
  EXPECT_EQ(captured_numbers(), (std::vector<unsigned>{499}));
  EXPECT_EQ(sym_find("_one", 0)->base, sym_abs_psect);
  EXPECT_EQ(sym_undefined_count(), 0u);

  capture_messages();
  link_begin();
  lopt.ignore_undefined = true;
  sym_enter("_one", LS_GLOBAL);
  sym_enter("_two", LS_GLOBAL);
  sym_resolve();
  EXPECT_EQ(captured_numbers(), (std::vector<unsigned>{595}));
}

TEST(SymbolTableOptions, LocalLabels) {
  const struct {
    const char *name;
    bool label;
  } cases[] = {{"L123", true}, {"l9", true}, {"u0", true}, {"S12", true}, {"L12a", false},
               {"Lx", false},  {"_L1", false}, {"x12", false}, {"", false}};
  for (const auto &c : cases) EXPECT_EQ(link_is_local_label(c.name), c.label) << c.name;
}

TEST_F(SymbolTable, APsectAndItsClassMustAgree) {
  sym_option_psect_class("text=CODE");
  sym_option_psect_class("text=CODE");
  EXPECT_TRUE(captured_numbers().empty());
  sym_option_psect_class("text=ROM");
  sym_option_psect_class("text");
  EXPECT_EQ(captured_numbers(), (std::vector<unsigned>{484, 437}));
}

TEST(SymbolTableCapacity, AFullTableEndsTheLink) {
  EXPECT_EXIT(
      {
        capture_messages();
        link_begin();
        for (uint32_t i = 0; i < SYM_SLOTS; i++) sym_enter(("s" + std::to_string(i)).c_str(), LS_GLOBAL);
      },
      ::testing::ExitedWithCode(1), "");
  // One entry less than the slots fits (the absolute psect holds one).
  capture_messages();
  link_begin();
  for (uint32_t i = 0; i + 1 < SYM_SLOTS; i++) sym_enter(("s" + std::to_string(i)).c_str(), LS_GLOBAL);
  EXPECT_TRUE(captured_numbers().empty());
  EXPECT_EQ(sym_undefined_count(), (uint32_t)SYM_SLOTS - 1);
}

}  // namespace
