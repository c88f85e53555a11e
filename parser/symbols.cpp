#include "parser/symbols.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "common/alert.h"
#include "common/alloc.h"
#include "common/hash.h"
#include "parser/declarations.h"
#include "parser/expressions.h"
#include "parser/icwriter.h"
#include "parser/lexer.h"
#include "parser/parsk.h"
#include "parser/pragmas.h"
#include "parser/xref.h"

int sym_level;
bool sym_want_tag;
bool sym_want_member;
bool sym_want_label;
int sym_decl_level;

namespace {

constexpr int kMaxPools = 20;

// Each name leads to its records, newest first, deeper levels before
// shallower ones (so inner declarations hide outer ones). Each level keeps
// the records linked at it, for the end of its scope.
struct name_hash {
  using is_transparent = void;
  size_t operator()(std::string_view v) const { return std::hash<std::string_view>()(v); }
};
std::unordered_map<std::string, symbol *, name_hash, std::equal_to<>> names;
struct level_entry {
  symbol *s;
  uint32_t serial;  // tells a reused record from the one that was linked
};
std::vector<std::vector<level_entry>> levels;

char shared_empty[1] = "";

// Records come from pools; the newest pool hands out its records in order
// and the free list takes back what the collector frees.
std::vector<symbol *> pools;
std::vector<uint32_t> pool_counts;
uint32_t newest_used;  // records of the newest pool handed out so far
uint32_t next_pool_count = 1024;
symbol *free_list;
uint32_t free_count;
uint32_t handed_out;  // since the last collection
uint32_t serial_counter;
uint32_t number_counter;

// File names are shared by every record declared in them.
std::unordered_set<std::string> file_names;

// The classic bucket of a name: reports at the end of a scope come in
// bucket order, newest first within a bucket.
unsigned bucket_of(const char *name) {
  unsigned h = 0;
  const unsigned char *p = (const unsigned char *)name;
  for (;; p++) {
    h = (h * 2 + *p) & 0xff;
    if (!*p) break;
  }
  return h;
}

bool grow_pool() {
  if (pools.size() >= kMaxPools) {
    msg(309);
    return false;
  }
  uint32_t count = next_pool_count;
  symbol *pool = nullptr;
  while (!pool) {
    pool = (symbol *)calloc(count, sizeof(symbol));
    if (pool) break;
    count /= 2;
    if (count < 128) {
      msg(294, (unsigned)(count * 2 * sizeof(symbol)));
      return false;
    }
  }
  pools.push_back(pool);
  pool_counts.push_back(count);
  newest_used = 0;
  // Pools double so that large sources never meet the pool limit.
  next_pool_count = count * 2;
  free_count += count;
  return true;
}

// Records of pool p that were ever handed out.
uint32_t pool_used(size_t p) { return p + 1 == pools.size() ? newest_used : pool_counts[p]; }

bool is_tag_class(int cls) { return cls == SC_STRUCT || cls == SC_UNION || cls == SC_ENUM; }

bool matches(const symbol *s) {
  if (s->cls == SC_NONE) return true;
  if (is_tag_class(s->cls)) return sym_want_tag;
  if (s->cls == SC_MEMBER) return sym_want_member;
  if (s->cls == SC_LABEL) return sym_want_label;
  return !sym_want_tag && !sym_want_member && !sym_want_label;
}

void link_head(symbol *s) {
  auto it = names.find(std::string_view(s->name));
  if (it == names.end()) it = names.emplace(s->name, nullptr).first;
  symbol *&head = it->second;
  symbol **pp = &head;
  while (*pp && (*pp)->level > s->level) pp = &(*pp)->chain;
  s->chain = *pp;
  *pp = s;
  s->in_table = 1;
  if (levels.size() <= (size_t)s->level) levels.resize((size_t)s->level + 1);
  levels[(size_t)s->level].push_back({s, s->serial});
}

void unlink_record(symbol *s) {
  if (!s->in_table) return;
  auto it = names.find(std::string_view(s->name));
  if (it != names.end()) {
    for (symbol **pp = &it->second; *pp; pp = &(*pp)->chain) {
      if (*pp == s) {
        *pp = s->chain;
        break;
      }
    }
    if (!it->second) names.erase(it);
  }
  s->chain = nullptr;
  s->in_table = 0;
}

// The records still linked at a level, in bucket order.
std::vector<symbol *> records_at(size_t level) {
  std::vector<std::pair<uint64_t, symbol *>> keyed;
  if (level < levels.size())
    for (const level_entry &e : levels[level])
      if (e.s->serial == e.serial && e.s->in_table && (size_t)e.s->level == level)
        keyed.push_back({((uint64_t)bucket_of(e.s->name) << 32) | (0xffffffffu - e.s->serial), e.s});
  std::sort(keyed.begin(), keyed.end(),
            [](const auto &a, const auto &b) { return a.first < b.first; });
  std::vector<symbol *> out;
  out.reserve(keyed.size());
  for (auto &k : keyed) out.push_back(k.second);
  return out;
}

void free_record(symbol *s) {
  if (s->name && s->name != shared_empty) xfree(s->name);
  if (s->members) hash_free(s->members);
  memset(s, 0, sizeof *s);
  s->mark = 2;
  s->next = free_list;
  free_list = s;
  free_count++;
}

// Collector marking: everything reachable from a root.
void mark_type(const type_t &t);

void mark_symbol(symbol *s) {
  while (s && s->mark == 0) {
    s->mark = 1;
    mark_type(s->type);
    if (s->link) mark_symbol(s->link);
    if (s->base) mark_symbol(s->base);
    if (s->decayed) mark_symbol(s->decayed);
    for (symbol *m = s->first; m; m = m->next) mark_symbol(m);
    s = nullptr;
  }
}

void mark_type(const type_t &t) {
  if (t.base) mark_symbol(t.base);
  if (t.params)
    for (uint32_t i = 0; i < t.params->count; i++) mark_type(t.params->types[i]);
}

void mark_from_node(symbol *s) {
  if (s) mark_symbol(s);
}

void collect() {
  for (size_t p = 0; p < pools.size(); p++)
    for (uint32_t i = 0; i < pool_used(p); i++)
      if (pools[p][i].mark != 2) pools[p][i].mark = 0;
  for (auto &n : names)
    for (symbol *s = n.second; s; s = s->chain) mark_symbol(s);
  lex_mark_live(mark_from_node);
  expr_mark_live(mark_from_node);
  decl_mark_live(mark_from_node);
  for (size_t p = 0; p < pools.size(); p++)
    for (uint32_t i = 0; i < pool_used(p); i++)
      if (pools[p][i].mark == 0) free_record(&pools[p][i]);
  handed_out = 0;
}

const char *kind_word(int cls) {
  switch (cls) {
    case SC_LABEL: return "label";
    case SC_STRUCT: return "structure";
    case SC_UNION: return "union";
    case SC_ENUM: return "enum";
    case SC_TYPEDEF: return "typedef";
    default: return nullptr;
  }
}

void end_of_scope_checks(symbol *s) {
  if (s->cls != SC_EXTERN && s->cls != SC_STRUCT && !(s->flags & SF_DEFINED) &&
      (s->flags & SF_USED)) {
    if (s->cls == SC_LABEL) msg(254, "label", s->name);
    else if (s->cls != SC_UNION && s->cls != SC_ENUM && s->cls != SC_NONE)
      msg(254, "variable", s->name);
  }
  if (!(s->level > 0 || (s->cls == SC_STATIC && s->level == 0))) return;
  if ((s->flags & SF_USED) || !s->name[0]) return;
  // Message 350 spares absolute objects and the usual version strings.
  bool quiet = (s->flags & SF_ABSOLUTE) || !strcmp(s->name, "rcsid") || !strcmp(s->name, "sccsid");
  if (const char *word = kind_word(s->cls)) {
    if (!quiet) msg(350, word, s->name, (int)s->line);
    return;
  }
  if (s->cls == SC_PARAM || s->cls == SC_MEMBER || s->cls == SC_ENUMCONST || s->cls == SC_NONE)
    return;
  type_t t = type_strip(s->type);
  if (t.kind != TK_FUNCTION) return;
  uint32_t intr = qual_roles[ROLE_INTERRUPT];
  if (intr && (s->type.quals & intr)) return;
  if (s->flags & SF_DEFINED) msg(967, s->name, (int)s->line);
  else if (t.ptr && !quiet) msg(350, "variable declaration", s->name, (int)s->line);
}

// The regarg flags of a function type (and of a typedef of one).
void set_call_flags(symbol *s) {
  type_t t = type_strip(s->type);
  if (t.kind != TK_FUNCTION) return;
  if (!pragma_regarg) return;
  if (t.params) {
    const param_list *pl = t.params;
    const type_t &last = pl->types[pl->count - 1];
    if (last.code == TC_ELLIPSIS && !last.ptr) s->flags |= SF_VARIADIC;
    else if (pl->count == 1 && last.code == TC_VOID && !last.ptr && !last.kind) {
    } else s->flags |= SF_REGARGS;
  } else if (t.old_style && s->cls != SC_TYPEDEF) {
    if (s->cls != SC_STATIC && strcmp(s->name, "main") != 0) msg(349, s->name);
  }
}

// A parameter type that an old-style call would promote: char, short, float.
bool promotes(const type_t &p) {
  type_t s = type_strip(p);
  if (s.kind || s.ptr) return false;
  return s.code == TC_CHAR || s.code == TC_UCHAR || s.code == TC_SHORT || s.code == TC_USHORT ||
         s.code == TC_FLOAT || s.code == TC_BIT;
}

// A prototype and a declaration without one are one function's when a call
// through either passes the same: no parameter the default promotions
// change, no ellipsis. The number of the first parameter that breaks this,
// or 0.
uint32_t unpromoted_parameter(const param_list *pl) {
  for (uint32_t i = 0; i < pl->count; i++) {
    const type_t &p = pl->types[i];
    if (promotes(p) || (p.code == TC_ELLIPSIS && !p.ptr && !p.kind)) return i + 1;
  }
  return 0;
}

void previous_at(const symbol *s) { msg(1098, s->name, s->file ? s->file : "", (int)s->line); }

bool redeclare(symbol *rec, int cls, type_t &type) {
  bool error = false;
  if (rec->cls != cls) {
    bool rec_static = rec->cls == SC_STATIC, new_static = cls == SC_STATIC;
    if (rec->cls == SC_EXTERN && new_static) {
      msg(367, rec->name);
      rec->cls = SC_STATIC;
    } else if (rec_static && cls == SC_EXTERN) {
      // An extern (or class-less) redeclaration keeps the earlier linkage.
    } else {
      msg(983, rec->name);
      previous_at(rec);
      return false;
    }
  }
  if (!(rec->flags & SF_VALUE)) return true;
  if (rec->cls == SC_EXTERN || rec->cls == SC_STATIC) pragma_apply(rec);
  if (rec->cls == SC_ENUMCONST || cls == SC_ENUMCONST) {
    msg(986, rec->name);
    previous_at(rec);
    return false;
  }
  type_t old = rec->type;
  type_t o = type_strip(old), n = type_strip(type);
  if (o.kind == TK_FUNCTION && n.kind == TK_FUNCTION) {
    type_t ro = type_result(o), rn = type_result(n);
    if (!type_equal(ro, rn, true)) {
      msg(984, rec->name);
      error = true;
    } else if (o.params && n.params) {
      if (o.params->count != n.params->count) {
        msg(988, rec->name);
        error = true;
      } else {
        for (uint32_t i = o.params->count; i-- > 0;)
          if (!type_equal(o.params->types[i], n.params->types[i], true)) {
            msg(987, (int)(i + 1), rec->name);
            error = true;
            break;
          }
      }
    } else if (!o.params && n.params) {
      if (uint32_t bad = unpromoted_parameter(n.params)) {
        msg(987, (int)bad, rec->name);
        error = true;
      } else {
        rec->type = type;  // the prototype is taken over
      }
    } else if (o.params && !n.params && n.old_style != OLD_STYLE_LIST) {
      // A definition's identifier list is held to the prototype once its
      // parameters have their types.
      if (uint32_t bad = unpromoted_parameter(o.params)) {
        msg(987, (int)bad, rec->name);
        error = true;
      }
    }
    if (!error && (o.quals != n.quals)) {
      msg(985, rec->name);
      error = true;
    }
  } else if (!type_equal(old, type, true)) {
    msg(984, rec->name);
    error = true;
  } else if (o.quals != n.quals) {
    msg(985, rec->name);
    error = true;
  } else if (o.kind == TK_ARRAY && n.kind == TK_ARRAY) {
    if (o.count > 0 && n.count > 0 && o.count != n.count) {
      msg(251, rec->name);
      error = true;
    } else if (n.count > 0 || n.dim) {
      rec->type = type;  // the new dimension replaces the old
    }
  }
  if (error) previous_at(rec);
  return !error;
}

}  // namespace

void sym_init() {
  names.clear();
  levels.clear();
  sym_level = 0;
  serial_counter = 0;
  number_counter = 0;
}

const char *sym_intern_file(const char *name) {
  if (!name) return nullptr;
  return file_names.insert(name).first->c_str();
}

symbol *sym_lookup(const char *name) {
  auto it = names.find(std::string_view(name));
  if (it == names.end()) return nullptr;
  // A name met before it was known (a member name read ahead as an
  // ordinary one) hides no declaration of the name space looked in.
  symbol *unknown = nullptr;
  for (symbol *s = it->second; s; s = s->chain)
    if (s->cls == SC_NONE) {
      if (!unknown) unknown = s;
    } else if (matches(s)) {
      return s;
    }
  return unknown;
}

symbol *sym_lookup_class(const char *name, int cls) {
  auto it = names.find(std::string_view(name));
  if (it == names.end()) return nullptr;
  for (symbol *s = it->second; s; s = s->chain)
    if (s->cls == cls) return s;
  return nullptr;
}

symbol *sym_lookup_file(const char *name) {
  auto it = names.find(std::string_view(name));
  if (it == names.end()) return nullptr;
  for (symbol *s = it->second; s; s = s->chain)
    if (s->level == 0 && (s->flags & SF_VALUE) && (s->cls == SC_EXTERN || s->cls == SC_STATIC)) return s;
  return nullptr;
}

symbol *sym_find_or_add(const char *name) {
  if (xref_stream && name && name[0]) xref_use(name, lex_lineno);
  symbol *s = sym_lookup(name);
  if (s) return s;
  s = sym_new(name);
  if (s) link_head(s);
  return s;
}

symbol *sym_new(const char *name) {
  symbol *s;
  if (free_list) {
    s = free_list;
    free_list = s->next;
  } else {
    if ((pools.empty() || newest_used == pool_counts.back()) && !grow_pool()) msg_exit_failure(1);
    s = &pools.back()[newest_used++];
  }
  free_count--;
  handed_out++;
  memset(s, 0, sizeof *s);
  s->level = sym_level;
  s->serial = ++serial_counter;
  s->name = name && name[0] ? str_dup(name) : shared_empty;
  s->type = type_plain(TC_NONE);
  return s;
}

symbol *sym_new_linked(const char *name) {
  symbol *s = sym_new(name);
  link_head(s);
  return s;
}

symbol *sym_temp() {
  symbol *s = sym_new(nullptr);
  s->flags = SF_TEMP | SF_USED | SF_DEFINED | SF_NUMBERED;
  s->file = lex_file;
  s->line = (uint32_t)lex_lineno;
  return s;
}

symbol *sym_hidden_typedef(const type_t &type, int level) {
  symbol *s = sym_temp();
  s->level = level;
  int saved = sym_level;
  sym_level = level;
  sym_declare(s, SC_TYPEDEF, type, nullptr);
  sym_level = saved;
  return s;
}

symbol *sym_declare(symbol *rec, int cls, const type_t &type_in, symbol *owner) {
  type_t type = type_in;
  if (type.code == TC_TYPEDEF && type.base) {
    type_t td = type_strip(type);
    if (td.kind) type = type_resolve(type);
  }
  if (type.kind == TK_ARRAY && type.dim) {
    int32_t v;
    type.count = expr_const_value(type.dim, &v) ? v : 0;
  }

  if (cls == SC_MEMBER) {
    symbol *m = sym_new(rec ? rec->name : nullptr);
    m->cls = SC_MEMBER;
    m->file = lex_file;
    m->line = (uint32_t)lex_lineno;
    m->type = type;
    m->link = owner;
    if (owner) sym_member_add(owner, m, m->name);
    return m;
  }

  if (!(rec->flags & SF_TEMP)) {
    if (rec->cls != SC_NONE && rec->level == sym_level && rec->in_table) {
      if (!redeclare(rec, cls, type)) return rec;
      if (rec->file == nullptr) {
        rec->file = lex_file;
        rec->line = (uint32_t)lex_lineno;
      }
      set_call_flags(rec);
      return rec;
    }
    if (!(rec->cls == SC_NONE && rec->level == sym_level && rec->in_table)) {
      if (cls == SC_AUTO && rec->cls != SC_NONE && rec->level > 0 && rec->level < sym_level &&
          (rec->flags & SF_VALUE))
        msg(346, rec->name);
      symbol *n = sym_new(rec->name);
      link_head(n);
      rec = n;
    }
  }

  if (!rec->file) {
    rec->file = lex_file;
    rec->line = (uint32_t)lex_lineno;
  }
  rec->cls = (uint8_t)cls;
  switch (cls) {
    case SC_STRUCT:
    case SC_UNION:
      rec->members = hash_new(13, hash_string, hash_string_equal);
      rec->tag_number = sym_next_number();
      rec->type = type_plain(cls == SC_STRUCT ? TC_STRUCT : TC_UNION);
      rec->type.base = rec;
      break;
    case SC_ENUM:
      rec->type = type_plain(TC_ENUM);
      rec->type.base = rec;
      break;
    case SC_LABEL:
      rec->tag_number = sym_next_number();
      break;
    case SC_ENUMCONST:
      rec->flags |= SF_VALUE | SF_DEFINED;
      rec->link = owner;
      rec->type = type;
      break;
    case SC_TYPEDEF:
      rec->type = type;
      rec->flags |= SF_DEFINED;
      break;
    default:
      rec->type = type;
      rec->flags |= SF_VALUE;
      if (cls == SC_AUTO) {
        uint32_t allowed = qual_table[0].bit | qual_table[1].bit | qual_auto_allowed;
        type_t s = type_strip(type);
        if ((s.quals & ~allowed) && !s.ptr) msg(348, rec->name);
      }
  }
  set_call_flags(rec);
  if (cls == SC_EXTERN || cls == SC_STATIC) pragma_apply(rec);
  return rec;
}

bool sym_define(symbol *rec) {
  if (rec->flags & SF_TEMP) return false;
  bool was = rec->flags & SF_DEFINED;
  rec->file = lex_file;
  rec->line = (uint32_t)lex_lineno;
  if (xref_stream) xref_define(rec);
  rec->flags |= SF_DEFINED;
  rec->flags &= ~SF_WRITTEN;
  return was;
}

void sym_move_to_level(symbol *rec, int level) {
  if (rec->in_table) {
    unlink_record(rec);
    rec->level = level;
    link_head(rec);
  }
  rec->level = level;
}

void sym_unlink(symbol *rec) { unlink_record(rec); }

void sym_relink(symbol *rec) {
  if (rec->in_table || rec->name == shared_empty) return;
  rec->level = sym_level;
  link_head(rec);
}

void sym_member_add(symbol *tag, symbol *member, const char *name) {
  if (!tag->members) tag->members = hash_new(13, hash_string, hash_string_equal);
  if (name && name[0]) {
    if (hash_lookup(tag->members, name)) {
      msg(261, name);
      return;
    }
    hash_insert(tag->members, member->name, member);
  }
}

symbol *sym_member_find(symbol *tag, const char *name) {
  symbol *m = tag && tag->members ? (symbol *)hash_lookup(tag->members, name) : nullptr;
  if (!m) msg(255, name, tag && tag->name[0] ? tag->name : "");
  return m;
}

void scope_open() {
  ic_scope(true);
  sym_level++;
}

void scope_enter_quiet() { sym_level++; }

void scope_leave_quiet() {
  if (sym_level > 0) sym_level--;
}

void scope_close() {
  int closing = sym_level;
  for (size_t l = (size_t)closing; l < levels.size(); l++) {
    for (symbol *s : records_at(l)) {
      end_of_scope_checks(s);
      unlink_record(s);
    }
    levels[l].clear();
  }
  if (handed_out >= free_count / 2) collect();
  if (sym_level > 0) sym_level--;
  ic_scope(false);
}

void scope_close_file() {
  for (symbol *s : records_at(0)) end_of_scope_checks(s);
}

void sym_release() {
  names.clear();
  levels.clear();
  for (size_t p = 0; p < pools.size(); p++) {
    for (uint32_t i = 0; i < pool_used(p); i++) {
      symbol &r = pools[p][i];
      if (r.mark == 2) continue;
      if (r.name && r.name != shared_empty) xfree(r.name);
      if (r.members) hash_free(r.members);
    }
    free(pools[p]);
  }
  pools.clear();
  pool_counts.clear();
  free_list = nullptr;
  free_count = 0;
  next_pool_count = 1024;
}

uint32_t sym_next_number() { return ++number_counter; }

bool sym_is_main(const symbol *rec) {
  return rec && rec->cls == SC_EXTERN && !strcmp(rec->name, "main");
}

void sym_write_features() {
  std::vector<symbol *> out;
  for (symbol *s : records_at(0))
    if (s->features) out.push_back(s);
  // Oldest first, so the records follow the source.
  std::sort(out.begin(), out.end(), [](symbol *a, symbol *b) { return a->serial < b->serial; });
  for (symbol *s : out) ic_directive(IC_HEAD, "f _%s %lu", s->name, (unsigned long)s->features);
}
