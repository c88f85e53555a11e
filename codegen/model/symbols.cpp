#include "codegen/model/symbols.h"

#include <cctype>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <map>
#include <set>
#include <string>
#include <unordered_map>

#include "codegen/model/callgraph.h"
#include "codegen/model/decl.h"
#include "codegen/model/funcnum.h"
#include "codegen/model/progstate.h"
#include "codegen/model/optim.h"
#include "codegen/model/ptrtargets.h"
#include "codegen/model/regs.h"
#include "codegen/model/target_services.h"
#include "codegen/model/tree.h"
#include "codegen/model/types.h"
#include "common/alert.h"
#include "common/alloc.h"
#include "common/hash.h"
#include "common/vector.h"

namespace {

constexpr uint32_t TABLE_BUCKETS = SYM_TABLE_BUCKETS;
constexpr uint32_t ASM_NAME_BUCKETS = 128;

struct symbols_state {
  symbol *buckets[TABLE_BUCKETS];
  uint16_t level;
  vec *open_lines;        // line at which each level was opened
  uint16_t unique;
  uint16_t global_sequence;
  symbol *current_function;
  uint32_t compile_levels = 1;
  hash_table *asm_defined;
  vec *globals;
  vec *all;               // every symbol made, so that none is lost
  std::map<std::string, symbol *> statics;   // first static of each name
  std::set<std::string> local_names;         // derived parameter and auto names in use
  std::map<uint64_t, symbol *> absolute_functions;
  std::map<long, symbol *> string_labels;
  std::set<std::pair<unsigned, const symbol *>> reported;  // placement messages given
  std::set<std::string> files;
  const char *file = "";
  int line;
  std::map<uint32_t, std::string> level_prefixes;
  std::unordered_map<const symbol *, uint32_t> temp_numbers;  // the last each function's temporaries took
};
symbols_state &ss() {
  static symbols_state &state = *new symbols_state();
  return state;
}

uint32_t bucket_of(const char *name) { return sym_hash_name(name) % TABLE_BUCKETS; }

symbol *find_in_chain(const char *name) {
  for (symbol *s = ss().buckets[bucket_of(name)]; s; s = s->hash_next)
    if (strcmp(s->key, name) == 0) return s;
  return nullptr;
}

uint32_t string_hash(const void *key) { return sym_hash_name(static_cast<const char *>(key)); }

int lowest_bit(uint32_t mask) { return mask ? __builtin_ctz(mask) : 0; }

// Names the areas of a function's compiled-stack block.
void make_areas(symbol *f) {
  const char *level_name = sym_level_name(f);
  bool reentrant = f->flags2 & SYM2_REENTRANT;
  uint8_t area_class = f->sclass == SC_EXTERN ? SC_EXTERN : SC_STATIC;
  for (int k = 0; k < 2; k++) {
    symbol *area = sym_new();
    char *name = strfmt(k == 0 ? "?%s" : "??%s", level_name);
    sym_set_names(area, name);
    xfree(name);
    area->kind = SK_OBJECT;
    area->flags = SYM_STACK_AREA | SYM_COMPILER_MADE;
    area->sclass = reentrant ? uint8_t(k == 0 ? SC_PARAM : SC_AUTO) : area_class;
    area->owner = f;
    area->type = type_array_of(type_uchar(), k == 0 ? f->params_size : 0);
    sym_enter(area);
    (k == 0 ? f->param_area : f->auto_area) = area;
  }
  // A function at an absolute address; a pointer placed at one names the
  // area of its targets instead.
  if (pointGraphCompleted && (f->flags & SYM_ABSOLUTE) && type_is_function(f->type))
    out_printf("global %s\n%s set 0\n", f->param_area->name, f->param_area->name);
}

}  // namespace

void sym_set_names(symbol *s, const char *name) {
  s->name = str_dup(name);
  s->key = str_dup(name);
  s->base_name = s->name;
}

uint32_t sym_hash_name(const char *name) {
  uint32_t h = 0;
  for (const unsigned char *p = reinterpret_cast<const unsigned char *>(name); *p; p++) h = h * 2 + *p;
  return h;
}

void sym_init_types() {
  symbols_state &s = ss();
  for (symbol *&head : s.buckets) head = nullptr;
  s.level = 0;
  vec_free(s.open_lines);
  s.open_lines = vec_new_default();
  s.unique = 0;
  s.global_sequence = 0;
  s.current_function = nullptr;
  s.compile_levels = 1;
  if (s.asm_defined) hash_clear(s.asm_defined);
  vec_free(s.globals);
  s.globals = vec_new_default();
  s.statics.clear();
  s.local_names.clear();
  s.absolute_functions.clear();
  s.string_labels.clear();
  s.reported.clear();
  s.temp_numbers.clear();
  ptr_targets_reset();
  funcnum_reset();
  decl_reset();
  optim_reset();
  types_init_basic();
  vec *basics = type_basic_list();
  for (uint32_t k = 0; k < vec_size(basics); k++) {
    ctype *t = static_cast<ctype *>(vec_get(basics, k));
    symbol *name = sym_new();
    sym_set_names(name, t->name);
    name->kind = SK_TYPE_NAME;
    name->sclass = SC_TYPE;
    name->flags = SYM_DEBUG_WRITTEN;
    name->type = t;
    sym_enter(name);
  }
  emit_target_types_init();
}

symbol *sym_find(const char *name) {
  symbol *s = find_in_chain(name);
  if (s && (s->kind == SK_STRUCT_TAG || s->kind == SK_SCOPE_ALIAS) && s->alias) return s->alias;
  return s;
}

symbol *sym_lookup(const char *name) {
  if (symbol *s = sym_find(name)) return s;
  symbol *s = sym_new();
  sym_set_names(s, name);
  s->level = ss().level;
  s->type = type_void();
  sym_enter(s);
  return s;
}

symbol *sym_new() {
  symbol *s = static_cast<symbol *>(xalloc(sizeof(symbol)));
  s->unique = ++ss().unique;
  if (s->unique == 0) s->unique = ++ss().unique;
  s->file = ss().file;
  s->line = ss().line;
  s->type = type_void();
  if (!ss().all) ss().all = vec_new(1024);
  vec_push(ss().all, s);
  return s;
}

symbol *sym_new_fake() {
  symbol *s = sym_new();
  sym_set_names(s, "Fake");
  s->flags = SYM_COMPILER_MADE;
  return s;
}

void sym_free(symbol *s) {
  if (!s) return;
  vec_remove(ss().all, s);
  if (s->base_name != s->name) xfree(s->base_name);
  xfree(s->name);
  xfree(s->key);
  xfree(s->source_name);
  xfree(s->label);
  vec_free(s->params);
  vec_free(s->autos);
  vec_free(s->temps);
  vec_free(s->held);
  vec_free(s->reg_params);
  vec_free(s->fake_params);
  vec_free(s->direct_callers);
  vec_free(s->callers);
  iset_free(s->used_regs);
  for (int k = 0; k < SYM_LEVEL_SLOTS; k++) {
    xfree(s->asm_names[k]);
    xfree(s->level_names[k]);
  }
  xfree(s);
}

void sym_enter(symbol *s) {
  // Chains run from the innermost scope outward.
  symbol **link = &ss().buckets[bucket_of(s->key)];
  while (*link && (*link)->level > s->level) link = &(*link)->hash_next;
  s->hash_next = *link;
  *link = s;
}

namespace {

// A parameter that a call without a prototype would pass otherwise: bit,
// char, short and float are widened. An enumeration is an int to the parser.
bool changed_by_promotion(ctype *param) {
  ctype *t = type_unqual(param);
  if (!t || t->kind != TY_BASIC || !t->name) return false;
  for (const char *name : {"b", "c", "uc", "s", "us", "f"})
    if (strcmp(t->name, name) == 0) return true;
  return false;
}

// A function declared without parameter types: nothing after its return type.
bool without_prototype(symbol *s) {
  ctype *t = type_unqual(s->type);
  return !vec_size(t->params) && !t->variadic && !(s->flags & (SYM_PARAM | SYM_VARIADIC)) && !s->param_reg;
}

// C takes a declaration without a prototype and a prototype of the same
// function as one when a call through either passes the same bytes: the
// prototype has no ellipsis and no parameter the promotions would widen.
bool prototype_meets_declaration(symbol *declared, symbol *prototyped) {
  ctype *d = type_unqual(declared->type), *p = type_unqual(prototyped->type);
  if (!type_equal(d->sub, p->sub) || type_qualifiers(declared->type) != type_qualifiers(prototyped->type))
    return false;
  if (p->variadic || (prototyped->flags & SYM_VARIADIC)) return false;
  for (uint32_t k = 0; k < vec_size(p->params); k++)
    if (changed_by_promotion(static_cast<ctype *>(vec_get(p->params, k)))) return false;
  return true;
}

}  // namespace

symbol *sym_declare(symbol *s) {
  symbol *old = nullptr;
  for (symbol *e = ss().buckets[bucket_of(s->key)]; e; e = e->hash_next)
    if (e != s && e->level == s->level && strcmp(e->key, s->key) == 0) {
      old = e;
      break;
    }
  if (!old) {
    sym_enter(s);
    return s;
  }
  const uint32_t compared = SYM_REG_PARAM | SYM_VARIADIC | SYM_PARAM;
  bool function = type_is_function(s->type);
  bool old_bare = function && type_is_function(old->type) && without_prototype(old);
  bool new_bare = function && type_is_function(old->type) && without_prototype(s);
  if (old_bare && !new_bare && prototype_meets_declaration(old, s)) {
    // The prototype is the function's type from now on; calls bound so far
    // passed their arguments as they stand, which is what it takes.
    old->type = s->type;
    old->flags = (old->flags & ~compared) | (s->flags & compared);
    old->param_reg = s->param_reg;
    if (old->fake_params && !vec_size(old->fake_params)) {
      vec_free(old->fake_params);
      old->fake_params = nullptr;
    }
  } else if (new_bare && !old_bare && prototype_meets_declaration(s, old)) {
  } else if (!type_equal(old->type, s->type) || (old->flags & compared) != (s->flags & compared) ||
             (function && old->param_reg != s->param_reg))
    msg(1098, s->key, old->file, old->line);
  ctype *old_base = type_unqual(old->type), *new_base = type_unqual(s->type);
  if (old_base && new_base && old_base->kind == TY_ARRAY && new_base->kind == TY_ARRAY &&
      new_base->count > old_base->count)
    old->type = s->type;
  if (!(s->flags & SYM_DECLARED_ONLY) && (old->flags & SYM_DECLARED_ONLY)) {
    // The definition is where the symbol is: messages and debug records say so.
    old->flags &= ~SYM_DECLARED_ONLY;
    old->file = s->file;
    old->line = s->line;
  }
  return old;
}

symbol *sym_find_file_static(const char *name) {
  for (symbol *s = ss().buckets[bucket_of(name)]; s; s = s->hash_next)
    if (s->level == 1 && s->sclass == SC_STATIC && s->kind == SK_OBJECT && strcmp(s->key, name) == 0) return s;
  return nullptr;
}

void sym_enter_scope_alias(symbol *outer) {
  if (ss().level == 0 || sym_find(outer->key) == outer) return;
  symbol *a = sym_new();
  sym_set_names(a, outer->key);
  a->kind = SK_SCOPE_ALIAS;
  a->level = ss().level;
  a->type = outer->type;
  a->alias = outer;
  sym_enter(a);
}

void sym_scope_open() {
  vec_set(ss().open_lines, reinterpret_cast<void *>(intptr_t(ss().line)), ss().level);
  ss().level++;
}

void sym_scope_close() {
  if (ss().level == 0) return;
  uint16_t closing = ss().level;
  for (symbol *&head : ss().buckets)
    for (symbol **link = &head; *link;) {
      if ((*link)->level >= closing) {
        symbol *gone = *link;
        *link = gone->hash_next;
        // Nothing but the table holds an alias.
        if (gone->kind == SK_SCOPE_ALIAS) sym_free(gone);
      } else
        link = &(*link)->hash_next;
    }
  ss().level--;
}

uint16_t sym_scope_level() { return ss().level; }

const char *sym_intern_file(const char *file) {
  return ss().files.insert(file ? file : "").first->c_str();
}

void sym_set_position(const char *file, int line) {
  // The reader's position is the message context.
  if (file && strcmp(file, ss().file) != 0) {
    ss().file = sym_intern_file(file);
    msg_set_context(ss().file, &ss().line, nullptr, nullptr);
  }
  ss().line = line;
}

void sym_report_at(symbol *s, unsigned number, ...) {
  if (!ss().reported.insert({number, s}).second) return;
  const char *file = ss().file;
  int line = ss().line;
  sym_set_position(s->file, s->line);
  va_list args;
  va_start(args, number);
  msg_vmsg(number, args);
  va_end(args);
  sym_set_position(file, line);
}

void sym_report_program(unsigned number, ...) {
  if (!ss().reported.insert({number, nullptr}).second) return;
  msg_set_context(nullptr, nullptr, nullptr, nullptr);
  va_list args;
  va_start(args, number);
  msg_vmsg(number, args);
  va_end(args);
  msg_set_context(ss().file, &ss().line, nullptr, nullptr);
}

const char *sym_current_file() { return ss().file; }
int sym_current_line() { return ss().line; }
int *sym_current_line_ptr() { return &ss().line; }

symbol *sym_current_function() { return ss().current_function; }
void sym_set_current_function(symbol *f) { ss().current_function = f; }

void sym_set_compile_levels(uint32_t mask) { ss().compile_levels = mask; }
uint32_t sym_compile_levels() { return ss().compile_levels; }

hash_table *sym_asm_defined_names() {
  if (!ss().asm_defined) ss().asm_defined = hash_new(ASM_NAME_BUCKETS, string_hash, hash_string_equal);
  return ss().asm_defined;
}

bool sym_is_asm_defined(const char *name) {
  return ss().asm_defined && hash_lookup(ss().asm_defined, name) != nullptr;
}

bool sym_called_from_outside(const symbol *f) {
  return sym_is_asm_defined(f->name) || ((mode_word & MODE_LIBRARY) && f->sclass == SC_EXTERN);
}

uint16_t sym_next_sequence() { return ++ss().global_sequence; }

symbol *sym_bucket(uint32_t index) { return index < TABLE_BUCKETS ? ss().buckets[index] : nullptr; }

vec *sym_global_objects() {
  if (!ss().globals) ss().globals = vec_new_default();
  return ss().globals;
}

namespace {

// A function's temporaries are numbered from 1 each time its statements are
// rebuilt, past the numbers of the held ones kept from before: a rebuild
// names them as the one before did.
uint32_t temp_number(symbol *f, const symbol *s) {
  if (!f) return s->unique;
  uint32_t &next = ss().temp_numbers[f];
  for (bool clash = true; clash;) {
    next++;
    clash = false;
    for (uint32_t k = 0; k < vec_size(f->held) && !clash; k++)
      clash = strtoul(strrchr(static_cast<symbol *>(vec_get(f->held, k))->name, '$') + 1, nullptr, 10) == next;
  }
  return next;
}

}  // namespace

void sym_restart_temps(symbol *f) { ss().temp_numbers[f] = 0; }

symbol *sym_new_temp(tree_node *node) {
  symbol *f = ss().current_function;
  symbol *s = sym_new();
  char *name = strfmt("%s$%u", f ? f->name : "", temp_number(f, s));
  sym_set_names(s, name);
  xfree(name);
  s->kind = SK_OBJECT;
  s->sclass = SC_AUTO;
  s->flags = SYM_COMPILER_MADE;
  s->owner = f;
  s->level = ss().level;
  s->type = node ? node->type : type_int();
  // The value points where the node's does: to the sets its own set
  // reaches at the node's depth.
  if (node && node->targets && type_is_pointer(s->type)) {
    ptr_targets *set = sym_ptr_targets(s);
    vec *reached = ptr_targets_reach(node->targets, node->indir);
    vec_append(set->targets, reached);
    vec_free(reached);
  }
  if (f) {
    if (!f->autos) f->autos = vec_new_default();
    if (!f->temps) f->temps = vec_new_default();
    vec_push(f->autos, s);
    vec_push(f->temps, s);
  }
  return s;
}

// A statement rebuilt takes the held pointers it took the time before, in
// the same order: what the passes before learnt of them (call-graph records
// and edges, pointer targets, reentrancy) holds in every pass. The pointer's
// type may be made anew between passes.
symbol *sym_held_temp(tree_node *pointer) {
  symbol *f = ss().current_function;
  if (!f) return sym_new_temp(pointer);
  if (!f->held) f->held = vec_new_default();
  if (f->held_made == vec_size(f->held)) {
    symbol *s = sym_new_temp(pointer);
    vec_pop(f->temps);
    vec_push(f->held, s);
    f->held_made++;
    return s;
  }
  symbol *s = static_cast<symbol *>(vec_get(f->held, f->held_made++));
  s->type = pointer->type;
  s->level = ss().level;
  s->statement = 0;
  s->flags &= ~SYM_NEVER_USED;
  if (pointer->targets) {
    ptr_targets *set = sym_ptr_targets(s);
    vec *targets = pointer->targets->targets;
    for (uint32_t k = 0; k < vec_size(targets); k++) vec_push_unique(set->targets, vec_get(targets, k));
  }
  vec_push_unique(f->autos, s);
  return s;
}

bool sym_mark_reentrant(symbol *f) {
  if ((f->flags & SYM_ABSOLUTE_AREA) || (f->flags2 & SYM2_REENTRANT)) return false;
  f->flags2 |= SYM2_REENTRANT;
  for (vec *list : {f->autos, f->params})
    for (uint32_t k = 0; k < vec_size(list); k++)
      static_cast<symbol *>(vec_get(list, k))->flags2 |= SYM2_REENTRANT;
  return true;
}

symbol *sym_new_area(const char *name, uint32_t quals, uint32_t length, uint64_t address) {
  symbol *s = sym_new();
  sym_set_names(s, name);
  s->kind = SK_OBJECT;
  s->sclass = SC_EXTERN;
  s->flags = SYM_ABSOLUTE | SYM_ABSOLUTE_AREA;
  s->flags2 = SYM2_FIXED;
  s->address = address;
  s->type = type_qualify(type_array_of(type_uchar(), length), quals);
  sym_enter(s);
  return s;
}

symbol *sym_absolute_function(uint64_t address, ctype *type) {
  symbol *&s = ss().absolute_functions[address];
  if (!s) {
    s = sym_new();
    sym_set_names(s, "Absolute_function");
    s->kind = SK_OBJECT;
    s->sclass = SC_EXTERN;
    s->flags = SYM_ABSOLUTE | SYM_COMPILER_MADE;
    s->flags2 = SYM2_FIXED;
    s->address = address;
    s->type = type;
  }
  return s;
}

symbol *sym_string_label(long number) {
  symbol *&s = ss().string_labels[number];
  if (!s) {
    char *name = strfmt("STR_%ld", number);
    s = sym_lookup(name);
    xfree(name);
    s->kind = SK_OBJECT;
    s->sclass = SC_STATIC;
    s->flags |= SYM_STRING | SYM_COMPILER_MADE;
    s->type = type_qualify(type_array_of(type_uchar(), 0), Q_CONST);
  }
  return s;
}

symbol *sym_return_rep(symbol *s) {
  if (!s->return_rep) {
    symbol *rep = sym_new();
    char *name = strfmt("sp_%s", sym_asm_name(s));
    sym_set_names(rep, name);
    xfree(name);
    rep->kind = SK_OBJECT;
    rep->flags = SYM_COMPILER_MADE;
    rep->owner = s;
    ctype *t = type_unqual(s->type);
    if (t && t->kind == TY_POINTER) t = type_unqual(t->sub);
    rep->type = t && t->kind == TY_FUNCTION ? t->sub : type_void();
    s->return_rep = rep;
  }
  return s->return_rep;
}

const char *sym_level_prefix(symbol *s) {
  uint32_t mask = ss().compile_levels;
  if (mask <= 1 || !s) return "";
  symbol *f = type_is_function(s->type) ? s : s->owner;
  if (!f || !type_is_function(f->type)) return "";
  if ((f->levels_called & ~mask) == 0) return "";
  if (type_qualifiers(f->type) & Q_INTERRUPT) return "";
  if (f->levels_entry == mask) return "";
  uint32_t n = lowest_bit(mask);
  std::string &prefix = ss().level_prefixes[n];
  if (prefix.empty()) prefix = "i" + std::to_string(n);
  return prefix.c_str();
}

namespace {

const char *prefixed(symbol *s, const char *name, char **cache) {
  const char *prefix = sym_level_prefix(s);
  if (!*prefix) return name;
  int n = lowest_bit(ss().compile_levels);
  if (n >= SYM_LEVEL_SLOTS) n = SYM_LEVEL_SLOTS - 1;
  if (cache[n]) return cache[n];
  // An area is named "?" or "??" and its function's level name: the
  // level's copy has areas of its own.
  int marks = (s->flags & SYM_STACK_AREA) ? int(strspn(name, "?")) : 0;
  cache[n] = strfmt("%.*s%s%s", marks, name, prefix, name + marks);
  return cache[n];
}

}  // namespace

const char *sym_asm_name(symbol *s) { return prefixed(s, s->name, s->asm_names); }
const char *sym_level_name(symbol *s) { return prefixed(s, s->base_name, s->level_names); }

symbol *sym_param_area(symbol *f) {
  if (!f->param_area) make_areas(f);
  return f->param_area;
}

symbol *sym_auto_area(symbol *f) {
  if (!f->auto_area) make_areas(f);
  return f->auto_area;
}

vec *sym_params(symbol *callee) {
  if (!callee) return nullptr;
  if (vec_size(callee->params)) return callee->params;
  if (callee->fake_params) return callee->fake_params;
  // Through pointers and arrays of them to the function type.
  ctype *t = type_unqual(callee->type);
  while (t && (t->kind == TY_POINTER || t->kind == TY_ARRAY)) t = type_unqual(t->sub);
  callee->fake_params = vec_new_default();
  if (!t || t->kind != TY_FUNCTION) return callee->fake_params;
  for (uint32_t k = 0; k < vec_size(t->params); k++) {
    symbol *p = sym_new();
    char *name = strfmt("%s$%u", callee->name, k);
    sym_set_names(p, name);
    xfree(name);
    p->kind = SK_OBJECT;
    p->sclass = SC_PARAM;
    p->flags = SYM_PARAM | SYM_COMPILER_MADE;
    p->owner = callee;
    p->type = static_cast<ctype *>(vec_get(t->params, k));
    vec_push(callee->fake_params, p);
  }
  sym_layout_params(callee);
  return callee->fake_params;
}

uint32_t sym_layout_params(symbol *f) {
  vec *params = vec_size(f->params) ? f->params : f->fake_params;
  if (!f->reg_params) f->reg_params = vec_new_default();
  vec_clear(f->reg_params);
  uint32_t offset = 0;
  for (uint32_t k = 0; k < vec_size(params); k++) {
    symbol *p = static_cast<symbol *>(vec_get(params, k));
    p->reg = 0;
    p->flags &= ~SYM_PARAM_IN_MEMORY;
    p->flags2 &= ~(SYM2_REG_ALLOCATED | SYM2_REG_HELD | SYM2_IN_REGISTER);
    if (uint32_t r = local_param_reg(p, k)) {
      p->reg = r;
      vec_push(f->reg_params, p);
      if (!f->used_regs) f->used_regs = iset_alloc();
      iset_union(f->used_regs, rset_of(r));
      iset_union(rset_program_used(), rset_of(r));
      continue;
    }
    uint32_t align = type_align(p->type);
    offset = (offset + align) & ~align;
    p->offset = uint16_t(offset);
    p->flags |= SYM_PARAM_IN_MEMORY;
    offset += type_size(p->type);
  }
  f->params_size = offset;
  if (f->param_area) {
    uint32_t size = offset;
    if (f->arg_max > size) size = f->arg_max;
    if (f->arg_max2 > size) size = f->arg_max2;
    type_unqual(f->param_area->type)->count = size;
  }
  return offset;
}

// Derived names of parameters and autos: "%s@%s", or "%s@%s_%d" when taken.
void sym_name_local(symbol *f, symbol *v) {
  const char *fname = f ? f->base_name : "";
  if (fname[0] == '_' && (isalnum(static_cast<unsigned char>(fname[1])) || fname[1] == '_')) fname++;
  const char *vname = v->source_name && v->source_name[0] ? v->source_name + 1 : "";
  std::string name = std::string(fname) + "@" + vname;
  if (!ss().local_names.insert(name).second) {
    name += "_" + std::to_string(v->unique);
    ss().local_names.insert(name);
  }
  if (v->base_name != v->name) xfree(v->base_name);
  xfree(v->name);
  v->name = str_dup(name.c_str());
  v->base_name = v->name;
}

// Statics of one name in different inputs: "F%u%s" for all but the first,
// and for the first as well once an extern of that name appears.
void sym_check_static_clash(symbol *s) {
  auto rename = [](symbol *st) {
    char *name = strfmt("F%u%s", st->unique, st->source_name ? st->source_name : st->key);
    if (st->base_name != st->name) xfree(st->base_name);
    xfree(st->name);
    st->name = name;
    st->base_name = name;
  };
  auto found = ss().statics.find(s->key);
  if (s->sclass == SC_STATIC) {
    if (found == ss().statics.end())
      ss().statics[s->key] = s;
    else if (found->second != s)
      rename(s);
  } else if (s->sclass == SC_EXTERN && found != ss().statics.end()) {
    symbol *first = found->second;
    if (strcmp(first->name, first->key) == 0) rename(first);
  }
}
