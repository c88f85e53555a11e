#include "ic_check.h"

#include <cctype>
#include <regex>
#include <set>
#include <sstream>

namespace {

std::vector<std::string> split(const std::string &s) {
  std::vector<std::string> out;
  std::istringstream in(s);
  for (std::string t; in >> t;) out.push_back(t);
  return out;
}

bool all_digits(const std::string &s, size_t from = 0) {
  if (s.size() <= from) return false;
  for (size_t i = from; i < s.size(); i++)
    if (!isdigit((unsigned char)s[i])) return false;
  return true;
}

bool is_number(const std::string &t) { return all_digits(t, t[0] == '-' ? 1 : 0); }

bool is_name(const std::string &t) {
  static const std::regex name(R"(^(_[A-Za-z0-9_]+|F\d+)$)");
  return std::regex_match(t, name);
}

bool is_float(const std::string &t) {
  static const std::regex f(R"(^\.\d+(\.\d*)?([eE][+-]?\d+)?$)");
  return std::regex_match(t, f);
}

// part := "("? "*"* qualifiers (basic | part)
bool signature_part(const std::string &s, size_t &p, int depth) {
  if (depth > 32) return false;
  if (p < s.size() && s[p] == '(') p++;
  while (p < s.size() && s[p] == '*') p++;
  while (p < s.size() && isupper((unsigned char)s[p]) && !(p + 1 < s.size() && isdigit((unsigned char)s[p + 1])) &&
         !(s[p] == 'E' && (p + 1 == s.size())))
    p++;
  if (p >= s.size()) return false;
  if (s[p] == '(' || s[p] == '*') return signature_part(s, p, depth + 1);
  std::string rest = s.substr(p);
  static const std::regex base(R"(^(E\d*|S\d+|\.\.\.|_[A-Za-z0-9_]+|F\d+|u?[bcsimloxfdv])$)");
  if (!std::regex_match(rest, base)) return false;
  p = s.size();
  return true;
}

const std::set<std::string> &unary_ops() {
  static const std::set<std::string> s = {"*U", "&U", "-U", "+U", "!", "~", "#", ")", "$U", "$UE", "(.", "#T"};
  return s;
}

const std::set<std::string> &binary_ops() {
  static const std::set<std::string> s = {
      ".", "*", "/", "%", "+", "-", "<<", ">>", "&", "^", "|", "<", ">", "<=", ">=", "==", "!=",
      "&&", "||", "?", ":", "=", "=+", "=-", "=*", "=/", "=%", "=>>", "=<<", "=&", "=^", "=|",
      "++", "--", ",", ";", "$", ":="};
  return s;
}

struct parser {
  const std::vector<std::string> &t;
  size_t i;
  std::string error;

  bool fail(const std::string &why) {
    if (error.empty()) error = why + " at token " + std::to_string(i);
    return false;
  }
  bool more() const { return i < t.size(); }

  bool expr(int depth = 0) {
    if (depth > 2000) return fail("expression too deep");
    if (!more()) return fail("expression ends early");
    const std::string &x = t[i++];
    if (x == "->") {
      if (!expr(depth + 1)) return false;
      if (!more() || !ic_check_signature(t[i])) return fail("conversion without type");
      i++;
      return true;
    }
    if (x == ":s") {
      static const std::regex s(R"(^\d+[A-Z]*$)");
      if (!more() || !std::regex_match(t[i], s)) return fail("bad string reference");
      i++;
      return true;
    }
    if (x == "(") {
      if (!expr(depth + 1)) return false;
      if (more() && (t[i] == "(1" || t[i] == "(2" || t[i] == "(3" || t[i] == "(4")) i++;
      return expr(depth + 1);
    }
    if (is_name(x) || is_number(x) || is_float(x) || x == ".." || ic_check_signature(x)) return true;
    if (unary_ops().count(x)) return expr(depth + 1);
    if (binary_ops().count(x)) return expr(depth + 1) && expr(depth + 1);
    i--;
    return fail("unknown token \"" + x + "\"");
  }
};

bool expression_tokens(const std::vector<std::string> &t, size_t from, size_t to, std::string &why) {
  std::vector<std::string> part(t.begin() + (long)from, t.begin() + (long)to);
  parser p{part, 0, ""};
  if (!p.expr()) {
    why = p.error;
    return false;
  }
  if (p.i != part.size()) {
    why = "tokens left after an expression";
    return false;
  }
  return true;
}

// Length (in tokens) of the expression starting at `from`, or 0.
size_t expression_length(const std::vector<std::string> &t, size_t from) {
  std::vector<std::string> part(t.begin() + (long)from, t.end());
  parser p{part, 0, ""};
  return p.expr() ? p.i : 0;
}

bool class_field(const std::string &c) {
  static const std::regex cls(R"(^[aeprstAEPRST]\d*f?\d*v?(@(\d+|(_[A-Za-z0-9_]+|F\d+)\+\d+))?(`[^`]+)*$)");
  if (!std::regex_match(c, cls)) return false;
  for (size_t p = c.find('`'); p != std::string::npos;) {
    size_t q = c.find('`', p + 1);
    if (!ic_check_signature(c.substr(p, q == std::string::npos ? std::string::npos : q - p))) return false;
    p = q;
  }
  return true;
}

struct checker {
  std::vector<std::string> findings;
  int depth = 0;
  bool strings = false;

  void find(size_t line, const std::string &why) {
    findings.push_back("line " + std::to_string(line + 1) + ": " + why);
  }

  void symbol(size_t n, const std::vector<std::string> &t) {
    if (t.size() < 6 || t.back() != "]") return find(n, "short [v record");
    if (!is_name(t[1])) return find(n, "bad name in [v");
    if (!ic_check_signature(t[2])) return find(n, "bad signature in [v");
    size_t len = expression_length(t, 3);
    if (!len) return find(n, "bad dimension in [v");
    size_t c = 3 + len;
    if (c >= t.size() - 1 || !class_field(t[c])) return find(n, "bad class field in [v");
    size_t end = c + 1;
    if (end < t.size() - 1) {
      if (!(t[1][0] == 'F' && end == t.size() - 2)) return find(n, "extra words in [v");
    }
  }

  void aggregate(size_t n, const std::vector<std::string> &t) {
    static const std::regex tag(R"(^S\d+$)");
    if (t.size() < 3 || !std::regex_match(t[1], tag) || t.back() != "]") return find(n, "bad structure record");
    size_t i = 2;
    while (i < t.size() - 1) {
      if (t[i][0] == ':') {
        if (!all_digits(t[i], 1)) return find(n, "bad bit-field width");
        i++;
      }
      if (i >= t.size() - 1 || !ic_check_signature(t[i])) return find(n, "bad member signature");
      size_t len = expression_length(t, i + 1);
      if (!len) return find(n, "bad member dimension");
      i += 1 + len;
    }
  }

  void names(size_t n, const std::vector<std::string> &t) {
    static const std::regex tag(R"(^[SE]\d+$)");
    if (t.size() < 4 || !std::regex_match(t[1], tag) || t.back() != "]") find(n, "bad names record");
  }

  void enumeration(size_t n, const std::vector<std::string> &t) {
    static const std::regex tag(R"(^E\d+$)");
    if (t.size() < 4 || !std::regex_match(t[1], tag) || t[t.size() - 2] != ".." || t.back() != "]")
      return find(n, "bad enumeration record");
    for (size_t i = 2; i + 2 < t.size(); i++)
      if (!is_number(t[i])) return find(n, "bad enumeration value");
  }

  void directive(size_t n, const std::string &line) {
    static const std::regex p(R"(^\[p ([abcefgiklnoprsuvwy]\S*|mainexit)( .*)? \]$)");
    if (!std::regex_match(line, p)) find(n, "bad directive");
  }

  void statement(size_t n, const std::vector<std::string> &t) {
    if (depth <= 0) find(n, "[e outside a function");
    if (t.size() < 3 || t.back() != "]") return find(n, "[e without closing bracket");
    std::string why;
    if (t[1] == ":U" || t[1] == ":UE") {
      if (t.size() != 4 || !(all_digits(t[2]) || (t[1] == ":U" && is_name(t[2]))))
        find(n, "bad label record");
      return;
    }
    if (t[1] == "[\\") {
      size_t len = expression_length(t, 2);
      if (!len) return find(n, "bad switch expression");
      size_t i = 2 + len;
      while (i + 1 < t.size() && t[i] == "," && t[i + 1] == "$") {
        size_t l = expression_length(t, i + 2);
        if (!l) return find(n, "bad case value");
        i += 2 + l;
        if (i >= t.size() || !all_digits(t[i])) return find(n, "case without label");
        i++;
      }
      if (i + 2 != t.size() || !all_digits(t[i])) find(n, "bad switch default");
      return;
    }
    if (!expression_tokens(t, 1, t.size() - 1, why)) find(n, "bad expression: " + why);
  }

  void string_record(size_t n, const std::vector<std::string> &t) {
    static const std::regex head(R"(^\d+[A-Z]*$)");
    if (t.size() < 3 || !std::regex_match(t[1], head) || t.back() != "]") return find(n, "bad string record");
    for (size_t i = 2; i + 1 < t.size(); i++)
      if (!all_digits(t[i]) || std::stoi(t[i]) > 255) return find(n, "bad string byte");
  }

  void run(const std::string &text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);) lines.push_back(l);
    if (!text.empty() && text.back() != '\n') find(lines.size() - 1, "file does not end with a newline");
    if (lines.empty() || lines[0] != "Version 3.2 Quenlor Software Intermediate Code")
      return find(0, "bad version line");
    bool in_function = false;
    for (size_t n = 1; n < lines.size(); n++) {
      const std::string &line = lines[n];
      std::vector<std::string> t = split(line);
      if (strings && line.compare(0, 3, "[a ") != 0) {
        find(n, "record after the string records");
        continue;
      }
      if (line.empty()) {
        find(n, "empty line");
      } else if (line[0] == '"') {
        static const std::regex marker(R"(^"\d+( \S.*)?$)");
        if (!std::regex_match(line, marker)) find(n, "bad line record");
      } else if (line == "{") {
        depth++;
      } else if (line == "}") {
        if (--depth < 0) find(n, "unbalanced }");
        if (depth == 0) in_function = false;
      } else if (line.compare(0, 3, "[v ") == 0) {
        symbol(n, t);
      } else if (line.compare(0, 3, "[s ") == 0 || line.compare(0, 3, "[u ") == 0) {
        aggregate(n, t);
      } else if (line.compare(0, 3, "[n ") == 0) {
        names(n, t);
      } else if (line.compare(0, 3, "[c ") == 0) {
        enumeration(n, t);
      } else if (line.compare(0, 3, "[p ") == 0) {
        directive(n, line);
      } else if (line == "[f ]") {
        if (depth <= 0) find(n, "[f outside a function");
        if (in_function) find(n, "second [f in a function");
        in_function = true;
      } else if (line.compare(0, 3, "[e ") == 0) {
        std::string record = line;
        while ((record.size() < 2 || record.compare(record.size() - 2, 2, " ]") != 0) && n + 1 < lines.size())
          record += "\n" + lines[++n];
        statement(n, split(record));
      } else if (line.compare(0, 3, "[i ") == 0) {
        if (t.size() != 2 || !is_name(t[1])) find(n, "bad [i head");
        int level = 0;
        bool closed = false;
        while (n + 1 < lines.size()) {
          const std::string &l = lines[++n];
          if (l == "]") {
            closed = true;
            break;
          }
          if (l == ":U ..") level++;
          else if (l == "..") {
            if (--level < 0) find(n, "unbalanced .. in [i");
          } else {
            std::string why;
            std::vector<std::string> et = split(l);
            if (et.empty() || !expression_tokens(et, 0, et.size(), why)) find(n, "bad initialiser element: " + why);
          }
        }
        if (!closed) find(n, "[i without closing ]");
        if (level != 0) find(n, "unbalanced :U in [i");
      } else if (line.compare(0, 3, "[; ") == 0) {
        static const std::regex comment(R"(^\[; ;[^:]*: \d+: .*$)");
        bool asm_line = line.size() >= 6 && line.compare(line.size() - 3, 3, " ;#") == 0;
        if (!asm_line && !std::regex_match(line, comment)) find(n, "bad [; line");
      } else if (line.compare(0, 3, "[a ") == 0) {
        strings = true;
        string_record(n, t);
      } else {
        find(n, "unknown record \"" + line.substr(0, 20) + "\"");
      }
    }
    if (depth != 0) find(lines.size(), "scopes not balanced");
  }
};

}  // namespace

bool ic_check_signature(const std::string &token) {
  if (token.size() < 2 || token[0] != '`') return false;
  size_t p = 1;
  return signature_part(token, p, 0) && p == token.size();
}

bool ic_check_expression(const std::string &text) {
  std::vector<std::string> t = split(text);
  std::string why;
  return !t.empty() && expression_tokens(t, 0, t.size(), why);
}

std::vector<std::string> ic_check(const std::string &text) {
  checker c;
  c.run(text);
  return c.findings;
}
