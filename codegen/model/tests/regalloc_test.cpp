// Register allocation of a function's variables: basic blocks and their
// edges, unreachable and duplicated code, liveness, reads before
// assignment, dropped stores, and registers given to variables.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "codegen/model/callgraph.h"
#include "codegen/model/iset.h"
#include "codegen/model/optim.h"
#include "codegen/model/regalloc.h"
#include "codegen/model/regs.h"
#include "codegen/model/tests/standin_target.h"
#include "codegen/model/symbols.h"
#include "codegen/model/tests/model_support.h"
#include "codegen/model/tests/program_fixture.h"
#include "codegen/model/tree.h"
#include "common/vector.h"

namespace {

class RegallocTest : public testing::Test {
 protected:
  void SetUp() override {
    fresh_model();
    standin_reset();
    standin_steer() = standin_steering();
    ra_set_tracking_comments(false);
  }
};

std::string indices(const vec *v) {
  std::string out;
  for (uint32_t k = 0; k < vec_size(v); k++) out += (k ? "," : "") + std::to_string(uintptr_t(vec_get(v, k)));
  return out;
}

// The blocks of a function: each with its statements' operators, its
// predecessors and its successors.
std::string blocks_of(const char *function) {
  ra_function *ra = program_symbol(function)->ctx->alloc;
  std::string out;
  for (uint32_t k = 0; k < vec_size(ra->blocks); k++) {
    ra_block *b = static_cast<ra_block *>(vec_get(ra->blocks, k));
    if (b->removed) continue;
    out += std::to_string(k) + ":";
    for (uint32_t s = 0; s < vec_size(b->statements); s++)
      out += std::string(" ") + lextab[static_cast<tree_node *>(vec_get(b->statements, s))->op];
    out += " <" + indices(b->preds) + "> >" + indices(b->succs) + "\n";
  }
  return out;
}

// The record of a variable in a block.
const ra_record *record_of(const char *function, uint32_t block, const char *variable) {
  ra_function *ra = program_symbol(function)->ctx->alloc;
  ra_block *b = static_cast<ra_block *>(vec_get(ra->blocks, block));
  for (uint32_t v = 0; v < vec_size(ra->vars); v++)
    if (std::string(b->records[v].sym->name) == variable) return &b->records[v];
  return nullptr;
}

const char *const BRANCHES = R"(
[v _sink `Vi 1 e ]
[v _f `(v 1 e ]
{
[v _x `i 1 a ]
[v _y `i 1 a ]
[e :U _f ]
[e = _x -> 1 `i ]
[e $ _sink 5 ]
[e = _y _x ]
[e $U 6 ]
[e = _sink -> 9 `i ]
[e :U 5 ]
[e = _y -> 2 `i ]
[e :U 6 ]
[e = _sink _y ]
[e :U 7 ]
[e = _sink -> 1 `i ]
[e $ _sink 7 ]
[e :UE 1 ]
}
[v _main `(v 1 e ]
{
[e :U _main ]
[e ( _f .. ]
[e :UE 2 ]
}
)";

// Labels begin blocks and jumps end them; the statement after a jump that no
// label reaches goes; a loop block is its own predecessor.
TEST_F(RegallocTest, BlocksFollowLabelsAndJumps) {
  program_read(BRANCHES);
  program_run();
  EXPECT_EQ(blocks_of("_f"),
            "0: :U = $ <> >1,3\n"
            "1: = $U <0> >4\n"
            "3: :U = <0> >4\n"
            "4: :U = <1,3> >5\n"
            "5: :U = $ <4,5> >5,6\n"
            "6: :UE <5> >\n");
}

// A variable is live where a later block reads it before assigning it.
TEST_F(RegallocTest, LivenessFollowsTheEdges) {
  program_read(BRANCHES);
  program_run();
  struct live_case {
    const char *variable;
    uint32_t block;
    bool in, out;
  };
  const live_case cases[] = {{"f@x", 0, false, true}, {"f@x", 1, true, false}, {"f@x", 3, false, false},
                             {"f@y", 0, false, false}, {"f@y", 1, false, true}, {"f@y", 3, false, true},
                             {"f@y", 4, true, false}};
  for (const live_case &c : cases) {
    const ra_record *r = record_of("_f", c.block, c.variable);
    ASSERT_NE(r, nullptr) << c.variable;
    EXPECT_EQ(r->live_in, c.in) << c.variable << " entering block " << c.block;
    EXPECT_EQ(r->live_out, c.out) << c.variable << " leaving block " << c.block;
  }
}

// Two blocks of the same code ending in the same jump: the later one's
// labels are defined at the earlier one, and the later one goes.
TEST_F(RegallocTest, DuplicatedTailsShareOneBlock) {
  program_read(R"(
[v _sink `Vi 1 e ]
[v _f `(v 1 e ]
{
[e :U _f ]
[e $ _sink 5 ]
[e :U 4 ]
[e = _sink -> 1 `i ]
[e $U 9 ]
[e :U 5 ]
[e = _sink -> 1 `i ]
[e $U 9 ]
[e :U 9 ]
[e :UE 1 ]
}
[v _main `(v 1 e ]
{
[e :U _main ]
[e $ _sink 4 ]
[e ( _f .. ]
[e :U 4 ]
[e :UE 2 ]
}
)");
  program_run();
  EXPECT_EQ(blocks_of("_f"),
            "0: :U $ <> >1\n"
            "1: :U :U = $U <0> >3\n"
            "3: :U <1> >4\n"
            "4: :UE <3> >\n");
}

// An automatic variable that some path reads before any assignment is
// reported once, at the read; a struct filled member by member is not.
TEST_F(RegallocTest, ReadsBeforeAssignmentAreReportedOnce) {
  program_read(R"(
[v _sink `Vi 1 e ]
[s S1 `i 1 `i 1 ]
[v _f `(v 1 e ]
{
[v _x `i 1 a ]
[v _s `S1 1 a ]
[e :U _f ]
[e $ _sink 5 ]
[e = _x -> 1 `i ]
"42 uninit.c
[e :U 5 ]
[e = _sink _x ]
[e = _sink _x ]
[e = . _s 0 -> 1 `i ]
[e = . _s 1 -> 2 `i ]
[e = _sink + . _s 0 . _s 1 ]
[e :UE 1 ]
}
[v _main `(v 1 e ]
{
[e :U _main ]
[e ( _f .. ]
[e :UE 2 ]
}
)");
  program_run();
  ASSERT_EQ(captured_numbers(), std::vector<unsigned>{748});
  EXPECT_NE(captured_lines()[0].find("uninit.c: 42"), std::string::npos) << captured_lines()[0];
  EXPECT_NE(captured_lines()[0].find("\"x\""), std::string::npos) << captured_lines()[0];
}

// A store whose value nothing reads keeps only the effects of its value.
TEST_F(RegallocTest, StoresNothingReadsAreDropped) {
  program_read(R"(
[v _sink `Vi 1 e ]
[v _f `(v 1 e ]
{
[v _x `i 1 a ]
[e :U _f ]
[e = _x -> 1 `i ]
[e :U 5 ]
[e = _x -> 2 `i ]
[e = _sink _x ]
[e :UE 1 ]
}
[v _main `(v 1 e ]
{
[e :U _main ]
[e ( _f .. ]
[e :UE 2 ]
}
)");
  program_run();
  EXPECT_EQ(blocks_of("_f"), "0: :U <> >1\n1: :U = = <0> >2\n2: :UE <1> >\n");
}

// Candidates: autos, and statics that only this function uses; not a static
// two functions use, nor an auto whose address is taken.
TEST_F(RegallocTest, CandidatesAreVariablesOnlyThisFunctionSees) {
  program_read(R"(
[v _sink `Vi 1 e ]
[v _mine `i 1 s ]
[v _shared `i 1 s ]
[v _p `*i 1 e ]
[v _g `(v 0 e ]
[v _f `(v 1 e ]
{
[v _a `i 1 a ]
[v _t `i 1 a ]
[e :U _f ]
[e = _a -> 1 `i ]
[e = _p &U _t ]
[e = *U _p -> 2 `i ]
[e = _mine + _mine _a ]
[e = _shared + _shared _t ]
[e = _sink + _mine _shared ]
[e :UE 1 ]
}
[v _g `(v 1 e ]
{
[e :U _g ]
[e = _sink _shared ]
[e :UE 2 ]
}
[v _main `(v 1 e ]
{
[e :U _main ]
[e ( _f .. ]
[e ( _g .. ]
[e :UE 3 ]
}
)");
  program_run();
  for (const char *name : {"f@a", "_mine"}) EXPECT_NE(record_of("_f", 0, name), nullptr) << name;
  for (const char *name : {"f@t", "_shared"}) EXPECT_EQ(record_of("_f", 0, name), nullptr) << name;
}

// A variable kept in a register in every block gets no equate; a function
// called from an interrupt level keeps all its variables in memory.
TEST_F(RegallocTest, VariablesKeptInRegistersNeedNoMemory) {
  program_read(R"(
[v _sink `Vc 1 e ]
[v _f `(v 0 e ]
[v _f `(v 1 e ]
{
[v _x `c 1 a ]
[e :U _f ]
[e = _x -> 1 `c ]
[e = _sink _x ]
[e :UE 1 ]
}
[v _h `(v 0 e ]
[v _h `(v 1 e ]
{
[v _y `c 1 a ]
[e :U _h ]
[e = _y -> 1 `c ]
[e = _sink _y ]
[e :UE 2 ]
}
[v _isr `I(v 1 e ]
{
[e :U _isr ]
[e ( _h .. ]
[e :UE 3 ]
}
[v _main `(v 1 e ]
{
[e :U _main ]
[e ( _f .. ]
[e :UE 4 ]
}
)");
  standin_steer().reg_class = [](symbol *, iset *set) { return iset_member(set, REG_PRODL) ? uint32_t(REG_PRODL) : 0u; };
  ra_set_tracking_comments(true);
  std::string out = program_run();
  EXPECT_EQ(lines_starting(out, {"; f@x allocated", "f@x", "h@y"}),
            (std::vector<std::string>{"h@y\tequ\t??_h+0", "; f@x allocated to prodl"}));
}

// A static that its one user bumps and reads once needs a load and a store
// around those references: the register would cost more than it saves.
TEST_F(RegallocTest, AWebThatCostsMoreThanItSavesStaysInMemory) {
  program_read(R"(
[v _sink `Vc 1 e ]
[v _count `c 1 s ]
[v _f `(v 0 e ]
[v _f `(v 1 e ]
{
[v _x `c 1 a ]
[e :U _f ]
[e =+ _count -> 1 `c ]
[e = _sink _count ]
[e = _x _sink ]
[e = _sink + _x _x ]
[e :UE 1 ]
}
[v _main `(v 1 e ]
{
[e :U _main ]
[e ( _f .. ]
[e :UE 2 ]
}
)");
  standin_steer().reg_class = [](symbol *, iset *set) { return iset_member(set, REG_PRODL) ? uint32_t(REG_PRODL) : 0u; };
  ra_set_tracking_comments(true);
  std::string out = program_run();
  EXPECT_EQ(lines_starting(out, {"; _count allocated", "; f@x allocated"}),
            (std::vector<std::string>{"; f@x allocated to prodl"}));
}

}  // namespace
