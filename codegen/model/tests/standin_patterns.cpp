// The stand-in's pattern data for the model's tests: a small candidate hash
// and two pattern operators that the lookup tests probe.
#include <array>

#include "codegen/model/ops.h"
#include "codegen/model/target_services.h"

namespace {

// A small candidate hash: two pairs that share a home slot, and a pair whose
// probe runs off the last slot and wraps to the first.
constexpr std::array<pattern_hash_slot, PATTERN_HASH_SLOTS> make_hash() {
  std::array<pattern_hash_slot, PATTERN_HASH_SLOTS> t{};
  t[2100] = {100, 21, 7};
  t[2101] = {105, 20, -12};
  t[9132] = {281, 64, 3};
  t[0] = {281, 65, 9};
  return t;
}
constexpr std::array<pattern_hash_slot, PATTERN_HASH_SLOTS> TEST_HASH = make_hash();

}  // namespace

const pattern_hash_slot *const pattern_hash = TEST_HASH.data();

uint32_t pattern_operator(uint32_t pattern) {
  switch (pattern) {
    case 5: return OP_ADD;
    case 6: return 200;  // a chain pattern: any operator
  }
  return 0;
}

