// The COFF layout that the PIC COFF, plain COFF and ICOFF modules share:
// the file and section headers, the symbol and auxiliary entries, the
// string table, type words and structure tags, in each flavour's sizes.
// The writer builds a file from the model here and leaves the walk of the
// debug tree to its module; the reader fills the model; the dump prints
// sections, strings and symbols.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

struct hash_table;
struct sdb_record;
struct type_chain;

// Whether a segment is program memory, by its own name or by its class's
// name being one of -n's.
bool segment_is_program(uint32_t segment);
// The names of the file header's flag bits 0-12, for the COFF dumps.
extern const char *const coff_file_flag_names[13];
// A header's time stamp in the standard 24-character form and its newline.
std::string coff_date(uint32_t time_stamp);

// What sets a flavour of the layout apart.
struct coff_flavour {
  bool pic;               // PIC COFF: 16-byte lines with file and function, classes 107-109 known
  uint32_t symbol_entry;  // bytes of a symbol or auxiliary entry: 20 or 18
  uint32_t line_entry;    // 16 (PIC), else 8 or 6 with the line number in the last 4 or 2 bytes
  int base_bits;          // 5 with 3-bit derivation slots in 32 bits, or 4 with 2-bit ones in 16
  const uint8_t *sizes;   // bytes of each base type
  uint32_t size_count;
  uint32_t pointer_size;
  uint8_t signed_codes[5], unsigned_codes[5];  // base types of integers of 1-4 bytes
  uint8_t enum_small, enum_large, enum_unsigned;
  int tag_section, eos_section;  // of a structure tag and its members, of its .eos
  bool long_section_names;       // section names beyond 8 characters go to the string table
};

// ---- reading ----

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
// A section's data as model data blocks of at most 16384 bytes.
void coff_add_data(uint32_t address, const uint8_t *bytes, uint32_t size, uint32_t segment);

// A whole file of one flavour with its headers read.
struct coff_image : coff_file_header {
  const coff_flavour *flavour = nullptr;
  std::vector<uint8_t> bytes;
  uint32_t string_offset = 0, string_size = 0;
};
bool coff_has(const coff_image &f, uint64_t offset, uint64_t size);
// Message 1037 with the structure's name; false.
bool coff_cant_read(const char *what);
// The whole input and its file header; false (said) when it is short.
bool coff_read_header(FILE *in, coff_image *f);
// The string table after the symbols; false (said) when it cannot be read.
bool coff_read_strings(coff_image *f);
// The sections' headers; false (said) when one cannot be read.
bool coff_read_sections(const coff_image &f, std::vector<coff_section_view> *sections);
const uint8_t *coff_symbol_at(const coff_image &f, uint32_t index);
std::string coff_name_at(const coff_image &f, const uint8_t *p);
// The file's segments, data, symbols, files and lines into the model,
// addresses of sections and data times code_unit.
bool coff_read_model(const coff_image &f, const char *name, uint32_t code_unit);
// Sections, the string table and, from verbosity 1, symbols and line
// numbers; with_offsets adds each symbol's file offset.
bool coff_dump_body(const coff_image &f, bool with_offsets);

// ---- writing ----

struct coff_type_aux {
  bool present = false;
  uint32_t tag = 0;
  uint32_t size = 0;
  uint16_t dims[4] = {};
  const sdb_record *pending = nullptr;  // a structure whose tag is not written yet
};

struct coff_type {
  uint32_t word = 0;
  coff_type_aux aux;
  uint32_t leaf_size = 0;  // an array's element below all its dimensions
};

struct coff_section {
  std::string name;
  uint32_t address = 0, size = 0, data_offset = 0, line_offset = 0, line_count = 0, flags = 0;
  bool has_data = false;
  uint32_t block = 0;  // the data block of a code section
};

struct coff_pending_tag {
  uint32_t aux_index;
  const sdb_record *structure;
};

// One output at a time.
struct coff_writer {
  const coff_flavour *flavour = nullptr;
  uint32_t code_unit = 1, data_unit = 1;
  std::vector<std::vector<uint8_t>> entries;
  std::vector<std::string> strings;
  uint32_t string_size = 0;
  hash_table *tags = nullptr;
  std::vector<type_chain *> tag_keys;
  std::vector<coff_pending_tag> pending;
  int tag_counter = 0;
  std::vector<coff_section> sections;
  std::vector<uint32_t> segment_section;  // by segment index, 0 for program memory
  uint32_t first_block_section = 0;
  // The data blocks with bytes, in address order, for finding the one that
  // holds an address; empty when blocks overlap (or before the sections are
  // made), where the blocks are searched in their own order.
  std::vector<uint32_t> blocks_by_address;
};
extern coff_writer *coff_out;

void coff_writer_open(const coff_flavour *flavour);
void coff_writer_close();
// The string-table offset of a text, stored once.
uint32_t coff_string(const std::string &text);
// Eight characters inline, or a zero word and the string-table offset.
void coff_put_name(uint8_t *p, const std::string &name);
uint32_t coff_add_entry(const std::string &name, uint32_t value, int section, uint32_t type, int cls,
                        int aux_count);
// An empty auxiliary entry after the last entry; its index.
uint32_t coff_add_aux();
uint8_t *coff_entry(uint32_t index);
uint32_t coff_add_type_aux(const coff_type_aux &aux);
// A .bf/.ef/.bb/.eb entry with the line in its auxiliary entry; the
// auxiliary entry's index.
uint32_t coff_add_block_entry(const char *name, uint32_t value, int section, int cls, int line);
// A section per data segment ("ABS" first when asked), then one per data block.
void coff_make_sections(bool abs_section);
// The section of an address of that segment: program memory is found in
// the data blocks, the rest in the data segments; 0 when none holds it.
int coff_section_of(uint32_t address, uint32_t segment);
coff_type coff_type_of(const type_chain *chain);
// The outermost derivation of a type word: 1 pointer, 2 function, 3 array.
uint32_t coff_outer(uint32_t word);
// The tags of the structures a type reaches, before the entry that uses them.
void coff_emit_tags(const type_chain *chain);
void coff_patch_pending();
// Marks the model symbol of that name as written.
void coff_mark_written(const char *name);
// Room for the headers (and an optional header of that size), then the
// raw data of every data-block section.
std::vector<uint8_t> coff_image_start(uint32_t opt_size);
// Appends the symbol and string tables, fills in the file header (magic
// as its first two bytes, most significant first) and the section
// headers, and writes the file; false (said) when that fails.
bool coff_image_finish(FILE *out, const char *name, std::vector<uint8_t> *image, uint32_t magic, uint32_t opt_size,
                       uint32_t flags);

enum coff_class {
  COFF_C_NULL = 0,
  COFF_C_AUTO = 1,
  COFF_C_EXT = 2,
  COFF_C_STAT = 3,
  COFF_C_REG = 4,
  COFF_C_EXTDEF = 5,
  COFF_C_LABEL = 6,
  COFF_C_MOS = 8,
  COFF_C_ARG = 9,
  COFF_C_STRTAG = 10,
  COFF_C_MOU = 11,
  COFF_C_UNTAG = 12,
  COFF_C_TPDEF = 13,
  COFF_C_ENTAG = 15,
  COFF_C_MOE = 16,
  COFF_C_REGPARM = 17,
  COFF_C_FIELD = 18,
  COFF_C_AUTOARG = 19,
  COFF_C_BLOCK = 100,
  COFF_C_FCN = 101,
  COFF_C_EOS = 102,
  COFF_C_FILE = 103,
  COFF_C_EOF = 107,
  COFF_C_LIST = 108,
  COFF_C_SECTION = 109,
  COFF_C_WEAKEXT = 127,
};

enum { COFF_T_STRUCT = 8, COFF_T_UCHAR = 12, COFF_T_INT = 4 };
enum { COFF_DT_PTR = 1, COFF_DT_FCN = 2, COFF_DT_ARY = 3 };
enum { COFF_SECTION_DEBUG = -2, COFF_SECTION_ABSOLUTE = -1 };
// A model symbol of this flag value has been written.
constexpr uint32_t COFF_SYM_WRITTEN = 0x8;
