// imprel: turns a located object file into a program image (Intel HEX,
// Motorola S-records, Tektronix hex, binary images and executable files).
// This module holds the command line, the reading of the object and the
// state the output formats work from.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "linker/io.h"
#include "objconv/image.h"

struct imprel_options {
  bool intel_linear;      // -I: type-04 extended linear address records
  bool motorola;          // -M
  bool motorola_symbols;  // -MA
  bool tek;               // -T
  bool tek_ext;           // -TE
  bool ubrof;             // -UB: record binary with CRC
  bool coff;              // -U
  bool coff_variant;      // -UT
  uint32_t coff_magic;
  bool header;            // -H
  bool binary;            // -B
  bool debug_image;       // -D
  bool cpm86;             // -8
  bool exe;               // -E
  bool m68k;              // -P
  bool m68k_header;       // -N
  bool segexe;            // -A
  bool segment_list;      // -g
  bool x386;              // -x
  const char *machine_kind;
  bool reloc;             // -R
  bool reloc_segments;    // -L
  const char *reloc_name; // symbol giving the relocation list's position
  const char *symbol_file;
  bool symbols_in_program;  // -S with -P: the table goes into the program file
  uint32_t record_length;   // 0: the format's default
  uint32_t record_align;    // 0: none
  uint32_t fill;
  uint32_t fill_end;        // 0: none
  bool fill_given;
  uint32_t base;            // -B
  bool base_given;
  uint32_t stack_size;
  bool stack_given;
  uint32_t m68k_number;     // -P<n> / -N<n>
  bool m68k_number_given;
  bool reverse;             // -V
  uint32_t error_limit;
  bool cksum;
  const char *cksum_file;   // null: standard input
  const char *input;
  const char *output;
};

enum imprel_format {
  FMT_INTEL,
  FMT_MOTOROLA,
  FMT_TEK,
  FMT_TEK_EXT,
  FMT_UBROF,
  FMT_BINARY,
  FMT_HEADER,
  FMT_DEBUG,
  FMT_CPM86,
  FMT_EXE,
  FMT_M68K,
  FMT_SEGEXE,
  FMT_X386,
  FMT_COFF,
};

// Symbols whose values the executable headers use, in table order.
#define IMPREL_SPECIAL_SYMBOLS(X) \
  X(Htext, "__Htext")             \
  X(Hdata, "__Hdata")             \
  X(Hbss, "__Hbss")               \
  X(Ldata, "__Ldata")             \
  X(Hstack, "__Hstack")           \
  X(Bstack, "__Bstack")           \
  X(Bdata, "__Bdata")             \
  X(H_TEXT, "__H_TEXT")           \
  X(Bbss, "__Bbss")               \
  X(Ltext, "__Ltext")             \
  X(Lbss, "__Lbss")               \
  X(Btext, "__Btext")             \
  X(large_code, "large_code")     \
  X(large_data, "large_data")     \
  X(is386, "is386")               \
  X(atxsegadr, "atxsegadr_")      \
  X(L_TEXT, "__L_TEXT")           \
  X(B_TEXT, "__B_TEXT")

enum special_symbol {
#define IMPREL_SPECIAL_ENUM(id, text) SPECIAL_##id,
  IMPREL_SPECIAL_SYMBOLS(IMPREL_SPECIAL_ENUM)
#undef IMPREL_SPECIAL_ENUM
  SPECIAL_COUNT
};

enum { IMPREL_MAX_SEGMENTS = 128, IMPREL_MAX_RELOCS = 65535 };

// A SEGMENT record of the object.
struct imprel_segment {
  uint32_t length;
  uint32_t address;  // load address
  uint32_t selector;
  uint32_t link;     // link address
  std::string name;
  bool code;
  bool stack;
};

struct imprel_reloc {
  uint32_t address;   // of the field to fix up
  uint32_t segment;   // psect code of the target; -A: index of the segment holding the field
  uint32_t code;      // psect code of the target (-P)
};

struct imprel_symbol {
  uint32_t value;
  uint32_t flags;
  uint32_t selector;
  std::string psect;
  std::string name;
};

// An output file; the first failed write is message 413 with its name.
struct out_stream {
  FILE *fp;
  const char *name;
  bool failed;
};

void out_bytes(out_stream *o, const void *bytes, size_t count);
void out_text(out_stream *o, const char *text);
void out_printf(out_stream *o, const char *format, ...) __attribute__((format(printf, 2, 3)));

struct imprel_state {
  imprel_options opt;
  imprel_format format;
  io_maps maps;             // target byte order, from IDENT
  std::string machine;      // machine type name, from IDENT
  uint32_t start;
  bool have_start;
  uint32_t start_segment;
  uint32_t text_address;    // of the last TEXT record
  uint32_t special[SPECIAL_COUNT];
  uint32_t reloc_position;  // value of the relocation position symbol
  bool reloc_position_seen;
  mem_image image;
  std::vector<cksum_spec> cksums;
  std::vector<imprel_segment> segments;
  std::vector<imprel_reloc> relocs;
  std::vector<imprel_symbol> symbols;
  out_stream out;
  out_stream symfile;       // -S, fp null when none
  uint16_t crc;             // -UB
};

// Reads an unsigned number at *cursor: "0x" hexadecimal, else a run of hex
// digits ending in H (hexadecimal), O or Q (octal), D or nothing (decimal).
// On success the cursor moves past it; on failure it stays.
bool num_parse(const char **cursor, uint32_t *value);

// Reads the options and file names (messages for bad ones; an unknown option
// ends the program with the usage message). Gives 1 when --ver was given.
int imprel_options_read(int argc, char **argv, imprel_options *o);
// Message 410 for options that cannot go together.
void imprel_options_check(imprel_options *o);
imprel_format imprel_format_of(const imprel_options *o);
// True when the object's relocation records are read.
bool imprel_wants_relocs(const imprel_options *o);

void imprel_init(imprel_state *s, const imprel_options *o);

// Byte order of header and record fields: the target's, reversed with -V.
void target_put16(const imprel_state *s, uint8_t *field, uint32_t value);
void target_put32(const imprel_state *s, uint8_t *field, uint32_t value);

// Psect codes of relocation entries and 68000 files: text 1, data and bss 2.
uint32_t psect_code(const char *name);

// One byte into the 16-bit CRC of -UB: its bits least significant first,
// polynomial 0x8005, register starting at 0.
uint16_t crc_byte(uint16_t crc, uint8_t byte);
// Writes bytes of the -UB file and runs them through its CRC.
void ubrof_out(imprel_state *s, const void *bytes, size_t count);

// Reads the first module of the object into the image and the state; gives 0
// when the object could not be read.
int obj_read(imprel_state *s, FILE *in);

// Writes the image in the chosen format (imgout.cpp).
void image_output(imprel_state *s);
