// The C corpus: small programs under tests/c, one area of C each, compiled
// by tovra18 for an 18F452 and run in gpsim. The same program built by the
// host's C compiler, stopped by a timer in its final loop, gives the values
// its volatile objects must hold: both runs must agree byte for byte.
// Programs keep to what both compilers read alike: int as the target's 16
// bits (the host build renames it short), long as its 32 bits (the host
// build reads it as a type of 32 bits), main declared void. A program of
// what the host does not have (bit objects, a chip's registers) gives the
// values its objects must hold instead. A program may be built again with
// options of tovra18's and the host defines that say so.
#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "tests/e2e.h"

namespace {

struct object {
  const char *name;  // as in C
  unsigned size;     // bytes
};

struct corpus_case {
  const char *file;  // under tests/c; a program of several files names them all, main's first
  unsigned cycles;   // enough for the program to reach its final loop
  std::vector<object> objects;
  const char *chip = "18F452";
  std::vector<unsigned> expected = {};  // the objects' bytes, when the host cannot build the program
  const char *options = "";             // tovra18's, for a build of its own
  const char *host_defines = "";        // the host build's, to match it
  const char *sim = nullptr;            // the chip gpsim runs it as; null: the chip built for
};

const std::vector<object> float_results = {{"hash", 24}, {"fr", 102}, {"dr", 24}, {"cmp", 6},
                                           {"ints", 40}, {"small", 4}, {"out", 120}};

const std::vector<object> const_results = {{"ri", 48}, {"rl", 12}, {"rb", 8}};
const std::vector<object> value_results = {{"ri", 20}, {"rl", 8}, {"rb", 12}, {"rs", 14}, {"rt", 20}};
const std::vector<unsigned> typename_values = {2, 0, 2, 0, 3, 0, 9, 0, 2, 0, 4, 0, 2, 0, 0, 0, 10, 0, 21, 0, 5, 0, 27, 0};
const std::vector<object> library_results = {{"lens", 24},  {"ends", 10},  {"errs", 10}, {"signs", 10},
                                             {"small", 20}, {"counts", 8}, {"out", 112}};

// What C gives library.c (the host's headers cannot be read with a 16-bit
// int): each value as the program's objects hold it.
std::vector<unsigned> library_values() {
  std::vector<unsigned> v = {2, 1, 0, 0, 0, 4, 3, 2, 1, 0, 1, 0, 0, 0, 0,  // strlen into grid
                             4, 3, 2, 1, 0, 1,                             // into rom_grid
                             5, 4, 3};                                     // wide and grid + 1
  for (unsigned end : {5, 5, 4, 3, 1, 20, 21, 21, 5, 2}) v.push_back(end);
  for (unsigned err : {0, 0, 0, 0, 0, 34, 34, 34, 0, 0}) v.push_back(err);  // ERANGE on overflow
  for (unsigned sign : {1, 2, 1, 1, 1, 1, 2, 1, 1, 0}) v.push_back(sign);
  for (unsigned small : {12345u, 0xFFB3u, 0x1Fu, 077u, 35u, 0xFFFFu, 0u, 0xFFFFu, 32767u, 0u}) {
    v.push_back(small & 0xFF);
    v.push_back(small >> 8);
  }
  for (unsigned count : {9, 16, 17, 11, 19, 16, 102, 0}) v.push_back(count);
  std::string out = "+5| 6|-7|0xff|010|BEEF|0|ab|    42|43    |  007||%|Q|65535|-32767|-0012|     abc|x  |xy|"
                    "0,111,222,333,";
  out.resize(112, '\0');
  for (char c : out) v.push_back(uint8_t(c));
  return v;
}
const std::vector<object> cover_results = {{"rb", 32}, {"rw", 40}, {"rl", 52}, {"rc", 6}};
const std::vector<object> bigrom_results = {{"r", 8}, {"cmp", 8}, {"calls", 16}, {"text", 8}, {"words", 8}, {"steps", 5}, {"more", 12}};

const corpus_case corpus[] = {
    {"fib.c", 5000, {{"fib", 12}}},
    {"compare.c", 20000,
     {{"eq", 1}, {"ne", 1}, {"lt", 1}, {"le", 1}, {"gt", 1}, {"ge", 1}, {"slt", 1}, {"sle", 1}, {"sgt", 1},
      {"sge", 1}, {"sgt5", 1}, {"uge128", 1}, {"truth", 6}}},
    {"ops.c", 5000,
     {{"r_sub", 1}, {"r_and", 1}, {"r_or", 1}, {"r_xor", 1}, {"r_not", 1}, {"r_shl", 1}, {"r_shr", 1},
      {"r_neg", 1}, {"r_sar", 1}, {"c_and", 1}, {"c_or", 1}, {"c_not", 1}, {"c_mix", 1}}},
    {"words.c", 5000, {{"usum", 2}, {"udiff", 2}, {"ucount", 2}, {"ssum", 2}, {"sdiff", 2}, {"scount", 2}}},
    {"ptr.c", 5000, {{"dst", 6}, {"total", 1}}},
    {"calls.c", 5000, {{"b1", 1}, {"b2", 1}, {"b3", 1}, {"b4", 1}, {"steps", 1}, {"wr", 4}, {"first", 2}, {"sg", 4}}},
    {"args.c", 40000, {{"r1", 1}, {"r2", 1}, {"r3", 1}, {"w1", 2}, {"w2", 2}, {"w3", 2}, {"w4", 2}}},
    {"shifts.c", 20000, {{"w", 20}, {"s", 10}, {"b", 4}, {"bc", 6}, {"pw", 6}}},
    {"muldiv.c", 100000, {{"w", 8}, {"s", 8}, {"b", 4}, {"c", 2}, {"p", 4}, {"q", 8}}},
    // Every pair of bytes and a few thousand wider pairs: about two seconds
    // of gpsim.
    {"arith_exact.c", 150000000, {{"h8", 12}, {"h16", 20}, {"h24", 20}, {"h32", 20}, {"zero", 40}}},
    {"rom.c", 20000,
     {{"s", 1}, {"t", 1}, {"kk", 1}, {"ws", 2}, {"wb", 2}, {"wp", 2}, {"len_rom", 1}, {"len_ram", 1}}},
    {"romstep.c", 20000, {{"r", 12}, {"b", 3}}},
    {"romstep.c", 20000, {{"r", 12}, {"b", 3}}, "18F4620"},
    {"pointers.c", 50000, {{"r1", 2}, {"r2", 2}, {"r3", 1}, {"r4", 1}, {"r5", 1}}},
    {"fsr.c", 20000, {{"r", 1}, {"r2", 1}, {"r3", 1}}},
    {"globals.c", 20000, {{"r_gu8_0", 1}, {"r_gu8_1", 1}}},
    {"compound.c", 100000, {{"b", 6}, {"w", 8}}},
    {"longs.c", 40000, {{"r", 48}, {"s", 24}, {"b", 4}, {"w", 4}, {"m", 16}, {"p", 16}}},
    {"structs.c", 40000, {{"r8", 8}, {"r16", 4}, {"rl", 4}}},
    {"floats.c", 20000000, float_results},
    {"floats.c", 20000000, float_results, "18F452", {}, "--double=32", "-DDOUBLE32"},
    {"joins.c", 200000, {{"r_trace", 1}}, "18F452", {}, "--double=32", "-DDOUBLE32"},
    {"bitfields.c", 40000, {{"s", 4}, {"r", 20}}},
    {"bits.c", 20000,
     {{"r", 28}, {"seen_ram", 1}, {"seen_banked", 1}, {"seen_lat", 1}},
     "18F452",
     {1, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0, 0, 0, 0, 1, 1, 1, 21, 5, 2, 2, 1, 5, 1, 1, 0, 1, 1, 0x08, 0x0D, 0x81}},
    // A three-byte integer made a bit, a volatile bit's ^= &= |= read, pointers
    // stepped in the array elements that hold them: on two chips.
    {"closure.c", 40000, {{"r", 18}, {"w", 12}}, "18F452",
     {1, 0, 1, 7, 1, 0, 0, 0, 1, 1, 7, 7, 60, 60, 0, 0, 1, 1, 177, 0, 177, 0, 255, 0, 22, 0, 22, 0, 22, 0}},
    {"closure.c", 40000, {{"r", 18}, {"w", 12}}, "18F4620",
     {1, 0, 1, 7, 1, 0, 0, 0, 1, 1, 7, 7, 60, 60, 0, 0, 1, 1, 177, 0, 177, 0, 255, 0, 22, 0, 22, 0, 22, 0}},
    // Signs of bit objects, on two chips.
    {"bitsigns.c", 50000, {{"r", 16}}, "18F452", {255, 255, 255, 255, 1, 0, 5, 0, 255, 255, 1, 0, 0, 0, 254, 255}},
    {"bitsigns.c", 50000, {{"r", 16}}, "18F4620", {255, 255, 255, 255, 1, 0, 5, 0, 255, 255, 1, 0, 0, 0, 254, 255}},
    // Cycles of __delay(1, 2, 5, 6, 7, 100, 1792, 1793, 50000, 0x30300,
    // 0x30300 + 1000) modulo 65536, then of __delay3(1) with loading W, and
    // of __delay3(10) and __delay3(0) past that.
    {"delay.c", 600000,
     {{"cycles", 28}},
     "18F452",
     {1, 0, 2, 0, 5, 0, 6, 0, 7, 0, 100, 0, 0, 7, 1, 7, 0x50, 0xC3, 0, 3, 0xE8, 6, 4, 0, 27, 0, 0xFD, 2}},
    // Cycles of __delay(7, 8, 9, 10, 100, 255, 769, 1000, 1792, 1793, 1794,
    // 2000, 4999, 5000, 50001, 0x302FF, 0x30300, 0x30301, 100000, 400000)
    // modulo 65536, each in a function whose other jumps become branches,
    // then of __delay3(100) and __delay3(0) against __delay3(1).
    {"delay_calls.c", 3000000,
     {{"cycles", 44}},
     "18F452",
     {7, 0, 8, 0, 9, 0, 10, 0, 100, 0, 255, 0, 1, 3, 0xE8, 3, 0, 7, 1, 7, 2, 7, 0xD0, 7, 0x87, 0x13,
      0x88, 0x13, 0x51, 0xC3, 0xFF, 2, 0, 3, 1, 3, 0xA0, 0x86, 0x80, 0x1A, 0x29, 1, 0xFD, 2}},
    // "main.c: 32: assertion failed: x == 4\n" through putch, and no further;
    // the assertion under NDEBUG never evaluated its operand.
    {"assert.c", 100000, {{"out", 40}, {"n", 1}, {"reached", 1}, {"evaluated", 1}}, "18F452",
     {'m', 'a', 'i', 'n', '.', 'c', ':', ' ', '3', '2', ':', ' ', 'a', 's', 's', 'e', 'r', 't', 'i', 'o', 'n',
      ' ', 'f', 'a', 'i', 'l', 'e', 'd', ':', ' ', 'x', ' ', '=', '=', ' ', '4', '\n', 0, 0, 0, 37, 1, 0}},
    // setjmp's results 0, 300, -2 and 1 (for 0); main's auto at each return.
    {"setjmp.c", 20000, {{"results", 8}, {"trail", 8}, {"depth", 1}, {"steps", 1}, {"done", 1}}, "18F452",
     {0, 0, 0x2C, 1, 0xFE, 0xFF, 1, 0, 0x5A, 2, 0x5A, 2, 0x5A, 2, 0x5A, 0, 2, 7, 1}},
    // A routine written in assembly outside any function, called from C.
    {"toplevel_asm.c", 5000, {{"r", 1}}, "18F452", {8}},
    {"bitsirq.c", 60000, {{"r", 9}}, "18F452", {3, 12, 5, 0, 1, 4, 1, 1, 0}},
    {"bitsirq.c", 60000, {{"r", 9}}, "18F4520", {3, 12, 5, 0, 1, 4, 1, 1, 0}},
    // Port B and timer 0 through the chip header's registers, bits and fields.
    {"sfr.c", 20000, {{"r", 11}}, "18F452", {0xA3, 0x51, 3, 0x4D, 5, 1, 0x48, 0x81, 1, 1, 0}},
    {"sfr.c", 20000, {{"r", 11}}, "18F4520", {0xA3, 0x51, 3, 0x4D, 5, 1, 0x48, 0x81, 1, 1, 0}},
    // Main, the low-priority and the high-priority interrupt each run their
    // own copy of what they share: no errors, every tick seen, main ran on.
    {"levels.c", 1500000, {{"r", 7}}, "18F452", {0, 0, 0, 0, 1, 1, 1}},
    {"levels.c", 1500000, {{"r", 7}}, "18F4520", {0, 0, 0, 0, 1, 1, 1}},
    // Objects larger than a bank, on a chip of six banks and one of sixteen.
    {"bigobjects.c", 300000, {{"r", 16}}, "18F452"},
    {"bigobjects.c", 300000, {{"r", 16}}, "18F4620"},
    // Initialised variables of more than a bank, loaded in runs that keep
    // each variable within one bank.
    {"idata.c", 300000, {{"r", 25}}, "18F452"},
    {"idata.c", 300000, {{"r", 25}}, "18F4620"},
    // A compiled stack of several banks, on a chip of six banks and one of sixteen.
    {"bigstack.c", 2000000, {{"r", 10}}, "18F4520"},
    {"bigstack.c", 2000000, {{"r", 10}}, "18F4620"},
    // Such a stack grown once code is chosen, the bytes after it taken.
    {"bigstackgrow.c", 2000000, {{"r", 4}, {"rb", 6}}, "18F4520"},
    {"bigstackgrow.c", 2000000, {{"r", 4}, {"rb", 6}}, "18F4620"},
    // Such a stack shared by main and an interrupt, each with its own copy.
    {"bigstackirq.c", 6000000, {{"r", 5}}, "18F4520", {0, 0, 1, 1, 30}},
    {"bigstackirq.c", 6000000, {{"r", 5}}, "18F4620", {0, 0, 1, 1, 30}},
    // Such a stack with calls through a pointer whose targets lie at different depths.
    {"bigstackfp.c", 2000000, {{"r", 8}}, "18F4520"},
    {"bigstackfp.c", 2000000, {{"r", 8}}, "18F4620"},
    // Bank states across the blocks of a function whose stack spans three banks.
    {"bankstates.c", 100000, {{"r", 4}}, "18F4620"},
    // Such a stack above an object whose fixed address leaves too little below it.
    {"bigstackabs.c", 2000000, {{"r", 3}}, "18F4520", {4, 175, 0x3C}},
    {"bigstackabs.c", 2000000, {{"r", 3}}, "18F4620", {4, 175, 0x3C}},
    // Call areas that are live together, returns over the parameters,
    // function pointers declared in bodies and pointers to volatile
    // objects, on a small and a large chip.
    {"results.c", 2000000, {{"ok", 16}, {"lr", 4}}},
    {"results.c", 2000000, {{"ok", 16}, {"lr", 4}}, "18F4620"},
    {"floatcalls.c", 1000000, {{"ok", 2}}},
    {"floatcalls.c", 1000000, {{"ok", 2}}, "18F4620"},
    {"returns.c", 100000, {{"r", 12}, {"rl", 4}}},
    {"returns.c", 100000, {{"r", 12}, {"rl", 4}}, "18F4620"},
    // Returns of a comma expression, through the return area.
    {"commaret.c", 100000, {{"ri", 6}, {"rl", 8}, {"n", 1}}, "18F452"},
    {"commaret.c", 100000, {{"ri", 6}, {"rl", 8}, {"n", 1}}, "18F4620"},
    // A byte parameter from W kept among autos that begin past access RAM.
    {"wparam_edge.c", 200000, {{"r", 24}}, "18F452"},
    {"wparam_edge.c", 200000, {{"r", 24}}, "18F4620"},
    // No object at address 0, the null pointer.
    {"null0.c", 100000, {{"r", 4}}, "18F452"},
    {"null0.c", 100000, {{"r", 4}}, "18F4620"},
    // Jumps on truth values joined by & or |, taken apart again after a store went first.
    {"jumpfold.c", 100000, {{"r", 8}}, "18F452"},
    {"jumpfold.c", 100000, {{"r", 8}}, "18F4620"},
    // Numbers under a logical not, from a logical operator compared with zero.
    {"notnum.c", 100000, {{"rl", 16}, {"ri", 8}, {"rc", 4}}, "18F452"},
    {"notnum.c", 100000, {{"rl", 16}, {"ri", 8}, {"rc", 4}}, "18F4620"},
    // Locals of more than a bank, none of their longs across a bank boundary.
    {"bankautos.c", 300000, {{"r", 8}}, "18F452"},
    {"bankautos.c", 300000, {{"r", 8}}, "18F4620"},
    // A parameter that arrives in W, kept among the locals past the access bank.
    {"wparam.c", 100000, {{"r", 5}}, "18F452"},
    {"wparam.c", 100000, {{"r", 5}}, "18F4620"},
    // Bytes of variables written through their addresses, the rest kept.
    {"pun.c", 100000, {{"r", 8}, {"rl", 8}, {"rb", 3}}, "18F452"},
    {"pun.c", 100000, {{"r", 8}, {"rl", 8}, {"rb", 3}}, "18F4620"},
    {"fnptrs.c", 100000, {{"ok", 6}, {"wr", 4}}},
    {"fnptrs.c", 100000, {{"ok", 6}, {"wr", 4}}, "18F4620"},
    {"qualified.c", 100000, {{"ok", 5}}},
    {"qualified.c", 100000, {{"ok", 5}}, "18F4620"},
    // Values C gives where code was wrong once, each on two chips.
    {"consts.c", 60000, const_results},
    {"consts.c", 60000, const_results, "18F4620"},
    {"values.c", 200000, value_results},
    {"values.c", 200000, value_results, "18F4620"},
    // C90 as portable code writes it. Type names hold this target's pointer
    // sizes, which the host's are not.
    {"typenames.c", 50000, {{"r", 24}}, "18F452", typename_values},
    {"typenames.c", 50000, {{"r", 24}}, "18F4620", typename_values},
    {"counters.c", 50000, {{"r", 16}, {"gv", 8}}, "18F452"},
    {"counters.c", 50000, {{"r", 16}, {"gv", 8}}, "18F4620"},
    {"portable.c portable_b.c", 300000, {{"result", 32}, {"lresult", 16}}, "18F452"},
    {"portable.c portable_b.c", 300000, {{"result", 32}, {"lresult", 16}}, "18F4620"},
    {"externs.c externs_b.c", 100000, {{"r", 20}}, "18F452"},
    {"externs.c externs_b.c", 100000, {{"r", 20}}, "18F4620"},
    {"ptrsteps.c", 100000, {{"r", 44}}, "18F452"},
    {"ptrsteps.c", 100000, {{"r", 44}}, "18F4620"},
    {"gfmul.c", 200000, {{"r", 4}}, "18F452"},
    {"gfmul.c", 200000, {{"r", 4}}, "18F4620"},
    // A byte parameter held in W, worked on in place beside a sibling
    // operand or a later statement that still reads it.
    {"held.c", 100000, {{"r", 35}}, "18F452"},
    {"held.c", 100000, {{"r", 35}}, "18F4620"},
    // Steps back from three-byte pointers to program memory.
    {"romback.c", 100000, {{"r", 18}, {"rb", 3}}, "18F452"},
    {"romback.c", 100000, {{"r", 18}, {"rb", 3}}, "18F4620"},
    // Differences of program-memory pointers, pointers read back from the
    // elements they were stored in and pointers read through pointers to
    // them, with one-byte and wider pointers.
    {"romptrs.c", 100000, {{"rd", 8}, {"rv", 6}, {"rw", 6}}, "18F452"},
    {"romptrs.c", 100000, {{"rd", 8}, {"rv", 6}, {"rw", 6}}, "18F4620"},
    {"romptrs.c", 100000, {{"rd", 8}, {"rv", 6}, {"rw", 6}}, "18F452", {}, "-DPAD", "-DPAD"},
    {"romptrs.c", 100000, {{"rd", 8}, {"rv", 6}, {"rw", 6}}, "18F4620", {}, "-DPAD", "-DPAD"},
    // Signed products of the multiply routines, compared, shifted and widened.
    {"products.c", 200000, {{"r", 12}, {"ri", 4}, {"rl", 12}, {"rt0", 3}, {"rt1", 3}}, "18F452", {}, "", "-DHOST"},
    {"products.c", 200000, {{"r", 12}, {"ri", 4}, {"rl", 12}, {"rt0", 3}, {"rt1", 3}}, "18F4620", {}, "", "-DHOST"},
    // Byte products widened and word products by constants, done in line:
    // operands of every kind, constants at a byte's edges, signed bytes.
    {"byteproducts.c", 200000, {{"ru", 36}, {"rs", 24}, {"rb", 4}, {"rl", 8}}},
    {"byteproducts.c", 200000, {{"ru", 36}, {"rs", 24}, {"rb", 4}, {"rl", 8}}, "18F4620"},
    // Division of unsigned words and longs by ten.
    {"divten.c", 100000, {{"rw", 24}, {"dw", 10}, {"rl", 40}, {"digits", 10}}},
    // x = a op b split into x = a; x op= b, and the forms that must stay whole.
    {"splits.c", 100000, {{"rw", 24}, {"rl", 16}, {"rb", 4}}},
    {"splits.c", 100000, {{"rw", 24}, {"rl", 16}, {"rb", 4}}, "18F4620"},
    // Shapes that once had no code pattern, on a chip whose program
    // pointers take two bytes and on one where they take three.
    {"cover.c", 300000, cover_results},
    {"cover.c", 300000, cover_results, "18F4620"},
    // Volatile objects read for their effect alone, and values wider than
    // a word read through pointers that may reach RAM or program memory.
    {"reads.c", 100000, {{"rb", 10}, {"rw", 12}, {"rl", 40}}},
    {"reads.c", 100000, {{"rb", 10}, {"rw", 12}, {"rl", 40}}, "18F4620"},
    // Calls through pointers whose values take three or four bytes.
    {"widecalls.c", 200000, {{"rl", 32}, {"rw", 8}, {"rb", 4}}},
    {"widecalls.c", 200000, {{"rl", 32}, {"rw", 8}, {"rb", 4}}, "18F4620"},
    // Floating elements stepped with their old value read: the step is a
    // call, and the routine's pointer parameter is sized by it.
    {"floatsteps.c", 3000000, {{"ok", 22}}},
    {"floatsteps.c", 3000000, {{"ok", 22}}, "18F4620", {}, "--double=32", "-DDOUBLE32"},
    // Functions named by address and never called.
    {"fnnames.c", 100000, {{"ok", 8}}},
    {"fnnames.c", 100000, {{"ok", 8}}, "18F4620"},
    // Values of const structure types, and members of returned structures.
    {"constvalues.c", 100000, {{"ok", 8}}},
    {"constvalues.c", 100000, {{"ok", 8}}, "18F4620"},
    // Values of assignments read converted or compared.
    {"storevalues.c", 100000, {{"c", 6}, {"b", 6}, {"wr", 4}, {"steps", 2}}},
    {"storevalues.c", 100000, {{"c", 6}, {"b", 6}, {"wr", 4}, {"steps", 2}}, "18F4620"},
    {"indexsums.c", 100000, {{"r", 12}}},
    {"indexsums.c", 100000, {{"r", 12}}, "18F4620"},
    // Calls through function pointers that expressions give: call values, choices.
    {"callees.c", 300000, {{"r", 30}, {"rb", 3}}},
    {"callees.c", 300000, {{"r", 30}, {"rb", 3}}, "18F4620"},
    // Const objects whose addresses are taken, read by name in divisions.
    {"constaddr.c", 200000, {{"r8", 3}, {"r16", 6}, {"r32", 8}}},
    {"constaddr.c", 200000, {{"r8", 3}, {"r16", 6}, {"r32", 8}}, "18F4620"},
    // Call values as arguments of calls whose parameter area is the inner callee's too.
    {"nestedargs.c", 300000, {{"rl", 16}, {"ri", 12}}},
    {"nestedargs.c", 300000, {{"rl", 16}, {"ri", 12}}, "18F4620"},
    {"choices.c", 50000, {{"r", 6}}},
    {"choices.c", 50000, {{"r", 6}}, "18F4620"},
    // Commas inside calls' arguments, each left before its right.
    {"sequences.c", 100000, {{"r", 8}}},
    {"sequences.c", 100000, {{"r", 8}}, "18F4620"},
    // Addresses of objects at fixed places in other banks, read from the
    // temporaries they were worked into.
    {"bankedaddr.c", 50000, {{"r", 6}}, "18F452", {5, 4, 1, 240, 3, 1}},
    {"bankedaddr.c", 50000, {{"r", 6}}, "18F4620", {5, 4, 1, 240, 3, 1}},
    // strlen, strtol and sprintf, with data in RAM, in program memory and
    // in a bank of its own.
    {"library.c", 3000000, library_results, "18F452", library_values()},
    {"library.c", 3000000, library_results, "18F4620", library_values()},
    // Statements that fit the registers only in pieces, some of them known
    // only once the callees' registers are.
    {"romderef.c", 50000, {{"r0", 2}, {"r1", 2}, {"r2", 1}}},
    {"romderef.c", 50000, {{"r0", 2}, {"r1", 2}, {"r2", 1}}, "18F4620"},
    {"gfcalls.c", 100000, {{"r", 4}}},
    {"gfcalls.c", 100000, {{"r", 4}}, "18F4620"},
    {"pieces.c", 300000, {{"r", 9}, {"rb", 6}, {"rw", 6}, {"rs", 4}}},
    {"pieces.c", 300000, {{"r", 9}, {"rb", 6}, {"rw", 6}, {"rs", 4}}, "18F4620"},
    // A placement that settles only once the order of the variables stays.
    {"placeorder.c", 50000, {{"r_gs8_0", 1}, {"r_gs16_1", 2}, {"r_vu32", 4}}},
    {"placeorder.c", 50000, {{"r_gs8_0", 1}, {"r_gs16_1", 2}, {"r_vu32", 4}}, "18F4620"},
    {"pieces.c", 300000, {{"r", 9}, {"rb", 6}, {"rw", 6}}},
    {"pieces.c", 300000, {{"r", 9}, {"rb", 6}, {"rw", 6}}, "18F4620"},
    // Pointers into program memory and function pointers of three bytes,
    // on a chip of 128 KiB whose code is kept below 64 KiB, run on the same
    // core of 64 KiB that gpsim has; and the same on that chip itself.
    {"bigrom.c", 300000, bigrom_results, "18F8722", {}, "--rom=0-FFFF,1FFFE-1FFFF", "", "18F4620"},
    {"bigrom.c", 300000, bigrom_results, "18F4620"},
    {"steps.c", 1000000, {{"out", 288}}, "18F452", {}, "", "-DHOST"},
    {"steps.c", 1000000, {{"out", 288}}, "18F4620", {}, "", "-DHOST"},
    {"steps.c", 1000000, {{"out", 288}}, "18F452", {}, "-DLOCALS", "-DHOST -DLOCALS"},
    {"steps.c", 1000000, {{"out", 288}}, "18F4620", {}, "-DLOCALS", "-DHOST -DLOCALS"},
};

// A host main that runs the program's own main (renamed) and, once a timer
// has let it reach its final loop, prints each object's bytes.
std::string host_main(const corpus_case &c) {
  std::string text = "#include <signal.h>\n#include <stdio.h>\n#include <sys/time.h>\n#include <unistd.h>\n";
  for (const object &o : c.objects) text += "extern volatile unsigned char " + std::string(o.name) + ";\n";
  text += "void corpus_main(void);\nstatic void dump(int sig) {\n  (void)sig;\n";
  for (const object &o : c.objects)
    text += "  for (unsigned i = 0; i < " + std::to_string(o.size) + "; i++) printf(\"%u \", (&" + o.name +
            ")[i]);\n";
  text += "  fflush(stdout);\n  _exit(0);\n}\n";
  text += "int main(void) {\n  struct itimerval t = {{0, 0}, {0, 200000}};\n  signal(SIGALRM, dump);\n"
          "  setitimer(ITIMER_REAL, &t, 0);\n  corpus_main();\n  return 1;\n}\n";
  return text;
}

// The program as the host builds it: long becomes a 32-bit type, and
// literals lose their long suffix.
std::string host_source(const std::string &source) {
  std::string text = std::regex_replace(source, std::regex(R"(\bunsigned\s+long\b)"), "host_u32");
  text = std::regex_replace(text, std::regex(R"(\b(signed\s+)?long\b)"), "host_s32");
  text = std::regex_replace(text, std::regex(R"((\d)[uU]?[lL]\b)"), "$1");
  return "typedef __typeof__(0x7fffffff) host_s32;\ntypedef __typeof__(0xffffffffu) host_u32;\n" + text;
}

std::vector<unsigned> words_of(const std::string &text) {
  std::vector<unsigned> values;
  std::istringstream in(text);
  for (unsigned v; in >> v;) values.push_back(v);
  return values;
}

TEST(CCorpus, ProgramsAgreeWithTheHostCompiler) {
  if (!e2e::have_tool("gpsim")) GTEST_SKIP() << "gpsim missing";
  if (!e2e::have_tool("cc")) GTEST_SKIP() << "no host C compiler";
  for (const corpus_case &c : corpus) {
    SCOPED_TRACE(std::string(c.file) + " for the " + c.chip + " " + c.options);
    e2e::folder dir;
    std::istringstream names(c.file);
    std::vector<std::string> files, hosts;
    for (std::string name; names >> name;) {
      std::string source = read_file(std::string(TOVRA_TEST_DIR) + "/c/" + name);
      ASSERT_FALSE(source.empty()) << name;
      files.push_back(files.empty() ? "main.c" : name);
      dir.write(files.back(), source);
      hosts.push_back("host" + std::to_string(hosts.size()));
      dir.write(hosts.back() + ".c", host_source(source));
    }
    std::vector<unsigned> expected = c.expected;
    if (expected.empty()) {
      dir.write("host_main.c", host_main(c));
      // The target's int is 16 bits wide; both are little-endian.
      std::string host_build;
      for (const std::string &h : hosts)
        host_build += std::string("cc -w -Dint=short -Dmain=corpus_main ") + c.host_defines + " -c " + h + ".c && ";
      host_build += "cc -w -o host";
      for (const std::string &h : hosts) host_build += " " + h + ".o";
      ASSERT_EQ(dir.run(host_build + " host_main.c"), 0) << dir.read("err");
      ASSERT_EQ(dir.run("timeout 20 ./host"), 0) << dir.read("err");
      expected = words_of(dir.read("out"));
    }

    dir.write("registry", "");
    std::string env = "TOVRA18_REGISTRY='" + (dir / "registry") + "' ", sources;
    for (const std::string &f : files) sources += " " + f;
    ASSERT_EQ(dir.run(env + e2e::program("tovra18") + " --chip=" + c.chip + " " + c.options + " --output=intel" + sources),
              0)
        << dir.read("out") << dir.read("err");
    dir.write("run.stc", "break c " + std::to_string(c.cycles) + "\nrun\ndump r\nquit\n");
    std::string sim = "p" + std::string(c.sim ? c.sim : c.chip);
    for (char &ch : sim) ch = char(tolower(uint8_t(ch)));
    ASSERT_EQ(dir.run("timeout 60 gpsim -i -p " + sim + " -c run.stc main.hex < /dev/null"), 0) << dir.read("err");
    std::map<unsigned, unsigned> ram = e2e::ram_dump(dir.read("out"));
    ASSERT_FALSE(ram.empty()) << dir.read("out");
    std::string symbols = dir.read("main.sym");
    std::vector<unsigned> got;
    for (const object &o : c.objects) {
      long address = e2e::symbol_value(symbols, std::string("_") + o.name);
      ASSERT_GE(address, 0) << o.name;
      for (unsigned i = 0; i < o.size; i++) got.push_back(ram[unsigned(address) + i]);
    }
    EXPECT_EQ(got, expected);
  }
}

// What has no sound code is refused with a message, never built: a delay
// whose count is not known, a bit with no bit address of its own, a call
// no one copy serves, what RAM cannot hold.
TEST(CCorpus, ProgramsWithoutSoundCodeAreRefused) {
  struct {
    const char *what, *source, *message;
  } cases[] = {
      {"a delay of a variable count",
       "#include <tovra18.h>\nunsigned char n;\nvoid main(void) { __delay(n); for (;;) continue; }\n",
       "the count of __delay must be a constant"},
      {"a bit parameter", "bit b;\nvoid f(bit v) { b = v; }\nvoid main(void) { f(1); for (;;) continue; }\n", "(698)"},
      {"a bit auto", "bit b;\nvoid main(void) { bit v; v = 1; b = v; for (;;) continue; }\n", "(698)"},
      // One address in a pointer, or no C body: no copy for each level.
      {"a function called through a pointer from main and an interrupt",
       "void f(void) { }\nvoid (*fp)(void) = f;\nvoid interrupt isr(void) { fp(); }\n"
       "void main(void) { for (;;) fp(); }\n",
       "main.c: 1: (693) \"_f\" is called through a pointer at level 0 and at level 2"},
      {"a function without a body called from main and a low-priority interrupt",
       "void ext(void);\nvoid interrupt low_priority isr(void) { ext(); }\nvoid main(void) { for (;;) ext(); }\n",
       "main.c: 1: (694) \"_ext\" has no C body to copy for each level and is called at level 0 and at level 1"},
      // Across banks it may go, but not beyond the chip's RAM. No one source
      // line is to blame: the message names no file.
      {"a compiled stack larger than all of RAM",
       "unsigned char r;\nunsigned char f(unsigned char k) { unsigned char b[800]; b[k] = k; return b[k + 1]; }\n"
       "void main(void) { unsigned char a[800]; a[r] = f(r); r = a[3]; for (;;) continue; }\n",
       "\n(1253) no room for the compiled stack"},
      {"a variable larger than all of RAM, at its definition",
       "volatile unsigned char r;\nvolatile unsigned char huge[2000];\n"
       "void main(void) { huge[r] = 1; for (;;) continue; }\n",
       "main.c: 2: (1250) no room for 2000 bytes"},
      {"a word whose bytes lie in two banks",
       "volatile unsigned w @ 0x1FF;\nvoid main(void) { w = 0x1234; for (;;) continue; }\n",
       "main.c: 2: (1256)"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.what);
    e2e::folder dir;
    dir.write("main.c", c.source);
    dir.write("registry", "");
    std::string env = "TOVRA18_REGISTRY='" + (dir / "registry") + "' ";
    EXPECT_NE(dir.run(env + e2e::program("tovra18") + " --chip=18F452 --output=intel main.c"), 0);
    EXPECT_NE((dir.read("out") + dir.read("err")).find(c.message), std::string::npos) << dir.read("out") << dir.read("err");
    EXPECT_FALSE(dir.exists("main.hex"));
  }
}

// A function declared without a prototype in one file (or called with no
// declaration at all) and defined with one in the other is one function
// when a call through either passes the same bytes: no parameter that the
// default promotions change, no ellipsis. Otherwise the whole-program check
// names the definition.
TEST(CCorpus, DeclarationsWithoutPrototypeMeetDefinitionsInOtherFiles) {
  struct {
    const char *what, *first, *second;
    bool compatible;
  } cases[] = {
      {"a pointer result and an unsigned parameter", "extern char *m();\nchar *p;\nvoid use(void) { p = m(3u); }\n",
       "char buf[4];\nchar *m(unsigned n) { return buf + n; }\n", true},
      {"a pointer parameter", "long f();\nlong l;\nvoid use(void) { l = f(&l); }\n",
       "long f(long *p) { return *p; }\n", true},
      {"int, long, double and pointer parameters", "int k();\nint i;\nvoid use(void) { i = k(1, 2L, 3.0, &i); }\n",
       "int k(int a, long b, double c, int *d) { return a + (int)b + (int)c + *d; }\n", true},
      {"an implicit declaration", "int i;\nvoid use(void) { i = later(3); }\n",
       "int later(int x) { return x * 2; }\n", true},
      {"a library function returning int, called without its header",
       "int i;\nchar a[] = \"ab\", b[] = \"ac\";\nvoid use(void) { i = strcmp(a, b); }\n", "int j;\n", true},
      {"an unsigned char parameter", "extern char *m();\nchar *p;\nvoid use(void) { p = m(3); }\n",
       "char *m(unsigned char n) { return (char *)0 + n; }\n", false},
      {"a float parameter", "int n();\nint i;\nvoid use(void) { i = n(2.0); }\n", "int n(float a) { return a > 1; }\n",
       false},
      {"a short parameter", "int n();\nint i;\nvoid use(void) { i = n(2); }\n", "int n(short a) { return a; }\n",
       false},
      {"an ellipsis", "int n();\nint i;\nvoid use(void) { i = n(2); }\n", "int n(int a, ...) { return a; }\n", false},
      {"an implicit declaration and a char parameter", "int i;\nvoid use(void) { i = later(3); }\n",
       "int later(char c) { return c; }\n", false},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.what);
    e2e::folder dir;
    dir.write("main.c", std::string(c.first) + "void main(void) { use(); for (;;) continue; }\n");
    dir.write("b.c", c.second);
    dir.write("registry", "");
    std::string env = "TOVRA18_REGISTRY='" + (dir / "registry") + "' ";
    int status = dir.run(env + e2e::program("tovra18") + " --chip=18F452 --output=intel main.c b.c");
    std::string text = dir.read("out") + dir.read("err");
    if (c.compatible) {
      EXPECT_EQ(status, 0) << text;
      EXPECT_EQ(text.find("(1098)"), std::string::npos) << text;
    } else {
      EXPECT_NE(status, 0) << text;
      EXPECT_NE(text.find("b.c: 1: (1098)"), std::string::npos) << text;
      EXPECT_FALSE(dir.exists("main.hex"));
    }
  }
}

// The assembler's messages about in-line assembly, inside a function or
// outside any, name the C source and its line, never the compiler's
// temporary file.
TEST(CCorpus, AssemblyMessagesNameTheCSource) {
  e2e::folder dir;
  dir.write("main.c",
            "asm(\"\\tmovwf\\t1,2,3,4\");\n#asm\n\tpsect\tasmtext,class=CODE,reloc=2\n\tbogus\n#endasm\n"
            "void main(void)\n{\n\tasm(\"\\tmovlw\\t(\");\n\tfor (;;) continue;\n}\n");
  dir.write("registry", "");
  std::string env = "TOVRA18_REGISTRY='" + (dir / "registry") + "' ";
  EXPECT_NE(dir.run(env + e2e::program("tovra18") + " --chip=18F452 --output=intel main.c"), 0);
  std::string text = dir.read("out") + dir.read("err");
  for (const char *expected : {"main.c: 1: (3208)", "main.c: 4: (3201)", "main.c: 8: (3202)"})
    EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text;
  EXPECT_FALSE(std::regex_search(text, std::regex(R"(tov\w+: \d+: \(3)"))) << text;
}

// A p-code library cut short is named in the message, not the source that
// was being read when it was opened.
// gpsim has no chip beyond 64 KiB, so the bigrom.c runs keep PCLATU and
// TBLPTRU at 0: the upper bytes a three-byte pointer loads are checked in
// the assembly instead, and a two-byte pointer's code must not load them.
TEST(CCorpus, ThreeBytePointersLoadTheUpperAddressByte) {
  const char *source =
      "const unsigned char k[2] = {1, 2};\nconst unsigned char *pk = k;\nstatic int f(int x) { return x; }\n"
      "int (*pfn)(int) = f;\nvolatile int r;\n"
      "void main(void) { r = pfn(2) + pk[r]; for (;;) continue; }\n";
  struct {
    const char *chip;
    bool wide;
  } cases[] = {{"18F8722", true}, {"18F4620", false}};
  for (const auto &c : cases) {
    SCOPED_TRACE(c.chip);
    e2e::folder dir;
    dir.write("main.c", source);
    dir.write("registry", "");
    std::string env = "TOVRA18_REGISTRY='" + (dir / "registry") + "' ";
    ASSERT_EQ(dir.run(env + e2e::program("tovra18") + " --chip=" + c.chip + " -S main.c"), 0) << dir.read("err");
    std::string text = dir.read("main.as");
    bool call = std::regex_search(text, std::regex(R"(movff\s+2\+_pfn,pclatu\s+movff\s+1\+_pfn,pclath)"));
    bool read = std::regex_search(text, std::regex(R"(movff\s+2\+_pk,tblptru)"));
    EXPECT_EQ(call, c.wide) << text;
    EXPECT_EQ(read, c.wide) << text;
    EXPECT_NE(text.find("pclath"), std::string::npos);
  }
}

TEST(CCorpus, ADamagedLibraryIsNamed) {
  std::string library = read_file(std::string(TOVRA_STAGE) + "/lib/pic80l-c.lpp");
  ASSERT_GT(library.size(), 200u);
  for (size_t cut : {size_t(100), library.size() / 2}) {
    SCOPED_TRACE(cut);
    e2e::folder dir;
    // A library in the current folder is taken before the installed one.
    dir.write("pic80l-c.lpp", library.substr(0, cut));
    dir.write("t.c", "unsigned int g;\n\n\n\nvoid main(void) {\n\tg = g * g;\n\tfor (;;) continue;\n}\n");
    dir.write("registry", "");
    std::string env = "TOVRA18_REGISTRY='" + (dir / "registry") + "' ";
    EXPECT_NE(dir.run(env + e2e::program("tovra18") + " --chip=18F452 t.c"), 0);
    std::string text = dir.read("out") + dir.read("err");
    EXPECT_NE(text.find("pic80l-c.lpp: (300)"), std::string::npos) << text;
    EXPECT_NE(text.find("(908) the codrel pass ended"), std::string::npos) << text;
    EXPECT_EQ(text.find("t.c:"), std::string::npos) << text;
  }
}

}  // namespace
