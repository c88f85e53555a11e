// The absolute OMF-51 object module of the 8051 family: read into the
// model, written from it and dumped record by record. The record framing
// and the name operations serve the extended variant too.
#pragma once
#include <cstdint>
#include <cstdio>
#include <vector>

bool omf51_identify(FILE *in);
bool omf51_read(FILE *in, const char *name);
bool omf51_write(FILE *out, const char *name);
bool omf51_dump(FILE *in);

// The record just read: its type, its content (without the checksum) and
// where it began in the file.
struct omf_record {
  int type = 0;
  uint32_t length = 0;  // the length field: content and checksum
  long position = 0;
  std::vector<uint8_t> content;
};

// One whole record with a correct checksum; with report set a short record
// and a bad checksum are said. False at the end of the file.
bool omf_read_record(FILE *in, omf_record *record, bool report);
// A length byte (at most 40) and the text's first 40 characters upper-cased.
void omf_put_name(std::vector<uint8_t> *out, const char *text);
// Type, length, content and checksum.
bool omf_write_record(FILE *out, int type, const std::vector<uint8_t> &content);
