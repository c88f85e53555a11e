// The bundled examples keep working: the assembly and the C example that
// scripts/demo runs each build into a hex file whose run in gpsim leaves the
// Fibonacci numbers in RAM, and each firmware example builds for the 18F452,
// 18F4520, 18F45K22, 18F46K80 and 18F26K22 and leaves the values its
// comments promise on those gpsim models.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "tests/e2e.h"

namespace {

using e2e::folder;
using e2e::program;

std::string example(const std::string &name) {
  std::ifstream in(std::string(TOVRA_SOURCE_DIR) + "/examples/" + name);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// Builds one example with the driver, runs it in gpsim and checks that the
// first twelve Fibonacci numbers stand at _fib.
void expect_fibonacci_in_gpsim(const std::string &source, const std::string &name) {
  folder dir;
  dir.write(name, example(source));
  dir.write("run.stc", example(source.substr(0, source.find('/')) + "/run.stc"));
  dir.write("registry", "");
  std::string env = "TOVRA18_REGISTRY='" + (dir / "registry") + "' ";
  ASSERT_EQ(dir.run(env + program("tovra18") + " --chip=18F452 --output=intel " + name), 0)
      << dir.read("out") << dir.read("err");
  std::string base = name.substr(0, name.find('.'));
  ASSERT_EQ(dir.run("timeout 60 gpsim -i -p p18f452 -c run.stc " + base + ".hex < /dev/null"), 0) << dir.read("err");
  long fib = e2e::symbol_value(dir.read(base + ".sym"), "_fib");
  ASSERT_GE(fib, 0) << dir.read(base + ".sym");
  std::map<unsigned, unsigned> ram = e2e::ram_dump(dir.read("out"));
  const unsigned expected[12] = {0, 1, 1, 2, 3, 5, 8, 13, 21, 34, 55, 89};
  for (unsigned i = 0; i < 12; i++) EXPECT_EQ(ram[unsigned(fib) + i], expected[i]) << "fib[" << i << "]";
}

TEST(examples, fibonacci_in_assembly_runs_in_gpsim) {
  if (!e2e::have_tool("gpsim")) GTEST_SKIP() << "gpsim missing";
  expect_fibonacci_in_gpsim("fib/fib.as", "fib.as");
}

TEST(examples, fibonacci_in_c_runs_in_gpsim) {
  if (!e2e::have_tool("gpsim")) GTEST_SKIP() << "gpsim missing";
  expect_fibonacci_in_gpsim("c/main.c", "main.c");
}

struct expected_object {
  const char *name;               // as in C
  std::vector<unsigned> bytes;    // from its lowest address
};

struct firmware_example {
  const char *folder;                  // under examples
  std::vector<const char *> sources;   // copied with run.stc
  std::vector<const char *> builds;    // tovra18's arguments after --chip=, in order
  std::vector<expected_object> objects;
};

const firmware_example firmware[] = {
    // 200000 cycles: 781 overflows of timer 0, 97 toggles, 3 of timer 1.
    {"blinker", {"main.c"}, {"--output=intel main.c"}, {{"ticks", {13}}, {"toggles", {97}}, {"slow_ticks", {3}}}},
    {"printf",
     {"main.c"},
     {"--output=intel main.c"},
     {{"sent", {'n', '=', '-', '4', '2', ' ', 'x', '=', 'b', 'e', 'e', 'f', ' ', 'o', 'k', '\n'}}, {"count", {16}}}},
    {"eeprom", {"main.c"}, {"--output=intel main.c"}, {{"readback", {0xA0, 0xA3, 0xA6, 0xA9}}}},
    {"adc",
     {"main.c"},
     {"--output=intel main.c"},
     {{"average", {0xFE, 1}}, {"running", {0x7E, 1}}, {"peak", {0xFF, 3}}}},
    // The watchdog off: the loop of 30000 rounds ends.
    {"config", {"main.c"}, {"--output=intel main.c"}, {{"rounds", {0x30, 0x75}}, {"finished", {1}}}},
    {"library",
     {"scale.c", "main.c"},
     {"--output=lib scale.c", "--output=intel main.c scale.lib"},
     {{"scaled", {0x5E, 1}}, {"mean", {150}}, {"big", {0x90, 5, 0x10, 0}}}},
};

// The chips each firmware example builds for, and whether gpsim models the
// chip so that the run is checked too. gpsim has no 18F45K22; the 18F26K22,
// of the same family, runs the K22 code instead.
const struct {
  const char *name;
  const char *model;  // null where gpsim has none
} firmware_chips[] = {{"18F452", "p18f452"},  {"18F4520", "p18f4520"},   {"18F45K22", nullptr},
                      {"18F46K80", nullptr}, {"18F26K22", "p18f26k22"}};

TEST(examples, firmware_builds_for_each_chip_and_runs_in_gpsim) {
  if (!e2e::have_tool("gpsim")) GTEST_SKIP() << "gpsim missing";
  for (const auto &chip : firmware_chips) {
    for (const firmware_example &e : firmware) {
      SCOPED_TRACE(std::string(e.folder) + " on " + chip.name);
      folder dir;
      std::string at = std::string(e.folder) + "/";
      for (const char *source : e.sources) dir.write(source, example(at + source));
      dir.write("run.stc", example(at + "run.stc"));
      dir.write("registry", "");
      std::string env = "TOVRA18_REGISTRY='" + (dir / "registry") + "' ";
      for (const char *build : e.builds)
        ASSERT_EQ(dir.run(env + program("tovra18") + " --chip=" + chip.name + " " + build), 0)
            << build << "\n"
            << dir.read("out") << dir.read("err");
      if (!chip.model) continue;
      ASSERT_EQ(dir.run(std::string("timeout 60 gpsim -i -p ") + chip.model + " -c run.stc main.hex < /dev/null"), 0)
          << dir.read("err");
      std::map<unsigned, unsigned> ram = e2e::ram_dump(dir.read("out"));
      std::string symbols = dir.read("main.sym");
      for (const expected_object &o : e.objects) {
        long address = e2e::symbol_value(symbols, std::string("_") + o.name);
        ASSERT_GE(address, 0) << o.name;
        std::vector<unsigned> got;
        for (size_t i = 0; i < o.bytes.size(); i++) got.push_back(ram[unsigned(address) + unsigned(i)]);
        EXPECT_EQ(got, o.bytes) << o.name;
      }
    }
  }
}

}  // namespace
