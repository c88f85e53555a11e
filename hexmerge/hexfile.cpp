#include "hexmerge/hexfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "common/alert.h"

enum {
  MSG_CANT_OPEN = 141,
  MSG_BAD_SUM = 636,
  MSG_BAD_DIGIT = 942,
  MSG_UNKNOWN_TYPE = 960,
  MSG_NO_END = 966,
};

static int hex_digit_value(int c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// One digit of a record; a stranger counts as 0.
static int hex_read_digit(const hex_input *in, char c) {
  int v = hex_digit_value((unsigned char)c);
  if (v >= 0) return v;
  msg(MSG_BAD_DIGIT, in->name, in->records);
  return 0;
}

static uint8_t hex_read_byte(const hex_input *in, const char *text) {
  int high = hex_read_digit(in, text[0]);
  return (uint8_t)(high << 4 | hex_read_digit(in, text[1]));
}

static bool read_whole(FILE *f, std::vector<char> *data) {
  char buf[65536];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, f)) > 0) data->insert(data->end(), buf, buf + n);
  return !ferror(f);
}

static void store_data(hex_image *img, const hex_input *in, uint32_t address,
                       const uint8_t *data, int count, uint8_t attr) {
  for (int i = 0; i < count; i++, address++)
    if (address >= in->range_start && address <= in->range_end)
      image_set(img, data[i], address + in->offset, attr);
}

void hex_read_input(hex_image *img, hex_input *in, int number) {
  std::vector<char> data;
  bool read_ok = read_whole(in->file, &data);
  fclose(in->file);
  in->file = nullptr;
  if (!read_ok) {
    msg(MSG_CANT_OPEN, "input", in->name);
    return;
  }
  const uint8_t attr = (uint8_t)((KIND_INPUT + number) | (in->forced ? ATTR_FORCED : 0));
  const char *text = data.data();
  const size_t size = data.size();
  size_t pos = 0;
  uint32_t upper = 0;
  for (;;) {
    const char *colon = size > pos ? (const char *)memchr(text + pos, ':', size - pos) : nullptr;
    if (!colon) {
      msg(MSG_NO_END, in->name);
      return;
    }
    in->records++;
    size_t start = (size_t)(colon - text) + 1;
    size_t end = start;
    while (end < size && text[end] != '\n' && text[end] != '\r' && text[end] != ':') end++;
    pos = end;
    // A record cut short (by the end of its line or of the file) is dropped
    // whole: its digits cannot be told from the next line's.
    size_t length = end - start;
    if (length < 10) {
      msg(MSG_BAD_DIGIT, in->name, in->records);
      continue;
    }
    uint8_t bytes[5 + 255];
    bytes[0] = hex_read_byte(in, text + start);
    size_t count = (size_t)bytes[0] + 5;
    if (length < 2 * count) {
      msg(MSG_BAD_DIGIT, in->name, in->records);
      continue;
    }
    unsigned sum = bytes[0];
    for (size_t i = 1; i < count; i++) {
      bytes[i] = hex_read_byte(in, text + start + 2 * i);
      sum += bytes[i];
    }
    if (sum & 0xFF) msg(MSG_BAD_SUM, in->name, in->records);
    const int data_count = bytes[0];
    const uint8_t *payload = bytes + 4;
    switch (bytes[3]) {
      case 0x00:
        store_data(img, in, (upper << 16) + (uint32_t)(bytes[1] << 8 | bytes[2]), payload,
                   data_count, attr);
        break;
      case 0x01:
        return;
      case 0x04:
        upper = (uint32_t)((data_count > 0 ? payload[0] : 0) << 8 | (data_count > 1 ? payload[1] : 0));
        break;
      default:
        msg(MSG_UNKNOWN_TYPE, (unsigned)bytes[3], in->records, in->name);
        break;
    }
  }
}

namespace {

// Builds the output text; records are written in blocks.
struct hex_writer {
  FILE *f;
  std::string buf;
  uint32_t last_upper;
  bool first;
  int format;
  unsigned long written;

  void put_byte(unsigned v) {
    static const char digits[] = "0123456789ABCDEF";
    buf += digits[(v >> 4) & 15];
    buf += digits[v & 15];
  }
  void record(unsigned type, unsigned address, const uint8_t *data, int count) {
    buf += ':';
    put_byte((unsigned)count);
    put_byte(address >> 8 & 0xFF);
    put_byte(address & 0xFF);
    put_byte(type);
    unsigned sum = (unsigned)count + (address >> 8) + address + type;
    for (int i = 0; i < count; i++) {
      put_byte(data[i]);
      sum += data[i];
    }
    put_byte((0x100 - (sum & 0xFF)) & 0xFF);
    buf += '\n';
    if (buf.size() >= 60000) flush();
  }
  void data(uint32_t address, const uint8_t *bytes, int count) {
    if (!count) return;
    written += (unsigned long)count;
    if (!f) return;
    uint32_t upper = address >> 16;
    if (upper != last_upper || (format == INHX032 && first)) {
      uint8_t word[2] = {(uint8_t)(upper >> 8), (uint8_t)upper};
      record(0x04, 0, word, 2);
      last_upper = upper;
    }
    first = false;
    record(0x00, address & 0xFFFF, bytes, count);
  }
  void flush() {
    if (f && !buf.empty()) fwrite(buf.data(), 1, buf.size(), f);
    buf.clear();
  }
};

}  // namespace

// Takes the address off the break list when a record must end before it.
static bool take_break(hex_output *out, uint32_t address) {
  for (int i = 0; i < out->break_count; i++)
    if (out->breaks[i] == address) {
      out->breaks[i] = out->breaks[--out->break_count];
      return true;
    }
  return false;
}

unsigned long hex_write(hex_image *img, const hex_output *format, FILE *f) {
  hex_output breaks = *format;  // each break is used up once
  hex_output *out = &breaks;
  hex_writer w{f, {}, 0, true, out->format, 0};
  uint8_t record[MAX_RECORD_LENGTH];
  int count = 0;
  uint32_t record_start = 0;
  uint64_t next = 0;  // address that would extend the open record
  for (const auto &entry : img->pages) {
    const image_page *page = entry.second;
    for (int i = 0; i < PAGE_SIZE; i++) {
      const image_slot &s = page->slot[i];
      int kind = s.attr & ATTR_KIND;
      if (s.attr == 0 || kind == KIND_DELETED) continue;
      uint32_t address = page->base + (uint32_t)i;
      if (out->format == INHX8M && address > 0xFFFF) goto done;
      if (count && (address != next || count == out->record_length || (address & 0xFFFF) == 0 ||
                    (out->break_count && take_break(out, address)))) {
        w.data(record_start, record, count);
        count = 0;
      }
      if (!count) record_start = address;
      record[count++] = s.value;
      next = (uint64_t)address + 1;
    }
  }
done:
  w.data(record_start, record, count);
  if (f) {
    w.buf += ":00000001FF\n";
    w.flush();
  }
  return w.written;
}

bool hex_write_file(hex_image *img, const hex_output *out, const char *path) {
  struct stat st;
  bool exists = stat(path, &st) == 0;
  // Devices and pipes are written in place.
  if (exists && !S_ISREG(st.st_mode)) {
    FILE *f = fopen(path, "w");
    if (!f) return false;
    hex_write(img, out, f);
    bool ok = !ferror(f);
    return fclose(f) == 0 && ok;
  }
  std::string temp = path;
  temp += ".XXXXXX";
  int fd = mkstemp(temp.data());
  if (fd < 0) return false;
  mode_t mode;
  if (exists) {
    mode = st.st_mode & 07777;
  } else {
    mode_t mask = umask(0);
    umask(mask);
    mode = 0666 & ~mask;
  }
  fchmod(fd, mode);
  FILE *f = fdopen(fd, "w");
  if (!f) {
    close(fd);
    unlink(temp.c_str());
    return false;
  }
  hex_write(img, out, f);
  bool ok = !ferror(f);
  ok = fclose(f) == 0 && ok;
  if (ok && rename(temp.c_str(), path) == 0) return true;
  int saved = errno;
  unlink(temp.c_str());
  errno = saved;
  return false;
}
