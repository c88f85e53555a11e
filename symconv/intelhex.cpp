#include "symconv/intelhex.h"

#include <cctype>
#include <cstring>

#include "common/alert.h"
#include "common/vector.h"
#include "hexmerge/ihex.h"
#include "symconv/encdec.h"
#include "symconv/model.h"

enum {
  MSG_NOT_A_RECORD = 635,
  MSG_BAD_CHECKSUM = 636,
  MSG_RECORD_TYPE = 618,
  MSG_MALFORMED_RECORD = 619,
  IHEX_START_SEGMENT = 0x03,
  IHEX_START_LINEAR = 0x05,
};

bool image_first_line(FILE *in, std::string *line) {
  bool too_long;
  if (!read_text_line(in, line, IMAGE_LINE_ROOM, &too_long)) return false;
  while (!line->empty() && isspace(uint8_t(line->back()))) line->pop_back();
  return true;
}

bool ihex_identify(FILE *in) {
  std::string line;
  if (!image_first_line(in, &line) || line.empty() || line[0] != ':') return false;
  if (line.size() % 2 == 0) return false;
  unsigned sum = 0;
  for (size_t k = 1; k < line.size(); k += 2) {
    unsigned b = hex_byte(&line[k]);
    if (b > 0xFF) return false;
    sum += b;
  }
  return sum % 256 == 0;
}

bool ihex_read(FILE *in, const char *name) {
  uint32_t data_base = 0, start_base = 0;
  std::string line;
  bool too_long;
  ihex_record r;
  for (unsigned number = 1; read_text_line(in, &line, IHEX_MAX_LINE, &too_long); number++) {
    while (!line.empty() && isspace(uint8_t(line.back()))) line.pop_back();
    if (line.empty() || line[0] != ':') {
      msg(MSG_NOT_A_RECORD, name, number);
      return false;
    }
    if (too_long || !ihex_decode(line.c_str() + 1, line.size() - 1, &r) || r.bad_digits ||
        line.size() != 1 + 2 * (5 + size_t(r.count))) {
      msg(MSG_MALFORMED_RECORD, name, number);
      return false;
    }
    unsigned value = r.count >= 2 ? unsigned(r.data[0]) << 8 | r.data[1] : 0;
    switch (r.type) {
      case IHEX_DATA:
        break;
      case IHEX_END:
        // The start address is what the start records gave, plus the
        // data of an end record that carries one.
        model.entry_address = start_base + value;
        return true;
      case IHEX_SEGMENT:
        data_base = value * 16;
        break;
      case IHEX_LINEAR:
        data_base = value * 65536;
        break;
      case IHEX_START_SEGMENT:
        // CS:IP when the record has both.
        start_base = value * 16 + (r.count >= 4 ? (unsigned(r.data[2]) << 8 | r.data[3]) : 0);
        break;
      case IHEX_START_LINEAR:
        start_base = r.count >= 4 ? uint32_t(get32_be(r.data)) : value * 65536;
        break;
      default:
        msg(MSG_RECORD_TYPE, name, number, unsigned(r.type));
        return false;
    }
    if (!r.sum_ok) {
      msg(MSG_BAD_CHECKSUM, name, number);
      return false;
    }
    if (r.type == IHEX_DATA) model_add_data(data_base + r.address, r.count, r.data, 0);
  }
  return true;
}

bool ihex_write(FILE *out, const char *) {
  char text[IHEX_MAX_LINE + 1];
  uint32_t upper = 0;
  for (uint32_t k = 0; k < vec_size(model.data); k++) {
    const model_data *d = model_data_nth(k);
    for (uint32_t done = 0; done < d->length;) {
      uint32_t address = d->address + done;
      uint32_t n = d->length - done < IMAGE_ROW_BYTES ? d->length - done : IMAGE_ROW_BYTES;
      // A row never crosses a 64K boundary: its addresses would wrap.
      uint32_t room = 0x10000 - (address & 0xFFFF);
      if (n > room) n = room;
      if ((address >> 16) != upper) {
        upper = address >> 16;
        fwrite(text, 1, ihex_format_extended(text, IHEX_LINEAR, uint16_t(upper)), out);
      }
      fwrite(text, 1, ihex_format(text, IHEX_DATA, uint16_t(address), d->bytes + done, uint8_t(n)), out);
      done += n;
    }
  }
  fputs(":00000001FF\n", out);
  return true;
}
