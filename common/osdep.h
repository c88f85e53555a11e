// What every program needs of the host: temporary files, paths, environment,
// time, sorting, spawning programs, file status, 16-bit strings.
#pragma once
#include <cstddef>
#include <cstdio>
#include <cstdint>
#include <ctime>

typedef int (*os_compare_fn)(const void *a, const void *b);

// Programming errors inside the common library stop the program with a
// message naming the failed expression and the module, in every build type.
[[noreturn]] void os_assert_fail(const char *expression, const char *module);
#define OS_ASSERT_NAMED(condition, text, module) \
  ((condition) ? (void)0 : os_assert_fail(text, module))
#define OS_ASSERT(condition, module) OS_ASSERT_NAMED(condition, #condition, module)

// A fresh temporary file name (TEMP, then TMP, then TMPDIR, then "/tmp"),
// created race-free and removed at program exit unless kept.
char *os_tempname();
void os_keep_temps(int flag);
// Removes the registered temporary files now (also run at exit).
void os_remove_temps();

char *os_progname();
char *os_quote(const char *text);
int os_setenv(const char *name, const char *value);
time_t os_time(time_t *out);
uint32_t os_platform_flags();

char *os_path_join(const char *dir, const char *name);
char *os_normalise(const char *path);
bool os_is_absolute(const char *path);
char *os_abs_path(const char *path);
char *os_rel_path(const char *path);
const char *os_basename(const char *path);
char *os_dirname(const char *path);
bool os_exists_exact_case(const char *path);

void os_qsort(void *base, size_t count, size_t size, os_compare_fn compare);
void *os_bsearch(const void *key, const void *base, size_t count, size_t size,
                 os_compare_fn compare);

// Runs the program and waits: its exit status, 128 + the signal number when
// a signal ended it, or -1 when it cannot be started. A name without "/" is
// searched for in PATH.
int os_spawn(const char *path, char *const argv[]);

bool os_file_exists(const char *path);
// True when the open file and the path name one file (so writing the path
// would destroy what is being read).
bool os_same_file(FILE *open_file, const char *path);
bool os_is_dir(const char *path);
char *str_lower(char *text);
char *str_upper(char *text);

uint16_t *wstr_copy(uint16_t *dst, const uint16_t *src);
size_t wstr_len(const uint16_t *s);
uint16_t *wstr_dup(const uint16_t *s);
int wstr_cmp(const uint16_t *a, const uint16_t *b);
