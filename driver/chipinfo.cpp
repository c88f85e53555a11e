#include "driver/chipinfo.h"

#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <string>

#include "common/alert.h"
#include "common/alloc.h"
#include "common/hash.h"
#include "common/vector.h"
#include "driver/options.h"

const char *chip_db_path;
int chip_db_line;

static chip_size_hook_fn size_hook;
static chip_range_hook_fn range_hook;

void chipinfo_set_hooks(chip_size_hook_fn size, chip_range_hook_fn range) {
  size_hook = size;
  range_hook = range;
}

// The known keys, in table order; the size and range keys carry a selector.
enum key_class { KEY_TEXT, KEY_SIZE, KEY_RANGE };
struct key_info {
  const char *name;
  key_class cls;
  int selector;
};
static const key_info known_keys[] = {
    {"SFRFILE", KEY_TEXT, 0},      {"MODULE", KEY_TEXT, 0},
    {"JARS", KEY_TEXT, 0},         {"MANUFACTURER", KEY_TEXT, 0},
    {"COMPILER", KEY_TEXT, 0},     {"DEBUGGER", KEY_TEXT, 0},
    {"DEFAULTMEM", KEY_TEXT, 0},   {"DEFAULTREG", KEY_TEXT, 0},
    {"ARCHCLASS", KEY_TEXT, 0},    {"MAKE", KEY_TEXT, 0},
    {"ROMSIZE", KEY_SIZE, CHIP_SIZE_ROM},
    {"RAMSIZE", KEY_SIZE, CHIP_SIZE_RAM},
    {"EXTMEM", KEY_SIZE, CHIP_SIZE_EXTMEM},
    {"EEPROMSIZE", KEY_SIZE, CHIP_SIZE_EEPROM},
    {"STACKDEPTH", KEY_SIZE, CHIP_SIZE_STACK},
    {"COMMON", KEY_RANGE, CHIP_RANGE_COMMON},
    {"ICD2RAM", KEY_RANGE, CHIP_RANGE_ICD_RAM},
    {"ICD2ROM", KEY_RANGE, CHIP_RANGE_ICD_ROM},
    {"REALICEROM", KEY_RANGE, CHIP_RANGE_REALICE_ROM},
    {"REALICERAM", KEY_RANGE, CHIP_RANGE_REALICE_RAM},
    {"PROCID", KEY_TEXT, 0},       {"START", KEY_TEXT, 0},
    {"LIB", KEY_TEXT, 0},          {"ERRATA", KEY_TEXT, 0},
    {"FAMILY", KEY_TEXT, 0},       {"INSTR", KEY_TEXT, 0},
    {"FLASH_EW", KEY_TEXT, 0},     {"PERIPH", KEY_TEXT, 0},
    {"CFGS_UNPROG", KEY_TEXT, 0},
    // The special function registers, which only the chip headers' writer reads.
    {"SFR", KEY_TEXT, 0},          {"SFR16", KEY_TEXT, 0},
    {"SFRFROM", KEY_TEXT, 0},
    // The configuration settings by name, which the configuration pragma reads.
    {"CONFIG", KEY_TEXT, 0},
};

static const key_info *key_find(const char *key) {
  for (const key_info &k : known_keys)
    if (strcasecmp(k.name, key) == 0) return &k;
  return nullptr;
}

static const char *const arch_names[] = {nullptr, "PIC18"};

const char *chip_arch_name(int arch) {
  return arch == CHIP_ARCH_PIC18 ? arch_names[CHIP_ARCH_PIC18] : nullptr;
}

// Reads a run of hexadecimal digits at *p; false when there is none or the
// value does not fit in 32 bits.
bool hex_read(const char *&p, uint32_t &out) {
  if (!isxdigit(uint8_t(*p))) return false;
  uint64_t v = 0;
  while (isxdigit(uint8_t(*p))) {
    int c = tolower(uint8_t(*p++));
    v = v * 16 + uint64_t(isdigit(c) ? c - '0' : c - 'a' + 10);
    if (v > 0xFFFFFFFFu) return false;
  }
  out = uint32_t(v);
  return true;
}

int log2_exact(uint32_t value) {
  if (value == 0 || (value & (value - 1))) return -1;
  int bit = 0;
  while (!(value & 1)) {
    value >>= 1;
    bit++;
  }
  return bit;
}

int range_list_parse(const char *text, void *target, range_fn add, range_fn remove) {
  if (!text || !*text) return 0;
  const char *p = text;
  bool adding = true;
  for (;;) {
    if (*p == '+' || *p == '-') adding = *p++ == '+';
    uint32_t lo, hi;
    if (!hex_read(p, lo) || *p++ != '-' || !hex_read(p, hi) || hi < lo) return 0;
    if (adding) {
      if (add) add(target, lo, hi);
    } else if (remove) {
      remove(target, lo, hi);
    }
    if (*p == 0) return 1;
    if (*p++ != ',') return 0;
  }
}

// Key tables: key text -> vec of value texts, all owned.
static uint32_t key_hash(const void *key) { return opt_name_hash(static_cast<const char *>(key)); }

static int key_equal(const void *a, const void *b) {
  return strcasecmp(static_cast<const char *>(a), static_cast<const char *>(b));
}

static hash_table *key_table_new() { return hash_new(13, key_hash, key_equal); }

static int key_entry_free(void *, const void *key, void *values) {
  vec *v = static_cast<vec *>(values);
  for (uint32_t i = 0; i < vec_size(v); i++) xfree(vec_get(v, i));
  vec_free(v);
  xfree(const_cast<void *>(key));
  return 0;
}

static void key_table_empty(hash_table *t) {
  hash_foreach(t, nullptr, key_entry_free);
  hash_clear(t);
}

static void key_table_add(hash_table *t, const char *key, const char *value) {
  vec *values = static_cast<vec *>(hash_lookup(t, key));
  if (!values) {
    values = vec_new_default();
    hash_insert(t, str_dup(key), values);
  }
  if (value) vec_push(values, str_dup(value));
}

vec *chip_key_values(const chip_record *chip, const char *key) {
  if (!chip) return nullptr;
  if (vec *v = static_cast<vec *>(hash_lookup(chip->section, key))) return v;
  return static_cast<vec *>(hash_lookup(chip->defaults, key));
}

const char *chip_key_value(const chip_record *chip, const char *key) {
  vec *v = chip_key_values(chip, key);
  return v && vec_size(v) ? static_cast<const char *>(vec_get(v, 0)) : nullptr;
}

void chip_msg(const chip_record *chip, const char *format, ...) {
  va_list args;
  va_start(args, format);
  char *text = vstrfmt(format, args);
  va_end(args);
  if (chip && chip->name) text = str_append(text, (std::string(" for chip ") + chip->name).c_str());
  msg(919, text, chip_db_path, chip_db_line);
  xfree(text);
}

// Debugger ranges and COMMON ranges counted per chip.
static int common_count;
static int debug_counts[CHIP_DEBUG_RANGES + 1];

static void counters_reset() {
  common_count = 0;
  for (int &c : debug_counts) c = 0;
}

static void fields_clear(chip_record *chip) {
  char *name = chip->name;
  hash_table *defaults = chip->defaults, *section = chip->section;
  *chip = chip_record{};
  chip->name = name;
  chip->defaults = defaults;
  chip->section = section;
  counters_reset();
}

static void set_field(chip_record *chip, int selector, uint32_t value) {
  switch (selector) {
    case CHIP_SIZE_ROM: chip->rom_size = value; break;
    case CHIP_SIZE_RAM: chip->ram_size = value; break;
    case CHIP_SIZE_EXTMEM: chip->has_extmem = 1; break;
    case CHIP_SIZE_EEPROM: chip->eeprom_size = value; break;
    case CHIP_SIZE_STACK: chip->stack_depth = int(value); break;
  }
}

static void add_debug_range(chip_record *chip, int selector, uint32_t lo, uint32_t hi) {
  if (selector == CHIP_RANGE_COMMON) {
    if (++common_count > 1) chip_msg(chip, "Too many COMMON RAM ranges defined");
    chip->common_lo = lo;
    chip->common_hi = hi;
    return;
  }
  static const char *const too_many[] = {
      nullptr,
      "Too many RAM ranges specified for icd",
      "Too many ROM ranges specified for icd",
      "Too many ROM ranges specified for realice",
      "Too many RAM ranges specified for realice",
  };
  chip_range *lists[] = {nullptr, chip->icd_ram, chip->icd_rom, chip->realice_rom, chip->realice_ram};
  int &count = debug_counts[selector];
  if (count >= CHIP_DEBUG_RANGES) {
    chip_msg(chip, "%s", too_many[selector]);
    return;
  }
  lists[selector][count++] = {lo, hi};
}

// Applies one value of a key to the record and the hooks. Quiet re-application
// (the enumeration's second pass over values already reported) reports nothing.
static void apply_key(chip_record *chip, const char *key, const char *value, bool quiet) {
  const key_info *k = key_find(key);
  if (!k) {
    if (!quiet) msg(1020, key, chip_db_path, chip_db_line);
    return;
  }
  if (!value) return;
  if (k->cls == KEY_SIZE) {
    const char *p = value;
    uint32_t v;
    if (!hex_read(p, v) || *p) {
      if (!quiet) msg(1021, k->name, chip_db_path, chip_db_line);
      return;
    }
    set_field(chip, k->selector, v);
    if (size_hook) size_hook(chip, k->selector, v);
  } else if (k->cls == KEY_RANGE) {
    // Blanks, "=", "," and "-" all separate the numbers of a range value.
    const char *p = value;
    auto skip = [&p] {
      while (*p && strchr(" \t\n=,-", *p)) p++;
    };
    for (skip(); *p; skip()) {
      uint32_t lo, hi;
      bool ok = hex_read(p, lo);
      skip();
      ok = ok && hex_read(p, hi) && hi >= lo;
      if (ok && *p && !strchr(" \t\n=,-", *p)) ok = false;
      if (!ok) {
        if (!quiet) msg(1022, k->name, chip_db_path, chip_db_line);
        return;
      }
      if (k->selector == CHIP_RANGE_COMMON && hi > 0xFF) {
        // Access RAM lies in the first bank; such limits would corrupt COMRAM.
        if (!quiet) chip_msg(chip, "Invalid COMMON limits");
        continue;
      }
      add_debug_range(chip, k->selector, lo, hi);
      if (range_hook) range_hook(chip, k->selector, lo, hi);
    }
  }
}

static const char *plural(long n) { return n == 1 ? "" : "s"; }

// Presence and value counts of the given keys (section first, then defaults).
static void check_count(const chip_record *chip, bool required, long expected,
                        std::initializer_list<const char *> keys) {
  std::string joined;
  long found = 0, total = 0;
  for (const char *key : keys) {
    if (!joined.empty()) joined += "/";
    joined += key;
    if (vec *v = chip_key_values(chip, key)) {
      found++;
      total += long(vec_size(v));
    }
  }
  const char *names = joined.c_str();
  if (!found) {
    if (required) msg(1015, names, chip_db_path, chip_db_line);
    return;
  }
  if (expected == -1 || total == expected) return;
  if (total == 0)
    msg(1016, plural(expected), names, chip_db_path, chip_db_line);
  else if (expected == 0)
    msg(1017, plural(total), names, chip_db_path, chip_db_line);
  else if (expected == 1 && total == 2)
    msg(1019, names, chip_db_path, chip_db_line);
  msg(1018, names, plural(total), int(total), int(expected), chip_db_path, chip_db_line);
}

static void load_config_words(chip_record *chip) {
  for (chip_config_word &w : chip->config) w.set = 0;
  vec *values = chip_key_values(chip, "CFGS_UNPROG");
  if (!values) {
    chip_msg(chip, "Missing CFGS_UNPROG record");
    return;
  }
  if (!vec_size(values)) {
    chip_msg(chip, "Missing values for CFGS_UNPROG");
    return;
  }
  for (uint32_t i = 0; i < vec_size(values); i++) {
    const char *p = static_cast<const char *>(vec_get(values, i));
    while (*p) {
      uint32_t number, value;
      if (!hex_read(p, number) || (*p && *p != ',')) {
        chip_msg(chip, "Can't read configuration word number in CFGS_UNPROG");
        break;
      }
      if (*p == 0) {
        chip_msg(chip, "Missing configuration word %d value in CFGS_UNPROG", int(number));
        break;
      }
      p++;
      if (!hex_read(p, value) || (*p && *p != ',')) {
        chip_msg(chip, "Can't read configuration value number in CFGS_UNPROG");
        break;
      }
      if (*p) p++;
      if (number < 1 || number > CHIP_CONFIG_WORDS) {
        chip_msg(chip, "Invalid configuration word number (%d) in CFGS_UNPROG", int(number));
        continue;
      }
      if (value == 0 || value > 0xFFFF) {
        chip_msg(chip, "Invalid configuration word (%d) value (%X) in CFGS_UNPROG", int(number), value);
        continue;
      }
      chip_config_word &w = chip->config[number - 1];
      w.set = 1;
      w.unprogrammed = w.current = value;
      w.offset = 2 * (number - 1);
    }
  }
}

// Fields derived from the key tables once a section has been read.
static void chip_load(chip_record *chip) {
  chip->procid = chip_key_value(chip, "PROCID");
  chip->errata = chip_key_value(chip, "ERRATA");
  chip->family = chip_key_value(chip, "FAMILY");
  chip->lib = chip_key_value(chip, "LIB");

  chip->flash_erase_size = chip->flash_write_size = 0;
  if (const char *ew = chip_key_value(chip, "FLASH_EW")) {
    const char *p = ew;
    uint32_t v;
    if (hex_read(p, v) && log2_exact(v) >= 0) chip->flash_erase_size = int(v);
    if (const char *comma = strchr(ew, ',')) {
      p = comma + 1;
      if (hex_read(p, v) && log2_exact(v) >= 0) chip->flash_write_size = int(v);
    }
  }

  if (vec *periphs = chip_key_values(chip, "PERIPH")) {
    for (uint32_t i = 0; i < vec_size(periphs) && i < CHIP_PERIPHS; i++) {
      const char *value = static_cast<const char *>(vec_get(periphs, i));
      chip_periph &per = chip->periph[i];
      per.hi = 0;
      const char *at = strchr(value, '@');
      size_t len = at ? size_t(at - value) : strlen(value);
      if (len > sizeof per.name - 1) len = sizeof per.name - 1;
      memcpy(per.name, value, len);
      per.name[len] = 0;
      if (at) {
        const char *p = at + 1;
        uint32_t lo, hi;
        if (hex_read(p, lo) && *p++ == '-' && hex_read(p, hi)) {
          per.lo = lo;
          per.hi = hi;
        }
      }
    }
  }

  load_config_words(chip);
  check_count(chip, true, 1, {"RAMSIZE"});
  check_count(chip, true, 1, {"ROMSIZE"});
  check_count(chip, true, 1, {"COMMON"});
  check_count(chip, false, 1, {"EEPROMSIZE"});
  counters_reset();
  if (chip->stack_depth == 0) chip->stack_depth = 31;
}

// ARCH lines, checked per part (defaults, section) instead of being stored.
struct arch_flag {
  bool seen;
  bool valid;
};

static void check_arch(arch_flag &flag, const char *value) {
  if (flag.seen) msg(816, chip_db_path, chip_db_line);
  if (!value)
    msg(1024, chip_db_path, chip_db_line);
  else if (strcasecmp(value, "PIC18") != 0)
    msg(1025, value, chip_db_path, chip_db_line);
  else
    flag.valid = true;
  flag.seen = true;
}

namespace {

enum line_kind { LINE_END, LINE_COMMENT, LINE_HEADER, LINE_KEY };

// Line reader over the database with a 256-byte line buffer; longer lines are
// reported and skipped whole rather than split.
struct db_reader {
  FILE *file = nullptr;
  char line[256];
  const char *text = nullptr;  // the line after leading white space
  line_kind kind = LINE_END;

  line_kind next() {
    for (;;) {
      if (!fgets(line, sizeof line, file)) return kind = LINE_END;
      chip_db_line++;
      size_t len = strlen(line);
      if (len == sizeof line - 1 && line[len - 1] != '\n') {
        // A full buffer: the line fits only when nothing but its end follows.
        std::string rest;
        for (int c; (c = fgetc(file)) != EOF && c != '\n';) rest += char(c);
        if (!rest.empty() && rest != "\r") {
          chip_msg(nullptr, "Line longer than %d characters ignored", int(sizeof line - 1));
          continue;
        }
      }
      while (len && (line[len - 1] == '\n' || line[len - 1] == '\r')) line[--len] = 0;
      text = line;
      while (*text == ' ' || *text == '\t') text++;
      if (*text == 0 || *text == '#') return kind = LINE_COMMENT;
      return kind = *text == '[' ? LINE_HEADER : LINE_KEY;
    }
  }
};

}  // namespace

// strtok-style token: skips leading separators, ends at the next one.
static std::string token(const char *&p, const char *separators) {
  while (*p && strchr(separators, *p)) p++;
  const char *start = p;
  while (*p && !strchr(separators, *p)) p++;
  std::string t(start, p);
  if (*p) p++;
  return t;
}

static std::string section_name(const char *text) {
  const char *p = text;
  return token(p, "[]");
}

// A key line before the first section (a colon separates there too) or inside
// one; a line without a key token gives false.
static bool key_line(const char *text, bool in_section, std::string &key, std::string &value,
                     bool &has_value) {
  const char *p = text;
  key = token(p, in_section ? "= \t\n" : "=: \t\n");
  if (key.empty()) return false;
  value = token(p, ":= \t\n");
  has_value = !value.empty();
  return true;
}

// Reads the key lines of one section up to the next header or the end.
static void load_section(db_reader &in, chip_record *chip, arch_flag &arch) {
  while (in.next() != LINE_END && in.kind != LINE_HEADER) {
    if (in.kind != LINE_KEY) continue;
    std::string key, value;
    bool has_value;
    if (!key_line(in.text, true, key, value, has_value)) continue;
    const char *v = has_value ? value.c_str() : nullptr;
    if (strcasecmp(key.c_str(), "ARCH") == 0) {
      check_arch(arch, v);
      continue;
    }
    apply_key(chip, key.c_str(), v, false);
    key_table_add(chip->section, key.c_str(), v);
  }
}

// Applies every stored value again, defaults first, in key-table order.
static void reapply_values(chip_record *chip) {
  for (hash_table *t : {chip->defaults, chip->section})
    for (const key_info &k : known_keys)
      if (vec *values = static_cast<vec *>(hash_lookup(t, k.name)))
        for (uint32_t i = 0; i < vec_size(values); i++)
          apply_key(chip, k.name, static_cast<const char *>(vec_get(values, i)), true);
}

static chip_record *record_new() {
  chip_record *chip = new chip_record{};
  chip->defaults = key_table_new();
  chip->section = key_table_new();
  return chip;
}

chip_record *chipinfo_read(const char *path, const char *wanted, void *user, chip_enum_fn callback) {
  static std::string path_copy;
  path_copy = path ? path : "";
  chip_db_path = path_copy.c_str();
  chip_db_line = 0;
  db_reader in;
  in.file = fopen(chip_db_path, "r");
  if (!in.file) {
    msg(141, "chip info", chip_db_path);
    return nullptr;
  }
  chip_record *chip = record_new();
  counters_reset();
  if (!wanted) wanted = "";
  size_t wanted_len = strlen(wanted);
  arch_flag defaults_arch{}, section_arch{};
  std::string candidate;
  long candidate_pos = -1;
  int candidate_line = 0;
  chip_record *result = nullptr;
  bool done = false;

  // After a section: architecture check and derived fields.
  auto finish_section = [&] {
    if (!section_arch.seen && !defaults_arch.seen) msg(1026, chip_db_path, chip_db_line);
    chip->arch = (section_arch.seen ? section_arch.valid : defaults_arch.valid) ? CHIP_ARCH_PIC18 : 0;
    section_arch = arch_flag{};
  };
  auto load_named = [&](const std::string &name) {
    fields_clear(chip);
    xfree(chip->name);
    chip->name = str_dup(name.c_str());
    load_section(in, chip, section_arch);
    finish_section();
  };

  if (in.next() == LINE_END) {
    msg(920, chip_db_path);
    done = true;
  }
  while (!done && in.kind != LINE_END) {
    if (in.kind == LINE_COMMENT) {
      in.next();
      continue;
    }
    if (in.kind == LINE_KEY) {
      // Only lines before the first section reach here: the defaults.
      std::string key, value;
      bool has_value;
      if (key_line(in.text, false, key, value, has_value)) {
        const char *v = has_value ? value.c_str() : nullptr;
        if (strcasecmp(key.c_str(), "ARCH") == 0) {
          check_arch(defaults_arch, v);
        } else {
          apply_key(chip, key.c_str(), v, false);
          key_table_add(chip->defaults, key.c_str(), v);
        }
      }
      in.next();
      continue;
    }
    std::string name = section_name(in.text);
    if (name.empty()) {
      msg(1024, chip_db_path, chip_db_line);
      while (in.next() != LINE_END && in.kind != LINE_HEADER) {
      }
      continue;
    }
    if (callback) {
      load_named(name);
      // The record sees the defaults' sizes and ranges too, then its own.
      int arch = chip->arch;
      fields_clear(chip);
      chip->arch = arch;
      reapply_values(chip);
      chip_load(chip);
      if (callback(user, chip)) done = true;
      key_table_empty(chip->section);
      continue;
    }
    if (wanted_len == 0 || strcasecmp(wanted, name.c_str()) == 0) {
      load_named(name);
      chip_load(chip);
      result = chip;
      done = true;
      continue;
    }
    if (wanted_len < name.size() && strcasecmp(wanted, name.c_str() + name.size() - wanted_len) == 0) {
      if (candidate_pos >= 0) {
        done = true;  // ambiguous suffix
        continue;
      }
      candidate = name;
      candidate_pos = ftell(in.file);
      candidate_line = chip_db_line;
    }
    while (in.next() != LINE_END && in.kind != LINE_HEADER) {
    }
  }
  if (!done && !callback && candidate_pos >= 0 && fseek(in.file, candidate_pos, SEEK_SET) == 0) {
    chip_db_line = candidate_line;
    load_named(candidate);
    chip_load(chip);
    result = chip;
  }
  fclose(in.file);
  if (!result) chip_free(chip);
  return result;
}

chip_record *chipinfo_find(const char *path, const char *name) {
  chip_record *chip = chipinfo_read(path, name ? name : "", nullptr, nullptr);
  if (!chip) msg(922, name ? name : "", path ? path : "");
  return chip;
}

void chipinfo_enum(const char *path, void *user, chip_enum_fn callback) {
  chipinfo_read(path, "", user, callback);
}

void chip_free(chip_record *chip) {
  if (!chip) return;
  xfree(chip->name);
  for (hash_table *t : {chip->defaults, chip->section}) {
    if (!t) continue;
    key_table_empty(t);
    hash_free(t);
  }
  delete chip;
}
