// The call-graph lines the optimiser writes, read by the real assembler and
// linker: the linker's layout of the parameter and auto blocks agrees with
// the optimiser's compiled stack, interrupt levels keep their functions
// apart, and groups of aligned parameter areas stay within their module.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "codegen/model/callgraph.h"
#include "codegen/model/optim.h"
#include "codegen/model/stack.h"
#include "codegen/model/tests/standin_target.h"
#include "codegen/model/symbols.h"
#include "codegen/model/tests/model_support.h"
#include "codegen/model/tests/program_fixture.h"
#include "common/vector.h"

namespace {

// A scratch folder the staged assembler and linker run in.
struct scratch {
  std::string path;
  scratch() {
    char templ[] = "/tmp/codrel_pair_XXXXXX";
    path = mkdtemp(templ);
  }
  ~scratch() {
    std::string cmd = "rm -rf '" + path + "'";
    if (system(cmd.c_str())) {
    }
  }
  void write(const std::string &name, const std::string &text) const { std::ofstream(path + "/" + name) << text; }
  std::string read(const std::string &name) const {
    std::ifstream in(path + "/" + name);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  // Runs a staged program; its exit status, its output in "out".
  int run(const std::string &program, const std::string &args) const {
    std::string cmd = "cd '" + path + "' && '" TOVRA_STAGE "/bin/" + program + "' --edf='" TOVRA_STAGE
                      "/dat/en_msgs.txt' " + args + " > out 2>&1";
    int raw = system(cmd.c_str());
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  }
};

// The global symbols of the link's symbol file, by name.
std::map<std::string, unsigned long> symbols(const std::string &text) {
  std::map<std::string, unsigned long> values;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line) && line[0] != '%') {
    std::istringstream f(line);
    std::string name, value;
    if (f >> name >> value) values[name] = strtoul(value.c_str(), nullptr, 16);
  }
  return values;
}

const char *const HEADER =
    "\tprocessor\t18F452\n"
    "\tFNCONF\trparam,??,?\n"
    "\tpsect\trparam,class=RAM,space=1\n"
    "\tpsect\tdata,class=RAM,space=1\n"
    "\tpsect\ttext,class=CODE,delta=1,reloc=2\n"
    "\tglobal\tintlevel1,intlevel2\n"
    "intlevel1:\n"
    "intlevel2:\n";

const char *const LINK = "-Ptext=0,rparam=100h,data=300h -ACODE=0-7FFFh -ARAM=100h-5FFh -Mm.map -Hm.sym";

class LinkerPairTest : public testing::Test {
 protected:
  void SetUp() override {
    fresh_model();
    standin_reset();
    standin_steer() = standin_steering();
  }
  scratch dir;
  // Assembles the optimiser's output and links it; the symbol file's values.
  std::map<std::string, unsigned long> link_program(const std::string &assembly) {
    dir.write("p.as", HEADER + assembly + "\tend\t_main\n");
    EXPECT_EQ(dir.run("quelm", "p.as"), 0) << dir.read("out") << assembly;
    EXPECT_EQ(dir.run("jointa", std::string(LINK) + " p.obj"), 0) << dir.read("out") << assembly;
    EXPECT_EQ(dir.read("out"), "") << "the linker reports nothing" << assembly;
    return symbols(dir.read("m.sym"));
  }
};

// Functions of an interrupt level that are also called from below it are
// written once per level; the linker lays each copy out under its own root,
// above every block of the main level.
TEST_F(LinkerPairTest, SharedFunctionsOfInterruptLevelsAreLaidOutUnderTheirRoot) {
  program_read(R"(
[v _g `Vi 1 e ]
[v _leaf `(v 0 e`i ]
[v _isr `I(v 1 e ]
{
[e :U _isr ]
[e ( _leaf (1 -> 3 `i ]
[e :UE 1 ]
}
[v _low `IL(v 1 e ]
{
[e :U _low ]
[e ( _leaf (1 -> 4 `i ]
[e :UE 2 ]
}
[v _other `(v 1 e ]
{
[v _o `l 1 a ]
[e :U _other ]
[e = _o -> 5 `l ]
[e = _g -> _o `i ]
[e :UE 3 ]
}
[v _leaf `(v 1 e`i ]
{
[v _a `i 1 p ]
[v _t `i 1 a ]
[e :U _leaf ]
[e = _t + _a -> 1 `i ]
[e = _g _t ]
[e :UE 4 ]
}
[v _main `(v 1 e ]
{
[v _x `i 1 a ]
[e :U _main ]
[e = _x -> 7 `i ]
[e ( _leaf (1 _x ]
[e ( _other .. ]
[e :UE 5 ]
}
)");
  std::string out = program_run();
  EXPECT_EQ(lines_starting(out, {"FNBREAK"}),
            (std::vector<std::string>{"FNBREAK\ti2_leaf,intlevel2", "FNBREAK\ti1_leaf,intlevel1"}));
  std::map<std::string, unsigned long> sym = link_program(out);
  // The main level: _leaf and _other overlap above main's autos.
  EXPECT_EQ(sym["?_leaf"], sym["??_main"] + 2);
  EXPECT_EQ(sym["??_other"], sym["??_main"] + 2);
  // The main level's blocks, and each interrupt level's copy of _leaf
  // (parameters and autos, 4 bytes): no two of them share a byte.
  struct span {
    const char *name;
    unsigned long lo, hi;
  };
  std::vector<span> spans = {{"main level", sym["??_main"], std::max(sym["??_leaf"] + 2, sym["??_other"] + 4)},
                             {"i1_leaf", sym["?i1_leaf"], sym["?i1_leaf"] + 4},
                             {"i2_leaf", sym["?i2_leaf"], sym["?i2_leaf"] + 4}};
  for (size_t i = 0; i < spans.size(); i++)
    for (size_t j = i + 1; j < spans.size(); j++)
      EXPECT_TRUE(spans[i].hi <= spans[j].lo || spans[j].hi <= spans[i].lo) << spans[i].name << " and " << spans[j].name;
}

// A function with register arguments is copied per level as any other:
// the interrupt's copy takes its arguments in areas of its own, which the
// linker lays out under the interrupt level's root.
TEST_F(LinkerPairTest, AFunctionWithRegisterArgumentsIsCopiedPerLevel) {
  program_read(R"(
[v _g `Vi 1 e ]
[v _leaf `(v 0 ef1`i ]
[v _isr `I(v 1 e ]
{
[e :U _isr ]
[e ( _leaf (1 -> 3 `i ]
[e :UE 1 ]
}
[v _leaf `(v 1 ef1`i ]
{
[v _a `i 1 r1 ]
[v _t `l 1 a ]
[e :U _leaf ]
[e = _t -> + _a -> 1 `i `l ]
[e = _g -> _t `i ]
[e :UE 2 ]
}
[v _main `(v 1 e ]
{
[v _x `i 1 a ]
[e :U _main ]
[e = _x -> 7 `i ]
[e ( _leaf (1 _x ]
[e :UE 3 ]
}
)");
  std::string out = program_run();
  EXPECT_EQ(lines_starting(out, {"FNBREAK", "FNCALL", "FNROOT"}),
            (std::vector<std::string>{"FNBREAK\ti2_leaf,intlevel2", "FNCALL\t_main,_leaf", "FNROOT\t_main",
                                      "FNCALL\t_isr,i2_leaf", "FNCALL\tintlevel2,_isr", "FNROOT\tintlevel2"}));
  EXPECT_EQ(lines_starting(out, {"FNSIZE\t_leaf"}).size(), 1u);
  EXPECT_EQ(lines_starting(out, {"FNSIZE\ti2_leaf"}).size(), 1u);
  std::map<std::string, unsigned long> sym = link_program(out);
  // The main level's copy above main's autos; the interrupt's apart from
  // the main level's blocks.
  EXPECT_EQ(sym["?_leaf"], sym["??_main"] + 2);
  unsigned long main_hi = sym["??_leaf"] + 4, copy_lo = std::min(sym["?i2_leaf"], sym["??i2_leaf"]);
  EXPECT_TRUE(sym["??i2_leaf"] + 4 <= sym["??_main"] || copy_lo >= main_hi) << copy_lo;
}

// Random call graphs: the linker gives every block the place the optimiser
// computed for it, relative to the root of its tree.
TEST_F(LinkerPairTest, RandomCallGraphsLinkAsTheOptimiserLaidThemOut) {
  for (unsigned seed = 1; seed <= 40; seed++) {
    fresh_model();
    standin_reset();
    random_graph g = random_program(seed, 3 + seed % 10, seed % 3);
    program_read(g.text.c_str());
    std::string out = program_run();
    std::map<std::string, unsigned long> sym = link_program(out);
    // Offsets of each tree from its root's block.
    std::map<uint32_t, long> delta;  // by the level a copy belongs to
    vec *functions = optim_functions();
    for (uint32_t k = 0; k < vec_size(functions); k++) {
      symbol *f = static_cast<symbol *>(vec_get(functions, k));
      if (!f->levels_called || !stack_block_size(f)) continue;
      uint32_t level = 31 - __builtin_clz(f->levels_called);
      // A function also called below its highest level has a copy per level.
      bool copied = f->levels_called & ~(1u << level);
      std::string name = copied ? "i" + std::to_string(level) + f->name : f->name;
      std::string area = f->params_size ? "?" + name : "??" + name;
      ASSERT_TRUE(sym.count(area)) << area << "\n" << out;
      long at = long(sym[area]) - long(f->cg->base);
      if (!delta.count(level)) delta[level] = at;
      EXPECT_EQ(at, delta[level]) << "seed " << seed << ": " << name << "\n" << g.text;
    }
    if (HasFailure()) break;
  }
}

// Each module numbers its groups of aligned parameter areas from 1; groups
// of different modules stay apart.
TEST_F(LinkerPairTest, AlignedGroupsOfTwoModulesStayApart) {
  dir.write("a.as", std::string(HEADER) +
                        "\tglobal\t_main,_x,_a1,_a2,?_a1,?_a2,??_main,??_x\n"
                        "_main:\treturn\n_x:\treturn\n_a1:\treturn\n_a2:\treturn\n"
                        "\tFNSIZE\t_main,2,0\n\tFNSIZE\t_x,4,0\n\tFNSIZE\t_a1,0,2\n\tFNSIZE\t_a2,0,2\n"
                        "\tFNCALL\t_main,_x\n\tFNCALL\t_x,_a1\n\tFNCALL\t_main,_a2\n\tFNROOT\t_main\n"
                        "\tFNALIGN\t_a1,_a2\n\tend\t_main\n");
  dir.write("b.as",
            "\tprocessor\t18F452\n\tFNCONF\trparam,??,?\n\tpsect\ttext,class=CODE,delta=1,reloc=2\n"
            "\tglobal\t_b1,_b2,_main,?_b1,?_b2\n_b1:\treturn\n_b2:\treturn\n"
            "\tFNSIZE\t_b1,0,2\n\tFNSIZE\t_b2,0,2\n\tFNCALL\t_main,_b1\n\tFNCALL\t_main,_b2\n"
            "\tFNALIGN\t_b1,_b2\n");
  ASSERT_EQ(dir.run("quelm", "a.as"), 0) << dir.read("out");
  ASSERT_EQ(dir.run("quelm", "b.as"), 0) << dir.read("out");
  ASSERT_EQ(dir.run("jointa", std::string(LINK) + " a.obj b.obj"), 0) << dir.read("out");
  std::map<std::string, unsigned long> sym = symbols(dir.read("m.sym"));
  // _a1 sits above _x's autos and pulls _a2 up with it; _b1 and _b2 share
  // the place right above main's autos.
  EXPECT_EQ(sym["?_a1"], 0x106u);
  EXPECT_EQ(sym["?_a2"], 0x106u);
  EXPECT_EQ(sym["?_b1"], 0x102u);
  EXPECT_EQ(sym["?_b2"], 0x102u);
}

// A C program through the staged preprocessor, parser and code generator:
// its call-graph lines, and its link.
TEST_F(LinkerPairTest, ACProgramCompiledByThePassesLinksItsCompiledStack) {
  dir.write("t.c", R"(int g;
int (*fp)(int);
static int leaf(int a) { int t = a + 1; return t; }
int other(int b) { return b * 2; }
interrupt void isr(void) { g++; leaf(3); }
int main(void) { int x; x = leaf(1); fp = other; x += fp(x); g = x; while (1); }
)");
  ASSERT_EQ(dir.run("prevo", "t.c t.pre"), 0) << dir.read("out");
  ASSERT_EQ(dir.run("parsk", "-QI,interrupt t.pre t.parsk"), 0) << dir.read("out");
  ASSERT_EQ(dir.run("codrel_standin", "t.parsk t.as"), 0) << dir.read("out");
  std::string out = dir.read("t.as");
  // main's x lives in a register the target gives it: main has no autos.
  EXPECT_EQ(lines_starting(out, {"FN"}),
            (std::vector<std::string>{"FNSIZE\t_main,0,0", "FNSIZE\t_leaf,2,2", "FNSIZE\t_other,0,2",
                                      "FNSIZE\t_isr,0,0", "FNBREAK\ti2_leaf,intlevel2", "FNSIZE\ti2_leaf,2,2",
                                      "FNCALL\t_main,_leaf", "FNCALL\t_main,_other", "FNROOT\t_main",
                                      "FNCALL\t_isr,i2_leaf", "FNCALL\tintlevel2,_isr", "FNROOT\tintlevel2"}))
      << out;
  // The code generator's lines from the first equate to its end, under a
  // header and an end of our own.
  size_t from = out.rfind('\n', out.find("\tequ\t")) + 1, to = out.rfind("\tend");
  std::map<std::string, unsigned long> sym = link_program(out.substr(from, to - from));
  // The interrupt level's copy of _leaf lies apart from main's blocks.
  unsigned long main_lo = std::min(sym["?_leaf"], sym["?_other"]);
  unsigned long main_hi = std::max(sym["??_leaf"] + 2, sym["?_other"] + 2);
  EXPECT_TRUE(sym["??i2_leaf"] + 2 <= main_lo || std::min(sym["?i2_leaf"], sym["??i2_leaf"]) >= main_hi)
      << sym["?i2_leaf"];
}

// The bytes of each function's parameter and auto areas, from its FNSIZE
// line and the link's symbols.
struct area_span {
  std::string area;
  unsigned long lo, hi;
};
std::vector<area_span> block_of(const std::string &function, const std::string &assembly,
                                std::map<std::string, unsigned long> &sym) {
  std::vector<area_span> spans;
  for (const std::string &line : lines_starting(assembly, {"FNSIZE\t" + function + ","})) {
    unsigned autos = 0, params = 0;
    sscanf(line.c_str() + line.find(',') + 1, "%u,%u", &autos, &params);
    if (autos) spans.push_back({"??" + function, sym["??" + function], sym["??" + function] + autos});
    if (params) spans.push_back({"?" + function, sym["?" + function], sym["?" + function] + params});
  }
  return spans;
}

// Functions reached only through tables of function pointers (a struct
// member and an array, both filled by initialisers) are called from main:
// each gets its call line, and the linker keeps its block off main's.
TEST_F(LinkerPairTest, FunctionsCalledThroughInitialisedTablesKeepTheirBlocksOffTheCallers) {
  dir.write("t.c", R"(int g;
typedef int (*op_fn)(int);
static int first(int a) { int t = a + 1; return t; }
static int second(int b) { int u = b * 3; return u; }
static int third(int c) { int v = c - 1; return v; }
static const struct { const char *name; op_fn run; } ops[] = { { "first", first }, { "second", second } };
static op_fn plain[] = { third };
int main(void) {
  unsigned i; int total = 0;
  for (i = 0; i < 2; i++) total += ops[i].run(total);
  total += plain[0](total);
  g = total; return g;
}
)");
  ASSERT_EQ(dir.run("prevo", "t.c t.pre"), 0) << dir.read("out");
  ASSERT_EQ(dir.run("parsk", "t.pre t.parsk"), 0) << dir.read("out");
  ASSERT_EQ(dir.run("codrel_standin", "t.parsk t.as"), 0) << dir.read("out");
  EXPECT_EQ(dir.read("out"), "") << "no message";
  std::string out = dir.read("t.as");
  std::vector<std::string> calls = lines_starting(out, {"FNCALL"});
  std::sort(calls.begin(), calls.end());
  EXPECT_EQ(calls, (std::vector<std::string>{"FNCALL\t_main,_first", "FNCALL\t_main,_second",
                                             "FNCALL\t_main,_third"}))
      << out;
  // From the first equate to the call graph's root, without the data that
  // the stand-in writes in directives of its own.
  size_t from = out.find("main@"), to = out.find("\n", out.find("\tFNROOT"));
  ASSERT_NE(from, std::string::npos) << out;
  ASSERT_NE(to, std::string::npos) << out;
  std::map<std::string, unsigned long> sym = link_program(out.substr(from, to + 1 - from));
  std::vector<area_span> caller = block_of("_main", out, sym);
  ASSERT_FALSE(caller.empty()) << out;
  for (const char *callee : {"_first", "_second", "_third"}) {
    std::vector<area_span> spans = block_of(callee, out, sym);
    EXPECT_FALSE(spans.empty()) << callee << " is written with its areas\n" << out;
    for (const area_span &a : spans)
      for (const area_span &m : caller)
        EXPECT_TRUE(a.hi <= m.lo || m.hi <= a.lo) << a.area << " overlaps " << m.area;
  }
}

}  // namespace
