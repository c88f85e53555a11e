#include "driver/arglist.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

#include "common/alert.h"
#include "common/alloc.h"
#include "common/llist.h"
#include "common/osdep.h"
#include "common/registry.h"
#include "driver/state.h"

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

// ---- The pass runner ----

static arglist_item *node_item(ll_node *n) { return static_cast<arglist_item *>(ll_node_item(n)); }

static void item_free(arglist_item *item) {
  xfree(item->text);
  xfree(item);
}

// --getoption: the configurable arguments, one a line.
static void write_option_file(const arglist *list, const char *path) {
  FILE *f = fopen(path, "w+");
  if (!f) {
    msg(899, path, pass_names[list->pass]);
    return;
  }
  for (ll_node *n = ll_head(list->items); n; n = ll_node_next(n))
    if (node_item(n)->flags & ARG_CONFIGURABLE) fprintf(f, "%s\n", node_item(n)->text);
  fclose(f);
}

// --setoption: the file's lines replace the configurable arguments in order;
// left-over arguments go, left-over lines follow the last replaced argument
// (or end the list) as fixed arguments.
static void read_option_file(arglist *list, const char *path) {
  FILE *f = fopen(path, "r");
  if (!f) {
    msg(899, path, pass_names[list->pass]);
    return;
  }
  std::vector<std::string> lines;
  char buffer[256];
  while (fgets(buffer, sizeof buffer, f)) {
    size_t n = strlen(buffer);
    if (n && buffer[n - 1] == '\n') buffer[--n] = 0;
    lines.push_back(buffer);
  }
  fclose(f);

  size_t used = 0;
  ll_node *last_replaced = nullptr;
  for (ll_node *n = ll_head(list->items); n;) {
    ll_node *next = ll_node_next(n);
    arglist_item *item = node_item(n);
    if (item->flags & ARG_CONFIGURABLE) {
      if (used < lines.size()) {
        xfree(item->text);
        item->text = str_dup(lines[used++].c_str());
        last_replaced = n;
      } else {
        item_free(static_cast<arglist_item *>(ll_unlink(list->items, n)));
      }
    }
    n = next;
  }
  for (; used < lines.size(); used++) {
    arglist_item *item = item_new(ARG_FIXED, str_dup(lines[used].c_str()));
    if (last_replaced) {
      ll_insert_after(list->items, last_replaced, item);
      last_replaced = ll_node_next(last_replaced);
    } else {
      ll_append(list->items, item);
    }
  }
}

// The shown command line: the program, then the arguments after argv[0],
// each in double quotes when it holds white space so that its bounds show.
static void show_command(const char *path, char *const *argv) {
  std::string line = drv.verbose > 1 ? path : os_basename(path);
  for (int i = 1; argv[i]; i++) {
    char *quoted = os_quote(argv[i]);
    line += std::string(" ") + quoted;
    xfree(quoted);
  }
  printf("%s\n", line.c_str());
  fflush(stdout);
}

bool pass_run(arglist *list) {
  const char *name = pass_names[list->pass];
  const std::string &option_file = drv.pass_option_files[list->pass];
  if (drv.getoption) {
    if (!option_file.empty()) write_option_file(list, option_file.c_str());
    arglist_free(list);
    return true;
  }
  bool skipped = false;
  if (drv.setoption && !option_file.empty()) {
    if (strcasecmp(option_file.c_str(), "off") == 0)
      skipped = true;
    else
      read_option_file(list, option_file.c_str());
  }

  // Each common argument goes in front, so they are put there last first.
  if (drv.errors) arglist_prependf(list, "--emax=%d", int(drv.errors));
  if (drv.msgdisable_given) arglist_prependf(list, "--msgdisable=%s", drv.msgdisable.c_str());
  arglist_prependf(list, "--edf=%s", msg_file_name());
  if (drv.warn) arglist_prependf(list, "-W%d", int32_t(drv.warn));
  arglist_prependf(list, "%s", name);

  char *path = reg_install_path(REG_DIR_BIN, name);
  std::vector<char *> argv;
  for (ll_node *n = ll_head(list->items); n; n = ll_node_next(n)) argv.push_back(node_item(n)->text);
  argv.push_back(nullptr);

  bool ok = true;
  if (drv.verbose && !skipped) show_command(path ? path : name, argv.data());
  if (!drv.noexec && !skipped) {
    int status = path ? os_spawn(path, argv.data()) : -1;
    if (status == -1) {
      // The spawn service gives no reason; the file's own status does.
      int error = ENOENT;
      if (path) error = access(path, X_OK) != 0 ? errno : ENOEXEC;
      msg(900, path ? path : name, strerror(error));
    }
    if (status != 0) {
      drv.failed_passes++;
      if (!drv.formats_in_force) msg(908, name, status);
      ok = false;
    }
  }
  xfree(path);
  arglist_free(list);
  return ok;
}
