// DWARF 2 debug information: the sections the ELF writer stores, built
// from the debug scope tree and the model's source lines; the section
// kinds its dump shares.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

enum dwarf_kind {
  DWARF_STR = 0,
  DWARF_ABBREV = 1,
  DWARF_INFO = 2,
  DWARF_LINE = 3,
  DWARF_FRAME = 4,
  DWARF_PUBNAMES = 5,
  DWARF_PUBTYPES = 6,
  DWARF_ARANGES = 7,
  DWARF_MACINFO = 8,
  DWARF_LOC = 9,
  DWARF_RANGES = 10,
  DWARF_KIND_COUNT = 11,
};

struct dwarf_kind_desc {
  const char *name;
  const char *description;
};
extern const dwarf_kind_desc dwarf_kinds[DWARF_KIND_COUNT];

struct dwarf_section {
  int kind;
  std::vector<uint8_t> bytes;
};

// Appends ".debug_abbrev", ".debug_info" and ".debug_line" to the vector;
// nothing when the model has no scope tree. Returns 0.
int dwarf_build(std::vector<dwarf_section> *sections);
