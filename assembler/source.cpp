#include "assembler/source.h"

#include <strings.h>

#include <algorithm>
#include <cctype>
#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "assembler/expr.h"
#include "assembler/insns.h"
#include "common/alert.h"
#include "linker/io.h"

bool asm_psect::is_abs() const { return flags & IO_PSECT_ABS; }
bool asm_psect::is_bit() const { return flags & IO_PSECT_BIT; }

asm_symbol *asm_symbol_get(asm_state *st, const std::string &name) {
  auto it = st->symbols.find(name);
  if (it != st->symbols.end()) return &it->second;
  asm_symbol &sym = st->symbols[name];
  sym.name = name;
  st->symbol_order.push_back(name);
  return &sym;
}

asm_psect *asm_psect_get(asm_state *st, const std::string &name) {
  for (auto &p : st->psects)
    if (p->name == name) return p.get();
  return nullptr;
}

namespace {

std::string trim(const std::string &s) {
  size_t b = 0, e = s.size();
  while (b < e && isspace((unsigned char)s[b])) b++;
  while (e > b && isspace((unsigned char)s[e - 1])) e--;
  return s.substr(b, e - b);
}

std::string lower(std::string s) {
  for (char &c : s) c = (char)tolower((unsigned char)c);
  return s;
}

bool is_name(const std::string &s) {
  if (s.empty() || !asm_name_start(s[0])) return false;
  for (char c : s)
    if (!asm_name_char(c)) return false;
  return true;
}

// The line without its comment; a ";" inside quotes is text.
std::string strip_comment(const std::string &line) {
  for (size_t i = 0; i < line.size(); i++) {
    if (line[i] == '"' || line[i] == '\'') i = asm_quote_end(line, i);
    else if (line[i] == ';') return line.substr(0, i);
  }
  return line;
}

std::string read_name(const std::string &text, size_t *pos) {
  size_t start = *pos;
  if (start < text.size() && asm_name_start(text[start])) {
    while (*pos < text.size() && asm_name_char(text[*pos])) (*pos)++;
  }
  return text.substr(start, *pos - start);
}

void skip_space(const std::string &text, size_t *pos) {
  while (*pos < text.size() && isspace((unsigned char)text[*pos])) (*pos)++;
}

// --- Placement --------------------------------------------------------------

void grow(asm_psect *p) { p->size = std::max(p->size, p->loc); }

bool need_psect(asm_state *st) {
  if (st->current) return true;
  msg(ASM_MSG_NO_PSECT);
  return false;
}

// Line-number records follow the code they describe: a pending "line" is
// recorded at the next instruction or data item.
void note_debug(asm_state *st) {
  if (st->file_pending) {
    st->file_pending = false;
    if (!st->pending_file.empty()) st->debug.push_back({IO_SYM_FILE, st->pending_file, nullptr, 0});
  }
  if (st->pending_line >= 0 && !st->pending_file.empty())
    st->debug.push_back({IO_SYM_LINE, std::to_string(st->pending_line), st->current, st->current->loc});
  st->pending_line = -1;
}

asm_item *new_item(asm_state *st, uint32_t size) {
  asm_psect *p = st->current;
  note_debug(st);
  st->items.push_back(std::make_unique<asm_item>());
  asm_item *item = st->items.back().get();
  item->psect = p;
  item->offset = p->loc;
  item->size = size;
  item->line = st->line;
  item->statement = st->statement;
  p->items.push_back(item);
  asm_line_info &info = st->lines[st->statement];
  if (!info.placed) {
    info.placed = true;
    info.psect = p;
    info.offset = p->loc;
  }
  p->loc += size;
  grow(p);
  return item;
}

void define_label(asm_state *st, const std::string &name) {
  if (!need_psect(st)) return;
  asm_symbol *sym = asm_symbol_get(st, name);
  if (sym->kind != SYM_UNDEFINED) {
    msg(ASM_MSG_REDEFINED, name.c_str());
    return;
  }
  sym->kind = SYM_LABEL;
  sym->psect = st->current;
  sym->offset = st->current->loc;
  sym->line = st->line;
  asm_line_info &info = st->lines[st->statement];
  if (!info.placed) {
    info.placed = true;
    info.psect = st->current;
    info.offset = st->current->loc;
  }
}

void define_equate(asm_state *st, const std::string &name, bool is_set, const std::string &operand) {
  asm_symbol *sym = asm_symbol_get(st, name);
  bool allowed = sym->kind == SYM_UNDEFINED || (is_set && sym->kind == SYM_SET);
  if (!allowed) {
    msg(ASM_MSG_REDEFINED, name.c_str());
    return;
  }
  auto e = expr_parse(st, trim(operand));
  if (!e) return;
  if (is_set) {
    asm_value v;
    if (!expr_eval(st, e.get(), EXPR_NOW, &v)) return;
    sym->kind = SYM_SET;
    sym->value = v;
    sym->value_known = true;
  } else {
    sym->kind = SYM_EQU;
    sym->expr = e;
    // Known now when every name in it is: later "set"s do not change it.
    asm_value v;
    if (expr_eval(st, e.get(), EXPR_NOW, &v, true)) {
      sym->value = v;
      sym->value_known = true;
    }
  }
  sym->line = st->line;
}

// --- Instructions and data ----------------------------------------------------

void instruction(asm_state *st, const insn_desc *insn, const std::string &operands) {
  if (!need_psect(st)) return;
  if (st->current->is_bit()) {
    msg(ASM_MSG_BIT_PSECT, st->current->name.c_str());
    return;
  }
  if (st->current->loc & 1) msg(ASM_MSG_ODD, insn->name);
  std::vector<asm_operand> ops;
  if (!trim(operands).empty()) {
    for (const std::string &text : asm_split_operands(operands)) {
      asm_operand op;
      op.text = trim(text);
      if (!insn_operand_is_word(insn, op.text)) {
        op.expr = expr_parse(st, op.text);
        if (!op.expr) return;
      }
      ops.push_back(std::move(op));
    }
  }
  asm_item *item = new_item(st, insn_size(insn));
  item->insn = insn;
  item->operands = std::move(ops);
}

void data(asm_state *st, int size, const std::string &operands) {
  if (!need_psect(st)) return;
  if (st->current->is_bit()) {
    msg(ASM_MSG_BIT_PSECT, st->current->name.c_str());
    return;
  }
  // A string in db stands for its bytes, known at once.
  std::vector<asm_operand> ops;
  std::vector<std::vector<uint8_t>> strings;
  for (const std::string &text : asm_split_operands(operands)) {
    asm_operand op;
    op.text = trim(text);
    std::vector<uint8_t> bytes;
    if (size == 1 && !op.text.empty() && op.text[0] == '"') {
      if (!asm_quoted_bytes(op.text, &bytes)) {
        msg(ASM_MSG_SYNTAX, op.text.c_str());
        return;
      }
    } else {
      op.expr = expr_parse(st, op.text);
      if (!op.expr) return;
    }
    ops.push_back(std::move(op));
    strings.push_back(std::move(bytes));
  }
  if (ops.empty()) {
    msg(ASM_MSG_OPERANDS, size == 1 ? "db" : "dw");
    return;
  }
  for (size_t i = 0; i < ops.size(); i++) {
    if (!ops[i].expr) {
      if (strings[i].empty()) continue;
      asm_item *item = new_item(st, (uint32_t)strings[i].size());
      item->bytes = std::move(strings[i]);
      continue;
    }
    asm_item *item = new_item(st, size);
    item->data_size = size;
    item->operands.push_back(std::move(ops[i]));
  }
}

// The 24-bit floating format: the top 24 bits of the IEEE single image,
// rounded; zero for a zero exponent, the largest finite value for an
// infinite or undefined one.
uint32_t float24(double value) {
  // Beyond the single range the conversion itself would be undefined.
  if (std::isnan(value) || std::fabs(value) > FLT_MAX) return (value < 0 ? 1u << 23 : 0) | 0xFE << 15 | 0x7FFF;
  float f = (float)value;
  uint32_t image;
  memcpy(&image, &f, 4);
  uint32_t exponent = (image >> 23) & 0xFF;
  uint32_t sign = image >> 31;
  if (exponent == 0) return 0;
  if (exponent == 0xFF) return sign << 23 | 0xFE << 15 | 0x7FFF;
  return ((image + 0x80) >> 8) & 0xFFFFFF;
}

void float_constant(asm_state *st, const std::string &operand) {
  if (!need_psect(st)) return;
  std::string text = trim(operand);
  char *end;
  double value = strtod(text.c_str(), &end);
  if (text.empty() || *end != '\0') {
    msg(ASM_MSG_SYNTAX, text.c_str());
    return;
  }
  if (st->current->is_bit()) {
    msg(ASM_MSG_BIT_PSECT, st->current->name.c_str());
    return;
  }
  uint32_t bits = float24(value);
  asm_item *item = new_item(st, 3);
  item->bytes = {(uint8_t)bits, (uint8_t)(bits >> 8), (uint8_t)(bits >> 16)};
}

// --- Directives -----------------------------------------------------------------

struct directive_ctx {
  asm_state *st;
  std::string operands;
  std::vector<std::string> list;  // operands split at commas
};

bool want_count(const directive_ctx &d, const char *name, size_t lo, size_t hi) {
  if (d.list.size() >= lo && d.list.size() <= hi) return true;
  msg(ASM_MSG_OPERANDS, name);
  return false;
}

bool absolute(asm_state *st, const std::string &text, int64_t lo, int64_t hi, const char *what, int64_t *out) {
  if (!expr_absolute_now(st, trim(text), out)) return false;
  if (*out >= lo && *out <= hi) return true;
  msg(ASM_MSG_RANGE, trim(text).c_str(), what, (long long)lo, (long long)hi);
  return false;
}

bool names_only(const directive_ctx &d, const char *name) {
  for (const std::string &n : d.list) {
    if (!is_name(trim(n))) {
      msg(ASM_MSG_SYNTAX, n.c_str());
      return false;
    }
  }
  return !d.list.empty() || want_count(d, name, 1, 1);
}

void dir_processor(directive_ctx &d) {
  if (want_count(d, "processor", 1, 1)) d.st->processor = trim(d.list[0]);
}

void dir_opt(directive_ctx &) {}

void dir_global(directive_ctx &d) {
  if (!names_only(d, "global")) return;
  for (const std::string &n : d.list) asm_symbol_get(d.st, trim(n))->global = true;
}

void dir_org(directive_ctx &d) {
  int64_t n;
  if (!want_count(d, "org", 1, 1) || !need_psect(d.st)) return;
  if (!absolute(d.st, d.list[0], 0, 0xFFFFFFFF, "offset", &n)) return;
  d.st->current->loc = (uint32_t)n;
  grow(d.st->current);
}

void dir_align(directive_ctx &d) {
  int64_t n;
  if (!want_count(d, "align", 1, 1) || !need_psect(d.st)) return;
  if (!absolute(d.st, d.list[0], 1, 0x10000, "alignment", &n)) return;
  asm_psect *p = d.st->current;
  p->loc = (uint32_t)((p->loc + n - 1) / n * n);
  grow(p);
}

void dir_ds(directive_ctx &d) {
  int64_t n;
  if (!want_count(d, "ds", 1, 1) || !need_psect(d.st)) return;
  if (!absolute(d.st, d.list[0], 0, 0x1000000, "size", &n)) return;
  asm_line_info &info = d.st->lines[d.st->statement];
  if (!info.placed) {
    info.placed = true;
    info.psect = d.st->current;
    info.offset = d.st->current->loc;
  }
  d.st->current->loc += (uint32_t)n;
  grow(d.st->current);
}

void dir_db(directive_ctx &d) { data(d.st, 1, d.operands); }
void dir_dw(directive_ctx &d) { data(d.st, 2, d.operands); }
void dir_fcf(directive_ctx &d) { float_constant(d.st, d.operands); }

void dir_end(directive_ctx &d) {
  d.st->ended = true;
  if (trim(d.operands).empty()) return;
  d.st->start = expr_parse(d.st, trim(d.operands));
  d.st->start_line = d.st->line;
}

void dir_file(directive_ctx &d) {
  std::string text = trim(d.operands);
  if (text.size() >= 2 && text.front() == '"' && text.back() == '"') text = text.substr(1, text.size() - 2);
  d.st->pending_file = text;
  d.st->file_pending = true;
  d.st->origin_line = 0;
  d.st->origin_file = -1;
  if (text.empty()) return;
  auto &files = d.st->origin_files;
  auto known = std::find(files.begin(), files.end(), text);
  d.st->origin_file = int(known - files.begin());
  if (known == files.end()) files.push_back(text);
}

void dir_line(directive_ctx &d) {
  int64_t n;
  if (want_count(d, "line", 1, 1) && absolute(d.st, d.list[0], 0, 0x7FFFFFFF, "line number", &n)) {
    d.st->pending_line = (int)n;
    d.st->origin_line = (int)n;
  }
}

void dir_signat(directive_ctx &d) {
  int64_t n;
  if (!want_count(d, "signat", 2, 2)) return;
  std::string name = trim(d.list[0]);
  if (!is_name(name)) {
    msg(ASM_MSG_SYNTAX, name.c_str());
    return;
  }
  if (absolute(d.st, d.list[1], 0, 0xFFFF, "signature", &n)) d.st->signatures.push_back({name, (uint32_t)n});
}

// Call-graph directives name functions; their values are the linker's.
bool fn_names(directive_ctx &d, const char *name, size_t count) {
  if (!want_count(d, name, count, count)) return false;
  for (size_t i = 0; i < count; i++) {
    if (!is_name(trim(d.list[i]))) {
      msg(ASM_MSG_SYNTAX, d.list[i].c_str());
      return false;
    }
  }
  return true;
}

void dir_fnsize(directive_ctx &d) {
  int64_t autos, args;
  if (!want_count(d, "FNSIZE", 3, 3)) return;
  if (!is_name(trim(d.list[0]))) {
    msg(ASM_MSG_SYNTAX, d.list[0].c_str());
    return;
  }
  if (!absolute(d.st, d.list[1], 0, 0xFFFFFFFF, "size", &autos) ||
      !absolute(d.st, d.list[2], 0, 0xFFFFFFFF, "size", &args))
    return;
  d.st->fninfo.push_back({IO_FN_SIZE, trim(d.list[0]), "", (uint32_t)autos, (uint32_t)args});
}

void dir_fncall(directive_ctx &d) {
  if (fn_names(d, "FNCALL", 2)) d.st->fninfo.push_back({IO_FN_CALL, trim(d.list[0]), trim(d.list[1])});
}

// The second function's arguments lie above the first's: a value the first
// is passed comes straight from the second's parameter area.
void dir_fnarg(directive_ctx &d) {
  if (fn_names(d, "FNARG", 2)) d.st->fninfo.push_back({IO_FN_ARGCALL, trim(d.list[0]), trim(d.list[1])});
}

void dir_fnroot(directive_ctx &d) {
  if (fn_names(d, "FNROOT", 1)) d.st->fninfo.push_back({IO_FN_ROOT, trim(d.list[0]), ""});
}

void dir_fnbreak(directive_ctx &d) {
  if (fn_names(d, "FNBREAK", 2)) d.st->fninfo.push_back({IO_FN_ROOTOF, trim(d.list[0]), trim(d.list[1])});
}

void dir_fnalign(directive_ctx &d) {
  if (!names_only(d, "FNALIGN")) return;
  std::vector<std::string> names;
  for (const std::string &n : d.list) names.push_back(trim(n));
  d.st->fnalign.push_back(names);
}

void dir_fnconf(directive_ctx &d) {
  if (!want_count(d, "FNCONF", 3, 4)) return;
  asm_state *st = d.st;
  std::string psect = trim(d.list[0]), autos = trim(d.list[1]), args = trim(d.list[2]);
  int64_t depth = 0;
  bool depth_given = d.list.size() == 4;
  if (depth_given && !absolute(st, d.list[3], 0, 0xFFFF, "call depth", &depth)) return;
  if (st->have_fnconf && (st->fnconf_psect != psect || st->fnconf_auto != autos || st->fnconf_arg != args ||
                          st->fnconf_depth_given != depth_given || st->fnconf_depth != depth)) {
    msg(ASM_MSG_FNCONF);
    return;
  }
  st->have_fnconf = true;
  st->fnconf_psect = psect;
  st->fnconf_auto = autos;
  st->fnconf_arg = args;
  st->fnconf_depth_given = depth_given;
  st->fnconf_depth = (uint32_t)depth;
}

void dir_dabs(directive_ctx &d) {
  int64_t space, address, size;
  if (!want_count(d, "DABS", 3, 3)) return;
  if (absolute(d.st, d.list[0], 0, 255, "space", &space) &&
      absolute(d.st, d.list[1], 0, 0xFFFFFFFF, "address", &address) &&
      absolute(d.st, d.list[2], 0, 0xFFFFFFFF, "size", &size))
    d.st->absranges.push_back({(uint32_t)space, (uint32_t)address, (uint32_t)size});
}

// psect name[,flag...]: flags are global, local, ovrld, abs, bit, common,
// class=, space=, reloc=, delta=, size=, limit=, with=.
bool apply_psect_flag(asm_state *st, asm_psect *p, const std::string &key, const std::string &value) {
  static const char *const words[] = {"global", "local", "ovrld", "abs", "bit", "common"};
  static const char *const valued[] = {"class", "space", "reloc", "delta", "size", "limit", "with"};
  bool is_word = std::find_if(std::begin(words), std::end(words), [&](const char *w) { return key == w; }) !=
                 std::end(words);
  bool is_valued = std::find_if(std::begin(valued), std::end(valued), [&](const char *w) { return key == w; }) !=
                   std::end(valued);
  if ((!is_word && !is_valued) || is_word != value.empty()) {
    msg(ASM_MSG_PSECT_FLAG, value.empty() ? key.c_str() : (key + "=" + value).c_str());
    return false;
  }
  if (key == "global") p->flags |= IO_PSECT_GLOBAL;
  if (key == "local") p->flags &= ~IO_PSECT_GLOBAL;
  if (key == "ovrld") p->flags |= IO_PSECT_OVRLD;
  if (key == "abs") p->flags |= IO_PSECT_ABS | IO_PSECT_OVRLD;
  if (key == "bit") p->flags |= IO_PSECT_BIT;
  if (key == "common") p->flags |= 0x20;
  if (key == "class" || key == "with") {
    if (!is_name(value)) {
      msg(ASM_MSG_SYNTAX, value.c_str());
      return false;
    }
    (key == "class" ? p->cls : p->within) = value;
    return true;
  }
  if (!is_valued) return true;
  int64_t n;
  if (key == "space" && absolute(st, value, 0, 255, "space", &n)) p->space = (uint32_t)n;
  if (key == "delta" && absolute(st, value, 1, 255, "delta", &n)) p->delta = (uint32_t)n;
  if (key == "size" && absolute(st, value, 0, 0xFFFFFFFF, "size", &n)) p->max_size = (uint32_t)n;
  if (key == "limit" && absolute(st, value, 0, 0xFFFFFFFF, "limit", &n)) p->limit = (uint32_t)n;
  if (key == "reloc" && absolute(st, value, 0, 0xFFFFFFFF, "boundary", &n)) {
    if (n <= 0xFFFF) {
      p->boundary = (uint32_t)n;
    } else if (n % 0x10000 == 0) {
      // Larger boundaries count in units of 0x10000.
      p->boundary = (uint32_t)(n >> 16);
      p->flags |= IO_PSECT_BIGBOUND;
    } else {
      // Only multiples of 10000h lie above the 16-bit boundaries.
      msg(ASM_MSG_RANGE, value.c_str(), "boundary", 0LL, 0xFFFFLL);
    }
  }
  return true;
}

void dir_psect(directive_ctx &d) {
  asm_state *st = d.st;
  if (d.list.empty() || !is_name(trim(d.list[0]))) {
    msg(ASM_MSG_SYNTAX, d.operands.c_str());
    return;
  }
  std::string name = trim(d.list[0]);
  std::map<std::string, std::string> given;
  for (size_t i = 1; i < d.list.size(); i++) {
    std::string flag = trim(d.list[i]);
    size_t eq = flag.find('=');
    std::string key = lower(trim(flag.substr(0, eq)));
    std::string value = eq == std::string::npos ? "" : trim(flag.substr(eq + 1));
    given[key] = value;
  }
  asm_psect *p = asm_psect_get(st, name);
  if (!p) {
    st->psects.push_back(std::make_unique<asm_psect>());
    p = st->psects.back().get();
    p->name = name;
    p->order = (int)st->psects.size() - 1;
    p->flags = IO_PSECT_GLOBAL;
  }
  st->current = p;
  if (given.empty()) return;
  if (p->has_flags) {
    if (given != p->declared) msg(ASM_MSG_PSECT_CONFLICT, name.c_str());
    return;
  }
  p->has_flags = true;
  p->declared = given;
  for (const auto &[key, value] : given) apply_psect_flag(st, p, key, value);
}

struct directive {
  const char *name;
  void (*run)(directive_ctx &);
};

const directive directives[] = {
    {"align", dir_align},   {"dabs", dir_dabs},       {"db", dir_db},           {"ds", dir_ds},
    {"dw", dir_dw},         {"end", dir_end},         {"fcf", dir_fcf},         {"file", dir_file},
    {"fnalign", dir_fnalign}, {"fnarg", dir_fnarg},   {"fnbreak", dir_fnbreak}, {"fncall", dir_fncall},
    {"fnconf", dir_fnconf}, {"fnroot", dir_fnroot},   {"fnsize", dir_fnsize},   {"global", dir_global},
    {"line", dir_line},
    {"opt", dir_opt},       {"org", dir_org},         {"processor", dir_processor}, {"psect", dir_psect},
    {"signat", dir_signat},
};

const directive *find_directive(const std::string &word) {
  std::string key = lower(word);
  for (const directive &d : directives)
    if (key == d.name) return &d;
  return nullptr;
}

bool is_keyword(const std::string &word) { return find_directive(word) || insn_find(word); }

bool is_equate_word(const std::string &word) {
  std::string w = lower(word);
  return w == "equ" || w == "set";
}

void statement(asm_state *st, const std::string &word, const std::string &operands) {
  if (const directive *d = find_directive(word)) {
    directive_ctx ctx{st, operands, {}};
    if (!trim(operands).empty()) ctx.list = asm_split_operands(operands);
    d->run(ctx);
    return;
  }
  if (const insn_desc *insn = insn_find(word)) {
    instruction(st, insn, operands);
    return;
  }
  msg(ASM_MSG_UNKNOWN_WORD, word.c_str());
}

void process_line(asm_state *st, const std::string &raw) {
  st->line++;
  st->lines.push_back({st->line, raw});
  st->lines.back().origin_file = st->origin_file;
  st->lines.back().origin_line = st->origin_line;
  st->statement = (int)st->lines.size() - 1;
  if (st->ended) return;
  std::string text = strip_comment(raw);
  size_t pos = 0;
  bool column1 = !text.empty() && !isspace((unsigned char)text[0]);
  skip_space(text, &pos);
  if (pos >= text.size()) return;
  std::string word = read_name(text, &pos);
  if (word.empty()) {
    msg(ASM_MSG_SYNTAX, trim(text).c_str());
    return;
  }
  bool colon = pos < text.size() && text[pos] == ':';
  if (colon) pos++;
  // name [:] equ|set value
  size_t after = pos;
  skip_space(text, &after);
  size_t probe = after;
  std::string next = read_name(text, &probe);
  if (is_equate_word(next) && (probe >= text.size() || !asm_name_char(text[probe]))) {
    define_equate(st, word, lower(next) == "set", text.substr(probe));
    return;
  }
  if (colon || (column1 && !is_keyword(word))) {
    define_label(st, word);
    pos = after;
    if (pos >= text.size()) return;
    word = read_name(text, &pos);
    if (word.empty()) {
      msg(ASM_MSG_SYNTAX, trim(text.substr(after)).c_str());
      return;
    }
  }
  statement(st, word, text.substr(pos));
}

// --- After the source is read ----------------------------------------------------

void check_overlaps(asm_state *st, asm_psect *p) {
  std::vector<asm_item *> items = p->items;
  std::stable_sort(items.begin(), items.end(), [](const asm_item *a, const asm_item *b) { return a->offset < b->offset; });
  uint64_t end = 0;
  for (size_t i = 0; i < items.size(); i++) {
    if (i > 0 && items[i]->offset < end) {
      st->line = items[i]->line;
      msg(ASM_MSG_OVERLAP, (unsigned long)items[i]->offset, p->name.c_str());
    }
    end = std::max<uint64_t>(end, (uint64_t)items[i]->offset + items[i]->size);
  }
}

}  // namespace

std::vector<std::string> asm_split_operands(const std::string &text) {
  std::vector<std::string> out;
  int depth = 0;
  size_t start = 0;
  for (size_t i = 0; i <= text.size(); i++) {
    char c = i < text.size() ? text[i] : ',';
    if (c == '"' || c == '\'') {
      i = asm_quote_end(text, i);
      if (i < text.size()) continue;
      c = ',';
    }
    if (c == '(') depth++;
    if (c == ')') depth--;
    if (c == ',' && (depth <= 0 || i == text.size())) {
      out.push_back(text.substr(start, i - start));
      start = i + 1;
    }
  }
  return out;
}

bool asm_read_source(asm_state *st, const std::string &text) {
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    process_line(st, line);
    start = end + 1;
  }
  return !msg_failed();
}

void asm_message_origin(asm_state *st) {
  const asm_line_info *info = st->line >= 1 && size_t(st->line) <= st->lines.size() ? &st->lines[st->line - 1] : nullptr;
  if (info && info->origin_file >= 0 && info->origin_line > 0) {
    st->message_line = info->origin_line;
    msg_set_context(st->origin_files[info->origin_file].c_str(), &st->message_line, nullptr, nullptr);
  } else {
    msg_set_context(st->source.c_str(), &st->line, nullptr, nullptr);
  }
}

bool asm_finish(asm_state *st) {
  for (auto &item : st->items) {
    st->line = item->line;
    if (item->insn)
      insn_encode(st, item.get());
    else if (item->data_size)
      data_encode(st, item.get());
  }
  for (auto &p : st->psects) check_overlaps(st, p.get());
  // Evaluating may enter names (external ones), so walk by index.
  for (size_t i = 0; i < st->symbol_order.size(); i++) {
    asm_symbol &sym = st->symbols[st->symbol_order[i]];
    if (sym.kind != SYM_EQU || sym.value_known) continue;
    st->line = sym.line;
    asm_value v;
    expr_symbol_value(st, &sym, EXPR_FINAL, &v, false);
  }
  return !msg_failed();
}
