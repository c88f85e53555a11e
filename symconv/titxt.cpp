#include "symconv/titxt.h"

#include <cctype>
#include <cstdlib>
#include <string>

#include "common/vector.h"
#include "symconv/encdec.h"
#include "symconv/intelhex.h"
#include "symconv/model.h"

enum { FIRST_LINE_ROOM = 127, DUMP_LINE_ROOM = 4095 };

bool titxt_identify(FILE *in) {
  std::string line;
  bool too_long;
  int first = getc(in);
  if (first == EOF) return false;
  ungetc(first, in);
  read_text_line(in, &line, FIRST_LINE_ROOM, &too_long);
  if (line.empty()) return false;
  if (line[0] == '@') {
    if (line.size() < 5) return false;
    for (size_t k = 1; k < 5; k++)
      if (!isxdigit(uint8_t(line[k]))) return false;
    return true;
  }
  if (line[0] == 'q') return line.size() == 1;
  if (!isxdigit(uint8_t(line[0]))) return false;
  for (size_t k = 0; k < line.size(); k++) {
    bool third = (k + 1) % 3 == 0;
    if (third ? line[k] != ' ' : !isxdigit(uint8_t(line[k]))) return false;
  }
  return true;
}

bool titxt_read(FILE *, const char *) { return true; }

bool titxt_write(FILE *out, const char *) {
  for (uint32_t k = 0; k < vec_size(model.data); k++) {
    const model_data *d = model_data_nth(k);
    if (!d->length) continue;
    fprintf(out, "@%04X\n", unsigned(d->address));
    for (uint32_t b = 0; b < d->length; b++) {
      fprintf(out, "%2.2X ", d->bytes[b]);
      if (b % IMAGE_ROW_BYTES == IMAGE_ROW_BYTES - 1 || b + 1 == d->length) fputc('\n', out);
    }
  }
  fputs("q\n\n", out);
  return true;
}

bool titxt_dump(FILE *in) {
  printf("TI-.txt file dump:\n\n");
  std::string line;
  bool too_long;
  unsigned long address = 0;
  while (read_text_line(in, &line, DUMP_LINE_ROOM, &too_long)) {
    if (line.empty()) continue;
    if (line[0] == '@') {
      address = strtoul(line.substr(1, 4).c_str(), nullptr, 16);
    } else if (isxdigit(uint8_t(line[0]))) {
      printf(" %04lX : ", address);
      unsigned n = 0;
      for (size_t k = 0; n < IMAGE_ROW_BYTES && k + 1 < line.size(); k += 3, n++) {
        unsigned b = hex_byte(&line[k]);
        if (b > 0xFF) break;
        printf(" %02X", b);
      }
      printf("\n");
      address += n;
    } else if (line[0] == 'q') {
      break;
    }
  }
  return true;
}
