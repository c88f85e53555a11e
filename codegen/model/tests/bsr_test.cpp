// Bank-select tracking: meeting and combining states, calls through the
// callees' summaries, and the summaries of functions over their blocks.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "codegen/model/bsr.h"
#include "codegen/model/callgraph.h"
#include "codegen/model/optim.h"
#include "codegen/model/tests/standin_target.h"
#include "codegen/model/symbols.h"
#include "codegen/model/tests/model_support.h"
#include "codegen/model/tests/program_fixture.h"
#include "codegen/model/tree.h"

namespace {

class BsrTest : public testing::Test {
 protected:
  void SetUp() override {
    fresh_model();
    standin_reset();
    standin_steer() = standin_steering();
  }
};

TEST_F(BsrTest, MeetKeepsAgreedBitsAndCombineAddsWhatTheLaterStateKnows) {
  struct state_case {
    bsr_state a, b, meet, combine;
  };
  const state_case cases[] = {
      // Known in both with one value differing: that bit is lost.
      {{0xF, 0x2}, {0xF, 0x3}, {0xE, 0x2}, {0xF, 0x2}},
      {{0xF, 0x1}, {0x3, 0x1}, {0x3, 0x1}, {0xF, 0x1}},
      // Disjoint knowledge: nothing in common, everything together.
      {{0x3, 0x1}, {0xC, 0x8}, {0x0, 0x1}, {0xF, 0x9}},
      {{0x0, 0x0}, {0xF, 0x5}, {0x0, 0x0}, {0xF, 0x5}},
  };
  for (const state_case &c : cases) {
    bsr_state m = bsr_meet(c.a, c.b), k = bsr_combine(c.a, c.b);
    EXPECT_EQ(m.known, c.meet.known) << std::hex << c.a.known << "/" << c.a.value << " meet " << c.b.known;
    EXPECT_EQ(m.value & m.known, c.meet.value & c.meet.known);
    EXPECT_EQ(k.known, c.combine.known);
    EXPECT_EQ(k.value & k.known, c.combine.value & c.combine.known);
  }
}

// A call leaves known what the callee preserves and what it leaves known.
TEST_F(BsrTest, ACallKeepsOnlyWhatTheCalleePreservesOrLeavesKnown) {
  program_read("[v _f `(v 0 e ] [v _g `(v 0 e ]");
  symbol *f = program_symbol("_f");
  cg_record(f)->bank = {{0, 0}, false, {0x3, 0x2}, 0};
  tree_node *call = read_expression("( _f ..");
  bsr_current = {0xF, 0x5};
  bsr_changed = 0;
  bsr_call_exit(call);
  EXPECT_EQ(bsr_current.known, 0x3u) << "a preserved mask of 0 leaves only the callee's exit bits";
  EXPECT_EQ(bsr_known_value(0xF), 0x2u);
  EXPECT_EQ(bsr_changed, ~0u);
  // A callee that keeps the high bits and sets bit 0.
  f->cg->bank = {{0, 0}, false, {0x1, 0x1}, 0xE};
  bsr_current = {0xF, 0x4};
  bsr_call_exit(call);
  EXPECT_EQ(bsr_current.known, 0xFu);
  EXPECT_EQ(bsr_known_value(0xF), 0x5u);
  tree_free(call);
}

// The output of one program: the bank each marked function is known to be
// in after its call, seen by the statement written right after it.
struct after_calls {
  std::vector<std::string> seen;
};

// A store to _bsr stands for code that selects that bank; a store to
// _probe for code that looks at the tracked state.
const char *const SELECTORS = R"(
[v _one `(v 0 e ]
[v _inner `(v 0 e ]
[v _either `(v 0 e ]
[v _loop `(v 0 e ]
[v _sink `Vi 1 e ]
[v _bsr `Vi 1 e ]
[v _probe `Vi 1 e ]
[v _one `(v 1 e ]
{
[e :U _one ]
[e = _bsr -> 1 `i ]
[e ( _inner .. ]
[e = _bsr -> 1 `i ]
[e :UE 1 ]
}
[v _inner `(v 1 e ]
{
[e :U _inner ]
[e = _sink -> 0 `i ]
[e :UE 8 ]
}
[v _either `(v 1 e ]
{
[e :U _either ]
[e $ _sink 5 ]
[e = _bsr -> 1 `i ]
[e $U 6 ]
[e :U 5 ]
[e = _bsr -> 2 `i ]
[e :U 6 ]
[e :UE 2 ]
}
[v _loop `(v 1 e ]
{
[e :U _loop ]
[e :U 7 ]
[e = _bsr -> 3 `i ]
[e $ _sink 7 ]
[e :UE 3 ]
}
[v _main `(v 1 e ]
{
[e :U _main ]
[e = _bsr -> 4 `i ]
[e ( _inner .. ]
[e ( _one .. ]
[e = _probe -> 1 `i ]
[e ( _either .. ]
[e = _probe -> 2 `i ]
[e ( _loop .. ]
[e = _probe -> 3 `i ]
[e :UE 4 ]
}
)";

TEST_F(BsrTest, SummariesCarryTheBankAFunctionLeavesToItsCallers) {
  program_read(SELECTORS);
  static after_calls probes;
  probes.seen.clear();
  standin_steer().statement = [](tree_node *t) {
    if (t->op != OP_ASSIGN || t->left->op != OP_ID || t->right->op != OP_CONST) return;
    std::string target = t->left->sym->name;
    if (target == "_bsr") bsr_set_known(0xF, uint32_t(t->right->value));
    if (target != "_probe" || optim_phase() != PHASE_OUTPUT) return;
    static const char *const names[] = {"", "one", "either", "loop"};
    probes.seen.push_back(std::string(names[t->right->value]) + ":" + std::to_string(bsr_current.known & 0xF) +
                          "/" + std::to_string(bsr_known_value(0xF)));
  };
  program_run();
  // Every path of _one selects bank 1; _either selects 1 or 2, which agree
  // on bits 2 and 3 (both clear); the loop settles on bank 3.
  EXPECT_EQ(probes.seen, (std::vector<std::string>{"one:15/1", "either:12/0", "loop:15/3"}));
  for (const char *name : {"_one", "_either", "_loop"})
    EXPECT_EQ(program_symbol(name)->cg->bank.preserved & 0xF, 0u) << name;
  // _inner is entered in bank 4 from _main and in bank 1 from _one: the
  // bits those agree on are known at its entry; it changes none.
  const bsr_summary &inner = program_symbol("_inner")->cg->bank;
  EXPECT_TRUE(inner.entry_set);
  EXPECT_EQ(inner.entry.known & 0xF, 0xAu);
  EXPECT_EQ(inner.entry.value & inner.entry.known & 0xF, 0u);
  EXPECT_EQ(inner.preserved, ~0u);
}

}  // namespace
