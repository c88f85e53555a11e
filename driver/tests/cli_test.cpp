// The staged tovra18 program: help, version, chip list and chip selection,
// option sources and the messages and exit statuses of bad command lines.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support.h"

namespace {

const char banner[] = "Quenlor C PRO for the PIC18 MCU Family  V9.63PL3\n";

size_t count_lines(const std::string &text) { return size_t(std::count(text.begin(), text.end(), '\n')); }

TEST(tovra18, chipinfo_lists_every_chip) {
  program_run r = run_tovra18({"--chipinfo"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.output.rfind(";name:romsize:ramsize\n18C242:4000:200\n", 0), 0u) << r.output;
  EXPECT_NE(r.output.find("\n18F452:8000:600\n"), std::string::npos);
  EXPECT_NE(r.output.find("\n18F8722:20000:F60\n"), std::string::npos);
  // Registers below the SFRs' bank, and RAM that ends below them.
  EXPECT_NE(r.output.find("\n18F45K22:8000:600\n"), std::string::npos);
  EXPECT_NE(r.output.find("\n18F97J94:1FFF0:DFA\n"), std::string::npos);
  EXPECT_NE(r.output.find("\n18LF46K80:10000:E41\n"), std::string::npos);
  // Every part of the public device data: 294 and the heading.
  EXPECT_EQ(count_lines(r.output), 295u);
}

struct status_case {
  std::vector<std::string> args;
  int status;
  std::vector<unsigned> messages;
};

TEST(tovra18, chip_selection_and_bad_command_lines) {
  const status_case cases[] = {
      {{"--chip=4520", "--noexec", "x.c"}, 0, {}},
      {{"--chip=18f452", "-Q", "--noexec", "x.c"}, 0, {}},
      {{"--chip=52"}, 1, {922}},  // 18F252 and 18F452
      {{"--chip=16F84"}, 1, {922}},
      {{"-Q"}, 1, {902}},
      {{"--chip"}, 1, {924, 902}},
      {{"--chip=18F452", "--bogus", "--V"}, 1, {168, 168, 939}},
      {{"-18F4520", "--noexec", "x.c"}, 0, {1207}},
      {{"--chip=4520", "-FDOUBLE"}, 1, {923, 1207, 939}},
      {{"--chip=4520", "--opt=help"}, 1, {923, 939}},
      {{"--chip=4520", "--msgdisable"}, 1, {906, 939}},
      {{"--chip=4520", "--rom=nowhere"}, 1, {907, 939}},
      {{"--chip=4520", "--noexec", "notes.txt", "x.c"}, 1, {894}},
      {{"--chip=4520", "--noexec", "only.lpp"}, 1, {836}},
      {{"--chip=18F452", "--memmap=missing.map"}, 1, {141}},
      {{"--memmap=missing.map"}, 1, {902}},
      {{"@"}, 1, {931, 902}},
  };
  for (const status_case &c : cases) {
    program_run r = run_tovra18(c.args);
    EXPECT_EQ(r.status, c.status) << ::testing::PrintToString(c.args) << r.output;
    EXPECT_EQ(tag_numbers(r.output), c.messages) << ::testing::PrintToString(c.args) << r.output;
  }
}

// Every option that names addresses, given the values users get wrong:
// each run ends within its time limit with status 0, or with status 1 after
// a numbered message (0 may come with warnings); never with a signal or a
// hang. The values the chip's memory holds are accepted.
TEST(tovra18, address_options_survive_hostile_values) {
  const char *const values[] = {"FFFFFFFF", "FFFFFFFE", "100000000", "FFFFFFFFFFFFFFFFFFFF", "-1", "", "0",
                                "1FFFFF", "200000"};
  const char *const ranges[] = {"0-FFFFFFFF", "FFFFFFFF-FFFFFFFF", "FFFFFFFE-FFFFFFFF", "10-5", "5-", "-5", "",
                                "-", "0-100000000", "-1-5", "0-0", "1FFFFF-1FFFFF", "0-1FFFFF", ",", "0-5,"};
  // X stands for a value, R for a range.
  const char *const value_forms[] = {"--codeoffset=X",      "--serial=1234@X",       "--serial=1234@7F00+Xr4",
                                     "--serial=1234@7F00-Xr4", "--serial=12@0+1rX",     "--checksum=0-7FFF@X",
                                     "--checksum=0-7FFF@X,width=4", "--checksum=0-7FFF@X,width=-4",
                                     "--checksum=0-7FFF@8000,offset=X", "--checksum=0-7FFF@8000,width=X",
                                     "--checksum=0-X@8000", "-AX"};
  const char *const range_forms[] = {"--rom=R",        "--rom=default,R", "--rom=+R",          "--rom=default,-R",
                                     "--ram=R",        "--ram=default,R", "--ram=default,-R", "--ram=+R",
                                     "--fill=FF@R",    "--fill=FF@R,data", "--checksum=R@8000", "-XDATAR"};
  std::vector<std::string> options;
  auto expand = [&](const char *form, char mark, const char *text) {
    std::string option = form;
    option.replace(option.find(mark), 1, text);
    options.push_back(option);
  };
  for (const char *form : value_forms)
    for (const char *v : values) expand(form, 'X', v);
  for (const char *form : range_forms)
    for (const char *r : ranges) expand(form, 'R', r);
  for (const std::string &option : options) {
    program_run r = run_tovra18({"--chip=18F452", "-Q", "--noexec", option, "x.c"}, "", "", 20);
    ASSERT_TRUE(r.status == 0 || r.status == 1) << option << " ended with " << r.status << "\n" << r.output;
    if (r.status == 1) {
      EXPECT_FALSE(tag_numbers(r.output).empty()) << option << "\n" << r.output;
    }
  }
  // Values that lie in the chip's memory are taken as they are.
  for (const char *option : {"--codeoffset=1FFFFF", "--serial=1234@1FFFFE", "--serial=1234@200000",
                             "--checksum=0-1FFFFF@1FFFFE,width=-2", "--rom=0-1FFFFF", "--ram=default,-0-FFF",
                             "--fill=FF@0-1FFFFF,data", "--checksum=0-7FFF@7FFF,width=1"}) {
    program_run r = run_tovra18({"--chip=18F452", "-Q", "--noexec", option, "x.c"}, "", "", 20);
    EXPECT_EQ(r.status, 0) << option << "\n" << r.output;
  }
}

// --memmap reads a map file against the chip's memory, so the chip's spaces
// and their sizes show, not an empty "OTHER".
TEST(tovra18, memmap_summarises_against_the_chosen_chip) {
  program_run r = run_tovra18(
      {"--chip=18F452", "--memmap=" + std::string(TOVRA_TEST_DIR) + "/fixtures/summary/prog.map"});
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_NE(r.output.find("Program space        used   226h (   550) of  8000h bytes"), std::string::npos)
      << r.output;
  EXPECT_NE(r.output.find("Data space           used   12Ch (   300) of   600h bytes"), std::string::npos);
}

TEST(tovra18, help_lists_the_options_after_the_banner) {
  program_run r = run_tovra18({"--help"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.output.rfind(std::string(banner) + "\nCompiler Options:\n\n", 0), 0u) << r.output;
  EXPECT_NE(r.output.find(" !    --chipinfo                     Chip information\n"), std::string::npos);
  EXPECT_NE(r.output.find("      --opt<=argument>               Optimization options\n"), std::string::npos);
  EXPECT_NE(r.output.find("      -Nnumber                       Identifier length\n"), std::string::npos);
  EXPECT_EQ(r.output.find("--pass1"), std::string::npos);
}

TEST(tovra18, help_for_one_option) {
  for (const std::vector<std::string> &args : {std::vector<std::string>{"--help=opt"}, {"--opt=help"}, {"-Q", "--help=--OPT"}}) {
    program_run r = run_tovra18(args);
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.output.find("--opt: Optimization options\n\nThis option controls what compiler optimizations"),
              std::string::npos)
        << r.output;
    EXPECT_NE(r.output.find(" *  space                Favor code generation for space over speed\n"),
              std::string::npos);
  }
  program_run quiet = run_tovra18({"-Q", "--help=runtime"});
  EXPECT_EQ(quiet.output.find("Quenlor"), std::string::npos);
  // The fixed defaults show as the defaults.
  EXPECT_NE(quiet.output.find(" *  stackwarn"), std::string::npos);
  EXPECT_NE(quiet.output.find("    plib"), std::string::npos);

  program_run bad = run_tovra18({"--help=nosuch"});
  EXPECT_EQ(bad.status, 0);
  EXPECT_NE(bad.output.find("Bad option: nosuch\n\nCompiler Options:"), std::string::npos);
}

TEST(tovra18, version) {
  program_run r = run_tovra18({"--ver", "--chip=16F84"});
  EXPECT_EQ(r.status, 0);  // ends before the chip is looked up
  EXPECT_EQ(r.output.rfind(banner, 0), 0u);
  EXPECT_NE(r.output.find("Component:\tdriver\n"), std::string::npos);
  EXPECT_NE(r.output.find("Version:\t9.63PL3\n"), std::string::npos);
}

TEST(tovra18, without_arguments_the_words_come_from_standard_input) {
  program_run r = run_tovra18({});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.output.find("Enter TOVRA18 --HELP for help\n"), std::string::npos);
  EXPECT_EQ(tag_numbers(r.output), std::vector<unsigned>{902});
}

TEST(tovra18, options_file_and_command_file) {
  scratch_dir here;
  here.file(".TOVRA18_OPTIONS", "--chip=18F452\n-Q\n");
  EXPECT_EQ(run_tovra18({"-DX", "--noexec", "x.c"}, here.path()).status, 0);
  here.file("cmd", "--nosuch\n");
  program_run r = run_tovra18({"--chip=4520", "@cmd"}, here.path());
  EXPECT_EQ(tag_numbers(r.output), (std::vector<unsigned>{168, 939}));
}

TEST(tovra18, setup_records_the_installation_folder) {
  scratch_dir here;
  std::string registry = here.path() + "/registry";
  program_run bad = run_tovra18({"--setup=/nonexistent/folder"}, "", registry);
  EXPECT_EQ(bad.status, 8);
  EXPECT_EQ(tag_numbers(bad.output), (std::vector<unsigned>{1180, 883}));

  program_run good = run_tovra18({"--setup=" TOVRA_STAGE}, "", registry);
  EXPECT_EQ(good.status, 0) << good.output;
  EXPECT_TRUE(tag_numbers(good.output).empty()) << good.output;
  program_run shown = run_tovra18({"-Q", "--setup"}, "", registry);
  EXPECT_EQ(shown.status, 0);
  EXPECT_NE(shown.output.find(TOVRA_STAGE "\n"), std::string::npos) << shown.output;
}

}  // namespace
