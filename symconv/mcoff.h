// The PIC COFF debugger file: written from the model and the debug scope
// tree, read back into the model, identified and dumped.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

bool mcoff_identify(FILE *in);
bool mcoff_read(FILE *in, const char *name);
bool mcoff_write(FILE *out, const char *name);
bool mcoff_dump(FILE *in);

// Shared with the other debugger formats: whether a segment is program
// memory, by its own name or by its class's name being one of -n's.
bool segment_is_program(uint32_t segment);
// The names of the file header's flag bits 0-12, for the COFF dumps.
extern const char *const coff_file_flag_names[13];

// Shared with the other COFF readers: the whole input, a section header's
// fields after its name, and a section's data as blocks of at most 16384
// bytes.
struct coff_file_header {
  uint32_t magic = 0, sections = 0, time_stamp = 0, symbol_offset = 0, symbol_count = 0, opt_size = 0, flags = 0;
};
void coff_header_fields(const uint8_t *header, coff_file_header *h);
struct coff_section_view {
  std::string name;
  uint32_t address, virtual_address, size, data_offset, reloc_offset, line_offset, relocs, lines, flags;
};
bool coff_slurp(FILE *in, std::vector<uint8_t> *bytes);
void coff_section_fields(const uint8_t *header, coff_section_view *s);
void coff_add_data(uint32_t address, const uint8_t *bytes, uint32_t size, uint32_t segment);
