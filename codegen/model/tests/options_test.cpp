// codrel's options: mode names and numbers, optimisation letters, the
// other letters and the words it refuses.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "codegen/model/codrel.h"
#include "codegen/model/progstate.h"
#include "codegen/model/tests/model_support.h"

namespace {

struct option_case {
  std::vector<std::string> words;
  uint32_t modes;
  std::vector<unsigned> messages = {};
  int alloc_limit = -1;
};

int read(std::vector<std::string> words) {
  std::vector<char *> argv{const_cast<char *>("codrel")};
  for (std::string &w : words) argv.push_back(w.data());
  return codrel_read_options(int(argv.size()), argv.data(), 1);
}

TEST(CodrelOptions, ModesAndOptimisationLetters) {
  const option_case cases[] = {
      {{"-OGS"}, MODE_GLOBOPT | MODE_SPACEOPT},
      {{"-Og9s"}, MODE_GLOBOPT | MODE_SPACEOPT},  // the driver's form
      {{"-ZAf"}, MODE_AUTOSTATIC | MODE_SPEEDOPT},
      {{"-OV0"}, 0},
      {{"-OV12"}, 0, {}, 12},
      {{"-OV0x1F"}, 0, {}, 31},
      {{"-OK3L"}, 0},
      {{"-OXF"}, MODE_SPEEDOPT, {747}},
      {{"-Mspeedopt"}, MODE_SPEEDOPT},
      {{"-MIEEE_DBL", "-M19"}, MODE_IEEE_DBL | MODE_EMI_WORD},
      {{"-M3"}, MODE_AVOCET},
      {{"-M20"}, MODE_LIBRARY},
      {{"-Mlibrary"}, MODE_LIBRARY},
      {{"-M21"}, 0, {716}},
      {{"-M2"}, 0, {716}},
      {{"-MFOO"}, 0, {716}},
      {{"-q"}, 0, {717}},
      {{"--quick"}, 0, {717}},
      {{"--disl=5"}, 0, {717}},
  };
  for (const option_case &c : cases) {
    capture_messages();
    copt = codrel_options{};
    mode_word = 0;
    read(c.words);
    EXPECT_EQ(mode_word, c.modes) << c.words[0];
    EXPECT_EQ(captured_numbers(), c.messages) << c.words[0];
    EXPECT_EQ(copt.alloc_limit, c.alloc_limit) << c.words[0];
  }
}

TEST(CodrelOptions, NamesForTheModelAndTheirFigures) {
  capture_messages();
  copt = codrel_options{};
  EXPECT_EQ(read({"-B_asmfunc", "-b_twice:0", "-B_three:3", "-N_deep:4:7", "-N_bare", "-Q_isr:_handler", "-C/x",
                  "-RD", "-S", "-U2", "-W-2", "in.ic"}),
            12);
  ASSERT_EQ(copt.asm_names.size(), 3u);
  EXPECT_EQ(copt.asm_names[0].count, 1u);
  EXPECT_EQ(copt.asm_names[1].count, 1u) << "a count of 0 counts as 1";
  EXPECT_EQ(copt.asm_names[2].count, 3u);
  ASSERT_EQ(copt.figures.size(), 2u);
  EXPECT_EQ(copt.figures[0].first, 4u);
  EXPECT_EQ(copt.figures[0].second, 7u);
  EXPECT_EQ(copt.figures[1].first, 0u);
  ASSERT_EQ(copt.calls.size(), 1u);
  EXPECT_EQ(copt.calls[0].callee, "_handler");
  EXPECT_STREQ(copt.constant_format, "%ld");
  EXPECT_TRUE(copt.tracking_comments);
  EXPECT_EQ(copt.interrupt_fillers, 2);
  EXPECT_EQ(model.warning_level, -2);
  EXPECT_EQ(captured_numbers(), std::vector<unsigned>{});
  msg_set_warn_level(-9);
}

}  // namespace
