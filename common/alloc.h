// Zero-filling allocation, formatted strings and the language table.
#pragma once
#include <cstdarg>
#include <cstddef>
#include <cstdint>

// Zero-filled storage. A failure is reported on standard error and ends the
// program through msg_exit_failure(1), so callers need not test the result.
void *xalloc(size_t size);
// Frees what xalloc and the string builders return (null allowed).
void xfree(void *p);
// New copy of a string (null gives null).
char *str_dup(const char *s);
// printf-style formatting into a new string, cut at 4095 characters (with a
// note on standard error).
char *vstrfmt(const char *format, va_list args);
char *strfmt(const char *format, ...) __attribute__((format(printf, 1, 2)));
// New string holding a followed by b; str_append also frees a.
char *str_concat(const char *a, const char *b);
char *str_append(char *a, const char *b);

// Language ids as stored in the registry value "language".
uint32_t lang_lookup(const char *text);  // 255 when no row matches
const char *lang_code(uint32_t id);      // "en" for unknown ids
uint32_t lang_default_id();              // 9, English
