// Number syntax, class range options and range arithmetic of placement,
// called directly.
#include "linker/place.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "linker/pass.h"
#include "linker/sym.h"
#include "tests/support/test_support.h"

namespace {

struct Placement : ::testing::Test {
  void SetUp() override {
    capture_messages();
    link_begin();
  }
  psect_info *cls(const char *name) { return sym_enter(name, LS_CLASS | LS_GLOBAL)->info; }
};

TEST(PlacementNumbers, SuffixesChooseTheBase) {
  const struct {
    const char *text;
    bool ok;
    uint32_t value;
    const char *rest;
  } cases[] = {
      {"ffh", true, 255, ""},    {"0FFH", true, 255, ""},   {"1d", true, 1, ""},        {"017", true, 17, ""},
      {"12o", true, 10, ""},     {"17Q", true, 15, ""},     {"0x1F", true, 31, ""},     {"0X1fh", true, 31, ""},
      {"100h,x", true, 256, ",x"}, {"12-34", true, 12, "-34"}, {"1e", false, 0, ""},   {"8o", false, 0, ""},
      {"x1", false, 0, ""},      {"0x", false, 0, ""},      {"", false, 0, ""},         {"d", false, 0, ""},
      {"4294967295", true, 0xFFFFFFFF, ""},
  };
  for (const auto &c : cases) {
    const char *p = c.text;
    uint32_t v = 0;
    EXPECT_EQ(read_number(&p, &v), c.ok) << c.text;
    if (!c.ok) continue;
    EXPECT_EQ(v, c.value) << c.text;
    EXPECT_STREQ(p, c.rest) << c.text;
  }
}

struct range_text {
  uint32_t link, length, load, extra;
};

std::vector<range_text> ranges_of(const psect_info *k) {
  std::vector<range_text> out;
  if (k->ranges)
    for (const addr_range &r : *k->ranges) out.push_back({r.link, r.length, r.load, r.extra});
  return out;
}

bool operator==(const range_text &a, const range_text &b) {
  return a.link == b.link && a.length == b.length && a.load == b.load && a.extra == b.extra;
}

std::ostream &operator<<(std::ostream &o, const range_text &r) {
  return o << std::hex << "{" << r.link << "," << r.length << "," << r.load << "," << r.extra << "}";
}

TEST_F(Placement, ClassRangeOptions) {
  place_option_class_ranges("CODE=0-3FFFh");
  EXPECT_EQ(ranges_of(cls("CODE")), (std::vector<range_text>{{0, 0x4000, 0, 0}}));
  // Copies linked alike and loaded one after another.
  place_option_class_ranges("BANK=0-FFh/100hx2");
  EXPECT_EQ(ranges_of(cls("BANK")), (std::vector<range_text>{{0, 0x100, 0x100, 0}, {0, 0x100, 0x200, 0}}));
  // Copies end to end; a top gives an extension.
  place_option_class_ranges("RAM=0-0FFhx3,1000h-10FFh-11FFh");
  EXPECT_EQ(ranges_of(cls("RAM")), (std::vector<range_text>{{0, 0x100, 0, 0},
                                                            {0x100, 0x100, 0x100, 0},
                                                            {0x200, 0x100, 0x200, 0},
                                                            {0x1000, 0x100, 0x1000, 0x100}}));
  place_option_class_ranges("NONE=0-1x0");
  EXPECT_TRUE(ranges_of(cls("NONE")).empty());
  EXPECT_TRUE(captured_numbers().empty());
  EXPECT_TRUE(sym_find("CODE", LS_CLASS)->flags & LS_RANGED);
  ASSERT_EQ(place_ranged_classes.size(), 4u);
  EXPECT_EQ(place_ranged_classes[0], cls("CODE"));
}

TEST_F(Placement, BadClassRangeOptions) {
  const struct {
    const char *text;
    unsigned message;
  } cases[] = {{"CODE", 441},         {"CODE=", 442},        {"CODE=0-1,", 442},   {"CODE=x-1", 443},
               {"CODE=0", 444},       {"CODE=0-", 445},      {"CODE=10-1", 445},   {"CODE=0-10-5", 446},
               {"CODE=0-1/z", 447},   {"CODE=0-1x", 448},    {"CODE=0-1;", 449},
               // Repeats that would take unbounded time or wrap past 32 bits.
               {"CODE=0-0hx0FFFFFFFFh", 448}, {"CODE=0-0FFhx1000000h", 448}, {"CODE=0FFFFFF00h-0FFFFFFFFhx2", 448},
               {"CODE=0-0FFh/0FFFFFF00hx2", 448}};
  for (const auto &c : cases) {
    capture_messages();
    place_option_class_ranges(c.text);
    EXPECT_EQ(captured_numbers(), (std::vector<unsigned>{c.message})) << c.text;
  }
}

TEST_F(Placement, ClassDeltasAndAttributes) {
  place_option_class_delta("CODE=2");
  EXPECT_EQ(cls("CODE")->delta, 2);
  EXPECT_TRUE(place_class_deltas);
  place_option_class_attributes("RAM=100h,10h,400h");
  EXPECT_EQ(cls("RAM")->max_size, 0x100u);
  EXPECT_EQ(cls("RAM")->boundary, 0x10u);
  EXPECT_EQ(cls("RAM")->limit, 0x400u);
  place_option_class_attributes("RAM=200h");
  EXPECT_EQ(cls("RAM")->max_size, 0x100u);
  const struct {
    const char *text;
    unsigned message;
  } bad[] = {{"CODE", 439}, {"CODE=x", 440}, {"CODE=0", 440}};
  for (const auto &c : bad) {
    capture_messages();
    place_option_class_delta(c.text);
    EXPECT_EQ(captured_numbers(), (std::vector<unsigned>{c.message})) << c.text;
  }
  for (const char *text : {"RAM=0", "RAM=x", "RAM=1,2,3,4"}) {
    capture_messages();
    place_option_class_attributes(text);
    EXPECT_EQ(captured_numbers(), (std::vector<unsigned>{438})) << text;
  }
}

TEST_F(Placement, TakingTheMiddleOfARangeSplitsIt) {
  psect_info *k = cls("RAM");
  std::vector<addr_range> list;
  range_insert(list, k, 0, 0x100, 0, 0, true, 0);
  range_subtract(list, 0x10, 0x20, 0);
  ASSERT_EQ(list.size(), 2u);
  // The upper part comes first.
  EXPECT_EQ(list[0].load, 0x20u);
  EXPECT_EQ(list[0].length, 0xE0u);
  EXPECT_EQ(list[1].load, 0u);
  EXPECT_EQ(list[1].length, 0x10u);
}

TEST_F(Placement, RangeSubtractionCases) {
  psect_info *k = cls("RAM");
  struct {
    const char *what;
    uint32_t from, to;
    std::vector<range_text> left;
  } cases[] = {
      {"whole range", 0x100, 0x200, {{0x100, 0, 0x100, 0}}},
      {"low part", 0x100, 0x140, {{0x140, 0xC0, 0x140, 0x10}}},
      {"high part", 0x1C0, 0x210, {{0x100, 0xC0, 0x100, 0}}},
      {"in the extension", 0x208, 0x300, {{0x100, 0x100, 0x100, 8}}},
      {"nothing", 0x0, 0x0, {{0x100, 0x100, 0x100, 0x10}}},
      {"beyond", 0x300, 0x400, {{0x100, 0x100, 0x100, 0x10}}},
  };
  for (auto &c : cases) {
    std::vector<addr_range> list;
    range_insert(list, k, 0x100, 0x100, 0x10, 0x100, true, 0);
    range_subtract(list, c.from, c.to, 0);
    std::vector<range_text> left;
    for (const addr_range &r : list) left.push_back({r.link, r.length, r.load, r.extra});
    EXPECT_EQ(left, c.left) << c.what;
  }
  // Ranges of other spaces are untouched.
  std::vector<addr_range> list;
  range_insert(list, k, 0, 0x100, 0, 0, true, 0);
  range_subtract(list, 0, 0x100, 1);
  EXPECT_EQ(list[0].length, 0x100u);
}

TEST_F(Placement, RangesStopAtTheSpaceLimit) {
  psect_info *k = cls("RAM");
  k->space = 1;
  sym_space_limits.push_back({1, 0x180});
  std::vector<addr_range> list;
  range_insert(list, k, 0, 0x100, 0, 0, true, list.size());
  range_insert(list, k, 0x100, 0x100, 0, 0x100, true, list.size());
  range_insert(list, k, 0x200, 0x100, 0, 0x200, true, list.size());
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0].length, 0x100u);
  EXPECT_EQ(list[1].length, 0x80u);
  // A range already covered is not added twice.
  range_insert(list, k, 0x10, 0x10, 0, 0x10, true, list.size());
  EXPECT_EQ(list.size(), 2u);
}

}  // namespace
