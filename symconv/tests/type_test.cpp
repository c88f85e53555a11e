// Type strings into derivation chains, their hashes, equality and printing,
// and the choice of machine.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "common/alloc.h"
#include "common/vector.h"
#include "symconv/machine.h"
#include "symconv/tests/forvane_fixture.h"
#include "symconv/type.h"

namespace {

class ForvaneTypes : public ForvaneTest {
 protected:
  void choose(const char *processor) {
    settings.processor = str_dup(processor);
    ASSERT_TRUE(machine_init(""));
  }
  std::string printed(const type_chain *t) {
    return stream_text([&](FILE *out) { type_print(out, t); });
  }
};

TEST_F(ForvaneTypes, ProcessorNamesChooseTheirMachine) {
  struct {
    const char *processor, *extra;
    const machine_desc *machine;
  } cases[] = {
      {"18F452", nullptr, &machpic18_desc},     {"16F877", nullptr, &machpic_desc},
      {"PIC18F452", nullptr, &machpic_desc},    {"dsPIC30F2010", nullptr, &machpic_desc},
      {"30F2010", nullptr, &machdspic_desc},    {"HT46R47", nullptr, &machhtk_desc},
      {"ht46r47", nullptr, &machhtk_desc},      {"32MX360F512L", nullptr, &machpic32_desc},
      {"AT91R40008", nullptr, &macharm_desc},   {"C8051F120", nullptr, &mach51_desc},
      {"XYZ", "8051", &mach51_desc},            {"14000", nullptr, &machpic_desc},
  };
  for (const auto &c : cases) {
    for (; settings.extra_count > 0; settings.extra_count--) xfree(settings.extra_names[settings.extra_count - 1]);
    if (c.extra) settings.extra_names[settings.extra_count++] = str_dup(c.extra);
    EXPECT_EQ(machine_select(machine_table, machine_count, "", c.processor), c.machine) << c.processor;
  }
}

TEST_F(ForvaneTypes, ModeNamesChooseTheOneMachineThatListsThemAll) {
  EXPECT_EQ(machine_select(machine_table, machine_count, "PIC14 GLOBOPT ]", nullptr), &machpic_desc);
  EXPECT_EQ(machine_select(machine_table, machine_count, "LFSROK ERRATA_FXX2_B3 FAST_INTS ]", nullptr),
            &machpic18_desc);
  EXPECT_TRUE(captured_numbers().empty());
  EXPECT_EQ(machine_select(machine_table, machine_count, "GLOBOPT ]", nullptr), nullptr);
  EXPECT_EQ(machine_select(machine_table, machine_count, "NOSUCHMODE ]", nullptr), nullptr);
  EXPECT_EQ(captured_numbers(), (std::vector<unsigned>{669, 668}));
  // A processor name settles what the modes leave open.
  EXPECT_EQ(machine_select(machine_table, machine_count, "GLOBOPT ]", "18F452"), &machpic18_desc);
}

TEST_F(ForvaneTypes, TypeStringsBecomeChains) {
  choose("18F452");
  type_chain *p = sdb_parse_type("`*uc");
  ASSERT_TRUE(p);
  ASSERT_EQ(p->count, 2u);
  EXPECT_EQ(p->elems[0].kind, TK_BASIC);
  EXPECT_STREQ(p->elems[0].text, "uc");
  EXPECT_EQ(p->elems[0].value, uint32_t(TC_UNSIGNED));
  EXPECT_EQ(p->elems[0].size, 1u);
  EXPECT_EQ(p->elems[1].kind, TK_POINTER);
  EXPECT_EQ(mach_type_size(type_outer(p)), 2u);

  type_chain *v = sdb_parse_type("`Vi");
  ASSERT_TRUE(v);
  EXPECT_EQ(type_outer(v)->kind, TK_QUALIFIER);
  EXPECT_EQ(type_outer(v)->value, 0x2u);
  EXPECT_EQ(mach_type_size(type_outer(v)), 2u);  // a qualifier keeps its type's size

  type_chain *dc = sdb_parse_type("`DCV*[3][2]ul");
  ASSERT_TRUE(dc);
  ASSERT_EQ(dc->count, 5u);  // ul, [2], [3], *, one qualifier element
  EXPECT_EQ(dc->elems[1].value, 2u);
  EXPECT_EQ(dc->elems[2].value, 3u);
  EXPECT_STREQ(type_outer(dc)->text, "DCV");
  EXPECT_EQ(type_outer(dc)->value, 0x80002u);
  EXPECT_EQ(printed(dc), "const volatile *[3][2]u4");

  type_chain *f = sdb_parse_type("`*(*.cv");
  ASSERT_TRUE(f);
  EXPECT_STREQ(type_outer(f)->text, "*");
  EXPECT_EQ(f->elems[1].value, uint32_t('.'));
  EXPECT_STREQ(f->elems[1].text, "*.c");
  EXPECT_TRUE(type_is_function(f) == false);

  EXPECT_EQ(sdb_parse_type("`nosuchtype"), nullptr);
  EXPECT_EQ(sdb_parse_type("`*"), nullptr);
  EXPECT_EQ(sdb_parse_type("`[x]i"), nullptr);
  for (type_chain *t : {p, v, dc, f}) type_chain_free(t);
}

TEST_F(ForvaneTypes, HashesAndEquality) {
  choose("18F452");
  type_chain *i = sdb_parse_type("`i"), *pi = sdb_parse_type("`*i"), *x = sdb_parse_type("`x");
  EXPECT_EQ(type_hash(i), 3u);
  EXPECT_EQ(type_hash(pi), 3u * 256 + 3);
  EXPECT_EQ(type_cmp(i, x), 0);  // same class and size
  EXPECT_NE(type_cmp(i, pi), 0);

  // Two struct records with the same members and names are one type; a
  // struct holding a pointer to itself is not its copy.
  sdb_record *m = load_sdb("structs",
                           "[p ]\n[s S1 pair 4 `i 1 a 2 0 `i 1 b 2 2 ]\n[s S2 pair 4 `i 1 a 2 0 `i 1 b 2 2 ]\n"
                           "[s S3 node 4 `*S3 1 next 2 0 `i 1 v 2 2 ]\n[s S4 node 4 `*S4 1 next 2 0 `i 1 v 2 2 ]\n"
                           "[s S5 . 16 `S1 1 p 4 0 `S2 1 q 4 4 `*S3 1 r 2 8 `*S4 1 s 2 10 ]\n");
  ASSERT_TRUE(m);
  // The types as members of S5 use them.
  sdb_record *s5 = static_cast<sdb_record *>(vec_get(m->items, 4));
  ASSERT_EQ(s5->member_count, 4u);
  type_chain *s1 = s5->members[0].type, *s2 = s5->members[1].type, *s3 = s5->members[2].type,
             *s4 = s5->members[3].type;
  ASSERT_TRUE(s1 && s2 && s3 && s4);
  EXPECT_EQ(type_cmp(s1, s2), 0);
  EXPECT_NE(type_cmp(s3, s4), 0);
  EXPECT_EQ(type_cmp(s3, s3), 0);

  hash_table *table = type_table_new();
  type_table_put(table, s1, 1);
  type_table_put(table, s2, 2);  // equal: keeps the first cell
  type_table_put(table, pi, 3);
  ASSERT_TRUE(type_table_get(table, s2));
  EXPECT_EQ(*type_table_get(table, s2), 1);
  hash_table *copy = type_table_copy(table);
  EXPECT_EQ(*type_table_get(copy, pi), 3);
  EXPECT_EQ(type_table_get(copy, i), nullptr);
  type_table_free(table);
  type_table_free(copy);
  for (type_chain *t : {i, pi, x}) type_chain_free(t);
}

TEST_F(ForvaneTypes, UnknownQualifierLettersAddNoBit) {
  choose("18F452");
  testing::internal::CaptureStderr();
  type_chain *t = sdb_parse_type("`Ec");  // eeprom is no PIC18 qualifier
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(err, "Unknown qualifier E\n");
  ASSERT_TRUE(t);
  EXPECT_EQ(type_outer(t)->value, 0u);
  type_chain_free(t);
}

}  // namespace
