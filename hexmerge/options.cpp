#include "hexmerge/options.h"

#include <strings.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/alert.h"
#include "common/alloc.h"
#include "common/registry.h"

enum {
  MSG_CANT_OPEN = 141,
  MSG_BAD_OPTION = 168,
  MSG_MISSING_ARGUMENT = 924,
  MSG_BAD_VALUE = 928,
  MSG_UNEXPECTED = 930,
  MSG_USAGE = 941,
  MSG_CK_WIDTH = 948,
  MSG_CK_END_BELOW_START = 949,
  MSG_END_BELOW_START = 951,
  MSG_HELP_UNKNOWN = 953,
  MSG_SERIAL_TOO_LONG = 956,
  MSG_TOO_MANY_INPUTS = 958,
  MSG_BANNER = 1030,
  MSG_BANNER_NAME = 1031,
  MSG_HELP_HEAD = 1032,
  MSG_HELP_HINT = 1033,
  MSG_USAGE_HINT = 1034,
  MSG_TOO_MANY = 1198,
  MSG_MASK_LENGTH = 1201,
  MSG_BAD_FORMAT = 1202,
  MSG_ODD_CODE = 1203,
  MSG_LONG_CODE = 1204,
  MSG_CK_ALGORITHM = 1240,
  MSG_ZERO = 1245,
};

static const char *const program_name = "tessik";
static const unsigned banner_revision = 130;

struct help_row {
  const char *name;
  const char *syntax;
  const char *description;
  const char *example;
};

enum help_index {
  HELP_INPUT, HELP_ADDRESSING, HELP_BREAK, HELP_CK, HELP_DELETE, HELP_FILL, HELP_FIND, HELP_FORMAT,
  HELP_HELP, HELP_LOGFILE, HELP_MASK, HELP_O, HELP_SERIAL, HELP_SIZE, HELP_STRING, HELP_STRPACK,
  HELP_REPLACE, HELP_W, HELP_PLUS, HELP_ROWS,
};

// The input row has no option word of its own.
static const help_row help_table[HELP_ROWS] = {
    {"", "[r[start]-[end]][sOffset],",
     "Specify a hex input file. Optionally restrict input to r[start]-[end] range. Optionally "
     "address-shift code by [Offset]",
     "r0-1FFs1F00,"},
    {"-ADDRESSING", "=addrFormat",
     "Specify the native input format for all address components in tessik options. (1 = byte "
     "address, 2 = word address)",
     "=1"},
    {"-BREAK", "=addr1[,addr2,...,addr10]",
     "Continuous data will break and recommence with a new record at these addresses.", "=4000,8000"},
    {"-CK", "=start-end@dest[+offset][wWidth][tCode][gAlgorithm]",
     "Calculate a checksum between start and end addresses, store result at destination "
     "address.\n\tOptional controls are '+' add initial offset,\n\t'w' set byte-width of result "
     "(use negative width for little-endian result),\n\t't' specify trailing hexcode for each byte "
     "in result,\n\t'g' select which algorithm to use when calculating checksum.\n",
     "=0-1FFF@5FFC+1234w-2t34w2"},
    {",DELETE", "",
     "Only used in conjunction with -FIND and not with any other specification. If the find code "
     "is found, delete it\n\tSee also -FIND",
     "=5200FFFFMFF00FFFF"},
    {"-FILL", "=hexcode@start-end[,data]",
     "Specify a hexadecimal code for filling unused memory locations within an address "
     "range.\n\tOptionally adding \",data\" will only fill records within range that contain "
     "data.\n\tOmitting \",data\" will fill all records within the address range.",
     "=FFFF@0-1FFF,data"},
    {"-FIND", "=findcode[Mbitmask]@start-end[/align][w][tTitle]([,REPLACE=...]|[,DELETE])",
     "Find occurances of an opcode within an address range, optionally masked with "
     "Mbitmask.\n\tThe numeral following the '/' specifies the X byte boundary that matching "
     "op-codes must align with.\n\tBy adding 'w' tessik will issue a warning each time the opcode "
     "is found.\n\tText trailing the optional 't' is an explanitory title for this search. "
     "(Titles make warnings/logs more descriptive)\n\t-FIND can be trailed with a ,REPLACE or "
     "DELETE specification.",
     "=C000FFE8MF000F000@0-FFFF/2wt\"ADD Instruction\",REPLACE..."},
    {"-FORMAT", "=INHXtype[,reclength]",
     "Specify what type of Intel HEX file to generate [INHX8M/INHX32/INHX032] and maximum number "
     "of bytes per record",
     "=INHX8M,16"},
    {"-HELP", "=option",
     "Display all command line options, or show usage of one specific option.", "=CK"},
    {"-LOGFILE", "=filename", "Save a descriptive report to this file", "=logfile.txt"},
    {"-MASK", "=hexcode@start-end",
     "This hexadecimal mask will be logically ANDed with data in the address range given",
     "=3FFF@0-1FFF"},
    {"-O", "filename", "Save the output to the file specified", "output.hex"},
    {"-SERIAL", "=value[+/-incr]@address[+/-interval][r<repetitions>]",
     "Store a hex code (or series of codes) at a fixed address. Eg. serial number", "=1234@3000"},
    {"-SIZE", "", "Calculate the total data size of the HEX file", ""},
    {"-STRING", "@address[tCode]=\"Some string\"",
     "Embed an ASCII string at a fixed address Eg. time stamp. Optional 't' control = trail each "
     "byte in string with this hexcode",
     "@3000=\"My favourite string\\n\""},
    {"-STRPACK", "@address=\"Some string\"", "Embed and string-pack an ASCII string at a fixed address",
     "@3000=\"My favourite packed string\\n\""},
    {",REPLACE", "=replacecode[Mbitmask]",
     "Only used in conjunction with -FIND and not with any other specification. If the find code "
     "is found, replace it with this code\n\tSee also -FIND",
     "=5200FFFFMFF00FFFF"},
    {"-W", "level[!]", "Adjust the sensitivity of warnings, add '!' to stop on warnings", "9!"},
    {"+", "<argument>",
     "Prepend an argument with '+' to use forced storage ie. Any overlapping data will be "
     "overwritten",
     "input.hex +-SERIAL=1234@1000"},
};

static void usage_error(int row) {
  const help_row &h = help_table[row];
  msg(MSG_USAGE, h.name, h.name, h.syntax);
}

static void banner() {
  msg(MSG_BANNER, banner_revision);
  msg(MSG_BANNER_NAME, program_name);
}

static void help_all() {
  msg(MSG_HELP_HEAD);
  msg(MSG_HELP_HINT);
  for (const help_row &h : help_table) printf("  %-*s : %s\n", 9, h.name, h.description);
}

// "-HELP=<option>": the option's name with or without its first character.
static void help_one(const char *option) {
  for (const help_row &h : help_table) {
    if (!*h.name) continue;
    if (strcasecmp(option, h.name) && strcasecmp(option, h.name + 1)) continue;
    printf(" %s : %s\n  USAGE: %s%s\n", h.name, h.description, h.name, h.syntax);
    printf("  Example: %s%s\n", h.name, h.example);
    return;
  }
  msg(MSG_HELP_UNKNOWN, option);
  help_all();
}

int hex_scan(const char **p, uint64_t *out) {
  uint64_t v = 0;
  int n = 0;
  const char *s = *p;
  for (; isxdigit((unsigned char)*s); s++, n++) {
    int c = tolower((unsigned char)*s);
    v = v << 4 | (uint64_t)(c <= '9' ? c - '0' : c - 'a' + 10);
  }
  *p = s;
  *out = v;
  return n > 16 ? -1 : n;
}

const char *find_letter(const char *text, char letter) {
  for (; *text; text++)
    if (tolower((unsigned char)*text) == tolower((unsigned char)letter)) return text;
  return nullptr;
}

// An address the option gives, in addressing units; false when there is
// none or it does not fit 32 bits once scaled.
static bool read_address(const char **p, uint32_t unit, uint32_t *out) {
  uint64_t v;
  if (hex_scan(p, &v) <= 0 || v > 0xFFFFFFFFu / unit) return false;
  *out = (uint32_t)(v * unit);
  return true;
}

// The last byte of the unit at a range's end; ends past memory stay at its top.
static uint32_t scale_end(uint64_t v, uint32_t unit) {
  uint64_t e = v * unit + unit - 1;
  return e > 0xFFFFFFFFu ? 0xFFFFFFFFu : (uint32_t)e;
}

enum range_result { RANGE_OK, RANGE_MALFORMED, RANGE_BACKWARDS };

// "start-end", both hexadecimal.
static range_result read_range(const char **p, uint32_t unit, uint32_t *start, uint32_t *end) {
  uint64_t s, e;
  if (hex_scan(p, &s) <= 0 || s > 0xFFFFFFFFu / unit || **p != '-') return RANGE_MALFORMED;
  (*p)++;
  if (hex_scan(p, &e) <= 0 || e > 0xFFFFFFFFu) return RANGE_MALFORMED;
  if (e < s) return RANGE_BACKWARDS;
  *start = (uint32_t)(s * unit);
  *end = scale_end(e, unit);
  return RANGE_OK;
}

// A hex code of 1 to 8 bytes, first two digits the first byte. Returns the
// digit count, 0 when there are none, -1 after its own message.
static int read_code(const char **p, const char *option, uint8_t *bytes, uint64_t *value) {
  const char *s = *p;
  int digits = 0;
  while (isxdigit((unsigned char)s[digits])) digits++;
  if (!digits) return 0;
  if (digits % 2) {
    msg(MSG_ODD_CODE, option);
    return -1;
  }
  if (digits / 2 > MAX_CODE_BYTES) {
    msg(MSG_LONG_CODE, option, (int)MAX_CODE_BYTES);
    return -1;
  }
  uint64_t v;
  hex_scan(p, &v);
  if (bytes)
    for (int k = 0; k < digits / 2; k++) bytes[k] = (uint8_t)(v >> (8 * (digits / 2 - 1 - k)));
  *value = v;
  return digits;
}

static bool too_many(int count, int limit, const char *option) {
  if (count < limit) return false;
  msg(MSG_TOO_MANY, option, limit);
  return true;
}

// "[r[start]-[end]][sOffset]," before the file name, or the name alone.
static void opt_input(tessik_run *run, const char *arg, bool forced) {
  if (run->input_count == MAX_INPUTS) {
    msg(MSG_TOO_MANY_INPUTS, (int)MAX_INPUTS);
    return;
  }
  hex_input in{};
  in.name = arg;
  in.legend = arg;
  in.range_end = 0xFFFFFFFFu;
  in.forced = forced;
  const char *comma = strchr(arg, ',');
  if (comma) {
    in.name = comma + 1;
    const char *p = arg;
    while (p < comma) {
      uint64_t v;
      char c = (char)tolower((unsigned char)*p++);
      if (c == 'r') {
        if (hex_scan(&p, &v) < 0 || v > 0xFFFFFFFFu / run->unit || *p++ != '-') return usage_error(HELP_INPUT);
        in.range_start = (uint32_t)(v * run->unit);
        if (hex_scan(&p, &v) < 0 || v > 0xFFFFFFFFu) return usage_error(HELP_INPUT);
        in.range_end = v ? scale_end(v, run->unit) : 0xFFFFFFFFu;
        if (*p != ',' && tolower((unsigned char)*p) != 's') return usage_error(HELP_INPUT);
      } else if (c == 's') {
        if (hex_scan(&p, &v) <= 0 || v > 0xFFFFFFFFu / run->unit) return usage_error(HELP_INPUT);
        in.offset = (uint32_t)(v * run->unit);
        if (*p != ',' && tolower((unsigned char)*p) != 'r') return usage_error(HELP_INPUT);
      } else {
        return usage_error(HELP_INPUT);
      }
    }
  }
  in.file = fopen(in.name, "rb");
  if (!in.file) {
    msg(MSG_CANT_OPEN, "input", in.name);
    return;
  }
  run->image.input_names[run->input_count] = in.legend;
  run->inputs[run->input_count++] = in;
}

static void opt_break(tessik_run *run, const char *value, bool) {
  const char *p = value + 1;
  for (;;) {
    uint32_t a;
    if (!read_address(&p, run->unit, &a) || (*p && *p != ',')) return usage_error(HELP_BREAK);
    if (too_many(run->output.break_count, MAX_BREAKS, "-BREAK")) return;
    run->output.breaks[run->output.break_count++] = a;
    if (!*p++) return;
  }
}

static void opt_ck(tessik_run *run, const char *value, bool forced) {
  if (too_many(run->checksum_count, MAX_CHECKSUMS, "-CK")) return;
  ck_spec ck{};
  ck.width = 2;
  ck.algorithm = 1;
  ck.forced = forced;
  const char *p = value + 1;
  uint64_t s, e, v;
  if (hex_scan(&p, &s) <= 0 || s > 0xFFFFFFFFu / run->unit || *p++ != '-') return usage_error(HELP_CK);
  if (hex_scan(&p, &e) <= 0 || e > 0xFFFFFFFFu || *p++ != '@') return usage_error(HELP_CK);
  if (!read_address(&p, run->unit, &ck.dest)) return usage_error(HELP_CK);
  if (e < s) {
    msg(MSG_CK_END_BELOW_START);
    return;
  }
  ck.start = (uint32_t)(s * run->unit);
  ck.end = scale_end(e, run->unit);
  const char *controls = p;
  if (const char *q = strchr(controls, '+')) {
    q++;
    if (hex_scan(&q, &v) <= 0 || v > 0xFFFFFFFFu) return usage_error(HELP_CK);
    ck.offset = (uint32_t)v;
  }
  if (const char *q = find_letter(controls, 'w')) {
    char *end;
    long w = strtol(q + 1, &end, 10);
    if (end == q + 1) return usage_error(HELP_CK);
    if (w == 0 || w > 4 || w < -4) {
      msg(MSG_CK_WIDTH);
      return;
    }
    ck.width = (int)(w < 0 ? -w : w);
    ck.big_endian = w > 0;
  }
  if (const char *q = find_letter(controls, 't')) {
    q++;
    int digits = hex_scan(&q, &v);
    if (digits <= 0 || digits > 8) return usage_error(HELP_CK);
    ck.trail = (uint32_t)v;
    ck.trail_bytes = digits / 2;
  }
  if (const char *q = find_letter(controls, 'g')) {
    char *end;
    long g = strtol(q + 1, &end, 0);
    if (end == q + 1) return usage_error(HELP_CK);
    if (g == 0 || g < -8 || g > 8) {
      msg(MSG_CK_ALGORITHM, (int)(g < -9999 ? -9999 : g > 9999 ? 9999 : g));
      return;
    }
    ck.algorithm = (int)g;
    if (g == 7 || g == -7) ck.width = 2;
    if (g == 8 || g == -8) ck.width = 4;
  }
  if (find_letter(controls, 'v')) ck.odd_skip = true;
  run->checksums[run->checksum_count++] = ck;
}

// "=hexcode@start-end" of -MASK and -FILL; the rest is left at *p.
static bool read_code_range(tessik_run *run, const char **p, int row, uint8_t *code, int *length,
                            uint32_t *start, uint32_t *end) {
  uint64_t v;
  int digits = read_code(p, help_table[row].name, code, &v);
  if (digits < 0) return false;
  if (digits == 0 || **p != '@') {
    usage_error(row);
    return false;
  }
  (*p)++;
  range_result r = read_range(p, run->unit, start, end);
  if (r == RANGE_MALFORMED) usage_error(row);
  if (r == RANGE_BACKWARDS) msg(MSG_END_BELOW_START);
  *length = digits / 2;
  return r == RANGE_OK;
}

static void opt_mask(tessik_run *run, const char *value, bool) {
  if (too_many(run->mask_count, MAX_MASKS, "-MASK")) return;
  mask_spec m{};
  const char *p = value + 1;
  if (!read_code_range(run, &p, HELP_MASK, m.code, &m.length, &m.start, &m.end)) return;
  if (*p) return usage_error(HELP_MASK);
  run->masks[run->mask_count++] = m;
  run->image.mask_count = run->mask_count;
}

static void opt_fill(tessik_run *run, const char *value, bool) {
  if (too_many(run->fill_count, MAX_FILLS, "-FILL")) return;
  fill_spec f{};
  const char *p = value + 1;
  if (!read_code_range(run, &p, HELP_FILL, f.code, &f.length, &f.start, &f.end)) return;
  if (*p == ',') {
    if (!p[1]) {
      msg(MSG_MISSING_ARGUMENT, "-FILL");
      return;
    }
    if (strcasecmp(p + 1, "data")) {
      msg(MSG_UNEXPECTED, p + 1, "-FILL");
      return;
    }
    f.data_only = true;
  } else if (*p) {
    return usage_error(HELP_FILL);
  }
  run->fills[run->fill_count++] = f;
}

// A code, optionally followed by "M" and a mask of as many digits.
static bool read_code_mask(const char **p, int row, int want_digits, uint64_t *code, uint64_t *mask) {
  const char *name = help_table[row].name;
  int digits = read_code(p, name, nullptr, code);
  if (digits < 0) return false;
  if (digits == 0) {
    usage_error(row);
    return false;
  }
  if (want_digits && digits != want_digits) {
    msg(MSG_MASK_LENGTH, name);
    return false;
  }
  *mask = digits >= 16 ? ~(uint64_t)0 : ((uint64_t)1 << (4 * digits)) - 1;
  if (tolower((unsigned char)**p) != 'm') return true;
  (*p)++;
  uint64_t m;
  int mask_digits = read_code(p, name, nullptr, &m);
  if (mask_digits < 0) return false;
  if (mask_digits != digits) {
    msg(MSG_MASK_LENGTH, name);
    return false;
  }
  *mask = m;
  return true;
}

static void opt_find(tessik_run *run, const char *value, bool) {
  if (too_many(run->find_count, MAX_FINDS, "-FIND")) return;
  find_spec &f = run->finds[run->find_count];
  f = find_spec{};
  f.align = 1;
  const char *p = value + 1;
  const char *code_start = p;
  if (!read_code_mask(&p, HELP_FIND, 0, &f.code, &f.mask)) return;
  int digits = 0;
  while (isxdigit((unsigned char)code_start[digits])) digits++;
  f.length = digits / 2;
  if (*p++ != '@') return usage_error(HELP_FIND);
  range_result r = read_range(&p, run->unit, &f.start, &f.end);
  if (r == RANGE_MALFORMED) return usage_error(HELP_FIND);
  if (r == RANGE_BACKWARDS) {
    msg(MSG_END_BELOW_START);
    return;
  }
  if (*p == '/') {
    p++;
    uint64_t a;
    if (hex_scan(&p, &a) <= 0 || a > 0xFFFFFFFFu / run->unit) return usage_error(HELP_FIND);
    if (a == 0) {
      msg(MSG_ZERO, "-FIND /align");
      return;
    }
    f.align = (uint32_t)(a * run->unit);
  }
  const char *title = "OPCode";
  size_t title_length = strlen(title);
  while (*p && *p != ',') {
    char c = (char)tolower((unsigned char)*p);
    if (c == 'w') {
      f.warn = true;
      p++;
    } else if (c == 't') {
      title = ++p;
      p += strcspn(p, ",");
      title_length = (size_t)(p - title);
    } else {
      return usage_error(HELP_FIND);
    }
  }
  if (*p == ',') {
    p++;
    if (!strncasecmp(p, "REPLACE=", 8)) {
      p += 8;
      if (!read_code_mask(&p, HELP_REPLACE, digits, &f.replace, &f.replace_mask)) return;
      if (*p) return usage_error(HELP_REPLACE);
    } else if (!strncasecmp(p, "DELETE", 6)) {
      for (p += 6; *p; p++)
        if (!isspace((unsigned char)*p)) return usage_error(HELP_DELETE);
      f.del = true;
    } else {
      return usage_error(HELP_FIND);
    }
  }
  f.title = strfmt("%14.*s", (int)title_length, title);
  run->find_count++;
}

static void opt_format(tessik_run *run, const char *value, bool) {
  static const struct {
    const char *name;
    int format;
  } formats[] = {{"INHX8M", INHX8M}, {"INHX32", INHX32}, {"INHX032", INHX032}};
  const char *text = value + 1;
  size_t length = strcspn(text, ",");
  int format = -1;
  for (const auto &f : formats)
    if (strlen(f.name) == length && !strncasecmp(text, f.name, length)) format = f.format;
  if (format < 0) {
    msg(MSG_BAD_FORMAT, text);
    return;
  }
  run->output.format = format;
  if (!text[length]) return;
  int record_length;
  char extra;
  if (sscanf(text + length + 1, "%i%c", &record_length, &extra) != 1) return usage_error(HELP_FORMAT);
  run->output.record_length =
      record_length < 1 || record_length > MAX_RECORD_LENGTH ? MAX_RECORD_LENGTH : record_length;
}

static void opt_logfile(tessik_run *run, const char *value, bool) {
  if (!value[1]) return usage_error(HELP_LOGFILE);
  run->log_name = value + 1;
}

static void opt_output(tessik_run *run, const char *value, bool) {
  run->no_output = !*value;
  run->output_name = *value ? value : nullptr;
}

// "=value[+/-incr]@address[+/-interval][r<repetitions>]".
static void opt_serial(tessik_run *run, const char *value, bool forced) {
  if (too_many(run->serial_count, MAX_SERIALS, "-SERIAL")) return;
  serial_spec s{};
  s.repetitions = 1;
  s.forced = forced;
  const char *p = value + 1;
  const char *digits_start = p;
  uint64_t v;
  while (isxdigit((unsigned char)*p)) p++;
  int digits = (int)(p - digits_start);
  if (!digits) return usage_error(HELP_SERIAL);
  s.bytes = (digits + 1) / 2;
  if (s.bytes > 8) {
    msg(MSG_SERIAL_TOO_LONG, 8);
    return;
  }
  p = digits_start;
  hex_scan(&p, &s.value);
  if (*p == '+' || *p == '-') {
    bool down = *p++ == '-';
    if (hex_scan(&p, &v) <= 0) return usage_error(HELP_SERIAL);
    s.increment = down ? 0 - v : v;
  }
  if (*p++ != '@' || !read_address(&p, run->unit, &s.address)) return usage_error(HELP_SERIAL);
  s.interval = (uint32_t)s.bytes;
  if (*p == '+' || *p == '-') {
    bool down = *p++ == '-';
    if (hex_scan(&p, &v) <= 0 || v > 0xFFFFFFFFu / run->unit) return usage_error(HELP_SERIAL);
    uint32_t step = (uint32_t)(v * run->unit);
    s.interval = down ? 0 - step : step;
  }
  if (tolower((unsigned char)*p) == 'r') {
    p++;
    int base = (p[0] == '0' && tolower((unsigned char)p[1]) == 'x') ? 16 : 10;
    char *end;
    errno = 0;
    long r = strtol(p, &end, base);
    // Fewer than one repetition is no serial number at all.
    if (end == p || errno || r < 1) return usage_error(HELP_SERIAL);
    s.repetitions = r;
    p = end;
  }
  if (*p) return usage_error(HELP_SERIAL);
  run->serials[run->serial_count++] = s;
}

// "@address[tCode]=text" (-STRING) and "@address=text" (-STRPACK).
static void read_string(tessik_run *run, const char *value, bool forced, bool pack) {
  const int row = pack ? HELP_STRPACK : HELP_STRING;
  if (too_many(run->string_count, MAX_STRINGS, help_table[row].name)) return;
  string_spec s{};
  s.pack = pack;
  s.forced = forced;
  const char *p = value + 1;
  if (!read_address(&p, run->unit, &s.address)) return usage_error(row);
  if (!pack && tolower((unsigned char)*p) == 't') {
    p++;
    int digits = hex_scan(&p, &s.trail);
    if (digits <= 0) return usage_error(row);
    s.trail_bytes = digits / 2;
  }
  if (*p != '=') return usage_error(row);
  s.text = p + 1;
  run->strings[run->string_count++] = s;
}

static void opt_string(tessik_run *run, const char *value, bool forced) { read_string(run, value, forced, false); }
static void opt_strpack(tessik_run *run, const char *value, bool forced) { read_string(run, value, forced, true); }

static void opt_size(tessik_run *run, const char *, bool) { run->size = true; }

static bool opt_warn(const char *value) {
  int level = atoi(value);
  if (level == 0 && value[0] != '0') return false;
  msg_set_warn_level(level < -9 ? -9 : level > 9 ? 9 : level);
  if (strchr(value, '!')) msg_set_warn_as_error(1);
  return true;
}

static void opt_skip(tessik_run *, const char *, bool) {}

enum follow { FOLLOW_EQUALS, FOLLOW_AT, FOLLOW_NOTHING, FOLLOW_HELP, FOLLOW_ANY };

struct option_row {
  const char *name;
  follow after;
  void (*apply)(tessik_run *run, const char *value, bool forced);
};

// -W and -E are handled apart: they act on the message module.
static const option_row option_table[] = {
    {"-ADDRESSING", FOLLOW_EQUALS, opt_skip},  // taken before all others
    {"-BREAK", FOLLOW_EQUALS, opt_break},
    {"-CK", FOLLOW_EQUALS, opt_ck},
    {"-FILL", FOLLOW_EQUALS, opt_fill},
    {"-FIND", FOLLOW_EQUALS, opt_find},
    {"-FORMAT", FOLLOW_EQUALS, opt_format},
    {"-HELP", FOLLOW_HELP, opt_skip},  // taken before all others
    {"-LOGFILE", FOLLOW_EQUALS, opt_logfile},
    {"-MASK", FOLLOW_EQUALS, opt_mask},
    {"-O", FOLLOW_ANY, opt_output},
    {"-SERIAL", FOLLOW_EQUALS, opt_serial},
    {"-SIZE", FOLLOW_NOTHING, opt_size},
    {"-STRING", FOLLOW_AT, opt_string},
    {"-STRPACK", FOLLOW_AT, opt_strpack},
};

static const option_row *find_option(const char *arg) {
  for (const option_row &o : option_table) {
    size_t n = strlen(o.name);
    if (strncasecmp(arg, o.name, n)) continue;
    char c = arg[n];
    switch (o.after) {
      case FOLLOW_EQUALS: if (c == '=') return &o; break;
      case FOLLOW_AT: if (c == '@') return &o; break;
      case FOLLOW_NOTHING: if (!c) return &o; break;
      case FOLLOW_HELP: if (!c || c == '=') return &o; break;
      case FOLLOW_ANY: return &o;
    }
  }
  return nullptr;
}

void tessik_init(tessik_run *run) {
  image_init(&run->image);
  run->image.masks = run->masks;
  run->output.format = INHX32;
  run->output.record_length = 16;
  run->unit = 1;
}

void tessik_free(tessik_run *run) {
  for (int i = 0; i < run->input_count; i++)
    if (run->inputs[i].file) {
      fclose(run->inputs[i].file);
      run->inputs[i].file = nullptr;
    }
  for (int i = 0; i < run->find_count; i++) {
    xfree(run->finds[i].title);
    run->finds[i].title = nullptr;
  }
  image_free(&run->image);
}

static const char *strip_forced(const char *arg, bool *forced) {
  *forced = arg[0] == '+';
  return *forced ? arg + 1 : arg;
}

static void read_addressing(tessik_run *run, int argc, char **argv) {
  static const char name[] = "-ADDRESSING=";
  bool seen = false;
  for (int i = 1; i < argc; i++) {
    bool forced;
    const char *arg = strip_forced(argv[i], &forced);
    if (strncasecmp(arg, name, sizeof name - 1)) continue;
    if (seen) {
      msg(MSG_TOO_MANY, "-ADDRESSING", 1);
      continue;
    }
    seen = true;
    const char *p = arg + sizeof name - 1;
    uint64_t v;
    if (hex_scan(&p, &v) <= 0 || *p) {
      usage_error(HELP_ADDRESSING);
    } else if (v < 1 || v > 4) {
      msg(MSG_BAD_VALUE, arg + sizeof name - 1, "-ADDRESSING");
    } else {
      run->unit = (uint32_t)v;
    }
  }
}

int tessik_read_options(tessik_run *run, int argc, char **argv) {
  read_addressing(run, argc, argv);
  if (argc < 2) {
    banner();
    msg(MSG_USAGE_HINT, program_name);
    return 0;
  }
  for (int i = 1; i < argc; i++) {
    bool forced;
    const char *arg = strip_forced(argv[i], &forced);
    const option_row *o = find_option(arg);
    if (!o || o->apply != opt_skip || strncasecmp(arg, "-HELP", 5)) continue;
    if (arg[5] == '=') {
      help_one(arg + 6);
    } else {
      banner();
      help_all();
    }
    return 0;
  }
  for (int i = 1; i < argc; i++) {
    bool forced;
    const char *arg = strip_forced(argv[i], &forced);
    if (arg[0] != '-') {
      opt_input(run, arg, forced);
      continue;
    }
    if (msg_common_option(arg)) continue;
    if (!strcmp(arg, "--ver")) {
      print_product_banner();
      return 0;
    }
    if (const option_row *o = find_option(arg)) {
      o->apply(run, arg + strlen(o->name), forced);
    } else if (toupper((unsigned char)arg[1]) == 'E') {
      msg_set_format_mode(1);
    } else if (toupper((unsigned char)arg[1]) != 'W' || !opt_warn(arg + 2)) {
      msg(MSG_BAD_OPTION, arg);
    }
  }
  return TESSIK_GO_ON;
}
