// P-code libraries: modules are loaded for what the program still needs,
// pass after pass, each read within its own bytes and unscrambled; bad and
// missing libraries are reported.
#include <gtest/gtest.h>

#include <string>

#include "codegen/model/libwant.h"
#include "codegen/model/literals.h"
#include "codegen/model/optim.h"
#include "codegen/model/progstate.h"
#include "codegen/model/symbols.h"
#include "codegen/model/tests/reader_fixture.h"
#include "common/vector.h"

namespace {

using Libraries = ReaderTest;

// A function that calls the named functions.
std::string function(const std::string &name, std::vector<std::string> calls = {}) {
  std::string text;
  for (const std::string &c : calls) text += "[v " + c + " `(v 0 e ]\n";
  text += "[v " + name + " `(v 1 e ]\n{\n[e :U " + name + " ]\n";
  for (const std::string &c : calls) text += "[e ( " + c + " .. ]\n";
  return text + "[e :UE 1 ]\n}\n";
}

std::string functions_read() {
  std::string out;
  vec *list = optim_functions();
  for (uint32_t k = 0; k < vec_size(list); k++) out += std::string(static_cast<symbol *>(vec_get(list, k))->name) + " ";
  return out;
}

TEST_F(Libraries, ModulesAreLoadedPassByPassForWhatIsStillNeeded) {
  // B comes first but is needed only once A is loaded.
  std::string lib = library("one.lpp", {{"b", function("_b"), {"_b"}},
                                        {"a", function("_a", {"_b"}), {"_a"}, {"_b"}},
                                        {"unused", function("_u"), {"_u"}},
                                        {"refers", function("_main2"), {}, {"_main"}}});
  read_program({function("_main", {"_a"})}, {lib});
  EXPECT_EQ(captured_numbers(), std::vector<unsigned>{});
  EXPECT_EQ(functions_read(), "_main _a _b ") << "A in the first pass, B in the second; the others never";
  EXPECT_FALSE(global("_b")->flags & SYM_DECLARED_ONLY);
  EXPECT_EQ(global("_u"), nullptr);
}

TEST_F(Libraries, APrototypeAloneLoadsNothing) {
  // A header declares every function of a library; only those the program
  // names in code or in an initialiser are loaded.
  std::string lib = library("decl.lpp", {{"d", function("_d"), {"_d"}}, {"t", function("_t"), {"_t"}}});
  read_program({"[v _d `(v 0 e ]\n[v _t `(v 0 e ]\n[v _table `*(v 1 e ]\n[i _table\n&U _t\n]\n" + function("_main")},
               {lib});
  EXPECT_EQ(functions_read(), "_main _t ");
}

TEST_F(Libraries, WantedNamesAndLaterLibraries) {
  std::string first = library("first.lpp", {{"w", function("_w", {"_x"}), {"_w"}}});
  std::string second = library("second.lpp", {{"x", function("_x"), {"_x"}}, {"y", function("_y"), {"_y"}}});
  lib_want_name("_w");
  read_program({""}, {first, second});
  EXPECT_EQ(functions_read(), "_w _x ") << "a wanted name loads its module; that one's needs load from the next library";
}

TEST_F(Libraries, AModuleIsReadOnceEvenWhenItDoesNotDefineWhatItPromises) {
  std::string lib = library("liar.lpp", {{"liar", "[a 1 97 0 ]\n", {"_gone"}}});
  read_program({function("_main", {"_gone"})}, {lib});
  EXPECT_EQ(lex_strings().size(), 1u);
  EXPECT_TRUE(global("_gone")->flags & SYM_DECLARED_ONLY);
}

TEST_F(Libraries, BadLibrariesAreReported) {
  std::string short_header = write("short.lpp", std::string("\x01\x00\x01", 3));
  std::string cut = library("cut.lpp", {{"a", function("_a"), {"_a"}}});
  {
    FILE *fp = fopen(cut.c_str(), "rb");
    std::string bytes;
    for (int c; (c = fgetc(fp)) != EOF;) bytes += char(c);
    fclose(fp);
    write("cut.lpp", bytes.substr(0, bytes.size() - 5));
  }
  struct {
    std::string path;
    std::vector<unsigned> messages;
  } cases[] = {
      {short_header, {300}},
      {cut, {300}},
      {dir + "/missing.lpp", {140}},
  };
  for (const auto &c : cases) {
    SetUp();
    read_program({function("_main", {"_a"})}, {c.path});
    EXPECT_EQ(captured_numbers(), c.messages) << c.path;
  }
  SetUp();
  model.feature_list_mode = true;
  read_program({""}, {dir + "/missing.lpp"});
  EXPECT_EQ(captured_numbers(), std::vector<unsigned>{}) << "a missing library is not reported in feature-list mode";
}

TEST_F(Libraries, ModuleNamesAreTheirPositionUntilTheirLineMarkers) {
  std::string lib = library("pos.lpp", {{"mod.ic", "[v _a `(v 1 e ]\n{\n[e :U _a ]\n[e = _q @@ ]\n}\n", {"_a"}}});
  read_program({function("_main", {"_a"})}, {lib});
  ASSERT_EQ(captured_numbers(), std::vector<unsigned>{730});
  EXPECT_NE(captured_lines()[0].find("mod.ic"), std::string::npos) << captured_lines()[0];
}

}  // namespace
