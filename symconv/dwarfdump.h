// The dump of an ELF file's DWARF 2 sections: abbreviations, compile
// units, line number programs with their line tables, call frames, name
// and address tables, macro information and location lists.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// A section header of the ELF file being dumped; valid is false when the
// header or its name could not be read.
struct dwarf_elf_section {
  std::string name;
  uint64_t offset, size;
  bool valid;
};
// Prints the DWARF sections of the file's bytes on standard output.
void dwarf_dump(const std::vector<uint8_t> &file, const std::vector<dwarf_elf_section> &sections);
