#include "symconv/model.h"

#include <algorithm>

#include <cctype>
#include <cstdarg>
#include <cstring>
#include <string>

#include "common/alert.h"
#include "common/alloc.h"
#include "common/hash.h"
#include "common/osdep.h"
#include "common/vector.h"

model_state model;
forvane_settings settings;

namespace {

enum { TABLE_BUCKETS = 123, FILE_NAME_ROOM = 255 };

template <typename T>
T *nth(vec *v, uint32_t k) {
  return v && k < vec_size(v) ? static_cast<T *>(vec_get(v, k)) : nullptr;
}

uint32_t value_hash(const void *key) { return uint32_t(reinterpret_cast<uintptr_t>(key)); }
int value_equal(const void *a, const void *b) { return a != b; }
int name_equal_nocase(const void *a, const void *b) {
  return strcasecmp(static_cast<const char *>(a), static_cast<const char *>(b));
}

// The name as files are kept: without its extension under -e.
char *file_key(const char *name) {
  char *copy = str_dup(name);
  if (settings.strip_extensions) {
    if (strlen(copy) > FILE_NAME_ROOM) copy[FILE_NAME_ROOM] = 0;
    if (char *dot = strrchr(copy, '.')) *dot = 0;
  }
  return copy;
}

// Frees each record of the vector after what it owns.
template <typename T, typename F>
void free_records(vec *v, F owned) {
  for (uint32_t k = 0; k < vec_size(v); k++) {
    T *record = nth<T>(v, k);
    owned(record);
    xfree(record);
  }
}

void free_settings() {
  xfree(settings.processor);
  for (int k = 0; k < settings.extra_count; k++) xfree(settings.extra_names[k]);
  for (int k = 0; k < settings.class_count; k++) xfree(settings.classes[k]);
  xfree(settings.path_from);
  xfree(settings.path_to);
  for (int k = 0; k < settings.input_count; k++) xfree(settings.inputs[k]);
  for (int k = 0; k < settings.output_count; k++) xfree(settings.outputs[k].name);
  settings = forvane_settings();
}

}  // namespace

uint32_t name_hash(const void *key) {
  const char *name = static_cast<const char *>(key);
  if (name[0] == '_' && name[1]) name++;
  uint32_t h = 0;
  for (size_t k = strlen(name); k > 0; k--) h = uint8_t(name[k - 1]) + 4 * h;
  return h;
}

uint32_t name_hash_nocase(const void *key) {
  char *lower = str_lower(str_dup(static_cast<const char *>(key)));
  uint32_t h = name_hash(lower);
  xfree(lower);
  return h;
}

void model_init() {
  model_free();
  model.files = vec_new(25);
  model.symbols = vec_new(100);
  model.classes = vec_new(30);
  model.segments = vec_new(25);
  model.data = vec_new(100);
  model.lines = vec_new(100);
  model.by_name = hash_new(TABLE_BUCKETS, name_hash, hash_string_equal);
  model.by_value = hash_new(TABLE_BUCKETS, value_hash, value_equal);
  model.files_by_name = hash_new(TABLE_BUCKETS, name_hash_nocase, name_equal_nocase);
}

void model_free() {
  free_records<model_file>(model.files, [](model_file *f) {
    xfree(f->name);
    xfree(f->symbols);
    xfree(f->lines);
  });
  free_records<model_symbol>(model.symbols, [](model_symbol *s) { xfree(s->name); });
  free_records<model_class>(model.classes, [](model_class *c) { xfree(c->name); });
  free_records<model_segment>(model.segments, [](model_segment *s) { xfree(s->name); });
  free_records<model_data>(model.data, [](model_data *d) { xfree(d->bytes); });
  free_records<model_line>(model.lines, [](model_line *) {});
  vec_free(model.files);
  vec_free(model.symbols);
  vec_free(model.classes);
  vec_free(model.segments);
  vec_free(model.data);
  vec_free(model.lines);
  hash_free(model.by_name);
  hash_free(model.by_value);
  hash_free(model.files_by_name);
  model = model_state();
  free_settings();
}

uint32_t model_add_file(const char *name) {
  char *key = file_key(name);
  if (model_file *f = static_cast<model_file *>(hash_lookup(model.files_by_name, key))) {
    xfree(key);
    return f->index;
  }
  model_file *f = static_cast<model_file *>(xalloc(sizeof(model_file)));
  f->name = key;
  f->index = vec_push(model.files, f) + 1;
  hash_insert(model.files_by_name, f->name, f);
  return f->index;
}

model_symbol *model_add_symbol(const char *name, uint32_t value, uint32_t segment, uint32_t file, uint32_t flags) {
  model_symbol *s = static_cast<model_symbol *>(xalloc(sizeof(model_symbol)));
  s->name = str_dup(name);
  s->value = value;
  s->segment = segment;
  s->file = file;
  s->flags = flags;
  vec_push(model.symbols, s);
  hash_insert(model.by_name, s->name, s);
  if (name[0] != 'F') hash_insert(model.by_value, reinterpret_cast<void *>(uintptr_t(value)), s);
  if (model_file *f = model_file_at(file)) f->symbol_count++;
  return s;
}

model_line *model_add_line(uint32_t line, uint32_t address, uint32_t segment, uint32_t file, uint32_t kind) {
  model_line *l = static_cast<model_line *>(xalloc(sizeof(model_line)));
  l->line = line;
  l->start = l->end = address;
  l->segment = segment;
  l->file = file;
  l->kind = kind;
  vec_push(model.lines, l);
  if (model_file *f = model_file_at(file)) f->line_count++;
  return l;
}

uint32_t model_add_segment(const char *name, uint32_t start, uint32_t size, uint32_t load, uint32_t space) {
  model_segment *s = static_cast<model_segment *>(xalloc(sizeof(model_segment)));
  s->name = str_dup(name);
  s->start = start;
  s->size = size;
  s->load = load;
  s->space = space;
  return vec_push(model.segments, s) + 1;
}

model_class *model_add_class(const char *name, uint32_t low, uint32_t high, uint32_t base, uint32_t init) {
  model_class *c = static_cast<model_class *>(xalloc(sizeof(model_class)));
  c->name = str_dup(name);
  c->low = low;
  c->high = high;
  c->base = base;
  c->init = init;
  vec_push(model.classes, c);
  return c;
}

model_data *model_add_data(uint32_t address, uint32_t length, const uint8_t *bytes, uint32_t segment) {
  model_data *d = static_cast<model_data *>(xalloc(sizeof(model_data)));
  d->address = address;
  d->length = length;
  d->bytes = static_cast<uint8_t *>(xalloc(length ? length : 1));
  if (length) memcpy(d->bytes, bytes, length);
  d->segment = segment;
  vec_push(model.data, d);
  return d;
}

model_symbol *model_find_symbol(const char *name) {
  return static_cast<model_symbol *>(hash_lookup(model.by_name, name));
}

model_symbol *model_symbol_at(uint32_t value) {
  return static_cast<model_symbol *>(hash_lookup(model.by_value, reinterpret_cast<void *>(uintptr_t(value))));
}

bool model_symbol_addr(const char *name, uint32_t *value, uint32_t *segment) {
  model_symbol *s = model_find_symbol(name);
  if (!s) return false;
  *value = s->value;
  *segment = s->segment;
  return true;
}

model_file *model_lookup_file(const char *name) {
  return static_cast<model_file *>(hash_lookup(model.files_by_name, name));
}

model_file *model_find_file(const char *name) {
  char *key = file_key(name);
  model_file *f = model_lookup_file(key);
  xfree(key);
  return f;
}

model_symbol *model_file_symbol(const char *file_name, const char *symbol_name) {
  model_file *f = model_find_file(file_name);
  if (!f || !f->symbols) return nullptr;
  for (uint32_t k = 0; k < f->symbol_count; k++)
    if (f->symbols[k] && !strcmp(f->symbols[k]->name, symbol_name)) return f->symbols[k];
  return nullptr;
}

bool model_file_symbol_addr(const char *file_name, const char *symbol_name, uint32_t *value, uint32_t *segment) {
  model_symbol *s = model_file_symbol(file_name, symbol_name);
  if (!s) return false;
  *value = s->value;
  *segment = s->segment;
  return true;
}

model_class *model_find_class(const char *name) {
  for (uint32_t k = 0; k < vec_size(model.classes); k++)
    if (!strcmp(model_class_nth(k)->name, name)) return model_class_nth(k);
  return nullptr;
}

bool model_place_before(const model_place &a, const model_place &b) {
  if (a.file != b.file) return a.file < b.file;
  if (a.segment != b.segment) return a.segment < b.segment;
  return a.address < b.address;
}

void model_places(std::vector<model_place> *symbols, std::vector<model_place> *lines) {
  for (uint32_t k = 0; k < vec_size(model.symbols); k++) {
    const model_symbol *s = model_symbol_nth(k);
    symbols->push_back({s->file, s->segment, s->value, s, nullptr});
  }
  for (uint32_t k = 0; k < vec_size(model.lines); k++) {
    const model_line *l = model_line_nth(k);
    lines->push_back({l->file, l->segment, l->start, nullptr, l});
  }
  std::stable_sort(symbols->begin(), symbols->end(), model_place_before);
  std::stable_sort(lines->begin(), lines->end(), model_place_before);
}

uint32_t model_segment_index(const char *name) {
  for (uint32_t k = 0; k < vec_size(model.segments); k++)
    if (!strcmp(nth<model_segment>(model.segments, k)->name, name)) return k + 1;
  return 0;
}

model_segment *model_find_segment(const char *name) { return model_segment_at(model_segment_index(name)); }

uint32_t model_segment_of(uint32_t space, uint32_t address, uint32_t unit) {
  uint64_t at = uint64_t(address) * unit;
  for (uint32_t k = 0; k < vec_size(model.segments); k++) {
    model_segment *s = nth<model_segment>(model.segments, k);
    if (s->space == space && s->start <= at && at < uint64_t(s->start) + s->size) return k + 1;
  }
  return space;
}

model_segment *model_segment_at(uint32_t index) {
  return index ? nth<model_segment>(model.segments, index - 1) : nullptr;
}
model_file *model_file_at(uint32_t index) { return index ? nth<model_file>(model.files, index - 1) : nullptr; }
model_symbol *model_symbol_nth(uint32_t k) { return nth<model_symbol>(model.symbols, k); }
model_line *model_line_nth(uint32_t k) { return nth<model_line>(model.lines, k); }
model_data *model_data_nth(uint32_t k) { return nth<model_data>(model.data, k); }
model_class *model_class_nth(uint32_t k) { return nth<model_class>(model.classes, k); }

void input_context() { msg_set_context(model.input_name, nullptr, nullptr, nullptr); }

char *path_remap(const char *path) {
  if (!settings.path_from || !*settings.path_from) return str_dup(path);
  const char *at = strstr(path, settings.path_from);
  if (!at) return str_dup(path);
  std::string text(path, size_t(at - path));
  text += settings.path_to;
  text += at + strlen(settings.path_from);
  return str_dup(text.c_str());
}

const char *strichr(const char *text, int c) {
  for (; *text; text++)
    if (tolower(uint8_t(*text)) == tolower(c)) return text;
  return nullptr;
}

const char *stristr(const char *text, const char *part) {
  size_t n = strlen(part);
  for (; *text; text++)
    if (!strncasecmp(text, part, n)) return text;
  return n == 0 ? text : nullptr;
}

void hex_dump_lines(FILE *out, uint32_t address, unsigned per_row, const uint8_t *bytes, uint32_t count,
                    const char *address_format, bool with_text) {
  if (per_row == 0) return;
  for (uint32_t row = 0; row < count; row += per_row) {
    uint32_t n = count - row < per_row ? count - row : per_row;
    fprintf(out, address_format, (unsigned long)(address + row));
    for (uint32_t k = 0; k < n; k++) fprintf(out, " %02X", bytes[row + k]);
    if (with_text) {
      for (uint32_t k = n; k < per_row; k++) fputs("   ", out);
      fputc(' ', out);
      for (uint32_t k = 0; k < n; k++) fputc(isprint(bytes[row + k]) ? bytes[row + k] : '.', out);
    }
    fputc('\n', out);
  }
}

void verbose_log(const char *format, ...) {
  if (settings.verbosity < 1) return;
  fflush(stdout);
  va_list args;
  va_start(args, format);
  fputs("==> ", stderr);
  vfprintf(stderr, format, args);
  fputc('\n', stderr);
  va_end(args);
}

bool read_text_line(FILE *in, std::string *line, size_t room, bool *too_long) {
  line->clear();
  *too_long = false;
  int c = getc(in);
  if (c == EOF) return false;
  for (; c != EOF && c != '\n'; c = getc(in)) {
    if (line->size() < room)
      *line += char(c);
    else
      *too_long = true;
  }
  if (!line->empty() && line->back() == '\r') line->pop_back();
  return true;
}
