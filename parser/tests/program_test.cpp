// The parsk program: command line, files, temporaries, exit statuses.
#include <gtest/gtest.h>

#include <algorithm>

#include "run_parsk.h"

namespace {

const std::string kEdf = "--edf=" TOVRA_STAGE "/dat/en_msgs.txt";

bool has(const std::vector<int> &numbers, int n) {
  return std::find(numbers.begin(), numbers.end(), n) != numbers.end();
}

TEST(ParskProgram, UnknownOptionEndsWithStatus255BeforeAnyFileIsOpened) {
  for (const char *option : {"-X", "--bogus", "-K3"}) {
    parsk_run r = run_command("PARSK " + kEdf + " " + option + " t.c t.ic", {{"t.c", "int x;\n"}}, {"t.ic"});
    EXPECT_EQ(r.status, 255) << option;
    EXPECT_EQ(r.numbers, std::vector<int>{168}) << option;
    EXPECT_FALSE(r.files.count("t.ic")) << option;
  }
}

TEST(ParskProgram, OptionErrors) {
  struct row {
    const char *args;
    std::vector<int> numbers;
  } rows[] = {
      {"-QC", {233}},
      {"-QC,", {233}},
      {"-Aunknownq", {229}},
      {"-A", {230}},
      {"-Ibogus", {231}},
      {"-I", {232}},
      {"-Z1,0,2", {210}},
      {"-T", {1321}},
      {"'-Tkw Qnothing'", {1322}},
  };
  for (const row &r : rows) {
    parsk_run run = run_parsk("int x;\n", r.args);
    EXPECT_EQ(run.numbers, r.numbers) << r.args;
    EXPECT_EQ(run.status, 1) << r.args;
  }
}

TEST(ParskProgram, MissingInputOrUnwritableOutput) {
  parsk_run r = run_command("PARSK " + kEdf + " nosuch.c t.ic", {}, {"t.ic"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.numbers, std::vector<int>{141});
  EXPECT_FALSE(r.files.count("t.ic"));
  r = run_command("PARSK " + kEdf + " t.c nosuchdir/t.ic", {{"t.c", "int x;\n"}});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.numbers, std::vector<int>{141});
}

TEST(ParskProgram, ArgumentsFromACommandFileAndFromStandardInput) {
  parsk_run r = run_command("PARSK @args", {{"t.c", "int x;\n"}, {"args", kEdf + " t.c t.ic\n"}}, {"t.ic"});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.files["t.ic"].find("[v _x `i 1 e ]"), std::string::npos);
  r = run_command("echo '" + kEdf + " t.c t.ic' | PARSK", {{"t.c", "int y;\n"}}, {"t.ic"});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.files["t.ic"].find("[v _y `i 1 e ]"), std::string::npos);
  r = run_command("PARSK @missing", {}, {});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.numbers, std::vector<int>{141});
}

TEST(ParskProgram, StandardInputAndOutputWhenNoFilesAreNamed) {
  parsk_run r = run_command("PARSK " + kEdf + " < t.c > out.ic", {{"t.c", "int x = 1 +;\n"}}, {"out.ic"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("(stdin)"), std::string::npos);
  r = run_command("PARSK " + kEdf + " < t.c > out.ic", {{"t.c", "int x;\n"}}, {"out.ic"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.files["out.ic"],
            "Version 3.2 Quenlor Software Intermediate Code\n\"1 (stdin)\n[v _x `i 1 e ]\n");
}

TEST(ParskProgram, VersionBannerEndsTheRun) {
  parsk_run r = run_command("PARSK --ver > banner.txt", {}, {"banner.txt"});
  EXPECT_EQ(r.status, 0);
}

TEST(ParskProgram, CrossReferenceFileIsNamedAfterTheInputAndAppendedTo) {
  parsk_run r = run_command("PARSK " + kEdf + " -C t.c t.ic",
                            {{"t.crf", "~old.c\n"}, {"t.c", "int x;\nint f(void) { return x; }\n"}},
                            {"t.crf"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.files["t.crf"], "~old.c\n~t.c\nx 1\n#x 1\nf 2\n#f 2\nx 2\n");
  r = run_command("PARSK " + kEdf + " -Cnodir/x.crf t.c t.ic", {{"t.c", "int x;\n"}});
  EXPECT_EQ(r.numbers, std::vector<int>{338});
  EXPECT_EQ(r.status, 1);
}

TEST(ParskProgram, AFailedRunLeavesNoOutputAndNoTemporaries) {
  struct row {
    const char *source;
    bool fails;
  } rows[] = {{"int x = ;\n", true}, {"int x;\n", false}};
  for (const row &c : rows) {
    parsk_run r = run_command("mkdir tmp && TMPDIR=$PWD/tmp PARSK " + kEdf + " t.c t.ic; s=$?; ls -A tmp > left.txt; exit $s",
                              {{"t.c", c.source}}, {"t.ic", "left.txt"});
    EXPECT_EQ(r.status, c.fails ? 1 : 0) << c.source;
    EXPECT_EQ(r.files["left.txt"], "") << c.source;
    EXPECT_EQ(r.files.count("t.ic"), c.fails ? 0u : 1u) << c.source;
  }
}

TEST(ParskProgram, TerminationSignalCleansUpWithStatus4) {
  // parsk waits on a pipe that never delivers; the signal must end it
  // through its cleanup.
  parsk_run r = run_command(
      "mkdir tmp; mkfifo in.fifo; TMPDIR=$PWD/tmp PARSK " + kEdf +
          " in.fifo t.ic & pid=$!; exec 3>in.fifo; sleep 0.3; kill -TERM $pid; wait $pid;"
          " echo $? > status.txt; exec 3>&-; ls -A tmp > left.txt",
      {}, {"status.txt", "left.txt", "t.ic"});
  EXPECT_EQ(r.files["status.txt"], "4\n");
  EXPECT_EQ(r.files["left.txt"], "");
  EXPECT_FALSE(r.files.count("t.ic"));
}

TEST(ParskProgram, ErrorLimitEndsTheRun) {
  std::string source;
  for (int i = 0; i < 10; i++) source += "int x" + std::to_string(i) + " = ;\n";
  parsk_run r = run_parsk(source, "--emax=3");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(std::count(r.numbers.begin(), r.numbers.end(), 195), 4);
  EXPECT_NE(r.err.find("too many errors"), std::string::npos);
}

TEST(ParskProgram, MessageOptions) {
  // 361 (implicit declaration) is a warning shown by default.
  const char *source = "int f(void) { return g(); }\n";
  EXPECT_TRUE(has(run_parsk(source).numbers, 361));
  EXPECT_FALSE(has(run_parsk(source, "--disl=361").numbers, 361));
  EXPECT_FALSE(has(run_parsk(source, "--msgdisable=361").numbers, 361));
  parsk_run strict = run_parsk(source, "-W0!");
  EXPECT_TRUE(has(strict.numbers, 361));
  EXPECT_EQ(strict.status, 1);
  // A warning of level -1 shows only at a lower threshold.
  const char *split = "char *s = \"a\"\n\"b\";\n";
  EXPECT_FALSE(has(run_parsk(split).numbers, 336));
  EXPECT_TRUE(has(run_parsk(split, "-W-1").numbers, 336));
}

TEST(ParskProgram, ListingModeEchoesEveryLine) {
  parsk_run r = run_command("PARSK " + kEdf + " -L t.c t.ic", {{"t.c", "int x;\nint y = ;\n"}});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("     1:\tint x;\n     2:\tint y = ;\n"), std::string::npos) << r.err;
  EXPECT_EQ(r.numbers, std::vector<int>{195});
}

TEST(ParskProgram, AMessageFileThatCannotBeOpenedIsReportedAndTheRunGoesOn) {
  parsk_run r = run_command("PARSK --edf=nosuch.txt t.c t.ic", {{"t.c", "int x;\n"}}, {"t.ic"});
  EXPECT_NE(r.err.find("Could not open error description file nosuch.txt"), std::string::npos);
  EXPECT_TRUE(r.files.count("t.ic"));
}

TEST(ParskProgram, MessagesGoToTheFileOfE) {
  parsk_run r = run_command("PARSK " + kEdf + " -Eerrs.txt t.c t.ic", {{"t.c", "int x = ;\n"}}, {"errs.txt"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.files["errs.txt"].find("(195)"), std::string::npos);
}

TEST(ParskProgram, SizeTableOfZ) {
  // With 4-byte ints 40000 is an int; with the default sizes a long.
  const char *source = "char a[sizeof(int)];\nvoid f(void) { 40000; }\n";
  EXPECT_NE(run_parsk(source).ic.find("[e -> 40000 `l ]"), std::string::npos);
  parsk_run r = run_parsk(source, "-Z1,2,4,4,2,4,8");
  EXPECT_NE(r.ic.find("[e -> 40000 `i ]"), std::string::npos);
  EXPECT_NE(r.ic.find("[v _a `c -> 4 `ux e ]"), std::string::npos);
  // Without -J the short long entry is skipped; with it the list shifts.
  r = run_parsk("char a[sizeof(long)];\n", "-J -Z1,2,2,3,2,2,4,8");
  EXPECT_NE(r.ic.find("[v _a `c -> 2 `ux e ]"), std::string::npos);
}

TEST(ParskProgram, ShroudHidesNamesAndLines) {
  parsk_run r = run_parsk("int g;\nint f(int a)\n{\n  static int s;\n  int l = a;\n  return l + s + g;\n}\n",
                          "--shroud");
  EXPECT_EQ(r.status, 0);
  EXPECT_TRUE(r.format_errors.empty());
  EXPECT_EQ(ic_body_of(r.ic),
            "[v _g `i 1 e ]\n"
            "\"1 t.c\n"
            "[v _f `(i 1 ef1`i ]\n"
            "{\n"
            "[v _3 `i 1 r1 ]\n"
            "[e :U _f ]\n"
            "[f ]\n"
            "[v F4 `i 1 s ]\n"
            "[v _5 `i 1 a ]\n"
            "[e = _5 _3 ]\n"
            "[e ) + + _5 F4 _g ]\n"
            "[e $UE 1  ]\n"
            "[e :UE 1 ]\n"
            "}\n");
}

TEST(ParskProgram, SourceLinesAsCommentRecords) {
  parsk_run r = run_parsk("# 1 \"dir/src.c\"\nint f(void)\n{\n  return 1;\n}\n", "-S");
  EXPECT_EQ(r.status, 0);
  EXPECT_TRUE(r.format_errors.empty());
  // The definition is recorded at its opening brace, so both lines come first.
  EXPECT_EQ(ic_body_of(r.ic),
            "[; ;src.c: 1: int f(void)\n"
            "[; ;src.c: 2: {\n"
            "\"2 dir/src.c\n"
            "[v _f `(i 1 e ]\n"
            "{\n"
            "[; ;src.c: 3:   return 1;\n"
            "\"3\n"
            "[e :U _f ]\n"
            "[f ]\n"
            "[e ) -> 1 `i ]\n"
            "[e $UE 1  ]\n"
            "[; ;src.c: 4: }\n"
            "\"4\n"
            "[e :UE 1 ]\n"
            "}\n");
}

}  // namespace
