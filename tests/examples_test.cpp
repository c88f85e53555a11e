// The bundled examples that scripts/demo runs keep working: the assembly
// example builds into a hex file whose run in gpsim leaves the Fibonacci
// numbers in RAM, and the C example goes through the front end.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

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

// The value of a symbol in the link's symbol file.
unsigned symbol_value(const std::string &symbols, const std::string &name) {
  std::istringstream lines(symbols);
  std::string first, value, rest;
  while (lines >> first >> value && std::getline(lines, rest))
    if (first == name) return unsigned(std::stoul(value, nullptr, 16));
  ADD_FAILURE() << "no symbol " << name;
  return 0;
}

TEST(examples, fibonacci_runs_in_gpsim) {
  if (!e2e::have_tool("gpsim")) GTEST_SKIP() << "gpsim missing";
  folder dir;
  dir.write("fib.as", example("fib/fib.as"));
  dir.write("run.stc", example("fib/run.stc"));
  dir.write("registry", "");
  std::string env = "TOVRA18_REGISTRY='" + (dir / "registry") + "' ";
  ASSERT_EQ(dir.run(env + program("tovra18") + " --chip=18F452 --output=intel fib.as"), 0) << dir.read("err");
  ASSERT_EQ(dir.run("timeout 60 gpsim -i -p p18f452 -c run.stc fib.hex"), 0) << dir.read("err");
  unsigned fib = symbol_value(dir.read("fib.sym"), "_fib");

  // gpsim's register dump: rows of an address and sixteen bytes.
  unsigned ram[0x600] = {};
  std::istringstream lines(dir.read("out"));
  std::string line;
  while (std::getline(lines, line)) {
    unsigned row, b[16];
    if (line.find(':') != 4 ||
        sscanf(line.c_str(), "%x: %x %x %x %x %x %x %x %x %x %x %x %x %x %x %x %x", &row, &b[0], &b[1], &b[2],
               &b[3], &b[4], &b[5], &b[6], &b[7], &b[8], &b[9], &b[10], &b[11], &b[12], &b[13], &b[14],
               &b[15]) != 17 || row + 16 > 0x600)
      continue;
    for (unsigned i = 0; i < 16; i++) ram[row + i] = b[i];
  }
  const unsigned expected[12] = {0, 1, 1, 2, 3, 5, 8, 13, 21, 34, 55, 89};
  for (unsigned i = 0; i < 12; i++) EXPECT_EQ(ram[fib + i], expected[i]) << "fib[" << i << "]";
}

TEST(examples, c_example_goes_through_the_front_end) {
  folder dir;
  dir.write("main.c", example("c/main.c"));
  dir.write("registry", "");
  std::string env = "TOVRA18_REGISTRY='" + (dir / "registry") + "' ";
  ASSERT_EQ(dir.run(env + program("tovra18") + " --chip=18F452 --pass1 main.c"), 0) << dir.read("err");
  std::string code = dir.read("main.parsk");
  EXPECT_EQ(code.rfind("Version 3.2", 0), 0u) << code;
  EXPECT_NE(code.find("[v _fib `uc -> 12 `ux e ]"), std::string::npos) << code;
}

}  // namespace
