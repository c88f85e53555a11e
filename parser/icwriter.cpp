#include "parser/icwriter.h"

#include <algorithm>
#include <cstdarg>
#include <cstdlib>
#include <cstring>

#include "common/alert.h"
#include "common/alloc.h"
#include "parser/expressions.h"
#include "parser/lexer.h"
#include "parser/parsk.h"
#include "parser/symbols.h"
#include "parser/types.h"

FILE *ic_head;
FILE *ic_body;

namespace {

const char *last_file;   // last file name written in a body line record
uint32_t last_line;
bool any_line;
uint32_t last_marker_line;  // for the per-function information file

const char base_letters[] = "?bcsimloxfd?v";

FILE *stream_file(int stream) { return stream == IC_HEAD ? ic_head : ic_body; }

const char *position_file;  // set while records belong to an earlier line
uint32_t position_line;

// Before a body record: queued source comments, then the line record.
void body_prefix(const char *file, uint32_t line) {
  if (popt.source_comments) lex_flush_comments(ic_body);
  if (position_file && file == lex_file && line == (uint32_t)lex_lineno) {
    file = position_file;
    line = position_line;
  }
  ic_line(file, line);
}

std::string quals_letters(uint32_t quals) {
  std::string s;
  for (int i = 0; i < 32; i++) {
    uint32_t bit = 1u << i;
    if (!(quals & bit)) continue;
    if (const qual_entry *q = qual_by_bit(bit)) s += q->letter;
  }
  return s;
}

bool looked_through(const symbol *td) {
  if (td->type.kind == TK_ARRAY) return false;
  return !(td->flags & (SF_REGARGS | SF_VARIADIC));
}

void signature_body(const type_t &t, std::string &out, int depth) {
  if (t.kind == TK_FUNCTION) out += '(';
  out.append((size_t)type_ptr_count(t.ptr), '*');
  out += quals_letters(t.quals);
  switch (t.code) {
    case TC_ENUM:
      if (t.base && t.base->serial) out += "E" + std::to_string(t.base->serial);
      break;
    case TC_STRUCT:
    case TC_UNION:
      out += "S" + std::to_string(t.base ? t.base->tag_number : 0);
      break;
    case TC_ELLIPSIS:
      out += "...";
      break;
    case TC_TYPEDEF:
      if (t.base && looked_through(t.base) && depth < 64) signature_body(t.base->type, out, depth + 1);
      else if (t.base) out += ic_name(t.base);
      break;
    default:
      if (t.code < TC_TYPEDEF) {
        if ((t.code & 1) && t.code < TC_FLOAT) out += 'u';
        out += base_letters[(t.code & ~1u) / 2];
      } else {
        out += '?';
      }
  }
}

bool is_plain_void(const type_t &t) {
  return !t.kind && !t.ptr && !t.quals && (t.code == TC_VOID || t.code == TC_NONE);
}

bool is_plain_double(const type_t &t) { return !t.kind && !t.ptr && !t.quals && t.code == TC_DOUBLE; }

// The number of declared fixed parameters as the class field writes it.
int declared_params(const type_t &f) {
  if (!f.params) return 0;
  const param_list *pl = f.params;
  const type_t &last = pl->types[pl->count - 1];
  if (pl->count == 1 && last.code == TC_VOID && !last.ptr && !last.kind) return 0;
  if (last.code == TC_ELLIPSIS && !last.ptr) return (int)pl->count - 2;
  return (int)pl->count;
}

bool ends_in_ellipsis(const type_t &f) {
  if (!f.params) return false;
  const type_t &last = f.params->types[f.params->count - 1];
  return last.code == TC_ELLIPSIS && !last.ptr && !last.kind;
}

bool lists_params(const type_t &f) {
  if (!f.params) return false;
  const param_list *pl = f.params;
  return !(pl->count == 1 && pl->types[0].code == TC_VOID && !pl->types[0].ptr && !pl->types[0].kind);
}

void write_expr(std::string &out, const expr_node *e);

void write_sizeof(std::string &out, const expr_node *e) {
  out += "-> ";
  const expr_node *operand = e->left;
  type_t t = operand ? operand->type : type_plain(TC_VOID);
  if (operand && type_is_array(t)) {
    type_t s = type_strip(t);
    while (s.kind == TK_ARRAY) {
      // A dimension the code generator works out (a size of pointers) is
      // written as its expression.
      if (s.count <= 0 && s.dim) {
        out += "* ";
        write_expr(out, s.dim);
        out += " ";
      } else {
        out += "* " + std::to_string(s.count > 0 ? s.count : 0) + " ";
      }
      s = type_element(s);
    }
    out += "# " + ic_signature(s);
  } else {
    out += "# ";
    write_expr(out, operand);
  }
  out += " " + ic_signature(e->type);
}

void write_expr(std::string &out, const expr_node *e) {
  if (!e) {
    out += "1";
    return;
  }
  switch (e->op) {
    case OP_IDENT:
      if (e->sym && e->sym->cls == SC_ENUMCONST) {
        symbol *tag = e->sym->link;
        out += ". `E" + std::to_string(tag ? tag->serial : 0) + " " + std::to_string(e->sym->ordinal);
      } else {
        out += ic_name(e->sym);
      }
      return;
    case OP_ICONST:
      if (is_plain_void(e->type)) out += std::to_string((long)e->ival) + " ";
      else out += "-> " + std::to_string((long)e->ival) + " " + ic_signature(e->type);
      return;
    case OP_FCONST:
      if (is_plain_double(e->type)) out += std::string(".") + e->ftext;
      else out += std::string("-> .") + e->ftext + " " + ic_signature(e->type);
      return;
    case OP_STRING:
      out += ":s " + std::to_string(e->str.number) + quals_letters(string_quals_of(e->str.number));
      ic_mark_string(e->str.number);
      return;
    case OP_TYPE:
      out += ic_signature(e->type);
      return;
    case OP_MEMBER:
      out += std::to_string(e->ordinal);
      return;
    case OP_NOARGS:
      out += "..";
      return;
    case OP_SIZEOF:
      write_sizeof(out, e);
      return;
    case OP_CONVERT:
      out += "-> ";
      write_expr(out, e->left);
      out += " " + ic_signature(e->type);
      return;
    case OP_CALL: {
      out += "( ";
      write_expr(out, e->left);
      out += " ";
      type_t f = e->left ? type_strip(e->left->type) : type_plain(TC_VOID);
      if (f.kind != TK_FUNCTION && f.ptr) f = type_deref(f);
      int n = declared_params(f);
      if (n > 0) out += "(" + std::to_string(n > 4 ? 4 : n) + " ";
      write_expr(out, e->right);
      return;
    }
    default:
      break;
  }
  const op_info &info = op_table(e->op);
  out += info.name ? info.name : "?";
  out += " ";
  write_expr(out, e->left);
  if (op_arity(e->op) == 2) {
    out += " ";
    write_expr(out, e->right);
  }
}

std::string dimension_field(const symbol *s, bool defined) {
  type_t t = s->type;
  if (!defined) return t.kind == TK_ARRAY ? "-> 0 `x" : "0";
  if (t.kind == TK_ARRAY) {
    // Still an array to the reader: a typed count of one element.
    if (!t.dim) return "-> 1 `ux";
    std::string out;
    write_expr(out, t.dim);
    return out;
  }
  return "1";
}

char class_letter(const symbol *s) {
  char c;
  switch (s->cls) {
    case SC_AUTO: c = 'a'; break;
    case SC_EXTERN: c = 'e'; break;
    case SC_REGISTER: c = s->level > 0 ? 'a' : 'e'; break;  // locals are autos to the reader
    case SC_STATIC: c = 's'; break;
    case SC_TYPEDEF: c = 't'; break;
    case SC_PARAM: c = (s->flags & SF_VARIADIC) ? 'r' : 'p'; break;
    default: c = 'e';
  }
  if (s->flags & SF_REGISTER) c = (char)(c - 'a' + 'A');
  return c;
}

std::string class_field(const symbol *s) {
  std::string out(1, class_letter(s));
  if (s->cls == SC_PARAM && (s->flags & SF_VARIADIC)) out += std::to_string(s->ordinal);
  type_t st = type_strip(s->type);
  bool is_func = st.kind == TK_FUNCTION;
  bool typedef_name_func = s->type.code == TC_TYPEDEF && !s->type.kind && !s->type.ptr;
  if (is_func && !typedef_name_func && s->cls != SC_PARAM) {
    if (s->flags & SF_REGARGS) out += 'f';
    int n = declared_params(st);
    if (n > 0) out += std::to_string(n);
    if (ends_in_ellipsis(st)) out += 'v';
  }
  if (s->flags & SF_ABSOLUTE) out += "@" + std::to_string((unsigned long)s->address);
  else if (s->base) out += "@" + ic_name(s->base) + "+" + std::to_string((unsigned long)s->address);
  if (is_func && !typedef_name_func && s->cls != SC_PARAM && lists_params(st)) {
    const param_list *pl = st.params;
    for (uint32_t i = 0; i < pl->count; i++) {
      const type_t &p = pl->types[i];
      if (p.code == TC_ELLIPSIS && !p.ptr && !p.kind) continue;
      out += ic_signature(p);
    }
  }
  return out;
}

// A names record: the tag's name (or "."), then each member's or constant's
// name (or ".") followed by a blank.
std::string names_record(const std::string &head, const symbol *tag, const char *end) {
  std::string names = head + " ";
  names += (tag->name[0] && !(tag->flags & SF_TEMP)) ? tag->name : ".";
  names += " ";
  for (const symbol *m = tag->first; m; m = m->next) {
    names += m->name[0] ? m->name : ".";
    names += " ";
  }
  return names + end;
}

// Initialiser under construction: written whole once its dependencies are.
struct init_line {
  int kind;  // 0 expression, 1 open, 2 close, 3 character
  expr_node *e;
  int value;
};
symbol *init_symbol;
std::vector<init_line> init_lines;

// String spool.
FILE *spool;
char *spool_path;
uint32_t string_count;
std::vector<bool> string_used;
std::vector<uint32_t> string_quals;
std::vector<std::string> string_texts;

void put_word(uint32_t v) {
  unsigned char b[4] = {(unsigned char)v, (unsigned char)(v >> 8), (unsigned char)(v >> 16),
                        (unsigned char)(v >> 24)};
  fwrite(b, 1, 4, spool);
}

bool get_word(FILE *f, uint32_t *v) {
  unsigned char b[4];
  if (fread(b, 1, 4, f) != 4) return false;
  *v = b[0] | (b[1] << 8) | (b[2] << 16) | ((uint32_t)b[3] << 24);
  return true;
}

struct spooled {
  uint32_t number, quals;
  std::string bytes;  // NUL included
};

// Larger qualifier words first; then from the last byte backwards, the
// larger (signed) byte first; a string before every string that is its tail.
bool string_before(const spooled *a, const spooled *b) {
  if (a->quals != b->quals) return a->quals > b->quals;
  size_t la = a->bytes.size(), lb = b->bytes.size();
  for (size_t i = 1;; i++) {
    if (i > la || i > lb) {
      if (la != lb) return la > lb;
      return a->number < b->number;
    }
    signed char ca = (signed char)a->bytes[la - i], cb = (signed char)b->bytes[lb - i];
    if (ca != cb) return ca > cb;
  }
}

void write_string_record(const spooled &s, size_t length) {
  fprintf(ic_head, "[a %u%s", s.number, quals_letters(s.quals).c_str());
  for (size_t i = 0; i < length; i++) fprintf(ic_head, " %u", (unsigned char)s.bytes[i]);
  fputs(" ]\n", ic_head);
}

}  // namespace

const std::string &string_text_of(uint32_t number) {
  static const std::string empty;
  return number < string_texts.size() ? string_texts[number] : empty;
}

uint32_t string_quals_of(uint32_t number) {
  return number < string_quals.size() ? string_quals[number] : 0;
}

std::string ic_name(const symbol *s) {
  if (!s) return "_";
  if (s->flags & SF_NUMBERED) return "F" + std::to_string(s->serial);
  if (popt.shroud && !(s->flags & SF_INLINE)) {
    switch (s->cls) {
      case SC_PARAM: case SC_LABEL: case SC_ENUMCONST: case SC_AUTO: case SC_STATIC:
        return "_" + std::to_string(s->serial);
      case SC_REGISTER:
        if (s->level > 0) return "_" + std::to_string(s->serial);
        break;
      default:
        break;
    }
  }
  return std::string("_") + s->name;
}

std::string ic_signature(const type_t &t) {
  std::string out = "`";
  signature_body(t, out, 0);
  return out;
}

void ic_version() { fprintf(ic_head, "Version %d.%d Quenlor Software Intermediate Code\n", 3, 2); }

void ic_line(const char *file, uint32_t line) {
  if (!file) file = "";
  if (popt.shroud) line = 1;
  bool file_changed = !last_file || strcmp(file, last_file) != 0;
  if (any_line && !file_changed && line == last_line) return;
  if (file_changed) fprintf(ic_body, "\"%u %s\n", line, file);
  else fprintf(ic_body, "\"%u\n", line);
  last_file = file;
  last_line = line;
  any_line = true;
  last_marker_line = line;
}

uint32_t ic_last_line() { return last_marker_line; }

void ic_position(const char *file, int line) {
  position_file = file;
  position_line = (uint32_t)line;
}

void ic_scope(bool open) {
  body_prefix(lex_file, (uint32_t)lex_lineno);
  fputs(open ? "{\n" : "}\n", ic_body);
}

void ic_symbol(symbol *s, int stream) {
  if (!s || (s->flags & SF_WRITTEN)) return;
  switch (s->cls) {
    case SC_NONE: case SC_LABEL: case SC_STRUCT: case SC_UNION: case SC_MEMBER: case SC_ENUM:
    case SC_ENUMCONST:
      return;
    default:
      break;
  }
  bool file_scope = s->level == 0;
  bool defined = s->flags & SF_DEFINED;
  int actual;
  if (stream != IC_NONE) {
    actual = stream;
    // File-scope declarations other than function definitions live in the
    // head, so that every function of the file sees them.
    if (file_scope && (!defined || s->cls == SC_TYPEDEF)) actual = IC_HEAD;
  } else if (!file_scope) {
    actual = IC_BODY;
  } else if (defined && s->cls != SC_TYPEDEF) {
    actual = IC_HEAD;
  } else {
    return;
  }
  s->flags |= SF_WRITTEN;
  ic_type_deps(s->type, actual);
  if (s->base) ic_symbol(s->base, actual);
  FILE *f = stream_file(actual);
  if (actual == IC_BODY) {
    body_prefix(s->file, s->line);
  } else if (!popt.shroud) {
    fprintf(f, "\"%u %s\n", s->line, s->file ? s->file : "");
  }
  bool def = defined || (s->flags & SF_TEMP);
  std::string rec = "[v " + ic_name(s) + " " + ic_signature(s->type) + " " + dimension_field(s, def) +
                    " " + class_field(s);
  if ((s->flags & SF_NUMBERED) && s->name[0] && !popt.shroud) rec += std::string(" ") + s->name;
  rec += " ]\n";
  fputs(rec.c_str(), f);
  if (s->flags & SF_INLINE) ic_directive(actual, "i _%s", s->name);
}

// The stream a tag's record goes to: file-level tags go to the head, others
// to the stream asked for or else the body. IC_NONE when the tag is written
// already, not defined, or at file level with no stream asked for.
static int tag_stream(const symbol *tag, int stream) {
  if (!tag || (tag->flags & SF_WRITTEN) || !(tag->flags & SF_DEFINED)) return IC_NONE;
  if (stream != IC_NONE) return tag->level == 0 ? IC_HEAD : stream;
  return tag->level > 0 ? IC_BODY : IC_NONE;
}

void ic_struct(symbol *tag, int stream) {
  int actual = tag_stream(tag, stream);
  if (actual == IC_NONE) return;
  tag->flags |= SF_WRITTEN;
  for (symbol *m = tag->first; m; m = m->next) ic_type_deps(m->type, actual);
  FILE *f = stream_file(actual);
  if (actual == IC_BODY) body_prefix(tag->file, tag->line);
  std::string rec = tag->cls == SC_UNION ? "[u S" : "[s S";
  rec += std::to_string(tag->tag_number);
  for (symbol *m = tag->first; m; m = m->next) {
    if (m->flags & SF_BITFIELD) rec += " :" + std::to_string(m->width);
    rec += " " + ic_signature(m->type) + " " + dimension_field(m, true);
  }
  rec += " ]\n";
  fputs(rec.c_str(), f);
  if (!popt.shroud) fputs(names_record("[n S" + std::to_string(tag->tag_number), tag, "]\n").c_str(), f);
}

void ic_enum(symbol *tag, int stream) {
  int actual = tag_stream(tag, stream);
  if (actual == IC_NONE) return;
  tag->flags |= SF_WRITTEN;
  FILE *f = stream_file(actual);
  if (actual == IC_BODY) body_prefix(tag->file, tag->line);
  std::string rec = "[c E" + std::to_string(tag->serial);
  for (symbol *c = tag->first; c; c = c->next) rec += " " + std::to_string((long)c->value);
  rec += " .. ]\n";
  fputs(rec.c_str(), f);
  if (!popt.shroud) fputs(names_record("[n E" + std::to_string(tag->serial), tag, " ]\n").c_str(), f);
}

void ic_type_deps(const type_t &t, int stream) {
  if (t.kind == TK_FUNCTION && t.params)
    for (uint32_t i = 0; i < t.params->count; i++) ic_type_deps(t.params->types[i], IC_HEAD);
  if (t.kind == TK_ARRAY && t.dim) ic_expr_deps(t.dim, stream);
  if (!t.base) return;
  switch (t.code) {
    case TC_ENUM: ic_enum(t.base, stream); break;
    case TC_STRUCT:
    case TC_UNION: ic_struct(t.base, stream); break;
    case TC_TYPEDEF: ic_symbol(t.base, stream); break;
    default: break;
  }
}

void ic_expr_deps(const expr_node *e, int stream) {
  if (!e) return;
  switch (e->op) {
    case OP_IDENT: {
      symbol *s = e->sym;
      if (!s) return;
      if (s->cls == SC_ENUMCONST) ic_enum(s->link, stream);
      else if (s->cls == SC_EXTERN || s->cls == SC_STATIC || s->cls == SC_TYPEDEF) ic_symbol(s, stream);
      return;
    }
    case OP_ICONST:
    case OP_FCONST:
    case OP_TYPE:
      ic_type_deps(e->type, stream);
      return;
    case OP_STRING:
    case OP_MEMBER:
    case OP_NOARGS:
      return;
    case OP_CONVERT:
    case OP_SIZEOF:
      ic_type_deps(e->type, stream);
      if (e->op == OP_SIZEOF && e->left) ic_type_deps(e->left->type, stream);
      break;
    default:
      break;
  }
  ic_expr_deps(e->left, stream);
  if (op_arity(e->op) == 2) ic_expr_deps(e->right, stream);
}

void ic_statement(expr_node *e) {
  ic_expr_deps(e, IC_BODY);
  body_prefix(lex_file, (uint32_t)lex_lineno);
  const expr_node *top = e;
  while (top && top->op == OP_CONVERT) top = top->left;
  std::string out = "[e ";
  write_expr(out, top);
  out += " ]\n";
  fputs(out.c_str(), ic_body);
}

void ic_label(uint32_t number) {
  body_prefix(lex_file, (uint32_t)lex_lineno);
  fprintf(ic_body, "[e :U %u ]\n", number);
}

void ic_exit_label(uint32_t number) {
  body_prefix(lex_file, (uint32_t)lex_lineno);
  fprintf(ic_body, "[e :UE %u ]\n", number);
}

void ic_named_label(symbol *s) {
  body_prefix(lex_file, (uint32_t)lex_lineno);
  fprintf(ic_body, "[e :U %s ]\n", ic_name(s).c_str());
}

void ic_switch(expr_node *e, const std::vector<ic_case> &cases, uint32_t default_label) {
  ic_expr_deps(e, IC_BODY);
  for (const ic_case &c : cases) ic_expr_deps(c.value, IC_BODY);
  body_prefix(lex_file, (uint32_t)lex_lineno);
  std::string out = "[e [\\ ";
  write_expr(out, e);
  for (const ic_case &c : cases) {
    out += " , $ ";
    write_expr(out, c.value);
    out += " " + std::to_string(c.label) + "\n";
  }
  out += " " + std::to_string(default_label) + " ]\n";
  fputs(out.c_str(), ic_body);
}

void ic_function_start() {
  body_prefix(lex_file, (uint32_t)lex_lineno);
  fputs("[f ]\n", ic_body);
}

void ic_directive(int stream, const char *format, ...) {
  char *text;
  va_list ap;
  va_start(ap, format);
  text = vstrfmt(format, ap);
  va_end(ap);
  if (stream == IC_BODY) body_prefix(lex_file, (uint32_t)lex_lineno);
  fprintf(stream_file(stream), "[p %s ]\n", text);
  xfree(text);
}

void ic_asm(const char *text, size_t length) {
  bool any = false;
  for (size_t k = 0; k < length && !any; k++) any = text[k] != '\r' && text[k] != '\n';
  if (!any) return;
  body_prefix(lex_file, (uint32_t)lex_lineno);
  size_t i = 0;
  while (i < length) {
    size_t j = i;
    while (j < length && text[j] != '\r' && text[j] != '\n') j++;
    if (j > i) fprintf(ic_body, "[; %.*s ;#\n", (int)(j - i), text + i);
    i = j + 1;
  }
}

void ic_temp_label(const char *prefix, int32_t number) {
  body_prefix(lex_file, (uint32_t)lex_lineno);
  fprintf(ic_body, "[; GLOBAL %s%d ;#\n[; %s%d: ;#\n", prefix, number, prefix, number);
}

void ic_init_begin(symbol *s) {
  init_symbol = s;
  init_lines.clear();
}

void ic_init_element(const expr_node *e) { init_lines.push_back({0, (expr_node *)e, 0}); }
void ic_init_open() { init_lines.push_back({1, nullptr, 0}); }
void ic_init_close() { init_lines.push_back({2, nullptr, 0}); }
void ic_init_char(int value) { init_lines.push_back({3, nullptr, value}); }

void ic_init_end() {
  for (auto &l : init_lines)
    if (l.kind == 0) ic_expr_deps(l.e, IC_BODY);
  body_prefix(lex_file, (uint32_t)lex_lineno);
  std::string out = "[i " + ic_name(init_symbol) + "\n";
  for (auto &l : init_lines) {
    switch (l.kind) {
      case 0: {
        const expr_node *top = l.e;
        write_expr(out, top);
        out += "\n";
        expr_free(l.e);
        break;
      }
      case 1: out += ":U ..\n"; break;
      case 2: out += "..\n"; break;
      default: out += "-> " + std::to_string(l.value) + " `c\n"; break;
    }
  }
  out += "]\n";
  fputs(out.c_str(), ic_body);
  init_lines.clear();
  init_symbol = nullptr;
}

bool ic_spool_open(const char *path) {
  spool_path = str_dup(path);
  spool = fopen(path, "wb");
  return spool != nullptr;
}

uint32_t ic_spool_string(const char *bytes, uint32_t length, uint32_t quals) {
  uint32_t number = ++string_count;
  if (spool) {
    put_word(number);
    put_word(length + 1);
    put_word(quals);
    fwrite(bytes, 1, length, spool);
    fputc(0, spool);
  }
  if (string_used.size() <= number) {
    string_used.resize(number + 1, false);
    string_quals.resize(number + 1, 0);
  }
  string_quals[number] = quals;
  string_texts.resize(number + 1);
  string_texts[number].assign(bytes, length);
  return number;
}

void ic_mark_string(uint32_t number) {
  if (number < string_used.size()) string_used[number] = true;
}

void ic_write_strings() {
  if (!spool || string_count == 0) return;
  bool any = false;
  for (uint32_t i = 1; i <= string_count; i++) any = any || string_used[i];
  if (!any) return;
  fclose(spool);
  spool = fopen(spool_path, "rb");
  if (!spool) {
    msg(302, spool_path);
    return;
  }
  std::vector<spooled> all;
  for (uint32_t i = 0; i < string_count; i++) {
    spooled s;
    uint32_t length;
    if (!get_word(spool, &s.number) || !get_word(spool, &length) || !get_word(spool, &s.quals)) {
      msg(301, spool_path);
      return;
    }
    s.bytes.resize(length);
    if (length && fread(&s.bytes[0], 1, length, spool) != length) {
      msg(301, spool_path);
      return;
    }
    if (s.number < string_used.size() && string_used[s.number]) all.push_back(std::move(s));
  }
  std::vector<const spooled *> order;
  for (auto &s : all) order.push_back(&s);
  std::stable_sort(order.begin(), order.end(), string_before);
  for (size_t i = 0; i < order.size(); i++) {
    const spooled &s = *order[i];
    size_t length = s.bytes.size();
    if (i + 1 < order.size() && !popt.no_tail_merge) {
      const spooled &n = *order[i + 1];
      size_t ln = n.bytes.size();
      // Only strings of one qualifier word share memory.
      if (n.quals == s.quals && ln <= length &&
          !memcmp(s.bytes.data() + length - ln, n.bytes.data(), ln))
        length -= ln;
    }
    write_string_record(s, length);
  }
}

const char *ic_spool_path() { return spool_path; }

void ic_spool_close(bool remove_file) {
  if (spool) fclose(spool);
  spool = nullptr;
  if (remove_file && spool_path) remove(spool_path);
  xfree(spool_path);
  spool_path = nullptr;
}
