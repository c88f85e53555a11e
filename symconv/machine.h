// The processor families whose debug descriptions forvane reads: basic
// types, qualifiers, registers, pointer sizes and where automatic
// variables, parameters and register variables live.
#pragma once
#include <cstdint>

struct sdb_record;
struct type_elem;

struct machine_register {
  const char *name;
  uint32_t size;  // low byte: bytes; high byte: component registers
  uint8_t parts[4];
};

struct machine_basic {
  const char *name;
  uint32_t size;
  int cls;  // type_class
};

struct machine_qualifier {
  const char *name;
  char letter;
  uint32_t bit;
};

struct machine_desc {
  const char *name;  // the module's name, for messages and dumps
  bool (*start)();
  const machine_register *registers;
  uint32_t register_count;
  const char *const *flags;  // null-terminated
  bool (*match)(const char *processor);
  const machine_basic *basics;
  uint32_t basic_count;
  // The variable's address and segment index.
  bool (*resolve)(sdb_record *var, sdb_record *scope, uint32_t *address, uint32_t *segment);
  uint32_t (*type_size)(const type_elem *outer);
  uint32_t (*pointer_size)(const type_elem *pointer);
  void (*enum_layout)(sdb_record *e);
  const char *(*value_text)(const sdb_record *var);
  const machine_qualifier *qualifiers;  // ended by an empty row
  uint32_t step, span;
};

extern const machine_desc machpic_desc, machpic18_desc, machdspic_desc, machpic32_desc, mach51_desc, macharm_desc,
    machhtk_desc;
// In choice order.
extern const machine_desc *const machine_table[];
extern const uint32_t machine_count;

// Forgets the chosen machine and its flags.
void machine_reset();
// Chooses the machine once per run; on success builds the root scope.
bool machine_init(const char *flag_text);
const machine_desc *machine_select(const machine_desc *const *table, uint32_t count, const char *flag_text,
                                   const char *processor);
// Whether the chosen machine knows the mode name; records it in the flags word.
bool machine_flag(const char *name);
uint32_t machine_flags_word();
uint32_t reg_number(const char *name);
const char *reg_name(uint32_t number);
// The bit of a qualifier letter on the chosen machine, 0 when unknown.
uint32_t machine_qualifier_bit(char letter);

// Shared by the machine modules.
bool machine_true();
const char *machine_empty_text(const sdb_record *var);
void machine_enum_layout(sdb_record *e);
// Size of a type from its outermost element, with the chosen machine's
// pointer size; the type-size operation of every machine.
uint32_t machine_type_size(const type_elem *outer);
uint32_t machine_pointer_2(const type_elem *pointer);
uint32_t machine_pointer_4(const type_elem *pointer);
// Externs and statics by their symbols; autos and params by their area
// symbols "<autos>name" and "<params>name", or with null prefixes by the
// func scope's frame bases. Any other kind is unresolved.
bool machine_resolve_common(sdb_record *var, sdb_record *scope, const char *autos, const char *params,
                            uint32_t *address, uint32_t *segment);
// Externs, statics, and autos and params in their "??" and "?" areas.
bool machine_resolve_pic(sdb_record *var, sdb_record *scope, uint32_t *address, uint32_t *segment);
// The basic types of the PIC10/12/16 and PIC18 machines.
extern const machine_basic machpic_basics[];
extern const uint32_t machpic_basic_count;
// The enclosing func scope of a variable reached through blocks only.
sdb_record *machine_func_of(sdb_record *scope);
// Address of an auto or param from the area symbols "<autos>name" and
// "<params>name"; the result is kept in the record.
bool machine_resolve_area(sdb_record *var, sdb_record *scope, const char *autos, const char *params, uint32_t *address,
                          uint32_t *segment);
// Address of an extern or static from its global symbol.
bool machine_resolve_global(sdb_record *var, uint32_t *address, uint32_t *segment);
// Address of an auto or param from the func scope's frame bases.
bool machine_resolve_frame(sdb_record *var, sdb_record *scope, uint32_t *address);
// The PIC10/12/16 qualifiers and pointer sizes, which the Holtek machine shares.
extern const machine_qualifier machpic_qualifiers[];
uint32_t machpic_pointer_size(const type_elem *pointer);
// True when the processor name contains one of the parts.
bool machine_name_has(const char *processor, const char *const *parts, bool exact_case);
