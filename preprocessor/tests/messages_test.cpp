// Bad input: the numbered messages and the exit status, never a crash or a
// hang; and what the text becomes where that matters.
#include <gtest/gtest.h>

#include <string>

#include "run_prevo.h"

namespace {

struct message_case {
  const char *name;
  std::string source;
  const char *args;
  int status;
  std::set<int> numbers;
};

std::string many_args(int n) {
  std::string s = "#define f(x) x\nf(";
  for (int k = 0; k < n; k++) s += (k ? ",a" : "a");
  return s + ")\n";
}

std::string many_params(int n) {
  std::string s = "#define f(";
  for (int k = 0; k < n; k++) s += (k ? ",p" : "p") + std::to_string(k);
  return s + ") p0\n";
}

std::string nested_ifs(int n) {
  std::string s;
  for (int k = 0; k < n; k++) s += "#if 1\n";
  for (int k = 0; k < n; k++) s += "#endif\n";
  return s;
}

// A chain of a thousand macros, each naming the next.
std::string long_chain() {
  std::string s = "#define m0 end\n";
  for (int k = 1; k <= 1000; k++)
    s += "#define m" + std::to_string(k) + " m" + std::to_string(k - 1) + "\n";
  return s + "m1000\nafter\n";
}

const message_case message_cases[] = {
    {"open conditional at the end", "#if 1\nx\n", "", 1, {100}},
    {"else after else", "#if 1\n#else\n#else\n#endif\n", "", 1, {101}},
    {"elif after else", "#if 0\n#else\n#elif 1\n#endif\n", "", 1, {101}},
    {"endif without if", "#endif\n", "", 1, {102}},
    {"else without if", "#else\n", "", 1, {102}},
    {"error directive", "#error stop here\n", "", 1, {103}},
    {"warning directive", "#warning careful\n", "", 0, {162}},
    {"false assertion", "#assert 1 == 2\n", "", 1, {104}},
    {"true assertion", "#assert 1\n", "", 0, {}},
    {"endasm without asm", "#endasm\n", "", 1, {105}},
    {"asm inside asm", "#asm\n#asm\n#endasm\n", "", 1, {106}},
    {"unknown directive", "#foo bar\n", "", 1, {107}},
    {"unknown directive in skipped text is C", "#if 0\n#foo bar\n#endif\n", "", 0, {}},
    {"ifdef without a name", "#ifdef\n#endif\n", "", 1, {108}},
    {"missing quoted include", "#include \"none.h\"\n", "", 1, {141, 109}},
    {"missing angled include", "#include <none.h>\n", "", 1, {141, 109}},
    {"include without a name", "#include none\n", "", 1, {109}},
    {"an include of itself stops", "#include \"x.c\"\n", "", 1, {141, 109}},
    {"define without a name", "#define\n", "", 1, {112}},
    {"define of a number", "#define 3 x\n", "", 1, {112}},
    {"parameter named twice", "#define f(a,a) a\n", "", 1, {112}},
    {"bad parameter list", "#define f(a b) a\n", "", 1, {112}},
    {"different redefinition", "#define A 1\n#define A 2\n", "", 0, {111}},
    {"same redefinition", "#define A  1 /* */\n#define A 1\n", "", 0, {}},
    {"redefinition with parameters", "#define A x\n#define A() x\n", "", 0, {111}},
    {"missing closing quote in a body", "#define Q 'a\n", "", 0, {113}},
    {"undef without a name", "#undef 3\n", "", 1, {114}},
    {"thousand nested macros", long_chain(), "", 1, {115}},
    {"arguments over the argument area", "#define f(x) x\nf(" + std::string(70000, 'a') + ")\n",
     "", 1, {149}},
    {"a body over the text area", "#define big " + std::string(40000, 'b') + "\nbig\n", "", 1,
     {156}},
    {"an expansion over its limit", "#define s(x) #x\ns(" + std::string(9000, 'c') + ")\n", "",
     1, {153}},
    {"end of file in arguments", "#define f(x) x\nf(1,\n2", "", 1, {116}},
    {"end of a directive in arguments", "#define f(x) x\n#if f(1\n#endif\n", "", 1, {116}},
    {"paste at the start", "#define f(x) ## x\n", "", 1, {137}},
    {"paste at the end", "#define f(x) x ##\n", "", 1, {138}},
    {"unterminated comment", "/* open\nx\n", "", 1, {139}},
    {"comment opener inside a comment", "/* a /* b */\n", "", 0, {179}},
    {"32 nested conditionals", nested_ifs(32), "", 1, {144}},
    {"31 nested conditionals", nested_ifs(31), "", 0, {}},
    {"32 parameters", many_params(32), "", 1, {148}},
    {"31 parameters", many_params(31), "", 0, {}},
    {"32 arguments", many_args(32), "", 1, {151, 171}},
    {"too many arguments", "#define f(x) x\nf(1,2)\n", "", 1, {171}},
    {"too few arguments", "#define f(x,y) x\nf(1)\n", "", 1, {171}},
    {"empty parentheses give one empty argument", "#define f(x) [x]\nf()\n", "", 0, {}},
    {"stringise without a parameter", "#define f(x) #y\nf(1)\n", "", 1, {172}},
    {"paste giving no token", "#define c(a,b) a##b\nc(x,+)\n", "", 1, {169}},
    {"multi-character constant", "#if 'ab'\n#endif\n", "", 0, {174}},
    {"division by zero", "#if 1/0\n#endif\n", "", 1, {175}},
    {"remainder by zero", "#if 1%0\n#endif\n", "", 1, {990}},
    {"division by zero not evaluated", "#if 0 && 1/0\n#endif\n", "", 0, {}},
    {"text after a directive", "#if 1\n#endif junk\n", "", 0, {163}},
    {"ident with a string", "#ident \"v1\"\n", "", 0, {163}},
    {"white space after a backslash", "a \\  \nb\n", "", 0, {1342}},
    {"a directive a macro made", "#define H #\nH define Z 2\nint b = Z;\n", "", 0, {161}},
    {"a macro's # inside a line or before no directive", "#define H #\nx H define\n(H define)\nH y\n", "", 0, {}},
    {"undefining an unknown name", "x\n", "-UNOPE", 0, {177}},
    {"unknown option", "x\n", "-Q", 1, {168}},
    {"unknown long option", "x\n", "--bogus", 1, {168}},
    {"too few sizes", "x\n", "-S1,2", 1, {166}},
    {"sizes left over", "x\n", "-S1,2,2,3,4,3,3,9", 1, {167}},
    {"pointer sizes as the driver gives them", "#if sizeof(char *) != 1\n#error\n#endif\n",
     "-SP1,1,1,1,1,1,1", 0, {}},
    {"warnings count as errors with !", "#warning w\n", "-W0!", 1, {162}},
    {"warnings below the level are hidden", "#warning w\n", "-W1", 0, {}},
    {"a disabled message", "#warning w\n", "--msgdisable=162", 0, {}},
};

class message_test : public testing::TestWithParam<message_case> {};

TEST_P(message_test, reports_and_exits_as_expected) {
  const message_case &c = GetParam();
  prevo_result r = run_prevo({{"x.c", c.source}}, std::string(c.args) + " x.c");
  EXPECT_EQ(r.numbers, c.numbers) << r.err;
  EXPECT_EQ(r.status, c.status) << r.err;
}

std::string test_name(const char *text) {
  std::string s;
  for (const char *p = text; *p; p++) s += isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
  return s;
}

INSTANTIATE_TEST_SUITE_P(bad_input, message_test, testing::ValuesIn(message_cases),
                         [](const testing::TestParamInfo<message_case> &info) {
                           return test_name(info.param.name);
                         });

TEST(prevo_exit, unopenable_files_and_extra_arguments_end_the_run) {
  prevo_result in = run_prevo({}, "missing.c");
  EXPECT_EQ(in.status, 1);
  EXPECT_EQ(in.numbers, std::set<int>{141});
  prevo_result out = run_prevo({{"x.c", "x\n"}}, "x.c no/such/folder/x.pre");
  EXPECT_EQ(out.status, 1);
  EXPECT_EQ(out.numbers, std::set<int>{141});
  prevo_result extra = run_prevo({{"x.c", "x\n"}}, "x.c a b");
  EXPECT_EQ(extra.status, 1);
  EXPECT_EQ(extra.numbers, std::set<int>{110});
}

TEST(prevo_exit, the_error_limit_is_ten_unless_given) {
  std::string source;
  for (int k = 0; k < 30; k++) source += "#foo\n";
  prevo_result r = run_prevo({{"x.c", source}}, "x.c");
  EXPECT_EQ(r.status, 1);
  size_t errors = 0;
  for (size_t at = 0; (at = r.err.find("(107)", at)) != std::string::npos; at++) errors++;
  EXPECT_EQ(errors, 11u);  // the eleventh is shown, then the run stops
  prevo_result wider = run_prevo({{"x.c", source}}, "--emax=50 x.c");
  errors = 0;
  for (size_t at = 0; (at = wider.err.find("(107)", at)) != std::string::npos; at++) errors++;
  EXPECT_EQ(errors, 30u);
}

TEST(prevo_exit, at_most_255_include_folders) {
  std::string args;
  for (int k = 0; k < 256; k++) args += " -Id" + std::to_string(k);
  prevo_result r = run_prevo({{"x.c", "#include <a.h>\n"}, {"d255/a.h", "found\n"}}, args + " x.c");
  EXPECT_EQ(r.numbers, (std::set<int>{147, 141, 109}));
  EXPECT_EQ(r.status, 1);
}

TEST(prevo_exit, version_banner) {
  prevo_result r = run_prevo({}, "--ver");
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("Component:\tpreprocessor"), std::string::npos);
}

TEST(prevo_messages, echo_the_source_line_with_a_caret) {
  prevo_result r = run_prevo({{"x.c", "ok\n#error  stop\n"}}, "x.c");
  EXPECT_NE(r.err.find("x.c:\n     2:\t#error  stop\n"), std::string::npos) << r.err;
  // With -E1 the template layout is used: file, line and number.
  prevo_result formatted = run_prevo({{"x.c", "ok\n#error  stop\n"}}, "-E1 x.c");
  EXPECT_EQ(formatted.err, "x.c: 2: (103) #error: stop (error)\n");
}

TEST(prevo_messages, standard_error_can_go_to_a_file) {
  prevo_result r = run_prevo({{"x.c", "#warning w\n"}}, "-Eerrors.txt x.c", nullptr, {"errors.txt"});
  EXPECT_EQ(r.err, "");
  EXPECT_NE(r.written["errors.txt"].find("(162)"), std::string::npos);
}

TEST(prevo_messages, an_error_inside_a_skipped_region_is_not_reported) {
  prevo_result r = run_prevo({{"x.c", "#if 0\n#error no\n#if 1/0\n#endif\n#endif\n"}}, "x.c");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
}

TEST(prevo_messages, binary_input_does_not_stop_the_run) {
  std::string binary;
  for (int k = 0; k < 4096; k++) binary += char(k * 37 % 256);
  prevo_result r = run_prevo({{"x.c", "#include \"b.bin\"\nend\n"}, {"b.bin", binary}}, "x.c");
  EXPECT_NE(r.out.find("\nend\n"), std::string::npos);
  EXPECT_LE(r.status, 1);
}

TEST(prevo_messages, a_very_long_line_goes_through_whole) {
  std::string line(100000, 'a');
  prevo_result r = run_prevo({{"x.c", "#define a_ x\n" + line + " end\n"}}, "x.c");
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find(line + " end\n"), std::string::npos);
}

}  // namespace
