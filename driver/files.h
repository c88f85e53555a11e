// File names of a build, removal of the driver's files, the filter that lets
// the user's own linker options take over generated ones, and small readers
// of the linker's symbol file.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

struct arglist;
struct mem_space;
struct opt_entry;
struct vec;

// Removes a file unless --nodel is in force ("del NAME" first under -V).
void file_remove(const char *path);
// Suffix test without regard to letter case.
bool ends_with(const char *text, const char *suffix);
bool is_asm_source(const char *name);
// The path up to and including its last "." followed by ext ("." added when
// the path has none).
std::string replace_ext(const char *path, const char *ext);
// replace_ext of the path's last component.
std::string base_replace_ext(const char *path, const char *ext);
// base_replace_ext placed in the directory (relative when below the current one).
std::string dir_file(const char *path, const char *ext, const char *directory);
// An output or side file: the output base name in the output folder.
std::string out_file(const char *ext);
// A per-source intermediate file in the object folder.
std::string obj_file(const char *path, const char *ext);
const char *skip_hex(const char *text);
// The number before the first "." (from the first digit), or after it.
int version_part(const char *text, bool minor);

// The generated linker option without the psect or class names the user's
// own linker options take over; empty when nothing is left of it.
std::string linker_option_filter(const char *option);
// Adds a generated linker option through the filter, as a configurable argument.
void linker_option_add(arglist *list, const char *option);
void linker_option_addf(arglist *list, const char *format, ...) __attribute__((format(printf, 2, 3)));
// "-A" and the range text of every non-empty class of every space.
void class_spec_options(mem_space *spaces, arglist *list);

uint32_t option_id(const opt_entry *entry);
bool option_has_value(const char *text);

// Psect extents from the "__L" and "__H" lines of a symbol file.
struct psect_bound {
  std::string name;
  uint32_t low;
  uint32_t size;
  uint32_t value2;
  std::string text;
};
int psect_bounds_read(const char *path, std::vector<psect_bound> &list);
// First entry whose name begins with the name.
const psect_bound *psect_bound_find(const std::vector<psect_bound> &list, const char *name);
uint32_t psect_bound_size(const std::vector<psect_bound> &list, const char *name);

// A table of wanted symbols, ended by a null name, filled from a symbol file.
struct symbol_value {
  const char *name;
  uint32_t value;
  uint32_t value2;
  std::string text;
};
int symbol_values_read(const char *path, symbol_value *table);

// The parser's qualifier options, as new strings.
vec *qualifier_list();

// One whole line of a text file, without its line end; false at the end.
bool read_text_line(FILE *file, std::string &line);
// The blank- and tab-separated fields of a line.
std::vector<std::string> text_fields(const std::string &line);
