// A C program built by tovra18 for several chips and run in gpsim: globals
// spread over several banks are written and read back through their bank
// selections, switches of both strategies pick their cases, bytes shift in
// place, and an interrupt function is linked in; the volatile objects hold
// the results.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <sstream>
#include <string>

#include "tests/e2e.h"

namespace {

constexpr int WORDS = 300;  // enough to fill the access bank and reach further banks

std::string program_source() {
  std::ostringstream c;
  for (int k = 0; k < WORDS; k++) c << "volatile unsigned int w" << k << ";\n";
  c << R"(volatile unsigned char b1, b2, sum, r1, r2, ticks, u, u7;
volatile signed char s, s7;
volatile unsigned int sel;

void interrupt isr(void)
{
	ticks++;
}

void pick(void)
{
	switch (sel) {
	case 1: r1 = 11; break;
	case 2: r1 = 22; break;
	case 3: r1 = 33; break;
	default: r1 = 99; break;
	}
}

void table(void)
{
#pragma switch direct
	switch (sel) {
	case 0: r2 = 10; break;
	case 1: r2 = 11; break;
	case 2: r2 = 12; break;
	case 4: r2 = 14; break;
	default: r2 = 77; break;
	}
}

void main(void)
{
)";
  for (int k = 0; k < WORDS; k++) c << "\tw" << k << " = " << ((k * 257 + 1) & 0xFFFF) << ";\n";
  c << R"(	b1 = 40;
	b2 = 2;
	sum = b1;
	sum += b2;
	u = 200;
	u >>= 3;
	u <<= 1;
	u7 = 0x81;
	u7 >>= 7;
	s = -100;
	s >>= 2;
	s7 = -128;
	s7 >>= 7;
	sel = 2;
	pick();
	sel = 4;
	table();
	for (;;) ;
}
)";
  return c.str();
}

TEST(CodrelCProgram, RunsInGpsimOnEachChip) {
  if (!e2e::have_tool("gpsim")) GTEST_SKIP() << "gpsim missing";
  struct {
    const char *chip, *gpsim_name;
  } chips[] = {{"18F452", "p18f452"}, {"18F4520", "p18f4520"}, {"18F4620", "p18f4620"}};
  for (auto &chip : chips) {
    e2e::folder dir;
    dir.write("prog.c", program_source());
    dir.write("registry", "");
    std::string env = "TOVRA18_REGISTRY='" + (dir / "registry") + "' ";
    ASSERT_EQ(dir.run(env + e2e::program("tovra18") + " --chip=" + chip.chip + " --output=intel prog.c"), 0)
        << chip.chip << "\n" << dir.read("out") << dir.read("err");
    dir.write("run.stc", "break c 100000\nrun\ndump r\nquit\n");
    ASSERT_EQ(dir.run(std::string("timeout 60 gpsim -i -p ") + chip.gpsim_name + " -c run.stc prog.hex"), 0)
        << dir.read("err");
    std::map<unsigned, unsigned> ram = e2e::ram_dump(dir.read("out"));
    std::string symbols = dir.read("prog.sym");
    auto at = [&](const std::string &name) { return unsigned(e2e::symbol_value(symbols, name)); };
    ASSERT_FALSE(ram.empty()) << dir.read("out").substr(0, 2000);
    std::set<unsigned> banks;
    for (int k = 0; k < WORDS; k++) {
      std::string name = "_w" + std::to_string(k);
      ASSERT_GE(e2e::symbol_value(symbols, name), 0) << name;
      unsigned address = at(name), want = (k * 257 + 1) & 0xFFFF;
      banks.insert(address >> 8);
      EXPECT_EQ(ram[address] | ram[address + 1] << 8, want) << chip.chip << " " << name << " at " << std::hex << address;
    }
    EXPECT_GE(banks.size(), 3u) << chip.chip << ": the words should reach three banks";
    EXPECT_EQ(ram[at("_sum")], 42u) << chip.chip;
    EXPECT_EQ(ram[at("_r1")], 22u) << chip.chip << ": compare chain";
    EXPECT_EQ(ram[at("_r2")], 14u) << chip.chip << ": jump table";
    EXPECT_EQ(ram[at("_ticks")], 0u) << chip.chip;
    // Shifts in place, a signed one filling with the sign.
    EXPECT_EQ(ram[at("_u")], 50u) << chip.chip;
    EXPECT_EQ(ram[at("_u7")], 1u) << chip.chip;
    EXPECT_EQ(ram[at("_s")], 0xE7u) << chip.chip;
    EXPECT_EQ(ram[at("_s7")], 0xFFu) << chip.chip;
  }
}

}  // namespace
