// Declarations, types, symbols and scopes: the messages of bad declarations
// and the types they give.
#include <gtest/gtest.h>

#include "run_parsk.h"

namespace {

struct message_case {
  const char *source;
  std::vector<int> numbers;
  int status;
  const char *args;
};

void check_messages(const std::vector<message_case> &cases) {
  for (const message_case &c : cases) {
    parsk_run r = run_parsk(c.source, c.args ? c.args : "");
    EXPECT_EQ(r.numbers, c.numbers) << c.source << "\n" << r.err;
    EXPECT_EQ(r.status, c.status) << c.source;
    if (r.status == 0) {
      EXPECT_TRUE(r.format_errors.empty()) << c.source;
    }
  }
}

TEST(ParskDeclarations, Redeclarations) {
  check_messages({
      {"int x; char x;\n", {984, 1098}, 1, nullptr},
      {"int x; typedef int x;\n", {983, 1098}, 1, nullptr},
      {"extern int e; static int e;\n", {367}, 0, nullptr},
      {"static int s; extern int s; int s;\n", {}, 0, nullptr},
      {"int f(int); int f(char);\n", {987, 1098}, 1, nullptr},
      {"int f(int, int); int f(int);\n", {988, 1098}, 1, nullptr},
      {"int f(); int f(char c) { return c; }\n", {987, 1098}, 1, nullptr},
      {"int f(); int f(int c) { return c; }\n", {}, 0, nullptr},
      {"int f(void) { return 0; }\nint f(void) { return 1; }\n", {237}, 1, nullptr},
      {"int a[3]; int a[4];\n", {251, 1098}, 1, nullptr},
      {"int a[]; int a[4];\n", {}, 0, nullptr},
      {"const int c; int c;\n", {985, 1098}, 1, nullptr},
      {"enum { A }; int A;\n", {983, 1098}, 1, nullptr},
      {"enum { A }; enum { A };\n", {986, 1098}, 1, nullptr},
      {"int x = 1; int x = 2;\n", {237}, 1, nullptr},
      {"int x @ 0x10; extern int x @ 0x20;\n", {984}, 1, nullptr},
  });
}

// A declaration without a prototype and a prototype are one function's when
// the default promotions change no parameter and there is no ellipsis, in
// either order; an identifier list is held to a prototype through the
// promoted types of its parameters.
TEST(ParskDeclarations, DeclarationsWithoutPrototypeMeetPrototypes) {
  check_messages({
      {"long f(); long f(long *p) { return *p; }\n", {}, 0, nullptr},
      {"int f(); int f(unsigned u, double d, char *s);\n", {}, 0, nullptr},
      {"int f(); int f(void);\n", {}, 0, nullptr},
      {"int f(long *p, int n); int f();\n", {}, 0, nullptr},
      {"int f(); int f(unsigned char c);\n", {987, 1098}, 1, nullptr},
      {"int f(); int f(int a, short s);\n", {987, 1098}, 1, nullptr},
      {"int f(); int f(float x);\n", {987, 1098}, 1, nullptr},
      {"int f(); int f(int a, ...);\n", {987, 1098}, 1, nullptr},
      {"int f(char c); int f();\n", {987, 1098}, 1, nullptr},
      {"int f(int a, ...); int f();\n", {987, 1098}, 1, nullptr},
      {"int f(int); int f(c) char c; { return c; }\n", {}, 0, nullptr},
      {"int f(double, int, unsigned); int f(x, u, w) float x; unsigned char u; unsigned short w; { return u; }\n", {}, 0, nullptr},
      {"int f(double, unsigned); int f(x, u) float x; unsigned char u; { return u; }\n", {252}, 1, nullptr},
      {"int f(char); int f(c) char c; { return c; }\n", {}, 0, nullptr},
      {"int f(int); int f(c) long c; { return (int)c; }\n", {252}, 1, nullptr},
      {"int f(c) char c; { return c; }\nint f(int);\n", {}, 0, nullptr},
      {"int f(c) char c; { return c; }\nint f(char);\n", {987, 1098}, 1, nullptr},
  });
}

// A member name read ahead before the lexer knew it was one is no
// declaration: the tag of the same name stays visible.
TEST(ParskDeclarations, MemberNamedLikeATag) {
  check_messages({
      {"enum kind { A }; struct s { enum kind kind; } v; int a;\n"
       "void f(void) { a = v.kind; a = sizeof(enum kind); a = (enum kind)1; }\n",
       {}, 0, nullptr},
  });
}

TEST(ParskDeclarations, TypeSpecifiers) {
  check_messages({
      {"unsigned float f;\n", {274}, 1, nullptr},
      {"short char c;\n", {272}, 1, nullptr},
      {"long char c;\n", {271}, 1, nullptr},
      {"int char x;\n", {269}, 1, nullptr},
      {"long short x;\n", {269}, 1, nullptr},
      {"signed unsigned x;\n", {273}, 1, nullptr},
      {"typedef int T; T unsigned x;\n", {273}, 1, nullptr},
      {"static extern int x;\n", {268}, 1, nullptr},
      {"auto int x;\n", {267}, 1, nullptr},
      {"register int x;\n", {270}, 1, nullptr},
      {"int const const x;\n", {258}, 0, nullptr},
      {"int f(static int a);\n", {267}, 1, nullptr},
      {"int f(a) static int a; { return a; }\n", {257}, 1, nullptr},
      {"void f(void) { near int x; x = 1; }\n", {348}, 1, "-QN,near"},
      {"void f(void) { near int x; x = 1; }\n", {}, 0, "-QN,near -Anear"},
      {"interrupt int x;\n", {1275}, 1, "-QI,interrupt"},
      {"far near char *p;\n", {259}, 1, "-QF,far -QN,near"},
  });
}

TEST(ParskDeclarations, Declarators) {
  std::string deep = "int " + std::string(17, '*') + "p;\n";
  check_messages({
      {"int a[][3];\n", {}, 0, nullptr},
      {"int a[3][];\n", {283}, 1, nullptr},
      {"int a[0];\n", {284}, 1, nullptr},
      {"void v;\n", {288}, 1, nullptr},
      {"int f(void)[3];\n", {282}, 1, nullptr},
      {"int f(void)(void);\n", {281}, 1, nullptr},
      {"int a[2](void);\n", {280}, 1, nullptr},
      {"typedef int F(void); F a[2];\n", {280}, 1, nullptr},
      {"typedef int A[2]; A f(void);\n", {282}, 1, nullptr},
      {"typedef int F(void); const F g;\n", {290}, 1, nullptr},
      // The qualifier of a returned pointer is no qualifier of the function.
      {"int *const f(void);\n", {}, 0, nullptr},
      {"const char *const *foo(void);\n", {}, 0, nullptr},
      {"typedef int *P; const P f(void);\n", {}, 0, nullptr},
      {"int f(a, b);\n", {276}, 1, nullptr},
      {"int f(int a, b) { return a; }\n", {277}, 1, nullptr},
      {"int f(a, ...) int a; { return a; }\n", {275}, 1, nullptr},
      {"int f(int a, int a);\n", {278}, 1, nullptr},
      {"int f(int a = 1);\n", {279}, 1, nullptr},
      {"int f(int a int b);\n", {372}, 1, nullptr},
      {"int f(int a;\n", {194}, 1, nullptr},
      {deep.c_str(), {286}, 1, nullptr},
      {"bit *bp;\n", {287}, 1, "-B"},
      {"int a[2]\nint b;\n", {314}, 1, nullptr},
      {"int x y;\n", {372}, 1, nullptr},
      {"int a[3;\n", {310}, 1, nullptr},
      {"int n; int a[n];\n", {188}, 1, nullptr},
      {"int a[1.5];\n", {189}, 1, nullptr},
      {"typedef int T = 1;\n", {238}, 1, nullptr},
      {"int f(void) = 1;\n", {238}, 1, nullptr},
      {"extern int e = 1;\n", {339}, 0, nullptr},
      {"int f(int a[10]);\nint g(int a[10]) { return a[0]; }\n", {368}, 0, "-W-1"},
  });
}

TEST(ParskDeclarations, StructuresAndEnumerations) {
  check_messages({
      {"struct s { int a; int a; };\n", {261}, 1, nullptr},
      {"struct s { int a; }; struct s { int b; };\n", {262}, 1, nullptr},
      {"struct s { int f(void); };\n", {263}, 1, nullptr},
      {"struct s { float f : 3; };\n", {264}, 1, nullptr},
      {"int w; struct s { int f : w; };\n", {265}, 1, nullptr},
      {"struct s { signed int f : 3; };\n", {369}, 0, nullptr},
      {"struct s { int a } x;\n", {314}, 1, nullptr},
      {"union u { int a; }; struct u *p;\n", {980}, 1, nullptr},
      {"struct s { int a; }; enum s e;\n", {979}, 1, nullptr},
      {"enum e { A }; struct e *p;\n", {978}, 1, nullptr},
      {"enum e { A, B }; enum e { C };\n", {1348}, 1, nullptr},
      {"enum undefined x;\n", {260}, 1, nullptr},
      {"enum e { 1 };\n", {322}, 1, nullptr},
      {"int v; enum e { A = v };\n", {991}, 1, nullptr},
      {"enum e { A = 1.5 };\n", {991}, 1, nullptr},
      {"enum e { A B };\n", {316}, 1, nullptr},
      {"struct s x; int n = sizeof x;\n", {}, 0, nullptr},
  });
}

TEST(ParskDeclarations, ScopesAndUseChecks) {
  check_messages({
      {"struct s { int a; } s;\nint f(void) { return s.a; }\n", {}, 0, nullptr},
      {"int x;\nint f(void) { char x; x = 1; return x; }\n", {}, 0, nullptr},
      {"void f(void) { goto nowhere; }\n", {254}, 1, nullptr},
      {"void f(void) { { goto out; } out: ; }\n", {}, 0, nullptr},
      {"void f(void) { l: ; }\n", {350}, 0, "-W-1"},
      {"void f(void) { typedef int T; }\n", {350}, 0, "-W-1"},
      {"void f(void) { struct s { int a; }; }\n", {350}, 0, "-W-1"},
      {"static int helper(void) { return 1; }\n", {967}, 0, "-W-1"},
      {"static int rcsid(void) { return 1; }\n", {967}, 0, "-W-1"},
      {"extern int unused;\nextern int unused_fn(void);\n", {}, 0, "-W-1"},
      {"int f(int x) { { int x; x = 1; } return x; }\n", {346}, 0, "-W-1"},
      {"int g();\n", {349}, 0, "-W-1"},
      {"static int h(void);\nint f(void) { return h(); }\n", {254}, 1, nullptr},
      {"int f(void) { return y; }\n", {192}, 1, nullptr},
      {"typedef int T;\nint f(void) { return T; }\n", {193}, 1, nullptr},
      {"struct s { int a; };\nint f(void) { return s; }\n", {192}, 1, nullptr},
  });
}

TEST(ParskDeclarations, InnerDeclarationsHideOuterOnesUntilTheirScopeCloses) {
  // "a1234567x" and "b1234567x" share a hash bucket.
  parsk_run r = run_parsk(
      "int a1234567x;\nchar b1234567x;\n"
      "int f(void)\n{\n  { long a1234567x; a1234567x = 1; }\n  return a1234567x + b1234567x;\n}\n");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.ic.find("[v _a1234567x `l 1 a ]\n[e = _a1234567x -> 1 `l ]"), std::string::npos) << r.ic;
  EXPECT_NE(r.ic.find("[e ) + _a1234567x -> _b1234567x `i ]"), std::string::npos) << r.ic;
}

TEST(ParskDeclarations, TargetDependentTypes) {
  struct row {
    const char *source, *args, *record;
  } rows[] = {
      {"long long x;\n", "", "[v _x `l 1 e ]"},
      {"long long x;\n", "-O", "[v _x `o 1 e ]"},
      {"unsigned long long x;\n", "-O", "[v _x `uo 1 e ]"},
      {"short long x;\n", "-J", "[v _x `m 1 e ]"},
      {"char c;\n", "-U", "[v _c `uc 1 e ]"},
      {"long float d;\n", "", "[v _d `d 1 e ]"},
      {"long double d;\n", "", "[v _d `d 1 e ]"},
      {"int f(void); int (*p)(void) = f;\n", "", "[v _p `*(i 1 e ]"},
      {"fartoo int x;\n", "-QF,far -QF,fartoo", "[v _x `Fi 1 e ]"},
      {"char **pp;\n", "", "[v _pp `**c 1 e ]"},
  };
  for (const row &r : rows) {
    parsk_run run = run_parsk(r.source, r.args);
    EXPECT_EQ(run.status, 0) << r.source << run.err;
    EXPECT_NE(run.ic.find(r.record), std::string::npos) << r.source << " " << r.args << "\n" << run.ic;
  }
}

TEST(ParskDeclarations, PlacementAfterDeclarators) {
  const char *args = "-QI,interrupt -QX,bank1 -QY,bank2 -QZ,bank3 -QR,__sfr -B";
  parsk_run r = run_parsk(
      "void isr(void) interrupt 2 { }\n"
      "void banked(void) using 2 { }\n"
      "__sfr unsigned char PORTC = 0x82;\n"
      "__sfr unsigned int TMR = 0x90;\n"
      "__sfr bit RB3 = 0x80 ^ 3;\n"
      "__sfr bit LOW1 = 0x20 ^ 1;\n"
      "__sfr bit INPC = PORTC ^ 4;\n",
      args);
  EXPECT_EQ(r.status, 0) << r.err;
  for (const char *record : {"[v _isr `I(v 1 e@19 ]", "[v _banked `Y(v 1 e ]", "[v _PORTC `Ruc 1 e@130 ]",
                             "[v _TMR `Rui 1 e@144 ]", "[v _RB3 `Rb 1 e@131 ]", "[v _LOW1 `Rb 1 e@1 ]",
                             "[v _INPC `Rb 1 e@_PORTC+4 ]"})
    EXPECT_NE(r.ic.find(record), std::string::npos) << record << "\n" << r.ic;
  EXPECT_TRUE(r.format_errors.empty());
  struct row {
    const char *source;
    std::vector<int> numbers;
  } rows[] = {
      {"void f(void) using 5 { }\n", {1279}},
      {"__sfr bit B = 0x81 ^ 1;\n", {1280}},
      {"__sfr bit B = 0x80 ^ 9;\n", {842}},
      {"__sfr unsigned char S = 0x20;\n", {1280}},
      {"__sfr unsigned int W = 0xFF;\n", {1280}},
      {"__sfr unsigned char C = 0x82;\n__sfr bit B = C ^ 8;\n", {1280}},
      {"int n; int x @ n;\n", {236}},
  };
  for (const row &c : rows) EXPECT_EQ(run_parsk(c.source, args).numbers, c.numbers) << c.source;
  EXPECT_EQ(run_parsk("using int x;\n", "-QU,using").numbers, std::vector<int>{1277});
}

TEST(ParskDeclarations, KeywordsOfT) {
  parsk_run r = run_parsk("section(\"x\") int v;\n__section__(\"y\") char w;\nat(12) int z;\n",
                          "-QN,near '-Tsection Qnear s' '-Tat Qnear v'");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.ic.find("[v _v `Ni 1 e ]"), std::string::npos);
  EXPECT_NE(r.ic.find("[v _w `Nc 1 e ]"), std::string::npos);
  EXPECT_NE(r.ic.find("[v _z `Ni 1 e ]"), std::string::npos);
  struct row {
    const char *source, *args;
    std::vector<int> numbers;
  } rows[] = {
      {"bare int a;\n", "-Tbare", {1316}},
      {"at(\"s\") int b;\n", "-QN,near '-Tat Qnear v'", {1318, 236}},
      {"at() int c;\n", "-QN,near '-Tat Qnear v'", {1317}},
      {"at int c;\n", "-QN,near '-Tat Qnear v'", {317}},
      {"at int c;\n", "-QN,near '-Tat Qnear .v'", {}},
      {"odd(1) int d;\n", "-QN,near '-Todd Qnear q'", {1319}},
      {"int x;\n", "-QN,near '-Tk Qnear' '-Tk Qnear'", {1320}},
  };
  for (const row &c : rows) EXPECT_EQ(run_parsk(c.source, c.args).numbers, c.numbers) << c.source << c.args;
}

TEST(ParskDeclarations, ABuiltInQualifierRedefinedKeepsItsMeaning) {
  // The driver's -QCu,const: const objects stay read-only.
  parsk_run r = run_parsk("const int c = 1;\nvoid f(void) { c = 2; }\n", "-QCu,const");
  EXPECT_EQ(r.numbers, std::vector<int>{364});
}

}  // namespace
