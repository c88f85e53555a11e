// Initialisers: the values an object's initialiser writes, padded to the
// object, bit-fields packed into their byte, and the ones refused or
// dropped; the object classes, the data sizes and the order of the
// initialised data; the floating constant pool.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "codegen/model/initdata.h"
#include "codegen/model/literals.h"
#include "codegen/model/optim.h"
#include "codegen/model/tests/standin_target.h"
#include "codegen/model/symbols.h"
#include "codegen/model/tests/reader_fixture.h"
#include "codegen/model/treetext.h"
#include "codegen/model/tree.h"
#include "codegen/model/types.h"
#include "common/vector.h"

namespace {

using Initialisers = ReaderTest;

std::string written(const char *name) {
  symbol *s = sym_find(name);
  if (!s) return "<no symbol>";
  standin_output().clear();
  uint32_t bytes = lex_init_size(s, true);
  return standin_output() + "=" + std::to_string(bytes);
}

TEST_F(Initialisers, ValuesAreWrittenAndPaddedToTheObject) {
  const char STRUCTS[] =
      "[s S1 :3 `ui 1 :4 `ui 1 `uc 1 ]\n"  // x:3 and y:4 share byte 0, c is byte 1
      "[s S2 :3 `ui 1 :6 `ui 1 `uc 1 ]\n"  // y:6 does not fit beside x: byte 1
      "[u S3 `i 1 `c 1 ]\n"
      "[s S4 `c 1 `i -> 2 `ux ]\n";
  struct {
    const char *records;
    const char *expected;
    std::vector<unsigned> messages = {};
  } cases[] = {
      {"[v _t `i -> 3 `ux e ]\n[i _t\n:U ..\n-> 1 `i\n-> 2 `i\n-> 3 `i\n..\n]\n", "\tdata2\t1\n\tdata2\t2\n\tdata2\t3\n=6"},
      {"[v _t `i -> 3 `ux e ]\n[i _t\n:U ..\n-> 7 `i\n..\n]\n", "\tdata2\t7\n\tds\t4\n=6"},
      {"[v _t `S1 1 e ]\n[i _t\n:U ..\n-> 5 `ui\n-> 3 `ui\n-> 7 `uc\n..\n]\n", "\tdata1\t29\n\tdata1\t7\n=2"},
      {"[v _t `S2 1 e ]\n[i _t\n:U ..\n-> 9 `ui\n-> 2 `ui\n-> 3 `uc\n..\n]\n", "\tdata1\t1\n\tdata1\t2\n\tdata1\t3\n=3"},
      {"[v _t `S3 1 e ]\n[i _t\n:U ..\n-> 258 `i\n..\n]\n", "\tdata2\t258\n=2"},
      {"[v _t `S4 1 e ]\n[i _t\n:U ..\n-> 1 `c\n:U ..\n-> 2 `i\n..\n..\n]\n", "\tdata1\t1\n\tdata2\t2\n\tds\t2\n=5"},
      {"[v _t `c -> 3 `ux e ]\n[i _t\n:U ..\n-> 104 `c\n-> 105 `c\n-> 0 `c\n..\n]\n",
       "\tdata1\t104\n\tdata1\t105\n\tdata1\t0\n=3"},
      {"[v _t `*Cc 1 e ]\n[i _t\n-> :s 1 `*Cc\n]\n[a 1 104 105 0 ]\n", "\tdata3\tSTR_1\n=3"},  // pointers are 3 bytes until the pointer graph is complete
      {"[v _t `c -> 2 `ux e ]\n[i _t\n:U ..\n-> 1 `c\n-> 2 `c\n-> 3 `c\n..\n]\n", "\tdata1\t1\n\tdata1\t2\n\tdata1\t3\n=3",
       {240, 240}},
      {"[v _t `c -> 2 `ux e ]\n[i _t\n:U ..\n-> 1 `c\n]\n", "\tdata1\t1\n\tds\t1\n=2", {713, 713}},
      {"[v _t `b 1 e ]\n[i _t\n-> 1 `b\n]\n", "=0", {732}},
  };
  for (const auto &c : cases) {
    SetUp();
    read_program({std::string(STRUCTS) + c.records});
    EXPECT_EQ(written("_t"), c.expected) << c.records;
    EXPECT_EQ(captured_numbers(), c.messages) << c.records;
  }
}

TEST_F(Initialisers, InitialisersThatChangeNothingOrAreRefused) {
  struct {
    const char *records;
    bool kept;
    std::vector<unsigned> messages = {};
  } cases[] = {
      {"[v _t `i 1 e ]\n[i _t\n-> 0 `i\n]\n", false},
      {"[v _t `d 1 e ]\n[i _t\n.0.0\n]\n", false},
      {"[v _t `i -> 2 `ux e ]\n[i _t\n:U ..\n-> 0 `i\n-> 0 `i\n..\n]\n", false},
      {"[v _t `Ci 1 e ]\n[i _t\n-> 0 `i\n]\n", true},  // const data keeps its zero
      {"[v _t `i 1 e ]\n[i _t\n-> 4 `i\n]\n", true},
      {"[v _t `Si 1 e ]\n[i _t\n-> 4 `i\n]\n", false, {1081}},
      {"[v _t `Si 1 e ]\n[i _t\n-> 0 `i\n]\n", false},  // a zero asks nothing of a persistent object
      {"[v _t `CSi 1 e ]\n[i _t\n-> 0 `i\n]\n", false, {1081, 746}},  // and so it has no value
  };
  for (const auto &c : cases) {
    SetUp();
    read_program({c.records});
    EXPECT_EQ(lex_has_initialiser(sym_find("_t")), c.kept) << c.records;
    EXPECT_EQ(captured_numbers(), c.messages) << c.records;
  }
}

TEST_F(Initialisers, TheValuesStayForThePassesThatWalkThem) {
  read_program({"[v _x `i 1 e ]\n[v _y `i 1 e ]\n"
                "[v _p `*i 1 e ]\n[i _p\n&U _x\n]\n"
                "[v _t `*i -> 2 `ux e ]\n[i _t\n:U ..\n&U _x\n&U _y\n..\n]\n"
                "[v _z `i 1 e ]\n[i _z\n-> 0 `i\n]\n"});
  EXPECT_EQ(tree_text(global("_p")->init), "&U _x");
  EXPECT_EQ(tree_text(global("_t")->init), ", &U _x &U _y");
  EXPECT_EQ(global("_z")->init, nullptr) << "a dropped initialiser leaves nothing to walk";
}

TEST_F(Initialisers, AnArrayWithoutALengthTakesItFromItsValues) {
  read_program({"[v _a `i -> 0 `x e ]\n[i _a\n:U ..\n-> 1 `i\n-> 2 `i\n-> 3 `i\n..\n]\n"
                "[s S1 ]\n[v _z `S1 -> 0 `x e ]\n[i _z\n:U ..\n:U ..\n..\n..\n]\n"});
  EXPECT_EQ(type_size(sym_find("_a")->type), 6u);
  EXPECT_FALSE(sym_find("_a")->flags & SYM_DECLARED_ONLY);
  EXPECT_EQ(captured_numbers(), std::vector<unsigned>{1082});
}

TEST_F(Initialisers, ObjectsAreClassedAndSized) {
  read_program({"[v _ci `Ci 1 e ]\n[i _ci\n-> 5 `i\n]\n"
                "[v _cnone `Ci 1 e ]\n"
                "[v _cabs `Cuc 1 e@32 ]\n"
                "[v _cext `Ci 0 e ]\n"
                "[v _data `l 1 e ]\n[i _data\n-> 9 `l\n]\n"
                "[v _port `Vuc 1 e@3968 ]\n"
                "[v _keep `Si 1 e ]\n"
                "[v _plain `uc -> 3 `ux s ]\n"
                "[v _f `(v 0 e ]\n"
                "[a 1 97 0 ]\n"});
  EXPECT_EQ(captured_numbers(), std::vector<unsigned>{746}) << "_cnone has no value";
  auto names = [](uint8_t which) {
    std::string out;
    vec *list = optim_object_list(which);
    for (uint32_t k = 0; k < vec_size(list); k++) out += std::string(static_cast<symbol *>(vec_get(list, k))->name) + " ";
    return out;
  };
  EXPECT_EQ(names(OBJ_CONST), "_cext _ci _cnone _cabs ") << "by size, then name";
  EXPECT_EQ(names(OBJ_INITIALISED), "_data ");
  EXPECT_EQ(names(OBJ_ABSOLUTE_OR_PERSISTENT), "_keep _port ");
  EXPECT_EQ(names(OBJ_UNINITIALISED), "_plain ");
  EXPECT_EQ(sym_find("_data")->object_list, OBJ_INITIALISED);
  const data_totals *t = optim_data_totals();
  EXPECT_EQ(t->strings, 2u);
  EXPECT_EQ(t->constant, 4u) << "_ci and _cnone; the absolute and the only declared apart";
  EXPECT_EQ(t->data, 4u);
  EXPECT_EQ(t->bss, 3u);
  EXPECT_EQ(t->persistent, 2u) << "the absolute _port apart";
}

TEST_F(Initialisers, TheInitialisedDataIsWrittenInItsOrder) {
  read_program({"[v _d2 `i 1 e ]\n[i _d2\n-> 2 `i\n]\n"
                "[v _d1 `l 1 s ]\n[i _d1\n-> 1 `l\n]\n"
                "[v _k `Cuc 1 e ]\n[i _k\n-> 7 `uc\n]\n"
                "[v _kabs `Cuc 1 e@64 ]\n[i _kabs\n-> 8 `uc\n]\n"
                "[v _u `uc 1 e ]\n"
                "[v _ext `uc 0 e ]\n"
                "[v _zero `S0 1 s ]\n[s S0 ]\n"
                "[a 1 104 0 ]\n"});
  standin_output().clear();
  lex_emit_initialisers();
  EXPECT_EQ(standin_output(),
            "\tpsect\tdata\n_d1:\n\tds\t4\n\tglobal\t_d2\n_d2:\n\tds\t2\n"
            "\tpsect\tidata\n\n;initializer for _d1\n\tdata4\t1\n\n;initializer for _d2\n\tdata2\t2\n"
            "\tpsect\tconst\n\tglobal\t_k\n_k:\n\tdata1\t7\n"
            "\tpsect\tconst\n\tglobal\t_kabs\n_kabs:\n\tdata1\t8\n"
            "\tpsect\tdata\n\tglobal\t_u\n_u:\n\tds\t1\n"
            "\tpsect\tstrings\nSTR_1:\n\tdb\t104,0\n");
  EXPECT_EQ(captured_numbers(), std::vector<unsigned>{744}) << "the empty static _zero";
}

TEST_F(Initialisers, FloatingConstantsArePooled) {
  auto constant = [](double v, const char *type) {
    tree_node *n = tree_node_new();
    n->op = OP_FCONST;
    n->fvalue = v;
    n->type = type_parse(type);
    uint32_t k = lex_fconst_index(n);
    tree_node_free(n);
    return k;
  };
  EXPECT_EQ(constant(1.5, "d"), 1u);
  EXPECT_EQ(constant(2.5, "d"), 2u);
  EXPECT_EQ(constant(1.5, "d"), 1u);
  EXPECT_EQ(constant(1.5, "l"), 3u) << "another size";
  EXPECT_EQ(constant(1.5, "Cd"), 4u) << "other qualifiers";
  EXPECT_EQ(constant(0.0, "d"), 5u);
  EXPECT_EQ(constant(-0.0, "d"), 6u) << "the two zeros are different constants";
  EXPECT_EQ(constant(INFINITY, "d"), 7u);
  standin_output().clear();
  lex_emit_fconsts();
  EXPECT_NE(standin_output().find("e1\n\tfcf\t1.5000000000000000\n"), std::string::npos) << standin_output();
  EXPECT_NE(standin_output().find("e6\n\tfcf\t-0.0000000000000000\n"), std::string::npos);
  EXPECT_NE(standin_output().find("e7\n\tfcf\t1.797693134862316e+308\n"), std::string::npos);
}

}  // namespace
