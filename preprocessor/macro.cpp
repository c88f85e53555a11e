#include "preprocessor/macro.h"

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <utility>

#include "common/alert.h"
#include "common/alloc.h"
#include "common/osdep.h"
#include "preprocessor/output.h"

int pp_ident_limit = 31;
bool pp_line_bounded;
pp_ident_buf pp_id;

namespace {

constexpr int TABLE_SIZE = 64;
constexpr int MAX_DEPTH = 999;
constexpr size_t ARGUMENT_AREA = 65536;  // characters of one call's arguments
constexpr size_t BODY_AREA = 32768;      // characters of a body being defined
constexpr size_t EXPANSION_AREA = 8192;  // characters a body may grow to
constexpr size_t PASTE_MAX = 32767;

pp_macro *table[TABLE_SIZE];

size_t significant(size_t len) {
  return len < size_t(pp_ident_limit) ? len : size_t(pp_ident_limit);
}

int32_t name_hash(const wch *name, size_t len) {
  int32_t h = int32_t(len);
  for (size_t k = 0; k < len; k++) h += name[k];
  return h;
}

// Compares a name of n units with a terminated stored name.
int name_cmp(const wch *name, size_t n, const wch *stored) {
  for (size_t k = 0; k < n; k++) {
    if (!stored[k]) return 1;
    if (name[k] != stored[k]) return name[k] < stored[k] ? -1 : 1;
  }
  return stored[n] ? -1 : 0;
}

void macro_free(pp_macro *m) {
  xfree(m->body);
  xfree(m);
}

std::string narrow_name(const pp_macro *m) { return wide_to_narrow(m->name); }

// ---- calls ----

struct pp_call {
  wtext raw;                                     // the arguments as written
  std::vector<std::pair<uint32_t, uint32_t>> args;
  std::vector<wtext> expanded;                   // each argument expanded
  std::vector<char> have_expanded;
};
std::vector<pp_call *> call_pool;
size_t calls_in_use;

pp_call *call_acquire() {
  if (calls_in_use == call_pool.size()) call_pool.push_back(new pp_call());
  pp_call *c = call_pool[calls_in_use++];
  c->raw.clear();
  c->args.clear();
  return c;
}

void call_release() { calls_in_use--; }

bool is_space(wch c) { return c == PP_ENDEXP || pp_is_blank(c); }

const wch *skip_space(const wch *p, const wch *e) {
  while (p < e && is_space(*p)) p++;
  return p;
}

void trim_trailing_space(wtext &t, size_t floor) {
  while (t.size() > floor && is_space(t.back())) t.pop_back();
}

void put_painted(wtext &out, const wtext &name, bool painted) {
  if (painted) out.push_back(PP_NOEXPAND);
  out.insert(out.end(), name.begin(), name.end());
}

// Looks for the "(" of a call after the name of a function-like macro.
// Without one, what was read stands again as it was: a newline, a blank and
// the character that followed.
bool find_lparen() {
  bool saved = rd.stop_at_file_end;
  rd.stop_at_file_end = true;
  bool newline = false, blank = false, edge = false;
  wch c;
  for (;;) {
    c = pp_getc();
    if (c == '(') break;
    if (c == '\n') {
      if (pp_line_bounded) break;
      newline = true;
      blank = false;
      out.marker_pending = true;
      continue;
    }
    if (pp_is_blank(c)) {
      blank = true;
      continue;
    }
    if (c == PP_ENDEXP) {
      edge = true;
      continue;
    }
    break;  // another character: a directive line ends the search too
  }
  rd.stop_at_file_end = saved;
  if (c == '(') return true;
  if (c) pp_ungetc();
  wch back[3];
  size_t n = 0;
  if (newline) back[n++] = '\n';
  if (blank) back[n++] = ' ';
  else if (edge) back[n++] = PP_ENDEXP;
  if (n) rd_push_copy(back, n);
  return false;
}

// Collects the arguments of a call, "(" already read: each as written, white
// space reduced to single blanks and cut at both ends. Names of macros being
// expanded are marked so that they never expand later.
bool collect_args(pp_macro *m, pp_call *call, int start_line) {
  bool saved = rd.stop_at_file_end;
  rd.stop_at_file_end = true;
  wtext &raw = call->raw;
  size_t arg_start = 0;
  int depth = 0;
  bool blank = false, too_many = false, full = false, ok = true;
  for (;;) {
    wch c = pp_getc();
    if (c == 0 || (c == '\n' && pp_line_bounded)) {
      if (c) pp_ungetc();
      msg(116, narrow_name(m).c_str(), start_line);
      ok = false;
      break;
    }
    if (c == '\n' || pp_is_blank(c)) {
      if (c == '\n') out.marker_pending = true;
      blank = raw.size() > arg_start;
      continue;
    }
    if (c == PP_ENDEXP) {
      if (raw.size() > arg_start && raw.back() != PP_ENDEXP) raw.push_back(c);
      continue;
    }
    if (depth == 0 && (c == ',' || c == ')')) {
      trim_trailing_space(raw, arg_start);
      call->args.emplace_back(uint32_t(arg_start), uint32_t(raw.size()));
      blank = false;
      arg_start = raw.size();
      if (c == ')') break;
      if (call->args.size() == PP_MAX_PARAMS && !too_many) {
        msg(151, narrow_name(m).c_str());
        too_many = true;
      }
      continue;
    }
    size_t before = raw.size();
    if (blank) {
      raw.push_back(' ');
      blank = false;
    }
    if (c == '(') depth++;
    if (c == ')') depth--;
    int cls = pp_class(c);
    if (cls == CC_IDENT) {
      pp_read_ident(c);
      bool painted = pp_id.painted;
      if (!painted) {
        pp_macro *found = macro_find(pp_id.text.data(), pp_id.text.size());
        painted = found && found->active;
      }
      put_painted(raw, pp_id.text, painted);
    } else if (cls == CC_DIGIT || (c == '.' && pp_dot_starts_number())) {
      pp_copy_number(c, [&](wch k) { raw.push_back(k); });
    } else if (cls == CC_QUOTE) {
      pp_copy_literal(c, [&](wch k) { raw.push_back(k); }, false);
    } else if (c == '\\') {
      raw.push_back(c);
      wch n = pp_getc();
      if (n && n != '\n')
        raw.push_back(n);
      else if (n)
        pp_ungetc();
    } else {
      raw.push_back(c);
    }
    if (!full && raw.size() > ARGUMENT_AREA) {
      msg(149);
      full = true;
    }
    if (full) raw.resize(before);
  }
  rd.stop_at_file_end = saved;
  return ok;
}

// True when the text holds a name that expansion could change.
bool may_expand(const wch *b, const wch *e) {
  for (const wch *p = skip_space(b, e); p < e; p = skip_space(p, e)) {
    const wch *t = pp_token_end(p, e);
    if (pp_class(*p) == CC_IDENT && *p != PP_NOEXPAND && macro_find(p, size_t(t - p))) return true;
    p = t;
  }
  return false;
}

// Expands an argument on its own, as C does before substituting it: the
// expansion cannot read past the argument's end.
void expand_argument(pp_macro *m, const wch *b, const wch *e, wtext &result) {
  result.clear();
  if (!may_expand(b, e)) {
    result.assign(b, e);
    return;
  }
  pp_input *in = rd_new_text();
  in->store.assign(b, e);
  rd_push_text(in, PP_IN_ARGUMENT, nullptr);
  in->name = m->name;
  bool saved = pp_line_bounded;
  pp_line_bounded = false;
  macro_expand_to(result, false);
  pp_line_bounded = saved;
  // Whatever an error left above the argument goes with it.
  while (rd.top && rd.top != in) rd_pop();
  rd_pop();
  trim_trailing_space(result, 0);
}

// "#": the argument as written, in double quotes. Quotes and the backslashes
// of string and character constants get a backslash; as in C, a backslash
// outside them stays alone.
void stringise(wtext &out, const wch *b, const wch *e) {
  out.push_back('"');
  wch quote = 0;
  for (const wch *p = b; p < e; p++) {
    wch c = *p;
    if (pp_is_marker(c)) continue;
    if (quote) {
      if (c == '\\' && p + 1 < e) {
        out.push_back('\\');
        out.push_back('\\');
        c = *++p;
      } else if (c == quote) {
        quote = 0;
      }
    } else if (pp_class(c) == CC_QUOTE) {
      quote = c;
    }
    if (c == '"' || (c == '\\' && quote)) out.push_back('\\');
    out.push_back(c);
  }
  out.push_back('"');
}

void append_unmarked(wtext &out, const wch *b, const wch *e) {
  for (const wch *p = b; p < e; p++)
    if (*p != PP_NOEXPAND) out.push_back(*p);
}

// "##": joins the last token of out (at or after seg) with the first token of
// [rb, re) and appends the rest. An operand that is empty leaves the other.
void paste(wtext &out, size_t &seg, const wch *rb, const wch *re) {
  trim_trailing_space(out, seg);
  size_t left = out.size();
  {
    const wch *b = out.data(), *e = b + out.size();
    for (const wch *p = skip_space(b + seg, e); p < e; p = skip_space(pp_token_end(p, e), e))
      left = size_t(p - b);
  }
  rb = skip_space(rb, re);
  if (rb == re) {
    seg = left;
    return;
  }
  const wch *rfirst = pp_token_end(rb, re);
  if (left == out.size()) {
    seg = out.size();
    out.insert(out.end(), rb, re);
    return;
  }
  wtext joined;
  append_unmarked(joined, out.data() + left, out.data() + out.size());
  size_t left_len = joined.size();
  append_unmarked(joined, rb, rfirst);
  bool one_token = pp_token_end(joined.data(), joined.data() + joined.size()) ==
                   joined.data() + joined.size();
  if (joined.size() > PASTE_MAX) {
    msg(155, wide_to_narrow(joined.data(), left_len).c_str());
    one_token = false;
  } else if (!one_token) {
    msg(169, int(*rb == PP_NOEXPAND && rb + 1 < re ? rb[1] : *rb) & 0xFF);
  }
  seg = left;
  if (one_token) {
    out.resize(left);
    out.insert(out.end(), joined.begin(), joined.end());
    out.insert(out.end(), rfirst, re);
  } else {
    out.push_back(PP_ENDEXP);
    out.insert(out.end(), rb, re);
  }
}

// The text that replaces a call: the body with each parameter replaced by its
// argument (expanded, or as written beside "#" and "##"), then every "##"
// carried out. Expansion edges are marked so that tokens stay apart.
void build_expansion(pp_macro *m, pp_call *call, wtext &out) {
  out.clear();
  size_t nargs = call ? call->args.size() : 0;
  if (call) {
    call->expanded.resize(nargs);
    call->have_expanded.assign(nargs, 0);
  }
  auto raw_arg = [&](size_t i, const wch *&b, const wch *&e) {
    if (i < nargs) {
      b = call->raw.data() + call->args[i].first;
      e = call->raw.data() + call->args[i].second;
    } else {
      b = e = nullptr;
    }
  };
  auto param_index = [&](wch c) -> long {
    long i = long(c) - PP_PARAM;
    if (i >= m->nparams) {
      msg(152, narrow_name(m).c_str());
      return -1;
    }
    return i;
  };

  size_t expanded_chars = 0;
  size_t seg = 0;
  const wch *body = m->body, *bend = m->body + m->body_len;
  for (const wch *p = body; p < bend;) {
    wch c = *p;
    if (c == PP_STRINGISE) {
      if (p + 1 < bend && pp_is_param(p[1])) {
        long i = param_index(p[1]);
        const wch *b, *e;
        raw_arg(size_t(i), b, e);
        seg = out.size();
        if (i >= 0) stringise(out, b, e);
        p += 2;
        continue;
      }
      msg(172, narrow_name(m).c_str());
      out.push_back('#');
      p++;
      continue;
    }
    if (pp_is_param(c)) {
      long i = param_index(c);
      p++;
      if (i < 0) continue;
      const wch *b, *e;
      raw_arg(size_t(i), b, e);
      if (p < bend && *p == PP_PASTE) {
        seg = out.size();
        out.insert(out.end(), b, e);
        continue;
      }
      if (size_t(i) < nargs) {
        if (!call->have_expanded[i]) {
          expand_argument(m, b, e, call->expanded[i]);
          call->have_expanded[i] = 1;
        }
        const wtext &x = call->expanded[i];
        out.push_back(PP_ENDEXP);
        out.insert(out.end(), x.begin(), x.end());
        out.push_back(PP_ENDEXP);
        expanded_chars += x.size() + 2;
      }
      seg = out.size();
      continue;
    }
    if (c == PP_PASTE) {
      p++;
      const wch *rb = nullptr, *re = nullptr;
      wtext quoted;
      if (p < bend && pp_is_param(*p)) {
        long i = param_index(*p);
        if (i >= 0) raw_arg(size_t(i), rb, re);
        p++;
      } else if (p + 1 < bend && *p == PP_STRINGISE && pp_is_param(p[1])) {
        long i = param_index(p[1]);
        const wch *b, *e;
        raw_arg(size_t(i), b, e);
        if (i >= 0) stringise(quoted, b, e);
        rb = quoted.data();
        re = rb + quoted.size();
        p += 2;
      } else if (p < bend) {
        rb = p;
        re = p = pp_token_end(p, bend);
      }
      paste(out, seg, rb, re);
      continue;
    }
    out.push_back(c);
    p++;
  }
  if (out.size() - expanded_chars >= EXPANSION_AREA) {
    msg(153, narrow_name(m).c_str());
    out.resize(EXPANSION_AREA - 1 + expanded_chars);
  }
  out.push_back(PP_ENDEXP);
}

void push_builtin_text(const std::string &text, pp_macro *m) {
  pp_input *in = rd_new_text();
  for (char ch : text) in->store.push_back(static_cast<unsigned char>(ch));
  in->store.push_back(PP_ENDEXP);
  rd_push_text(in, PP_IN_TEXT, m);
}

// Past the depth limit, the expansions under way are dropped.
bool depth_exceeded(pp_macro *m) {
  if (rd.text_depth < MAX_DEPTH) return false;
  const pp_macro *outer = m;
  for (pp_input *in = rd.top; in && in->kind == PP_IN_TEXT; in = in->below)
    if (in->macro) outer = in->macro;
  msg(115, narrow_name(m).c_str(), narrow_name(outer).c_str());
  while (rd.top && rd.top->kind == PP_IN_TEXT) rd_pop();
  return true;
}

// ---- definitions ----

struct body_reader {
  const wtext *name;
  const std::vector<wtext> *params;
  bool function_like;
};

// Reads a macro body from the current input to the end of the line: "#" and
// "##" become markers, parameters their codes, the macro's own name is marked
// never to expand, white space runs become one blank. False when the body
// does not fit.
bool read_body(const body_reader &r, wch c, wtext &body) {
  body.clear();
  while (pp_is_blank(c) || c == PP_ENDEXP) c = pp_getc();
  while (c != '\n' && c != 0) {
    if (pp_is_blank(c) || c == PP_ENDEXP) {
      if (!body.empty() && body.back() != ' ') body.push_back(' ');
      c = pp_getc();
      continue;
    }
    if (body.size() > BODY_AREA) {
      msg(156, wide_to_narrow(body.data(), 40).c_str());
      pp_skip_line_from(c);
      return false;
    }
    if (c == '#') {
      wch n = pp_getc();
      if (n == '#') {
        trim_trailing_space(body, 0);
        bool at_start = body.empty();
        body.push_back(PP_PASTE);
        c = pp_getc_nonblank();
        if (at_start || c == '\n' || c == 0) {
          wch bad = at_start ? wch('#') : c;
          if (bad >= ' ' && bad < 127)
            msg(137, int(bad));
          else
            msg(138, int(bad));
        }
        continue;
      }
      if (r.function_like) {
        if (n) pp_ungetc();
        body.push_back(PP_STRINGISE);
        c = pp_getc_nonblank();
        continue;
      }
      body.push_back('#');
      c = n;
      continue;
    }
    int cls = pp_class(c);
    if (cls == CC_IDENT) {
      pp_read_ident(c);
      const wtext &id = pp_id.text;
      long param = -1;
      for (size_t k = 0; k < r.params->size(); k++)
        if ((*r.params)[k] == id) param = long(k);
      if (param >= 0) {
        body.push_back(wch(PP_PARAM + param));
      } else {
        const wtext &own = *r.name;
        bool self = significant(id.size()) == own.size() &&
                    std::equal(own.begin(), own.end(), id.begin());
        put_painted(body, id, self || pp_id.painted);
      }
    } else if (cls == CC_DIGIT || (c == '.' && pp_dot_starts_number())) {
      pp_copy_number(c, [&](wch k) { body.push_back(k); });
    } else if (cls == CC_QUOTE) {
      if (!pp_copy_literal(c, [&](wch k) { body.push_back(k); }, false)) msg(113);
    } else if (c == '\\') {
      body.push_back(c);
      c = pp_getc();
      if (c == '\n' || c == 0) break;
      body.push_back(c);
    } else {
      body.push_back(c);
    }
    c = pp_getc();
  }
  if (body.size() > BODY_AREA) {
    msg(156, wide_to_narrow(body.data(), 40).c_str());
    return false;
  }
  trim_trailing_space(body, 0);
  return true;
}

// Installs or replaces a definition; a different redefinition is reported.
void store_definition(const wtext &name, int nparams, const wtext &body, bool report) {
  pp_macro *m = macro_find(name.data(), name.size());
  if (m && m->nparams >= PP_OBJECT_LIKE && report) {
    bool same = m->nparams == nparams && m->body_len == body.size() &&
                std::equal(body.begin(), body.end(), m->body);
    if (!same) msg(111, narrow_name(m).c_str());
  }
  if (!m) m = macro_install(name.data(), name.size());
  xfree(m->body);
  m->body = static_cast<wch *>(xalloc((body.size() + 2) * sizeof(wch)));
  std::copy(body.begin(), body.end(), m->body);
  m->body[body.size()] = PP_ENDEXP;
  m->body_len = body.size();
  m->nparams = nparams;
  m->plain = nparams == PP_OBJECT_LIKE;
  for (wch c : body)
    if (c == PP_PASTE) m->plain = false;
}

}  // namespace

void pp_set_marker_pending() { out.marker_pending = true; }

void pp_read_ident(wch c) {
  pp_id.painted = false;
  while (c == PP_NOEXPAND) {
    pp_id.painted = true;
    c = pp_getc();
  }
  wtext &t = pp_id.text;
  t.clear();
  while (pp_is_ident(c)) {
    t.push_back(c);
    c = pp_getc();
  }
  if (c) pp_ungetc();
}

bool pp_id_is(const char *word) {
  size_t n = strlen(word);
  if (pp_id.text.size() != n) return false;
  for (size_t k = 0; k < n; k++)
    if (pp_id.text[k] != static_cast<unsigned char>(word[k])) return false;
  return true;
}

const wch *pp_token_end(const wch *p, const wch *end) {
  if (p >= end) return end;
  wch c = *p;
  int cls = pp_class(c);
  if (cls == CC_IDENT) {
    while (p < end && *p == PP_NOEXPAND) p++;
    while (p < end && pp_is_ident(*p)) p++;
    return p;
  }
  if (cls == CC_DIGIT || (c == '.' && p + 1 < end && pp_class(p[1]) == CC_DIGIT)) {
    wch prev = 0;
    while (p < end && (pp_is_ident(*p) || *p == '.' ||
                       ((*p == '+' || *p == '-') && (prev == 'e' || prev == 'E'))))
      prev = *p++;
    return p;
  }
  if (cls == CC_QUOTE) {
    for (p++; p < end; p++) {
      if (*p == '\\' && p + 1 < end) {
        p++;
        continue;
      }
      if (*p == c) return p + 1;
    }
    return end;
  }
  static const char *const punct3[] = {"...", "<<=", ">>="};
  static const char *const punct2[] = {"->", "++", "--", "<<", ">>", "<=", ">=", "==", "!=", "&&",
                                       "||", "*=", "/=", "%=", "+=", "-=", "&=", "^=", "|=", "##"};
  if (end - p >= 3)
    for (const char *t : punct3)
      if (p[0] == wch(t[0]) && p[1] == wch(t[1]) && p[2] == wch(t[2])) return p + 3;
  if (end - p >= 2)
    for (const char *t : punct2)
      if (p[0] == wch(t[0]) && p[1] == wch(t[1])) return p + 2;
  return p + 1;
}

pp_macro *macro_find(const wch *name, size_t len) {
  len = significant(len);
  int32_t h = name_hash(name, len);
  for (pp_macro *m = table[h & (TABLE_SIZE - 1)]; m; m = m->next) {
    if (m->hash < h) continue;
    if (m->hash > h) return nullptr;
    int cmp = name_cmp(name, len, m->name);
    if (cmp == 0) return m;
    if (cmp < 0) return nullptr;
  }
  return nullptr;
}

pp_macro *macro_install(const wch *name, size_t len) {
  macro_remove(name, len);
  len = significant(len);
  pp_macro *m = static_cast<pp_macro *>(xalloc(sizeof(pp_macro) + len * sizeof(wch)));
  std::copy(name, name + len, m->name);
  m->name[len] = 0;
  m->hash = name_hash(name, len);
  pp_macro **link = &table[m->hash & (TABLE_SIZE - 1)];
  while (*link && ((*link)->hash < m->hash ||
                   ((*link)->hash == m->hash && name_cmp(name, len, (*link)->name) > 0)))
    link = &(*link)->next;
  m->next = *link;
  *link = m;
  return m;
}

bool macro_remove(const wch *name, size_t len) {
  len = significant(len);
  int32_t h = name_hash(name, len);
  for (pp_macro **link = &table[h & (TABLE_SIZE - 1)]; *link; link = &(*link)->next) {
    pp_macro *m = *link;
    if (m->hash == h && name_cmp(name, len, m->name) == 0) {
      *link = m->next;
      macro_free(m);
      return true;
    }
  }
  return false;
}

void macro_clear_all() {
  for (pp_macro *&head : table)
    while (head) {
      pp_macro *m = head;
      head = m->next;
      macro_free(m);
    }
  for (pp_call *c : call_pool) delete c;
  call_pool.clear();
  calls_in_use = 0;
}

void macro_predefine() {
  auto define_text = [](const char *name, const std::string &text) {
    wtext n = narrow_to_wide(name);
    n.pop_back();
    wtext body;
    for (char ch : text) body.push_back(static_cast<unsigned char>(ch));
    store_definition(n, PP_OBJECT_LIKE, body, false);
  };
  define_text("__STDC__", "1");
  wtext line = narrow_to_wide("__LINE__"), file = narrow_to_wide("__FILE__");
  macro_install(line.data(), line.size() - 1)->nparams = PP_BUILTIN_LINE;
  macro_install(file.data(), file.size() - 1)->nparams = PP_BUILTIN_FILE;
  time_t now = os_time(nullptr);
  const char *stamp = ctime(&now);  // "Www Mmm dd hh:mm:ss yyyy\n"
  std::string s = stamp ? stamp : "Thu Jan  1 00:00:00 1970\n";
  define_text("__DATE__", "\"" + s.substr(4, 7) + s.substr(20, 4) + "\"");
  define_text("__TIME__", "\"" + s.substr(11, 8) + "\"");
}

void macro_define() {
  wch c = pp_getc_nonblank();
  if (pp_class(c) != CC_IDENT || c == PP_NOEXPAND) {
    msg(112);
    pp_skip_line_from(c);
    return;
  }
  pp_read_ident(c);
  wtext name(pp_id.text.begin(), pp_id.text.begin() + long(significant(pp_id.text.size())));
  std::vector<wtext> params;
  int nparams = PP_OBJECT_LIKE;
  c = pp_getc();
  if (c == '(') {
    nparams = 0;
    c = pp_getc_nonblank();
    if (c != ')') {
      for (;;) {
        if (pp_class(c) != CC_IDENT || c == PP_NOEXPAND) {
          msg(112);
          pp_skip_line_from(c);
          return;
        }
        pp_read_ident(c);
        for (const wtext &p : params)
          if (p == pp_id.text) {
            msg(112);
            pp_skip_line();
            return;
          }
        if (params.size() == PP_MAX_PARAMS) {
          msg(148, wide_to_narrow(name.data(), name.size()).c_str());
          pp_skip_line();
          return;
        }
        params.push_back(pp_id.text);
        c = pp_getc_nonblank();
        if (c == ')') break;
        if (c != ',') {
          msg(112);
          pp_skip_line_from(c);
          return;
        }
        c = pp_getc_nonblank();
      }
    }
    nparams = int(params.size());
    c = pp_getc();
  }
  body_reader r = {&name, &params, nparams >= 0};
  wtext body;
  if (!read_body(r, c, body)) return;
  store_definition(name, nparams, body, true);
}

void macro_undef() {
  wch c = pp_getc_nonblank();
  if (pp_class(c) != CC_IDENT || c == PP_NOEXPAND) {
    msg(114);
    pp_skip_line_from(c);
    return;
  }
  pp_read_ident(c);
  macro_remove(pp_id.text.data(), pp_id.text.size());
  pp_end_of_directive();
}

void macro_define_option(const char *text) {
  const char *eq = strchr(text, '=');
  std::string name = eq ? std::string(text, size_t(eq - text)) : std::string(text);
  wtext wname = narrow_to_wide(name.c_str());
  wname.pop_back();
  wname.resize(significant(wname.size()));
  // The value reads as the body of a #define line would.
  pp_input *in = rd_new_text();
  for (const char *p = eq ? eq + 1 : "1"; *p; p++) in->store.push_back(static_cast<unsigned char>(*p));
  rd_push_text(in, PP_IN_ARGUMENT, nullptr);
  std::vector<wtext> none;
  body_reader r = {&wname, &none, false};
  wtext body;
  bool ok = read_body(r, pp_getc(), body);
  while (rd.top && rd.top != in) rd_pop();
  rd_pop();
  if (ok) store_definition(wname, PP_OBJECT_LIKE, body, false);
}

void macro_undef_option(const char *name) {
  wtext w = narrow_to_wide(name);
  if (!macro_remove(w.data(), w.size() - 1)) msg(177, name);
}

macro_result macro_expand(pp_macro *m) {
  if (depth_exceeded(m)) return MACRO_NOT_EXPANDED;
  if (m->nparams == PP_BUILTIN_LINE) {
    push_builtin_text(std::to_string(rd.line), m);
    return MACRO_EXPANDED;
  }
  if (m->nparams == PP_BUILTIN_FILE) {
    pp_input *file = rd_file();
    if (!file) return MACRO_DROPPED;
    std::string quoted = "\"";
    for (wch c : rd_shown_name(file)) {
      if (!c) break;
      if (c == '\\') quoted += '\\';
      quoted += char(c);
    }
    push_builtin_text(quoted + "\"", m);
    return MACRO_EXPANDED;
  }
  if (m->nparams == PP_OBJECT_LIKE) {
    if (m->plain) {
      rd_push_borrowed(m->body, m);
      return MACRO_EXPANDED;
    }
    pp_input *in = rd_new_text();
    build_expansion(m, nullptr, in->store);
    rd_push_text(in, PP_IN_TEXT, m);
    return MACRO_EXPANDED;
  }

  int start_line = rd.line;
  if (!find_lparen()) return MACRO_NOT_EXPANDED;
  pp_call *call = call_acquire();
  if (!collect_args(m, call, start_line)) {
    call_release();
    return MACRO_DROPPED;
  }
  // "()" gives one empty argument, which only a one-parameter macro takes.
  if (call->args.size() == 1 && call->args[0].first == call->args[0].second && m->nparams != 1)
    call->args.clear();
  if (call->args.size() != size_t(m->nparams))
    msg(171, narrow_name(m).c_str(), int(call->args.size()), int(m->nparams));
  pp_input *in = rd_new_text();
  build_expansion(m, call, in->store);
  call_release();
  rd_push_text(in, PP_IN_TEXT, m);
  return MACRO_EXPANDED;
}

void macro_expand_to(wtext &out_text, bool if_mode) {
  bool blank = false;
  int defined_state = 0;  // 1 after "defined", 2 after "defined ("
  for (;;) {
    wch c = pp_getc();
    if (c == 0) break;
    if (c == '\n') {
      if (pp_line_bounded) break;
      c = ' ';
    }
    if (pp_is_blank(c)) {
      blank = !out_text.empty();
      continue;
    }
    if (c == PP_ENDEXP) {
      out_text.push_back(c);
      continue;
    }
    if (blank) {
      out_text.push_back(' ');
      blank = false;
    }
    int cls = pp_class(c);
    if (cls == CC_IDENT) {
      pp_read_ident(c);
      bool painted = pp_id.painted;
      if (defined_state) {
        defined_state = 0;
        put_painted(out_text, pp_id.text, painted);
        continue;
      }
      if (!painted) {
        if (pp_macro *m = macro_find(pp_id.text.data(), pp_id.text.size())) {
          if (m->active) {
            painted = true;
          } else {
            macro_result r = macro_expand(m);
            if (r == MACRO_EXPANDED) {
              out_text.push_back(PP_ENDEXP);
              continue;
            }
            if (r == MACRO_DROPPED) continue;
          }
        }
      }
      put_painted(out_text, pp_id.text, painted);
      if (if_mode && !painted && pp_id_is("defined")) defined_state = 1;
      continue;
    }
    if (defined_state == 1 && c == '(') {
      out_text.push_back(c);
      defined_state = 2;
      continue;
    }
    defined_state = 0;
    if (cls == CC_DIGIT || (c == '.' && pp_dot_starts_number()))
      pp_copy_number(c, [&](wch k) { out_text.push_back(k); });
    else if (cls == CC_QUOTE)
      pp_copy_literal(c, [&](wch k) { out_text.push_back(k); }, false);
    else
      out_text.push_back(c);
  }
}
