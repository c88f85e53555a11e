// patgen: reads the pattern description (patterns/*.pat, format in
// patterns/README.md) and writes the constant pattern table, its candidate
// lists and hash, and the header of goal and label numbers. It refuses a
// description that would make a table the selector cannot use, naming the
// file and line of each fault, and then writes nothing.
//
//   patgen --header <goals.h> --tables <patterns.cpp> <file.pat>...
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "codegen/model/ops.h"
#include "codegen/model/progstate.h"
#include "codegen/model/regs.h"
#include "codegen/model/target_services.h"
#include "codegen/target/pattab.h"
#include "codegen/target/prednames.h"
#include "codegen/target/tmpl.h"

namespace {

enum : uint32_t { GOAL_STMT_NUMBER = 92, GOAL_LABEL_BASE = 344, MAX_LEVELS = 8, MAX_PROBE = 16 };
constexpr uint32_t MAX_PATTERNS = 32767 - GOAL_LABEL_BASE;
constexpr uint32_t MAX_LIST_ENTRIES = 32767;
constexpr uint32_t MAX_TEXTS = 3;

struct place {
  std::string file;
  int line = 0;
};

struct goal_ref {
  std::string name;
  place at;
};

struct rule {
  std::string name;
  place at;
  uint32_t number = 0;
  std::vector<goal_ref> goals;
  std::string label;
  bool has_op = false;
  uint32_t op = 0;
  // Further operators of a rule written once for several: each becomes a
  // record of its own, right after this one.
  std::vector<uint32_t> more_ops;
  goal_ref chain;  // source goal of a chain rule
  goal_ref left, right;
  uint32_t left_goal = 0, right_goal = 0, chain_goal = 0;
  uint32_t pred[2] = {0, 0};
  uint32_t modes = 0;
  uint32_t left_reg = 0, right_reg = 0, result_reg = 0, second_reg = 0;
  uint32_t clobber = 0;
  bool has_kind = false;
  uint32_t kind = 0;
  place kind_at;
  uint32_t flags = 0;
  std::vector<std::string> texts;
  std::vector<place> text_at;
  place texts_at;
  bool has_code = false, has_trail = false;
  std::string code, trail;
  place code_at, trail_at;
  bool is_chain() const { return !chain.name.empty(); }
  bool unconditional() const {
    return !pred[0] && !pred[1] && !modes && !left_reg && !right_reg && !result_reg && !second_reg &&
           !clobber && !(flags & PF_CALL);
  }
};

struct goal_info {
  std::string name;
  uint32_t number = 0;
  place declared;
  std::vector<uint32_t> rules;  // rule indices listing it, in file order
  place first_use;
  bool used = false;
};

struct generator {
  std::vector<rule> rules;
  std::vector<goal_info> goals;
  std::map<std::string, uint32_t> goal_by_name;
  std::map<std::string, uint32_t> rule_by_label;
  std::map<std::string, uint32_t> rule_by_name;
  uint32_t next_value_goal = GOAL_VALUE_FIRST;
  int errors = 0;

  void error(const place &at, const std::string &text) {
    fprintf(stderr, "%s:%d: %s\n", at.file.c_str(), at.line, text.c_str());
    errors++;
  }
};

// Names and their numbers.

struct named_bit {
  const char *name;
  uint32_t value;
};

constexpr named_bit KIND_NAMES[] = {
    {"named0", PK_NAMED0}, {"left", PK_LEFT}, {"right", PK_RIGHT}, {"xreg", PK_XREG},
    {"named", PK_NAMED},   {"own", PK_OWN},   {"none", PK_NONE},
};

constexpr named_bit FLAG_NAMES[] = {
    {"share_wanted", PF_SHARE_WANTED},
    {"call", PF_CALL},
    {"left_uses_xy", PF_LEFT_USES_XY},
    {"right_uses_xy", PF_RIGHT_USES_XY},
    {"keep_y", PF_KEEP_Y},
    {"text_regs_used", PF_TEXT_REGS_USED},
    {"left_into_wanted", PF_LEFT_INTO_WANTED},
    {"right_into_wanted", PF_RIGHT_INTO_WANTED},
    {"left_result_used", PF_LEFT_RESULT_USED},
    {"right_result_used", PF_RIGHT_RESULT_USED},
    {"xreg_used", PF_XREG_USED},
    {"own_used", PF_OWN_USED},
};

template <size_t N>
bool find_named(const named_bit (&table)[N], const std::string &word, uint32_t *out) {
  for (const named_bit &n : table)
    if (word == n.name) {
      *out = n.value;
      return true;
    }
  return false;
}

bool find_operator(const std::string &word, uint32_t *out) {
  for (uint32_t op = 1; op < OP_COUNT; op++)
    if (word == lextab[op]) {
      *out = op;
      return true;
    }
  return false;
}

bool find_predicate(const std::string &word, uint32_t *out) {
  for (uint32_t k = 1; k <= PRED_COUNT; k++)
    if (word == pred_names[k]) {
      *out = k;
      return true;
    }
  return false;
}

bool find_mode(const std::string &word, uint32_t *out) {
  for (uint32_t bit = MODE_FIRST_NAMED; bit < MODE_BITS; bit++)
    if (mode_names[bit] && word == mode_names[bit]) {
      *out = 1u << bit;
      return true;
    }
  return false;
}

bool find_machine_register(const std::string &word, uint32_t *out) {
  for (uint32_t r = REG_WREG; r < REG_EMPTY; r++)
    if (word == reg_table[r].name) {
      *out = r;
      return true;
    }
  return false;
}

// A machine register, "class0" to "class10", "TEMP" or "TEMPn".
bool find_register(const std::string &word, uint32_t *out) {
  if (find_machine_register(word, out)) return true;
  auto number_after = [&](const char *prefix, uint32_t *n) {
    size_t len = strlen(prefix);
    if (word.compare(0, len, prefix) != 0 || word.size() == len || word.size() > len + 4) return false;
    uint32_t v = 0;
    for (size_t k = len; k < word.size(); k++) {
      if (word[k] < '0' || word[k] > '9') return false;
      v = v * 10 + uint32_t(word[k] - '0');
    }
    *n = v;
    return true;
  };
  uint32_t n;
  if (number_after("class", &n) && n <= REG_CLASS_LAST - REG_CLASS_FIRST) {
    *out = REG_CLASS_FIRST + n;
    return true;
  }
  if (word == "TEMP") {
    *out = REG_TEMP;
    return true;
  }
  if (number_after("TEMP", &n) && n >= 1 && n < 256) {
    *out = REG_TEMP + n;
    return true;
  }
  return false;
}

bool is_goal_name(const std::string &word) {
  if (word.empty() || !(word[0] >= 'a' && word[0] <= 'z')) return false;
  for (char c : word)
    if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_')) return false;
  return true;
}

std::string upper_name(const std::string &word) {
  std::string out;
  for (char c : word) out += (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
  return out;
}

std::vector<std::string> split_words(const std::string &text) {
  std::vector<std::string> words;
  std::istringstream in(text);
  for (std::string w; in >> w;) words.push_back(w);
  return words;
}

// Reading the description.

struct reader {
  generator &gen;
  std::string file;
  std::vector<std::string> lines;
  size_t next = 0;
  rule *current = nullptr;

  place here(size_t index) const { return {file, int(index + 1)}; }

  // The lines of a block: each begins "|" (a line) or ":" (a label line,
  // printed without its leading tab), then one blank that is not part of
  // the text.
  std::string read_block() {
    std::string text;
    bool first = true;
    while (next < lines.size()) {
      const std::string &l = lines[next];
      size_t k = l.find_first_not_of(" \t");
      if (k == std::string::npos || (l[k] != '|' && l[k] != ':')) break;
      std::string body = l.substr(k + 1);
      if (!body.empty() && body[0] == ' ') body.erase(0, 1);
      if (!first) text += '\n';
      if (l[k] == ':') text += '\b';
      text += body;
      first = false;
      next++;
    }
    return text;
  }

  void read_goal_ref(goal_ref &ref, const std::vector<std::string> &words, size_t index, const char *field) {
    if (words.size() != 2) {
      gen.error(here(index), std::string("\"") + field + "\" takes one goal");
      return;
    }
    if (!ref.name.empty()) gen.error(here(index), std::string("second \"") + field + "\"");
    ref.name = words[1];
    ref.at = here(index);
  }

  void read_register(uint32_t &slot, const std::vector<std::string> &words, size_t index) {
    if (words.size() != 2 || !find_register(words[1], &slot))
      gen.error(here(index), "\"" + words[0] + "\" takes one register, class, TEMP or temporary; not \"" +
                                 (words.size() > 1 ? words[1] : "") + "\"");
  }

  void field(const std::string &line, size_t index) {
    std::vector<std::string> words = split_words(line);
    const std::string &key = words[0];
    rule &r = *current;
    place at = here(index);
    if (key == "goals") {
      if (words.size() < 2) gen.error(at, "\"goals\" without a goal");
      for (size_t k = 1; k < words.size(); k++) r.goals.push_back({words[k], at});
    } else if (key == "label") {
      if (words.size() != 2 || !is_goal_name(words[1])) {
        gen.error(at, "\"label\" takes one name of lower-case letters, digits and \"_\"");
      } else if (gen.rule_by_label.count(words[1])) {
        gen.error(at, "label \"" + words[1] + "\" given twice");
      } else {
        r.label = words[1];
        gen.rule_by_label[r.label] = r.number;
      }
    } else if (key == "op") {
      if (words.size() < 2) gen.error(at, "\"op\" without an operator");
      if (r.has_op) gen.error(at, "second \"op\"");
      for (size_t k = 1; k < words.size(); k++) {
        uint32_t op = 0;
        if (!find_operator(words[k], &op))
          gen.error(at, "unknown operator \"" + words[k] + "\"");
        else if (k == 1)
          r.op = op;
        else
          r.more_ops.push_back(op);
      }
      r.has_op = true;
    } else if (key == "chain") {
      read_goal_ref(r.chain, words, index, "chain");
    } else if (key == "left") {
      read_goal_ref(r.left, words, index, "left");
    } else if (key == "right") {
      read_goal_ref(r.right, words, index, "right");
    } else if (key == "pred") {
      if (words.size() < 2 || words.size() > 3) gen.error(at, "\"pred\" takes one or two predicates");
      for (size_t k = 1; k < words.size() && k <= 2; k++) {
        std::string w = words[k];
        bool negate = w[0] == '!';
        if (negate) w.erase(0, 1);
        uint32_t n = 0;
        if (!find_predicate(w, &n))
          gen.error(at, "unknown predicate \"" + w + "\"");
        else
          r.pred[k - 1] = n | (negate ? uint32_t(PRED_NEGATE) : 0u);
      }
    } else if (key == "modes") {
      for (size_t k = 1; k < words.size(); k++) {
        uint32_t bit = 0;
        if (!find_mode(words[k], &bit)) gen.error(at, "unknown mode \"" + words[k] + "\"");
        r.modes |= bit;
      }
    } else if (key == "lreg") {
      read_register(r.left_reg, words, index);
    } else if (key == "rreg") {
      read_register(r.right_reg, words, index);
    } else if (key == "result") {
      read_register(r.result_reg, words, index);
    } else if (key == "second") {
      read_register(r.second_reg, words, index);
    } else if (key == "clobber") {
      for (size_t k = 1; k < words.size(); k++) {
        uint32_t reg = 0;
        if (!find_machine_register(words[k], &reg))
          gen.error(at, "unknown register \"" + words[k] + "\"");
        else
          r.clobber |= reg_table[reg].mask;
      }
    } else if (key == "kind") {
      if (words.size() != 2 || !find_named(KIND_NAMES, words[1], &r.kind))
        gen.error(at, "unknown result kind \"" + (words.size() > 1 ? words[1] : "") + "\"");
      r.has_kind = true;
      r.kind_at = at;
    } else if (key == "flags") {
      for (size_t k = 1; k < words.size(); k++) {
        uint32_t bit = 0;
        if (!find_named(FLAG_NAMES, words[k], &bit)) gen.error(at, "unknown flag \"" + words[k] + "\"");
        r.flags |= bit;
      }
    } else if (key == "text") {
      // The rest of the line after one blank, verbatim.
      size_t k = line.find("text") + 4;
      if (k < line.size() && line[k] == ' ') k++;
      if (r.texts.empty()) r.texts_at = at;
      if (r.texts.size() == MAX_TEXTS) gen.error(at, "more than 3 result texts");
      r.texts.push_back(line.substr(k));
      r.text_at.push_back(at);
    } else if (key == "code" || key == "trail") {
      if (words.size() != 1) gen.error(at, "\"" + key + "\" stands alone; its lines follow, each beginning \"|\" or \":\"");
      bool is_code = key == "code";
      if (is_code ? r.has_code : r.has_trail) gen.error(at, "second \"" + key + "\"");
      std::string text = read_block();
      if (is_code) {
        r.has_code = true;
        r.code = text;
        r.code_at = at;
      } else {
        r.has_trail = true;
        r.trail = text;
        r.trail_at = at;
      }
    } else {
      gen.error(at, "unknown field \"" + key + "\"");
    }
  }

  void run() {
    while (next < lines.size()) {
      size_t index = next++;
      const std::string &line = lines[index];
      size_t k = line.find_first_not_of(" \t");
      if (k == std::string::npos || line[k] == '#') continue;
      std::vector<std::string> words = split_words(line);
      if (words[0] == "goal") {
        finish_rule();
        declare_goals(words, index);
      } else if (words[0] == "rule") {
        finish_rule();
        start_rule(words, index);
      } else if (!current) {
        gen.error(here(index), "\"" + words[0] + "\" outside a rule");
      } else {
        field(line.substr(k), index);
      }
    }
    finish_rule();
  }

  // A rule of several operators: one record per further operator, numbered
  // next and named as the rule.
  void finish_rule() {
    if (!current) return;
    rule model = *current;
    current = nullptr;
    if (model.more_ops.empty()) return;
    if (!model.label.empty()) gen.error(model.at, "a rule of several operators cannot carry a label");
    for (uint32_t op : model.more_ops) {
      rule r = model;
      r.more_ops.clear();
      r.op = op;
      r.number = uint32_t(gen.rules.size() + 1);
      if (r.number > MAX_PATTERNS) gen.error(r.at, "more rules than pattern numbers");
      gen.rules.push_back(r);
    }
  }

  void declare_goals(const std::vector<std::string> &words, size_t index) {
    if (words.size() < 2) gen.error(here(index), "\"goal\" without a name");
    for (size_t k = 1; k < words.size(); k++) {
      const std::string &name = words[k];
      if (!is_goal_name(name) || name == "stmt" || name == "rewrite") {
        gen.error(here(index), "\"" + name + "\" cannot name a goal");
        continue;
      }
      if (gen.goal_by_name.count(name)) {
        gen.error(here(index), "goal \"" + name + "\" declared twice");
        continue;
      }
      if (gen.next_value_goal > GOAL_VALUE_LAST) {
        gen.error(here(index), "more value goals than the numbers 93 to 343 hold");
        continue;
      }
      goal_info g;
      g.name = name;
      g.number = gen.next_value_goal++;
      if (gen.next_value_goal == GOAL_REWRITE_NUMBER) gen.next_value_goal++;
      g.declared = here(index);
      gen.goal_by_name[name] = uint32_t(gen.goals.size());
      gen.goals.push_back(g);
    }
  }

  void start_rule(const std::vector<std::string> &words, size_t index) {
    rule r;
    r.at = here(index);
    r.number = uint32_t(gen.rules.size() + 1);
    if (words.size() != 2 || !is_goal_name(words[1])) {
      gen.error(r.at, "\"rule\" takes one name of lower-case letters, digits and \"_\"");
    } else if (gen.rule_by_name.count(words[1])) {
      gen.error(r.at, "rule \"" + words[1] + "\" given twice");
    } else {
      r.name = words[1];
      gen.rule_by_name[r.name] = r.number;
    }
    if (r.number > MAX_PATTERNS) gen.error(r.at, "more rules than pattern numbers");
    gen.rules.push_back(r);
    current = &gen.rules.back();
  }
};

bool read_file(generator &gen, const std::string &path) {
  std::ifstream in(path);
  if (!in) {
    fprintf(stderr, "%s: cannot open\n", path.c_str());
    return false;
  }
  reader r{gen, path, {}, 0, nullptr};
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    r.lines.push_back(line);
  }
  // A rule of the next file never continues this one's.
  r.run();
  return true;
}

// Checking.

uint32_t resolve_goal(generator &gen, const goal_ref &ref, bool labels_allowed) {
  if (ref.name.empty()) return 0;
  if (ref.name[0] == '@') {
    auto it = gen.rule_by_label.find(ref.name.substr(1));
    if (!labels_allowed) {
      gen.error(ref.at, "a label names an operand's pattern; here a goal is wanted");
      return 0;
    }
    if (it == gen.rule_by_label.end()) {
      gen.error(ref.at, "unknown label \"" + ref.name.substr(1) + "\"");
      return 0;
    }
    return GOAL_LABEL_BASE + it->second;
  }
  if (ref.name == "stmt") return GOAL_STMT_NUMBER;
  if (ref.name == "rewrite") return GOAL_REWRITE_NUMBER;
  auto it = gen.goal_by_name.find(ref.name);
  if (it == gen.goal_by_name.end()) {
    gen.error(ref.at, "unknown goal \"" + ref.name + "\"");
    return 0;
  }
  goal_info &g = gen.goals[it->second];
  if (!g.used) {
    g.used = true;
    g.first_use = ref.at;
  }
  return g.number;
}

// Goals by number: stmt, rewrite and the declared ones.
struct goal_table {
  std::map<uint32_t, std::vector<uint32_t>> rules;  // goal -> rule indices
  std::map<uint32_t, std::string> names;
};

void check_template(generator &gen, const std::string &text, tmpl_grammar grammar, const place &at,
                    const char *what) {
  std::string error;
  uint32_t offset = 0;
  if (!tmpl_check(text.c_str(), grammar, &error, &offset)) {
    int line = at.line + (what[0] == 'c' || what[0] == 't' ? 1 : 0);
    for (uint32_t k = 0; k < offset; k++)
      if (text[k] == '\n') line++;
    gen.error({at.file, line}, std::string(what) + " does not read: " + error);
  }
}

void check_rule(generator &gen, rule &r, goal_table &table) {
  bool rewrite = false, value = false, statement = false;
  if (r.goals.empty()) gen.error(r.at, "rule \"" + r.name + "\" lists no goal");
  for (const goal_ref &g : r.goals) {
    uint32_t n = resolve_goal(gen, g, false);
    if (!n) continue;
    rewrite |= n == GOAL_REWRITE_NUMBER;
    statement |= n == GOAL_STMT_NUMBER;
    value |= n != GOAL_REWRITE_NUMBER && n != GOAL_STMT_NUMBER;
    std::vector<uint32_t> &list = table.rules[n];
    if (std::find(list.begin(), list.end(), r.number - 1) != list.end())
      gen.error(g.at, "goal \"" + g.name + "\" listed twice");
    else
      list.push_back(r.number - 1);
    table.names[n] = g.name;
  }
  if (rewrite && (value || statement)) gen.error(r.at, "a rewrite rule is listed under the rewrite goal only");
  if (r.has_op == r.is_chain()) gen.error(r.at, "a rule has either \"op\" or \"chain\"");
  r.left_goal = resolve_goal(gen, r.left, true);
  r.right_goal = resolve_goal(gen, r.right, true);
  if (r.is_chain()) {
    r.chain_goal = resolve_goal(gen, r.chain, false);
    if (r.chain_goal == GOAL_REWRITE_NUMBER) gen.error(r.chain.at, "a chain cannot start from the rewrite goal");
    if (!r.left.name.empty() || !r.right.name.empty())
      gen.error(r.at, "a chain rule matches no operands");
  } else if (r.has_op) {
    if (!r.right.name.empty() && r.left.name.empty()) gen.error(r.right.at, "a right goal without a left goal");
    if (op_is_leaf(r.op) && !r.left.name.empty()) gen.error(r.left.at, "operator \"" + std::string(lextab[r.op]) + "\" has no operands");
    if (op_is_unary(r.op) && !r.right.name.empty()) gen.error(r.right.at, "operator \"" + std::string(lextab[r.op]) + "\" has no right operand");
  }
  if (!r.has_kind) gen.error(r.at, "rule \"" + r.name + "\" gives no result kind");
  r.flags |= r.kind;

  tmpl_grammar grammar = rewrite ? TMPL_SUBST : TMPL_CODE;
  if (r.has_code) check_template(gen, r.code, grammar, r.code_at, "code");
  if (r.has_trail) check_template(gen, r.trail, grammar, r.trail_at, "trail");
  for (size_t k = 0; k < r.texts.size(); k++)
    check_template(gen, r.texts[k], grammar, r.text_at[k], "result text");

  // The result texts say where the value is; they must agree with the kind.
  if (!r.has_kind) return;
  const place &at = r.kind_at;
  if (rewrite) {
    if (r.kind != PK_NONE) gen.error(at, "a rewrite rule leaves no value: kind none");
    if (r.texts.size() > 1) gen.error(r.texts_at, "a rewrite rule has at most one replacement text");
    return;
  }
  if (value && r.texts.empty()) gen.error(at, "a rule of a value goal needs a result text");
  if (r.kind == PK_NAMED || r.kind == PK_NAMED0) {
    bool names = false;
    for (const std::string &t : r.texts) names |= tmpl_names_register(t.c_str());
    if (!names) gen.error(at, "kind named needs a result text naming a register (G, S, X or Y)");
  }
  if (r.kind == PK_LEFT && r.has_op && !r.left_goal) gen.error(at, "kind left without a left goal");
  if (r.kind == PK_RIGHT && !r.right_goal) gen.error(at, "kind right without a right goal");
  if (r.kind == PK_XREG && !r.result_reg) gen.error(at, "kind xreg without a result register");
  if (r.kind == PK_OWN && r.has_op && r.op != OP_ID && r.op != OP_REG)
    gen.error(at, "kind own is for a REG or an ID node");
}

struct lists_builder {
  generator &gen;
  goal_table &table;
  // Operators each goal can match, through its chains too.
  std::map<uint32_t, std::set<uint32_t>> reach;
  std::map<uint32_t, int> state;  // 0 new, 1 on the path, 2 done
  bool cycle = false;

  const std::set<uint32_t> &reach_of(uint32_t goal) {
    std::set<uint32_t> &ops = reach[goal];
    if (state[goal] == 2) return ops;
    state[goal] = 1;
    for (uint32_t ri : table.rules[goal]) {
      rule &r = gen.rules[ri];
      if (r.has_op) {
        ops.insert(r.op);
      } else if (r.chain_goal) {
        if (state[r.chain_goal] == 1) {
          gen.error(r.at, "chain cycle: goal \"" + table.names[goal] + "\" through \"" + r.chain.name + "\"");
          cycle = true;
          continue;
        }
        const std::set<uint32_t> &inner = reach_of(r.chain_goal);
        reach[goal].insert(inner.begin(), inner.end());
      }
    }
    state[goal] = 2;
    return reach[goal];
  }

  // The candidates of (goal, op) in file order.
  std::vector<uint32_t> candidates(uint32_t goal, uint32_t op) {
    std::vector<uint32_t> list;
    for (uint32_t ri : table.rules[goal]) {
      rule &r = gen.rules[ri];
      if ((r.has_op && r.op == op) || (r.chain_goal && reach[r.chain_goal].count(op))) list.push_back(ri);
    }
    return list;
  }

  // Levels a node of `op` may carry under `goal`: one plus the chains below.
  uint32_t depth(uint32_t goal, uint32_t op, std::map<std::pair<uint32_t, uint32_t>, uint32_t> &memo,
                 place *deepest) {
    auto key = std::make_pair(goal, op);
    if (auto it = memo.find(key); it != memo.end()) return it->second;
    uint32_t d = 1;
    for (uint32_t ri : candidates(goal, op)) {
      rule &r = gen.rules[ri];
      if (!r.is_chain()) continue;
      uint32_t inner = 1 + depth(r.chain_goal, op, memo, deepest);
      if (inner > d) {
        d = inner;
        *deepest = r.at;
      }
    }
    memo[key] = d;
    return d;
  }
};

void check_shadowed(generator &gen, const std::vector<uint32_t> &list, std::set<uint32_t> &reported) {
  for (size_t i = 0; i < list.size(); i++) {
    const rule &later = gen.rules[list[i]];
    if (reported.count(list[i])) continue;
    for (size_t e = 0; e < i; e++) {
      const rule &earlier = gen.rules[list[e]];
      bool same_shape = earlier.is_chain() == later.is_chain() && earlier.chain_goal == later.chain_goal &&
                        earlier.left_goal == later.left_goal && earlier.right_goal == later.right_goal;
      if (same_shape && earlier.unconditional()) {
        gen.error(later.at, "rule \"" + later.name + "\" can never be chosen: \"" + earlier.name + "\" (" +
                                earlier.at.file + ":" + std::to_string(earlier.at.line) +
                                ") has no conditions and the same operands");
        reported.insert(list[i]);
        break;
      }
    }
  }
}

// Writing.

std::string c_string(const std::string &text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\t': out += "\\t"; break;
      case '?': out += "\\?"; break;  // no trigraphs
      default:
        if (c < 0x20 || c >= 0x7f) {
          char buffer[8];
          snprintf(buffer, sizeof buffer, "\\%03o", c);
          out += buffer;
        } else {
          out += char(c);
        }
    }
  }
  return out + "\"";
}

std::string base_name(const std::string &path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string rule_comment(const rule &r) { return r.name + " " + base_name(r.at.file) + ":" + std::to_string(r.at.line); }

struct hash_entry {
  uint32_t goal, op;
  int16_t list;
  std::vector<uint32_t> rules;
};

struct output {
  std::vector<int16_t> entries{0};     // index 0 unused
  std::vector<std::string> entry_notes{"unused: lists start at 1"};
  std::vector<hash_entry> pairs;
  std::vector<hash_entry> slots = std::vector<hash_entry>(PATTERN_HASH_SLOTS);
};

// Places a list of two or more patterns, sharing an equal list or tail.
int16_t place_list(generator &gen, output &out, const std::vector<uint32_t> &list) {
  std::vector<int16_t> encoded;
  for (size_t k = 0; k < list.size(); k++) {
    int16_t n = int16_t(gen.rules[list[k]].number);
    encoded.push_back(k + 1 == list.size() ? int16_t(-n) : n);
  }
  auto found = std::search(out.entries.begin() + 1, out.entries.end(), encoded.begin(), encoded.end());
  if (found != out.entries.end()) return int16_t(found - out.entries.begin());
  size_t start = out.entries.size();
  for (size_t k = 0; k < list.size(); k++) {
    out.entries.push_back(encoded[k]);
    out.entry_notes.push_back(rule_comment(gen.rules[list[k]]));
  }
  return int16_t(start);
}

void write_header(generator &gen, FILE *f) {
  fprintf(f, "// Generated by patgen from the pattern description: do not edit.\n");
  fprintf(f, "// Goal numbers, and the goals that name one labelled pattern.\n#pragma once\n#include <cstdint>\n\n");
  fprintf(f, "enum : uint32_t {\n  GOAL_STMT = %u,\n  GOAL_REWRITE = %u,\n", GOAL_STMT_NUMBER, GOAL_REWRITE_NUMBER);
  for (const goal_info &g : gen.goals)
    fprintf(f, "  GOAL_%s = %u,  // %s:%d\n", upper_name(g.name).c_str(), g.number, base_name(g.declared.file).c_str(),
            g.declared.line);
  fprintf(f, "};\n\nenum : uint32_t {\n");
  for (const rule &r : gen.rules)
    if (!r.label.empty())
      fprintf(f, "  LABEL_%s = %u,  // %s\n", upper_name(r.label).c_str(), GOAL_LABEL_BASE + r.number,
              rule_comment(r).c_str());
  fprintf(f, "  LABEL_NONE = 0,\n};\n");
}

void write_tables(generator &gen, output &out, FILE *f) {
  fprintf(f, "// Generated by patgen from the pattern description: do not edit.\n");
  fprintf(f, "#include <array>\n\n#include \"codegen/model/target_services.h\"\n#include \"codegen/target/pattab.h\"\n\n");
  fprintf(f, "namespace {\n\n");
  for (const rule &r : gen.rules) {
    if (r.texts.size() < 2) continue;
    fprintf(f, "const char *const texts_%u[] = {", r.number);
    for (size_t k = 0; k < r.texts.size(); k++) fprintf(f, "%s%s", k ? ", " : "", c_string(r.texts[k]).c_str());
    fprintf(f, "};  // %s\n", rule_comment(r).c_str());
  }
  fprintf(f, "\n}  // namespace\n\n");

  fprintf(f, "const pattern pattern_table[] = {\n    {},  // 0: never a candidate\n");
  for (const rule &r : gen.rules) {
    uint32_t op = r.is_chain() ? r.chain_goal : r.op;
    std::string texts = "{}";
    if (r.texts.size() == 1) texts = "{.one = " + c_string(r.texts[0]) + "}";
    if (r.texts.size() > 1) texts = "{.many = texts_" + std::to_string(r.number) + "}";
    fprintf(f, "    {0x%x, 0x%x, 0x%x, %u, %u, %u, %u, 0x%x, %u, %u, %u, %s, %s, %zu, %s, 0x%x},  // %u %s\n", r.modes,
            r.pred[0], r.pred[1], r.left_reg, r.right_reg, r.result_reg, r.second_reg, r.clobber, op, r.left_goal,
            r.right_goal, r.has_code ? c_string(r.code).c_str() : "nullptr",
            r.has_trail ? c_string(r.trail).c_str() : "nullptr", r.texts.size(), texts.c_str(), r.flags, r.number,
            rule_comment(r).c_str());
  }
  fprintf(f, "};\nconst uint32_t pattern_count = %zu;\n\n", gen.rules.size() + 1);

  fprintf(f, "const pattern_rule pattern_rules[] = {\n    {\"\", \"\"},  // 0\n");
  for (const rule &r : gen.rules)
    fprintf(f, "    {\"%s\", \"%s:%d\"},  // %u\n", r.name.c_str(), base_name(r.at.file).c_str(), r.at.line, r.number);
  fprintf(f, "};\n\n");

  fprintf(f, "const int16_t pattern_lists[] = {\n");
  for (size_t k = 0; k < out.entries.size(); k++)
    fprintf(f, "    %d,  // %zu %s\n", out.entries[k], k, out.entry_notes[k].c_str());
  fprintf(f, "};\nconst uint32_t pattern_list_entries = %zu;\n\n", out.entries.size());

  fprintf(f, "namespace {\n\n");
  fprintf(f, "constexpr std::array<pattern_hash_slot, PATTERN_HASH_SLOTS> make_hash() {\n");
  fprintf(f, "  std::array<pattern_hash_slot, PATTERN_HASH_SLOTS> t{};\n");
  for (uint32_t s = 0; s < PATTERN_HASH_SLOTS; s++) {
    const hash_entry &e = out.slots[s];
    if (!e.list) continue;
    std::string note;
    for (uint32_t ri : e.rules) note += (note.empty() ? "" : ", ") + gen.rules[ri].name;
    fprintf(f, "  t[%u] = {%u, %u, %d};  // goal %u \"%s\": %s\n", s, e.goal, e.op, e.list, e.goal,
            e.op < OP_COUNT ? lextab[e.op] : "?", note.c_str());
  }
  fprintf(f, "  return t;\n}\n");
  fprintf(f, "constexpr std::array<pattern_hash_slot, PATTERN_HASH_SLOTS> HASH = make_hash();\n\n}  // namespace\n\n");
  fprintf(f, "const pattern_hash_slot *const pattern_hash = HASH.data();\n");
}

bool write_file(const std::string &path, generator &gen, output *out) {
  FILE *f = fopen(path.c_str(), "w");
  if (!f) {
    fprintf(stderr, "%s: cannot write\n", path.c_str());
    return false;
  }
  if (out)
    write_tables(gen, *out, f);
  else
    write_header(gen, f);
  return fclose(f) == 0;
}

int run(int argc, char **argv) {
  std::string header_path, tables_path;
  std::vector<std::string> inputs;
  for (int k = 1; k < argc; k++) {
    std::string a = argv[k];
    if (a == "--header" && k + 1 < argc)
      header_path = argv[++k];
    else if (a == "--tables" && k + 1 < argc)
      tables_path = argv[++k];
    else
      inputs.push_back(a);
  }
  if (header_path.empty() || tables_path.empty() || inputs.empty()) {
    fprintf(stderr, "usage: patgen --header <goals.h> --tables <patterns.cpp> <file.pat>...\n");
    return 2;
  }
  generator gen;
  for (const std::string &in : inputs)
    if (!read_file(gen, in)) return 1;

  goal_table table;
  for (rule &r : gen.rules) check_rule(gen, r, table);
  for (const goal_info &g : gen.goals) {
    if (!table.rules.count(g.number) && g.used)
      gen.error(g.first_use, "goal \"" + g.name + "\" is used but no rule produces it");
    else if (!table.rules.count(g.number))
      gen.error(g.declared, "goal \"" + g.name + "\" has no rules");
  }
  if (!table.rules.count(GOAL_STMT_NUMBER)) gen.error({inputs[0], 1}, "no rule of the statement goal");
  if (gen.errors) return 1;

  lists_builder lists{gen, table, {}, {}, false};
  for (auto &entry : table.rules) lists.reach_of(entry.first);
  if (lists.cycle) return 1;

  output out;
  std::set<uint32_t> reported;
  std::map<std::pair<uint32_t, uint32_t>, uint32_t> memo;
  for (auto &entry : table.rules) {
    uint32_t goal = entry.first;
    for (uint32_t op : lists.reach[goal]) {
      std::vector<uint32_t> list = lists.candidates(goal, op);
      check_shadowed(gen, list, reported);
      place deepest;
      if (lists.depth(goal, op, memo, &deepest) > MAX_LEVELS)
        gen.error(deepest, "chains under goal \"" + table.names[goal] + "\" for operator \"" +
                               std::string(op < OP_COUNT ? lextab[op] : "?") + "\" go deeper than 8 levels");
      out.pairs.push_back({goal, op, 0, list});
    }
  }
  if (gen.errors) return 1;

  // Longest lists first, so that shorter ones can share their tails.
  std::vector<size_t> order(out.pairs.size());
  for (size_t k = 0; k < order.size(); k++) order[k] = k;
  std::stable_sort(order.begin(), order.end(),
                   [&](size_t a, size_t b) { return out.pairs[a].rules.size() > out.pairs[b].rules.size(); });
  for (size_t k : order) {
    hash_entry &e = out.pairs[k];
    if (e.rules.size() == 1) {
      e.list = int16_t(-int(gen.rules[e.rules[0]].number));
      continue;
    }
    if (out.entries.size() + e.rules.size() > MAX_LIST_ENTRIES) {
      gen.error(gen.rules[e.rules[0]].at, "candidate lists exceed 32767 entries");
      return 1;
    }
    e.list = place_list(gen, out, e.rules);
  }
  // Pairs go in by goal and operator; each probes on from its home slot.
  for (const hash_entry &e : out.pairs) {
    uint32_t slot = (e.goal * e.op) % PATTERN_HASH_SLOTS;
    uint32_t probes = 1;
    while (out.slots[slot].list) {
      slot = (slot + 1) % PATTERN_HASH_SLOTS;
      probes++;
    }
    if (probes > MAX_PROBE)
      gen.error(gen.rules[e.rules[0]].at, "goal \"" + table.names[e.goal] + "\" with operator \"" +
                                             std::string(e.op < OP_COUNT ? lextab[e.op] : "?") + "\" needs " +
                                             std::to_string(probes) + " probes of the hash, more than 16");
    out.slots[slot] = e;
  }
  if (gen.errors) return 1;
  if (!write_file(header_path, gen, nullptr) || !write_file(tables_path, gen, &out)) return 1;
  return 0;
}

}  // namespace

int main(int argc, char **argv) { return run(argc, argv); }
