#include "assembler/insns.h"

#include <strings.h>

#include <algorithm>
#include <cctype>

#include "assembler/expr.h"
#include "common/alert.h"
#include "linker/io.h"

namespace {

// Sorted by name for the binary search.
const insn_desc insn_table[] = {
    {"addlw", 0x0F00, FORM_K8},    {"addwf", 0x2400, FORM_FDA},   {"addwfc", 0x2000, FORM_FDA},
    {"andlw", 0x0B00, FORM_K8},    {"andwf", 0x1400, FORM_FDA},   {"bc", 0xE200, FORM_N8},
    {"bcf", 0x9000, FORM_FBA},     {"bn", 0xE600, FORM_N8},       {"bnc", 0xE300, FORM_N8},
    {"bnn", 0xE700, FORM_N8},      {"bnov", 0xE500, FORM_N8},     {"bnz", 0xE100, FORM_N8},
    {"bov", 0xE400, FORM_N8},      {"bra", 0xD000, FORM_N11},     {"bsf", 0x8000, FORM_FBA},
    {"btfsc", 0xB000, FORM_FBA},   {"btfss", 0xA000, FORM_FBA},   {"btg", 0x7000, FORM_FBA},
    {"bz", 0xE000, FORM_N8},       {"call", 0xEC00, FORM_CALL},   {"clrf", 0x6A00, FORM_FA},
    {"clrwdt", 0x0004, FORM_NONE}, {"comf", 0x1C00, FORM_FDA},    {"cpfseq", 0x6200, FORM_FA},
    {"cpfsgt", 0x6400, FORM_FA},   {"cpfslt", 0x6000, FORM_FA},   {"daw", 0x0007, FORM_NONE},
    {"dcfsnz", 0x4C00, FORM_FDA},  {"decf", 0x0400, FORM_FDA},    {"decfsz", 0x2C00, FORM_FDA},
    {"goto", 0xEF00, FORM_GOTO},   {"incf", 0x2800, FORM_FDA},    {"incfsz", 0x3C00, FORM_FDA},
    {"infsnz", 0x4800, FORM_FDA},  {"iorlw", 0x0900, FORM_K8},    {"iorwf", 0x1000, FORM_FDA},
    {"lfsr", 0xEE00, FORM_LFSR},   {"movf", 0x5000, FORM_FDA},    {"movff", 0xC000, FORM_MOVFF},
    {"movlb", 0x0100, FORM_K4},    {"movlw", 0x0E00, FORM_K8},    {"movwf", 0x6E00, FORM_FA},
    {"mullw", 0x0D00, FORM_K8},    {"mulwf", 0x0200, FORM_FA},    {"negf", 0x6C00, FORM_FA},
    {"nop", 0x0000, FORM_NONE},    {"nop2", 0xD000, FORM_NONE},   {"pop", 0x0006, FORM_NONE},
    {"push", 0x0005, FORM_NONE},   {"rcall", 0xD800, FORM_N11},   {"reset", 0x00FF, FORM_NONE},
    {"retfie", 0x0010, FORM_S},    {"retlw", 0x0C00, FORM_K8},    {"return", 0x0012, FORM_S},
    {"rlcf", 0x3400, FORM_FDA},    {"rlncf", 0x4400, FORM_FDA},   {"rrcf", 0x3000, FORM_FDA},
    {"rrncf", 0x4000, FORM_FDA},   {"setf", 0x6800, FORM_FA},     {"sleep", 0x0003, FORM_NONE},
    {"subfwb", 0x5400, FORM_FDA},  {"sublw", 0x0800, FORM_K8},    {"subwf", 0x5C00, FORM_FDA},
    {"subwfb", 0x5800, FORM_FDA},  {"swapf", 0x3800, FORM_FDA},   {"tblrd", 0x0008, FORM_TBL},
    {"tblwt", 0x000C, FORM_TBL},   {"tstfsz", 0x6600, FORM_FA},   {"xorlw", 0x0A00, FORM_K8},
    {"xorwf", 0x1800, FORM_FDA},
};

std::string lower(const std::string &s) {
  std::string out = s;
  for (char &c : out) c = (char)tolower((unsigned char)c);
  return out;
}

// The encoding of one instruction as it is built.
struct encoding {
  asm_state *st;
  asm_item *item;
  uint16_t word[2];
};

void put_word(asm_item *item, int index, uint16_t w) {
  item->bytes[2 * index] = (uint8_t)w;
  item->bytes[2 * index + 1] = (uint8_t)(w >> 8);
}

void add_expr_reloc(asm_item *item, uint32_t offset, uint8_t type, const asm_rtree &tree) {
  item->relocs.push_back({offset, type, "", expr_bytes(tree)});
}

// A relocation of the value into a field of size bytes whose bits hold the
// addend: a psect or symbol relocation when the value is one term plus an
// addend that fits, else an expression relocation.
void add_value_reloc(asm_item *item, uint32_t offset, int size, const asm_value &v, int64_t *stored) {
  asm_term term;
  int64_t addend;
  int64_t half = (int64_t)1 << (8 * size - 1);
  if (expr_single_term(v, &term, &addend) && addend >= -half && addend < half) {
    item->relocs.push_back({offset, (uint8_t)((term.is_psect ? IO_RELOC_PSECT : IO_RELOC_SYM) | size), term.name, {}});
    *stored = addend;
    return;
  }
  add_expr_reloc(item, offset, (uint8_t)(IO_RELOC_EXPR | size), expr_tree(v));
  *stored = 0;
}

bool eval_operand(asm_state *st, const asm_operand &op, asm_value *v) {
  return expr_eval(st, op.expr.get(), EXPR_FINAL, v);
}

bool range_error(const asm_operand &op, const char *what, int64_t lo, int64_t hi) {
  msg(ASM_MSG_RANGE, op.text.c_str(), what, (long long)lo, (long long)hi);
  return false;
}

// A byte as PIC assemblers take it: -128..255 as written, beyond that a
// warning and the low byte.
uint8_t byte_value(const asm_operand &op, int64_t value) {
  if (value < -128 || value > 0xFF) msg(ASM_MSG_BYTE_TRUNCATED, op.text.c_str(), (unsigned)(value & 0xFF));
  return (uint8_t)value;
}

// An absolute operand within lo..hi.
bool absolute_in(asm_state *st, const asm_operand &op, int64_t lo, int64_t hi, const char *what,
                 int64_t *out) {
  asm_value v;
  if (!eval_operand(st, op, &v)) return false;
  if (!v.is_absolute()) {
    msg(ASM_MSG_NOT_RELOCATABLE, op.text.c_str(), what);
    return false;
  }
  if (v.k < lo || v.k > hi) return range_error(op, what, lo, hi);
  *out = v.k;
  return true;
}

// The designator words and the expressions of a file-register operand list.
struct file_operands {
  std::vector<const asm_operand *> exprs;
  int d = -1, a = -1;
};

bool split_file_operands(const insn_desc *insn, const asm_item *item, file_operands *out) {
  for (const asm_operand &op : item->operands) {
    if (op.expr) {
      out->exprs.push_back(&op);
      continue;
    }
    std::string w = lower(op.text);
    int *slot = w == "w" || w == "f" ? &out->d : &out->a;
    if (slot == &out->d && insn->form != FORM_FDA) {
      msg(ASM_MSG_SYNTAX, op.text.c_str());
      return false;
    }
    if (*slot >= 0) {
      msg(ASM_MSG_OPERANDS, insn->name);
      return false;
    }
    *slot = w == "f" || w == "b";
  }
  return true;
}

bool encode_file(encoding *enc, const insn_desc *insn) {
  asm_state *st = enc->st;
  asm_item *item = enc->item;
  file_operands ops;
  if (!split_file_operands(insn, item, &ops)) return false;
  // Positional numbers: the bit (bit instructions), then d (when it has
  // one), then a, each only where no designator word gave it.
  size_t need = insn->form == FORM_FBA ? 2 : 1;
  size_t next = need;
  if (ops.exprs.size() < need) {
    msg(ASM_MSG_OPERANDS, insn->name);
    return false;
  }
  int64_t n;
  if (insn->form == FORM_FDA && ops.d < 0 && next < ops.exprs.size()) {
    if (!absolute_in(st, *ops.exprs[next++], 0, 1, "destination", &n)) return false;
    ops.d = (int)n;
  }
  if (ops.a < 0 && next < ops.exprs.size()) {
    if (!absolute_in(st, *ops.exprs[next++], 0, 1, "access bit", &n)) return false;
    ops.a = (int)n;
  }
  if (next < ops.exprs.size()) {
    msg(ASM_MSG_OPERANDS, insn->name);
    return false;
  }
  uint16_t w = insn->opcode;
  if (insn->form == FORM_FBA) {
    if (!absolute_in(st, *ops.exprs[1], 0, 7, "bit number", &n)) return false;
    w |= (uint16_t)(n << 9);
  }
  if (insn->form == FORM_FDA) w |= (uint16_t)((ops.d < 0 ? 1 : ops.d) << 9);

  const asm_operand &fop = *ops.exprs[0];
  asm_value v;
  if (!eval_operand(st, fop, &v)) return false;
  bool in_sfr = v.is_absolute() && v.k >= st->sfr_start && v.k <= 0xFFF;
  // The access bank is the RAM below the SFR half's offset and the SFR half.
  bool in_access_ram = v.is_absolute() && v.k >= 0 && v.k < int64_t(st->sfr_start & 0xFF);
  if (ops.a < 0) ops.a = (in_sfr || in_access_ram) && !v.masked ? 0 : 1;
  w |= (uint16_t)(ops.a << 8);
  if (v.is_absolute()) {
    if (v.k < 0 || v.k > 0xFFF) return range_error(fop, "file register", 0, 0xFFF);
    if (ops.a == 0 && v.k > 0xFF && !in_sfr) {
      msg(ASM_MSG_ACCESS, fop.text.c_str());
      return false;
    }
    w |= (uint16_t)(v.k & 0xFF);
  } else {
    // The bank (or the access bank) supplies the rest of the address.
    add_expr_reloc(item, 0, IO_RELOC_EXPR | 1, expr_op(IO_OP_LOW, expr_tree(v)));
  }
  enc->word[0] = w;
  return true;
}

bool encode_literal(encoding *enc, const insn_desc *insn, int bits) {
  asm_item *item = enc->item;
  if (item->operands.size() != 1 || !item->operands[0].expr) {
    msg(ASM_MSG_OPERANDS, insn->name);
    return false;
  }
  const asm_operand &op = item->operands[0];
  asm_value v;
  if (!eval_operand(enc->st, op, &v)) return false;
  int64_t mask = (1 << bits) - 1;
  if (v.is_absolute()) {
    int64_t k = v.k;
    if (bits == 8)
      k = byte_value(op, k);
    else if (k < 0 || k > mask)
      return range_error(op, "literal", 0, mask);
    enc->word[0] = (uint16_t)(insn->opcode | (k & mask));
    return true;
  }
  int64_t stored = 0;
  if (bits == 8)
    add_value_reloc(item, 0, 1, v, &stored);
  else
    add_expr_reloc(item, 0, (uint8_t)(IO_RELOC_EXPR_BITS | bits), expr_tree(v));
  enc->word[0] = (uint16_t)(insn->opcode | (stored & mask));
  return true;
}

// The distance in words from the instruction after this one to the target.
bool encode_branch(encoding *enc, const insn_desc *insn, int bits) {
  asm_item *item = enc->item;
  if (item->operands.size() != 1 || !item->operands[0].expr) {
    msg(ASM_MSG_OPERANDS, insn->name);
    return false;
  }
  const asm_operand &op = item->operands[0];
  asm_value target;
  if (!eval_operand(enc->st, op, &target)) return false;
  asm_value here;
  here.k = item->offset + 2;
  if (!item->psect->is_abs()) here.terms.push_back({true, item->psect->name, 1});
  // distance = target - here, by the linear rules where they apply
  asm_value dist;
  if (!target.tree) {
    dist = target;
    dist.k -= here.k;
    bool merged = false;
    for (asm_term &t : dist.terms) {
      if (!here.terms.empty() && t.is_psect && t.name == here.terms[0].name) {
        t.coef -= 1;
        merged = true;
      }
    }
    dist.terms.erase(std::remove_if(dist.terms.begin(), dist.terms.end(), [](const asm_term &t) { return t.coef == 0; }),
                     dist.terms.end());
    if (!here.terms.empty() && !merged) dist.terms.push_back({true, here.terms[0].name, -1});
  } else {
    dist.tree = expr_op(IO_OP_SUB, target.tree, expr_tree(here));
  }
  int64_t limit = (int64_t)1 << (bits - 1);
  if (dist.is_absolute()) {
    if (dist.k & 1) {
      msg(ASM_MSG_ODD, op.text.c_str());
      return false;
    }
    int64_t n = dist.k / 2;
    if (n < -limit || n >= limit) {
      msg(ASM_MSG_BRANCH, op.text.c_str(), (long)n);
      return false;
    }
    enc->word[0] = (uint16_t)(insn->opcode | (n & ((1 << bits) - 1)));
    return true;
  }
  asm_rtree words = expr_op(IO_OP_ASR, expr_tree(dist), expr_const(1));
  add_expr_reloc(item, 0, bits == 8 ? IO_RELOC_EXPR | 1 : (uint8_t)(IO_RELOC_EXPR_BITS | bits), words);
  enc->word[0] = insn->opcode;
  return true;
}

bool word_is(const asm_operand &op, const char *w) { return !op.expr && lower(op.text) == w; }

bool encode_call(encoding *enc, const insn_desc *insn) {
  asm_item *item = enc->item;
  size_t count = item->operands.size();
  size_t allowed = insn->form == FORM_CALL ? 2 : 1;
  if (count < 1 || count > allowed || !item->operands[0].expr) {
    msg(ASM_MSG_OPERANDS, insn->name);
    return false;
  }
  uint16_t fast = 0;
  if (count == 2) {
    const asm_operand &s = item->operands[1];
    int64_t n;
    if (word_is(s, "f")) {
      fast = 1;
    } else if (s.expr && absolute_in(enc->st, s, 0, 1, "fast bit", &n)) {
      fast = (uint16_t)n;
    } else {
      if (!s.expr) msg(ASM_MSG_SYNTAX, s.text.c_str());
      return false;
    }
  }
  const asm_operand &op = item->operands[0];
  asm_value t;
  if (!eval_operand(enc->st, op, &t)) return false;
  uint16_t w0 = (uint16_t)(insn->opcode | fast << 8), w1 = 0xF000;
  if (t.is_absolute()) {
    if (t.k < 0 || t.k > 0x1FFFFF) return range_error(op, "program address", 0, 0x1FFFFF);
    if (t.k & 1) {
      msg(ASM_MSG_ODD, op.text.c_str());
      return false;
    }
    w0 |= (uint16_t)((t.k >> 1) & 0xFF);
    w1 |= (uint16_t)((t.k >> 9) & 0xFFF);
  } else {
    asm_rtree tree = expr_tree(t);
    add_expr_reloc(item, 0, IO_RELOC_EXPR | 1, expr_op(IO_OP_LOW, expr_op(IO_OP_SHR, tree, expr_const(1))));
    add_expr_reloc(item, 2, IO_RELOC_EXPR_BITS | 12, expr_op(IO_OP_SHR, tree, expr_const(9)));
  }
  enc->word[0] = w0;
  enc->word[1] = w1;
  return true;
}

bool encode_lfsr(encoding *enc, const insn_desc *insn) {
  asm_item *item = enc->item;
  if (item->operands.size() != 2 || !item->operands[0].expr || !item->operands[1].expr) {
    msg(ASM_MSG_OPERANDS, insn->name);
    return false;
  }
  int64_t fsr;
  if (!absolute_in(enc->st, item->operands[0], 0, 2, "FSR number", &fsr)) return false;
  const asm_operand &op = item->operands[1];
  asm_value k;
  if (!eval_operand(enc->st, op, &k)) return false;
  uint16_t w0 = (uint16_t)(insn->opcode | fsr << 4), w1 = 0xF000;
  if (k.is_absolute()) {
    if (k.k < 0 || k.k > 0xFFF) return range_error(op, "data address", 0, 0xFFF);
    w0 |= (uint16_t)(k.k >> 8);
    w1 |= (uint16_t)(k.k & 0xFF);
  } else {
    asm_rtree tree = expr_tree(k);
    add_expr_reloc(item, 0, IO_RELOC_EXPR_BITS | 4, expr_op(IO_OP_SHR, tree, expr_const(8)));
    add_expr_reloc(item, 2, IO_RELOC_EXPR | 1, expr_op(IO_OP_LOW, tree));
  }
  enc->word[0] = w0;
  enc->word[1] = w1;
  return true;
}

// A 12-bit data address in the low bits of one word of movff.
bool movff_field(encoding *enc, const asm_operand &op, uint32_t offset, uint16_t *word) {
  asm_value v;
  if (!eval_operand(enc->st, op, &v)) return false;
  if (v.is_absolute()) {
    if (v.k < 0 || v.k > 0xFFF) return range_error(op, "data address", 0, 0xFFF);
    *word |= (uint16_t)v.k;
    return true;
  }
  asm_term term;
  int64_t addend;
  if (expr_single_term(v, &term, &addend) && addend >= -2048 && addend < 2048) {
    uint8_t type = (term.is_psect ? IO_RELOC_PSECT_BITS : IO_RELOC_SYM_BITS) | 12;
    enc->item->relocs.push_back({offset, type, term.name, {}});
    *word |= (uint16_t)(addend & 0xFFF);
    return true;
  }
  add_expr_reloc(enc->item, offset, IO_RELOC_EXPR_BITS | 12, expr_tree(v));
  return true;
}

bool encode_movff(encoding *enc, const insn_desc *insn) {
  asm_item *item = enc->item;
  if (item->operands.size() != 2 || !item->operands[0].expr || !item->operands[1].expr) {
    msg(ASM_MSG_OPERANDS, insn->name);
    return false;
  }
  enc->word[0] = insn->opcode;
  enc->word[1] = 0xF000;
  return movff_field(enc, item->operands[0], 0, &enc->word[0]) &&
         movff_field(enc, item->operands[1], 2, &enc->word[1]);
}

bool encode_fast(encoding *enc, const insn_desc *insn) {
  asm_item *item = enc->item;
  enc->word[0] = insn->opcode;
  if (item->operands.empty()) return true;
  if (item->operands.size() > 1) {
    msg(ASM_MSG_OPERANDS, insn->name);
    return false;
  }
  const asm_operand &s = item->operands[0];
  if (word_is(s, "f")) {
    enc->word[0] |= 1;
    return true;
  }
  int64_t n;
  if (!s.expr) {
    msg(ASM_MSG_SYNTAX, s.text.c_str());
    return false;
  }
  if (!absolute_in(enc->st, s, 0, 1, "fast bit", &n)) return false;
  enc->word[0] |= (uint16_t)n;
  return true;
}

bool encode_table(encoding *enc, const insn_desc *insn) {
  asm_item *item = enc->item;
  std::string mode;
  if (item->operands.size() == 1)
    for (char c : item->operands[0].text)
      if (!isspace((unsigned char)c)) mode += c;
  const char *modes[] = {"*", "*+", "*-", "+*"};
  for (int i = 0; i < 4; i++) {
    if (mode == modes[i]) {
      enc->word[0] = (uint16_t)(insn->opcode | i);
      return true;
    }
  }
  msg(ASM_MSG_SYNTAX, item->operands.empty() ? insn->name : item->operands[0].text.c_str());
  return false;
}

}  // namespace

const insn_desc *insn_find(const std::string &mnemonic) {
  std::string key = lower(mnemonic);
  auto it = std::lower_bound(std::begin(insn_table), std::end(insn_table), key,
                             [](const insn_desc &d, const std::string &k) { return k.compare(d.name) > 0; });
  return it != std::end(insn_table) && key == it->name ? it : nullptr;
}

uint32_t insn_size(const insn_desc *insn) {
  switch (insn->form) {
    case FORM_CALL:
    case FORM_GOTO:
    case FORM_LFSR:
    case FORM_MOVFF:
      return 4;
    default:
      return 2;
  }
}

bool insn_operand_is_word(const insn_desc *insn, const std::string &text) {
  if (insn->form == FORM_TBL) return true;
  std::string w = lower(text);
  switch (insn->form) {
    case FORM_FDA:
    case FORM_FA:
    case FORM_FBA:
      return w == "w" || w == "f" || w == "c" || w == "b";
    case FORM_CALL:
    case FORM_S:
      return w == "f";
    default:
      return false;
  }
}

bool insn_encode(asm_state *st, asm_item *item) {
  const insn_desc *insn = item->insn;
  encoding enc = {st, item, {0, 0}};
  item->bytes.assign(insn_size(insn), 0);
  item->relocs.clear();
  bool ok = false;
  switch (insn->form) {
    case FORM_NONE:
      ok = item->operands.empty();
      if (!ok) msg(ASM_MSG_OPERANDS, insn->name);
      enc.word[0] = insn->opcode;
      break;
    case FORM_FDA:
    case FORM_FA:
    case FORM_FBA:
      ok = encode_file(&enc, insn);
      break;
    case FORM_K8:
      ok = encode_literal(&enc, insn, 8);
      break;
    case FORM_K4:
      ok = encode_literal(&enc, insn, 4);
      break;
    case FORM_N8:
      ok = encode_branch(&enc, insn, 8);
      break;
    case FORM_N11:
      ok = encode_branch(&enc, insn, 11);
      break;
    case FORM_CALL:
    case FORM_GOTO:
      ok = encode_call(&enc, insn);
      break;
    case FORM_LFSR:
      ok = encode_lfsr(&enc, insn);
      break;
    case FORM_MOVFF:
      ok = encode_movff(&enc, insn);
      break;
    case FORM_S:
      ok = encode_fast(&enc, insn);
      break;
    case FORM_TBL:
      ok = encode_table(&enc, insn);
      break;
  }
  put_word(item, 0, enc.word[0]);
  if (item->bytes.size() == 4) put_word(item, 1, enc.word[1]);
  return ok;
}

bool data_encode(asm_state *st, asm_item *item) {
  int size = item->data_size;
  item->bytes.assign(size, 0);
  item->relocs.clear();
  const asm_operand &op = item->operands[0];
  asm_value v;
  if (!eval_operand(st, op, &v)) return false;
  int64_t value;
  if (v.is_absolute() && size == 1) {
    value = byte_value(op, v.k);
  } else if (v.is_absolute()) {
    int64_t top = ((int64_t)1 << (8 * size)) - 1;
    if (v.k < -((top + 1) / 2) || v.k > top) return range_error(op, "word", -((top + 1) / 2), top);
    value = v.k;
  } else {
    add_value_reloc(item, 0, size, v, &value);
  }
  for (int i = 0; i < size; i++) item->bytes[i] = (uint8_t)(value >> (8 * i));
  return true;
}
