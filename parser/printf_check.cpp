#include "parser/printf_check.h"

#include <string>

#include "common/alert.h"
#include "parser/exprbuild.h"
#include "parser/icwriter.h"
#include "parser/parsk.h"
#include "parser/symbols.h"

uint32_t printf_features;

namespace {

std::string format_text;
size_t scan_pos;
int state;      // 0 outside, 1 after %, 2 after * width, 3 after '.', 4 after modifier, 5 width, 6 precision
int modifier;   // 0, 'h', 'H' (hh), 'l', 'L' (ll)

int integer_result() {
  switch (modifier) {
    case 'h': return PF_SHORT;
    case 'H': return PF_CHAR;
    case 'l': return PF_LONG;
    case 'L': printf_features |= 0x10; return PF_LONGLONG;
    default: return PF_INT;
  }
}

int fail(unsigned number, int c) {
  msg(number, c);
  state = 0;
  return PF_ERROR;
}

void flag_error() { msg(970); }

}  // namespace

int printf_format_scan(const char *format, size_t length) {
  if (format) {
    format_text.assign(format, length);
    scan_pos = 0;
    state = 0;
  }
  while (scan_pos < format_text.size()) {
    int c = (unsigned char)format_text[scan_pos++];
    if (state == 0) {
      if (c == '%') {
        state = 1;
        modifier = 0;
      }
      continue;
    }
    switch (c) {
      case '%':
        if (state == 1) {
          printf_features |= 0x100000;
          state = 0;
          continue;
        }
        return fail(975, c);
      case ' ': case '+': case '-': case '#':
        if (state != 1) {
          flag_error();
          continue;
        }
        printf_features |= c == ' ' ? 0x1 : c == '+' ? 0x2 : c == '-' ? 0x8 : 0x20;
        continue;
      case '*':
        if (state == 1) {
          printf_features |= 0x28000;
          state = 2;
          return PF_INT;
        }
        if (state == 3) {
          printf_features |= 0x30000;
          state = 4;
          return PF_INT;
        }
        printf_features |= 0x20000;
        flag_error();
        continue;
      case '.':
        if (state == 1 || state == 2 || state == 5) state = 3;
        else flag_error();
        continue;
      case 'h':
        if (modifier == 0) modifier = 'h';
        else if (modifier == 'h') modifier = 'H';
        else msg(974);
        state = 4;
        continue;
      case 'l':
        if (modifier == 0) {
          modifier = 'l';
          printf_features |= 0x10;
        } else if (modifier == 'l') {
          modifier = 'L';
        } else {
          msg(974);
        }
        state = 4;
        continue;
      case 'b': case 'B':
        msg(1299, "b", "hh");
        printf_features |= 0x2000000;
        if (modifier && modifier != 'H') msg(974);
        modifier = 'H';
        state = 4;
        continue;
      case 'd': case 'i': case 'o': case 'u': case 'x': case 'X':
        printf_features |= c == 'd' || c == 'i' ? 0x80 : c == 'o' ? 0x100 : c == 'u' ? 0x400
                         : c == 'x' ? 0x400000 : 0x200000;
        state = 0;
        return integer_result();
      case 'e': case 'E': case 'f': case 'g': case 'G':
        printf_features |= c == 'e' ? 0x800 : c == 'E' ? 0x840 : c == 'f' ? 0x2000 : c == 'g' ? 0x1000 : 0x1040;
        state = 0;
        if (modifier) return fail(971, c);
        return PF_DOUBLE;
      case 'c': case 's':
        printf_features |= c == 'c' ? 0x80000 : 0x40000;
        state = 0;
        if (modifier && modifier != 'l') return fail(971, c);
        return c == 'c' ? PF_INT : PF_CHAR_PTR;
      case 'n':
        printf_features |= 0x200;
        state = 0;
        if (modifier == 'l') return PF_LONG_PTR;
        if (modifier) return fail(973, c);
        return PF_INT_PTR;
      case 'p':
        printf_features |= 0x4000;
        state = 0;
        return PF_POINTER;
      default:
        if (c >= '0' && c <= '9') {
          if (state == 1 && c == '0') {
            printf_features |= 0x4;
          } else if (state == 1 || state == 5) {
            if (state == 1) printf_features |= 0x8000;
            state = 5;
          } else if (state == 3 || state == 6) {
            if (state == 3) printf_features |= 0x10000;
            state = 6;
          } else {
            flag_error();
          }
          continue;
        }
        return fail(975, c);
    }
  }
  if (state != 0) {
    msg(969);
    state = 0;
    return PF_ERROR;
  }
  return PF_NONE;
}

namespace {

const expr_node *string_of(const expr_node *e) {
  while (e && e->op == OP_CONVERT) e = e->left;
  return e && e->op == OP_STRING ? e : nullptr;
}

// The base code a pointer argument points to (0 when not a plain pointer).
uint32_t pointee_code(const type_t &t) {
  if (!type_is_pointer(t)) return 0;
  type_t d = type_strip(type_deref(t));
  if (d.kind || d.ptr) return 0;
  return d.code;
}

uint32_t argument_features(const type_t &t) {
  if (type_is_pointer(t)) {
    uint32_t c = pointee_code(t);
    return (c == TC_CHAR || c == TC_UCHAR) ? 0x5c008 : 0x1c008;
  }
  if (type_is_float(t)) return 0x1b86a;
  type_t s = type_strip(t);
  if (s.code < TC_SHORTLONG || s.code == TC_ENUM) return 0x6b85ad;
  return 0x6185bd;
}

bool int_not_larger_than_uint(const type_t &t) {
  if (!type_is_integral(t)) return false;
  type_t s = type_strip(t);
  return s.code <= TC_UINT || s.code == TC_ENUM || s.code == TC_INDEX || s.code == TC_UINDEX;
}

void add_quals(expr_node *&arg, uint32_t quals) {
  if (!quals || !type_is_pointer(arg->type)) return;
  type_t t = arg->type;
  if ((t.quals & quals) == quals) return;
  t.quals |= quals;
  arg = expr_convert(arg, t);
}

const char *pointer_name(int expected) {
  switch (expected) {
    case PF_CHAR_PTR: return "char";
    case PF_SHORT_PTR: return "short";
    case PF_LONG_PTR: return "long";
    default: return "int";
  }
}

}  // namespace

void printf_check_call(symbol *fn, std::vector<expr_node *> &args, size_t fixed) {
  if (fixed == 0 || args.size() < fixed) return;
  printf_features = 0x800000;
  const expr_node *fmt = string_of(args[fixed - 1]);
  bool literal = fmt != nullptr;
  int expected = PF_NONE;
  if (literal) {
    const std::string &text = string_text_of(fmt->str.number);
    expected = printf_format_scan(text.data(), text.size());
  } else {
    printf_features |= 0x100200;
  }
  bool stopped = false;
  for (size_t i = fixed; i < args.size(); i++) {
    expr_node *&arg = args[i];
    const type_t &t = arg->type;
    bool pending = literal && !stopped && expected != PF_NONE;
    if (!pending || expected == PF_CHAR_PTR || expected == PF_INT_PTR || expected == PF_LONG_PTR)
      add_quals(arg, fn->format_quals);
    if (!pending) printf_features |= argument_features(arg->type);
    if (literal && !stopped) {
      switch (expected) {
        case PF_NONE:
          msg(324);
          stopped = true;
          continue;
        case PF_CHAR: case PF_SHORT: case PF_INT:
          if (!int_not_larger_than_uint(t)) msg(328);
          break;
        case PF_LONG:
          if (!type_is_integral(t) || (type_strip(t).code != TC_LONG && type_strip(t).code != TC_ULONG))
            msg(326);
          break;
        case PF_LONGLONG: {
          // Without -O long long is long.
          uint32_t c = type_is_integral(t) ? type_strip(t).code & ~1u : 0;
          if (c != TC_LONGLONG && !(c == TC_LONG && !popt.long_long)) msg(327);
          break;
        }
        case PF_DOUBLE:
          if (!type_is_float(t)) msg(329);
          break;
        case PF_POINTER:
          if (!type_is_pointer(t)) msg(328);
          break;
        case PF_ERROR:
          msg(325);
          expected = printf_format_scan(nullptr, 0);
          if (expected == PF_ERROR) {
            msg(325);
            stopped = true;
          }
          continue;
        case PF_CHAR_PTR: case PF_SHORT_PTR: case PF_INT_PTR: case PF_LONG_PTR: {
          uint32_t want = expected == PF_CHAR_PTR ? TC_CHAR : expected == PF_SHORT_PTR ? TC_SHORT
                         : expected == PF_LONG_PTR ? TC_LONG : TC_INT;
          if ((pointee_code(t) & ~1u) != want) msg(330, pointer_name(expected));
          break;
        }
        default:
          // A code the scanner has no check for: an invalid conversion.
          msg(325);
          break;
      }
      expected = printf_format_scan(nullptr, 0);
    }
  }
  if (literal && !stopped && expected != PF_NONE && expected != PF_ERROR) msg(331);
  fn->features |= printf_features;
}
