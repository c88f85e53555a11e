// The option framework over a small table of its own: word sources, matching,
// processing order, sub-option lists, argument checks and the help printer.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "common/alert.h"
#include "driver/options.h"
#include "support.h"

namespace {

std::vector<std::string> events;
std::vector<std::string> files;
uint32_t bits_value, one_value, keyword_value, number_value, flag_value, verbose_count;
std::string row_argument;

void log_value(opt_entry *e, const char *value) {
  events.push_back(std::string(e->name) + "=" + (value ? value : "<none>"));
}
void log_hook(opt_entry *e, const char *) { events.push_back("hook" + std::to_string(e->order)); }
void log_hex(opt_entry *, uint32_t v) { events.push_back("hex " + std::to_string(v)); }
void log_add(void *, uint32_t lo, uint32_t hi) { events.push_back("add " + std::to_string(lo) + "-" + std::to_string(hi)); }
void log_remove(void *, uint32_t lo, uint32_t hi) {
  events.push_back("remove " + std::to_string(lo) + "-" + std::to_string(hi));
}
void keep_file(const char *name) { files.push_back(name); }

opt_row bits_rows[] = {
    {0x1, "a;alpha", "first", nullptr, 1},
    {0x2, "b", "second", nullptr, 1},
    {0x4, "c", "third", nullptr, 0},
    {0x8, "d", "with an argument", &row_argument, 0},
    {},
};
opt_row one_rows[] = {{1, "lo", "low", nullptr, 0}, {2, "hi", "high", nullptr, 1}, {}};
opt_row keyword_rows[] = {{1, "alpha", "", nullptr, 0}, {2, "beta", "", nullptr, 0}, {}};
const opt_help_text bits_help = {"Bit options", "Sets bits.\n"};
const opt_help_text short_help = {"Short one", nullptr};
const opt_help_text stop_help = {"Stop here", "Stops.\n"};
const opt_help_text bare_help = {nullptr, nullptr};

constexpr uint32_t R = OPT_ARG_REQUIRED, O = OPT_ARG_OPTIONAL, T = OPT_TERMINAL;

opt_entry entry(uint32_t id, const char *name, int32_t order, uint32_t flags, uint32_t kind,
                uint32_t *target = nullptr, opt_handler_fn handler = nullptr, opt_row *rows = nullptr,
                const opt_help_text *help = nullptr) {
  return {id, name, order, flags, kind, target, handler, nullptr, nullptr, nullptr, rows, help, 0};
}

opt_entry table[] = {
    entry(1, "D", 100, R, OPT_HANDLER, nullptr, log_value, nullptr, &short_help),
    entry(2, "U", 100, R, OPT_HANDLER, nullptr, log_value),
    entry(3, "late", 50, 0, OPT_HANDLER, nullptr, log_value, nullptr, &bare_help),
    entry(4, nullptr, -3, 0, OPT_HANDLER, nullptr, log_hook),
    entry(5, "V", 200, 0, OPT_INCREMENT, &verbose_count),
    entry(6, "bits", 100, O, OPT_BITS, &bits_value, nullptr, bits_rows, &bits_help),
    entry(7, "one", 100, O, OPT_ONE, &one_value, nullptr, one_rows),
    entry(8, "kw", 100, R, OPT_KEYWORD, &keyword_value, nullptr, keyword_rows),
    entry(9, "N", 100, R, OPT_NUMBER, &number_value, nullptr, nullptr, &short_help),
    {10, "hex", 100, R, OPT_HEX, nullptr, nullptr, log_hex, nullptr, nullptr, nullptr, nullptr, 0},
    {11, "pairs", 100, R, OPT_RANGES, nullptr, nullptr, nullptr, log_add, nullptr, nullptr, nullptr, 0},
    {12, "list", 100, R, OPT_RANGE_LIST, nullptr, nullptr, nullptr, log_add, log_remove, nullptr, nullptr, 0},
    entry(13, "stop", 10, T, OPT_HANDLER, nullptr, log_value, nullptr, &stop_help),
    entry(14, "flag", 100, 0, OPT_SET, &flag_value),
    entry(15, "once", 100, O | OPT_ONCE, OPT_HANDLER, nullptr, log_value),
    entry(16, "after", 5, 0, OPT_HANDLER, nullptr, log_value),
    {},
};

class options : public ::testing::Test {
 protected:
  void SetUp() override {
    events.clear();
    files.clear();
    row_argument.clear();
    for (opt_entry *e = table; e->order != 0; e++) e->count = 0;
    opt_reset_default(opt_find(table, 6));
    opt_reset_default(opt_find(table, 7));
    keyword_value = number_value = flag_value = verbose_count = 0;
    unsetenv("TDRV_OPTIONS");
  }

  int parse(const std::vector<std::string> &words) {
    static std::vector<std::string> storage;
    storage = words;
    std::vector<char *> argv = {const_cast<char *>("prog")};
    for (std::string &w : storage) argv.push_back(w.data());
    argv.push_back(nullptr);
    return opt_parse(table, int(argv.size() - 1), argv.data(), keep_file, "TDRV");
  }

  message_capture messages;
};

TEST_F(options, entries_run_by_order_and_words_of_one_order_as_they_stand) {
  parse({"--late", "-UX", "-DX", "-V"});
  EXPECT_EQ(events, (std::vector<std::string>{"hook-3", "U=X", "D=X", "late=<none>"}));
  EXPECT_EQ(verbose_count, 1u);

  SetUp();
  parse({"-DX", "-UX"});
  EXPECT_EQ(events, (std::vector<std::string>{"hook-3", "D=X", "U=X"}));
}

TEST_F(options, short_and_long_words_match_their_own_entries) {
  parse({"-v", "-V", "--V", "-", "--", "--flag=1", "--late=x"});
  EXPECT_EQ(verbose_count, 2u);
  EXPECT_EQ(flag_value, 1u);  // applied without the value
  EXPECT_EQ(messages.numbers(), (std::vector<unsigned>{925, 925, 168}));
  EXPECT_NE(messages.text().find("\"--V\""), std::string::npos);
}

TEST_F(options, missing_required_argument_is_reported_and_not_applied) {
  parse({"-D", "-N", "--once=a", "--once=b"});
  EXPECT_EQ(messages.numbers(), (std::vector<unsigned>{924, 924, 926}));
  EXPECT_EQ(events, (std::vector<std::string>{"hook-3", "once=a", "once=b"}));
}

struct subopt_case {
  std::vector<std::string> words;
  uint32_t bits;
  std::vector<unsigned> messages;
};

TEST_F(options, sub_option_lists_replace_or_edit_the_defaults) {
  const subopt_case cases[] = {
      {{}, 0x3, {}},
      {{"--bits=c"}, 0x4, {}},
      {{"--bits=+c"}, 0x7, {}},
      {{"--bits=,c"}, 0x7, {}},
      {{"--bits=-alpha"}, 0x2, {}},
      {{"--bits=ALL"}, 0xFFFFFFFF, {}},
      {{"--bits=none"}, 0x0, {}},
      {{"--bits=c,default"}, 0x7, {}},
      {{"--bits"}, 0x0, {}},
      {{"--bits="}, 0x0, {}},
      {{"--bits=c", "--bits"}, 0x4, {}},
      {{"--bits=c", "--bits=d"}, 0xC, {}},
      {{"--bits=+-c"}, 0x3, {}},
      {{"--bits=c,zz"}, 0x4, {923}},
  };
  for (const subopt_case &c : cases) {
    SetUp();
    messages.clear();
    parse(c.words);
    EXPECT_EQ(bits_value, c.bits) << ::testing::PrintToString(c.words);
    EXPECT_EQ(messages.numbers(), c.messages) << ::testing::PrintToString(c.words);
  }
}

TEST_F(options, sub_option_arguments_go_to_their_row_or_are_ignored) {
  parse({"--bits=d:hello,c:x"});
  EXPECT_EQ(bits_value, 0xCu);
  EXPECT_EQ(row_argument, "hello");
  EXPECT_NE(messages.text().find("sub-options (\"x\") ignored"), std::string::npos);
}

TEST_F(options, one_of_takes_the_first_item_and_keywords_must_match) {
  parse({"--one=lo,hi", "--kw=BETA"});
  EXPECT_EQ(one_value, 1u);
  EXPECT_EQ(keyword_value, 2u);
  SetUp();
  parse({"--one=default", "--kw=gamma"});
  EXPECT_EQ(one_value, 2u);
  EXPECT_EQ(keyword_value, 0u);
  EXPECT_EQ(messages.numbers(), (std::vector<unsigned>{923}));
}

TEST_F(options, number_hex_and_range_values) {
  parse({"-N42", "--hex=1F", "--pairs=10-1F,20-2F", "--list=0-FF,-80-8F,90-9F"});
  EXPECT_EQ(number_value, 42u);
  EXPECT_EQ(events, (std::vector<std::string>{"hook-3", "hex 31", "add 16-31", "add 32-47", "add 0-255",
                                              "remove 128-143", "remove 144-159"}));
  EXPECT_TRUE(messages.numbers().empty());

  SetUp();
  messages.clear();
  parse({"--hex=xyz", "--pairs=10-5", "--list=10-5"});
  EXPECT_EQ(messages.numbers(), (std::vector<unsigned>{928, 929, 930}));
  EXPECT_EQ(events, (std::vector<std::string>{"hook-3"}));
}

TEST_F(options, a_terminal_option_ends_the_parse) {
  EXPECT_EQ(parse({"--after", "--stop", "-DX", "--bogus"}), 1);
  EXPECT_EQ(events, (std::vector<std::string>{"hook-3", "D=X", "stop=<none>"}));
  EXPECT_TRUE(messages.numbers().empty());
}

TEST_F(options, files_are_kept_in_order_apart_from_options) {
  EXPECT_EQ(parse({"a.c", "-DX", "sub/b.c", "x.as", "c\\x.c"}), 0);
  EXPECT_EQ(files, (std::vector<std::string>{"a.c", "sub/b.c", "x.as", "c\\x.c"}));
}

TEST_F(options, files_of_one_base_name_in_two_folders_end_the_run) {
  EXPECT_EXIT(
      {
        msg_set_output_hook(nullptr);
        parse({"a/x.c", "b/x.c"});
      },
      ::testing::ExitedWithCode(1), "duplicate base name.*a/x.c.*b/x.c");
}

TEST_F(options, help_shortcut_only_as_the_first_option_word) {
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(parse({"--bits=help"}), 1);
  std::string out = ::testing::internal::GetCapturedStdout();
  EXPECT_EQ(out.rfind("--bits: Bit options\n\nSets bits.\n", 0), 0u) << out;

  SetUp();
  EXPECT_EQ(parse({"-DX", "--one=help"}), 0);
  EXPECT_EQ(messages.numbers(), (std::vector<unsigned>{923}));
}

TEST_F(options, help_for_one_option_lists_its_rows_and_defaults) {
  ::testing::internal::CaptureStdout();
  opt_help(table, "--bits");
  std::string out = ::testing::internal::GetCapturedStdout();
  EXPECT_NE(out.find("This option may have any of the following arguments:\n"), std::string::npos);
  EXPECT_NE(out.find(" *  a;alpha              first\n"), std::string::npos) << out;
  EXPECT_NE(out.find("    c                    third\n"), std::string::npos);
  EXPECT_NE(out.find("    d:argument           with an argument\n"), std::string::npos);
  EXPECT_NE(out.find("    all                  All of the above\n"), std::string::npos);
  EXPECT_NE(out.find("    default              Default values (*)\n\n"), std::string::npos);
}

TEST_F(options, help_listing_is_sorted_with_usage_texts) {
  ::testing::internal::CaptureStdout();
  opt_help(table, "nosuch");
  std::string out = ::testing::internal::GetCapturedStdout();
  EXPECT_EQ(out.rfind("Bad option: nosuch\n\nCompiler Options:\n\n", 0), 0u) << out;
  // Names sort with letter case significant; entries without help are left out.
  size_t d = out.find("-Dargument"), n = out.find("-Nnumber"), bits = out.find("--bits<=argument>"),
         late = out.find("--late\n"), stop = out.find(" !    --stop");
  EXPECT_LT(d, n);
  EXPECT_LT(n, bits);
  EXPECT_LT(bits, late);
  EXPECT_LT(late, stop);
  EXPECT_EQ(out.find("--one"), std::string::npos);
  EXPECT_NE(out.find("Help for a specific option can be obtained by specifying an argument to --help."),
            std::string::npos);
}

TEST_F(options, words_come_from_environment_options_file_and_command_line) {
  scratch_dir here(true);
  setenv("TDRV_OPTIONS", "-DENV", 1);
  here.file(".TDRV_OPTIONS", "-DFILE1\r\n-DFILE2\n");
  parse({"-DCMD"});
  EXPECT_EQ(events, (std::vector<std::string>{"hook-3", "D=ENV", "D=FILE1", "D=FILE2", "D=CMD"}));
}

TEST_F(options, options_file_is_read_up_to_its_size_limit) {
  scratch_dir here(true);
  here.file(".TDRV_OPTIONS", std::string(16380, ' ') + "-DCUT");
  parse({"-DX"});
  EXPECT_EQ(events, (std::vector<std::string>{"hook-3", "D=C", "D=X"}));
}

TEST_F(options, a_command_file_replaces_the_command_line) {
  scratch_dir here(true);
  here.file("cmd", "-DFROMFILE\nz.c\n");
  parse({"-DA", "@cmd"});
  EXPECT_EQ(events, (std::vector<std::string>{"hook-3", "D=FROMFILE"}));
  EXPECT_EQ(files, (std::vector<std::string>{"z.c"}));

  SetUp();
  parse({"-DA", "@"});
  EXPECT_EQ(events, (std::vector<std::string>{"hook-3", "D=A"}));
  EXPECT_TRUE(files.empty());
  EXPECT_EQ(messages.numbers(), (std::vector<unsigned>{931}));

  SetUp();
  messages.clear();
  parse({"@missing"});
  EXPECT_EQ(messages.numbers(), (std::vector<unsigned>{141}));
}

}  // namespace
