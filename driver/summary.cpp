#include "driver/summary.h"

#include <algorithm>
#include <cstdarg>
#include <cstring>

#include "common/alert.h"
#include "common/alloc.h"
#include "common/lists.h"
#include "driver/files.h"
#include "driver/memory.h"
#include "driver/state.h"

// ---- Reading the map ----

static const char *skip_blanks(const char *text) {
  while (*text == ' ' || *text == '\t') text++;
  return text;
}

static bool begins_with(const std::string &line, const char *word) {
  return strncmp(skip_blanks(line.c_str()), word, strlen(word)) == 0;
}

static bool only_white_space(const std::string &line) {
  return line.find_first_not_of(" \t\r\n\f\v") == std::string::npos;
}

// From the start of the file, the first line whose text begins with the word
// and, when a pattern is given, holds the pattern.
static bool map_find_line(FILE *file, const char *word, const char *pattern, std::string &line) {
  rewind(file);
  while (read_text_line(file, line))
    if (begins_with(line, word) && (!pattern || line.find(pattern) != std::string::npos)) return true;
  return false;
}

// Column numbers of the psect table: the word after "TOTAL" is column 1.
struct map_columns {
  size_t name, link, load, length;  // 0 when the heading lacks the word
};

static map_columns heading_columns(const std::string &heading) {
  map_columns columns{};
  std::vector<std::string> words = text_fields(heading);
  const struct {
    const char *word;
    size_t *column;
  } wanted[] = {{"Name", &columns.name}, {"Link", &columns.link}, {"Load", &columns.load}, {"Length", &columns.length}};
  for (const auto &w : wanted)
    for (size_t i = 1; i < words.size() && !*w.column; i++)
      if (words[i].compare(0, strlen(w.word), w.word) == 0) *w.column = i;
  return columns;
}

// The k-th word of a data line (k from 1), or null when the line is shorter.
static const std::string *column_word(const std::vector<std::string> &words, size_t k) {
  return k >= 1 && k <= words.size() ? &words[k - 1] : nullptr;
}

// A hexadecimal column that holds a 32-bit number.
static bool hex_column(const std::vector<std::string> &words, size_t k, uint32_t &value) {
  const std::string *word = column_word(words, k);
  if (!word || word->empty() || word->size() > 8) return false;
  if (*skip_hex(word->c_str()) != '\0') return false;
  value = uint32_t(strtoul(word->c_str(), nullptr, 16));
  return true;
}

static mem_class *class_for(mem_space **spaces, const char *name) {
  if (mem_class *cls = ms_find_class(*spaces, name)) return cls;
  mem_space *other = ms_find(*spaces, "OTHER");
  if (!other) other = ms_new(spaces, "OTHER", "", 0);
  return ms_class_find_or_add(other, name, UNIT_BYTE, -1, 0);
}

static summary_class &map_class(memory_map &map, mem_class *cls) {
  for (summary_class &c : map.classes)
    if (c.cls == cls) return c;
  map.classes.push_back({cls, {}});
  return map.classes.back();
}

static std::string psect_description(const mem_space *space, const char *name) {
  for (const psect_usage *p = space->psects; p; p = p->next)
    if (p->name && strcmp(p->name, name) == 0) return p->class_text ? p->class_text : "";
  const char *text = psect_stem_text(space->psects, name);
  return text ? text : "";
}

// Bit psects count whole bytes (or words) of their class; byte psects whole words.
static uint32_t size_in_class_units(uint32_t size, uint8_t psect_unit, uint8_t class_unit) {
  uint64_t n = size;
  if (psect_unit == UNIT_BIT && class_unit == UNIT_BYTE) return uint32_t((n + 7) / 8);
  if (psect_unit == UNIT_BIT && class_unit == UNIT_WORD) return uint32_t((n + 15) / 16);
  if (psect_unit == UNIT_BYTE && class_unit == UNIT_WORD) return uint32_t((n + 1) / 2);
  return size;
}

static void bad_map_line(const std::string &line, unsigned number, size_t column) {
  msg(162, line.c_str());
  msg(number, int(column));
}

// One psect line of a class block; lines without a usable column are skipped.
static void read_psect_line(const std::string &line, const map_columns &columns, summary_class &into) {
  std::vector<std::string> words = text_fields(line);
  const std::string *name = column_word(words, columns.name);
  summary_psect psect{};
  if (!name) return bad_map_line(line, 1285, columns.name);
  if (!hex_column(words, columns.link, psect.link)) return bad_map_line(line, 1286, columns.link);
  if (!hex_column(words, columns.load, psect.load)) return bad_map_line(line, 1287, columns.load);
  uint32_t length;
  if (!hex_column(words, columns.length, length)) return bad_map_line(line, 1288, columns.length);
  mem_class *cls = into.cls;
  uint8_t unit = ms_value_of(cls->space, name->c_str());
  if (unit == UNIT_UNIT) unit = cls->unit;
  psect.name = *name;
  psect.description = psect_description(cls->space, name->c_str());
  psect.size = size_in_class_units(length, unit, cls->unit);
  into.psects.push_back(psect);
}

void mapinfo_read(FILE *file, mem_space **spaces, memory_map &map) {
  std::string line;
  if (!map_find_line(file, "TOTAL", "Name", line)) {
    msg(1282);
    return;
  }
  map_columns columns = heading_columns(line);
  while (read_text_line(file, line)) {
    if (only_white_space(line) || begins_with(line, "SEGMENTS") || begins_with(line, "NON-CLASSED")) return;
    if (!begins_with(line, "CLASS")) {
      msg(162, line.c_str());
      msg(1284);
      continue;
    }
    std::vector<std::string> words = text_fields(line);
    if (words.size() < 2) {
      msg(162, line.c_str());
      msg(1284);
      continue;
    }
    summary_class &block = map_class(map, class_for(spaces, words[1].c_str()));
    while (read_text_line(file, line) && !only_white_space(line)) read_psect_line(line, columns, block);
  }
}

// ---- Writing the reports ----

namespace {
struct report_out {
  FILE *file;  // a side file, or null for the screen
  uint32_t ide;
  bool quiet;  // set while the summary collects its lines
};
}  // namespace

// One report line and its newline.
static void report_text(report_out &out, const std::string &text) {
  if (out.quiet) return;
  std::string line = text + "\n";
  if (out.file)
    fputs(line.c_str(), out.file);
  else if (out.ide == IDE_STUDIO)
    fputs(line.c_str(), stdout);
  else if (out.ide != IDE_MORVEL)
    msg_print("%s", line.c_str());
}

static std::string vformat(const char *format, va_list args) {
  va_list count;
  va_copy(count, args);
  int n = vsnprintf(nullptr, 0, format, count);
  va_end(count);
  if (n <= 0) return "";
  std::string text(size_t(n), '\0');
  vsnprintf(text.data(), text.size() + 1, format, args);
  return text;
}

static std::string format(const char *format, ...) __attribute__((format(printf, 1, 2)));
static std::string format(const char *format, ...) {
  va_list args;
  va_start(args, format);
  std::string text = vformat(format, args);
  va_end(args);
  return text;
}

static void report_line(report_out &out, const char *format, ...) __attribute__((format(printf, 2, 3)));
static void report_line(report_out &out, const char *format, ...) {
  if (out.quiet) return;
  va_list args;
  va_start(args, format);
  std::string text = vformat(format, args);
  va_end(args);
  report_text(out, text);
}

static uint8_t class_unit(const mem_class *cls) { return cls->unit < 5 ? cls->unit : uint8_t(UNIT_BYTE); }

// "byte" or "bytes" for a count of units.
static std::string unit_word(uint8_t unit, uint64_t count) {
  return std::string(unit_names[unit]) + (count == 1 ? "" : "s");
}

static const summary_class *find_class(const memory_map &map, const mem_class *cls) {
  for (const summary_class &c : map.classes)
    if (c.cls == cls) return &c;
  return nullptr;
}

static int hex_digits(uint64_t value) { return int(format("%lX", (unsigned long)value).size()); }
static int decimal_digits(uint64_t value) { return int(format("%lu", (unsigned long)value).size()); }

static uint64_t last_address(const summary_psect &p) { return uint64_t(p.link) + p.size - 1; }

// The four runs of a rule or blank line, joined by "|".
static std::string table_runs(char fill, int name, int contents, int digits, int size) {
  return std::string(size_t(name + 2), fill) + "|" + std::string(size_t(contents + 2), fill) + "|" +
         std::string(size_t(2 * digits + 7), fill) + "|" + std::string(size_t(size + 10), fill);
}

static void print_psect_map(report_out &out, const memory_map &map, mem_space *spaces) {
  report_line(out, "\nPsect Usage Map:\n");
  int name_w = 5, contents_w = 8, digits = 4, size_w = 1;
  for (const summary_class &c : map.classes)
    for (const summary_psect &p : c.psects) {
      if (!p.size) continue;
      name_w = std::max(name_w, int(p.name.size()));
      contents_w = std::max(contents_w, int(p.description.size()));
      digits = std::max(digits, hex_digits(last_address(p)));
      size_w = std::max(size_w, decimal_digits(p.size));
    }
  name_w = std::min(name_w, 10);
  contents_w = std::min(contents_w, 34);
  digits = std::min(digits, 8);
  size_w = std::min(size_w, 5);
  int range_w = 2 * digits + 5;
  report_line(out, " %-*.*s | %-*.*s | %-*.*s | Size", name_w, name_w, "Psect", contents_w, contents_w, "Contents",
              range_w, range_w, "Memory Range");
  const std::string rule = table_runs('-', name_w, contents_w, digits, size_w);
  const std::string blank = table_runs(' ', name_w, contents_w, digits, size_w);
  report_text(out, rule);
  for (mem_space *space = spaces; space; space = space->next) {
    bool space_has_rows = false;
    for (mem_class *cls = space->classes; cls; cls = cls->next) {
      const summary_class *found = find_class(map, cls);
      if (!found) continue;
      std::vector<summary_psect> psects = found->psects;
      std::stable_sort(psects.begin(), psects.end(),
                       [](const summary_psect &a, const summary_psect &b) { return a.link < b.link; });
      bool class_has_rows = false;
      for (const summary_psect &p : psects) {
        if (!p.size) continue;
        if (!class_has_rows && space_has_rows) report_text(out, blank);
        class_has_rows = true;
        report_line(out, " %-*.*s | %-*.*s | %*.*lXh - %*.*lXh | %*lu %-7.7s", name_w, name_w, p.name.c_str(),
                    contents_w, contents_w, p.description.c_str(), digits, digits, (unsigned long)p.link, digits,
                    digits, (unsigned long)last_address(p), size_w, (unsigned long)p.size,
                    unit_word(class_unit(cls), p.size).c_str());
      }
      space_has_rows |= class_has_rows;
    }
    if (space_has_rows) report_text(out, rule);
  }
  report_text(out, "");
}

static uint64_t class_used(const memory_map &map, const mem_class *cls) {
  uint64_t used = 0;
  if (const summary_class *found = find_class(map, cls))
    for (const summary_psect &p : found->psects) used += p.size;
  return used;
}

static std::string usage_line(const char *name, uint64_t used, uint64_t size, uint8_t unit) {
  uint32_t divisor = unit_sizes[unit];
  return format("    %-20.20s used %5lXh (%6ld) of %5lXh %-7.7s (%5.1f%%)", name, (unsigned long)(used / divisor),
                long(used / divisor), (unsigned long)(size / divisor), unit_word(unit, size / divisor).c_str(),
                percent(double(used), double(size)));
}

// The class usage, or with summary_mode the memory summary: one walk over
// the spaces whose per-space lines are collected and printed at the end.
static void print_class_usage(report_out &out, const memory_map &map, mem_space *spaces, bool summary_mode) {
  if (summary_mode) {
    out.quiet = true;
  } else {
    report_text(out, "");
    report_line(out, "Memory Class Usage:\n");
  }
  std::vector<std::string> summary;
  for (mem_space *space = spaces; space; space = space->next) {
    if (strcmp(space->name, "OTHER") == 0) continue;
    const char *title = space->description && *space->description ? space->description : "Extra space";
    report_line(out, "%s:", title);
    if (!space->classes) report_line(out, "                         None available");
    mem_range *covered = nullptr;
    uint64_t used_total = 0;
    uint8_t unit = UNIT_BYTE;
    for (mem_class *cls = space->classes; cls; cls = cls->next) {
      uint64_t size = 0;
      for (const mem_range *r = cls_list(cls, RNG_DEFINED); r; r = r->next) {
        rng_add(&covered, r->lo, r->hi, 0, 1);
        size += uint64_t(r->hi) - r->lo + 1;
      }
      uint64_t used = class_used(map, cls);
      used_total += used;
      unit = class_unit(cls);
      if (size) report_text(out, usage_line(cls->name, used, size, unit));
    }
    report_text(out, "");
    uint64_t total = rng_free_total(covered);
    summary.push_back(total ? usage_line(title, used_total, total, unit) : format("    %-20.20s None available", title));
  }
  out.quiet = false;
  if (!summary_mode) return;
  report_line(out, "%s", out.ide == IDE_MORVEL ? "Summary:" : "Memory Summary:");
  for (const std::string &line : summary) report_text(out, line);
  report_text(out, "");
}

// The hex merger's log from its legend to the end.
static void print_hex_map(report_out &out, const std::string &log_path) {
  FILE *log = log_path.empty() ? nullptr : fopen(log_path.c_str(), "r");
  if (!log) return;
  std::string line;
  bool copying = false;
  while (read_text_line(log, line)) {
    if (!copying && line.compare(0, 8, " Legend:") != 0) continue;
    if (!copying) report_line(out, "HEX File Usage Map:\n");
    copying = true;
    report_text(out, line);
  }
  if (copying) report_text(out, "");
  fclose(log);
}

static void print_report(report_out &out, uint32_t report, const memory_map &map, mem_space *spaces,
                         const summary_request &request) {
  switch (report) {
    case SUMMARY_PSECT: print_psect_map(out, map, spaces); break;
    case SUMMARY_CLASS: print_class_usage(out, map, spaces, false); break;
    case SUMMARY_MEM: print_class_usage(out, map, spaces, true); break;
    case SUMMARY_HEX: print_hex_map(out, request.file_stem.empty() ? "" : request.file_stem + "hxl"); break;
  }
}

// The reports in printing order, with their side files.
static const struct {
  uint32_t report;
  bool needs_success;  // left out after a failed pass
  const char *side_ext;
  unsigned side_msg;
} reports[] = {
    {SUMMARY_PSECT, false, "pum", 891},
    {SUMMARY_CLASS, true, "mcu", 891},
    {SUMMARY_MEM, true, "mum", 892},
    {SUMMARY_HEX, false, "hum", 893},
};

void summary_print(const memory_map &map, mem_space *spaces, const summary_request &request) {
  report_out screen{nullptr, request.ide, false};
  for (const auto &r : reports)
    if ((request.reports & r.report) && !(r.needs_success && request.pass_failed))
      print_report(screen, r.report, map, spaces, request);
  if (request.ide == IDE_STUDIO) fflush(stdout);
  if (!request.side_files || request.pass_failed || request.file_stem.empty()) return;
  for (const auto &r : reports) {
    if (!(request.reports & r.report)) continue;
    std::string path = request.file_stem + r.side_ext;
    FILE *file = fopen(path.c_str(), "w+");
    if (!file) {
      msg(r.side_msg, path.c_str());
      continue;
    }
    report_out side{file, request.ide, false};
    print_report(side, r.report, map, spaces, request);
    bool failed = ferror(file) != 0;
    if (fclose(file) != 0 || failed) msg(r.side_msg, path.c_str());
  }
}

static summary_request driver_request(bool side_files) {
  summary_request request;
  request.reports = drv.summary;
  request.ide = drv.ide;
  request.pass_failed = drv.failed_passes != 0;
  request.side_files = side_files;
  if (!drv.out_name.empty()) request.file_stem = out_file("");
  return request;
}

static void summarise(const char *map_path, bool side_files) {
  FILE *file = fopen(map_path, "r");
  if (!file) {
    msg(141, "map", map_path);
    return;
  }
  memory_map map;
  mapinfo_read(file, &mem_spaces, map);
  fclose(file);
  summary_print(map, mem_spaces, driver_request(side_files));
}

void summary_after_link(const char *map_path) { summarise(map_path, (drv.summary & SUMMARY_FILE) != 0); }

void summary_memmap(const char *map_path) {
  describe_psects();
  summarise(map_path, false);
}
