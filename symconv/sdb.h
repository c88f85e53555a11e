// The code generator's debug description files (".sdb" beside each object
// file) read into one scope tree: modules, functions, blocks, variables,
// typedefs, structs, enums and source file changes.
#pragma once
#include <cstdint>
#include <cstdio>

struct vec;
struct type_chain;
struct type_elem;

enum sdb_kind {
  SDB_NULL = 0,
  SDB_EXTERN = 1,
  SDB_GLOBAL = 2,
  SDB_STATIC = 3,
  SDB_AUTO = 4,
  SDB_PARAM = 5,
  SDB_TYPEDEF = 6,
  SDB_MODULE = 7,
  SDB_LINE = 8,
  SDB_BLOCK = 9,
  SDB_FUNC = 10,
  SDB_REG = 11,
  SDB_STRUCT = 12,
  SDB_ENUM = 13,
  SDB_FILENAME = 14,
  SDB_EMPTY_MODULE = 15,  // its .sdb file is missing or empty
};

enum sdb_flags : uint32_t {
  SDB_RESOLVED = 0x1,
  SDB_FAKED = 0x2,
};

enum { SDB_SCOPE_BUCKETS = 47, SDB_SCOPE_NUMBERS = 4 };

struct sdb_member {
  char *name;  // null for "."
  type_chain *type;
  long size;
  long offset;
  long bit_width, bit_offset;  // 0 unless a bit-field
};

struct sdb_enumerator {
  char *name;
  long value;
};

struct sdb_record {
  char *name;
  sdb_record *bucket_next;
  uint32_t flags;
  int line;
  int kind;
  // variables
  long size_flags;
  char *label;
  type_chain *type;
  long value;
  uint32_t address, segment;  // filled by the machine's resolve
  // scopes
  int first_line, last_line;
  char *source;
  vec *items;
  sdb_record **buckets;
  sdb_record *function;
  sdb_record *parent;
  uint32_t parent_count;
  long numbers[SDB_SCOPE_NUMBERS];
  // struct and enum
  int is_union;
  char *second_name;
  long struct_size;
  uint32_t member_count;
  sdb_member *members;
  int size_code, sign_code;
  sdb_enumerator *enumerators;
};

// Loads the description of an object file; the module scope, or null when
// no machine could be chosen.
sdb_record *sdb_load(const char *object_name);
// Prints the tree to standard error.
void sdb_dump();
void sdb_dump_to(FILE *out);
sdb_record *sdb_find_global(const char *name);
bool type_is_function(const type_chain *type);
bool type_is_bit(const type_chain *type);
bool mach_resolve(sdb_record *var, sdb_record *scope, uint32_t *address, uint32_t *segment);
uint32_t mach_type_size(const type_elem *outer);
void scope_free(sdb_record *record);

// Scope services shared with the type parser and the machines.
sdb_record *sdb_new_record(int kind, const char *name);
sdb_record *sdb_new_scope(int kind, const char *name);
void sdb_scope_add(sdb_record *scope, sdb_record *item);
// The first record of that name and one of the kinds (a bit per kind)
// visible from the current scope, innermost scope first and, within a
// scope, the last item first.
sdb_record *sdb_lookup_visible(const char *name, uint32_t kind_mask);
sdb_record *sdb_current_scope();
int sdb_current_line();
// The root scope, made by the machine's choice.
sdb_record *sdb_global_scope();
void sdb_set_global_scope(sdb_record *root);
// Frees the tree and the reader's state.
void sdb_reset();
