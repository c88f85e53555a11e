#include "driver/symtab.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "common/alert.h"
#include "common/alloc.h"
#include "common/hash.h"
#include "common/vector.h"
#include "driver/files.h"

namespace {

// Bound states of a psect: which of its "__L" and "__H" symbols were seen.
enum { BOUND_NONE = 0, BOUND_LOW = 1, BOUND_HIGH = 2, BOUND_BOTH = 3 };

struct psect_record {
  char *name;
  uint32_t low;
  uint32_t base;
  uint32_t size;
  char *class_text;
  int state;
};

struct symbol_record {
  char *name;
  uint32_t value;
  uint32_t extra;
  char *text;
  psect_record *psect;
};

struct iterator {
  int position = -1;
  int state = SYMT_STATE_RESET;
};

enum { MODE_SYMBOLS = 0, MODE_SEGMENTS = 1, MODE_LOCALS = 2 };

}  // namespace

static hash_table *symbols;
static hash_table *psects;
static vec *segments;
static vec *functions;
static vec *symbol_keys;
static vec *psect_keys;
static uint32_t function_total;
static int mode;
static iterator symbol_iter, psect_iter;
static symt_filter_fn symbol_filter;
static char *filter_psect_name;

static int free_symbol(void *, const void *, void *value) {
  symbol_record *s = static_cast<symbol_record *>(value);
  xfree(s->name);
  xfree(s->text);
  delete s;
  return 0;
}

static int free_psect(void *, const void *, void *value) {
  psect_record *p = static_cast<psect_record *>(value);
  xfree(p->name);
  xfree(p->class_text);
  delete p;
  return 0;
}

void symt_free() {
  if (symbols) {
    hash_foreach(symbols, nullptr, free_symbol);
    hash_free(symbols);
  }
  if (psects) {
    hash_foreach(psects, nullptr, free_psect);
    hash_free(psects);
  }
  symbols = psects = nullptr;
  for (uint32_t i = 0; segments && i < vec_size(segments); i++) {
    symt_segment *s = static_cast<symt_segment *>(vec_get(segments, i));
    xfree(s->name);
    xfree(s->class_name);
    xfree(s);
  }
  for (uint32_t i = 0; functions && i < vec_size(functions); i++) {
    symt_function *f = static_cast<symt_function *>(vec_get(functions, i));
    xfree(f->name);
    xfree(f->text);
    xfree(f);
  }
  for (vec **v : {&segments, &functions, &symbol_keys, &psect_keys}) {
    vec_free(*v);
    *v = nullptr;
  }
  function_total = 0;
  symbol_filter = nullptr;
  xfree(filter_psect_name);
  filter_psect_name = nullptr;
  symbol_iter = iterator{};
  psect_iter = iterator{};
}

void symt_reset() {
  symt_free();
  symbols = hash_new(100, hash_string, hash_string_equal);
  psects = hash_new(100, hash_string, hash_string_equal);
  segments = vec_new_default();
  functions = vec_new_default();
  mode = MODE_SYMBOLS;
}

static symbol_record *symbol_find(const char *name) {
  return symbols && name ? static_cast<symbol_record *>(hash_lookup(symbols, name)) : nullptr;
}

static psect_record *psect_find(const char *name) {
  return psects && name ? static_cast<psect_record *>(hash_lookup(psects, name)) : nullptr;
}

static uint32_t hex(const std::string &text) { return uint32_t(strtoul(text.c_str(), nullptr, 16)); }

// A numeric field: an optional "-" and hexadecimal digits up to its end.
static bool is_numeric(const std::string &text) {
  size_t i = text[0] == '-' ? 1 : 0;
  if (i == text.size()) return false;
  for (; i < text.size(); i++)
    if (!isxdigit(uint8_t(text[i]))) return false;
  return true;
}

static uint32_t numeric(const std::string &text) { return uint32_t(strtol(text.c_str(), nullptr, 16)); }

// Rebuilds a psect's extent from one of its bound symbols.
static void update_psects(const symbol_record *sym) {
  char kind = sym->name[2];
  const char *name = sym->name + 3;
  psect_record *p = psect_find(name);
  if (!p) {
    p = new psect_record{str_dup(name), 0, 0, 0, str_dup(sym->text), BOUND_NONE};
    if (!hash_insert(psects, p->name, p)) {
      msg_print("Error (update_psects): couldn't add psect (%s)", name);
      free_psect(nullptr, nullptr, p);
      return;
    }
  }
  if (kind == 'L') {
    p->low = sym->value;
    if (p->state == BOUND_NONE) {
      p->state = BOUND_LOW;
    } else if (p->state == BOUND_HIGH) {
      p->size -= p->low;  // the size held the high bound so far
      p->state = BOUND_BOTH;
    } else {
      msg_print("Error (update_psects): found two low psect symbols for %s", name);
    }
  } else if (kind == 'H') {
    if (p->state == BOUND_NONE) {
      p->size = sym->value;
      p->state = BOUND_HIGH;
    } else if (p->state == BOUND_LOW) {
      p->size = sym->value - p->low;
      p->state = BOUND_BOTH;
    } else {
      p->size = p->state == BOUND_BOTH ? sym->value - p->low : sym->value;
      msg_print("Error (update_psects): found two high psect symbols for %s", name);
    }
  } else {
    p->base = sym->value;
  }
}

static bool is_bound_symbol(const char *name) {
  return strlen(name) > 3 && (strncmp(name, "__L", 3) == 0 || strncmp(name, "__H", 3) == 0 ||
                              strncmp(name, "__B", 3) == 0);
}

static void process_symbol_line(const std::vector<std::string> &f) {
  if (f.size() < 2) return;
  symbol_record *sym = new symbol_record{str_dup(f[0].c_str()), hex(f[1]), 0, nullptr, nullptr};
  if (f.size() > 2) {
    if (is_numeric(f[2])) {
      sym->extra = numeric(f[2]);
      if (f.size() > 3) sym->text = str_dup(f[3].c_str());
    } else {
      sym->text = str_dup(f[2].c_str());
    }
  }
  if (!hash_insert(symbols, sym->name, sym)) {
    // The symbol keeps its first value, but a repeated bound symbol still
    // tells about its psect's inconsistent bounds.
    msg_print("Error (process_line): symbol (%s) redefined in file", sym->name);
    if (is_bound_symbol(sym->name)) update_psects(sym);
    free_symbol(nullptr, nullptr, sym);
    return;
  }
  if (is_bound_symbol(sym->name)) {
    sym->extra = 0;
    update_psects(sym);
  } else if (strncmp(sym->name, "__end_of", 8) == 0) {
    symt_function *fn = static_cast<symt_function *>(xalloc(sizeof(symt_function)));
    fn->name = str_dup(sym->name + 8);
    fn->text = str_dup(sym->text);
    fn->size = sym->value;  // the end address until the start is known
    vec_push(functions, fn);
  }
}

static void process_line(const std::string &line) {
  std::vector<std::string> f = text_fields(line);
  if (f.empty()) return;
  if (f[0].compare(0, 9, "%segments") == 0) {
    mode = MODE_SEGMENTS;
    return;
  }
  if (f[0].compare(0, 7, "%locals") == 0) {
    mode = MODE_LOCALS;
    return;
  }
  if (mode == MODE_LOCALS) return;
  if (mode == MODE_SYMBOLS) {
    process_symbol_line(f);
    return;
  }
  symt_segment *s = static_cast<symt_segment *>(xalloc(sizeof(symt_segment)));
  s->name = str_dup(f[0].c_str());
  s->low = f.size() > 1 ? hex(f[1]) : 0;
  uint32_t high = f.size() > 2 ? hex(f[2]) : 0;
  s->size = high - s->low + 1;
  s->class_name = str_dup(f.size() > 3 ? f[3].c_str() : "");
  s->extra = f.size() > 4 ? hex(f[4]) : 0;
  vec_push(segments, s);
}

// Every symbol gets the psect that contains it: a bound symbol the one it
// names, any other the first psect of non-zero size around its value.
static void assign_psects() {
  for (const char *name = symt_next_symbol(SYMT_ITER_RESET); (name = symt_next_symbol(SYMT_ITER_NEXT));) {
    symbol_record *sym = symbol_find(name);
    if (is_bound_symbol(name)) {
      sym->psect = psect_find(name + 3);
      continue;
    }
    for (uint32_t i = 0; i < vec_size(psect_keys); i++) {
      psect_record *p = psect_find(static_cast<const char *>(vec_get(psect_keys, i)));
      if (p->size && p->low <= sym->value && uint64_t(sym->value) <= uint64_t(p->low) + p->size) {
        sym->psect = p;
        break;
      }
    }
  }
}

static void write_function_list() {
  function_total = 0;
  FILE *out = fopen("funclist", "w");
  for (uint32_t i = 0; i < vec_size(functions); i++) {
    symt_function *fn = static_cast<symt_function *>(vec_get(functions, i));
    uint32_t end = fn->size;
    fn->start = symt_sym_value(fn->name);
    fn->extra = symt_sym_extra(fn->name);
    fn->size = end - fn->start;
    function_total += fn->size;
    if (out)
      fprintf(out, "%s: %s, %lu %lu %lu\n", fn->name, fn->text ? fn->text : "", (unsigned long)fn->start,
              (unsigned long)fn->extra, (unsigned long)fn->size);
  }
  if (out) {
    fprintf(out, "Total: %lu", (unsigned long)function_total);
    fclose(out);
  }
}

int symt_read(const char *path) {
  if (!symbols) symt_reset();
  FILE *f = path ? fopen(path, "r") : nullptr;
  if (!f) return 0;
  std::string line;
  while (read_text_line(f, line)) process_line(line);
  fclose(f);
  vec_free(symbol_keys);
  vec_free(psect_keys);
  symbol_keys = hash_keys(symbols);
  psect_keys = hash_keys(psects);
  assign_psects();
  write_function_list();
  return 1;
}

bool symt_sym_defined(const char *name) { return symbol_find(name) != nullptr; }

uint32_t symt_sym_value(const char *name) {
  symbol_record *s = symbol_find(name);
  return s ? s->value : 0;
}

uint32_t symt_sym_extra(const char *name) {
  symbol_record *s = symbol_find(name);
  return s ? s->extra : 0;
}

const char *symt_sym_text(const char *name) {
  symbol_record *s = symbol_find(name);
  return s ? s->text : nullptr;
}

const char *symt_sym_psect(const char *name) {
  symbol_record *s = symbol_find(name);
  return s && s->psect ? s->psect->name : nullptr;
}

bool symt_psect_known(const char *name) { return psect_find(name) != nullptr; }

uint32_t symt_psect_low(const char *name) {
  psect_record *p = psect_find(name);
  return p ? p->low : 0;
}

uint32_t symt_psect_base(const char *name) {
  psect_record *p = psect_find(name);
  return p ? p->base : 0;
}

uint32_t symt_psect_size(const char *name) {
  psect_record *p = psect_find(name);
  return p ? p->size : 0;
}

const char *symt_psect_class(const char *name) {
  psect_record *p = psect_find(name);
  return p ? p->class_text : nullptr;
}

bool symt_addr_in_psect(uint32_t address, const char *psect) {
  psect_record *p = psect_find(psect);
  return p && p->low <= address && uint64_t(address) < uint64_t(p->low) + p->size;
}

bool symt_has_vector(uint32_t address) {
  char name[32];
  snprintf(name, sizeof name, "vector_%lX", (unsigned long)address);
  return symt_sym_defined(name);
}

bool symt_has_any_vector_in(uint32_t lo, uint32_t hi) {
  if (hi < lo) {
    msg_print("Error (symt_has_any_vector_in): lo (%lX) must be <= hi (%lX)", (unsigned long)lo,
              (unsigned long)hi);
    return false;
  }
  for (uint64_t a = lo; a <= hi; a++)
    if (symt_has_vector(uint32_t(a))) return true;
  return false;
}

vec *symt_segments() { return segments; }

vec *symt_functions() { return functions; }

uint32_t symt_function_count() { return functions ? vec_size(functions) : 0; }

uint32_t symt_function_total() { return function_total; }

static const char *iterate(iterator &it, vec *keys, symt_filter_fn filter, int command) {
  if (command == SYMT_ITER_RESET) {
    it = iterator{};
    return nullptr;
  }
  if (command != SYMT_ITER_NEXT) {
    msg_print("Unknown iterator command (%d)", command);
    return nullptr;
  }
  if (!keys || vec_size(keys) == 0) {
    it.state = SYMT_STATE_FINISHED;
    return nullptr;
  }
  while (it.state != SYMT_STATE_FINISHED) {
    it.position++;
    it.state = uint32_t(it.position) + 1 == vec_size(keys) ? SYMT_STATE_FINISHED : SYMT_STATE_RUNNING;
    const char *name = static_cast<const char *>(vec_get(keys, uint32_t(it.position)));
    if (!filter || filter(name)) return name;
  }
  return nullptr;
}

const char *symt_next_symbol(int command) { return iterate(symbol_iter, symbol_keys, symbol_filter, command); }

const char *symt_next_psect(int command) { return iterate(psect_iter, psect_keys, nullptr, command); }

void symt_set_symbol_filter(symt_filter_fn filter) { symbol_filter = filter; }

symt_filter_fn symt_symbol_filter() { return symbol_filter; }

static int in_filter_psect(const char *name) {
  const char *psect = symt_sym_psect(name);
  return psect && filter_psect_name && strcmp(psect, filter_psect_name) == 0;
}

void symt_filter_by_psect(const char *psect) {
  xfree(filter_psect_name);
  filter_psect_name = str_dup(psect);
  symbol_filter = psect ? in_filter_psect : nullptr;
}

int symt_next_state() { return symbol_iter.state; }

int symt_psect_next_state() { return psect_iter.state; }

const char *symt_filter_psect() { return filter_psect_name; }

int symt_no_iterator() { return -1; }
