#include "symconv/mothex.h"

#include <cctype>
#include <cstdlib>
#include <string>

#include "common/alert.h"
#include "common/vector.h"
#include "symconv/encdec.h"
#include "symconv/intelhex.h"
#include "symconv/model.h"

enum {
  MSG_NOT_A_RECORD = 635,
  MSG_BAD_CHECKSUM = 636,
  MSG_RECORD_TYPE = 618,
  MSG_MALFORMED_RECORD = 619,
  SREC_MAX_LINE = 2 + 2 * 256,
};

namespace {

bool all_hex(const std::string &text, size_t from) {
  for (size_t k = from; k < text.size(); k++)
    if (!isxdigit(uint8_t(text[k]))) return false;
  return true;
}

// Bytes of the address field by record type; 0 for the types without data.
unsigned address_bytes(char type) {
  switch (type) {
    case '1':
    case '9':
      return 2;
    case '2':
    case '8':
      return 3;
    case '3':
    case '7':
      return 4;
    default:
      return 0;
  }
}

}  // namespace

bool srec_identify(FILE *in) {
  std::string line;
  if (!image_first_line(in, &line)) return false;
  return line.size() >= 2 && line[0] == 'S' && isdigit(uint8_t(line[1])) && line.size() % 2 == 0 &&
         all_hex(line, 1);
}

bool srec_read(FILE *in, const char *name) {
  std::string line;
  bool too_long;
  uint8_t bytes[256];
  for (unsigned number = 1; read_text_line(in, &line, SREC_MAX_LINE, &too_long); number++) {
    while (!line.empty() && isspace(uint8_t(line.back()))) line.pop_back();
    if (line.size() < 2 || line[0] != 'S') {
      msg(MSG_NOT_A_RECORD, name, number);
      return false;
    }
    char type = line[1];
    if (type == '0' || type == '5' || type == '6') continue;  // header and record counts
    unsigned width = address_bytes(type);
    if (!width) {
      msg(MSG_RECORD_TYPE, name, number, unsigned(strtoul(std::string(1, type).c_str(), nullptr, 16)));
      return false;
    }
    // The count covers the address, the data and the checksum.
    unsigned count = line.size() >= 4 ? hex_byte(&line[2]) : 0xFFFF;
    if (too_long || count > 0xFF || count < width + 1 || line.size() != 4 + 2 * size_t(count) ||
        !all_hex(line, 2)) {
      msg(MSG_MALFORMED_RECORD, name, number);
      return false;
    }
    unsigned sum = count;
    for (unsigned k = 0; k < count; k++) {
      bytes[k] = uint8_t(hex_byte(&line[4 + 2 * k]));
      if (k + 1 < count) sum += bytes[k];
    }
    if (uint8_t(~sum) != bytes[count - 1]) {
      msg(MSG_BAD_CHECKSUM, name, number);
      return false;
    }
    uint32_t address = 0;
    for (unsigned k = 0; k < width; k++) address = address << 8 | bytes[k];
    if (type >= '7') {
      model.entry_address = address;
      return true;
    }
    model_add_data(address, count - width - 1, bytes + width, 0);
  }
  return true;
}

bool srec_write(FILE *out, const char *) {
  for (uint32_t k = 0; k < vec_size(model.data); k++) {
    const model_data *d = model_data_nth(k);
    for (uint32_t done = 0; done < d->length; done += IMAGE_ROW_BYTES) {
      uint32_t address = d->address + done;
      unsigned n = d->length - done < IMAGE_ROW_BYTES ? d->length - done : IMAGE_ROW_BYTES;
      unsigned width = address > 0xFFFFFF ? 4 : address < 0x10000 ? 2 : 3;
      unsigned count = n + width + 1;
      fprintf(out, "S%c%2.2X", "123"[width - 2], count);
      unsigned sum = count;
      for (unsigned b = width; b-- > 0;) {
        fprintf(out, "%2.2X", unsigned(address >> (8 * b)) & 0xFF);
        sum += (address >> (8 * b)) & 0xFF;
      }
      for (unsigned b = 0; b < n; b++) {
        fprintf(out, "%2.2X", d->bytes[done + b]);
        sum += d->bytes[done + b];
      }
      fprintf(out, "%2.2X\n", ~sum & 0xFF);
    }
  }
  return true;
}
