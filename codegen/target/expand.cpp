#include "codegen/target/expand.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <unordered_set>
#include <vector>

#include "codegen/model/bsr.h"
#include "codegen/model/callgraph.h"
#include "codegen/model/funcnum.h"
#include "codegen/model/literals.h"
#include "codegen/model/ops.h"
#include "codegen/model/progstate.h"
#include "codegen/model/regs.h"
#include "codegen/model/rewrite.h"
#include "codegen/model/symbols.h"
#include "codegen/model/target_services.h"
#include "codegen/model/tree.h"
#include "codegen/model/types.h"
#include "codegen/target/asmbuf.h"
#include "codegen/target/cgen.h"
#include "codegen/target/emitq.h"
#include "codegen/target/macros.h"
#include "codegen/target/pattab.h"
#include "codegen/target/tmpl.h"
#include "common/alert.h"
#include "common/alloc.h"
#include "common/vector.h"

namespace {

tree_node *arg_of(const vec *args, uint32_t k) { return static_cast<tree_node *>(vec_get(args, k)); }

struct expand_state {
  uint32_t byte_index = 0, byte_divisor = 0;  // pending selection: part i of n
  int32_t push = 0, push_max = 0;             // argument bytes pushed in a call sequence
  uint32_t nesting = 0;
  std::string comment;                        // printed at the end of the line
  bool column = false;                        // the line has had its first blank
  std::string deferred;                       // "Z+" text, expanded by "Z-"
  tree_node *deferred_node = nullptr;
  uint32_t deferred_level = 0;
  uint32_t temps_high = 0;
  struct temp_use {
    tree_node *owner;
    uint32_t first, size;
  };
  std::vector<temp_use> temps;  // temporaries of the statement still in use
};
expand_state &st() {
  static expand_state &state = *new expand_state();
  return state;
}

struct operand {
  tree_node *node;
  uint32_t level;
};

uint32_t top_level(const tree_node *n) { return n && n->count ? n->count - 1 : 0; }

operand select_operand(tree_node *n, uint32_t level, const tmpl_item &item) {
  switch (item.selector) {
    case 'L': return level ? operand{n, level - 1} : operand{n->left, top_level(n->left)};
    case 'R': return {n->right, top_level(n->right)};
    case 'J': {
      operand at{n, level};
      for (const char *p = item.path; *p && at.node; p++) {
        if (*p == '0' && at.level) {
          at.level--;
          continue;
        }
        tree_node *next = *p == '0' ? at.node->left : at.node->right;
        at = {next, top_level(next)};
      }
      return at;
    }
  }
  return {n, level};
}

void clear_selection() { st().byte_index = st().byte_divisor = 0; }

// The pending selection applied to `size` bytes: its first byte and byte count.
void take_selection(uint32_t size, uint32_t *offset, uint32_t *count) {
  expand_state &s = st();
  if (size == 0) size = 1;
  if (s.byte_divisor) {
    uint32_t per = size / s.byte_divisor ? size / s.byte_divisor : 1;
    *offset = s.byte_index * per;
    *count = per;
  } else {
    *offset = 0;
    *count = size;
  }
  clear_selection();
}

void end_line(bool with_comment) {
  if (with_comment && !st().comment.empty()) {
    out_printf("\t;%s", st().comment.c_str());
    st().comment.clear();
  }
  out_putc('\n');
  st().column = false;
}

const char *size_letter(uint32_t size) {
  static const char *const letters[] = {"v", "b", "w", "t", "l"};
  if (size <= 4) return letters[size];
  if (size > 5) msg(685, size);
  return "l";
}

uint32_t pointee_size(const tree_node *n) { return n ? tree_pointee_size(n) : 0; }

// A temporary holds a value of the node's size: a byte selection picks its
// part of that.
void print_register(uint32_t r, const tmpl_item &item, uint32_t size) {
  if (r >= REG_TEMP_FIRST && r < REG_VIRTUAL_FIRST) {
    uint32_t offset, count;
    take_selection(size, &offset, &count);
    out_printf("%s%+d", cgen_temp_text(r).c_str(), int(offset));
    for (const char *d = item.parts; *d; d++)
      if (*d != '9') out_printf("+%d", *d - '0');
    return;
  }
  if (r < REG_EMPTY) {
    for (const char *d = item.parts; *d; d++) {
      if (*d == '9') continue;
      if (uint32_t part = reg_table[r].parts[*d - '0']) r = part;
    }
    if (st().byte_divisor && r < REG_EMPTY) {
      uint32_t parts = 0;
      while (parts < sizeof reg_table[r].parts && reg_table[r].parts[parts]) parts++;
      if (parts > 1) r = reg_table[r].parts[st().byte_index * parts / st().byte_divisor];
      clear_selection();
    }
  }
  if (r && r <= REG_CLASS_LAST) reg_add_leaves(rset_function_used(), r);
  if (item.tilde && (r == REG_FSR0 || r == REG_FSR1 || r == REG_FSR2)) {
    out_printf("%u", r - REG_FSR0);
    return;
  }
  out_printf("%s", register_name(r));
}

// The level's G register; on an ID or REG node named by N, its own register.
uint32_t g_register(const operand &o, const tmpl_item &item) {
  if (item.selector == 'N' && o.node->op == OP_ID && o.node->sym) {
    if (!sym_held_reg(o.node->sym)) msg(703, o.node->sym->name);
    return sym_held_reg(o.node->sym);
  }
  if (item.selector == 'N' && o.node->op == OP_REG) return uint32_t(o.node->value);
  return o.node->greg[o.level];
}

void print_value(const tree_node *n) {
  uint32_t size = tree_size(n), offset, count;
  take_selection(size, &offset, &count);
  if (n->op == OP_FCONST) {
    if (size <= 4) {
      uint32_t bits = cgen_float_bits(n->fvalue, size);
      if (offset || count < size) bits = (bits >> (8 * offset)) & (count >= 4 ? ~0u : (1u << 8 * count) - 1);
      out_printf("0x%lx", (unsigned long)bits);
    } else {
      out_printf("(%.17e >> %d) & %ld", n->fvalue, int(8 * offset), count >= 4 ? -1L : (1L << 8 * count) - 1);
    }
    return;
  }
  int32_t v = n->value;
  if (offset || count < 4) {
    uint32_t bits = uint32_t(v) >> (offset < 4 ? 8 * offset : 0);
    if (offset >= 4) bits = v < 0 ? ~0u : 0;
    if (count < 4) bits &= (1u << 8 * count) - 1;
    v = int32_t(bits);
    if (count < 4) v = int32_t(bits);
  }
  if (v < 1)
    out_printf("%ld", long(v));
  else
    out_printf("0%lXh", (unsigned long)uint32_t(v));
}

void print_text_of(const tree_node *n, const tmpl_item &item) {
  switch (n->op) {
    case OP_CONST: out_printf("%ld", long(n->value)); return;
    case OP_FCONST:
      if (item.has_number && item.number == 1) {
        out_printf("e%u", lex_fconst_index(n));
      } else {
        double v = n->fvalue;
        // Infinities print as the largest finite values the assembler reads.
        if (std::isinf(v)) out_printf("%s1.797693134862316e+308", v < 0 ? "-" : "");
        else out_printf("%#.17g", v);
      }
      return;
    case OP_REG: out_printf("%s", register_name(uint32_t(n->value))); return;
    case OP_CALL:
    case OP_CALLZAP:
      if (n->left && n->left->sym) out_printf("%s", sym_level_name(n->left->sym));
      // Through a pointer: the pointer (or the table or structure holding
      // it) the arguments went to names the area its targets share, though
      // the pointer may since have been taken into a temporary.
      else if (n->callee)
        out_printf("%s", sym_asm_name(n->callee));
      else if (n->left && n->left->op == OP_DEREF && n->left->left && n->left->left->op == OP_ID && n->left->left->sym)
        out_printf("%s", sym_asm_name(n->left->left->sym));
      return;
    case OP_ASM: out_printf("%s", n->text ? n->text : ""); return;
    case OP_ID: break;
    default:
      if (n->text) out_printf("%s", n->text);
      return;
  }
  symbol *s = n->sym;
  if (!s) return;
  if (sym_held_reg(s)) {
    out_printf("%s", register_name(sym_held_reg(s)));
    return;
  }
  // Autos of a function on the software stack have no address by name.
  if (s->sclass == SC_AUTO && s->owner && (s->owner->flags2 & SYM2_REENTRANT)) {
    msg(707, s->name);
    return;
  }
  out_printf("%s", sym_asm_name(s));
}

}  // namespace

const char *cgen_operator_name(uint32_t op) {
  switch (op) {
    case OP_ADD: case OP_ASADD: return "add";
    case OP_SUB: case OP_ASSUB: return "sub";
    case OP_AND: case OP_ASAND: return "and";
    case OP_OR: case OP_ASOR: return "ior";
    case OP_XOR: case OP_ASXOR: return "xor";
    case OP_MUL: case OP_ASMUL: return "mul";
    case OP_DIV: case OP_ASDIV: return "div";
    case OP_MOD: case OP_ASMOD: return "mod";
    case OP_POSTINC: return "inc";
    case OP_POSTDEC: return "dec";
    case OP_COMPL: return "com";
    case OP_SHL: case OP_ASSHL: return "l";
    case OP_SHR: case OP_ASSHR: return "r";
    case OP_ROTL: case OP_ROTR: return "r";
  }
  return op_is_compare(op) ? "c" : "s";
}

namespace {

const char *byte_prefix(uint32_t index, uint32_t size) {
  static const char *const prefixes[] = {"low(", "high(", "low highword(", "high highword("};
  if (size == 1) return "(";
  if (size > 4 || index >= size) return "";
  return prefixes[index];
}

uint32_t label_of(tree_node *n) {
  // The node's label number is kept in its spare word, which nothing else uses.
  if (n->spare <= 0) n->spare = int32_t(label_new());
  return uint32_t(n->spare);
}

// The frame of the function being written: its temporaries base, second
// area and the bytes template expansion reserves.
uint32_t frame_base(const symbol *f) { return f ? f->autos_size : 0; }
uint32_t frame_size(const symbol *f) { return f ? f->autos_size + f->params_size + f->template_extra : 0; }

void expand_operand_text(const operand &o) {
  if (!o.node || !o.node->count) return;
  uint32_t number = uint32_t(o.node->patterns[o.level]);
  const pattern &p = pattern_table[number];
  uint32_t texts = p.text_count;
  uint32_t chosen = 0;
  expand_state &s = st();
  if (texts >= 2 && s.byte_divisor) {
    chosen = s.byte_index * texts / s.byte_divisor;
    uint32_t per = s.byte_divisor / texts;
    if (per > 1) {
      s.byte_index -= chosen * per;
      s.byte_divisor = per;
    } else {
      clear_selection();
    }
  }
  cgen_expand(o.node, pat_result_text(number, chosen), o.level);
}

// One macro; answers false when the rest of the line is to be skipped.
bool expand_macro(tree_node *n, uint32_t level, const tmpl_item &item) {
  expand_state &s = st();
  if (item.letter == 'U') {
    out_printf("%u", s.nesting);
    return true;
  }
  if (item.divisor) s.byte_divisor = s.byte_divisor ? s.byte_divisor * item.divisor : item.divisor;
  operand o = select_operand(n, level, item);
  if (item.letter == 'L' || item.letter == 'R' || (item.tilde && item.letter == 'N')) {
    expand_operand_text(o);
    return true;
  }
  if (!o.node) return true;
  tree_node *at = o.node;
  switch (item.letter) {
    case 'A': out_printf("%s", tree_arith(at) == ARITH_FLOAT ? "f" : tree_arith(at) == ARITH_SIGNED ? "a" : "l"); break;
    case 'B': out_printf("%lu", (unsigned long)pointee_size(at)); break;
    case 'C':
      if (at->op == OP_BITFIELD && at->member) {
        out_printf("%d", at->member->bf_offset);
      } else if (at->op == OP_ID && at->sym && (at->sym->sclass == SC_PARAM || at->sym->sclass == SC_AUTO) &&
                 !sym_held_reg(at->sym)) {
        out_printf("%ld", long(at->sym->offset));
      } else {
        if (!s.byte_divisor) s.byte_divisor = tree_size(at) ? tree_size(at) : 1;
        s.byte_index += emit_bit_byte(at);
      }
      break;
    case 'D': {
      uint32_t offset, count;
      take_selection(tree_size(at), &offset, &count);
      if (!item.double_d) out_printf("%u", offset);
      break;
    }
    case 'E': s.byte_index = emit_target_macro(at, uint32_t(item.number), s.byte_index, o.level); break;
    case 'G': print_register(g_register(o, item), item, tree_size(at)); break;
    case 'X': print_register(at->xreg[o.level], item, tree_size(at)); break;
    case 'Y': print_register(at->yreg[o.level], item, tree_size(at)); break;
    case 'H': {
      uint32_t size = tree_size(at);
      uint32_t per = s.byte_divisor ? (size / s.byte_divisor ? size / s.byte_divisor : 1) : size;
      out_printf("%s", byte_prefix(s.byte_divisor ? s.byte_index * per : 0, size));
      break;
    }
    case 'I': {
      if (item.selector != 'N') {
        msg(705);
        break;
      }
      symbol *f = sym_current_function();
      if (item.sign == '+' && !item.has_offset) s.push += int32_t(tree_size(at));
      else if (item.sign == '-' && !item.has_offset) s.push -= int32_t(tree_size(at));
      else if (item.has_offset) s.push += item.offset;
      else if (item.has_number) s.push += item.number;
      else if (item.run == '<') out_printf("%ld", long(frame_size(f)) - s.push);
      else if (item.run == '>') out_printf("%lu", (unsigned long)frame_size(f));
      else out_printf("%ld", long(frame_base(f)) + s.push);
      if (s.push > s.push_max) s.push_max = s.push;
      break;
    }
    case 'N': out_printf("%u", label_of(at)); break;
    case 'O': out_printf("%s", cgen_operator_name(at->op)); break;
    case 'P': out_printf("%s", size_letter(pointee_size(at))); break;
    case 'Q':
      if (const char *text = emit_op_mnemonic(at->op, at, item.has_number ? uint32_t(item.number) : 0))
        out_printf("%s", text);
      break;
    case 'S': print_text_of(at, item); break;
    case 'T':
      if (at->op == OP_BITFIELD && at->member)
        out_printf("%d", at->member->bf_width);
      else
        out_printf("%u", tree_bit_number(is_single_bit(uint32_t(at->value) & tree_value_mask(at))
                                        ? uint32_t(at->value)
                                        : ~uint32_t(at->value) & tree_value_mask(at),
                                    at));
      break;
    case 'V': print_value(at); break;
    case 'W': out_printf("%s", size_letter(tree_size(at))); break;
    case 'Z':
      if (item.equals) {
        if (item.number < 0) {
          clear_selection();
          return true;
        }
        return s.byte_index == uint32_t(item.number);
      }
      if (item.sign == '+') {
        return true;  // handled by the caller: the rest of the line is stored
      }
      if (item.sign == '-') {
        if (s.deferred.empty()) break;
        std::string text = s.deferred;
        uint32_t index = s.byte_index, divisor = s.byte_divisor;
        if (item.sign_bang) clear_selection();
        cgen_expand(s.deferred_node, text.c_str(), s.deferred_level);
        if (item.sign_bang) {
          s.byte_index = index;
          s.byte_divisor = divisor;
        }
        break;
      }
      out_printf("%lu", (unsigned long)tree_size(at));
      break;
  }
  return true;
}

// Starts a template line: a label line (marked '\b') stands at the margin,
// any other is indented. A label is reached by jumps from lines before and
// after it, with whatever bank those lines selected, so the bank is forgotten.
const char *begin_template_line(const char *p) {
  if (*p != '\b') {
    out_printf("\t");
    return p;
  }
  bsr_forget(~0u);
  return p + 1;
}

// Skips to the end of the current line of the template.
const char *line_end(const char *p) {
  while (*p && *p != '\n' && *p != '\r') p++;
  return p;
}

// Functions whose virtual registers the operands of a call use must keep
// their blocks apart from the callee's.
void note_virtual_callees(tree_node *n) {
  symbol *callee = n->callee;
  if (!callee && n->left && n->left->op == OP_ID) callee = n->left->sym;
  if (!callee) return;
  regset *used = iset_alloc();
  for (tree_node *operand : {n->left, n->right})
    if (operand && operand->sets[RS_USED]) iset_union(used, operand->sets[RS_USED]);
  for (uint32_t r = iset_first(used); r; r = iset_next(used)) {
    if (r < REG_VIRTUAL_FIRST) continue;
    symbol *owner = sym_by_func_number(r >> 16);
    if (owner && owner != callee) optim_add_call_edge(callee, owner);
  }
  iset_free(used);
}

void collect_subtree(tree_node *n, std::unordered_set<const tree_node *> &nodes) {
  if (!n || !nodes.insert(n).second) return;
  collect_subtree(n->left, nodes);
  collect_subtree(n->right, nodes);
  if (n->op == OP_CALLARGS)
    for (uint32_t k = 0; k < vec_size(n->args); k++) collect_subtree(arg_of(n->args, k), nodes);
}

bool is_temp(uint32_t r) { return r >= REG_TEMP_FIRST && r < REG_VIRTUAL_FIRST; }

// Once n's code is out, the temporaries below it have been read and are
// free for the rest of the statement; those that hold n's own value pass to
// n. A node with no code or no register of its own is an operand form whose
// parent still reads through them, so all of them pass to it, as do those
// of a node with trailing code.
void release_operand_temps(tree_node *n) {
  std::vector<expand_state::temp_use> &temps = st().temps;
  if (temps.empty()) return;
  std::unordered_set<const tree_node *> below;
  collect_subtree(n, below);
  below.erase(n);
  uint32_t top = n->count ? n->count - 1 : 0;
  uint32_t result = n->count ? n->greg[top] : 0;
  bool own_value = n->count && result && result < REG_VIRTUAL_FIRST && (result < REG_CLASS_FIRST || is_temp(result));
  // Trailing code runs after the parent's, and may still read them.
  for (uint32_t k = 0; k < n->count; k++) {
    const char *trail = pattern_table[n->patterns[k]].trail;
    if (trail && *trail) own_value = false;
  }
  uint32_t size = std::max(tree_size(n), 1u);
  for (size_t k = 0; k < temps.size();) {
    expand_state::temp_use &t = temps[k];
    if (!below.count(t.owner)) {
      k++;
      continue;
    }
    bool holds_value = !own_value || (is_temp(result) && result < t.first + t.size && t.first < result + size) ||
                       (is_temp(n->xreg[top]) && n->xreg[top] < t.first + t.size && t.first < n->xreg[top] + size);
    if (holds_value) {
      t.owner = n;
      k++;
      continue;
    }
    rset_release_temp(t.first, t.size);
    temps.erase(temps.begin() + long(k));
  }
}

void emit_levels(tree_node *n) {
  for (uint32_t k = 0; k < n->count; k++) {
    // TEMP, or TEMPn for n bytes, becomes the temporary placed for this statement.
    uint32_t x = n->xreg[k];
    if (x >= REG_TEMP && x < REG_VIRTUAL_FIRST && x == pattern_table[n->patterns[k]].result_reg) {
      n->xreg[k] = rset_new_temp(n, x);
      uint32_t size = x == REG_TEMP ? std::max(tree_size(n), 1u) : x - REG_TEMP;
      st().temps.push_back({n, n->xreg[k], size});
    }
    // Where the value is, once the temporaries below it are placed.
    if (n->greg[k] > REG_CLASS_LAST && n->greg[k] < REG_VIRTUAL_FIRST) {
      uint32_t count = n->count;
      n->count = k + 1;
      n->greg[k] = cgen_result_reg(n);
      n->count = count;
    }
    if (k == 0 && n->op == OP_CALL) bsr_call_entry(n);
    const char *code = pattern_table[n->patterns[k]].code;
    if (code && *code) {
      if (tmpl_is_error_text(code)) {
        if (!model.output_suppressed) msg(1137, code);
      } else {
        code = begin_template_line(code);
        st().column = false;
        uint32_t count = n->count;
        n->count = k + 1;
        cgen_expand(n, code, k);
        n->count = count;
        end_line(true);
      }
    }
    if (k == 0 && n->op == OP_CALL) bsr_call_exit(n);
  }
}

}  // namespace

std::string cgen_temp_text(uint32_t temp) {
  symbol *f = sym_current_function();
  char number[16];
  snprintf(number, sizeof number, "%d", int(temp - REG_TEMP_FIRST + frame_base(f)));
  if (!f) return number;
  return std::string(sym_asm_name(sym_auto_area(f))) + "+" + number;
}

int32_t cgen_sign_extend(const tree_node *n, int32_t value) {
  uint32_t size = tree_size(n);
  if (size < 1 || size > 3) return value;
  uint32_t top = 1u << (8 * size - 1);
  if (uint32_t(value) & top) return int32_t(uint32_t(value) | ~((top << 1) - 1));
  return value;
}

void cgen_expand(tree_node *n, const char *text, uint32_t level) {
  expand_state &s = st();
  tmpl_item item;
  std::string error;
  // "V+" and "V-" print their line again until the count runs out, with
  // the count in place of the macro: upwards from 0, or downwards to 0.
  struct {
    bool active = false;
    uint32_t left = 0;
    int32_t counter = 0, step = 0;
  } repeat;
  const char *line_start = text;
  // At a line's end: answers where to go on (the line again while repeating).
  auto line_done = [&](bool with_comment, const char *next) -> const char * {
    if (repeat.active && repeat.left > 1) {
      repeat.left--;
      repeat.counter += repeat.step;
      end_line(with_comment);
      out_printf("\t");
      return line_start;
    }
    repeat.active = false;
    if (!*next) return next;
    end_line(with_comment);
    next = begin_template_line(next);
    line_start = next;
    return next;
  };
  for (const char *p = text; p;) {
    if (!*p) {
      if (!repeat.active || repeat.left <= 1) break;
      p = line_done(true, p);
      continue;
    }
    const char *next = tmpl_next(p, TMPL_CODE, &item, &error);
    if (!next) {
      // The generator checked every template; a broken one is our fault.
      assert_fail(error.c_str(), __FILE__, __LINE__);
      return;
    }
    switch (item.kind) {
      case TK_PLAIN: out_printf("%.*s", int(item.length), item.start); break;
      case TK_NEWLINE: next = line_done(true, next); break;
      case TK_RETURN: next = line_done(false, next); break;
      case TK_BLANK:
        out_printf("%s", s.column ? " " : "\t");
        s.column = true;
        break;
      case TK_STOP: return;
      case TK_SEMI_STOP: out_printf(";"); return;
      case TK_SEMICOLON: out_printf(";"); break;
      case TK_TILDE: out_printf("~"); break;
      case TK_BYTE_SELECT:
        s.byte_index = item.byte_index;
        s.byte_divisor = item.byte_divisor;
        break;
      case TK_DROP_SELECT: clear_selection(); break;
      case TK_MACRO:
        if (item.letter == 'Z' && item.sign == '+') {
          const char *end = line_end(next);
          s.deferred.assign(next, end);
          s.deferred_node = n;
          s.deferred_level = level;
          next = end;
        } else if ((item.letter == 'V' || item.letter == 'B') && item.sign && !item.has_offset && !item.sign_bang) {
          operand o = select_operand(n, level, item);
          if (!o.node) break;
          int32_t step = item.sign == '+' ? 1 : -1;
          if (o.node->op == OP_CALL) {
            s.push += step * o.node->value;
            if (s.push > s.push_max) s.push_max = s.push;
            break;
          }
          if (!repeat.active) {
            int32_t count = item.letter == 'B' ? int32_t(pointee_size(o.node)) : o.node->value;
            if (count <= 0) {
              next = line_end(next);
              break;
            }
            repeat.active = true;
            repeat.left = uint32_t(count);
            repeat.step = step;
            repeat.counter = step > 0 ? 0 : count - 1;
          }
          out_printf("%ld", long(repeat.counter));
        } else if (!expand_macro(n, level, item)) {
          next = line_end(next);
        }
        break;
    }
    p = next;
  }
}

void cgen_emit_trailing(tree_node *n) {
  if (!n) return;
  for (uint32_t k = n->count; k-- > 0;) {
    const char *trail = pattern_table[n->patterns[k]].trail;
    if (!trail || !*trail) continue;
    trail = begin_template_line(trail);
    st().column = false;
    cgen_expand(n, trail, k);
    end_line(true);
  }
}

void cgen_emit_code(tree_node *n) {
  if (!n) return;
  expand_state &s = st();
  bool nests = op_dope(n->op) & D_COND;
  if (nests) s.nesting++;
  int32_t push_start = s.push;
  if (n->op == OP_CALLARGS)
    for (uint32_t k = 0; k < vec_size(n->args); k++) cgen_emit_code(arg_of(n->args, k));
  tree_node *first = n->left, *second = nullptr;
  if (op_is_binary(n->op) && n->right) {
    first = (n->flags & TF_LEFT_FIRST) ? n->left : n->right;
    second = first == n->left ? n->right : n->left;
  }
  if (op_has_operands(n->op)) {
    // Either path of a choice or a short-cut condition may have run: only
    // what both leave known about the bank stays known.
    bool paths = n->op == OP_LAND || n->op == OP_LOR || n->op == OP_COLON;
    bsr_state before = bsr_current;
    cgen_emit_code(first);
    bsr_state after_first = bsr_current;
    if (n->op == OP_COLON) bsr_current = before;
    cgen_emit_code(second);
    if (paths && second) bsr_current = bsr_meet(after_first, bsr_current);
  }
  if ((n->op == OP_CALL && n->right) || n->op == OP_COPY) note_virtual_callees(n);
  cg_note_argument_calls(n);
  if (n->op == OP_CALL) n->value = push_start - s.push;
  if (n->op == OP_ASM) tree_print_text(n);
  emit_levels(n);
  if (op_has_operands(n->op)) {
    cgen_emit_trailing(first);
    cgen_emit_trailing(second);
  }
  release_operand_temps(n);
  if (nests) s.nesting--;
}

void expand_reset_statement() {
  expand_state &s = st();
  clear_selection();
  s.comment.clear();
  s.column = false;
  s.deferred.clear();
  s.deferred_node = nullptr;
  s.push = 0;
  s.temps.clear();
}

uint32_t expand_temps_high() { return st().temps_high; }

void expand_reset_counters() {
  st().temps_high = 0;
  st().push_max = 0;
}

void cgen_emit_tree(tree_node *t, int kind) {
  if (!t) return;
  if (!model.output_suppressed) {
    if (kind) emit_select_psect(kind, 0);
    // Every statement's position, so that the assembler's line records map
    // its code to the source line a debugger shows; assembly lines write
    // their own.
    if (t->op != OP_ASM && t->line > 0) emit_line_directive(t->line, t->file, 0);
    if (t->comment) {
      size_t length = strlen(t->comment);
      out_printf("%s", t->comment);
      if (!length || t->comment[length - 1] != '\n') out_putc('\n');
    }
  }
  xfree(t->comment);
  t->comment = nullptr;
  expand_reset_statement();
  rset_temps_reset(TEMPS_TREE);
  cgen_emit_code(t);
  if (rset_temps_high() > st().temps_high) st().temps_high = rset_temps_high();
  if (t->op == OP_LABEL && t->left && t->left->op == OP_ID && t->left->sym) t->left->sym->flags |= SYM_DEFINED;
  if (t->sets[RS_USED]) iset_union(rset_function_used(), t->sets[RS_USED]);
}

void cgen_reset_function_counters() { expand_reset_counters(); }
uint32_t cgen_template_extra() { return uint32_t(st().push_max > 0 ? st().push_max : 0); }
