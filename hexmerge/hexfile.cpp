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
#include "hexmerge/ihex.h"

enum {
  MSG_CANT_OPEN = 141,
  MSG_BAD_SUM = 636,
  MSG_BAD_DIGIT = 942,
  MSG_UNKNOWN_TYPE = 960,
  MSG_NO_END = 966,
};

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
    // whole: its digits cannot be told from the next line's. A stranger
    // among the digits counts as 0.
    ihex_record r;
    bool whole = ihex_decode(text + start, end - start, &r);
    for (unsigned i = 0; i < r.bad_digits; i++) msg(MSG_BAD_DIGIT, in->name, in->records);
    if (!whole) {
      msg(MSG_BAD_DIGIT, in->name, in->records);
      continue;
    }
    if (!r.sum_ok) msg(MSG_BAD_SUM, in->name, in->records);
    switch (r.type) {
      case IHEX_DATA:
        store_data(img, in, (upper << 16) + r.address, r.data, r.count, attr);
        break;
      case IHEX_END:
        return;
      case IHEX_LINEAR:
        upper = (uint32_t)((r.count > 0 ? r.data[0] : 0) << 8 | (r.count > 1 ? r.data[1] : 0));
        break;
      default:
        msg(MSG_UNKNOWN_TYPE, (unsigned)r.type, in->records, in->name);
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

  void put(const char *line, size_t length) {
    buf.append(line, length);
    if (buf.size() >= 60000) flush();
  }
  void data(uint32_t address, const uint8_t *bytes, int count) {
    if (!count) return;
    written += (unsigned long)count;
    if (!f) return;
    uint32_t upper = address >> 16;
    char line[IHEX_MAX_LINE];
    if (upper != last_upper || (format == INHX032 && first)) {
      put(line, ihex_format_extended(line, IHEX_LINEAR, (uint16_t)upper));
      last_upper = upper;
    }
    first = false;
    put(line, ihex_format(line, IHEX_DATA, (uint16_t)address, bytes, (uint8_t)count));
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
    char line[IHEX_MAX_LINE];
    w.put(line, ihex_format(line, IHEX_END, 0, nullptr, 0));
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
