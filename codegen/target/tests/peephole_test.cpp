// The improvements made to a function's assembly before it is written, each
// case a small function as the code generator writes it, and the cases
// where a change would alter what the code does.
#include "codegen/target/peephole.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

std::vector<std::string> lines_of(const std::string &text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line + "\n");
  return lines;
}

std::string improved(const std::string &text) {
  std::vector<std::string> lines = lines_of(text);
  peep_function(lines);
  std::string out;
  for (const std::string &l : lines) out += l;
  return out;
}

struct peep_case {
  const char *what, *in, *out;
};

const peep_case cases[] = {
    {"a jump to the next instruction goes, through comments and line records",
     "\tmovlw\t1\n\tgoto\tl2\n\t; comment\n\tline\t4\nl2:\n\treturn\n",
     "\tmovlw\t1\n\t; comment\n\tline\t4\nl2:\n\treturn\n"},
    {"a flag test that only skips that jump goes with it",
     "\tmovlw\t1\n\tbtfsc\tstatus,0\n\tgoto\tl2\nl2:\n\treturn\n", "\tmovlw\t1\nl2:\n\treturn\n"},
    {"a counting skip stays, and so does its jump",
     "\tmovlw\t1\n\tdecfsz\tx,f\n\tgoto\tl2\nl2:\n\treturn\n",
     "\tmovlw\t1\n\tdecfsz\tx,f\n\tbra\tl2\nl2:\n\treturn\n"},
    {"a test that skips a jump over a jump is turned round",
     "\tmovf\tx,w\n\tbtfsc\ta,3\n\tgoto\tl1\n\tgoto\tl2\nl1:\n\tclrf\ty\nl2:\n\treturn\n",
     "\tmovf\tx,w\n\tbtfss\ta,3\n\tbra\tl2\nl1:\n\tclrf\ty\nl2:\n\treturn\n"},
    {"a count down over a jump over a jump becomes the opposite count",
     "\tmovf\tx,w\nl1:\n\tdecfsz\tn,f\n\tgoto\tl2\n\tgoto\tl3\nl2:\n\tclrf\ty\n\tgoto\tl1\nl3:\n\treturn\n",
     "\tmovf\tx,w\nl1:\n\tdcfsnz\tn,f\n\tbra\tl3\nl2:\n\tclrf\ty\n\tbra\tl1\nl3:\n\treturn\n"},
    {"not when the test is itself skipped: the pair must stay two",
     "\tbtfsc\tb,1\n\tbtfsc\ta,3\n\tgoto\tl1\n\tgoto\tl2\nl1:\n\tclrf\ty\nl2:\n\treturn\n",
     "\tbtfsc\tb,1\n\tbtfsc\ta,3\n\tbra\tl1\n\tbra\tl2\nl1:\n\tclrf\ty\nl2:\n\treturn\n"},
    {"a jump to a jump goes straight to its target; what follows a jump unlabelled goes",
     "\tmovf\tx,w\n\tgoto\tl1\n\tclrf\tz\nl1:\n\tgoto\tl2\n\tclrf\ty\nl2:\n\treturn\n",
     "\tmovf\tx,w\nl1:\nl2:\n\treturn\n"},
    {"a flag test and its jump become one conditional branch",
     "\tmovf\tx,w\nl1:\n\tdecf\tx,f\n\tbtfss\tstatus,2\n\tgoto\tl1\n\treturn\n",
     "\tmovf\tx,w\nl1:\n\tdecf\tx,f\n\tbnz\tl1\n\treturn\n"},
    {"the flag may name the access bank",
     "l1:\n\tdecf\tx,f\n\tbtfsc\tstatus,2,c\n\tgoto\tl1\n\treturn\n",
     "l1:\n\tdecf\tx,f\n\tbz\tl1\n\treturn\n"},
    {"a jump out of the function stays a jump",
     "\tmovf\tx,w\n\tgoto\tstart\n", "\tmovf\tx,w\n\tgoto\tstart\n"},
    {"a branch to a jump out of the function becomes that jump",
     "\trcall\tu1\n\tbra\tu2\nu1:\n\tmovwf\tpcl,c\nu2:\n\tgoto\tstart\n",
     "\trcall\tu1\n\tgoto\tstart\nu1:\n\tmovwf\tpcl,c\nu2:\n\tgoto\tstart\n"},
    {"a computed jump leaves the function as it is",
     "\tmovf\tx,w\n\taddwf\tpcl,f\n\tgoto\tl1\n\tgoto\tl2\nl1:\n\treturn\nl2:\n\treturn\n",
     "\tmovf\tx,w\n\taddwf\tpcl,f\n\tgoto\tl1\n\tgoto\tl2\nl1:\n\treturn\nl2:\n\treturn\n"},
    {"code whose cycles are counted stays as written; the jumps round it still change",
     "\tmovlw\t1\n\tgoto\tl2\nl2:\n\topt\tasmopt_off\nl1:\n\tdecfsz\twreg,f\n\tgoto\tl1\n\tgoto\tl3\nl3:\n\topt\tasmopt_on\n"
     "\tbtfss\tstatus,2\n\tgoto\tl1\n\treturn\n",
     "\tmovlw\t1\nl2:\n\topt\tasmopt_off\nl1:\n\tdecfsz\twreg,f\n\tgoto\tl1\n\tgoto\tl3\nl3:\n\topt\tasmopt_on\n\tbnz\tl1\n"
     "\treturn\n"},
    {"a psect switch keeps jumps long, and the jump across it",
     "\tmovf\tx,w\n\tgoto\tl1\n\tpsect\tother\nl1:\n\treturn\n",
     "\tmovf\tx,w\n\tgoto\tl1\n\tpsect\tother\nl1:\n\treturn\n"},
};

TEST(Peephole, SmallFunctions) {
  for (const peep_case &c : cases) EXPECT_EQ(improved(c.in), c.out) << c.what;
}

// The offsets are checked against the branches' reach: a flag branch reaches
// 128 words back, a relative jump 1024.
TEST(Peephole, BranchesOnlyWhereTheyReach) {
  auto function = [](int fill) {
    std::string text = "l1:\n\tdecf\tx,f\n";
    for (int k = 0; k < fill; k++) text += "\tnop\n";
    return text + "\tbtfss\tstatus,2\n\tgoto\tl1\n\treturn\n";
  };
  // The branch at word 1 + fill goes back to word 0: offset -(fill + 2).
  EXPECT_NE(improved(function(126)).find("\tbnz\tl1\n"), std::string::npos);
  std::string far = improved(function(127));
  EXPECT_EQ(far.find("bnz"), std::string::npos);
  EXPECT_NE(far.find("\tbtfss\tstatus,2\n\tbra\tl1\n"), std::string::npos);
  EXPECT_NE(improved(function(1100)).find("\tgoto\tl1\n"), std::string::npos);
}

}  // namespace
