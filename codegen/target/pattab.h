// The pattern table: constant records, candidate lists and the rule each
// record came from, generated at build time from patterns/*.pat (see
// patterns/README.md). The hash that finds a (goal, operator) pair's list is
// pattern_hash (target_services.h); pat_lookup reads it.
#pragma once
#include <cstdint>

// Result kinds (low three bits of the flags word).
enum : uint32_t {
  PK_NAMED0 = 0,  // the register the result texts name
  PK_LEFT = 1,
  PK_RIGHT = 2,
  PK_XREG = 3,
  PK_NAMED = 4,
  PK_OWN = 5,     // the register the node itself names
  PK_NONE = 6,
  PK_INVALID = 7,
  PK_MASK = 7,
};

// Flag bits above the result kind.
enum : uint32_t {
  PF_SHARE_WANTED = 0x8,
  PF_CALL = 0x10,
  PF_LEFT_USES_XY = 0x20,
  PF_RIGHT_USES_XY = 0x40,
  PF_KEEP_Y = 0x80,
  PF_TEXT_REGS_USED = 0x100,
  PF_LEFT_INTO_WANTED = 0x200,
  PF_RIGHT_INTO_WANTED = 0x400,
  PF_LEFT_RESULT_USED = 0x800,
  PF_RIGHT_RESULT_USED = 0x1000,
  PF_XREG_USED = 0x2000,
  PF_OWN_USED = 0x4000,
};

// The largest value goal; goals from GOAL_ONE_PATTERN up name one pattern.
enum : uint32_t { GOAL_VALUE_FIRST = 93, GOAL_VALUE_LAST = 343, GOAL_REWRITE_NUMBER = 197 };

struct pattern {
  uint32_t modes;       // mode_word bits that must all be set
  uint32_t pred1;       // predicate number, PRED_NEGATE for "not"; 0 none
  uint32_t pred2;
  uint32_t left_reg;    // register, class or TEMP the left operand goes to
  uint32_t right_reg;
  uint32_t result_reg;  // the X register
  uint32_t second_reg;  // the Y register
  uint32_t clobber;     // register mask the code destroys
  uint32_t op;          // operator 1-91, or a goal for a chain pattern
  uint32_t left_goal;   // 0: the left operand is not matched
  uint32_t right_goal;
  const char *code;     // null: no code
  const char *trail;
  uint32_t text_count;  // 0 to 3
  union {
    const char *one;            // text_count 1
    const char *const *many;    // text_count 2 or 3
  } texts;
  uint32_t flags;       // result kind and PF_ bits
};

// Records 0 (never a candidate) to pattern_count - 1.
extern const pattern pattern_table[];
extern const uint32_t pattern_count;
// Candidate lists: a list runs from its index to its first negative entry,
// the negated last pattern.
extern const int16_t pattern_lists[];
extern const uint32_t pattern_list_entries;

struct pattern_rule {
  const char *name;
  const char *place;  // "file.pat:line"
};
extern const pattern_rule pattern_rules[];

// Result text i of a record: empty with no texts, the last text past the count.
const char *pat_result_text(uint32_t pattern, uint32_t i);
// The rule a record came from, for reports of what selection chose.
const pattern_rule &pattern_rule_of(uint32_t pattern);
