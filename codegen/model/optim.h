// The whole-program optimiser: once every input is read, it builds the call
// graph, decides reentrancy, sizes every function, places variables until
// placement is stable, allocates registers, refines bank selection and
// writes every function followed by the call-graph lines for the linker.
#pragma once
#include <cstdint>

#include "codegen/model/symbols.h"

struct vec;

// Phases, in the order they run; the counter only grows.
enum : uint32_t {
  PHASE_READING = 0,
  PHASE_CALL_GRAPH = 1,
  PHASE_USED_FUNCTIONS = 2,
  PHASE_SIZING = 3,
  PHASE_ALLOCATION = 4,
  PHASE_BANK_REFINEMENT = 5,
  PHASE_OUTPUT = 6,
};
enum { MACH_ALLOC_ROUNDS = 9, FNALIGN_LINE_LIMIT = 129 };

// Runs the phases; 0, or the error state when reported errors stopped it
// before functions were written.
int optim_program();
uint32_t optim_phase();
bool optim_no_main();

// What the reader and the command line hand over before optim_program.
// Every function with a body, in the order the reader completed them.
void optim_add_function(symbol *f);
vec *optim_functions();
// The four lists of global objects (OBJ_CONST ... OBJ_UNINITIALISED) the
// reader classes objects into; the placement of variables walks them.
vec *optim_object_list(uint8_t which);
// The "mainexit" pragma was read.
void optim_note_mainexit();
// Command-line declarations: a call from code outside the C program, call
// depth figures, and a use count to add.
void optim_declare_call(const char *caller, const char *callee);
void optim_declare_depths(const char *name, uint32_t main_depth, uint32_t interrupt_depth);
void optim_declare_uses(const char *name, uint32_t count);

// Totals of the ";Data sizes:" line. The reader counts them; the optimiser
// asks it to count again where placement may have changed them.
struct data_totals {
  unsigned long strings, constant, data, bss, persistent;
};
data_totals *optim_data_totals();
void optim_set_data_counter(void (*count)(data_totals *totals));
// Has the reader count the totals again (nothing when no counter is set).
void optim_recount_data();

// The debug side file's writer, when one is open: a symbol's record, the
// opening of a function's scope, and its closing with the end line and the
// autos size.
struct optim_debug_writer {
  void (*record)(symbol *s);
  void (*open_function)(symbol *f);
  void (*close_function)(symbol *f, int end_line, uint32_t autos_size);
};
void optim_set_debug_writer(const optim_debug_writer *writer);
const optim_debug_writer *optim_debug();

// A fresh program: every whole-program list and mark is forgotten.
void optim_reset();
