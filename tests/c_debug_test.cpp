// A C program built by tovra18 with its debugger files: every statement has
// its own line record, gputils' dumpers read the PIC COFF and COD files,
// gpsim, loading the COD file, stops at a C source line and reads a variable
// by its name, and binutils and libdwarf read the ELF file's DWARF.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "tests/e2e.h"

namespace {

const char program_source[] = R"(volatile unsigned char sum, b1, b2;

void add(void)
{
	sum += b2;
}

void main(void)
{
	b1 = 40;
	b2 = 2;
	sum = b1;
	add();
	for (;;)
		continue;
}
)";

class CDebugFiles : public ::testing::Test {
 protected:
  e2e::folder dir;
  std::string symbols;

  void SetUp() override {
    dir.write("prog.c", program_source);
    dir.write("registry", "");
    std::string env = "TOVRA18_REGISTRY='" + (dir / "registry") + "' ";
    ASSERT_EQ(dir.run(env + e2e::program("tovra18") + " --chip=18F452 --output=intel,cod,mcof,elf prog.c"), 0)
        << dir.read("out") << dir.read("err");
    symbols = dir.read("prog.sym");
  }

  // The address of the first line record of a source line.
  unsigned line_address(int line) {
    long value = e2e::symbol_value(symbols, std::to_string(line));
    EXPECT_GE(value, 0) << "no line record for line " << line << "\n" << symbols;
    return unsigned(value);
  }
};

TEST_F(CDebugFiles, EveryStatementHasALineRecordInOrder) {
  unsigned previous = 0;
  for (int line : {10, 11, 12, 13}) {
    unsigned address = line_address(line);
    EXPECT_GT(address, previous) << line;
    previous = address;
  }
  EXPECT_GE(e2e::symbol_value(symbols, "5"), e2e::symbol_value(symbols, "_add")) << symbols;
}

TEST_F(CDebugFiles, GputilsReadTheCoffAndCodFiles) {
  if (!e2e::have_tool("gpvo") || !e2e::have_tool("gpvc")) GTEST_SKIP() << "gputils missing; bash scripts/deps installs it";
  ASSERT_EQ(dir.run("gpvo prog.cof"), 0) << dir.read("err");
  std::string coff = dir.read("out");
  for (const char *name : {" sum ", " main ", " add "}) EXPECT_NE(coff.find(name), std::string::npos) << name;
  char row[64];
  snprintf(row, sizeof row, "12       0x%x   prog.c", line_address(12));
  EXPECT_NE(coff.find(row), std::string::npos) << row << "\n" << coff;
  ASSERT_EQ(dir.run("gpvc prog.cod"), 0) << dir.read("err");
  EXPECT_NE(dir.read("out").find("_sum"), std::string::npos);
}

TEST_F(CDebugFiles, GpsimStopsAtACSourceLineAndReadsAVariable) {
  if (!e2e::have_tool("gpsim")) GTEST_SKIP() << "gpsim missing; bash scripts/deps installs it";
  // Stopping where the call on line 13 begins: line 12 has copied b1 to sum.
  char commands[96];
  snprintf(commands, sizeof commands, "break e 0x%X\nrun\nreg(_sum)\nquit\n", line_address(13));
  dir.write("steps.stc", commands);
  ASSERT_EQ(dir.run("timeout 60 gpsim -i -s prog.cod -c steps.stc < /dev/null"), 0) << dir.read("err");
  std::string session = dir.read("out");
  EXPECT_NE(session.find("Hit a Breakpoint!"), std::string::npos) << session;
  EXPECT_NE(session.find("12: \tsum = b1;"), std::string::npos) << session;
  EXPECT_NE(session.find("] = $28"), std::string::npos) << session;
}

TEST_F(CDebugFiles, ReadelfAndDwarfdumpReadTheElfFile) {
  if (!e2e::have_tool("readelf") || !e2e::have_tool("dwarfdump")) GTEST_SKIP() << "binutils or dwarfdump missing";
  ASSERT_EQ(dir.run("readelf -a --debug-dump=info,abbrev,line prog.elf"), 0) << dir.read("err");
  EXPECT_EQ(dir.read("err"), "");
  ASSERT_EQ(dir.run("dwarfdump -a prog.elf"), 0) << dir.read("err");
  EXPECT_EQ(dir.read("err"), "");
  std::string dwarf = dir.read("out");
  for (const char *name : {"_main", "_add", "_sum", "unsigned char"}) EXPECT_NE(dwarf.find(name), std::string::npos) << name;
  char row[64];
  snprintf(row, sizeof row, "0x%08x  [  13, 0]", line_address(13));
  EXPECT_NE(dwarf.find(row), std::string::npos) << row << "\n" << dwarf;
}

// An interrupt's entry sits in its vector's psect and its body in another:
// each psect's lines belong in the section of that psect, and psects placed
// apart are no gap between lines worth a warning.
const char interrupt_source[] = R"(#include <tovra18.h>
volatile unsigned char g, h;
void interrupt isr(void)
{
	if (TMR0IF) {
		TMR0IF = 0;
		h++;
	}
}
void main(void)
{
	g = 3;
	for (;;)
		g = g * g;
}
)";

TEST(CDebugInterrupt, EveryLineEntryLiesInItsOwnSection) {
  if (!e2e::have_tool("gpvo") || !e2e::have_tool("gpvc")) GTEST_SKIP() << "gputils missing; bash scripts/deps installs it";
  e2e::folder dir;
  dir.write("prog.c", interrupt_source);
  dir.write("registry", "");
  std::string env = "TOVRA18_REGISTRY='" + (dir / "registry") + "' ";
  ASSERT_EQ(dir.run(env + e2e::program("tovra18") + " --chip=18F4520 --output=intel,cod,mcof prog.c"), 0)
      << dir.read("out") << dir.read("err");
  std::string messages = dir.read("out") + dir.read("err");
  EXPECT_EQ(messages.find("(1289)"), std::string::npos) << messages;
  ASSERT_EQ(dir.run("gpvo prog.cof"), 0) << dir.read("err");
  std::istringstream dump(dir.read("out"));
  unsigned long base = 0, size = 0;
  std::string section;
  bool in_table = false;
  std::vector<unsigned> lines_seen;
  for (std::string l; std::getline(dump, l);) {
    std::istringstream fields(l);
    std::string a, b, c, d;
    fields >> a >> b >> c >> d;
    if (a == "Name") section = b;
    if (a == "Section" || a == "Symbol") in_table = false;
    if (a == "Physical") base = std::stoul(c, nullptr, 0);
    if (a == "Size" && b == "of") size = std::stoul(d);
    if (a == "Line" && b == "Address") in_table = true;
    if (in_table && c == "prog.c") {
      unsigned long address = std::stoul(b, nullptr, 0);
      EXPECT_TRUE(address >= base && address < base + size) << l << " in " << section << "\n" << dir.read("out");
      lines_seen.push_back(unsigned(std::stoul(a)));
    }
    if (l.empty()) in_table = false;
  }
  for (unsigned line : {4u, 5u, 6u, 7u, 12u, 14u})
    EXPECT_NE(std::find(lines_seen.begin(), lines_seen.end(), line), lines_seen.end()) << line;
  ASSERT_EQ(dir.run("gpvc prog.cod"), 0) << dir.read("err");
  EXPECT_NE(dir.read("out").find("h++;"), std::string::npos) << dir.read("out");
}

}  // namespace
