// Target macro and switch code run in gpsim: the code is written by the
// macros in this process, wrapped in a small program, built by tovra18
// with the start-up module and run; the values it leaves in RAM show that
// every access reached its own bank and every switch value its own case.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "codegen/model/bsr.h"
#include "codegen/model/progstate.h"
#include "codegen/model/regs.h"
#include "codegen/model/symbols.h"
#include "codegen/model/target_services.h"
#include "codegen/model/tree.h"
#include "codegen/model/types.h"
#include "codegen/target/asmbuf.h"
#include "codegen/target/cgen.h"
#include "codegen/target/emitq.h"
#include "codegen/target/expand.h"
#include "codegen/target/goals.h"
#include "codegen/target/macros.h"
#include "codegen/target/switch.h"
#include "codegen/target/tests/macro_fixture.h"
#include "tests/e2e.h"
#include "tests/support/test_support.h"

namespace {

// The special function registers the generated code names.
const char sfr_names[] = R"(
wreg	equ	0FE8h
status	equ	0FD8h
prodl	equ	0FF3h
prodh	equ	0FF4h
tblptrl	equ	0FF6h
tblptrh	equ	0FF7h
tblptru	equ	0FF8h
tablat	equ	0FF5h
pcl	equ	0FF9h
pclath	equ	0FFAh
pclatu	equ	0FFBh
)";

struct SimTest : macro_fixture {
  void SetUp() override {
    if (!e2e::have_tool("gpsim")) GTEST_SKIP() << "gpsim missing";
    macro_fixture::SetUp();
  }
  // Template text for the node, appended to the program.
  void code(tree_node *t, const char *text) {
    expand_reset_statement();
    cgen_expand(t, text, t->count ? t->count - 1 : 0);
    out_printf("\n");
  }
  void line(const std::string &text) { out_printf("%s\n", text.c_str()); }

  // The program around the code written so far, built and run; RAM after the run.
  std::map<unsigned, unsigned> run(const std::string &data) {
    std::string body;
    std::istringstream lines(written);
    // The emitter's psect lines become full directives of this program.
    std::vector<std::string> all_lines;
    for (std::string l; std::getline(lines, l);) all_lines.push_back(l);
    for (size_t k = 0; k < all_lines.size(); k++) {
      if (all_lines[k].find("psect") != std::string::npos) {
        bool table = k + 1 < all_lines.size() && all_lines[k + 1].rfind("S", 0) == 0;
        body += table ? "\tpsect\tswitchtable,class=CODE,delta=1,reloc=2\n" : "\tpsect\ttext,class=CODE,delta=1,reloc=2\n";
        continue;
      }
      body += all_lines[k] + "\n";
    }
    std::string source = "\tprocessor 18F452\n\tFNCONF\trparam,??,?\n\tpsect\ttext,class=CODE,delta=1,reloc=2\n"
                         "\tglobal\t_main\n_main:\n" +
                         body + "\tpsect\ttext,class=CODE,delta=1,reloc=2\n_done:\n\tbra\t$\n" + sfr_names + data;
    dir.write("prog.as", source);
    dir.write("registry", "");
    std::string env = "TOVRA18_REGISTRY='" + (dir / "registry") + "' ";
    EXPECT_EQ(dir.run(env + e2e::program("tovra18") + " --chip=18F452 --output=intel prog.as"), 0)
        << dir.read("out") << dir.read("err") << source;
    dir.write("run.stc", "break c 200000\nrun\ndump r\nquit\n");
    EXPECT_EQ(dir.run("timeout 60 gpsim -i -p p18f452 -c run.stc prog.hex"), 0) << dir.read("err");
    std::map<unsigned, unsigned> ram = e2e::ram_dump(dir.read("out"));
    if (ram.empty()) ADD_FAILURE() << "no RAM dump\n" << dir.read("out").substr(0, 2000) << source;
    last_source = source;
    return ram;
  }

  e2e::folder dir;
  std::string last_source;
};

// Objects in five banks and one of a bank known only to the linker, written
// and read back in an order where a missing or stale bank selection would
// reach another bank's byte at the same offset.
TEST_F(SimTest, EveryAccessReachesItsOwnBank) {
  struct object {
    const char *name;
    uint32_t address;  // 0: placed by the linker
    tree_node *node;
  } objects[] = {{"_a0", 0x30, nullptr},  {"_b1", 0x150, nullptr}, {"_b2", 0x250, nullptr},
                 {"_c2", 0x2F0, nullptr}, {"_b3", 0x350, nullptr}, {"_b5", 0x5F0, nullptr},
                 {"_ext", 0, nullptr}};
  for (auto &o : objects) {
    symbol *s = o.address ? placed(o.name, type_uchar(), o.address) : extern_object(o.name, type_uchar());
    o.node = root(tree_ident(s));
  }
  // Writes in an order that changes banks, repeats one and crosses the unknown one.
  int order[] = {1, 2, 3, 1, 0, 4, 6, 3, 5, 2};
  std::map<int, unsigned> last_value;
  unsigned value = 0x11;
  const unsigned results = 0x40;
  for (int k : order) {
    code(objects[k].node, "E1N");
    line("\tmovlw\t" + std::to_string(value));
    code(objects[k].node, "\tmovwf\t(SN)E2N");
    last_value[k] = value;
    value += 0x11;
  }
  // Read each back through the bank path into a cell of the access bank.
  for (int k = 0; k < 7; k++) {
    code(objects[k].node, "E1N");
    code(objects[k].node, "\tmovf\t(SN)E2N,w");
    line("\tmovwf\t" + std::to_string(results + k) + ",c");
  }
  // The same bank twice in a row selects it once.
  size_t before = written.size();
  code(objects[1].node, "E1N");
  code(objects[1].node, "E1N");
  code(objects[1].node, "E1N");
  EXPECT_EQ(written.find("movlb", before), written.rfind("movlb")) << written.substr(before);
  std::string data = "\tpsect\tbss,class=RAM,space=1\n\tglobal\t_ext\n_ext:\tds\t1\n";
  for (auto &o : objects)
    if (o.address) data += std::string(o.name) + "\tequ\t" + std::to_string(o.address) + "\n";
  std::map<unsigned, unsigned> ram = run(data);
  for (int k = 0; k < 7; k++) {
    EXPECT_EQ(ram[results + k], last_value[k]) << objects[k].name << "\n" << last_source;
    if (objects[k].address) {
      EXPECT_EQ(ram[objects[k].address], last_value[k]) << objects[k].name;
    }
  }
}

// Switches of each strategy and width, called with values inside, between,
// below and above their cases: each case returns its own number, the
// default 0EEh.
TEST_F(SimTest, EverySwitchValueReachesItsCase) {
  const unsigned default_mark = 0xEE;
  struct one_switch {
    const char *name;
    std::vector<int32_t> values;
    int strategy;
    uint32_t width;
    std::vector<int32_t> inputs;
  };
  std::vector<int32_t> low20, high, signed_span, wide;
  for (int32_t v = 0; v < 20; v++) low20.push_back(v);
  for (int32_t v = 200; v <= 255; v++) high.push_back(v);
  for (int32_t v = -100; v <= 100; v++) signed_span.push_back(v);
  wide = {0x0101, 0x0205, 0x0100};
  for (int32_t v = 0x0300; v < 0x0314; v++) wide.push_back(v);
  one_switch switches[] = {
      {"_chain", {3, 1, 2}, SWITCH_AUTO, 1, {0, 1, 2, 3, 4, 255}},
      {"_low", low20, SWITCH_AUTO, 1, {0, 5, 19, 20, 128, 255}},
      {"_high", high, SWITCH_DIRECT, 1, {0, 100, 199, 200, 201, 254, 255}},
      {"_span", signed_span, SWITCH_DIRECT, 1, {-128, -101, -100, -1, 0, 50, 100, 101, 127}},
      {"_neg", {-5, 7, -128}, SWITCH_AUTO, 1, {-5, 7, -128, 0, 5, -1}},
      {"_wide", wide, SWITCH_AUTO, 2, {0x0101, 0x0205, 0x0100, 0x0300, 0x0313, 0x0314, 0x0201, 0x0105, 0, 0xFFFF}},
  };
  ctype *word = type_basic("ui");
  tree_node *word_value = tree_ident(placed("_wv", word, 0x20));
  ASSERT_TRUE(cgen_match_tree(word_value, GOAL_WORD_MEM, all));
  tree_node *switch_node = tree_make(OP_SWITCH, word_value, nullptr, word);
  std::string subroutines;
  uint32_t label_base = 1000;
  std::vector<std::pair<std::string, std::vector<int32_t>>> calls;
  std::vector<unsigned> expected;
  // main: each input through its switch, the answers into bank 1 in order.
  line("\tmovlb\t1");
  unsigned slot = 0;
  for (auto &sw : switches) {
    for (int32_t in : sw.inputs) {
      if (sw.width == 1) {
        line("\tmovlw\t" + std::to_string(in & 0xFF));
      } else {
        line("\tmovlw\t" + std::to_string(in & 0xFF) + "\n\tmovwf\t_wv,c\n\tmovlw\t" + std::to_string((in >> 8) & 0xFF) +
             "\n\tmovwf\t_wv+1,c");
      }
      line(std::string("\tcall\t") + sw.name + "\n\tmovwf\t(" + std::to_string(0x100 + slot++) + ")&0ffh,b");
      unsigned answer = default_mark;
      for (size_t i = 0; i < sw.values.size(); i++)
        if (sw.values[i] == in) answer = unsigned(i + 1);
      expected.push_back(answer);
    }
  }
  line("\tgoto\t_done");
  for (auto &sw : switches) {
    line(std::string(sw.name) + ":");
    std::vector<case_entry> cases;
    for (size_t i = 0; i < sw.values.size(); i++) cases.push_back({label_base + uint32_t(i), sw.values[i]});
    uint32_t default_label = label_base + 999;
    if (sw.width == 1) {
      bsr_current = {0, 0};
      emit_switch_table(cases.data(), uint32_t(cases.size()), default_label, sw.strategy);
    } else {
      emit_switch_wide(cases.data(), uint32_t(cases.size()), default_label, sw.strategy, switch_node, 0, 2);
    }
    line("\tpsect\ttext");
    for (size_t i = 0; i < sw.values.size(); i++)
      line("l" + std::to_string(label_base + i) + ":\n\tretlw\t" + std::to_string(i + 1));
    line("l" + std::to_string(default_label) + ":\n\tretlw\t" + std::to_string(default_mark));
    label_base += 1000;
  }
  root(switch_node);
  std::map<unsigned, unsigned> ram = run("_wv\tequ\t20h\n");
  for (size_t k = 0; k < expected.size(); k++) EXPECT_EQ(ram[0x100 + k], expected[k]) << "answer " << k;
  if (HasFailure()) printf("%s\n", last_source.c_str());
}

}  // namespace
