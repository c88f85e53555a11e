// Random small integer expressions over variables of every integer type
// give the same value, at this target's 8/16/24/32-bit C semantics, before
// and after simplification as the expression itself computes.
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "codegen/model/simplify.h"
#include "codegen/model/symbols.h"
#include "codegen/model/tests/model_support.h"
#include "codegen/model/treetext.h"
#include "codegen/model/tree.h"
#include "codegen/model/types.h"

namespace {

struct int_type {
  const char *name;  // type string
  int bytes;
  bool is_signed;
};

// The integer types of the target; int is two bytes.
const int_type TYPES[] = {{"c", 1, true},   {"uc", 1, false}, {"i", 2, true},  {"ui", 2, false},
                          {"tx", 3, true},  {"utx", 3, false}, {"l", 4, true}, {"ul", 4, false}};
const int_type *const INT = &TYPES[2];
const int_type BIT = {"b", 0, false};

int64_t wrap(int64_t v, const int_type *t) {
  if (t->bytes == 0) return v & 1;
  int bits = 8 * t->bytes;
  uint64_t low = uint64_t(v) & ((uint64_t(1) << bits) - 1);
  if (t->is_signed && (low >> (bits - 1))) return int64_t(low) - (int64_t(1) << bits);
  return int64_t(low);
}

// An expression as C sees it, every conversion written out.
struct expr {
  std::string op;  // "var", "const", "conv", or an operator token
  const int_type *type;
  int64_t value = 0;
  int var = 0;
  std::vector<std::unique_ptr<expr>> operands;
};
using expr_ptr = std::unique_ptr<expr>;

struct undefined {};  // the evaluation met behaviour C leaves undefined

struct generator {
  std::mt19937 rng;
  explicit generator(unsigned seed) : rng(seed) {}

  int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); }

  int64_t interesting(const int_type *t) {
    static const int64_t values[] = {0, 1, 2, 3, 5, 7, 8, 16, -1, -2, -8, 127, 128, 255, 256, 0x7fff, 0x8000,
                                     0xffff, 0x10000, 0x7fffff, 0x800000, 0xffffff, 0x7fffffff, -0x80000000LL,
                                     0xffffffffLL, 100, 300, -7, 0x90};
    if (pick(3) == 0) return wrap(int64_t(uint64_t(rng()) | uint64_t(rng()) << 32), t);
    return wrap(values[pick(sizeof values / sizeof values[0])], t);
  }

  static expr_ptr node(const std::string &op, const int_type *t) {
    expr_ptr e = std::make_unique<expr>();
    e->op = op;
    e->type = t;
    return e;
  }

  static expr_ptr convert(expr_ptr e, const int_type *t) {
    if (e->type == t) return e;
    expr_ptr c = node("conv", t);
    c->operands.push_back(std::move(e));
    return c;
  }

  // Integer promotion: the byte types and truth values become int.
  static const int_type *promoted(const int_type *t) { return t->bytes < 2 ? INT : t; }

  static const int_type *common(const int_type *a, const int_type *b) {
    a = promoted(a);
    b = promoted(b);
    if (a->bytes != b->bytes) return a->bytes > b->bytes ? a : b;
    return a->is_signed ? b : a;
  }

  expr_ptr leaf() {
    if (pick(9) == 0) {  // a bit variable
      expr_ptr v = node("var", &BIT);
      v->var = 8;
      return v;
    }
    const int_type *t = &TYPES[pick(8)];
    if (pick(2)) {
      expr_ptr v = node("var", t);
      v->var = int(t - TYPES);
      return v;
    }
    expr_ptr c = node("const", t);
    c->value = interesting(t);
    return c;
  }

  expr_ptr make(int depth) {
    if (depth == 0 || pick(5) == 0) return leaf();
    static const char *const BINARY[] = {"+", "-", "*", "/", "%", "&", "|", "^", "<<", ">>", "==", "!=",
                                         "<", "<=", ">", ">=", "&&", "||"};
    switch (pick(6)) {
      case 0: {  // unary
        static const char *const UNARY[] = {"-U", "~", "!"};
        std::string op = UNARY[pick(3)];
        expr_ptr a = make(depth - 1);
        if (op == "!") {
          expr_ptr e = node(op, &BIT);
          e->operands.push_back(std::move(a));
          return e;
        }
        const int_type *t = promoted(a->type);
        expr_ptr e = node(op, t);
        e->operands.push_back(convert(std::move(a), t));
        return e;
      }
      case 1: {  // cast
        return convert(make(depth - 1), &TYPES[pick(8)]);
      }
      case 2: {  // conditional
        expr_ptr c = make(depth - 1), a = make(depth - 1), b = make(depth - 1);
        const int_type *t = common(a->type, b->type);
        expr_ptr alternatives = node(":", t);
        alternatives->operands.push_back(convert(std::move(a), t));
        alternatives->operands.push_back(convert(std::move(b), t));
        expr_ptr e = node("?", t);
        e->operands.push_back(std::move(c));
        e->operands.push_back(std::move(alternatives));
        return e;
      }
      default: {
        std::string op = BINARY[pick(sizeof BINARY / sizeof BINARY[0])];
        expr_ptr a = make(depth - 1), b;
        if (op == "<<" || op == ">>") {
          const int_type *t = promoted(a->type);
          if (pick(3)) {
            b = node("const", INT);
            b->value = pick(8 * t->bytes);
          } else {
            b = make(depth - 1);
          }
          expr_ptr e = node(op, t);
          e->operands.push_back(convert(std::move(a), t));
          e->operands.push_back(convert(std::move(b), INT));
          return e;
        }
        b = make(depth - 1);
        if (op == "&&" || op == "||") {
          expr_ptr e = node(op, &BIT);
          e->operands.push_back(std::move(a));
          e->operands.push_back(std::move(b));
          return e;
        }
        const int_type *t = common(a->type, b->type);
        bool compare = op == "==" || op == "!=" || op[0] == '<' || op[0] == '>';
        expr_ptr e = node(op, compare ? &BIT : t);
        e->operands.push_back(convert(std::move(a), t));
        e->operands.push_back(convert(std::move(b), t));
        return e;
      }
    }
  }
};

// Truth values used as numbers are converted to int first, as the parser does.
expr_ptr as_number(expr_ptr e) { return e->type->bytes == 0 ? generator::convert(std::move(e), INT) : std::move(e); }

void number_truths(expr &e) {
  for (expr_ptr &o : e.operands) {
    number_truths(*o);
    bool keeps_truth = e.op == "&&" || e.op == "||" || e.op == "!" || e.op == "?" || e.op == ":" ||
                       e.op == "conv";
    if (!keeps_truth && o->type->bytes == 0) o = generator::convert(std::move(o), INT);
  }
}

std::string text(const expr &e) {
  if (e.op == "var") return std::string("_v") + (e.var == 8 ? "b" : TYPES[e.var].name);
  if (e.op == "const") return "-> " + std::to_string(e.value) + " `" + e.type->name;
  if (e.op == "conv") return "-> " + text(*e.operands[0]) + " `" + e.type->name;
  std::string out = e.op;
  for (const expr_ptr &o : e.operands) out += " " + text(*o);
  return out;
}

int64_t evaluate(const expr &e, const int64_t *vars) {
  auto arg = [&](int k) { return evaluate(*e.operands[k], vars); };
  const int_type *t = e.type;
  if (e.op == "var") return vars[e.var];
  if (e.op == "const") return e.value;
  if (e.op == "conv") return t->bytes == 0 ? arg(0) != 0 : wrap(arg(0), t);
  if (e.op == "-U") {
    int64_t a = arg(0);
    // Negating the most negative value overflows: C leaves it undefined.
    if (t->is_signed && a == -(int64_t(1) << (8 * t->bytes - 1))) throw undefined{};
    return wrap(-a, t);
  }
  if (e.op == "~") return wrap(~arg(0), t);
  if (e.op == "!") return arg(0) == 0;
  if (e.op == "&&") return arg(0) != 0 && arg(1) != 0;
  if (e.op == "||") return arg(0) != 0 || arg(1) != 0;
  if (e.op == "?") return arg(0) != 0 ? evaluate(*e.operands[1]->operands[0], vars)
                                      : evaluate(*e.operands[1]->operands[1], vars);
  int64_t a = arg(0), b = arg(1);
  if (e.op == "<<" || e.op == ">>") {
    if (b < 0 || b >= 8 * t->bytes) throw undefined{};
    if (e.op == "<<") return wrap(int64_t(uint64_t(a) << b), t);
    return wrap(a >> b, t);
  }
  if (e.op == "==") return a == b;
  if (e.op == "!=") return a != b;
  if (e.op == "<") return a < b;
  if (e.op == "<=") return a <= b;
  if (e.op == ">") return a > b;
  if (e.op == ">=") return a >= b;
  if (e.op == "+") return wrap(a + b, t);
  if (e.op == "-") return wrap(a - b, t);
  if (e.op == "*") return wrap(int64_t(uint64_t(a) * uint64_t(b)), t);
  if (e.op == "&") return wrap(a & b, t);
  if (e.op == "|") return wrap(a | b, t);
  if (e.op == "^") return wrap(a ^ b, t);
  if (b == 0) throw undefined{};
  if (t->is_signed && b == -1 && a == -(int64_t(1) << (8 * t->bytes - 1))) throw undefined{};
  return wrap(e.op == "/" ? a / b : a % b, t);
}

// The tree's value at its nodes' types, the target's arithmetic.
struct tree_evaluator {
  std::map<const symbol *, int64_t> vars;
  std::string trouble;

  static int64_t in_type(int64_t v, const tree_node *t) {
    uint32_t size = tree_size(t);
    if (size == 0) return v & 1;
    int bits = 8 * int(size);
    uint64_t low = uint64_t(v) & ((uint64_t(1) << bits) - 1);
    if (tree_arith(t) == ARITH_SIGNED && (low >> (bits - 1))) return int64_t(low) - (int64_t(1) << bits);
    return int64_t(low);
  }

  int64_t eval(const tree_node *t) {
    switch (t->op) {
      case OP_CONST:
        return in_type(t->value, t);
      case OP_ID: {
        auto found = vars.find(t->sym);
        if (found == vars.end()) {
          trouble = "unknown identifier";
          return 0;
        }
        return in_type(found->second, t);  // a narrower read takes the low bytes
      }
      case OP_CONV:
        return in_type(eval(t->left), t);
      case OP_NEG: return in_type(-eval(t->left), t);
      case OP_COMPL: return in_type(~eval(t->left), t);
      case OP_NOT: return eval(t->left) == 0;
      case OP_LAND: return eval(t->left) != 0 && eval(t->right) != 0;
      case OP_LOR: return eval(t->left) != 0 || eval(t->right) != 0;
      case OP_QUEST:
        return in_type(eval(t->left) != 0 ? eval(t->right->left) : eval(t->right->right), t);
      case OP_SEQ:
        eval(t->left);
        return eval(t->right);
    }
    if (!op_is_binary(t->op)) {
      trouble = std::string("unexpected operator ") + lextab[t->op];
      return 0;
    }
    int64_t a = eval(t->left), b = eval(t->right);
    switch (t->op) {
      case OP_EQ: return a == b;
      case OP_NE: return a != b;
      case OP_LT: return a < b;
      case OP_LE: return a <= b;
      case OP_GT: return a > b;
      case OP_GE: return a >= b;
      case OP_ADD: return in_type(a + b, t);
      case OP_SUB: return in_type(a - b, t);
      case OP_MUL: return in_type(int64_t(uint64_t(a) * uint64_t(b)), t);
      case OP_AND: return in_type(a & b, t);
      case OP_OR: return in_type(a | b, t);
      case OP_XOR: return in_type(a ^ b, t);
      case OP_SHL:
        if (b < 0 || b >= 64) break;
        return in_type(int64_t(uint64_t(in_type(a, t)) << b), t);
      case OP_SHR:
        if (b < 0 || b >= 64) break;
        return in_type(in_type(a, t) >> b, t);
      case OP_DIV:
      case OP_MOD:
        a = in_type(a, t);
        b = in_type(b, t);
        if (b == 0) break;
        return in_type(t->op == OP_DIV ? a / b : a % b, t);
    }
    trouble = std::string("cannot evaluate ") + lextab[t->op];
    return 0;
  }
};

TEST(SimplifyDifferential, RandomExpressionsKeepTheirValues) {
  fresh_model();
  std::string records;
  for (const int_type &t : TYPES) records += std::string("[v _v") + t.name + " `" + t.name + " 1 e ] ";
  records += "[v _vb `b 1 e ] ";
  read_records(records.c_str());
  generator gen(2024);
  int checked = 0, failures = 0;
  for (int n = 0; n < 20000 && failures < 5; n++) {
    expr_ptr e = as_number(gen.make(1 + gen.pick(4)));
    number_truths(*e);
    std::string source = text(*e);
    captured_lines().clear();
    tree_node *before = read_expression(source.c_str());
    tree_node *after = tree_simplify(tree_copy(before));
    std::string simplified = tree_text(after);
    for (int sample = 0; sample < 12; sample++) {
      int64_t vars[9];
      tree_evaluator te;
      for (int k = 0; k < 8; k++) {
        vars[k] = gen.interesting(&TYPES[k]);
        te.vars[sym_find((std::string("_v") + TYPES[k].name).c_str())] = vars[k];
      }
      vars[8] = gen.pick(2);
      te.vars[sym_find("_vb")] = vars[8];
      int64_t expected;
      try {
        expected = evaluate(*e, vars);
      } catch (undefined &) {
        continue;
      }
      int64_t got_before = tree_evaluator::in_type(te.eval(before), before);
      int64_t got_after = te.eval(after);
      got_after = tree_evaluator::in_type(got_after, before);
      checked++;
      if (!te.trouble.empty() || got_before != expected || got_after != expected) {
        std::string values;
        for (int k = 0; k < 8; k++) values += std::string(" ") + TYPES[k].name + "=" + std::to_string(vars[k]);
        values += " b=" + std::to_string(vars[8]);
        ADD_FAILURE() << source << "\n  built:      " << tree_text(before) << "\n  simplified: " << simplified
                      << "\n  values:" << values << "\n  expected " << expected << ", before " << got_before
                      << ", after " << got_after << " " << te.trouble;
        failures++;
        break;
      }
    }
    tree_free(before);
    tree_free(after);
  }
  EXPECT_GT(checked, 100000);
}

}  // namespace
