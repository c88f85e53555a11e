#include "codegen/target/peephole.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <unordered_map>

namespace {

enum line_kind : uint8_t {
  PL_TEXT,       // blank or comment
  PL_DIRECTIVE,  // no code and no effect on the flow (line, file, opt, equ ...)
  PL_LABEL,
  PL_INSN,
  PL_BARRIER,    // anything else: data, a psect switch, what is not known
};

struct peep_line {
  std::string text;
  line_kind kind = PL_TEXT;
  std::string mnemonic, operand;  // PL_INSN; PL_LABEL keeps its name in operand
  uint32_t words = 0;
  bool removed = false, changed = false;
  bool fixed = false;  // inside code whose cycles are counted: left as it stands
};

struct insn_info {
  const char *name;
  uint8_t words;
};

// The PIC18 instruction set and the assembler's nop2 (one word).
const insn_info insns[] = {
    {"addlw", 1},  {"addwf", 1},  {"addwfc", 1}, {"andlw", 1},  {"andwf", 1},  {"bc", 1},     {"bcf", 1},
    {"bn", 1},     {"bnc", 1},    {"bnn", 1},    {"bnov", 1},   {"bnz", 1},    {"bov", 1},    {"bra", 1},
    {"bsf", 1},    {"btfsc", 1},  {"btfss", 1},  {"btg", 1},    {"bz", 1},     {"call", 2},   {"clrf", 1},
    {"clrwdt", 1}, {"comf", 1},   {"cpfseq", 1}, {"cpfsgt", 1}, {"cpfslt", 1}, {"daw", 1},    {"dcfsnz", 1},
    {"decf", 1},   {"decfsz", 1}, {"goto", 2},   {"incf", 1},   {"incfsz", 1}, {"infsnz", 1}, {"iorlw", 1},
    {"iorwf", 1},  {"lfsr", 2},   {"movf", 1},   {"movff", 2},  {"movlb", 1},  {"movlw", 1},  {"movwf", 1},
    {"mullw", 1},  {"mulwf", 1},  {"negf", 1},   {"nop", 1},    {"nop2", 1},   {"pop", 1},    {"push", 1},
    {"rcall", 1},  {"reset", 1},  {"retfie", 1}, {"retlw", 1},  {"return", 1}, {"rlcf", 1},   {"rlncf", 1},
    {"rrcf", 1},   {"rrncf", 1},  {"setf", 1},   {"sleep", 1},  {"subfwb", 1}, {"sublw", 1},  {"subwf", 1},
    {"subwfb", 1}, {"swapf", 1},  {"tblrd", 1},  {"tblwt", 1},  {"tstfsz", 1}, {"xorlw", 1},  {"xorwf", 1},
};

const char *const directives[] = {"line", "file", "opt", "global", "signat", "fnsize", "fncall", "fnroot",
                                  "fnbreak", "fnalign", "fnarg", "fnconf", "fnaddr"};

bool one_of(const std::string &word, std::initializer_list<const char *> names) {
  for (const char *n : names)
    if (word == n) return true;
  return false;
}

bool is_skip(const std::string &m) {
  return one_of(m, {"btfsc", "btfss", "cpfseq", "cpfsgt", "cpfslt", "tstfsz", "decfsz", "incfsz", "dcfsnz", "infsnz"});
}
// A skip with no effect but the skip itself.
bool is_pure_skip(const std::string &m) { return one_of(m, {"btfsc", "btfss", "cpfseq", "cpfsgt", "cpfslt", "tstfsz"}); }
bool is_jump(const std::string &m) { return m == "goto" || m == "bra"; }
bool ends_flow(const std::string &m) { return one_of(m, {"goto", "bra", "return", "retfie", "retlw", "reset"}); }

std::string lower(std::string s) {
  for (char &c : s) c = char(tolower(static_cast<unsigned char>(c)));
  return s;
}

std::string trim(const std::string &s) {
  size_t a = s.find_first_not_of(" \t"), b = s.find_last_not_of(" \t");
  return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
}

bool is_label_name(const std::string &s) {
  if (s.empty() || isdigit(static_cast<unsigned char>(s[0]))) return false;
  for (char c : s)
    if (!isalnum(static_cast<unsigned char>(c)) && !strchr("_?@.", c)) return false;
  return true;
}

peep_line parse(const std::string &text) {
  peep_line l;
  l.text = text;
  size_t end = text.find('\n');
  if (end != std::string::npos && end + 1 < text.size()) {
    l.kind = PL_BARRIER;  // a line that holds more than one
    return l;
  }
  std::string body = text.substr(0, end);
  std::string code = trim(body.substr(0, body.find(';')));
  if (code.empty()) return l;
  bool indented = body[0] == ' ' || body[0] == '\t';
  if (!indented && code.back() == ':' && is_label_name(code.substr(0, code.size() - 1))) {
    l.kind = PL_LABEL;
    l.operand = code.substr(0, code.size() - 1);
    return l;
  }
  size_t gap = code.find_first_of(" \t");
  std::string word = lower(code.substr(0, gap));
  std::string rest = gap == std::string::npos ? std::string() : trim(code.substr(gap));
  std::string second = lower(rest.substr(0, rest.find_first_of(" \t")));
  l.kind = PL_BARRIER;
  if (second == "equ" || second == "set") {
    l.kind = PL_DIRECTIVE;
    return l;
  }
  for (const char *d : directives)
    if (word == d) l.kind = PL_DIRECTIVE;
  if (l.kind == PL_DIRECTIVE || !indented) return l;
  for (const insn_info &i : insns)
    if (word == i.name) {
      l.kind = PL_INSN;
      l.mnemonic = word;
      l.operand = rest;
      l.words = i.words;
    }
  if (word == "dw") {
    l.words = 1;
    for (char c : rest) l.words += c == ',';
  }
  return l;
}

// "opt asmopt_off" (1) and "opt asmopt_on" (-1) bracket code whose cycles
// are counted, such as an in-line delay: the pass leaves it as it stands.
int fixed_mark(const peep_line &l) {
  if (l.kind != PL_DIRECTIVE) return 0;
  std::string code = lower(trim(l.text.substr(0, l.text.find_first_of(";\n"))));
  if (code.rfind("opt", 0) != 0) return 0;
  std::string setting = trim(code.substr(3));
  return setting == "asmopt_off" ? 1 : setting == "asmopt_on" ? -1 : 0;
}

// Whether the function's code may be moved at all: a computed jump (on PCL,
// or relative to `$`) counts instructions the pass would change.
bool counts_instructions(const peep_line &l) {
  if (l.kind != PL_INSN && l.kind != PL_BARRIER) return false;
  std::string text = lower(l.kind == PL_INSN ? l.operand : l.text);
  if (text.find('$') != std::string::npos) return true;
  if (l.kind == PL_INSN && (l.mnemonic == "movwf" || l.mnemonic == "movff")) return false;
  for (size_t at = text.find("pcl"); at != std::string::npos; at = text.find("pcl", at + 1)) {
    bool before = at == 0 || !(isalnum(static_cast<unsigned char>(text[at - 1])) || text[at - 1] == '_');
    bool after = at + 3 >= text.size() || !(isalnum(static_cast<unsigned char>(text[at + 3])) || text[at + 3] == '_');
    if (before && after) return true;
  }
  return false;
}

struct peephole {
  std::vector<peep_line> &l;
  std::unordered_map<std::string, size_t> labels;

  bool live(size_t i) const { return !l[i].removed; }
  bool free(size_t i) const { return i < l.size() && !l[i].fixed; }
  bool transparent(size_t i) const { return l[i].kind == PL_TEXT || l[i].kind == PL_DIRECTIVE; }

  // The next instruction or barrier after i (l.size() at the end); `label`
  // tells whether a label lies between.
  size_t next_code(size_t i, bool *label = nullptr) const {
    if (label) *label = false;
    for (size_t j = i + 1; j < l.size(); j++) {
      if (!live(j) || transparent(j)) continue;
      if (l[j].kind != PL_LABEL) return j;
      if (label) *label = true;
    }
    return l.size();
  }
  // The instruction before i, through labels; -1 when none is known.
  long prev_insn(size_t i, bool *label = nullptr) const {
    if (label) *label = false;
    for (size_t j = i; j-- > 0;) {
      if (!live(j) || transparent(j)) continue;
      if (l[j].kind == PL_LABEL) {
        if (label) *label = true;
        continue;
      }
      return l[j].kind == PL_INSN ? long(j) : -1;
    }
    return -1;
  }
  // i always runs when the code before it falls through to it: it follows
  // an instruction that skips nothing.
  bool not_skipped(size_t i) const {
    long p = prev_insn(i);
    return p >= 0 && !is_skip(l[size_t(p)].mnemonic);
  }
  bool jump_to_label(size_t i) const {
    return i < l.size() && l[i].kind == PL_INSN && is_jump(l[i].mnemonic) && is_label_name(l[i].operand);
  }
  // Whether label `name` stands between i and the next instruction.
  bool label_follows(size_t i, const std::string &name) const {
    for (size_t j = i + 1; j < l.size(); j++) {
      if (!live(j) || transparent(j)) continue;
      if (l[j].kind != PL_LABEL) return false;
      if (l[j].operand == name) return true;
    }
    return false;
  }
  void remove(size_t i) { l[i].removed = true; }
  void set(size_t i, const std::string &mnemonic, const std::string &operand) {
    l[i].mnemonic = mnemonic;
    l[i].operand = operand;
    l[i].changed = true;
    for (const insn_info &n : insns)
      if (mnemonic == n.name) l[i].words = n.words;
  }

  // A jump to a label whose code is another jump goes to that one's target.
  bool thread(size_t i) {
    if (!free(i)) return false;
    std::string target = l[i].operand;
    for (int hops = 0; hops < 8; hops++) {
      auto found = labels.find(target);
      if (found == labels.end()) break;
      size_t j = next_code(found->second);
      if (!jump_to_label(j) || l[j].operand == target) break;
      target = l[j].operand;
    }
    if (target == l[i].operand) return false;
    // A branch reaches within the function: one threaded to a label outside
    // it (the jump to `start` that ends main) becomes a jump.
    set(i, labels.count(target) ? l[i].mnemonic : "goto", target);
    return true;
  }

  bool jump_to_next(size_t i) {
    if (!free(i) || !label_follows(i, l[i].operand)) return false;
    long p = prev_insn(i);
    if (p < 0 || !free(size_t(p))) return false;
    if (!is_skip(l[size_t(p)].mnemonic)) {
      remove(i);
      return true;
    }
    // A test that only skips this jump goes with it, unless it is skipped itself.
    bool label = false;
    prev_insn(i, &label);
    if (!is_pure_skip(l[size_t(p)].mnemonic) || label || !not_skipped(size_t(p))) return false;
    remove(size_t(p));
    remove(i);
    return true;
  }

  // btfsc x / goto A / goto B / A:  becomes  btfss x / goto B / A:
  // (and a counting skip becomes its opposite the same way).
  bool invert_over_jump(size_t i) {
    static const char *const opposites[][2] = {
        {"btfsc", "btfss"}, {"btfss", "btfsc"}, {"decfsz", "dcfsnz"},
        {"dcfsnz", "decfsz"}, {"incfsz", "infsnz"}, {"infsnz", "incfsz"},
    };
    const char *opposite = nullptr;
    for (const auto &o : opposites)
      if (l[i].mnemonic == o[0]) opposite = o[1];
    if (!opposite || !not_skipped(i)) return false;
    bool label = false;
    size_t j = next_code(i, &label);
    if (label || !jump_to_label(j) || !free(i) || !free(j)) return false;
    size_t k = next_code(j, &label);
    if (label || !jump_to_label(k) || !free(k) || !label_follows(k, l[j].operand)) return false;
    set(i, opposite, l[i].operand);
    set(j, l[k].mnemonic, l[k].operand);
    remove(k);
    return true;
  }

  // What follows a jump or return up to the next label never runs.
  bool unreachable_after(size_t i) {
    if (!ends_flow(l[i].mnemonic) || !not_skipped(i)) return false;
    bool any = false;
    for (size_t j = i + 1; j < l.size(); j++) {
      if (!live(j) || transparent(j)) continue;
      if (l[j].kind != PL_INSN || !free(j)) break;
      remove(j);
      any = true;
    }
    return any;
  }

  void index_labels() {
    labels.clear();
    for (size_t i = 0; i < l.size(); i++)
      if (live(i) && l[i].kind == PL_LABEL) labels.emplace(l[i].operand, i);
  }

  void rewrite() {
    for (bool again = true; again;) {
      again = false;
      index_labels();
      for (size_t i = 0; i < l.size(); i++) {
        if (!live(i) || l[i].kind != PL_INSN) continue;
        if (jump_to_label(i) && thread(i)) again = true;
        if (jump_to_label(i) && jump_to_next(i)) {
          again = true;
          continue;
        }
        if (invert_over_jump(i) || unreachable_after(i)) again = true;
      }
    }
  }

  // Jumps within the function become branches where the offset fits; the
  // offsets are measured before any jump shrinks, and shrinking only brings
  // the ends of a jump closer together.
  void shorten() {
    std::vector<long> position(l.size(), 0);
    std::unordered_map<std::string, long> at;
    long pos = 0;
    for (size_t i = 0; i < l.size(); i++) {
      position[i] = pos;
      if (!live(i)) continue;
      if (l[i].kind == PL_LABEL) at.emplace(l[i].operand, pos);
      pos += l[i].words;
    }
    auto offset = [&](size_t i, const std::string &target, long *n) {
      auto found = at.find(target);
      if (found == at.end()) return false;
      *n = found->second - (position[i] + 1);
      return true;
    };
    // A flag test and its jump: one conditional branch.
    static const struct {
      const char *test, *flag, *branch;
    } flag_branches[] = {
        {"btfsc", "status,0", "bc"}, {"btfss", "status,0", "bnc"}, {"btfsc", "status,2", "bz"},
        {"btfss", "status,2", "bnz"}, {"btfsc", "status,3", "bov"}, {"btfss", "status,3", "bnov"},
        {"btfsc", "status,4", "bn"}, {"btfss", "status,4", "bnn"},
    };
    for (size_t i = 0; i < l.size(); i++) {
      if (!live(i) || l[i].kind != PL_INSN || !not_skipped(i)) continue;
      std::string flag = lower(l[i].operand);
      flag.erase(std::remove_if(flag.begin(), flag.end(), [](char c) { return c == ' ' || c == '\t' || c == '(' || c == ')'; }),
                 flag.end());
      if (flag.size() > 2 && flag.compare(flag.size() - 2, 2, ",c") == 0) flag.resize(flag.size() - 2);
      bool label = false;
      size_t j = next_code(i, &label);
      long n = 0;
      if (label || !jump_to_label(j) || !free(i) || !free(j) || !offset(i, l[j].operand, &n) || n < -128 || n > 127)
        continue;
      for (const auto &b : flag_branches)
        if (l[i].mnemonic == b.test && flag == b.flag) {
          set(i, b.branch, l[j].operand);
          remove(j);
          break;
        }
    }
    for (size_t i = 0; i < l.size(); i++) {
      long n = 0;
      if (live(i) && free(i) && jump_to_label(i) && l[i].mnemonic == "goto" && offset(i, l[i].operand, &n) && n >= -1024 &&
          n <= 1023)
        set(i, "bra", l[i].operand);
    }
  }
};

}  // namespace

void peep_function(std::vector<std::string> &lines) {
  std::vector<peep_line> parsed;
  parsed.reserve(lines.size());
  bool can_shorten = true, fixed = false;
  for (const std::string &text : lines) {
    parsed.push_back(parse(text));
    if (int mark = fixed_mark(parsed.back())) fixed = mark > 0;
    parsed.back().fixed = fixed;
    if (counts_instructions(parsed.back())) return;
    const peep_line &l = parsed.back();
    if (l.kind == PL_BARRIER && lower(trim(l.text)).rfind("dw", 0) != 0) can_shorten = false;
  }
  peephole p{parsed, {}};
  p.rewrite();
  if (can_shorten) p.shorten();
  lines.clear();
  for (const peep_line &l : parsed) {
    if (l.removed) continue;
    lines.push_back(l.changed ? "\t" + l.mnemonic + "\t" + l.operand + "\n" : l.text);
  }
}
