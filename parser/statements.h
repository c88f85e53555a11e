// Statements and function bodies: control flow becomes numbered labels,
// jumps and conditional jumps; the per-function information file.
#pragma once
#include <vector>

struct symbol;

void parse_program();
// The body of a function being defined: the scope with its parameters is
// open; the current token is "{" (or whatever stands in its place).
void parse_function_body(symbol *fn);
bool fi_open_dir(const char *dir);
// A statement at file level: "asm(...)" only.
void parse_file_asm();
extern symbol *current_function;
