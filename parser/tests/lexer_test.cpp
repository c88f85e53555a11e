// The lexer: constants and their C90 types at this target's sizes, strings,
// line markers, "#" lines, in-line assembly and bad input.
#include <gtest/gtest.h>

#include "run_parsk.h"

namespace {

// The record of one expression statement in a function body.
std::string statement_of(const std::string &expression, const std::string &args = "") {
  parsk_run r = run_parsk("void f(void) {\n" + expression + ";\n}\n", args);
  EXPECT_TRUE(r.format_errors.empty()) << expression;
  size_t at = r.ic.find("[f ]\n");
  if (at == std::string::npos) return "(no body) " + r.err;
  at += 5;
  if (r.ic.compare(at, 3, "\"2\n") == 0) at += 3;
  size_t end = r.ic.find('\n', at);
  return r.ic.substr(at, end - at);
}

TEST(ParskLexer, ConstantsTakeTheirC90Types) {
  struct row {
    const char *text, *record, *args;
  } rows[] = {
      {"32767", "[e -> 32767 `i ]", ""},
      {"40000", "[e -> 40000 `l ]", ""},
      {"0xFFFF", "[e -> 65535 `ui ]", ""},
      {"0x8000", "[e -> 32768 `ui ]", ""},
      {"0x10000", "[e -> 65536 `l ]", ""},
      {"40000u", "[e -> 40000 `ui ]", ""},
      {"65536u", "[e -> 65536 `ul ]", ""},
      {"3000000000", "[e -> -1294967296 `ul ]", ""},
      {"1L", "[e -> 1 `l ]", ""},
      {"1uL", "[e -> 1 `ul ]", ""},
      {"0xffffffffl", "[e -> -1 `ul ]", ""},
      {"017", "[e -> 15 `i ]", ""},
      {"0b101", "[e -> 5 `i ]", ""},
      {"100LL", "[e -> 100 `l ]", ""},
      {"100LL", "[e -> 100 `o ]", "-O"},
      {"7ull", "[e -> 7 `uo ]", "-O"},
      {"'a'", "[e -> 97 `i ]", ""},
      {"'\\377'", "[e -> -1 `i ]", ""},
      {"'\\377'", "[e -> 255 `ui ]", "-U"},
      {"'\\x41'", "[e -> 65 `i ]", ""},
      {"'\\n'", "[e -> 10 `i ]", ""},
      {"1.5", "[e .1.5 ]", ""},
      {".5f", "[e -> .0.5 `f ]", ""},
      {"1e3", "[e .1e3 ]", ""},
      {"2.5e-2L", "[e .2.5e-2 ]", ""},
  };
  for (const row &r : rows) EXPECT_EQ(statement_of(r.text, r.args), r.record) << r.text << " " << r.args;
}

TEST(ParskLexer, LexicalErrors) {
  struct row {
    const char *source;
    std::vector<int> numbers;
    int status;
  } rows[] = {
      {"int x = 0x;\n", {221}, 1},
      {"int x = 09;\n", {223}, 1},
      {"int x = 0b;\n", {222}, 1},
      {"double d = 1e;\n", {220}, 1},
      {"int c = '';\n", {225}, 1},
      {"int c = 'ab';\n", {226}, 0},
      {"char *s = \"abc;\n", {311, 314}, 1},
      {"int c = 'a\n;\n", {311}, 1},
      {"int f(int a, ..);\n", {227}, 1},
      {"int $x;\n", {228}, 1},
      {"#foo bar\nint x;\n", {224}, 1},
      {"#asm\n nop\n", {298}, 1},
      {"int x = 1\n", {314}, 1},
      {"int f(void) { if (1) {\n", {316, 316}, 1},
  };
  for (const row &r : rows) {
    parsk_run run = run_parsk(r.source);
    EXPECT_EQ(run.numbers, r.numbers) << r.source;
    EXPECT_EQ(run.status, r.status) << r.source;
  }
}

TEST(ParskLexer, LineMarkersSetLineAndFile) {
  parsk_run r = run_parsk("# 10 \"a.c\"\nint x;\n# 3 \"inc/b.h\"\n\nint y;\n# 12 \"a.c\"\nint z = ;\n");
  EXPECT_EQ(r.numbers, std::vector<int>{195});
  EXPECT_NE(r.err.find("a.c: 12:"), std::string::npos) << r.err;
  r = run_parsk("# 10 \"a.c\"\nint x;\n# 3 \"inc/b.h\"\n\nint y;\n# 12 \"\"\nint z;\n");
  EXPECT_EQ(ic_body_of(r.ic),
            "\"10 a.c\n[v _x `i 1 e ]\n\"4 inc/b.h\n[v _y `i 1 e ]\n\"12 t.c\n[v _z `i 1 e ]\n");
}

TEST(ParskLexer, AdjacentStringsAreOneLiteral) {
  parsk_run same = run_parsk("char *s = \"ab\" \"cd\";\n", "-W-1");
  EXPECT_TRUE(same.numbers.empty());
  EXPECT_NE(same.ic.find("[a 1 97 98 99 100 0 ]"), std::string::npos);
  parsk_run split = run_parsk("char *s = \"ab\"\n# 2 \"t.c\"\n  \"cd\"\n \"ef\";\n", "-W-1");
  EXPECT_EQ(split.numbers, std::vector<int>{336});
  EXPECT_NE(split.ic.find("[a 1 97 98 99 100 101 102 0 ]"), std::string::npos);
}

TEST(ParskLexer, StringEscapesAndContinuations) {
  parsk_run r = run_parsk("char *s = \"\\t\\x4142\\101\\\\\\\"z\\\nq\";\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.ic.find("[a 1 9 66 65 92 34 122 113 0 ]"), std::string::npos) << r.ic;
}

TEST(ParskLexer, InlineAssemblyBecomesCommentRecords) {
  parsk_run r = run_parsk("#asm\n\tmovlw 1\n\n  clrf PORTA\n#endasm\nint x;\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(ic_body_of(r.ic), "\"6 t.c\n[v _x `i 1 e ]\n\"2 t.c\n[; \tmovlw 1 ;#\n\"4\n[;   clrf PORTA ;#\n");
}

TEST(ParskLexer, BinaryAndTruncatedInputGiveMessagesNotCrashes) {
  static const char raw[] = "int x;\n\x01\x02\xff\x00\x7f int y\0;\n";
  std::string binary(raw, sizeof raw - 1);
  parsk_run r = run_parsk(binary);
  EXPECT_EQ(r.status, 1);
  EXPECT_FALSE(r.numbers.empty());
  for (const char *cut : {"struct s { int a;", "int f(int a", "int f(void) { while (", "enum e { A =",
                          "char *s = \"abc", "int a[", "typedef"}) {
    parsk_run t = run_parsk(cut);
    EXPECT_EQ(t.status, 1) << cut;
    EXPECT_FALSE(t.numbers.empty()) << cut;
  }
}

TEST(ParskLexer, LongLinesAndIdentifiers) {
  std::string line = "int v0";
  for (int i = 1; i < 20000; i++) line += ", v" + std::to_string(i);
  parsk_run r = run_parsk(line + ";\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.ic.find("[v _v19999 `i 1 e ]"), std::string::npos);
  // Names agree in their first 31 characters unless -N allows more.
  std::string a(40, 'a'), b = std::string(31, 'a') + "bbbbbbbbb";
  std::string two = "int " + a + ";\nchar " + b + ";\n";
  EXPECT_EQ(run_parsk(two).numbers, (std::vector<int>{984, 1098}));
  EXPECT_TRUE(run_parsk(two, "-N60").numbers.empty());
}

TEST(ParskLexer, AttributesAndPragmaOperator) {
  parsk_run r = run_parsk("int x __attribute__((aligned(2), unused));\n_Pragma(\"pack 1\") int y;\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.ic.find("[v _x `i 1 e ]"), std::string::npos);
  EXPECT_NE(r.ic.find("[p p 1 ]"), std::string::npos);
  EXPECT_EQ(run_parsk("int x __attribute__(aligned);\n").numbers, std::vector<int>{317});
  EXPECT_EQ(run_parsk("int x __attribute__((aligned 2));\n").numbers, (std::vector<int>{372, 1323}));
  EXPECT_EQ(run_parsk("_Pragma(pack) int y;\n").numbers, std::vector<int>{318});
}

}  // namespace
