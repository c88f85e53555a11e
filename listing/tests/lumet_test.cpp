#include "listing/lumet.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "tests/support/test_support.h"

namespace {

std::string list_text(const std::string &text, int tab) {
  FILE *in = fmemopen(const_cast<char *>(text.data()), text.size(), "r");
  if (text.empty()) in = fopen("/dev/null", "r");
  char *buf = nullptr;
  size_t size = 0;
  FILE *out = open_memstream(&buf, &size);
  EXPECT_TRUE(lumet_list(in, out, tab));
  fclose(in);
  fclose(out);
  std::string r(buf, size);
  free(buf);
  return r;
}

TEST(LumetList, NumbersLinesAndExpandsTabs) {
  struct {
    const char *input;
    int tab;
    const char *expected;
  } cases[] = {
      {"", 8, ""},
      {"a\tb\n", 8, "     1: a       b\n"},
      {"a\tb\n", 4, "     1: a   b\n"},
      {"\n\n", 8, "     1: \n     2: \n"},
      {"x\ny", 8, "     1: x\n     2: y"},
      {"abcdefgh\tz\n", 8, "     1: abcdefgh        z\n"},
      {"\t\tq\n", 3, "     1:       q\n"},
      {"ab\tc\td\n", 1, "     1: ab c d\n"},
  };
  for (const auto &c : cases)
    EXPECT_EQ(list_text(c.input, c.tab), c.expected) << "input \"" << c.input << "\" tab " << c.tab;
}

// The same text through the program and through expand plus a numbering
// awk script must agree, byte for byte.
class LumetAgainstExpand : public testing::Test {
 protected:
  std::string dir = make_scratch_dir("listing-");

  void check(const std::string &name, const std::string &text, int tab) {
    write_file(dir + "/" + name, text);
    run_result mine = run_in(dir, staged_program("lumet") + " -T" + std::to_string(tab) + " " + name);
    ASSERT_EQ(mine.status, 0) << mine.err;
    run_result ref = run_in(dir, "LC_ALL=C expand -t " + std::to_string(tab) + " " + name +
                                     " | awk '{ printf \"%6d: %s\\n\", NR, $0 }'");
    ASSERT_EQ(ref.status, 0) << ref.err;
    std::string expected = ref.out;
    if (!text.empty() && text.back() != '\n' && !expected.empty()) expected.pop_back();
    EXPECT_EQ(mine.out, expected) << name << " tab " << tab;
  }
};

TEST_F(LumetAgainstExpand, Fixtures) {
  std::string c_source =
      "#include <xc.h>\n\nint\tmain(void)\n{\n\tint\ti;\t/* counter */\n"
      "\tfor (i = 0;\ti < 10; i++)\n\t\tPORTB = i;\t\t// out\n}\n";
  std::string long_line;
  for (int i = 0; i < 20000; i++) long_line += (i % 7 == 3) ? '\t' : char('a' + i % 26);
  long_line += "\nend\n";
  std::string binary;
  for (int c = 0; c < 256; c++)
    if (c != '\b' && c != '\n') binary += char(c);  // expand moves back on a backspace
  binary += "\n\x01\tx\xff\t\n";
  for (int tab : {1, 3, 8, 64}) {
    check("source.c", c_source, tab);
    check("noeol.c", "first\tline\nlast\tline without newline", tab);
    check("long.c", long_line, tab);
    check("binary.c", binary, tab);
    check("crlf.c", "a\tb\r\nc\r\n", tab);
  }
}

TEST(LumetProgram, ReadsStandardInputWithoutArguments) {
  std::string dir = make_scratch_dir("listing-");
  run_result r = run_in(dir, staged_program("lumet"), "a\tb\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "     1: a       b\n");
}

TEST(LumetProgram, WritesTheNamedOutputFile) {
  std::string dir = make_scratch_dir("listing-");
  write_file(dir + "/in.c", "x;\n");
  run_result r = run_in(dir, staged_program("lumet") + " in.c out.lst");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(read_file(dir + "/out.lst"), "     1: x;\n");
}

TEST(LumetProgram, RefusesBadArgumentsWithTheirMessages) {
  struct {
    const char *args;
    int message;
    int status;
  } cases[] = {
      {"-T0 in.c", 671, 255},
      {"-T65 in.c", 671, 255},
      {"-t-3 in.c", 671, 255},
      {"-Tx in.c", 670, 255},
      {"-T in.c", 670, 255},
      {"-T8x in.c", 670, 255},
      {"-Q in.c", 168, 255},
      {"-Wx in.c", 168, 255},
      {"in.c out.lst extra", 168, 255},
      {"missing.c", 141, 1},
      {"in.c nodir/out.lst", 378, 255},
      {"in.c in.c", 378, 255},
      {"in.c /dev/full", 378, 255},
      {"subdir", 141, 1},
  };
  std::string dir = make_scratch_dir("listing-");
  write_file(dir + "/in.c", "keep\tme\n");
  run_in(dir, "mkdir subdir");
  for (const auto &c : cases) {
    run_result r = run_in(dir, staged_program("lumet") + " " + c.args);
    EXPECT_EQ(r.status, c.status) << c.args;
    EXPECT_NE(r.err.find(msg_tag(c.message)), std::string::npos) << c.args << ": " << r.err;
  }
  EXPECT_EQ(read_file(dir + "/in.c"), "keep\tme\n");
}

TEST(LumetProgram, AcceptsTheCommonOptions) {
  std::string dir = make_scratch_dir("listing-");
  write_file(dir + "/in.c", "x\n");
  run_result r = run_in(dir, staged_program("lumet") + " -W3 -w-2! --emax=5 --disl=670 in.c");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "     1: x\n");
  r = run_in(dir, staged_program("lumet") + " --ver");
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("lumet"), std::string::npos) << r.out;
}

}  // namespace
