// Memory summaries: the class tables of the linker's map file entered into
// the chip's memory classes, then printed as the psect usage map, the memory
// class usage, the overall memory summary and the HEX file usage map copied
// from the hex merger's log, on screen and, when asked, in side files.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

struct mem_class;
struct mem_space;

// One psect of the map; its size is in the units of its class.
struct summary_psect {
  std::string name;
  std::string description;
  uint32_t link;
  uint32_t load;
  uint32_t size;
};

// The psects the map places in one class, in map order.
struct summary_class {
  mem_class *cls;
  std::vector<summary_psect> psects;
};

struct memory_map {
  std::vector<summary_class> classes;
};

// Reads the class tables of an open map file into the map, against the
// classes of the spaces; a class the chip does not define is added to a
// space "OTHER". Lines that do not fit are reported and skipped.
void mapinfo_read(FILE *file, mem_space **spaces, memory_map &map);

// What summary_print prints and where.
struct summary_request {
  uint32_t reports = 0;    // SUMMARY_* bits (the file bit is not looked at)
  uint32_t ide = 0;        // IDE_MORVEL: side files only; IDE_STUDIO: standard output
  bool pass_failed = false;  // only the psect and HEX maps, no side files
  bool side_files = false;
  // The output name up to and including its last ".": side files and the
  // hex merger's log are this followed by their extensions. Empty: neither.
  std::string file_stem;
};

void summary_print(const memory_map &map, mem_space *spaces, const summary_request &request);

// After the final link: reads the map file and prints the reports --summary
// asks for, with side files under --summary=file (message 141 when the map
// cannot be opened).
void summary_after_link(const char *map_path);
// --memmap: the same reports from any map file, without side files. The
// chip's memory classes must have been built.
void summary_memmap(const char *map_path);
