// Types: type strings, sizes and classes, the usual arithmetic result,
// struct and bit-field layout, equality and compatibility.
#include <gtest/gtest.h>

#include <string>

#include "codegen/model/symbols.h"
#include "codegen/model/tests/model_support.h"
#include "codegen/model/treetext.h"
#include "codegen/model/types.h"
#include "common/vector.h"

namespace {

class TypesTest : public testing::Test {
 protected:
  void SetUp() override { fresh_model(); }
};

ctype *tag_type(const char *tag) { return sym_find(tag)->type; }

symbol *member(ctype *s, uint32_t k) { return static_cast<symbol *>(vec_get(s->members, k)); }

TEST_F(TypesTest, TypeStringsGiveKindSizeAndClass) {
  struct {
    const char *text;
    uint8_t kind;
    uint32_t size;
    uint8_t arith;
    const char *shape;  // the type read back
  } cases[] = {
      {"i", TY_BASIC, 2, ARITH_SIGNED, "i"},
      {"ul", TY_BASIC, 4, ARITH_UNSIGNED, "ul"},
      {"b", TY_BASIC, 0, ARITH_BIT, "b"},
      {"DVi", TY_QUALIFIED, 2, ARITH_SIGNED, "CVi"},
      {"*c", TY_POINTER, 3, ARITH_UNSIGNED, "*c"},
      {"*Cc", TY_POINTER, 3, ARITH_UNSIGNED, "*Cc"},
      {"C*c", TY_QUALIFIED, 3, ARITH_UNSIGNED, "C*c"},
      {"(i", TY_FUNCTION, 0, ARITH_NONE, "(i"},
      {"*(i", TY_POINTER, 2, ARITH_UNSIGNED, "*(i"},
      {"SVum", TY_QUALIFIED, 3, ARITH_UNSIGNED, "VSum"},
      {"S7", TY_STRUCT, 0, ARITH_NONE, "S7"},
  };
  for (auto &c : cases) {
    ctype *t = type_parse(c.text);
    EXPECT_EQ(t->kind, c.kind) << c.text;
    EXPECT_EQ(type_size(t), c.size) << c.text;
    EXPECT_EQ(type_arith(t), c.arith) << c.text;
    EXPECT_EQ(type_string(t), c.shape) << c.text;
  }
  EXPECT_TRUE(captured_numbers().empty());
  EXPECT_EQ(sym_find("S7")->kind, SK_STRUCT_TAG) << "a struct named before its record";
}

TEST_F(TypesTest, BadTypeStrings) {
  for (const char *text : {"q", "D", "D3", "*", ""}) {
    captured_lines().clear();
    ctype *t = type_parse(text);
    EXPECT_NE(t, nullptr) << text;
    EXPECT_EQ(captured_numbers(), std::vector<unsigned>{1097}) << text;
  }
}

TEST_F(TypesTest, TypedefsAndQualifiersInTypeStrings) {
  read_records("[v _T `*c 1 t ]");
  EXPECT_EQ(type_string(type_parse("_T")), "*c");
  EXPECT_EQ(type_string(type_parse("V_T")), "V*c");
  ctype *t = type_parse("DVi");
  EXPECT_EQ(type_qualifiers(t), uint32_t(Q_CONST | Q_VOLATILE));
  EXPECT_EQ(type_unqual(t), type_int());
}

TEST_F(TypesTest, TypeForSize) {
  EXPECT_EQ(type_for_size(2, ARITH_SIGNED), type_int());
  EXPECT_EQ(type_for_size(1, ARITH_UNSIGNED), type_uchar());
  EXPECT_EQ(type_for_size(3, ARITH_SIGNED), type_basic("tx"));
  EXPECT_EQ(type_for_size(3, ARITH_FLOAT), type_basic("f"));
  EXPECT_EQ(type_for_size(0, ARITH_BIT), type_bit());
  EXPECT_NE(type_for_size(5, ARITH_SIGNED), nullptr) << "no match still gives a type";
}

TEST_F(TypesTest, UsualArithmeticResult) {
  struct {
    const char *a, *b, *result;
  } cases[] = {
      {"c", "c", "c"},   {"c", "uc", "i"},  {"uc", "i", "i"},  {"c", "ui", "l"},
      {"ui", "l", "l"},  {"ul", "l", "l"},  {"b", "c", "c"},   {"b", "b", "uc"},
      {"uc", "us", "ui"}, {"f", "l", "f"},  {"i", "us", "l"},  {"ul", "ul", "ul"},
  };
  for (auto &c : cases) {
    ctype *r = type_arith_result(type_parse(c.a), type_parse(c.b));
    EXPECT_EQ(type_string(r), c.result) << c.a << " with " << c.b;
    r = type_arith_result(type_parse(c.b), type_parse(c.a));
    EXPECT_EQ(type_string(r), c.result) << c.b << " with " << c.a;
  }
}

TEST_F(TypesTest, SmallestIntegerSize) {
  const std::pair<uint32_t, uint32_t> cases[] = {
      {0, 1}, {127, 1}, {255, 1}, {256, 2}, {65535, 2}, {65536, 4}, {0xffffffffu, 4}};
  for (auto &[value, size] : cases) EXPECT_EQ(type_min_int_size(value), size) << value;
}

struct layout_case {
  const char *record;
  uint32_t size;
  std::vector<std::pair<int, int>> places;  // (byte offset, bit offset) per member
  std::vector<unsigned> messages;
};

TEST_F(TypesTest, StructAndBitFieldLayout) {
  const layout_case cases[] = {
      {"[s S1 :3 `i 1 :6 `i 1 ]", 2, {{0, 0}, {1, 0}}, {}},
      {"[s S1 :3 `i 1 :5 `i 1 ]", 1, {{0, 0}, {0, 3}}, {}},
      {"[s S1 :3 `i 1 `c 1 :1 `i 1 ]", 3, {{0, 0}, {1, 0}, {2, 0}}, {}},
      {"[s S1 :3 `i 1 :0 `i 1 :2 `i 1 ]", 2, {{0, 0}, {1, 0}, {1, 0}}, {}},
      {"[s S1 :8 `ui 1 :1 `ui 1 ]", 2, {{0, 0}, {1, 0}}, {}},
      {"[s S1 `l 1 `c -> 10 `x `*c 1 ]", 17, {{0, 0}, {4, 0}, {14, 0}}, {}},
      {"[s S1 :9 `i 1 ]", 1, {{0, 0}}, {741}},
      {"[u S1 `l 1 `c 1 :3 `i 1 ]", 4, {{0, 0}, {0, 0}, {0, 0}}, {}},
  };
  for (const layout_case &c : cases) {
    fresh_model();
    read_records(c.record);
    ctype *t = tag_type("S1");
    EXPECT_EQ(type_size(t), c.size) << c.record;
    for (size_t k = 0; k < c.places.size(); k++) {
      EXPECT_EQ(member(t, uint32_t(k))->offset, c.places[k].first) << c.record << " member " << k;
      EXPECT_EQ(member(t, uint32_t(k))->bf_offset, c.places[k].second) << c.record << " member " << k;
    }
    EXPECT_EQ(captured_numbers(), c.messages) << c.record;
  }
}

TEST_F(TypesTest, Equality) {
  read_records(
      "[s S1 `i 1 `*S1 1 ] "
      "[s S2 `i 1 `*S2 1 ] "
      "[s S3 `i 1 `*c 1 ] "
      "[s S4 :3 `i 1 ] "
      "[s S5 :4 `i 1 ] "
      "[c E6 1 2 .. ] "
      "[c E7 1 2 .. ] "
      "[c E8 1 3 .. ]");
  struct {
    const char *a, *b;
    bool equal;
  } cases[] = {
      {"S1", "S2", true},   // recursive structs of equal shape
      {"S1", "S3", false},
      {"S4", "S5", false},  // bit-field widths differ
      {"E6", "E7", true},
      {"E6", "E8", false},
      {"*i", "*i", true},
      {"*i", "*ui", false},
      {"Ci", "Vi", false},
      {"i", "s", true},     // same size and class
      {"(i", "(i", true},
  };
  for (auto &c : cases)
    EXPECT_EQ(type_equal(type_parse(c.a), type_parse(c.b)), c.equal) << c.a << " vs " << c.b;
  ctype *a10 = type_array_of(type_int(), 10), *a0 = type_array_of(type_int(), 0),
        *a11 = type_array_of(type_int(), 11);
  EXPECT_TRUE(type_equal(a10, a0)) << "a count of 0 matches any";
  EXPECT_FALSE(type_equal(a10, a11));
  ctype *f1 = type_derive(type_int(), TY_FUNCTION), *f2 = type_derive(type_int(), TY_FUNCTION);
  vec_push(f1->params, type_int());
  EXPECT_FALSE(type_equal(f1, f2)) << "parameter lists must end together";
  vec_push(f2->params, type_parse("s"));
  EXPECT_TRUE(type_equal(f1, f2));
}

TEST_F(TypesTest, Compatibility) {
  read_records(
      "[s S1 `i 1 `*c 1 ] "
      "[s S2 `s 1 `*c 1 ] "
      "[s S3 `S1 1 `l 1 ] "
      "[s S4 `i 1 ] "
      "[s S5 `ui 1 `*c 1 ]");
  struct {
    const char *a, *b;
    bool compatible;
  } cases[] = {
      {"**S1", "**S2", true},  // members of equal sizes that are compatible
      {"S1", "S5", false},     // int and unsigned int differ in class
      {"S1", "S4", false},
      {"S1", "S3", true},      // the second's first member is compatible with the first
      {"S1", "i", false},
      {"i", "ui", false},
      {"i", "s", true},
      {"*(i", "*(c", true},
      {"DVi", "i", true},
  };
  for (auto &c : cases)
    EXPECT_EQ(type_compatible(type_parse(c.a), type_parse(c.b)), c.compatible) << c.a << " vs " << c.b;
  captured_lines().clear();
  EXPECT_FALSE(sym_check_compatible(type_parse("S1"), type_parse("S4"), true));
  EXPECT_EQ(captured_numbers(), std::vector<unsigned>{1264});
  captured_lines().clear();
  EXPECT_FALSE(sym_check_compatible(type_parse("S1"), type_parse("S4"), false));
  EXPECT_TRUE(captured_numbers().empty());
}

}  // namespace
