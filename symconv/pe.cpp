#include "symconv/pe.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "common/alert.h"
#include "common/vector.h"
#include "symconv/model.h"

namespace {

enum {
  SIGNATURE_SIZE = 27,
  MSG_CANT_WRITE = 413,
  MSG_FILE_NUMBER = 620,
  MSG_END_OF_FILE = 1044,
  MSG_SHORT_READ = 1045,
  MSG_BAD_STRING = 1046,
  MSG_NOT_UBROF = 1047,
  MSG_BAD_FILE_DATE = 1048,
  MSG_CRC = 1049,
  MSG_BAD_DEBUG_DATE = 1050,
  MSG_BAD_PROGRAM_DATE = 1051,
  MSG_UNKNOWN_TAG = 1052,
  HISTORY_SIZE = 4096,
  CRC_POLYNOMIAL = 0x8005,
};

const char signature[SIGNATURE_SIZE + 1] = "P&E Microcomputer Map File\x1A";

std::string upper(const char *text) {
  std::string s = text ? text : "";
  for (char &c : s) c = char(toupper(uint8_t(c)));
  return s;
}

bool read_name(FILE *in, std::string *name) {
  name->clear();
  for (int c; (c = fgetc(in)) != EOF;) {
    if (!c) return true;
    name->push_back(char(c));
  }
  return false;
}

// ---- UBROF ----

struct ubrof_reader {
  FILE *in;
  uint16_t crc = 0;
  unsigned long count = 0;  // bytes in the history, counting on past its room
  std::vector<uint8_t> history;
  long record_offset = 0;
  unsigned segment = 0;
  unsigned long address = 0;
};

void feed(ubrof_reader *r, uint8_t byte) {
  for (int bit = 0; bit < 8; bit++) {
    unsigned feedback = ((byte >> bit) & 1) ^ ((r->crc >> 15) & 1);
    r->crc = uint16_t(r->crc << 1);
    if (feedback) r->crc ^= CRC_POLYNOMIAL;
  }
  if (r->history.size() < HISTORY_SIZE) r->history.push_back(byte);
  r->count++;
}

bool get_byte(ubrof_reader *r, unsigned *value) {
  int c = fgetc(r->in);
  if (c == EOF) {
    msg(MSG_END_OF_FILE);
    return false;
  }
  feed(r, uint8_t(c));
  *value = unsigned(c);
  return true;
}

bool get_bytes(ubrof_reader *r, uint8_t *out, int n) {
  for (int k = 0; k < n; k++) {
    int c = fgetc(r->in);
    if (c == EOF) {
      msg(MSG_SHORT_READ, k);
      return false;
    }
    feed(r, uint8_t(c));
    out[k] = uint8_t(c);
  }
  return true;
}

bool get_number(ubrof_reader *r, int size, unsigned long *value) {
  uint8_t b[4];
  if (!get_bytes(r, b, size)) return false;
  *value = 0;
  for (int k = 0; k < size; k++) *value = *value << 8 | b[k];
  return true;
}

bool get_string(ubrof_reader *r, std::string *text) {
  int c = fgetc(r->in);
  uint8_t bytes[256];
  if (c == EOF) {
    msg(MSG_BAD_STRING);
    return false;
  }
  feed(r, uint8_t(c));
  if (!get_bytes(r, bytes, c)) {
    msg(MSG_BAD_STRING);
    return false;
  }
  text->assign(reinterpret_cast<const char *>(bytes), size_t(c));
  return true;
}

struct date_time {
  uint8_t seconds, minutes, hours, day, month, year;
};

bool valid_date(unsigned day, unsigned month) { return day < 32 && month < 13; }
bool valid_time(const date_time &t) {
  return t.seconds < 60 && t.minutes < 60 && t.hours <= 23 && valid_date(t.day, t.month);
}

bool get_date_time(ubrof_reader *r, date_time *t) {
  uint8_t b[6];
  if (!get_bytes(r, b, 6)) return false;
  *t = {b[0], b[1], b[2], b[3], b[4], b[5]};
  return true;
}

const char *const symbol_kinds[] = {"public/abs ", "public/reloc ", "local/abs ", "local/reloc ", "external "};
const char *const segment_kinds[] = {"CODE ", "DATA ", "XDATA ", "IDATA ", "BIT ", "REGISTER ", "CONST "};
const char *const word_sizes[] = {"8 bit ", "16 bit ", "32 bit ", "segmented  "};
const uint8_t bd_expected[13] = {0x00, 0x00, 0x05, 0xBA, 0x02, 0xBE, 0xFF, 0xBF, 0x02, 0xC0, 0xFF, 0xC1, 0x05};

bool program_or_segment(ubrof_reader *r) {
  unsigned version, flags, language;
  if (!get_byte(r, &version)) return false;
  if (version) {
    uint8_t date[3];
    std::string name;
    if (!get_byte(r, &flags) || !get_byte(r, &language) || !get_bytes(r, date, 3)) return false;
    if (!valid_date(date[0], date[1])) {
      msg(MSG_BAD_PROGRAM_DATE);
      return false;
    }
    if (!get_string(r, &name)) return false;
    printf("Program: \"%s\" %d/%d/%d ", name.c_str(), date[2] + 1900, date[1], date[0]);
    printf(" version %d, language 0x%0X, ", int(version), language);
    if (language == 0) printf("(Assembler) ");
    if (language == 16) printf("(C) ");
    printf("%s", word_sizes[(flags & 6) >> 1]);
    if (flags & 1) printf("normal bit order");
    printf("\n");
    return true;
  }
  uint8_t three[3];
  std::string name;
  unsigned count;
  if (!get_bytes(r, three, 3)) return false;
  if (three[0] || three[1] || three[2]) printf("%02X %02X %02X ", three[0], three[1], three[2]);
  if (!get_string(r, &name) || !get_byte(r, &flags) || !get_byte(r, &count)) return false;
  printf("\"%s\" flags 0x%X\nStart\tLength\n", name.c_str(), flags);
  for (unsigned k = 0; k < count; k++) {
    unsigned long start, length;
    if (!get_number(r, 4, &start) || !get_number(r, 4, &length)) return false;
    printf("0x%04lX\t0x%04lX\n", start, length);
  }
  return true;
}

// One record after its tag; false ends the dump with failure, *done with
// success.
bool ubrof_record(ubrof_reader *r, unsigned tag, bool *done) {
  const bool verbose = settings.verbosity > 0;
  unsigned a, b;
  unsigned long n1, n2, n3;
  std::string name;
  switch (tag) {
    case 1:
    case 2:
      return program_or_segment(r);
    case 0x39: {
      uint8_t bytes[256];
      if (!get_byte(r, &a) || !get_bytes(r, bytes, int(a))) return false;
      printf("Data: %d bytes in seg %d at 0x%lX\n", int(a), int(r->segment), r->address);
      if (verbose) hex_dump_lines(stdout, uint32_t(r->address), 16, bytes, a, "%04lX:", true);
      r->address += a;
      return true;
    }
    case 0x3F: {
      uint16_t computed = r->crc;
      if (!get_number(r, 2, &n1)) return false;
      if (n1 == computed) {
        if (verbose) printf("CRC matched at %lX\n", (unsigned long)r->record_offset);
        r->crc = 0;
        return true;
      }
      msg(MSG_CRC, r->count, unsigned(computed));
      if (verbose)
        hex_dump_lines(stdout, 0, 16, r->history.data(), uint32_t(r->history.size()), "%04lX:", true);
      return false;
    }
    case 0x47:
      if (!get_number(r, 2, &n1) || !get_number(r, 2, &n2) || !get_number(r, 2, &n3)) return false;
      printf("Statement: line %u", unsigned(n1));
      if (n3 != n1) printf("-%u", unsigned(n3));
      printf(" seg %X flags ", unsigned(n2));
      if (!get_byte(r, &a) || !get_number(r, 2, &n1)) return false;
      printf("%X %X\n", a, unsigned(n1));
      return true;
    case 0x4A:
      if (!get_number(r, 2, &n1) || !get_byte(r, &a)) return false;
      return a != 0x11 || get_string(r, &name);
    case 0x4C: {
      uint8_t three[3];
      if (!get_byte(r, &a)) return false;
      printf("Symbol; ");
      if (a >= 1 && a <= 5)
        printf("%s", symbol_kinds[a - 1]);
      else
        printf("type?? 0x%02X ", a);
      if (!get_number(r, 2, &n1)) return false;
      if (n1 >= 1 && n1 <= 7)
        printf("%s", segment_kinds[n1 - 1]);
      else
        printf("segment 0x%X ", unsigned(n1));
      if (!get_number(r, 4, &n2)) return false;
      printf("addr = 0x%lX ", n2);
      if (!get_string(r, &name) || !get_bytes(r, three, 3)) return false;
      printf(" \"%s\"", name.c_str());
      if (three[0] || three[1] || three[2]) printf(" %02X %02X %02X", three[0], three[1], three[2]);
      printf("\n");
      return true;
    }
    case 0x51:
      if (!get_byte(r, &a) || !get_number(r, 4, &n1)) return false;
      r->segment = a;
      r->address = n1;
      if (verbose) printf("Origin 0x%lX in segment %d\n", n1, int(a));
      return true;
    case 0x52: {
      uint8_t five[5];
      date_time t;
      if (!get_bytes(r, five, 5)) return false;
      printf("Debug record: ");
      if (!(five[0] == 0 && five[1] == 0xB9 && !five[2] && !five[3] && !five[4]))
        printf("%02X %02X %02X %02X %02X ", five[0], five[1], five[2], five[3], five[4]);
      if (!get_string(r, &name)) return false;
      printf("\"%s\" ", name.c_str());
      if (!get_date_time(r, &t)) return false;
      if (!valid_time(t)) {
        msg(MSG_BAD_DEBUG_DATE);
        return false;
      }
      printf("modified %d/%d/%d %02d:%02d:%02d\n", t.year + 1900, t.month, t.day, t.hours, t.minutes, t.seconds);
      return true;
    }
    case 0x53:
      if (!get_byte(r, &a) || !get_byte(r, &b)) return false;
      printf("Aux record: 0x%02X 0x%02X\n", a, b);
      return true;
    case 0x54:
      if (!get_byte(r, &a) || !get_byte(r, &b) || !get_string(r, &name)) return false;
      printf("Translator: 0x%02X 0x%02X \"%s\"\n", a, b, name.c_str());
      return true;
    case 0xBD: {
      uint8_t got[13];
      if (!get_byte(r, &a)) return false;
      printf("UBROF version %d\n", int(a));
      if (!get_bytes(r, got, 13)) return false;
      if (memcmp(got, bd_expected, 13)) {
        printf("Funny BD record; should be:\nBD 06 ");
        for (uint8_t e : bd_expected) printf("%02X ", e);
        printf("but was:\nBD %02X ", a);
        for (uint8_t g : got) printf("%02X ", g);
        printf("\n");
      }
      return true;
    }
    case 0xC0: {
      uint8_t six[6];
      if (!get_bytes(r, six, 6)) return false;
      printf("C0 record: %02X %02X %02X %02X %02X %02X\n", six[0], six[1], six[2], six[3], six[4], six[5]);
      return true;
    }
    case 0xFF:
      *done = true;
      return true;
    default:
      msg(MSG_UNKNOWN_TAG, tag);
      return false;
  }
}

}  // namespace

bool pe_identify(FILE *in) {
  char head[SIGNATURE_SIZE];
  return fread(head, 1, SIGNATURE_SIZE, in) == SIGNATURE_SIZE && !memcmp(head, signature, SIGNATURE_SIZE);
}

bool pe_read(FILE *in, const char *name) {
  uint8_t head[SIGNATURE_SIZE + 3];
  if (fread(head, 1, sizeof head, in) != sizeof head) {
    msg(MSG_END_OF_FILE);
    return false;
  }
  uint32_t entries = uint32_t(head[SIGNATURE_SIZE]) << 8 | head[SIGNATURE_SIZE + 1];
  uint32_t file_count = head[SIGNATURE_SIZE + 2];
  // The file numbers of the map, as the model numbers the files.
  std::vector<uint32_t> files(file_count + 1, 0);
  std::string text;
  for (uint32_t k = 1; k <= file_count; k++) {
    if (!read_name(in, &text)) {
      msg(MSG_END_OF_FILE);
      return false;
    }
    files[k] = model_add_file(text.c_str());
  }
  for (uint32_t k = 0; k < entries; k++) {
    uint8_t e[7];
    if (fread(e, 1, sizeof e, in) != sizeof e || !read_name(in, &text)) {
      msg(MSG_END_OF_FILE);
      return false;
    }
    uint32_t address = uint32_t(e[0]) | uint32_t(e[1]) << 8 | uint32_t(e[2]) << 16 | uint32_t(e[3]) << 24;
    uint32_t number = e[4], line = uint32_t(e[5]) << 8 | e[6];
    if (number > file_count) {
      msg(MSG_FILE_NUMBER, name, number, file_count);
      number = 0;
    }
    if (!text.empty()) model_add_symbol(text.c_str(), address, 0, files[number], 0);
    if (line) model_add_line(line, address, 0, files[number], 2);
  }
  return true;
}

bool pe_write(FILE *out, const char *name) {
  // One entry per place: a symbol, a line or both.
  std::vector<model_place> symbols, lines;
  model_places(&symbols, &lines);
  std::vector<model_place> entries;
  size_t i = 0, j = 0;
  while (i < symbols.size() || j < lines.size()) {
    if (j == lines.size() || (i < symbols.size() && model_place_before(symbols[i], lines[j]))) {
      entries.push_back(symbols[i++]);
    } else if (i == symbols.size() || model_place_before(lines[j], symbols[i])) {
      entries.push_back(lines[j++]);
    } else {
      model_place both = lines[j++];
      both.symbol = symbols[i++].symbol;
      entries.push_back(both);
    }
  }
  std::vector<uint8_t> image(signature, signature + SIGNATURE_SIZE);
  image.push_back(uint8_t(entries.size() >> 8));
  image.push_back(uint8_t(entries.size()));
  std::vector<uint32_t> numbers(vec_size(model.files) + 1, 0);
  std::vector<uint8_t> names;
  uint32_t used = 0;
  for (uint32_t k = 1; k <= vec_size(model.files); k++) {
    const model_file *f = model_file_at(k);
    if (!f->symbol_count && !f->line_count) continue;
    numbers[k] = ++used;
    std::string text = upper(f->name);
    names.insert(names.end(), text.c_str(), text.c_str() + text.size() + 1);
  }
  image.push_back(uint8_t(used));
  image.insert(image.end(), names.begin(), names.end());
  for (const model_place &e : entries) {
    uint32_t address = e.line ? e.line->start : e.symbol->value;
    uint32_t line = e.line ? e.line->line : 0;
    const uint8_t bytes[] = {uint8_t(address),
                             uint8_t(address >> 8),
                             uint8_t(address >> 16),
                             uint8_t(address >> 24),
                             uint8_t(e.file < numbers.size() ? numbers[e.file] : 0),
                             uint8_t(line >> 8),
                             uint8_t(line)};
    image.insert(image.end(), bytes, bytes + sizeof bytes);
    std::string text = e.symbol ? upper(e.symbol->name) : "";
    image.insert(image.end(), text.c_str(), text.c_str() + text.size() + 1);
  }
  if (fwrite(image.data(), 1, image.size(), out) != image.size()) {
    msg(MSG_CANT_WRITE, name);
    return false;
  }
  return true;
}

bool ubrof_identify(FILE *in) {
  uint8_t head[7];
  if (fread(head, 1, sizeof head, in) != sizeof head || head[0] != 0xA5) return false;
  return valid_time({head[1], head[2], head[3], head[4], head[5], head[6]});
}

bool ubrof_read(FILE *, const char *) { return true; }
bool ubrof_write(FILE *, const char *) { return true; }

bool ubrof_dump(FILE *in) {
  ubrof_reader r;
  r.in = in;
  unsigned first;
  date_time t;
  if (!get_byte(&r, &first)) return false;
  if (first != 0xA5) {
    msg(MSG_NOT_UBROF);
    return false;
  }
  if (!get_date_time(&r, &t)) return false;
  if (!valid_time(t)) {
    msg(MSG_BAD_FILE_DATE);
    return false;
  }
  printf("UBROF file: %d/%d/%d %02d:%02d:%02d ", t.year + 1900, t.month, t.day, t.hours, t.minutes, t.seconds);
  for (bool done = false; !done;) {
    r.record_offset = long(r.count);
    int tag = fgetc(in);
    if (tag == EOF) return false;
    feed(&r, uint8_t(tag));
    if (!ubrof_record(&r, unsigned(tag), &done)) return false;
  }
  return true;
}
