#include "codegen/target/macros.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "codegen/model/bsr.h"
#include "codegen/model/ops.h"
#include "codegen/model/progstate.h"
#include "codegen/model/symbols.h"
#include "codegen/model/target_services.h"
#include "codegen/model/tree.h"
#include "codegen/model/types.h"
#include "codegen/target/asmbuf.h"
#include "codegen/target/emit.h"
#include "codegen/target/emitq.h"
#include "codegen/target/expand.h"
#include "codegen/target/memmodel.h"
#include "codegen/target/switch.h"
#include "common/alert.h"
#include "common/vector.h"

namespace {

constexpr uint32_t BANK_BITS = 15;
constexpr uint32_t FIRST_LABEL = 30001;
constexpr unsigned MSG_ACROSS_BANKS = 1256;

struct macro_state {
  macro_notes notes{};
  uint32_t labels = 0;
};
macro_state &ms() {
  static macro_state &state = *new macro_state();
  return state;
}

bool shifts_right(uint32_t op) { return op == OP_SHR || op == OP_ASSHR; }
bool shifts_left(uint32_t op) { return op == OP_SHL || op == OP_ASSHL; }

// Expands a template text for the node at its level (with operand
// suffixes and selections of its own) on the current line; the expander
// ends no line at the end of its text.
void expand_text(tree_node *n, uint32_t level, const std::string &text) { cgen_expand(n, text.c_str(), level); }

// The byte operand text "(L)E2L" of a shift, expanded once per use.
void shift_operand(tree_node *n, uint32_t level) { expand_text(n, level, "(L)E2L"); }

// Constant shift of a byte in place. Every count writes the operand once
// per instruction, and a right shift of a signed byte fills with its sign.
void emit_byte_shift(tree_node *n, uint32_t level) {
  tree_node *count = n->right;
  if (!count || count->op != OP_CONST) return;
  uint32_t shift = uint32_t(count->value) & 7;
  bool right = shifts_right(n->op);
  bool arithmetic = right && n->left && tree_arith(n->left) == ARITH_SIGNED;
  const char *rotate = right ? "rrcf" : "rlcf";
  const char *other = right ? "rlcf" : "rrcf";
  auto line = [&](const char *mnemonic, const char *tail) {
    out_printf("\t%s\t", mnemonic);
    shift_operand(n, level);
    out_printf("%s\n", tail);
  };
  if (shift == 0) return;
  if (shift <= 3) {
    for (uint32_t k = 0; k < shift; k++) {
      if (arithmetic) line("rlcf", ",w");  // the carry takes the sign bit
      else out_printf("\tbcf\tstatus,0\n");
      line(rotate, ",f");
    }
    return;
  }
  if (shift == 7) {
    if (arithmetic) {
      // 0 or 0FFh by the sign, written once.
      out_printf("\tmovlw\t0\n");
      line("btfsc", ",7");
      out_printf("\tmovlw\t0FFh\n");
      line("movwf", "");
      return;
    }
    line(other, ",f");
    line("clrf", "");
    line(other, ",f");
    return;
  }
  line("swapf", ",f");
  for (uint32_t k = 4; k < shift; k++) line(rotate, ",f");
  uint32_t keep = shifts_left(n->op) ? (0xFFu << shift) & 0xFF : 0xFFu >> shift;
  out_printf("\tmovlw\t%u\n", keep);
  line("andwf", ",f");
  if (arithmetic) {
    out_printf("\tmovlw\t%u\n", ~keep & 0xFF);
    char bit[8];
    snprintf(bit, sizeof bit, ",%u", 7 - shift);
    line("btfsc", bit);
    line("iorwf", ",f");
  }
}

// Shifts of objects of one to four bytes in place: the left operand of a
// shift assignment, or the node's own temporary for a shift's value.
struct wide_shift {
  tree_node *n;
  uint32_t level, size;
  bool right, arithmetic;
  std::string select, text;  // bank selector and operand of the shifted object

  wide_shift(tree_node *node, uint32_t lvl) : n(node), level(lvl) {
    bool in_place = n->op == OP_ASSHL || n->op == OP_ASSHR;
    size = tree_size(in_place ? n->left : n);
    if (size < 1) size = 1;
    if (size > 4) size = 4;
    right = shifts_right(n->op);
    arithmetic = right && n->left && tree_arith(n->left) == ARITH_SIGNED;
    select = in_place ? "L" : "N";
    text = in_place ? "L" : "XN";
  }
  std::string byte(uint32_t i) const { return "~" + std::to_string(i) + "/" + std::to_string(size) + text; }
  // One instruction on byte i, with its bank selected first.
  void op(const char *mnemonic, uint32_t i, const char *tail) const {
    expand_text(n, level, "E1" + select);
    out_printf("\t%s\t", mnemonic);
    expand_text(n, level, "(" + byte(i) + ")E2" + select);
    out_printf("%s\n", tail);
  }
  void move(uint32_t from, uint32_t to) const {
    out_printf("\tmovff\t");
    expand_text(n, level, byte(from));
    out_printf(",");
    expand_text(n, level, byte(to));
    out_printf("\n");
  }
  // One bit over bytes low to high (both included), the carry coming in:
  // the sign bit for an arithmetic shift (through W when W is free).
  void rotate_once(uint32_t low, uint32_t high, bool w_counts = false) const {
    if (arithmetic && !w_counts) {
      op("rlcf", high, ",w");
    } else {
      out_printf("\tbcf\tstatus,0\n");
      if (arithmetic) {
        op("btfsc", high, ",7");
        out_printf("\tbsf\tstatus,0\n");
      }
    }
    if (right)
      for (uint32_t i = high + 1; i-- > low;) op("rrcf", i, ",f");
    else
      for (uint32_t i = low; i <= high; i++) op("rlcf", i, ",f");
  }
  // `bits` single-bit steps, unrolled when short, else a loop counted in W.
  void rotate(uint32_t bits, uint32_t low, uint32_t high) const {
    uint32_t per = high - low + 2;
    if (bits * per <= per + 5) {
      for (uint32_t k = 0; k < bits; k++) rotate_once(low, high);
      return;
    }
    uint32_t label = emit_new_label();
    out_printf("\tmovlw\t%u\nl%u:\n", bits, label);
    rotate_once(low, high, true);
    out_printf("\tdecfsz\twreg,f\n\tbra\tl%u\n", label);
  }
  void by_constant(uint32_t count) const {
    if (count >= 8 * size) count = 8 * size - 1;
    uint32_t whole = count / 8, bits = count % 8;
    if (!right) {
      for (uint32_t i = size; whole && i-- > whole;) move(i - whole, i);
      for (uint32_t i = 0; i < whole; i++) op("clrf", i, "");
      if (bits) rotate(bits, whole, size - 1);
      return;
    }
    for (uint32_t i = 0; whole && i + whole < size; i++) move(i + whole, i);
    if (whole && arithmetic) {
      out_printf("\tmovlw\t0\n");
      op("btfsc", size - 1 - whole, ",7");
      out_printf("\tmovlw\t0FFh\n");
      for (uint32_t i = size - whole; i < size; i++) op("movwf", i, "");
    } else {
      for (uint32_t i = size - whole; i < size; i++) op("clrf", i, "");
    }
    if (bits) rotate(bits, 0, size - 1 - whole);
  }
  // A count in W: as many single-bit steps, none for 0.
  void by_count_in_w() const {
    // The bank is selected before the zero test: a count of 0 skips the
    // loop, and the code after it relies on the selection made here.
    expand_text(n, level, "E1" + select);
    uint32_t loop = emit_new_label(), done = emit_new_label();
    out_printf("\tiorlw\t0\n\tbz\tl%u\nl%u:\n", done, loop);
    rotate_once(0, size - 1, true);
    out_printf("\tdecfsz\twreg,f\n\tbra\tl%u\nl%u:\n", loop, done);
  }
};

// `cycles` of single-cycle and two-cycle no-operations.
void emit_pad(uint32_t cycles) {
  for (; cycles >= 2; cycles -= 2) out_printf("\tnop2\n");
  if (cycles) out_printf("\tnop\n");
}

uint32_t pad_words(uint32_t cycles) { return (cycles + 1) / 2; }

// A loop of W times (k + 3) cycles, W loaded first: 1 + q (k + 3) + r cycles.
void emit_single_loop(uint32_t cycles) {
  uint32_t spare = cycles - 1, best_k = 5, best_cost = ~0u;
  for (uint32_t k = 0; k <= 4; k++) {
    uint32_t q = spare / (k + 3);
    if (q < 1 || q > 256) continue;
    uint32_t cost = pad_words(spare % (k + 3)) + pad_words(k);
    if (cost < best_cost) {
      best_cost = cost;
      best_k = k;
    }
  }
  uint32_t period = best_k + 3, label = emit_new_label();
  out_printf("\tmovlw\t%u\n", (spare / period) & 0xFF);
  out_printf("l%u:\n", label);
  emit_pad(best_k);
  out_printf("\tdecfsz\twreg,f\n\tgoto\tl%u\n", label);
  emit_pad(spare % period);
}

constexpr uint32_t OUTER_PERIOD = 771;  // 256 inner passes of 3 cycles, and the outer test
constexpr uint32_t LONGEST_NESTED = 0x30300;

// Two nested loops, the outer count in the node's temporary.
void emit_nested_loop(tree_node *n, uint32_t level, uint32_t cycles) {
  bool selected = emit_bank_select(emit_temps_bank(), nullptr);
  uint32_t fixed = 6 + (selected ? 1 : 0);
  uint32_t spare = cycles - fixed;
  uint32_t outer = (spare - 3) / OUTER_PERIOD;
  uint32_t rest = spare - outer * OUTER_PERIOD;
  uint32_t inner = rest / 3 > 256 ? 256 : rest / 3;
  uint32_t label = emit_new_label();
  out_printf("\tmovlw\t%u\n\tmovwf\t", (outer + 1) & 0xFF);
  expand_text(n, level, "(XN)E4N");
  out_printf("\n\tmovlw\t%u\nl%u:\n\tdecfsz\twreg,f\n\tgoto\tl%u\n\tdecfsz\t", inner & 0xFF, label, label);
  expand_text(n, level, "(XN)E4N");
  out_printf(",f\n\tgoto\tl%u\n", label);
  emit_pad(rest - 3 * inner);
}

// The count of an in-line delay: the first argument of the call, as the
// value bound to the first parameter (bound last), or as written.
tree_node *delay_count(tree_node *n) {
  if (n->op != OP_CALL) return n;
  tree_node *a = n->right;
  if (a && a->op == OP_CALLARGS) {
    uint32_t count = vec_size(a->args);
    tree_node *binding = count ? static_cast<tree_node *>(vec_get(a->args, count - 1)) : nullptr;
    return binding && binding->op == OP_ASSIGN ? binding->right : nullptr;
  }
  while (a && a->op == OP_COMMA) a = a->left;
  return a;
}

// The counts assume each loop's skip passes over a two-word goto: the
// peephole pass must not turn it into a branch.
void emit_delay(tree_node *n, uint32_t level) {
  tree_node *count = delay_count(n);
  if (!count) return;
  out_printf("\topt\tasmopt_off\n");
  if (count->op != OP_CONST) {
    // W holds the count: 3 cycles a pass.
    uint32_t label = emit_new_label();
    out_printf("l%u:\n\tdecfsz\twreg,f\n\tgoto\tl%u\n", label, label);
  } else {
    uint32_t cycles = uint32_t(count->value);
    while (cycles > LONGEST_NESTED) {
      emit_nested_loop(n, level, LONGEST_NESTED);
      cycles -= LONGEST_NESTED;
    }
    if (cycles <= 6) emit_pad(cycles);
    else if (cycles <= 1792) emit_single_loop(cycles);
    else emit_nested_loop(n, level, cycles);
  }
  out_printf("\topt\tasmopt_on\n");
}

// Sets Z when the operand equals the constant: byte by byte into W, each
// byte tested only while all before it were equal.
void emit_compare_constant(tree_node *n, uint32_t level) {
  tree_node *constant = n->left, *value = n->right;
  char side = 'R';
  if (value && (value->op == OP_CONST || value->op == OP_FCONST) && constant && constant->op != OP_CONST &&
      constant->op != OP_FCONST) {
    std::swap(constant, value);
    side = 'L';
  }
  if (!constant || !value) return;
  uint32_t size = tree_size(value);
  if (size < 1 || size > 4) return;
  uint32_t bits = constant->op == OP_FCONST ? cgen_float_bits(constant->fvalue, size) : uint32_t(constant->value);
  uint32_t bytes[4];
  bool done[4] = {false, false, false, false};
  for (uint32_t i = 0; i < size; i++) bytes[i] = (bits >> (8 * i)) & 0xFF;
  bool was_suppressed = ms().notes.suppress_bank_select;
  auto access = [&](const char *lead, const char *mnemonic, uint32_t i) {
    char text[64];
    snprintf(text, sizeof text, "%s%s (~%u/%u%c)E2%c,w", lead, mnemonic, i, size, side, side);
    expand_text(n, level, text);
    out_printf("\n");
    ms().notes.suppress_bank_select = true;
  };
  uint32_t first = size;
  for (uint32_t i = 0; i < size && first == size; i++)
    if (bytes[i] == 1 || bytes[i] == 0xFF) first = i;
  if (first < size) {
    access("\t", bytes[first] == 1 ? "decf" : "incf", first);
  } else {
    uint32_t top = size - 1;
    if (bits != 0 && bytes[top] == 0)
      while (top > 0 && bytes[top] == 0) top--;
    first = top;
    access("\t", "movf", top);
    if (bytes[top]) out_printf("\txorlw\t%u\n", bytes[top]);
  }
  done[first] = true;
  for (uint32_t i = 0; i < size; i++) {
    if (done[i] || bytes[i] == 0) continue;
    if (bytes[i] != 1 && bytes[i] != 0xFF) out_printf("\tmovlw\t%u\n", bytes[i]);
    out_printf("\tbtfsc\tstatus,2\n");
    access("\t", bytes[i] == 1 ? "decf" : bytes[i] == 0xFF ? "incf" : "xorwf", i);
    done[i] = true;
  }
  for (uint32_t i = 0; i < size; i++)
    if (!done[i]) access("\t", "iorwf", i);
  ms().notes.suppress_bank_select = was_suppressed;
}

// The width of the first bit-field down the left chain.
int bitfield_width(const tree_node *n) {
  for (; n; n = n->left)
    if (n->op == OP_BITFIELD && n->member) return n->member->bf_width;
  return 0;
}

uint32_t log2_ceiling(uint32_t v) {
  uint32_t k = 0;
  while (k < 32 && (uint64_t(1) << k) < v) k++;
  return k;
}

// Stores a constant into a bit-field one bit at a time.
void emit_bitfield_constant(tree_node *n, uint32_t level) {
  int width = bitfield_width(n->left);
  uint32_t value = n->right ? uint32_t(n->right->value) : 0;
  for (int i = 0; i < width; i++) {
    char text[48];
    snprintf(text, sizeof text, "\tb%cf (L)E2L, CL+%d", (value >> i) & 1 ? 's' : 'c', i);
    expand_text(n, level, text);
    out_printf("\n");
  }
}

void errata_filler() {
  if (emit_chip().options[0] & 1) out_printf("dw\t0FFFFh\n");
}

// A bank selection is a line of its own: where the template's line has
// only its leading blank so far, the instruction after it keeps one.
bool line_was_blank = false;
void begin_line() {
  const std::string &pending = out_pending_line();
  line_was_blank = !pending.empty() && pending.find_first_not_of(" \t") == std::string::npos;
  if (!line_was_blank) out_printf("\t");
}
void end_line() {
  if (line_was_blank) out_printf("\t");
}

// Bit objects and bit-fields (macros 64 to 74, 76 to 78).

constexpr uint32_t STATUS_ADDRESS = 0xFD8, WREG_ADDRESS = 0xFE8;

bool is_bit_id(const tree_node *t) { return t && t->op == OP_ID && t->sym && tree_arith(t) == ARITH_BIT; }
bool has_address(const symbol *s) { return s->flags & (SYM_ABSOLUTE | SYM_PLACED); }

// The bank selection of a bit object: a bank not known here is the one of
// the byte that holds the bit.
void select_bit_bank(tree_node *n, uint32_t level) {
  symbol *sym = nullptr;
  int32_t bank = emit_operand_bank(n, level, false, &sym);
  if (bank != BANK_UNKNOWN || !sym) {
    emit_bank_select(bank, sym);
    return;
  }
  if (ms().notes.suppress_bank_select) return;
  begin_line();
  out_printf("movlb\t(%s/8)>>8\t; (%s) unknown bank\n", sym_asm_name(sym), "");
  end_line();
  bsr_forget(BANK_BITS);
}

// Whether a store into the bit object `dst` may change what `cond` tests.
// Flags are tested in STATUS, whatever was read to set them; a bit test
// reads the byte of an object of the condition, or one a pointer reaches.
bool bit_store_reaches(const tree_node *dst, const tree_node *cond) {
  const symbol *d = dst->sym;
  if (tree_uses_symbol(cond, d)) return true;
  if (!has_address(d)) return true;
  struct place {
    uint32_t bit, byte;
  } at = {uint32_t(d->address), uint32_t(d->address / 8)};
  if (at.byte == STATUS_ADDRESS || at.byte == WREG_ADDRESS) return true;
  return tree_find(const_cast<tree_node *>(cond), &at, [](tree_node *t, void *ctx) {
           const place &p = *static_cast<place *>(ctx);
           if (t->op == OP_DEREF) return true;
           if (t->op != OP_ID || !t->sym || type_is_function(t->sym->type)) return false;
           if (!has_address(t->sym)) return true;
           if (type_arith(t->sym->type) == ARITH_BIT) return uint32_t(t->sym->address) == p.bit;
           uint32_t first = uint32_t(t->sym->address), size = type_size(t->sym->type);
           return p.byte >= first && p.byte < first + (size ? size : 1);
         }) != nullptr;
}

// One instruction on the bit object L of node n.
void bit_instruction(tree_node *n, uint32_t level, const char *mnemonic) {
  out_printf("\t%s\t", mnemonic);
  expand_text(n, level, "L");
  out_printf("\n");
}

void test_instruction(tree_node *n, uint32_t level, const char *mnemonic, const char *operand) {
  out_printf("\t%s\t", mnemonic);
  expand_text(n, level, operand);
  out_printf("\n");
}

// L = R for a bit object L and a condition R already worked out, true when
// the bit R names is set (when_set) or clear. The bit goes straight to its
// new value; when the store could change the condition, or needs a bank of
// its own, the condition is tested once and each path stores.
void bit_from_condition(tree_node *n, uint32_t level, bool when_set) {
  const char *if_true = when_set ? "btfsc" : "btfss", *if_false = when_set ? "btfss" : "btfsc";
  bool access = emit_operand_bank(n->left, 0, false, nullptr) == BANK_COMMON;
  if (access && !bit_store_reaches(n->left, n->right)) {
    test_instruction(n, level, if_true, "R");
    bit_instruction(n, level, "bsf");
    test_instruction(n, level, if_false, "R");
    bit_instruction(n, level, "bcf");
    return;
  }
  uint32_t clear = emit_new_label(), done = emit_new_label();
  test_instruction(n, level, if_false, "R");
  out_printf("\tbra\tl%u\n", clear);
  bsr_state before = bsr_current;
  expand_text(n, level, "E74L");
  bit_instruction(n, level, "bsf");
  out_printf("\tbra\tl%u\nl%u:\n", done, clear);
  bsr_state set_path = bsr_current;
  bsr_current = before;
  expand_text(n, level, "E74L");
  bit_instruction(n, level, "bcf");
  out_printf("l%u:\n", done);
  bsr_current = bsr_meet(bsr_current, set_path);
}

// L |= R, L &= R or L ^= R for a bit object L and a condition R: one test,
// one instruction on the bit, which therefore cannot change the test.
void bit_op_condition(tree_node *n, uint32_t level, bool when_set) {
  const char *if_true = when_set ? "btfsc" : "btfss", *if_false = when_set ? "btfss" : "btfsc";
  const char *test = n->op == OP_ASAND ? if_false : if_true;
  const char *change = n->op == OP_ASOR ? "bsf" : n->op == OP_ASAND ? "bcf" : "btg";
  if (emit_operand_bank(n->left, 0, false, nullptr) == BANK_COMMON) {
    test_instruction(n, level, test, "R");
    bit_instruction(n, level, change);
    return;
  }
  // The bank selection must not be the instruction the test skips.
  uint32_t done = emit_new_label();
  test_instruction(n, level, test == if_true ? if_false : if_true, "R");
  out_printf("\tbra\tl%u\n", done);
  bsr_state before = bsr_current;
  expand_text(n, level, "E74L");
  bit_instruction(n, level, change);
  out_printf("l%u:\n", done);
  bsr_current = bsr_meet(bsr_current, before);
}

// A bit function's return: the carry takes the condition's value. The
// condition is tested before the carry changes, unless it is a bit object
// away from the flags.
void carry_from_condition(tree_node *n, uint32_t level, bool when_set) {
  const tree_node *cond = n->left ? n->left->left : nullptr;
  while (cond && cond->op == OP_NOT) cond = cond->left;
  const char *if_true = when_set ? "btfsc" : "btfss";
  if (is_bit_id(cond) && uint32_t(cond->sym->address / 8) != STATUS_ADDRESS && has_address(cond->sym)) {
    out_printf("\tbcf\tstatus,0,c\n");
    test_instruction(n, level, if_true, "L");
    out_printf("\tbsf\tstatus,0,c\n");
    return;
  }
  uint32_t set = emit_new_label(), done = emit_new_label();
  test_instruction(n, level, if_true, "L");
  out_printf("\tbra\tl%u\n\tbcf\tstatus,0,c\n\tbra\tl%u\nl%u:\n\tbsf\tstatus,0,c\nl%u:\n", set, done, set, done);
}

// A bit-field: the BITFIELD node, its width and offset; `text` reaches the
// byte that holds it (with its bank suffix) from the node the macro runs on.
struct bit_field {
  tree_node *n;
  uint32_t level;
  const char *text;
  uint32_t width = 0, offset = 0;
  bit_field(tree_node *node, uint32_t lvl, const tree_node *field, const char *byte_text)
      : n(node), level(lvl), text(byte_text) {
    if (field && field->op == OP_BITFIELD && field->member) {
      width = field->member->bf_width;
      offset = field->member->bf_offset;
    }
    if (width < 1 || width > 8) width = 8;
    if (offset + width > 8) offset = 8 - width;
  }
  uint32_t mask() const { return width >= 8 ? 0xFFu : (1u << width) - 1; }
  uint32_t in_place() const { return (mask() << offset) & 0xFF; }
  // An instruction on the field's byte: "mnemonic byte tail".
  void op(const char *mnemonic, const char *tail) const {
    out_printf("\t%s\t", mnemonic);
    expand_text(n, level, text);
    out_printf("%s\n", tail);
  }
  void bit_op(const char *mnemonic, uint32_t bit) const {
    char tail[8];
    snprintf(tail, sizeof tail, ",%u", bit);
    op(mnemonic, tail);
  }
};

bool single_bit(uint32_t v) { return v && !(v & (v - 1)); }
uint32_t bit_index(uint32_t v) { return uint32_t(__builtin_ctz(v)); }

// W rotated left by `count` (0 to 7): one-bit rotations, or a nibble swap
// and the rest, whichever is shorter.
uint32_t plain_rotations(uint32_t count) { return count <= 4 ? count : 8 - count; }
uint32_t swapped_rotations(uint32_t count) { return 1 + (count >= 4 ? count - 4 : 4 - count); }
uint32_t rotation_cost(uint32_t count) { return std::min(plain_rotations(count & 7), swapped_rotations(count & 7)); }

void rotate_w_left(uint32_t count) {
  count &= 7;
  uint32_t plain = plain_rotations(count);
  if (swapped_rotations(count) < plain) {
    out_printf("\tswapf\twreg,f,c\n");
    for (uint32_t k = 4; k < count; k++) out_printf("\trlncf\twreg,f,c\n");
    for (uint32_t k = count; k < 4; k++) out_printf("\trrncf\twreg,f,c\n");
    return;
  }
  const char *step = count <= 4 ? "rlncf" : "rrncf";
  for (uint32_t k = 0; k < plain; k++) out_printf("\t%s\twreg,f,c\n", step);
}

// W = the field's value.
void bitfield_extract(const bit_field &f) {
  if (f.width == 1) {
    out_printf("\tmovlw\t0\n");
    f.bit_op("btfsc", f.offset);
    out_printf("\tmovlw\t1\n");
    return;
  }
  // The byte comes into W as it is, or with its nibbles swapped.
  bool swap = rotation_cost(12 - f.offset) < rotation_cost(8 - f.offset);
  f.op(swap ? "swapf" : "movf", ",w");
  rotate_w_left((swap ? 12 - f.offset : 8 - f.offset) & 7);
  if (f.width < 8) out_printf("\tandlw\t%u\n", f.mask());
}

// The field's bits replaced by those of W, in one store: W is moved to the
// field's place, and byte ^= (W ^ byte) & mask.
void bitfield_insert_w(const bit_field &f) {
  if (f.width == 8) {
    f.op("movwf", "");
    return;
  }
  rotate_w_left(f.offset);
  f.op("xorwf", ",w");
  out_printf("\tandlw\t%u\n", f.in_place());
  f.op("xorwf", ",f");
}

// The field set to a constant: bit by bit where that is shorter, but a
// field of a volatile byte changes once, never passing through values the
// program did not write.
void bitfield_store_const(const bit_field &f, uint32_t value, bool is_volatile) {
  uint32_t bits = ((value & f.mask()) << f.offset) & 0xFF, field = f.in_place();
  if (f.width == 8) {
    if (bits == 0) f.op("clrf", "");
    else if (bits == 0xFF) f.op("setf", "");
    else {
      out_printf("\tmovlw\t%u\n", bits);
      f.op("movwf", "");
    }
    return;
  }
  if (f.width == 1) {
    f.bit_op(bits ? "bsf" : "bcf", f.offset);
    return;
  }
  if (bits == 0 || bits == field) {
    out_printf("\tmovlw\t%u\n", bits ? field : ~field & 0xFF);
    f.op(bits ? "iorwf" : "andwf", ",f");
    return;
  }
  if (!is_volatile && f.width <= 3) {
    for (uint32_t k = 0; k < f.width; k++) f.bit_op((bits >> (f.offset + k)) & 1 ? "bsf" : "bcf", f.offset + k);
    return;
  }
  f.op("movf", ",w");
  out_printf("\txorlw\t%u\n\tandlw\t%u\n", bits, field);
  f.op("xorwf", ",f");
}

// field |= c, &= c, ^= c, += c, -= c (and the steps ++, --), each with
// one store.
void bitfield_op_const(const bit_field &f, uint32_t op, uint32_t value) {
  if (op == OP_POSTINC) op = OP_ASADD;
  if (op == OP_POSTDEC) op = OP_ASSUB;
  uint32_t field = f.in_place();
  auto on_bits = [&](uint32_t bits, const char *one, const char *many) {
    if (!bits) return;
    if (single_bit(bits)) {
      f.bit_op(one, bit_index(bits));
      return;
    }
    out_printf("\tmovlw\t%u\n", op == OP_ASAND ? ~bits & 0xFF : bits);
    f.op(many, ",f");
  };
  switch (op) {
    case OP_ASOR: on_bits(((value & f.mask()) << f.offset) & 0xFF, "bsf", "iorwf"); return;
    case OP_ASXOR: on_bits(((value & f.mask()) << f.offset) & 0xFF, "btg", "xorwf"); return;
    case OP_ASAND: on_bits(((~value & f.mask()) << f.offset) & 0xFF, "bcf", "andwf"); return;
  }
  uint32_t step = (op == OP_ASSUB ? 0u - value : value) & f.mask();
  if (!step) return;
  if (f.width == 1) {
    f.bit_op("btg", f.offset);
    return;
  }
  out_printf("\tmovlw\t%u\n", (step << f.offset) & 0xFF);
  if (f.width == 8) {
    f.op("addwf", ",f");
    return;
  }
  // The sum's carries run upwards only: the field's bits of byte + step
  // are the field's sum, and the bits below it are the byte's own.
  f.op("addwf", ",w");
  f.op("xorwf", ",w");
  out_printf("\tandlw\t%u\n", field);
  f.op("xorwf", ",f");
}

// field |= W, &= W, ^= W, += W, -= W: W, cut to the field's width, moved
// to its place first.
void bitfield_op_w(const bit_field &f, uint32_t op) {
  if (f.width == 8) {
    static const struct {
      uint32_t op;
      const char *mnemonic;
    } whole[] = {{OP_ASOR, "iorwf"}, {OP_ASAND, "andwf"}, {OP_ASXOR, "xorwf"}, {OP_ASADD, "addwf"}, {OP_ASSUB, "subwf"}};
    for (const auto &w : whole)
      if (w.op == op) f.op(w.mnemonic, ",f");
    return;
  }
  out_printf("\tandlw\t%u\n", f.mask());
  rotate_w_left(f.offset);
  switch (op) {
    case OP_ASOR: f.op("iorwf", ",f"); return;
    case OP_ASXOR: f.op("xorwf", ",f"); return;
    case OP_ASAND:
      out_printf("\tiorlw\t%u\n", ~f.in_place() & 0xFF);
      f.op("andwf", ",f");
      return;
  }
  // byte + W or byte - W: borrows and carries run upwards only.
  f.op(op == OP_ASSUB ? "subwf" : "addwf", ",w");
  f.op("xorwf", ",w");
  out_printf("\tandlw\t%u\n", f.in_place());
  f.op("xorwf", ",f");
}

// Z set when the field equals the constant.
void bitfield_compare(const bit_field &f, uint32_t value) {
  if (value & ~f.mask()) {
    out_printf("\tbcf\tstatus,2,c\n");  // a value the field cannot hold
    return;
  }
  f.op("movf", ",w");
  if (f.width < 8) out_printf("\tandlw\t%u\n", f.in_place());
  if (value) out_printf("\txorlw\t%u\n", (value << f.offset) & 0xFF);
}

// W, a field's new value after a step, made its value before the step.
void bitfield_step_back(const bit_field &f, uint32_t op, uint32_t step) {
  uint32_t back = (op == OP_POSTINC ? 0u - step : step) & f.mask();
  if (!back) return;
  out_printf("\taddlw\t%u\n", back);
  if (f.width < 8) out_printf("\tandlw\t%u\n", f.mask());
}

// __delay3: W passes of three cycles (256 for 0).
void emit_delay3() {
  uint32_t label = emit_new_label();
  out_printf("\topt\tasmopt_off\nl%u:\n\tdecfsz\twreg,f\n\tgoto\tl%u\n\topt\tasmopt_on\n", label, label);
}

}  // namespace

std::string emit_hex(uint32_t value) {
  char text[16];
  snprintf(text, sizeof text, "0%Xh", value);
  return text;
}

macro_notes &emit_macro_notes() { return ms().notes; }

void macros_reset() { ms() = macro_state(); }

void emit_save_regs() { msg_once(687, "?"); }

void emit_restore_regs() { msg_once(688, "?"); }

uint32_t emit_new_label() { return FIRST_LABEL + ms().labels++; }

bool emit_bank_select(int32_t bank, symbol *sym) {
  if (ms().notes.suppress_bank_select) return false;
  if (bank == BANK_UNKNOWN) {
    if (!sym) {
      bsr_forget(BANK_BITS);
      return false;
    }
    begin_line();
    out_printf("movlb\t%s>>8\t; (%s) unknown bank\n", sym_asm_name(sym), "");
    end_line();
    bsr_forget(BANK_BITS);
    return true;
  }
  if (bank < 0) return false;
  bool known = bsr_all_known(BANK_BITS) && bsr_known_value(BANK_BITS) == uint32_t(bank);
  if (!known) {
    begin_line();
    out_printf("movlb\t%d\t; (%s) banked\n", int(bank), "");
    end_line();
  }
  bsr_set_known(BANK_BITS, uint32_t(bank));
  return !known;
}

const char *emit_op_mnemonic(uint32_t op, const tree_node *n, uint32_t position) {
  struct row {
    uint32_t op, alias;
    const char *texts[6];  // positions 1 to 5, then every other position
  };
  static const row rows[] = {
      {OP_AND, OP_ASAND, {nullptr, "andwf", "andwf", nullptr, nullptr, nullptr}},
      {OP_ADD, OP_ASADD, {"c", "addwfc", "addwfc", "in", "dec", "inc"}},
      {OP_POSTINC, OP_POSTINC, {"add", "addwfc", "addwfc", "in", "add", "add"}},
      {OP_SUB, OP_ASSUB, {"s", "subwfb", "subfwb", "dc", "inc", "dec"}},
      {OP_POSTDEC, OP_POSTDEC, {"sub", "subwfb", "sub", "dc", "sub", "sub"}},
      {OP_XOR, OP_ASXOR, {nullptr, "xorwf", "xorwf", nullptr, nullptr, nullptr}},
      {OP_OR, OP_ASOR, {nullptr, "iorwf", "iorwf", nullptr, nullptr, nullptr}},
  };
  for (const row &r : rows)
    if (op == r.op || op == r.alias) return r.texts[position >= 1 && position <= 5 ? position - 1 : 5];
  if (op == OP_NE || op == OP_LT) return "c";
  if (op == OP_EQ || op == OP_GE) return "s";
  if (shifts_right(op)) {
    bool unsigned_left = n && op_is_binary(op) && n->left && tree_arith(n->left) == ARITH_UNSIGNED;
    return unsigned_left ? "c" : "s";
  }
  return nullptr;
}

uint32_t emit_target_macro(tree_node *n, uint32_t number, uint32_t byte_index, uint32_t level) {
  macro_notes &notes = ms().notes;
  bool quiet = model.output_suppressed;
  switch (number) {
    case 1: {
      symbol *sym = nullptr;
      int32_t bank = emit_operand_bank(n, level, false, &sym);
      // Bytes of two banks in one operand: no one selection reaches them.
      if (bank == BANK_CROSSING && sym && !quiet)
        msg(MSG_ACROSS_BANKS, sym->source_name ? sym->source_name : sym_asm_name(sym));
      emit_bank_select(bank, sym);
      break;
    }
    case 2:
      // The access or banked designator is always written, so that no
      // operand depends on the assembler's default.
      if (!quiet) out_printf("%s", emit_operand_bank(n, level, false, nullptr) == BANK_COMMON ? ",c" : "&0ffh,b");
      break;
    case 3: emit_bank_select(emit_temps_bank(), nullptr); break;
    case 4:
      if (!quiet) out_printf("%s", emit_temps_bank() == BANK_COMMON ? "&0ffh,c" : "&0ffh,b");
      break;
    case 5: notes.suppress_bank_select = true; break;
    case 6: notes.suppress_bank_select = false; break;
    case 7: emit_note_struct_return(tree_size(n)); break;
    case 8: notes.wreg_in_use = false; break;
    case 9: emit_switch_statement(n); break;
    case 10: memmodel().table_reads = true; break;
    case 11: emit_select_psect(OUTPUT_FUNCTION_TEXT, 0); break;
    case 14:
      if (symbol *f = sym_current_function()) out_printf("?%s+%d", f->name, int(f->offset));
      break;
    case 15: out_printf("%d", bitfield_width(n)); break;
    case 16: emit_byte_shift(n, level); break;
    case 24:
      if (n->right && n->right->op == OP_CONST) wide_shift(n, level).by_constant(uint32_t(n->right->value));
      break;
    case 25: wide_shift(n, level).by_count_in_w(); break;
    case 27:
      // Program memory beyond 64 KiB: the table pointer's upper byte too.
      if (!quiet && emit_chip().rom_size > 0xFFFF) {
        out_printf("\tmovlw\tlow highword(");
        expand_text(n, level, "SN");
        out_printf(")\n\tmovwf\ttblptru,c\n");
      }
      break;
    case 34:
      // The first page of program memory that may hold constants: the one
      // above RAM, where every address a const pointer holds for RAM lies.
      if (!quiet) out_printf("%s", emit_hex((memmodel().ram_top + 0x100) >> 8).c_str());
      break;
    case 35:
      // A call through a three-byte pointer: its upper byte goes to PCLATU
      // first, written ahead of the line the macro begins.
      if (!quiet && n->left && tree_size(n->left) == 3) {
        out_printf("movff\t");
        expand_text(n, level, "~2/3L");
        out_printf(",pclatu\n\t");
      }
      break;
    case 26:
      if (!quiet) out_printf("%d", emit_mask_bit(n) < 0 ? 0 : emit_mask_bit(n) % 8);
      break;
    case 17:
      if (symbol *f = sym_current_function()) {
        if (f->params_size < 2) f->params_size = 2;
        if (symbol *area = sym_param_area(f)) out_printf("%s", sym_asm_name(area));
      }
      break;
    case 19:
      if (!quiet) emit_delay(n, level);
      break;
    case 21: emit_compare_constant(n, level); break;
    case 22:
      if (!quiet) out_printf("%s", emit_chip().rom_size > 0x10000 ? "__mediumconst" : "__smallconst");
      break;
    case 23:
      if (!quiet && n->right) {
        const tree_node *r = n->right;
        uint32_t size = tree_size(r), descriptor = size ? size - 1 : 0;
        if (tree_is_pointer(r)) descriptor |= 0x20;
        if (tree_arith(r) == ARITH_FLOAT) descriptor |= 0x08;
        if (tree_arith(r) == ARITH_BIT) descriptor = 0;
        out_printf("%s", emit_hex(descriptor).c_str());
      }
      break;
    case 28:
      if (!quiet) out_printf("&0ffh,b");
      break;
    case 12: break;  // the expander names volatile operands by their own text
    case 18:
      out_printf("%s", sym_level_prefix(sym_current_function()));
      break;
    case 20: break;  // frames are not numbered in the output
    case 30: {
      const tree_node *r = n->right;
      if (r && r->op == OP_ID && r->sym && (r->sym->flags & (SYM_ABSOLUTE | SYM_PLACED)) &&
          !type_is_function(n->type))
        out_printf("\tORG  %u", uint32_t(r->sym->address));
      break;
    }
    case 32: {
      const tree_node *callee = n->op == OP_CALL ? n->left : nullptr;
      uint32_t q = callee && callee->sym ? type_qualifiers(callee->sym->type) : 0;
      if ((q & Q_INTERRUPT) && !(q & Q_LOW_PRIORITY) && (emit_chip().options[0] & 2))
        out_printf("\n\tpop\t; remove dummy address from shadow register refresh\n");
      break;
    }
    case 31:
      out_printf("\t\t; BSR set to: ");
      if (bsr_all_known(BANK_BITS)) out_printf("%u\n", bsr_known_value(BANK_BITS));
      else out_printf("?\n");
      break;
    case 33: bsr_forget(BANK_BITS); break;
    case 50: notes.wreg_in_use = true; break;
    case 51:
      if (!notes.wreg_in_use) out_printf("\t;wreg free");
      break;
    case 52: out_printf("%lu", (unsigned long)uint32_t(n->value)); break;
    case 53: out_printf("%u", log2_ceiling(uint32_t(n->value))); break;
    case 61:
    case 62: break;
    case 64:
    case 65: bit_from_condition(n, level, number == 64); break;
    case 66:
    case 67: bit_op_condition(n, level, number == 66); break;
    case 68: bitfield_extract(bit_field(n, level, n, "(L)E2L")); break;
    case 69:
      if (n->right) bitfield_compare(bit_field(n, level, n->left, "L"), uint32_t(n->right->value));
      break;
    case 70:
      if (n->right) {
        bool is_volatile = (type_qualifiers(n->left->type) & Q_VOLATILE) || tree_is_volatile(n->left->left);
        bitfield_store_const(bit_field(n, level, n->left, "L"), uint32_t(n->right->value), is_volatile);
      }
      break;
    case 71: bitfield_insert_w(bit_field(n, level, n->left, "L")); break;
    case 72:
      if (n->right) bitfield_op_const(bit_field(n, level, n->left, "L"), n->op, uint32_t(n->right->value));
      break;
    case 73: bitfield_op_w(bit_field(n, level, n->left, "L"), n->op); break;
    case 74: select_bit_bank(n, level); break;
    case 75:
      if (!quiet) emit_delay3();
      break;
    case 76:
    case 77: carry_from_condition(n, level, number == 76); break;
    case 78:
      if (n->right) bitfield_step_back(bit_field(n, level, n->left, "L"), n->op, uint32_t(n->right->value));
      break;
    case 63:
      emit_bitfield_constant(n, level);
      [[fallthrough]];
    case 98:
      if (!(mode_word & MODE_EMI_WORD)) break;
      out_printf("tblrd+*\n");
      errata_filler();
      out_printf("\ttblwt*-");
      break;
    case 99: errata_filler(); break;
    default: msg(679, number); break;
  }
  return byte_index;
}
