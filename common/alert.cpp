#include "common/alert.h"

#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "common/alloc.h"
#include "common/hash.h"
#include "common/registry.h"
#include "common/vector.h"

namespace {

constexpr uint32_t NUMBER_MAX = 10000;
constexpr size_t LINE_SIZE = 2048;       // a finished line: 2047 characters and a newline
constexpr size_t BODY_SIZE = 512;        // "(%u) " and the formatted text
constexpr size_t TEXT_SIZE = 512;        // the text with "%m" replaced
constexpr size_t FILE_LINE_MAX = 255;    // characters kept of a description line
constexpr uint32_t LIMIT_BEFORE_INIT = 3;
constexpr uint32_t DEFAULT_ERROR_LIMIT = 20;
constexpr uint32_t ONCE_BUCKETS = 4099;  // prime

const char DEFAULT_FILE[] = "../dat/en_msgs.txt";
const char FALLBACK_FILE[] = "en_msgs.txt";
const char NO_DESCRIPTION[] =
    "An error, warning or message was generated, but no description is available";

// Template slots, in the order of msg_set_formats.
enum layout_class { LAYOUT_ERROR = 0, LAYOUT_WARNING = 1, LAYOUT_MESSAGE = 2 };

const char *const default_formats[3] = {
    "%f: %l: (%n) %s (error)",
    "%f: %l: (%n) %s (warning)",
    "%f: %l: %s",
};
const char *const format_variables[3] = {"ZVQ_ERR_FORMAT", "ZVQ_WARN_FORMAT", "ZVQ_MSG_FORMAT"};

struct msg_desc {
  int kind;
  uint32_t number;
  char *text;
  int level;
};

struct msg_once_key {
  uint32_t number;
  uint32_t line;
  char *file;
};

// All state is module-global and plain, so it is usable from exit handlers
// and static constructors alike.
struct alert_state {
  int init_state;     // 0 fresh, 1 no file loaded yet, 2 settled
  bool file_named;
  char *file_name;    // the description file in use
  vec *table;         // msg_desc * by number
  vec *fallback;      // the installation's English file, loaded on demand
  bool fallback_tried;
  vec *disable_stack; // of vec *, each holding a state by number
  hash_table *once;

  char line[LINE_SIZE];
  size_t line_len;
  bool continuing;

  uint32_t errors;
  uint32_t warnings;
  uint32_t error_limit = LIMIT_BEFORE_INIT;  // until initialisation sets the default
  int warn_level;
  bool warn_as_error;
  int format_mode;
  char *formats[3];
  int saved_errno;

  bool wide;
  const char *file;
  const int *line_no;
  const char *const *line_start;
  const char *const *position;
  const uint16_t *wfile;
  const uint16_t *const *wline_start;
  const uint16_t *const *wposition;

  msg_exit_fn exit_hook;
  msg_output_fn output_hook;
  msg_pre_fn pre_hook;
  msg_echo_fn echo_hook;
  msg_echo_wide_fn echo_wide_hook;
  char *component;
  bool exiting;
};

alert_state st;

void replace_string(char **slot, const char *text) {
  char *copy = str_dup(text);  // before freeing: text may be the old value
  xfree(*slot);
  *slot = copy;
}

// ---- line buffer ----

void line_begin() {
  st.line_len = 0;
  st.line[0] = '\0';
  st.continuing = false;
}

void line_putn(const char *s, size_t n) {
  size_t room = LINE_SIZE - 1 - st.line_len;
  if (n > room) n = room;
  memcpy(st.line + st.line_len, s, n);
  st.line_len += n;
  st.line[st.line_len] = '\0';
}

void line_puts(const char *s) { line_putn(s, strlen(s)); }

void line_putc(char c) { line_putn(&c, 1); }

int line_vprintf(const char *format, va_list args) {
  size_t room = LINE_SIZE - st.line_len;
  int n = vsnprintf(st.line + st.line_len, room, format, args);
  if (n > 0) st.line_len += size_t(n) < room ? size_t(n) : room - 1;
  st.line[st.line_len] = '\0';
  return n;
}

int line_printf(const char *format, ...) __attribute__((format(printf, 1, 2)));
int line_printf(const char *format, ...) {
  va_list args;
  va_start(args, format);
  int n = line_vprintf(format, args);
  va_end(args);
  return n;
}

// One message is one line: a text that already ends in a newline gets no
// second one, so a blank line never follows it.
void line_flush() {
  if (st.line_len == LINE_SIZE - 1) st.line_len--;
  if (st.line_len == 0 || st.line[st.line_len - 1] != '\n') st.line[st.line_len++] = '\n';
  st.line[st.line_len] = '\0';
  if (st.output_hook) {
    st.output_hook(st.line);
  } else {
    fputs(st.line, stderr);
    fflush(stderr);
  }
  st.line_len = 0;
  st.line[0] = '\0';
}

// ---- description files ----

void desc_free(msg_desc *d) {
  if (!d) return;
  xfree(d->text);
  xfree(d);
}

void table_empty(vec *table) {
  for (uint32_t i = 0; i < vec_size(table); i++) desc_free(static_cast<msg_desc *>(vec_get(table, i)));
  vec_clear(table);
}

bool is_separator(char c) { return c == ' ' || c == '\t'; }

bool all_digits(const char *s) {
  if (!*s) return false;
  for (; *s; s++)
    if (!isdigit(static_cast<unsigned char>(*s))) return false;
  return true;
}

// Kind token: f/F, e/E, m/M, or a signed decimal warning level.
int parse_kind(const char *token, int *level) {
  *level = 0;
  if (!token[1]) {
    switch (token[0]) {
      case 'f': case 'F': return MSG_KIND_FATAL;
      case 'e': case 'E': return MSG_KIND_ERROR;
      case 'm': case 'M': return MSG_KIND_MESSAGE;
    }
  }
  if (all_digits(token[0] == '-' ? token + 1 : token)) {
    long value = strtol(token, nullptr, 10);
    *level = value < -99999 ? -99999 : value > 99999 ? 99999 : int(value);
    return MSG_KIND_WARNING;
  }
  return MSG_KIND_NONE;
}

// Reads one line into buf (at most FILE_LINE_MAX characters kept, the rest of
// a longer line dropped); false at the end of the file.
bool read_desc_line(FILE *f, char *buf) {
  size_t n = 0;
  int c;
  bool any = false;
  while ((c = getc(f)) != EOF) {
    any = true;
    if (c == '\n') break;
    if (n < FILE_LINE_MAX) buf[n++] = c ? char(c) : ' ';
  }
  while (n && buf[n - 1] == '\r') n--;
  buf[n] = '\0';
  return any;
}

void report_malformed(unsigned line, const char *file) {
  msg_report(3, "M", "Malformed error information on line %u, in file %s\n", line, file);
}

void parse_desc_file(FILE *f, const char *file, vec *table) {
  char buf[FILE_LINE_MAX + 1];
  unsigned line = 0;
  while (read_desc_line(f, buf)) {
    line++;
    if (buf[0] == '#') continue;
    char *p = buf;
    while (is_separator(*p)) p++;
    char *number_token = p;
    while (*p && !is_separator(*p)) p++;
    char *number_end = p;
    while (is_separator(*p)) p++;
    char *kind_token = p;
    while (*p && !is_separator(*p)) p++;
    char *kind_end = p;
    char *text = *p ? p + 1 : p;  // one separator, then the text
    *number_end = '\0';
    *kind_end = '\0';
    unsigned long number = all_digits(number_token) ? strtoul(number_token, nullptr, 10) : ~0ul;
    if (number > NUMBER_MAX || !*kind_token || !*text) {
      report_malformed(line, file);
      continue;
    }
    msg_desc *d = static_cast<msg_desc *>(xalloc(sizeof(msg_desc)));
    d->number = uint32_t(number);
    d->kind = parse_kind(kind_token, &d->level);
    d->text = str_dup(text);
    if (d->kind == MSG_KIND_NONE) report_malformed(line, file);
    desc_free(static_cast<msg_desc *>(vec_get(table, d->number)));
    vec_set(table, d, d->number);
  }
}

bool load_into(const char *name, vec *table) {
  FILE *f = fopen(name, "r");
  if (!f) return false;
  table_empty(table);
  parse_desc_file(f, name, table);
  fclose(f);
  return true;
}

const msg_desc *lookup_desc(uint32_t number) {
  if (auto *d = static_cast<const msg_desc *>(vec_get(st.table, number))) return d;
  if (!st.fallback_tried) {
    st.fallback_tried = true;
    st.fallback = vec_new_default();
    char *path = reg_install_path(REG_DIR_DAT, FALLBACK_FILE);
    if (path) load_into(path, st.fallback);
    xfree(path);
  }
  return static_cast<const msg_desc *>(vec_get(st.fallback, number));
}

// ---- initialisation ----

void set_formats(const char *error, const char *warning, const char *message) {
  const char *given[3] = {error, warning, message};
  for (int i = 0; i < 3; i++) {
    const char *env = getenv(format_variables[i]);
    const char *chosen = env && *env ? env : given[i] ? given[i] : default_formats[i];
    replace_string(&st.formats[i], chosen);
  }
}

void msg_init() {
  if (st.init_state == 0) {
    st.error_limit = DEFAULT_ERROR_LIMIT;
    set_formats(nullptr, nullptr, nullptr);
    if (st.file_named) {
      st.init_state = 2;
      return;
    }
    st.init_state = 1;
    msg_open_language(255);
  } else if (st.init_state == 1) {
    msg_open_language(255);
  }
}

// ---- disable tables ----

vec *disable_top() {
  if (!st.disable_stack) {
    st.disable_stack = vec_new_default();
    vec_push(st.disable_stack, vec_new_default());
  }
  return static_cast<vec *>(vec_top(st.disable_stack));
}

int disable_state(uint32_t number) {
  if (!st.disable_stack) return MSG_DISABLE_NONE;
  return int(intptr_t(vec_get(disable_top(), number)));
}

// ---- layout ----

layout_class class_of_kind(int kind) {
  if (kind == MSG_KIND_FATAL || kind == MSG_KIND_ERROR) return LAYOUT_ERROR;
  if (kind == MSG_KIND_MESSAGE) return LAYOUT_MESSAGE;
  return LAYOUT_WARNING;
}

layout_class class_of_letter(char c) {
  switch (c) {
    case 'F': case 'f': case 'E': case 'e': return LAYOUT_ERROR;
    case 'M': case 'm': return LAYOUT_MESSAGE;
    default: return LAYOUT_WARNING;
  }
}

// Copies a message text for formatting: "%m" becomes the system error text,
// other conversions stay. A "%n" conversion, which would write through an
// argument, is turned into literal text: description files are data.
void expand_text(char *out, const char *text, int err) {
  size_t len = 0;
  const size_t cap = TEXT_SIZE - 1;
  auto put = [&](const char *s, size_t n, bool whole) {
    if (len + n > cap) {
      if (whole) return false;
      n = cap - len;
    }
    memcpy(out + len, s, n);
    len += n;
    return true;
  };
  for (const char *p = text; *p && len < cap; p++) {
    if (*p != '%') {
      put(p, 1, true);
      continue;
    }
    if (p[1] == 'm') {
      if (err) put(strerror(err), strlen(strerror(err)), false);
      p++;
      continue;
    }
    size_t spec = 1 + strspn(p + 1, "-+ #0123456789.*'hlLqjzt");
    if (p[1] == '\0' || p[spec] == 'n') {
      if (!put("%%", 2, true)) break;  // a lone or writing "%" prints as itself
      continue;
    }
    if (!put(p, 2, true)) break;
    p++;
  }
  out[len] = '\0';
}

const char *context_file(std::string &wide_copy) {
  if (!st.wide) return st.file;
  if (!st.wfile) return nullptr;
  wide_copy.clear();
  for (const uint16_t *u = st.wfile; *u; u++) wide_copy.push_back(char(*u & 0xFF));
  return wide_copy.c_str();
}

// The position within the current line, when one is set: units from the
// line start, and whether the position lies inside the line text.
bool context_column(size_t *column, bool *inside) {
  if (st.wide) {
    if (!st.wposition || !*st.wposition || !st.wline_start || !*st.wline_start) return false;
    const uint16_t *start = *st.wline_start, *pos = *st.wposition;
    if (pos < start) return false;
    *column = size_t(pos - start);
    size_t n = 0;
    while (start[n] && n < *column) n++;
    *inside = pos > start && n == *column;
    return true;
  }
  if (!st.position || !*st.position || !st.line_start || !*st.line_start) return false;
  const char *start = *st.line_start, *pos = *st.position;
  if (pos < start) return false;
  *column = size_t(pos - start);
  *inside = pos > start && strnlen(start, *column) == *column;
  return true;
}

// Display column of the character just before the position, tabs at every 8.
template <typename Unit>
size_t display_column(const Unit *start, size_t before) {
  size_t col = 0;
  for (size_t k = 0; k + 1 < before; k++) col = start[k] == '\t' ? (col / 8 + 1) * 8 : col + 1;
  return col;
}

void layout_template(uint32_t number, layout_class cls, const char *body, int err) {
  std::string wide_copy;
  for (const char *p = st.formats[cls]; *p; p++) {
    if (*p != '%') {
      line_putc(*p);
      continue;
    }
    char c = *++p;
    if (!c) break;  // a "%" at the very end is dropped
    size_t column;
    bool inside;
    const char *file;
    switch (c) {
      case 'a': line_puts(msg_component()); break;
      case 'c':
        if (context_column(&column, &inside)) line_printf("%u", unsigned(column));
        break;
      case 'f':
        if ((file = context_file(wide_copy))) line_puts(file);
        break;
      case 'l':
        if (st.line_no) line_printf("%u", unsigned(*st.line_no));
        break;
      case 'm':
        if (err) line_puts(strerror(err));
        break;
      case 'n': line_printf("%u", number); break;
      case 's': line_puts(body); break;
      default: line_putc(c); break;
    }
  }
}

// Echoes the source line and points at the position with a caret; false when
// the context does not allow it.
bool layout_caret(layout_class cls, const char *body) {
  if (cls == LAYOUT_MESSAGE) return false;
  if (st.wide ? !st.echo_wide_hook : !st.echo_hook) return false;
  size_t column;
  bool inside;
  if (!context_column(&column, &inside) || !inside) return false;
  size_t i;
  if (st.wide) {
    st.echo_wide_hook(*st.wline_start, st.wfile);
    i = display_column(*st.wline_start, column);
  } else {
    st.echo_hook(*st.line_start, st.file);
    i = display_column(*st.line_start, column);
  }
  if (i > LINE_SIZE) i = LINE_SIZE;  // the line buffer cuts it anyway
  if (strlen(body) + 1 < i)
    line_printf("\t%*s ^", int(i - 1), body);
  else
    line_printf("\t%*c %s", int(i + 1), '^', body);
  if (cls == LAYOUT_WARNING) line_puts(" (warning)");
  return true;
}

void layout(uint32_t number, layout_class cls, const char *text, va_list args, int err) {
  char body[BODY_SIZE];
  int prefix = 0;
  if (!st.format_mode && cls != LAYOUT_MESSAGE) prefix = snprintf(body, BODY_SIZE, "(%u) ", number);
  char copy[TEXT_SIZE];
  expand_text(copy, text, err);
  if (vsnprintf(body + prefix, BODY_SIZE - prefix, copy, args) < 0) body[prefix] = '\0';

  if (st.format_mode) {
    layout_template(number, cls, body, err);
    return;
  }
  if (layout_caret(cls, body)) return;
  std::string wide_copy;
  const char *file = context_file(wide_copy);
  if (file && *file) {
    line_puts(file);
    line_puts(": ");
  }
  if (st.line_no) line_printf("%u: ", unsigned(*st.line_no));
  line_puts(body);
  if (cls == LAYOUT_WARNING) line_puts(" (warning)");
}

// ---- reporting ----

// Counts an error; past the limit reports it and ends the program.
void count_error() {
  uint32_t before = st.errors++;
  if (before >= st.error_limit) {
    msg_report(1, "M", "too many errors (%u)", st.errors);
    msg_exit_failure(1);
  }
}

int report_literal(unsigned number, const char *kind, const char *format, va_list args, int err) {
  if (!kind) kind = "";
  int level = 10;
  if (isdigit(static_cast<unsigned char>(kind[0])) ||
      (kind[0] == '-' && isdigit(static_cast<unsigned char>(kind[1]))))
    level = atoi(kind);
  if (kind[0] == 'e' || kind[0] == 'E') count_error();
  if (level < st.warn_level) return 0;
  line_begin();
  layout(number, class_of_letter(kind[0]), format, args, err);
  line_flush();
  if (kind[0] == 'f' || kind[0] == 'F') msg_exit_failure(1);
  return 1;
}

uint32_t once_hash(const void *p) {
  const msg_once_key *k = static_cast<const msg_once_key *>(p);
  uint32_t acc = 0;
  for (const char *s = k->file; s && *s; s++) acc = uint32_t(static_cast<unsigned char>(*s)) + 2 * acc;
  return acc * 1000 + k->line * 100 + k->number;
}

int once_equal(const void *pa, const void *pb) {
  const msg_once_key *a = static_cast<const msg_once_key *>(pa);
  const msg_once_key *b = static_cast<const msg_once_key *>(pb);
  if (a->number != b->number || a->line != b->line) return 1;
  if (!a->file || !b->file) return a->file == b->file ? 0 : 1;
  return strcmp(a->file, b->file) ? 1 : 0;
}

}  // namespace

int msg(unsigned number, ...) {
  va_list args;
  va_start(args, number);
  int r = msg_vmsg(number, args);
  va_end(args);
  return r;
}

int msg_vmsg(unsigned number, va_list args) {
  int err = errno;
  msg_init();
  int kind = MSG_KIND_ERROR, level = 0;
  std::string text = NO_DESCRIPTION;
  if (const msg_desc *d = number <= NUMBER_MAX ? lookup_desc(number) : nullptr) {
    kind = d->kind;
    level = d->level;
    text = d->text;
  }

  bool check_level = true;
  switch (disable_state(number)) {
    case MSG_DISABLE_HIDE:
      if (kind == MSG_KIND_WARNING || kind == MSG_KIND_MESSAGE) return 0;
      break;
    case MSG_DISABLE_TO_WARNING:
      if (kind == MSG_KIND_ERROR) {
        kind = MSG_KIND_WARNING;
        level = st.warn_level;
      }
      break;
    case MSG_DISABLE_TO_ERROR:
      if (kind == MSG_KIND_WARNING) {
        kind = MSG_KIND_ERROR;
        check_level = false;
      }
      break;
    case MSG_DISABLE_OFF:
      if (kind != MSG_KIND_FATAL) return 0;
      break;
  }
  if (check_level && kind == MSG_KIND_WARNING && level < st.warn_level) return 0;

  if (st.pre_hook) st.pre_hook();
  st.saved_errno = err;
  line_begin();
  layout(number, class_of_kind(kind), text.c_str(), args, err);
  line_flush();
  switch (kind) {
    case MSG_KIND_ERROR: count_error(); break;
    case MSG_KIND_WARNING: st.warnings++; break;
    case MSG_KIND_FATAL: msg_exit_failure(1);
  }
  return 1;
}

int msg_once(unsigned number, ...) {
  // The key must see the position the message is about, which the program's
  // pre-message hook keeps current.
  if (st.pre_hook) st.pre_hook();
  std::string wide_copy;
  const char *file = context_file(wide_copy);
  msg_once_key key = {number, st.line_no ? uint32_t(*st.line_no) : 0, const_cast<char *>(file ? file : "")};
  // A prime count of buckets: the key's hash is a multiple of 100 apart
  // from its number, so 100 buckets put every line's copy of one message
  // in a single chain, searched in full at each call.
  if (!st.once) st.once = hash_new(ONCE_BUCKETS, once_hash, once_equal);
  if (hash_lookup(st.once, &key)) return 0;
  msg_once_key *stored = static_cast<msg_once_key *>(xalloc(sizeof(msg_once_key)));
  *stored = key;
  stored->file = str_dup(key.file);
  hash_insert(st.once, stored, stored);

  va_list args;
  va_start(args, number);
  int r = msg_vmsg(number, args);
  va_end(args);
  return r;
}

int msg_report(unsigned number, const char *kind, const char *format, ...) {
  st.saved_errno = errno;
  va_list args;
  va_start(args, format);
  int r = report_literal(number, kind, format, args, st.saved_errno);
  va_end(args);
  return r;
}

int msg_report_hooked(const char *kind, const char *format, ...) {
  if (st.pre_hook) st.pre_hook();
  va_list args;
  va_start(args, format);
  int r = report_literal(0, kind, format, args, st.saved_errno);
  va_end(args);
  return r;
}

int msg_print(const char *format, ...) {
  va_list args;
  va_start(args, format);
  int r = msg_vprint(format, args);
  va_end(args);
  return r;
}

int msg_vprint(const char *format, va_list args) {
  st.saved_errno = errno;
  line_begin();
  line_vprintf(format, args);
  line_flush();
  return 1;
}

int msg_continue(int end, const char *format, ...) {
  if (!st.continuing) {
    line_begin();
    line_putc('\t');
  }
  va_list args;
  va_start(args, format);
  int n = line_vprintf(format, args);
  va_end(args);
  st.continuing = true;
  if (end == 1) {
    line_flush();
    st.continuing = false;
    return 0;
  }
  return n;
}

bool msg_failed() { return st.errors > 0 || (st.warn_as_error && st.warnings > 0); }
uint32_t msg_error_count() { return st.errors; }
uint32_t msg_warning_count() { return st.warnings; }

int msg_load_file(const char *name) {
  if (!name) {
    name = getenv("ZVQ_ERR_FILE");
    if (!name || !*name) name = DEFAULT_FILE;
  }
  replace_string(&st.file_name, name);
  st.file_named = true;
  if (!st.table) st.table = vec_new_default();
  if (!load_into(st.file_name, st.table)) return 0;
  if (st.init_state == 1) st.init_state = 2;  // a loaded file ends the retries
  return 1;
}

int msg_open_language(uint32_t language_id) {
  if (language_id != 255) {
    char *name = strfmt("%s_msgs.txt", lang_code(language_id));
    char *path = reg_install_path(REG_DIR_DAT, name);
    bool loaded = path && msg_load_file(path);
    xfree(path);
    xfree(name);
    if (loaded) {
      st.init_state = 2;
      return 2;
    }
  } else if (msg_load_file(nullptr)) {
    st.init_state = 2;
    return 2;
  }

  uint32_t language;
  if (reg_product_dword("language", &language) != 0) language = lang_default_id();
  char *name = strfmt("%s_msgs.txt", lang_code(language));
  char *path = reg_install_path(REG_DIR_DAT, name);
  bool loaded = (path && msg_load_file(path)) || msg_load_file(nullptr) || msg_load_file(name);
  xfree(path);
  if (loaded) {
    xfree(name);
    st.init_state = 2;
    return 2;
  }
  if (st.init_state != 2) {
    xfree(name);
    return 0;
  }
  msg_print("Could not open message file %s\n", name);
  xfree(name);
  msg_exit_failure(1);
}

const char *msg_file_name() { return st.file_name ? st.file_name : ""; }

uint32_t msg_set_error_limit(uint32_t limit) {
  msg_init();
  uint32_t previous = st.error_limit;
  st.error_limit = limit;
  return previous;
}

int msg_set_warn_level(int level) {
  int previous = st.warn_level;
  st.warn_level = level;
  return previous;
}

void msg_set_warn_as_error(int flag) { st.warn_as_error = flag != 0; }

void msg_set_format_mode(int flag) { st.format_mode = flag; }

void msg_set_formats(const char *error, const char *warning, const char *message) {
  msg_init();
  set_formats(error, warning, message);
}

void msg_set_context(const char *file, const int *line, const char *const *line_start,
                     const char *const *position) {
  st.wide = false;
  st.file = file;
  st.line_no = line;
  st.line_start = line_start;
  st.position = position;
}

void msg_set_context_wide(const uint16_t *file, const int *line, const uint16_t *const *line_start,
                          const uint16_t *const *position) {
  st.wide = true;
  st.wfile = file;
  st.line_no = line;
  st.wline_start = line_start;
  st.wposition = position;
}

void msg_set_output_hook(msg_output_fn fn) { st.output_hook = fn; }
void msg_set_pre_hook(msg_pre_fn fn) { st.pre_hook = fn; }
void msg_set_echo_hook(msg_echo_fn fn) { st.echo_hook = fn; }
void msg_set_echo_hook_wide(msg_echo_wide_fn fn) { st.echo_wide_hook = fn; }

void msg_disable_op(unsigned number, int operation) {
  vec *top = disable_top();
  switch (operation) {
    case MSG_DISABLE_NONE:
    case MSG_DISABLE_HIDE:
    case MSG_DISABLE_TO_WARNING:
    case MSG_DISABLE_TO_ERROR:
    case MSG_DISABLE_OFF:
      if (number > NUMBER_MAX) return;
      if (operation == MSG_DISABLE_NONE && number >= vec_size(top)) return;
      vec_set(top, reinterpret_cast<void *>(intptr_t(operation)), number);
      break;
    case MSG_DISABLE_PUSH:
      vec_push(st.disable_stack, vec_dup(top));
      break;
    case MSG_DISABLE_POP:
      if (vec_size(st.disable_stack) > 1) vec_free(static_cast<vec *>(vec_pop(st.disable_stack)));
      break;
    case MSG_DISABLE_ALL_WARNINGS:
      // The warnings are those of the loaded file, so load it first.
      msg_init();
      for (uint32_t n = 0; n < vec_size(st.table); n++) {
        auto *d = static_cast<const msg_desc *>(vec_get(st.table, n));
        if (d && d->kind == MSG_KIND_WARNING)
          vec_set(top, reinterpret_cast<void *>(intptr_t(MSG_DISABLE_HIDE)), n);
      }
      break;
    case MSG_DISABLE_CLEAR:
      vec_clear(top);
      break;
  }
}

void msg_disable_list(const char *list) {
  if (!list || !*list) return;
  if (list[0] == '0') {
    msg_disable_op(0, MSG_DISABLE_ALL_WARNINGS);
    return;
  }
  const char *p = list;
  while (*p) {
    size_t n = strcspn(p, ",");
    std::string item(p, n);
    p += n;
    if (*p) p++;
    size_t digits = strspn(item.c_str(), "0123456789");
    if (!digits) continue;
    unsigned long number = strtoul(item.c_str(), nullptr, 10);
    const char *rest = item.c_str() + digits;
    int state;
    if (!*rest)
      state = MSG_DISABLE_HIDE;
    else if (!strcasecmp(rest, ":off"))
      state = MSG_DISABLE_OFF;
    else
      continue;
    if (number <= NUMBER_MAX) msg_disable_op(unsigned(number), state);
  }
}

void msg_set_component(const char *word) { replace_string(&st.component, word); }

const char *msg_component() { return st.component ? st.component : ""; }

void msg_set_exit_hook(msg_exit_fn prog_exit) { st.exit_hook = prog_exit; }

void msg_exit_failure(int status) {
  // A message raised while the program is already ending must not re-enter it.
  if (st.exit_hook && !st.exiting) {
    st.exiting = true;
    st.exit_hook(status);
  }
  exit(status);
}

namespace {

struct common_option {
  const char *prefix;
  void (*apply)(const char *value);
};

void option_edf(const char *value) {
  if (!msg_load_file(value)) msg_print("Could not open error description file %s\n", value);
}
void option_emax(const char *value) { msg_set_error_limit(uint32_t(strtoul(value, nullptr, 10))); }

const common_option common_options[] = {
    {"--edf=", option_edf},
    {"--emax=", option_emax},
    {"--msgdisable=", msg_disable_list},
    {"--disl=", msg_disable_list},
};

}  // namespace

int msg_common_option(const char *word) {
  if (!word) return 0;
  for (const common_option &o : common_options) {
    size_t n = strlen(o.prefix);
    if (!strncmp(word, o.prefix, n)) {
      o.apply(word + n);
      return 1;
    }
  }
  return 0;
}
