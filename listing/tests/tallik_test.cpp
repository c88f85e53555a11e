#include "listing/tallik.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/test_support.h"

namespace {

TEST(TallikPattern, DigitsMatchAnyDigitAndThePatternIsAPrefix) {
  struct {
    const char *pattern;
    const char *name;
    bool match;
  } cases[] = {
      {"LBL0", "LBL0", true},   {"LBL0", "LBL7x", true}, {"LBL0", "LBLx", false},
      {"LBL0", "LBL", false},   {"", "anything", false}, {"_", "_main", true},
      {"a1b", "a9b_c", true},   {"a1b", "a9c", false},
  };
  for (const auto &c : cases)
    EXPECT_EQ(xref_pattern_match(c.pattern, c.name), c.match) << c.pattern << " / " << c.name;
}

// Two raw files as the parser appends them: one source with an include and
// a return to the source, a file left out with -F, a second translation unit.
const char *const first_raw =
    "~main.c\n"
    "main 3\n"
    "x 5\n"
    "#x 2\n"
    "foo 7\n"
    "~util.h\n"
    "#foo 1\n"
    "x 4\n"
    "main 8\n"
    "~main.c\n"
    "foo 9\n"
    "#main 3\n"
    "~skip/sys.h\n"
    "x 1\n"
    "#hidden 2\n"
    "foo 40\n";
const char *const second_raw =
    "~util.c\n"
    "#foo 2\n"
    "foo 2\n"
    "x 10\n"
    "LBL1 3\n"
    "LBL22 4\n"
    "LBLx 5\n";

std::string header(const std::string &heading, int page, int width = 80) {
  char buf[256];
  int pad = width - (int)heading.size() - 38;
  snprintf(buf, sizeof buf, "\n\nCross reference listing: %s%*s %3d\n\n\n", heading.c_str(),
           pad, "Page", page);
  return buf;
}

class TallikListing : public testing::Test {
 protected:
  std::string dir = make_scratch_dir("listing-");
  void SetUp() override {
    write_file(dir + "/a.crf", first_raw);
    write_file(dir + "/b.crf", second_raw);
    write_file(dir + "/stop", "  x\n\t\n");
  }
  run_result tallik(const std::string &options) {
    return run_in(dir, staged_program("tallik") + " -Fskip/ -XLBL0 -Sstop -Hxref " + options +
                           " a.crf b.crf");
  }
};

TEST_F(TallikListing, SortsMergesMarksAndLeavesOut) {
  run_result r = tallik("");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out, header("xref", 1) +
                       "LBLx    util.c      5 \n"
                       "\n"
                       "foo     main.c      7     9 \n"
                       "        util.c      2#\n"
                       "        util.h      1#\n"
                       "\n"
                       "main    main.c      3#\n"
                       "        util.h      8 \n"
                       "\f");
}

TEST_F(TallikListing, BreaksPagesAtTheLengthGiven) {
  // Length 12 leaves room for the five header lines and two more.
  run_result r = tallik("-L12");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, header("xref", 1) + "LBLx    util.c      5 \n\n\f" +
                       header("xref", 2) + "foo     main.c      7     9 \n        util.c      2#\n\f" +
                       header("xref", 3) + "        util.h      1#\n\n\f" +
                       header("xref", 4) + "main    main.c      3#\n        util.h      8 \n\f");
}

TEST_F(TallikListing, WrapsLineNumbersAtThePageWidth) {
  run_result r = tallik("-p24 -O" + dir + "/out.lst");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "");
  std::string page = read_file(dir + "/out.lst");
  EXPECT_NE(page.find("Cross reference listing: xref Page   1\n"), std::string::npos) << page;
  EXPECT_NE(page.find("foo     main.c      7 \n"
                      "                    9 \n"
                      "        util.c      2#\n"),
            std::string::npos)
      << page;
}

TEST_F(TallikListing, HeadingDefaultsToTheFirstInputName) {
  run_result r = run_in(dir, staged_program("tallik") + " b.crf");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.substr(0, header("b.crf", 1).size()), header("b.crf", 1));
}

TEST(TallikPages, AFullPageCarriesSixtyOneLines) {
  std::string dir = make_scratch_dir("listing-");
  std::string raw = "~f.c\n";
  for (int i = 0; i < 100; i++) raw += "sym" + std::to_string(1000 + i) + " " + std::to_string(i + 1) + "\n";
  write_file(dir + "/x.crf", raw);
  run_result r = run_in(dir, staged_program("tallik") + " x.crf");
  ASSERT_EQ(r.status, 0) << r.err;
  // 100 symbols with blank lines between them make 199 lines over four pages.
  std::vector<int> lines_per_page;
  int lines = 0;
  for (char c : r.out) {
    if (c == '\n') lines++;
    if (c == '\f') {
      lines_per_page.push_back(lines);
      lines = 0;
    }
  }
  EXPECT_EQ(lines, 0);
  EXPECT_EQ(lines_per_page, (std::vector<int>{61, 61, 61, 36}));
  EXPECT_EQ(r.out.find(header("x.crf", 4)) != std::string::npos, true);
}

TEST(TallikInput, DamagedRecordsAreSkippedWithoutHarm) {
  std::string dir = make_scratch_dir("listing-");
  std::string raw = std::string("orphan 4\n\n#\n# 5\nnoline\nname x12\n") +
                    "~f.c\r\nok 7\r\n" + std::string("bin\0ary 3\n", 11) + "\xff\xfe 9\n" +
                    "big 99999999999999999999\n" + std::string(5000, 'L') + " 1\n";
  write_file(dir + "/bad.crf", raw);
  run_result r = run_in(dir, staged_program("tallik") + " -Hh -P30000 bad.crf");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("orphan"), std::string::npos);
  EXPECT_NE(r.out.find("f.c"), std::string::npos);
  EXPECT_EQ(r.out.find("f.c\r"), std::string::npos);
  EXPECT_NE(r.out.find(std::string(5000, 'L')), std::string::npos);
  EXPECT_EQ(r.out.find("bin"), std::string::npos);
  EXPECT_EQ(r.out.find("noline"), std::string::npos);
  EXPECT_EQ(r.out.find("big"), std::string::npos);
}

TEST(TallikInput, ManyReferencesToOneNameAreWarnedAboutAndKept) {
  std::string dir = make_scratch_dir("listing-");
  std::string raw = "~f.c\n";
  for (int i = 1; i <= 5500; i++) raw += "hot " + std::to_string(i) + "\n";
  write_file(dir + "/hot.crf", raw);
  run_result r = run_in(dir, staged_program("tallik") + " -P60000 -L100000 hot.crf");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find(msg_tag(674)), std::string::npos) << r.err;
  EXPECT_NE(r.out.find(" 5499  5500 \n"), std::string::npos);
}

TEST(TallikProgram, CommandLineOutcomes) {
  struct {
    const char *args;
    int status;
    const char *in_err;
  } cases[] = {
      {"", 1, "Usage: tallik [-Ooutfile] [-Sstoplist] input_file ...\n"},
      {"-W3 ok.crf", 0, "Unrecognized switch -W3\n"},
      {"-Snostop ok.crf", 0, "Can't open stoplist file nostop\n"},
      {"missing.crf", 1, "(141)"},
      {"ok.crf missing.crf", 1, "(141)"},
      {"-Onodir/out ok.crf", 1, "(141)"},
      {"-O/dev/full ok.crf", 1, "(378)"},
  };
  std::string dir = make_scratch_dir("listing-");
  write_file(dir + "/ok.crf", "~a.c\nv 1\n");
  for (const auto &c : cases) {
    run_result r = run_in(dir, staged_program("tallik") + " " + c.args);
    EXPECT_EQ(r.status, c.status) << c.args;
    EXPECT_NE(r.err.find(c.in_err), std::string::npos) << c.args << ": " << r.err;
  }
  run_result r = run_in(dir, staged_program("tallik") + " --ver");
  EXPECT_EQ(r.status, 0);
}

}  // namespace
