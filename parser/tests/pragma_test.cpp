// Pragmas: each word's directive record and the stream it goes to, the
// parser state it changes, and its messages.
#include <gtest/gtest.h>

#include "run_parsk.h"

namespace {

// Where a record stands: in the head (before the first body line record of
// a function) or in the body.
struct placed {
  std::string head, body;
};

placed split(const std::string &ic) {
  // The body starts with the first line record that names no file after a
  // head record, or with the function's record; the test sources put every
  // pragma of the body inside "void b(void) { ... }".
  size_t at = ic.find("[v _b `(v 1 e ]");
  if (at == std::string::npos) return {ic, ""};
  return {ic.substr(0, at), ic.substr(at)};
}

TEST(ParskPragmas, RecordsAndStreams) {
  struct row {
    const char *pragma;
    const char *record;  // the whole record line
    bool head;
    std::vector<int> numbers;
  } rows[] = {
      {"pack 2", "[p p 2 ]", false, {}},
      {"return_offset 3", "[p r 3 ]", false, {}},
      {"interrupt_level 1", "[p l 1 ]", false, {}},
      {"interrupt_level 8", "[p l 8 ]", false, {332}},
      {"varregs", "[p v , ]", false, {}},
      {"varregs r1 r2", "[p v r1,r2 ]", false, {}},
      {"switch direct", "[p w direct ]", false, {}},
      {"psect data=mydata", "[p s data=mydata ]", false, {}},
      {"text mytext", "[p s text=mytext ]", true, {}},
      {"stack_size 16", "[p b 16 ]", true, {}},
      {"regsused h wreg,status fsr0", "[p u _h wreg,status,fsr0 ]", true, {}},
      {"callname h _hcall", "[p c _h _hcall ]", true, {}},
      {"callsizes h 2 3", "[p a _h 2 3 ]", true, {}},
      {"warning push", "[p k ]", false, {}},
      {"warning pop", "[p o ]", false, {}},
      {"warning disable", "[p n ]", false, {}},
      {"warning disable 350 351", "[p n 350 351 ]", false, {}},
      {"WARNING ENABLE", "[p y ]", false, {}},
      {"warning enable 361", "[p y 361 ]", false, {}},
      {"warning error 361", "[p e 361 ]", false, {}},
      {"warning warning 192", "[p g 192 ]", false, {}},
  };
  for (const row &r : rows) {
    std::string pragma = std::string("#pragma ") + r.pragma + "\n";
    parsk_run run = run_parsk("int h(void);\nvoid b(void)\n{\n" + pragma + "}\n");
    EXPECT_EQ(run.numbers, r.numbers) << r.pragma;
    placed p = split(run.ic);
    EXPECT_NE((r.head ? p.head : p.body).find(std::string(r.record) + "\n"), std::string::npos)
        << r.pragma << "\n" << run.ic;
    EXPECT_TRUE(run.format_errors.empty()) << r.pragma;
  }
}

TEST(ParskPragmas, Messages) {
  struct row {
    const char *pragma;
    std::vector<int> numbers;
  } rows[] = {
      {"pack", {212}},
      {"pack x", {212}},
      {"return_offset", {213}},
      {"interrupt_level", {214}},
      {"regsused", {215}},
      {"switch", {215}},
      {"psect", {216}},
      {"text", {216}},
      {"stack_size", {217}},
      {"inline", {218}},
      {"printf_check", {219}},
      {"regsused nosuch wreg", {254}},
      {"strings nosuchq", {333}},
      {"printf_check h nosuchq", {334}},
      {"warning bogus", {335}},
      {"bogus", {335}},
      {"fastcall16 h", {335}},
  };
  for (const row &r : rows) {
    parsk_run run = run_parsk(std::string("int h(void);\n#pragma ") + r.pragma + "\nint x;\n");
    EXPECT_EQ(run.numbers, r.numbers) << r.pragma;
    // Naming a function that is not declared is an error; the rest warn.
    EXPECT_EQ(run.status, r.numbers == std::vector<int>{254} ? 1 : 0) << r.pragma;
  }
}

TEST(ParskPragmas, WordsThatChangeTheParser) {
  // regarg and noregarg on one line leave register arguments off.
  parsk_run r = run_parsk("#pragma regarg noregarg\nint f(int a);\n");
  EXPECT_NE(r.ic.find("[v _f `(i 0 e1`i ]"), std::string::npos) << r.ic;
  // A warning disabled by number is hidden in the parser too.
  r = run_parsk("#pragma warning disable 361 350\nint f(void) { return g(); }\n");
  EXPECT_TRUE(r.numbers.empty());
  r = run_parsk("#pragma warning error 361\nint f(void) { return g(); }\n");
  EXPECT_EQ(r.status, 1);
  // String literals take the qualifiers of "strings"; with no word they lose them.
  r = run_parsk("#pragma strings const\nconst char *a = \"x\";\n#pragma strings\nchar *b = \"y\";\n");
  EXPECT_NE(r.ic.find("[i _a\n:s 1C\n]"), std::string::npos) << r.ic;
  EXPECT_NE(r.ic.find("[i _b\n:s 2\n]"), std::string::npos) << r.ic;
  // inline marks a function's records.
  r = run_parsk("#pragma inline sq\nint sq(int x) { return x * x; }\n");
  EXPECT_NE(r.ic.find("[v _sq `(i 1 ef1`i ]\n[p i _sq ]\n"), std::string::npos) << r.ic;
  // printf_check with -Fp writes the feature mask of the calls.
  r = run_parsk("#pragma printf_check pf\nint pf(const char *, ...);\nvoid t(void) { pf(\"%d\", 1); }\n", "-Fp");
  EXPECT_NE(r.ic.find("[p f _pf 8388736 ]"), std::string::npos) << r.ic;
  // Two-byte characters: a lead byte takes the next byte as it is.
  r = run_parsk("#pragma jis\nchar *s = \"\\x82\\\"\";\n");
  EXPECT_EQ(r.status, 0) << r.err;
  // The pragmas of -G are read before the source.
  r = run_parsk("char *s = \"z\";\n", "-Gstrings,const");
  EXPECT_NE(r.ic.find("[a 1C 122 0 ]"), std::string::npos) << r.ic;
}

TEST(ParskPragmas, AttributesOfTheFastcallQualifier) {
  const char *args = "-QT,__fastcall16 -QI,interrupt -QP,__ioport";
  parsk_run r = run_parsk(
      "#pragma fastcall16 fc\n#pragma interrupt_handler ih 2\n#pragma ioport io 0x20\n"
      "int fc(int);\nvoid ih(void);\nextern char io;\n"
      "#pragma abs_address: 0x100\nint a1, a2;\n#pragma end_abs_address\nint a3;\n"
      "#pragma abs_address 0x200 junk\n",
      args);
  EXPECT_EQ(r.numbers, std::vector<int>{1345});
  // A function type with register arguments stays behind its typedef.
  EXPECT_NE(r.ic.find("[v _fc `TF2 0 e ]"), std::string::npos) << r.ic;
  EXPECT_NE(r.ic.find("[v _ih `I(v 0 e@2 ]"), std::string::npos) << r.ic;
  EXPECT_NE(r.ic.find("[v _io `Pc 0 e@32 ]"), std::string::npos) << r.ic;
  EXPECT_NE(r.ic.find("[v _a1 `i 1 e@256 ]"), std::string::npos) << r.ic;
  EXPECT_NE(r.ic.find("[v _a2 `i 1 e@258 ]"), std::string::npos) << r.ic;
  EXPECT_NE(r.ic.find("[v _a3 `i 1 e ]"), std::string::npos) << r.ic;
}

}  // namespace
