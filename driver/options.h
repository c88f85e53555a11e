// Table-driven option reader: gathers option words from the environment, the
// options file, "@" files and the command line, separates the file names, and
// applies the table's entries in their priority order, so that an option's
// effect never depends on where it stood. Also prints help from the table.
#pragma once
#include <cstdint>
#include <string>

#include "driver/chipinfo.h"

enum {
  OPT_ARG_REQUIRED = 0x1,
  OPT_ARG_OPTIONAL = 0x2,
  OPT_ONCE = 0x4,
  OPT_TERMINAL = 0x100,  // the program ends with status 0 once it is processed
};

enum opt_kind {
  OPT_HANDLER = 0,     // handler, or a hook when the entry has no name
  OPT_BITS = 1,        // set of sub-option bits (help lists all/none/default)
  OPT_ONE = 2,         // one sub-option
  OPT_BITS_PLAIN = 3,  // set of sub-option bits (help lists default only)
  OPT_KEYWORD = 4,
  OPT_SET = 5,         // stores 1
  OPT_INCREMENT = 6,
  OPT_NUMBER = 7,      // decimal value
  OPT_HEX = 8,         // one hexadecimal value to the handler
  OPT_RANGES = 9,      // lo-hi pairs to the handler
  OPT_RANGE_LIST = 10, // [+|-]lo-hi list: add and reserve handlers
};

struct opt_entry;
typedef void (*opt_handler_fn)(opt_entry *entry, const char *value);
typedef void (*opt_hex_fn)(opt_entry *entry, uint32_t value);

struct opt_help_text {
  const char *short_text;
  const char *long_text;
};

// One sub-option; a row with null names ends a list.
struct opt_row {
  uint32_t value;           // a bit (bits kinds) or the value (one, keyword)
  const char *names;        // alternatives separated by ";", case ignored
  const char *description;
  std::string *argument;    // receives the text after ":" in name:arg, or null
  uint32_t is_default;      // bit 0: the row belongs to the default value
};

// One option or hook; a table ends with an entry whose order is 0.
struct opt_entry {
  uint32_t id;
  const char *name;         // null for a hook; one character: a short option
  int32_t order;            // higher first, compared unsigned
  uint32_t flags;
  uint32_t kind;
  uint32_t *target;         // kinds 1-7
  opt_handler_fn handler;   // kind 0
  opt_hex_fn hex_handler;   // kind 8
  range_fn range_add;       // kinds 9 and 10 (called with the entry)
  range_fn range_remove;    // kind 10
  opt_row *rows;
  const opt_help_text *help;
  uint32_t count;           // occurrences so far
};

typedef void (*opt_file_fn)(const char *name);

// 1 when a terminal option (or the help shortcut) ended the parse.
int opt_parse(opt_entry *table, int argc, char **argv, opt_file_fn file_callback,
              const char *program_word);
// Applies one occurrence; returns the entry's terminal flag.
int opt_process(opt_entry *entry, const char *value);
// Mode 1 (bits) or 2 (one) sub-option list.
void opt_subopts(int mode, const char *value, opt_row *rows, opt_entry *entry);
bool opt_name_matches(const char *names, const char *word);
const char *opt_display_name(const opt_entry *entry);
opt_entry *opt_find(opt_entry *table, uint32_t id);
opt_entry *opt_find_name(opt_entry *table, const char *name);
opt_row *opt_row_find(opt_row *rows, uint32_t value);
void opt_set_value(opt_entry *entry, uint32_t value);
void opt_reset_default(opt_entry *entry);
uint32_t opt_default_value(const opt_entry *entry);
// Help for the named option (leading non-name characters skipped), or the
// full listing when the text is null or names no option.
void opt_help(opt_entry *table, const char *option_text);
// h = h * 16 + lower-case character; the chip database's key hash.
uint32_t opt_name_hash(const char *name);

// Shows the banner before help output; set by the program.
extern void (*opt_banner_hook)();
