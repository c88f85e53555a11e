// Initialisers: the messages of bad initialisers, and how an open array
// takes its size from them.
#include <gtest/gtest.h>

#include "run_parsk.h"

namespace {

TEST(ParskInitialisers, Messages) {
  struct row {
    const char *source;
    std::vector<int> numbers;
    int status;
    const char *args;
  } rows[] = {
      {"int a[2] = { 1, 2, 3 };\n", {240}, 1, ""},
      {"int a[2][2] = { { 1, 2, 3 } };\n", {240}, 1, ""},
      {"struct s { int a; } v = { 1, 2 };\n", {240}, 1, ""},
      {"char c[2] = \"abc\";\n", {240}, 1, ""},
      {"char c[3] = \"abc\";\n", {340}, 0, ""},
      {"int n; int m = n;\n", {315}, 1, ""},
      {"int f(int n) { static int s = n; return s; }\n", {315}, 1, ""},
      {"int f(int n) { int a[2] = { n, 1 }; return a[0]; }\n", {315}, 1, ""},
      {"struct later; struct later v = { 1 };\n", {198}, 1, ""},
      {"int a[2] = { 1, 2 ;\n", {316}, 1, ""},
      {"int f(void) { int x = { 1 ; return x; }\n", {316}, 1, ""},
      {"persistent int p = 1;\n", {1081}, 1, "-QS,persistent"},
      {"persistent int p;\n", {}, 0, "-QS,persistent"},
      {"typedef int T = 3;\n", {238}, 1, ""},
      {"extern int e = 3;\n", {339}, 0, ""},
      {"int f(void) { extern int e = 3; return e; }\n", {238}, 1, ""},
      {"char *p = 1.5;\n", {182}, 1, ""},
  };
  for (const row &r : rows) {
    parsk_run run = run_parsk(r.source, r.args);
    EXPECT_EQ(run.numbers, r.numbers) << r.source << "\n" << run.err;
    EXPECT_EQ(run.status, r.status) << r.source;
  }
}

TEST(ParskInitialisers, OpenArraysTakeTheirSizeFromTheElements) {
  struct row {
    const char *source, *record;
  } rows[] = {
      {"int a[] = { 1, 2, 3 };\n", "[v _a `i -> 3 `ux e ]"},
      {"char s[] = \"four\";\n", "[v _s `c -> 5 `ux e ]"},
      {"int m[][2] = { 1, 2, 3 };\n", "[v _m `F2 -> 2 `ux e ]"},
      {"struct p { int x, y; } ps[] = { 1, 2, 3, 4, 5 };\n", "[v _ps `S1 -> 3 `ux e ]"},
      {"int f(void) { int a[] = { 4, 5 }; return a[1]; }\n", "[v _a `i -> 2 `ux a ]"},
  };
  for (const row &r : rows) {
    parsk_run run = run_parsk(r.source);
    EXPECT_EQ(run.status, 0) << r.source << run.err;
    EXPECT_NE(run.ic.find(r.record), std::string::npos) << r.source << "\n" << run.ic;
  }
}

}  // namespace
