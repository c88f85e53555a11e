// The preprocessed text byte for byte: line markers, runs of empty lines,
// includes, conditionals, #line, #asm blocks, #pragma, macro calls over
// several lines, comments kept, options.
#include <gtest/gtest.h>

#include "run_prevo.h"

namespace {

struct output_case {
  const char *name;
  std::vector<scratch_file> files;  // the first is the source
  const char *args;               // before the source name
  const char *expected;
};

const output_case output_cases[] = {
    {"empty lines up to four stay, five become a marker",
     {{"x.c", "a\n\n\n\n\nb\n\n\n\n\n\nc"}},
     "",
     "\n# 1 \"x.c\"\na\n\n\n\n\nb\n\n# 12\nc\n"},
    {"white space and comments",
     {{"x.c", "  int   a ;\t/* c\n c */ b // d\n\tx/**/y\n"}},
     "",
     "\n# 1 \"x.c\"\nint a ; b \n\n# 3\nx y\n"},
    {"a line splice keeps the lines in step",
     {{"x.c", "int a\\\n b;\nc;\n"}},
     "",
     "\n# 1 \"x.c\"\nint a b;\n\n# 3\nc;\n"},
    {"markers name the header, then the includer again",
     {{"x.c", "#include \"h.h\"\nint x;\n"}, {"h.h", "int h;\n"}},
     "",
     "\n# 1 \"x.c\"\n\n# 1 \"h.h\"\nint h;\n\n# 2 \"x.c\"\nint x;\n"},
    {"a quoted include looks beside the including file first, then in -I folders",
     {{"x.c", "#include \"sub/a.h\"\n#include <c.h>\nend\n"},
      {"sub/a.h", "#include \"b.h\"\n"},
      {"sub/b.h", "in_b __FILE__ __LINE__\n"},
      {"b.h", "wrong\n"},
      {"inc/c.h", "in_c\n"}},
     "-Iinc",
     "\n# 1 \"x.c\"\n\n# 1 \"sub/b.h\"\nin_b \"sub/b.h\" 1\n\n# 1 \"inc/c.h\"\nin_c\n\n# 3 "
     "\"x.c\"\nend\n"},
    {"conditionals: a skipped region is followed by a marker",
     {{"x.c",
       "#define A 1\n#if A\nyes\n#else\nno\n#endif\n#ifdef B\nb\n#elif defined(A) && !defined "
       "B\nelif\n#endif\nend\n"}},
     "",
     "\n# 1 \"x.c\"\n\n\nyes\n\n# 10\nelif\n\nend\n"},
    {"#line sets the number and the name; a marker names a file only when it changes",
     {{"x.c", "a\n#line 40 \"n.c\"\nb\n# 7\nc\n"}},
     "",
     "\n# 1 \"x.c\"\na\n\n# 40 \"n.c\"\nb\n\n# 7\nc\n"},
    {"#asm blocks keep their indentation; a marker inside is wrapped",
     {{"x.c",
       "#define R 5\nx;\n#asm\n\tmovlw R  ; load\n  nop\n#if 0\nskipped\n#endif\n\tnop\n#endasm   "
       "done\ny;\n"}},
     "",
     "\n# 1 \"x.c\"\n\nx;\n\n# 3\n#asm\n movlw 5 ; load\n  nop\n\n#endasm\n# 8\n#asm\n "
     "nop\n#endasm done\ny;\n"},
    {"a marker owed at #endasm stays inside the block",
     {{"x.c", "#asm\nnop\n\n\n\n\n\n#endasm\n"}},
     "",
     "\n# 1 \"x.c\"\n\n# 1\n#asm\nnop\n\n#endasm\n# 7\n#asm\n#endasm \n"},
    {"#pragma is passed on, macro-expanded",
     {{"x.c", "#define L 5\n#pragma  level L\nx\n"}},
     "",
     "\n# 1 \"x.c\"\n\n#pragma level 5\nx\n"},
    {"a call over several lines; a function-like name without arguments",
     {{"x.c",
       "#define f(a,b) a+b\nx = f(1,\n  2);\ny = f\n(3,4);\nz = f\nw;\nf\n#define Q 1\nQ f "
       "(5,6)\n"}},
     "",
     "\n# 1 \"x.c\"\n\nx = 1+2;\n\n# 4\ny = 3+4;\n\n# 6\nz = f\n\n# 7\nw;\nf\n\n# 10\n1 "
     "5+6\n"},
    {"tokens from an expansion never run into their neighbours",
     {{"x.c", "#define neg(x) -x\n#define E\n-neg(-1) a E b x/E/y +E+\n"}},
     "",
     "\n# 1 \"x.c\"\n\n\n- - -1 a b x/ /y + +\n"},
    {"-C keeps comments",
     {{"x.c", "a /* c */ b\n/* only */\n#define X 1 /* gone */\nX // end\n"}},
     "-C",
     "\n# 1 \"x.c\"\na /* c */ b\n/* only */\n\n1 // end\n"},
    {"trigraphs, a directive spelled with one",
     {{"x.c", "?" "?=define X ?" "?( 1 ?" "?)\nX \"?" "?!\"\n"}},
     "",
     "\n# 1 \"x.c\"\n\n[ 1 ] \"|\"\n"},
    {"-D, -U and -F",
     {{"x.c", "X Y Z __STDC__ end\n"}},
     "-DX -DY=2 -DZ= -U__STDC__ -Fnamed.c",
     "\n# 1 \"named.c\"\n1 2 __STDC__ end\n"},
    {"an include named by a macro",
     {{"x.c", "#define Q \"q.h\"\n#define A <a.h>\n#include Q\n#include A\n"},
      {"q.h", "in_q\n"},
      {"inc/a.h", "in_a\n"}},
     "-Iinc",
     "\n# 1 \"x.c\"\n\n# 1 \"q.h\"\nin_q\n\n# 1 \"inc/a.h\"\nin_a\n"},
    {"-N: names are told apart by their first characters only",
     {{"x.c",
       "#define abcdefghijklmnopqrstuvwxyz01234_one 1\nabcdefghijklmnopqrstuvwxyz01234_two\n"}},
     "",
     "\n# 1 \"x.c\"\n\n1\n"},
    {"-N255 tells the same names apart",
     {{"x.c",
       "#define abcdefghijklmnopqrstuvwxyz01234_one 1\nabcdefghijklmnopqrstuvwxyz01234_two\n"}},
     "-N255",
     "\n# 1 \"x.c\"\n\nabcdefghijklmnopqrstuvwxyz01234_two\n"},
};

// The case's description as a test name.
std::string test_name(const char *text) {
  std::string s;
  for (const char *p = text; *p; p++) s += isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
  return s;
}

class output_test : public testing::TestWithParam<output_case> {};

TEST_P(output_test, gives_the_expected_text) {
  const output_case &c = GetParam();
  prevo_result r = run_prevo(c.files, std::string(c.args) + " " + c.files[0].path);
  EXPECT_EQ(r.out, c.expected);
  EXPECT_EQ(r.status, 0) << r.err;
}

INSTANTIATE_TEST_SUITE_P(fixtures, output_test, testing::ValuesIn(output_cases),
                         [](const testing::TestParamInfo<output_case> &info) {
                           return test_name(info.param.name);
                         });

TEST(prevo_input, standard_input_has_an_empty_name) {
  std::string text = "a\n";
  prevo_result r = run_prevo({}, "-", &text);
  EXPECT_EQ(r.out, "\n# 1 \"\"\na\n");
  EXPECT_EQ(r.status, 0);
}

TEST(prevo_input, output_goes_to_the_named_file) {
  prevo_result r = run_prevo({{"x.c", "a\n"}}, "x.c x.pre", nullptr, {"x.pre"});
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.written["x.pre"], "\n# 1 \"x.c\"\na\n");
}

TEST(prevo_input, arguments_come_from_a_command_file_or_standard_input) {
  std::vector<scratch_file> files = {{"x.c", "X\n"}, {"cmd", "-DX=7\nx.c\n"}};
  prevo_result from_file = run_prevo(files, "@cmd");
  EXPECT_EQ(from_file.out, "\n# 1 \"x.c\"\n7\n");
  std::string words = "-DX=8 x.c\n";
  prevo_result from_stdin = run_prevo(files, "", &words);
  EXPECT_EQ(from_stdin.out, "\n# 1 \"x.c\"\n8\n");
}

// ---- the file list ----

const std::vector<scratch_file> list_files = {
    {"x.c", "#include \"a.h\"\n#include \"sub/b c.h\"\n#include \"a.h\"\nint x;\n"},
    {"a.h", "int a;\n"},
    {"sub/b c.h", "int b;\n"},
};

TEST(prevo_list, alone_it_writes_only_the_included_files) {
  prevo_result r = run_prevo(list_files, "-L x.c");
  // One line per file, in the order of the file set's buckets.
  EXPECT_EQ(r.out, "sub/b c.h\na.h\n");
  EXPECT_EQ(r.status, 0);
}

TEST(prevo_list, to_a_file_beside_the_output) {
  prevo_result r = run_prevo(list_files, "-Lfiles.txt x.c", nullptr, {"files.txt"});
  EXPECT_EQ(r.written["files.txt"], "sub/b c.h\na.h\n");
  EXPECT_NE(r.out.find("int x;"), std::string::npos);
}

TEST(prevo_list, make_style_names_the_parser_output) {
  prevo_result r = run_prevo(list_files, "-LM-dep.d x.c", nullptr, {"dep.d"});
  EXPECT_EQ(r.written["dep.d"], "dep.d dep.parsk: x.c sub/b\\ c.h a.h");
  // "-LM" without "-" is the plain form to a file whose name begins with M.
  prevo_result plain = run_prevo(list_files, "-LMx.lst x.c", nullptr, {"Mx.lst"});
  EXPECT_EQ(plain.written["Mx.lst"], "sub/b c.h\na.h\n");
}

TEST(prevo_list, alone_it_reads_each_header_once) {
  std::vector<scratch_file> files = {
      {"x.c", "#include \"once.h\"\n#include \"once.h\"\n"},
      {"once.h", "#ifdef ONCE\n#error read twice\n#endif\n#define ONCE\n"}};
  EXPECT_EQ(run_prevo(files, "-L x.c").status, 0);
  EXPECT_EQ(run_prevo(files, "x.c").status, 1);
}

TEST(prevo_list, make_style_needs_a_dot_in_both_names) {
  prevo_result r = run_prevo(list_files, "-LM-dep x.c", nullptr, {"dep"});
  EXPECT_EQ(r.written["dep"], "sub/b c.h\na.h\n");
}

TEST(prevo_list, is_written_after_errors_too) {
  std::vector<scratch_file> files = list_files;
  files[0].text += "#error stop\n";
  prevo_result r = run_prevo(files, "-LM-dep.d x.c", nullptr, {"dep.d"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.written["dep.d"], "dep.d dep.parsk: x.c sub/b\\ c.h a.h");
}

}  // namespace
