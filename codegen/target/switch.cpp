#include "codegen/target/switch.h"

#include <cstdio>
#include <functional>
#include <vector>

#include "codegen/model/ops.h"
#include "codegen/model/symbols.h"
#include "codegen/model/target_services.h"
#include "codegen/model/tree.h"
#include "codegen/model/types.h"
#include "codegen/target/emit.h"
#include "codegen/target/emitq.h"
#include "codegen/target/expand.h"
#include "codegen/target/macros.h"
#include "codegen/target/memmodel.h"
#include "codegen/model/bsr.h"
#include "common/alert.h"

namespace {

// The bank state every label inside a switch's dispatch is reached with: the
// code runs in jump order, not in the order it is written, so the state the
// text before a label leaves says nothing about it.
bsr_state switch_entry_bank;

// A code label of the current function: its interrupt-level prefix, "l" and the number.
void print_code_label(const char *format, uint32_t label) {
  char text[32];
  snprintf(text, sizeof text, "%sl%lu", sym_level_prefix(sym_current_function()), (unsigned long)label);
  out_printf(format, text);
}

bool wide_code() { return emit_chip().rom_size > 0xFFFF; }

// Runs of entries (sorted) that agree in the bits above `shift`; each run
// gets a group entry with a fresh label and those bits, its own entries
// keep the bits below.
struct run {
  uint32_t first, count;
};
std::vector<run> split_runs(case_entry *cases, uint32_t n, uint32_t shift, uint32_t key_mask,
                            std::vector<case_entry> &groups) {
  std::vector<run> runs;
  for (uint32_t i = 0; i < n;) {
    uint32_t key = (uint32_t(cases[i].value) >> shift) & key_mask, j = i;
    while (j < n && ((uint32_t(cases[j].value) >> shift) & key_mask) == key) j++;
    runs.push_back({i, j - i});
    groups.push_back({emit_new_label(), int32_t(key)});
    i = j;
  }
  return runs;
}

// Each run of entries that agree above bit `shift` (their values cut to
// the bits below it) goes to `inner` under its group's label; the groups
// then go to `outer` at the label the code jumps over the runs to.
void dispatch_groups(case_entry *cases, uint32_t n, uint32_t shift, uint32_t key_mask,
                     const std::function<void(case_entry *, uint32_t)> &inner,
                     const std::function<void(case_entry *, uint32_t)> &outer) {
  uint32_t dispatch = emit_new_label();
  out_printf("\tgoto\tl%u\n", dispatch);
  std::vector<case_entry> groups;
  std::vector<run> runs = split_runs(cases, n, shift, key_mask, groups);
  for (size_t k = 0; k < runs.size(); k++) {
    case_entry *first = cases + runs[k].first;
    for (uint32_t i = 0; i < runs[k].count; i++) first[i].value &= int32_t((1u << shift) - 1);
    print_code_label("%s:\n", groups[k].label);
    bsr_current = switch_entry_bank;
    inner(first, runs[k].count);
  }
  out_printf("l%u:\n", dispatch);
  bsr_current = switch_entry_bank;
  outer(groups.data(), uint32_t(groups.size()));
}

void compare_chain(const case_entry *cases, uint32_t n, uint32_t default_label) {
  uint32_t previous = 0;
  for (uint32_t i = 0; i < n; i++) {
    // Low bytes only: the literal stays a byte for negative values too.
    out_printf("\txorlw\t%u ^ %u\n", uint32_t(cases[i].value) & 0xFF, previous);
    // A case's code can lie anywhere in the function: a skip and a goto
    // reach it where a conditional branch would not.
    print_code_label("\tbtfsc\tstatus,2,c\n\tgoto\t%s\n", cases[i].label);
    previous = uint32_t(cases[i].value) & 0xFF;
  }
  print_code_label("\tgoto\t%s\n", default_label);
}

void jump_table(const case_entry *cases, uint32_t n, uint32_t default_label, int32_t lo, int32_t hi) {
  // The sign tests hold only while the span fits in 7 bits; a wider signed
  // span is moved to start at 0 and tested unsigned.
  int32_t bias = 0;
  if (lo < 0 && hi - lo > 127) {
    out_printf("\taddlw\t%ld\n", long(-lo));
    bias = lo;
  }
  if (bias == 0 && hi - lo <= 127 && (lo < 0 || hi <= 127)) {
    out_printf("\taddlw\t%ld\n", long(-lo));
    print_code_label("\tbtfsc\tstatus,4,c\n\tgoto\t%s\n", default_label);
    out_printf("\taddlw\t%ld\n", long(lo) - hi - 1);
    print_code_label("\tbtfss\tstatus,4,c\n\tgoto\t%s\n", default_label);
    out_printf("\taddlw\t%ld\n", long(hi) - lo + 1);
  } else {
    int32_t first = lo - bias, last = hi - bias;
    out_printf("\tmovwf\ttblptrl\n");
    if (last != 255) {
      out_printf("\tmovlw\t%ld\n\tcpfslt\ttblptrl\n", long(last) + 1);
      print_code_label("\tgoto\t%s\n", default_label);
    }
    if (first != 0) {
      out_printf("\tmovlw\t%ld\n\tcpfsgt\ttblptrl\n", long(first) - 1);
      print_code_label("\tgoto\t%s\n", default_label);
    }
    out_printf("\tmovf\ttblptrl,w\n");
    if (first != 0) out_printf("\taddlw\t%u\n", uint32_t(-first) & 0xFF);
  }
  bool wide = wide_code();
  uint32_t s = wide ? 3 : 2, table = emit_new_label();
  const char *filler = (emit_chip().options[0] & 1) ? "dw\t0FFFFh\n" : "";
  out_printf("\tmullw\t%u\n", s);
  out_printf("\tmovlw\tlow(S%u)\n\taddwf\tprodl,w\n\tmovwf\ttblptrl\n", table);
  out_printf("\tmovlw\thigh(S%u)\n\taddwfc\tprodh,w\n\tmovwf\ttblptrh\n", table);
  if (wide) out_printf("\tclrf\ttblptru\n\tmovlw\tlow highword(S%u)\n\taddwfc\ttblptru,f\n", table);
  out_printf("\ttblrd\t*+\n%s\tmovf\ttablat,w,c\n", filler);
  out_printf("\ttblrd\t*+\n%s\tmovff\ttablat,pclath\n", filler);
  if (wide) out_printf("\ttblrd\t*\n%s\tmovff\ttablat,pclatu\n", filler);
  out_printf("\tmovwf\tpcl,c\n");
  memmodel().switch_table = true;
  if (wide) memmodel().switch_tblptru = true;
  emit_select_psect(PS_SWITCHTABLE, 0);
  out_printf("S%u:\n", table);
  uint32_t next = 0;
  for (int64_t v = lo; v <= hi; v++) {
    bool is_case = next < n && cases[next].value == v;
    uint32_t label = is_case ? cases[next++].label : default_label;
    if (wide) {
      print_code_label("\tdb\tlow %s\n", label);
      print_code_label("\tdb\thigh %s\n", label);
      print_code_label("\tdb\tlow highword %s\n", label);
    } else {
      print_code_label(is_case ? "\tdw\t%s;\n" : "\tdw\t%s\n", label);
    }
  }
  emit_select_psect(OUTPUT_FUNCTION_TEXT, 0);
}

// Loads byte `b` of the switch value (the left operand of the switch node) into W.
void load_byte(tree_node *node, uint32_t b, uint32_t size) {
  char text[48];
  snprintf(text, sizeof text, "E1L\tmovf\t(~%u/%uL)E2L,w", b, size);
  cgen_expand(node, text, node->count ? node->count - 1 : 0);
  out_printf("\n");
}

}  // namespace

bool emit_case_sort(case_entry *cases, uint32_t n) {
  for (bool exchanged = true; exchanged;) {
    exchanged = false;
    for (uint32_t i = 1; i < n; i++) {
      if (cases[i - 1].value == cases[i].value) {
        msg(695, long(cases[i].value));
        return false;
      }
      if (cases[i - 1].value > cases[i].value) {
        std::swap(cases[i - 1], cases[i]);
        exchanged = true;
      }
    }
  }
  return true;
}

void emit_switch_table(case_entry *cases, uint32_t n, uint32_t default_label, int strategy) {
  if (n == 0) {
    print_code_label("\tgoto\t%s\n", default_label);
    return;
  }
  if (!emit_case_sort(cases, n)) return;
  int32_t lo = cases[0].value, hi = cases[n - 1].value;
  int64_t cost = int64_t(hi) - lo + (lo > 0 ? 3 : 0) + (hi <= 254 ? 3 : 0);
  int64_t margin = wide_code() ? 21 : 15;
  if (strategy == SWITCH_DIRECT || 2 * int64_t(n) >= cost + margin) jump_table(cases, n, default_label, lo, hi);
  else compare_chain(cases, n, default_label);
}

void emit_switch_wide(case_entry *cases, uint32_t n, uint32_t default_label, int strategy, tree_node *node,
                      uint32_t first_byte, uint32_t size) {
  // Runs of one high byte must be whole.
  if (!emit_case_sort(cases, n)) return;
  dispatch_groups(
      cases, n, 8, 0xFF,
      [&](case_entry *run_cases, uint32_t count) {
        load_byte(node, first_byte, size);
        emit_switch_table(run_cases, count, default_label, strategy);
      },
      [&](case_entry *groups, uint32_t count) {
        load_byte(node, first_byte + 1, size);
        emit_switch_table(groups, count, default_label, strategy);
      });
}

void emit_switch_statement(tree_node *n) {
  tree_node *value = n->left;
  if (!value) return;
  uint32_t width = tree_size(value);
  bool is_signed = tree_arith(value) == ARITH_SIGNED;
  int64_t low = 0, high = 0;
  if (width < 4) {
    low = is_signed ? -(int64_t(1) << (8 * width - 1)) : 0;
    high = is_signed ? (int64_t(1) << (8 * width - 1)) - 1 : (int64_t(1) << (8 * width)) - 1;
  }
  std::vector<case_entry> cases;
  bool full_reported = false;
  tree_node *chain = n->right;
  uint32_t default_label = 0;
  for (; chain && chain->op == OP_COMMA; chain = chain->right) {
    tree_node *c = chain->left;
    if (!c || c->op != OP_CJUMP) continue;
    if (!c->left || c->left->op != OP_CONST || !c->right) {
      msg(697);
      continue;
    }
    if (cases.size() >= SWITCH_MAX_CASES) {
      if (!full_reported) msg(308);
      full_reported = true;
      continue;
    }
    int64_t v = c->left->value;
    // A case constant of an unsigned switch may come sign-extended.
    if (width < 4 && !is_signed && v < 0) v &= (int64_t(1) << (8 * width)) - 1;
    if (width < 4 && (v < low || v > high)) {
      msg(696, long(v));
      continue;
    }
    cases.push_back({uint32_t(c->right->value), int32_t(v)});
  }
  if (chain && chain->op == OP_CONST) default_label = uint32_t(chain->value);
  else if (chain && chain->op == OP_CJUMP && chain->right) default_label = uint32_t(chain->right->value);
  int strategy = n->switch_value;
  if (cases.empty()) {
    msg(699);
    print_code_label("\tgoto\t%s\n", default_label);
    return;
  }
  uint32_t count = uint32_t(cases.size());
  if (!emit_case_sort(cases.data(), count)) return;
  // The value's bank is selected once before the dispatch, so that every
  // label inside it starts from a state that proves it.
  if (width > 1) cgen_expand(n, "E1L", n->count ? n->count - 1 : 0);
  switch_entry_bank = bsr_current;
  switch (width) {
    case 1: emit_switch_table(cases.data(), count, default_label, strategy); break;
    case 2: emit_switch_wide(cases.data(), count, default_label, strategy, n, 0, 2); break;
    case 3:
    case 4: {
      // Byte pairs 0 and 1 per value of the bytes above them, then those
      // bytes: a pair for four bytes, the top byte alone for three.
      auto low_pair = [&](case_entry *run_cases, uint32_t k) {
        emit_switch_wide(run_cases, k, default_label, strategy, n, 0, width);
      };
      dispatch_groups(cases.data(), count, 16, width == 4 ? 0xFFFF : 0xFF, low_pair,
                      [&](case_entry *groups, uint32_t k) {
                        if (width == 4) {
                          emit_switch_wide(groups, k, default_label, strategy, n, 2, width);
                          return;
                        }
                        load_byte(n, 2, width);
                        emit_switch_table(groups, k, default_label, strategy);
                      });
      break;
    }
    default: msg(686, width); break;
  }
}
