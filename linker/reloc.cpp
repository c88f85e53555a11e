#include "linker/reloc.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "common/alert.h"
#include "linker/options.h"
#include "linker/sym.h"
#include "linker/text.h"

enum {
  MSG_RANGE_CHECK = 478,
  MSG_BEYOND_DATA = 508,
  MSG_BAD_FIELD_SIZE = 509,
  MSG_EXPR_KEPT = 510,
  MSG_RANGE_OPERANDS = 511,
  MSG_BAD_OPERATOR = 512,
  MSG_STACK_DEPTH = 513,
  MSG_BAD_TYPE = 514,
  MSG_UNKNOWN_NAME = 519,
  MSG_DIVIDE_BY_ZERO = 527,
  MSG_NAMED_OVERFLOW = 1267,
  MSG_OVERFLOW = 1268,
};

namespace {

enum { STACK_SIZE = 64 };

uint32_t delta_of(const link_symbol *psect) {
  return psect && psect->info && psect->info->delta ? psect->info->delta : 1;
}

// (link address + the module's offset within the psect) / delta.
uint32_t psect_value(const link_symbol *psect) {
  return (psect->info->link + text_module_offset(psect)) / delta_of(psect);
}

// A symbol's value in its psect's units; the plain value without a psect.
uint32_t symbol_value(const link_symbol *sym) {
  return sym->base ? sym->value / delta_of(sym->base) : sym->value;
}

// The psect a symbol's value belongs to (equates resolve to their target's).
link_symbol *symbol_psect(const link_symbol *sym) {
  link_symbol *p = sym->base;
  return p && (p->flags & LS_PSECT) ? p : nullptr;
}

link_symbol *find_psect(const char *name, const char *record) {
  link_symbol *p = sym_find(name, LS_PSECT | LS_GLOBAL);
  if (!p) msg(MSG_UNKNOWN_NAME, "psect", name, record);
  return p;
}

link_symbol *find_symbol(const char *name, const char *record) {
  link_symbol *s = sym_find(name, 0);
  if (!s) msg(MSG_UNKNOWN_NAME, "symbol", name, record);
  return s;
}

void mark_selector(link_symbol *psect) {
  if (psect) psect->flags |= LS_SELECTOR;
}

uint8_t current_kind() { return lpos.reader ? lpos.reader->kind : (uint8_t)IO_RELOC; }

const char *record_name() {
  if (lpos.listing) return "LISTFIELD";
  const char *name = io_kind_name(current_kind());
  return name ? name : "RELOC";
}

bool unplaced(const link_symbol *psect) { return psect && (psect->state & ST_UNPLACED); }

// Shows the source line of an address, when line records know it, with the
// next message.
void line_context(uint32_t address) {
  if (const line_record *l = sym_line_at(address)) link_set_line_context(l->file, (int)l->line);
}

}  // namespace

uint32_t reloc_field_bits(uint8_t type) {
  if (type >= 0xC0) return type & 0x0F;
  return (type & 0x0F) * 8;
}

uint32_t reloc_field_size(uint8_t type) {
  if (type >= 0xC0) return ((type & 0x0F) + 7) / 8;
  return type & 0x0F;
}

uint32_t reloc_rot8(uint32_t v) {
  if (v < 256) return v;
  uint32_t z = (uint32_t)__builtin_ctz(v);
  if (v & ~(uint32_t)(0xFFull << z)) return 0xFFFF;
  v >>= z;
  if (z & 1) {
    v <<= 1;
    if (v > 0xFF) return 0xFFFFFFFF;
    return v | (((33 - z) >> 1) << 8);
  }
  return v | (((32 - z) >> 1) << 8);
}

reloc_expr_result reloc_eval(body_cursor *c, uint32_t base, uint32_t offset) {
  reloc_expr_result result = {false, 0, nullptr, false};
  uint32_t stack[STACK_SIZE];
  int depth = 0;
  std::string range_text;
  bool failed = false;  // an error ended the evaluation: no value
  for (;;) {
    if (body_at_end(c)) {
      link_bad_record(current_kind());
      result.broken = true;
      return result;
    }
    uint32_t start = c->pos;
    uint8_t op = (uint8_t)body_u8(c);
    io_operand operand = io_expr_operand(op);
    if (operand == IO_OPND_BAD) {
      msg(MSG_BAD_OPERATOR, (unsigned)op);
      result.broken = true;
      return result;
    }
    if (failed) {
      // Walk to the end of the expression without evaluating.
      c->pos = start;
      long end = io_skip_expr(c->body, c->length, start);
      if (end < 0) {
        link_bad_record(current_kind());
        result.broken = true;
        c->pos = c->length;
      } else {
        c->pos = (uint32_t)end;
      }
      return result;
    }
    if (op == IO_OP_END) {
      if (depth != 1) {
        msg(MSG_STACK_DEPTH);
        return result;
      }
      result.has_value = true;
      result.value = stack[0];
      return result;
    }
    uint32_t constant = 0;
    const char *name = nullptr;
    if (operand == IO_OPND_U32) constant = body_u32(c);
    if (operand == IO_OPND_NAME) name = body_string(c);
    if (c->bad) {
      link_bad_record(current_kind());
      result.broken = true;
      return result;
    }

    int pops = 0;
    switch (op) {
      case IO_OP_LOW: case IO_OP_HIGH: case IO_OP_NOT: case IO_OP_NEG: case IO_OP_ROT8:
      case IO_OP_ABS:
        pops = 1;
        break;
      case IO_OP_ADD: case IO_OP_SUB: case IO_OP_MUL: case IO_OP_DIV: case IO_OP_MOD:
      case IO_OP_SHL: case IO_OP_SHR: case IO_OP_AND: case IO_OP_OR: case IO_OP_XOR:
      case IO_OP_BITCLR: case IO_OP_ASR:
        pops = 2;
        break;
      default:
        break;
    }
    if (op == IO_OP_RANGE) {
      if (depth != 2) {
        msg(MSG_RANGE_OPERANDS);
      } else {
        uint32_t left = stack[1], right = stack[0];
        if ((int32_t)left < (int32_t)right)
          msg(MSG_RANGE_CHECK, range_text.c_str(), (unsigned long)(base + offset), (unsigned long)base,
              (unsigned long)offset, (unsigned long)right, (unsigned long)left);
      }
      failed = true;
      continue;
    }
    if (depth < pops) {
      msg(MSG_STACK_DEPTH);
      failed = true;
      continue;
    }
    bool pushes = operand != IO_OPND_NONE && op != IO_OP_RANGETEXT;
    if (pushes && depth == STACK_SIZE) {
      msg(MSG_STACK_DEPTH);
      failed = true;
      continue;
    }

    uint32_t &top = stack[depth ? depth - 1 : 0];
    if (pops == 2) {
      uint32_t left = stack[depth - 1], right = stack[depth - 2];
      uint32_t r = 0;
      switch (op) {
        case IO_OP_ADD: r = left + right; break;
        case IO_OP_SUB: r = left - right; break;
        case IO_OP_MUL: r = left * right; break;
        case IO_OP_DIV:
        case IO_OP_MOD:
          if (right == 0) {
            msg(MSG_DIVIDE_BY_ZERO);
            failed = true;
            break;
          }
          r = op == IO_OP_DIV ? left / right : left % right;
          break;
        case IO_OP_SHL: r = left << (right & 31); break;
        case IO_OP_SHR: r = left >> (right & 31); break;
        case IO_OP_AND: r = left & right; break;
        case IO_OP_OR: r = left | right; break;
        case IO_OP_XOR: r = left ^ right; break;
        case IO_OP_BITCLR: r = (left >> (right & 31)) & ~(1u << ((right >> 16) & 31)); break;
        case IO_OP_ASR: r = (uint32_t)((int32_t)left >> (right & 31)); break;
      }
      if (failed) continue;
      depth -= 1;
      stack[depth - 1] = r;
      continue;
    }
    switch (op) {
      case IO_OP_LOW: top &= 0xFF; break;
      case IO_OP_HIGH: top = (top >> 8) & 0xFF; break;
      case IO_OP_NOT: top = ~top; break;
      case IO_OP_NEG: top = 0u - top; break;
      case IO_OP_ROT8: top = reloc_rot8(top); break;
      case IO_OP_ABS: top = (int32_t)top < 0 ? 0u - top : top; break;
      case IO_OP_CONST: stack[depth++] = constant; break;
      case IO_OP_RANGETEXT: range_text = name; break;
      case IO_OP_DEFINED: {
        link_symbol *s = sym_find(name, 0);
        stack[depth++] = s && (s->flags & LS_KIND) != IO_SYM_REF;
        break;
      }
      case IO_OP_PSECT:
      case IO_OP_PSECT_PCREL:
      case IO_OP_PSECT_SEL: {
        link_symbol *p = find_psect(name, record_name());
        if (!p) {
          failed = true;
          break;
        }
        result.last_psect = p;
        uint32_t v;
        if (op == IO_OP_PSECT_SEL) {
          v = p->info->selector;
          mark_selector(p);
        } else {
          v = psect_value(p);
          if (op == IO_OP_PSECT_PCREL) v = v - base - offset;
        }
        stack[depth++] = v;
        break;
      }
      case IO_OP_SYM:
      case IO_OP_SYM_PCREL:
      case IO_OP_SYM_SEL: {
        link_symbol *s = find_symbol(name, record_name());
        if (!s) {
          failed = true;
          break;
        }
        link_symbol *p = symbol_psect(s);
        if (p) result.last_psect = p;
        uint32_t v;
        if (op == IO_OP_SYM_SEL) {
          v = p ? p->info->selector : 0;
          mark_selector(p);
        } else {
          v = symbol_value(s);
          if (op == IO_OP_SYM_PCREL && s->base) v = v - base - offset;
        }
        stack[depth++] = v;
        break;
      }
    }
    if (failed) continue;
    if (depth < 1 && op != IO_OP_RANGETEXT) {
      msg(MSG_STACK_DEPTH);
      failed = true;
    }
  }
}

bool reloc_patch(uint8_t *data, uint32_t length, uint32_t offset, uint8_t type, uint32_t value,
                 bool byte_cut, bool *overflow, uint32_t *sum_out) {
  *overflow = false;
  uint32_t size = reloc_field_size(type);
  if (size == 0 || size > 4) {
    msg(MSG_BAD_FIELD_SIZE, (unsigned)type);
    return false;
  }
  if ((uint64_t)offset + size > length) {
    msg(MSG_BEYOND_DATA, (unsigned)offset, (unsigned)length, (unsigned long)ltext.base);
    return false;
  }
  uint8_t *f = data + offset;
  uint32_t mask;
  if (type >= 0xC0)
    mask = (1u << (type & 0x0F)) - 1;
  else
    mask = size == 4 ? 0xFFFFFFFFu : (1u << (8 * size)) - 1;
  uint32_t field;
  switch (size) {
    case 1: field = f[0]; break;
    case 2: field = io_get16(&lmaps, f); break;
    case 3: field = io_get24(&lmaps, f); break;
    default: field = io_get32(&lmaps, f); break;
  }
  uint32_t addend = field & mask;
  uint32_t top_bit = mask & ~(mask >> 1);
  if (addend & top_bit) addend |= ~mask;
  uint32_t sum = addend + value;
  if (size == 1 && byte_cut) sum &= 0xFF;
  uint32_t above = sum & ~mask;
  *overflow = above != 0 && above != ~mask;
  *sum_out = sum;
  field = (field & ~mask) | (sum & mask);
  switch (size) {
    case 1: f[0] = (uint8_t)field; break;
    case 2: io_put16(&lmaps, f, field); break;
    case 3: io_put24(&lmaps, f, field); break;
    default: io_put32(&lmaps, f, field); break;
  }
  return true;
}

namespace {

// Adds an entry to the output's RELOC record, its offset counted from the
// TEXT piece it will follow.
void keep_entry(uint32_t offset, uint8_t type, const char *name) {
  uint32_t size = 3 + (uint32_t)strlen(name) + 1;
  uint8_t *at = begin_entry(&lout, IO_RELOC, size);
  if (!at) return;
  uint32_t rebased = offset >= ltext.written ? offset - ltext.written : 0;
  io_put16(&lmaps, at, rebased);
  at[2] = type;
  memcpy(at + 3, name, size - 3);
  lout.pos += size;
}

void report_overflow(bool named, const char *what, const char *name, uint32_t sum, uint32_t offset,
                     uint8_t type) {
  uint32_t size = reloc_field_size(type);
  uint32_t address = ltext.base + offset;
  std::string where = lpos.module ? link_module_text(lpos.module) : std::string();
  unsigned record = lpos.reader ? lpos.reader->record_no : 0;
  line_context(address);
  if (named)
    msg(MSG_NAMED_OVERFLOW, what, name, (unsigned long)sum, (unsigned)size, size == 1 ? "" : "s",
        (unsigned long)address, where.c_str(), record, (unsigned)offset);
  else
    msg(MSG_OVERFLOW, (unsigned long)sum, (unsigned)size, size == 1 ? "" : "s", (unsigned long)address,
        where.c_str(), record, (unsigned)offset);
  link_set_line_context(nullptr, 0);
}

// One field patch with the overflow check of a final link.
void patch_checked(uint32_t offset, uint8_t type, uint32_t value, const char *what, const char *name,
                   const link_symbol *concerned) {
  bool byte_cut = ltext.psect && (ltext.psect->flags & (LS_BYTE | LS_BIT));
  bool overflow;
  uint32_t sum;
  if (!reloc_patch(ltext.body + ltext.data_pos, ltext.length, offset, type, value, byte_cut, &overflow,
                   &sum))
    return;
  uint32_t end = offset + reloc_field_size(type);
  if (end > ltext.write_end) ltext.write_end = end;
  if (overflow && !unplaced(concerned)) report_overflow(what != nullptr, what, name, sum, offset, type);
}

bool is_symbol_kind(uint8_t type) {
  uint8_t high = type & 0xF0;
  return high == 0x20 || high == 0x60 || high == 0xA0 || high == 0xE0;
}

// -R: defined symbols become psect relocations of their psect, and every
// entry that a later link needs is kept; fields get only what this link knows.
void apply_relocatable(uint32_t offset, uint8_t type, const char *name) {
  uint8_t high = type & 0xF0;
  link_symbol *sym = nullptr;
  if (is_symbol_kind(type)) {
    sym = find_symbol(name, "RELOC");
    if (!sym) return;
    if ((sym->flags & LS_KIND) != IO_SYM_REF) {
      link_symbol *psect = symbol_psect(sym);
      bool absolute = (sym->flags & LS_ABS) || !psect || (psect->flags & LS_ABS);
      uint8_t converted = (uint8_t)((type & ~0x30) | (absolute ? 0 : 0x10));
      if (converted >= 0x10) keep_entry(offset, converted, psect ? psect->name : "");
      patch_checked(offset, converted, symbol_value(sym), "symbol", name, psect);
      return;
    }
  }
  if (type >= 0x10) keep_entry(offset, type, name);
  switch (high) {
    case 0x10:
    case 0x40:
    case 0x50: {
      link_symbol *psect = find_psect(name, "RELOC");
      if (psect) patch_checked(offset, type, text_module_offset(psect), "psect", name, psect);
      return;
    }
    case 0x00:
    case 0x20:
    case 0x60:
    case 0x80:
    case 0x90:
    case 0xA0:
      patch_checked(offset, type, 0, name[0] ? (sym ? "symbol" : "psect") : nullptr, name, nullptr);
      return;
    default:
      msg(MSG_BAD_TYPE, (unsigned)type);
  }
}

void apply_final(uint32_t offset, uint8_t type, const char *name) {
  uint8_t high = type & 0xF0;
  link_symbol *psect = nullptr;  // the psect concerned
  uint32_t value = 0;
  const char *what = nullptr;
  switch (high) {
    case 0x00:
    case 0x80:
      break;
    case 0x10:
    case 0xD0:
    case 0x40:
    case 0x50:
    case 0x90:
      psect = find_psect(name, "RELOC");
      if (!psect) return;
      what = "psect";
      if (high == 0x90) {
        value = psect->info->selector;
        mark_selector(psect);
      } else {
        value = psect_value(psect);
        if (high == 0x40 || high == 0x50) value = value - ltext.base - offset;
      }
      break;
    case 0x20:
    case 0xE0:
    case 0x60:
    case 0xA0: {
      link_symbol *sym = find_symbol(name, "RELOC");
      if (!sym) return;
      psect = symbol_psect(sym);
      // A symbol without a psect leaves the field as it is.
      if (!sym->base) return;
      what = "symbol";
      if (high == 0xA0) {
        value = psect ? psect->info->selector : 0;
        mark_selector(psect);
      } else {
        value = symbol_value(sym);
        if (high == 0x60) value = value - ltext.base - offset;
      }
      break;
    }
    default:
      msg(MSG_BAD_TYPE, (unsigned)type);
      return;
  }
  bool keep = (type < 0x80 && lopt.keep_reloc_low) || (type >= 0x80 && lopt.keep_reloc_high);
  if (keep && psect && !(psect->flags & LS_ABS)) keep_entry(offset, type & 0x8F, psect->name);
  patch_checked(offset, type, value, what, name, psect);
}

void apply_expression(uint32_t offset, uint8_t type, body_cursor *c, bool *broken) {
  if (lopt.relocatable || lopt.keep_reloc_low || lopt.keep_reloc_high) msg(MSG_EXPR_KEPT);
  reloc_expr_result r = reloc_eval(c, ltext.base, offset);
  *broken = r.broken;
  if (!r.has_value) return;
  if (!ltext.active) {
    msg(MSG_BEYOND_DATA, (unsigned)offset, 0u, 0ul);
    return;
  }
  uint32_t value = (type & 0xF0) == 0x70 ? r.value - ltext.base - offset : r.value;
  patch_checked(offset, type, value, nullptr, "", r.last_psect);
}

}  // namespace

void reloc_apply() {
  body_cursor c = body_of(lpos.reader);
  while (!body_at_end(&c)) {
    uint32_t offset = body_u16(&c);
    uint8_t type = (uint8_t)body_u8(&c);
    if (c.bad) return link_bad_record(IO_RELOC);
    if (io_reloc_has_expr(type)) {
      bool broken;
      apply_expression(offset, type, &c, &broken);
      if (broken) return;
      continue;
    }
    const char *name = body_string(&c);
    if (c.bad) return link_bad_record(IO_RELOC);
    if (!ltext.active) {
      msg(MSG_BEYOND_DATA, (unsigned)offset, 0u, 0ul);
      continue;
    }
    if (lopt.relocatable)
      apply_relocatable(offset, type, name);
    else
      apply_final(offset, type, name);
  }
}

void reloc_condexpr() {
  body_cursor c = body_of(lpos.reader);
  reloc_expr_result r = reloc_eval(&c, ltext.active ? ltext.base : 0, 0);
  if (r.has_value && r.value == 0) lpos.skip = true;
}

bool reloc_listing_field(uint8_t *field, uint32_t offset, uint8_t type, body_cursor *expr) {
  if (lopt.relocatable || lopt.keep_reloc_low || lopt.keep_reloc_high) msg(MSG_EXPR_KEPT);
  reloc_expr_result r = reloc_eval(expr, ltext.base, offset);
  if (!r.has_value) return false;
  uint32_t value = r.value;
  if ((type & 0xF0) == 0x70 || (type & 0xF0) == 0x40 || (type & 0xF0) == 0x50 || (type & 0xF0) == 0x60)
    value = value - ltext.base - offset;
  bool overflow;
  uint32_t sum;
  if (!reloc_patch(field, 4, offset, type, value, false, &overflow, &sum)) return false;
  if (overflow && !unplaced(r.last_psect)) report_overflow(false, nullptr, "", sum, offset, type);
  return true;
}
