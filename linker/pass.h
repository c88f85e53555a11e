// The linker's passes: the inputs, the current position, the record handler
// table and the message context that names the input being read.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "linker/io.h"
#include "linker/link.h"

struct link_position {
  int pass;                  // 1, 2 or 3; 0 before the first
  uint16_t file_index;
  module_record *module;     // null outside a module
  io_reader *reader;         // the record being read
  bool skip;                 // a false CONDEXPR: skip to END
  const char *listing;       // relocatable listing being read, else null
  uint32_t listing_record;
};

extern link_position lpos;
extern std::vector<link_input> linputs;

// Byte order of every record body: the maps of the first IDENT read.
extern io_maps lmaps;
extern bool lmaps_set;
// Machine type of the last IDENT read in pass 1.
extern std::string lmachine;
// Object code version of the first IDENT.
extern uint8_t lversion_major, lversion_minor;
// Bytes read from the inputs.
extern uint64_t linput_bytes;

// A bounds-checked reader of one record body: every read past the end marks
// it bad and gives 0 or an empty string.
struct body_cursor {
  const uint8_t *body;
  uint32_t length;
  uint32_t pos;
  bool bad;
};

body_cursor body_of(const io_reader *r);
uint32_t body_u8(body_cursor *c);
uint32_t body_u16(body_cursor *c);
uint32_t body_u32(body_cursor *c);
const char *body_string(body_cursor *c);
bool body_at_end(const body_cursor *c);
// Message 517 for a record body that does not hold what its kind needs.
void link_bad_record(uint8_t kind);

// Object code version of the current module is at least major.minor.
bool link_version_at_least(int major, int minor);

// A fresh link: options, symbol table, placement and call-graph state.
void link_begin();
// Records the inputs; false when one of them is the output (message 398).
bool link_add_inputs();
// Opens the output, the map and the symbol file and prints the map banner;
// false when one of them cannot be created.
bool link_open_outputs();
// Frees everything the link made, so that a leak check sees only real
// leaks; a process that links more than once calls it after each link.
void link_end();
// Ends the program: files closed, and after a failure no output left that
// could pass for a good one.
[[noreturn]] void link_exit(int status);
// Removes an output of a failed link when it is a regular file.
void link_remove_file(const char *path);
// Runs one pass over every input and then its finisher.
void link_run_pass(int pass);
// Reads the records of one stream up to its first END with the handlers of
// the current pass; a symbol-only object skips code and psect attributes
// and has no begin-module step.
void link_read_module(FILE *fp, module_record *module, bool symbols_only);
// Library inputs: module selection in pass 1, the pulled modules in every pass.
void libsel_read(FILE *fp, link_input *in, uint16_t file_index);
// A new module record, owned by the link.
module_record *link_new_module();
// Text naming where a module came from: "lib(module)" or the file's name.
std::string link_module_text(const module_record *m);
// The module record of a definition's file and module indexes, or null.
module_record *link_module_at(uint16_t file_index, uint16_t module_index);
// Sets the message context to the current input and record; a line record
// chosen by the relocation code takes precedence for one message.
void link_message_hook();
void link_set_line_context(const char *file, int line);
// Prints a trace line on standard output at -Debug level `level` and above.
void link_trace(int level, const char *format, ...) __attribute__((format(printf, 2, 3)));
