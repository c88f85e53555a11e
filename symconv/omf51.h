// The absolute OMF-51 object module of the 8051 family: read into the
// model, written from it and dumped record by record. The record framing
// and the name operations serve the extended variant too.
#pragma once
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
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
// A length byte and the text's first room characters, upper-cased unless
// asked otherwise.
void omf_put_name(std::vector<uint8_t> *out, const char *text, size_t room = 40, bool upper = true);
// Type, length, content and checksum.
bool omf_write_record(FILE *out, int type, const std::vector<uint8_t> &content);

// The extended module's own record types.
enum { OMF_KEIL_TYPEDEF = 0x20, OMF_KEIL_DEBUG = 0x22, OMF_SOURCE = 0x24, OMF_KEIL_INFO = 0x70 };
enum { OMF_SCOPE_MODULE = 0, OMF_SCOPE_DO = 1, OMF_SCOPE_PROCEDURE = 2, OMF_SCOPE_MODULE_END = 3,
       OMF_SCOPE_DO_END = 4, OMF_SCOPE_PROCEDURE_END = 5 };
enum { OMF_LOCALS = 0, OMF_PUBLICS = 1, OMF_DEBUG_ITEM = 0x12 };

// The writer's open Debug Item record and the address ranges its Content
// records have covered. The extended module writes long names, and its
// source file and type records before a debug record (the hooks).
struct omf_writer {
  FILE *out = nullptr;
  int open_type = -1;
  std::vector<uint8_t> open;
  std::vector<std::pair<uint64_t, uint64_t>> covered;
  bool failed = false;
  bool extended = false;
  std::function<void()> before_open, before_write;
};

void omf_item_open(omf_writer *w, int type, int first);
void omf_item_close(omf_writer *w);
void omf_scope(omf_writer *w, const std::string &name, int block);
// Whether the open record takes another symbol of that kind.
bool omf_symbol_fits(const omf_writer *w, int type, int kind);
void omf_symbol_item(omf_writer *w, int type, int kind, const char *name, uint32_t value, int information,
                     int type_code);
void omf_line_item(omf_writer *w, uint32_t line, uint32_t address);
// Content records for the data in low..high, no address twice.
void omf_content(omf_writer *w, uint64_t low, uint64_t high);
void omf_module_header(omf_writer *w, const std::string &module);
void omf_module_end(omf_writer *w, const std::string &module);
// 0-4 for a segment named like CODE, XDATA, DATA, IDATA or BIT; 5 else.
uint32_t omf_segment_type(uint32_t segment);
// A symbol's information byte: its segment type, and 0x40 for a variable.
struct model_symbol;
int omf_information(const model_symbol *s);
// A file name without its extension.
std::string omf_module_name(const char *file);
// The module of the model's files, symbols, lines and data.
bool omf_write_module(omf_writer *w, const char *name);
bool omf_read_module(FILE *in, const char *format, bool extended);
// extra dumps the extended module's own records; null for OMF-51.
bool omf_dump_module(FILE *in, const char *heading, bool (*extra)(const omf_record &));
