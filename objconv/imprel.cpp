#include "objconv/imprel.h"

#include <fcntl.h>
#include <unistd.h>

#include <cctype>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "common/alert.h"

namespace {

enum {
  MSG_UNKNOWN_OPTION = 168,
  MSG_NO_WARNING_LEVEL = 393,
  MSG_BAD_FILL = 402,
  MSG_CANT_OPEN_ERROR_FILE = 403,
  MSG_BAD_RECORD_LENGTH = 404,
  MSG_BAD_ALIGNMENT = 405,
  MSG_BAD_STACK_SIZE = 406,
  MSG_BAD_MAGIC = 407,
  MSG_BAD_BASE = 408,
  MSG_BAD_M68K_NUMBER = 409,
  MSG_CONFLICT = 410,
  MSG_IMAGE_TOO_LARGE = 418,
  MSG_RELOC_TYPE = 419,
  MSG_TOO_MANY_RELOCS = 420,
  MSG_TOO_MANY_SEGMENTS = 421,
  MSG_OBJECT_ENDS = 422,
  MSG_BAD_KIND = 423,
  MSG_RECORD_TOO_LONG = 424,
  MSG_BAD_RECORD = 425,
  MSG_WARNING_LEVEL = 523,
  MSG_USAGE = 529,
  MSG_NO_SYMBOL_FILE = 673,
};

const char *const special_names[SPECIAL_COUNT] = {
#define IMPREL_SPECIAL_NAME(id, text) text,
    IMPREL_SPECIAL_SYMBOLS(IMPREL_SPECIAL_NAME)
#undef IMPREL_SPECIAL_NAME
};

int digit_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Value of digits [from, to) in a radix; false when a digit does not belong
// to it or the value does not fit 32 bits.
bool digits_value(const char *from, const char *to, unsigned radix, uint32_t *value) {
  if (from == to) return false;
  uint64_t v = 0;
  for (const char *p = from; p < to; p++) {
    int d = digit_value(*p);
    if (d < 0 || (unsigned)d >= radix) return false;
    v = v * radix + (unsigned)d;
    if (v > 0xFFFFFFFFull) return false;
  }
  *value = (uint32_t)v;
  return true;
}

// The whole text is one number.
bool whole_number(const char *text, uint32_t *value) {
  const char *p = text;
  return num_parse(&p, value) && *p == '\0';
}

[[noreturn]] void unknown_option(const char *word) {
  msg(MSG_UNKNOWN_OPTION, word);
  msg(MSG_USAGE);
  msg_exit_failure(1);
}

// Standard error goes on, appended, into the named file.
bool redirect_errors(const char *name) {
  int fd = open(name, O_WRONLY | O_APPEND | O_CREAT, 0666);
  if (fd < 0) return false;
  fflush(stderr);
  dup2(fd, STDERR_FILENO);
  close(fd);
  static char buffer[512];
  setvbuf(stderr, buffer, _IOLBF, sizeof buffer);
  return true;
}

void warning_level_option(const char *word, const char *value) {
  char *end;
  long level = strtol(value, &end, 10);
  if (end == value) {
    msg(MSG_NO_WARNING_LEVEL, word);
    return;
  }
  if (level < -9)
    msg(MSG_WARNING_LEVEL, (int)level);
  else
    msg_set_warn_level((int)level);
  if (*end == '!') msg_set_warn_as_error(1);
}

void record_length_option(const char *word, imprel_options *o) {
  const char *p = word + 1;
  uint32_t length;
  if (!num_parse(&p, &length) || (*p && *p != ',')) {
    msg(MSG_BAD_RECORD_LENGTH, word);
    return;
  }
  o->record_length = length ? length : 16;
  if (*p != ',') return;
  p++;
  uint32_t align;
  if (!num_parse(&p, &align) || *p || align == 0 || align > 16 || (align & (align - 1))) {
    msg(MSG_BAD_ALIGNMENT, word);
    return;
  }
  o->record_align = align;
}

void fill_option(const char *word, const char *value, imprel_options *o) {
  o->fill_given = true;
  if (!*value) {
    o->fill = 255;
    return;
  }
  const char *p = value;
  if (!num_parse(&p, &o->fill) || (*p && *p != ',')) {
    msg(MSG_BAD_FILL, word);
    return;
  }
  if (*p == ',' && !whole_number(p + 1, &o->fill_end)) msg(MSG_BAD_FILL, word);
}

// An optional number after an option letter.
void optional_number(const char *word, const char *value, uint32_t *out, bool *given,
                     unsigned message) {
  if (!*value) return;
  if (whole_number(value, out))
    *given = true;
  else
    msg(message, word);
}

bool is(const char *value, const char *upper) { return strcasecmp(value, upper) == 0; }

void option(const char *word, imprel_options *o) {
  const char *v = word + 2;
  char letter = word[1];
  if (isdigit((unsigned char)letter) && strcmp(word, "-8") != 0) {
    record_length_option(word, o);
    return;
  }
  if (letter == 'g' && !*v) {
    o->segment_list = true;
    return;
  }
  if (letter == 'x') {
    o->x386 = true;
    o->machine_kind = v;
    return;
  }
  switch (letter == 'g' ? 0 : toupper((unsigned char)letter)) {
    case '8':
      o->cpm86 = true;
      return;
    case 'A':
      o->segexe = true;
      optional_number(word, v, &o->stack_size, &o->stack_given, MSG_BAD_STACK_SIZE);
      return;
    case 'B': {
      size_t n = strlen(word);
      if (isdigit((unsigned char)v[0]) && n > 6 && isdigit((unsigned char)word[n - 1])) return;
      o->binary = true;
      optional_number(word, v, &o->base, &o->base_given, MSG_BAD_BASE);
      return;
    }
    case 'C':
      o->cksum = true;
      o->cksum_file = *v ? v : nullptr;
      return;
    case 'D':
      if (*v) break;
      o->debug_image = true;
      return;
    case 'E':
      o->exe = true;
      if (*v && !whole_number(v, &o->stack_size)) {
        if (redirect_errors(v)) o->exe = false;
        else msg(MSG_CANT_OPEN_ERROR_FILE, v);
      } else if (*v) {
        o->stack_given = true;
      }
      return;
    case 'F':
      fill_option(word, v, o);
      return;
    case 'H':
      if (*v) break;
      o->header = true;
      return;
    case 'I':
      if (*v) break;
      o->intel_linear = true;
      return;
    case 'J':
      if (*v) break;
      msg_set_format_mode(1);
      return;
    case 'L':
      o->reloc_segments = true;
      if (*v) o->reloc_name = v;
      return;
    case 'M':
      if (*v && !is(v, "A")) break;
      o->motorola = true;
      o->motorola_symbols = *v != '\0';
      return;
    case 'N':
      o->m68k = o->m68k_header = true;
      optional_number(word, v, &o->m68k_number, &o->m68k_number_given, MSG_BAD_M68K_NUMBER);
      return;
    case 'P':
      o->m68k = true;
      optional_number(word, v, &o->m68k_number, &o->m68k_number_given, MSG_BAD_M68K_NUMBER);
      return;
    case 'R':
      o->reloc = true;
      if (*v) o->reloc_name = v;
      return;
    case 'S':
      if (!*v)
        msg(MSG_NO_SYMBOL_FILE, word);
      else
        o->symbol_file = v;
      return;
    case 'T':
      if (*v && !is(v, "E")) break;
      if (*v)
        o->tek_ext = true;
      else
        o->tek = true;
      return;
    case 'U':
      if (is(v, "B")) {
        o->ubrof = true;
      } else if (is(v, "T")) {
        o->coff = o->coff_variant = true;
        o->coff_magic = 408;
      } else {
        o->coff = true;
        if (*v && !whole_number(v, &o->coff_magic)) msg(MSG_BAD_MAGIC, word);
      }
      return;
    case 'V':
      if (*v) break;
      o->reverse = true;
      return;
    case 'W':
      warning_level_option(word, v);
      return;
    default:
      break;
  }
  unknown_option(word);
}

}  // namespace

bool num_parse(const char **cursor, uint32_t *value) {
  const char *p = *cursor;
  const char *end;
  bool ok;
  if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
    for (end = p + 2; digit_value(*end) >= 0; end++) {}
    ok = digits_value(p + 2, end, 16, value);
  } else {
    for (end = p; digit_value(*end) >= 0; end++) {}
    if (end == p) return false;
    if (*end == 'H' || *end == 'h') {
      ok = digits_value(p, end, 16, value);
      end++;
    } else if (strchr("OoQq", *end) && *end) {
      ok = digits_value(p, end, 8, value);
      end++;
    } else if (end[-1] == 'D' || end[-1] == 'd') {
      ok = digits_value(p, end - 1, 10, value);
    } else {
      ok = digits_value(p, end, 10, value);
    }
  }
  if (ok) *cursor = end;
  return ok;
}

int imprel_options_read(int argc, char **argv, imprel_options *o) {
  memset(o, 0, sizeof *o);
  o->error_limit = 3;
  o->coff_magic = 336;
  o->reloc_name = "__Lbss";
  int files = 0;
  for (int i = 1; i < argc; i++) {
    const char *word = argv[i];
    if (word[0] != '-' || word[1] == '\0') {
      if (files == 0)
        o->input = word;
      else if (files == 1)
        o->output = word;
      else {
        msg(MSG_USAGE);
        msg_exit_failure(1);
      }
      files++;
      continue;
    }
    if (word[1] != '-') {
      option(word, o);
      continue;
    }
    if (strcmp(word, "--ver") == 0) return 1;
    if (strncmp(word, "--emax=", 7) == 0)
      o->error_limit = (uint32_t)strtoul(word + 7, nullptr, 10);
    else if (strncmp(word, "--edf=", 6) == 0 || strncmp(word, "--msgdisable=", 13) == 0)
      msg_common_option(word);
    else
      unknown_option(word);
  }
  if (!o->input) o->input = "l.obj";
  if (!o->output) o->output = o->binary ? "l.com" : "l.hex";
  return 0;
}

void imprel_options_check(imprel_options *o) {
  // With -P the symbol table goes into the program file; -N keeps a symbol file.
  if (o->symbol_file && o->m68k && !o->m68k_header) o->symbols_in_program = true;
  bool symbol_file = o->symbol_file && !o->symbols_in_program;
  bool exe_mode = o->cpm86 || o->exe;
  if ((symbol_file && (o->motorola_symbols || o->segexe || o->coff)) ||
      ((o->segexe || o->m68k || o->coff) && (o->intel_linear || exe_mode)) ||
      (o->segexe && o->m68k))
    msg(MSG_CONFLICT);
  if (o->m68k && o->reloc) o->reloc_segments = true;
}

imprel_format imprel_format_of(const imprel_options *o) {
  if (o->ubrof) return FMT_UBROF;
  if (o->coff) return FMT_COFF;
  if (o->x386) return FMT_X386;
  if (o->segexe) return FMT_SEGEXE;
  if (o->m68k) return FMT_M68K;
  if (o->cpm86) return FMT_CPM86;
  if (o->exe) return FMT_EXE;
  if (o->debug_image) return FMT_DEBUG;
  if (o->header) return FMT_HEADER;
  if (o->binary) return FMT_BINARY;
  if (o->tek_ext) return FMT_TEK_EXT;
  if (o->tek) return FMT_TEK;
  if (o->motorola) return FMT_MOTOROLA;
  return FMT_INTEL;
}

bool imprel_wants_relocs(const imprel_options *o) {
  return o->reloc || o->reloc_segments || o->m68k || o->cpm86 || o->exe || o->segexe;
}

void imprel_init(imprel_state *s, const imprel_options *o) {
  s->opt = *o;
  s->format = imprel_format_of(o);
  s->maps = io_little_endian;
  s->machine.clear();
  s->start = 0;
  s->have_start = false;
  s->start_segment = 0;
  s->text_address = 0;
  memset(s->special, 0, sizeof s->special);
  s->reloc_position = 0;
  s->reloc_position_seen = false;
  image_init(&s->image, o->fill, &s->maps);
  s->cksums.clear();
  s->segments.clear();
  s->relocs.clear();
  s->symbols.clear();
  s->out = {};
  s->symfile = {};
  s->crc = 0;
}

void target_put16(const imprel_state *s, uint8_t *field, uint32_t value) {
  if (!s->opt.reverse) return io_put16(&s->maps, field, value);
  field[s->maps.m16[1]] = (uint8_t)value;
  field[s->maps.m16[0]] = (uint8_t)(value >> 8);
}

void target_put32(const imprel_state *s, uint8_t *field, uint32_t value) {
  if (!s->opt.reverse) return io_put32(&s->maps, field, value);
  for (int n = 0; n < 4; n++) field[s->maps.m32[3 - n]] = (uint8_t)(value >> (8 * n));
}

uint32_t psect_code(const char *name) {
  if (!strcmp(name, "text") || !strcmp(name, "_TEXT") || !strcmp(name, "ltext")) return 1;
  if (!strcmp(name, "data") || !strcmp(name, "bss")) return 2;
  return 0;
}

void out_bytes(out_stream *o, const void *bytes, size_t count) {
  if (!o->fp || count == 0) return;
  if (fwrite(bytes, 1, count, o->fp) != count && !o->failed) {
    o->failed = true;
    msg(413, o->name);
  }
}

void out_text(out_stream *o, const char *text) { out_bytes(o, text, strlen(text)); }

void out_printf(out_stream *o, const char *format, ...) {
  char line[1024];
  va_list args;
  va_start(args, format);
  int n = vsnprintf(line, sizeof line, format, args);
  va_end(args);
  if (n > 0) out_bytes(o, line, (size_t)n < sizeof line ? (size_t)n : sizeof line - 1);
}

// ---- Reading the object ----

namespace {

void ubrof_symbol(imprel_state *s, const imprel_symbol &sym);
void ubrof_ident(imprel_state *s);

bool wants_symbol_list(const imprel_state *s) {
  return s->opt.coff || s->opt.x386 || s->opt.segexe || s->opt.symbols_in_program;
}

void take_symbol(imprel_state *s, const imprel_symbol &sym, bool extended) {
  for (int i = 0; i < SPECIAL_COUNT; i++)
    if (sym.name == special_names[i]) s->special[i] = sym.value;
  if (sym.name == s->opt.reloc_name) {
    s->reloc_position = sym.value;
    s->reloc_position_seen = true;
  }
  if (extended) {
    if (s->opt.coff || s->opt.x386 || s->opt.segexe) s->symbols.push_back(sym);
    return;
  }
  if (s->symfile.fp && !s->opt.coff && !s->opt.x386 && !s->opt.ubrof)
    out_printf(&s->symfile, "%04lx %s\n", (unsigned long)sym.value, sym.name.c_str());
  if (s->opt.motorola_symbols && s->format == FMT_MOTOROLA)
    out_printf(&s->out, "SA %s %lX 0 -17 1 1\n", sym.name.c_str(), (unsigned long)sym.value);
  if (s->format == FMT_UBROF) ubrof_symbol(s, sym);
  if (wants_symbol_list(s)) s->symbols.push_back(sym);
}

// SYM and XSYM bodies: entries of u32 value, u16 flags, (XSYM: u16 selector),
// psect name, symbol name.
bool read_symbols(imprel_state *s, const io_reader *r, bool extended) {
  uint32_t pos = 0;
  while (pos < r->length) {
    long next = io_skip_entry(extended ? IO_XSYM : IO_SYM, r->body, r->length, pos);
    if (next < 0) return false;
    const uint8_t *e = r->body + pos;
    imprel_symbol sym;
    sym.value = io_get32(&s->maps, e);
    sym.flags = io_get16(&s->maps, e + 4);
    sym.selector = extended ? io_get16(&s->maps, e + 6) : 0;
    const char *psect = (const char *)e + (extended ? 8 : 6);
    sym.psect = psect;
    sym.name = psect + strlen(psect) + 1;
    take_symbol(s, sym, extended);
    pos = (uint32_t)next;
  }
  return true;
}

// RELOC entries: u16 offset within the last TEXT record's data, u8 type,
// then a name or an expression.
bool read_relocs(imprel_state *s, const io_reader *r) {
  const imprel_options &o = s->opt;
  unsigned wanted = o.m68k ? 4 : o.reloc_segments ? 130 : 2;
  uint32_t pos = 0;
  while (pos < r->length) {
    long next = io_skip_entry(IO_RELOC, r->body, r->length, pos);
    if (next < 0) return false;
    const uint8_t *e = r->body + pos;
    uint32_t offset = io_get16(&s->maps, e);
    uint8_t type = e[2];
    const char *name = io_reloc_has_expr(type) ? "" : (const char *)e + 3;
    pos = (uint32_t)next;
    uint64_t address = (uint64_t)s->text_address + offset;
    if (type != wanted) {
      if (!o.m68k) msg(MSG_RELOC_TYPE, (unsigned)type);
      continue;
    }
    if (!o.reloc_segments && address >= 0xFFFF) {
      msg(MSG_IMAGE_TOO_LARGE, (unsigned long)address);
      continue;
    }
    if (s->relocs.size() >= IMPREL_MAX_RELOCS) {
      msg(MSG_TOO_MANY_RELOCS);
      return true;
    }
    imprel_reloc rel;
    rel.address = (uint32_t)address;
    rel.code = psect_code(name);
    rel.segment = rel.code;
    s->relocs.push_back(rel);
  }
  return true;
}

bool segment_is_code(const std::string &name) {
  return name == "_TEXT" || name == "text" || (name.size() > 1 && name.find("text", 1) != std::string::npos);
}

// SEGMENT: u32 length, u32 load address, u16 selector, u16 0, u32 link
// address, name.
bool read_segment(imprel_state *s, const io_reader *r) {
  if (r->length < 16 || io_skip_string(r->body, r->length, 16) < 0) return false;
  if (s->segments.size() >= IMPREL_MAX_SEGMENTS) {
    msg(MSG_TOO_MANY_SEGMENTS);
    return true;
  }
  imprel_segment g;
  g.length = io_get32(&s->maps, r->body);
  g.address = io_get32(&s->maps, r->body + 4);
  g.selector = io_get16(&s->maps, r->body + 8);
  g.link = io_get32(&s->maps, r->body + 12);
  g.name = (const char *)r->body + 16;
  g.code = segment_is_code(g.name);
  g.stack = g.name == "stack";
  s->segments.push_back(g);
  return true;
}

bool wants_segments(const imprel_options &o) { return o.segexe || o.segment_list || o.x386; }

// One record of the object; false when its body is malformed.
bool take_record(imprel_state *s, io_reader *r) {
  switch (r->kind) {
    case IO_TEXT: {
      long data = r->length >= 4 ? io_skip_string(r->body, r->length, 4) : -1;
      if (data < 0) return false;
      s->text_address = io_get32(&s->maps, r->body);
      image_store(&s->image, s->text_address, r->body + data, r->length - (uint32_t)data);
      return true;
    }
    case IO_RELOC:
      return !imprel_wants_relocs(&s->opt) || read_relocs(s, r);
    case IO_SYM:
      return read_symbols(s, r, false);
    case IO_XSYM:
      return !(s->opt.coff || s->opt.x386 || s->opt.segexe) || read_symbols(s, r, true);
    case IO_START:
      if (r->length < 4) return false;
      s->start = io_get32(&s->maps, r->body);
      s->have_start = true;
      return true;
    case IO_SEGSTART:
      if (r->length < 4) return false;
      s->start_segment = io_get32(&s->maps, r->body);
      return true;
    case IO_IDENT: {
      io_ident ident;
      if (!io_ident_parse(r->body, r->length, &ident)) return false;
      s->maps = ident.maps;
      s->image.maps = ident.maps;
      s->machine = ident.machine;
      if (s->format == FMT_UBROF) ubrof_ident(s);
      return true;
    }
    case IO_SEGMENT:
      return !wants_segments(s->opt) || read_segment(s, r);
    default:
      return true;
  }
}

// ---- Record binary with CRC: the parts written while the object is read ----

std::string name_without_extension(const char *path) {
  std::string name = path;
  size_t slash = name.find_last_of('/');
  size_t dot = name.find_last_of('.');
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) name.erase(dot);
  return name;
}

void ubrof_ident(imprel_state *s) {
  time_t now = time(nullptr);
  struct tm t;
  localtime_r(&now, &t);
  uint8_t day = (uint8_t)t.tm_mday, month = (uint8_t)(t.tm_mon + 1), year = (uint8_t)t.tm_year;
  uint8_t stamp[7] = {'M', day, month, year, '?'};
  s->crc = 0;
  for (int i = 0; i < 5; i++) s->crc = crc_byte(s->crc, stamp[i]);
  target_put16(s, stamp + 5, s->crc);
  out_bytes(&s->out, stamp, sizeof stamp);
  s->crc = 0;
  std::string name = name_without_extension(s->opt.output);
  if (name.size() > 255) name.resize(255);
  uint8_t head[8] = {0x01, 0x04, (uint8_t)(s->maps.m16[0] == 0 ? 3 : 2), 0x10, day, month, year,
                     (uint8_t)name.size()};
  ubrof_out(s, head, sizeof head);
  ubrof_out(s, name.data(), name.size());
}

uint32_t ubrof_psect_code(const std::string &psect) {
  if (psect == "data" || psect == "bss") return 3;
  if (psect == "rbss" || psect == "rdata" || psect == "strings") return 2;
  if (psect == "rbit") return 5;
  if (psect == "text" || psect == "code") return 1;
  return 0;
}

void ubrof_symbol(imprel_state *s, const imprel_symbol &sym) {
  uint32_t code = ubrof_psect_code(sym.psect);
  uint8_t kind;
  if (sym.flags & IO_SYM_GLOBAL)
    kind = (sym.flags & IO_SYM_KIND_MASK) == IO_SYM_REF ? 5 : code ? 2 : 1;
  else
    kind = code ? 4 : 3;
  std::string name = isdigit((unsigned char)sym.name[0]) ? "#" + sym.name : sym.name;
  if (name.size() > 255) name.resize(255);
  uint8_t head[9] = {'L', kind};
  target_put16(s, head + 2, code);
  target_put32(s, head + 4, sym.value);
  head[8] = (uint8_t)name.size();
  ubrof_out(s, head, sizeof head);
  ubrof_out(s, name.data(), name.size());
  static const uint8_t tail[3] = {0, 0, 0};
  ubrof_out(s, tail, sizeof tail);
}

}  // namespace

uint16_t crc_byte(uint16_t crc, uint8_t byte) {
  for (int bit = 0; bit < 8; bit++) {
    bool in = (byte >> bit) & 1;
    bool top = (crc >> 15) & 1;
    crc = (uint16_t)(crc << 1);
    if (in != top) crc ^= 0x8005;
  }
  return crc;
}

void ubrof_out(imprel_state *s, const void *bytes, size_t count) {
  const uint8_t *b = (const uint8_t *)bytes;
  for (size_t i = 0; i < count; i++) s->crc = crc_byte(s->crc, b[i]);
  out_bytes(&s->out, bytes, count);
}

int obj_read(imprel_state *s, FILE *in) {
  io_reader r;
  io_reader_init(&r, in, IO_MAX_BODY_LAX);
  for (;;) {
    switch (io_next_record(&r, IO_KIND_LAST)) {
      case IO_FRAME_RECORD:
        break;
      case IO_FRAME_END_OF_FILE:
      case IO_FRAME_PARTIAL_HEADER:
        msg(MSG_OBJECT_ENDS);
        return 0;
      case IO_FRAME_BAD_KIND:
        msg(MSG_BAD_KIND, (unsigned)r.kind);
        return 0;
      case IO_FRAME_TOO_LONG:
        msg(MSG_RECORD_TOO_LONG, (unsigned)r.length);
        return 0;
      case IO_FRAME_SHORT_BODY:
        msg(MSG_BAD_RECORD, io_kind_name(r.kind));
        return 0;
    }
    if (!take_record(s, &r)) {
      msg(MSG_BAD_RECORD, io_kind_name(r.kind));
      return 0;
    }
    if (r.kind == IO_END) return 1;
  }
}
