#include "parser/lexer.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <unordered_map>

#include "common/alert.h"
#include "parser/icwriter.h"
#include "parser/parsk.h"
#include "parser/pragmas.h"
#include "parser/symbols.h"
#include "parser/types.h"
#include "parser/xref.h"

token tok;
int lex_lineno;
const char *lex_file;
const char *lex_input_name;
bool lex_two_byte;
uint32_t lex_line_seq;
const char *lex_current_function;

namespace {

FILE *input;
char *buf;           // current line, NUL-terminated
size_t buf_cap;
size_t buf_len;
const char *pos;     // read position
const char *line_start;
const char *line_end;
bool at_eof;
uint32_t echoed_seq;  // line last echoed
const char *echoed_file;
const char *echoed_function;

struct comment_line {
  std::string text;
  int line;
  std::string file;
};
std::deque<comment_line> comments;

enum : uint8_t { CC_DIGIT = 1, CC_HEX = 2, CC_OCT = 4, CC_UPPER = 8, CC_LOWER = 0x10, CC_SPACE = 0x20 };

uint8_t char_class(int c) {
  if (c < 0 || c > 127) return 0;
  uint8_t k = 0;
  if (c >= '0' && c <= '9') k |= CC_DIGIT | CC_HEX;
  if (c >= '0' && c <= '7') k |= CC_OCT;
  if ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')) k |= CC_HEX;
  if ((c >= 'A' && c <= 'Z') || c == '_') k |= CC_UPPER;
  if (c >= 'a' && c <= 'z') k |= CC_LOWER;
  if (c == '\b' || c == '\t' || c == '\n' || c == '\f' || c == '\r' || c == ' ') k |= CC_SPACE;
  return k;
}

bool is_ident_start(int c) { return char_class(c) & (CC_UPPER | CC_LOWER); }
bool is_ident_char(int c) { return char_class(c) & (CC_UPPER | CC_LOWER | CC_DIGIT); }
bool is_space(int c) { return char_class(c) & CC_SPACE; }

const std::unordered_map<std::string, int> &keyword_map() {
  static const std::unordered_map<std::string, int> m = {
      {"_Pragma", K_PRAGMA}, {"asm", K_ASM},       {"auto", K_AUTO},         {"break", K_BREAK},
      {"case", K_CASE},      {"char", K_CHAR},     {"continue", K_CONTINUE}, {"default", K_DEFAULT},
      {"do", K_DO},          {"double", K_DOUBLE}, {"else", K_ELSE},         {"enum", K_ENUM},
      {"extern", K_EXTERN},  {"float", K_FLOAT},   {"for", K_FOR},           {"goto", K_GOTO},
      {"if", K_IF},          {"int", K_INT},       {"long", K_LONG},         {"register", K_REGISTER},
      {"return", K_RETURN},  {"short", K_SHORT},   {"signed", K_SIGNED},     {"sizeof", K_SIZEOF},
      {"static", K_STATIC},  {"struct", K_STRUCT}, {"switch", K_SWITCH},     {"typedef", K_TYPEDEF},
      {"union", K_UNION},    {"unsigned", K_UNSIGNED}, {"void", K_VOID},     {"while", K_WHILE},
  };
  return m;
}

// Reads one physical line; false at the end of the input.
bool read_physical_line() {
  if (at_eof || !input) return false;
  buf_len = 0;
  int c;
  while ((c = getc(input)) != EOF) {
    if (buf_len + 2 > buf_cap) {
      buf_cap *= 2;
      buf = (char *)realloc(buf, buf_cap);
      if (!buf) {
        msg(294, (unsigned)buf_cap);
        msg_exit_failure(1);
      }
    }
    buf[buf_len++] = (char)c;
    if (c == '\n') break;
  }
  if (buf_len == 0 && c == EOF) {
    at_eof = true;
    buf[0] = 0;
    pos = line_start = line_end = buf;
    return false;
  }
  buf[buf_len] = 0;
  pos = line_start = buf;
  line_end = buf + buf_len;
  lex_lineno++;
  lex_line_seq++;
  if (popt.listing) lex_echo_line(buf, lex_file);
  return true;
}

const char *skip_blanks(const char *p) {
  while (p < line_end && (*p == ' ' || *p == '\t' || *p == '\r' || *p == '\f')) p++;
  return p;
}

std::string base_name(const char *file) {
  const char *b = file;
  for (const char *p = file; *p; p++)
    if (*p == '/' || *p == '\\') b = p + 1;
  return b;
}

void line_marker(const char *p) {
  long n = strtol(p, (char **)&p, 10);
  lex_lineno = (int)n - 1;
  p = skip_blanks(p);
  if (p < line_end && *p == '"') {
    p++;
    std::string name;
    while (p < line_end && *p != '"' && *p != '\n') name += *p++;
    if (name.empty()) lex_file = lex_input_name;
    else lex_file = sym_intern_file(name.c_str());
    if (xref_stream) xref_file(lex_file);
  }
}

bool starts_word(const char *p, const char *word) {
  size_t n = strlen(word);
  return (size_t)(line_end - p) >= n && !strncmp(p, word, n) && !is_ident_char(p < line_end - n ? p[n] : 0);
}

void asm_block() {
  int start_line = lex_lineno;
  while (read_physical_line()) {
    const char *p = skip_blanks(buf);
    if (p < line_end && *p == '#' && starts_word(skip_blanks(p + 1), "endasm")) return;
    ic_asm(buf, buf_len);
  }
  int saved = lex_lineno;
  lex_lineno = start_line;
  msg(298);
  lex_lineno = saved;
}

// Handles the "#" lines at the start of a new line; true when the line was
// one (and has been consumed).
bool hash_line() {
  const char *p = skip_blanks(buf);
  if (p >= line_end || *p != '#') {
    if (popt.source_comments)
      comments.push_back({std::string(buf, buf_len), lex_lineno, base_name(lex_file)});
    return false;
  }
  p = skip_blanks(p + 1);
  if (p < line_end && *p >= '0' && *p <= '9') {
    line_marker(p);
  } else if (starts_word(p, "asm")) {
    asm_block();
  } else if (starts_word(p, "pragma")) {
    p = skip_blanks(p + 6);
    std::string text(p, line_end);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    pos = line_end;
    pragma_line(text.c_str());
  } else {
    pos = p;
    msg(224);
  }
  pos = line_end;
  return true;
}

// Moves to the next line that carries text; false at the end of input.
bool next_text_line() {
  while (read_physical_line())
    if (!hash_line()) return true;
  return false;
}

// Skips white space, reading further lines; false at the end of input.
bool skip_space(bool *crossed_line) {
  for (;;) {
    while (pos < line_end && is_space((unsigned char)*pos)) pos++;
    if (pos < line_end) return true;
    if (crossed_line) *crossed_line = true;
    if (!next_text_line()) return false;
  }
}

int escape(const char *&p) {
  int c = (unsigned char)*p++;
  switch (c) {
    case 'a': return 7;
    case 'b': return 8;
    case 'f': return 12;
    case 'n': return 10;
    case 'r': return 13;
    case 't': return 9;
    case 'v': return 11;
    case 'x': {
      int v = 0;
      while (p < line_end && (char_class((unsigned char)*p) & CC_HEX)) {
        int d = *p <= '9' ? *p - '0' : (*p | 0x20) - 'a' + 10;
        v = (v * 16 + d) & 0xff;
        p++;
      }
      return v;
    }
    default:
      if (c >= '0' && c <= '7') {
        int v = c - '0';
        for (int i = 0; i < 2 && p < line_end && *p >= '0' && *p <= '7'; i++) v = v * 8 + (*p++ - '0');
        return v & 0xff;
      }
      return c;
  }
}

bool two_byte_lead(int c) { return (c >= 0x81 && c <= 0x9f) || (c >= 0xe0 && c <= 0xef); }

// The bytes of one literal up to its closing quote (pos after the quote).
void string_body(std::string &out) {
  for (;;) {
    if (pos >= line_end || *pos == '\n') {
      msg(311);
      pos = line_end;
      return;
    }
    int c = (unsigned char)*pos++;
    if (c == '"') return;
    if (c == '\\') {
      if (pos < line_end && *pos == '\r') pos++;
      if (pos >= line_end || *pos == '\n') {
        if (!read_physical_line()) {
          msg(311);
          return;
        }
        continue;
      }
      out += (char)escape(pos);
      continue;
    }
    if (lex_two_byte && two_byte_lead(c) && pos < line_end) {
      out += (char)c;
      out += *pos++;
      continue;
    }
    if (c > '~' && !lex_two_byte) msg(228, c);
    out += (char)c;
  }
}

void lex_string() {
  tok.code = T_STRING;
  tok.text.clear();
  bool warned = false;
  for (;;) {
    string_body(tok.text);
    bool crossed = false;
    if (!skip_space(&crossed)) return;
    if (*pos != '"') return;
    if (crossed && !warned) {
      msg(336);
      warned = true;
    }
    pos++;
  }
}

void lex_char() {
  tok.code = T_INTCONST;
  if (pos < line_end && *pos == '\'') {
    pos++;
    msg(225);
    tok.value = 0;
    tok.tcode = popt.unsigned_char ? TC_UINT : TC_INT;
    return;
  }
  if (pos >= line_end || *pos == '\n') {
    msg(311);
    tok.value = 0;
    tok.tcode = TC_INT;
    return;
  }
  int c = (unsigned char)*pos++;
  if (c == '\\') c = escape(pos);
  else if (c > '~' && !lex_two_byte) msg(228, c);
  if (pos < line_end && *pos == '\'') {
    pos++;
  } else if (pos >= line_end || *pos == '\n') {
    msg(311);
  } else {
    msg(226);
    while (pos < line_end && *pos != '\'' && *pos != ';' && *pos != '\n') pos++;
    if (pos < line_end && *pos == '\'') pos++;
  }
  if (popt.unsigned_char) {
    tok.value = c & 0xff;
    tok.tcode = TC_UINT;
  } else {
    tok.value = (int32_t)(int8_t)c;
    tok.tcode = TC_INT;
  }
}

void lex_float(const char *start) {
  const char *p = start;
  while (p < line_end && isdigit((unsigned char)*p)) p++;
  if (p < line_end && *p == '.') {
    p++;
    while (p < line_end && isdigit((unsigned char)*p)) p++;
  }
  if (p < line_end && (*p == 'e' || *p == 'E')) {
    const char *e = p + 1;
    if (e < line_end && (*e == '+' || *e == '-')) e++;
    if (e < line_end && isdigit((unsigned char)*e)) {
      while (e < line_end && isdigit((unsigned char)*e)) e++;
      p = e;
    } else {
      pos = e;
      msg(220);
      p = e;
    }
  }
  tok.code = T_FLOATCONST;
  tok.text.assign(start, p);
  if (tok.text[0] == '.') tok.text.insert(0, "0");
  while (!tok.text.empty() && !isdigit((unsigned char)tok.text.back()) && tok.text.back() != '.') {
    // a bad exponent left "1e" or "1e+": keep a readable number
    tok.text.pop_back();
  }
  if (!tok.text.empty() && tok.text.back() == '.') tok.text += '0';
  tok.tcode = TC_DOUBLE;
  if (p < line_end && (*p == 'f' || *p == 'F')) {
    tok.tcode = TC_FLOAT;
    p++;
  } else if (p < line_end && (*p == 'l' || *p == 'L')) {
    p++;
  }
  pos = p;
}

int digit_value(int c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'z') return c - 'a' + 10;
  if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
  return 99;
}

void lex_number() {
  const char *start = pos;
  // Floating constants: digits followed by '.', 'e' or 'f'.
  if (*pos != '0' || (pos + 1 < line_end && pos[1] != 'x' && pos[1] != 'X' && pos[1] != 'b' && pos[1] != 'B')) {
    const char *p = pos;
    while (p < line_end && isdigit((unsigned char)*p)) p++;
    if (p < line_end && (*p == '.' || *p == 'e' || *p == 'E' || *p == 'f' || *p == 'F')) {
      lex_float(start);
      return;
    }
  }
  int base = 10;
  const char *p = pos;
  if (*p == '0' && p + 1 < line_end && (p[1] == 'x' || p[1] == 'X')) {
    base = 16;
    p += 2;
    if (p >= line_end || !(char_class((unsigned char)*p) & CC_HEX)) {
      pos = p;
      msg(221);
    }
  } else if (*p == '0' && p + 1 < line_end && (p[1] == 'b' || p[1] == 'B')) {
    base = 2;
    p += 2;
    if (p >= line_end || (*p != '0' && *p != '1')) {
      pos = p;
      msg(222);
    }
  } else if (*p == '0') {
    base = 8;
  }
  uint32_t value = 0;
  bool bad = false;
  while (p < line_end && is_ident_char((unsigned char)*p)) {
    int c = (unsigned char)*p;
    if ((c == 'u' || c == 'U' || c == 'l' || c == 'L')) break;
    int d = digit_value(c);
    if (d >= base) {
      if (!bad) {
        pos = p + 1;
        msg(223, c);
      }
      bad = true;
    } else {
      value = value * (uint32_t)base + (uint32_t)d;
    }
    p++;
  }
  bool is_unsigned = false;
  int longs = 0;
  for (;;) {
    if (p < line_end && (*p == 'u' || *p == 'U') && !is_unsigned) {
      is_unsigned = true;
      p++;
    } else if (p < line_end && (*p == 'l' || *p == 'L') && longs == 0) {
      longs = 1;
      p++;
      if (p < line_end && (*p == 'l' || *p == 'L')) {
        p++;
        if (popt.long_long) longs = 2;
      }
    } else {
      break;
    }
  }
  while (p < line_end && is_ident_char((unsigned char)*p)) {
    if (!bad) {
      pos = p + 1;
      msg(223, (unsigned char)*p);
    }
    bad = true;
    p++;
  }
  pos = p;
  // C90 typing at this target's sizes.
  uint32_t int_max = (uint32_t)size_max_signed(TC_INT);
  uint32_t long_max = (uint32_t)size_max_signed(TC_LONG);
  uint32_t uint_max = int_max * 2 + 1;
  uint32_t code;
  if (longs == 2) {
    code = is_unsigned ? TC_ULONGLONG : TC_LONGLONG;
  } else if (is_unsigned) {
    code = longs || value > uint_max ? TC_ULONG : TC_UINT;
  } else if (longs) {
    code = value <= long_max ? TC_LONG : TC_ULONG;
  } else if (value <= int_max) {
    code = TC_INT;
  } else if (base != 10 && value <= uint_max) {
    code = TC_UINT;
  } else {
    code = value <= long_max ? TC_LONG : TC_ULONG;
  }
  tok.code = T_INTCONST;
  tok.value = (int32_t)value;
  tok.tcode = code;
}

struct op_text {
  const char *text;
  int code;
};

// Longest first within each leading character.
const op_text operators[] = {
    {"...", T_ELLIPSIS}, {"<<=", 110}, {">>=", 109}, {"!=", 94}, {"%=", 108}, {"&&", 97},
    {"&=", 111}, {"*=", 106}, {"++", 75}, {"+=", 102}, {"--", 77}, {"-=", 104}, {"->", T_ARROW},
    {"/=", 107}, {"<<", 88}, {"<=", 91}, {"==", 93}, {">=", 92}, {">>", 87}, {"^=", 112},
    {"|=", 113}, {"||", 98}, {"!", 73}, {"%", 86}, {"&", 82}, {"(", T_LPAREN}, {")", T_RPAREN},
    {"*", 81}, {"+", 84}, {",", 114}, {"-", 83}, {".", T_DOT}, {"/", 85}, {":", 100},
    {";", T_SEMI}, {"<", 89}, {"=", 101}, {">", 90}, {"?", 99}, {"@", T_AT}, {"[", T_LBRACKET},
    {"]", T_RBRACKET}, {"^", 95}, {"{", T_LBRACE}, {"|", 96}, {"}", T_RBRACE}, {"~", 74},
};

bool lex_operator() {
  if (*pos == '.' && pos + 1 < line_end && pos[1] == '.' && (pos + 2 >= line_end || pos[2] != '.')) {
    pos += 2;
    msg(227);
    tok.code = T_ELLIPSIS;
    return true;
  }
  for (const op_text &o : operators) {
    size_t n = strlen(o.text);
    if ((size_t)(line_end - pos) >= n && !strncmp(pos, o.text, n)) {
      pos += n;
      tok.code = o.code;
      return true;
    }
  }
  return false;
}

// Skips a parenthesised group after an error, so that one fault gives one
// message.
void skip_group(int depth = 0) {
  if (depth == 0 && (!skip_space(nullptr) || *pos != '(')) return;
  do {
    if (pos >= line_end && !skip_space(nullptr)) return;
    if (*pos == ';') return;
    if (*pos == '(') depth++;
    else if (*pos == ')') depth--;
    pos++;
  } while (depth > 0);
}

// "__attribute__((item, item(args), ...))": parsed and dropped.
void lex_attribute() {
  tok.code = T_ATTRIBUTE;
  if (!skip_space(nullptr) || *pos != '(' || pos + 1 >= line_end || pos[1] != '(') {
    msg(317);
    skip_group();
    return;
  }
  pos += 2;
  bool expect_item = true;
  for (;;) {
    if (!skip_space(nullptr)) {
      msg(194);
      return;
    }
    if (*pos == ';') {
      msg(194);
      return;
    }
    if (*pos == ')') {
      pos++;
      if (skip_space(nullptr) && *pos == ')') pos++;
      else msg(194);
      return;
    }
    if (*pos == ',') {
      pos++;
      expect_item = true;
      continue;
    }
    if (!expect_item) {
      msg(372);
      expect_item = true;
    }
    if (!is_ident_start((unsigned char)*pos)) {
      msg(1323);
      while (pos < line_end && *pos != ',' && *pos != ')' && *pos != ';') pos++;
      continue;
    }
    while (pos < line_end && is_ident_char((unsigned char)*pos)) pos++;
    expect_item = false;
    if (skip_space(nullptr) && *pos == '(') {
      int depth = 0;
      do {
        if (pos >= line_end && !skip_space(nullptr)) return;
        if (*pos == '(') depth++;
        else if (*pos == ')') depth--;
        pos++;
      } while (depth > 0);
    }
  }
}

// "_Pragma ( string )": the string is a pragma line.
void lex_pragma_operator() {
  if (!skip_space(nullptr) || *pos != '(') {
    msg(317);
    return;
  }
  pos++;
  if (!skip_space(nullptr) || *pos != '"') {
    msg(318);
    skip_group(1);
    return;
  }
  pos++;
  std::string text;
  string_body(text);
  if (!skip_space(nullptr) || *pos != ')') msg(194);
  else pos++;
  pragma_line(text.c_str());
}

void lex_identifier() {
  std::string &name = tok.text;
  name.clear();
  size_t limit = (size_t)popt.ident_limit;
  while (pos < line_end && is_ident_char((unsigned char)*pos)) {
    if (name.size() < limit) name += *pos;
    pos++;
  }
  if (name == "_at_") {
    tok.code = T_AT;
    return;
  }
  if (popt.builtins) {
    if (name == "__builtin_ittype") { tok.code = T_ITTYPE; return; }
    if (name == "__builtin_unique_id") { tok.code = T_UNIQUE_ID; return; }
    if (name == "__builtin_enum_label") { tok.code = T_ENUM_LABEL; return; }
  }
  if (name == "__attribute__") {
    lex_attribute();
    return;
  }
  auto &kw = keyword_map();
  auto it = kw.find(name);
  if (it != kw.end()) {
    int code = it->second;
    if (code == K_PRAGMA) {
      lex_pragma_operator();
      lex_next();
      return;
    }
    if (code == K_AUTO || code == K_EXTERN || code == K_REGISTER || code == K_STATIC ||
        code == K_TYPEDEF) {
      tok.code = T_STORAGE;
      tok.value = code;
      return;
    }
    tok.code = code;
    return;
  }
  if (popt.bit_keyword && name == "bit") {
    tok.code = K_BIT;
    return;
  }
  if (uint32_t bits = qual_lookup(name.c_str())) {
    tok.code = T_QUAL;
    tok.value = (int32_t)bits;
    return;
  }
  if (qual_keyword *k = keyword_find(name.c_str())) {
    tok.code = T_KEYWORD;
    tok.keyword = k;
    return;
  }
  tok.code = T_IDENT;
  if (sym_want_member) {
    if (xref_stream) xref_use(name.c_str(), lex_lineno);
    tok.sym = nullptr;
  } else {
    tok.sym = sym_find_or_add(name.c_str());
  }
}

}  // namespace

bool lex_open(FILE *in, const char *name) {
  input = in;
  buf_cap = 10240;
  buf = (char *)malloc(buf_cap);
  buf[0] = 0;
  pos = line_start = line_end = buf;
  lex_input_name = sym_intern_file(name);
  lex_file = lex_input_name;
  lex_lineno = 0;
  at_eof = false;
  return true;
}

void lex_close() {
  free(buf);
  buf = nullptr;
  buf_cap = 0;
  pos = line_start = line_end = nullptr;
}

namespace {
token peeked;
bool have_peeked;
}  // namespace

void lex_mark_live(void (*mark)(symbol *)) {
  if (tok.sym) mark(tok.sym);
  if (have_peeked && peeked.sym) mark(peeked.sym);
}

const token &lex_peek() {
  if (!have_peeked) {
    token saved = tok;
    lex_next();
    peeked = tok;
    tok = saved;
    have_peeked = true;
  }
  return peeked;
}

void lex_next() {
  if (have_peeked) {
    have_peeked = false;
    tok = peeked;
    return;
  }
  tok.sym = nullptr;
  tok.keyword = nullptr;
  tok.value = 0;
  tok.tcode = 0;
  for (;;) {
    if (!skip_space(nullptr)) {
      tok.code = T_EOF;
      return;
    }
    int c = (unsigned char)*pos;
    if (is_ident_start(c)) {
      lex_identifier();
      return;
    }
    if (isdigit(c) || (c == '.' && pos + 1 < line_end && isdigit((unsigned char)pos[1]))) {
      if (c == '.') lex_float(pos);
      else lex_number();
      return;
    }
    if (c == '\'') {
      pos++;
      lex_char();
      return;
    }
    if (c == '"') {
      pos++;
      lex_string();
      return;
    }
    if (lex_operator()) return;
    pos++;
    msg(228, c);
  }
}

bool lex_expect(int code, const char *text) {
  if (tok.code == code) {
    lex_next();
    return true;
  }
  msg(312, text);
  lex_skip_statement();
  return false;
}

void lex_skip_statement() {
  while (tok.code != T_SEMI && tok.code != T_RBRACE) {
    if (tok.code == T_EOF) {
      msg(300);
      return;
    }
    lex_next();
  }
}

void lex_relookup() {
  if (tok.code != T_IDENT) return;
  tok.sym = sym_want_member ? nullptr : sym_lookup(tok.text.c_str());
  if (!tok.sym && !sym_want_member) tok.sym = sym_find_or_add(tok.text.c_str());
}

int lex_peek_char() {
  const char *p = pos;
  while (p < line_end && is_space((unsigned char)*p)) p++;
  return p < line_end ? (unsigned char)*p : -1;
}

void lex_pre_message() {
  // Before the input is open messages name no position.
  if (!buf) msg_set_context(nullptr, nullptr, nullptr, nullptr);
  else msg_set_context(lex_file, &lex_lineno, &line_start, &pos);
}

void lex_echo_line(const char *line, const char *file) {
  if (echoed_seq == lex_line_seq && lex_line_seq) return;
  echoed_seq = lex_line_seq;
  if (!popt.listing &&
      (file != echoed_file || (lex_current_function != echoed_function))) {
    std::string heading;
    if (popt.echo_level > 1) heading += "F";
    heading += file ? file : "";
    heading += ":";
    if (lex_current_function) {
      heading += " ";
      heading += lex_current_function;
      heading += "()";
    }
    fprintf(stderr, "%s\n", heading.c_str());
    echoed_file = file;
    echoed_function = lex_current_function;
  }
  size_t n = strlen(line);
  const char *nl = (n && line[n - 1] == '\n') ? "" : "\n";
  if (popt.echo_level == 0) fprintf(stderr, "%6d:\t%s%s", lex_lineno, line, nl);
  else fprintf(stderr, "%s%d:%s%s", popt.echo_level > 1 ? "L" : "", lex_lineno, line, nl);
  fflush(stderr);
}

void lex_flush_comments(FILE *out) {
  while (!comments.empty()) {
    comment_line &c = comments.front();
    std::string text = c.text;
    bool cut = text.size() > 250;
    if (cut) text.resize(250);
    fprintf(out, "[; ;%s: %d: %s", c.file.c_str(), c.line, text.c_str());
    if (cut || text.empty() || text.back() != '\n') fputc('\n', out);
    comments.pop_front();
  }
}
