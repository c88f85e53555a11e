#include "symconv/sdb.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <string>

#include "common/alert.h"
#include "common/alloc.h"
#include "common/vector.h"
#include "symconv/machine.h"
#include "symconv/model.h"
#include "symconv/type.h"

enum {
  MSG_MISSING_BRACKET = 627,
  MSG_BAD_CLASS = 629,
  MSG_NOT_MODES = 630,
  MSG_UNEXPECTED_TOKEN = 631,
  MSG_UNKNOWN_MODE = 637,
  FIRST_LINE_ROOM = 1024,
  FILE_NAME_ROOM = 2047,
  MEMBER_GROWTH = 20,
  // Scopes nested deeper than this are read into their parent: keeps the
  // reader, the dump and the release off the end of the stack.
  SCOPE_DEPTH_MAX = 256,
};

namespace {

const char *const kind_names[] = {"null",  "extern", "global", "static", "auto",  "param",  "typedef", "module",
                                  "line",  "block",  "func",   "reg",    "struct", "enum", "filename"};

struct reader_state {
  FILE *in;
  int line, column;              // position in the .sdb file
  int token_line, token_column;  // where the last token began
  bool token_ended_line;
  bool have_pushed;
  std::string token, pushed;
  std::string source;  // current source file name
  int source_line;     // current line of the source, from the markers
  sdb_record *current;
  std::string sdb_name;
  std::map<std::string, std::string> defines;
  std::set<std::string> unknown_modes;  // reported once per file
  bool faked_since_marker;
  sdb_record *root;
};

reader_state &rd() {
  static reader_state &state = *new reader_state();
  return state;
}

bool is_variable_kind(int kind) {
  return kind == SDB_NULL || kind == SDB_EXTERN || kind == SDB_STATIC || kind == SDB_AUTO || kind == SDB_PARAM ||
         kind == SDB_TYPEDEF || kind == SDB_REG;
}

bool is_scope_kind(int kind) {
  return kind == SDB_MODULE || kind == SDB_BLOCK || kind == SDB_FUNC || kind == SDB_EMPTY_MODULE;
}

uint32_t scope_hash(const char *name) { return name_hash(name) % SDB_SCOPE_BUCKETS; }

int sdb_getc() {
  int c = getc(rd().in);
  if (c == '\n') {
    rd().line++;
    rd().column = 1;
  } else if (c != EOF) {
    rd().column++;
  }
  return c;
}

bool blank(int c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }

// The next blank-separated token; false at the end of the file.
bool next_token() {
  reader_state &r = rd();
  if (r.have_pushed) {
    r.have_pushed = false;
    r.token.swap(r.pushed);
    return true;
  }
  int c;
  do c = sdb_getc();
  while (c != EOF && blank(c));
  if (c == EOF) return false;
  r.token_line = r.line;
  r.token_column = r.column - 1;
  r.token.clear();
  while (c != EOF && !blank(c)) {
    r.token += char(c);
    c = sdb_getc();
  }
  r.token_ended_line = c == '\n' || c == EOF;
  return true;
}

void push_back_token() {
  rd().pushed = rd().token;
  rd().have_pushed = true;
}

// A token that begins a record or a scope, met where a record should have
// ended, is read again as such.
void push_back_if_record() {
  const std::string &t = rd().token;
  if (!t.empty() && (t[0] == '[' || t == "{" || t == "}")) push_back_token();
}

// The rest of the line after blanks, at most FILE_NAME_ROOM characters kept.
std::string rest_of_line() {
  std::string text;
  int c;
  do c = sdb_getc();
  while (c == ' ' || c == '\t');
  while (c != EOF && c != '\n') {
    if (text.size() < FILE_NAME_ROOM) text += char(c);
    c = sdb_getc();
  }
  while (!text.empty() && blank(uint8_t(text.back()))) text.pop_back();
  return text;
}

bool number_token(const std::string &t) { return !t.empty() && (isdigit(uint8_t(t[0])) || t[0] == '-'); }

long number_of(const std::string &t) { return strtol(t.c_str(), nullptr, 10); }

char *name_or_null(const std::string &t) { return t == "." ? nullptr : str_dup(t.c_str()); }

int scope_depth(const sdb_record *scope) {
  int depth = 0;
  for (; scope; scope = scope->parent) depth++;
  return depth;
}

void note_line(int line) {
  for (sdb_record *s = rd().current; s; s = s->parent) {
    if (line < s->first_line || s->first_line == 0) s->first_line = line;
    if (line > s->last_line) s->last_line = line;
  }
}

void unexpected(const std::string &token) {
  msg(MSG_UNEXPECTED_TOKEN, token.c_str(), rd().sdb_name.c_str(), rd().token_line, rd().token_column);
}

void read_line_marker() {
  reader_state &r = rd();
  r.source_line = int(strtol(r.token.c_str() + 1, nullptr, 10));
  r.faked_since_marker = false;
  note_line(r.source_line);
  if (r.token_ended_line) return;
  std::string name = rest_of_line();
  if (name.empty() || name == r.source) return;
  r.source = name;
  sdb_record *f = sdb_new_record(SDB_FILENAME, name.c_str());
  f->line = r.source_line;
  sdb_scope_add(r.current, f);
}

void read_define() {
  std::string name, value;
  if (next_token()) name = rd().token;
  if (next_token()) value = rd().token;
  if (!name.empty()) rd().defines.emplace(name, value);
  bool more = next_token();
  if (!more || rd().token != "]") {
    msg_report_hooked("E", "malformed define in .SDB file %s", rd().sdb_name.c_str());
    if (more) push_back_if_record();
  }
}

// A token of a record's fields; false at the end of the file or at the
// record's closing "]" (which is consumed).
bool field(std::string *out) {
  if (!next_token()) return false;
  if (rd().token == "]") return false;
  *out = rd().token;
  return true;
}

sdb_record *visible_tag(const char *name, int kind) {
  sdb_record *r = sdb_lookup_visible(name, 1u << kind);
  return r && r->member_count == 0 && !r->members && !r->enumerators ? r : nullptr;
}

// Adds an array element for an "<n>a" count, unless the type text already
// made the chain an array of that dimension (as it does for typedefs).
void apply_count(type_chain *type, const std::string &count) {
  if (!type || count.empty() || count.back() != 'a') return;
  uint32_t dimension = uint32_t(strtoul(count.c_str(), nullptr, 10));
  for (uint32_t k = type->count; k-- > 0;) {
    const type_elem &e = type->elems[k];
    if (e.kind == TK_QUALIFIER) continue;
    if (e.kind == TK_ARRAY && e.value == dimension) return;
    break;
  }
  type_chain_push(type, TK_ARRAY, ("[" + std::to_string(dimension) + "]").c_str(), dimension, 0, nullptr);
}

void read_enum() {
  std::string name, second, t;
  if (!field(&name)) return;
  sdb_record *e = visible_tag(name.c_str(), SDB_ENUM);
  if (!e) {
    e = sdb_new_record(SDB_ENUM, name.c_str());
    sdb_scope_add(rd().current, e);
  }
  e->line = rd().source_line;
  if (!field(&second)) return;
  xfree(e->second_name);
  e->second_name = name_or_null(second);
  uint32_t capacity = 0;
  bool sized = false;
  while (field(&t)) {
    if (t[0] == '`' && e->member_count == 0 && !sized) {
      if (type_chain *base = sdb_parse_type(t.c_str())) {
        type_elem *outer = type_outer(base);
        e->size_code = int(mach_type_size(outer));
        e->sign_code = outer->kind == TK_BASIC && outer->value == TC_SIGNED ? 1 : 2;
        sized = true;
        type_chain_free(base);
      }
      continue;
    }
    std::string value;
    if (!field(&value)) value = "0";
    if (e->member_count == capacity) {
      capacity += MEMBER_GROWTH;
      sdb_enumerator *grown = static_cast<sdb_enumerator *>(xalloc(capacity * sizeof(sdb_enumerator)));
      if (e->member_count) memcpy(grown, e->enumerators, e->member_count * sizeof(sdb_enumerator));
      xfree(e->enumerators);
      e->enumerators = grown;
    }
    e->enumerators[e->member_count++] = {str_dup(t.c_str()), number_of(value)};
    if (rd().token == "]") break;
    if (e->member_count == 0xFFFF) break;
  }
  if (!sized && model.machine) model.machine->enum_layout(e);
}

void read_struct(bool is_union) {
  std::string tag, second, size, t;
  if (!field(&tag)) return;
  sdb_record *s = visible_tag(tag.c_str(), SDB_STRUCT);
  if (!s) {
    s = sdb_new_record(SDB_STRUCT, tag.c_str());
    sdb_scope_add(rd().current, s);
  }
  s->line = rd().source_line;
  s->is_union = is_union;
  if (!field(&second)) return;
  xfree(s->second_name);
  s->second_name = name_or_null(second);
  if (!field(&size)) return;
  s->struct_size = number_of(size);
  uint32_t capacity = 0;
  // Each member: type, count, name, size, offset and, for a bit-field,
  // ":width:bit offset".
  while (field(&t)) {
    sdb_member m = {};
    m.type = sdb_parse_type(t.c_str());
    std::string name, member_size, offset;
    bool complete = field(&name);
    if (complete && isdigit(uint8_t(name[0]))) {
      apply_count(m.type, name);
      complete = field(&name);
    }
    if (complete) m.name = name_or_null(name);
    complete = complete && field(&member_size) && field(&offset);
    m.size = number_of(member_size);
    m.offset = number_of(offset);
    if (complete && next_token()) {
      if (rd().token[0] == ':') {
        m.bit_width = strtol(rd().token.c_str() + 1, nullptr, 10);
        const char *second_colon = strchr(rd().token.c_str() + 1, ':');
        m.bit_offset = second_colon ? strtol(second_colon + 1, nullptr, 10) : 0;
      } else {
        push_back_token();
      }
    }
    if (s->member_count == capacity) {
      capacity += MEMBER_GROWTH;
      sdb_member *grown = static_cast<sdb_member *>(xalloc(capacity * sizeof(sdb_member)));
      if (s->member_count) memcpy(grown, s->members, s->member_count * sizeof(sdb_member));
      xfree(s->members);
      s->members = grown;
    }
    s->members[s->member_count++] = m;
    if (!complete) break;
  }
}

// The visible variable of that name: the current scope and, through faked
// blocks, their parents.
sdb_record *visible_variable(const char *name) {
  for (sdb_record *scope = rd().current; scope; scope = scope->parent) {
    uint32_t h = scope_hash(name);
    for (sdb_record *r = scope->buckets ? scope->buckets[h] : nullptr; r; r = r->bucket_next)
      if (is_variable_kind(r->kind) && r->name && !strcmp(r->name, name)) return r;
    if (!(scope->flags & SDB_FAKED)) break;
  }
  return nullptr;
}

int class_kind(const std::string &letter) {
  static const struct {
    char letter;
    int kind;
  } classes[] = {{'a', SDB_AUTO},   {'e', SDB_EXTERN}, {'p', SDB_PARAM},
                 {'r', SDB_REG},    {'s', SDB_STATIC}, {'t', SDB_TYPEDEF}};
  if (letter.size() == 1)
    for (const auto &c : classes)
      if (c.letter == letter[0]) return c.kind;
  return -1;
}

sdb_record *read_var() {
  reader_state &r = rd();
  std::string name, type_text, count, letter, size, value;
  bool complete = field(&name) && field(&type_text);
  if (!complete) return nullptr;
  type_chain *type = sdb_parse_type(type_text.c_str());
  int kind = SDB_NULL;
  complete = field(&count);
  if (complete) apply_count(type, count);
  complete = complete && field(&letter);
  if (complete) {
    kind = class_kind(letter);
    if (kind < 0) {
      msg(MSG_BAD_CLASS, letter.c_str(), r.sdb_name.c_str(), r.token_line, r.token_column);
      kind = SDB_NULL;
    }
  }
  complete = complete && field(&size);
  if (complete && kind != SDB_TYPEDEF) complete = field(&value);
  if (complete) {
    bool more = next_token();
    if (!more || r.token != "]") {
      msg(MSG_MISSING_BRACKET, ']', r.sdb_name.c_str(), r.token_line, r.token_column);
      if (more) push_back_if_record();
    }
  }

  char *label = nullptr;
  long number = 0;
  std::string record_name = name;
  if ((kind == SDB_AUTO || kind == SDB_PARAM) && reg_number(value.c_str())) {
    kind = SDB_REG;
    number = long(reg_number(value.c_str()));
  } else if (kind == SDB_REG) {
    number = long(reg_number(value.c_str()));
  } else if (kind == SDB_STATIC && name[0] == 'F' && (isalpha(uint8_t(value[0])) || value[0] == '_')) {
    label = str_dup(name.c_str());
    record_name = "_" + value;
  } else {
    number = strtol(value.c_str() + (value[0] == '@'), nullptr, 10);
  }
  long size_flags = number_of(size);

  bool local = kind == SDB_AUTO || kind == SDB_PARAM || kind == SDB_REG;
  if (local && (r.current->kind == SDB_MODULE || r.current->kind == SDB_EMPTY_MODULE)) {
    type_chain_free(type);
    xfree(label);
    return nullptr;
  }
  sdb_record *old = visible_variable(label ? label : record_name.c_str());
  if (old && old->kind == kind && old->value == number && old->size_flags == size_flags) {
    type_chain_free(type);
    xfree(label);
    return old;
  }
  if (old && (kind == SDB_EXTERN || kind == SDB_STATIC) && old->kind == kind && old->value == number &&
      old->size_flags <= size_flags) {
    type_chain_free(old->type);
    old->type = type;
    old->size_flags = size_flags;
    xfree(label);
    return old;
  }
  if (old && settings.fake_blocks && !r.faked_since_marker && scope_depth(r.current) < SCOPE_DEPTH_MAX) {
    sdb_record *faked = sdb_new_scope(SDB_BLOCK, nullptr);
    faked->flags |= SDB_FAKED;
    faked->first_line = r.source_line;
    faked->source = str_dup(r.source.c_str());
    faked->parent = r.current;
    faked->parent_count = vec_size(r.current->items);
    sdb_scope_add(r.current, faked);
    r.current = faked;
    r.faked_since_marker = true;
  }
  sdb_record *v = sdb_new_record(kind, record_name.c_str());
  v->line = r.source_line;
  v->size_flags = size_flags;
  v->label = label;
  v->type = type;
  v->value = number;
  sdb_scope_add(r.current, v);
  return v;
}

void free_faked_lines(sdb_record *scope, int line) {
  for (uint32_t k = 0; k < vec_size(scope->items); k++) {
    sdb_record *item = static_cast<sdb_record *>(vec_get(scope->items, k));
    if (item->kind == SDB_BLOCK && (item->flags & SDB_FAKED)) {
      item->last_line = line;
      free_faked_lines(item, line);
    }
  }
}

sdb_record *read_block(int depth, int kind) {
  reader_state &r = rd();
  sdb_record *scope = sdb_new_scope(kind, nullptr);
  scope->first_line = r.source_line;
  scope->last_line = r.source_line;
  scope->source = str_dup(r.source.c_str());
  scope->parent = r.current;
  scope->parent_count = r.current ? vec_size(r.current->items) : 0;
  sdb_record *previous = r.current;
  r.current = scope;
  r.faked_since_marker = false;
  int pending_kind = SDB_BLOCK;
  sdb_record *pending_function = nullptr, *last_nested = nullptr;
  int numbers = 0;
  while (next_token()) {
    const std::string t = r.token;
    if (t == "}") break;
    if (t[0] == '"') {
      read_line_marker();
    } else if (t == "[d") {
      read_define();
    } else if (t == "[e") {
      read_enum();
    } else if (t == "[s" || t == "[u") {
      read_struct(t == "[u");
    } else if (t == "[v") {
      sdb_record *v = read_var();
      if (v && type_is_function(v->type)) {
        pending_function = v;
        pending_kind = SDB_FUNC;
      }
    } else if (t[0] == '[') {
      pending_kind = SDB_BLOCK;
    } else if (t == "{" && depth < SCOPE_DEPTH_MAX) {
      sdb_record *nested = read_block(depth + 1, pending_kind);
      if (pending_kind == SDB_FUNC) nested->function = pending_function;
      // The nested scope went into the innermost open scope (a faked block
      // may have become current).
      sdb_scope_add(r.current, nested);
      pending_kind = SDB_BLOCK;
      pending_function = nullptr;
      last_nested = nested;
      numbers = 0;
    } else if (number_token(t)) {
      if (pending_function) {
        pending_function->size_flags = number_of(t);
        pending_function = nullptr;
      } else if (last_nested && numbers < SDB_SCOPE_NUMBERS) {
        last_nested->numbers[numbers++] = number_of(t);
      }
    } else {
      unexpected(t);
    }
  }
  free_faked_lines(scope, r.source_line);
  r.current = previous;
  return scope;
}

void free_members(sdb_record *r) {
  for (uint32_t k = 0; r->members && k < r->member_count; k++) {
    xfree(r->members[k].name);
    type_chain_free(r->members[k].type);
  }
  for (uint32_t k = 0; r->enumerators && k < r->member_count; k++) xfree(r->enumerators[k].name);
  xfree(r->members);
  xfree(r->enumerators);
}

void dump_record(FILE *out, const sdb_record *r, int depth);

void dump_scope_items(FILE *out, const sdb_record *scope, int depth) {
  fprintf(out, "%*s{\n", depth, "");
  for (uint32_t k = 0; k < vec_size(scope->items); k++)
    dump_record(out, static_cast<sdb_record *>(vec_get(scope->items, k)), depth + 4);
  fprintf(out, "%*s}\n", depth, "");
}

void dump_record(FILE *out, const sdb_record *r, int depth) {
  fprintf(out, "%*s", depth, "");
  if (r->kind < SDB_EMPTY_MODULE) fprintf(out, "%s: ", kind_names[r->kind]);
  const char *name = r->name ? r->name : "";
  switch (r->kind) {
    case SDB_NULL:
    case SDB_EXTERN:
    case SDB_STATIC:
    case SDB_AUTO:
    case SDB_PARAM:
    case SDB_TYPEDEF:
    case SDB_REG:
      fprintf(out, "%s `", name);
      type_print(out, r->type);
      if (r->kind == SDB_REG) fprintf(out, " %s", reg_name(uint32_t(r->value)));
      if (r->kind == SDB_STATIC && r->label) fprintf(out, " %s", r->label);
      fprintf(out, " %d\n", r->line);
      return;
    case SDB_MODULE:
    case SDB_EMPTY_MODULE:
      fprintf(out, "\"%s\" %d-%d\n", name, r->first_line, r->last_line);
      dump_scope_items(out, r, depth);
      return;
    case SDB_FUNC:
    case SDB_BLOCK:
      if (r->kind == SDB_FUNC)
        fprintf(out, "%s() ", r->function && r->function->name ? r->function->name : "");
      fprintf(out, "%d-%d%s\n", r->first_line, r->last_line, (r->flags & SDB_FAKED) ? " (faked)" : "");
      dump_scope_items(out, r, depth);
      return;
    case SDB_STRUCT:
      fprintf(out, "%s", name);
      if (r->second_name) fprintf(out, "(%s)", r->second_name);
      fputs(" = {", out);
      for (uint32_t k = 0; k < r->member_count; k++) {
        fprintf(out, " %s `", r->members[k].name ? r->members[k].name : ".");
        type_print(out, r->members[k].type);
      }
      fputs(" }\n", out);
      return;
    case SDB_ENUM:
      fprintf(out, "%s", name);
      if (r->second_name) fprintf(out, "(%s)", r->second_name);
      fputs(" = {", out);
      for (uint32_t k = 0; k < r->member_count; k++)
        fprintf(out, " %s=%ld", r->enumerators[k].name, r->enumerators[k].value);
      fputs(" }\n", out);
      return;
    case SDB_FILENAME:
      fprintf(out, "\"%s\"\n", name);
      return;
    default:
      fprintf(out, "sclass?? = %d\n", r->kind);
      return;
  }
}

sdb_record *find_in(sdb_record *scope, const char *name) {
  for (uint32_t k = 0; k < vec_size(scope->items); k++) {
    sdb_record *item = static_cast<sdb_record *>(vec_get(scope->items, k));
    if (item->name && !strcmp(item->name, name)) return item;
    if (is_scope_kind(item->kind))
      if (sdb_record *found = find_in(item, name)) return found;
  }
  return nullptr;
}

std::string sdb_name_of(const char *object_name) {
  std::string name = object_name;
  size_t slash = name.find_last_of("/\\");
  size_t dot = name.rfind('.');
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) name.erase(dot);
  return name + ".sdb";
}

// A module without a description: silent, as a missing file is no error,
// so only a machine already chosen or named by -p serves.
sdb_record *empty_module() {
  if (!model.machine && settings.processor && *settings.processor)
    for (uint32_t k = 0; k < machine_count; k++)
      if (machine_table[k]->match(settings.processor)) {
        machine_init("");
        break;
      }
  if (!model.machine) return nullptr;
  return sdb_new_scope(SDB_EMPTY_MODULE, nullptr);
}

}  // namespace

sdb_record *sdb_new_record(int kind, const char *name) {
  sdb_record *r = static_cast<sdb_record *>(xalloc(sizeof(sdb_record)));
  r->kind = kind;
  r->name = str_dup(name);
  return r;
}

sdb_record *sdb_new_scope(int kind, const char *name) {
  sdb_record *r = sdb_new_record(kind, name);
  r->items = vec_new_default();
  r->buckets = static_cast<sdb_record **>(xalloc(SDB_SCOPE_BUCKETS * sizeof(sdb_record *)));
  return r;
}

void sdb_scope_add(sdb_record *scope, sdb_record *item) {
  vec_push(scope->items, item);
  if (!item->name || item->kind == SDB_FILENAME || is_scope_kind(item->kind)) return;
  uint32_t h = scope_hash(item->name);
  item->bucket_next = scope->buckets[h];
  scope->buckets[h] = item;
}

sdb_record *sdb_lookup_visible(const char *name, uint32_t kind_mask) {
  for (sdb_record *scope = rd().current ? rd().current : rd().root; scope; scope = scope->parent) {
    for (sdb_record *r = scope->buckets ? scope->buckets[scope_hash(name)] : nullptr; r; r = r->bucket_next)
      if ((kind_mask & (1u << r->kind)) && !strcmp(r->name, name)) return r;
  }
  return nullptr;
}

sdb_record *sdb_current_scope() { return rd().current; }
int sdb_current_line() { return rd().source_line; }
sdb_record *sdb_global_scope() { return rd().root; }

void sdb_set_global_scope(sdb_record *root) {
  rd().root = root;
  model.sdb_root = root;
}

sdb_record *sdb_load(const char *object_name) {
  reader_state &r = rd();
  r.sdb_name = sdb_name_of(object_name);
  r.line = r.column = 1;
  r.have_pushed = false;
  r.unknown_modes.clear();
  r.in = fopen(r.sdb_name.c_str(), "r");
  char first[FIRST_LINE_ROOM + 1];
  sdb_record *module = nullptr;
  if (r.in && fgets(first, sizeof first, r.in)) {
    r.line = 2;
    std::string line = first;
    size_t start = line.find_first_not_of(" \t");
    size_t end = start == std::string::npos ? start : line.find_first_of(" \t\r\n", start);
    std::string head = start == std::string::npos ? "" : line.substr(start, end - start);
    std::string rest = end == std::string::npos ? "" : line.substr(end);
    if (head != "[p") msg(MSG_NOT_MODES, r.sdb_name.c_str());
    if (!machine_init(rest.c_str())) {
      fclose(r.in);
      r.in = nullptr;
      return nullptr;
    }
    for (size_t p = 0; p < rest.size();) {
      p = rest.find_first_not_of(" \t\r\n", p);
      if (p == std::string::npos) break;
      size_t q = rest.find_first_of(" \t\r\n", p);
      std::string mode = rest.substr(p, q == std::string::npos ? std::string::npos : q - p);
      p = q == std::string::npos ? rest.size() : q;
      if (mode == "]") break;
      if (!machine_flag(mode.c_str()) && r.unknown_modes.insert(mode).second)
        msg(MSG_UNKNOWN_MODE, mode.c_str(), r.sdb_name.c_str());
    }
    r.current = r.root;
    r.source.clear();
    r.source_line = 0;
    module = read_block(0, SDB_MODULE);
  } else {
    module = empty_module();
  }
  if (r.in) fclose(r.in);
  r.in = nullptr;
  r.current = nullptr;
  if (!module) return nullptr;
  xfree(module->name);
  module->name = str_dup(object_name);
  module->parent = r.root;
  r.source_line = 1;
  sdb_scope_add(r.root, module);
  return module;
}

void sdb_dump_to(FILE *out) {
  fputs("\nGlobal block:\n\n", out);
  if (rd().root) dump_record(out, rd().root, 0);
  fputc('\n', out);
}

void sdb_dump() { sdb_dump_to(stderr); }

sdb_record *sdb_find_global(const char *name) { return rd().root ? find_in(rd().root, name) : nullptr; }

bool type_is_function(const type_chain *type) {
  if (!type) return false;
  for (uint32_t k = type->count; k-- > 0;) {
    if (type->elems[k].kind == TK_QUALIFIER) continue;
    return type->elems[k].kind == TK_FUNCTION;
  }
  return false;
}

bool type_is_bit(const type_chain *type) {
  if (!type) return false;
  for (uint32_t k = type->count; k-- > 0;) {
    if (type->elems[k].kind == TK_QUALIFIER) continue;
    return type->elems[k].kind == TK_BASIC && type->elems[k].value == TC_BIT;
  }
  return false;
}

bool mach_resolve(sdb_record *var, sdb_record *scope, uint32_t *address, uint32_t *segment) {
  return model.machine && model.machine->resolve(var, scope, address, segment);
}

uint32_t mach_type_size(const type_elem *outer) {
  return model.machine && outer ? model.machine->type_size(outer) : 0;
}

void scope_free(sdb_record *record) {
  if (!record) return;
  for (uint32_t k = 0; k < vec_size(record->items); k++) scope_free(static_cast<sdb_record *>(vec_get(record->items, k)));
  vec_free(record->items);
  xfree(record->buckets);
  type_chain_free(record->type);
  free_members(record);
  xfree(record->name);
  xfree(record->label);
  xfree(record->source);
  xfree(record->second_name);
  xfree(record);
}

void sdb_reset() {
  reader_state &r = rd();
  if (r.in) fclose(r.in);
  scope_free(r.root);
  r = reader_state();
  model.sdb_root = nullptr;
  machine_reset();
}
