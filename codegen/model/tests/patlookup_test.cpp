// Pattern candidate lookup against the stand-in's small hash.
#include <gtest/gtest.h>

#include "codegen/model/ops.h"
#include "codegen/model/patlookup.h"

namespace {

TEST(PatLookup, ProbesFromTheHomeSlot) {
  struct {
    uint32_t goal, op;
    int expected;
  } cases[] = {
      {100, OP_ADD, 7},     // in its home slot
      {105, OP_DEREF, -12}, // one slot on: shares the home slot
      {140, 15, 0},         // the same home, absent: stops at the empty slot
      {281, 65, 9},         // the probe wraps from the last slot to the first
      {93, OP_ADD, 0},      // an empty home slot
      {349, OP_ADD, -5},    // one named pattern with that operator
      {349, OP_MUL, 0},     // ... with another
      {350, OP_MUL, -6},    // a chain pattern fits any operator
      {344, 0, 0},          // pattern 0 is never a candidate
  };
  for (auto &c : cases) EXPECT_EQ(pat_lookup(c.goal, c.op), c.expected) << c.goal << "," << c.op;
}

}  // namespace
