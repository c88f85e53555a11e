// The compiled stack: blocks of functions that can be active together never
// overlap, and functions that cannot share addresses; sizes, bases and the
// equates of locals.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "codegen/model/callgraph.h"
#include "codegen/model/optim.h"
#include "codegen/model/stack.h"
#include "codegen/model/tests/standin_target.h"
#include "codegen/model/symbols.h"
#include "codegen/model/tests/model_support.h"
#include "codegen/model/tests/program_fixture.h"
#include "common/lists.h"
#include "common/vector.h"

namespace {

class StackTest : public testing::Test {
 protected:
  void SetUp() override {
    fresh_model();
    standin_reset();
    standin_steer() = standin_steering();
  }
};

uint32_t highest_level(const symbol *f) { return f->levels_called ? 31 - __builtin_clz(f->levels_called) : 0; }

// Both can be running at one time: one calls the other, or an interrupt
// level can break into the other's level. A function called from several
// levels has its block with its highest level's copy.
bool active_together(symbol *a, symbol *b) {
  return highest_level(a) != highest_level(b) || cg_reaches(a, b) || cg_reaches(b, a);
}

struct block {
  symbol *f;
  uint32_t lo, hi;
};

// Checks one laid-out program; the number of pairs that share addresses.
unsigned check_layout(const random_graph &g, unsigned seed) {
  std::vector<block> blocks;
  vec *functions = optim_functions();
  for (uint32_t k = 0; k < vec_size(functions); k++) {
    symbol *f = static_cast<symbol *>(vec_get(functions, k));
    if (!f->cg || !f->levels_called) continue;
    blocks.push_back({f, f->cg->base, f->cg->base + stack_block_size(f)});
  }
  // Every function a root reaches has its block.
  std::vector<bool> reached(g.functions);
  for (unsigned f = 0; f < g.functions; f++) reached[f] = f == 0 || g.interrupt_level[f];
  for (unsigned f = 0; f < g.functions; f++)
    if (reached[f])
      for (unsigned callee : g.calls[f]) reached[callee] = true;
  EXPECT_EQ(blocks.size(), size_t(std::count(reached.begin(), reached.end(), true))) << "seed " << seed;
  unsigned shared = 0;
  for (size_t i = 0; i < blocks.size(); i++)
    for (size_t j = i + 1; j < blocks.size(); j++) {
      const block &a = blocks[i], &b = blocks[j];
      bool overlap = a.lo < b.hi && b.lo < a.hi;
      if (active_together(a.f, b.f)) {
        EXPECT_FALSE(overlap) << "seed " << seed << ": " << a.f->name << " [" << a.lo << "," << a.hi << ") and "
                              << b.f->name << " [" << b.lo << "," << b.hi << ")";
      } else if (overlap) {
        shared++;
      }
    }
  // Each block starts right above the highest block of anything that calls
  // it (or at its level's start): nothing is pushed further than needed, so
  // blocks that cannot meet share addresses wherever they can.
  vec *groups = cg_level_groups();
  for (const block &b : blocks) {
    uint32_t expected = 0;
    for (uint32_t k = 0; k < vec_size(groups); k++) {
      level_group *group = static_cast<level_group *>(vec_get(groups, k));
      if (vec_find(group->roots, b.f) >= 0) expected = std::max(expected, group->stack_start);
    }
    for (const block &caller : blocks) {
      vec *edges = caller.f->cg->node->edges;
      for (uint32_t e = 0; e < vec_size(edges); e++) {
        dag_edge *edge = static_cast<dag_edge *>(vec_get(edges, e));
        if (cg_symbol(edge->target) == b.f) expected = std::max(expected, caller.hi);
      }
    }
    EXPECT_EQ(b.lo, expected) << "seed " << seed << ": " << b.f->name;
  }
  return shared;
}

TEST_F(StackTest, RandomCallGraphsKeepActiveBlocksApartAndShareTheRest) {
  unsigned shared = 0;
  for (unsigned seed = 1; seed <= 300; seed++) {
    fresh_model();
    standin_reset();
    random_graph g = random_program(seed, 2 + seed % 14, seed % 3);
    program_read(g.text.c_str());
    int status = -1;
    program_run(&status);
    ASSERT_EQ(status, 0) << g.text;
    shared += check_layout(g, seed);
    if (HasFailure()) {
      ADD_FAILURE() << g.text;
      break;
    }
  }
  EXPECT_GT(shared, 0u) << "no two blocks ever shared addresses";
}

}  // namespace
