// Random C programs with the features the code generator covers, built by
// tovra18 for an 18F452 and run in gpsim, and built by the host's C
// compiler: every byte of their volatile results must agree (statements the
// code generator says it cannot cover are taken out first). The seeds are
// fixed so that a failure can be replayed with
//   scripts/random 1 SEED FEATURES
#include <gtest/gtest.h>

#include "tests/support/random_c.h"
#include "tests/support/test_support.h"

namespace {

TEST(RandomC, ProgramsAgreeWithTheHostCompiler) {
  if (!have_tool("gpsim")) GTEST_SKIP() << "gpsim missing";
  if (!have_tool("cc")) GTEST_SKIP() << "no host C compiler";
  const unsigned features = randc_ci_features;
  for (unsigned seed = 1; seed <= 30; seed++) {
    std::string dir = make_scratch_dir("random_c_");
    std::string program = randc_generate(seed, features);
    randc_outcome o = randc_run(dir, program, features);
    // Statements the code generator cannot cover yet are taken out; what
    // is left must agree.
    EXPECT_TRUE(o.compared) << "seed " << seed << ", features " << randc_feature_text(features) << ": "
                                      << randc_verdict_name(o.verdict) << ": " << o.detail << "\n(files in " << dir
                                      << ")\n"
                                      << program;
  }
}

}  // namespace

// With every switch on, the programs the generator writes must build on the
// host and run to their end with no undefined behaviour that the sanitizer
// sees, and every float result must be exact in the target's format.
TEST(RandomC, ProgramsOfEveryFeatureAreDefinedC) {
  if (!have_tool("cc")) GTEST_SKIP() << "no host C compiler";
  unsigned all = 0;
  ASSERT_TRUE(randc_parse_features("all", &all, nullptr));
  std::string dir = make_scratch_dir("random_c_host_");
  for (unsigned seed = 1; seed <= 15; seed++) {
    std::string program = randc_generate(seed, all);
    write_file(dir + "/host.c", randc_host_source(program));
    run_result r = run_in(dir,
                          "cc -std=c99 -O1 -w -fsanitize=undefined -fno-sanitize-recover=all -o host host.c && "
                          "timeout 10 ./host");
    EXPECT_EQ(r.status, 0) << "seed " << seed << ": " << r.err << r.out << "\n" << program;
    EXPECT_EQ(r.out.find("inexact"), std::string::npos) << "seed " << seed;
  }
}
