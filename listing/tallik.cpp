#include "listing/tallik.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "common/alert.h"

enum {
  MSG_NO_MEMORY = 157,
  MSG_TOO_MANY_NAMES = 309,
  MSG_MANY_REFERENCES = 674,
};

enum {
  BUCKETS = 16001,
  MAX_ENTRIES = 16000,
  POOL_SIZE = 32 * 1024,
  REF_GROWTH = 20,
  MANY_REFERENCES = 5415,
};

// Entries and their texts live as long as the table, so they come from
// large blocks instead of one allocation each.
struct xref_pool {
  xref_pool *next;
  size_t used;
  size_t size;
  char *data;
};

struct xref_table {
  xref_entry *buckets[BUCKETS];
  int entry_count;
  xref_entry *current_file;
  bool skipping;
  int longest_text;
  int longest_file;
  std::vector<std::string> skip_prefixes;
  std::vector<std::string> patterns;
  xref_pool *pools;
};

[[noreturn]] static void out_of_memory(size_t size) {
  msg(MSG_NO_MEMORY, (unsigned)size);
  msg_exit_failure(1);
}

static void *pool_alloc(xref_table *t, size_t size) {
  size = (size + 7) & ~(size_t)7;
  xref_pool *p = t->pools;
  if (!p || p->size - p->used < size) {
    size_t block = size > POOL_SIZE ? size : (size_t)POOL_SIZE;
    p = (xref_pool *)calloc(1, sizeof *p);
    char *data = p ? (char *)calloc(1, block) : nullptr;
    if (!data) {
      free(p);
      out_of_memory(size);
    }
    p->data = data;
    p->size = block;
    // A block of its own goes behind the current pool so that the
    // current pool's free room stays in use.
    if (size > POOL_SIZE && t->pools) {
      p->next = t->pools->next;
      t->pools->next = p;
    } else {
      p->next = t->pools;
      t->pools = p;
    }
  }
  void *r = p->data + p->used;
  p->used += size;
  return r;
}

xref_table *xref_new() {
  auto *t = new xref_table();
  return t;
}

void xref_free(xref_table *t) {
  if (!t) return;
  for (auto &bucket : t->buckets)
    for (xref_entry *e = bucket; e; e = e->next) free(e->refs);
  for (xref_pool *p = t->pools, *next; p; p = next) {
    next = p->next;
    free(p->data);
    free(p);
  }
  delete t;
}

static unsigned name_hash(const char *text, size_t len) {
  unsigned h = 0;
  for (size_t i = 0; i < len; i++) h = (unsigned char)text[i] + 2 * h;
  return h % BUCKETS;
}

// The entry of that text and kind, made when new; null when the table is full.
static xref_entry *xref_enter(xref_table *t, const char *text, size_t len, int kind) {
  xref_entry **bucket = &t->buckets[name_hash(text, len)];
  for (xref_entry *e = *bucket; e; e = e->next)
    if ((e->kind & 3) == kind && strncmp(e->text, text, len) == 0 && e->text[len] == 0) return e;
  if (t->entry_count >= MAX_ENTRIES) {
    msg(MSG_TOO_MANY_NAMES);
    return nullptr;
  }
  t->entry_count++;
  auto *e = (xref_entry *)pool_alloc(t, sizeof(xref_entry));
  e->text = (char *)pool_alloc(t, len + 1);
  memcpy(e->text, text, len);
  e->text[len] = 0;
  e->kind = (unsigned char)kind;
  e->next = *bucket;
  *bucket = e;
  int width = len > INT_MAX / 2 ? INT_MAX / 2 : (int)len;
  t->longest_text = std::max(t->longest_text, width);
  return e;
}

void xref_skip_files(xref_table *t, const char *prefix) { t->skip_prefixes.emplace_back(prefix); }

void xref_exclude(xref_table *t, const char *pattern) { t->patterns.emplace_back(pattern); }

bool xref_read_stoplist(xref_table *t, const char *path) {
  FILE *f = fopen(path, "r");
  if (!f) return false;
  std::string word;
  int c;
  do {
    c = getc(f);
    if (c == EOF || isspace(c)) {
      if (!word.empty()) {
        xref_entry *e = xref_enter(t, word.data(), word.size(), XREF_KIND_SYMBOL);
        if (e) e->kind |= XREF_STOPPED;
        word.clear();
      }
    } else {
      word += (char)c;
    }
  } while (c != EOF);
  fclose(f);
  return true;
}

static void xref_source_file(xref_table *t, const char *name, size_t len) {
  for (const std::string &prefix : t->skip_prefixes)
    if (len >= prefix.size() && memcmp(name, prefix.data(), prefix.size()) == 0) {
      t->skipping = true;
      return;
    }
  t->skipping = false;
  xref_entry *e = xref_enter(t, name, len, XREF_KIND_FILE);
  if (!e) return;
  t->current_file = e;
  t->longest_file = std::max(t->longest_file, (int)strlen(e->text));
}

static void xref_add_ref(xref_entry *sym, xref_entry *file, int line, unsigned flags) {
  if (sym->ref_count) {
    xref_ref *last = &sym->refs[sym->ref_count - 1];
    if (last->file == file && last->line == line) {
      last->flags |= flags;
      return;
    }
  }
  if (sym->ref_count == sym->ref_capacity) {
    if (sym->ref_count > MANY_REFERENCES) msg(MSG_MANY_REFERENCES, sym->text);
    size_t size = (size_t)(sym->ref_capacity + REF_GROWTH) * sizeof(xref_ref);
    auto *grown = (xref_ref *)realloc(sym->refs, size);
    if (!grown) out_of_memory(size);
    sym->refs = grown;
    sym->ref_capacity += REF_GROWTH;
  }
  sym->refs[sym->ref_count++] = {line, file, flags};
}

// One record: "~file", "#name line" (definition) or "name line" (use).
static void xref_record(xref_table *t, char *text, size_t len) {
  if (text[0] == '~') {
    xref_source_file(t, text + 1, len - 1);
    return;
  }
  if (t->skipping) return;
  unsigned flags = 0;
  char *name = text;
  if (*name == '#') {
    flags = XREF_DEFINITION;
    name++;
  }
  char *end = name;
  while (*end && !isspace((unsigned char)*end)) end++;
  // Records without a name or a line number are damage, not references.
  if (end == name) return;
  char *number = end;
  while (isspace((unsigned char)*number)) number++;
  if (!isdigit((unsigned char)*number)) return;
  errno = 0;
  long line = strtol(number, nullptr, 10);
  if (errno || line > INT_MAX) return;
  if (!t->current_file) t->current_file = xref_enter(t, "", 0, XREF_KIND_FILE);
  xref_entry *sym = xref_enter(t, name, (size_t)(end - name), XREF_KIND_SYMBOL);
  if (sym && t->current_file) xref_add_ref(sym, t->current_file, (int)line, flags);
}

void xref_read(xref_table *t, FILE *in, const char *file_name) {
  int line_no = 0;
  msg_set_context(file_name, &line_no, nullptr, nullptr);
  char *buf = nullptr;
  size_t cap = 0;
  ssize_t n;
  while ((n = getline(&buf, &cap, in)) >= 0) {
    line_no++;
    size_t len = (size_t)n;
    while (len && (buf[len - 1] == '\n' || buf[len - 1] == '\r')) len--;
    buf[len] = 0;
    // A stray zero byte ends the record where the text ends.
    len = strlen(buf);
    xref_record(t, buf, len);
  }
  free(buf);
  msg_set_context(nullptr, nullptr, nullptr, nullptr);
  // Each file starts afresh: its records name their own source files.
  t->current_file = nullptr;
  t->skipping = false;
}

bool xref_pattern_match(const char *pattern, const char *name) {
  if (!*pattern) return false;
  for (; *pattern; pattern++, name++) {
    if (*pattern == *name) continue;
    if (isdigit((unsigned char)*pattern) && isdigit((unsigned char)*name)) continue;
    return false;
  }
  return true;
}

namespace {

struct xref_page {
  FILE *out;
  const xref_settings *settings;
  int heading_pad;
  int lines;  // lines on the current page; 0: no page started
  int page;
};

}  // namespace

static void page_start_line(xref_page *p) {
  if (p->lines) return;
  p->page++;
  fprintf(p->out, "\n\nCross reference listing: %s", p->settings->heading);
  fprintf(p->out, "%*s %3d\n\n\n", p->heading_pad, "Page", p->page);
  p->lines = 5;
}

static void page_end_line(xref_page *p) {
  if (!p->lines) return;
  fputc('\n', p->out);
  p->lines++;
  if (p->lines >= p->settings->page_length - 5) {
    fputc('\f', p->out);
    p->lines = 0;
  }
}

static bool listed(const xref_table *t, const xref_entry *e) {
  if (e->kind != XREF_KIND_SYMBOL) return false;
  for (const std::string &pattern : t->patterns)
    if (xref_pattern_match(pattern.c_str(), e->text)) return false;
  return true;
}

static void list_symbol(xref_page *p, const xref_entry *sym, int name_width, int file_width) {
  std::sort(sym->refs, sym->refs + sym->ref_count, [](const xref_ref &a, const xref_ref &b) {
    if (a.file != b.file) return strcmp(a.file->text, b.file->text) < 0;
    return a.line < b.line;
  });
  const int columns = name_width + file_width;
  const xref_entry *file = nullptr;
  bool first_line = true;
  int width = 0;
  for (int i = 0; i < sym->ref_count;) {
    const xref_ref &r = sym->refs[i];
    // Equal references in one file print once, marked when any defines.
    unsigned flags = 0;
    int j = i;
    for (; j < sym->ref_count && sym->refs[j].file == r.file && sym->refs[j].line == r.line; j++)
      flags |= sym->refs[j].flags;
    if (r.file != file) {
      if (file) page_end_line(p);
      page_start_line(p);
      fprintf(p->out, "%-*s", name_width, first_line ? sym->text : "");
      fprintf(p->out, "%-*s", file_width, r.file->text);
      first_line = false;
      file = r.file;
      width = columns;
    }
    if (p->settings->page_width < width + 8) {
      page_end_line(p);
      page_start_line(p);
      fprintf(p->out, "%-*s", columns, "");
      width = columns;
    }
    fprintf(p->out, "%5d%c", r.line, flags & XREF_DEFINITION ? '#' : ' ');
    width += 6;
    i = j;
  }
  page_end_line(p);
}

void xref_list(xref_table *t, const xref_settings *s, FILE *out) {
  std::vector<xref_entry *> entries;
  entries.reserve((size_t)t->entry_count);
  for (xref_entry *bucket : t->buckets)
    for (xref_entry *e = bucket; e; e = e->next) entries.push_back(e);
  std::sort(entries.begin(), entries.end(),
            [](const xref_entry *a, const xref_entry *b) { return strcmp(a->text, b->text) < 0; });

  xref_page page{out, s, 0, 0, 0};
  // A long heading still leaves a blank before "Page".
  long pad = (long)s->page_width - (long)strlen(s->heading) - 38;
  page.heading_pad = pad < 5 ? 5 : pad > INT_MAX ? INT_MAX : (int)pad;
  const int name_width = t->longest_text + 2;
  const int file_width = t->longest_file + 2;
  bool first = true;
  for (const xref_entry *e : entries) {
    if (!listed(t, e)) continue;
    if (!first) page_end_line(&page);
    first = false;
    list_symbol(&page, e, name_width, file_width);
  }
  if (page.lines) fputc('\f', out);
}
