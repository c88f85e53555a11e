// forvane's model of a build: files, symbols, program classes, segments,
// data blocks and source lines, filled by the format readers and walked by
// the writers; the run's settings; the operations every format module uses.
// Indexes between records are 1-based positions in their vector, 0 none.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

struct vec;
struct hash_table;
struct sdb_record;
struct machine_desc;

enum { MODEL_MAX_INPUTS = 128, MODEL_MAX_OUTPUTS = 128, MODEL_MAX_CLASSES = 64, MODEL_MAX_PROC_NAMES = 128 };

struct model_symbol;
struct model_line;

struct model_file {
  char *name;
  model_symbol **symbols;  // filled when the model is completed
  uint32_t symbol_count;
  model_line **lines;  // filled when the model is completed
  uint32_t line_count;
  uint32_t index;
  uint32_t coff_file_index;  // the PIC COFF writer's .file entry
};

enum model_symbol_flags : uint32_t {
  MSYM_ABSOLUTE = 0x1,  // belongs to no segment
  MSYM_LOCAL = 0x2,     // from a local section
};

struct model_class {
  uint32_t low, high, base, init;  // "__L", "__H", "__B", "__I" values
  char *name;
};

struct model_symbol {
  uint32_t file;
  uint32_t value;
  model_class *cls;
  uint32_t segment;
  uint32_t flags;
  char *name;
};

struct model_segment {
  uint32_t space;
  uint32_t start;
  uint32_t load;
  uint32_t size;  // address units
  char *name;
};

struct model_line {
  uint32_t file;
  uint32_t start;
  uint32_t end;
  uint32_t segment;
  uint32_t kind;
  uint32_t line;
};

struct model_data {
  uint32_t address;
  uint32_t length;
  uint8_t *bytes;
  uint32_t segment;
};

struct model_state {
  vec *files, *symbols, *classes, *segments, *data, *lines;
  hash_table *by_name, *by_value, *files_by_name;
  uint32_t entry_address;
  const machine_desc *machine;
  sdb_record *sdb_root;
  const char *input_name;  // the input being read, for messages
};
extern model_state model;

struct output_request {
  int format;  // 1-based row of the format table
  char *name;  // null when none was given
};

struct forvane_settings {
  int verbosity;
  bool dump, identify_only;
  bool big_endian;  // -b, kept for writers of either order after one of a fixed order
  bool fake_globals;  // -f
  bool fake_blocks;   // -k
  bool strip_underscore;  // -m
  bool strip_extensions;  // -e
  int input_format;       // -i, 0 for identification
  char *processor;        // -p, first name
  char *extra_names[MODEL_MAX_PROC_NAMES];
  int extra_count;
  char *classes[MODEL_MAX_CLASSES];
  int class_count;
  char *path_from, *path_to;
  char *inputs[MODEL_MAX_INPUTS];
  int input_count;
  output_request outputs[MODEL_MAX_OUTPUTS];
  int output_count;
};
extern forvane_settings settings;

// Fresh, empty model and settings; model_free releases everything.
void model_init();
void model_free();

uint32_t model_add_file(const char *name);
model_symbol *model_add_symbol(const char *name, uint32_t value, uint32_t segment, uint32_t file, uint32_t flags);
model_line *model_add_line(uint32_t line, uint32_t address, uint32_t segment, uint32_t file, uint32_t kind);
uint32_t model_add_segment(const char *name, uint32_t start, uint32_t size, uint32_t load, uint32_t space);
model_class *model_add_class(const char *name, uint32_t low, uint32_t high, uint32_t base, uint32_t init);
model_data *model_add_data(uint32_t address, uint32_t length, const uint8_t *bytes, uint32_t segment);

model_symbol *model_find_symbol(const char *name);
model_symbol *model_symbol_at(uint32_t value);
bool model_symbol_addr(const char *name, uint32_t *value, uint32_t *segment);
model_file *model_lookup_file(const char *name);
model_file *model_find_file(const char *name);
model_symbol *model_file_symbol(const char *file_name, const char *symbol_name);
bool model_file_symbol_addr(const char *file_name, const char *symbol_name, uint32_t *value, uint32_t *segment);
model_class *model_find_class(const char *name);
model_segment *model_find_segment(const char *name);
// The 1-based index of the first segment of the space holding address *
// unit; the space number itself when none does.
uint32_t model_segment_of(uint32_t space, uint32_t address, uint32_t unit);
// The segment of a 1-based index, null for 0 or beyond the vector.
model_segment *model_segment_at(uint32_t index);
uint32_t model_segment_index(const char *name);

// A symbol or a line by where it lies: file, segment, address.
struct model_place {
  uint32_t file, segment, address;
  const model_symbol *symbol;
  const model_line *line;
};
bool model_place_before(const model_place &a, const model_place &b);
// The model's symbols and its lines, each sorted by place (stable).
void model_places(std::vector<model_place> *symbols, std::vector<model_place> *lines);

model_file *model_file_at(uint32_t index);
model_symbol *model_symbol_nth(uint32_t k);
model_line *model_line_nth(uint32_t k);
model_data *model_data_nth(uint32_t k);
model_class *model_class_nth(uint32_t k);

// Message context: the input being read.
void input_context();
// A new string: the first "from" of --pathspec replaced by "to".
char *path_remap(const char *path);
const char *strichr(const char *text, int c);
const char *stristr(const char *text, const char *part);
// Rows of " %02X" bytes after the address format, with the bytes as text.
void hex_dump_lines(FILE *out, uint32_t address, unsigned per_row, const uint8_t *bytes, uint32_t count,
                    const char *address_format, bool with_text);
// "==> text" on standard error at verbosity 1 and above.
void verbose_log(const char *format, ...) __attribute__((format(printf, 1, 2)));

uint32_t name_hash(const void *name);
uint32_t name_hash_nocase(const void *name);

// One line of a text input without its line end (and a carriage return
// before it); false at the end of the file. A line longer than room is
// read to its end, keeping room characters, and *too_long is set.
bool read_text_line(FILE *in, std::string *line, size_t room, bool *too_long);
