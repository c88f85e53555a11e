#include "driver/files.h"

#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/alert.h"
#include "common/alloc.h"
#include "common/lists.h"
#include "common/osdep.h"
#include "common/vector.h"
#include "driver/arglist.h"
#include "driver/options.h"
#include "driver/state.h"

void file_remove(const char *path) {
  if (drv.nodel || !path) return;
  if (drv.verbose) msg_print("del %s", path);
  remove(path);
}

bool ends_with(const char *text, const char *suffix) {
  size_t n = strlen(text), m = strlen(suffix);
  return n >= m && strcasecmp(text + n - m, suffix) == 0;
}

bool is_asm_source(const char *name) { return ends_with(name, ".as") || ends_with(name, ".asm"); }

std::string replace_ext(const char *path, const char *ext) {
  const char *dot = strrchr(path, '.');
  if (!dot) return std::string(path) + "." + ext;
  return std::string(path, dot + 1) + ext;
}

std::string base_replace_ext(const char *path, const char *ext) { return replace_ext(os_basename(path), ext); }

std::string dir_file(const char *path, const char *ext, const char *directory) {
  std::string name = base_replace_ext(path, ext);
  if (!directory || !*directory) return name;
  char *joined = os_path_join(directory, name.c_str());
  if (!joined) return name;
  char *relative = os_rel_path(joined);
  std::string result = relative ? relative : joined;
  xfree(relative);
  xfree(joined);
  return result;
}

std::string out_file(const char *ext) { return dir_file(drv.out_name.c_str(), ext, drv.out_dir.c_str()); }

std::string obj_file(const char *path, const char *ext) { return dir_file(path, ext, drv.obj_dir.c_str()); }

const char *skip_hex(const char *text) {
  while (isxdigit(uint8_t(*text))) text++;
  return text;
}

int version_part(const char *text, bool minor) {
  const char *p = text;
  while (*p && !isdigit(uint8_t(*p))) p++;
  if (minor) {
    const char *dot = strchr(p, '.');
    if (!dot) return 0;
    p = dot + 1;
  }
  return atoi(p);
}

static bool name_char(char c) { return isalnum(uint8_t(c)) || c == '_'; }

static std::string leading_name(const std::string &item) {
  size_t n = 0;
  while (n < item.size() && name_char(item[n])) n++;
  return item.substr(0, n);
}

static std::vector<std::string> split_commas(const std::string &text) {
  std::vector<std::string> items;
  size_t start = 0;
  for (;;) {
    size_t comma = text.find(',', start);
    items.push_back(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
    if (comma == std::string::npos) return items;
    start = comma + 1;
  }
}

std::string linker_option_filter(const char *option) {
  std::string text = option;
  if (text.size() < 2 || text.find('=') == std::string::npos || drv.linker_options.empty()) return text;
  char letter = char(tolower(uint8_t(text[1])));

  // The names the user's options of the same letter place themselves.
  std::vector<std::string> taken;
  for (const std::string &user : drv.linker_options) {
    if (user.size() < 2 || tolower(uint8_t(user[1])) != letter) continue;
    for (const std::string &item : split_commas(user.substr(2)))
      if (std::string name = leading_name(item); !name.empty()) taken.push_back(name);
  }
  auto is_taken = [&taken](const std::string &name) {
    for (const std::string &t : taken)
      if (t.size() == name.size() && strcasecmp(t.c_str(), name.c_str()) == 0) return true;
    return false;
  };

  std::vector<std::string> items = split_commas(text.substr(2));
  if (letter != 'p') return is_taken(leading_name(items[0])) ? std::string() : text;

  // A placement chain: only the taken-over psects leave it. When the anchor
  // itself goes, the next psect follows it wherever the user put it.
  std::vector<std::string> kept;
  std::string anchor;
  for (size_t i = 0; i < items.size(); i++) {
    std::string name = leading_name(items[i]);
    if (!name.empty() && is_taken(name)) {
      if (kept.empty()) anchor = name;
      continue;
    }
    kept.push_back(items[i]);
  }
  if (kept.empty()) return std::string();
  if (!anchor.empty() && kept[0].find('=') == std::string::npos) kept[0] += "=" + anchor;
  std::string result = text.substr(0, 2);
  for (size_t i = 0; i < kept.size(); i++) result += (i ? "," : "") + kept[i];
  return result;
}

void linker_option_add(arglist *list, const char *option) {
  std::string filtered = linker_option_filter(option);
  if (!filtered.empty()) arglist_add_copy_flags(list, ARG_CONFIGURABLE, filtered.c_str());
}

void linker_option_addf(arglist *list, const char *format, ...) {
  va_list args;
  va_start(args, format);
  char *text = vstrfmt(format, args);
  va_end(args);
  linker_option_add(list, text);
  xfree(text);
}

void class_spec_options(mem_space *spaces, arglist *list) {
  for (mem_space *s = spaces; s; s = s->next)
    for (mem_class *c = s->classes; c; c = c->next) {
      char *text = cls_spec_string(c, "-A", c->name);
      if (text && *text) linker_option_add(list, text);
      xfree(text);
    }
}

uint32_t option_id(const opt_entry *entry) { return entry->id; }

bool option_has_value(const char *text) { return text && text[0] && text[1]; }

bool read_text_line(FILE *file, std::string &line) {
  line.clear();
  int c;
  while ((c = fgetc(file)) != EOF && c != '\n') line += char(c);
  if (c == EOF && line.empty()) return false;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return true;
}

std::vector<std::string> text_fields(const std::string &line) {
  std::vector<std::string> fields;
  size_t i = 0;
  for (;;) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) i++;
    if (i == line.size()) return fields;
    size_t start = i;
    while (i < line.size() && line[i] != ' ' && line[i] != '\t') i++;
    fields.push_back(line.substr(start, i - start));
  }
}

static uint32_t hex_field(const std::vector<std::string> &fields, size_t i) {
  return i < fields.size() ? uint32_t(strtoul(fields[i].c_str(), nullptr, 16)) : 0;
}

int psect_bounds_read(const char *path, std::vector<psect_bound> &list) {
  if (!path) return 0;
  FILE *f = fopen(path, "r");
  if (!f) return 0;
  std::string line;
  while (read_text_line(f, line)) {
    std::vector<std::string> fields = text_fields(line);
    if (fields.empty() || fields[0].size() <= 3) continue;
    bool high = fields[0].compare(0, 3, "__H") == 0, low = fields[0].compare(0, 3, "__L") == 0;
    if (!high && !low) continue;
    std::string name = fields[0].substr(3);
    uint32_t value = hex_field(fields, 1);
    psect_bound *entry = nullptr;
    for (psect_bound &b : list)
      if (b.name == name) entry = &b;
    if (high) {
      if (entry)
        entry->size = value - entry->low;
      else
        list.push_back({name, value, 0, 0, ""});
    } else if (entry) {
      // The entry holds the high bound so far.
      entry->size = entry->low - value;
      entry->low = value;
    } else {
      list.push_back({name, value, 0, hex_field(fields, 2), fields.size() > 3 ? fields[3] : ""});
    }
  }
  fclose(f);
  return 1;
}

const psect_bound *psect_bound_find(const std::vector<psect_bound> &list, const char *name) {
  size_t n = strlen(name);
  for (const psect_bound &b : list)
    if (b.name.compare(0, n, name) == 0) return &b;
  return nullptr;
}

uint32_t psect_bound_size(const std::vector<psect_bound> &list, const char *name) {
  const psect_bound *b = psect_bound_find(list, name);
  return b ? b->size : 0;
}

static const char *after_underscores(const char *s) {
  while (*s == '_') s++;
  return s;
}

int symbol_values_read(const char *path, symbol_value *table) {
  if (!path) return 0;
  FILE *f = fopen(path, "r");
  if (!f) return 0;
  std::string first_chars;
  for (symbol_value *t = table; t->name; t++) first_chars += *after_underscores(t->name);
  std::string line;
  while (read_text_line(f, line)) {
    std::vector<std::string> fields = text_fields(line);
    if (fields.empty()) continue;
    char first = *after_underscores(fields[0].c_str());
    if (!first || first_chars.find(first) == std::string::npos) continue;
    for (symbol_value *t = table; t->name; t++)
      if (fields[0] == t->name) {
        t->value = hex_field(fields, 1);
        t->value2 = hex_field(fields, 2);
        t->text = fields.size() > 3 ? fields[3] : "";
      }
  }
  fclose(f);
  return 1;
}

vec *qualifier_list() {
  static const char *const qualifiers[] = {"-QL,low_priority", "-QX,bank1",  "-QY,bank2",
                                           "-QZ,bank3",        "-QB,bdata",  "-QCu,const",
                                           "-QFu,far",         "-QN,near",   "-QI,interrupt",
                                           "-QS,persistent"};
  vec *list = vec_new_default();
  for (const char *q : qualifiers) vec_push(list, str_dup(q));
  return list;
}
