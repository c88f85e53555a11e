// Side files: the cross-reference file and the prototype file.
#include <gtest/gtest.h>

#include "run_parsk.h"

namespace {

const std::string kEdf = "--edf=" TOVRA_STAGE "/dat/en_msgs.txt";

TEST(ParskSideFiles, CrossReferenceFollowsLineMarkers) {
  parsk_run r = run_command("PARSK " + kEdf + " -Cx.crf t.c t.ic",
                            {{"t.c",
                              "# 1 \"t.c\"\nint g;\n# 1 \"inc.h\"\nint h(int v) { return v + g; }\n"
                              "# 3 \"t.c\"\nstruct tag { int m; } s;\nint f(void) { s.m = h(2); lab: return s.m; }\n"}},
                            {"x.crf"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.files["x.crf"],
            "~t.c\n~t.c\ng 1\n#g 1\n"
            "~inc.h\nh 1\nv 1\n#h 1\n#v 1\nv 1\ng 1\n"
            "~t.c\ntag 3\nm 3\n#m 3\ns 3\n#tag 3\n#s 3\n"
            "f 4\n#f 4\ns 4\nm 4\nh 4\nlab 4\n#lab 4\ns 4\nm 4\n");
}

TEST(ParskSideFiles, PrototypeFile) {
  const char *source =
      "static float sq(float x) { return x * x; }\n"
      "struct { int a; } anon;\n"
      "int use(struct { int b; } *p) { return p->b; }\n"
      "int old(a, c) int a; char *c; { return a; }\n"
      "int none() { return 0; }\n"
      "int (*getf(void))(int) { return 0; }\n"
      "unsigned long vv(const char *f, ...) { return 0; }\n"
      "void arr(int m[][3], char **argv) { }\n";
  parsk_run r = run_command("PARSK " + kEdf + " -pt.pro t.c t.ic && PARSK " + kEdf + " -PT.pro t.c t2.ic",
                            {{"t.c", source}}, {"t.pro", "T.pro"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.files["t.pro"],
            "static float sq(float);\n"
            "extern signed int use(struct S3 *);\n"
            "extern signed int old(signed int, signed char *);\n"
            "extern signed int none(void);\n"
            "extern signed int (*getf(void))(signed int);\n"
            "extern unsigned long vv(signed char const *, ...);\n"
            "extern void arr(signed int (*)[3], signed char **);\n");
  // -P leaves out the parameters of definitions without a prototype.
  EXPECT_NE(r.files["T.pro"].find("extern signed int old();\nextern signed int none();\n"), std::string::npos)
      << r.files["T.pro"];
  r = run_command("PARSK " + kEdf + " -pnodir/t.pro t.c t.ic", {{"t.c", "int f(void) { return 0; }\n"}});
  EXPECT_NE(r.err.find("nodir/t.pro"), std::string::npos);
}

TEST(ParskSideFiles, OldStyleDefinitionsAreCheckedAgainstTheirPrototype) {
  struct row {
    const char *source;
    std::vector<int> numbers;
  } rows[] = {
      {"int f(int a, char *b);\nint f(a, b) int a; char *b; { return a; }\n", {}},
      {"int f(int a, char *b);\nint f(a, b) int a; long b; { return a; }\n", {252}},
      {"int f(int a);\nint f(a, b) int a; int b; { return a; }\n", {253}},
  };
  for (const row &r : rows) EXPECT_EQ(run_parsk(r.source).numbers, r.numbers) << r.source;
}

}  // namespace
