#include "driver/arglist.h"

#include <cstdarg>

#include "common/alloc.h"
#include "common/llist.h"

arglist *arglist_new(int pass) {
  arglist *list = static_cast<arglist *>(xalloc(sizeof(arglist)));
  list->pass = pass;
  list->items = ll_new();
  return list;
}

void arglist_free(arglist *list) {
  if (!list) return;
  for (ll_node *n = ll_head(list->items); n; n = ll_node_next(n)) {
    arglist_item *item = static_cast<arglist_item *>(ll_node_item(n));
    xfree(item->text);
    xfree(item);
  }
  ll_free(list->items);
  xfree(list);
}

static arglist_item *item_new(uint32_t flags, char *text) {
  arglist_item *item = static_cast<arglist_item *>(xalloc(sizeof(arglist_item)));
  item->text = text;
  item->flags = flags;
  return item;
}

void arglist_add(arglist *list, uint32_t flags, char *text) {
  if (text) ll_append(list->items, item_new(flags, text));
}

void arglist_prepend_flags(arglist *list, uint32_t flags, char *text) {
  if (text) ll_prepend(list->items, item_new(flags, text));
}

void arglist_add_owned(arglist *list, char *text) { arglist_add(list, ARG_FIXED, text); }

void arglist_add_copy_flags(arglist *list, uint32_t flags, const char *text) {
  if (text) arglist_add(list, flags, str_dup(text));
}

void arglist_add_copy(arglist *list, const char *text) { arglist_add_copy_flags(list, ARG_FIXED, text); }

void arglist_addf(arglist *list, const char *format, ...) {
  va_list args;
  va_start(args, format);
  arglist_add(list, ARG_FIXED, vstrfmt(format, args));
  va_end(args);
}

void arglist_addf_flags(arglist *list, uint32_t flags, const char *format, ...) {
  va_list args;
  va_start(args, format);
  arglist_add(list, flags, vstrfmt(format, args));
  va_end(args);
}

void arglist_prepend(arglist *list, char *text) { arglist_prepend_flags(list, ARG_FIXED, text); }

void arglist_prependf(arglist *list, const char *format, ...) {
  va_list args;
  va_start(args, format);
  arglist_prepend_flags(list, ARG_FIXED, vstrfmt(format, args));
  va_end(args);
}

void arglist_prependf_flags(arglist *list, uint32_t flags, const char *format, ...) {
  va_list args;
  va_start(args, format);
  arglist_prepend_flags(list, flags, vstrfmt(format, args));
  va_end(args);
}

void arglist_prepend_copy_flags(arglist *list, uint32_t flags, const char *text) {
  if (text) arglist_prepend_flags(list, flags, str_dup(text));
}
