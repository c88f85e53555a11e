#include "common/alloc.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/alert.h"

void *xalloc(size_t size) {
  // calloc(1, 0) may legally give null; callers never test the result.
  void *p = calloc(1, size ? size : 1);
  if (!p) {
    fprintf(stderr, "can't allocate %zu bytes of memory\n", size);
    msg_exit_failure(1);
  }
  return p;
}

void xfree(void *p) { free(p); }

char *str_dup(const char *s) {
  if (!s) return nullptr;
  size_t n = strlen(s) + 1;
  char *copy = static_cast<char *>(xalloc(n));
  memcpy(copy, s, n);
  return copy;
}

char *vstrfmt(const char *format, va_list args) {
  char scratch[4096];
  int n = vsnprintf(scratch, sizeof scratch, format, args);
  if (n < 0)
    scratch[0] = '\0';
  else if (size_t(n) >= sizeof scratch)
    fputs("buffer overflow in vsnprintf", stderr);
  return str_dup(scratch);
}

char *strfmt(const char *format, ...) {
  va_list args;
  va_start(args, format);
  char *s = vstrfmt(format, args);
  va_end(args);
  return s;
}

char *str_concat(const char *a, const char *b) {
  size_t la = a ? strlen(a) : 0;
  size_t lb = b ? strlen(b) : 0;
  char *s = static_cast<char *>(xalloc(la + lb + 1));
  if (la) memcpy(s, a, la);
  if (lb) memcpy(s + la, b, lb);
  return s;
}

char *str_append(char *a, const char *b) {
  char *s = str_concat(a, b);
  xfree(a);
  return s;
}

namespace {

struct lang_row {
  uint32_t id;
  const char *names;  // alternatives separated by ";" or ","
  const char *code;
};

// The French name is stored in the Latin-1 code page, as the registry holds it.
const lang_row lang_table[] = {
    {7, "German;Deutsch", "de"},
    {9, "English", "en"},
    {12, "French;Fran\xe7" "ais", "fr"},
    {255, "English", "en"},
};

// Letter case folding over Latin-1, so accented capitals match too.
unsigned char fold_case(unsigned char c) {
  if (c >= 'A' && c <= 'Z') return c + ('a' - 'A');
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 0x20;
  return c;
}

bool equal_fold(const char *a, size_t la, const char *b, size_t lb) {
  if (la != lb) return false;
  for (size_t i = 0; i < la; i++)
    if (fold_case(static_cast<unsigned char>(a[i])) != fold_case(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

bool row_has_name(const lang_row &row, const char *text, size_t len) {
  const char *name = row.names;
  while (true) {
    size_t n = strcspn(name, ";,");
    if (equal_fold(name, n, text, len)) return true;
    if (!name[n]) return false;
    name += n + 1;
  }
}

}  // namespace

uint32_t lang_lookup(const char *text) {
  if (!text) return 255;
  size_t len = strlen(text);
  for (const lang_row &row : lang_table) {
    if (len == 2 && equal_fold(text, 2, row.code, 2)) return row.id;
    if (row_has_name(row, text, len)) return row.id;
  }
  return 255;
}

const char *lang_code(uint32_t id) {
  for (const lang_row &row : lang_table)
    if (row.id == id) return row.code;
  return "en";
}

uint32_t lang_default_id() { return 9; }
