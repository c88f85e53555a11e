// The user's objects and object libraries, read before code generation: the
// global symbols they define, the function facts of their FNINFO records,
// the absolute psects they occupy and the dependencies between modules, from
// which the link list and the modules inside each library are reordered.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct vec;

struct obj_symbol {
  char *name;
  uint32_t flags;     // 16h while undefined
  void *module;       // the defining module record
  char *psect;
  uint32_t entry_flags;  // low 5 flag bits of the defining entry
  uint32_t value;
};

struct obj_psect {
  char *name;
  char *class_name;   // may be null
  uint32_t flags;     // all flags seen
  uint32_t start;
  uint32_t size;
};

struct obj_fninfo_pair {
  char *name;
  char *text;
};

struct obj_fninfo_triple {
  char *name;
  uint32_t first;
  uint32_t second;
};

// Reads every path, builds the module graph and rewrites the list in link
// order; a library whose modules were reached is reordered by the librarian.
void link_order(std::vector<std::string> &paths);
// Reads one object, or a library (its container record is appended to
// `libraries`, a vec of module records).
void obj_read_file(const char *path, vec *libraries);
vec *obj_symbols();  // of obj_symbol
vec *obj_psects();   // of obj_psect
vec *obj_fninfo_pairs();    // of obj_fninfo_pair (sub-code 1)
vec *obj_fninfo_triples();  // of obj_fninfo_triple (sub-code 5)
// Whether a symbol record has been defined by a module.
bool obj_symbol_defined(const obj_symbol *s);
// Forgets everything read.
void obj_reset();
