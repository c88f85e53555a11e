#include "preprocessor/eval.h"

#include <cctype>
#include <cstring>
#include <string>

#include "common/alert.h"
#include "preprocessor/macro.h"

namespace {

enum op_code {
  OP_END = 0,
  OP_VALUE = 1,
  OP_ADD = 3,
  OP_SUB = 4,
  OP_MUL = 5,
  OP_DIV = 6,
  OP_MOD = 7,
  OP_SHL = 8,
  OP_SHR = 9,
  OP_AND = 10,
  OP_OR = 11,
  OP_XOR = 12,
  OP_EQ = 13,
  OP_NE = 14,
  OP_LT = 15,
  OP_LE = 16,
  OP_GE = 17,
  OP_GT = 18,
  OP_LAND = 19,
  OP_LOR = 20,
  OP_QUEST = 21,
  OP_COLON = 22,
  OP_COMMA = 23,
  OP_PLUS = 24,
  OP_NEG = 25,
  OP_COMPL = 26,
  OP_NOT = 27,
  OP_LPAREN = 28,
  OP_RPAREN = 29,
  OP_BOTTOM = 30,
};

const char *const op_names[] = {
    "end of expression", "val", "id", "+", "-", "*", "/", "%", "<<", ">>", "&",
    "|", "^", "==", "!=", "<", "<=", ">=", ">", "&&", "||", "?", ":", ",",
    "unary +", "unary -", "~", "!", "(", ")", "(none)",
};

// Bit 0: a value stands before it; bit 1: a value is in hand after it; the
// whole byte is its priority.
const uint8_t op_props[] = {
    0x01, 0x02, 0x02, 0x61, 0x61, 0x69, 0x69, 0x69, 0x59, 0x59, 0x41,
    0x39, 0x3D, 0x49, 0x49, 0x51, 0x51, 0x51, 0x51, 0x31, 0x29, 0x21,
    0x21, 0x19, 0x70, 0x70, 0x70, 0x70, 0x78, 0x0B, 0x13,
};

constexpr int STORED_LPAREN = 11;
constexpr int STORED_QUEST = 28;
constexpr size_t MAX_VALUES = 127;
constexpr size_t MAX_OPS = 128;

struct pp_value {
  uint32_t v;
  bool is_unsigned;
};

struct op_entry {
  int code;
  int prio;
  bool base_supp;  // suppression inherited from below
  bool supp;       // base_supp, or this operator's own
};

// ---- sizes for sizeof ----

struct size_row {
  uint32_t type;
  uint32_t size;
  uint32_t pointer;
};
constexpr int SHORT_LONG_ROW = 3;
constexpr int FUNCTION_POINTER_ROW = 7;
const size_row default_sizes[8] = {{1, 1, 4},    {16, 2, 4}, {2, 4, 4}, {1024, 4, 4},
                                   {32, 4, 4},   {4, 4, 4},  {8, 8, 4}, {512, 0, 4}};
size_row sizes[8] = {{1, 1, 4},  {16, 2, 4}, {2, 4, 4}, {1024, 4, 4},
                     {32, 4, 4}, {4, 4, 4},  {8, 8, 4}, {512, 0, 4}};

struct type_word {
  const char *word;
  uint32_t bit;
};
const type_word type_words[] = {{"char", 1},   {"int", 2},   {"float", 4},   {"double", 8},
                                {"short", 16}, {"long", 32}, {"signed", 64}, {"unsigned", 128}};
const uint32_t exclusive_groups[] = {0x3C, 0x0F, 0xCC, 0x31};

// ---- the evaluation ----

struct evaluator {
  const wch *p, *end;
  pp_value values[MAX_VALUES];
  size_t nvalues;
  op_entry ops[MAX_OPS];
  size_t nops;
  bool failed;

  bool suppressed() const { return ops[nops - 1].supp; }

  void fail(unsigned number) {
    msg(number);
    failed = true;
  }
  void fail_op(unsigned number, int code) {
    msg(number, op_names[code]);
    failed = true;
  }

  void skip_space() {
    while (p < end && (*p == PP_ENDEXP || pp_is_blank(*p))) p++;
  }

  std::string read_word() {
    std::string w;
    while (p < end && *p == PP_NOEXPAND) p++;
    while (p < end && pp_is_ident(*p)) w.push_back(char(*p++));
    return w;
  }

  bool push_value(uint32_t v, bool is_unsigned) {
    if (nvalues == MAX_VALUES) {
      fail(118);
      return false;
    }
    values[nvalues++] = {v, is_unsigned};
    return true;
  }

  pp_value number() {
    uint32_t base = 10, v = 0;
    if (*p == '0') {
      base = 8;
      p++;
      if (p < end && (*p == 'x' || *p == 'X')) {
        base = 16;
        p++;
      }
    }
    for (; p < end; p++) {
      int c = *p < 128 ? tolower(*p) : 0;
      uint32_t d;
      if (c >= '0' && c <= '9')
        d = uint32_t(c - '0');
      else if (c >= 'a' && c <= 'f')
        d = uint32_t(c - 'a' + 10);
      else
        break;
      if (d >= base) break;
      v = v * base + d;
    }
    bool is_unsigned = int32_t(v) < 0;
    for (; p < end && (*p == 'u' || *p == 'U' || *p == 'l' || *p == 'L'); p++)
      if (*p == 'u' || *p == 'U') is_unsigned = true;
    return {v, is_unsigned};
  }

  uint32_t escape() {
    wch c = *p++;
    switch (c) {
      case 'a': return 7;
      case 'b': return 8;
      case 'f': return 12;
      case 'n': return 10;
      case 'r': return 13;
      case 't': return 9;
      case 'v': return 11;
      case 'x': {
        uint32_t v = 0;
        for (int k = 0; k < 3 && p < end && *p < 128 && isxdigit(*p); k++, p++)
          v = v * 16 + uint32_t(isdigit(*p) ? *p - '0' : tolower(*p) - 'a' + 10);
        return v;
      }
    }
    if (c >= '0' && c <= '7') {
      uint32_t v = uint32_t(c - '0');
      for (int k = 1; k < 3 && p < end && *p >= '0' && *p <= '7'; k++, p++) v = v * 8 + (*p - '0');
      return v;
    }
    return c;
  }

  pp_value character() {
    p++;  // the opening quote
    uint32_t v = 0;
    bool first = true;
    while (p < end && *p != '\'') {
      uint32_t c = *p == '\\' && p + 1 < end ? (p++, escape()) : *p++;
      if (!first && !suppressed()) msg(174);
      v = first ? c : v * 256 + c;
      first = false;
    }
    if (p < end) p++;
    return {v, false};
  }

  bool defined_operator(uint32_t *v) {
    skip_space();
    bool paren = p < end && *p == '(';
    if (paren) {
      p++;
      skip_space();
    }
    if (p >= end || pp_class(*p) != CC_IDENT) {
      fail(127);
      return false;
    }
    while (p < end && *p == PP_NOEXPAND) p++;
    const wch *name = p;
    while (p < end && pp_is_ident(*p)) p++;
    *v = macro_find(name, size_t(p - name)) ? 1 : 0;
    if (paren) {
      skip_space();
      if (p >= end || *p != ')') {
        fail(127);
        return false;
      }
      p++;
    }
    return true;
  }

  bool expect(wch c) {
    skip_space();
    if (p < end && *p == c) {
      p++;
      return true;
    }
    return false;
  }

  bool sizeof_operator(uint32_t *v) {
    if (!expect('(')) {
      fail(134);
      return false;
    }
    uint32_t bits = 0;
    bool star = false, function = false;
    for (;;) {
      skip_space();
      if (p >= end) {
        fail(134);
        return false;
      }
      if (*p == ')') {
        p++;
        break;
      }
      if (*p == '*') {
        p++;
        star = true;
        continue;
      }
      if (*p == '(') {
        p++;
        if (!expect('*') || !expect(')')) {
          fail(134);
          return false;
        }
        const wch *save = p;
        if (!(expect('(') && expect(')'))) p = save;
        function = true;
        continue;
      }
      if (pp_class(*p) != CC_IDENT || star || function) {
        fail(134);
        return false;
      }
      std::string w = read_word();
      const type_word *t = nullptr;
      for (const type_word &tw : type_words)
        if (w == tw.word) t = &tw;
      if (!t) {
        msg(130, w.c_str());
        failed = true;
        return false;
      }
      bits |= t->bit;
    }
    uint32_t base = bits;
    if ((base & 0x30) == 0x30) base &= ~0x30u;  // "short long" is a type of its own
    for (uint32_t g : exclusive_groups)
      if (__builtin_popcount(base & g) > 1) {
        fail(131);
        return false;
      }
    bool sign_words = bits & 0xC0;
    if (bits & 0x30)
      bits &= ~(2u | 64u | 128u);
    else
      bits &= ~(64u | 128u);
    if ((bits & 0x30) == 0x30) bits = 1024;
    if (!bits && sign_words) bits = 2;  // "unsigned" alone is unsigned int
    if (!bits && !function) {
      fail(132);
      return false;
    }
    if (function) {
      *v = sizes[FUNCTION_POINTER_ROW].pointer;
      return true;
    }
    for (const size_row &row : sizes)
      if (row.type == bits) {
        *v = star ? row.pointer : row.size;
        return true;
      }
    msg(133, unsigned(bits | (star ? 0x100 : 0)));
    failed = true;
    return false;
  }

  // Next operator code, or OP_VALUE with the value pushed; -1 to skip.
  int token() {
    skip_space();
    if (p >= end) return OP_END;
    wch c = *p;
    int cls = pp_class(c);
    if (cls == CC_DIGIT) {
      pp_value v = number();
      return push_value(v.v, v.is_unsigned) ? OP_VALUE : -2;
    }
    if (c == '\'') {
      pp_value v = character();
      return push_value(v.v, v.is_unsigned) ? OP_VALUE : -2;
    }
    if (c == '"') {
      fail(126);
      return -2;
    }
    if (cls == CC_IDENT) {
      std::string w = read_word();
      uint32_t v = 0;
      bool is_unsigned = false;
      if (w == "defined") {
        if (!defined_operator(&v)) return -2;
      } else if (w == "sizeof") {
        if (!sizeof_operator(&v)) return -2;
        is_unsigned = true;
      }
      return push_value(v, is_unsigned) ? OP_VALUE : -2;
    }
    p++;
    wch n = p < end ? *p : 0;
    auto two = [&](int code) {
      p++;
      return code;
    };
    switch (c) {
      case '!': return n == '=' ? two(OP_NE) : OP_NOT;
      case '&': return n == '&' ? two(OP_LAND) : OP_AND;
      case '|': return n == '|' ? two(OP_LOR) : OP_OR;
      case '<': return n == '<' ? two(OP_SHL) : n == '=' ? two(OP_LE) : OP_LT;
      case '>': return n == '>' ? two(OP_SHR) : n == '=' ? two(OP_GE) : OP_GT;
      case '=':
        if (n == '=') return two(OP_EQ);
        fail(128);
        return -2;
      case '+': return OP_ADD;
      case '-': return OP_SUB;
      case '*': return OP_MUL;
      case '/': return OP_DIV;
      case '%': return OP_MOD;
      case '^': return OP_XOR;
      case '~': return OP_COMPL;
      case '?': return OP_QUEST;
      case ':': return OP_COLON;
      case ',': return OP_COMMA;
      case '(': return OP_LPAREN;
      case ')': return OP_RPAREN;
      case '\\':
        fail(129);
        return -2;
    }
    if (suppressed()) return -1;
    if (c >= ' ' && c < 127)
      msg(124, int(c));
    else
      msg(125, unsigned(c));
    failed = true;
    return -2;
  }

  // Carries out the operator on top of the stack.
  void reduce(int by) {
    op_entry e = ops[--nops];
    int code = e.code;
    if (code == OP_LPAREN) {
      if (by != OP_RPAREN) fail_op(122, by);
      return;
    }
    if (code == OP_QUEST) {
      fail(123);
      return;
    }
    if (code >= OP_PLUS && code <= OP_NOT) {
      if (nvalues < 1) {
        fail(135);
        return;
      }
      pp_value &a = values[nvalues - 1];
      switch (code) {
        case OP_NEG: a.v = 0u - a.v; break;
        case OP_COMPL: a.v = ~a.v; break;
        case OP_NOT: a = {a.v == 0, false}; break;
        default: break;
      }
      return;
    }
    if (code == OP_COLON) {
      if (nops == 0 || ops[nops - 1].code != OP_QUEST || nvalues < 3) {
        fail(123);
        return;
      }
      nops--;
      pp_value c = values[--nvalues], b = values[--nvalues];
      pp_value &a = values[nvalues - 1];
      bool is_unsigned = b.is_unsigned || c.is_unsigned;
      a = a.v ? b : c;
      a.is_unsigned = is_unsigned;
      return;
    }
    if (code < OP_ADD || code > OP_COMMA || nvalues < 2) {
      fail(135);
      return;
    }
    pp_value b = values[--nvalues];
    pp_value &a = values[nvalues - 1];
    bool is_unsigned = a.is_unsigned || b.is_unsigned;
    uint32_t x = a.v, y = b.v, r = 0;
    switch (code) {
      case OP_ADD: r = x + y; break;
      case OP_SUB: r = x - y; break;
      case OP_MUL: r = x * y; break;
      case OP_DIV:
      case OP_MOD:
        if (y == 0) {
          if (!e.supp) fail(code == OP_DIV ? 175 : 990);
          r = 0;
        } else {
          r = code == OP_DIV ? x / y : x % y;
        }
        break;
      case OP_SHL: r = x << (y & 31); break;
      case OP_SHR: r = x >> (y & 31); break;
      case OP_AND: r = x & y; break;
      case OP_OR: r = x | y; break;
      case OP_XOR: r = x ^ y; break;
      case OP_EQ: r = x == y; break;
      case OP_NE: r = x != y; break;
      case OP_LT: r = is_unsigned ? x < y : int32_t(x) < int32_t(y); break;
      case OP_LE: r = is_unsigned ? x <= y : int32_t(x) <= int32_t(y); break;
      case OP_GE: r = is_unsigned ? x >= y : int32_t(x) >= int32_t(y); break;
      case OP_GT: r = is_unsigned ? x > y : int32_t(x) > int32_t(y); break;
      case OP_LAND: r = x && y; break;
      case OP_LOR: r = x || y; break;
      case OP_COMMA: r = y; break;
    }
    a = {r, is_unsigned};
  }

  bool run() {
    nvalues = 0;
    nops = 0;
    failed = false;
    ops[nops++] = {OP_BOTTOM, op_props[OP_BOTTOM], false, false};
    bool in_hand = false;
    for (;;) {
      int code = token();
      if (failed) return true;
      if (code == -1) continue;
      if (code == OP_VALUE) {
        if (in_hand) {
          fail(117);
          return true;
        }
        in_hand = true;
        continue;
      }
      if ((code == OP_ADD || code == OP_SUB) && !in_hand) code = code == OP_ADD ? OP_PLUS : OP_NEG;
      int prop = op_props[code];
      if (bool(prop & 1) != in_hand) {
        fail_op(120, code);
        return true;
      }
      in_hand = prop & 2;
      if (code == OP_END) {
        while (nops > 1 && !failed) reduce(OP_END);
        if (failed) return true;
        return nvalues ? values[nvalues - 1].v != 0 : true;
      }
      // A prefix operator has nothing before it to reduce.
      if (prop & 1) {
        bool matched = false;
        while (!failed && !matched) {
          const op_entry &top = ops[nops - 1];
          // "?" groups to the right: a pending ":" stays.
          bool reduce_it = code == OP_QUEST ? top.prio > prop : top.prio >= prop;
          if (!reduce_it) break;
          if (top.code == OP_BOTTOM) {
            fail(135);
            break;
          }
          matched = top.code == OP_LPAREN && code == OP_RPAREN;
          reduce(code);
        }
        if (failed) return true;
        if (code == OP_RPAREN) {
          if (!matched) {
            fail(135);
            return true;
          }
          continue;
        }
      }
      if (nops == MAX_OPS) {
        fail_op(121, code);
        return true;
      }
      bool base = ops[nops - 1].supp, own = false;
      uint32_t left = nvalues ? values[nvalues - 1].v : 0;
      if (code == OP_LAND) own = left == 0;
      if (code == OP_LOR) own = left != 0;
      if (code == OP_QUEST) own = left == 0;
      if (code == OP_COLON && ops[nops - 1].code == OP_QUEST && nvalues >= 2) {
        base = ops[nops - 1].base_supp;
        own = values[nvalues - 2].v != 0;
      }
      int stored = code == OP_LPAREN ? STORED_LPAREN : code == OP_QUEST ? STORED_QUEST : prop;
      ops[nops++] = {code, stored, base, base || own};
    }
  }
};

}  // namespace

bool pp_eval_text(const wtext &text) {
  evaluator e;
  e.p = text.data();
  e.end = e.p + text.size();
  return e.run();
}

bool pp_eval() {
  wtext text;
  bool saved = pp_line_bounded;
  pp_line_bounded = true;
  uint32_t errors = msg_error_count();
  macro_expand_to(text, true);
  pp_line_bounded = saved;
  // An expansion that failed has been reported; its remains are not judged.
  if (msg_error_count() != errors) return true;
  return pp_eval_text(text);
}

void pp_sizes_reset() { memcpy(sizes, default_sizes, sizeof sizes); }

void pp_sizes_option(const char *option, const char *text) {
  bool pointers = *text == '*' || *text == 'P' || *text == 'p';
  if (pointers) text++;
  size_t count = 0;
  for (const char *s = text; *s;) {
    if (isdigit(static_cast<unsigned char>(*s))) {
      count++;
      while (isdigit(static_cast<unsigned char>(*s))) s++;
    } else {
      s++;
    }
  }
  int last = pointers ? FUNCTION_POINTER_ROW : FUNCTION_POINTER_ROW - 1;
  bool skip_short_long = count <= size_t(pointers ? 7 : 6);
  const char *s = text;
  for (int row = 0; row <= last; row++) {
    if (row == SHORT_LONG_ROW && skip_short_long) continue;
    while (*s && !isdigit(static_cast<unsigned char>(*s))) s++;
    if (!*s) {
      msg(166, option);
      return;
    }
    uint32_t v = uint32_t(strtoul(s, nullptr, 10));
    while (isdigit(static_cast<unsigned char>(*s))) s++;
    if (pointers)
      sizes[row].pointer = v;
    else
      sizes[row].size = v;
  }
  if (*s) msg(167, s);
}
