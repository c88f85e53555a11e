#include "preprocessor/directive.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "common/alert.h"
#include "common/alloc.h"
#include "common/hash.h"
#include "common/osdep.h"
#include "preprocessor/eval.h"
#include "preprocessor/macro.h"
#include "preprocessor/output.h"
#include "preprocessor/prevo.h"

pp_directive_state dir = {{}, nullptr, true};

namespace {

constexpr size_t PATH_LIMIT = 32767;
constexpr int MAX_FILE_DEPTH = 200;

enum directive_id {
  D_UNKNOWN,
  D_UNDEF,
  D_PRAGMA,
  D_LINE,
  D_INCLUDE,
  D_IFNDEF,
  D_IDENT,
  D_IFDEF,
  D_IF,
  D_WARNING,
  D_ERROR,
  D_ENDIF,
  D_ENDASM,
  D_ELSE,
  D_ELIF,
  D_DEFINE,
  D_ASM,
  D_ASSERT,
};

struct directive_name {
  const char *name;
  directive_id id;
};
const directive_name directive_names[] = {
    {"undef", D_UNDEF},     {"pragma", D_PRAGMA}, {"line", D_LINE},   {"include", D_INCLUDE},
    {"ifndef", D_IFNDEF},   {"ident", D_IDENT},   {"ifdef", D_IFDEF}, {"if", D_IF},
    {"warning", D_WARNING}, {"error", D_ERROR},   {"endif", D_ENDIF}, {"endasm", D_ENDASM},
    {"else", D_ELSE},       {"elif", D_ELIF},     {"define", D_DEFINE}, {"asm", D_ASM},
    {"assert", D_ASSERT},
};

// Conditional stack entry flags.
enum { COND_OUTER_ACTIVE = 1, COND_ELSE_SEEN = 2, COND_TAKEN = 4 };

struct cond_entry {
  int flags;
  int line;
};
std::vector<cond_entry> conds;

directive_id lookup_directive() {
  for (const directive_name &d : directive_names)
    if (pp_id_is(d.name)) return d.id;
  return D_UNKNOWN;
}

// The rest of the line as written (comments gone), blanks cut at both ends.
std::string rest_of_line() {
  wtext t;
  wch c = pp_getc_nonblank();
  for (; c != '\n' && c != 0; c = pp_getc()) t.push_back(c);
  while (!t.empty() && pp_is_blank(t.back())) t.pop_back();
  return wide_to_narrow(t.data(), t.size());
}

void push_conditional(bool evaluate_it, bool value) {
  if (conds.size() == PP_MAX_CONDITIONALS) msg(144);
  cond_entry e = {dir.active ? COND_OUTER_ACTIVE : 0, rd.line};
  if (evaluate_it) {
    dir.active = value;
    if (value) e.flags |= COND_TAKEN;
  }
  conds.push_back(e);
}

bool read_defined_name() {
  wch c = pp_getc_nonblank();
  if (pp_class(c) != CC_IDENT || c == PP_NOEXPAND) {
    msg(108);
    pp_skip_line_from(c);
    return false;
  }
  pp_read_ident(c);
  bool found = macro_find(pp_id.text.data(), pp_id.text.size()) != nullptr;
  pp_end_of_directive();
  return found;
}

// ---- #include ----

uint32_t included_hash(const void *key) {
  const char *s = static_cast<const char *>(key);
  uint32_t h = 0;
  for (; *s && strcmp(s, ".h") != 0; s++) h = h * 4 + uint32_t(int32_t(static_cast<signed char>(*s)));
  return h;
}

int file_depth() {
  int n = 0;
  for (pp_input *in = rd.top; in; in = in->below)
    if (in->kind == PP_IN_FILE) n++;
  return n;
}

bool starts_absolute(const std::string &name) {
  return (!name.empty() && (name[0] == '/' || name[0] == '\\')) ||
         (name.size() > 1 && isalpha(static_cast<unsigned char>(name[0])) && name[1] == ':');
}

// Opens a candidate path: as built, else lower-cased. The file becomes the
// current input and joins the included-file set.
bool open_candidate(const std::string &path) {
  if (path.empty() || os_is_dir(path.c_str())) return false;
  std::string opened = path;
  FILE *f = fopen(path.c_str(), "rb");
  if (!f) {
    char *lower = str_lower(str_dup(path.c_str()));
    if (!os_is_dir(lower)) f = fopen(lower, "rb");
    if (f) {
      msg(164, path.c_str());
      opened = lower;
    }
    xfree(lower);
    if (!f) return false;
  }
  if (!os_exists_exact_case(opened.c_str())) msg(165, opened.c_str());
  bool known = hash_lookup(dir.included, opened.c_str()) != nullptr;
  if (!known) {
    char *key = str_dup(opened.c_str());
    hash_insert(dir.included, key, key);
  }
  if (known && !out.on) {
    fclose(f);
    return true;
  }
  rd_push_file(f, true, opened, opened);
  return true;
}

bool search_dirs(const std::string &name) {
  for (const std::string &d : dir.include_dirs) {
    if (d.size() + name.size() >= PATH_LIMIT) {
      msg(146, d.c_str(), name.c_str());
      continue;
    }
    std::string path;
    if (!name.empty() && (name[0] == '/' || name[0] == '\\'))
      path = name;
    else if (!d.empty() && (d.back() == '/' || d.back() == '\\'))
      path = d + name;
    else
      path = d + "/" + name;
    if (open_candidate(path)) return true;
  }
  return false;
}

void include_directive() {
  wch c = pp_getc_nonblank();
  wtext text;
  if (c == '"' || c == '<') {
    // A header name is not scanned for comments.
    rd.raw = true;
    text.push_back(c);
    for (c = pp_getc(); c != '\n' && c != 0; c = pp_getc()) text.push_back(c);
    rd.raw = false;
  } else {
    if (c) pp_ungetc();
    macro_expand_to(text, false);
    c = '\n';
  }
  if (c != '\n' && c != 0) pp_skip_line();

  const wch *p = text.data(), *e = p + text.size();
  while (p < e && (*p == PP_ENDEXP || pp_is_blank(*p))) p++;
  if (p == e || (*p != '"' && *p != '<')) {
    msg(109);
    return;
  }
  wch close = *p == '<' ? wch('>') : wch('"');
  bool quoted = *p == '"';
  std::string name;
  for (p++; p < e && *p != close; p++)
    if (!pp_is_marker(*p)) name.push_back(char(*p & 0xFF));

  if (file_depth() >= MAX_FILE_DEPTH) {
    errno = EMFILE;
    msg(141, "include", name.c_str());
    msg(109);
    return;
  }
  bool found = false;
  if (quoted) {
    std::string candidate = name;
    if (!starts_absolute(name)) {
      pp_input *file = rd_file();
      const std::string &path = file ? file->path : std::string();
      size_t cut = path.find_last_of('\\');
      if (cut == std::string::npos) cut = path.find_last_of('/');
      if (cut != std::string::npos) candidate = path.substr(0, cut + 1) + name;
    }
    found = open_candidate(candidate);
  }
  if (!found) found = search_dirs(name);
  if (!found) {
    errno = ENOENT;
    msg(141, "include", name.c_str());
    msg(109);
  }
}

// ---- #line ----

void line_directive() {
  wtext t;
  for (wch c = pp_getc_nonblank(); c != '\n' && c != 0; c = pp_getc()) t.push_back(c);
  const wch *p = t.data(), *e = p + t.size();
  long number = 0;
  for (; p < e && pp_class(*p) == CC_DIGIT; p++)
    if (number < INT_MAX) number = number * 10 + (*p - '0');
  while (p < e && pp_is_blank(*p)) p++;
  pp_input *file = rd_file();
  if (p < e && file) {
    const wch *q = e;
    if (*p == '"') {
      const wch *last = e;
      while (last > p + 1 && last[-1] != '"') last--;
      if (last > p + 1) q = last - 1;
      p++;
    } else {
      while (q > p && pp_is_blank(q[-1])) q--;
    }
    file->line_name.assign(p, q);
    file->line_name.push_back(0);
  }
  rd.line = int(number > INT_MAX ? INT_MAX : number) - 1;
  out.marker_pending = true;
}

// ---- output-bearing directives ----

int pragma_directive() {
  if (!out.on) {
    pp_skip_line();
    return 0;
  }
  out_begin_line();
  out_str("#pragma ");
  out.in_blank = true;
  wch c = pp_getc_nonblank();
  pp_copy_line(c, false);
  return 0;
}

int asm_directive(int pending) {
  if (out.in_asm) {
    msg(106);
    pp_skip_line();
    return pending + 1;
  }
  pp_skip_line();
  if (out.on) {
    out_marker();
    out_str("#asm\n");
  }
  out.in_asm = true;
  return 0;
}

int endasm_directive(int pending) {
  if (!out.in_asm) {
    msg(105);
    pp_skip_line();
    return pending + 1;
  }
  // A marker owed here is still wrapped for the block it stands in.
  if (out.on) {
    out_begin_line();
    out_str("#endasm ");
  }
  out.in_asm = false;
  wch c = pp_getc_nonblank();
  for (; c != '\n' && c != 0; c = pp_getc()) out_raw(c);
  out_newline();
  return 0;
}

}  // namespace

void pp_directives_begin() {
  if (!dir.included) dir.included = hash_new(237, included_hash, hash_string_equal);
}

void pp_directives_reset() {
  conds.clear();
  dir.active = true;
  dir.include_dirs.clear();
}

bool pp_id_names_directive() { return lookup_directive() != D_UNKNOWN; }

int pp_open_conditional_line() { return conds.empty() ? 0 : conds.front().line; }

int pp_directive(int pending) {
  pp_line_bounded = true;
  struct unbound {
    ~unbound() { pp_line_bounded = false; }
  } restore;

  wch c = pp_getc_nonblank();
  directive_id id;
  if (c == '\n' || c == 0) return pending + 1;  // a "#" alone
  if (pp_class(c) == CC_DIGIT) {
    pp_ungetc();
    id = D_LINE;
    pp_id.text.clear();
  } else if (pp_class(c) == CC_IDENT && c != PP_NOEXPAND) {
    pp_read_ident(c);
    id = lookup_directive();
  } else {
    pp_id.text.assign(1, c);
    pp_ungetc();
    id = D_UNKNOWN;
  }

  if (!dir.active) {
    switch (id) {
      case D_IF:
      case D_IFDEF:
      case D_IFNDEF:
        push_conditional(false, false);
        pp_skip_line();
        return pending + 1;
      case D_ELIF:
      case D_ELSE:
      case D_ENDIF:
        break;
      default:
        // Skipped text, unknown directives included, as C has it.
        pp_skip_line();
        return pending + 1;
    }
  }

  switch (id) {
    case D_IF:
      push_conditional(true, pp_eval());
      break;
    case D_IFDEF:
      push_conditional(true, read_defined_name());
      break;
    case D_IFNDEF:
      push_conditional(true, !read_defined_name());
      break;
    case D_ELIF: {
      if (conds.empty()) {
        msg(102);
        pp_skip_line();
        break;
      }
      cond_entry &e = conds.back();
      if (e.flags & COND_ELSE_SEEN) {
        msg(101);
        dir.active = false;
        pp_skip_line();
        break;
      }
      if ((e.flags & COND_OUTER_ACTIVE) && !(e.flags & COND_TAKEN)) {
        dir.active = pp_eval();
        if (dir.active) e.flags |= COND_TAKEN;
      } else {
        dir.active = false;
        pp_skip_line();
      }
      break;
    }
    case D_ELSE: {
      if (conds.empty()) {
        msg(102);
        pp_end_of_directive();
        break;
      }
      cond_entry &e = conds.back();
      if (e.flags & COND_ELSE_SEEN) msg(101);
      e.flags |= COND_ELSE_SEEN;
      if (e.flags & COND_OUTER_ACTIVE) {
        dir.active = !dir.active && !(e.flags & COND_TAKEN);
        if (dir.active) e.flags |= COND_TAKEN;
      }
      pp_end_of_directive();
      break;
    }
    case D_ENDIF: {
      if (conds.empty()) {
        msg(102);
        pp_end_of_directive();
        break;
      }
      cond_entry e = conds.back();
      conds.pop_back();
      if (!dir.active && (e.flags & COND_OUTER_ACTIVE)) out.marker_pending = true;
      dir.active = e.flags & COND_OUTER_ACTIVE;
      pp_end_of_directive();
      break;
    }
    case D_INCLUDE:
      include_directive();
      break;
    case D_DEFINE:
      macro_define();
      break;
    case D_UNDEF:
      macro_undef();
      break;
    case D_LINE:
      line_directive();
      break;
    case D_PRAGMA:
      return pragma_directive();
    case D_ASM:
      return asm_directive(pending);
    case D_ENDASM:
      return endasm_directive(pending);
    case D_ERROR:
      msg(103, rest_of_line().c_str());
      break;
    case D_WARNING:
      msg(162, rest_of_line().c_str());
      break;
    case D_ASSERT:
      if (!pp_eval()) msg(104);
      break;
    case D_IDENT:
      pp_end_of_directive();
      break;
    case D_UNKNOWN:
      msg(107, wide_to_narrow(pp_id.text.data(), pp_id.text.size()).c_str());
      pp_skip_line();
      break;
  }
  return pending + 1;
}
