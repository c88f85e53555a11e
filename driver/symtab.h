// The link symbol table: psects, symbols, segments and functions of the
// linker's last symbol file. Psect extents are rebuilt from the bound symbols
// "__L", "__H" and "__B" followed by the psect name. Each read also writes the
// function-size list "funclist" in the current folder.
#pragma once
#include <cstdint>

struct vec;

struct symt_segment {
  char *name;
  char *class_name;
  uint32_t low;
  uint32_t size;   // high - low + 1
  uint32_t extra;  // the line's last number
};

struct symt_function {
  char *name;      // the text after "__end_of"
  char *text;      // the end symbol's text field
  uint32_t start;
  uint32_t extra;  // the function symbol's numeric field
  uint32_t size;
};

typedef int (*symt_filter_fn)(const char *name);

enum { SYMT_ITER_RESET = 0, SYMT_ITER_NEXT = 1 };
enum { SYMT_STATE_RESET = 0, SYMT_STATE_RUNNING = 1, SYMT_STATE_FINISHED = 2 };

void symt_reset();
void symt_free();
// 1 after reading; 0, silently, when the file cannot be opened.
int symt_read(const char *path);

bool symt_sym_defined(const char *name);
uint32_t symt_sym_value(const char *name);
uint32_t symt_sym_extra(const char *name);
const char *symt_sym_text(const char *name);
const char *symt_sym_psect(const char *name);

bool symt_psect_known(const char *name);
uint32_t symt_psect_low(const char *name);
uint32_t symt_psect_base(const char *name);
uint32_t symt_psect_size(const char *name);
const char *symt_psect_class(const char *name);
bool symt_addr_in_psect(uint32_t address, const char *psect);

// A symbol "vector_%lX" exists for the address (for any address of lo..hi).
bool symt_has_vector(uint32_t address);
bool symt_has_any_vector_in(uint32_t lo, uint32_t hi);

vec *symt_segments();   // of symt_segment, in file order
vec *symt_functions();  // of symt_function, in file order
uint32_t symt_function_count();
uint32_t symt_function_total();

// Command 0 resets the iterator and gives null; 1 gives the next name that
// passes the filter, null at the end.
const char *symt_next_symbol(int command);
const char *symt_next_psect(int command);
void symt_set_symbol_filter(symt_filter_fn filter);
symt_filter_fn symt_symbol_filter();
// Only symbols contained in the psect pass the symbol iterator (null: all).
void symt_filter_by_psect(const char *psect);
int symt_next_state();
int symt_psect_next_state();
const char *symt_filter_psect();
int symt_no_iterator();
