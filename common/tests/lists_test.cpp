#include "common/lists.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "common/alert.h"
#include "common/alloc.h"
#include "common/vector.h"

namespace {

typedef std::vector<std::pair<uint32_t, uint32_t>> ranges;

ranges ranges_of(const mem_range *list) {
  ranges out;
  for (; list; list = list->next) out.emplace_back(list->lo, list->hi);
  return out;
}

mem_range *list_of(const ranges &rs) {
  mem_range *list = nullptr;
  for (auto [lo, hi] : rs) rng_add(&list, lo, hi, 0, 0);
  return list;
}

std::string taken(char *text) {
  std::string s = text ? text : "(null)";
  xfree(text);
  return s;
}

// A space with classes whose defined and used lists are given.
struct space_fixture {
  mem_space *spaces = nullptr;
  mem_space *space;
  explicit space_fixture(const char *name = "data") { space = ms_new(&spaces, name, "Data space", 2); }
  ~space_fixture() { ms_free_list(spaces); }
  mem_class *add(const char *name, const ranges &defined, const ranges &used = {}) {
    mem_class *cls = ms_class_find_or_add(space, name, UNIT_BYTE, -1, 0);
    for (auto [lo, hi] : defined) cls_add_range(cls, RNG_DEFINED, lo, hi, hi - lo + 1);
    for (auto [lo, hi] : used) cls_add_range(cls, RNG_USED, lo, hi, 0);
    return cls;
  }
};

// ---- Range lists ----

TEST(MemRange, AddMergesOverlapsAndJoinsAdjacentOnlyWhenAsked) {
  struct row {
    const char *what;
    ranges before;
    uint32_t lo, hi, chunk;
    int join;
    ranges after;
  } rows[] = {
      {"chunked into an empty list", {}, 0x000, 0x3FF, 0x100, 0,
       {{0x000, 0x0FF}, {0x100, 0x1FF}, {0x200, 0x2FF}, {0x300, 0x3FF}}},
      {"chunk larger than the range", {}, 0x10, 0x1F, 0x100, 0, {{0x10, 0x1F}}},
      {"adjacent before, joined", {{0x100, 0x1FF}}, 0x000, 0x0FF, 0, 1, {{0x000, 0x1FF}}},
      {"adjacent before, kept apart", {{0x100, 0x1FF}}, 0x000, 0x0FF, 0, 0,
       {{0x000, 0x0FF}, {0x100, 0x1FF}}},
      {"adjacent after, joined", {{0x000, 0x0FF}}, 0x100, 0x1FF, 0, 1, {{0x000, 0x1FF}}},
      {"inside an existing node", {{0x00, 0x3F}}, 0x10, 0x1F, 0, 1, {{0x00, 0x3F}}},
      {"bridging two nodes", {{0x00, 0x1F}, {0x28, 0x3F}}, 0x10, 0x2F, 0, 0, {{0x00, 0x3F}}},
      {"covering a node", {{0x10, 0x1F}}, 0x00, 0x3F, 0, 0, {{0x00, 0x3F}}},
      {"inserted between nodes", {{0x00, 0x0F}, {0x40, 0x4F}}, 0x20, 0x2F, 0, 0,
       {{0x00, 0x0F}, {0x20, 0x2F}, {0x40, 0x4F}}},
      {"pieces after a covered one are still added", {{0x100, 0x1FF}}, 0x000, 0x3FF, 0x100, 0,
       {{0x000, 0x0FF}, {0x100, 0x1FF}, {0x200, 0x2FF}, {0x300, 0x3FF}}},
      {"a piece overlapping a node is laid down again", {{0x180, 0x27F}}, 0x000, 0x3FF, 0x100, 0,
       {{0x000, 0x0FF}, {0x100, 0x1FF}, {0x200, 0x2FF}, {0x300, 0x3FF}}},
      {"joined pieces merge whatever the chunk", {}, 0x000, 0x3FF, 0x100, 1, {{0x000, 0x3FF}}},
      {"the whole address space", {}, 0, 0xFFFFFFFF, 0, 1, {{0, 0xFFFFFFFF}}},
      {"nothing joins past the top", {{0xFFFFFF00, 0xFFFFFFFF}}, 0x0, 0xFF, 0, 1,
       {{0x0, 0xFF}, {0xFFFFFF00, 0xFFFFFFFF}}},
      {"joined below the top", {{0xFFFFFF00, 0xFFFFFFFF}}, 0xFFFFFE00, 0xFFFFFEFF, 0, 1,
       {{0xFFFFFE00, 0xFFFFFFFF}}},
      {"an empty range adds nothing", {{0x10, 0x1F}}, 0x40, 0x3F, 0, 0, {{0x10, 0x1F}}},
  };
  for (const row &r : rows) {
    mem_range *list = list_of(r.before);
    rng_add(&list, r.lo, r.hi, r.chunk, r.join);
    EXPECT_EQ(ranges_of(list), r.after) << r.what;
    rng_free(list);
  }
}

TEST(MemRangeDeath, ProgrammingErrorsNameTheExpression) {
  mem_range *list = nullptr;
  EXPECT_DEATH(rng_add(&list, 0x20, 0x10, 0, 0), "size >= 0.*lists");
  EXPECT_DEATH(rng_add(nullptr, 0, 1, 0, 0), "mrp.*lists");
}

TEST(MemRange, SubtractAndOverlapKeepNodeBoundaries) {
  struct row {
    const char *what;
    ranges a, b, minus, both;
  } rows[] = {
      {"b empty", {{0, 0xFF}}, {}, {{0, 0xFF}}, {}},
      {"a empty", {}, {{0, 0xFF}}, {}, {}},
      {"holes in the middle and at the ends", {{0x00, 0xFF}}, {{0x00, 0x0F}, {0x40, 0x4F}, {0xF0, 0xFF}},
       {{0x10, 0x3F}, {0x50, 0xEF}}, {{0x00, 0x0F}, {0x40, 0x4F}, {0xF0, 0xFF}}},
      {"adjacent banks stay separate", {{0x000, 0x0FF}, {0x100, 0x1FF}}, {{0x080, 0x17F}},
       {{0x000, 0x07F}, {0x180, 0x1FF}}, {{0x080, 0x0FF}, {0x100, 0x17F}}},
      {"b spans several ranges of a", {{0x00, 0x0F}, {0x20, 0x2F}, {0x40, 0x4F}}, {{0x08, 0x47}},
       {{0x00, 0x07}, {0x48, 0x4F}}, {{0x08, 0x0F}, {0x20, 0x2F}, {0x40, 0x47}}},
      {"at the top of the address space", {{0xFFFFFF00, 0xFFFFFFFF}}, {{0xFFFFFFF0, 0xFFFFFFFF}},
       {{0xFFFFFF00, 0xFFFFFFEF}}, {{0xFFFFFFF0, 0xFFFFFFFF}}},
  };
  for (const row &r : rows) {
    mem_range *a = nullptr, *b = nullptr;
    for (auto [lo, hi] : r.a) rng_add(&a, lo, hi, 0, 0);
    for (auto [lo, hi] : r.b) rng_add(&b, lo, hi, 0, 0);
    mem_range *minus = rng_subtract(a, b), *both = rng_overlap(a, b);
    EXPECT_EQ(ranges_of(minus), r.minus) << r.what;
    EXPECT_EQ(ranges_of(both), r.both) << r.what;
    rng_free(minus);
    rng_free(both);
    rng_free(a);
    rng_free(b);
  }
  mem_range *total = list_of({{0, 0xFF}, {0x200, 0x20F}});
  EXPECT_EQ(rng_free_total(total), 0x110u);
}

TEST(MemRange, EmitsBoundarySymbolsWithTheEndPlusOne) {
  mem_range *list = list_of({{0x60, 0x7F}});
  testing::internal::CaptureStdout();
  rng_emit_bounds(list, "data");
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "\tGLOBAL\t__Ldata0\n__Ldata0\tEQU\t96\n\tGLOBAL\t__Hdata0\n__Hdata0\tEQU\t128\n");
  rng_free(list);

  list = list_of({{0x10, 0x1F}, {0xFFFFFF00, 0xFFFFFFFF}});
  char *text = nullptr;
  size_t size = 0;
  FILE *out = open_memstream(&text, &size);
  rng_emit_bounds_to(out, list, "absbss");
  fclose(out);
  EXPECT_EQ(std::string(text),
            "\tGLOBAL\t__Labsbss0\n__Labsbss0\tEQU\t16\n\tGLOBAL\t__Habsbss0\n__Habsbss0\tEQU\t32\n"
            "\tGLOBAL\t__Labsbss1\n__Labsbss1\tEQU\t4294967040\n"
            "\tGLOBAL\t__Habsbss1\n__Habsbss1\tEQU\t4294967296\n");
  free(text);
  rng_free(list);
}

TEST(MemRange, ReadsNumbersInEveryRadixForm) {
  struct row {
    const char *text;
    int malformed;
    uint32_t value;
    const char *rest;
  } rows[] = {
      {"0FFh-", 0, 255, "-"},      {"0x1F,", 0, 31, ","},   {"0X1fh", 0, 31, ""},
      {"377q", 0, 255, ""},        {"17O", 0, 15, ""},      {"100d", 0, 100, ""},
      {"100", 0, 100, ""},         {"1D", 0, 1, ""},        {"12AB", 1, 0, ""},
      {"FFh", 1, 0, ""},           {"8q", 1, 0, ""},        {"h", 1, 0, ""},
      {"", 1, 0, ""},              {"0x", 1, 0, ""},        {"-5", 1, 0, "-5"},
      {"0FFFFFFFFh", 0, 0xFFFFFFFF, ""},
  };
  for (const row &r : rows) {
    const char *cursor = r.text;
    uint32_t value = 0;
    EXPECT_EQ(rng_parse_number(&cursor, &value), r.malformed) << r.text;
    if (!r.malformed) {
      EXPECT_EQ(value, r.value) << r.text;
    }
    EXPECT_STREQ(cursor, r.rest) << r.text;
  }
}

// Every class text read by rng_parse_spec prints back through cls_spec_string.
TEST(MemClassText, RangeOptionsPrintBackAsClassTexts) {
  struct row {
    const char *option;
    ranges defined;
    const char *text;
  } rows[] = {
      {"CODE=0-0FFhx4", {{0x000, 0x0FF}, {0x100, 0x1FF}, {0x200, 0x2FF}, {0x300, 0x3FF}},
       "-ACODE=00h-0FFhx4"},
      {"CODE=0-0FFh*2,200h-2FFh", {{0x000, 0x0FF}, {0x100, 0x1FF}, {0x200, 0x2FF}},
       "-ACODE=00h-0FFhx3"},
      {"CODE=0-7Fh,100h-1FFh", {{0x00, 0x7F}, {0x100, 0x1FF}}, "-ACODE=00h-07Fh,0100h-01FFh"},
      {"CODE=16-31", {{0x10, 0x1F}}, "-ACODE=010h-01Fh"},
      {"CODE=0x10-0x1F,20h-2Fh,30h-3Fh,40h-4Fh,60h-7Fh",
       {{0x10, 0x1F}, {0x20, 0x2F}, {0x30, 0x3F}, {0x40, 0x4F}, {0x60, 0x7F}},
       "-ACODE=010h-01Fhx4,060h-07Fh"},
      {"CODE=0-0FFhx0,300h-3FFh", {{0x300, 0x3FF}}, "-ACODE=0300h-03FFh"},
      {"CODE=0-0FFhx1", {{0x0, 0xFF}}, "-ACODE=00h-0FFh"},
  };
  for (const row &r : rows) {
    space_fixture f("code");
    mem_class *cls = f.add("CODE", {});
    rng_parse_spec(cls, r.option);
    EXPECT_EQ(ranges_of(cls_list(cls, RNG_DEFINED)), r.defined) << r.option;
    EXPECT_EQ(taken(cls_spec_string(cls, "-A", "CODE")), r.text) << r.option;
  }
}

TEST(MemClassText, WritesFreeRangesWithLoadValueAndPageSize) {
  space_fixture f("code");
  mem_class *banks = f.add("RAM", {{0x000, 0x0FF}, {0x100, 0x1FF}, {0x200, 0x2FF}, {0x300, 0x3FF}},
                           {{0x100, 0x1FF}});
  EXPECT_EQ(taken(cls_spec_string(banks, "-A", "RAM")), "-ARAM=00h-0FFh,0200h-02FFhx2");
  EXPECT_EQ(taken(cls_spec_string(banks, nullptr, "RAM")), "RAM=00h-0FFh,0200h-02FFhx2");

  banks->load = 0x40;
  EXPECT_EQ(taken(cls_spec_string(banks, "", "RAM")), "RAM=00h-0FFh,0200h-02FFh/040hx2");
  mem_class *single = f.add("ONE", {{0x10, 0x1F}});
  single->load = 0x8000;
  EXPECT_EQ(taken(cls_spec_string(single, "", "ONE")), "ONE=010h-01Fh/08000h");

  mem_class *paged = f.add("PAGED", {{0x000, 0x3FF}, {0x800, 0x9FF}});
  paged->page_size = 0x100;
  EXPECT_EQ(taken(cls_spec_string(paged, "", "PAGED")), "PAGED=00h-0FFh-03FFh,0800h-08FFh-09FFh");

  mem_class *full = f.add("FULL", {{0x0, 0xF}}, {{0x0, 0xF}});
  EXPECT_EQ(taken(cls_spec_string(full, "-A", "FULL")), "");
}

TEST(MemClassText, BankTextTakesTheWindowLessUsedAndLeavesTheClass) {
  space_fixture f;
  mem_class *ram = f.add("RAM", {}, {{0x120, 0x12F}});
  cls_add_range(ram, RNG_DEFINED, 0x000, 0x5FF, 0x100);
  EXPECT_EQ(taken(bank_spec_string(ram, "-A", "BANK1", 0x100, 0x1FF)),
            "-ABANK1=0100h-011Fh,0130h-01FFh");
  EXPECT_EQ(taken(bank_spec_string(ram, "-A", "BANK9", 0x900, 0x9FF)), "");
  EXPECT_EQ(ranges_of(cls_list(ram, RNG_DEFINED)).size(), 6u);
  EXPECT_EQ(ranges_of(cls_list(ram, RNG_USED)), (ranges{{0x120, 0x12F}}));
}

// Message lines reported while a callback runs.
std::vector<std::string> reported;
void keep_line(const char *line) { reported.push_back(line); }

std::vector<std::string> messages_of(const std::function<void()> &run) {
  static bool loaded = msg_load_file(TOVRA_SOURCE_DIR "/dat/en_msgs.txt") != 0;
  EXPECT_TRUE(loaded);
  msg_set_error_limit(1000);
  reported.clear();
  msg_set_output_hook(keep_line);
  run();
  msg_set_output_hook(nullptr);
  return reported;
}

TEST(MemRangeOption, BadItemsAreReportedAndWhatCameBeforeIsKept) {
  struct row {
    const char *option;
    const char *number;
    ranges kept;
  } rows[] = {
      {"C=G-10h", "(443)", {}},
      {"C=0-0FFh,", "(443)", {{0, 0xFF}}},
      {"C=10h", "(444)", {}},
      {"C=10h+20h", "(444)", {}},
      {"C=10h-G", "(445)", {}},
      {"C=20h-10h", "(445)", {}},
      {"C=0-0FFhxZ", "(448)", {}},
      {"C=0-0FFFFFFFFhx2", "(448)", {}},
      {"C=0-0FFh;1", "(449)", {{0, 0xFF}}},
  };
  for (const row &r : rows) {
    space_fixture f;
    mem_class *cls = f.add("C", {});
    uint32_t errors = msg_error_count();
    auto lines = messages_of([&] { rng_parse_spec(cls, r.option); });
    ASSERT_EQ(lines.size(), 1u) << r.option;
    EXPECT_NE(lines[0].find(r.number), std::string::npos) << r.option << ": " << lines[0];
    EXPECT_EQ(msg_error_count(), errors + 1) << r.option;
    EXPECT_EQ(ranges_of(cls_list(cls, RNG_DEFINED)), r.kept) << r.option;
  }
  space_fixture f;
  mem_class *cls = f.add("C", {});
  auto lines = messages_of([&] { rng_parse_spec(cls, "C=0-0FFh;1"); });
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].find(";1"), std::string::npos) << lines[0];
}

TEST(MemRangeOptionDeath, OptionWithoutAddressesIsFatal) {
  space_fixture f;
  mem_class *cls = f.add("C", {});
  EXPECT_EXIT(rng_parse_spec(cls, "C"), testing::ExitedWithCode(1), "Bad spec in memory range");
  EXPECT_EXIT(rng_parse_spec(cls, "C="), testing::ExitedWithCode(1), "Missing address");
}

// ---- Spaces and classes ----

TEST(MemSpace, FindsSpacesAndClassesByName) {
  mem_space *spaces = nullptr;
  mem_space *code = ms_new(&spaces, "code", "Program space", 2);
  mem_space *data = ms_new(&spaces, "data", "Data space", 2);
  EXPECT_EQ(spaces, code);
  EXPECT_EQ(code->next, data);
  EXPECT_EQ(ms_find(spaces, "DATA"), data);
  EXPECT_EQ(ms_find(spaces, "eedata"), nullptr);

  mem_class *ram = ms_class_find_or_add(data, "RAM", UNIT_BYTE, -1, 0);
  mem_class *comram = ms_class_find_or_add(data, "COMRAM", UNIT_BYTE, -1, 0);
  EXPECT_EQ(ms_class_find_or_add(data, "RAM", UNIT_WORD, 5, 0x100), ram);
  EXPECT_EQ(ram->unit, UNIT_BYTE);
  EXPECT_EQ(ram->load, -1);
  EXPECT_EQ(ram->next, comram);
  EXPECT_EQ(ram->space, data);
  EXPECT_EQ(ms_find_class(spaces, "COMRAM"), comram);
  EXPECT_EQ(ms_find_class(spaces, "comram"), nullptr);
  ms_free_list(spaces);
}

TEST(MemSpace, ClassListsJoinOnlyUnchunkedRanges) {
  space_fixture f;
  mem_class *ram = f.add("RAM", {});
  cls_add_range(ram, RNG_DEFINED, 0x000, 0x1FF, 0x100);
  cls_add_range(ram, RNG_DEFINED, 0x200, 0x2FF, 0x100);
  EXPECT_EQ(ranges_of(cls_list(ram, RNG_DEFINED)),
            (ranges{{0x000, 0x0FF}, {0x100, 0x1FF}, {0x200, 0x2FF}}));
  cls_add_range(ram, RNG_USED, 0x10, 0x1F, 0);
  cls_add_range(ram, RNG_USED, 0x20, 0x2F, 0);
  EXPECT_EQ(ranges_of(cls_list(ram, RNG_USED)), (ranges{{0x10, 0x2F}}));
  cls_add_range(ram, 3, 0x0, 0xF, 0);
  cls_add_range(ram, -1, 0x0, 0xF, 0);
  EXPECT_EQ(cls_top(ram), 0x2FFu);
  EXPECT_TRUE(rng_contains(0x180, ram));
  EXPECT_FALSE(rng_contains(0x300, ram));
}

TEST(MemSpace, RepeatedRangesCoverEveryPageUpToTheTop) {
  space_fixture f("code");
  mem_class *medium = f.add("MEDIUMCONST", {});
  cls_add_range(medium, RNG_DEFINED, 0x00000, 0x3FFFF, 0x10000);
  cls_add_ranges_repeated(medium, RNG_USED, 0x0, 0x5FF, 0x10000);
  EXPECT_EQ(ranges_of(cls_list(medium, RNG_USED)),
            (ranges{{0x00000, 0x005FF}, {0x10000, 0x105FF}, {0x20000, 0x205FF}, {0x30000, 0x305FF}}));

  mem_class *top = f.add("TOP", {{0xFFFF0000, 0xFFFFFFFF}});
  cls_add_ranges_repeated(top, RNG_USED, 0xFFFF0000, 0xFFFF00FF, 0x8000);
  EXPECT_EQ(ranges_of(cls_list(top, RNG_USED)),
            (ranges{{0xFFFF0000, 0xFFFF00FF}, {0xFFFF8000, 0xFFFF80FF}}));
}

TEST(MemSpace, MovedRangeKeepsItsSizeOrTakesTheNewEnd) {
  space_fixture f;
  mem_class *cls = f.add("C", {{0x000, 0x0FF}, {0x200, 0x2FF}});
  cls_move_range(cls, 0x200, 0x300, 0);
  EXPECT_EQ(ranges_of(cls_list(cls, RNG_DEFINED)), (ranges{{0x000, 0x0FF}, {0x300, 0x3FF}}));
  cls_move_range(cls, 0x000, 0x400, 0x47F);
  EXPECT_EQ(ranges_of(cls_list(cls, RNG_DEFINED)), (ranges{{0x300, 0x3FF}, {0x400, 0x47F}}));
  cls_move_range(cls, 0x123, 0x0, 0);
  EXPECT_EQ(ranges_of(cls_list(cls, RNG_DEFINED)).size(), 2u);
}

TEST(MemSpace, RestrictedClassSharesTheOtherUsedList) {
  space_fixture f;
  mem_class *big = f.add("BIGRAM", {{0x000, 0x5FF}}, {{0x50, 0x5F}});
  mem_class *small = f.add("SMALL", {{0x100, 0x7FF}}, {{0x700, 0x70F}});
  cls_restrict(small, big, 0);
  EXPECT_EQ(ranges_of(cls_list(small, RNG_DEFINED)), (ranges{{0x100, 0x5FF}}));
  EXPECT_EQ(ranges_of(cls_list(small, RNG_USED)), (ranges{{0x700, 0x70F}}));

  cls_restrict(small, big, 1);
  EXPECT_EQ(ranges_of(cls_list(small, RNG_USED)), (ranges{{0x50, 0x5F}}));
  // A node added in front of the shared list, or merging its head away,
  // must be seen through both classes.
  cls_add_range(small, RNG_USED, 0x00, 0x0F, 0);
  cls_add_range(big, RNG_USED, 0x10, 0x4F, 0);
  EXPECT_EQ(ranges_of(cls_list(big, RNG_USED)), (ranges{{0x00, 0x5F}}));
  EXPECT_EQ(ranges_of(cls_list(small, RNG_USED)), (ranges{{0x00, 0x5F}}));
  cls_add_range(big, RNG_USED, 0x100, 0x1FF, 0);
  EXPECT_EQ(cls_free_size(small), 0x400u);

  cls_clear_ranges(big);
  EXPECT_EQ(cls_list(small, RNG_USED), nullptr);
  cls_clear_ranges(small);
  cls_add_range(small, RNG_USED, 0x0, 0x1, 0);
  EXPECT_EQ(cls_list(big, RNG_USED), nullptr);
}

TEST(MemSpace, FreeSpaceQueries) {
  space_fixture f;
  mem_class *cls = f.add("C", {{0x000, 0x0FF}, {0x100, 0x1FF}}, {{0x10, 0x1F}});
  cls_add_range(cls, RNG_RESERVED, 0x180, 0x1FF, 0);
  mem_range largest = cls_largest_free(cls);
  EXPECT_EQ(std::make_pair(largest.lo, largest.hi), std::make_pair(0x20u, 0xFFu));
  EXPECT_EQ(cls_lowest_free(cls), 0x0u);
  EXPECT_EQ(cls_free_top(cls), 0x1FFu);
  EXPECT_EQ(cls_free_size(cls), 0x1F0u);
  mem_range *chunks = cls_free_chunks(cls);
  EXPECT_EQ(ranges_of(chunks), (ranges{{0x00, 0x0F}, {0x20, 0xFF}, {0x100, 0x17F}}));
  rng_free(chunks);

  mem_class *equal = f.add("EQ", {{0x00, 0x0F}, {0x20, 0x2F}});
  largest = cls_largest_free(equal);
  EXPECT_EQ(largest.lo, 0x00u);
  EXPECT_EQ(ms_free_size(f.space), 0x1F0u + 0x20u);

  mem_class *none = f.add("NONE", {});
  largest = cls_largest_free(none);
  EXPECT_EQ(std::make_pair(largest.lo, largest.hi), std::make_pair(0u, 0xFFFFFFFFu));
  EXPECT_EQ(cls_lowest_free(none), 0xFFFFFFFFu);
  EXPECT_EQ(cls_free_top(none), 0u);
  EXPECT_EQ(cls_free_size(nullptr), 0u);
  EXPECT_EQ(percent(25, 200), 12.5);
  EXPECT_EQ(percent(25, 0), 0.0);
}

TEST(MemSpace, AllocationPrefersAnExactFitAndMarksEveryClass) {
  struct row {
    const char *what;
    ranges free;
    uint32_t size;
    int action, from_top;
    bool found;
    uint32_t lo, hi;
  } rows[] = {
      {"exact fit", {{0x20, 0x2F}, {0x40, 0x7F}}, 16, ALLOC_USE, 0, true, 0x20, 0x2F},
      {"exact fit after a larger range", {{0x00, 0x3F}, {0x40, 0x4F}}, 16, ALLOC_USE, 0, true, 0x40, 0x4F},
      {"low end of the first larger", {{0x00, 0x07}, {0x40, 0x7F}}, 16, ALLOC_RESERVE, 0, true, 0x40, 0x4F},
      {"high end when asked", {{0x00, 0x07}, {0x40, 0x7F}}, 16, ALLOC_USE, 1, true, 0x70, 0x7F},
      {"query returns the range found", {{0x00, 0x07}, {0x40, 0x7F}}, 16, ALLOC_QUERY, 0, true, 0x40, 0x7F},
      {"nothing large enough", {{0x00, 0x07}, {0x40, 0x4F}}, 17, ALLOC_USE, 0, false, 0, 0},
  };
  for (const row &r : rows) {
    space_fixture f;
    mem_class *cls = f.add("RAM", r.free);
    mem_class *other = f.add("BIGRAM", {{0x00, 0xFF}});
    mem_range *block = cls_allocate(f.space, cls, r.size, r.action, r.from_top);
    ASSERT_EQ(block != nullptr, r.found) << r.what;
    if (!block) continue;
    EXPECT_EQ(std::make_pair(block->lo, block->hi), std::make_pair(r.lo, r.hi)) << r.what;
    ranges marked = r.action == ALLOC_QUERY ? ranges{} : ranges{{r.lo, r.hi}};
    int list = r.action == ALLOC_QUERY ? RNG_USED : r.action;
    for (mem_class *c : {cls, other})
      EXPECT_EQ(ranges_of(cls_list(c, list)), marked) << r.what << " " << c->name;
    rng_free(block);
  }

  space_fixture f;
  mem_class *cls = f.add("RAM", {{0x20, 0x2F}});
  mem_range *empty = cls_allocate_simple(f.space, cls, 0, ALLOC_USE);
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(empty->lo, 0x20u);
  EXPECT_EQ(cls_list(cls, RNG_USED), nullptr);
  rng_free(empty);
  mem_range *first = cls_allocate_simple(f.space, cls, 8, ALLOC_RESERVE);
  mem_range *second = cls_allocate_simple(f.space, cls, 8, ALLOC_RESERVE);
  EXPECT_EQ(second->lo, 0x28u);
  EXPECT_EQ(cls_allocate_simple(f.space, cls, 1, ALLOC_USE), nullptr);
  rng_free(first);
  rng_free(second);
}

TEST(MemSpaceDeath, UnknownAllocationActionIsFatal) {
  space_fixture f;
  mem_class *cls = f.add("RAM", {{0x20, 0x2F}});
  EXPECT_EXIT(cls_allocate(f.space, cls, 1, 4, 0), testing::ExitedWithCode(1), "Illegal action");
}

TEST(MemSpace, ReservedRangesAreReleasedAsUsedOrDropped) {
  space_fixture f;
  mem_class *a = f.add("A", {{0x00, 0xFF}});
  mem_class *b = f.add("B", {{0x00, 0xFF}}, {{0x80, 0x8F}});
  cls_add_range(a, RNG_RESERVED, 0x10, 0x1F, 0);
  cls_add_range(b, RNG_RESERVED, 0x90, 0x9F, 0);
  ms_release_reserved(f.space);
  EXPECT_EQ(ranges_of(cls_list(a, RNG_USED)), (ranges{{0x10, 0x1F}, {0x90, 0x9F}}));
  EXPECT_EQ(ranges_of(cls_list(b, RNG_USED)), (ranges{{0x10, 0x1F}, {0x80, 0x9F}}));
  EXPECT_EQ(cls_list(a, RNG_RESERVED), nullptr);
  EXPECT_EQ(cls_list(b, RNG_RESERVED), nullptr);

  cls_add_range(a, RNG_RESERVED, 0x40, 0x4F, 0);
  ms_clear_list2(f.space);
  EXPECT_EQ(cls_list(a, RNG_RESERVED), nullptr);
  EXPECT_EQ(ranges_of(cls_list(a, RNG_USED)).size(), 2u);

  ms_reset(f.space);
  EXPECT_TRUE(f.space->reset);
  for (mem_class *c : {a, b})
    for (int list = RNG_DEFINED; list <= RNG_RESERVED; list++) EXPECT_EQ(cls_list(c, list), nullptr);
}

TEST(MemSpace, CopiesAreIndependentAndEntriesCanBeReplaced) {
  mem_space *spaces = nullptr;
  mem_space *code = ms_new(&spaces, "code", "Program space", 2);
  mem_space *data = ms_new(&spaces, "data", "Data space", 2);
  mem_space *eedata = ms_new(&spaces, "eedata", "EEPROM space", 2);
  mem_class *ram = ms_class_find_or_add(data, "RAM", UNIT_BYTE, 7, 0x100);
  cls_add_range(ram, RNG_DEFINED, 0x00, 0xFF, 0);
  cls_add_range(ram, RNG_USED, 0x10, 0x1F, 0);
  psect_set(data, "bss", UNIT_BYTE, "RAM", 0x20, 0x20, 4);

  mem_space *copy = ms_copy_list(spaces);
  mem_class *ram_copy = ms_find_class(copy, "RAM");
  ASSERT_NE(ram_copy, nullptr);
  EXPECT_EQ(ram_copy->space, copy->next);
  EXPECT_EQ(ram_copy->load, 7);
  EXPECT_EQ(ram_copy->page_size, 0x100u);
  EXPECT_STREQ(copy->next->psects->class_text, "RAM");
  cls_add_range(ram_copy, RNG_USED, 0x80, 0x8F, 0);
  EXPECT_EQ(ranges_of(cls_list(ram, RNG_USED)), (ranges{{0x10, 0x1F}}));

  mem_class *chain = cls_copy_chain(data->classes);
  EXPECT_EQ(ranges_of(cls_list(chain, RNG_USED)), (ranges{{0x10, 0x1F}}));
  cls_free_chain(chain);

  // Put the copied data space back in place of the original one.
  mem_space *data_copy = copy->next;
  copy->next = data_copy->next;
  data_copy->next = nullptr;
  ms_replace_entry(&spaces, data, data_copy);
  EXPECT_EQ(spaces->next, data_copy);
  EXPECT_EQ(data_copy->next, eedata);
  EXPECT_EQ(ms_find_class(spaces, "RAM"), ram_copy);
  ms_remove_entry(&spaces, code);
  EXPECT_EQ(spaces, data_copy);
  ms_free_list(spaces);
  ms_free_list(copy);
}

// ---- Psect usage records ----

struct psect_row {
  std::string name, class_text;
  uint32_t link, length;
};

std::vector<psect_row> psects_of(const mem_space *space) {
  std::vector<psect_row> out;
  for (const psect_usage *p = space->psects; p; p = p->next)
    out.push_back({p->name, p->class_text ? p->class_text : "-", p->link, p->length});
  return out;
}

bool operator==(const psect_row &a, const psect_row &b) {
  return a.name == b.name && a.class_text == b.class_text && a.link == b.link && a.length == b.length;
}

void PrintTo(const psect_row &r, std::ostream *os) {
  *os << r.name << "/" << r.class_text << "@" << r.link << "+" << r.length;
}

TEST(PsectUsage, RecordsAreUpdatedOrAddedAfterTheirNamesake) {
  space_fixture f;
  psect_set(f.space, "text", UNIT_BYTE, "CODE", 0, 0, 0);
  psect_set(f.space, "bss", UNIT_BYTE, "RAM", 0x60, 0x60, 0x10);
  psect_set(f.space, "text", 0, nullptr, 0x100, 0x100, 0x40);  // fills the empty record
  psect_set(f.space, "text", 0, nullptr, 0x200, 0x200, 0x20);  // a second part
  psect_set(f.space, "bss", UNIT_BIT, "COMRAM", 0, 0, 0);      // renames the class only
  psect_set(f.space, "text12", 0, nullptr, 0x300, 0x300, 8);   // class from its stem
  psect_set(f.space, "data_2", 0, nullptr, 0x80, 0x80, 2);     // "_2" is no number suffix
  EXPECT_EQ(psects_of(f.space), (std::vector<psect_row>{{"text", "CODE", 0x100, 0x40},
                                                        {"text", "CODE", 0x200, 0x20},
                                                        {"bss", "COMRAM", 0x60, 0x10},
                                                        {"text12", "CODE", 0x300, 8},
                                                        {"data_2", "-", 0x80, 2}}));
  EXPECT_EQ(ms_value_of(f.space, "bss"), UNIT_BYTE);
  EXPECT_EQ(ms_value_of(f.space, "text12"), 0);
  EXPECT_EQ(ms_value_of(f.space, "nothing"), 0);
  EXPECT_STREQ(psect_stem_text(f.space->psects, "bss7"), "COMRAM");
  EXPECT_EQ(psect_stem_text(f.space->psects, "rbss"), nullptr);
}

TEST(PsectUsage, SortIsStableAndUnitsRoundUp) {
  space_fixture f;
  psect_set(f.space, "a", UNIT_BYTE, "X", 0x30, 0x300, 10);
  psect_set(f.space, "b", UNIT_WORD, "X", 0x10, 0x100, 1);
  psect_set(f.space, "c", UNIT_BIT, "X", 0x20, 0x100, 2);
  psect_set(f.space, "d", UNIT_NIBBLE, "X", 0x10, 0x200, 1);
  auto names = [&] {
    std::string s;
    for (const psect_usage *p = f.space->psects; p; p = p->next) s += p->name;
    return s;
  };
  psect_sort(f.space, PSECT_BY_LINK);
  EXPECT_EQ(names(), "bdca");
  psect_sort(f.space, PSECT_BY_LOAD);
  EXPECT_EQ(names(), "bcda");
  psect_sort(f.space, PSECT_BY_LENGTH);
  EXPECT_EQ(names(), "bdca");
  // 10 bytes, 2 bits, 1 nibble, and 1 address of words counting as a word.
  EXPECT_EQ(psect_units_total(f.space), 10u + 2u + 1u + 1u);
  psect_set(f.space, "e", UNIT_WORD, "X", 0, 0, 2);  // 3 addresses: still one word
  EXPECT_EQ(psect_units_total(f.space), 10u + 2u + 1u + 1u);
  psect_set(f.space, "f", UNIT_WORD, "X", 0, 0, 1);
  EXPECT_EQ(psect_units_total(f.space), 10u + 2u + 1u + 2u);
}

// ---- Directed graphs ----

struct graph {
  vec *universe = dag_new_universe();
  std::vector<dag_node *> nodes;
  explicit graph(int n) {
    for (int i = 0; i < n; i++) nodes.push_back(dag_node_new(universe, reinterpret_cast<void *>(intptr_t(i))));
  }
  ~graph() { dag_free_universe(universe); }
  int edge(int from, int to, uint32_t flags = 1, uint32_t tag = 0) {
    return dag_add_edge(nodes[from], nodes[to], tag, flags);
  }
};

int index_of(const dag_node *n) { return int(reinterpret_cast<intptr_t>(n->item)); }

// (node, depth) in the walk's order.
std::vector<std::pair<int, uint32_t>> walk(dag_node *from, int order, uint32_t mask) {
  vec *v = dag_walk(from, order, mask);
  std::vector<std::pair<int, uint32_t>> out;
  for (uint32_t i = 0; i < vec_size(v); i++) {
    auto *n = static_cast<dag_node *>(vec_get(v, i));
    out.emplace_back(index_of(n), n->depth);
  }
  vec_free(v);
  return out;
}

std::vector<int> on_cycle(const graph &g) {
  std::vector<int> out;
  for (const dag_node *n : g.nodes)
    if (n->cycle_flags & DAG_ON_CYCLE) out.push_back(index_of(n));
  return out;
}

TEST(Dag, DuplicateEdgesAreRefused) {
  graph g(2);
  EXPECT_EQ(g.edge(0, 1, 1, 7), 1);
  EXPECT_EQ(g.edge(0, 1, 1, 7), 0);
  EXPECT_EQ(g.nodes[1]->in_degree, 1u);
  EXPECT_EQ(g.edge(0, 1, 1, 8), 1);
  EXPECT_EQ(g.edge(0, 1, 2, 7), 1);
  EXPECT_EQ(g.nodes[1]->in_degree, 3u);
}

TEST(Dag, WalkOrdersByLongestDepthOverMaskedEdges) {
  graph g(5);
  g.edge(0, 2, 3);  // shortcut listed first
  g.edge(0, 1, 3);
  g.edge(1, 2, 3);
  g.edge(2, 3, 1);  // lacks bit 2
  g.edge(3, 4, 2);  // lacks bit 1
  typedef std::vector<std::pair<int, uint32_t>> visits;
  EXPECT_EQ(walk(g.nodes[0], 1, 1), (visits{{0, 1}, {1, 2}, {2, 3}, {3, 4}}));
  EXPECT_EQ(walk(g.nodes[0], 0, 3), (visits{{2, 3}, {1, 2}, {0, 1}}));
  EXPECT_EQ(walk(g.nodes[0], 1, 0), (visits{{0, 1}, {1, 2}, {2, 3}, {3, 4}, {4, 5}}));
  EXPECT_EQ(walk(nullptr, 1, 0), visits{});
}

TEST(Dag, CycleMarksFollowTheSearchFromEachReachedNode) {
  {
    graph g(2);  // a -> b -> a
    g.edge(0, 1);
    g.edge(1, 0);
    EXPECT_EQ(walk(g.nodes[0], 1, 1).size(), 2u);
    EXPECT_EQ(on_cycle(g), (std::vector<int>{0, 1}));
  }
  {
    // s -> c over the mask; c -> m -> c outside it. The search from s or c
    // meets c again before m can close its own loop, so m stays unmarked.
    graph g(3);
    g.edge(0, 1, 1);
    g.edge(1, 2, 2);
    g.edge(2, 1, 2);
    EXPECT_EQ(walk(g.nodes[0], 1, 1).size(), 2u);
    EXPECT_EQ(on_cycle(g), (std::vector<int>{1}));
  }
  {
    // s -> x over the mask; x -> y -> z -> y outside it: y is marked though
    // the walk never returns it, z is not.
    graph g(4);
    g.edge(0, 1, 1);
    g.edge(1, 2, 2);
    g.edge(2, 3, 2);
    g.edge(3, 2, 2);
    walk(g.nodes[0], 1, 1);
    EXPECT_EQ(on_cycle(g), (std::vector<int>{2}));
  }
  {
    graph g(2);  // a self loop
    g.edge(0, 1);
    g.edge(1, 1);
    walk(g.nodes[0], 1, 1);
    EXPECT_EQ(on_cycle(g), (std::vector<int>{1}));
  }
}

// The walk as stated: re-entering nodes at every longer depth and searching
// every simple path for cycle marks. Exponential, so only for small graphs.
struct reference_walk {
  uint32_t mask;
  std::vector<dag_node *> result;
  std::map<dag_node *, uint32_t> depth;
  std::map<dag_node *, bool> visiting;
  std::map<dag_node *, bool> marked;

  void collect(dag_node *n, uint32_t d) {
    if (visiting[n] || depth[n] >= d) return;
    if (std::find(result.begin(), result.end(), n) == result.end()) result.push_back(n);
    visiting[n] = true;
    depth[n] = d;
    for (uint32_t i = 0; i < vec_size(n->edges); i++) {
      auto *e = static_cast<dag_edge *>(vec_get(n->edges, i));
      if ((e->flags & mask) == mask) collect(e->target, d + 1);
    }
    visiting[n] = false;
  }

  void search(dag_node *n) {
    visiting[n] = true;
    for (uint32_t i = 0; i < vec_size(n->edges); i++) {
      dag_node *t = static_cast<dag_edge *>(vec_get(n->edges, i))->target;
      if (visiting[t])
        marked[t] = true;
      else
        search(t);
    }
    visiting[n] = false;
  }
};

TEST(Dag, WalkAgreesWithTheExhaustiveSearchOnRandomGraphs) {
  std::mt19937 random(2024);
  for (int round = 0; round < 300; round++) {
    int n = 2 + int(random() % 7);
    graph g(n);
    int edges = int(random() % (n * 3));
    for (int i = 0; i < edges; i++) g.edge(int(random() % n), int(random() % n), 1 + random() % 3);
    dag_node *start = g.nodes[random() % n];
    reference_walk ref{1, {}, {}, {}, {}};
    ref.collect(start, 1);
    for (dag_node *r : ref.result) ref.search(r);

    vec *got = dag_walk(start, 1, 1);
    ASSERT_EQ(vec_size(got), ref.result.size()) << "round " << round;
    for (dag_node *node : ref.result) EXPECT_EQ(node->depth, ref.depth[node]) << "round " << round;
    // The same first-reached order, sorted the same way, gives the same order.
    vec *expected = vec_new_default();
    for (dag_node *node : ref.result) vec_push(expected, node);
    vec_sort(expected, [](const void *x, const void *y) {
      uint32_t a = (*static_cast<dag_node *const *>(x))->depth;
      uint32_t b = (*static_cast<dag_node *const *>(y))->depth;
      return (a > b) - (a < b);
    });
    for (uint32_t i = 0; i < vec_size(got); i++)
      EXPECT_EQ(vec_get(got, i), vec_get(expected, i)) << "round " << round << " place " << i;
    vec_free(expected);
    for (dag_node *node : g.nodes)
      EXPECT_EQ((node->cycle_flags & DAG_ON_CYCLE) != 0, ref.marked[node])
          << "round " << round << " node " << index_of(node);
    vec_free(got);
  }
}

// s_i -> s_i+1 directly and through a_i; forty of them stacked give 2^40
// paths, which a search over every path would never finish.
TEST(Dag, StackedDiamondsFinishWithLongestDepths) {
  const int diamonds = 40;
  graph g(2 * diamonds + 1);
  auto s = [](int i) { return 2 * i; };
  auto a = [](int i) { return 2 * i + 1; };
  for (int i = 0; i < diamonds; i++) {
    g.edge(s(i), s(i + 1));
    g.edge(s(i), a(i));
    g.edge(a(i), s(i + 1));
  }
  auto visits = walk(g.nodes[0], 1, 1);
  ASSERT_EQ(visits.size(), size_t(2 * diamonds + 1));
  for (auto [node, depth] : visits) EXPECT_EQ(depth, uint32_t(node + 1)) << node;
  EXPECT_EQ(on_cycle(g), std::vector<int>{});

  // Closing the stack into a loop outside the mask: only the node the loop
  // returns to can be met again, every route back passes through it.
  graph h(2 * diamonds + 2);
  h.edge(0, 1, 1);
  for (int i = 0; i < diamonds; i++) {
    h.edge(1 + s(i), 1 + s(i + 1), 2);
    h.edge(1 + s(i), 1 + a(i), 2);
    h.edge(1 + a(i), 1 + s(i + 1), 2);
  }
  h.edge(1 + s(diamonds), 1, 2);
  EXPECT_EQ(walk(h.nodes[0], 1, 1).size(), 2u);
  EXPECT_EQ(on_cycle(h), std::vector<int>{1});
  EXPECT_EQ(walk(h.nodes[0], 1, 0).size(), size_t(2 * diamonds + 2));
  EXPECT_EQ(on_cycle(h).size(), size_t(2 * diamonds + 1));
}

TEST(Dag, ReachabilityIsCachedUntilAnEdgeIsAdded) {
  graph g(3);
  g.edge(0, 1);
  EXPECT_TRUE(g.edge(0, 1, 2));
  EXPECT_TRUE(dag_reaches(g.nodes[0], g.nodes[1], 1));
  EXPECT_FALSE(dag_reaches(g.nodes[0], g.nodes[2], 1));
  EXPECT_NE(g.nodes[0]->reach, nullptr);
  g.edge(1, 2);
  EXPECT_EQ(g.nodes[0]->reach, nullptr);
  EXPECT_TRUE(dag_reaches(g.nodes[0], g.nodes[2], 1));
  EXPECT_FALSE(dag_reaches(g.nodes[0], g.nodes[2], 2));
  EXPECT_EQ(g.nodes[0]->reach_mask, 2u);
}

TEST(Dag, MixingUniversesIsReportedAndTheEdgeKept) {
  graph g(1), h(1);
  testing::internal::CaptureStderr();
  EXPECT_EQ(dag_add_edge(g.nodes[0], h.nodes[0], 0, 1), 1);
  EXPECT_NE(testing::internal::GetCapturedStderr().find("attempt to mix DAG universes"),
            std::string::npos);
  EXPECT_EQ(h.nodes[0]->in_degree, 1u);
}

}  // namespace
