#include "parser/pragmas.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>
#include <strings.h>
#include <vector>

#include "common/alert.h"
#include "common/alloc.h"
#include "common/hash.h"
#include "parser/declarations.h"
#include "parser/icwriter.h"
#include "parser/lexer.h"
#include "parser/symbols.h"
#include "parser/types.h"

bool pragma_regarg = true;
uint32_t pragma_string_quals;
bool pragma_abs_active;
uint32_t pragma_abs_address;

namespace {

struct attribute {
  char *name;
  uint8_t fastcall;
  uint8_t ioport;
  uint8_t handler;
  uint32_t number;
};

hash_table *attributes;

uint32_t attribute_hash(const void *key) {
  uint32_t h = 0;
  const char *p = (const char *)key;
  for (;; p++) {
    h = 2 * h + (uint32_t)(int32_t)(signed char)*p;
    if (!*p) break;
  }
  return h;
}

attribute *attribute_for(const std::string &name) {
  if (!attributes) attributes = hash_new(100, attribute_hash, hash_string_equal);
  auto *a = (attribute *)hash_lookup(attributes, name.c_str());
  if (!a) {
    a = (attribute *)xalloc(sizeof(attribute));
    a->name = str_dup(name.c_str());
    hash_insert(attributes, a->name, a);
  }
  return a;
}

// Word reader over the pragma text.
struct words {
  const char *p;
  const char *separators;

  std::string next(const char *seps = nullptr) {
    const char *s = seps ? seps : separators;
    while (*p && strchr(s, *p)) p++;
    std::string w;
    while (*p && !strchr(s, *p)) w += *p++;
    return w;
  }
  // The text after the separator following the last word.
  const char *rest() const {
    const char *r = p;
    if (*r) r++;
    return r;
  }
  bool at_end() const {
    const char *r = p;
    while (*r && strchr(separators, *r)) r++;
    return !*r;
  }
};

const char kSeps[] = " ,\r\t()";
const char kFirstSeps[] = " ,\r\t():";

bool is_number(const std::string &w) {
  if (w.empty()) return false;
  char *end;
  unsigned long v = strtoul(w.c_str(), &end, 10);
  return !*end && v != 0;
}

symbol *declared_function(const std::string &name) {
  symbol *s = sym_find_or_add(name.c_str());
  if (!s || s->cls == SC_NONE || type_strip(s->type).kind != TK_FUNCTION) {
    msg(254, "function", name.c_str());
    return nullptr;
  }
  return s;
}

void warning_pragma(words &w) {
  std::string sub = w.next(kSeps);
  std::vector<unsigned> numbers;
  {
    words n{w.p, kSeps};
    for (std::string x = n.next(); !x.empty(); x = n.next()) {
      if (!is_number(x)) break;
      numbers.push_back((unsigned)strtoul(x.c_str(), nullptr, 10));
    }
  }
  std::string text = w.p;
  while (!text.empty() && strchr(kSeps, text.front())) text.erase(0, 1);
  const char *s = sub.c_str();
  if (!strcasecmp(s, "push")) {
    msg_disable_op(0, MSG_DISABLE_PUSH);
    ic_directive(IC_BODY, "k");
  } else if (!strcasecmp(s, "pop")) {
    msg_disable_op(0, MSG_DISABLE_POP);
    ic_directive(IC_BODY, "o");
  } else if (!strcasecmp(s, "disable")) {
    if (numbers.empty()) {
      msg_disable_op(0, MSG_DISABLE_ALL_WARNINGS);
      ic_directive(IC_BODY, "n");
    } else {
      ic_directive(IC_BODY, "n %s", text.c_str());
      for (unsigned n : numbers) msg_disable_op(n, MSG_DISABLE_HIDE);
    }
  } else if (!strcasecmp(s, "enable")) {
    if (numbers.empty()) {
      msg_disable_op(0, MSG_DISABLE_CLEAR);
      ic_directive(IC_BODY, "y");
    } else {
      ic_directive(IC_BODY, "y %s", text.c_str());
      for (unsigned n : numbers) msg_disable_op(n, MSG_DISABLE_NONE);
    }
  } else if (!strcasecmp(s, "error")) {
    if (!numbers.empty()) {
      ic_directive(IC_BODY, "e %s", text.c_str());
      for (unsigned n : numbers) msg_disable_op(n, MSG_DISABLE_TO_ERROR);
    }
  } else if (!strcasecmp(s, "warning")) {
    if (!numbers.empty()) {
      ic_directive(IC_BODY, "g %s", text.c_str());
      for (unsigned n : numbers) msg_disable_op(n, MSG_DISABLE_TO_WARNING);
    }
  } else {
    msg(335, sub.c_str());
  }
}

// "regsused", "callname", "callsizes": a head record naming a function.
void function_list_pragma(words &w, char letter, const char *joiner, unsigned missing) {
  std::string name = w.next();
  if (name.empty()) {
    msg(missing);
    return;
  }
  symbol *fn = declared_function(name);
  if (!fn) return;
  if (!(fn->flags & SF_WRITTEN)) ic_symbol(fn, IC_HEAD);
  std::string text = std::string(1, letter) + " _" + name + " ";
  bool first = true;
  for (std::string x = w.next(); !x.empty(); x = w.next()) {
    std::string piece = (first ? "" : joiner) + x;
    if (text.size() + piece.size() >= 254) break;
    text += piece;
    first = false;
  }
  ic_directive(IC_HEAD, "%s", text.c_str());
}

// "config NAME=VALUE, ...": each setting becomes an absolute symbol of the
// file-scope assembly, "__cfg$NAME$VALUE"; the driver checks the names
// against the chip and builds the configuration words from them at the final
// link. The symbols are "SET", so a setting that two files (or one file twice)
// name is no second definition.
void config_pragma(const char *p) {
  std::string text;
  auto setting = [&](const std::string &s) {
    std::string name, value;
    size_t eq = s.find('=');
    bool good = eq != std::string::npos;
    for (size_t k = 0; k < s.size() && good; k++) {
      char c = (char)toupper((unsigned char)s[k]);
      if (isspace((unsigned char)c) || k == eq) continue;
      good = isalnum((unsigned char)c) || c == '_';
      (k < eq ? name : value) += c;
    }
    if (!good || name.empty() || value.empty()) {
      msg(1359, s.c_str());
      return;
    }
    std::string symbol = "__cfg$" + name + "$" + value;
    text += "\tGLOBAL\t" + symbol + "\n" + symbol + "\tSET\t1\n";
  };
  std::string item;
  for (;; p++) {
    if (*p == ',' || !*p) {
      size_t b = item.find_first_not_of(" \t\r");
      setting(b == std::string::npos ? std::string() : item.substr(b, item.find_last_not_of(" \t\r") + 1 - b));
      item.clear();
      if (!*p) break;
    } else {
      item += *p;
    }
  }
  if (!text.empty()) ic_asm(text.data(), text.size());
}

void abs_address_pragma(const char *p) {
  while (*p && (isspace((unsigned char)*p) || *p == ':')) p++;
  char *end;
  unsigned long v = strtoul(p, &end, 0);
  if (end == p) {
    msg(236);
    return;
  }
  pragma_abs_active = true;
  pragma_abs_address = (uint32_t)v;
  while (*end && isspace((unsigned char)*end)) end++;
  if (*end) msg(1345, end);
}

// One pragma word and its arguments; false when the line ends here.
bool pragma_word(words &w, const std::string &word) {
  const char *c = word.c_str();
  if (fastcall_mode) {
    if (!strcasecmp(c, "fastcall16")) {
      std::string name = w.next();
      if (name.empty()) return false;
      attribute_for(name)->fastcall = 1;
      symbol *s = sym_lookup(name.c_str());
      if (s && s->cls != SC_NONE) pragma_apply(s);
      return false;
    }
    if (!strcasecmp(c, "ioport")) {
      std::string name = w.next();
      if (name.empty()) return false;
      attribute *a = attribute_for(name);
      a->ioport = 1;
      std::string addr = w.next();
      if (!addr.empty()) a->number = (uint32_t)strtoul(addr.c_str(), nullptr, 0);
      return false;
    }
    if (!strcasecmp(c, "interrupt_handler")) {
      std::string name = w.next();
      if (name.empty()) return false;
      attribute *a = attribute_for(name);
      a->handler = 1;
      std::string num = w.next();
      if (!num.empty()) a->number = (uint32_t)strtoul(num.c_str(), nullptr, 0);
      symbol *s = sym_lookup(name.c_str());
      if (s && s->cls != SC_NONE) pragma_apply(s);
      return false;
    }
    if (!strcasecmp(c, "abs_address")) {
      abs_address_pragma(w.p);
      return false;
    }
    if (!strcasecmp(c, "end_abs_address")) {
      pragma_abs_active = false;
      return true;
    }
  }
  if (!strcasecmp(c, "warning")) {
    warning_pragma(w);
    return false;
  }
  if (word == "config") {
    config_pragma(w.p);
    return false;
  }
  if (word == "pack" || word == "return_offset") {
    std::string n = w.next();
    if (n.empty() || !isdigit((unsigned char)n[0])) msg(word == "pack" ? 212 : 213);
    else ic_directive(IC_BODY, word == "pack" ? "p %d" : "r %d", atoi(n.c_str()));
    return true;
  }
  if (word == "interrupt_level") {
    bool any = false;
    for (;;) {
      const char *save = w.p;
      std::string n = w.next();
      if (n.empty() || !isdigit((unsigned char)n[0])) {
        w.p = save;
        break;
      }
      int level = atoi(n.c_str());
      if (level > 7) msg(332, level);
      ic_directive(IC_BODY, "l %d", level);
      any = true;
    }
    if (!any) msg(214);
    return true;
  }
  if (word == "regarg") {
    pragma_regarg = true;
    return true;
  }
  if (word == "noregarg") {
    pragma_regarg = false;
    return true;
  }
  if (word == "jis") {
    lex_two_byte = true;
    return true;
  }
  if (word == "nojis") {
    lex_two_byte = false;
    return true;
  }
  if (word == "strings") {
    std::string q = w.next();
    if (q.empty()) {
      pragma_string_quals = 0;
    } else {
      uint32_t bits = qual_lookup(q.c_str());
      if (!bits) msg(333, q.c_str());
      pragma_string_quals |= bits;
    }
    return true;
  }
  if (word == "regsused") {
    function_list_pragma(w, 'u', ",", 215);
    return false;
  }
  if (word == "callname") {
    function_list_pragma(w, 'c', " ", 215);
    return false;
  }
  if (word == "callsizes") {
    function_list_pragma(w, 'a', " ", 215);
    return false;
  }
  if (word == "varregs") {
    std::string text = "v";
    bool first = true;
    for (std::string x = w.next(" \r\t"); !x.empty(); x = w.next(" \r\t")) {
      text += first ? " " : ",";
      text += x;
      first = false;
    }
    if (first) text += " ,";
    ic_directive(IC_BODY, "%s", text.c_str());
    return false;
  }
  if (word == "switch") {
    std::string s = w.next();
    if (s.empty()) msg(215);
    else ic_directive(IC_BODY, "w %s", s.c_str());
    return true;
  }
  if (word == "text" || word == "psect") {
    std::string n = w.next();
    if (n.empty()) msg(216);
    else if (word == "text") ic_directive(IC_HEAD, "s text=%s", n.c_str());
    else ic_directive(IC_BODY, "s %s", n.c_str());
    return true;
  }
  if (word == "stack_size") {
    // A stack's name and its size travel as one word, as the code generator
    // reads them.
    std::string n = w.next();
    std::string size = n.empty() || isdigit((unsigned char)n[0]) ? "" : w.next();
    if (n.empty()) msg(217);
    else if (size.empty()) ic_directive(IC_HEAD, "b %s", n.c_str());
    else ic_directive(IC_HEAD, "b %s,%s", n.c_str(), size.c_str());
    return true;
  }
  if (word == "inline") {
    std::string n = w.next();
    if (n.empty()) {
      msg(218);
      return true;
    }
    symbol *s = sym_find_or_add(n.c_str());
    if (s) s->flags |= SF_INLINE;
    return true;
  }
  if (word == "printf_check") {
    std::string n = w.next();
    if (n.empty()) {
      msg(219);
      return true;
    }
    symbol *s = sym_find_or_add(n.c_str());
    const char *save = w.p;
    std::string q = w.next();
    uint32_t bits = 0;
    if (!q.empty()) {
      bits = qual_lookup(q.c_str());
      if (!bits) msg(334, q.c_str());
    } else {
      w.p = save;
    }
    if (s) {
      s->flags |= SF_PRINTF;
      s->format_quals |= bits;
    }
    return true;
  }
  msg(335, word.c_str());
  return false;
}

}  // namespace

void pragma_line(const char *text) {
  words w{text, kSeps};
  for (;;) {
    std::string word = w.next(kFirstSeps);
    if (word.empty()) return;
    if (!pragma_word(w, word)) return;
  }
}

void pragma_apply(symbol *s) {
  if (!attributes || !s || !s->name[0]) return;
  auto *a = (attribute *)hash_lookup(attributes, s->name);
  if (!a) return;
  bool is_function = type_strip(s->type).kind == TK_FUNCTION;
  if (a->fastcall && is_function && qual_roles[ROLE_FASTCALL] && !(s->type.quals & qual_roles[ROLE_FASTCALL]))
    s->type = decl_qualify_function(s->type, qual_roles[ROLE_FASTCALL]);
  if (a->handler && is_function) {
    uint32_t intr = qual_roles[ROLE_INTERRUPT];
    if (intr && !(s->type.quals & intr)) s->type = decl_qualify_function(s->type, intr);
    if (a->number) {
      s->flags |= SF_ABSOLUTE;
      s->address = a->number;
    }
  }
  if (a->ioport) {
    uint32_t io = qual_lookup("__ioport");
    if (io && !(s->type.quals & io)) s->type.quals |= io;
    s->flags |= SF_ABSOLUTE;
    s->address = a->number;
  }
}
