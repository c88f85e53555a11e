// An assembly program built by tovra18 (assembler, both link stages,
// imprel and tessik), with a debug description written as the code
// generator writes one: forvane's model of the build must hold every
// function, global, local, parameter, line and type, placed where the link
// put them, and the driver's own command line for forvane must still work.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "common/alloc.h"
#include "common/vector.h"
#include "symconv/forvane.h"
#include "symconv/model.h"
#include "symconv/sdb.h"
#include "tests/e2e.h"

namespace {

using e2e::folder;
using e2e::program;

const char program_source[] = R"(
	processor 18F452
	FNCONF	rparam,??,?
	psect	text,class=CODE,delta=1,reloc=2
	file	"prog.c"
	global	_main, _add, ??main, ?_add, ??_add, _total
	line	10
_main:
	movlw	1
	line	11
	movwf	_total, b
	line	12
	call	_add
	bra	$

	line	20
_add:
	movf	?_add, w, c
	line	21
	addwf	?_add+1, w, c
	return

	psect	bss,class=RAM,space=1
_total:	ds	2
??main:	ds	3
?_add:	ds	4
??_add:	ds	1
)";

const char program_sdb[] = R"([p GLOBOPT ERRATA_4000_BOUNDARY SPEEDOPT ]
[d version 1.1 ]
[d edition pro ]
[d chip 18F452 ]
"3 prog.c
[s S1 point 4 `i 1 x 2 0 `i 1 y 2 2 ]
[e E2 mode `uc
off 0
on 1
]
"5
[v _total `i  1 e 2 0 ]
[v pt `S1  1 t 4 ]
"20
[v _add `(i  1 e 2 0 ]
{
[v _a `i  1 p 2 0 ]
[v _b `i  1 p 2 2 ]
"21
} 1
"10
[v _main `(v  1 e 2 0 ]
{
[v _i `uc  1 a 1 0 ]
[v _m `E2  1 a 1 1 ]
[v _where `*S1  1 a 2 1 ]
"12
} 4
)";

// The value of a symbol (or of a line record) in the link's symbol file.
unsigned value_in(const std::string &symbols, const std::string &name) { return e2e::required_symbol(symbols, name); }

// The scope whose items hold the record.
sdb_record *holder(sdb_record *scope, const sdb_record *record) {
  for (uint32_t k = 0; k < vec_size(scope->items); k++) {
    sdb_record *item = static_cast<sdb_record *>(vec_get(scope->items, k));
    if (item == record) return scope;
    if (item->items)
      if (sdb_record *found = holder(item, record)) return found;
  }
  return nullptr;
}

std::string hex(unsigned v) {
  char text[16];
  snprintf(text, sizeof text, "%X", v);
  return text;
}

class ForvaneBuild : public testing::Test {
 protected:
  folder dir;
  std::string symbols;

  void SetUp() override {
    dir.write("prog.as", program_source);
    dir.write("prog.sdb", program_sdb);
    dir.write("registry", "");
    ASSERT_NO_FATAL_FAILURE(build(" --output=intel", "prog.hex"));
    symbols = dir.read("prog.sym");
  }

  // The driver's build of the program with these options, which must make
  // the file named.
  void build(const std::string &options, const std::string &made) {
    std::string env = "TOVRA18_REGISTRY='" + (dir / "registry") + "' ";
    ASSERT_EQ(dir.run(env + program("tovra18") + " --chip=18F452" + options + " prog.as"), 0)
        << dir.read("out") << dir.read("err");
    ASSERT_TRUE(dir.exists(made));
  }
};

TEST_F(ForvaneBuild, DumpListsFunctionsVariablesLinesAndTypes) {
  ASSERT_EQ(dir.run(program("forvane") + " -v -v -P18F452,PIC18 prog.hex prog.sym -otitxt"), 0) << dir.read("err");
  std::string dump = dir.read("err");
  std::vector<std::string> expected = {
      "func: _main() 10-12", "func: _add() 20-21", "extern: _total `i2 5", "extern: _main `(v 10",
      "auto: _i `u1 10", "auto: _m `enum mode 10", "auto: _where `*struct point 10", "param: _a `i2 20",
      "param: _b `i2 20", "struct: S1(point) = { x `i2 y `i2 }", "enum: E2(mode) = { off=0 on=1 }",
      "typedef: pt `struct point 5", "module: \"prog.obj\" 3-21", "filename: \"prog.c\"",
      "\"startup.obj\" 0-0", "File: prog.c\nSymbols: 0\nLines: 5",
  };
  for (const char *name : {"_main", "_add"})
    expected.push_back(std::string("CODE        ") + hex(value_in(symbols, name)));
  for (const char *line : {"10", "11", "12", "20", "21"}) {
    char row[64];
    snprintf(row, sizeof row, "\t%5.5u: %s-", unsigned(atoi(line)), hex(value_in(symbols, line)).c_str());
    expected.push_back(row);
  }
  for (const std::string &text : expected) EXPECT_NE(dump.find(text), std::string::npos) << text << "\n" << dump;
  EXPECT_TRUE(dir.exists("prog.txt"));
}

TEST_F(ForvaneBuild, LocalsResolveToWhereTheLinkPutTheirAreas) {
  char here[4096];
  ASSERT_TRUE(getcwd(here, sizeof here));
  ASSERT_EQ(chdir(dir.path.c_str()), 0);
  std::vector<std::string> words = {"forvane", "-P18F452,PIC18", "prog.hex", "prog.sym", "-oquenlor", "copy"};
  std::vector<char *> argv;
  for (std::string &w : words) argv.push_back(w.data());
  int status = forvane_run(int(argv.size()), argv.data());
  ASSERT_EQ(chdir(here), 0);
  ASSERT_EQ(status, 0);
  struct {
    const char *name;
    const char *area;
    unsigned offset;
  } cases[] = {{"_i", "??main", 0}, {"_m", "??main", 1}, {"_b", "?_add", 2}, {"_total", "_total", 0}};
  for (const auto &c : cases) {
    sdb_record *var = sdb_find_global(c.name);
    ASSERT_TRUE(var) << c.name;
    sdb_record *scope = holder(sdb_global_scope(), var);
    ASSERT_TRUE(scope) << c.name;
    uint32_t address = 0, segment = 0;
    ASSERT_TRUE(mach_resolve(var, scope, &address, &segment)) << c.name;
    EXPECT_EQ(address, value_in(symbols, c.area) + c.offset) << c.name;
  }
  ASSERT_GE(vec_size(model.data), 1u);
  forvane_reset();
}

TEST_F(ForvaneBuild, TheDriversCommandLineIsRead) {
  std::string edf = "--edf='" + staged_program("forvane").substr(0, staged_program("forvane").rfind("/bin/")) +
                    "/dat/en_msgs.txt'";
  // The driver's own request of PIC COFF, then a format not built yet,
  // which is refused by number.
  std::string common = " -W-1 " + edf + " -k -m -P18F452,452F,PIC18 -NCODE,CONST prog.hex prog.sym ";
  ASSERT_EQ(dir.run("rm -f prog.cof && " + program("forvane") + common + "-omcof -E1"), 0) << dir.read("err");
  EXPECT_TRUE(dir.exists("prog.cof"));
  for (int k = 1; k <= FORMAT_COUNT; k++) {
    if (format_available(k)) continue;
    EXPECT_EQ(dir.run(program("forvane") + common + "-o" + format_table[k - 1].key + " -E1"), 1);
    EXPECT_NE(dir.read("err").find("615"), std::string::npos) << dir.read("err");
    break;
  }
}

// The first row of a listing whose column (from 0) holds the name, split
// into its columns.
std::vector<std::string> row_of(const std::string &listing, const std::string &name, size_t name_column) {
  std::istringstream lines(listing);
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream fields(line);
    std::vector<std::string> columns;
    for (std::string f; fields >> f;) columns.push_back(f);
    if (columns.size() > name_column && columns[name_column] == name) return columns;
  }
  return {};
}

// The default build's debugger file, read by gputils' dumper: every
// global at the address the link gave it, and every source line.
TEST_F(ForvaneBuild, GpvoReadsTheDefaultPicCoff) {
  if (!e2e::have_tool("gpvo")) GTEST_SKIP() << "gpvo (gputils) is not installed; bash scripts/deps installs it";
  ASSERT_NO_FATAL_FAILURE(build("", "prog.cof"));
  ASSERT_EQ(dir.run("gpvo prog.cof"), 0) << dir.read("err");
  EXPECT_EQ(dir.read("err"), "");
  std::string dump = dir.read("out");
  // The driver strips the leading underscore (-m).
  struct {
    const char *name, *symbol, *section;
  } globals[] = {{"main", "_main", "_text1"}, {"add", "_add", "_text1"}, {"total", "_total", "bss"}};
  for (const auto &g : globals) {
    std::vector<std::string> row = row_of(dump, g.name, 1);
    ASSERT_GE(row.size(), 4u) << g.name << "\n" << dump;
    EXPECT_EQ(row[2], g.section) << g.name;
    EXPECT_EQ(std::stoul(row[3], nullptr, 0), value_in(symbols, g.symbol)) << g.name;
  }
  for (const char *line : {"10", "11", "12", "20", "21"}) {
    bool found = false;
    std::istringstream lines(dump);
    for (std::string l; std::getline(lines, l);) {
      std::istringstream fields(l);
      std::string number, address, file;
      if (fields >> number >> address >> file && number == line && file == "prog.c") {
        EXPECT_EQ(std::stoul(address, nullptr, 0), value_in(symbols, line)) << line;
        found = true;
      }
    }
    EXPECT_TRUE(found) << "line " << line << "\n" << dump;
  }
}

// The COD file of a build that asks for one, read by gputils' dumper and
// loaded by gpsim, which stops at a source line and reads a variable.
class ForvaneCodBuild : public ForvaneBuild {
 protected:
  void SetUp() override {
    ForvaneBuild::SetUp();
    std::string source;
    for (int k = 1; k <= 25; k++) source += "/* line " + std::to_string(k) + " */\n";
    dir.write("prog.c", source);
    ASSERT_NO_FATAL_FAILURE(build(" --output=intel,cod", "prog.cod"));
  }
};

TEST_F(ForvaneCodBuild, GpvcListsEveryGlobalAndLine) {
  if (!e2e::have_tool("gpvc")) GTEST_SKIP() << "gpvc (gputils) is not installed; bash scripts/deps installs it";
  ASSERT_EQ(dir.run("gpvc prog.cod"), 0) << dir.read("err");
  std::string dump = dir.read("out");
  std::string longs = dump.substr(dump.find("Long Symbol Table"));
  for (const char *name : {"_main", "_add", "_total"}) {
    std::vector<std::string> row = row_of(longs, name, 0);
    ASSERT_GE(row.size(), 3u) << name << "\n" << dump;
    EXPECT_EQ(std::stoul(row[2], nullptr, 16), value_in(symbols, name)) << name;
  }
  for (const char *line : {"10", "11", "12", "20", "21"}) {
    char row[64];
    snprintf(row, sizeof row, "%6s  %06X  80 ", line, value_in(symbols, line));
    EXPECT_NE(dump.find(row), std::string::npos) << row << "\n" << dump;
  }
}

TEST_F(ForvaneCodBuild, GpsimStopsAtASourceLineAndReadsAVariable) {
  if (!e2e::have_tool("gpsim")) GTEST_SKIP() << "gpsim is not installed; bash scripts/deps installs it";
  // Line 12 begins after line 11 stored 1 into total.
  char commands[128];
  snprintf(commands, sizeof commands, "break e 0x%X\nrun\nreg(_total)\nquit\n", value_in(symbols, "12"));
  dir.write("steps.stc", commands);
  ASSERT_EQ(dir.run("timeout 60 gpsim -i -s prog.cod -c steps.stc < /dev/null"), 0) << dir.read("err");
  std::string session = dir.read("out");
  EXPECT_NE(session.find("p18f452"), std::string::npos) << session;
  EXPECT_NE(session.find("Hit a Breakpoint!"), std::string::npos) << session;
  EXPECT_NE(session.find("11: /* line 11 */"), std::string::npos) << session;
  EXPECT_NE(session.find("] = $01"), std::string::npos) << session;
}

}  // namespace

namespace {

// What one dump says of a unit, a function or a variable.
struct die_facts {
  std::string tag, name, low, high;
  bool operator==(const die_facts &o) const {
    return tag == o.tag && name == o.name && low == o.low && high == o.high;
  }
};

std::ostream &operator<<(std::ostream &out, const die_facts &f) {
  return out << f.tag << " " << f.name << " " << f.low << "-" << f.high;
}

const char *const described_tags[] = {"compile_unit", "subprogram", "variable", "formal_parameter"};

bool described(const std::string &tag) {
  for (const char *t : described_tags)
    if (tag == t) return true;
  return false;
}

// Addresses as numbers, so that both dumps' spellings compare.
std::string address_text(const std::string &text) {
  return text.empty() ? "" : hex(unsigned(std::stoul(text, nullptr, 16)));
}

// How a listing of DWARF spells a DIE, an attribute and a line row.
struct dump_syntax {
  const char *die, *attribute, *row;
  bool quoted_names;
  // A row holding this text ends a sequence; with none, a sequence's last
  // row in a block of rows is its end.
  const char *end_marker;
};

const dump_syntax dwarfdump_syntax = {"^<\\s*\\d+><0x[0-9a-f]+>\\s+DW_TAG_(\\w+)", "^\\s+DW_AT_(\\w+)\\s+(.*?)\\s*$",
                                      "^0x([0-9a-f]+)\\s+\\[\\s*(\\d+),", false, " ET"};
const dump_syntax own_syntax = {"^\\s*\\+DW_TAG_(\\w+) \\(", "^\\s+DW_AT_(\\w+) (.*)$",
                                "^\\d{5}:  ([0-9A-F]{16})  \\d+\\s+(\\d+)", true, nullptr};

// The units, functions and variables of a listing, and its line rows
// (address, line) without the ends of sequences.
void read_dump(const std::string &text, const dump_syntax &syntax, std::vector<die_facts> *dies,
               std::vector<std::pair<unsigned, unsigned>> *rows) {
  std::istringstream lines(text);
  std::regex die(syntax.die), attribute(syntax.attribute), row(syntax.row);
  std::smatch m;
  std::vector<std::pair<unsigned, unsigned>> block;
  for (std::string line; std::getline(lines, line);) {
    bool is_row = std::regex_search(line, m, row);
    if (is_row) {
      if (!syntax.end_marker || line.find(syntax.end_marker) == std::string::npos)
        block.push_back({unsigned(std::stoul(m[1], nullptr, 16)), unsigned(std::stoul(m[2]))});
      continue;
    }
    if (!block.empty()) {
      rows->insert(rows->end(), block.begin(), block.end() - (syntax.end_marker ? 0 : 1));
      block.clear();
    }
    if (std::regex_search(line, m, die)) {
      dies->push_back({m[1], "", "", ""});
    } else if (std::regex_search(line, m, attribute) && !dies->empty()) {
      std::string value = m[2];
      if (m[1] == "name") dies->back().name = syntax.quoted_names ? value.substr(1, value.size() - 2) : value;
      if (m[1] == "low_pc") dies->back().low = address_text(value);
      if (m[1] == "high_pc") dies->back().high = address_text(value);
    }
  }
  if (!block.empty()) rows->insert(rows->end(), block.begin(), block.end() - (syntax.end_marker ? 0 : 1));
  std::vector<die_facts> kept;
  for (const die_facts &f : *dies)
    if (described(f.tag)) kept.push_back(f);
  dies->swap(kept);
}

// The ELF file a build asks for, read by readelf and dwarfdump.
class ForvaneElfBuild : public ForvaneBuild {
 protected:
  void SetUp() override {
    ForvaneBuild::SetUp();
    ASSERT_NO_FATAL_FAILURE(build(" --output=intel,elf", "prog.elf"));
  }
};

TEST_F(ForvaneElfBuild, ReadelfReadsItWithoutComplaint) {
  if (!e2e::have_tool("readelf")) GTEST_SKIP() << "readelf (binutils) is not installed";
  ASSERT_EQ(dir.run("readelf -a --debug-dump=info,abbrev,line prog.elf"), 0) << dir.read("err");
  EXPECT_EQ(dir.read("err"), "");
  std::string dump = dir.read("out");
  EXPECT_EQ(dump.find("Warning"), std::string::npos) << dump;
  EXPECT_EQ(dump.find("Error"), std::string::npos) << dump;
  for (const char *name : {"_main", "_add", "_total"}) {
    std::vector<std::string> row = row_of(dump, name, 7);
    ASSERT_GE(row.size(), 8u) << name << "\n" << dump;
    EXPECT_EQ(std::stoul(row[1], nullptr, 16), value_in(symbols, name)) << name;
  }
}

TEST_F(ForvaneElfBuild, DwarfdumpAndForvaneAgreeOnUnitsFunctionsVariablesAndLines) {
  if (!e2e::have_tool("dwarfdump")) GTEST_SKIP() << "dwarfdump is not installed; bash scripts/deps installs it";
  ASSERT_EQ(dir.run("dwarfdump -a prog.elf"), 0) << dir.read("err");
  EXPECT_EQ(dir.read("err"), "");
  std::string theirs = dir.read("out");
  EXPECT_EQ(theirs.find("ERROR"), std::string::npos) << theirs;
  EXPECT_EQ(theirs.find("WARNING"), std::string::npos) << theirs;
  ASSERT_EQ(dir.run(program("forvane") + " -d prog.elf"), 0) << dir.read("err");
  std::string ours = dir.read("out");

  std::vector<die_facts> their_dies, our_dies;
  std::vector<std::pair<unsigned, unsigned>> their_rows, our_rows;
  read_dump(theirs, dwarfdump_syntax, &their_dies, &their_rows);
  read_dump(ours, own_syntax, &our_dies, &our_rows);
  EXPECT_EQ(our_dies, their_dies) << ours << theirs;
  EXPECT_EQ(our_rows, their_rows);

  // Every unit, every function with the range the link gave it, every
  // variable, and the lines where the symbol file puts them.
  std::vector<std::string> names;
  for (const die_facts &f : their_dies) names.push_back(f.tag + " " + f.name);
  EXPECT_EQ(names, (std::vector<std::string>{"compile_unit startup.obj", "compile_unit prog.obj", "variable _total",
                                             "subprogram _add", "formal_parameter _a", "formal_parameter _b",
                                             "subprogram _main", "variable _i", "variable _m", "variable _where"}));
  for (const die_facts &f : their_dies)
    if (f.tag == "subprogram") {
      EXPECT_EQ(f.low, hex(value_in(symbols, f.name))) << f.name;
    }
  std::vector<std::pair<unsigned, unsigned>> expected;
  for (unsigned line : {10u, 11u, 12u, 20u, 21u}) expected.push_back({value_in(symbols, std::to_string(line)), line});
  EXPECT_EQ(their_rows, expected);
  // Locations where the link put the variables and their areas.
  struct {
    const char *name, *area;
    unsigned offset;
  } locations[] = {{"_total", "_total", 0}, {"_i", "??main", 0}, {"_m", "??main", 1}, {"_b", "?_add", 2}};
  for (const auto &l : locations) {
    char op[64];
    snprintf(op, sizeof op, "DW_OP_addr 0x%08x", value_in(symbols, l.area) + l.offset);
    size_t at = theirs.find(std::string("DW_AT_name                  ") + l.name + "\n");
    ASSERT_NE(at, std::string::npos) << l.name;
    EXPECT_NE(theirs.substr(at, 500).find(op), std::string::npos) << l.name << " " << op << "\n" << theirs;
  }
}

}  // namespace
