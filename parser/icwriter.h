// The intermediate-code writer: the only place that knows the record syntax,
// the stream rule (head or body), dependency order and the string records.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

struct symbol;
struct expr_node;
struct type_t;

enum ic_stream { IC_NONE = 0, IC_HEAD = 1, IC_BODY = 2 };

extern FILE *ic_head;  // the output file
extern FILE *ic_body;  // the code body temporary

struct ic_case {
  expr_node *value;
  uint32_t label;
};

void ic_version();
void ic_line(const char *file, uint32_t line);
// Records written until the next call carry this position (null: the
// lexer's current one).
void ic_position(const char *file, int line);
void ic_scope(bool open);
void ic_symbol(symbol *s, int stream);
void ic_struct(symbol *tag, int stream);
void ic_enum(symbol *tag, int stream);
void ic_type_deps(const type_t &t, int stream);
void ic_expr_deps(const expr_node *e, int stream);
void ic_statement(expr_node *e);
void ic_label(uint32_t number);
void ic_exit_label(uint32_t number);
void ic_named_label(symbol *s);
void ic_switch(expr_node *e, const std::vector<ic_case> &cases, uint32_t default_label);
void ic_function_start();
void ic_directive(int stream, const char *format, ...) __attribute__((format(printf, 2, 3)));
void ic_asm(const char *text, size_t length);
void ic_temp_label(const char *prefix, int32_t number);
// Initialiser records: "[i" and the name, element lines, "]".
void ic_init_begin(symbol *s);
void ic_init_element(const expr_node *e);
void ic_init_open();
void ic_init_close();
void ic_init_char(int value);
void ic_init_end();
// String literals: spooled while parsing, written at the end.
uint32_t ic_spool_string(const char *bytes, uint32_t length, uint32_t quals);
void ic_mark_string(uint32_t number);
uint32_t string_quals_of(uint32_t number);
const std::string &string_text_of(uint32_t number);
bool ic_spool_open(const char *path);
// Writes the string records to the output; false on a read failure.
void ic_write_strings();
void ic_spool_close(bool remove_file);
const char *ic_spool_path();
// Name writer and signature writer, also used by the prototype printer.
std::string ic_name(const symbol *s);
std::string ic_signature(const type_t &t);
// Line of the last line record written (per-function information file).
uint32_t ic_last_line();
