// The bundled examples that scripts/demo runs keep working: the assembly and
// the C example each build into a hex file whose run in gpsim leaves the
// Fibonacci numbers in RAM.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
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

}  // namespace
