#include "dat/tests/msgscan.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <cstring>
#include <sstream>

namespace fs = std::filesystem;

// ---- message description files ----

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t'; }

bool valid_kind(const std::string &k) {
  if (k.size() == 1 && std::string("fFeEmM").find(k[0]) != std::string::npos) return true;
  size_t i = k[0] == '-' ? 1 : 0;
  if (i == k.size()) return false;
  for (; i < k.size(); i++)
    if (!isdigit(static_cast<unsigned char>(k[i]))) return false;
  return true;
}

}  // namespace

msgfile msgfile_parse(const std::string &contents, const std::string &name) {
  msgfile f;
  std::istringstream in(contents);
  std::string line;
  int line_no = 0;
  long previous = -1;
  auto problem = [&](const std::string &what) {
    f.problems.push_back(name + ":" + std::to_string(line_no) + ": " + what);
  };
  while (std::getline(in, line)) {
    line_no++;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    // The programs keep 255 characters of a line and drop the rest.
    if (line.size() > 255) problem("longer than 255 bytes, the rest would be lost");
    if (line.empty() || line[0] == '#') continue;
    size_t p = 0;
    while (p < line.size() && is_blank(line[p])) p++;
    size_t number_start = p;
    while (p < line.size() && !is_blank(line[p])) p++;
    std::string number_token = line.substr(number_start, p - number_start);
    while (p < line.size() && is_blank(line[p])) p++;
    size_t kind_start = p;
    while (p < line.size() && !is_blank(line[p])) p++;
    std::string kind = line.substr(kind_start, p - kind_start);
    std::string text = p < line.size() ? line.substr(p + 1) : "";
    bool digits = !number_token.empty() &&
                  std::all_of(number_token.begin(), number_token.end(), [](char c) { return isdigit((unsigned char)c); });
    if (!digits || number_token.size() > 5 || std::stoul(number_token) > 10000 || kind.empty() || text.empty()) {
      problem("malformed line");
      continue;
    }
    if (!valid_kind(kind)) problem("unknown kind \"" + kind + "\"");
    unsigned number = unsigned(std::stoul(number_token));
    if (f.lines.count(number))
      problem("number " + number_token + " given twice (the later line wins)");
    else if (long(number) < previous)
      problem("number " + number_token + " out of order");
    previous = std::max<long>(previous, number);
    f.lines[number] = {number, kind, text, line_no};
  }
  return f;
}

msgfile msgfile_read(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    msgfile f;
    f.problems.push_back(path + ": cannot be read");
    return f;
  }
  std::stringstream s;
  s << in.rdbuf();
  return msgfile_parse(s.str(), path);
}

std::vector<printf_conv> printf_conversions(const std::string &text) {
  std::vector<printf_conv> convs;
  for (size_t i = 0; i < text.size(); i++) {
    if (text[i] != '%') continue;
    size_t start = i++;
    if (i >= text.size()) break;
    if (text[i] == '%') continue;
    printf_conv c{};
    while (i < text.size() && strchr("-+ #0'", text[i])) i++;
    auto number_or_star = [&] {
      if (i < text.size() && text[i] == '*') {
        c.stars++;
        i++;
      }
      while (i < text.size() && isdigit(static_cast<unsigned char>(text[i]))) i++;
    };
    number_or_star();
    if (i < text.size() && text[i] == '.') {
      i++;
      number_or_star();
    }
    size_t length_start = i;
    while (i < text.size() && strchr("hlLqjzt", text[i])) i++;
    c.length = text.substr(length_start, i - length_start);
    if (i >= text.size()) break;
    c.letter = text[i];
    c.spec = text.substr(start, i + 1 - start);
    convs.push_back(c);
  }
  return convs;
}

int printf_argument_count(const std::string &text) {
  int n = 0;
  for (const printf_conv &c : printf_conversions(text)) n += c.stars + (c.letter == 'm' ? 0 : 1);
  return n;
}

// ---- tokens ----

namespace {

enum tok_kind { T_IDENT, T_NUMBER, T_STRING, T_CHAR, T_PUNCT };

struct token {
  tok_kind kind;
  std::string text;
  int line;
};

bool ident_start(char c) { return isalpha(static_cast<unsigned char>(c)) || c == '_'; }
bool ident_char(char c) { return isalnum(static_cast<unsigned char>(c)) || c == '_'; }

const char *const two_char_puncts[] = {"::", "->", "==", "!=", "<=", ">=", "&&", "||", "<<", ">>", "++",
                                       "--", "+=", "-=", "*=", "/=", "|=", "&=", "^=", "%="};

std::vector<token> tokenize(const std::string &s) {
  std::vector<token> toks;
  int line = 1;
  size_t i = 0, n = s.size();
  auto skip_quoted = [&](char quote) {  // i at the opening quote
    for (i++; i < n && s[i] != quote; i++) {
      if (s[i] == '\\' && i + 1 < n) i++;
      if (s[i] == '\n') line++;
    }
    if (i < n) i++;
  };
  while (i < n) {
    char c = s[i];
    if (c == '\n') {
      line++;
      i++;
    } else if (isspace(static_cast<unsigned char>(c)) || (c == '\\' && i + 1 < n && s[i + 1] == '\n')) {
      i++;
    } else if (c == '/' && i + 1 < n && s[i + 1] == '/') {
      while (i < n && s[i] != '\n') i++;
    } else if (c == '/' && i + 1 < n && s[i + 1] == '*') {
      size_t end = s.find("*/", i + 2);
      end = end == std::string::npos ? n : end + 2;
      line += int(std::count(s.begin() + long(i), s.begin() + long(end), '\n'));
      i = end;
    } else if (ident_start(c)) {
      size_t start = i;
      while (i < n && ident_char(s[i])) i++;
      std::string word = s.substr(start, i - start);
      bool prefix = word == "u8" || word == "u" || word == "U" || word == "L";
      bool raw = word == "R" || word == "u8R" || word == "uR" || word == "UR" || word == "LR";
      if (i < n && s[i] == '"' && raw) {
        size_t open = s.find('(', i);
        std::string delim = ")" + s.substr(i + 1, open - i - 1) + "\"";
        size_t end = s.find(delim, open);
        end = end == std::string::npos ? n : end + delim.size();
        int at = line;
        line += int(std::count(s.begin() + long(i), s.begin() + long(end), '\n'));
        toks.push_back({T_STRING, s.substr(start, end - start), at});
        i = end;
      } else if (i < n && (s[i] == '"' || s[i] == '\'') && prefix) {
        char q = s[i];
        int at = line;
        skip_quoted(q);
        toks.push_back({q == '"' ? T_STRING : T_CHAR, s.substr(start, i - start), at});
      } else {
        toks.push_back({T_IDENT, word, line});
      }
    } else if (isdigit(static_cast<unsigned char>(c)) ||
               (c == '.' && i + 1 < n && isdigit(static_cast<unsigned char>(s[i + 1])))) {
      size_t start = i;
      while (i < n && (ident_char(s[i]) || s[i] == '.' || (s[i] == '\'' && i + 1 < n && ident_char(s[i + 1])) ||
                       ((s[i] == '+' || s[i] == '-') && strchr("eEpP", s[i - 1]) && !strchr("xX", s[start + 1]))))
        i++;
      toks.push_back({T_NUMBER, s.substr(start, i - start), line});
    } else if (c == '"' || c == '\'') {
      size_t start = i;
      int at = line;
      skip_quoted(c);
      toks.push_back({c == '"' ? T_STRING : T_CHAR, s.substr(start, i - start), at});
    } else {
      std::string p(1, c);
      if (i + 1 < n)
        for (const char *two : two_char_puncts)
          if (s[i] == two[0] && s[i + 1] == two[1]) p = two;
      toks.push_back({T_PUNCT, p, line});
      i += p.size();
    }
  }
  return toks;
}

// ---- the scanned program ----

struct tfile {
  const source_file *src;
  std::vector<token> toks;
  std::vector<std::string> includes;  // "folder/name.h" of each #include "..."
  std::vector<long> match;  // index of the partner bracket, -1 when none
  std::map<std::string, std::vector<unsigned>> constants;
};

constexpr int DEPTH_LIMIT = 8;

const char *const raise_functions[] = {"msg", "msg_once", "msg_vmsg"};

const std::set<std::string> expression_keywords = {"return", "else", "case", "do", "throw", "co_return",
                                                   "co_yield", "and", "or", "not", "sizeof"};
const std::set<std::string> control_keywords = {"if", "while", "for", "switch", "catch", "sizeof"};

struct type_word {
  const char *word;
  arg_class cls;
};
const type_word type_words[] = {
    {"int", ARG_INT},        {"unsigned", ARG_INT},     {"signed", ARG_INT},       {"short", ARG_INT},
    {"char", ARG_INT},       {"bool", ARG_INT},         {"uint8_t", ARG_INT},      {"uint16_t", ARG_INT},
    {"uint32_t", ARG_INT},   {"int8_t", ARG_INT},       {"int16_t", ARG_INT},      {"int32_t", ARG_INT},
    {"long", ARG_LONG},      {"size_t", ARG_LONG},      {"ssize_t", ARG_LONG},     {"ptrdiff_t", ARG_LONG},
    {"int64_t", ARG_LONG},   {"uint64_t", ARG_LONG},    {"intptr_t", ARG_LONG},    {"uintptr_t", ARG_LONG},
    {"double", ARG_DOUBLE},  {"float", ARG_DOUBLE},
};

bool is_type_word(const std::string &w) {
  for (const type_word &t : type_words)
    if (w == t.word) return true;
  return w == "const" || w == "std" || w == "::";
}

// The argument class of a run of type words ("unsigned long", "const char *").
arg_class class_of_type(const std::vector<token> &toks, size_t b, size_t e) {
  int longs = 0, stars = 0;
  bool chars = false, floating = false, any = false;
  for (size_t i = b; i < e; i++) {
    const std::string &w = toks[i].text;
    if (w == "*") {
      stars++;
      continue;
    }
    if (w == "&" || w == "const" || w == "std" || w == "::" || w == "volatile") continue;
    bool known = false;
    for (const type_word &t : type_words)
      if (w == t.word) {
        known = true;
        if (t.cls == ARG_LONG) longs++;
        if (t.cls == ARG_DOUBLE) floating = true;
      }
    if (w == "char") chars = true;
    if (!known) return ARG_UNKNOWN;
    any = true;
  }
  if (!any) return ARG_UNKNOWN;
  if (stars) return chars && stars == 1 ? ARG_STRING : ARG_UNKNOWN;
  if (floating) return ARG_DOUBLE;
  if (longs >= 2) return ARG_LONG_LONG;
  return longs ? ARG_LONG : ARG_INT;
}

std::string expression_text(const std::vector<token> &toks, size_t b, size_t e) {
  std::string s;
  for (size_t i = b; i < e; i++) {
    if (!s.empty() && ident_char(s.back()) && ident_char(toks[i].text[0])) s += ' ';
    s += toks[i].text;
  }
  return s;
}

struct scanner {
  std::vector<tfile> files;
  std::map<std::string, std::vector<size_t>> by_folder;
  scan_result result;

  // ---- preparation ----

  void add(const source_file &src) {
    tfile f;
    f.src = &src;
    f.toks = tokenize(src.text);
    f.match.assign(f.toks.size(), -1);
    std::vector<size_t> stack;
    for (size_t i = 0; i < f.toks.size(); i++) {
      if (f.toks[i].kind != T_PUNCT) continue;
      const std::string &t = f.toks[i].text;
      if (t == "(" || t == "[" || t == "{") {
        stack.push_back(i);
      } else if (t == ")" || t == "]" || t == "}") {
        // Unbalanced text (preprocessor branches) leaves the rest unmatched.
        char open = t == ")" ? '(' : t == "]" ? '[' : '{';
        if (!stack.empty() && f.toks[stack.back()].text[0] == open) {
          f.match[i] = long(stack.back());
          f.match[stack.back()] = long(i);
          stack.pop_back();
        }
      }
    }
    find_constants(f);
    for (size_t i = 0; i + 2 < f.toks.size(); i++)
      if (f.toks[i].text == "#" && f.toks[i + 1].text == "include" && f.toks[i + 2].kind == T_STRING)
        f.includes.push_back(f.toks[i + 2].text.substr(1, f.toks[i + 2].text.size() - 2));
    by_folder[src.folder].push_back(files.size());
    files.push_back(std::move(f));
  }

  static bool is(const tfile &f, size_t i, const char *text) { return i < f.toks.size() && f.toks[i].text == text; }

  // Enumerators, const/constexpr integers and #defines with a literal value.
  void find_constants(tfile &f) {
    auto &t = f.toks;
    for (size_t i = 0; i < t.size(); i++) {
      if (t[i].text == "enum") {
        size_t j = i + 1;
        while (j < t.size() && t[j].text != "{" && t[j].text != ";") j++;
        if (j >= t.size() || t[j].text != "{" || f.match[j] < 0) continue;
        long next = 0;
        size_t end = size_t(f.match[j]);
        for (size_t k = j + 1; k < end; k++) {
          if (t[k].kind != T_IDENT || (t[k - 1].text != "{" && t[k - 1].text != ",")) continue;
          if (is(f, k + 1, "=") && k + 2 < end && t[k + 2].kind == T_NUMBER &&
              (is(f, k + 3, ",") || k + 3 == end))
            next = strtol(t[k + 2].text.c_str(), nullptr, 0);
          else if (is(f, k + 1, "="))
            continue;  // a value the scanner does not work out
          if (next >= 0) f.constants[t[k].text].push_back(unsigned(next));
          next++;
        }
      } else if (t[i].text == "#" && is(f, i + 1, "define") && i + 3 < t.size() && t[i + 2].kind == T_IDENT &&
                 t[i + 3].kind == T_NUMBER && t[i + 3].line == t[i + 2].line &&
                 (i + 4 >= t.size() || t[i + 4].line != t[i + 3].line)) {
        f.constants[t[i + 2].text].push_back(unsigned(strtoul(t[i + 3].text.c_str(), nullptr, 0)));
      } else if (t[i].kind == T_IDENT && is(f, i + 1, "=") && i + 3 < t.size() && t[i + 2].kind == T_NUMBER &&
                 (t[i + 3].text == ";" || t[i + 3].text == ",")) {
        bool constant = false;
        for (size_t k = i; k-- > 0;) {
          const std::string &w = t[k].text;
          if (w == ";" || w == "{" || w == "}" || w == "(" || w == ")") break;
          if (w == "const" || w == "constexpr") constant = true;
        }
        if (constant) f.constants[t[i].text].push_back(unsigned(strtoul(t[i + 2].text.c_str(), nullptr, 0)));
      }
    }
  }

  // ---- structure ----

  struct function_info {
    std::string name;  // "" for a lambda
    size_t params_open = 0, params_close = 0, body_open = 0;
  };

  // The innermost function (or lambda) whose body holds token i.
  bool enclosing_function(const tfile &f, size_t i, function_info *out) {
    const auto &t = f.toks;
    size_t k = i;
    while (k-- > 0) {
      if (t[k].text == "}" && f.match[k] >= 0) {
        k = size_t(f.match[k]);
        continue;
      }
      if (t[k].text != "{") continue;
      size_t j = k;
      while (j > 0 && (t[j - 1].text == "const" || t[j - 1].text == "override" || t[j - 1].text == "noexcept" ||
                       t[j - 1].text == "final" || t[j - 1].text == "mutable"))
        j--;
      if (j == 0 || t[j - 1].text != ")" || f.match[j - 1] < 0) continue;
      size_t open = size_t(f.match[j - 1]);
      if (open == 0) continue;
      const token &before = t[open - 1];
      if (before.text == "]") {
        *out = {"", open, j - 1, k};
        return true;
      }
      if (before.kind != T_IDENT || control_keywords.count(before.text)) continue;
      *out = {before.text, open, j - 1, k};
      return true;
    }
    return false;
  }

  // Top-level comma-separated items of the bracket that opens at token open.
  static std::vector<std::pair<size_t, size_t>> items(const tfile &f, size_t open) {
    std::vector<std::pair<size_t, size_t>> out;
    if (f.match[open] < 0) return out;
    size_t close = size_t(f.match[open]);
    size_t start = open + 1;
    for (size_t i = open + 1; i < close; i++) {
      const std::string &w = f.toks[i].text;
      if ((w == "(" || w == "[" || w == "{") && f.match[i] > 0) {
        i = size_t(f.match[i]);
      } else if (w == "<" && f.toks[i - 1].text == "static_cast") {
        while (i < close && f.toks[i].text != ">") i++;
      } else if (w == ",") {
        out.push_back({start, i});
        start = i + 1;
      }
    }
    if (start < close) out.push_back({start, close});
    return out;
  }

  // Name of the parameter (item [b, e) of a parameter list).
  static std::string parameter_name(const tfile &f, size_t b, size_t e) {
    for (size_t i = b; i < e; i++)
      if (f.toks[i].text == "=") e = i;
    while (e > b && f.toks[e - 1].text == "]" && f.match[e - 1] >= 0) e = size_t(f.match[e - 1]);
    return e > b + 1 && f.toks[e - 1].kind == T_IDENT ? f.toks[e - 1].text : "";
  }

  // The declared type of name as a parameter or a local of the function
  // holding token at.
  arg_class declared_class(const tfile &f, size_t at, const std::string &name) {
    function_info fn;
    if (!enclosing_function(f, at, &fn)) return ARG_UNKNOWN;
    for (auto [b, e] : items(f, fn.params_open)) {
      size_t end = e;
      for (size_t i = b; i < e; i++)
        if (f.toks[i].text == "=") end = i;
      if (parameter_name(f, b, end) != name) continue;
      if (f.toks[end - 1].text == "]") return ARG_UNKNOWN;  // an array parameter is a pointer
      return class_of_type(f.toks, b, end - 1);
    }
    for (size_t i = fn.body_open + 1; i < at; i++) {
      if (f.toks[i].text != name || f.toks[i].kind != T_IDENT) continue;
      const std::string &next = f.toks[i + 1].text;
      if (next != "=" && next != ";" && next != "," && next != "[") continue;
      size_t b = i;
      while (b > 0 && (is_type_word(f.toks[b - 1].text) || f.toks[b - 1].text == "*")) b--;
      if (b == i) continue;
      arg_class c = class_of_type(f.toks, b, i);
      if (next == "[") return c == ARG_INT && f.toks[i - 1].text == "char" ? ARG_STRING : ARG_UNKNOWN;
      return c;
    }
    return ARG_UNKNOWN;
  }

  arg_class classify(const tfile &f, size_t b, size_t e) {
    const auto &t = f.toks;
    while (e - b >= 2 && t[b].text == "(" && f.match[b] == long(e - 1)) {
      b++;
      e--;
    }
    if (b >= e) return ARG_UNKNOWN;
    bool all_strings = true;
    for (size_t i = b; i < e; i++) all_strings = all_strings && t[i].kind == T_STRING;
    if (all_strings) return ARG_STRING;
    if (e - b == 1) {
      const token &k = t[b];
      if (k.kind == T_CHAR) return ARG_INT;
      if (k.kind == T_NUMBER) {
        std::string n = k.text;
        bool hex = n.size() > 1 && (n[1] == 'x' || n[1] == 'X');
        if (!hex && n.find_first_of(".eE") != std::string::npos) return ARG_DOUBLE;
        size_t ls = std::count(n.begin(), n.end(), 'l') + std::count(n.begin(), n.end(), 'L');
        return ls >= 2 ? ARG_LONG_LONG : ls ? ARG_LONG : ARG_INT;
      }
      if (k.kind == T_IDENT) return declared_class(f, b, k.text);
      return ARG_UNKNOWN;
    }
    // Ternary: both branches must agree.
    size_t q = top_level(f, b, e, "?");
    if (q < e) {
      size_t c = matching_colon(f, q, e);
      if (c >= e) return ARG_UNKNOWN;
      arg_class x = classify(f, q + 1, c), y = classify(f, c + 1, e);
      return x == y ? x : ARG_UNKNOWN;
    }
    if (e - b >= 4 && t[e - 1].text == ")" && t[e - 2].text == "(" &&
        (t[e - 4].text == "." || t[e - 4].text == "->")) {
      const std::string &method = t[e - 3].text;
      if (method == "c_str") return ARG_STRING;
      if (method == "size" || method == "length") return ARG_LONG;
    }
    if (t[b].text == "sizeof") return ARG_LONG;
    // (type) expression
    if (t[b].text == "(" && f.match[b] > 0) {
      size_t close = size_t(f.match[b]);
      if (close + 1 < e) {
        arg_class c = class_of_type(t, b + 1, close);
        if (c != ARG_UNKNOWN) return c;
      }
    }
    // type(expression), static_cast<type>(expression)
    if (e - b >= 3 && t[b + 1].text == "(" && f.match[b + 1] == long(e - 1)) return class_of_type(t, b, b + 1);
    if (t[b].text == "static_cast" && t[b + 1].text == "<") {
      size_t close = b + 2;
      while (close < e && t[close].text != ">") close++;
      if (close + 1 < e && t[close + 1].text == "(" && f.match[close + 1] == long(e - 1))
        return class_of_type(t, b + 2, close);
    }
    return ARG_UNKNOWN;
  }

  // First token with the given text at bracket depth 0 of [b, e), or e.
  static size_t top_level(const tfile &f, size_t b, size_t e, const char *text) {
    for (size_t i = b; i < e; i++) {
      const std::string &w = f.toks[i].text;
      if ((w == "(" || w == "[" || w == "{") && f.match[i] > long(i) && size_t(f.match[i]) < e)
        i = size_t(f.match[i]);
      else if (w == text)
        return i;
    }
    return e;
  }

  static size_t matching_colon(const tfile &f, size_t q, size_t e) {
    int nest = 0;
    for (size_t i = q + 1; i < e; i++) {
      const std::string &w = f.toks[i].text;
      if ((w == "(" || w == "[" || w == "{") && f.match[i] > long(i) && size_t(f.match[i]) < e)
        i = size_t(f.match[i]);
      else if (w == "?")
        nest++;
      else if (w == ":" && nest-- == 0)
        return i;
    }
    return e;
  }

  // Is the name at token i followed by "(" a call, not a declaration?
  static bool is_call(const tfile &f, size_t i) {
    if (!is(f, i + 1, "(")) return false;
    if (i == 0) return false;
    const token &p = f.toks[i - 1];
    if (p.text == "." || p.text == "->") return true;
    if (p.kind == T_IDENT) return expression_keywords.count(p.text) > 0;
    if (p.text == "::") return !(i >= 3 && f.toks[i - 2].kind == T_IDENT && f.toks[i - 3].kind == T_IDENT &&
                                 !expression_keywords.count(f.toks[i - 3].text));
    if ((p.text == "*" || p.text == "&") && i >= 2 && f.toks[i - 2].kind == T_IDENT) {
      // "T *name(params)" declares; "a * name(args)" multiplies.
      for (auto [b, e] : items(f, i + 1)) {
        if (e - b < 2 || f.toks[e - 1].kind != T_IDENT) continue;
        const token &before = f.toks[e - 2];
        if (before.kind == T_IDENT || before.text == "*" || before.text == "&") return false;
      }
      return true;
    }
    return true;
  }

  // ---- resolution of message numbers ----

  struct found {
    unsigned number;
    const tfile *file;
    int line;
    std::string via;
  };

  void unresolved(const tfile &f, size_t b, size_t e) {
    std::string text = expression_text(f.toks, b, e);
    text.erase(std::remove(text.begin(), text.end(), ' '), text.end());
    result.unresolved.push_back({f.src->path, f.toks[b < f.toks.size() ? b : f.toks.size() - 1].line, text});
  }

  bool lookup_constant(const tfile &f, const std::string &name, std::vector<unsigned> *out) {
    auto own = f.constants.find(name);
    if (own != f.constants.end() && !own->second.empty()) {
      *out = {own->second.back()};
      return true;
    }
    std::set<unsigned> values;
    for (size_t idx : by_folder[f.src->folder]) {
      auto it = files[idx].constants.find(name);
      if (it != files[idx].constants.end()) values.insert(it->second.begin(), it->second.end());
    }
    if (values.size() != 1) return false;
    *out = {*values.begin()};
    return true;
  }

  // Resolves the number expression [b, e) of file f into found numbers; what
  // cannot be worked out is recorded as unresolved.
  void resolve(const tfile &f, size_t b, size_t e, int depth, const std::string &via, std::vector<found> *out) {
    const auto &t = f.toks;
    while (e - b >= 2 && t[b].text == "(" && f.match[b] == long(e - 1)) {
      b++;
      e--;
    }
    if (b >= e || depth > DEPTH_LIMIT) return unresolved(f, b, e);
    // Casts around a number.
    if (e - b >= 3 && t[b].kind == T_IDENT && class_of_type(t, b, b + 1) != ARG_UNKNOWN && t[b + 1].text == "(" &&
        f.match[b + 1] == long(e - 1))
      return resolve(f, b + 2, e - 1, depth, via, out);
    if (t[b].text == "(" && f.match[b] > 0 && size_t(f.match[b]) + 1 < e &&
        class_of_type(t, b + 1, size_t(f.match[b])) != ARG_UNKNOWN)
      return resolve(f, size_t(f.match[b]) + 1, e, depth, via, out);
    size_t q = top_level(f, b, e, "?");
    if (q < e) {
      size_t c = matching_colon(f, q, e);
      if (c >= e) return unresolved(f, b, e);
      resolve(f, q + 1, c, depth, via, out);
      resolve(f, c + 1, e, depth, via, out);
      return;
    }
    if (e - b == 1 && t[b].kind == T_NUMBER) {
      out->push_back({unsigned(strtoul(t[b].text.c_str(), nullptr, 0)), &f, t[b].line, via});
      return;
    }
    if (e - b == 1 && t[b].kind == T_IDENT) {
      std::vector<unsigned> values;
      if (lookup_constant(f, t[b].text, &values)) {
        for (unsigned v : values) out->push_back({v, &f, t[b].line, via});
        return;
      }
      if (resolve_variable(f, b, depth, via, out)) return;
      return unresolved(f, b, e);
    }
    if (e - b >= 3 && t[e - 1].kind == T_IDENT && (t[e - 2].text == "." || t[e - 2].text == "->")) {
      if (resolve_field(f, t[e - 1].text, depth, via, out)) return;
      return unresolved(f, b, e);
    }
    unresolved(f, b, e);
  }

  // A parameter of the enclosing function, or a variable given its value by
  // assignments (in the function, else anywhere in the file).
  bool resolve_variable(const tfile &f, size_t at, int depth, const std::string &via, std::vector<found> *out) {
    const std::string &name = f.toks[at].text;
    function_info fn;
    bool in_function = enclosing_function(f, at, &fn);
    if (in_function) {
      auto params = items(f, fn.params_open);
      for (size_t k = 0; k < params.size(); k++)
        if (parameter_name(f, params[k].first, params[k].second) == name) {
          if (fn.name.empty()) return false;
          return resolve_wrapper(f, fn.name, k, depth, via, out);
        }
    }
    auto assignments = [&](size_t from, size_t to) {
      bool any = false;
      for (size_t i = from; i < to; i++) {
        if (f.toks[i].text != name || f.toks[i].kind != T_IDENT || !is(f, i + 1, "=")) continue;
        if (i > 0 && (f.toks[i - 1].text == "." || f.toks[i - 1].text == "->")) continue;
        size_t end = i + 2;
        while (end < f.toks.size() && f.toks[end].text != ";" && f.toks[end].text != ",") {
          const std::string &w = f.toks[end].text;
          if ((w == "(" || w == "[" || w == "{") && f.match[end] > long(end))
            end = size_t(f.match[end]);
          end++;
        }
        if (end == i + 3 && f.toks[i + 2].text == "0") continue;  // a reset, not a message
        any = true;
        resolve(f, i + 2, end, depth + 1, via, out);
      }
      return any;
    };
    if (in_function && f.match[fn.body_open] > 0 && assignments(fn.body_open, size_t(f.match[fn.body_open])))
      return true;
    return assignments(0, f.toks.size());
  }

  // A member of a table row: designated initialisers, or the element at the
  // member's position in the brace rows of arrays of its struct.
  bool resolve_field(const tfile &from, const std::string &field, int depth, const std::string &via,
                     std::vector<found> *out) {
    bool any = false;
    for (size_t idx : by_folder[from.src->folder]) {
      const tfile &f = files[idx];
      const auto &t = f.toks;
      for (size_t i = 0; i + 2 < t.size(); i++) {
        if (t[i].text == "." && t[i + 1].text == field && t[i + 2].text == "=" && i > 0 &&
            (t[i - 1].text == "{" || t[i - 1].text == ",")) {
          size_t end = i + 3;
          while (end < t.size() && t[end].text != "," && t[end].text != "}") end++;
          any = true;
          resolve(f, i + 3, end, depth + 1, via, out);
        }
        if (t[i].text != "struct" && t[i].text != "class") continue;
        size_t open = i + 1;
        while (open < t.size() && t[open].text != "{" && t[open].text != ";") open++;
        if (open >= t.size() || t[open].text != "{" || f.match[open] < 0) continue;
        bool head = true;  // "struct S : base {", not "struct S *make() {"
        for (size_t k = i + 1; k < open; k++)
          head = head && (t[k].kind == T_IDENT || t[k].text == ":" || t[k].text == "::" || t[k].text == ",");
        if (!head) continue;
        size_t close = size_t(f.match[open]);
        int member = -1, index = 0;
        for (size_t k = open + 1; k < close; k++) {
          if ((t[k].text == "{" || t[k].text == "(") && f.match[k] > long(k)) {
            k = size_t(f.match[k]);
            continue;
          }
          if (t[k].text == ";") index++;
          if (t[k].text == field && (t[k + 1].text == ";" || t[k + 1].text == "=")) member = index;
        }
        if (member < 0) continue;
        std::string type_name = open == i + 2 ? t[i + 1].text : "";
        auto rows_of = [&](const tfile &g, size_t brace) {
          for (auto [rb, re] : items(g, brace)) {
            if (g.toks[rb].text != "{" || g.match[rb] != long(re - 1)) continue;
            auto row = items(g, rb);
            if (!row.empty() && g.toks[row[0].first].text == ".") continue;  // designated, seen above
            if (size_t(member) < row.size()) {
              any = true;
              resolve(g, row[member].first, row[member].second, depth + 1, via, out);
            }
          }
        };
        // struct { ... } name[] = { rows };
        size_t k = close + 1;
        if (k < t.size() && t[k].kind == T_IDENT) {
          while (k < t.size() && t[k].text != "=" && t[k].text != ";") k++;
          if (is(f, k, "=") && is(f, k + 1, "{")) rows_of(f, k + 1);
        }
        // struct S { ... }; ... S name[] = { rows };
        if (!type_name.empty())
          for (size_t idx2 : by_folder[from.src->folder]) {
            const tfile &g = files[idx2];
            for (size_t m = 0; m + 3 < g.toks.size(); m++) {
              if (g.toks[m].text != type_name || g.toks[m + 1].kind != T_IDENT || g.toks[m + 2].text != "[") continue;
              size_t n = m + 2;
              while (n < g.toks.size() && g.toks[n].text != "=" && g.toks[n].text != ";") n++;
              if (is(g, n, "=") && is(g, n + 1, "{")) rows_of(g, n + 1);
            }
          }
      }
    }
    return any;
  }

  // The numbers reaching parameter k of function name, from its calls in the
  // file that defines it; when a header of the folder declares it, also from
  // the folder's other files and from every file that includes that header.
  bool resolve_wrapper(const tfile &f, const std::string &name, size_t k, int depth, const std::string &via,
                       std::vector<found> *out) {
    if (depth > DEPTH_LIMIT) return false;
    std::set<std::string> headers;
    for (size_t idx : by_folder[f.src->folder]) {
      const tfile &g = files[idx];
      const std::string &path = g.src->path;
      if (&g == &f || path.size() < 2 || path.compare(path.size() - 2, 2, ".h") != 0) continue;
      for (size_t i = 0; i + 1 < g.toks.size(); i++)
        if (g.toks[i].text == name && g.toks[i + 1].text == "(") headers.insert(path);
    }
    std::vector<const tfile *> scope = {&f};
    for (const tfile &g : files) {
      if (&g == &f || headers.empty()) continue;
      bool includes = g.src->folder == f.src->folder;
      for (const std::string &h : g.includes) includes = includes || headers.count(h);
      if (includes) scope.push_back(&g);
    }
    std::string chain = via.empty() ? name : name + " < " + via;
    for (const tfile *g : scope)
      for (size_t i = 0; i < g->toks.size(); i++) {
        if (g->toks[i].text != name || g->toks[i].kind != T_IDENT || !is_call(*g, i)) continue;
        auto args = items(*g, i + 1);
        if (k < args.size()) resolve(*g, args[k].first, args[k].second, depth + 1, chain, out);
      }
    return true;  // a wrapper nobody calls raises nothing
  }

  // ---- the scan ----

  void scan() {
    for (const tfile &f : files) {
      for (size_t i = 0; i < f.toks.size(); i++) {
        const token &k = f.toks[i];
        if (k.kind != T_IDENT) continue;
        bool raising = false;
        for (const char *r : raise_functions) raising = raising || k.text == r;
        if (!raising || !is_call(f, i) || (i > 0 && (f.toks[i - 1].text == "." || f.toks[i - 1].text == "->")))
          continue;
        auto args = items(f, i + 1);
        if (args.empty()) continue;
        std::vector<arg_class> classes;
        for (size_t a = 1; a < args.size(); a++) classes.push_back(classify(f, args[a].first, args[a].second));
        bool variadic = k.text == "msg_vmsg";
        std::vector<found> numbers;
        resolve(f, args[0].first, args[0].second, 0, "", &numbers);
        for (const found &n : numbers) {
          raise_site site{n.number, n.file->src->path, n.line, n.via, classes, !variadic};
          if (!n.via.empty()) site.via += " (" + f.src->path + ":" + std::to_string(k.line) + ")";
          result.raises.push_back(site);
        }
      }
    }
  }
};

}  // namespace

scan_result scan_sources(const std::vector<source_file> &sources) {
  scanner s;
  s.files.reserve(sources.size());
  for (const source_file &src : sources) s.add(src);
  s.scan();
  return s.result;
}

std::vector<source_file> collect_sources(const std::string &root) {
  // Folders that hold no program code, and the message module itself.
  static const std::set<std::string> skip_folders = {"build", "cmake", "dat", "include", "tests", "examples",
                                                     "scripts", "runtime"};
  std::vector<source_file> out;
  std::vector<fs::path> paths;
  for (const auto &top : fs::directory_iterator(root)) {
    std::string folder = top.path().filename().string();
    if (!top.is_directory() || folder[0] == '.' || skip_folders.count(folder)) continue;
    if (!fs::exists(top.path() / "CMakeLists.txt")) continue;
    for (auto it = fs::recursive_directory_iterator(top.path()); it != fs::recursive_directory_iterator(); ++it) {
      if (it->is_directory() && it->path().filename() == "tests") {
        it.disable_recursion_pending();
        continue;
      }
      std::string ext = it->path().extension().string();
      if (it->is_regular_file() && (ext == ".cpp" || ext == ".h")) paths.push_back(it->path());
    }
  }
  std::sort(paths.begin(), paths.end());
  for (const fs::path &p : paths) {
    std::string rel = fs::relative(p, root).generic_string();
    if (rel == "common/alert.cpp" || rel == "common/alert.h") continue;
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    out.push_back({rel, rel.substr(0, rel.find('/')), s.str()});
  }
  return out;
}
