// C types of the debug description as derivation chains, from the base
// type (element 0) to the outermost derivation; a table that numbers
// distinct types for the writers.
#pragma once
#include <cstdint>
#include <cstdio>

struct sdb_record;
struct hash_table;

enum type_kind {
  TK_BASIC = 1,
  TK_FUNCTION = 2,
  TK_POINTER = 3,
  TK_ENUM = 4,
  TK_STRUCT = 5,
  TK_ARRAY = 6,
  TK_QUALIFIER = 7,
};

enum type_class { TC_VOID = 0, TC_SIGNED = 1, TC_UNSIGNED = 2, TC_FLOAT = 3, TC_BIT = 4 };

struct type_elem {
  int kind;
  char *text;
  // basic: class; pointer: '.' for a class pointer; array: dimension;
  // qualifier: the machine's qualifier bits.
  uint32_t value;
  uint32_t size;        // basic: bytes
  sdb_record *record;  // enum and struct
};

struct type_chain {
  uint32_t count, capacity;
  type_elem *elems;
};

type_chain *type_chain_new();
type_chain *type_chain_copy(const type_chain *chain);
void type_chain_free(type_chain *chain);
// Appends an element (the text copied) as the new outermost derivation.
void type_chain_push(type_chain *chain, int kind, const char *text, uint32_t value, uint32_t size,
                     sdb_record *record);
// The outermost element, null for an empty chain.
type_elem *type_outer(const type_chain *chain);

// The chain of a .sdb type string, null when it names no known type.
type_chain *sdb_parse_type(const char *text);

uint32_t type_hash(const type_chain *chain);
bool type_eq(const type_chain *a, const type_chain *b);
int type_cmp(const type_chain *a, const type_chain *b);  // 0 when equal

hash_table *type_table_new();
void type_table_put(hash_table *table, const type_chain *chain, int value);
int *type_table_get(const hash_table *table, const type_chain *chain);
hash_table *type_table_copy(const hash_table *table);
void type_table_clear(hash_table *table);
void type_table_free(hash_table *table);

void type_print(FILE *out, const type_chain *chain);
