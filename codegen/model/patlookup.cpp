#include "codegen/model/patlookup.h"

#include "codegen/model/target_services.h"

int pat_lookup(uint32_t goal, uint32_t op) {
  if (goal >= GOAL_ONE_PATTERN) {
    uint32_t k = goal - GOAL_ONE_PATTERN;
    uint32_t pattern_op = pattern_operator(k);
    return pattern_op > PATTERN_ANY_OPERATOR_ABOVE || pattern_op == op ? -int(k) : 0;
  }
  uint32_t slot = (goal * op) % PATTERN_HASH_SLOTS;
  // A full table without the pair must not probe forever.
  for (uint32_t probes = 0; probes < PATTERN_HASH_SLOTS; probes++) {
    const pattern_hash_slot &s = pattern_hash[slot];
    if (s.list == 0) return 0;
    if (uint32_t(s.goal) == goal && uint32_t(s.op) == op) return s.list;
    slot = slot + 1 == PATTERN_HASH_SLOTS ? 0 : slot + 1;
  }
  return 0;
}
