// Finding the candidate patterns of a (goal, operator) pair in the pattern
// hash that code selection walks for every node.
#pragma once
#include <cstdint>

enum : uint32_t { GOAL_ONE_PATTERN = 344 };

// A candidate-list index (positive), one pattern (negated number) or 0.
int pat_lookup(uint32_t goal, uint32_t op);
