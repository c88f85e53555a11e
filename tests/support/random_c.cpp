// Random C programs for the whole toolchain. Every operation is written so
// that its C result does not depend on the width of int (16 bits on the
// target, 32 on the host) and nothing is undefined or implementation-
// defined: results are cast back to their type after each operation,
// signed sums, differences, products and shifts are made in unsigned
// arithmetic and turned back into signed values by the S8/S16/S32 macros
// (which never convert a value a type cannot hold), divisors are positive,
// shift counts are below the width, and float values are kept to as few
// significant bits as the target's format holds exactly, so no rounding
// takes place on either side.
#include "tests/support/random_c.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <sstream>

#include "tests/e2e.h"
#include "tests/support/test_support.h"

const randc_feature_name randc_feature_names[] = {
    {"bytes", RANDC_BYTES},       {"words", RANDC_WORDS},       {"wordops", RANDC_WORDOPS},
    {"signed", RANDC_SIGNED},     {"longs", RANDC_LONGS},       {"muldiv", RANDC_MULDIV},
    {"varshift", RANDC_VARSHIFT}, {"pointers", RANDC_POINTERS}, {"arrays", RANDC_ARRAYS},
    {"structs", RANDC_STRUCTS},   {"procs", RANDC_PROCS},       {"calls", RANDC_CALLS},
    {"funcptr", RANDC_FUNCPTR},   {"switch", RANDC_SWITCH},     {"loops", RANDC_LOOPS},
    {"float24", RANDC_FLOAT24},   {"float32", RANDC_FLOAT32},   {"convert", RANDC_CONVERT},
    {"qualified", RANDC_QUALIFIED}, {"nested", RANDC_NESTED},
};
const unsigned randc_feature_count = sizeof randc_feature_names / sizeof randc_feature_names[0];

// Arrays and pointers compile today but a store to an element whose right
// side reads memory through a pointer or an index goes astray; they join
// the set when it is mended.
const unsigned randc_ci_features = RANDC_BYTES | RANDC_WORDS | RANDC_WORDOPS | RANDC_SIGNED | RANDC_LONGS |
                                   RANDC_MULDIV | RANDC_VARSHIFT | RANDC_POINTERS | RANDC_ARRAYS | RANDC_STRUCTS |
                                   RANDC_PROCS | RANDC_CALLS | RANDC_FUNCPTR | RANDC_SWITCH | RANDC_LOOPS |
                                   RANDC_CONVERT;

bool randc_parse_features(const std::string &text, unsigned *features, std::string *bad) {
  unsigned all = 0;
  for (unsigned i = 0; i < randc_feature_count; i++) all |= randc_feature_names[i].bit;
  unsigned set = 0;
  bool relative = false;
  std::stringstream words(text);
  for (std::string word; std::getline(words, word, ',');) {
    if (word.empty()) continue;
    char sign = 0;
    if (word[0] == '+' || word[0] == '-') {
      sign = word[0];
      word = word.substr(1);
      if (!relative) set |= randc_ci_features;
      relative = true;
    }
    unsigned bits = 0;
    if (word == "ci")
      bits = randc_ci_features;
    else if (word == "all")
      bits = all;
    else
      for (unsigned i = 0; i < randc_feature_count; i++)
        if (word == randc_feature_names[i].name) bits = randc_feature_names[i].bit;
    if (!bits) {
      *bad = word;
      return false;
    }
    if (sign == '-')
      set &= ~bits;
    else
      set |= bits;
  }
  *features = set;
  return true;
}

std::string randc_feature_text(unsigned features) {
  std::string text;
  for (unsigned i = 0; i < randc_feature_count; i++)
    if (features & randc_feature_names[i].bit) text += std::string(text.empty() ? "" : ",") + randc_feature_names[i].name;
  return text;
}

namespace {

enum rc_type_id { T_U8, T_S8, T_U16, T_S16, T_U32, T_S32, T_F24, T_F32, T_COUNT };

struct rc_type {
  const char *name;
  unsigned size;
  bool is_signed;
  int float_bits;          // significant bits a float of the type holds exactly, else 0
  int unsigned_twin;       // the unsigned type of the same width
  const char *wrap;        // the macro that turns the twin's value into this type
  const char *mask;        // a mask that keeps a value positive, for divisors
  const char *const *constants;
  unsigned constant_count;
};

const char *const u8_constants[] = {"(u8)0", "(u8)1", "(u8)2", "(u8)3", "(u8)7", "(u8)15", "(u8)100", "(u8)127",
                                    "(u8)128", "(u8)200", "(u8)255", "(u8)0x55"};
const char *const s8_constants[] = {"(s8)0", "(s8)1", "(s8)-1", "(s8)5", "(s8)-7", "(s8)100", "(s8)-100",
                                    "(s8)127", "(s8)(-127 - 1)", "(s8)-2"};
const char *const u16_constants[] = {"(u16)0u", "(u16)1u", "(u16)2u", "(u16)7u", "(u16)255u", "(u16)256u",
                                     "(u16)1000u", "(u16)0x7FFFu", "(u16)0x8000u", "(u16)0xFFFFu",
                                     "(u16)40000u", "(u16)0x1234u"};
const char *const s16_constants[] = {"(s16)0", "(s16)1", "(s16)-1", "(s16)-7", "(s16)100", "(s16)-300",
                                     "(s16)32767", "(s16)(-32767 - 1)", "(s16)1000", "(s16)-1000"};
const char *const u32_constants[] = {"(u32)0ul", "(u32)1ul", "(u32)7ul", "(u32)255ul", "(u32)256ul",
                                     "(u32)0xFFFFul", "(u32)0x10000ul", "(u32)100000ul", "(u32)0x7FFFFFFFul",
                                     "(u32)0x80000000ul", "(u32)0xFFFFFFFFul", "(u32)0x12345678ul"};
const char *const s32_constants[] = {"(s32)0l", "(s32)1l", "(s32)-1l", "(s32)-100000l", "(s32)70000l",
                                     "(s32)2147483647l", "(s32)(-2147483647l - 1)", "(s32)-32768l",
                                     "(s32)65536l"};

const rc_type types[T_COUNT] = {
    {"u8", 1, false, 0, T_U8, "", "0x3F", u8_constants, sizeof u8_constants / sizeof *u8_constants},
    {"s8", 1, true, 0, T_U8, "S8", "0x3F", s8_constants, sizeof s8_constants / sizeof *s8_constants},
    {"u16", 2, false, 0, T_U16, "", "0x3FFF", u16_constants, sizeof u16_constants / sizeof *u16_constants},
    {"s16", 2, true, 0, T_U16, "S16", "0x3FFF", s16_constants, sizeof s16_constants / sizeof *s16_constants},
    {"u32", 4, false, 0, T_U32, "", "0x3FFFFFFFul", u32_constants, sizeof u32_constants / sizeof *u32_constants},
    {"s32", 4, true, 0, T_U32, "S32", "0x3FFFFFFFul", s32_constants, sizeof s32_constants / sizeof *s32_constants},
    {"f24", 3, true, 16, T_F24, "", "", nullptr, 0},
    {"f32", 4, true, 24, T_F32, "", "", nullptr, 0},
};

bool is_float(int t) { return types[t].float_bits != 0; }
unsigned width(int t) { return types[t].size * 8; }

// A float expression with what is known of its value: |value| <= max, and
// the value is a multiple of 2^low.
struct fexpr {
  std::string text;
  double max;
  int low;
};

// Float variables always hold values within this box, which both formats
// hold exactly.
const double FLOAT_BOX_MAX = 1024;
const int FLOAT_BOX_LOW = -4;

int bits_needed(const fexpr &e) {
  if (e.max < 1) return 1 - e.low;
  return int(std::ceil(std::log2(e.max + 1))) - e.low;
}

struct rc_var {
  std::string name;
  int type;
  std::string qualifier = "";  // of the object, or for a pointer of what it points to
};

// A parameter type at or above this is a pointer to a const object of the
// type that many below.
const int CONST_POINTER = 100;

struct rc_array {
  std::string name;
  int type;
  unsigned length;  // a power of two
};

struct rc_function {
  std::string name;
  int result;
  std::vector<int> params;
};

struct rc_gen {
  std::mt19937 rng;
  unsigned f;
  std::string out;
  std::vector<int> types_in_use;
  std::vector<rc_var> readable, writable;  // scalars of the current scope
  std::vector<rc_var> counters;            // loop counters free at this point
  std::vector<rc_array> arrays;
  std::vector<rc_var> pointers;            // pointer name, target type and its qualifier
  std::vector<rc_var> members;             // "gs.a" etc., with their types
  std::vector<std::string> structs;        // structure variables of the scope
  std::vector<rc_function> functions;      // callable from the current scope
  std::vector<rc_function> procs;          // value procedures without arguments
  std::vector<std::string> void_procs;
  std::vector<rc_function> funcptrs;       // pointer name and signature
  bool in_main = false;
  bool may_write_globals = true;
  std::vector<int> value_types;            // types_in_use and the float types
  std::string funcptr_init;
  std::vector<rc_var> shared_reads;        // globals and const globals
  std::vector<rc_var> const_objects;       // const objects of the scope, for pointers to const

  rc_gen(unsigned seed, unsigned features) : rng(seed), f(features) {}

  bool has(unsigned bit) const { return (f & bit) != 0; }
  int pick(int n) { return n <= 1 ? 0 : std::uniform_int_distribution<int>(0, n - 1)(rng); }
  bool chance(int percent) { return pick(100) < percent; }
  template <class T>
  const T &one(const std::vector<T> &v) {
    return v[size_t(pick(int(v.size())))];
  }

  void line(int indent, const std::string &text) { out += std::string(size_t(2 * indent), ' ') + text + "\n"; }

  int any_integer_type() {
    std::vector<int> ints;
    for (int t : types_in_use)
      if (!is_float(t)) ints.push_back(t);
    return one(ints);
  }

  std::vector<rc_var> scalars_of(int t, const std::vector<rc_var> &from) {
    std::vector<rc_var> found;
    for (const rc_var &v : from)
      if (v.type == t) found.push_back(v);
    return found;
  }

  std::string constant(int t) {
    if (is_float(t)) return float_constant(t).text;
    const rc_type &ty = types[t];
    return ty.constants[pick(int(ty.constant_count))];
  }

  // A conversion to t of an expression of type from, written so that its
  // value is defined.
  std::string convert(int t, int from, const std::string &e) {
    const char *name = types[t].name;
    if (is_float(from)) return t == T_S16 ? "(s16)(" + e + ")" : convert(t, T_S16, "(s16)(" + e + ")");
    if (!types[t].is_signed || (types[from].size < types[t].size && !types[from].is_signed) ||
        (types[from].size <= types[t].size && types[from].is_signed))
      return std::string("(") + name + ")" + e;
    // A value t may not hold: through the unsigned twin.
    return std::string(types[t].wrap) + "((" + types[types[t].unsigned_twin].name + ")" + e + ")";
  }

  // An expression of type t made only of leaves: constants, variables,
  // array elements, pointed-to values, members and calls.
  std::string leaf(int t, int depth) {
    for (int tries = 0; tries < 8; tries++) {
      switch (pick(10)) {
        case 0:
        case 1: return constant(t);
        case 2:
        case 3:
        case 4: {
          std::vector<rc_var> vs = scalars_of(t, readable);
          if (!vs.empty()) return one(vs).name;
          break;
        }
        case 5: {
          if (!has(RANDC_CONVERT)) break;
          int from = one(value_types);
          if (from == t || is_float(t)) break;
          std::vector<rc_var> vs = scalars_of(from, readable);
          if (vs.empty()) break;
          return convert(t, from, one(vs).name);
        }
        case 6: {
          std::vector<rc_array> as;
          for (const rc_array &a : arrays)
            if (a.type == t) as.push_back(a);
          if (as.empty()) break;
          const rc_array &a = one(as);
          return a.name + "[" + index(a.length, depth) + "]";
        }
        case 7: {
          std::vector<rc_var> ps = scalars_of(t, pointers);
          if (ps.empty()) break;
          return "*" + one(ps).name;
        }
        case 8: {
          std::vector<rc_var> ms = scalars_of(t, members);
          if (ms.empty()) break;
          return one(ms).name;
        }
        default: {
          if (depth <= 0) break;
          std::string c = call(t, depth);
          if (!c.empty()) return c;
        }
      }
    }
    return constant(t);
  }

  // A call of a function with result t, when there is one.
  std::string call(int t, int depth) {
    std::vector<std::string> calls;
    for (const rc_function &fn : procs)
      if (fn.result == t) calls.push_back(fn.name + "()");
    for (const rc_function &fn : functions)
      if (fn.result == t) calls.push_back(fn.name + "(" + arguments(fn, depth) + ")");
    for (const rc_function &fn : funcptrs)
      if (fn.result == t) calls.push_back(fn.name + "(" + arguments(fn, depth) + ")");
    if (calls.empty()) return "";
    return one(calls);
  }

  std::string arguments(const rc_function &fn, int depth) {
    std::string text;
    for (size_t i = 0; i < fn.params.size(); i++) text += (i ? ", " : "") + argument(fn.params[i], depth - 1);
    return text;
  }

  // An argument for a parameter of type t: with nested calls often
  // another call's result as it stands.
  std::string argument(int t, int depth) {
    if (t >= CONST_POINTER) return "&" + one(const_targets(t - CONST_POINTER)).name;
    if (has(RANDC_NESTED) && depth >= 0 && chance(50)) {
      std::string c = call(t, depth);
      if (!c.empty()) return c;
    }
    return value_for(t, depth);
  }

  // What a pointer to a const object of type t may point to here.
  std::vector<rc_var> const_targets(int t) {
    std::vector<rc_var> found = scalars_of(t, const_objects);
    for (const rc_var &v : scalars_of(t, shared_reads))
      if (v.name[0] == 'g') found.push_back(v);
    return found;
  }

  std::string param_type(int t) const {
    if (t >= CONST_POINTER) return std::string("const ") + types[t - CONST_POINTER].name + " *";
    return std::string(types[t].name) + " ";
  }

  // An index below length (a power of two).
  std::string index(unsigned length, int depth) {
    if (pick(3) == 0) return std::to_string(pick(int(length)));
    return "(" + expr(T_U8, depth > 1 ? 1 : 0) + " & " + std::to_string(length - 1) + ")";
  }

  // A shift count below the width of t.
  std::string shift_count(int t, int depth) {
    if (has(RANDC_VARSHIFT) && pick(2)) return "(" + expr(T_U8, depth - 1) + " & " + std::to_string(width(t) - 1) + ")";
    return std::to_string(1 + pick(int(width(t)) - 1));
  }

  // Whether t's operations of a kind are switched on.
  bool wide_ops(int t) const { return types[t].size == 1 || has(RANDC_WORDOPS); }

  std::string expr(int t, int depth) {
    if (is_float(t)) return float_expr(t, depth).text;
    if (depth <= 0 || pick(4) == 0) return leaf(t, depth);
    const rc_type &ty = types[t];
    const char *n = ty.name;
    const char *un = types[ty.unsigned_twin].name;
    std::string a = expr(t, depth - 1);
    std::string b = expr(t, depth - 1);
    for (int tries = 0; tries < 8; tries++) {
      switch (pick(12)) {
        case 0:
        case 1: {  // sums and differences
          const char *op = pick(2) ? " + " : " - ";
          if (ty.is_signed && !has(RANDC_CONVERT)) break;  // made in unsigned and converted back
          if (!ty.is_signed) return std::string("(") + n + ")(" + a + op + b + ")";
          if (t == T_S8) return std::string("S8((u8)(") + a + op + b + "))";
          if (t == T_S16) return std::string("S16((u16)((u16)") + a + op + "(u16)" + b + "))";
          return std::string("S32((u32)") + a + op + "(u32)" + b + ")";
        }
        case 2: {  // logic
          if (!wide_ops(t)) break;
          static const char *const ops[] = {" & ", " | ", " ^ "};
          return std::string("(") + n + ")(" + a + ops[pick(3)] + b + ")";
        }
        case 3: {  // complement and negation
          if (!wide_ops(t)) break;
          if (pick(2)) return std::string("(") + n + ")~" + a;
          if (!ty.is_signed) return std::string("(") + n + ")-" + a;
          if (!has(RANDC_CONVERT)) break;
          if (t == T_S8) return "S8((u8)-" + a + ")";
          return std::string(ty.wrap) + "((" + un + ")-(" + un + ")" + a + ")";
        }
        case 4: {  // shifts
          if (!wide_ops(t)) break;
          const char *op = pick(2) ? " << " : " >> ";
          std::string count = shift_count(t, depth);
          if (ty.is_signed && !has(RANDC_CONVERT)) break;
          if (!ty.is_signed) return std::string("(") + n + ")(" + a + op + count + ")";
          return std::string(ty.wrap) + "((" + un + ")((" + un + ")" + a + op + count + "))";
        }
        case 5: {  // compares
          int u = one(value_types);
          if (!has(RANDC_CONVERT) && !is_float(u)) u = t;
          static const char *const ops[] = {" < ", " <= ", " > ", " >= ", " == ", " != "};
          std::string c = expr(u, depth - 1), d = expr(u, depth - 1);
          return std::string("(") + n + ")(" + c + ops[pick(6)] + d + ")";
        }
        case 6: {  // logical operators
          static const char *const ops[] = {" && ", " || "};
          if (pick(3) == 0) return std::string("(") + n + ")!" + a;
          return std::string("(") + n + ")(" + a + ops[pick(2)] + b + ")";
        }
        case 7: {  // conditional
          return "(" + cond(depth - 1) + " ? " + a + " : " + b + ")";
        }
        case 8: {  // products
          if (!has(RANDC_MULDIV)) break;
          if (t == T_U8) return "(u8)(" + a + " * (u8)(" + b + " & 0x7F))";
          if (ty.is_signed && !has(RANDC_CONVERT)) break;
          if (t == T_S8) return "S8((u8)(" + a + " * " + b + "))";
          if (t == T_U16) return "(u16)((unsigned)" + a + " * " + b + ")";
          if (t == T_S16) return "S16((u16)((unsigned)(u16)" + a + " * (u16)" + b + "))";
          if (t == T_U32) return "(u32)(" + a + " * " + b + ")";
          return "S32((u32)" + a + " * (u32)" + b + ")";
        }
        case 9: {  // quotients and remainders
          if (!has(RANDC_MULDIV)) break;
          const char *op = pick(2) ? " / " : " % ";
          if (!ty.is_signed) return std::string("(") + n + ")(" + a + op + "(" + n + ")(" + b + " | 1))";
          std::string divisor = std::string("(") + n + ")(((" + un + ")" + b + " & " + ty.mask + ") | 1)";
          return std::string("(") + n + ")(" + a + op + divisor + ")";
        }
        case 10: {  // a value of another type
          if (!has(RANDC_CONVERT)) break;
          int from = one(value_types);
          if (from == t) break;
          return convert(t, from, "(" + expr(from, depth - 1) + ")");
        }
        default: return leaf(t, depth);
      }
    }
    return leaf(t, depth);
  }

  // A condition: an expression whose truth matters, of any integer type.
  std::string cond(int depth) {
    int t = any_integer_type();
    if (pick(2)) {
      static const char *const ops[] = {" < ", " <= ", " > ", " >= ", " == ", " != "};
      return expr(t, depth) + ops[pick(6)] + expr(t, depth);
    }
    return expr(t, depth);
  }

  // Float expressions: every intermediate value fits the format exactly.
  fexpr float_constant(int t) {
    struct value {
      const char *text;
      double max;
      int low;
    };
    static const value values[] = {{"0", 0, 0},     {"1", 1, 0},       {"-1", 1, 0},     {"2", 2, 0},
                                   {"0.5", 0.5, -1}, {"-0.25", 0.25, -2}, {"3", 3, 0},     {"10", 10, 0},
                                   {"-7.5", 7.5, -1}, {"100", 100, 0},  {"0.125", 0.125, -3}, {"-96", 96, 0}};
    const value &v = values[pick(sizeof values / sizeof values[0])];
    return {std::string("(") + types[t].name + ")" + v.text, v.max, v.low};
  }

  fexpr float_leaf(int t) {
    const char *n = types[t].name;
    switch (pick(6)) {
      case 0:
      case 1: return float_constant(t);
      case 2: {
        if (!types_in_use.empty()) {
          bool have_bytes = false;
          for (int u : types_in_use) have_bytes |= u == T_U8 || u == T_S8;
          if (have_bytes) {
            int u = has(RANDC_SIGNED) && pick(2) ? T_S8 : T_U8;
            return {std::string("(") + n + ")" + leaf(u, 0), 255, 0};
          }
        }
        break;
      }
      default: {
        std::vector<rc_var> vs;
        for (const rc_var &v : readable)
          if (is_float(v.type)) vs.push_back(v);
        if (!vs.empty()) {
          const rc_var &v = one(vs);
          std::string text = v.type == t ? v.name : std::string("(") + n + ")" + v.name;
          return {text, FLOAT_BOX_MAX, FLOAT_BOX_LOW};
        }
      }
    }
    return {std::string("(") + n + ")" + std::to_string(pick(9) - 4), 4, 0};
  }

  fexpr float_expr(int t, int depth) {
    if (depth <= 0 || pick(3) == 0) return float_leaf(t);
    const char *n = types[t].name;
    for (int tries = 0; tries < 8; tries++) {
      fexpr a = float_expr(t, depth - 1), b = float_expr(t, depth - 1);
      fexpr r;
      switch (pick(6)) {
        case 0:
        case 1:
          r = {"(" + a.text + (pick(2) ? " + " : " - ") + b.text + ")", a.max + b.max, std::min(a.low, b.low)};
          break;
        case 2: r = {"(" + a.text + " * " + b.text + ")", a.max * b.max, a.low + b.low}; break;
        case 3: {
          int k = 1 + pick(2);
          r = {"(" + a.text + " / " + (k == 1 ? "2" : "4") + ")", a.max / (1 << k), a.low - k};
          break;
        }
        case 4: r = {"(-" + a.text + ")", a.max, a.low}; break;
        default:
          r = {"(" + cond(depth - 1) + " ? " + a.text + " : " + b.text + ")", std::max(a.max, b.max),
               std::min(a.low, b.low)};
      }
      r.text = std::string("(") + n + ")" + r.text;
      if (bits_needed(r) <= types[t].float_bits && r.max <= 30000) return r;
    }
    return float_leaf(t);
  }

  // A float expression a float variable may take.
  std::string float_value(int t, int depth) {
    for (int tries = 0; tries < 8; tries++) {
      fexpr e = float_expr(t, depth);
      if (e.max <= FLOAT_BOX_MAX && e.low >= FLOAT_BOX_LOW) return e.text;
    }
    return float_leaf(t).text;
  }

  std::string value_for(int t, int depth) { return is_float(t) ? float_value(t, depth) : expr(t, depth); }

  // An assignment to an object of type t named target.
  std::string assignment(const std::string &target, int t, int depth) {
    const rc_type &ty = types[t];
    if (is_float(t) || pick(3)) return target + " = " + value_for(t, depth) + ";";
    if (ty.is_signed) {
      static const char *const ops[] = {" &= ", " |= ", " ^= "};
      if (!wide_ops(t)) return target + " = " + expr(t, depth) + ";";
      return target + ops[pick(3)] + expr(t, depth - 1) + ";";
    }
    switch (pick(6)) {
      case 0: return target + (pick(2) ? " += " : " -= ") + expr(t, depth - 1) + ";";
      case 1:
        if (!wide_ops(t)) break;
        return target + (pick(2) ? " &= " : (pick(2) ? " |= " : " ^= ")) + expr(t, depth - 1) + ";";
      case 2:
        if (!wide_ops(t)) break;
        return target + (pick(2) ? " <<= " : " >>= ") + shift_count(t, depth) + ";";
      case 3:
        if (!has(RANDC_MULDIV)) break;
        if (t == T_U32 && pick(2)) return target + " *= " + expr(t, depth - 1) + ";";
        return target + (pick(2) ? " /= (" : " %= (") + ty.name + ")(" + expr(t, depth - 1) + " | 1);";
      default: return (target[0] == '*' ? "(" + target + ")" : target) + (pick(2) ? "++;" : "--;");
    }
    return target + " = " + expr(t, depth) + ";";
  }

  void statements(int count, int depth, int indent) {
    for (int i = 0; i < count; i++) statement(depth, indent);
  }

  void block(int depth, int indent) { statements(1 + pick(2), depth - 1, indent); }

  void statement(int depth, int indent) {
    for (int tries = 0; tries < 10; tries++) {
      int kind = depth <= 0 ? pick(6) : pick(13);
      switch (kind) {
        case 0:
        case 1:
        case 2: {
          if (writable.empty()) break;
          const rc_var &v = one(writable);
          line(indent, assignment(v.name, v.type, 2));
          return;
        }
        case 3: {
          if (!in_main || arrays.empty()) break;
          const rc_array &a = one(arrays);
          line(indent, assignment(a.name + "[" + index(a.length, 1) + "]", a.type, 2));
          return;
        }
        case 4: {
          if (!in_main || pointers.empty()) break;
          const rc_var &p = one(pointers);
          if (pick(2) && p.qualifier != "const") {
            line(indent, assignment("*" + p.name, p.type, 2));
          } else {
            std::vector<std::string> targets = pointer_targets(p);
            line(indent, p.name + " = " + one(targets) + ";");
          }
          return;
        }
        case 5: {
          if (!in_main || members.empty()) break;
          if (structs.size() > 1 && pick(4) == 0) {
            std::string a = one(structs), b = one(structs);
            if (a == b) break;
            line(indent, a + " = " + b + ";");
            return;
          }
          const rc_var &m = one(members);
          line(indent, assignment(m.name, m.type, 2));
          return;
        }
        case 6:
        case 7: {
          line(indent, "if (" + cond(1) + ") {");
          block(depth, indent + 1);
          if (pick(2)) {
            line(indent, "} else {");
            block(depth, indent + 1);
          }
          line(indent, "}");
          return;
        }
        case 8:
        case 9: {
          if (!has(RANDC_LOOPS) || counters.empty()) break;
          loop(depth, indent);
          return;
        }
        case 10: {
          if (!has(RANDC_SWITCH)) break;
          switch_statement(depth, indent);
          return;
        }
        case 11: {
          if (void_procs.empty() || !may_write_globals) break;
          line(indent, one(void_procs) + "();");
          return;
        }
        default: {
          if (!in_main) break;
          // A trace of values as they pass, so that a wrong value later
          // overwritten still shows.
          int t = any_integer_type();
          line(indent, "r_trace = (u8)(r_trace + (u8)" + expr(t, 1) + " + 1);");
          return;
        }
      }
    }
    if (!writable.empty()) {
      const rc_var &v = one(writable);
      line(indent, v.name + " = " + value_for(v.type, 1) + ";");
    }
  }

  // Plain pointers point to array elements and plain globals, pointers to
  // volatile objects to those, pointers to const objects to const objects
  // and plain globals.
  std::vector<std::string> pointer_targets(const rc_var &p) {
    std::vector<std::string> targets;
    if (p.qualifier == "const") {
      for (const rc_var &v : const_targets(p.type)) targets.push_back("&" + v.name);
      return targets;
    }
    for (const rc_var &v : writable)
      if (v.type == p.type && v.qualifier == p.qualifier && (v.name[0] == 'g' || v.name[0] == 'v'))
        targets.push_back("&" + v.name);
    if (!p.qualifier.empty()) return targets;
    for (const rc_array &a : arrays)
      if (a.type == p.type) targets.push_back("&" + a.name + "[" + std::to_string(pick(int(a.length))) + "]");
    return targets;
  }

  void loop(int depth, int indent) {
    rc_var i = counters.back();
    counters.pop_back();
    unsigned count = 1 + unsigned(pick(4));
    switch (pick(3)) {
      case 0:
        line(indent, "for (" + i.name + " = 0; " + i.name + " < " + std::to_string(count) + "; " + i.name + "++) {");
        block(depth, indent + 1);
        if (pick(3) == 0) line(indent + 1, "if (" + cond(1) + ") " + (pick(2) ? "break;" : "continue;"));
        line(indent, "}");
        break;
      case 1:
        line(indent, i.name + " = " + std::to_string(count) + ";");
        line(indent, "while (" + i.name + " != 0) {");
        line(indent + 1, i.name + "--;");
        // The count goes down first, so "continue" cannot loop for ever.
        block(depth, indent + 1);
        if (pick(3) == 0) line(indent + 1, "if (" + cond(1) + ") " + (pick(2) ? "break;" : "continue;"));
        line(indent, "}");
        break;
      default:
        line(indent, i.name + " = 0;");
        line(indent, "do {");
        line(indent + 1, i.name + "++;");
        block(depth, indent + 1);
        if (pick(3) == 0) line(indent + 1, "if (" + cond(1) + ") " + (pick(2) ? "break;" : "continue;"));
        line(indent, "} while (" + i.name + " < " + std::to_string(count) + ");");
    }
    counters.push_back(i);
  }

  void switch_statement(int depth, int indent) {
    int t = any_integer_type();
    std::vector<std::string> labels;
    if (t == T_U8 || t == T_S8 || pick(2)) {
      line(indent, "switch ((u8)(" + expr(T_U8, 1) + " & 3)) {");
      labels = {"0", "1", "2"};
    } else {
      line(indent, "switch (" + expr(t, 1) + ") {");
      static const char *const wide[] = {"0", "1", "255", "256", "1000", "-1", "7"};
      for (int k = 0; k < 3; k++) {
        std::string l = wide[pick(7)];
        if (l == "-1" && !types[t].is_signed) l = "2";
        bool dup = false;
        for (const std::string &x : labels) dup |= x == l;
        if (!dup) labels.push_back(l);
      }
    }
    for (size_t k = 0; k < labels.size(); k++) {
      line(indent, "case " + labels[k] + ":");
      statements(1, depth - 1, indent + 1);
      if (pick(3)) line(indent + 1, "break;");  // else falls through
    }
    if (pick(2)) {
      line(indent, "default:");
      statements(1, depth - 1, indent + 1);
    }
    line(indent, "}");
  }

  std::string var_decl(const rc_var &v, bool local) {
    std::string text = v.qualifier == "const" ? "const " : "";
    text += std::string(types[v.type].name) + (v.qualifier == "volatile" ? " volatile " : " ") + v.name;
    if (local || v.qualifier == "const") text += " = " + constant(v.type);
    return text + ";";
  }

  std::string program(unsigned seed) {
    if (has(RANDC_BYTES)) {
      types_in_use.push_back(T_U8);
      if (has(RANDC_SIGNED)) types_in_use.push_back(T_S8);
    }
    if (has(RANDC_WORDS)) {
      types_in_use.push_back(T_U16);
      if (has(RANDC_SIGNED)) types_in_use.push_back(T_S16);
    }
    if (has(RANDC_LONGS)) {
      types_in_use.push_back(T_U32);
      if (has(RANDC_SIGNED)) types_in_use.push_back(T_S32);
    }
    if (types_in_use.empty()) types_in_use.push_back(T_U8);
    value_types = types_in_use;
    if (has(RANDC_FLOAT24)) value_types.push_back(T_F24);
    if (has(RANDC_FLOAT32)) value_types.push_back(T_F32);

    out = "/* Random program " + std::to_string(seed) + ", features " + randc_feature_text(f) + ". */\n";
    // Globals: two scalars of each type; main has one local of each.
    std::vector<rc_var> globals, locals, global_consts, local_consts;
    for (int t : value_types) {
      for (int k = 0; k < 2; k++) globals.push_back({"g" + std::string(types[t].name) + "_" + std::to_string(k), t});
      locals.push_back({"l" + std::string(types[t].name), t});
      if (!has(RANDC_QUALIFIED)) continue;
      // Volatile objects change like the others; const ones keep the value
      // they start with, const globals in program memory, const locals in RAM.
      globals.push_back({"v" + std::string(types[t].name), t, "volatile"});
      locals.push_back({"w" + std::string(types[t].name), t, "volatile"});
      global_consts.push_back({"k" + std::string(types[t].name), t, "const"});
      local_consts.push_back({"c" + std::string(types[t].name), t, "const"});
    }
    shared_reads = globals;
    shared_reads.insert(shared_reads.end(), global_consts.begin(), global_consts.end());
    if (has(RANDC_ARRAYS)) {
      arrays.push_back({"ga", T_U8, 8});
      int t = one(value_types);
      arrays.push_back({"gb", t, 4});
    }
    std::string struct_decl;
    std::vector<rc_var> struct_fields;
    if (has(RANDC_STRUCTS)) {
      for (int k = 0; k < 3; k++) struct_fields.push_back({std::string(1, char('a' + k)), one(value_types)});
      struct_decl = "struct rs {";
      for (const rc_var &m : struct_fields) struct_decl += " " + std::string(types[m.type].name) + " " + m.name + ";";
      struct_decl += " };";
    }

    // The results: a volatile copy of everything main can see at its end.
    std::vector<std::pair<std::string, std::string>> results;  // declaration, copy
    out += "volatile u8 r_trace;\n";
    auto result = [&](int t, const std::string &name, const std::string &from) {
      std::string r = "r_" + name;
      for (char &c : r)
        if (c == '.' || c == '[' || c == ']') c = '_';
      out += "volatile " + std::string(types[t].name) + " " + r + ";\n";
      results.push_back({r, r + " = " + from + ";"});
    };
    for (const rc_var &v : globals) result(v.type, v.name, v.name);
    for (const rc_var &v : locals) result(v.type, v.name, v.name);
    for (const rc_array &a : arrays)
      for (unsigned k = 0; k < a.length; k++)
        result(a.type, a.name + std::to_string(k), a.name + "[" + std::to_string(k) + "]");
    if (!struct_decl.empty()) {
      out += struct_decl + "\n";
      for (const char *s : {"gs0", "gs1"})
        for (const rc_var &m : struct_fields) result(m.type, std::string(s) + m.name, std::string(s) + "." + m.name);
    }
    for (const rc_var &v : globals) out += var_decl(v, false) + "\n";
    for (const rc_var &v : global_consts) out += var_decl(v, false) + "\n";
    const_objects = global_consts;
    for (const rc_array &a : arrays)
      out += std::string(types[a.type].name) + " " + a.name + "[" + std::to_string(a.length) + "];\n";
    if (!struct_decl.empty()) out += "struct rs gs0, gs1;\n";

    // Procedures without arguments read the globals; the void ones also
    // write them.
    readable = shared_reads;
    if (has(RANDC_PROCS)) {
      for (int k = 0; k < 2; k++) {
        rc_function fn{"pr" + std::to_string(k), one(types_in_use), {}};
        out += std::string(types[fn.result].name) + " " + fn.name + "(void)\n{\n";
        if (pick(2)) {
          line(1, "if (" + cond(1) + ")");
          line(2, "return " + expr(fn.result, 1) + ";");
        }
        line(1, "return " + expr(fn.result, 2) + ";");
        out += "}\n";
        procs.push_back(fn);
      }
      writable = globals;
      std::string name = "pv0";
      out += "void " + name + "(void)\n{\n";
      may_write_globals = false;
      statements(2, 1, 1);
      may_write_globals = true;
      out += "}\n";
      void_procs.push_back(name);
    }

    // Functions with arguments change only their own parameters and
    // locals, so no expression depends on the order of its calls; each may
    // call those made before it.
    if (has(RANDC_CALLS)) {
      int count = 1 + pick(3);
      for (int k = 0; k < count; k++) {
        rc_function fn{"fn" + std::to_string(k), one(value_types), {}};
        int params = 1 + pick(3);
        for (int p = 0; p < params; p++)
          fn.params.push_back(has(RANDC_QUALIFIED) && chance(25) ? CONST_POINTER + one(value_types) : one(value_types));
        out += std::string(types[fn.result].name) + " " + fn.name + "(";
        std::vector<rc_var> own, read_only;
        for (int p = 0; p < params; p++) {
          int t = fn.params[size_t(p)];
          std::string name = "a" + std::to_string(p);
          std::string qualifier = t < CONST_POINTER && has(RANDC_QUALIFIED) ? one(std::vector<std::string>{"", "const", "volatile"}) : "";
          out += std::string(p ? ", " : "") + (qualifier == "const" ? "const " : "") + param_type(t) +
                 (qualifier == "volatile" ? "volatile " : "") + name;
          if (t >= CONST_POINTER)
            read_only.push_back({"(*" + name + ")", t - CONST_POINTER});
          else if (qualifier == "const")
            read_only.push_back({name, t, qualifier});
          else
            own.push_back({name, t, qualifier});
        }
        out += ")\n{\n";
        rc_var local{"t", fn.result};
        own.push_back(local);
        line(1, std::string(types[local.type].name) + " t = " + constant(local.type) + ";");
        if (has(RANDC_LOOPS)) line(1, "u8 j0 = 0;");
        counters.clear();
        if (has(RANDC_LOOPS)) counters.push_back({"j0", T_U8});
        readable = shared_reads;
        readable.insert(readable.end(), own.begin(), own.end());
        readable.insert(readable.end(), read_only.begin(), read_only.end());
        writable = own;
        may_write_globals = false;
        statements(1 + pick(3), 2, 1);
        line(1, "return " + value_for(fn.result, 2) + ";");
        may_write_globals = true;
        out += "}\n";
        functions.push_back(fn);
      }
    }
    if (has(RANDC_FUNCPTR) && !functions.empty()) {
      // Set first thing in main, to a function of the same signature.
      const rc_function &target = one(functions);
      std::string decl = std::string(types[target.result].name) + " (*fp0)(";
      for (size_t p = 0; p < target.params.size(); p++) decl += std::string(p ? ", " : "") + param_type(target.params[p]);
      out += decl + ");\n";
      funcptrs.push_back({"fp0", target.result, target.params});
      funcptr_init = "fp0 = " + target.name + ";";
    }

    out += "void main(void)\n{\n";
    in_main = true;
    for (const rc_var &v : locals) line(1, var_decl(v, true));
    for (const rc_var &v : local_consts) line(1, var_decl(v, true));
    const_objects.insert(const_objects.end(), local_consts.begin(), local_consts.end());
    counters.clear();
    if (has(RANDC_LOOPS)) {
      line(1, "u8 i0 = 0, i1 = 0;");
      counters = {{"i1", T_U8}, {"i0", T_U8}};
    }
    for (int t : types_in_use) {
      if (!has(RANDC_POINTERS)) break;
      // Pointers start at a global of their type.
      std::string target;
      for (const rc_var &v : globals)
        if (v.type == t && v.qualifier.empty()) target = v.name;
      std::string name = "p" + std::string(types[t].name);
      line(1, std::string(types[t].name) + " *" + name + " = &" + target + ";");
      pointers.push_back({name, t});
      if (!has(RANDC_QUALIFIED)) continue;
      // A pointer to const objects starts at a const local, one to volatile
      // objects at the volatile global.
      line(1, "const " + std::string(types[t].name) + " *q" + types[t].name + " = &c" + types[t].name + ";");
      pointers.push_back({"q" + std::string(types[t].name), t, "const"});
      line(1, std::string(types[t].name) + " volatile *u" + types[t].name + " = &v" + types[t].name + ";");
      pointers.push_back({"u" + std::string(types[t].name), t, "volatile"});
    }
    if (!funcptr_init.empty()) line(1, funcptr_init);
    // Globals start with values of their own.
    for (const rc_var &v : globals) line(1, v.name + " = " + constant(v.type) + ";");
    if (!struct_decl.empty())
      for (const char *s : {"gs0", "gs1"}) {
        structs.push_back(s);
        for (const rc_var &m : struct_fields) members.push_back({std::string(s) + "." + m.name, m.type});
      }
    readable = globals;
    readable.insert(readable.end(), locals.begin(), locals.end());
    writable = readable;
    readable.insert(readable.end(), global_consts.begin(), global_consts.end());
    readable.insert(readable.end(), local_consts.begin(), local_consts.end());
    statements(6 + pick(8), 3, 1);
    for (const auto &r : results) line(1, r.second);
    line(1, "rc_done();");
    out += "}\n";
    return out;
  }

};

const char target_prelude[] =
    "typedef unsigned char u8;\ntypedef signed char s8;\ntypedef unsigned int u16;\ntypedef int s16;\n"
    "typedef unsigned long u32;\ntypedef long s32;\ntypedef float f24;\ntypedef double f32;\n";
const char host_prelude[] =
    "#include <stdio.h>\n#include <stdlib.h>\n#include <string.h>\n"
    "typedef unsigned char u8;\ntypedef signed char s8;\ntypedef unsigned short u16;\ntypedef short s16;\n"
    "typedef unsigned int u32;\ntypedef int s32;\ntypedef float f24;\ntypedef float f32;\n";
// The value of an unsigned byte, word or long as the signed type of its
// width, without converting a value the type cannot hold.
const char wrap_macros[] =
    "#define S8(x) ((x) & 0x80 ? (s8)(-(s8)(~(x) & 0x7F) - 1) : (s8)((x) & 0x7F))\n"
    "#define S16(x) ((x) & 0x8000u ? (s16)(-(s16)(~(x) & 0x7FFFu) - 1) : (s16)((x) & 0x7FFFu))\n"
    "#define S32(x) ((x) & 0x80000000ul ? (s32)(-(s32)(~(x) & 0x7FFFFFFFul) - 1) : (s32)((x) & 0x7FFFFFFFul))\n";

}  // namespace

std::string randc_generate(unsigned seed, unsigned features) {
  rc_gen gen(seed, features);
  return gen.program(seed);
}

std::vector<randc_object> randc_objects(const std::string &program) {
  std::vector<randc_object> objects;
  std::istringstream lines(program);
  for (std::string line; std::getline(lines, line);) {
    char type[16], name[64];
    if (line.compare(0, 9, "volatile ") != 0 || sscanf(line.c_str(), "volatile %15s %63[A-Za-z0-9_]", type, name) != 2)
      continue;
    unsigned count = 1;
    size_t bracket = line.find('[');
    if (bracket != std::string::npos) count = unsigned(atoi(line.c_str() + bracket + 1));
    for (const rc_type &t : types)
      if (strcmp(t.name, type) == 0) {
        int fb = t.float_bits ? int(t.size * 8) : 0;
        objects.push_back({name, t.size * count, fb});
      }
  }
  return objects;
}

// The final marker comes first: its address is where gpsim stops.
std::string randc_target_source(const std::string &program) {
  return std::string(target_prelude) + wrap_macros + "void rc_done(void)\n{\n  for (;;)\n    continue;\n}\n" + program;
}

std::string randc_host_source(const std::string &program) {
  std::string text =
      std::string(host_prelude) + wrap_macros + "void rc_done(void);\n#define main rc_main\n" + program + "#undef main\n";
  // Each object's bytes as the target holds them: a 24-bit float is the
  // single-precision image without its low byte, which must be zero.
  text += "static void rc_dump(const char *name, const volatile void *p, unsigned size, int float_bits)\n{\n"
          "  unsigned char b[16];\n  unsigned i, skip = 0;\n  memcpy(b, (const void *)p, size);\n"
          "  if (float_bits) {\n    float v;\n    memcpy(&v, b, 4);\n    if (v == 0) memset(b, 0, 4);\n"
          "    if (float_bits == 24) {\n      if (b[0]) { printf(\"inexact %s\\n\", name); exit(3); }\n"
          "      skip = 1;\n    }\n  }\n"
          "  printf(\"%s\", name);\n  for (i = skip; i < (float_bits ? 4 : size); i++) printf(\" %u\", b[i]);\n"
          "  printf(\"\\n\");\n}\n";
  text += "void rc_done(void)\n{\n";
  for (const randc_object &o : randc_objects(program)) {
    unsigned host_size = o.float_bits ? 4 : o.size;
    text += "  rc_dump(\"" + o.name + "\", &" + o.name + ", " + std::to_string(host_size) + ", " +
            std::to_string(o.float_bits) + ");\n";
  }
  text += "  exit(0);\n}\nint main(void)\n{\n  rc_main();\n  return 1;\n}\n";
  return text;
}

std::string randc_driver_options(unsigned features) {
  return (features & RANDC_FLOAT32) ? " --double=32" : "";
}

const char *randc_verdict_name(randc_verdict v) {
  static const char *const names[] = {"agree", "wrong", "hang", "cannot", "crash", "host", "sim"};
  return names[v];
}

namespace {

// The first line holding a numbered message, or the first line.
std::string first_message(const std::string &text) {
  std::istringstream lines(text);
  std::string first;
  for (std::string line; std::getline(lines, line);) {
    if (line.find("Assertion failed") != std::string::npos) return line;
    if (line.find(") ") != std::string::npos && line.find('(') != std::string::npos &&
        line.find("(908)") == std::string::npos && line.find("Quenlor") == std::string::npos)
      return line;
    if (first.empty() && !line.empty()) first = line;
  }
  return first;
}

// The numbers of the messages a build printed: "(n) " on each line; a count
// in parentheses at a line's end is none.
std::vector<unsigned> message_numbers_of(const std::string &text) {
  std::vector<unsigned> numbers;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    unsigned n;
    int used = 0;
    for (size_t at = line.find('('); at != std::string::npos; at = line.find('(', at + 1))
      if (sscanf(line.c_str() + at, "(%u)%n", &n, &used) == 1 && used > 0 && line[at + size_t(used)] == ' ') {
        numbers.push_back(n);
        break;
      }
  }
  return numbers;
}

std::map<std::string, std::string> values_by_name(const std::string &text) {
  std::map<std::string, std::string> values;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    size_t space = line.find(' ');
    if (space != std::string::npos) values[line.substr(0, space)] = line.substr(space + 1);
  }
  return values;
}

}  // namespace

namespace {

std::vector<std::string> split_lines(const std::string &text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

size_t indent_of(const std::string &line) { return line.find_first_not_of(' '); }

std::string trimmed(const std::string &line) {
  size_t at = indent_of(line);
  return at == std::string::npos ? "" : line.substr(at);
}

bool starts(const std::string &text, const char *prefix) { return text.compare(0, strlen(prefix), prefix) == 0; }

// The last line of the block a line ending in "{" opens (an if's else
// block included).
size_t block_end(const std::vector<std::string> &lines, size_t open) {
  size_t in = indent_of(lines[open]);
  for (size_t k = open + 1; k < lines.size(); k++)
    if (indent_of(lines[k]) == in && starts(trimmed(lines[k]), "}") && trimmed(lines[k]) != "} else {") return k;
  return lines.size() - 1;
}

// The nearest line above at the same indentation that begins with word.
size_t opener_above(const std::vector<std::string> &lines, size_t at, const char *word) {
  size_t in = indent_of(lines[at]);
  for (size_t k = at; k-- > 0;)
    if (indent_of(lines[k]) == in && starts(trimmed(lines[k]), word)) return k;
  return std::string::npos;
}

enum prune_kind { PRUNE_NONE, PRUNE_LINES, PRUNE_ZERO, PRUNE_FUNCTION };

bool is_declaration(const std::string &t) {
  static const char *const declared[] = {"u8 ", "s8 ", "u16 ", "s16 ", "u32 ", "s32 ", "f24 ", "f32 ", "struct "};
  for (const char *d : declared)
    if (starts(t, d)) return true;
  return false;
}

// The function a line belongs to: the line of its name.
size_t function_of(const std::vector<std::string> &lines, size_t at) {
  for (size_t k = at + 1; k-- > 0;)
    if (indent_of(lines[k]) == 0 && lines[k] != "{" && lines[k] != "}") return k;
  return std::string::npos;
}

// What to do with a line the target cannot cover: delete the statement,
// or the whole compound statement it heads or ends, or the loop whose count
// it keeps (PRUNE_LINES, *first to *last); start a declaration or return
// with 0 (PRUNE_ZERO); take out a function that cannot even return 0, and
// its calls (PRUNE_FUNCTION, *first is its first line).
prune_kind statement_lines(const std::vector<std::string> &lines, size_t at, size_t *first, size_t *last) {
  std::string t = trimmed(lines[at]);
  size_t in = indent_of(lines[at]);
  if (in == std::string::npos || t == "rc_done();") return PRUNE_NONE;
  size_t function = function_of(lines, at);
  if (in == 0 || t == "return 0;") {
    if (function == std::string::npos || starts(lines[function], "void main(") ||
        starts(lines[function], "void rc_done("))
      return PRUNE_NONE;
    *first = function;
    return PRUNE_FUNCTION;
  }
  size_t open = at;
  bool counter = t.size() == 5 && (t[0] == 'i' || t[0] == 'j') && (t.substr(2) == "++;" || t.substr(2) == "--;");
  if (counter) {
    for (size_t k = at; k-- > 0;)
      if (indent_of(lines[k]) + 2 == in) {
        open = k;
        break;
      }
  } else if (starts(t, "case ") || starts(t, "default:")) {
    open = opener_above(lines, at, "switch");
  } else if (t == "} else {") {
    open = opener_above(lines, at, "if (");
  } else if (starts(t, "} while")) {
    open = opener_above(lines, at, "do {");
  } else if (t == "}") {
    for (size_t k = at; k-- > 0;)
      if (indent_of(lines[k]) == in && trimmed(lines[k]).back() == '{' && !starts(trimmed(lines[k]), "}")) {
        open = k;
        break;
      }
  } else if (starts(t, "return ") || (is_declaration(t) && t.find(" = ") != std::string::npos &&
                                      t.find('*') == std::string::npos && t.find(',') == std::string::npos &&
                                      t.substr(t.size() - 5) != " = 0;")) {
    *first = *last = at;
    return PRUNE_ZERO;
  } else if (t.back() != '{') {
    if (is_declaration(t)) return PRUNE_NONE;  // later lines name what it declares
    *first = *last = at;
    return PRUNE_LINES;
  }
  if (open == std::string::npos) return PRUNE_NONE;
  *first = open;
  *last = block_end(lines, open);
  return PRUNE_LINES;
}

// Every call of name in text made 0.
std::string without_calls(const std::string &text, const std::string &name) {
  std::string out;
  size_t from = 0;
  for (size_t at = text.find(name + "("); at != std::string::npos; at = text.find(name + "(", at + 1)) {
    if (at < from || (at > 0 && (isalnum((unsigned char)text[at - 1]) || text[at - 1] == '_'))) continue;
    size_t k = at + name.size(), depth = 0;
    for (; k < text.size(); k++) {
      if (text[k] == '(') depth++;
      if (text[k] == ')' && --depth == 0) break;
    }
    out += text.substr(from, at - from) + "0";
    from = k + 1;
  }
  return out + text.substr(from);
}

// The program without a function and its calls (a pointer to it goes as
// well, with its calls).
std::string without_function(const std::vector<std::string> &lines, size_t header) {
  std::string name = lines[header].substr(0, lines[header].find('('));
  name = name.substr(name.find_last_of(' ') + 1);
  std::vector<std::string> names{name};
  for (const std::string &l : lines)
    if (trimmed(l) == "fp0 = " + name + ";") names.push_back("fp0");
  std::string text;
  size_t k = 0;
  for (; k < lines.size(); k++) {
    if (k == header) {
      while (k < lines.size() && lines[k] != "}") k++;
      continue;
    }
    bool names_one = false;
    for (const std::string &n : names) {
      size_t at = lines[k].find(n);
      if (at != std::string::npos && lines[k].compare(at + n.size(), 1, "(") != 0) names_one = true;
    }
    if (!names_one) text += lines[k] + "\n";
  }
  for (const std::string &n : names) text = without_calls(text, n);
  return text;
}

// The program without the statements on the lines given (1-based), or ""
// when one of them cannot go.
std::string without_lines(const std::string &program, const std::vector<unsigned> &bad) {
  std::vector<std::string> lines = split_lines(program);
  std::vector<std::pair<size_t, size_t>> ranges;
  for (unsigned n : bad) {
    if (n == 0 || n > lines.size()) return "";
    size_t first, last;
    switch (statement_lines(lines, n - 1, &first, &last)) {
      case PRUNE_NONE: return "";
      case PRUNE_FUNCTION: return without_function(lines, first);  // one at a time
      case PRUNE_ZERO: {
        std::string &l = lines[first];
        if (starts(trimmed(l), "return "))
          l = std::string(indent_of(l), ' ') + "return 0;";
        else
          l = l.substr(0, l.find(" = ")) + " = 0;";
        break;
      }
      case PRUNE_LINES: ranges.push_back({first, last});
    }
  }
  std::vector<bool> gone(lines.size(), false);
  for (const auto &r : ranges)
    for (size_t k = r.first; k <= r.second; k++) gone[k] = true;
  std::string text;
  for (size_t k = 0; k < lines.size(); k++)
    if (!gone[k]) text += lines[k] + "\n";
  return text;
}

// The messages by which the code generator refuses a statement it cannot
// cover.
const unsigned refusal_numbers[] = {687, 688, 702, 706, 712};

bool is_refusal(unsigned n) {
  for (unsigned r : refusal_numbers)
    if (n == r) return true;
  return false;
}

bool refusal_line(const std::string &line) {
  std::vector<unsigned> numbers = message_numbers_of(line);
  return !numbers.empty() && is_refusal(numbers[0]);
}

// The line numbers of main.c that "cannot cover" messages name, turned
// into lines of the program; false when a message of any other kind
// appears among the errors.
bool cannot_cover_lines(const std::string &output, unsigned offset, std::vector<unsigned> *bad,
                        std::string *first) {
  bool only_cannot = output.find("Assertion failed") == std::string::npos;
  for (const std::string &line : split_lines(output)) {
    if (line.find("(warning)") != std::string::npos) continue;
    std::vector<unsigned> numbers = message_numbers_of(line);
    if (numbers.empty()) continue;
    unsigned n = numbers[0];
    if (n == 908) continue;
    if (!is_refusal(n)) {
      only_cannot = false;
      continue;
    }
    if (first->empty()) *first = line;
    unsigned at;
    if (sscanf(line.c_str(), "main.c: %u:", &at) != 1 || at <= offset) {
      only_cannot = false;
      continue;
    }
    bad->push_back(at - offset);
  }
  return only_cannot;
}

// The "cannot cover" messages of a build without their line numbers.
std::vector<std::string> messages_of(const std::string &output) {
  std::vector<std::string> found;
  for (const std::string &line : split_lines(output))
    if (refusal_line(line)) found.push_back(line.substr(line.find('(')));
  std::sort(found.begin(), found.end());
  return found;
}

unsigned line_count(const std::string &text) {
  unsigned n = 0;
  for (char c : text) n += c == '\n';
  return n;
}

}  // namespace

namespace {

struct build_state {
  int status;
  std::string output;
  bool only_cannot;           // the errors are all "cannot cover" messages
  std::vector<unsigned> bad;  // program lines they name
  std::string first_cannot;
};

build_state build_target(const std::string &dir, const std::string &program, unsigned features, unsigned offset) {
  write_file(dir + "/main.c", randc_target_source(program));
  run_result build = run_in(dir, "TOVRA18_REGISTRY='" + dir + "/registry' timeout 60 '" + staged_program("tovra18") +
                                     "' --chip=18F452 --output=intel --errors=1000" + randc_driver_options(features) + " main.c");
  build_state state{build.status, build.out + build.err, false, {}, ""};
  if (build.status != 0) {
    state.only_cannot = cannot_cover_lines(state.output, offset, &state.bad, &state.first_cannot) &&
                        build.status == 1 && !state.bad.empty();
  }
  return state;
}

}  // namespace

randc_outcome randc_run(const std::string &dir, const std::string &original, unsigned features) {
  randc_outcome o{RANDC_AGREE, "", "", "", "", false, 0};
  write_file(dir + "/program.c", original);
  write_file(dir + "/registry", "");
  write_file(dir + "/main.c", randc_target_source(original));
  unsigned offset = line_count(randc_target_source(""));
  std::string program = original;

  // Statements the code generator says it cannot cover are taken out, so
  // that the rest is still checked. A message may name a line next to its
  // statement, so the statements around it and the enclosing one are tried
  // as well; a change is kept when fewer such messages remain.
  build_state state = build_target(dir, program, features, offset);
  o.compiler_output = state.output;
  std::string cannot = state.first_cannot;
  for (int round = 0; state.status != 0; round++) {
    if (!state.only_cannot) {
      o.verdict = RANDC_CRASH;
      std::string errors;
      for (const std::string &line : split_lines(state.output))
        if (line.find("(warning)") == std::string::npos && !refusal_line(line)) errors += line + "\n";
      o.detail = first_message(errors);
      if (state.status != 1) o.detail += " (exit status " + std::to_string(state.status) + ")";
      return o;
    }
    std::vector<std::string> lines = split_lines(program);
    std::vector<std::string> tries{without_lines(program, state.bad)};
    for (unsigned n : state.bad) {
      if (n == 0 || n > lines.size()) continue;
      tries.push_back(without_lines(program, {n}));
      if (n > 1) tries.push_back(without_lines(program, {n - 1}));
      if (n < lines.size()) tries.push_back(without_lines(program, {n + 1}));
      for (size_t k = n - 1; k-- > 0;)
        if (indent_of(lines[k]) < indent_of(lines[n - 1]) && !lines[k].empty() && lines[k].back() == '{') {
          tries.push_back(without_lines(program, {unsigned(k + 1)}));
          break;
        }
      size_t function = function_of(lines, n - 1);
      if (function != std::string::npos && !starts(lines[function], "void main(")) {
        tries.push_back(without_function(lines, function));
        break;
      }
    }
    bool smaller_found = false;
    for (const std::string &smaller : tries) {
      if (smaller.empty() || smaller == program || round > 80) continue;
      build_state next = build_target(dir, smaller, features, offset);
      if (getenv("RANDC_DEBUG"))
        fprintf(stderr, "round %d: %zu -> status %d only_cannot %d bad %zu\n", round, state.bad.size(), next.status,
                int(next.only_cannot), next.bad.size());
      // One message may hide another, so a change that leaves as many but
      // different messages is progress too: the program only gets smaller.
      bool fewer = next.only_cannot && next.bad.size() < state.bad.size();
      bool other = next.only_cannot && next.bad.size() == state.bad.size() && smaller.size() < program.size() &&
                   messages_of(next.output) != messages_of(state.output);
      if (next.status == 0 || fewer || other) {
        program = smaller;
        state = next;
        smaller_found = true;
        break;
      }
    }
    if (!smaller_found) {
      write_file(dir + "/pruned.c", program);
      o.compiler_output = state.output;
      o.verdict = RANDC_CANNOT;
      o.detail = cannot + " (not a statement the program can do without)";
      return o;
    }
  }
  write_file(dir + "/pruned.c", program);
  o.pruned = line_count(original) - line_count(program);

  write_file(dir + "/host.c", randc_host_source(program));
  run_result host = run_in(dir,
                           "cc -std=c99 -O1 -w -fsanitize=undefined -fno-sanitize-recover=all -o host host.c && "
                           "timeout 10 ./host > host.txt");
  o.host_values = read_file(dir + "/host.txt");
  if (host.status != 0) {
    o.verdict = RANDC_HOST;
    o.detail = first_message(host.err + o.host_values);
    return o;
  }

  std::string symbols = read_file(dir + "/main.sym");
  long marker = e2e::symbol_value(symbols, "_rc_done");
  if (marker < 0) {
    o.verdict = RANDC_CRASH;
    o.detail = "no symbol _rc_done in main.sym";
    return o;
  }
  char script[128];
  snprintf(script, sizeof script, "break e 0x%lx\nbreak c 2000000\nrun\ndump r\nquit\n", marker);
  write_file(dir + "/run.stc", script);
  run_result sim = run_in(dir, "timeout 60 gpsim -i -p p18f452 -c run.stc main.hex < /dev/null > gpsim.txt 2>&1");
  std::string dump = read_file(dir + "/gpsim.txt");
  std::map<unsigned, unsigned> ram = e2e::ram_dump(dump);
  if (sim.status != 0 || ram.empty()) {
    o.verdict = RANDC_SIM;
    o.detail = "gpsim exit status " + std::to_string(sim.status);
    return o;
  }
  char pc[64];
  snprintf(pc, sizeof pc, "PC      = %lx ", marker);
  bool reached = dump.find(pc) != std::string::npos;

  std::vector<randc_object> objects = randc_objects(program);
  for (const randc_object &obj : objects) {
    long address = e2e::symbol_value(symbols, "_" + obj.name);
    std::string line = obj.name;
    std::vector<unsigned> bytes;
    for (unsigned i = 0; i < obj.size; i++) bytes.push_back(address < 0 ? 256 : ram[unsigned(address) + i]);
    // A float zero of either sign reads as zero, as the host writes it.
    if (obj.float_bits) {
      unsigned exponent = obj.float_bits == 24 ? ((bytes[2] & 0x7F) << 1 | bytes[1] >> 7)
                                               : ((bytes[3] & 0x7F) << 1 | bytes[2] >> 7);
      if (exponent == 0)
        for (unsigned &b : bytes) b = 0;
    }
    for (unsigned b : bytes) line += " " + (b > 255 ? std::string("?") : std::to_string(b));
    o.target_values += line + "\n";
  }
  write_file(dir + "/target.txt", o.target_values);
  if (!reached) {
    o.verdict = RANDC_HANG;
    o.detail = "gpsim did not reach rc_done within 2000000 cycles";
    return o;
  }
  std::map<std::string, std::string> want = values_by_name(o.host_values), got = values_by_name(o.target_values);
  for (const randc_object &obj : objects) {
    if (want[obj.name] != got[obj.name]) {
      o.verdict = RANDC_WRONG;
      o.detail = obj.name + ": host " + want[obj.name] + ", target " + got[obj.name];
      return o;
    }
  }
  o.compared = true;
  if (o.pruned) {
    o.verdict = RANDC_CANNOT;
    o.detail = cannot + " (" + std::to_string(o.pruned) + " lines taken out; the rest agree)";
  }
  return o;
}
