// Bank-select tracking: which bits of the bank-select register are known
// while code is generated, across the basic blocks of a function and across
// calls, so that the emitter writes a bank selection only when the state
// does not already prove the bank.
#pragma once
#include <cstdint>

struct func_ctx;
struct tree_node;

// Bit i of the bank-select value is known when bit i of `known` is set; it
// then has bit i of `value`. Bits outside `known` mean nothing.
struct bsr_state {
  uint32_t known;
  uint32_t value;
};

// What a function's callers rely on: the state every call enters with, the
// state it leaves, and the bits no path through it changes.
struct bsr_summary {
  bsr_state entry;
  bool entry_set;
  bsr_state exit;
  uint32_t preserved;
};

// The bank-select fields of one basic block.
struct bsr_block {
  bsr_state entry;
  bsr_state own;       // bits given known values inside the block, and those values
  uint32_t preserved;  // bits the block does not change
  bsr_state exit;
};

enum { BSR_SUMMARY_PASSES = 5 };

// The state of the code being generated; code selection and emission write
// it directly when they select or learn a bank.
extern bsr_state bsr_current;
// Bits the code generated so far may have changed.
extern uint32_t bsr_changed;

void bsr_forget(uint32_t mask);
// Code selected a bank: the bits of `mask` are now known to hold `value`.
void bsr_set_known(uint32_t mask, uint32_t value);
bool bsr_all_known(uint32_t mask);
uint32_t bsr_known_value(uint32_t mask);
// Bits known in both states with equal values stay known; the value is the first's.
bsr_state bsr_meet(bsr_state a, bsr_state b);
// The state after code that left `later` on top of `earlier`.
bsr_state bsr_combine(bsr_state earlier, bsr_state later);

// Around a call (a call node or CALLZAP): before it the current state joins
// the callee's entry state (only while the summaries are refined or the
// program is written); after it the state is what the callee leaves.
void bsr_call_entry(const tree_node *call);
void bsr_call_exit(const tree_node *call);

// A block's code is complete: its own effect and exit state from the
// current state; true when its exit state changed.
bool bsr_end_block(bsr_block *block);
// The function's blocks brought to a fixed point (its code generated again
// in tracking mode after each pass that changed something), then its summary.
void bsr_summarise(func_ctx *ctx);

// Whether the program's bank states reached their fixed point. Until one is
// reached again (`bsr_settle(true)`), summaries claim nothing: every block
// starts with no bank known and every call leaves none.
void bsr_settle(bool settled);

// Whether tracking was consulted at all (bank selection is refined only
// then), and whether a block's exit state changed in the current pass.
bool bsr_used();
bool bsr_pass_changed();
void bsr_clear_pass_changed();
// Forgets all module state (a fresh program).
void bsr_reset();
