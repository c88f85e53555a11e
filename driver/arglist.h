// The argument list of one pass: the pass number and its arguments in order,
// each marked whether the per-pass option files may replace it; and the pass
// runner, the only place where the driver starts another program.
#pragma once
#include <cstdint>

struct ll_list;

enum { ARG_FIXED = 0, ARG_CONFIGURABLE = 1 };

struct arglist_item {
  char *text;
  uint32_t flags;
};

struct arglist {
  int pass;
  ll_list *items;  // of arglist_item
};

arglist *arglist_new(int pass);
void arglist_free(arglist *list);
// The add family appends, the prepend family inserts before the first
// argument; a null text adds nothing. "owned" texts are taken over.
void arglist_add(arglist *list, uint32_t flags, char *text);
void arglist_add_owned(arglist *list, char *text);
void arglist_addf(arglist *list, const char *format, ...) __attribute__((format(printf, 2, 3)));
void arglist_addf_flags(arglist *list, uint32_t flags, const char *format, ...)
    __attribute__((format(printf, 3, 4)));
void arglist_add_copy_flags(arglist *list, uint32_t flags, const char *text);
void arglist_add_copy(arglist *list, const char *text);
void arglist_prepend_flags(arglist *list, uint32_t flags, char *text);
void arglist_prepend(arglist *list, char *text);
void arglist_prependf(arglist *list, const char *format, ...) __attribute__((format(printf, 2, 3)));
void arglist_prependf_flags(arglist *list, uint32_t flags, const char *format, ...)
    __attribute__((format(printf, 3, 4)));
void arglist_prepend_copy_flags(arglist *list, uint32_t flags, const char *text);

// Runs the pass and frees the list. Under --getoption the pass's configurable
// arguments go to its option file instead; under --setoption they come from
// it. True when the pass succeeded or was not to be started (--getoption,
// --noexec, an option file named "off"); a failure counts in failed_passes.
bool pass_run(arglist *list);
