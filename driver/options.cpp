#include "driver/options.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "common/alert.h"
#include "common/alloc.h"
#include "common/getargs.h"
#include "common/osdep.h"

void (*opt_banner_hook)();

uint32_t opt_name_hash(const char *name) {
  uint32_t h = 0;
  for (const char *p = name; *p; p++) h = h * 16 + uint32_t(tolower(uint8_t(*p)));
  return h;
}

static bool is_long(const opt_entry *e) { return e->name && strlen(e->name) > 1; }

const char *opt_display_name(const opt_entry *entry) {
  static char buffer[64];
  snprintf(buffer, sizeof buffer, "%s%s", is_long(entry) ? "--" : "-", entry->name ? entry->name : "");
  return buffer;
}

bool opt_name_matches(const char *names, const char *word) {
  if (!names || !word) return false;
  size_t len = strlen(word);
  for (const char *p = names;;) {
    const char *end = strchr(p, ';');
    size_t n = end ? size_t(end - p) : strlen(p);
    if (n == len && strncasecmp(p, word, n) == 0) return true;
    if (!end) return false;
    p = end + 1;
  }
}

static opt_entry *table_end(opt_entry *table) {
  opt_entry *e = table;
  while (e->order != 0) e++;
  return e;
}

opt_entry *opt_find(opt_entry *table, uint32_t id) {
  for (opt_entry *e = table; e->order != 0; e++)
    if (e->id == id) return e;
  return nullptr;
}

opt_entry *opt_find_name(opt_entry *table, const char *name) {
  for (opt_entry *e = table; e->order != 0; e++)
    if (e->name && name && strcasecmp(e->name, name) == 0) return e;
  return nullptr;
}

opt_row *opt_row_find(opt_row *rows, uint32_t value) {
  for (opt_row *r = rows; r && r->names; r++)
    if (r->value == value) return r;
  return nullptr;
}

static bool is_bits(const opt_entry *e) { return e->kind == OPT_BITS || e->kind == OPT_BITS_PLAIN; }

uint32_t opt_default_value(const opt_entry *entry) {
  uint32_t sum = 0;
  for (const opt_row *r = entry->rows; r && r->names; r++)
    if (r->is_default & 1) sum |= r->value;
  return sum;
}

void opt_set_value(opt_entry *entry, uint32_t value) {
  if (entry->target) *entry->target = value;
  for (opt_row *r = entry->rows; r && r->names; r++) {
    bool in = is_bits(entry) ? r->value && (r->value & value) == r->value : r->value == value;
    r->is_default = in ? 1 : 0;
  }
}

void opt_reset_default(opt_entry *entry) {
  if (entry->target) *entry->target = opt_default_value(entry);
}

// Splits a sub-option list at "," and newline, skipping empty items.
static std::vector<std::string> split_items(const char *value) {
  std::vector<std::string> items;
  std::string item;
  for (const char *p = value;; p++) {
    if (*p == 0 || *p == ',' || *p == '\n') {
      if (!item.empty()) items.push_back(item);
      item.clear();
      if (*p == 0) break;
    } else {
      item += *p;
    }
  }
  return items;
}

void opt_subopts(int mode, const char *value, opt_row *rows, opt_entry *entry) {
  uint32_t &target = *entry->target;
  if (entry->count == 1) {
    if (!value) {
      target = 0;
      return;
    }
    // A plain list replaces the defaults; a list starting with a sign edits them.
    if (!strchr("-+,", value[0])) target = 0;
  } else if (!value) {
    return;
  }
  for (const std::string &whole : split_items(value)) {
    std::string name = whole;
    char sign = 0, row_sign = '+';
    if (mode == 1 && (name[0] == '+' || name[0] == '-')) {
      sign = name[0];
      name.erase(0, 1);
      if (!name.empty() && (name[0] == '+' || name[0] == '-')) {
        row_sign = name[0];
        name.erase(0, 1);
      }
    }
    std::string argument;
    bool has_argument = false;
    if (size_t colon = name.find(':'); colon != std::string::npos) {
      argument = name.substr(colon + 1);
      name.erase(colon);
      has_argument = true;
    }
    uint32_t contribution = 0;
    opt_row *row = nullptr;
    for (opt_row *r = rows; r && r->names; r++)
      if (opt_name_matches(r->names, name.c_str())) {
        row = r;
        break;
      }
    if (row) {
      if (has_argument) {
        if (row->argument)
          *row->argument = argument;
        else
          msg_report(0, "W", "%s sub-options (\"%s\") ignored", name.c_str(), argument.c_str());
      }
      contribution = row_sign == '-' ? 0 : row->value;
    } else if (mode == 1 && strcasecmp(name.c_str(), "all") == 0) {
      contribution = 0xFFFFFFFFu;
    } else if (mode == 1 && strcasecmp(name.c_str(), "none") == 0) {
      contribution = 0;
    } else if (strcasecmp(name.c_str(), "default") == 0) {
      contribution = opt_default_value(entry);
    } else {
      msg(923, whole.c_str());
    }
    if (sign == '+') {
      target |= contribution;
    } else if (sign == '-') {
      target &= ~contribution;
    } else if (mode == 2) {
      target = contribution;
      return;
    } else {
      target |= contribution;
    }
  }
}

// Reads the whole text as one hexadecimal number.
static bool hex_value(const char *text, uint32_t &out) {
  if (!text || !isxdigit(uint8_t(*text))) return false;
  char *end;
  errno = 0;
  unsigned long v = strtoul(text, &end, 16);
  if (*end || errno || v > 0xFFFFFFFFul) return false;
  out = uint32_t(v);
  return true;
}

int opt_process(opt_entry *entry, const char *value) {
  int terminal = (entry->flags & OPT_TERMINAL) ? 1 : 0;
  bool takes_value = entry->flags & (OPT_ARG_REQUIRED | OPT_ARG_OPTIONAL);
  if (entry->name && (entry->flags & OPT_ARG_REQUIRED) && !value) {
    // Nothing to apply: handlers never see a missing required argument.
    msg(924, opt_display_name(entry));
    return terminal;
  }
  if (entry->name && !takes_value && value) {
    msg(925, opt_display_name(entry));
    value = nullptr;
  }
  if ((entry->flags & OPT_ONCE) && entry->count) msg(926, opt_display_name(entry));
  entry->count++;
  switch (entry->kind) {
    case OPT_HANDLER:
      if (entry->handler) entry->handler(entry, value);
      break;
    case OPT_BITS:
    case OPT_BITS_PLAIN:
      opt_subopts(1, value, entry->rows, entry);
      break;
    case OPT_ONE:
      opt_subopts(2, value, entry->rows, entry);
      break;
    case OPT_KEYWORD: {
      uint32_t v = 0;
      if (value) {
        opt_row *r = entry->rows;
        while (r && r->names && !opt_name_matches(r->names, value)) r++;
        if (r && r->names)
          v = r->value;
        else
          msg(923, value);
      }
      *entry->target = v;
      break;
    }
    case OPT_SET:
      *entry->target = 1;
      break;
    case OPT_INCREMENT:
      ++*entry->target;
      break;
    case OPT_NUMBER:
      *entry->target = value ? uint32_t(atoi(value)) : 0;
      break;
    case OPT_HEX: {
      uint32_t v;
      if (!hex_value(value, v))
        msg(928, value ? value : "", opt_display_name(entry));
      else if (entry->hex_handler)
        entry->hex_handler(entry, v);
      break;
    }
    case OPT_RANGES: {
      const char *p = value ? value : "";
      do {
        char *end;
        unsigned long lo = strtoul(p, &end, 16);
        bool ok = end != p && *end == '-';
        unsigned long hi = 0;
        if (ok) {
          p = end + 1;
          hi = strtoul(p, &end, 16);
          ok = end != p && hi >= lo && (*end == 0 || *end == ',');
        }
        if (!ok) {
          msg(929, value ? value : "", opt_display_name(entry));
          break;
        }
        if (entry->range_add) entry->range_add(entry, uint32_t(lo), uint32_t(hi));
        p = *end ? end + 1 : end;
      } while (*p);
      break;
    }
    case OPT_RANGE_LIST:
      if (!range_list_parse(value, entry, entry->range_add, entry->range_remove))
        msg(930, value ? value : "", opt_display_name(entry));
      break;
  }
  return terminal;
}

// The words of getargs over a text (or standard input for null), freed after.
static void append_words(std::vector<std::string> &words, char *text, const char *prompt) {
  char **v = getargs(text, prompt);
  for (int i = 1; i < getargs_argc && v[i]; i++) {
    words.push_back(v[i]);
  }
  for (int i = 0; i < getargs_argc; i++) xfree(v[i]);
  xfree(v);
}

static void gather_words(std::vector<std::string> &words, int argc, char **argv,
                         const char *program_word) {
  std::string prompt = program_word;
  for (char &c : prompt) c = char(tolower(uint8_t(c)));

  if (const char *env = getenv((std::string(program_word) + "_OPTIONS").c_str())) {
    std::string text = env;
    append_words(words, text.data(), prompt.c_str());
  }
  std::string file_name = std::string(".") + program_word + "_OPTIONS";
  if (FILE *f = fopen(file_name.c_str(), "r")) {
    std::string text(16383, '\0');
    text.resize(fread(text.data(), 1, text.size(), f));
    fclose(f);
    for (char &c : text)
      if (c == '\n' || c == '\r') c = ' ';
    text = text.c_str();  // a stray NUL ends the text
    append_words(words, text.data(), prompt.c_str());
  }
  if (argc <= 1) {
    append_words(words, nullptr, prompt.c_str());
    return;
  }
  int at = 1;
  while (at < argc && argv[at][0] != '@') at++;
  if (at == argc) {
    for (int i = 1; i < argc; i++) words.push_back(argv[i]);
    return;
  }
  if (argv[at][1] == 0) {
    msg(931);
    for (int i = 1; i < argc; i++)
      if (i != at) words.push_back(argv[i]);
    return;
  }
  // The words of the command file replace the whole command line.
  if (getargs_reopen_stdin(argv[at] + 1)) append_words(words, nullptr, prompt.c_str());
}

static const char *name_part(const std::string &path) {
  const char *s = path.c_str();
  const char *cut = s;
  for (const char *p = s; *p; p++)
    if (*p == '\\' || *p == '/' || *p == ':') cut = p + 1;
  return cut;
}

static bool word_matches(const opt_entry *e, const std::string &word, std::string &value,
                         bool &has_value) {
  has_value = false;
  if (is_long(e)) {
    if (word.size() <= 2 || word.compare(0, 2, "--") != 0) return false;
    size_t eq = word.find('=', 2);
    std::string name = word.substr(2, eq == std::string::npos ? std::string::npos : eq - 2);
    if (strcasecmp(name.c_str(), e->name) != 0) return false;
    if (eq != std::string::npos && eq + 1 < word.size()) {
      value = word.substr(eq + 1);
      has_value = true;
    }
    return true;
  }
  if (word.size() < 2 || word.compare(0, 2, "--") == 0) return false;
  if (tolower(uint8_t(word[1])) != tolower(uint8_t(e->name[0]))) return false;
  if (word.size() > 2) {
    value = word.substr(2);
    has_value = true;
  }
  return true;
}

// "-x=help" as the first option word asks for the help of option x.
static bool help_shortcut(const std::vector<std::string> &words, std::string &option) {
  if (words.empty() || words[0][0] != '-') return false;
  size_t eq = words[0].find('=');
  if (eq == std::string::npos || strncasecmp(words[0].c_str() + eq + 1, "help", 4) != 0) return false;
  option = words[0].substr(0, eq);
  return true;
}

static bool order_before(const opt_entry *a, const opt_entry *b) {
  return uint32_t(a->order) > uint32_t(b->order);
}

int opt_parse(opt_entry *table, int argc, char **argv, opt_file_fn file_callback,
              const char *program_word) {
  std::vector<std::string> all;
  gather_words(all, argc, argv, program_word);

  std::vector<std::string> words, files;
  for (const std::string &w : all) {
    if (w == "-" || w == "--") continue;
    if (w[0] == '-') {
      words.push_back(w);
      continue;
    }
    for (const std::string &kept : files)
      if (strcmp(name_part(kept), name_part(w)) == 0)
        msg_report(0, "F", "source file with duplicate base name encountered: \"%s\" and \"%s\"",
                   kept.c_str(), w.c_str());
    files.push_back(w);
  }

  std::string help_option;
  if (help_shortcut(words, help_option)) {
    opt_help(table, help_option.c_str());
    return 1;
  }

  // Entries by priority, highest first; equal orders keep their table order,
  // and within one order the words are taken as they stand on the line.
  std::vector<opt_entry *> entries;
  for (opt_entry *e = table; e != table_end(table); e++) entries.push_back(e);
  std::stable_sort(entries.begin(), entries.end(), order_before);

  for (size_t first = 0; first < entries.size();) {
    size_t last = first;
    while (last < entries.size() && entries[last]->order == entries[first]->order) last++;
    for (size_t i = first; i < last; i++)
      if (!entries[i]->name && opt_process(entries[i], nullptr)) return 1;
    for (size_t w = 0; w < words.size();) {
      opt_entry *match = nullptr;
      std::string value;
      bool has_value = false;
      for (size_t i = first; i < last && !match; i++)
        if (entries[i]->name && word_matches(entries[i], words[w], value, has_value)) match = entries[i];
      if (!match) {
        w++;
        continue;
      }
      words.erase(words.begin() + long(w));
      if (opt_process(match, has_value ? value.c_str() : nullptr)) return 1;
    }
    first = last;
  }

  for (const std::string &w : words) msg(168, w.c_str());
  if (file_callback)
    for (const std::string &f : files) file_callback(f.c_str());
  return 0;
}

static std::string usage_text(const opt_entry *e) {
  std::string text = opt_display_name(e);
  if (!(e->flags & (OPT_ARG_REQUIRED | OPT_ARG_OPTIONAL))) return text;
  bool optional = !(e->flags & OPT_ARG_REQUIRED);
  if (optional) text += "<";
  if (is_long(e)) text += "=";
  switch (e->kind) {
    case OPT_NUMBER: text += "number"; break;
    case OPT_HEX: text += "value"; break;
    case OPT_RANGES: text += "lo-hi<,lo-hi,...>"; break;
    case OPT_RANGE_LIST: text += "<+|->lo-hi<,...>"; break;
    default: text += "argument"; break;
  }
  if (optional) text += ">";
  return text;
}

static void help_one(const opt_entry *e) {
  printf("%s", opt_display_name(e));
  if (e->help && e->help->short_text) printf(": %s", e->help->short_text);
  printf("\n\n");
  if (e->help && e->help->long_text) printf("%s", e->help->long_text);
  const char *heading = nullptr;
  switch (e->kind) {
    case OPT_KEYWORD: heading = "The argument to this option must be one of the following:"; break;
    case OPT_ONE: heading = "This option may have one of the following arguments:"; break;
    case OPT_BITS:
    case OPT_BITS_PLAIN: heading = "This option may have any of the following arguments:"; break;
  }
  if (!heading) return;
  printf("\n%s\n", heading);
  for (const opt_row *r = e->rows; r && r->names; r++) {
    std::string name = r->names;
    if (r->argument) name += ":argument";
    printf(" %c  %-20s %s\n", (r->is_default & 1) ? '*' : ' ', name.c_str(),
           r->description ? r->description : "");
  }
  if (e->kind == OPT_BITS) {
    printf("    %-20s %s\n", "all", "All of the above");
    printf("    %-20s %s\n", "none", "None of the above");
    printf("    %-20s %s\n", "default", "Default values (*)");
    printf("\n");
  } else if (e->kind == OPT_ONE || e->kind == OPT_BITS_PLAIN) {
    printf("    %-20s %s\n", "default", "Default value (*)");
    printf("\n");
  }
}

static void help_listing(opt_entry *table) {
  std::vector<const opt_entry *> sorted;
  for (opt_entry *e = table; e->order != 0; e++) sorted.push_back(e);
  std::stable_sort(sorted.begin(), sorted.end(), [](const opt_entry *a, const opt_entry *b) {
    if (!a->name || !b->name) return !a->name && b->name;
    return strcmp(a->name, b->name) < 0;
  });
  printf("\nCompiler Options:\n\n");
  for (const opt_entry *e : sorted) {
    if (!e->name || !e->help) continue;
    printf(" %-2s  ", (e->flags & OPT_TERMINAL) ? "!" : "");
    std::string usage = usage_text(e);
    if (e->help->short_text)
      printf(" %-30s %s\n", usage.c_str(), e->help->short_text);
    else
      printf(" %s\n", usage.c_str());
  }
  printf(" ! Compilation stops after processing this option\n\n"
         "Help for a specific option can be obtained by specifying an argument to %s.\n\n",
         "--help");
}

void opt_help(opt_entry *table, const char *option_text) {
  if (opt_banner_hook) opt_banner_hook();
  if (option_text) {
    auto name_char = [](char c) { return isalnum(uint8_t(c)) || c == '_'; };
    const char *p = option_text;
    while (*p && !name_char(*p)) p++;
    const char *end = p;
    while (*end && name_char(*end)) end++;
    std::string name(p, end);
    if (opt_entry *e = opt_find_name(table, name.c_str())) {
      help_one(e);
      fflush(stdout);
      return;
    }
    printf("Bad option: %s\n", option_text);
  }
  help_listing(table);
  fflush(stdout);
}
