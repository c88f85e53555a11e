// Statements: every form lowered to labels, jumps and conditional jumps;
// unreachable code; the per-function information file; recovery.
#include <gtest/gtest.h>

#include "run_parsk.h"

namespace {

// The records of a body between "[f ]" and the exit label, line records
// dropped. The function is "int f(int n)" with locals i and j.
std::string body_of(const std::string &statements, const std::string &args = "") {
  parsk_run r = run_parsk("int g(int);\nint f(int n)\n{\n  int i, j;\n" + statements + "\n  return 0;\n}\n", args);
  EXPECT_TRUE(r.format_errors.empty()) << statements;
  if (r.status != 0) return "status " + std::to_string(r.status) + ": " + r.err;
  size_t from = r.ic.find("[v _j `i 1 a ]\n");
  size_t to = r.ic.find("[e ) -> 0 `i ]");
  if (from == std::string::npos || to == std::string::npos) return r.ic;
  std::string out, all = r.ic.substr(from + 15, to - from - 15);
  size_t pos = 0;
  while (pos < all.size()) {
    size_t nl = all.find('\n', pos);
    std::string line = all.substr(pos, nl - pos + 1);
    if (line[0] != '"') out += line;
    pos = nl + 1;
  }
  return out;
}

TEST(ParskStatements, EachFormGivesItsLabelsAndJumps) {
  struct row {
    const char *statements, *records;
  } rows[] = {
      {"if (n) i = 1;", "[e $ ! != _n -> 0 `i 2  ]\n[e = _i -> 1 `i ]\n[e :U 2 ]\n"},
      {"if (n > 2) i = 1; else i = 2;",
       "[e $ ! > _n -> 2 `i 2  ]\n[e = _i -> 1 `i ]\n[e $U 3  ]\n[e :U 2 ]\n[e = _i -> 2 `i ]\n[e :U 3 ]\n"},
      {"while (i < n) i++;",
       "[e $U 2  ]\n[e :U 3 ]\n[e ++ _i -> 1 `i ]\n[e :U 2 ]\n[e $ < _i _n 3  ]\n[e :U 4 ]\n"},
      // A constant 1: no jump before the loop, a plain jump back.
      {"while (1) { if (n) break; n--; }",
       "[e :U 3 ]\n{\n[e $ ! != _n -> 0 `i 5  ]\n[e $U 4  ]\n[e :U 5 ]\n[e -- _n -> 1 `i ]\n}\n"
       "[e :U 2 ]\n[e $U 3  ]\n[e :U 4 ]\n"},
      {"do i++; while (i < n);", "[e :U 4 ]\n[e ++ _i -> 1 `i ]\n[e $ < _i _n 4  ]\n[e :U 3 ]\n"},
      // A constant 0: no conditional jump; the continue label only when used.
      {"do { if (n) continue; i++; } while (0);",
       "[e :U 4 ]\n{\n[e $ ! != _n -> 0 `i 5  ]\n[e $U 2  ]\n[e :U 5 ]\n[e ++ _i -> 1 `i ]\n}\n[e :U 2 ]\n"
       "[e :U 3 ]\n"},
      // A comparison of a variable with a constant after a constant start is
      // tested once before the loop.
      {"for (i = 0; i < 10; i++) j += i;",
       "{\n[e = _i -> 0 `i ]\n[e $ < _i -> 10 `i 2  ]\n[e $U 3  ]\n[e :U 2 ]\n[e =+ _j _i ]\n"
       "[e ++ _i -> 1 `i ]\n[e $ < _i -> 10 `i 2  ]\n[e :U 3 ]\n}\n"},
      {"for (i = n; g(i); ) continue;",
       "{\n[e = _i _n ]\n[e $U 5  ]\n[e :U 2 ]\n[e $U 4  ]\n[e :U 4 ]\n[e :U 5 ]\n"
       "[e $ != ( _g (1 _i -> 0 `i 2  ]\n[e :U 3 ]\n}\n"},
      {"for (;;) { if (n) break; }",
       "{\n[e :U 2 ]\n{\n[e $ ! != _n -> 0 `i 5  ]\n[e $U 3  ]\n[e :U 5 ]\n}\n[e $U 2  ]\n[e :U 3 ]\n}\n"},
      {"switch (n) { case 1: i = 1; break; case 2: case 3: i = 2; default: i = 3; }",
       "[e $U 3  ]\n{\n[e :U 4 ]\n[e = _i -> 1 `i ]\n[e $U 2  ]\n[e :U 5 ]\n[e :U 6 ]\n[e = _i -> 2 `i ]\n"
       "[e :U 7 ]\n[e = _i -> 3 `i ]\n}\n[e $U 2  ]\n[e :U 3 ]\n"
       "[e [\\ _n , $ -> 1 `i 4\n , $ -> 2 `i 5\n , $ -> 3 `i 6\n 7 ]\n[e :U 2 ]\n"},
      // Without default a switch goes to its break label.
      {"switch (n) { case 1: i = 1; }",
       "[e $U 3  ]\n{\n[e :U 4 ]\n[e = _i -> 1 `i ]\n}\n[e $U 2  ]\n[e :U 3 ]\n[e [\\ _n , $ -> 1 `i 4\n 2 ]\n"
       "[e :U 2 ]\n"},
      {"switch ((char)n) { case 'a': i = 1; }",
       "[e $U 3  ]\n{\n[e :U 4 ]\n[e = _i -> 1 `i ]\n}\n[e $U 2  ]\n[e :U 3 ]\n"
       "[e [\\ -> -> _n `c `i , $ -> 97 `i 4\n 2 ]\n[e :U 2 ]\n"},
      {"goto out; i = 1; out: i = 2;", "[e $U _out ]\n[e = _i -> 1 `i ]\n[e :U _out ]\n[e = _i -> 2 `i ]\n"},
      {"{ int k = n; { char c = k; i = c; } }",
       "{\n[v _k `i 1 a ]\n[e = _k _n ]\n{\n[v _c `c 1 a ]\n[e = _c -> _k `c ]\n[e = _i -> _c `i ]\n}\n}\n"},
      {"asm(\"movlw 1\\n\\tnop\");", "[; movlw 1 ;#\n[; \tnop ;#\n"},
      {"i = n, j = n;", "[e ; = _i _n = _j _n ]\n"},
      {";", ""},
  };
  for (const row &r : rows) EXPECT_EQ(body_of(r.statements), r.records) << r.statements;
}

TEST(ParskStatements, Messages) {
  std::string many = "switch (n) {";
  for (int k = 0; k < 512; k++) many += " case " + std::to_string(k) + ":";
  many += " i = 1; }";
  struct row {
    std::string statements;
    std::vector<int> numbers;
  } rows[] = {
      {"switch (&i) { case 1: ; }", {242}},
      {"break;", {243}},
      {"continue;", {243}},
      {"switch (n) { default: ; default: ; }", {244}},
      {"default: ;", {245}},
      {"case 1: ;", {246}},
      {"l: ; l: ;", {247}},
      {"else i = 1;", {248}},
      {"if (n) int k;", {249}},
      {many, {308}},
      {"i = 1 j = 2;", {314}},
      {"if n) i = 1;", {317}},
      {"do i++; until (i);", {319}},
      {"switch (n) { case 1 i = 1; }", {320}},
      {"goto 5;", {321}},
      {"return 1; i = 2;", {345}},
      {"switch (n) { case n: ; }", {188}},
      {"asm(1);", {318}},
  };
  for (const row &r : rows) {
    parsk_run run = run_parsk("int f(int n)\n{\n  int i, j;\n" + r.statements + "\n  return 0;\n}\n");
    EXPECT_EQ(run.numbers, r.numbers) << r.statements << "\n" << run.err;
  }
  // In-line assembly is written after a return without a message.
  parsk_run a = run_parsk("int f(void) { return 1; asm(\"nop\"); }\n");
  EXPECT_TRUE(a.numbers.empty());
  EXPECT_NE(a.ic.find("[e $UE 1  ]\n[; nop ;#\n"), std::string::npos);
  // A function body that does not begin with "{".
  EXPECT_EQ(run_parsk("int f(a) int a; return a; }\n").numbers, std::vector<int>{315});
}

TEST(ParskStatements, RecoveryGoesOnAfterASyntaxError) {
  // Each broken statement is reported once and the next one is parsed.
  parsk_run r = run_parsk("int f(int n)\n{\n  n = (1 + ;\n  n = 2;\n  n = * ;\n  return n;\n}\nint g;\n");
  EXPECT_EQ(r.numbers, (std::vector<int>{195, 195}));
  EXPECT_EQ(r.status, 1);
  r = run_parsk("int f(int n) { if (n) { n = 1; return n; }\nint g(void) { return 2; }\n");
  EXPECT_EQ(r.status, 1);
  EXPECT_FALSE(r.numbers.empty());
}

TEST(ParskStatements, PerFunctionInformationFile) {
  // One file per source base: created the first time in a run, then
  // appended to (here when a second file of the same base name follows).
  parsk_run r = run_command(
      "PARSK --edf=" TOVRA_STAGE "/dat/en_msgs.txt -QI,interrupt --fipath=fi/ t.c t.ic",
      {{"fi/t.fi", "left over\n"},
       {"t.c",
        "int g(int);\nint f(int n)\n{\n  return g(n) +\n    g(1);\n}\n"
        "void interrupt isr(void)\n{\n  f(2);\n}\n"
        "# 1 \"lib/u.h\"\nvoid u(void) { }\n"
        "# 1 \"other/t.c\"\nvoid h(void) { }\n"}},
      {"fi/t.fi", "fi/u.fi"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.files["fi/t.fi"], "f 3 3\ng 4\ng 5\n6\n!isr 8 8\nf 9\n10\nh 1 1\n1\n");
  EXPECT_EQ(r.files["fi/u.fi"], "u 1 1\n1\n");
}

TEST(ParskStatements, MainExitDirective) {
  parsk_run r = run_parsk("int main(void) { return 0; }\n", "-M");
  EXPECT_NE(r.ic.find("[p mainexit ]\n"), std::string::npos);
  EXPECT_EQ(run_parsk("int mine(void) { return 0; }\n", "-M").ic.find("mainexit"), std::string::npos);
}

}  // namespace
