// C programs compiled by codrel into the file it writes, assembled and
// linked with the start-up module by tovra18 for chips of several memory
// sizes, and run in gpsim: the values left in volatile objects show that
// the psects, placement, equates and interrupt entry and exit work.
#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "codegen/model/symbols.h"
#include "codegen/target/emit.h"
#include "tests/e2e.h"

namespace {

struct chip_case {
  const char *chip;  // tovra18's --chip
  const char *sim;   // gpsim's processor
};
const chip_case chips[] = {{"18F452", "p18f452"}, {"18F4520", "p18f4520"}, {"18F4620", "p18f4620"}};

const char registers[] = R"(
volatile unsigned char RCON @ 0xFD0;
volatile unsigned char INTCON @ 0xFF2;
volatile unsigned char INTCON2 @ 0xFF1;
volatile unsigned char PIE1 @ 0xF9D;
volatile unsigned char PIR1 @ 0xF9E;
volatile unsigned char IPR1 @ 0xF9F;
volatile unsigned char hseen, lseen, a, b, c;
volatile unsigned int w;
void step(void) { b = a; c++; }
)";

struct program_case {
  const char *what;
  const char *source;
  unsigned high, low;  // interrupts seen at each level
};
// Timer 0 interrupts at high priority; timer 1, with its flag set by the
// program, at low priority. A lone high-priority function returns through
// the shadow registers; beside a low-priority one it saves them itself.
const program_case programs[] = {
    {"a high-priority interrupt alone",
     "void interrupt isr(void) { hseen++; INTCON = 0; }\n"
     "void main(void) { a = 5; w = 0x1234; step(); step(); INTCON = 0xA4; for (;;) ; }\n",
     1, 0},
    {"interrupts at both levels",
     "void interrupt isr(void) { hseen++; INTCON = 0xC0; }\n"
     "void interrupt low_priority lisr(void) { lseen++; PIR1 = 0; }\n"
     "void main(void) {\n  a = 5; w = 0x1234; step(); step();\n"
     "  RCON = 0x80; INTCON2 = 0x84; IPR1 = 0; PIE1 = 1; PIR1 = 1; INTCON = 0xE4;\n  for (;;) ;\n}\n",
     1, 1},
};

TEST(EmitBuild, ProgramsRunOnEachChip) {
  if (!e2e::have_tool("gpsim")) GTEST_SKIP() << "gpsim missing";
  for (const chip_case &chip : chips)
    for (const program_case &p : programs) {
      SCOPED_TRACE(std::string(chip.chip) + ", " + p.what);
      e2e::folder dir;
      dir.write("main.c", std::string(registers) + p.source);
      dir.write("registry", "");
      std::string env = "TOVRA18_REGISTRY='" + (dir / "registry") + "' ";
      ASSERT_EQ(dir.run(env + e2e::program("tovra18") + " --chip=" + chip.chip + " --output=intel main.c"), 0)
          << dir.read("out") << dir.read("err");
      dir.write("run.stc", "break c 5000\nrun\ndump r\nquit\n");
      ASSERT_EQ(dir.run(std::string("timeout 60 gpsim -i -p ") + chip.sim + " -c run.stc main.hex"), 0) << dir.read("err");
      std::map<unsigned, unsigned> ram = e2e::ram_dump(dir.read("out"));
      ASSERT_FALSE(ram.empty()) << dir.read("out");
      std::string symbols = dir.read("main.sym");
      auto at = [&](const char *name) {
        long address = e2e::symbol_value(symbols, name);
        EXPECT_GE(address, 0) << name;
        return ram[unsigned(address)];
      };
      EXPECT_EQ(at("_a"), 5u);
      EXPECT_EQ(at("_b"), 5u);
      EXPECT_EQ(at("_c"), 2u) << "cleared by the start-up code, counted twice";
      EXPECT_EQ(ram[unsigned(e2e::symbol_value(symbols, "_w"))] | ram[unsigned(e2e::symbol_value(symbols, "_w")) + 1] << 8,
                0x1234u);
      EXPECT_EQ(at("_hseen"), p.high);
      EXPECT_EQ(at("_lseen"), p.low);
      if (p.low) {
        // Each level saves status, wreg and bsr into a place of its own.
        long high = e2e::symbol_value(symbols, "__save_isr"), low = e2e::symbol_value(symbols, "__save_lisr");
        EXPECT_TRUE(high >= 0 && low >= 0 && (high >= low + 3 || low >= high + 3)) << high << " " << low;
      }
    }
}

std::set<std::string> flag_set(const std::string &flags) {
  std::set<std::string> set;
  std::istringstream words(flags);
  for (std::string word; std::getline(words, word, ',');) set.insert(word);
  return set;
}

// A psect that codrel's file and the start-up module both declare carries
// the same flags in both, so that their link draws no conflict.
TEST(EmitBuild, PsectFlagsAgreeWithTheStartupModule) {
  sym_init_types();  // the emitter's table comes with the program model
  e2e::folder dir;
  dir.write("main.c", std::string(registers) + programs[1].source);
  dir.write("registry", "");
  std::string env = "TOVRA18_REGISTRY='" + (dir / "registry") + "' ";
  ASSERT_EQ(dir.run(env + e2e::program("tovra18") + " --chip=18F452 --output=intel main.c"), 0) << dir.read("err");
  std::map<std::string, std::set<std::string>> startup;
  std::istringstream lines(dir.read("startup.as"));
  const std::regex directive(R"(\s*psect\s+(\w+),(\S+).*)", std::regex::icase);
  for (std::string line; std::getline(lines, line);) {
    std::smatch m;
    if (std::regex_match(line, m, directive)) startup[m[1]] = flag_set(m[2]);
  }
  ASSERT_GT(startup.size(), 20u) << dir.read("startup.as");
  size_t shared = 0;
  for (int k = 1; k < PS_COUNT; k++) {
    auto found = startup.find(emit_psect_table[k].name);
    if (found == startup.end()) continue;
    shared++;
    EXPECT_EQ(flag_set(emit_psect_table[k].flags), found->second) << emit_psect_table[k].name;
  }
  EXPECT_GT(shared, 20u);
}

}  // namespace
