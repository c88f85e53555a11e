// The compiled stack: every non-reentrant function keeps its parameters in
// an area "?" + level name and its autos and temporaries in "??" + level
// name. Blocks of functions that can never be active together share
// addresses. This module sizes the blocks, gives each function its base,
// lays out and equates the locals, and writes each function with its
// FNSIZE, FNBREAK and signat lines.
#pragma once
#include <cstdint>

struct symbol;
struct vec;

// autos + temporaries + template extra + save bytes: the "??" area.
uint32_t stack_autos_part(const symbol *f);
// The parameter area holds what calls bind beyond the declared parameters
// and a value of two to four bytes returned through it.
void stack_widen_param_area(symbol *f);
// The whole block: the "??" area and the parameters.
uint32_t stack_block_size(const symbol *f);

// Sizes one function (its autos and a silent run of its code) or pointer node.
void size_function(symbol *f);
// The bases of all functions of all levels; the program's compiled-stack size.
void compute_stack_bases();
uint32_t stack_size();
// A compiled stack that no one bank holds: every block gets an address from
// `origin` (a block of a bank or less within one bank), per level; the
// result is the bytes the blocks span. Until `stack_unpin`, the addresses
// stay as laid out here, so that the code chosen for them holds.
uint32_t stack_pin_blocks(uint32_t origin);
void stack_unpin();
// The last layout is the one placed; `stack_pins_settled` compares with it.
void stack_accept_pins();
// A new program: no block keeps the size an earlier layout gave it.
void stack_forget_pins();
bool stack_pinned();
// False while the last layout of the blocks differs from the one before:
// code sized against the old addresses is sized again.
bool stack_pins_settled();
// True when a block grew past its pinned size since it was laid out (the
// final code needs more temporaries than its sizing did); its next layout
// gives it what it has now.
bool stack_pins_outgrown();
constexpr uint32_t STACK_NOT_PINNED = ~0u;
// The address of f's block ("?" area first, then "??") at the current level.
uint32_t stack_block_address(const symbol *f);
// Offsets and equates of one function's locals at the current level (once per level).
void layout_locals(symbol *f);
// The offsets alone, which bank selection needs before the output lays them out.
void stack_place_locals(symbol *f);
// The output of one function at the current level.
void write_function(symbol *f);

// Sorts locals: by scope level, declaration line, size, use count, then name.
void stack_sort_locals(vec *locals);
