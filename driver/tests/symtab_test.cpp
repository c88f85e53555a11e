// The link symbol table read from a fixture symbol file: psect extents from
// the bound symbols, containing psects, segments, functions and the
// function list, iterators and the messages for inconsistent files.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/vector.h"
#include "driver/symtab.h"
#include "support.h"

namespace {

const std::string fixture = std::string(TOVRA_TEST_DIR) + "/data/link.sym";

class symtab : public ::testing::Test {
 protected:
  void SetUp() override { symt_reset(); }
  void TearDown() override { symt_free(); }

  std::vector<std::string> symbols() {
    std::vector<std::string> names;
    for (const char *n = symt_next_symbol(SYMT_ITER_RESET); (n = symt_next_symbol(SYMT_ITER_NEXT));) names.push_back(n);
    std::sort(names.begin(), names.end());
    return names;
  }

  scratch_dir here{true};
  message_capture messages;
};

TEST_F(symtab, psect_extents_come_from_the_bound_symbols_in_either_order) {
  ASSERT_EQ(symt_read(fixture.c_str()), 1);
  EXPECT_TRUE(symt_psect_known("text"));
  EXPECT_EQ(symt_psect_low("text"), 0x100u);
  EXPECT_EQ(symt_psect_size("text"), 0x80u);  // "__H" came first
  EXPECT_STREQ(symt_psect_class("text"), "CODE");
  EXPECT_EQ(symt_psect_low("bss"), 0x60u);
  EXPECT_EQ(symt_psect_size("bss"), 0x10u);
  EXPECT_EQ(symt_psect_base("bss"), 0x1060u);
  EXPECT_FALSE(symt_psect_known("data"));
  EXPECT_EQ(symt_psect_size("data"), 0u);
  EXPECT_TRUE(symt_addr_in_psect(0x17F, "text"));
  EXPECT_FALSE(symt_addr_in_psect(0x180, "text"));
  EXPECT_TRUE(messages.lines().empty()) << messages.text();
}

TEST_F(symtab, symbols_carry_value_numeric_field_text_and_containing_psect) {
  ASSERT_EQ(symt_read(fixture.c_str()), 1);
  EXPECT_EQ(symt_sym_value("_main"), 0x100u);
  EXPECT_EQ(symt_sym_extra("_main"), 2u);
  EXPECT_STREQ(symt_sym_text("_main"), "text");
  EXPECT_STREQ(symt_sym_psect("_main"), "text");
  EXPECT_EQ(symt_sym_extra("_counter"), uint32_t(-0x1F));
  EXPECT_STREQ(symt_sym_text("_counter"), "bss");
  EXPECT_EQ(symt_sym_extra("_isr"), 0u);
  EXPECT_STREQ(symt_sym_psect("_counter"), "bss");
  EXPECT_STREQ(symt_sym_psect("_edge"), "text");  // the end of a psect counts as inside
  EXPECT_STREQ(symt_sym_psect("__Bbss"), "bss");
  EXPECT_EQ(symt_sym_psect("rparam"), nullptr);
  EXPECT_EQ(symt_sym_extra("__Lbss"), 0u);
  EXPECT_FALSE(symt_sym_defined("_main@x"));  // local section
  EXPECT_EQ(symt_sym_value("nosuch"), 0u);
  EXPECT_EQ(symt_sym_text("nosuch"), nullptr);
}

TEST_F(symtab, segments_of_every_segment_section_in_file_order) {
  ASSERT_EQ(symt_read(fixture.c_str()), 1);
  vec *segments = symt_segments();
  ASSERT_EQ(vec_size(segments), 2u);
  auto *text = static_cast<symt_segment *>(vec_get(segments, 0));
  auto *bss = static_cast<symt_segment *>(vec_get(segments, 1));
  EXPECT_STREQ(text->name, "text");
  EXPECT_EQ(text->low, 0x100u);
  EXPECT_EQ(text->size, 0x80u);
  EXPECT_STREQ(text->class_name, "CODE");
  EXPECT_STREQ(bss->class_name, "BANK0");
  EXPECT_EQ(bss->size, 0x10u);
  EXPECT_EQ(bss->extra, 1u);
}

TEST_F(symtab, functions_and_the_function_list) {
  ASSERT_EQ(symt_read(fixture.c_str()), 1);
  ASSERT_EQ(symt_function_count(), 2u);
  auto *main_fn = static_cast<symt_function *>(vec_get(symt_functions(), 0));
  EXPECT_STREQ(main_fn->name, "_main");
  EXPECT_EQ(main_fn->start, 0x100u);
  EXPECT_EQ(main_fn->extra, 2u);
  EXPECT_EQ(main_fn->size, 0x40u);
  EXPECT_EQ(symt_function_total(), 0x50u);
  EXPECT_EQ(read_file("funclist"), "_main: text, 256 2 64\n_isr: text, 320 0 16\nTotal: 80");
}

TEST_F(symtab, vectors) {
  ASSERT_EQ(symt_read(fixture.c_str()), 1);
  EXPECT_TRUE(symt_has_vector(8));
  EXPECT_FALSE(symt_has_any_vector_in(0, 7));
  EXPECT_TRUE(symt_has_any_vector_in(0, 0x18));
  EXPECT_FALSE(symt_has_any_vector_in(9, 1));
  EXPECT_NE(messages.text().find("lo (9) must be <= hi (1)"), std::string::npos);
}

TEST_F(symtab, iterators_walk_the_snapshots_through_the_filter) {
  ASSERT_EQ(symt_read(fixture.c_str()), 1);
  symt_filter_by_psect("bss");
  EXPECT_STREQ(symt_filter_psect(), "bss");
  EXPECT_EQ(symbols(), (std::vector<std::string>{"__Bbss", "__Hbss", "__Lbss", "_counter"}));
  EXPECT_EQ(symt_next_state(), SYMT_STATE_FINISHED);
  symt_filter_by_psect(nullptr);
  EXPECT_EQ(symbols().size(), 13u);

  std::vector<std::string> psects;
  EXPECT_EQ(symt_next_psect(SYMT_ITER_RESET), nullptr);
  EXPECT_EQ(symt_psect_next_state(), SYMT_STATE_RESET);
  psects.push_back(symt_next_psect(SYMT_ITER_NEXT));
  EXPECT_EQ(symt_psect_next_state(), SYMT_STATE_RUNNING);
  psects.push_back(symt_next_psect(SYMT_ITER_NEXT));
  EXPECT_EQ(symt_psect_next_state(), SYMT_STATE_FINISHED);
  EXPECT_EQ(symt_next_psect(SYMT_ITER_NEXT), nullptr);
  std::sort(psects.begin(), psects.end());
  EXPECT_EQ(psects, (std::vector<std::string>{"bss", "text"}));

  EXPECT_EQ(symt_next_psect(7), nullptr);
  EXPECT_NE(messages.text().find("Unknown iterator command (7)"), std::string::npos);
  EXPECT_EQ(symt_no_iterator(), -1);
}

TEST_F(symtab, an_empty_or_missing_file_leaves_the_table_empty) {
  EXPECT_EQ(symt_read("no-such.sym"), 0);
  EXPECT_EQ(symt_next_symbol(SYMT_ITER_NEXT), nullptr);
  EXPECT_EQ(symt_next_state(), SYMT_STATE_FINISHED);
  EXPECT_EQ(symt_function_count(), 0u);
  EXPECT_TRUE(messages.lines().empty());
}

TEST_F(symtab, inconsistent_files_are_reported_and_reading_goes_on) {
  std::string path = here.file("bad.sym",
                               "__Ltext 100 CODE\n"
                               "__Ltext 200 CODE\n"
                               "__Hdata 80 RAM\n"
                               "__Ldata 20 RAM\n"
                               "__Hdata 90 RAM\n"
                               "x 10 text\n"
                               "x 20 text\n"
                               "y 30 text\n");
  ASSERT_EQ(symt_read(path.c_str()), 1);
  EXPECT_EQ(messages.lines(), (std::vector<std::string>{
                                  "Error (process_line): symbol (__Ltext) redefined in file",
                                  "Error (update_psects): found two low psect symbols for text",
                                  "Error (process_line): symbol (__Hdata) redefined in file",
                                  "Error (update_psects): found two high psect symbols for data",
                                  "Error (process_line): symbol (x) redefined in file",
                              }));
  EXPECT_EQ(symt_sym_value("x"), 0x10u);
  EXPECT_EQ(symt_sym_value("y"), 0x30u);
  EXPECT_EQ(symt_psect_low("data"), 0x20u);
  EXPECT_EQ(symt_psect_size("data"), 0x70u);
}

}  // namespace
