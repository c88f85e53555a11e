// doprnt.c as the driver uses it: from the installation's lib folder,
// compiled with the feature macros of the program's formats. Every build of
// one feature passes the front end; a whole build compiles into the program
// the functions of the features its formats use, and no others.
#include <gtest/gtest.h>

#include <string>

#include "tests/e2e.h"

namespace {

using e2e::folder;
using e2e::program;

const char *const features[] = {
    "SPCSIGN", "MANSIGN", "FILL",   "LEFT",   "LONG",     "ALTERN",    "UPCASE",     "TEN",           "EIGHT",
    "COUNT",   "UNSIGN",  "EFMT",   "GFMT",   "FFMT",     "POINTER",   "WIDTH",      "PRECISION",     "STAR",
    "STRING",  "CHAR",    "PERCPERC", "HEXUPCASE", "HEXLOWCASE", "CUSTOM_PRINTF", "RETVALUE",
};

std::string doprnt_source() { return std::string(TOVRA_STAGE) + "/lib/doprnt.c"; }

// The front end over doprnt.c with the given macros: its messages, empty
// when it passes.
std::string front_end(const folder &dir, const std::string &macros) {
  std::string env = "TOVRA18_REGISTRY='" + (dir / "registry") + "' ";
  int status = dir.run(env + program("tovra18") + " --chip=18F452 --pass1 -Q " + macros + " '" + doprnt_source() + "'");
  std::string said = dir.read("out") + dir.read("err");
  return status == 0 ? said : "exit status " + std::to_string(status) + ": " + said;
}

TEST(Doprnt, EachFeatureAlonePassesTheFrontEnd) {
  folder dir;
  dir.write("registry", "");
  EXPECT_EQ(front_end(dir, ""), "") << "every feature";
  for (const char *entry : {"PRINTF", "SPRINTF", "VPRINTF", "VSPRINTF"}) {
    for (const char *feature : features) {
      std::string macros = std::string("-D") + entry + " -D" + feature;
      EXPECT_EQ(front_end(dir, macros), "") << macros;
    }
    EXPECT_EQ(front_end(dir, std::string("-D") + entry + " --double=32 -DEFMT"), "") << entry << ", 32-bit";
  }
}

// A program's build as far as the code generator: the driver's printf
// analysis, then doprnt.c compiled with what it found (the code generator
// may not yet cover all of it, so the build's own status is not asked).
std::string doprnt_code(const folder &dir, const std::string &program_text) {
  dir.write("main.c", program_text);
  dir.write("registry", "");
  std::string env = "TOVRA18_REGISTRY='" + (dir / "registry") + "' ";
  dir.run(env + program("tovra18") + " --chip=18F452 --output=intel main.c");
  return dir.exists("doprnt.parsk") ? dir.read("doprnt.parsk") : "";
}

bool defined(const std::string &code, const std::string &function) {
  return code.find("[e :U _" + function + " ]") != std::string::npos;
}

TEST(Doprnt, AProgramGetsOnlyTheFeaturesItsFormatsUse) {
  folder decimal;
  std::string code = doprnt_code(decimal, R"(#include <stdio.h>
void putch(char c)
{
	(void)c;
}
int main(void)
{
	int x = 42;

	printf("x=%d\n", x);
	return 0;
}
)");
  ASSERT_FALSE(code.empty()) << decimal.read("out") << decimal.read("err");
  for (const char *f : {"printf", "dp_format", "dp_integer", "dp_sign"}) EXPECT_TRUE(defined(code, f)) << f;
  for (const char *f : {"sprintf", "vprintf", "vsprintf", "dp_float", "dp_text", "dp_pad", "dp_pointer", "dp_begin"})
    EXPECT_FALSE(defined(code, f)) << f;

  folder text;
  code = doprnt_code(text, R"(#include <stdio.h>
char line[32];
int main(void)
{
	double v = 2.5;

	sprintf(line, "%-8s|%.3e", "v", v);
	return line[0];
}
)");
  ASSERT_FALSE(code.empty()) << text.read("out") << text.read("err");
  for (const char *f : {"sprintf", "dp_format", "dp_float", "dp_text", "dp_pad", "dp_begin"})
    EXPECT_TRUE(defined(code, f)) << f;
  for (const char *f : {"printf", "vprintf", "dp_integer", "dp_pointer"}) EXPECT_FALSE(defined(code, f)) << f;
}

TEST(Doprnt, AProgramWithoutPrintfCompilesNone) {
  folder dir;
  EXPECT_EQ(doprnt_code(dir, "#include <stdio.h>\nint main(void)\n{\n\treturn puts(\"hi\");\n}\n"), "");
}

}  // namespace
