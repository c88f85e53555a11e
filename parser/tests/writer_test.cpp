// The intermediate-code writer: string records and their tail sharing, the
// stream rule and dependency order, line records, and numbering past 16 bits.
#include <gtest/gtest.h>

#include "run_parsk.h"

namespace {

// The string records at the end of a run's output.
std::string strings_of(const parsk_run &r) {
  size_t at = r.ic.find("\n[a ");
  return at == std::string::npos ? "" : r.ic.substr(at + 1);
}

TEST(ParskWriter, StringRecordsShareTails) {
  struct row {
    const char *source, *args, *records;
  } rows[] = {
      // A string that ends another is written after it, and the longer one
      // keeps only the bytes before the shared tail.
      {"char *a = \"xabc\", *b = \"abc\";\n", "", "[a 1 120 ]\n[a 2 97 98 99 0 ]\n"},
      {"char *a = \"cd\", *b = \"abcd\";\n", "", "[a 2 97 98 ]\n[a 1 99 100 0 ]\n"},
      {"char *a = \"xabc\", *b = \"abc\";\n", "-V", "[a 1 120 97 98 99 0 ]\n[a 2 97 98 99 0 ]\n"},
      // From the last byte backwards, the larger byte first.
      {"char *a = \"ab\", *b = \"ba\", *c = \"b\";\n", "", "[a 1 97 ]\n[a 3 98 0 ]\n[a 2 98 97 0 ]\n"},
      // Bytes compare as signed values.
      {"char *a = \"a\", *b = \"\\x80\";\n", "", "[a 1 97 0 ]\n[a 2 128 0 ]\n"},
      // Only referenced strings are written, even when there is one.
      {"int n = sizeof \"abc\";\n", "", ""},
      {"int n = sizeof \"abc\";\nchar *p = \"q\";\n", "", "[a 2 113 0 ]\n"},
      // Strings of different qualifiers never share.
      {"char *a = \"bc\";\n#pragma strings const\nconst char *b = \"abc\";\n", "",
       "[a 2C 97 98 99 0 ]\n[a 1 98 99 0 ]\n"},
  };
  for (const row &r : rows) {
    parsk_run run = run_parsk(r.source, r.args);
    EXPECT_EQ(run.status, 0) << r.source << run.err;
    EXPECT_EQ(strings_of(run), r.records) << r.source << " " << r.args;
    EXPECT_TRUE(run.format_errors.empty()) << r.source;
  }
}

TEST(ParskWriter, StreamRuleAndDependencyOrder) {
  // A file-scope enumeration goes to the head when something needs it, one
  // declared in a function to the body where it is declared; a typedef of a
  // structure is looked through and needs no record of its own.
  parsk_run r = run_parsk(
      "enum e { A, B };\n"
      "typedef struct { enum e kind; } T;\n"
      "int f(void)\n{\n  enum l { X } v = X;\n  T t;\n  t.kind = B;\n  return v + t.kind;\n}\n"
      "T g;\n");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(r.format_errors.empty());
  EXPECT_EQ(r.ic,
            "Version 3.2 Quenlor Software Intermediate Code\n"
            "[c E1 0 1 .. ]\n"
            "[n E1 e A B  ]\n"
            "[s S1 `E1 1 ]\n"
            "[n S1 . kind ]\n"
            "\"10 t.c\n"
            "[v _g `S1 1 e ]\n"
            "\"4 t.c\n"
            "[v _f `(i 1 e ]\n"
            "{\n"
            "\"5\n"
            "[e :U _f ]\n"
            "[f ]\n"
            "[c E9 0 .. ]\n"
            "[n E9 l X  ]\n"
            "[v _v `E9 1 a ]\n"
            "[e = _v . `E9 0 ]\n"
            "\"6\n"
            "[v _t `S1 1 a ]\n"
            "\"7\n"
            "[e = . _t 0 . `E1 1 ]\n"
            "\"8\n"
            "[e ) + -> _v `i -> . _t 0 `i ]\n"
            "[e $UE 2  ]\n"
            "\"9\n"
            "[e :UE 2 ]\n"
            "}\n");
}

TEST(ParskWriter, ADeclaredThenDefinedSymbolIsWrittenTwice) {
  parsk_run r = run_parsk("extern int n;\nint f(void) { return n; }\nint n = 3;\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.ic.find("[v _n `i 0 e ]"), std::string::npos);
  EXPECT_NE(r.ic.find("[v _n `i 1 e ]"), std::string::npos);
}

TEST(ParskWriter, LineRecordsNameTheFileOnlyWhenItChanges) {
  parsk_run r = run_parsk(
      "int f(void)\n{\n  int a = 1;\n  a++; a--;\n# 1 \"h.h\"\n  a = 2;\n# 6 \"t.c\"\n  return a;\n}\n");
  EXPECT_EQ(ic_body_of(r.ic),
            "\"2 t.c\n[v _f `(i 1 e ]\n{\n\"3\n[e :U _f ]\n[f ]\n[v _a `i 1 a ]\n[e = _a -> 1 `i ]\n"
            "\"4\n[e ++ _a -> 1 `i ]\n[e -- _a -> 1 `i ]\n"
            "\"1 h.h\n[e = _a -> 2 `i ]\n"
            "\"6 t.c\n[e ) _a ]\n[e $UE 1  ]\n\"7\n[e :UE 1 ]\n}\n");
}

TEST(ParskWriter, NumbersAndLinesGoPastSixteenBits) {
  // Seventy thousand names: serial numbers and line numbers above 65535
  // stay distinct.
  std::string source;
  for (int i = 0; i < 70000; i++) source += "int v" + std::to_string(i) + ";\n";
  source += "int f(void)\n{\n  static int s;\n  enum { Q } e = Q;\n  return s + e;\n}\n";
  parsk_run r = run_parsk(source);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.ic.find("[v F70002 `i 1 s s ]"), std::string::npos);
  EXPECT_NE(r.ic.find("[c E70003 0 .. ]"), std::string::npos);
  EXPECT_NE(r.ic.find("\"70003\n"), std::string::npos);
}

}  // namespace
