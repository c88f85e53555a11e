// The call graph: overlaid argument and auto blocks, recursion and
// reachability checks, the map's call-graph section and -R output.
#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "linker/tests/link_fixture.h"

namespace {

using namespace fixture;

struct function {
  std::string name;
  uint32_t autos, args;
};

// One module: the functions in text, their sizes, the calls and the roots
// as FNINFO entries, and references to every block symbol.
module program(const std::vector<function> &functions, const std::vector<bytes> &facts, int depth = -1) {
  module m;
  m.ident().psect("text").psect("cstack", IO_PSECT_GLOBAL).fnconf("cstack", "??", "?", depth);
  std::vector<bytes> info;
  std::vector<sym_entry> symbols;
  uint32_t offset = 0;
  for (const function &f : functions) {
    info.push_back(m.fn_size(f.name, f.autos, f.args));
    symbols.push_back(def(f.name, "text", offset));
    if (f.autos) symbols.push_back(fixture::ref("??" + f.name));
    if (f.args) symbols.push_back(fixture::ref("?" + f.name));
    offset += 2;
  }
  info.insert(info.end(), facts.begin(), facts.end());
  m.text("text", 0, bytes(offset, 0)).sym(symbols).fninfo(info).start("text", 0).end();
  return m;
}

std::map<std::string, unsigned long> globals(const std::string &symfile) {
  std::map<std::string, unsigned long> values;
  std::istringstream in(symfile);
  std::string line;
  while (std::getline(in, line) && line[0] != '%') {
    std::istringstream f(line);
    std::string name, value;
    if (f >> name >> value) values[name] = strtoul(value.c_str(), nullptr, 16);
  }
  return values;
}

struct CallGraph : ::testing::Test {
  workdir d;
  link_result r;
  std::map<std::string, unsigned long> sym;
  void run(const module &m, std::vector<std::string> extra = {}) {
    d.put("cg.obj", m);
    std::vector<std::string> args = {"-W1", "-Mm.map", "-Hm.sym", "-Ptext=0,cstack=100h"};
    args.insert(args.end(), extra.begin(), extra.end());
    args.push_back("cg.obj");
    r = link(d, args);
    sym = globals(read_file(d / "m.sym"));
  }
  std::string map() { return read_file(d / "m.map"); }
};

TEST_F(CallGraph, FunctionsThatNeverMeetShareTheirBlocks) {
  module m;
  run(program({{"_main", 2, 0}, {"_f", 4, 2}, {"_g", 4, 2}},
              {m.fn(IO_FN_ROOT, "_main"), m.fn(IO_FN_CALL, "_main", "_f"), m.fn(IO_FN_CALL, "_main", "_g")}));
  ASSERT_EQ(r.status, 0) << r.err;
  // main's autos first, then the callees' arguments and autos above them.
  EXPECT_EQ(sym["??_main"], 0x100u);
  EXPECT_EQ(sym["?_f"], 0x102u);
  EXPECT_EQ(sym["?_g"], 0x102u);
  EXPECT_EQ(sym["??_f"], 0x104u);
  EXPECT_EQ(sym["??_g"], 0x104u);
  EXPECT_EQ(sym["__Hcstack"], 0x108u);
  EXPECT_NE(map().find("Call graph: (short form)\n*_main size 0,2 offset 0\n*    _f size 2,4 offset 2\n"
                       "*    _g size 2,4 offset 2\n\nEstimated maximum call depth: 1\n"),
            std::string::npos)
      << map();
}

TEST_F(CallGraph, NestedCallsStackUpAndCountTheDepth) {
  module m;
  run(program({{"_main", 1, 0}, {"_a", 1, 1}, {"_b", 1, 1}, {"_c", 2, 0}},
              {m.fn(IO_FN_ROOT, "_main"), m.fn(IO_FN_CALL, "_main", "_a"), m.fn(IO_FN_CALL, "_a", "_b"),
               m.fn(IO_FN_CALL, "_main", "_c")},
              2));
  EXPECT_EQ(sym["?_a"], 0x101u);
  EXPECT_EQ(sym["?_b"], 0x103u);
  EXPECT_EQ(sym["??_b"], 0x104u);
  // _c overlaps _a's subtree.
  EXPECT_EQ(sym["??_c"], 0x101u);
  EXPECT_NE(map().find("Estimated maximum call depth: 2\n"), std::string::npos) << map();
  EXPECT_TRUE(r.messages.empty()) << r.err;
  // A configured depth of 2 (main and one call) makes _b too deep.
  run(program({{"_main", 1, 0}, {"_a", 1, 1}, {"_b", 1, 1}},
              {m.fn(IO_FN_ROOT, "_main"), m.fn(IO_FN_CALL, "_main", "_a"), m.fn(IO_FN_CALL, "_a", "_b")}, 2),
      {"-W0"});
  EXPECT_EQ(r.messages, (std::vector<unsigned>{521}));
  EXPECT_NE(map().find("_b size 1,1 offset 3 *** OVERDEEP ***"), std::string::npos) << map();
}

TEST_F(CallGraph, RootsDoNotOverlapAndAFunctionMayHaveOnlyOne) {
  module m;
  run(program({{"_main", 2, 0}, {"intlevel1", 2, 0}, {"_shared", 4, 0}},
              {m.fn(IO_FN_ROOT, "_main"), m.fn(IO_FN_ROOT, "intlevel1"), m.fn(IO_FN_CALL, "_main", "_shared"),
               m.fn(IO_FN_CALL, "intlevel1", "_shared")}));
  EXPECT_EQ(r.messages, (std::vector<unsigned>{472}));
  EXPECT_EQ(r.status, 1);
  run(program({{"_main", 2, 0}, {"intlevel1", 3, 0}},
              {m.fn(IO_FN_ROOT, "_main"), m.fn(IO_FN_ROOT, "intlevel1")}));
  EXPECT_EQ(sym["??_main"], 0x100u);
  EXPECT_EQ(sym["??intlevel1"], 0x102u);
  // An interrupt level counts one more level of depth.
  EXPECT_NE(map().find("*intlevel1 size 0,3 offset 2\n\nEstimated maximum call depth: 1\n"), std::string::npos)
      << map();
}

TEST_F(CallGraph, RecursionIsReportedWithItsPath) {
  module m;
  run(program({{"_main", 1, 0}, {"_f", 2, 1}, {"_g", 2, 1}},
              {m.fn(IO_FN_ROOT, "_main"), m.fn(IO_FN_CALL, "_main", "_f"), m.fn(IO_FN_CALL, "_f", "_g"),
               m.fn(IO_FN_CALL, "_g", "_f")}));
  EXPECT_EQ(r.messages, (std::vector<unsigned>{471}));
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("->"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("_f"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("_g"), std::string::npos) << r.err;
}

TEST_F(CallGraph, IgnoringTheGraphGivesEveryFunctionItsOwnBlocks) {
  module m;
  run(program({{"_main", 2, 0}, {"_f", 4, 2}, {"_g", 4, 2}},
              {m.fn(IO_FN_ROOT, "_main"), m.fn(IO_FN_CALL, "_main", "_f"), m.fn(IO_FN_CALL, "_main", "_g")}),
      {"-K"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(sym["__Hcstack"] - sym["__Lcstack"], 2u + 6 + 6);
}

TEST_F(CallGraph, BlocksTheProgramPlacedItselfTakeNoRoomInThePsect) {
  // Every block symbol defined at an address of its own (a compiled stack
  // laid out across banks by the compiler): the graph's psect stays empty
  // and the addresses stand.
  module m;
  m.ident().psect("text").psect("cstack", IO_PSECT_GLOBAL).fnconf("cstack", "??", "?");
  m.text("text", 0, bytes(4, 0))
      .sym({def("_main", "text", 0), def("_f", "text", 2), def("??_main", "", 0x300), def("?_f", "", 0x402),
            def("??_f", "", 0x404)})
      .fninfo({m.fn_size("_main", 2, 0), m.fn_size("_f", 200, 2), m.fn(IO_FN_ROOT, "_main"),
               m.fn(IO_FN_CALL, "_main", "_f")})
      .start("text", 0)
      .end();
  run(m);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(sym["__Hcstack"], sym["__Lcstack"]);
  EXPECT_EQ(sym["??_main"], 0x300u);
  EXPECT_EQ(sym["?_f"], 0x402u);
}

TEST_F(CallGraph, UnreachedFunctionsAndBadFacts) {
  module m;
  run(program({{"_main", 2, 0}, {"_lonely", 3, 0}}, {m.fn(IO_FN_ROOT, "_main")}));
  EXPECT_EQ(r.messages, (std::vector<unsigned>{}));  // 520 is a level-0 warning, hidden by -W1
  run(program({{"_main", 2, 0}, {"_lonely", 3, 0}}, {m.fn(IO_FN_ROOT, "_main")}), {"-W0"});
  EXPECT_EQ(r.messages, (std::vector<unsigned>{520}));
  struct {
    bytes fact;
    unsigned message;
  } cases[] = {
      {m.fn(IO_FN_CALL, "_main", "_nobody"), 468}, {m.fn(IO_FN_ROOT, "_nobody"), 465},
      {m.fn_size("_nobody", 1, 1), 470},           {m.fn(IO_FN_MEMBER, "_nobody"), 467},
      {bytes{42, 0}, 375},
  };
  for (const auto &c : cases) {
    run(program({{"_main", 2, 0}}, {m.fn(IO_FN_ROOT, "_main"), c.fact}));
    ASSERT_FALSE(r.messages.empty());
    EXPECT_EQ(r.messages[0], c.message) << r.err;
  }
  // Facts without their FNCONF record.
  module bare;
  bare.ident().psect("text").text("text", 0, {0, 0}).sym({def("_main", "text", 0)});
  bare.fninfo({bare.fn(IO_FN_ROOT, "_main")}).end();
  run(bare);
  ASSERT_FALSE(r.messages.empty());
  EXPECT_EQ(r.messages[0], 474u);
}

TEST_F(CallGraph, MapForms) {
  module m;
  module p = program({{"_main", 1, 0}, {"_f", 1, 1}, {"_g", 1, 1}, {"_h", 1, 1}},
                     {m.fn(IO_FN_ROOT, "_main"), m.fn(IO_FN_CALL, "_main", "_f"), m.fn(IO_FN_CALL, "_main", "_g"),
                      m.fn(IO_FN_CALL, "_f", "_h"), m.fn(IO_FN_CALL, "_g", "_h")});
  auto count = [](const std::string &text, const std::string &piece) {
    size_t n = 0;
    for (size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1)) n++;
    return n;
  };
  run(p, {"-Cs"});
  EXPECT_EQ(count(map(), "_h size"), 2u) << map();
  run(p, {"-Cf"});
  EXPECT_NE(map().find("Call graph: (fully expanded)\n"), std::string::npos);
  EXPECT_EQ(count(map(), "_h size"), 2u) << map();
  run(p, {"-Cn"});
  EXPECT_NE(map().find("Call graph suppressed\n"), std::string::npos);
  EXPECT_EQ(count(map(), "_h size"), 0u) << map();
  run(p, {"-Cc"});
  EXPECT_NE(map().find("Call graph (critical paths only):\n"), std::string::npos);
}

TEST_F(CallGraph, RelocatableOutputCarriesTheFactsOn) {
  module m;
  d.put("cg.obj", program({{"_main", 2, 0}, {"_f", 4, 2}}, {m.fn(IO_FN_ROOT, "_main"), m.fn(IO_FN_CALL, "_main", "_f")}));
  r = link(d, {"-R", "-Opart.obj", "cg.obj"});
  ASSERT_EQ(r.status, 0) << r.err;
  std::string out = dump(d / "part.obj");
  EXPECT_EQ(lines_with(out, "FNCONF"), (std::vector<std::string>{"FNCONF cstack auto ?? arg ?"}));
  std::vector<std::string> facts = lines_with(out, "FNINFO");
  EXPECT_EQ(facts, (std::vector<std::string>{"FNINFO size _main 2 0", "FNINFO call _main _f", "FNINFO size _f 4 2",
                                              "FNINFO root _main"}));
  // Linked again, the facts give the same layout.
  r = link(d, {"-W1", "-Hm.sym", "-Ptext=0,cstack=100h", "part.obj"});
  ASSERT_EQ(r.status, 0) << r.err;
  sym = globals(read_file(d / "m.sym"));
  EXPECT_EQ(sym["?_f"], 0x102u);
  EXPECT_EQ(sym["??_f"], 0x104u);
}

}  // namespace
