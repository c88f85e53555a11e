// Expressions: the prefix form of each operator family, conversions,
// pointer scaling, sizeof, constant folding, and the messages of bad
// expressions.
#include <gtest/gtest.h>

#include "run_parsk.h"

namespace {

const char *kDeclarations =
    "struct s { int a; char b; } sv, *sp;\n"
    "int printf(const char *, ...);\n"
    "int g(int, char);\n"
    "int h();\n"
    "void v(void);\n"
    "int x(int a, ...);\n"
    "int *gp;\n";

const char *kLocals =
    "  int a[3], *p, *q, i, j; unsigned u; unsigned char uc; long l; unsigned long ul;\n"
    "  char c; float fl; double d; struct s *pp[2]; void *vp; const int ci = 1; register int *rp;\n";

// The record of one expression statement written after the locals.
std::string record_of(const std::string &statement, const std::string &args = "") {
  parsk_run r = run_parsk(std::string(kDeclarations) + "void f(void)\n{\n" + kLocals + "  " + statement +
                              "\n}\n",
                          args);
  EXPECT_TRUE(r.format_errors.empty()) << statement << ": " << (r.format_errors.empty() ? "" : r.format_errors[0]);
  if (r.status != 0) return "status " + std::to_string(r.status) + ": " + r.err;
  std::string marker = "\"12\n";  // the line of the statement
  size_t at = r.ic.find(marker);
  if (at == std::string::npos) return "no record: " + r.ic;
  at += marker.size();
  return r.ic.substr(at, r.ic.find('\n', at) - at);
}

TEST(ParskExpressions, OperatorsInPrefixForm) {
  struct row {
    const char *statement, *record;
  } rows[] = {
      {"i = j + 1;", "[e = _i + _j -> 1 `i ]"},
      {"i = j * 2 - i / 3 % 4;", "[e = _i - * _j -> 2 `i % / _i -> 3 `i -> 4 `i ]"},
      {"i = j << 2 | i >> 1 ^ j & 7;", "[e = _i | << _j -> 2 `i ^ >> _i -> 1 `i & _j -> 7 `i ]"},
      {"i = !j + ~i;", "[e = _i + -> ! != _j -> 0 `i `i ~ _i ]"},
      {"i = i < j && j <= 3 || i != j;", "[e = _i -> || && < _i _j <= _j -> 3 `i != _i _j `i ]"},
      {"i = i ? j : 2;", "[e = _i ? != _i -> 0 `i : _j -> 2 `i ]"},
      {"i = (j++, j);", "[e = _i ; ++ _j -> 1 `i _j ]"},
      {"i += 2;", "[e =+ _i -> 2 `i ]"},
      {"i -= j;", "[e =- _i _j ]"},
      {"c *= 3;", "[e =* _c -> 3 `c ]"},
      {"c /= 2;", "[e =/ _c -> 2 `i ]"},
      {"u %= 5;", "[e =% _u -> 5 `ui ]"},
      {"l <<= 1;", "[e =<< _l -> 1 `i ]"},
      {"i >>= 1;", "[e =>> _i -> 1 `i ]"},
      {"c &= 1;", "[e =& _c -> 1 `c ]"},
      {"i ^= 1;", "[e =^ _i -> 1 `i ]"},
      {"i |= j;", "[e =| _i _j ]"},
      {"++i;", "[e =+ _i -> 1 `i ]"},
      {"i--;", "[e -- _i -> 1 `i ]"},
      {"i = -uc;", "[e = _i -U -> _uc `i ]"},
      {"l = i + l;", "[e = _l + -> _i `l _l ]"},
      {"d = fl + i;", "[e = _d -> + _fl -> _i `f `d ]"},
      {"i = *p + p[1];", "[e = _i + *U _p *U + _p -> 2 `ux ]"},
      {"i = a[2];", "[e = _i *U + &U _a -> 4 `ux ]"},
      {"p = p + i;", "[e = _p + _p * -> _i `ux -> 2 `ux ]"},
      {"p = 1 + p;", "[e = _p + -> 2 `ux _p ]"},
      {"p++;", "[e ++ _p -> 2 `ux ]"},
      {"i = p - q;", "[e = _i -> / - -> _p `x -> _q `x -> 2 `x `i ]"},
      {"sp = sp + 1;", "[e = _sp + _sp * -> 1 `ux -> # `S1 `ux ]"},
      {"i = sv.a + sp->b;", "[e = _i + . _sv 0 -> . *U _sp 1 `i ]"},
      {"p = &i;", "[e = _p &U _i ]"},
      {"vp = p;", "[e = _vp -> _p `*v ]"},
      {"p = 0;", "[e = _p -> 0 `*i ]"},
      {"i = (char)j;", "[e = _i -> -> _j `c `i ]"},
      {"(void)g(1, 2);", "[e ( _g (2 , -> 1 `i -> 2 `c ]"},
      {"i = h(c, fl);", "[e = _i ( _h , -> _c `i -> _fl `d ]"},
      {"i = printf(\"%d\", c);", "[e = _i ( _printf , -> :s 1 `*Cc (. -> _c `i ]"},
      {"i = x(1, 2, 3);", "[e = _i ( _x , , -> 1 `i (. -> 2 `i -> 3 `i ]"},
      {"v();", "[e ( _v .. ]"},
      {"i = (*g)(1, 'a');", "[e = _i ( *U &U _g (2 , -> 1 `i -> 97 `c ]"},
  };
  for (const row &r : rows) EXPECT_EQ(record_of(r.statement), r.record) << r.statement;
}

TEST(ParskExpressions, SizeofGivesConstantsOrSizeNodes) {
  struct row {
    const char *statement, *record;
  } rows[] = {
      {"ul = sizeof \"ab\";", "[e = _ul -> 3 `ul ]"},
      {"i = sizeof(int);", "[e = _i -> 2 `i ]"},
      {"i = sizeof a;", "[e = _i -> 6 `i ]"},
      {"i = sizeof(long[3]);", "[e = _i -> 12 `i ]"},
      {"i = sizeof(char *);", "[e = _i -> -> # `*c `ui `i ]"},
      {"i = sizeof pp;", "[e = _i -> -> * 2 # `*S1 `ui `i ]"},
      {"i = sizeof sv;", "[e = _i -> -> # _sv `ui `i ]"},
  };
  for (const row &r : rows) EXPECT_EQ(record_of(r.statement), r.record) << r.statement;
}

TEST(ParskExpressions, IntegerConstantsFoldAsInC) {
  struct row {
    const char *statement, *record;
  } rows[] = {
      {"ul = 0xF0000000UL >> 28;", "[e = _ul -> 15 `ul ]"},
      {"u = 0u - 1;", "[e = _u -> 65535 `ui ]"},
      {"u = 65535u + 1u;", "[e = _u -> 0 `ui ]"},
      {"i = 32767 + 1;", "[e = _i -> -32768 `i ]"},
      {"l = 32767L + 1;", "[e = _l -> 32768 `l ]"},
      {"i = 7 % 3 + (3 < 4) + (1 && 0) + (0 || 2) + (1 ? 5 : 6);", "[e = _i -> 8 `i ]"},
      {"i = (char)300 + (unsigned char)-1;", "[e = _i -> 299 `i ]"},
      {"i = -7 / 2 + -7 % 2;", "[e = _i -> -4 `i ]"},
      {"u = 40000u / 3;", "[e = _u -> 13333 `ui ]"},
      {"i = 1 << 15 >> 15;", "[e = _i -> -1 `i ]"},
      {"i = 1 / 0;", "[e = _i / -> 1 `i -> 0 `i ]"},
      {"i = -1 < 0u;", "[e = _i -> 0 `i ]"},
  };
  for (const row &r : rows) EXPECT_EQ(record_of(r.statement), r.record) << r.statement;
  // Folded constants are accepted wherever C asks for a constant.
  parsk_run r = run_parsk(
      "enum ee { E = 10 % 4 + (2 > 1) } ev;\n"
      "int arr[E ? 3 : 4];\n"
      "struct bits { unsigned f : 2 * 2; } bb;\n"
      "int init = (1 || 0) + (char)257;\n"
      "int f(int k) { switch (k) { case 5 % 3: return 1; case (1 < 2) + 4: return 2; } return 0; }\n");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.ic.find("[c E1 3 .. ]"), std::string::npos);
  EXPECT_NE(r.ic.find("[v _arr `i -> 3 `ux e ]"), std::string::npos);
  EXPECT_NE(r.ic.find("[s S1 :4 `ui 1 ]"), std::string::npos) << r.ic;
  EXPECT_NE(r.ic.find("[i _init\n-> 2 `i\n]"), std::string::npos);
  EXPECT_NE(r.ic.find(", $ -> 2 `i "), std::string::npos);
  EXPECT_NE(r.ic.find(", $ -> 5 `i "), std::string::npos);
}

TEST(ParskExpressions, Messages) {
  struct row {
    const char *statement;
    std::vector<int> numbers;
    const char *args;
  } rows[] = {
      {"i = (int)sv;", {181}, ""},
      {"sv = 1;", {182}, ""},
      {"i();", {183}, ""},
      {"v(1);", {185}, ""},
      {"g(1, 2, 3);", {186}, ""},
      {"g(1);", {187}, ""},
      {"i = a[fl];", {190}, ""},
      {"i = (struct s)i;", {191}, ""},
      {"i = nosuch;", {192}, ""},
      {"i = (j;", {194}, ""},
      {"i = j +;", {195}, ""},
      {"i = i ? j;", {195}, ""},
      {"i = j.a;", {196}, ""},
      {"i = sv.;", {197}, ""},
      {"if (sv) i = 1;", {199}, ""},
      {"gp = (int *)&rp;", {200}, ""},
      {"p = &(i + 1);", {201}, ""},
      {"i + 1 = 2;", {202}, ""},
      {"i = sv.a * fl % 2;", {205}, ""},
      {"i = v();", {206}, ""},
      {"p = i ? p : &c;", {208}, ""},
      {"i = sv < sv;", {209}, ""},
      {"i = sv.nope;", {255}, ""},
      {"i = a[1;", {310}, ""},
      {"i = fl;", {356}, "-W-1 --disl=349"},
      {"p = i;", {357}, ""},
      {"i = p;", {358}, ""},
      {"p = &c;", {359}, ""},
      {"i = a[3];", {360}, ""},
      {"p = &a[3];", {}, ""},
      {"i = undeclared_fn(1);", {361}, ""},
      {"p = &a;", {362}, "-W-1 --disl=349"},
      {"ci = 2;", {364}, ""},
      {"i = p == &c;", {366}, ""},
      {"i = *i;", {981}, ""},
      {"i = j + u;", {373}, "-W-1 --disl=349"},
      {"i = 2 + u;", {}, "-W-1 --disl=349"},
      {"u = u + j;", {373}, "-W-1 --disl=349"},
  };
  for (const row &r : rows) {
    parsk_run run = run_parsk(std::string(kDeclarations) + "void f(void)\n{\n" + kLocals + "  " + r.statement +
                                  "\n}\n",
                              r.args);
    EXPECT_EQ(run.numbers, r.numbers) << r.statement << "\n" << run.err;
  }
}

// A sign promotes a bit object to int, as the binary operators do; what
// would need its address or its value as a pointer is still refused.
TEST(ParskExpressions, BitObjectsUnderUnaryOperators) {
  struct row {
    const char *statement;
    std::vector<int> numbers;
    const char *record;  // when it builds
  } rows[] = {
      {"i = -b;", {}, "[e = _i -U -> _b `i ]"},
      {"i = +b;", {}, "[e = _i +U -> _b `i ]"},
      {"i = -b + -(b);", {}, nullptr},
      {"i = !b;", {}, nullptr},
      {"p = &b;", {203, 359}, nullptr},
      {"i = *b;", {203, 981}, nullptr},
  };
  for (const row &r : rows) {
    std::string source = std::string("bit b;\nvoid f(void)\n{\n") + kLocals + "  " + r.statement + "\n}\n";
    parsk_run run = run_parsk(source, "-B");
    EXPECT_EQ(run.numbers, r.numbers) << r.statement << "\n" << run.err;
    if (!r.record) continue;
    size_t at = run.ic.find("\"6\n");
    ASSERT_NE(at, std::string::npos) << run.ic;
    at += 3;
    EXPECT_EQ(run.ic.substr(at, run.ic.find('\n', at) - at), r.record) << r.statement;
  }
}

TEST(ParskExpressions, InterruptFunctionsAndReturnChecks) {
  struct row {
    const char *source;
    std::vector<int> numbers;
  } rows[] = {
      {"void interrupt isr(void) { }\nvoid f(void) { isr(); }\n", {184}},
      {"void f(void) { return 1; }\n", {204}},
      {"int *f(void) { int l; return &l; }\n", {365}},
      {"char *f(void) { }\n", {343}},
      {"int f(void) { }\n", {}},
      {"char *f(void) { return; }\n", {344}},
      // A switch ends the function's flow only when it has a default, no
      // break, and no way of falling out of its last statement.
      {"char *f(int k) { switch (k) { case 0: return 0; default: return 0; } }\n", {}},
      {"char *f(int k) { switch (k) { case 0: return 0; case 1: return 0; } }\n", {343}},
      {"char *f(int k) { switch (k) { case 0: break; default: return 0; } }\n", {343}},
      {"char *f(int k) { switch (k) { default: return 0; case 1: k++; } }\n", {343}},
      {"char *f(int k) { switch (k) { case 0: while (k) break; return 0; default: return 0; } }\n", {}},
  };
  for (const row &r : rows) EXPECT_EQ(run_parsk(r.source, "-QI,interrupt").numbers, r.numbers) << r.source;
}

TEST(ParskExpressions, DeepNestingIsTooComplexNotACrash) {
  std::string deep = "int f(void) { return " + std::string(5000, '(') + "1" + std::string(5000, ')') + "; }\n";
  parsk_run r = run_parsk(deep);
  EXPECT_EQ(r.status, 1);
  ASSERT_FALSE(r.numbers.empty());
  EXPECT_EQ(r.numbers[0], 295);
}

TEST(ParskExpressions, BuiltinsOfRI) {
  parsk_run r = run_parsk("int f(int k)\n{\n  __builtin_enum_label(\"lab\", 4);\n  return __builtin_unique_id(\"u\", 7) + __builtin_ittype(k);\n}\n",
                          "-RI");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(r.format_errors.empty());
  EXPECT_NE(r.ic.find("[; GLOBAL lab4 ;#\n[; lab4: ;#\n"), std::string::npos);
  EXPECT_NE(r.ic.find("[; GLOBAL u7 ;#\n[; u7: ;#\n"), std::string::npos);
  EXPECT_NE(r.ic.find("[e ) -> + -> 7 `ui #T _k `i ]"), std::string::npos) << r.ic;
}

}  // namespace
