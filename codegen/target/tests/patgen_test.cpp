// The pattern generator on small descriptions: what it writes from a sound
// one, and each refusal, which must name the file and line of the fault.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/test_support.h"

namespace {

// Two goals, a byte move, a byte add in W and a chain: enough to build on.
const char *const BASE = R"(goal mem wbyte
rule mem_id
  goals mem
  op ID
  kind none
  text SN
rule w_mem
  goals wbyte
  chain mem
  result wreg
  kind xreg
  code
  | movf L,w
  text XN
rule store
  goals stmt
  op =
  left mem
  right wbyte
  kind none
  code
  | movwf L
)";

struct generated {
  run_result run;
  std::string header, tables;
};

generated generate(const std::string &description) {
  std::string dir = make_scratch_dir("patgen");
  write_file(dir + "/broken.pat", description);
  generated g;
  g.run = run_in(dir, std::string(PATGEN_PATH) + " --header goals.h --tables tables.cpp broken.pat");
  if (file_exists(dir + "/goals.h")) g.header = read_file(dir + "/goals.h");
  if (file_exists(dir + "/tables.cpp")) g.tables = read_file(dir + "/tables.cpp");
  return g;
}

TEST(Patgen, WritesTablesWithEveryRowNamingItsRule) {
  generated g = generate(BASE);
  ASSERT_EQ(g.run.status, 0) << g.run.err;
  EXPECT_NE(g.header.find("GOAL_MEM = 93,"), std::string::npos) << g.header;
  EXPECT_NE(g.header.find("GOAL_WBYTE = 94,"), std::string::npos);
  EXPECT_NE(g.tables.find("{\"store\", \"broken.pat:15\"}"), std::string::npos) << g.tables;
  // Each record and hash slot names its rule.
  EXPECT_NE(g.tables.find("\"movwf L\", nullptr, 0, {}, 0x6},  // 3 store broken.pat:15"), std::string::npos);
  EXPECT_NE(g.tables.find("// goal 92 \"=\": store"), std::string::npos);
}

// Two goals with the same candidates for "+" keep one list; a goal whose
// candidates are the tail of a longer list starts inside it.
TEST(Patgen, SharesEqualListsAndTails) {
  generated g = generate(std::string(BASE) + R"(goal twin tail
rule add_first
  goals stmt twin
  op +
  pred ISBYTE
  kind none
  text L
rule add_second
  goals stmt twin tail
  op +
  pred WORD
  kind none
  text L
rule add_third
  goals stmt twin tail
  op +
  kind none
  text L
rule twin_mem
  goals twin tail
  op ID
  kind none
  text SN
)");
  ASSERT_EQ(g.run.status, 0) << g.run.err;
  EXPECT_NE(g.tables.find("pattern_list_entries = 4;"), std::string::npos) << g.tables;
  EXPECT_NE(g.tables.find("t[1932] = {92, 21, 1};"), std::string::npos) << g.tables;  // stmt
  EXPECT_NE(g.tables.find("t[1995] = {95, 21, 1};"), std::string::npos);             // twin
  EXPECT_NE(g.tables.find("t[2016] = {96, 21, 2};"), std::string::npos);             // tail
}

// A description with `extra` appended to the base, refused at `line` with
// `message` among what the generator says.
struct refusal {
  const char *what;
  std::string extra;
  int line;
  const char *message;
};

std::string many_goals(int count) {
  std::string text = "goal";
  for (int k = 0; k < count; k++) text += " g" + std::to_string(k);
  return text + "\n";
}

// Goals c0 <- c1 <- ... <- c<depth>, each a chain of the one before.
std::string chain_of(int depth) {
  std::string text = "goal";
  for (int k = 0; k <= depth; k++) text += " c" + std::to_string(k);
  text += "\nrule c0_id\n  goals c0\n  op ID\n  kind none\n  text SN\n";
  for (int k = 1; k <= depth; k++)
    text += "rule c" + std::to_string(k) + "_up\n  goals c" + std::to_string(k) + "\n  chain c" +
            std::to_string(k - 1) + "\n  kind left\n  text L\n";
  return text;
}

// Goals 95 to 114 each with a rule for "!" fill the slots 95 to 114; goal
// 130 with "^" has its home at 9230 mod 9133 = 97 and probes past them all.
std::string crowded_hash() {
  std::string text;
  for (int k = 0; k < 36; k++) text += "goal h" + std::to_string(95 + k) + "\n";
  for (int k = 0; k < 36; k++) {
    std::string g = "h" + std::to_string(95 + k);
    bool crowd = k < 20, late = 95 + k == 130;
    if (!crowd && !late) {
      text += "rule r" + g + "\n  goals " + g + "\n  op CONST\n  kind none\n  text VN\n";
      continue;
    }
    text += "rule r" + g + "\n  goals " + g + "\n  op !\n  kind none\n  text L\n";
    if (late) text += "rule x" + g + "\n  goals " + g + "\n  op ^\n  kind none\n  text L\n";
  }
  return text;
}

TEST(Patgen, RefusesWithFileAndLine) {
  const int base_lines = 22;
  const int next = base_lines + 1;  // the first line of `extra`
  refusal cases[] = {
      {"unknown operator", "rule r\n  goals stmt\n  op ===\n  kind none\n", next + 2, "unknown operator \"===\""},
      {"unknown predicate", "rule r\n  goals stmt\n  op +\n  pred ISBYTE !NOSUCH\n  kind none\n", next + 3,
       "unknown predicate \"NOSUCH\""},
      {"unknown register", "rule r\n  goals wbyte\n  op CONST\n  result wreg9\n  kind xreg\n  text XN\n", next + 3,
       "\"wreg9\""},
      {"unknown clobber", "rule r\n  goals stmt\n  op +\n  clobber status,3\n  kind none\n", next + 3,
       "unknown register \"status,3\""},
      {"unknown mode", "rule r\n  goals stmt\n  op +\n  modes LFSRNOT\n  kind none\n", next + 3, "unknown mode"},
      {"unknown flag", "rule r\n  goals stmt\n  op +\n  flags callx\n  kind none\n", next + 3, "unknown flag"},
      {"unknown kind", "rule r\n  goals stmt\n  op +\n  kind somewhere\n", next + 3, "unknown result kind"},
      {"unknown field", "rule r\n  goals stmt\n  op +\n  colour red\n  kind none\n", next + 3, "unknown field"},
      {"unknown goal", "rule r\n  goals stmt\n  op +\n  left nowhere\n  kind none\n", next + 3,
       "unknown goal \"nowhere\""},
      {"unknown label", "rule r\n  goals stmt\n  op +\n  left @nowhere\n  kind none\n", next + 3, "unknown label"},
      {"goal with no rules", "goal idle\n", next, "goal \"idle\" has no rules"},
      {"goal used, never produced", "goal empty\nrule r\n  goals stmt\n  op +\n  left empty\n  kind none\n",
       next + 4, "goal \"empty\" is used but no rule produces it"},
      {"chain cycle", "rule w_back\n  goals mem\n  chain wbyte\n  kind left\n  text L\n", 7, "chain cycle"},
      {"code does not read", "rule r\n  goals stmt\n  op +\n  kind none\n  code\n  | movf L,w\n  | addwf Q,w\n",
       next + 6, "macro Q lacks an operand selector"},
      {"result text does not read", "rule r\n  goals wbyte\n  op CONST\n  kind none\n  text VN\n  text F+1\n",
       next + 5, "no macro F"},
      {"byte selection past its divisor", "rule r\n  goals stmt\n  op +\n  kind none\n  code\n  | movf ~2/2L,w\n",
       next + 5, "past its divisor"},
      {"named kind without a register", "rule r\n  goals wbyte\n  op CONST\n  kind named\n  text VN\n", next + 3,
       "naming a register"},
      {"xreg kind without a register", "rule r\n  goals wbyte\n  op CONST\n  kind xreg\n  text XN\n", next + 3,
       "without a result register"},
      {"left kind without a left goal", "rule r\n  goals wbyte\n  op CONST\n  kind left\n  text L\n", next + 3,
       "without a left goal"},
      {"value without a text", "rule r\n  goals wbyte\n  op CONST\n  kind none\n", next + 3, "needs a result text"},
      {"four texts", "rule r\n  goals wbyte\n  op CONST\n  kind none\n  text VN\n  text VN\n  text VN\n  text VN\n",
       next + 7, "more than 3 result texts"},
      {"rewrite with a value", "rule r\n  goals rewrite\n  op *\n  kind left\n", next + 3, "leaves no value"},
      {"never chosen",
       "rule any_store\n  goals stmt\n  op =\n  left mem\n  right mem\n  kind none\n"
       "rule byte_store\n  goals stmt\n  op =\n  pred ISBYTE\n  left mem\n  right mem\n  kind none\n",
       next + 6, "\"byte_store\" can never be chosen: \"any_store\""},
      {"rule named twice", "rule store\n  goals stmt\n  op +\n  kind none\n", next, "rule \"store\" given twice"},
      {"goal declared twice", "goal mem\n", next, "goal \"mem\" declared twice"},
      {"rewrite under another goal too", "rule r\n  goals rewrite stmt\n  op *\n  kind none\n", next,
       "rewrite goal only"},
      {"chain with operands", "rule r\n  goals wbyte\n  chain mem\n  left mem\n  kind left\n  text L\n", next,
       "matches no operands"},
      {"too many value goals", many_goals(249), next, "more value goals than"},
      {"chains deeper than 8 levels", chain_of(8), next + 6 + 5 * 7, "deeper than 8 levels"},
      {"probe too long", crowded_hash(), 0, "probes of the hash, more than 16"},
  };
  for (const refusal &c : cases) {
    generated g = generate(BASE + c.extra);
    EXPECT_NE(g.run.status, 0) << c.what;
    EXPECT_NE(g.run.err.find(c.message), std::string::npos) << c.what << ":\n" << g.run.err;
    if (c.line) {
      std::string place = "broken.pat:" + std::to_string(c.line) + ": ";
      EXPECT_NE(g.run.err.find(place), std::string::npos) << c.what << ": wanted " << place << "\n" << g.run.err;
    } else {
      EXPECT_NE(g.run.err.find("broken.pat:"), std::string::npos) << c.what << ":\n" << g.run.err;
    }
    EXPECT_TRUE(g.tables.empty()) << c.what << ": wrote tables";
  }
}

}  // namespace
