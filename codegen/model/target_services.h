// What the program model calls of the instruction-selection and PIC18 output
// half of codrel: the emitter (emit_), the target queries (local_), code
// selection (cgen_), the pattern data and the assembly output buffer. That
// half implements this header; the model's tests link a small stand-in.
#pragma once
#include <cstdint>

struct ctype;
struct iset;
struct ptr_targets;
struct symbol;
struct tree_node;
struct vec;
typedef iset regset;

// Whole output file.
void emit_header();
void emit_end();
void emit_parse_chip_option(const char *text);
// The processor named by the chip description ("" before one was given).
const char *emit_processor_name();
// End of the basic-type set-up: may resize basic types for the target.
void emit_target_types_init();
// SIGINT handler: ends codrel with status 151.
void prog_interrupt(int signal_number);

// Types and symbols.
uint32_t emit_code_ptr_size();
// Letter of the pointer's kind for the debug type text, 0 for none.
char emit_pointer_kind(ptr_targets *set);
// Pointer size in bytes (1, 2 or 3) that the targets need.
uint32_t emit_pointer_size(ptr_targets *set);
// The pseudo-symbol standing for the whole memory area of a pointed-to type.
symbol *emit_space_target(ctype *pointee, ctype *owner, int flag);
// Sets the enum's size and signedness from its range (message 700 past 16 bits).
void emit_enum_range(ctype *enum_type, int32_t min, int32_t max);
uint32_t emit_small_size(symbol *s);
void emit_check_decl(symbol *s);
// Register carrying parameter `index` of its function, 0 when passed in memory.
uint32_t local_param_reg(symbol *param, uint32_t index);
// A register of `set` in which the object can be kept, 0 when it stays in memory.
uint32_t local_reg_class_for(symbol *s, regset *set);

// Tree queries of the simplifier; none has an effect.
bool local_is_const_address(const tree_node *t);
uint32_t local_node_class(const tree_node *t);
bool local_cheap_op(const tree_node *t);
bool local_is_step_one(const tree_node *t);
// Bit pattern of a floating value in the target format of `size` (3 or 4) bytes.
uint32_t cgen_float_bits(double value, uint32_t size);

// Code selection.
enum { GOAL_STATEMENT = 92 };
bool cgen_match_tree(tree_node *t, uint32_t goal, regset *allowed);
// The node at which the last failed cgen_match_tree gave up, deepest first.
const tree_node *cgen_failed_node();
// Whether the last failed cgen_match_tree gave up at its budget of candidates.
bool cgen_search_exhausted();
// Reports the statement that the last cgen_match_tree could not cover.
void cgen_report_uncovered(tree_node *t);
void cgen_statement(tree_node *t, int flag);
void cgen_emit_tree(tree_node *t, int flag);
// The statement after simplifying and splitting what no pattern covers.
tree_node *cgen_split_tree(tree_node *t);
// Per-function counters of code selection, reset when a function's body
// begins; one of them is the scratch bytes template expansion needed.
void cgen_reset_function_counters();
uint32_t cgen_template_extra();

// Pattern data, constant tables generated with the patterns.
enum { PATTERN_HASH_SLOTS = 9133, PATTERN_ANY_OPERATOR_ABOVE = 91 };
struct pattern_hash_slot {
  int16_t goal;
  int16_t op;
  int16_t list;  // candidate-list index, or a negated pattern number; 0 = empty slot
};
extern const pattern_hash_slot *const pattern_hash;  // PATTERN_HASH_SLOTS slots
// The operator field of pattern record `pattern` (above 91: any operator).
uint32_t pattern_operator(uint32_t pattern);

// Placement and function output.
// Variables whose bank or address changed; empty when placement is stable.
vec *emit_place_variables();
// The compiled stack across banks laid out again at its origin, after its
// blocks grew; false (message 1253 given) when the bytes beyond it are taken.
bool emit_repin_stack();
void emit_function_entry(int16_t param_regs, symbol *function);
void emit_function_exit(int16_t param_regs, uint32_t autos, uint32_t params, symbol *function);
// Psect kinds of emit_select_psect and emit_psect_for_data.
enum {
  OUTPUT_FUNCTION_TEXT = 5,
  PSECT_DATA = 7,      // a data psect by the qualifiers
  PSECT_IDATA = 8,     // the initial image of the data psect
  PSECT_STRINGS = 10,
  PSECT_CONST = 13,    // the const psect of the const model
};
void emit_select_psect(int kind, uint32_t qualifiers);
void emit_psect_for_data(symbol *s, int kind, uint32_t qualifiers);
void emit_psect(const char *name, int force);
void emit_line_directive(int line, const char *file, int force);
void emit_reset_free_regs();
void emit_label(symbol *s);
void emit_variable(symbol *s);
void emit_reserve(uint32_t bytes);
void emit_global_equ(symbol *s);
void emit_db_string(const uint8_t *bytes, uint32_t length);
void emit_float_constant(uint32_t number, const char *text, uint32_t size, uint32_t qualifiers);
// printf-style text into the assembly line buffer.
void out_printf(const char *format, ...) __attribute__((format(printf, 1, 2)));
