// Psect placement: the -A, -D, -S and -P options, default placement, the
// segment table, the checks of sizes and limits, and the psect bound symbols.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "linker/link.h"

// A free address range of a class (addresses in addressing units).
enum { RANGE_TOP = 2 };

struct addr_range {
  uint32_t link;      // link start
  uint32_t length;
  uint32_t load;      // load start
  uint32_t extra;     // usable units beyond the end
  psect_info *cls;
  uint32_t flags;     // RANGE_TOP: prefer the top
};

struct segment_entry {
  uint32_t length;    // bytes
  uint32_t load;
  uint32_t link;
  std::string name;
  uint16_t selector;
  uint8_t space;
  uint8_t delta;
  std::string class_name;
};

struct space_top {
  uint8_t space;
  uint32_t top;       // highest load end in units
};

extern std::vector<segment_entry> place_segments;
extern std::vector<addr_range> place_master;
extern std::vector<space_top> place_space_tops;
extern std::vector<psect_info *> place_ranged_classes;
extern bool place_class_deltas;   // -D given: arithmetic in each class's delta

// The number syntax of the linker's options: "0x" prefix, or a suffix H
// (hexadecimal), O or Q (octal), D or none (decimal). The cursor moves past
// the number and its suffix.
bool read_number(const char **cursor, uint32_t *out);

void place_option_class_ranges(const char *text);      // -Aclass=ranges
void place_option_class_delta(const char *text);       // -Dclass=delta
void place_option_class_attributes(const char *text);  // -Sclass=max[,boundary[,limit]]

void place_reset();
// The pass-2 finisher: places every psect.
void place_all();
// After resolution: SEGMENT records, the symbol file's segment lines and
// the overlap check of the segment rows.
void place_segments_output();
// Opens a segment row for a placed psect.
segment_entry &place_new_segment(psect_info *p, uint32_t length);
// The selector of a segment row.
uint32_t segment_selector(uint32_t number, const psect_info *p, uint32_t load, uint32_t link);
// Ranges of the master list.
void range_insert(std::vector<addr_range> &list, psect_info *cls, uint32_t link, uint32_t length,
                  uint32_t extra, uint32_t load, bool check, size_t before);
void range_subtract(std::vector<addr_range> &list, uint32_t from, uint32_t to, uint8_t space);
void range_take_psect(const psect_info *p);
